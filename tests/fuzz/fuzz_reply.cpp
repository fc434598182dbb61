// Decoding of reply arrays and identification blocks: any bytes, no read past their end,
// and a read reply built by the link decodes to what it was built from.
#include "engine/deviceinfo.h"
#include "engine/replydecode.h"
#include "link/connectionform.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1024)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    const int count = ReplyDecode::valueCount(bytes);
    (void)ReplyDecode::startAddress(bytes);
    (void)ReplyDecode::startAddressText(bytes);
    for (int i = -1; i <= count + 1; ++i)
        (void)ReplyDecode::valueText(ReplyDecode::valueAt(bytes, i),
                                     (i & 1) ? QStringLiteral("unsigned") : QStringLiteral("signed"));

    const DeviceInfo info = DeviceInfo::fromBlock(bytes);
    if (info.uniqueId.size() != 8)
        std::abort();
    (void)softwareVersionHasFullForceRange(info.softwareVersion);
    (void)modelLabelFor(info.modelKey);

    // Round trip: values taken from the input, start and count from its first bytes.
    QVector<quint16> values;
    for (size_t i = 3; i + 1 < size; i += 2)
        values.append(quint16(data[i] << 8 | data[i + 1]));
    const int start = size > 1 ? (data[0] << 8 | data[1]) : 0;
    const int n = size > 2 ? data[2] : 0;
    const QByteArray reply = LinkText::readReplyBytes(start, n, values);
    if (reply.size() != 3 + 2 * n || ReplyDecode::startAddress(reply) != start
        || ReplyDecode::valueCount(reply) != n)
        std::abort();
    for (int i = 0; i < n; ++i) {
        const quint16 expected = i < values.size() ? values.at(i) : 0;
        if (quint16(ReplyDecode::valueAt(reply, i)) != expected)
            std::abort();
    }
    return 0;
}
