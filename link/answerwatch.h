#pragma once

#include <QByteArray>
#include <QVector>

// What comes back after a request, taken apart, and how long devices take to answer. No
// port here: the blocking master feeds the bytes in as they arrive.

// A two-wire RS-485 adapter with its echo on returns every request before the device
// answers. The echo is recognised as a copy of the request that comes first, and set
// aside, so that the answer behind it is judged on its own.
class AnswerAssembly
{
public:
    // `echoExpected`: the line has echoed before. Only then is a copy of a request that an
    // answer would copy too (a write of one register) taken for the echo.
    AnswerAssembly(const QByteArray &request, bool echoExpected);

    // Bytes as they arrive, with the time they were read (any clock, nanoseconds).
    void add(const QByteArray &bytes, qint64 atNs);

    // The bytes after the echo, or all of them when there was none.
    const QByteArray &answer() const { return m_answer; }
    // The bytes so far may still be the start of an echo: wait for more.
    bool awaitingEcho() const;
    // The request came back whole before the answer.
    bool echoed() const { return m_state == State::Echo; }
    // The line echoed before, but what came first this time is no copy of the request.
    bool echoMissing() const { return m_echoExpected && m_state == State::NoEcho && !m_all.isEmpty(); }
    // When the first byte of the answer was read; -1 before it.
    qint64 firstAnswerNs() const { return m_firstAnswerNs; }

private:
    enum class State { Undecided, Echo, NoEcho };
    void decide(qint64 atNs);

    QByteArray m_request;
    bool m_echoExpected;
    bool m_requestIsAnswer; // a write of one register is answered with a copy of itself
    State m_state = State::Undecided;
    QByteArray m_all;
    QByteArray m_answer;
    qint64 m_firstAnswerNs = -1;
};

// The device's answer times (end of the request on the wire to the first byte of the
// answer) of the latest transactions, and the response time-out they call for.
class Turnaround
{
public:
    void add(double ms);
    void clear() { m_samples.clear(); m_next = 0; }
    int count() const { return m_samples.size(); }
    // The q-quantile (0.5 median, 0.95) of the samples kept, nearest rank; -1 without any.
    double percentile(double q) const;
    // A wait for an answer beyond its time on the wire that the p95 answer time fits into
    // with room to spare, in steps of 10 ms; -1 without samples.
    int suggestedTimeoutMs() const;

    static constexpr int Kept = 256;
    static constexpr int LeastTimeoutMs = 20;

private:
    QVector<double> m_samples;
    int m_next = 0;
};
