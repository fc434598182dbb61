#include "link/traffic.h"

#include "link/modbusexception.h"
#include "link/modbusframe.h"

#include <QDateTime>
#include <QModbusPdu>
#include <chrono>

namespace {

constexpr quint8 ReadHolding = 0x03;
constexpr quint8 WriteSingleRegister = 0x06;
constexpr quint8 WriteMultipleRegisters = 0x10;
constexpr quint8 ExceptionBit = 0x80;
// A read answer may carry 125 values; the decoded column names the first ones.
constexpr int ShownValues = 16;

quint16 word(const QByteArray &bytes, int at)
{
    return quint16(quint8(bytes.at(at)) << 8 | quint8(bytes.at(at + 1)));
}

void appendWord(QByteArray &out, quint16 value)
{
    out.append(char(value >> 8));
    out.append(char(value & 0xFF));
}

QString registerText(int address)
{
    return QStringLiteral("0x%1").arg(address, 4, 16, QLatin1Char('0'));
}

QString byteText(int value)
{
    return QStringLiteral("0x") + QString::number(value, 16).rightJustified(2, QLatin1Char('0')).toUpper();
}

QString valuesText(const QVector<quint16> &values)
{
    QStringList parts;
    for (int i = 0; i < values.size() && i < ShownValues; ++i)
        parts << QString::number(values.at(i));
    if (values.size() > ShownValues)
        parts << QStringLiteral("…");
    return parts.join(QLatin1Char(' '));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Frames

void stampTraffic(TrafficFrame &frame)
{
    using namespace std::chrono;
    frame.timeUs = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    frame.time = frame.timeUs / 1000;
}

QByteArray TrafficAdu::frame(quint8 server, quint8 function, const QByteArray &data)
{
    QByteArray body;
    body.reserve(4 + data.size());
    body.append(char(server));
    body.append(char(function));
    body.append(data);
    return ModbusFrame::appendCrc(body);
}

QByteArray TrafficAdu::readRequest(quint8 server, quint16 start, quint16 count)
{
    QByteArray data;
    appendWord(data, start);
    appendWord(data, count);
    return frame(server, ReadHolding, data);
}

QByteArray TrafficAdu::writeRequest(quint8 server, quint16 start, const QVector<quint16> &values)
{
    QByteArray data;
    appendWord(data, start);
    if (values.size() == 1) {
        appendWord(data, values.first());
        return frame(server, WriteSingleRegister, data);
    }
    appendWord(data, quint16(values.size()));
    data.append(char(2 * values.size()));
    for (quint16 v : values)
        appendWord(data, v);
    return frame(server, WriteMultipleRegisters, data);
}

QByteArray TrafficAdu::response(quint8 server, const QModbusPdu &pdu)
{
    return frame(server, modbusFunctionByte(pdu), pdu.data());
}

// ---------------------------------------------------------------------------------------------
// Decoding

bool TrafficDecoded::touches(int reg) const
{
    if (address < 0)
        return false;
    return reg >= address && reg < address + qMax(count, 1);
}

TrafficDecoded decodeTraffic(const TrafficFrame &frame)
{
    TrafficDecoded d;
    // What the request said, for answers that do not repeat it.
    d.server = frame.server;
    d.function = frame.function;
    d.address = frame.address;
    d.count = frame.count;

    const QByteArray &b = frame.bytes;
    if (b.isEmpty()) {
        d.kind = frame.direction == TrafficFrame::NoAnswer ? TrafficDecoded::NoAnswer
                                                           : TrafficDecoded::Malformed;
        return d;
    }
    d.server = quint8(b.at(0));
    if (b.size() < 4) {
        d.kind = TrafficDecoded::Malformed;
        if (b.size() > 1)
            d.function = quint8(b.at(1)) & ~ExceptionBit;
        return d;
    }
    const int n = b.size() - 2;
    d.expectedCrc = ModbusFrame::crc16(b.constData(), n);
    d.crc = ModbusFrame::crcMatches(b) ? TrafficDecoded::CrcGood : TrafficDecoded::CrcBad;

    const quint8 code = quint8(b.at(1));
    d.function = code & ~ExceptionBit;
    const bool request = frame.direction == TrafficFrame::Sent;
    d.kind = TrafficDecoded::Malformed;
    if (code & ExceptionBit) {
        if (n == 3) {
            d.kind = TrafficDecoded::Exception;
            d.exceptionCode = quint8(b.at(2));
        }
        return d;
    }
    switch (code) {
    case ReadHolding:
        if (request && n == 6) {
            d.kind = TrafficDecoded::ReadRequest;
            d.address = word(b, 2);
            d.count = word(b, 4);
        } else if (!request && n >= 3 && n == 3 + quint8(b.at(2))) {
            d.kind = TrafficDecoded::ReadReply;
            d.count = quint8(b.at(2)) / 2;
            for (int i = 0; i < d.count; ++i)
                d.values << word(b, 3 + 2 * i);
        }
        break;
    case WriteSingleRegister:
        if (n == 6) {
            d.kind = TrafficDecoded::WriteSingle;
            d.address = word(b, 2);
            d.count = 1;
            d.values << word(b, 4);
        }
        break;
    case WriteMultipleRegisters:
        if (!request && n == 6) {
            d.kind = TrafficDecoded::WriteMultipleReply;
            d.address = word(b, 2);
            d.count = word(b, 4);
        } else if (request && n >= 7 && n == 7 + quint8(b.at(6))) {
            d.kind = TrafficDecoded::WriteMultiple;
            d.address = word(b, 2);
            d.count = word(b, 4);
            for (int i = 0; i < quint8(b.at(6)) / 2; ++i)
                d.values << word(b, 7 + 2 * i);
        }
        break;
    default:
        d.kind = TrafficDecoded::OtherFunction;
        break;
    }
    return d;
}

// ---------------------------------------------------------------------------------------------
// Texts

QString TrafficText::time(qint64 msecsSinceEpoch, bool withDate)
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch)
        .toString(withDate ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss.zzz"));
}

QString TrafficText::direction(TrafficFrame::Direction direction)
{
    switch (direction) {
    case TrafficFrame::Sent: return tr("Sent");
    case TrafficFrame::Received: return tr("Received");
    case TrafficFrame::NoAnswer: return tr("No answer");
    }
    return QString();
}

QString TrafficText::hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString TrafficText::exceptionName(int code)
{
    const char *name = code >= 0 && code <= 0xFF ? ModbusFrame::knownExceptionName(quint8(code)) : nullptr;
    return name ? tr(name) : tr("unknown exception");
}

QString TrafficText::staleAnswer(const QByteArray &answer)
{
    return tr("a late answer to an earlier request, discarded: %1").arg(hex(answer));
}

QString TrafficText::decoded(const TrafficFrame &frame)
{
    const TrafficDecoded d = decodeTraffic(frame);
    const QString id = tr("ID %1").arg(d.server);
    const bool sent = frame.direction == TrafficFrame::Sent;
    QString what;
    switch (d.kind) {
    case TrafficDecoded::NoAnswer:
        what = frame.note.isEmpty() ? tr("no answer after %1 ms").arg(frame.waitedMs)
                                    : tr("no answer: %1").arg(frame.note);
        break;
    case TrafficDecoded::ReadRequest:
        what = tr("read from %1, count %2").arg(registerText(d.address), QString::number(d.count));
        break;
    case TrafficDecoded::ReadReply:
        what = d.address >= 0 ? tr("answer from %1, count %2: %3")
                                    .arg(registerText(d.address), QString::number(d.count), valuesText(d.values))
                              : tr("answer, count %1: %2").arg(QString::number(d.count), valuesText(d.values));
        break;
    case TrafficDecoded::WriteSingle:
        what = (sent ? tr("write %1 to %2") : tr("written: %1 to %2"))
                   .arg(QString::number(d.values.value(0)), registerText(d.address));
        break;
    case TrafficDecoded::WriteMultiple:
        what = tr("write from %1, count %2: %3")
                   .arg(registerText(d.address), QString::number(d.count), valuesText(d.values));
        break;
    case TrafficDecoded::WriteMultipleReply:
        what = tr("written from %1, count %2").arg(registerText(d.address), QString::number(d.count));
        break;
    case TrafficDecoded::Exception:
        what = tr("exception %1 to function %2: %3")
                   .arg(byteText(d.exceptionCode), byteText(d.function), exceptionName(d.exceptionCode));
        break;
    case TrafficDecoded::OtherFunction:
        what = tr("function %1").arg(byteText(d.function));
        break;
    case TrafficDecoded::Malformed:
        what = d.function >= 0 && frame.bytes.size() > 1
                   ? tr("malformed frame of function %1").arg(byteText(d.function))
                   : tr("malformed frame");
        break;
    }
    // The check comes first: the values after it may run past the column's edge.
    QString head = id;
    if (d.crc == TrafficDecoded::CrcGood) {
        head += QStringLiteral(", ") + tr("CRC ok");
    } else if (d.crc == TrafficDecoded::CrcBad) {
        QByteArray crc;
        crc.append(char(d.expectedCrc & 0xFF));
        crc.append(char(d.expectedCrc >> 8));
        head += QStringLiteral(", ") + tr("CRC bad (expected %1)").arg(hex(crc));
    }
    const QString text = head + QStringLiteral(": ") + what;
    return text;
}

QString TrafficText::line(const QString &port, int baudRate, int parity, int stopBits)
{
    // A network port's line settings are its device server's: its address says all.
    if (port.contains(QLatin1String("://")))
        return port;
    static const char Parities[] = {'N', '?', 'E', 'O', 'S', 'M'};
    const char p = parity >= 0 && parity < int(sizeof Parities) ? Parities[parity] : '?';
    const QString stop = stopBits == 3 ? QStringLiteral("1.5") : QString::number(stopBits);
    return QStringLiteral("%1 %2 8%3%4").arg(port, QString::number(baudRate), QString(QLatin1Char(p)), stop);
}

QString TrafficText::csvField(const QString &field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"'))
        && !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// ---------------------------------------------------------------------------------------------
// Filter

bool TrafficFilter::matches(const TrafficFrame &frame) const
{
    if (isEmpty())
        return true;
    const TrafficDecoded d = decodeTraffic(frame);
    if (server >= 0 && d.server != server)
        return false;
    if (function == ErrorsOnly && !d.isError())
        return false;
    if (function >= 0 && d.function != function)
        return false;
    if (address >= 0 && !d.touches(address))
        return false;
    return true;
}

bool TrafficFilter::parseNumber(const QString &text, int maximum, int *value)
{
    const QString t = text.trimmed();
    int v = -1;
    if (!t.isEmpty()) {
        bool ok = false;
        if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            v = t.mid(2).toInt(&ok, 16);
        else
            v = t.toInt(&ok, 10);
        if (!ok || v < 0 || v > maximum)
            return false;
    }
    if (value)
        *value = v;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Ring

TrafficRing::TrafficRing(int capacity) : m_capacity(qMax(1, capacity)) {}

int TrafficRing::size() const
{
    return int(qMin<quint64>(m_next - m_clearedAt, quint64(m_capacity)));
}

void TrafficRing::append(TrafficFrame frame)
{
    const size_t index = size_t((m_next - m_clearedAt) % quint64(m_capacity));
    if (m_frames.size() < size_t(m_capacity))
        m_frames.push_back(std::move(frame));
    else
        m_frames[index] = std::move(frame);
    ++m_next;
}

const TrafficFrame &TrafficRing::at(quint64 seq) const
{
    return m_frames[size_t((seq - m_clearedAt) % quint64(m_capacity))];
}

void TrafficRing::clear()
{
    std::vector<TrafficFrame>().swap(m_frames);
    m_clearedAt = m_next;
}

// ---------------------------------------------------------------------------------------------
// Tap

TrafficTap::TrafficTap(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<TrafficFrame>("TrafficFrame");
}

void TrafficTap::setListening(bool on)
{
    m_listening.store(on, std::memory_order_relaxed);
}

void TrafficTap::setRecording(bool on)
{
    m_recording.store(on, std::memory_order_relaxed);
}

void TrafficTap::add(const TrafficFrame &frame)
{
    if (m_recording.load(std::memory_order_relaxed))
        emit recorded(frame);
    // A frame that was on its way from the scanner's thread when listening stopped.
    if (!m_listening.load(std::memory_order_relaxed))
        return;
    if (m_pending.size() >= DefaultCapacity)
        m_pending.removeFirst();
    m_pending.append(frame);
}

QVector<TrafficFrame> TrafficTap::take()
{
    QVector<TrafficFrame> frames;
    frames.swap(m_pending);
    return frames;
}
