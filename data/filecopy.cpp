#include "data/filecopy.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const QFile::Permissions kWritable = QFile::ReadOwner | QFile::WriteOwner;

} // namespace

bool renameOver(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                       reinterpret_cast<const wchar_t *>(to.utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

bool createBeside(const QString &path, QFile *file)
{
    const QFileInfo target(path);
    const QString stem = target.absolutePath() + QLatin1String("/.") + target.fileName() + QLatin1Char('.');
    for (int attempt = 0; attempt < 16; ++attempt) {
        file->setFileName(stem + QString::number(QRandomGenerator::global()->generate(), 36));
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        const QFileInfo clash(file->fileName());
        if (!clash.exists() && !clash.isSymLink())
            return false; // not a name taken by chance: the folder cannot be written
    }
    if (!file->isOpen())
        return false;
    // Made here, so its mode is ours to set: the owner may always write it, whatever the
    // process's file mask says.
    if ((file->permissions() & kWritable) != kWritable)
        file->setPermissions(file->permissions() | kWritable);
    return true;
}

FileCopyResult copyFileContent(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return FileCopyResult::ReadFailed;
    const QByteArray content = source.readAll();
    source.close();

    // The new content goes to a file made here, beside the destination; only a complete
    // copy then takes the destination's name. Opening the destination itself would follow a
    // link planted under its name (and write wherever it points) and would need the mode
    // of a file made by someone else to be changed.
    QFile part;
    if (!createBeside(to, &part))
        return FileCopyResult::WriteFailed;
    const bool written = part.write(content) == content.size() && part.flush();
    part.close();
    if (!written || !renameOver(part.fileName(), to)) {
        part.remove();
        return FileCopyResult::WriteFailed;
    }
    return FileCopyResult::Copied;
}
