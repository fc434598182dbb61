#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

// The language setting in the ini file of the working directory, which may be a shared or
// downloaded folder. The real file holds one key: a file far larger than that, or one that
// is not a regular file (a folder, a FIFO, a device), is neither read nor written.
namespace LanguageSetting {

constexpr qint64 MaxFileSize = 64 * 1024;

// The "/language" value; empty when the file is missing, or refused (reason in *problem).
QString read(const QString &iniFile, QString *problem);

// Stores the value. The file is rewritten beside its name and then takes the name, so a
// link planted under it is replaced, not written through; other keys stay. A file that is
// refused stays as it is: false, with the reason in *problem.
bool write(const QString &iniFile, const QString &code, QString *problem);

// Other keys of the same file, by the same rules.
QVariant readValue(const QString &iniFile, const QString &key, QString *problem);
bool writeValues(const QString &iniFile, const QVariantMap &values, QString *problem);

} // namespace LanguageSetting
