#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <deque>
#include <limits>
#include <map>

// The set commands that wait for the devices of one bus. Each device has a queue of its
// own, bounded in commands and in bytes, so that a flood to one device neither takes the
// memory nor the turn of the others: the devices take turns, each one's commands in the
// order they came. Not thread-safe: its owner locks.
class CommandQueue
{
public:
    struct Limits
    {
        int commands = 32;
        qint64 bytes = 256 * 1024;
    };
    struct Command
    {
        int id = 0;
        QByteArray payload;
    };

    CommandQueue() = default;
    explicit CommandQueue(Limits limits) : m_limits(limits) {}

    // Empty when the command was taken, else why not ("queue full: ...").
    QString add(int id, const QByteArray &payload);
    // The next command in turn; false when none waits.
    bool take(Command *command);
    bool isEmpty() const { return m_turns.empty(); }
    const Limits &limits() const { return m_limits; }

private:
    struct Waiting
    {
        std::deque<QByteArray> payloads;
        qint64 bytes = 0;
    };
    Limits m_limits;
    std::map<int, Waiting> m_waiting;
    std::deque<int> m_turns; // the devices with commands waiting, the next first
};

// When a command may go on the line of a bus, between the polls of its devices. While it
// fits before the next poll is due, the line is idle and it goes at once, as many in a row
// as fit; when polls wait, one command goes between two polls at most, and only so often
// that the commands take no more than a tenth of the line's time. A flood of commands then
// keeps every other device at nine tenths of its poll rate or more, however slowly the
// commanded device answers.
class CommandPacing
{
public:
    // When a command may start (nowMs when it may start now), the next poll being due at
    // nextPollMs.
    qint64 nextCommandAt(qint64 nowMs, qint64 nextPollMs) const;
    void commandDone(qint64 startedMs, qint64 endedMs);
    void pollDone() { m_pollSince = true; }

    // Line time that polls get for each millisecond of a command while they wait: ten, not
    // nine, since what a command costs beyond its measured time (the silence after it, the
    // rounding to milliseconds) would otherwise take the other devices just below nine
    // tenths of their poll rate on a full bus.
    static constexpr int PollShare = 10;

private:
    qint64 m_lastEndMs = std::numeric_limits<qint64>::min() / 2;
    qint64 m_lastMs = 0; // how long the last command took
    bool m_pollSince = true;
};
