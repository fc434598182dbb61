// What a live-plot sample and a replot cost at the plots' size, offscreen: ten seconds of
// 50 ms samples fill the curve, then further samples and replots are timed.
#include "app/mainwindow.h"
#include "panels/plots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <qcustomplot.h>

namespace {

PlotSetup positionSetup()
{
    PlotSetup setup;
    setup.graphCount = 4;
    setup.pens = { QPen(Qt::red), QPen(Qt::blue), QPen(Qt::cyan), QPen(Qt::green) };
    setup.leftLabel = QStringLiteral("Position(%)");
    setup.rangeLower = -5;
    setup.rangeUpper = 105;
    setup.interactive = true;
    return setup;
}

double sampleValue(int i)
{
    return 50.0 + 45.0 * std::sin(i * 0.05);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    QCustomPlot plot;
    plot.resize(361, 241);
    setUpPlot(&plot, positionSetup());
    plot.show();

    // Ten seconds of samples at the fastest feedback period: the curve is full.
    int i = 0;
    for (; i < 200; ++i)
        addSampleToPlot(&plot, i * 0.05, sampleValue(i), 10.0);
    QCoreApplication::processEvents();

    const int samples = 20000;
    QElapsedTimer timer;
    timer.start();
    for (int n = 0; n < samples; ++n, ++i)
        addSampleToPlot(&plot, i * 0.05, sampleValue(i), 10.0);
    const qint64 sampleNs = timer.nsecsElapsed();
    QCoreApplication::processEvents(); // the queued replots collapse into one

    const int replots = 300;
    timer.restart();
    for (int n = 0; n < replots; ++n, ++i) {
        addSampleToPlot(&plot, i * 0.05, sampleValue(i), 10.0);
        plot.replot(QCustomPlot::rpImmediateRefresh);
    }
    const qint64 replotNs = timer.nsecsElapsed();

    // The queued path as polling drives it: one sample, then the event loop runs once.
    timer.restart();
    for (int n = 0; n < replots; ++n, ++i) {
        addSampleToPlot(&plot, i * 0.05, sampleValue(i), 10.0);
        QCoreApplication::processEvents();
    }
    const qint64 queuedNs = timer.nsecsElapsed();

    out << "points in the curve: " << plot.graph(0)->data()->size() << "\n";
    out << "addPlotSample (add, trim, rescale, queue): "
        << QString::number(sampleNs / 1000.0 / samples, 'f', 2) << " us per sample\n";
    out << "sample + immediate replot at " << plot.width() << "x" << plot.height() << ": "
        << QString::number(replotNs / 1e6 / replots, 'f', 3) << " ms\n";
    out << "sample + event loop (queued replot drawn): "
        << QString::number(queuedNs / 1e6 / replots, 'f', 3) << " ms\n";
    out << "share of a 50 ms feedback period: "
        << QString::number(100.0 * queuedNs / 1e6 / replots / 50.0, 'f', 2) << " %\n";
    out << "@plots.sample_replot_ms " << QString::number(queuedNs / 1e6 / replots, 'f', 3) << "\n";

    // A whole feedback reply through the window: table cells, grip state, both curves.
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
    MainWindow window;
    qint64 now = 0;
    window.setPlotClockForTest([&now] { return now; });
    window.rebuildRegisterTablesForTest(QStringLiteral("PG-Test"), QStringLiteral("en_US"));
    window.show();
    const int replies = 2000;
    timer.restart();
    for (int n = 0; n < replies; ++n) {
        now += 50;
        QByteArray data = QByteArray::fromHex("02000e");
        for (int r = 0; r < 14; ++r) {
            const int v = r == 2 ? int(sampleValue(n) * 10) : r == 1 ? n % 4 : r * 3;
            data.append(char(v >> 8)).append(char(v & 0xFF));
        }
        window.RefreshRegisterValue(data);
        QCoreApplication::processEvents();
    }
    const double replyMs = timer.nsecsElapsed() / 1e6 / replies;
    out << "feedback reply dispatched and drawn, window shown: " << QString::number(replyMs, 'f', 3) << " ms\n";
    out << "@plots.feedback_reply_ms " << QString::number(replyMs, 'f', 3) << "\n";
    return 0;
}
