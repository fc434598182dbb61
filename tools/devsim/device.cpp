#include "device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

struct Group
{
    uint8_t number;
    uint8_t gripperCount;
    uint8_t moduleCount;
};

// Register groups with the number of registers a gripper and a linear module serve.
const Group kGroups[] = {
    {0x00, 1, 1},   {0x01, 10, 8},  {0x02, 14, 8},  {0x03, 7, 11},
    {0x04, 17, 35}, {0x05, 12, 13}, {0x0A, 6, 6},   {0x11, 7, 7},
    {0x12, 13, 13}, {0x13, 24, 24}, {0x14, 7, 6},   {0x15, 4, 4},
};

const int kBaudRates[] = {115200, 57600, 38400, 19200, 9600, 4800, 230400};

constexpr uint16_t kFactoryTrigger = 175;
constexpr uint16_t kStartCommand = 165;

// Control and feedback registers (same addresses for every kind).
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

uint16_t clampPercent(uint16_t v, uint16_t low = 1)
{
    return std::min<uint16_t>(100, std::max<uint16_t>(low, v));
}

int sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

} // namespace

Kind kindFromModel(uint16_t model)
{
    const int high = model >> 8;
    if (high == 0x40)
        return Kind::Module;
    switch (high >> 4) {
    case 5: return Kind::Rotary;
    case 0: return Kind::Adaptive;
    default: return Kind::Gripper;
    }
}

const char *kindName(Kind kind)
{
    switch (kind) {
    case Kind::Gripper: return "gripper";
    case Kind::Rotary: return "rotary";
    case Kind::Adaptive: return "adaptive";
    case Kind::Module: return "module";
    }
    return "?";
}

bool parseKind(const std::string &text, Kind &kind)
{
    for (Kind k : {Kind::Gripper, Kind::Rotary, Kind::Adaptive, Kind::Module}) {
        if (text == kindName(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

int baudFromCode(uint16_t code)
{
    return code < 7 ? kBaudRates[code] : 0;
}

int baudCode(int baud)
{
    for (int i = 0; i < 7; ++i)
        if (kBaudRates[i] == baud)
            return i;
    return -1;
}

Device::Device(const DeviceConfig &config)
    : m_config(config), m_line(config.line), m_savedLine(config.line), m_random(config.seed)
{
    m_objectPresent = config.hasObject;
    reset();
}

void Device::reset()
{
    m_reg.fill(0);
    auto set = [this](uint16_t a, uint16_t v) { m_reg[a] = v; };
    const bool module = isModule();

    set(Force, module ? 40 : 100);
    set(Speed, 100);
    if (module) {
        set(0x0105, 100); // acceleration and deceleration
    } else {
        set(RotSpeed, 50);
        set(RotForce, 100);
    }

    set(SlaveAddress, m_line.address);
    set(BaudCode, uint16_t(std::max(0, baudCode(m_line.baud))));
    set(StopCode, m_line.stopBits == 2 ? 1 : 0);
    set(ParityCode, m_line.parity);
    if (module) {
        set(StrokeLo, 30000); // 300.00 mm
        set(StrokeHi, 0);
        set(PushSpeed, 20);
    } else {
        set(CurrentScale, 100);
    }

    if (module) {
        const uint16_t speeds[] = {100, 50, 20, 10};
        for (int g = 0; g < 4; ++g) {
            const uint16_t base = uint16_t(0x0407 + 7 * g);
            set(base, uint16_t(g * 10000));    // position, 0.01 mm
            set(base + 1, 100);                // acceleration and deceleration
            set(base + 2, speeds[g]);
            set(base + 3, 0);                  // push band
            set(base + 4, 40);                 // push force
            set(base + 5, 20);                 // push speed
        }
        set(ServoEnable, 1);
    } else {
        const uint16_t positions[] = {0, 1000, 500, 250};
        const uint16_t forces[] = {100, 60, 40, 20};
        const uint16_t speeds[] = {100, 50, 20, 10};
        for (int g = 0; g < 4; ++g) {
            const uint16_t base = uint16_t(0x0405 + 3 * g);
            set(base, positions[g]);
            set(base + 1, forces[g]);
            set(base + 2, speeds[g]);
        }
        set(0x0508, 100);  // rotation stall threshold
        set(0x050B, 3600); // rotary resolution
    }

    set(Model, m_config.model);
    set(HwVersion, m_config.hardware);
    set(SwVersion, m_config.software);
    set(Uid1, uint16_t(m_config.uid & 0xFFFF));
    set(Uid2, uint16_t(m_config.uid >> 16));
    set(OtherVersion, m_config.hardwarePatch);

    const uint16_t factory[] = {0, 1000, 0, 0, 200, 5, 0, 150, 20, 0, 100, 30, 0};
    for (int i = 0; i < 13; ++i)
        set(uint16_t(0x1200 + i), factory[i]);
    set(0x1400, 3000); // maximum motor revolutions
    set(0x1401, module ? 3000 : 1500);
    set(InitSpeed, 30);
    set(0x1403, 50);
    set(0x1404, 4);
    if (!module)
        set(0x1405, 1000); // encoder lines
    set(0x1500, module ? 30000 : 20000);
    set(0x1501, 0);
    set(0x1502, 1);
    set(0x1503, 10);

    m_main = Axis();
    m_main.high = module ? 30000 : 1000;
    m_rot = Axis();
    m_rot.low = -1e9;
    m_rot.high = 1e9;
    refreshFeedback();
}

void Device::powerOn()
{
    if (m_config.initialised) {
        m_main.pos = isModule() ? 0 : (m_reg[InitDirection] == 0 ? 1000 : 0);
        m_reg[Target] = uint16_t(m_main.pos);
        m_initState = 1;
        m_gripState = 1;
        if (isRotary())
            m_rotInitState = 1;
    } else if (m_reg[AutoInit] == 1) {
        startHoming();
    }
    refreshFeedback();
}

bool Device::mapped(uint16_t address) const
{
    const int group = address >> 8;
    const int offset = address & 0xFF;
    for (const Group &g : kGroups)
        if (g.number == group)
            return offset < (isModule() ? g.moduleCount : g.gripperCount);
    return false;
}

int Device::accessLevel() const
{
    switch (m_reg[Permission]) {
    case 0x3C3C: return 1;
    case 0x6969: return 2;
    case 0xC3C3: return 3;
    default: return 0;
    }
}

bool Device::writable(uint16_t address) const
{
    const int group = address >> 8;
    if (group == 0x02 || group == 0x13)
        return false; // feedback and runtime data
    if (group == 0x0A)
        return (address == Uid1 || address == Uid2) && accessLevel() >= 2;
    if (group >= 0x11)
        return accessLevel() >= 2;
    return true;
}

uint8_t Device::read(uint16_t start, uint16_t count, std::vector<uint16_t> &values)
{
    if (uint32_t(start) + count > 0x10000)
        return rtu::IllegalDataAddress;
    for (uint32_t a = start; a < uint32_t(start) + count; ++a)
        if (!mapped(uint16_t(a)))
            return rtu::IllegalDataAddress;
    refreshFeedback();
    values.assign(m_reg.begin() + start, m_reg.begin() + start + count);
    return 0;
}

uint8_t Device::write(uint16_t start, const std::vector<uint16_t> &values)
{
    if (uint32_t(start) + values.size() > 0x10000)
        return rtu::IllegalDataAddress;
    for (size_t i = 0; i < values.size(); ++i) {
        const uint16_t a = uint16_t(start + i);
        if (!mapped(a) || !writable(a))
            return rtu::IllegalDataAddress;
    }
    for (size_t i = 0; i < values.size(); ++i)
        m_reg[uint16_t(start + i)] = values[i];
    for (size_t i = 0; i < values.size(); ++i)
        onWrite(uint16_t(start + i), values[i]);
    refreshFeedback();
    return 0;
}

bool Device::commandsAccepted() const
{
    if (!initialised() || m_reg[IoMode] != 0)
        return false;
    if (isModule() && (m_reg[EmergencyStop] == 1 || m_reg[ServoEnable] == 0))
        return false;
    return true;
}

void Device::onWrite(uint16_t address, uint16_t value)
{
    const int16_t signedValue = int16_t(value);

    // Registers of every kind.
    switch (address) {
    case Init:
        if (value == 1 || value == kStartCommand)
            startHoming();
        return;
    case Save:
        if (value == 1) {
            save();
            m_reg[Save] = 0;
        }
        return;
    case Stop:
        if (value != 0) {
            if (m_main.moving)
                stopMotion(1);
            if (m_rot.moving) {
                m_rot.moving = false;
                m_rotState = 1;
            }
            m_reg[Stop] = 0;
        }
        return;
    default:
        break;
    }
    if (address >= FactoryFirst && address <= FactoryLast) {
        if (value != kFactoryTrigger)
            return;
        switch (address) {
        case CalibrateAngle:
            m_reg[isModule() ? 0x1405 : 0x1406] = uint16_t(1000 + m_random() % 2000);
            break;
        case BackupParameters:
            m_backup = m_reg;
            m_hasBackup = true;
            saveState();
            break;
        case RestoreBackup:
            if (m_hasBackup)
                for (uint32_t a = 0; a < 0x10000; ++a)
                    if (persistent(uint16_t(a)))
                        m_reg[a] = m_backup[a];
            break;
        case SaveParameters:
            save();
            break;
        default: // self test and upgrade: acknowledged, nothing to do here
            break;
        }
        m_reg[address] = 0; // done
        return;
    }

    if (isModule()) {
        switch (address) {
        case Target:
            if (commandsAccepted())
                startMove(value);
            break;
        case RelPosition:
            if (commandsAccepted())
                startMove(m_main.pos + signedValue);
            break;
        case Jog:
            if (!commandsAccepted())
                break;
            if (signedValue == 1 || signedValue == -1)
                startJog(signedValue);
            else if (value == 0 && m_phase == Phase::Jog)
                stopMotion(1);
            break;
        case Speed:
            if (m_phase == Phase::Move || m_phase == Phase::Jog)
                m_main.rate = mainRate(value);
            break;
        case EmergencyStop:
        case ServoEnable:
            if (!commandsAccepted() && m_phase != Phase::Homing && m_main.moving)
                stopMotion(1);
            break;
        case StrokeLo:
        case StrokeHi:
            m_main.high = double(m_reg[StrokeLo] | uint32_t(m_reg[StrokeHi]) << 16);
            break;
        default:
            break;
        }
        return;
    }

    switch (address) {
    case Target:
        if (commandsAccepted())
            startMove(signedValue);
        break;
    case Speed:
        if (m_phase == Phase::Move)
            m_main.rate = mainRate(value);
        break;
    case IoTest:
        if (value >= 1 && value <= 4) {
            if (initialised()) {
                const uint16_t base = uint16_t(0x0405 + 3 * (value - 1));
                m_reg[Force] = m_reg[base + 1];
                m_reg[Speed] = m_reg[base + 2];
                m_reg[Target] = m_reg[base];
                startMove(int16_t(m_reg[base]));
            }
            m_reg[IoTest] = 0;
        }
        break;
    case Emergency:
        if (commandsAccepted() && (value == 1 || value == 2)) {
            m_reg[Speed] = 100;
            m_reg[Target] = value == 1 ? 1000 : 0;
            startMove(m_reg[Target]);
        }
        break;
    case RotTarget:
        if (isRotary() && commandsAccepted())
            startRotation(signedValue);
        break;
    case RotRelative:
        if (isRotary() && commandsAccepted())
            startRotation(std::round(m_rot.pos) + signedValue);
        break;
    case RotSpeed:
        if (m_rot.moving)
            m_rot.rate = 7.2 * clampPercent(value);
        break;
    case RotReset:
        if (isRotary() && value != 0) {
            m_rot = Axis();
            m_rot.low = -1e9;
            m_rot.high = 1e9;
            m_rotState = 1;
            m_reg[RotReset] = 0;
        }
        break;
    default:
        break;
    }
}

double Device::mainRate(uint16_t speedPercent) const
{
    const double s = clampPercent(speedPercent);
    // Gripper: 0.1 % of the stroke per second, full stroke in 0.5 s at 100 %.
    // Module: 0.01 mm per second, 500 mm/s at 100 %.
    return isModule() ? 500.0 * s : 250.0 + 17.5 * s;
}

void Device::setAxis(Axis &axis, double goal, double rate)
{
    axis.goal = std::min(axis.high, std::max(axis.low, goal));
    axis.rate = rate;
    axis.dir = sign(axis.goal - axis.pos);
    axis.moving = true;
}

void Device::startHoming()
{
    m_phase = Phase::Homing;
    m_initState = 2;
    m_holding = false;
    m_dropped = false;
    m_gripState = 0;
    const double end = isModule() ? 0 : (m_reg[InitDirection] == 0 ? 1000 : 0);
    setAxis(m_main, end, mainRate(m_reg[InitSpeed]));
    if (isRotary()) {
        m_rotInitState = 2;
        m_rotState = 0;
        setAxis(m_rot, 0, 7.2 * 30);
    }
}

void Device::startMove(double target)
{
    m_dropped = false;
    m_phase = Phase::Move;
    m_moveTarget = std::min(m_main.high, std::max(m_main.low, target));
    if (m_objectPresent && !m_holding && m_main.pos != m_config.objectPosition)
        m_objectSide = m_main.pos > m_config.objectPosition ? 1 : -1;
    const int dir = sign(m_moveTarget - m_main.pos);
    if (m_holding && dir == -m_objectSide) {
        // Pressing further into the held object: it stays held.
        m_main.moving = false;
        m_phase = Phase::Idle;
        m_gripState = 2;
        return;
    }
    m_holding = false;
    m_pushDir = dir != 0 ? dir : (m_reg[PushDirection] == 2 ? -1 : 1);
    m_gripState = 0;
    setAxis(m_main, m_moveTarget, mainRate(m_reg[Speed]));
    if (m_main.dir == 0)
        arrive();
}

void Device::startJog(int dir)
{
    m_dropped = false;
    m_holding = false;
    m_phase = Phase::Jog;
    m_gripState = 0;
    setAxis(m_main, dir > 0 ? m_main.high : m_main.low, mainRate(m_reg[Speed]));
    if (m_main.dir == 0)
        stopMotion(1);
}

void Device::startRotation(double target)
{
    m_rotState = 0;
    setAxis(m_rot, target, 7.2 * clampPercent(m_reg[RotSpeed]));
    if (m_rot.dir == 0) {
        m_rot.moving = false;
        m_rotState = 1;
    }
}

void Device::stopMotion(int state)
{
    m_main.moving = false;
    m_main.dir = 0;
    m_phase = Phase::Idle;
    m_gripState = m_dropped ? 3 : state;
}

// The current phase has reached its goal.
void Device::arrive()
{
    switch (m_phase) {
    case Phase::Homing:
        m_initState = 1;
        m_reg[Target] = uint16_t(int16_t(std::lround(m_main.pos)));
        stopMotion(1);
        break;
    case Phase::Move:
        if (isModule() && m_reg[PushBand] != 0) {
            // Push on beyond the target, slowly, to find the part within the band.
            m_phase = Phase::Push;
            setAxis(m_main, m_main.pos + m_pushDir * double(m_reg[PushBand]),
                    50.0 * clampPercent(m_reg[PushSpeed]));
            if (m_main.dir == 0)
                stopMotion(3);
        } else {
            stopMotion(1);
        }
        break;
    case Phase::Push:
        stopMotion(3); // pushed through the whole band without meeting anything
        break;
    case Phase::Jog:
    case Phase::Idle:
        stopMotion(1);
        break;
    }
}

void Device::stepMain(double dt)
{
    while (dt > 0 && m_main.moving) {
        const double need = std::fabs(m_main.goal - m_main.pos) / m_main.rate;
        const double step = std::min(dt, need);
        const double next = step >= need ? m_main.goal : m_main.pos + m_main.dir * m_main.rate * step;
        const double obj = m_config.objectPosition;
        if (m_objectPresent && m_phase != Phase::Homing && m_main.dir == -m_objectSide
            && (m_objectSide > 0 ? next <= obj : next >= obj)) {
            m_main.pos = obj;
            m_holding = true;
            m_dropped = false;
            stopMotion(2);
            return;
        }
        m_main.pos = next;
        dt -= step;
        if (step >= need)
            arrive();
    }
}

void Device::stepRotation(double dt)
{
    if (!m_rot.moving)
        return;
    const double need = std::fabs(m_rot.goal - m_rot.pos) / m_rot.rate;
    if (dt >= need) {
        m_rot.pos = m_rot.goal;
        m_rot.moving = false;
        m_rot.dir = 0;
        m_rotState = 1;
        if (m_rotInitState == 2)
            m_rotInitState = 1;
    } else {
        m_rot.pos += m_rot.dir * m_rot.rate * dt;
    }
}

void Device::advance(double seconds)
{
    const double dt = seconds - m_time;
    if (dt <= 0)
        return;
    m_time = seconds;
    stepMain(dt);
    stepRotation(dt);
}

int Device::noise(int span)
{
    return int(m_random() % uint32_t(2 * span + 1)) - span;
}

// Motor current in mA: a running current that grows with speed and load, a holding
// current set by the force while the fingers press on a part.
int Device::mainCurrent() const
{
    if (m_holding) {
        const double force = isModule() ? m_reg[Force] : m_reg[Force] * m_reg[CurrentScale] / 100.0;
        return int(-m_objectSide * force * (isModule() ? 20 : 6));
    }
    if (!m_main.moving)
        return 0;
    if (isModule()) {
        if (m_phase == Phase::Push)
            return m_main.dir * 10 * clampPercent(m_reg[Force]);
        return int(m_main.dir * (100 + 3 * clampPercent(m_reg[Speed])));
    }
    const uint16_t speed = m_phase == Phase::Homing ? m_reg[InitSpeed] : m_reg[Speed];
    return int(m_main.dir * (30 + 0.8 * clampPercent(speed) + 0.2 * m_reg[Force]));
}

int Device::rotationCurrent() const
{
    if (!m_rot.moving)
        return 0;
    return int(m_rot.dir * (40 + 0.5 * clampPercent(m_reg[RotSpeed]) + 0.5 * m_reg[RotForce]));
}

void Device::refreshFeedback()
{
    auto put32 = [this](uint16_t at, int32_t v) {
        m_reg[at] = uint16_t(uint32_t(v) & 0xFFFF);
        m_reg[at + 1] = uint16_t(uint32_t(v) >> 16);
    };
    const int current = mainCurrent();
    const int measured = current == 0 ? 0 : current + noise(3);
    int speed = 0;
    if (m_main.moving)
        speed = m_phase == Phase::Homing ? m_reg[InitSpeed]
              : m_phase == Phase::Push   ? m_reg[PushSpeed]
                                         : m_reg[Speed];
    const long pos = std::lround(m_main.pos);

    m_reg[InitState] = uint16_t(m_initState);
    m_reg[GripState] = uint16_t(m_gripState);
    m_reg[Position] = uint16_t(int16_t(pos));
    m_reg[SpeedNow] = uint16_t(speed);
    m_reg[Current] = uint16_t(int16_t(measured));
    m_reg[ErrorCode] = 0;

    if (!isModule()) {
        const int32_t angle = int32_t(std::lround(m_rot.pos));
        put32(AngleLo, angle);
        m_reg[RotInitState] = uint16_t(m_rotInitState);
        m_reg[RotState] = uint16_t(isRotary() ? m_rotState : 0);
        m_reg[RotSpeedNow] = uint16_t(int16_t(m_rot.moving ? m_rot.dir * clampPercent(m_reg[RotSpeed]) : 0));
        m_reg[RotCurrent] = uint16_t(int16_t(rotationCurrent()));
    }

    // Runtime data: channel 1 the main axis, channel 2 the rotation.
    m_reg[Runtime + 0] = uint16_t(int16_t(measured));
    m_reg[Runtime + 1] = uint16_t(int16_t(m_main.moving ? m_main.dir * m_main.rate : 0));
    put32(Runtime + 2, int32_t(pos));
    m_reg[Runtime + 4] = uint16_t(int16_t(current));
    m_reg[Runtime + 5] = m_reg[Runtime + 1];
    put32(Runtime + 6, int32_t(std::lround(m_main.moving ? m_main.goal : m_main.pos)));
    m_reg[Runtime + 0x10] = m_reg[RotCurrent];
    m_reg[Runtime + 0x11] = uint16_t(int16_t(m_rot.moving ? m_rot.dir * m_rot.rate : 0));
    put32(Runtime + 0x12, int32_t(std::lround(m_rot.pos)));
    m_reg[Runtime + 0x14] = m_reg[RotCurrent];
    m_reg[Runtime + 0x15] = m_reg[Runtime + 0x11];
    put32(Runtime + 0x16, int32_t(std::lround(m_rot.moving ? m_rot.goal : m_rot.pos)));
}

void Device::removeObject()
{
    m_objectPresent = false;
    if (m_holding) {
        // The part is gone: the fingers close on to the commanded position.
        m_holding = false;
        m_dropped = true;
        m_gripState = 3;
        if (m_moveTarget != m_main.pos) {
            m_phase = Phase::Move;
            setAxis(m_main, m_moveTarget, mainRate(m_reg[Speed]));
        }
    }
}

void Device::restoreObject()
{
    m_objectPresent = m_config.hasObject;
}

// Parameters kept across power cycles by a save.
bool Device::persistent(uint16_t address) const
{
    if (!mapped(address))
        return false;
    const int group = address >> 8;
    switch (group) {
    case 0x03: return address != Save;
    case 0x04: return address != IoTest; // test trigger (gripper) / emergency stop (module)
    case 0x05:
        return address == AutoInit || address == 0x0505 || address == 0x0508 || address == 0x0509
            || address == 0x050B || address == 0x050C;
    case 0x0A: return address == Uid1 || address == Uid2;
    case 0x12: case 0x14: case 0x15: return true;
    default: return false;
    }
}

LineSettings Device::lineFromRegisters() const
{
    LineSettings line = m_line;
    if (m_reg[SlaveAddress] >= 1 && m_reg[SlaveAddress] <= 247)
        line.address = uint8_t(m_reg[SlaveAddress]);
    if (baudFromCode(m_reg[BaudCode]) != 0)
        line.baud = baudFromCode(m_reg[BaudCode]);
    if (m_reg[ParityCode] <= ParityEven)
        line.parity = m_reg[ParityCode];
    line.stopBits = m_reg[StopCode] == 1 ? 2 : 1;
    return line;
}

void Device::save()
{
    const LineSettings next = lineFromRegisters();
    if (next.address != m_line.address || next.baud != m_line.baud || next.parity != m_line.parity
        || next.stopBits != m_line.stopBits) {
        m_savedLine = next;
        m_lineChanged = true;
    }
    saveState();
}

bool Device::takeLineChange()
{
    const bool changed = m_lineChanged;
    m_lineChanged = false;
    return changed;
}

void Device::applySavedLine()
{
    m_line = m_savedLine;
}

bool Device::saveState()
{
    if (m_stateFile.empty())
        return true;
    const std::string temp = m_stateFile + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!out)
            return false;
        char line[32];
        for (uint32_t a = 0; a < 0x10000; ++a) {
            if (!persistent(uint16_t(a)))
                continue;
            std::snprintf(line, sizeof line, "%04X %04X\n", unsigned(a), unsigned(m_reg[a]));
            out << line;
            if (m_hasBackup) {
                std::snprintf(line, sizeof line, "B %04X %04X\n", unsigned(a), unsigned(m_backup[a]));
                out << line;
            }
        }
        if (!out.flush())
            return false;
    }
    return std::rename(temp.c_str(), m_stateFile.c_str()) == 0;
}

bool Device::loadState(std::string &error)
{
    if (m_stateFile.empty())
        return true;
    std::ifstream in(m_stateFile);
    if (!in)
        return true; // nothing saved yet: factory settings
    std::string text;
    int lineNo = 0;
    while (std::getline(in, text)) {
        ++lineNo;
        std::istringstream fields(text);
        std::string first;
        if (!(fields >> first))
            continue;
        const bool backup = first == "B";
        std::string addressText = backup ? std::string() : first;
        std::string valueText;
        if (backup)
            fields >> addressText;
        fields >> valueText;
        char *end = nullptr;
        const unsigned long address = std::strtoul(addressText.c_str(), &end, 16);
        const bool addressOk = !addressText.empty() && *end == 0 && address <= 0xFFFF;
        const unsigned long value = std::strtoul(valueText.c_str(), &end, 16);
        if (!addressOk || valueText.empty() || *end != 0 || value > 0xFFFF) {
            error = m_stateFile + ":" + std::to_string(lineNo) + ": not \"ADDRESS VALUE\" in hexadecimal";
            return false;
        }
        if (!persistent(uint16_t(address)))
            continue;
        if (backup) {
            m_backup[address] = uint16_t(value);
            m_hasBackup = true;
        } else {
            m_reg[address] = uint16_t(value);
        }
    }
    // The saved communication settings are the ones in force after power-on.
    m_line = m_savedLine = lineFromRegisters();
    m_main.high = isModule() ? double(m_reg[StrokeLo] | uint32_t(m_reg[StrokeHi]) << 16) : 1000;
    return true;
}
