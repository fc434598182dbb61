#include "app/mainwindow.h"
#include "ui_mainwindow.h"
QTranslator *MainWindow::s_translator = nullptr;
MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow) { ui->setupUi(this); }
MainWindow::~MainWindow() { delete ui; }
void MainWindow::slot_advanced_ui(bool) {}
void MainWindow::slot_language(QString) {}
void MainWindow::GripperConnected(QString) {}
void MainWindow::showHelp() {}
void MainWindow::showAbout() {}
void MainWindow::changeLanguage(const QString &) {}
