#include "link/leaseprotocol.h"

#include "data/parameterbackup.h"
#include "data/strictjson.h"
#include "link/modbusframe.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace LeaseProtocol {

const char *const NoAnswer = "no answer";
const char *const Garbled = "garbled answer";
const char *const NotSent = "not sent";

namespace {

const char *const OpTake = "take";
const char *const OpRelease = "release";
const char *const LeaseGranted = "granted";
const char *const LeaseRefused = "refused";
const char *const LeaseEnded = "ended";
constexpr quint32 MaxSeq = 0xFFFFFFFFu;
// The longest PDU: a write of 123 registers.
constexpr int MaxPduBytes = 6 + 2 * ModbusFrame::MaxWriteCount;

QString hexText(int value)
{
    return QStringLiteral("0x") + QString::number(value, 16).rightJustified(4, QLatin1Char('0')).toUpper();
}

bool isTopicLevel(const QString &text)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9._-]+$"));
    return allowed.match(text).hasMatch();
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The message as a JSON object: bounded, without a key twice (Qt's parser loses memory on
// each), an object at the top.
bool readObject(const QByteArray &payload, const char *what, QJsonObject *object, QString *why)
{
    if (payload.size() > MaxPayloadBytes) {
        *why = QStringLiteral("the %1 holds %2 bytes, more than any of the protocol (%3)")
                   .arg(QLatin1String(what)).arg(payload.size()).arg(MaxPayloadBytes);
        return false;
    }
    QString key;
    int offset = 0;
    if (StrictJson::repeatedKey(payload, &key, &offset)) {
        // One pass: a key holding "%1" must not take the place of the next argument.
        *why = QStringLiteral("the key \"%1\" comes twice in the %2 (byte %3)")
                   .arg(key.left(32), QLatin1String(what), QString::number(offset));
        return false;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    if (!doc.isObject()) {
        *why = error.error != QJsonParseError::NoError
                   ? QStringLiteral("the %1 is not JSON: %2 at byte %3")
                         .arg(QLatin1String(what), error.errorString(), QString::number(error.offset))
                   : QStringLiteral("the %1 is not a JSON object").arg(QLatin1String(what));
        return false;
    }
    *object = doc.object();
    return true;
}

bool readSession(const QJsonObject &object, QString *session, QString *why)
{
    const QJsonValue value = object.value(QLatin1String("session"));
    if (!value.isString() || !isSession(value.toString())) {
        *why = QStringLiteral("\"session\" is not 8 to 64 letters, digits, '_' and '-'");
        return false;
    }
    *session = value.toString();
    return true;
}

// A whole number from `low` to `high`, as JSON numbers are doubles.
bool readWhole(const QJsonValue &value, double low, double high, double *number)
{
    if (!value.isDouble())
        return false;
    const double v = value.toDouble();
    if (!std::isfinite(v) || std::floor(v) != v || v < low || v > high)
        return false;
    *number = v;
    return true;
}

// Hexadecimal digits only, two a byte; QByteArray::fromHex would pass over anything else.
bool readHex(const QString &text, int maxBytes, QByteArray *bytes)
{
    if (text.isEmpty() || text.size() % 2 != 0 || text.size() > 2 * maxBytes)
        return false;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return false;
    }
    *bytes = QByteArray::fromHex(text.toLatin1());
    return true;
}

quint16 word(const QByteArray &pdu, int at)
{
    return quint16((quint8(pdu.at(at)) << 8) | quint8(pdu.at(at + 1)));
}

} // namespace

bool isSession(const QString &text)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_-]{8,64}$"));
    return allowed.match(text).hasMatch();
}

QString newSession()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString out;
    for (quint32 w : words)
        out += QString::number(w, 16).rightJustified(8, QLatin1Char('0'));
    return out;
}

QString sanitiseHolder(const QString &text)
{
    QString out;
    for (const QChar c : text.trimmed()) {
        if (out.size() >= MaxHolderChars)
            break;
        const bool kept = c.isLetterOrNumber() || c == QLatin1Char(' ') || QStringLiteral("@._-+:").contains(c);
        out += kept && !c.isSurrogate() ? c : QLatin1Char('_');
    }
    out = out.trimmed();
    return out.isEmpty() ? QStringLiteral("unnamed") : out;
}

QByteArray leaseMessage(const LeaseMessage &message)
{
    QJsonObject o{{"op", message.op == LeaseMessage::Op::Take ? OpTake : OpRelease}, {"session", message.session}};
    if (message.op == LeaseMessage::Op::Take)
        o.insert(QStringLiteral("holder"), message.holder);
    if (message.will)
        o.insert(QStringLiteral("will"), true);
    return compact(o);
}

QByteArray request(const Request &r)
{
    return compact(QJsonObject{{"session", r.session}, {"seq", double(r.seq)},
                               {"pdu", QString::fromLatin1(r.pdu.toHex().toUpper())}, {"wait", r.waitMs}});
}

QByteArray answer(const Answer &a)
{
    QJsonObject o{{"session", a.session}};
    switch (a.kind) {
    case Answer::Kind::Pdu:
        o.insert(QStringLiteral("seq"), double(a.seq));
        o.insert(QStringLiteral("pdu"), QString::fromLatin1(a.pdu.toHex().toUpper()));
        break;
    case Answer::Kind::Error:
        o.insert(QStringLiteral("seq"), double(a.seq));
        o.insert(QStringLiteral("error"), a.error);
        o.insert(QStringLiteral("detail"), a.detail);
        break;
    case Answer::Kind::Granted:
        o.insert(QStringLiteral("lease"), LeaseGranted);
        o.insert(QStringLiteral("expiry"), a.expirySeconds);
        o.insert(QStringLiteral("line"), a.line);
        break;
    case Answer::Kind::Refused:
    case Answer::Kind::Ended:
        o.insert(QStringLiteral("lease"), a.kind == Answer::Kind::Refused ? LeaseRefused : LeaseEnded);
        o.insert(QStringLiteral("detail"), a.detail);
        break;
    }
    return compact(o);
}

QByteArray holder(const QString &holder, const QString &sinceUtc, int expirySeconds)
{
    return compact(QJsonObject{{"holder", holder}, {"since", sinceUtc}, {"expiry", expirySeconds}});
}

QString sessionOf(const QByteArray &payload)
{
    QJsonObject o;
    QString why;
    QString session;
    if (readObject(payload, "message", &o, &why))
        readSession(o, &session, &why);
    return session;
}

bool parseLease(const QByteArray &payload, LeaseMessage *message, QString *why)
{
    QJsonObject o;
    if (!readObject(payload, "lease message", &o, why) || !readSession(o, &message->session, why))
        return false;
    const QString op = o.value(QLatin1String("op")).toString();
    if (op == QLatin1String(OpTake)) {
        message->op = LeaseMessage::Op::Take;
        const QJsonValue holder = o.value(QLatin1String("holder"));
        if (!holder.isString() && !holder.isUndefined()) {
            *why = QStringLiteral("\"holder\" is not a text");
            return false;
        }
        // Bounded before anything else looks at it.
        message->holder = sanitiseHolder(holder.toString().left(4 * MaxHolderChars));
    } else if (op == QLatin1String(OpRelease)) {
        message->op = LeaseMessage::Op::Release;
    } else {
        *why = QStringLiteral("\"op\" is neither \"take\" nor \"release\"");
        return false;
    }
    message->will = o.value(QLatin1String("will")).toBool();
    return true;
}

bool parseRequest(const QByteArray &payload, Request *r, QString *why)
{
    QJsonObject o;
    if (!readObject(payload, "request", &o, why) || !readSession(o, &r->session, why))
        return false;
    double number = 0;
    if (!readWhole(o.value(QLatin1String("seq")), 0, MaxSeq, &number)) {
        *why = QStringLiteral("\"seq\" is not a whole number from 0 to %1").arg(MaxSeq);
        return false;
    }
    r->seq = quint32(number);
    if (!readHex(o.value(QLatin1String("pdu")).toString(), MaxPduBytes, &r->pdu)) {
        *why = QStringLiteral("\"pdu\" is not a Modbus PDU in hexadecimal digits, 1 to %1 bytes").arg(MaxPduBytes);
        return false;
    }
    r->waitMs = DefaultWaitMs;
    const QJsonValue wait = o.value(QLatin1String("wait"));
    if (!wait.isUndefined()) {
        if (!readWhole(wait, MinWaitMs, MaxWaitMs, &number)) {
            *why = QStringLiteral("\"wait\" is not a number of milliseconds from %1 to %2").arg(MinWaitMs).arg(MaxWaitMs);
            return false;
        }
        r->waitMs = int(number);
    }
    return true;
}

bool parseAnswer(const QByteArray &payload, Answer *a, QString *why)
{
    QJsonObject o;
    if (!readObject(payload, "answer", &o, why) || !readSession(o, &a->session, why))
        return false;
    // Texts for the operator, bounded: they come from the broker.
    const auto text = [&o](const char *key) { return o.value(QLatin1String(key)).toString().left(1000); };
    const QJsonValue lease = o.value(QLatin1String("lease"));
    if (lease.isString()) {
        const QString kind = lease.toString();
        a->detail = text("detail");
        if (kind == QLatin1String(LeaseGranted)) {
            a->kind = Answer::Kind::Granted;
            double expiry = 0;
            a->expirySeconds = readWhole(o.value(QLatin1String("expiry")), 0, 86400 * 365, &expiry) ? int(expiry) : 0;
            a->line = text("line").left(100);
        } else if (kind == QLatin1String(LeaseRefused)) {
            a->kind = Answer::Kind::Refused;
        } else if (kind == QLatin1String(LeaseEnded)) {
            a->kind = Answer::Kind::Ended;
        } else {
            *why = QStringLiteral("\"lease\" is not granted, refused or ended");
            return false;
        }
        return true;
    }
    double seq = 0;
    if (!readWhole(o.value(QLatin1String("seq")), 0, MaxSeq, &seq)) {
        *why = QStringLiteral("the answer names neither a lease nor a request");
        return false;
    }
    a->seq = quint32(seq);
    if (o.contains(QLatin1String("error"))) {
        a->kind = Answer::Kind::Error;
        a->error = text("error").left(40);
        a->detail = text("detail");
        return true;
    }
    a->kind = Answer::Kind::Pdu;
    if (!readHex(o.value(QLatin1String("pdu")).toString(), 253, &a->pdu)) {
        *why = QStringLiteral("\"pdu\" is not a Modbus PDU in hexadecimal digits");
        return false;
    }
    return true;
}

QString checkPdu(const QByteArray &pdu)
{
    if (pdu.isEmpty())
        return QStringLiteral("the request holds no PDU");
    const quint8 function = quint8(pdu.at(0));
    const auto shape = [](const QString &what) { return QStringLiteral("a malformed request: %1").arg(what); };
    int first = 0;
    int count = 0;
    switch (function) {
    case ModbusFrame::ReadHoldingRegisters:
        if (pdu.size() != 5)
            return shape(QStringLiteral("a read (0x03) is 5 bytes, not %1").arg(pdu.size()));
        first = word(pdu, 1);
        count = word(pdu, 3);
        if (count < 1 || count > ModbusFrame::MaxReadCount)
            return shape(QStringLiteral("a read of %1 registers (1 to %2)").arg(count).arg(ModbusFrame::MaxReadCount));
        if (first + count > 0x10000)
            return shape(QStringLiteral("a read beyond register 0xFFFF"));
        return QString();
    case ModbusFrame::WriteSingleRegister:
        if (pdu.size() != 5)
            return shape(QStringLiteral("a write of one register (0x06) is 5 bytes, not %1").arg(pdu.size()));
        first = word(pdu, 1);
        count = 1;
        break;
    case ModbusFrame::WriteMultipleRegisters:
        if (pdu.size() < 6)
            return shape(QStringLiteral("a write of registers (0x10) of %1 bytes").arg(pdu.size()));
        first = word(pdu, 1);
        count = word(pdu, 3);
        if (count < 1 || count > ModbusFrame::MaxWriteCount)
            return shape(QStringLiteral("a write of %1 registers (1 to %2)").arg(count).arg(ModbusFrame::MaxWriteCount));
        if (quint8(pdu.at(5)) != 2 * count || pdu.size() != 6 + 2 * count)
            return shape(QStringLiteral("the byte count of a write of %1 registers is %2, and %3 bytes follow")
                             .arg(count).arg(quint8(pdu.at(5))).arg(pdu.size() - 6));
        if (first + count > 0x10000)
            return shape(QStringLiteral("a write beyond register 0xFFFF"));
        break;
    default:
        return QStringLiteral("function 0x%1 is not carried: a lease carries reads of holding registers (0x03) "
                              "and writes of one register (0x06) or several (0x10), as the gateway sends them itself")
            .arg(QString::number(function, 16).rightJustified(2, QLatin1Char('0')).toUpper());
    }
    for (int address = first; address < first + count; ++address)
        if (ParameterBackup::isLineSetting(address))
            return QStringLiteral("%1 is a line setting, which a lease does not write: the device would leave the "
                                  "gateway's bus")
                .arg(hexText(address));
    return QString();
}

QString Address::text() const
{
    const QString where = host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("mqtt://%1%2/%3/%4")
        .arg(where, port > 0 ? QStringLiteral(":%1").arg(port) : QString(), gateway, bus);
}

bool looksLikeAddress(const QString &text)
{
    return text.trimmed().startsWith(QLatin1String("mqtt://"), Qt::CaseInsensitive);
}

bool parseAddress(const QString &input, Address *address, QString *why)
{
    const QString text = input.trimmed();
    const auto fail = [&](const QString &reason) {
        if (why)
            *why = QStringLiteral("\"%1\": %2").arg(text.left(200), reason);
        return false;
    };
    if (!looksLikeAddress(text))
        return fail(QStringLiteral("a gateway's bus is mqtt://BROKER[:PORT]/GATEWAY/BUS"));
    const QStringList parts = text.mid(7).split(QLatin1Char('/'));
    if (parts.size() != 3 || parts.at(1).isEmpty() || parts.at(2).isEmpty())
        return fail(QStringLiteral("give the broker, the gateway's name and the bus: mqtt://BROKER[:PORT]/GATEWAY/BUS"));
    if (parts.at(0).contains(QLatin1Char('@')))
        return fail(QStringLiteral("the address holds no user name or password: give them as options"));
    Address a;
    QString hostPort = parts.at(0);
    QString portText;
    if (hostPort.startsWith(QLatin1Char('['))) {
        const int close = hostPort.indexOf(QLatin1Char(']'));
        QHostAddress v6;
        if (close < 0 || !v6.setAddress(hostPort.mid(1, close - 1)) || v6.protocol() != QAbstractSocket::IPv6Protocol)
            return fail(QStringLiteral("an IPv6 address goes in brackets, as in mqtt://[fe80::1]:1883/GATEWAY/BUS"));
        a.host = hostPort.mid(1, close - 1);
        const QString after = hostPort.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(QLatin1Char(':')))
            return fail(QStringLiteral("\"%1\" after the IPv6 address").arg(after));
        portText = after.mid(1);
        if (!after.isEmpty() && portText.isEmpty())
            return fail(QStringLiteral("no port number after ':'"));
    } else {
        const int colon = hostPort.indexOf(QLatin1Char(':'));
        a.host = colon < 0 ? hostPort : hostPort.left(colon);
        portText = colon < 0 ? QString() : hostPort.mid(colon + 1);
        if (colon >= 0 && portText.isEmpty())
            return fail(QStringLiteral("no port number after ':'"));
        if (a.host.isEmpty())
            return fail(QStringLiteral("names no broker"));
        if (!isTopicLevel(a.host) || a.host.startsWith(QLatin1Char('-')))
            return fail(QStringLiteral("\"%1\" is not a host name or address").arg(a.host.left(100)));
    }
    if (!portText.isEmpty()) {
        bool ok = false;
        const int port = portText.size() <= 5 ? portText.toInt(&ok, 10) : 0;
        if (!ok || port < 1 || port > 65535 || !portText.at(0).isDigit())
            return fail(QStringLiteral("port \"%1\" is not a number from 1 to 65535").arg(portText.left(20)));
        a.port = port;
    }
    for (int i = 1; i <= 2; ++i)
        if (!isTopicLevel(parts.at(i)))
            return fail(QStringLiteral("\"%1\" is no %2 name: letters, digits, '.', '_' and '-' only")
                            .arg(parts.at(i).left(100), i == 1 ? QStringLiteral("gateway") : QStringLiteral("bus")));
    a.gateway = parts.at(1);
    a.bus = parts.at(2);
    *address = a;
    return true;
}

QString topic(const QString &gateway, const QString &bus, int id, const char *level)
{
    return QStringLiteral("grivant/%1/%2/%3/%4").arg(gateway, bus, QString::number(id), QLatin1String(level));
}

} // namespace LeaseProtocol
