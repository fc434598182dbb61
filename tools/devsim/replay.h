// A recorded device served again (--replay): reads are answered with the values the device
// had at that moment of a session file, looping or holding at its end; writes go to the
// simulated device as ever, and a written register is served from it from then on. The
// file is read through the same hardened reader as the window's and grivantctl's.
#pragma once

#include "device.h"
#include "options.h"
#include "rtu.h"

#include "engine/sessionreader.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

class Replay : public rtu::Registers
{
public:
    // Reads the session without changing it nor leaving anything behind. False with a
    // message when it is not a session, contradicts the format, is of a newer format, or
    // cannot be read, or when `stop` was raised meanwhile. Notes about a damaged file or
    // answers left out go to `notes`.
    bool load(const std::string &path, std::string &error, std::vector<std::string> &notes,
              const std::atomic_bool *stop = nullptr);

    // What the recorded device said about itself (0x0A00 to 0x0A05), and the slave ID and
    // line settings it was recorded at unless the command line gave others. False when
    // the recording's line is one the simulator cannot serve.
    bool identify(DeviceConfig &config, const Options &options, std::string &error) const;
    double duration() const { return double(m_durationUs) / 1e6; }

    void attach(Device *device) { m_device = device; }
    void setLoop(bool loop) { m_loop = loop; }
    // Seconds since the replay started: where in the recording the answers come from.
    void setTime(double seconds);

    uint8_t read(uint16_t start, uint16_t count, std::vector<uint16_t> &values) override;
    uint8_t write(uint16_t start, const std::vector<uint16_t> &values) override;

private:
    bool valueAt(uint16_t address, uint16_t &value) const;

    // A read answer: `count` registers from `start`, their values at `at` in m_values.
    struct Answer
    {
        int64_t tUs;
        uint16_t start;
        uint16_t count;
        uint32_t at;
    };
    Device *m_device = nullptr;
    SessionHead m_head;
    std::vector<Answer> m_answers; // in time order
    std::vector<uint16_t> m_values;
    // Answers of each block (start << 8 | count), in time order.
    std::map<uint32_t, std::vector<uint32_t>> m_blocks;
    std::unordered_set<uint16_t> m_written;
    int64_t m_durationUs = 0;
    int64_t m_timeUs = 0;
    bool m_loop = false;
};
