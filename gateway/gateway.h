#pragma once

#include "gateway/busworker.h"
#include "gateway/config.h"
#include "gateway/mqttclient.h"

#include <QElapsedTimer>
#include <QMap>
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
    void publishMessage(const QString &topic, const QByteArray &payload) override;
    void log(const QString &line) override;

signals:
    // The gateway cannot go on (the broker refused its login): end with this status.
    void fatal(int exitStatus, const QString &why);

private:
    void onConnection(MqttClient::Event event, int code, const QString &why);
    void onMessage(const QString &topic, const QByteArray &payload, bool retained);
    void publishStats();
    QString statusTopic() const;

    const GatewayConfig::Config m_config;
    const Catalog &m_catalog;
    std::unique_ptr<MqttClient> m_mqtt;
    std::vector<std::unique_ptr<BusWorker>> m_workers;
    QTimer m_statsTimer;
    QElapsedTimer m_uptime;

    std::mutex m_publishMutex; // the cache and the order of what goes to the broker
    QMap<QString, QPair<QByteArray, int>> m_retained;
    std::mutex m_logMutex;
    bool m_everConnected = false; // the broker's thread only
    bool m_unreachableTold = false;
    std::atomic<int> m_connections{0};
    std::atomic<bool> m_stopped{false};
};
