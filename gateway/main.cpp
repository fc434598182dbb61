// grivant-gateway: watches every device on every serial line and publishes it to an MQTT
// broker, for dashboards, historians and maintenance teams beyond one desk.
#include "cli/catalog.h"
#include "gateway/config.h"
#include "gateway/gateway.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    (void)!::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

void err(const QString &text)
{
    std::fprintf(stderr, "grivant-gateway: %s\n", text.toLocal8Bit().constData());
}

// The databases write diagnostic lines for the window's log; a service keeps its own.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        err(message);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("grivant-gateway"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GRIVANT_VERSION));
    Q_INIT_RESOURCE(resources);
    qInstallMessageHandler(quietMessages);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    GatewayConfig::Options options;
    QString error;
    if (!GatewayConfig::parseArguments(arguments, &options, &error)) {
        err(error + QStringLiteral(" (see grivant-gateway --help)"));
        return 2;
    }
    if (options.help) {
        std::fputs(GatewayConfig::usageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("grivant-gateway %s\n", GRIVANT_VERSION);
        return 0;
    }
    GatewayConfig::Config config;
    if (!GatewayConfig::resolve(options, &config, &error)) {
        err(error + QStringLiteral("; the gateway does not start"));
        return 2;
    }
    if (options.check) {
        std::fputs(GatewayConfig::summary(config).toLocal8Bit().constData(), stdout);
        return 0;
    }

    Catalog catalog;
    if (!catalog.load(QStringLiteral("en_US"), &error)) {
        err(error);
        return 1;
    }

    // SIGINT and SIGTERM end the gateway through its event loop.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        err(QStringLiteral("cannot watch for signals"));
        return 1;
    }
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Gateway gateway(config, catalog);
    int status = 0;
    QSocketNotifier signalWatch(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalWatch, &QSocketNotifier::activated, &app, [&] {
        char byte = 0;
        (void)!::read(g_signalPipe[0], &byte, 1);
        gateway.stop();
        app.exit(status);
    });
    QObject::connect(&gateway, &Gateway::fatal, &app, [&](int exitStatus, const QString &why) {
        err(why);
        status = exitStatus;
        gateway.stop();
        app.exit(status);
    });
    if (!gateway.start(&error)) {
        err(error);
        return 1;
    }
    return app.exec();
}
