#include "gateway/health.h"

#include <algorithm>
#include <cmath>

namespace Health {

void Intervals::add(double ms)
{
    if (int(m_values.size()) < m_capacity) {
        m_values.push_back(float(ms));
        return;
    }
    m_values[size_t(m_next)] = float(ms);
    m_next = (m_next + 1) % m_capacity;
}

void Intervals::clear()
{
    m_values.clear();
    m_next = 0;
}

double Intervals::percentile(double p) const
{
    if (m_values.empty())
        return -1;
    std::vector<float> v = m_values;
    const size_t n = v.size();
    // Nearest rank: the smallest value that at least p of the values do not exceed (the
    // small margin keeps 0.95 * 20 at 19 in floating point).
    const size_t rank = size_t(std::max(1.0, std::ceil(std::clamp(p, 0.0, 1.0) * double(n) - 1e-9)));
    const auto at = v.begin() + std::ptrdiff_t(rank - 1);
    std::nth_element(v.begin(), at, v.end());
    return double(*at);
}

bool isLate(double p50Ms, int periodMs)
{
    return periodMs > 0 && p50Ms >= 0 && p50Ms > LateFactor * periodMs;
}

Figures figures(const Device &d)
{
    Figures f;
    f.id = d.id;
    f.periodMs = d.periodMs;
    f.online = d.online;
    f.leased = d.leased;
    f.leaseRequests = d.leaseRequests;
    f.polls = d.polls;
    f.failures = d.failures;
    f.timeouts = d.timeouts;
    f.crcErrors = d.crcErrors;
    f.exceptions = d.exceptions;
    f.intervals = d.intervals.count();
    f.p50Ms = d.intervals.percentile(0.5);
    f.p95Ms = d.intervals.percentile(0.95);
    f.late = isLate(f.p50Ms, f.periodMs);
    return f;
}

} // namespace Health
