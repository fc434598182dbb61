// A device of a running gateway's bus from the main window: "Through a gateway…" in the
// connection window asks here for the broker and the device, and the connection window
// leases it; the Line view may ask for one by name.
#include "app/mainwindow.h"
#include "app/plaintext.h"

#include "link/connectionform.h"
#include "link/gatewaydialog.h"
#include "link/leaseprotocol.h"
#include "lineview/linewindow.h"

#include <QMessageBox>

namespace {

// The connection's settings of a broker as the Line view and the dialog keep it; the
// password file is read now.
bool brokerSettings(LineBroker broker, MqttClient::Settings *settings, QString *why)
{
    if (!broker.prepare(why))
        return false;
    settings->host = broker.host;
    settings->port = broker.effectivePort();
    settings->username = broker.username;
    settings->password = broker.password;
    settings->caFile = broker.caFile;
    settings->certFile = broker.certFile;
    settings->keyFile = broker.keyFile;
    return true;
}

} // namespace

void MainWindow::chooseGatewayDevice()
{
    // The broker the Line view uses (remembered from the last run), until another one was
    // used here.
    if (m_gatewayBroker.host.isEmpty())
        m_gatewayBroker = lineWindow()->broker();
    GatewayDialog dialog(m_gatewayBroker, m_connectionForm);
    if (!m_gatewayBroker.host.isEmpty())
        dialog.showDevices();
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_gatewayBroker = dialog.broker();
    LeaseProtocol::Address chosen;
    QString why;
    if (!LeaseProtocol::parseAddress(dialog.address(), &chosen, &why)
        || !connectToGatewayDevice(m_gatewayBroker, chosen.gateway, chosen.bus, dialog.id(), &why))
        PlainText::message(m_connectionForm, QMessageBox::Warning, tr("Through a gateway"), why);
}

void MainWindow::diagnoseFromLine(const LineBroker &broker, const QString &gateway, const QString &bus, int id)
{
    QWidget *asking = m_lineWindow ? static_cast<QWidget *>(m_lineWindow) : this;
    // A device (or a replay) the window shows is left only when the operator says so.
    if ((isVisible() || m_connectionForm->isLinkConnected())
        && PlainText::message(asking, QMessageBox::Question, tr("Diagnose"),
                              tr("The main window shows another device. Disconnect it and open ID %1 of bus %2 "
                                 "on gateway %3 instead?")
                                  .arg(QString::number(id), bus, gateway),
                              QMessageBox::Yes | QMessageBox::No)
               != QMessageBox::Yes)
        return;
    if (isReplaying())
        closeSession();
    // The connection window tells how the lease goes; the main window follows once it holds.
    m_connectionForm->show();
    m_connectionForm->raise();
    m_connectionForm->activateWindow();
    QString why;
    if (!connectToGatewayDevice(broker, gateway, bus, id, &why))
        PlainText::message(asking, QMessageBox::Warning, tr("Diagnose"), why);
}

bool MainWindow::connectToGatewayDevice(const LineBroker &broker, const QString &gateway, const QString &bus, int id,
                                        QString *why)
{
    LeaseProtocol::Address address;
    address.host = broker.host;
    address.port = broker.port;
    address.gateway = gateway;
    address.bus = bus;
    MqttClient::Settings settings;
    return brokerSettings(broker, &settings, why)
           && m_connectionForm->connectThroughGateway(settings, address.text(), id, why);
}
