#include "link/modbusclient.h"

#include "link/modbusframe.h"
#include "link/portaccess.h"
#include "link/portidentity.h"
#include "link/traffic.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>

#include <cmath>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace {
// Silence after a garbled answer before the request goes out again, so that the rest
// of that answer is not taken for the start of the next one; also the silence a request
// waits for when bytes were arriving unasked.
constexpr int DrainMs = 20;
// A line that has not been quiet for DrainMs within this time is busy or noisy.
constexpr int QuietLimitMs = 1000;
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
                .arg(port)
                .arg(lockFileNameBytes(port))
                .arg(MaxFileNameBytes);
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

QString ModbusClient::Reply::errorText() const
{
    switch (status) {
    case Status::Ok: return QString();
    case Status::NoAnswer:
        return echoed ? QStringLiteral("no answer (only the adapter's echo of the request came back)")
                      : QStringLiteral("no answer");
    case Status::Exception:
        return QStringLiteral("device refused: %1 (exception 0x%2)")
            .arg(ModbusFrame::exceptionName(exception))
            .arg(exception, 2, 16, QLatin1Char('0'));
    case Status::BadAnswer:
        if (unasked)
            return QStringLiteral("garbled answers, and bytes kept arriving unasked: the line is busy or noisy "
                                  "(another master, a device that sends by itself, or noise on the wires?)");
        return QStringLiteral("garbled answer (bad CRC or length)");
    case Status::NotOpen: return QStringLiteral("port not open");
    case Status::LineBusy:
        return QStringLiteral("the line is busy or noisy: bytes kept arriving without a pause of %1 ms for %2 s "
                              "(another master, a device that sends by itself, or noise on the wires?)")
            .arg(DrainMs)
            .arg(QuietLimitMs / 1000.0);
    case Status::Interrupted: return QStringLiteral("not sent, stopped by a signal");
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
    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(PortIdentity::serialPortName(line.port));
    if (!m_port->open(QIODevice::ReadWrite)) {
        if (why)
            *why = openFailureText(line.port, m_port->error(), m_port->errorString());
        m_port.reset();
        return false;
    }
    m_port->setDataTerminalReady(true);
    if (!reconfigure(line, why)) {
        close();
        return false;
    }
    m_adapter.opened(line.port, m_port->handle());
    m_turnaround.clear();
    m_echoes = false;
    return true;
}

bool ModbusClient::reconfigure(const LineSettings &line, QString *why)
{
    if (!isOpen())
        return false;
    m_line = line;
    QString refused;
    if (!m_port->setBaudRate(line.baudRate))
        refused = QStringLiteral("%1 baud").arg(line.baudRate);
    else if (!m_port->setDataBits(QSerialPort::Data8))
        refused = QStringLiteral("8 data bits");
    else if (!m_port->setParity(line.parity))
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
    if (line.parity == QSerialPort::NoParity)
        clearStaleOddFlag(*m_port);
    m_port->clear();
    return true;
}

void ModbusClient::close()
{
    if (m_port && m_port->isOpen()) {
        m_adapter.closing();
        m_port->close();
    }
    m_port.reset();
}

bool ModbusClient::isOpen() const
{
    return m_port && m_port->isOpen();
}

int ModbusClient::bitsPerCharacter() const
{
    return 1 + 8 + (m_line.parity == QSerialPort::NoParity ? 0 : 1) + (m_line.stopBits == QSerialPort::TwoStop ? 2 : 1);
}

int ModbusClient::wireMs(int bytes) const
{
    return int(std::ceil(1000.0 * bytes * bitsPerCharacter() / qMax(1, m_line.baudRate)));
}

ModbusClient::Reply ModbusClient::read(int slave, quint16 start, quint16 count)
{
    return transact(Kind::Read, ModbusFrame::readRequest(slave, start, count), count);
}

ModbusClient::Reply ModbusClient::write(int slave, quint16 start, const QVector<quint16> &values)
{
    return transact(Kind::Write, ModbusFrame::writeRequest(slave, start, values), values.size());
}

ModbusClient::Reply ModbusClient::transact(Kind kind, const QByteArray &request, int registerCount)
{
    Reply reply;
    bool unasked = false;
    for (int attempt = 0; attempt < m_attempts; ++attempt) {
        Reply last = once(kind, request, registerCount);
        // A stop before a second try leaves the outcome of the request that did go out.
        if (last.status == Status::Interrupted && attempt > 0)
            break;
        unasked = unasked || last.unasked;
        reply = last;
        reply.unasked = unasked;
        if (reply.status != Status::NoAnswer && reply.status != Status::BadAnswer)
            break;
    }
    return reply;
}

// Bytes that nobody asked for would mix with the answer. A clean line costs nothing here:
// only when something is arriving does the request wait for a pause, and not for ever.
bool ModbusClient::waitForQuiet(bool *unasked)
{
    m_port->clear(QSerialPort::Input);
    if (m_port->bytesAvailable() == 0 && !m_port->waitForReadyRead(0))
        return true;
    *unasked = true;
    const QDeadlineTimer limit(QuietLimitMs);
    do {
        m_port->readAll();
        if (limit.hasExpired())
            return false;
    } while (m_port->waitForReadyRead(DrainMs));
    return true;
}

ModbusClient::Reply ModbusClient::once(Kind kind, const QByteArray &request, int registerCount)
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

    if (!waitForQuiet(&reply.unasked)) {
        reply.status = Status::LineBusy;
        return reply;
    }
    m_port->write(request);
    const int waitMs = m_answerWaitMs + wireMs(request.size() + expected);
    const QDeadlineTimer deadline(waitMs);
    TrafficFrame seen;
    if (m_observer) {
        seen.direction = TrafficFrame::Sent;
        seen.server = quint8(request.at(0));
        seen.function = function;
        seen.address = quint8(request.at(2)) << 8 | quint8(request.at(3));
        seen.count = quint16(registerCount);
        seen.port = QStringLiteral("%1 %2").arg(m_line.port, lineSettingsText(m_line));
        seen.bytes = request;
        stampTraffic(seen);
        m_observer(seen);
    }
    const auto remaining = [&deadline] { return int(qMax<qint64>(1, deadline.remainingTime())); };
    // The request leaves as it is written, and is on the wire for its length.
    QElapsedTimer clock;
    clock.start();
    const qint64 requestEndNs = qint64(1e9 * request.size() * bitsPerCharacter() / qMax(1, m_line.baudRate));
    m_port->waitForBytesWritten(remaining());
    AnswerAssembly got(request, m_echoes);
    QByteArray answer;
    while (!deadline.hasExpired()) {
        if (m_port->bytesAvailable() == 0 && !m_port->waitForReadyRead(remaining())) {
            if (m_port->error() == QSerialPort::ResourceError)
                break; // the port went away
            continue;
        }
        got.add(m_port->readAll(), clock.nsecsElapsed());
        answer = got.answer();
        const bool exception = answer.size() >= 2 && (quint8(answer.at(1)) & 0x80);
        if (!got.awaitingEcho() && answer.size() >= (exception ? ModbusFrame::ExceptionAnswerSize : expected))
            break;
    }
    reply.echoed = got.echoed();
    m_echoes = m_echoes || got.echoed();
    m_lastTurnaroundMs = -1;
    const auto answered = [&] {
        m_lastTurnaroundMs = qMax<qint64>(0, got.firstAnswerNs() - requestEndNs) / 1e6;
        m_turnaround.add(m_lastTurnaroundMs);
    };

    if (m_observer) {
        seen.direction = answer.isEmpty() ? TrafficFrame::NoAnswer : TrafficFrame::Received;
        seen.bytes = answer;
        seen.waitedMs = answer.isEmpty() ? waitMs : 0;
        if (got.echoed())
            seen.note = QStringLiteral("the adapter's echo of the request set aside");
        stampTraffic(seen);
        m_observer(seen);
    }
    if (answer.isEmpty()) {
        reply.status = Status::NoAnswer;
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
        // Let the rest of a garbled or foreign answer pass before anything is sent again.
        // Bytes that go on for longer than the longest frame are no answer of anyone's.
        const QDeadlineTimer limit(QuietLimitMs);
        const QDeadlineTimer longestFrame(wireMs(MaxFrameBytes));
        while (m_port->waitForReadyRead(DrainMs)) {
            m_port->readAll();
            if (longestFrame.hasExpired())
                reply.unasked = true;
            if (limit.hasExpired()) {
                reply.status = Status::LineBusy;
                return reply;
            }
        }
        reply.status = Status::BadAnswer;
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
