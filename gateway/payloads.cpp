#include "gateway/payloads.h"

#include "engine/feedbackwords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cmath>

namespace Payloads {

namespace {

// One value of the feedback group: where it is, how it reads and what it means.
struct Field
{
    int offset;              // from the group's first register
    const char *key;
    bool isSigned;
    int words;               // 2: a 32-bit value, low word first
    int divisor;             // register units per unit shown
    const char *unit;        // nullptr: a count or a state
    QVector<const char *> meanings; // texts of the values 0, 1, ... of a state
};

// The words of the states, one table with the window's Line view.
QVector<const char *> words(FeedbackWords::Table table)
{
    QVector<const char *> out;
    for (int v = 0; v < FeedbackWords::count(table); ++v)
        out.append(FeedbackWords::word(table, v));
    return out;
}

const QVector<const char *> InitTexts = words(FeedbackWords::Table::Initialisation);
const QVector<const char *> GripTexts = words(FeedbackWords::Table::GripState);
const QVector<const char *> HomeTexts = words(FeedbackWords::Table::Homing);
const QVector<const char *> MotionTexts = words(FeedbackWords::Table::MotionState);
const QVector<const char *> RotationTexts = words(FeedbackWords::Table::RotationState);

const QVector<Field> &fields(Family family)
{
    static const QVector<Field> gripper = {
        {0, "initialisation", false, 1, 1, nullptr, InitTexts},
        {1, "gripState", false, 1, 1, nullptr, GripTexts},
        {2, "position", true, 1, 10, "%", {}},
        {3, "speed", false, 1, 1, "%", {}},
        {4, "current", true, 1, 1, "mA", {}},
    };
    static const QVector<Field> rotary = gripper + QVector<Field>{
        {8, "angle", true, 2, 1, "°", {}},
        {10, "rotationInitialisation", false, 1, 1, nullptr, InitTexts},
        {11, "rotationState", false, 1, 1, nullptr, RotationTexts},
        {12, "rotationSpeed", true, 1, 1, "%", {}},
        {13, "rotationCurrent", true, 1, 1, "mA", {}},
    };
    static const QVector<Field> module = {
        {0, "initialisation", false, 1, 1, nullptr, HomeTexts},
        {1, "motionState", false, 1, 1, nullptr, MotionTexts},
        // A module's position reaches past 327.67 mm: an unsigned quantity.
        {2, "position", false, 1, 100, "mm", {}},
        {3, "speed", false, 1, 1, "%", {}},
        {4, "current", true, 1, 1, "mA", {}},
    };
    switch (family) {
    case Family::Rotary: return rotary;
    case Family::Module: return module;
    case Family::Gripper: break;
    }
    return gripper;
}

// "Error code" -> "errorCode"
QString keyFromDescription(const QString &description)
{
    const QStringList words = description.split(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), Qt::SkipEmptyParts);
    QString key;
    for (const QString &w : words)
        key += key.isEmpty() ? w.toLower() : w.left(1).toUpper() + w.mid(1).toLower();
    return key;
}

bool marksFault(const QString &description)
{
    static const QRegularExpression words(QStringLiteral("\\b(error|fault|alarm)"),
                                          QRegularExpression::CaseInsensitiveOption);
    return words.match(description).hasMatch();
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

const char *parityName(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity: return "even";
    case QSerialPort::OddParity: return "odd";
    default: return "none";
    }
}

double rounded(double value, int decimals)
{
    const double factor = std::pow(10.0, decimals);
    return std::round(value * factor) / factor;
}

} // namespace

Family familyOf(const QString &modelName)
{
    if (modelName.contains(QLatin1String("TQP2-51500")))
        return Family::Module;
    if (modelName.contains(QLatin1String("KX")))
        return Family::Rotary;
    return Family::Gripper;
}

const char *familyName(Family family)
{
    switch (family) {
    case Family::Rotary: return "rotary gripper";
    case Family::Module: return "linear module";
    case Family::Gripper: break;
    }
    return "gripper";
}

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QByteArray info(const Identity &identity, const QString &bus, const LineSettings &line, int id,
                const QVector<ParameterBackup::Entry> &parameters, const QDateTime &time, bool diagnosis)
{
    QJsonArray list;
    for (const ParameterBackup::Entry &e : parameters)
        list.append(QJsonObject{{"address", ParameterBackup::addressText(e.address)}, {"name", e.name},
                                {"value", e.value}});
    // A model code is written like an address: "0x2701".
    const QJsonObject model{{"code", ParameterBackup::addressText(identity.modelCode)},
                            {"key", identity.info.modelKey},
                            {"name", identity.modelName}};
    return compact(QJsonObject{
        {"time", timeText(time)},
        {"bus", bus},
        {"port", line.port},
        {"id", id},
        {"line", lineSettingsText(line)},
        {"baud", line.baudRate},
        {"parity", QLatin1String(parityName(line.parity))},
        {"stopBits", line.stopBits == QSerialPort::TwoStop ? 2 : 1},
        {"model", model},
        {"family", QLatin1String(familyName(familyOf(identity.modelName)))},
        {"hardware", identity.info.hardwareVersion},
        {"software", identity.info.softwareVersion},
        {"uniqueId", identity.info.uniqueId},
        {"parameters", list},
        {"diagnosis", diagnosis},
    });
}

QJsonObject stateValues(Family family, const RegisterMap &map, int base, const QVector<quint16> &raw,
                        bool *fault)
{
    QJsonObject values;
    for (const Field &f : fields(family)) {
        if (f.offset + f.words > raw.size())
            continue;
        qint64 v = 0;
        if (f.words == 2) {
            const quint32 bits = quint32(raw.at(f.offset)) | quint32(raw.at(f.offset + 1)) << 16;
            v = f.isSigned ? qint64(qint32(bits)) : qint64(bits);
        } else {
            v = f.isSigned ? qint64(qint16(raw.at(f.offset))) : qint64(raw.at(f.offset));
        }
        QJsonObject entry{{"register", ParameterBackup::addressText(base + f.offset)}};
        if (f.divisor > 1)
            entry.insert("value", rounded(double(v) / f.divisor, 2));
        else
            entry.insert("value", double(v));
        if (f.unit)
            entry.insert("unit", QString::fromUtf8(f.unit));
        if (!f.meanings.isEmpty() && v >= 0 && v < f.meanings.size())
            entry.insert("text", QLatin1String(f.meanings.at(int(v))));
        values.insert(QLatin1String(f.key), entry);
    }
    // Whatever the register map calls an error, a fault or an alarm.
    *fault = false;
    for (int i = 0; i < raw.size(); ++i) {
        const QString description = map.registerDescriptions.value(base + i);
        if (!marksFault(description))
            continue;
        const int v = ParameterBackup::decodeValue(raw.at(i), map.registerFormats.value(base + i));
        *fault = *fault || v != 0;
        values.insert(keyFromDescription(description),
                      QJsonObject{{"register", ParameterBackup::addressText(base + i)}, {"value", v}, {"fault", v != 0}});
    }
    return values;
}

QByteArray state(Family family, const RegisterMap &map, int base, const QVector<quint16> &raw,
                 const QDateTime &time)
{
    bool fault = false;
    const QJsonObject values = stateValues(family, map, base, raw, &fault);
    return compact(QJsonObject{{"time", timeText(time)}, {"fault", fault}, {"values", values}});
}

QStringList faultKeys(const RegisterMap &map, int base, int count)
{
    QStringList keys;
    for (int i = 0; i < count; ++i) {
        const QString description = map.registerDescriptions.value(base + i);
        if (marksFault(description))
            keys << keyFromDescription(description);
    }
    return keys;
}

QByteArray result(const QJsonValue &commandId, const QString &outcome, const QString &detail)
{
    return compact(QJsonObject{{"id", commandId}, {"outcome", outcome}, {"detail", detail}});
}

QByteArray stats(const QDateTime &time, double uptimeSeconds, int brokerConnections,
                 const QVector<BusFigures> &buses)
{
    QJsonObject perBus;
    for (const BusFigures &b : buses) {
        const double seconds = b.seconds > 0 ? b.seconds : 1;
        QJsonObject devices;
        for (const Health::Figures &h : b.health)
            devices.insert(QString::number(h.id), healthValues(h));
        perBus.insert(b.name, QJsonObject{
            {"port", b.port},
            {"line", b.line},
            {"devices", b.devices},
            {"online", b.online},
            {"pollsPerSecond", rounded(b.polls / seconds, 1)},
            {"transactionsPerSecond", rounded(b.transactions / seconds, 1)},
            {"lineShare", rounded(b.busySeconds / seconds, 3)},
            {"lineLimit", 1},
            {"failures", b.failures},
            {"timeouts", b.timeouts},
            {"exceptions", b.exceptions},
            {"crcErrors", b.crcErrors},
            {"idleShare", rounded(b.idleSeconds / seconds, 3)},
            {"commands", b.commands},
            {"leased", b.leased},
            {"leaseRequests", b.leaseRequests},
            {"seconds", rounded(b.seconds, 1)},
            {"health", devices},
            {"adapter", b.adapter},
            {"echo", b.echo},
            {"turnaroundP50Ms", b.turnaround.count() ? QJsonValue(rounded(b.turnaround.percentile(0.5), 1)) : QJsonValue()},
            {"turnaroundP95Ms", b.turnaround.count() ? QJsonValue(rounded(b.turnaround.percentile(0.95), 1)) : QJsonValue()},
            {"suggestedTimeoutMs", b.turnaround.count() ? QJsonValue(b.turnaround.suggestedTimeoutMs()) : QJsonValue()},
        });
    }
    return compact(QJsonObject{{"time", timeText(time)},
                               {"uptime", rounded(uptimeSeconds, 1)},
                               {"brokerConnections", brokerConnections},
                               {"buses", perBus}});
}

QJsonObject healthValues(const Health::Figures &f)
{
    const auto ms = [](double v) { return v < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(rounded(v, 1)); };
    return QJsonObject{
        {"online", f.online},
        {"leased", f.leased},
        {"leaseRequests", f.leaseRequests},
        {"periodMs", f.periodMs},
        {"polls", f.polls},
        {"intervals", f.intervals},
        {"intervalP50Ms", ms(f.p50Ms)},
        {"intervalP95Ms", ms(f.p95Ms)},
        {"late", f.late},
        {"failures", f.failures},
        {"timeouts", f.timeouts},
        {"crcErrors", f.crcErrors},
        {"exceptions", f.exceptions},
    };
}

QByteArray health(const Health::Figures &figures, const QDateTime &time, double seconds)
{
    QJsonObject object = healthValues(figures);
    object.insert("time", timeText(time));
    object.insert("seconds", rounded(seconds, 1));
    return compact(object);
}

} // namespace Payloads
