// The whole road of a connection over the device simulator, through the real connection
// window: Auto-Connect finds the device, the main window identifies it, polling fills the
// register tables and the curves, Disconnect brings the connection window back, and a
// second connection to the same model rebuilds the tables.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"
#include "ui_connectionform.h"

#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/portlist.h"
#include "link/trafficmodel.h"
#include "link/trafficmonitor.h"
#include "support/fakesysfs.h"
#include "support/screenshots.h"
#include "support/simulator.h"

#include <QListWidget>
#include <QSettings>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "qcustomplot.h"

namespace {
QTableWidget *tableOf(Ui::MainWindow *ui, const QString &address)
{
    for (int i = 0; i < ui->tabW_register->count(); ++i) {
        if (ui->tabW_register->tabText(i).contains(address))
            return qobject_cast<QTableWidget *>(ui->tabW_register->widget(i));
    }
    return nullptr;
}

void storeLanguage(const QString &language)
{
    QSettings settings("./ZODidovava.ini", QSettings::IniFormat);
    settings.setValue("/language", language);
}

QString cell(QTableWidget *table, int row)
{
    if (!table || !table->item(row, 2))
        return QString();
    return table->item(row, 2)->text();
}
} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void wholeRoad()
    {
        Simulator sim({"--speedup", "4", "--uid", "ABCD1234", "--sw", "2.30"});
        QVERIFY(sim.start());
        const QString port = sim.port();
        PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });

        MainWindow window;
        Ui::MainWindow *ui = window.form();
        ConnectionForm *connection = window.connectionWindow();
        QVERIFY(connection->isVisible());
        QVERIFY(!window.isVisible());
        QTRY_VERIFY(connection->knownPorts().contains(port));

        // Auto-Connect: the first line setting (115200, no parity) finds the simulator.
        connection->form()->pB_Connect->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 15000);
        QVERIFY(!connection->isVisible());
        QTRY_COMPARE(ui->lb_mode_I->text(), QString("GZB-50W"));
        QCOMPARE(ui->lb_SW_I->text(), QString("2.30"));
        QCOMPARE(ui->lb_HW_I->text(), QString("1.2.3"));
        QCOMPARE(ui->lb_UID_I->text(), QString("ABCD1234"));
        QVERIFY(!ui->lb_picture->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(ui->tabW_register->count(), 6);

        // Live values: the information block reaches its table, and after an initialisation
        // the feedback table shows the device initialised.
        QTableWidget *info = tableOf(ui, "0x0a00");
        QVERIFY(info);
        QTRY_COMPARE_WITH_TIMEOUT(cell(info, 0), QString::number(0x2701), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(ui->PositionPlot->graph(0)->dataCount() > 0, 5000);

        window.pollingThread()->Add_writeregisterList(0x0100, 1);
        QTableWidget *feedback = tableOf(ui, "0x0200");
        QVERIFY(feedback);
        QTRY_COMPARE_WITH_TIMEOUT(cell(feedback, 0), QString("1"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(window.initialised(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(ui->stackedWidget_control->isEnabled(), 5000);

        // A move to 20 %: the position curve follows the simulator.
        window.pollingThread()->Add_writeregisterList(0x0103, 200);
        QTRY_COMPARE_WITH_TIMEOUT(cell(feedback, 2), QString("200"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(ui->PositionPlot->graph(0)->data()->constEnd()[-1].value - 20.0) < 0.01,
                                 5000);
        QVERIFY(ui->CurrentPlot->graph(0)->dataCount() > 0);

        // Disconnect: back to the connection window, the curves cleared.
        const QList<QTableWidget *> firstTables = window.tableTitlesMap().keys();
        ui->actionDisconnect->trigger();
        QTRY_VERIFY(connection->isVisible());
        QVERIFY(!window.isVisible());
        QVERIFY(window.currentModelName().isEmpty());
        QCOMPARE(ui->PositionPlot->graph(0)->dataCount(), 0);

        // Reconnecting to the same model rebuilds the tables.
        QTRY_VERIFY(connection->form()->pB_Connect->isEnabled());
        connection->form()->pB_Connect->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 15000);
        QTRY_COMPARE(window.currentModelName(), QString("GZB-50W"));
        QCOMPARE(ui->tabW_register->count(), 6);
        for (QTableWidget *table : window.tableTitlesMap().keys())
            QVERIFY(!firstTables.contains(table));
        QTRY_COMPARE_WITH_TIMEOUT(cell(tableOf(ui, "0x0a00"), 0), QString::number(0x2701), 5000);

        PortList::setProvider(nullptr);
    }

    // Pictures of the connected tool for a person to look at; runs only when
    // GRIVANT_SCREENSHOTS names a folder.
    void screenshots()
    {
        const QString folder = prepareScreenshots();
        if (folder.isEmpty())
            QSKIP("set GRIVANT_SCREENSHOTS to a folder to take pictures");

        for (const QString language : {"en_US", "zh_CN"}) {
            storeLanguage(language);
            Simulator sim({"--speedup", "4", "--initialised"});
            QVERIFY(sim.start());
            const QString port = sim.port();
            PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });
            // The simulator's port behind an FTDI adapter as sysfs would show one.
            QTemporaryDir sysfs;
            FakeSysfs::makeUsb(sysfs.path(), FakeSysfs::ftdi("16\n"), FakeSysfs::devChar(port));
            qputenv("GRIVANT_SYSFS_ROOT", sysfs.path().toLocal8Bit());
            MainWindow window;
            Ui::MainWindow *ui = window.form();
            ConnectionForm *connection = window.connectionWindow();
            QTRY_VERIFY(connection->knownPorts().contains(port));
            connection->form()->comB_Port->setCurrentIndex(1);
            connection->form()->spB_IDEnd->setValue(2);
            connection->form()->pB_Search->click();
            QTRY_VERIFY_WITH_TIMEOUT(connection->form()->pB_Connect->isEnabled(), 20000);
            showWhole(connection);
            connection->grab().save(folder + "/connection-" + language + ".png");

            connection->form()->lW_devicelist->setCurrentRow(0);
            QListWidgetItem *found = connection->form()->lW_devicelist->item(0);
            QVERIFY(found);
            emit connection->form()->lW_devicelist->itemDoubleClicked(found);
            QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 10000);
            window.pollingThread()->Add_writeregisterList(0x0103, 300);
            QTRY_VERIFY_WITH_TIMEOUT(ui->PositionPlot->graph(0)->dataCount() > 20, 10000);
            showWhole(&window);
            window.grab().save(folder + "/main-narrow-" + language + ".png");
            // The wide picture once a queued replot of the live curve has happened.
            QSignalSpy replotted(ui->PositionPlot, &QCustomPlot::afterReplot);
            ui->actionAdvanced->trigger();
            QVERIFY(replotted.wait(5000));
            showWhole(&window);
            window.grab().save(folder + "/main-wide-" + language + ".png");
            PortList::setProvider(nullptr);
            qunsetenv("GRIVANT_SYSFS_ROOT");
        }
        // Later runs start in the default language again.
        QFile::remove("./ZODidovava.ini");
    }

    // The traffic monitor opened from the connection window before Auto-Connect: the
    // scanner's probes, then the link's polling, a write and a refused write.
    void trafficScreenshots()
    {
        const QString folder = prepareScreenshots();
        if (folder.isEmpty())
            QSKIP("set GRIVANT_SCREENSHOTS to a folder to take pictures");
        for (const QString language : {"en_US", "zh_CN"}) {
            storeLanguage(language);
            Simulator sim({"--speedup", "4", "--initialised", "--wire-time"});
            QVERIFY(sim.start());
            const QString port = sim.port();
            PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });
            MainWindow window;
            ConnectionForm *connection = window.connectionWindow();
            QTRY_VERIFY(connection->knownPorts().contains(port));
            connection->findChild<QAction *>("actionTrafficMonitor")->trigger();
            TrafficMonitor *monitor = connection->trafficMonitor();
            QVERIFY(monitor && monitor->isVisible());
            connection->form()->pB_Connect->click();
            QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 15000);
            window.pollingThread()->Add_writeregisterList(0x0103, 300);
            window.pollingThread()->Add_writeregisterList(0x01F0, 1);
            QTRY_VERIFY_WITH_TIMEOUT(monitor->model()->rowCount() > 60, 10000);
            monitor->grab().save(folder + "/traffic-" + language + ".png");
            monitor->view()->scrollToTop();
            monitor->view()->selectRow(2);
            monitor->grab().save(folder + "/traffic-scan-" + language + ".png");
            // Only the refused write and what else went wrong.
            monitor->findChild<QComboBox *>("comB_FilterFunction")->setCurrentIndex(4);
            monitor->grab().save(folder + "/traffic-errors-" + language + ".png");
            PortList::setProvider(nullptr);
        }
        QFile::remove("./ZODidovava.ini");
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
