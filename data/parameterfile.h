#pragma once

#include <QByteArray>
#include <QString>

// Reading and writing a parameter file on disk, for the command-line tool and the main
// window alike. A file is read only when it is a regular file of a size a parameter file can
// have, so that a FIFO, a terminal or /dev/zero can neither block nor flood the reader. It
// is written whole or not at all: into a new file beside it that replaces the old one only
// once every byte is on the disk, and only over a regular file or where there is none yet
// (never over a device node, a FIFO or a folder).
namespace ParameterFile {

// Far above any real backup (a few kilobytes), far below what would hurt to read.
constexpr qint64 MaxSize = 1024 * 1024;

// False with the reason, the system's own words where it gave some.
bool read(const QString &path, QByteArray *content, QString *error);
bool write(const QString &path, const QByteArray &content, QString *error);

} // namespace ParameterFile
