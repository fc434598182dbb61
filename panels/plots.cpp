#include "panels/plots.h"

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QButtonGroup>
#include <qcustomplot.h>

namespace {
constexpr double PlotWindowSeconds = 10.0;
}

void setUpPlot(QCustomPlot *plot, const PlotSetup &setup)
{
    if (!plot || plot->graphCount() > 0)
        return;
    for (int i = 0; i < setup.graphCount; ++i) {
        QCPGraph *graph = plot->addGraph(plot->xAxis, plot->yAxis);
        graph->setPen(setup.pens.value(i, QPen(Qt::blue)));
    }
    plot->xAxis->setTickLabels(setup.bottomTickLabels);
    plot->xAxis2->setVisible(true);
    plot->xAxis2->setTickLabels(false);
    plot->yAxis2->setVisible(true);
    plot->yAxis2->setTickLabels(false);
    plot->yAxis->setLabel(setup.leftLabel);
    plot->yAxis->setRange(setup.rangeLower, setup.rangeUpper);
    if (setup.interactive)
        plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables);
    else
        plot->setInteractions(QCP::Interactions());
}

void addSampleToPlot(QCustomPlot *plot, double key, double value, double windowSeconds)
{
    QCPGraph *graph = plot->graph(0);
    graph->addData(key, value);
    graph->data()->removeBefore(key - windowSeconds);
    graph->rescaleValueAxis(true, false);
    plot->xAxis->setRange(key - windowSeconds, key);
    plot->replot(QCustomPlot::rpQueuedReplot);
}

PositionAxis positionAxis(bool linearModule, int strokeHundredths)
{
    if (!linearModule || strokeHundredths <= 0)
        return {-5, 105};
    const double stroke = strokeHundredths / 100.0;
    return {-stroke * 0.05, stroke * 1.05};
}

double positionSample(bool linearModule, quint16 raw)
{
    return linearModule ? raw / 100.0 : qint16(raw) / 10.0;
}

float advanceSampleClock(float clock, qint64 &lastMs, qint64 nowMs)
{
    if (lastMs < 0)
        lastMs = nowMs;
    const float advanced = float(clock + nowMs / 1000.0 - lastMs / 1000.0);
    lastMs = nowMs;
    return advanced;
}

void MainWindow::initPlots()
{
    PlotSetup position;
    position.graphCount = 4;
    position.pens = { QPen(Qt::red), QPen(Qt::blue), QPen(Qt::cyan), QPen(Qt::green) };
    position.bottomTickLabels = true;
    position.leftLabel = tr("Position(%)");
    position.rangeLower = -5;
    position.rangeUpper = 105;
    position.interactive = true;
    setUpPlot(ui->PositionPlot, position);

    PlotSetup current;
    current.graphCount = 2;
    current.pens = { QPen(Qt::red), QPen(Qt::blue) };
    current.bottomTickLabels = false;
    current.leftLabel = tr("Motor Current(mA)");
    current.rangeLower = -150;
    current.rangeUpper = 150;
    current.interactive = false;
    setUpPlot(ui->CurrentPlot, current);

    // The grip state is shown, not chosen: one exclusive group in a disabled container.
    ui->wg_state->setEnabled(false);
    if (!ui->wg_state->findChild<QButtonGroup *>()) {
        auto *group = new QButtonGroup(ui->wg_state);
        group->setExclusive(true);
        group->addButton(ui->rB_S_Moving, 0);
        group->addButton(ui->rB_S_Arrived, 1);
        group->addButton(ui->rB_S_Caught, 2);
        group->addButton(ui->rB_S_Dropped, 3);
    }
}

// The position curve is in the device's unit: a gripper's 0.1 % shown in percent, a linear
// module's 0.01 mm in millimetres over its stroke (register 0x0306, the same bound as the
// module position slider). The range starts anew for a new device or stroke; a language
// switch changes the labels only.
void MainWindow::updatePlotAxes(bool newRange)
{
    if (ui->PositionPlot->graphCount() == 0 || ui->CurrentPlot->graphCount() == 0)
        return;
    const bool module = m_moduleCurve;
    ui->PositionPlot->yAxis->setLabel(module ? tr("Position(mm)") : tr("Position(%)"));
    ui->CurrentPlot->yAxis->setLabel(tr("Motor Current(mA)"));
    if (newRange) {
        const PositionAxis axis = positionAxis(module, ui->hS_Position_module->maximum());
        ui->PositionPlot->yAxis->setRange(axis.lower, axis.upper);
    }
    ui->PositionPlot->replot(QCustomPlot::rpQueuedReplot);
    ui->CurrentPlot->replot(QCustomPlot::rpQueuedReplot);
}

qint64 MainWindow::plotClockMs()
{
    if (m_plotClock)
        return m_plotClock();
    if (m_connectionTimer && m_connectionTimer->isValid())
        return m_connectionTimer->elapsed();
    // Before the first connection the timer has not been started yet.
    if (!m_plotFallbackTimer.isValid())
        m_plotFallbackTimer.start();
    return m_plotFallbackTimer.elapsed();
}

// The sample clock advances by the timer's progress since the plot's previous sample; the
// first sample of a plot lies at the clock's current value.
void MainWindow::addPlotSample(QCustomPlot *plot, double value)
{
    if (!plot)
        return;
    if (plot->graphCount() == 0)
        initPlots();
    if (plot->graphCount() == 0)
        return;

    const bool isPosition = plot == ui->PositionPlot;
    float &clock = isPosition ? m_positionSampleClock : m_currentSampleClock;
    qint64 &lastMs = isPosition ? m_positionSampleLastMs : m_currentSampleLastMs;

    clock = advanceSampleClock(clock, lastMs, plotClockMs());

    addSampleToPlot(plot, clock, value, PlotWindowSeconds);
}

void MainWindow::showGripState(int state)
{
    switch (state) {
    case 0: ui->rB_S_Moving->setChecked(true); break;
    case 1: ui->rB_S_Arrived->setChecked(true); break;
    case 2: ui->rB_S_Caught->setChecked(true); break;
    case 3: ui->rB_S_Dropped->setChecked(true); break;
    default: break;
    }
}
