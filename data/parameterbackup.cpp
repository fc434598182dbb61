#include "data/parameterbackup.h"

#include "data/strictjson.h"
#include "data/valuerange.h"
#include "engine/deviceinfo.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <algorithm>

namespace ParameterBackup {

const char *const FormatName = "grivant-parameters";

namespace {

constexpr quint16 IoCommandRegister = 0x0400;
constexpr int LineSettingsFirst = 0x0302;
constexpr int LineSettingsLast = 0x0305;
constexpr int MaxWriteCount = 123;

QString hexText(int value, int digits)
{
    return QStringLiteral("0x") + QString::number(value, 16).rightJustified(digits, QLatin1Char('0')).toUpper();
}

// "0x0301" or 769; false for anything else or a number outside 16 bits.
bool parseAddress(const QJsonValue &value, int *address)
{
    bool ok = false;
    int a = -1;
    if (value.isString()) {
        const QString text = value.toString().trimmed();
        a = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toInt(&ok, 16)
                                                                        : text.toInt(&ok, 10);
    } else if (value.isDouble()) {
        // Checked before the conversion, which is undefined for a number beyond an int.
        const double d = value.toDouble();
        if (d >= 0 && d <= 0xFFFF) {
            a = int(d);
            ok = double(a) == d;
        }
    }
    if (!ok || a < 0 || a > 0xFFFF)
        return false;
    *address = a;
    return true;
}

// JSON leaves an object with one key twice to the reader, and Qt's reader keeps the last.
// A file with two "registers" lists would then restore whichever came last without a word,
// so such a file is refused. True with the first key that repeats within one object and its
// byte offset. The text must be valid JSON.

} // namespace

QVector<int> storedGroups()
{
    return {0x03, 0x04};
}

bool isCommandRegister(int address)
{
    return address == SaveRegister || address == IoCommandRegister;
}

bool isLineSetting(int address)
{
    return address >= LineSettingsFirst && address <= LineSettingsLast;
}

int decodeValue(quint16 raw, const QString &format)
{
    return format == QLatin1String("signed") ? int(qint16(raw)) : int(raw);
}

QString addressText(int address)
{
    return hexText(address, 4);
}

QString groupText(int group)
{
    return hexText(group, 2);
}

QString Document::modelCodeText() const
{
    return hexText(modelCode, 4);
}

Document newDocument(const QByteArray &infoBlock, const QString &modelName, const QDateTime &time)
{
    const DeviceInfo info = DeviceInfo::fromBlock(infoBlock);
    Document doc;
    const auto byteAt = [&infoBlock](int i) { return i < infoBlock.size() ? quint8(infoBlock.at(i)) : 0; };
    doc.modelCode = quint16((byteAt(0) << 8) | byteAt(1));
    doc.modelName = modelName;
    doc.hardwareVersion = info.hardwareVersion;
    doc.softwareVersion = info.softwareVersion;
    doc.uniqueId = info.uniqueId;
    doc.time = time;
    return doc;
}

QVector<Entry> groupEntries(const RegisterMap &map, int group, const QVector<quint16> &raw)
{
    QVector<Entry> entries;
    for (int i = 0; i < raw.size(); ++i) {
        const int address = group * 256 + i;
        entries.append({address, map.registerDescriptions.value(address),
                        decodeValue(raw.at(i), map.registerFormats.value(address))});
    }
    return entries;
}

void addGroup(Document *doc, const RegisterMap &map, int group, const QVector<quint16> &raw)
{
    if (!doc->groups.contains(group))
        doc->groups.append(group);
    std::sort(doc->groups.begin(), doc->groups.end());
    doc->registers += groupEntries(map, group, raw);
    std::stable_sort(doc->registers.begin(), doc->registers.end(),
                     [](const Entry &a, const Entry &b) { return a.address < b.address; });
}

QByteArray toJson(const Document &doc)
{
    QJsonObject model;
    model.insert(QStringLiteral("code"), doc.modelCodeText());
    model.insert(QStringLiteral("key"), modelKey(doc.modelCode >> 8, doc.modelCode & 0xFF));
    model.insert(QStringLiteral("name"), doc.modelName);

    QJsonArray groups;
    for (int group : doc.groups)
        groups.append(groupText(group));
    QJsonArray registers;
    for (const Entry &e : doc.registers) {
        QJsonObject r;
        r.insert(QStringLiteral("address"), addressText(e.address));
        r.insert(QStringLiteral("name"), e.name);
        r.insert(QStringLiteral("value"), e.value);
        registers.append(r);
    }

    QJsonObject root;
    root.insert(QStringLiteral("format"), QLatin1String(FormatName));
    root.insert(QStringLiteral("formatVersion"), doc.formatVersion);
    root.insert(QStringLiteral("model"), model);
    root.insert(QStringLiteral("hardwareVersion"), doc.hardwareVersion);
    root.insert(QStringLiteral("softwareVersion"), doc.softwareVersion);
    root.insert(QStringLiteral("uniqueId"), doc.uniqueId);
    root.insert(QStringLiteral("time"), doc.time.toUTC().toString(Qt::ISODate));
    root.insert(QStringLiteral("groups"), groups);
    root.insert(QStringLiteral("registers"), registers);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool fromJson(const QByteArray &json, Document *doc, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (json.trimmed().isEmpty())
        return fail(QCoreApplication::translate("ParameterBackup", "the file is empty"));
    QString repeated;
    int repeatedAt = 0;
    if (StrictJson::repeatedKey(json, &repeated, &repeatedAt))
        return fail(QCoreApplication::translate("ParameterBackup", "the key \"%1\" appears twice in one object (byte %2): "
                                                                   "a file with a repeated key is refused")
                        .arg(repeated, QString::number(repeatedAt)));
    QJsonParseError parseError;
    const QJsonDocument parsed = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(QCoreApplication::translate("ParameterBackup", "not a complete parameter file (%1 at byte %2)")
                        .arg(parseError.errorString())
                        .arg(parseError.offset));
    const QJsonObject root = parsed.object();
    if (!parsed.isObject() || root.value(QStringLiteral("format")).toString() != QLatin1String(FormatName))
        return fail(QCoreApplication::translate("ParameterBackup", "not a parameter file of this tool"));
    const QJsonValue version = root.value(QStringLiteral("formatVersion"));
    if (version.toInt(-1) != FormatVersion)
        return fail(QCoreApplication::translate("ParameterBackup", "format version %1 is not supported (this tool reads version %2)")
                        .arg(version.isUndefined() ? QCoreApplication::translate("ParameterBackup", "(none)")
                                                   : version.toVariant().toString(),
                             QString::number(FormatVersion)));

    Document d;
    const QJsonObject model = root.value(QStringLiteral("model")).toObject();
    int code = -1;
    if (!parseAddress(model.value(QStringLiteral("code")), &code))
        return fail(QCoreApplication::translate("ParameterBackup", "the model code is missing or not a 16-bit number"));
    d.modelCode = quint16(code);
    d.modelName = model.value(QStringLiteral("name")).toString();
    d.hardwareVersion = root.value(QStringLiteral("hardwareVersion")).toString();
    d.softwareVersion = root.value(QStringLiteral("softwareVersion")).toString();
    d.uniqueId = root.value(QStringLiteral("uniqueId")).toString();
    d.time = QDateTime::fromString(root.value(QStringLiteral("time")).toString(), Qt::ISODate);
    for (const QJsonValue &g : root.value(QStringLiteral("groups")).toArray()) {
        int group = -1;
        if (parseAddress(g, &group) && group < 256)
            d.groups.append(group);
    }

    const QJsonValue list = root.value(QStringLiteral("registers"));
    if (!list.isArray() || list.toArray().isEmpty())
        return fail(QCoreApplication::translate("ParameterBackup", "the file lists no registers"));
    QSet<int> seen;
    int index = 0;
    for (const QJsonValue &item : list.toArray()) {
        ++index;
        const QJsonObject r = item.toObject();
        Entry e;
        const QJsonValue value = r.value(QStringLiteral("value"));
        if (!parseAddress(r.value(QStringLiteral("address")), &e.address))
            return fail(QCoreApplication::translate("ParameterBackup", "register %1 in the file has no valid address").arg(index));
        // Checked before the conversion, which is undefined for a number beyond an int.
        const double v = value.toDouble(1e9);
        if (!value.isDouble() || !(v >= -32768 && v <= 65535) || v != double(int(v)))
            return fail(QCoreApplication::translate("ParameterBackup", "register %1 has no valid 16-bit value").arg(addressText(e.address)));
        if (seen.contains(e.address))
            return fail(QCoreApplication::translate("ParameterBackup", "register %1 is listed twice").arg(addressText(e.address)));
        seen.insert(e.address);
        e.value = int(v);
        e.name = r.value(QStringLiteral("name")).toString();
        d.registers.append(e);
    }
    std::sort(d.registers.begin(), d.registers.end(),
              [](const Entry &a, const Entry &b) { return a.address < b.address; });
    *doc = d;
    return true;
}

bool sameFamily(quint16 a, quint16 b)
{
    return (a >> 8) == (b >> 8);
}

QString checkWrite(const RegisterMap &map, int address, int value)
{
    const QString name = map.registerDescriptions.value(address);
    // Unused registers are named by their own address.
    const QString where = name.isEmpty() || name == addressText(address) ? addressText(address)
                                         : QStringLiteral("%1 %2").arg(addressText(address), name);
    if (!map.registerValueRanges.contains(address))
        return QCoreApplication::translate("ParameterBackup", "%1 is not in the register map of this device").arg(where);
    const QString rangeText = map.registerValueRanges.value(address);
    const ValueRange range = parseValueRange(rangeText);
    if (range.kind == ValueRange::ReadOnly)
        return QCoreApplication::translate("ParameterBackup", "%1 is read-only").arg(where);
    if (!range.accepts(value))
        return QCoreApplication::translate("ParameterBackup", "%1: %2 is outside %3").arg(where, QString::number(value), rangeText);
    // A range that reaches beyond what the register holds (-32768~32768 for a signed one)
    // would let the value come back with another sign: the range is cut to the format.
    const QString format = map.registerFormats.value(address);
    const ValueRange cut = cutToFormat(range, format);
    if (!cut.accepts(value)) {
        const ValueRange limits = formatRange(format);
        const QString held = range.kind == ValueRange::Interval
                                 ? QStringLiteral("%1~%2").arg(cut.minimum).arg(cut.maximum)
                                 : QStringLiteral("%1~%2").arg(limits.minimum).arg(limits.maximum);
        const bool isSigned = limits.minimum < 0;
        return isSigned ? QCoreApplication::translate("ParameterBackup", "%1: %2 is outside %3 (a signed 16-bit register)")
                              .arg(where, QString::number(value), held)
                        : QCoreApplication::translate("ParameterBackup", "%1: %2 is outside %3 (an unsigned 16-bit register)")
                              .arg(where, QString::number(value), held);
    }
    return QString();
}

Plan makePlan(const Document &doc, const RegisterMap &map, bool withLineSettings)
{
    Plan plan;
    const QVector<int> stored = storedGroups();
    for (const Entry &e : doc.registers) {
        const auto skip = [&plan, &e](const QString &reason) { plan.skipped.append({e, reason}); };
        if (!stored.contains(e.address >> 8)) {
            skip(QCoreApplication::translate("ParameterBackup", "not a stored parameter"));
            continue;
        }
        if (isCommandRegister(e.address)) {
            skip(QCoreApplication::translate("ParameterBackup", "a command, not a value"));
            continue;
        }
        if (!map.registerValueRanges.contains(e.address)) {
            skip(QCoreApplication::translate("ParameterBackup", "not in the register map of this device"));
            continue;
        }
        if (parseValueRange(map.registerValueRanges.value(e.address)).kind == ValueRange::ReadOnly) {
            skip(QCoreApplication::translate("ParameterBackup", "read-only"));
            continue;
        }
        if (isLineSetting(e.address) && !withLineSettings) {
            skip(QCoreApplication::translate("ParameterBackup", "line setting, kept as the device has it"));
            continue;
        }
        const QString refusal = checkWrite(map, e.address, e.value);
        if (!refusal.isEmpty()) {
            plan.errors.append(refusal);
            continue;
        }
        plan.entries.append(e);
    }
    for (const Entry &e : plan.entries) {
        if (plan.writes.isEmpty() || plan.writes.last().last() + 1 != e.address
            || plan.writes.last().values.size() >= MaxWriteCount)
            plan.writes.append(Write{quint16(e.address), QVector<quint16>()});
        plan.writes.last().values.append(encodeValue(e.value));
    }
    return plan;
}

QVector<Difference> compare(const QVector<Entry> &expected, const QMap<int, int> &actual)
{
    QVector<Difference> differences;
    for (const Entry &e : expected) {
        const auto it = actual.constFind(e.address);
        // Values as the register's format reads them: 32768 written to a signed register
        // reads back as -32768, which is a difference, not the same 16 bits.
        if (it != actual.cend() && it.value() == e.value)
            continue;
        Difference d;
        d.address = e.address;
        d.name = e.name;
        d.expected = e.value;
        d.read = it != actual.cend();
        d.actual = d.read ? it.value() : 0;
        differences.append(d);
    }
    return differences;
}

QString addressRanges(QVector<int> addresses)
{
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    QStringList parts;
    for (int i = 0; i < addresses.size();) {
        int j = i;
        while (j + 1 < addresses.size() && addresses.at(j + 1) == addresses.at(j) + 1)
            ++j;
        parts << (i == j ? addressText(addresses.at(i))
                         : QStringLiteral("%1-%2").arg(addressText(addresses.at(i)), addressText(addresses.at(j))));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace ParameterBackup
