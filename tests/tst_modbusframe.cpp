#include "link/connectionfunc.h"
#include "link/modbusframe.h"

#include <QtTest>

using namespace ModbusFrame;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// Reference CRC computed bit by bit, to check the table-driven one against.
quint16 bitwiseCrc(const QByteArray &data)
{
    quint16 crc = 0xFFFF;
    for (char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

// A stage-1 answer reporting `address` as the value of the slave-address register.
QByteArray probeAnswer(quint8 from, quint8 address)
{
    QByteArray body = hex("000302");
    body[0] = char(from);
    body.append(char(0));
    body.append(char(address));
    return appendCrc(body);
}

} // namespace

class TestModbusFrame : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValues();
    void crcMatchesBitwiseReference();
    void crcSlotOfScanner();
    void requestLayouts();
    void answerChecks_data();
    void answerChecks();
    void fieldsOfShortAnswersStayInside();
    void writeFramesAndExceptions();
    void answersOfOtherRequests_data();
    void answersOfOtherRequests();
};

void TestModbusFrame::crcCheckValues()
{
    QCOMPARE(crc16(nullptr, 0), quint16(0xFFFF));
    QCOMPARE(crc16(QByteArray("123456789")), quint16(0x4B37));
    // A frame with its CRC appended leaves a remainder of zero.
    QCOMPARE(crc16(appendCrc(QByteArray("123456789"))), quint16(0));
}

void TestModbusFrame::crcMatchesBitwiseReference()
{
    // Every single byte value exercises every table entry; longer runs check the chaining.
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, char(b));
        QCOMPARE(crc16(one), bitwiseCrc(one));
    }
    QByteArray data;
    quint32 seed = 12345;
    for (int i = 0; i < 1000; ++i) {
        seed = seed * 1103515245u + 12345u;
        data.append(char(seed >> 16));
        QCOMPARE(crc16(data), bitwiseCrc(data));
    }
}

void TestModbusFrame::crcSlotOfScanner()
{
    Connectionfunc scanner;
    QCOMPARE(scanner.CRC16(nullptr, 0), quint16(0xFFFF));
    char digits[] = "123456789";
    QCOMPARE(scanner.CRC16(digits, 9), quint16(0x4B37));
    // Only the given length counts.
    QCOMPARE(scanner.CRC16(digits, 3), crc16("123", 3));
}

void TestModbusFrame::requestLayouts()
{
    QCOMPARE(probeRequest(1).toHex(' '), QByteArray("01 03 03 02 00 01 25 8e"));
    // Only the low 8 bits of the swept ID go on the wire.
    QCOMPARE(probeRequest(255).left(6), hex("ff0303020001"));
    QCOMPARE(probeRequest(0x105).left(1), hex("05"));

    const QByteArray ident = identificationRequest(7);
    QCOMPARE(ident.size(), 8);
    QCOMPARE(ident.left(6), hex("07030a000006"));
    QVERIFY(crcMatches(ident));
    // CRC low byte first.
    const quint16 crc = crc16(ident.left(6));
    QCOMPARE(quint8(ident.at(6)), quint8(crc & 0xFF));
    QCOMPARE(quint8(ident.at(7)), quint8(crc >> 8));
}

void TestModbusFrame::answerChecks_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expected");

    const int ok = int(AnswerCheck::Accepted);
    const int other = int(AnswerCheck::NotReadAnswer);
    const int bad = int(AnswerCheck::Malformed);

    const QByteArray good = probeAnswer(5, 5);
    QTest::newRow("probe answer") << good << 1 << ok;
    QTest::newRow("empty") << QByteArray() << 1 << bad;
    QTest::newRow("one byte") << hex("05") << 1 << bad;
    QTest::newRow("cut after function") << good.left(2) << 1 << bad;
    QTest::newRow("cut after value") << good.left(5) << 1 << bad;
    QTest::newRow("one CRC byte missing") << good.left(6) << 1 << bad;

    QByteArray flipped = good;
    flipped[4] = char(flipped.at(4) ^ 0x01);
    QTest::newRow("flipped data bit") << flipped << 1 << bad;
    QByteArray swappedCrc = good.left(5);
    swappedCrc.append(good.at(6));
    swappedCrc.append(good.at(5));
    QTest::newRow("CRC high byte first") << swappedCrc << 1 << bad;

    // Intact frames of the wrong size: the byte count disagrees with the request.
    QTest::newRow("two registers for one") << appendCrc(hex("05 03 04 0005 0006")) << 1 << bad;
    QByteArray longAnswer = hex("0503");
    longAnswer.append(char(16));
    longAnswer.append(QByteArray(16, '\x05'));
    longAnswer = appendCrc(longAnswer);
    QCOMPARE(longAnswer.size(), 21);
    QTest::newRow("21 bytes, intact") << longAnswer << 1 << bad;
    QTest::newRow("byte count lies") << appendCrc(hex("0503040005")) << 1 << bad;
    QTest::newRow("trailing garbage") << good + hex("00") << 1 << bad;

    QTest::newRow("exception answer") << appendCrc(hex("058302")) << 1 << other;
    QTest::newRow("exception, bad CRC") << hex("0583020000") << 1 << bad;
    QTest::newRow("other function") << appendCrc(hex("05 06 0302 0005")) << 1 << other;

    QByteArray identAnswer = hex("05030c");
    identAnswer.append(hex("1a2b 0102 0304 0506 0708 090a"));
    identAnswer = appendCrc(identAnswer);
    QCOMPARE(identAnswer.size(), 17);
    QTest::newRow("identification answer") << identAnswer << 6 << ok;
    QTest::newRow("identification cut short") << appendCrc(identAnswer.left(14)) << 6 << bad;
    QTest::newRow("probe answer for six") << good << 6 << bad;
}

void TestModbusFrame::answerChecks()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, count);
    QFETCH(int, expected);
    QCOMPARE(int(checkReadAnswer(answer, count)), expected);
}

void TestModbusFrame::fieldsOfShortAnswersStayInside()
{
    QCOMPARE(reportedAddress(probeAnswer(0xFF, 7)), quint8(7));
    QCOMPARE(reportedAddress(hex("05030200")), quint8(0));
    QCOMPARE(reportedAddress(QByteArray()), quint8(0));

    QByteArray identAnswer = appendCrc(hex("07030c 1a2b 0102 0304 0506 0708 090a"));
    QCOMPARE(identificationBlock(identAnswer), hex("1a2b 0102 0304 0506 0708 090a"));
    QCOMPARE(identificationBlock(hex("0703")), QByteArray());
    QCOMPARE(identificationBlock(hex("07030c1a2b")), hex("1a2b"));
}

// The command-line master's writes: 0x06 for one register, 0x10 with count and byte count
// for several; an answer counts only as the echo of the request, an exception by its code.
void TestModbusFrame::writeFramesAndExceptions()
{
    const QByteArray single = writeRequest(3, 0x0406, {60});
    QCOMPARE(single.toHex(' '), appendCrc(hex("03 06 0406 003c")).toHex(' '));
    const QByteArray multiple = writeRequest(0x1FF, 0x0301, {1, 0xFFFB});
    QCOMPARE(multiple, appendCrc(hex("ff 10 0301 0002 04 0001 fffb")));

    QCOMPARE(checkWriteAnswer(single, single), AnswerCheck::Accepted);
    QCOMPARE(checkWriteAnswer(appendCrc(hex("ff 10 0301 0002")), multiple), AnswerCheck::Accepted);
    QCOMPARE(checkWriteAnswer(appendCrc(hex("ff 10 0301 0003")), multiple), AnswerCheck::Malformed);
    QCOMPARE(checkWriteAnswer(single.left(7), single), AnswerCheck::Malformed);
    const QByteArray refused = appendCrc(hex("03 86 02"));
    QCOMPARE(checkWriteAnswer(refused, single), AnswerCheck::NotReadAnswer);

    QCOMPARE(exceptionCode(refused, WriteSingleRegister), quint8(2));
    QCOMPARE(exceptionCode(refused, ReadHoldingRegisters), quint8(0));
    QCOMPARE(exceptionCode(hex("0386020000"), WriteSingleRegister), quint8(0)); // bad CRC
    QCOMPARE(exceptionName(2), QString("illegal data address"));
    QCOMPARE(exceptionName(0x0c), QString("exception 0x0c"));
}

// A late answer to an earlier request must not pass for the answer to the one on the wire.
void TestModbusFrame::answersOfOtherRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("fits");

    const QByteArray readOne = readRequest(1, 0x0000, 1);
    const QByteArray readFeedback = readRequest(1, 0x0200, 14);
    QByteArray feedback = hex("01031c");
    feedback.append(QByteArray(28, '\x01'));
    feedback = appendCrc(feedback);
    const QByteArray one = appendCrc(hex("0103020005"));
    const QByteArray writeOne = writeRequest(1, 0x0103, {300});
    const QByteArray writeTwo = writeRequest(1, 0x0103, {300, 50});

    QTest::newRow("read: its own answer") << readOne << one << true;
    QTest::newRow("read of 14: its own answer") << readFeedback << feedback << true;
    QTest::newRow("read of 1: answer of 14") << readOne << feedback << false;
    QTest::newRow("read of 14: answer of 1") << readFeedback << one << false;
    QTest::newRow("read: byte count off") << readOne << appendCrc(hex("010304000500")) << false;
    QTest::newRow("read: another server") << readOne << appendCrc(hex("0203020005")) << false;
    QTest::newRow("read: echo of a write") << readOne << writeOne << false;
    QTest::newRow("read: its exception") << readOne << appendCrc(hex("018302")) << true;
    QTest::newRow("read: exception of a write") << readOne << appendCrc(hex("018602")) << false;
    QTest::newRow("read: bad CRC") << readOne << hex("01030200050000") << false;
    QTest::newRow("write one: its echo") << writeOne << writeOne << true;
    QTest::newRow("write one: other value") << writeOne << writeRequest(1, 0x0103, {301}) << false;
    QTest::newRow("write one: other address") << writeOne << writeRequest(1, 0x0104, {300}) << false;
    QTest::newRow("write one: read answer") << writeOne << one << false;
    QTest::newRow("write two: its echo") << writeTwo << appendCrc(hex("01 10 0103 0002")) << true;
    QTest::newRow("write two: other count") << writeTwo << appendCrc(hex("01 10 0103 0003")) << false;
    QTest::newRow("write two: other address") << writeTwo << appendCrc(hex("01 10 0100 0002")) << false;
    QTest::newRow("write two: echo of one") << writeTwo << writeOne << false;
    QTest::newRow("no request") << QByteArray() << one << false;
}

void TestModbusFrame::answersOfOtherRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    QFETCH(bool, fits);
    QCOMPARE(answerFitsRequest(answer, request), fits);
}

QTEST_APPLESS_MAIN(TestModbusFrame)
#include "tst_modbusframe.moc"
