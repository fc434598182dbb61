#pragma once

#include "lineview/linemessage.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class MqttClient;

// Where the Line view finds the gateways: a broker as the gateway itself reaches it (a user
// name with a password or a password file, TLS with a CA file and optionally a client
// certificate). The password is never stored; the rest is remembered by the window.
struct LineBroker
{
    QString host;
    int port = 0; // 0: 1883, or 8883 with TLS
    QString username;
    QString password;
    QString passwordFile;
    QString caFile;
    QString certFile;
    QString keyFile;

    bool tls() const { return !caFile.isEmpty(); }
    int effectivePort() const { return port ? port : (tls() ? 8883 : 1883); }
    // "host:1883", "[::1]:1883"
    QString address() const;

    // "BROKER[:PORT]", an IPv6 address in brackets: false with the reason when it is none.
    static bool parseAddress(const QString &text, QString *host, int *port, QString *why);
    // Ready to connect: the password file read (its first line), the files there. False
    // with the reason otherwise.
    bool prepare(QString *why);
};

// The broker's messages under grivant/#, read on the broker's own thread and handed to this
// object's thread in batches: nothing here waits on the network. Subscribes, and publishes
// nothing. A connection that is lost is tried again by itself (1 s doubling to 30 s).
class LineFeed : public QObject
{
    Q_OBJECT

public:
    enum class Link { Off, Connecting, Connected, Refused, Unreachable, Lost };
    // Messages read but not yet taken; beyond this the oldest are kept and the rest dropped
    // (and counted), so that a window that cannot keep up stays within its memory.
    static constexpr int MaxWaiting = 50000;

    explicit LineFeed(QObject *parent = nullptr);
    ~LineFeed() override;

    bool open(const LineBroker &broker, QString *error);
    // Ends the connection in the background; nothing of it arrives afterwards.
    void close();
    bool isOpen() const { return m_client != nullptr; }

    Link link() const { return m_link; }
    QString linkReason() const { return m_reason; }
    QString address() const { return m_address; }

    // Up to `max` messages in the order they came; *more when others wait.
    QVector<LineMessage> take(int max, bool *more);
    qint64 dropped() const;

signals:
    void messagesWaiting();
    void linkChanged();

private:
    struct Inbox;
    void takeLinkEvent();

    std::shared_ptr<Inbox> m_inbox;
    std::unique_ptr<MqttClient> m_client;
    struct Closing
    {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Closing> m_closing;
    Link m_link = Link::Off;
    QString m_reason;
    QString m_address;
};
