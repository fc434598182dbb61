#pragma once

#include <QString>

enum class FileCopyResult { Copied, ReadFailed, WriteFailed };

// Copies a file (typically a resource out of the executable) over the destination,
// creating or truncating it. The copy is always left writable by its owner, also when an
// earlier copy had been made read-only.
FileCopyResult copyFileContent(const QString &from, const QString &to);
