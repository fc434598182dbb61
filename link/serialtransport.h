#pragma once

#include "link/adaptersession.h"
#include "link/modbusclient.h"
#include "link/modbustransport.h"

#include <memory>

class QSerialPort;

// A serial port of this computer, the line to the devices itself. What concerns only a
// serial line lives here: opening the port with its settings, the silence a request waits
// for when bytes arrive unasked, and the time frames take at the line's baud rate.
class SerialTransport : public ModbusTransport
{
public:
    explicit SerialTransport(const LineSettings &line);
    ~SerialTransport() override;

    bool open(QString *why) override;
    // New settings on the open port; false, with the setting the system refused.
    bool reconfigure(const LineSettings &line, QString *why);
    void close() override;
    bool isOpen() const override;
    bool isNetwork() const override { return false; }
    QString trafficPort() const override;
    int wireMs(int bytes) const override;
    const LineSettings &line() const { return m_line; }
    const AdapterSession &adapter() const { return m_adapter; }
    // The line returned a request before its answer (a two-wire adapter with its echo on).
    bool echoes() const { return m_echoes; }

    Ready prepare(bool *unasked, QString *why) override;
    bool send(const QByteArray &request, QString *why) override;
    Received receive(const QByteArray &request, int expected, const QDeadlineTimer &deadline) override;
    Ready settle(int longestFrameMs, bool *unasked) override;

private:
    int bitsPerCharacter() const;

    std::unique_ptr<QSerialPort> m_port;
    LineSettings m_line;
    AdapterSession m_adapter;
    bool m_echoes = false;
};
