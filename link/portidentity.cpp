#include "link/portidentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace PortIdentity {

QString key(const QString &name)
{
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

} // namespace PortIdentity
