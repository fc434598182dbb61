#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <QVector>
#include <functional>

QT_BEGIN_NAMESPACE
namespace Ui { class MainWindow; }
class QSignalMapper;
class QTableWidget;
class QTranslator;
QT_END_NAMESPACE

class QCustomPlot;
class VXRegisterDatabase;
class VEVirurodOzoviDatabase;
class ConnectionForm;
class VX_Ctl;

// The main window: it owns the connection window, the polling thread, the databases,
// the register tables and the plots for the life of the process. Its members are defined
// in the file of the subsystem they belong to:
//   app/mainwindow.cpp        construction, destruction, language, view, help/about
//   engine/dispatch.cpp       RefreshRegisterValue
//   engine/identification.cpp getGripperInfo, GripperConnectstate
//   engine/writereport.cpp    notices of writes that ended without an answer
//   data/mainwindow_db.cpp    copyQrcFile, initRegistersDb (database half), initGripperModelDb
//   data/registertables.cpp   register tables, tablecelldoubleclick
//   panels/plots.cpp          live plots and grip state
//   panels/parametertabs.cpp  parameter tabs
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Copies a file (a resource out of the executable) to disk; the copy is left writable.
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

private:
    // Language loader: replaces the process-wide translator and retranslates the form.
    void changeLanguage(const QString &code);
    void initRegistersDb();
    void buildRegisterTables();
    void initGripperModelDb();
    void initPanels();
    void initPlots();
    void addPlotSample(QCustomPlot *plot, double value);
    void showGripState(int state);
    void updateControlEnableState();

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

    // Sample clocks of the live plots (seconds since the first sample; last timer reading).
    float m_positionSampleClock = 0.0f;
    qint64 m_positionSampleLastMs = -1;
    float m_currentSampleClock = 0.0f;
    qint64 m_currentSampleLastMs = -1;

    static QTranslator *s_translator;

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

    // Writes that ended without an answer: process log and status bar (engine/writereport.cpp).
    void initWriteReports();
    void showWriteReport(const QString &line, const QString &notice);
};
