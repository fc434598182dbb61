// The gateway to an MQTT broker: its configuration and its commands judged directly, and the
// program itself between a broker of the test's own and simulators on two ports, one of
// them a bus of three devices.
#include "cli/catalog.h"
#include "gateway/config.h"
#include "gateway/mqttclient.h"
#include "gateway/setcommand.h"
#include "support/broker.h"
#include "support/simulator.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <mutex>

namespace {

// A client of the broker that keeps everything published under grivant/.
class Watcher
{
public:
    struct Message
    {
        QString topic;
        QByteArray payload;
        bool retained;
    };

    Watcher(int port, const QString &user, const QString &password, const QString &clientId)
    {
        MqttClient::Settings s;
        s.host = QStringLiteral("127.0.0.1");
        s.port = port;
        s.clientId = clientId;
        s.username = user;
        s.password = password;
        m_client = std::make_unique<MqttClient>(s);
        m_client->setConnectionHandler([this](MqttClient::Event e, int, const QString &) {
            if (e == MqttClient::Event::Connected)
                m_client->subscribe(QStringLiteral("grivant/#"), 1);
        });
        m_client->setMessageHandler([this](const QString &topic, const QByteArray &payload, bool retained) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_messages.append({topic, payload, retained});
        });
        QString error;
        m_started = m_client->start(&error);
    }

    bool connected() const { return m_started && m_client->isConnected(); }
    bool publish(const QString &topic, const QByteArray &payload, bool retain = false)
    {
        return m_client->publish(topic, payload, 1, retain);
    }

    QVector<Message> on(const QString &topic) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QVector<Message> out;
        for (const Message &m : m_messages)
            if (m.topic == topic)
                out.append(m);
        return out;
    }
    QByteArray last(const QString &topic) const
    {
        const QVector<Message> all = on(topic);
        return all.isEmpty() ? QByteArray() : all.last().payload;
    }
    QJsonObject lastJson(const QString &topic) const { return QJsonDocument::fromJson(last(topic)).object(); }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.clear();
    }

private:
    std::unique_ptr<MqttClient> m_client;
    bool m_started = false;
    mutable std::mutex m_mutex;
    QVector<Message> m_messages;
};

// A simulator whose hexadecimal log (-v) the test reads: what reached its wire.
class LoggedSimulator
{
public:
    explicit LoggedSimulator(const QStringList &args) : m_sim(QStringList{"-v"} + args)
    {
        m_sim.process()->setProcessChannelMode(QProcess::SeparateChannels);
    }
    bool start() { return m_sim.start(); }
    void stop() { m_sim.stop(); }
    const QByteArray &log()
    {
        m_log += m_sim.process()->readAllStandardError();
        return m_log;
    }
    // Write requests (functions 0x06 and 0x10) received since the log held `from` bytes.
    int writesSince(int from)
    {
        static const QRegularExpression write(QStringLiteral("> [0-9A-F]{2} (06|10) "));
        return int(QString::fromLatin1(log().mid(from)).count(write));
    }
    int requestsSince(int from) { return int(log().mid(from).count("> ")); }

private:
    Simulator m_sim;
    QByteArray m_log;
};

QString gatewayProgram()
{
    return QStringLiteral(GATEWAY);
}

bool writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

const RegisterMap &gripperMap()
{
    static Catalog catalog;
    static const bool loaded = [] {
        QString error;
        return catalog.load(QStringLiteral("en_US"), &error);
    }();
    Q_UNUSED(loaded);
    return catalog.gripperMap();
}

} // namespace

class TestGateway : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void configurationFile_data();
    void configurationFile();
    void commandLine();
    void setPlans_data();
    void setPlans();

    void everyDeviceRetained();
    void stateOnChangeAndHeartbeat();
    void moveShowsInState();
    void refusedBeforeTheWire();
    void offlineAndBack();
    void commandsOffAndLastWill();
    void brokerGoneAndBack();
    void cleanEnd();
    void wrongPasswordAndBadConfiguration();

private:
    QString startGateway(QProcess *process, const QString &name, const QString &user, const QString &busSections,
                         bool commands);
    QString topic(const QString &gateway, const QString &bus, int id, const char *leaf) const
    {
        return QStringLiteral("grivant/%1/%2/%3/%4").arg(gateway, bus).arg(id).arg(QLatin1String(leaf));
    }

    QTemporaryDir m_dir;
    Broker m_broker;
    std::unique_ptr<LoggedSimulator> m_busA;
    std::unique_ptr<LoggedSimulator> m_busB;
    std::unique_ptr<Watcher> m_watcher;
    QProcess m_gateway;
};

void TestGateway::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_broker.start(m_dir.path(),
                            {{"gateway", "gw-secret", {"topic readwrite grivant/line1/#"}},
                             {"gateway2", "gw2-secret", {"topic readwrite grivant/line2/#"}},
                             {"operator", "op-secret", {"topic read grivant/#", "topic write grivant/+/+/+/set"}}}),
             "mosquitto does not start");
    m_busA = std::make_unique<LoggedSimulator>(
        QStringList{"--link", m_dir.filePath("ttyA"), "--id", "1-3", "--model", "2701,4001,5201",
                    "--uid", "0A000001,0A000002,0A000003", "--initialised", "--speedup", "10"});
    m_busB = std::make_unique<LoggedSimulator>(
        QStringList{"--link", m_dir.filePath("ttyB"), "--id", "2", "--uid", "0B000002", "--initialised"});
    QVERIFY(m_busA->start());
    QVERIFY(m_busB->start());
    m_watcher = std::make_unique<Watcher>(m_broker.port(), "operator", "op-secret", "test-watcher");
    QTRY_VERIFY(m_watcher->connected());

    QVERIFY(m_watcher->publish(topic("line1", "a", 1, "set"), R"({"id":"kept","values":{"Force":50}})", true));
    const QString buses = QStringLiteral("[bus a]\nport = %1\nids = 1-3\nperiod = 50\n\n"
                                         "[bus b]\nport = %2\nids = scan 1-4\nperiod = 50\n")
                              .arg(m_dir.filePath("ttyA"), m_dir.filePath("ttyB"));
    const QString error = startGateway(&m_gateway, "line1", "gateway", buses, true);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestGateway::cleanupTestCase()
{
    if (m_gateway.state() != QProcess::NotRunning) {
        m_gateway.kill();
        m_gateway.waitForFinished();
    }
    m_watcher.reset();
    m_broker.stop();
}

QString TestGateway::startGateway(QProcess *process, const QString &name, const QString &user,
                                  const QString &busSections, bool commands)
{
    const QString passwordFile = m_dir.filePath(name + ".password");
    writeFile(passwordFile, user == "gateway" ? "gw-secret\n" : "gw2-secret\n");
    const QString config = m_dir.filePath(name + ".conf");
    writeFile(config, QStringLiteral("[gateway]\nname = %1\nallow_commands = %2\nheartbeat = 2\nstats = 1\n\n"
                                     "[broker]\nhost = 127.0.0.1\nport = %3\nusername = %4\npassword_file = %5\n"
                                     "keepalive = 5\n\n%6")
                          .arg(name, commands ? "yes" : "no").arg(m_broker.port()).arg(user, passwordFile, busSections));
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(gatewayProgram(), {"--config", config});
    return process->waitForStarted() ? QString() : process->errorString();
}

void TestGateway::configurationFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    const QString good = "# a line\n[gateway]\nname = line1\n\n[broker]\nhost = mqtt.plant\nport = 1884\n\n"
                         "[bus west]\nport = /dev/ttyUSB0\nbaud = 9600\nparity = even\nids = 1-4\nperiod.3 = 200\n";
    QTest::newRow("good") << good << "";
    QTest::newRow("unknown key") << "[broker]\nhots = x\n" << "f.conf:2: hots: unknown key in [broker]";
    QTest::newRow("bad baud") << "[bus w]\nport = /dev/x\nbaud = 12345\n" << "f.conf:3: baud: 12345 is not one of";
    QTest::newRow("bad ids") << "[bus w]\nport = /dev/x\nids = 0-3\n" << "f.conf:3: ids:";
    QTest::newRow("missing port") << "[gateway]\n\n[bus w]\nids = 1\n" << "f.conf:3: [bus w]: port is missing";
    QTest::newRow("outside a section") << "name = x\n" << "f.conf:1: name: outside any section";
    QTest::newRow("twice") << "[bus w]\n[bus w]\n" << "f.conf:2: [bus w] comes twice";
    QTest::newRow("key twice") << "[broker]\nport = 1\nport = 2\n" << "f.conf:3: port: given twice";
    QTest::newRow("unknown section") << "[brokers]\n" << "f.conf:1: unknown section [brokers]";
    QTest::newRow("topic name") << "[gateway]\nname = a/b\n" << "f.conf:2: name:";
}

void TestGateway::configurationFile()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    GatewayConfig::Config config;
    QString why;
    QCOMPARE(GatewayConfig::parseFile("f.conf", text, &config, &why), error.isEmpty());
    QVERIFY2(error.isEmpty() ? why.isEmpty() : why.startsWith(error), qPrintable(why));
    if (error.isEmpty()) {
        QCOMPARE(config.broker.effectivePort(), 1884);
        QCOMPARE(config.buses.size(), 1);
        QCOMPARE(config.buses[0].line.parity, QSerialPort::EvenParity);
        QCOMPARE(config.buses[0].ids, (QVector<int>{1, 2, 3, 4}));
        QCOMPARE(config.buses[0].periodFor(3, 50), 200);
        QCOMPARE(config.buses[0].periodFor(1, 50), 50);
    }
}

void TestGateway::commandLine()
{
    // The file's values, then the command line over them; --bus replaces the file's buses.
    const QString file = m_dir.filePath("over.conf");
    QVERIFY(writeFile(file, "[gateway]\nname = fromfile\n[bus w]\nport = /dev/ttyS9\nids = 1\n"));
    GatewayConfig::Options options;
    QString why;
    QVERIFY(GatewayConfig::parseArguments({"--config", file, "--name", "line7", "--broker", "mqtt.plant:1999",
                                           "--bus", "/dev/ttyUSB0,115200,1,3,5-6,even", "--bus", "/dev/ttyUSB1,9600,scan"},
                                          &options, &why));
    GatewayConfig::Config c;
    QVERIFY2(GatewayConfig::resolve(options, &c, &why), qPrintable(why));
    QCOMPARE(c.name, QString("line7"));
    QCOMPARE(c.broker.host, QString("mqtt.plant"));
    QCOMPARE(c.broker.port, 1999);
    QCOMPARE(c.broker.clientId, QString("grivant-gateway-line7"));
    QCOMPARE(c.buses.size(), 2);
    QCOMPARE(c.buses[0].name, QString("ttyUSB0"));
    QCOMPARE(c.buses[0].ids, (QVector<int>{1, 3, 5, 6}));
    QCOMPARE(c.buses[0].line.parity, QSerialPort::EvenParity);
    QVERIFY(c.buses[1].scan);
    QCOMPARE(c.buses[1].ids.size(), 247);

    const QList<QPair<QStringList, QString>> bad = {
        {{"--bus", "/dev/ttyUSB0,9600"}, "--bus /dev/ttyUSB0,9600: give PATH,BAUD,IDS[,PARITY]"},
        {{"--bus", "/dev/ttyUSB0,9601,1"}, "--bus /dev/ttyUSB0,9601,1: 9601 is not one of"},
        {{"--broker", "host:0"}, "--broker host:0:"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
    };
    for (const auto &b : bad) {
        QVERIFY(!GatewayConfig::parseArguments(b.first, &options, &why));
        QVERIFY2(why.startsWith(b.second), qPrintable(why));
    }
    // What only the whole configuration shows.
    QVERIFY(writeFile(m_dir.filePath("pw"), "secret\n"));
    const QList<QPair<QStringList, QString>> inconsistent = {
        {{"--bus", "/dev/ttyS9,115200,1", "--password-file", m_dir.filePath("pw")}, "a password needs a username"},
        {{"--bus", "/dev/ttyS9,115200,1", "--certfile", m_dir.filePath("pw"), "--keyfile", m_dir.filePath("pw")},
         "a client certificate needs TLS"},
        {{"--bus", "/dev/ttyS9,115200,1", "--cafile", m_dir.filePath("pw"), "--keyfile", m_dir.filePath("pw")},
         "certfile and keyfile go together"},
        {{"--bus", "/dev/ttyS9,115200,1", "--username", "u", "--password-file", m_dir.filePath("none")},
         "password_file: cannot read"},
        {{"--name", "line1"}, "no bus to watch"},
    };
    for (const auto &i : inconsistent) {
        QVERIFY(GatewayConfig::parseArguments(i.first, &options, &why));
        QVERIFY(!GatewayConfig::resolve(options, &c, &why));
        QVERIFY2(why.startsWith(i.second), qPrintable(why));
    }
    // One port under two names is one bus.
    QVERIFY(QFile::link("/dev/null", m_dir.filePath("alias")));
    QVERIFY(GatewayConfig::parseArguments({"--bus", "/dev/null,115200,1", "--bus", m_dir.filePath("alias") + ",115200,2"},
                                          &options, &why));
    QVERIFY(!GatewayConfig::resolve(options, &c, &why));
    QVERIFY2(why.contains("is the port of bus null already"), qPrintable(why));
}

void TestGateway::setPlans_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("expected"); // the writes, "address:values;...", or the refusal's start
    QTest::newRow("a run") << QByteArray(R"({"id":7,"values":{"0x0103":500,"speed":80}})") << "0x0103:500,80";
    QTest::newRow("two runs") << QByteArray(R"({"values":{"Force":40,"0x0401":3,"Target position":300}})")
                              << "0x0101:40;0x0103:300;0x0401:3";
    QTest::newRow("factory") << QByteArray(R"({"values":{"0x1100":175}})") << "0x1100 Calibrarion electric angle is a factory register";
    QTest::newRow("access code") << QByteArray(R"({"values":{"0":26985}})") << "0x0000 Permission is the access code";
    QTest::newRow("line setting") << QByteArray(R"({"values":{"0x0303":1}})") << "0x0303 BaudRate is a line setting";
    QTest::newRow("unique ID") << QByteArray(R"({"values":{"0x0A03":1}})") << "0x0A03 Unique ID 1 is the unique ID";
    QTest::newRow("feedback") << QByteArray(R"({"values":{"0x0202":1}})") << "0x0202 Position is outside the control group";
    QTest::newRow("out of range") << QByteArray(R"({"values":{"Speed":500}})") << "0x0104 Speed: 500 is outside 1~100";
    QTest::newRow("format") << QByteArray(R"({"values":{"0x0102":-5}})") << "0x0102 Reserve: -5 is outside 0~32767 (an unsigned 16-bit register)";
    QTest::newRow("fraction") << QByteArray(R"({"values":{"Force":2.5}})") << "0x0101 Force: 2.5 is not a whole number";
    QTest::newRow("no such name") << QByteArray(R"({"values":{"Warp":1}})") << "\"Warp\" names no register of GZB-50W";
    QTest::newRow("no values") << QByteArray(R"({"id":"x"})") << "the command holds no \"values\"";
    QTest::newRow("not JSON") << QByteArray("speed 80") << "the command is not JSON";
    QTest::newRow("key twice") << QByteArray(R"({"values":{"Speed":80,"Sp\u0065ed":90}})")
                               << "the key \"Speed\" comes twice in one object of the command";
}

void TestGateway::setPlans()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, expected);
    const SetCommand::Plan plan = SetCommand::plan(payload, gripperMap(), "GZB-50W");
    if (plan.refused()) {
        QVERIFY2(plan.refusal.startsWith(expected) && plan.refusal.endsWith("; nothing was written"),
                 qPrintable(plan.refusal));
        QVERIFY(plan.writes.isEmpty());
        return;
    }
    QStringList writes;
    for (const SetCommand::Write &w : plan.writes) {
        QStringList values;
        for (quint16 v : w.values)
            values << QString::number(v);
        writes << QStringLiteral("0x%1:%2").arg(w.address, 4, 16, QLatin1Char('0')).arg(values.join(','));
    }
    QCOMPARE(writes.join(';'), expected);
}

void TestGateway::everyDeviceRetained()
{
    struct Expected
    {
        const char *bus;
        int id;
        const char *model;
        const char *family;
        const char *uid;
    };
    const Expected devices[] = {{"a", 1, "GZB-50W", "gripper", "0A000001"},
                                {"a", 2, "TQP2-51500", "linear module", "0A000002"},
                                {"a", 3, nullptr, "rotary gripper", "0A000003"},
                                {"b", 2, "GZB-50W", "gripper", "0B000002"}};
    for (const Expected &d : devices) {
        QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(topic("line1", d.bus, d.id, "availability")), QByteArray("online"), 20000);
        QTRY_VERIFY(!m_watcher->last(topic("line1", d.bus, d.id, "state")).isEmpty());
    }
    QTRY_COMPARE(m_watcher->last("grivant/line1/status"), QByteArray("online"));

    // A client that comes later finds all of it retained.
    Watcher late(m_broker.port(), "operator", "op-secret", "test-late");
    for (const Expected &d : devices) {
        for (const char *leaf : {"info", "state", "availability"}) {
            const QString t = topic("line1", d.bus, d.id, leaf);
            QTRY_VERIFY2(!late.on(t).isEmpty(), qPrintable(t));
            QVERIFY2(late.on(t).first().retained, qPrintable(t));
        }
        const QJsonObject info = late.lastJson(topic("line1", d.bus, d.id, "info"));
        QCOMPARE(info.value("family").toString(), QString(d.family));
        QCOMPARE(info.value("uniqueId").toString(), QString(d.uid));
        QCOMPARE(info.value("line").toString(), QString("115200 8N1"));
        if (d.model)
            QCOMPARE(info.value("model").toObject().value("name").toString(), QString(d.model));
        QVERIFY(!info.value("parameters").toArray().isEmpty());
    }
    // The scan of bus b found its one device at ID 2 and nothing at 1, 3 and 4.
    QVERIFY(late.on(topic("line1", "b", 1, "availability")).isEmpty());
    const QJsonObject state = late.lastJson(topic("line1", "a", 3, "state"));
    QCOMPARE(state.value("values").toObject().value("angle").toObject().value("unit").toString(), QString("°"));
    QCOMPARE(state.value("fault").toBool(true), false);
    QCOMPARE(late.lastJson(topic("line1", "a", 2, "state")).value("values").toObject().value("position")
                 .toObject().value("unit").toString(), QString("mm"));

    QTRY_VERIFY(m_watcher->lastJson("grivant/line1/stats").value("buses").toObject().contains("b"));
    const QJsonObject a = m_watcher->lastJson("grivant/line1/stats").value("buses").toObject().value("a").toObject();
    QCOMPARE(a.value("devices").toInt(), 3);
    QVERIFY(a.value("pollsPerSecond").toDouble() > 0);
    QVERIFY(a.value("lineShare").toDouble() > 0 && a.value("lineShare").toDouble() <= 1.0);
}

void TestGateway::stateOnChangeAndHeartbeat()
{
    // A device at rest is polled every 50 ms but published only at the heartbeat (2 s).
    const QString state = topic("line1", "b", 2, "state");
    const int before = m_watcher->on(state).size();
    QTRY_VERIFY_WITH_TIMEOUT(m_watcher->on(state).size() >= before + 2, 15000);
    const QVector<Watcher::Message> all = m_watcher->on(state);
    const QJsonObject a = QJsonDocument::fromJson(all[all.size() - 2].payload).object();
    const QJsonObject b = QJsonDocument::fromJson(all.last().payload).object();
    QCOMPARE(a.value("values"), b.value("values"));
    const qint64 apart = QDateTime::fromString(a.value("time").toString(), Qt::ISODateWithMs)
                             .msecsTo(QDateTime::fromString(b.value("time").toString(), Qt::ISODateWithMs));
    QVERIFY2(apart >= 1900, qPrintable(QString::number(apart)));
}

void TestGateway::moveShowsInState()
{
    const int mark = m_busA->log().size();
    const QString set = topic("line1", "a", 1, "set");
    QVERIFY(m_watcher->publish(set, R"({"id":"move-1","values":{"Target position":200}})"));
    QTRY_COMPARE(m_watcher->lastJson(topic("line1", "a", 1, "result")).value("outcome").toString(), QString("written"));
    const QJsonObject result = m_watcher->lastJson(topic("line1", "a", 1, "result"));
    QCOMPARE(result.value("id").toString(), QString("move-1"));
    QVERIFY2(result.value("detail").toString().contains("0x0103 Target position = 200"), qPrintable(result.value("detail").toString()));
    QVERIFY(m_busA->log().mid(mark).contains("> 01 06 01 03 00 C8"));
    QTRY_COMPARE(m_watcher->lastJson(topic("line1", "a", 1, "state")).value("values").toObject().value("position")
                     .toObject().value("value").toDouble(), 20.0);
    QCOMPARE(m_watcher->lastJson(topic("line1", "a", 1, "state")).value("values").toObject().value("gripState")
                 .toObject().value("text").toString(), QString("arrived"));
}

void TestGateway::refusedBeforeTheWire()
{
    const int mark = m_busA->log().size();
    const QString resultTopic = topic("line1", "a", 1, "result");
    const QList<QPair<QByteArray, QString>> commands = {
        {R"({"id":"f","values":{"0x1100":175}})", "0x1100 Calibrarion electric angle is a factory register"},
        {R"({"id":"r","values":{"Speed":500}})", "0x0104 Speed: 500 is outside 1~100"},
        {R"({"id":"p","values":{"0x0000":26985}})", "0x0000 Permission is the access code"},
    };
    for (const auto &c : commands) {
        const int before = m_watcher->on(resultTopic).size();
        QVERIFY(m_watcher->publish(topic("line1", "a", 1, "set"), c.first));
        QTRY_COMPARE(m_watcher->on(resultTopic).size(), before + 1);
        const QJsonObject r = m_watcher->lastJson(resultTopic);
        QCOMPARE(r.value("outcome").toString(), QString("refused"));
        QCOMPARE(r.value("id").toString(), QString::fromUtf8(QJsonDocument::fromJson(c.first).object().value("id").toString().toUtf8()));
        QVERIFY2(r.value("detail").toString().startsWith(c.second), qPrintable(r.value("detail").toString()));
    }
    // The retained command that waited for the gateway's start was refused: it would be
    // carried out again at every connection.
    bool keptRefused = false;
    for (const Watcher::Message &m : m_watcher->on(resultTopic)) {
        const QJsonObject r = QJsonDocument::fromJson(m.payload).object();
        keptRefused = keptRefused || (r.value("id").toString() == "kept" && r.value("outcome").toString() == "refused"
                                      && r.value("detail").toString().startsWith("a retained set is not carried out"));
    }
    QVERIFY(keptRefused);
    QVERIFY(!m_busA->log().contains("> 01 06 01 01 00 32"));
    QVERIFY(m_watcher->publish(topic("line1", "a", 1, "set"), QByteArray(), true));
    // And an offline or unknown device.
    QVERIFY(m_watcher->publish(topic("line1", "a", 9, "set"), R"({"id":"nine","values":{"Force":50}})"));
    QTRY_VERIFY(m_watcher->lastJson(topic("line1", "a", 9, "result")).value("detail").toString()
                    .startsWith("bus a has no device with ID 9"));
    QCOMPARE(m_busA->writesSince(mark), 0);
}

void TestGateway::offlineAndBack()
{
    const QString availability = topic("line1", "b", 2, "availability");
    const int infos = m_watcher->on(topic("line1", "b", 2, "info")).size();
    m_busB->stop();
    QTRY_COMPARE(m_watcher->last(availability), QByteArray("offline"));
    // Bus a goes on as before.
    const int mark = m_busA->log().size();
    QTRY_VERIFY(m_busA->requestsSince(mark) > 10);

    m_busB = std::make_unique<LoggedSimulator>(
        QStringList{"--link", m_dir.filePath("ttyB"), "--id", "2", "--uid", "0B000002", "--initialised"});
    QVERIFY(m_busB->start());
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(availability), QByteArray("online"), 20000);
    QVERIFY(m_watcher->on(topic("line1", "b", 2, "info")).size() > infos); // identified again
}

void TestGateway::commandsOffAndLastWill()
{
    LoggedSimulator bus({"--link", m_dir.filePath("ttyC"), "--initialised"});
    QVERIFY(bus.start());
    QProcess gateway;
    const QString error = startGateway(&gateway, "line2", "gateway2",
                                       QStringLiteral("[bus c]\nport = %1\nids = 1\n").arg(m_dir.filePath("ttyC")), false);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QTRY_COMPARE(m_watcher->last(topic("line2", "c", 1, "availability")), QByteArray("online"));

    const int mark = bus.log().size();
    QVERIFY(m_watcher->publish(topic("line2", "c", 1, "set"), R"({"id":"off","values":{"Target position":100}})"));
    // Two rounds of figures later the command would long have been carried out.
    const int stats = m_watcher->on("grivant/line2/stats").size();
    QTRY_VERIFY(m_watcher->on("grivant/line2/stats").size() >= stats + 2);
    QVERIFY(m_watcher->on(topic("line2", "c", 1, "result")).isEmpty());
    QVERIFY(bus.requestsSince(mark) > 0);
    QCOMPARE(bus.writesSince(mark), 0);

    // Killed, it leaves the broker its last will.
    QCOMPARE(m_watcher->last("grivant/line2/status"), QByteArray("online"));
    ::kill(pid_t(gateway.processId()), SIGKILL);
    QVERIFY(gateway.waitForFinished());
    QTRY_COMPARE(m_watcher->last("grivant/line2/status"), QByteArray("offline"));
}

void TestGateway::brokerGoneAndBack()
{
    m_broker.stop();
    QTRY_VERIFY(!m_watcher->connected());
    m_watcher->clear();
    // Polling goes on without the broker.
    const int mark = m_busA->log().size();
    QTRY_VERIFY(m_busA->requestsSince(mark) > 10);
    QVERIFY(m_broker.restart());
    // The new broker holds nothing retained until the gateway publishes it all again.
    QTRY_VERIFY_WITH_TIMEOUT(m_watcher->connected(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_watcher->last(topic("line1", "a", 2, "info")).isEmpty(), 20000);
    QTRY_COMPARE(m_watcher->last("grivant/line1/status"), QByteArray("online"));
    QTRY_COMPARE(m_watcher->last(topic("line1", "b", 2, "availability")), QByteArray("online"));
}

void TestGateway::cleanEnd()
{
    QElapsedTimer clock;
    clock.start();
    m_gateway.terminate();
    QVERIFY(m_gateway.waitForFinished(10000));
    qInfo("SIGTERM to the end: %lld ms", clock.elapsed());
    QCOMPARE(m_gateway.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_gateway.exitCode(), 0);
    QTRY_COMPARE(m_watcher->last("grivant/line1/status"), QByteArray("offline"));
    for (int id = 1; id <= 3; ++id)
        QTRY_COMPARE(m_watcher->last(topic("line1", "a", id, "availability")), QByteArray("offline"));
}

void TestGateway::wrongPasswordAndBadConfiguration()
{
    QVERIFY(writeFile(m_dir.filePath("wrong.password"), "not-the-password\n"));
    QProcess gateway;
    gateway.start(gatewayProgram(), {"--name", "line1", "--broker", m_broker.address(), "--username", "gateway",
                                     "--password-file", m_dir.filePath("wrong.password"), "--bus",
                                     m_dir.filePath("ttyA") + ",115200,1"});
    QVERIFY(gateway.waitForFinished(20000));
    const QString err = QString::fromLocal8Bit(gateway.readAllStandardError());
    QCOMPARE(gateway.exitCode(), 3);
    QVERIFY2(err.contains("refused the connection (user \"gateway\")") && err.contains("check the user name and the password"),
             qPrintable(err));

    QVERIFY(writeFile(m_dir.filePath("bad.conf"), "[gateway]\nname = line1\n[bus a]\nport = /dev/null\nbaud = 12345\nids = 1\n"));
    gateway.start(gatewayProgram(), {"--config", m_dir.filePath("bad.conf")});
    QVERIFY(gateway.waitForFinished(20000));
    QCOMPARE(gateway.exitCode(), 2);
    const QString bad = QString::fromLocal8Bit(gateway.readAllStandardError());
    QVERIFY2(bad.contains("bad.conf:5: baud: 12345 is not one of") && bad.contains("the gateway does not start"),
             qPrintable(bad));
}

QTEST_GUILESS_MAIN(TestGateway)
#include "tst_gateway.moc"
