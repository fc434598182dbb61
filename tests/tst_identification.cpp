// Identification of a connected device by the main window: labels, picture, pages, family
// controls, register table rebuilds and the connection state switching.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/vx_ctl.h"
#include "link/connectionform.h"

#include <QtTest>
#include <QTableWidget>

namespace {
QByteArray block(const char *modelHex, const char *software = "0217", const char *uid = "1234abcd")
{
    // model, hardware 1.2, software, unique ID words, other (hardware third number 3)
    return QByteArray::fromHex(QByteArray(modelHex) + "0102" + software + uid + "0003");
}

QList<QTableWidget *> shownTables(Ui::MainWindow *ui)
{
    QList<QTableWidget *> tables;
    for (int i = 0; i < ui->tabW_register->count(); ++i)
        tables << qobject_cast<QTableWidget *>(ui->tabW_register->widget(i));
    return tables;
}
} // namespace

class TestIdentification : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow *ui = nullptr;

private slots:
    void init()
    {
        window.reset(new MainWindow);
        ui = window->form();
    }

    void cleanup() { window.reset(); }


    void knownModelShowsItsTexts()
    {
        window->getGripperInfo(block("2701"));
        QCOMPARE(window->currentModelName(), QString("GZB-50W"));
        QCOMPARE(ui->lb_mode_I->text(), QString("GZB-50W"));
        QCOMPARE(ui->lb_HW_I->text(), QString("1.2.3"));
        QCOMPARE(ui->lb_SW_I->text(), QString("2.23"));
        QCOMPARE(ui->lb_UID_I->text(), QString("ABCD1234"));
        QCOMPARE(ui->stackedWidget_control->currentIndex(), 0);
        QCOMPARE(ui->stackedWidget_io->currentIndex(), 0);
        QVERIFY(!ui->pB_IO_Test1->isHidden());
        QVERIFY(ui->frame_changepage->isHidden());
        QCOMPARE(ui->tabW_register->count(), 6);
        QVERIFY(window->pollingThread()->isRunning());
    }

    void unknownModelIsNamedAfterTheTool()
    {
        window->getGripperInfo(block("7e7e"));
        QCOMPARE(ui->lb_mode_I->text(), QString("Grivant"));
        QCOMPARE(ui->stackedWidget_io->currentIndex(), 0);
        QCOMPARE(ui->stackedWidget_control->currentIndex(), 0);
        QVERIFY(!ui->lb_picture->pixmap(Qt::ReturnByValue).isNull());
    }

    void linearModules_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<int>("ioPage");
        // Both show the module I/O page that the reply dispatch fills and the I/O save writes.
        QTest::newRow("TQP2-51500 has its own picture") << QByteArray("4001") << 1;
        QTest::newRow("TQP2-51500A borrows it, extended I/O") << QByteArray("4002") << 1;
    }

    void linearModules()
    {
        QFETCH(QByteArray, code);
        window->getGripperInfo(block(code.constData()));
        QCOMPARE(ui->lb_mode_I->text(), QString("TQP2-51500"));
        QTEST(ui->stackedWidget_io->currentIndex(), "ioPage");
        QCOMPARE(ui->stackedWidget_control->currentIndex(), 2);
        QVERIFY(!ui->lb_picture->pixmap(Qt::ReturnByValue).isNull());
        for (QPushButton *b : {ui->pB_IO_Test1, ui->pB_IO_Test2, ui->pB_IO_Test3, ui->pB_IO_Test4}) {
            QVERIFY(b->isHidden());
            QVERIFY(!b->isEnabled());
        }
    }

    void familyControls()
    {
        window->getGripperInfo(block("5201"));  // rotary
        QVERIFY(window->currentModelName().contains("KX"));
        QVERIFY(!ui->frame_changepage->isHidden());
        QVERIFY(!ui->gB_IO_Gripper->isHidden());
        QCOMPARE(ui->spB_IO_P_3->minimum(), -32767);
        QCOMPARE(ui->spB_IO_P_4->maximum(), 32767);

        window->getGripperInfo(block("0101"));  // adaptive
        QVERIFY(window->currentModelName().contains("KY"));
        QVERIFY(ui->wg_speed->isHidden());
        QVERIFY(ui->wg_IO_speed->isHidden());
        QVERIFY(ui->frame_changepage->isHidden());
    }

    void softwareVersionOpensTheForceRange_data()
    {
        QTest::addColumn<QByteArray>("software");
        QTest::addColumn<int>("minimum");
        QTest::newRow("2.23") << QByteArray("0217") << 0;
        QTest::newRow("3.0") << QByteArray("0300") << 0;
        QTest::newRow("2.22") << QByteArray("0216") << -1;
    }

    void softwareVersionOpensTheForceRange()
    {
        QFETCH(QByteArray, software);
        QFETCH(int, minimum);
        const int before = ui->hS_Force->minimum();
        window->getGripperInfo(block("2701", software.constData()));
        QCOMPARE(ui->hS_Force->minimum(), minimum < 0 ? before : minimum);
        if (minimum == 0) {
            QCOMPARE(ui->hS_Force->maximum(), 100);
            QCOMPARE(ui->lE_Force->text(), QString("100"));
        }
    }

    void unchangedBlockRebuildsNothing()
    {
        window->getGripperInfo(block("2701"));
        const QList<QTableWidget *> tables = shownTables(ui);
        ui->lb_mode_I->setText("marker");
        window->getGripperInfo(block("2701"));
        QCOMPARE(shownTables(ui), tables);
        QCOMPARE(ui->lb_mode_I->text(), QString("marker"));
    }

    void reconnectingToTheSameModelRebuildsTables()
    {
        window->getGripperInfo(block("2701"));
        const QList<QTableWidget *> before = shownTables(ui);
        ui->hS_Force->setRange(20, 100);  // the version test must not run again

        window->GripperConnectstate(3);
        QVERIFY(window->currentModelName().isEmpty());
        QCOMPARE(ui->lb_SW_I->text(), QString("2.23"));
        QVERIFY(!window->connectionWindow()->isHidden());

        window->getGripperInfo(block("2701"));
        const QList<QTableWidget *> after = shownTables(ui);
        QCOMPARE(after.size(), 6);
        for (QTableWidget *table : after)
            QVERIFY(!before.contains(table));
        QCOMPARE(ui->lb_SW_I->text(), QString("2.23"));
        QCOMPARE(ui->hS_Force->minimum(), 20);
    }

    void connectionStatesSwitchWindows()
    {
        window->GripperConnectstate(2);
        QVERIFY(window->isVisible());
        QVERIFY(!window->connectionWindow()->isVisible());
        QVERIFY(ui->actionDisconnect->isEnabled());
        QCOMPARE(ui->tab_User->currentIndex(), 0);

        window->GripperConnectstate(3);
        QVERIFY(!window->isVisible());
        QVERIFY(window->connectionWindow()->isVisible());
        QVERIFY(!ui->actionDisconnect->isEnabled());
        QCOMPARE(ui->hS_Position->value(), ui->hS_Position->maximum());
        window->GripperConnectstate(3);  // arrives twice from the link; harmless
        QVERIFY(window->connectionWindow()->isVisible());
    }

    void destructionStopsThePollingThreadAndTheConnectionWindow()
    {
        window->getGripperInfo(block("2701"));
        QPointer<VX_Ctl> engine = window->pollingThread();
        QPointer<ConnectionForm> connection = window->connectionWindow();
        QVERIFY(engine->isRunning());
        QSignalSpy finished(engine.data(), &QThread::finished);
        window.reset();
        QCOMPARE(finished.count(), 1);
        QVERIFY(engine.isNull());
        QVERIFY(connection.isNull());
    }

    void shortBlocksCountMissingBytesAsZero()
    {
        window->getGripperInfo(QByteArray());
        QCOMPARE(ui->lb_mode_I->text(), QString("Grivant"));
        QCOMPARE(ui->lb_UID_I->text(), QString("00000000"));
        window->getGripperInfo(QByteArray::fromHex("4001"));
        QCOMPARE(ui->lb_mode_I->text(), QString("TQP2-51500"));
        QCOMPARE(ui->lb_SW_I->text(), QString("0.0"));
    }
};

QTEST_MAIN(TestIdentification)
#include "tst_identification.moc"
