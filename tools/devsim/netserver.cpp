#include "netserver.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mbap {

size_t frameLength(const uint8_t *buf, size_t available, bool &bad)
{
    bad = false;
    if (available < HeaderSize)
        return 0;
    const unsigned protocol = unsigned(buf[2] << 8 | buf[3]);
    const size_t length = size_t(buf[4] << 8 | buf[5]); // unit id and PDU
    if (protocol != 0 || length < 2 || length > 1 + MaxPdu) {
        bad = true;
        return 0;
    }
    return 6 + length;
}

rtu::Frame toRtu(const uint8_t *frame, size_t length)
{
    rtu::Frame out(frame + 6, frame + length); // unit id, PDU
    rtu::appendCrc(out);
    return out;
}

std::vector<uint8_t> fromRtu(const rtu::Frame &answer, uint16_t transaction, uint8_t unit)
{
    const size_t pdu = answer.size() >= 4 ? answer.size() - 3 : 0;
    std::vector<uint8_t> out;
    out.reserve(HeaderSize + pdu);
    for (uint8_t b : {uint8_t(transaction >> 8), uint8_t(transaction & 0xFF), uint8_t(0), uint8_t(0),
                      uint8_t((pdu + 1) >> 8), uint8_t((pdu + 1) & 0xFF), unit})
        out.push_back(b);
    for (size_t i = 0; i < pdu; ++i)
        out.push_back(answer[1 + i]);
    return out;
}

} // namespace mbap

namespace {

void noDelay(int fd)
{
    // Every answer is one small write that the client waits for: never hold it back to
    // gather more.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

} // namespace

bool NetServer::listen(const std::string &hostPort, std::string &shown, std::string &error)
{
    std::string host;
    std::string port;
    if (!hostPort.empty() && hostPort[0] == '[') {
        const size_t close = hostPort.find(']');
        if (close == std::string::npos || close + 1 >= hostPort.size() || hostPort[close + 1] != ':') {
            error = "--listen: write an IPv6 address as [ADDRESS]:PORT";
            return false;
        }
        host = hostPort.substr(1, close - 1);
        port = hostPort.substr(close + 2);
    } else {
        const size_t colon = hostPort.rfind(':');
        if (colon == std::string::npos || hostPort.find(':') != colon) {
            error = "--listen: HOST:PORT, such as 127.0.0.1:1502 (an IPv6 address in brackets)";
            return false;
        }
        host = hostPort.substr(0, colon);
        port = hostPort.substr(colon + 1);
    }
    if (host.empty() || port.empty() || port.find_first_not_of("0123456789") != std::string::npos
        || port.size() > 5 || std::stoi(port) > 65535) {
        error = "--listen: HOST:PORT with a port 0 to 65535 (0: any free one)";
        return false;
    }

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo *found = nullptr;
    if (const int rc = getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0) {
        error = "--listen " + hostPort + ": " + gai_strerror(rc);
        return false;
    }
    int fd = -1;
    int lastErrno = 0;
    for (addrinfo *a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0)
            continue;
        // Another simulator may take the port over at once when this one ends.
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 16) != 0) {
            lastErrno = errno;
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd < 0) {
        error = "--listen " + hostPort + ": " + std::strerror(lastErrno ? lastErrno : EADDRNOTAVAIL);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr *>(&bound), &size);
    const int boundPort = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6 &>(bound).sin6_port)
                                                      : ntohs(reinterpret_cast<sockaddr_in &>(bound).sin_port);
    const bool v6 = host.find(':') != std::string::npos;
    shown = std::string(m_framing == Framing::Tcp ? "tcp://" : "rtu+tcp://") + (v6 ? "[" + host + "]" : host) + ":"
            + std::to_string(boundPort);
    m_listener = fd;
    return true;
}

void NetServer::addPollFds(std::vector<pollfd> &fds) const
{
    fds.push_back({m_listener, POLLIN, 0});
    for (const Client &c : m_clients)
        fds.push_back({c.fd, POLLIN, 0});
}

void NetServer::handle(const std::vector<pollfd> &fds, size_t first, const Take &take)
{
    if (first >= fds.size())
        return;
    const size_t clients = m_clients.size(); // those polled; accept() adds after them
    for (size_t i = 0; i < clients && first + 1 + i < fds.size(); ++i) {
        Client &c = m_clients[i];
        const short revents = fds[first + 1 + i].revents;
        if (c.fd >= 0 && fds[first + 1 + i].fd == c.fd && (revents & (POLLIN | POLLHUP | POLLERR)))
            read(c, take);
    }
    if (fds[first].revents & POLLIN)
        accept();
    m_clients.erase(std::remove_if(m_clients.begin(), m_clients.end(), [](const Client &c) { return c.fd < 0; }),
                    m_clients.end());
}

void NetServer::accept()
{
    for (;;) {
        const int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        noDelay(fd);
        Client c;
        c.fd = fd;
        c.connection = ++m_connections;
        m_clients.push_back(c);
        m_log("  client " + std::to_string(c.connection) + " connected");
    }
}

void NetServer::drop(Client &client, const char *why)
{
    if (client.fd < 0)
        return;
    m_log("  client " + std::to_string(client.connection) + " " + why);
    close(client.fd);
    client.fd = -1;
    client.rx.clear();
}

void NetServer::read(Client &c, const Take &take)
{
    uint8_t buf[1024];
    const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        drop(c, "left");
        return;
    }
    if (n < 0)
        return;
    c.rx.insert(c.rx.end(), buf, buf + n);
    c.lastByte = Clock::now();
    Origin origin;
    origin.client = c.fd;
    origin.connection = c.connection;
    while (!c.rx.empty() && c.fd >= 0) {
        if (m_framing == Framing::Tcp) {
            bool bad = false;
            const size_t length = mbap::frameLength(c.rx.data(), c.rx.size(), bad);
            if (bad) {
                // A stream out of step cannot be put back in step: a server closes it.
                drop(c, "sent a header no Modbus TCP client sends: connection closed");
                return;
            }
            if (length == 0 || c.rx.size() < length)
                break;
            origin.transaction = uint16_t(c.rx[0] << 8 | c.rx[1]);
            origin.unit = c.rx[6];
            rtu::Frame frame = mbap::toRtu(c.rx.data(), length);
            c.rx.erase(c.rx.begin(), c.rx.begin() + long(length));
            take(std::move(frame), origin);
        } else {
            const size_t length = rtu::requestLength(c.rx.data(), c.rx.size());
            if (length == 0 || c.rx.size() < length)
                break;
            rtu::Frame frame(c.rx.begin(), c.rx.begin() + long(length));
            c.rx.erase(c.rx.begin(), c.rx.begin() + long(length));
            take(std::move(frame), origin);
        }
    }
    if (c.rx.size() > 2 * rtu::MaxFrameSize)
        c.rx.clear(); // noise
}

NetServer::Clock::time_point NetServer::nextGapEnd(Clock::duration gap) const
{
    Clock::time_point next = Clock::time_point::max();
    if (m_framing == Framing::Rtu)
        for (const Client &c : m_clients)
            if (c.fd >= 0 && !c.rx.empty())
                next = std::min(next, c.lastByte + gap);
    return next;
}

void NetServer::endFramesAtGap(Clock::duration gap, const Take &take)
{
    if (m_framing != Framing::Rtu)
        return;
    const auto now = Clock::now();
    for (Client &c : m_clients) {
        if (c.fd < 0 || c.rx.empty() || now - c.lastByte < gap)
            continue;
        Origin origin;
        origin.client = c.fd;
        origin.connection = c.connection;
        rtu::Frame frame = std::move(c.rx);
        c.rx.clear();
        take(std::move(frame), origin);
    }
}

void NetServer::send(const Origin &to, const rtu::Frame &answer, bool garble)
{
    auto it = std::find_if(m_clients.begin(), m_clients.end(),
                           [&](const Client &c) { return c.fd == to.client && c.connection == to.connection; });
    if (it == m_clients.end() || answer.empty())
        return; // the client has gone
    std::vector<uint8_t> bytes = m_framing == Framing::Tcp ? mbap::fromRtu(answer, to.transaction, to.unit) : answer;
    if (garble && m_framing == Framing::Tcp && bytes.size() > mbap::HeaderSize)
        bytes.back() ^= 0x5A;
    const ssize_t n = ::send(it->fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n != ssize_t(bytes.size()))
        drop(*it, "does not read its answers: connection closed");
}

void NetServer::closeAll()
{
    for (Client &c : m_clients)
        if (c.fd >= 0)
            close(c.fd);
    m_clients.clear();
    if (m_listener >= 0)
        close(m_listener);
    m_listener = -1;
}
