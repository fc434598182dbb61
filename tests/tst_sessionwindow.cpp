// A session recorded in the window from the simulator through moves and writes, then
// replayed in a window without a port: at chosen moments the tables, the curves and the
// identification show what the simulator had then, and nothing can be written.
#include "app/mainwindow.h"
#include "ui_connectionform.h"
#include "ui_mainwindow.h"

#include "engine/sessionindex.h"
#include "engine/sessionwriter.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/portlist.h"
#include "link/trafficmodel.h"
#include "link/trafficmonitor.h"
#include "panels/replaytimeline.h"
#include "support/screenshots.h"
#include "support/simulator.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "qcustomplot.h"

namespace {

// A recording's header for the device whose identification registers hold `identHex`.
SessionHeader headerOf(const char *identHex, const QString &model)
{
    SessionHeader h;
    h.program = "test";
    h.startEpochUs = 1700000000000000;
    h.ident = QByteArray::fromHex(identHex);
    h.modelName = model;
    return h;
}

// A session of `reads` reads of `count` registers at 0x0200 by ID 1, 10 ms apart, each
// answered 2 ms later with `answerHex` (byte count and data).
bool writeReadSession(const QString &file, const SessionHeader &h, const RegisterMap *map, int count,
                      const char *answerHex, int reads = 1)
{
    SessionWriter writer;
    if (!writer.start(file, h, map, nullptr))
        return false;
    TrafficFrame f;
    f.server = 1;
    f.function = 3;
    f.address = 0x0200;
    f.count = count;
    for (int i = 0; i < reads; ++i) {
        f.timeUs = h.startEpochUs + 1000 + i * 10000;
        f.direction = TrafficFrame::Sent;
        f.bytes = TrafficAdu::readRequest(1, 0x0200, count);
        writer.addFrame(f);
        f.timeUs += 2000;
        f.direction = TrafficFrame::Received;
        f.bytes = TrafficAdu::frame(1, 3, QByteArray::fromHex(answerHex));
        writer.addFrame(f);
    }
    return writer.finish();
}

QTableWidget *tableOf(Ui::MainWindow *ui, const QString &address)
{
    for (int i = 0; i < ui->tabW_register->count(); ++i)
        if (ui->tabW_register->tabText(i).contains(address))
            return qobject_cast<QTableWidget *>(ui->tabW_register->widget(i));
    return nullptr;
}

QString cell(Ui::MainWindow *ui, const QString &block, int row)
{
    QTableWidget *table = tableOf(ui, block);
    return table && table->item(row, 2) ? table->item(row, 2)->text() : QString();
}

double lastPosition(Ui::MainWindow *ui)
{
    const auto data = ui->PositionPlot->graph(0)->data();
    return data->isEmpty() ? -1.0 : (data->constEnd() - 1)->value;
}

struct Moment
{
    qint64 tUs;
    QString position;   // feedback row 2, 0.1 %
    QString target;     // control row 3
    QString gripState;  // feedback row 1
};

} // namespace

class TestSessionWindow : public QObject
{
    Q_OBJECT

private slots:
    void recordedMovesReplayAsTheyWere()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("moves.grivant-session");
        Simulator sim({"--speedup", "4", "--uid", "ABCD1234", "--link", dir.filePath("sim")});
        QVERIFY(sim.start());
        const QString port = sim.port();
        PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });

        QVector<Moment> moments;
        {
            MainWindow window;
            Ui::MainWindow *ui = window.form();
            QTRY_VERIFY(window.connectionWindow()->knownPorts().contains(port));
            window.connectionWindow()->form()->pB_Connect->click();
            QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 15000);
            QTRY_COMPARE(ui->lb_UID_I->text(), QString("ABCD1234"));

            QString error;
            QVERIFY2(window.startRecording(file, &error), qPrintable(error));
            auto *indicator = window.findChild<QLabel *>("lb_Recording");
            QVERIFY(indicator && indicator->isVisibleTo(&window));
            QVERIFY(indicator->text().contains("REC"));
            const qint64 start = window.sessionWriter()->startEpochUs();
            auto snapshot = [&] {
                moments << Moment{SessionWriter::nowEpochUs() - start, cell(ui, "0x0200", 2),
                                  cell(ui, "0x0100", 3), cell(ui, "0x0200", 1)};
            };

            window.pollingThread()->Add_writeregisterList(0x0100, 1);
            QTRY_VERIFY_WITH_TIMEOUT(window.initialised(), 10000);
            for (int target : {200, 800, 450}) {
                window.pollingThread()->Add_writeregisterList(0x0103, quint16(target));
                QTRY_COMPARE_WITH_TIMEOUT(cell(ui, "0x0200", 2), QString::number(target), 10000);
                QTRY_COMPARE_WITH_TIMEOUT(cell(ui, "0x0100", 3), QString::number(target), 5000);
                QTRY_COMPARE_WITH_TIMEOUT(cell(ui, "0x0200", 1), QString("1"), 5000);
                snapshot();
            }
            // A disconnection and a new connection go on in the same file; the connection
            // window, in sight meanwhile, shows that recording goes on.
            ui->actionDisconnect->trigger();
            QTRY_VERIFY(window.connectionWindow()->isVisible());
            auto *alsoThere = window.connectionWindow()->findChild<QLabel *>("lb_Recording");
            QVERIFY(alsoThere && alsoThere->isVisibleTo(window.connectionWindow()));
            QTRY_VERIFY(alsoThere->text().contains("REC"));
            QTRY_VERIFY(window.connectionWindow()->form()->pB_Connect->isEnabled());
            window.connectionWindow()->form()->pB_Connect->click();
            QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 15000);
            QTRY_COMPARE_WITH_TIMEOUT(cell(ui, "0x0200", 2), QString("450"), 10000);
            window.stopRecording();
            QVERIFY(!indicator->isVisibleTo(&window));
            QVERIFY(!alsoThere->isVisibleTo(window.connectionWindow()));
        }
        sim.stop();
        PortList::setProvider(nullptr);

        SessionData data;
        QString error;
        QVERIFY2(readSession(file, &data, &error), qPrintable(error));
        QStringList kinds;
        QStringList moves;
        for (const SessionEvent &e : data.events) {
            kinds << e.kind;
            if (e.address == 0x0100 || e.address == 0x0103)
                moves << QString("%1 %2 %3").arg(e.kind).arg(e.address).arg(e.data);
        }
        QCOMPARE(kinds.count(SessionFormat::Connected), 2);
        QCOMPARE(kinds.count(SessionFormat::Disconnected), 1);
        QCOMPARE(moves, (QStringList{"write-queued 256 1", "write-confirmed 256 1", "write-queued 259 200",
                                     "write-confirmed 259 200", "write-queued 259 800", "write-confirmed 259 800",
                                     "write-queued 259 450", "write-confirmed 259 450"}));

        MainWindow replay;
        Ui::MainWindow *ui = replay.form();
        QVERIFY2(replay.openSession(file, &error), qPrintable(error));
        QVERIFY(replay.isVisible());
        QVERIFY(!replay.connectionWindow()->isVisible());
        QVERIFY(replay.replayTimeline());
        QCOMPARE(ui->lb_UID_I->text(), QString("ABCD1234"));
        QCOMPARE(ui->lb_mode_I->text(), QString("GZB-50W"));

        // Forwards, then backwards: each moment shows what the device had then.
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < moments.size(); ++i) {
                const Moment &m = moments.at(pass == 0 ? i : moments.size() - 1 - i);
                replay.replaySeek(m.tUs);
                QCOMPARE(cell(ui, "0x0200", 2), m.position);
                QCOMPARE(cell(ui, "0x0100", 3), m.target);
                QCOMPARE(cell(ui, "0x0200", 1), m.gripState);
                QCOMPARE(lastPosition(ui), m.position.toInt() / 10.0);
                QCOMPARE(ui->rB_S_Arrived->isChecked(), true);
                QCOMPARE(ui->lE_Position->text(), QString::number(m.target.toInt() / 10));
            }
        }

        // Nothing can be written: the controls say why, and the engine refuses.
        QVERIFY(!ui->stackedWidget_control->isEnabled());
        QVERIFY(ui->stackedWidget_control->toolTip().contains("nothing is written"));
        QVERIFY(!ui->tab_Commu->isEnabled());
        QVERIFY(!ui->rB_Demo->isEnabled());
        QSignalSpy refused(replay.pollingThread(), &VX_Ctl::WriteBlocked);
        QSignalSpy queued(replay.pollingThread(), &VX_Ctl::WriteQueued);
        replay.pollingThread()->Add_writeregisterList(0x0103, 5);
        QCOMPARE(refused.count(), 1);
        QCOMPARE(queued.count(), 0);

        // Playing at 16x from the first moment runs to the end, where it stops with the
        // last state shown.
        replay.replaySeek(moments.at(0).tUs);
        QCOMPARE(cell(ui, "0x0200", 2), moments.at(0).position);
        replay.replayTimeline()->speedBox()->setCurrentIndex(4);
        emit replay.replayTimeline()->speedChosen(16);
        replay.replayTimeline()->playButton()->click();
        QCOMPARE(replay.replayTimeline()->playButton()->text(), QString("Pause"));
        QTRY_COMPARE_WITH_TIMEOUT(replay.replayTimeline()->playButton()->text(), QString("Play"), 20000);
        QCOMPARE(replay.replayTimeline()->slider()->value(), replay.replayTimeline()->slider()->maximum());
        QCOMPARE(cell(ui, "0x0200", 2), QString("450"));

        replay.closeSession();
        QVERIFY(!replay.isReplaying());
        QVERIFY(ui->tab_Commu->isEnabled());
        replay.pollingThread()->Add_writeregisterList(0x0103, 5);
        QCOMPARE(refused.count(), 1);
    }

    void sessionOfAnUnknownModelBringsItsTables()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("unknown.grivant-session");
        RegisterMap map;
        map.groupNames.insert(2, "Feedback");
        map.groupRegisterCounts.insert(2, 3);
        map.groupScanRates.insert(2, 50);
        for (int a = 0x0200; a < 0x0203; ++a) {
            map.registerDescriptions.insert(a, QString("R%1").arg(a));
            map.registerValueRanges.insert(a, "-");
            map.registerFormats.insert(a, "signed");
        }
        SessionHeader h = headerOf("7F7F01020217000100003412", "XQ-9");
        h.mapName = "gripper";
        QVERIFY(writeReadSession(file, h, &map, 3, "06000100020FFB"));

        MainWindow replay;
        Ui::MainWindow *ui = replay.form();
        QString error;
        QVERIFY2(replay.openSession(file, &error), qPrintable(error));
        QVERIFY(replay.replayRemarks().join(' ').contains("does not know the model XQ-9"));
        QCOMPARE(ui->lb_mode_I->text(), QString("XQ-9"));
        QCOMPARE(ui->tabW_register->count(), 1);
        replay.replaySeek(5000);
        QCOMPARE(cell(ui, "0x0200", 2), QString("4091"));

        // A file that is not a session changes nothing in the window.
        MainWindow other;
        QVERIFY(!other.openSession(dir.filePath("none.grivant-session"), &error));
        QVERIFY(!other.isReplaying());
        QVERIFY(!other.isVisible());
    }

    // What the file says of itself (its name, its model) is shown as it is written: a tag in
    // it is no rich text, which could hide words or have the label load a file.
    void textsOfTheFileAreShownAsWritten()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("<b>bench.grivant-session");
        SessionHeader h = headerOf("7F7F01020217000100003412", "<i>XQ-9</i>");
        h.mapName = "gripper";
        RegisterMap map;
        map.groupNames.insert(2, "Feedback");
        map.groupRegisterCounts.insert(2, 1);
        map.registerDescriptions.insert(0x0200, "R");
        map.registerValueRanges.insert(0x0200, "-");
        SessionWriter writer;
        QString error;
        QVERIFY2(writer.start(file, h, &map, &error), qPrintable(error));
        QVERIFY(writer.finish());

        MainWindow replay;
        QVERIFY2(replay.openSession(file, &error), qPrintable(error));
        replay.resize(1366, 768);
        replay.show();
        QCOMPARE(replay.form()->lb_mode_I->text(), h.modelName);
        const auto *name = replay.findChild<QLabel *>("lb_ReplayFile");
        QVERIFY(name && name->text().contains("<b>bench"));
        int tagged = 0;
        for (const QWidget *top : QApplication::topLevelWidgets())
            for (const QLabel *label : top->findChildren<QLabel *>())
                if (label->text().contains("<b>") || label->text().contains("<i>")) {
                    ++tagged;
                    QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
                }
        QVERIFY(tagged >= 2);
    }

    // The program ending while a session is read (a signal, a logout: the event loops are
    // told to quit) stops the read: nothing opens, nothing is said, the quit stands.
    void quitWhileReadingOpensNothing()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("long.grivant-session");
        QVERIFY(writeReadSession(file, headerOf("270101020217000100003412", "GZB-50W"), nullptr, 1, "020001", 1000));
        {
            MainWindow window;
            QString error;
            // Posted before the read starts, the quit reaches the busy dialog's loop first.
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            QVERIFY(!window.openSession(file, &error));
            QCOMPARE(error, QString());
            QVERIFY(!window.isReplaying());
            QVERIFY(!window.isVisible());
            // Without the quit it opens.
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            QCoreApplication::exec(); // the quit is spent: the loops of the next cases run
            QVERIFY2(window.openSession(file, &error), qPrintable(error));
            QVERIFY(window.isReplaying());
        }
    }

    // The timeline of a long session (a file may claim up to a hundred years): its slider
    // reaches every part of it, and its time says every hour.
    void timelineOfALongSession_data()
    {
        QTest::addColumn<qint64>("durationUs");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a minute") << qint64(60000000) << "00:00:30.0 / 00:01:00.0";
        QTest::newRow("30 days") << qint64(30) * 86400000000 << "360:00:00.0 / 720:00:00.0";
        QTest::newRow("31 years") << qint64(978307200000000) << "135876:00:00.0 / 271752:00:00.0";
    }
    void timelineOfALongSession()
    {
        QFETCH(qint64, durationUs);
        QFETCH(QString, shown);
        ReplayTimeline timeline;
        QSignalSpy seek(&timeline, &ReplayTimeline::seekRequested);
        timeline.setDuration(durationUs);
        timeline.setPosition(durationUs / 2);
        QCOMPARE(timeline.findChild<QLabel *>("lb_ReplayTime")->text(), shown);
        QSlider *slider = timeline.slider();
        QVERIFY(slider->maximum() > 0);
        QVERIFY(qAbs(slider->value() - slider->maximum() / 2) <= 1);
        for (const int step : {slider->maximum() / 4, slider->maximum()}) {
            slider->setValue(step);
            QVERIFY(!seek.isEmpty());
            const qint64 at = seek.takeLast().first().toLongLong();
            const qint64 wanted = step == slider->maximum() ? durationUs : durationUs / 4;
            QVERIFY2(qAbs(at - wanted) <= qMax<qint64>(1000, durationUs / slider->maximum()),
                     qPrintable(QString::number(at)));
        }
    }

    // While a session is replayed, every control that would write is disabled and says why;
    // closing the replay gives them back as they were. The connection window keeps Help last.
    void replayDisablesWhatWouldWrite()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("gripper.grivant-session");
        QVERIFY(writeReadSession(file, headerOf("270101020217000100003412", "GZB-50W"), nullptr, 1, "020001"));

        MainWindow replay;
        Ui::MainWindow *ui = replay.form();
        QStringList menus;
        for (QAction *menu : replay.connectionWindow()->menuBar()->actions())
            menus << menu->text();
        QCOMPARE(menus, QStringList({"View", "Session", "Help"}));

        QString error;
        QVERIFY2(replay.openSession(file, &error), qPrintable(error));
        const QString why = "A recorded session is replayed: nothing is written to a device.";
        const QList<QWidget *> locked{ui->pB_Activate, ui->stackedWidget_control, ui->rB_Demo, ui->cB_UserLevel,
                                      ui->tab_Commu, ui->tab_IO, ui->tab_Other, ui->tab_test, ui->tab_temp};
        for (QWidget *w : locked) {
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
            QCOMPARE(w->toolTip(), why);
        }
        for (QAction *a : {ui->actionBackupParameters, ui->actionRestoreParameters, ui->actionDisconnect,
                           replay.findChild<QAction *>("actionRecordSession")}) {
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
            QCOMPARE(a->toolTip(), why);
        }
        // Initialize does nothing: no write is even tried, and the set-points stay as shown.
        const QString position = ui->lE_Position->text();
        QSignalSpy refused(replay.pollingThread(), &VX_Ctl::WriteBlocked);
        QTest::mouseClick(ui->pB_Activate, Qt::LeftButton);
        QCOMPARE(refused.count(), 0);
        QCOMPARE(ui->lE_Position->text(), position);

        replay.closeSession();
        QVERIFY(ui->pB_Activate->isEnabled());
        QVERIFY(ui->pB_Activate->toolTip().isEmpty());
        QVERIFY(ui->tab_Commu->isEnabled());
    }

    // --record starts at the first identification; the replay's traffic monitor shows the
    // recorded frames through its filters.
    void recordsFromConnectionAndShowsItsFrames()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("scripted.grivant-session");
        Simulator sim({"--initialised", "--uid", "0BADCAFE"});
        QVERIFY(sim.start());
        const QString port = sim.port();
        PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });
        {
            MainWindow window;
            window.recordAtConnection(file);
            QVERIFY(!window.sessionWriter()->isRecording());
            window.connectionWindow()->form()->pB_Connect->click();
            QTRY_VERIFY_WITH_TIMEOUT(window.sessionWriter()->isRecording(), 15000);
            QTRY_VERIFY_WITH_TIMEOUT(window.sessionWriter()->framesWritten() > 20, 10000);
        } // closing the window finishes the file, the link's end last
        PortList::setProvider(nullptr);
        sim.stop();

        SessionData data;
        QString error;
        QVERIFY2(readSession(file, &data, &error), qPrintable(error));
        QVERIFY(data.remarks.isEmpty());
        QVERIFY(!data.events.isEmpty());
        QCOMPARE(data.events.last().kind, QString(SessionFormat::Disconnected));
        QCOMPARE(data.header.modelName, QString("GZB-50W"));
        // No ini file here: the window speaks English, and says so.
        QCOMPARE(data.header.language, QString("en_US"));
        QCOMPARE(data.header.ident.mid(6, 4), QByteArray::fromHex("CAFE0BAD"));
        QCOMPARE(data.header.port, port);

        MainWindow replay;
        QVERIFY(replay.openSession(file, &error));
        replay.connectionWindow()->showTrafficMonitor();
        TrafficMonitor *monitor = replay.connectionWindow()->trafficMonitor();
        replay.replaySeek(data.durationUs);
        QVERIFY(monitor->model()->rowCount() > 20);
        monitor->findChild<QLineEdit *>("lE_FilterAddress")->setText("0x0a00");
        QVERIFY(monitor->model()->rowCount() >= 2);
        for (int row = 0; row < monitor->model()->rowCount(); ++row)
            QCOMPARE(monitor->model()->frameAt(row).address, 0x0A00);
    }

    // "Record session..." with a bare name: the dialog adds the suffix and asks before it
    // replaces the file of that name; "No" keeps it, "Yes" records over it.
    void recordAsksBeforeReplacing()
    {
        QTemporaryDir dir;
        const QString kept = dir.filePath("kept.grivant-session");
        QFile f(kept);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("earlier") == 7);
        f.close();
        MainWindow window;
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            QString asked;
            int step = 0;
            QTimer driver;
            connect(&driver, &QTimer::timeout, [&] {
                QWidget *modal = QApplication::activeModalWidget();
                if (auto *dialog = qobject_cast<QFileDialog *>(modal); dialog && step == 0) {
                    // Typed as the operator types it, once the dialog has settled.
                    dialog->setDirectory(dir.path());
                    dialog->findChild<QLineEdit *>("fileNameEdit")->setText("kept");
                    if (dialog->selectedFiles().value(0) == kept) {
                        step = 1;
                        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
                    }
                } else if (auto *box = qobject_cast<QMessageBox *>(modal); box && step == 1) {
                    asked = box->text();
                    step = 2;
                    box->button(answer)->click();
                } else if (auto *again = qobject_cast<QFileDialog *>(modal); again && step == 2) {
                    again->reject();
                }
            });
            driver.start(20);
            window.recordSessionChosen();
            driver.stop();
            QVERIFY2(asked.contains("kept.grivant-session already exists"), qPrintable(asked));
            QCOMPARE(window.sessionWriter()->isRecording(), answer == QMessageBox::Yes);
        }
        window.stopRecording();
        SessionData data;
        QString error;
        QVERIFY2(readSession(kept, &data, &error), qPrintable(error));
    }

    // The README's picture: a demonstration cycle recorded, then replayed with its timeline.
    void screenshots()
    {
        const QString folder = prepareScreenshots();
        if (folder.isEmpty())
            QSKIP("set GRIVANT_SCREENSHOTS to a folder to take pictures");
        QTemporaryDir dir;
        const QString file = dir.filePath("demo.grivant-session");
        Simulator sim({"--speedup", "2", "--initialised", "--uid", "1A2B3C4D"});
        QVERIFY(sim.start());
        const QString port = sim.port();
        PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });
        {
            MainWindow window;
            QTRY_VERIFY(window.connectionWindow()->knownPorts().contains(port));
            window.connectionWindow()->form()->pB_Connect->click();
            QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 15000);
            QString error;
            QVERIFY(window.startRecording(file, &error));
            QTRY_VERIFY_WITH_TIMEOUT(window.initialised(), 10000);
            window.form()->rB_Demo->setChecked(true);
            QTest::qWait(12000);
            window.form()->rB_Demo->setChecked(false);
            window.stopRecording();
        }
        PortList::setProvider(nullptr);
        MainWindow replay;
        QString error;
        QVERIFY(replay.openSession(file, &error));
        replay.form()->actionAdvanced->trigger();
        showWhole(&replay);
        replay.replaySeek(11000000);
        QSignalSpy replotted(replay.form()->PositionPlot, &QCustomPlot::afterReplot);
        QVERIFY(replotted.wait(5000));
        replay.grab().save(folder + "/replay-en_US.png");
    }
};

QTEST_MAIN(TestSessionWindow)
#include "tst_sessionwindow.moc"
