#include "engine/sessionindex.h"

#include <algorithm>

namespace {

constexpr int InfoBlock = 0x0A00;
constexpr int InfoCount = 6;

int countUpTo(const QVector<qint64> &times, qint64 t)
{
    return int(std::upper_bound(times.cbegin(), times.cend(), t) - times.cbegin());
}

} // namespace

SessionIndex::SessionIndex(const SessionData *data) : m_data(data)
{
    QMap<quint16, int> latest;
    int sinceKeyframe = 0;
    // One mark per write: where the recording kept the writes as queued, their moments;
    // else the writes that went out, a second try of one that got no answer not counted.
    QVector<qint64> sentWrites;
    QByteArray lastWrite;
    bool lastWriteAnswered = true;
    bool queuedWrites = false;
    for (int i = 0; i < data->frames.size(); ++i) {
        const TrafficFrame f = data->frames.light(i);
        const qint64 t = data->tUs(i);
        const TrafficDecoded d = decodeTraffic(f);
        if (d.isError())
            m_errors << t;
        const bool write = d.kind == TrafficDecoded::WriteSingle || d.kind == TrafficDecoded::WriteMultiple;
        if (f.direction == TrafficFrame::Sent && write) {
            if (f.bytes != lastWrite || lastWriteAnswered)
                sentWrites << t;
            lastWrite = f.bytes;
            lastWriteAnswered = false;
        } else if (f.direction == TrafficFrame::Received && !d.isError()
                   && (write || d.kind == TrafficDecoded::WriteMultipleReply)) {
            lastWriteAnswered = true;
        }
        // Only an answer that holds the registers its request asked for gives values.
        if (data->frames.use(i) != SessionFrameUse::ReadAnswer)
            continue;
        if (sinceKeyframe >= qMax(KeyframeReplies, latest.size()) || m_keyframes.isEmpty()) {
            Keyframe k;
            k.reply = m_replies.size();
            for (auto it = latest.cbegin(); it != latest.cend(); ++it)
                k.latest << qMakePair(it.key(), it.value());
            m_keyframes << k;
            sinceKeyframe = 0;
        }
        Reply reply;
        reply.tUs = t;
        reply.start = quint16(f.address);
        reply.count = quint16(d.values.size());
        reply.frame = i;
        if (reply.start == InfoBlock && reply.count >= InfoCount)
            m_idents << qMakePair(t, replyBytes(reply).mid(3, 2 * InfoCount));
        latest.insert(reply.start, m_replies.size());
        m_replies << reply;
        ++sinceKeyframe;
    }
    for (const SessionEvent &e : data->events) {
        m_eventTimes << e.tUs;
        if (e.kind == QLatin1String(SessionFormat::Connected) && !e.data.isEmpty()) {
            m_idents << qMakePair(e.tUs, QByteArray::fromHex(e.data.toLatin1()));
        } else if (e.kind == QLatin1String(SessionFormat::WriteQueued)) {
            m_writes << e.tUs;
            queuedWrites = true;
        } else if (e.kind == QLatin1String(SessionFormat::WriteGivenUp) || e.kind == QLatin1String(SessionFormat::WriteUnknown)
                   || e.kind == QLatin1String(SessionFormat::WriteRefused)) {
            m_errors << e.tUs;
        } else if (e.kind == QLatin1String(SessionFormat::Notice) || e.kind == QLatin1String(SessionFormat::Log)) {
            m_notices << e.tUs;
        }
    }
    std::stable_sort(m_idents.begin(), m_idents.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::sort(m_errors.begin(), m_errors.end());
    if (!queuedWrites)
        m_writes = sentWrites;
    std::sort(m_writes.begin(), m_writes.end());
    std::sort(m_notices.begin(), m_notices.end());
}

int SessionIndex::repliesUpTo(qint64 tUs) const
{
    return int(std::upper_bound(m_replies.cbegin(), m_replies.cend(), tUs,
                                [](qint64 t, const Reply &reply) { return t < reply.tUs; })
               - m_replies.cbegin());
}

QMap<quint16, int> SessionIndex::latestAt(qint64 tUs) const
{
    const int end = repliesUpTo(tUs);
    if (tUs < 0 || end == 0)
        return {};
    const auto k = std::upper_bound(m_keyframes.cbegin(), m_keyframes.cend(), end,
                                    [](int replies, const Keyframe &keyframe) { return replies < keyframe.reply; });
    const Keyframe &keyframe = *std::prev(k);
    QMap<quint16, int> latest;
    for (const auto &block : keyframe.latest)
        latest.insert(block.first, block.second);
    for (int r = keyframe.reply; r < end; ++r)
        latest.insert(m_replies.at(r).start, r);
    return latest;
}

QVector<quint16> SessionIndex::values(const Reply &reply) const
{
    const QByteArray bytes = m_data->frames.bytes(reply.frame);
    QVector<quint16> values(reply.count);
    for (int i = 0; i < reply.count; ++i)
        values[i] = quint16(quint8(bytes.at(3 + 2 * i)) << 8 | quint8(bytes.at(4 + 2 * i)));
    return values;
}

bool SessionIndex::valueAt(int address, qint64 tUs, quint16 *value) const
{
    const QMap<quint16, int> latest = latestAt(tUs);
    int newest = -1;
    for (auto it = latest.cbegin(); it != latest.cend(); ++it) {
        const Reply &reply = m_replies.at(it.value());
        const int offset = address - reply.start;
        if (offset >= 0 && offset < reply.count && it.value() > newest)
            newest = it.value();
    }
    if (newest < 0)
        return false;
    const Reply &reply = m_replies.at(newest);
    const QByteArray bytes = m_data->frames.bytes(reply.frame);
    const int at = 3 + 2 * (address - reply.start);
    *value = quint16(quint8(bytes.at(at)) << 8 | quint8(bytes.at(at + 1)));
    return true;
}

QByteArray SessionIndex::identAt(qint64 tUs) const
{
    QByteArray block = m_data->header.ident;
    for (const auto &ident : m_idents) {
        if (ident.first > tUs)
            break;
        block = ident.second;
    }
    return block;
}

QPair<int, int> SessionIndex::repliesBetween(qint64 fromUs, qint64 toUs) const
{
    return qMakePair(repliesUpTo(fromUs), repliesUpTo(toUs));
}

int SessionIndex::firstFrameAfter(qint64 tUs) const
{
    // Clamped so that no time given overflows with the start added.
    return m_data->frames.firstAfter(m_data->header.startEpochUs + qBound<qint64>(-1, tUs, SessionReader::MaxTimeUs));
}

int SessionIndex::firstEventAfter(qint64 tUs) const
{
    return countUpTo(m_eventTimes, tUs);
}

qint64 SessionIndex::next(Mark mark, qint64 tUs) const
{
    const QVector<qint64> &times = mark == Mark::Error ? m_errors : mark == Mark::Write ? m_writes : m_notices;
    const auto it = std::upper_bound(times.cbegin(), times.cend(), tUs);
    return it == times.cend() ? -1 : *it;
}

QVector<int> SessionIndex::registersRead() const
{
    // Replies never reach beyond 0xFFFF (the reader leaves such answers out).
    std::vector<bool> seen(0x10000, false);
    for (const Reply &reply : m_replies)
        for (int i = 0; i < reply.count; ++i)
            seen[size_t(reply.start + i)] = true;
    QVector<int> registers;
    for (int a = 0; a < 0x10000; ++a)
        if (seen[size_t(a)])
            registers << a;
    return registers;
}

QByteArray SessionIndex::replyBytes(const Reply &reply) const
{
    // The answer's data as it came, after the start.
    const QByteArray bytes = m_data->frames.bytes(reply.frame);
    QByteArray out;
    out.reserve(3 + 2 * reply.count);
    out.append(char(reply.start >> 8));
    out.append(char(reply.start & 0xFF));
    out.append(char(reply.count & 0xFF));
    out.append(bytes.constData() + 3, 2 * reply.count);
    return out;
}

qint64 ReplayClock::position(qint64 wallUs) const
{
    if (!m_playing)
        return m_base;
    return qBound<qint64>(0, m_base + (wallUs - m_wallBase) * m_speed, m_duration);
}

void ReplayClock::play(qint64 wallUs)
{
    if (m_playing)
        return;
    // Playing from the end starts again from the beginning.
    if (m_base >= m_duration)
        m_base = 0;
    m_wallBase = wallUs;
    m_playing = true;
}

void ReplayClock::pause(qint64 wallUs)
{
    m_base = position(wallUs);
    m_playing = false;
}

void ReplayClock::seek(qint64 us, qint64 wallUs)
{
    m_base = qBound<qint64>(0, us, m_duration);
    m_wallBase = wallUs;
}

void ReplayClock::setSpeed(int speed, qint64 wallUs)
{
    m_base = position(wallUs);
    m_wallBase = wallUs;
    m_speed = qBound(1, speed, 16);
}
