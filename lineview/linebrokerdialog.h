#pragma once

#include "lineview/linefeed.h"

#include <QDialog>

class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;

// The broker's login and TLS, as the gateway takes them: a user name with a password (kept
// for this run only) or a password file, a CA file for TLS and a client certificate with its
// key.
class LineBrokerDialog : public QDialog
{
    Q_OBJECT

public:
    LineBrokerDialog(const LineBroker &broker, QWidget *parent = nullptr);
    // The broker as given; host and port are left as they were.
    LineBroker broker() const;

private:
    QLineEdit *fileEdit(const QString &name);
    void retranslate();

    LineBroker m_broker;
    QFormLayout *m_form;
    QLineEdit *m_username;
    QLineEdit *m_password;
    QLineEdit *m_passwordFile;
    QLineEdit *m_caFile;
    QLineEdit *m_certFile;
    QLineEdit *m_keyFile;
    QLabel *m_note;
    QDialogButtonBox *m_buttons;
};
