#include "replay.h"

#include <algorithm>
#include <cmath>

namespace {

std::string timeText(int64_t us)
{
    const int64_t ms = std::max<int64_t>(0, us) / 1000;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                  static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                  static_cast<long long>(ms % 1000));
    return text;
}

// The reader's problem in the simulator's words.
std::string problemText(const SessionProblem &p, const std::string &path)
{
    static const char *const kinds[] = {"a folder", "a FIFO (named pipe)", "a device", "a socket", "a special file"};
    static const char *const faults[] = {"is older than the frame before it",
                                         "holds a request other than the one recorded with it",
                                         "answers another function than its request", "answers no request",
                                         "has an unknown direction"};
    switch (p.kind) {
    case SessionProblem::Missing: return path + ": no such file";
    case SessionProblem::NotRegular:
        return p.object == "log" ? path + ": the log beside it (" + path + "-wal) is " + kinds[p.code] + ", not a file"
                                 : path + " is " + kinds[p.code] + ", not a file: a session is read only from a regular file";
    case SessionProblem::Unreadable: return "cannot read " + path + ": " + p.value;
    case SessionProblem::NotSqlite: return path + " is not a Grivant session: it is not an SQLite database";
    case SessionProblem::Foreign: return path + " is not a Grivant session: it is an SQLite database of another kind";
    case SessionProblem::Newer:
        return path + " was recorded by a newer Grivant (session format " + std::to_string(p.row) + ")";
    case SessionProblem::NoFormat:
        return path + " is not a Grivant session: no Grivant writes a session of format " + std::to_string(p.row);
    case SessionProblem::Schema:
        switch (p.code) {
        case SessionProblem::ForeignObject:
            return path + " is refused: it holds the " + p.value + " \"" + p.object + "\", and a session holds nothing but its tables";
        case SessionProblem::MissingTable: return path + " is not a session of this format: it has no table \"" + p.object + "\"";
        case SessionProblem::MissingColumn: return path + " is not a session of this format: it has no column " + p.object;
        case SessionProblem::ColumnType:
            return path + " is not a session of this format: its column " + p.object + " is declared \"" + p.value + "\"";
        case SessionProblem::GeneratedColumn: return path + " is refused: its column " + p.object + " is a generated column";
        default: return path + " is refused: its column " + p.object + " is hidden";
        }
    case SessionProblem::Header:
        if (p.code == 1)
            return path + " contradicts the session format: its header holds " + p.object + " twice";
        return path + " contradicts the session format: its header's " + p.object
               + (p.value.empty() ? " is missing" : " is " + p.value);
    case SessionProblem::Row:
        return path + " contradicts the session format: " + p.object + " of row " + std::to_string(p.row) + " is " + p.value;
    case SessionProblem::Contradiction:
        return path + " cannot be replayed: its frames contradict each other (frame " + std::to_string(p.row) + " at "
               + timeText(p.atUs) + ' ' + faults[p.code] + ")";
    case SessionProblem::Damaged: return path + " is damaged: not even its beginning can be read";
    case SessionProblem::Interrupted: return "stopped while reading " + path;
    case SessionProblem::Endless:
        return path + " is refused: reading it took far longer than a file of its size can need";
    case SessionProblem::NoRoom: return "cannot read " + path + ": no room for a copy of it and its log (" + p.value + ")";
    case SessionProblem::None: break;
    }
    return path + ": cannot be read";
}

} // namespace

bool Replay::load(const std::string &path, std::string &error, std::vector<std::string> &notes,
                  const std::atomic_bool *stop)
{
    SessionReader reader(stop);
    size_t misfits = 0;
    const bool read = reader.open(path) && reader.readFrames([&](const SessionRow &row) {
        // Answers of reads: the register the request started at is stored with the answer.
        misfits += row.use == SessionFrameUse::Misfit;
        if (row.use != SessionFrameUse::ReadAnswer)
            return;
        const int n = row.bytes[2] / 2;
        m_answers.push_back({row.tUs, uint16_t(row.address), uint16_t(n), uint32_t(m_values.size())});
        for (int i = 0; i < n; ++i)
            m_values.push_back(uint16_t(row.bytes[3 + 2 * i] << 8 | row.bytes[4 + 2 * i]));
    }) && reader.readEvents([](const SessionEventRow &) {});
    if (!read) {
        error = problemText(reader.problem(), path);
        return false;
    }
    m_head = reader.head();
    m_durationUs = reader.durationUs();
    if (reader.damaged()) {
        // What follows the last complete second before the damage is left out.
        while (!m_answers.empty() && m_answers.back().tUs >= reader.keepBeforeUs())
            m_answers.pop_back();
        notes.push_back(path + " is damaged: it is served up to " + timeText(reader.keepBeforeUs())
                        + ", the last complete second before the damage");
    }
    if (misfits)
        notes.push_back(std::to_string(misfits)
                        + " answers did not fit their request (another number of registers, or registers beyond 0xFFFF): not served");
    for (uint32_t i = 0; i < m_answers.size(); ++i)
        m_blocks[uint32_t(m_answers[i].start) << 8 | m_answers[i].count].push_back(i);
    if (m_answers.empty() && m_head.ident.size() != 12) {
        error = path + " holds no answers of the device to replay";
        return false;
    }
    return true;
}

bool Replay::identify(DeviceConfig &config, const Options &options, std::string &error) const
{
    // The device answers where it was recorded, unless told otherwise.
    LineSettings &line = config.line;
    if (!options.idGiven)
        line.address = uint8_t(m_head.slaveId);
    if (!options.baudGiven) {
        if (baudCode(m_head.baudRate) < 0) {
            error = "the session was recorded at " + std::to_string(m_head.baudRate)
                    + " baud, which the simulator does not offer: give --baud";
            return false;
        }
        line.baud = m_head.baudRate;
    }
    if (!options.parityGiven)
        line.parity = m_head.parity == "even" ? ParityEven : m_head.parity == "odd" ? ParityOdd : ParityNone;
    if (!options.stopBitsGiven)
        line.stopBits = m_head.stopBits;

    uint16_t block[6] = {};
    bool any = false;
    for (size_t i = 0; i < 6; ++i) {
        uint16_t v = 0;
        if (valueAt(uint16_t(0x0A00 + i), v)) {
            block[i] = v;
            any = true;
        }
    }
    if (!any)
        return true;
    config.model = block[0];
    config.kind = kindFromModel(block[0]);
    config.hardware = block[1];
    config.software = block[2];
    config.uid = uint32_t(block[4]) << 16 | block[3];
    config.hardwarePatch = uint8_t(block[5] & 0xFF);
    return true;
}

void Replay::setTime(double seconds)
{
    const double us = std::max(0.0, seconds * 1e6);
    if (m_durationUs <= 0)
        m_timeUs = 0;
    else if (m_loop)
        m_timeUs = int64_t(std::fmod(us, double(m_durationUs)));
    else
        m_timeUs = int64_t(std::min(us, double(m_durationUs)));
}

bool Replay::valueAt(uint16_t address, uint16_t &value) const
{
    // The newest answer at or before now that holds the register; before its first
    // answer a register shows that answer's value. Blocks that can hold it start at most
    // 127 registers before it.
    const Answer *now = nullptr;
    const Answer *first = nullptr;
    const uint32_t from = uint32_t(address >= 127 ? address - 127 : 0) << 8;
    for (auto block = m_blocks.lower_bound(from); block != m_blocks.end() && (block->first >> 8) <= address; ++block) {
        if (address >= (block->first >> 8) + (block->first & 0xFF))
            continue;
        const std::vector<uint32_t> &answers = block->second;
        const auto after = std::upper_bound(answers.begin(), answers.end(), m_timeUs,
                                            [this](int64_t t, uint32_t i) { return t < m_answers[i].tUs; });
        if (after != answers.begin()) {
            const Answer *a = &m_answers[*std::prev(after)];
            now = !now || a > now ? a : now;
        } else if (!now) {
            const Answer *a = &m_answers[answers.front()];
            first = !first || a < first ? a : first;
        }
    }
    if (const Answer *a = now ? now : first) {
        value = m_values[a->at + (address - a->start)];
        return true;
    }
    // The identification of the header, for a recording that never polled it.
    const size_t index = size_t(address - 0x0A00);
    if (address < 0x0A00 || index >= 6 || m_head.ident.size() != 12)
        return false;
    value = uint16_t(uint8_t(m_head.ident[2 * index]) << 8 | uint8_t(m_head.ident[2 * index + 1]));
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
