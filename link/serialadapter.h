#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// What stands behind a serial port, as sysfs tells it, and how long the adapter holds an
// answer back before the program sees it. No widgets, no open ports: the lookup reads
// files only, and what a port's driver is asked to do goes through LatencyControl.
//
// USB serial adapters of the FTDI kind keep received bytes for their latency timer (16 ms
// by default) before they hand them over, so every answer costs at least that much. Their
// driver takes a low-latency flag (TIOCSSERIAL with ASYNC_LOW_LATENCY) that makes it 1 ms,
// and exposes the timer itself as the sysfs file latency_timer.
namespace SerialAdapter {

class Text
{
    Q_DECLARE_TR_FUNCTIONS(SerialAdapter)
};

enum class Kind {
    Unknown,        // sysfs says nothing usable about the port
    PseudoTerminal, // a simulator or a virtual port: no adapter
    Virtual,        // a terminal without hardware behind it
    Usb,
    NativeUart,     // a serial port of the computer itself
};

struct Identity
{
    QString port;        // as the operator named it
    QString tty;         // the kernel's name, e.g. ttyUSB0
    Kind kind = Kind::Unknown;
    QString driver;      // ftdi_sio, ch341, cp210x, pl2303, cdc_acm, serial8250...
    QString vendorId;    // USB IDs, four hexadecimal digits each
    QString productId;
    QString manufacturer; // as the adapter names itself: printable characters only, cut short
    QString product;
    QString serial;
    QString timerPath;   // the port's latency_timer; empty where the driver has none
    int timerMs = -1;    // as read; -1 where it could not be read or makes no sense
    QString problem;     // what could not be read, or what the tree said that cannot be
};

// The sysfs tree to read: $GRIVANT_SYSFS_ROOT when set, else /sys.
QString sysfsRoot();
// The adapter behind `port`. The port's device number leads to its entry (dev/char/M:m);
// a port that is not there is looked up by its name (class/tty/NAME).
Identity identify(const QString &port, const QString &root = sysfsRoot());

// Whether the adapter's driver has a latency timer (only FTDI's does).
bool hasLatencyTimer(const Identity &id);
// A latency_timer's content as milliseconds; -1 with *problem for anything an adapter
// cannot hold (not a number, beyond 255).
int parseTimer(const QByteArray &content, QString *problem);

// What the port's driver and sysfs are asked, for one open port.
class LatencyControl
{
public:
    virtual ~LatencyControl() = default;
    // The driver's low-latency flag; false with the system's reason where it has none.
    virtual bool lowLatency(bool *on, QString *why) = 0;
    virtual bool setLowLatency(bool on, QString *why) = 0;
    // latency_timer in milliseconds, -1 with the reason when it cannot be read.
    virtual int readTimer(QString *why) = 0;
    // False with the reason when writing is not permitted or the value is refused.
    virtual bool writeTimer(int ms, QString *why) = 0;
};

// What was found and done about an adapter's latency, and what to put back at close.
struct Latency
{
    enum class State {
        NoTimer,        // the driver holds nothing back, or there is no adapter: nothing to do
        Unknown,        // an FTDI timer that could not be read: left as it is
        Low,            // 1 ms already
        LoweredByFlag,  // low latency asked of the driver; off again at close
        LoweredByTimer, // latency_timer written; its old value written back at close
        High,           // could not be lowered
    };
    State state = State::NoTimer;
    int before = -1;         // the timer as found
    int after = -1;          // the timer while the port is open
    bool flagSet = false;    // this program set the low-latency flag
    int timerToRestore = -1; // this program wrote the timer: the value to write back
    QString refusal;         // why the driver and sysfs refused
    bool lowLatency() const { return state == State::Low || state == State::LoweredByFlag
                                     || state == State::LoweredByTimer; }
};

// Right after a port opens: a timer above 1 ms is lowered by the driver's low-latency flag;
// where the driver refuses it (or ignores it), by writing the timer when that is permitted.
// Nothing is touched on a timer that cannot be read.
Latency lowerLatency(const Identity &id, LatencyControl &control);
// Before the port closes: every setting lowerLatency changed is put back. Returns what
// could not be put back, one sentence each.
QStringList restoreLatency(const Latency &latency, const Identity &id, LatencyControl &control);

// Texts for people (the window translates them, the command-line tools keep English).
// "FT232R USB UART (FTDI, USB 0403:6001), driver ftdi_sio", "a pseudo-terminal (a simulator
// or a virtual port), no adapter"...
QString describe(const Identity &id);
// "latency timer 16 ms, 1 ms while the port is open (low latency asked of the driver; put
// back at close)", "ch341: no latency timer, nothing to set"...
QString latencyText(const Identity &id, const Latency &latency);
// What the operator can do about a timer left high ("" when nothing): the udev rule.
QString latencyAdvice(const Identity &id, const Latency &latency, const QString &udevRule);
// The state of a port as found, before anything was done: a port list shows this.
QString foundText(const Identity &id);

} // namespace SerialAdapter
