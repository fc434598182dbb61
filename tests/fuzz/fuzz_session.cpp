// A session file from anybody, to the reader the window, grivantctl and the simulator
// share, and to the state index over what it read: whatever the file holds, reading ends
// with a session or a message, and what is read keeps the format's bounds.
#include "engine/sessionindex.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {
QString g_path;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    g_path = QStringLiteral("/tmp/grivant-fuzz-session-%1").arg(getpid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        QFile file(g_path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    SessionData session;
    QString error;
    if (!readSession(g_path, &session, &error)) {
        if (error.isEmpty())
            std::abort();
    } else {
        if (session.durationUs < 0 || session.durationUs > SessionReader::MaxTimeUs
            || !sessionContradiction(session).isEmpty())
            std::abort();
        const SessionIndex index(&session);
        for (const SessionIndex::Reply &reply : index.replies())
            if (reply.start + reply.count > 0x10000 || index.replyBytes(reply).size() != 3 + 2 * reply.count)
                std::abort();
        for (int address : index.registersRead())
            if (address < 0 || address > 0xFFFF)
                std::abort();
        quint16 value = 0;
        index.valueAt(0x0200, session.durationUs, &value);
        index.latestAt(session.durationUs / 2);
        for (const TrafficFrame &frame : session.frames)
            if (frame.bytes.size() > SessionReader::MaxFrameBytes)
                std::abort();
    }
    QFile::remove(g_path);
    return 0;
}
