// What a USB adapter's latency timer costs, and what lowering it wins: the window's polling
// and grivantctl's restore against the simulator at 115200 8N1 with the line's own timing
// (--wire-time), its answers held to the next 16 ms (an FTDI adapter's timer as shipped),
// to the next 1 ms (the timer once lowered, as the tool and the udev rule do it), and not
// held at all (the pseudo-terminal as the other benchmarks measure it). grivantctl doctor
// tells the answer times it sees in each case. Prints figures, asserts nothing.
//
//   bench_latency [seconds per polling run, default 5]

#include "enginerun.h"
#include "link/portlist.h"
#include "support/simulator.h"
#include "support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

constexpr int Baud = 115200;
constexpr int Restores = 3;

// grivantctl with `arguments`; its time in milliseconds, -1 when it failed.
double ctl(const QStringList &arguments, QByteArray *out = nullptr)
{
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral(GRIVANTCTL_PATH), arguments);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "grivantctl %s failed: %s\n", qPrintable(arguments.join(' ')),
                     p.readAllStandardError().constData());
        return -1;
    }
    if (out)
        *out = p.readAllStandardOutput();
    return clock.nsecsElapsed() / 1e6;
}

struct Run
{
    const char *name;
    const char *key;
    int holdMs; // 0: not held
    Bench::Figures polling;
    double restoreMs = -1;
    double doctorP50 = -1;
    double doctorP95 = -1;
};

void measure(Run &run, int pollMs, const QString &dir)
{
    QStringList args{"--baud", QString::number(Baud), "--wire-time", "--initialised"};
    if (run.holdMs > 0)
        args << "--hold" << QString::number(run.holdMs);

    {
        Simulator sim(args);
        if (!sim.start())
            return;
        run.polling = Bench::runEngine(sim.port(), Baud, pollMs);
    }

    // A fresh simulator with a state of its own: the restore writes and saves its parameters.
    Simulator sim(args + QStringList{"--state", dir + "/state-" + run.key});
    if (!sim.start())
        return;
    const QStringList port{"--port", sim.port()};
    const QString file = dir + "/params-" + run.key + ".json";
    if (ctl(QStringList{"backup", file} + port) < 0)
        return;
    std::vector<double> times;
    for (int i = 0; i < Restores; ++i) {
        // Other values on the device than in the file before each restore.
        if (ctl(QStringList{"write", "0x0406", "60", "55"} + port) < 0)
            return;
        const double ms = ctl(QStringList{"restore", file} + port);
        if (ms < 0)
            return;
        times.push_back(ms);
    }
    run.restoreMs = Bench::median(times);

    QByteArray json;
    if (ctl(QStringList{"doctor", "--json"} + port, &json) < 0)
        return;
    const QJsonObject turnaround = QJsonDocument::fromJson(json).object().value("turnaround").toObject();
    run.doctorP50 = turnaround.value("p50Ms").toDouble(-1);
    run.doctorP95 = turnaround.value("p95Ms").toDouble(-1);
}

} // namespace

int main(int argc, char **argv)
{
    Bench::useOffscreenAndSimulator(DEVSIM_PATH);
    QApplication app(argc, argv);
    Bench::hideDebugLines();
    PortList::setProvider([] { return QList<PortEntry>(); });
    const int pollMs = argc > 1 ? qMax(1, atoi(argv[1])) * 1000 : 5000;
    QTemporaryDir dir;

    Run runs[] = {{"--hold 16 (FTDI timer as shipped)", "hold16", 16, {}},
                  {"--hold 1 (timer lowered)", "hold1", 1, {}},
                  {"not held (pseudo-terminal)", "nohold", 0, {}}};
    for (Run &run : runs)
        measure(run, pollMs, dir.path());

    std::printf("Latency timer at %d 8N1, simulator --wire-time; polling %d s per run, restore median of %d\n",
                Baud, pollMs / 1000, Restores);
    std::printf("  %-36s %10s %10s %8s %12s %16s\n", "answers", "polls/s", "limit /s", "share", "restore ms",
                "answer p50/p95 ms");
    for (const Run &run : runs) {
        const Bench::Figures &f = run.polling;
        const double share = f.limit() > 0 ? f.rate() / f.limit() : 0;
        std::printf("  %-36s %10.1f %10.1f %8.3f %12.0f %8.1f/%.1f\n", run.name, f.rate(), f.limit(), share,
                    run.restoreMs, run.doctorP50, run.doctorP95);
        std::printf("@latency.%s.rate %.1f\n@latency.%s.limit %.1f\n@latency.%s.share %.3f\n"
                    "@latency.%s.restore_ms %.0f\n@latency.%s.p50 %.1f\n@latency.%s.p95 %.1f\n",
                    run.key, f.rate(), run.key, f.limit(), run.key, share, run.key, run.restoreMs, run.key,
                    run.doctorP50, run.key, run.doctorP95);
    }
    if (runs[0].restoreMs > 0 && runs[1].restoreMs > 0 && runs[0].polling.rate() > 0)
        std::printf("  lowering the timer from 16 to 1 ms: polling x %.2f, restore x %.2f faster\n",
                    runs[1].polling.rate() / runs[0].polling.rate(), runs[0].restoreMs / runs[1].restoreMs);
    return 0;
}
