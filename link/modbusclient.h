#pragma once

#include "link/adaptersession.h"
#include "link/answerwatch.h"

#include <QSerialPort>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>

struct TrafficFrame;

// Serial settings of one line: 8 data bits always.
struct LineSettings
{
    QString port;
    qint32 baudRate = 115200;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Text of a line's settings such as "115200 8N1".
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

// A blocking Modbus-RTU master on one serial port, for a worker thread that owns it (the
// command-line tool runs one per port). One request at a time; an unanswered or garbled
// request is sent again, an exception answer is final. Every wait has a deadline: a line
// that never goes quiet (another master, a device that sends by itself, noise) ends the
// request as busy instead of holding it for ever.
class ModbusClient
{
public:
    // Interrupted: a stop was asked for before the request went out, so it was not sent.
    enum class Status { Ok, NoAnswer, Exception, BadAnswer, NotOpen, LineBusy, Interrupted };

    struct Reply
    {
        Status status = Status::NotOpen;
        quint8 exception = 0;
        QVector<quint16> values; // reads only
        bool unasked = false;    // bytes came that were no part of an answer
        bool echoed = false;     // the line returned the request first; it was set aside
        bool ok() const { return status == Status::Ok; }
        QString errorText() const;
    };

    ModbusClient();
    ~ModbusClient();
    ModbusClient(const ModbusClient &) = delete;
    ModbusClient &operator=(const ModbusClient &) = delete;

    bool open(const LineSettings &line, QString *why);
    // New settings on the open port (after the device was told to change its own); false,
    // with the setting the system refused, when they could not all be applied.
    bool reconfigure(const LineSettings &line, QString *why = nullptr);
    void close();
    bool isOpen() const;
    const LineSettings &line() const { return m_line; }

    // Tries per request (default 3) and the wait for an answer beyond its time on the wire
    // (default 150 ms).
    void setAttempts(int attempts) { m_attempts = qMax(1, attempts); }
    void setAnswerWait(int ms) { m_answerWaitMs = ms; }
    // Once the flag is set no request goes out any more; one on the wire is finished.
    void setStopFlag(const std::atomic_bool *flag) { m_stop = flag; }

    // Sees every request sent and its outcome (the answer, or none), as the traffic
    // record keeps them.
    void setFrameObserver(std::function<void(const TrafficFrame &)> observer) { m_observer = std::move(observer); }

    // The adapter of the open port and what was done about its latency (lowered while the
    // port is open where its driver lets it; put back at close).
    const AdapterSession &adapter() const { return m_adapter; }
    // The device's answer times since the port opened, and whether the line echoes.
    const Turnaround &turnaround() const { return m_turnaround; }
    bool echoes() const { return m_echoes; }
    // The answer time of the last request; -1 when it was not answered.
    double lastTurnaroundMs() const { return m_lastTurnaroundMs; }

    Reply read(int slave, quint16 start, quint16 count);
    Reply write(int slave, quint16 start, const QVector<quint16> &values);

private:
    enum class Kind { Read, Write };
    Reply transact(Kind kind, const QByteArray &request, int registerCount);
    Reply once(Kind kind, const QByteArray &request, int registerCount);
    int wireMs(int bytes) const;
    int bitsPerCharacter() const;
    bool waitForQuiet(bool *unasked);

    std::unique_ptr<QSerialPort> m_port;
    LineSettings m_line;
    int m_attempts = 3;
    int m_answerWaitMs = 150;
    const std::atomic_bool *m_stop = nullptr;
    std::function<void(const TrafficFrame &)> m_observer;
    AdapterSession m_adapter;
    Turnaround m_turnaround;
    bool m_echoes = false;
    double m_lastTurnaroundMs = -1;
};
