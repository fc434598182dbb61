#pragma once

#include "gateway/brokerlogin.h"
#include "link/modbusclient.h"

#include <QString>
#include <QStringList>

// A device on a running gateway's bus as grivantctl reaches it: --port
// mqtt://BROKER[:PORT]/GATEWAY/BUS with --id N, leased through the broker for as long as
// the command runs, with the login the gateway itself takes (--username, --password-file,
// --cafile, --certfile, --keyfile). Everything else a device command does goes through the
// blocking master as on any other port.
namespace GatewayPort {

struct Options
{
    BrokerLogin login;
    QString holder; // --holder; empty: user@host
    QString given;  // the first broker option given, for a refusal without a gateway port
};

// One of the broker options with its value: false when `name` is none of them; `error`
// is set when the value is wrong.
bool takeOption(const QString &name, const QString &value, Options *options, QString *error);
bool isOption(const QString &name);
// What the port of a command may be beside a gateway's bus and its options: a usage
// error, or empty. `ids` are the command's IDs on each port, `lineOption` the first serial
// line setting given. Reads the password file.
QString complete(const QStringList &ports, const QVector<int> &ids, const QString &lineOption, Options *options);
// Opens the port named by `line` for device `id`: a gateway's bus through the broker, any
// other port as the blocking master opens it.
bool open(ModbusClient &client, const LineSettings &line, int id, const Options &options, QString *why);

} // namespace GatewayPort
