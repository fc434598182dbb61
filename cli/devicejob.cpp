#include "cli/devicejob.h"

#include "cli/catalog.h"
#include "cli/interrupt.h"
#include "cli/output.h"
#include "data/parameterfile.h"
#include "engine/deviceinfo.h"
#include "app/installpaths.h"
#include "link/modbusclient.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QThread>

#include <memory>

using namespace ParameterBackup;

namespace {

const qint32 BaudRates[] = {115200, 57600, 38400, 19200, 9600, 4800, 230400};

struct Identity
{
    quint16 modelCode = 0;
    QString modelName;
    DeviceInfo info;
    QByteArray block;
    const RegisterMap *map = nullptr;
};

// "its groups: 0x00 Permission, 0x01 Control, ...", for a group that was not found.
QString groupList(const RegisterMap &map)
{
    QStringList groups;
    for (auto g = map.groupNames.cbegin(); g != map.groupNames.cend(); ++g)
        groups << QStringLiteral("%1 %2").arg(groupText(g.key()), g.value());
    return QStringLiteral("its groups: %1").arg(groups.join(QStringLiteral(", ")));
}

int exitCodeFor(const ModbusClient::Reply &reply)
{
    return reply.status == ModbusClient::Status::NoAnswer ? ExitNoAnswer : ExitDevice;
}

QJsonArray entriesJson(const QVector<Entry> &entries)
{
    QJsonArray list;
    for (const Entry &e : entries)
        list.append(QJsonObject{{"address", addressText(e.address)}, {"name", e.name}, {"value", e.value}});
    return list;
}

// An adapter that holds every answer back is said once a port, with the fix.
void tellAdapter(const ModbusClient &client)
{
    const AdapterSession &adapter = client.adapter();
    if (adapter.latency().state != SerialAdapter::Latency::State::High)
        return;
    Output::err(QStringLiteral("grivantctl: %1: %2. %3")
                    .arg(client.line().port,
                         SerialAdapter::latencyText(adapter.identity(), adapter.latency()),
                         SerialAdapter::latencyAdvice(adapter.identity(), adapter.latency(),
                                                      InstallPaths::latencyRule())));
}

class Job
{
public:
    Job(const Request &request, const Catalog &catalog, const Document *document,
        Output::Progress *progress, ModbusClient &client, DeviceResult &result)
        : r(request), catalog(catalog), document(document), progress(progress), client(client),
          result(result), id(result.id)
    {
    }

    void run();

private:
    bool fail(int exitCode, const QString &why)
    {
        result.exitCode = exitCode;
        result.error = why;
        result.json.insert("error", why);
        return false;
    }
    bool failReply(const ModbusClient::Reply &reply, const QString &what)
    {
        return fail(exitCodeFor(reply), QStringLiteral("%1: %2").arg(what, reply.errorText()));
    }
    void status(const QString &text)
    {
        if (progress)
            progress->show(QStringLiteral("%1 ID %2: %3").arg(result.port, QString::number(id), text));
    }
    bool identify();
    bool readGroups(const QVector<int> &groups, QMap<int, QVector<quint16>> *values, bool skipRefused,
                    QStringList *refused);
    QMap<int, int> decoded(const QMap<int, QVector<quint16>> &groups) const;

    void info() {} // identification tells it all
    void read();
    void write();
    void backup();
    void restore();

    const Request &r;
    const Catalog &catalog;
    const Document *document;
    Output::Progress *progress;
    ModbusClient &client;
    DeviceResult &result;
    int id;
    Identity device;
};

void Job::run()
{
    result.json.insert("port", result.port);
    result.json.insert("id", id);
    result.json.insert("line", lineSettingsText(client.line()));
    if (!identify())
        return;
    switch (r.command) {
    case Request::Command::Info: info(); break;
    case Request::Command::Read: read(); break;
    case Request::Command::Write: write(); break;
    case Request::Command::Backup: backup(); break;
    case Request::Command::Restore: restore(); break;
    default: break;
    }
}

bool Job::identify()
{
    status(QStringLiteral("identifying"));
    const ModbusClient::Reply reply = client.read(id, DeviceInfoRegister, DeviceInfoCount);
    if (!reply.ok())
        return failReply(reply, QStringLiteral("identification (0x0A00) at %1").arg(lineSettingsText(client.line())));
    for (quint16 v : reply.values) {
        device.block.append(char(v >> 8));
        device.block.append(char(v & 0xFF));
    }
    device.modelCode = reply.values.value(0);
    device.modelName = catalog.modelName(device.modelCode);
    device.info = DeviceInfo::fromBlock(device.block);
    device.map = &catalog.mapFor(device.modelName);

    const Document header = newDocument(device.block, device.modelName, QDateTime());
    result.json.insert("model", QJsonObject{{"code", header.modelCodeText()},
                                            {"key", device.info.modelKey},
                                            {"name", device.modelName}});
    result.json.insert("hardware", device.info.hardwareVersion);
    result.json.insert("software", device.info.softwareVersion);
    result.json.insert("uniqueId", device.info.uniqueId);
    return true;
}

bool Job::readGroups(const QVector<int> &groups, QMap<int, QVector<quint16>> *values, bool skipRefused,
                     QStringList *refused)
{
    for (int group : groups) {
        const int count = device.map->groupRegisterCounts.value(group);
        if (count <= 0)
            continue;
        status(QStringLiteral("reading group %1").arg(groupText(group)));
        const ModbusClient::Reply reply = client.read(id, quint16(group * 256), quint16(count));
        if (reply.status == ModbusClient::Status::Exception && skipRefused) {
            if (refused)
                *refused << addressText(group * 256);
            continue;
        }
        if (!reply.ok())
            return failReply(reply, QStringLiteral("reading %1").arg(addressText(group * 256)));
        values->insert(group, reply.values);
    }
    return true;
}

QMap<int, int> Job::decoded(const QMap<int, QVector<quint16>> &groups) const
{
    QMap<int, int> values;
    for (auto g = groups.cbegin(); g != groups.cend(); ++g)
        for (const Entry &e : groupEntries(*device.map, g.key(), g.value()))
            values.insert(e.address, e.value);
    return values;
}

void Job::read()
{
    const RegisterMap &map = *device.map;
    int start = -1;
    int count = r.count;
    int number = 0;
    if (parseNumber(r.target, &number) && number >= 0) {
        // Every address below 0x0100 lies in group 0, so a small number names a group.
        if (number < 256) {
            if (!map.groupRegisterCounts.contains(number)) {
                fail(ExitUsage, QStringLiteral("this device has no register group %1; %2")
                                    .arg(groupText(number), groupList(map)));
                return;
            }
            start = number * 256;
            if (count == 0)
                count = map.groupRegisterCounts.value(number);
        } else {
            start = number;
            if (count == 0)
                count = 1;
        }
    } else {
        QVector<int> matches;
        for (auto g = map.groupNames.cbegin(); g != map.groupNames.cend(); ++g) {
            if (g.value().compare(r.target, Qt::CaseInsensitive) == 0) {
                matches = {g.key()};
                break;
            }
            if (g.value().startsWith(r.target, Qt::CaseInsensitive))
                matches.append(g.key());
        }
        if (matches.size() != 1) {
            fail(ExitUsage, (matches.isEmpty()
                                 ? QStringLiteral("this device has no register group called \"%1\"; %2")
                                 : QStringLiteral("\"%1\" names several register groups; %2"))
                                .arg(r.target, groupList(map)));
            return;
        }
        start = matches.first() * 256;
        if (count == 0)
            count = map.groupRegisterCounts.value(matches.first());
    }
    if (start + count > 0x10000) {
        fail(ExitUsage, QStringLiteral("the registers run past 0xFFFF"));
        return;
    }

    status(QStringLiteral("reading %1").arg(addressText(start)));
    const ModbusClient::Reply reply = client.read(id, quint16(start), quint16(count));
    if (!reply.ok()) {
        failReply(reply, QStringLiteral("reading %1").arg(addressText(start)));
        return;
    }
    QJsonArray registers;
    for (int i = 0; i < reply.values.size(); ++i) {
        const int address = start + i;
        const QString format = map.registerFormats.value(address);
        registers.append(QJsonObject{{"address", addressText(address)},
                                     {"name", map.registerDescriptions.value(address)},
                                     {"value", decodeValue(reply.values.at(i), format)},
                                     {"range", map.registerValueRanges.value(address)},
                                     {"format", format}});
    }
    result.json.insert("registers", registers);
}

void Job::write()
{
    for (int i = 0; i < r.values.size(); ++i) {
        const QString refusal = checkWrite(*device.map, r.address + i, r.values.at(i));
        if (!refusal.isEmpty()) {
            fail(ExitUsage, refusal + QStringLiteral("; nothing was written"));
            return;
        }
    }
    QVector<quint16> raw;
    QVector<Entry> entries;
    for (int i = 0; i < r.values.size(); ++i) {
        raw.append(encodeValue(r.values.at(i)));
        entries.append({r.address + i, device.map->registerDescriptions.value(r.address + i), r.values.at(i)});
    }
    status(QStringLiteral("writing %1").arg(addressText(r.address)));
    const ModbusClient::Reply reply = client.write(id, quint16(r.address), raw);
    if (!reply.ok()) {
        failReply(reply, QStringLiteral("writing %1").arg(addressText(r.address)));
        return;
    }
    result.json.insert("written", entriesJson(entries));
}

void Job::backup()
{
    QVector<int> groups = storedGroups();
    if (r.all) {
        groups.clear();
        for (auto g = device.map->groupRegisterCounts.cbegin(); g != device.map->groupRegisterCounts.cend(); ++g)
            groups.append(g.key());
    }
    QMap<int, QVector<quint16>> values;
    QStringList refused;
    if (!readGroups(groups, &values, r.all, &refused))
        return;
    Document doc = newDocument(device.block, device.modelName, QDateTime::currentDateTimeUtc());
    for (auto g = values.cbegin(); g != values.cend(); ++g)
        addGroup(&doc, *device.map, g.key(), g.value());

    const QString file = backupFileName(r.target, result.port, id, device.info.uniqueId, device.modelName);
    QString why;
    if (!ParameterFile::write(file, toJson(doc), &why)) {
        fail(ExitUsage, QStringLiteral("cannot write %1: %2; nothing was saved").arg(file, why));
        return;
    }
    QJsonArray groupList;
    for (int g : doc.groups)
        groupList.append(groupText(g));
    result.json.insert("file", file);
    result.json.insert("groups", groupList);
    result.json.insert("registers", doc.registers.size());
    if (!refused.isEmpty())
        result.json.insert("unreadable", QJsonArray::fromStringList(refused));
}

// The line settings the device moves to when it saves these values.
LineSettings lineAfterSave(const LineSettings &now, const QMap<int, int> &values, int *slave)
{
    LineSettings line = now;
    *slave = values.value(0x0302, *slave);
    const int baud = values.value(0x0303, -1);
    if (baud >= 0 && baud < 7)
        line.baudRate = BaudRates[baud];
    if (values.contains(0x0304))
        line.stopBits = values.value(0x0304) == 1 ? QSerialPort::TwoStop : QSerialPort::OneStop;
    switch (values.value(0x0305, -1)) {
    case 0: line.parity = QSerialPort::NoParity; break;
    case 1: line.parity = QSerialPort::OddParity; break;
    case 2: line.parity = QSerialPort::EvenParity; break;
    default: break;
    }
    return line;
}

void Job::restore()
{
    const Document &doc = *document;
    if (!sameFamily(doc.modelCode, device.modelCode) && !r.force) {
        fail(ExitDevice, QStringLiteral("the file is for %1 (%2), this device is %3 (%4): refused, "
                                        "nothing was written (--force restores anyway)")
                             .arg(doc.modelName, doc.modelCodeText(), device.modelName,
                                  result.json.value("model").toObject().value("code").toString()));
        return;
    }
    const Plan plan = makePlan(doc, *device.map, r.lineSettings);
    if (!plan.errors.isEmpty()) {
        fail(ExitUsage, QStringLiteral("the register map refuses values of the file, nothing was written: %1")
                            .arg(plan.errors.join(QStringLiteral("; "))));
        return;
    }
    if (plan.isEmpty()) {
        fail(ExitUsage, QStringLiteral("the file holds no stored parameter of this device"));
        return;
    }

    QMap<int, QVector<quint16>> before;
    if (!readGroups(storedGroups(), &before, false, nullptr))
        return;
    const QMap<int, int> current = decoded(before);

    QJsonArray skipped;
    for (const Skipped &s : plan.skipped) {
        QJsonObject o{{"address", addressText(s.entry.address)}, {"name", s.entry.name},
                      {"value", s.entry.value}, {"reason", s.reason}};
        if (current.contains(s.entry.address))
            o.insert("device", current.value(s.entry.address));
        skipped.append(o);
    }
    result.json.insert("skipped", skipped);
    result.json.insert("dryRun", r.dryRun);

    QJsonArray writes;
    for (const Entry &e : plan.entries)
        writes.append(QJsonObject{{"address", addressText(e.address)}, {"name", e.name},
                                  {"device", current.value(e.address)}, {"file", e.value}});
    result.json.insert("writes", writes);
    result.json.insert("requests", plan.writes.size());

    // New line settings take effect once the device has answered the save; grivantctl must
    // be able to follow it there, which the port may not allow (a pseudo-terminal has no
    // even parity, some adapters lack a rate). Tried before anything is written.
    QMap<int, int> planned;
    for (const Entry &e : plan.entries)
        planned.insert(e.address, e.value);
    const LineSettings here = client.line();
    int nextId = id;
    LineSettings next = here;
    if (r.lineSettings) {
        QMap<int, int> line = current;
        for (auto it = planned.cbegin(); it != planned.cend(); ++it)
            if (isLineSetting(it.key()))
                line.insert(it.key(), it.value());
        next = lineAfterSave(here, line, &nextId);
    }
    const bool moves = nextId != id || lineSettingsText(next) != lineSettingsText(here);
    if (moves && !r.dryRun) {
        QString why;
        const bool follows = client.reconfigure(next, &why);
        QString back;
        if (!client.reconfigure(here, &back)) {
            fail(ExitDevice, QStringLiteral("the port cannot return to %1: %2; nothing was written")
                                 .arg(lineSettingsText(here), back));
            return;
        }
        if (!follows) {
            fail(ExitDevice, QStringLiteral("the file's line settings would move the device to %1, where this "
                                            "port cannot follow it: %2; nothing was written")
                                 .arg(lineSettingsText(next), why));
            return;
        }
    }
    if (r.dryRun)
        return;

    QVector<int> written;
    for (int w = 0; w < plan.writes.size(); ++w) {
        const Write &request = plan.writes.at(w);
        status(QStringLiteral("writing %1 (%2 of %3)").arg(addressText(request.address)).arg(w + 1).arg(plan.writes.size()));
        const ModbusClient::Reply reply = client.write(id, request.address, request.values);
        if (!reply.ok()) {
            QVector<int> notWritten;
            for (const Entry &e : plan.entries)
                if (!written.contains(e.address))
                    notWritten.append(e.address);
            result.json.insert("written", addressRanges(written));
            result.json.insert("notWritten", addressRanges(notWritten));
            result.json.insert("saved", false);
            QVector<int> requested;
            for (int a = request.address; a <= request.last(); ++a)
                requested.append(a);
            failReply(reply, QStringLiteral("writing %1 (written: %2; not written: %3; nothing saved)")
                                 .arg(addressRanges(requested),
                                      written.isEmpty() ? QStringLiteral("none") : addressRanges(written),
                                      addressRanges(notWritten)));
            return;
        }
        for (int a = request.address; a <= request.last(); ++a)
            written.append(a);
    }
    result.json.insert("written", addressRanges(written));

    status(QStringLiteral("saving"));
    const ModbusClient::Reply saved = client.write(id, SaveRegister, {SaveCommand});
    result.json.insert("saved", saved.ok());
    if (!saved.ok()) {
        failReply(saved, QStringLiteral("save command (0x0300 = 1); the values are written but not saved"));
        return;
    }

    if (moves) {
        id = nextId;
        result.json.insert("nowAt", QJsonObject{{"id", id}, {"line", lineSettingsText(next)}});
        QString why;
        if (!client.reconfigure(next, &why)) {
            fail(ExitDevice, QStringLiteral("the values are saved and the device now answers as ID %1 at %2, but "
                                            "the port refused to follow: %3; nothing was read back")
                                 .arg(id).arg(lineSettingsText(next), why));
            return;
        }
    }

    QMap<int, QVector<quint16>> after;
    if (!readGroups(storedGroups(), &after, false, nullptr))
        return;
    const QVector<Difference> differences = compare(plan.entries, decoded(after));
    QJsonArray diff;
    for (const Difference &d : differences)
        diff.append(QJsonObject{{"address", addressText(d.address)}, {"name", d.name},
                                {"file", d.expected}, {"device", d.read ? QJsonValue(d.actual) : QJsonValue()}});
    result.json.insert("differences", diff);
    if (!differences.isEmpty())
        fail(ExitDevice, QStringLiteral("%1 register(s) differ from the file after the restore").arg(differences.size()));
}

} // namespace

QString backupFileName(const QString &pattern, const QString &port, int id, const QString &uid,
                       const QString &model)
{
    QString portName = QFileInfo(port).fileName();
    portName.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    QString name = pattern;
    name.replace(QLatin1String("{port}"), portName);
    name.replace(QLatin1String("{id}"), QString::number(id));
    name.replace(QLatin1String("{uid}"), uid);
    name.replace(QLatin1String("{model}"), model);
    return name;
}

bool backupNameNamesDevice(const QString &pattern)
{
    return pattern.contains(QLatin1String("{uid}"))
           || (pattern.contains(QLatin1String("{port}")) && pattern.contains(QLatin1String("{id}")));
}

QString refuseWriteEverywhere(const Request &request, const Catalog &catalog)
{
    for (int i = 0; i < request.values.size(); ++i) {
        const int address = request.address + i;
        // Only a refusal that every map words alike is said before the device is known;
        // otherwise the device's own map says it, with its own names and ranges.
        const QString gripper = checkWrite(catalog.gripperMap(), address, request.values.at(i));
        const QString module = checkWrite(catalog.moduleMap(), address, request.values.at(i));
        if (!gripper.isEmpty() && gripper == module)
            return gripper + QStringLiteral("; nothing was written");
    }
    return QString();
}

QVector<DeviceResult> runOnDevices(const Request &request, const Catalog &catalog,
                                   const Document *document, Output::Progress *progress)
{
    QVector<DeviceResult> results;
    for (const QString &port : request.ports)
        for (int id : request.ids)
            results.append(DeviceResult{port, id, ExitOk, QString(), QJsonObject()});

    std::vector<std::unique_ptr<QThread>> workers;
    const int perPort = request.ids.size();
    for (int p = 0; p < request.ports.size(); ++p) {
        DeviceResult *portResults = results.data() + p * perPort;
        workers.emplace_back(QThread::create([&request, &catalog, document, progress, portResults, perPort] {
            ModbusClient client;
            client.setStopFlag(Interrupt::flag());
            QString why;
            const LineSettings line = request.line(portResults[0].port);
            const bool open = GatewayPort::open(client, line, portResults[0].id, request.gateway, &why);
            if (open)
                tellAdapter(client);
            for (int i = 0; i < perPort; ++i) {
                DeviceResult &result = portResults[i];
                if (Interrupt::requested()) {
                    result.exitCode = ExitDevice;
                    result.error = QStringLiteral("not reached, stopped by %1").arg(Interrupt::signalName());
                    result.json = QJsonObject{{"port", result.port}, {"id", result.id}, {"error", result.error}};
                } else if (open) {
                    Job(request, catalog, document, progress, client, result).run();
                } else {
                    result.exitCode = ExitDevice;
                    result.error = why;
                    result.json = QJsonObject{{"port", result.port}, {"id", result.id}, {"error", why}};
                }
                result.json.insert("exitCode", result.exitCode);
            }
            if (client.echoes())
                Output::err(QStringLiteral("grivantctl: %1: this adapter echoes what it sends; the echo was set "
                                           "aside before each answer")
                                .arg(line.port));
        }));
        workers.back()->start();
    }
    for (auto &worker : workers)
        worker->wait();
    if (progress)
        progress->clear();
    return results;
}
