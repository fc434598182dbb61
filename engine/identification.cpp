#include "app/mainwindow.h"
void MainWindow::getGripperInfo(QByteArray) {}
void MainWindow::GripperConnectstate(int) {}
