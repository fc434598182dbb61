#pragma once

#include "gateway/mqttclient.h"

#include <QByteArray>
#include <QString>

// A broker and how to log in to it: the gateway's [broker] section and options, and the
// way grivantctl and the window reach a gateway's devices, which take the same user name,
// password file and TLS files. Nothing here connects.
struct BrokerLogin
{
    QString host = QStringLiteral("localhost");
    int port = 0; // 0: 1883, or 8883 with TLS
    QString clientId;
    QString username;
    QString password;
    QString passwordFile;
    QString caFile;
    QString certFile;
    QString keyFile;
    int keepAliveSeconds = 30;

    bool tls() const { return !caFile.isEmpty(); }
    int effectivePort() const { return port ? port : (tls() ? 8883 : 1883); }
    // A connection's settings: address, login and TLS (no will, no client ID of its own
    // unless clientId says one).
    MqttClient::Settings settings() const;
};

namespace BrokerLogins {

// Far above any real password file (a line), far below what would hurt to read.
constexpr qint64 MaxPasswordFileBytes = 64 * 1024;

// "HOST[:PORT]", an IPv6 address in brackets; empty when taken, else why not.
QString setAddress(const QString &text, BrokerLogin *login);

// A file of a configuration: a regular file of at most `limit` bytes, without NUL bytes.
// A FIFO would block and a device such as /dev/zero never end, so they are refused before
// a byte is read. Empty when it was read, else why not.
QString readText(const QString &path, qint64 limit, QByteArray *content);

// Reads the password file, when one is named, and checks what goes together: a password
// needs a user name, a client certificate its key and TLS, and every TLS file must be
// readable. `passwordFileName` names the password file's setting in the messages
// ("password_file", "--password-file"). Empty when the login can be tried, else why not.
QString complete(BrokerLogin *login, const QString &passwordFileName);

} // namespace BrokerLogins
