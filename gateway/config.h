#pragma once

#include "gateway/brokerlogin.h"
#include "link/modbusclient.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// What the gateway is to do: its broker, its name and the buses it watches, from its
// configuration file and its command line. Nothing here opens a port or a connection.
namespace GatewayConfig {

// The broker and the gateway's login there (see gateway/brokerlogin.h).
using Broker = BrokerLogin;

struct Bus
{
    QString name;            // its level in the topics
    LineSettings line;
    QVector<int> ids;        // the IDs to watch, or with scan the IDs to try
    bool scan = false;
    int periodMs = -1;       // state polls of each device; -1: as the window polls them
    QMap<int, int> periods;  // per ID, over periodMs
    int timeoutMs = -1;      // wait for an answer beyond its time on the wire; -1: the
                             // port's own (150 ms serial, 1 s or its timeout= network)
    QString origin;          // "FILE:LINE" of its section, or the option that gave it
    QString lineKey;         // the first serial line setting given (baud, parity, stop_bits)

    int periodFor(int id, int windowPeriod) const
    {
        return periods.value(id, periodMs >= 0 ? periodMs : windowPeriod);
    }
};

struct Config
{
    QString name;
    Broker broker;
    QVector<Bus> buses;
    bool allowCommands = false;
    int heartbeatSeconds = 30; // state published at least this often
    int statsSeconds = 5;
    bool homeAssistant = false; // Home Assistant's discovery configs
    // Devices lent to a client for diagnosis, one at a time each; a lease ends by itself
    // this long after its last request.
    bool allowDiagnosis = false;
    int leaseExpirySeconds = 600;
    QString homeAssistantPrefix = QStringLiteral("homeassistant");
};

// The command line. Values given there override those of the file; buses given there
// replace the file's.
struct Options
{
    bool help = false;
    bool version = false;
    bool check = false; // check the configuration, print it and end
    QString configFile;
    Config overrides;
    int periodMs = -1;  // --period: every device of every bus
    QStringList given;  // names of the options given, such as "name" or "broker"
};

// Far above any real file (a few kilobytes, a line), far below what would hurt to read.
constexpr qint64 MaxFileBytes = 1024 * 1024;
constexpr qint64 MaxPasswordFileBytes = BrokerLogins::MaxPasswordFileBytes;

bool parseArguments(const QStringList &arguments, Options *options, QString *error);

// Reads a configuration file's text; the errors name the file, the line and the key.
bool parseFile(const QString &fileName, const QString &text, Config *config, QString *error);

// The configuration to run with: the file (if any), the command line over it, defaults
// filled in and everything checked (the password file is read here). The file and the
// password file are read only when they are regular files of a sensible size, without NUL
// bytes.
bool resolve(const Options &options, Config *config, QString *error);

// What --check prints: the gateway, its broker and every bus with its periods.
QString summary(const Config &config);

// "1-4", "1,3,5-7": IDs 1 to 247 in the order given, no repeats.
bool parseIds(const QString &text, QVector<int> *ids);

// "IDs 1-3, 7" for the IDs 1, 2, 3 and 7; "ID 4" for one.
QString idsText(const QVector<int> &ids);

// Home Assistant's discovery prefix: one or more topic levels of letters, digits, '.', '_'
// and '-', not under grivant/; empty when it is one, else why not.
QString checkDiscoveryPrefix(const QString &text);

// A topic level made of a name: letters, digits, '.', '_' and '-' only.
bool isTopicLevel(const QString &text);
QString topicLevelFrom(const QString &text);

const char *usageText();

} // namespace GatewayConfig
