// A compiled translation as a planted or damaged file brings it: whatever the check lets
// through, Qt's translator loads and looks up without reading outside the data.
#include "app/translation.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(Translation::MaxFileSize))
        return 0;
    // Not copied: the fuzzer's buffer ends exactly where the data does, so the address
    // sanitizer sees a read of a single byte beyond it.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    if (!Translation::isSound(bytes))
        return 0;
    QTranslator translator;
    if (!translator.load(data, int(size)))
        return 0;
    // The texts of the seeds, so that lookups find their messages after small mutations.
    for (const char *context : {"MainWindow", "ConnectionForm", "X"})
        for (const char *text : {"Initialize", "Notice", "%n register(s)", "Search", "Auto-Connect", ""})
            for (const char *comment : {static_cast<const char *>(nullptr), "title"})
                for (int n : {-1, 1, 2, 5})
                    translator.translate(context, text, comment, n);
    return 0;
}
