#pragma once

#include "link/adaptersession.h"
#include "link/answerwatch.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>

struct TrafficFrame;
class ModbusTransport;
class SerialTransport;

// Serial settings of one line: 8 data bits always.
struct LineSettings
{
    QString port;
    qint32 baudRate = 115200;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Text of a line's settings such as "115200 8N1"; for a network port what it speaks
// ("Modbus TCP", "RTU over TCP, 9600 baud line"), as its line settings do not apply.
QString lineSettingsText(const LineSettings &line);
// A parity as people write it: "none", "even", "odd" or their first letters, any case.
bool parseParity(const QString &text, QSerialPort::Parity *parity);

// Why a port could not be opened, in words an operator can act on: missing, no
// permission (with the group to join), busy, or the system's own text.
QString openFailureText(const QString &port, QSerialPort::SerialPortError error,
                        const QString &systemText);

// QSerialPort leaves the odd-parity flag set when parity is switched off. A line read by
// its flags alone (a pseudo-terminal drops the enable flag) would then still look odd to
// the other side, so no parity is made to mean no parity.
void clearStaleOddFlag(QSerialPort &port);

// Asks an open port for a parity. A pseudo-terminal keeps no parity-enable flag: where a
// program left the odd flag behind (one that ended without closing the port), a request of
// odd parity changes nothing the port keeps, and the system refuses it (Invalid argument).
// The odd flag is cleared first, so that the request is a change; no parity then means no
// parity, as above.
bool setLineParity(QSerialPort &port, QSerialPort::Parity parity);

// A blocking Modbus master on one port, for a worker thread that owns it (the command-line
// tool runs one per port): a serial port, or a network port (see PortAddress) through
// which the same RTU requests travel. One request at a time; an unanswered or garbled
// request is sent again, an exception answer is final; over the network a write goes once,
// since its answer may be lost after the device carried it out. Every wait has a deadline:
// a line that never goes quiet (another master, a device that sends by itself, noise) ends
// the request as busy instead of holding it for ever, and a device server that cannot be
// reached is told at once, not waited for.
class ModbusClient
{
    // What it says of a request reaches the window's operator in the window's language;
    // grivantctl and the gateway load no translation and say it as written.
    Q_DECLARE_TR_FUNCTIONS(ModbusClient)

public:
    // Interrupted: a stop was asked for before the request went out, so it was not sent.
    // Unreachable: no way to the device (a device server that refuses or does not take the
    // connection); nothing was sent. ConnectionLost: the connection ended after the request
    // went out, before its answer.
    enum class Status { Ok, NoAnswer, Exception, BadAnswer, NotOpen, LineBusy, Interrupted, Unreachable,
                        ConnectionLost };

    struct Reply
    {
        Status status = Status::NotOpen;
        quint8 exception = 0;
        QVector<quint16> values; // reads only
        bool unasked = false;    // bytes came that were no part of an answer
        bool echoed = false;     // the line returned the request first; it was set aside
        QString detail;          // what the way itself says of a failure
        bool echoBroken = false; // the line echoes, but what came first was no copy of the request
        bool ok() const { return status == Status::Ok; }
        QString errorText() const;
    };

    ModbusClient();
    ~ModbusClient();
    ModbusClient(const ModbusClient &) = delete;
    ModbusClient &operator=(const ModbusClient &) = delete;

    // The port named by line.port: a serial port with the line's settings, or a network
    // port (whose line settings do not apply).
    bool open(const LineSettings &line, QString *why);
    // Any other way to the devices.
    bool open(std::unique_ptr<ModbusTransport> transport, QString *why);
    // New settings on the open port (after the device was told to change its own); false,
    // with the setting the system refused, when they could not all be applied (and always
    // on a network port, whose device server keeps its own line settings).
    bool reconfigure(const LineSettings &line, QString *why = nullptr);
    void close();
    bool isOpen() const;
    bool isNetwork() const;
    const LineSettings &line() const { return m_line; }

    // Tries per request (default 3) and the wait for an answer beyond its time on the wire
    // (by default the port's: 150 ms on a serial port, 1 s or its timeout= on the network).
    void setAttempts(int attempts) { m_attempts = qMax(1, attempts); }
    void setAnswerWait(int ms) { m_answerWaitMs = ms; }
    int answerWait() const;
    // Once the flag is set no request goes out any more; one on the wire is finished.
    void setStopFlag(const std::atomic_bool *flag) { m_stop = flag; }

    // Sees every request sent and its outcome (the answer, or none), as the traffic
    // record keeps them.
    void setFrameObserver(std::function<void(const TrafficFrame &)> observer) { m_observer = std::move(observer); }

    // The adapter of the open serial port and what was done about its latency (lowered
    // while the port is open where its driver lets it; put back at close); nothing is known
    // of a network port's.
    const AdapterSession &adapter() const;
    // The device's answer times since the port opened, and whether the line echoes.
    const Turnaround &turnaround() const { return m_turnaround; }
    bool echoes() const;
    // The answer time of the last request; -1 when it was not answered.
    double lastTurnaroundMs() const { return m_lastTurnaroundMs; }

    Reply read(int slave, quint16 start, quint16 count);
    Reply write(int slave, quint16 start, const QVector<quint16> &values);
    // A request another master asked for, as its PDU (function and data): a read of holding
    // registers (0x03) or a write (0x06, 0x10), sent as it stands. The caller checks its
    // shape first (LeaseProtocol::checkPdu). `answer` gets the answer's PDU: the values
    // read, the write's echo or the exception.
    Reply pass(int slave, const QByteArray &pdu, QByteArray *answer);

private:
    enum class Kind { Read, Write };
    Reply transact(Kind kind, const QByteArray &request, int registerCount);
    Reply once(Kind kind, const QByteArray &request, int registerCount, bool *sent);

    std::unique_ptr<ModbusTransport> m_transport;
    SerialTransport *m_serial = nullptr; // m_transport, when it is a serial port
    LineSettings m_line;
    int m_defaultAnswerWaitMs = 150;
    int m_attempts = 3;
    int m_answerWaitMs = -1; // -1: the port's own
    const std::atomic_bool *m_stop = nullptr;
    std::function<void(const TrafficFrame &)> m_observer;
    Turnaround m_turnaround;
    double m_lastTurnaroundMs = -1;
};
