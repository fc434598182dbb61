#include "gateway/mqttclient.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstring>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr int FirstPauseMs = 1000;
constexpr int LongestPauseMs = 30000;
constexpr int LoopWaitMs = 100;

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString errorText(int rc)
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

// What came from the broker is acknowledged by TCP at once rather than up to 40 ms later.
// A broker that holds back small packets until the last one is acknowledged (Nagle's
// algorithm, mosquitto's default) would otherwise keep an answer that follows its own
// acknowledgement of a request waiting that long: a request and its answer through the
// broker would take 40 ms instead of a fraction of one. The kernel turns the quick
// acknowledgement off again by itself, so it is asked for after every read.
void acknowledgeAtOnce(mosquitto *m)
{
#ifdef Q_OS_LINUX
    const int socket = mosquitto_socket(m);
    const int on = 1;
    if (socket >= 0)
        ::setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#else
    Q_UNUSED(m);
#endif
}

QByteArray bytes(const QString &text)
{
    return text.toUtf8();
}

const char *orNull(const QByteArray &text)
{
    return text.isEmpty() ? nullptr : text.constData();
}

} // namespace

MqttClient::MqttClient(const Settings &settings) : m_settings(settings)
{
    initLibrary();
}

MqttClient::~MqttClient()
{
    stop(0);
    if (m_mosq)
        mosquitto_destroy(m_mosq);
}

QString MqttClient::address() const
{
    return QStringLiteral("%1:%2").arg(m_settings.host, QString::number(m_settings.port));
}

mosquitto *MqttClient::makeClient(QString *error) const
{
    const auto fail = [error](mosquitto *m, const QString &why) -> mosquitto * {
        *error = why;
        if (m)
            mosquitto_destroy(m);
        return nullptr;
    };
    const QByteArray id = bytes(m_settings.clientId);
    mosquitto *m = mosquitto_new(orNull(id), true, const_cast<MqttClient *>(this));
    if (!m)
        return fail(m, QStringLiteral("cannot make an MQTT client: %1").arg(errorText(MOSQ_ERR_ERRNO)));
    // The library only queues what other threads publish; this class's thread sends it.
    mosquitto_threaded_set(m, true);
    mosquitto_int_option(m, MOSQ_OPT_PROTOCOL_VERSION, m_protocol == 5 ? MQTT_PROTOCOL_V5 : MQTT_PROTOCOL_V311);
    // State changes go out at once instead of waiting for more to fill a packet.
    mosquitto_int_option(m, MOSQ_OPT_TCP_NODELAY, 1);
    if (!m_settings.username.isEmpty()) {
        const int rc = mosquitto_username_pw_set(m, bytes(m_settings.username).constData(),
                                                 orNull(bytes(m_settings.password)));
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(m, QStringLiteral("user name: %1").arg(errorText(rc)));
    }
    if (!m_settings.caFile.isEmpty()) {
        const int rc = mosquitto_tls_set(m, QFile::encodeName(m_settings.caFile).constData(), nullptr,
                                         orNull(QFile::encodeName(m_settings.certFile)),
                                         orNull(QFile::encodeName(m_settings.keyFile)), nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(m, QStringLiteral("TLS with %1: %2").arg(m_settings.caFile, errorText(rc)));
    }
    if (!m_settings.willTopic.isEmpty()) {
        const int rc = mosquitto_will_set(m, bytes(m_settings.willTopic).constData(), m_settings.willPayload.size(),
                                          m_settings.willPayload.constData(), 1, m_settings.willRetain);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(m, QStringLiteral("last will: %1").arg(errorText(rc)));
    }
    mosquitto_connect_callback_set(m, &MqttClient::onConnect);
    mosquitto_disconnect_v5_callback_set(m, &MqttClient::onDisconnect);
    mosquitto_publish_v5_callback_set(m, &MqttClient::onPublish);
    mosquitto_subscribe_callback_set(m, &MqttClient::onSubscribe);
    mosquitto_message_callback_set(m, &MqttClient::onMessage);
    return m;
}

bool MqttClient::start(QString *error)
{
    m_mosq = makeClient(error);
    if (!m_mosq)
        return false;
    m_held = m_settings.waitForResume;
    m_thread = std::thread([this] { run(); });
    return true;
}

void MqttClient::stop(int flushMs)
{
    if (!m_thread.joinable())
        return;
    m_flushMs = flushMs;
    m_stopping = true;
    m_thread.join();
}

void MqttClient::resume()
{
    m_resetPause = true;
    m_held = false;
}

void MqttClient::report(Event event, int code, const QString &why)
{
    if (m_onConnection)
        m_onConnection(event, code, why);
}

// The library of the last connection is let go with whatever it still held: what the
// broker did not acknowledge goes again, from the outbox, on the next connection.
void MqttClient::lostConnection()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connected = false;
    m_outboxLive = false;
    m_inflight.clear();
    for (Kept &k : m_outbox)
        k.mid = 0;
}

void MqttClient::run()
{
    int pauseMs = FirstPauseMs;
    bool fresh = true; // m_mosq has not tried a connection yet
    bool socketOpen = false;
    Clock::time_point nextTry = Clock::now();

    while (!m_stopping) {
        if (m_resetPause.exchange(false)) {
            pauseMs = FirstPauseMs;
            if (!socketOpen)
                nextTry = Clock::now();
        }
        if (!socketOpen) {
            if (m_takenOver || m_held || Clock::now() < nextTry) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            if (!fresh) {
                QString why;
                mosquitto *renewed = makeClient(&why);
                if (!renewed) {
                    report(Event::Unreachable, MOSQ_ERR_NOMEM, why);
                    nextTry = Clock::now() + std::chrono::milliseconds(pauseMs);
                    pauseMs = std::min(2 * pauseMs, LongestPauseMs);
                    continue;
                }
                std::lock_guard<std::mutex> lock(m_mutex);
                mosquitto_destroy(m_mosq);
                m_mosq = renewed;
            }
            fresh = false;
            m_refusedThisTry = false;
            m_retryOlder = false;
            m_disconnectReason = 0;
            const int rc = mosquitto_connect_async(m_mosq, bytes(m_settings.host).constData(), m_settings.port,
                                                   m_settings.keepAliveSeconds);
            if (rc == MOSQ_ERR_SUCCESS) {
                socketOpen = true;
            } else {
                report(Event::Unreachable, rc, errorText(rc));
                nextTry = Clock::now() + std::chrono::milliseconds(pauseMs);
                pauseMs = std::min(2 * pauseMs, LongestPauseMs);
                continue;
            }
        }
        const int rc = mosquitto_loop(m_mosq, LoopWaitMs, 1);
        if (rc == MOSQ_ERR_SUCCESS) {
            acknowledgeAtOnce(m_mosq);
            continue;
        }
        socketOpen = false;
        const bool wasConnected = m_accepted;
        m_accepted = false;
        lostConnection();
        if (m_retryOlder) {
            // A broker of MQTT 3.1.1 refuses version 5 at once: asked again in its own.
            m_protocol = 4;
            nextTry = Clock::now();
            continue;
        }
        if (m_disconnectReason == MQTT_RC_SESSION_TAKEN_OVER) {
            m_takenOver = true;
            report(Event::TakenOver, m_disconnectReason, QString::fromUtf8(mosquitto_reason_string(m_disconnectReason)));
            continue;
        }
        if (wasConnected && m_settings.waitForResume)
            m_held = true;
        // A refusal was told already, with the broker's reason.
        if (!m_refusedThisTry) {
            const bool told = m_disconnectReason >= 0x80;
            report(wasConnected ? Event::Lost : Event::Unreachable, told ? m_disconnectReason : rc,
                   told ? QStringLiteral("the broker ended the connection: %1")
                              .arg(QString::fromUtf8(mosquitto_reason_string(m_disconnectReason)))
                        : errorText(rc));
        }
        nextTry = Clock::now() + std::chrono::milliseconds(pauseMs);
        pauseMs = std::min(2 * pauseMs, LongestPauseMs);
    }

    if (!socketOpen || !m_connected)
        return;
    // Let the broker acknowledge what was published last (the offline notices and what the
    // outbox holds), then leave cleanly so that it does not publish the will.
    const Clock::time_point flushBy = Clock::now() + std::chrono::milliseconds(m_flushMs);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_inflight.empty() && m_outbox.empty())
                break;
        }
        if (Clock::now() >= flushBy || mosquitto_loop(m_mosq, 10, 1) != MOSQ_ERR_SUCCESS)
            break;
    }
    mosquitto_disconnect(m_mosq);
    const Clock::time_point closeBy = Clock::now() + std::chrono::milliseconds(200);
    while (Clock::now() < closeBy && mosquitto_loop(m_mosq, 10, 1) == MOSQ_ERR_SUCCESS) {
    }
    m_connected = false;
}

bool MqttClient::publish(const QString &topic, const QByteArray &payload, int qos, bool retain)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_connected)
        return false;
    int mid = 0;
    const int rc = mosquitto_publish(m_mosq, &mid, bytes(topic).constData(), payload.size(), payload.constData(),
                                     qos, retain);
    if (rc != MOSQ_ERR_SUCCESS)
        return false;
    if (qos > 0)
        m_inflight.insert(mid);
    return true;
}

bool MqttClient::deliver(const QString &topic, const QByteArray &payload)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (int(m_outbox.size()) >= m_settings.outboxMessages || m_outboxBytes + payload.size() > m_settings.outboxBytes)
        return false;
    m_outbox.push_back({topic, payload, 0});
    m_outboxBytes += payload.size();
    Kept &k = m_outbox.back();
    if (m_outboxLive
        && mosquitto_publish(m_mosq, &k.mid, bytes(topic).constData(), payload.size(), payload.constData(), 1, false)
               != MOSQ_ERR_SUCCESS)
        k.mid = 0; // goes with the next connection
    return true;
}

int MqttClient::undelivered() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_outbox.size());
}

bool MqttClient::subscribe(const QString &pattern, int qos, bool retainAsPublished)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int options = retainAsPublished && m_protocol == 5 ? MQTT_SUB_OPT_RETAIN_AS_PUBLISHED : 0;
    return mosquitto_subscribe_v5(m_mosq, nullptr, bytes(pattern).constData(), qos, options, nullptr)
           == MOSQ_ERR_SUCCESS;
}

void MqttClient::onConnect(mosquitto *, void *self, int code)
{
    auto *client = static_cast<MqttClient *>(self);
    if (code == 0) {
        client->m_connected = true;
        client->m_accepted = true;
        client->m_resetPause = true;
        client->report(Event::Connected, 0, QString());
        // What waited for the broker goes after what the handler published (the status).
        std::lock_guard<std::mutex> lock(client->m_mutex);
        for (Kept &k : client->m_outbox)
            if (mosquitto_publish(client->m_mosq, &k.mid, bytes(k.topic).constData(), k.payload.size(),
                                  k.payload.constData(), 1, false) != MOSQ_ERR_SUCCESS)
                k.mid = 0;
        client->m_outboxLive = true;
    } else if (client->m_protocol == 5
               && (code == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION || code == CONNACK_REFUSED_PROTOCOL_VERSION)) {
        client->m_retryOlder = true;
    } else {
        client->m_refusedThisTry = true;
        client->report(Event::Refused, code,
                       QString::fromUtf8(client->m_protocol == 5 ? mosquitto_reason_string(code)
                                                                 : mosquitto_connack_string(code)));
    }
}

void MqttClient::onDisconnect(mosquitto *, void *self, int code, const mqtt5__property *)
{
    auto *client = static_cast<MqttClient *>(self);
    client->m_connected = false;
    client->m_disconnectReason = code;
}

// The broker has the message: a QoS 1 acknowledgement, or the end of QoS 2. A refusal by
// the broker (an access list, say) ends it too: sending it again would be refused again.
void MqttClient::onPublish(mosquitto *, void *self, int mid, int, const mqtt5__property *)
{
    auto *client = static_cast<MqttClient *>(self);
    std::lock_guard<std::mutex> lock(client->m_mutex);
    client->m_inflight.erase(mid);
    for (auto it = client->m_outbox.begin(); it != client->m_outbox.end(); ++it) {
        if (it->mid == mid) {
            client->m_outboxBytes -= it->payload.size();
            client->m_outbox.erase(it);
            break;
        }
    }
}

void MqttClient::onSubscribe(mosquitto *, void *self, int, int, const int *)
{
    auto *client = static_cast<MqttClient *>(self);
    if (client->m_onSubscribed)
        client->m_onSubscribed();
}

void MqttClient::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *client = static_cast<MqttClient *>(self);
    if (!client->m_onMessage || !message || !message->topic)
        return;
    client->m_onMessage(QString::fromUtf8(message->topic),
                        QByteArray(static_cast<const char *>(message->payload), message->payloadlen),
                        message->retain);
}
