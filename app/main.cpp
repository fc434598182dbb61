#include "app/mainwindow.h"
#include "app/portoption.h"
#include "app/startupprobe.h"
#include "link/connectionform.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFont>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication a(argc, argv);
    QApplication::setApplicationVersion(GRIVANT_VERSION);
    QGuiApplication::setQuitOnLastWindowClosed(true);

    QCommandLineParser parser;
    parser.setApplicationDescription("Grivant User Interface");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption portOption(
        "port",
        "Also list the serial port PATH (a pseudo-terminal or a by-id link), "
        "optionally with a DESCRIPTION. May be given more than once.",
        "PATH[=DESCRIPTION]");
    parser.addOption(portOption);
    parser.process(a);

    PortList::setExtraPorts(parsePortOptions(parser.values(portOption)));

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
    // The window shows itself once a device is connected; until then only the connection
    // window is open.

    return a.exec();
}
