// The window and a device of a running gateway's bus: "Through a gateway…" lists what the
// broker shows, the device chosen is leased, identified, polled and written through the
// gateway as over a serial line, its frames in the traffic monitor, and let go at
// disconnection; pictures for the README.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"
#include "ui_connectionform.h"

#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/gatewaydialog.h"
#include "link/leaseprotocol.h"
#include "link/networklink.h"
#include "link/portlist.h"
#include "link/trafficmodel.h"
#include "link/trafficmonitor.h"
#include "lineview/linewindow.h"
#include "support/broker.h"
#include "support/operator.h"
#include "support/screenshots.h"
#include "support/watcher.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

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

void chooseGatewayEntry(ConnectionForm *form)
{
    QComboBox *ports = form->form()->comB_Port;
    const int entry = ports->findData("gateway-device");
    ports->setCurrentIndex(entry);
    emit ports->activated(entry);
}

// The dialog's row of device `id`, once the broker has shown it in state `state`; -1 else.
int rowOf(GatewayDialog *dialog, int id, const QString &state)
{
    QTableWidget *table = dialog->deviceTable();
    if (!QTest::qWaitFor([&] {
            for (int row = 0; row < table->rowCount(); ++row)
                if (table->item(row, 2) && table->item(row, 2)->text() == QString::number(id)
                    && table->item(row, 5)->text() == state)
                    return true;
            return false;
        }, 10000))
        return -1;
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, 2)->text() == QString::number(id))
            return row;
    return -1;
}
} // namespace

class TestGatewayWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() { PortList::setProvider([] { return QList<PortEntry>(); }); }
    void cleanup() { PortList::setProvider(nullptr); }

    void throughAGateway();
    void refusals();
    void diagnoseFromTheLineView();
    void screenshots();

private:
    QString place(int id) const { return QStringLiteral("grivant/gw/a/%1").arg(id); }

    QTemporaryDir m_dir;
    Broker m_broker;
    std::unique_ptr<Simulator> m_bus;
    std::unique_ptr<Watcher> m_watcher;
    QProcess m_gateway;
};

void TestGatewayWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_broker.start(m_dir.path()), "mosquitto does not start");
    m_bus = std::make_unique<Simulator>(QStringList{"--link", m_dir.filePath("a"), "--id", "1-3", "--model",
                                                    "2701,4001,5201", "--uid", "0A000001,0A000002,0A000003",
                                                    "--speedup", "4", "--initialised", "--wire-time"});
    QVERIFY(m_bus->start());
    m_gateway.setProcessChannelMode(QProcess::ForwardedChannels);
    m_gateway.start(QStringLiteral(GATEWAY), {"--name", "gw", "--broker", m_broker.address(), "--bus",
                                              m_dir.filePath("a") + ",115200,1-3", "--allow-diagnosis"});
    QVERIFY(m_gateway.waitForStarted());
    m_watcher = std::make_unique<Watcher>(m_broker.port(), QString(), QString(), "test-watcher");
    for (int id : {1, 2, 3})
        QTRY_COMPARE_WITH_TIMEOUT(m_watcher->last(place(id) + "/availability"), QByteArray("online"), 10000);
}

void TestGatewayWindow::cleanupTestCase()
{
    endChildProcess(m_gateway);
    m_watcher.reset();
    m_broker.stop();
}

void TestGatewayWindow::throughAGateway()
{
    QFile::remove(Ini);
    MainWindow window;
    Ui::MainWindow *ui = window.form();
    ConnectionForm *connection = window.connectionWindow();
    connection->findChild<QAction *>("actionTrafficMonitor")->trigger();
    TrafficMonitor *monitor = connection->trafficMonitor();

    bool chosen = false;
    answerDialog<GatewayDialog>([&](GatewayDialog *dialog) {
        dialog->brokerEdit()->setText(m_broker.address());
        dialog->showButton()->click();
        const int row = rowOf(dialog, 2, "online");
        dialog->deviceTable()->selectRow(row);
        chosen = row >= 0 && dialog->address() == QStringLiteral("mqtt://%1/gw/a").arg(m_broker.address())
                 && dialog->id() == 2;
        dialog->accept();
    });
    chooseGatewayEntry(connection);
    QVERIFY(chosen);
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 10000);
    QCOMPARE(ui->lb_UID_I->text(), QString("0A000002"));
    QCOMPARE(m_watcher->last(place(2) + "/availability"), QByteArray("leased"));
    QVERIFY(connection->findChild<QLabel *>("lb_Adapter")->text().startsWith("Gateway gw, bus a, ID 2"));

    // Polled and written through the gateway as over a serial line.
    window.pollingThread()->Add_writeregisterList(0x0100, 1);
    QTRY_COMPARE_WITH_TIMEOUT(cellOf(ui, "0x0200", 0), QString("1"), 10000);
    window.pollingThread()->Add_writeregisterList(0x0103, 200);
    QTRY_COMPARE_WITH_TIMEOUT(cellOf(ui, "0x0200", 2), QString("200"), 10000);
    QTRY_VERIFY(monitor->model()->rowCount() > 20);
    const int last = monitor->model()->rowCount() - 1;
    QCOMPARE(monitor->model()->index(last, TrafficModel::PortColumn).data().toString(),
             QStringLiteral("mqtt://%1/gw/a").arg(m_broker.address()));
    QVERIFY(monitor->model()->index(last, TrafficModel::DecodedColumn).data().toString().startsWith("ID 2, CRC ok"));

    // While it is held, the dialog shows it leased and does not offer it. A device with a
    // fault (another gateway's, retained for the while) shows its fault and is offered.
    const QString faulty = QStringLiteral("grivant/spare/b/7/");
    QVERIFY(m_watcher->publish(faulty + "availability", "online", true));
    QVERIFY(m_watcher->publish(faulty + "state",
                               R"({"fault": true, "values": {"errorCode": {"value": 5, "fault": true}}})", true));
    bool offered = true;
    bool faultOffered = false;
    answerDialog<GatewayDialog>([&](GatewayDialog *dialog) {
        const int faultRow = rowOf(dialog, 7, "online, error 5");
        dialog->deviceTable()->selectRow(faultRow);
        faultOffered = faultRow >= 0 && dialog->findChild<QPushButton *>("pB_Connect")->isEnabled();
        const int row = rowOf(dialog, 2, "leased");
        dialog->deviceTable()->selectRow(row);
        offered = row < 0 || dialog->findChild<QPushButton *>("pB_Connect")->isEnabled();
        dialog->reject();
    });
    chooseGatewayEntry(connection);
    QVERIFY(faultOffered);
    QVERIFY(!offered);
    QVERIFY(m_watcher->publish(faulty + "availability", QByteArray(), true));
    QVERIFY(m_watcher->publish(faulty + "state", QByteArray(), true));

    ui->actionDisconnect->trigger();
    QTRY_VERIFY(connection->isVisible());
    QTRY_COMPARE(m_watcher->last(place(2) + "/availability"), QByteArray("online"));

    // A window closed while connected lets go too, in so many words: no last will needed.
    {
        MainWindow second;
        LineBroker broker;
        broker.host = QStringLiteral("127.0.0.1");
        broker.port = m_broker.port();
        QVERIFY(second.connectToGatewayDevice(broker, "gw", "a", 2));
        QTRY_VERIFY_WITH_TIMEOUT(second.isVisible(), 10000);
        QCOMPARE(m_watcher->last(place(2) + "/availability"), QByteArray("leased"));
    }
    QTRY_COMPARE(m_watcher->last(place(2) + "/availability"), QByteArray("online"));
    int letGo = 0;
    for (const Watcher::Message &m : m_watcher->on(place(2) + "/answer"))
        letGo += m.payload.contains("let go by its holder");
    QCOMPARE(letGo, 2);
}

void TestGatewayWindow::refusals()
{
    // What stands in the way is said in the process log in the gateway's or the broker's
    // words; the main window stays hidden and the connection window ready for another try.
    LeaseProtocol::LeaseMessage take;
    take.session = QStringLiteral("session-bob0");
    take.holder = QStringLiteral("bob@office");
    QVERIFY(m_watcher->publish(place(3) + "/lease", LeaseProtocol::leaseMessage(take)));
    QTRY_COMPARE(m_watcher->last(place(3) + "/availability"), QByteArray("leased"));
    quint16 closed = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closed = probe.serverPort();
    }

    QFile::remove(Ini);
    MainWindow window;
    ConnectionForm *connection = window.connectionWindow();
    auto *log = connection->findChild<QPlainTextEdit *>("pTE_process");
    const QList<QPair<int, QString>> cases = {
        {7, "bus a has no device with ID 7"},
        {3, "ID 3 on bus a is leased by bob@office since 20"},
        {1, QStringLiteral("the broker at 127.0.0.1:%1 cannot be reached").arg(closed)},
    };
    for (const auto &c : cases) {
        LineBroker broker;
        broker.host = QStringLiteral("127.0.0.1");
        broker.port = c.first == 1 ? closed : m_broker.port();
        QString why;
        QVERIFY2(window.connectToGatewayDevice(broker, "gw", "a", c.first, &why), qPrintable(why));
        QTRY_VERIFY2_WITH_TIMEOUT(log->toPlainText().contains(c.second), qPrintable(log->toPlainText()), 10000);
        QVERIFY(!window.isVisible());
        QVERIFY(connection->form()->pB_Connect->isEnabled());
    }
    take.op = LeaseProtocol::LeaseMessage::Op::Release;
    QVERIFY(m_watcher->publish(place(3) + "/lease", LeaseProtocol::leaseMessage(take)));
    QTRY_COMPARE(m_watcher->last(place(3) + "/availability"), QByteArray("online"));
}

void TestGatewayWindow::diagnoseFromTheLineView()
{
    // "Diagnose" opens the chosen device in the main window through the lease, over the
    // broker the Line view is connected with; while the window holds it, the Line view shows
    // it leased and offers it no more.
    QFile::remove(Ini);
    MainWindow window;
    window.showLineView(m_broker.address());
    LineWindow *line = window.lineWindow();
    auto *diagnose = line->findChild<QPushButton *>("pB_Diagnose");
    line->detail()->setCurrentIndex(1);
    // ID 3 chosen once its row is in the table and the gateway has told what it is.
    const auto chooseThree = [line, diagnose] {
        const int row = line->monitor()->state().rowOf("gw", "a", 3);
        const QModelIndex index = line->filter()->mapFromSource(line->monitor()->table()->index(row, 0));
        if (index.isValid() && line->deviceView()->selectionModel()->currentIndex().row() != index.row())
            line->deviceView()->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return diagnose->isEnabled();
    };
    QTRY_VERIFY2_WITH_TIMEOUT(chooseThree(), qPrintable(diagnose->toolTip()), 10000);
    diagnose->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 10000);
    QCOMPARE(window.form()->lb_UID_I->text(), QString("0A000003"));
    QTRY_VERIFY(!diagnose->isEnabled());
    QVERIFY2(diagnose->toolTip().endsWith("holds its lease."), qPrintable(diagnose->toolTip()));
    window.form()->actionDisconnect->trigger();
    QTRY_COMPARE(m_watcher->last(place(3) + "/availability"), QByteArray("online"));
    QTRY_VERIFY(diagnose->isEnabled());
}

// Pictures for a person to look at; only when GRIVANT_SCREENSHOTS names a folder.
void TestGatewayWindow::screenshots()
{
    const QString folder = prepareScreenshots();
    if (folder.isEmpty())
        QSKIP("set GRIVANT_SCREENSHOTS to a folder to take pictures");
    for (const QString language : {"en_US", "zh_CN"}) {
        QSettings(Ini, QSettings::IniFormat).setValue("/language", language);
        MainWindow window;
        ConnectionForm *connection = window.connectionWindow();
        connection->show();
        answerDialog<GatewayDialog>([&](GatewayDialog *dialog) {
            dialog->brokerEdit()->setText(m_broker.address());
            dialog->showButton()->click();
            dialog->deviceTable()->selectRow(rowOf(dialog, 1, language == "en_US" ? "online" : "在线"));
            dialog->grab().save(folder + "/gateway-dialog-" + language + ".png");
            dialog->accept();
        });
        chooseGatewayEntry(connection);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 10000);
        // The gripper moved and back, for the curves.
        window.pollingThread()->Add_writeregisterList(0x0103, 800);
        QTRY_COMPARE_WITH_TIMEOUT(cellOf(window.form(), "0x0200", 2), QString("800"), 10000);
        window.pollingThread()->Add_writeregisterList(0x0103, 300);
        QTRY_COMPARE_WITH_TIMEOUT(cellOf(window.form(), "0x0200", 2), QString("300"), 10000);
        window.grab().save(folder + "/main-gateway-" + language + ".png");
        connection->grab().save(folder + "/connection-gateway-" + language + ".png");
        window.form()->actionDisconnect->trigger();
        QTRY_COMPARE(m_watcher->last(place(1) + "/availability"), QByteArray("online"));
        LineBroker broker;
        broker.host = "127.0.0.1";
        broker.port = m_broker.port();
        QVERIFY(window.connectToGatewayDevice(broker, "gw", "a", 7));
        QTRY_VERIFY(connection->findChild<QPlainTextEdit *>("pTE_process")->toPlainText().contains("ID 7"));
        connection->grab().save(folder + "/connection-refused-" + language + ".png");

        // The Line view with a device that can be diagnosed in its detail.
        window.showLineView(m_broker.address());
        LineWindow *line = window.lineWindow();
        line->setGeometry(QRect(0, 24, 1366, 768 - 24 - 30));
        line->detail()->setCurrentIndex(1);
        auto *diagnose = line->findChild<QPushButton *>("pB_Diagnose");
        QTRY_VERIFY_WITH_TIMEOUT(([line, diagnose] {
                                     const int row = line->monitor()->state().rowOf("gw", "a", 2);
                                     const QModelIndex index =
                                         line->filter()->mapFromSource(line->monitor()->table()->index(row, 0));
                                     if (index.isValid())
                                         line->deviceView()->selectionModel()->setCurrentIndex(
                                             index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                                     return diagnose->isEnabled();
                                 }()),
                                 10000);
        line->grab().save(folder + "/line-diagnose-" + language + ".png");
        line->close();
    }
    QFile::remove(Ini);
}

QTEST_MAIN(TestGatewayWindow)
#include "tst_gatewaywindow.moc"
