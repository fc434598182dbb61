#include "gateway/mqttclient.h"

#include <mosquitto.h>

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstring>

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
    return QStringLiteral("%1:%2").arg(m_settings.host).arg(m_settings.port);
}

bool MqttClient::start(QString *error)
{
    const auto fail = [error](const QString &why) {
        *error = why;
        return false;
    };
    m_mosq = mosquitto_new(bytes(m_settings.clientId).constData(), true, this);
    if (!m_mosq)
        return fail(QStringLiteral("cannot make an MQTT client: %1").arg(errorText(MOSQ_ERR_ERRNO)));
    // The library only queues what other threads publish; this class's thread sends it.
    mosquitto_threaded_set(m_mosq, true);
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // State changes go out at once instead of waiting for more to fill a packet.
    mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    if (!m_settings.username.isEmpty()) {
        const int rc = mosquitto_username_pw_set(m_mosq, bytes(m_settings.username).constData(),
                                                 orNull(bytes(m_settings.password)));
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("user name: %1").arg(errorText(rc)));
    }
    if (!m_settings.caFile.isEmpty()) {
        const int rc = mosquitto_tls_set(m_mosq, QFile::encodeName(m_settings.caFile).constData(), nullptr,
                                         orNull(QFile::encodeName(m_settings.certFile)),
                                         orNull(QFile::encodeName(m_settings.keyFile)), nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("TLS with %1: %2").arg(m_settings.caFile, errorText(rc)));
    }
    if (!m_settings.willTopic.isEmpty()) {
        const int rc = mosquitto_will_set(m_mosq, bytes(m_settings.willTopic).constData(),
                                          m_settings.willPayload.size(), m_settings.willPayload.constData(), 1, true);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("last will: %1").arg(errorText(rc)));
    }
    mosquitto_connect_callback_set(m_mosq, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttClient::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttClient::onPublish);
    mosquitto_message_callback_set(m_mosq, &MqttClient::onMessage);
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

void MqttClient::report(Event event, int code, const QString &why)
{
    if (m_onConnection)
        m_onConnection(event, code, why);
}

void MqttClient::run()
{
    int pauseMs = FirstPauseMs;
    bool first = true;
    bool socketOpen = false;
    Clock::time_point nextTry = Clock::now();

    while (!m_stopping) {
        if (m_resetPause.exchange(false))
            pauseMs = FirstPauseMs;
        if (!socketOpen) {
            if (Clock::now() < nextTry) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            m_refusedThisTry = false;
            const int rc = first ? mosquitto_connect_async(m_mosq, bytes(m_settings.host).constData(), m_settings.port,
                                                           m_settings.keepAliveSeconds)
                                 : mosquitto_reconnect_async(m_mosq);
            first = rc != MOSQ_ERR_SUCCESS && first;
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
        if (rc != MOSQ_ERR_SUCCESS) {
            socketOpen = false;
            m_connected = false;
            const bool wasConnected = m_accepted;
            m_accepted = false;
            // A refusal was told already, with the broker's reason.
            if (!m_refusedThisTry)
                report(wasConnected ? Event::Lost : Event::Unreachable, rc, errorText(rc));
            {
                std::lock_guard<std::mutex> lock(m_inflightMutex);
                m_inflight.clear(); // a clean session: the broker forgets them too
            }
            nextTry = Clock::now() + std::chrono::milliseconds(pauseMs);
            pauseMs = std::min(2 * pauseMs, LongestPauseMs);
        }
    }

    if (!socketOpen || !m_connected)
        return;
    // Let the broker acknowledge what was published last (the offline notices), then leave
    // cleanly so that it does not publish the will.
    const Clock::time_point flushBy = Clock::now() + std::chrono::milliseconds(m_flushMs);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_inflightMutex);
            if (m_inflight.empty())
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
    if (!m_connected)
        return false;
    std::lock_guard<std::mutex> lock(m_inflightMutex);
    int mid = 0;
    const int rc = mosquitto_publish(m_mosq, &mid, bytes(topic).constData(), payload.size(), payload.constData(),
                                     qos, retain);
    if (rc != MOSQ_ERR_SUCCESS)
        return false;
    if (qos > 0)
        m_inflight.insert(mid);
    return true;
}

bool MqttClient::subscribe(const QString &pattern, int qos)
{
    return mosquitto_subscribe(m_mosq, nullptr, bytes(pattern).constData(), qos) == MOSQ_ERR_SUCCESS;
}

void MqttClient::onConnect(mosquitto *, void *self, int code)
{
    auto *client = static_cast<MqttClient *>(self);
    if (code == 0) {
        client->m_connected = true;
        client->m_accepted = true;
        client->m_resetPause = true;
        client->report(Event::Connected, 0, QString());
    } else {
        client->m_refusedThisTry = true;
        client->report(Event::Refused, code, QString::fromUtf8(mosquitto_connack_string(code)));
    }
}

void MqttClient::onDisconnect(mosquitto *, void *self, int)
{
    static_cast<MqttClient *>(self)->m_connected = false;
}

void MqttClient::onPublish(mosquitto *, void *self, int mid)
{
    auto *client = static_cast<MqttClient *>(self);
    std::lock_guard<std::mutex> lock(client->m_inflightMutex);
    client->m_inflight.erase(mid);
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
