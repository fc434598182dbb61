#include "gateway/discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace Discovery {

namespace {

// The entities of every device, in the order they are published.
struct Entity
{
    const char *object;    // the end of its object level and of its unique ID
    const char *component;
};
const Entity Entities[] = {
    {"position", "sensor"},
    {"current", "sensor"},
    {"state", "sensor"},
    {"fault", "binary_sensor"},
    {"error_code", "sensor"},
};
const char *const GatewayObject = "status";

QString topicOf(const Settings &s, const char *component, const QString &object)
{
    return QStringLiteral("%1/%2/%3/%4/config").arg(s.prefix, QLatin1String(component), nodeId(s.gateway), object);
}

QString deviceObject(const QString &bus, int id, const char *entity)
{
    return QStringLiteral("%1_%2_%3").arg(idLevel(bus), QString::number(id), QLatin1String(entity));
}

QString base(const Settings &s, const QString &bus, int id)
{
    return QStringLiteral("grivant/%1/%2/%3").arg(s.gateway, bus, QString::number(id));
}

// A value of the state's "values", in the template language; `field` is "value" or "text".
QString valueTemplate(const QString &key, const char *field)
{
    // value_json.values would be the dictionary's method: the keys go in brackets.
    return QStringLiteral("{{ value_json['values']['%1']['%2'] }}").arg(key, QLatin1String(field));
}

QJsonObject origin(const Settings &s)
{
    return QJsonObject{{"name", "grivant-gateway"}, {"sw_version", s.version}};
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QString idLevel(const QString &name)
{
    QString out = name;
    out.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    return out;
}

QString nodeId(const QString &gateway)
{
    return QStringLiteral("grivant_") + idLevel(gateway);
}

QVector<Message> gatewayConfigs(const Settings &s)
{
    const QJsonObject device{{"identifiers", QJsonArray{QStringLiteral("grivant/") + s.gateway}},
                             {"name", QStringLiteral("Gateway %1").arg(s.gateway)},
                             {"model", "grivant-gateway"},
                             {"sw_version", s.version}};
    const QJsonObject config{
        {"name", "Connection"},
        {"object_id", QStringLiteral("%1_%2").arg(nodeId(s.gateway), QLatin1String(GatewayObject))},
        {"unique_id", QStringLiteral("grivant/%1/status").arg(s.gateway)},
        {"state_topic", QStringLiteral("grivant/%1/status").arg(s.gateway)},
        {"payload_on", "online"},
        {"payload_off", "offline"},
        {"device_class", "connectivity"},
        {"entity_category", "diagnostic"},
        {"device", device},
        {"origin", origin(s)},
    };
    return {{topicOf(s, "binary_sensor", QLatin1String(GatewayObject)), compact(config)}};
}

QVector<Message> deviceConfigs(const Settings &s, const QString &bus, int id, const Payloads::Identity &identity,
                               const QStringList &faultKeys)
{
    const Payloads::Family family = Payloads::familyOf(identity.modelName);
    const bool module = family == Payloads::Family::Module;
    const QString topics = base(s, bus, id);
    QJsonObject device{
        {"identifiers", QJsonArray{topics}},
        {"name", QStringLiteral("%1 %2/%3/%4").arg(identity.modelName, s.gateway, bus, QString::number(id))},
        {"model", identity.modelName},
        {"hw_version", identity.info.hardwareVersion},
        {"sw_version", identity.info.softwareVersion},
        {"via_device", QStringLiteral("grivant/") + s.gateway},
    };
    // The device's own unique ID finds it again wherever it is wired.
    if (!identity.info.uniqueId.isEmpty()) {
        device.insert("identifiers", QJsonArray{topics, identity.info.uniqueId});
        device.insert("serial_number", identity.info.uniqueId);
    }
    // The device is there when it answers and its gateway runs.
    const QJsonArray availability{
        QJsonObject{{"topic", topics + QStringLiteral("/availability")},
                    {"payload_available", "online"},
                    {"payload_not_available", "offline"}},
        QJsonObject{{"topic", QStringLiteral("grivant/%1/status").arg(s.gateway)},
                    {"payload_available", "online"},
                    {"payload_not_available", "offline"}},
    };
    const QString stateKey = module ? QStringLiteral("motionState") : QStringLiteral("gripState");
    const QString errorKey = faultKeys.isEmpty() ? QStringLiteral("errorCode") : faultKeys.first();

    QVector<Message> out;
    for (const Entity &e : Entities) {
        const QString object = deviceObject(bus, id, e.object);
        QJsonObject c{
            {"object_id", nodeId(s.gateway) + QLatin1Char('_') + object},
            {"unique_id", topics + QLatin1Char('/') + QLatin1String(e.object)},
            {"state_topic", topics + QStringLiteral("/state")},
            {"availability", availability},
            {"availability_mode", "all"},
            {"device", device},
            {"origin", origin(s)},
        };
        const QString entity = QLatin1String(e.object);
        if (entity == QLatin1String("position")) {
            c.insert("name", "Position");
            c.insert("value_template", valueTemplate(QStringLiteral("position"), "value"));
            c.insert("unit_of_measurement", module ? "mm" : "%");
            if (module)
                c.insert("device_class", "distance");
            c.insert("state_class", "measurement");
        } else if (entity == QLatin1String("current")) {
            c.insert("name", "Current");
            c.insert("value_template", valueTemplate(QStringLiteral("current"), "value"));
            c.insert("unit_of_measurement", "mA");
            c.insert("device_class", "current");
            c.insert("state_class", "measurement");
        } else if (entity == QLatin1String("state")) {
            c.insert("name", module ? "Motion state" : "Grip state");
            // A state without a meaning of ours shows its number.
            c.insert("value_template", QStringLiteral("{{ value_json['values']['%1']['text'] | "
                                                      "default(value_json['values']['%1']['value']) }}")
                                           .arg(stateKey));
        } else if (entity == QLatin1String("fault")) {
            c.insert("name", "Fault");
            c.insert("value_template", QStringLiteral("{{ 'ON' if value_json['fault'] else 'OFF' }}"));
            c.insert("payload_on", "ON");
            c.insert("payload_off", "OFF");
            c.insert("device_class", "problem");
        } else {
            c.insert("name", "Error code");
            c.insert("value_template", valueTemplate(errorKey, "value"));
            c.insert("entity_category", "diagnostic");
        }
        out.append({topicOf(s, e.component, object), compact(c)});
    }
    return out;
}

QSet<QString> configTopics(const Settings &s, const QVector<GatewayConfig::Bus> &buses)
{
    QSet<QString> topics;
    for (const Message &m : gatewayConfigs(s))
        topics.insert(m.topic);
    for (const GatewayConfig::Bus &bus : buses)
        for (int id : bus.ids)
            for (const Entity &e : Entities)
                topics.insert(topicOf(s, e.component, deviceObject(bus.name, id, e.object)));
    return topics;
}

bool isOwnConfig(const Settings &s, const QString &topic, QString *object)
{
    const QString head = s.prefix + QLatin1Char('/');
    if (!topic.startsWith(head))
        return false;
    const QStringList levels = topic.mid(head.size()).split(QLatin1Char('/'));
    if (levels.size() != 4 || levels.at(1) != nodeId(s.gateway) || levels.at(3) != QLatin1String("config")
        || levels.at(0).isEmpty() || levels.at(2).isEmpty())
        return false;
    if (object) {
        *object = levels.at(2);
        for (const Entity &e : Entities) {
            const QString end = QLatin1Char('_') + QLatin1String(e.object);
            if (object->endsWith(end)) {
                object->chop(end.size());
                break;
            }
        }
    }
    return true;
}

} // namespace Discovery
