#pragma once

#include "link/modbustransport.h"
#include "link/portaddress.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <memory>

class QTcpSocket;

// A TCP connection to a Modbus TCP device (MBAP header, transaction ids) or to a serial
// device server that passes RTU frames on, for the blocking master in a thread of its own.
// Every socket sends at once (no Nagle delay). Input left from an earlier request (a late
// answer) is dropped before each request; a Modbus TCP answer with another transaction id
// is passed over. A connection that ends is made again before the next request, at once
// the first time and then after pauses of 0.5 s doubling to 10 s. Connecting, the name
// lookup included, takes at most the port's time-out.
class TcpTransport : public ModbusTransport
{
    // What it says reaches the window's operator in the window's language; grivantctl and
    // the gateway load no translation and say it as written.
    Q_DECLARE_TR_FUNCTIONS(TcpTransport)

public:
    explicit TcpTransport(const PortAddress &address);
    ~TcpTransport() override;

    bool open(QString *why) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool isNetwork() const override { return true; }
    QString trafficPort() const override { return m_address.text(); }
    int wireMs(int bytes) const override;
    QString noAnswerText() const override;

    Ready prepare(bool *unasked, QString *why) override;
    bool send(const QByteArray &request, QString *why) override;
    Received receive(const QByteArray &request, int expected, const QDeadlineTimer &deadline) override;
    Ready settle(int longestFrameMs, bool *unasked) override;

    // "the device server at 10.0.0.5:4001", "the Modbus TCP device at plc:502".
    QString serverName() const;
    const PortAddress &address() const { return m_address; }

private:
    bool connectNow(QString *why);
    void drop();
    bool connected() const;
    bool mbap() const { return m_address.kind == PortAddress::Kind::ModbusTcp; }
    Received receiveRtu(int expected, const QDeadlineTimer &deadline);
    Received receiveMbap(const QDeadlineTimer &deadline);
    Received lost(const QByteArray &partial);

    PortAddress m_address;
    std::unique_ptr<QTcpSocket> m_socket;
    bool m_open = false;
    quint16 m_transaction = 0;
    QByteArray m_pending;     // Modbus TCP bytes read beyond the frames taken so far
    QDeadlineTimer m_retryAt; // no new connection before this
    QElapsedTimer m_sent;     // since the request went out
    double m_firstByteMs = -1; // when the bytes of the answer began to come
    int m_pauseMs = 0;
    QString m_failure;        // why the last connection failed
};
