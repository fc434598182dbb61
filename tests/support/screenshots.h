// Pictures for a person to look at: suites take them only when GRIVANT_SCREENSHOTS names
// a folder. The main window loads its translations from the working directory, so the
// compiled ones are copied next to the suite first.
#pragma once

#include "app/screenfit.h"

#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QScrollArea>
#include <QString>
#include <QTest>

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

// A window made as large as its whole content, as a screen large enough shows it: the
// offscreen platform's screen (800 x 600) is smaller than the windows, which then scroll.
inline void showWhole(QMainWindow *window)
{
    auto *area = qobject_cast<QScrollArea *>(window->centralWidget());
    if (!area)
        return;
    window->resize(ScreenFit::naturalSize(window, area->widget()->minimumSize()));
    // The window system hands the new size back through the event queue.
    if (!QTest::qWaitFor([area] { return area->viewport()->size() == area->widget()->minimumSize(); }, 2000))
        qWarning("the window did not take the size of its whole content");
}
