// Time an Auto-Connect sweep (search mode, ID 255) needs to find the simulator at the first
// and at the last line-setting combination, and a whole sweep with nothing answering, all
// with the shipped wait times. Prints figures; asserts nothing.
#include "link/connectionfunc.h"
#include "support/simulator.h"
#include "support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct Outcome
{
    qint64 ms = -1;
    QStringList result;
};

Outcome sweep(const QString &port)
{
    QThread thread;
    auto *scanner = new Connectionfunc;
    scanner->moveToThread(&thread);
    thread.start();

    Outcome outcome;
    QEventLoop loop;
    QElapsedTimer clock;
    QObject::connect(scanner, &Connectionfunc::sig_commu_para, &loop,
                     [&](const QStringList &result, const QByteArray &) {
                         outcome.ms = clock.elapsed();
                         outcome.result = result;
                         loop.quit();
                     });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    clock.start();
    QMetaObject::invokeMethod(scanner, "slot_ScanGripper", Qt::QueuedConnection,
                              Q_ARG(QStringList, QStringList{port}));
    loop.exec();

    scanner->set_search_stop();
    thread.quit();
    thread.wait();
    delete scanner;
    return outcome;
}

void measure(const char *label, const char *key, const QStringList &simArgs)
{
    Simulator sim(simArgs);
    if (!sim.start()) {
        std::printf("%-40s simulator did not start\n", label);
        return;
    }
    const Outcome o = sweep(sim.port());
    std::printf("%-40s %6lld ms  %s\n", label, static_cast<long long>(o.ms),
                qPrintable(o.result.join(' ')));
    std::printf("@scanner.%s_ms %lld\n", key, static_cast<long long>(o.ms));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Bench::useOffscreenAndSimulator(DEVSIM_PATH);
    Bench::hideDebugLines();

    std::printf("Auto-Connect sweep (ID 255) with the shipped wait times\n");
    measure("found at 115200 baud, no parity:", "first", {"--id", "1", "--baud", "115200", "--parity", "none"});
    measure("found at 230400 baud, odd parity:", "last", {"--id", "1", "--baud", "230400", "--parity", "odd"});

    // A pseudo-terminal nobody answers on: the whole sweep is spent waiting.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) {
        const int keep = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        const Outcome o = sweep(QString::fromLocal8Bit(::ptsname(master)));
        std::printf("%-40s %6lld ms  %s\n", "nothing answers, whole sweep:",
                    static_cast<long long>(o.ms), qPrintable(o.result.join(' ')));
        std::printf("@scanner.empty_ms %lld\n", static_cast<long long>(o.ms));
        ::close(keep);
        ::close(master);
    }
    return 0;
}
