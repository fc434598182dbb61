// Reading a session file (docs/session-format.md) that may come from anybody: a customer's
// machine, a mail, a damaged disk. Plain C++ on SQLite, without Qt, so that the window,
// grivantctl and the simulator read through one and the same door.
//
// Nothing of the file runs: it is opened only when it is a regular file, read-only, with
// SQLite's defensive settings and length limits, and its schema must be the format's
// (tables, columns and declared types) before a query touches the data; a view, trigger,
// index, virtual table or generated column is refused by name. Every value is checked
// against the format as it is read, and no query runs longer than a file of its size can
// need, nor on after the caller's stop flag is raised.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <tuple>

struct sqlite3;
struct sqlite3_stmt;

// Why a session is refused, or read only in part. Each reader words it for its users.
struct SessionProblem
{
    enum Kind {
        None,
        Missing,       // no such file
        NotRegular,    // object: "file" or "log"; value: what it is instead (see NotRegularKind)
        Unreadable,    // value: the system's reason
        NotSqlite,
        Foreign,       // an SQLite database of another kind
        Newer,         // row: its format
        NoFormat,      // row: a format number no Grivant writes (0 or below)
        Schema,        // code: SchemaFault; object: the object; value: what it is declared as
        Header,        // object: the key; value: what it holds
        Row,           // object: "table.column"; row: the row's seq; value: what it holds
        Contradiction, // code: FrameFault; row: the frame (from 1); atUs: its time
        Damaged,       // atUs: read up to there (-1: nothing could be read); value: SQLite's words
        Interrupted,
        Endless,       // a query ran longer than a file of this size can need
        NoRoom,        // the log could not be copied; value: the system's reason
    };
    enum NotRegularKind { Folder, Fifo, Device, Socket, Special };
    enum SchemaFault {
        ForeignObject,   // value: "view", "trigger", "index", "virtual table" or "table"
        MissingTable,
        MissingColumn,
        ColumnType,      // value: the declared type
        GeneratedColumn,
        HiddenColumn,
    };
    enum FrameFault { Older, OtherRequest, OtherFunction, NoRequest, UnknownDirection };

    Kind kind = None;
    int code = 0;
    std::string object;
    std::string value;
    int64_t row = 0;
    int64_t atUs = -1;
};

// What a frame is to a reader: a read answer that can be replayed, one that cannot (it
// holds another number of registers than its request asked for, or registers beyond
// 0xFFFF), or anything else.
enum class SessionFrameUse : uint8_t { Other, Request, ReadAnswer, Misfit };

namespace SessionWire {
uint16_t crc16(const uint8_t *data, int size);
// The registers of a well-formed read answer with a good CRC (function 3, its byte count
// even and matching the frame); -1 for anything else.
int readAnswerCount(const uint8_t *bytes, int size);
} // namespace SessionWire

// The frames of a session checked as they come: times never run back, every answer or
// missing answer has its request, a request's bytes say what was recorded with it.
class SessionFrameCheck
{
public:
    // Fine (-1) or a SessionProblem::FrameFault; `use` says what the frame is to a reader.
    int take(int64_t tUs, int direction, int server, int function, int32_t address, int count,
             const uint8_t *bytes, int size, SessionFrameUse *use);

private:
    int64_t m_before = 0;
    // Register counts of the requests awaiting their outcome, by what was recorded of them.
    std::map<std::tuple<int, int, int>, std::deque<int>> m_open;
};

// The header, checked: every value of the type and range the format gives it.
struct SessionHead
{
    int formatVersion = 0;
    std::string program, hostOs, port, modelName, language, mapName, mapHash;
    std::string parity = "none"; // none, even, odd
    std::string ident;           // the identification block's bytes (empty or 12)
    int64_t startEpochUs = 0;
    int baudRate = 115200;
    int stopBits = 1;
    int slaveId = 1;
    int64_t durationUs = -1;     // absent: the recording did not end cleanly
};

// A row of `frames`, checked. The pointers hold until the next row.
struct SessionRow
{
    int64_t tUs = 0;             // since the start
    int direction = 0;
    int server = 0;
    int function = 0;
    int32_t address = -1;        // NULL: -1
    int count = 0;
    int32_t waitedMs = -1;       // NULL: -1
    const uint8_t *bytes = nullptr;
    int size = 0;
    const char *note = nullptr;  // NULL: nullptr
    int noteSize = 0;
    const char *line = nullptr;  // NULL (the line of the row before): nullptr
    int lineSize = 0;
    SessionFrameUse use = SessionFrameUse::Other;
};

struct SessionEventRow
{
    int64_t tUs = 0;
    std::string kind, data, text;
    int32_t address = -1;
    int32_t tries = -1;
};

struct SessionGroupRow
{
    int grp = 0;
    std::string name, accessMode;
    int registerCount = 0, scanRate = 0, accessLevel = 0;
};

struct SessionRegisterRow
{
    int address = 0;
    std::string description, valueRange, protocolVersion, format;
};

class SessionReader
{
public:
    static constexpr int ApplicationId = 0x47565353; // "GVSS"
    static constexpr int Version = 1;
    // A session's times: a hundred years from a start before the year 3000 at most.
    static constexpr int64_t MaxTimeUs = 3155760000000000LL;
    static constexpr int64_t MaxStartUs = 32503680000000000LL;
    // A finished recording may end after its last frame (nothing came while it ran on), but
    // not by more than this: a longer claim is not believed.
    static constexpr int64_t MaxQuietEndUs = 86400000000LL;
    // The longest frame the line carries, and the longest text a frame or event holds.
    static constexpr int MaxFrameBytes = 256;
    static constexpr int MaxNoteBytes = 4096;

    // `stop`, when given, ends any query soon after it is raised (a signal, a cancel).
    explicit SessionReader(const std::atomic_bool *stop = nullptr);
    ~SessionReader();
    SessionReader(const SessionReader &) = delete;
    SessionReader &operator=(const SessionReader &) = delete;

    // Checks the file, copies a log beside it, opens the copy or the file, checks what it
    // is, its format, its schema and its header. False with the problem.
    bool open(const std::string &path);
    const SessionProblem &problem() const { return m_problem; }
    const SessionHead &head() const { return m_head; }
    // The log beside the file was read (from a copy): the recording did not end cleanly.
    bool logRead() const { return m_logRead; }

    // Each reads its table in the order of storing, the map's tables for the map named.
    // False with the problem when a row contradicts the format or the read cannot go on;
    // damage after the first row is not a refusal: what came before it stands (see below).
    bool readMap(const std::string &map, const std::function<void(const SessionGroupRow &)> &group,
                 const std::function<void(const SessionRegisterRow &)> &reg);
    bool readFrames(const std::function<void(const SessionRow &)> &take);
    bool readEvents(const std::function<void(const SessionEventRow &)> &take);

    // After frames and events. The file was damaged: frames and events at or after
    // keepBeforeUs() are to be left out (the last complete second before the damage; with
    // the frames whole and the events damaged, the last second of either).
    bool damaged() const { return m_damage.kind != SessionProblem::None; }
    const SessionProblem &damage() const { return m_damage; }
    int64_t keepBeforeUs() const;
    // How long the session is: the header's length when it fits what was read, else up
    // to the last frame or event (headerLengthDropped() says so).
    int64_t durationUs() const;
    bool headerLengthDropped() const;
    int64_t lastUs() const { return m_lastUs; }

private:
    bool fail(SessionProblem::Kind kind, const std::string &value = std::string());
    // Maps an SQLite failure of a query to a problem: interrupted, endless, damaged, ...
    bool sqlFailure(int rc);
    // Copies of the file and, unless empty, its log in a temporary folder of their own.
    bool copyFiles(const std::string &path, const std::string &log);
    bool checkSchema();
    bool readHead();
    bool prepare(const char *sql, sqlite3_stmt **statement);
    static int progress(void *reader);

    const std::atomic_bool *m_stop;
    sqlite3 *m_db = nullptr;
    std::string m_copies;
    bool m_logRead = false;
    uint64_t m_steps = 0;
    uint64_t m_stepBudget = 0;
    bool m_overBudget = false;
    SessionProblem m_problem;
    SessionProblem m_damage;
    SessionHead m_head;
    int64_t m_lastUs = 0;
};
