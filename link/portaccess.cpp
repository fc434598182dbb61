#include "link/portaccess.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

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

QStringList LinkText::stableNames(const QString &port, const QString &byIdDir)
{
    const QString target = QFileInfo(port.startsWith(QLatin1Char('/')) ? port
                                                                        : QLatin1String("/dev/") + port)
                               .canonicalFilePath();
    QStringList names;
    if (target.isEmpty())
        return names;
    const QDir dir(byIdDir);
    const QStringList links = dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &link : links) {
        const QString path = dir.filePath(link);
        if (path != QDir::cleanPath(port) && QFileInfo(path).canonicalFilePath() == target)
            names << path;
    }
    return names;
}

QString LinkText::portNotes(const QString &port, const QStringList &stableNames, bool modemManager,
                            const QString &udevRule)
{
    QString notes;
    for (const QString &name : stableNames)
        notes += QStringLiteral("\t stable name: %1 (kept across replugging; grivant --port takes it)\n").arg(name);
    static const QRegularExpression acm(QStringLiteral("(^|/)ttyACM\\d+$"));
    if (modemManager && acm.match(port).hasMatch())
        notes += QStringLiteral("\t %1: ModemManager may probe this port with modem commands for some "
                                "seconds after it appears, which disturbs a search; the udev rule %2 "
                                "keeps it away (see Help).\n")
                     .arg(port, udevRule);
    return notes;
}

bool LinkText::modemManagerInstalled()
{
#ifdef Q_OS_LINUX
    return QFileInfo::exists(QStringLiteral("/usr/sbin/ModemManager"));
#else
    return false;
#endif
}
