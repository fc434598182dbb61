#include "data/strictjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <algorithm>
#include <cstring>
#include <vector>

namespace StrictJson {

bool repeatedKey(const QByteArray &json, QString *key, int *offset)
{
    // The keys of an object so far: as their bytes while they are few and have no escapes
    // (compared without making a text of each), decoded once one has escapes or they are
    // many.
    struct Level
    {
        bool object = false;
        bool expectKey = false;
        std::vector<std::pair<int, int>> raw; // offset and length in `json`
        QSet<QString> keys;
        bool decoded = false;
    };
    constexpr size_t FewKeys = 32;
    std::vector<Level> levels;
    const auto text = [&json](int from, int length) { return QString::fromUtf8(json.constData() + from, length); };
    for (int i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (c == '{' || c == '[') {
            levels.push_back(Level{c == '{', c == '{', {}, {}, false});
        } else if (c == '}' || c == ']') {
            if (!levels.empty())
                levels.pop_back();
        } else if (c == ',') {
            if (!levels.empty() && levels.back().object)
                levels.back().expectKey = true;
        } else if (c == '"') {
            const int start = i;
            for (++i; i < json.size() && json.at(i) != '"'; ++i)
                if (json.at(i) == '\\')
                    ++i;
            if (levels.empty() || !levels.back().object || !levels.back().expectKey)
                continue;
            Level &level = levels.back();
            level.expectKey = false;
            const int first = start + 1;
            const int length = std::max(0, std::min(i, json.size()) - first);
            const bool escaped = std::memchr(json.constData() + first, '\\', size_t(length)) != nullptr;
            if (!level.decoded && !escaped && level.raw.size() < FewKeys) {
                for (const auto &[at, size] : level.raw) {
                    if (size == length && std::memcmp(json.constData() + at, json.constData() + first, size_t(length)) == 0) {
                        *key = text(first, length);
                        *offset = start;
                        return true;
                    }
                }
                level.raw.emplace_back(first, length);
                continue;
            }
            if (!level.decoded) {
                for (const auto &[at, size] : level.raw)
                    level.keys.insert(text(at, size));
                level.raw.clear();
                level.decoded = true;
            }
            // A key with escapes is decoded by the reader itself, so that "a" and "\u0061"
            // are one key. A lone string in an array holds no key, so that parse cannot meet
            // a repeat itself.
            const QString k = escaped ? QJsonDocument::fromJson('[' + json.mid(start, i - start + 1) + ']').array().at(0).toString()
                                      : text(first, length);
            if (level.keys.contains(k)) {
                *key = k;
                *offset = start;
                return true;
            }
            level.keys.insert(k);
        }
    }
    return false;
}

} // namespace StrictJson
