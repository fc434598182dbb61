#include "gateway/setcommand.h"

#include "data/parameterbackup.h"
#include "data/strictjson.h"
#include "link/modbusframe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace SetCommand {

namespace {

constexpr int ControlGroup = 0x01;
constexpr int UserParameters = 0x03;
constexpr int IoParameters = 0x04;
// Beyond any 16-bit register, well inside an int.
constexpr int HugeValue = 1000000000;

QString refused(const QString &why)
{
    return why + QStringLiteral("; nothing was written");
}

bool parseAddressKey(const QString &key, int *address)
{
    bool ok = false;
    const QString t = key.trimmed();
    const int v = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toInt(&ok, 16) : t.toInt(&ok, 10);
    if (!ok || v < 0 || v > 0xFFFF)
        return false;
    *address = v;
    return true;
}

// A register named in the command: by address, or by its name among the registers the
// gateway may write (a feedback register may share the name of a set-point).
QString resolve(const QString &key, const RegisterMap &map, const QString &model, int *address)
{
    if (parseAddressKey(key, address))
        return QString();
    QVector<int> matches;
    for (auto r = map.registerDescriptions.cbegin(); r != map.registerDescriptions.cend(); ++r)
        if (r.value().compare(key.trimmed(), Qt::CaseInsensitive) == 0 && refuseRegister(map, r.key()).isEmpty())
            matches.append(r.key());
    if (matches.size() == 1) {
        *address = matches.first();
        return QString();
    }
    if (matches.isEmpty())
        return QStringLiteral("\"%1\" names no register of %2 that the gateway may write").arg(key, model);
    QStringList addresses;
    for (int a : matches)
        addresses << ParameterBackup::addressText(a);
    return QStringLiteral("\"%1\" names several registers (%2): give the address").arg(key, addresses.join(QStringLiteral(", ")));
}

// The register's format bounds every value: an unsigned register cannot hold -1.
QString jsonText(const QJsonValue &value)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

} // namespace

bool parseDeviceId(const QString &level, int *id)
{
    static const QRegularExpression plain(QStringLiteral("^[1-9][0-9]{0,2}$"));
    if (!plain.match(level).hasMatch())
        return false;
    const int v = level.toInt();
    if (v > 247)
        return false;
    *id = v;
    return true;
}

QJsonValue commandId(const QByteArray &payload)
{
    if (payload.size() > MaxBytes)
        return QJsonValue(QJsonValue::Null);
    QString key;
    int offset = 0;
    if (StrictJson::repeatedKey(payload, &key, &offset))
        return QJsonValue(QJsonValue::Null);
    const QJsonDocument doc = QJsonDocument::fromJson(payload);
    return doc.isObject() && doc.object().contains(QLatin1String("id")) ? doc.object().value(QLatin1String("id"))
                                                                         : QJsonValue(QJsonValue::Null);
}

QString registerText(const RegisterMap &map, int address)
{
    const QString text = ParameterBackup::addressText(address);
    const QString name = map.registerDescriptions.value(address);
    return name.isEmpty() || name == text ? text : QStringLiteral("%1 %2").arg(text, name);
}

QString refuseRegister(const RegisterMap &map, int address)
{
    const QString what = registerText(map, address);
    const int group = address >> 8;
    if (address == 0x0000)
        return QStringLiteral("%1 is the access code, which the gateway never writes").arg(what);
    if (ParameterBackup::isLineSetting(address))
        return QStringLiteral("%1 is a line setting, which the gateway never writes: the device would leave its bus")
            .arg(what);
    if (address == 0x0A03 || address == 0x0A04)
        return QStringLiteral("%1 is the unique ID, which the gateway never writes").arg(what);
    if (group >= 0x11 && group <= 0x15)
        return QStringLiteral("%1 is a factory register, which the gateway never writes").arg(what);
    if (group != ControlGroup && group != UserParameters && group != IoParameters)
        return QStringLiteral("%1 is outside the control group and the user and I/O parameters, "
                              "the only registers the gateway writes").arg(what);
    if (!map.registerValueRanges.contains(address))
        return QStringLiteral("%1 is not in the register map of this device").arg(what);
    return QString();
}

Plan plan(const QByteArray &payload, const RegisterMap &map, const QString &model)
{
    Plan p;
    QString key;
    int offset = 0;
    if (StrictJson::repeatedKey(payload, &key, &offset)) {
        p.refusal = refused(QStringLiteral("the key \"%1\" comes twice in one object of the command (byte %2)")
                                .arg(key, QString::number(offset)));
        return p;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    if (!doc.isObject()) {
        p.refusal = refused(error.error != QJsonParseError::NoError
                                ? QStringLiteral("the command is not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset)
                                : QStringLiteral("the command is not a JSON object"));
        return p;
    }
    const QJsonObject command = doc.object();
    p.id = command.contains(QLatin1String("id")) ? command.value(QLatin1String("id")) : QJsonValue(QJsonValue::Null);
    const QJsonValue values = command.value(QLatin1String("values"));
    if (!values.isObject() || values.toObject().isEmpty()) {
        p.refusal = refused(QStringLiteral("the command holds no \"values\" object of registers and values"));
        return p;
    }

    QMap<int, int> wanted;
    const QJsonObject given = values.toObject();
    for (auto it = given.constBegin(); it != given.constEnd(); ++it) {
        int address = 0;
        if (const QString why = resolve(it.key(), map, model, &address); !why.isEmpty()) {
            p.refusal = refused(why);
            return p;
        }
        if (const QString why = refuseRegister(map, address); !why.isEmpty()) {
            p.refusal = refused(why);
            return p;
        }
        const double number = it.value().toDouble(std::nan(""));
        if (!it.value().isDouble() || std::floor(number) != number) {
            p.refusal = refused(QStringLiteral("%1: %2 is not a whole number")
                                    .arg(registerText(map, address), jsonText(it.value())));
            return p;
        }
        if (std::fabs(number) > HugeValue) {
            // No register holds such a number: judged as the nearest that fits an int, and
            // named as the command gave it.
            const int stand = number > 0 ? HugeValue : -HugeValue;
            p.refusal = refused(ParameterBackup::checkWrite(map, address, stand)
                                    .replace(QString::number(stand), jsonText(it.value())));
            return p;
        }
        const int value = int(number);
        if (wanted.contains(address)) {
            p.refusal = refused(QStringLiteral("%1 is named twice").arg(registerText(map, address)));
            return p;
        }
        // The map's range cut to what the register's format can hold.
        if (const QString why = ParameterBackup::checkWrite(map, address, value); !why.isEmpty()) {
            p.refusal = refused(why);
            return p;
        }
        wanted.insert(address, value);
    }
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        if (p.writes.isEmpty() || p.writes.last().last() + 1 != it.key()
            || p.writes.last().values.size() >= ModbusFrame::MaxWriteCount)
            p.writes.append(Write{quint16(it.key()), {}, {}});
        p.writes.last().values.append(ParameterBackup::encodeValue(it.value()));
        p.writes.last().registers.append(QStringLiteral("%1 = %2").arg(registerText(map, it.key()), QString::number(it.value())));
    }
    return p;
}

} // namespace SetCommand
