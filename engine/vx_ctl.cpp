#include "engine/vx_ctl.h"

#include "engine/actionregisters.h"

#include <QMetaType>
#include <QMutexLocker>

#include <atomic>

namespace {

// Retries of unanswered writes, shared by every engine for the life of the process.
std::atomic<int> s_retryCounter{0};

// An answer that arrives this long after its request reached the link is no longer
// attributed to that request: the link gives up on a request after 150 ms, so only a
// stalled event loop makes an answer this late.
constexpr qint64 LateReplyWindowMs = 1000;

// Bound on remembered requests whose answers are still owed (e.g. while disconnected,
// when the link answers nothing at all).
constexpr int MaxInFlight = 16;

} // namespace

VX_Ctl::VX_Ctl(QObject *parent) : QThread(parent)
{
    qRegisterMetaType<QVector<quint16>>("QVector<quint16>");
    m_clock.start();

    // The object lives in the thread of the link, so these connections are queued like
    // the link's own; being made first, each runs just before the link gets the request.
    // An answer that arrives earlier cannot be the answer to that request.
    connect(this, &VX_Ctl::SendReadRequest, this, [this]() { noteDispatched(); });
    connect(this, &VX_Ctl::SendWriteRequest, this, [this]() { noteDispatched(); });
}

VX_Ctl::~VX_Ctl()
{
    if (isRunning()) {
        SetStop();
        wait();
    }
}

int VX_Ctl::retryCounter()
{
    return s_retryCounter.load();
}

void VX_Ctl::postWork()
{
    QMutexLocker reply(&m_replyMutex);
    m_workPosted = true;
    m_workCondition.wakeAll();
}

bool VX_Ctl::stopRequested()
{
    QMutexLocker stop(&m_stopMutex);
    return m_stop;
}

void VX_Ctl::SetStop()
{
    {
        QMutexLocker stop(&m_stopMutex);
        m_stop = true;
    }
    QMutexLocker reply(&m_replyMutex);
    m_workPosted = true;
    m_workCondition.wakeAll();
    m_replyCondition.wakeAll();
}

void VX_Ctl::ReadEnable(bool enable)
{
    QList<QueuedWrite> dropped;
    {
        QMutexLocker queue(&m_writeMutex);
        // The write on the line is reported by the write step once its wait has ended.
        for (const QueuedWrite &write : qAsConst(m_writeQueue)) {
            if (write.id != m_writeOnLine)
                dropped.append(write);
        }
        m_writeQueue.clear();
    }
    for (const QueuedWrite &write : qAsConst(dropped))
        emit WriteGivenUp(write.request.address, write.request.values, write.sends);
    {
        QMutexLocker list(&m_listMutex);
        m_readEnabled = enable;
        m_fullPassPending = true;
        // Start the full pass at the lowest address so that it really covers every block.
        m_cursor = 0;
        m_cursorAtEnd = false;
    }
    postWork();
}

void VX_Ctl::ClearReadList()
{
    {
        QMutexLocker list(&m_listMutex);
        m_readEnabled = false;
        m_readList.clear();
        m_scanPeriods.clear();
        m_lastReadTimes.clear();
        m_fullPassPending = true;
        m_cursor = 0;
        m_cursorAtEnd = false;
    }
    postWork();
}

void VX_Ctl::Add_readregisterList(int address, quint16 count, quint16 period)
{
    const quint16 start = quint16(address);
    {
        QMutexLocker list(&m_listMutex);
        m_readList.insert(start, count);
        m_scanPeriods.insert(start, period);
        m_lastReadTimes.insert(start, 0);
        m_cursor = 0;
        m_cursorAtEnd = false;
    }
    postWork();
}

void VX_Ctl::Add_writeregisterList(int address, quint16 value)
{
    Add_writeMutipregisterList(address, QVector<quint16>{value});
}

void VX_Ctl::Add_writeMutipregisterList(int address, QVector<quint16> values)
{
    // A write of no register is refused by the link without an answer; it would only
    // cost retries.
    if (values.isEmpty())
        return;
    if (m_writesRefused) {
        emit WriteBlocked(address, values);
        return;
    }
    {
        QMutexLocker queue(&m_writeMutex);
        QueuedWrite write;
        write.id = ++m_nextWriteId;
        write.request.address = quint16(address);
        write.request.values = values;
        m_writeQueue.append(write);
    }
    emit WriteQueued(address, values);
    postWork();
}

bool VX_Ctl::fits(const InFlight &request, const QByteArray &answer)
{
    if (answer.isEmpty())
        return true; // a failure can answer any request
    if (request.kind == Kind::Write)
        return answer == QByteArrayLiteral("ok");
    if (answer.size() < 3)
        return false;
    const quint16 start = quint16((uchar(answer.at(0)) << 8) | uchar(answer.at(1)));
    return start == request.address;
}

void VX_Ctl::noteDispatched()
{
    QMutexLocker reply(&m_replyMutex);
    ++m_dispatchedSeq;
    for (InFlight &request : m_inFlight) {
        if (request.seq == m_dispatchedSeq) {
            request.stamp = m_clock.elapsed();
            break;
        }
    }
}

void VX_Ctl::ReceviedData(QByteArray data)
{
    QMutexLocker reply(&m_replyMutex);
    const qint64 now = m_clock.elapsed();

    // The link answers in order. Timed-out requests at the front that are too old, or
    // that this answer cannot belong to, were never answered and are forgotten.
    while (!m_inFlight.isEmpty()) {
        const InFlight &oldest = m_inFlight.first();
        if (!oldest.timedOut)
            break;
        const bool expired = now - oldest.stamp > LateReplyWindowMs;
        const bool mismatch = oldest.seq <= m_dispatchedSeq && !fits(oldest, data);
        if (!expired && !mismatch)
            break;
        m_inFlight.removeFirst();
    }
    if (m_inFlight.isEmpty())
        return;

    const InFlight oldest = m_inFlight.first();
    if (oldest.seq > m_dispatchedSeq)
        return; // the link has not been handed that request yet

    if (oldest.timedOut) {
        // The late answer of an earlier request: it must not end the current wait.
        m_inFlight.removeFirst();
        m_swallowedDuringWait = true;
        return;
    }

    if (!fits(oldest, data))
        return;
    m_inFlight.removeFirst();
    // Only a success ends the wait; after a failure it runs out.
    if (!data.isEmpty() && oldest.seq == m_currentSeq) {
        m_replyReceived = true;
        m_replyCondition.wakeAll();
    }
}

// The refusal belongs to the request the following failure will be matched with (see
// ReceviedData): the oldest one owed an answer, once timed-out requests too old to be
// answered are left aside. Only the write being waited for takes it; the failure array that
// follows then settles its place in the line of requests.
void VX_Ctl::WriteRefusedByDevice(int exceptionCode)
{
    QMutexLocker reply(&m_replyMutex);
    const qint64 now = m_clock.elapsed();
    for (const InFlight &request : qAsConst(m_inFlight)) {
        if (request.timedOut && now - request.stamp > LateReplyWindowMs)
            continue;
        if (!request.timedOut && request.kind == Kind::Write && request.seq == m_currentSeq
            && request.seq <= m_dispatchedSeq) {
            m_refusal = exceptionCode;
            m_replyCondition.wakeAll();
        }
        return;
    }
}

QList<VX_Ctl::WriteRequest> VX_Ctl::queuedWrites()
{
    QMutexLocker queue(&m_writeMutex);
    QList<WriteRequest> requests;
    for (const QueuedWrite &write : qAsConst(m_writeQueue))
        requests.append(write.request);
    return requests;
}

VX_Ctl::Outcome VX_Ctl::transact(Kind kind, quint16 address, quint16 count,
                                 const QVector<quint16> &values, int *exceptionCode)
{
    quint64 seq = 0;
    {
        QMutexLocker reply(&m_replyMutex);
        seq = ++m_lastSeq;
        m_currentSeq = seq;
        m_replyReceived = false;
        m_refusal = -1;
        m_swallowedDuringWait = false;
        InFlight request;
        request.seq = seq;
        request.kind = kind;
        request.address = address;
        request.stamp = m_clock.elapsed();
        m_inFlight.append(request);
        while (m_inFlight.size() > MaxInFlight)
            m_inFlight.removeFirst();
    }

    if (kind == Kind::Read)
        emit SendReadRequest(address, count);
    else
        emit SendWriteRequest(address, values);

    QMutexLocker reply(&m_replyMutex);
    const QDeadlineTimer deadline(ReplyWaitMs);
    bool stopped = false;
    while (!m_replyReceived && m_refusal < 0) {
        {
            QMutexLocker stop(&m_stopMutex);
            stopped = m_stop;
        }
        if (stopped || !m_replyCondition.wait(&m_replyMutex, deadline))
            break;
    }

    const bool answered = m_replyReceived;
    const int refusal = m_refusal;
    m_refusal = -1;
    m_currentSeq = 0;
    if (!answered && refusal >= 0) {
        // Answered, with a refusal: the failure array on its way removes the request.
        if (exceptionCode)
            *exceptionCode = refusal;
        return Outcome::Refused;
    }
    if (!answered) {
        for (int i = 0; i < m_inFlight.size(); ++i) {
            if (m_inFlight.at(i).seq != seq)
                continue;
            if (m_swallowedDuringWait) {
                // An answer went to an older request while this one waited, yet this one
                // got none: one of the two was never answered and there is no telling
                // which. Forget them all rather than risk shifting every later answer.
                m_inFlight.erase(m_inFlight.begin(), m_inFlight.begin() + i + 1);
            } else {
                m_inFlight[i].timedOut = true;
            }
            break;
        }
    }
    if (answered)
        return Outcome::Answered;
    return stopped ? Outcome::Stopped : Outcome::Unanswered;
}

bool VX_Ctl::readStep(bool *stopped)
{
    quint16 address = 0;
    quint16 count = 0;
    {
        QMutexLocker list(&m_listMutex);
        if (!m_readEnabled)
            return false;
        const auto block = m_cursorAtEnd ? m_readList.cend() : m_readList.lowerBound(m_cursor);
        if (block == m_readList.cend()) {
            m_fullPassPending = false;
            m_cursor = 0;
            m_cursorAtEnd = false;
            return false;
        }
        address = block.key();
        count = block.value();

        const qint64 now = m_passTimer.elapsed();
        const auto last = m_lastReadTimes.constFind(address);
        const qint64 age = last != m_lastReadTimes.cend() ? now - last.value() : now;
        const qint64 period = m_scanPeriods.value(address, 0);
        const bool due = age > period || m_fullPassPending;

        if (address == 0xFFFF)
            m_cursorAtEnd = true;
        else
            m_cursor = quint16(address + 1);
        if (!due)
            return false;
        m_lastReadTimes.insert(address, now);
    }
    // A read is never repeated on failure; it is due again after its period.
    *stopped = transact(Kind::Read, address, count, {}) == Outcome::Stopped;
    return true;
}

bool VX_Ctl::writeStep(bool *stopped)
{
    QueuedWrite head;
    {
        QMutexLocker queue(&m_writeMutex);
        if (m_writeQueue.isEmpty())
            return false;
        head = m_writeQueue.first();
        m_writeOnLine = head.id;
    }

    int exceptionCode = -1;
    const Outcome outcome = transact(Kind::Write, head.request.address, 0, head.request.values,
                                     &exceptionCode);

    const int tries = head.sends + 1;
    const bool action = ActionRegisters::isActionWrite(head.request.address, head.request.values.size());
    bool givenUp = false;
    {
        QMutexLocker queue(&m_writeMutex);
        m_writeOnLine = 0;
        if (outcome == Outcome::Stopped) {
            *stopped = true;
            return true;
        }
        // The queue may have been emptied (ReadEnable) while the request was on the line.
        // The counter then moves as if the emptying had come after this step: an unanswered
        // write still counts as a retry.
        const bool stillQueued = !m_writeQueue.isEmpty() && m_writeQueue.first().id == head.id;
        int retries = s_retryCounter.load();
        // An action is not repeated: the device may have carried out the unanswered send.
        // A refusal is final: the device said it did not carry the write out.
        const bool done = outcome == Outcome::Answered || outcome == Outcome::Refused || retries > 2
                          || action;
        if (done)
            retries = 0;
        if (done || !stillQueued) {
            if (stillQueued)
                m_writeQueue.removeFirst();
            givenUp = outcome != Outcome::Answered;
        } else {
            m_writeQueue.first().sends = tries;
        }
        s_retryCounter.store(retries + 1);
    }

    if (outcome == Outcome::Answered)
        emit WriteConfirmed(head.request.address, head.request.values, tries);
    else if (outcome == Outcome::Refused)
        emit WriteRefused(head.request.address, head.request.values, exceptionCode, tries);
    else if (givenUp && action)
        emit WriteOutcomeUnknown(head.request.address, head.request.values);
    else if (givenUp)
        emit WriteGivenUp(head.request.address, head.request.values, tries);
    // Every write that leaves the queue here ends one way or the other for whoever waits on it.
    if (outcome == Outcome::Answered || givenUp)
        emit WriteFinished(head.request.address, head.request.values, outcome == Outcome::Answered);
    return true;
}

qint64 VX_Ctl::msUntilNextRead()
{
    QMutexLocker list(&m_listMutex);
    if (!m_readEnabled || m_readList.isEmpty())
        return -1;
    if (m_fullPassPending)
        return 0;
    const qint64 now = m_passTimer.elapsed();
    qint64 soonest = -1;
    for (auto block = m_readList.cbegin(); block != m_readList.cend(); ++block) {
        // Due once more than its period has passed since its last read request.
        const qint64 dueAt = m_lastReadTimes.value(block.key(), 0)
                             + m_scanPeriods.value(block.key(), 0) + 1;
        const qint64 wait = qMax<qint64>(0, dueAt - now);
        if (soonest < 0 || wait < soonest)
            soonest = wait;
    }
    return soonest;
}

void VX_Ctl::idleUntilDue()
{
    const qint64 ms = msUntilNextRead();
    if (ms == 0)
        return;
    {
        QMutexLocker queue(&m_writeMutex);
        if (!m_writeQueue.isEmpty())
            return;
    }
    // Nothing is due and nothing queued: sleep until the next block falls due or a slot
    // brings work, instead of spinning over the lists.
    QMutexLocker reply(&m_replyMutex);
    if (!m_workPosted) {
        const QDeadlineTimer deadline = ms < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                               : QDeadlineTimer(ms);
        m_workCondition.wait(&m_replyMutex, deadline);
    }
    m_workPosted = false;
}

void VX_Ctl::run()
{
    {
        QMutexLocker list(&m_listMutex);
        m_cursor = 0;
        m_cursorAtEnd = false;
        m_passTimer.start();
    }
    {
        QMutexLocker reply(&m_replyMutex);
        m_replyReceived = false;
    }

    while (!stopRequested()) {
        bool stopped = false;
        const bool read = readStep(&stopped);
        if (stopped || stopRequested())
            return;
        const bool wrote = writeStep(&stopped);
        if (stopped)
            return;
        if (!read && !wrote)
            idleUntilDue();
    }
}
