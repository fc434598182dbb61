#include "gateway/busworker.h"

#include "app/installpaths.h"
#include "cli/catalog.h"
#include "engine/actionregisters.h"
#include "gateway/setcommand.h"
#include "link/connectionfunc.h"
#include "link/modbusframe.h"

#include <QThread>

#include <algorithm>
#include <limits>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int FeedbackGroup = 0x02;
constexpr int OfflineAfterFailures = 3;
// Pauses between the tries of an offline device, and of a port that cannot be opened.
constexpr int Pauses[] = {500, 1000, 2000, 4000, 8000, 10000};
constexpr int PauseCount = int(sizeof Pauses / sizeof Pauses[0]);
// A scan waits less for an answer than a poll: most IDs have no device.
constexpr int ScanAnswerWaitMs = 50;
constexpr int RescanAfterMs = 60000;
constexpr int WriteAttempts = 3;
// The longest pause of a bus with nothing to poll (every device leased).
constexpr qint64 IdleWaitMs = 1000;

QString idList(const QVector<int> &ids)
{
    QStringList parts;
    for (int id : ids)
        parts << QString::number(id);
    return parts.join(QStringLiteral(", "));
}

} // namespace

BusWorker::BusWorker(const GatewayConfig::Config &config, const GatewayConfig::Bus &bus, const Catalog &catalog,
                     Publisher &out)
    : m_config(config), m_bus(bus), m_catalog(catalog), m_out(out)
{
    m_clock.start();
    if (bus.scan) {
        m_scanning = true;
    } else {
        for (int id : bus.ids) {
            Device d;
            d.id = id;
            d.periodMs = bus.periodFor(id, 50);
            m_devices.push_back(d);
            healthOf(id).periodMs = d.periodMs;
        }
    }
    m_deviceCount = int(m_devices.size());
    m_figures.name = bus.name;
    m_figures.port = bus.line.port;
    m_figures.line = lineSettingsText(bus.line);
}

BusWorker::~BusWorker()
{
    requestStop();
    wait();
}

void BusWorker::start()
{
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->start();
}

void BusWorker::requestStop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_stopFlag = true;
    }
    m_wake.notify_all();
}

void BusWorker::wait()
{
    if (m_thread)
        m_thread->wait();
}

QString BusWorker::topic(int id, const char *leaf) const
{
    return QStringLiteral("grivant/%1/%2/%3/%4").arg(m_config.name, m_bus.name).arg(id).arg(QLatin1String(leaf));
}

QVector<int> BusWorker::announcedIds() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_announced;
}

void BusWorker::submit(int id, const QByteArray &payload)
{
    QString refusal;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_figures.commands += 1;
        refusal = m_stop ? QStringLiteral("the gateway is ending") : m_commands.add(id, payload);
    }
    if (refusal.isEmpty())
        m_wake.notify_all();
    else
        result(id, SetCommand::commandId(payload), QStringLiteral("refused"), refusal + QStringLiteral("; nothing was written"));
}

Payloads::BusFigures BusWorker::takeFigures()
{
    Payloads::BusFigures f;
    std::map<int, Health::Device> devices;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        f = m_figures;
        const qint64 now = nowMs();
        f.seconds = (now - m_figuresSinceMs) / 1000.0;
        f.devices = m_deviceCount;
        f.online = m_onlineCount;
        m_figuresSinceMs = now;
        m_figures = Payloads::BusFigures();
        m_figures.name = f.name;
        m_figures.port = f.port;
        m_figures.line = f.line;
        // What stands behind the port outlasts the figures of a period.
        m_figures.adapter = f.adapter;
        m_figures.echo = f.echo;
        f.leased = int(m_leases.size());
        for (auto &[id, device] : m_health) {
            Health::Device fresh;
            fresh.id = id;
            fresh.periodMs = device.periodMs;
            fresh.online = device.online;
            fresh.leased = device.leased;
            devices.emplace(id, std::move(device));
            device = std::move(fresh);
        }
    }
    // The percentiles outside the lock: the worker goes on meanwhile.
    for (const auto &entry : devices)
        f.health.append(Health::figures(entry.second));
    return f;
}

Health::Device &BusWorker::healthOf(int id)
{
    Health::Device &device = m_health[id];
    device.id = id;
    return device;
}

void BusWorker::pause(qint64 ms, bool wakeOnCommand)
{
    const Clock::time_point from = Clock::now();
    std::unique_lock<std::mutex> lock(m_mutex);
    // A lease taken or let go is answered at once; a request waits for its turn as a
    // command does.
    m_wake.wait_for(lock, std::chrono::milliseconds(std::max<qint64>(0, ms)), [this, wakeOnCommand] {
        return m_stop || !m_leaseMessages.empty()
               || (wakeOnCommand && (!m_commands.isEmpty() || !m_leaseRequests.empty()));
    });
    m_figures.idleSeconds += std::chrono::duration<double>(Clock::now() - from).count();
}

double BusWorker::wireSeconds(int bytes) const
{
    const int bits = 1 + 8 + (m_bus.line.parity == QSerialPort::NoParity ? 0 : 1)
                     + (m_bus.line.stopBits == QSerialPort::TwoStop ? 2 : 1);
    return double(bytes) * bits / m_bus.line.baudRate;
}

double BusWorker::silenceSeconds() const
{
    return m_bus.line.baudRate > 19200 ? 0.00175 : wireSeconds(1) * 3.5;
}

// A frame begins only after 3.5 characters of silence on the line: the answer just read
// ended the last one. A device server keeps the silence of its own line.
void BusWorker::waitForSilence()
{
    if (m_client->isNetwork())
        return;
    if (Clock::now() < m_lineQuietAt)
        std::this_thread::sleep_until(m_lineQuietAt);
}

void BusWorker::account(int id, int requestBytes, int answerBytes, ModbusClient::Status status, Kind kind)
{
    const bool ok = status == ModbusClient::Status::Ok;
    const bool noAnswer = status == ModbusClient::Status::NoAnswer;
    const bool exception = status == ModbusClient::Status::Exception;
    const bool garbled = status == ModbusClient::Status::BadAnswer;
    const double busy = wireSeconds(requestBytes) + silenceSeconds()
                        + (answerBytes > 0 ? wireSeconds(answerBytes) + silenceSeconds() : 0);
    m_lineQuietAt = Clock::now() + std::chrono::microseconds(qint64(silenceSeconds() * 1e6));
    bool echoFound = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_client->lastTurnaroundMs() >= 0)
            m_figures.turnaround.add(m_client->lastTurnaroundMs());
        echoFound = m_client->echoes() && !m_figures.echo;
        m_figures.echo = m_figures.echo || echoFound;
    }
    if (echoFound)
        m_out.log(QStringLiteral("bus %1: %2: this adapter echoes what it sends; the echo is set aside before "
                                 "each answer")
                      .arg(m_bus.name, m_bus.line.port));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_figures.transactions += 1;
    m_figures.busySeconds += busy;
    if (kind == Kind::Poll || kind == Kind::Identify) {
        m_figures.polls += 1;
        Health::Device &device = healthOf(id);
        device.polls += 1;
        if (!ok) {
            device.failures += 1;
            device.timeouts += noAnswer ? 1 : 0;
            device.crcErrors += garbled ? 1 : 0;
            device.exceptions += exception ? 1 : 0;
        }
    }
    if (kind == Kind::Scan || ok)
        return; // an ID without a device is what a scan expects
    m_figures.failures += 1;
    m_figures.timeouts += noAnswer ? 1 : 0;
    m_figures.crcErrors += garbled ? 1 : 0;
    m_figures.exceptions += exception ? 1 : 0;
}

ModbusClient::Reply BusWorker::read(int id, quint16 start, quint16 count, Kind kind)
{
    waitForSilence();
    const ModbusClient::Reply reply = m_client->read(id, start, count);
    const bool exception = reply.status == ModbusClient::Status::Exception;
    account(id, 8, reply.ok() ? ModbusFrame::readAnswerSize(count) : exception ? ModbusFrame::ExceptionAnswerSize : 0,
            reply.status, kind);
    if (reply.ok() || exception)
        m_silentSinceOpen = 0;
    else
        ++m_silentSinceOpen;
    return reply;
}

ModbusClient::Reply BusWorker::write(int id, quint16 start, const QVector<quint16> &values)
{
    waitForSilence();
    // A write that makes the device act goes once: when its answer is lost the device may
    // have carried it out, and a second one could do it twice.
    m_client->setAttempts(ActionRegisters::isActionWrite(start, values.size()) ? 1 : WriteAttempts);
    const ModbusClient::Reply reply = m_client->write(id, start, values);
    m_client->setAttempts(1);
    const bool exception = reply.status == ModbusClient::Status::Exception;
    const int request = values.size() == 1 ? 8 : 9 + 2 * values.size();
    account(id, request, reply.ok() ? ModbusFrame::WriteAnswerSize : exception ? ModbusFrame::ExceptionAnswerSize : 0,
            reply.status, Kind::Command);
    return reply;
}

void BusWorker::run()
{
    ModbusClient client;
    client.setAttempts(1);
    client.setAnswerWait(m_bus.timeoutMs);
    client.setStopFlag(&m_stopFlag);
    m_client = &client;
    m_lineQuietAt = Clock::now();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_figuresSinceMs = nowMs();
    }

    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop)
                break;
        }
        // A lease asked for is answered whatever the port does: refused while it is gone.
        handleLeaseWork();
        if (!client.isOpen() && !openPort()) {
            // No port, no device: say so rather than keep the operator waiting.
            refuseWaiting(QStringLiteral("bus %1: %2").arg(m_bus.name, m_portError));
            refuseLeaseRequests(QStringLiteral("bus %1: %2").arg(m_bus.name, m_portError));
            continue;
        }
        judgeWaiting();

        if (m_scanning) {
            scanNext();
            continue;
        }
        if (m_devices.empty()) {
            if (nowMs() >= m_rescanAtMs) {
                m_scanning = true;
                m_scanIndex = 0;
            } else {
                pause(m_rescanAtMs - nowMs());
            }
            continue;
        }
        // A port that no device answers any more may be gone (an adapter unplugged, a
        // simulator ended): open it again before the next try.
        const bool allOffline = std::all_of(m_devices.cbegin(), m_devices.cend(),
                                            [](const Device &d) { return d.status == Device::Status::Offline; });
        if (allOffline && m_silentSinceOpen > 0) {
            client.close();
            continue;
        }
        // A leased device is the client's: it waits for no poll.
        Device *next = nullptr;
        for (Device &d : m_devices)
            if (d.status != Device::Status::Leased && (!next || d.dueMs < next->dueMs))
                next = &d;
        const qint64 now = nowMs();
        const qint64 nextPollMs = next ? next->dueMs : now + IdleWaitMs;
        // A lease's request takes its turn on the line as a command does, the two in turn.
        const bool leaseWaiting = leaseRequestWaiting();
        const qint64 commandAt = m_held || leaseWaiting ? m_pacing.nextCommandAt(now, nextPollMs)
                                                        : std::numeric_limits<qint64>::max();
        if (commandAt <= now) {
            if (leaseWaiting && (m_leaseTurn || !m_held)) {
                carryLeaseRequest();
                m_leaseTurn = false;
            } else {
                const std::unique_ptr<Held> held = std::move(m_held);
                carryOut(*held);
                m_leaseTurn = true;
            }
            m_pacing.commandDone(now, nowMs());
            continue;
        }
        if (!next || next->dueMs > now) {
            // What waits for its turn waits for that, not for the next one to come.
            pause(std::min({commandAt, nextPollMs, nextLeaseExpiryMs()}) - now, !m_held && !leaseWaiting);
            continue;
        }
        poll(*next);
        m_pacing.pollDone();
    }
    refuseWaiting(QStringLiteral("the gateway is ending"));
    refuseLeaseRequests(QStringLiteral("the gateway is ending"));
    endAllLeases(QStringLiteral("the gateway is ending"));
    client.close();
    m_client = nullptr;
}

void BusWorker::refuseWaiting(const QString &why)
{
    const QString detail = why + QStringLiteral("; nothing was written");
    if (m_held) {
        result(m_held->id, m_held->plan.id, QStringLiteral("refused"), detail);
        m_held.reset();
    }
    for (;;) {
        CommandQueue::Command c;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_commands.take(&c))
                break;
        }
        result(c.id, SetCommand::commandId(c.payload), QStringLiteral("refused"), detail);
    }
}

void BusWorker::judgeWaiting()
{
    while (!m_held) {
        CommandQueue::Command c;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop || !m_commands.take(&c))
                return;
        }
        auto held = std::make_unique<Held>();
        if (judge(c, held.get()))
            m_held = std::move(held);
    }
}

bool BusWorker::openPort()
{
    const qint64 wait = m_portRetryAtMs - nowMs();
    if (wait > 0) {
        pause(wait);
        return false;
    }
    QString why;
    if (m_client->open(m_bus.line, &why)) {
        if (!m_portError.isEmpty())
            m_out.log(QStringLiteral("bus %1: %2 is open again").arg(m_bus.name, m_bus.line.port));
        m_portError.clear();
        m_portPauseMs = 0;
        m_silentSinceOpen = 0;
        tellAdapter();
        m_lineQuietAt = Clock::now();
        // Whatever was waiting for the port is tried at once.
        for (Device &d : m_devices)
            d.dueMs = std::min(d.dueMs, nowMs());
        return true;
    }
    if (why != m_portError)
        m_out.log(QStringLiteral("bus %1: %2; trying again with growing pauses").arg(m_bus.name, why));
    m_portError = why;
    for (Device &d : m_devices)
        failed(d, why);
    m_portPauseMs = m_portPauseMs == 0 ? Pauses[0] : std::min(2 * m_portPauseMs, Pauses[PauseCount - 1]);
    m_portRetryAtMs = nowMs() + m_portPauseMs;
    return false;
}

// What stands behind the port, at every open; what to do about a latency left high, once.
void BusWorker::tellAdapter()
{
    const AdapterSession &adapter = m_client->adapter();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_figures.adapter = adapter.summary();
    }
    if (adapter.identity().kind == SerialAdapter::Kind::PseudoTerminal)
        return; // a simulator: no adapter to tell of
    m_out.log(QStringLiteral("bus %1: %2: %3").arg(m_bus.name, m_bus.line.port, adapter.summary()));
    const QString advice = SerialAdapter::latencyAdvice(adapter.identity(), adapter.latency(),
                                                        InstallPaths::latencyRule());
    if (!advice.isEmpty() && !m_latencyAdvised) {
        m_latencyAdvised = true;
        m_out.log(QStringLiteral("bus %1: %2").arg(m_bus.name, advice));
    }
}

void BusWorker::scanNext()
{
    if (m_scanIndex == 0)
        m_out.log(QStringLiteral("bus %1: looking for devices at IDs %2 to %3")
                      .arg(m_bus.name).arg(m_bus.ids.first()).arg(m_bus.ids.last()));
    const int id = m_bus.ids.at(m_scanIndex++);
    m_client->setAnswerWait(m_client->isNetwork() ? Connectionfunc::networkWaitTime(m_bus.line.port) : ScanAnswerWaitMs);
    const ModbusClient::Reply reply = read(id, ParameterBackup::DeviceInfoRegister, ParameterBackup::DeviceInfoCount,
                                           Kind::Scan);
    m_client->setAnswerWait(m_bus.timeoutMs);
    // A device that refuses the request is there all the same.
    if (reply.ok() || reply.status == ModbusClient::Status::Exception) {
        Device d;
        d.id = id;
        d.periodMs = m_bus.periodFor(id, 50);
        d.dueMs = nowMs();
        m_devices.push_back(d);
        m_deviceCount = int(m_devices.size());
    }
    if (m_scanIndex < m_bus.ids.size())
        return;
    m_scanning = false;
    QVector<int> found;
    for (const Device &d : m_devices)
        found << d.id;
    if (found.isEmpty()) {
        m_rescanAtMs = nowMs() + RescanAfterMs;
        m_out.log(QStringLiteral("bus %1: no device answered; looking again in %2 s").arg(m_bus.name).arg(RescanAfterMs / 1000));
    } else {
        m_out.log(QStringLiteral("bus %1: found ID %2").arg(m_bus.name, idList(found)));
    }
}

void BusWorker::poll(Device &d)
{
    const qint64 started = nowMs();
    if (!d.identified) {
        if (identify(d))
            d.dueMs = nowMs();
        return;
    }
    // The achieved interval: from the start of one state poll to the next, while online.
    const double startedMs = m_clock.nsecsElapsed() / 1e6;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Health::Device &health = healthOf(d.id);
        health.periodMs = d.periodMs;
        if (d.lastPollMs >= 0)
            health.intervals.add(startedMs - d.lastPollMs);
    }
    d.lastPollMs = startedMs;
    const int count = d.map->groupRegisterCounts.value(FeedbackGroup);
    const ModbusClient::Reply reply = read(d.id, quint16(FeedbackGroup * 256), quint16(count), Kind::Poll);
    if (!reply.ok()) {
        failed(d, reply.errorText());
        return;
    }
    succeeded(d);
    d.dueMs = started + d.periodMs;
    const qint64 now = nowMs();
    if (reply.values == d.lastState && d.publishedAtMs >= 0
        && now - d.publishedAtMs < qint64(m_config.heartbeatSeconds) * 1000)
        return;
    d.lastState = reply.values;
    d.publishedAtMs = now;
    m_out.publishRetained(topic(d.id, "state"),
                          Payloads::state(d.family, *d.map, FeedbackGroup * 256, reply.values,
                                          QDateTime::currentDateTimeUtc()),
                          0);
}

bool BusWorker::identify(Device &d)
{
    const ModbusClient::Reply reply = read(d.id, ParameterBackup::DeviceInfoRegister, ParameterBackup::DeviceInfoCount,
                                           Kind::Identify);
    if (!reply.ok()) {
        failed(d, QStringLiteral("identification (0x0A00): ") + reply.errorText());
        return false;
    }
    QByteArray block;
    for (quint16 v : reply.values) {
        block.append(char(v >> 8));
        block.append(char(v & 0xFF));
    }
    d.identity.modelCode = reply.values.value(0);
    d.identity.modelName = m_catalog.modelName(d.identity.modelCode);
    d.identity.info = DeviceInfo::fromBlock(block);
    d.map = &m_catalog.mapFor(d.identity.modelName);
    d.family = Payloads::familyOf(d.identity.modelName);
    const int windowPeriod = d.map->groupScanRates.value(FeedbackGroup, 50) * (9600 / m_bus.line.baudRate + 1);
    d.periodMs = m_bus.periodFor(d.id, windowPeriod);

    QVector<ParameterBackup::Entry> parameters;
    if (!readParameters(d, &parameters))
        return false;
    d.identified = true;
    d.lastState.clear();
    d.publishedAtMs = -1;
    d.lastPollMs = -1;
    publishInfo(d, parameters);
    m_out.identified(m_bus.name, d.id, d.identity, *d.map);
    succeeded(d);
    return true;
}

bool BusWorker::readParameters(Device &d, QVector<ParameterBackup::Entry> *parameters)
{
    for (int group : ParameterBackup::storedGroups()) {
        const int count = d.map->groupRegisterCounts.value(group);
        if (count <= 0)
            continue;
        const ModbusClient::Reply reply = read(d.id, quint16(group * 256), quint16(count), Kind::Identify);
        if (!reply.ok()) {
            failed(d, QStringLiteral("parameters (%1): %2").arg(ParameterBackup::addressText(group * 256), reply.errorText()));
            return false;
        }
        *parameters += ParameterBackup::groupEntries(*d.map, group, reply.values);
    }
    return true;
}

void BusWorker::publishInfo(Device &d, const QVector<ParameterBackup::Entry> &parameters)
{
    m_out.publishRetained(topic(d.id, "info"),
                          Payloads::info(d.identity, m_bus.name, m_bus.line, d.id, parameters,
                                         QDateTime::currentDateTimeUtc(), m_config.allowDiagnosis),
                          1);
}

void BusWorker::setAvailability(Device &d, bool online)
{
    const Device::Status status = online ? Device::Status::Online : Device::Status::Offline;
    if (d.status == status)
        return;
    d.status = status;
    m_onlineCount = int(std::count_if(m_devices.cbegin(), m_devices.cend(),
                                      [](const Device &x) { return x.status == Device::Status::Online; }));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_announced.contains(d.id))
            m_announced.append(d.id);
        healthOf(d.id).online = online;
    }
    m_out.publishRetained(topic(d.id, "availability"), online ? QByteArrayLiteral("online") : QByteArrayLiteral("offline"), 1);
}

void BusWorker::succeeded(Device &d)
{
    d.failures = 0;
    d.pauseStep = 0;
    if (d.status != Device::Status::Online && d.identified) {
        m_out.log(QStringLiteral("bus %1 ID %2: %3, unique ID %4, online")
                      .arg(m_bus.name).arg(d.id).arg(d.identity.modelName, d.identity.info.uniqueId));
        setAvailability(d, true);
    }
}

void BusWorker::failed(Device &d, const QString &why)
{
    ++d.failures;
    if (d.status != Device::Status::Offline && d.failures >= OfflineAfterFailures) {
        m_out.log(QStringLiteral("bus %1 ID %2: offline after %3 failed polls (%4)")
                      .arg(m_bus.name).arg(d.id).arg(d.failures).arg(why));
        d.identified = false;
        d.pauseStep = 0;
        d.lastPollMs = -1;
        setAvailability(d, false);
    }
    if (d.status == Device::Status::Offline)
        d.dueMs = nowMs() + Pauses[std::min(d.pauseStep++, PauseCount - 1)];
    else
        d.dueMs = nowMs() + (d.identified ? d.periodMs : 0);
}

void BusWorker::result(int id, const QJsonValue &commandId, const QString &outcome, const QString &detail)
{
    m_out.publishMessage(topic(id, "result"), Payloads::result(commandId, outcome, detail));
}

// Whether the command may go on the line: the device is there and the command asks for
// nothing the gateway refuses. A refusal is answered here.
bool BusWorker::judge(const CommandQueue::Command &command, Held *held)
{
    const int id = command.id;
    auto device = std::find_if(m_devices.begin(), m_devices.end(), [id](const Device &d) { return d.id == id; });
    if (device != m_devices.end() && device->status == Device::Status::Leased) {
        result(id, SetCommand::commandId(command.payload), QStringLiteral("refused"),
               QStringLiteral("ID %1 on bus %2 is leased for diagnosis; nothing was written").arg(QString::number(id), m_bus.name));
        return false;
    }
    if (device == m_devices.end() || !device->identified) {
        const QString why = device == m_devices.end()
            ? QStringLiteral("bus %1 has no device with ID %2").arg(m_bus.name).arg(id)
            : QStringLiteral("ID %1 on bus %2 is %3").arg(id).arg(m_bus.name)
                  .arg(device->status == Device::Status::Offline ? QStringLiteral("offline") : QStringLiteral("not identified yet"));
        result(id, SetCommand::commandId(command.payload), QStringLiteral("refused"), why + QStringLiteral("; nothing was written"));
        return false;
    }
    held->id = id;
    held->plan = SetCommand::plan(command.payload, *device->map, device->identity.modelName);
    if (held->plan.refused()) {
        m_out.log(QStringLiteral("bus %1 ID %2: set refused: %3").arg(m_bus.name).arg(id).arg(held->plan.refusal));
        result(id, held->plan.id, QStringLiteral("refused"), held->plan.refusal);
        return false;
    }
    return true;
}

void BusWorker::carryOut(const Held &held)
{
    const int id = held.id;
    const SetCommand::Plan &plan = held.plan;
    auto device = std::find_if(m_devices.begin(), m_devices.end(), [id](const Device &d) { return d.id == id; });
    // Gone offline, or leased, while the command waited for its turn.
    if (device != m_devices.end() && device->status == Device::Status::Leased) {
        result(id, plan.id, QStringLiteral("refused"),
               QStringLiteral("ID %1 on bus %2 was leased for diagnosis; nothing was written").arg(QString::number(id), m_bus.name));
        return;
    }
    if (device == m_devices.end() || !device->identified) {
        result(id, plan.id, QStringLiteral("refused"),
               QStringLiteral("ID %1 on bus %2 went offline; nothing was written").arg(id).arg(m_bus.name));
        return;
    }
    Device &d = *device;
    QStringList written;
    bool parametersChanged = false;
    for (const SetCommand::Write &w : plan.writes) {
        const ModbusClient::Reply reply = write(id, w.address, w.values);
        if (reply.status == ModbusClient::Status::Interrupted) {
            QStringList left;
            for (const SetCommand::Write &rest : plan.writes)
                if (rest.address >= w.address)
                    left += rest.registers;
            if (written.isEmpty())
                result(id, plan.id, QStringLiteral("refused"), QStringLiteral("the gateway is ending; nothing was written"));
            else
                result(id, plan.id, QStringLiteral("interrupted"),
                       QStringLiteral("the gateway is ending: %1 not written; written before it: %2")
                           .arg(left.join(QStringLiteral(", ")), written.join(QStringLiteral(", "))));
            return;
        }
        if (!reply.ok()) {
            const bool action = ActionRegisters::isActionWrite(w.address, w.values.size());
            QString detail = QStringLiteral("%1: %2").arg(w.registers.join(QStringLiteral(", ")), reply.errorText());
            if (reply.status != ModbusClient::Status::Exception)
                detail += action ? QStringLiteral(" (sent once: the device may have carried it out)")
                                 : QStringLiteral(" after %1 tries").arg(WriteAttempts);
            detail += QStringLiteral("; written before it: %1")
                          .arg(written.isEmpty() ? QStringLiteral("nothing") : written.join(QStringLiteral(", ")));
            result(id, plan.id,
                   reply.status == ModbusClient::Status::Exception ? QStringLiteral("exception") : QStringLiteral("timeout"),
                   detail);
            m_out.log(QStringLiteral("bus %1 ID %2: set: %3").arg(m_bus.name).arg(id).arg(detail));
            if (reply.status != ModbusClient::Status::Exception)
                failed(d, reply.errorText());
            return;
        }
        written += w.registers;
        parametersChanged = parametersChanged || (w.address >> 8) != 0x01;
    }
    result(id, plan.id, QStringLiteral("written"), QStringLiteral("written: ") + written.join(QStringLiteral(", ")));
    // The info topic carries the parameters: it follows what was written.
    QVector<ParameterBackup::Entry> parameters;
    if (parametersChanged && readParameters(d, &parameters))
        publishInfo(d, parameters);
}
