#include "engine/sessionreader.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <type_traits>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int64_t Second = 1000000;

struct Column
{
    const char *name;
    const char *type;
};

// The format's tables with their columns and declared types. A later format may add
// tables and columns; these stay as they are.
struct Table
{
    const char *name;
    std::vector<Column> columns;
    // Its primary key is an index of its own (not the row number), which SQLite names.
    bool keyIndex;
};

const Table Tables[] = {
    {"session", {{"key", "TEXT"}, {"value", ""}}, true},
    {"frames",
     {{"seq", "INTEGER"}, {"t_us", "INTEGER"}, {"direction", "INTEGER"}, {"server", "INTEGER"},
      {"function", "INTEGER"}, {"address", "INTEGER"}, {"count", "INTEGER"}, {"waited_ms", "INTEGER"},
      {"bytes", "BLOB"}, {"note", "TEXT"}, {"line", "TEXT"}},
     false},
    {"events",
     {{"seq", "INTEGER"}, {"t_us", "INTEGER"}, {"kind", "TEXT"}, {"address", "INTEGER"}, {"data", "TEXT"},
      {"tries", "INTEGER"}, {"text", "TEXT"}},
     false},
    {"register_groups",
     {{"map", "TEXT"}, {"grp", "INTEGER"}, {"name", "TEXT"}, {"register_count", "INTEGER"},
      {"access_mode", "TEXT"}, {"scan_rate", "INTEGER"}, {"access_level", "INTEGER"}},
     true},
    {"registers",
     {{"map", "TEXT"}, {"address", "INTEGER"}, {"description", "TEXT"}, {"value_range", "TEXT"},
      {"protocol_version", "TEXT"}, {"format", "TEXT"}},
     true},
};

std::string upper(std::string text)
{
    for (char &c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string &text)
{
    const size_t from = text.find_first_not_of(" \t\r\n");
    if (from == std::string::npos)
        return std::string();
    return text.substr(from, text.find_last_not_of(" \t\r\n") - from + 1);
}

// "file:" URI of an absolute path, every byte outside the unreserved ones escaped.
std::string fileUri(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path.front() != '/')
        path.insert(path.begin(), '/');
    std::string uri = "file:";
    char hex[4];
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~' || c == ':') {
            uri += char(c);
        } else {
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            uri += hex;
        }
    }
    return uri;
}

SessionProblem::NotRegularKind kindOf(fs::file_type type)
{
    switch (type) {
    case fs::file_type::directory: return SessionProblem::Folder;
    case fs::file_type::fifo: return SessionProblem::Fifo;
    case fs::file_type::block:
    case fs::file_type::character: return SessionProblem::Device;
    case fs::file_type::socket: return SessionProblem::Socket;
    default: return SessionProblem::Special;
    }
}

// A statement finalized whatever happens.
class Statement
{
public:
    ~Statement() { sqlite3_finalize(m_statement); }
    sqlite3_stmt **slot() { return &m_statement; }
    operator sqlite3_stmt *() const { return m_statement; }

private:
    sqlite3_stmt *m_statement = nullptr;
};

std::string columnText(sqlite3_stmt *s, int col)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(s, col));
    return text ? std::string(text, size_t(sqlite3_column_bytes(s, col))) : std::string();
}

// A value as a message shows it: short, without control characters.
std::string valueText(sqlite3_stmt *s, int col)
{
    switch (sqlite3_column_type(s, col)) {
    case SQLITE_NULL:
        return "NULL";
    case SQLITE_INTEGER:
        return std::to_string(sqlite3_column_int64(s, col));
    case SQLITE_FLOAT: {
        char number[32];
        std::snprintf(number, sizeof number, "%g", sqlite3_column_double(s, col));
        return number;
    }
    case SQLITE_TEXT: {
        std::string text = columnText(s, col);
        const bool long_ = text.size() > 40;
        text.resize(std::min<size_t>(text.size(), 40));
        for (char &c : text)
            if (static_cast<unsigned char>(c) < 0x20)
                c = '?';
        return '"' + text + (long_ ? "...\"" : "\"");
    }
    default:
        return "<" + std::to_string(sqlite3_column_bytes(s, col)) + " bytes>";
    }
}

// The columns of one row, each checked against the format as it is taken.
class RowCheck
{
public:
    RowCheck(sqlite3_stmt *s, const char *table, const char *const *names, int64_t row, SessionProblem *problem)
        : m_s(s), m_table(table), m_names(names), m_row(row), m_problem(problem)
    {
    }

    // An integer in [lo, hi]; NULL gives `none` where it is allowed.
    bool integer(int col, int64_t lo, int64_t hi, bool nullable, int64_t *out, int64_t none = -1)
    {
        const int type = sqlite3_column_type(m_s, col);
        if (type == SQLITE_NULL && nullable) {
            *out = none;
            return true;
        }
        const int64_t v = sqlite3_column_int64(m_s, col);
        if (type != SQLITE_INTEGER || v < lo || v > hi)
            return refuse(col);
        *out = v;
        return true;
    }
    template <typename T>
    bool integer(int col, int64_t lo, int64_t hi, bool nullable, T *out, int64_t none = -1)
    {
        int64_t v = 0;
        if (!integer(col, lo, hi, nullable, &v, none))
            return false;
        *out = T(v);
        return true;
    }
    // Text of at most `most` bytes; NULL is nullptr where it is allowed.
    bool text(int col, int most, bool nullable, const char **out, int *size)
    {
        const int type = sqlite3_column_type(m_s, col);
        if (type == SQLITE_NULL && nullable) {
            *out = nullptr;
            *size = 0;
            return true;
        }
        if (type != SQLITE_TEXT)
            return refuse(col);
        *out = reinterpret_cast<const char *>(sqlite3_column_text(m_s, col));
        *size = sqlite3_column_bytes(m_s, col);
        if (!*out || *size > most)
            return refuse(col);
        return true;
    }
    bool text(int col, int most, bool nullable, std::string *out)
    {
        const char *t = nullptr;
        int size = 0;
        if (!text(col, most, nullable, &t, &size))
            return false;
        out->assign(t ? t : "", size_t(size));
        return true;
    }
    bool blob(int col, int most, const uint8_t **out, int *size)
    {
        const int type = sqlite3_column_type(m_s, col);
        *out = nullptr;
        *size = 0;
        if (type == SQLITE_NULL)
            return true;
        if (type != SQLITE_BLOB)
            return refuse(col);
        *out = static_cast<const uint8_t *>(sqlite3_column_blob(m_s, col));
        *size = sqlite3_column_bytes(m_s, col);
        return *size <= most || refuse(col);
    }

private:
    bool refuse(int col)
    {
        m_problem->kind = SessionProblem::Row;
        m_problem->object = std::string(m_table) + '.' + m_names[col];
        m_problem->row = m_row;
        m_problem->value = valueText(m_s, col);
        return false;
    }

    sqlite3_stmt *m_s;
    const char *m_table;
    const char *const *m_names;
    int64_t m_row;
    SessionProblem *m_problem;
};

int word(const uint8_t *b, int at)
{
    return b[at] << 8 | b[at + 1];
}

// Whether a request's bytes say what was recorded with it, as the traffic decoder reads
// them: a function the link does not speak is not looked into.
bool requestFits(const uint8_t *b, int size, int function, int32_t address)
{
    if (size < 4)
        return false;
    const int n = size - 2;
    const int code = b[1];
    if (code & 0x80)
        return n == 3 && (code & 0x7F) == function;
    switch (code) {
    case 3:
    case 6:
        return n == 6 && code == function && word(b, 2) == address;
    case 16:
        return n >= 7 && n == 7 + b[6] && code == function && word(b, 2) == address;
    default:
        return true;
    }
}

// A frame whose CRC is its own; a garbled one is stored as it came, whatever it holds.
bool intact(const uint8_t *b, int size)
{
    if (!b || size < 4)
        return false;
    const uint16_t crc = SessionWire::crc16(b, size - 2);
    return b[size - 2] == (crc & 0xFF) && b[size - 1] == (crc >> 8);
}

} // namespace

// ---------------------------------------------------------------------------------------------

uint16_t SessionWire::crc16(const uint8_t *data, int size)
{
    uint16_t crc = 0xFFFF;
    for (int i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

int SessionWire::readAnswerCount(const uint8_t *bytes, int size)
{
    if (!bytes || size < 5 || bytes[1] != 3 || size != 5 + bytes[2] || bytes[2] % 2)
        return -1;
    const uint16_t crc = crc16(bytes, size - 2);
    if (bytes[size - 2] != (crc & 0xFF) || bytes[size - 1] != (crc >> 8))
        return -1;
    return bytes[2] / 2;
}

int SessionFrameCheck::take(int64_t tUs, int direction, int server, int function, int32_t address, int count,
                            const uint8_t *bytes, int size, SessionFrameUse *use)
{
    *use = SessionFrameUse::Other;
    if (tUs < m_before)
        return SessionProblem::Older;
    m_before = tUs;
    const auto key = std::make_tuple(server, function, int(address));
    if (direction == 0) {
        if (!requestFits(bytes, size, function, address))
            return SessionProblem::OtherRequest;
        m_open[key].push_back(count);
        *use = SessionFrameUse::Request;
        return -1;
    }
    if (direction != 1 && direction != 2)
        return SessionProblem::UnknownDirection;
    if (direction == 1 && intact(bytes, size) && (bytes[1] & 0x7F) != function)
        return SessionProblem::OtherFunction;
    const auto open = m_open.find(key);
    if (open == m_open.end())
        return SessionProblem::NoRequest;
    const int asked = open->second.front();
    open->second.pop_front();
    if (open->second.empty())
        m_open.erase(open);
    // An answer is matched to its request by what was recorded of the request; a read
    // answer holds its values only when it holds the registers the request asked for.
    const int n = direction == 1 && function == 3 ? SessionWire::readAnswerCount(bytes, size) : -1;
    if (n >= 0 && address >= 0)
        *use = n == asked && n == count && address + n <= 0x10000 ? SessionFrameUse::ReadAnswer
                                                                   : SessionFrameUse::Misfit;
    return -1;
}

// ---------------------------------------------------------------------------------------------

SessionReader::SessionReader(const std::atomic_bool *stop) : m_stop(stop) {}

SessionReader::~SessionReader()
{
    sqlite3_close_v2(m_db);
    if (!m_copies.empty()) {
        std::error_code ec;
        fs::remove_all(fs::u8path(m_copies), ec);
    }
}

bool SessionReader::fail(SessionProblem::Kind kind, const std::string &value)
{
    m_problem.kind = kind;
    m_problem.value = value;
    return false;
}

bool SessionReader::sqlFailure(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_INTERRUPT:
        return fail(m_overBudget ? SessionProblem::Endless : SessionProblem::Interrupted);
    case SQLITE_NOMEM:
        return fail(SessionProblem::Unreadable, sqlite3_errstr(rc));
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_IOERR:
    case SQLITE_TOOBIG:
    case SQLITE_FORMAT:
    case SQLITE_RANGE:
    case SQLITE_ERROR:
        m_problem.atUs = -1;
        return fail(SessionProblem::Damaged, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
    default:
        return fail(SessionProblem::Unreadable, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
    }
}

int SessionReader::progress(void *reader)
{
    auto *r = static_cast<SessionReader *>(reader);
    if (r->m_stop && r->m_stop->load())
        return 1;
    if (++r->m_steps > r->m_stepBudget) {
        r->m_overBudget = true;
        return 1;
    }
    return 0;
}

bool SessionReader::prepare(const char *sql, sqlite3_stmt **statement)
{
    if (m_stop && m_stop->load())
        return fail(SessionProblem::Interrupted);
    const int rc = sqlite3_prepare_v2(m_db, sql, -1, statement, nullptr);
    return rc == SQLITE_OK || sqlFailure(rc);
}

bool SessionReader::copyFiles(const std::string &path, const std::string &log)
{
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec)
        return fail(SessionProblem::NoRoom, ec.message());
    std::random_device random;
    for (int attempt = 0; attempt < 16 && m_copies.empty(); ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "grivant-session-%08x", unsigned(random()));
        const fs::path folder = base / name;
        if (fs::create_directory(folder, ec)) {
            m_copies = folder.u8string();
            fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
        }
    }
    if (m_copies.empty())
        return fail(SessionProblem::NoRoom, ec ? ec.message() : std::string(std::strerror(EEXIST)));
    std::vector<char> buffer(1 << 20);
    std::vector<std::pair<std::string, std::string>> copies{{path, m_copies + "/session"}};
    if (!log.empty())
        copies.emplace_back(log, m_copies + "/session-wal");
    for (const auto &copy : copies) {
        FILE *in = std::fopen(copy.first.c_str(), "rb");
        if (!in)
            return fail(SessionProblem::Unreadable, std::strerror(errno));
        FILE *out = std::fopen(copy.second.c_str(), "wb");
        if (!out) {
            const int error = errno;
            std::fclose(in);
            return fail(SessionProblem::NoRoom, std::strerror(error));
        }
        bool ok = true;
        int error = 0;
        size_t n = 0;
        while (ok && (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
            if (m_stop && m_stop->load()) {
                std::fclose(in);
                std::fclose(out);
                return fail(SessionProblem::Interrupted);
            }
            ok = std::fwrite(buffer.data(), 1, n, out) == n;
            error = ok ? 0 : errno;
        }
        const bool readOk = !std::ferror(in);
        const int readError = readOk ? 0 : errno;
        std::fclose(in);
        if (std::fclose(out) != 0 && ok) {
            ok = false;
            error = errno;
        }
        if (!readOk)
            return fail(SessionProblem::Unreadable, std::strerror(readError));
        if (!ok)
            return fail(SessionProblem::NoRoom, std::strerror(error));
    }
    return true;
}

bool SessionReader::open(const std::string &path)
{
    // What is not a regular file is refused before anything opens it: opening a FIFO
    // would wait for a writer that never comes.
    std::error_code ec;
    const fs::path file = fs::u8path(path);
    const fs::file_status status = fs::status(file, ec);
    if (status.type() == fs::file_type::not_found)
        return fail(SessionProblem::Missing);
    if (ec)
        return fail(SessionProblem::Unreadable, ec.message());
    if (!fs::is_regular_file(status)) {
        m_problem.object = "file";
        m_problem.code = kindOf(status.type());
        return fail(SessionProblem::NotRegular);
    }
    const uintmax_t fileBytes = fs::file_size(file, ec);
    uintmax_t bytes = fileBytes;
    unsigned char head[100];
    {
        FILE *f = std::fopen(path.c_str(), "rb");
        if (!f)
            return fail(SessionProblem::Unreadable, std::strerror(errno));
        const size_t n = std::fread(head, 1, sizeof head, f);
        std::fclose(f);
        if (n < sizeof head || std::memcmp(head, "SQLite format 3", 16) != 0)
            return fail(SessionProblem::NotSqlite);
    }
    // A file cut short: SQLite refuses one whose header counts more pages than it holds.
    // Read from a copy whose header leaves the count to the file's size, the file is
    // read up to where the damage begins.
    const auto word32 = [&head](int at) { return uint32_t(head[at]) << 24 | head[at + 1] << 16 | head[at + 2] << 8 | head[at + 3]; };
    const uint32_t pageSize = head[16] == 0 && head[17] == 1 ? 65536 : uint32_t(head[16] << 8 | head[17]);
    const bool cutShort = word32(24) == word32(92) && uint64_t(word32(28)) * pageSize > fileBytes;

    // A session whose recording was cut short keeps its last seconds in the log beside it.
    // SQLite would fold that log into the file on opening: both are read from copies
    // instead, so that neither changes. A file without a log is read as one that cannot
    // change, which SQLite neither locks nor writes beside.
    const std::string log = path + "-wal";
    std::string logToRead;
    const fs::file_status logStatus = fs::status(fs::u8path(log), ec);
    if (logStatus.type() != fs::file_type::not_found && !ec) {
        if (!fs::is_regular_file(logStatus)) {
            m_problem.object = "log";
            m_problem.code = kindOf(logStatus.type());
            return fail(SessionProblem::NotRegular);
        }
        const uintmax_t logBytes = fs::file_size(fs::u8path(log), ec);
        if (!ec && logBytes > 0) {
            logToRead = log;
            bytes += logBytes;
        }
    }
    m_logRead = !logToRead.empty();
    if ((m_logRead || cutShort) && !copyFiles(path, logToRead))
        return false;
    if (cutShort) {
        // A page cut through would read as one whose rows hold nothing: left out.
        fs::resize_file(fs::u8path(m_copies + "/session"), fileBytes / pageSize * pageSize, ec);
        FILE *copy = std::fopen((m_copies + "/session").c_str(), "r+b");
        const unsigned char other[4] = {uint8_t(~head[92]), head[93], head[94], head[95]};
        const bool patched = copy && std::fseek(copy, 92, SEEK_SET) == 0 && std::fwrite(other, 1, 4, copy) == 4;
        if (copy)
            std::fclose(copy);
        if (!patched)
            return fail(SessionProblem::NoRoom, std::strerror(errno));
    }
    // Steps of a thousand instructions: a whole read takes a few per row, and a row takes
    // at least a few bytes. A damaged tree that leads a query round in circles ends here.
    m_stepBudget = 100000 + uint64_t(bytes) / 16;

    const std::string target = m_copies.empty() ? fs::absolute(file, ec).u8string() : m_copies + "/session";
    const std::string uri = fileUri(target) + (m_logRead ? "" : "?immutable=1");
    const int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE
                      | (m_logRead ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
    const int rc = sqlite3_open_v2(uri.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK)
        return fail(SessionProblem::Unreadable, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
    sqlite3_extended_result_codes(m_db, 1);
    int was = 0;
    for (const int option : {SQLITE_DBCONFIG_DEFENSIVE, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE})
        sqlite3_db_config(m_db, option, 1, &was);
    for (const int option : {SQLITE_DBCONFIG_TRUSTED_SCHEMA, SQLITE_DBCONFIG_ENABLE_TRIGGER,
                             SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION,
#ifdef SQLITE_DBCONFIG_ENABLE_VIEW
                             SQLITE_DBCONFIG_ENABLE_VIEW,
#endif
                             SQLITE_DBCONFIG_ENABLE_FKEY})
        sqlite3_db_config(m_db, option, 0, &was);
    // A session's values are short: a frame of 256 bytes, a line of text. The limits keep
    // what a file can make SQLite build to the size of what a session holds.
    const std::pair<int, int> limits[] = {
        {SQLITE_LIMIT_LENGTH, 1000000}, {SQLITE_LIMIT_SQL_LENGTH, 100000}, {SQLITE_LIMIT_COLUMN, 100},
        {SQLITE_LIMIT_EXPR_DEPTH, 50},  {SQLITE_LIMIT_COMPOUND_SELECT, 4}, {SQLITE_LIMIT_VDBE_OP, 25000},
        {SQLITE_LIMIT_FUNCTION_ARG, 8}, {SQLITE_LIMIT_ATTACHED, 0},       {SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 100},
        {SQLITE_LIMIT_VARIABLE_NUMBER, 10}, {SQLITE_LIMIT_TRIGGER_DEPTH, 1}, {SQLITE_LIMIT_WORKER_THREADS, 0},
    };
    for (const auto &limit : limits)
        sqlite3_limit(m_db, limit.first, limit.second);
    sqlite3_progress_handler(m_db, 1000, &SessionReader::progress, this);
    for (const char *pragma : {"PRAGMA query_only = ON", "PRAGMA cell_size_check = ON", "PRAGMA mmap_size = 0",
                               "PRAGMA cache_size = -4096", "PRAGMA temp_store = MEMORY"}) {
        const int done = sqlite3_exec(m_db, pragma, nullptr, nullptr, nullptr);
        if (done != SQLITE_OK)
            return sqlFailure(done);
    }

    // What it is and its format, from the file's header, before the schema is looked at.
    int64_t values[2] = {};
    const char *pragmas[2] = {"PRAGMA application_id", "PRAGMA user_version"};
    for (int i = 0; i < 2; ++i) {
        Statement s;
        if (!prepare(pragmas[i], s.slot()))
            return false;
        const int step = sqlite3_step(s);
        if (step != SQLITE_ROW)
            return sqlFailure(step);
        values[i] = sqlite3_column_int64(s, 0);
    }
    if (values[0] != ApplicationId)
        return fail(SessionProblem::Foreign);
    m_problem.row = values[1];
    if (values[1] > Version)
        return fail(SessionProblem::Newer);
    if (values[1] < 1)
        return fail(SessionProblem::NoFormat);
    m_problem.row = 0;
    return checkSchema() && readHead();
}

bool SessionReader::checkSchema()
{
    auto refuse = [this](SessionProblem::SchemaFault fault, const std::string &object, const std::string &value) {
        m_problem.code = fault;
        m_problem.object = object;
        return fail(SessionProblem::Schema, value);
    };
    std::vector<std::string> tables;
    {
        Statement s;
        if (!prepare("SELECT type, name, tbl_name, sql FROM sqlite_master", s.slot()))
            return false;
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            const std::string type = columnText(s, 0), name = columnText(s, 1), table = columnText(s, 2);
            const std::string sql = upper(trimmed(columnText(s, 3)));
            if (type == "table") {
                if (sql.rfind("CREATE VIRTUAL", 0) == 0)
                    return refuse(SessionProblem::ForeignObject, name, "virtual table");
                // SQLite's own tables: the counter of AUTOINCREMENT and ANALYZE's figures.
                if (name.rfind("sqlite_", 0) == 0 && name != "sqlite_sequence" && name.rfind("sqlite_stat", 0) != 0)
                    return refuse(SessionProblem::ForeignObject, name, "table");
                tables.push_back(name);
                continue;
            }
            // The only indexes are those SQLite makes for a primary key of text.
            bool keyIndex = false;
            for (const Table &t : Tables)
                keyIndex = keyIndex || (t.keyIndex && table == t.name && sql.empty()
                                        && name == std::string("sqlite_autoindex_") + t.name + "_1");
            if (type == "index" && keyIndex)
                continue;
            return refuse(SessionProblem::ForeignObject, name, type);
        }
        if (rc != SQLITE_DONE)
            return sqlFailure(rc);
    }
    Statement columns, indexes;
    if (!prepare("SELECT name, type, pk, hidden FROM pragma_table_xinfo(?1)", columns.slot())
        || !prepare("SELECT name FROM pragma_index_list(?1)", indexes.slot()))
        return false;
    for (const std::string &table : tables) {
        const Table *known = nullptr;
        for (const Table &t : Tables)
            if (table == t.name)
                known = &t;
        std::map<std::string, std::pair<std::string, int>> declared;
        sqlite3_reset(columns);
        sqlite3_bind_text(columns, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(columns)) == SQLITE_ROW) {
            const std::string name = columnText(columns, 0);
            const int hidden = sqlite3_column_int(columns, 3);
            if (hidden == 2 || hidden == 3)
                return refuse(SessionProblem::GeneratedColumn, table + '.' + name, std::string());
            if (hidden != 0)
                return refuse(SessionProblem::HiddenColumn, table + '.' + name, std::string());
            declared[name] = {upper(trimmed(columnText(columns, 1))), sqlite3_column_int(columns, 2)};
        }
        if (rc != SQLITE_DONE)
            return sqlFailure(rc);
        if (!known)
            continue;
        for (const Column &c : known->columns) {
            const auto found = declared.find(c.name);
            if (found == declared.end())
                return refuse(SessionProblem::MissingColumn, table + '.' + c.name, std::string());
            if (found->second.first != c.type)
                return refuse(SessionProblem::ColumnType, table + '.' + c.name, found->second.first);
        }
        if (known->keyIndex)
            continue;
        // Frames and events are read in the order of storing, their seq the row number:
        // no other key, and no index of any kind beside them.
        for (const auto &column : declared)
            if ((column.second.second != 0) != (column.first == "seq"))
                return refuse(SessionProblem::ColumnType, table + '.' + column.first,
                              column.second.first + (column.second.second ? " PRIMARY KEY" : ""));
        sqlite3_reset(indexes);
        sqlite3_bind_text(indexes, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        if ((rc = sqlite3_step(indexes)) == SQLITE_ROW)
            return refuse(SessionProblem::ForeignObject, columnText(indexes, 0), "index");
        if (rc != SQLITE_DONE)
            return sqlFailure(rc);
    }
    for (const Table &t : Tables)
        if (std::find(tables.begin(), tables.end(), t.name) == tables.end())
            return refuse(SessionProblem::MissingTable, t.name, std::string());
    return true;
}

bool SessionReader::readHead()
{
    Statement s;
    if (!prepare("SELECT key, value FROM session", s.slot()))
        return false;
    static const char *const names[] = {"key", "value"};
    std::set<std::string> seen;
    SessionHead &h = m_head;
    int64_t row = 0;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        RowCheck check(s, "session", names, ++row, &m_problem);
        std::string key;
        if (!check.text(0, 64, false, &key))
            return false;
        auto wrong = [&] {
            m_problem.kind = SessionProblem::Header;
            m_problem.object = key;
            m_problem.value = valueText(s, 1);
            return false;
        };
        if (!seen.insert(key).second) {
            m_problem.kind = SessionProblem::Header;
            m_problem.object = key;
            m_problem.value = "2";
            m_problem.code = 1; // twice
            return false;
        }
        auto integer = [&](int64_t lo, int64_t hi, auto *out) {
            const int64_t v = sqlite3_column_int64(s, 1);
            if (sqlite3_column_type(s, 1) != SQLITE_INTEGER || v < lo || v > hi)
                return wrong();
            *out = std::remove_pointer_t<decltype(out)>(v);
            return true;
        };
        auto text = [&](std::string *out) {
            const int type = sqlite3_column_type(s, 1);
            if ((type != SQLITE_TEXT && type != SQLITE_NULL) || sqlite3_column_bytes(s, 1) > SessionReader::MaxNoteBytes)
                return wrong();
            *out = columnText(s, 1);
            return true;
        };
        std::string unused;
        bool ok = true;
        if (key == "format_version")
            ok = integer(1, Version, &h.formatVersion);
        else if (key == "start_epoch_us")
            ok = integer(1, MaxStartUs, &h.startEpochUs);
        else if (key == "baud")
            ok = integer(1, 100000000, &h.baudRate);
        else if (key == "stop_bits")
            ok = integer(1, 2, &h.stopBits);
        else if (key == "slave_id")
            ok = integer(1, 247, &h.slaveId);
        else if (key == "duration_us")
            ok = integer(0, MaxTimeUs, &h.durationUs);
        else if (key == "program")
            ok = text(&h.program);
        else if (key == "host_os")
            ok = text(&h.hostOs);
        else if (key == "port")
            ok = text(&h.port);
        else if (key == "model_name")
            ok = text(&h.modelName);
        else if (key == "language")
            ok = text(&h.language);
        else if (key == "register_map")
            ok = text(&h.mapName);
        else if (key == "register_map_sha256")
            ok = text(&h.mapHash);
        else if (key == "parity")
            ok = text(&h.parity) && (h.parity == "none" || h.parity == "even" || h.parity == "odd" || wrong());
        else if (key == "ident") {
            std::string hex;
            if (!text(&hex))
                return false;
            if (!hex.empty() && hex.size() != 24)
                return wrong();
            for (size_t i = 0; i < hex.size(); i += 2) {
                if (!std::isxdigit(static_cast<unsigned char>(hex[i])) || !std::isxdigit(static_cast<unsigned char>(hex[i + 1])))
                    return wrong();
                h.ident += char(std::stoi(hex.substr(i, 2), nullptr, 16));
            }
        } else
            // Keys of a later format, and those only shown (start_time, model_code).
            ok = true;
        if (!ok)
            return false;
    }
    if (rc != SQLITE_DONE)
        return sqlFailure(rc);
    for (const char *key : {"format_version", "start_epoch_us"})
        if (!seen.count(key)) {
            m_problem.kind = SessionProblem::Header;
            m_problem.object = key;
            m_problem.value.clear();
            return false;
        }
    return true;
}

bool SessionReader::readMap(const std::string &map, const std::function<void(const SessionGroupRow &)> &group,
                            const std::function<void(const SessionRegisterRow &)> &reg)
{
    static const char *const groupNames[] = {"grp", "name", "register_count", "access_mode", "scan_rate", "access_level"};
    static const char *const registerNames[] = {"address", "description", "value_range", "protocol_version", "format"};
    for (int table = 0; table < 2; ++table) {
        Statement s;
        if (!prepare(table == 0 ? "SELECT grp, name, register_count, access_mode, scan_rate, access_level"
                                  " FROM register_groups WHERE map = ?1"
                                : "SELECT address, description, value_range, protocol_version, format"
                                  " FROM registers WHERE map = ?1",
                     s.slot()))
            return false;
        sqlite3_bind_text(s, 1, map.c_str(), int(map.size()), SQLITE_TRANSIENT);
        int64_t row = 0;
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            if (table == 0) {
                RowCheck c(s, "register_groups", groupNames, ++row, &m_problem);
                SessionGroupRow g;
                if (!c.integer(0, 0, 255, false, &g.grp) || !c.text(1, MaxNoteBytes, true, &g.name)
                    || !c.integer(2, 0, 65535, true, &g.registerCount, 0) || !c.text(3, 16, true, &g.accessMode)
                    || !c.integer(4, 0, INT32_MAX, true, &g.scanRate, 0) || !c.integer(5, 0, 255, true, &g.accessLevel, 0))
                    return false;
                group(g);
            } else {
                RowCheck c(s, "registers", registerNames, ++row, &m_problem);
                SessionRegisterRow r;
                if (!c.integer(0, 0, 65535, false, &r.address) || !c.text(1, MaxNoteBytes, true, &r.description)
                    || !c.text(2, MaxNoteBytes, true, &r.valueRange) || !c.text(3, 64, true, &r.protocolVersion)
                    || !c.text(4, 16, true, &r.format))
                    return false;
                reg(r);
            }
        }
        if (rc != SQLITE_DONE)
            return sqlFailure(rc);
    }
    return true;
}

bool SessionReader::readFrames(const std::function<void(const SessionRow &)> &take)
{
    static const char *const names[] = {"seq", "t_us", "direction", "server", "function", "address",
                                        "count", "waited_ms", "bytes", "note", "line"};
    Statement s;
    if (!prepare("SELECT seq, t_us, direction, server, function, address, count, waited_ms, bytes, note, line"
                 " FROM frames ORDER BY seq",
                 s.slot()))
        return false;
    SessionFrameCheck check;
    int64_t number = 0;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        RowCheck c(s, "frames", names, sqlite3_column_int64(s, 0), &m_problem);
        SessionRow r;
        if (!c.integer(1, 0, MaxTimeUs, false, &r.tUs) || !c.integer(2, 0, 2, false, &r.direction)
            || !c.integer(3, 0, 255, false, &r.server) || !c.integer(4, 0, 255, false, &r.function)
            || !c.integer(5, 0, 65535, true, &r.address) || !c.integer(6, 0, 65535, false, &r.count)
            || !c.integer(7, 0, INT32_MAX, true, &r.waitedMs) || !c.blob(8, MaxFrameBytes, &r.bytes, &r.size)
            || !c.text(9, MaxNoteBytes, true, &r.note, &r.noteSize) || !c.text(10, MaxNoteBytes, true, &r.line, &r.lineSize))
            return false;
        ++number;
        const int fault = check.take(r.tUs, r.direction, r.server, r.function, r.address, r.count, r.bytes, r.size, &r.use);
        if (fault >= 0) {
            m_problem.kind = SessionProblem::Contradiction;
            m_problem.code = fault;
            m_problem.row = number;
            m_problem.atUs = r.tUs;
            return false;
        }
        m_lastUs = std::max(m_lastUs, r.tUs);
        take(r);
    }
    if (rc == SQLITE_DONE)
        return true;
    // Damage after the first frame: what came before it stands.
    if (number == 0 || (rc & 0xFF) == SQLITE_INTERRUPT || (rc & 0xFF) == SQLITE_NOMEM)
        return sqlFailure(rc);
    m_damage.kind = SessionProblem::Damaged;
    m_damage.value = sqlite3_errmsg(m_db);
    m_damage.row = number;
    m_damage.atUs = m_lastUs / Second * Second;
    return true;
}

bool SessionReader::readEvents(const std::function<void(const SessionEventRow &)> &take)
{
    static const char *const names[] = {"seq", "t_us", "kind", "address", "data", "tries", "text"};
    Statement s;
    if (!prepare("SELECT seq, t_us, kind, address, data, tries, text FROM events ORDER BY seq", s.slot()))
        return damaged();
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        RowCheck c(s, "events", names, sqlite3_column_int64(s, 0), &m_problem);
        SessionEventRow e;
        if (!c.integer(1, 0, MaxTimeUs, false, &e.tUs) || !c.text(2, 64, false, &e.kind)
            || !c.integer(3, 0, 65535, true, &e.address) || !c.text(4, 1000000, true, &e.data)
            || !c.integer(5, 0, INT32_MAX, true, &e.tries) || !c.text(6, 1000000, true, &e.text))
            return false;
        m_lastUs = std::max(m_lastUs, e.tUs);
        take(e);
    }
    if (rc == SQLITE_DONE)
        return true;
    if ((rc & 0xFF) == SQLITE_INTERRUPT || (rc & 0xFF) == SQLITE_NOMEM)
        return sqlFailure(rc);
    // Events lost from here on; the frames before stand.
    if (!damaged()) {
        m_damage.kind = SessionProblem::Damaged;
        m_damage.value = sqlite3_errmsg(m_db);
        m_damage.atUs = m_lastUs / Second * Second;
    }
    return true;
}

int64_t SessionReader::keepBeforeUs() const
{
    return damaged() ? m_damage.atUs : INT64_MAX;
}

bool SessionReader::headerLengthDropped() const
{
    const int64_t claimed = m_head.durationUs;
    return !damaged() && claimed >= 0 && (claimed < m_lastUs || claimed - m_lastUs > MaxQuietEndUs);
}

int64_t SessionReader::durationUs() const
{
    if (damaged())
        return keepBeforeUs();
    if (m_head.durationUs < 0 || headerLengthDropped())
        return m_lastUs;
    return m_head.durationUs;
}
