#include "link/portaccess.h"

#include "app/installpaths.h"
#include "link/portidentity.h"
#include "link/processlog.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>
#endif

namespace {
#ifdef Q_OS_UNIX
QByteArray devicePath(const QString &port)
{
    return PortIdentity::devicePath(port).toLocal8Bit();
}
#endif
} // namespace

namespace {

QString modeText(unsigned mode)
{
    return QStringLiteral("%1").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

// The administrators' group: it may use anything, and nobody joins it to reach a port.
bool isPrivileged(const QString &group)
{
    return group == QLatin1String("root");
}

#ifdef Q_OS_UNIX
QString userName(uid_t uid)
{
    if (const struct passwd *pw = ::getpwuid(uid))
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(uid);
}

QString groupName(gid_t gid)
{
    if (const struct group *g = ::getgrgid(gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString::number(gid);
}

QStringList groupNames(const std::vector<gid_t> &gids)
{
    QStringList names;
    for (gid_t gid : gids) {
        const QString name = groupName(gid);
        if (!names.contains(name))
            names << name;
    }
    return names;
}

// The groups of this program, as the session was started with them.
QStringList sessionGroups()
{
    std::vector<gid_t> gids(std::max(0, ::getgroups(0, nullptr)));
    gids.resize(std::max(0, ::getgroups(int(gids.size()), gids.data())));
    gids.push_back(::getegid());
    return groupNames(gids);
}

// The groups of the account as the group database has them now: a login from now on gets them.
QStringList accountGroups()
{
    const struct passwd *pw = ::getpwuid(::getuid());
    if (!pw)
        return {};
    const QByteArray name(pw->pw_name);
    const gid_t primary = pw->pw_gid;
    int count = 32;
    std::vector<gid_t> gids;
    for (int tries = 0; tries < 4; ++tries) {
        gids.resize(std::size_t(count));
        int n = count;
        if (::getgrouplist(name.constData(), primary, gids.data(), &n) >= 0) {
            gids.resize(std::size_t(n));
            return groupNames(gids);
        }
        count = std::max(n, count * 2);
    }
    return {};
}
#endif

} // namespace

LinkText::PortAccess LinkText::portAccess(const QString &port)
{
    PortAccess access;
    access.port = port;
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(devicePath(port).constData(), &st) != 0)
        return access;
    access.known = true;
    access.owner = userName(st.st_uid);
    access.group = groupName(st.st_gid);
    access.mode = unsigned(st.st_mode) & 07777;
    access.isOwner = ::geteuid() == st.st_uid;
    access.groupsNow = sessionGroups();
    access.groupsLater = accountGroups();
#endif
    return access;
}

QString LinkText::accessAdvice(const PortAccess &a, const QString &udevRule)
{
    const QString port = a.port;
    if (!a.known)
        return ProcessLog::tr("No permission to open %1: this user may not read and write it.\n").arg(port);

    const bool groupMay = (a.mode & 0060) == 0060 && !a.group.isEmpty() && !isPrivileged(a.group);
    if (groupMay) {
        if (a.groupsNow.contains(a.group))
            return ProcessLog::tr("No permission to open %1, although this session belongs to its group %2 "
                                  "(owner %3, mode %4).\n")
                .arg(port, a.group, a.owner, modeText(a.mode));
        if (a.groupsLater.contains(a.group))
            return ProcessLog::tr("No permission to open %1: this account has joined the group %2, which may "
                                  "read and write it, since this session began; log out and in again.\n")
                .arg(port, a.group);
        return ProcessLog::tr("No permission to open %1: join the group %2, which may read and write it, "
                              "then log out and in again.\n")
            .arg(port, a.group);
    }

    // No group to join would help: the rule shipped with the tool hands the port to one.
    const QString rulesGroup = QStringLiteral("dialout");
    const QString why = isPrivileged(a.group) && (a.mode & 0060) == 0060
                            ? ProcessLog::tr("only the administrators' group may use it")
                            : ProcessLog::tr("no group may read and write it");
    QString then;
    if (a.groupsNow.contains(rulesGroup))
        then = QString();
    else if (a.groupsLater.contains(rulesGroup))
        then = ProcessLog::tr(", then log out and in again");
    else
        then = ProcessLog::tr(", then join that group and log in again");
    const QString path = port.startsWith(QLatin1Char('/')) ? port : QLatin1String("/dev/") + port;
    if (a.group == rulesGroup)
        return ProcessLog::tr("No permission to open %1: it belongs to %2:%3 with mode %4, so %5. The udev rule "
                              "%6 gives that group read and write rights to serial ports: install it (sudo cp %6 "
                              "/etc/udev/rules.d/ && sudo udevadm control --reload) and replug the adapter or "
                              "run sudo udevadm trigger %7%8.\n")
            .arg(port, a.owner, a.group, modeText(a.mode), why, udevRule, path, then);
    return ProcessLog::tr("No permission to open %1: it belongs to %2:%3 with mode %4, so %5. The udev rule %6 "
                          "gives serial ports to the group %7: install it (sudo cp %6 /etc/udev/rules.d/ && sudo "
                          "udevadm control --reload) and replug the adapter or run sudo udevadm trigger %8%9.\n")
        .arg(port, a.owner, a.group, modeText(a.mode), why, udevRule, rulesGroup, path, then);
}

QString LinkText::permissionAdvice(const QString &port, const QString &group)
{
    PortAccess access = portAccess(port);
    if (!access.known && !group.isEmpty()) {
        access.known = true;
        access.group = group;
        access.mode = 0660;
    }
    return accessAdvice(access, InstallPaths::udevRule());
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
        notes += ProcessLog::tr("\t stable name: %1 (kept across replugging; grivant --port takes it)\n").arg(name);
    static const QRegularExpression acm(QStringLiteral("(^|/)ttyACM\\d+$"));
    if (modemManager && acm.match(port).hasMatch())
        notes += ProcessLog::tr("\t %1: ModemManager may probe this port with modem commands for some "
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
