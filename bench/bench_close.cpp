// Ending the program: from the operator's close of a window to the end of the main window's
// destructor, as main() runs it (quit on the last window closed, then the window on main's
// stack destroyed). Two cases: the connection window closed before any connection, and the
// main window closed while connected to the simulator with a few writes still queued.
// The median of the runs is reported. Prints figures, asserts nothing.
//
//   bench_close [runs, default 5]
#include "app/mainwindow.h"
#include "ui_connectionform.h"
#include "ui_mainwindow.h"

#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/portlist.h"
#include "support/simulator.h"
#include "support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

using Bench::median;
using Bench::waitFor;

// Closes a window of a freshly built main window once `ready` holds and times the rest of
// the program's life: the event loop's end and the destructor.
double closeOnce(const std::function<QWidget *(MainWindow &)> &prepare)
{
    auto window = std::make_unique<MainWindow>();
    QWidget *toClose = prepare(*window);
    if (!toClose)
        return -1;
    QElapsedTimer clock;
    QTimer::singleShot(0, toClose, [&] {
        clock.start();
        toClose->close();
    });
    QApplication::exec();
    window.reset();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    Bench::useOffscreenAndSimulator(DEVSIM_PATH);
    Bench::hideDebugLines();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(true);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());

    std::vector<double> unconnected;
    for (int i = 0; i < runs; ++i) {
        unconnected.push_back(closeOnce([](MainWindow &window) -> QWidget * {
            ConnectionForm *connection = window.connectionWindow();
            waitFor([&] { return connection->isVisible(); }, 5000);
            Bench::spin(500);
            return connection;
        }));
    }

    Simulator sim({"--initialised"});
    std::vector<double> connected;
    std::vector<double> reconnected;
    int unsent = 0;
    if (sim.start()) {
        const QString port = sim.port();
        PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });
        for (int i = 0; i < runs; ++i) {
            connected.push_back(closeOnce([&](MainWindow &window) -> QWidget * {
                ConnectionForm *connection = window.connectionWindow();
                waitFor([&] { return connection->knownPorts().contains(port); }, 5000);
                connection->form()->pB_Connect->click();
                if (!waitFor([&] { return window.isVisible() && window.parametersLoaded(); }, 15000))
                    return nullptr;
                window.setMessageBoxForTest([&unsent](int, const QString &, const QString &) {
                    ++unsent;
                    return 0;
                });
                for (int n = 0; n < 5; ++n)
                    window.pollingThread()->Add_writeregisterList(0x0104, quint16(50 + n));
                return &window;
            }));
        }
        for (int i = 0; i < runs; ++i) {
            reconnected.push_back(closeOnce([&](MainWindow &window) -> QWidget * {
                ConnectionForm *connection = window.connectionWindow();
                waitFor([&] { return connection->knownPorts().contains(port); }, 5000);
                connection->form()->pB_Connect->click();
                if (!waitFor([&] { return window.isVisible() && window.parametersLoaded(); }, 15000))
                    return nullptr;
                window.form()->actionDisconnect->trigger();
                waitFor([&] { return connection->isVisible(); }, 5000);
                Bench::spin(500);
                return connection;
            }));
        }
        PortList::setProvider(nullptr);
    }

    std::printf("Ending the program, median of %d runs (offscreen)\n", runs);
    std::printf("  connection window closed, never connected      %6.1f ms   (min %.1f, max %.1f)\n",
                median(unconnected), *std::min_element(unconnected.begin(), unconnected.end()),
                *std::max_element(unconnected.begin(), unconnected.end()));
    if (!connected.empty())
        std::printf("  main window closed, connected, 5 writes queued %6.1f ms   (min %.1f, max %.1f), "
                    "unsent writes named %d times\n",
                    median(connected), *std::min_element(connected.begin(), connected.end()),
                    *std::max_element(connected.begin(), connected.end()), unsent);
    if (!reconnected.empty())
        std::printf("  connection window closed after a disconnection %6.1f ms   (min %.1f, max %.1f)\n",
                    median(reconnected), *std::min_element(reconnected.begin(), reconnected.end()),
                    *std::max_element(reconnected.begin(), reconnected.end()));
    std::printf("@close.unconnected_ms %.1f\n@close.connected_ms %.1f\n@close.reconnected_ms %.1f\n",
                median(unconnected), median(connected), median(reconnected));
    return 0;
}
