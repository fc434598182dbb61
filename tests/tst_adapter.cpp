// The adapter behind a port, read from fake sysfs trees, and what is done about its
// latency: the decision against a scripted driver, and the whole round (lower at open,
// put back at close) on a pseudo-terminal whose device number the fake tree knows.
#include "link/adaptersession.h"
#include "link/serialadapter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace SerialAdapter;

namespace {

const char *const UsbDevice = "devices/pci0000:00/0000:00:14.0/usb1/1-2";

void put(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

// A relative symbolic link, as sysfs has them.
void link(const QString &at, const QString &target)
{
    QDir().mkpath(QFileInfo(at).path());
    QVERIFY(QFile::link(QDir(QFileInfo(at).path()).relativeFilePath(target), at));
}

struct Adapter
{
    QString tty;            // ttyUSB0, ttyACM0, ttyS0
    QString driver;         // the USB interface's (or the native port's) driver
    QString portDriver;     // the usb-serial port's driver, where there is one
    QByteArray vendor, product, manufacturer, productName;
    QByteArray timer;       // latency_timer's content; not made when null
};

// A tree shaped as the kernel's: the USB device, its interface, the usb-serial port (or,
// for a modem-class adapter, the interface itself) and its tty, reached from class/tty and
// from dev/char when `devChar` ("M:m") is given. Returns the port's device folder.
QString makeUsb(const QString &root, const Adapter &a, const QString &devChar = QString())
{
    const QString usb = root + QLatin1Char('/') + QLatin1String(UsbDevice);
    const QString interface = usb + QLatin1String("/1-2:1.0");
    put(usb + QLatin1String("/idVendor"), a.vendor + '\n');
    put(usb + QLatin1String("/idProduct"), a.product + '\n');
    if (!a.manufacturer.isNull())
        put(usb + QLatin1String("/manufacturer"), a.manufacturer + '\n');
    if (!a.productName.isNull())
        put(usb + QLatin1String("/product"), a.productName + '\n');
    put(interface + QLatin1String("/bInterfaceNumber"), "00\n");
    link(interface + QLatin1String("/driver"), root + QLatin1String("/bus/usb/drivers/") + a.driver);
    QString device = interface;
    if (!a.portDriver.isEmpty()) {
        device = interface + QLatin1Char('/') + a.tty;
        link(device + QLatin1String("/driver"), root + QLatin1String("/bus/usb-serial/drivers/") + a.portDriver);
    }
    if (!a.timer.isNull())
        put(device + QLatin1String("/latency_timer"), a.timer);
    const QString tty = device + QLatin1String("/tty/") + a.tty;
    link(tty + QLatin1String("/device"), device);
    link(root + QLatin1String("/class/tty/") + a.tty, tty);
    if (!devChar.isEmpty())
        link(root + QLatin1String("/dev/char/") + devChar, tty);
    return device;
}

} // namespace
Q_DECLARE_METATYPE(Adapter)
namespace {

Adapter ftdi(const QByteArray &timer)
{
    return {"ttyUSB0", "ftdi_sio", "ftdi_sio", "0403", "6001", "FTDI", "FT232R USB UART", timer};
}

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
        const QString port = root + "/devices/pnp0/00:01";
        link(port + "/driver", root + "/bus/pnp/drivers/serial");
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
    struct stat st {};
    QVERIFY(::stat(ptsname(master), &st) == 0);
    QTemporaryDir root;
    const QString device = makeUsb(root.path(), ftdi("16\n"),
                                   QString("%1:%2").arg(major(st.st_rdev)).arg(minor(st.st_rdev)));
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

QTEST_GUILESS_MAIN(TestAdapter)
#include "tst_adapter.moc"
