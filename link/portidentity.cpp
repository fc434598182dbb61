#include "link/portidentity.h"

#include "link/portaddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/sysmacros.h>
#endif

namespace PortIdentity {

QString key(const QString &name)
{
    // A device server is one line however its address is written (TCP:// or tcp://,
    // a default port or 502); names are not resolved, so a name and its address differ.
    PortAddress address;
    if (PortAddresses::looksLikeNetwork(name) && PortAddresses::parse(name, &address, nullptr))
        return QStringLiteral("net:") + address.endpoint().toLower();
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(name).constData(), &st) == 0 && S_ISCHR(st.st_mode))
        return QStringLiteral("char:%1").arg(quint64(st.st_rdev));
#endif
    const QFileInfo info(name);
    const QString canonical = info.canonicalFilePath();
    const QString path = canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
    // Windows ignores the case of names (COM3, com3).
#ifdef Q_OS_WIN
    return path.toUpper();
#else
    return path;
#endif
}

QStringList distinct(const QStringList &names, QVector<Duplicate> *duplicates)
{
    QStringList kept;
    QHash<QString, QString> firstByKey;
    for (const QString &name : names) {
        const QString k = key(name);
        const auto it = firstByKey.constFind(k);
        if (it != firstByKey.cend()) {
            if (duplicates)
                duplicates->append({name, it.value()});
            continue;
        }
        firstByKey.insert(k, name);
        kept << name;
    }
    return kept;
}

QString devicePath(const QString &name)
{
#ifdef Q_OS_UNIX
    return name.contains(QLatin1Char('/')) ? name : QLatin1String("/dev/") + name;
#else
    return name;
#endif
}

QString serialPortName(const QString &name)
{
#ifdef Q_OS_UNIX
    if (name.contains(QLatin1Char('/')) && !name.startsWith(QLatin1Char('/'))
        && !name.startsWith(QLatin1String("./")) && !name.startsWith(QLatin1String("../")))
        return QLatin1String("./") + name;
#endif
    return name;
}

bool isPseudoTerminal(const QString &name)
{
#ifdef Q_OS_LINUX
    // The slaves of the system's pseudo-terminal multiplexer have majors 136 to 143.
    struct stat st {};
    if (::stat(QFile::encodeName(devicePath(name)).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    return major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
#elif defined(Q_OS_UNIX)
    return QFileInfo(devicePath(name)).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
#else
    Q_UNUSED(name);
    return false;
#endif
}

} // namespace PortIdentity
