#include "app/installpaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef GRIVANT_DATA_FROM_BIN
#define GRIVANT_DATA_FROM_BIN "../share/grivant"
#endif

namespace {
const char *const kUdevRule = "70-grivant-serial.rules";
}

QString InstallPaths::dataDir()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/')
                           + QLatin1String(GRIVANT_DATA_FROM_BIN));
}

QString InstallPaths::translation(const QString &fileName)
{
    return dataDir() + QLatin1String("/translations/") + fileName;
}

QString InstallPaths::udevRule()
{
    const QString installed = dataDir() + QLatin1Char('/') + QLatin1String(kUdevRule);
    if (QFileInfo::exists(installed))
        return installed;
    return QLatin1String("/usr/share/grivant/") + QLatin1String(kUdevRule);
}

QString InstallPaths::userWorkDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QLatin1String("/grivant");
}

bool InstallPaths::enterWorkDir(const QString &dir, QString *error)
{
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(dir));
        return false;
    }
    if (!QDir::setCurrent(dir)) {
        *error = QStringLiteral("cannot change to the folder %1").arg(QDir::toNativeSeparators(dir));
        return false;
    }
    return true;
}
