#include "lineview/linebrokerdialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QVBoxLayout>

LineBrokerDialog::LineBrokerDialog(const LineBroker &broker, QWidget *parent)
    : QDialog(parent), m_broker(broker)
{
    setObjectName(QStringLiteral("LineBrokerDialog"));
    m_username = new QLineEdit(broker.username, this);
    m_username->setObjectName(QStringLiteral("lE_Username"));
    m_password = new QLineEdit(broker.password, this);
    m_password->setObjectName(QStringLiteral("lE_Password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_passwordFile = fileEdit(QStringLiteral("lE_PasswordFile"));
    m_passwordFile->setText(broker.passwordFile);
    m_caFile = fileEdit(QStringLiteral("lE_CaFile"));
    m_caFile->setText(broker.caFile);
    m_certFile = fileEdit(QStringLiteral("lE_CertFile"));
    m_certFile->setText(broker.certFile);
    m_keyFile = fileEdit(QStringLiteral("lE_KeyFile"));
    m_keyFile->setText(broker.keyFile);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);

    m_form = new QFormLayout;
    for (QWidget *w : {m_username, m_password, m_passwordFile, m_caFile, m_certFile, m_keyFile})
        m_form->addRow(QString(), w);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_form);
    layout->addWidget(m_note);
    layout->addWidget(m_buttons);
    setMinimumWidth(520);
    retranslate();
}

QLineEdit *LineBrokerDialog::fileEdit(const QString &name)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(name);
    QAction *browse = edit->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
    connect(browse, &QAction::triggered, this, [this, edit] {
        const QString file = QFileDialog::getOpenFileName(this, QString(), edit->text());
        if (!file.isEmpty())
            edit->setText(file);
    });
    return edit;
}

void LineBrokerDialog::retranslate()
{
    setWindowTitle(tr("Broker login and TLS"));
    const QString labels[] = {tr("User name:"), tr("Password:"), tr("or password file:"), tr("CA file (TLS):"),
                              tr("Client certificate:"), tr("Client key:")};
    for (int row = 0; row < m_form->rowCount(); ++row)
        if (auto *label = qobject_cast<QLabel *>(m_form->itemAt(row, QFormLayout::LabelRole)
                                                     ? m_form->itemAt(row, QFormLayout::LabelRole)->widget()
                                                     : nullptr))
            label->setText(labels[row]);
    m_note->setText(tr("The password is kept until the program ends, never stored; a password file is read "
                       "at each connection (its first line). With a CA file the broker is reached over TLS, "
                       "at port 8883 unless the address names another."));
}

LineBroker LineBrokerDialog::broker() const
{
    LineBroker b = m_broker;
    b.username = m_username->text().trimmed();
    b.password = m_password->text();
    b.passwordFile = m_passwordFile->text().trimmed();
    b.caFile = m_caFile->text().trimmed();
    b.certFile = m_certFile->text().trimmed();
    b.keyFile = m_keyFile->text().trimmed();
    return b;
}
