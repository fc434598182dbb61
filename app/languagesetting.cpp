#include "app/languagesetting.h"

#include "data/filecopy.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const char *const kLanguageKey = "/language";

// Why the file is not to be touched; empty when it is fine (or missing).
QString refusal(const QFileInfo &info)
{
    if (!info.exists())
        return QString();
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    if (info.size() > LanguageSetting::MaxFileSize)
        return QStringLiteral("%1 bytes, far more than this program's setting takes; left as it is "
                              "(delete it to store the language again)")
            .arg(info.size());
    return QString();
}

} // namespace

namespace LanguageSetting {

QString read(const QString &iniFile, QString *problem)
{
    return readValue(iniFile, QLatin1String(kLanguageKey), problem).toString();
}

bool write(const QString &iniFile, const QString &code, QString *problem)
{
    return writeValues(iniFile, {{QLatin1String(kLanguageKey), code}}, problem);
}

QVariant readValue(const QString &iniFile, const QString &key, QString *problem)
{
    *problem = refusal(QFileInfo(iniFile));
    if (!problem->isEmpty() || !QFileInfo::exists(iniFile))
        return QVariant();
    const QSettings settings(iniFile, QSettings::IniFormat);
    return settings.value(key, QVariant());
}

bool writeValues(const QString &iniFile, const QVariantMap &values, QString *problem)
{
    const QFileInfo info(iniFile);
    *problem = refusal(info);
    if (!problem->isEmpty())
        return false;

    QFile part;
    if (!createBeside(iniFile, &part)) {
        *problem = QStringLiteral("the folder cannot be written");
        return false;
    }
    if (info.exists()) {
        // The other keys, if any, go along.
        QFile old(iniFile);
        if (old.open(QIODevice::ReadOnly))
            part.write(old.read(MaxFileSize));
    }
    const bool copied = part.flush();
    part.close();
    bool stored = copied;
    if (stored) {
        QSettings settings(part.fileName(), QSettings::IniFormat);
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            settings.setValue(it.key(), it.value());
        settings.sync();
        stored = settings.status() == QSettings::NoError;
    }
    if (!stored || !renameOver(part.fileName(), iniFile)) {
        *problem = QStringLiteral("it cannot be written");
        part.remove();
        return false;
    }
    return true;
}

} // namespace LanguageSetting
