#include "data/parameterfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ParameterFile {

namespace {

// The texts belong with those of the parameter file's contents (data/parameterbackup).
QString text(const char *source)
{
    return QCoreApplication::translate("ParameterBackup", source);
}

#ifdef Q_OS_UNIX
// What a path that is not a regular file is, in words.
QString kindText(mode_t mode)
{
    if (S_ISDIR(mode))
        return text(QT_TRANSLATE_NOOP("ParameterBackup", "a folder"));
    if (S_ISFIFO(mode))
        return text(QT_TRANSLATE_NOOP("ParameterBackup", "a FIFO (named pipe)"));
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return text(QT_TRANSLATE_NOOP("ParameterBackup", "a device"));
    if (S_ISSOCK(mode))
        return text(QT_TRANSLATE_NOOP("ParameterBackup", "a socket"));
    return text(QT_TRANSLATE_NOOP("ParameterBackup", "a special file"));
}
#endif

QString tooLarge(qint64 size)
{
    return text(QT_TRANSLATE_NOOP("ParameterBackup", "it holds %1 bytes, more than a parameter file can (at most %2)")).arg(size).arg(MaxSize);
}

} // namespace

bool read(const QString &path, QByteArray *content, QString *error)
{
    QFile file;
#ifdef Q_OS_UNIX
    // Opened without waiting (a FIFO with no writer would block the open itself), then
    // looked at through the open descriptor, so that what is checked is what is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = qt_error_string(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = text(QT_TRANSLATE_NOOP("ParameterBackup", "it is %1; parameters are read only from a regular file")).arg(kindText(st.st_mode));
        ::close(fd);
        return false;
    }
    if (st.st_size > MaxSize) {
        *error = tooLarge(st.st_size);
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *error = file.errorString();
        ::close(fd);
        return false;
    }
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *error = text(QT_TRANSLATE_NOOP("ParameterBackup", "it is not a regular file; parameters are read only from a regular file"));
        return false;
    }
    if (info.size() > MaxSize) {
        *error = tooLarge(info.size());
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
#endif
    // The file may have grown since it was measured.
    const QByteArray bytes = file.read(MaxSize + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    if (bytes.size() > MaxSize) {
        *error = tooLarge(bytes.size());
        return false;
    }
    *content = bytes;
    return true;
}

bool write(const QString &path, const QByteArray &content, QString *error)
{
#ifdef Q_OS_UNIX
    // A link is followed: what counts is what it leads to.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = text(QT_TRANSLATE_NOOP("ParameterBackup", "it is %1; a backup is written only to a regular file or a new one")).arg(kindText(st.st_mode));
        return false;
    }
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *error = text(QT_TRANSLATE_NOOP("ParameterBackup", "it is not a regular file; a backup is written only to a regular file or a new one"));
        return false;
    }
#endif
    // The new content goes to a file of its own that replaces the old one only once it is
    // complete: a full disk or a size limit leaves the old file as it was. Written without
    // Qt's buffer, whose last flush commit() would not report, and until the system either
    // takes every byte or refuses one with its reason (a first short write has none).
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    for (qint64 done = 0; done < content.size();) {
        const qint64 n = file.write(content.constData() + done, content.size() - done);
        if (n <= 0) {
            *error = file.errorString();
            file.cancelWriting();
            return false;
        }
        done += n;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace ParameterFile
