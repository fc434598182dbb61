#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// Raw Modbus-RTU frames of the device scanner: the CRC, the two requests of a probe and the
// checks an answer has to pass before its bytes are believed.
namespace ModbusFrame {

// Register of the device's own slave address, read by the probe.
constexpr quint16 SlaveAddressRegister = 0x0302;
// First register of the identification block and its length in registers.
constexpr quint16 DeviceInfoRegister = 0x0A00;
constexpr quint16 DeviceInfoCount = 6;

constexpr quint8 ReadHoldingRegisters = 0x03;
constexpr quint8 WriteSingleRegister = 0x06;
constexpr quint8 WriteMultipleRegisters = 0x10;
// Most registers one request may read or write.
constexpr int MaxReadCount = 125;
constexpr int MaxWriteCount = 123;

// Modbus CRC-16 (reflected 0xA001, start 0xFFFF, no final xor); 0xFFFF for no bytes.
quint16 crc16(const char *data, int length);
inline quint16 crc16(const QByteArray &data) { return crc16(data.constData(), data.size()); }

// The frame with its CRC appended, low byte first.
QByteArray appendCrc(const QByteArray &body);
// True when the last two bytes are the CRC of the bytes before them.
bool crcMatches(const QByteArray &frame);

// Function 0x03 request for `count` registers from `start`; the slave takes the low 8 bits.
QByteArray readRequest(int slave, quint16 start, quint16 count);
// Stage 1: read the slave-address register of the swept ID.
QByteArray probeRequest(int id);
// Stage 2: read the identification block of the address the device reported.
QByteArray identificationRequest(quint8 address);

// Function 0x06 for one value, 0x10 for several, from `start`.
QByteArray writeRequest(int slave, quint16 start, const QVector<quint16> &values);

// Size of a complete answer to a read of `count` registers.
constexpr int readAnswerSize(int count) { return 5 + 2 * count; }
// Both write functions echo address and value or count: 8 bytes. An exception is 5.
constexpr int WriteAnswerSize = 8;
constexpr int ExceptionAnswerSize = 5;

enum class AnswerCheck {
    Accepted,      // an intact read answer with the expected byte count
    NotReadAnswer, // an intact frame of another function, e.g. an exception answer
    Malformed,     // wrong CRC or wrong length: most likely wrong line settings
};

// Judges an answer to a read request for `count` registers.
AnswerCheck checkReadAnswer(const QByteArray &answer, int count);

// Judges the answer to a write request: an intact echo of the request's first six bytes.
AnswerCheck checkWriteAnswer(const QByteArray &answer, const QByteArray &request);

// Whether an intact answer is the answer to `request` (a read or write request frame): the
// same server and function, or an exception answer to that function, and what the answer
// carries of its request: the register count of a read, the address and count (or value)
// of a write. An answer that comes late, after its own request timed out, is taken for the
// next request by a master that goes by server and function alone; this tells them apart
// wherever the two requests differ in what the answer carries.
bool answerFitsRequest(const QByteArray &answer, const QByteArray &request);
// The length of the intact answer frame that `bytes` begin with (a read answer by its byte
// count, a write's echo, an exception answer; its CRC checked), 0 when they begin with
// none. After a device was held up, its late answers to several requests come one after
// the other: the first of them tells what they are.
int leadingAnswerSize(const QByteArray &bytes);

// The exception code of an intact exception answer to `function`, 0 for any other answer.
quint8 exceptionCode(const QByteArray &answer, quint8 function);
// "illegal data address" and the like; "exception 0x%1" for codes without a name.
// The standard name of an exception code, untranslated; nullptr for a code without one.
const char *knownExceptionName(quint8 code);
QString exceptionName(quint8 code);

// Address a device reports in an accepted stage-1 answer (low byte of the register value).
quint8 reportedAddress(const QByteArray &probeAnswer);
// The data bytes of an accepted stage-2 answer (12 bytes, each register high byte first).
QByteArray identificationBlock(const QByteArray &identAnswer);

} // namespace ModbusFrame
