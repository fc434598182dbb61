#include "gateway/brokerlogin.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

MqttClient::Settings BrokerLogin::settings() const
{
    MqttClient::Settings s;
    s.host = host;
    s.port = effectivePort();
    s.clientId = clientId;
    s.username = username;
    s.password = password;
    s.caFile = caFile;
    s.certFile = certFile;
    s.keyFile = keyFile;
    s.keepAliveSeconds = keepAliveSeconds;
    return s;
}

namespace BrokerLogins {

namespace {

QString readable(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    return QString();
}

#ifdef Q_OS_UNIX
QString kindText(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO (named pipe)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a special file");
}
#endif

} // namespace

QString readText(const QString &path, qint64 limit, QByteArray *content)
{
    QFile file;
#ifdef Q_OS_UNIX
    // Opened without waiting (a FIFO with no writer would block the open itself), then
    // looked at through the open descriptor, so that what is checked is what is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("cannot read %1: %2").arg(path, qt_error_string(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return QStringLiteral("cannot read %1: it is %2, not a regular file").arg(path, kindText(st.st_mode));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    }
#else
    if (!QFileInfo(path).isFile())
        return QStringLiteral("cannot read %1: not a regular file").arg(path);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
#endif
    // One byte beyond the limit tells a file that grew past it while it was read.
    *content = file.read(limit + 1);
    if (content->size() > limit)
        return QStringLiteral("cannot read %1: it holds more than %2 bytes, far more than such a file needs")
            .arg(path, QString::number(limit));
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    const int nul = content->indexOf('\0');
    if (nul >= 0)
        return QStringLiteral("%1:%2: a NUL byte; the file is not text")
            .arg(path, QString::number(content->left(nul).count('\n') + 1));
    return QString();
}

QString setAddress(const QString &text, BrokerLogin *login)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    // An IPv6 address in brackets keeps its colons.
    const bool hasPort = colon > 0 && !text.endsWith(QLatin1Char(']')) && (!text.startsWith(QLatin1Char('[')) || text.at(colon - 1) == QLatin1Char(']'));
    QString host = hasPort ? text.left(colon) : text;
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (host.trimmed().isEmpty())
        return QStringLiteral("\"%1\" names no host").arg(text);
    if (hasPort) {
        bool ok = false;
        const int port = text.mid(colon + 1).trimmed().toInt(&ok, 10);
        if (!ok || port < 1 || port > 65535)
            return QStringLiteral("\"%1\" is not a port number 1 to 65535").arg(text.mid(colon + 1));
        login->port = port;
    }
    login->host = host.trimmed();
    return QString();
}

QString complete(BrokerLogin *b, const QString &passwordFileName)
{
    if (!b->password.isEmpty() && !b->passwordFile.isEmpty())
        return QStringLiteral("give the broker's password or its password file, not both");
    if (!b->passwordFile.isEmpty()) {
        QByteArray content;
        if (const QString why = readText(b->passwordFile, MaxPasswordFileBytes, &content); !why.isEmpty())
            return QStringLiteral("%1: %2").arg(passwordFileName, why);
        b->password = QString::fromUtf8(content.left(content.indexOf('\n'))).remove(QLatin1Char('\r'));
        if (b->password.isEmpty())
            return QStringLiteral("%1: %2 holds no password on its first line").arg(passwordFileName, b->passwordFile);
    }
    if (!b->password.isEmpty() && b->username.isEmpty())
        return QStringLiteral("a password needs a username");
    if (b->certFile.isEmpty() != b->keyFile.isEmpty())
        return QStringLiteral("certfile and keyfile go together");
    if (!b->certFile.isEmpty() && b->caFile.isEmpty())
        return QStringLiteral("a client certificate needs TLS: give cafile too");
    for (const QString &path : {b->caFile, b->certFile, b->keyFile})
        if (!path.isEmpty())
            if (const QString why = readable(path); !why.isEmpty())
                return why;
    return QString();
}

} // namespace BrokerLogins
