#include "panels/controlvalues.h"

#include <cmath>

namespace ControlValues {

int registerFromText(const QString &text, int scale)
{
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return 0;
    const double scaled = number * scale;
    const double nudged = scaled + (scaled < 0 ? -1e-6 : 1e-6);
    if (nudged >= 2147483647.0)
        return 2147483647;
    if (nudged <= -2147483648.0)
        return -2147483647 - 1;
    return int(std::trunc(nudged));
}

QString textFromRegister(int value, int scale)
{
    if (scale == 1)
        return QString::number(value);
    return QString::number(double(value) / scale, 'g', 6);
}

// A full cycle lasts 21 s: open, close, open, close in steps of a fifth, then open and
// close at the lowest force, then slowly.
const std::array<DemoRow, 12> kDemoRows = {{
    {1000, 1000, 100, 100},
    {2000, 0, 100, 100},
    {1000, 1000, 100, 100},
    {1000, 800, 100, 100},
    {1000, 600, 100, 100},
    {1000, 400, 100, 100},
    {1000, 200, 100, 100},
    {1000, 0, 100, 100},
    {2000, 1000, 20, 100},
    {2000, 0, 20, 100},
    {4000, 1000, 20, 10},
    {4000, 0, 20, 10},
}};

QVector<quint16> demoWrite(const DemoRow &row)
{
    return {row.force, 100, row.position, row.speed};
}

QVector<quint16> gripperIoWrite(const std::array<int, 12> &values)
{
    QVector<quint16> out;
    out.reserve(12);
    for (int v : values)
        out << quint16(v);
    return out;
}

QVector<quint16> moduleIoWrite(const std::array<ModuleIoGroup, 4> &groups)
{
    QVector<quint16> out;
    out.reserve(28);
    for (const ModuleIoGroup &group : groups) {
        for (int v : group)
            out << quint16(v);
        out << 0;
    }
    return out;
}

int baudRateOfCode(int code)
{
    static const int rates[] = {115200, 57600, 38400, 19200, 9600, 4800, 230400};
    return code >= 0 && code < 7 ? rates[code] : 0;
}

QVector<quint16> lineWrite(const LineCodes &codes)
{
    return {quint16(codes.slaveId), quint16(codes.baudCode), quint16(codes.stopCode),
            quint16(codes.parityCode)};
}

} // namespace ControlValues
