#include "engine/sessionframes.h"

#include <algorithm>
#include <cstring>

TrafficFrame SessionFrames::light(int i) const
{
    const Packed &p = packed(i);
    TrafficFrame f;
    f.timeUs = p.timeUs;
    f.time = p.timeUs / 1000;
    f.direction = TrafficFrame::Direction(p.direction);
    f.server = p.server;
    f.function = p.function;
    f.address = p.flags & HasAddress ? qint32(p.address) : -1;
    f.count = p.count;
    if (p.flags & HasWaited)
        std::memcpy(&f.waitedMs, data(i) + p.size + p.noteSize, sizeof f.waitedMs);
    f.bytes = bytes(i);
    return f;
}

TrafficFrame SessionFrames::at(int i) const
{
    TrafficFrame f = light(i);
    f.bytes.detach();
    const Packed &p = packed(i);
    if (p.noteSize)
        f.note = QString::fromUtf8(data(i) + p.size, p.noteSize);
    const auto line = std::upper_bound(m_lines.cbegin(), m_lines.cend(), i,
                                       [](int frame, const QPair<int, QString> &change) { return frame < change.first; });
    if (line != m_lines.cbegin())
        f.port = std::prev(line)->second;
    return f;
}

QByteArray SessionFrames::bytes(int i) const
{
    const Packed &p = packed(i);
    return p.size ? QByteArray::fromRawData(data(i), p.size) : QByteArray();
}

int SessionFrames::firstAfter(qint64 timeUs) const
{
    int low = 0, high = m_count;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (packed(middle).timeUs <= timeUs)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

void SessionFrames::add(Packed p, const char *bytes, int size, const char *note, int noteSize, qint32 waited,
                        const QString *line)
{
    if (size_t(m_count) >> ChunkBits >= m_chunks.size()) {
        if (!m_chunks.empty())
            m_chunks.back().bytes.shrink_to_fit();
        m_chunks.emplace_back();
        m_chunks.back().frames.reserve(size_t(1) << ChunkBits);
    }
    Chunk &chunk = m_chunks.back();
    p.at = quint32(chunk.bytes.size());
    p.size = quint16(size);
    p.noteSize = quint16(noteSize);
    chunk.bytes.insert(chunk.bytes.end(), bytes, bytes + size);
    chunk.bytes.insert(chunk.bytes.end(), note, note + noteSize);
    if (p.flags & HasWaited) {
        char raw[sizeof waited];
        std::memcpy(raw, &waited, sizeof waited);
        chunk.bytes.insert(chunk.bytes.end(), raw, raw + sizeof raw);
    }
    chunk.frames.push_back(p);
    if (line && (m_lines.isEmpty() || m_lines.constLast().second != *line))
        m_lines.append(qMakePair(m_count, *line));
    ++m_count;
}

void SessionFrames::append(const TrafficFrame &frame)
{
    Packed p{};
    p.timeUs = frame.timeUs != 0 ? frame.timeUs : frame.time * 1000;
    p.direction = quint8(frame.direction);
    p.server = frame.server;
    p.function = frame.function;
    p.address = quint16(frame.address);
    p.count = frame.count;
    SessionFrameUse use = SessionFrameUse::Other;
    const auto *raw = reinterpret_cast<const uint8_t *>(frame.bytes.constData());
    m_check.take(p.timeUs, int(frame.direction), frame.server, frame.function, frame.address, frame.count, raw,
                 int(frame.bytes.size()), &use);
    p.flags = quint8(quint8(use) | (frame.address >= 0 && frame.address <= 0xFFFF ? HasAddress : 0)
                     | (frame.direction == TrafficFrame::NoAnswer ? HasWaited : 0));
    const QByteArray note = frame.note.toUtf8();
    add(p, frame.bytes.constData(), int(qMin(frame.bytes.size(), SessionReader::MaxFrameBytes)), note.constData(),
        int(qMin(note.size(), SessionReader::MaxNoteBytes)), frame.waitedMs, &frame.port);
}

void SessionFrames::append(const SessionRow &row, qint64 startEpochUs, const QString &firstLine)
{
    Packed p{};
    p.timeUs = startEpochUs + row.tUs;
    p.direction = quint8(row.direction);
    p.server = quint8(row.server);
    p.function = quint8(row.function);
    p.address = quint16(row.address);
    p.count = quint16(row.count);
    p.flags = quint8(quint8(row.use) | (row.address >= 0 ? HasAddress : 0)
                     | (row.direction == TrafficFrame::NoAnswer ? HasWaited : 0));
    // A NULL line is the line of the frame before; the first frame's, the header's.
    QString line;
    if (row.line)
        line = QString::fromUtf8(row.line, row.lineSize);
    add(p, reinterpret_cast<const char *>(row.bytes), row.size, row.note, row.noteSize, qMax(0, row.waitedMs),
        row.line ? &line : m_count == 0 ? &firstLine : nullptr);
}

void SessionFrames::truncate(int n)
{
    if (n >= m_count)
        return;
    n = qMax(0, n);
    m_chunks.resize((size_t(n) + (size_t(1) << ChunkBits) - 1) >> ChunkBits);
    if (!m_chunks.empty()) {
        Chunk &last = m_chunks.back();
        last.frames.resize(size_t(n) - ((m_chunks.size() - 1) << ChunkBits));
        last.bytes.resize(last.frames.empty() ? 0 : last.frames.back().at + last.frames.back().size + last.frames.back().noteSize
                                                        + (last.frames.back().flags & HasWaited ? 4 : 0));
    }
    while (!m_lines.isEmpty() && m_lines.constLast().first >= n)
        m_lines.removeLast();
    m_count = n;
}
