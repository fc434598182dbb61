#include "data/filecopy.h"

#include <QFile>

namespace {

const QFile::Permissions kWritable = QFile::ReadOwner | QFile::WriteOwner;

} // namespace

FileCopyResult copyFileContent(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return FileCopyResult::ReadFailed;

    QFile destination(to);
    if (destination.exists() && (destination.permissions() & kWritable) != kWritable)
        destination.setPermissions(destination.permissions() | kWritable);
    if (!destination.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return FileCopyResult::WriteFailed;
    const QByteArray content = source.readAll();
    const bool written = destination.write(content) == content.size() && destination.flush();
    destination.close();
    if (!written)
        return FileCopyResult::WriteFailed;
    // A file created here takes the permissions of the process's file mask; make sure the
    // owner can write it whatever the mask says.
    if ((destination.permissions() & kWritable) != kWritable)
        destination.setPermissions(destination.permissions() | kWritable);
    return FileCopyResult::Copied;
}
