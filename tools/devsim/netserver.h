// The simulator on the network: as a Modbus TCP device (MBAP header, transaction ids) or
// as a serial device server that passes RTU frames with their CRC over a TCP stream. Any
// number of clients; their requests share the one simulated line in the order they come.
#pragma once

#include "rtu.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct pollfd;

// Modbus TCP framing: a 7-byte header (transaction id, protocol id 0, the length of what
// follows, the unit id) before the PDU, and no CRC.
namespace mbap {
constexpr size_t HeaderSize = 7;
// The most a PDU may hold: an RTU frame's 256 bytes less address and CRC.
constexpr size_t MaxPdu = 253;

// Size of the frame at the start of buf, header included; 0 while its header is not all
// there. `bad` is set for a header no Modbus TCP client sends (protocol id not 0, a length
// that holds no function code or more than the longest PDU).
size_t frameLength(const uint8_t *buf, size_t available, bool &bad);
// The RTU frame of a Modbus TCP request: unit id, PDU and a CRC.
rtu::Frame toRtu(const uint8_t *frame, size_t length);
// The Modbus TCP answer to a request: its transaction and unit id, the PDU of the RTU
// answer (without address and CRC).
std::vector<uint8_t> fromRtu(const rtu::Frame &answer, uint16_t transaction, uint8_t unit);
} // namespace mbap

// Which client a request came from, and what its answer has to carry back.
struct Origin
{
    int client = -1; // -1: the pseudo-terminal
    uint64_t connection = 0; // tells a client from a later one on the same descriptor
    uint16_t transaction = 0;
    uint8_t unit = 0;
};

class NetServer
{
public:
    enum class Framing { Tcp, Rtu };
    using Clock = std::chrono::steady_clock;
    using Take = std::function<void(rtu::Frame, const Origin &)>;
    using Log = std::function<void(const std::string &)>;

    NetServer(Framing framing, Log log) : m_framing(framing), m_log(std::move(log)) {}
    ~NetServer() { closeAll(); }
    NetServer(const NetServer &) = delete;
    NetServer &operator=(const NetServer &) = delete;

    // "HOST:PORT", "[IPV6]:PORT"; port 0 takes a free one. `shown` is the address clients
    // open: tcp:// or rtu+tcp://, the host as given and the port bound.
    bool listen(const std::string &hostPort, std::string &shown, std::string &error);
    bool listening() const { return m_listener >= 0; }

    // The descriptors to wait on, appended to `fds`; handle() takes them back in that order.
    void addPollFds(std::vector<pollfd> &fds) const;
    // Accepts, reads and closes as the descriptors from `first` on say; every complete
    // request goes to `take`.
    void handle(const std::vector<pollfd> &fds, size_t first, const Take &take);
    // RTU framing: a frame of a function whose length is unknown ends at a silence of
    // `gap`. The earliest such end to wait for, or Clock::time_point::max().
    Clock::time_point nextGapEnd(Clock::duration gap) const;
    void endFramesAtGap(Clock::duration gap, const Take &take);

    // Sends an RTU answer to the client that asked, in its framing. `garble`: over Modbus
    // TCP, which has no CRC to break, the answer's last byte is changed instead.
    void send(const Origin &to, const rtu::Frame &answer, bool garble);
    // The device server goes away: no more listening, every client cut off.
    void closeAll();

private:
    struct Client
    {
        int fd = -1;
        uint64_t connection = 0;
        std::vector<uint8_t> rx;
        Clock::time_point lastByte;
    };
    void accept();
    void read(Client &client, const Take &take);
    void drop(Client &client, const char *why);

    Framing m_framing;
    Log m_log;
    int m_listener = -1;
    std::vector<Client> m_clients;
    uint64_t m_connections = 0;
};
