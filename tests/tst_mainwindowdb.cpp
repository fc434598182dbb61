#include "app/mainwindow.h"
#include "data/vevirurodozovidatabase.h"
#include "data/vxregisterdatabase.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

QStringList g_lines;

void capture(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_lines << message;
}

// The lines written from one function of the main window.
QStringList linesFrom(const char *function)
{
    QStringList out;
    const QString tag = QStringLiteral("][ %1 ]:").arg(QLatin1String(function));
    for (const QString &line : qAsConst(g_lines))
        if (line.contains(tag))
            out << line;
    return out;
}

// The 12-byte identification block of registers 0x0A00 to 0x0A05.
QByteArray block(quint8 high, quint8 sub)
{
    return QByteArray::fromHex("000000000000000000000000").replace(0, 2, QByteArray(1, char(high)) + char(sub));
}

bool writable(const QString &path)
{
    return QFile::exists(path) && (QFile::permissions(path) & QFile::WriteOwner);
}

} // namespace

class TestMainWindowDb : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_startDir;
    QtMessageHandler m_previous = nullptr;

private slots:
    void initTestCase()
    {
        m_startDir = QDir::currentPath();
    }

    void init()
    {
        m_dir.reset(new QTemporaryDir(m_startDir + "/dbXXXXXX"));
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir::setCurrent(m_dir->path()));
        g_lines.clear();
        m_previous = qInstallMessageHandler(capture);
    }

    void cleanup()
    {
        qInstallMessageHandler(m_previous);
        QDir::setCurrent(m_startDir);
        m_dir.reset();
    }

    void startLoadsModelDatabase()
    {
        MainWindow w;
        QVERIFY(writable("VEvirurodOzovi.db"));
        QVERIFY(w.modelDatabase());
        QVERIFY(w.modelDatabase()->modelMap());
        QCOMPARE(w.modelDatabase()->modelMap()->modelNames.value("39.1").isEmpty(), false);
        const QStringList lines = linesFrom("initGripperModelDb");
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().startsWith("[Debug]["));
        QVERIFY(lines.first().endsWith("\" init gripper model database ok\""));
    }

    void copyQrcFileOverwritesAndLeavesWritable()
    {
        MainWindow w;
        g_lines.clear();
        QFile old("copy.db");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older, longer copy that must go entirely .............................");
        old.close();
        QVERIFY(QFile::setPermissions("copy.db", QFile::ReadOwner));
        QVERIFY(w.copyQrcFile(":/Resource/ZODidovavaModuleReg.db", "./copy.db"));
        QVERIFY(writable("copy.db"));
        QFile copy("copy.db");
        QFile shipped(":/Resource/ZODidovavaModuleReg.db");
        QVERIFY(copy.open(QIODevice::ReadOnly) && shipped.open(QIODevice::ReadOnly));
        QVERIFY(copy.readAll() == shipped.readAll());
        QVERIFY(linesFrom("copyQrcFile").isEmpty());

        QVERIFY(!w.copyQrcFile(":/Resource/none.db", "./none.db"));
        QVERIFY(!w.copyQrcFile(":/Resource/VEvirurodOzovi.db", "./no/folder/x.db"));
        const QStringList lines = linesFrom("copyQrcFile");
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).startsWith("[Warning]["));
        QVERIFY(lines.at(0).endsWith("\"read failed: from:\" \":/Resource/none.db\""));
        QVERIFY(lines.at(1).endsWith("\"write failed: to:\" \"./no/folder/x.db\""));
    }

    void registerMapFollowsModel()
    {
        MainWindow w;
        QVERIFY(w.modelDatabase() && w.modelDatabase()->modelMap());
        g_lines.clear();

        // "TQP2-51500A" only contains the module marker: module map.
        w.getGripperInfo(block(0x40, 0x02));
        QCOMPARE(w.currentModelName(), QStringLiteral("TQP2-51500A"));
        QPointer<VXRegisterDatabase> module = w.registerDatabase();
        QVERIFY(module);
        QCOMPARE(module->connectionName(), QStringLiteral("ZODidovavaModuleReg"));
        QVERIFY(writable("ZODidovavaGripperReg.db"));
        QVERIFY(writable("ZODidovavaModuleReg.db"));
        QCOMPARE(module->registerMap()->groupRegisterCounts.value(0x04), 35);
        QStringList lines = linesFrom("initRegistersDb");
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().endsWith("\" init register database ok\""));

        // A parallel gripper: gripper map; the module object goes once the event loop runs.
        w.getGripperInfo(block(0x27, 0x01));
        QPointer<VXRegisterDatabase> gripper = w.registerDatabase();
        QVERIFY(gripper && gripper != module);
        QCOMPARE(gripper->connectionName(), QStringLiteral("ZODidovavaGripperReg"));
        QCOMPARE(gripper->registerMap()->groupRegisterCounts.value(0x04), 17);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!module);
        QVERIFY(!QSqlDatabase::contains("ZODidovavaModuleReg"));

        // Another gripper model shares the file: dropping the older object must leave the
        // connection to the newer one.
        w.getGripperInfo(block(0x52, 0x01));
        QVERIFY(w.currentModelName().contains("KX"));
        QPointer<VXRegisterDatabase> rotary = w.registerDatabase();
        QVERIFY(rotary && rotary != gripper);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gripper);
        QVERIFY(rotary->database().isOpen());
        QVERIFY(rotary->registerMap());

        // An unknown device gets the gripper map too.
        w.getGripperInfo(block(0xEE, 0xEE));
        QCOMPARE(w.currentModelName(), QStringLiteral("Grivant"));
        QCOMPARE(w.registerDatabase()->connectionName(), QStringLiteral("ZODidovavaGripperReg"));
        QCOMPARE(linesFrom("initRegistersDb").size(), 4);
    }

    void unreadableRegisterFileIsReported()
    {
        MainWindow w;
        g_lines.clear();
        // A folder where the copy should go: the copy fails, the open fails.
        QVERIFY(QDir().mkdir("ZODidovavaGripperReg.db"));
        w.getGripperInfo(block(0x27, 0x01));
        QVERIFY(!linesFrom("copyQrcFile").isEmpty());
        const QStringList lines = linesFrom("initRegistersDb");
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().startsWith("[Warning]["));
        QVERIFY2(lines.first().contains("Sqlite not open: "), qPrintable(lines.first()));
    }
};

QTEST_MAIN(TestMainWindowDb)
#include "tst_mainwindowdb.moc"
