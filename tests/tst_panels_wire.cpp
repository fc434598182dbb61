// The control pages and parameter tabs against the device simulator, one device of each
// family through the real connection window: what the operator does reaches the device's
// registers, and the device's motion comes back to the tables and the position curve.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"
#include "ui_connectionform.h"

#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/portlist.h"
#include "link/traffic.h"
#include "support/screenshots.h"
#include "support/simulator.h"

#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <signal.h>

#include "support/operator.h"
#include <memory>

#include "qcustomplot.h"

namespace {

void mouse(QWidget *widget, QEvent::Type type)
{
    const QPoint at(widget->width() / 2, widget->height() / 2);
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A write on the wire: function 0x06 or 0x10 from the master.
bool isWrite(const TrafficFrame &f)
{
    return f.direction == TrafficFrame::Sent && (f.function == 0x06 || f.function == 0x10);
}

QString describe(const QVector<TrafficFrame> &frames)
{
    QStringList lines;
    for (const TrafficFrame &f : frames)
        lines << TrafficText::hex(f.bytes);
    return lines.join(" | ");
}

} // namespace

class TestPanelsWire : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Simulator> sim;
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow *ui = nullptr;
    QVector<TrafficFrame> frames; // the traffic record since the window was made
    QTemporaryDir scratch;

    QVector<TrafficFrame> record()
    {
        frames += window->connectionWindow()->trafficTap()->take();
        return frames;
    }
    QVector<TrafficFrame> writesOnTheWire()
    {
        QVector<TrafficFrame> writes;
        for (const TrafficFrame &f : record())
            if (isWrite(f))
                writes << f;
        return writes;
    }
    // Polls of a group that went out: the clock of an idle test.
    int readsOf(int address)
    {
        int n = 0;
        for (const TrafficFrame &f : record())
            n += f.direction == TrafficFrame::Sent && f.function == 0x03 && f.address == address;
        return n;
    }
    // Saved parameters for the simulator's --state, "ADDRESS VALUE" in hexadecimal.
    QStringList state(const QString &name, const QString &lines)
    {
        const QString path = scratch.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        file.write(lines.toLatin1());
        return {"--state", path};
    }

    // Auto-Connect to a simulated device of the given model code.
    bool connectTo(const QStringList &args, const QString &model)
    {
        window.reset();
        sim = std::make_unique<Simulator>(QStringList{"--speedup", "4"} + args);
        if (!sim->start())
            return false;
        const QString port = sim->port();
        PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });
        window = std::make_unique<MainWindow>();
        ui = window->form();
        ConnectionForm *connection = window->connectionWindow();
        frames.clear();
        connection->trafficTap()->setListening(true);
        if (!QTest::qWaitFor([&] { return connection->knownPorts().contains(port); }, 5000))
            return false;
        connection->form()->pB_Connect->click();
        return QTest::qWaitFor([&] { return window->isVisible() && window->currentModelName() == model; },
                               15000);
    }

    QString cell(int address) const
    {
        const QString block = QString("0x%1").arg(address & 0xFF00, 4, 16, QChar('0'));
        for (int i = 0; i < ui->tabW_register->count(); ++i) {
            if (!ui->tabW_register->tabText(i).contains(block))
                continue;
            auto *table = qobject_cast<QTableWidget *>(ui->tabW_register->widget(i));
            QTableWidgetItem *item = table ? table->item(address & 0xFF, 2) : nullptr;
            return item ? item->text() : QString();
        }
        return QString();
    }

    double lastPosition() const
    {
        const auto data = ui->PositionPlot->graph(0)->data();
        return data->isEmpty() ? -1 : (data->constEnd() - 1)->value;
    }

private slots:
    void cleanup()
    {
        window.reset();
        sim.reset();
        PortList::setProvider(nullptr);
    }

    // Connected and left alone, the tool only reads: what the device reports fills the
    // widgets and is never written back.
    void idleConnectionWritesNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("model");
        QTest::newRow("gripper") << QStringList{"--initialised"} << "GZB-50W";
        QTest::newRow("gripper in I/O mode") << QStringList{"--initialised"} + state("io.state", "0402 0001\n")
                                             << "GZB-50W";
        QTest::newRow("rotary") << QStringList{"--model", "5201", "--initialised"} << "KX26-R";
        QTest::newRow("adaptive") << QStringList{"--model", "0101"} << "KY32-S";
        QTest::newRow("module") << QStringList{"--model", "4001", "--initialised"} << "TQP2-51500";
    }
    void idleConnectionWritesNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, model);
        QVERIFY(connectTo(args, model));
        QTRY_VERIFY_WITH_TIMEOUT(window->parametersLoaded(), 10000);
        const int before = readsOf(0x0400);
        QTRY_VERIFY_WITH_TIMEOUT(readsOf(0x0400) >= before + 3, 15000);
        QVERIFY2(writesOnTheWire().isEmpty(), qPrintable(describe(writesOnTheWire())));
    }

    // A greyed control page moves nothing: not an uninitialised module's jog buttons and
    // slider, not a gripper's page while the device is in I/O mode.
    void greyedPageWritesNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("model");
        QTest::newRow("module not initialised") << QStringList{"--model", "4001"} << "TQP2-51500";
        QTest::newRow("gripper in I/O mode") << QStringList{"--initialised"} + state("io.state", "0402 0001\n")
                                             << "GZB-50W";
    }
    void greyedPageWritesNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, model);
        QVERIFY(connectTo(args, model));
        QTRY_VERIFY_WITH_TIMEOUT(window->parametersLoaded(), 10000);
        QTRY_VERIFY(!ui->stackedWidget_control->isEnabled());
        QVERIFY(!ui->rB_Demo->isEnabled());
        for (QWidget *target : std::initializer_list<QWidget *>{
                 ui->pB_Position_Forward, ui->pB_Position_Backward, ui->hS_Position_module,
                 ui->hS_Position, ui->hS_Force, ui->pB_Position_Open}) {
            mouse(target, QEvent::MouseButtonPress);
            mouse(target, QEvent::MouseButtonRelease);
        }
        ui->rB_Demo->click();
        const int before = readsOf(0x0100);
        QTRY_VERIFY_WITH_TIMEOUT(readsOf(0x0100) >= before + 3, 10000);
        QVERIFY2(writesOnTheWire().isEmpty(), qPrintable(describe(writesOnTheWire())));
    }

    // A device code outside a combo's list (I/O mode 2, baud-rate code 7) is shown as what
    // it is; neither a save nor picking that entry writes anything, least of all 65535.
    void unknownCodesAreNeverWritten()
    {
        QVERIFY(connectTo(QStringList{"--initialised"} + state("odd.state", "0402 0002\n0303 0007\n"), "GZB-50W"));
        QTRY_VERIFY_WITH_TIMEOUT(window->parametersLoaded(), 10000);
        QCOMPARE(ui->cB_IOMode->currentText(), QString("2 (unknown)"));
        QCOMPARE(ui->cB_Baudrate->currentText(), QString("7 (unknown)"));

        ui->tab_User->setCurrentWidget(ui->tab_Commu);
        ui->pB_Commu_Apply->click();
        QVERIFY(ui->lb_Commu_notice->text().startsWith("Not saved"));
        ui->cB_IOMode->setCurrentIndex(1);
        ui->cB_IOMode->setCurrentIndex(2); // the unknown entry: the device keeps its mode
        const int before = readsOf(0x0400);
        QTRY_VERIFY_WITH_TIMEOUT(readsOf(0x0400) >= before + 2, 10000);
        const QVector<TrafficFrame> writes = writesOnTheWire();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(TrafficText::hex(writes.first().bytes).left(17), QString("01 06 04 02 00 01"));
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0402), QString("1"), 10000);
        // The device reports a known mode now: the unknown entry goes.
        QTRY_COMPARE_WITH_TIMEOUT(ui->cB_IOMode->count(), 2, 10000);
        QCOMPARE(ui->cB_Baudrate->currentText(), QString("7 (unknown)"));
    }

    // The device's refusal is named as such and the write is not sent again.
    void refusedWriteIsNamedAndNotRepeated()
    {
        QVERIFY(connectTo({"--initialised"}, "GZB-50W"));
        window->pollingThread()->Add_writeregisterList(0x0202, 5); // feedback: read-only
        QTRY_VERIFY_WITH_TIMEOUT(ui->statusBar->currentMessage().contains("refused"), 5000);
        QCOMPARE(ui->statusBar->currentMessage(),
                 QString("Write 0x0202 refused by the device: illegal data address"));
        QVERIFY(window->connectionWindow()->form()->pTE_process->toPlainText().contains(
            "Write refused:\t 0x0202 = 5, the device answered illegal data address (exception 0x02)"));
        const int before = readsOf(0x0100);
        QTRY_VERIFY_WITH_TIMEOUT(readsOf(0x0100) >= before + 3, 5000);
        QCOMPARE(writesOnTheWire().size(), 1);
    }

    // Closing the window sends what is still queued first; with a device that has stopped
    // answering, the writes left over are named before the program ends.
    void closingSendsQueuedWritesOrNamesThem_data()
    {
        QTest::addColumn<bool>("deviceAnswers");
        QTest::newRow("device answers") << true;
        QTest::newRow("device silent") << false;
    }
    void closingSendsQueuedWritesOrNamesThem()
    {
        QFETCH(bool, deviceAnswers);
        QVERIFY(connectTo({"--initialised", "--delay", "20"}, "GZB-50W"));
        QTRY_VERIFY_WITH_TIMEOUT(window->parametersLoaded(), 10000);
        QStringList named;
        window->setMessageBoxForTest([&named](int, const QString &, const QString &text) {
            named << text;
            return 0;
        });
        const qint64 simPid = sim->process()->processId();
        if (!deviceAnswers)
            ::kill(pid_t(simPid), SIGSTOP);
        for (quint16 speed : {41, 42, 43, 44})
            window->pollingThread()->Add_writeregisterList(0x0104, speed);

        QTimer::singleShot(0, window.get(), &QWidget::close);
        QTimer safety;
        safety.setSingleShot(true);
        connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        safety.start(10000);
        const int ended = QCoreApplication::exec();
        if (!deviceAnswers)
            ::kill(pid_t(simPid), SIGCONT);
        QCOMPARE(ended, 0);
        QVERIFY(!window->isVisible());

        int answered = 0;
        for (const TrafficFrame &f : record())
            answered += f.direction == TrafficFrame::Received && f.function == 0x06;
        if (deviceAnswers) {
            QCOMPARE(answered, 4);
            QVERIFY(named.isEmpty());
        } else {
            QCOMPARE(answered, 0);
            QCOMPARE(named.size(), 1);
            QVERIFY2(named.first().contains("0x0104 = 44"), qPrintable(named.first()));
        }
    }

    void gripperMovesAndRunsTheDemo()
    {
        QVERIFY(connectTo({}, "GZB-50W"));
        ui->pB_Activate->click();
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0200), QString("1"), 10000);
        QTRY_VERIFY(ui->stackedWidget_control->isEnabled());

        ui->pB_Position_Open->click();
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0202), QString("1000"), 10000);
        typeInto(ui->lE_Position, "55.5");
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0202), QString("555"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(lastPosition() - 55.5) < 0.01, 5000);

        // The demonstration opens, then closes after its first dwell; the curve follows.
        ui->rB_Demo->click();
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0202), QString("1000"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0103), QString("0"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(lastPosition() < 1.0, 10000);

        // The operator's click stops it: nothing more is sent, the device stays where it is.
        ui->rB_Demo->click();
        QVERIFY(!window->demoIsRunning());
        QVERIFY(!window->demoTimer()->isActive());
        QCOMPARE(cell(0x0103), QString("0"));
    }

    void rotaryAxisTakesANegativeAngle()
    {
        QVERIFY(connectTo({"--model", "5201", "--initialised"}, "KX26-R"));
        QTRY_VERIFY_WITH_TIMEOUT(ui->stackedWidget_control->isEnabled(), 10000);
        ui->pB_pagechange_Rotating->click();
        typeInto(ui->lE_Rotation_Rotating, "-20");
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0105), QString("-20"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0208), QString("-20"), 10000); // angle, low word
    }

    void moduleJogsPushesAndSavesItsIoGroups()
    {
        QVERIFY(connectTo({"--model", "4001", "--initialised"}, "TQP2-51500"));
        QTRY_VERIFY_WITH_TIMEOUT(ui->stackedWidget_control->isEnabled(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(window->parametersLoaded(), 10000);

        mouse(ui->pB_Position_Forward, QEvent::MouseButtonPress);
        QTRY_VERIFY_WITH_TIMEOUT(cell(0x0202).toInt() > 500, 10000);
        mouse(ui->pB_Position_Forward, QEvent::MouseButtonRelease);
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0107), QString("0"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0201), QString("1"), 10000); // stopped

        typeInto(ui->lE_PushBand_module, "0.5");
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x0102), QString("50"), 10000);

        ui->spB_IO_P_6->setValue(12345);
        ui->spB_IO_PS_4->setValue(7);
        ui->pb_IO_Apply->click();
        QCOMPARE(ui->lb_IO_notice->text(), QString("Notice: Saving"));
        QTRY_COMPARE_WITH_TIMEOUT(cell(0x040E), QString("12345"), 10000);
        QCOMPARE(cell(0x0421), QString("7")); // group 4 push speed
        QCOMPARE(cell(0x040D), QString("0"));
        QTRY_VERIFY_WITH_TIMEOUT(ui->lb_IO_notice->text().isEmpty(), 10000); // reloaded
    }

    // Pictures of the control page of each family while it moves and of the parameter tabs
    // after a save, for a person to look at; runs only when GRIVANT_SCREENSHOTS names a folder.
    void screenshots()
    {
        const QString folder = prepareScreenshots();
        if (folder.isEmpty())
            QSKIP("set GRIVANT_SCREENSHOTS to a folder to take pictures");
        const auto shoot = [&](const QString &name) {
            showWhole(window.get());
            QTest::qWait(400); // let queued replots and repaints land in the picture
            window->grab().save(folder + "/" + name + ".png");
        };
        for (const QString language : {"en_US", "zh_CN"}) {
            QSettings("./ZODidovava.ini", QSettings::IniFormat).setValue("/language", language);

            QVERIFY(connectTo({"--initialised"}, "GZB-50W"));
            QTRY_VERIFY_WITH_TIMEOUT(ui->stackedWidget_control->isEnabled(), 10000);
            ui->rB_Demo->click();
            QTRY_VERIFY_WITH_TIMEOUT(ui->PositionPlot->graph(0)->dataCount() > 40, 10000);
            shoot("control-gripper-" + language);
            ui->rB_Demo->click();
            for (auto [tab, save] : {std::pair{ui->tab_Commu, ui->pB_Commu_Apply},
                                     {ui->tab_IO, ui->pb_IO_Apply}, {ui->tab_Other, ui->pB_Other_Apply}}) {
                ui->tab_User->setCurrentWidget(tab);
                save->click();
                shoot("saved-" + tab->objectName() + "-" + language);
            }

            QVERIFY(connectTo({"--model", "5201", "--initialised"}, "KX26-R"));
            QTRY_VERIFY_WITH_TIMEOUT(ui->stackedWidget_control->isEnabled(), 10000);
            ui->pB_pagechange_Rotating->click();
            typeInto(ui->lE_Rotation_Rotating, "900");
            QTRY_VERIFY_WITH_TIMEOUT(cell(0x0208).toInt() > 100, 10000);
            shoot("control-rotary-" + language);

            QVERIFY(connectTo({"--model", "4001", "--initialised"}, "TQP2-51500"));
            QTRY_VERIFY_WITH_TIMEOUT(ui->stackedWidget_control->isEnabled(), 10000);
            QTRY_COMPARE_WITH_TIMEOUT(ui->hS_Position_module->maximum(), 30000, 10000); // the stroke
            typeInto(ui->lE_Position_module, "150");
            QTRY_VERIFY_WITH_TIMEOUT(cell(0x0202).toInt() > 3000, 10000);
            shoot("control-module-" + language);
            ui->tab_User->setCurrentWidget(ui->tab_IO);
            ui->pb_IO_Apply->click();
            shoot("saved-module-io-" + language);
        }
        QFile::remove("./ZODidovava.ini");
    }
};

QTEST_MAIN(TestPanelsWire)
#include "tst_panels_wire.moc"
