#include "app/mainwindow.h"
bool MainWindow::copyQrcFile(const QString &, const QString &) { return false; }
void MainWindow::initRegistersDb() {}
void MainWindow::initGripperModelDb() {}
