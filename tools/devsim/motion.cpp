// Motion of the simulated device: initialisation, moves, pushing, jogging, rotation,
// the object in the way, and the feedback registers that report it.
#include "device.h"
#include "registers.h"

#include <cmath>

using namespace regs;

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
        m_reg[Target] = isModule() ? unsignedWord(m_main.pos) : signedWord(m_main.pos);
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
    auto put = [this](uint16_t at, double v) { put32(&m_reg[at], v); };
    const int current = mainCurrent();
    const int measured = current == 0 ? 0 : current + noise(3);
    int speed = 0;
    if (m_main.moving)
        speed = m_phase == Phase::Homing ? m_reg[InitSpeed]
              : m_phase == Phase::Push   ? m_reg[PushSpeed]
                                         : m_reg[Speed];
    const double pos = m_main.pos;

    m_reg[InitState] = uint16_t(m_initState);
    m_reg[GripState] = uint16_t(m_gripState);
    // A module's position reaches past 327.67 mm: it is an unsigned quantity.
    m_reg[Position] = isModule() ? unsignedWord(pos) : signedWord(pos);
    m_reg[SpeedNow] = uint16_t(speed);
    m_reg[Current] = signedWord(measured);
    m_reg[ErrorCode] = m_config.errorCode;

    if (!isModule()) {
        put(AngleLo, m_rot.pos);
        m_reg[RotInitState] = uint16_t(m_rotInitState);
        m_reg[RotState] = uint16_t(isRotary() ? m_rotState : 0);
        m_reg[RotSpeedNow] = signedWord(m_rot.moving ? m_rot.dir * clampPercent(m_reg[RotSpeed]) : 0);
        m_reg[RotCurrent] = signedWord(rotationCurrent());
    }

    // Runtime data: channel 1 the main axis, channel 2 the rotation.
    m_reg[Runtime + 0] = signedWord(measured);
    m_reg[Runtime + 1] = signedWord(m_main.moving ? m_main.dir * m_main.rate : 0);
    put(Runtime + 2, pos);
    m_reg[Runtime + 4] = signedWord(current);
    m_reg[Runtime + 5] = m_reg[Runtime + 1];
    put(Runtime + 6, m_main.moving ? m_main.goal : m_main.pos);
    m_reg[Runtime + 0x10] = m_reg[RotCurrent];
    m_reg[Runtime + 0x11] = signedWord(m_rot.moving ? m_rot.dir * m_rot.rate : 0);
    put(Runtime + 0x12, m_rot.pos);
    m_reg[Runtime + 0x14] = m_reg[RotCurrent];
    m_reg[Runtime + 0x15] = m_reg[Runtime + 0x11];
    put(Runtime + 0x16, m_rot.moving ? m_rot.goal : m_rot.pos);
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
