// How late the event loop is and what the process costs: the GUI benchmarks' two measures.
#pragma once

#include "support.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <sys/resource.h>
#include <vector>

namespace Bench {

// CPU seconds of the whole process, every thread counted.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A single-shot precise timer, re-armed at each timeout: how late it fires is how long the
// event loop was busy with something else.
class LagProbe : public QObject
{
public:
    static constexpr int IntervalMs = 5;

    LagProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_lags.push_back((now - m_due) / 1e6);
            arm(now);
        });
        m_clock.start();
    }
    void start()
    {
        m_lags.clear();
        arm(m_clock.nsecsElapsed());
    }
    void stop() { m_timer.stop(); }
    double percentile(double p) const { return Bench::percentile(m_lags, p); }
    size_t samples() const { return m_lags.size(); }

private:
    void arm(qint64 now)
    {
        m_due = now + qint64(IntervalMs) * 1000000;
        m_timer.start(IntervalMs);
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_due = 0;
    std::vector<double> m_lags;
};

} // namespace Bench
