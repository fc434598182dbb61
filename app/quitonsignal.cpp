#include "app/quitonsignal.h"

#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_pipe[2] = {-1, -1};
bool g_received = false;

// Only a byte into a socket here: the event loop does the rest.
void onSignal(int)
{
    const char byte = 1;
    (void)!::write(g_pipe[1], &byte, 1);
}
} // namespace

void QuitOnSignal::install(QCoreApplication *app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [notifier] {
        notifier->setEnabled(false);
        g_received = true;
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signo : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signo, &action, nullptr);
}

bool QuitOnSignal::received()
{
    return g_received;
}
#else
void QuitOnSignal::install(QCoreApplication *)
{
}

bool QuitOnSignal::received()
{
    return false;
}
#endif
