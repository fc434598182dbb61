// The frames of a session in memory, packed: 24 bytes a frame beside its bytes, so that a
// session of millions of frames takes about what its file takes on the disk. A frame is
// handed out as the link reported it (TrafficFrame), made when it is asked for.
#pragma once

#include "engine/sessionreader.h"
#include "link/traffic.h"

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>
#include <iterator>
#include <vector>

class SessionFrames
{
public:
    int size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }

    TrafficFrame at(int i) const;
    TrafficFrame constLast() const { return at(m_count - 1); }
    // Without its line and note, its bytes not copied (they hold while the frames do):
    // enough to decode it.
    TrafficFrame light(int i) const;
    // Microseconds since the epoch.
    qint64 timeUs(int i) const { return packed(i).timeUs; }
    int direction(int i) const { return packed(i).direction; }
    SessionFrameUse use(int i) const { return SessionFrameUse(packed(i).flags & UseMask); }
    int address(int i) const { return packed(i).flags & HasAddress ? packed(i).address : -1; }
    // The bytes, not copied.
    QByteArray bytes(int i) const;
    // The first frame later than `timeUs` (epoch), or size().
    int firstAfter(qint64 timeUs) const;

    // A frame as the link reported it; what it is to a reader is found as the reader does.
    void append(const TrafficFrame &frame);
    SessionFrames &operator<<(const TrafficFrame &frame)
    {
        append(frame);
        return *this;
    }
    // A row of the file, checked by the reader.
    void append(const SessionRow &row, qint64 startEpochUs, const QString &firstLine);
    // Keeps the first n.
    void truncate(int n);

    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = TrafficFrame;
        using difference_type = int;
        using pointer = const TrafficFrame *;
        using reference = TrafficFrame;
        const_iterator(const SessionFrames *frames, int i) : m_frames(frames), m_i(i) {}
        TrafficFrame operator*() const { return m_frames->at(m_i); }
        const_iterator &operator++()
        {
            ++m_i;
            return *this;
        }
        bool operator==(const const_iterator &other) const { return m_i == other.m_i; }
        bool operator!=(const const_iterator &other) const { return m_i != other.m_i; }

    private:
        const SessionFrames *m_frames;
        int m_i;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, m_count); }

private:
    enum Flags : quint8 { UseMask = 3, HasAddress = 4, HasWaited = 8 };
    struct Packed
    {
        qint64 timeUs;
        quint32 at;        // in its chunk's bytes: the frame, the note, then the wait (4 bytes)
        quint16 size;
        quint16 noteSize;
        quint16 address;
        quint16 count;
        quint8 direction, server, function, flags;
    };
    static_assert(sizeof(Packed) == 24, "a frame packs into 24 bytes");
    // Frames in chunks of a fixed count, each with the bytes of its frames: nothing is
    // moved as a session grows, and no chunk's bytes outgrow 32 bits.
    static constexpr int ChunkBits = 16;
    struct Chunk
    {
        std::vector<Packed> frames;
        std::vector<char> bytes;
    };

    const Packed &packed(int i) const { return m_chunks[size_t(i) >> ChunkBits].frames[size_t(i) & ((1 << ChunkBits) - 1)]; }
    const char *data(int i) const { return m_chunks[size_t(i) >> ChunkBits].bytes.data() + packed(i).at; }
    void add(Packed p, const char *bytes, int size, const char *note, int noteSize, qint32 waited, const QString *line);

    std::vector<Chunk> m_chunks;
    int m_count = 0;
    // The line each frame went on, stored where it changes: from frame, the line.
    QVector<QPair<int, QString>> m_lines;
    SessionFrameCheck m_check; // for frames appended one by one
};
