#include "gateway/commandqueue.h"

#include <algorithm>

QString CommandQueue::add(int id, const QByteArray &payload)
{
    Waiting &w = m_waiting[id];
    if (int(w.payloads.size()) >= m_limits.commands || w.bytes + payload.size() > m_limits.bytes) {
        const QString why = QStringLiteral("queue full: %1 commands of %2 bytes wait for ID %3 already (at most %4 "
                                           "commands or %5 bytes)")
                                .arg(w.payloads.size()).arg(w.bytes).arg(id).arg(m_limits.commands).arg(m_limits.bytes);
        if (w.payloads.empty())
            m_waiting.erase(id);
        return why;
    }
    if (w.payloads.empty())
        m_turns.push_back(id);
    w.payloads.push_back(payload);
    w.bytes += payload.size();
    return QString();
}

bool CommandQueue::take(Command *command)
{
    if (m_turns.empty())
        return false;
    const int id = m_turns.front();
    m_turns.pop_front();
    Waiting &w = m_waiting[id];
    command->id = id;
    command->payload = w.payloads.front();
    w.payloads.pop_front();
    w.bytes -= command->payload.size();
    if (w.payloads.empty())
        m_waiting.erase(id);
    else
        m_turns.push_back(id); // the others first
    return true;
}

qint64 CommandPacing::nextCommandAt(qint64 nowMs, qint64 nextPollMs) const
{
    // A command is expected to take as long as the last one did.
    if (nowMs + std::max<qint64>(m_lastMs, 1) <= nextPollMs)
        return nowMs;
    if (!m_pollSince)
        return std::max(nowMs + 1, nextPollMs);
    return std::max(nowMs, m_lastEndMs + PollShare * m_lastMs);
}

void CommandPacing::commandDone(qint64 startedMs, qint64 endedMs)
{
    m_lastEndMs = endedMs;
    m_lastMs = std::max<qint64>(0, endedMs - startedMs);
    m_pollSince = false;
}
