#include "rtu.h"

namespace rtu {

uint16_t crc16(const uint8_t *data, size_t length)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

void appendCrc(Frame &frame)
{
    const uint16_t crc = crc16(frame.data(), frame.size());
    frame.push_back(uint8_t(crc & 0xFF));
    frame.push_back(uint8_t(crc >> 8));
}

bool crcMatches(const Frame &frame)
{
    if (frame.size() < 4)
        return false;
    const size_t n = frame.size() - 2;
    const uint16_t crc = crc16(frame.data(), n);
    return frame[n] == (crc & 0xFF) && frame[n + 1] == (crc >> 8);
}

size_t requestLength(const uint8_t *buf, size_t available)
{
    if (available < 2)
        return 0;
    switch (buf[1]) {
    case ReadHoldingRegisters:
    case WriteSingleRegister:
        return 8; // address, function, two words, CRC
    case WriteMultipleRegisters:
        if (available < 7)
            return 0;
        return 9 + size_t(buf[6]); // ... start, count, byte count, data, CRC
    default:
        return 0;
    }
}

static uint16_t word(const Frame &f, size_t at)
{
    return uint16_t(f[at] << 8 | f[at + 1]);
}

static void putWord(Frame &f, uint16_t v)
{
    f.push_back(uint8_t(v >> 8));
    f.push_back(uint8_t(v & 0xFF));
}

Frame exceptionReply(uint8_t address, uint8_t function, uint8_t code)
{
    Frame reply{address, uint8_t(function | 0x80), code};
    appendCrc(reply);
    return reply;
}

Frame answer(const Frame &request, Registers &registers, uint8_t replyAddress)
{
    const uint8_t function = request.size() > 1 ? request[1] : 0;
    const auto fail = [&](uint8_t code) { return exceptionReply(replyAddress, function, code); };
    const size_t pdu = request.size() >= 4 ? request.size() - 3 : 0; // function .. data

    switch (function) {
    case ReadHoldingRegisters: {
        if (pdu != 5)
            return fail(IllegalDataValue);
        const uint16_t start = word(request, 2);
        const uint16_t count = word(request, 4);
        if (count == 0 || count > MaxReadCount)
            return fail(IllegalDataValue);
        std::vector<uint16_t> values;
        if (const uint8_t code = registers.read(start, count, values))
            return fail(code);
        Frame reply{replyAddress, function, uint8_t(2 * count)};
        for (uint16_t v : values)
            putWord(reply, v);
        appendCrc(reply);
        return reply;
    }
    case WriteSingleRegister: {
        if (pdu != 5)
            return fail(IllegalDataValue);
        if (const uint8_t code = registers.write(word(request, 2), {word(request, 4)}))
            return fail(code);
        Frame reply(request.begin(), request.end() - 2); // the echo of the request
        reply[0] = replyAddress;
        appendCrc(reply);
        return reply;
    }
    case WriteMultipleRegisters: {
        if (pdu < 6)
            return fail(IllegalDataValue);
        const uint16_t start = word(request, 2);
        const uint16_t count = word(request, 4);
        const uint8_t bytes = request[6];
        if (count == 0 || count > MaxWriteCount || bytes != 2 * count || pdu != 6 + size_t(bytes))
            return fail(IllegalDataValue);
        std::vector<uint16_t> values;
        for (uint16_t i = 0; i < count; ++i)
            values.push_back(word(request, 7 + 2 * i));
        if (const uint8_t code = registers.write(start, values))
            return fail(code);
        Frame reply{replyAddress, function};
        putWord(reply, start);
        putWord(reply, count);
        appendCrc(reply);
        return reply;
    }
    default:
        return fail(IllegalFunction);
    }
}

} // namespace rtu
