#include "link/portaccess.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_UNIX
QByteArray devicePath(const QString &port)
{
    if (port.startsWith(QLatin1Char('/')) || port.startsWith(QLatin1Char('.')))
        return port.toLocal8Bit();
    return (QLatin1String("/dev/") + port).toLocal8Bit();
}
#endif
} // namespace

QString LinkText::permissionAdvice(const QString &port, const QString &group)
{
    const QString who = group.isEmpty()
                            ? QStringLiteral("the group that owns it (dialout on Debian)")
                            : QStringLiteral("the group \"%1\" that owns it (dialout on Debian)").arg(group);
    return QStringLiteral("No permission to open %1: the user must be a member of %2; "
                          "add the user to that group and log in again.\n")
        .arg(port, who);
}

QString LinkText::owningGroup(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(devicePath(path).constData(), &st) != 0)
        return QString();
    if (const struct group *g = ::getgrgid(st.st_gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString();
#else
    Q_UNUSED(path);
    return QString();
#endif
}

bool LinkText::lacksAccess(const QString &port)
{
#ifdef Q_OS_UNIX
    const QByteArray path = devicePath(port);
    if (::access(path.constData(), F_OK) != 0)
        return false;
    return ::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES;
#else
    Q_UNUSED(port);
    return false;
#endif
}
