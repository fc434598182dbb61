// Start-up: from process start to the connection window painted, beside a minimal Qt widget
// program started and probed the same way (the floor). Both run offscreen in a scratch
// folder, alternately; the median of the runs is reported. Prints figures, asserts nothing.
//
//   bench_startup [runs, default 10]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "support.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using Bench::median;

struct Run {
    double ms = -1;
    long rssKb = -1;
};

Run startOnce(const QString &program, const QString &folder)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("GRIVANT_STARTUP_PROBE", "1");
    if (!env.contains("QT_QPA_PLATFORM"))
        env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());

    Run run;
    QElapsedTimer clock;
    clock.start();
    process.start(program, QStringList());
    while (process.waitForReadyRead(10000)) {
        if (!process.canReadLine())
            continue;
        const QList<QByteArray> words = process.readLine().trimmed().split(' ');
        if (words.value(0) == "shown") {
            run.ms = clock.nsecsElapsed() / 1e6;
            run.rssKb = words.value(1).toLong();
            break;
        }
    }
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    QTemporaryDir scratch;

    // One start each to fill the caches and, for the tool, write its files once.
    startOnce(GRIVANT_PATH, scratch.path());
    startOnce(FLOOR_PATH, scratch.path());

    std::vector<double> tool, floor;
    long toolRss = -1, floorRss = -1;
    for (int i = 0; i < runs; ++i) {
        const Run a = startOnce(GRIVANT_PATH, scratch.path());
        const Run b = startOnce(FLOOR_PATH, scratch.path());
        if (a.ms >= 0)
            tool.push_back(a.ms), toolRss = a.rssKb;
        if (b.ms >= 0)
            floor.push_back(b.ms), floorRss = b.rssKb;
    }
    const double t = median(tool), f = median(floor);
    std::printf("Start-up to the first window painted, median of %d runs (offscreen)\n", runs);
    std::printf("  grivant, connection window     %7.1f ms   (min %.1f, max %.1f)   resident %ld kB\n", t,
                tool.empty() ? -1 : *std::min_element(tool.begin(), tool.end()),
                tool.empty() ? -1 : *std::max_element(tool.begin(), tool.end()), toolRss);
    std::printf("  minimal Qt widget program      %7.1f ms   (min %.1f, max %.1f)   resident %ld kB\n", f,
                floor.empty() ? -1 : *std::min_element(floor.begin(), floor.end()),
                floor.empty() ? -1 : *std::max_element(floor.begin(), floor.end()), floorRss);
    std::printf("  ratio                          %7.2f\n", f > 0 ? t / f : 0);
    std::printf("@startup.tool_ms %.1f\n@startup.floor_ms %.1f\n@startup.ratio %.2f\n"
                "@startup.tool_rss_kb %ld\n@startup.floor_rss_kb %ld\n",
                t, f, f > 0 ? t / f : 0, toolRss, floorRss);
    return 0;
}
