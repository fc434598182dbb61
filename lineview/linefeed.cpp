#include "lineview/linefeed.h"

#include "gateway/mqttclient.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <deque>
#include <mutex>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("LineBroker", source);
}

// A password file is a line of text, not something to read a lot of.
constexpr qint64 MaxPasswordFile = 4096;

} // namespace

QString LineBroker::address() const
{
    const QString h = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return h + QLatin1Char(':') + QString::number(effectivePort());
}

bool LineBroker::parseAddress(const QString &given, QString *host, int *port, QString *why)
{
    const QString t = given.trimmed();
    QString h = t;
    QString portText;
    if (t.startsWith(QLatin1Char('['))) {
        const int close = t.indexOf(QLatin1Char(']'));
        if (close < 0) {
            *why = text("an address in brackets lacks its closing bracket");
            return false;
        }
        h = t.mid(1, close - 1);
        const QString rest = t.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':'))) {
                *why = text("only a port may follow the address");
                return false;
            }
            portText = rest.mid(1);
        }
    } else if (t.count(QLatin1Char(':')) == 1) {
        h = t.section(QLatin1Char(':'), 0, 0);
        portText = t.section(QLatin1Char(':'), 1);
    }
    if (h.isEmpty() || h.contains(QLatin1Char(' ')) || h.contains(QLatin1Char('/'))) {
        *why = text("no host name or address");
        return false;
    }
    int p = 0;
    if (t.endsWith(QLatin1Char(':')) || !portText.isEmpty()) {
        bool ok = false;
        p = portText.toInt(&ok);
        if (!ok || p < 1 || p > 65535) {
            *why = text("the port is not a number from 1 to 65535");
            return false;
        }
    }
    *host = h;
    *port = p;
    return true;
}

bool LineBroker::prepare(QString *why)
{
    if (host.isEmpty()) {
        *why = text("no broker given");
        return false;
    }
    if (!passwordFile.isEmpty()) {
        const QFileInfo info(passwordFile);
        QFile file(passwordFile);
        if (!info.isFile() || info.size() > MaxPasswordFile || !file.open(QIODevice::ReadOnly)) {
            *why = text("the password file %1 cannot be read as a short text file").arg(passwordFile);
            return false;
        }
        password = QString::fromUtf8(file.readLine(MaxPasswordFile)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
        if (password.isEmpty()) {
            *why = text("the password file %1 holds no password on its first line").arg(passwordFile);
            return false;
        }
    }
    if (!password.isEmpty() && username.isEmpty()) {
        *why = text("a password needs a user name");
        return false;
    }
    if (certFile.isEmpty() != keyFile.isEmpty()) {
        *why = text("a client certificate and its key go together");
        return false;
    }
    if (!certFile.isEmpty() && caFile.isEmpty()) {
        *why = text("a client certificate needs TLS: give the CA file too");
        return false;
    }
    for (const QString &path : {caFile, certFile, keyFile}) {
        QFile file(path);
        if (!path.isEmpty() && !file.open(QIODevice::ReadOnly)) {
            *why = text("%1 cannot be read: %2").arg(path, file.errorString());
            return false;
        }
    }
    return true;
}

// What the broker's thread hands over. `receiver` is cleared when the feed lets go of a
// connection, under the mutex, so that nothing is posted to a feed that is gone or to
// one that has moved on to another broker.
struct LineFeed::Inbox
{
    std::mutex mutex;
    LineFeed *receiver = nullptr;
    std::deque<LineMessage> queue;
    bool notified = false;
    qint64 dropped = 0;
    bool linkNotified = false;
    Link link = Link::Connecting;
    QString reason;
};

LineFeed::LineFeed(QObject *parent) : QObject(parent) {}

LineFeed::~LineFeed()
{
    close();
    for (Closing &c : m_closing)
        c.thread.join();
}

bool LineFeed::open(const LineBroker &broker, QString *error)
{
    close();
    LineBroker b = broker;
    if (!b.prepare(error))
        return false;

    MqttClient::Settings s;
    s.host = b.host;
    s.port = b.effectivePort();
    // An ID the library makes up, another at each connection: the view never pushes any
    // other client off the broker.
    s.clientId.clear();
    s.username = b.username;
    s.password = b.password;
    s.caFile = b.caFile;
    s.certFile = b.certFile;
    s.keyFile = b.keyFile;
    auto client = std::make_unique<MqttClient>(s);

    auto inbox = std::make_shared<Inbox>();
    inbox->receiver = this;
    MqttClient *raw = client.get();
    client->setConnectionHandler([inbox, raw](MqttClient::Event event, int, const QString &why) {
        // Subscribed again at every connection: the session is a clean one. At QoS 0: a
        // broker hands QoS 1 messages to a subscriber a few at a time and drops those
        // beyond its queue (mosquitto: 1000 by default), which would lose part of the
        // retained picture of a large line; on the open connection QoS 0 loses nothing,
        // and after a lost one the retained picture comes again.
        if (event == MqttClient::Event::Connected)
            raw->subscribe(QLatin1String(LineTopic::Subscription), 0);
        std::lock_guard<std::mutex> lock(inbox->mutex);
        if (!inbox->receiver)
            return;
        switch (event) {
        case MqttClient::Event::Connected: inbox->link = Link::Connected; break;
        case MqttClient::Event::Refused: inbox->link = Link::Refused; break;
        case MqttClient::Event::Unreachable: inbox->link = Link::Unreachable; break;
        case MqttClient::Event::Lost:
        case MqttClient::Event::TakenOver: inbox->link = Link::Lost; break;
        }
        inbox->reason = why;
        if (!inbox->linkNotified) {
            inbox->linkNotified = true;
            LineFeed *feed = inbox->receiver;
            QMetaObject::invokeMethod(feed, [feed] { feed->takeLinkEvent(); }, Qt::QueuedConnection);
        }
    });
    client->setMessageHandler([inbox](const QString &topic, const QByteArray &payload, bool retained) {
        {
            std::lock_guard<std::mutex> lock(inbox->mutex);
            if (!inbox->receiver)
                return;
        }
        // Read here, on the broker's thread, so that the window only takes the result.
        LineMessage message = LineMessages::read(topic, payload, retained);
        std::lock_guard<std::mutex> lock(inbox->mutex);
        if (!inbox->receiver)
            return;
        if (inbox->queue.size() >= size_t(MaxWaiting)) {
            ++inbox->dropped;
            return;
        }
        inbox->queue.push_back(std::move(message));
        if (!inbox->notified) {
            inbox->notified = true;
            LineFeed *feed = inbox->receiver;
            QMetaObject::invokeMethod(feed, [feed] { emit feed->messagesWaiting(); }, Qt::QueuedConnection);
        }
    });
    if (!client->start(error))
        return false;
    m_inbox = inbox;
    m_client = std::move(client);
    m_address = b.address();
    m_link = Link::Connecting;
    m_reason.clear();
    emit linkChanged();
    return true;
}

void LineFeed::close()
{
    if (m_inbox) {
        std::lock_guard<std::mutex> lock(m_inbox->mutex);
        m_inbox->receiver = nullptr;
    }
    m_inbox.reset();
    if (m_client) {
        // Ending the client's thread may wait on the network (a name lookup, a closing
        // handshake): that happens aside, never in the window's thread.
        for (auto it = m_closing.begin(); it != m_closing.end();) {
            if (*it->done) {
                it->thread.join();
                it = m_closing.erase(it);
            } else {
                ++it;
            }
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        m_closing.push_back({std::thread([client = std::move(m_client), done]() mutable {
                                 client.reset();
                                 *done = true;
                             }),
                             done});
    }
    if (m_link != Link::Off) {
        m_link = Link::Off;
        m_reason.clear();
        emit linkChanged();
    }
}

void LineFeed::takeLinkEvent()
{
    if (!m_inbox)
        return;
    {
        std::lock_guard<std::mutex> lock(m_inbox->mutex);
        m_inbox->linkNotified = false;
        m_link = m_inbox->link;
        m_reason = m_inbox->reason;
    }
    emit linkChanged();
}

QVector<LineMessage> LineFeed::take(int max, bool *more)
{
    QVector<LineMessage> out;
    *more = false;
    if (!m_inbox)
        return out;
    std::lock_guard<std::mutex> lock(m_inbox->mutex);
    const int n = std::min<int>(max, int(m_inbox->queue.size()));
    out.reserve(n);
    for (int i = 0; i < n; ++i) {
        out.append(std::move(m_inbox->queue.front()));
        m_inbox->queue.pop_front();
    }
    *more = !m_inbox->queue.empty();
    // Told again once something new comes; while more wait, the taker comes back itself.
    if (!*more)
        m_inbox->notified = false;
    return out;
}

qint64 LineFeed::dropped() const
{
    if (!m_inbox)
        return 0;
    std::lock_guard<std::mutex> lock(m_inbox->mutex);
    return m_inbox->dropped;
}
