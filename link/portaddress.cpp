#include "link/portaddress.h"

#include <QHostAddress>
#include <QStringList>

#include <array>

namespace {

constexpr std::array<qint32, 7> DeviceBaudRates{115200, 57600, 38400, 19200, 9600, 4800, 230400};
constexpr int LeastTimeoutMs = 10;
constexpr int MostTimeoutMs = 60000;
const char *const Schemes = "tcp://HOST:PORT (Modbus TCP) or rtu+tcp://HOST:PORT (RTU over TCP)";

// Letters, digits, '-', '.' and '_': what a host name or an IPv4 address is made of.
bool isHostName(const QString &host)
{
    for (const QChar c : host) {
        const ushort u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
                        || u == '-' || u == '.' || u == '_';
        if (!ok)
            return false;
    }
    return !host.isEmpty() && !host.startsWith(QLatin1Char('.')) && !host.startsWith(QLatin1Char('-'));
}

bool isDigits(const QString &text)
{
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return !text.isEmpty();
}

// A number of digits only; false for anything else, or one too large to read at all.
bool toNumber(const QString &text, qint64 *value)
{
    if (!isDigits(text) || text.size() > 12)
        return false;
    *value = text.toLongLong();
    return true;
}

QString schemeOf(PortAddress::Kind kind)
{
    return kind == PortAddress::Kind::ModbusTcp ? QStringLiteral("tcp") : QStringLiteral("rtu+tcp");
}

} // namespace

QString PortAddress::endpoint() const
{
    const bool v6 = host.contains(QLatin1Char(':'));
    // One arg() call: a host holding "%1" (an IPv6 scope id may) is text, never a placeholder.
    return (v6 ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2")).arg(host, QString::number(port));
}

QString PortAddress::text() const
{
    if (!isNetwork())
        return serialPort;
    QStringList options;
    if (downstreamBaud > 0)
        options << QStringLiteral("baud=%1").arg(downstreamBaud);
    if (timeoutMs > 0)
        options << QStringLiteral("timeout=%1").arg(timeoutMs);
    QString out = schemeOf(kind) + QStringLiteral("://") + endpoint();
    if (!options.isEmpty())
        out += QLatin1Char('?') + options.join(QLatin1Char('&'));
    return out;
}

QString PortAddress::framingName() const
{
    switch (kind) {
    case Kind::ModbusTcp: return QStringLiteral("Modbus TCP");
    case Kind::RtuOverTcp: return QStringLiteral("RTU over TCP");
    case Kind::Serial: break;
    }
    return QStringLiteral("serial");
}

int PortAddress::answerWaitMs() const
{
    if (timeoutMs > 0)
        return timeoutMs;
    return isNetwork() ? NetworkAnswerWaitMs : SerialAnswerWaitMs;
}

bool PortAddresses::looksLikeNetwork(const QString &text)
{
    return text.contains(QLatin1String("://"));
}

bool PortAddresses::isDeviceBaudRate(qint32 baud)
{
    for (qint32 b : DeviceBaudRates)
        if (b == baud)
            return true;
    return false;
}

bool PortAddresses::parse(const QString &input, PortAddress *address, QString *why)
{
    const QString text = input.trimmed();
    const auto fail = [&](const QString &reason) {
        if (why)
            *why = QStringLiteral("\"%1\": %2").arg(text, reason);
        return false;
    };
    PortAddress a;
    if (!looksLikeNetwork(text)) {
        if (text.isEmpty())
            return fail(QStringLiteral("names no port"));
        a.serialPort = text;
        *address = a;
        return true;
    }

    const int sep = text.indexOf(QLatin1String("://"));
    const QString scheme = text.left(sep).toLower();
    if (scheme == QLatin1String("tcp"))
        a.kind = PortAddress::Kind::ModbusTcp;
    else if (scheme == QLatin1String("rtu+tcp"))
        a.kind = PortAddress::Kind::RtuOverTcp;
    else if (scheme.isEmpty())
        return fail(QStringLiteral("no scheme before \"://\"; a network port is %1").arg(QLatin1String(Schemes)));
    else
        return fail(QStringLiteral("unknown scheme \"%1\"; a network port is %2").arg(scheme, QLatin1String(Schemes)));

    QString rest = text.mid(sep + 3);
    QString query;
    if (const int q = rest.indexOf(QLatin1Char('?')); q >= 0) {
        query = rest.mid(q + 1);
        rest = rest.left(q);
    }
    if (const int slash = rest.indexOf(QLatin1Char('/')); slash >= 0)
        return fail(QStringLiteral("nothing may follow HOST:PORT but options after '?' (found \"%1\")")
                        .arg(rest.mid(slash)));
    if (rest.contains(QLatin1Char('@')))
        return fail(QStringLiteral("a port address holds no user name or password"));

    QString host;
    QString portText;
    bool hasPort = false;
    if (rest.startsWith(QLatin1Char('['))) {
        const int close = rest.indexOf(QLatin1Char(']'));
        if (close < 0)
            return fail(QStringLiteral("the IPv6 address lacks its closing ']'"));
        host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        if (!after.isEmpty()) {
            if (!after.startsWith(QLatin1Char(':')))
                return fail(QStringLiteral("\"%1\" after the IPv6 address; write [ADDRESS]:PORT").arg(after));
            portText = after.mid(1);
            hasPort = true;
        }
        QHostAddress v6;
        if (!v6.setAddress(host) || v6.protocol() != QAbstractSocket::IPv6Protocol)
            return fail(QStringLiteral("\"%1\" in brackets is not an IPv6 address").arg(host));
    } else {
        const int colons = rest.count(QLatin1Char(':'));
        if (colons > 1)
            return fail(QStringLiteral("an IPv6 address goes in brackets, as in %1://[fe80::1]:%2")
                            .arg(scheme, a.kind == PortAddress::Kind::ModbusTcp ? QStringLiteral("502")
                                                                               : QStringLiteral("4001")));
        const int colon = rest.indexOf(QLatin1Char(':'));
        host = colon < 0 ? rest : rest.left(colon);
        if (colon >= 0) {
            portText = rest.mid(colon + 1);
            hasPort = true;
        }
        if (host.isEmpty())
            return fail(QStringLiteral("names no host"));
        if (!isHostName(host))
            return fail(QStringLiteral("\"%1\" is not a host name or address").arg(host));
    }

    if (!hasPort) {
        if (a.kind == PortAddress::Kind::RtuOverTcp)
            return fail(QStringLiteral("give the device server's port, as in rtu+tcp://%1:4001 "
                                       "(device servers have no standard one)").arg(rest));
        a.port = PortAddress::ModbusTcpPort;
    } else {
        qint64 port = 0;
        if (portText.isEmpty())
            return fail(QStringLiteral("no port number after ':'"));
        if (!toNumber(portText, &port))
            return fail(QStringLiteral("port \"%1\" is not a number").arg(portText));
        if (port < 1 || port > 65535)
            return fail(QStringLiteral("port %1 is out of range (1 to 65535)").arg(portText));
        a.port = quint16(port);
    }
    a.host = host;

    QStringList seen;
    if (text.contains(QLatin1Char('?')) && query.isEmpty())
        return fail(QStringLiteral("nothing after '?'; options are baud=RATE and timeout=MS"));
    for (const QString &option : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const int eq = option.indexOf(QLatin1Char('='));
        const QString key = (eq < 0 ? option : option.left(eq)).toLower();
        const QString value = eq < 0 ? QString() : option.mid(eq + 1);
        if (seen.contains(key))
            return fail(QStringLiteral("%1= is given twice").arg(key));
        seen << key;
        qint64 number = 0;
        if (key == QLatin1String("baud")) {
            if (!toNumber(value, &number) || !isDeviceBaudRate(qint32(number)))
                return fail(QStringLiteral("baud=%1: the device server's line is one of 115200, 57600, 38400, "
                                           "19200, 9600, 4800 or 230400").arg(value));
            a.downstreamBaud = qint32(number);
        } else if (key == QLatin1String("timeout")) {
            if (!toNumber(value, &number) || number < LeastTimeoutMs || number > MostTimeoutMs)
                return fail(QStringLiteral("timeout=%1: milliseconds, %2 to %3")
                                .arg(value, QString::number(LeastTimeoutMs), QString::number(MostTimeoutMs)));
            a.timeoutMs = int(number);
        } else {
            return fail(QStringLiteral("unknown option \"%1\"; options are baud=RATE and timeout=MS").arg(option));
        }
    }
    *address = a;
    return true;
}
