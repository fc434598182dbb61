#pragma once

#include "data/registermap.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVector>

// A "set" command from the broker, {"id": ..., "values": {"0x0103": 500, "Speed": 80}},
// judged against the register map of the device before anything goes on the wire. Only
// the control group and the user and I/O parameters may be written, and of those never the
// access code, the line settings or anything a factory or identity group holds.
namespace SetCommand {

// Far above any real command (a few hundred bytes), far below what would hurt to queue.
constexpr int MaxBytes = 64 * 1024;

struct Write
{
    quint16 address = 0;
    QVector<quint16> values;
    QStringList registers; // "0x0103 Target position = 500" for each value
    int last() const { return address + values.size() - 1; }
};

struct Plan
{
    QJsonValue id;          // as the command gave it; null when it gave none
    QVector<Write> writes;  // ascending address, consecutive registers in one request
    QString refusal;        // why nothing may be written, as a sentence
    bool refused() const { return !refusal.isEmpty(); }
};

// The "id" of a command, null when it has none or is no JSON object.
QJsonValue commandId(const QByteArray &payload);

// A device ID as a topic level names it plainly: 1 to 247 in decimal, without a sign, a
// leading zero or a fraction, so that "01" or "1.0" never reach device 1.
bool parseDeviceId(const QString &level, int *id);

// `model` names the device in refusals.
Plan plan(const QByteArray &payload, const RegisterMap &map, const QString &model);

// Empty when the gateway may write the register at all (its value aside), else why not.
QString refuseRegister(const RegisterMap &map, int address);

// "0x0103 Target position", or the address alone for a register without a name.
QString registerText(const RegisterMap &map, int address);

} // namespace SetCommand
