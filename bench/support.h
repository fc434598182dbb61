// What the benchmarks share: their platform and simulator, quiet diagnostics, waiting.
#pragma once

#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>
#include <cstdio>

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

} // namespace Bench
