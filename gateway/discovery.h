#pragma once

#include "gateway/config.h"
#include "gateway/payloads.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

// Home Assistant's MQTT discovery: what the gateway publishes, retained, under
// PREFIX/COMPONENT/grivant_GATEWAY/OBJECT/config so that every gripper and module shows up
// there as a device of its own with read-only entities (position, current, state in words,
// fault, error code), linked to the gateway's own device. Made from plain values: nothing
// here touches the broker.
namespace Discovery {

struct Settings
{
    QString prefix = QStringLiteral("homeassistant");
    QString gateway; // its name
    QString version; // the gateway's
};

struct Message
{
    QString topic;
    QByteArray payload;
};

// A name as Home Assistant takes it in a topic's node and object levels: letters, digits,
// '_' and '-' ("line.1" -> "line_1").
QString idLevel(const QString &name);
// The gateway's node level: "grivant_line1".
QString nodeId(const QString &gateway);

// The gateway's own device and its entity: whether it is connected (its status topic).
QVector<Message> gatewayConfigs(const Settings &settings);
// One device's entities. `faultKeys`: its state's error values (Payloads::faultKeys).
QVector<Message> deviceConfigs(const Settings &settings, const QString &bus, int id,
                               const Payloads::Identity &identity, const QStringList &faultKeys);

// Every config topic the gateway may publish with these buses (for each ID a bus watches or
// scans): a config found under its node and not among these is left over from an earlier
// configuration.
QSet<QString> configTopics(const Settings &settings, const QVector<GatewayConfig::Bus> &buses);
// Whether `topic` is PREFIX/COMPONENT/NODE/OBJECT/config under this gateway's node; `object`
// gets the object level without the entity ("a_3" of "a_3_position").
bool isOwnConfig(const Settings &settings, const QString &topic, QString *object = nullptr);

} // namespace Discovery
