// Access levels, factory tools, parameter export and the loop test: the hidden password
// dialog, the device commands of the Test and temp tabs, the export file against golden
// files and its failures, and the factory writes against the simulator.
#include "app/mainwindow.h"
#include "ui_connectionform.h"
#include "ui_mainwindow.h"

#include "data/parameterexport.h"
#include "data/vxregisterdatabase.h"
#include "link/connectionform.h"
#include "link/portlist.h"
#include "support/screenshots.h"
#include "support/simulator.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTableWidget>
#include <QTextCodec>
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

using Writes = QList<QPair<int, int>>;
const QString ExportFile = QStringLiteral("GZB-50W_ABCD1234.csv");

// Lets a single-shot timer run out now, as the event loop would once its interval is over.
void expire(QTimer *timer)
{
    QVERIFY(timer->isActive());
    timer->stop();
    QMetaObject::invokeMethod(timer, "timeout");
}

QStringList tabTexts(QTabWidget *tabs)
{
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    return texts;
}

QString cell(MainWindow &window, const QString &group, int row)
{
    for (QTableWidget *table : window.tableTitlesMap().keys())
        if (window.tableTitlesMap().value(table).contains(group) && table->item(row, 2))
            return table->item(row, 2)->text();
    return QString();
}

QStringList s_messages;
void recordMessage(QtMsgType, const QMessageLogContext &, const QString &text) { s_messages << text; }

// Runs an action on the next modal box of a class once it is up, from its own event loop.
template<class Modal>
void whenModal(std::function<void(Modal *)> action)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto *modal = qobject_cast<Modal *>(QApplication::activeModalWidget())) {
            timer->deleteLater();
            timer->stop();
            action(modal);
        }
    });
    timer->start(10);
}

} // namespace

class TestFactoryTools : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow *ui = nullptr;
    Writes writes;
    QList<QPair<int, QVector<quint16>>> multipleWrites;
    QList<QPair<int, QString>> boxes; // icon, title + text
    int boxAnswer = QMessageBox::Yes;
    int prompts = 0;
    QString password;
    bool passwordAccepted = true;

    void build(const QString &language = QStringLiteral("en_US"))
    {
        window = std::make_unique<MainWindow>();
        ui = window->form();
        window->setBaudRateForTest(115200);
        window->rebuildRegisterTablesForTest(QStringLiteral("GZB-50W"), language);
        ui->lb_UID_I->setText(QStringLiteral("ABCD1234"));
        observe();
    }
    void observe()
    {
        writes.clear();
        multipleWrites.clear();
        boxes.clear();
        prompts = 0;
        boxAnswer = QMessageBox::Yes;
        passwordAccepted = true;
        window->setRegisterWriteObserverForTest([this](int a, quint16 v) { writes.append({a, v}); });
        window->setMultipleWriteObserverForTest(
            [this](int a, const QVector<quint16> &v) { multipleWrites.append({a, v}); });
        window->setMessageBoxForTest([this](int icon, const QString &title, const QString &text) {
            boxes.append({icon, title + '|' + text});
            return boxAnswer;
        });
        window->setPasswordPromptForTest([this](bool *accepted) {
            ++prompts;
            *accepted = passwordAccepted;
            return password;
        });
    }
    // Auto-Connect through the connection window to the simulator.
    void connectTo(const Simulator &sim)
    {
        const QString port = sim.port();
        PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });
        window = std::make_unique<MainWindow>();
        ui = window->form();
        observe();
        QTRY_VERIFY(window->connectionWindow()->knownPorts().contains(port));
        window->connectionWindow()->form()->pB_Connect->click();
        QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 15000);
    }
    void unlock(const QString &text)
    {
        password = text;
        ui->pB_hide->click();
        ui->pB_hide->click();
    }
    QByteArray exportWith(const QString &remark)
    {
        ui->tE_T_ExportRemark->setPlainText(remark);
        ui->pB_T_ExportPara->click();
        QFile file(ExportFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init() { QFile::remove(ExportFile); }
    void cleanup()
    {
        window.reset();
        PortList::setProvider(nullptr);
    }

    void passwordDialog_data()
    {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("slowPair"); // the reset timer runs out between the clicks
        QTest::addColumn<QStringList>("userTabs");
        QTest::addColumn<QStringList>("extraTables");
        QTest::addColumn<Writes>("expectedWrites");

        const QStringList user = {"Control", "Modbus-RTU Parameters", "I/O Parameters", "Other"};
        const QStringList factory = {"Permission(0x0000)", "Factory Control(0x1100)",
                                     "Factory Parameters(0x1200)", "Runtime Data(0x1300)",
                                     "System Parameters(0x1400)", "Gripper Parameters(0x1500)"};
        QTest::newRow("C3C3") << "C3C3" << true << false << user + QStringList{"Test", "temp"} << factory
                              << Writes{{0, 0xC3C3}};
        QTest::newRow("3C3C") << "3C3C" << true << false << user << QStringList(factory.mid(0, 1)) << Writes{{0, 0x3C3C}};
        QTest::newRow("other case") << "c3c3" << true << false << user << QStringList() << Writes();
        QTest::newRow("cancelled") << "C3C3" << false << false << user << QStringList() << Writes();
        QTest::newRow("1.5 s apart") << "C3C3" << true << true << user << QStringList() << Writes();
    }

    void passwordDialog()
    {
        QFETCH(QString, entered);
        QFETCH(bool, accepted);
        QFETCH(bool, slowPair);
        QFETCH(QStringList, extraTables);
        QFETCH(Writes, expectedWrites);
        build();
        passwordAccepted = accepted;
        const QStringList standardTables = tabTexts(ui->tabW_register);
        QCOMPARE(standardTables.size(), 6);

        QTimer *reset = window->hideClickTimerForTest();
        password = entered;
        ui->pB_hide->click();
        QCOMPARE(reset->interval(), 1000);
        if (slowPair)
            expire(reset);
        ui->pB_hide->click();
        QCOMPARE(prompts, slowPair ? 0 : 1);
        QTEST(tabTexts(ui->tab_User), "userTabs");
        QCOMPARE(tabTexts(ui->tabW_register), standardTables + extraTables);
        QCOMPARE(writes, expectedWrites);
        // The selector shows the level written, so that choosing any other one writes.
        QCOMPARE(ui->cB_UserLevel->currentIndex(), expectedWrites.isEmpty() ? 0 : entered == "C3C3" ? 3 : 1);

        // A third quick click: after a dialog the first of a new pair; after a slow pair
        // the second of a quick one.
        ui->pB_hide->click();
        QCOMPARE(prompts, 1);
        QCOMPARE(window->hideClickCountForTest(), slowPair ? 0 : 1);
    }

    // The real dialog: masked, titled, a title bar only; the password entered twice adds
    // nothing twice.
    void realPasswordDialog()
    {
        build();
        window->setPasswordPromptForTest(nullptr);
        for (int round = 0; round < 2; ++round) {
            QString texts;
            QLineEdit::EchoMode echo = QLineEdit::Normal;
            Qt::WindowFlags flags;
            whenModal<QInputDialog>([&](QInputDialog *dialog) {
                texts = dialog->windowTitle() + '|' + dialog->labelText() + '|' + dialog->textValue();
                echo = dialog->textEchoMode();
                flags = dialog->windowFlags();
                dialog->setTextValue(QStringLiteral("C3C3"));
                dialog->accept();
            });
            unlock(QString());
            QCOMPARE(texts, QStringLiteral("User Level|Password:|"));
            QCOMPARE(echo, QLineEdit::Password);
            QVERIFY(flags.testFlag(Qt::CustomizeWindowHint) && flags.testFlag(Qt::WindowTitleHint));
            QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
            QCOMPARE(ui->tab_User->count(), 6);
            QCOMPARE(ui->tabW_register->count(), 12);
        }
    }

    void deviceCommands_data()
    {
        QTest::addColumn<QString>("object");
        QTest::addColumn<Writes>("expected");

        QTest::newRow("Factory") << "2" << Writes{{0, 0x6969}};
        QTest::newRow("Para_C, third box") << "pB_T_ParaD" << Writes{{0x1202, 33}};
        QTest::newRow("Para_D, fourth box") << "pB_T_ParaC" << Writes{{0x1203, 65535}};
        QTest::newRow("Cali zero Angle") << "pB_T_ZeroAngle" << Writes{{0, 0xC3C3}, {0x1100, 175}};
        QTest::newRow("STOP") << "pushButton" << Writes{{0x0502, 1}};
        QTest::newRow("position2") << "pB_T_P2" << Writes{{0x0103, 1000}};
        QTest::newRow("force1") << "pB_T_F1" << Writes{{0x0101, 20}};
    }

    // A digit names a user level to choose; any other text a button to click.
    void deviceCommands()
    {
        QFETCH(QString, object);
        QFETCH(Writes, expected);
        build();
        ui->spB_T_ParaC->setValue(33);
        ui->spB_T_ParaD->setValue(65535);
        bool level = false;
        ui->cB_UserLevel->setCurrentIndex(object.toInt(&level));
        if (!level)
            window->findChild<QAbstractButton *>(object)->click();
        QCOMPARE(writes, expected);

        writes.clear();
        ui->cB_UserLevel->setCurrentIndex(0);
        QCOMPARE(writes, expected.first().first == 0 ? (Writes{{0, 0}}) : Writes());
    }

    void setUniqueId_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVector<quint16>>("words"); // empty: refused

        QTest::newRow("12AB34CD") << "12AB34CDZ" << QVector<quint16>{0x34CD, 0x12AB};
        QTest::newRow("lower case") << "00ff7f80" << QVector<quint16>{0x7F80, 0x00FF};
        QTest::newRow("six digits") << "12AB34" << QVector<quint16>();
        QTest::newRow("empty") << "" << QVector<quint16>();
    }

    void setUniqueId()
    {
        QFETCH(QString, typed);
        QFETCH(QVector<quint16>, words);
        build();
        QCOMPARE(ui->lE_T_UID->inputMask(), QStringLiteral("HHHHHHHH"));
        QTest::keyClicks(ui->lE_T_UID, typed);
        ui->pB_T_SetUID->click();
        QVERIFY(writes.isEmpty());
        if (words.isEmpty()) {
            QVERIFY(multipleWrites.isEmpty());
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0].first, int(QMessageBox::Warning));
            QVERIFY(boxes[0].second.contains("eight hexadecimal digits"));
        } else {
            QCOMPARE(multipleWrites, (QList<QPair<int, QVector<quint16>>>{{0x0A03, words}}));
            QVERIFY(boxes.isEmpty());
        }
    }

    void exportMatchesGolden_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QByteArray>("codec");
        QTest::addColumn<QString>("remark");

        QTest::newRow("English, UTF-8") << "en_US" << QByteArray("UTF-8") << "first line\nsecond line";
        QTest::newRow("Chinese, UTF-8") << "zh_CN" << QByteArray("UTF-8") << QString::fromUtf8("第一行\n第二行");
        QTest::newRow("Chinese, GB18030") << "zh_CN" << QByteArray("GB18030") << QString::fromUtf8("第一行\n第二行");
    }

    // The six standard tabs with a two-line remark, in the locale's encoding.
    void exportMatchesGolden()
    {
        QFETCH(QString, language);
        QFETCH(QByteArray, codec);
        QFETCH(QString, remark);
        QTextCodec *before = QTextCodec::codecForLocale();
        QTextCodec *locale = QTextCodec::codecForName(codec);
        QTextCodec::setCodecForLocale(locale);
        const auto restore = qScopeGuard([before] { QTextCodec::setCodecForLocale(before); });

        build(language);
        for (QTableWidget *table : window->tableTitlesMap().keys())
            if (window->tableGroup(table) == 0x02)
                table->item(2, 2)->setText("-1"); // a value as a reply leaves it
        const QByteArray written = exportWith(remark);

        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].first, int(QMessageBox::Question));
        QCOMPARE(boxes[0].second, "Notice|\nFile Name: " + ExportFile + "\nRemark:\n" + remark
                                      + "\n\nAre you want to continue?\n");
        QVERIFY(ui->tE_T_ExportRemark->toPlainText().isEmpty());

        QFile golden(QFINDTESTDATA("golden/GZB-50W_" + language + ".csv"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        const QByteArray expected = locale->fromUnicode(QString::fromUtf8(golden.readAll()));
        const QList<QByteArray> writtenLines = written.split('\n');
        const QList<QByteArray> expectedLines = expected.split('\n');
        QCOMPARE(writtenLines.size(), 15);
        for (int i = 0; i < qMin(writtenLines.size(), expectedLines.size()); ++i)
            QCOMPARE(writtenLines[i], expectedLines[i]);
        QCOMPARE(written, expected);
    }

    // A second export overwrites; a file that cannot be created or written is reported
    // with its name and the reason, the remark stays and an earlier file stays as it was.
    void exportOverwritesAndFails()
    {
        QCOMPARE(ParameterExport::fileName(QString(), QString()), QStringLiteral("_.csv"));
        build();
        boxAnswer = QMessageBox::No;
        QVERIFY(exportWith("kept").isEmpty());
        QCOMPARE(ui->tE_T_ExportRemark->toPlainText(), QStringLiteral("kept"));

        boxAnswer = QMessageBox::Yes;
        const QByteArray first = exportWith("a rather long first remark");
        const QByteArray second = exportWith("short");
        QCOMPARE(second, first.left(first.lastIndexOf('\n') + 1) + "short");

        // A full disk: the new file's write fails part way (a size limit binds root too).
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit small{64, limit.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QByteArray afterFull = exportWith("not saved");
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        QCOMPARE(afterFull, second);
        QCOMPARE(ui->tE_T_ExportRemark->toPlainText(), QStringLiteral("not saved"));
        QCOMPARE(boxes.last().first, int(QMessageBox::Warning));
        QVERIFY(boxes.last().second.contains(QDir::current().absoluteFilePath(ExportFile)));
        QVERIFY(boxes.last().second.endsWith(QString::fromLocal8Bit(strerror(EFBIG))));

        // A folder of that name: nothing can be created there, not even by root.
        QVERIFY(QFile::remove(ExportFile) && QDir().mkdir(ExportFile));
        exportWith("still here");
        QVERIFY(QDir().rmdir(ExportFile));
        QVERIFY(boxes.last().second.contains(ExportFile + ":\n"));
        QCOMPARE(ui->tE_T_ExportRemark->toPlainText(), QStringLiteral("still here"));
        QCOMPARE(QDir().entryList({ExportFile + "*"}, QDir::Files | QDir::Hidden), QStringList());
    }

    // Descriptions and titles are written as plain fields: a comma or line break in the
    // shipped texts would shift the file's columns.
    void shippedTextsKeepTheColumns()
    {
        build();
        for (const char *model : {"GZB-50W", "TQP2-51500"}) {
            for (const char *language : {"en_US", "zh_CN"}) {
                window->rebuildRegisterTablesForTest(model, language);
                const RegisterMap *map = window->registerDatabase()->registerMap();
                QVERIFY(map && map->registerDescriptions.size() > 100);
                for (const QString &text : map->registerDescriptions.values() + map->groupNames.values())
                    QVERIFY2(!text.contains(QRegularExpression("[,\r\n]")), qPrintable(text));
            }
        }
    }

    void loopTest()
    {
        build();
        QTimer *dwell = window->loopTimerForTest();
        ui->pB_T_loop->click();
        QCOMPARE(writes, (Writes{{0x0103, 0}}));
        QVERIFY(dwell->isSingleShot() && ui->pB_T_loop->isChecked());
        QCOMPARE(dwell->interval(), 1000);
        ui->spB_T_loop_2->setValue(2500); // read at the next step
        expire(dwell);
        QCOMPARE(dwell->interval(), 2500);
        expire(dwell);
        QCOMPARE(writes, (Writes{{0x0103, 0}, {0x0103, 1000}, {0x0103, 0}}));

        // Stop: no further write, even when a step that was due arrives.
        ui->pB_T_loop->click();
        QVERIFY(!dwell->isActive() && !ui->pB_T_loop->isChecked());
        QMetaObject::invokeMethod(window.get(), "slot_testloop");
        QCOMPARE(writes.size(), 3);

        // After an odd number of steps a new run begins at the second position; a stop
        // and start within one dwell leaves one chain.
        ui->pB_T_loop->click();
        ui->pB_T_loop->click();
        ui->pB_T_loop->click();
        expire(dwell);
        QCOMPARE(writes.mid(3), (Writes{{0x0103, 1000}, {0x0103, 0}, {0x0103, 1000}}));

        // A lost link ends the run.
        emit window->connectionWindow()->SendConnectiomState(3);
        QVERIFY(!window->loopTestRunningForTest() && !dwell->isActive() && !ui->pB_T_loop->isChecked());
    }

    // Against the simulator: a unique ID write below the factory level is refused and the
    // diagnostic output says so; the zero-angle calibration sends the code first, so the
    // device takes it from a lower level; after the higher password the new ID is taken
    // and shows in the device information.
    void factoryWritesOnTheWire()
    {
        Simulator sim({"--speedup", "4", "--uid", "ABCD1234"});
        QVERIFY(sim.start());
        connectTo(sim);
        if (QTest::currentTestFailed())
            return;
        QTRY_COMPARE(ui->lb_UID_I->text(), QStringLiteral("ABCD1234"));
        const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
        const auto restore = qScopeGuard([previous] { qInstallMessageHandler(previous); });
        const auto refusals = [] {
            return s_messages.filter(QRegularExpression("Write response error.*exception: 0x2\\)"));
        };

        unlock("3C3C"); // shows the Permission table; level 1 is below the factory level
        QTest::keyClicks(ui->lE_T_UID, "12AB34CD");
        ui->pB_T_SetUID->click();
        QTRY_VERIFY_WITH_TIMEOUT(!refusals().isEmpty(), 5000);

        // Sent the other way round, the trigger would be refused at level 1 and the
        // calibrated zero-angle bias (0x1406) would stay 0.
        ui->pB_T_ZeroAngle->click();
        QTRY_COMPARE_WITH_TIMEOUT(cell(*window, "0x0000", 0), QString::number(0xC3C3), 15000);
        unlock("C3C3");
        QTRY_VERIFY_WITH_TIMEOUT(cell(*window, "0x1400", 6).toInt() >= 1000, 15000);

        s_messages.clear();
        ui->pB_T_SetUID->click();
        QTRY_COMPARE_WITH_TIMEOUT(ui->lb_UID_I->text(), QStringLiteral("12AB34CD"), 15000);
        QCOMPARE(refusals(), QStringList());
    }

    // Pictures of the Test and temp tabs and of the export question, in English and
    // Chinese; runs only when GRIVANT_SCREENSHOTS names a folder.
    void screenshots()
    {
        const QString folder = prepareScreenshots();
        if (folder.isEmpty())
            QSKIP("set GRIVANT_SCREENSHOTS to a folder to take pictures");
        for (const QString language : {"en_US", "zh_CN"}) {
            QSettings("./ZODidovava.ini", QSettings::IniFormat).setValue("/language", language);
            Simulator sim({"--speedup", "4", "--initialised"});
            QVERIFY(sim.start());
            connectTo(sim);
            if (QTest::currentTestFailed())
                return;
            window->setMessageBoxForTest(nullptr);
            unlock("C3C3");
            ui->actionAdvanced->trigger();
            ui->tab_User->setCurrentWidget(ui->tab_test);
            ui->tE_T_ExportRemark->setPlainText(language == "en_US" ? "Bench 3\nafter backup"
                                                                    : QString::fromUtf8("三号台\n备份之后"));
            QTest::keyClicks(ui->lE_T_UID, "12AB34CD");
            QTRY_VERIFY_WITH_TIMEOUT(ui->PositionPlot->graph(0)->dataCount() > 20, 10000);
            window->grab().save(folder + "/test-tab-" + language + ".png");

            whenModal<QMessageBox>([&](QMessageBox *box) {
                box->grab().save(folder + "/export-question-" + language + ".png");
                box->button(QMessageBox::No)->click();
            });
            ui->pB_T_ExportPara->click();

            ui->tab_User->setCurrentWidget(ui->tab_temp);
            ui->spB_T_loop_1->setValue(600);
            ui->spB_T_loop_2->setValue(600);
            ui->pB_T_loop->click();
            QTRY_VERIFY_WITH_TIMEOUT(ui->PositionPlot->graph(0)->dataCount() > 100, 10000);
            window->grab().save(folder + "/temp-tab-" + language + ".png");
            window.reset();
        }
        QFile::remove("./ZODidovava.ini");
    }
};

QTEST_MAIN(TestFactoryTools)
#include "tst_factorytools.moc"
