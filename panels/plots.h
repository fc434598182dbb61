#pragma once

#include <QList>
#include <QPen>
#include <QString>

class QCustomPlot;

// Set-up of the live curves: graph 0 carries the samples, the further graphs stay empty
// (their pens are the ones an overlay would use).
struct PlotSetup
{
    int graphCount = 0;
    QList<QPen> pens;
    bool bottomTickLabels = true;
    QString leftLabel;
    double rangeLower = 0;
    double rangeUpper = 0;
    bool interactive = false;
};

// Applies a set-up to an empty plot: graphs on the bottom and left axes, boxed by the top
// and right axes without tick labels. A plot that has its graphs already is left alone.
void setUpPlot(QCustomPlot *plot, const PlotSetup &setup);

// Adds one sample at a key, drops what lies more than the window before it, enlarges the
// value axis if needed, slides the key axis and queues one replot.
void addSampleToPlot(QCustomPlot *plot, double key, double value, double windowSeconds);

// The position curve in the device's unit. A gripper reports 0.1 % as a signed value, shown
// in % from -5 to 105; a linear module 0.01 mm as an unsigned one (strokes beyond 327.67 mm),
// shown in mm over its stroke with 5 % to spare on either side.
struct PositionAxis
{
    double lower;
    double upper;
};
PositionAxis positionAxis(bool linearModule, int strokeHundredths);
double positionSample(bool linearModule, quint16 raw);

// Advances a plot's sample clock (seconds) to a timer reading (ms) by the timer's progress
// since the previous sample; the first sample (no reading yet, lastMs < 0) leaves the clock
// where it is. A timer restarted in between moves the clock back by its last reading.
float advanceSampleClock(float clock, qint64 &lastMs, qint64 nowMs);
