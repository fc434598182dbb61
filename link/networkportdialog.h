#pragma once

#include "link/portaddress.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// "Network device…": the host, port and framing of a device on the network (and for a
// device server its line to the devices, and a time-out), written out as the address the
// port list, grivantctl and the gateway take. OK stays off while the address does not
// parse; the reason shows under it.
class NetworkPortDialog : public QDialog
{
    Q_OBJECT

public:
    explicit NetworkPortDialog(QWidget *parent = nullptr);

    // Fills the fields from an address (a network port; anything else leaves them).
    void setAddress(const PortAddress &address);
    // The address the fields make, and whether it parses.
    PortAddress address() const;
    QString addressText() const;
    bool isAcceptable() const;

    QLineEdit *hostEdit() const { return m_host; }
    QSpinBox *portBox() const { return m_port; }
    QComboBox *framingBox() const { return m_framing; }
    QComboBox *lineBox() const { return m_line; }
    QSpinBox *timeoutBox() const { return m_timeout; }

private:
    void update();
    void framingChanged();

    QLineEdit *m_host = nullptr;
    QSpinBox *m_port = nullptr;
    QComboBox *m_framing = nullptr;
    QComboBox *m_line = nullptr;
    QSpinBox *m_timeout = nullptr;
    QLabel *m_result = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QString m_why;
};
