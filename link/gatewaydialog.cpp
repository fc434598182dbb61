#include "link/gatewaydialog.h"

#include "lineview/linebrokerdialog.h"
#include "link/leaseprotocol.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { GatewayColumn, BusColumn, IdColumn, ModelColumn, UniqueIdColumn, StateColumn, Columns };
// The row's device, for the choice.
constexpr int KeyRole = Qt::UserRole + 1;
constexpr int PresenceRole = Qt::UserRole + 2;

QString keyOf(const QString &gateway, const QString &bus, int id)
{
    return QStringLiteral("%1/%2/%3").arg(gateway, bus, QString::number(id));
}

} // namespace

GatewayDialog::GatewayDialog(const LineBroker &broker, QWidget *parent) : QDialog(parent), m_broker(broker)
{
    setObjectName(QStringLiteral("GatewayDialog"));
    m_address = new QLineEdit(broker.host.isEmpty() ? QStringLiteral("localhost") : broker.address(), this);
    m_address->setObjectName(QStringLiteral("lE_Broker"));
    m_login = new QPushButton(this);
    m_login->setObjectName(QStringLiteral("pB_Login"));
    m_show = new QPushButton(this);
    m_show->setObjectName(QStringLiteral("pB_Show"));
    m_show->setDefault(true);
    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText); // the broker's and the gateway's words as they come
    m_status->setWordWrap(true);
    m_table = new QTableWidget(0, Columns, this);
    m_table->setObjectName(QStringLiteral("tW_Devices"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSortingEnabled(false);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_connect = m_buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    m_connect->setObjectName(QStringLiteral("pB_Connect"));
    m_connect->setEnabled(false);

    auto *top = new QHBoxLayout;
    top->addWidget(m_address, 1);
    top->addWidget(m_login);
    top->addWidget(m_show);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_status);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_note);
    layout->addWidget(m_buttons);

    connect(m_login, &QPushButton::clicked, this, &GatewayDialog::editLogin);
    connect(m_show, &QPushButton::clicked, this, &GatewayDialog::showDevices);
    connect(m_address, &QLineEdit::returnPressed, this, &GatewayDialog::showDevices);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &GatewayDialog::selectionChanged);
    connect(m_table, &QTableWidget::itemDoubleClicked, this, [this] {
        if (m_connect->isEnabled())
            accept();
    });
    connect(&m_monitor, &LineMonitor::refreshed, this, &GatewayDialog::refresh);
    connect(&m_monitor, &LineMonitor::linkChanged, this, &GatewayDialog::linkChanged);
    resize(760, 420);
    retranslate();
}

void GatewayDialog::retranslate()
{
    setWindowTitle(tr("Through a gateway"));
    m_address->setPlaceholderText(tr("broker[:port]"));
    m_address->setToolTip(tr("The broker the gateways publish to, as they reach it: host or address, and its port "
                             "(1883, or 8883 with TLS)."));
    m_login->setText(tr("Login…"));
    m_show->setText(tr("Show devices"));
    m_connect->setText(tr("Connect"));
    m_table->setHorizontalHeaderLabels({tr("Gateway"), tr("Bus"), tr("ID"), tr("Model"), tr("Unique ID"), tr("State")});
    m_note->setText(tr("The gateway lends the device to this window alone while it is connected: it stops polling "
                       "it, shows it as leased and passes the window's requests to it between the polls of the "
                       "other devices of its bus (allow_diagnosis = yes in the gateway's configuration). A device "
                       "that is offline, or leased by another client, cannot be chosen."));
    if (m_status->text().isEmpty())
        m_status->setText(tr("Give the broker and show the devices its gateways publish."));
}

void GatewayDialog::editLogin()
{
    LineBrokerDialog dialog(m_broker, this);
    if (dialog.exec() == QDialog::Accepted)
        m_broker = dialog.broker();
}

void GatewayDialog::showDevices()
{
    QString host;
    int port = 0;
    QString why;
    if (!LineBroker::parseAddress(m_address->text(), &host, &port, &why)) {
        m_status->setText(why);
        return;
    }
    m_broker.host = host;
    m_broker.port = port;
    m_monitor.close();
    m_table->setRowCount(0);
    selectionChanged();
    if (!m_monitor.open(m_broker, &why)) {
        m_status->setText(why);
        return;
    }
    m_status->setText(tr("Connecting to the broker at %1…").arg(m_broker.address()));
}

void GatewayDialog::linkChanged()
{
    const LineFeed *feed = m_monitor.feed();
    switch (feed->link()) {
    case LineFeed::Link::Connected:
        m_status->setText(tr("The broker at %1 shows these devices.").arg(feed->address()));
        break;
    case LineFeed::Link::Refused:
        m_status->setText(tr("The broker at %1 refused the login: %2").arg(feed->address(), feed->linkReason()));
        break;
    case LineFeed::Link::Unreachable:
    case LineFeed::Link::Lost:
        m_status->setText(tr("The broker at %1 cannot be reached: %2").arg(feed->address(), feed->linkReason()));
        break;
    case LineFeed::Link::Connecting:
    case LineFeed::Link::Off:
        break;
    }
}

void GatewayDialog::refresh()
{
    const LineState &state = m_monitor.state();
    const QList<QTableWidgetItem *> chosen = m_table->selectedItems();
    const QString selected = chosen.isEmpty() ? QString() : chosen.first()->data(KeyRole).toString();
    bool changed = m_table->rowCount() != state.devices().size();
    m_table->setRowCount(state.devices().size());
    int row = 0;
    for (const LineState::Device &d : state.devices()) {
        const Presence presence = state.presenceOf(d);
        QString stateText = presence == Presence::Online    ? tr("online")
                            : presence == Presence::Leased  ? tr("leased")
                            : presence == Presence::Offline ? tr("offline")
                                                            : tr("unknown");
        // A fault is told in the Line view's words; it may be why the device is looked at. Of
        // a device that is not online the last state is old news.
        const QString fault = presence == Presence::Online ? LineTableModel::faultText(d) : QString();
        if (!fault.isEmpty())
            stateText = tr("%1, %2").arg(stateText, fault);
        const QStringList texts = {LineMessages::displayText(d.gateway), LineMessages::displayText(d.bus),
                                   QString::number(d.id),
                                   d.hasInfo ? LineMessages::displayText(d.identity.modelName) : QString(),
                                   d.hasInfo ? LineMessages::displayText(d.identity.uniqueId) : QString(), stateText};
        for (int column = 0; column < Columns; ++column) {
            QTableWidgetItem *item = m_table->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                m_table->setItem(row, column, item);
            }
            if (item->text() != texts.at(column)) {
                item->setText(texts.at(column));
                changed = true;
            }
            item->setData(KeyRole, keyOf(d.gateway, d.bus, d.id));
            item->setData(PresenceRole, int(presence));
            item->setForeground(presence == Presence::Online ? palette().text() : palette().brush(QPalette::Disabled,
                                                                                                  QPalette::Text));
        }
        if (!selected.isEmpty() && keyOf(d.gateway, d.bus, d.id) == selected)
            m_table->selectRow(row);
        ++row;
    }
    // Names and models come as the gateways tell them: the columns follow.
    if (changed) {
        QHeaderView *header = m_table->horizontalHeader();
        header->setStretchLastSection(false);
        m_table->resizeColumnsToContents();
        for (int column = 0; column < Columns - 1; ++column)
            header->resizeSection(column, header->sectionSize(column) + 12);
        header->setStretchLastSection(true);
    }
    selectionChanged();
}

void GatewayDialog::selectionChanged()
{
    const QList<QTableWidgetItem *> chosen = m_table->selectedItems();
    // A device that is not online would refuse the lease: the gateway cannot reach it, or
    // another client holds it.
    m_connect->setEnabled(!chosen.isEmpty() && chosen.first()->data(PresenceRole).toInt() == int(Presence::Online));
}

QString GatewayDialog::address() const
{
    const QList<QTableWidgetItem *> chosen = m_table->selectedItems();
    if (chosen.isEmpty())
        return QString();
    const int row = chosen.first()->row();
    LeaseProtocol::Address a;
    a.host = m_broker.host;
    a.port = m_broker.port;
    a.gateway = m_table->item(row, GatewayColumn)->text();
    a.bus = m_table->item(row, BusColumn)->text();
    return a.text();
}

int GatewayDialog::id() const
{
    const QList<QTableWidgetItem *> chosen = m_table->selectedItems();
    return chosen.isEmpty() ? 0 : m_table->item(chosen.first()->row(), IdColumn)->text().toInt();
}
