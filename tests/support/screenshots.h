// Pictures of the running tool for a person to look at. They are taken only when the
// environment variable GRIVANT_SCREENSHOTS names a folder; the translations of the run
// folder are copied next to the suite so that both languages show.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

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
