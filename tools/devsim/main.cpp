// devsim: a simulated device, a Modbus-RTU slave on a pseudo-terminal. See --help.
#include "bus.h"
#include "device.h"
#include "netserver.h"
#include "options.h"
#include "replay.h"

#include <atomic>
#include "rtu.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <random>
#include <set>
#include <string>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int g_signalPipe[2] = {-1, -1};
// Raised with the pipe's 'q', for work that does not watch the pipe (reading a session).
std::atomic_bool g_ending{false};
std::atomic_int g_endingSignal{0};

void onSignal(int signo)
{
    const char code = signo == SIGUSR1 ? 'r' : signo == SIGUSR2 ? 'p' : 'q';
    if (code == 'q') {
        g_endingSignal = signo;
        g_ending = true;
    }
    const int saved = errno;
    (void)!write(g_signalPipe[1], &code, 1);
    errno = saved;
}

speed_t speedFlag(int baud)
{
    switch (baud) {
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
    }
}

int baudOf(speed_t flag)
{
    for (int baud : {4800, 9600, 19200, 38400, 57600, 115200, 230400})
        if (speedFlag(baud) == flag)
            return baud;
    return 0;
}

const char *parityName(uint16_t code)
{
    return code == ParityOdd ? "odd" : code == ParityEven ? "even" : "none";
}

std::string hex(const rtu::Frame &frame)
{
    std::string text;
    char byte[4];
    for (uint8_t b : frame) {
        std::snprintf(byte, sizeof byte, "%02X ", b);
        text += byte;
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

// Silence that ends a frame: 3.5 characters, at least 1.75 ms.
int frameGapMs(const LineSettings &line)
{
    const double chars = 3.5 * 11.0 / line.baud * 1000.0;
    return int(std::ceil(std::max(1.75, chars)));
}

double wireSeconds(size_t bytes, const LineSettings &line)
{
    return rtu::frameSeconds(bytes, line.baud, line.parity != ParityNone, line.stopBits);
}

double silenceSeconds(const LineSettings &line)
{
    return rtu::frameSilenceSeconds(line.baud, line.parity != ParityNone, line.stopBits);
}

Clock::time_point after(Clock::time_point t, double seconds)
{
    return t + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

struct Reply
{
    Clock::time_point due;
    rtu::Frame bytes;
    Origin to;            // the client that asked, when on the network
    bool garbled = false; // bytes changed on purpose
    std::vector<size_t> switching; // devices whose save changed their line settings:
                                   // they switch once this is out
    bool vanish = false;
};

class PtyDevice
{
public:
    PtyDevice(const Options &options, Replay *replay)
        : m_options(options), m_bus(options.devices), m_faults(options.device.seed ^ 0x9E3779B9u), m_replay(replay)
    {
        if (m_replay) {
            m_replay->attach(&m_bus.device(0));
            m_replay->setLoop(options.loop);
        }
    }

    int run();

private:
    bool openPty(std::string &error);
    bool listen(std::string &shown, std::string &error);
    void configureSlave();
    void closePty();
    void onReadable();
    void handle(rtu::Frame frame, const Origin &from = Origin());
    void logWrittenRegisters() const;
    bool lineMatches(const LineSettings &line, std::string &master) const;
    void occupyLine(size_t bytes, Clock::time_point now);
    // The line as a whole (its frame gap, the slave's settings): the first device's.
    const LineSettings &line() const { return m_bus.device(0).line(); }
    void sendDue();
    Clock::time_point held(Clock::time_point due) const;
    void vanishWhenRead();
    void onOpenedOrClosed();
    void log(const char *format, ...) const __attribute__((format(printf, 2, 3)));
    double deviceSeconds() const
    {
        return std::chrono::duration<double>(Clock::now() - m_start).count() * m_options.speedup;
    }
    double roll() { return double(m_faults() >> 8) / double(1u << 24); }

    const Options &m_options;
    Bus m_bus;
    std::mt19937 m_faults;
    Clock::time_point m_start = Clock::now();
    int m_master = -1;
    int m_slave = -1; // kept open: a master that closes the port must not leave us on hang-ups
    std::string m_slavePath;
    bool m_linked = false;
    rtu::Frame m_rx;
    Clock::time_point m_lastByte;
    Clock::time_point m_lineFreeAt; // --wire-time: end of the silence after the last frame
    std::deque<Reply> m_replies;
    long m_requests = 0;
    bool m_vanishing = false; // the last reply is out: gone once the master has read it
    bool m_vanishUnread = false;
    Clock::time_point m_vanishBy;
    int m_watch = -1; // opens and closes of the slave by masters
    bool m_vanished = false;
    std::set<std::pair<size_t, uint16_t>> m_written; // (device, register) that executed writes gave a value
    Replay *m_replay = nullptr;
    // On the network: the device server or Modbus TCP device, and its line to the devices,
    // which keeps the settings they started with.
    std::unique_ptr<NetServer> m_server;
    LineSettings m_downstream;
};

void PtyDevice::log(const char *format, ...) const
{
    if (!m_options.verbose)
        return;
    const double t = std::chrono::duration<double>(Clock::now() - m_start).count();
    std::fprintf(stderr, "devsim %9.3f ", t);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

bool PtyDevice::openPty(std::string &error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        error = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char *name = ptsname(m_master);
    if (!name) {
        error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    m_slavePath = name;
    m_slave = open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        error = m_slavePath + ": " + std::strerror(errno);
        return false;
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    configureSlave();
    // A serial port forgets what arrived while it was closed. The pseudo-terminal keeps it
    // (we hold the slave open), so drop unread replies whenever a master opens or closes.
    m_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch >= 0)
        inotify_add_watch(m_watch, m_slavePath.c_str(), IN_OPEN | IN_CLOSE);
    return true;
}

bool PtyDevice::listen(std::string &shown, std::string &error)
{
    m_downstream = line();
    m_server = std::make_unique<NetServer>(
        m_options.framing == "rtu" ? NetServer::Framing::Rtu : NetServer::Framing::Tcp,
        [this](const std::string &text) { log("%s", text.c_str()); });
    return m_server->listen(m_options.listen, shown, error);
}

void PtyDevice::onOpenedOrClosed()
{
    if (m_watch < 0)
        return;
    char events[4096];
    bool any = false;
    while (read(m_watch, events, sizeof events) > 0)
        any = true;
    if (any && m_slave >= 0 && !m_vanishing)
        tcflush(m_slave, TCIFLUSH);
}

// Raw mode and the device's own line settings, so that a master that leaves the port as
// it finds it is understood.
void PtyDevice::configureSlave()
{
    termios t{};
    if (tcgetattr(m_slave, &t) != 0)
        return;
    cfmakeraw(&t);
    const LineSettings &line = this->line();
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(PARENB | PARODD | CSTOPB);
    if (line.parity != ParityNone)
        t.c_cflag |= PARENB;
    if (line.parity == ParityOdd)
        t.c_cflag |= PARODD;
    if (line.stopBits == 2)
        t.c_cflag |= CSTOPB;
    cfsetispeed(&t, speedFlag(line.baud));
    cfsetospeed(&t, speedFlag(line.baud));
    tcsetattr(m_slave, TCSANOW, &t);
}

void PtyDevice::closePty()
{
    if (m_linked) {
        // Remove the link only while it still points to our terminal.
        char target[256] = {};
        const ssize_t n = readlink(m_options.link.c_str(), target, sizeof target - 1);
        if (n > 0 && m_slavePath == std::string(target, size_t(n)))
            unlink(m_options.link.c_str());
        m_linked = false;
    }
    if (m_watch >= 0)
        close(m_watch);
    if (m_slave >= 0)
        close(m_slave);
    if (m_master >= 0)
        close(m_master);
    m_slave = m_master = m_watch = -1;
}

// What the master side shows: baud rate, stop bits and odd parity (see --help).
bool PtyDevice::lineMatches(const LineSettings &line, std::string &master) const
{
    if (m_server) {
        char text[64];
        std::snprintf(text, sizeof text, "%d %s %d", m_downstream.baud, parityName(m_downstream.parity),
                      m_downstream.stopBits);
        master = std::string("device server at ") + text;
        return line.baud == m_downstream.baud && line.parity == m_downstream.parity
            && line.stopBits == m_downstream.stopBits;
    }
    termios t{};
    if (tcgetattr(m_master, &t) != 0)
        return true;
    const int baud = baudOf(cfgetospeed(&t));
    const bool odd = t.c_cflag & PARODD;
    const int stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    char text[64];
    std::snprintf(text, sizeof text, "%d %s %d", baud, odd ? "odd" : "none/even", stopBits);
    master = text;
    return baud == line.baud && odd == (line.parity == ParityOdd)
        && (m_options.lenientStopBits || stopBits == line.stopBits);
}

void PtyDevice::onReadable()
{
    uint8_t buf[512];
    const ssize_t n = read(m_master, buf, sizeof buf);
    if (n <= 0)
        return;
    m_rx.insert(m_rx.end(), buf, buf + n);
    m_lastByte = Clock::now();
    // Complete requests are taken as soon as their length is known; anything else
    // ends at the silence after it.
    while (!m_rx.empty()) {
        const size_t length = rtu::requestLength(m_rx.data(), m_rx.size());
        if (length == 0 || m_rx.size() < length)
            break;
        const rtu::Frame frame(m_rx.begin(), m_rx.begin() + long(length));
        m_rx.erase(m_rx.begin(), m_rx.begin() + long(length));
        handle(frame);
    }
    if (m_rx.size() > 2 * rtu::MaxFrameSize)
        m_rx.clear(); // noise
}

// A request that no device answers still holds the wire for its own length and the
// silence after it.
void PtyDevice::occupyLine(size_t bytes, Clock::time_point now)
{
    if (m_options.wireTime)
        m_lineFreeAt = after(std::max(now, m_lineFreeAt), wireSeconds(bytes, line()) + silenceSeconds(line()));
}

void PtyDevice::handle(rtu::Frame frame, const Origin &from)
{
    const auto now = Clock::now();
    // The master's own adapter returns what it sent, whoever it was for and whatever the
    // line does to it on the way.
    if (m_options.echo) {
        Reply echo;
        echo.due = held(now);
        echo.bytes = frame;
        echo.to = from;
        m_replies.push_back(std::move(echo));
    }
    // Faults of the line before the devices: a request none of them sees, or one that
    // reaches them with a byte changed (one byte in error is always caught by the CRC). The
    // request is taken whole first; on a real line a changed byte count could cut it
    // elsewhere, which is ignored just the same. Either way it held the wire.
    if (m_options.loseRequests > 0 && roll() < m_options.loseRequests) {
        log("x %s (lost on the line: never seen by the device)", hex(frame).c_str());
        occupyLine(frame.size(), now);
        return;
    }
    bool corrupted = false;
    if (m_options.corruptRequests > 0 && roll() < m_options.corruptRequests && !frame.empty()) {
        frame[m_faults() % frame.size()] ^= uint8_t(1 + m_faults() % 255);
        corrupted = true;
    }
    m_bus.advance(deviceSeconds());
    log("> %s%s", hex(frame).c_str(), corrupted ? " (corrupted on the line)" : "");

    // Only the devices whose settings match the master's hear the request at all.
    std::vector<size_t> listening;
    for (size_t i : m_bus.addressedBy(frame[0])) {
        std::string master;
        const LineSettings &l = m_bus.device(i).line();
        if (lineMatches(l, master))
            listening.push_back(i);
        else
            log("  master line %s, device %d at %d %s %d: no answer", master.c_str(), l.address, l.baud,
                parityName(l.parity), l.stopBits);
    }
    if (listening.empty()) {
        occupyLine(frame.size(), now); // another device's request
        return;
    }
    if (!rtu::crcMatches(frame)) {
        log("  bad CRC: no answer");
        occupyLine(frame.size(), now);
        return;
    }
    const uint8_t to = frame[0];
    Device &device = m_bus.device(listening.front());
    const uint8_t own = device.line().address;
    ++m_requests;

    // Being repeatable needs both draws on every request, used or not. The later faults
    // draw only when asked for, so that runs without them repeat as they always did.
    const bool drop = roll() < m_options.drop;
    const bool corrupt = roll() < m_options.badCrc;
    const bool refuse = m_options.exceptions > 0 && roll() < m_options.exceptions;
    double lateBy = 0;
    if (m_options.late > 0) {
        const bool late = roll() < m_options.late;
        const double by = 0.1 + 0.1 * roll();
        lateBy = late ? by : 0;
    }

    Reply reply;
    reply.to = from;
    if (m_options.exception || refuse) {
        const int code = m_options.exception ? m_options.exception : rtu::DeviceFailure;
        reply.bytes = rtu::exceptionReply(own, frame[1], uint8_t(code));
        log("  exception %02X: not executed", code);
    } else {
        if (m_replay)
            m_replay->setTime(deviceSeconds());
        // A replay serves one recorded device, never a bus (the options refuse that).
        reply.bytes = m_replay ? rtu::answer(frame, *m_replay, own) : rtu::answer(frame, device, own);
        for (size_t k = 1; k < listening.size(); ++k)
            rtu::answer(frame, m_bus.device(listening[k]), m_bus.device(listening[k]).line().address);
        const uint8_t function = frame[1];
        if ((function == rtu::WriteSingleRegister || function == rtu::WriteMultipleRegisters)
            && reply.bytes.size() > 1 && reply.bytes[1] == function) {
            const uint16_t start = uint16_t(frame[2] << 8 | frame[3]);
            const int count = function == rtu::WriteSingleRegister ? 1 : (frame[4] << 8 | frame[5]);
            for (size_t i : listening)
                for (int k = 0; k < count; ++k)
                    m_written.insert({i, uint16_t(start + k)});
        }
        if (listening.size() > 1 && to != rtu::BroadcastAddress && !reply.bytes.empty()) {
            // Every device talks at once: what the master hears is no frame of any of them.
            log("  %zu devices answer at once: garbled", listening.size());
            reply.bytes.back() ^= 0xFF;
            reply.garbled = true;
        }
    }
    for (size_t i : listening)
        if (m_bus.device(i).takeLineChange())
            reply.switching.push_back(i);
    reply.vanish = m_options.vanishAfter > 0 && m_requests == m_options.vanishAfter;

    if (to == rtu::BroadcastAddress || drop) {
        log(to == rtu::BroadcastAddress ? "  broadcast: no answer" : "  reply dropped");
        reply.bytes.clear();
    } else if (corrupt) {
        reply.bytes.back() ^= 0x5A;
        reply.garbled = true;
    }
    const double delay = device.delayMs() / 1000.0 + lateBy;
    if (m_options.wireTime) {
        // One wire: a request goes out no sooner than the silence after the frame before it
        // has passed, the answer starts once the silence after the request has, and the
        // silence after the answer keeps the line busy for the next request.
        const LineSettings &line = device.line();
        const Clock::time_point start = std::max(now, m_lineFreeAt);
        const Clock::time_point heard = after(start, wireSeconds(frame.size(), line) + silenceSeconds(line));
        reply.due = after(heard, delay + wireSeconds(reply.bytes.size(), line));
        m_lineFreeAt = after(reply.due, reply.bytes.empty() ? 0.0 : silenceSeconds(line));
    } else {
        reply.due = after(now, delay);
    }
    reply.due = held(reply.due);
    m_replies.push_back(std::move(reply));
    sendDue();
}

// A latency timer hands bytes over only when it runs out: at the next boundary.
Clock::time_point PtyDevice::held(Clock::time_point due) const
{
    if (m_options.holdMs <= 0)
        return due;
    const auto hold = std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(m_options.holdMs));
    const auto since = due - m_start;
    return m_start + ((since + hold - Clock::duration(1)) / hold) * hold;
}

// The device's state at the end, for whoever checks what it was told: "holds 0104=0012 ...".
void PtyDevice::logWrittenRegisters() const
{
    // One line a device, in the order of its ID on the bus; a lone device's line has no ID.
    for (size_t i = 0; i < m_bus.size(); ++i) {
        std::string text;
        char item[16];
        for (const auto &[device, address] : m_written)
            if (device == i) {
                std::snprintf(item, sizeof item, " %04X=%04X", address, m_bus.device(i).reg(address));
                text += item;
            }
        if (text.empty())
            continue;
        if (m_bus.size() == 1)
            log("  holds%s", text.c_str());
        else
            log("  device %d holds%s", m_bus.device(i).line().address, text.c_str());
    }
}

void PtyDevice::sendDue()
{
    const auto now = Clock::now();
    while (!m_replies.empty() && m_replies.front().due <= now) {
        const Reply reply = std::move(m_replies.front());
        m_replies.pop_front();
        if (!reply.bytes.empty() && m_server) {
            m_server->send(reply.to, reply.bytes, reply.garbled);
            log("< %s", hex(reply.bytes).c_str());
        } else if (!reply.bytes.empty() && m_master >= 0) {
            // The master that sent this request opened the port before it did: take
            // that open now, or it would flush its own reply once it is noticed.
            onOpenedOrClosed();
            const ssize_t n = write(m_master, reply.bytes.data(), reply.bytes.size());
            log("< %s%s", hex(reply.bytes).c_str(), n == ssize_t(reply.bytes.size()) ? "" : " (not written)");
        }
        for (size_t i : reply.switching) {
            m_bus.device(i).applySavedLine();
            const LineSettings &l = m_bus.device(i).line();
            log("  now at address %d, %d %s %d", l.address, l.baud, parityName(l.parity), l.stopBits);
        }
        if (reply.vanish && !m_vanishing) {
            m_vanishing = true;
            m_vanishBy = now + std::chrono::seconds(1);
        }
    }
    vanishWhenRead();
}

// Closes the pseudo-terminal once the last reply has been read, or a second after it
// went out if no one reads it.
void PtyDevice::vanishWhenRead()
{
    if (!m_vanishing || m_vanished)
        return;
    if (m_server) {
        // The answer went out with the write; what the client reads is its own affair.
        log("  vanishing after %ld requests", m_requests);
        m_server->closeAll();
        m_vanished = true;
        m_replies.clear();
        return;
    }
    // The reply reaches the slave's queue a little after the write.
    int unread = 0;
    ioctl(m_slave, FIONREAD, &unread);
    m_vanishUnread = m_vanishUnread || unread > 0;
    if ((!m_vanishUnread || unread > 0) && Clock::now() < m_vanishBy)
        return;
    log("  vanishing after %ld requests", m_requests);
    closePty();
    m_vanished = true;
    m_replies.clear();
    m_rx.clear();
}

int PtyDevice::run()
{
    std::string error;
    std::string shown;
    m_bus.setStateFile(m_options.stateFile);
    if (!m_bus.loadState(error) || !(m_options.listen.empty() ? openPty(error) : listen(shown, error))) {
        std::fprintf(stderr, "devsim: %s\n", error.c_str());
        closePty();
        return 1;
    }
    m_bus.powerOn();

    if (!m_server)
        shown = m_slavePath;
    if (!m_options.link.empty()) {
        const std::string &link = m_options.link;
        for (size_t slash = link.find('/', 1); slash != std::string::npos; slash = link.find('/', slash + 1))
            mkdir(link.substr(0, slash).c_str(), 0755);
        struct stat st{};
        if (lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            unlink(link.c_str()); // left behind by an earlier run
        if (symlink(m_slavePath.c_str(), link.c_str()) != 0) {
            std::fprintf(stderr, "devsim: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
            closePty();
            return 1;
        }
        m_linked = true;
        shown = link;
    }
    std::printf("%s\n", shown.c_str());
    std::fflush(stdout);
    for (size_t i = 0; i < m_bus.size(); ++i) {
        const LineSettings &l = m_bus.device(i).line();
        log("%s %04X at address %d, %d %s %d on %s", kindName(m_options.devices[i].kind),
            m_options.devices[i].model, l.address, l.baud, parityName(l.parity), l.stopBits,
            m_server ? shown.c_str() : m_slavePath.c_str());
    }
    const NetServer::Take take = [this](rtu::Frame frame, const Origin &from) { handle(std::move(frame), from); };

    for (;;) {
        // In microseconds: a reply goes out when it is due, not at the next millisecond.
        long long timeout = -1;
        const auto now = Clock::now();
        auto until = [&](Clock::time_point t) {
            const auto us = std::chrono::ceil<std::chrono::microseconds>(t - now).count();
            const long long wait = std::max<long long>(0, us);
            timeout = timeout < 0 ? wait : std::min(timeout, wait);
        };
        if (!m_replies.empty())
            until(m_replies.front().due);
        if (!m_rx.empty())
            until(m_lastByte + std::chrono::milliseconds(frameGapMs(line())));
        const auto gap = std::chrono::milliseconds(frameGapMs(line()));
        if (m_server && m_server->nextGapEnd(gap) != Clock::time_point::max())
            until(m_server->nextGapEnd(gap));
        if (m_vanishing && !m_vanished)
            timeout = timeout < 0 ? 5000 : std::min(timeout, 5000LL);

        const bool listening = m_master >= 0 && !m_vanishing;
        const bool serving = m_server && m_server->listening() && !m_vanishing;
        std::vector<pollfd> fds{{g_signalPipe[0], POLLIN, 0}, {m_watch, POLLIN, 0}, {m_master, POLLIN, 0}};
        if (!listening)
            fds.resize(1);
        const size_t firstNet = fds.size();
        if (serving)
            m_server->addPollFds(fds);
        const timespec span{time_t(timeout / 1000000), long(timeout % 1000000) * 1000};
        if (ppoll(fds.data(), nfds_t(fds.size()), timeout < 0 ? nullptr : &span, nullptr) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN) {
            char codes[16];
            const ssize_t n = read(g_signalPipe[0], codes, sizeof codes);
            bool quit = false;
            for (ssize_t i = 0; i < n; ++i) {
                m_bus.advance(deviceSeconds());
                if (codes[i] == 'r') {
                    log("  object taken away");
                    m_bus.removeObject();
                } else if (codes[i] == 'p') {
                    log("  object put back");
                    m_bus.restoreObject();
                } else {
                    quit = true;
                }
            }
            if (quit)
                break;
        }
        // Opens and closes first: a request that follows an open is never flushed away.
        if (listening && (fds[1].revents & POLLIN))
            onOpenedOrClosed();
        if (listening && (fds[2].revents & POLLIN))
            onReadable();
        if (serving) {
            m_server->handle(fds, firstNet, take);
            m_server->endFramesAtGap(gap, take);
        }
        if (!m_rx.empty()
            && Clock::now() - m_lastByte >= std::chrono::milliseconds(frameGapMs(line()))) {
            const rtu::Frame frame = std::move(m_rx);
            m_rx.clear();
            handle(frame);
        }
        sendDue();
    }
    logWrittenRegisters();
    closePty();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    std::string error;
    switch (parseOptions(argc, argv, options, error)) {
    case ParseResult::Help:
        std::fputs(helpText(), stdout);
        return 0;
    case ParseResult::Version:
        std::printf("grivant-devsim %s\n", GRIVANT_VERSION);
        return 0;
    case ParseResult::Error:
        std::fprintf(stderr, "devsim: %s (see --help)\n", error.c_str());
        return 2;
    case ParseResult::Run:
        break;
    }

    if (pipe(g_signalPipe) != 0)
        return 1;
    for (int fd : g_signalPipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signo : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2})
        sigaction(signo, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    // End with the program that started us, as on SIGTERM: a test that crashes must not
    // leave its simulator holding the test's output, which its runner would wait on.
    const pid_t parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        return 0;

    Replay replay;
    if (!options.replayFile.empty()) {
        std::vector<std::string> notes;
        if (!replay.load(options.replayFile, error, notes, &g_ending)) {
            std::fprintf(stderr, "devsim: %s\n", error.c_str());
            return g_ending ? 128 + g_endingSignal : 2;
        }
        for (const std::string &note : notes)
            std::fprintf(stderr, "devsim: %s\n", note.c_str());
        if (!replay.identify(options.device, options, error) || !replay.identify(options.devices.front(), options, error)) {
            std::fprintf(stderr, "devsim: %s\n", error.c_str());
            return 2;
        }
    }
    PtyDevice device(options, options.replayFile.empty() ? nullptr : &replay);
    return device.run();
}
