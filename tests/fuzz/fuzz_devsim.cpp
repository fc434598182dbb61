// The device simulator's request handling: a byte stream is cut into requests as the
// simulator does, each one executed on a device; every answer is a whole frame with its CRC.
#include "tools/devsim/device.h"
#include "tools/devsim/rtu.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    DeviceConfig config;
    config.kind = Kind(data[0] & 3);
    config.initialised = data[0] & 4;
    Device device(config);
    device.powerOn();

    size_t at = 1;
    double seconds = 0;
    while (at < size) {
        size_t length = rtu::requestLength(data + at, size - at);
        if (length == 0 || length > size - at)
            length = size - at; // the rest ends at the silence after it
        const rtu::Frame request(data + at, data + at + length);
        at += length;
        seconds += 0.05;
        device.advance(seconds);
        const rtu::Frame reply = rtu::answer(request, device, 1);
        if (reply.size() < 5 || !rtu::crcMatches(reply))
            std::abort();
    }
    return 0;
}
