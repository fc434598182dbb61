#include "device.h"
#include "registers.h"

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

} // namespace

using namespace regs;

// Every model of series 4 is a linear module (its name carries the module marker), so
// the tool reads the module register map from all of them.
Kind kindFromModel(uint16_t model)
{
    switch (model >> 12) {
    case 4: return Kind::Module;
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
