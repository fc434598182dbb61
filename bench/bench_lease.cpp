// A device of a running gateway's bus reached through a local broker: the time of a read of
// the 14 feedback registers through the lease against the same read straight on a serial
// line, and how often the gateway polls the other devices of the bus while a client reads
// the leased one as fast as answers come. The simulator answers with the line's timing at
// 115200 8N1 (--wire-time). Prints figures, asserts nothing.
//
//   bench_lease [seconds per phase, default 5]
//
// Two buses in turn, both of three devices, the client reading ID 1: the bystanders at the
// desktop tool's period (50 ms), and at period 0 (as fast as the line allows), where the
// lease's requests take their turns between polls that always wait.

#include "gateway/mqttclient.h"
#include "link/leasetransport.h"
#include "link/modbusclient.h"
#include "support.h"
#include "support/broker.h"
#include "support/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr quint16 Feedback = 0x0200;
constexpr quint16 FeedbackCount = 14;

// The times of reads of the feedback group of `id`, back to back for `ms`.
std::vector<double> readTimes(ModbusClient &client, int id, int ms, int *failures)
{
    std::vector<double> times;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QElapsedTimer one;
        one.start();
        if (client.read(id, Feedback, FeedbackCount).ok())
            times.push_back(one.nsecsElapsed() / 1e6);
        else
            ++*failures;
    }
    return times;
}

// The polls of the bystanders, from their retained health topics (their gateway's own
// count per stats period), summed over the periods that ended within a phase.
class Bystanders
{
public:
    Bystanders(int port, const QStringList &topics)
    {
        MqttClient::Settings s;
        s.host = QStringLiteral("127.0.0.1");
        s.port = port;
        m_client = std::make_unique<MqttClient>(s);
        m_client->setConnectionHandler([this, topics](MqttClient::Event e, int, const QString &) {
            if (e == MqttClient::Event::Connected)
                for (const QString &t : topics)
                    m_client->subscribe(t, 0);
        });
        m_client->setMessageHandler([this](const QString &, const QByteArray &payload, bool retained) {
            if (retained)
                return;
            const QJsonObject o = QJsonDocument::fromJson(payload).object();
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_counting) {
                m_polls += o.value("polls").toDouble();
                m_seconds += o.value("seconds").toDouble();
            }
        });
        QString error;
        m_client->start(&error);
    }
    ~Bystanders() { m_client.reset(); }
    bool connected() const { return m_client->isConnected(); }
    void count(bool on)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_counting = on;
        if (on)
            m_polls = m_seconds = 0;
    }
    // Polls a second of one bystander, on average: each message is one device's period.
    double rate() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seconds > 0 ? m_polls / m_seconds : -1;
    }

private:
    std::unique_ptr<MqttClient> m_client;
    mutable std::mutex m_mutex;
    bool m_counting = false;
    double m_polls = 0;
    double m_seconds = 0;
};

struct Phase
{
    double p50 = -1;
    double p95 = -1;
    int reads = 0;
    int failures = 0;
    double before = -1; // bystander polls a second, without the lease
    double during = -1;
};

Phase runGateway(const Broker &broker, const QString &dir, const QString &bus, int periodMs, int ms)
{
    Phase phase;
    QFile config(dir + "/gw.conf");
    if (!config.open(QIODevice::WriteOnly) || config.write("[gateway]\nstats = 1\n") < 0)
        return phase;
    config.close();
    QProcess gateway;
    gateway.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args{"--config", config.fileName(), "--name", "bench", "--broker", broker.address(), "--bus",
                     bus + ",115200,1-3", "--allow-diagnosis"};
    if (periodMs >= 0)
        args << "--period" << QString::number(periodMs);
    gateway.start(QStringLiteral(GATEWAY_PATH), args);
    const QString place = QStringLiteral("grivant/bench/%1/").arg(bus.section('/', -1));
    Bystanders bystanders(broker.port(), {place + "2/health", place + "3/health"});
    // Online, and a first round of figures past.
    if (!Bench::waitFor([&] { return bystanders.connected(); }, 10000)) {
        std::printf("  no broker connection\n");
        return phase;
    }
    Bench::spin(3000);
    bystanders.count(true);
    Bench::spin(ms);
    phase.before = bystanders.rate();

    LeaseTransport::Settings lease;
    lease.broker.host = QStringLiteral("127.0.0.1");
    lease.broker.port = broker.port();
    LeaseProtocol::parseAddress(QStringLiteral("mqtt://%1/bench/%2").arg(broker.address(), bus.section('/', -1)),
                                &lease.address, nullptr);
    lease.id = 1;
    lease.holder = QStringLiteral("bench@local");
    ModbusClient client;
    client.setAttempts(1);
    client.setAnswerWait(lease.answerWaitMs);
    QString why;
    if (!client.open(std::make_unique<LeaseTransport>(lease), &why)) {
        std::printf("  no lease: %s\n", qPrintable(why));
        return phase;
    }
    // Reads in a thread of their own; the figures arrive in this one.
    std::vector<double> times;
    bystanders.count(true);
    QThread *reader = QThread::create([&] { times = readTimes(client, 1, ms, &phase.failures); });
    reader->start();
    while (!reader->wait(20))
        Bench::spin(20);
    delete reader;
    Bench::spin(1100); // the figures of the last period
    phase.during = bystanders.rate();
    client.close();
    phase.reads = int(times.size());
    phase.p50 = Bench::percentile(times, 0.5);
    phase.p95 = Bench::percentile(times, 0.95);
    gateway.terminate();
    gateway.waitForFinished(5000);
    return phase;
}

} // namespace

int main(int argc, char **argv)
{
    Bench::useOffscreenAndSimulator(DEVSIM_PATH);
    QCoreApplication app(argc, argv);
    Bench::hideDebugLines();
    const int ms = argc > 1 ? qMax(1, atoi(argv[1])) * 1000 : 5000;
    QTemporaryDir dir;
    Broker broker;
    if (!broker.start(dir.path())) {
        std::printf("mosquitto does not start\n");
        return 1;
    }

    std::printf("A device through a gateway, over a local broker, %d s per phase; 115200 8N1 (--wire-time)\n",
                ms / 1000);
    // The read straight on a serial line, as grivantctl makes it.
    double direct = -1;
    {
        Simulator sim({"--link", dir.filePath("direct"), "--id", "1", "--initialised", "--wire-time"});
        if (!sim.start())
            return 1;
        ModbusClient client;
        client.setAttempts(1);
        if (!client.open(LineSettings{sim.port()}, nullptr))
            return 1;
        int failures = 0;
        const std::vector<double> times = readTimes(client, 1, ms, &failures);
        direct = Bench::percentile(times, 0.5);
        std::printf("  direct, serial line:         %5zu reads  p50 %6.2f ms  p95 %6.2f ms  failures %d\n", times.size(),
                    direct, Bench::percentile(times, 0.95), failures);
    }
    std::printf("@lease.direct_p50 %.2f\n", direct);

    for (const int period : {-1, 0}) {
        Simulator sim({"--link", dir.filePath(period < 0 ? "bus" : "busfast"), "--id", "1-3", "--initialised",
                       "--wire-time"});
        if (!sim.start())
            return 1;
        const Phase p = runGateway(broker, dir.path(), sim.port(), period, ms);
        const char *name = period < 0 ? "paced" : "full";
        std::printf("  through the gateway, others at %-9s %5d reads  p50 %6.2f ms  p95 %6.2f ms  failures %d\n",
                    period < 0 ? "50 ms:" : "period 0:", p.reads, p.p50, p.p95, p.failures);
        std::printf("  the others' polls a second: %.1f before the lease, %.1f while leased: %.3f\n", p.before,
                    p.during, p.before > 0 ? p.during / p.before : 0.0);
        std::printf("@lease.%s_p50 %.2f\n@lease.%s_p95 %.2f\n@lease.%s_before %.1f\n@lease.%s_during %.1f\n"
                    "@lease.%s_ratio %.3f\n",
                    name, p.p50, name, p.p95, name, p.before, name, p.during, name,
                    p.before > 0 ? p.during / p.before : 0.0);
    }
    return 0;
}
