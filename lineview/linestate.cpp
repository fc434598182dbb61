#include "lineview/linestate.h"

#include <algorithm>
#include <cmath>

namespace {

QString deviceKey(const QString &gateway, const QString &bus, int id)
{
    return gateway + QLatin1Char('/') + bus + QLatin1Char('/') + QString::number(id);
}

} // namespace

// ---- History ----

void LineState::History::store(const Sample &sample)
{
    if (m_ring.size() < HistoryCapacity) {
        m_ring.append(sample);
    } else {
        m_ring[m_start] = sample;
        m_start = (m_start + 1) % HistoryCapacity;
    }
}

void LineState::History::add(const Sample &sample)
{
    if (m_hasLast && sample.ms < m_last.ms)
        return; // out of order: an older retained state after a live one
    const qint64 lastStoredMs = m_ring.isEmpty() ? -1 : m_ring.at((m_start + m_ring.size() - 1) % m_ring.size()).ms;
    // The value before this one held until now: keep it, or the curve would cut the corner.
    if (m_hasLast && !m_lastStored && sample.ms - m_last.ms >= HistorySpacingMs)
        store(m_last);
    m_hasLast = true;
    m_last = sample;
    m_lastStored = lastStoredMs < 0 || sample.ms - lastStoredMs >= HistorySpacingMs;
    if (m_lastStored)
        store(sample);
}

QVector<LineState::Sample> LineState::History::since(qint64 ms) const
{
    QVector<Sample> out;
    for (int i = 0; i < m_ring.size(); ++i) {
        const Sample &s = m_ring.at((m_start + i) % m_ring.size());
        if (s.ms >= ms)
            out.append(s);
    }
    if (m_hasLast && !m_lastStored && m_last.ms >= ms)
        out.append(m_last);
    return out;
}

// ---- Buses and devices ----

double LineState::Bus::failuresPerMinute() const
{
    if (!hasFigures || figures.failures < 0 || figures.seconds <= 0)
        return -1;
    return figures.failures * 60.0 / figures.seconds;
}

Family LineState::Device::family() const
{
    if (hasInfo && identity.family != Family::Unknown)
        return identity.family;
    // Before the info comes, the state tells a linear module by its motion state.
    if (hasState && reading.state >= 0)
        return reading.motionState ? Family::Module : Family::Gripper;
    return Family::Unknown;
}

LineState::LineState() = default;

void LineState::clear()
{
    *this = LineState();
}

int LineState::gatewayIndex(const QString &name, bool create)
{
    for (int i = 0; i < m_gateways.size(); ++i)
        if (m_gateways.at(i).name == name)
            return i;
    if (!create || m_gateways.size() >= MaxGateways)
        return -1;
    Gateway g;
    g.name = name;
    m_gateways.append(g);
    m_topologyChanged = true;
    return m_gateways.size() - 1;
}

int LineState::busIndex(const QString &gateway, const QString &name, bool create)
{
    for (int i = 0; i < m_buses.size(); ++i)
        if (m_buses.at(i).name == name && m_buses.at(i).gateway == gateway)
            return i;
    if (!create || m_buses.size() >= MaxBuses)
        return -1;
    Bus b;
    b.gateway = gateway;
    b.name = name;
    m_buses.append(b);
    m_topologyChanged = true;
    return m_buses.size() - 1;
}

int LineState::deviceRow(const LineMessage &m, bool create)
{
    const QString key = deviceKey(m.gateway, m.bus, m.id);
    const auto found = m_deviceRows.constFind(key);
    if (found != m_deviceRows.constEnd())
        return found.value();
    if (!create || m_devices.size() >= MaxDevices)
        return -1;
    if (gatewayIndex(m.gateway, true) < 0 || busIndex(m.gateway, m.bus, true) < 0)
        return -1;
    Device d;
    d.gateway = m.gateway;
    d.bus = m.bus;
    d.id = m.id;
    m_devices.append(d);
    m_dirty.append(false);
    m_deviceRows.insert(key, m_devices.size() - 1);
    m_topologyChanged = true; // a bus's count of devices
    return m_devices.size() - 1;
}

int LineState::rowOf(const QString &gateway, const QString &bus, int id) const
{
    return m_deviceRows.value(deviceKey(gateway, bus, id), -1);
}

const LineState::Gateway *LineState::gateway(const QString &name) const
{
    for (const Gateway &g : m_gateways)
        if (g.name == name)
            return &g;
    return nullptr;
}

const LineState::Bus *LineState::bus(const QString &gateway, const QString &name) const
{
    for (const Bus &b : m_buses)
        if (b.name == name && b.gateway == gateway)
            return &b;
    return nullptr;
}

void LineState::markChanged(int row)
{
    if (row < 0 || m_dirty.at(row))
        return;
    m_dirty[row] = true;
    m_changed.append(row);
}

void LineState::markGatewayDevices(const QString &gateway)
{
    for (int row = 0; row < m_devices.size(); ++row)
        if (m_devices.at(row).gateway == gateway)
            markChanged(row);
}

void LineState::reject(const LineMessage &m)
{
    if (m.problem == LineProblem::NotOurs)
        return;
    ++m_notUnderstood;
    m_lastProblem = m.problem;
    m_lastProblemTopic = m.topic;
}

void LineState::apply(const LineMessage &m, qint64 nowMs)
{
    using Kind = LineMessage::Kind;
    if (m.kind == Kind::Ignored) {
        reject(m);
        return;
    }
    ++m_taken;

    if (m.kind == Kind::Status || m.kind == Kind::Stats) {
        // A cleared status or stats makes no gateway of its own.
        const int g = gatewayIndex(m.gateway, !m.cleared);
        if (g < 0) {
            if (!m.cleared)
                ++m_leftOut;
            return;
        }
        Gateway &gw = m_gateways[g];
        if (m.kind == Kind::Status) {
            const Presence status = m.cleared ? Presence::Unknown : m.presence;
            if (status != gw.status || (!m.retained && gw.sinceMs < 0)) {
                gw.sinceMs = m.retained ? -1 : nowMs;
                gw.status = status;
                markGatewayDevices(gw.name);
            }
            m_topologyChanged = true;
            return;
        }
        if (m.cleared)
            return;
        gw.statsReceivedMs = nowMs;
        gw.uptimeSeconds = m.uptimeSeconds;
        // A gateway known online from before the connection: its uptime says since when.
        if (gw.status == Presence::Online && gw.sinceMs < 0 && m.uptimeSeconds >= 0 && m.uptimeSeconds < 1e9)
            gw.sinceMs = nowMs - qint64(m.uptimeSeconds * 1000);
        for (const BusFigures &f : m.buses) {
            const int b = busIndex(m.gateway, f.name, true);
            if (b < 0) {
                ++m_leftOut;
                continue;
            }
            m_buses[b].hasFigures = true;
            m_buses[b].figures = f;
            m_buses[b].figuresReceivedMs = nowMs;
            // The devices' figures come with the stats too; they make no device of their own.
            for (const QPair<int, DeviceHealth> &h : f.health)
                applyHealth(m.gateway, f.name, h.first, h.second);
        }
        m_topologyChanged = true;
        return;
    }

    const int row = deviceRow(m, !m.cleared);
    if (row < 0) {
        if (!m.cleared)
            ++m_leftOut;
        return;
    }
    Device &d = m_devices[row];
    markChanged(row);
    switch (m.kind) {
    case Kind::Info:
        d.hasInfo = !m.cleared;
        d.identity = m.cleared ? DeviceIdentity() : m.identity;
        break;
    case Kind::Availability:
        d.availability = m.cleared ? Presence::Unknown : m.presence;
        m_topologyChanged = true; // a bus's count of devices online
        break;
    case Kind::Holder:
        d.holder = m.cleared ? QString() : m.holder;
        d.holderSinceMs = m.cleared ? -1 : m.holderSinceMs;
        break;
    case Kind::Health:
        applyHealth(d.gateway, d.bus, d.id, m.cleared ? DeviceHealth() : m.health);
        break;
    case Kind::State: {
        d.hasState = !m.cleared;
        if (m.cleared) {
            d.reading = DeviceReading();
            d.stateAtMs = -1;
            break;
        }
        d.reading = m.reading;
        // A retained state was true when the device answered, perhaps long ago; a live one
        // is as fresh as its receipt, whatever the gateway's clock says.
        const qint64 answered = m.reading.timeMs;
        d.stateAtMs = m.retained && answered > 0 ? std::min(answered, nowMs) : nowMs;
        Sample s;
        s.ms = d.stateAtMs;
        s.position = m.reading.hasPosition ? float(m.reading.position) : std::nanf("");
        s.current = m.reading.hasCurrent ? float(m.reading.current) : std::nanf("");
        d.history.add(s);
        break;
    }
    default: break;
    }
}

bool LineState::applyHealth(const QString &gateway, const QString &bus, int id, const DeviceHealth &health)
{
    const int row = rowOf(gateway, bus, id);
    if (row < 0 || row >= m_devices.size())
        return false;
    Device &d = m_devices[row];
    d.health = health;
    m_anyHealth = m_anyHealth || health.known;
    markChanged(row);
    return true;
}

Presence LineState::presenceOf(const Device &device) const
{
    const Gateway *g = gateway(device.gateway);
    if (g && g->status == Presence::Offline)
        return Presence::Offline;
    return device.availability;
}

qint64 LineState::ageMs(const Device &device, qint64 nowMs)
{
    if (device.stateAtMs < 0)
        return -1;
    return std::max<qint64>(0, nowMs - device.stateAtMs);
}

LineState::Changes LineState::takeChanges()
{
    Changes c;
    c.rowCount = m_devices.size();
    std::sort(m_changed.begin(), m_changed.end());
    for (int row : qAsConst(m_changed)) {
        m_dirty[row] = false;
        const Device &d = m_devices.at(row);
        if (!d.hasInfo && !d.hasState && d.availability == Presence::Unknown && !d.health.known && d.holder.isEmpty())
            c.goneRows.append(row);
        else
            c.changedRows.append(row);
    }
    m_changed.clear();
    c.topologyChanged = m_topologyChanged;
    m_topologyChanged = false;
    return c;
}

void LineState::removeRow(int row)
{
    if (row < 0 || row >= m_devices.size())
        return;
    m_devices.remove(row);
    m_dirty.remove(row);
    m_deviceRows.clear();
    for (int i = 0; i < m_devices.size(); ++i) {
        const Device &d = m_devices.at(i);
        m_deviceRows.insert(deviceKey(d.gateway, d.bus, d.id), i);
    }
    m_changed.erase(std::remove(m_changed.begin(), m_changed.end(), row), m_changed.end());
    for (int &r : m_changed)
        if (r > row)
            --r;
    m_topologyChanged = true;
}
