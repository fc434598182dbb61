// mbpoll as the benchmarks' third-party reference: its successful reads of the feedback group
// counted from the first one, so that its start-up is left out.
#pragma once

#include "enginerun.h"
#include "support.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

namespace Bench {

// Runs `mbpoll arguments` (line-buffered) for `ms`; each read after the first adds
// `lineSecondsEach` of the line's time.
inline Figures runMbpoll(const QStringList &arguments, int ms, double lineSecondsEach = 0)
{
    Figures f;
    QProcess p;
    QElapsedTimer clock;
    qint64 first = 0, last = 0;
    QByteArray pending;
    QObject::connect(&p, &QProcess::readyReadStandardOutput, [&]() {
        pending += p.readAllStandardOutput();
        int nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(nl);
            pending.remove(0, nl + 1);
            if (!line.startsWith("[512]:"))
                continue;
            const qint64 now = clock.nsecsElapsed();
            if (f.transactions == 0)
                first = now;
            else
                f.lineSeconds += lineSecondsEach;
            last = now;
            ++f.transactions;
        }
    });
    clock.start();
    p.start("stdbuf", QStringList{"-oL", "mbpoll"} + arguments);
    if (!p.waitForStarted(3000))
        return f;
    spin(ms);
    p.terminate();
    if (!p.waitForFinished(2000))
        p.kill();
    p.waitForFinished(1000);
    f.seconds = (last - first) / 1e9;
    f.transactions = qMax(0, f.transactions - 1);
    return f;
}

} // namespace Bench
