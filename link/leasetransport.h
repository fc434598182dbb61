#pragma once

#include "gateway/mqttclient.h"
#include "link/leaseprotocol.h"
#include "link/modbustransport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

// A device of a running gateway's bus, reached through the broker (docs/mqtt.md, "Diagnosis"):
// the lease is taken at open and let go at close, and the blocking master's requests go
// to the gateway as PDUs and come back as the device's answers, one at a time, each
// waited for by its sequence number. The broker connection lives in a thread of its own
// (MqttClient); its last will lets go of the lease when this side dies. Each connection
// is a session of its own: after a lost connection the next request connects again and
// takes the lease again under a new session, so that the will of the old one, published
// late, cannot end the new lease. A lease that ended (let go by the gateway, expired) is
// taken again before the next request; a refusal is told in the gateway's words.
class LeaseTransport : public ModbusTransport
{
    // What it says of the broker, the gateway and the lease reaches the window's operator in
    // the window's language; grivantctl loads no translation and says it as written. What the
    // gateway answers (a refusal, why a lease ended) is quoted as the gateway words it.
    Q_DECLARE_TR_FUNCTIONS(LeaseTransport)

public:
    struct Settings
    {
        MqttClient::Settings broker;    // address, login and TLS; the rest is set here
        LeaseProtocol::Address address; // the gateway and its bus
        int id = 1;
        QString holder;                 // empty: user@host
        // How long the gateway may take to answer a request, as the master waits: told to
        // the gateway, which does not send a request that waited longer for its turn.
        int answerWaitMs = LeaseProtocol::DefaultWaitMs;
        // The broker's answer and the gateway's to a lease, at most.
        int openWaitMs = 5000;
    };

    explicit LeaseTransport(const Settings &settings);
    ~LeaseTransport() override;

    bool open(QString *why) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool isNetwork() const override { return true; }
    QString trafficPort() const override;
    int wireMs(int bytes) const override;
    QString noAnswerText() const override;

    Ready prepare(bool *unasked, QString *why) override;
    bool send(const QByteArray &request, QString *why) override;
    Received receive(const QByteArray &request, int expected, const QDeadlineTimer &deadline) override;
    Ready settle(int longestFrameMs, bool *unasked) override;

    // The bus's line, as the gateway told it with the lease ("115200 8N1").
    QString line() const;
    // "ana@bench-3": the user and the computer.
    static QString defaultHolder();

private:
    bool connectBroker(const QDeadlineTimer &deadline, QString *why);
    bool takeLease(const QDeadlineTimer &deadline, QString *why);
    void dropBroker();
    void onMessage(const QString &topic, const QByteArray &payload);
    QString brokerName() const;
    QString topic(const char *level) const;

    const Settings m_settings;
    QString m_holder;
    std::unique_ptr<MqttClient> m_mqtt;
    QString m_session;
    bool m_open = false;
    quint32 m_seq = 0;
    QElapsedTimer m_sent;
    QString m_noAnswer;
    QString m_failure;        // why the way was not ready the last time
    QDeadlineTimer m_retryAt; // no new connection before this
    int m_pauseMs = 0;

    mutable std::mutex m_mutex; // what the broker's thread tells
    std::condition_variable m_told;
    enum class Broker { Connecting, Subscribed, Refused, Unreachable, Lost } m_broker = Broker::Connecting;
    int m_subscriptions = 0;
    QString m_brokerWhy;
    QString m_gatewayStatus;  // its retained status: "online", "offline", empty when unknown
    bool m_leased = false;
    int m_leaseAnswers = 0;   // answers to takes: granted or refused
    QString m_leaseEnd;       // why the lease ended or was refused
    QString m_line;
    std::deque<LeaseProtocol::Answer> m_answers; // of this session, to requests
};
