#pragma once

#include "gateway/commandqueue.h"
#include "gateway/config.h"
#include "gateway/payloads.h"
#include "gateway/setcommand.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QVector>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <memory>

class QThread;

class Catalog;

// Where a bus worker's findings go: the gateway's broker connection.
class Publisher
{
public:
    virtual ~Publisher() = default;
    // Kept and published again whenever the broker connection comes back.
    virtual void publishRetained(const QString &topic, const QByteArray &payload, int qos) = 0;
    // A command's result: kept until the broker has it, across lost connections.
    virtual void publishMessage(const QString &topic, const QByteArray &payload) = 0;
    virtual void log(const QString &line) = 0;
    // A device was identified (at start, or when it came back).
    virtual void identified(const QString &bus, int id, const Payloads::Identity &identity, const RegisterMap &map)
    {
        Q_UNUSED(bus); Q_UNUSED(id); Q_UNUSED(identity); Q_UNUSED(map);
    }
};

// One serial line and the devices on it, in a thread of its own that owns the port: the
// devices are polled in turn at the line's pace, each at its own period. Set commands wait
// in a queue per device, bounded (a command beyond it is refused at once), and go on the
// line between the polls as CommandPacing says, so that a flood of them keeps the polls
// going. A command that the gateway refuses before the wire (an unknown register, a value
// out of range, an offline device) is answered at once. A device that stops answering is offline
// after three failed polls in a row and is then tried at growing pauses, 0.5 s doubling to
// 10 s, so that it does not hold up the others; it comes back by itself and is identified
// again. A port that cannot be opened, or that goes away, is opened again the same way.
class BusWorker
{
public:
    BusWorker(const GatewayConfig::Config &config, const GatewayConfig::Bus &bus, const Catalog &catalog,
              Publisher &out);
    ~BusWorker();
    BusWorker(const BusWorker &) = delete;
    BusWorker &operator=(const BusWorker &) = delete;

    void start();
    // The request on the wire is finished, no other goes out; every command still waiting
    // is answered with a refusal, and the port is closed when the thread ends.
    void requestStop();
    void wait();

    const QString &name() const { return m_bus.name; }
    QString topic(int id, const char *leaf) const;
    // The IDs whose availability this worker has published.
    QVector<int> announcedIds() const;

    // A set command for device `id`, from any thread; its outcome is published on the
    // device's result topic (at once when its queue is full or the worker ends).
    void submit(int id, const QByteArray &payload);

    // What the bus and each of its devices did since the last call.
    Payloads::BusFigures takeFigures();

private:
    struct Device
    {
        int id = 0;
        int periodMs = 50;
        enum class Status { Unknown, Online, Offline } status = Status::Unknown;
        int failures = 0;   // polls in a row
        int pauseStep = 0;  // tries while offline
        qint64 dueMs = 0;
        bool identified = false;
        Payloads::Identity identity;
        const RegisterMap *map = nullptr;
        Payloads::Family family = Payloads::Family::Gripper;
        QVector<quint16> lastState;
        qint64 publishedAtMs = -1;
        double lastPollMs = -1; // when its last state poll began, while it is online
    };
    enum class Kind { Poll, Identify, Scan, Command };
    // A command judged and waiting for its turn on the line.
    struct Held
    {
        int id = 0;
        SetCommand::Plan plan;
    };

    void run();
    bool openPort();
    void tellAdapter();
    void scanNext();
    void poll(Device &d);
    bool identify(Device &d);
    bool readParameters(Device &d, QVector<ParameterBackup::Entry> *parameters);
    void publishInfo(Device &d, const QVector<ParameterBackup::Entry> &parameters);
    void succeeded(Device &d);
    void failed(Device &d, const QString &why);
    void setAvailability(Device &d, bool online);
    // Answers the commands that need no line; the first that does is held for its turn.
    void judgeWaiting();
    bool judge(const CommandQueue::Command &command, Held *held);
    void carryOut(const Held &held);
    void refuseWaiting(const QString &why);
    void result(int id, const QJsonValue &commandId, const QString &outcome, const QString &detail);

    ModbusClient::Reply read(int id, quint16 start, quint16 count, Kind kind);
    ModbusClient::Reply write(int id, quint16 start, const QVector<quint16> &values);
    void account(int id, int requestBytes, int answerBytes, ModbusClient::Status status, Kind kind);
    // The device's figures; the caller holds m_mutex.
    Health::Device &healthOf(int id);
    void waitForSilence();
    // Sleeps up to `ms`, less when the worker is to stop or (wakeOnCommand) a command comes.
    void pause(qint64 ms, bool wakeOnCommand = true);
    qint64 nowMs() const { return m_clock.elapsed(); }
    double wireSeconds(int bytes) const;
    double silenceSeconds() const;

    const GatewayConfig::Config &m_config;
    const GatewayConfig::Bus m_bus;
    const Catalog &m_catalog;
    Publisher &m_out;

    std::unique_ptr<QThread> m_thread; // a QThread: the serial port needs one
    QElapsedTimer m_clock;
    ModbusClient *m_client = nullptr; // the thread's own
    std::vector<Device> m_devices;
    std::chrono::steady_clock::time_point m_lineQuietAt;
    bool m_scanning = false;
    int m_scanIndex = 0;
    qint64 m_rescanAtMs = 0;
    qint64 m_portRetryAtMs = 0;
    int m_portPauseMs = 0;
    QString m_portError;
    bool m_latencyAdvised = false;
    int m_silentSinceOpen = 0; // failed transactions since the port was opened or last answered

    std::unique_ptr<Held> m_held;
    CommandPacing m_pacing;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic_bool m_stopFlag{false}; // the link's: no request goes out once it is set
    CommandQueue m_commands;
    Payloads::BusFigures m_figures;
    std::map<int, Health::Device> m_health;
    qint64 m_figuresSinceMs = 0;
    QVector<int> m_announced;
    std::atomic<int> m_deviceCount{0};
    std::atomic<int> m_onlineCount{0};
};
