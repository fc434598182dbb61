#include "cli/doctor.h"

#include "app/installpaths.h"
#include "cli/interrupt.h"
#include "data/parameterbackup.h"
#include "link/modbusclient.h"
#include "link/serialadapter.h"

#include <QFile>
#include <QJsonArray>

using namespace SerialAdapter;

namespace {

// The window's wait for an answer (its link's fixed time-out).
constexpr int WindowTimeoutMs = 150;
// Unanswered reads after which a silent device is given up.
constexpr int SilentReads = 3;

QJsonValue orNull(int value)
{
    return value < 0 ? QJsonValue() : QJsonValue(value);
}

QJsonValue msOrNull(double ms)
{
    return ms < 0 ? QJsonValue() : QJsonValue(qRound(ms * 10) / 10.0);
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Usb: return QStringLiteral("usb");
    case Kind::NativeUart: return QStringLiteral("native");
    case Kind::PseudoTerminal: return QStringLiteral("pseudo-terminal");
    case Kind::Virtual: return QStringLiteral("virtual");
    case Kind::Unknown: break;
    }
    return QStringLiteral("unknown");
}

QString stateName(Latency::State state)
{
    switch (state) {
    case Latency::State::NoTimer: return QStringLiteral("no timer");
    case Latency::State::Unknown: return QStringLiteral("unknown");
    case Latency::State::Low: return QStringLiteral("low");
    case Latency::State::LoweredByFlag: return QStringLiteral("lowered by the low-latency flag");
    case Latency::State::LoweredByTimer: return QStringLiteral("lowered by writing latency_timer");
    case Latency::State::High: return QStringLiteral("high");
    }
    return QString();
}

QJsonObject adapterJson(const Identity &id)
{
    QJsonObject o{{"kind", kindName(id.kind)}, {"description", describe(id)}, {"driver", id.driver}};
    const QList<QPair<const char *, QString>> fields{
        {"vendorId", id.vendorId}, {"productId", id.productId}, {"manufacturer", id.manufacturer},
        {"product", id.product},   {"serial", id.serial},       {"problem", id.problem}};
    for (const auto &field : fields)
        if (!field.second.isEmpty())
            o.insert(QLatin1String(field.first), field.second);
    return o;
}

// The timer as it reads now, for the state after close.
int timerNow(const Identity &id)
{
    QFile file(id.timerPath);
    if (id.timerPath.isEmpty() || !file.open(QIODevice::ReadOnly))
        return -1;
    return parseTimer(file.read(64), nullptr);
}

} // namespace

QJsonObject Doctor::examine(const Request &r, int *exitCode)
{
    const QString port = r.ports.value(0);
    const int id = r.ids.value(0, 1);
    const LineSettings line = r.line(port);
    QJsonObject report{{"port", port}, {"id", id}, {"line", lineSettingsText(line)}};
    QJsonArray advice;

    ModbusClient client;
    client.setAttempts(1);
    client.setStopFlag(Interrupt::flag());
    QString why;
    if (!GatewayPort::open(client, line, id, r.gateway, &why)) {
        const Identity found = identify(port);
        report.insert("adapter", adapterJson(found));
        report.insert("error", why);
        *exitCode = ExitDevice;
        return report;
    }
    const Identity adapter = client.adapter().identity();
    const Latency latency = client.adapter().latency();

    int answered = 0;
    int echoed = 0;
    QString lastError;
    int reads = 0;
    while (reads < Reads && !Interrupt::requested()) {
        ++reads;
        const ModbusClient::Reply reply = client.read(id, ParameterBackup::DeviceInfoRegister,
                                                      ParameterBackup::DeviceInfoCount);
        echoed += reply.echoed ? 1 : 0;
        if (reply.ok() || reply.status == ModbusClient::Status::Exception)
            ++answered;
        else
            lastError = reply.errorText();
        // A device that is not there is not waited for twenty times.
        if (answered == 0 && reads >= SilentReads)
            break;
    }
    const Turnaround turnaround = client.turnaround();
    client.close();
    const QStringList notPutBack = client.adapter().restoreProblems();

    report.insert("adapter", adapterJson(adapter));
    report.insert("latency", QJsonObject{{"state", stateName(latency.state)},
                                         {"text", latencyText(adapter, latency)},
                                         {"timerBeforeMs", orNull(latency.before)},
                                         {"timerAfterMs", orNull(latency.after)},
                                         {"timerAfterCloseMs", orNull(timerNow(adapter))},
                                         {"lowLatency", latency.state == Latency::State::NoTimer
                                                            ? QJsonValue()
                                                            : QJsonValue(latency.lowLatency())}});
    report.insert("echo", echoed > 0);
    report.insert("turnaround", QJsonObject{{"reads", reads},
                                            {"answered", answered},
                                            {"p50Ms", msOrNull(turnaround.percentile(0.5))},
                                            {"p95Ms", msOrNull(turnaround.percentile(0.95))}});
    report.insert("suggestedTimeoutMs", orNull(turnaround.suggestedTimeoutMs()));

    const QString rule = latencyAdvice(adapter, latency, InstallPaths::latencyRule());
    if (!rule.isEmpty())
        advice.append(rule);
    if (latency.state == Latency::State::LoweredByFlag || latency.state == Latency::State::LoweredByTimer)
        advice.append(QStringLiteral("Grivant lowers the latency timer like this whenever it opens the port, and "
                                     "puts it back at close; the udev rule %1 sets it to 1 ms for good, for "
                                     "every program.")
                          .arg(InstallPaths::latencyRule()));
    if (latency.state == Latency::State::Unknown)
        advice.append(QStringLiteral("The latency timer could not be read (%1), so it was left as it is.")
                          .arg(latency.refusal));
    for (const QString &problem : notPutBack)
        advice.append(problem + QLatin1Char('.'));
    if (echoed > 0)
        advice.append(QStringLiteral("This adapter echoes what it sends: switch its echo off, or let Grivant skip "
                                     "it (grivantctl and the gateway skip it; the window's link cannot, so the "
                                     "window needs the echo off)."));
    if (answered == 0)
        advice.append(QStringLiteral("ID %1 did not answer at %2 (%3): check the wiring, the ID and the line "
                                     "settings; grivantctl scan finds them.")
                          .arg(id)
                          .arg(lineSettingsText(line), lastError));
    const int suggested = turnaround.suggestedTimeoutMs();
    if (suggested > WindowTimeoutMs)
        advice.append(QStringLiteral("The device answers slower than the window's %1 ms wait allows: give the "
                                     "gateway's bus a timeout of %2 ms.")
                          .arg(WindowTimeoutMs)
                          .arg(suggested));
    report.insert("advice", advice);
    *exitCode = answered > 0 ? ExitOk : ExitNoAnswer;
    report.insert("exitCode", *exitCode);
    return report;
}

QStringList Doctor::text(const QJsonObject &report)
{
    QStringList lines;
    const auto row = [&lines](const QString &name, const QString &value) {
        lines << QStringLiteral("%1%2").arg(name, -12).arg(value);
    };
    const auto ms = [](const QJsonValue &v) {
        return v.isNull() || v.isUndefined() ? QStringLiteral("-") : QStringLiteral("%1 ms").arg(v.toDouble());
    };
    row(QStringLiteral("port"), QStringLiteral("%1, ID %2, %3")
                                    .arg(report.value("port").toString(),
                                         QString::number(report.value("id").toInt()),
                                         report.value("line").toString()));
    const QJsonObject adapter = report.value("adapter").toObject();
    row(QStringLiteral("adapter"), adapter.value("description").toString());
    row(QStringLiteral("driver"), adapter.value("driver").toString().isEmpty() ? QStringLiteral("-")
                                                                              : adapter.value("driver").toString());
    if (report.contains("error")) {
        row(QStringLiteral("error"), report.value("error").toString());
        return lines;
    }
    const QJsonObject latency = report.value("latency").toObject();
    row(QStringLiteral("latency"), latency.value("text").toString());
    if (!latency.value("timerBeforeMs").isNull())
        row(QString(), QStringLiteral("timer %1 before, %2 while open, %3 after close")
                           .arg(ms(latency.value("timerBeforeMs")), ms(latency.value("timerAfterMs")),
                                ms(latency.value("timerAfterCloseMs"))));
    row(QStringLiteral("low latency"), latency.value("lowLatency").isNull() ? QStringLiteral("-")
                                       : latency.value("lowLatency").toBool() ? QStringLiteral("on")
                                                                              : QStringLiteral("off"));
    row(QStringLiteral("echo"), report.value("echo").toBool() ? QStringLiteral("found (skipped)")
                                                              : QStringLiteral("none"));
    const QJsonObject turnaround = report.value("turnaround").toObject();
    row(QStringLiteral("turnaround"), QStringLiteral("p50 %1, p95 %2 (%3 answer(s) to %4 read(s))")
                                          .arg(ms(turnaround.value("p50Ms")), ms(turnaround.value("p95Ms")))
                                          .arg(turnaround.value("answered").toInt())
                                          .arg(turnaround.value("reads").toInt()));
    row(QStringLiteral("time-out"), report.value("suggestedTimeoutMs").isNull()
                                        ? QStringLiteral("-")
                                        : QStringLiteral("%1 suggested (the wait for an answer beyond its time "
                                                         "on the wire)")
                                              .arg(ms(report.value("suggestedTimeoutMs"))));
    const QJsonArray advice = report.value("advice").toArray();
    if (advice.isEmpty()) {
        row(QStringLiteral("advice"), QStringLiteral("none: the line is as fast as it gets"));
    } else {
        lines << QStringLiteral("advice:");
        for (const QJsonValue &a : advice)
            lines << QStringLiteral("  - ") + a.toString();
    }
    return lines;
}
