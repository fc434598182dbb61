#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

struct mosquitto;
struct mosquitto_message;

// A connection to an MQTT broker (MQTT 3.1.1 over libmosquitto's C API), kept behind this
// class so that nothing else sees the library, its types or its thread. The connection
// lives in a thread of its own, which connects, reconnects after a loss with a growing
// pause (1 s doubling to 30 s) and hands messages and connection changes to the handlers,
// which run in that thread. Publishing is safe from any thread; while the broker is away
// nothing is queued (the caller republishes what must survive, as retained messages).
class MqttClient
{
public:
    struct Settings
    {
        QString host;
        int port = 1883;
        QString clientId;
        QString username;
        QString password;
        QString caFile;   // TLS when given
        QString certFile; // client certificate and key, optional
        QString keyFile;
        int keepAliveSeconds = 30;
        QString willTopic; // the broker publishes the will, retained, when the link dies
        QByteArray willPayload;
    };

    enum class Event {
        Connected,   // the broker accepted the connection
        Refused,     // the broker answered and refused it (why: its reason)
        Unreachable, // no connection came about (why: the reason), tried again later
        Lost,        // an accepted connection ended; tried again later
    };
    using ConnectionHandler = std::function<void(Event event, int code, const QString &why)>;
    using MessageHandler = std::function<void(const QString &topic, const QByteArray &payload, bool retained)>;

    explicit MqttClient(const Settings &settings);
    ~MqttClient();
    MqttClient(const MqttClient &) = delete;
    MqttClient &operator=(const MqttClient &) = delete;

    // Both before start().
    void setConnectionHandler(ConnectionHandler handler) { m_onConnection = std::move(handler); }
    void setMessageHandler(MessageHandler handler) { m_onMessage = std::move(handler); }

    // False with the reason when the settings cannot work (TLS files, say); connecting
    // itself goes on in the background.
    bool start(QString *error);
    // Waits up to flushMs for the broker to acknowledge what was published with QoS 1 or 2,
    // then disconnects cleanly (no will) and ends the thread.
    void stop(int flushMs);

    bool isConnected() const { return m_connected; }
    QString address() const;

    // False when the broker is not connected or the library refuses the message.
    bool publish(const QString &topic, const QByteArray &payload, int qos, bool retain);
    bool subscribe(const QString &pattern, int qos);

private:
    void run();
    void report(Event event, int code, const QString &why);
    static void onConnect(mosquitto *, void *self, int code);
    static void onDisconnect(mosquitto *, void *self, int code);
    static void onPublish(mosquitto *, void *self, int mid);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);

    const Settings m_settings;
    mosquitto *m_mosq = nullptr;
    ConnectionHandler m_onConnection;
    MessageHandler m_onMessage;
    std::thread m_thread;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_refusedThisTry{false};
    std::atomic<bool> m_resetPause{false};
    bool m_accepted = false; // the connection of this try was accepted (thread only)
    int m_flushMs = 0;
    std::mutex m_inflightMutex;
    std::set<int> m_inflight; // message IDs of QoS 1 and 2 publishes not yet acknowledged
};
