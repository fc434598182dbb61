#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

struct mosquitto;
struct mosquitto_message;
struct mqtt5__property;

// A connection to an MQTT broker (libmosquitto's C API), kept behind this class so that
// nothing else sees the library, its types or its thread. The connection lives in a thread
// of its own, which connects, reconnects after a loss with a growing pause (1 s doubling
// to 30 s) and hands messages and connection changes to the handlers, which run in that
// thread; nothing here blocks its caller, so a window can use it as well as a service.
//
// It speaks MQTT 5 and falls back to 3.1.1 with a broker that refuses version 5. Each
// connection is a new client of the library: what the library had queued for the last one
// is gone, so a message reaches the broker only in the order this class hands it over.
// When the broker hands the session to another client that connected with the same client
// ID, the client does not connect again by itself: that would push the other one off in
// turn, for ever.
class MqttClient
{
public:
    struct Settings
    {
        QString host;
        int port = 1883;
        QString clientId; // empty: one the library makes up, different at each start
        QString username;
        QString password;
        QString caFile;   // TLS when given
        QString certFile; // client certificate and key, optional
        QString keyFile;
        int keepAliveSeconds = 30;
        QString willTopic; // the broker publishes the will when the link dies
        QByteArray willPayload;
        bool willRetain = true;
        // What deliver() keeps for the broker at most, counted and in bytes of payload.
        int outboxMessages = 10000;
        qint64 outboxBytes = 16 * 1024 * 1024;
        // Connect at start, and again after an accepted connection was lost, only once
        // resume() says so: the owner looks at the broker first.
        bool waitForResume = false;
    };

    enum class Event {
        Connected,   // the broker accepted the connection
        Refused,     // the broker answered and refused it (why: its reason)
        Unreachable, // no connection came about (why: the reason), tried again later
        Lost,        // an accepted connection ended; tried again later
        TakenOver,   // the broker gave the session to another client with our client ID
    };
    using ConnectionHandler = std::function<void(Event event, int code, const QString &why)>;
    using MessageHandler = std::function<void(const QString &topic, const QByteArray &payload, bool retained)>;

    explicit MqttClient(const Settings &settings);
    ~MqttClient();
    MqttClient(const MqttClient &) = delete;
    MqttClient &operator=(const MqttClient &) = delete;

    // Before start().
    void setConnectionHandler(ConnectionHandler handler) { m_onConnection = std::move(handler); }
    void setMessageHandler(MessageHandler handler) { m_onMessage = std::move(handler); }
    // Called when the broker acknowledged a subscription.
    void setSubscribedHandler(std::function<void()> handler) { m_onSubscribed = std::move(handler); }

    // False with the reason when the settings cannot work (TLS files, say); connecting
    // itself goes on in the background.
    bool start(QString *error);
    // Waits up to flushMs for the broker to acknowledge what was published with QoS 1 or 2
    // and what deliver() keeps, then disconnects cleanly (no will) and ends the thread.
    void stop(int flushMs);
    // With waitForResume: connect now (and keep trying until connected).
    void resume();

    bool isConnected() const { return m_connected; }
    QString address() const;
    // 5, or 4 (MQTT 3.1.1) after a broker refused version 5.
    int protocolVersion() const { return m_protocol; }

    // False when the broker is not connected or the library refuses the message: nothing
    // is kept for a later connection.
    bool publish(const QString &topic, const QByteArray &payload, int qos, bool retain);
    // With QoS 1, not retained, kept until the broker acknowledged it, across lost
    // connections and in the order given; false when the outbox is full.
    bool deliver(const QString &topic, const QByteArray &payload);
    // Messages deliver() took that the broker has not acknowledged yet.
    int undelivered() const;
    // retainAsPublished: a retained message keeps its retain flag when it is delivered
    // live too, not only at the subscription (MQTT 5; MQTT 3.1.1 has no such option).
    bool subscribe(const QString &pattern, int qos, bool retainAsPublished = false);

private:
    struct Kept
    {
        QString topic;
        QByteArray payload;
        int mid = 0; // 0: not handed to the library of this connection yet
    };

    mosquitto *makeClient(QString *error) const;
    void run();
    void lostConnection();
    void report(Event event, int code, const QString &why);
    static void onConnect(mosquitto *, void *self, int code);
    static void onDisconnect(mosquitto *, void *self, int code, const mqtt5__property *);
    static void onPublish(mosquitto *, void *self, int mid, int code, const mqtt5__property *);
    static void onSubscribe(mosquitto *, void *self, int mid, int count, const int *granted);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);

    const Settings m_settings;
    mosquitto *m_mosq = nullptr; // replaced for each connection, under m_mutex
    ConnectionHandler m_onConnection;
    MessageHandler m_onMessage;
    std::function<void()> m_onSubscribed;
    std::thread m_thread;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_refusedThisTry{false};
    std::atomic<bool> m_resetPause{false};
    std::atomic<int> m_protocol{5};
    bool m_accepted = false;      // the connection of this try was accepted (thread only)
    bool m_retryOlder = false;    // the broker refused MQTT 5: try 3.1.1 at once (thread only)
    int m_disconnectReason = 0;   // the broker's reason when it ended the connection (thread only)
    bool m_takenOver = false;     // (thread only)
    std::atomic<bool> m_held{false};
    int m_flushMs = 0;
    mutable std::mutex m_mutex;
    std::set<int> m_inflight; // message IDs of QoS 1 and 2 publishes not yet acknowledged
    std::deque<Kept> m_outbox;
    qint64 m_outboxBytes = 0;
    bool m_outboxLive = false; // what deliver() takes goes to the broker at once
};
