#include "app/mainwindow.h"

#include "app/diag.h"
#include "data/filecopy.h"
#include "data/privatecopies.h"
#include "data/vevirurodozovidatabase.h"
#include "data/vxregisterdatabase.h"

// The resources are compiled into a library archive; nothing else refers to their
// object file, so register them from here, which every build of the window links.
// (Q_INIT_RESOURCE has to be used outside any namespace.)
static int registerResources()
{
    Q_INIT_RESOURCE(resources);
    return 0;
}
static const int s_resourcesRegistered = registerResources();

bool MainWindow::copyQrcFile(const QString &from, const QString &to)
{
    switch (copyFileContent(from, to)) {
    case FileCopyResult::ReadFailed:
        GV_WARNING("copyQrcFile") << QStringLiteral("read failed: from:") << from;
        return false;
    case FileCopyResult::WriteFailed:
        GV_WARNING("copyQrcFile") << QStringLiteral("write failed: to:") << to;
        return false;
    case FileCopyResult::Copied:
        break;
    }
    return true;
}

QString MainWindow::shippedDatabaseFile(const QString &name, const char *function)
{
    const QString resource = QStringLiteral(":/Resource/") + name;
    if (copyQrcFile(resource, QStringLiteral("./") + name))
        return name;
    // What is left under the name in the working directory is not ours to trust.
    if (!m_privateCopies)
        m_privateCopies = new PrivateCopies(this);
    QString problem;
    const QString path = m_privateCopies->place(resource, name, &problem);
    if (path.isEmpty())
        GV_WARNING(function) << QStringLiteral("%1 not opened: no copy could be written (%2)").arg(name, problem);
    else
        GV_WARNING(function) << QStringLiteral(
            "%1 could not be written to the working directory: the program's own copy is used").arg(name);
    return path;
}

void MainWindow::initRegistersDb()
{
    // The previous object is released from the event loop: a reply being dispatched may
    // still read its map further up the stack. Its connection stays open for the new
    // object, which claims the same name when it opens the same file.
    if (m_registerDb)
        m_registerDb->deleteLater();
    m_registerDb = new VXRegisterDatabase(this, m_language);

    if (replayUsesOwnMap()) {
        buildRegisterTables();
        return;
    }
    const QString gripperFile = shippedDatabaseFile(QStringLiteral("ZODidovavaGripperReg.db"), "initRegistersDb");
    const QString moduleFile = shippedDatabaseFile(QStringLiteral("ZODidovavaModuleReg.db"), "initRegistersDb");

    const QString file = m_currentModelName.contains(QLatin1String("TQP2-51500")) ? moduleFile : gripperFile;
    if (file.isEmpty())
        return;
    if (!m_registerDb->openDatabase(file)) {
        GV_WARNING("initRegistersDb") << m_registerDb->lastError();
        return;
    }
    if (!m_registerDb->registerMap()) {
        GV_WARNING("initRegistersDb") << m_registerDb->lastError();
        return;
    }
    GV_DEBUG("initRegistersDb") << QStringLiteral(" init register database ok");

    buildRegisterTables();
}

void MainWindow::initGripperModelDb()
{
    Q_UNUSED(s_resourcesRegistered);
    m_modelDb = new VEVirurodOzoviDatabase(this);
    const QString file = shippedDatabaseFile(QStringLiteral("VEvirurodOzovi.db"), "initGripperModelDb");
    if (file.isEmpty())
        return;

    if (!m_modelDb->openDatabase(file)) {
        GV_WARNING("initGripperModelDb") << m_modelDb->lastError();
        return;
    }
    if (!m_modelDb->modelMap())
        GV_WARNING("initGripperModelDb") << m_modelDb->lastError();
    else
        GV_DEBUG("initGripperModelDb") << QStringLiteral(" init gripper model database ok");
}
