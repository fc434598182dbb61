// What a recorded device showed at any moment of its session, and the clock that plays it
// back. No widgets: the window's replay and the command line both use them.
#pragma once

#include "engine/sessionfile.h"

#include <QByteArray>
#include <QMap>
#include <QVector>

// A read the device answered: `count` registers from `start` on, held by its frame.
struct SessionIndexReply
{
    qint64 tUs = 0;
    quint16 start = 0;
    quint16 count = 0;
    int frame = -1;
};

class SessionIndex
{
public:
    using Reply = SessionIndexReply;

    // Replies between two keyframes, at least: more when more blocks are read, so that
    // the keyframes together never hold more entries than there are replies.
    static constexpr int KeyframeReplies = 1024;

    explicit SessionIndex(const SessionData *data);

    const SessionData &data() const { return *m_data; }
    const QVector<Reply> &replies() const { return m_replies; }
    QVector<quint16> values(const Reply &reply) const;

    // The newest answer of each block read at or before t: block start -> reply index.
    QMap<quint16, int> latestAt(qint64 tUs) const;
    // The value a register had at t, as the last answer that held it said; false before.
    bool valueAt(int address, qint64 tUs, quint16 *value) const;
    // The identification block in force at t: of the last connection, or of the last
    // answer of the information block.
    QByteArray identAt(qint64 tUs) const;
    // Replies in (from, to], in time order: indexes.
    QPair<int, int> repliesBetween(qint64 fromUs, qint64 toUs) const;
    int firstFrameAfter(qint64 tUs) const;
    int firstEventAfter(qint64 tUs) const;

    // The next moment after t with a failure on the line (no answer, an exception, a bad
    // CRC), with a write (sent or queued), or with a notice; -1 when there is none.
    enum class Mark { Error, Write, Notice };
    qint64 next(Mark mark, qint64 tUs) const;
    // Every register read in the session, ascending.
    QVector<int> registersRead() const;

    // The read-answer array of the link for a reply: start, count, values.
    QByteArray replyBytes(const Reply &reply) const;

private:
    int repliesUpTo(qint64 tUs) const;

    const SessionData *m_data;
    QVector<Reply> m_replies;
    QVector<qint64> m_eventTimes;
    // Every so many replies, the newest reply of each block (block start, reply) in
    // order of block start: a seek starts from the keyframe before it and walks only the
    // replies since. Counted in replies, not in time, so that no time a file claims
    // makes more of them.
    struct Keyframe
    {
        int reply; // replies before it
        QVector<QPair<quint16, int>> latest;
    };
    QVector<Keyframe> m_keyframes;
    QVector<QPair<qint64, QByteArray>> m_idents;
    QVector<qint64> m_errors, m_writes, m_notices;
};

// Session time that runs while playing, at 1x to 16x, from a wall clock the caller gives
// in microseconds.
class ReplayClock
{
public:
    void setDuration(qint64 us) { m_duration = qMax<qint64>(0, us); }
    qint64 duration() const { return m_duration; }
    int speed() const { return m_speed; }
    bool isPlaying() const { return m_playing; }

    qint64 position(qint64 wallUs) const;
    void play(qint64 wallUs);
    void pause(qint64 wallUs);
    void seek(qint64 us, qint64 wallUs);
    // 1 to 16; the position goes on from where it is.
    void setSpeed(int speed, qint64 wallUs);

private:
    qint64 m_duration = 0;
    qint64 m_base = 0;     // position at m_wallBase
    qint64 m_wallBase = 0;
    int m_speed = 1;
    bool m_playing = false;
};
