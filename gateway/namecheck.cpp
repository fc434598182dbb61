#include "gateway/namecheck.h"

namespace {

// The broker sends the retained messages of a subscription right with its acknowledgement.
constexpr int GraceMs = 500;

} // namespace

NameCheck::NameCheck(MqttClient::Settings broker, const QString &name, int statsSeconds,
                     MqttClient::ConnectionHandler events, QObject *parent)
    : QObject(parent), m_name(name), m_statsSeconds(statsSeconds)
{
    broker.clientId.clear();
    broker.willTopic.clear();
    broker.willPayload.clear();
    broker.waitForResume = false;
    m_client = std::make_unique<MqttClient>(broker);
    m_client->setConnectionHandler([this, events](MqttClient::Event event, int code, const QString &why) {
        if (event == MqttClient::Event::Connected) {
            m_client->subscribe(QStringLiteral("grivant/%1/status").arg(m_name), 1);
            m_client->subscribe(QStringLiteral("grivant/%1/stats").arg(m_name), 0);
        } else if (events && event != MqttClient::Event::Lost) {
            // A lost look is looked again by itself; the rest the gateway tells as its own.
            events(event, code, why);
        }
    });
    m_client->setSubscribedHandler([this] { QMetaObject::invokeMethod(this, [this] { subscribed(); }); });
    m_client->setMessageHandler([this](const QString &topic, const QByteArray &payload, bool retained) {
        QMetaObject::invokeMethod(this, [this, topic, payload, retained] { message(topic, payload, retained); });
    });
    m_grace.setSingleShot(true);
    m_grace.setInterval(GraceMs);
    connect(&m_grace, &QTimer::timeout, this, [this] {
        if (!m_online)
            decide(true, QString());
    });
    m_life.setSingleShot(true);
    m_life.setInterval(lifeWaitMs(statsSeconds));
    connect(&m_life, &QTimer::timeout, this, [this] {
        decide(true, QStringLiteral("grivant/%1/status says online, but no gateway of that name published anything for "
                                    "%2 s: taken as left over from one that ended without its offline notice")
                         .arg(m_name).arg(m_life.interval() / 1000.0));
    });
}

NameCheck::~NameCheck()
{
    m_client->stop(0);
}

bool NameCheck::start(QString *error)
{
    return m_client->start(error);
}

void NameCheck::subscribed()
{
    if (++m_acknowledged == 2 && !m_online)
        m_grace.start();
}

void NameCheck::message(const QString &topic, const QByteArray &payload, bool retained)
{
    if (m_done)
        return;
    const bool status = topic.endsWith(QLatin1String("/status"));
    if (status && payload == "offline") {
        decide(true, QString());
        return;
    }
    // Anything that comes live, rather than from what the broker kept, is a gateway at work.
    if (!retained) {
        decide(false, QStringLiteral("another gateway named %1 is connected to the broker at %2: its %3 came just now")
                          .arg(m_name, m_client->address(), topic));
        return;
    }
    if (status && payload == "online" && !m_online) {
        m_online = true;
        m_grace.stop();
        m_life.start();
    }
}

void NameCheck::decide(bool free, const QString &why)
{
    if (m_done)
        return;
    m_done = true;
    m_grace.stop();
    m_life.stop();
    emit finished(free, why);
}
