#pragma once

#include "lineview/linestate.h"

#include <QStringList>
#include <QWidget>

class QCPAxisRect;
class QCPGraph;
class QCustomPlot;
class QLabel;

// Position and current of one or several devices over the last minutes, one curve per
// device in its own colour, to compare them. A value holds until the next state, so the
// curves are drawn as steps, and a device online holds its last value up to now.
class LineCharts : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxDevices = 8;
    static constexpr qint64 WindowMs = LineState::HistoryMs;

    explicit LineCharts(QWidget *parent = nullptr);

    // Rows of the state to draw, the first MaxDevices of them.
    void show(const LineState &state, const QVector<int> &rows, qint64 nowMs);
    void retranslate();
    int curveCount() const;

    QCustomPlot *plot() const { return m_plot; }

private:
    QCustomPlot *m_plot;
    QCPAxisRect *m_positionRect;
    QCPAxisRect *m_currentRect;
    QList<QCPGraph *> m_positionGraphs;
    QList<QCPGraph *> m_currentGraphs;
    QLabel *m_hint;
    QStringList m_units;
    int m_left = 0; // devices chosen beyond the bound
    double m_lastNowKey = 0; // the time axis's end while it follows the present
};
