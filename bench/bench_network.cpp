// Devices on the network, over loopback: the simulator as a serial device server (RTU over
// TCP) whose line to the devices runs at 115200 baud (--wire-time), and as a Modbus TCP
// device. Prints figures, asserts nothing.
//
//   bench_network [seconds per run, default 5]
//
// RTU over TCP: the window's polling (engine and link, every group at period 0), the
// blocking master of grivantctl and the gateway (the same mix of reads, one after the
// other), and the gateway itself (its own line share, four devices at period 0), each
// against the line limit of the device server's line. Modbus TCP: the blocking master's
// reads of the feedback group beside mbpoll -m tcp's on the same simulator.

#include "enginerun.h"
#include "mbpoll.h"
#include "gateway/mqttclient.h"
#include "link/modbusclient.h"
#include "link/portlist.h"
#include "support.h"
#include "support/broker.h"
#include "support/simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

using Bench::Figures;
using Bench::lineSeconds;
using Bench::spin;

constexpr int Baud = 115200;
constexpr int MbpollPauseMs = 10;

// The blocking master reading the engine's groups in turn, as fast as answers come.
Figures runMaster(const QString &port, int ms, bool timed)
{
    Figures f;
    ModbusClient client;
    client.setAttempts(1);
    if (!client.open(LineSettings{port}, nullptr))
        return f;
    QElapsedTimer clock;
    clock.start();
    for (size_t i = 0; clock.elapsed() < ms; ++i) {
        const Bench::Group &g = Bench::kGroups[i % (sizeof Bench::kGroups / sizeof Bench::kGroups[0])];
        if (!client.read(1, g.address, g.count).ok()) {
            ++f.failures;
            continue;
        }
        ++f.transactions;
        if (timed)
            f.lineSeconds += lineSeconds(g.count, Baud);
    }
    f.seconds = clock.nsecsElapsed() / 1e9;
    return f;
}

// The feedback group alone, as mbpoll reads it.
Figures runMasterFeedback(const QString &port, int ms)
{
    Figures f;
    ModbusClient client;
    client.setAttempts(1);
    if (!client.open(LineSettings{port}, nullptr))
        return f;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (client.read(1, 0x0200, 14).ok())
            ++f.transactions;
        else
            ++f.failures;
    }
    f.seconds = clock.nsecsElapsed() / 1e9;
    return f;
}

// mbpoll -m tcp reading the feedback group with its shortest pause after each answer.
Figures runMbpoll(int port, int ms)
{
    return Bench::runMbpoll({"-m", "tcp", "-a", "1", "-t", "4", "-0", "-r", "512", "-c", "14", "-l",
                             QString::number(MbpollPauseMs), "-p", QString::number(port), "127.0.0.1"},
                            ms);
}

// The gateway polling four devices behind the device server at period 0: the line share it
// reports in its stats, after the first report.
double runGateway(const QString &port, int ms, double *polls)
{
    QTemporaryDir dir;
    Broker broker;
    if (!broker.start(dir.path()))
        return -1;
    const QString config = dir.filePath("net.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    file.write(QStringLiteral("[gateway]\nname = bench\nstats = 1\n\n[broker]\nhost = 127.0.0.1\nport = %1\n\n"
                              "[bus n]\nport = %2\nids = 1-4\nperiod = 0\n")
                   .arg(broker.port()).arg(port).toUtf8());
    file.close();
    std::mutex mutex;
    std::vector<QJsonObject> stats;
    MqttClient::Settings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = broker.port();
    s.clientId = QStringLiteral("bench-network");
    MqttClient client(s);
    client.setConnectionHandler([&client](MqttClient::Event e, int, const QString &) {
        if (e == MqttClient::Event::Connected)
            client.subscribe(QStringLiteral("grivant/bench/stats"), 0);
    });
    client.setMessageHandler([&](const QString &, const QByteArray &payload, bool) {
        std::lock_guard<std::mutex> lock(mutex);
        stats.push_back(QJsonDocument::fromJson(payload).object().value("buses").toObject().value("n").toObject());
    });
    QString error;
    if (!client.start(&error))
        return -1;
    QProcess gateway;
    gateway.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    gateway.start(QStringLiteral(GATEWAY_PATH), {"--config", config});
    if (!gateway.waitForStarted())
        return -1;
    spin(ms + 3000);
    gateway.terminate();
    gateway.waitForFinished(5000);
    std::lock_guard<std::mutex> lock(mutex);
    // The first two reports cover the identification and the start.
    double sum = 0, pollSum = 0;
    int n = 0;
    for (size_t i = 2; i < stats.size(); ++i, ++n) {
        sum += stats[i].value("lineShare").toDouble();
        pollSum += stats[i].value("pollsPerSecond").toDouble();
    }
    *polls = n ? pollSum / n : 0;
    return n ? sum / n : -1;
}

void printRow(const char *who, const Figures &f, bool lineLimit)
{
    std::printf("  %-38s %7d in %5.2f s  %8.1f /s  %6.3f ms each", who, f.transactions, f.seconds, f.rate(),
                f.rate() > 0 ? 1000 / f.rate() : 0.0);
    if (lineLimit)
        std::printf("   line limit %7.1f /s   ratio %5.3f", f.limit(), f.limit() > 0 ? f.rate() / f.limit() : 0.0);
    std::printf("%s\n", f.failures ? qPrintable(QString("   (%1 failed)").arg(f.failures)) : "");
}

} // namespace

int main(int argc, char **argv)
{
    Bench::useOffscreenAndSimulator(DEVSIM_PATH);
    QApplication app(argc, argv);
    Bench::hideDebugLines();
    PortList::setProvider([] { return QList<PortEntry>(); });
    const int ms = argc > 1 ? qMax(1, atoi(argv[1])) * 1000 : 5000;

    std::printf("Devices on the network, over loopback, %d s per run\n", ms / 1000);
    std::printf("RTU over TCP: the simulator as a device server, its line 115200 8N1 (--wire-time)\n");
    {
        Simulator sim({"--listen", "127.0.0.1:0", "--framing", "rtu", "--id", "1-4", "--initialised", "--wire-time"});
        if (!sim.start()) {
            std::printf("  simulator did not start\n");
            return 1;
        }
        const QString port = sim.port() + "?baud=115200";
        const Figures window = Bench::runEngine(port, Baud, ms);
        printRow("window: engine + link", window, true);
        const Figures master = runMaster(port, ms, true);
        printRow("grivantctl/gateway master", master, true);
        double polls = 0;
        const double gatewayShare = runGateway(port, ms, &polls);
        std::printf("  %-38s %7.1f polls/s   line share %5.3f\n", "gateway, 4 devices at period 0", polls, gatewayShare);
        std::printf("@network.rtu.window_rate %.1f\n@network.rtu.window_limit %.1f\n@network.rtu.window_ratio %.3f\n",
                    window.rate(), window.limit(), window.limit() > 0 ? window.rate() / window.limit() : 0.0);
        std::printf("@network.rtu.master_rate %.1f\n@network.rtu.master_limit %.1f\n@network.rtu.master_ratio %.3f\n",
                    master.rate(), master.limit(), master.limit() > 0 ? master.rate() / master.limit() : 0.0);
        std::printf("@network.rtu.gateway_share %.3f\n@network.rtu.gateway_polls %.1f\n", gatewayShare, polls);
    }

    std::printf("Modbus TCP: the simulator as a Modbus TCP device (no line behind it); 14 registers from 0x0200\n");
    {
        Simulator sim({"--listen", "127.0.0.1:0", "--framing", "tcp", "--initialised"});
        if (!sim.start()) {
            std::printf("  simulator did not start\n");
            return 1;
        }
        const Figures master = runMasterFeedback(sim.port(), ms);
        printRow("grivantctl/gateway master", master, false);
        Figures m;
        if (!QStandardPaths::findExecutable("mbpoll").isEmpty() && !QStandardPaths::findExecutable("stdbuf").isEmpty())
            m = runMbpoll(sim.port().section(':', -1).toInt(), ms);
        printRow("mbpoll -m tcp -l 10", m, false);
        // mbpoll waits its pause after each answer; its transaction is the cycle less that.
        const double mbpollTx = m.rate() > 0 ? 1000 / m.rate() - MbpollPauseMs : 0;
        std::printf("  %-38s %7.3f ms per transaction\n", "mbpoll less its pause", mbpollTx);
        std::printf("@network.tcp.master_rate %.1f\n@network.tcp.master_ms %.3f\n@network.tcp.mbpoll_rate %.1f\n"
                    "@network.tcp.mbpoll_ms %.3f\n",
                    master.rate(), master.rate() > 0 ? 1000 / master.rate() : 0.0, m.rate(), mbpollTx);
    }
    return 0;
}
