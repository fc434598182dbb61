#include "app/mainwindow.h"
void MainWindow::buildRegisterTables() {}
void MainWindow::tablecelldoubleclick(int, int) {}
