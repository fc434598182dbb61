#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QMap>
#include <QStringList>
#include <QVector>
#include <cstdint>

#include "gateway/mqttclient.h"
#include "link/adaptersession.h"
#include "link/portaccess.h"
#include "link/processlog.h"

#include <QSet>

class QAction;
class QLabel;
class QListWidgetItem;
class QMenu;
class QModbusReply;
class QModbusRtuSerialMaster;
class QThread;
class QTimer;
class QTranslator;
class Connectionfunc;
class TrafficMonitor;
class TrafficTap;
class NetworkLink;

namespace Ui {
class ConnectionForm;
}

// Serial settings and slave address of one found device, as the device list shows them.
struct DeviceEntry
{
    int slaveId = 1;
    QString port;
    int baudRate = 115200;
    int parity = 0;
    int stopBits = 1;
};

// Widget-free pieces of the link and the connection window.
namespace LinkText {
// Reply of a holding-register read: address hi, lo, count, then each value hi, lo. A value
// index beyond the values the unit holds goes out as two zero bytes.
QByteArray readReplyBytes(int startAddress, int valueCount, const QVector<quint16> &values);
QString connectLogLine(bool ok, const QString &port, int baudRate, int parity, int stopBits,
                       int slaveId);
// Port names in the order a search over all ports probes them: "USB Serial Port" first,
// then "USB-SERIAL CH340", then the rest, each group in plain string order.
QStringList autoConnectOrder(const QMap<QString, QString> &portsByName);
QString deviceEntryText(const DeviceEntry &entry);
// An entry as the device list shows it: "ID 5 · COM3 · 9600 8E1".
QString deviceEntryShown(const DeviceEntry &entry);
bool parseDeviceEntry(const QString &text, DeviceEntry *entry);
// Identification block of the offline model mode: the code (hex text, low 16 bits, 0 when it
// is not a number) high byte first, then ten zero bytes.
QByteArray offlineBlock(const QString &codeText);
} // namespace LinkText

// The connection window and the Modbus-RTU link: it lists the serial ports, searches them for
// devices with the scanner in a thread of its own, and carries every register read and write
// of the running program. A network port (a device server, a Modbus TCP device) is listed
// beside them and reached through a link of its own (connectionform_network.cpp); nothing
// beyond this window knows which of the two carries the traffic.
class ConnectionForm : public QMainWindow
{
    Q_OBJECT

public:
    ConnectionForm(QWidget *parent, QString language_label);
    ~ConnectionForm() override;

    Ui::ConnectionForm *form() const { return ui; }
    // Puts a menu into the menu bar before Help, which stays last as in every window.
    void addMenuBeforeHelp(QMenu *menu);
    Connectionfunc *scanner() const { return m_scanner; }
    QThread *scannerThread() const { return m_scannerThread; }
    QModbusRtuSerialMaster *modbusMaster() const { return m_master; }
    QTimer *portTimer() const { return m_portTimer; }
    // Where the link and the scanner report their frames, and the window that shows them
    // (null until it is first opened).
    TrafficTap *trafficTap() const { return m_traffic; }
    TrafficMonitor *trafficMonitor() const { return m_trafficMonitor; }

    void setLinkParameters(const QString &port, int baudRate, quint8 parity, quint8 stopBits,
                           quint8 slaveId);
    QString linkPort() const { return m_portName; }
    int linkBaudRate() const { return m_baudRate; }
    quint8 linkParity() const { return m_parity; }
    quint8 linkStopBits() const { return m_stopBits; }
    quint8 linkSlaveId() const { return m_slaveId; }
    bool isOffline() const { return m_offline; }
    bool isLinkConnected() const;
    bool isSearchIdle() const { return m_searchIdle; }
    bool isAutoConnectMode() const { return m_autoConnect; }
    QMap<QString, QString> knownPorts() const { return m_knownPorts; }
    QMap<QString, QByteArray> foundDevices() const { return m_foundDevices; }
    // Adds text to the end of the process log.
    void appendLog(const QString &text);
    // What stands behind the link's port, and what was done about its latency.
    const AdapterSession &adapter() const { return m_adapter; }
    // The main window's recording indicator, shown here too; an empty text hides it.
    void showRecording(const QString &text, const QString &toolTip);

    // Network ports remembered from an earlier run, listed at once.
    void setNetworkPorts(const QStringList &addresses);
    // Lists a network port and chooses it; false with the reason for an address that does
    // not parse. The list then says networkPortsChanged.
    bool addNetworkPort(const QString &address, QString *why = nullptr);
    QStringList networkPorts() const { return m_networkPorts.keys(); }
    NetworkLink *networkLink() const { return m_network; }

    // A device of a running gateway's bus, leased through its broker, connected at once
    // (connectionform_gateway.cpp): `address` is mqtt://BROKER[:PORT]/GATEWAY/BUS, `broker`
    // the login; the device's identification follows as after a search. False, with the
    // reason, for an address that does not parse.
    bool connectThroughGateway(const MqttClient::Settings &broker, const QString &address, int id,
                               QString *why = nullptr);

signals:
    void SendConnectiomState(int state);
    void SendReceviedData(QByteArray data);
    void SendGripperInfo(QByteArray info);
    // A write answered with an exception: emitted just before the empty array that reports
    // its failure, so that a refusal is told from a lost answer.
    void SendWriteRefused(int exceptionCode);
    void sig_startscan(QStringList ports);
    // A line added to the process log.
    void logAppended(const QString &text);
    // The network ports listed, to be remembered.
    void networkPortsChanged(const QStringList &addresses);
    // "Through a gateway…" was chosen: whoever owns the window asks for the broker and
    // the device, and calls connectThroughGateway().
    void gatewayDeviceWanted();

public slots:
    // link
    void ComPort_Connect();
    void ComPort_Disconnect();
    void Read_Register(int address, quint16 number);
    void Write_SingleRegister(int address, quint16 Value);
    void Write_MutipRegister(int address, QVector<quint16> ValueArray);
    uint32_t GetGripperBaudRate();
    void readReady();

    // window
    void on_pB_Connect_clicked();
    void on_pB_Search_clicked();
    void scanport();
    void Slot_show_progress(QString text);
    void Slot_show_search_progress(QString text, int percent);
    void Slot_scaned_device(QStringList result, QByteArray block);
    void Slot_searched_device_connect(QListWidgetItem *item);
    void show_offline_custom();
    void changeLanguage(QString language_label);
    void showHelp();
    void showAbout();
    void showTrafficMonitor();

private:
    void createLink();
    void sendWrite(int address, const QVector<quint16> &values);
    void writeFinished(QModbusReply *reply);
    void startSweep(const QStringList &ports, bool searchMode, int idStart, int idEnd);
    void setSearchIdle();
    void fitToScreen();
    QString deviceToolTip(const DeviceEntry &entry) const;
    void createTrafficMenu();
    void retranslateTrafficMenu();
    static QString ownershipText();
    void tapRequest(QModbusReply *reply, const QByteArray &frame, int address, int count);
    // network ports (connectionform_network.cpp)
    bool isNetworkLinkPort() const;
    void connectNetwork();
    bool closeNetwork();
    bool networkConnected() const;
    void networkRead(int address, quint16 count);
    void networkWrite(int address, const QVector<quint16> &values);
    void connectAndIdentify(const QByteArray &block);
    void createNetworkEntry();
    int networkEntryIndex() const;
    void chooseNetworkDevice(int previousIndex);
    bool showNetworkAdapter();
    // a gateway's bus (connectionform_gateway.cpp)
    void createGatewayEntry();
    int gatewayEntryIndex() const;
    bool isGatewayLinkPort() const;
    bool showGatewayAdapter(const QString &port);
    // the adapter line (connectionform_adapter.cpp)
    void createAdapterLine();
    void adapterOpened();
    void adapterClosing();
    void noteScannerReport(const QString &status);
    void showAdapter();
    static QString adapterName(const SerialAdapter::Identity &id);
    static QString latencyShort(const SerialAdapter::Identity &id, const SerialAdapter::Latency &latency,
                                bool open);
    void tapAnswer(QModbusReply *reply, bool stale);
    void discardStale(const QModbusReply *reply, const QString &prefix);

    Ui::ConnectionForm *ui = nullptr;
    QModbusRtuSerialMaster *m_master = nullptr;
    QList<QMetaObject::Connection> m_masterConnections;

    QString m_portName;
    qint32 m_baudRate = 115200;
    quint8 m_parity = 0;
    quint8 m_stopBits = 0;
    quint8 m_slaveId = 1;
    bool m_offline = false;

    QMap<QString, QString> m_knownPorts;
    QMap<QString, QByteArray> m_foundDevices;
    QTimer *m_portTimer = nullptr;
    Connectionfunc *m_scanner = nullptr;
    QThread *m_scannerThread = nullptr;
    bool m_autoConnect = true;
    bool m_searchIdle = true;
    // sweeps handed to the scanner that have not reported their end yet
    int m_sweepsPending = 0;
    ProcessLog::SearchEnd m_sweepEnd;  // the latest sweep, for the line that ends it

    TrafficTap *m_traffic = nullptr;
    TrafficMonitor *m_trafficMonitor = nullptr;
    QMenu *m_viewMenu = nullptr;
    QAction *m_trafficAction = nullptr;
    QLabel *m_ownershipLabel = nullptr; // the status bar's permanent copyright line
    QLabel *m_recordingLabel = nullptr;
    QString m_trafficLine;  // port and line settings of the open link
    AdapterSession m_adapter;   // the link's port while it is open
    QLabel *m_adapterLabel = nullptr;
    QSet<QString> m_echoPorts;      // ports the scanner found echoing
    QSet<QString> m_adapterAdvised; // ports whose latency advice the log has
    NetworkLink *m_network = nullptr;        // made at the first network connection
    QMap<QString, QString> m_networkPorts;   // address to what it speaks, as listed
    QByteArray m_pendingBlock;               // identification, told once connected
    bool m_blockPending = false;
    int m_portIndex = 0;                     // the port chosen before "Network device…"
    QMap<QString, MqttClient::Settings> m_gatewayLogins; // a gateway's bus: its broker's login

    static QTranslator *s_translator;
};
