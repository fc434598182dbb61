// The simulated device: the register map of one device kind and what the device does
// with it (initialisation, motion, grip detection, parameters, factory commands).
#pragma once

#include "rtu.h"

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

enum class Kind { Gripper, Rotary, Adaptive, Module };

// Device kind from the model code of register 0x0A00, by its series (the top four bits):
// 4 is a linear module, 5 rotary, 0 adaptive, anything else a parallel gripper.
Kind kindFromModel(uint16_t model);
const char *kindName(Kind kind);
bool parseKind(const std::string &text, Kind &kind);

// Codes of the communication registers 0x0303 to 0x0305.
int baudFromCode(uint16_t code); // 0 for an unknown code
int baudCode(int baud);          // -1 for a rate without a code
enum Parity : uint16_t { ParityNone = 0, ParityOdd = 1, ParityEven = 2 };

struct LineSettings
{
    uint8_t address = 1;
    int baud = 115200;
    uint16_t parity = ParityNone; // code of 0x0305
    int stopBits = 1;
};

struct DeviceConfig
{
    Kind kind = Kind::Gripper;
    uint16_t model = 0x2701;
    uint16_t hardware = 0x0102; // A.B of A.B.C
    uint8_t hardwarePatch = 3;  // C
    uint16_t software = 0x021E; // 2.30
    uint32_t uid = 0;
    LineSettings line;
    uint32_t seed = 1;
    bool initialised = false;
    bool hasObject = false;
    int objectPosition = 0;
    int delayMs = 0; // answers this late
    uint16_t errorCode = 0; // what 0x0205 reports: a device with a fault
};

class Device : public rtu::Registers
{
public:
    explicit Device(const DeviceConfig &config);

    uint8_t read(uint16_t start, uint16_t count, std::vector<uint16_t> &values) override;
    uint8_t write(uint16_t start, const std::vector<uint16_t> &values) override;

    // Runs the device up to the given device time (seconds since start).
    void advance(double seconds);

    bool mapped(uint16_t address) const;
    // Address, baud rate, parity and stop bits in force (a save changes them).
    const LineSettings &line() const { return m_line; }
    // True once after a save that changed the communication settings: the caller
    // switches over when the reply to the save has gone out.
    bool takeLineChange();
    void applySavedLine();

    // Power-on: starts already initialised when configured so, or initialises by itself
    // when "Auto-Initialization When Power on" (0x0504) is saved as 1.
    void powerOn();

    // Object in the way of the fingers / the slide: removed, a held part drops.
    void removeObject();
    void restoreObject();

    // Saved parameters: "address value" lines, four hexadecimal digits each.
    void setStateFile(const std::string &path) { m_stateFile = path; }
    bool loadState(std::string &error);

    int accessLevel() const;
    uint16_t reg(uint16_t address) const { return m_reg[address]; }
    int delayMs() const { return m_config.delayMs; }

private:
    struct Axis
    {
        double pos = 0;   // device units
        double goal = 0;  // where the current phase ends
        double rate = 0;  // units per second
        double low = 0, high = 1000;
        bool moving = false;
        int dir = 0;      // +1, -1 while moving
    };
    enum class Phase { Idle, Homing, Move, Push, Jog };

    void reset();
    void onWrite(uint16_t address, uint16_t value);
    void startHoming();
    void startMove(double target);
    void startJog(int dir);
    void startRotation(double target);
    void arrive();
    void stopMotion(int state);
    void save();
    LineSettings lineFromRegisters() const;
    void stepMain(double dt);
    void stepRotation(double dt);
    void refreshFeedback();
    double mainRate(uint16_t speedPercent) const;
    bool initialised() const { return m_initState == 1; }
    bool commandsAccepted() const;
    bool isModule() const { return m_config.kind == Kind::Module; }
    bool isRotary() const { return m_config.kind == Kind::Rotary; }
    bool writable(uint16_t address) const;
    void setAxis(Axis &axis, double goal, double rate);
    bool persistent(uint16_t address) const;
    bool saveState();
    int noise(int span);
    int mainCurrent() const;
    int rotationCurrent() const;

    DeviceConfig m_config;
    std::array<uint16_t, 0x10000> m_reg{};
    std::array<uint16_t, 0x10000> m_backup{};
    bool m_hasBackup = false;
    LineSettings m_line;
    LineSettings m_savedLine;
    bool m_lineChanged = false;
    std::string m_stateFile;
    std::mt19937 m_random;

    double m_time = 0;
    Axis m_main;
    Phase m_phase = Phase::Idle;
    int m_gripState = 1;      // 0x0201
    int m_initState = 0;      // 0x0200
    bool m_holding = false;   // stopped at the object
    bool m_dropped = false;   // the held object was taken away during this command
    bool m_objectPresent = false;
    int m_objectSide = 1;     // +1: above the object (decreasing motion meets it)
    double m_moveTarget = 0;
    int m_pushDir = 0;

    Axis m_rot;
    int m_rotInitState = 0;
    int m_rotState = 1;
};
