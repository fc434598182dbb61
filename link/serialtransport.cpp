#include "link/serialtransport.h"

#include "link/modbusframe.h"
#include "link/portidentity.h"

#include <QElapsedTimer>
#include <QSerialPort>

#include <cmath>

namespace {
QString parityName(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity: return QStringLiteral("even parity");
    case QSerialPort::OddParity: return QStringLiteral("odd parity");
    case QSerialPort::MarkParity: return QStringLiteral("mark parity");
    case QSerialPort::SpaceParity: return QStringLiteral("space parity");
    default: return QStringLiteral("no parity");
    }
}

int remainingMs(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(1, deadline.remainingTime()));
}
} // namespace

SerialTransport::SerialTransport(const LineSettings &line) : m_line(line) {}

SerialTransport::~SerialTransport()
{
    close();
}

bool SerialTransport::open(QString *why)
{
    close();
    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(PortIdentity::serialPortName(m_line.port));
    if (!m_port->open(QIODevice::ReadWrite)) {
        if (why)
            *why = openFailureText(m_line.port, m_port->error(), m_port->errorString());
        m_port.reset();
        return false;
    }
    m_port->setDataTerminalReady(true);
    if (!reconfigure(m_line, why)) {
        close();
        return false;
    }
    m_adapter.opened(m_line.port, m_port->handle());
    m_echoes = false;
    return true;
}

bool SerialTransport::reconfigure(const LineSettings &line, QString *why)
{
    if (!isOpen())
        return false;
    m_line = line;
    QString refused;
    if (!m_port->setBaudRate(line.baudRate))
        refused = QStringLiteral("%1 baud").arg(line.baudRate);
    else if (!m_port->setDataBits(QSerialPort::Data8))
        refused = QStringLiteral("8 data bits");
    else if (!setLineParity(*m_port, line.parity))
        refused = parityName(line.parity);
    else if (!m_port->setStopBits(line.stopBits))
        refused = line.stopBits == QSerialPort::TwoStop ? QStringLiteral("2 stop bits") : QStringLiteral("1 stop bit");
    else if (!m_port->setFlowControl(QSerialPort::NoFlowControl))
        refused = QStringLiteral("no flow control");
    if (!refused.isEmpty()) {
        if (why)
            *why = QStringLiteral("%1 refuses %2 (%3)").arg(line.port, refused, m_port->errorString());
        return false;
    }
    m_port->clear();
    return true;
}

void SerialTransport::close()
{
    if (m_port && m_port->isOpen()) {
        m_adapter.closing();
        m_port->close();
    }
    m_port.reset();
}

bool SerialTransport::isOpen() const
{
    return m_port && m_port->isOpen();
}

QString SerialTransport::trafficPort() const
{
    return QStringLiteral("%1 %2").arg(m_line.port, lineSettingsText(m_line));
}

int SerialTransport::bitsPerCharacter() const
{
    return 1 + 8 + (m_line.parity == QSerialPort::NoParity ? 0 : 1) + (m_line.stopBits == QSerialPort::TwoStop ? 2 : 1);
}

int SerialTransport::wireMs(int bytes) const
{
    return int(std::ceil(1000.0 * bytes * bitsPerCharacter() / qMax(1, m_line.baudRate)));
}

// Bytes that nobody asked for would mix with the answer. A clean line costs nothing here:
// only when something is arriving does the request wait for a pause, and not for ever.
ModbusTransport::Ready SerialTransport::prepare(bool *unasked, QString *why)
{
    Q_UNUSED(why);
    m_port->clear(QSerialPort::Input);
    if (m_port->bytesAvailable() == 0 && !m_port->waitForReadyRead(0))
        return Ready::Yes;
    *unasked = true;
    const QDeadlineTimer limit(QuietLimitMs);
    do {
        m_port->readAll();
        if (limit.hasExpired())
            return Ready::Busy;
    } while (m_port->waitForReadyRead(DrainMs));
    return Ready::Yes;
}

bool SerialTransport::send(const QByteArray &request, QString *why)
{
    if (m_port->write(request) == request.size())
        return true;
    *why = QStringLiteral("%1: %2").arg(m_line.port, m_port->errorString());
    return false;
}

ModbusTransport::Received SerialTransport::receive(const QByteArray &request, int expected,
                                                   const QDeadlineTimer &deadline)
{
    // The request leaves as it is written, and is on the wire for its length.
    QElapsedTimer clock;
    clock.start();
    const qint64 requestEndNs = qint64(1e9 * request.size() * bitsPerCharacter() / qMax(1, m_line.baudRate));
    m_port->waitForBytesWritten(remainingMs(deadline));
    AnswerAssembly got(request, m_echoes);
    Received r;
    while (!deadline.hasExpired()) {
        if (m_port->bytesAvailable() == 0 && !m_port->waitForReadyRead(remainingMs(deadline))) {
            if (m_port->error() == QSerialPort::ResourceError)
                break; // the port went away
            continue;
        }
        got.add(m_port->readAll(), clock.nsecsElapsed());
        r.frame = got.answer();
        const bool exception = r.frame.size() >= 2 && (quint8(r.frame.at(1)) & 0x80);
        if (!got.awaitingEcho() && r.frame.size() >= (exception ? ModbusFrame::ExceptionAnswerSize : expected))
            break;
    }
    r.echoed = got.echoed();
    r.echoBroken = got.echoMissing();
    m_echoes = m_echoes || got.echoed();
    if (got.firstAnswerNs() >= 0)
        r.turnaroundMs = qMax<qint64>(0, got.firstAnswerNs() - requestEndNs) / 1e6;
    return r;
}

// Let the rest of a garbled or foreign answer pass before anything is sent again. Bytes
// that go on for longer than the longest frame are no answer of anyone's.
ModbusTransport::Ready SerialTransport::settle(int longestFrameMs, bool *unasked)
{
    const QDeadlineTimer limit(QuietLimitMs);
    const QDeadlineTimer longestFrame(longestFrameMs);
    while (m_port->waitForReadyRead(DrainMs)) {
        m_port->readAll();
        if (longestFrame.hasExpired())
            *unasked = true;
        if (limit.hasExpired())
            return Ready::Busy;
    }
    return Ready::Yes;
}
