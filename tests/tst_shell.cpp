#include "app/mainwindow.h"
#include "app/portoption.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "ui_connectionform.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QMessageBox>
#include <QMutex>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalMapper>
#include <QSignalSpy>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QScrollArea>
#include <QStyle>
#include <QtTest>
#include <memory>
#include <csignal>
#include <sys/stat.h>

#include "qcustomplot.h"

namespace {

// Closes every modal box that shows up while a slot runs and remembers what it said.
class ModalCatcher : public QObject
{
public:
    struct Seen {
        QString title;
        QString text;
    };

    ModalCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            auto *box = qobject_cast<QMessageBox *>(modal);
            seen.append({modal->windowTitle(), box ? box->text() : QString()});
            if (!grabTo.isEmpty())
                modal->grab().save(QString("%1/box%2.png").arg(grabTo).arg(seen.size()));
            if (box)
                box->accept();
            else
                modal->close();
        });
        m_timer.start(10);
    }

    QList<Seen> seen;
    QString grabTo;  // folder for pictures of the boxes, if set

private:
    QTimer m_timer;
};

// Collects the lines written to the Qt message output while it is installed.
class MessageCatcher
{
public:
    MessageCatcher()
    {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&MessageCatcher::handler);
    }
    ~MessageCatcher() { qInstallMessageHandler(m_previous); }

    static QList<QPair<QtMsgType, QString>> s_lines;

private:
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        s_lines.append({type, text});
    }
    QtMessageHandler m_previous = nullptr;
};
QList<QPair<QtMsgType, QString>> MessageCatcher::s_lines;

QString runTranslations()
{
    return qEnvironmentVariable("GRIVANT_RUN_DIR") + "/translations";
}

}  // namespace

class TestShell : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_startDir;

    // A fresh working directory; with translations unless the case is about missing ones.
    void freshWorkDir(bool withTranslations = true)
    {
        m_dir.reset(new QTemporaryDir(m_startDir + "/shellXXXXXX"));
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir::setCurrent(m_dir->path()));
        if (!withTranslations)
            return;
        QVERIFY(QDir().mkpath("translations"));
        for (const char *code : {"en_US", "zh_CN"}) {
            const QString from = runTranslations() + "/" + QLatin1String(code) + ".qm";
            QVERIFY2(QFile::copy(from, "translations/" + QLatin1String(code) + ".qm"), qPrintable(from));
        }
    }

    static void writeIni(const QByteArray &content)
    {
        QFile ini("ZODidovava.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(content);
    }

    static QString storedLanguage()
    {
        QSettings s("./ZODidovava.ini", QSettings::IniFormat);
        return s.value("/language").toString();
    }

    static void verifyEnglish(MainWindow &w)
    {
        Ui::MainWindow *ui = w.form();
        QCOMPARE(ui->tab_User->tabText(0), QString("Control"));
        QCOMPARE(ui->pB_Activate->text(), QString("Initialize"));
        QCOMPARE(ui->cB_Parity->itemText(2), QString("Even"));
        QCOMPARE(ui->menuLanguage->title(), QString("Language"));
        QCOMPARE(w.connectionWindow()->form()->pB_Search->text(), QString("Search"));
        QCOMPARE(w.connectionWindow()->windowTitle(), QString("Grivant -- Connection configuration"));
        QCOMPARE(w.connectionWindow()->form()->comB_Port->itemText(0), QString("Search All"));
        verifyShellTexts(w, "Position(%)", "Motor Current(mA)",
                         "Copyright (c) Grivant developers. All rights reserved.");
    }

    // The title stays the product's in every language; the plots' axis labels and the
    // ownership line follow the language.
    static void verifyShellTexts(MainWindow &w, const QString &position, const QString &current,
                                 const QString &ownership)
    {
        Ui::MainWindow *ui = w.form();
        QCOMPARE(w.windowTitle(), QString("Grivant"));
        QCOMPARE(ui->PositionPlot->yAxis->label(), position);
        QCOMPARE(ui->CurrentPlot->yAxis->label(), current);
        QStringList status;
        for (const QLabel *label : ui->statusBar->findChildren<QLabel *>())
            status << label->text();
        QVERIFY2(status.contains(ownership), qPrintable(status.join('|')));
    }

    static void verifyChinese(MainWindow &w)
    {
        Ui::MainWindow *ui = w.form();
        QCOMPARE(ui->tab_User->tabText(0), QString::fromUtf8("控制"));
        QCOMPARE(ui->pB_Activate->text(), QString::fromUtf8("初始化"));
        QCOMPARE(ui->cB_Parity->itemText(2), QString::fromUtf8("偶校验"));
        QCOMPARE(ui->cB_StopBits->itemText(1), QString::fromUtf8("2位停止位"));
        QCOMPARE(ui->menuLanguage->title(), QString::fromUtf8("语言"));
        // Names of the languages stay as they are in every language.
        QCOMPARE(ui->actionEnglish->text(), QString("English"));
        QCOMPARE(ui->actionChinese->text(), QString::fromUtf8("中文"));
        QCOMPARE(w.connectionWindow()->form()->pB_Search->text(), QString::fromUtf8("搜索"));
        QCOMPARE(w.connectionWindow()->windowTitle(), QString::fromUtf8("Grivant -- 连接配置"));
        QCOMPARE(w.connectionWindow()->form()->comB_Port->itemText(0), QString::fromUtf8("搜索全部"));
        verifyShellTexts(w, QString::fromUtf8("位置(%)"), QString::fromUtf8("电机电流(mA)"),
                         QString::fromUtf8("版权所有 (c) Grivant 开发者。保留所有权利。"));
    }

private slots:
    // A signal ends the window through its event loop, as closing it does (its port closed
    // and left as found, a recording finished), not by the signal's default death.
    void endsCleanlyOnSignals_data()
    {
        QTest::addColumn<int>("signo");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void endsCleanlyOnSignals()
    {
        QFETCH(int, signo);
        QTemporaryDir dir;
        QProcess window;
        window.start(QStringLiteral(GRIVANT_PATH), {"--workdir", dir.path()});
        QVERIFY(window.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("VEvirurodOzovi.db")), 20000);
        QCOMPARE(::kill(pid_t(window.processId()), signo), 0);
        QVERIFY(window.waitForFinished(20000));
        QCOMPARE(window.exitStatus(), QProcess::NormalExit);
        QCOMPARE(window.exitCode(), 0);
    }

    void initTestCase()
    {
        m_startDir = QDir::currentPath();
        QVERIFY2(QFile::exists(runTranslations() + "/zh_CN.qm"), "translations not built");
    }

    void cleanup()
    {
        QDir::setCurrent(m_startDir);
        m_dir.reset();
    }

    void unansweredWritesAreShown()
    {
        freshWorkDir();
        MainWindow w;
        MessageCatcher lines;
        QStatusBar *status = w.form()->statusBar;
        QPlainTextEdit *log = w.connectionWindow()->form()->pTE_process;

        emit w.pollingThread()->WriteGivenUp(0x0103, {500}, 3);
        QCOMPARE(status->currentMessage(), QString("Write 0x0103 failed: no answer after 3 tries"));
        QVERIFY(log->toPlainText().endsWith("Write given up:\t 0x0103 = 500, no answer after 3 tries\n"));
        QCOMPARE(MessageCatcher::s_lines.size(), 1);
        QCOMPARE(MessageCatcher::s_lines.at(0).first, QtWarningMsg);

        emit w.pollingThread()->WriteOutcomeUnknown(0x1100, {175});
        QCOMPARE(status->currentMessage(), QString("Write 0x1100: outcome unknown, not repeated"));
        QVERIFY(log->toPlainText().endsWith("Write outcome unknown:\t 0x1100 = 175, no answer; not sent "
                                            "again, since the device may have carried it out\n"));

        emit w.pollingThread()->WriteGivenUp(0x0a03, {1, 2}, 0);
        QCOMPARE(status->currentMessage(), QString("Write 0x0a03 not sent: connection changed"));
        QVERIFY(log->toPlainText().endsWith("Write not sent:\t 0x0a03 = 1,2, dropped when reading was switched over\n"));
    }

    void firstRunStartsEnglishAndWritesNothing()
    {
        freshWorkDir();
        MainWindow w;
        QCOMPARE(w.language(), QString());
        verifyEnglish(w);
        QVERIFY(!QFile::exists("ZODidovava.ini"));
    }

    void firstEnglishPickShowsNoticeAndStores()
    {
        freshWorkDir();
        MainWindow w;
        ModalCatcher catcher;
        w.form()->actionEnglish->trigger();
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(catcher.seen[0].title, QString("Notice"));
        QCOMPARE(catcher.seen[0].text, QString("Restart this software to change language"));
        QCOMPARE(storedLanguage(), QString("en_US"));
        QCOMPARE(w.language(), QString("en_US"));
        verifyEnglish(w);

        // The same language again: nothing shown, nothing written.
        QVERIFY(QFile::remove("ZODidovava.ini"));
        w.slot_language("en_US");
        QCOMPARE(catcher.seen.size(), 1);
        QVERIFY(!QFile::exists("ZODidovava.ini"));
    }

    void switchToChineseRetranslatesKeepingState()
    {
        freshWorkDir();
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        ui->cB_Baudrate->setCurrentIndex(4);
        ui->cB_Parity->setCurrentIndex(2);
        ui->cB_IOMode->setCurrentIndex(1);
        ui->tab_User->setCurrentIndex(2);
        ui->spB_gid->setValue(17);

        ModalCatcher catcher;
        ui->actionChinese->trigger();
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(catcher.seen[0].title, QString::fromUtf8("注意"));
        QCOMPARE(catcher.seen[0].text, QString::fromUtf8("重启该软件以完整切换语言"));
        QCOMPARE(storedLanguage(), QString("zh_CN"));
        QCOMPARE(w.language(), QString("zh_CN"));
        QCOMPARE(w.currentModelName(), QString());
        verifyChinese(w);

        QCOMPARE(ui->cB_Baudrate->currentIndex(), 4);
        QCOMPARE(ui->cB_Baudrate->currentText(), QString("9600"));
        QCOMPARE(ui->cB_Parity->currentIndex(), 2);
        QCOMPARE(ui->cB_IOMode->currentIndex(), 1);
        QCOMPARE(ui->cB_IOMode->currentText(), QString::fromUtf8("开"));
        QCOMPARE(ui->tab_User->currentIndex(), 2);
        QCOMPARE(ui->stackedWidget_control->currentIndex(), 2);
        QCOMPARE(ui->spB_gid->value(), 17);
        QCOMPARE(ui->tab_User->count(), 4);

        // And back: English texts return, the other notice is shown.
        ui->actionEnglish->trigger();
        QCOMPARE(catcher.seen.size(), 2);
        QCOMPARE(catcher.seen[1].title, QString("Notice"));
        QCOMPARE(storedLanguage(), QString("en_US"));
        verifyEnglish(w);
        QCOMPARE(ui->cB_Parity->currentIndex(), 2);
    }

    void storedChoiceIsUsedAtNextStart()
    {
        freshWorkDir();
        writeIni("[General]\nlanguage=zh_CN\n");
        {
            MainWindow w;
            QCOMPARE(w.language(), QString("zh_CN"));
            verifyChinese(w);
        }
        // A window built after the first one is gone installs its own translator cleanly.
        writeIni("[General]\nlanguage=en_US\n");
        MainWindow w2;
        verifyEnglish(w2);
    }

    void unknownCodesAreIgnored_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("other language") << "fr_FR";
        QTest::newRow("wrong case") << "zh_cn";
        QTest::newRow("empty") << "";
        QTest::newRow("padded") << " zh_CN";
    }
    void unknownCodesAreIgnored()
    {
        QFETCH(QString, code);
        freshWorkDir();
        MainWindow w;
        ModalCatcher catcher;
        w.slot_language(code);
        QCOMPARE(catcher.seen.size(), 0);
        QVERIFY(!QFile::exists("ZODidovava.ini"));
        QCOMPARE(w.language(), QString());
        verifyEnglish(w);
    }

    // The program's own translations serve both windows, whatever is planted or damaged
    // in the working directory; Qt's own texts (its boxes' buttons, its dialogs) follow.
    void translationsAreBuiltIn_data()
    {
        QTest::addColumn<QByteArray>("planted");
        QFile english(runTranslations() + "/en_US.qm");
        QVERIFY(english.open(QIODevice::ReadOnly));
        QByteArray flipped = english.readAll();
        QTest::newRow("none") << QByteArray();
        QTest::newRow("another language") << flipped;
        for (int i = 0; i < 200; ++i)
            flipped[16 + (i * 7919) % (flipped.size() - 16)] = char(i * 31);
        QTest::newRow("200 bytes flipped") << flipped;
    }
    void translationsAreBuiltIn()
    {
        QFETCH(QByteArray, planted);
        freshWorkDir(false);
        QFile qm("translations/zh_CN.qm");
        QVERIFY(QDir().mkpath("translations") && qm.open(QIODevice::WriteOnly) && qm.write(planted) == planted.size());
        qm.close();
        writeIni("[General]\nlanguage=zh_CN\n");
        MainWindow w;
        verifyChinese(w);
        QCOMPARE(w.connectionWindow()->windowTitle(), QString::fromUtf8("Grivant -- 连接配置"));
        QCOMPARE(w.connectionWindow()->form()->comB_Port->itemText(0), QString::fromUtf8("搜索全部"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("取消"));
        ModalCatcher catcher;
        w.slot_language("en_US");
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancel"));
    }

    void garbageIniReadsAsEnglish_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("binary") << QByteArray("\x00\xff\x01[[[=\n\x80\x81", 11);
        QTest::newRow("unknown value") << QByteArray("[General]\nlanguage=klingon\n");
        QTest::newRow("list value") << QByteArray("[General]\nlanguage=zh_CN, en_US\n");
        QTest::newRow("empty") << QByteArray();
    }
    void garbageIniReadsAsEnglish()
    {
        QFETCH(QByteArray, content);
        freshWorkDir();
        writeIni(content);
        MainWindow w;
        verifyEnglish(w);
    }

    // The settings file cannot be written (its name is taken by a folder): the switch
    // still happens for this run and nothing crashes.
    void unwritableSettingsDoNotCrash()
    {
        freshWorkDir();
        QVERIFY(QDir().mkdir("ZODidovava.ini"));
        MainWindow w;
        ModalCatcher catcher;
        w.slot_language("zh_CN");
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(w.language(), QString("zh_CN"));
        verifyChinese(w);
        QVERIFY(QFileInfo("ZODidovava.ini").isDir());
    }

    // An ini file that is not what this program writes is neither read nor written
    // through: an absurdly large one or a FIFO stays as it is, a link to a small file is
    // read and then replaced by a file of ours (its other keys kept), never written through.
    void iniFileIsNeverTakenBlindly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("1 MiB") << "large";
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to someone's file") << "link";
    }
    void iniFileIsNeverTakenBlindly()
    {
        QFETCH(QString, kind);
        freshWorkDir();
        const QByteArray content("[General]\nlanguage=zh_CN\nnotes=someone's\n");
        QFile file(kind == "link" ? "notes.txt" : "ZODidovava.ini");
        if (kind == "fifo")
            QCOMPARE(mkfifo("ZODidovava.ini", 0600), 0);
        else
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) && file.resize(kind == "large" ? 1 << 20 : content.size()));
        file.close();
        if (kind == "link")
            QVERIFY(QFile::link("notes.txt", "ZODidovava.ini"));
        const QFileInfo before("ZODidovava.ini");

        MessageCatcher lines;
        MainWindow w;
        QCOMPARE(w.language(), QString(kind == "link" ? "zh_CN" : ""));
        ModalCatcher catcher;
        w.slot_language("en_US");
        verifyEnglish(w);
        int warnings = 0;
        for (const auto &line : MessageCatcher::s_lines)
            warnings += line.first == QtWarningMsg && line.second.contains("ZODidovava.ini not") ? 1 : 0;
        const QFileInfo after("ZODidovava.ini");
        if (kind == "link") {
            QCOMPARE(warnings, 0);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), content);
            QVERIFY(!after.isSymLink());
            QCOMPARE(storedLanguage(), QString("en_US"));
            QCOMPARE(QSettings("./ZODidovava.ini", QSettings::IniFormat).value("notes").toString(), QString("someone's"));
        } else {
            QCOMPARE(warnings, 2);
            QVERIFY(after.size() == before.size() && after.isFile() == before.isFile());
        }
    }

    void registersViewWidensAndNarrows()
    {
        freshWorkDir();
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        // The offscreen screen is narrower than the window: it is as wide as the screen
        // lets it be, and its content as wide as the form.
        const QWidget *content = w.contentScrollArea()->widget();
        const int screenWide = w.width();
        // As wide as the content, and a scroll bar beside it where the screen is lower.
        const int scrollBar = w.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        QVERIFY(screenWide <= 931 + scrollBar);
        QCOMPARE(w.maximumWidth(), 931 + scrollBar);
        QCOMPARE(content->minimumWidth(), 931);
        const QPoint topLeft = w.geometry().topLeft();
        const int height = w.height();
        QVERIFY(!ui->actionAdvanced->isChecked());

        ui->actionAdvanced->trigger();
        QVERIFY(ui->actionAdvanced->isChecked());
        QCOMPARE(w.width(), screenWide);
        QCOMPARE(w.maximumWidth(), 1565 + scrollBar);
        QCOMPARE(content->minimumWidth(), 1565);
        QCOMPARE(w.geometry().topLeft(), topLeft);
        QCOMPARE(w.height(), height);

        ui->actionAdvanced->trigger();
        QCOMPARE(w.maximumWidth(), 931 + scrollBar);
        QCOMPARE(content->minimumWidth(), 931);
        QCOMPARE(w.geometry().topLeft(), topLeft);
        QCOMPARE(w.height(), height);

        // The register tabs sit beyond the narrow window's right edge.
        QVERIFY(ui->tabW_register->geometry().left() > 931);
    }

    void startStateOfTheWindow()
    {
        freshWorkDir();
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        QCOMPARE(ui->tab_User->count(), 4);
        QCOMPARE(ui->tab_User->indexOf(ui->tab_test), -1);
        QCOMPARE(ui->tab_User->indexOf(ui->tab_temp), -1);
        QCOMPARE(ui->tab_User->indexOf(ui->tab_demo), -1);
        QCOMPARE(ui->tab_User->currentIndex(), 0);
        QVERIFY(ui->pB_Emergency_Open->isHidden());
        QVERIFY(ui->pB_Emergency_Close->isHidden());
        QVERIFY(!ui->actionDisconnect->isEnabled());
        QCOMPARE(w.styleSheet(), QString("*{outline:0px;}QWidget#MainWindow{background:#FFFFFF;}"));
        QVERIFY(QMetaType::type("QVector<quint16>") != QMetaType::UnknownType);

        // The ownership line is a permanent status-bar label, which gives way to a notice
        // for as long as it is shown, so that the notice is not cut off.
        const QList<QLabel *> labels = ui->statusBar->findChildren<QLabel *>();
        const auto ownership = std::find_if(labels.begin(), labels.end(),
                                            [](QLabel *l) { return l->text().contains("Grivant"); });
        QVERIFY(ownership != labels.end());
        QVERIFY((*ownership)->isVisibleTo(&w));
        const QString notice = "The recording stopped at 00:00:08.004: No space left on device. "
                               "/home/operator/sessions/line-3/gripper-07.grivant-session holds what was recorded before.";
        ui->statusBar->resize(400, ui->statusBar->height());
        ui->statusBar->showMessage(notice);
        QVERIFY(!(*ownership)->isVisibleTo(&w));
        QCOMPARE(ui->statusBar->toolTip(), notice);
        ui->statusBar->clearMessage();
        QVERIFY((*ownership)->isVisibleTo(&w));
        QCOMPARE(ui->statusBar->toolTip(), QString());
    }

    // Set-point sliders and their edits agree at start; validators follow the slider ranges.
    void setPointsAtStart_data()
    {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("accepted");
        QTest::addColumn<QString>("rejected");
        QTest::newRow("position") << "hS_Position" << "lE_Position" << 0 << 1000 << 1000 << "100" << "55.5" << "100.1";
        QTest::newRow("force") << "hS_Force" << "lE_Force" << 20 << 100 << 100 << "100" << "20" << "101";
        QTest::newRow("speed") << "hS_Speed" << "lE_Speed" << 1 << 100 << 100 << "100" << "1" << "0";
        QTest::newRow("rotation") << "hS_Rotation_Rotating" << "lE_Rotation_Rotating" << -1800 << 1800 << 0 << "0" << "-20" << "1801";
        QTest::newRow("torque") << "hS_Force_Rotating" << "lE_Force_Rotating" << 0 << 100 << 100 << "100" << "0" << "101";
        QTest::newRow("rotation speed") << "hS_Speed_Rotating" << "lE_Speed_Rotating" << 1 << 100 << 50 << "50" << "100" << "0";
        QTest::newRow("module position") << "hS_Position_module" << "lE_Position_module" << 0 << 1000 << 0 << "10" << "9.99" << "10.01";
        QTest::newRow("acceleration") << "hS_AccDec_module" << "lE_AccDec_module" << 1 << 100 << 100 << "100" << "50" << "0";
        QTest::newRow("module speed") << "hS_Speed_module" << "lE_Speed_module" << 1 << 100 << 100 << "100" << "1" << "101";
    }
    void setPointsAtStart()
    {
        QFETCH(QString, slider);
        QFETCH(QString, edit);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, value);
        QFETCH(QString, text);
        QFETCH(QString, accepted);
        QFETCH(QString, rejected);
        freshWorkDir();
        MainWindow w;
        auto *s = w.findChild<QSlider *>(slider);
        auto *e = w.findChild<QLineEdit *>(edit);
        QVERIFY(s && e);
        QCOMPARE(s->minimum(), minimum);
        QCOMPARE(s->maximum(), maximum);
        QCOMPARE(s->value(), value);
        QCOMPARE(e->text(), text);
        QVERIFY(e->hasAcceptableInput());
        QVERIFY(e->validator());
        int pos = 0;
        QString a = accepted, r = rejected;
        QCOMPARE(e->validator()->validate(a, pos), QValidator::Acceptable);
        QVERIFY(e->validator()->validate(r, pos) != QValidator::Acceptable);
        QVERIFY(s->styleSheet().startsWith("QSlider::horizontal{min-height:20px;}"));
        QVERIFY(e->styleSheet().startsWith("QLineEdit{"));
    }

    void pushEditsAtStart()
    {
        freshWorkDir();
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        QCOMPARE(ui->lE_PushBand_module->text(), QString("0"));
        QCOMPARE(ui->lE_PushForce_module->text(), QString("40"));
        int pos = 0;
        QString band = "10.00", tooWide = "10.5", force = "0";
        QCOMPARE(ui->lE_PushBand_module->validator()->validate(band, pos), QValidator::Acceptable);
        QVERIFY(ui->lE_PushBand_module->validator()->validate(tooWide, pos) != QValidator::Acceptable);
        QVERIFY(ui->lE_PushForce_module->validator()->validate(force, pos) != QValidator::Acceptable);
    }

    void flatLooksAreApplied()
    {
        freshWorkDir();
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        for (QPushButton *b : {ui->pB_Activate, ui->pB_pagechange_Gripper, ui->pB_T_ZeroAngle,
                               ui->pB_Position_Backward, ui->pB_IO_Test4, ui->pb_IO_Apply,
                               ui->pB_Commu_Default, ui->pB_Other_Apply})
            QVERIFY2(b->styleSheet().startsWith("QPushButton{border-style:none;padding:8px;border-radius:5px;"
                                                "color:#FFFFFF;background:#3db9ec;}QPushButton:hover{"),
                     qPrintable(b->objectName()));
        QVERIFY(ui->pB_hide->styleSheet().isEmpty());
        QVERIFY(ui->rB_Demo->styleSheet().startsWith("QRadioButton::indicator{border-radius:8px;"));
        QVERIFY(ui->rB_S_Moving->styleSheet().contains("stop:0 #34495E"));
        QVERIFY(ui->rB_S_Caught->styleSheet().contains("stop:0 #1ABC9C"));
        QVERIFY(ui->rB_S_Dropped->styleSheet().contains("stop:0 #FF0000"));
    }

    // Only the connection window opens at start; the main window waits, as a dialog-type
    // window, for the connected state.
    void startsWithTheConnectionWindowOnly()
    {
        freshWorkDir();
        MainWindow w;
        ConnectionForm *connection = w.connectionWindow();
        QVERIFY(connection);
        QVERIFY(!connection->parent());
        QVERIFY(connection->isVisible());
        QVERIFY(!w.isVisible());
        QCOMPARE(w.windowType(), Qt::Dialog);
        QCOMPARE(w.windowFlags(), connection->windowFlags() | Qt::Dialog);
        QVERIFY(w.pollingThread());
        QCOMPARE(w.pollingThread()->parent(), &w);
        QVERIFY(!w.pollingThread()->isRunning());
    }

    // With the main window never shown, closing the connection window is closing the last
    // window: the event loop ends.
    void closingTheConnectionWindowEndsTheEventLoop()
    {
        freshWorkDir();
        MainWindow w;
        QVERIFY(QGuiApplication::quitOnLastWindowClosed());
        QSignalSpy last(qApp, &QGuiApplication::lastWindowClosed);
        QTimer::singleShot(0, w.connectionWindow(), &QWidget::close);
        QTimer safety;
        safety.setSingleShot(true);
        connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        safety.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(last.count(), 1);
        QVERIFY(!w.isVisible());
    }

    // Each gripper I/O spin box reports its parameter number, 5 to 16, group by group.
    void ioSpinBoxesReportTheirParameterNumbers()
    {
        freshWorkDir();
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        QSignalMapper *mapper = w.findChild<QSignalMapper *>();
        QVERIFY(mapper);
        QCOMPARE(mapper->parent(), &w);
        QSignalSpy spy(mapper, SIGNAL(mapped(QString)));
        QVERIFY(spy.isValid());
        const QList<QSpinBox *> boxes = {ui->spB_IO_P_1, ui->spB_IO_F_1, ui->spB_IO_S_1,
                                         ui->spB_IO_P_2, ui->spB_IO_F_2, ui->spB_IO_S_2,
                                         ui->spB_IO_P_3, ui->spB_IO_F_3, ui->spB_IO_S_3,
                                         ui->spB_IO_P_4, ui->spB_IO_F_4, ui->spB_IO_S_4};
        QStringList expected;
        for (int i = 0; i < boxes.size(); ++i) {
            boxes[i]->setValue(boxes[i]->value() + 1);
            expected << QString::number(5 + i);
        }
        QStringList seen;
        for (const QList<QVariant> &args : spy)
            seen << args.at(0).toString();
        QCOMPARE(seen, expected);

        // The linear-module spin boxes are not mapped.
        spy.clear();
        ui->spB_IO_P_5->setValue(7);
        ui->spB_IO_PF_1->setValue(7);
        QCOMPARE(spy.count(), 0);
    }

    // The polling thread ends before the connection window it sends requests to is gone.
    void destroyingStopsThePollingThreadFirst()
    {
        freshWorkDir();
        auto *w = new MainWindow;
        VX_Ctl *thread = w->pollingThread();
        QMutex mutex;
        QStringList order;
        connect(thread, &QThread::finished, thread, [&] {
            QMutexLocker lock(&mutex);
            order << "thread finished";
        }, Qt::DirectConnection);
        connect(w->connectionWindow(), &QObject::destroyed, [&] {
            QMutexLocker lock(&mutex);
            order << "connection window gone";
        });
        thread->start();
        QTRY_VERIFY(thread->isRunning());
        delete w;
        QMutexLocker lock(&mutex);
        QCOMPARE(order, QStringList({"thread finished", "connection window gone"}));
    }

    void helpAndAboutBoxes()
    {
        freshWorkDir();
        const QString oldVersion = QCoreApplication::applicationVersion();
        QCoreApplication::setApplicationVersion("1.0.11.0");
        MainWindow w;
        ModalCatcher catcher;
        w.showHelp();
        w.showAbout();
        QCoreApplication::setApplicationVersion(oldVersion);
        QCOMPARE(catcher.seen.size(), 2);

        QCOMPARE(catcher.seen[0].title, QString("Help"));
        const QString help = catcher.seen[0].text;
        QVERIFY2(QRegularExpression("^\n Please visit  <a href=\"[^\"]+\">[^<]+</a> website for help! \n$")
                     .match(help).hasMatch(),
                 qPrintable(help));

        QCOMPARE(catcher.seen[1].title, QString("About"));
        const QString about = catcher.seen[1].text;
        QVERIFY2(about.startsWith("Grivant User Interface \n\n Version : 1.0.11.0\n\n Website : "),
                 qPrintable(about));
        QVERIFY2(QRegularExpression("Website : \\S+ \n\n[^\n]+\n$").match(about).hasMatch(),
                 qPrintable(about));

        // Both boxes follow the language.
        QCoreApplication::setApplicationVersion("1.0.11.0");
        w.slot_language("zh_CN");
        w.showHelp();
        w.showAbout();
        QCoreApplication::setApplicationVersion(oldVersion);
        QCOMPARE(catcher.seen.size(), 5);
        QCOMPARE(catcher.seen[3].title, QString::fromUtf8("帮助"));
        QVERIFY(catcher.seen[3].text.contains(QString::fromUtf8("帮助")));
        QCOMPARE(catcher.seen[4].title, QString::fromUtf8("关于"));
        QVERIFY2(catcher.seen[4].text.startsWith(QString::fromUtf8("Grivant 用户界面 \n\n 版本 : 1.0.11.0\n\n")),
                 qPrintable(catcher.seen[4].text));
        QVERIFY(catcher.seen[4].text.endsWith(QString::fromUtf8("保留所有权利。\n")));
    }

    // Level tag, file (within the source tree, wherever that was built), "]$", 0, "$", line
    // and function, each item set off by a blank, then the quoted message.
    void languageLoaderWritesItsDiagnosticLine()
    {
        freshWorkDir();
        QList<QPair<QtMsgType, QString>> lines;
        {
            MessageCatcher catcher;
            MainWindow w;
            w.GripperConnected("COM3");
            lines = MessageCatcher::s_lines;
        }
        const QString dir = QCoreApplication::applicationDirPath();
        const QRegularExpression loader(
            "^\\[Debug\\]\\[ app/mainwindow\\.cpp \\]\\$ 0 \\$ \\[ \\d+ \\]\\[ changeLanguage \\]: \""
            + QRegularExpression::escape(dir) + "\"$");
        const QRegularExpression connected(
            "^\\[Debug\\]\\[ app/mainwindow\\.cpp \\]\\$ 0 \\$ \\[ \\d+ \\]\\[ GripperConnected \\]: \"COM3\"$");
        int loaderLines = 0, connectedLines = 0;
        for (const auto &line : lines) {
            if (line.second.contains("changeLanguage")) {
                QCOMPARE(line.first, QtDebugMsg);
                QVERIFY2(loader.match(line.second).hasMatch(), qPrintable(line.second));
                ++loaderLines;
            }
            if (line.second.contains("GripperConnected")) {
                QCOMPARE(line.first, QtDebugMsg);
                QVERIFY2(connected.match(line.second).hasMatch(), qPrintable(line.second));
                ++connectedLines;
            }
        }
        QCOMPARE(loaderLines, 1);
        QCOMPARE(connectedLines, 1);
    }

    void portOptions()
    {
        const QList<PortEntry> ports = parsePortOptions(
            {"/dev/pts/7", "/dev/pts/8=Simulated gripper", "", "=no path", "/dev/ttyUSB0=",
             "/dev/serial/by-id/usb-x=a=b", " /dev/pts/9 = spaced "});
        QCOMPARE(ports.size(), 5);
        QCOMPARE(ports[0].name, QString("/dev/pts/7"));
        QCOMPARE(ports[0].description, QString("Serial port"));
        QCOMPARE(ports[1].name, QString("/dev/pts/8"));
        QCOMPARE(ports[1].description, QString("Simulated gripper"));
        QCOMPARE(ports[2].name, QString("/dev/ttyUSB0"));
        QCOMPARE(ports[2].description, QString("Serial port"));
        QCOMPARE(ports[3].name, QString("/dev/serial/by-id/usb-x"));
        QCOMPARE(ports[3].description, QString("a=b"));
        QCOMPARE(ports[4].name, QString("/dev/pts/9"));
        QCOMPARE(ports[4].description, QString("spaced"));
        QVERIFY(parsePortOptions({}).isEmpty());
    }

    void grabViews()
    {
        const QString out = qEnvironmentVariable("GRIVANT_SHOTS");
        if (out.isEmpty())
            QSKIP("set GRIVANT_SHOTS to a folder to save pictures of the window");
        freshWorkDir();
        QFont font = QApplication::font();  // as the program sets it
        font.setPointSize(13);
        QApplication::setFont(font);
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.grab().save(out + "/narrow_en.png");
        w.form()->actionAdvanced->trigger();
        w.grab().save(out + "/wide_en.png");
        ModalCatcher catcher;
        w.slot_language("zh_CN");
        w.grab().save(out + "/wide_zh.png");
        for (int i = 1; i < 4; ++i) {
            w.form()->tab_User->setCurrentIndex(i);
            w.grab().save(QString("%1/tab%2_zh.png").arg(out).arg(i));
        }
        w.form()->tab_User->setCurrentIndex(2);
        w.form()->stackedWidget_io->setCurrentIndex(1);
        w.grab().save(out + "/io_module_zh.png");
        w.form()->tab_User->setCurrentIndex(0);
        w.form()->actionAdvanced->trigger();
        w.grab().save(out + "/narrow_zh.png");
        catcher.grabTo = out;
        w.showHelp();
        w.showAbout();
        QCOMPARE(catcher.seen.size(), 3);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
