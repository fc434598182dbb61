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

// Offset of the data of the block with this tag in a compiled translation.
int blockData(const QByteArray &qm, uchar tag)
{
    int at = 16;
    while (at + 5 <= qm.size() && uchar(qm.at(at)) != tag)
        at += 5 + int(qFromBigEndian<quint32>(qm.constData() + at + 1));
    return at + 5;
}

QByteArray with32(QByteArray qm, int at, quint32 value)
{
    qToBigEndian(value, qm.data() + at);
    return qm;
}

} // namespace

class TestTranslation : public QObject
{
    Q_OBJECT

private slots:
    void soundTranslationsPass()
    {
        // The program's own, and Qt's from Debian's qttranslations5-l10n (a null
        // translation in it has the length 0xffffffff).
        for (const QString &path : {Translation::builtIn("zh_CN.qm"), Translation::builtIn("en_US.qm"),
                                    QLibraryInfo::location(QLibraryInfo::TranslationsPath) + "/qtbase_zh_CN.qm"}) {
            QString problem;
            QVERIFY2(Translation::isSound(readAll(path), &problem), qPrintable(path + ": " + problem));
            QCOMPARE(CheckedTranslator().loadFirst({path}), path);
        }
    }

    // Damage of every kind is refused, or the file reads as a translation without a crash
    // (a flip inside a text changes only that text); the next file in line is taken.
    void damagedTranslations_data()
    {
        QTest::addColumn<QByteArray>("qm");
        QTest::addColumn<bool>("refused");
        const QByteArray good = readAll(Translation::builtIn("zh_CN.qm"));
        const int messages = blockData(good, 0x69), hashes = blockData(good, 0x42);
        QVERIFY(messages < good.size() && hashes < good.size());
        for (int length : {0, 15, 20, good.size() / 3, good.size() - 1})
            QTest::addRow("truncated to %d", length) << good.left(length) << true;
        QTest::newRow("huge block length") << with32(good, messages - 4, 0xFFFFFFF0u) << true;
        // The first message starts with a tag byte; its text's length follows.
        QTest::newRow("huge text length") << with32(good, messages + 1, 0x7FFFFFFFu) << true;
        QTest::newRow("hash entry beyond the messages") << with32(good, hashes + 4, 0xFFFFFF00u) << true;
        QTest::newRow("hash entry into a message") << with32(good, hashes + 4, 3) << false;
        QTest::newRow("names another file") << good + QByteArray::fromHex("9600000006000000020061") << true;
        QTest::newRow("not a translation") << QByteArray(300, '\xA5') << true;
        // As found: 200 bytes flipped anywhere.
        for (quint32 seed = 1; seed <= 40; ++seed) {
            QRandomGenerator random(seed);
            QByteArray bad = good;
            for (int i = 0; i < 200; ++i)
                bad[random.bounded(16, good.size())] = char(random.bounded(256));
            QTest::addRow("200 bytes flipped, seed %u", seed) << bad << false;
        }
    }
    void damagedTranslations()
    {
        QFETCH(QByteArray, qm);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        QFile file(dir.filePath("zh_CN.qm"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(qm) == qm.size());
        file.close();
        if (refused)
            QVERIFY(!Translation::isSound(qm));

        CheckedTranslator translator;
        const QString loaded = translator.loadFirst({file.fileName(), Translation::builtIn("zh_CN.qm")});
        QVERIFY(loaded == Translation::builtIn("zh_CN.qm") || (!refused && loaded == file.fileName()));
        // Lookups in several contexts walk the hash table and the messages it points to.
        for (const char *context : {"MainWindow", "ConnectionForm", "TrafficModel", "X"})
            for (const char *text : {"Initialize", "Control", "Search", "Auto-Connect", "Notice", "Value", ""})
                translator.translate(context, text);
        if (loaded != file.fileName())
            QCOMPARE(translator.translate("MainWindow", "Initialize"), QString::fromUtf8("初始化"));
    }

    // What is not a regular file of sensible size is never opened: a FIFO would block the
    // start, a huge file fill the memory.
    void onlySmallRegularFilesAreRead()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo.qm"), huge = dir.filePath("huge.qm");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QFile big(huge);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(Translation::MaxFileSize + 1));
        QStringList refused;
        const QString english = Translation::builtIn("en_US.qm");
        QCOMPARE(CheckedTranslator().loadFirst({fifo, huge, dir.filePath("none.qm"), dir.path(), english}, &refused),
                 english);
        QCOMPARE(refused.size(), 4);
        QVERIFY(refused.at(0).endsWith("not a regular file") && refused.at(1).endsWith("too large"));
    }
};

QTEST_MAIN(TestTranslation)
#include "tst_translation.moc"
