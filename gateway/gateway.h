#pragma once

#include "gateway/busworker.h"
#include "gateway/config.h"
#include "gateway/discovery.h"
#include "gateway/mqttclient.h"
#include "gateway/namecheck.h"

#include <QElapsedTimer>
#include <QMap>
#include <QSet>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class Catalog;

// The whole gateway: one worker per bus and the broker connection they publish through.
// What is published retained is kept here too and published again whenever the broker
// connection comes back; grivant/NAME/status is "online" while the gateway runs and
// "offline" after it ends, by its own notice or by the broker's last will.
class Gateway : public QObject, public Publisher
{
    Q_OBJECT
public:
    Gateway(const GatewayConfig::Config &config, const Catalog &catalog, QObject *parent = nullptr);
    ~Gateway() override;

    bool start(QString *error);
    // Publishes offline, ends the workers (their ports close) and leaves the broker.
    void stop();

    void publishRetained(const QString &topic, const QByteArray &payload, int qos) override;
    // Kept until the broker has it, across lost connections (bounded).
    void publishMessage(const QString &topic, const QByteArray &payload) override;
    void publishAnswer(const QString &topic, const QByteArray &payload) override;
    void log(const QString &line) override;
    void identified(const QString &bus, int id, const Payloads::Identity &identity, const RegisterMap &map) override;

signals:
    // The gateway cannot go on (the broker refused its login, another client took its
    // session): end with this status.
    void fatal(int exitStatus, const QString &why);

private:
    void onConnection(MqttClient::Event event, int code, const QString &why);
    // Before each connection under the gateway's client ID: is another gateway there?
    void checkName();
    void nameChecked(bool free, const QString &why);
    void onMessage(const QString &topic, const QByteArray &payload, bool retained);
    // A lease message or a request of a lease (gateway_lease.cpp).
    void onLease(const QStringList &levels, const QByteArray &payload, bool retained);
    // Home Assistant's announcement and the configs under this gateway's node; false for
    // any other topic.
    bool onHomeAssistant(const QString &topic, const QByteArray &payload, bool retained);
    void publishStats();
    QString statusTopic() const;

    const GatewayConfig::Config m_config;
    const Catalog &m_catalog;
    MqttClient::Settings m_brokerSettings;
    std::unique_ptr<MqttClient> m_mqtt;
    std::unique_ptr<NameCheck> m_check;
    std::vector<std::unique_ptr<BusWorker>> m_workers;
    Discovery::Settings m_discovery;
    QSet<QString> m_discoveryTopics; // every config this configuration may have
    QSet<QString> m_leftOverTold;    // the main connection's thread only
    QTimer m_statsTimer;
    QElapsedTimer m_uptime;

    std::mutex m_publishMutex; // the cache and the order of what goes to the broker
    QMap<QString, QPair<QByteArray, int>> m_retained;
    std::mutex m_logMutex;
    // Told in the broker connections' threads, one after the other.
    std::atomic<bool> m_everConnected{false};
    std::atomic<bool> m_unreachableTold{false};
    std::atomic<bool> m_olderProtocolTold{false};
    QElapsedTimer m_connectedSince; // the main connection's thread only
    int m_quickLosses = 0;
    std::atomic<bool> m_yielded{false}; // another gateway has this one's name and topics
    std::atomic<bool> m_outboxFull{false};
    std::atomic<int> m_connections{0};
    std::atomic<bool> m_stopped{false};
};
