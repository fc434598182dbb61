// The tool under load: the main window connected to the simulator by Auto-Connect (115200
// 8N1 with the simulator's wire time), the standard groups polled, the demonstration cycle
// moving both curves. A timer that measures its own lateness gives the event loop's lag;
// getrusage gives the process's CPU share; each over a phase with the traffic monitor
// closed, then open. Prints figures, asserts nothing.
//
//   bench_gui [seconds per phase, default 30]
#include "app/mainwindow.h"
#include "app/startupprobe.h"
#include "ui_connectionform.h"
#include "ui_mainwindow.h"

#include "link/connectionform.h"
#include "link/portlist.h"
#include "link/trafficmodel.h"
#include "link/trafficmonitor.h"
#include "support/simulator.h"
#include "lagprobe.h"
#include "support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <qcustomplot.h>

namespace {

using Bench::spin;
using Bench::waitFor;
using Bench::cpuSeconds;
using Bench::LagProbe;

constexpr int ProbeIntervalMs = LagProbe::IntervalMs;

// Times the repaints of one window: what the traffic monitor costs on each of its clock's
// ticks, apart from the noise of a shared machine.
class TimingApplication : public QApplication
{
public:
    using QApplication::QApplication;
    QWidget *watched = nullptr;
    std::vector<double> repaints;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (receiver != watched || event->type() != QEvent::UpdateRequest)
            return QApplication::notify(receiver, event);
        QElapsedTimer clock;
        clock.start();
        const bool done = QApplication::notify(receiver, event);
        repaints.push_back(clock.nsecsElapsed() / 1e6);
        return done;
    }
};

struct Phase {
    double p50 = 0, p99 = 0, max = 0, cpu = 0, polls = 0, replots = 0;
    size_t samples = 0;
};

Phase measure(int seconds, int *replies, int *replots)
{
    LagProbe probe;
    *replies = 0;
    *replots = 0;
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    probe.start();
    spin(seconds * 1000);
    probe.stop();
    const double elapsed = wall.nsecsElapsed() / 1e9;
    Phase p;
    p.cpu = 100.0 * (cpuSeconds() - cpu0) / elapsed;
    p.p50 = probe.percentile(0.50);
    p.p99 = probe.percentile(0.99);
    p.max = probe.percentile(1.0);
    p.samples = probe.samples();
    p.polls = *replies / elapsed;
    p.replots = *replots / elapsed;
    return p;
}

void printPhase(const char *name, const char *key, const Phase &p)
{
    std::printf("  %-16s %7.3f %7.3f %7.2f ms  %6.1f %%  %7.1f %9.1f   (%zu samples)\n", name, p.p50, p.p99,
                p.max, p.cpu, p.polls, p.replots, p.samples);
    std::printf("@gui.%s.p50 %.3f\n@gui.%s.p99 %.3f\n@gui.%s.max %.2f\n@gui.%s.cpu %.1f\n@gui.%s.polls %.1f\n",
                key, p.p50, key, p.p99, key, p.max, key, p.cpu, key, p.polls);
}

} // namespace

int main(int argc, char **argv)
{
    Bench::useOffscreenAndSimulator(DEVSIM_PATH);
    TimingApplication app(argc, argv);
    Bench::hideDebugLines();
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    QFont font = QApplication::font();
    font.setPointSize(13);
    QApplication::setFont(font);

    // What the probe sees on this machine with nothing to do: the floor of the figures below.
    int replies = 0, replots = 0;
    const Phase idle = measure(std::max(1, seconds / 3), &replies, &replots);

    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
    Simulator sim({"--wire-time", "--initialised"});
    if (!sim.start()) {
        std::printf("GUI under load: the simulator did not start\n");
        return 1;
    }
    const QString port = sim.port();
    PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });

    MainWindow window;
    ConnectionForm *connection = window.connectionWindow();
    QObject::connect(connection, &ConnectionForm::SendReceviedData, [&](const QByteArray &data) {
        if (!data.isEmpty())
            ++replies;
    });
    QObject::connect(window.form()->PositionPlot, &QCustomPlot::afterReplot, [&] { ++replots; });

    if (!waitFor([&] { return connection->knownPorts().contains(port); }, 5000)) {
        std::printf("GUI under load: the port is not listed\n");
        return 1;
    }
    connection->form()->pB_Connect->click();
    if (!waitFor([&] { return window.isVisible() && window.form()->PositionPlot->graph(0)->dataCount() > 0; },
                 20000)) {
        std::printf("GUI under load: no connection\n");
        return 1;
    }
    window.form()->rB_Demo->setChecked(true);
    spin(3000);
    const long connectedKb = StartupProbe::residentKb();

    std::printf("GUI under load, %d s per phase: simulator at 115200 8N1 with wire time, standard "
                "groups polled, demonstration cycle on both curves, offscreen; lag probe every %d ms\n",
                seconds, ProbeIntervalMs);
    std::printf("  %-16s %7s %7s %7s     %6s    %7s %9s\n", "traffic monitor", "lag p50", "p99", "max",
                "CPU", "polls/s", "replots/s");
    printPhase("(idle, no window)", "idle", idle);
    const Phase closed = measure(seconds, &replies, &replots);
    printPhase("closed", "closed", closed);

    QAction *openMonitor = window.findChild<QAction *>("actionTrafficMonitor");
    if (!openMonitor)
        return 0;
    openMonitor->trigger();
    app.watched = connection->trafficMonitor();
    spin(2000);
    app.repaints.clear();
    const Phase open = measure(seconds, &replies, &replots);
    printPhase("open", "open", open);
    std::vector<double> repaints = app.repaints;
    std::sort(repaints.begin(), repaints.end());
    const double repaintMedian = repaints.empty() ? -1 : repaints[repaints.size() / 2];
    std::printf("  traffic monitor: %.1f repaints/s, median %.3f ms each\n", repaints.size() / double(seconds),
                repaintMedian);
    std::printf("@gui.monitor_repaint_ms %.3f\n@gui.monitor_repaints %.1f\n", repaintMedian,
                repaints.size() / double(seconds));
    const int frames = connection->trafficMonitor() ? connection->trafficMonitor()->model()->rowCount() : 0;
    const long openKb = StartupProbe::residentKb();
    std::printf("  resident memory: %ld kB connected, %ld kB with the monitor open (%d frames kept)\n",
                connectedKb, openKb, frames);
    std::printf("@gui.rss_connected_kb %ld\n@gui.rss_monitor_kb %ld\n@gui.monitor_frames %d\n", connectedKb,
                openKb, frames);

    // A day of polling: the ring filled with copies of what came in, and more on top.
    TrafficMonitor *monitor = connection->trafficMonitor();
    if (monitor && frames > 0) {
        const TrafficRing &ring = monitor->model()->ring();
        QVector<TrafficFrame> seen;
        for (quint64 seq = ring.firstSeq(); seq < ring.nextSeq(); ++seq)
            seen << ring.at(seq);
        for (int i = 0; i < 2 * ring.capacity(); ++i) {
            // Bytes of their own, as frames off the line have; the port text is shared there too.
            TrafficFrame frame = seen.at(i % seen.size());
            frame.bytes = QByteArray(frame.bytes.constData(), frame.bytes.size());
            connection->trafficTap()->add(frame);
            if (i % 1000 == 999)
                monitor->refresh();
        }
        seen.clear();
        spin(1000);
        const long fullKb = StartupProbe::residentKb();
        std::printf("  with the ring full (%d frames kept of %llu): %ld kB\n", ring.size(),
                    static_cast<unsigned long long>(ring.nextSeq()), fullKb);
        std::printf("@gui.rss_ring_full_kb %ld\n", fullKb);
    }

    window.form()->rB_Demo->setChecked(false);
    PortList::setProvider(nullptr);
    return 0;
}
