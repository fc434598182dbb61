// The adapter behind a port, read from fake sysfs trees, and what is done about its
// latency: the decision against a scripted driver, and the whole round (lower at open,
// put back at close) on a pseudo-terminal whose device number the fake tree knows.
#include "link/adaptersession.h"
#include "link/answerwatch.h"
#include "link/modbusframe.h"
#include "link/serialadapter.h"
#include "support/fakesysfs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace SerialAdapter;
using namespace FakeSysfs;

namespace {

// The driver as a script: what each call answers, and every call in the order made.
class ScriptedDriver : public LatencyControl
{
public:
    int timer = 16;
    bool flagKnown = true;    // TIOCGSERIAL works
    bool flagOn = false;
    bool flagTaken = true;    // TIOCSSERIAL works
    bool flagLowers = true;   // the driver turns the flag into a 1 ms timer
    bool timerWritable = true;
    int timerReadsAfterWrite = -2; // -2: what was written
    bool clearFails = false;
    QStringList calls;

    bool lowLatency(bool *on, QString *why) override
    {
        calls << "get";
        if (!flagKnown) {
            *why = "Inappropriate ioctl for device";
            return false;
        }
        *on = flagOn;
        return true;
    }
    bool setLowLatency(bool on, QString *why) override
    {
        calls << QString("set %1").arg(on);
        if (!flagTaken || (!on && clearFails)) {
            *why = "Operation not permitted";
            return false;
        }
        flagOn = on;
        return true;
    }
    int readTimer(QString *) override
    {
        calls << "read";
        return flagOn && flagLowers ? 1 : timer;
    }
    bool writeTimer(int ms, QString *why) override
    {
        calls << QString("write %1").arg(ms);
        if (!timerWritable) {
            *why = "Permission denied";
            return false;
        }
        timer = timerReadsAfterWrite == -2 || ms != 1 ? ms : timerReadsAfterWrite;
        return true;
    }
};

QString stateName(Latency::State s)
{
    switch (s) {
    case Latency::State::NoTimer: return "no timer";
    case Latency::State::Unknown: return "unknown";
    case Latency::State::Low: return "low";
    case Latency::State::LoweredByFlag: return "flag";
    case Latency::State::LoweredByTimer: return "timer";
    case Latency::State::High: return "high";
    }
    return "?";
}

} // namespace

class TestAdapter : public QObject
{
    Q_OBJECT

private slots:
    void identifies_data();
    void identifies();
    void badTrees_data();
    void badTrees();
    void pseudoTerminalWithoutEntry();
    void latencyDecision_data();
    void latencyDecision();
    void lowersAtOpenAndPutsBackAtClose();
    void echoSetAside_data();
    void echoSetAside();
    void turnaround_data();
    void turnaround();
};

void TestAdapter::identifies_data()
{
    QTest::addColumn<Adapter>("adapter");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("driver");
    QTest::addColumn<int>("timer");
    QTest::addColumn<QString>("described");

    QTest::newRow("ftdi") << ftdi("16\n") << "usb" << "ftdi_sio" << 16
                          << "FT232R USB UART (FTDI, USB 0403:6001), driver ftdi_sio";
    // The module's name from the interface, not the port driver's "ch341-uart".
    QTest::newRow("ch341") << Adapter{"ttyUSB0", "ch341", "ch341-uart", "1a86", "7523", {}, {}, {}} << "usb"
                           << "ch341" << -1 << "CH340/CH341 adapter (WCH, USB 1a86:7523), driver ch341";
    QTest::newRow("cp210x") << Adapter{"ttyUSB3", "cp210x", "cp210x", "10c4", "EA60", "Silicon Labs", "CP2102", {}}
                            << "usb" << "cp210x" << -1 << "CP2102 (Silicon Labs, USB 10c4:ea60), driver cp210x";
    QTest::newRow("pl2303") << Adapter{"ttyUSB1", "pl2303", "pl2303", "067b", "2303", {}, {}, {}} << "usb"
                            << "pl2303" << -1 << "PL2303 adapter (Prolific, USB 067b:2303), driver pl2303";
    QTest::newRow("cdc_acm") << Adapter{"ttyACM0", "cdc_acm", {}, "2e8a", "000a", {}, "Pico", {}} << "usb"
                             << "cdc_acm" << -1 << "Pico (USB 2e8a:000a), driver cdc_acm";
    // What the adapter calls itself never reaches a terminal or a label as it stands.
    QTest::newRow("hostile names") << Adapter{"ttyUSB0", "ftdi_sio", "ftdi_sio", "0403", "6001",
                                              "\x1b[31mEvil\x07", "A\u202Eb" + QByteArray(200, 'x'), "1"}
                                   << "usb" << "ftdi_sio" << 1
                                   << "Ab" + QString(45, 'x') + QChar(0x2026) + " ([31mEvil, USB 0403:6001), driver ftdi_sio";
}

void TestAdapter::identifies()
{
    QFETCH(Adapter, adapter);
    QFETCH(QString, kind);
    QTemporaryDir root;
    makeUsb(root.path(), adapter);
    const Identity id = identify("/dev/" + adapter.tty, root.path());
    QCOMPARE(id.kind == Kind::Usb ? QString("usb") : QString("other"), kind);
    QCOMPARE(id.tty, adapter.tty);
    QTEST(id.driver, "driver");
    QTEST(id.timerMs, "timer");
    QTEST(describe(id), "described");
    QCOMPARE(hasLatencyTimer(id), adapter.driver == "ftdi_sio");
}

void TestAdapter::badTrees_data()
{
    // What to do to a good FTDI tree; what identification then says.
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("timer");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("latency");

    QTest::newRow("timer not a number") << "timer abc" << -1 << "latency_timer reads \"abc\", not a number"
                                        << "latency timer not known";
    QTest::newRow("timer too long") << "timer 100000" << -1 << "latency_timer reads 100000, beyond the 255 ms"
                                    << "latency timer not known";
    QTest::newRow("timer missing") << "no timer" << -1 << "no latency_timer in" << "latency timer not known";
    QTest::newRow("timer unreadable") << "timer is a folder" << -1 << "latency_timer cannot be read"
                                      << "latency timer not known";
    QTest::newRow("no USB IDs") << "no ids" << 16 << "no readable USB IDs" << "latency timer 16 ms";
    QTest::newRow("no tree") << "no root" << -1 << "no sysfs at" << "";
    QTest::newRow("dangling class link") << "dangling" << -1 << "has no entry under" << "";
    QTest::newRow("device link loops") << "loop" << -1 << "" << "";
    QTest::newRow("native port") << "native" << -1 << "" << "";
}

void TestAdapter::badTrees()
{
    QFETCH(QString, damage);
    QTemporaryDir scratch;
    QString root = scratch.path() + "/sys";
    const QString device = makeUsb(root, ftdi("16\n"));
    const QString usb = root + "/" + UsbDevice;
    const QString timer = device + "/latency_timer";
    if (damage.startsWith("timer ") && damage != "timer is a folder")
        put(timer, damage.mid(6).toLatin1());
    if (damage == "no timer")
        QFile::remove(timer);
    if (damage == "timer is a folder") {
        QFile::remove(timer);
        QDir().mkpath(timer);
    }
    if (damage == "no ids")
        QFile::remove(usb + "/idProduct");
    if (damage == "no root")
        root = scratch.path() + "/nowhere";
    if (damage == "dangling")
        QDir(device + "/tty").removeRecursively();
    if (damage == "loop") {
        QFile::remove(root + "/class/tty/ttyUSB0");
        link(root + "/class/tty/ttyUSB0", root + "/class/tty/ttyUSB0");
    }
    if (damage == "native") {
        QDir(root).removeRecursively();
        // As kernels since 6.3 have it: the serial core's port and controller in between.
        const QString uart = root + "/devices/pnp0/00:01";
        const QString port = uart + "/00:01:0/00:01:0.0";
        link(uart + "/driver", root + "/bus/pnp/drivers/serial");
        link(uart + "/00:01:0/driver", root + "/bus/serial-base/drivers/ctrl");
        link(port + "/driver", root + "/bus/serial-base/drivers/port");
        link(port + "/tty/ttyUSB0/device", port);
        link(root + "/class/tty/ttyUSB0", port + "/tty/ttyUSB0");
    }

    const Identity id = identify("ttyUSB0", root);
    QTEST(id.timerMs, "timer");
    QFETCH(QString, problem);
    QVERIFY2(id.problem.contains(problem), qPrintable(id.problem));
    if (damage == "native") {
        QVERIFY(id.kind == Kind::NativeUart);
        QCOMPARE(describe(id), QString("a serial port of this computer (ttyUSB0), driver serial"));
    }
    if (id.kind == Kind::Unknown)
        QVERIFY(describe(id).startsWith("adapter not known"));
    QFETCH(QString, latency);
    if (!latency.isEmpty())
        QVERIFY2(foundText(id).contains(latency), qPrintable(foundText(id)));
}

void TestAdapter::pseudoTerminalWithoutEntry()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    QTemporaryDir root;
    const Identity id = identify(slave, root.path());
    ::close(master);
    QVERIFY(id.kind == Kind::PseudoTerminal);
    QVERIFY(id.problem.isEmpty());
    QCOMPARE(latencyText(id, Latency()), QString("no latency timer"));
}

void TestAdapter::latencyDecision_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("after");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("restoreCalls");

    const QStringList none;
    QTest::newRow("flag lowers it") << "ftdi_sio" << "" << "flag" << 1
                                    << QStringList{"read", "get", "set 1", "read"} << QStringList{"set 0"};
    QTest::newRow("no flag on this port: timer written")
        << "ftdi_sio" << "no flag" << "timer" << 1 << QStringList{"read", "get", "write 1", "read"}
        << QStringList{"write 16"};
    QTest::newRow("flag refused: timer written")
        << "ftdi_sio" << "flag refused" << "timer" << 1 << QStringList{"read", "get", "set 1", "write 1", "read"}
        << QStringList{"write 16"};
    QTest::newRow("flag without effect: put back, timer written")
        << "ftdi_sio" << "flag ignored" << "timer" << 1
        << QStringList{"read", "get", "set 1", "read", "set 0", "write 1", "read"} << QStringList{"write 16"};
    QTest::newRow("flag on yet high: timer written")
        << "ftdi_sio" << "flag on" << "timer" << 1 << QStringList{"read", "get", "write 1", "read"}
        << QStringList{"write 16"};
    QTest::newRow("nothing permitted") << "ftdi_sio" << "flag refused,timer locked" << "high" << 16
                                       << QStringList{"read", "get", "set 1", "write 1"} << none;
    QTest::newRow("timer reads back wrong: old value back at once")
        << "ftdi_sio" << "no flag,timer reads 4" << "high" << 16
        << QStringList{"read", "get", "write 1", "read", "write 16"} << none;
    QTest::newRow("1 ms already") << "ftdi_sio" << "timer 1" << "low" << 1 << QStringList{"read"} << none;
    QTest::newRow("timer unknown: left alone") << "ftdi_sio" << "timer -1" << "unknown" << -1
                                               << QStringList{"read"} << none;
    QTest::newRow("no knob") << "ch341" << "" << "no timer" << -1 << none << none;
    QTest::newRow("flag cannot be cleared") << "ftdi_sio" << "clear fails" << "flag" << 1
                                            << QStringList{"read", "get", "set 1", "read"} << QStringList{"set 0"};
}

void TestAdapter::latencyDecision()
{
    QFETCH(QString, driver);
    QFETCH(QString, setup);
    Identity id;
    id.port = "/dev/ttyUSB0";
    id.kind = Kind::Usb;
    id.driver = driver;
    ScriptedDriver d;
    for (const QString &s : setup.split(',', Qt::SkipEmptyParts)) {
        if (s == "no flag") d.flagKnown = false;
        if (s == "flag refused") d.flagTaken = false;
        if (s == "flag ignored") d.flagLowers = false;
        if (s == "flag on") { d.flagOn = true; d.flagLowers = false; }
        if (s == "timer locked") d.timerWritable = false;
        if (s == "timer reads 4") d.timerReadsAfterWrite = 4;
        if (s.startsWith("timer ") && s != "timer locked" && s != "timer reads 4") d.timer = s.mid(6).toInt();
        if (s == "clear fails") d.clearFails = true;
    }
    const int found = d.timer;

    const Latency l = lowerLatency(id, d);
    QTEST(stateName(l.state), "state");
    QTEST(l.after, "after");
    QTEST(d.calls, "calls");
    QCOMPARE(latencyAdvice(id, l, "/usr/share/grivant/rule").isEmpty(), l.state != Latency::State::High);
    QVERIFY(!latencyText(id, l).isEmpty());

    d.calls.clear();
    const QStringList problems = restoreLatency(l, id, d);
    QTEST(d.calls, "restoreCalls");
    QCOMPARE(problems.size(), setup == "clear fails" ? 1 : 0);
    if (setup != "clear fails" && setup != "flag on") {
        QCOMPARE(d.flagOn, false);
        QCOMPARE(d.timer, l.before < 0 ? found : l.before);
    }
}

// A pseudo-terminal takes no low-latency flag, so the timer file of the fake FTDI adapter
// its device number leads to is written, and written back at close.
void TestAdapter::lowersAtOpenAndPutsBackAtClose()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
    const QString slavePath = QString::fromLocal8Bit(ptsname(master));
    const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY);
    QVERIFY(slave >= 0);
    QTemporaryDir root;
    const QString device = makeUsb(root.path(), ftdi("16\n"), devChar(slavePath));
    const auto timer = [&] {
        QFile f(device + "/latency_timer");
        return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("?");
    };

    qputenv("GRIVANT_SYSFS_ROOT", root.path().toLocal8Bit());
    AdapterSession session;
    session.opened(slavePath, slave);
    qunsetenv("GRIVANT_SYSFS_ROOT");
    QCOMPARE(session.identity().driver, QString("ftdi_sio"));
    QVERIFY(session.latency().state == Latency::State::LoweredByTimer);
    QCOMPARE(timer(), QByteArray("1"));
    QVERIFY(session.summary().contains("16 ms, 1 ms while the port is open"));
    session.closing();
    QCOMPARE(timer(), QByteArray("16"));
    QVERIFY(session.restoreProblems().isEmpty());
    session.closing(); // once only
    QCOMPARE(timer(), QByteArray("16"));
    ::close(slave);
    ::close(master);
}

void TestAdapter::echoSetAside_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("echoExpected");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("seen"); // echo, none, missing, waiting
    QTest::addColumn<int>("firstAnswerChunk");

    const QByteArray read = ModbusFrame::readRequest(1, 0x0302, 1);
    const QByteArray answer = QByteArray::fromHex("010302000179 84");
    const QByteArray single = ModbusFrame::writeRequest(1, 0x0101, {55});
    // An answer whose first bytes are those of its request (address 0x0C00, 12 bytes).
    const QByteArray alike = ModbusFrame::readRequest(1, 0x0C00, 6);
    const QByteArray alikeAnswer = QByteArray::fromHex("01030C0000") + QByteArray(12, '\x11');
    QTest::newRow("answer alone") << read << false << QList<QByteArray>{answer} << answer << "none" << 0;
    QTest::newRow("echo and answer together") << read << false << QList<QByteArray>{read + answer} << answer
                                              << "echo" << 0;
    QTest::newRow("echo in pieces, answer later")
        << read << false << QList<QByteArray>{read.left(3), read.mid(3), answer.left(2), answer.mid(2)} << answer
        << "echo" << 2;
    QTest::newRow("an echo so far") << read << false << QList<QByteArray>{read.left(5)} << QByteArray() << "waiting"
                                    << -1;
    QTest::newRow("answer that starts as its request")
        << alike << false << QList<QByteArray>{alikeAnswer.left(3), alikeAnswer.mid(3)} << alikeAnswer << "none" << 1;
    QTest::newRow("write of one register, line without echo") << single << false << QList<QByteArray>{single}
                                                              << single << "none" << 0;
    QTest::newRow("write of one register on an echoing line")
        << single << true << QList<QByteArray>{single, single} << single << "echo" << 1;
    QTest::newRow("echoing line, garbage first") << read << true << QList<QByteArray>{QByteArray("\xff\x00zz")}
                                                 << QByteArray("\xff\x00zz") << "missing" << 0;
    QTest::newRow("exception answer") << read << true << QList<QByteArray>{QByteArray::fromHex("018302c0f1")}
                                      << QByteArray::fromHex("018302c0f1") << "missing" << 0;
}

void TestAdapter::echoSetAside()
{
    QFETCH(QByteArray, request);
    QFETCH(bool, echoExpected);
    QFETCH(QList<QByteArray>, chunks);
    AnswerAssembly got(request, echoExpected);
    for (int i = 0; i < chunks.size(); ++i)
        got.add(chunks.at(i), 1000 * (i + 1));
    QTEST(got.answer(), "answer");
    const QString seen = got.awaitingEcho() ? "waiting" : got.echoed() ? "echo" : got.echoMissing() ? "missing" : "none";
    QTEST(seen, "seen");
    QFETCH(int, firstAnswerChunk);
    QCOMPARE(got.firstAnswerNs(), firstAnswerChunk < 0 ? -1 : 1000 * (firstAnswerChunk + 1));
}

void TestAdapter::turnaround_data()
{
    QTest::addColumn<QVector<double>>("samples");
    QTest::addColumn<double>("p50");
    QTest::addColumn<double>("p95");
    QTest::addColumn<int>("suggested");

    QVector<double> held; // answers held by a 16 ms timer, one slow one in twenty
    for (int i = 0; i < 20; ++i)
        held << (i == 7 ? 31.0 : 15.0 + (i % 3));
    QVector<double> many; // only the latest are kept
    for (int i = 0; i < Turnaround::Kept; ++i)
        many << 100.0;
    for (int i = 0; i < Turnaround::Kept; ++i)
        many << 2.0;
    QTest::newRow("none") << QVector<double>{} << -1.0 << -1.0 << -1;
    QTest::newRow("fast line") << QVector<double>{1.2, 0.8, 1.0} << 1.0 << 1.2 << 20;
    QTest::newRow("16 ms timer") << held << 16.0 << 17.0 << 40;
    QTest::newRow("slow device") << QVector<double>{80, 90, 100, 110} << 90.0 << 110.0 << 180;
    QTest::newRow("latest kept") << many << 2.0 << 2.0 << 20;
}

void TestAdapter::turnaround()
{
    QFETCH(QVector<double>, samples);
    Turnaround t;
    for (double ms : samples)
        t.add(ms);
    QTEST(t.percentile(0.5), "p50");
    QTEST(t.percentile(0.95), "p95");
    QTEST(t.suggestedTimeoutMs(), "suggested");
}

QTEST_GUILESS_MAIN(TestAdapter)
#include "tst_adapter.moc"
