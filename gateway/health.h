#pragma once

#include <QtGlobal>

#include <vector>

// How well one device is served by its bus over one stats period: how often it was really
// polled against how often it should be, and what went wrong. Plain values and arithmetic,
// no locking: the bus worker keeps one per device under its own lock.
namespace Health {

// A device whose typical interval passes its period by more than this is late.
constexpr double LateFactor = 1.1;

// The poll intervals of one period, in milliseconds. Bounded: beyond `capacity` the oldest
// give way, so that a device polled as fast as the line allows over a long stats period
// keeps its latest intervals and a fixed amount of memory.
class Intervals
{
public:
    static constexpr int DefaultCapacity = 4096;

    explicit Intervals(int capacity = DefaultCapacity) : m_capacity(capacity > 0 ? capacity : 1) {}

    void add(double ms);
    int count() const { return int(m_values.size()); }
    void clear();
    // The p-th percentile (p from 0 to 1) by nearest rank; -1 when there is none.
    double percentile(double p) const;

private:
    int m_capacity;
    std::vector<float> m_values; // a ring once full
    int m_next = 0;
};

// Whether a device polled at `p50Ms` (typically) falls behind its period. A device polled
// as fast as the line allows (period 0) never does; nor one without an interval.
bool isLate(double p50Ms, int periodMs);

// What one device did in one stats period.
struct Device
{
    int id = 0;
    int periodMs = 0;
    bool online = false;
    bool leased = false;   // lent to a client for diagnosis: not polled
    qint64 leaseRequests = 0; // the client's requests carried to it
    qint64 polls = 0;      // reads of its state and of its identification
    qint64 failures = 0;   // those without an intact answer
    qint64 timeouts = 0;   // no answer at all
    qint64 crcErrors = 0;  // a garbled answer: bad CRC or length
    qint64 exceptions = 0; // the device refused the request
    Intervals intervals;
};

// What is published of it.
struct Figures
{
    int id = 0;
    int periodMs = 0;
    bool online = false;
    bool leased = false;
    qint64 leaseRequests = 0;
    qint64 polls = 0;
    qint64 failures = 0;
    qint64 timeouts = 0;
    qint64 crcErrors = 0;
    qint64 exceptions = 0;
    int intervals = 0;
    double p50Ms = -1; // -1: no interval in the period
    double p95Ms = -1;
    bool late = false;
};

Figures figures(const Device &device);

} // namespace Health
