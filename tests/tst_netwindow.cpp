// The window and a device on the network: a network port added to the list (and
// remembered), searched by its IDs, connected to and polled; the traffic monitor's frames;
// a device server that goes away and comes back; pictures for the README.
#include "app/mainwindow.h"
#include "app/translation.h"
#include "ui_mainwindow.h"
#include "ui_connectionform.h"

#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/leasetransport.h"
#include "link/modbusclient.h"
#include "link/networklink.h"
#include "link/networkportdialog.h"
#include "link/portlist.h"
#include "link/trafficmodel.h"
#include "link/trafficmonitor.h"
#include "support/fakeserver.h"
#include "support/operator.h"
#include "support/screenshots.h"
#include "support/simulator.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpServer>
#include <QTimer>
#include <QtTest>

namespace {
const char *const Ini = "./ZODidovava.ini";

QString cellOf(Ui::MainWindow *ui, const QString &group, int row)
{
    for (int i = 0; i < ui->tabW_register->count(); ++i) {
        auto *table = qobject_cast<QTableWidget *>(ui->tabW_register->widget(i));
        if (ui->tabW_register->tabText(i).contains(group) && table && table->item(row, 2))
            return table->item(row, 2)->text();
    }
    return QString();
}

QString processLog(ConnectionForm *form)
{
    return form->form()->pTE_process->toPlainText();
}

// Searches the chosen port for IDs 1 to `last` and waits for the end of the search.
bool search(ConnectionForm *form, int last)
{
    form->form()->spB_IDStart->setValue(1);
    form->form()->spB_IDEnd->setValue(last);
    form->form()->pB_Search->click();
    return QTest::qWaitFor([form] { return form->isSearchIdle() && form->form()->pB_Connect->isEnabled(); }, 20000);
}

void chooseNetworkEntry(ConnectionForm *form)
{
    QComboBox *ports = form->form()->comB_Port;
    const int entry = ports->findData("network-device"); // its text is translated
    ports->setCurrentIndex(entry);
    emit ports->activated(entry);
}
} // namespace

class TestNetWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(Ini);
        // No serial port: the list holds what the test adds.
        PortList::setProvider([] { return QList<PortEntry>(); });
    }
    void cleanup() { PortList::setProvider(nullptr); }

    void wholeRoadOverTheNetwork_data();
    void wholeRoadOverTheNetwork();
    void deviceServerGoneAndBack();
    void networkDeviceEntry();
    void unreachableInTheWindowsLanguage();
    void screenshots();
};

void TestNetWindow::wholeRoadOverTheNetwork_data()
{
    QTest::addColumn<QString>("framing");
    QTest::newRow("Modbus TCP") << "tcp";
    QTest::newRow("RTU over TCP") << "rtu";
}

// From the address to a polled device and back, as with a serial port.
void TestNetWindow::wholeRoadOverTheNetwork()
{
    QFETCH(QString, framing);
    Simulator sim({"--listen", "127.0.0.1:0", "--framing", framing, "--id", "1-2", "--uid", "ABCD1234,ABCD1235",
                   "--speedup", "4", "--wire-time"});
    QVERIFY(sim.start());
    const QString address = sim.port() + "?baud=115200";

    MainWindow window;
    Ui::MainWindow *ui = window.form();
    ConnectionForm *connection = window.connectionWindow();
    QSignalSpy remembered(connection, &ConnectionForm::networkPortsChanged);
    QVERIFY(connection->addNetworkPort(address));
    QCOMPARE(remembered.count(), 1);
    QCOMPARE(connection->form()->comB_Port->currentData().toString(), address);
    QVERIFY(connection->knownPorts().contains(address));
    QVERIFY(connection->findChild<QLabel *>("lb_Adapter")->text().startsWith("Network: "));

    connection->findChild<QAction *>("actionTrafficMonitor")->trigger();
    TrafficMonitor *monitor = connection->trafficMonitor();
    QVERIFY(search(connection, 3));
    QListWidget *found = connection->form()->lW_devicelist;
    QCOMPARE(found->count(), 2);
    QCOMPARE(found->item(1)->text(), QStringLiteral("2,%1,115200,0,1").arg(address));

    emit found->itemDoubleClicked(found->item(1));
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 10000);
    QVERIFY(processLog(connection).contains(QStringLiteral("Connect successful:\t %1,115200,0,1,2").arg(address)));
    QCOMPARE(ui->lb_UID_I->text(), QString("ABCD1235"));
    window.pollingThread()->Add_writeregisterList(0x0100, 1);
    QTRY_COMPARE_WITH_TIMEOUT(cellOf(ui, "0x0200", 0), QString("1"), 10000);
    window.pollingThread()->Add_writeregisterList(0x0103, 200);
    QTRY_COMPARE_WITH_TIMEOUT(cellOf(ui, "0x0200", 2), QString("200"), 10000);

    // The monitor shows the link's frames under the address, as RTU frames with their CRC.
    QTRY_VERIFY(monitor->model()->rowCount() > 20);
    const int last = monitor->model()->rowCount() - 1;
    QCOMPARE(monitor->model()->index(last, TrafficModel::PortColumn).data().toString(), address);
    QVERIFY(monitor->model()->index(last, TrafficModel::DecodedColumn).data().toString().startsWith("ID 2, CRC ok"));

    ui->actionDisconnect->trigger();
    QTRY_VERIFY(connection->isVisible());
    QCOMPARE(connection->networkLink()->state(), 0);
}

// The device server goes away while connected: the log says so once, requests fail at once
// meanwhile, and once it is back the polling goes on without a new connection by hand.
void TestNetWindow::deviceServerGoneAndBack()
{
    auto sim = std::make_unique<Simulator>(QStringList{"--listen", "127.0.0.1:0", "--framing", "rtu"});
    QVERIFY(sim->start());
    const QString address = sim->port();
    MainWindow window;
    ConnectionForm *connection = window.connectionWindow();
    QVERIFY(connection->addNetworkPort(address));
    QVERIFY(search(connection, 1));
    emit connection->form()->lW_devicelist->itemDoubleClicked(connection->form()->lW_devicelist->item(0));
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 10000);

    sim->stop();
    const QString endpoint = address.mid(QStringLiteral("rtu+tcp://").size());
    QTRY_VERIFY_WITH_TIMEOUT(processLog(connection).contains(
                                 QStringLiteral("Connection lost:\t %1 (the device server at %2 cannot be reached")
                                     .arg(address, endpoint)),
                             10000);
    QCOMPARE(processLog(connection).count("Connection lost:"), 1);
    QVERIFY(window.isVisible());

    sim = std::make_unique<Simulator>(QStringList{"--listen", endpoint, "--framing", "rtu"});
    QVERIFY(sim->start());
    QTRY_VERIFY_WITH_TIMEOUT(processLog(connection).contains(QStringLiteral("Connection back:\t %1").arg(address)), 20000);
    QVERIFY(connection->isLinkConnected());
}

// "Network device…": an address typed in, checked while it is typed, listed, remembered in
// the ini file and listed again at the next start; Cancel goes back to the port before.
void TestNetWindow::networkDeviceEntry()
{
    {
        MainWindow window;
        ConnectionForm *connection = window.connectionWindow();
        QComboBox *ports = connection->form()->comB_Port;
        QCOMPARE(ports->itemText(ports->count() - 2), QString("Network device…"));
        QCOMPARE(ports->itemText(ports->count() - 1), QString("Through a gateway…"));

        answerDialog<NetworkPortDialog>([](NetworkPortDialog *dialog) { dialog->reject(); });
        chooseNetworkEntry(connection);
        QCOMPARE(ports->currentIndex(), 0);

        QString shown;
        bool okWhileBad = true;
        answerDialog<NetworkPortDialog>([&](NetworkPortDialog *dialog) {
            dialog->framingBox()->setCurrentIndex(1); // RTU over TCP: the device server's port
            dialog->hostEdit()->setText("my plc");
            okWhileBad = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled();
            dialog->hostEdit()->setText("10.0.0.5");
            dialog->lineBox()->setCurrentIndex(dialog->lineBox()->findData(9600));
            shown = dialog->findChild<QLabel *>("lb_NetAddress")->text();
            dialog->accept();
        });
        chooseNetworkEntry(connection);
        QVERIFY(!okWhileBad);
        QCOMPARE(shown, QString("Port: rtu+tcp://10.0.0.5:4001?baud=9600"));
        QCOMPARE(ports->currentData().toString(), QString("rtu+tcp://10.0.0.5:4001?baud=9600"));
        QCOMPARE(ports->itemText(ports->count() - 2), QString("Network device…")); // still after the ports
    }
    QCOMPARE(QSettings(Ini, QSettings::IniFormat).value("/networkPorts").toStringList(),
             QStringList{"rtu+tcp://10.0.0.5:4001?baud=9600"});
    MainWindow again;
    QTRY_VERIFY(again.connectionWindow()->knownPorts().contains("rtu+tcp://10.0.0.5:4001?baud=9600"));
}

// What the network link, the blocking master and a gateway's lease say of a way that fails
// comes to a Chinese window in Chinese, the address as it was written.
void TestNetWindow::unreachableInTheWindowsLanguage()
{
    QTcpServer probe; // a port nobody listens on: one that was free a moment ago
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const QString closed = QString::number(probe.serverPort());
    probe.close();
    FakeServer garbage(FakeServer::Garbage, false);
    const QString garbled = QString::number(garbage.begin());
    CheckedTranslator chinese;
    QVERIFY(!chinese.loadFirst({Translation::builtIn(QStringLiteral("zh_CN.qm"))}).isEmpty());
    QCoreApplication::installTranslator(&chinese);
    const struct
    {
        const char *address;
        bool reachable; // the way opens; a read then fails
        const char *said;
    } cases[] = {
        {"tcp://127.0.0.1:%1?timeout=500", false,
         "无法连接位于 127.0.0.1:%1 的 Modbus TCP 设备：它拒绝连接（端口 %1 上没有服务在监听？）"},
        {"rtu+tcp://127.0.0.1:%1?timeout=500", false, "无法连接位于 127.0.0.1:%1 的串口服务器：它拒绝连接"},
        {"rtu+tcp://127.0.0.1:%1?timeout=500", true, "应答损坏（CRC 或长度错误）"},
        {"mqtt://127.0.0.1:%1/gw/a", false, "无法连接 127.0.0.1:%1 的代理："},
    };
    for (const auto &c : cases) {
        const QString port = c.reachable ? garbled : closed;
        const QString address = QString::fromLatin1(c.address).arg(port);
        ModbusClient client;
        client.setAttempts(1);
        QString why;
        if (address.startsWith(QLatin1String("mqtt://"))) {
            LeaseTransport::Settings lease;
            QVERIFY(LeaseProtocol::parseAddress(address, &lease.address, nullptr));
            lease.broker.host = QStringLiteral("127.0.0.1");
            lease.broker.port = port.toInt();
            QVERIFY(!client.open(std::make_unique<LeaseTransport>(lease), &why));
        } else if (!c.reachable) {
            QVERIFY(!client.open(LineSettings{address}, &why));
        } else {
            QVERIFY(client.open(LineSettings{address}, &why));
            const ModbusClient::Reply reply = client.read(1, 0x0200, 2);
            QCOMPARE(int(reply.status), int(ModbusClient::Status::BadAnswer));
            why = reply.errorText();
        }
        QVERIFY2(why.contains(QString::fromUtf8(c.said).replace(QLatin1String("%1"), port)), qPrintable(why));
    }
    QCoreApplication::removeTranslator(&chinese);
}

// Pictures for a person to look at; only when GRIVANT_SCREENSHOTS names a folder.
void TestNetWindow::screenshots()
{
    const QString folder = prepareScreenshots();
    if (folder.isEmpty())
        QSKIP("set GRIVANT_SCREENSHOTS to a folder to take pictures");
    for (const QString language : {"en_US", "zh_CN"}) {
        QSettings(Ini, QSettings::IniFormat).setValue("/language", language);
        Simulator sim({"--listen", "127.0.0.1:0", "--framing", "rtu", "--id", "1-3", "--model", "2701,4001,5201",
                       "--speedup", "4", "--initialised", "--wire-time"});
        QVERIFY(sim.start());
        MainWindow window;
        ConnectionForm *connection = window.connectionWindow();
        showWhole(connection);
        answerDialog<NetworkPortDialog>([&](NetworkPortDialog *dialog) {
            dialog->setAddress([&] {
                PortAddress a;
                PortAddresses::parse(sim.port() + "?baud=115200", &a, nullptr);
                return a;
            }());
            dialog->grab().save(folder + "/network-dialog-" + language + ".png");
            dialog->accept();
        });
        chooseNetworkEntry(connection);
        QVERIFY(search(connection, 4));
        connection->grab().save(folder + "/connection-network-" + language + ".png");

        connection->findChild<QAction *>("actionTrafficMonitor")->trigger();
        TrafficMonitor *monitor = connection->trafficMonitor();
        emit connection->form()->lW_devicelist->itemDoubleClicked(connection->form()->lW_devicelist->item(1));
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 10000);
        window.pollingThread()->Add_writeregisterList(0x0103, 300);
        QTRY_VERIFY_WITH_TIMEOUT(monitor->model()->rowCount() > 80, 10000);
        monitor->grab().save(folder + "/traffic-network-" + language + ".png");
        showWhole(&window);
        window.grab().save(folder + "/main-network-" + language + ".png");
    }
    QFile::remove(Ini);
}

QTEST_MAIN(TestNetWindow)
#include "tst_netwindow.moc"
