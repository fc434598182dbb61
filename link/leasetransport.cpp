#include "link/leasetransport.h"

#include "link/modbusframe.h"

#include <QRegularExpression>
#include <QSysInfo>

#include <algorithm>
#include <chrono>
#include <cmath>

using LeaseProtocol::Answer;

namespace {

// The broker notices a client that went away without a word after 1.5 times this, and
// then publishes its last will, which lets go of the lease.
constexpr int KeepAliveSeconds = 10;
// Pauses before a lost connection or a refused lease is asked again.
constexpr int FirstPauseMs = 500;
constexpr int LongestPauseMs = 10000;
// How long close() waits for the broker to take the release.
constexpr int ReleaseFlushMs = 1000;
// Answers of this session kept for a request at most: the last one's, and late ones.
constexpr size_t KeptAnswers = 16;

std::chrono::milliseconds left(const QDeadlineTimer &deadline)
{
    return std::chrono::milliseconds(qMax<qint64>(0, deadline.remainingTime()));
}

} // namespace

LeaseTransport::LeaseTransport(const Settings &settings)
    : m_settings(settings),
      m_holder(LeaseProtocol::sanitiseHolder(settings.holder.isEmpty() ? defaultHolder() : settings.holder))
{
}

LeaseTransport::~LeaseTransport()
{
    close();
}

QString LeaseTransport::defaultHolder()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = QStringLiteral("someone");
    return QStringLiteral("%1@%2").arg(user, QSysInfo::machineHostName());
}

QString LeaseTransport::topic(const char *level) const
{
    return LeaseProtocol::topic(m_settings.address.gateway, m_settings.address.bus, m_settings.id, level);
}

QString LeaseTransport::brokerName() const
{
    return QStringLiteral("%1:%2").arg(m_settings.broker.host, QString::number(m_settings.broker.port));
}

QString LeaseTransport::trafficPort() const
{
    return m_settings.address.text();
}

QString LeaseTransport::line() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_line;
}

// The bus's line times the frames on it, as the gateway told it: "115200 8N1".
int LeaseTransport::wireMs(int bytes) const
{
    static const QRegularExpression form(QStringLiteral("^(\\d+) 8([NEOMS])([12])$"));
    const QRegularExpressionMatch m = form.match(line());
    const int baud = m.hasMatch() ? m.captured(1).toInt() : 0;
    if (baud <= 0)
        return 0;
    const int bits = 1 + 8 + (m.captured(2) == QLatin1String("N") ? 0 : 1) + m.captured(3).toInt();
    return int(std::ceil(1000.0 * bytes * bits / baud));
}

QString LeaseTransport::noAnswerText() const
{
    return m_noAnswer;
}

void LeaseTransport::dropBroker()
{
    if (!m_mqtt)
        return;
    // What was published goes to the broker first, then the connection ends cleanly: the
    // broker keeps the will to itself.
    m_mqtt->stop(ReleaseFlushMs);
    m_mqtt.reset();
}

void LeaseTransport::onMessage(const QString &topic, const QByteArray &payload)
{
    if (topic == QStringLiteral("grivant/%1/status").arg(m_settings.address.gateway)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_gatewayStatus = QString::fromUtf8(payload.left(16));
        // A gateway keeps its leases in memory only: one that went away lends nothing when
        // it is back, and the lease is taken again before the next request.
        if (m_gatewayStatus == QLatin1String("offline") && m_leased) {
            m_leased = false;
            m_leaseEnd = tr("gateway %1 went offline").arg(m_settings.address.gateway);
        }
        m_told.notify_all();
        return;
    }
    Answer a;
    QString why;
    if (!LeaseProtocol::parseAnswer(payload, &a, &why) || a.session != m_session)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (a.kind) {
    case Answer::Kind::Granted:
        m_leased = true;
        m_leaseEnd.clear();
        m_line = a.line;
        ++m_leaseAnswers;
        break;
    case Answer::Kind::Refused:
        m_leased = false;
        m_leaseEnd = a.detail;
        ++m_leaseAnswers;
        break;
    case Answer::Kind::Ended:
        m_leased = false;
        m_leaseEnd = a.detail;
        break;
    case Answer::Kind::Error:
        // The gateway knows of no lease of this session (it started again meanwhile, say):
        // the next request takes it again.
        if (a.error == QLatin1String(LeaseProtocol::NotSent) && a.detail.contains(QLatin1String(" is not leased: ")))
            m_leased = false;
        m_answers.push_back(a);
        if (m_answers.size() > KeptAnswers)
            m_answers.pop_front();
        break;
    case Answer::Kind::Pdu:
        m_answers.push_back(a);
        if (m_answers.size() > KeptAnswers)
            m_answers.pop_front();
        break;
    }
    m_told.notify_all();
}

bool LeaseTransport::connectBroker(const QDeadlineTimer &deadline, QString *why)
{
    dropBroker();
    m_session = LeaseProtocol::newSession();
    MqttClient::Settings s = m_settings.broker;
    s.clientId.clear(); // one of the library's own, new at each connection
    s.keepAliveSeconds = KeepAliveSeconds;
    s.waitForResume = false;
    LeaseProtocol::LeaseMessage will;
    will.op = LeaseProtocol::LeaseMessage::Op::Release;
    will.session = m_session;
    will.will = true;
    s.willTopic = topic(LeaseProtocol::LeaseLevel);
    s.willPayload = LeaseProtocol::leaseMessage(will);
    s.willRetain = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_broker = Broker::Connecting;
        m_subscriptions = 0;
        m_brokerWhy.clear();
        m_gatewayStatus.clear();
        m_leased = false;
        m_leaseEnd.clear();
        m_answers.clear();
    }
    auto mqtt = std::make_unique<MqttClient>(s);
    MqttClient *client = mqtt.get();
    const QString answers = topic(LeaseProtocol::AnswerLevel);
    const QString status = QStringLiteral("grivant/%1/status").arg(m_settings.address.gateway);
    mqtt->setConnectionHandler([this, client, answers, status](MqttClient::Event event, int, const QString &text) {
        if (event == MqttClient::Event::Connected) {
            client->subscribe(answers, 1);
            client->subscribe(status, 1);
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (event == MqttClient::Event::Refused) {
            m_broker = Broker::Refused;
            m_brokerWhy = text;
        } else if (event == MqttClient::Event::Unreachable) {
            if (m_broker == Broker::Connecting) {
                m_broker = Broker::Unreachable;
                m_brokerWhy = text;
            }
        } else {
            m_broker = Broker::Lost;
            m_brokerWhy = text;
            m_leased = false;
        }
        m_told.notify_all();
    });
    mqtt->setSubscribedHandler([this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (++m_subscriptions == 2 && m_broker == Broker::Connecting)
            m_broker = Broker::Subscribed;
        m_told.notify_all();
    });
    mqtt->setMessageHandler([this](const QString &t, const QByteArray &p, bool) { onMessage(t, p); });
    QString error;
    if (!mqtt->start(&error)) {
        *why = error;
        return false;
    }
    m_mqtt = std::move(mqtt);

    Broker state;
    QString text;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_told.wait_for(lock, left(deadline), [this] { return m_broker != Broker::Connecting; });
        state = m_broker;
        text = m_brokerWhy;
    }
    const QString user = m_settings.broker.username.isEmpty()
                             ? tr("without a user name")
                             : tr("user \"%1\"").arg(m_settings.broker.username);
    switch (state) {
    case Broker::Subscribed:
        return true;
    case Broker::Refused:
        *why = tr("the broker at %1 refused the connection (%2): %3").arg(brokerName(), user, text);
        break;
    case Broker::Unreachable:
        *why = tr("the broker at %1 cannot be reached: %2").arg(brokerName(), text);
        break;
    case Broker::Lost:
        *why = tr("the broker at %1 ended the connection: %2").arg(brokerName(), text);
        break;
    case Broker::Connecting:
        *why = tr("the broker at %1 does not answer").arg(brokerName());
        break;
    }
    dropBroker();
    return false;
}

bool LeaseTransport::takeLease(const QDeadlineTimer &deadline, QString *why)
{
    int before = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        before = m_leaseAnswers;
    }
    LeaseProtocol::LeaseMessage take;
    take.session = m_session;
    take.holder = m_holder;
    if (!m_mqtt || !m_mqtt->publish(topic(LeaseProtocol::LeaseLevel), LeaseProtocol::leaseMessage(take), 1, false)) {
        *why = tr("the connection to the broker at %1 is gone").arg(brokerName());
        return false;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_told.wait_for(lock, left(deadline), [&] {
        return m_leaseAnswers != before || m_broker == Broker::Lost || m_gatewayStatus == QLatin1String("offline");
    });
    const QString &gateway = m_settings.address.gateway;
    if (m_leased)
        return true;
    if (m_leaseAnswers != before)
        *why = m_leaseEnd;
    else if (m_broker == Broker::Lost)
        *why = tr("the broker at %1 ended the connection: %2").arg(brokerName(), m_brokerWhy);
    else if (m_gatewayStatus == QLatin1String("offline"))
        *why = tr("gateway %1 is offline (its status on the broker at %2)").arg(gateway, brokerName());
    else if (m_gatewayStatus.isEmpty())
        *why = tr("gateway %1 does not answer: the broker at %2 knows of no gateway of that name "
                  "(grivant/%1/status)")
                   .arg(gateway, brokerName());
    else
        *why = tr("gateway %1 does not answer the lease of ID %2 on bus %3 within %4 s")
                   .arg(gateway, QString::number(m_settings.id), m_settings.address.bus,
                        QString::number(m_settings.openWaitMs / 1000.0));
    return false;
}

bool LeaseTransport::open(QString *why)
{
    close();
    const QDeadlineTimer deadline(m_settings.openWaitMs);
    QString wrong;
    if (!connectBroker(deadline, &wrong) || !takeLease(deadline, &wrong)) {
        dropBroker();
        if (why)
            *why = wrong;
        return false;
    }
    m_open = true;
    m_pauseMs = 0;
    m_retryAt = QDeadlineTimer(0);
    return true;
}

void LeaseTransport::close()
{
    bool leased = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        leased = m_leased;
        m_leased = false;
    }
    if (m_mqtt && leased) {
        LeaseProtocol::LeaseMessage release;
        release.op = LeaseProtocol::LeaseMessage::Op::Release;
        release.session = m_session;
        m_mqtt->publish(topic(LeaseProtocol::LeaseLevel), LeaseProtocol::leaseMessage(release), 1, false);
    }
    dropBroker();
    m_open = false;
}

ModbusTransport::Ready LeaseTransport::prepare(bool *unasked, QString *why)
{
    Q_UNUSED(unasked);
    Broker state;
    bool leased = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        state = m_broker;
        leased = m_leased;
        m_answers.clear(); // late answers of requests given up on
    }
    if (m_mqtt && state == Broker::Subscribed && leased)
        return Ready::Yes;
    if (!m_retryAt.hasExpired()) {
        *why = m_failure;
        return Ready::Unreachable;
    }
    // The connection is made again under a new session, or the lease that ended taken
    // again, no more often than the pauses allow.
    const QDeadlineTimer deadline(m_settings.openWaitMs);
    const bool ok = m_mqtt && state == Broker::Subscribed
                        ? takeLease(deadline, why)
                        : connectBroker(deadline, why) && takeLease(deadline, why);
    if (ok) {
        m_pauseMs = 0;
        return Ready::Yes;
    }
    m_failure = *why;
    m_pauseMs = m_pauseMs == 0 ? FirstPauseMs : std::min(2 * m_pauseMs, LongestPauseMs);
    m_retryAt = QDeadlineTimer(m_pauseMs);
    return Ready::Unreachable;
}

bool LeaseTransport::send(const QByteArray &request, QString *why)
{
    if (request.size() < 4 || quint8(request.at(0)) != m_settings.id) {
        *why = tr("only ID %1 of bus %2 is leased here; a request for ID %3 is not sent")
                   .arg(QString::number(m_settings.id), m_settings.address.bus,
                        QString::number(request.isEmpty() ? 0 : quint8(request.at(0))));
        return false;
    }
    LeaseProtocol::Request r;
    r.session = m_session;
    r.seq = ++m_seq;
    r.pdu = request.mid(1, request.size() - 3);
    r.waitMs = qBound(LeaseProtocol::MinWaitMs, m_settings.answerWaitMs, LeaseProtocol::MaxWaitMs);
    m_sent.start();
    if (!m_mqtt || !m_mqtt->publish(topic(LeaseProtocol::RequestLevel), LeaseProtocol::request(r), 1, false)) {
        *why = tr("the connection to the broker at %1 is gone").arg(brokerName());
        return false;
    }
    return true;
}

ModbusTransport::Received LeaseTransport::receive(const QByteArray &request, int expected,
                                                  const QDeadlineTimer &deadline)
{
    Q_UNUSED(expected);
    Received got;
    const quint32 seq = m_seq;
    Answer answer;
    bool found = false;
    bool leased = true;
    Broker state;
    QString end;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto take = [&] {
            for (auto it = m_answers.begin(); it != m_answers.end(); ++it) {
                if (it->seq == seq) {
                    answer = *it;
                    m_answers.erase(it);
                    return true;
                }
            }
            return false;
        };
        m_told.wait_for(lock, left(deadline), [&] {
            found = found || take();
            return found || !m_leased || m_broker == Broker::Lost;
        });
        leased = m_leased;
        state = m_broker;
        end = m_leaseEnd;
    }
    m_noAnswer.clear();
    if (found && answer.kind == Answer::Kind::Pdu) {
        got.frame = ModbusFrame::appendCrc(char(m_settings.id) + answer.pdu);
        const double elapsedMs = m_sent.nsecsElapsed() / 1e6;
        got.turnaroundMs = qMax(0.0, elapsedMs - wireMs(request.size() + got.frame.size()));
        return got;
    }
    if (found && answer.error == QLatin1String(LeaseProtocol::NotSent)) {
        // Refused before the wire: nothing reached the device.
        got.lost = true;
        got.note = answer.detail;
        return got;
    }
    if (found) {
        m_noAnswer = tr("through gateway %1: %2").arg(m_settings.address.gateway, answer.detail);
        return got;
    }
    if (!leased) {
        got.lost = true;
        got.note = end.isEmpty() ? tr("the lease of ID %1 on bus %2 ended")
                                       .arg(QString::number(m_settings.id), m_settings.address.bus)
                                 : end; // the gateway's own words
        return got;
    }
    if (state == Broker::Lost) {
        got.lost = true;
        got.note = tr("the connection to the broker at %1 ended before the answer came").arg(brokerName());
        return got;
    }
    m_noAnswer = tr("no answer through gateway %1 in time (the broker, the gateway and the line of bus %2)")
                     .arg(m_settings.address.gateway, m_settings.address.bus);
    return got;
}

ModbusTransport::Ready LeaseTransport::settle(int longestFrameMs, bool *unasked)
{
    // What is left of a garbled answer stays with the gateway: nothing to let pass here.
    Q_UNUSED(longestFrameMs);
    Q_UNUSED(unasked);
    return Ready::Yes;
}
