// grivantctl against the device simulator: a backup, change and restore round trip that
// reaches the simulator's saved state, refusals that write nothing, a scan over two
// ports, and the exit statuses.
#include "support/simulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
    QJsonObject device(int i = 0) const { return json().value("devices").toArray().at(i).toObject(); }
};

Run ctl(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(GRIVANTCTL), arguments);
    Run run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("grivantctl did not finish");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// Register values of a `read --json` answer by address text.
QMap<QString, int> values(const Run &run)
{
    QMap<QString, int> map;
    for (const QJsonValue &r : run.device().value("registers").toArray())
        map.insert(r.toObject().value("address").toString(), r.toObject().value("value").toInt());
    return map;
}

} // namespace

class TestGrivantctl : public QObject
{
    Q_OBJECT

private slots:
    void backupChangeRestore();
    void refusalsWriteNothing();
    void scanFindsDevicesOnTwoPorts();
    void exitStatuses_data();
    void exitStatuses();
    void deviceLostHalfWay();

private:
    QTemporaryDir m_dir;
};

void TestGrivantctl::backupChangeRestore()
{
    const QString state = m_dir.filePath("state");
    Simulator sim({"--state", state, "--uid", "ABCD1234"});
    QVERIFY(sim.start());
    const QStringList port{"--port", sim.port()};
    const QString file = m_dir.filePath("gripper.json");

    Run run = ctl(QStringList{"backup", file} + port);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains("24 registers of groups 0x03, 0x04 saved to"));
    const QJsonObject doc = QJsonDocument::fromJson(readFile(file).toUtf8()).object();
    QCOMPARE(doc.value("format").toString(), QString("grivant-parameters"));
    QCOMPARE(doc.value("formatVersion").toInt(), 1);
    QCOMPARE(doc.value("model").toObject().value("name").toString(), QString("GZB-50W"));
    QCOMPARE(doc.value("model").toObject().value("code").toString(), QString("0x2701"));
    QCOMPARE(doc.value("uniqueId").toString(), QString("ABCD1234"));
    QCOMPARE(doc.value("registers").toArray().size(), 24);
    const Run before = ctl(QStringList{"read", "4", "--json"} + port);
    QCOMPARE(values(before).value("0x0406"), 100);

    // Change stored values on the device and save them there.
    QCOMPARE(ctl(QStringList{"write", "0x0301", "1"} + port).exitCode, 0);
    QCOMPARE(ctl(QStringList{"write", "0x0405", "300", "60", "55"} + port).exitCode, 0);
    QCOMPARE(ctl(QStringList{"write", "0x0300", "1"} + port).exitCode, 0);
    QVERIFY(readFile(state).contains("0406 003C"));

    // A dry run shows the writes and sends none.
    run = ctl(QStringList{"restore", file, "--dry-run", "--json"} + port);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.device().value("writes").toArray().size(), 18);
    QCOMPARE(values(ctl(QStringList{"read", "0x0406", "--json"} + port)).value("0x0406"), 60);

    run = ctl(QStringList{"restore", file, "--json"} + port);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.device().value("saved").toBool(), true);
    QCOMPARE(run.device().value("written").toString(), QString("0x0301, 0x0306, 0x0401-0x0410"));
    QVERIFY(run.device().value("differences").toArray().isEmpty());

    // Every stored value is back, on the device and in its saved state.
    QCOMPARE(values(ctl(QStringList{"read", "4", "--json"} + port)), values(before));
    QCOMPARE(values(ctl(QStringList{"read", "3", "--json"} + port)).value("0x0301"), 0);
    const QString saved = readFile(state);
    for (const char *line : {"0301 0000", "0405 0000", "0406 0064", "0407 0064"})
        QVERIFY2(saved.contains(line), line);
}

void TestGrivantctl::refusalsWriteNothing()
{
    const QString file = m_dir.filePath("for-module.json");
    const QString state = m_dir.filePath("module-state");
    Simulator module({"--model", "4002", "--state", state});
    Simulator gripper({"--model", "2701"});
    QVERIFY(module.start());
    QVERIFY(gripper.start());
    QCOMPARE(ctl({"backup", file, "--port", gripper.port()}).exitCode, 0);

    // Another model: refused before any write, so the module saves nothing.
    Run run = ctl({"restore", file, "--port", module.port()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("the file is for GZB-50W (0x2701), this device is TQP2-51500A (0x4002): refused"),
             qPrintable(run.err));
    QVERIFY(!QFile::exists(state));

    // Out of range for every register map: refused without opening the (missing) port.
    run = ctl({"write", "0x0101", "150", "--port", m_dir.filePath("no-such-port")});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("0x0101 Force: 150 is outside 0~100"), qPrintable(run.err));
    run = ctl({"write", "0x0200", "1", "--port", m_dir.filePath("no-such-port")});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains("read-only"));
    // Out of range only for the identified model: refused after identification alone.
    run = ctl({"write", "0x0101", "0", "--port", module.port()});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("Push-Force: 0 is outside 1~100"), qPrintable(run.err));
    QCOMPARE(values(ctl({"read", "0x0101", "--json", "--port", module.port()})).value("0x0101"), 40);
}

void TestGrivantctl::scanFindsDevicesOnTwoPorts()
{
    Simulator first({"--id", "1", "--uid", "00000001"});
    Simulator second({"--id", "2", "--model", "4001", "--uid", "00000002"});
    QVERIFY(first.start());
    QVERIFY(second.start());
    const Run run = ctl({"scan", "--port", first.port(), "--port", second.port(), "--ids", "1-2", "--baud",
                         "115200", "--parity", "none", "--json"});
    QCOMPARE(run.exitCode, 0);
    const QJsonArray devices = run.json().value("devices").toArray();
    QCOMPARE(devices.size(), 2);
    QCOMPARE(devices.at(0).toObject().value("port").toString(), first.port());
    QCOMPARE(devices.at(0).toObject().value("id").toInt(), 1);
    QCOMPARE(devices.at(0).toObject().value("uniqueId").toString(), QString("00000001"));
    QCOMPARE(devices.at(1).toObject().value("id").toInt(), 2);
    QCOMPARE(devices.at(1).toObject().value("model").toObject().value("name").toString(), QString("TQP2-51500"));
    QCOMPARE(devices.at(1).toObject().value("baud").toInt(), 115200);
}

void TestGrivantctl::exitStatuses_data()
{
    QTest::addColumn<QStringList>("simulator");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QStringList plain;
    QTest::newRow("unknown command") << plain << QStringList{"frobnicate", "--port", "PORT"} << 2 << "unknown command";
    QTest::newRow("no port") << plain << QStringList{"info"} << 2 << "--port";
    QTest::newRow("bad id") << plain << QStringList{"info", "--id", "300", "--port", "PORT"} << 2 << "1 to 247";
    QTest::newRow("missing file") << plain << QStringList{"restore", "DIR/none.json", "--port", "PORT"} << 2
                                  << "cannot read";
    QTest::newRow("one file, two devices") << plain << QStringList{"backup", "DIR/x.json", "--ids", "1-2", "--port", "PORT"}
                                           << 2 << "several files";
    QTest::newRow("info") << plain << QStringList{"info", "--port", "PORT"} << 0 << "";
    QTest::newRow("nobody at that ID") << plain << QStringList{"info", "--id", "9", "--port", "PORT"} << 3
                                       << "no answer";
    QTest::newRow("device refuses") << QStringList{"--exception", "2"} << QStringList{"info", "--port", "PORT"} << 1
                                    << "illegal data address";
    QTest::newRow("missing port") << plain << QStringList{"info", "--port", "DIR/nothing"} << 1 << "no such port";
    QTest::newRow("scan finds nothing") << plain
                                        << QStringList{"scan", "--port", "PORT", "--ids", "7", "--baud", "115200",
                                                       "--parity", "none"}
                                        << 3 << "no device answered";
}

void TestGrivantctl::exitStatuses()
{
    QFETCH(QStringList, simulator);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    Simulator sim(simulator);
    QVERIFY(sim.start());
    arguments.replaceInStrings("PORT", sim.port());
    arguments.replaceInStrings("DIR", m_dir.path());
    const Run run = ctl(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
}

// The device goes after the first of the three write requests: the report names what was
// written and what was not, nothing is saved, and the status says no device answers.
void TestGrivantctl::deviceLostHalfWay()
{
    const QString file = m_dir.filePath("lost.json");
    {
        Simulator sim;
        QVERIFY(sim.start());
        QCOMPARE(ctl({"backup", file, "--port", sim.port()}).exitCode, 0);
    }
    const QString state = m_dir.filePath("lost-state");
    // Requests: identification, two group reads, the first write.
    Simulator sim({"--vanish-after", "4", "--state", state});
    QVERIFY(sim.start());
    const Run run = ctl({"restore", file, "--port", sim.port(), "--json"});
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.device().value("written").toString(), QString("0x0301"));
    QCOMPARE(run.device().value("notWritten").toString(), QString("0x0306, 0x0401-0x0410"));
    QCOMPARE(run.device().value("saved").toBool(true), false);
    QVERIFY(run.device().value("error").toString().contains("nothing saved"));
    QVERIFY(!QFile::exists(state));
}

QTEST_GUILESS_MAIN(TestGrivantctl)
#include "tst_grivantctl.moc"
