// Devices on the network: port addresses, the simulator as a device server and Modbus TCP
// device, third-party peers against it, and the blocking master over both framings.
#include "link/modbusclient.h"
#include "link/portaddress.h"
#include "link/traffic.h"
#include "support/fakeserver.h"
#include "support/simulator.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// Runs a program to its end; its standard output, or empty with a warning when it fails.
QString run(const QString &program, const QStringList &args, int timeoutMs = 20000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s %s: exit %d", qPrintable(program), qPrintable(args.join(' ')), p.exitCode());
        p.kill();
        p.waitForFinished();
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pymodbusPeer()
{
    return QFINDTESTDATA("support/pymodbus_peer.py");
}

// The text with its "%1" made the port number; text without one stays as it is.
QString withPort(QString text, int port)
{
    return text.replace(QLatin1String("%1"), QString::number(port));
}

int portOf(const QString &address)
{
    return address.mid(address.lastIndexOf(QLatin1Char(':')) + 1).toInt();
}

// A Modbus TCP request reading `count` registers from `start`.
QByteArray mbapRead(quint16 transaction, quint8 unit, quint16 start, quint16 count, quint16 protocol = 0)
{
    QByteArray f;
    for (quint16 v : {transaction, protocol, quint16(6)}) {
        f.append(char(v >> 8));
        f.append(char(v & 0xFF));
    }
    f.append(char(unit));
    f.append(char(0x03));
    for (quint16 v : {start, count}) {
        f.append(char(v >> 8));
        f.append(char(v & 0xFF));
    }
    return f;
}

} // namespace

class TestNetwork : public QObject
{
    Q_OBJECT

private slots:
    void addresses_data();
    void addresses();
    void badAddresses_data();
    void badAddresses();

    void peersReadTheSimulator_data();
    void peersReadTheSimulator();
    void clientsTakeTurns();

    void clientOverTheNetwork_data();
    void clientOverTheNetwork();
    void failuresAreToldAndWritesGoOnce_data();
    void failuresAreToldAndWritesGoOnce();
    void lateAnswerIsDropped_data();
    void lateAnswerIsDropped();
    void unreachableIsToldInTime_data();
    void unreachableIsToldInTime();
    void reconnectsWhenTheServerIsBack();
};

void TestNetwork::addresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<QString>("canonical");

    const int serial = int(PortAddress::Kind::Serial);
    const int tcp = int(PortAddress::Kind::ModbusTcp);
    const int rtu = int(PortAddress::Kind::RtuOverTcp);
    QTest::newRow("serial path") << "/dev/ttyUSB0" << serial << "" << 0 << 0 << 150 << "/dev/ttyUSB0";
    QTest::newRow("serial name") << " COM3 " << serial << "" << 0 << 0 << 150 << "COM3";
    QTest::newRow("modbus tcp") << "tcp://192.168.1.20:502" << tcp << "192.168.1.20" << 502 << 0 << 1000
                                << "tcp://192.168.1.20:502";
    QTest::newRow("tcp default port") << "tcp://plc-7" << tcp << "plc-7" << 502 << 0 << 1000 << "tcp://plc-7:502";
    QTest::newRow("scheme in capitals") << "TCP://host:1502" << tcp << "host" << 1502 << 0 << 1000
                                        << "tcp://host:1502";
    QTest::newRow("device server") << "rtu+tcp://10.0.0.5:4001?baud=9600" << rtu << "10.0.0.5" << 4001 << 9600
                                   << 1000 << "rtu+tcp://10.0.0.5:4001?baud=9600";
    QTest::newRow("both options, any order") << "rtu+tcp://gw.example:4001?timeout=300&baud=115200" << rtu
                                             << "gw.example" << 4001 << 115200 << 300
                                             << "rtu+tcp://gw.example:4001?baud=115200&timeout=300";
    QTest::newRow("ipv6") << "tcp://[::1]:1502" << tcp << "::1" << 1502 << 0 << 1000 << "tcp://[::1]:1502";
    QTest::newRow("ipv6 default port") << "tcp://[fe80::1]" << tcp << "fe80::1" << 502 << 0 << 1000
                                       << "tcp://[fe80::1]:502";
    QTest::newRow("ipv6 scope id") << "rtu+tcp://[fe80::1%1]:4001" << rtu << "fe80::1%1" << 4001 << 0 << 1000
                                   << "rtu+tcp://[fe80::1%1]:4001";
    QTest::newRow("highest port") << "rtu+tcp://h:65535" << rtu << "h" << 65535 << 0 << 1000 << "rtu+tcp://h:65535";
}

void TestNetwork::addresses()
{
    QFETCH(QString, text);
    PortAddress a;
    QString why;
    QVERIFY2(PortAddresses::parse(text, &a, &why), qPrintable(why));
    QTEST(int(a.kind), "kind");
    QTEST(a.host, "host");
    QTEST(int(a.port), "port");
    QTEST(int(a.downstreamBaud), "baud");
    QTEST(a.answerWaitMs(), "waitMs");
    QTEST(a.text(), "canonical");
    // What is written out reads back the same.
    PortAddress again;
    QVERIFY(PortAddresses::parse(a.text(), &again, &why));
    QCOMPARE(again.text(), a.text());
}

void TestNetwork::badAddresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason"); // a part of the message

    QTest::newRow("empty") << "  " << "names no port";
    QTest::newRow("unknown scheme") << "udp://h:502" << "unknown scheme \"udp\"";
    QTest::newRow("no scheme") << "://h:502" << "no scheme";
    QTest::newRow("no host") << "tcp://:502" << "names no host";
    QTest::newRow("bad host") << "tcp://my plc:502" << "is not a host name";
    QTest::newRow("rtu needs a port") << "rtu+tcp://10.0.0.5" << "give the device server's port";
    QTest::newRow("empty port") << "tcp://h:" << "no port number";
    QTest::newRow("port not a number") << "tcp://h:50x" << "port \"50x\" is not a number";
    QTest::newRow("port zero") << "tcp://h:0" << "port 0 is out of range";
    QTest::newRow("port too high") << "tcp://h:65536" << "port 65536 is out of range (1 to 65535)";
    QTest::newRow("port far too high") << "tcp://h:99999999999999999" << "is not a number";
    QTest::newRow("negative port") << "tcp://h:-1" << "is not a number";
    QTest::newRow("bare ipv6") << "tcp://fe80::1:502" << "goes in brackets";
    QTest::newRow("unclosed bracket") << "tcp://[::1:502" << "closing ']'";
    QTest::newRow("not ipv6 in brackets") << "tcp://[host]:502" << "is not an IPv6 address";
    QTest::newRow("junk after bracket") << "tcp://[::1]502" << "after the IPv6 address";
    QTest::newRow("path") << "tcp://h:502/unit/1" << "nothing may follow HOST:PORT";
    QTest::newRow("credentials") << "tcp://user:pw@h:502" << "no user name or password";
    QTest::newRow("unknown option") << "rtu+tcp://h:4001?parity=even" << "unknown option \"parity=even\"";
    QTest::newRow("odd baud") << "rtu+tcp://h:4001?baud=12345" << "baud=12345";
    QTest::newRow("baud not a number") << "rtu+tcp://h:4001?baud=fast" << "baud=fast";
    QTest::newRow("timeout too short") << "tcp://h?timeout=5" << "timeout=5: milliseconds, 10 to 60000";
    QTest::newRow("timeout a placeholder") << "tcp://h?timeout=%2" << "timeout=%2: milliseconds, 10 to 60000";
    QTest::newRow("option twice") << "tcp://h?baud=9600&baud=9600" << "baud= is given twice";
    QTest::newRow("empty options") << "tcp://h:502?" << "nothing after '?'";
}

void TestNetwork::badAddresses()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    PortAddress a;
    a.host = QStringLiteral("untouched");
    QString why;
    QVERIFY(!PortAddresses::parse(text, &a, &why));
    QVERIFY2(why.contains(reason), qPrintable(why));
    QCOMPARE(a.host, QStringLiteral("untouched"));
}

// Third-party masters read the identification block of each device of a simulated bus.
void TestNetwork::peersReadTheSimulator_data()
{
    QTest::addColumn<QString>("framing");
    QTest::addColumn<QString>("peer");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("expected"); // registers 0x0A00 to 0x0A05

    // Models 2701, 4001, 5201; unique IDs 1A2B3C4D, 00C0FFEE, 0BADCAFE (low word first).
    QTest::newRow("mbpoll, Modbus TCP, ID 1") << "tcp" << "mbpoll" << 1 << "9985 258 542 15437 6699 3";
    QTest::newRow("mbpoll, Modbus TCP, ID 3") << "tcp" << "mbpoll" << 3 << "20993 258 542 51966 2989 3";
    QTest::newRow("pymodbus, RTU over TCP, ID 2") << "rtu" << "pymodbus" << 2 << "16385 258 542 65518 192 3";
    QTest::newRow("pymodbus, Modbus TCP, ID 1") << "tcp" << "pymodbus" << 1 << "9985 258 542 15437 6699 3";
}

void TestNetwork::peersReadTheSimulator()
{
    QFETCH(QString, framing);
    QFETCH(QString, peer);
    QFETCH(int, id);
    Simulator sim({"--listen", "127.0.0.1:0", "--framing", framing, "--id", "1-3", "--model", "2701,4001,5201",
                   "--uid", "1A2B3C4D,00C0FFEE,0BADCAFE", "--wire-time"});
    QVERIFY(sim.start());
    QVERIFY2(sim.port().startsWith(framing == "tcp" ? "tcp://127.0.0.1:" : "rtu+tcp://127.0.0.1:"),
             qPrintable(sim.port()));
    const QString port = QString::number(portOf(sim.port()));
    QStringList values;
    if (peer == "mbpoll") {
        // Its lines read "[2563]: \t51966 (-13570)": the value, then its signed reading.
        const QString out = run("mbpoll", {"-m", "tcp", "-a", QString::number(id), "-0", "-r", "2560", "-c", "6",
                                           "-1", "-p", port, "127.0.0.1"});
        for (const QString &line : out.split('\n'))
            if (line.startsWith('['))
                values << line.section(QLatin1Char(':'), 1).trimmed().section(QLatin1Char(' '), 0, 0);
    } else {
        values = run("/usr/bin/python3", {pymodbusPeer(), "client", framing, "127.0.0.1", port,
                                         QString::number(id), "0x0A00", "6"})
                     .trimmed()
                     .split(' ');
    }
    QTEST(values.join(' '), "expected");
}

// Clients that each send several requests at once get every answer, on their own
// connection, with their own transaction ids, while the line takes one request at a time;
// a header out of step ends only its own connection.
void TestNetwork::clientsTakeTurns()
{
    Simulator sim({"--listen", "127.0.0.1:0", "--id", "1-2", "--uid", "00000001,00000002", "--wire-time"});
    QVERIFY(sim.start());
    QTcpSocket a;
    QTcpSocket b;
    QTcpSocket rogue;
    for (QTcpSocket *s : {&a, &b, &rogue}) {
        s->connectToHost("127.0.0.1", quint16(portOf(sim.port())));
        QVERIFY(s->waitForConnected(5000));
    }
    constexpr int Requests = 5;
    QByteArray burstA;
    QByteArray burstB;
    for (int i = 0; i < Requests; ++i) {
        burstA += mbapRead(quint16(0x100 + i), 1, 0x0A03, 1);
        burstB += mbapRead(quint16(0x200 + i), 2, 0x0A03, 1);
    }
    a.write(burstA);
    b.write(burstB);
    rogue.write(mbapRead(7, 1, 0x0A03, 1, /*protocol*/ 1));
    // Each answer: header (7), function, byte count, one register: 11 bytes.
    for (QTcpSocket *s : {&a, &b})
        QTRY_COMPARE_WITH_TIMEOUT(s->bytesAvailable(), qint64(11 * Requests), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(rogue.state(), QAbstractSocket::UnconnectedState, 5000);
    const QByteArray gotA = a.readAll();
    const QByteArray gotB = b.readAll();
    // Transaction id, protocol 0, length 5, unit id, function 3, 2 bytes: the unique ID's
    // low word, which is the unit's own number here.
    const auto answer = [](int transaction, int unit) {
        return QString::asprintf("%04x00000005%02x03020%03x", transaction, unit, unit).toLatin1();
    };
    for (int i = 0; i < Requests; ++i) {
        QCOMPARE(gotA.mid(11 * i, 11).toHex(), answer(0x100 + i, 1));
        QCOMPARE(gotB.mid(11 * i, 11).toHex(), answer(0x200 + i, 2));
    }
}

// The blocking master reads and writes through both framings; the traffic record holds
// every frame as an RTU frame under the port's address.
void TestNetwork::clientOverTheNetwork_data()
{
    QTest::addColumn<QString>("framing");
    QTest::newRow("Modbus TCP") << "tcp";
    QTest::newRow("RTU over TCP") << "rtu";
}

void TestNetwork::clientOverTheNetwork()
{
    QFETCH(QString, framing);
    Simulator sim({"--listen", "127.0.0.1:0", "--framing", framing, "--wire-time"});
    QVERIFY(sim.start());
    ModbusClient client;
    QVector<TrafficFrame> frames;
    client.setFrameObserver([&frames](const TrafficFrame &f) { frames << f; });
    QString why;
    const QString address = sim.port() + "?baud=115200";
    QVERIFY2(client.open(LineSettings{address}, &why), qPrintable(why));
    QVERIFY(client.isNetwork());
    QCOMPARE(client.answerWait(), 1000);

    const ModbusClient::Reply ident = client.read(1, 0x0A00, 6);
    QVERIFY2(ident.ok(), qPrintable(ident.errorText()));
    QCOMPARE(ident.values.first(), quint16(0x2701));
    QVERIFY(client.write(1, 0x0406, {60}).ok());
    QCOMPARE(client.read(1, 0x0406, 1).values, QVector<quint16>{60});

    QCOMPARE(frames.size(), 6);
    for (const TrafficFrame &f : frames) {
        QCOMPARE(f.port, address);
        const TrafficDecoded d = decodeTraffic(f);
        QCOMPARE(int(d.crc), int(TrafficDecoded::CrcGood));
        QCOMPARE(d.server, 1);
    }
    QCOMPARE(int(decodeTraffic(frames.at(3)).kind), int(TrafficDecoded::WriteSingle));
}

// A server that takes requests but misbehaves: every failure says what happened, a read is
// tried again (over a new connection when the last one ended), a write goes out once.
void TestNetwork::failuresAreToldAndWritesGoOnce_data()
{
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<bool>("mbap");
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("connections");

    using S = ModbusClient::Status;
    QTest::newRow("silent, RTU, read") << int(FakeServer::Silent) << false << false << int(S::NoAnswer)
                                       << "the device server at 127.0.0.1:%1 took the request, but the device behind it did not answer"
                                       << 3 << 1;
    QTest::newRow("silent, Modbus TCP, write") << int(FakeServer::Silent) << true << true << int(S::NoAnswer)
                                               << "neither it nor a device behind it answered" << 1 << 1;
    QTest::newRow("garbage, RTU, read") << int(FakeServer::Garbage) << false << false << int(S::BadAnswer)
                                        << "garbled answer" << 3 << 1;
    QTest::newRow("garbage, RTU, write") << int(FakeServer::Garbage) << false << true << int(S::BadAnswer)
                                         << "garbled answer" << 1 << 1;
    // A Modbus TCP stream out of step is given up: each try connects anew.
    QTest::newRow("garbage, Modbus TCP, read") << int(FakeServer::Garbage) << true << false << int(S::BadAnswer)
                                               << "garbled answer" << 3 << 3;
    QTest::newRow("cut short, RTU, read") << int(FakeServer::CutShort) << false << false << int(S::ConnectionLost)
                                          << "closed the connection in the middle of the answer (3 bytes came)" << 3 << 3;
    QTest::newRow("cut short, Modbus TCP, write") << int(FakeServer::CutShort) << true << true
                                                  << int(S::ConnectionLost) << "in the middle of the answer" << 1 << 1;
}

void TestNetwork::failuresAreToldAndWritesGoOnce()
{
    QFETCH(int, behaviour);
    QFETCH(bool, mbap);
    QFETCH(bool, write);
    QFETCH(QString, text);
    QFETCH(int, requests);
    FakeServer server(FakeServer::Behaviour(behaviour), mbap);
    const quint16 port = server.begin();
    ModbusClient client;
    QString why;
    QVERIFY2(client.open(LineSettings{QStringLiteral("%1://127.0.0.1:%2?timeout=100").arg(mbap ? "tcp" : "rtu+tcp").arg(port)},
                         &why), qPrintable(why));
    const ModbusClient::Reply reply = write ? client.write(1, 0x0406, {60}) : client.read(1, 0x0202, 2);
    QTEST(int(reply.status), "status");
    QVERIFY2(reply.errorText().contains(withPort(text, port)), qPrintable(reply.errorText()));
    QTRY_COMPARE(write ? server.writes() : server.reads(), requests);
    QTEST(server.connections(), "connections");
    QCOMPARE(write ? server.reads() : server.writes(), 0);
}

// The answer to a request that timed out comes before the next request: it is dropped, and
// the next request is answered by its own answer at the first try.
void TestNetwork::lateAnswerIsDropped_data()
{
    QTest::addColumn<bool>("mbap");
    QTest::newRow("RTU over TCP") << false;
    QTest::newRow("Modbus TCP") << true;
}

void TestNetwork::lateAnswerIsDropped()
{
    QFETCH(bool, mbap);
    FakeServer server(FakeServer::FirstLate, mbap);
    const quint16 port = server.begin();
    ModbusClient client;
    client.setAttempts(1);
    QVERIFY(client.open(LineSettings{QStringLiteral("%1://127.0.0.1:%2?timeout=100").arg(mbap ? "tcp" : "rtu+tcp").arg(port)},
                        nullptr));
    QCOMPARE(client.read(1, 0x0100, 2).status, ModbusClient::Status::NoAnswer);
    server.releaseLate();
    QTRY_VERIFY(server.lateSent());
    const ModbusClient::Reply reply = client.read(1, 0x0200, 2);
    QVERIFY2(reply.ok(), qPrintable(reply.errorText()));
    QCOMPARE(reply.values, (QVector<quint16>{0x0200, 0x0201}));
    QCOMPARE(server.reads(), 2);
}

// A port that cannot be reached or does not make sense is told at once, and clearly.
void TestNetwork::unreachableIsToldInTime_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing listens") << "tcp://127.0.0.1:%1?timeout=500"
                                     << "the Modbus TCP device at 127.0.0.1:%1 cannot be reached: it refuses the connection";
    QTest::newRow("unknown host") << "rtu+tcp://no-such-host.invalid:4001?timeout=500"
                                  << "the device server at no-such-host.invalid:4001 cannot be reached: the host name";
    QTest::newRow("port out of range") << "tcp://127.0.0.1:65536" << "port 65536 is out of range";
}

void TestNetwork::unreachableIsToldInTime()
{
    QFETCH(QString, address);
    QFETCH(QString, text);
    // A port nobody listens on: one that was free a moment ago.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 unused = probe.serverPort();
    probe.close();
    ModbusClient client;
    QString why;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!client.open(LineSettings{withPort(address, unused)}, &why));
    QVERIFY2(why.contains(withPort(text, unused)), qPrintable(why));
    QVERIFY2(timer.elapsed() < 5000, "not within the time-out"); // a hang, not a slow machine
    QCOMPARE(client.read(1, 0x0A00, 6).status, ModbusClient::Status::NotOpen);
}

// A device server that goes away is connected to again once it is back, after pauses that
// grow; meanwhile every request says at once that it cannot be reached.
void TestNetwork::reconnectsWhenTheServerIsBack()
{
    Simulator first({"--listen", "127.0.0.1:0", "--framing", "rtu", "--vanish-after", "2"});
    QVERIFY(first.start());
    const QString address = first.port();
    ModbusClient client;
    QVERIFY(client.open(LineSettings{address}, nullptr));
    QVERIFY(client.read(1, 0x0A00, 6).ok());
    QVERIFY(client.read(1, 0x0A00, 6).ok()); // the second answer, then the server is gone

    ModbusClient::Reply reply = client.read(1, 0x0A00, 6);
    QCOMPARE(reply.status, ModbusClient::Status::Unreachable);
    QVERIFY2(reply.errorText().contains("cannot be reached: it refuses the connection"), qPrintable(reply.errorText()));
    reply = client.read(1, 0x0A00, 6);
    QCOMPARE(reply.status, ModbusClient::Status::Unreachable);
    QVERIFY2(reply.errorText().contains("; the next try in 1 s"), qPrintable(reply.errorText()));

    Simulator second({"--listen", address.mid(QStringLiteral("rtu+tcp://").size()), "--framing", "rtu"});
    QVERIFY(second.start());
    QTRY_VERIFY_WITH_TIMEOUT(client.read(1, 0x0A00, 6).ok(), 15000);
}

QTEST_GUILESS_MAIN(TestNetwork)
#include "tst_network.moc"
