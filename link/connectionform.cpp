// The connection window: port list, range search, Auto-Connect, found devices, offline model
// mode, language, help and about. The Modbus link itself is in connectionform_link.cpp.
#include "link/connectionform.h"
#include "ui_connectionform.h"

#include "app/flatui.h"
#include "app/screenfit.h"
#include "app/installpaths.h"
#include "app/translation.h"
#include "link/connectionfunc.h"
#include "link/networklink.h"
#include "link/portaccess.h"
#include "link/portaddress.h"
#include "link/portlist.h"
#include "link/processlog.h"
#include "link/traffic.h"
#include "link/trafficmonitor.h"

#include <QApplication>
#include <QDebug>
#include <QInputDialog>
#include <QLabel>
#include <QListWidgetItem>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QModbusRtuSerialMaster>
#include <QStyledItemDelegate>
#include <QScreen>
#include <QSerialPort>
#include <QThread>
#include <QTimer>
#include <QTranslator>

namespace {
const char *const UsbSerialPort = "USB Serial Port";
const char *const UsbSerialCh340 = "USB-SERIAL CH340";
constexpr int PortRefreshMs = 500;
constexpr int BroadcastSearchId = 255;
const QSize LeastSize(360, 300);

} // namespace

QTranslator *ConnectionForm::s_translator = nullptr;

// ---------------------------------------------------------------------------------------------
// Widget-free helpers

QStringList LinkText::autoConnectOrder(const QMap<QString, QString> &portsByName)
{
    QStringList first;
    QStringList second;
    QStringList rest;
    for (auto it = portsByName.cbegin(); it != portsByName.cend(); ++it) {
        if (it.value() == QLatin1String(UsbSerialPort))
            first << it.key();
        else if (it.value() == QLatin1String(UsbSerialCh340))
            second << it.key();
        else
            rest << it.key();
    }
    return first + second + rest;
}

QString LinkText::deviceEntryText(const DeviceEntry &entry)
{
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(QString::number(entry.slaveId), entry.port, QString::number(entry.baudRate),
             QString::number(entry.parity), QString::number(entry.stopBits));
}

bool LinkText::parseDeviceEntry(const QString &text, DeviceEntry *entry)
{
    // The port sits between the ID and the three line settings, so a port name that
    // contains a comma still comes back whole.
    const QStringList parts = text.split(QLatin1Char(','));
    const int n = parts.size();
    if (n < 5)
        return false;
    bool ok[4] = {};
    DeviceEntry e;
    e.slaveId = parts.at(0).toInt(&ok[0]);
    e.port = parts.mid(1, n - 4).join(QLatin1Char(','));
    e.baudRate = parts.at(n - 3).toInt(&ok[1]);
    e.parity = parts.at(n - 2).toInt(&ok[2]);
    e.stopBits = parts.at(n - 1).toInt(&ok[3]);
    if (!(ok[0] && ok[1] && ok[2] && ok[3]) || e.port.isEmpty())
        return false;
    if (entry)
        *entry = e;
    return true;
}

QByteArray LinkText::offlineBlock(const QString &codeText)
{
    bool ok = false;
    qulonglong value = codeText.trimmed().toULongLong(&ok, 16);
    if (!ok)
        value = 0;
    const quint16 code = quint16(value & 0xFFFF);
    QByteArray block(12, '\0');
    block[0] = char(code >> 8);
    block[1] = char(code & 0xFF);
    return block;
}

QString LinkText::deviceEntryShown(const DeviceEntry &entry)
{
    // A device behind a network port has the device server's line settings.
    PortAddress address;
    if (PortAddresses::looksLikeNetwork(entry.port) && PortAddresses::parse(entry.port, &address, nullptr))
        return QStringLiteral("ID %2 \u00B7 %1").arg(address.endpoint(), QString::number(entry.slaveId));
    QChar parity = QLatin1Char('?');
    switch (entry.parity) {
    case QSerialPort::NoParity: parity = QLatin1Char('N'); break;
    case QSerialPort::EvenParity: parity = QLatin1Char('E'); break;
    case QSerialPort::OddParity: parity = QLatin1Char('O'); break;
    case QSerialPort::SpaceParity: parity = QLatin1Char('S'); break;
    case QSerialPort::MarkParity: parity = QLatin1Char('M'); break;
    default: break;
    }
    return QStringLiteral("ID %2 \u00B7 %1 \u00B7 %3 8%4%5")
        .arg(entry.port, QString::number(entry.slaveId), QString::number(entry.baudRate), parity,
             QString::number(entry.stopBits));
}

namespace {
// The found devices as the operator reads them: the ID first and the line settings last, so
// that cutting a long port name in the middle keeps both, and the parity tells two finds on
// one port apart.
// The entries themselves stay as they are stored and parsed.
class DeviceEntryDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        DeviceEntry entry;
        if (LinkText::parseDeviceEntry(value.toString(), &entry))
            return LinkText::deviceEntryShown(entry);
        return QStyledItemDelegate::displayText(value, locale);
    }

    // No wider than the list: a long entry is cut in the middle rather than scrolled to.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize hint = QStyledItemDelegate::sizeHint(option, index);
        if (const auto *view = qobject_cast<const QAbstractItemView *>(option.widget))
            hint.setWidth(qMin(hint.width(), view->viewport()->width()));
        return hint;
    }
};
} // namespace

// ---------------------------------------------------------------------------------------------
// Window

QString ConnectionForm::deviceToolTip(const DeviceEntry &entry) const
{
    if (PortAddresses::looksLikeNetwork(entry.port))
        return tr("ID %1 behind %2\n(%3)\nDouble-click to connect.")
            .arg(QString::number(entry.slaveId), entry.port, LinkText::deviceEntryText(entry));
    return tr("ID %1 on %2, %3 baud, parity %4, %5 stop bit(s)\n(%6)\nDouble-click to connect.")
        .arg(QString::number(entry.slaveId), entry.port, QString::number(entry.baudRate),
             ProcessLog::parityName(entry.parity), QString::number(entry.stopBits),
             LinkText::deviceEntryText(entry));
}

ConnectionForm::ConnectionForm(QWidget *parent, QString language_label)
    : QMainWindow(parent), ui(new Ui::ConnectionForm)
{
    ui->setupUi(this);
    m_traffic = new TrafficTap(this);
    m_portName.clear();
    m_baudRate = 115200;
    m_parity = 0;
    m_stopBits = 0;
    m_slaveId = 1;
    m_offline = false;
    m_autoConnect = true;
    m_searchIdle = true;

    changeLanguage(language_label);

    m_ownershipLabel = new QLabel(ownershipText(), this);
    statusBar()->addPermanentWidget(m_ownershipLabel);
    setStyleSheet(QStringLiteral("*{outline:0px;}QWidget#ConnectionForm{background:#FFFFFF;}"));
    FlatUI *flat = FlatUI::instance();
    flat->setPushButtonQss(ui->pB_Connect, 5, 8, "#3db9ec", "#FFFFFF", "#4E6D8C", "#F0F0F0",
                           "#2D3E50", "#B8C6D1");
    flat->setPushButtonQss(ui->pB_Search, 5, 8, "#3db9ec", "#FFFFFF", "#4E6D8C", "#F0F0F0",
                           "#2D3E50", "#B8C6D1");
    flat->setProgressBarQss(ui->pBar_Search, 13, 5, 9, "#E8EDF2", "#3db9ec");
    ui->pBar_Search->setValue(0);
    ui->pBar_Search->hide();
    ui->lW_devicelist->clear();
    ui->lW_devicelist->hide();
    ui->lW_devicelist->setItemDelegate(new DeviceEntryDelegate(ui->lW_devicelist));
    ui->lW_devicelist->setTextElideMode(Qt::ElideMiddle);
    ui->lW_devicelist->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->lW_devicelist->setResizeMode(QListView::Adjust);
    ui->comB_Port->addItem(tr("Search All"));
    createNetworkEntry();
    createGatewayEntry();
    fitToScreen();

    createLink();
    createAdapterLine();

    m_foundDevices.clear();
    m_knownPorts.clear();
    scanport();
    m_portTimer = new QTimer(this);
    m_portTimer->setInterval(PortRefreshMs);
    connect(m_portTimer, &QTimer::timeout, this, &ConnectionForm::scanport);
    m_portTimer->start();

    connect(ui->actionHelp, &QAction::triggered, this, &ConnectionForm::showHelp);
    connect(ui->actionAbout1, &QAction::triggered, this, &ConnectionForm::showAbout);
    connect(ui->actionCostum, &QAction::triggered, this, &ConnectionForm::show_offline_custom);
    ui->menuAdmin->menuAction()->setVisible(false);
    createTrafficMenu();

    m_scanner = new Connectionfunc();
    m_scanner->setTrafficTap(m_traffic);
    m_scannerThread = new QThread(this);
    m_scanner->moveToThread(m_scannerThread);
    connect(this, &ConnectionForm::sig_startscan, m_scanner, &Connectionfunc::slot_ScanGripper,
            Qt::QueuedConnection);
    connect(m_scanner, &Connectionfunc::sig_status, this, &ConnectionForm::Slot_show_progress);
    connect(m_scanner, &Connectionfunc::sig_commu_para, this, &ConnectionForm::Slot_scaned_device,
            Qt::QueuedConnection);
    connect(m_scanner, &Connectionfunc::sig_search_process, this,
            &ConnectionForm::Slot_show_search_progress);
    connect(ui->lW_devicelist, &QListWidget::itemDoubleClicked, this,
            &ConnectionForm::Slot_searched_device_connect);
    connect(m_scanner, &Connectionfunc::sig_traffic, m_traffic, &TrafficTap::add);
}

ConnectionForm::~ConnectionForm()
{
    // The monitor reads the tap, which as an older child would go first.
    delete m_trafficMonitor;
    m_trafficMonitor = nullptr;
    m_portTimer->stop();
    // A sweep blocks the scanner thread; ask it to stop so that the thread can end. A sweep
    // queued without being announced is not covered by an earlier stop, so keep asking.
    m_scannerThread->quit();
    do {
        m_scanner->set_search_stop();
    } while (!m_scannerThread->wait(50));
    delete m_scanner;
    m_scanner = nullptr;

    // The network link's thread ends with its connection closed.
    delete m_network;
    m_network = nullptr;
    // Closing the port reports state changes; nobody may receive them from a window that is
    // half destroyed. What the link changed on the adapter goes back first.
    adapterClosing();
    if (m_master) {
        for (const QMetaObject::Connection &c : qAsConst(m_masterConnections))
            disconnect(c);
        delete m_master;
        m_master = nullptr;
    }
    delete ui;
}

void ConnectionForm::appendLog(const QString &text)
{
    QTextCursor cursor = ui->pTE_process->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    ui->pTE_process->setTextCursor(cursor);
    ui->pTE_process->ensureCursorVisible();
    emit logAppended(text);
}

void ConnectionForm::scanport()
{
    const QList<PortEntry> ports = PortList::available();
    QMap<QString, QString> present;
    for (const PortEntry &p : ports) {
        if (!present.contains(p.name))
            present.insert(p.name, p.description);
    }
    // Network ports stay listed: nothing plugs or unplugs them.
    for (auto it = m_networkPorts.cbegin(); it != m_networkPorts.cend(); ++it)
        if (!present.contains(it.key()))
            present.insert(it.key(), it.value());

    QStringList added;
    if (m_knownPorts.isEmpty() && !ports.isEmpty())
        added << ports.first().name;
    for (auto it = present.cbegin(); it != present.cend(); ++it) {
        if (!m_knownPorts.contains(it.key()) && !added.contains(it.key()))
            added << it.key();
    }
    for (const QString &name : qAsConst(added)) {
        const QString description = present.value(name);
        appendLog(ProcessLog::portListed(name, description));
        if (!PortAddresses::looksLikeNetwork(name))
            appendLog(LinkText::portNotes(name, LinkText::stableNames(name, QStringLiteral("/dev/serial/by-id")),
                                          LinkText::modemManagerInstalled(), InstallPaths::udevRule()));
        m_knownPorts.insert(name, description);
        // The ports come before the last entry, "Network device…".
        const int at = networkEntryIndex() < 0 ? ui->comB_Port->count() : networkEntryIndex();
        ui->comB_Port->insertItem(at, QStringLiteral("%1-%2").arg(name, description), name);
    }

    const QStringList known = m_knownPorts.keys();
    for (const QString &name : known) {
        if (present.contains(name))
            continue;
        appendLog(ProcessLog::portUnplugged(name, m_knownPorts.value(name)));
        m_knownPorts.remove(name);
        const int index = ui->comB_Port->findData(name);
        if (index > 0)
            ui->comB_Port->removeItem(index);
    }
}

void ConnectionForm::startSweep(const QStringList &ports, bool searchMode, int idStart, int idEnd)
{
    m_sweepEnd = ProcessLog::SearchEnd();
    m_sweepEnd.autoConnect = searchMode;
    m_sweepEnd.ports = ports;
    m_sweepEnd.idStart = idStart;
    m_sweepEnd.idEnd = idEnd;
    // Queued like the sweep itself, so a sweep that still runs never sees its range change.
    QMetaObject::invokeMethod(m_scanner, "set_search_mode", Qt::QueuedConnection,
                              Q_ARG(bool, searchMode));
    QMetaObject::invokeMethod(m_scanner, "set_idrange", Qt::QueuedConnection, Q_ARG(int, idStart),
                              Q_ARG(int, idEnd));
    m_scannerThread->start();
    ++m_sweepsPending;
    m_scanner->noteSweepRequested();
    emit sig_startscan(ports);
}

void ConnectionForm::on_pB_Search_clicked()
{
    if (!m_searchIdle) {
        m_searchIdle = true;
        m_sweepEnd.stopped = true;
        m_scanner->set_search_stop();
        ui->pB_Search->setText(tr("Search"));
        return;
    }
    if (ui->spB_IDStart->value() > ui->spB_IDEnd->value()) {
        QMessageBox::warning(this, tr("Warning"), tr("The start address is higher then the end address."),
                             QMessageBox::Ok);
        return;
    }
    m_searchIdle = false;
    m_autoConnect = false;

    ui->pB_Search->setText(tr("Stop"));
    ui->pB_Connect->setEnabled(false);
    ui->lW_devicelist->setEnabled(false);
    ui->lW_devicelist->show();
    ui->pBar_Search->setValue(0);
    ui->pBar_Search->show();

    m_foundDevices.clear();
    ui->lW_devicelist->clear();
    ComPort_Disconnect();

    QStringList ports;
    if (ui->comB_Port->currentIndex() == networkEntryIndex()) {
        chooseNetworkDevice(m_portIndex);
        return;
    }
    if (ui->comB_Port->currentIndex() == gatewayEntryIndex()) {
        ui->comB_Port->setCurrentIndex(m_portIndex);
        emit gatewayDeviceWanted();
        return;
    }
    if (ui->comB_Port->currentIndex() <= 0) {
        ports = LinkText::autoConnectOrder(m_knownPorts);
    } else {
        ports << ui->comB_Port->currentData().toString();
        qDebug() << "selected_port" << ports;
    }
    startSweep(ports, false, ui->spB_IDStart->value(), ui->spB_IDEnd->value());
}

void ConnectionForm::on_pB_Connect_clicked()
{
    m_autoConnect = true;
    ui->pB_Connect->setEnabled(false);
    ui->pB_Search->setEnabled(false);
    ui->lW_devicelist->hide();
    ui->pBar_Search->hide();

    m_foundDevices.clear();
    ui->lW_devicelist->clear();
    ComPort_Disconnect();
    startSweep(LinkText::autoConnectOrder(m_knownPorts), true, BroadcastSearchId, BroadcastSearchId);
}

void ConnectionForm::Slot_show_progress(QString text)
{
    noteScannerReport(text);
    appendLog(ProcessLog::scannerLine(text, [](const QString &port) {
        return LinkText::lacksAccess(port) ? LinkText::permissionAdvice(port, LinkText::owningGroup(port))
                                           : QString();
    }));
}

void ConnectionForm::Slot_show_search_progress(QString text, int percent)
{
    ui->pBar_Search->setFormat(tr("Searching: ") + ProcessLog::searchProgress(text));
    ui->pBar_Search->setValue(percent);
}

void ConnectionForm::setSearchIdle()
{
    ui->pB_Connect->setEnabled(true);
    ui->pB_Search->setEnabled(true);
    ui->pB_Search->setText(tr("Search"));
    m_searchIdle = true;
}

void ConnectionForm::Slot_scaned_device(QStringList result, QByteArray block)
{
    if (result.isEmpty())
        return;
    if (result.first() == QLatin1String("OK")) {
        if (result.size() < 6)
            return;
        DeviceEntry entry;
        entry.slaveId = result.at(5).toInt();
        entry.port = result.at(1);
        entry.baudRate = result.at(2).toInt();
        entry.parity = result.at(3).toInt();
        entry.stopBits = result.at(4).toInt();
        const QString text = LinkText::deviceEntryText(entry);
        m_foundDevices.insert(text, block);
        auto *item = new QListWidgetItem(text);
        item->setToolTip(deviceToolTip(entry));
        ui->lW_devicelist->addItem(item);
        ++m_sweepEnd.found;
        if (m_autoConnect) {
            appendLog(ProcessLog::autoConnectFound(entry.slaveId, entry.port, entry.baudRate, entry.parity));
            // a find in search mode ends the sweep without a "finished" report
            if (m_sweepsPending > 0)
                --m_sweepsPending;
            setSearchIdle();
            setLinkParameters(entry.port, entry.baudRate, quint8(entry.parity),
                              quint8(entry.stopBits), quint8(entry.slaveId));
            connectAndIdentify(block);
        }
    } else if (result.first() == QLatin1String("finished")) {
        if (m_sweepsPending > 0)
            --m_sweepsPending;
        // a search started after a Stop is still queued behind the sweep that just ended
        if (m_sweepsPending > 0)
            return;
        setSearchIdle();
        ui->lW_devicelist->setEnabled(true);
        ui->pBar_Search->hide();
        appendLog(ProcessLog::searchEnded(m_sweepEnd));
    }
}

void ConnectionForm::Slot_searched_device_connect(QListWidgetItem *item)
{
    if (!item)
        return;
    DeviceEntry entry;
    if (!LinkText::parseDeviceEntry(item->text(), &entry))
        return;
    setLinkParameters(entry.port, entry.baudRate, quint8(entry.parity), quint8(entry.stopBits),
                      quint8(entry.slaveId));
    const QByteArray block = m_foundDevices.value(item->text());
    connectAndIdentify(block);
}

void ConnectionForm::show_offline_custom()
{
    bool ok = false;
    const QString text = QInputDialog::getText(this, tr("Device Model"), tr("Code:"), QLineEdit::Normal,
                                               QString(), &ok,
                                               Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    if (!ok || text.isEmpty())
        return;
    const QByteArray block = LinkText::offlineBlock(text);
    m_offline = true;
    emit SendGripperInfo(block);
    emit SendConnectiomState(QModbusDevice::ConnectedState);
}

void ConnectionForm::changeLanguage(QString language_label)
{
    if (s_translator) {
        QCoreApplication::removeTranslator(s_translator);
        delete s_translator;
        s_translator = nullptr;
    }
    auto *translator = new CheckedTranslator(QCoreApplication::instance());
    s_translator = translator;
    const QString name = language_label == QLatin1String("zh_CN") ? QStringLiteral("zh_CN.qm")
                                                                   : QStringLiteral("en_US.qm");
    // The program's own translation first, then the installed one: a file beside the
    // executable counts only for a build that carries none. Every file is checked first.
    if (!translator->loadFirst({Translation::builtIn(name), InstallPaths::translation(name),
                                QCoreApplication::applicationDirPath() + QLatin1Char('/') + name})
             .isEmpty())
        QCoreApplication::installTranslator(translator);
    Translation::applyQtTranslation(language_label);
    ui->retranslateUi(this);
    // The form's own title and button texts are placeholders for these.
    setWindowTitle(tr("Grivant -- Connection configuration"));
    if (!m_searchIdle)
        ui->pB_Search->setText(tr("Stop"));
    if (ui->comB_Port->count() > 0) // the ports follow the first entry
        ui->comB_Port->setItemText(0, tr("Search All"));
    if (networkEntryIndex() > 0)
        ui->comB_Port->setItemText(networkEntryIndex(), tr("Network device…"));
    if (gatewayEntryIndex() > 0)
        ui->comB_Port->setItemText(gatewayEntryIndex(), tr("Through a gateway…"));
    ui->lW_devicelist->setToolTip(tr("Double-click a device to connect to it."));
    retranslateTrafficMenu();
    if (m_ownershipLabel)
        m_ownershipLabel->setText(ownershipText());
    showAdapter();
}

void ConnectionForm::showRecording(const QString &text, const QString &toolTip)
{
    if (!m_recordingLabel) {
        if (text.isEmpty())
            return;
        m_recordingLabel = new QLabel(this);
        m_recordingLabel->setObjectName(QStringLiteral("lb_Recording"));
        m_recordingLabel->setTextFormat(Qt::PlainText); // the file's name as it is written
        m_recordingLabel->setStyleSheet(QStringLiteral("QLabel{color:#C0392B;font-weight:bold;}"));
        statusBar()->addWidget(m_recordingLabel);
    }
    m_recordingLabel->setText(text);
    m_recordingLabel->setToolTip(toolTip);
    m_recordingLabel->setVisible(!text.isEmpty());
}

QString ConnectionForm::ownershipText()
{
    return tr("Copyright (c) Grivant developers. All rights reserved.");
}

// The form's widgets keep their places in a content area that scrolls inside the window: on a
// screen lower than the form the window fits the screen, and every control stays within
// reach. The window opens centred on the screen where the desktop begins.
void ConnectionForm::fitToScreen()
{
    const QSize largest = maximumSize();
    int bars = 0;
    for (const QWidget *bar : {static_cast<QWidget *>(ui->menubar), static_cast<QWidget *>(ui->statusbar)})
        bars += bar->sizeHint().height();
    const QSize content(largest.width(), qMax(largest.height() - bars, ui->centralwidget->childrenRect().bottom() + 1));
    ScreenFit::scrollCentralWidget(this, content);
    setMinimumSize(LeastSize);
    // Room for scroll bars, for a screen smaller than the whole form.
    const int scrollBar = ScreenFit::scrollBarExtent(this);
    setMaximumSize(largest + QSize(scrollBar, scrollBar));
    QScreen *screen = QGuiApplication::screenAt(QPoint(0, 0));
    ScreenFit::placeCentred(this, largest, screen ? screen : QGuiApplication::primaryScreen(), nullptr, scrollBar);
    new ScreenFit::Keeper(this, {}, [largest] { return largest; });
}

// A View menu before Help, made here so that the form stays as it is.
void ConnectionForm::addMenuBeforeHelp(QMenu *menu)
{
    ui->menubar->insertMenu(ui->menuHelp->menuAction(), menu);
}

void ConnectionForm::createTrafficMenu()
{
    m_viewMenu = new QMenu(ui->menubar);
    m_viewMenu->setObjectName(QStringLiteral("menuView"));
    m_trafficAction = new QAction(this);
    m_trafficAction->setObjectName(QStringLiteral("actionTrafficMonitor"));
    m_viewMenu->addAction(m_trafficAction);
    addMenuBeforeHelp(m_viewMenu);
    connect(m_trafficAction, &QAction::triggered, this, &ConnectionForm::showTrafficMonitor);
    retranslateTrafficMenu();
}

void ConnectionForm::retranslateTrafficMenu()
{
    if (!m_viewMenu)
        return;
    m_viewMenu->setTitle(tr("View"));
    m_trafficAction->setText(tr("Traffic monitor"));
}

// A window of its own, but a child of this one: this window is application modal, and
// only its own children stay usable beside it.
void ConnectionForm::showTrafficMonitor()
{
    if (!m_trafficMonitor)
        m_trafficMonitor = new TrafficMonitor(m_traffic, this);
    m_trafficMonitor->show();
    m_trafficMonitor->raise();
    m_trafficMonitor->activateWindow();
}

void ConnectionForm::showHelp()
{
    QString text = tr("Online help: https://www.grivant.example/support");
#ifdef Q_OS_LINUX
    // Commands on lines of their own, unbroken, so that they can be copied as they stand.
    const auto paragraph = [](const QString &words) { return "<p>" + words.toHtmlEscaped() + "</p>"; };
    const auto commands = [](const QString &lines) { return "<pre>" + lines.toHtmlEscaped() + "</pre>"; };
    text = paragraph(text) + "<p><b>" + tr("Serial ports on Linux").toHtmlEscaped() + "</b></p>"
           + paragraph(tr("Only members of the group dialout may open serial ports. Join it, then "
                          "log out and in again:"))
           + commands(QStringLiteral("sudo adduser $USER dialout"))
           + paragraph(tr("ModemManager may probe USB modem-class ports (ttyACM) for some seconds "
                          "after they appear, which disturbs a search. The udev rule shipped with "
                          "the tool keeps it away. Install it, then replug the adapter:"))
           + commands(QStringLiteral("sudo cp %1 /etc/udev/rules.d/\nsudo udevadm control --reload")
                          .arg(InstallPaths::udevRule()))
           + paragraph(tr("An FTDI adapter holds every answer for its latency timer (16 ms unless lowered), "
                          "which slows polling to about a third. Grivant lowers it while it is connected "
                          "where the driver or sysfs let it (the line under the port list tells); this udev "
                          "rule sets it to 1 ms for good, and grivantctl doctor --port PORT shows it:"))
           + commands(QStringLiteral("sudo cp %1 /etc/udev/rules.d/\nsudo udevadm control --reload")
                          .arg(InstallPaths::latencyRule()))
           + paragraph(tr("Names under /dev/serial/by-id stay the same when an adapter is replugged; "
                          "the process log shows them. Start the tool with such a name to list it:"))
           + commands(QStringLiteral("grivant --port /dev/serial/by-id/usb-..."));
#endif
    QMessageBox::information(this, tr("Help"), text);
}

void ConnectionForm::showAbout()
{
    const QString text = tr("Grivant User Interface \n\n Version : %1\n\nWebsite : ")
                             .arg(QStringLiteral(GRIVANT_VERSION))
                         + QStringLiteral("https://www.grivant.example\n\n") + ownershipText();
    QMessageBox::about(this, tr("About"), text);
}
