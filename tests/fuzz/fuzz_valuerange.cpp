// Value-range texts of the register map: the parser, the dialog's bounds and choices and
// the row rules take any text; what the parser accepts, it accepts consistently.
#include "data/valuerange.h"
#include "engine/replydecode.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 512)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));

    const ValueRange range = parseValueRange(text);
    if (range.isValid() && range.kind == ValueRange::Interval) {
        if (!range.accepts(range.minimum) || !range.accepts(range.maximum))
            std::abort();
        if (range.minimum > INT_MIN && range.accepts(range.minimum - 1))
            std::abort();
    }
    if (range.isValid() && range.kind == ValueRange::List) {
        for (int v : range.values)
            if (!range.accepts(v))
                std::abort();
    }
    if (range.isWritable() != (range.kind == ValueRange::List || range.kind == ValueRange::Interval))
        std::abort();

    (void)ReplyDecode::rangeBounds(text);
    if (ReplyDecode::isChoiceList(text) && ReplyDecode::rangeChoices(text).isEmpty())
        std::abort();
    (void)ReplyDecode::decimalOrZero(text);
    const int address = size > 1 ? (data[0] << 8 | data[1]) : 0;
    (void)ReplyDecode::rowTexts(text, address, text, text, text, QStringLiteral("Reserve"));
    (void)ReplyDecode::titleMatchesStart(text, text.left(4));
    return 0;
}
