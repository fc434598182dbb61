// A misbehaving network peer for a test: a TCP server on 127.0.0.1 in a thread of its own
// that takes Modbus requests (RTU frames, or Modbus TCP) one connection at a time and
// answers as it is told: not at all, with garbage, cut short (then it closes the
// connection), or the first request late. Reads are answered with the value address + i,
// writes with their echo. It counts the connections and the requests of each function.
#pragma once

#include "link/modbusframe.h"

#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <atomic>

class FakeServer : public QThread
{
public:
    enum Behaviour { Silent, Garbage, CutShort, FirstLate, Good };

    FakeServer(Behaviour behaviour, bool mbap) : m_behaviour(behaviour), m_mbap(mbap) {}
    ~FakeServer() override
    {
        m_stop = true;
        wait();
    }

    // Starts it and waits until it listens.
    quint16 begin()
    {
        start();
        m_ready.acquire();
        return m_port;
    }
    // FirstLate: the answer to the first request goes out now.
    void releaseLate() { m_release = true; }
    bool lateSent() const { return m_lateSent; }
    int connections() const { return m_connections; }
    int reads() const { return m_reads; }
    int writes() const { return m_writes; }

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        m_port = server.serverPort();
        m_ready.release();
        while (!m_stop) {
            if (!server.waitForNewConnection(20))
                continue;
            QTcpSocket *socket = server.nextPendingConnection();
            ++m_connections;
            serve(*socket);
            delete socket;
        }
    }

private:
    // The RTU answer to an RTU request.
    static QByteArray answerTo(const QByteArray &request)
    {
        const quint8 function = quint8(request.at(1));
        if (function != ModbusFrame::ReadHoldingRegisters)
            return ModbusFrame::appendCrc(request.left(6));
        const int start = quint8(request.at(2)) << 8 | quint8(request.at(3));
        const int count = quint8(request.at(4)) << 8 | quint8(request.at(5));
        QByteArray body = request.left(2);
        body.append(char(2 * count));
        for (int i = 0; i < count; ++i) {
            body.append(char((start + i) >> 8));
            body.append(char((start + i) & 0xFF));
        }
        return ModbusFrame::appendCrc(body);
    }

    // An RTU answer in the framing of the connection, for the request `header` began.
    QByteArray framed(const QByteArray &answer, const QByteArray &header) const
    {
        if (!m_mbap)
            return answer;
        const QByteArray pdu = answer.mid(1, answer.size() - 3);
        QByteArray out = header.left(4);
        out.append(char((pdu.size() + 1) >> 8));
        out.append(char((pdu.size() + 1) & 0xFF));
        out.append(answer.at(0));
        return out + pdu;
    }

    // The next request as an RTU frame, and the Modbus TCP header it came with.
    bool nextRequest(QTcpSocket &socket, QByteArray &buffer, QByteArray *request, QByteArray *header)
    {
        for (;;) {
            if (m_mbap && buffer.size() >= 7) {
                const int length = quint8(buffer.at(4)) << 8 | quint8(buffer.at(5));
                if (buffer.size() >= 6 + length) {
                    *header = buffer.left(7);
                    *request = ModbusFrame::appendCrc(buffer.mid(6, length));
                    buffer.remove(0, 6 + length);
                    return true;
                }
            } else if (!m_mbap && buffer.size() >= 8) {
                const int length = quint8(buffer.at(1)) == ModbusFrame::WriteMultipleRegisters && buffer.size() >= 7
                                       ? 9 + quint8(buffer.at(6)) : 8;
                if (buffer.size() >= length) {
                    *request = buffer.left(length);
                    buffer.remove(0, length);
                    return true;
                }
            }
            if (m_stop || socket.state() != QAbstractSocket::ConnectedState)
                return false;
            if (socket.waitForReadyRead(20))
                buffer += socket.readAll();
            if (m_behaviour == FirstLate && m_release && !m_lateSent && !m_late.isEmpty()) {
                socket.write(m_late);
                socket.flush();
                m_lateSent = true;
            }
        }
    }

    void serve(QTcpSocket &socket)
    {
        QByteArray buffer;
        QByteArray request;
        QByteArray header;
        while (nextRequest(socket, buffer, &request, &header)) {
            const bool read = quint8(request.at(1)) == ModbusFrame::ReadHoldingRegisters;
            ++(read ? m_reads : m_writes);
            const QByteArray answer = framed(answerTo(request), header);
            switch (m_behaviour) {
            case Silent:
                break;
            case Garbage:
                socket.write(QByteArray(answer.size(), char(0xA5)));
                break;
            case CutShort:
                socket.write(answer.left(3));
                socket.flush();
                socket.waitForBytesWritten(1000);
                socket.disconnectFromHost();
                return;
            case FirstLate:
                if (m_reads + m_writes == 1) {
                    m_late = answer;
                    break;
                }
                socket.write(answer);
                break;
            case Good:
                socket.write(answer);
                break;
            }
            socket.flush();
        }
    }

    const Behaviour m_behaviour;
    const bool m_mbap;
    QSemaphore m_ready;
    quint16 m_port = 0;
    QByteArray m_late;
    std::atomic_bool m_stop{false};
    std::atomic_bool m_release{false};
    std::atomic_bool m_lateSent{false};
    std::atomic_int m_connections{0};
    std::atomic_int m_reads{0};
    std::atomic_int m_writes{0};
};
