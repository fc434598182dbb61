#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The accepted values of a register as its value-range text states them:
//   "-"         read only, nothing can be written
//   "0,1,2"     exactly the listed decimal values (a comma anywhere makes it a list)
//   "-80~80"    every integer from the first to the second number inclusive
struct ValueRange
{
    enum Kind { Invalid, ReadOnly, List, Interval };

    Kind kind = Invalid;
    QStringList choices;   // List: the parts between the commas, empty ones kept
    QVector<int> values;   // List: the parts as numbers (only when every part is one)
    int minimum = 0;       // Interval
    int maximum = 0;       // Interval

    // Read only, a list of numbers only, or an interval with minimum <= maximum.
    bool isValid() const;
    bool isWritable() const { return kind == List || kind == Interval; }
    bool accepts(int value) const;
};

ValueRange parseValueRange(const QString &text);

// What a 16-bit register holds in its format: -32768~32767 when it is "signed",
// 0~65535 otherwise. A map's range may reach beyond it (-32768~32768), and a value beyond
// it would come back from the device with another sign or another value.
ValueRange formatRange(const QString &format);

// The range cut to what the register holds: an interval narrowed (it may end up empty,
// minimum above maximum), a list without the values beyond it.
ValueRange cutToFormat(const ValueRange &range, const QString &format);
