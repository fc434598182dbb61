// Control pages and parameter tabs without a device: the conversions, what each control
// queues for the device and in which order, the event filter's write-on-release, wheel and
// jog rules, the demonstration cycle's stop and restart, and the saves.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "link/connectionform.h"
#include "panels/controlvalues.h"
#include "ui_connectionform.h"

#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

#include "support/operator.h"
#include <memory>

using namespace ControlValues;

namespace {

struct Write
{
    int address;
    QVector<quint16> values;
    bool operator==(const Write &o) const { return address == o.address && values == o.values; }
};

char *toString(const Write &w)
{
    QStringList parts;
    for (quint16 v : w.values)
        parts << QString::number(v);
    return qstrdup(qPrintable(QString("0x%1=[%2]").arg(w.address, 4, 16, QChar('0')).arg(parts.join(','))));
}

void mouse(QWidget *widget, QEvent::Type type, Qt::MouseButton button)
{
    const QPoint at(widget->width() / 2, widget->height() / 2);
    // A move reaches a widget without mouse tracking only while a button is held.
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                  : type == QEvent::MouseMove       ? Qt::LeftButton
                                                                    : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void wheel(QWidget *widget)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(at, widget->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestControlPages : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow *ui = nullptr;
    QList<Write> writes;

    void build(const QString &model = QStringLiteral("GZB-50W"))
    {
        window = std::make_unique<MainWindow>();
        ui = window->form();
        window->setRegisterWriteObserverForTest([this](int a, quint16 v) { writes.append({a, {v}}); });
        window->setMultipleWriteObserverForTest(
            [this](int a, const QVector<quint16> &v) { writes.append({a, v}); });
        window->rebuildRegisterTablesForTest(model, QStringLiteral("en_US"));
        writes.clear();
    }
    QList<Write> take()
    {
        QList<Write> taken = writes;
        writes.clear();
        return taken;
    }

private slots:
    void cleanup() { window.reset(); writes.clear(); }

    void textToRegister_data();
    void textToRegister();
    void pureTables();
    void setPointSlotsWrite();
    void sliderWritesOnLeftReleaseOnlyAndIgnoresTheWheel();
    void jogWritesOnPressAndRelease();
    void editsWriteWhatTheOperatorTyped();
    void demoCycleStopsAndResumes();
    void pushBandReadBackUsesTheSameConversion();
    void communicationSaveAndDefault();
    void ioParameters();
    void unknownCodesAreShownAndNeverWritten();
    void numbersBeyondTheirBoxAreShownAndNeverWritten_data();
    void numbersBeyondTheirBoxAreShownAndNeverWritten();
};

void TestControlPages::textToRegister_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("value");
    QTest::newRow("position 55.5") << "55.5" << 10 << 555;
    QTest::newRow("position 100") << "100" << 10 << 1000;
    QTest::newRow("push band 0.5") << "0.5" << 100 << 50;
    QTest::newRow("binary product just below") << "10.53" << 100 << 1053;
    QTest::newRow("0.29 mm") << "0.29" << 100 << 29;
    QTest::newRow("more decimals truncate") << "1.239" << 100 << 123;
    QTest::newRow("negative truncates toward zero") << "-20.5" << 1 << -20;
    QTest::newRow("rotation") << "-20" << 1 << -20;
    QTest::newRow("not a number") << "abc" << 10 << 0;
    QTest::newRow("empty") << "" << 100 << 0;
    QTest::newRow("huge") << "1e300" << 100 << 2147483647;
}

void TestControlPages::textToRegister()
{
    QFETCH(QString, text);
    QFETCH(int, scale);
    QFETCH(int, value);
    QCOMPARE(registerFromText(text, scale), value);
}

void TestControlPages::pureTables()
{
    QCOMPARE(textFromRegister(1000, 10), QString("100"));
    QCOMPARE(textFromRegister(105, 10), QString("10.5"));
    QCOMPARE(textFromRegister(30000, 100), QString("300"));
    QCOMPARE(textFromRegister(-900, 1), QString("-900"));

    int cycle = 0;
    for (const DemoRow &row : kDemoRows)
        cycle += row.delayMs;
    QCOMPARE(cycle, 21000);
    QCOMPARE(demoWrite(kDemoRows[10]), (QVector<quint16>{20, 100, 1000, 10}));

    std::array<ModuleIoGroup, 4> groups;
    for (int g = 0; g < 4; ++g)
        groups[size_t(g)] = {g * 10000 + 1, 2, 3, 4, 5, 65535};
    const QVector<quint16> module = moduleIoWrite(groups);
    QCOMPARE(module.size(), 28);
    for (int reserved : {0x040D, 0x0414, 0x041B, 0x0422})
        QCOMPARE(module[reserved - ModuleIoStart], quint16(0));
    QCOMPARE(module[0x0415 - ModuleIoStart], quint16(20001)); // group 3 position
    QCOMPARE(module[0x0413 - ModuleIoStart], quint16(65535)); // group 2 push speed

    QCOMPARE(baudRateOfCode(6), 230400);
    QCOMPARE(baudRateOfCode(7), 0);
}

void TestControlPages::setPointSlotsWrite()
{
    build();
    ui->pB_Activate->click();
    QCOMPARE(take(), (QList<Write>{{0x0100, {165}}}));
    QCOMPARE(ui->lE_Position->text(), QString("0"));
    QCOMPARE(ui->hS_Force->value(), 100);

    ui->pB_Position_Open->click();
    QCOMPARE(ui->lE_Position->text(), QString("100"));
    ui->pB_Force_Min->click();
    QCOMPARE(ui->lE_Force->text(), QString("20"));
    ui->pB_Speed_Min_Rotating->click();
    ui->pB_Force_Max_Rotating->click();
    QCOMPARE(take(), (QList<Write>{{0x0103, {1000}}, {0x0101, {20}}, {0x0107, {1}}, {0x0108, {100}}}));

    typeInto(ui->lE_Position, "55.5");
    typeInto(ui->lE_Rotation_Rotating, "-20");
    typeInto(ui->lE_AccDec_module, "30");
    typeInto(ui->lE_PushForce_module, "55");
    typeInto(ui->lE_PushBand_module, "0.5");
    typeInto(ui->lE_Position_module, "2.25");
    QCOMPARE(take(), (QList<Write>{{0x0103, {555}}, {0x0105, {65516}}, {0x0105, {30}},
                                   {0x0101, {55}}, {0x0102, {50}}, {0x0103, {225}}}));
    QCOMPARE(ui->hS_Position->value(), 555);
    QCOMPARE(ui->hS_AccDec_module->value(), 30);
    QCOMPARE(ui->hS_Speed_module->value(), 100); // the speed pair is untouched

    // Text the validator refuses ends no edit; a group separator is no number here.
    typeInto(ui->lE_Force, "150");
    QVERIFY(take().isEmpty());
    for (QLineEdit *edit : {ui->lE_Rotation_Rotating, ui->lE_Position_module}) {
        QString text = "1,000";
        int position = 0;
        QVERIFY(edit->validator()->validate(text, position) != QValidator::Acceptable);
    }

    ui->pB_pagechange_Rotating->click();
    QCOMPARE(ui->stackedWidget_control->currentIndex(), 1);
    ui->pB_pagechange_Gripper->click();
    QCOMPARE(ui->stackedWidget_control->currentIndex(), 0);
}

void TestControlPages::sliderWritesOnLeftReleaseOnlyAndIgnoresTheWheel()
{
    build();
    QSlider *slider = ui->hS_Position;
    slider->setValue(420);
    mouse(slider, QEvent::MouseMove, Qt::NoButton);
    QCOMPARE(ui->lE_Position->text(), QString("42")); // the edit follows a drag...
    QVERIFY(take().isEmpty());                        // ...without writing
    mouse(slider, QEvent::MouseButtonRelease, Qt::RightButton);
    QVERIFY(take().isEmpty());
    slider->setValue(425);
    mouse(slider, QEvent::MouseButtonRelease, Qt::LeftButton);
    QCOMPARE(ui->lE_Position->text(), QString("42.5"));
    QCOMPARE(take(), (QList<Write>{{0x0103, {425}}}));

    QTest::keyClick(ui->hS_Speed, Qt::Key_Left);
    QCOMPARE(take(), (QList<Write>{{0x0104, {99}}}));

    for (QWidget *target : {static_cast<QWidget *>(ui->hS_Force), static_cast<QWidget *>(ui->spB_IO_P_2)}) {
        const int before = target == ui->hS_Force ? ui->hS_Force->value() : ui->spB_IO_P_2->value();
        wheel(target);
        QCOMPARE(target == ui->hS_Force ? ui->hS_Force->value() : ui->spB_IO_P_2->value(), before);
    }
    QVERIFY(take().isEmpty());
}

void TestControlPages::jogWritesOnPressAndRelease()
{
    build(QStringLiteral("TQP2-51500"));
    mouse(ui->pB_Position_Forward, QEvent::MouseButtonPress, Qt::LeftButton);
    mouse(ui->pB_Position_Forward, QEvent::MouseButtonRelease, Qt::LeftButton);
    mouse(ui->pB_Position_Backward, QEvent::MouseButtonPress, Qt::RightButton);
    mouse(ui->pB_Position_Backward, QEvent::MouseButtonRelease, Qt::RightButton);
    mouse(ui->pB_Position_Backward, QEvent::MouseButtonPress, Qt::LeftButton);
    mouse(ui->pB_Position_Backward, QEvent::MouseButtonRelease, Qt::LeftButton);
    QCOMPARE(take(), (QList<Write>{{0x0107, {1}}, {0x0107, {0}}, {0x0107, {65535}}, {0x0107, {0}}}));

    // A jog button disabled while it is held (the page goes off when the device leaves its
    // initialised state) still stops the jog, once.
    mouse(ui->pB_Position_Forward, QEvent::MouseButtonPress, Qt::LeftButton);
    ui->stackedWidget_control->setEnabled(false);
    mouse(ui->pB_Position_Forward, QEvent::MouseButtonRelease, Qt::LeftButton);
    QCOMPARE(take(), (QList<Write>{{0x0107, {1}}, {0x0107, {0}}}));

    // The toolkit shows a greyed widget's mouse events to its filters: they write nothing.
    for (QWidget *target : std::initializer_list<QWidget *>{ui->pB_Position_Backward, ui->hS_Position_module}) {
        mouse(target, QEvent::MouseButtonPress, Qt::LeftButton);
        mouse(target, QEvent::MouseMove, Qt::LeftButton);
        mouse(target, QEvent::MouseButtonRelease, Qt::LeftButton);
    }
    QTest::keyClick(ui->hS_Position_module, Qt::Key_Right);
    QVERIFY(take().isEmpty());
}

// Leaving an edit writes only what the operator typed; Return sends the shown value again; an
// edit greyed under the operator's typing writes nothing.
void TestControlPages::editsWriteWhatTheOperatorTyped()
{
    build();
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QVector<quint16> feedback(14, 0);
    feedback[0] = 1; // initialised: the page is enabled
    window->RefreshRegisterValue(reply(0x0200, feedback));
    window->RefreshRegisterValue(reply(0x0100, {0, 60, 0, 420, 70, 0, 0, 0, 0, 0}));
    QVERIFY(ui->stackedWidget_control->isEnabled());
    QCOMPARE(ui->lE_Position->text(), QString("42"));
    ui->lE_Position->setFocus();
    ui->lE_Speed->setFocus(); // the operator only passed through
    ui->lE_Force->setFocus();
    QVERIFY(take().isEmpty());

    QTest::keyClick(ui->lE_Force, Qt::Key_Return);
    QCOMPARE(take(), (QList<Write>{{0x0101, {60}}}));
    ui->lE_Speed->setFocus();
    ui->lE_Speed->selectAll();
    QTest::keyClicks(ui->lE_Speed, "55");
    ui->lE_Position->setFocus();
    QCOMPARE(take(), (QList<Write>{{0x0104, {55}}}));

    ui->lE_Position->selectAll();
    QTest::keyClicks(ui->lE_Position, "5");
    ui->stackedWidget_control->setEnabled(false); // the focus leaves the greyed edit
    QVERIFY(!ui->lE_Position->hasFocus());
    QVERIFY(take().isEmpty());
}

void TestControlPages::demoCycleStopsAndResumes()
{
    build();
    ui->rB_Demo->click();
    QVERIFY(window->demoIsRunning());
    QCOMPARE(take(), (QList<Write>{{0x0101, {100, 100, 1000, 100}}}));
    QCOMPARE(window->demoTimer()->interval(), 1000);
    QCOMPARE(ui->lE_Position->text(), QString("100"));

    window->looptest(); // the dwell has run out
    QCOMPARE(take(), (QList<Write>{{0x0101, {100, 100, 0, 100}}}));
    QCOMPARE(window->demoTimer()->interval(), 2000);

    // A click on the checked button stops the cycle; the pending step is gone with it.
    ui->rB_Demo->click();
    QVERIFY(!ui->rB_Demo->isChecked());
    QVERIFY(!window->demoTimer()->isActive());
    window->looptest();
    QVERIFY(take().isEmpty());

    // A restart resumes at the next row and carries a single chain.
    ui->rB_Demo->click();
    ui->rB_Demo->click();
    ui->rB_Demo->click();
    QCOMPARE(take(), (QList<Write>{{0x0101, {100, 100, 1000, 100}}, {0x0101, {100, 100, 800, 100}}}));
    QVERIFY(window->demoTimer()->isActive());
    QCOMPARE(window->demoStepIndex(), 4);

    // Losing the device stops the demonstration.
    window->GripperConnectstate(3);
    QVERIFY(!window->demoIsRunning());
    QVERIFY(!window->demoTimer()->isActive());
}

void TestControlPages::pushBandReadBackUsesTheSameConversion()
{
    build(QStringLiteral("TQP2-51500"));
    QVector<quint16> control(8, 0);
    control[2] = 50;
    window->RefreshRegisterValue(reply(0x0100, control));
    QCOMPARE(ui->lE_PushBand_module->text(), QString("0.5"));
    ui->lE_PushBand_module->setText("0.50"); // the operator's own form of the same value stays
    window->RefreshRegisterValue(reply(0x0100, control));
    QCOMPARE(ui->lE_PushBand_module->text(), QString("0.50"));
}

void TestControlPages::communicationSaveAndDefault()
{
    build();
    ui->cB_Baudrate->setCurrentIndex(6);
    ui->cB_Parity->setCurrentIndex(2);
    ui->spB_gid->setValue(7);
    ui->pB_Commu_Default->click();
    QCOMPARE(take(), (QList<Write>{{0x0302, {1, 0, 0, 0}}, {0x0300, {1}}}));
    QCOMPARE(ui->cB_Baudrate->currentIndex(), 0);
    QCOMPARE(ui->lb_Commu_notice->text(), QString("Notice: Saving"));
    QVERIFY(window->parameterReloadTimer()->isActive());
    QVERIFY(ui->statusBar->currentMessage().isEmpty()); // the link's own settings: no advice

    // New line settings: the values, then the save, and the operator learns how to reach the
    // device from now on.
    ui->cB_Baudrate->setCurrentIndex(6);
    ui->cB_StopBits->setCurrentIndex(1);
    ui->spB_gid->setValue(9);
    ui->pB_Commu_Apply->click();
    QCOMPARE(take(), (QList<Write>{{0x0302, {9, 6, 1, 0}}, {0x0300, {1}}}));
    const QString advice = ui->statusBar->currentMessage();
    QVERIFY2(advice.contains("ID 9, 230400 baud, no parity, 2 stop bit(s)"), qPrintable(advice));
    QVERIFY(window->connectionWindow()->form()->pTE_process->toPlainText().contains(advice));
    window->GripperConnectstate(2); // the operator has reconnected
    QVERIFY(ui->statusBar->currentMessage().isEmpty());

    ui->cB_Init_Direction->setCurrentIndex(1);
    ui->pB_Other_Apply->click();
    QCOMPARE(take(), (QList<Write>{{0x0301, {1}}, {0x0300, {1}}}));
    QCOMPARE(ui->lb_other_notice->text(), QString("Notice: Saving"));
}

void TestControlPages::ioParameters()
{
    build();
    // A complete I/O reply fills the tab and freezes it; the save's timer lets the next one in.
    QVector<quint16> io(17, 30);
    io[2] = 1;
    window->RefreshRegisterValue(reply(0x0400, io));
    QVERIFY(window->parametersLoaded());
    QCOMPARE(ui->cB_IOMode->currentIndex(), 1);
    QVERIFY(take().isEmpty()); // what the device reports is never written back
    ui->cB_IOMode->setCurrentIndex(0);
    take();
    io[2] = 0;

    ui->spB_IO_S_3->setValue(50);
    QCOMPARE(take(), (QList<Write>{{0x040D, {50}}}));

    ui->pb_IO_Apply->click();
    const QList<Write> saved = take();
    QCOMPARE(saved.size(), 2);
    QCOMPARE(saved[0].address, 0x0405);
    QCOMPARE(saved[0].values.size(), 12);
    QCOMPARE(saved[0].values[8], quint16(50));
    QCOMPARE(saved[1], (Write{0x0300, {1}}));
    QCOMPARE(ui->lb_IO_notice->text(), QString("Notice: Saving"));
    QTRY_VERIFY(!window->parametersLoaded());
    window->RefreshRegisterValue(reply(0x0400, io));
    QVERIFY(ui->lb_IO_notice->text().isEmpty());

    take();
    ui->pB_IO_Test3->click();
    QCOMPARE(take(), (QList<Write>{{0x0400, {3}}}));

    ui->cB_IOMode->setCurrentIndex(1);
    QVERIFY(ui->wg_IO_Test->isHidden());
    QCOMPARE(ui->lb_Control_notice->text(), QString("IO Mode is enabled!!"));
    QCOMPARE(take(), (QList<Write>{{0x0402, {1}}}));
    QVERIFY(!window->parametersLoaded());
    ui->cB_IOMode->setCurrentIndex(0);
    QVERIFY(!ui->wg_IO_Test->isHidden());
    QVERIFY(ui->lb_Control_notice->text().isEmpty());
}

// Codes outside a combo's list show as what they are; a save or mode change never writes
// them (nor the 65535 of an empty selection). A known code removes the entry again.
void TestControlPages::unknownCodesAreShownAndNeverWritten()
{
    build();
    window->RefreshRegisterValue(reply(0x0300, {0, 3, 1, 7, 0, 9, 0}));
    QCOMPARE(ui->cB_Baudrate->currentText(), QString("7 (unknown)"));
    QCOMPARE(ui->cB_Parity->currentText(), QString("9 (unknown)"));
    QCOMPARE(ui->cB_Init_Direction->currentText(), QString("3 (unknown)"));
    QCOMPARE(ui->cB_StopBits->currentIndex(), 0);
    QVector<quint16> io(17, 50);
    io[2] = 2;
    window->RefreshRegisterValue(reply(0x0400, io));
    QCOMPARE(ui->cB_IOMode->currentText(), QString("2 (unknown)"));
    QVERIFY(!ui->stackedWidget_control->isEnabled());

    ui->pB_Commu_Apply->click();
    QCOMPARE(ui->lb_Commu_notice->text(), QString("Not saved: unknown value"));
    QVERIFY2(ui->statusBar->currentMessage().contains("value of baud rate, parity that this program does not know"),
             qPrintable(ui->statusBar->currentMessage()));
    ui->pB_Other_Apply->click();
    QVERIFY(ui->lb_other_notice->toolTip().contains("initialization direction"));
    ui->cB_IOMode->setCurrentIndex(0);
    ui->cB_IOMode->setCurrentIndex(2); // the operator picks the unknown entry: the device keeps its mode
    QCOMPARE(take(), (QList<Write>{{0x0402, {0}}}));

    // The operator's own choice is saved; the device's next report of a known code removes
    // the entry.
    ui->cB_Baudrate->setCurrentIndex(6);
    ui->cB_Parity->setCurrentIndex(2);
    ui->pB_Commu_Apply->click();
    QCOMPARE(take(), (QList<Write>{{0x0302, {1, 6, 0, 2}}, {0x0300, {1}}}));
    QTRY_VERIFY(!window->parametersLoaded());
    window->RefreshRegisterValue(reply(0x0300, {0, 1, 1, 6, 0, 2, 0}));
    QCOMPARE(ui->cB_Baudrate->count(), 7);
    QCOMPARE(ui->cB_Parity->count(), 3);
    QCOMPARE(ui->cB_Init_Direction->count(), 2);
    QCOMPARE(ui->cB_Baudrate->currentIndex(), 6);
}

// A device number beyond its spin box (slave ID 0 or 300, an I/O force of 5) shows as it
// is, marked; a save refuses it until the operator changes the box, which then holds a
// number of its own range.
void TestControlPages::numbersBeyondTheirBoxAreShownAndNeverWritten_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("range");
    QTest::addColumn<int>("settled");

    QTest::newRow("slave ID 0") << "GZB-50W" << 0x0300 << 7 << 2 << 0 << "spB_gid" << "1~247" << 1;
    QTest::newRow("slave ID 300") << "GZB-50W" << 0x0300 << 7 << 2 << 300 << "spB_gid" << "1~247" << 247;
    QTest::newRow("gripper I/O force 5") << "GZB-50W" << 0x0400 << 17 << 6 << 5 << "spB_IO_F_1" << "20~100" << 20;
    QTest::newRow("module push force 0") << "TQP2-51500" << 0x0400 << 35 << 11 << 0 << "spB_IO_PF_1" << "1~100" << 1;
    QTest::newRow("module speed 65535") << "TQP2-51500" << 0x0400 << 35 << 16 << 65535 << "spB_IO_S_6" << "1~100" << 100;
}

void TestControlPages::numbersBeyondTheirBoxAreShownAndNeverWritten()
{
    QFETCH(QString, model);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(int, row);
    QFETCH(int, value);
    QFETCH(QString, box);
    QFETCH(QString, range);
    QFETCH(int, settled);

    build(model);
    ui->stackedWidget_io->setCurrentIndex(model.startsWith("TQP2") ? 1 : 0); // as identification does
    const bool user = start == 0x0300;
    QSpinBox *spin = window->findChild<QSpinBox *>(box);
    QVERIFY(spin);
    QPushButton *save = user ? ui->pB_Commu_Apply : ui->pb_IO_Apply;
    QLabel *notice = user ? ui->lb_Commu_notice : ui->lb_IO_notice;
    QVector<quint16> values(count, user ? 0 : 50);
    values[2] = user ? 1 : 0; // slave ID 1; I/O mode off
    values[row] = quint16(value);
    window->RefreshRegisterValue(reply(quint16(start), values));
    QCOMPARE(spin->text(), QString("%1 (!)").arg(value));
    QVERIFY2(spin->toolTip().contains(QString("holds %1, outside %2").arg(value).arg(range)),
             qPrintable(spin->toolTip()));

    save->click();
    QCOMPARE(notice->text(), QString("Not saved: out of range"));
    QVERIFY2(ui->statusBar->currentMessage().contains(QString("(%1)").arg(value)),
             qPrintable(ui->statusBar->currentMessage()));
    QVERIFY(take().isEmpty());

    // The operator's step brings the box into its own range: that number is chosen.
    spin->stepBy(value < settled ? 1 : -1);
    QCOMPARE(spin->value(), settled);
    QCOMPARE(spin->text(), QString::number(settled));
    take(); // a gripper I/O box writes its change at once
    save->click();
    const QList<Write> written = take();
    QVERIFY2(!written.isEmpty() && written.last() == (Write{0x0300, {1}}), qPrintable(notice->text()));
    const Write &saved = written.first();
    const int offset = (start | row) - saved.address;
    QVERIFY(offset >= 0 && offset < saved.values.size());
    QCOMPARE(int(saved.values.at(offset)), settled);

    // The device's next number within the range takes the mark away.
    QTRY_VERIFY(!window->parametersLoaded());
    values[row] = quint16(settled);
    window->RefreshRegisterValue(reply(quint16(start), values));
    QCOMPARE(spin->text(), QString::number(settled));
    QVERIFY(spin->toolTip().isEmpty());
}

QTEST_MAIN(TestControlPages)
#include "tst_controlpages.moc"
