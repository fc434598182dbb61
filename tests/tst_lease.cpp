// A device of a gateway's bus lent to one client: the messages read directly (untrusted,
// from the broker), then the gateway between a broker and a simulated bus of the test's own,
// spoken to by hand (a lease taken, read and written through, refused, let go and expired)
// and by grivantctl and the blocking master through the broker (its commands, a lease taken
// again after it expired, brokers that cannot be reached or do not answer, a second client
// refused, the last will of a client killed, the other devices' polls while one is leased).
#include "link/leaseprotocol.h"
#include "link/leasetransport.h"
#include "link/modbusclient.h"
#include "support/broker.h"
#include "support/fakeserver.h"
#include "support/simulator.h"
#include "support/watcher.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using LeaseProtocol::Answer;

namespace {

const char *const Session = "session-aaaa";

QString gatewayProgram()
{
    return QStringLiteral(GATEWAY);
}

// The simulator's time of the first request in `log` that holds `what`; 0 when none.
double firstTime(const QByteArray &log, const QByteArray &what)
{
    for (const QByteArray &line : log.split('\n'))
        if (line.startsWith("devsim") && line.contains(what))
            return line.mid(6).trimmed().split(' ').value(0).toDouble();
    return 0;
}

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run ctl(const QStringList &arguments)
{
    QProcess process;
    // Waited for in an event loop: the simulator's log keeps flowing meanwhile, and a full
    // pipe would stop the simulator.
    QSignalSpy finished(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    process.start(QStringLiteral(GRIVANTCTL), arguments);
    Run run;
    if (!finished.wait(30000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// One side of a lease spoken by hand through a watcher of the broker.
class Lessee
{
public:
    Lessee(Watcher &broker, const QString &place, const QString &session)
        : m_broker(broker), m_place(place), m_session(session)
    {
    }

    Answer take(const QString &holder)
    {
        LeaseProtocol::LeaseMessage m;
        m.session = m_session;
        m.holder = holder;
        m_broker.publish(m_place + "/lease", LeaseProtocol::leaseMessage(m));
        return waitLease();
    }
    void release()
    {
        LeaseProtocol::LeaseMessage m;
        m.op = LeaseProtocol::LeaseMessage::Op::Release;
        m.session = m_session;
        m_broker.publish(m_place + "/lease", LeaseProtocol::leaseMessage(m));
    }
    void send(quint32 seq, const QByteArray &hex)
    {
        LeaseProtocol::Request r;
        r.session = m_session;
        r.seq = seq;
        r.pdu = QByteArray::fromHex(hex);
        m_broker.publish(m_place + "/request", LeaseProtocol::request(r));
    }
    Answer answerTo(quint32 seq)
    {
        return wait([seq](const Answer &a) {
            return (a.kind == Answer::Kind::Pdu || a.kind == Answer::Kind::Error) && a.seq == seq;
        });
    }
    Answer ask(quint32 seq, const QByteArray &hex)
    {
        send(seq, hex);
        return answerTo(seq);
    }
    // The next answer of this session about its lease.
    Answer waitLease(int timeoutMs = 5000)
    {
        return wait([](const Answer &a) { return a.kind != Answer::Kind::Pdu && a.kind != Answer::Kind::Error; },
                    timeoutMs);
    }

private:
    template<typename Match>
    Answer wait(Match match, int timeoutMs = 5000)
    {
        Answer found;
        found.kind = Answer::Kind::Error;
        found.error = "nothing came";
        const int from = m_seen;
        (void)QTest::qWaitFor([&] {
            const QVector<Watcher::Message> all = m_broker.on(m_place + "/answer");
            for (int i = from; i < all.size(); ++i) {
                Answer a;
                QString why;
                if (!LeaseProtocol::parseAnswer(all.at(i).payload, &a, &why) || a.session != m_session || !match(a))
                    continue;
                found = a;
                m_seen = i + 1;
                return true;
            }
            return false;
        }, timeoutMs);
        return found;
    }

    Watcher &m_broker;
    QString m_place;
    QString m_session;
    int m_seen = 0;
};

} // namespace

class TestLease : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void messages_data();
    void messages();
    void roundTrip();
    void pdus_data();
    void pdus();
    void addresses_data();
    void addresses();

    void leaseOnTheBroker();
    void refusedLeases();
    void expiry();
    void grivantctlThroughTheGateway();
    void masterThroughTheGateway();
    void secondClientLastWillAndBystanders();
    void leaseAfterTheGatewayRestarts(); // last: it restarts the gateway

private:
    QString place(int id, const QString &bus = "a") const { return QStringLiteral("grivant/gw/%1/%2").arg(bus).arg(id); }
    QStringList port(int id) const
    {
        return {"--port", QStringLiteral("mqtt://%1/gw/a").arg(m_broker.address()), "--id", QString::number(id),
                "--username", "diagnostician", "--password-file", m_dir.filePath("diag.password")};
    }
    QStringList gatewayArguments() const
    {
        return {"--config", m_dir.filePath("gw.conf"), "--name", "gw", "--broker", m_broker.address(),
                "--username", "gateway", "--password-file", m_dir.filePath("gw.password"), "--bus",
                m_dir.filePath("a") + ",115200,1-4", "--allow-diagnosis", "--lease-expiry", "3"};
    }
    // A blocking master's lease of bus a's `id`, as grivantctl logs in to take one, opened on
    // `client` with grivantctl's wait.
    bool openLease(ModbusClient *client, int id, const QString &holder = QString()) const
    {
        LeaseTransport::Settings s;
        s.broker.host = QStringLiteral("127.0.0.1");
        s.broker.port = m_broker.port();
        s.broker.username = QStringLiteral("diagnostician");
        s.broker.password = QStringLiteral("diag-secret");
        if (!LeaseProtocol::parseAddress(QStringLiteral("mqtt://%1/gw/a").arg(m_broker.address()), &s.address,
                                         nullptr))
            return false;
        s.id = id;
        if (!holder.isEmpty())
            s.holder = holder;
        client->setAttempts(1);
        client->setAnswerWait(s.answerWaitMs);
        QString why;
        if (!client->open(std::make_unique<LeaseTransport>(s), &why)) {
            qWarning("%s", qPrintable(why));
            return false;
        }
        return true;
    }
    QString gatewayLog() const
    {
        QFile log(m_dir.filePath("gateway.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

    QTemporaryDir m_dir;
    Broker m_broker;
    std::unique_ptr<LoggedSimulator> m_bus;
    std::unique_ptr<Watcher> m_watcher;
    QProcess m_gateway;
};

void TestLease::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The access list of docs/mqtt.md: the gateway its own topics, a diagnostician the
    // lease and request topics beside reading.
    QVERIFY2(m_broker.start(m_dir.path(),
                            {{"gateway", "gw-secret", {"topic readwrite grivant/gw/#"}},
                             {"diagnostician", "diag-secret",
                              {"topic read grivant/#", "topic write grivant/+/+/+/lease", "topic write grivant/+/+/+/request"}}}),
             "mosquitto does not start");
    // ID 1 answers 60 ms late: time for a second request to come while the first is out.
    m_bus = std::make_unique<LoggedSimulator>(QStringList{"--link", m_dir.filePath("a"), "--id", "1-3", "--initialised",
                                                          "--delay", "60,0,0"});
    QVERIFY(m_bus->start());
    m_watcher = std::make_unique<Watcher>(m_broker.port(), "diagnostician", "diag-secret", "test-diag");
    QTRY_VERIFY(m_watcher->connected());
    QFile password(m_dir.filePath("gw.password"));
    QVERIFY(password.open(QIODevice::WriteOnly) && password.write("gw-secret\n") > 0);
    password.close();
    QFile diagPassword(m_dir.filePath("diag.password"));
    QVERIFY(diagPassword.open(QIODevice::WriteOnly) && diagPassword.write("diag-secret\n") > 0);
    diagPassword.close();
    m_gateway.setStandardErrorFile(m_dir.filePath("gateway.log"));
    QFile config(m_dir.filePath("gw.conf"));
    QVERIFY(config.open(QIODevice::WriteOnly) && config.write("[gateway]\nstats = 1\n") > 0);
    config.close();
    m_gateway.start(gatewayProgram(), gatewayArguments());
    QVERIFY(m_gateway.waitForStarted());
    for (int id : {1, 2, 3})
        QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(place(id) + "/availability"), QByteArray("online"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(place(4) + "/availability"), QByteArray("offline"), 10000);
}

void TestLease::cleanupTestCase()
{
    endChildProcess(m_gateway);
    m_watcher.reset();
    m_broker.stop();
}

void TestLease::messages_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("error"); // the start of why, empty when it reads

    QTest::newRow("take") << "lease" << QByteArray(R"({"op":"take","session":"abcdefgh","holder":"ana@bench"})") << "";
    QTest::newRow("release") << "lease" << QByteArray(R"({"op":"release","session":"abcdefgh","will":true})") << "";
    QTest::newRow("short session") << "lease" << QByteArray(R"({"op":"take","session":"abc"})") << "\"session\" is not";
    QTest::newRow("session of spaces") << "lease" << QByteArray(R"({"op":"take","session":"a b c d e f"})") << "\"session\" is not";
    QTest::newRow("key twice") << "lease" << QByteArray(R"({"op":"take","op":"release","session":"abcdefgh"})")
                               << "the key \"op\" comes twice";
    QTest::newRow("not JSON") << "lease" << QByteArray("take it") << "the lease message is not JSON";
    QTest::newRow("array") << "lease" << QByteArray("[1]") << "the lease message is not a JSON object";
    QTest::newRow("too long") << "lease" << QByteArray(5000, ' ') << "the lease message holds 5000 bytes";
    QTest::newRow("unknown op") << "lease" << QByteArray(R"({"op":"steal","session":"abcdefgh"})") << "\"op\" is neither";
    QTest::newRow("holder a number") << "lease" << QByteArray(R"({"op":"take","session":"abcdefgh","holder":7})")
                                     << "\"holder\" is not a text";
    QTest::newRow("request") << "request" << QByteArray(R"({"session":"abcdefgh","seq":4294967295,"pdu":"030200000e","wait":500})") << "";
    QTest::newRow("seq negative") << "request" << QByteArray(R"({"session":"abcdefgh","seq":-1,"pdu":"0302000001"})") << "\"seq\" is not";
    QTest::newRow("seq fraction") << "request" << QByteArray(R"({"session":"abcdefgh","seq":1.5,"pdu":"0302000001"})") << "\"seq\" is not";
    QTest::newRow("seq beyond") << "request" << QByteArray(R"({"session":"abcdefgh","seq":4294967296,"pdu":"0302000001"})") << "\"seq\" is not";
    QTest::newRow("seq text") << "request" << QByteArray(R"({"session":"abcdefgh","seq":"1","pdu":"0302000001"})") << "\"seq\" is not";
    QTest::newRow("pdu odd") << "request" << QByteArray(R"({"session":"abcdefgh","seq":1,"pdu":"030"})") << "\"pdu\" is not";
    QTest::newRow("pdu not hex") << "request" << QByteArray(R"({"session":"abcdefgh","seq":1,"pdu":"03 2000001"})") << "\"pdu\" is not";
    QTest::newRow("pdu too long") << "request" << (R"({"session":"abcdefgh","seq":1,"pdu":")" + QByteArray(510, 'A') + "\"}")
                                  << "\"pdu\" is not";
    QTest::newRow("wait short") << "request" << QByteArray(R"({"session":"abcdefgh","seq":1,"pdu":"0302000001","wait":5})") << "\"wait\" is not";
    QTest::newRow("answer") << "answer" << QByteArray(R"({"session":"abcdefgh","seq":1,"pdu":"8302"})") << "";
    QTest::newRow("answer of no kind") << "answer" << QByteArray(R"({"session":"abcdefgh"})") << "the answer names neither";
    QTest::newRow("lease unknown") << "answer" << QByteArray(R"({"session":"abcdefgh","lease":"maybe"})") << "\"lease\" is not";
}

void TestLease::messages()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, payload);
    QFETCH(QString, error);
    QString why;
    bool ok = false;
    if (kind == "lease") {
        LeaseProtocol::LeaseMessage m;
        ok = LeaseProtocol::parseLease(payload, &m, &why);
    } else if (kind == "request") {
        LeaseProtocol::Request r;
        ok = LeaseProtocol::parseRequest(payload, &r, &why);
    } else {
        Answer a;
        ok = LeaseProtocol::parseAnswer(payload, &a, &why);
    }
    QCOMPARE(ok, error.isEmpty());
    QVERIFY2(error.isEmpty() || why.startsWith(error), qPrintable(why));
}

void TestLease::roundTrip()
{
    // What one side writes the other reads as it was, the holder shown only as it is safe.
    LeaseProtocol::LeaseMessage m;
    m.session = LeaseProtocol::newSession();
    m.holder = QString::fromUtf8("ana@bench-3 \xe7\x8e\x8b%1\n<b>") + QString(100, 'x');
    LeaseProtocol::LeaseMessage read;
    QString why;
    QVERIFY(LeaseProtocol::parseLease(LeaseProtocol::leaseMessage(m), &read, &why));
    QCOMPARE(read.session, m.session);
    QCOMPARE(read.session.size(), 32);
    QVERIFY(read.session != LeaseProtocol::newSession());
    QCOMPARE(read.holder, QString::fromUtf8("ana@bench-3 \xe7\x8e\x8b_1__b_") + QString(LeaseProtocol::MaxHolderChars - 19, 'x'));
    QCOMPARE(LeaseProtocol::sanitiseHolder("\t\n"), QString("unnamed"));

    LeaseProtocol::Request r{m.session, 4000000000u, QByteArray::fromHex("10010300010201F4"), 700};
    LeaseProtocol::Request r2;
    QVERIFY(LeaseProtocol::parseRequest(LeaseProtocol::request(r), &r2, &why));
    QCOMPARE(r2.seq, r.seq);
    QCOMPARE(r2.pdu, r.pdu);
    QCOMPARE(r2.waitMs, 700);

    const QVector<Answer> answers = {
        {Answer::Kind::Pdu, m.session, 9, QByteArray::fromHex("0302002A"), {}, {}, 0, {}},
        {Answer::Kind::Error, m.session, 10, {}, LeaseProtocol::NoAnswer, "ID 1 on bus a: no answer", 0, {}},
        {Answer::Kind::Granted, m.session, 0, {}, {}, {}, 600, "115200 8N1"},
        {Answer::Kind::Refused, m.session, 0, {}, {}, "ID 1 on bus a is leased by bob", 0, {}},
        {Answer::Kind::Ended, m.session, 0, {}, {}, "let go by its holder", 0, {}},
    };
    for (const Answer &a : answers) {
        Answer b;
        QVERIFY2(LeaseProtocol::parseAnswer(LeaseProtocol::answer(a), &b, &why), qPrintable(why));
        QCOMPARE(int(b.kind), int(a.kind));
        QCOMPARE(b.seq, a.seq);
        QCOMPARE(b.pdu, a.pdu);
        QCOMPARE(b.error, a.error);
        QCOMPARE(b.detail, a.detail);
        QCOMPARE(b.expirySeconds, a.expirySeconds);
        QCOMPARE(b.line, a.line);
    }
}

void TestLease::pdus_data()
{
    QTest::addColumn<QByteArray>("pdu");
    QTest::addColumn<QString>("error");
    QTest::newRow("read 14") << QByteArray("030200000E") << "";
    QTest::newRow("read 125") << QByteArray("030000007D") << "";
    QTest::newRow("read none") << QByteArray("0302000000") << "a malformed request: a read of 0 registers";
    QTest::newRow("read 126") << QByteArray("030000007E") << "a malformed request: a read of 126 registers";
    QTest::newRow("read past the end") << QByteArray("03FFFF0002") << "a malformed request: a read beyond register 0xFFFF";
    QTest::newRow("read short") << QByteArray("0302000E") << "a malformed request: a read (0x03) is 5 bytes, not 4";
    QTest::newRow("write one") << QByteArray("06010301F4") << "";
    QTest::newRow("write the slave ID") << QByteArray("0603020005") << "0x0302 is a line setting";
    QTest::newRow("write two") << QByteArray("1001030002040064003C") << "";
    QTest::newRow("write over the line settings") << QByteArray("10030000050A00000000000000000000")
                                                  << "0x0302 is a line setting";
    QTest::newRow("byte count wrong") << QByteArray("1001030002030064003C") << "a malformed request: the byte count";
    QTest::newRow("bytes missing") << QByteArray("1001030002040064") << "a malformed request: the byte count";
    QTest::newRow("write 124") << QByteArray("100100007CF8") << "a malformed request: a write of 124 registers";
    QTest::newRow("diagnostics") << QByteArray("0800000000") << "function 0x08 is not carried";
    QTest::newRow("read coils") << QByteArray("0100000001") << "function 0x01 is not carried";
    QTest::newRow("device identification") << QByteArray("2B0E0100") << "function 0x2B is not carried";
    QTest::newRow("nothing") << QByteArray() << "the request holds no PDU";
}

void TestLease::pdus()
{
    QFETCH(QByteArray, pdu);
    QFETCH(QString, error);
    const QString why = LeaseProtocol::checkPdu(QByteArray::fromHex(pdu));
    QVERIFY2(error.isEmpty() ? why.isEmpty() : why.startsWith(error), qPrintable(why));
}

void TestLease::addresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host"); // empty: refused, with `error`
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("error");
    QTest::newRow("plain") << "mqtt://broker/line1/west" << "broker" << 0 << "";
    QTest::newRow("port") << "mqtt://10.0.0.5:1884/line1/west" << "10.0.0.5" << 1884 << "";
    QTest::newRow("IPv6") << "mqtt://[fe80::1]:1883/line1/west" << "fe80::1" << 1883 << "";
    QTest::newRow("no bus") << "mqtt://broker/line1" << "" << 0 << "give the broker, the gateway's name and the bus";
    QTest::newRow("an ID too") << "mqtt://broker/line1/west/3" << "" << 0 << "give the broker, the gateway's name and the bus";
    QTest::newRow("login") << "mqtt://u:p@broker/line1/west" << "" << 0 << "the address holds no user name or password";
    QTest::newRow("port 0") << "mqtt://broker:0/line1/west" << "" << 0 << "port \"0\" is not a number from 1 to 65535";
    QTest::newRow("port large") << "mqtt://broker:99999/line1/west" << "" << 0 << "port \"99999\" is not";
    QTest::newRow("no port") << "mqtt://broker:/line1/west" << "" << 0 << "no port number after ':'";
    QTest::newRow("wildcard") << "mqtt://broker/line+/west" << "" << 0 << "\"line+\" is no gateway name";
    QTest::newRow("bus wildcard") << "mqtt://broker/line1/#" << "" << 0 << "\"#\" is no bus name";
    QTest::newRow("space") << "mqtt://bro ker/line1/west" << "" << 0 << "\"bro ker\" is not a host name";
    QTest::newRow("other scheme") << "tcp://broker/line1/west" << "" << 0 << "a gateway's bus is mqtt://";
}

void TestLease::addresses()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, error);
    LeaseProtocol::Address a;
    QString why;
    QCOMPARE(LeaseProtocol::parseAddress(text, &a, &why), error.isEmpty());
    if (error.isEmpty()) {
        QCOMPARE(a.host, host);
        QCOMPARE(a.port, port);
        QCOMPARE(a.gateway, QString("line1"));
        QCOMPARE(a.bus, QString("west"));
        QCOMPARE(a.text(), text);
    } else {
        QVERIFY2(why.startsWith(QStringLiteral("\"%1\": %2").arg(text, error)), qPrintable(why));
    }
}

void TestLease::leaseOnTheBroker()
{
    Lessee a(*m_watcher, place(1), Session);
    const Answer granted = a.take("ana@bench-3");
    QCOMPARE(int(granted.kind), int(Answer::Kind::Granted));
    QCOMPARE(granted.expirySeconds, 3);
    QCOMPARE(granted.line, QString("115200 8N1"));
    QTRY_COMPARE(m_watcher->last(place(1) + "/availability"), QByteArray("leased"));
    QCOMPARE(m_watcher->lastJson(place(1) + "/holder").value("holder").toString(), QString("ana@bench-3"));
    const int mark = m_bus->log().size();

    // What the window and grivantctl send, as the device answers it; a write of one
    // register by 0x10 stays 0x10 on the wire.
    const QList<QPair<QByteArray, QByteArray>> exchanges = {
        {"0302000001", "03020001"},             // initialised
        {"06010301F4", "06010301F4"},           // target position 500
        {"0301030001", "030201F4"},
        {"10010300010201F5", "1001030001"},
        {"0301030001", "030201F5"},
        {"03FF000001", "8302"},                 // no such register: the device's exception
    };
    quint32 seq = 0;
    for (const auto &e : exchanges) {
        const Answer r = a.ask(++seq, e.first);
        QCOMPARE(int(r.kind), int(Answer::Kind::Pdu));
        QCOMPARE(r.pdu.toHex().toUpper(), e.second);
    }
    // Refused before the wire.
    const QList<QPair<QByteArray, QString>> refused = {
        {"0800000000", "function 0x08 is not carried"},
        {"0603020005", "0x0302 is a line setting"},
        {"0302000000", "a malformed request"},
    };
    for (const auto &r : refused) {
        const Answer answer = a.ask(++seq, r.first);
        QCOMPARE(answer.error, QString(LeaseProtocol::NotSent));
        QVERIFY2(answer.detail.startsWith(r.second) && answer.detail.endsWith("; not sent"), qPrintable(answer.detail));
    }
    // One at a time: a second request while the first waits for the device's late answer.
    a.send(++seq, "0302000001");
    a.send(++seq, "0302000001");
    QCOMPARE(a.answerTo(seq).detail, QStringLiteral("one request at a time: request %1 has no answer yet; not sent").arg(seq - 1));
    QCOMPARE(int(a.answerTo(seq - 1).kind), int(Answer::Kind::Pdu));
    QCOMPARE(m_bus->writesSince(mark), 2);
    QCOMPARE(m_bus->log().mid(mark).count("> 01 08"), 0);

    // Another client is told who holds it, and its requests go nowhere.
    Lessee b(*m_watcher, place(1), "session-bbbb");
    const Answer other = b.take("bob@office");
    QCOMPARE(int(other.kind), int(Answer::Kind::Refused));
    QVERIFY2(other.detail.startsWith("ID 1 on bus a is leased by ana@bench-3 since 20"), qPrintable(other.detail));
    QVERIFY(b.ask(1, "0302000001").detail.startsWith("ID 1 on bus a is leased by ana@bench-3"));
    // Counted: the bus's figures and the device's while leased, not polled.
    QVERIFY(!m_watcher->waitFor("grivant/gw/stats", [](const QByteArray &p) {
        const QJsonObject bus = QJsonDocument::fromJson(p).object().value("buses").toObject().value("a").toObject();
        return bus.value("leased").toInt() == 1 && bus.value("leaseRequests").toInt() > 0;
    }).isEmpty());
    QVERIFY(!m_watcher->waitFor(place(1) + "/health", [](const QByteArray &p) {
        const QJsonObject o = QJsonDocument::fromJson(p).object();
        return o.value("leased").toBool() && o.value("polls").toInt() == 0;
    }).isEmpty());

    // Let go: polled and identified again.
    const int infos = m_watcher->on(place(1) + "/info").size();
    a.release();
    const Answer ended = a.waitLease();
    QCOMPARE(ended.detail, QString("the lease of ID 1 on bus a ended: let go by its holder"));
    QTRY_COMPARE(m_watcher->last(place(1) + "/availability"), QByteArray("online"));
    QTRY_VERIFY(m_watcher->on(place(1) + "/info").size() > infos);
    QVERIFY(m_watcher->last(place(1) + "/holder").isEmpty());
    QCOMPARE(int(b.take("bob@office").kind), int(Answer::Kind::Granted));
    b.release();
    QCOMPARE(int(b.waitLease().kind), int(Answer::Kind::Ended));
}

void TestLease::refusedLeases()
{
    struct Case
    {
        QString topic;
        QByteArray payload;
        bool retain;
        QString detail;
    };
    const QByteArray take = R"({"op":"take","session":"session-cccc","holder":"carl"})";
    const QList<Case> cases = {
        {place(4) + "/lease", take, false, "ID 4 on bus a is offline"},
        {place(9) + "/lease", take, false, "bus a has no device with ID 9"},
        {"grivant/gw/z/1/lease", take, false, "gateway gw has no bus z"},
        {"grivant/gw/a/01/lease", take, false, "\"01\" is not a device ID"},
        {place(2) + "/lease", take, true, "a retained lease message is not taken"},
        {place(2) + "/lease", R"({"op":"take","session":"session-cccc","holder":"carl",})", false,
         "the lease message is not JSON"},
    };
    for (const Case &c : cases) {
        QVERIFY(m_watcher->publish(c.topic, c.payload, c.retain));
        const QString answers = c.topic.left(c.topic.lastIndexOf('/')) + "/answer";
        // A message that is no JSON has no session to answer to: the answer has none either.
        const QByteArray answer = m_watcher->waitFor(answers, [&](const QByteArray &p) {
            const QJsonObject o = QJsonDocument::fromJson(p).object();
            return o.value("lease") == "refused" && o.value("detail").toString().startsWith(c.detail);
        });
        QVERIFY2(!answer.isEmpty(), qPrintable(c.detail));
        if (c.retain)
            QVERIFY(m_watcher->publish(c.topic, QByteArray(), true));
    }
    QCOMPARE(m_watcher->last(place(2) + "/availability"), QByteArray("online"));
}

void TestLease::expiry()
{
    // A lease nobody uses ends by itself (here 3 s after it was taken), then the device is
    // polled again.
    Lessee c(*m_watcher, place(2), "session-dddd");
    QCOMPARE(int(c.take("idle@desk").kind), int(Answer::Kind::Granted));
    QTRY_COMPARE(m_watcher->last(place(2) + "/availability"), QByteArray("leased"));
    const Answer ended = c.waitLease(10000);
    QCOMPARE(int(ended.kind), int(Answer::Kind::Ended));
    QCOMPARE(ended.detail, QString("the lease of ID 2 on bus a ended: nothing was asked of it for 3 s"));
    QTRY_COMPARE(m_watcher->last(place(2) + "/availability"), QByteArray("online"));
}

void TestLease::grivantctlThroughTheGateway()
{
    // Every device command on a leased device, as on a serial port; the lease is let go at
    // the end of each, and the device polled again.
    const int mark = m_bus->log().size();
    Run run = ctl(QStringList{"info", "--json"} + port(3));
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("\"line\": \"115200 8N1\"") && run.out.contains("\"port\": \"mqtt://"), qPrintable(run.out));
    run = ctl(QStringList{"write", "0x0103", "250"} + port(3));
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    run = ctl(QStringList{"read", "0x0103"} + port(3));
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(QRegularExpression("0x0103 +Target position +250")), qPrintable(run.out));
    const QString backup = m_dir.filePath("three.json");
    QCOMPARE(ctl(QStringList{"backup", backup} + port(3)).exitCode, 0);
    run = ctl(QStringList{"write", "0x0306", "77"} + port(3));
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    run = ctl(QStringList{"restore", backup} + port(3));
    QVERIFY2(run.exitCode == 0 && run.out.contains("saved, read back: no differences"), qPrintable(run.out + run.err));
    QVERIFY(!ctl(QStringList{"read", "0x0306"} + port(3)).out.contains(QRegularExpression("0x0306 .* 77 ")));
    QTRY_VERIFY(m_bus->writesSince(mark) >= 6);
    QTRY_COMPARE(m_watcher->last(place(3) + "/availability"), QByteArray("online"));
    QCOMPARE(gatewayLog().count("bus a ID 3: the lease of "), 7);

    // What the gateway or the broker refuse, in their words; nothing is sent then. A port
    // nothing listens at, and a server that takes the connection and never answers, are
    // told apart within the wait, without a hang.
    quint16 closed = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closed = probe.serverPort();
    }
    FakeServer silent(FakeServer::Silent, false);
    const quint16 silentPort = silent.begin();
    const QList<QPair<QStringList, QString>> refused = {
        {QStringList{"info"} + port(4), "ID 4 on bus a is offline"},
        {QStringList{"info"} + port(9), "bus a has no device with ID 9"},
        {QStringList{"write", "0x0302", "7"} + port(3), "0x0302 is a line setting, which a lease does not write"},
        {{"info", "--port", QStringLiteral("mqtt://%1/gw/a").arg(m_broker.address()), "--id", "3"},
         "the broker at " + m_broker.address() + " refused the connection (without a user name): "},
        {QStringList{"info", "--port", QStringLiteral("mqtt://%1/nogw/a").arg(m_broker.address())} + port(3).mid(2),
         "gateway nogw does not answer: the broker at " + m_broker.address() + " knows of no gateway of that name"},
        {QStringList{"info", "--port", QStringLiteral("mqtt://127.0.0.1:%1/gw/a").arg(closed)} + port(3).mid(2),
         QStringLiteral("the broker at 127.0.0.1:%1 cannot be reached").arg(closed)},
        {QStringList{"info", "--port", QStringLiteral("mqtt://127.0.0.1:%1/gw/a").arg(silentPort)} + port(3).mid(2),
         QStringLiteral("the broker at 127.0.0.1:%1 does not answer").arg(silentPort)},
    };
    for (const auto &r : refused) {
        run = ctl(r.first);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(r.second), qPrintable(run.err));
    }
    // Usage errors: nothing is asked of the broker.
    const QList<QPair<QStringList, QString>> usage = {
        {QStringList{"info", "--ids", "1-2"} + port(3).mid(0, 2), "a gateway's bus lends one device at a time"},
        {QStringList{"scan"} + port(3).mid(0, 2), "scan does not reach into a gateway's bus"},
        {QStringList{"info", "--baud", "9600"} + port(3), "--baud sets a serial line, and a gateway's bus keeps its own"},
        {{"info", "--port", "mqtt://broker/gw", "--id", "3"}, "give the broker, the gateway's name and the bus"},
        {{"info", "--port", "/dev/null", "--username", "x"}, "--username goes with a gateway's bus"},
    };
    for (const auto &u : usage) {
        run = ctl(u.first);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(u.second), qPrintable(run.err));
    }
}

void TestLease::masterThroughTheGateway()
{
    // The blocking master through a lease: a request for another ID of the bus is not sent;
    // a lease that ended by itself while the master was idle is taken again by the next
    // request, and let go when the master closes.
    ModbusClient client;
    QVERIFY(openLease(&client, 2, QStringLiteral("ana@bench-3")));
    QTRY_COMPARE(m_watcher->last(place(2) + "/availability"), QByteArray("leased"));
    const ModbusClient::Reply written = client.write(2, 0x0103, {321});
    QVERIFY2(written.ok(), qPrintable(QStringLiteral("%1 %2").arg(int(written.status)).arg(written.errorText())));
    const ModbusClient::Reply other = client.read(3, 0x0200, 1);
    QVERIFY(!other.ok());
    QVERIFY2(other.errorText().contains("only ID 2 of bus a is leased here; a request for ID 3 is not sent"),
             qPrintable(other.errorText()));

    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(place(2) + "/availability"), QByteArray("online"), 10000);
    const ModbusClient::Reply again = client.read(2, 0x0103, 1);
    QVERIFY2(again.ok(), qPrintable(again.errorText()));
    QCOMPARE(again.values, QVector<quint16>{321});
    QCOMPARE(m_watcher->last(place(2) + "/availability"), QByteArray("leased"));

    client.close();
    QTRY_COMPARE(m_watcher->last(place(2) + "/availability"), QByteArray("online"));
    QCOMPARE(gatewayLog().count("bus a ID 2: the lease of ana@bench-3 ended: "), 2);
    QVERIFY(gatewayLog().contains("bus a ID 2: the lease of ana@bench-3 ended: nothing was asked of it for 3 s"));
    QVERIFY(gatewayLog().contains("bus a ID 2: the lease of ana@bench-3 ended: let go by its holder"));
}

void TestLease::secondClientLastWillAndBystanders()
{
    // A recording holds ID 1; another client is refused with its holder's name; killed, the
    // recording lets go by its last will (not by expiry: it asked until it died); the others
    // of the bus are polled at least nine tenths as often while it holds, counted in the
    // simulator's own time.
    QProcess recording;
    recording.start(QStringLiteral(GRIVANTCTL), QStringList{"record", "--seconds", "60", "--holder", "ana@bench-3",
                                                            m_dir.filePath("held.grivant-session")} + port(1));
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(place(1) + "/availability"), QByteArray("leased"), 10000);
    const int leasedAt = m_bus->log().size();
    double from = 0; // the lease's first request to ID 1, when the gateway polls it no more
    QTRY_VERIFY((from = firstTime(m_bus->log().mid(leasedAt), "> 01 03")) > 0);
    const Run other = ctl(QStringList{"info", "--holder", "bob@office"} + port(1));
    QCOMPARE(other.exitCode, 1);
    QVERIFY2(other.err.contains("ID 1 on bus a is leased by ana@bench-3 since 20"), qPrintable(other.err));
    QTRY_VERIFY_WITH_TIMEOUT(m_bus->times("02 03 02 00").last() > from + 2, 15000);
    ::kill(pid_t(recording.processId()), SIGKILL);
    QVERIFY(recording.waitForFinished());
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(place(1) + "/availability"), QByteArray("online"), 10000);
    QVERIFY(gatewayLog().contains("bus a ID 1: the lease of ana@bench-3 ended: its holder's connection ended"));

    int before = 0;
    int during = 0;
    for (const QByteArray bystander : {"02 03 02 00", "03 03 02 00"})
        for (double t : m_bus->times(bystander)) {
            before += t >= from - 2 && t < from;
            during += t >= from && t < from + 2;
        }
    qInfo("bystanders' polls: %d in the two seconds before the lease's first request, %d in the two after", before,
          during);
    QVERIFY2(during >= 0.9 * before, qPrintable(QStringLiteral("%1 < 0.9 * %2").arg(during).arg(before)));
}

void TestLease::leaseAfterTheGatewayRestarts()
{
    // A gateway that died and started again lends nothing it lent before: the master's next
    // request after it is back takes the lease again by itself.
    ModbusClient client;
    QVERIFY(openLease(&client, 3));
    const ModbusClient::Reply first = client.read(3, 0x0200, 1);
    QVERIFY2(first.ok(), qPrintable(first.errorText()));

    ::kill(pid_t(m_gateway.processId()), SIGKILL);
    QVERIFY(m_gateway.waitForFinished());
    QTRY_COMPARE(m_watcher->last("grivant/gw/status"), QByteArray("offline"));
    const ModbusClient::Reply meanwhile = client.read(3, 0x0200, 1);
    QVERIFY(!meanwhile.ok());
    m_gateway.start(gatewayProgram(), gatewayArguments());
    QVERIFY(m_gateway.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(place(3) + "/availability"), QByteArray("online"), 10000);
    // Taken again at the first request the pauses between refused takes allow (they grow
    // to 10 s while the gateway identifies its devices again).
    QTRY_VERIFY_WITH_TIMEOUT(client.read(3, 0x0200, 1).ok(), 30000);
    QCOMPARE(m_watcher->last(place(3) + "/availability"), QByteArray("leased"));
    client.close();
    QTRY_COMPARE(m_watcher->last(place(3) + "/availability"), QByteArray("online"));
}

QTEST_GUILESS_MAIN(TestLease)
#include "tst_lease.moc"
