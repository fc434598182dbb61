// A recorded device served again (--replay): reads are answered with the values the device
// had at that moment of a session file, looping or holding at its end; writes go to the
// simulated device as ever, and a written register is served from it from then on.
#pragma once

#include "device.h"
#include "rtu.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class Replay : public rtu::Registers
{
public:
    // Reads the session without changing it. False with a message when it is not a
    // session, is of a newer format, or cannot be read.
    bool load(const std::string &path, std::string &error);

    // What the recorded device said about itself (0x0A00 to 0x0A05), into the simulated
    // device's configuration, and the slave ID it had.
    void identify(DeviceConfig &config) const;
    double duration() const { return m_duration; }
    size_t registersRecorded() const { return m_values.size(); }

    void attach(Device *device) { m_device = device; }
    void setLoop(bool loop) { m_loop = loop; }
    // Seconds since the replay started: where in the recording the answers come from.
    void setTime(double seconds);

    uint8_t read(uint16_t start, uint16_t count, std::vector<uint16_t> &values) override;
    uint8_t write(uint16_t start, const std::vector<uint16_t> &values) override;

private:
    bool valueAt(uint16_t address, uint16_t &value) const;

    Device *m_device = nullptr;
    // Per register, its values in time order: seconds of the session, value.
    std::unordered_map<uint16_t, std::vector<std::pair<double, uint16_t>>> m_values;
    std::unordered_set<uint16_t> m_written;
    std::vector<uint16_t> m_ident;
    double m_duration = 0;
    double m_time = 0;
    bool m_loop = false;
};
