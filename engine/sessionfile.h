// A recorded session: every frame of the link and every event the operator caused or saw,
// in one SQLite file (docs/session-format.md). Read by the window's replay, grivantctl and,
// without Qt, by the simulator.
#pragma once

#include "data/registermap.h"
#include "engine/sessionframes.h"
#include "link/traffic.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>

namespace SessionFormat {
// PRAGMA application_id of a session: "GVSS".
constexpr qint32 ApplicationId = 0x47565353;
// PRAGMA user_version: the format this build writes and the newest it reads.
constexpr int Version = 1;
constexpr const char *Suffix = ".grivant-session";

// Event kinds, as stored.
constexpr const char *Connected = "connected";        // text: line, data: identification block (hex)
constexpr const char *Disconnected = "disconnected";
constexpr const char *Identified = "identified";      // text: model name, data: block (hex)
constexpr const char *WriteQueued = "write-queued";   // address, data: values
constexpr const char *WriteConfirmed = "write-confirmed"; // address, data, tries
constexpr const char *WriteGivenUp = "write-given-up";    // address, data, tries (0: dropped unsent)
constexpr const char *WriteUnknown = "write-unknown";     // address, data
constexpr const char *WriteRefused = "write-refused";     // address, data, tries, text: the device's exception
constexpr const char *Notice = "notice";              // text: the status bar's message
constexpr const char *Log = "log";                    // text: a process-log line
constexpr const char *Language = "language";          // text: zh_CN or en_US

// Register map names: the window and grivantctl use one per device kind.
QString mapNameFor(const QString &modelName);
// A hash of a map's content, so that a reader can tell whether its own map is the same.
QString mapHash(const RegisterMap &map);
QString valuesText(const QVector<quint16> &values);
QVector<quint16> valuesFromText(const QString &text);
// "00:01:02.345" of microseconds.
QString timeText(qint64 us);
} // namespace SessionFormat

// What the file's header says. The line and device are those of the first connection;
// later connections are events.
struct SessionHeader
{
    int formatVersion = SessionFormat::Version;
    QString program;        // "Grivant 1.0.11.0", "grivantctl 1.0.11.0"
    QString hostOs;
    qint64 startEpochUs = 0;
    QString port;
    int baudRate = 115200;
    int parity = 0;         // Qt numbers: 0 none, 2 even, 3 odd
    int stopBits = 1;
    int slaveId = 1;
    QByteArray ident;       // registers 0x0A00..0x0A05, high byte first
    QString modelName;
    QString language;
    QString mapName;
    QString mapHash;
    qint64 durationUs = -1; // written when the recording ends cleanly
};

struct SessionEvent
{
    qint64 tUs = 0;         // since the start of the session
    QString kind;
    int address = -1;
    QString data;
    int tries = -1;
    QString text;
};

// A whole session in memory. Frames keep their times since the epoch (timeUs, time);
// tUs() gives the time since the start.
struct SessionData
{
    SessionHeader header;
    RegisterMap map;
    bool hasMap = false;
    SessionFrames frames;
    QVector<SessionEvent> events; // in time order
    // What the frames and events span (the header's length when it fits them).
    qint64 durationUs = 0;
    // Read answers that held another number of registers than their request asked for:
    // in the traffic, never replayed or exported.
    int misfits = 0;
    // Said to the reader: a file cut short, tables taken from the file, ...
    QStringList remarks;

    qint64 tUs(const TrafficFrame &frame) const { return frame.timeUs - header.startEpochUs; }
    qint64 tUs(int frame) const { return frames.timeUs(frame) - header.startEpochUs; }
};

// Reads a session without changing a byte of it, nor creating anything beside it (a log
// is read from a copy in the temporary folder, removed again). False with a message for a
// person when it is not a regular file, not a session, of a newer format or of a schema
// other than the format's, when a value contradicts the format or the frames contradict
// each other, or when `stop` was raised meanwhile. A damaged file opens up to its last
// complete second before the damage, with a remark that says so.
bool readSession(const QString &path, SessionData *data, QString *error, const std::atomic_bool *stop = nullptr);
// The message for a problem of the reader, about the file shown as `shown`.
QString sessionProblemText(const SessionProblem &problem, const QString &shown);

// Frame-stream consistency: empty, or what contradicts. Exposed for tests.
QString sessionContradiction(const SessionData &data);
