#include "app/mainwindow.h"
void MainWindow::RefreshRegisterValue(QByteArray) {}
void MainWindow::updateControlEnableState() {}
