#pragma once

#include <QByteArray>
#include <QString>

// JSON read strictly: a document in which one object names a key twice is refused instead
// of letting the last value win. The repeat is looked for before Qt's parser sees the text,
// since that parser loses memory on every repeated key it meets.
namespace StrictJson {

// True when some object of `json` holds a key twice; `key` is that key (escapes decoded,
// so "a" and "\u0061" are one key) and `offset` the byte where it comes the second time.
// Text that is not JSON at all is scanned as far as it goes.
bool repeatedKey(const QByteArray &json, QString *key, int *offset);

} // namespace StrictJson
