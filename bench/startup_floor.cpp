// The floor of the start-up benchmark: the least a Qt widget program does to show a window
// (an application object, a main window with a label), started and probed like the tool.
#include "app/startupprobe.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Grivant"), &window));
    window.resize(661, 681);
    StartupProbe::install(&window);
    window.show();
    return app.exec();
}
