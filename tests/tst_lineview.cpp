// The Line view on a broker of the test's own, fed with what the real gateway published for
// two buses of simulated devices (tests/recorded/line1.txt, captured with mosquitto_sub):
// the rows and their words, devices going offline and leased, sorting, a broker that goes
// away, and the window in both languages.
#include "app/mainwindow.h"
#include "link/connectionform.h"
#include "app/translation.h"
#include "gateway/mqttclient.h"
#include "lineview/linecharts.h"
#include "lineview/linewindow.h"
#include "support/broker.h"
#include "support/screenshots.h"
#include "support/simulator.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

struct Recorded
{
    QString topic;
    QByteArray payload;
};

QVector<Recorded> recorded()
{
    QFile file(QFINDTESTDATA("recorded/line1.txt"));
    QVector<Recorded> out;
    if (!file.open(QIODevice::ReadOnly))
        return out;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        const int space = line.indexOf(' ');
        if (space > 0)
            out.append({QString::fromUtf8(line.left(space)), line.mid(space + 1)});
    }
    return out;
}

// What the table shows in a column of the device (bus, ID).
QString cell(LineMonitor *monitor, const QString &bus, int id, int column)
{
    const int row = monitor->state().rowOf(QStringLiteral("line1"), bus, id);
    return row < 0 ? QStringLiteral("(no row)") : monitor->table()->index(row, column).data().toString();
}

} // namespace

class TestLineView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void retainedPicture_data();
    void retainedPicture();
    void changesOnTheBroker();
    void brokerGoesAndComesBack();
    void closedWhileMessagesFlood();
    void windowInBothLanguages();
    void openedFromBothWindows();
    void screenshots();

private:
    bool publish(const QString &topic, const QByteArray &payload, bool retain);
    void publishRecorded();
    LineBroker broker() const
    {
        LineBroker b;
        b.host = QStringLiteral("127.0.0.1");
        b.port = m_broker.port();
        return b;
    }

    QTemporaryDir m_dir;
    Broker m_broker;
    std::unique_ptr<MqttClient> m_publisher;
    std::unique_ptr<LineMonitor> m_monitor;
};

bool TestLineView::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    return m_publisher->publish(topic, payload, 1, retain);
}

void TestLineView::publishRecorded()
{
    for (const Recorded &r : recorded())
        QVERIFY(publish(r.topic, r.payload, !r.topic.endsWith(QLatin1String("/stats"))));
}

void TestLineView::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_broker.start(m_dir.path()), "mosquitto does not start");
    MqttClient::Settings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = m_broker.port();
    s.clientId = QStringLiteral("test-gateway");
    m_publisher = std::make_unique<MqttClient>(s);
    QString error;
    QVERIFY2(m_publisher->start(&error), qPrintable(error));
    QTRY_VERIFY(m_publisher->isConnected());
    QCOMPARE(recorded().size(), 24);
    publishRecorded();

    m_monitor = std::make_unique<LineMonitor>();
    QVERIFY(m_monitor->open(broker(), &error));
    QTRY_COMPARE(m_monitor->feed()->link(), LineFeed::Link::Connected);
    // Six devices: the offline one has its availability only.
    QTRY_COMPARE(m_monitor->table()->rowCount(), 6);
    // The stats are not retained: they reach those who listen when they come.
    for (const Recorded &r : recorded())
        if (r.topic.endsWith(QLatin1String("/stats")))
            QVERIFY(publish(r.topic, r.payload, false));
}

void TestLineView::cleanupTestCase()
{
    m_monitor.reset();
    m_publisher.reset();
}

void TestLineView::retainedPicture_data()
{
    QTest::addColumn<QString>("bus");
    QTest::addColumn<int>("id");
    // model, family, availability, initialisation, state, position, fault, poll interval
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("gripper holding") << "ttyWEST" << 1
                                     << QStringList{"GZB-50W", "gripper", "online", "initialised",
                                                    "caught an object", "20.0 %", "", "54 / 80 ms"};
    QTest::newRow("module") << "ttyWEST" << 2
                            << QStringList{"TQP2-51500", "linear module", "online", "homed", "arrived", "0.00 mm", "",
                                           "52 / 88 ms"};
    QTest::newRow("rotary") << "ttyWEST" << 3
                            << QStringList{"KX26-R", "rotary gripper", "online", "initialised", "arrived", "100.0 %", "",
                                           "56 / 84 ms"};
    QTest::newRow("faulted module") << "ttyEAST" << 2
                                    << QStringList{"TQP2-51500", "linear module", "online", "homed", "arrived",
                                                   "0.00 mm", "error 3", "54 / 68 ms"};
    QTest::newRow("never answered") << "ttyEAST" << 3 << QStringList{"", "", "offline", "", "", "", "", ""};
}

void TestLineView::retainedPicture()
{
    QFETCH(QString, bus);
    QFETCH(int, id);
    QFETCH(QStringList, cells);
    const int columns[] = {LineTableModel::ModelColumn, LineTableModel::FamilyColumn,
                           LineTableModel::AvailabilityColumn, LineTableModel::InitialisationColumn,
                           LineTableModel::StateColumn, LineTableModel::PositionColumn, LineTableModel::FaultColumn,
                           LineTableModel::PollColumn};
    for (int i = 0; i < cells.size(); ++i)
        QCOMPARE(cell(m_monitor.get(), bus, id, columns[i]), cells.at(i));
    // The buses from the stats: the line's share and the failures a minute.
    QTRY_VERIFY(!m_monitor->buses()->index(0, LineBusModel::LineShareColumn).data().toString().isEmpty());
}

void TestLineView::changesOnTheBroker()
{
    LineMonitor *m = m_monitor.get();
    QVERIFY(publish("grivant/line1/ttyWEST/2/availability", "offline", true));
    QVERIFY(publish("grivant/line1/ttyWEST/1/availability", "leased", true));
    QTRY_COMPARE(cell(m, "ttyWEST", 2, LineTableModel::AvailabilityColumn), QStringLiteral("offline"));
    QTRY_COMPARE(cell(m, "ttyWEST", 1, LineTableModel::AvailabilityColumn), QStringLiteral("leased"));
    QVERIFY(publish("grivant/line1/ttyWEST/1/holder",
                    R"({"holder":"ana@bench-3","since":"2026-12-08T10:12:03.000Z","expiry":600})", true));
    const auto holder = [m] {
        const int row = m->state().rowOf("line1", "ttyWEST", 1);
        return m->table()->index(row, LineTableModel::AvailabilityColumn).data(Qt::ToolTipRole).toString();
    };
    QTRY_VERIFY(holder().startsWith(QStringLiteral("Lent to ana@bench-3 for diagnosis since ")));
    // The offline device keeps its row and what it said last.
    QCOMPARE(cell(m, "ttyWEST", 2, LineTableModel::ModelColumn), QStringLiteral("TQP2-51500"));

    // Sorted by fault, the faulted device leads; by availability, the offline ones do.
    LineFilter filter(m->table());
    filter.sort(LineTableModel::FaultColumn);
    QCOMPARE(filter.index(0, LineTableModel::BusColumn).data().toString() + filter.index(0, LineTableModel::IdColumn).data().toString(),
             QStringLiteral("ttyEAST2"));
    filter.sort(LineTableModel::AvailabilityColumn, Qt::AscendingOrder);
    QCOMPARE(filter.index(0, LineTableModel::AvailabilityColumn).data().toString(), QStringLiteral("offline"));
    QCOMPARE(filter.index(2, LineTableModel::AvailabilityColumn).data().toString(), QStringLiteral("leased"));

    // The gateway's last will: every device of it is offline, whatever its availability says.
    QVERIFY(publish("grivant/line1/status", "offline", true));
    QTRY_COMPARE(cell(m, "ttyEAST", 1, LineTableModel::AvailabilityColumn), QStringLiteral("offline"));
    QCOMPARE(m->buses()->index(0, LineBusModel::StatusColumn).data().toString(), QStringLiteral("offline"));
    QVERIFY(publish("grivant/line1/status", "online", true));
    QTRY_COMPARE(cell(m, "ttyEAST", 1, LineTableModel::AvailabilityColumn), QStringLiteral("online"));

    // Bad input on the same topics leaves the rows as they were and is counted.
    const qint64 before = m->state().notUnderstood();
    QVERIFY(publish("grivant/line1/ttyEAST/1/state", "{\"fault\":", false));
    QVERIFY(publish("grivant/line1/ttyEAST/1/state/deeper", "{}", false));
    QTRY_COMPARE(m->state().notUnderstood(), before + 2);
    QCOMPARE(cell(m, "ttyEAST", 1, LineTableModel::StateColumn), QStringLiteral("arrived"));
    publishRecorded();
}

void TestLineView::brokerGoesAndComesBack()
{
    LineMonitor *m = m_monitor.get();
    m_broker.stop();
    QTRY_VERIFY(m->feed()->link() == LineFeed::Link::Lost || m->feed()->link() == LineFeed::Link::Unreachable);
    QCOMPARE(m->table()->rowCount(), 6); // what was known stays in sight
    QVERIFY(m_broker.restart());
    QTRY_VERIFY_WITH_TIMEOUT(m->feed()->link() == LineFeed::Link::Connected, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(m_publisher->isConnected(), 15000);
    publishRecorded();
    QVERIFY(publish("grivant/line1/ttyWEST/3/availability", "offline", true));
    QTRY_COMPARE(cell(m, "ttyWEST", 3, LineTableModel::AvailabilityColumn), QStringLiteral("offline"));
}

void TestLineView::closedWhileMessagesFlood()
{
    // A second view, closed and opened again while states come as fast as the publisher
    // sends them: what the closed connection still reads never reaches the new picture.
    LineMonitor monitor;
    QString error;
    QVERIFY(monitor.open(broker(), &error));
    QTRY_COMPARE(monitor.table()->rowCount(), 6);
    const QByteArray state = recorded().at(3).payload;
    for (int round = 0; round < 3; ++round) {
        for (int n = 0; n < 2000; ++n)
            m_publisher->publish(QStringLiteral("grivant/line1/ttyEAST/%1/state").arg(n % 2 + 1), state, 0, false);
        monitor.close();
        monitor.refreshNow();
        QCOMPARE(monitor.table()->rowCount(), 0);
        QCOMPARE(monitor.state().messagesTaken(), 0);
        QVERIFY(monitor.open(broker(), &error));
        QTRY_COMPARE(monitor.table()->rowCount(), 6);
    }
    QCOMPARE(monitor.feed()->dropped(), 0);
}

void TestLineView::windowInBothLanguages()
{
    LineWindow window;
    window.setBroker(broker());
    window.show();
    QVERIFY(window.connectToBroker());
    QTRY_COMPARE(window.deviceView()->model()->rowCount(), 6);
    // The chosen devices are drawn, one curve each.
    window.detail()->setCurrentWidget(window.charts());
    window.deviceView()->selectAll();
    QTRY_COMPARE(window.charts()->curveCount(), 6);
    // Inside a 1024 x 768 screen.
    QVERIFY(window.minimumSizeHint().width() <= 1024 && window.minimumSizeHint().height() <= 740);

    CheckedTranslator chinese;
    QVERIFY(!chinese.loadFirst({Translation::builtIn(QStringLiteral("zh_CN.qm"))}).isEmpty());
    QCoreApplication::installTranslator(&chinese);
    QTRY_COMPARE(window.deviceView()->model()->headerData(LineTableModel::GatewayColumn, Qt::Horizontal).toString(),
                 QString::fromUtf8("网关"));
    QTRY_COMPARE(window.windowTitle(), QString::fromUtf8("Grivant -- 产线"));
    const int row = window.monitor()->state().rowOf("line1", "ttyEAST", 1);
    QCOMPARE(window.monitor()->table()->index(row, LineTableModel::StateColumn).data().toString(),
             QString::fromUtf8("到位"));
    QCoreApplication::removeTranslator(&chinese);
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("Grivant -- Line"));
}

void TestLineView::openedFromBothWindows()
{
    MainWindow main;
    for (QWidget *window : {static_cast<QWidget *>(&main), static_cast<QWidget *>(main.connectionWindow())}) {
        QAction *action = window->findChild<QAction *>(QStringLiteral("actionLineView"));
        QVERIFY(action);
        QVERIFY(action->associatedWidgets().size() > 0); // in a menu
        action->trigger();
        QTRY_VERIFY(main.lineWindow()->isVisible());
        main.lineWindow()->close();
    }
    // Opened with an address, it connects to that broker.
    main.showLineView(QStringLiteral("127.0.0.1:%1").arg(m_broker.port()));
    QTRY_COMPARE(main.lineWindow()->monitor()->feed()->link(), LineFeed::Link::Connected);
    QTRY_COMPARE(main.lineWindow()->deviceView()->model()->rowCount(), 6);
}

// Pictures for a person to look at, of a real gateway with two buses of simulated devices:
// taken only when GRIVANT_SCREENSHOTS names a folder (scripts/screenshots.sh, under Xvfb).
void TestLineView::screenshots()
{
    const QString folder = prepareScreenshots();
    if (folder.isEmpty())
        QSKIP("set GRIVANT_SCREENSHOTS to a folder to take pictures");
    QTemporaryDir dir;
    Broker broker;
    QVERIFY(broker.start(dir.path()));
    Simulator west({"--link", dir.filePath("west"), "--id", "1-3", "--model", "2701,4001,5201", "--uid",
                    "1A2B3C4D,00C0FFEE,0BADCAFE", "--object", "200", "--initialised"});
    Simulator east({"--link", dir.filePath("east"), "--id", "1-2", "--model", "2701,4001", "--uid", "5EED0001,5EED0002",
                    "--error-code", "0,3", "--initialised"});
    QVERIFY(west.start());
    QVERIFY(east.start());
    QProcess gateway;
    gateway.setProcessChannelMode(QProcess::ForwardedChannels);
    gateway.start(QStringLiteral(GATEWAY), {"--name", "line1", "--broker", broker.address(), "--allow-commands",
                                            "--bus", dir.filePath("west") + ",115200,1-3", "--bus",
                                            dir.filePath("east") + ",115200,1-3"});
    QVERIFY(gateway.waitForStarted());
    MqttClient::Settings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = broker.port();
    s.clientId = QStringLiteral("test-operator");
    MqttClient operatorClient(s);
    QString error;
    QVERIFY(operatorClient.start(&error));
    QTRY_VERIFY(operatorClient.isConnected());

    LineWindow window;
    LineBroker b;
    b.host = QStringLiteral("127.0.0.1");
    b.port = broker.port();
    window.setBroker(b);
    window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry().adjusted(0, 24, 0, 0));
    window.show();
    QVERIFY(window.connectToBroker());
    QTRY_COMPARE_WITH_TIMEOUT(window.deviceView()->model()->rowCount(), 6, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(
        !window.monitor()->buses()->index(1, LineBusModel::LineShareColumn).data().toString().isEmpty(), 20000);
    // Some motion for the curves: the gripper closes on its object, the module travels.
    const auto move = [&operatorClient](const char *device, const char *values) {
        operatorClient.publish(QStringLiteral("grivant/line1/%1/set").arg(QLatin1String(device)),
                               QByteArray("{\"values\":") + values + '}', 1, false);
    };
    move("west/1", R"({"Target position":800,"Speed":30})");
    move("west/2", R"({"Target position":5000,"Speed":20})");
    move("east/1", R"({"Target position":500,"Speed":10})");
    QTest::qWait(2500);
    move("west/1", R"({"Target position":100,"Speed":20})");
    move("west/2", R"({"Target position":1000,"Speed":40})");
    QTest::qWait(4000);
    window.deviceView()->sortByColumn(LineTableModel::FaultColumn, Qt::AscendingOrder);
    window.detail()->setCurrentWidget(window.charts());
    auto *selection = window.deviceView()->selectionModel();
    for (const char *device : {"west/1", "west/2", "east/1"}) {
        const QStringList parts = QString::fromLatin1(device).split('/');
        const int row = window.monitor()->state().rowOf("line1", parts[0], parts[1].toInt());
        const QModelIndex index = window.filter()->mapFromSource(window.monitor()->table()->index(row, 0));
        selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QTest::qWait(1500);
    QVERIFY(window.grab().save(folder + "/line-en_US.png"));

    CheckedTranslator chinese;
    QVERIFY(!chinese.loadFirst({Translation::builtIn(QStringLiteral("zh_CN.qm"))}).isEmpty());
    QCoreApplication::installTranslator(&chinese);
    QTRY_COMPARE(window.windowTitle(), QString::fromUtf8("Grivant -- 产线"));
    QTest::qWait(1000);
    QVERIFY(window.grab().save(folder + "/line-zh_CN.png"));
    // The smallest screen the window is made for, a device's detail in view.
    window.setGeometry(QRect(0, 24, 1024, 768 - 24 - 30));
    window.detail()->setCurrentIndex(1);
    QTest::qWait(1500);
    QVERIFY(window.grab().save(folder + "/line-1024-zh_CN.png"));
    QCoreApplication::removeTranslator(&chinese);
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("Grivant -- Line"));
    QTest::qWait(1000);
    QVERIFY(window.grab().save(folder + "/line-1024-en_US.png"));
    window.close();
    endChildProcess(gateway);
}

QTEST_MAIN(TestLineView)
#include "tst_lineview.moc"
