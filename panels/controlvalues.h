// Widget-free conversions of the control and parameter pages: set-point texts to register
// values and back, the demonstration cycle, and the register layouts of the parameter saves.
#pragma once

#include <QString>
#include <QVector>
#include <array>

namespace ControlValues {

// Register value of an edit that shows the register `scale` times coarser (1, 10 or 100):
// the text read as a real number, scaled and truncated toward zero. The scaled product is
// nudged by far less than one unit first, so that a text such as "10.53" gives 1053 and not
// the 1052 that the binary product 1052.999... would truncate to. Not a number gives 0.
int registerFromText(const QString &text, int scale);

// Text of a register value in the edit's unit: decimal for scale 1, otherwise the shortest
// real form (1000 / 10 shows "100", 105 / 10 shows "10.5").
QString textFromRegister(int value, int scale);

// One row of the demonstration cycle: the move it commands and the pause before the next.
struct DemoRow
{
    int delayMs;
    quint16 position; // 0.1 %
    quint16 force;    // %
    quint16 speed;    // %
};
extern const std::array<DemoRow, 12> kDemoRows;

// The four registers from 0x0101 that one demonstration row writes in one go: force, push
// band (kept at 100), position, speed.
QVector<quint16> demoWrite(const DemoRow &row);

// Jog register values of the module's "Forward" and "Backward" buttons.
constexpr int JogRegister = 0x0107;
constexpr quint16 JogForward = 1;
constexpr quint16 JogBackward = 0xFFFF; // -1
constexpr quint16 JogStop = 0;

// Saved I/O motion groups. A gripper keeps three registers per group from 0x0405 (position,
// force, speed); a linear module seven from 0x0407 (position, acceleration, speed, push
// band, push force, push speed, and a reserved register written as 0).
constexpr int GripperIoStart = 0x0405;
constexpr int ModuleIoStart = 0x0407;
using ModuleIoGroup = std::array<int, 6>;
QVector<quint16> gripperIoWrite(const std::array<int, 12> &values);
QVector<quint16> moduleIoWrite(const std::array<ModuleIoGroup, 4> &groups);

// Line settings as the communication registers 0x0302 to 0x0305 code them.
struct LineCodes
{
    int slaveId = 1;
    int baudCode = 0;   // 0 115200, 1 57600, 2 38400, 3 19200, 4 9600, 5 4800, 6 230400
    int stopCode = 0;   // 0 one, 1 two
    int parityCode = 0; // 0 none, 1 odd, 2 even
};
int baudRateOfCode(int code); // 0 for an unknown code
QVector<quint16> lineWrite(const LineCodes &codes);

} // namespace ControlValues
