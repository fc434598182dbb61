// The gateway to an MQTT broker: its configuration and its commands judged directly, and the
// program itself between a broker of the test's own and simulators on three ports, one of
// them a bus of three devices, one a device that answers slowly.
#include "cli/catalog.h"
#include "gateway/commandqueue.h"
#include "gateway/config.h"
#include "gateway/discovery.h"
#include "gateway/health.h"
#include "gateway/mqttclient.h"
#include "gateway/setcommand.h"
#include "support/broker.h"
#include "support/simulator.h"
#include "support/watcher.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <memory>
#include <mutex>

namespace {

// A broker that knows only MQTT 3.1.1: a CONNECT of version 5 is refused as such a broker
// refuses it; everything else goes through to the real one.
class OlderBroker : public QTcpServer
{
public:
    explicit OlderBroker(int upstream) : m_upstream(upstream) { listen(QHostAddress::LocalHost); }

protected:
    void incomingConnection(qintptr handle) override
    {
        auto *client = new QTcpSocket(this);
        auto *broker = new QTcpSocket(this);
        client->setSocketDescriptor(handle);
        broker->connectToHost(QHostAddress::LocalHost, quint16(m_upstream));
        auto first = std::make_shared<bool>(true);
        connect(client, &QTcpSocket::readyRead, client, [client, broker, first] {
            // The protocol level follows the fixed header and "\0\4MQTT".
            const QByteArray head = client->peek(16);
            int at = 1;
            while (at < head.size() && (quint8(head.at(at)) & 0x80))
                ++at;
            if (*first && head.size() < at + 8)
                return;
            if (*first && head.at(at + 7) == 5) {
                client->write(QByteArray("\x20\x02\x00\x01", 4));
                client->disconnectFromHost();
                return;
            }
            *first = false;
            broker->write(client->readAll());
        });
        connect(broker, &QTcpSocket::readyRead, client, [client, broker] { client->write(broker->readAll()); });
        connect(client, &QTcpSocket::disconnected, broker, &QTcpSocket::disconnectFromHost);
        connect(broker, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
    }

private:
    int m_upstream;
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
    void configurationFiles();
    void setPlans_data();
    void setPlans();
    void commandQueue();
    void healthFigures();
    void discoveryConfigs();

    void everyDeviceRetained();
    void slowDeviceFlagged();
    void homeAssistantDiscovery();
    void busFiguresTellTheLine();
    void stateOnChangeAndHeartbeat();
    void moveShowsInState();
    void refusedBeforeTheWire();
    void floodKeepsPolling();
    void offlineAndBack();
    void busBehindADeviceServer();
    void commandsOffAndLastWill();
    void duplicateName();
    void brokerGoneAndBack();
    void cleanEnd();
    void wrongPasswordAndBadConfiguration();

private:
    QString startGateway(QProcess *process, const QString &name, const QString &user, const QString &busSections,
                         bool commands, int port = 0, const QString &gatewayKeys = QString());
    void sendSets(const QString &topic, const QString &prefix, int count);
    QString topic(const QString &gateway, const QString &bus, int id, const char *leaf) const
    {
        return QStringLiteral("grivant/%1/%2/%3/%4").arg(gateway, bus).arg(id).arg(QLatin1String(leaf));
    }

    QTemporaryDir m_dir;
    Broker m_broker;
    std::unique_ptr<LoggedSimulator> m_busA;
    std::unique_ptr<LoggedSimulator> m_busB;
    std::unique_ptr<LoggedSimulator> m_slow; // bus s: one device that answers after 100 ms
    std::unique_ptr<Simulator> m_health;      // bus h: three devices, the third slow, some answers garbled
    std::unique_ptr<Watcher> m_watcher;
    std::unique_ptr<Watcher> m_hass; // Home Assistant's side
    QProcess m_gateway;
};

void TestGateway::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_broker.start(m_dir.path(),
                            {{"gateway", "gw-secret", {"topic readwrite grivant/line1/#", "topic readwrite ha/+/grivant_line1/#",
                                                       "topic read ha/status"}},
                             {"gateway2", "gw2-secret", {"topic readwrite grivant/line2/#"}},
                             {"operator", "op-secret", {"topic read grivant/#", "topic write grivant/+/+/+/set", "topic write grivant/+/+/+/lease"}},
                             {"hass", "hass-secret", {"topic readwrite ha/#", "topic read grivant/#", "topic write grivant/+/+/+/set"}}}),
             "mosquitto does not start");
    m_busA = std::make_unique<LoggedSimulator>(
        QStringList{"--link", m_dir.filePath("ttyA"), "--id", "1-3", "--model", "2701,4001,5201",
                    "--uid", "0A000001,0A000002,0A000003", "--initialised", "--speedup", "10"});
    m_busB = std::make_unique<LoggedSimulator>(
        QStringList{"--link", m_dir.filePath("ttyB"), "--id", "2", "--uid", "0B000002", "--initialised"});
    m_slow = std::make_unique<LoggedSimulator>(
        QStringList{"--link", m_dir.filePath("ttyS"), "--id", "1", "--uid", "0C000001", "--initialised", "--delay", "100",
                    "--echo"});
    QVERIFY(m_busA->start());
    QVERIFY(m_busB->start());
    QVERIFY(m_slow->start());
    m_health = std::make_unique<Simulator>(QStringList{"--link", m_dir.filePath("ttyH"), "--id", "1-3", "--initialised",
                                                       "--delay", "0,0,40", "--bad-crc", "0.05"});
    QVERIFY(m_health->start());
    m_watcher = std::make_unique<Watcher>(m_broker.port(), "operator", "op-secret", "test-watcher");
    QTRY_VERIFY(m_watcher->connected());

    QVERIFY(m_watcher->publish(topic("line1", "a", 1, "set"), R"({"id":"kept","values":{"Force":50}})", true));
    // What Home Assistant's prefix holds from before: a device since taken out of the
    // configuration, one still in it (a scanned ID that has not answered), another gateway's.
    m_hass = std::make_unique<Watcher>(m_broker.port(), "hass", "hass-secret", "test-hass",
                                       QStringList{"ha/#", "grivant/line1/a/9/result"});
    QTRY_VERIFY(m_hass->connected());
    for (const char *stale : {"ha/sensor/grivant_line1/gone_5_position/config", "ha/sensor/grivant_line1/b_4_position/config",
                              "ha/sensor/grivant_other/a_1_position/config"})
        QVERIFY(m_hass->publish(stale, R"({"name":"from before"})", true));
    QTRY_VERIFY(!m_hass->last("ha/sensor/grivant_other/a_1_position/config").isEmpty());
    const QString buses = QStringLiteral("[bus a]\nport = %1\nids = 1-3\nperiod = 50\n\n"
                                         "[bus b]\nport = %2\nids = scan 1-4\nperiod = 50\n\n"
                                         "[bus s]\nport = %3\nids = 1\ntimeout = 400\n\n"
                                         "[bus h]\nport = %4\nids = 1-3\nperiod = 2000\nperiod.3 = 20\n")
                              .arg(m_dir.filePath("ttyA"), m_dir.filePath("ttyB"), m_dir.filePath("ttyS"), m_dir.filePath("ttyH"));
    const QString error = startGateway(&m_gateway, "line1", "gateway", buses, true, 0,
                                       "homeassistant_discovery = yes\nhomeassistant_prefix = ha\n");
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestGateway::cleanupTestCase()
{
    if (m_gateway.state() != QProcess::NotRunning) {
        m_gateway.kill();
        m_gateway.waitForFinished();
    }
    m_watcher.reset();
    m_hass.reset();
    m_broker.stop();
}

QString TestGateway::startGateway(QProcess *process, const QString &name, const QString &user,
                                  const QString &busSections, bool commands, int port, const QString &gatewayKeys)
{
    const QString passwordFile = m_dir.filePath(name + ".password");
    writeFile(passwordFile, user == "gateway" ? "gw-secret\n" : "gw2-secret\n");
    const QString config = m_dir.filePath(name + ".conf");
    writeFile(config, QStringLiteral("[gateway]\nname = %1\nallow_commands = %2\nheartbeat = 2\nstats = 1\n%3\n"
                                     "[broker]\nhost = 127.0.0.1\nport = %4\nusername = %5\npassword_file = %6\n"
                                     "keepalive = 5\n\n%7")
                          .arg(name, commands ? "yes" : "no", gatewayKeys, QString::number(port ? port : m_broker.port()),
                               user, passwordFile, busSections));
    process->setProcessChannelMode(port ? QProcess::ForwardedOutputChannel : QProcess::ForwardedChannels);
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
    QTest::newRow("discovery") << "[gateway]\nhomeassistant_discovery = maybe\n" << "f.conf:2: homeassistant_discovery: \"maybe\" is not yes or no";
    QTest::newRow("diagnosis") << "[gateway]\nallow_diagnosis = maybe\n" << "f.conf:2: allow_diagnosis: \"maybe\" is not yes or no";
    QTest::newRow("lease expiry") << "[gateway]\nlease_expiry = 0\n" << "f.conf:2: lease_expiry: \"0\" is not a number of seconds";
    QTest::newRow("wildcard prefix") << "[gateway]\nhomeassistant_prefix = ha/+\n" << "f.conf:2: homeassistant_prefix: \"ha/+\": each level";
    QTest::newRow("empty level") << "[gateway]\nhomeassistant_prefix = ha//x\n" << "f.conf:2: homeassistant_prefix: \"ha//x\": each level";
    QTest::newRow("our own prefix") << "[gateway]\nhomeassistant_prefix = grivant/ha\n" << "f.conf:2: homeassistant_prefix: \"grivant/ha\" is under grivant/";
    QTest::newRow("network port") << "[bus w]\nport = rtu+tcp://10.0.0.5\n"
                                  << "f.conf:2: port: \"rtu+tcp://10.0.0.5\": give the device server's port";
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
        QVERIFY(GatewayConfig::summary(config).contains("IDs 1-4, state every period of the desktop tool, period.3 = 200\n"));
    }
}

void TestGateway::configurationFiles()
{
    // Only a regular text file of a sensible size is read: what would block, never end or
    // lose lines is refused at once, naming the file (and the line).
    QVERIFY(writeFile(m_dir.filePath("nul.conf"), QStringLiteral("[gateway]\nname = x\n") + QChar(0)
                                                      + "\n[bus b]\nport = /dev/ttyS1\nids = 1\n"));
    QVERIFY(writeFile(m_dir.filePath("large.conf"), QString(GatewayConfig::MaxFileBytes + 1, QLatin1Char('#'))));
    QVERIFY(::mkfifo(QFile::encodeName(m_dir.filePath("fifo")).constData(), 0600) == 0);
    const QString bus = "/dev/ttyS9,115200,1";
    const QList<QPair<QStringList, QString>> cases = {
        {{"--config", "/dev/zero"}, "cannot read /dev/zero: it is a device, not a regular file"},
        {{"--config", m_dir.filePath("fifo")}, "fifo: it is a FIFO (named pipe), not a regular file"},
        {{"--config", m_dir.filePath("nul.conf")}, "nul.conf:3: a NUL byte"},
        {{"--config", m_dir.filePath("large.conf")}, "large.conf: it holds more than 1048576 bytes"},
        {{"--bus", bus, "--username", "u", "--password-file", "/dev/zero"},
         "password_file: cannot read /dev/zero: it is a device"},
        {{"--bus", bus, "--username", "u", "--password-file", m_dir.filePath("fifo")}, "fifo: it is a FIFO"},
    };
    for (const auto &c : cases) {
        GatewayConfig::Options options;
        GatewayConfig::Config config;
        QString why;
        QVERIFY(GatewayConfig::parseArguments(c.first, &options, &why));
        QVERIFY(!GatewayConfig::resolve(options, &config, &why));
        QVERIFY2(why.contains(c.second), qPrintable(why));
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
                                           "--bus", "/dev/ttyUSB0,115200,1,3,5-6,even", "--bus", "/dev/ttyUSB1,9600,scan",
                                           "--bus", "rtu+tcp://10.0.0.5:4001?baud=9600,1-2"},
                                          &options, &why));
    GatewayConfig::Config c;
    QVERIFY2(GatewayConfig::resolve(options, &c, &why), qPrintable(why));
    QCOMPARE(c.name, QString("line7"));
    QCOMPARE(c.broker.host, QString("mqtt.plant"));
    QCOMPARE(c.broker.port, 1999);
    QCOMPARE(c.broker.clientId, QString("grivant-gateway-line7"));
    QCOMPARE(c.buses.size(), 3);
    QCOMPARE(c.buses[0].name, QString("ttyUSB0"));
    QCOMPARE(c.buses[0].ids, (QVector<int>{1, 3, 5, 6}));
    QCOMPARE(c.buses[0].line.parity, QSerialPort::EvenParity);
    QVERIFY(c.buses[1].scan);
    QCOMPARE(c.buses[1].ids.size(), 247);
    // A device server's line times the frames; the network waits longer for an answer.
    QCOMPARE(c.buses[2].name, QString("10.0.0.5-4001"));
    QCOMPARE(c.buses[2].line.baudRate, 9600);
    QCOMPARE(c.buses[2].timeoutMs, 1000);
    QCOMPARE(c.buses[0].timeoutMs, 150);
    QVERIFY(!c.homeAssistant);
    QVERIFY(GatewayConfig::summary(c).contains("\ndiagnosis off\nHome Assistant discovery off\n"));
    QVERIFY(GatewayConfig::parseArguments({"--bus", "/dev/ttyS9,115200,1", "--homeassistant-discovery",
                                           "--homeassistant-prefix", "plant/ha", "--allow-diagnosis", "--lease-expiry", "5"},
                                          &options, &why));
    QVERIFY2(GatewayConfig::resolve(options, &c, &why), qPrintable(why));
    QVERIFY(GatewayConfig::summary(c).contains("\ndiagnosis on: a device may be leased; a lease ends 5 s after its last request\n"));
    QVERIFY(GatewayConfig::summary(c).contains("\nHome Assistant discovery on, under plant/ha/\n"));

    const QList<QPair<QStringList, QString>> bad = {
        {{"--bus", "/dev/ttyUSB0,9600"}, "--bus /dev/ttyUSB0,9600: give PATH,BAUD,IDS[,PARITY]"},
        {{"--bus", "/dev/ttyUSB0,9601,1"}, "--bus /dev/ttyUSB0,9601,1: 9601 is not one of"},
        {{"--bus", "tcp://plc,115200,1"}, "--bus tcp://plc,115200,1: a network port has no baud rate"},
        {{"--broker", "host:0"}, "--broker host:0:"},
        {{"--lease-expiry", "0"}, "--lease-expiry 0: not a number of seconds"},
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
        {{"--homeassistant-discovery", "--bus", "/dev/tty.a,115200,1", "--bus", "/dev/tty_a,115200,1"},
         "--bus /dev/tty_a,115200,1: buses tty.a and tty_a are both tty_a in Home Assistant's topics"},
    };
    for (const auto &i : inconsistent) {
        QVERIFY(GatewayConfig::parseArguments(i.first, &options, &why));
        QVERIFY(!GatewayConfig::resolve(options, &c, &why));
        QVERIFY2(why.startsWith(i.second), qPrintable(why));
    }
    // Hosts holding "%1" (an IPv6 scope id) are named as they were written.
    QVERIFY(writeFile(m_dir.filePath("scope.conf"), "[broker]\nhost = fe80::1%1\n"));
    QVERIFY(GatewayConfig::parseArguments({"--config", m_dir.filePath("scope.conf"), "--bus", "rtu+tcp://[fe80::2%1]:4001,1"},
                                          &options, &why));
    QVERIFY2(GatewayConfig::resolve(options, &c, &why), qPrintable(why));
    QCOMPARE(c.buses[0].name, QString("fe80__2_1-4001"));
    QVERIFY2(GatewayConfig::summary(c).contains(", broker fe80::1%1:1883, "), qPrintable(GatewayConfig::summary(c)));
    // A network port takes no serial line settings.
    QVERIFY(writeFile(m_dir.filePath("net.conf"), "[bus n]\nport = tcp://plc\nbaud = 9600\nids = 1\n"));
    QVERIFY(GatewayConfig::parseArguments({"--config", m_dir.filePath("net.conf")}, &options, &why));
    QVERIFY(!GatewayConfig::resolve(options, &c, &why));
    QVERIFY2(why.contains("[bus n]: baud sets a serial line, and the network port tcp://plc has none"), qPrintable(why));
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
    QTest::newRow("huge") << QByteArray(R"({"values":{"Speed":99999999999}})") << "0x0104 Speed: 99999999999 is outside 1~100";
    QTest::newRow("32 bits") << QByteArray(R"({"values":{"0x0103":4294967295}})") << "0x0103 Target position: 4294967295 is outside -32768~32767";
    QTest::newRow("huge negative") << QByteArray(R"({"values":{"Force":-4294967296}})") << "0x0101 Force: -4294967296 is outside 0~100";
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

void TestGateway::commandQueue()
{
    // Each device's queue is bounded in commands and bytes; devices take turns.
    CommandQueue queue({3, 10});
    const QList<QPair<int, QByteArray>> added = {{1, "a"}, {1, "bb"}, {2, "c"}, {1, "ccc"}, {1, "d"}, {2, "1234567890"}, {3, "12345678901"}};
    QStringList refused;
    for (const auto &a : added)
        if (!queue.add(a.first, a.second).isEmpty())
            refused << a.second;
    QCOMPARE(refused, (QStringList{"d", "1234567890", "12345678901"}));
    QVERIFY(queue.add(1, "e").startsWith("queue full: 3 commands of 6 bytes wait for ID 1 already"));
    QStringList order;
    for (CommandQueue::Command c; queue.take(&c);)
        order << QStringLiteral("%1:%2").arg(c.id).arg(QString(c.payload));
    QCOMPARE(order, (QStringList{"1:a", "2:c", "1:bb", "1:ccc"}));

    // A command goes at once while it fits before the next poll; else, after a poll, once
    // the polls had ten times its length.
    struct Case { qint64 commandMs; bool poll; qint64 now; qint64 nextPoll; qint64 expected; };
    const Case cases[] = {
        {0, true, 100, 1000, 100},  // nothing before: at once
        {50, false, 100, 200, 100}, // fits before the poll, even right after a command
        {50, false, 100, 105, 105}, // a poll first
        {50, true, 100, 105, 550},  // after the poll: 500 ms after the command ended (at 50)
        {50, true, 600, 90, 600},   // polls overdue, but the share is kept
    };
    for (const Case &c : cases) {
        CommandPacing pacing;
        if (c.commandMs)
            pacing.commandDone(0, c.commandMs);
        if (c.poll)
            pacing.pollDone();
        QCOMPARE(pacing.nextCommandAt(c.now, c.nextPoll), c.expected);
    }
}

void TestGateway::healthFigures()
{
    // Percentiles by nearest rank over a bounded window; late when the median passes 1.1
    // times the period.
    struct Case
    {
        const char *name;
        int capacity;
        QVector<double> intervals;
        int periodMs;
        double p50, p95;
        bool late;
    };
    QVector<double> oneToTwenty;
    for (int i = 1; ++i <= 21;)
        oneToTwenty << i - 1;
    const Case cases[] = {
        {"none", 8, {}, 50, -1, -1, false},
        {"on time", 8, {50, 51, 50, 50}, 50, 50, 51, false},
        {"a few late ones", 8, {50, 50, 50, 70, 70}, 50, 50, 70, false},
        {"mostly late", 8, {56, 56, 56, 50, 50}, 50, 56, 56, true},
        {"at the limit", 8, {55, 55}, 50, 55, 55, false},
        {"as fast as the line", 8, {200, 300}, 0, 200, 300, false},
        {"ranks", 64, oneToTwenty, 10, 10, 19, false},
        {"the oldest give way", 4, {900, 900, 1, 2, 3, 4}, 2, 2, 4, false},
    };
    for (const Case &c : cases) {
        Health::Device device;
        device.intervals = Health::Intervals(c.capacity);
        device.periodMs = c.periodMs;
        for (double ms : c.intervals)
            device.intervals.add(ms);
        const Health::Figures f = Health::figures(device);
        QVERIFY2(f.p50Ms == c.p50 && f.p95Ms == c.p95 && f.late == c.late,
                 qPrintable(QStringLiteral("%1: %2 %3 %4").arg(c.name).arg(f.p50Ms).arg(f.p95Ms).arg(f.late)));
        QCOMPARE(f.intervals, std::min(c.capacity, int(c.intervals.size())));
    }
}

void TestGateway::discoveryConfigs()
{
    // What Home Assistant's MQTT discovery needs of each entity of ours, by component, and
    // the units a device class takes.
    const QStringList common = {"name", "object_id", "unique_id", "state_topic", "value_template", "availability",
                                "availability_mode", "device"};
    const QMap<QString, QStringList> required = {{"sensor", common},
                                                 {"binary_sensor", common + QStringList{"payload_on", "payload_off"}}};
    const QMap<QString, QStringList> units = {{"distance", {"mm", "cm", "m"}}, {"current", {"mA", "A"}}};
    const QRegularExpression topicForm("^ha/disc/(sensor|binary_sensor)/grivant_line_1/[a-zA-Z0-9_-]+/config$");

    Catalog catalog;
    QString error;
    QVERIFY(catalog.load("en_US", &error));
    const Discovery::Settings settings{"ha/disc", "line.1", "9.9"};
    const QJsonObject gateway = QJsonDocument::fromJson(Discovery::gatewayConfigs(settings).value(0).payload).object();
    QCOMPARE(gateway.value("state_topic").toString(), QString("grivant/line.1/status"));
    QSet<QString> uniqueIds{gateway.value("unique_id").toString()};
    struct Device { const char *bus; int id; const char *model; const char *positionUnit; const char *stateKey; };
    for (const Device &d : {Device{"west", 1, "GZB-50W", "%", "gripState"}, Device{"w.2", 7, "TQP2-51500", "mm", "motionState"}}) {
        Payloads::Identity identity;
        identity.modelName = d.model;
        identity.info.uniqueId = "1A2B3C4D";
        const RegisterMap &map = catalog.mapFor(d.model);
        const int count = map.groupRegisterCounts.value(2);
        const QStringList faults = Payloads::faultKeys(map, 0x200, count);
        QCOMPARE(faults, QStringList{"errorCode"});
        // A real state of the device, which the templates read.
        const QJsonObject values = QJsonDocument::fromJson(Payloads::state(Payloads::familyOf(d.model), map, 0x200,
                                                                           QVector<quint16>(count, 1), QDateTime()))
                                       .object().value("values").toObject();
        GatewayConfig::Bus bus;
        bus.name = d.bus;
        bus.ids = {d.id};
        const QString base = QStringLiteral("grivant/line.1/%1/%2").arg(d.bus).arg(d.id);
        const QVector<Discovery::Message> configs = Discovery::deviceConfigs(settings, d.bus, d.id, identity, faults);
        QCOMPARE(configs.size(), 5);
        for (const Discovery::Message &m : configs) {
            const QRegularExpressionMatch form = topicForm.match(m.topic);
            QVERIFY2(form.hasMatch() && Discovery::configTopics(settings, {bus}).contains(m.topic), qPrintable(m.topic));
            const QJsonObject c = QJsonDocument::fromJson(m.payload).object();
            for (const QString &key : required.value(form.captured(1)))
                QVERIFY2(c.contains(key), qPrintable(m.topic + ": no " + key));
            QVERIFY2(!uniqueIds.contains(c.value("unique_id").toString()), qPrintable(m.topic));
            uniqueIds.insert(c.value("unique_id").toString());
            QCOMPARE(c.value("state_topic").toString(), base + "/state");
            // There when the device answers and its gateway runs.
            QCOMPARE(c.value("availability_mode").toString(), QString("all"));
            QStringList availability;
            for (const QJsonValue &a : c.value("availability").toArray())
                availability << a.toObject().value("topic").toString() + '=' + a.toObject().value("payload_available").toString();
            QCOMPARE(availability, (QStringList{base + "/availability=online", "grivant/line.1/status=online"}));
            const QJsonObject device = c.value("device").toObject();
            QVERIFY(device.value("identifiers").toArray().contains("1A2B3C4D"));
            QCOMPARE(device.value("via_device").toString(), gateway.value("device").toObject().value("identifiers")[0].toString());
            const QString deviceClass = c.value("device_class").toString();
            QVERIFY(!units.contains(deviceClass) || units.value(deviceClass).contains(c.value("unit_of_measurement").toString()));
            if (c.value("name").toString() == "Position")
                QCOMPARE(c.value("unit_of_measurement").toString(), QString(d.positionUnit));
            // Every value a template reads is in the state, as it reads it.
            const QString tpl = c.value("value_template").toString();
            QRegularExpressionMatchIterator reads = QRegularExpression(R"(\['values'\]\['(\w+)'\]\['(\w+)'\])").globalMatch(tpl);
            QVERIFY(reads.hasNext() || tpl == "{{ 'ON' if value_json['fault'] else 'OFF' }}");
            while (reads.hasNext()) {
                const QRegularExpressionMatch r = reads.next();
                QVERIFY2(values.value(r.captured(1)).toObject().contains(r.captured(2)), qPrintable(m.topic + ": " + tpl));
            }
            QVERIFY(!c.value("name").toString().endsWith("state") || tpl.contains(d.stateKey));
            if (form.captured(1) == "binary_sensor")
                QVERIFY(c.value("payload_on") == "ON" && c.value("payload_off") == "OFF");
        }
    }
    // Only configs under this gateway's node are its own.
    const QList<QPair<QString, bool>> own = {
        {"ha/disc/sensor/grivant_line_1/gone_5_position/config", true},
        {"ha/disc/sensor/grivant_line_12/a_1_position/config", false},
        {"ha/disc/sensor/grivant_line_1/a/1/config", false},
        {"ha/disc/sensor/grivant_line_1/a_1_position/state", false},
        {"ha/disc2/sensor/grivant_line_1/a_1_position/config", false},
    };
    for (const auto &o : own) {
        QString object;
        QVERIFY2(Discovery::isOwnConfig(settings, o.first, &object) == o.second, qPrintable(o.first));
        QCOMPARE(object, o.second ? QString("gone_5") : QString());
    }
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

void TestGateway::slowDeviceFlagged()
{
    // Bus h: IDs 1 and 2 every 2 s, ID 3 every 20 ms but it answers after 40 ms. Only ID 3
    // falls behind; the garbled answers count as CRC errors, not as time-outs.
    const auto health = [&](int id) {
        QVector<QJsonObject> out;
        for (const Watcher::Message &m : m_watcher->on(topic("line1", "h", id, "health")))
            out << QJsonDocument::fromJson(m.payload).object();
        return out;
    };
    const auto measured = [&](int id) {
        int n = 0;
        for (const QJsonObject &h : health(id))
            n += h.value("intervals").toInt() > 0;
        return n;
    };
    QTRY_VERIFY_WITH_TIMEOUT(measured(1) >= 2 && measured(2) >= 2 && measured(3) >= 4, 30000);
    qint64 crc = 0;
    for (int id = 1; id <= 3; ++id) {
        const QVector<QJsonObject> all = health(id);
        int late = 0;
        for (const QJsonObject &h : all) {
            late += h.value("late").toBool();
            QCOMPARE(h.value("timeouts").toInt(), 0);
            QCOMPARE(h.value("exceptions").toInt(), 0);
            QCOMPARE(h.value("failures").toInt(), h.value("crcErrors").toInt());
            if (id == 3)
                crc += h.value("crcErrors").toInt();
        }
        const QJsonObject last = all.last();
        QCOMPARE(last.value("periodMs").toInt(), id == 3 ? 20 : 2000);
        QVERIFY(last.value("polls").toInt() > 0);
        if (id == 3) {
            // The first period may end before the device was identified.
            QVERIFY2(late >= all.size() - 1, qPrintable(QStringLiteral("%1 of %2").arg(late).arg(all.size())));
            QVERIFY(last.value("intervalP50Ms").toDouble() >= 40);
            QVERIFY(last.value("intervalP95Ms").toDouble() >= last.value("intervalP50Ms").toDouble());
        } else {
            QCOMPARE(late, 0);
        }
    }
    QVERIFY(crc > 0);
    // The same figures in the stats, beside the bus's idle share.
    const QJsonObject bus = m_watcher->lastJson("grivant/line1/stats").value("buses").toObject().value("h").toObject();
    QVERIFY(bus.value("health").toObject().value("3").toObject().value("late").toBool());
    QVERIFY(bus.contains("idleShare") && bus.contains("crcErrors"));
    // Retained for a client that comes later.
    Watcher late(m_broker.port(), "operator", "op-secret", "test-late-health");
    QTRY_VERIFY(!late.on(topic("line1", "h", 3, "health")).isEmpty());
    QVERIFY(late.on(topic("line1", "h", 3, "health")).first().retained);
}

void TestGateway::homeAssistantDiscovery()
{
    // Every device of the configuration shows up with its five entities, retained.
    const QString position = "ha/sensor/grivant_line1/a_1_position/config";
    QTRY_VERIFY_WITH_TIMEOUT(!m_hass->last("ha/sensor/grivant_line1/h_3_error_code/config").isEmpty(), 20000);
    Watcher late(m_broker.port(), "hass", "hass-secret", "test-late-hass", {"ha/#"});
    const QStringList devices = {"a_1", "a_2", "a_3", "b_2", "s_1", "h_1", "h_2", "h_3"};
    for (const QString &d : devices)
        for (const char *entity : {"sensor/grivant_line1/%1_position", "sensor/grivant_line1/%1_current",
                                      "sensor/grivant_line1/%1_state", "binary_sensor/grivant_line1/%1_fault",
                                      "sensor/grivant_line1/%1_error_code"}) {
            const QString t = "ha/" + QString(entity).arg(d) + "/config";
            QTRY_VERIFY2(!late.on(t).isEmpty(), qPrintable(t));
            QVERIFY(late.on(t).first().retained);
            QCOMPARE(QJsonDocument::fromJson(late.last(t)).object().value("state_topic").toString(),
                     QStringLiteral("grivant/line1/%1/state").arg(QString(d).replace('_', '/')));
        }
    QTRY_VERIFY(!late.on("ha/binary_sensor/grivant_line1/status/config").isEmpty());
    // The device that left the configuration is gone; the others stay.
    QTRY_COMPARE(m_hass->last("ha/sensor/grivant_line1/gone_5_position/config"), QByteArray());
    QVERIFY(late.on("ha/sensor/grivant_line1/gone_5_position/config").isEmpty());
    QVERIFY(!late.on("ha/sensor/grivant_line1/b_4_position/config").isEmpty());
    QVERIFY(!late.on("ha/sensor/grivant_other/a_1_position/config").isEmpty());

    // Home Assistant's announcement, and only it word for word, has every config again. A
    // refused set, answered in the gateway's order, marks where the announcements were dealt with.
    const int before = m_hass->on(position).size();
    for (const QByteArray status : {"Online", "online ", "online\n", "", "online"})
        QVERIFY(m_hass->publish("ha/status", status));
    QVERIFY(m_hass->publish("grivant/line1/a/9/set", R"({"id":"mark","values":{"Force":1}})"));
    QTRY_COMPARE(m_hass->on("grivant/line1/a/9/result").size(), 1);
    QCOMPARE(m_hass->on(position).size(), before + 1);
    QCOMPARE(m_hass->last(position), late.last(position));
}

// Bus s echoes every request and its device answers 100 ms late: the echo is set aside,
// and the answer times and the time-out suggested from them say how late.
void TestGateway::busFiguresTellTheLine()
{
    const auto bus = [this] {
        return m_watcher->lastJson("grivant/line1/stats").value("buses").toObject().value("s").toObject();
    };
    QTRY_VERIFY_WITH_TIMEOUT(bus().value("turnaroundP50Ms").isDouble(), 20000);
    const QJsonObject s = bus();
    QVERIFY2(s.value("turnaroundP50Ms").toDouble() >= 99, qPrintable(QJsonDocument(s).toJson()));
    QVERIFY(s.value("turnaroundP95Ms").toDouble() >= s.value("turnaroundP50Ms").toDouble());
    QVERIFY(s.value("suggestedTimeoutMs").toInt() >= 150);
    QCOMPARE(s.value("echo").toBool(), true);
    QVERIFY(s.value("adapter").toString().startsWith("a pseudo-terminal"));
    const QJsonObject a = m_watcher->lastJson("grivant/line1/stats").value("buses").toObject().value("a").toObject();
    QCOMPARE(a.value("echo").toBool(), false);
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
    // So is one published retained while the gateway runs, at its first delivery; clearing
    // it (an empty retained message) is no command and has no answer.
    QVERIFY(m_watcher->publish(topic("line1", "a", 1, "set"), R"({"id":"live","values":{"Force":51}})", true));
    QTRY_COMPARE(m_watcher->results(resultTopic, "live").size(), 1);
    QVERIFY(m_watcher->results(resultTopic, "live").first().value("detail").toString().startsWith("a retained set is not"));
    QVERIFY(m_watcher->publish(topic("line1", "a", 1, "set"), QByteArray(), true));
    // An unknown device, and IDs that are not plain: each answered beside its set.
    QVERIFY(m_watcher->publish(topic("line1", "a", 9, "set"), R"({"id":"nine","values":{"Force":50}})"));
    QTRY_VERIFY(m_watcher->lastJson(topic("line1", "a", 9, "result")).value("detail").toString()
                    .startsWith("bus a has no device with ID 9"));
    for (const QString id : {"0", "248", "-1", "1.0", "01"}) {
        const QString base = QStringLiteral("grivant/line1/a/%1/").arg(id);
        QVERIFY(m_watcher->publish(base + "set", R"({"id":"odd","values":{"Force":52}})"));
        QTRY_COMPARE(m_watcher->results(base + "result", "odd").size(), 1);
        QVERIFY2(m_watcher->results(base + "result", "odd").first().value("detail").toString()
                     .startsWith(QStringLiteral("\"%1\" is not a device ID").arg(id)), qPrintable(id));
    }
    QCOMPARE(m_watcher->results(resultTopic, QString()).size(), 0);
    QCOMPARE(m_busA->writesSince(mark), 0);
}

void TestGateway::sendSets(const QString &set, const QString &prefix, int count)
{
    const QString resultTopic = set.chopped(3) + "result";
    for (int i = 0; i < count; ++i)
        QVERIFY(m_watcher->publish(set, QStringLiteral(R"({"id":"%1%2","values":{"Force":%3}})")
                                            .arg(prefix).arg(i).arg(i % 100).toUtf8()));
    const auto answered = [&] {
        int n = 0;
        for (const Watcher::Message &m : m_watcher->on(resultTopic))
            n += QJsonDocument::fromJson(m.payload).object().value("id").toString().startsWith(prefix);
        return n;
    };
    QTRY_COMPARE(answered(), count);
}

void TestGateway::floodKeepsPolling()
{
    // Rounds of sets keep device 1's queue full; devices 2 and 3 on its bus are polled as
    // often as in as long a time before, counted in the simulator's own time.
    const QString set = topic("line1", "a", 1, "set");
    for (int round = 0; round < 15; ++round)
        sendSets(set, QStringLiteral("f%1-").arg(round), 40);
    const QVector<double> writes = m_busA->times("01 06 01 01");
    QVERIFY(writes.size() > 60);
    const double from = writes.first();
    const double to = writes.last();
    int before = 0;
    int during = 0;
    for (const QByteArray bystander : {"02 03 02 00", "03 03 02 00"}) {
        for (double t : m_busA->times(bystander)) {
            before += t >= 2 * from - to && t < from;
            during += t >= from && t < to;
        }
    }
    qInfo("bystanders' polls in %.2f s: %d before the flood, %d during it; %d writes", to - from, before, during,
          int(writes.size()));
    QVERIFY2(during >= 0.9 * before, qPrintable(QStringLiteral("%1 < 0.9 * %2").arg(during).arg(before)));
    int full = 0;
    for (const Watcher::Message &m : m_watcher->on(topic("line1", "a", 1, "result")))
        full += QJsonDocument::fromJson(m.payload).object().value("detail").toString().startsWith("queue full: 32 commands");
    QVERIFY(full > 0);
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

// A bus behind a device server: polled as a serial one; the server gone is told as such,
// and once it is back the devices are.
void TestGateway::busBehindADeviceServer()
{
    auto server = std::make_unique<Simulator>(QStringList{"--listen", "127.0.0.1:0", "--framing", "rtu", "--id", "1-2",
                                                          "--uid", "0D000001,0D000002", "--initialised", "--wire-time"});
    QVERIFY(server->start());
    const QString address = server->port();
    QProcess gateway;
    QVERIFY(startGateway(&gateway, "line2", "gateway2",
                         QStringLiteral("[bus n]\nport = %1?baud=115200\nids = 1-2\n").arg(address), false,
                         m_broker.port()).isEmpty());
    for (int id : {1, 2})
        QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(topic("line2", "n", id, "availability")), QByteArray("online"), 10000);
    QVERIFY(m_watcher->last(topic("line2", "n", 1, "info")).contains("\"line\":\"RTU over TCP, 115200 baud line\""));

    server->stop();
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(topic("line2", "n", 2, "availability")), QByteArray("offline"), 10000);
    QByteArray log;
    QTRY_VERIFY((log += gateway.readAllStandardError()).contains(
        QStringLiteral("(the device server at %1 cannot be reached: it refuses the connection")
            .arg(address.mid(QStringLiteral("rtu+tcp://").size())).toUtf8()));

    server = std::make_unique<Simulator>(QStringList{"--listen", address.mid(QStringLiteral("rtu+tcp://").size()),
                                                     "--framing", "rtu", "--id", "1-2", "--initialised"});
    QVERIFY(server->start());
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(topic("line2", "n", 2, "availability")), QByteArray("online"), 20000);
    gateway.terminate();
    QVERIFY(gateway.waitForFinished());
}

void TestGateway::commandsOffAndLastWill()
{
    // Through a broker that speaks only MQTT 3.1.1: the gateway says so and goes on.
    OlderBroker older(m_broker.port());
    QVERIFY(older.isListening());
    LoggedSimulator bus({"--link", m_dir.filePath("ttyC"), "--initialised"});
    QVERIFY(bus.start());
    QProcess gateway;
    const QString error = startGateway(&gateway, "line2", "gateway2",
                                       QStringLiteral("[bus c]\nport = %1\nids = 1\n").arg(m_dir.filePath("ttyC")), false,
                                       older.serverPort());
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QTRY_COMPARE(m_watcher->last(topic("line2", "c", 1, "availability")), QByteArray("online"));
    QByteArray log;
    QTRY_VERIFY((log += gateway.readAllStandardError()).contains("the broker speaks MQTT 3.1.1, not 5\n"));

    const int mark = bus.log().size();
    QVERIFY(m_watcher->publish(topic("line2", "c", 1, "set"), R"({"id":"off","values":{"Target position":100}})"));
    // Two rounds of figures later the command would long have been carried out.
    const int stats = m_watcher->on("grivant/line2/stats").size();
    QTRY_VERIFY(m_watcher->on("grivant/line2/stats").size() >= stats + 2);
    QVERIFY(m_watcher->on(topic("line2", "c", 1, "result")).isEmpty());
    QVERIFY(bus.requestsSince(mark) > 0);
    QCOMPARE(bus.writesSince(mark), 0);
    // Nor does it lend a device for diagnosis, and says so.
    QVERIFY(m_watcher->publish(topic("line2", "c", 1, "lease"), R"({"op":"take","session":"session-off","holder":"x"})"));
    QVERIFY(!m_watcher->waitFor(topic("line2", "c", 1, "answer"), [](const QByteArray &p) {
        return QJsonDocument::fromJson(p).object().value("detail").toString().startsWith(
            "gateway line2 lends no device: diagnosis is off (allow_diagnosis = yes");
    }).isEmpty());

    // Killed, it leaves the broker its last will.
    QCOMPARE(m_watcher->last("grivant/line2/status"), QByteArray("online"));
    ::kill(pid_t(gateway.processId()), SIGKILL);
    QVERIFY(gateway.waitForFinished());
    QTRY_COMPARE(m_watcher->last("grivant/line2/status"), QByteArray("offline"));
}

void TestGateway::duplicateName()
{
    // A second gateway named line1 finds the first at work and ends, leaving it connected.
    const int statuses = m_watcher->on("grivant/line1/status").size();
    QProcess second;
    QVERIFY(startGateway(&second, "line1", "gateway", QStringLiteral("[bus x]\nport = %1\nids = 1\n").arg(m_dir.filePath("none")),
                         false, m_broker.port()).isEmpty());
    QVERIFY(second.waitForFinished(20000));
    const QString log = QString::fromLocal8Bit(second.readAllStandardError());
    QCOMPARE(second.exitCode(), 2);
    QVERIFY2(log.contains("another gateway named line1 is connected to the broker at 127.0.0.1:")
                 && log.contains("this one does not connect"), qPrintable(log));
    QCOMPARE(m_watcher->on("grivant/line1/status").size(), statuses);
    QCOMPARE(m_watcher->last("grivant/line1/status"), QByteArray("online"));
}

void TestGateway::brokerGoneAndBack()
{
    // Sets to the slow device are carried out while the broker is away; their results wait
    // for it, and come once each.
    const QString set = topic("line1", "s", 1, "set");
    const int mark = m_slow->log().size();
    for (int i = 0; i < 6; ++i)
        QVERIFY(m_watcher->publish(set, QStringLiteral(R"({"id":"o%1","values":{"Force":%2}})").arg(i).arg(10 + i).toUtf8()));
    QTRY_VERIFY(m_slow->writesSince(mark) >= 2);
    m_broker.stop();
    QTRY_VERIFY(!m_watcher->connected());
    // The last command ended when the device's next poll went out.
    QTRY_VERIFY_WITH_TIMEOUT(m_slow->writesSince(mark) == 6 && m_slow->log().lastIndexOf("> 01 03 02 00") > m_slow->log().lastIndexOf("< 01 06"), 10000);
    // Polling goes on without the broker.
    const int markA = m_busA->log().size();
    QTRY_VERIFY(m_busA->requestsSince(markA) > 10);
    // The results wait until the test's own client listens again.
    const int infos = m_watcher->on(topic("line1", "a", 2, "info")).size();
    ::kill(pid_t(m_gateway.processId()), SIGSTOP);
    QVERIFY(m_broker.restart());
    QTRY_VERIFY_WITH_TIMEOUT(m_watcher->connected(), 20000);
    QVERIFY(m_watcher->echoed());
    ::kill(pid_t(m_gateway.processId()), SIGCONT);
    for (int i = 0; i < 6; ++i) {
        const QString id = QStringLiteral("o%1").arg(i);
        QTRY_VERIFY_WITH_TIMEOUT(!m_watcher->results(topic("line1", "s", 1, "result"), id).isEmpty(), 20000);
        QCOMPARE(m_watcher->results(topic("line1", "s", 1, "result"), id).size(), 1);
        QCOMPARE(m_watcher->results(topic("line1", "s", 1, "result"), id).first().value("outcome").toString(), QString("written"));
    }
    // The new broker holds nothing retained until the gateway publishes it all again.
    QTRY_VERIFY_WITH_TIMEOUT(m_watcher->on(topic("line1", "a", 2, "info")).size() > infos, 20000);
    QTRY_COMPARE(m_watcher->last("grivant/line1/status"), QByteArray("online"));
    QTRY_COMPARE(m_watcher->last(topic("line1", "b", 2, "availability")), QByteArray("online"));
}

void TestGateway::cleanEnd()
{
    // SIGTERM with the slow device's queue full: what waits is refused, not worked off.
    const QString set = topic("line1", "s", 1, "set");
    const QString resultTopic = topic("line1", "s", 1, "result");
    const int mark = m_slow->log().size();
    for (int i = 0; i < 40; ++i)
        QVERIFY(m_watcher->publish(set, QStringLiteral(R"({"id":"t%1","values":{"Force":%2}})").arg(i).arg(i).toUtf8()));
    QTRY_COMPARE(m_watcher->results(resultTopic, "t39").size(), 1);
    QElapsedTimer clock;
    clock.start();
    m_gateway.terminate();
    QVERIFY(m_gateway.waitForFinished(10000));
    qInfo("SIGTERM to the end with 32 commands waiting: %lld ms", clock.elapsed());
    QCOMPARE(m_gateway.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_gateway.exitCode(), 0);
    QMap<QString, int> outcomes;
    for (int i = 0; i < 40; ++i) {
        QTRY_VERIFY(!m_watcher->results(resultTopic, QStringLiteral("t%1").arg(i)).isEmpty());
        const QVector<QJsonObject> r = m_watcher->results(resultTopic, QStringLiteral("t%1").arg(i));
        QCOMPARE(r.size(), 1);
        outcomes[r[0].value("outcome").toString() + ' ' + r[0].value("detail").toString().section(':', 0, 0)] += 1;
    }
    QCOMPARE(outcomes.value("written written"), m_slow->writesSince(mark));
    QVERIFY2(outcomes.value("refused queue full") > 0 && outcomes.value("refused the gateway is ending; nothing was written") > 0,
             qPrintable(QStringList(outcomes.keys()).join(" | ")));
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
