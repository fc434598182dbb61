// Register addresses and small helpers shared by the device's source files.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace regs {

constexpr uint16_t kFactoryTrigger = 175;
constexpr uint16_t kStartCommand = 165;

// Registers by name; where a gripper and a linear module use an address differently, both
// names are given.
enum : uint16_t {
    Permission = 0x0000,
    Init = 0x0100, Force = 0x0101, PushBand = 0x0102, Target = 0x0103, Speed = 0x0104,
    RotTarget = 0x0105, RelPosition = 0x0106, RotSpeed = 0x0107, Jog = 0x0107,
    RotForce = 0x0108, RotRelative = 0x0109,
    InitState = 0x0200, GripState = 0x0201, Position = 0x0202, SpeedNow = 0x0203,
    Current = 0x0204, ErrorCode = 0x0205,
    AngleLo = 0x0208, AngleHi = 0x0209, RotInitState = 0x020A, RotState = 0x020B,
    RotSpeedNow = 0x020C, RotCurrent = 0x020D,
    Save = 0x0300, InitDirection = 0x0301, SlaveAddress = 0x0302, BaudCode = 0x0303,
    StopCode = 0x0304, ParityCode = 0x0305, CurrentScale = 0x0306, StrokeLo = 0x0306,
    StrokeHi = 0x0307, HomeOffset = 0x0308, PushSpeed = 0x0309, PushDirection = 0x030A,
    IoTest = 0x0400, EmergencyStop = 0x0400, IoMode = 0x0402,
    Emergency = 0x0500, ServoEnable = 0x0501, Stop = 0x0502, AutoInit = 0x0504,
    RotReset = 0x0506,
    Model = 0x0A00, HwVersion = 0x0A01, SwVersion = 0x0A02, Uid1 = 0x0A03, Uid2 = 0x0A04,
    OtherVersion = 0x0A05,
    FactoryFirst = 0x1100, CalibrateAngle = 0x1100, BackupParameters = 0x1102,
    RestoreBackup = 0x1104, SaveParameters = 0x1105, FactoryLast = 0x1105,
    Runtime = 0x1300, InitSpeed = 0x1402,
};

inline uint16_t clampPercent(uint16_t v, uint16_t low = 1)
{
    return std::min<uint16_t>(100, std::max<uint16_t>(low, v));
}

inline int sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// A device quantity rounded and saturated to [low, high]: a value beyond the register
// (a linear module runs at 50000 units/s) is held at the limit instead of wrapping, and a
// floating-point value is never converted to an integer type it does not fit.
inline long long saturate(double v, double low, double high)
{
    if (!(v >= low)) // NaN too
        return (long long)low;
    if (v > high)
        return (long long)high;
    return std::llround(v);
}

inline uint16_t signedWord(double v)
{
    return uint16_t(int16_t(saturate(v, -32768, 32767)));
}

inline uint16_t unsignedWord(double v)
{
    return uint16_t(saturate(v, 0, 65535));
}

// The two words of a 32-bit quantity, low word first.
inline void put32(uint16_t *low, double v)
{
    const uint32_t bits = uint32_t(int32_t(saturate(v, -2147483648.0, 2147483647.0)));
    low[0] = uint16_t(bits & 0xFFFF);
    low[1] = uint16_t(bits >> 16);
}

} // namespace regs
