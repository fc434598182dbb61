// The connection window's adapter line: what stands behind the chosen port, what was done
// about its latency while the link has it open (put back when it closes), an echo the
// scanner met on it, and what the operator can do about what is left.
#include "link/connectionform.h"
#include "ui_connectionform.h"

#include "app/installpaths.h"
#include "link/serialadapter.h"

#include <QLabel>
#include <QModbusRtuSerialMaster>
#include <QSerialPort>

using namespace SerialAdapter;

namespace {
// The line sits between the two group boxes and the log, which gives up the room.
constexpr int LineTop = 354;
constexpr int LineHeight = 24;
constexpr int LogTop = LineTop + LineHeight + 4;
const char *const Plain = "QLabel{color:#2D3E50;}";
const char *const Warning = "QLabel{color:#C0392B;}";
constexpr int LinePointSize = 9;
} // namespace

// The adapter in a few words: its product name (or chip) and driver.
QString ConnectionForm::adapterName(const Identity &id)
{
    switch (id.kind) {
    case Kind::Usb: {
        const QString name = id.product.isEmpty() ? tr("USB adapter") : id.product;
        return id.driver.isEmpty() ? name : tr("%1 (%2)").arg(name, id.driver);
    }
    case Kind::NativeUart:
        return tr("serial port of this computer (%1)").arg(id.driver.isEmpty() ? id.tty : id.driver);
    case Kind::PseudoTerminal:
        return tr("pseudo-terminal, no adapter");
    case Kind::Virtual:
        return tr("terminal without hardware");
    case Kind::Unknown:
        break;
    }
    return tr("adapter not known");
}

QString ConnectionForm::latencyShort(const Identity &id, const Latency &l, bool open)
{
    if (!open) {
        if (!hasLatencyTimer(id))
            return tr("no latency timer");
        return id.timerMs < 0 ? tr("latency timer not known") : tr("latency timer %1 ms").arg(id.timerMs);
    }
    switch (l.state) {
    case Latency::State::NoTimer: return tr("no latency timer");
    case Latency::State::Unknown: return tr("latency timer not known, left as it is");
    case Latency::State::Low: return tr("latency timer %1 ms").arg(l.before);
    case Latency::State::LoweredByFlag:
        return tr("latency timer %1 → %2 ms while connected (low latency)").arg(l.before).arg(l.after);
    case Latency::State::LoweredByTimer:
        return tr("latency timer %1 → %2 ms while connected (timer written)").arg(l.before).arg(l.after);
    case Latency::State::High:
        return tr("latency timer %1 ms: every answer waits in the adapter").arg(l.before);
    }
    return QString();
}

void ConnectionForm::createAdapterLine()
{
    m_adapterLabel = new QLabel(ui->centralwidget);
    m_adapterLabel->setObjectName(QStringLiteral("lb_Adapter"));
    m_adapterLabel->setTextFormat(Qt::PlainText); // an adapter's own name, an address as typed
    QFont font = m_adapterLabel->font();
    font.setPointSize(LinePointSize);
    m_adapterLabel->setFont(font);
    const QRect log = ui->verticalLayoutWidget->geometry();
    m_adapterLabel->setGeometry(log.x(), LineTop, log.width(), LineHeight);
    ui->verticalLayoutWidget->setGeometry(log.x(), LogTop, log.width(), log.bottom() + 1 - LogTop);
    connect(ui->comB_Port, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this] { showAdapter(); });
    // Before the master closes its port: the port is still open then.
    if (m_master)
        m_masterConnections << connect(m_master, &QModbusDevice::stateChanged, this, [this](QModbusDevice::State s) {
        if (s == QModbusDevice::ClosingState)
            adapterClosing();
    });
    showAdapter();
}

void ConnectionForm::adapterOpened()
{
    auto *port = m_master ? m_master->findChild<QSerialPort *>() : nullptr;
    if (!port || !port->isOpen())
        return;
    m_adapter.opened(m_portName, port->handle());
    // A simulator's pseudo-terminal has no adapter to tell of.
    if (m_adapter.identity().kind != Kind::PseudoTerminal)
        appendLog(tr("\t adapter: %1\n").arg(m_adapter.summary()));
    const QString advice = latencyAdvice(m_adapter.identity(), m_adapter.latency(), InstallPaths::latencyRule());
    if (!advice.isEmpty() && !m_adapterAdvised.contains(m_portName)) {
        m_adapterAdvised.insert(m_portName);
        appendLog(QStringLiteral("\t ") + advice + QLatin1Char('\n'));
    }
    if (m_echoPorts.contains(m_portName))
        appendLog(QStringLiteral("\t %1: %2\n").arg(m_portName, ProcessLog::echoAdvice()));
    showAdapter();
}

void ConnectionForm::adapterClosing()
{
    if (!m_adapter.isOpen())
        return;
    m_adapter.closing();
    for (const QString &problem : m_adapter.restoreProblems())
        appendLog(QStringLiteral("\t ") + problem + QLatin1Char('\n'));
    showAdapter();
}

void ConnectionForm::noteScannerReport(const QString &status)
{
    const QString port = ProcessLog::echoedPort(status);
    if (port.isEmpty() || m_echoPorts.contains(port))
        return;
    m_echoPorts.insert(port);
    showAdapter();
}

// The port the line is about: the open link's, else the one chosen in the list.
void ConnectionForm::showAdapter()
{
    if (!m_adapterLabel || showNetworkAdapter())
        return;
    const bool open = m_adapter.isOpen();
    const QString port = open ? m_portName : ui->comB_Port->currentData().toString();
    if (port.isEmpty()) {
        m_adapterLabel->setText(tr("Adapter: choose a port to see what stands behind it."));
        m_adapterLabel->setToolTip(QString());
        m_adapterLabel->setStyleSheet(QLatin1String(Plain));
        return;
    }
    const Identity id = open ? m_adapter.identity() : identify(port);
    const Latency latency = open ? m_adapter.latency() : Latency();
    const bool echoes = m_echoPorts.contains(port);
    QStringList parts{adapterName(id), latencyShort(id, latency, open)};
    if (echoes)
        parts << tr("echoes the requests");
    const QString line = tr("Adapter: %1").arg(parts.join(QStringLiteral(" \u00B7 ")));
    m_adapterLabel->setText(m_adapterLabel->fontMetrics().elidedText(line, Qt::ElideRight, m_adapterLabel->width()));

    QStringList tip{port, describe(id)};
    if (!id.serial.isEmpty())
        tip << tr("serial number %1").arg(id.serial);
    if (open)
        tip << latencyText(id, latency);
    else if (hasLatencyTimer(id))
        tip << tr("Grivant lowers the latency timer to 1 ms while it is connected where the driver or sysfs "
                  "let it, and puts it back when it disconnects.");
    if (!id.problem.isEmpty() && id.kind != Kind::Unknown)
        tip << id.problem;
    const QString advice = latencyAdvice(id, latency, InstallPaths::latencyRule());
    if (!advice.isEmpty())
        tip << advice;
    if (echoes)
        tip << ProcessLog::echoAdvice();
    m_adapterLabel->setToolTip(tip.join(QLatin1Char('\n')));
    const bool trouble = echoes || latency.state == Latency::State::High;
    m_adapterLabel->setStyleSheet(QLatin1String(trouble ? Warning : Plain));
}
