#include "cli/session.h"

#include "cli/interrupt.h"

#include "cli/catalog.h"
#include "cli/commandline.h"
#include "cli/output.h"
#include "engine/deviceinfo.h"
#include "engine/replydecode.h"
#include "engine/sessionindex.h"
#include "engine/sessionwriter.h"
#include "link/modbusclient.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSysInfo>
#include <QThread>
#include <atomic>

namespace {

constexpr int InfoBlock = 0x0A00;
constexpr int InfoCount = 6;

struct SessionRequest
{
    QString command;   // record, info, export
    QString file;
    QString csv;
    LineSettings line;
    int id = 1;
    int seconds = 0;
    GatewayPort::Options gateway; // a gateway's bus: the broker's login
    bool json = false;
    bool force = false;
    QString language = QStringLiteral("en_US");
};

bool parseSessionArguments(const QStringList &arguments, SessionRequest *r, QString *error)
{
    QStringList positional;
    QString lineOption; // the first serial line setting given
    auto fail = [error](const QString &why) {
        *error = why;
        return false;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString token = arguments.at(i);
        if (!token.startsWith(QLatin1String("--"))) {
            positional << token;
            continue;
        }
        QString name = token;
        QString value;
        const int eq = token.indexOf(QLatin1Char('='));
        const bool inline_ = eq > 0;
        if (inline_) {
            name = token.left(eq);
            value = token.mid(eq + 1);
        }
        auto take = [&]() {
            if (inline_)
                return true;
            if (i + 1 >= arguments.size())
                return false;
            value = arguments.at(++i);
            return true;
        };
        QVector<int> numbers;
        QString wrong;
        if (GatewayPort::isOption(name)) {
            if (!take())
                return fail(QStringLiteral("%1 needs a value").arg(name));
            GatewayPort::takeOption(name, value, &r->gateway, &wrong);
            if (!wrong.isEmpty())
                return fail(wrong);
        } else if (name == QLatin1String("--json")) {
            r->json = true;
        } else if (name == QLatin1String("--force")) {
            r->force = true;
        } else if (name == QLatin1String("--port")) {
            if (!take() || value.isEmpty())
                return fail(QStringLiteral("--port needs a path"));
            r->line.port = value;
        } else if (name == QLatin1String("--id")) {
            if (!take() || !parseNumberList(value, 1, 247, &numbers) || numbers.size() != 1)
                return fail(QStringLiteral("--id needs one slave ID from 1 to 247"));
            r->id = numbers.first();
        } else if (name == QLatin1String("--seconds")) {
            bool ok = false;
            if (!take() || (r->seconds = value.toInt(&ok)) < 1 || !ok)
                return fail(QStringLiteral("--seconds needs a whole number of seconds, 1 or more"));
        } else if (name == QLatin1String("--baud")) {
            lineOption = lineOption.isEmpty() ? name : lineOption;
            if (!take() || !QVector<int>{115200, 57600, 38400, 19200, 9600, 4800, 230400}.contains(value.toInt()))
                return fail(QStringLiteral("--baud: %1 is not one of 115200, 57600, 38400, 19200, 9600, 4800, 230400").arg(value));
            r->line.baudRate = value.toInt();
        } else if (name == QLatin1String("--parity")) {
            lineOption = lineOption.isEmpty() ? name : lineOption;
            if (!take())
                return fail(QStringLiteral("--parity needs none, even or odd"));
            const QString p = value.toLower();
            if (p == QLatin1String("none") || p == QLatin1String("n"))
                r->line.parity = QSerialPort::NoParity;
            else if (p == QLatin1String("even") || p == QLatin1String("e"))
                r->line.parity = QSerialPort::EvenParity;
            else if (p == QLatin1String("odd") || p == QLatin1String("o"))
                r->line.parity = QSerialPort::OddParity;
            else
                return fail(QStringLiteral("--parity: %1 is not none, even or odd").arg(value));
        } else if (name == QLatin1String("--stopbits")) {
            lineOption = lineOption.isEmpty() ? name : lineOption;
            if (!take() || (value != QLatin1String("1") && value != QLatin1String("2")))
                return fail(QStringLiteral("--stopbits needs 1 or 2"));
            r->line.stopBits = value == QLatin1String("2") ? QSerialPort::TwoStop : QSerialPort::OneStop;
        } else if (name == QLatin1String("--lang")) {
            if (!take() || (value != QLatin1String("en") && value != QLatin1String("zh")))
                return fail(QStringLiteral("--lang needs en or zh"));
            r->language = value == QLatin1String("zh") ? QStringLiteral("zh_CN") : QStringLiteral("en_US");
        } else if (name == QLatin1String("--csv")) {
            if (!take() || value.isEmpty())
                return fail(QStringLiteral("--csv needs a file"));
            r->csv = value;
        } else {
            return fail(QStringLiteral("unknown option %1").arg(token));
        }
    }
    const QString first = positional.value(0);
    if (first == QLatin1String("record")) {
        r->command = first;
        if (positional.size() != 2)
            return fail(QStringLiteral("record needs FILE"));
        if (r->line.port.isEmpty())
            return fail(QStringLiteral("name the device's port with --port"));
        if (r->seconds < 1)
            return fail(QStringLiteral("record needs --seconds N"));
        r->file = positional.at(1);
        if (const QString why = GatewayPort::complete({r->line.port}, {r->id}, lineOption, &r->gateway); !why.isEmpty())
            return fail(why);
    } else {
        r->command = positional.value(1);
        if (r->command != QLatin1String("info") && r->command != QLatin1String("export"))
            return fail(QStringLiteral("session needs info or export"));
        if (positional.size() != 3)
            return fail(QStringLiteral("session %1 needs FILE").arg(r->command));
        r->file = positional.at(2);
        if (r->command == QLatin1String("export") && r->csv.isEmpty())
            return fail(QStringLiteral("session export needs --csv OUT"));
        if (r->command == QLatin1String("info") && !r->csv.isEmpty())
            return fail(QStringLiteral("--csv goes with session export"));
    }
    if (r->command != QLatin1String("record") && (!r->line.port.isEmpty() || r->seconds || r->force))
        return fail(QStringLiteral("--port, --seconds and --force go with record"));
    return true;
}

QString sizeText(qint64 bytes)
{
    return bytes >= 1 << 20 ? QStringLiteral("%1 MB").arg(bytes / 1048576.0, 0, 'f', 1)
                            : QStringLiteral("%1 kB").arg(bytes / 1024.0, 0, 'f', 1);
}

// Polls every group of the map at the window's periods, as its polling engine does: a
// first pass over all groups, then each group once more than its period has passed.
int record(const SessionRequest &r, const Catalog &catalog)
{
    // An existing file is never replaced unasked, and never one that is not a file.
    QString why;
    const SessionWriter::Existing existing = r.force ? SessionWriter::Replace : SessionWriter::Refuse;
    if (!SessionWriter::mayWrite(r.file, existing, &why)) {
        if (!r.force && QFileInfo(r.file).isFile())
            why += QStringLiteral(" Give --force to replace it.");
        Output::err(QStringLiteral("grivantctl: ") + why);
        return ExitUsage;
    }
    ModbusClient client;
    // A signal ends the recording after the request on the wire; the file is finished.
    client.setStopFlag(Interrupt::flag());
    if (!GatewayPort::open(client, r.line, r.id, r.gateway, &why)) {
        Output::err(QStringLiteral("grivantctl: ") + why);
        return ExitDevice;
    }
    // Reads are not repeated, as the window's polling does not repeat them: a failure is
    // recorded as it happened.
    client.setAttempts(1);
    QVector<TrafficFrame> early;
    SessionWriter writer;
    client.setFrameObserver([&](const TrafficFrame &f) {
        if (writer.isRecording())
            writer.addFrame(f);
        else
            early << f;
    });

    ModbusClient::Reply ident;
    for (int attempt = 0; attempt < 3 && !ident.ok(); ++attempt)
        ident = client.read(r.id, InfoBlock, InfoCount);
    if (!ident.ok()) {
        Output::err(QStringLiteral("grivantctl: %1 ID %2: identification (0x0A00) at %3: %4")
                        .arg(r.line.port, QString::number(r.id), lineSettingsText(r.line), ident.errorText()));
        return ident.status == ModbusClient::Status::NoAnswer ? ExitNoAnswer : ExitDevice;
    }
    QByteArray block;
    for (quint16 v : ident.values) {
        block.append(char(v >> 8));
        block.append(char(v & 0xFF));
    }
    const QString model = catalog.modelName(ident.values.value(0));
    const RegisterMap &map = catalog.mapFor(model);

    SessionHeader h;
    h.program = QStringLiteral("grivantctl ") + QCoreApplication::applicationVersion();
    h.hostOs = QSysInfo::prettyProductName();
    h.startEpochUs = early.isEmpty() ? SessionWriter::nowEpochUs() : early.first().timeUs;
    h.port = r.line.port;
    h.baudRate = r.line.baudRate;
    h.parity = int(r.line.parity);
    h.stopBits = r.line.stopBits == QSerialPort::TwoStop ? 2 : 1;
    h.slaveId = r.id;
    h.ident = block;
    h.modelName = model;
    h.language = r.language;
    h.mapName = SessionFormat::mapNameFor(model);
    if (!writer.start(r.file, h, &map, &why, existing)) {
        Output::err(QStringLiteral("grivantctl: ") + why);
        return ExitDevice;
    }
    for (const TrafficFrame &f : qAsConst(early))
        writer.addFrame(f);
    SessionEvent e;
    e.tUs = 1;
    e.kind = SessionFormat::Connected;
    e.text = QStringLiteral("%1 %2").arg(r.line.port, lineSettingsText(r.line));
    e.data = QString::fromLatin1(block.toHex());
    writer.addEvent(e);
    e.kind = SessionFormat::Identified;
    e.text = model;
    writer.addEvent(e);

    struct Job { quint16 start; quint16 count; qint64 period; qint64 last = -1; };
    QVector<Job> jobs;
    for (auto g = map.groupRegisterCounts.cbegin(); g != map.groupRegisterCounts.cend(); ++g)
        if (g.value() > 0 && isRegisterByte(g.key()))
            jobs.append({quint16(g.key() * 256), quint16(qMin(g.value(), 125)),
                         ReplyDecode::pollingInterval(map.groupScanRates.value(g.key()), quint32(r.line.baudRate))});

    Output::Progress progress;
    QElapsedTimer clock;
    clock.start();
    const qint64 endMs = qint64(r.seconds) * 1000;
    qint64 failures = 0;
    // A commit the disk refuses ends the recording (within a second): the file holds
    // what was committed before.
    while (!Interrupt::requested() && clock.elapsed() < endMs && writer.isRecording()) {
        const qint64 now = clock.elapsed();
        Job *due = nullptr;
        qint64 soonest = endMs;
        for (Job &job : jobs) {
            const qint64 dueAt = job.last < 0 ? 0 : job.last + job.period + 1;
            if (dueAt <= now && (!due || dueAt < (due->last < 0 ? 0 : due->last + due->period + 1)))
                due = &job;
            soonest = qMin(soonest, dueAt);
        }
        if (!due) {
            QThread::msleep(quint64(qBound<qint64>(1, soonest - now, 50)));
            continue;
        }
        due->last = now;
        if (!client.read(r.id, due->start, due->count).ok())
            ++failures;
        progress.show(QStringLiteral("recording %1 s of %2: %3 frames, %4")
                          .arg(clock.elapsed() / 1000).arg(r.seconds)
                          .arg(writer.framesWritten()).arg(sizeText(writer.bytesOnDisk())));
    }
    progress.clear();
    e = SessionEvent();
    e.kind = SessionFormat::Disconnected;
    writer.addEvent(e);
    client.close();
    const bool failed = !writer.isRecording();
    if (!writer.finish(&why) || failed) {
        Output::err(QStringLiteral("grivantctl: %1: the recording ended at %2: %3")
                        .arg(r.file, SessionFormat::timeText(clock.elapsed() * 1000), why));
        if (QFileInfo::exists(r.file))
            Output::err(QStringLiteral("grivantctl: %1 holds what was recorded before (%2 frames)")
                            .arg(r.file, QString::number(writer.framesWritten())));
        return ExitDevice;
    }
    Output::out(QStringLiteral("%1: %2 s of %3 (%4) at %5 ID %6: %7 frames, %8 without a good answer, %9")
                    .arg(r.file, QString::number(clock.elapsed() / 1000.0, 'f', 1), model,
                         DeviceInfo::fromBlock(block).uniqueId, r.line.port, QString::number(r.id),
                         QString::number(writer.framesWritten()), QString::number(failures),
                         sizeText(QFileInfo(writer.path()).size())));
    if (Interrupt::requested()) {
        Output::err(QStringLiteral("grivantctl: recording stopped by %1; the file is complete up to then")
                        .arg(QLatin1String(Interrupt::signalName())));
        return 128 + Interrupt::signalNumber();
    }
    return ExitOk;
}

// What a session holds: its device, line, length, traffic and writes.
QJsonObject summary(const SessionData &data, const Catalog &catalog)
{
    const SessionHeader &h = data.header;
    const DeviceInfo info = DeviceInfo::fromBlock(h.ident);
    const quint16 code = h.ident.size() >= 2 ? quint16(quint8(h.ident.at(0)) << 8 | quint8(h.ident.at(1))) : 0;
    const QString known = catalog.modelName(code);
    int requests = 0, answers = 0, noAnswer = 0, exceptions = 0, badCrc = 0, writeRequests = 0;
    for (int i = 0; i < data.frames.size(); ++i) {
        const TrafficFrame f = data.frames.light(i);
        const TrafficDecoded d = decodeTraffic(f);
        if (f.direction == TrafficFrame::Sent) {
            ++requests;
            writeRequests += d.kind == TrafficDecoded::WriteSingle || d.kind == TrafficDecoded::WriteMultiple;
        } else if (f.direction == TrafficFrame::NoAnswer) {
            ++noAnswer;
        } else {
            ++answers;
            exceptions += d.kind == TrafficDecoded::Exception;
            badCrc += d.crc == TrafficDecoded::CrcBad;
        }
    }
    QJsonObject writes{{"requestsSent", writeRequests}};
    QJsonObject events;
    for (const SessionEvent &e : data.events) {
        static const QMap<QString, QString> names = {
            {SessionFormat::WriteQueued, "queued"}, {SessionFormat::WriteConfirmed, "confirmed"},
            {SessionFormat::WriteGivenUp, "givenUp"}, {SessionFormat::WriteUnknown, "outcomeUnknown"},
            {SessionFormat::WriteRefused, "refused"}};
        if (names.contains(e.kind))
            writes.insert(names.value(e.kind), writes.value(names.value(e.kind)).toInt() + 1);
        events.insert(e.kind, events.value(e.kind).toInt() + 1);
    }
    for (const char *key : {"queued", "confirmed", "givenUp", "outcomeUnknown", "refused"})
        if (!writes.contains(key))
            writes.insert(key, 0);
    return QJsonObject{
        {"formatVersion", h.formatVersion},
        {"program", h.program},
        {"hostOs", h.hostOs},
        {"start", QDateTime::fromMSecsSinceEpoch(h.startEpochUs / 1000, Qt::UTC).toString(Qt::ISODateWithMs)},
        {"durationSeconds", data.durationUs / 1e6},
        {"endedCleanly", h.durationUs >= 0},
        {"device", QJsonObject{{"model", h.modelName}, {"code", QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0'))},
                               {"knownToThisBuild", known != QLatin1String("Grivant") || h.modelName == QLatin1String("Grivant")},
                               {"hardware", info.hardwareVersion}, {"software", info.softwareVersion},
                               {"uniqueId", info.uniqueId}}},
        {"line", QJsonObject{{"port", h.port}, {"settings", TrafficText::line(QString(), h.baudRate, h.parity, h.stopBits).trimmed()},
                             {"id", h.slaveId}}},
        {"registerMap", QJsonObject{{"name", h.mapName}, {"sha256", h.mapHash}, {"inFile", data.hasMap}}},
        {"frames", QJsonObject{{"total", data.frames.size()}, {"requests", requests}, {"answers", answers},
                               {"noAnswer", noAnswer}, {"exceptions", exceptions}, {"badCrc", badCrc},
                               {"failures", noAnswer + exceptions + badCrc}}},
        {"writes", writes},
        {"events", events},
        {"remarks", QJsonArray::fromStringList(data.remarks)},
    };
}

int info(const SessionRequest &r, const SessionData &data, const Catalog &catalog)
{
    QJsonObject s = summary(data, catalog);
    s.insert("file", r.file);
    if (r.json) {
        Output::outJson(QJsonDocument(s));
        return ExitOk;
    }
    const QJsonObject d = s.value("device").toObject();
    const QJsonObject l = s.value("line").toObject();
    const QJsonObject f = s.value("frames").toObject();
    const QJsonObject w = s.value("writes").toObject();
    const QJsonObject e = s.value("events").toObject();
    auto n = [](const QJsonObject &o, const char *key) { return QString::number(o.value(key).toInt()); };
    Output::out(QStringLiteral("Device:    %1 (model code 0x%2%3), hardware %4, software %5, unique ID %6")
                    .arg(d.value("model").toString(), d.value("code").toString(),
                         d.value("knownToThisBuild").toBool() ? QString() : QStringLiteral(", unknown to this build"),
                         d.value("hardware").toString(), d.value("software").toString(), d.value("uniqueId").toString()));
    Output::out(QStringLiteral("Line:      %1 %2, ID %3").arg(l.value("port").toString(), l.value("settings").toString(), n(l, "id")));
    Output::out(QStringLiteral("Recorded:  %1 by %2 on %3").arg(s.value("start").toString(), s.value("program").toString(),
                                                                  s.value("hostOs").toString()));
    Output::out(QStringLiteral("Duration:  %1%2").arg(SessionFormat::timeText(data.durationUs),
                                                      s.value("endedCleanly").toBool() ? QString() : QStringLiteral(" (did not end cleanly)")));
    Output::out(QStringLiteral("Frames:    %1: %2 requests, %3 answers; failures %4 (no answer %5, exceptions %6, bad CRC %7)")
                    .arg(n(f, "total"), n(f, "requests"), n(f, "answers"), n(f, "failures"), n(f, "noAnswer"),
                         n(f, "exceptions"), n(f, "badCrc")));
    Output::out(QStringLiteral("Writes:    %1 queued, %2 sent; %3 confirmed, %4 refused by the device, %5 given up, %6 outcome unknown")
                    .arg(n(w, "queued"), n(w, "requestsSent"), n(w, "confirmed"), n(w, "refused"), n(w, "givenUp"),
                         n(w, "outcomeUnknown")));
    Output::out(QStringLiteral("Events:    connections %1, disconnections %2, notices %3, log lines %4")
                    .arg(n(e, SessionFormat::Connected), n(e, SessionFormat::Disconnected), n(e, SessionFormat::Notice),
                         n(e, SessionFormat::Log)));
    for (const QJsonValue &remark : s.value("remarks").toArray())
        Output::out(QStringLiteral("Note:      ") + remark.toString());
    return ExitOk;
}

// One row per answer, with every register read as it stood then: the newest value of
// each, formatted as the register map formats it. Written row by row into a file beside
// the target that replaces it once complete: a session of millions of answers never waits
// in memory, and a failure or a signal leaves the target as it was.
int exportCsv(const SessionRequest &r, const SessionData &data, const Catalog &catalog)
{
    QString why;
    if (!SessionWriter::mayWrite(r.csv, SessionWriter::Replace, &why)) {
        Output::err(QStringLiteral("grivantctl: cannot write %1: %2").arg(r.csv, why));
        return ExitDevice;
    }
    QSaveFile out(r.csv);
    // Unbuffered: every refusal of the disk is seen where it happens.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        Output::err(QStringLiteral("grivantctl: cannot write %1: %2").arg(r.csv, out.errorString()));
        return ExitDevice;
    }
    QByteArray pending;
    auto flush = [&](qint64 atLeast) {
        if (pending.size() < atLeast)
            return true;
        for (qint64 done = 0; done < pending.size();) {
            const qint64 n = out.write(pending.constData() + done, pending.size() - done);
            if (n <= 0)
                return false;
            done += n;
        }
        pending.clear();
        return true;
    };
    auto failed = [&] {
        Output::err(QStringLiteral("grivantctl: cannot write %1: %2").arg(r.csv, out.errorString()));
        out.cancelWriting();
        return ExitDevice;
    };

    const SessionIndex index(&data);
    const RegisterMap &map = data.hasMap ? data.map : catalog.mapFor(data.header.modelName);
    const QVector<int> registers = index.registersRead();
    std::vector<int> column(0x10000, -1);
    QStringList header{QStringLiteral("time_s")};
    for (int i = 0; i < registers.size(); ++i) {
        const int a = registers.at(i);
        const QString name = map.registerDescriptions.value(a);
        header << TrafficText::csvField(QStringLiteral("0x%1%2").arg(a, 4, 16, QLatin1Char('0'))
                                            .arg(name.isEmpty() ? QString() : QLatin1Char(' ') + name));
        column[size_t(a)] = i;
    }
    pending = "\xEF\xBB\xBF" + header.join(QLatin1Char(',')).toUtf8() + "\r\n";
    QVector<QByteArray> row(registers.size());
    for (const SessionIndex::Reply &reply : index.replies()) {
        if (Interrupt::requested()) {
            out.cancelWriting();
            Output::err(QStringLiteral("grivantctl: export stopped by %1; %2 left as it was")
                            .arg(QLatin1String(Interrupt::signalName()), r.csv));
            return 128 + Interrupt::signalNumber();
        }
        const QVector<quint16> values = index.values(reply);
        for (int i = 0; i < values.size(); ++i)
            row[column[size_t(reply.start + i)]] =
                ReplyDecode::valueText(qint16(values.at(i)), map.registerFormats.value(reply.start + i)).toUtf8();
        pending += QByteArray::number(reply.tUs / 1e6, 'f', 6);
        for (const QByteArray &cell : qAsConst(row)) {
            pending += ',';
            pending += cell;
        }
        pending += "\r\n";
        if (!flush(1 << 18))
            return failed();
    }
    if (!flush(0))
        return failed();
    if (!out.commit()) {
        Output::err(QStringLiteral("grivantctl: cannot write %1: %2").arg(r.csv, out.errorString()));
        return ExitDevice;
    }
    Output::out(QStringLiteral("%1: %2 rows, %3 registers").arg(r.csv, QString::number(index.replies().size()), QString::number(registers.size())));
    // What the rows leave out (a damaged end, answers that did not fit) is said beside them.
    for (const QString &remark : data.remarks)
        Output::err(QStringLiteral("grivantctl: note: ") + remark);
    return ExitOk;
}

} // namespace

bool isSessionCommand(const QStringList &arguments)
{
    for (const QString &a : arguments) {
        if (a.startsWith(QLatin1Char('-')))
            continue;
        return a == QLatin1String("record") || a == QLatin1String("session");
    }
    return false;
}

int runSessionCommand(const QStringList &arguments)
{
    SessionRequest r;
    QString error;
    if (!parseSessionArguments(arguments, &r, &error)) {
        Output::err(QStringLiteral("grivantctl: %1 (see grivantctl --help)").arg(error));
        return ExitUsage;
    }
    Catalog catalog;
    if (!catalog.load(r.language, &error)) {
        Output::err(QStringLiteral("grivantctl: ") + error);
        return ExitDevice;
    }
    if (r.command == QLatin1String("record"))
        return record(r, catalog);
    SessionData data;
    if (!readSession(r.file, &data, &error, Interrupt::flag())) {
        if (Interrupt::requested()) {
            Output::err(QStringLiteral("grivantctl: stopped by %1 while reading %2")
                            .arg(QLatin1String(Interrupt::signalName()), r.file));
            return 128 + Interrupt::signalNumber();
        }
        Output::err(QStringLiteral("grivantctl: ") + error);
        return ExitUsage;
    }
    return r.command == QLatin1String("info") ? info(r, data, catalog) : exportCsv(r, data, catalog);
}

const char *sessionUsageText()
{
    return R"(
Sessions (a recording of one device, see docs/session-format.md):
  record --port PORT [--id N] --seconds N [--force] FILE
                             poll every register group at the window's periods for N
                             seconds and record every frame to FILE (.grivant-session);
                             Ctrl-C ends the recording early, the file complete. An
                             existing FILE is replaced only with --force, and only once
                             the new recording holds its first second
  session info FILE          device, duration, frames, failures, writes and their
                             outcomes (--json for machine-readable output)
  session export FILE --csv OUT
                             one row per answer, one column per register read, values as
                             the register map formats them
  record takes --baud, --parity, --stopbits and --lang as the device commands do, and a
  gateway's bus (--port mqtt://...) with the same broker options.
)";
}
