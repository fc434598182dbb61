// The connection window's way to a device of a running gateway's bus: the "Through a
// gateway…" entry of the port list, and the device leased through the broker over the
// network link, which reports as every other link does: the polling engine, the dispatch,
// the recording and the traffic monitor go on as they are.
#include "link/connectionform.h"
#include "ui_connectionform.h"

#include "link/leaseprotocol.h"
#include "link/networklink.h"

#include <QLabel>

namespace {
// The data of the port list's "Through a gateway…" entry.
const char *const GatewayEntry = "gateway-device";
const char *const Plain = "QLabel{color:#2D3E50;}";
} // namespace

void ConnectionForm::createGatewayEntry()
{
    ui->comB_Port->addItem(tr("Through a gateway…"), QLatin1String(GatewayEntry));
    connect(ui->comB_Port, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (index != gatewayEntryIndex())
            return;
        // The entry only asks; the port chosen before stays chosen.
        ui->comB_Port->setCurrentIndex(m_portIndex);
        emit gatewayDeviceWanted();
    });
}

int ConnectionForm::gatewayEntryIndex() const
{
    return ui->comB_Port->findData(QLatin1String(GatewayEntry));
}

bool ConnectionForm::isGatewayLinkPort() const
{
    return LeaseProtocol::looksLikeAddress(m_portName);
}

bool ConnectionForm::connectThroughGateway(const MqttClient::Settings &broker, const QString &address, int id,
                                           QString *why)
{
    LeaseProtocol::Address parsed;
    if (!LeaseProtocol::parseAddress(address, &parsed, why))
        return false;
    if (id < 1 || id > 247) {
        if (why)
            *why = tr("ID %1 is no device ID (1 to 247)").arg(id);
        return false;
    }
    const QString port = parsed.text();
    m_gatewayLogins.insert(port, broker);
    ComPort_Disconnect();
    // The bus's line is the gateway's: what the window shows of it comes with the lease.
    setLinkParameters(port, m_baudRate, quint8(m_parity), quint8(m_stopBits), quint8(id));
    appendLog(tr("Through gateway %1, bus %2, ID %3: asking the broker at %4 for its lease\n")
                  .arg(parsed.gateway, parsed.bus, QString::number(id),
                       QStringLiteral("%1:%2").arg(broker.host, QString::number(broker.port))));
    connectAndIdentify(QByteArray());
    return true;
}

// The adapter line for a gateway's bus: where the device is, and that the gateway keeps its
// line. False for any other port.
bool ConnectionForm::showGatewayAdapter(const QString &port)
{
    if (port == QLatin1String(GatewayEntry)) {
        m_adapterLabel->setText(tr("Gateway: a device of a running gateway's bus, leased through its broker."));
        m_adapterLabel->setToolTip(QString());
        m_adapterLabel->setStyleSheet(QLatin1String(Plain));
        return true;
    }
    LeaseProtocol::Address address;
    if (!LeaseProtocol::looksLikeAddress(port) || !LeaseProtocol::parseAddress(port, &address, nullptr))
        return false;
    const QString line = tr("Gateway %1, bus %2, ID %3 \u00B7 through the broker at %4 \u00B7 the line is the gateway's")
                             .arg(address.gateway, address.bus, QString::number(m_slaveId), address.host);
    m_adapterLabel->setText(m_adapterLabel->fontMetrics().elidedText(line, Qt::ElideRight, m_adapterLabel->width()));
    m_adapterLabel->setToolTip(
        tr("%1, ID %2\nWhile the window is connected the gateway lends the device to it alone: it does not poll it, "
           "shows it as leased, and passes the window's requests to it between the polls of the other devices of "
           "its bus. The lease ends when the window disconnects, or by itself if the window goes away.")
            .arg(port, QString::number(m_slaveId)));
    m_adapterLabel->setStyleSheet(QLatin1String(Plain));
    return true;
}
