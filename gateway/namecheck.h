#pragma once

#include "gateway/mqttclient.h"

#include <QObject>
#include <QTimer>

#include <memory>

// Whether another gateway of this name is connected to the broker, asked before this one
// connects under its client ID: that connection would push the other off the broker, and
// the other, connecting again, this one, for ever. The look goes through a connection of
// its own with an ID the library makes up, which pushes nobody off; it reads the retained
// grivant/NAME/status and listens for grivant/NAME/stats, which a running gateway publishes
// every few seconds:
//   - no status, or "offline": the name is free;
//   - "online" and figures or another live message come: another gateway has the name;
//   - "online" and nothing comes for the stats period and two seconds more: what is left of
//     a gateway that ended without its notice (the broker publishes its last will only once
//     it notices), and the name is free.
// Lives in the thread that made it; the outcome is told there once, through finished().
class NameCheck : public QObject
{
    Q_OBJECT
public:
    // `broker`: the gateway's own settings (address, login, TLS); its client ID and last
    // will are not used. The connection's events (unreachable, refused) go to `events`, in
    // the connection's thread.
    NameCheck(MqttClient::Settings broker, const QString &name, int statsSeconds,
              MqttClient::ConnectionHandler events, QObject *parent = nullptr);
    ~NameCheck() override;

    bool start(QString *error);

    // How long an "online" status is given to show its gateway alive.
    static int lifeWaitMs(int statsSeconds) { return statsSeconds * 1000 + 2000; }

signals:
    // free: the gateway may connect; else `why` names the other gateway.
    void finished(bool free, const QString &why);

private:
    void subscribed();
    void message(const QString &topic, const QByteArray &payload, bool retained);
    void decide(bool free, const QString &why);

    const QString m_name;
    const int m_statsSeconds;
    std::unique_ptr<MqttClient> m_client;
    QTimer m_grace; // after the subscriptions: the retained status comes with them
    QTimer m_life;  // after an "online" status: a sign of its gateway
    int m_acknowledged = 0;
    bool m_online = false;
    bool m_done = false;
};
