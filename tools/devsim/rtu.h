// Modbus-RTU framing for the simulated device: CRC, request boundaries and the answer
// to one request. Free of any I/O so that the tests can call it directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rtu {

using Frame = std::vector<uint8_t>;

enum Function : uint8_t {
    ReadHoldingRegisters = 0x03,
    WriteSingleRegister = 0x06,
    WriteMultipleRegisters = 0x10,
};

enum Exception : uint8_t {
    IllegalFunction = 0x01,
    IllegalDataAddress = 0x02,
    IllegalDataValue = 0x03,
    DeviceFailure = 0x04,
};

constexpr uint8_t BroadcastAddress = 0;
constexpr uint8_t AnyDeviceAddress = 255;
constexpr uint16_t MaxReadCount = 125;
constexpr uint16_t MaxWriteCount = 123;
constexpr size_t MaxFrameSize = 256;

// Time on a serial line. A character is a start bit, 8 data bits, the parity bit when
// parity is on, and the stop bits; every frame ends with a silence of 3.5 characters,
// which above 19200 baud is fixed at 1.75 ms.
constexpr int characterBits(bool parity, int stopBits)
{
    return 1 + 8 + (parity ? 1 : 0) + stopBits;
}

constexpr double frameSilenceSeconds(int baud, bool parity, int stopBits)
{
    return baud > 19200 ? 0.00175 : 3.5 * characterBits(parity, stopBits) / baud;
}

constexpr double frameSeconds(size_t bytes, int baud, bool parity, int stopBits)
{
    return double(bytes) * characterBits(parity, stopBits) / baud;
}

// The fastest a line carries one request and its answer, each frame with its silence:
// the most transactions a master can make per second is the inverse.
constexpr double transactionSeconds(size_t requestBytes, size_t replyBytes, int baud, bool parity,
                                    int stopBits)
{
    return frameSeconds(requestBytes + replyBytes, baud, parity, stopBits)
        + 2 * frameSilenceSeconds(baud, parity, stopBits);
}

// CRC-16 of Modbus (reflected polynomial 0xA001, start 0xFFFF).
uint16_t crc16(const uint8_t *data, size_t length);
// Appends the CRC, low byte first.
void appendCrc(Frame &frame);
// True when the frame is at least 4 bytes long and ends with its correct CRC.
bool crcMatches(const Frame &frame);

// Size of the request at the start of buf, told from its function code and, for a
// multiple write, its byte count. 0 when the size cannot be told (yet): an unknown
// function, or fewer bytes than needed to see the byte count. Such frames end at the
// silence between frames instead.
size_t requestLength(const uint8_t *buf, size_t available);

// The register store behind the answers. Both return 0 or a Modbus exception code.
class Registers
{
public:
    virtual ~Registers() = default;
    virtual uint8_t read(uint16_t start, uint16_t count, std::vector<uint16_t> &values) = 0;
    virtual uint8_t write(uint16_t start, const std::vector<uint16_t> &values) = 0;
};

// Executes one request (CRC checked, address accepted by the caller) and builds the
// reply, CRC included, with replyAddress in its first byte.
Frame answer(const Frame &request, Registers &registers, uint8_t replyAddress);

Frame exceptionReply(uint8_t address, uint8_t function, uint8_t code);

} // namespace rtu
