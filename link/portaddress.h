#pragma once

#include <QString>
#include <QtGlobal>

// Where a device is reached: a serial port of this computer, or an address on the network.
//
//   /dev/ttyUSB0, COM3                 a serial port, as the system names it
//   tcp://HOST[:PORT]                  Modbus TCP (MBAP header, transaction ids; port 502)
//   rtu+tcp://HOST:PORT                RTU frames with their CRC over a TCP stream, as a
//                                      serial device server passes them on
//
// Options follow a '?', joined by '&': baud=RATE is the device server's line to the
// devices (it only lengthens the wait for an answer by the time frames take there),
// timeout=MS the wait for an answer beyond that time. HOST is a name, an IPv4 address or
// an IPv6 address in brackets.
struct PortAddress
{
    enum class Kind { Serial, ModbusTcp, RtuOverTcp };

    // The wait for an answer beyond its time on the wire, unless timeout= says otherwise:
    // a network adds a bridge, a switch and perhaps a slow radio link to the line.
    static constexpr int SerialAnswerWaitMs = 150;
    static constexpr int NetworkAnswerWaitMs = 1000;
    static constexpr quint16 ModbusTcpPort = 502;

    Kind kind = Kind::Serial;
    QString serialPort;        // a serial port: its name as given
    QString host;              // a network port: name or address, IPv6 without brackets
    quint16 port = 0;
    qint32 downstreamBaud = 0; // baud=, 0 when not given
    int timeoutMs = 0;         // timeout=, 0 when not given

    bool isNetwork() const { return kind != Kind::Serial; }
    // The address written out so that it reads back the same: the serial port's name, or
    // scheme, host, port and the options given.
    QString text() const;
    // "HOST:PORT", IPv6 in brackets.
    QString endpoint() const;
    // "Modbus TCP", "RTU over TCP" or "serial".
    QString framingName() const;
    int answerWaitMs() const;
};

namespace PortAddresses {
// True for text that names a network port ("SCHEME://..."), well formed or not.
bool looksLikeNetwork(const QString &text);
// Anything without "://" is a serial port and is taken as it stands. False, with the
// reason in words an operator can act on, for a network address that does not parse.
bool parse(const QString &text, PortAddress *address, QString *why);
// The baud rates a device can use, which a device server's line is one of.
bool isDeviceBaudRate(qint32 baud);
} // namespace PortAddresses
