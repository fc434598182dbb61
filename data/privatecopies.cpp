#include "data/privatecopies.h"

#include "data/filecopy.h"

#include <QDir>
#include <QTemporaryDir>

PrivateCopies::PrivateCopies(QObject *parent) : QObject(parent) {}

PrivateCopies::~PrivateCopies() = default;

QString PrivateCopies::place(const QString &resource, const QString &fileName, QString *problem)
{
    if (!m_folder) {
        // Made with a name no one else can have taken and mode 0700.
        m_folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QLatin1String("/grivant-XXXXXX"));
    }
    if (!m_folder->isValid()) {
        *problem = QStringLiteral("cannot make a private folder in %1: %2")
                       .arg(QDir::toNativeSeparators(QDir::tempPath()), m_folder->errorString());
        m_folder.reset();
        return QString();
    }
    const QString path = m_folder->filePath(fileName);
    switch (copyFileContent(resource, path)) {
    case FileCopyResult::Copied:
        return path;
    case FileCopyResult::ReadFailed:
        *problem = QStringLiteral("cannot read %1").arg(resource);
        break;
    case FileCopyResult::WriteFailed:
        *problem = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path));
        break;
    }
    return QString();
}
