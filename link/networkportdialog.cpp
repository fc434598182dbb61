#include "link/networkportdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
// A device server's usual first port; Modbus TCP's own is 502.
constexpr int DeviceServerPort = 4001;
const int LineRates[] = {115200, 57600, 38400, 19200, 9600, 4800, 230400};
} // namespace

NetworkPortDialog::NetworkPortDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("NetworkPortDialog"));
    setWindowTitle(tr("Network device"));
    m_host = new QLineEdit(this);
    m_host->setObjectName(QStringLiteral("lE_Host"));
    m_host->setPlaceholderText(tr("name or address, such as 192.168.1.20"));
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("spB_NetPort"));
    m_port->setRange(1, 65535);
    m_port->setValue(PortAddress::ModbusTcpPort);
    m_framing = new QComboBox(this);
    m_framing->setObjectName(QStringLiteral("comB_Framing"));
    m_framing->addItem(tr("Modbus TCP"), int(PortAddress::Kind::ModbusTcp));
    m_framing->addItem(tr("RTU over TCP (serial device server)"), int(PortAddress::Kind::RtuOverTcp));
    m_line = new QComboBox(this);
    m_line->setObjectName(QStringLiteral("comB_ServerLine"));
    m_line->addItem(tr("not given"), 0);
    for (int rate : LineRates)
        m_line->addItem(tr("%1 baud").arg(rate), rate);
    m_line->setToolTip(tr("The device server's serial line to the devices: the wait for each answer grows by "
                          "the time its frames take there. The device server keeps its own line settings."));
    m_timeout = new QSpinBox(this);
    m_timeout->setObjectName(QStringLiteral("spB_Timeout"));
    m_timeout->setRange(0, 60000);
    m_timeout->setSingleStep(50);
    m_timeout->setSuffix(tr(" ms"));
    m_timeout->setSpecialValueText(tr("as usual"));
    m_timeout->setToolTip(tr("How long to wait for an answer beyond its time on the line. Usually 1000 ms on the "
                             "network; the window's polling waits at most about 200 ms."));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("lb_NetAddress"));
    m_result->setTextFormat(Qt::PlainText); // the address as it was typed
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto *form = new QFormLayout;
    form->addRow(tr("Host:"), m_host);
    form->addRow(tr("Port:"), m_port);
    form->addRow(tr("Framing:"), m_framing);
    form->addRow(tr("Device server's line:"), m_line);
    form->addRow(tr("Time-out:"), m_timeout);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_result);
    layout->addWidget(m_buttons);

    connect(m_host, &QLineEdit::textChanged, this, &NetworkPortDialog::update);
    connect(m_port, QOverload<int>::of(&QSpinBox::valueChanged), this, &NetworkPortDialog::update);
    connect(m_line, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &NetworkPortDialog::update);
    connect(m_timeout, QOverload<int>::of(&QSpinBox::valueChanged), this, &NetworkPortDialog::update);
    connect(m_framing, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &NetworkPortDialog::framingChanged);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    framingChanged();
}

void NetworkPortDialog::framingChanged()
{
    const bool server = m_framing->currentData().toInt() == int(PortAddress::Kind::RtuOverTcp);
    // The usual port of the other kind follows the framing; one typed in stays.
    if (server && m_port->value() == PortAddress::ModbusTcpPort)
        m_port->setValue(DeviceServerPort);
    else if (!server && m_port->value() == DeviceServerPort)
        m_port->setValue(PortAddress::ModbusTcpPort);
    m_line->setEnabled(server);
    update();
}

PortAddress NetworkPortDialog::address() const
{
    PortAddress a;
    a.kind = PortAddress::Kind(m_framing->currentData().toInt());
    a.host = m_host->text().trimmed();
    if (a.host.startsWith(QLatin1Char('[')) && a.host.endsWith(QLatin1Char(']')))
        a.host = a.host.mid(1, a.host.size() - 2);
    a.port = quint16(m_port->value());
    a.downstreamBaud = m_line->isEnabled() ? m_line->currentData().toInt() : 0;
    a.timeoutMs = m_timeout->value() >= 10 ? m_timeout->value() : 0;
    return a;
}

QString NetworkPortDialog::addressText() const
{
    return address().text();
}

bool NetworkPortDialog::isAcceptable() const
{
    return m_why.isEmpty();
}

void NetworkPortDialog::setAddress(const PortAddress &a)
{
    if (!a.isNetwork())
        return;
    m_framing->setCurrentIndex(m_framing->findData(int(a.kind)));
    m_host->setText(a.host);
    m_port->setValue(a.port);
    m_line->setCurrentIndex(qMax(0, m_line->findData(a.downstreamBaud)));
    m_timeout->setValue(a.timeoutMs);
    update();
}

void NetworkPortDialog::update()
{
    PortAddress parsed;
    m_why.clear();
    if (m_host->text().trimmed().isEmpty())
        m_why = tr("Give the host's name or address.");
    else if (m_timeout->value() > 0 && m_timeout->value() < 10)
        m_why = tr("A time-out is 10 ms at least.");
    else if (!PortAddresses::parse(addressText(), &parsed, &m_why))
        m_why = tr("Not an address: %1").arg(m_why);
    m_result->setText(m_why.isEmpty() ? tr("Port: %1").arg(addressText()) : m_why);
    m_result->setStyleSheet(m_why.isEmpty() ? QString() : QStringLiteral("QLabel{color:#C0392B;}"));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_why.isEmpty());
}
