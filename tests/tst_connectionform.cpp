#include "link/connectionform.h"
#include "link/connectionfunc.h"
#include "link/portlist.h"
#include "link/processlog.h"
#include "support/simulator.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QModbusRtuSerialMaster>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

// The ports the window sees; tests change them as if adapters were plugged in or out.
QList<PortEntry> g_ports;

PortEntry port(const QString &name, const QString &description)
{
    return PortEntry{name, description};
}

// The port list's last entry, which adds a network port.
const char *const NetworkEntry = "Network device…";
const char *const GatewayEntry = "Through a gateway…";

QStringList comboTexts(QComboBox *combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

// Closes every message box that appears while it lives and counts them.
class MessageBoxDriver : public QObject
{
public:
    MessageBoxDriver()
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts << box->windowTitle() + "|" + box->text();
                box->accept();
            }
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

void answerNextInputDialog(const QString &text, bool accept = true)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, text, accept]() {
        if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            dialog->setTextValue(text);
            if (accept)
                dialog->accept();
            else
                dialog->reject();
        }
    });
    timer->start();
}

template <typename T>
T *child(ConnectionForm &form, const char *name)
{
    T *widget = form.findChild<T *>(QString::fromLatin1(name));
    if (!widget)
        qWarning("missing %s", name);
    return widget;
}

} // namespace

class TestConnectionForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void helpers();
    void permissionAdvice_data();
    void permissionAdvice();
    void portAccessFacts();
    void processLogLines();
    void serialPortNotes();
    void initialState();
    void portListRefresh();
    void portNamesWithDashes();
    void unplugSimulator();
    void searchPortOrder();
    void invalidRangeWarnsOnce();
    void stopKeepsAutoConnectDisabledUntilFinished();
    void searchAgainBeforeStopTakesEffect();
    void everyStopStopsTheSweepsBeforeIt();
    void twoDevicesOnOnePort();
    void offlineModel();
    void plantedTranslationBesideTheProgramIsPassedOver();
    void autoConnectFindsSimulator();
    void autoConnectThroughAnEchoingAdapter();
    void destroyedDuringSweep();

private:
    // Waits until the scanner has reported the end of every sweep of the window.
    static bool waitIdle(ConnectionForm &form, int timeoutMs = 5000);
};

void TestConnectionForm::initTestCase()
{
    PortList::setProvider([] { return g_ports; });
}

void TestConnectionForm::init()
{
    g_ports.clear();
    PortList::setProvider([] { return g_ports; });
    PortList::setExtraPorts({});
}

void TestConnectionForm::cleanupTestCase()
{
    PortList::setProvider({});
}

bool TestConnectionForm::waitIdle(ConnectionForm &form, int timeoutMs)
{
    auto *autoConnect = child<QPushButton>(form, "pB_Connect");
    QElapsedTimer clock;
    clock.start();
    while (!(autoConnect->isEnabled() && form.isSearchIdle())) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

void TestConnectionForm::helpers()
{
    const QMap<QString, QString> ports{{"COM1", "USB-SERIAL CH340"},
                                       {"COM3", "USB Serial Port"},
                                       {"COM2", "Communications Port"}};
    QCOMPARE(LinkText::autoConnectOrder(ports), QStringList({"COM3", "COM1", "COM2"}));
    const QMap<QString, QString> plain{{"COM2", "Port"}, {"COM10", "Port"}, {"COM4", "USB Serial Port"},
                                       {"COM11", "USB Serial Port"}, {"COM5", "usb serial port"}};
    QCOMPARE(LinkText::autoConnectOrder(plain), QStringList({"COM11", "COM4", "COM10", "COM2", "COM5"}));
    QVERIFY(LinkText::autoConnectOrder({}).isEmpty());

    DeviceEntry entry;
    entry.slaveId = 5;
    entry.port = "COM3";
    entry.baudRate = 9600;
    entry.parity = 2;
    entry.stopBits = 1;
    QCOMPARE(LinkText::deviceEntryText(entry), QString("5,COM3,9600,2,1"));

    DeviceEntry parsed;
    QVERIFY(LinkText::parseDeviceEntry("247,/dev/serial/by-id/usb-A,B-if00,230400,3,1", &parsed));
    QCOMPARE(parsed.slaveId, 247);
    QCOMPARE(parsed.port, QString("/dev/serial/by-id/usb-A,B-if00"));
    QCOMPARE(parsed.baudRate, 230400);
    QCOMPARE(parsed.parity, 3);
    QCOMPARE(parsed.stopBits, 1);
    QVERIFY(!LinkText::parseDeviceEntry("5,COM3,9600,2", &parsed));
    QVERIFY(!LinkText::parseDeviceEntry("x,COM3,9600,2,1", &parsed));
    QVERIFY(!LinkText::parseDeviceEntry("5,,9600,2,1", &parsed));
    QVERIFY(!LinkText::parseDeviceEntry("", &parsed));

    QCOMPARE(LinkText::offlineBlock("1a2b"), QByteArray::fromHex("1A2B00000000000000000000"));
    QCOMPARE(LinkText::offlineBlock("0x1A2B"), QByteArray::fromHex("1A2B00000000000000000000"));
    QCOMPARE(LinkText::offlineBlock("12345"), QByteArray::fromHex("234500000000000000000000"));
    QCOMPARE(LinkText::offlineBlock("gripper"), QByteArray(12, '\0'));
    QCOMPARE(LinkText::offlineBlock("FFFFFFFFFFFFFFFFFFFFFF"), QByteArray(12, '\0'));
}

void TestConnectionForm::permissionAdvice_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("owner");   // "owner:group", "" when the port cannot be examined
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("now");     // groups of this session
    QTest::addColumn<QStringList>("later");   // groups of the account
    QTest::addColumn<QStringList>("says");
    QTest::addColumn<QStringList>("never");

    const QString rule = "/usr/share/grivant/70-grivant-serial.rules";
    const QStringList user{"operator"};
    QTest::newRow("dialout may, not a member")
        << "ttyUSB0" << "root:dialout" << 0660 << user << user
        << QStringList{"No permission to open ttyUSB0: join the group dialout, which may read and write it, "
                       "then log out and in again.\n"}
        << QStringList{rule, "udev"};
    QTest::newRow("dialout joined since the login")
        << "/dev/ttyUSB0" << "root:dialout" << 0660 << user << QStringList{"operator", "dialout"}
        << QStringList{"has joined the group dialout", "log out and in again"} << QStringList{rule};
    QTest::newRow("another group may")
        << "/dev/ttyACM0" << "root:uucp" << 0660 << user << user
        << QStringList{"join the group uucp"} << QStringList{"dialout", rule};
    QTest::newRow("root alone, 0600")
        << "ttyS0" << "root:root" << 0600 << user << user
        << QStringList{"belongs to root:root with mode 0600, so no group may read and write it", rule,
                       "sudo udevadm trigger /dev/ttyS0", "join that group and log in again"}
        << QStringList{"join the group root"};
    QTest::newRow("root alone, already in dialout")
        << "/dev/ttyS0" << "root:root" << 0600 << QStringList{"dialout"} << QStringList{"dialout"}
        << QStringList{rule, "trigger /dev/ttyS0.\n"} << QStringList{"join", "log"};
    QTest::newRow("root's group may")
        << "/dev/ttyS1" << "root:root" << 0660 << user << QStringList{"dialout"}
        << QStringList{"only the administrators' group may use it", rule, "then log out and in again"}
        << QStringList{"join the group root"};
    QTest::newRow("dialout may not")
        << "/dev/ttyUSB1" << "root:dialout" << 0600 << user << user
        << QStringList{"mode 0600", rule} << QStringList{"join the group dialout"};
    QTest::newRow("not examinable")
        << "COM3" << "" << 0 << user << user
        << QStringList{"No permission to open COM3: this user may not read and write it.\n"} << QStringList{rule};
}

void TestConnectionForm::permissionAdvice()
{
    QFETCH(QString, port);
    QFETCH(QString, owner);
    QFETCH(int, mode);
    QFETCH(QStringList, now);
    QFETCH(QStringList, later);
    QFETCH(QStringList, says);
    QFETCH(QStringList, never);

    LinkText::PortAccess access;
    access.port = port;
    access.known = !owner.isEmpty();
    access.owner = owner.section(':', 0, 0);
    access.group = owner.section(':', 1);
    access.mode = unsigned(mode);
    access.groupsNow = now;
    access.groupsLater = later;
    const QString advice = LinkText::accessAdvice(access, "/usr/share/grivant/70-grivant-serial.rules");
    for (const QString &text : says)
        QVERIFY2(advice.contains(text), qPrintable(advice));
    for (const QString &text : never)
        QVERIFY2(!advice.contains(text), qPrintable(advice));
    QVERIFY2(advice.count("dialout") <= 1, qPrintable(advice));
    QVERIFY(advice.endsWith('\n') && advice.count('\n') == 1);
}

// What the system tells of a device file and of this user.
void TestConnectionForm::portAccessFacts()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ttyGV0");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    const LinkText::PortAccess access = LinkText::portAccess(path);
    QVERIFY(access.known);
    QCOMPARE(access.mode, 0600u);
    QVERIFY(access.isOwner);
    QCOMPARE(access.owner, QFileInfo(path).owner());
    QCOMPARE(access.group, QFileInfo(path).group());
    QVERIFY(access.groupsNow.contains(access.group));
    QVERIFY(!LinkText::portAccess(dir.filePath("none")).known);
}

void TestConnectionForm::processLogLines()
{
    // The scanner's reports as the log shows them: a port that cannot be opened by its reason.
    const auto advice = [](const QString &port) { return port == "/dev/ttyS7" ? QString("ADVICE\n") : QString(); };
    const QList<QPair<QString, QString>> lines{
        {"Scan error:\t /dev/ttyS7,(2 :Permission denied)", "Scan error:\t /dev/ttyS7: no permission to open it\nADVICE\n"},
        {"Scan error:\t /dev/ttyS8,(2 :Permission denied)", "Scan error:\t /dev/ttyS8: busy, another program is using it\n"},
        {"Scan error:\t COM9,(1 :No such file or directory)", "Scan error:\t COM9: no such port (unplugged?)\n"},
        {"Scan error:\t COM9,(12 :Input/output error)", "Scan error:\t COM9: cannot open it (Input/output error)\n"},
        {"Scanning COM Port:\t COM3", "Scanning COM Port:\t COM3\n"},
        {"Scaned a device in COM3, Varified", "Scaned a device in COM3, Varified\n"},
        {"response: 0103020001", "response: 0103020001\n"},
        {"something else", "something else\n"}};
    for (const auto &line : lines)
        QCOMPARE(ProcessLog::scannerLine(line.first, advice), line.second);

    ProcessLog::SearchEnd end;
    end.ports = QStringList{"COM3", "COM4"};
    end.idStart = 2;
    end.idEnd = 9;
    QCOMPARE(ProcessLog::searchEnded(end),
             QString("Search finished: no device answered on COM3, COM4 with an ID from 2 to 9. Check the wiring, "
                     "the power of the device, the ID range and its line settings (baud rate 4800 to 230400, "
                     "parity).\n"));
    end.found = 2;
    QVERIFY(ProcessLog::searchEnded(end).startsWith("Search finished: 2 device(s) found on COM3, COM4; double-click"));
    end.stopped = true;
    QVERIFY(ProcessLog::searchEnded(end).startsWith("Search stopped: 2 device(s) found"));
    end.found = 0;
    QVERIFY(ProcessLog::searchEnded(end).startsWith("Search stopped: no device found so far on COM3, COM4."));
    end.autoConnect = true;

    // In Chinese, the log's own lines; the device's and the system's texts stay.
    QTranslator chinese;
    QVERIFY(chinese.load(qEnvironmentVariable("GRIVANT_RUN_DIR") + "/translations/zh_CN.qm"));
    QCoreApplication::installTranslator(&chinese);
    const QString zh = ProcessLog::searchEnded(end) + ProcessLog::portListed("COM3", "USB Serial Port")
                       + ProcessLog::scannerLine("Scan error:\t COM9,(1 :No such file or directory)", advice);
    QCoreApplication::removeTranslator(&chinese);
    QVERIFY2(!zh.contains("Auto-Connect found") && !zh.contains("Scaned COM port") && !zh.contains("no such port"),
             qPrintable(zh));
    QVERIFY(zh.contains("COM3, COM4") && zh.contains("USB Serial Port") && zh.contains("COM9"));
}

void TestConnectionForm::initialState()
{
    ConnectionForm form(nullptr, "en_US");
    QCOMPARE(form.windowTitle(), QString("Grivant -- Connection configuration"));
    QCOMPARE(form.windowModality(), Qt::ApplicationModal);
    // As the form, and room for scroll bars where the screen is smaller than the form.
    const int scrollBar = form.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    QCOMPARE(form.maximumSize(), QSize(661 + scrollBar, 681 + scrollBar));

    auto *bar = child<QProgressBar>(form, "pBar_Search");
    auto *devices = child<QListWidget>(form, "lW_devicelist");
    QVERIFY(bar->isHidden());
    QCOMPARE(bar->value(), 0);
    QVERIFY(devices->isHidden());
    QVERIFY(child<QPlainTextEdit>(form, "pTE_process")->isReadOnly());
    QCOMPARE(comboTexts(child<QComboBox>(form, "comB_Port")), QStringList({"Search All", NetworkEntry, GatewayEntry}));
    auto *start = child<QSpinBox>(form, "spB_IDStart");
    auto *end = child<QSpinBox>(form, "spB_IDEnd");
    QCOMPARE(QList<int>({start->minimum(), start->maximum(), start->value()}), QList<int>({1, 247, 1}));
    QCOMPARE(QList<int>({end->minimum(), end->maximum(), end->value()}), QList<int>({1, 247, 8}));
    QVERIFY(form.isSearchIdle());
    QVERIFY(form.isAutoConnectMode());

    // the offline model mode has no visible way in
    QVERIFY(!child<QMenu>(form, "menuAdmin")->menuAction()->isVisible());
    QVERIFY(child<QMenu>(form, "menuHelp")->menuAction()->isVisible());

    QVERIFY(child<QPushButton>(form, "pB_Connect")->styleSheet().startsWith(
        "QPushButton{border-style:none;padding:8px;border-radius:5px;color:#FFFFFF;background:#3db9ec;}"
        "QPushButton:hover{color:#F0F0F0;background:#4E6D8C;}"));
    QVERIFY(child<QPushButton>(form, "pB_Search")->styleSheet().contains(
        "QPushButton:disabled{color:#B8C6D1;background:#2D3E50;}"));
    QVERIFY(bar->styleSheet().startsWith("QProgressBar{font:9pt;background:#E8EDF2;max-height:13px;"));

    // the scanner lives in its own thread, which only starts with the first search
    QVERIFY(!form.scanner()->parent());
    QCOMPARE(form.scanner()->thread(), form.scannerThread());
    QCOMPARE(form.scannerThread()->parent(), &form);
    QVERIFY(!form.scannerThread()->isRunning());
    QVERIFY(form.portTimer()->isActive());
    QCOMPARE(form.portTimer()->interval(), 500);

    MessageBoxDriver boxes;
    child<QAction>(form, "actionHelp")->trigger();
    child<QAction>(form, "actionAbout1")->trigger();
    QCOMPARE(boxes.texts.size(), 2);
    QVERIFY(boxes.texts.at(0).startsWith("Help|"));
#ifdef Q_OS_LINUX
    // the help tells how to get at serial ports on Linux
    for (const char *topic : {"dialout", "ModemManager", "70-grivant-serial.rules", "/dev/serial/by-id", "--port"})
        QVERIFY2(boxes.texts.at(0).contains(topic), topic);
#endif
    QCOMPARE(boxes.texts.at(1), QString("About|Grivant User Interface \n\n Version : 1.0.11.0\n\nWebsite : "
                                        "https://www.grivant.example\n\nCopyright (c) Grivant developers. All "
                                        "rights reserved."));

    // The about box and the status bar's copyright line follow the language.
    const auto ownership = [&form] {
        for (QLabel *label : form.statusBar()->findChildren<QLabel *>())
            if (label->text().contains("Grivant"))
                return label->text();
        return QString();
    };
    QCOMPARE(ownership(), QString("Copyright (c) Grivant developers. All rights reserved."));
    form.changeLanguage("zh_CN");
    child<QAction>(form, "actionAbout1")->trigger();
    QTRY_COMPARE(boxes.texts.size(), 3);
    const QString chinese = QString::fromUtf8("关于|Grivant 用户界面 \n\n 版本 : 1.0.11.0\n\n网站 : https://www.grivant.example"
                                              "\n\n版权所有 (c) Grivant 开发者。保留所有权利。");
    QCOMPARE(boxes.texts.at(2), chinese);
    QCOMPARE(ownership(), QString::fromUtf8("版权所有 (c) Grivant 开发者。保留所有权利。"));
    form.changeLanguage("en_US");
}

void TestConnectionForm::serialPortNotes()
{
    // An adapter's stable names are the by-id links that lead to its port, and only those.
    QTemporaryDir dev;
    QVERIFY(dev.isValid());
    const QString usb = dev.filePath("ttyUSB3");
    const QString acm = dev.filePath("ttyACM0");
    for (const QString &file : {usb, acm}) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dev.path()).mkdir("by-id"));
    const QString byId = dev.filePath("by-id");
    const QString stable = byId + "/usb-Maker_Adapter_A10K-if00-port0";
    QVERIFY(QFile::link("../ttyUSB3", stable));
    QVERIFY(QFile::link("../ttyACM0", byId + "/usb-Other_Modem_77-if00"));
    QVERIFY(QFile::link("../ttyUSB9", byId + "/usb-Gone_Adapter-if00-port0"));  // dangling
    QCOMPARE(LinkText::stableNames(usb, byId), QStringList({stable}));
    QCOMPARE(LinkText::stableNames(stable, byId), QStringList());  // the name itself is no news
    QCOMPARE(LinkText::stableNames(dev.filePath("ttyS0"), byId), QStringList());
    QCOMPARE(LinkText::stableNames(usb, dev.filePath("none")), QStringList());

    const QString rule = "/usr/share/grivant/70-grivant-serial.rules";
    QCOMPARE(LinkText::portNotes(usb, {stable}, true, rule),
             "\t stable name: " + stable + " (kept across replugging; grivant --port takes it)\n");
    // ModemManager is named only for modem-class ports, and only where it is installed.
    const QString acmNotes = LinkText::portNotes("ttyACM0", {}, true, rule);
    QVERIFY(acmNotes.startsWith("\t ttyACM0: ModemManager may probe this port"));
    QVERIFY(acmNotes.contains(rule));
    QCOMPARE(LinkText::portNotes("/dev/ttyACM12", {}, true, rule).count('\n'), 1);
    QCOMPARE(LinkText::portNotes("ttyACM0", {}, false, rule), QString());
    QCOMPARE(LinkText::portNotes("ttyUSB0", {}, true, rule), QString());
    QCOMPARE(LinkText::portNotes("COM3", {}, true, rule), QString());
}

void TestConnectionForm::portListRefresh()
{
    g_ports = {port("COM3", "USB Serial Port"), port("COM10", "Port"), port("COM2", "Port"),
               port("COM1", "USB-SERIAL CH340")};
    ConnectionForm form(nullptr, "en_US");
    auto *combo = child<QComboBox>(form, "comB_Port");
    auto *log = child<QPlainTextEdit>(form, "pTE_process");
    // the first port the system lists comes first, the others in plain string order
    QCOMPARE(comboTexts(combo), QStringList({"Search All", "COM3-USB Serial Port", "COM1-USB-SERIAL CH340",
                                             "COM10-Port", "COM2-Port", NetworkEntry, GatewayEntry}));
    QCOMPARE(log->toPlainText(), QString("Scaned COM port:\t COM3 - USB Serial Port \n"
                                         "Scaned COM port:\t COM1 - USB-SERIAL CH340 \n"
                                         "Scaned COM port:\t COM10 - Port \n"
                                         "Scaned COM port:\t COM2 - Port \n"));
    QCOMPARE(form.knownPorts().keys(), QStringList({"COM1", "COM10", "COM2", "COM3"}));

    // unplugging COM1 leaves COM10 alone; the timer picks changes up by itself
    log->clear();
    g_ports = {port("COM3", "USB Serial Port"), port("COM10", "Port"), port("COM2", "Port")};
    QTRY_COMPARE_WITH_TIMEOUT(combo->count(), 6, 3000);
    QCOMPARE(comboTexts(combo), QStringList({"Search All", "COM3-USB Serial Port", "COM10-Port", "COM2-Port", NetworkEntry, GatewayEntry}));
    QCOMPARE(log->toPlainText(), QString("unpluged COM port:\t COM1 - USB-SERIAL CH340 \n"));

    // new ports are appended in plain string order
    log->clear();
    g_ports << port("COM7", "B") << port("COM12", "A");
    form.scanport();
    QCOMPARE(comboTexts(combo).mid(4), QStringList({"COM12-A", "COM7-B", NetworkEntry, GatewayEntry}));
    QCOMPARE(log->toPlainText(), QString("Scaned COM port:\t COM12 - A \nScaned COM port:\t COM7 - B \n"));
    form.scanport();
    QCOMPARE(combo->count(), 8);

    g_ports.clear();
    form.scanport();
    QCOMPARE(comboTexts(combo), QStringList({"Search All", NetworkEntry, GatewayEntry}));
    QVERIFY(form.knownPorts().isEmpty());
}

void TestConnectionForm::portNamesWithDashes()
{
    g_ports = {port("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "FT232R USB UART"),
               port("/dev/ttyUSB0", "USB-SERIAL CH340")};
    ConnectionForm form(nullptr, "en_US");
    auto *combo = child<QComboBox>(form, "comB_Port");
    QCOMPARE(combo->itemText(1), QString("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0-FT232R USB UART"));

    QSignalSpy scans(&form, &ConnectionForm::sig_startscan);
    combo->setCurrentIndex(1);
    child<QPushButton>(form, "pB_Search")->click();
    QCOMPARE(scans.count(), 1);
    QCOMPARE(scans.at(0).at(0).toStringList(), QStringList({"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"}));
    QVERIFY(waitIdle(form));

    // unplugging the dashed port removes its own item, not the other one
    g_ports.removeFirst();
    form.scanport();
    QCOMPARE(comboTexts(combo), QStringList({"Search All", "/dev/ttyUSB0-USB-SERIAL CH340", NetworkEntry, GatewayEntry}));
}

void TestConnectionForm::unplugSimulator()
{
    // the real port list: what the system enumerates plus the extra ports that exist
    PortList::setProvider({});
    QTemporaryDir dir;
    const QString one = dir.filePath("ttyGV1");
    const QString ten = dir.filePath("ttyGV10");
    Simulator simOne({"--link", one});
    Simulator simTen({"--link", ten});
    QVERIFY(simOne.start());
    QVERIFY(simTen.start());
    PortList::setExtraPorts({port(one, "Simulator"), port(ten, "Simulator"), port(dir.filePath("ttyGV2"), "absent")});

    ConnectionForm form(nullptr, "en_US");
    auto *combo = child<QComboBox>(form, "comB_Port");
    auto *log = child<QPlainTextEdit>(form, "pTE_process");
    QVERIFY(combo->findText(one + "-Simulator") > 0);
    QVERIFY(combo->findText(ten + "-Simulator") > 0);
    QCOMPARE(combo->findData(dir.filePath("ttyGV2")), -1);

    log->clear();
    simOne.stop();
    QTRY_COMPARE_WITH_TIMEOUT(combo->findData(one), -1, 3000);
    QVERIFY(combo->findData(ten) > 0);
    QCOMPARE(log->toPlainText(), QString("unpluged COM port:\t %1 - Simulator \n").arg(one));
}

void TestConnectionForm::searchPortOrder()
{
    g_ports = {port("COM2", "Communications Port"), port("COM1", "USB-SERIAL CH340"),
               port("COM3", "USB Serial Port"), port("COM4", "USB Serial Port"), port("COM10", "Communications Port")};
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy scans(&form, &ConnectionForm::sig_startscan);
    auto *autoConnect = child<QPushButton>(form, "pB_Connect");
    auto *search = child<QPushButton>(form, "pB_Search");
    auto *combo = child<QComboBox>(form, "comB_Port");

    autoConnect->click();
    QVERIFY(form.isAutoConnectMode());
    QVERIFY(!autoConnect->isEnabled());
    QVERIFY(!search->isEnabled());
    QCOMPARE(search->text(), QString("Search"));
    QVERIFY(child<QListWidget>(form, "lW_devicelist")->isHidden());
    QVERIFY(child<QProgressBar>(form, "pBar_Search")->isHidden());
    QVERIFY(form.scannerThread()->isRunning());
    QCOMPARE(scans.count(), 1);
    QCOMPARE(scans.at(0).at(0).toStringList(), QStringList({"COM3", "COM4", "COM1", "COM10", "COM2"}));
    // nothing answers on ports that do not exist: the window is idle again
    QVERIFY(waitIdle(form));
    QVERIFY(search->isEnabled());
    QVERIFY(child<QPlainTextEdit>(form, "pTE_process")->toPlainText().endsWith(
        "Scan error:\t COM2: no such port (unplugged?)\nAuto-Connect found no device on COM3, COM4, COM1, COM10, COM2. "
        "Check the wiring, the power of the device and its line settings (baud rate 4800 to 230400); Search with an "
        "ID range finds a device that does not answer Auto-Connect.\n"));

    combo->setCurrentIndex(0);
    search->click();
    QVERIFY(!form.isAutoConnectMode());
    QCOMPARE(scans.count(), 2);
    QCOMPARE(scans.at(1).at(0).toStringList(), QStringList({"COM3", "COM4", "COM1", "COM10", "COM2"}));
    QVERIFY(waitIdle(form));

    combo->setCurrentIndex(combo->findText("COM4-USB Serial Port"));
    search->click();
    QCOMPARE(scans.count(), 3);
    QCOMPARE(scans.at(2).at(0).toStringList(), QStringList({"COM4"}));
    QVERIFY(waitIdle(form));
    QVERIFY(child<QProgressBar>(form, "pBar_Search")->isHidden());
    QVERIFY(!child<QListWidget>(form, "lW_devicelist")->isHidden());
    QVERIFY(child<QListWidget>(form, "lW_devicelist")->isEnabled());
}

void TestConnectionForm::invalidRangeWarnsOnce()
{
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy scans(&form, &ConnectionForm::sig_startscan);
    auto *search = child<QPushButton>(form, "pB_Search");
    child<QSpinBox>(form, "spB_IDStart")->setValue(10);
    child<QSpinBox>(form, "spB_IDEnd")->setValue(5);

    {
        MessageBoxDriver boxes;
        search->click();
        QCOMPARE(boxes.texts, QStringList({"Warning|The start address is higher then the end address."}));
    }
    QCOMPARE(scans.count(), 0);
    QVERIFY(form.isSearchIdle());
    QCOMPARE(search->text(), QString("Search"));
    QVERIFY(!form.scannerThread()->isRunning());

    child<QSpinBox>(form, "spB_IDEnd")->setValue(10);
    search->click();
    QCOMPARE(scans.count(), 1);
    QVERIFY(!form.isSearchIdle());
    QCOMPARE(search->text(), QString("Stop"));
    QVERIFY(!child<QPushButton>(form, "pB_Connect")->isEnabled());
    QVERIFY(!child<QListWidget>(form, "lW_devicelist")->isEnabled());
    QVERIFY(!child<QListWidget>(form, "lW_devicelist")->isHidden());
    QVERIFY(!child<QProgressBar>(form, "pBar_Search")->isHidden());
    QVERIFY(waitIdle(form));
}

void TestConnectionForm::stopKeepsAutoConnectDisabledUntilFinished()
{
    // a device the range never reaches: every probe waits for an answer in vain
    Simulator sim({"--id", "200"});
    QVERIFY(sim.start());
    g_ports = {port(sim.port(), "Simulator")};
    ConnectionForm form(nullptr, "en_US");
    auto *search = child<QPushButton>(form, "pB_Search");
    auto *autoConnect = child<QPushButton>(form, "pB_Connect");
    auto *bar = child<QProgressBar>(form, "pBar_Search");
    child<QSpinBox>(form, "spB_IDStart")->setValue(1);
    child<QSpinBox>(form, "spB_IDEnd")->setValue(100);

    search->click();
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 0, 5000);
    QVERIFY(bar->format().startsWith("Searching: id: "));

    search->click();
    QCOMPARE(search->text(), QString("Search"));
    QVERIFY(form.isSearchIdle());
    QVERIFY(!autoConnect->isEnabled());
    QVERIFY(!bar->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(autoConnect->isEnabled(), 5000);
    QVERIFY(bar->isHidden());
    QVERIFY(child<QListWidget>(form, "lW_devicelist")->isEnabled());
    QCOMPARE(child<QListWidget>(form, "lW_devicelist")->count(), 0);
}

void TestConnectionForm::searchAgainBeforeStopTakesEffect()
{
    Simulator sim({"--id", "200"});
    QVERIFY(sim.start());
    g_ports = {port(sim.port(), "Simulator")};
    ConnectionForm form(nullptr, "en_US");
    form.scanner()->setWaitTimes(5, 1, 5);
    QSignalSpy ends(form.scanner(), &Connectionfunc::sig_commu_para);
    QSignalSpy progress(form.scanner(), &Connectionfunc::sig_search_process);
    auto *search = child<QPushButton>(form, "pB_Search");
    auto *autoConnect = child<QPushButton>(form, "pB_Connect");
    child<QSpinBox>(form, "spB_IDEnd")->setValue(2);

    search->click();
    QTRY_VERIFY_WITH_TIMEOUT(progress.count() > 0, 5000);
    search->click(); // Stop
    child<QSpinBox>(form, "spB_IDEnd")->setValue(10);
    search->click(); // and search again while the first sweep is still ending
    QCOMPARE(search->text(), QString("Stop"));

    // the end of the stopped sweep does not end the search that follows it
    QTRY_VERIFY_WITH_TIMEOUT(ends.count() >= 1, 5000);
    QTest::qWait(0);
    QCOMPARE(ends.at(0).at(0).toStringList(), QStringList({"finished"}));
    QCOMPARE(search->text(), QString("Stop"));
    QVERIFY(!autoConnect->isEnabled());
    QVERIFY(!form.isSearchIdle());
    QTRY_VERIFY_WITH_TIMEOUT(ends.count() == 2, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(autoConnect->isEnabled(), 5000);
    QCOMPARE(search->text(), QString("Search"));
    QVERIFY(form.isSearchIdle());
}

void TestConnectionForm::everyStopStopsTheSweepsBeforeIt()
{
    Simulator sim({"--id", "247"});
    QVERIFY(sim.start());
    g_ports = {port(sim.port(), "Simulator")};
    ConnectionForm form(nullptr, "en_US");
    form.scanner()->setWaitTimes(5, 1, 5);
    QSignalSpy ends(form.scanner(), &Connectionfunc::sig_commu_para);
    QSignalSpy progress(form.scanner(), &Connectionfunc::sig_search_process);
    auto *search = child<QPushButton>(form, "pB_Search");
    child<QSpinBox>(form, "spB_IDEnd")->setValue(246); // over a minute of probes per sweep

    search->click();
    QTRY_VERIFY_WITH_TIMEOUT(progress.count() > 0, 5000);
    search->click(); // Stop
    search->click(); // Search, queued behind the sweep that is ending
    search->click(); // Stop: this one too
    QCOMPARE(search->text(), QString("Search"));

    QTRY_VERIFY_WITH_TIMEOUT(ends.count() == 2, 5000);
    const int probes = progress.count();
    QCOMPARE(ends.at(1).at(0).toStringList(), QStringList({"finished"}));
    QTRY_VERIFY(child<QPushButton>(form, "pB_Connect")->isEnabled());
    QVERIFY(form.isSearchIdle());
    QTest::qWait(100);
    QCOMPARE(progress.count(), probes); // nothing runs on behind the idle window
}

void TestConnectionForm::twoDevicesOnOnePort()
{
    Simulator sim({"--id", "3"});
    QVERIFY(sim.start());
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy info(&form, &ConnectionForm::SendGripperInfo);
    QSignalSpy state(&form, &ConnectionForm::SendConnectiomState);
    auto *devices = child<QListWidget>(form, "lW_devicelist");

    // a range search over no ports ends at once, in range mode
    child<QPushButton>(form, "pB_Search")->click();
    QVERIFY(waitIdle(form));
    QVERIFY(!form.isAutoConnectMode());
    QVERIFY(child<QPlainTextEdit>(form, "pTE_process")->toPlainText().endsWith("No serial port to search: plug in "
        "the adapter, or start the tool with --port for a port the system does not list.\n"));

    const QByteArray first = QByteArray::fromHex("010100020003000400050006");
    const QByteArray second = QByteArray::fromHex("0A0B0C0D0E0F101112131415");
    form.Slot_scaned_device({"OK", sim.port(), "115200", "0", "1", "1"}, first);
    form.Slot_scaned_device({"OK", sim.port(), "115200", "0", "1", "3"}, second);
    QCOMPARE(devices->count(), 2);
    QCOMPARE(devices->item(0)->text(), QString("1,%1,115200,0,1").arg(sim.port()));
    QCOMPARE(devices->item(1)->text(), QString("3,%1,115200,0,1").arg(sim.port()));
    QCOMPARE(form.foundDevices().size(), 2);
    // range mode: finds are listed, nothing connects by itself
    QCOMPARE(info.count(), 0);
    QCOMPARE(state.count(), 0);
    // shown ID first and line settings last, cut in the middle; the whole entry in the tooltip
    form.Slot_scaned_device({"OK", sim.port(), "115200", "2", "1", "3"}, second);
    QCOMPARE(devices->textElideMode(), Qt::ElideMiddle);
    const auto *delegate = qobject_cast<QStyledItemDelegate *>(devices->itemDelegate());
    QCOMPARE(delegate->displayText(devices->item(1)->text(), QLocale()), QString::fromUtf8("ID 3 · %1 · 115200 8N1").arg(sim.port()));
    QCOMPARE(delegate->displayText(devices->item(2)->text(), QLocale()), QString::fromUtf8("ID 3 · %1 · 115200 8E1").arg(sim.port()));
    QCOMPARE(devices->item(2)->toolTip(), QString("ID 3 on %1, 115200 baud, parity even, 1 stop bit(s)\n(3,%1,115200,2,1)\n"
                                                  "Double-click to connect.").arg(sim.port()));
    delete devices->takeItem(2);

    emit devices->itemDoubleClicked(devices->item(1));
    QCOMPARE(int(form.linkSlaveId()), 3);
    QCOMPARE(form.linkPort(), sim.port());
    QCOMPARE(form.linkBaudRate(), 115200);
    QCOMPARE(int(form.linkStopBits()), 1);
    QCOMPARE(state.count(), 2);
    QCOMPARE(state.at(1).at(0).toInt(), 2);
    QCOMPARE(info.count(), 1);
    QCOMPARE(info.at(0).at(0).toByteArray(), second);

    // the device at ID 3 answers the link
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    form.Read_Register(0x0302, 1);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.at(0).at(0).toByteArray(), QByteArray::fromHex("0302010003"));

    // an entry without a stored block still connects, with an empty block
    devices->addItem(QString("1,%1,57600,0,1").arg(sim.port()));
    form.Slot_searched_device_connect(devices->item(2));
    QCOMPARE(form.linkBaudRate(), 57600);
    QCOMPARE(info.last().at(0).toByteArray(), QByteArray());

    // a short result list is ignored
    form.Slot_scaned_device({"OK", sim.port()}, first);
    QCOMPARE(devices->count(), 3);
}

void TestConnectionForm::offlineModel()
{
    ConnectionForm form(nullptr, "en_US");
    QList<QByteArray> events;
    connect(&form, &ConnectionForm::SendGripperInfo, this,
            [&events](const QByteArray &block) { events << "info:" + block.toHex(); });
    connect(&form, &ConnectionForm::SendConnectiomState, this,
            [&events](int state) { events << "state:" + QByteArray::number(state); });

    answerNextInputDialog("", true);
    form.show_offline_custom();
    answerNextInputDialog("1a2b", false);
    form.show_offline_custom();
    QVERIFY(events.isEmpty());
    QVERIFY(!form.isOffline());

    answerNextInputDialog("1a2b");
    child<QAction>(form, "actionCostum")->trigger();
    QCOMPARE(events, QList<QByteArray>({"info:1a2b00000000000000000000", "state:2"}));
    QVERIFY(form.isOffline());
}

void TestConnectionForm::plantedTranslationBesideTheProgramIsPassedOver()
{
    const QString lrelease = QStandardPaths::findExecutable("lrelease");
    if (lrelease.isEmpty())
        QSKIP("lrelease is not installed");
    QTemporaryDir dir;
    const QString ts = dir.filePath("zh_CN.ts");
    QFile file(ts);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
               "<TS version=\"2.1\" language=\"zh_CN\"><context><name>ConnectionForm</name>"
               "<message><source>Auto-Connect</source><translation>AUTO</translation></message>"
               "</context></TS>\n");
    file.close();
    const QString qm = QCoreApplication::applicationDirPath() + "/zh_CN.qm";
    QCOMPARE(QProcess::execute(lrelease, {"-silent", ts, "-qm", qm}), 0);

    // A translation beside the executable (here a sound one, as anyone who may write that
    // folder could put there) is passed over: the program's own comes first.
    const QString chineseText = QString::fromUtf8("自动连接");
    {
        ConnectionForm chinese(nullptr, "zh_CN");
        QCOMPARE(child<QPushButton>(chinese, "pB_Connect")->text(), chineseText);
        // one translator serves every window: a later English window replaces it
        ConnectionForm english(nullptr, "en_US");
        QCOMPARE(child<QPushButton>(english, "pB_Connect")->text(), QString("Auto-Connect"));
        english.changeLanguage("zh_CN");
        QCOMPARE(child<QPushButton>(english, "pB_Connect")->text(), chineseText);
        english.changeLanguage("de_DE");
        QCOMPARE(child<QPushButton>(english, "pB_Connect")->text(), QString("Auto-Connect"));
    }
    QFile::remove(qm);
    ConnectionForm missing(nullptr, "zh_CN");
    QCOMPARE(child<QPushButton>(missing, "pB_Connect")->text(), chineseText);
}

void TestConnectionForm::autoConnectFindsSimulator()
{
    Simulator sim({"--id", "4", "--model", "1a2b"});
    QVERIFY(sim.start());
    g_ports = {port("/nonexistent/ttyGV0", "USB Serial Port"), port(sim.port(), "Grivant device simulator")};
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy info(&form, &ConnectionForm::SendGripperInfo);
    QSignalSpy state(&form, &ConnectionForm::SendConnectiomState);
    auto *autoConnect = child<QPushButton>(form, "pB_Connect");

    autoConnect->click();
    QVERIFY(info.wait(10000));
    QCOMPARE(info.at(0).at(0).toByteArray().size(), 12);
    QCOMPARE(info.at(0).at(0).toByteArray().left(2), QByteArray::fromHex("1a2b"));
    QCOMPARE(state.last().at(0).toInt(), 2);
    QCOMPARE(form.linkPort(), sim.port());
    QCOMPARE(form.linkBaudRate(), 115200);
    QCOMPARE(int(form.linkParity()), 0);
    QCOMPARE(int(form.linkStopBits()), 1);
    QCOMPARE(int(form.linkSlaveId()), 4);
    QVERIFY(autoConnect->isEnabled());
    QVERIFY(child<QPushButton>(form, "pB_Search")->isEnabled());
    QVERIFY(form.isSearchIdle());
    const QString log = child<QPlainTextEdit>(form, "pTE_process")->toPlainText();
    QVERIFY(log.contains("Scan error:\t /nonexistent/ttyGV0: no such port (unplugged?)\n"));
    QVERIFY(log.contains(QString("Auto-Connect found a device: ID 4 on %1, 115200 baud, parity none.\n"
                                 "Connect successful:\t %1,115200,0,1,4\n").arg(sim.port())));
    QCOMPARE(child<QListWidget>(form, "lW_devicelist")->item(0)->text(),
             QString("4,%1,115200,0,1").arg(sim.port()));

    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    form.Read_Register(0x0A00, 1);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.at(0).at(0).toByteArray(), QByteArray::fromHex("0A00011a2b"));
}

// The scanner sets the adapter's echo of each probe aside, finds the device behind it and
// says what to do; the window's own link cannot skip an echo, and the adapter line says so.
void TestConnectionForm::autoConnectThroughAnEchoingAdapter()
{
    Simulator sim({"--echo", "--id", "3"});
    QVERIFY(sim.start());
    g_ports = {port(sim.port(), "USB Serial Port")};
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy info(&form, &ConnectionForm::SendGripperInfo);
    child<QPushButton>(form, "pB_Connect")->click();
    QVERIFY(info.wait(10000));
    QCOMPARE(info.at(0).at(0).toByteArray().left(2), QByteArray::fromHex("2701"));
    QCOMPARE(int(form.linkSlaveId()), 3);
    const QString log = child<QPlainTextEdit>(form, "pTE_process")->toPlainText();
    QCOMPARE(log.count("this adapter echoes what it sends: switch its echo off, or let Grivant skip it"), 2);
    QVERIFY(log.contains(QString("\t %1: this adapter echoes").arg(sim.port())));
    auto *line = child<QLabel>(form, "lb_Adapter");
    QVERIFY2(line->text().contains("echoes the requests"), qPrintable(line->text()));
    QVERIFY(line->toolTip().contains("switch its echo off"));
}

void TestConnectionForm::destroyedDuringSweep()
{
    Simulator sim({"--id", "200"});
    QVERIFY(sim.start());
    g_ports = {port(sim.port(), "Simulator")};
    auto form = std::make_unique<ConnectionForm>(nullptr, "en_US");
    QSignalSpy progress(form->scanner(), &Connectionfunc::sig_search_process);
    child<QSpinBox>(*form, "spB_IDStart")->setValue(1);
    child<QSpinBox>(*form, "spB_IDEnd")->setValue(247);
    child<QPushButton>(*form, "pB_Search")->click();
    // a second search queued behind the first must not keep the thread alive either
    child<QPushButton>(*form, "pB_Search")->click();
    child<QPushButton>(*form, "pB_Search")->click();
    QTRY_VERIFY_WITH_TIMEOUT(progress.count() > 0, 5000);
    QPointer<QThread> thread = form->scannerThread();
    QElapsedTimer clock;
    clock.start();
    form.reset();
    QVERIFY(thread.isNull());
    // without a stop the sweep would run 21 x 247 probes, many minutes
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
}

QTEST_MAIN(TestConnectionForm)
#include "tst_connectionform.moc"
