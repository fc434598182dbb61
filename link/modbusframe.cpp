#include "link/modbusframe.h"

#include <QCoreApplication>
#include <array>

namespace ModbusFrame {

namespace {

constexpr std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table{};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = quint16(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
        table[std::size_t(i)] = crc;
    }
    return table;
}

constexpr std::array<quint16, 256> CrcTable = makeCrcTable();
static_assert(CrcTable[1] == 0xC0C1 && CrcTable[255] == 0x4040, "Modbus CRC table");

} // namespace

quint16 crc16(const char *data, int length)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < length; ++i)
        crc = quint16((crc >> 8) ^ CrcTable[(crc ^ quint8(data[i])) & 0xFF]);
    return crc;
}

QByteArray appendCrc(const QByteArray &body)
{
    const quint16 crc = crc16(body);
    QByteArray frame = body;
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

bool crcMatches(const QByteArray &frame)
{
    if (frame.size() < 3)
        return false;
    const int n = frame.size() - 2;
    const quint16 got = quint16(quint8(frame.at(n)) | (quint8(frame.at(n + 1)) << 8));
    return crc16(frame.constData(), n) == got;
}

QByteArray readRequest(int slave, quint16 start, quint16 count)
{
    QByteArray body;
    body.append(char(slave & 0xFF));
    body.append(char(ReadHoldingRegisters));
    body.append(char(start >> 8));
    body.append(char(start & 0xFF));
    body.append(char(count >> 8));
    body.append(char(count & 0xFF));
    return appendCrc(body);
}

QByteArray writeRequest(int slave, quint16 start, const QVector<quint16> &values)
{
    QByteArray body;
    body.append(char(slave & 0xFF));
    body.append(char(values.size() == 1 ? WriteSingleRegister : WriteMultipleRegisters));
    body.append(char(start >> 8));
    body.append(char(start & 0xFF));
    if (values.size() != 1) {
        body.append(char(values.size() >> 8));
        body.append(char(values.size() & 0xFF));
        body.append(char((2 * values.size()) & 0xFF));
    }
    for (quint16 v : values) {
        body.append(char(v >> 8));
        body.append(char(v & 0xFF));
    }
    return appendCrc(body);
}

QByteArray probeRequest(int id)
{
    return readRequest(id, SlaveAddressRegister, 1);
}

QByteArray identificationRequest(quint8 address)
{
    return readRequest(address, DeviceInfoRegister, DeviceInfoCount);
}

AnswerCheck checkReadAnswer(const QByteArray &answer, int count)
{
    // The shortest intact answer is an exception: address, function, code, CRC.
    if (answer.size() < 5 || !crcMatches(answer))
        return AnswerCheck::Malformed;
    if (quint8(answer.at(1)) != ReadHoldingRegisters)
        return AnswerCheck::NotReadAnswer;
    if (answer.size() != readAnswerSize(count) || quint8(answer.at(2)) != 2 * count)
        return AnswerCheck::Malformed;
    return AnswerCheck::Accepted;
}

AnswerCheck checkWriteAnswer(const QByteArray &answer, const QByteArray &request)
{
    if (answer.size() < ExceptionAnswerSize || !crcMatches(answer) || request.size() < 6)
        return AnswerCheck::Malformed;
    if (answer.at(1) != request.at(1))
        return AnswerCheck::NotReadAnswer;
    if (answer.size() != WriteAnswerSize || answer.left(6) != request.left(6))
        return AnswerCheck::Malformed;
    return AnswerCheck::Accepted;
}

bool answerFitsRequest(const QByteArray &answer, const QByteArray &request)
{
    if (request.size() < 8 || answer.size() < ExceptionAnswerSize || !crcMatches(answer)
        || answer.at(0) != request.at(0))
        return false;
    const quint8 function = quint8(request.at(1));
    if (quint8(answer.at(1)) == (function | 0x80))
        return answer.size() == ExceptionAnswerSize;
    if (quint8(answer.at(1)) != function)
        return false;
    switch (function) {
    case ReadHoldingRegisters: {
        const int count = quint8(request.at(4)) << 8 | quint8(request.at(5));
        return answer.size() == readAnswerSize(count) && quint8(answer.at(2)) == 2 * count;
    }
    case WriteSingleRegister:
    case WriteMultipleRegisters:
        return answer.size() == WriteAnswerSize && answer.left(6) == request.left(6);
    default:
        return false;
    }
}

int leadingAnswerSize(const QByteArray &bytes)
{
    if (bytes.size() < ExceptionAnswerSize)
        return 0;
    const quint8 function = quint8(bytes.at(1));
    int size = 0;
    if (function & 0x80)
        size = ExceptionAnswerSize;
    else if (function == ReadHoldingRegisters)
        size = 5 + quint8(bytes.at(2));
    else if (function == WriteSingleRegister || function == WriteMultipleRegisters)
        size = WriteAnswerSize;
    return size > 0 && size <= bytes.size() && crcMatches(bytes.left(size)) ? size : 0;
}

quint8 exceptionCode(const QByteArray &answer, quint8 function)
{
    if (answer.size() != ExceptionAnswerSize || !crcMatches(answer)
        || quint8(answer.at(1)) != (function | 0x80))
        return 0;
    return quint8(answer.at(2));
}

// Translated by the traffic record, in its context; the command-line companion prints them
// as they stand.
const char *knownExceptionName(quint8 code)
{
    switch (code) {
    case 0x01: return QT_TRANSLATE_NOOP("TrafficText", "illegal function");
    case 0x02: return QT_TRANSLATE_NOOP("TrafficText", "illegal data address");
    case 0x03: return QT_TRANSLATE_NOOP("TrafficText", "illegal data value");
    case 0x04: return QT_TRANSLATE_NOOP("TrafficText", "server device failure");
    case 0x05: return QT_TRANSLATE_NOOP("TrafficText", "acknowledge");
    case 0x06: return QT_TRANSLATE_NOOP("TrafficText", "server device busy");
    case 0x08: return QT_TRANSLATE_NOOP("TrafficText", "memory parity error");
    case 0x0A: return QT_TRANSLATE_NOOP("TrafficText", "gateway path unavailable");
    case 0x0B: return QT_TRANSLATE_NOOP("TrafficText", "gateway target device failed to respond");
    default: return nullptr;
    }
}

QString exceptionName(quint8 code)
{
    if (const char *name = knownExceptionName(code))
        return QString::fromLatin1(name);
    return QStringLiteral("exception 0x%1").arg(code, 2, 16, QLatin1Char('0'));
}

quint8 reportedAddress(const QByteArray &probeAnswer)
{
    return probeAnswer.size() > 4 ? quint8(probeAnswer.at(4)) : 0;
}

QByteArray identificationBlock(const QByteArray &identAnswer)
{
    return identAnswer.mid(3, 2 * DeviceInfoCount);
}

} // namespace ModbusFrame
