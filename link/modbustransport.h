#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

// One way to the devices of a line for the blocking master: a serial port, a TCP stream
// to a device server that passes RTU frames on, a Modbus TCP connection. Requests and
// answers cross this seam as RTU frames (address, PDU, CRC) whatever the way carries them
// as, so that the master checks them, and the traffic record keeps them, alike for every
// way. One request at a time: the master sends the next only when the last is settled.
class ModbusTransport
{
public:
    enum class Ready {
        Yes,
        Busy,        // bytes keep coming without a pause: another master, or noise
        Unreachable, // no way to the devices now (the device server cannot be reached)
    };

    struct Received
    {
        QByteArray frame;      // RTU form; what came, also when it is cut short
        bool lost = false;     // the connection ended before a complete answer came
        QString note;          // why, when lost
        bool echoed = false;   // the request came back first and was set aside
        bool echoBroken = false; // the line echoes, but what came first was no copy of the request
        double turnaroundMs = -1; // from the request's end to the answer's first byte
    };

    // A silence of DrainMs ends what is left of a garbled answer, or bytes that came
    // unasked; a way that is not quiet for that long within QuietLimitMs is busy.
    static constexpr int DrainMs = 20;
    static constexpr int QuietLimitMs = 1000;

    virtual ~ModbusTransport() = default;

    virtual bool open(QString *why) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // A way over the network: a lost answer may have been carried out, so a write is not
    // sent again; its outcome is reported instead.
    virtual bool isNetwork() const = 0;
    // What the traffic record names the port: "COM3 115200 8N1", "tcp://10.0.0.5:502".
    virtual QString trafficPort() const = 0;
    // The time `bytes` take on the line to the devices, in milliseconds; 0 when the line
    // is unknown (a Modbus TCP device, a device server whose line was not given).
    virtual int wireMs(int bytes) const = 0;
    // What a request without an answer means here, when the way itself is known to work
    // (a device server that took the connection); empty for a plain "no answer".
    virtual QString noAnswerText() const { return QString(); }

    // Before a request: the way is there (a lost connection is made again, no more often
    // than its pauses allow) and nothing left over waits to be read. `unasked` is set when
    // bytes were there that nobody asked for; `why` says why the way is not ready.
    virtual Ready prepare(bool *unasked, QString *why) = 0;
    // Sends a request, an RTU frame. False when it could not go out at all.
    virtual bool send(const QByteArray &request, QString *why) = 0;
    // The answer to the request just sent: until `expected` bytes are there (an exception
    // answer's 5 also end it) or the deadline passes.
    virtual Received receive(const QByteArray &request, int expected, const QDeadlineTimer &deadline) = 0;
    // After an answer that did not pass its checks: lets whatever is left of it go by, so
    // that it is not taken for the next answer. `longestFrameMs` bounds a frame on the line;
    // bytes for longer than that set `unasked`. Busy when they do not stop within a second.
    virtual Ready settle(int longestFrameMs, bool *unasked) = 0;
};
