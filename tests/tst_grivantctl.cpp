// grivantctl against the device simulator: a backup, change and restore round trip that
// reaches the simulator's saved state, refusals that write nothing, a scan over two
// ports, the exit statuses, the doctor, and network ports served by pymodbus and the simulator.
#include "support/childprocess.h"
#include "support/fakesysfs.h"
#include "support/filesizelimit.h"
#include "support/simulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
    QJsonObject device(int i = 0) const { return json().value("devices").toArray().at(i).toObject(); }
};

// setup may redirect the output before the start; a file size limit makes a full disk.
Run ctl(const QStringList &arguments, const std::function<void(QProcess &)> &setup = {},
        rlim_t fileLimit = RLIM_INFINITY)
{
    QProcess process;
    if (setup)
        setup(process);
    {
        const FileSizeLimit fullDisk(fileLimit);
        process.start(QStringLiteral(GRIVANTCTL), arguments);
    }
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
    void messages_data();
    void messages();
    void fileTargets_data();
    void fileTargets();
    void restoreNamesWhatItLeavesAlone();
    void signalEndsCleanly_data();
    void signalEndsCleanly();
    void noisyLineEnds();
    void scanFindsDevicesOnTwoPorts();
    void exitStatuses_data();
    void exitStatuses();
    void deviceLostHalfWay();
    void permissionRefusalSaidOnce();
    void doctor_data();
    void doctor();
    void networkPorts_data();
    void networkPorts();

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

    // Refused alike by every register map: refused without opening the (missing) port.
    run = ctl({"write", "0x0300", "5", "--port", m_dir.filePath("no-such-port")});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("0x0300 Save: 5 is outside 0,1"), qPrintable(run.err));
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

// What grivantctl says names the device's own map and the real cause. PORT is the
// simulator's port, LINK a second name of it, LONG a name too long for the port's lock.
void TestGrivantctl::messages_data()
{
    QTest::addColumn<QStringList>("simulator");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("notSaid");

    const QStringList gripper;
    const QStringList module{"--model", "4001"};
    QTest::newRow("a gripper's range") << gripper << QStringList{"write", "0x0406", "150"} << 2
                                       << "0x0406 Force_1: 150 is outside 20~100; nothing was written" << "linear";
    QTest::newRow("a signed register") << module << QStringList{"write", "0x0308", "32768"} << 2
                                       << "0x0308 Home Offset: 32768 is outside -32768~32767 (a signed 16-bit register)"
                                       << "wrote";
    QTest::newRow("unknown group") << gripper << QStringList{"read", "Frobs"} << 2
                                   << "its groups: 0x00 Permission, 0x01 Control, 0x02 Feedback" << "";
    QTest::newRow("refused line setting") << gripper << QStringList{"info", "--parity", "even"} << 1
                                          << "refuses even parity" << "";
    QTest::newRow("path too long") << gripper << QStringList{"info", "--port", "LONG"} << 1
                                   << "too long for the port's lock file" << "busy";
    QTest::newRow("a relative path") << gripper << QStringList{"info", "--port", "RELATIVE"} << 0
                                     << "GZB-50W" << "no such port";
    QTest::newRow("a port named like a placeholder") << gripper << QStringList{"info", "--port", "PORT%1"} << 1
                                                     << "PORT%1 ID 1: " << "";
    QTest::newRow("two names, one port") << gripper << QStringList{"info", "--json", "--port", "PORT", "--port", "LINK"}
                                         << 0 << "LINK is the same port as PORT; it is served once"
                                         << "\"port\": \"LINK\"";
}

void TestGrivantctl::messages()
{
    QFETCH(QStringList, simulator);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QString, notSaid);
    Simulator sim(simulator);
    QVERIFY(sim.start());
    const QString link = m_dir.filePath("second-name");
    QString longPath = m_dir.path();
    for (char c : {'a', 'b', 'c'})
        longPath += '/' + QString(90, QLatin1Char(c));
    QVERIFY(QDir().mkpath(longPath));
    longPath += "/port";
    QFile::remove(link);
    QFile::remove(longPath);
    QVERIFY(QFile::link(sim.port(), link));
    QVERIFY(QFile::link(sim.port(), longPath));
    // a path with a slash below the working directory, not one under /dev
    const QString relative = "sim/port";
    QVERIFY(QDir().mkpath("sim"));
    QFile::remove(relative);
    QVERIFY(QFile::link(sim.port(), relative));

    const auto names = [&](QString text) {
        return text.replace("LINK", link).replace("LONG", longPath).replace("RELATIVE", relative).replace("PORT", sim.port());
    };
    if (!arguments.contains("--port"))
        arguments << "--port" << "PORT";
    for (QString &argument : arguments)
        argument = names(argument);
    const Run run = ctl(arguments);
    const QString all = QString::fromUtf8(run.out) + run.err;
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(all.contains(names(said)), qPrintable(all));
    if (!notSaid.isEmpty())
        QVERIFY2(!all.contains(names(notSaid)), qPrintable(all));
}

// Files that are not regular files, a full disk and a closed output: refused with the
// reason, the earlier backup kept byte for byte, no "saved" line for a file not saved.
void TestGrivantctl::fileTargets_data()
{
    QTest::addColumn<QString>("target"); // FIFO, DEVICE, FULL, ZERO, REPEATED or STDOUT
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");

    QTest::newRow("backup to a FIFO") << "FIFO" << "backup" << 2 << "it is a FIFO (named pipe)";
    QTest::newRow("backup to a device node") << "DEVICE" << "backup" << 2 << "it is a device";
    QTest::newRow("backup on a full disk") << "FULL" << "backup" << 2 << "File too large";
    QTest::newRow("restore from a FIFO") << "FIFO" << "restore" << 2 << "it is a FIFO (named pipe)";
    QTest::newRow("restore from /dev/zero") << "ZERO" << "restore" << 2 << "it is a device";
    QTest::newRow("restore, repeated key") << "REPEATED" << "restore" << 2 << "\"registers\" appears twice";
    QTest::newRow("restore to a parity the port refuses") << "EVEN" << "restore" << 1
                                                         << "where this port cannot follow it: ";
    QTest::newRow("output to a full disk") << "STDOUT" << "read" << 1
                                           << "cannot write the output: No space left on device";
}

void TestGrivantctl::fileTargets()
{
    QFETCH(QString, target);
    QFETCH(QString, command);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    const QString state = m_dir.filePath("targets-state");
    QFile::remove(state);
    Simulator sim({"--state", state});
    QVERIFY(sim.start());
    const QString good = m_dir.filePath("good.json");
    QCOMPARE(ctl({"backup", good, "--port", sim.port()}).exitCode, 0);
    const QByteArray goodBytes = readFile(good).toUtf8();

    QString path = m_dir.filePath("target");
    QFile::remove(path);
    rlim_t limit = RLIM_INFINITY;
    std::function<void(QProcess &)> setup;
    if (target == "FIFO") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (target == "DEVICE") {
        // A node of the system's null device in a folder of our own.
        if (mknod(QFile::encodeName(path).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
    } else if (target == "FULL") {
        path = good;
        limit = 1000; // the backup is some 3000 bytes
    } else if (target == "ZERO") {
        path = "/dev/zero";
    } else if (target == "REPEATED") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(goodBytes).replace("\"registers\"", R"("registers": [{"address": "0x0301", "value": 1}], "registers")"));
    } else if (target == "EVEN") {
        // The file's parity code 2 (even), which a pseudo-terminal cannot take.
        QJsonObject doc = QJsonDocument::fromJson(goodBytes).object();
        QJsonArray registers = doc.value("registers").toArray();
        for (int i = 0; i < registers.size(); ++i)
            if (registers.at(i).toObject().value("address") == "0x0305")
                registers[i] = QJsonObject{{"address", "0x0305"}, {"value", 2}};
        doc.insert("registers", registers);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(doc).toJson());
    } else if (target == "STDOUT") {
        setup = [](QProcess &p) { p.setStandardOutputFile("/dev/full"); };
    }
    QStringList arguments = command == "read" ? QStringList{"read", "3", "--json"} : QStringList{command, path};
    if (target == "EVEN")
        arguments << "--line-settings";
    const Run run = ctl(arguments + QStringList{"--port", sim.port()}, setup, limit);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
    QVERIFY2(!run.out.contains("saved to"), run.out.constData());
    QCOMPARE(readFile(good).toUtf8(), goodBytes);
    QFileInfo info(path);
    if (target == "FIFO" || target == "DEVICE")
        QVERIFY(!info.isFile() && info.exists());
    QVERIFY(!QFile::exists(state)); // nothing saved on the device
}

// A file whose names carry terminal escapes, with a register the device does not have:
// the dry run names every register it leaves alone, and prints no escape raw.
void TestGrivantctl::restoreNamesWhatItLeavesAlone()
{
    Simulator sim;
    QVERIFY(sim.start());
    const QString file = m_dir.filePath("hostile.json");
    QCOMPARE(ctl({"backup", file, "--port", sim.port()}).exitCode, 0);
    QJsonObject doc = QJsonDocument::fromJson(readFile(file).toUtf8()).object();
    QJsonArray registers = doc.value("registers").toArray();
    registers.append(QJsonObject{{"address", "0x0411"}, {"name", QString("\x1b[2JGone") + QChar(0x9b)}, {"value", 1}});
    doc.insert("registers", registers);
    QJsonObject model = doc.value("model").toObject();
    model.insert("name", "\x1b]0;title\x07GZB");
    doc.insert("model", model);
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(QJsonDocument(doc).toJson());
    out.close();

    Run run = ctl({"restore", file, "--dry-run", "--port", sim.port()});
    QCOMPARE(run.exitCode, 0);
    const QString text = QString::fromUtf8(run.out);
    QVERIFY2(text.contains("not written (not in the register map of this device): 0x0411 \\x1b[2JGone\\x9b"),
             qPrintable(text));
    QVERIFY(text.contains("not written (a command, not a value): 0x0300 Save, 0x0400 Test I/O parameters"));
    QVERIFY(!text.contains(QChar(0x1b)) && !text.contains(QChar(0x9b)));
    run = ctl({"restore", file, "--dry-run", "--json", "--port", sim.port()});
    QVERIFY(!run.out.contains('\x1b') && !run.out.contains("\xc2\x9b"));
    QVERIFY(run.out.contains(R"("name": "\u001b[2JGone\u009b")"));
}

// A signal in the middle: the request on the wire is finished, nothing more goes out, the
// report says what was written, and no file is left behind. A bare scan says first how
// long it may take, and a signal ends it too.
void TestGrivantctl::signalEndsCleanly_data()
{
    QTest::addColumn<int>("signo");
    QTest::addColumn<QString>("command");
    QTest::newRow("SIGINT mid-restore") << int(SIGINT) << "restore";
    QTest::newRow("SIGTERM mid-restore") << int(SIGTERM) << "restore";
    QTest::newRow("SIGINT in a bare scan") << int(SIGINT) << "scan";
}

void TestGrivantctl::signalEndsCleanly()
{
    QFETCH(int, signo);
    QFETCH(QString, command);
    const QString file = m_dir.filePath("signal.json");
    {
        Simulator sim;
        QVERIFY(sim.start());
        QCOMPARE(ctl({"backup", file, "--port", sim.port()}).exitCode, 0);
    }
    const QString state = m_dir.filePath("signal-state");
    QFile::remove(state);
    // Each answer 100 ms late; the log shows the first write arrive.
    Simulator sim({"--delay", "100", "-v", "--state", state, "--id", "9"});
    sim.process()->setProcessChannelMode(QProcess::MergedChannels);
    QVERIFY(sim.start());
    QTemporaryDir tmp;
    QProcess ctlProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmp.path());
    ctlProcess.setProcessEnvironment(env);
    const QStringList arguments = command == "scan" ? QStringList{"scan", "--port", sim.port()}
                                                    : QStringList{"restore", file, "--id", "9", "--port", sim.port()};
    ctlProcess.start(GRIVANTCTL, arguments);
    QByteArray said;
    if (command == "scan") {
        QTRY_VERIFY_WITH_TIMEOUT((said += ctlProcess.readAllStandardError()).contains("this scan takes up to about"),
                                 20000);
    } else {
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += sim.process()->readAll()).contains("> 09 06 03 01"), 20000);
    }
    ::kill(pid_t(ctlProcess.processId()), signo);
    QVERIFY(ctlProcess.waitForFinished(20000));
    QCOMPARE(ctlProcess.exitStatus(), QProcess::NormalExit);
    QCOMPARE(ctlProcess.exitCode(), 128 + signo);
    const QString err = QString::fromUtf8(said + ctlProcess.readAllStandardError());
    QVERIFY2(err.contains("stopped by SIG"), qPrintable(err));
    if (command == "restore") {
        QVERIFY2(err.contains("written: 0x0301; not written: 0x0306, 0x0401-0x0410; nothing saved"), qPrintable(err));
        QVERIFY(!QFile::exists(state));
    }
    QCOMPARE(QDir(tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

// A line that never goes quiet (here a pseudo-terminal fed without a pause) ends the
// command with its cause instead of holding it for ever.
void TestGrivantctl::noisyLineEnds()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    const QString port = QString::fromLocal8Bit(ptsname(master));
    std::atomic_bool stop{false};
    std::thread noise([&] {
        const QByteArray bytes(64, '\x55');
        char sink[256];
        while (!stop) {
            if (::write(master, bytes.constData(), std::size_t(bytes.size())) < 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            while (::read(master, sink, sizeof sink) > 0) {
            }
        }
    });
    const Run info = ctl({"info", "--port", port});
    const Run read = ctl({"read", "3", "--port", port});
    stop = true;
    noise.join();
    ::close(master);
    for (const Run &run : {info, read}) {
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("the line is busy or noisy"), qPrintable(run.err));
    }
}

// A port this user may not open is told once, with what to do about it. As root, whom no
// mode keeps out, the command runs as nobody.
void TestGrivantctl::permissionRefusalSaidOnce()
{
    const bool root = ::geteuid() == 0;
    const QStringList asNobody = {"--reuid=65534", "--regid=65534", "--clear-groups", GRIVANTCTL};
    if (root && QProcess::execute("setpriv", asNobody + QStringList{"--version"}) != 0)
        QSKIP("nobody may not run grivantctl where it was built");
    QTemporaryDir dir("/tmp/grivantctl-locked-XXXXXX"); // a folder nobody may pass through
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                  | QFileDevice::ReadOther | QFileDevice::ExeOther));
    const QString port = dir.filePath("ttyLOCKED");
    QFile file(port);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(file.setPermissions(root ? QFileDevice::ReadOwner | QFileDevice::WriteOwner : QFileDevice::Permissions()));
    QProcess process;
    if (root)
        process.start("setpriv", asNobody + QStringList{"info", "--port", port});
    else
        process.start(GRIVANTCTL, {"info", "--port", port});
    QVERIFY(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(err.count("permission", Qt::CaseInsensitive), 1);
    QVERIFY2(err.contains(QString("%1 ID 1: no permission to open %1: ").arg(port)), qPrintable(err));
    QVERIFY2(err.contains("udev rule") || err.contains("join the group"), qPrintable(err));
}

// The doctor on a simulator, behind a fake FTDI adapter where the row has a timer: the
// pseudo-terminal takes no low-latency flag, so the timer file is written while the port
// is open and written back at close.
void TestGrivantctl::doctor_data()
{
    QTest::addColumn<QStringList>("simulator");
    QTest::addColumn<QByteArray>("timer"); // the fake adapter's latency_timer; none when null
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected"); // key=value of the report, ';' between them
    QTest::addColumn<QString>("advice");

    QTest::newRow("FTDI at 16 ms") << QStringList() << QByteArray("16\n") << 0
                                   << "adapter.driver=ftdi_sio;adapter.vendorId=0403;latency.timerBeforeMs=16;"
                                      "latency.timerAfterMs=1;latency.timerAfterCloseMs=16;latency.lowLatency=true;"
                                      "echo=false;turnaround.answered=20"
                                   << "71-grivant-ftdi-latency.rules sets it to 1 ms for good";
    QTest::newRow("timer that lies: left alone") << QStringList() << QByteArray("abc") << 0
                                                 << "latency.state=unknown;latency.timerAfterCloseMs=null"
                                                 << "could not be read";
    QTest::newRow("echo") << QStringList{"--echo"} << QByteArray() << 0
                          << "adapter.kind=pseudo-terminal;echo=true;turnaround.answered=20;latency.lowLatency=null"
                          << "echoes what it sends: switch its echo off, or let Grivant skip it";
    QTest::newRow("only the echo comes back") << QStringList{"--echo", "--corrupt-requests", "1"} << QByteArray() << 3
                                              << "echo=true;turnaround.answered=0"
                                              << "only the adapter's echo of the request came back";
    QTest::newRow("nobody at that ID") << QStringList{"--id", "5"} << QByteArray() << 3
                                       << "turnaround.reads=3;turnaround.answered=0;suggestedTimeoutMs=null"
                                       << "ID 1 did not answer at 115200 8N1";
    QTest::newRow("device answering late") << QStringList{"--delay", "30"} << QByteArray() << 0
                                           << "turnaround.answered=20;echo=false" << "";
}

void TestGrivantctl::doctor()
{
    QFETCH(QStringList, simulator);
    QFETCH(QByteArray, timer);
    Simulator sim(simulator);
    QVERIFY(sim.start());
    QTemporaryDir root;
    QString device;
    if (!timer.isNull())
        device = FakeSysfs::makeUsb(root.path(), FakeSysfs::ftdi(timer), FakeSysfs::devChar(sim.port()));
    const Run run = ctl({"doctor", "--port", sim.port(), "--json"}, [&root](QProcess &p) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("GRIVANT_SYSFS_ROOT", root.path());
        p.setProcessEnvironment(env);
    });
    QTEST(run.exitCode, "exitCode");
    const QJsonObject report = run.json();
    QFETCH(QString, expected);
    for (const QString &pair : expected.split(';')) {
        const QString key = pair.section('=', 0, 0);
        QJsonValue v = report;
        for (const QString &part : key.split('.'))
            v = v.toObject().value(part);
        const QString shown = v.isBool() ? (v.toBool() ? "true" : "false")
                              : v.isDouble() ? QString::number(v.toDouble())
                              : v.isNull() ? "null" : v.toString();
        QVERIFY2(shown == pair.section('=', 1), qPrintable(key + " = " + shown));
    }
    QFETCH(QString, advice);
    const QJsonArray given = report.value("advice").toArray();
    QVERIFY2(advice.isEmpty() ? given.isEmpty()
                              : QJsonDocument(given).toJson().contains(advice.toUtf8()),
             QJsonDocument(given).toJson().constData());
    if (!device.isEmpty())
        QCOMPARE(readFile(device + "/latency_timer"), QString::fromLatin1(timer)); // as it was found

    // Answer times: a device 30 ms late is never measured faster, and the time-out suggested
    // covers the slow answers.
    const QJsonObject turnaround = report.value("turnaround").toObject();
    const double p50 = turnaround.value("p50Ms").toDouble();
    const double p95 = turnaround.value("p95Ms").toDouble();
    if (simulator.contains("--delay")) {
        QVERIFY2(p50 >= 29 && p95 >= p50, qPrintable(QString("%1 %2").arg(p50).arg(p95)));
        QVERIFY(report.value("suggestedTimeoutMs").toInt() >= p95 * 1.5);
    }
}

// Modbus servers of other makes: pymodbus serving a gripper's identification, in either
// framing, and the simulator as a device server; a port nobody listens on.
void TestGrivantctl::networkPorts_data()
{
    QTest::addColumn<QString>("server"); // pymodbus-rtu, pymodbus-tcp, devsim-rtu, none
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected"); // on stdout for 0, on stderr otherwise

    QTest::newRow("pymodbus, RTU over TCP, info")
        << "pymodbus-rtu" << QStringList{"info", "--port", "rtu+tcp://ADDRESS"} << 0
        << "RTU over TCP  GZB-50W  0x2701  1.2.3  2.30  1A2B3C4D";
    QTest::newRow("pymodbus, Modbus TCP, info")
        << "pymodbus-tcp" << QStringList{"info", "--port", "tcp://ADDRESS"} << 0
        << "Modbus TCP  GZB-50W  0x2701  1.2.3  2.30  1A2B3C4D";
    QTest::newRow("pymodbus, Modbus TCP, write")
        << "pymodbus-tcp" << QStringList{"write", "0x0406", "60", "--port", "tcp://ADDRESS?timeout=500"} << 0
        << "wrote 0x0406 Force_1 = 60";
    QTest::newRow("simulator, RTU over TCP, scan")
        << "devsim-rtu" << QStringList{"scan", "--ids", "1-3", "--port", "rtu+tcp://ADDRESS?baud=115200"} << 0
        << "rtu+tcp://ADDRESS?baud=115200  -     -       -     2   TQP2-51500";
    QTest::newRow("nothing listens") << "none" << QStringList{"info", "--port", "tcp://ADDRESS"} << 1
                                     << "the Modbus TCP device at ADDRESS cannot be reached: it refuses the connection";
    QTest::newRow("malformed address") << "none" << QStringList{"info", "--port", "tcp://[::1:502"} << 2
                                       << "--port \"tcp://[::1:502\": the IPv6 address lacks its closing ']'";
    QTest::newRow("line settings of a network port")
        << "none" << QStringList{"info", "--port", "tcp://ADDRESS", "--parity", "even"} << 2
        << "--parity sets a serial line, and a network port has none";
}

void TestGrivantctl::networkPorts()
{
    QFETCH(QString, server);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, expected);
    QTcpServer probe; // a port free a moment ago
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const QString address = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
    probe.close();

    QProcess peer;
    std::unique_ptr<Simulator> sim;
    if (server.startsWith("pymodbus")) {
        peer.start("/usr/bin/python3", {QFINDTESTDATA("support/pymodbus_peer.py"), "server", server.mid(9),
                                        "127.0.0.1", address.section(':', 1)});
        QTRY_VERIFY_WITH_TIMEOUT(peer.canReadLine() || peer.state() == QProcess::NotRunning, 20000);
        QCOMPARE(peer.readLine().trimmed(), QByteArray("ready"));
    } else if (server == "devsim-rtu") {
        sim = std::make_unique<Simulator>(QStringList{"--listen", address, "--framing", "rtu", "--id", "1-3",
                                                      "--model", "2701,4001,5201", "--wire-time"});
        QVERIFY(sim->start());
    }
    arguments.replaceInStrings("ADDRESS", address);
    const Run run = ctl(arguments);
    endChildProcess(peer);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
    const QString shown = run.exitCode == 0 ? QString::fromUtf8(run.out) : run.err;
    QVERIFY2(shown.contains(QString(expected).replace("ADDRESS", address)), qPrintable(shown));
}

QTEST_GUILESS_MAIN(TestGrivantctl)
#include "tst_grivantctl.moc"
