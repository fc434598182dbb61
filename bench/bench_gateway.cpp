// The gateway on a whole line: 8 ports with 4 simulated grippers each, every simulator
// holding its answers for their time on the wire at 115200 baud, a broker of its own.
// Prints figures, asserts nothing.
//
//   bench_gateway [seconds per phase, default 20]
//
// Line share: the gateway's own figures (stats) while it polls as fast as the lines allow.
// Latency: from a change in the devices to its state message at a subscriber of the
// broker. The change is made at a known moment: each simulator holds an object that its
// grippers have caught (grip state 2); SIGUSR1 takes it away and the grip state becomes 3
// at once. CPU: the gateway process's user and system time per device.

#include "gateway/mqttclient.h"
#include "support.h"
#include "support/broker.h"
#include "support/simulator.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

using Bench::percentile;

using Clock = std::chrono::steady_clock;

constexpr int Buses = 8;
constexpr int DevicesPerBus = 4;

double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the command name in parentheses: utime and stime are the 12th and 13th.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

struct DeviceState
{
    int grip = -1;
    double position = -1;
    bool armed = false;      // waiting for the first grip state 3
    bool dropSeen = false;
    Clock::time_point dropAt; // when that state message came
    qint64 dropStamp = 0;     // its time stamp: when the gateway had the device's answer
};

// What the subscriber has seen: the latest state of each device and the stats.
class Board
{
public:
    void onMessage(const QString &topic, const QByteArray &payload)
    {
        const auto now = Clock::now();
        const QStringList levels = topic.split('/');
        const int bus = levels.value(2).mid(1).toInt();
        std::lock_guard<std::mutex> lock(m_mutex);
        if (levels.size() == 3 && levels[2] == "stats") {
            m_stats.push_back(QJsonDocument::fromJson(payload).object().value("buses").toObject());
        } else if (levels.size() == 5 && levels[4] == "state") {
            const QJsonObject state = QJsonDocument::fromJson(payload).object();
            const QJsonObject values = state.value("values").toObject();
            DeviceState &d = m_states[levels[2] + '/' + levels[3]];
            d.grip = values.value("gripState").toObject().value("value").toInt(-1);
            d.position = values.value("position").toObject().value("value").toDouble(-1);
            if (d.armed && d.grip == 3 && !d.dropSeen) {
                d.dropSeen = true;
                d.dropAt = now;
                d.dropStamp = QDateTime::fromString(state.value("time").toString(), Qt::ISODateWithMs).toMSecsSinceEpoch();
            }
            m_changed[bus].notify_all();
        }
    }

    // Waits until every device of the bus satisfies `ok`; false after the time-out.
    template <typename Ok> bool waitAll(int bus, Ok ok, int timeoutMs = 5000)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed[bus].wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
            for (int id = 1; id <= DevicesPerBus; ++id)
                if (!ok(m_states[QStringLiteral("b%1/%2").arg(bus).arg(id)]))
                    return false;
            return true;
        });
    }

    void forget()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_states.clear();
    }

    void arm(int bus)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int id = 1; id <= DevicesPerBus; ++id) {
            DeviceState &d = m_states[QStringLiteral("b%1/%2").arg(bus).arg(id)];
            d.armed = true;
            d.dropSeen = false;
        }
    }

    // Milliseconds from t0 to each device's first grip state 3 at the subscriber, and to
    // the gateway's time stamp of it (t0Wall: t0 on the wall clock); disarms the bus.
    std::vector<double> drops(int bus, Clock::time_point t0, qint64 t0Wall, std::vector<double> *stamped)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<double> out;
        for (int id = 1; id <= DevicesPerBus; ++id) {
            DeviceState &d = m_states[QStringLiteral("b%1/%2").arg(bus).arg(id)];
            if (d.dropSeen) {
                out.push_back(std::chrono::duration<double, std::milli>(d.dropAt - t0).count());
                stamped->push_back(double(d.dropStamp - t0Wall));
            }
            d.armed = false;
        }
        return out;
    }

    std::vector<QJsonObject> takeStats()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_stats, {});
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed[Buses];
    std::map<QString, DeviceState> m_states;
    std::vector<QJsonObject> m_stats;
};

struct Phase
{
    double lineShareMean = 0;
    double lineShareMin = 0;
    double pollsPerSecond = 0; // all buses
    double cpuPercentPerDevice = 0;
    std::vector<double> latenciesMs;
    std::vector<double> stampedMs; // the part up to the gateway's answer
    int cycles = 0;
    int missed = 0;
};

class LineBench
{
public:
    bool start(const QString &folder)
    {
        m_folder = folder;
        // Without it the broker holds small messages back until the subscriber acknowledges
        // the one before, which a delayed acknowledgement makes up to 40 ms.
        if (!m_broker.start(folder, {}, {QStringLiteral("set_tcp_nodelay true")})) {
            std::fprintf(stderr, "bench_gateway: mosquitto does not start\n");
            return false;
        }
        for (int b = 0; b < Buses; ++b) {
            auto sim = std::make_unique<Simulator>(QStringList{
                "--link", QDir(folder).filePath(QStringLiteral("tty%1").arg(b)), "--id", "1-4", "--wire-time",
                "--initialised", "--object", "500", "--speedup", "20", "--seed", QString::number(10 * b + 1)});
            if (!sim->start())
                return false;
            m_sims.push_back(std::move(sim));
        }
        MqttClient::Settings s;
        s.host = QStringLiteral("127.0.0.1");
        s.port = m_broker.port();
        s.clientId = QStringLiteral("bench-subscriber");
        m_client = std::make_unique<MqttClient>(s);
        m_client->setConnectionHandler([this](MqttClient::Event e, int, const QString &) {
            if (e == MqttClient::Event::Connected)
                m_client->subscribe(QStringLiteral("grivant/bench/#"), 0);
        });
        m_client->setMessageHandler([this](const QString &t, const QByteArray &p, bool) { m_board.onMessage(t, p); });
        QString error;
        if (!m_client->start(&error))
            return false;
        for (int i = 0; i < 200 && !m_client->isConnected(); ++i)
            sleepMs(10);
        return m_client->isConnected();
    }

    bool startGateway(const QString &period)
    {
        QString buses;
        for (int b = 0; b < Buses; ++b)
            buses += QStringLiteral("[bus b%1]\nport = %2\nids = 1-4\n%3\n\n")
                         .arg(b).arg(QDir(m_folder).filePath(QStringLiteral("tty%1").arg(b)), period);
        const QString config = QDir(m_folder).filePath("bench.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        file.write(QStringLiteral("[gateway]\nname = bench\nallow_commands = yes\nstats = 2\n\n[broker]\n"
                                  "host = 127.0.0.1\nport = %1\n\n%2")
                       .arg(m_broker.port()).arg(buses).toUtf8());
        file.close();
        m_board.forget();
        m_gateway.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        m_gateway.start(QStringLiteral(GATEWAY_PATH), {"--config", config});
        if (!m_gateway.waitForStarted())
            return false;
        // Every device identified and published.
        for (int b = 0; b < Buses; ++b)
            if (!m_board.waitAll(b, [](const DeviceState &d) { return d.grip >= 0; }, 20000))
                return false;
        return true;
    }

    // SIGTERM to the gateway's end.
    double stopGateway()
    {
        const auto t0 = Clock::now();
        m_gateway.terminate();
        m_gateway.waitForFinished(10000);
        return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    }

    Phase measure(int seconds, bool withChanges)
    {
        Phase phase;
        m_board.takeStats();
        const double cpu0 = cpuSeconds(m_gateway.processId());
        const auto t0 = Clock::now();
        const auto end = t0 + std::chrono::seconds(seconds);
        std::mutex samples;
        std::vector<std::thread> drivers;
        if (withChanges) {
            for (int b = 0; b < Buses; ++b)
                drivers.emplace_back([&, b] { cycle(b, end, &samples, &phase); });
        }
        for (auto &d : drivers)
            d.join();
        std::this_thread::sleep_until(end);
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        const double cpu = cpuSeconds(m_gateway.processId()) - cpu0;
        phase.cpuPercentPerDevice = 100.0 * cpu / wall / (Buses * DevicesPerBus);

        // The first figures cover time before the phase.
        std::vector<QJsonObject> stats = m_board.takeStats();
        if (!stats.empty())
            stats.erase(stats.begin());
        std::vector<double> shares;
        double polls = 0;
        for (const QJsonObject &s : stats) {
            for (int b = 0; b < Buses; ++b) {
                const QJsonObject bus = s.value(QStringLiteral("b%1").arg(b)).toObject();
                shares.push_back(bus.value("lineShare").toDouble());
                polls += bus.value("pollsPerSecond").toDouble();
            }
        }
        if (!shares.empty()) {
            double sum = 0;
            for (double v : shares)
                sum += v;
            phase.lineShareMean = sum / shares.size();
            phase.lineShareMin = *std::min_element(shares.begin(), shares.end());
            phase.pollsPerSecond = polls / stats.size();
        }
        return phase;
    }

    static void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    void setAll(int bus, int target)
    {
        for (int id = 1; id <= DevicesPerBus; ++id)
            m_client->publish(QStringLiteral("grivant/bench/b%1/%2/set").arg(bus).arg(id),
                              QStringLiteral("{\"values\":{\"0x0103\":%1}}").arg(target).toUtf8(), 1, false);
    }

    // Close on the object, take it away, open again: one latency sample per device.
    void cycle(int bus, Clock::time_point end, std::mutex *samples, Phase *phase)
    {
        const pid_t sim = pid_t(m_sims[size_t(bus)]->process()->processId());
        while (Clock::now() < end) {
            ::kill(sim, SIGUSR2); // the object back, the fingers above it
            setAll(bus, 0);
            if (!m_board.waitAll(bus, [](const DeviceState &d) { return d.grip == 2; })) {
                std::lock_guard<std::mutex> lock(*samples);
                ++phase->missed;
                setAll(bus, 1000);
                m_board.waitAll(bus, [](const DeviceState &d) { return d.grip == 1 && d.position == 100; });
                continue;
            }
            m_board.arm(bus);
            const auto t0 = Clock::now();
            const qint64 t0Wall = QDateTime::currentMSecsSinceEpoch();
            ::kill(sim, SIGUSR1);
            m_board.waitAll(bus, [](const DeviceState &d) { return d.dropSeen; });
            std::vector<double> stamped;
            const std::vector<double> got = m_board.drops(bus, t0, t0Wall, &stamped);
            {
                std::lock_guard<std::mutex> lock(*samples);
                phase->latenciesMs.insert(phase->latenciesMs.end(), got.begin(), got.end());
                phase->stampedMs.insert(phase->stampedMs.end(), stamped.begin(), stamped.end());
                ++phase->cycles;
            }
            setAll(bus, 1000);
            m_board.waitAll(bus, [](const DeviceState &d) { return d.grip == 1 && d.position == 100; });
        }
    }

    QString m_folder;
    Broker m_broker;
    std::vector<std::unique_ptr<Simulator>> m_sims;
    std::unique_ptr<MqttClient> m_client;
    Board m_board;
    QProcess m_gateway;
};

void report(const char *name, const Phase &p)
{
    std::printf("%s:\n", name);
    std::printf("  line share of each bus, mean / lowest   %.3f / %.3f   (limit 1; polls %.0f /s on 8 buses)\n",
                p.lineShareMean, p.lineShareMin, p.pollsPerSecond);
    std::printf("  CPU per device                          %.2f %% of one core\n", p.cpuPercentPerDevice);
    if (!p.latenciesMs.empty())
        std::printf("  change to state at the broker, p50/p99/max  %.1f / %.1f / %.1f ms  (%zu samples, %d cycles, %d missed)\n",
                    percentile(p.latenciesMs, 0.5), percentile(p.latenciesMs, 0.99), percentile(p.latenciesMs, 1.0),
                    p.latenciesMs.size(), p.cycles, p.missed);
    if (!p.stampedMs.empty())
        std::printf("    of which to the gateway's answer, p50/p99      %.1f / %.1f ms (wall clock, 1 ms steps)\n",
                    percentile(p.stampedMs, 0.5), percentile(p.stampedMs, 0.99));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Bench::useOffscreenAndSimulator(DEVSIM_PATH);
    const int seconds = argc > 1 ? std::max(5, atoi(argv[1])) : 20;
    QTemporaryDir dir;
    LineBench bench;
    if (!dir.isValid() || !bench.start(dir.path()))
        return 1;

    std::printf("Gateway: %d buses x %d grippers, simulators with wire time at 115200 8N1, %d s a phase\n",
                Buses, DevicesPerBus, seconds);
    if (!bench.startGateway(QStringLiteral("period = 0"))) {
        std::fprintf(stderr, "bench_gateway: the gateway did not publish every device\n");
        return 1;
    }
    const Phase full = bench.measure(seconds, false);
    report("Polling as fast as the lines allow (period 0), devices at rest", full);
    const Phase fullMoving = bench.measure(seconds, true);
    report("Period 0, object taken away and caught again", fullMoving);
    const double stopMs = bench.stopGateway();

    if (!bench.startGateway(QString())) {
        std::fprintf(stderr, "bench_gateway: the gateway did not publish every device\n");
        return 1;
    }
    const Phase window = bench.measure(seconds, true);
    report("The desktop tool's period (50 ms), object taken away and caught again", window);
    const double stopMs2 = bench.stopGateway();
    std::printf("SIGTERM to the end of the gateway: %.0f ms, %.0f ms\n", stopMs, stopMs2);

    std::printf("@gateway.line_share %.3f\n@gateway.line_share_min %.3f\n@gateway.polls %.0f\n",
                full.lineShareMean, full.lineShareMin, full.pollsPerSecond);
    std::printf("@gateway.cpu_device_full %.2f\n@gateway.cpu_device_moving %.2f\n@gateway.cpu_device_window %.2f\n",
                full.cpuPercentPerDevice, fullMoving.cpuPercentPerDevice, window.cpuPercentPerDevice);
    std::printf("@gateway.p99_full %.1f\n@gateway.p50_full %.1f\n@gateway.period_full %.1f\n",
                percentile(fullMoving.latenciesMs, 0.99), percentile(fullMoving.latenciesMs, 0.5),
                full.pollsPerSecond > 0 ? 1000.0 * Buses * DevicesPerBus / full.pollsPerSecond : 0);
    std::printf("@gateway.p99_window %.1f\n@gateway.p50_window %.1f\n@gateway.stop_ms %.0f\n",
                percentile(window.latenciesMs, 0.99), percentile(window.latenciesMs, 0.5), std::max(stopMs, stopMs2));
    return 0;
}
