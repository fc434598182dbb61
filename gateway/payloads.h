#pragma once

#include "data/parameterbackup.h"
#include "data/registermap.h"
#include "engine/deviceinfo.h"
#include "gateway/health.h"
#include "link/modbusclient.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QVector>

// The JSON the gateway publishes (docs/mqtt.md describes each), made from plain values:
// nothing here touches a port or the broker.
namespace Payloads {

// Families whose feedback registers read differently.
enum class Family { Gripper, Rotary, Module };
Family familyOf(const QString &modelName);
const char *familyName(Family family);

// "2026-12-07T11:21:35.123Z"
QString timeText(const QDateTime &time);

struct Identity
{
    quint16 modelCode = 0;
    QString modelName;
    DeviceInfo info;
};

// `diagnosis`: the gateway lends the device to a client on request (allow_diagnosis).
QByteArray info(const Identity &identity, const QString &bus, const LineSettings &line, int id,
                const QVector<ParameterBackup::Entry> &parameters, const QDateTime &time, bool diagnosis);

// The feedback group (read from `base`) as named values with their units and meanings;
// `fault` is set when a register the map calls an error, fault or alarm is not 0.
QJsonObject stateValues(Family family, const RegisterMap &map, int base, const QVector<quint16> &raw,
                        bool *fault);
QByteArray state(Family family, const RegisterMap &map, int base, const QVector<quint16> &raw,
                 const QDateTime &time);
// The keys of the state's values that the map calls an error, a fault or an alarm, of the
// `count` registers read from `base`: "errorCode".
QStringList faultKeys(const RegisterMap &map, int base, int count);

QByteArray result(const QJsonValue &commandId, const QString &outcome, const QString &detail);

// What one bus did since the last figures.
struct BusFigures
{
    QString name;
    QString port;
    QString line;
    int devices = 0;
    int online = 0;
    double seconds = 0;     // the time the figures cover
    qint64 polls = 0;       // transactions that read a state or identified a device
    qint64 transactions = 0;
    qint64 failures = 0;    // no answer, garbled answer or exception
    qint64 timeouts = 0;    // no answer
    qint64 exceptions = 0;
    qint64 crcErrors = 0;   // garbled answer
    qint64 commands = 0;
    int leased = 0;         // devices lent to a client now
    qint64 leaseRequests = 0; // their clients' requests that came, refused ones included
    double busySeconds = 0; // the line's time the transactions took: frames and silences
    double idleSeconds = 0; // the time the bus had nothing to send
    QVector<Health::Figures> health; // each device's, in the order of their IDs
    QString adapter;        // what stands behind the port, and what was done about its latency
    bool echo = false;      // the line returns the requests, which are set aside
    Turnaround turnaround;  // the devices' answer times
};

QByteArray stats(const QDateTime &time, double uptimeSeconds, int brokerConnections,
                 const QVector<BusFigures> &buses);
// One device's figures of a stats period, as in the stats and on its health topic.
QJsonObject healthValues(const Health::Figures &figures);
QByteArray health(const Health::Figures &figures, const QDateTime &time, double seconds);

} // namespace Payloads
