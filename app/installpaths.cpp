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
const char *const kLatencyRule = "71-grivant-ftdi-latency.rules";

QString shippedFile(const char *name)
{
    const QString installed = InstallPaths::dataDir() + QLatin1Char('/') + QLatin1String(name);
    if (QFileInfo::exists(installed))
        return installed;
    return QLatin1String("/usr/share/grivant/") + QLatin1String(name);
}
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
    return shippedFile(kUdevRule);
}

QString InstallPaths::latencyRule()
{
    return shippedFile(kLatencyRule);
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
