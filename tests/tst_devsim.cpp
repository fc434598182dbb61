// The device simulator: its framing and register logic called directly, and the running
// program over real pseudo-terminals.
#include "support/simulator.h"
#include "tools/devsim/device.h"
#include "tools/devsim/rtu.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A request or reply with its CRC appended.
QByteArray framed(std::initializer_list<int> bytes)
{
    rtu::Frame f;
    for (int b : bytes)
        f.push_back(uint8_t(b));
    rtu::appendCrc(f);
    return QByteArray(reinterpret_cast<const char *>(f.data()), int(f.size()));
}

rtu::Frame toFrame(const QByteArray &bytes)
{
    return rtu::Frame(bytes.begin(), bytes.end());
}

QByteArray fromFrame(const rtu::Frame &f)
{
    return QByteArray(reinterpret_cast<const char *>(f.data()), int(f.size()));
}

QByteArray readRequest(int id, int start, int count)
{
    return framed({id, 0x03, start >> 8, start & 0xFF, count >> 8, count & 0xFF});
}

QByteArray writeRequest(int id, int address, int value)
{
    return framed({id, 0x06, address >> 8, address & 0xFF, (value >> 8) & 0xFF, value & 0xFF});
}

// Register values of a read reply (no checks beyond the length).
QVector<quint16> values(const QByteArray &reply)
{
    QVector<quint16> v;
    for (int i = 3; i + 1 < reply.size() - 2; i += 2)
        v.append(quint16(quint8(reply[i]) << 8 | quint8(reply[i + 1])));
    return v;
}

// The master side of a test: a raw serial port on the simulator's pseudo-terminal.
class Port
{
public:
    ~Port() { close(); }

    bool open(const QString &path, int baud = 115200, char parity = 'N', int stopBits = 1)
    {
        close();
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        termios t{};
        tcgetattr(m_fd, &t);
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cflag &= ~(PARENB | PARODD | CSTOPB);
        if (parity != 'N')
            t.c_cflag |= PARENB;
        if (parity == 'O')
            t.c_cflag |= PARODD;
        if (stopBits == 2)
            t.c_cflag |= CSTOPB;
        const speed_t speed = baud == 4800 ? B4800 : baud == 9600 ? B9600 : baud == 19200 ? B19200 : B115200;
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        if (tcsetattr(m_fd, TCSANOW, &t) == 0)
            return true;
        // A pseudo-terminal refuses parity enable without odd; the line then reads as
        // no parity, which is all that the device can see of even parity anyway.
        t.c_cflag &= ~PARENB;
        return parity == 'E' && tcsetattr(m_fd, TCSANOW, &t) == 0;
    }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    // Sends the request and collects the reply until `length` bytes are in or the time
    // is up; an empty result means silence.
    QByteArray transact(const QByteArray &request, int length, int timeoutMs = 2000)
    {
        tcflush(m_fd, TCIFLUSH);
        return send(request) ? receive(length, timeoutMs) : QByteArray();
    }

    bool send(const QByteArray &request)
    {
        if (::write(m_fd, request.constData(), size_t(request.size())) == request.size())
            return true;
        m_hungUp = true;
        return false;
    }

    QByteArray receive(int length, int timeoutMs)
    {
        QByteArray in;
        QElapsedTimer clock;
        clock.start();
        while (in.size() < length) {
            const qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0)
                break;
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, int(left)) <= 0)
                break;
            if (p.revents & (POLLHUP | POLLERR)) {
                m_hungUp = true;
                break;
            }
            char buf[300];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0) {
                m_hungUp = true;
                break;
            }
            in.append(buf, int(n));
        }
        return in;
    }

    bool hungUp() const { return m_hungUp; }

    int available() const
    {
        int n = -1;
        ioctl(m_fd, FIONREAD, &n);
        return n;
    }

private:
    int m_fd = -1;
    bool m_hungUp = false;
};

// How long a test waits to be sure that nothing comes back.
constexpr int kSilenceMs = 300;

DeviceConfig gripperConfig()
{
    DeviceConfig c;
    c.kind = Kind::Gripper;
    c.model = 0x2701;
    c.uid = 0x12AB34CD;
    return c;
}

uint16_t regOf(Device &d, uint16_t address)
{
    std::vector<uint16_t> v;
    if (d.read(address, 1, v) != 0)
        return 0xDEAD;
    return v[0];
}

} // namespace

class TestDevsim : public QObject
{
    Q_OBJECT

private slots:
    // Framing and register logic, called directly.
    void crc();
    void requestLength_data();
    void requestLength();
    void replyLayouts();
    void lineTime_data();
    void lineTime();
    void exceptions_data();
    void exceptions();
    void kindFromModelCode_data();
    void kindFromModelCode();
    void registerMap_data();
    void registerMap();
    void initialValues();
    void accessAndFactory();
    void initialisationAndMotion();
    void caughtAndDropped();
    void rotation();
    void linearModule();
    void saveAndState();

    // The program over pseudo-terminals.
    void ptyReadAndWrite();
    void ptyExceptionsAndSilence();
    void ptyLineMismatch();
    void ptyAnyDeviceAddress();
    void ptySaveSwitchesLine();
    void ptyMotionReachesTarget();
    void ptyObjectTakenAway();
    void ptyFaults();
    void ptyEchoAndHold();
    void ptyRequestFaults_data();
    void ptyRequestFaults();
    void ptyVanishAfter();
    void ptyEndsWithItsParent();
    void ptyLinkAndReopen();
    void ptyBus();
};

void TestDevsim::crc()
{
    const QByteArray check("123456789");
    QCOMPARE(rtu::crc16(reinterpret_cast<const uint8_t *>(check.constData()), 9), uint16_t(0x4B37));
    QCOMPARE(rtu::crc16(nullptr, 0), uint16_t(0xFFFF));
    // The scanner's probe of ID 1: CRC low byte first.
    QCOMPARE(readRequest(1, 0x0302, 1).toHex(' '), QByteArray("01 03 03 02 00 01 25 8e"));
    QVERIFY(rtu::crcMatches(toFrame(readRequest(1, 0x0302, 1))));
    QByteArray bad = readRequest(1, 0x0302, 1);
    bad[3] = 0x03;
    QVERIFY(!rtu::crcMatches(toFrame(bad)));
    QVERIFY(!rtu::crcMatches(toFrame(QByteArray("\x01\x03", 2))));
}

void TestDevsim::requestLength_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<int>("length");
    QTest::newRow("read") << QByteArray::fromHex("0103") << 8;
    QTest::newRow("write single") << QByteArray::fromHex("0106") << 8;
    QTest::newRow("write multiple, byte count in") << QByteArray::fromHex("01100101000204") << 13;
    QTest::newRow("write multiple, byte count not yet in") << QByteArray::fromHex("011001010002") << 0;
    QTest::newRow("unknown function") << QByteArray::fromHex("0104000000010000") << 0;
    QTest::newRow("one byte") << QByteArray::fromHex("01") << 0;
}

void TestDevsim::requestLength()
{
    QFETCH(QByteArray, start);
    QFETCH(int, length);
    QCOMPARE(int(rtu::requestLength(reinterpret_cast<const uint8_t *>(start.constData()), size_t(start.size()))),
             length);
}

// A read of 14 registers (8 + 33 bytes) on the line, with both closing silences.
void TestDevsim::lineTime_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<double>("ms");
    QTest::newRow("115200 8N1: silence fixed") << 115200 << false << 1 << 41 * 10 / 115.2 + 3.5;
    QTest::newRow("38400 8O1: silence fixed") << 38400 << true << 1 << 41 * 11 / 38.4 + 3.5;
    QTest::newRow("19200 8N2: 3.5 characters") << 19200 << false << 2 << (41 + 7) * 11 / 19.2;
    QTest::newRow("9600 8E1") << 9600 << true << 1 << (41 + 7) * 11 / 9.6;
    QTest::newRow("9600 8N1") << 9600 << false << 1 << (41 + 7) * 10 / 9.6;
}

void TestDevsim::lineTime()
{
    QFETCH(int, baud);
    QFETCH(bool, parity);
    QFETCH(int, stopBits);
    QFETCH(double, ms);
    QVERIFY(qAbs(rtu::transactionSeconds(8, 33, baud, parity, stopBits) * 1000 - ms) < 1e-9);
}

void TestDevsim::replyLayouts()
{
    DeviceConfig c = gripperConfig();
    c.hardware = 0x0102;
    c.hardwarePatch = 3;
    c.software = 0x0217;
    Device d(c);

    // Identification block: model, versions, unique ID (last four digits first).
    QByteArray reply = fromFrame(rtu::answer(toFrame(readRequest(1, 0x0A00, 6)), d, 1));
    QCOMPARE(reply, framed({0x01, 0x03, 0x0C, 0x27, 0x01, 0x01, 0x02, 0x02, 0x17,
                            0x34, 0xCD, 0x12, 0xAB, 0x00, 0x03}));

    // A single write is answered with its echo, the reply carrying the given address.
    reply = fromFrame(rtu::answer(toFrame(writeRequest(255, 0x0101, 55)), d, 1));
    QCOMPARE(reply, writeRequest(1, 0x0101, 55));
    QCOMPARE(regOf(d, 0x0101), uint16_t(55));

    // A multiple write: start and count come back.
    reply = fromFrame(rtu::answer(
        toFrame(framed({1, 0x10, 0x01, 0x01, 0x00, 0x02, 0x04, 0x00, 0x46, 0x00, 0x64})), d, 1));
    QCOMPARE(reply, framed({1, 0x10, 0x01, 0x01, 0x00, 0x02}));
    QCOMPARE(regOf(d, 0x0101), uint16_t(70));
    QCOMPARE(regOf(d, 0x0102), uint16_t(100));

    // A read of 2 registers: byte count 4, values high byte first.
    reply = fromFrame(rtu::answer(toFrame(readRequest(1, 0x0101, 2)), d, 1));
    QCOMPARE(reply, framed({1, 0x03, 0x04, 0x00, 0x46, 0x00, 0x64}));
}

void TestDevsim::exceptions_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("code");
    QTest::newRow("unknown function 0x04")
        << framed({1, 0x04, 0x02, 0x00, 0x00, 0x01}) << 0x01;
    QTest::newRow("read of 0") << readRequest(1, 0x0200, 0) << 0x03;
    QTest::newRow("read of 126") << readRequest(1, 0x0200, 126) << 0x03;
    QTest::newRow("unmapped group") << readRequest(1, 0x0600, 1) << 0x02;
    QTest::newRow("past the end of a group") << readRequest(1, 0x0100, 11) << 0x02;
    QTest::newRow("read up to the end of the address space") << readRequest(1, 0xFFFF, 2) << 0x02;
    QTest::newRow("write to feedback") << writeRequest(1, 0x0202, 5) << 0x02;
    QTest::newRow("write to the model code") << writeRequest(1, 0x0A00, 5) << 0x02;
    QTest::newRow("factory write without access") << writeRequest(1, 0x1200, 5) << 0x02;
    QTest::newRow("write unmapped") << writeRequest(1, 0x0111, 5) << 0x02;
    QTest::newRow("write of 124")
        << framed({1, 0x10, 0x04, 0x00, 0x00, 124, 248}) << 0x03;
    QTest::newRow("byte count does not match the count")
        << framed({1, 0x10, 0x01, 0x01, 0x00, 0x02, 0x02, 0x00, 0x01}) << 0x03;
    QTest::newRow("write of 0") << framed({1, 0x10, 0x01, 0x01, 0x00, 0x00, 0x00}) << 0x03;
}

void TestDevsim::exceptions()
{
    QFETCH(QByteArray, request);
    QFETCH(int, code);
    Device d(gripperConfig());
    const uint16_t before = regOf(d, 0x0101);
    const QByteArray reply = fromFrame(rtu::answer(toFrame(request), d, 1));
    QCOMPARE(reply, framed({1, quint8(request[1]) | 0x80, code}));
    QCOMPARE(regOf(d, 0x0101), before); // nothing of a refused write is applied
}

void TestDevsim::kindFromModelCode_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("kind");
    QTest::newRow("parallel 0x2701") << 0x2701 << int(Kind::Gripper);
    QTest::newRow("FLA 0x1001") << 0x1001 << int(Kind::Gripper);
    QTest::newRow("rotary 0x5201") << 0x5201 << int(Kind::Rotary);
    QTest::newRow("adaptive 0x0101") << 0x0101 << int(Kind::Adaptive);
    QTest::newRow("module 0x4001") << 0x4001 << int(Kind::Module);
    QTest::newRow("module 0x4002") << 0x4002 << int(Kind::Module);
    // 65.1 is the long-slide linear module: it gets the module map like 64.x.
    QTest::newRow("module 0x4101") << 0x4101 << int(Kind::Module);
    QTest::newRow("module 0x4F05") << 0x4F05 << int(Kind::Module);
    QTest::newRow("FLC 0x3101") << 0x3101 << int(Kind::Gripper);
}

void TestDevsim::kindFromModelCode()
{
    QFETCH(int, model);
    QFETCH(int, kind);
    QCOMPARE(int(kindFromModel(uint16_t(model))), kind);
}

void TestDevsim::registerMap_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVector<int>>("counts"); // groups 00 01 02 03 04 05 0A 11 12 13 14 15
    QTest::newRow("gripper") << int(Kind::Gripper)
                             << QVector<int>{1, 10, 14, 7, 17, 12, 6, 7, 13, 24, 7, 4};
    QTest::newRow("rotary") << int(Kind::Rotary)
                            << QVector<int>{1, 10, 14, 7, 17, 12, 6, 7, 13, 24, 7, 4};
    QTest::newRow("adaptive") << int(Kind::Adaptive)
                              << QVector<int>{1, 10, 14, 7, 17, 12, 6, 7, 13, 24, 7, 4};
    QTest::newRow("module") << int(Kind::Module)
                            << QVector<int>{1, 8, 8, 11, 35, 13, 6, 7, 13, 24, 6, 4};
}

void TestDevsim::registerMap()
{
    QFETCH(int, kind);
    QFETCH(QVector<int>, counts);
    DeviceConfig c = gripperConfig();
    c.kind = Kind(kind);
    Device d(c);
    const int groups[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x0A, 0x11, 0x12, 0x13, 0x14, 0x15};
    for (int i = 0; i < 12; ++i) {
        const uint16_t base = uint16_t(groups[i] << 8);
        std::vector<uint16_t> v;
        // The whole group reads in one request, as the polling engine asks for it.
        QCOMPARE(int(d.read(base, uint16_t(counts[i]), v)), 0);
        QCOMPARE(int(v.size()), counts[i]);
        QVERIFY2(!d.mapped(uint16_t(base + counts[i])), qPrintable(QString::number(base, 16)));
    }
    for (int group : {0x06, 0x07, 0x08, 0x09, 0x0B, 0x10, 0x16, 0xFF})
        QVERIFY(!d.mapped(uint16_t(group << 8)));

    // Even at the highest access level the feedback, device information and runtime
    // groups refuse writes (the unique ID words aside); every other group takes them up
    // to its last register.
    QCOMPARE(int(d.write(0x0000, {0xC3C3})), 0);
    for (int i = 0; i < 12; ++i) {
        const uint16_t base = uint16_t(groups[i] << 8);
        const bool readOnly = groups[i] == 0x02 || groups[i] == 0x0A || groups[i] == 0x13;
        for (const uint16_t a : {base, uint16_t(base + counts[i] - 1)}) {
            if (a == 0x0000)
                continue;
            const bool uid = a == 0x0A03 || a == 0x0A04;
            const int expected = readOnly && !uid ? int(rtu::IllegalDataAddress) : 0;
            QVERIFY2(int(d.write(a, {d.reg(a)})) == expected, qPrintable(QString::number(a, 16)));
        }
    }
    for (const uint16_t a : {0x0A00, 0x0A01, 0x0A02})
        QCOMPARE(int(d.write(a, {0})), int(rtu::IllegalDataAddress));
}

void TestDevsim::initialValues()
{
    DeviceConfig c = gripperConfig();
    c.line.address = 9;
    c.line.baud = 9600;
    c.line.parity = ParityEven;
    c.line.stopBits = 2;
    Device d(c);
    QCOMPARE(regOf(d, 0x0302), uint16_t(9));
    QCOMPARE(regOf(d, 0x0303), uint16_t(4)); // 9600
    QCOMPARE(regOf(d, 0x0304), uint16_t(1)); // two stop bits
    QCOMPARE(regOf(d, 0x0305), uint16_t(2)); // even
    QCOMPARE(regOf(d, 0x0200), uint16_t(0)); // not initialised
    QVERIFY(regOf(d, 0x0101) <= 100);
    QVERIFY(regOf(d, 0x0104) >= 1 && regOf(d, 0x0104) <= 100);
    QVERIFY(regOf(d, 0x0306) >= 20 && regOf(d, 0x0306) <= 100);
    QCOMPARE(regOf(d, 0x0402), uint16_t(0));
    for (int g = 0; g < 4; ++g) {
        const uint16_t base = uint16_t(0x0405 + 3 * g);
        QVERIFY(regOf(d, base) <= 1000);
        QVERIFY(regOf(d, base + 1) >= 20 && regOf(d, base + 1) <= 100);
        QVERIFY(regOf(d, base + 2) >= 1 && regOf(d, base + 2) <= 100);
    }

    DeviceConfig m = gripperConfig();
    m.kind = Kind::Module;
    m.model = 0x4001;
    Device module(m);
    // The stroke is read as a signed value by the tool: it has to stay below 32768.
    QVERIFY(regOf(module, 0x0306) > 0 && regOf(module, 0x0306) < 32768);
    QCOMPARE(regOf(module, 0x0307), uint16_t(0));
    for (int g = 0; g < 4; ++g) {
        const uint16_t base = uint16_t(0x0407 + 7 * g);
        QVERIFY(regOf(module, base + 4) >= 1 && regOf(module, base + 4) <= 100);
        QVERIFY(regOf(module, base + 5) >= 10 && regOf(module, base + 5) <= 100);
    }
}

void TestDevsim::accessAndFactory()
{
    Device d(gripperConfig());
    std::vector<uint16_t> uid{0x34CD, 0x12AB};
    QCOMPARE(int(d.write(0x0A03, uid)), int(rtu::IllegalDataAddress));
    QCOMPARE(int(d.write(0x0000, {0x3C3C})), 0);
    QCOMPARE(d.accessLevel(), 1);
    QCOMPARE(int(d.write(0x1102, {175})), int(rtu::IllegalDataAddress));
    QCOMPARE(int(d.write(0x0000, {0xC3C3})), 0);
    QCOMPARE(d.accessLevel(), 3);

    QCOMPARE(int(d.write(0x0A03, {0x5678, 0x1234})), 0);
    QCOMPARE(regOf(d, 0x0A04), uint16_t(0x1234));

    // Backup, change, restore: the trigger registers read 0 again once done.
    QCOMPARE(int(d.write(0x0301, {1})), 0);
    QCOMPARE(int(d.write(0x1102, {175})), 0);
    QCOMPARE(regOf(d, 0x1102), uint16_t(0));
    QCOMPARE(int(d.write(0x0301, {0})), 0);
    QCOMPARE(int(d.write(0x1104, {175})), 0);
    QCOMPARE(regOf(d, 0x0301), uint16_t(1));
    QCOMPARE(regOf(d, 0x1104), uint16_t(0));

    const uint16_t bias = regOf(d, 0x1406);
    QCOMPARE(int(d.write(0x1100, {175})), 0);
    QVERIFY(regOf(d, 0x1406) != bias);
    // A value other than the trigger is stored and does nothing.
    QCOMPARE(int(d.write(0x1103, {1})), 0);
    QCOMPARE(regOf(d, 0x1103), uint16_t(1));
}

void TestDevsim::initialisationAndMotion()
{
    Device d(gripperConfig());
    // Not initialised: a target is stored but nothing moves.
    QCOMPARE(int(d.write(0x0103, {500})), 0);
    d.advance(1.0);
    QCOMPARE(regOf(d, 0x0202), uint16_t(0));
    QCOMPARE(regOf(d, 0x0201), uint16_t(1));

    QCOMPARE(int(d.write(0x0100, {165})), 0);
    QCOMPARE(regOf(d, 0x0200), uint16_t(2));
    d.advance(1.1);
    QCOMPARE(regOf(d, 0x0200), uint16_t(2));
    QCOMPARE(regOf(d, 0x0201), uint16_t(0));
    d.advance(10);
    QCOMPARE(regOf(d, 0x0200), uint16_t(1));
    QCOMPARE(regOf(d, 0x0202), uint16_t(1000)); // external direction: open
    QCOMPARE(regOf(d, 0x0201), uint16_t(1));
    QCOMPARE(regOf(d, 0x0204), uint16_t(0));

    // Closing at full speed: 2000 units/s.
    QCOMPARE(int(d.write(0x0103, {0})), 0);
    d.advance(10.25);
    QCOMPARE(regOf(d, 0x0202), uint16_t(500));
    QCOMPARE(regOf(d, 0x0201), uint16_t(0));
    QCOMPARE(regOf(d, 0x0203), uint16_t(100));
    QVERIFY(int16_t(regOf(d, 0x0204)) < -50); // closing current
    d.advance(11);
    QCOMPARE(regOf(d, 0x0202), uint16_t(0));
    QCOMPARE(regOf(d, 0x0201), uint16_t(1));
    QCOMPARE(regOf(d, 0x0203), uint16_t(0));

    // Slower at a lower speed; a speed change during a move takes effect at once.
    QCOMPARE(int(d.write(0x0104, {10})), 0);
    QCOMPARE(int(d.write(0x0103, {1000})), 0);
    d.advance(11.5);
    const int slow = regOf(d, 0x0202);
    QVERIFY2(slow > 150 && slow < 250, qPrintable(QString::number(slow)));
    QVERIFY(int16_t(regOf(d, 0x0204)) > 0);
    QCOMPARE(int(d.write(0x0104, {100})), 0);
    d.advance(12);
    QCOMPARE(regOf(d, 0x0202), uint16_t(1000));

    // In I/O mode, targets over the bus are ignored; the I/O test runs a stored group.
    QCOMPARE(int(d.write(0x0402, {1})), 0);
    QCOMPARE(int(d.write(0x0103, {0})), 0);
    d.advance(13);
    QCOMPARE(regOf(d, 0x0202), uint16_t(1000));
    QCOMPARE(int(d.write(0x0402, {0})), 0);
    QCOMPARE(int(d.write(0x040B, {250, 40, 100})), 0); // group 3
    QCOMPARE(int(d.write(0x0400, {3})), 0);
    QCOMPARE(regOf(d, 0x0400), uint16_t(0));
    d.advance(14);
    QCOMPARE(regOf(d, 0x0202), uint16_t(250));
    QCOMPARE(regOf(d, 0x0101), uint16_t(40));

    // Stop halts where the fingers are.
    QCOMPARE(int(d.write(0x0103, {1000})), 0);
    d.advance(14.1);
    QCOMPARE(int(d.write(0x0502, {1})), 0);
    d.advance(15);
    QCOMPARE(regOf(d, 0x0202), uint16_t(450));
    QCOMPARE(regOf(d, 0x0201), uint16_t(1));
}

void TestDevsim::caughtAndDropped()
{
    DeviceConfig c = gripperConfig();
    c.initialised = true;
    c.hasObject = true;
    c.objectPosition = 300;
    Device d(c);
    d.powerOn();
    QCOMPARE(regOf(d, 0x0202), uint16_t(1000));

    QCOMPARE(int(d.write(0x0103, {0})), 0);
    d.advance(1);
    QCOMPARE(regOf(d, 0x0202), uint16_t(300));
    QCOMPARE(regOf(d, 0x0201), uint16_t(2)); // caught
    const int holding = int16_t(regOf(d, 0x0204));
    QVERIFY2(holding < -300, qPrintable(QString::number(holding)));
    QCOMPARE(int(d.write(0x0101, {50})), 0); // less force, less holding current
    QVERIFY(int16_t(regOf(d, 0x0204)) > holding);

    // Pressing further keeps the part; taking it away drops it and the fingers close.
    QCOMPARE(int(d.write(0x0103, {100})), 0);
    QCOMPARE(regOf(d, 0x0201), uint16_t(2));
    d.removeObject();
    QCOMPARE(regOf(d, 0x0201), uint16_t(3));
    d.advance(2);
    QCOMPARE(regOf(d, 0x0202), uint16_t(100));
    QCOMPARE(regOf(d, 0x0201), uint16_t(3));

    // Open, put a part back: closing catches it again, opening moves away from it.
    QCOMPARE(int(d.write(0x0103, {1000})), 0);
    d.advance(3);
    QCOMPARE(regOf(d, 0x0201), uint16_t(1));
    d.restoreObject();
    QCOMPARE(int(d.write(0x0103, {0})), 0);
    d.advance(4);
    QCOMPARE(regOf(d, 0x0201), uint16_t(2));
    QCOMPARE(int(d.write(0x0103, {800})), 0);
    QCOMPARE(regOf(d, 0x0201), uint16_t(0));
    d.advance(5);
    QCOMPARE(regOf(d, 0x0202), uint16_t(800));
    QCOMPARE(regOf(d, 0x0201), uint16_t(1));
}

void TestDevsim::rotation()
{
    DeviceConfig c = gripperConfig();
    c.kind = Kind::Rotary;
    c.model = 0x5201;
    Device d(c);
    QCOMPARE(int(d.write(0x0100, {1})), 0);
    QCOMPARE(regOf(d, 0x020A), uint16_t(2));
    d.advance(5);
    QCOMPARE(regOf(d, 0x020A), uint16_t(1));

    QCOMPARE(int(d.write(0x0107, {100})), 0); // 720 degrees per second
    QCOMPARE(int(d.write(0x0105, {uint16_t(-90)})), 0);
    d.advance(5.0625);
    QCOMPARE(regOf(d, 0x020B), uint16_t(0));
    QCOMPARE(int16_t(regOf(d, 0x0208)), int16_t(-45));
    QVERIFY(int16_t(regOf(d, 0x020C)) < 0);
    QVERIFY(int16_t(regOf(d, 0x020D)) < 0);
    d.advance(6);
    QCOMPARE(regOf(d, 0x020B), uint16_t(1));
    // A 32-bit angle: low word, then high word.
    QCOMPARE(regOf(d, 0x0208), uint16_t(0xFFA6));
    QCOMPARE(regOf(d, 0x0209), uint16_t(0xFFFF));

    QCOMPARE(int(d.write(0x0109, {200})), 0); // relative
    d.advance(7);
    QCOMPARE(regOf(d, 0x0208), uint16_t(110));
    QCOMPARE(int(d.write(0x0506, {165})), 0);
    QCOMPARE(regOf(d, 0x0208), uint16_t(0));
    QCOMPARE(regOf(d, 0x0506), uint16_t(0));

    // A parallel gripper keeps its rotation registers at rest.
    Device parallel(gripperConfig());
    QCOMPARE(int(parallel.write(0x0105, {90})), 0);
    parallel.advance(5);
    QCOMPARE(regOf(parallel, 0x0208), uint16_t(0));
}

void TestDevsim::linearModule()
{
    DeviceConfig c = gripperConfig();
    c.kind = Kind::Module;
    c.model = 0x4001;
    c.hasObject = true;
    c.objectPosition = 10500;
    {
        // 50000 units/s at full speed do not fit the signed runtime speed: held at the
        // limit, not wrapped (nor converted with undefined behaviour).
        Device fast(c);
        QCOMPARE(int(fast.write(0x0100, {1})), 0);
        fast.advance(1);
        QCOMPARE(int(fast.write(0x0103, {30000})), 0);
        fast.advance(1.1);
        std::vector<uint16_t> runtime;
        QCOMPARE(int(fast.read(0x1300, 8, runtime)), 0);
        QCOMPARE(runtime.at(1), uint16_t(32767));
        QCOMPARE(runtime.at(5), uint16_t(32767));
        QCOMPARE(runtime.at(2) | runtime.at(3) << 16, 5000);
    }
    Device d(c);
    QCOMPARE(int(d.write(0x0100, {1})), 0);
    QCOMPARE(regOf(d, 0x0200), uint16_t(2));
    d.advance(1);
    QCOMPARE(regOf(d, 0x0200), uint16_t(1));
    QCOMPARE(regOf(d, 0x0202), uint16_t(0));

    // 500 mm/s at full speed; the target is limited to the stroke.
    QCOMPARE(int(d.write(0x0103, {60000})), 0);
    d.advance(1.1);
    QCOMPARE(regOf(d, 0x0202), uint16_t(5000));
    QCOMPARE(regOf(d, 0x0201), uint16_t(0));
    QVERIFY(int16_t(regOf(d, 0x0204)) > 0);
    d.advance(2);
    QCOMPARE(regOf(d, 0x0201), uint16_t(2)); // ran into the object on the way
    QCOMPARE(regOf(d, 0x0202), uint16_t(10500));

    d.removeObject();
    d.advance(3);
    QCOMPARE(regOf(d, 0x0202), uint16_t(30000));

    // A push band ending without contact reports 3, with contact 2.
    QCOMPARE(int(d.write(0x0101, {50, 1000, 20000})), 0);
    d.advance(4);
    QCOMPARE(regOf(d, 0x0201), uint16_t(0)); // pushing slowly: 1000 units/s
    QCOMPARE(regOf(d, 0x0203), uint16_t(20));
    QCOMPARE(int16_t(regOf(d, 0x0204)), int16_t(-500));
    d.advance(5);
    QCOMPARE(regOf(d, 0x0202), uint16_t(19000));
    QCOMPARE(regOf(d, 0x0201), uint16_t(3));
    d.restoreObject();
    QCOMPARE(int(d.write(0x0102, {2000, 12000})), 0);
    d.advance(6);
    const int pushing = regOf(d, 0x0202);
    QVERIFY2(pushing > 10500 && pushing < 12000, qPrintable(QString::number(pushing)));
    QCOMPARE(regOf(d, 0x0201), uint16_t(0));
    d.advance(7);
    QCOMPARE(regOf(d, 0x0202), uint16_t(10500));
    QCOMPARE(regOf(d, 0x0201), uint16_t(2));
    const int pressing = int16_t(regOf(d, 0x0204)); // 50 % push force
    QVERIFY2(pressing >= -1003 && pressing <= -997, qPrintable(QString::number(pressing)));

    // Relative moves and jogging.
    QCOMPARE(int(d.write(0x0102, {0})), 0);
    QCOMPARE(int(d.write(0x0106, {1000})), 0);
    d.advance(8);
    QCOMPARE(regOf(d, 0x0202), uint16_t(11500));
    QCOMPARE(int(d.write(0x0104, {10})), 0); // 50 mm/s
    QCOMPARE(int(d.write(0x0107, {1})), 0);
    d.advance(8.5);
    QCOMPARE(regOf(d, 0x0201), uint16_t(0));
    QCOMPARE(int(d.write(0x0107, {0})), 0);
    QCOMPARE(regOf(d, 0x0202), uint16_t(14000));
    QCOMPARE(regOf(d, 0x0201), uint16_t(1));
    QCOMPARE(int(d.write(0x0107, {0xFFFF})), 0);
    d.advance(9);
    QCOMPARE(int(d.write(0x0107, {0})), 0);
    QCOMPARE(regOf(d, 0x0202), uint16_t(11500));

    // Emergency stop and servo off refuse motion.
    QCOMPARE(int(d.write(0x0400, {1})), 0);
    QCOMPARE(int(d.write(0x0103, {0})), 0);
    d.advance(20);
    QCOMPARE(regOf(d, 0x0202), uint16_t(11500));
    QCOMPARE(int(d.write(0x0400, {0})), 0);
    QCOMPARE(int(d.write(0x0501, {0})), 0);
    QCOMPARE(int(d.write(0x0103, {0})), 0);
    d.advance(30);
    QCOMPARE(regOf(d, 0x0202), uint16_t(11500));
}

void TestDevsim::saveAndState()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string state = QFile::encodeName(dir.filePath("device.state")).toStdString();
    {
        Device d(gripperConfig());
        d.setStateFile(state);
        std::string error;
        QVERIFY(d.loadState(error)); // no file yet: factory settings
        QCOMPARE(int(d.write(0x0302, {7, 4, 1, 1})), 0);
        QVERIFY(!d.takeLineChange());
        QCOMPARE(int(d.line().address), 1); // not before the save
        QCOMPARE(int(d.write(0x0300, {1})), 0);
        QCOMPARE(regOf(d, 0x0300), uint16_t(0));
        QVERIFY(d.takeLineChange());
        QVERIFY(!d.takeLineChange());
        d.applySavedLine();
        QCOMPARE(int(d.line().address), 7);
        QCOMPARE(d.line().baud, 9600);
        QCOMPARE(d.line().stopBits, 2);
        QCOMPARE(int(d.line().parity), int(ParityOdd));
        QCOMPARE(int(d.write(0x0504, {1})), 0); // saved later by the factory save
        QCOMPARE(int(d.write(0x0000, {0x6969})), 0);
        QCOMPARE(int(d.write(0x1105, {175})), 0);
        QCOMPARE(int(d.write(0x0301, {1})), 0); // never saved
    }
    QVERIFY(QFileInfo::exists(dir.filePath("device.state")));

    Device d(gripperConfig());
    d.setStateFile(state);
    std::string error;
    QVERIFY(d.loadState(error));
    QCOMPARE(int(d.line().address), 7);
    QCOMPARE(d.line().baud, 9600);
    QCOMPARE(regOf(d, 0x0303), uint16_t(4));
    QCOMPARE(regOf(d, 0x0301), uint16_t(0));
    QCOMPARE(regOf(d, 0x0000), uint16_t(0)); // access is not saved
    d.powerOn();
    QCOMPARE(regOf(d, 0x0200), uint16_t(2)); // initialises by itself

    // A damaged file is reported, not half applied silently.
    QFile file(dir.filePath("device.state"));
    QVERIFY(file.open(QIODevice::Append));
    file.write("0303 zz\n");
    file.close();
    Device broken(gripperConfig());
    broken.setStateFile(state);
    QVERIFY(!broken.loadState(error));
    QVERIFY(error.find("device.state") != std::string::npos);
}

void TestDevsim::ptyReadAndWrite()
{
    Simulator sim({"--model", "5201", "--uid", "12AB34CD", "--hw", "1.2.3", "--sw", "2.23"});
    QVERIFY(sim.start());
    Port port;
    QVERIFY(port.open(sim.port()));

    QCOMPARE(port.transact(readRequest(1, 0x0A00, 6), 17),
             framed({1, 3, 12, 0x52, 0x01, 0x01, 0x02, 0x02, 0x17, 0x34, 0xCD, 0x12, 0xAB, 0x00, 0x03}));
    QCOMPARE(port.transact(writeRequest(1, 0x0101, 55), 8), writeRequest(1, 0x0101, 55));
    const QByteArray multiple = framed({1, 0x10, 0x01, 0x01, 0x00, 0x04, 0x08,
                                        0x00, 0x14, 0x00, 0x64, 0x03, 0xE8, 0x00, 0x0A});
    QCOMPARE(port.transact(multiple, 8), framed({1, 0x10, 0x01, 0x01, 0x00, 0x04}));
    const QByteArray group = port.transact(readRequest(1, 0x0100, 10), 25);
    QCOMPARE(group.size(), 25);
    QVERIFY(rtu::crcMatches(toFrame(group)));
    QCOMPARE(values(group).mid(1, 4), (QVector<quint16>{20, 100, 1000, 10}));

    // A pause longer than the frame gap inside a request breaks it: no answer to either
    // piece, and the next whole request is answered.
    const QByteArray request = readRequest(1, 0x0302, 1);
    QVERIFY(port.transact(request.left(3), 1, 50).isEmpty());
    QVERIFY(port.transact(request.mid(3), 1, kSilenceMs).isEmpty());
    QCOMPARE(port.transact(request, 7), framed({1, 3, 2, 0, 1}));
}

void TestDevsim::ptyExceptionsAndSilence()
{
    Simulator sim({"--id", "3"});
    QVERIFY(sim.start());
    Port port;
    QVERIFY(port.open(sim.port()));

    QCOMPARE(port.transact(framed({3, 0x04, 0x02, 0x00, 0x00, 0x01}), 5), framed({3, 0x84, 0x01}));
    QCOMPARE(port.transact(readRequest(3, 0x0600, 1), 5), framed({3, 0x83, 0x02}));
    QCOMPARE(port.transact(readRequest(3, 0x0200, 0), 5), framed({3, 0x83, 0x03}));

    QByteArray bad = readRequest(3, 0x0302, 1);
    bad[bad.size() - 1] = char(bad[bad.size() - 1] ^ 0x01);
    QVERIFY(port.transact(bad, 1, kSilenceMs).isEmpty());
    QVERIFY(port.transact(readRequest(4, 0x0302, 1), 1, kSilenceMs).isEmpty()); // another ID
    QVERIFY(port.transact(writeRequest(0, 0x0101, 33), 1, kSilenceMs).isEmpty()); // broadcast
    QCOMPARE(port.transact(readRequest(3, 0x0101, 1), 7), framed({3, 3, 2, 0, 33}));

    Simulator failing({"--exception", "6"});
    QVERIFY(failing.start());
    Port other;
    QVERIFY(other.open(failing.port()));
    QCOMPARE(other.transact(readRequest(1, 0x0A00, 6), 5), framed({1, 0x83, 0x06}));
    QCOMPARE(other.transact(writeRequest(1, 0x0101, 1), 5), framed({1, 0x86, 0x06}));
}

void TestDevsim::ptyLineMismatch()
{
    Simulator sim({"--baud", "19200", "--parity", "odd", "--stopbits", "2"});
    QVERIFY(sim.start());
    Port port;
    const QByteArray probe = readRequest(1, 0x0302, 1);
    const QByteArray answer = framed({1, 3, 2, 0, 1});

    QVERIFY(port.open(sim.port(), 115200, 'O', 2));
    QVERIFY(port.transact(probe, 1, kSilenceMs).isEmpty());
    QVERIFY(port.open(sim.port(), 19200, 'N', 2));
    QVERIFY(port.transact(probe, 1, kSilenceMs).isEmpty());
    QVERIFY(port.open(sim.port(), 19200, 'O', 1));
    QVERIFY(port.transact(probe, 1, kSilenceMs).isEmpty());
    QVERIFY(port.open(sim.port(), 19200, 'O', 2));
    QCOMPARE(port.transact(probe, 7), answer);

    // Even cannot be told from none on a pseudo-terminal: both answer an even device.
    Simulator even({"--parity", "even"});
    QVERIFY(even.start());
    QVERIFY(port.open(even.port(), 115200, 'E'));
    QCOMPARE(port.transact(probe, 7), answer);
    QVERIFY(port.open(even.port(), 115200, 'N'));
    QCOMPARE(port.transact(probe, 7), answer);
    QVERIFY(port.open(even.port(), 115200, 'O'));
    QVERIFY(port.transact(probe, 1, kSilenceMs).isEmpty());
}

void TestDevsim::ptyAnyDeviceAddress()
{
    Simulator sim({"--id", "7"});
    QVERIFY(sim.start());
    Port port;
    QVERIFY(port.open(sim.port()));
    // The search probe at 255: the device answers with its own address, and byte 4 is
    // the value of 0x0302, its address again.
    const QByteArray reply = port.transact(readRequest(255, 0x0302, 1), 7);
    QCOMPARE(reply, framed({7, 3, 2, 0, 7}));
    QCOMPARE(int(quint8(reply[4])), 7);
    QCOMPARE(port.transact(readRequest(7, 0x0A00, 6), 17).size(), 17);
    QCOMPARE(port.transact(writeRequest(255, 0x0101, 80), 8), writeRequest(7, 0x0101, 80));
}

void TestDevsim::ptySaveSwitchesLine()
{
    Simulator sim;
    QVERIFY(sim.start());
    Port port;
    QVERIFY(port.open(sim.port()));
    const QByteArray newSettings = framed({1, 0x10, 0x03, 0x02, 0x00, 0x02, 0x04, 0x00, 0x09, 0x00, 0x04});
    QCOMPARE(port.transact(newSettings, 8), framed({1, 0x10, 0x03, 0x02, 0x00, 0x02}));
    // Not in force before the save.
    QCOMPARE(port.transact(readRequest(1, 0x0302, 2), 9), framed({1, 3, 4, 0, 9, 0, 4}));
    // The reply to the save still comes with the old settings.
    QCOMPARE(port.transact(writeRequest(1, 0x0300, 1), 8), writeRequest(1, 0x0300, 1));
    QVERIFY(port.transact(readRequest(9, 0x0302, 1), 1, kSilenceMs).isEmpty());
    QVERIFY(port.open(sim.port(), 9600));
    QVERIFY(port.transact(readRequest(1, 0x0302, 1), 1, kSilenceMs).isEmpty());
    QCOMPARE(port.transact(readRequest(9, 0x0302, 1), 7), framed({9, 3, 2, 0, 9}));
    QCOMPARE(port.transact(readRequest(255, 0x0303, 1), 7), framed({9, 3, 2, 0, 4}));
}

void TestDevsim::ptyMotionReachesTarget()
{
    Simulator sim({"--speedup", "2"});
    QVERIFY(sim.start());
    Port port;
    QVERIFY(port.open(sim.port()));
    auto reg = [&port](int address) {
        const QVector<quint16> v = values(port.transact(readRequest(1, address, 1), 7));
        return v.isEmpty() ? -1 : int(v[0]);
    };
    QCOMPARE(port.transact(writeRequest(1, 0x0100, 165), 8).size(), 8);
    QTRY_COMPARE_WITH_TIMEOUT(reg(0x0200), 1, 5000);
    QCOMPARE(reg(0x0202), 1000);
    QCOMPARE(port.transact(writeRequest(1, 0x0104, 10), 8).size(), 8);
    QCOMPARE(port.transact(writeRequest(1, 0x0103, 200), 8).size(), 8);
    const QVector<quint16> feedback = values(port.transact(readRequest(1, 0x0200, 14), 33));
    QCOMPARE(feedback.size(), 14);
    QCOMPARE(int(feedback[1]), 0); // moving
    QTRY_COMPARE_WITH_TIMEOUT(reg(0x0202), 200, 5000);
    QCOMPARE(reg(0x0201), 1);
    QCOMPARE(reg(0x0204), 0);
}

void TestDevsim::ptyObjectTakenAway()
{
    Simulator sim({"--initialised", "--object", "300", "--speedup", "4"});
    QVERIFY(sim.start());
    Port port;
    QVERIFY(port.open(sim.port()));
    auto reg = [&port](int address) {
        const QVector<quint16> v = values(port.transact(readRequest(1, address, 1), 7));
        return v.isEmpty() ? -1 : int(v[0]);
    };
    QCOMPARE(port.transact(writeRequest(1, 0x0103, 0), 8).size(), 8);
    QTRY_COMPARE_WITH_TIMEOUT(reg(0x0201), 2, 5000);
    QCOMPARE(reg(0x0202), 300);
    ::kill(pid_t(sim.process()->processId()), SIGUSR1);
    QTRY_COMPARE_WITH_TIMEOUT(reg(0x0201), 3, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(reg(0x0202), 0, 5000);
    QCOMPARE(reg(0x0201), 3);
}

void TestDevsim::ptyFaults()
{
    Simulator dropping({"--drop", "1"});
    QVERIFY(dropping.start());
    Port port;
    QVERIFY(port.open(dropping.port()));
    QVERIFY(port.transact(writeRequest(1, 0x0101, 42), 1, kSilenceMs).isEmpty());
    dropping.stop();

    Simulator corrupt({"--bad-crc", "1"});
    QVERIFY(corrupt.start());
    QVERIFY(port.open(corrupt.port()));
    const QByteArray reply = port.transact(readRequest(1, 0x0302, 1), 7);
    QCOMPARE(reply.size(), 7);
    QCOMPARE(reply.left(5), framed({1, 3, 2, 0, 1}).left(5));
    QVERIFY(!rtu::crcMatches(toFrame(reply)));
    corrupt.stop();

    // A late answer.
    Simulator late({"--delay", "200"});
    QVERIFY(late.start());
    QVERIFY(port.open(late.port()));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(port.transact(readRequest(1, 0x0302, 1), 7, 5000), framed({1, 3, 2, 0, 1}));
    QVERIFY(clock.elapsed() >= 190);
    late.stop();

    // At 4800 baud 8N1, a request of 8 bytes and a reply of 17 take 52 ms on the wire, and
    // the reply starts after 7.3 ms of silence; a request sent at once after the reply
    // also waits for the silence that ends the reply. Both are lower bounds counted from
    // the first request, which a late scheduler can only lengthen.
    Simulator wire({"--wire-time", "--baud", "4800"});
    QVERIFY(wire.start());
    QVERIFY(port.open(wire.port(), 4800));
    clock.restart();
    QCOMPARE(port.transact(readRequest(1, 0x0A00, 6), 17, 5000).size(), 17);
    QVERIFY(clock.elapsed() >= 59);
    QCOMPARE(port.transact(readRequest(1, 0x0A00, 6), 17, 5000).size(), 17);
    QVERIFY2(clock.elapsed() >= 125, qPrintable(QString::number(clock.elapsed()))); // 2 x 59.4 + 7.3
}

// A line that echoes returns each request before the answer, also one no device answers;
// a held line hands answers over only at its boundaries, so three transactions one after
// the other take at least two of them.
void TestDevsim::ptyEchoAndHold()
{
    const QByteArray request = readRequest(1, 0x0302, 1);
    const QByteArray answer = framed({1, 3, 2, 0, 1});
    Simulator echo({"--echo"});
    QVERIFY(echo.start());
    Port port;
    QVERIFY(port.open(echo.port()));
    QCOMPARE(port.transact(request, 15), request + answer);
    const QByteArray foreign = readRequest(7, 0x0302, 1);
    QCOMPARE(port.transact(foreign, 9, kSilenceMs), foreign);
    echo.stop();

    Simulator held({"--hold", "100"});
    QVERIFY(held.start());
    QVERIFY(port.open(held.port()));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(port.transact(request, 7), answer);
    QVERIFY2(clock.elapsed() >= 200, qPrintable(QString::number(clock.elapsed())));
}

// Faults before the device: a lost request is never seen, a corrupted one fails the CRC
// check; neither is answered nor carried out. The log's last line tells what the written
// registers hold.
void TestDevsim::ptyRequestFaults_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("logged");
    QTest::newRow("clean line") << QStringList() << "holds 0101=002A";
    QTest::newRow("request lost") << QStringList{"--lose-requests", "1"} << "lost on the line";
    QTest::newRow("request corrupted") << QStringList{"--corrupt-requests", "1"} << "corrupted on the line";
}

void TestDevsim::ptyRequestFaults()
{
    QFETCH(QStringList, args);
    QFETCH(QString, logged);
    Simulator sim(args << "-v");
    sim.process()->setProcessChannelMode(QProcess::SeparateChannels);
    QVERIFY(sim.start());
    Port port;
    QVERIFY(port.open(sim.port()));
    const QByteArray request = writeRequest(1, 0x0101, 42);
    const bool clean = logged.startsWith("holds");
    QCOMPARE(port.transact(request, 8, clean ? 2000 : kSilenceMs), clean ? request : QByteArray());
    sim.stop();
    const QString log = QString::fromLocal8Bit(sim.process()->readAllStandardError());
    QVERIFY2(log.contains(logged), qPrintable(log));
    QCOMPARE(log.contains("holds"), clean);
    QCOMPARE(log.contains("bad CRC"), logged.startsWith("corrupted"));
}

void TestDevsim::ptyVanishAfter()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttySIMvanish");
    Simulator sim({"--vanish-after", "2", "--link", link});
    QVERIFY(sim.start());
    QCOMPARE(sim.port(), link);
    Port port;
    QVERIFY(port.open(link));
    QCOMPARE(port.transact(readRequest(1, 0x0302, 1), 7).size(), 7);
    QCOMPARE(port.transact(readRequest(1, 0x0302, 1), 7).size(), 7);
    QTRY_VERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    QVERIFY(port.transact(readRequest(1, 0x0302, 1), 1, kSilenceMs).isEmpty());
    QVERIFY(port.hungUp());
    QCOMPARE(sim.process()->state(), QProcess::Running); // unplugged, not ended
}

void TestDevsim::ptyEndsWithItsParent()
{
    // The parent dies without a word, as a crashing test does: the simulator goes too (and
    // removes its link on the way), instead of holding the test's output open.
    QTemporaryDir dir;
    const QString link = dir.filePath("ttySIMorphan");
    QProcess parent;
    parent.start("sh", {"-c", "\"$0\" --link \"$1\" & wait", qEnvironmentVariable("DEVSIM"), link});
    QVERIFY(parent.waitForStarted());
    QTRY_VERIFY(QFileInfo(link).isSymLink());
    ::kill(pid_t(parent.processId()), SIGKILL);
    QVERIFY(parent.waitForFinished());
    QTRY_VERIFY(!QFileInfo(link).isSymLink());
}

void TestDevsim::ptyLinkAndReopen()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("new/dir/ttySIM0");
    Simulator sim({"--link", link});
    QVERIFY(sim.start());
    QCOMPARE(sim.port(), link);
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(QFileInfo(link).symLinkTarget().startsWith("/dev/pts/"));

    // A master closing the port and a new one opening it: still answered.
    for (int i = 0; i < 3; ++i) {
        Port port;
        QVERIFY(port.open(link));
        QCOMPARE(port.transact(readRequest(1, 0x0302, 1), 7), framed({1, 3, 2, 0, 1}));
    }
    // A reply that the master left unread is not handed to the next one.
    {
        Port port;
        QVERIFY(port.open(link));
        QVERIFY(port.send(writeRequest(1, 0x0101, 9)));
        QTRY_COMPARE(port.available(), 8);
    }
    Port next;
    QVERIFY(next.open(link));
    QTRY_COMPARE(next.available(), 0);
    QVERIFY(next.send(readRequest(1, 0x0101, 1)));
    QCOMPARE(next.receive(7, 2000), framed({1, 3, 2, 0, 9}));
    QVERIFY(next.receive(1, 50).isEmpty());

    ::kill(pid_t(sim.process()->processId()), SIGINT);
    QVERIFY(sim.process()->waitForFinished(5000));
    QCOMPARE(sim.process()->exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestDevsim::ptyBus()
{
    // Three devices on one line, each with its own model, unique ID and state.
    Simulator sim({"--id", "1-3", "--model", "2701,4001,5201", "--uid", "000000A1,000000A2,000000A3",
                   "--wire-time", "--baud", "4800"});
    QVERIFY(sim.start());
    Port port;
    QVERIFY(port.open(sim.port(), 4800));
    const int models[] = {0x2701, 0x4001, 0x5201};
    for (int id = 1; id <= 3; ++id) {
        const QByteArray ident = port.transact(readRequest(id, 0x0A00, 6), 17, 5000);
        QVERIFY(rtu::crcMatches(toFrame(ident)));
        QCOMPARE(int(quint8(ident[0])), id);
        const QVector<quint16> v = values(ident);
        QCOMPARE(int(v[0]), models[id - 1]);
        QCOMPARE(int(v[3]), 0xA0 + id);
    }
    QCOMPARE(port.transact(writeRequest(2, 0x0101, 33), 8, 5000), writeRequest(2, 0x0101, 33));
    QCOMPARE(values(port.transact(readRequest(1, 0x0101, 1), 7, 5000)), QVector<quint16>{100});
    QCOMPARE(values(port.transact(readRequest(2, 0x0101, 1), 7, 5000)), QVector<quint16>{33});

    // A broadcast reaches all; at 255 all answer at once and the master hears garbage.
    QVERIFY(port.transact(writeRequest(0, 0x0104, 42), 1, kSilenceMs).isEmpty());
    for (int id = 1; id <= 3; ++id)
        QCOMPARE(values(port.transact(readRequest(id, 0x0104, 1), 7, 5000)), QVector<quint16>{42});
    const QByteArray collided = port.transact(readRequest(255, 0x0302, 1), 7, 5000);
    QCOMPARE(collided.size(), 7);
    QVERIFY(!rtu::crcMatches(toFrame(collided)));

    // An absent ID gets no answer but holds the wire: at 4800 8N1 its 8 bytes and their
    // silence take 24 ms, before the 59 ms of the next request and its answer.
    QVERIFY(port.transact(readRequest(4, 0x0A00, 6), 1, kSilenceMs).isEmpty());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(port.send(readRequest(4, 0x0A00, 6)));
    QCOMPARE(port.transact(readRequest(1, 0x0A00, 6), 17, 5000).size(), 17);
    QVERIFY2(clock.elapsed() >= 82, qPrintable(QString::number(clock.elapsed())));

    // A list of models or delays must fit the IDs.
    for (const QStringList &list : {QStringList{"--model", "2701,4001"}, QStringList{"--delay", "0,80"}}) {
        QProcess bad;
        bad.start(qEnvironmentVariable("DEVSIM"), QStringList{"--id", "1-3"} + list);
        QVERIFY(bad.waitForFinished());
        QCOMPARE(bad.exitCode(), 2);
        const QString error = QString::fromLocal8Bit(bad.readAllStandardError());
        QVERIFY2(error.contains(list.first() + ": one ") && error.contains("or one per ID (3)"), qPrintable(error));
    }
}

QTEST_GUILESS_MAIN(TestDevsim)
#include "tst_devsim.moc"
