#pragma once
#include <QMainWindow>
class ConnectionForm : public QMainWindow
{
    Q_OBJECT
public:
    ConnectionForm(QWidget *parent, QString language_label);
};
