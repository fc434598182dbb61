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
    struct Level
    {
        bool object = false;
        bool expectKey = false;
        QSet<QString> keys;
    };
    std::vector<Level> levels;
    for (int i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (c == '{' || c == '[') {
            levels.push_back(Level{c == '{', c == '{', {}});
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
            levels.back().expectKey = false;
            // A key without escapes is its bytes; one with them is decoded by the reader
            // itself, so that "a" and "\u0061" are one key. A lone string in an array holds
            // no key, so that parse cannot meet a repeat itself.
            const char *first = json.constData() + start + 1;
            const int length = std::max(0, std::min(i, json.size()) - start - 1);
            const QString k = std::memchr(first, '\\', size_t(length)) == nullptr
                                  ? QString::fromUtf8(first, length)
                                  : QJsonDocument::fromJson('[' + json.mid(start, i - start + 1) + ']').array().at(0).toString();
            if (levels.back().keys.contains(k)) {
                *key = k;
                *offset = start;
                return true;
            }
            levels.back().keys.insert(k);
        }
    }
    return false;
}

} // namespace StrictJson
