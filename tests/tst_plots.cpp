#include "app/mainwindow.h"
#include "panels/plots.h"
#include "ui_mainwindow.h"

#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <memory>
#include <qcustomplot.h>

namespace {

QByteArray feedbackReply(const QVector<quint16> &values)
{
    QByteArray data;
    data.append(char(0x02)).append(char(0x00)).append(char(values.size()));
    for (quint16 v : values)
        data.append(char(v >> 8)).append(char(v & 0xFF));
    return data;
}

QVector<quint16> feedback(quint16 gripState, quint16 position, quint16 current)
{
    QVector<quint16> values(14, 0);
    values[0] = 1;
    values[1] = gripState;
    values[2] = position;
    values[4] = current;
    return values;
}

} // namespace

class TestPlots : public QObject
{
    Q_OBJECT

private slots:
    void sampleClockFollowsTheTimer();
    void windowOfThirtySecondsThroughTheWindow();
    void gripStateKeepsTheLastKnownState();
    void positionUnits_data();
    void positionUnits();
    void moduleCurveInMillimetresOverItsStroke();
};

void TestPlots::positionUnits_data()
{
    QTest::addColumn<bool>("module");
    QTest::addColumn<int>("raw");
    QTest::addColumn<double>("sample");
    QTest::newRow("gripper 100 %") << false << 1000 << 100.0;
    QTest::newRow("gripper signed") << false << 0xFF33 << -20.5;
    QTest::newRow("module 50 mm") << true << 5000 << 50.0;
    QTest::newRow("module beyond 327.67 mm") << true << 40000 << 400.0;
}

void TestPlots::positionUnits()
{
    QFETCH(bool, module);
    QFETCH(int, raw);
    QFETCH(double, sample);
    QCOMPARE(positionSample(module, quint16(raw)), sample);
    const PositionAxis gripper = positionAxis(false, 30000);
    QCOMPARE(gripper.lower, -5.0);
    QCOMPARE(gripper.upper, 105.0);
    const PositionAxis stroke = positionAxis(true, 30000);
    QCOMPARE(stroke.lower, -15.0);
    QCOMPARE(stroke.upper, 315.0);
    QCOMPARE(positionAxis(true, 0).upper, 105.0); // no stroke known: the gripper's axis
}

// A linear module's curve shows millimetres under a label in millimetres, over the stroke
// the device reports; the next gripper has its percent back.
void TestPlots::moduleCurveInMillimetresOverItsStroke()
{
    auto window = std::make_unique<MainWindow>();
    qint64 now = 0;
    window->setPlotClockForTest([&now] { return now += 50; });
    Ui::MainWindow *ui = window->form();
    QCustomPlot *position = ui->PositionPlot;
    window->getGripperInfo(QByteArray::fromHex("400101020218000000000003"));
    QCOMPARE(window->currentModelName(), QStringLiteral("TQP2-51500"));
    QCOMPARE(position->yAxis->label(), QStringLiteral("Position(mm)"));

    QTableWidget *user = nullptr;
    for (int i = 0; i < ui->tabW_register->count(); ++i)
        if (ui->tabW_register->tabText(i).contains("0x0300"))
            user = qobject_cast<QTableWidget *>(ui->tabW_register->widget(i));
    QVERIFY(user && user->rowCount() > 6);
    QVector<quint16> parameters(user->rowCount(), 0);
    parameters[6] = 30000; // stroke 300 mm
    QByteArray reply = feedbackReply(parameters);
    reply[0] = char(0x03);
    window->RefreshRegisterValue(reply);
    QCOMPARE(position->yAxis->range().lower, -15.0);
    QCOMPARE(position->yAxis->range().upper, 315.0);

    QTableWidget *feedbackTable = nullptr;
    for (int i = 0; i < ui->tabW_register->count(); ++i)
        if (ui->tabW_register->tabText(i).contains("0x0200"))
            feedbackTable = qobject_cast<QTableWidget *>(ui->tabW_register->widget(i));
    QVERIFY(feedbackTable);
    QVector<quint16> moving(feedbackTable->rowCount(), 0);
    moving[2] = 5000;
    window->RefreshRegisterValue(feedbackReply(moving));
    QCOMPARE((position->graph(0)->data()->constEnd() - 1)->value, 50.0);
    QCOMPARE(position->yAxis->range().upper, 315.0);

    window->getGripperInfo(QByteArray::fromHex("270101020218000000000003"));
    QCOMPARE(position->yAxis->label(), QStringLiteral("Position(%)"));
    QCOMPARE(position->yAxis->range().upper, 105.0);
}

void TestPlots::sampleClockFollowsTheTimer()
{
    qint64 last = -1;
    float clock = advanceSampleClock(0.0f, last, 12345);
    QCOMPARE(clock, 0.0f); // the first sample starts the clock where it is
    QCOMPARE(last, qint64(12345));
    clock = advanceSampleClock(clock, last, 12395);
    QVERIFY(qAbs(clock - 0.05f) < 1e-4f);

    // A connection restarts the timer: the clock moves back by the last reading.
    clock = advanceSampleClock(clock, last, 20);
    QVERIFY(qAbs(clock - (0.05f + 0.02f - 12.395f)) < 1e-3f);
    QCOMPARE(last, qint64(20));
}

// Feedback replies through the window, 50 ms apart on a driven clock: the position plot
// keeps the last ten seconds of points at 100.0 and the current plot widens for -400 mA.
void TestPlots::windowOfThirtySecondsThroughTheWindow()
{
    auto window = std::make_unique<MainWindow>();
    qint64 now = 5000;
    window->setPlotClockForTest([&now] { return now; });
    window->rebuildRegisterTablesForTest(QStringLiteral("PG-Test"), QStringLiteral("en_US"));
    QVERIFY(window->form()->tabW_register->count() > 0);

    QCustomPlot *position = window->form()->PositionPlot;
    QCustomPlot *current = window->form()->CurrentPlot;
    for (int i = 0; i < 600; ++i) {
        now += 50;
        window->RefreshRegisterValue(feedbackReply(feedback(1, 1000, i == 10 ? quint16(-400) : 0)));
    }
    QCOMPARE(position->graphCount(), 4);
    QCOMPARE(current->graphCount(), 2);
    QCOMPARE(position->graph(0)->pen().color(), QColor(Qt::red));
    QCOMPARE(position->graph(3)->pen().color(), QColor(Qt::green));
    QCOMPARE(current->graph(1)->pen().color(), QColor(Qt::blue));
    QVERIFY(position->xAxis2->visible() && !position->xAxis2->tickLabels());
    QVERIFY(current->yAxis2->visible() && !current->yAxis2->tickLabels());
    QVERIFY(position->interactions().testFlag(QCP::iRangeDrag));
    QCOMPARE(current->interactions(), QCP::Interactions());
    QCOMPARE(position->yAxis->range().lower, -5.0); // 100 lies inside: nothing to widen
    QCOMPARE(position->yAxis->range().upper, 105.0);
    QCOMPARE(position->yAxis->label(), QStringLiteral("Position(%)"));
    QCOMPARE(current->yAxis->label(), QStringLiteral("Motor Current(mA)"));
    QVERIFY(!current->xAxis->tickLabels());
    QVERIFY(position->xAxis->tickLabels());

    const auto data = position->graph(0)->data();
    QVERIFY2(data->size() >= 200 && data->size() <= 202, qPrintable(QString::number(data->size())));
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        QCOMPARE(it->value, 100.0);
    const double newest = (data->constEnd() - 1)->key;
    QVERIFY(qAbs(newest - 29.95) < 0.01);
    QCOMPARE(position->xAxis->range().upper, newest);
    QCOMPARE(position->xAxis->range().lower, newest - 10.0);
    QVERIFY(current->yAxis->range().lower <= -400); // widened, and kept after it left
    QCOMPARE(current->yAxis->range().upper, 150.0);
    QCOMPARE(current->graph(1)->data()->size(), 0);
}

void TestPlots::gripStateKeepsTheLastKnownState()
{
    auto window = std::make_unique<MainWindow>();
    window->setPlotClockForTest([] { return qint64(0); });
    window->rebuildRegisterTablesForTest(QStringLiteral("PG-Test"), QStringLiteral("en_US"));
    Ui::MainWindow *ui = window->form();

    const QList<QRadioButton *> buttons = { ui->rB_S_Moving, ui->rB_S_Arrived, ui->rB_S_Caught,
                                            ui->rB_S_Dropped };
    for (int state = 0; state < 4; ++state) {
        window->RefreshRegisterValue(feedbackReply(feedback(quint16(state), 0, 0)));
        for (int b = 0; b < 4; ++b)
            QCOMPARE(buttons[b]->isChecked(), b == state);
    }
    window->RefreshRegisterValue(feedbackReply(feedback(2, 0, 0)));
    window->RefreshRegisterValue(feedbackReply(feedback(5, 0, 0)));
    QVERIFY(ui->rB_S_Caught->isChecked());
    window->RefreshRegisterValue(feedbackReply(feedback(quint16(-1), 0, 0)));
    QVERIFY(ui->rB_S_Caught->isChecked());

    // The operator cannot pick a state.
    QVERIFY(!ui->wg_state->isEnabled());
    QTest::mouseClick(ui->rB_S_Moving, Qt::LeftButton);
    QVERIFY(ui->rB_S_Caught->isChecked());
}

QTEST_MAIN(TestPlots)
#include "tst_plots.moc"
