#include "lineview/linecharts.h"

#include <QFontMetrics>
#include <QLabel>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <cmath>

namespace {

const QColor Colours[LineCharts::MaxDevices] = {QColor(0xd6, 0x27, 0x28), QColor(0x1f, 0x77, 0xb4),
                                                QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                                QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                                QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};

// The shortest span shown: a device chosen a moment ago still has a readable curve.
constexpr double ShortestSpanSeconds = 30;

// Boxed as the main window's plots are: top and right axes without labels.
void box(QCPAxisRect *rect)
{
    for (QCPAxis::AxisType type : {QCPAxis::atTop, QCPAxis::atRight}) {
        rect->axis(type)->setVisible(true);
        rect->axis(type)->setTickLabels(false);
    }
    rect->setRangeDrag(Qt::Horizontal);
    rect->setRangeZoom(Qt::Horizontal);
}

// The value axis over what its curves hold, with a little room above and below.
void fitValues(QCPAxis *axis, const QList<QCPGraph *> &graphs, double fallbackLower, double fallbackUpper)
{
    bool any = false;
    QCPRange all;
    for (QCPGraph *g : graphs) {
        bool ok = false;
        const QCPRange r = g->getValueRange(ok);
        if (!ok)
            continue;
        all = any ? QCPRange(std::min(all.lower, r.lower), std::max(all.upper, r.upper)) : r;
        any = true;
    }
    if (!any) {
        axis->setRange(fallbackLower, fallbackUpper);
        return;
    }
    const double span = std::max(all.upper - all.lower, 1.0);
    axis->setRange(all.lower - span * 0.08, all.upper + span * 0.08);
}

// As many value ticks as the chart's height holds without their labels running into each
// other: on a small screen each chart may be only a few lines of text high.
void fitTicks(QCPAxisRect *rect)
{
    QCPAxis *axis = rect->axis(QCPAxis::atLeft);
    const int line = QFontMetrics(axis->tickLabelFont()).height();
    axis->ticker()->setTickCount(std::clamp(rect->height() / (2 * std::max(line, 1)), 2, 5));
}

} // namespace

LineCharts::LineCharts(QWidget *parent) : QWidget(parent)
{
    // One plot of two stacked axis rects on one time axis, the legend beside them.
    m_plot = new QCustomPlot(this);
    m_plot->setObjectName(QStringLiteral("LinePlot"));
    m_plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    m_positionRect = m_plot->axisRect();
    m_currentRect = new QCPAxisRect(m_plot);
    m_plot->plotLayout()->addElement(1, 0, m_currentRect);
    auto *margins = new QCPMarginGroup(m_plot);
    for (QCPAxisRect *rect : {m_positionRect, m_currentRect}) {
        box(rect);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
        ticker->setDateTimeFormat(QStringLiteral("HH:mm:ss"));
        rect->axis(QCPAxis::atBottom)->setTicker(ticker);
    }
    m_positionRect->axis(QCPAxis::atBottom)->setTickLabels(false);
    connect(m_positionRect->axis(QCPAxis::atBottom), QOverload<const QCPRange &>::of(&QCPAxis::rangeChanged),
            m_currentRect->axis(QCPAxis::atBottom), QOverload<const QCPRange &>::of(&QCPAxis::setRange));
    connect(m_currentRect->axis(QCPAxis::atBottom), QOverload<const QCPRange &>::of(&QCPAxis::rangeChanged),
            m_positionRect->axis(QCPAxis::atBottom), QOverload<const QCPRange &>::of(&QCPAxis::setRange));
    auto *legendCell = new QCPLayoutGrid;
    m_plot->plotLayout()->addElement(0, 1, legendCell);
    m_plot->plotLayout()->setColumnStretchFactor(1, 0.001);
    m_plot->legend->setVisible(true);
    QFont legendFont = font();
    legendFont.setPointSize(9);
    m_plot->legend->setFont(legendFont);
    m_plot->axisRect()->insetLayout()->take(m_plot->legend);
    legendCell->addElement(0, 0, m_plot->legend);
    // An empty legend may be no taller than its margins, and its row would squash the
    // position chart to that height; the filler below it lets the row take its share.
    legendCell->addElement(1, 0, new QCPLayoutElement(m_plot));
    legendCell->setRowStretchFactor(0, 0.001);
    legendCell->setMargins(QMargins(0, 8, 4, 0));
    m_plot->legend->setLayer(QStringLiteral("legend"));
    m_plot->setMinimumHeight(180);

    m_hint = new QLabel(this);
    m_hint->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_hint);
    layout->addWidget(m_plot, 1);
    retranslate();
}

int LineCharts::curveCount() const
{
    return m_positionGraphs.size();
}

void LineCharts::retranslate()
{
    const QString unit = m_units.join(QLatin1String(" / "));
    m_positionRect->axis(QCPAxis::atLeft)->setLabel(unit.isEmpty() ? tr("Position") : tr("Position (%1)").arg(unit));
    m_currentRect->axis(QCPAxis::atLeft)->setLabel(tr("Current (mA)"));
    if (m_left > 0)
        m_hint->setText(tr("The first %1 of the chosen devices are drawn.").arg(MaxDevices));
    else
        m_hint->setText(tr("Choose several rows (Ctrl+click) to compare their devices."));
    m_hint->setVisible(m_left > 0 || m_positionGraphs.size() < 2);
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void LineCharts::show(const LineState &state, const QVector<int> &rows, qint64 nowMs)
{
    const double nowKey = nowMs / 1000.0;
    const int count = std::min<int>(rows.size(), MaxDevices);
    m_left = rows.size() - count;
    while (m_positionGraphs.size() > count) {
        m_plot->removeGraph(m_positionGraphs.takeLast());
        m_plot->removeGraph(m_currentGraphs.takeLast());
    }
    while (m_positionGraphs.size() < count) {
        const QPen pen(Colours[m_positionGraphs.size()], 1.5);
        for (auto [rect, graphs] : {std::make_pair(m_positionRect, &m_positionGraphs),
                                    std::make_pair(m_currentRect, &m_currentGraphs)}) {
            auto *g = new QCPGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            g->setLineStyle(QCPGraph::lsStepLeft);
            g->setPen(pen);
            graphs->append(g);
        }
        // One legend entry per device: the current curve has the same colour.
        m_currentGraphs.last()->removeFromLegend();
    }
    m_plot->legend->setVisible(count > 0); // no empty box beside the charts
    m_units.clear();
    double oldest = nowKey;
    for (int i = 0; i < count; ++i) {
        const int row = rows.at(i);
        if (row < 0 || row >= state.devices().size())
            continue;
        const LineState::Device &d = state.devices().at(row);
        const QVector<LineState::Sample> samples = d.history.since(nowMs - WindowMs);
        QVector<QCPGraphData> position;
        QVector<QCPGraphData> current;
        position.reserve(samples.size() + 1);
        current.reserve(samples.size() + 1);
        for (const LineState::Sample &s : samples) {
            const double key = s.ms / 1000.0;
            if (!std::isnan(s.position))
                position.append({key, s.position});
            if (!std::isnan(s.current))
                current.append({key, s.current});
        }
        if (!samples.isEmpty())
            oldest = std::min(oldest, samples.first().ms / 1000.0);
        // What a device there reported last still holds.
        if (state.presenceOf(d) == Presence::Online) {
            if (!position.isEmpty())
                position.append({nowKey, position.last().value});
            if (!current.isEmpty())
                current.append({nowKey, current.last().value});
        }
        const QString name = d.gateway + QLatin1Char('/') + d.bus + QLatin1Char('/') + QString::number(d.id);
        m_positionGraphs.at(i)->data()->set(position, true);
        m_positionGraphs.at(i)->setName(name);
        m_currentGraphs.at(i)->data()->set(current, true);
        if (d.hasState && !d.reading.positionUnit.isEmpty() && !m_units.contains(d.reading.positionUnit))
            m_units.append(d.reading.positionUnit);
    }
    // The time axis follows now, over what the curves hold (half a minute to five), unless
    // the operator dragged or zoomed it into the past.
    QCPAxis *time = m_positionRect->axis(QCPAxis::atBottom);
    const bool following = m_lastNowKey <= 0 || time->range().upper >= m_lastNowKey - 0.001;
    if (following) {
        const double span = std::clamp(nowKey - oldest, ShortestSpanSeconds, WindowMs / 1000.0);
        time->setRange(nowKey - span, nowKey);
        m_lastNowKey = nowKey;
    }
    fitValues(m_positionRect->axis(QCPAxis::atLeft), m_positionGraphs, -5, 105);
    fitValues(m_currentRect->axis(QCPAxis::atLeft), m_currentGraphs, -150, 150);
    fitTicks(m_positionRect);
    fitTicks(m_currentRect);
    retranslate();
}
