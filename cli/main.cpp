// grivantctl: the command-line companion of the setup tool, for production lines and for
// replacing a device by copying its parameters.
#include "cli/catalog.h"
#include "cli/commandline.h"
#include "cli/devicejob.h"
#include "cli/doctor.h"
#include "cli/interrupt.h"
#include "cli/output.h"
#include "cli/scan.h"
#include "cli/session.h"
#include "data/parameterbackup.h"
#include "data/parameterfile.h"
#include "engine/deviceinfo.h"
#include "link/connectionfunc.h"
#include "link/portaddress.h"
#include "link/portidentity.h"
#include "link/portlist.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

using namespace ParameterBackup;

namespace {

// The scanner and the databases write diagnostic lines for the window's log; a command
// line keeps its output for the answer.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    Output::err(QStringLiteral("grivantctl: ") + message);
}

QString parityName(int parity)
{
    switch (parity) {
    case 2: return QStringLiteral("even");
    case 3: return QStringLiteral("odd");
    default: return QStringLiteral("none");
    }
}

QString modelText(const QJsonObject &device)
{
    return device.value("model").toObject().value("name").toString();
}

QString heading(const QJsonObject &device)
{
    return QStringLiteral("%1 ID %2 %3")
        .arg(device.value("port").toString(), QString::number(device.value("id").toInt()), modelText(device));
}

QString valueText(const QJsonValue &v)
{
    return v.isUndefined() || v.isNull() ? QStringLiteral("-") : QString::number(v.toInt());
}

QVector<QStringList> registerRows(const QJsonArray &list, const QStringList &keys)
{
    QVector<QStringList> rows;
    for (const QJsonValue &item : list) {
        const QJsonObject o = item.toObject();
        QStringList row;
        for (const QString &key : keys) {
            const QJsonValue v = o.value(key);
            row << (v.isString() ? (v.toString().isEmpty() ? QStringLiteral("-") : v.toString()) : valueText(v));
        }
        rows << row;
    }
    return rows;
}

void printLines(const QStringList &lines)
{
    for (const QString &line : lines)
        Output::out(line);
}

// Every register of the file that a restore leaves alone, one line per reason. Registers
// outside the stored groups (a backup made with --all) are many and named by address.
void printSkipped(const QJsonArray &skipped)
{
    QStringList reasons;
    QMap<QString, QStringList> named;
    QMap<QString, QVector<int>> addresses;
    for (const QJsonValue &s : skipped) {
        const QJsonObject o = s.toObject();
        const QString reason = o.value("reason").toString();
        const int address = o.value("address").toString().toInt(nullptr, 16);
        if (!reasons.contains(reason))
            reasons << reason;
        const QString name = o.value("name").toString();
        named[reason] << (name.isEmpty() || name == o.value("address").toString()
                              ? o.value("address").toString()
                              : QStringLiteral("%1 %2").arg(o.value("address").toString(), name));
        addresses[reason] << address;
    }
    for (const QString &reason : reasons) {
        const bool many = named.value(reason).size() > 8;
        Output::out(QStringLiteral("  not written (%1): %2")
                        .arg(reason, many ? addressRanges(addresses.value(reason))
                                          : named.value(reason).join(QStringLiteral(", "))));
    }
}

// Text for people, from the same data the JSON output carries.
void printDevice(Request::Command command, const QJsonObject &d, bool several)
{
    switch (command) {
    case Request::Command::Read:
        if (!d.contains("registers"))
            break;
        if (several)
            Output::out(heading(d) + QLatin1Char(':'));
        printLines(Output::table({"ADDRESS", "NAME", "VALUE", "RANGE"},
                                 registerRows(d.value("registers").toArray(), {"address", "name", "value", "range"})));
        if (several)
            Output::out(QString());
        break;
    case Request::Command::Write:
        for (const QJsonValue &w : d.value("written").toArray()) {
            const QJsonObject o = w.toObject();
            Output::out(QStringLiteral("%1: wrote %2 %3 = %4")
                            .arg(heading(d), o.value("address").toString(), o.value("name").toString(),
                                 QString::number(o.value("value").toInt())));
        }
        break;
    case Request::Command::Backup: {
        if (!d.contains("file"))
            break; // not saved: the reason goes to stderr
        QStringList groups;
        for (const QJsonValue &g : d.value("groups").toArray())
            groups << g.toString();
        Output::out(QStringLiteral("%1: %2 registers of groups %3 saved to %4")
                        .arg(heading(d), QString::number(d.value("registers").toInt()),
                             groups.join(QStringLiteral(", ")), d.value("file").toString()));
        if (d.contains("unreadable"))
            Output::out(QStringLiteral("  groups the device refused to read: %1")
                            .arg(d.value("unreadable").toVariant().toStringList().join(QStringLiteral(", "))));
        break;
    }
    case Request::Command::Restore: {
        if (!d.contains("writes"))
            break;
        const QJsonArray writes = d.value("writes").toArray();
        if (d.value("dryRun").toBool()) {
            Output::out(QStringLiteral("%1: dry run, nothing sent; %2 register(s) in %3 request(s), then 0x0300 Save = 1:")
                            .arg(heading(d), QString::number(writes.size()),
                                 QString::number(d.value("requests").toInt())));
            QVector<QStringList> rows = registerRows(writes, {"address", "name", "device", "file"});
            for (int i = 0; i < rows.size(); ++i)
                rows[i] << (rows[i].at(2) == rows[i].at(3) ? QString() : QStringLiteral("*"));
            printLines(Output::table({"ADDRESS", "NAME", "DEVICE", "FILE", "CHANGE"}, rows));
        } else if (d.value("saved").toBool()) {
            Output::out(QStringLiteral("%1: %2 register(s) written in %3 request(s) (%4), saved, read back: %5")
                            .arg(heading(d), QString::number(writes.size()),
                                 QString::number(d.value("requests").toInt()), d.value("written").toString(),
                                 d.value("differences").toArray().isEmpty()
                                     ? QStringLiteral("no differences")
                                     : QStringLiteral("%1 difference(s)").arg(d.value("differences").toArray().size())));
            if (!d.value("differences").toArray().isEmpty())
                printLines(Output::table({"ADDRESS", "NAME", "FILE", "DEVICE"},
                                         registerRows(d.value("differences").toArray(),
                                                      {"address", "name", "file", "device"})));
            if (d.contains("nowAt"))
                Output::out(QStringLiteral("  the device now answers as ID %1 at %2")
                                .arg(d.value("nowAt").toObject().value("id").toInt())
                                .arg(d.value("nowAt").toObject().value("line").toString()));
        }
        if (d.value("dryRun").toBool() || d.value("saved").toBool())
            printSkipped(d.value("skipped").toArray());
        QVector<QStringList> kept;
        for (const QJsonValue &s : d.value("skipped").toArray()) {
            const QJsonObject o = s.toObject();
            if (isLineSetting(o.value("address").toString().toInt(nullptr, 16)) && o.contains("device")
                && o.value("device").toInt() != o.value("value").toInt())
                kept << QStringList{o.value("address").toString(), o.value("name").toString(),
                                    valueText(o.value("device")), valueText(o.value("value"))};
        }
        if (!kept.isEmpty()) {
            Output::out(QStringLiteral("  line settings kept as the device has them (--line-settings restores them):"));
            for (const QString &line : Output::table({"ADDRESS", "NAME", "DEVICE", "FILE"}, kept))
                Output::out(QStringLiteral("  ") + line);
        }
        break;
    }
    default:
        break;
    }
}

int combinedExit(const QVector<DeviceResult> &results)
{
    int code = ExitOk;
    for (const DeviceResult &r : results) {
        if (r.exitCode == ExitUsage)
            return ExitUsage;
        if (r.exitCode == ExitDevice)
            code = ExitDevice;
        else if (r.exitCode == ExitNoAnswer && code == ExitOk)
            code = ExitNoAnswer;
    }
    return code;
}

// A scan that may take longer than this says so before it starts.
constexpr qint64 LongScanMs = 10000;

QString durationText(qint64 ms)
{
    if (ms < 90 * 1000)
        return QStringLiteral("about %1 seconds").arg((ms + 500) / 1000);
    return QStringLiteral("about %1 minutes").arg((ms + 30 * 1000) / 60000);
}

int idCount(const QVector<int> &ids)
{
    return *std::max_element(ids.cbegin(), ids.cend()) - *std::min_element(ids.cbegin(), ids.cend()) + 1;
}

QString scanSize(const QVector<int> &ids, const QVector<qint32> &bauds, const QVector<int> &parities, bool serial)
{
    if (!serial)
        return QStringLiteral("%1 ID(s) on each network port, the ports in parallel").arg(idCount(ids));
    const int idTotal = idCount(ids);
    const int baudCount = bauds.isEmpty() ? 7 : bauds.size();
    const int parityCount = parities.isEmpty() ? 3 : parities.size();
    return QStringLiteral("%1 baud rate(s) x %2 parit%3 x %4 ID(s) on each port, the ports in parallel")
        .arg(baudCount).arg(parityCount).arg(parityCount == 1 ? QStringLiteral("y") : QStringLiteral("ies")).arg(idTotal);
}

int scan(const Request &r, const Catalog &catalog, Output::Progress *progress)
{
    QStringList ports = r.ports;
    if (ports.isEmpty())
        for (const PortEntry &entry : PortList::available())
            ports << entry.name;
    if (ports.isEmpty()) {
        Output::err(QStringLiteral("grivantctl: no serial port found; name one with --port"));
        return ExitNoAnswer;
    }
    QVector<int> ids = r.ids;
    if (ids.isEmpty())
        for (int id = 1; id <= 247; ++id)
            ids << id;
    // A wide sweep of a silent port takes many minutes; whoever waits should know it first.
    // A network port has no line settings to try, only its IDs.
    const bool serial = !std::all_of(ports.cbegin(), ports.cend(), PortAddresses::looksLikeNetwork);
    qint64 estimate = serial ? scanDurationMs(ids, r.bauds, r.parities) : 0;
    for (const QString &port : qAsConst(ports))
        if (PortAddresses::looksLikeNetwork(port))
            estimate = qMax(estimate, qint64(idCount(ids)) * Connectionfunc::networkWaitTime(port));
    if (estimate >= LongScanMs)
        Output::err(QStringLiteral("grivantctl: this scan takes up to %1 when nothing answers (%2); %3 make%4 it "
                                   "shorter, Ctrl+C stops it")
                        .arg(durationText(estimate), scanSize(ids, r.bauds, r.parities, serial),
                             serial ? QStringLiteral("--baud, --parity and --ids") : QStringLiteral("--ids"),
                             serial ? QString() : QStringLiteral("s")));
    const ScanOutcome outcome = scanPorts(ports, ids, r.bauds, r.parities, progress);

    QJsonArray devices;
    QVector<QStringList> rows;
    for (const FoundDevice &f : outcome.devices) {
        const DeviceInfo info = DeviceInfo::fromBlock(f.block);
        const Document header = newDocument(f.block, QString(), QDateTime());
        const QString name = catalog.modelName(header.modelCode);
        // The line settings of a device behind a network port are the device server's.
        const bool network = PortAddresses::looksLikeNetwork(f.port);
        const QJsonValue none(QJsonValue::Null);
        devices.append(QJsonObject{{"port", f.port}, {"baud", network ? none : QJsonValue(f.baudRate)},
                                   {"parity", network ? none : QJsonValue(parityName(f.parity))},
                                   {"stopBits", network ? none : QJsonValue(f.stopBits)}, {"id", f.id},
                                   {"model", QJsonObject{{"code", header.modelCodeText()}, {"key", info.modelKey},
                                                         {"name", name}}},
                                   {"hardware", info.hardwareVersion}, {"software", info.softwareVersion},
                                   {"uniqueId", info.uniqueId}});
        const QString dash = QStringLiteral("-");
        rows << QStringList{f.port, network ? dash : QString::number(f.baudRate), network ? dash : parityName(f.parity),
                            network ? dash : QString::number(f.stopBits), QString::number(f.id), name,
                            info.hardwareVersion, info.softwareVersion, info.uniqueId};
    }
    for (const QString &why : outcome.portErrors)
        Output::err(QStringLiteral("grivantctl: ") + why);
    if (r.json)
        Output::outJson(QJsonDocument(QJsonObject{{"devices", devices},
                                                  {"portErrors", QJsonArray::fromStringList(outcome.portErrors)}}));
    else if (!rows.isEmpty())
        printLines(Output::table({"PORT", "BAUD", "PARITY", "STOP", "ID", "MODEL", "HW", "SW", "UNIQUE ID"}, rows));
    else
        Output::err(QStringLiteral("grivantctl: no device answered"));
    if (!outcome.portErrors.isEmpty())
        return ExitDevice;
    return rows.isEmpty() ? ExitNoAnswer : ExitOk;
}

int deviceCommand(const Request &r, const Catalog &catalog, Output::Progress *progress)
{
    QString error;
    Document document;
    if (r.command == Request::Command::Restore) {
        QByteArray content;
        if (!ParameterFile::read(r.target, &content, &error)) {
            Output::err(QStringLiteral("grivantctl: cannot read %1: %2; nothing was written").arg(r.target, error));
            return ExitUsage;
        }
        if (!fromJson(content, &document, &error)) {
            Output::err(QStringLiteral("grivantctl: %1: %2; nothing was written").arg(r.target, error));
            return ExitUsage;
        }
    }
    if (r.command == Request::Command::Write) {
        const QString refusal = refuseWriteEverywhere(r, catalog);
        if (!refusal.isEmpty()) {
            Output::err(QStringLiteral("grivantctl: ") + refusal);
            return ExitUsage;
        }
    }
    const bool several = r.ports.size() * r.ids.size() > 1;
    if (r.command == Request::Command::Backup && several && !backupNameNamesDevice(r.target)) {
        Output::err(QStringLiteral("grivantctl: several devices need several files: put {uid}, or {port} and {id}, "
                                   "in the file name"));
        return ExitUsage;
    }

    const QVector<DeviceResult> results = runOnDevices(r, catalog, &document, progress);

    if (r.json) {
        QJsonArray devices;
        for (const DeviceResult &result : results)
            devices.append(result.json);
        Output::outJson(QJsonDocument(QJsonObject{{"devices", devices}}));
    } else if (r.command == Request::Command::Info) {
        QVector<QStringList> rows;
        for (const DeviceResult &result : results) {
            const QJsonObject d = result.json;
            if (!d.contains("model"))
                continue;
            rows << QStringList{d.value("port").toString(), QString::number(d.value("id").toInt()),
                                d.value("line").toString(), modelText(d),
                                d.value("model").toObject().value("code").toString(),
                                d.value("hardware").toString(), d.value("software").toString(),
                                d.value("uniqueId").toString()};
        }
        if (!rows.isEmpty())
            printLines(Output::table({"PORT", "ID", "LINE", "MODEL", "CODE", "HW", "SW", "UNIQUE ID"}, rows));
    } else {
        for (const DeviceResult &result : results)
            printDevice(r.command, result.json, several);
    }
    for (const DeviceResult &result : results)
        if (!result.error.isEmpty())
            Output::err(QStringLiteral("grivantctl: %1 ID %2: %3").arg(result.port, QString::number(result.id), result.error));
    return combinedExit(results);
}

int run()
{
    Request request;
    QString error;
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (isSessionCommand(arguments) && !arguments.contains(QStringLiteral("--help"))
        && !arguments.contains(QStringLiteral("-h")))
        return runSessionCommand(arguments);
    if (!parseCommandLine(arguments, &request, &error)) {
        Output::err(QStringLiteral("grivantctl: %1 (see grivantctl --help)").arg(error));
        return ExitUsage;
    }
    if (request.command == Request::Command::Help) {
        QStringList lines = (QString::fromUtf8(usageText()) + QString::fromUtf8(sessionUsageText()))
                                .split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (const QString &line : lines)
            Output::out(line);
        return ExitOk;
    }
    if (request.command == Request::Command::Version) {
        Output::out(QStringLiteral("grivantctl ") + QCoreApplication::applicationVersion());
        return ExitOk;
    }

    // Two names of one line (a by-id link and its ttyUSB name) would get two workers that
    // garble each other's frames: the line is served once, under the first name.
    QVector<PortIdentity::Duplicate> duplicates;
    request.ports = PortIdentity::distinct(request.ports, &duplicates);
    for (const PortIdentity::Duplicate &d : duplicates)
        Output::err(QStringLiteral("grivantctl: %1 is the same port as %2; it is served once, as %2")
                        .arg(d.name, d.sameAs));

    if (request.command == Request::Command::Doctor) {
        int code = ExitOk;
        const QJsonObject report = Doctor::examine(request, &code);
        if (request.json)
            Output::outJson(QJsonDocument(report));
        else
            printLines(Doctor::text(report));
        if (report.contains("error"))
            Output::err(QStringLiteral("grivantctl: ") + report.value("error").toString());
        if (!Interrupt::requested())
            return code;
        Output::err(QStringLiteral("grivantctl: stopped by %1").arg(QLatin1String(Interrupt::signalName())));
        return 128 + Interrupt::signalNumber();
    }
    Catalog catalog;
    if (!catalog.load(request.language, &error)) {
        Output::err(QStringLiteral("grivantctl: ") + error);
        return ExitDevice;
    }
    Output::Progress progress;
    const int code = request.command == Request::Command::Scan ? scan(request, catalog, &progress)
                                                               : deviceCommand(request, catalog, &progress);
    if (!Interrupt::requested())
        return code;
    Output::err(QStringLiteral("grivantctl: stopped by %1").arg(QLatin1String(Interrupt::signalName())));
    return 128 + Interrupt::signalNumber();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("grivantctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GRIVANT_VERSION));
    Q_INIT_RESOURCE(resources);
    qInstallMessageHandler(quietMessages);
    Interrupt::install();
    return Output::finish(run());
}
