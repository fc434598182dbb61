#include "app/mainwindow.h"
void MainWindow::initPlots() {}
void MainWindow::addPlotSample(QCustomPlot *, double) {}
void MainWindow::showGripState(int) {}
