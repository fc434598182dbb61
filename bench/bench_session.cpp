// What recording a session costs and how fast a replay finds a moment. The main window is
// connected to the simulator (115200 8N1 with its wire time) by Auto-Connect, the
// demonstration cycle moving the gripper under the default polling. Alternating phases
// without and with a recording (ABAB, so that the machine's drift falls on both) give the
// event loop's lag (a precise timer's lateness) and the process's CPU share; the file's
// growth per second gives the size of an hour. Then a one-hour session is made of the
// recorded pattern, opened in a window, and the timeline sent to moments all over it.
// Prints figures, asserts nothing.
//
//   bench_session [seconds per phase, default 20]
#include "app/mainwindow.h"
#include "ui_connectionform.h"
#include "ui_mainwindow.h"

#include "engine/sessionindex.h"
#include "engine/sessionwriter.h"
#include "link/connectionform.h"
#include "link/portlist.h"
#include "support/simulator.h"
#include "support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

using Bench::spin;
using Bench::percentile;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// How late a precise 5 ms timer fires, re-armed at each timeout.
std::vector<double> lagsFor(int ms)
{
    std::vector<double> lags;
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    qint64 due = 0;
    auto arm = [&](qint64 now) {
        due = now + 5000000;
        timer.start(5);
    };
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        lags.push_back((now - due) / 1e6);
        arm(now);
    });
    arm(clock.nsecsElapsed());
    spin(ms);
    timer.stop();
    return lags;
}

} // namespace

int main(int argc, char *argv[])
{
    Bench::useOffscreenAndSimulator(DEVSIM_PATH);
    Bench::hideDebugLines();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(5, atoi(argv[1])) : 20;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    Simulator sim({"--wire-time", "--initialised"});
    if (!sim.start())
        return 1;
    const QString port = sim.port();
    PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });
    const QString file = dir.filePath("bench.grivant-session");
    SessionData recorded;
    {
        MainWindow window;
        window.connectionWindow()->form()->pB_Connect->click();
        for (int i = 0; i < 300 && !window.isVisible(); ++i)
            spin(50);
        if (!window.isVisible())
            return 2;
        window.form()->rB_Demo->setChecked(true);
        spin(3000);

        std::vector<double> lagsOff, lagsOn;
        double cpuOff = 0, cpuOn = 0, wallOff = 0, wallOn = 0;
        qint64 bytesAt = 0, bytesGrowth = 0;
        double growthSeconds = 0;
        QString error;
        for (int round = 0; round < 2; ++round) {
            for (bool recording : {false, true}) {
                if (recording) {
                    if (round == 0) {
                        if (!window.startRecording(file, &error)) {
                            std::fprintf(stderr, "%s\n", qPrintable(error));
                            return 3;
                        }
                    }
                    bytesAt = window.sessionWriter()->bytesOnDisk();
                }
                QElapsedTimer wall;
                wall.start();
                const double cpu0 = cpuSeconds();
                std::vector<double> lags = lagsFor(seconds * 1000 / 2);
                (recording ? cpuOn : cpuOff) += cpuSeconds() - cpu0;
                (recording ? wallOn : wallOff) += wall.nsecsElapsed() / 1e9;
                (recording ? lagsOn : lagsOff).insert((recording ? lagsOn : lagsOff).end(), lags.begin(), lags.end());
                if (recording) {
                    bytesGrowth += window.sessionWriter()->bytesOnDisk() - bytesAt;
                    growthSeconds += wall.nsecsElapsed() / 1e9;
                }
                // Between the recording phases the writer goes on: a not-recording phase
                // of the second round is measured with the writer paused by no frames.
                if (recording && round == 0)
                    window.connectionWindow()->trafficTap()->setRecording(false);
                if (!recording && round == 1)
                    window.connectionWindow()->trafficTap()->setRecording(true);
            }
        }
        window.connectionWindow()->trafficTap()->setRecording(true);
        const double recordedSeconds = (SessionWriter::nowEpochUs() - window.sessionWriter()->startEpochUs()) / 1e6;
        window.stopRecording();
        window.form()->rB_Demo->setChecked(false);
        const qint64 size = QFileInfo(file).size();
        readSession(file, &recorded, &error);
        // The tap was off for one not-recording phase in between.
        const double activeSeconds = qMax(1.0, recordedSeconds - seconds / 2.0);
        const double framesPerSecond = recorded.frames.size() / activeSeconds;

        std::printf("Recording a session: %d s without and %d s with, in alternating halves\n", seconds, seconds);
        std::printf("  event-loop lag p50/p99/max, not recording   %.3f/%.3f/%.2f ms\n", percentile(lagsOff, 0.5),
                    percentile(lagsOff, 0.99), percentile(lagsOff, 1.0));
        std::printf("  event-loop lag p50/p99/max, recording       %.3f/%.3f/%.2f ms\n", percentile(lagsOn, 0.5),
                    percentile(lagsOn, 0.99), percentile(lagsOn, 1.0));
        std::printf("  CPU share of one core, not recording / recording   %.1f %% / %.1f %%\n",
                    100 * cpuOff / wallOff, 100 * cpuOn / wallOn);
        std::printf("  frames recorded                             %.1f /s\n", framesPerSecond);
        std::printf("  written to the log while recording          %.1f kB/s (%.1f MB an hour; folded into the file every 5 min)\n",
                    bytesGrowth / growthSeconds / 1024, bytesGrowth / growthSeconds * 3600 / 1048576);
        std::printf("  finished file                               %.1f kB for %.0f s of frames -> %.1f MB for one hour\n",
                    size / 1024.0, activeSeconds, double(size) / activeSeconds * 3600 / 1048576);
        std::printf("@session.lag_p99_off %.3f\n@session.lag_p99_on %.3f\n", percentile(lagsOff, 0.99),
                    percentile(lagsOn, 0.99));
        std::printf("@session.cpu_off %.1f\n@session.cpu_on %.1f\n", 100 * cpuOff / wallOff, 100 * cpuOn / wallOn);
        std::printf("@session.hour_mb %.1f\n@session.log_hour_mb %.1f\n", double(size) / activeSeconds * 3600 / 1048576,
                    bytesGrowth / growthSeconds * 3600 / 1048576);
    }
    sim.stop();
    PortList::setProvider(nullptr);

    // One hour of the recorded traffic: its frames repeated, shifted in time.
    const QString hour = dir.filePath("hour.grivant-session");
    {
        // The first recording phase: the tap was off for a while after it.
        const qint64 span = qint64(seconds) * 1000000 / 2;
        SessionWriter writer;
        SessionHeader h = recorded.header;
        QString error;
        if (span <= 0 || !writer.start(hour, h, recorded.hasMap ? &recorded.map : nullptr, &error))
            return 4;
        for (qint64 shift = 0; shift < 3600000000LL; shift += span) {
            for (TrafficFrame f : qAsConst(recorded.frames)) {
                if (recorded.tUs(f) >= span)
                    break;
                f.timeUs += shift;
                if (f.timeUs - h.startEpochUs < 3600000000LL)
                    writer.addFrame(f);
            }
        }
        writer.finish();
    }
    QElapsedTimer clock;
    clock.start();
    MainWindow window;
    QString error;
    if (!window.openSession(hour, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 5;
    }
    const double openMs = clock.nsecsElapsed() / 1e6;
    std::vector<double> seeks;
    for (int i = 0; i < 40; ++i) {
        const qint64 at = qint64(QRandomGenerator::global()->bounded(3600.0) * 1e6);
        clock.restart();
        window.replaySeek(at);
        seeks.push_back(clock.nsecsElapsed() / 1e6);
        spin(20);
    }
    std::printf("One hour made of the first recording phase: %.1f MB\n", QFileInfo(hour).size() / 1048576.0);
    std::printf("@session.hour_file_mb %.1f\n", QFileInfo(hour).size() / 1048576.0);
    std::printf("Replay of that hour: opened in %.0f ms; a moment shown in %.1f ms median, %.1f ms max\n", openMs, percentile(seeks, 0.5), percentile(seeks, 1.0));
    std::printf("@session.open_ms %.0f\n@session.seek_ms %.1f\n@session.seek_max_ms %.1f\n", openMs,
                percentile(seeks, 0.5), percentile(seeks, 1.0));
    return 0;
}
