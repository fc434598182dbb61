#include "replay.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int ApplicationId = 0x47565353; // "GVSS"
constexpr int FormatVersion = 1;

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};

bool exists(const std::string &path, off_t *size = nullptr)
{
    struct stat st{};
    if (stat(path.c_str(), &st) != 0)
        return false;
    if (size)
        *size = st.st_size;
    return true;
}

bool copyFile(const std::string &from, const std::string &to)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
    return in.good() || in.eof() ? bool(out) : false;
}

// "file:" URI of a path, every byte outside the unreserved ones escaped.
std::string fileUri(const std::string &path)
{
    std::string uri = "file:";
    char hex[4];
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += char(c);
        } else {
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            uri += hex;
        }
    }
    return uri;
}

int intPragma(sqlite3 *db, const char *pragma)
{
    sqlite3_stmt *st = nullptr;
    int value = -1;
    if (sqlite3_prepare_v2(db, pragma, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        value = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return value;
}

} // namespace

bool Replay::load(const std::string &path, std::string &error)
{
    if (!exists(path)) {
        error = path + ": no such file";
        return false;
    }
    // A session whose recording was cut short keeps its last seconds in the log beside it:
    // both are read from copies, so that neither changes. Otherwise the file is opened as
    // one that cannot change, which SQLite neither locks nor writes beside.
    std::string open = fileUri(path) + "?immutable=1";
    std::string copies;
    off_t walSize = 0;
    if (exists(path + "-wal", &walSize) && walSize > 0) {
        char folder[] = "/tmp/devsim-replay-XXXXXX";
        if (!mkdtemp(folder)) {
            error = "no room for a copy of " + path;
            return false;
        }
        copies = folder;
        if (!copyFile(path, copies + "/s") || !copyFile(path + "-wal", copies + "/s-wal")) {
            error = "cannot copy " + path;
            return false;
        }
        open = fileUri(copies + "/s");
    }
    sqlite3 *raw = nullptr;
    const int flags = copies.empty() ? SQLITE_OPEN_READONLY | SQLITE_OPEN_URI : SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI;
    const int rc = sqlite3_open_v2(open.c_str(), &raw, flags, nullptr);
    std::unique_ptr<sqlite3, Closer> db(raw);
    auto cleanup = [&] {
        db.reset();
        if (!copies.empty()) {
            for (const char *name : {"/s", "/s-wal", "/s-shm"})
                unlink((copies + name).c_str());
            rmdir(copies.c_str());
        }
    };
    if (rc != SQLITE_OK) {
        error = path + ": " + sqlite3_errmsg(raw);
        cleanup();
        return false;
    }
    const int id = intPragma(db.get(), "PRAGMA application_id");
    if (id < 0) {
        error = path + " is not a Grivant session: it is not an SQLite database";
        cleanup();
        return false;
    }
    if (id != ApplicationId) {
        error = path + " is not a Grivant session: it is an SQLite database of another kind";
        cleanup();
        return false;
    }
    const int version = intPragma(db.get(), "PRAGMA user_version");
    if (version > FormatVersion) {
        error = path + " was recorded by a newer Grivant (session format " + std::to_string(version) + ")";
        cleanup();
        return false;
    }

    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db.get(), "SELECT key, value FROM session", -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            const std::string key = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
            if (key == "ident") {
                const char *hex = reinterpret_cast<const char *>(sqlite3_column_text(st, 1));
                const std::string text = hex ? hex : "";
                for (size_t i = 0; i + 4 <= text.size(); i += 4)
                    m_ident.push_back(uint16_t(std::strtoul(text.substr(i, 4).c_str(), nullptr, 16)));
            } else if (key == "duration_us") {
                m_duration = sqlite3_column_int64(st, 1) / 1e6;
            }
        }
    }
    sqlite3_finalize(st);

    // Answers of reads: the register the request started at is stored with the answer.
    // Rows come in time order; a damaged file yields what comes before the damage.
    const char *query = "SELECT t_us, address, bytes FROM frames WHERE direction = 1 AND function = 3"
                        " AND address IS NOT NULL ORDER BY seq";
    if (sqlite3_prepare_v2(db.get(), query, -1, &st, nullptr) != SQLITE_OK) {
        error = path + " is damaged: " + sqlite3_errmsg(db.get());
        cleanup();
        return false;
    }
    double last = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const double t = sqlite3_column_int64(st, 0) / 1e6;
        const int start = sqlite3_column_int(st, 1);
        const auto *bytes = static_cast<const uint8_t *>(sqlite3_column_blob(st, 2));
        const int size = sqlite3_column_bytes(st, 2);
        last = std::max(last, t);
        if (!bytes || size < 5 || bytes[1] != rtu::ReadHoldingRegisters || size != 5 + bytes[2]
            || !rtu::crcMatches(rtu::Frame(bytes, bytes + size)))
            continue;
        for (int i = 0; i < bytes[2] / 2; ++i) {
            const uint16_t value = uint16_t(bytes[3 + 2 * i] << 8 | bytes[4 + 2 * i]);
            m_values[uint16_t(start + i)].emplace_back(t, value);
        }
    }
    sqlite3_finalize(st);
    m_duration = std::max(m_duration, last);
    cleanup();
    if (m_values.empty() && m_ident.empty()) {
        error = path + " holds no answers of the device to replay";
        return false;
    }
    return true;
}

void Replay::identify(DeviceConfig &config) const
{
    uint16_t block[6] = {};
    for (size_t i = 0; i < 6; ++i) {
        uint16_t v = 0;
        block[i] = valueAt(uint16_t(0x0A00 + i), v) ? v : 0;
    }
    if (m_ident.empty() && !m_values.count(0x0A00))
        return;
    config.model = block[0];
    config.kind = kindFromModel(block[0]);
    config.hardware = block[1];
    config.software = block[2];
    config.uid = uint32_t(block[4]) << 16 | block[3];
    config.hardwarePatch = uint8_t(block[5] & 0xFF);
}

void Replay::setTime(double seconds)
{
    if (m_duration <= 0)
        m_time = 0;
    else if (m_loop)
        m_time = std::fmod(seconds, m_duration);
    else
        m_time = std::min(seconds, m_duration);
}

bool Replay::valueAt(uint16_t address, uint16_t &value) const
{
    const auto it = m_values.find(address);
    if (it == m_values.end() || it->second.empty()) {
        // The identification of the header, for a recording that never polled it.
        const size_t index = size_t(address - 0x0A00);
        if (address < 0x0A00 || index >= m_ident.size())
            return false;
        value = m_ident[index];
        return true;
    }
    const auto &series = it->second;
    auto after = std::upper_bound(series.begin(), series.end(), m_time,
                                  [](double t, const std::pair<double, uint16_t> &p) { return t < p.first; });
    // Before its first answer a register shows that answer's value.
    value = after == series.begin() ? series.front().second : std::prev(after)->second;
    return true;
}

uint8_t Replay::read(uint16_t start, uint16_t count, std::vector<uint16_t> &values)
{
    // The simulated device decides what may be read; the recording, what is read.
    const uint8_t refused = m_device->read(start, count, values);
    if (refused)
        return refused;
    for (uint16_t i = 0; i < count && i < values.size(); ++i) {
        const uint16_t address = uint16_t(start + i);
        uint16_t v = 0;
        if (!m_written.count(address) && valueAt(address, v))
            values[i] = v;
    }
    return 0;
}

uint8_t Replay::write(uint16_t start, const std::vector<uint16_t> &values)
{
    const uint8_t refused = m_device->write(start, values);
    if (!refused)
        for (size_t i = 0; i < values.size(); ++i)
            m_written.insert(uint16_t(start + i));
    return refused;
}
