#include "app/installpaths.h"
#include "app/mainwindow.h"
#include "app/plaintext.h"
#include "app/portoption.h"
#include "app/quitonsignal.h"
#include "app/startupprobe.h"
#include "lineview/linefeed.h"
#include "link/connectionform.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QMessageBox>
#include <cstdio>
#include <cstring>

namespace {

struct StartOptions
{
    StartOptions()
    {
        parser.setApplicationDescription(
            "Grivant User Interface\n\n"
            "Setup, test and diagnosis of electric grippers and linear modules over Modbus-RTU.\n"
            "The ini file, the database copies and the exports are kept in the working directory.");
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(port);
        parser.addOption(workdir);
        parser.addOption(userWorkdir);
        parser.addOption(record);
        parser.addOption(replay);
        parser.addOption(line);
    }

    QCommandLineParser parser;
    QCommandLineOption port{
        "port",
        "Also list the serial port PATH (a pseudo-terminal or a /dev/serial/by-id link) or a "
        "network port (tcp://HOST[:PORT], rtu+tcp://HOST:PORT[?baud=RATE]), optionally with a "
        "DESCRIPTION. May be given more than once.",
        "PATH[=DESCRIPTION]"};
    QCommandLineOption workdir{
        "workdir", "Keep the ini file, database copies and exports in DIR (made if missing) "
                   "instead of the current directory.",
        "DIR"};
    QCommandLineOption record{
        "record", "Record the session into FILE (.grivant-session) from the first connection on, "
                  "through disconnections, until the window is closed or the recording stopped.",
        "FILE"};
    QCommandLineOption replay{
        "replay", "Open the recorded session FILE in the main window, without a port.", "FILE"};
    QCommandLineOption line{
        "line", "Open the Line view connected to the MQTT broker at BROKER (default port 1883): every "
                "gateway, bus and device it holds. The login and TLS are those the Line view used last.",
        "BROKER[:PORT]"};
    QCommandLineOption userWorkdir{
        "user-workdir", "The same in the per-user folder $XDG_DATA_HOME/grivant "
                        "(~/.local/share/grivant); the desktop menu starts the tool this way."};
};

// --help and --version print and end; they need no display, so they are answered before
// the window system is opened.
bool answersWithoutWindows(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *text : {"-h", "--help", "--help-all", "-?", "-v", "--version"}) {
            if (std::strcmp(argv[i], text) == 0)
                return true;
        }
    }
    return false;
}

// A broker address that cannot be used is a usage error, told before the window system
// is opened (and whether or not there is a display).
bool lineAddressUsable(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        QByteArray value;
        if (arg == "--line" || arg == "-line")
            value = i + 1 < argc ? QByteArray(argv[i + 1]) : QByteArray();
        else if (arg.startsWith("--line=") || arg.startsWith("-line="))
            value = arg.mid(arg.indexOf('=') + 1);
        else
            continue;
        QString host, why;
        int port = 0;
        if (!LineBroker::parseAddress(QString::fromLocal8Bit(value), &host, &port, &why)) {
            fprintf(stderr, "grivant: --line %s: %s\n", value.constData(), qPrintable(why));
            return false;
        }
    }
    return true;
}

// A port named by a relative path stays the same port after a change of directory.
QList<PortEntry> anchoredPorts(QList<PortEntry> ports)
{
    for (PortEntry &entry : ports) {
        if (entry.name.contains(QLatin1Char('/')) && QDir::isRelativePath(entry.name))
            entry.name = QDir::current().absoluteFilePath(entry.name);
    }
    return ports;
}

} // namespace

int main(int argc, char *argv[])
{
    if (answersWithoutWindows(argc, argv)) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationVersion(GRIVANT_VERSION);
        StartOptions options;
        options.parser.process(core);
        return 0;
    }

    if (!lineAddressUsable(argc, argv))
        return 2;
    QApplication a(argc, argv);
    PlainText::installToolTips(&a);
    QApplication::setApplicationVersion(GRIVANT_VERSION);
    // The desktop entry's name ties the windows to the menu entry and its icon; the
    // connection window, the first one shown, carries the logo too.
    QGuiApplication::setDesktopFileName("example.grivant.Grivant");
    QApplication::setWindowIcon(QIcon(":/Resource/logo.icon"));
    QGuiApplication::setQuitOnLastWindowClosed(true);
    QuitOnSignal::install(&a);

    StartOptions options;
    options.parser.process(a);

    // The window keeps its files in the working directory, so a start from the desktop menu
    // (which would be the home folder) moves to a folder of its own first.
    QString workdir = options.parser.value(options.workdir);
    if (options.parser.isSet(options.userWorkdir)) {
        if (!workdir.isEmpty()) {
            fputs("grivant: --workdir and --user-workdir exclude each other\n", stderr);
            return 2;
        }
        workdir = InstallPaths::userWorkDir();
    }
    // Files named on the command line are where the operator was, whatever the work folder.
    // (QDir takes ":name" for one of Qt's resources, already absolute.)
    const auto here = [](const QString &file) {
        if (file.isEmpty())
            return file;
        return file.startsWith(QLatin1Char(':')) ? QDir::currentPath() + QLatin1Char('/') + file
                                                 : QDir::current().absoluteFilePath(file);
    };
    const QString recordFile = here(options.parser.value(options.record));
    const QString replayFile = here(options.parser.value(options.replay));
    const QString lineBroker = options.parser.value(options.line);
    QList<PortEntry> ports = parsePortOptions(options.parser.values(options.port));
    if (!workdir.isEmpty())
        ports = anchoredPorts(ports);
    PortList::setExtraPorts(ports);
    QString problem;
    if (!workdir.isEmpty() && !InstallPaths::enterWorkDir(workdir, &problem)) {
        fprintf(stderr, "grivant: %s\n", qPrintable(problem));
        PlainText::message(nullptr, QMessageBox::Critical, "Grivant", "Grivant cannot start: " + problem + '.');
        return 1;
    }

    // Set before the window is built: widgets with a style sheet of their own take the
    // application font rather than their parent's, so a later change would leave the flat
    // buttons and edits smaller than the rest of the window.
    QFont font = QApplication::font();
    font.setPointSize(13);
    QApplication::setFont(font);

    MainWindow w;
    w.setWindowIcon(QIcon(":/Resource/logo.icon"));
    w.setWindowTitle("Grivant");
    StartupProbe::install(w.connectionWindow());
    if (!recordFile.isEmpty())
        w.recordAtConnection(recordFile);
    if (!replayFile.isEmpty()) {
        QString error;
        if (!w.openSession(replayFile, &error) && !error.isEmpty()) {
            // The connection window stays: the tool is usable, the operator told why.
            fprintf(stderr, "grivant: %s\n", qPrintable(error));
            auto *box = new QMessageBox(QMessageBox::Warning, "Grivant", error, QMessageBox::Ok,
                                        w.connectionWindow());
            box->setTextFormat(Qt::PlainText);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->show();
        }
    }
    if (!lineBroker.isEmpty())
        w.showLineView(lineBroker);
    // The window shows itself once a device is connected; until then only the connection
    // window is open.

    if (QuitOnSignal::received())
        return 0;
    return a.exec();
}
