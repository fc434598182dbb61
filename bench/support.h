// What the benchmarks share: their platform and simulator, quiet diagnostics, waiting.
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace Bench {

// Offscreen, and the simulator built beside the benchmarks unless the caller names others.
inline void useOffscreenAndSimulator(const char *devsim)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("DEVSIM"))
        qputenv("DEVSIM", devsim);
}

// The program's debug lines would drown the figures and add a load of their own; warnings
// still go to the error output.
inline void hideDebugLines()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

// Runs the event loop for `ms` milliseconds.
inline void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `condition` holds, at most `ms` milliseconds; false on time-out.
inline bool waitFor(const std::function<bool()> &condition, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms)
            return false;
        spin(20);
    }
    return true;
}

// The value below which a share `p` (0 to 1) of the samples lie, the nearest sample taken;
// -1 when there are none, which no measured time can be.
inline double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

// The middle sample, or the mean of the two in the middle; -1 when there are none.
inline double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace Bench
