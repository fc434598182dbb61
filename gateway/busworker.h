#pragma once

#include "gateway/commandqueue.h"
#include "gateway/config.h"
#include "gateway/payloads.h"
#include "gateway/setcommand.h"
#include "link/leaseprotocol.h"

#include <QByteArray>
#include <QDateTime>
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
    // An answer to a lease's client: now or never, as the client waits for it now.
    virtual void publishAnswer(const QString &topic, const QByteArray &payload) { publishMessage(topic, payload); }
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
//
// With diagnosis allowed, a client may lease one device: while the lease holds, the device
// is not polled and its availability is "leased"; the client's requests go to it one at a
// time, paced between the others' polls as commands are, and its answers go back. The
// lease ends when the client lets go, or by itself `leaseExpirySeconds` after its last
// request; then the device is identified again and polled as before.
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

    // A lease message or a request of a lease for device `id`, from any thread: judged in
    // the worker's thread (a request's session and turn at once), answered on the device's
    // answer topic.
    void submitLease(int id, const LeaseProtocol::LeaseMessage &message);
    void submitLeaseRequest(int id, const LeaseProtocol::Request &request);

    // What the bus and each of its devices did since the last call.
    Payloads::BusFigures takeFigures();

private:
    struct Device
    {
        int id = 0;
        int periodMs = 50;
        enum class Status { Unknown, Online, Offline, Leased } status = Status::Unknown;
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
    enum class Kind { Poll, Identify, Scan, Command, Lease };
    // A command judged and waiting for its turn on the line.
    struct Held
    {
        int id = 0;
        SetCommand::Plan plan;
    };
    // A device lent to a client, under m_mutex: both threads look at it.
    struct Lease
    {
        QString session;
        QString holder;
        QDateTime since;
        qint64 usedMs = 0;   // its last request came, or it was taken
        bool busy = false;   // a request of it waits or is on the line
        bool anySeq = false; // lastSeq holds a request's
        quint32 lastSeq = 0;
    };
    // A lease message, or a request of a lease, for the worker's thread.
    struct LeaseWork
    {
        int id = 0;
        LeaseProtocol::LeaseMessage message;
        LeaseProtocol::Request request;
        qint64 receivedMs = 0;
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
    // Leases (busworker_lease.cpp).
    void handleLeaseWork();
    void take(Device &d, const LeaseWork &work);
    void endLease(int id, const QString &why, bool tellClient);
    void endAllLeases(const QString &why);
    void refuseLeaseRequests(const QString &why);
    bool leaseRequestWaiting();
    void carryLeaseRequest();
    qint64 nextLeaseExpiryMs();
    void answer(int id, const LeaseProtocol::Answer &answer);
    void answerRequest(int id, const LeaseProtocol::Request &request, const char *error, const QString &detail);
    Device *device(int id);

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
    bool m_leaseTurn = true; // a lease's request goes before a held command

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic_bool m_stopFlag{false}; // the link's: no request goes out once it is set
    CommandQueue m_commands;
    std::map<int, Lease> m_leases;
    std::deque<LeaseWork> m_leaseMessages; // takes and releases, bounded
    std::deque<LeaseWork> m_leaseRequests; // one a lease at most
    Payloads::BusFigures m_figures;
    std::map<int, Health::Device> m_health;
    qint64 m_figuresSinceMs = 0;
    QVector<int> m_announced;
    std::atomic<int> m_deviceCount{0};
    std::atomic<int> m_onlineCount{0};
};
