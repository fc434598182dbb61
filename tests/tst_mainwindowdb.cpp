#include "app/mainwindow.h"
#include "data/parameterexport.h"
#include "data/vevirurodozovidatabase.h"
#include "data/vxregisterdatabase.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSqlDatabase>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>

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

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const char *const kDatabases[] = {"VEvirurodOzovi.db", "ZODidovavaGripperReg.db", "ZODidovavaModuleReg.db"};

// A database under a shipped name whose content someone else chose: a GZB-50W named to
// escape the folder, the gripper's first register renamed.
bool plant(const QString &name)
{
    QFile::copy(":/Resource/" + name, name);
    QFile::setPermissions(name, QFile::ReadOwner | QFile::WriteOwner);
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "plant");
    db.setDatabaseName(name);
    const bool ok = db.open()
        && QSqlQuery(db).exec(name.startsWith("VE")
                                  ? "update FLB set Model_Name = '../../../../../tmp/x/ESCAPED' where Model_Index = 7"
                                  : "update registertable_0x01 set Reg_Description_EN = 'PLANTED' where Reg_Add_Lo = 0");
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("plant");
    return ok;
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

    // Links planted under the copies' names, pointing at someone's read-only file: the
    // copies at start and at each identification replace the links and leave the file.
    void linksUnderTheCopiesNamesAreReplaced()
    {
        QVERIFY(QDir().mkdir("victim"));
        QFile notes("victim/notes.txt");
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("notes\n") == 6);
        notes.close();
        const QFile::Permissions mode = QFile::ReadOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions("victim/notes.txt", mode));
        for (const char *name : kDatabases)
            QVERIFY(QFile::link("victim/notes.txt", name));

        MainWindow w;
        for (quint8 model : {0x40, 0x27}) {
            w.getGripperInfo(block(model, 0x01));
            QVERIFY(w.registerDatabase()->registerMap());
        }
        QCOMPARE(contentOf("victim/notes.txt"), QByteArray("notes\n"));
        // The mode as stored (owner, group, others), not what it means for this process.
        QCOMPARE(QFile::permissions("victim/notes.txt") & ~QFile::Permissions(0x0700), mode);
        for (const char *name : kDatabases)
            QVERIFY(!QFileInfo(name).isSymLink() && contentOf(name) == contentOf(QStringLiteral(":/Resource/") + name));
        QCOMPARE(QDir().entryList(QDir::Hidden | QDir::Files).size(), 3); // no part files left
    }

    // The copies cannot be written (names taken by folders; or, root or not, no file may
    // grow). Whatever is in the folder under their names is never opened: the program's
    // own copies are, from a private folder, or none at all.
    void plantedDatabasesAreNeverOpened_data()
    {
        QTest::addColumn<bool>("sizeLimit");
        QTest::newRow("names taken by folders: private copies") << false;
        QTest::newRow("planted files, nothing writable: no database") << true;
    }
    void plantedDatabasesAreNeverOpened()
    {
        QFETCH(bool, sizeLimit);
        for (const char *name : kDatabases)
            QVERIFY(sizeLimit ? plant(name) : QDir().mkdir(name));
        const QByteArray planted = contentOf("VEvirurodOzovi.db");
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight{sizeLimit ? 16 : saved.rlim_cur, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &tight);
        const auto restore = qScopeGuard([&saved] { setrlimit(RLIMIT_FSIZE, &saved); });

        MainWindow w;
        w.getGripperInfo(block(0x27, 0x01));
        QCOMPARE(w.currentModelName(), QString(sizeLimit ? "Grivant" : "GZB-50W"));
        const RegisterMap *map = w.registerDatabase()->registerMap();
        QCOMPARE(map ? map->registerDescriptions.value(0x0100) : QString("none"),
                 QString(sizeLimit ? "none" : "Initialization"));
        QVERIFY(sizeLimit ? contentOf("VEvirurodOzovi.db") == planted : QFileInfo("VEvirurodOzovi.db").isDir());
        const QString said = sizeLimit ? "not opened: no copy could be written" : "the program's own copy is used";
        for (const char *function : {"initGripperModelDb", "initRegistersDb"})
            QVERIFY2(linesFrom(function).value(0).startsWith("[Warning][") && linesFrom(function).value(0).contains(said),
                     function);
    }

    // A file name made of a device's model name and unique ID stays a plain name.
    void exportNamesArePlain()
    {
        const struct { const char *model, *uid, *name; } cases[] = {
            {"GZB-50W", "1A2B3C4D", "GZB-50W_1A2B3C4D.csv"},
            {"", "", "_.csv"},
            {"../../../../../tmp/x/ESCAPED", "1", "__________tmp_x_ESCAPED_1.csv"},
            {"C:\\a\\..\\b", "*?<>|\"", "C__a___b_______.csv"},
            {"GZB\x1b[2J\n", "\t", "GZB_[2J___.csv"},
            {"TQP2.5", ".", "TQP2.5__.csv"},
            {".x.", "", "_x__.csv"},
        };
        for (const auto &c : cases)
            QCOMPARE(ParameterExport::fileName(c.model, c.uid), QString(c.name));
        // The backup's default name follows the same rule.
        QCOMPARE(ParameterExport::fileName("../x/GZB", "1A", "json"), QString("__x_GZB_1A.json"));
    }
};

QTEST_MAIN(TestMainWindowDb)
#include "tst_mainwindowdb.moc"
