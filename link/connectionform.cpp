#include "link/connectionform.h"
#include "ui_connectionform.h"
ConnectionForm::ConnectionForm(QWidget *parent, QString) : QMainWindow(parent) {}
