#include "app/translation.h"

#include <QFile>
#include <QLibraryInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <sys/stat.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray chinese()
{
    return readAll(Translation::builtIn("zh_CN.qm"));
}

// Offset of the length field of the block with this tag; -1 if there is none.
int lengthField(const QByteArray &qm, uchar tag)
{
    for (int at = 16; at + 5 <= qm.size();) {
        const quint32 length = qFromBigEndian<quint32>(qm.constData() + at + 1);
        if (uchar(qm.at(at)) == tag)
            return at + 1;
        at += 5 + int(length);
    }
    return -1;
}

void put32(QByteArray &qm, int at, quint32 value)
{
    qToBigEndian(value, qm.data() + at);
}

enum Expect { Refused, Either };

// Texts of several contexts, some translated and some not: every lookup walks the hash
// table and the messages it points to.
void lookUpMany(const QTranslator &translator)
{
    for (const char *context : {"MainWindow", "ConnectionForm", "TrafficModel", "VXRegisterDatabase", "X"})
        for (const char *text : {"Initialize", "Control", "Search", "Auto-Connect", "Notice", "Help", "About",
                                 "Traffic monitor", "Not found file: %1", "Value", "", "?"})
            translator.translate(context, text);
}

} // namespace

class TestTranslation : public QObject
{
    Q_OBJECT

private slots:
    void soundTranslationsPass_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("program, Chinese") << Translation::builtIn("zh_CN.qm");
        QTest::newRow("program, English") << Translation::builtIn("en_US.qm");
        // Debian's qttranslations5-l10n, which the build installs.
        QTest::newRow("Qt, Chinese") << QLibraryInfo::location(QLibraryInfo::TranslationsPath) + "/qtbase_zh_CN.qm";
    }
    void soundTranslationsPass()
    {
        QFETCH(QString, path);
        const QByteArray qm = readAll(path);
        QVERIFY2(!qm.isEmpty(), qPrintable(path));
        QString problem;
        QVERIFY2(Translation::isSound(qm, &problem), qPrintable(problem));
        CheckedTranslator translator;
        QCOMPARE(translator.loadFirst({path}), path);
    }

    // Damage of every kind is refused, or the file reads as a translation without a crash
    // (a flip inside a text changes only that text); the next file in line is taken.
    void damagedTranslations_data()
    {
        QTest::addColumn<QByteArray>("qm");
        QTest::addColumn<int>("expect");
        const QByteArray good = chinese();
        QVERIFY(good.size() > 1000);

        for (int length : {0, 15, 20, good.size() / 3, good.size() / 2, good.size() - 1})
            QTest::addRow("truncated to %d", length) << good.left(length) << int(Refused);
        QTest::newRow("magic number only") << good.left(16) << int(Either);

        const int messages = lengthField(good, 0x69);
        const int hashes = lengthField(good, 0x42);
        QVERIFY(messages > 0 && hashes > 0);
        QByteArray bad = good;
        put32(bad, messages, 0xFFFFFFF0u);
        QTest::newRow("huge block length") << bad << int(Refused);
        bad = good;
        // The first message starts with a tag byte; its text length follows.
        put32(bad, messages + 4 + 1, 0x7FFFFFFFu);
        QTest::newRow("huge text length") << bad << int(Refused);
        bad = good;
        put32(bad, hashes + 4 + 4, 0xFFFFFF00u);
        QTest::newRow("hash entry beyond the messages") << bad << int(Refused);
        bad = good;
        bad[hashes + 4 + 8 + 7] = char(bad[hashes + 4 + 8 + 7] ^ 0x2B);
        QTest::newRow("hash entry far into the messages") << bad << int(Either);
        QTest::newRow("names another file") << good + QByteArray::fromHex("9600000006000000020061") << int(Refused);
        QTest::newRow("not a translation") << QByteArray(300, '\xA5') << int(Refused);

        // As found: 200 bytes flipped anywhere.
        for (quint32 seed = 1; seed <= 40; ++seed) {
            QRandomGenerator random(seed);
            bad = good;
            for (int i = 0; i < 200; ++i)
                bad[random.bounded(16, good.size())] = char(random.bounded(256));
            QTest::addRow("200 bytes flipped, seed %u", seed) << bad << int(Either);
        }
    }
    void damagedTranslations()
    {
        QFETCH(QByteArray, qm);
        QFETCH(int, expect);
        QTemporaryDir dir;
        const QString damaged = dir.filePath("zh_CN.qm");
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(qm);
        file.close();

        if (expect == Refused)
            QVERIFY(!Translation::isSound(qm));
        CheckedTranslator translator;
        QStringList refused;
        const QString loaded = translator.loadFirst({damaged, Translation::builtIn("zh_CN.qm")}, &refused);
        QVERIFY(!loaded.isEmpty());
        QCOMPARE(loaded == damaged, refused.isEmpty());
        if (expect == Refused)
            QCOMPARE(loaded, Translation::builtIn("zh_CN.qm"));
        lookUpMany(translator);
        if (loaded != damaged)
            QCOMPARE(translator.translate("MainWindow", "Initialize"), QString::fromUtf8("初始化"));
    }

    // What is not a regular file of sensible size is never opened: a FIFO would block the
    // start, a huge file fill the memory.
    void onlySmallRegularFilesAreRead()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo.qm");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString huge = dir.filePath("huge.qm");
        QFile big(huge);
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(chinese());
        QVERIFY(big.resize(Translation::MaxFileSize + 1));
        big.close();

        CheckedTranslator translator;
        QStringList refused;
        const QString english = Translation::builtIn("en_US.qm");
        QCOMPARE(translator.loadFirst({fifo, huge, dir.filePath("missing.qm"), dir.path(), english}, &refused),
                 english);
        QCOMPARE(refused.size(), 4);
        QVERIFY(refused.at(0).endsWith("not a regular file"));
        QVERIFY(refused.at(1).endsWith("too large"));
        QVERIFY(refused.at(2).endsWith("missing"));
    }
};

QTEST_MAIN(TestTranslation)
#include "tst_translation.moc"
