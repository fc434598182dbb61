#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/diag.h"
#include "app/flatui.h"
#include "app/installpaths.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "panels/parameterwidgets.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QSignalMapper>
#include <QSpinBox>
#include <QTranslator>

QTranslator *MainWindow::s_translator = nullptr;

namespace {
const char *const kIniFile = "./ZODidovava.ini";
const char *const kLanguageKey = "/language";
const char *const kWebsite = "https://www.grivant.example/";
const char *const kOwnership = "Copyright (c) Grivant developers. All rights reserved.";
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);

    qRegisterMetaType<QVector<quint16>>("QVector<quint16>");

    QSettings *settings = new QSettings(kIniFile, QSettings::IniFormat, this);
    m_language = settings->value(kLanguageKey, QVariant()).toString();
    changeLanguage(m_language);
    delete settings;

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

    connect(ui->actionDisconnect, SIGNAL(triggered()), m_connectionForm, SLOT(ComPort_Disconnect()));
    initWriteReports();

    m_trafficAction = new QAction(tr("Traffic monitor"), this);
    m_trafficAction->setObjectName(QStringLiteral("actionTrafficMonitor"));
    ui->menuView->addAction(m_trafficAction);
    connect(m_trafficAction, &QAction::triggered, m_connectionForm, &ConnectionForm::showTrafficMonitor);

    m_ioMapper = new QSignalMapper(this);
    // Each gripper I/O value is named by its register's offset in the I/O group, 5 to 16.
    const auto ioSpinBoxes = ParameterWidgets::gripperIoBoxes(ui);
    for (QSpinBox *box : ioSpinBoxes)
        box->installEventFilter(this);
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
    if (m_vxCtl) {
        if (m_vxCtl->isRunning())
            m_vxCtl->SetStop();
        m_vxCtl->quit();
        m_vxCtl->wait();
    }
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
    s_translator = new QTranslator(this);

    GV_DEBUG("changeLanguage") << QCoreApplication::applicationDirPath();

    const QString name = code == QLatin1String("zh_CN") ? QStringLiteral("zh_CN.qm")
                                                        : QStringLiteral("en_US.qm");
    // Empty (not null) delimiters and suffix: only this very file is tried, never a
    // shortened name such as "./translations/zh.qm" or one with ".qm" appended again.
    // The working directory's copy comes first; an installed program has its own.
    const QString none = QLatin1String("");
    if (s_translator->load(QLatin1String("./translations/") + name, none, none, none)
        || s_translator->load(InstallPaths::translation(name), none, none, none))
        QCoreApplication::installTranslator(s_translator);

    ui->retranslateUi(this);
    if (m_trafficAction)
        m_trafficAction->setText(tr("Traffic monitor"));
}

void MainWindow::slot_language(QString code)
{
    if (code != QLatin1String("zh_CN") && code != QLatin1String("en_US"))
        return;
    if (code == m_language)
        return;

    m_language = code;
    QSettings *settings = new QSettings(kIniFile, QSettings::IniFormat, this);
    settings->setValue(kLanguageKey, code);
    delete settings;

    changeLanguage(code);
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
    const QString text = QString("Grivant User Interface \n\n Version : %1\n\n Website : ")
                             .arg(QCoreApplication::applicationVersion())
                         + kWebsite + " \n\n" + kOwnership + "\n";
    QMessageBox::about(this, tr("About"), text);
}

void MainWindow::GripperConnected(QString param)
{
    GV_DEBUG("GripperConnected") << param;
}

void MainWindow::initPanels()
{
    QLabel *ownership = new QLabel(kOwnership, this);
    ui->statusBar->addPermanentWidget(ownership);

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
