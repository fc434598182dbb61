#include "app/mainwindow.h"
void MainWindow::slot_IOParam_Changed(QString) {}
