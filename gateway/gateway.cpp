#include "gateway/gateway.h"

#include "gateway/payloads.h"
#include "gateway/setcommand.h"

#include <QDateTime>
#include <QStringList>

#include <cstdio>

namespace {

// A connection lost this soon after it came about, this many times in a row, is told.
constexpr qint64 QuickLossMs = 5000;
constexpr int QuickLossesTold = 3;

// How long a clean end waits for the broker to take the offline notices and the results.
constexpr int FlushMs = 1000;

// Refusals that no retry can mend, as MQTT 3.1.1 (1 to 5) and MQTT 5 (0x80 on) number them.
bool refusalIsFinal(int code)
{
    return code == 1 || code == 2 || code == 4 || code == 5 || code == 0x84 || code == 0x85 || code == 0x86
           || code == 0x87 || code == 0x8A || code == 0x8C;
}

bool refusalOfLogin(int code)
{
    return code == 4 || code == 5 || code == 0x86 || code == 0x87 || code == 0x8C;
}

bool refusalOfClientId(int code)
{
    return code == 2 || code == 0x85;
}

} // namespace

Gateway::Gateway(const GatewayConfig::Config &config, const Catalog &catalog, QObject *parent)
    : QObject(parent), m_config(config), m_catalog(catalog)
{
    m_discovery.prefix = config.homeAssistantPrefix;
    m_discovery.gateway = config.name;
    m_discovery.version = QStringLiteral(GRIVANT_VERSION);
    if (config.homeAssistant)
        m_discoveryTopics = Discovery::configTopics(m_discovery, config.buses);
    m_statsTimer.setInterval(config.statsSeconds * 1000);
    connect(&m_statsTimer, &QTimer::timeout, this, &Gateway::publishStats);
}

Gateway::~Gateway()
{
    stop();
}

QString Gateway::statusTopic() const
{
    return QStringLiteral("grivant/%1/status").arg(m_config.name);
}

bool Gateway::start(QString *error)
{
    MqttClient::Settings s;
    s.host = m_config.broker.host;
    s.port = m_config.broker.effectivePort();
    s.clientId = m_config.broker.clientId;
    s.username = m_config.broker.username;
    s.password = m_config.broker.password;
    s.caFile = m_config.broker.caFile;
    s.certFile = m_config.broker.certFile;
    s.keyFile = m_config.broker.keyFile;
    s.keepAliveSeconds = m_config.broker.keepAliveSeconds;
    s.willTopic = statusTopic();
    s.willPayload = QByteArrayLiteral("offline");
    s.waitForResume = true;
    m_brokerSettings = s;
    m_mqtt = std::make_unique<MqttClient>(s);
    m_mqtt->setConnectionHandler([this](MqttClient::Event e, int code, const QString &why) { onConnection(e, code, why); });
    m_mqtt->setMessageHandler([this](const QString &t, const QByteArray &p, bool r) { onMessage(t, p, r); });

    for (const GatewayConfig::Bus &bus : m_config.buses)
        m_workers.push_back(std::make_unique<BusWorker>(m_config, bus, m_catalog, *this));
    QStringList buses;
    for (const GatewayConfig::Bus &bus : m_config.buses)
        buses << QStringLiteral("%1 (%2, %3, %4%5)")
                     .arg(bus.name, bus.line.port, lineSettingsText(bus.line),
                          bus.scan ? QStringLiteral("scan of ") : QString(), GatewayConfig::idsText(bus.ids));
    log(QStringLiteral("gateway %1 watching %2; broker %3; commands %4; diagnosis %5%6")
            .arg(m_config.name, buses.join(QStringLiteral("; ")), m_mqtt->address(),
                 m_config.allowCommands ? QStringLiteral("on") : QStringLiteral("off"),
                 m_config.allowDiagnosis ? QStringLiteral("on") : QStringLiteral("off"),
                 m_config.homeAssistant ? QStringLiteral("; Home Assistant discovery under %1/").arg(m_discovery.prefix)
                                        : QString()));
    // Published with the other retained topics once the broker is there.
    if (m_config.homeAssistant)
        for (const Discovery::Message &m : Discovery::gatewayConfigs(m_discovery))
            publishRetained(m.topic, m.payload, 1);
    if (!m_mqtt->start(error))
        return false;
    checkName();
    for (auto &worker : m_workers)
        worker->start();
    m_uptime.start();
    m_statsTimer.start();
    return true;
}

void Gateway::stop()
{
    if (m_stopped || !m_mqtt)
        return;
    m_stopped = true;
    m_statsTimer.stop();
    m_check.reset();
    // The workers answer what waits for them, then the devices and the gateway are offline;
    // unless another client took this gateway's session, to which the topics now belong.
    for (auto &worker : m_workers)
        worker->requestStop();
    for (auto &worker : m_workers)
        worker->wait();
    if (!m_yielded) {
        for (auto &worker : m_workers)
            for (int id : worker->announcedIds())
                publishRetained(worker->topic(id, "availability"), QByteArrayLiteral("offline"), 1);
        publishRetained(statusTopic(), QByteArrayLiteral("offline"), 1);
    }
    m_mqtt->stop(FlushMs);
    if (const int left = m_mqtt->undelivered())
        log(QStringLiteral("%1 command results never reached the broker").arg(left));
    log(QStringLiteral("gateway %1 ended").arg(m_config.name));
}

void Gateway::publishRetained(const QString &topic, const QByteArray &payload, int qos)
{
    std::lock_guard<std::mutex> lock(m_publishMutex);
    m_retained.insert(topic, {payload, qos});
    m_mqtt->publish(topic, payload, qos, true);
}

void Gateway::publishMessage(const QString &topic, const QByteArray &payload)
{
    if (m_mqtt->deliver(topic, payload)) {
        m_outboxFull = false;
        return;
    }
    if (!m_outboxFull.exchange(true))
        log(QStringLiteral("the broker has not taken the last %1 command results; further ones are dropped until it has")
                .arg(m_mqtt->undelivered()));
}

void Gateway::publishAnswer(const QString &topic, const QByteArray &payload)
{
    std::lock_guard<std::mutex> lock(m_publishMutex);
    m_mqtt->publish(topic, payload, 1, false);
}

void Gateway::identified(const QString &bus, int id, const Payloads::Identity &identity, const RegisterMap &map)
{
    if (!m_config.homeAssistant)
        return;
    constexpr int FeedbackGroup = 0x02;
    const QStringList faults = Payloads::faultKeys(map, FeedbackGroup * 256, map.groupRegisterCounts.value(FeedbackGroup));
    for (const Discovery::Message &m : Discovery::deviceConfigs(m_discovery, bus, id, identity, faults)) {
        {
            // A device that comes back as it was changes nothing there.
            std::lock_guard<std::mutex> lock(m_publishMutex);
            if (m_retained.value(m.topic).first == m.payload)
                continue;
        }
        publishRetained(m.topic, m.payload, 1);
    }
}

void Gateway::log(const QString &line)
{
    std::lock_guard<std::mutex> lock(m_logMutex);
    std::fprintf(stderr, "grivant-gateway: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

void Gateway::checkName()
{
    if (m_stopped)
        return;
    m_check = std::make_unique<NameCheck>(m_brokerSettings, m_config.name, m_config.statsSeconds,
                                          [this](MqttClient::Event e, int code, const QString &why) { onConnection(e, code, why); });
    // Queued: the check is let go in the slot.
    connect(m_check.get(), &NameCheck::finished, this, &Gateway::nameChecked, Qt::QueuedConnection);
    QString error;
    if (!m_check->start(&error))
        QMetaObject::invokeMethod(this, [this, error] { emit fatal(1, error); }, Qt::QueuedConnection);
}

void Gateway::nameChecked(bool free, const QString &why)
{
    m_check.reset();
    if (m_stopped)
        return;
    if (free) {
        if (!why.isEmpty())
            log(why);
        m_mqtt->resume();
        return;
    }
    // Its topics are the other gateway's: this one leaves them as they are.
    m_yielded = true;
    const QString clientId = m_config.broker.clientId;
    emit fatal(2, m_everConnected
                      ? QStringLiteral("%1; it took this gateway's place at the broker (client ID %2): this one ends "
                                       "and leaves its topics to it. Give each gateway a name of its own")
                            .arg(why, clientId)
                      : QStringLiteral("%1; this one does not connect, which would push it off the broker (both use "
                                       "the client ID %2). Give each gateway a name of its own")
                            .arg(why, clientId));
}

// In the broker connection's thread.
void Gateway::onConnection(MqttClient::Event event, int code, const QString &why)
{
    const QString where = m_mqtt->address();
    switch (event) {
    case MqttClient::Event::Connected: {
        ++m_connections;
        m_connectedSince.start();
        log(m_everConnected ? QStringLiteral("connected to the broker at %1 again; retained topics published again").arg(where)
                            : QStringLiteral("connected to the broker at %1").arg(where));
        if (m_mqtt->protocolVersion() < 5 && !m_olderProtocolTold) {
            m_olderProtocolTold = true;
            log(m_config.allowCommands
                    ? QStringLiteral("the broker speaks MQTT 3.1.1, not 5: a set published retained is refused when "
                                     "the broker hands it over at a connection, but one that arrives while the gateway "
                                     "is connected cannot be told from any other and is carried out; publish sets "
                                     "without retain")
                    : QStringLiteral("the broker speaks MQTT 3.1.1, not 5"));
        }
        m_everConnected = true;
        m_unreachableTold = false;
        std::lock_guard<std::mutex> lock(m_publishMutex);
        if (!m_stopped)
            m_mqtt->publish(statusTopic(), QByteArrayLiteral("online"), 1, true);
        for (auto it = m_retained.cbegin(); it != m_retained.cend(); ++it)
            if (it.key() != statusTopic())
                m_mqtt->publish(it.key(), it.value().first, it.value().second, true);
        // Exactly once for a client that publishes its commands with QoS 2; a retained set
        // keeps its flag when it comes live, so that it is refused then too.
        if (m_config.allowCommands)
            m_mqtt->subscribe(QStringLiteral("grivant/%1/+/+/set").arg(m_config.name), 2, true);
        // Lease messages are read with diagnosis off too, to be refused in words; requests
        // only with it on.
        m_mqtt->subscribe(QStringLiteral("grivant/%1/+/+/%2").arg(m_config.name, QLatin1String(LeaseProtocol::LeaseLevel)), 1, true);
        if (m_config.allowDiagnosis)
            m_mqtt->subscribe(QStringLiteral("grivant/%1/+/+/%2").arg(m_config.name, QLatin1String(LeaseProtocol::RequestLevel)),
                              1, true);
        if (m_config.homeAssistant) {
            // Home Assistant's announcement, and what this gateway's node holds there: a
            // config the configuration no longer has is removed when the broker hands it over.
            m_leftOverTold.clear();
            m_mqtt->subscribe(m_discovery.prefix + QStringLiteral("/status"), 1);
            m_mqtt->subscribe(QStringLiteral("%1/+/%2/+/config").arg(m_discovery.prefix, Discovery::nodeId(m_config.name)), 1);
        }
        break;
    }
    case MqttClient::Event::Refused: {
        const QString user = m_config.broker.username.isEmpty() ? QStringLiteral("without a user name")
                                                                 : QStringLiteral("user \"%1\"").arg(m_config.broker.username);
        const QString hint = refusalOfLogin(code)    ? QStringLiteral("; check the user name and the password")
                           : refusalOfClientId(code) ? QStringLiteral("; check the client ID")
                                                     : QString();
        const QString text = QStringLiteral("the broker at %1 refused the connection (%2): %3%4").arg(where, user, why, hint);
        if (!m_everConnected && refusalIsFinal(code)) {
            QMetaObject::invokeMethod(this, [this, text] { emit fatal(3, text); }, Qt::QueuedConnection);
        } else if (!m_unreachableTold) {
            log(text + QStringLiteral("; trying again with growing pauses"));
            m_unreachableTold = true;
        }
        break;
    }
    case MqttClient::Event::Unreachable:
        if (!m_unreachableTold)
            log(QStringLiteral("cannot reach the broker at %1 (%2); polling goes on, trying again with growing pauses")
                    .arg(where, why));
        m_unreachableTold = true;
        break;
    case MqttClient::Event::Lost:
        log(QStringLiteral("lost the broker at %1 (%2); polling goes on, trying again with growing pauses").arg(where, why));
        m_unreachableTold = true;
        // A broker that closes the connection right after it took it, again and again,
        // most likely gave it to another client with the same ID each time.
        m_quickLosses = m_connectedSince.elapsed() < QuickLossMs ? m_quickLosses + 1 : 0;
        if (m_quickLosses == QuickLossesTold)
            log(QStringLiteral("the broker closed the connection %1 times in a row within seconds of taking it: most "
                               "likely another client uses the client ID %2 and each connection pushes the other off; "
                               "give each client an ID of its own")
                    .arg(m_quickLosses).arg(m_config.broker.clientId));
        // Another gateway of this name may have taken the connection's place: looked at
        // before connecting again, which would push it off in turn.
        QMetaObject::invokeMethod(this, [this] { checkName(); }, Qt::QueuedConnection);
        break;
    case MqttClient::Event::TakenOver: {
        // Connecting again would push the other client off in turn, and so on for ever.
        m_yielded = true;
        const QString text =
            QStringLiteral("the broker at %1 gave this gateway's session to another client that connected with the "
                           "same client ID %2 (%3): another gateway named %4, or another program with that client "
                           "ID; this gateway ends and leaves its topics alone. Give each gateway a name of its own "
                           "(or a client_id of its own)")
                .arg(where, m_config.broker.clientId, why, m_config.name);
        QMetaObject::invokeMethod(this, [this, text] { emit fatal(2, text); }, Qt::QueuedConnection);
        break;
    }
    }
}

// In the broker connection's thread.
bool Gateway::onHomeAssistant(const QString &topic, const QByteArray &payload, bool retained)
{
    if (topic == m_discovery.prefix + QStringLiteral("/status")) {
        // Home Assistant announces itself when it starts, having forgotten every config; a
        // retained announcement comes with each subscription and tells nothing new.
        if (retained || payload != "online")
            return true;
        std::lock_guard<std::mutex> lock(m_publishMutex);
        const QString head = m_discovery.prefix + QLatin1Char('/');
        for (auto it = m_retained.cbegin(); it != m_retained.cend(); ++it)
            if (it.key().startsWith(head))
                m_mqtt->publish(it.key(), it.value().first, it.value().second, true);
        return true;
    }
    QString object;
    if (!Discovery::isOwnConfig(m_discovery, topic, &object))
        return false;
    // Only what the broker kept from before: the configs published now come back live.
    if (!retained || payload.isEmpty() || m_discoveryTopics.contains(topic))
        return true;
    {
        std::lock_guard<std::mutex> lock(m_publishMutex);
        m_mqtt->publish(topic, QByteArray(), 1, true);
    }
    // Told once a device (bounded), in characters that cannot break the log's lines.
    const QString name = Discovery::idLevel(object.left(100));
    if (m_leftOverTold.size() < 1000 && !m_leftOverTold.contains(name)) {
        m_leftOverTold.insert(name);
        log(QStringLiteral("Home Assistant: removed the entities of %1, which the configuration no longer has").arg(name));
    }
    return true;
}

// In the broker connection's thread: grivant/NAME/BUS/ID/set, and Home Assistant's topics.
void Gateway::onMessage(const QString &topic, const QByteArray &payload, bool retained)
{
    if (m_config.homeAssistant && onHomeAssistant(topic, payload, retained))
        return;
    const QStringList levels = topic.split(QLatin1Char('/'));
    if (levels.size() != 5 || levels.at(0) != QLatin1String("grivant") || levels.at(1) != m_config.name)
        return;
    if (levels.at(4) == QLatin1String(LeaseProtocol::LeaseLevel) || levels.at(4) == QLatin1String(LeaseProtocol::RequestLevel)) {
        onLease(levels, payload, retained);
        return;
    }
    if (!m_config.allowCommands || levels.at(4) != QLatin1String("set"))
        return;
    // An empty message is how a retained one is cleared from the broker: no command.
    if (payload.isEmpty())
        return;
    // The answer goes beside the set, whatever its levels say.
    const QString resultTopic = QStringList(levels.mid(0, 4)).join(QLatin1Char('/')) + QStringLiteral("/result");
    const auto refuse = [&](const QString &why) {
        publishMessage(resultTopic, Payloads::result(SetCommand::commandId(payload), QStringLiteral("refused"),
                                                     why + QStringLiteral("; nothing was written")));
    };
    if (payload.size() > SetCommand::MaxBytes) {
        refuse(QStringLiteral("the command holds %1 bytes, more than a set may (%2)").arg(payload.size()).arg(SetCommand::MaxBytes));
        return;
    }
    if (retained) {
        refuse(QStringLiteral("a retained set is not carried out: the broker would hand it over again at every "
                              "connection; publish it without retain"));
        return;
    }
    int id = 0;
    if (!SetCommand::parseDeviceId(levels.at(3), &id)) {
        refuse(QStringLiteral("\"%1\" is not a device ID: IDs are 1 to 247, written without a sign, a leading zero "
                              "or a fraction").arg(levels.at(3)));
        return;
    }
    for (auto &worker : m_workers) {
        if (worker->name() == levels.at(2)) {
            worker->submit(id, payload);
            return;
        }
    }
    refuse(QStringLiteral("gateway %1 has no bus %2").arg(m_config.name, levels.at(2)));
}

void Gateway::publishStats()
{
    QVector<Payloads::BusFigures> figures;
    for (auto &worker : m_workers)
        figures.append(worker->takeFigures());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QByteArray payload = Payloads::stats(now, m_uptime.elapsed() / 1000.0, m_connections, figures);
    {
        std::lock_guard<std::mutex> lock(m_publishMutex);
        m_mqtt->publish(QStringLiteral("grivant/%1/stats").arg(m_config.name), payload, 0, false);
    }
    // Each device's figures stay on the broker for a client that comes later.
    for (int i = 0; i < figures.size(); ++i)
        for (const Health::Figures &h : figures.at(i).health)
            publishRetained(m_workers.at(size_t(i))->topic(h.id, "health"), Payloads::health(h, now, figures.at(i).seconds), 0);
}
