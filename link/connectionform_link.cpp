// The Modbus-RTU link of the connection window: connection parameters, opening and closing
// the serial line, holding-register reads and writes, and the replies as byte arrays.
#include "link/connectionform.h"
#include "ui_connectionform.h"

#include "link/modbusexception.h"
#include "link/modbusclient.h"
#include "link/modbusframe.h"
#include "link/portidentity.h"
#include "link/processlog.h"

#include "link/traffic.h"

#include <QDateTime>
#include <QDebug>
#include <QModbusDataUnit>
#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QSerialPort>
#include <QVariant>

namespace {
constexpr int ReplyTimeoutMs = 150;
// Properties of a reply: the request frame shown in the traffic monitor, and the request
// as it went on the wire, which its answer has to fit.
const char *const TrafficRequestProperty = "trafficRequest";
const char *const WireRequestProperty = "wireRequest";

QString hex(int value)
{
    return QString::number(value, 16);
}

// The answer the master took for a reply, rebuilt as it came over the line.
QByteArray answerFrame(const QModbusReply *reply)
{
    return TrafficAdu::response(quint8(reply->serverAddress()), reply->rawResult());
}

// The master takes any intact answer of the right server and function for the request it
// waits on. After a device fell silent for a while, its late answer to a request that
// timed out meets the next request: taken as it stands, 14 feedback registers would be
// shown, dispatched and recorded as registers from 0x0000 on.
bool isStale(const QModbusReply *reply)
{
    if (reply->error() != QModbusDevice::NoError)
        return false;
    const QByteArray request = reply->property(WireRequestProperty).toByteArray();
    return !request.isEmpty() && !ModbusFrame::answerFitsRequest(answerFrame(reply), request);
}
} // namespace

QByteArray LinkText::readReplyBytes(int startAddress, int valueCount, const QVector<quint16> &values)
{
    QByteArray out;
    const int count = valueCount & 0xFF;
    out.reserve(3 + 2 * count);
    out.append(char((startAddress >> 8) & 0xFF));
    out.append(char(startAddress & 0xFF));
    out.append(char(count));
    for (int i = 0; i < count; ++i) {
        const quint16 v = i < values.size() ? values.at(i) : quint16(0);
        out.append(char(v >> 8));
        out.append(char(v & 0xFF));
    }
    return out;
}

QString LinkText::connectLogLine(bool ok, const QString &port, int baudRate, int parity,
                                 int stopBits, int slaveId)
{
    const QString pattern = ok ? ProcessLog::tr("Connect successful:\t %1,%2,%3,%4,%5")
                               : ProcessLog::tr("Connect failed:\t %1,%2,%3,%4,%5");
    return pattern.arg(port, QString::number(baudRate), QString::number(parity),
                       QString::number(stopBits), QString::number(slaveId));
}

void ConnectionForm::createLink()
{
    qRegisterMetaType<quint16>("uint16_t");
    qRegisterMetaType<quint16>("QSerialPort::SerialPortError");

    m_master = new QModbusRtuSerialMaster(this);
    if (!m_master) {
        qDebug().noquote() << "could not create Modbus master.";
        return;
    }
    auto reportError = [this](QModbusDevice::Error error) {
        qDebug().noquote() << m_master->errorString();
        // A port that fails to read or has gone away (adapter unplugged) keeps reporting the
        // same error without end while the master stays "connected": close the link so
        // that its users see the disconnection.
        if ((error == QModbusDevice::ReadError || error == QModbusDevice::ConnectionError)
            && m_master->state() == QModbusDevice::ConnectedState) {
            appendLog(ProcessLog::tr("Connection lost:\t %1 (%2)\n")
                          .arg(m_portName, m_master->errorString()));
            m_master->disconnectDevice();
        }
    };
    auto forwardState = [this](QModbusDevice::State state) { emit SendConnectiomState(int(state)); };
    m_masterConnections << connect(m_master, &QModbusDevice::errorOccurred, m_master, reportError)
                        << connect(m_master, &QModbusDevice::stateChanged, m_master, forwardState);
}

void ConnectionForm::setLinkParameters(const QString &port, int baudRate, quint8 parity,
                                       quint8 stopBits, quint8 slaveId)
{
    m_portName = port;
    m_baudRate = baudRate;
    m_parity = parity;
    m_stopBits = stopBits;
    m_slaveId = slaveId;
}

void ConnectionForm::ComPort_Connect()
{
    if (isNetworkLinkPort()) {
        connectNetwork();
        return;
    }
    closeNetwork();
    if (!m_master)
        return;
    if (m_master->state() == QModbusDevice::ConnectedState)
        m_master->disconnectDevice();
    if (m_master->state() != QModbusDevice::ConnectedState) {
        // Even parity reaches the far end of a pseudo-terminal as none whatever is asked, and
        // asking for it fails when nothing else changes with it (a port left set up by a
        // program that ended without closing it): the same line is asked for none. Odd
        // would fail the same way where that program left it odd: a pseudo-terminal is
        // opened at none and then asked for its parity (see setLineParity).
        const bool pseudoTerminal = PortIdentity::isPseudoTerminal(m_portName);
        const QSerialPort::Parity parity = pseudoTerminal && m_parity == QSerialPort::EvenParity
                                               ? QSerialPort::NoParity
                                               : QSerialPort::Parity(m_parity);
        m_master->setConnectionParameter(QModbusDevice::SerialPortNameParameter,
                                         PortIdentity::serialPortName(m_portName));
        m_master->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, m_baudRate);
        m_master->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, QSerialPort::Data8);
        m_master->setConnectionParameter(QModbusDevice::SerialParityParameter,
                                         pseudoTerminal ? int(QSerialPort::NoParity) : int(parity));
        m_master->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, int(m_stopBits));
        m_master->setTimeout(ReplyTimeoutMs);
        m_master->setNumberOfRetries(0);
        // The master only ever raises its silent interval between frames; recompute it for
        // the baud rate of this connection so that an earlier slow line does not linger.
        m_master->setInterFrameDelay(-1);
        m_trafficLine = TrafficText::line(m_portName, m_baudRate, m_parity, m_stopBits);

        bool ok = m_master->connectDevice();
        if (ok && pseudoTerminal) {
            auto *port = m_master->findChild<QSerialPort *>();
            ok = port && port->isOpen() && setLineParity(*port, parity);
            if (!ok)
                m_master->disconnectDevice();
        }
        QString line = LinkText::connectLogLine(ok, m_portName, m_baudRate, m_parity, m_stopBits,
                                                m_slaveId);
        appendLog(line + QLatin1Char('\n'));
        if (!ok && LinkText::lacksAccess(m_portName))
            appendLog(LinkText::permissionAdvice(m_portName, LinkText::owningGroup(m_portName)));
        if (ok)
            adapterOpened();
    }
    ui->pB_Connect->setEnabled(true);
}

void ConnectionForm::ComPort_Disconnect()
{
    if (closeNetwork())
        emit SendConnectiomState(QModbusDevice::ClosingState);
    if (!m_master)
        return;
    if (m_master->state() == QModbusDevice::ConnectedState) {
        m_master->disconnectDevice();
        emit SendConnectiomState(QModbusDevice::ClosingState);
    }
    if (m_offline) {
        m_offline = false;
        emit SendConnectiomState(QModbusDevice::ClosingState);
    }
}

void ConnectionForm::Read_Register(int address, quint16 number)
{
    if (networkConnected()) {
        networkRead(address, number);
        return;
    }
    if (!m_master || m_master->state() != QModbusDevice::ConnectedState)
        return;
    const QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, address, number);
    QModbusReply *reply = m_master->sendReadRequest(unit, m_slaveId);
    if (!reply) {
        qDebug().noquote() << QStringLiteral("Read error: ") + m_master->errorString();
        emit SendReceviedData(QByteArray());
        return;
    }
    if (reply->isFinished()) {
        delete reply;
        return;
    }
    const QByteArray request = TrafficAdu::readRequest(m_slaveId, quint16(address), number);
    reply->setProperty(WireRequestProperty, request);
    if (m_traffic->isListening())
        tapRequest(reply, request, address, number);
    // Queued: the master starts its silence before the next request only once the
    // finished signal has returned, so decoding the reply there would lengthen every
    // transaction by the time the window takes to show it.
    connect(reply, &QModbusReply::finished, this, &ConnectionForm::readReady, Qt::QueuedConnection);
}

void ConnectionForm::readReady()
{
    auto *reply = qobject_cast<QModbusReply *>(sender());
    if (!reply)
        return;
    const bool stale = isStale(reply);
    if (m_traffic->isListening())
        tapAnswer(reply, stale);
    if (stale) {
        discardStale(reply, QStringLiteral("Read error: "));
        emit SendReceviedData(QByteArray());
    } else if (reply->error() == QModbusDevice::NoError) {
        const QModbusDataUnit unit = reply->result();
        emit SendReceviedData(LinkText::readReplyBytes(unit.startAddress(), int(unit.valueCount()),
                                                       unit.values()));
    } else if (reply->error() == QModbusDevice::ProtocolError) {
        qDebug().noquote() << QStringLiteral("Read response error: %1 (Mobus exception: 0x%2)")
                                  .arg(reply->errorString(), hex(modbusExceptionCode(reply->rawResult())));
        emit SendReceviedData(QByteArray());
    } else {
        qDebug().noquote() << QStringLiteral("Read error: %1 (code: 0x%2)")
                                  .arg(reply->errorString(), hex(reply->error()));
        emit SendReceviedData(QByteArray());
    }
    reply->deleteLater();
}

void ConnectionForm::Write_SingleRegister(int address, quint16 Value)
{
    sendWrite(address, QVector<quint16>{Value});
}

void ConnectionForm::Write_MutipRegister(int address, QVector<quint16> ValueArray)
{
    sendWrite(address, ValueArray);
}

void ConnectionForm::sendWrite(int address, const QVector<quint16> &values)
{
    if (networkConnected()) {
        networkWrite(address, values);
        return;
    }
    if (!m_master || m_master->state() != QModbusDevice::ConnectedState)
        return;
    QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, address, values);
    QModbusReply *reply = m_master->sendWriteRequest(unit, m_slaveId);
    if (!reply) {
        qDebug().noquote() << QStringLiteral("Write error: ") + m_master->errorString();
        return;
    }
    if (reply->isFinished()) {
        emit SendReceviedData(QByteArray());
        reply->deleteLater();
        return;
    }
    const QByteArray request = TrafficAdu::writeRequest(m_slaveId, quint16(address), values);
    reply->setProperty(WireRequestProperty, request);
    if (m_traffic->isListening())
        tapRequest(reply, request, address, values.size());
    connect(reply, &QModbusReply::finished, this, [this, reply]() { writeFinished(reply); },
            Qt::QueuedConnection);
}

void ConnectionForm::writeFinished(QModbusReply *reply)
{
    const bool stale = isStale(reply);
    if (m_traffic->isListening())
        tapAnswer(reply, stale);
    if (stale) {
        // Whether the device carried the write out is not known: it counts as unanswered.
        discardStale(reply, QStringLiteral("Write response error: "));
        emit SendReceviedData(QByteArray());
    } else if (reply->error() == QModbusDevice::ProtocolError) {
        const int exception = modbusExceptionCode(reply->rawResult());
        qDebug().noquote() << QStringLiteral("Write response error: %1 (Mobus exception: 0x%2)")
                                  .arg(reply->errorString(), hex(exception));
        if (modbusAnswered(reply->rawResult()))
            emit SendWriteRefused(exception);
        emit SendReceviedData(QByteArray());
    } else if (reply->error() != QModbusDevice::NoError) {
        qDebug().noquote() << QStringLiteral("Write response error: %1 (code: 0x%2)")
                                  .arg(reply->errorString(), hex(reply->error()));
        emit SendReceviedData(QByteArray());
    } else {
        emit SendReceviedData(QByteArrayLiteral("ok"));
    }
    reply->deleteLater();
}

// Late answers queued behind this one need nothing more: the master drops what has arrived
// before it sends its next request.
void ConnectionForm::discardStale(const QModbusReply *reply, const QString &prefix)
{
    qDebug().noquote() << prefix + QStringLiteral("discarded a late answer to an earlier request: ")
                              + QString::fromLatin1(answerFrame(reply).toHex(' '));
}

bool ConnectionForm::isLinkConnected() const
{
    if (networkConnected())
        return true;
    return m_master && m_master->state() == QModbusDevice::ConnectedState;
}

uint32_t ConnectionForm::GetGripperBaudRate()
{
    return uint32_t(m_baudRate);
}

// The master sends the request once its silence between frames has passed, a few
// milliseconds after it was handed over; the frame is stamped at the hand-over.
void ConnectionForm::tapRequest(QModbusReply *reply, const QByteArray &frame, int address, int count)
{
    TrafficFrame f;
    stampTraffic(f);
    f.direction = TrafficFrame::Sent;
    f.server = m_slaveId;
    f.function = quint8(frame.at(1));
    f.address = address;
    f.count = quint16(count);
    f.port = m_trafficLine;
    f.bytes = frame;
    m_traffic->add(f);
    reply->setProperty(TrafficRequestProperty, QVariant::fromValue(f));
}

// The answer is rebuilt from its PDU under the server address of the request: the master
// takes no answer from another server.
void ConnectionForm::tapAnswer(QModbusReply *reply, bool stale)
{
    const QVariant request = reply->property(TrafficRequestProperty);
    if (!request.isValid())
        return; // sent while nobody listened
    TrafficFrame f = request.value<TrafficFrame>();
    stampTraffic(f);
    const QModbusResponse raw = reply->rawResult();
    if (stale) {
        // Shown as what it is, without its bytes: a frame of the line, but no answer to
        // this request, and nothing that reads it as one (recording, export, replay) may
        // take its registers.
        f.direction = TrafficFrame::NoAnswer;
        f.bytes.clear();
        f.note = TrafficText::staleAnswer(answerFrame(reply));
    } else if (modbusAnswered(raw)) {
        // An exception answer does not count as a valid PDU to Qt, yet it came over the line.
        f.direction = TrafficFrame::Received;
        f.bytes = TrafficAdu::response(quint8(reply->serverAddress()), raw);
    } else {
        f.direction = TrafficFrame::NoAnswer;
        f.bytes.clear();
        if (reply->error() == QModbusDevice::TimeoutError)
            f.waitedMs = m_master->timeout();
        else
            f.note = reply->errorString();
    }
    m_traffic->add(f);
}
