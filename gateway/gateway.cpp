#include "gateway/gateway.h"

#include "gateway/payloads.h"
#include "gateway/setcommand.h"

#include <QDateTime>
#include <QStringList>

#include <cstdio>

namespace {

// How long a clean end waits for the broker to take the offline notices.
constexpr int FlushMs = 400;

// CONNACK codes of MQTT 3.1.1 that no retry can mend.
bool refusalIsFinal(int code)
{
    return code == 1 || code == 2 || code == 4 || code == 5;
}

} // namespace

Gateway::Gateway(const GatewayConfig::Config &config, const Catalog &catalog, QObject *parent)
    : QObject(parent), m_config(config), m_catalog(catalog)
{
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
    log(QStringLiteral("gateway %1 watching %2; broker %3; commands %4")
            .arg(m_config.name, buses.join(QStringLiteral("; ")), m_mqtt->address(),
                 m_config.allowCommands ? QStringLiteral("on") : QStringLiteral("off")));
    if (!m_mqtt->start(error))
        return false;
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
    publishRetained(statusTopic(), QByteArrayLiteral("offline"), 1);
    for (auto &worker : m_workers)
        worker->requestStop();
    for (auto &worker : m_workers) {
        worker->wait();
        for (int id : worker->announcedIds())
            publishRetained(worker->topic(id, "availability"), QByteArrayLiteral("offline"), 1);
    }
    m_mqtt->stop(FlushMs);
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
    std::lock_guard<std::mutex> lock(m_publishMutex);
    m_mqtt->publish(topic, payload, 1, false);
}

void Gateway::log(const QString &line)
{
    std::lock_guard<std::mutex> lock(m_logMutex);
    std::fprintf(stderr, "grivant-gateway: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// In the broker connection's thread.
void Gateway::onConnection(MqttClient::Event event, int code, const QString &why)
{
    const QString where = m_mqtt->address();
    switch (event) {
    case MqttClient::Event::Connected: {
        ++m_connections;
        log(m_everConnected ? QStringLiteral("connected to the broker at %1 again; retained topics published again").arg(where)
                            : QStringLiteral("connected to the broker at %1").arg(where));
        m_everConnected = true;
        m_unreachableTold = false;
        std::lock_guard<std::mutex> lock(m_publishMutex);
        if (!m_stopped)
            m_mqtt->publish(statusTopic(), QByteArrayLiteral("online"), 1, true);
        for (auto it = m_retained.cbegin(); it != m_retained.cend(); ++it)
            if (it.key() != statusTopic())
                m_mqtt->publish(it.key(), it.value().first, it.value().second, true);
        // Exactly once for a client that publishes its commands with QoS 2.
        if (m_config.allowCommands)
            m_mqtt->subscribe(QStringLiteral("grivant/%1/+/+/set").arg(m_config.name), 2);
        break;
    }
    case MqttClient::Event::Refused: {
        const QString user = m_config.broker.username.isEmpty() ? QStringLiteral("without a user name")
                                                                 : QStringLiteral("user \"%1\"").arg(m_config.broker.username);
        const QString hint = code == 4 || code == 5 ? QStringLiteral("; check the user name and the password")
                           : code == 2            ? QStringLiteral("; check the client ID")
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
        break;
    }
}

// In the broker connection's thread: grivant/NAME/BUS/ID/set.
void Gateway::onMessage(const QString &topic, const QByteArray &payload, bool retained)
{
    if (!m_config.allowCommands)
        return;
    const QStringList levels = topic.split(QLatin1Char('/'));
    if (levels.size() != 5 || levels.at(0) != QLatin1String("grivant") || levels.at(1) != m_config.name
        || levels.at(4) != QLatin1String("set"))
        return;
    bool ok = false;
    const int id = levels.at(3).toInt(&ok);
    if (!ok || id < 1 || id > 247)
        return;
    const QString base = QStringLiteral("grivant/%1/%2/%3/").arg(m_config.name, levels.at(2)).arg(id);
    if (retained) {
        // An empty retained message only clears one from the broker.
        if (!payload.isEmpty())
            publishMessage(base + QStringLiteral("result"),
                           Payloads::result(SetCommand::commandId(payload), QStringLiteral("refused"),
                                            QStringLiteral("a retained set is not carried out: the broker would hand it "
                                                           "over again at every connection; publish it without retain; "
                                                           "nothing was written")));
        return;
    }
    for (auto &worker : m_workers) {
        if (worker->name() == levels.at(2)) {
            worker->submit(id, payload);
            return;
        }
    }
    publishMessage(base + QStringLiteral("result"),
                   Payloads::result(SetCommand::commandId(payload), QStringLiteral("refused"),
                                    QStringLiteral("gateway %1 has no bus %2; nothing was written").arg(m_config.name, levels.at(2))));
}

void Gateway::publishStats()
{
    QVector<Payloads::BusFigures> figures;
    for (auto &worker : m_workers)
        figures.append(worker->takeFigures());
    const QByteArray payload = Payloads::stats(QDateTime::currentDateTimeUtc(), m_uptime.elapsed() / 1000.0,
                                               m_connections, figures);
    std::lock_guard<std::mutex> lock(m_publishMutex);
    m_mqtt->publish(QStringLiteral("grivant/%1/stats").arg(m_config.name), payload, 0, false);
}
