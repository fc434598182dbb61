// The control pages and parameter tabs against the device simulator, one device of each
// family through the real connection window: what the operator does reaches the device's
// registers, and the device's motion comes back to the tables and the position curve.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"
#include "ui_connectionform.h"

#include "link/connectionform.h"
#include "link/portlist.h"
#include "support/screenshots.h"
#include "support/simulator.h"

#include <QSettings>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

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

} // namespace

class TestPanelsWire : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Simulator> sim;
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow *ui = nullptr;

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
