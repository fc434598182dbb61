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
    for (int i = 0; i < data->frames.size(); ++i) {
        const TrafficFrame &f = data->frames.at(i);
        const qint64 t = data->tUs(f);
        m_frameTimes << t;
        const TrafficDecoded d = decodeTraffic(f);
        if (d.isError())
            m_errors << t;
        if (f.direction == TrafficFrame::Sent && (d.kind == TrafficDecoded::WriteSingle || d.kind == TrafficDecoded::WriteMultiple))
            m_writes << t;
        if (f.direction == TrafficFrame::Received && d.kind == TrafficDecoded::ReadReply
            && d.crc == TrafficDecoded::CrcGood && f.address >= 0) {
            Reply reply;
            reply.tUs = t;
            reply.start = quint16(f.address);
            reply.values = d.values;
            reply.frame = i;
            if (reply.start == InfoBlock && reply.values.size() >= InfoCount)
                m_idents << qMakePair(t, replyBytes(reply).mid(3, 2 * InfoCount));
            m_replies << reply;
            m_replyTimes << t;
        }
    }
    for (const SessionEvent &e : data->events) {
        m_eventTimes << e.tUs;
        if (e.kind == QLatin1String(SessionFormat::Connected) && !e.data.isEmpty())
            m_idents << qMakePair(e.tUs, QByteArray::fromHex(e.data.toLatin1()));
        else if (e.kind == QLatin1String(SessionFormat::WriteQueued))
            m_writes << e.tUs;
        else if (e.kind == QLatin1String(SessionFormat::WriteGivenUp) || e.kind == QLatin1String(SessionFormat::WriteUnknown)
                 || e.kind == QLatin1String(SessionFormat::WriteRefused))
            m_errors << e.tUs;
        else if (e.kind == QLatin1String(SessionFormat::Notice) || e.kind == QLatin1String(SessionFormat::Log))
            m_notices << e.tUs;
    }
    std::stable_sort(m_idents.begin(), m_idents.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::sort(m_errors.begin(), m_errors.end());
    std::sort(m_writes.begin(), m_writes.end());
    std::sort(m_notices.begin(), m_notices.end());

    QMap<quint16, int> latest;
    int r = 0;
    for (qint64 key = 0; key <= data->durationUs || r < m_replies.size(); key += KeyframeUs) {
        for (; r < m_replies.size() && m_replies.at(r).tUs <= key; ++r)
            latest.insert(m_replies.at(r).start, r);
        m_keyframes << latest;
    }
}

QMap<quint16, int> SessionIndex::latestAt(qint64 tUs) const
{
    if (tUs < 0 || m_keyframes.isEmpty())
        return {};
    const int k = int(qMin<qint64>(tUs / KeyframeUs, m_keyframes.size() - 1));
    QMap<quint16, int> latest = m_keyframes.at(k);
    const int end = countUpTo(m_replyTimes, tUs);
    for (int r = countUpTo(m_replyTimes, qint64(k) * KeyframeUs); r < end; ++r)
        latest.insert(m_replies.at(r).start, r);
    return latest;
}

bool SessionIndex::valueAt(int address, qint64 tUs, quint16 *value) const
{
    const QMap<quint16, int> latest = latestAt(tUs);
    qint64 newest = -1;
    for (auto it = latest.cbegin(); it != latest.cend(); ++it) {
        const Reply &reply = m_replies.at(it.value());
        const int offset = address - reply.start;
        if (offset >= 0 && offset < reply.values.size() && reply.tUs > newest) {
            newest = reply.tUs;
            *value = reply.values.at(offset);
        }
    }
    return newest >= 0;
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
    return qMakePair(countUpTo(m_replyTimes, fromUs), countUpTo(m_replyTimes, toUs));
}

int SessionIndex::firstFrameAfter(qint64 tUs) const
{
    return countUpTo(m_frameTimes, tUs);
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
    QMap<int, bool> seen;
    for (const Reply &reply : m_replies)
        for (int i = 0; i < reply.values.size(); ++i)
            seen.insert(reply.start + i, true);
    return seen.keys().toVector();
}

QByteArray SessionIndex::replyBytes(const Reply &reply)
{
    QByteArray out;
    out.append(char(reply.start >> 8));
    out.append(char(reply.start & 0xFF));
    out.append(char(reply.values.size() & 0xFF));
    for (quint16 v : reply.values) {
        out.append(char(v >> 8));
        out.append(char(v & 0xFF));
    }
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
