#include "link/modbusclient.h"

#include "link/modbusframe.h"
#include "link/portaccess.h"
#include "link/portaddress.h"
#include "link/serialtransport.h"
#include "link/tcptransport.h"
#include "link/traffic.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <cmath>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace {
// The longest Modbus-RTU frame.
constexpr int MaxFrameBytes = 256;

// Before it opens a port, Qt takes a lock file named "LCK.." and the port's path with its
// slashes made underscores (a name under /dev/ without its /dev/). A path that makes that
// name longer than a file name may be fails as a "permission error", as a held lock does.
constexpr int MaxFileNameBytes = 255;

int lockFileNameBytes(const QString &port)
{
    QString name = port.startsWith(QLatin1String("/dev/")) ? port.mid(5) : port;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return int(QFile::encodeName(QStringLiteral("LCK..") + name).size());
}

char parityLetter(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity: return 'E';
    case QSerialPort::OddParity: return 'O';
    case QSerialPort::MarkParity: return 'M';
    case QSerialPort::SpaceParity: return 'S';
    default: return 'N';
    }
}
} // namespace

QString lineSettingsText(const LineSettings &line)
{
    PortAddress address;
    if (PortAddresses::looksLikeNetwork(line.port) && PortAddresses::parse(line.port, &address, nullptr)) {
        if (address.downstreamBaud > 0)
            return QStringLiteral("%1, %2 baud line").arg(address.framingName()).arg(address.downstreamBaud);
        return address.framingName();
    }
    return QStringLiteral("%1 8%2%3")
        .arg(line.baudRate)
        .arg(QLatin1Char(parityLetter(line.parity)))
        .arg(line.stopBits == QSerialPort::TwoStop ? 2 : 1);
}

bool parseParity(const QString &text, QSerialPort::Parity *parity)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("none") || t == QLatin1String("n"))
        *parity = QSerialPort::NoParity;
    else if (t == QLatin1String("even") || t == QLatin1String("e"))
        *parity = QSerialPort::EvenParity;
    else if (t == QLatin1String("odd") || t == QLatin1String("o"))
        *parity = QSerialPort::OddParity;
    else
        return false;
    return true;
}

QString openFailureText(const QString &port, QSerialPort::SerialPortError error,
                        const QString &systemText)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("cannot open %1: no such port (unplugged or misspelt?)").arg(port);
    case QSerialPort::PermissionError:
        // Qt reports a port that another program holds (its lock or exclusive open) as a
        // permission error too; only a missing access right is one. The advice names the
        // port and the missing right itself ("No permission to open ..."), in the
        // lower-case start of this program's other reasons.
        if (LinkText::lacksAccess(port)) {
            QString advice = LinkText::permissionAdvice(port, LinkText::owningGroup(port)).trimmed();
            if (!advice.isEmpty())
                advice[0] = advice.at(0).toLower();
            return advice;
        }
        if (lockFileNameBytes(port) > MaxFileNameBytes)
            return QStringLiteral("cannot open %1: the path is too long for the port's lock file, whose name "
                                  "holds the whole path (%2 bytes, where a file name may have %3); use a "
                                  "shorter path, for instance a symbolic link to it")
                .arg(port, QString::number(lockFileNameBytes(port)), QString::number(MaxFileNameBytes));
        return QStringLiteral("cannot open %1: busy, another program is using it (%2)")
            .arg(port, systemText);
    case QSerialPort::OpenError:
        return QStringLiteral("cannot open %1: already open").arg(port);
    default:
        return QStringLiteral("cannot open %1: %2").arg(port, systemText);
    }
}

void clearStaleOddFlag(QSerialPort &port)
{
#ifdef Q_OS_UNIX
    termios tio{};
    const int fd = int(port.handle());
    if (::tcgetattr(fd, &tio) == 0 && (tio.c_cflag & PARODD)) {
        tio.c_cflag &= ~tcflag_t(PARODD);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
#else
    Q_UNUSED(port);
#endif
}

bool setLineParity(QSerialPort &port, QSerialPort::Parity parity)
{
    clearStaleOddFlag(port);
    return port.setParity(parity);
}

// The reply is no class of its own to translators: its words are the master's.
QString ModbusClient::Reply::errorText() const
{
    if (!detail.isEmpty())
        return detail;
    switch (status) {
    case Status::Ok: return QString();
    case Status::NoAnswer:
        return echoed ? ModbusClient::tr("no answer (only the adapter's echo of the request came back)")
                      : ModbusClient::tr("no answer");
    case Status::Exception: {
        // The names of the standard exceptions are the traffic monitor's.
        const QString code = QStringLiteral("%1").arg(exception, 2, 16, QLatin1Char('0'));
        QString name = ModbusClient::tr("exception 0x%1").arg(code);
        if (const char *known = ModbusFrame::knownExceptionName(exception))
            name = QCoreApplication::translate("TrafficText", known);
        return ModbusClient::tr("device refused: %1 (exception 0x%2)").arg(name, code);
    }
    case Status::BadAnswer:
        if (unasked)
            return ModbusClient::tr("garbled answers, and bytes kept arriving unasked: the line is busy or noisy "
                                    "(another master, a device that sends by itself, or noise on the wires?)");
        if (echoBroken)
            return ModbusClient::tr("garbled answer (bad CRC or length); this adapter echoes what it sends, and "
                                    "what came first was no copy of the request");
        return ModbusClient::tr("garbled answer (bad CRC or length)");
    case Status::NotOpen: return ModbusClient::tr("port not open");
    case Status::LineBusy:
        return ModbusClient::tr("the line is busy or noisy: bytes kept arriving without a pause of %1 ms for %2 s "
                                "(another master, a device that sends by itself, or noise on the wires?)")
            .arg(ModbusTransport::DrainMs)
            .arg(ModbusTransport::QuietLimitMs / 1000.0);
    case Status::Interrupted: return ModbusClient::tr("not sent, stopped by a signal");
    case Status::Unreachable: return ModbusClient::tr("the device server cannot be reached");
    case Status::ConnectionLost: return ModbusClient::tr("the connection ended before the answer came");
    }
    return QString();
}

ModbusClient::ModbusClient() = default;

ModbusClient::~ModbusClient()
{
    close();
}

bool ModbusClient::open(const LineSettings &line, QString *why)
{
    close();
    PortAddress address;
    QString wrong;
    if (!PortAddresses::parse(line.port, &address, &wrong)) {
        if (why)
            *why = wrong;
        return false;
    }
    m_line = line;
    m_defaultAnswerWaitMs = address.answerWaitMs();
    if (!address.isNetwork()) {
        auto serial = std::make_unique<SerialTransport>(line);
        SerialTransport *port = serial.get();
        if (!open(std::move(serial), why))
            return false;
        m_serial = port;
        return true;
    }
    return open(std::make_unique<TcpTransport>(address), why);
}

bool ModbusClient::open(std::unique_ptr<ModbusTransport> transport, QString *why)
{
    m_serial = nullptr;
    m_transport.reset();
    if (!transport->open(why))
        return false;
    m_transport = std::move(transport);
    m_turnaround.clear();
    return true;
}

const AdapterSession &ModbusClient::adapter() const
{
    static const AdapterSession none;
    return m_serial ? m_serial->adapter() : none;
}

bool ModbusClient::echoes() const
{
    return m_serial && m_serial->echoes();
}

bool ModbusClient::reconfigure(const LineSettings &line, QString *why)
{
    if (!m_serial || !m_serial->isOpen()) {
        if (why && isNetwork())
            *why = tr("%1 is a network port: the device server keeps its own line settings").arg(m_line.port);
        return false;
    }
    m_line = line;
    return m_serial->reconfigure(line, why);
}

void ModbusClient::close()
{
    if (m_transport)
        m_transport->close();
    m_transport.reset();
    m_serial = nullptr;
}

bool ModbusClient::isOpen() const
{
    return m_transport && m_transport->isOpen();
}

bool ModbusClient::isNetwork() const
{
    return m_transport && m_transport->isNetwork();
}

int ModbusClient::answerWait() const
{
    return m_answerWaitMs >= 0 ? m_answerWaitMs : m_defaultAnswerWaitMs;
}

ModbusClient::Reply ModbusClient::read(int slave, quint16 start, quint16 count)
{
    return transact(Kind::Read, ModbusFrame::readRequest(slave, start, count), count);
}

ModbusClient::Reply ModbusClient::write(int slave, quint16 start, const QVector<quint16> &values)
{
    return transact(Kind::Write, ModbusFrame::writeRequest(slave, start, values), values.size());
}

ModbusClient::Reply ModbusClient::pass(int slave, const QByteArray &pdu, QByteArray *answer)
{
    answer->clear();
    Reply reply;
    if (pdu.size() < 5) {
        reply.status = Status::BadAnswer;
        return reply;
    }
    const quint8 function = quint8(pdu.at(0));
    const int count = function == ModbusFrame::WriteSingleRegister ? 1 : (quint8(pdu.at(3)) << 8 | quint8(pdu.at(4)));
    const QByteArray request = ModbusFrame::appendCrc(char(slave) + pdu);
    reply = transact(function == ModbusFrame::ReadHoldingRegisters ? Kind::Read : Kind::Write, request, count);
    // The answer passed every check against its request: what it carries is known.
    if (reply.status == Status::Exception) {
        answer->append(char(function | 0x80));
        answer->append(char(reply.exception));
    } else if (reply.ok() && function == ModbusFrame::ReadHoldingRegisters) {
        answer->append(char(function));
        answer->append(char(2 * reply.values.size()));
        for (quint16 v : reply.values) {
            answer->append(char(v >> 8));
            answer->append(char(v & 0xFF));
        }
    } else if (reply.ok()) {
        *answer = pdu.left(5);
    }
    return reply;
}

ModbusClient::Reply ModbusClient::transact(Kind kind, const QByteArray &request, int registerCount)
{
    Reply reply;
    bool unasked = false;
    for (int attempt = 0; attempt < m_attempts; ++attempt) {
        bool sent = false;
        Reply last = once(kind, request, registerCount, &sent);
        // A stop before a second try leaves the outcome of the request that did go out.
        if (last.status == Status::Interrupted && attempt > 0)
            break;
        unasked = unasked || last.unasked;
        reply = last;
        reply.unasked = unasked;
        // Over the network a write that went out is not sent again: the device may have
        // carried it out, and nothing on a network loses a request by itself.
        if (kind == Kind::Write && sent && isNetwork())
            break;
        if (reply.status != Status::NoAnswer && reply.status != Status::BadAnswer
            && reply.status != Status::ConnectionLost)
            break;
    }
    return reply;
}

ModbusClient::Reply ModbusClient::once(Kind kind, const QByteArray &request, int registerCount, bool *sent)
{
    Reply reply;
    if (!isOpen())
        return reply;
    if (m_stop && m_stop->load()) {
        reply.status = Status::Interrupted;
        return reply;
    }
    const quint8 function = quint8(request.at(1));
    const int expected = kind == Kind::Read ? ModbusFrame::readAnswerSize(registerCount)
                                            : ModbusFrame::WriteAnswerSize;

    QString why;
    switch (m_transport->prepare(&reply.unasked, &why)) {
    case ModbusTransport::Ready::Yes:
        break;
    case ModbusTransport::Ready::Busy:
        reply.status = Status::LineBusy;
        return reply;
    case ModbusTransport::Ready::Unreachable:
        reply.status = Status::Unreachable;
        reply.detail = why;
        return reply;
    }
    const int waitMs = answerWait() + m_transport->wireMs(request.size() + expected);
    const QDeadlineTimer deadline(waitMs);
    if (!m_transport->send(request, &why)) {
        reply.status = Status::Unreachable;
        reply.detail = why;
        return reply;
    }
    *sent = true;
    TrafficFrame seen;
    if (m_observer) {
        seen.direction = TrafficFrame::Sent;
        seen.server = quint8(request.at(0));
        seen.function = function;
        seen.address = quint8(request.at(2)) << 8 | quint8(request.at(3));
        seen.count = quint16(registerCount);
        seen.port = m_transport->trafficPort();
        seen.bytes = request;
        stampTraffic(seen);
        m_observer(seen);
    }
    const ModbusTransport::Received received = m_transport->receive(request, expected, deadline);
    const QByteArray &answer = received.frame;
    reply.echoed = received.echoed;
    m_lastTurnaroundMs = -1;
    const auto answered = [&] {
        if (received.turnaroundMs < 0)
            return;
        m_lastTurnaroundMs = received.turnaroundMs;
        m_turnaround.add(m_lastTurnaroundMs);
    };

    // An intact answer of this server that does not fit the request (another register
    // count, function or address), perhaps with more of its kind behind it, is what a device
    // that was held up answers to requests that timed out before: no answer to this one. It
    // is shown and recorded as none, its registers never taken for this request's.
    const bool late = !answer.isEmpty() && answer.at(0) == request.at(0)
                      && !ModbusFrame::answerFitsRequest(answer, request) && ModbusFrame::leadingAnswerSize(answer) > 0;
    if (m_observer) {
        seen.direction = answer.isEmpty() || late ? TrafficFrame::NoAnswer : TrafficFrame::Received;
        // Bytes beyond the longest frame are no part of any answer.
        seen.bytes = late ? QByteArray() : answer.left(MaxFrameBytes);
        seen.waitedMs = answer.isEmpty() && !received.lost ? waitMs : 0;
        seen.note = answer.isEmpty() ? received.note : QString();
        if (late)
            seen.note = TrafficText::staleAnswer(answer.left(MaxFrameBytes));
        else if (received.echoed)
            seen.note = tr("the adapter's echo of the request set aside");
        stampTraffic(seen);
        m_observer(seen);
    }
    if (received.lost) {
        reply.status = Status::ConnectionLost;
        reply.detail = received.note;
        return reply;
    }
    if (answer.isEmpty()) {
        reply.status = Status::NoAnswer;
        reply.detail = m_transport->noAnswerText();
        return reply;
    }
    if (const quint8 code = ModbusFrame::exceptionCode(answer, function);
        code != 0 && answer.at(0) == request.at(0)) {
        reply.status = Status::Exception;
        reply.exception = code;
        answered();
        return reply;
    }
    // A garbled answer, one of another server, or a late one to an earlier request (another
    // register count, address or value) is no answer to this request.
    if (!ModbusFrame::answerFitsRequest(answer, request)) {
        const int longestFrame = m_transport->wireMs(MaxFrameBytes);
        if (m_transport->settle(longestFrame > 0 ? longestFrame : ModbusTransport::QuietLimitMs, &reply.unasked)
            == ModbusTransport::Ready::Busy) {
            reply.status = Status::LineBusy;
            return reply;
        }
        reply.status = Status::BadAnswer;
        reply.echoBroken = received.echoBroken;
        if (late)
            reply.detail = tr("a late answer to an earlier request, discarded");
        return reply;
    }
    reply.status = Status::Ok;
    answered();
    if (kind == Kind::Read) {
        for (int i = 0; i < registerCount; ++i)
            reply.values.append(quint16((quint8(answer.at(3 + 2 * i)) << 8)
                                        | quint8(answer.at(4 + 2 * i))));
    }
    return reply;
}
