#pragma once

#include "lineview/linefeed.h"
#include "lineview/linemonitor.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "Through a gateway…": a broker as the gateway takes it (address, login, TLS), then one
// device of a running gateway chosen from what the broker shows of the gateways: their
// retained info and availability, read as the Line view reads them. Only a device that is
// online can be chosen: an offline one does not answer, and a leased one is another
// client's until its lease ends.
class GatewayDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GatewayDialog(const LineBroker &broker, QWidget *parent = nullptr);

    LineBroker broker() const { return m_broker; }
    // The chosen device: mqtt://BROKER[:PORT]/GATEWAY/BUS, and its ID.
    QString address() const;
    int id() const;

    QLineEdit *brokerEdit() const { return m_address; }
    QPushButton *showButton() const { return m_show; }
    QTableWidget *deviceTable() const { return m_table; }
    LineMonitor *monitor() { return &m_monitor; }
    // Connects to the broker in the address field and lists what it shows.
    void showDevices();

private:
    void editLogin();
    void refresh();
    void linkChanged();
    void selectionChanged();
    void retranslate();

    LineBroker m_broker;
    LineMonitor m_monitor;
    QLineEdit *m_address;
    QPushButton *m_login;
    QPushButton *m_show;
    QLabel *m_status;
    QTableWidget *m_table;
    QLabel *m_note;
    QDialogButtonBox *m_buttons;
    QPushButton *m_connect;
};
