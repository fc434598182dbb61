// Clients of a test's own broker and simulators whose log a test reads: what the gateway
// published, and what reached the wire.
#pragma once

#include "gateway/mqttclient.h"
#include "simulator.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QVector>

#include <memory>
#include <mutex>

// A client of the broker that keeps everything published under grivant/.
class Watcher
{
public:
    struct Message
    {
        QString topic;
        QByteArray payload;
        bool retained;
    };

    Watcher(int port, const QString &user, const QString &password, const QString &clientId,
            const QStringList &patterns = {QStringLiteral("grivant/#")})
    {
        MqttClient::Settings s;
        s.host = QStringLiteral("127.0.0.1");
        s.port = port;
        s.clientId = clientId;
        s.username = user;
        s.password = password;
        m_client = std::make_unique<MqttClient>(s);
        m_client->setConnectionHandler([this, patterns](MqttClient::Event e, int, const QString &) {
            if (e == MqttClient::Event::Connected)
                for (const QString &pattern : patterns)
                    m_client->subscribe(pattern, 1);
        });
        m_client->setMessageHandler([this](const QString &topic, const QByteArray &payload, bool retained) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_messages.append({topic, payload, retained});
        });
        QString error;
        m_started = m_client->start(&error);
    }

    // The connection's thread ends before the messages it appends to go.
    ~Watcher() { m_client.reset(); }

    bool connected() const { return m_started && m_client->isConnected(); }
    bool publish(const QString &topic, const QByteArray &payload, bool retain = false)
    {
        return m_client->publish(topic, payload, 1, retain);
    }

    QVector<Message> on(const QString &topic) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QVector<Message> out;
        for (const Message &m : m_messages)
            if (m.topic == topic)
                out.append(m);
        return out;
    }
    QByteArray last(const QString &topic) const
    {
        const QVector<Message> all = on(topic);
        return all.isEmpty() ? QByteArray() : all.last().payload;
    }
    QJsonObject lastJson(const QString &topic) const { return QJsonDocument::fromJson(last(topic)).object(); }
    // The results on `topic` for the command `id`, in the order they came.
    QVector<QJsonObject> results(const QString &topic, const QString &id) const
    {
        QVector<QJsonObject> out;
        for (const Message &m : on(topic))
            if (QJsonDocument::fromJson(m.payload).object().value("id").toString() == id)
                out << QJsonDocument::fromJson(m.payload).object();
        return out;
    }
    // True once a message of its own came back: its subscription is in place.
    bool echoed()
    {
        const QString topic = QStringLiteral("grivant/nobody/x/1/set");
        const QByteArray token = QByteArray::number(++m_echoes);
        publish(topic, token);
        return QTest::qWaitFor([&] { return last(topic) == token; }, 5000);
    }
    // The first message on `topic` that `match` takes, waiting up to `timeoutMs` for it.
    template<typename Match>
    QByteArray waitFor(const QString &topic, Match match, int timeoutMs = 5000) const
    {
        QByteArray found;
        (void)QTest::qWaitFor([&] {
            for (const Message &m : on(topic))
                if (match(m.payload)) {
                    found = m.payload;
                    return true;
                }
            return false;
        }, timeoutMs);
        return found;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.clear();
    }

private:
    std::unique_ptr<MqttClient> m_client;
    bool m_started = false;
    int m_echoes = 0;
    mutable std::mutex m_mutex;
    QVector<Message> m_messages;
};

// A simulator whose hexadecimal log (-v) the test reads: what reached its wire.
class LoggedSimulator
{
public:
    explicit LoggedSimulator(const QStringList &args) : m_sim(QStringList{"-v"} + args)
    {
        m_sim.process()->setProcessChannelMode(QProcess::SeparateChannels);
    }
    bool start() { return m_sim.start(); }
    void stop() { m_sim.stop(); }
    // Read from the pipe now, not once the event loop gets to it: a request the simulator
    // logged before it answered is in the log by the time its answer is seen.
    const QByteArray &log()
    {
        m_sim.process()->waitForReadyRead(0);
        m_log += m_sim.process()->readAllStandardError();
        return m_log;
    }
    // Write requests (functions 0x06 and 0x10) received since the log held `from` bytes.
    int writesSince(int from)
    {
        static const QRegularExpression write(QStringLiteral("> [0-9A-F]{2} (06|10) "));
        return int(QString::fromLatin1(log().mid(from)).count(write));
    }
    int requestsSince(int from) { return int(log().mid(from).count("> ")); }
    // When the simulator received the requests (its seconds) that start with `prefix`.
    QVector<double> times(const QByteArray &prefix)
    {
        QVector<double> out;
        for (const QByteArray &line : log().split('\n'))
            if (line.startsWith("devsim") && line.contains("> " + prefix))
                out << line.mid(6).trimmed().split(' ').value(0).toDouble();
        return out;
    }

private:
    Simulator m_sim;
    QByteArray m_log;
};

