// The Line view under a whole line's load: a test publisher (this program started again
// with --publish) puts 1,000 devices on a broker of its own (10 gateways of 4 buses of 25
// devices, their info, availability and state retained, the gateways' status and stats),
// then changes every device's state 10 times a second. Measured: how long the retained
// picture takes to show from the connection, and with the load running the event loop's
// lag (a timer that measures its own lateness) and the process's CPU share, with four
// devices on the charts, first in the table's own order and then sorted by current, which
// changes at every message. Offscreen; prints figures, asserts nothing.
//
//   bench_lineview [seconds per phase, default 30]
#include "app/startupprobe.h"
#include "gateway/mqttclient.h"
#include "lineview/linecharts.h"
#include "lineview/linewindow.h"
#include "support/broker.h"
#include "lagprobe.h"
#include "support.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QItemSelectionModel>
#include <QProcess>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Gateways = 10;
constexpr int BusesPerGateway = 4;
constexpr int DevicesPerBus = 25;
constexpr int Devices = Gateways * BusesPerGateway * DevicesPerBus;
constexpr int ChangesPerSecond = 10;

QString gatewayName(int g)
{
    return QStringLiteral("gw%1").arg(g + 1, 2, 10, QLatin1Char('0'));
}

QString deviceTopic(int n, const char *leaf)
{
    const int g = n / (BusesPerGateway * DevicesPerBus);
    const int b = n / DevicesPerBus % BusesPerGateway;
    return QStringLiteral("grivant/%1/bus%2/%3/%4").arg(gatewayName(g)).arg(b + 1).arg(n % DevicesPerBus + 1).arg(QLatin1String(leaf));
}

QByteArray isoNow()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1();
}

// A gripper's state as the gateway writes it, its position and current moving with time.
QByteArray state(int n, double t, const QByteArray &time)
{
    const double phase = t * 0.7 + n * 0.1;
    const int position = int(500 + 450 * std::sin(phase));
    const int current = int(300 * std::cos(phase * 3));
    const int grip = std::fabs(std::cos(phase)) < 0.2 ? 1 : 0;
    static const char *const words[] = {"moving", "arrived"};
    char buffer[640];
    std::snprintf(buffer, sizeof buffer,
                  "{\"fault\":false,\"time\":\"%s\",\"values\":{\"current\":{\"register\":\"0x0204\",\"unit\":\"mA\","
                  "\"value\":%d},\"errorCode\":{\"fault\":false,\"register\":\"0x0205\",\"value\":0},\"gripState\":"
                  "{\"register\":\"0x0201\",\"text\":\"%s\",\"value\":%d},\"initialisation\":{\"register\":\"0x0200\","
                  "\"text\":\"initialised\",\"value\":1},\"position\":{\"register\":\"0x0202\",\"unit\":\"%%\",\"value\":"
                  "%.1f},\"speed\":{\"register\":\"0x0203\",\"unit\":\"%%\",\"value\":50}}}",
                  time.constData(), current, words[grip], grip, position / 10.0);
    return QByteArray(buffer);
}

QByteArray info(int n)
{
    QByteArray parameters;
    for (int p = 0; p < 24; ++p)
        parameters += QByteArray(p ? "," : "") + "{\"address\":\"0x03" + QByteArray::number(p, 16).rightJustified(2, '0')
                      + "\",\"name\":\"Parameter " + QByteArray::number(p) + "\",\"value\":" + QByteArray::number(p * 7)
                      + "}";
    return "{\"baud\":115200,\"family\":\"gripper\",\"hardware\":\"1.2.3\",\"id\":" + QByteArray::number(n % DevicesPerBus + 1)
           + ",\"line\":\"115200 8N1\",\"model\":{\"code\":\"0x2701\",\"key\":\"39.1\",\"name\":\"GZB-50W\"},"
             "\"parameters\":["
           + parameters + "],\"software\":\"2.30\",\"time\":\"" + isoNow() + "\",\"uniqueId\":\""
           + QByteArray::number(0x1A000000 + n, 16).toUpper() + "\"}";
}

QByteArray stats(int g)
{
    QByteArray buses;
    for (int b = 0; b < BusesPerGateway; ++b)
        buses += QByteArray(b ? "," : "") + "\"bus" + QByteArray::number(b + 1)
                 + "\":{\"devices\":25,\"online\":25,\"failures\":0,\"line\":\"115200 8N1\",\"lineShare\":0.91,"
                   "\"pollsPerSecond\":250,\"seconds\":5.0}";
    return "{\"time\":\"" + isoNow() + "\",\"uptime\":" + QByteArray::number(100 + g) + ",\"buses\":{" + buses + "}}";
}

// The test publisher: the retained picture, "ready", then on "go" the changes until killed.
int publish(int port)
{
    MqttClient::Settings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port;
    s.clientId = QStringLiteral("bench-publisher");
    MqttClient client(s);
    QString error;
    if (!client.start(&error))
        return 1;
    while (!client.isConnected())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const QByteArray now = isoNow();
    for (int g = 0; g < Gateways; ++g)
        client.publish(QStringLiteral("grivant/%1/status").arg(gatewayName(g)), "online", 1, true);
    for (int n = 0; n < Devices; ++n) {
        client.publish(deviceTopic(n, "info"), info(n), 1, true);
        client.publish(deviceTopic(n, "availability"), "online", 1, true);
        client.publish(deviceTopic(n, "state"), state(n, 0, now), 0, true);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::cout << "ready" << std::endl;
    std::string line;
    if (!std::getline(std::cin, line))
        return 0;
    // Every device ten times a second, spread evenly: a slice every 5 ms.
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    constexpr int SliceMs = 5;
    constexpr int PerSlice = Devices * ChangesPerSecond * SliceMs / 1000;
    long slice = 0;
    int next = 0;
    auto lastStats = start;
    for (;;) {
        const auto due = start + std::chrono::milliseconds(slice * SliceMs);
        std::this_thread::sleep_until(due);
        const double t = std::chrono::duration<double>(Clock::now() - start).count();
        const QByteArray time = isoNow();
        for (int i = 0; i < PerSlice; ++i) {
            client.publish(deviceTopic(next, "state"), state(next, t, time), 0, false);
            next = (next + 1) % Devices;
        }
        if (Clock::now() - lastStats > std::chrono::seconds(5)) {
            lastStats = Clock::now();
            for (int g = 0; g < Gateways; ++g)
                client.publish(QStringLiteral("grivant/%1/stats").arg(gatewayName(g)), stats(g), 0, false);
        }
        ++slice;
    }
}

// CPU seconds of the window's own thread (the process's first), the rest being the
// broker connection's thread, which reads every message before the window takes it.
double mainThreadSeconds()
{
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(QCoreApplication::applicationPid()));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // utime and stime are the 14th and 15th fields, counted from the pid.
    return fields.size() > 12 ? (fields.at(11).toDouble() + fields.at(12).toDouble()) / sysconf(_SC_CLK_TCK) : 0;
}

struct Phase
{
    double p50 = 0, p99 = 0, max = 0, cpu = 0, gui = 0, messages = 0;
};

Phase measure(int seconds, LineWindow *window)
{
    Bench::LagProbe probe;
    const qint64 taken0 = window ? window->monitor()->state().messagesTaken() : 0;
    const double cpu0 = Bench::cpuSeconds();
    const double gui0 = mainThreadSeconds();
    QElapsedTimer wall;
    wall.start();
    probe.start();
    Bench::spin(seconds * 1000);
    probe.stop();
    const double elapsed = wall.nsecsElapsed() / 1e9;
    Phase p;
    p.cpu = 100.0 * (Bench::cpuSeconds() - cpu0) / elapsed;
    p.gui = 100.0 * (mainThreadSeconds() - gui0) / elapsed;
    p.p50 = probe.percentile(0.50);
    p.p99 = probe.percentile(0.99);
    p.max = probe.percentile(1.0);
    p.messages = window ? (window->monitor()->state().messagesTaken() - taken0) / elapsed : 0;
    return p;
}

void print(const char *name, const char *key, const Phase &p)
{
    std::printf("  %-30s %7.3f %7.3f %7.2f ms  %6.1f %% (%4.1f %%)  %8.0f\n", name, p.p50, p.p99, p.max, p.cpu, p.gui,
                p.messages);
    std::printf("@lineview.%s.p50 %.3f\n@lineview.%s.p99 %.3f\n@lineview.%s.max %.2f\n@lineview.%s.cpu %.1f\n"
                "@lineview.%s.gui %.1f\n@lineview.%s.messages %.0f\n",
                key, p.p50, key, p.p99, key, p.max, key, p.cpu, key, p.gui, key, p.messages);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && std::string(argv[1]) == "--publish")
        return publish(std::atoi(argv[2]));

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Bench::hideDebugLines();
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    QFont font = QApplication::font();
    font.setPointSize(13);
    QApplication::setFont(font);

    const Phase idle = measure(std::max(1, seconds / 3), nullptr);

    QTemporaryDir scratch;
    Broker broker;
    if (!broker.start(scratch.path())) {
        std::printf("Line view under load: mosquitto does not start\n");
        return 1;
    }
    QProcess publisher;
    publisher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    publisher.start(QCoreApplication::applicationFilePath(), {"--publish", QString::number(broker.port())});
    if (!publisher.waitForStarted() || !Bench::waitFor([&] { return publisher.canReadLine(); }, 60000)) {
        std::printf("Line view under load: the publisher did not start\n");
        return 1;
    }
    publisher.readLine();

    LineWindow window;
    window.resize(1366, 740);
    LineBroker b;
    b.host = QStringLiteral("127.0.0.1");
    b.port = broker.port();
    window.setBroker(b);
    window.show();
    QElapsedTimer picture;
    picture.start();
    window.connectToBroker();
    const auto whole = [&window] {
        const LineState &state = window.monitor()->state();
        if (window.deviceView()->model()->rowCount() < Devices)
            return false;
        for (const LineState::Device &d : state.devices())
            if (!d.hasState || !d.hasInfo)
                return false;
        return true;
    };
    const bool shown = Bench::waitFor(whole, 30000);
    const double pictureMs = shown ? picture.nsecsElapsed() / 1e6 : -1;
    if (!shown) {
        int withInfo = 0, withState = 0;
        for (const LineState::Device &d : window.monitor()->state().devices()) {
            withInfo += d.hasInfo;
            withState += d.hasState;
        }
        std::printf("Line view under load: the picture is not whole: %d rows, %d with info, %d with a state\n",
                    window.deviceView()->model()->rowCount(), withInfo, withState);
    }

    publisher.write("go\n");
    // Four devices on the charts, as an operator comparing them would have.
    window.detail()->setCurrentWidget(window.charts());
    auto *selection = window.deviceView()->selectionModel();
    for (int row : {0, 1, 2, 3})
        selection->select(window.deviceView()->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Bench::spin(3000);

    std::printf("Line view under load: %d devices (%d gateways x %d buses x %d) each changing %d times a second, "
                "mosquitto on 127.0.0.1, offscreen; lag probe every %d ms, %d s per phase\n",
                Devices, Gateways, BusesPerGateway, DevicesPerBus, ChangesPerSecond, Bench::LagProbe::IntervalMs,
                seconds);
    std::printf("  retained picture of %d devices shown %.0f ms after connecting\n", Devices, pictureMs);
    std::printf("@lineview.picture_ms %.0f\n", pictureMs);
    std::printf("  %-30s %7s %7s %7s     %6s  %9s  %8s\n", "phase", "lag p50", "p99", "max", "CPU", "(window)",
                "msgs/s");
    print("(idle, no window)", "idle", idle);
    const Phase plain = measure(seconds, &window);
    print("table order, 4 on the charts", "plain", plain);
    window.deviceView()->sortByColumn(LineTableModel::CurrentColumn, Qt::DescendingOrder);
    const Phase sorted = measure(seconds, &window);
    print("sorted by current", "sorted", sorted);
    std::printf("  dropped while busy: %lld; resident memory %ld kB\n",
                static_cast<long long>(window.monitor()->feed()->dropped()), StartupProbe::residentKb());
    std::printf("@lineview.rss_kb %ld\n", StartupProbe::residentKb());

    publisher.kill();
    publisher.waitForFinished();
    window.disconnectFromBroker();
    return 0;
}
