#include "gateway/config.h"

#include "gateway/discovery.h"
#include "gateway/brokerlogin.h"
#include "link/portaddress.h"
#include "link/portidentity.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSysInfo>

namespace GatewayConfig {

namespace {

const QVector<qint32> BaudRates{115200, 57600, 38400, 19200, 9600, 4800, 230400};
const char *const BaudList = "115200, 57600, 38400, 19200, 9600, 4800 or 230400";

bool toInt(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

bool toBool(const QString &text, bool *value)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("yes") || t == QLatin1String("true") || t == QLatin1String("on") || t == QLatin1String("1"))
        *value = true;
    else if (t == QLatin1String("no") || t == QLatin1String("false") || t == QLatin1String("off") || t == QLatin1String("0"))
        *value = false;
    else
        return false;
    return true;
}

// "1-4", "scan" (every ID) or "scan 1-16".
QString setIds(const QString &text, Bus *bus)
{
    QString t = text.trimmed();
    bus->scan = t == QLatin1String("scan") || t.startsWith(QLatin1String("scan "));
    if (bus->scan) {
        t = t.mid(4).trimmed();
        if (t.isEmpty())
            t = QStringLiteral("1-247");
    }
    if (!parseIds(t, &bus->ids))
        return QStringLiteral("\"%1\" is not a list of IDs 1 to 247 (such as 1-4 or 1,3,5), nor scan").arg(text.trimmed());
    return QString();
}

QString setBaud(const QString &text, Bus *bus)
{
    int baud = 0;
    if (!toInt(text, 1, 10000000, &baud) || !BaudRates.contains(baud))
        return QStringLiteral("%1 is not one of %2").arg(text.trimmed(), QLatin1String(BaudList));
    bus->line.baudRate = baud;
    return QString();
}

// One key of a section; an empty result when it was taken, else why not.
QString setGatewayKey(const QString &key, const QString &value, Config *c, bool *known)
{
    *known = true;
    if (key == QLatin1String("name")) {
        if (!isTopicLevel(value))
            return QStringLiteral("\"%1\" may hold only letters, digits, '.', '_' and '-'").arg(value);
        c->name = value;
    } else if (key == QLatin1String("allow_commands")) {
        if (!toBool(value, &c->allowCommands))
            return QStringLiteral("\"%1\" is not yes or no").arg(value);
    } else if (key == QLatin1String("allow_diagnosis")) {
        if (!toBool(value, &c->allowDiagnosis))
            return QStringLiteral("\"%1\" is not yes or no").arg(value);
    } else if (key == QLatin1String("lease_expiry")) {
        if (!toInt(value, 1, 86400, &c->leaseExpirySeconds))
            return QStringLiteral("\"%1\" is not a number of seconds, 1 to 86400").arg(value);
    } else if (key == QLatin1String("heartbeat")) {
        if (!toInt(value, 1, 86400, &c->heartbeatSeconds))
            return QStringLiteral("\"%1\" is not a number of seconds, 1 to 86400").arg(value);
    } else if (key == QLatin1String("stats")) {
        if (!toInt(value, 1, 3600, &c->statsSeconds))
            return QStringLiteral("\"%1\" is not a number of seconds, 1 to 3600").arg(value);
    } else if (key == QLatin1String("homeassistant_discovery")) {
        if (!toBool(value, &c->homeAssistant))
            return QStringLiteral("\"%1\" is not yes or no").arg(value);
    } else if (key == QLatin1String("homeassistant_prefix")) {
        if (const QString why = checkDiscoveryPrefix(value); !why.isEmpty())
            return why;
        c->homeAssistantPrefix = value;
    } else {
        *known = false;
    }
    return QString();
}

QString setBrokerKey(const QString &key, const QString &value, Broker *b, bool *known)
{
    *known = true;
    if (key == QLatin1String("host")) {
        if (value.isEmpty() || value.contains(QLatin1Char(' ')))
            return QStringLiteral("\"%1\" is not a host name or address").arg(value);
        b->host = value;
    } else if (key == QLatin1String("port")) {
        if (!toInt(value, 1, 65535, &b->port))
            return QStringLiteral("\"%1\" is not a port number 1 to 65535").arg(value);
    } else if (key == QLatin1String("client_id")) {
        b->clientId = value;
    } else if (key == QLatin1String("username")) {
        b->username = value;
    } else if (key == QLatin1String("password")) {
        b->password = value;
    } else if (key == QLatin1String("password_file")) {
        b->passwordFile = value;
    } else if (key == QLatin1String("cafile")) {
        b->caFile = value;
    } else if (key == QLatin1String("certfile")) {
        b->certFile = value;
    } else if (key == QLatin1String("keyfile")) {
        b->keyFile = value;
    } else if (key == QLatin1String("keepalive")) {
        if (!toInt(value, 5, 3600, &b->keepAliveSeconds))
            return QStringLiteral("\"%1\" is not a number of seconds, 5 to 3600").arg(value);
    } else {
        *known = false;
    }
    return QString();
}

QString setBusKey(const QString &key, const QString &value, Bus *bus, bool *known)
{
    *known = true;
    if (key == QLatin1String("port")) {
        if (value.isEmpty())
            return QStringLiteral("names no port");
        PortAddress address;
        QString why;
        if (!PortAddresses::parse(value, &address, &why))
            return why;
        bus->line.port = value;
    } else if (key == QLatin1String("baud")) {
        bus->lineKey = bus->lineKey.isEmpty() ? key : bus->lineKey;
        return setBaud(value, bus);
    } else if (key == QLatin1String("parity")) {
        bus->lineKey = bus->lineKey.isEmpty() ? key : bus->lineKey;
        if (!parseParity(value, &bus->line.parity))
            return QStringLiteral("\"%1\" is not none, even or odd").arg(value);
    } else if (key == QLatin1String("stop_bits")) {
        bus->lineKey = bus->lineKey.isEmpty() ? key : bus->lineKey;
        int stop = 0;
        if (!toInt(value, 1, 2, &stop))
            return QStringLiteral("\"%1\" is not 1 or 2").arg(value);
        bus->line.stopBits = stop == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
    } else if (key == QLatin1String("ids")) {
        return setIds(value, bus);
    } else if (key == QLatin1String("period")) {
        if (!toInt(value, 0, 600000, &bus->periodMs))
            return QStringLiteral("\"%1\" is not a number of milliseconds, 0 to 600000").arg(value);
    } else if (key.startsWith(QLatin1String("period."))) {
        int id = 0;
        int period = 0;
        if (!toInt(key.mid(7), 1, 247, &id))
            return QStringLiteral("\"%1\" is not an ID 1 to 247").arg(key.mid(7));
        if (!toInt(value, 0, 600000, &period))
            return QStringLiteral("\"%1\" is not a number of milliseconds, 0 to 600000").arg(value);
        bus->periods.insert(id, period);
    } else if (key == QLatin1String("timeout")) {
        if (!toInt(value, 10, 5000, &bus->timeoutMs))
            return QStringLiteral("\"%1\" is not a number of milliseconds, 10 to 5000").arg(value);
    } else {
        *known = false;
    }
    return QString();
}

// --bus PATH,BAUD,IDS[,PARITY], or ADDRESS,IDS for a network port; the IDs may hold
// commas themselves.
QString busFromSpec(const QString &spec, Bus *bus)
{
    QStringList parts = spec.split(QLatin1Char(','));
    PortAddress address;
    QString why;
    if (!PortAddresses::parse(parts.first(), &address, &why))
        return why;
    if (address.isNetwork()) {
        if (parts.size() < 2)
            return QStringLiteral("give ADDRESS,IDS");
        bool number = false;
        if (PortAddresses::isDeviceBaudRate(parts.at(1).trimmed().toInt(&number)) && number)
            return QStringLiteral("a network port has no baud rate: give ADDRESS,IDS (a device server's line to the "
                                  "devices: rtu+tcp://HOST:PORT?baud=RATE)");
        bus->line.port = parts.takeFirst().trimmed();
        if (const QString why = setIds(parts.join(QLatin1Char(',')), bus); !why.isEmpty())
            return why;
        bus->name = topicLevelFrom(QStringLiteral("%1-%2").arg(address.host, QString::number(address.port)));
        bus->origin = QStringLiteral("--bus ") + spec;
        return QString();
    }
    if (parts.size() < 3)
        return QStringLiteral("give PATH,BAUD,IDS[,PARITY] (or ADDRESS,IDS for a network port)");
    bus->line.port = parts.takeFirst().trimmed();
    if (bus->line.port.isEmpty())
        return QStringLiteral("names no port");
    if (const QString why = setBaud(parts.takeFirst(), bus); !why.isEmpty())
        return why;
    if (parts.size() > 1 && parseParity(parts.last(), &bus->line.parity))
        parts.removeLast();
    if (const QString why = setIds(parts.join(QLatin1Char(',')), bus); !why.isEmpty())
        return why;
    bus->name = topicLevelFrom(QFileInfo(bus->line.port).fileName());
    bus->origin = QStringLiteral("--bus ") + spec;
    return QString();
}

} // namespace

const char *usageText()
{
    return R"(Usage: grivant-gateway [--config FILE] [OPTIONS]
Watches every device on every serial line and publishes it to an MQTT broker:
grivant/NAME/BUS/ID/info, state and availability, grivant/NAME/status and stats.

Options (over the values of the file; --bus replaces the file's buses):
  --config FILE          the configuration file (see /usr/share/grivant/gateway.conf)
  --name NAME            the gateway's name in the topics (default: the host name)
  --broker HOST[:PORT]   the broker (default localhost:1883, 8883 with --cafile)
  --client-id ID         the client ID at the broker (default grivant-gateway-NAME)
  --username USER        user name at the broker
  --password-file FILE   the password, on the file's first line
  --cafile FILE          TLS with this certificate authority
  --certfile FILE, --keyfile FILE
                         TLS client certificate and its key
  --bus PATH,BAUD,IDS[,PARITY]
                         a bus to watch, as often as there are buses: IDS such as
                         1-4 or 1,3,5, or scan; PARITY none (default), even or odd;
                         for instance --bus /dev/ttyUSB0,115200,1-4
  --bus ADDRESS,IDS      a bus behind a network port: tcp://HOST[:PORT] (Modbus
                         TCP) or rtu+tcp://HOST:PORT[?baud=RATE] (a serial device
                         server and its line), for instance
                         --bus rtu+tcp://10.0.0.5:4001?baud=115200,1-4
  --period MS            state polls of each device every MS ms (default: as the
                         desktop tool polls them; 0: as fast as the line allows)
  --heartbeat SECONDS    state published at least this often (default 30)
  --allow-commands       carry out set commands (off unless given here or in the file)
  --allow-diagnosis      lend a device to a client for diagnosis (grivantctl, the
                         window) on request (off unless given here or in the file)
  --lease-expiry SECONDS such a lease ends this long after its last request
                         (default 600)
  --homeassistant-discovery
                         publish Home Assistant discovery configs for every device
  --homeassistant-prefix PREFIX
                         their topic prefix (default homeassistant)
  --check                check the configuration, print it and end
  -h, --help             this text
  --version              the version

Exit status: 0 ended by SIGTERM or SIGINT, 1 failure while running, 2 bad
configuration or command line, or another gateway of this name at the broker,
3 the broker refused the login.
)";
}

QString summary(const Config &c)
{
    QString out = QStringLiteral("gateway %1, broker %2:%3%4%5, client ID %6, commands %7, heartbeat %8 s\n")
                      .arg(c.name, c.broker.host, QString::number(c.broker.effectivePort()),
                           c.broker.tls() ? QStringLiteral(" (TLS)") : QString(),
                           c.broker.username.isEmpty() ? QString() : QStringLiteral(", user ") + c.broker.username,
                           c.broker.clientId, c.allowCommands ? QStringLiteral("on") : QStringLiteral("off"),
                           QString::number(c.heartbeatSeconds));
    out += c.allowDiagnosis ? QStringLiteral("diagnosis on: a device may be leased; a lease ends %1 s after its last request\n")
                                  .arg(c.leaseExpirySeconds)
                            : QStringLiteral("diagnosis off\n");
    out += c.homeAssistant ? QStringLiteral("Home Assistant discovery on, under %1/\n").arg(c.homeAssistantPrefix)
                           : QStringLiteral("Home Assistant discovery off\n");
    for (const Bus &bus : c.buses) {
        QStringList periods;
        for (auto it = bus.periods.cbegin(); it != bus.periods.cend(); ++it)
            periods << QStringLiteral("period.%1 = %2").arg(it.key()).arg(it.value());
        out += QStringLiteral("bus %1: %2 %3, %4%5, state every %6%7\n")
                   .arg(bus.name, bus.line.port, lineSettingsText(bus.line), bus.scan ? QStringLiteral("scan of ") : QString(),
                        idsText(bus.ids),
                        bus.periodMs < 0 ? QStringLiteral("period of the desktop tool") : QStringLiteral("%1 ms").arg(bus.periodMs),
                        periods.isEmpty() ? QString() : QStringLiteral(", ") + periods.join(QStringLiteral(", ")));
    }
    return out;
}

bool parseIds(const QString &text, QVector<int> *ids)
{
    QVector<int> out;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QLatin1Char('-'));
        int first = 0;
        int last = 0;
        if (ends.size() > 2 || !toInt(ends.value(0), 1, 247, &first))
            return false;
        last = first;
        if (ends.size() == 2 && !toInt(ends.value(1), 1, 247, &last))
            return false;
        if (last < first)
            return false;
        for (int id = first; id <= last; ++id)
            if (!out.contains(id))
                out.append(id);
    }
    if (out.isEmpty())
        return false;
    *ids = out;
    return true;
}

QString idsText(const QVector<int> &ids)
{
    QStringList runs;
    for (int i = 0; i < ids.size();) {
        int j = i;
        while (j + 1 < ids.size() && ids[j + 1] == ids[j] + 1)
            ++j;
        runs << (j == i ? QString::number(ids[i]) : QStringLiteral("%1-%2").arg(ids[i]).arg(ids[j]));
        i = j + 1;
    }
    return (ids.size() == 1 ? QStringLiteral("ID ") : QStringLiteral("IDs ")) + runs.join(QStringLiteral(", "));
}

QString checkDiscoveryPrefix(const QString &text)
{
    if (text.isEmpty() || text.size() > 128)
        return QStringLiteral("\"%1\" is not a topic prefix of 1 to 128 characters").arg(text.left(128));
    const QStringList levels = text.split(QLatin1Char('/'));
    for (const QString &level : levels)
        if (!isTopicLevel(level))
            return QStringLiteral("\"%1\": each level may hold only letters, digits, '.', '_' and '-'").arg(text);
    if (levels.first() == QLatin1String("grivant"))
        return QStringLiteral("\"%1\" is under grivant/, the gateways' own topics").arg(text);
    return QString();
}

bool isTopicLevel(const QString &text)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9._-]+$"));
    return allowed.match(text).hasMatch();
}

QString topicLevelFrom(const QString &text)
{
    QString out = text;
    out.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    return out;
}

bool parseFile(const QString &fileName, const QString &text, Config *config, QString *error)
{
    enum class Section { None, Gateway, Broker, Bus };
    Config c = *config;
    Section section = Section::None;
    QString heading;
    QSet<QString> keysOfSection;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines.at(n).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        const QString where = QStringLiteral("%1:%2").arg(fileName, QString::number(n + 1));
        const auto fail = [&](const QString &why) {
            *error = QStringLiteral("%1: %2").arg(where, why);
            return false;
        };
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                return fail(QStringLiteral("a section heading ends with ]"));
            heading = line.mid(1, line.size() - 2).simplified();
            keysOfSection.clear();
            if (heading == QLatin1String("gateway")) {
                section = Section::Gateway;
            } else if (heading == QLatin1String("broker")) {
                section = Section::Broker;
            } else if (heading == QLatin1String("bus") || heading.startsWith(QLatin1String("bus "))) {
                Bus bus;
                bus.name = heading.mid(3).trimmed();
                bus.origin = where;
                if (bus.name.isEmpty())
                    return fail(QStringLiteral("a bus needs a name: [bus NAME]"));
                if (!isTopicLevel(bus.name))
                    return fail(QStringLiteral("[%1]: the name may hold only letters, digits, '.', '_' and '-'").arg(heading));
                for (const Bus &other : qAsConst(c.buses))
                    if (other.name == bus.name)
                        return fail(QStringLiteral("[%1] comes twice (first at %2)").arg(heading, other.origin));
                c.buses.append(bus);
                section = Section::Bus;
            } else {
                return fail(QStringLiteral("unknown section [%1]: the sections are [gateway], [broker] and [bus NAME]")
                                .arg(heading));
            }
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return fail(QStringLiteral("\"%1\" is not KEY = VALUE").arg(line));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (section == Section::None)
            return fail(QStringLiteral("%1: outside any section; put it under [gateway], [broker] or [bus NAME]").arg(key));
        if (keysOfSection.contains(key))
            return fail(QStringLiteral("%1: given twice in [%2]").arg(key, heading));
        keysOfSection.insert(key);
        bool known = false;
        QString why;
        switch (section) {
        case Section::Gateway: why = setGatewayKey(key, value, &c, &known); break;
        case Section::Broker: why = setBrokerKey(key, value, &c.broker, &known); break;
        case Section::Bus: why = setBusKey(key, value, &c.buses.last(), &known); break;
        case Section::None: break;
        }
        if (!known)
            return fail(QStringLiteral("%1: unknown key in [%2]").arg(key, heading));
        if (!why.isEmpty())
            return fail(QStringLiteral("%1: %2").arg(key, why));
    }
    for (const Bus &bus : qAsConst(c.buses)) {
        const QString missing = bus.line.port.isEmpty() ? QStringLiteral("port")
                              : bus.ids.isEmpty()       ? QStringLiteral("ids")
                                                        : QString();
        if (!missing.isEmpty()) {
            *error = QStringLiteral("%1: [bus %2]: %3 is missing").arg(bus.origin, bus.name, missing);
            return false;
        }
    }
    *config = c;
    return true;
}

bool parseArguments(const QStringList &arguments, Options *options, QString *error)
{
    Options o;
    Config &c = o.overrides;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString token = arguments.at(i);
        const auto fail = [&](const QString &why) {
            *error = why;
            return false;
        };
        if (token == QLatin1String("-h") || token == QLatin1String("--help")) {
            o.help = true;
            continue;
        }
        if (!token.startsWith(QLatin1String("--")))
            return fail(QStringLiteral("unexpected argument %1").arg(token));
        QString name = token.mid(2);
        QString value;
        bool hasValue = false;
        if (const int eq = name.indexOf(QLatin1Char('=')); eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasValue = true;
        }
        static const QStringList flags = {QStringLiteral("version"), QStringLiteral("check"),
                                          QStringLiteral("allow-commands"), QStringLiteral("allow-diagnosis"),
                                          QStringLiteral("homeassistant-discovery")};
        if (flags.contains(name)) {
            if (hasValue)
                return fail(QStringLiteral("--%1 takes no value").arg(name));
            if (name == QLatin1String("version"))
                o.version = true;
            else if (name == QLatin1String("check"))
                o.check = true;
            else if (name == QLatin1String("allow-commands"))
                c.allowCommands = true;
            else if (name == QLatin1String("allow-diagnosis"))
                c.allowDiagnosis = true;
            else
                c.homeAssistant = true;
            o.given << name;
            continue;
        }
        static const QStringList withValue = {
            QStringLiteral("config"), QStringLiteral("name"), QStringLiteral("broker"), QStringLiteral("client-id"),
            QStringLiteral("username"), QStringLiteral("password-file"), QStringLiteral("cafile"),
            QStringLiteral("certfile"), QStringLiteral("keyfile"), QStringLiteral("bus"), QStringLiteral("period"),
            QStringLiteral("heartbeat"), QStringLiteral("homeassistant-prefix"), QStringLiteral("lease-expiry")};
        if (!withValue.contains(name))
            return fail(QStringLiteral("unknown option --%1").arg(name));
        if (!hasValue) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("--%1 needs a value").arg(name));
            value = arguments.at(++i);
        }
        const QString option = QStringLiteral("--%1 %2").arg(name, value);
        QString why;
        if (name == QLatin1String("config")) {
            o.configFile = value;
        } else if (name == QLatin1String("name")) {
            if (!isTopicLevel(value))
                why = QStringLiteral("the name may hold only letters, digits, '.', '_' and '-'");
            c.name = value;
        } else if (name == QLatin1String("broker")) {
            why = BrokerLogins::setAddress(value, &c.broker);
        } else if (name == QLatin1String("client-id")) {
            c.broker.clientId = value;
        } else if (name == QLatin1String("username")) {
            c.broker.username = value;
        } else if (name == QLatin1String("password-file")) {
            c.broker.passwordFile = value;
        } else if (name == QLatin1String("cafile")) {
            c.broker.caFile = value;
        } else if (name == QLatin1String("certfile")) {
            c.broker.certFile = value;
        } else if (name == QLatin1String("keyfile")) {
            c.broker.keyFile = value;
        } else if (name == QLatin1String("bus")) {
            Bus bus;
            why = busFromSpec(value, &bus);
            c.buses.append(bus);
        } else if (name == QLatin1String("period")) {
            if (!toInt(value, 0, 600000, &o.periodMs))
                why = QStringLiteral("not a number of milliseconds, 0 to 600000");
        } else if (name == QLatin1String("heartbeat")) {
            if (!toInt(value, 1, 86400, &c.heartbeatSeconds))
                why = QStringLiteral("not a number of seconds, 1 to 86400");
        } else if (name == QLatin1String("lease-expiry")) {
            if (!toInt(value, 1, 86400, &c.leaseExpirySeconds))
                why = QStringLiteral("not a number of seconds, 1 to 86400");
        } else if (name == QLatin1String("homeassistant-prefix")) {
            why = checkDiscoveryPrefix(value);
            c.homeAssistantPrefix = value;
        }
        if (!why.isEmpty())
            return fail(QStringLiteral("%1: %2").arg(option, why));
        o.given << name;
    }
    *options = o;
    return true;
}

bool resolve(const Options &o, Config *config, QString *error)
{
    Config c;
    if (!o.configFile.isEmpty()) {
        QByteArray content;
        if (const QString why = BrokerLogins::readText(o.configFile, MaxFileBytes, &content); !why.isEmpty()) {
            *error = why;
            return false;
        }
        if (!parseFile(o.configFile, QString::fromUtf8(content), &c, error))
            return false;
    }
    const Config &over = o.overrides;
    const auto given = [&o](const char *name) { return o.given.contains(QLatin1String(name)); };
    if (given("name"))
        c.name = over.name;
    if (given("broker")) {
        c.broker.host = over.broker.host;
        c.broker.port = over.broker.port;
    }
    if (given("client-id"))
        c.broker.clientId = over.broker.clientId;
    if (given("username"))
        c.broker.username = over.broker.username;
    if (given("password-file")) {
        c.broker.passwordFile = over.broker.passwordFile;
        c.broker.password.clear();
    }
    if (given("cafile"))
        c.broker.caFile = over.broker.caFile;
    if (given("certfile"))
        c.broker.certFile = over.broker.certFile;
    if (given("keyfile"))
        c.broker.keyFile = over.broker.keyFile;
    if (given("bus"))
        c.buses = over.buses;
    if (given("allow-commands"))
        c.allowCommands = true;
    if (given("allow-diagnosis"))
        c.allowDiagnosis = true;
    if (given("lease-expiry"))
        c.leaseExpirySeconds = over.leaseExpirySeconds;
    if (given("heartbeat"))
        c.heartbeatSeconds = over.heartbeatSeconds;
    if (given("homeassistant-discovery"))
        c.homeAssistant = true;
    if (given("homeassistant-prefix"))
        c.homeAssistantPrefix = over.homeAssistantPrefix;
    if (given("period")) {
        for (Bus &bus : c.buses) {
            bus.periodMs = o.periodMs;
            bus.periods.clear();
        }
    }

    const auto fail = [error](const QString &why) {
        *error = why;
        return false;
    };
    if (c.name.isEmpty())
        c.name = topicLevelFrom(QSysInfo::machineHostName());
    if (c.name.isEmpty())
        c.name = QStringLiteral("grivant");
    if (c.broker.clientId.isEmpty())
        c.broker.clientId = QStringLiteral("grivant-gateway-") + c.name;
    if (c.buses.isEmpty())
        return fail(QStringLiteral("no bus to watch: add a [bus NAME] section to the configuration or give --bus"));
    if (const QString why = BrokerLogins::complete(&c.broker, QStringLiteral("password_file")); !why.isEmpty())
        return fail(why);

    for (Bus &bus : c.buses) {
        PortAddress address;
        PortAddresses::parse(bus.line.port, &address, nullptr);
        if (address.isNetwork() && !bus.lineKey.isEmpty())
            return fail(QStringLiteral("%1: [bus %2]: %3 sets a serial line, and the network port %4 has none (a "
                                       "device server's line to the devices: rtu+tcp://HOST:PORT?baud=RATE)")
                            .arg(bus.origin, bus.name, bus.lineKey, bus.line.port));
        if (bus.timeoutMs < 0)
            bus.timeoutMs = address.answerWaitMs();
        // The device server's line times the frames, when it is known.
        if (address.downstreamBaud > 0)
            bus.line.baudRate = address.downstreamBaud;
    }

    QMap<QString, QString> ports;
    QSet<QString> names;
    QMap<QString, QString> discoveryNames;
    for (const Bus &bus : qAsConst(c.buses)) {
        if (names.contains(bus.name))
            return fail(QStringLiteral("%1: a second bus named %2; name them apart in the configuration")
                            .arg(bus.origin, bus.name));
        names.insert(bus.name);
        // Home Assistant's topics take no '.': "a.b" and "a_b" would share their configs.
        const QString level = Discovery::idLevel(bus.name);
        if (c.homeAssistant && discoveryNames.contains(level))
            return fail(QStringLiteral("%1: buses %2 and %3 are both %4 in Home Assistant's topics; name them apart")
                            .arg(bus.origin, discoveryNames.value(level), bus.name, level));
        discoveryNames.insert(level, bus.name);
        const QString identity = PortIdentity::key(bus.line.port);
        if (ports.contains(identity))
            return fail(QStringLiteral("%1: %2 is the port of bus %3 already").arg(bus.origin, bus.line.port, ports.value(identity)));
        ports.insert(identity, bus.name);
    }
    *config = c;
    return true;
}

} // namespace GatewayConfig
