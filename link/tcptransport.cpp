#include "link/tcptransport.h"

#include "link/modbusframe.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {
// Pauses between attempts to connect again after a failure.
constexpr int FirstPauseMs = 500;
constexpr int LongestPauseMs = 10000;
constexpr int MbapHeader = 7;
constexpr int MaxPdu = 253;

int remainingMs(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

// The name lookup, bounded by the deadline: a resolver that hangs must not hold the
// request beyond its time-out, and the blocking lookup Qt's socket makes has no limit. It
// runs in a thread of its own, left to end by itself when it takes too long; no event
// loop turns meanwhile, so nothing else of the caller's thread runs in between.
QList<QHostAddress> lookUp(const QString &host, const QDeadlineTimer &deadline, QString *why)
{
    QHostAddress literal;
    if (literal.setAddress(host))
        return {literal};
    struct Lookup
    {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        QHostInfo info;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host] {
        const QHostInfo info = QHostInfo::fromName(host);
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->info = info;
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, std::chrono::milliseconds(remainingMs(deadline)),
                               [&lookup] { return lookup->finished; })) {
        *why = TcpTransport::tr("looking up the host name \"%1\" took longer than the time-out").arg(host);
        return {};
    }
    const QHostInfo found = lookup->info;
    if (found.error() != QHostInfo::NoError || found.addresses().isEmpty()) {
        *why = TcpTransport::tr("the host name \"%1\" is not known (%2)").arg(host, found.errorString());
        return {};
    }
    return found.addresses();
}
} // namespace

TcpTransport::TcpTransport(const PortAddress &address) : m_address(address) {}

TcpTransport::~TcpTransport()
{
    close();
}

QString TcpTransport::serverName() const
{
    return (mbap() ? tr("the Modbus TCP device at %1") : tr("the device server at %1"))
        .arg(m_address.endpoint());
}

QString TcpTransport::noAnswerText() const
{
    return mbap() ? tr("no answer: %1 took the request, but neither it nor a device behind it answered")
                        .arg(serverName())
                  : tr("no answer: %1 took the request, but the device behind it did not answer")
                        .arg(serverName());
}

int TcpTransport::wireMs(int bytes) const
{
    const int baud = m_address.downstreamBaud;
    if (baud <= 0)
        return 0;
    // 8N1 characters, and the silence after the request and after the answer.
    const double silence = baud > 19200 ? 1.75 : 3.5 * 11 * 1000.0 / baud;
    return int(std::ceil(1000.0 * bytes * 10 / baud + 2 * silence));
}

bool TcpTransport::connected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void TcpTransport::drop()
{
    if (m_socket) {
        m_socket->abort();
        m_socket.reset();
    }
    m_pending.clear();
}

bool TcpTransport::open(QString *why)
{
    close();
    QString failure;
    if (!connectNow(&failure)) {
        if (why)
            *why = failure;
        return false;
    }
    m_open = true;
    return true;
}

void TcpTransport::close()
{
    drop();
    m_open = false;
    m_pauseMs = 0;
    m_retryAt = QDeadlineTimer();
}

bool TcpTransport::connectNow(QString *why)
{
    drop();
    const int timeout = m_address.answerWaitMs();
    const QDeadlineTimer deadline(timeout);
    QString reason;
    const QList<QHostAddress> addresses = lookUp(m_address.host, deadline, &reason);
    for (const QHostAddress &address : addresses) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(address, m_address.port);
        if (socket->waitForConnected(qMax(1, remainingMs(deadline)))) {
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
            m_socket = std::move(socket);
            m_pauseMs = 0;
            return true;
        }
        switch (socket->error()) {
        case QAbstractSocket::ConnectionRefusedError:
            reason = tr("it refuses the connection (nothing listens at port %1?)").arg(m_address.port);
            break;
        case QAbstractSocket::SocketTimeoutError:
        case QAbstractSocket::UnknownSocketError:
            reason = tr("no connection within %1 ms (switched off, on another network, or held back "
                        "by a firewall?)").arg(timeout);
            break;
        default:
            reason = socket->errorString();
            break;
        }
        socket->abort();
        if (deadline.hasExpired())
            break;
    }
    *why = tr("%1 cannot be reached: %2").arg(serverName(), reason);
    return false;
}

ModbusTransport::Ready TcpTransport::prepare(bool *unasked, QString *why)
{
    Q_UNUSED(unasked); // a late answer, not another master: dropped without a word
    if (connected()) {
        // Whatever came since the last answer (a late answer) is no answer to what comes now.
        while (m_socket->waitForReadyRead(0)) {
        }
        if (connected()) {
            m_socket->readAll();
            m_pending.clear();
            return Ready::Yes;
        }
    }
    if (m_socket) {
        // It ended since the last request: make it again at once.
        drop();
        m_retryAt = QDeadlineTimer();
    }
    if (!m_retryAt.hasExpired()) {
        *why = QStringLiteral("%1; the next try in %2 s")
                   .arg(m_failure, QString::number((remainingMs(m_retryAt) + 999) / 1000));
        return Ready::Unreachable;
    }
    if (connectNow(why)) {
        m_failure.clear();
        return Ready::Yes;
    }
    m_failure = *why;
    m_pauseMs = m_pauseMs == 0 ? FirstPauseMs : qMin(2 * m_pauseMs, LongestPauseMs);
    m_retryAt = QDeadlineTimer(m_pauseMs);
    return Ready::Unreachable;
}

bool TcpTransport::send(const QByteArray &request, QString *why)
{
    if (!connected() || request.size() < 4) {
        *why = QStringLiteral("%1: not connected").arg(serverName());
        return false;
    }
    QByteArray out;
    if (mbap()) {
        const QByteArray pdu = request.mid(1, request.size() - 3);
        ++m_transaction;
        const int length = pdu.size() + 1;
        const char header[MbapHeader] = {char(m_transaction >> 8), char(m_transaction & 0xFF), 0, 0,
                                         char(length >> 8), char(length & 0xFF), request.at(0)};
        out = QByteArray(header, MbapHeader) + pdu;
    } else {
        out = request;
    }
    m_socket->write(out);
    while (m_socket->bytesToWrite() > 0 && connected())
        if (!m_socket->waitForBytesWritten(m_address.answerWaitMs()))
            break;
    if (m_socket->bytesToWrite() > 0 || !connected()) {
        *why = tr("the connection to %1 ended before the request went out").arg(serverName());
        drop();
        return false;
    }
    m_sent.start();
    return true;
}

ModbusTransport::Received TcpTransport::lost(const QByteArray &partial)
{
    Received r;
    r.frame = partial;
    r.lost = true;
    r.note = partial.isEmpty()
        ? QStringLiteral("%1 closed the connection before it answered").arg(serverName())
        : QStringLiteral("%1 closed the connection in the middle of the answer (%2 bytes came)")
              .arg(serverName(), QString::number(partial.size()));
    drop();
    return r;
}

ModbusTransport::Received TcpTransport::receive(const QByteArray &request, int expected,
                                                const QDeadlineTimer &deadline)
{
    if (!connected())
        return lost(QByteArray());
    Q_UNUSED(request); // the answer's checks against it are the master's
    return mbap() ? receiveMbap(deadline) : receiveRtu(expected, deadline);
}

ModbusTransport::Received TcpTransport::receiveRtu(int expected, const QDeadlineTimer &deadline)
{
    Received r;
    while (!deadline.hasExpired()) {
        if (m_socket->bytesAvailable() == 0 && !m_socket->waitForReadyRead(qMax(1, remainingMs(deadline)))) {
            if (!connected())
                return lost(r.frame);
            continue;
        }
        if (r.frame.isEmpty())
            r.turnaroundMs = m_sent.nsecsElapsed() / 1e6;
        r.frame += m_socket->readAll();
        const bool exception = r.frame.size() >= 2 && (quint8(r.frame.at(1)) & 0x80);
        if (r.frame.size() >= (exception ? ModbusFrame::ExceptionAnswerSize : expected))
            break;
    }
    return r;
}

ModbusTransport::Received TcpTransport::receiveMbap(const QDeadlineTimer &deadline)
{
    for (;;) {
        while (m_pending.size() >= MbapHeader) {
            const auto word = [this](int at) { return quint16(quint8(m_pending.at(at)) << 8 | quint8(m_pending.at(at + 1))); };
            const int length = word(4);
            if (word(2) != 0 || length < 2 || length > 1 + MaxPdu) {
                // A stream out of step is not put back in step: it is given up, and the
                // next request makes a new connection.
                Received r;
                r.frame = m_pending;
                drop();
                m_retryAt = QDeadlineTimer();
                return r;
            }
            if (m_pending.size() < 6 + length)
                break;
            const quint16 transaction = word(0);
            const QByteArray frame = m_pending.left(6 + length);
            m_pending.remove(0, 6 + length);
            if (transaction != m_transaction)
                continue; // the late answer to an earlier request
            Received r;
            r.frame = ModbusFrame::appendCrc(frame.mid(6)); // unit id, PDU
            r.turnaroundMs = m_firstByteMs;
            return r;
        }
        if (deadline.hasExpired())
            break;
        if (m_socket->bytesAvailable() == 0 && !m_socket->waitForReadyRead(qMax(1, remainingMs(deadline)))) {
            if (!connected())
                return lost(m_pending);
            continue;
        }
        if (m_pending.isEmpty())
            m_firstByteMs = m_sent.nsecsElapsed() / 1e6;
        m_pending += m_socket->readAll();
    }
    Received r;
    r.frame = m_pending; // part of an answer, or nothing
    return r;
}

ModbusTransport::Ready TcpTransport::settle(int longestFrameMs, bool *unasked)
{
    if (!connected())
        return Ready::Yes; // the next request connects anew
    if (mbap()) {
        m_pending.clear();
        m_socket->readAll();
        return Ready::Yes;
    }
    const QDeadlineTimer limit(QuietLimitMs);
    const QDeadlineTimer longestFrame(longestFrameMs);
    while (m_socket->waitForReadyRead(DrainMs)) {
        m_socket->readAll();
        if (longestFrame.hasExpired())
            *unasked = true;
        if (limit.hasExpired())
            return Ready::Busy;
    }
    return Ready::Yes;
}
