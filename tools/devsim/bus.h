// Several simulated devices on one line: each with its own address, state, unique ID and
// model, each answering only requests to its own address, all sharing the one wire.
#pragma once

#include "device.h"

#include <memory>
#include <string>
#include <vector>

// "1,2,3", "1-4" or a mix of both: slave IDs 1 to 247 in the order given, no repeats.
bool parseIdList(const std::string &text, std::vector<uint8_t> &ids);
// Comma-separated numbers in `base`, each at most `max`.
bool parseNumberList(const std::string &text, int base, unsigned long max, std::vector<unsigned long> &values);
inline bool parseHexList(const std::string &text, unsigned long max, std::vector<unsigned long> &values)
{
    return parseNumberList(text, 16, max, values);
}

// What the command line says about the devices of the line beyond the first one.
struct BusPlan
{
    std::vector<uint8_t> ids;          // empty: the one device of --id
    std::vector<unsigned long> models; // one, or one per ID
    std::vector<unsigned long> uids;   // none, one (counted up per device) or one per ID
    std::vector<unsigned long> delays; // ms: one for every device, or one per ID
    std::vector<unsigned long> errorCodes; // none, one for all or one per ID
    bool kindGiven = false;
};

// The configuration of every device: the first is `base` itself, so that a single device
// stays exactly what it always was; the others differ in address, seed (and so in their
// noise and default unique ID), and in model, unique ID and delay where lists give them. False
// with the reason when a list does not fit the IDs.
bool busDevices(const DeviceConfig &base, bool uidGiven, const BusPlan &plan,
                std::vector<DeviceConfig> &devices, std::string &error);

class Bus
{
public:
    explicit Bus(const std::vector<DeviceConfig> &configs);

    size_t size() const { return m_devices.size(); }
    Device &device(size_t i) { return *m_devices[i]; }
    const Device &device(size_t i) const { return *m_devices[i]; }

    // Devices a request to `address` is for: its own address, or every device for the
    // broadcast address 0 and the any-device address 255.
    std::vector<size_t> addressedBy(uint8_t address) const;

    void advance(double seconds);
    void powerOn();
    void removeObject();
    void restoreObject();

    // One device keeps its parameters in FILE; several keep theirs in FILE.ID each.
    void setStateFile(const std::string &file);
    bool loadState(std::string &error);

private:
    std::vector<std::unique_ptr<Device>> m_devices;
    std::vector<uint8_t> m_configuredIds;
};
