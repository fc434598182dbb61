#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/diag.h"
#include "app/flatui.h"
#include "app/installpaths.h"
#include "app/languagesetting.h"
#include "app/translation.h"
#include "engine/sessionfile.h"
#include "engine/actionregisters.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "panels/devicechoice.h"
#include "panels/devicenumber.h"
#include "panels/parameterwidgets.h"
#include "panels/replaytimeline.h"
#include "lineview/linewindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QSignalMapper>
#include <QSpinBox>
#include <QTranslator>

QTranslator *MainWindow::s_translator = nullptr;

namespace {
const char *const kIniFile = "./ZODidovava.ini";
// The network ports the operator added to the connection window's list.
const char *const kNetworkPortsKey = "/networkPorts";
const char *const kWebsite = "https://www.grivant.example/";
// The window's own title: the form's placeholder title must not come back with a
// retranslation.
const char *const kTitle = "Grivant";
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);

    qRegisterMetaType<QVector<quint16>>("QVector<quint16>");

    QString iniProblem;
    m_language = LanguageSetting::read(kIniFile, &iniProblem);
    if (!iniProblem.isEmpty())
        GV_WARNING("MainWindow") << QStringLiteral("%1 not read: %2").arg(kIniFile, iniProblem);
    changeLanguage(m_language);

    connect(ui->actionChinese, &QAction::triggered, this, [this] { slot_language("zh_CN"); });
    connect(ui->actionEnglish, &QAction::triggered, this, [this] { slot_language("en_US"); });
    connect(ui->actionAdvanced, &QAction::triggered, this,
            [this] { slot_advanced_ui(ui->actionAdvanced->isChecked()); });
    connect(ui->actionHelptopic, &QAction::triggered, this, &MainWindow::showHelp);
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::showAbout);

    m_connectionTimer = new QElapsedTimer;

    m_vxCtl = new VX_Ctl(this);
    m_connectionForm = new ConnectionForm(nullptr, m_language);
    // The main window becomes a dialog-type window beside the connection window, which is
    // the first thing the operator sees. Set before the panels get their style sheets:
    // changing the flags reparents the window, and a styled tree then polishes every one
    // of its widgets again, a third of the start-up.
    setWindowFlags(m_connectionForm->windowFlags() | Qt::Dialog);
    m_connectionForm->setNetworkPorts(
        LanguageSetting::readValue(kIniFile, kNetworkPortsKey, &iniProblem).toStringList());
    connect(m_connectionForm, &ConnectionForm::gatewayDeviceWanted, this, &MainWindow::chooseGatewayDevice);
    connect(m_connectionForm, &ConnectionForm::networkPortsChanged, this, [](const QStringList &addresses) {
        QString problem;
        if (!LanguageSetting::writeValues(kIniFile, {{QLatin1String(kNetworkPortsKey), addresses}}, &problem))
            GV_WARNING("networkPortsChanged") << QStringLiteral("%1 not written: %2").arg(kIniFile, problem);
    });

    // The window decodes a reply before the polling thread is released for the next one.
    connect(m_vxCtl, SIGNAL(SendReadRequest(int,quint16)), m_connectionForm,
            SLOT(Read_Register(int,quint16)));
    connect(m_vxCtl, SIGNAL(SendWriteRequest(int,QVector<quint16>)), m_connectionForm,
            SLOT(Write_MutipRegister(int,QVector<quint16>)));
    connect(m_connectionForm, SIGNAL(SendConnectiomState(int)), this, SLOT(GripperConnectstate(int)));
    connect(m_connectionForm, SIGNAL(SendGripperInfo(QByteArray)), this, SLOT(getGripperInfo(QByteArray)));
    connect(m_connectionForm, SIGNAL(SendReceviedData(QByteArray)), this,
            SLOT(RefreshRegisterValue(QByteArray)));
    connect(m_connectionForm, SIGNAL(SendReceviedData(QByteArray)), m_vxCtl,
            SLOT(ReceviedData(QByteArray)));
    // A write's failure that was the device's refusal, told just before the failure itself.
    connect(m_connectionForm, &ConnectionForm::SendWriteRefused, m_vxCtl, &VX_Ctl::WriteRefusedByDevice);

    connect(ui->actionDisconnect, SIGNAL(triggered()), m_connectionForm, SLOT(ComPort_Disconnect()));
    initWriteReports();

    m_trafficAction = new QAction(tr("Traffic monitor"), this);
    m_trafficAction->setObjectName(QStringLiteral("actionTrafficMonitor"));
    ui->menuView->addAction(m_trafficAction);
    connect(m_trafficAction, &QAction::triggered, m_connectionForm, &ConnectionForm::showTrafficMonitor);
    initSessionRecording();
    initSessionReplay();
    initLineView();

    m_ioMapper = new QSignalMapper(this);
    // Each gripper I/O value is named by its register's offset in the I/O group, 5 to 16.
    const auto ioSpinBoxes = ParameterWidgets::gripperIoBoxes(ui);
    for (QSpinBox *box : ioSpinBoxes) {
        box->installEventFilter(this);
        // A typed value is written once it is complete (Return, or leaving the box), not
        // digit by digit; the arrows still write at once.
        box->setKeyboardTracking(false);
    }
    for (QSpinBox *box : ioSpinBoxes)
        connect(box, SIGNAL(valueChanged(int)), m_ioMapper, SLOT(map()));
    for (size_t i = 0; i < ioSpinBoxes.size(); ++i)
        m_ioMapper->setMapping(ioSpinBoxes[i], QString::number(int(i) + 5));
    connect(m_ioMapper, SIGNAL(mapped(const QString)), this, SLOT(slot_IOParam_Changed(const QString)));

    initPanels();

    initGripperModelDb();
    initBackupRestore();

    slot_advanced_ui(false);

    ui->tab_User->removeTab(ui->tab_User->indexOf(ui->tab_test));
    ui->tab_User->removeTab(ui->tab_User->indexOf(ui->tab_temp));
    ui->tab_User->removeTab(ui->tab_User->indexOf(ui->tab_demo));
    ui->pB_Emergency_Open->hide();
    ui->pB_Emergency_Close->hide();

    // The connected state shows this window.
    m_connectionForm->show();
}

MainWindow::~MainWindow()
{
    // Ended without the window's close (the event loop told to end): what is still queued
    // is at least named.
    if (m_vxCtl && !m_unsentNamed && m_vxCtl->isRunning()) {
        for (const VX_Ctl::WriteRequest &write : m_vxCtl->queuedWrites())
            GV_WARNING("~MainWindow") << WriteReport::unsentAtExitLine(write.address, write.values);
    }
    if (m_vxCtl) {
        if (m_vxCtl->isRunning())
            m_vxCtl->SetStop();
        m_vxCtl->quit();
        m_vxCtl->wait();
    }
    finishRecordingAtExit();
    closeSession();
    delete m_lineWindow;
    m_lineWindow = nullptr;
    // Released at once rather than from the event loop, which has already ended when the
    // window on main's stack goes: the connection window then stops its scanner thread and
    // closes the port itself.
    delete m_connectionForm;
    m_connectionForm = nullptr;
    delete ui;
    ui = nullptr;
    delete m_connectionTimer;
    m_connectionTimer = nullptr;
    // The translator is a child of this window; forget it before the base class deletes it,
    // so that a window built later does not remove or delete a dangling translator.
    if (s_translator && s_translator->parent() == this) {
        delete s_translator;
        s_translator = nullptr;
    }
}

void MainWindow::changeLanguage(const QString &code)
{
    if (s_translator) {
        QCoreApplication::removeTranslator(s_translator);
        delete s_translator;
        s_translator = nullptr;
    }
    auto *translator = new CheckedTranslator(this);
    s_translator = translator;

    GV_DEBUG("changeLanguage") << QCoreApplication::applicationDirPath();

    const QString name = code == QLatin1String("zh_CN") ? QStringLiteral("zh_CN.qm")
                                                        : QStringLiteral("en_US.qm");
    // The program's own translation first, then the installed one: the working directory,
    // which may be a shared or downloaded folder, has a say only for a build that carries
    // none. Every file is checked before Qt reads it; a damaged one is passed over.
    QStringList refused;
    const QString loaded = translator->loadFirst(
        {Translation::builtIn(name), InstallPaths::translation(name), QLatin1String("./translations/") + name},
        &refused);
    if (!loaded.isEmpty())
        QCoreApplication::installTranslator(translator);
    else
        GV_WARNING("changeLanguage") << QStringLiteral("no translation loaded:") << refused.join(QLatin1String("; "));
    Translation::applyQtTranslation(code);

    ui->retranslateUi(this);
    setWindowTitle(QString::fromLatin1(kTitle));
    if (m_trafficAction)
        m_trafficAction->setText(tr("Traffic monitor"));
    retranslateSessionMenu();
    retranslateSessionReplay();
    retranslateLineView();
    if (m_ownershipLabel)
        m_ownershipLabel->setText(ownershipText());
    updatePlotAxes(false);
    for (QComboBox *combo : {ui->cB_Init_Direction, ui->cB_Baudrate, ui->cB_StopBits, ui->cB_Parity, ui->cB_IOMode})
        DeviceChoice::retranslate(combo, tr("%1 (unknown)").arg(DeviceChoice::unknownCode(combo)));
    for (QSpinBox *box : deviceNumberBoxes())
        DeviceNumber::retranslate(box, outOfRangeTip());
}

QString MainWindow::ownershipText()
{
    return tr("Copyright (c) Grivant developers. All rights reserved.");
}

void MainWindow::slot_language(QString code)
{
    if (code != QLatin1String("zh_CN") && code != QLatin1String("en_US"))
        return;
    if (code == m_language)
        return;

    m_language = code;
    // A file that cannot be stored to keeps the choice for this run only.
    QString iniProblem;
    if (!LanguageSetting::write(kIniFile, code, &iniProblem))
        GV_WARNING("slot_language") << QStringLiteral("%1 not written: %2").arg(kIniFile, iniProblem);

    changeLanguage(code);
    // The connection window follows at once, so that no window mixes two languages (its
    // session menu already follows the main window's translator); what it has logged
    // stays in the language it was written in.
    if (m_connectionForm)
        m_connectionForm->changeLanguage(code);
    recordSessionEvent(SessionFormat::Language, code);
    m_currentModelName.clear();

    if (code == QLatin1String("zh_CN"))
        QMessageBox::information(this, QString::fromUtf8("注意"),
                                 QString::fromUtf8("重启该软件以完整切换语言"), QMessageBox::Ok);
    else
        QMessageBox::information(this, "Notice", "Restart this software to change language",
                                 QMessageBox::Ok);
}

void MainWindow::showHelp()
{
    const QString text = tr("\n Please visit  <a href=\"https://www.grivant.example/\">Grivant</a>"
                            " website for help! \n");
    QMessageBox::information(this, tr("Help"), text);
}

void MainWindow::showAbout()
{
    const QString text = tr("Grivant User Interface \n\n Version : %1\n\n Website : ")
                             .arg(QCoreApplication::applicationVersion())
                         + kWebsite + " \n\n" + ownershipText() + "\n";
    QMessageBox::about(this, tr("About"), text);
}

void MainWindow::GripperConnected(QString param)
{
    GV_DEBUG("GripperConnected") << param;
}

void MainWindow::initPanels()
{
    m_ownershipLabel = new QLabel(ownershipText(), this);
    ui->statusBar->addPermanentWidget(m_ownershipLabel);
    // A notice takes the whole status bar: the copyright line gives way while one is shown,
    // so that the notice's end, often its reason, is not cut off by it; one longer than the
    // bar is there in full as its tooltip. (A replay shows its own notices.)
    connect(ui->statusBar, &QStatusBar::messageChanged, m_ownershipLabel, [this](const QString &message) {
        if (isReplaying())
            return;
        m_ownershipLabel->setVisible(message.isEmpty());
        const bool fits = ui->statusBar->fontMetrics().horizontalAdvance(message) < ui->statusBar->width() - 16;
        ui->statusBar->setToolTip(fits ? QString() : message);
    });

    initScreenFit();

    setStyleSheet("*{outline:0px;}QWidget#MainWindow{background:#FFFFFF;}");
    ui->actionDisconnect->setEnabled(false);

    FlatUI *flat = FlatUI::instance();
    const auto flatButton = [flat](QPushButton *button) {
        flat->setPushButtonQss(button, 5, 8, "#3db9ec", "#FFFFFF", "#4E6D8C", "#F0F0F0", "#2D3E50",
                               "#B8C6D1");
    };
    for (QPushButton *button :
         {ui->pB_Activate, ui->pB_Position_Close, ui->pB_Position_Open, ui->pB_Force_Max,
          ui->pB_Force_Min, ui->pB_Speed_Max, ui->pB_Speed_Min, ui->pB_Force_Max_Rotating,
          ui->pB_Force_Min_Rotating, ui->pB_Speed_Max_Rotating, ui->pB_Speed_Min_Rotating,
          ui->pB_pagechange_Gripper, ui->pB_pagechange_Rotating, ui->pB_T_ZeroAngle,
          ui->pB_Position_Forward, ui->pB_Position_Backward})
        flatButton(button);

    initControlPages();
    initParameterTabs();

    initPlots();

    flat->setRadioButtonQss(ui->rB_S_Moving, 10, "#D7DBDE", "#34495E");
    flat->setRadioButtonQss(ui->rB_S_Arrived, 10, "#D7DBDE", "#34495E");
    flat->setRadioButtonQss(ui->rB_S_Caught, 10, "#D7DBDE", "#1ABC9C");
    flat->setRadioButtonQss(ui->rB_S_Dropped, 10, "#D7DBDE", "#FF0000");

    for (QPushButton *button :
         {ui->pB_IO_Test1, ui->pB_IO_Test2, ui->pB_IO_Test3, ui->pB_IO_Test4, ui->pb_IO_Apply,
          ui->pB_Commu_Default, ui->pB_Commu_Apply, ui->pB_Other_Apply})
        flatButton(button);

    initFactoryTools();
    initLoopTest();
}
