#include "cli/gatewayport.h"

#include "link/leaseprotocol.h"
#include "link/leasetransport.h"

#include <algorithm>

namespace GatewayPort {

bool isOption(const QString &name)
{
    static const QStringList names = {QStringLiteral("--username"), QStringLiteral("--password-file"),
                                      QStringLiteral("--cafile"), QStringLiteral("--certfile"),
                                      QStringLiteral("--keyfile"), QStringLiteral("--holder")};
    return names.contains(name);
}

bool takeOption(const QString &name, const QString &value, Options *o, QString *error)
{
    if (!isOption(name))
        return false;
    if (value.isEmpty()) {
        *error = QStringLiteral("%1 needs a value").arg(name);
        return true;
    }
    if (o->given.isEmpty())
        o->given = name;
    if (name == QLatin1String("--username"))
        o->login.username = value;
    else if (name == QLatin1String("--password-file"))
        o->login.passwordFile = value;
    else if (name == QLatin1String("--cafile"))
        o->login.caFile = value;
    else if (name == QLatin1String("--certfile"))
        o->login.certFile = value;
    else if (name == QLatin1String("--keyfile"))
        o->login.keyFile = value;
    else
        o->holder = value;
    return true;
}

QString complete(const QStringList &ports, const QVector<int> &ids, const QString &lineOption, Options *o)
{
    const auto gateway = [](const QString &port) { return LeaseProtocol::looksLikeAddress(port); };
    const bool any = std::any_of(ports.cbegin(), ports.cend(), gateway);
    if (!any)
        return o->given.isEmpty() ? QString()
                                  : QStringLiteral("%1 goes with a gateway's bus: --port mqtt://BROKER[:PORT]/GATEWAY/BUS")
                                        .arg(o->given);
    // One lease of one device for one command: the gateway lends a device to a client.
    if (ports.size() != 1 || ids.size() != 1)
        return QStringLiteral("a gateway's bus lends one device at a time: give one --port mqtt://... and one --id");
    if (!lineOption.isEmpty())
        return QStringLiteral("%1 sets a serial line, and a gateway's bus keeps its own").arg(lineOption);
    return BrokerLogins::complete(&o->login, QStringLiteral("--password-file"));
}

bool open(ModbusClient &client, const LineSettings &line, int id, const Options &options, QString *why)
{
    if (!LeaseProtocol::looksLikeAddress(line.port))
        return client.open(line, why);
    LeaseTransport::Settings s;
    if (!LeaseProtocol::parseAddress(line.port, &s.address, why))
        return false;
    BrokerLogin login = options.login;
    login.host = s.address.host;
    login.port = s.address.port;
    s.broker = login.settings();
    s.id = id;
    s.holder = options.holder;
    s.answerWaitMs = LeaseProtocol::DefaultWaitMs;
    // The broker, the gateway's turn on its line and the line: a network's wait.
    client.setAnswerWait(s.answerWaitMs);
    return client.open(std::make_unique<LeaseTransport>(s), why);
}

} // namespace GatewayPort
