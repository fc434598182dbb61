#pragma once

#include <QString>

class QFile;

enum class FileCopyResult { Copied, ReadFailed, WriteFailed };

// Copies a file (typically a resource out of the executable) to the destination name. The
// content is written to a new file beside it, which then replaces the name: whatever stood
// under the name (an earlier copy, a read-only file, a symbolic link) is replaced, never
// written through, and no existing file's mode is touched. The copy is writable by its
// owner. A failed copy leaves the destination as it was.
FileCopyResult copyFileContent(const QString &from, const QString &to);

// The two halves of such a replacement, for files written by other means:
// opens a new file beside `path` under a name no one else has (".<name>.<random>"),
// refusing any name that exists, a link included; false when the folder cannot take one.
bool createBeside(const QString &path, QFile *file);
// gives the file `from` the name `to`, replacing what stood under it (a link itself, never
// its target); a folder of that name stays, and the call fails.
bool renameOver(const QString &from, const QString &to);
