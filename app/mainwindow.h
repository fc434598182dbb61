#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QList>
#include <QMap>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QVector>
#include <functional>

#include "lineview/linefeed.h"

QT_BEGIN_NAMESPACE
namespace Ui { class MainWindow; }
class QAction;
class QCloseEvent;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class QSignalMapper;
class QSlider;
class QSpinBox;
class QTableWidget;
class QTimer;
class QTranslator;
QT_END_NAMESPACE

class QCustomPlot;
class QProgressDialog;
class ParameterTransfer;
namespace ParameterBackup { struct Document; struct Plan; }
class VXRegisterDatabase;
class VEVirurodOzoviDatabase;
class PrivateCopies;
struct SessionData;
class ConnectionForm;
class VX_Ctl;
class SessionWriter;
class ReplayTimeline;
class LineWindow;
struct RegisterMap;
struct SessionIndexReply;
namespace ControlValues { struct LineCodes; }

// The main window: it owns the connection window, the polling thread, the databases,
// the register tables and the plots for the life of the process. Its members are defined
// in the file of the subsystem they belong to:
//   app/mainwindow.cpp        construction, destruction, language, help/about
//   app/mainwindow_screen.cpp size and place on the screen, the Registers view
//   engine/dispatch.cpp       RefreshRegisterValue
//   engine/identification.cpp getGripperInfo, GripperConnectstate
//   engine/writereport.cpp    notices of writes that ended without an answer
//   data/mainwindow_db.cpp    copyQrcFile, initRegistersDb (database half), initGripperModelDb
//   data/registertables.cpp   register tables, tablecelldoubleclick
//   panels/plots.cpp          live plots and grip state
//   panels/controlpages.cpp   control pages, their event filter, demonstration cycle
//   panels/parametertabs.cpp  parameter tabs
//   panels/factorytools.cpp   access levels, password dialog, factory tools, Set_UID
//   data/export.cpp           parameter export
//   panels/looptest.cpp       loop test
//   panels/backuprestore.cpp  parameter backup and restore (Tools menu)
//   lineview/mainwindow_line.cpp the Line view (View menu)
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Copies a file (a resource out of the executable) to disk by replacing the name, never
    // writing through it; the copy is left writable.
    bool copyQrcFile(const QString &from, const QString &to);

    // Test seams: what the window is made of.
    Ui::MainWindow *form() const { return ui; }
    ConnectionForm *connectionWindow() const { return m_connectionForm; }
    VX_Ctl *pollingThread() const { return m_vxCtl; }
    VXRegisterDatabase *registerDatabase() const { return m_registerDb; }
    VEVirurodOzoviDatabase *modelDatabase() const { return m_modelDb; }
    QString language() const { return m_language; }
    QString currentModelName() const { return m_currentModelName; }
    bool parametersLoaded() const { return m_parametersLoaded; }
    bool initialised() const { return m_initialised; }
    bool ioMode() const { return m_ioMode; }
    bool demoIsRunning() const { return demoRunning; }
    int demoStepIndex() const { return demoStep; }
    QTimer *demoTimer() const { return m_demoTimer; }
    QTimer *parameterReloadTimer() const { return m_reloadTimer; }
    const QMap<QTableWidget *, QString> &tableTitlesMap() const { return tableTitles; }
    const QMap<QTableWidget *, int> &tableAccessLevelsMap() const { return tableAccessLevels; }
    int tableGroup(QTableWidget *table) const { return m_tableGroups.value(table, -1); }

    // Test seams of the register tables, the reply dispatch and the plots: rebuild the
    // tables for a model name and language without a device, fix the line's baud rate,
    // watch what is queued on the polling thread, and drive the plots' time base.
    void rebuildRegisterTablesForTest(const QString &modelName, const QString &language);
    void setBaudRateForTest(quint32 baudRate) { m_baudRateForTest = baudRate; }
    void setPollingJobObserverForTest(std::function<void(int, quint16, quint16)> observer)
    { m_pollingJobObserver = std::move(observer); }
    void setRegisterWriteObserverForTest(std::function<void(int, quint16)> observer)
    { m_registerWriteObserver = std::move(observer); }
    void setMultipleWriteObserverForTest(std::function<void(int, const QVector<quint16> &)> observer)
    { m_multipleWriteObserver = std::move(observer); }
    void setPlotClockForTest(std::function<qint64()> clock) { m_plotClock = std::move(clock); }

signals:
    // Declared for compatibility; never emitted.
    void SendReadRequest(int address, quint16 number);
    void SendWriteRequest(int address, quint16 value);

public slots:
    void getGripperInfo(QByteArray info);
    void tablecelldoubleclick(int row, int column);
    void slot_advanced_ui(bool on);
    void slot_language(QString code);
    void slot_IOParam_Changed(QString text);
    void GripperConnected(QString param);
    void GripperConnectstate(int state);
    void RefreshRegisterValue(QByteArray data);
    void showHelp();
    void showAbout();

    // Control pages: move the device, jog a module, run the demonstration cycle.
    void on_pB_Activate_clicked();
    void on_pB_Position_Close_clicked();
    void on_pB_Position_Open_clicked();
    void on_pB_Force_Min_clicked();
    void on_pB_Force_Max_clicked();
    void on_pB_Speed_Min_clicked();
    void on_pB_Speed_Max_clicked();
    void on_pB_Force_Min_Rotating_clicked();
    void on_pB_Force_Max_Rotating_clicked();
    void on_pB_Speed_Min_Rotating_clicked();
    void on_pB_Speed_Max_Rotating_clicked();
    void on_lE_Position_editingFinished();
    void on_lE_Force_editingFinished();
    void on_lE_Speed_editingFinished();
    void on_lE_Force_Rotating_editingFinished();
    void on_lE_Speed_Rotating_editingFinished();
    void on_lE_Rotation_Rotating_editingFinished();
    void on_lE_Position_module_editingFinished();
    void on_lE_Speed_module_editingFinished();
    void on_lE_AccDec_module_editingFinished();
    void on_lE_PushForce_module_editingFinished();
    void on_lE_PushBand_module_editingFinished();
    void on_pB_pagechange_Gripper_clicked();
    void on_pB_pagechange_Rotating_clicked();
    void on_rB_Demo_toggled(bool checked);
    void looptest();

    // Parameter tabs: communication, I/O and other parameters, saved in the device.
    void on_pB_Commu_Apply_clicked();
    void on_pB_Commu_Default_clicked();
    void on_pB_Other_Apply_clicked();
    void on_cB_IOMode_currentIndexChanged(int index);
    void on_pb_IO_Apply_clicked();
    void on_pB_IO_Test1_clicked();
    void on_pB_IO_Test2_clicked();
    void on_pB_IO_Test3_clicked();
    void on_pB_IO_Test4_clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Language loader: replaces the process-wide translator and retranslates the form.
    void changeLanguage(const QString &code);
    void initRegistersDb();
    void buildRegisterTables();
    void initGripperModelDb();
    void initPanels();
    void initPlots();
    void addPlotSample(QCustomPlot *plot, double value);
    void updatePlotAxes(bool newRange);
    bool m_moduleCurve = false; // the position curve shows a linear module's millimetres
    void showGripState(int state);
    void updateControlEnableState();

    // Control pages. A set-point is a slider holding the register value and an edit showing
    // it `scale` times coarser.
    struct SetPoint {
        QSlider *slider;
        QLineEdit *edit;
        int scale;
        int address;
    };
    void initControlPages();
    const SetPoint *setPointOf(const QObject *widget) const;
    void showSetPoint(const SetPoint &point);
    void writeSetPoint(const SetPoint &point);
    void applySetPointEdit(QLineEdit *edit);
    void moveSetPoint(QSlider *slider, bool toMaximum);
    void stopJog();
    bool operatorEdited(QLineEdit *edit);
    QVector<SetPoint> m_setPoints;
    QLineEdit *m_returnPressedOn = nullptr; // the edit whose Return ends the current edit
    bool demoRunning = false;
    int demoStep = 0;          // next row of the cycle, kept across runs
    QTimer *m_demoTimer = nullptr;
    int m_jogDirection = 0;    // +1 forward, -1 backward while a jog button is held

    // Parameter tabs.
    void initParameterTabs();
    void saveParameters(QLabel *notice);
    void adviseLineChange(const ControlValues::LineCodes &codes);
    bool refuseUnknownCodes(QLabel *notice, const QList<QPair<QComboBox *, QString>> &combos);
    bool refuseUnchosenNumbers(QLabel *notice, const QList<QPair<QSpinBox *, QString>> &boxes);
    QList<QSpinBox *> deviceNumberBoxes() const;
    QString m_reconnectHint; // the status bar's advice after new line settings were saved
    QTimer *m_reloadTimer = nullptr;

    Ui::MainWindow *ui = nullptr;
    VXRegisterDatabase *m_registerDb = nullptr;
    VEVirurodOzoviDatabase *m_modelDb = nullptr;
    QString m_language;
    ConnectionForm *m_connectionForm = nullptr;
    VX_Ctl *m_vxCtl = nullptr;
    QElapsedTimer *m_connectionTimer = nullptr;
    QString m_currentModelName;
    QString m_uniqueId;
    QString m_softwareVersion;
    QString m_hardwareVersion;
    bool m_parametersLoaded = false;
    QMap<QTableWidget *, QString> tableTitles;
    QMap<QTableWidget *, int> tableAccessLevels;
    QMap<QTableWidget *, int> m_tableGroups;  // table -> group number (high address byte)
    QSignalMapper *m_ioMapper = nullptr;
    bool m_initialised = false;
    bool m_ioMode = false;

    // What the device reports is shown, never written back: while a reply, an identification
    // or a (dis)connection fills the widgets, the handlers of their change signals write
    // nothing. Only an operator's change reaches the device.
    class ShowingDeviceValues
    {
    public:
        explicit ShowingDeviceValues(MainWindow *window) : m_window(window) { ++m_window->m_showingDevice; }
        ~ShowingDeviceValues() { --m_window->m_showingDevice; }
        ShowingDeviceValues(const ShowingDeviceValues &) = delete;
        ShowingDeviceValues &operator=(const ShowingDeviceValues &) = delete;

    private:
        MainWindow *m_window;
    };
    int m_showingDevice = 0;

    // Sample clocks of the live plots (seconds since the first sample; last timer reading).
    float m_positionSampleClock = 0.0f;
    qint64 m_positionSampleLastMs = -1;
    float m_currentSampleClock = 0.0f;
    qint64 m_currentSampleLastMs = -1;

    static QTranslator *s_translator;
    QAction *m_trafficAction = nullptr;  // View menu: the connection window's traffic monitor
    QLabel *m_ownershipLabel = nullptr;  // the status bar's permanent copyright line
    static QString ownershipText();
    // The tip of a spin box that shows a device's number beyond its range.
    static QString outOfRangeTip();

    // Register tables, reply dispatch and plots.
    void queueRegisterWrite(int address, quint16 value);
    void queueRegistersWrite(int address, const QVector<quint16> &values);
    quint32 gripperBaudRate() const;
    qint64 plotClockMs();
    std::function<void(int, quint16, quint16)> m_pollingJobObserver;
    std::function<void(int, quint16)> m_registerWriteObserver;
    std::function<void(int, const QVector<quint16> &)> m_multipleWriteObserver;
    std::function<qint64()> m_plotClock;
    QElapsedTimer m_plotFallbackTimer;
    quint32 m_baudRateForTest = 0;

    // Access levels, factory tools, parameter export, loop test.
public:
    // Test seams: the password dialog and the message boxes of the factory tools answered
    // by the test (the box's icon as a QMessageBox::Icon, the answer as a
    // QMessageBox::StandardButton), and the click-reset and dwell timers to drive.
    void setPasswordPromptForTest(std::function<QString(bool *accepted)> prompt)
    { m_passwordPrompt = std::move(prompt); }
    void setMessageBoxForTest(std::function<int(int icon, const QString &title, const QString &text)> box)
    { m_messageBox = std::move(box); }
    QTimer *hideClickTimerForTest() const { return m_hideClickTimer; }
    QTimer *loopTimerForTest() const { return m_loopTimer; }
    int hideClickCountForTest() const { return hideClickCount; }
    bool loopTestRunningForTest() const { return loopTestRunning; }

private slots:
    void on_pB_hide_clicked();
    void on_cB_UserLevel_currentIndexChanged(int index);
    void on_pB_T_ParaA_clicked();
    void on_pB_T_ParaB_clicked();
    void on_pB_T_ParaC_clicked();
    void on_pB_T_ParaD_clicked();
    void on_pB_T_Upgrade_clicked();
    void on_pB_T_SaveBackup_clicked();
    void on_pB_T_RestoreBackup_clicked();
    void on_pB_T_ZeroAngle_clicked();
    void on_pB_T_SetUID_clicked();
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pB_Emergency_Close_clicked();
    void on_pB_Emergency_Open_clicked();
    void on_pB_T_ExportPara_clicked();
    void on_pB_T_P1_clicked();
    void on_pB_T_P2_clicked();
    void on_pB_T_F1_clicked();
    void on_pB_T_F2_clicked();
    void on_pB_T_loop_clicked();
    void slot_testloop();

private:
    void initFactoryTools();
    void initLoopTest();
    void showHeldBackTables(int accessLevel);
    void writeAccessLevel(int level);
    void loopTestStep();
    QString askPassword(bool *accepted);
    int askOperator(int icon, const QString &title, const QString &text);
    int hideClickCount = 0;
    bool loopTestRunning = false;
    bool loopPhase = true; // the next loop step goes to the first position
    QTimer *m_hideClickTimer = nullptr;
    QTimer *m_loopTimer = nullptr;
    std::function<QString(bool *)> m_passwordPrompt;
    std::function<int(int, const QString &, const QString &)> m_messageBox;

    // ---- Parameter backup and restore: the Tools menu (panels/backuprestore.cpp) ----
public slots:
    void on_actionBackupParameters_triggered();
    void on_actionRestoreParameters_triggered();

public:
    // What choosing a file in the menu's file dialogs does.
    void backUpParametersTo(const QString &path);
    void restoreParametersFrom(const QString &path);
    ParameterTransfer *parameterTransfer() const { return m_parameterTransfer; }

private:
    void initBackupRestore();
    bool parameterToolsReady(const QString &title);
    QMap<int, int> storedGroupCounts() const;
    void showParameterMessage(int icon, const QString &title, const QString &text);
    void showParameterProgress(const QString &label, int maximum);
    void closeParameterProgress();
    void showRestoreSummary(const QString &path, const ParameterBackup::Document &doc,
                            const ParameterBackup::Plan &plan, const QMap<int, QVector<quint16>> &current);
    // The plan belongs to the device it was made for (its identification block).
    void startRestore(const ParameterBackup::Plan &plan, const QByteArray &madeFor, const QString &modelName);
    void closeRestoreSummary();
    ParameterTransfer *m_parameterTransfer = nullptr;
    QPointer<QProgressDialog> m_parameterProgress;
    QPointer<QDialog> m_restoreSummary;

    // Writes that ended without an answer: process log and status bar (engine/writereport.cpp).
    void initWriteReports();
    void showWriteReport(const QString &line, const QString &notice);

    // ---- The Line view (lineview/mainwindow_line.cpp) ----
public:
    // Opens the Line view; with an address, connected to that broker ("host[:port]").
    void showLineView(const QString &address);
    LineWindow *lineWindow();

private:
    void initLineView();
    void retranslateLineView();
    LineWindow *m_lineWindow = nullptr;
    QAction *m_lineAction = nullptr;
    QAction *m_connectionLineAction = nullptr;

    // ---- A device of a gateway's bus (link/mainwindow_gateway.cpp) ----
public:
    // Leases device `id` of bus `bus` on gateway `gateway` through the broker `broker` and
    // connects the window to it, as "Through a gateway…" does once a device is chosen.
    // False, with the reason, when the names make no address.
    bool connectToGatewayDevice(const LineBroker &broker, const QString &gateway, const QString &bus, int id,
                                QString *why = nullptr);

private:
    // "Through a gateway…": the broker and the device, chosen in a dialog.
    void chooseGatewayDevice();
    // The Line view's "Diagnose": the device leased over the Line view's broker, once the
    // operator agreed to leave the device the window shows.
    void diagnoseFromLine(const LineBroker &broker, const QString &gateway, const QString &bus, int id);
    LineBroker m_gatewayBroker; // the last one used, with its login for this run

    // ---- Shipped databases (data/mainwindow_db.cpp) ----
    // The file to open for a shipped database: the copy just written to the working
    // directory, else the program's own copy in a private folder (with a diagnostic line
    // from `function`); empty when neither could be written.
    QString shippedDatabaseFile(const QString &name, const char *function);
    PrivateCopies *m_privateCopies = nullptr;

    // ---- Sessions: recording (engine/sessionrecording.cpp) and replay (engine/sessionreplay.cpp) ----
public:
    // Records from now into a new file; false with the reason when it cannot be made. A
    // file at the path is replaced only when `replace` says so (the operator confirmed).
    bool startRecording(const QString &path, QString *error, bool replace = false);
    void stopRecording();
    // --record: starts recording into the file once a device is identified.
    void recordAtConnection(const QString &path) { m_recordAtConnection = path; }
    SessionWriter *sessionWriter() const { return m_sessionWriter; }
    QString recordingIndicatorText(bool withSize = true) const;
    // Opens a recorded session in this window, without a port; false with the reason.
    bool openSession(const QString &path, QString *error);
    void closeSession();
    bool isReplaying() const { return m_replay != nullptr; }
    // Where the replay stands (microseconds of the session, -1 when none), its timeline
    // and what it told the operator about the file.
    qint64 replayPosition() const;
    ReplayTimeline *replayTimeline() const;
    QStringList replayRemarks() const;
    void replaySeek(qint64 us);

public slots:
    void recordSessionChosen();
    void openSessionChosen();

private:
    void initSessionRecording();
    void recordSessionEvent(const char *kind, const QString &text = QString(), int address = -1,
                            const QString &data = QString(), int tries = -1);
    void updateRecordingIndicator();
    void finishRecordingAtExit();
    void retranslateSessionMenu();
    struct Replay;
    bool readSessionAside(const QString &path, SessionData *data, QString *error);
    void initSessionReplay();
    void retranslateSessionReplay();
    void setReplayLocks(bool on);
    void replayTick();
    void replayShowAt(qint64 us);
    void replayAdvance(qint64 fromUs, qint64 toUs);
    void replayDispatch(const SessionIndexReply &reply);
    // The register map the tables and the dispatch use: a replayed session of a model
    // this build does not know brings its own.
    const RegisterMap *activeRegisterMap();
    bool replayUsesOwnMap() const;
    QString replayModelName(const QString &knownName) const;
    SessionWriter *m_sessionWriter = nullptr;
    QString m_recordAtConnection;
    QByteArray m_lastIdentBlock;
    bool m_recordedDisconnection = false;
    QLabel *m_recordLabel = nullptr;
    QTimer *m_recordTimer = nullptr;
    QAction *m_recordAction = nullptr;
    QAction *m_stopRecordAction = nullptr;
    QAction *m_openSessionAction = nullptr;
    QMenu *m_connectionSessionMenu = nullptr;
    QAction *m_connectionOpenAction = nullptr;
    Replay *m_replay = nullptr;

    // Closing with writes queued sends them first, for a bounded time, and names what is left.
    void finishClosing();
    void nameUnsentWrites();
    QTimer *m_closeDrainTimer = nullptr;
    bool m_closing = false;
    bool m_unsentNamed = false;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Size and place on the screen (app/mainwindow_screen.cpp).
public:
    QScrollArea *contentScrollArea() const { return m_contentScroll; }

private:
    void initScreenFit();
    QSize contentSize(bool wide) const;
    QScrollArea *m_contentScroll = nullptr;
    int m_contentHeight = 0;
    bool m_wideContent = false;
};
