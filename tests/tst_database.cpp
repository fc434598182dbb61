#include "data/filecopy.h"
#include "data/registermap.h"
#include "data/sqlconnection.h"
#include "data/valuerange.h"
#include "data/vevirurodozovidatabase.h"
#include "data/vxregisterdatabase.h"
#include "gv_dbbuild.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char *const kGripper = "ZODidovavaGripperReg";
const char *const kModule = "ZODidovavaModuleReg";
const char *const kModels = "VEvirurodOzovi";

// Puts a copy of a shipped database into dir, under its own or another name.
QString copyOut(const QTemporaryDir &dir, const QString &shipped, const QString &as = QString())
{
    const QString to = dir.filePath((as.isEmpty() ? shipped : as) + QLatin1String(".db"));
    if (copyFileContent(QStringLiteral(":/Resource/%1.db").arg(shipped), to) != FileCopyResult::Copied)
        return QString();
    return to;
}

// Runs statements on a file through a connection of the test's own.
bool alter(const QString &path, const QStringList &statements)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("alter"));
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        for (const QString &s : statements)
            ok = ok && q.exec(s);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("alter"));
    return ok;
}

bool hasChinese(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

// "name|declared type|not null|primary key" per column. The declared type is taken
// from the stored CREATE statement, letter case included.
QStringList columnsOf(const QSqlDatabase &db, const QString &table)
{
    QSqlQuery create(db);
    create.prepare(QStringLiteral("select sql from sqlite_master where type = 'table' and name = ?"));
    create.addBindValue(table);
    if (!create.exec() || !create.next())
        return {};
    const QString sql = create.value(0).toString();
    QStringList out;
    QSqlQuery q(QStringLiteral("PRAGMA table_info(%1)").arg(table), db);
    while (q.next()) {
        const QString name = q.value(1).toString();
        const QRegularExpression declared(QStringLiteral("\\b%1\\s+([A-Za-z]+(\\(\\d+\\))?)").arg(name));
        out << QStringLiteral("%1|%2|%3|%4").arg(name, declared.match(sql).captured(1),
                                                q.value(3).toString(), q.value(5).toString());
    }
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void valueRangeParsing_data();
    void valueRangeParsing();

    void shippedRegisterMaps_data();
    void shippedRegisterMaps();
    void registerTexts();
    void languageChoice_data();
    void languageChoice();
    void runtimeTableLoadsInAddressOrder();
    void registerMapSchema_data();
    void registerMapSchema();

    void missingFile();
    void missingRegisterTable();
    void failedLoadKeepsEarlierMap();
    void rowsOutsideTheirRangeAreSkipped();
    void sharedConnectionOutlivesOlderObject();

    void modelList();
    void modelKeys();
    void modelSchema();

    void pictures();
    void copyLeavesWritableFile();
    void databasesAreReproducible_data();
    void databasesAreReproducible();
};

void TestDatabase::cleanup()
{
    // Every object of a test is gone by now, and so must be its connection.
    for (const char *name : {kGripper, kModule, kModels})
        QCOMPARE(SqlConnection::claims(QLatin1String(name)), 0);
}

void TestDatabase::valueRangeParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QString>("accepted");
    QTest::addColumn<QString>("refused");

    using R = ValueRange;
    QTest::newRow("read only") << "-" << int(R::ReadOnly) << true << 0 << 0 << "" << "0";
    QTest::newRow("list") << "0,15420,26985,50115" << int(R::List) << true << 0 << 0 << "0,50115" << "1,15421";
    QTest::newRow("signed list") << "-1,0,1" << int(R::List) << true << 0 << 0 << "-1,1" << "2";
    QTest::newRow("signed range") << "-32768~32767" << int(R::Interval) << true << -32768 << 32767
                                  << "-32768,0,32767" << "-32769,32768";
    QTest::newRow("home offset") << "-32768~32768" << int(R::Interval) << true << -32768 << 32768 << "32768" << "32769";
    QTest::newRow("unsigned range") << "0~65535" << int(R::Interval) << true << 0 << 65535 << "65535" << "-1";
    QTest::newRow("one value range") << "5~5" << int(R::Interval) << true << 5 << 5 << "5" << "4,6";
    QTest::newRow("empty list part") << "0,,1" << int(R::List) << false << 0 << 0 << "" << "0";
    QTest::newRow("word in list") << "0,on" << int(R::List) << false << 0 << 0 << "" << "0";
    QTest::newRow("reversed range") << "100~1" << int(R::Interval) << false << 100 << 1 << "" << "50";
    QTest::newRow("three bounds") << "1~2~3" << int(R::Invalid) << false << 0 << 0 << "" << "2";
    QTest::newRow("open range") << "1~" << int(R::Invalid) << false << 0 << 0 << "" << "1";
    QTest::newRow("single number") << "7" << int(R::Invalid) << false << 0 << 0 << "" << "7";
    QTest::newRow("empty") << "" << int(R::Invalid) << false << 0 << 0 << "" << "0";
}

void TestDatabase::valueRangeParsing()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(bool, valid);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(QString, accepted);
    QFETCH(QString, refused);

    const ValueRange r = parseValueRange(text);
    QCOMPARE(int(r.kind), kind);
    QCOMPARE(r.isValid(), valid);
    if (r.kind == ValueRange::Interval) {
        QCOMPARE(r.minimum, minimum);
        QCOMPARE(r.maximum, maximum);
    }
    if (r.kind == ValueRange::List)
        QCOMPARE(r.choices, text.split(QLatin1Char(',')));
    for (const QString &v : accepted.split(QLatin1Char(','), Qt::SkipEmptyParts))
        QVERIFY2(r.accepts(v.toInt()), qPrintable(v));
    for (const QString &v : refused.split(QLatin1Char(','), Qt::SkipEmptyParts))
        QVERIFY2(!r.accepts(v.toInt()), qPrintable(v));
    QCOMPARE(r.isWritable(), r.kind == ValueRange::List || r.kind == ValueRange::Interval);
}

void TestDatabase::shippedRegisterMaps_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<int>>("counts");   // per group 0x00 0x01 0x02 0x03 0x04 0x05 0x0A 0x11..0x15
    QTest::addColumn<QList<int>>("scanRates");

    QTest::newRow("gripper") << QString(kGripper)
        << QList<int>{1, 10, 14, 7, 17, 12, 6, 7, 13, 24, 7, 4}
        << QList<int>{5000, 300, 50, 1000, 1000, 500, 5000, 5000, 3000, 500, 3000, 3000};
    QTest::newRow("module") << QString(kModule)
        << QList<int>{1, 8, 8, 11, 35, 13, 6, 7, 13, 24, 6, 4}
        << QList<int>{5000, 300, 50, 1000, 1000, 500, 5000, 5000, 3000, 50, 3000, 3000};
}

void TestDatabase::shippedRegisterMaps()
{
    QFETCH(QString, file);
    QFETCH(QList<int>, counts);
    QFETCH(QList<int>, scanRates);

    QTemporaryDir dir;
    VXRegisterDatabase db(nullptr, QStringLiteral("en_US"));
    QVERIFY2(db.openDatabase(copyOut(dir, file)), qPrintable(db.lastError()));
    QCOMPARE(db.connectionName(), file);
    const RegisterMap *map = db.registerMap();
    QVERIFY2(map, qPrintable(db.lastError()));
    QCOMPARE(db.registerMap(), map);

    const QList<int> groups{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x0A, 0x11, 0x12, 0x13, 0x14, 0x15};
    QCOMPARE(map->groupNames.keys(), groups);
    QCOMPARE(map->groupRegisterCounts.values(), counts);
    QCOMPARE(map->groupScanRates.values(), scanRates);
    QCOMPARE(map->groupAccessLevels.values(), (QList<int>{1, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2}));
    QCOMPARE(map->groupAccessModes.values(),
             (QStringList{"R/W", "R/W", "RO", "R/W", "R/W", "R/W", "RO", "R/W", "R/W", "RO", "R/W", "R/W"}));
    for (int g : groups)
        QCOMPARE(map->groupTableNames.value(g),
                 QStringLiteral("registertable_0x") + QString::number(g, 16).rightJustified(2, '0').toUpper());

    // Every group's offsets run from 0 to its count - 1 without gaps, nothing else.
    int total = 0;
    for (int i = 0; i < groups.size(); ++i)
        total += counts.at(i);
    QCOMPARE(map->registerDescriptions.size(), total);
    QCOMPARE(map->registerValueRanges.size(), total);
    QCOMPARE(map->registerProtocolVersions.size(), total);
    QCOMPARE(map->registerFormats.size(), total);
    for (int i = 0; i < groups.size(); ++i)
        for (int r = 0; r < counts.at(i); ++r)
            QVERIFY(map->registerDescriptions.contains(groups.at(i) * 256 + r));

    for (auto it = map->registerValueRanges.cbegin(); it != map->registerValueRanges.cend(); ++it) {
        const QString where = QStringLiteral("0x%1 \"%2\"").arg(it.key(), 4, 16, QLatin1Char('0')).arg(it.value());
        const ValueRange r = parseValueRange(it.value());
        QVERIFY2(r.isValid(), qPrintable(where));
        if (r.kind == ValueRange::List)
            QVERIFY2(!r.values.isEmpty(), qPrintable(where));
        const QString format = map->registerFormats.value(it.key());
        QVERIFY2(format == "signed" || format == "unsigned", qPrintable(where));
        const QString version = map->registerProtocolVersions.value(it.key());
        QVERIFY2(version == "0.0" || version == "1.0", qPrintable(where));
        QVERIFY2(!map->registerDescriptions.value(it.key()).isEmpty(), qPrintable(where));
    }

    // The permission register offers exactly the three access codes besides 0.
    QCOMPARE(parseValueRange(map->registerValueRanges.value(0x0000)).values,
             (QVector<int>{0, 15420, 26985, 50115}));
}

void TestDatabase::registerTexts()
{
    QTemporaryDir dir;
    struct Sample { const char *file; int address; const char *en; const char *range; const char *version; const char *format; };
    const Sample samples[] = {
        {kGripper, 0x0100, "Initialization", "0,1,2,3,165", "0.0", "unsigned"},
        {kGripper, 0x0106, "angle_Lo", "-80~80", "1.0", "signed"},
        {kGripper, 0x0206, "Reverse", "-", "0.0", "signed"},
        {kGripper, 0x020A, "Rotaton initialization state", "-", "1.0", "unsigned"},
        {kGripper, 0x0306, "Max. current scale", "20~100", "0.0", "unsigned"},
        {kGripper, 0x0410, "Speed_4", "1~100", "0.0", "unsigned"},
        {kGripper, 0x0504, "Auto-Initialization When Power on", "0,1", "0.0", "unsigned"},
        {kGripper, 0x0A05, "Other Verion info", "-", "0.0", "unsigned"},
        {kGripper, 0x1100, "Calibrarion electric angle", "0,175", "0.0", "unsigned"},
        {kGripper, 0x1405, "Encoder lines", "0~65535", "0.0", "unsigned"},
        {kGripper, 0x1500, "Max. Stroken Low 16Bits", "0~65535", "0.0", "unsigned"},
        {kModule, 0x0100, "Home", "0,1,2,3,165", "0.0", "unsigned"},
        {kModule, 0x0107, "jog", "-1,0,1", "0.0", "signed"},
        {kModule, 0x0201, "motion state", "-", "0.0", "signed"},
        {kModule, 0x0308, "Home Offset", "-32768~32768", "0.0", "signed"},
        {kModule, 0x0405, "0x0405", "-", "0.0", "unsigned"},
        {kModule, 0x0422, "0x0422", "-", "0.0", "unsigned"},
        {kModule, 0x0408, "Acc/Dec_1", "1~100", "0.0", "unsigned"},
        {kModule, 0x0505, "Reserve", "0,1", "1.0", "unsigned"},
        {kModule, 0x050C, "Reserve", "0~65535", "0.0", "unsigned"},
        {kModule, 0x1405, "ZeroAngle Bias", "0~65535", "0.0", "unsigned"},
    };
    for (const char *file : {kGripper, kModule}) {
        const QString path = copyOut(dir, file);
        VXRegisterDatabase en(nullptr, QStringLiteral("en_US"));
        VXRegisterDatabase zh(nullptr, QStringLiteral("zh_CN"));
        QVERIFY(en.openDatabase(path) && zh.openDatabase(path));
        const RegisterMap *e = en.registerMap();
        const RegisterMap *z = zh.registerMap();
        QVERIFY(e && z);
        for (const Sample &s : samples) {
            if (qstrcmp(s.file, file) != 0)
                continue;
            const QString where = QStringLiteral("%1 0x%2").arg(file).arg(s.address, 4, 16, QLatin1Char('0'));
            QVERIFY2(e->registerDescriptions.value(s.address) == QLatin1String(s.en), qPrintable(where));
            QVERIFY2(e->registerValueRanges.value(s.address) == QLatin1String(s.range), qPrintable(where));
            QVERIFY2(e->registerProtocolVersions.value(s.address) == QLatin1String(s.version), qPrintable(where));
            QVERIFY2(e->registerFormats.value(s.address) == QLatin1String(s.format), qPrintable(where));
        }
        QCOMPARE(e->groupNames.value(0x0A), QStringLiteral("Gripper Information"));
        QCOMPARE(e->groupNames.value(0x05), QStringLiteral("Special Function"));
        QCOMPARE(z->groupNames.value(0x01), QStringLiteral("控制"));
        QCOMPARE(z->registerDescriptions.value(0x0000), QStringLiteral("权限"));
        // Every Chinese text is Chinese, every English one is not, and the languages
        // only differ in the texts.
        for (auto it = z->registerDescriptions.cbegin(); it != z->registerDescriptions.cend(); ++it) {
            QVERIFY2(hasChinese(it.value()), qPrintable(QString::number(it.key(), 16)));
            QVERIFY2(!hasChinese(e->registerDescriptions.value(it.key())), qPrintable(QString::number(it.key(), 16)));
        }
        for (const QString &name : z->groupNames)
            QVERIFY2(hasChinese(name), qPrintable(name));
        QCOMPARE(z->registerValueRanges, e->registerValueRanges);
        QCOMPARE(z->registerFormats, e->registerFormats);
        QCOMPARE(z->groupRegisterCounts, e->groupRegisterCounts);
    }
}

void TestDatabase::languageChoice_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("description");
    QTest::newRow("zh_CN") << "zh_CN" << "反馈" << "夹持状态";
    QTest::newRow("zh_cn") << "zh_cn" << "Feedback" << "Grip state";
    QTest::newRow("en_US") << "en_US" << "Feedback" << "Grip state";
    QTest::newRow("empty") << "" << "Feedback" << "Grip state";
    QTest::newRow("null") << QString() << "Feedback" << "Grip state";
}

void TestDatabase::languageChoice()
{
    QFETCH(QString, language);
    QFETCH(QString, group);
    QFETCH(QString, description);
    QTemporaryDir dir;
    VXRegisterDatabase db(nullptr, language);
    QVERIFY(db.openDatabase(copyOut(dir, kGripper)));
    const RegisterMap *map = db.registerMap();
    QVERIFY(map);
    QCOMPARE(map->groupNames.value(0x02), group);
    QCOMPARE(map->registerDescriptions.value(0x0201), description);
}

void TestDatabase::runtimeTableLoadsInAddressOrder()
{
    QTemporaryDir dir;
    for (const char *file : {kGripper, kModule}) {
        const QString path = copyOut(dir, file);
        // Stored order: channel 1, channel 2, then the reserved block.
        QList<int> stored;
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            raw.setDatabaseName(path);
            QVERIFY(raw.open());
            QSqlQuery q(QStringLiteral("select Reg_Add_Lo from registertable_0x13 order by rowid"), raw);
            while (q.next())
                stored << q.value(0).toInt();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        QList<int> expected;
        for (int i = 0; i < 8; ++i) expected << i;
        for (int i = 16; i < 24; ++i) expected << i;
        for (int i = 8; i < 16; ++i) expected << i;
        QCOMPARE(stored, expected);

        VXRegisterDatabase db(nullptr, QString());
        QVERIFY(db.openDatabase(path));
        const RegisterMap *map = db.registerMap();
        QVERIFY(map);
        QList<int> loaded;
        QStringList texts;
        for (auto it = map->registerDescriptions.cbegin(); it != map->registerDescriptions.cend(); ++it)
            if (it.key() >> 8 == 0x13) {
                loaded << it.key();
                texts << it.value();
            }
        QList<int> addresses;
        for (int a = 0x1300; a <= 0x1317; ++a) addresses << a;
        QCOMPARE(loaded, addresses);
        QCOMPARE(texts.at(7), QStringLiteral("C1 Ref. position_Hi"));
        QCOMPARE(texts.at(8), QStringLiteral("Reserve"));
        QCOMPARE(texts.at(15), QStringLiteral("Reserve"));
        QCOMPARE(texts.at(16), QStringLiteral("C2 Cur. Current"));
        QCOMPARE(texts.at(23), QStringLiteral("C2 Ref. position_Hi"));
    }
}

void TestDatabase::registerMapSchema_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("gripper") << QString(kGripper);
    QTest::newRow("module") << QString(kModule);
}

void TestDatabase::registerMapSchema()
{
    QFETCH(QString, file);
    QTemporaryDir dir;
    const QString path = copyOut(dir, file);
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        raw.setDatabaseName(path);
        QVERIFY(raw.open());
        auto scalar = [&](const QString &sql) {
            QSqlQuery q(sql, raw);
            return q.next() ? q.value(0) : QVariant();
        };
        QCOMPARE(scalar("PRAGMA page_size").toInt(), 4096);
        QCOMPARE(scalar("PRAGMA encoding").toString(), QStringLiteral("UTF-8"));
        QCOMPARE(scalar("PRAGMA user_version").toInt(), 0);
        QCOMPARE(readAll(path).left(16), QByteArray("SQLite format 3\0", 16));

        auto columns = [&](const QString &table) { return columnsOf(raw, table); };
        QCOMPARE(columns("register_indextable"),
                 (QStringList{"Reg_Add_Hi|integer(1)|1|1", "Func_Description_CH|TEXT(45)|0|0",
                              "Func_Description_EN|TEXT(45)|0|0", "Reg_Table_Name|TEXT(45)|0|0",
                              "Reg_Num|INTEGER(1)|1|0", "Reg_RW|TEXT(45)|1|0", "Scan_Rate|integer(1)|0|0",
                              "Access_Level|integer|0|0"}));
        const QStringList registerColumns{"Reg_Add_Lo|integer(1)|1|1", "Reg_Description_CH|TEXT(255)|1|0",
                                          "Reg_Description_EN|TEXT(255)|1|0", "Reg_Value_Range|TEXT(255)|1|0",
                                          "Protocol_Version|text(32)|1|0", "Format|TEXT(255)|1|0"};
        QSqlQuery tables(QStringLiteral("select Reg_Table_Name from register_indextable"), raw);
        int count = 0;
        while (tables.next()) {
            QCOMPARE(columns(tables.value(0).toString()), registerColumns);
            ++count;
        }
        QCOMPARE(count, 12);
        QSqlQuery stat(QStringLiteral("select tbl, idx, stat from sqlite_stat1"), raw);
        QVERIFY(stat.next());
        QCOMPARE(stat.value(0).toString(), QStringLiteral("register_indextable"));
        QCOMPARE(stat.value(1).toString(), QStringLiteral("sqlite_autoindex_register_indextable_1"));
        QCOMPARE(stat.value(2).toString(), QStringLiteral("12 1"));
        QVERIFY(!stat.next());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
}

void TestDatabase::missingFile()
{
    const QString path = QStringLiteral("./no/such/ZODidovavaGripperReg.db");
    VXRegisterDatabase db(nullptr, QStringLiteral("en_US"));
    QVERIFY(!db.openDatabase(path));
    QCOMPARE(db.lastError(), QStringLiteral("Not found file: ./no/such/ZODidovavaGripperReg.db"));
    QVERIFY(db.connectionName().isEmpty());

    VEVirurodOzoviDatabase models;
    QVERIFY(!models.openDatabase(QStringLiteral("VEvirurodOzovi_missing.db")));
    QCOMPARE(models.lastError(), QStringLiteral("Not found file: VEvirurodOzovi_missing.db"));
    QVERIFY(!models.modelMap());
}

void TestDatabase::missingRegisterTable()
{
    QTemporaryDir dir;
    const QString path = copyOut(dir, kGripper, QStringLiteral("broken_table"));
    QVERIFY(alter(path, {"update register_indextable set Reg_Table_Name = 'registertable_0x99' where Reg_Add_Hi = 5"}));

    VXRegisterDatabase db(nullptr, QStringLiteral("en_US"));
    QVERIFY(db.openDatabase(path));
    QCOMPARE(db.connectionName(), QStringLiteral("broken_table"));
    QVERIFY(!db.registerMap());
    QVERIFY2(db.lastError().startsWith("select * from registertable_0x99 :"), qPrintable(db.lastError()));
    QVERIFY(db.lastError().size() > QString("select * from registertable_0x99 :").size());
    // No half-read map is handed out later as if the load had worked.
    QVERIFY(!db.registerMap());

    const QString models = copyOut(dir, kModels, QStringLiteral("broken_series"));
    QVERIFY(alter(models, {"drop table FLC"}));
    VEVirurodOzoviDatabase modelDb;
    QVERIFY(modelDb.openDatabase(models));
    QVERIFY(!modelDb.modelMap());
    QVERIFY2(modelDb.lastError().startsWith("select * from FLC :"), qPrintable(modelDb.lastError()));
    QVERIFY(!modelDb.modelMap());
}

void TestDatabase::failedLoadKeepsEarlierMap()
{
    QTemporaryDir dir;
    const QString path = copyOut(dir, kModule, QStringLiteral("reload"));
    VXRegisterDatabase db(nullptr, QStringLiteral("en_US"));
    QVERIFY(db.openDatabase(path));
    const RegisterMap *first = db.loadRegisterMap();
    QVERIFY(first);
    const int registers = first->registerDescriptions.size();

    // A register table goes missing: the reload fails, the earlier map stays.
    QVERIFY(alter(path, {"alter table registertable_0x04 rename to gone_0x04"}));
    QVERIFY(!db.loadRegisterMap());
    QVERIFY(db.lastError().startsWith("select * from registertable_0x04 :"));
    QCOMPARE(db.registerMap(), first);
    QCOMPARE(first->registerDescriptions.size(), registers);
    QCOMPARE(first->registerDescriptions.value(0x0407), QStringLiteral("Position_1"));

    // So does the index table.
    QVERIFY(alter(path, {"alter table register_indextable rename to gone_index"}));
    QVERIFY(!db.loadRegisterMap());
    QVERIFY2(db.lastError().startsWith("select * from register_indextable :"), qPrintable(db.lastError()));
    QCOMPARE(db.registerMap(), first);

    // Once the file is whole again a reload installs a fresh map.
    QVERIFY(alter(path, {"alter table gone_index rename to register_indextable",
                         "alter table gone_0x04 rename to registertable_0x04"}));
    const RegisterMap *second = db.loadRegisterMap();
    QVERIFY(second);
    QCOMPARE(second->registerDescriptions.size(), registers);
    QCOMPARE(db.registerMap(), second);
}

void TestDatabase::rowsOutsideTheirRangeAreSkipped()
{
    // Group and offset bytes form addresses only when both fit, at the edges too.
    int address = -1;
    QVERIFY(registerAddress(255, 255, &address));
    QCOMPARE(address, 0xFFFF);
    for (const auto &bad : {qMakePair<qint64, qint64>(256, 0), qMakePair<qint64, qint64>(0, 256),
                            qMakePair<qint64, qint64>(-1, 0), qMakePair<qint64, qint64>(1 << 23, 0),
                            qMakePair<qint64, qint64>(1, INT_MAX)})
        QVERIFY(!registerAddress(bad.first, bad.second, &address));
    QCOMPARE(address, 0xFFFF);

    QTemporaryDir dir;
    const QString path = copyOut(dir, kGripper, QStringLiteral("hostile"));
    QVERIFY(alter(path, {"insert into register_indextable values (8388608, 'x', 'Huge', "
                         "'registertable_0x01', 10, 'R/W', 300, 0)",
                         "insert into registertable_0x02 values (2147483647, 'x', 'Far', '-', '0.0', 'signed')",
                         "insert into registertable_0x02 values (-1, 'x', 'Below', '-', '0.0', 'signed')"}));
    VXRegisterDatabase db(nullptr, QStringLiteral("en_US"));
    QVERIFY(db.openDatabase(path));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(
        "register_indextable, row \\d+: Reg_Add_Hi 8388608 is outside its range; the row is skipped"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(
        "registertable_0x02, row \\d+: Reg_Add_Lo 2147483647 is outside"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("registertable_0x02, row \\d+: Reg_Add_Lo -1 is outside"));
    const RegisterMap *map = db.registerMap();
    QVERIFY2(map, qPrintable(db.lastError()));
    QCOMPARE(map->groupNames.size(), 12);
    QCOMPARE(map->groupNames.lastKey(), 0x15);
    QCOMPARE(map->registerDescriptions.value(0x020D), QStringLiteral("Rotation Current"));
    QVERIFY(map->registerDescriptions.lastKey() <= 0xFFFF);
    QVERIFY(!map->registerDescriptions.values().contains(QStringLiteral("Far")));
    QVERIFY(!map->registerDescriptions.values().contains(QStringLiteral("Below")));

    const QString models = copyOut(dir, kModels, QStringLiteral("hostile_models"));
    QVERIFY(alter(models, {"insert into ModelSerial_Table values (16, 'Big', 'FLA')",
                           "insert into FLB values (16, 'Wide', 1, 'w', 'd')",
                           "insert into FLB values (3, 'Deep', 256, 'w', 'd')"}));
    VEVirurodOzoviDatabase modelDb;
    QVERIFY(modelDb.openDatabase(models));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("ModelSerial_Table, row \\d+: Gripper_Serial_Index 16 is outside"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("FLB, row \\d+: Model_Index 16 is outside"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("FLB, row \\d+: SubModel_Index 256 is outside"));
    const ModelMap *modelMap = modelDb.modelMap();
    QVERIFY2(modelMap, qPrintable(modelDb.lastError()));
    QCOMPARE(modelMap->modelNames.size(), 29);
    QVERIFY(!modelMap->modelNames.values().contains(QStringLiteral("Wide")));
    QVERIFY(!modelMap->modelNames.values().contains(QStringLiteral("Deep")));
}

void TestDatabase::sharedConnectionOutlivesOlderObject()
{
    QTemporaryDir dir;
    const QString path = copyOut(dir, kGripper);
    auto *older = new VXRegisterDatabase(nullptr, QStringLiteral("en_US"));
    QVERIFY(older->openDatabase(path));
    QVERIFY(older->registerMap());
    auto *newer = new VXRegisterDatabase(nullptr, QStringLiteral("zh_CN"));
    QVERIFY(newer->openDatabase(QStringLiteral("%1/./%2.db").arg(dir.path(), kGripper)));
    QCOMPARE(newer->connectionName(), older->connectionName());
    QCOMPARE(SqlConnection::claims(kGripper), 2);

    delete older;
    QVERIFY(QSqlDatabase::contains(kGripper));
    QVERIFY(newer->database().isOpen());
    const RegisterMap *map = newer->registerMap();
    QVERIFY2(map, qPrintable(newer->lastError()));
    QCOMPARE(map->groupNames.value(0x13), QStringLiteral("运行数据"));

    delete newer;
    QVERIFY(!QSqlDatabase::contains(kGripper));

    // A model database object made after the old one is gone opens its file afresh.
    const QString models = copyOut(dir, kModels);
    {
        VEVirurodOzoviDatabase a;
        QVERIFY(a.openDatabase(models));
        QVERIFY(a.modelMap());
    }
    QVERIFY(!QSqlDatabase::contains(kModels));
}

void TestDatabase::modelList()
{
    QTemporaryDir dir;
    const QString path = copyOut(dir, kModels);
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        raw.setDatabaseName(path);
        QVERIFY(raw.open());
        QSqlQuery series(QStringLiteral("select Gripper_Serial_Index, Serial_Name, Table_Name from ModelSerial_Table"), raw);
        QStringList names;
        int rows = 0;
        while (series.next()) {
            QCOMPARE(series.value(0).toInt(), names.size());
            QCOMPARE(series.value(1).toString(), series.value(2).toString());
            names << series.value(2).toString();
            QSqlQuery count(QStringLiteral("select count(*) from %1").arg(names.last()), raw);
            QVERIFY(count.next());
            const int n = count.value(0).toInt();
            QVERIFY2(n >= 3 && n <= 10, qPrintable(names.last()));
            rows += n;
        }
        QCOMPARE(names, (QStringList{"Adaptive", "FLA", "FLB", "FLC", "FLD", "FLR"}));
        QCOMPARE(rows, 29);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));

    VEVirurodOzoviDatabase db;
    QVERIFY(db.openDatabase(path));
    const ModelMap *map = db.modelMap();
    QVERIFY2(map, qPrintable(db.lastError()));
    QCOMPARE(map->modelNames.size(), 29);   // no two rows share a key
    QCOMPARE(map->descriptions.size(), 29);
    for (auto it = map->modelNames.cbegin(); it != map->modelNames.cend(); ++it) {
        const QStringList parts = it.key().split(QLatin1Char('.'));
        QCOMPARE(parts.size(), 2);
        const int high = parts.at(0).toInt();
        const QString name = it.value();
        QVERIFY(!name.isEmpty());
        QVERIFY2(hasChinese(map->descriptions.value(it.key())), qPrintable(it.key()));
        // The markers go with the series: adaptive 0, linear modules 4, rotary 5.
        const int series = high >> 4;
        QCOMPARE(name.contains("KY") || name.contains("RV77"), series == 0);
        QCOMPARE(name.contains("TQP2-51500"), series == 4);
        QCOMPARE(name.contains("KX"), series == 5);
    }
    bool rv77 = false;
    for (const QString &name : map->modelNames)
        rv77 = rv77 || name.contains("RV77");
    QVERIFY(rv77);
}

void TestDatabase::modelKeys()
{
    QCOMPARE(modelKey(0x27, 0x01), QStringLiteral("39.1"));
    QCOMPARE(modelKey(0x52, 0x0A), QStringLiteral("82.10"));
    QCOMPARE(modelKey(0, 0), QStringLiteral("0.0"));
    QCOMPARE(modelKey(255, 255), QStringLiteral("255.255"));

    QTemporaryDir dir;
    VEVirurodOzoviDatabase db;
    QVERIFY(db.openDatabase(copyOut(dir, kModels)));
    const ModelMap *map = db.modelMap();
    QVERIFY(map);
    const QMap<QString, QString> &names = map->modelNames;

    // The devices the simulator and the other parts use.
    const QString parallel = names.value("39.1");
    QVERIFY(!parallel.isEmpty());
    for (const char *marker : {"KX", "KY", "RV77", "TQP2-51500"})
        QVERIFY(!parallel.contains(marker));
    QVERIFY(names.value("82.1").contains("KX"));
    QVERIFY(names.value("1.1").contains("KY"));
    QCOMPARE(names.value("64.1"), QStringLiteral("TQP2-51500"));
    QCOMPARE(names.value("64.2"), QStringLiteral("TQP2-51500A"));

    // Keys are texts: 82.10 is not 82.1.
    QVERIFY(names.value("82.10") != names.value("82.1"));
    QVERIFY(!names.contains("82.10"));
    // Sub-models of one model share its name.
    QCOMPARE(names.value("39.2"), parallel);
    QVERIFY(map->descriptions.value("39.2") != map->descriptions.value("39.1"));
    QCOMPARE(names.value("82.2"), names.value("82.1"));
    // A key without a row gives an empty name.
    QVERIFY(names.value("200.200").isEmpty());
    QVERIFY(names.value("39.0").isEmpty());
}

void TestDatabase::modelSchema()
{
    QTemporaryDir dir;
    const QString path = copyOut(dir, kModels);
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        raw.setDatabaseName(path);
        QVERIFY(raw.open());
        QSqlQuery q(QStringLiteral("PRAGMA page_size"), raw);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 4096);
        QSqlQuery enc(QStringLiteral("PRAGMA encoding"), raw);
        QVERIFY(enc.next());
        QCOMPARE(enc.value(0).toString(), QStringLiteral("UTF-8"));
        QSqlQuery idx(QStringLiteral("select count(*) from sqlite_master where type = 'index'"), raw);
        QVERIFY(idx.next());
        QCOMPARE(idx.value(0).toInt(), 0);
        auto columns = [&](const QString &table) { return columnsOf(raw, table); };
        QCOMPARE(columns("ModelSerial_Table"),
                 (QStringList{"Gripper_Serial_Index|integer|1|0", "Serial_Name|TEXT|0|0", "Table_Name|TEXT|0|0"}));
        for (const char *table : {"Adaptive", "FLA", "FLB", "FLC", "FLD", "FLR"})
            QCOMPARE(columns(table), (QStringList{"Model_Index|integer|0|0", "Model_Name|TEXT|0|0",
                                                  "SubModel_Index|integer|0|0", "SubModel_Name|TEXT|0|0",
                                                  "Description|TEXT|0|0"}));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
}

void TestDatabase::pictures()
{
    QTemporaryDir dir;
    VEVirurodOzoviDatabase db;
    QVERIFY(db.openDatabase(copyOut(dir, kModels)));
    const ModelMap *map = db.modelMap();
    QVERIFY(map);
    const QSet<QString> names(map->modelNames.cbegin(), map->modelNames.cend());
    QVERIFY(names.size() >= 6);
    for (const QString &name : names) {
        const QString resource = QStringLiteral(":/Resource/%1.png").arg(name);
        if (name == QLatin1String("TQP2-51500A")) {
            QVERIFY2(!QFile::exists(resource), "the extended module must fall back to the base picture");
            continue;
        }
        QVERIFY2(QFile::exists(resource), qPrintable(resource));
        const QImage image(resource);
        QVERIFY2(!image.isNull(), qPrintable(resource));
        QCOMPARE(image.width(), image.height());
        QVERIFY(image.width() >= 241);
    }
    QVERIFY(QFile::exists(":/Resource/TQP2-51500.png"));

    QVERIFY(!QPixmap(QStringLiteral(":/Resource/logo.icon")).isNull());
    const QIcon icon(QStringLiteral(":/Resource/logo.icon"));
    QVERIFY(!icon.isNull());
    QVERIFY(!icon.pixmap(32, 32).isNull());
}

void TestDatabase::copyLeavesWritableFile()
{
    QTemporaryDir dir;
    const QString to = dir.filePath("copy.db");
    const QString from = QStringLiteral(":/Resource/%1.db").arg(kGripper);
    QCOMPARE(copyFileContent(from, to), FileCopyResult::Copied);
    QCOMPARE(readAll(to), readAll(from));
    QVERIFY(QFile::permissions(to) & QFile::WriteOwner);

    // An earlier read-only copy is overwritten and left writable.
    QVERIFY(QFile::setPermissions(to, QFile::ReadOwner | QFile::ReadGroup));
    {
        QFile shorter(to);
        QVERIFY(QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(shorter.open(QIODevice::WriteOnly | QIODevice::Append));
        shorter.write("trailing junk that the copy must drop");
    }
    QVERIFY(QFile::setPermissions(to, QFile::ReadOwner | QFile::ReadGroup));
    QCOMPARE(copyFileContent(from, to), FileCopyResult::Copied);
    QVERIFY(QFile::permissions(to) & QFile::WriteOwner);
    QCOMPARE(readAll(to), readAll(from));

    // The copy can be written through SQL, as the tool's own copies must be.
    QVERIFY(alter(to, {"update register_indextable set Scan_Rate = 1 where Reg_Add_Hi = 0"}));

    QCOMPARE(copyFileContent(":/Resource/none.db", dir.filePath("none.db")), FileCopyResult::ReadFailed);
    QVERIFY(!QFile::exists(dir.filePath("none.db")));
    QCOMPARE(copyFileContent(from, dir.filePath("missing/folder/copy.db")), FileCopyResult::WriteFailed);
}

void TestDatabase::databasesAreReproducible_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sources");
    QTest::newRow("gripper") << QString(kGripper) << QStringLiteral(GV_GRIPPER_SQL);
    QTest::newRow("module") << QString(kModule) << QStringLiteral(GV_MODULE_SQL);
    QTest::newRow("models") << QString(kModels) << QStringLiteral(GV_MODEL_SQL);
}

void TestDatabase::databasesAreReproducible()
{
    QFETCH(QString, name);
    QFETCH(QString, sources);
    // Rebuilt from the same sources in another place and at another time, the file has
    // the very bytes that the build embedded.
    QTemporaryDir dir;
    const QString out = dir.filePath(name + QLatin1String(".db"));
    QProcess cmake;
    cmake.start(QStringLiteral(GV_CMAKE_COMMAND),
                {QStringLiteral("-DSQLITE3=" GV_SQLITE3_PROGRAM), QStringLiteral("-DOUT=") + out,
                 QStringLiteral("-DSOURCES=") + sources, QStringLiteral("-P"), QStringLiteral(GV_BUILDDB_SCRIPT)});
    QVERIFY(cmake.waitForFinished(60000));
    QVERIFY2(cmake.exitCode() == 0, cmake.readAllStandardError().constData());
    const QByteArray rebuilt = readAll(out);
    QVERIFY(rebuilt.size() >= 4096);
    QCOMPARE(rebuilt.size() % 4096, 0);
    QVERIFY(rebuilt == readAll(QStringLiteral(":/Resource/%1.db").arg(name)));
}

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
