#include "bus.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace {

bool toNumber(const std::string &text, int base, unsigned long max, unsigned long &value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    char *end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text.c_str(), &end, base);
    if (errno != 0 || *end != 0 || v > max)
        return false;
    value = v;
    return true;
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

} // namespace

bool parseIdList(const std::string &text, std::vector<uint8_t> &ids)
{
    std::vector<uint8_t> out;
    for (const std::string &part : split(text, ',')) {
        const size_t dash = part.find('-');
        unsigned long first = 0;
        unsigned long last = 0;
        if (!toNumber(part.substr(0, dash), 10, 247, first))
            return false;
        last = first;
        if (dash != std::string::npos && !toNumber(part.substr(dash + 1), 10, 247, last))
            return false;
        if (first < 1 || last < first)
            return false;
        for (unsigned long id = first; id <= last; ++id)
            if (std::find(out.begin(), out.end(), uint8_t(id)) == out.end())
                out.push_back(uint8_t(id));
    }
    if (out.empty())
        return false;
    ids = out;
    return true;
}

bool parseNumberList(const std::string &text, int base, unsigned long max, std::vector<unsigned long> &values)
{
    std::vector<unsigned long> out;
    for (const std::string &part : split(text, ',')) {
        unsigned long v = 0;
        if (!toNumber(part, base, max, v))
            return false;
        out.push_back(v);
    }
    if (out.empty())
        return false;
    values = out;
    return true;
}

bool busDevices(const DeviceConfig &base, bool uidGiven, const BusPlan &plan,
                std::vector<DeviceConfig> &devices, std::string &error)
{
    const size_t count = plan.ids.empty() ? 1 : plan.ids.size();
    if (plan.models.size() > 1 && plan.models.size() != count) {
        error = "--model: one model code, or one per ID (" + std::to_string(count) + ")";
        return false;
    }
    if (plan.uids.size() > 1 && plan.uids.size() != count) {
        error = "--uid: one unique ID, or one per ID (" + std::to_string(count) + ")";
        return false;
    }
    if (plan.delays.size() > 1 && plan.delays.size() != count) {
        error = "--delay: one delay, or one per ID (" + std::to_string(count) + ")";
        return false;
    }
    if (plan.errorCodes.size() > 1 && plan.errorCodes.size() != count) {
        error = "--error-code: one code, or one per ID (" + std::to_string(count) + ")";
        return false;
    }
    devices.clear();
    for (size_t i = 0; i < count; ++i) {
        DeviceConfig d = base;
        if (i > 0) {
            d.seed = base.seed + uint32_t(i);
            if (!uidGiven)
                d.uid = 0x5A000000u | ((d.seed * 2654435761u) & 0xFFFFFFu);
            else if (plan.uids.size() <= 1)
                d.uid = base.uid + uint32_t(i);
        }
        if (!plan.ids.empty())
            d.line.address = plan.ids[i];
        if (plan.models.size() > 1) {
            d.model = uint16_t(plan.models[i]);
            if (!plan.kindGiven)
                d.kind = kindFromModel(d.model);
        }
        if (plan.uids.size() > 1)
            d.uid = uint32_t(plan.uids[i]);
        if (plan.delays.size() > 1)
            d.delayMs = int(plan.delays[i]);
        if (!plan.errorCodes.empty())
            d.errorCode = uint16_t(plan.errorCodes[plan.errorCodes.size() > 1 ? i : 0]);
        devices.push_back(d);
    }
    return true;
}

Bus::Bus(const std::vector<DeviceConfig> &configs)
{
    for (const DeviceConfig &c : configs) {
        m_devices.push_back(std::make_unique<Device>(c));
        m_configuredIds.push_back(c.line.address);
    }
}

std::vector<size_t> Bus::addressedBy(uint8_t address) const
{
    std::vector<size_t> out;
    for (size_t i = 0; i < m_devices.size(); ++i) {
        if (address == rtu::BroadcastAddress || address == rtu::AnyDeviceAddress
            || m_devices[i]->line().address == address)
            out.push_back(i);
    }
    return out;
}

void Bus::advance(double seconds)
{
    for (auto &d : m_devices)
        d->advance(seconds);
}

void Bus::powerOn()
{
    for (auto &d : m_devices)
        d->powerOn();
}

void Bus::removeObject()
{
    for (auto &d : m_devices)
        d->removeObject();
}

void Bus::restoreObject()
{
    for (auto &d : m_devices)
        d->restoreObject();
}

void Bus::setStateFile(const std::string &file)
{
    for (size_t i = 0; i < m_devices.size(); ++i) {
        if (file.empty() || m_devices.size() == 1)
            m_devices[i]->setStateFile(file);
        else
            m_devices[i]->setStateFile(file + "." + std::to_string(m_configuredIds[i]));
    }
}

bool Bus::loadState(std::string &error)
{
    for (auto &d : m_devices)
        if (!d->loadState(error))
            return false;
    return true;
}
