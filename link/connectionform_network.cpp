// The connection window's network ports: the "Network device…" entry of the port list, the
// ports it adds (remembered by the main window), and the link to a device on the network,
// which reports as the serial link does so that the polling engine, the dispatch, the
// recording and the traffic monitor go on as they are.
#include "link/connectionform.h"
#include "ui_connectionform.h"

#include "link/leaseprotocol.h"
#include "link/networklink.h"
#include "link/networkportdialog.h"
#include "link/portaddress.h"
#include "link/processlog.h"

#include <QDebug>
#include <QLabel>
#include <QModbusRtuSerialMaster>

namespace {
// The data of the port list's "Network device…" entry.
const char *const NetworkEntry = "network-device";
const char *const Plain = "QLabel{color:#2D3E50;}";
} // namespace

bool ConnectionForm::isNetworkLinkPort() const
{
    return PortAddresses::looksLikeNetwork(m_portName);
}

bool ConnectionForm::networkConnected() const
{
    return m_network && m_network->isConnected();
}

void ConnectionForm::connectNetwork()
{
    // One link at a time: a serial one open before is closed first.
    if (m_master && m_master->state() == QModbusDevice::ConnectedState) {
        adapterClosing();
        m_master->disconnectDevice();
    }
    if (!m_network) {
        m_network = new NetworkLink(m_traffic, this);
        connect(m_network, &NetworkLink::stateChanged, this, &ConnectionForm::SendConnectiomState);
        connect(m_network, &NetworkLink::frame, m_traffic, &TrafficTap::add);
        connect(m_network, &NetworkLink::opened, this, [this](bool ok, const QString &why) {
            appendLog(LinkText::connectLogLine(ok, m_network->port(), m_baudRate, m_parity, m_stopBits, m_slaveId)
                      + QLatin1Char('\n'));
            if (!ok)
                appendLog(QStringLiteral("\t %1\n").arg(why));
            ui->pB_Connect->setEnabled(true);
            showAdapter();
            if (m_blockPending) {
                m_blockPending = false;
                // A gateway's device identified itself through the lease.
                const QByteArray block = m_pendingBlock.isEmpty() ? m_network->identification() : m_pendingBlock;
                if (!block.isEmpty())
                    emit SendGripperInfo(block);
            }
        });
        connect(m_network, &NetworkLink::readDone, this, [this](const QByteArray &reply, const QString &why) {
            if (reply.isEmpty())
                qDebug().noquote() << QStringLiteral("Read error: ") + why;
            emit SendReceviedData(reply);
        });
        connect(m_network, &NetworkLink::writeDone, this,
                [this](NetworkLink::WriteOutcome outcome, int exception, const QString &why) {
                    if (outcome == NetworkLink::WriteOutcome::Done) {
                        emit SendReceviedData(QByteArrayLiteral("ok"));
                        return;
                    }
                    qDebug().noquote() << QStringLiteral("Write response error: ") + why;
                    if (outcome == NetworkLink::WriteOutcome::Refused)
                        emit SendWriteRefused(exception);
                    emit SendReceviedData(QByteArray());
                });
        // Lost and back once each, not at every request in between.
        connect(m_network, &NetworkLink::reachability, this, [this](const QString &why) {
            appendLog(why.isEmpty() ? tr("Connection back:\t %1\n").arg(m_network->port())
                                    : tr("Connection lost:\t %1 (%2); trying again with growing pauses\n")
                                          .arg(m_network->port(), why));
        });
    }
    if (isGatewayLinkPort()) {
        LeaseTransport::Settings lease;
        LeaseProtocol::parseAddress(m_portName, &lease.address, nullptr);
        lease.broker = m_gatewayLogins.value(m_portName);
        lease.id = m_slaveId;
        lease.answerWaitMs = NetworkLink::windowAnswerWaitMs(QString(), nullptr);
        m_network->openGateway(lease);
        return;
    }
    QString note;
    NetworkLink::windowAnswerWaitMs(m_portName, &note);
    if (!note.isEmpty())
        appendLog(QStringLiteral("\t %1\n").arg(note));
    m_network->open(m_portName);
}

bool ConnectionForm::closeNetwork()
{
    m_blockPending = false;
    if (!m_network || m_network->state() == 0)
        return false;
    m_network->close();
    showAdapter();
    return true;
}

void ConnectionForm::networkRead(int address, quint16 count)
{
    if (!m_network->read(m_slaveId, address, count)) {
        qDebug().noquote() << QStringLiteral("Read error: the request before is still on its way");
        emit SendReceviedData(QByteArray());
    }
}

void ConnectionForm::networkWrite(int address, const QVector<quint16> &values)
{
    if (!m_network->write(m_slaveId, address, values))
        qDebug().noquote() << QStringLiteral("Write error: the request before is still on its way");
}

// The serial link opens at once; a network one when its connection is made. The device's
// identification follows the connection either way.
void ConnectionForm::connectAndIdentify(const QByteArray &block)
{
    ComPort_Connect();
    if (isNetworkLinkPort() && m_network && m_network->state() == 1) {
        m_pendingBlock = block;
        m_blockPending = true;
        return;
    }
    emit SendGripperInfo(block);
}

void ConnectionForm::createNetworkEntry()
{
    ui->comB_Port->addItem(tr("Network device…"), QLatin1String(NetworkEntry));
    connect(ui->comB_Port, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (index == networkEntryIndex())
            chooseNetworkDevice(m_portIndex);
    });
    connect(ui->comB_Port, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (index != networkEntryIndex() && index != gatewayEntryIndex())
            m_portIndex = index;
    });
}

int ConnectionForm::networkEntryIndex() const
{
    return ui->comB_Port->findData(QLatin1String(NetworkEntry));
}

void ConnectionForm::chooseNetworkDevice(int previousIndex)
{
    NetworkPortDialog dialog(this);
    PortAddress chosen;
    if (PortAddresses::parse(ui->comB_Port->itemData(previousIndex).toString(), &chosen, nullptr))
        dialog.setAddress(chosen);
    if (dialog.exec() == QDialog::Accepted && addNetworkPort(dialog.addressText()))
        return;
    ui->comB_Port->setCurrentIndex(previousIndex);
}

bool ConnectionForm::addNetworkPort(const QString &text, QString *why)
{
    PortAddress address;
    if (!PortAddresses::parse(text, &address, why) || !address.isNetwork()) {
        if (why && address.serialPort == text.trimmed())
            *why = tr("%1 is no network port").arg(text);
        return false;
    }
    const QString name = address.text();
    if (!m_networkPorts.contains(name)) {
        m_networkPorts.insert(name, address.framingName());
        emit networkPortsChanged(m_networkPorts.keys());
        scanport();
    }
    ui->comB_Port->setCurrentIndex(ui->comB_Port->findData(name));
    return true;
}

void ConnectionForm::setNetworkPorts(const QStringList &addresses)
{
    for (const QString &text : addresses) {
        PortAddress address;
        if (PortAddresses::parse(text, &address, nullptr) && address.isNetwork())
            m_networkPorts.insert(address.text(), address.framingName());
    }
    scanport();
}

// The adapter line for a network port: what speaks at the address, and that its line
// settings are the device server's. False for a serial port.
bool ConnectionForm::showNetworkAdapter()
{
    const bool linked = m_network && m_network->state() != 0;
    const QString port = linked ? m_network->port() : ui->comB_Port->currentData().toString();
    if (showGatewayAdapter(port))
        return true;
    if (port == QLatin1String(NetworkEntry)) {
        m_adapterLabel->setText(tr("Network: give the address of a device server or a Modbus TCP device."));
        m_adapterLabel->setToolTip(QString());
        m_adapterLabel->setStyleSheet(QLatin1String(Plain));
        return true;
    }
    PortAddress address;
    if (!PortAddresses::looksLikeNetwork(port) || !PortAddresses::parse(port, &address, nullptr))
        return false;
    QStringList parts;
    parts << (address.kind == PortAddress::Kind::ModbusTcp
                  ? tr("Network: Modbus TCP device at %1").arg(address.endpoint())
                  : tr("Network: device server at %1, RTU over TCP").arg(address.endpoint()));
    if (address.downstreamBaud > 0)
        parts << tr("its line %1 baud").arg(address.downstreamBaud);
    parts << tr("line settings are the device server's");
    const QString line = parts.join(QStringLiteral(" \u00B7 "));
    m_adapterLabel->setText(m_adapterLabel->fontMetrics().elidedText(line, Qt::ElideRight, m_adapterLabel->width()));
    m_adapterLabel->setToolTip(
        tr("%1\nThe search tries the IDs only: baud rate, parity and stop bits do not apply to a network port. "
           "A connection that ends is made again with growing pauses; the process log tells when the device "
           "server cannot be reached, apart from devices that do not answer behind it.")
            .arg(port));
    m_adapterLabel->setStyleSheet(QLatin1String(Plain));
    return true;
}
