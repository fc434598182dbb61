#include "lineview/linemessage.h"

#include "data/strictjson.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace LineMessages {

namespace {

bool isIntegral(double v)
{
    return std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15;
}

// Characters that would break a table's line or turn the text around.
bool needsEscape(ushort c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029 || (c >= 0x202a && c <= 0x202e)
           || (c >= 0x2066 && c <= 0x2069);
}

QString text(const QJsonObject &o, const char *key, int length = LineTopic::MaxTextLength)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isString() ? displayText(v.toString(), length) : QString();
}

bool number(const QJsonObject &o, const char *key, double *out)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble())
        return false;
    *out = v.toDouble();
    return true;
}

double numberOr(const QJsonObject &o, const char *key, double fallback)
{
    double v = fallback;
    return number(o, key, &v) ? v : fallback;
}

Family familyFrom(const QString &name)
{
    if (name == QLatin1String("gripper"))
        return Family::Gripper;
    if (name == QLatin1String("rotary gripper"))
        return Family::Rotary;
    if (name == QLatin1String("linear module"))
        return Family::Module;
    return Family::Unknown;
}

// A plain name of a topic level: not empty, not absurdly long, nothing that would break a
// table's line or turn its text around (the gateway's own names are letters, digits, '.',
// '_' and '-').
bool isLevel(const QStringRef &level)
{
    if (level.isEmpty() || level.size() > LineTopic::MaxTextLength)
        return false;
    for (const QChar c : level)
        if (needsEscape(c.unicode()))
            return false;
    return true;
}

bool readId(const QStringRef &level, int *id)
{
    if (level.isEmpty() || level.size() > 3)
        return false;
    for (const QChar c : level)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    *id = level.toInt();
    return *id >= 1 && *id <= 247;
}

bool readObject(const QByteArray &payload, QJsonObject *object, LineProblem *problem)
{
    // A repeated key is refused before Qt's parser, which loses memory on each, sees it.
    QString key;
    int offset = 0;
    if (StrictJson::repeatedKey(payload, &key, &offset)) {
        *problem = LineProblem::NotJson;
        return false;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError) {
        *problem = LineProblem::NotJson;
        return false;
    }
    if (!doc.isObject()) {
        *problem = LineProblem::NotAnObject;
        return false;
    }
    *object = doc.object();
    return true;
}

void readInfo(const QJsonObject &o, DeviceIdentity *d)
{
    d->timeMs = timeFromText(o.value(QLatin1String("time")).toString());
    const QJsonObject model = o.value(QLatin1String("model")).toObject();
    d->modelName = text(model, "name");
    d->modelCode = text(model, "code");
    d->modelKey = text(model, "key");
    d->family = familyFrom(o.value(QLatin1String("family")).toString());
    d->hardware = text(o, "hardware");
    d->software = text(o, "software");
    d->uniqueId = text(o, "uniqueId");
    d->port = text(o, "port", 256);
    d->line = text(o, "line");
    d->diagnosis = o.value(QLatin1String("diagnosis")).toBool(false);
    const QJsonArray parameters = o.value(QLatin1String("parameters")).toArray();
    for (const QJsonValue &v : parameters) {
        if (!v.isObject())
            continue;
        if (d->parameters.size() >= LineTopic::MaxParameters) {
            ++d->parametersLeftOut;
            continue;
        }
        const QJsonObject p = v.toObject();
        DeviceIdentity::Parameter parameter;
        parameter.address = text(p, "address");
        parameter.name = text(p, "name");
        parameter.hasValue = number(p, "value", &parameter.value);
        d->parameters.append(parameter);
    }
}

void readState(const QJsonObject &o, DeviceReading *r)
{
    r->timeMs = timeFromText(o.value(QLatin1String("time")).toString());
    const QJsonValue fault = o.value(QLatin1String("fault"));
    const QJsonObject values = o.value(QLatin1String("values")).toObject();
    bool anyFault = false;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        if (!it.value().isObject())
            continue;
        if (r->values.size() >= LineTopic::MaxValues)
            break;
        const QJsonObject v = it.value().toObject();
        LineValue value;
        value.key = displayText(it.key());
        value.hasValue = number(v, "value", &value.value);
        value.unit = text(v, "unit");
        value.text = text(v, "text");
        value.fault = v.value(QLatin1String("fault")).toBool(false);
        anyFault = anyFault || value.fault;
        r->values.append(value);

        const QString &key = it.key();
        const bool integral = value.hasValue && isIntegral(value.value);
        if (key == QLatin1String("initialisation") && integral) {
            r->initialisation = qint64(value.value);
        } else if ((key == QLatin1String("gripState") || key == QLatin1String("motionState")) && integral) {
            r->state = qint64(value.value);
            r->motionState = key == QLatin1String("motionState");
        } else if (key == QLatin1String("position") && value.hasValue) {
            r->hasPosition = true;
            r->position = value.value;
            r->positionUnit = value.unit;
        } else if (key == QLatin1String("current") && value.hasValue) {
            r->hasCurrent = true;
            r->current = value.value;
        } else if (key == QLatin1String("errorCode") && integral) {
            r->hasErrorCode = true;
            r->errorCode = qint64(value.value);
        }
    }
    r->fault = fault.isBool() ? fault.toBool() : anyFault;
}

// A figure that may be null: -1 then.
double figure(const QJsonObject &o, const char *key)
{
    double v = -1;
    return number(o, key, &v) && v >= 0 ? v : -1;
}

void readHealth(const QJsonObject &o, DeviceHealth *h)
{
    h->known = true;
    h->periodMs = figure(o, "periodMs");
    h->intervalP50Ms = figure(o, "intervalP50Ms");
    h->intervalP95Ms = figure(o, "intervalP95Ms");
    h->late = o.value(QLatin1String("late")).toBool(false);
    h->polls = figure(o, "polls");
    h->failures = figure(o, "failures");
    h->timeouts = figure(o, "timeouts");
    h->crcErrors = figure(o, "crcErrors");
    h->exceptions = figure(o, "exceptions");
}

void readStats(const QJsonObject &o, LineMessage *m)
{
    m->timeMs = timeFromText(o.value(QLatin1String("time")).toString());
    m->uptimeSeconds = numberOr(o, "uptime", -1);
    const QJsonObject buses = o.value(QLatin1String("buses")).toObject();
    for (auto it = buses.constBegin(); it != buses.constEnd(); ++it) {
        // A bus's name is a level of its devices' topics.
        const QString name = it.key();
        if (!it.value().isObject() || !isLevel(QStringRef(&name)))
            continue;
        if (m->buses.size() >= 64) {
            ++m->busesLeftOut;
            continue;
        }
        const QJsonObject b = it.value().toObject();
        BusFigures f;
        f.name = name;
        f.port = text(b, "port", 256);
        f.line = text(b, "line");
        f.devices = int(qBound(-1.0, numberOr(b, "devices", -1), 1e6));
        f.online = int(qBound(-1.0, numberOr(b, "online", -1), 1e6));
        f.pollsPerSecond = numberOr(b, "pollsPerSecond", -1);
        f.lineShare = numberOr(b, "lineShare", -1);
        f.seconds = numberOr(b, "seconds", -1);
        f.failures = numberOr(b, "failures", -1);
        f.timeouts = numberOr(b, "timeouts", -1);
        f.exceptions = numberOr(b, "exceptions", -1);
        f.idleShare = numberOr(b, "idleShare", -1);
        // Each device's figures, by ID: no more than a bus can hold.
        const QJsonObject health = b.value(QLatin1String("health")).toObject();
        for (auto h = health.constBegin(); h != health.constEnd() && f.health.size() < 247; ++h) {
            int id = 0;
            const QString key = h.key();
            if (!h.value().isObject() || !readId(QStringRef(&key), &id))
                continue;
            DeviceHealth figures;
            readHealth(h.value().toObject(), &figures);
            f.health.append({id, figures});
        }
        m->buses.append(f);
    }
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = int(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

qint64 timeFromText(const QString &text)
{
    // The gateway's own form, read without Qt's general parser: a state a second per device.
    if (text.size() == 24 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-')
        && text.at(10) == QLatin1Char('T') && text.at(13) == QLatin1Char(':') && text.at(16) == QLatin1Char(':')
        && text.at(19) == QLatin1Char('.') && text.at(23) == QLatin1Char('Z')) {
        int parts[7] = {};
        const int starts[7] = {0, 5, 8, 11, 14, 17, 20};
        const int lengths[7] = {4, 2, 2, 2, 2, 2, 3};
        bool digits = true;
        for (int p = 0; p < 7 && digits; ++p) {
            for (int i = starts[p]; i < starts[p] + lengths[p]; ++i) {
                const ushort c = text.at(i).unicode();
                digits = digits && c >= '0' && c <= '9';
                parts[p] = parts[p] * 10 + (c - '0');
            }
        }
        if (digits && parts[1] >= 1 && parts[1] <= 12 && parts[2] >= 1 && parts[2] <= 31 && parts[3] < 24
            && parts[4] < 60 && parts[5] < 60)
            return ((daysFromCivil(parts[0], parts[1], parts[2]) * 24 + parts[3]) * 60 + parts[4]) * 60000
                   + parts[5] * 1000 + parts[6];
    }
    if (text.isEmpty() || text.size() > 64)
        return -1;
    const QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    return time.isValid() ? time.toMSecsSinceEpoch() : -1;
}

QString displayText(const QString &text, int length)
{
    bool clean = text.size() <= length;
    for (int i = 0; clean && i < text.size(); ++i)
        clean = !needsEscape(text.at(i).unicode());
    if (clean)
        return text;
    QString out;
    for (int i = 0; i < text.size() && out.size() < length; ++i) {
        const ushort c = text.at(i).unicode();
        if (needsEscape(c))
            out += c <= 0xff ? QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'))
                             : QStringLiteral("\\u%1").arg(c, 4, 16, QLatin1Char('0'));
        else
            out += text.at(i);
    }
    if (out.size() >= length) {
        out.truncate(length - 1);
        out += QChar(0x2026);
    }
    return out;
}

LineMessage read(const QString &topic, const QByteArray &payload, bool retained)
{
    LineMessage m;
    m.retained = retained;
    m.topic = displayText(topic, 200);
    const auto ignore = [&m](LineProblem problem) {
        m.kind = LineMessage::Kind::Ignored;
        m.problem = problem;
        return m;
    };
    if (topic.size() > LineTopic::MaxTopicBytes)
        return ignore(LineProblem::UnknownTopic);
    const QVector<QStringRef> levels = topic.splitRef(QLatin1Char('/'));
    if (levels.size() < 3 || levels.at(0) != QLatin1String("grivant") || !isLevel(levels.at(1)))
        return ignore(LineProblem::UnknownTopic);
    m.gateway = levels.at(1).toString();
    const QStringRef leaf = levels.last();
    if (levels.size() == 3) {
        if (leaf == QLatin1String("status"))
            m.kind = LineMessage::Kind::Status;
        else if (leaf == QLatin1String("stats"))
            m.kind = LineMessage::Kind::Stats;
        else
            return ignore(LineProblem::UnknownTopic);
    } else if (levels.size() == 5) {
        if (!isLevel(levels.at(2)))
            return ignore(LineProblem::UnknownTopic);
        if (leaf == QLatin1String("set") || leaf == QLatin1String("result") || leaf == QLatin1String("lease")
            || leaf == QLatin1String("request") || leaf == QLatin1String("answer"))
            return ignore(LineProblem::NotOurs);
        if (leaf == QLatin1String("info"))
            m.kind = LineMessage::Kind::Info;
        else if (leaf == QLatin1String("state"))
            m.kind = LineMessage::Kind::State;
        else if (leaf == QLatin1String("availability"))
            m.kind = LineMessage::Kind::Availability;
        else if (leaf == QLatin1String("health"))
            m.kind = LineMessage::Kind::Health;
        else if (leaf == QLatin1String("holder"))
            m.kind = LineMessage::Kind::Holder;
        else
            return ignore(LineProblem::UnknownTopic);
        if (!readId(levels.at(3), &m.id))
            return ignore(LineProblem::BadId);
        m.bus = levels.at(2).toString();
    } else {
        return ignore(LineProblem::UnknownTopic);
    }

    if (payload.isEmpty()) {
        m.cleared = true;
        return m;
    }
    if (payload.size() > LineTopic::MaxPayloadBytes)
        return ignore(LineProblem::TooLarge);

    if (m.kind == LineMessage::Kind::Status || m.kind == LineMessage::Kind::Availability) {
        const QByteArray word = payload.trimmed();
        if (word == "online")
            m.presence = Presence::Online;
        else if (word == "offline")
            m.presence = Presence::Offline;
        else if (word == "leased" && m.kind == LineMessage::Kind::Availability)
            m.presence = Presence::Leased;
        else
            return ignore(LineProblem::UnknownWord);
        return m;
    }

    QJsonObject object;
    LineProblem problem = LineProblem::None;
    if (!readObject(payload, &object, &problem))
        return ignore(problem);
    switch (m.kind) {
    case LineMessage::Kind::Info: readInfo(object, &m.identity); break;
    case LineMessage::Kind::State: readState(object, &m.reading); break;
    case LineMessage::Kind::Stats: readStats(object, &m); break;
    case LineMessage::Kind::Health: readHealth(object, &m.health); break;
    case LineMessage::Kind::Holder:
        m.holder = text(object, "holder", 64);
        m.holderSinceMs = timeFromText(object.value(QLatin1String("since")).toString());
        break;
    default: break;
    }
    return m;
}

} // namespace LineMessages
