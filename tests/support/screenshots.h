// Pictures for a person to look at: suites take them only when GRIVANT_SCREENSHOTS names
// a folder. The main window loads its translations from the working directory, so the
// compiled ones are copied next to the suite first.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

// The folder for the pictures (made if missing), or an empty text when none is asked for.
inline QString prepareScreenshots()
{
    const QString folder = qEnvironmentVariable("GRIVANT_SCREENSHOTS");
    if (folder.isEmpty())
        return folder;
    QDir().mkpath(folder);
    QDir().mkpath("translations");
    for (const char *qm : {"zh_CN.qm", "en_US.qm"}) {
        QFile::remove(QString("translations/") + qm);
        QFile::copy(qEnvironmentVariable("GRIVANT_RUN_DIR") + "/translations/" + qm,
                    QString("translations/") + qm);
    }
    return folder;
}
