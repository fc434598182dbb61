// Register polling throughput: the polling engine with the Modbus link against the device
// simulator, every group at period 0, compared with Debian's mbpoll reading the same
// simulator and with what the line itself allows. Prints figures, asserts nothing.
//
//   bench_polling [seconds per run, default 3]

#include "enginerun.h"
#include "mbpoll.h"
#include "link/portlist.h"
#include "support/simulator.h"
#include "support.h"
#include "tools/devsim/rtu.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

using Bench::Figures;
using Bench::lineSeconds;
using Bench::runEngine;
using Bench::spin;

// mbpoll pauses `pollMs` after each read; reads of 0x0200..0x020D, successful ones counted.
Figures runMbpoll(const QString &port, int baud, int pollMs, int ms)
{
    return Bench::runMbpoll({"-m", "rtu", "-a", "1", "-b", QString::number(baud), "-P", "none", "-d", "8", "-s", "1",
                             "-t", "4", "-0", "-r", "512", "-c", "14", "-l", QString::number(pollMs), port},
                            ms, lineSeconds(14, baud));
}

void printRow(const char *who, const Figures &f, bool lineLimit = true)
{
    std::printf("  %-34s %7d in %5.2f s  %8.1f /s", who, f.transactions, f.seconds, f.rate());
    if (lineLimit)
        std::printf("   line limit %8.1f /s   ratio %5.2f", f.limit(), f.limit() > 0 ? f.rate() / f.limit() : 0.0);
    std::printf("%s\n", f.failures ? qPrintable(QString("   (%1 failed)").arg(f.failures)) : "");
}

} // namespace

int main(int argc, char **argv)
{
    Bench::useOffscreenAndSimulator(DEVSIM_PATH);
    QApplication app(argc, argv);
    Bench::hideDebugLines();
    PortList::setProvider([] { return QList<PortEntry>(); });
    const int ms = argc > 1 ? qMax(1, atoi(argv[1])) * 1000 : 3000;
    const bool haveMbpoll = !QStandardPaths::findExecutable("mbpoll").isEmpty()
                            && !QStandardPaths::findExecutable("stdbuf").isEmpty();
    constexpr int MbpollPauseMs = 10;

    struct Setup {
        const char *name;
        const char *key;
        int baud;
        bool wireTime;
    };
    const Setup setups[] = {{"pseudo-terminal without wire time (link at 115200): no line limit", nullptr, 115200, false},
                            {"--wire-time, 115200 8N1", "115200", 115200, true},
                            {"--wire-time, 9600 8N1", "9600", 9600, true}};

    std::printf("Polling throughput, %d s per run; engine: %d groups at period 0 (1-17 "
                "registers), mbpoll: 14 registers from 0x0200 with a %d ms pause after each\n",
                ms / 1000, int(sizeof Bench::kGroups / sizeof Bench::kGroups[0]), MbpollPauseMs);
    for (const Setup &s : setups) {
        QStringList args{"--baud", QString::number(s.baud), "--initialised"};
        if (s.wireTime)
            args << "--wire-time";
        // A fresh simulator for every run: a reply still under way when one master closes
        // the port would otherwise greet the next one.
        std::unique_ptr<Simulator> sim;
        auto freshSimulator = [&]() {
            sim.reset(new Simulator(args));
            return sim->start();
        };
        std::printf("%s\n", s.name);
        if (!freshSimulator()) {
            std::printf("  simulator did not start\n");
            continue;
        }
        const Figures engine = runEngine(sim->port(), s.baud, ms);
        printRow("engine + link", engine, s.wireTime);
        if (!s.wireTime)
            continue;
        const double engineRatio = engine.limit() > 0 ? engine.rate() / engine.limit() : 0;
        std::printf("  engine per transaction: %.2f ms; line time of its mix: %.2f ms\n",
                    engine.rate() > 0 ? 1000 / engine.rate() : 0.0,
                    engine.transactions ? 1000 * engine.lineSeconds / engine.transactions : 0.0);
        std::printf("@polling.%s.engine_rate %.1f\n@polling.%s.limit %.1f\n@polling.%s.engine_ratio %.3f\n",
                    s.key, engine.rate(), s.key, engine.limit(), s.key, engineRatio);
        if (!haveMbpoll) {
            std::printf("  mbpoll or stdbuf not found\n");
            continue;
        }
        Figures m;
        if (freshSimulator())
            m = runMbpoll(sim->port(), s.baud, MbpollPauseMs, ms);
        sim.reset();
        printRow("mbpoll -l 10", m, false);
        // mbpoll pauses after each answer, and the silence that ends the answer falls in
        // that pause: its transaction is the cycle less the pause, its line time the
        // request, the silence after it and the answer.
        if (m.rate() > 0) {
            const double tx = 1 / m.rate() - MbpollPauseMs / 1000.0;
            const double line = rtu::transactionSeconds(8, 33, s.baud, false, 1)
                                - rtu::frameSilenceSeconds(s.baud, false, 1);
            std::printf("  %-34s %7.2f ms per transaction; line %.2f ms; ratio %5.2f\n", "mbpoll less its pause",
                        tx * 1000, line * 1000, line / tx);
            std::printf("@polling.%s.mbpoll_ratio %.3f\n", s.key, line / tx);
        }
    }
    return 0;
}
