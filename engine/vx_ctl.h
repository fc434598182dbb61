#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QThread>
#include <QVector>
#include <QWaitCondition>
#include <atomic>

// The polling thread: paces all cyclic register traffic so that exactly one Modbus
// transaction is outstanding at a time. run() issues at most one read (the next block
// that is due) and one write (the oldest queued) per pass and waits up to 220 ms for
// each reply, which the link reports through ReceviedData().
class VX_Ctl : public QThread
{
    Q_OBJECT

public:
    explicit VX_Ctl(QObject *parent = nullptr);
    ~VX_Ctl() override;

    struct WriteRequest {
        quint16 address = 0;
        QVector<quint16> values;
    };

    static constexpr int ReplyWaitMs = 220;

    // Shared by all engines; survives restarts of the thread.
    static int retryCounter();

    // While set, every write is refused before it reaches the queue.
    void setWritesRefused(bool refused) { m_writesRefused = refused; }
    bool writesRefused() const { return m_writesRefused; }

signals:
    void SendReadRequest(int address, quint16 count);
    void SendWriteRequest(int address, QVector<quint16> values);
    // A queued write has left the queue: answered by the device, or given up after its
    // retries (or dropped from the queue while it was on the line) when `answered` is false.
    void WriteFinished(int address, QVector<quint16> values, bool answered);

    // No write ends without a word: each queued write ends in exactly one of these. An
    // answered one; one given up unanswered after `tries` sends (0: dropped before it was
    // sent, when reading was switched); an action write whose answer was lost, which is not
    // sent again (see ActionRegisters).
    void WriteConfirmed(int address, QVector<quint16> values, int tries);
    void WriteGivenUp(int address, QVector<quint16> values, int tries);
    void WriteOutcomeUnknown(int address, QVector<quint16> values);
    // A write taken into the queue, and one refused because nothing may be written (a
    // recorded session is replayed): emitted in the caller's thread.
    void WriteQueued(int address, QVector<quint16> values);
    void WriteBlocked(int address, QVector<quint16> values);
    // The device answered with an exception: it refused the write and did not carry it out,
    // so it is not sent again. After earlier sends that went unanswered (`tries` > 1) one of
    // those may have been carried out.
    void WriteRefused(int address, QVector<quint16> values, int exceptionCode, int tries);

public slots:
    void SetStop();
    void ReadEnable(bool enable);
    void ClearReadList();
    void ReceviedData(QByteArray data);
    void Add_readregisterList(int address, quint16 count, quint16 period);
    void Add_writeregisterList(int address, quint16 value);
    void Add_writeMutipregisterList(int address, QVector<quint16> values);
    // The link's word that the answer it is about to report as a failure was the device's
    // exception: connected beside ReceviedData, it comes just before that failure.
    void WriteRefusedByDevice(int exceptionCode);

public:
    // Writes still waiting in the queue, the one on the line first.
    QList<WriteRequest> queuedWrites();

protected:
    void run() override;

private:
    enum class Kind { Read, Write };

    // A request handed to the link whose answer may still arrive. The link answers in
    // order, one array per request (or nothing when its master refuses the request).
    struct InFlight {
        quint64 seq = 0;
        Kind kind = Kind::Read;
        quint16 address = 0;
        qint64 stamp = 0;       // emission, then hand-over to the link, on m_clock
        bool timedOut = false;  // its wait ran out; an answer now only needs swallowing
    };

    struct QueuedWrite {
        quint64 id = 0;
        WriteRequest request;
        int sends = 0;
    };

    enum class Outcome { Answered, Refused, Unanswered, Stopped };

    bool readStep(bool *stopped);
    bool writeStep(bool *stopped);
    Outcome transact(Kind kind, quint16 address, quint16 count, const QVector<quint16> &values,
                     int *exceptionCode = nullptr);
    void idleUntilDue();
    qint64 msUntilNextRead();
    void noteDispatched();
    void postWork();
    bool stopRequested();
    static bool fits(const InFlight &request, const QByteArray &answer);

    // Lock order: read-list or write-queue mutex alone; reply mutex, then stop mutex.
    // No mutex a slot takes is held across a reply wait.
    QMutex m_listMutex;
    QMutex m_writeMutex;
    QMutex m_stopMutex;
    QMutex m_replyMutex;
    QWaitCondition m_replyCondition;
    QWaitCondition m_workCondition;

    // m_listMutex
    QElapsedTimer m_passTimer;
    bool m_readEnabled = false;
    bool m_fullPassPending = true;
    QMap<quint16, quint16> m_readList;
    QMap<quint16, quint16> m_scanPeriods;
    QMap<quint16, qint64> m_lastReadTimes;
    quint16 m_cursor = 0;         // next block: the lowest address at or above this
    bool m_cursorAtEnd = false;

    // m_writeMutex
    QList<QueuedWrite> m_writeQueue;
    quint64 m_nextWriteId = 0;
    quint64 m_writeOnLine = 0; // id of the write whose answer is awaited, 0 for none

    // m_stopMutex
    bool m_stop = false;

    std::atomic_bool m_writesRefused{false};

    // m_replyMutex
    QElapsedTimer m_clock;
    bool m_replyReceived = false;
    int m_refusal = -1;          // exception code of the write being waited for, -1 for none
    bool m_workPosted = false;
    bool m_swallowedDuringWait = false;
    quint64 m_currentSeq = 0;
    quint64 m_lastSeq = 0;
    quint64 m_dispatchedSeq = 0;
    QList<InFlight> m_inFlight;
};
