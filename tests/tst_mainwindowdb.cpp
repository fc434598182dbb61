#include "app/mainwindow.h"
#include "data/parameterexport.h"
#include "data/vevirurodozovidatabase.h"
#include "data/vxregisterdatabase.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSqlDatabase>
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

// A database under a shipped name whose content someone else chose: the model of a
// GZB-50W named to escape the folder, the gripper's first register renamed.
bool plant(const QString &name)
{
    if (!QFile::copy(":/Resource/" + name, name) || !QFile::setPermissions(name, QFile::ReadOwner | QFile::WriteOwner))
        return false;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "plant");
        db.setDatabaseName(name);
        QSqlQuery q(db);
        ok = db.open()
            && (name.startsWith("VEvirurodOzovi")
                    ? q.exec("update FLB set Model_Name = '../../../../../tmp/x/ESCAPED' where Model_Index = 7")
                    : q.exec("update registertable_0x01 set Reg_Description_EN = 'PLANTED' where Reg_Add_Lo = 0"));
        db.close();
    }
    QSqlDatabase::removeDatabase("plant");
    return ok;
}

// While it lives, no file of this process grows beyond a few bytes: the copies cannot be
// written even by root, for whom folder permissions do not count.
class FileSizeLimit
{
public:
    FileSizeLimit()
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = m_saved;
        tight.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &tight);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previous);
    }

private:
    rlimit m_saved{};
    void (*m_previous)(int) = nullptr;
};

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
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("someone's notes\n");
        notes.close();
        const QFile::Permissions mode = QFile::ReadOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions("victim/notes.txt", mode));
        for (const char *name : kDatabases)
            QVERIFY(QFile::link("victim/notes.txt", name));

        MainWindow w;
        QVERIFY(w.modelDatabase()->modelMap());
        w.getGripperInfo(block(0x40, 0x01));
        QVERIFY(w.registerDatabase()->registerMap());
        w.getGripperInfo(block(0x27, 0x01));
        QVERIFY(w.registerDatabase()->registerMap());

        QCOMPARE(contentOf("victim/notes.txt"), QByteArray("someone's notes\n"));
        // The mode as stored (owner, group, others), not what it means for this process.
        QCOMPARE(QFile::permissions("victim/notes.txt") & ~QFile::Permissions(0x0700), mode);
        for (const char *name : kDatabases) {
            QVERIFY2(!QFileInfo(name).isSymLink(), name);
            QVERIFY(contentOf(name) == contentOf(QStringLiteral(":/Resource/") + name));
        }
        QCOMPARE(QDir().entryList(QDir::Hidden | QDir::Files).size(), 3); // no part files left
    }

    // The copies cannot be written. Whatever is in the folder under their names is never
    // opened: the program's own copies are, from a private folder, or none at all.
    void plantedDatabasesAreNeverOpened_data()
    {
        QTest::addColumn<bool>("sizeLimit");
        QTest::addColumn<QString>("model");
        QTest::newRow("names taken by folders: private copies") << false << "GZB-50W";
        QTest::newRow("planted files, nothing writable: no database") << true << "Grivant";
    }
    void plantedDatabasesAreNeverOpened()
    {
        QFETCH(bool, sizeLimit);
        QFETCH(QString, model);
        for (const char *name : kDatabases)
            QVERIFY(sizeLimit ? plant(name) : QDir().mkdir(name));
        QByteArray planted = contentOf("VEvirurodOzovi.db");

        std::unique_ptr<FileSizeLimit> limit(sizeLimit ? new FileSizeLimit : nullptr);
        MainWindow w;
        w.getGripperInfo(block(0x27, 0x01));
        limit.reset();

        QCOMPARE(w.currentModelName(), model);
        const RegisterMap *map = w.registerDatabase() ? w.registerDatabase()->registerMap() : nullptr;
        if (sizeLimit) {
            QVERIFY(!map);
            QCOMPARE(contentOf("VEvirurodOzovi.db"), planted);
        } else {
            QVERIFY(map);
            QCOMPARE(map->registerDescriptions.value(0x0100), QStringLiteral("Initialization"));
            QVERIFY(QFileInfo("VEvirurodOzovi.db").isDir());
        }
        const QString said = sizeLimit ? "not opened: no copy could be written" : "the program's own copy is used";
        for (const char *function : {"initGripperModelDb", "initRegistersDb"}) {
            const QStringList lines = linesFrom(function);
            QVERIFY2(!lines.isEmpty() && lines.first().startsWith("[Warning][") && lines.first().contains(said),
                     qPrintable(lines.join('\n')));
        }
    }

    // A file name made of a device's model name and unique ID stays a plain name.
    void exportNamesArePlain_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("name");
        QTest::newRow("device") << "GZB-50W" << "1A2B3C4D" << "GZB-50W_1A2B3C4D.csv";
        QTest::newRow("none") << "" << "" << "_.csv";
        QTest::newRow("escape") << "../../../../../tmp/x/ESCAPED" << "1" << "__________tmp_x_ESCAPED_1.csv";
        QTest::newRow("windows") << "C:\\a\\..\\b" << "*?<>|\"" << "C__a___b_______.csv";
        QTest::newRow("controls") << "GZB\x1b[2J\n" << "\t" << "GZB_[2J___.csv";
        QTest::newRow("dots") << "TQP2.5" << "." << "TQP2.5__.csv";
        QTest::newRow("hidden") << ".x." << "" << "_x__.csv";
    }
    void exportNamesArePlain()
    {
        QFETCH(QString, model);
        QFETCH(QString, uid);
        QFETCH(QString, name);
        QCOMPARE(ParameterExport::fileName(model, uid), name);
    }
};

QTEST_MAIN(TestMainWindowDb)
#include "tst_mainwindowdb.moc"
