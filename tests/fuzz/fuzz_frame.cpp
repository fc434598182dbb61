// The scanner's frame and CRC helpers and its checks of an answer, against the device
// simulator's own CRC: any bytes are judged without reading past their end, and an answer
// that is accepted really is an intact read answer.
#include "link/modbusframe.h"
#include "tools/devsim/rtu.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    if (ModbusFrame::crc16(bytes) != rtu::crc16(data, size))
        std::abort();
    const rtu::Frame frame(data, data + size);
    if (size != 3 && ModbusFrame::crcMatches(bytes) != rtu::crcMatches(frame))
        std::abort();
    if (size > 0 && !ModbusFrame::crcMatches(ModbusFrame::appendCrc(bytes)))
        std::abort();

    // The first byte picks the register count the answer is judged for.
    const int count = size > 0 ? data[0] % 130 : 1;
    const ModbusFrame::AnswerCheck check = ModbusFrame::checkReadAnswer(bytes, count);
    if (check == ModbusFrame::AnswerCheck::Accepted) {
        if (bytes.size() != ModbusFrame::readAnswerSize(count) || quint8(bytes.at(1)) != 0x03)
            std::abort();
        if (count == ModbusFrame::DeviceInfoCount
            && ModbusFrame::identificationBlock(bytes).size() != 2 * ModbusFrame::DeviceInfoCount)
            std::abort();
    }
    (void)ModbusFrame::reportedAddress(bytes);
    (void)ModbusFrame::identificationBlock(bytes);

    const QByteArray probe = ModbusFrame::probeRequest(size > 1 ? data[1] : 0);
    if (probe.size() != 8 || !ModbusFrame::crcMatches(probe))
        std::abort();
    return 0;
}
