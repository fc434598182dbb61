#include "lineview/linewindow.h"

#include "app/flatui.h"
#include "app/screenfit.h"
#include "lineview/linebrokerdialog.h"
#include "lineview/linecharts.h"
#include "lineview/linediagnosis.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QColor FaultBackground(0xf8, 0xd7, 0xda);
const QColor FaultText(0xb0, 0x00, 0x20);
const QColor OfflineBackground(0xe4, 0xe7, 0xeb);
const QColor OfflineText(0x6c, 0x75, 0x7d);
const QColor LeasedBackground(0xdc, 0xeb, 0xfa);
const QColor SlowText(0xa0, 0x5a, 0x00);

// Cells drawn plainly: a background that says why a row stands out, and one line of text.
// A thousand busy rows repaint a few times a second; the style's item painting would cost
// several times as much for the same picture.
class RowDelegate : public QStyledItemDelegate
{
public:
    RowDelegate(int presenceRole, int faultRole, int faultColumn, QObject *parent)
        : QStyledItemDelegate(parent), m_presenceRole(presenceRole), m_faultRole(faultRole), m_faultColumn(faultColumn)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const auto presence = Presence(index.data(m_presenceRole).toInt());
        const bool fault = m_faultRole >= 0 && index.data(m_faultRole).toBool();
        QColor background = option.palette.color(QPalette::Base);
        QColor text = option.palette.color(QPalette::Text);
        if (fault)
            background = FaultBackground;
        else if (presence == Presence::Offline)
            background = OfflineBackground;
        else if (presence == Presence::Leased)
            background = LeasedBackground;
        if (presence == Presence::Offline)
            text = OfflineText;
        if (fault && index.column() == m_faultColumn)
            text = FaultText;
        if (index.column() == LineTableModel::PollColumn && m_faultRole >= 0
            && index.data(LineTableModel::SlowRole).toBool())
            text = SlowText;
        if (selected) {
            background = option.palette.color(QPalette::Highlight);
            text = option.palette.color(QPalette::HighlightedText);
        }
        painter->fillRect(option.rect, background);
        const QString value = index.data(Qt::DisplayRole).toString();
        if (value.isEmpty())
            return;
        QFont font = option.font;
        font.setBold(fault && index.column() == m_faultColumn);
        font.setItalic(presence == Presence::Offline);
        painter->setFont(font);
        painter->setPen(text);
        const QRect box = option.rect.adjusted(4, 0, -4, 0);
        const QVariant align = index.data(Qt::TextAlignmentRole);
        const int flags = align.isValid() ? align.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter);
        painter->drawText(box, flags, QFontMetrics(font).elidedText(value, Qt::ElideRight, box.width()));
    }

private:
    int m_presenceRole;
    int m_faultRole;
    int m_faultColumn;
};

QTableView *makeTable(QWidget *parent, const char *name)
{
    auto *view = new QTableView(parent);
    view->setObjectName(QLatin1String(name));
    QFont small = view->font();
    small.setPointSize(10);
    view->setFont(small);
    view->horizontalHeader()->setFont(small);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setShowGrid(false);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QHeaderView *rows = view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(QFontMetrics(small).height() + 4);
    rows->hide();
    view->horizontalHeader()->setHighlightSections(false);
    return view;
}

QTableWidget *makeList(QWidget *parent, const char *name)
{
    auto *table = new QTableWidget(0, 2, parent);
    table->setObjectName(QLatin1String(name));
    QFont small = table->font();
    small.setPointSize(10);
    table->setFont(small);
    table->horizontalHeader()->setFont(small);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(QFontMetrics(small).height() + 4);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    table->setShowGrid(false);
    return table;
}

void setRow(QTableWidget *table, int row, const QString &name, const QString &value)
{
    for (int column = 0; column < 2; ++column) {
        QTableWidgetItem *item = table->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            table->setItem(row, column, item);
        }
        item->setText(column == 0 ? name : value);
    }
}

QString timeText(qint64 ms)
{
    return ms > 0 ? QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString numberText(double v)
{
    return QString::number(v, 'g', 10);
}

void styleButton(QPushButton *button)
{
    FlatUI::instance()->setPushButtonQss(button, 5, 6, "#3db9ec", "#FFFFFF", "#4E6D8C", "#F0F0F0", "#2D3E50",
                                         "#B8C6D1");
}

} // namespace

LineWindow::LineWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("LineWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(1000, 700);
    new ScreenFit::Keeper(this, [] { return static_cast<const QWidget *>(QApplication::activeWindow()); });

    auto *central = new QWidget(this);
    setCentralWidget(central);

    m_addressLabel = new QLabel(central);
    m_address = new QLineEdit(central);
    m_address->setObjectName(QStringLiteral("lE_Broker"));
    m_address->setMaximumWidth(260);
    m_connect = new QPushButton(central);
    m_connect->setObjectName(QStringLiteral("pB_Connect"));
    styleButton(m_connect);
    m_login = new QPushButton(central);
    m_login->setObjectName(QStringLiteral("pB_Login"));
    styleButton(m_login);
    m_link = new QLabel(central);
    m_link->setObjectName(QStringLiteral("lb_Link"));
    m_link->setTextFormat(Qt::PlainText); // the address and the network's reason as they come
    m_link->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *top = new QHBoxLayout;
    top->addWidget(m_addressLabel);
    top->addWidget(m_address, 1);
    top->addWidget(m_connect);
    top->addWidget(m_login);
    top->addWidget(m_link, 2);

    m_banner = new QLabel(central);
    m_banner->setObjectName(QStringLiteral("lb_Banner"));
    m_banner->setWordWrap(true);
    m_banner->setStyleSheet(QStringLiteral("QLabel{background:#FFF3CD;color:#664D03;padding:4px;}"));
    m_banner->setTextFormat(Qt::PlainText);
    m_banner->hide();

    m_busView = makeTable(central, "tV_Buses");
    m_busView->setModel(m_monitor.buses());
    m_busView->setItemDelegate(new RowDelegate(LineBusModel::PresenceRole, -1, -1, m_busView));
    m_busView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_busView->horizontalHeader()->setStretchLastSection(true);

    m_gatewayLabel = new QLabel(central);
    m_gatewayFilter = new QComboBox(central);
    m_gatewayFilter->setObjectName(QStringLiteral("comB_Gateway"));
    m_gatewayFilter->addItem(QString(), QString());
    m_busLabel = new QLabel(central);
    m_busFilter = new QComboBox(central);
    m_busFilter->setObjectName(QStringLiteral("comB_Bus"));
    m_busFilter->addItem(QString(), QString());
    m_showLabel = new QLabel(central);
    m_showFilter = new QComboBox(central);
    m_showFilter->setObjectName(QStringLiteral("comB_Show"));
    for (LineFilter::Show s : {LineFilter::Show::All, LineFilter::Show::Online, LineFilter::Show::Offline,
                               LineFilter::Show::Leased})
        m_showFilter->addItem(QString(), int(s));
    m_faultsOnly = new QCheckBox(central);
    m_faultsOnly->setObjectName(QStringLiteral("cB_FaultsOnly"));
    m_search = new QLineEdit(central);
    m_search->setObjectName(QStringLiteral("lE_Search"));
    m_search->setClearButtonEnabled(true);
    for (QComboBox *combo : {m_gatewayFilter, m_busFilter, m_showFilter})
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto *filters = new QHBoxLayout;
    filters->addWidget(m_gatewayLabel);
    filters->addWidget(m_gatewayFilter);
    filters->addWidget(m_busLabel);
    filters->addWidget(m_busFilter);
    filters->addWidget(m_showLabel);
    filters->addWidget(m_showFilter);
    filters->addWidget(m_faultsOnly);
    filters->addWidget(m_search, 1);

    m_filter = new LineFilter(m_monitor.table(), this);
    m_deviceView = makeTable(central, "tV_Devices");
    m_deviceView->setModel(m_filter);
    m_deviceView->setItemDelegate(new RowDelegate(LineTableModel::PresenceRole, LineTableModel::FaultRole,
                                                  LineTableModel::FaultColumn, m_deviceView));
    m_deviceView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_deviceView->setSortingEnabled(true);
    m_deviceView->sortByColumn(LineTableModel::GatewayColumn, Qt::AscendingOrder);
    QHeaderView *columns = m_deviceView->horizontalHeader();
    columns->setStretchLastSection(true);
    const int digit = QFontMetrics(m_deviceView->font()).horizontalAdvance(QLatin1Char('0'));
    const int widths[LineTableModel::ColumnCount] = {7, 7, 3, 10, 12, 9, 9, 15, 8, 7, 7, 5, 10};
    for (int c = 0; c < LineTableModel::ColumnCount; ++c)
        columns->resizeSection(c, widths[c] * digit + 8);
    const int busWidths[LineBusModel::ColumnCount] = {10, 7, 15, 10, 13, 12, 9, 10};
    for (int c = 0; c < LineBusModel::ColumnCount; ++c)
        m_busView->horizontalHeader()->resizeSection(c, busWidths[c] * digit + 8);

    auto *devicesBox = new QWidget(central);
    auto *devicesLayout = new QVBoxLayout(devicesBox);
    devicesLayout->setContentsMargins(0, 0, 0, 0);
    devicesLayout->addLayout(filters);
    devicesLayout->addWidget(m_deviceView, 1);

    m_charts = new LineCharts(central);
    m_devicePage = new QWidget(central);
    m_info = makeList(m_devicePage, "tW_DeviceInfo");
    m_parameters = makeList(m_devicePage, "tW_Parameters");
    m_parameters->setColumnCount(3);
    m_diagnose = new QPushButton(m_devicePage);
    m_diagnose->setObjectName(QStringLiteral("pB_Diagnose"));
    m_diagnose->setEnabled(false);
    auto *pageLayout = new QGridLayout(m_devicePage);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(m_info, 0, 0);
    pageLayout->addWidget(m_parameters, 0, 1);
    pageLayout->addWidget(m_diagnose, 1, 0, 1, 2, Qt::AlignLeft);
    pageLayout->setColumnStretch(0, 1);
    pageLayout->setColumnStretch(1, 1);
    m_detail = new QTabWidget(central);
    m_detail->setObjectName(QStringLiteral("tW_Detail"));
    m_detail->addTab(m_charts, QString());
    m_detail->addTab(m_devicePage, QString());

    m_splitter = new QSplitter(Qt::Vertical, central);
    m_splitter->addWidget(m_busView);
    m_splitter->addWidget(devicesBox);
    m_splitter->addWidget(m_detail);
    m_splitter->setChildrenCollapsible(false);
    m_busView->setMinimumHeight(60);
    m_splitter->setSizes({80, 250, 330});

    auto *layout = new QVBoxLayout(central);
    layout->addLayout(top);
    layout->addWidget(m_banner);
    layout->addWidget(m_splitter, 1);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lb_Summary"));
    statusBar()->addWidget(m_summary, 1);

    connect(m_connect, &QPushButton::clicked, this, [this] {
        if (m_monitor.feed()->isOpen())
            disconnectFromBroker();
        else
            connectToBroker();
    });
    connect(m_address, &QLineEdit::returnPressed, this, [this] { connectToBroker(); });
    connect(m_login, &QPushButton::clicked, this, &LineWindow::chooseLogin);
    connect(&m_monitor, &LineMonitor::refreshed, this, &LineWindow::refreshed);
    connect(&m_monitor, &LineMonitor::linkChanged, this, &LineWindow::updateLink);
    connect(m_gatewayFilter, QOverload<int>::of(&QComboBox::activated), this, [this] {
        m_filter->setGateway(m_gatewayFilter->currentData().toString());
        updateFilters();
    });
    connect(m_busFilter, QOverload<int>::of(&QComboBox::activated), this,
            [this] { m_filter->setBus(m_busFilter->currentData().toString()); });
    connect(m_showFilter, QOverload<int>::of(&QComboBox::activated), this,
            [this] { m_filter->setShow(LineFilter::Show(m_showFilter->currentData().toInt())); });
    connect(m_faultsOnly, &QCheckBox::toggled, m_filter, &LineFilter::setFaultsOnly);
    connect(m_search, &QLineEdit::textChanged, m_filter, &LineFilter::setText);
    // A bus chosen above shows its devices below.
    connect(m_busView, &QTableView::clicked, this, [this](const QModelIndex &index) {
        const QString gateway = m_monitor.buses()->gatewayAt(index.row());
        const QString bus = m_monitor.buses()->busAt(index.row());
        m_filter->setGateway(gateway);
        m_filter->setBus(bus);
        updateFilters();
        m_gatewayFilter->setCurrentIndex(std::max(0, m_gatewayFilter->findData(gateway)));
        m_busFilter->setCurrentIndex(std::max(0, m_busFilter->findData(bus)));
    });
    connect(m_deviceView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LineWindow::chosenDevicesChanged);
    connect(m_deviceView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &LineWindow::chosenDevicesChanged);
    connect(m_diagnose, &QPushButton::clicked, this, [this] {
        const int row = currentRow();
        if (LineDiagnosis::judge(m_monitor.state(), row) != LineDiagnosis::Verdict::Possible)
            return;
        const LineState::Device &d = m_monitor.state().devices().at(row);
        emit diagnoseWanted(m_broker, d.gateway, d.bus, d.id);
    });
    connect(m_detail, &QTabWidget::currentChanged, this, [this] {
        updateDetail();
        updateCharts();
    });
    m_deviceView->setColumnHidden(LineTableModel::PollColumn, true);
    retranslate();
    updateLink();
}

LineWindow::~LineWindow() = default;

void LineWindow::setBroker(const LineBroker &broker)
{
    m_broker = broker;
    if (!broker.host.isEmpty())
        m_address->setText(broker.port ? broker.address() : broker.host);
}

bool LineWindow::connectToBroker()
{
    QString host;
    int port = 0;
    QString why;
    m_connectError.clear();
    if (!LineBroker::parseAddress(m_address->text(), &host, &port, &why)) {
        m_connectError = tr("The broker's address %1 is not usable: %2").arg(m_address->text(), why);
        updateLink();
        return false;
    }
    const bool changed = host != m_broker.host || port != m_broker.port;
    m_broker.host = host;
    m_broker.port = port;
    if (!m_monitor.open(m_broker, &why)) {
        m_connectError = tr("Not connected: %1").arg(why);
        updateLink();
        return false;
    }
    if (changed)
        emit brokerChanged(m_broker);
    m_chosen.clear();
    updateLink();
    return true;
}

void LineWindow::disconnectFromBroker()
{
    m_monitor.close();
    m_connectError.clear();
    updateLink();
    refreshed();
}

void LineWindow::chooseLogin()
{
    LineBrokerDialog dialog(m_broker, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_broker = dialog.broker();
    emit brokerChanged(m_broker);
    if (m_monitor.feed()->isOpen())
        connectToBroker();
}

void LineWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QMainWindow::changeEvent(event);
}

void LineWindow::retranslate()
{
    setWindowTitle(tr("Grivant -- Line"));
    m_addressLabel->setText(tr("Broker:"));
    m_address->setPlaceholderText(tr("host or host:port"));
    m_login->setText(tr("Login..."));
    m_gatewayLabel->setText(tr("Gateway:"));
    m_busLabel->setText(tr("Bus:"));
    m_showLabel->setText(tr("Show:"));
    m_gatewayFilter->setItemText(0, tr("All"));
    m_busFilter->setItemText(0, tr("All"));
    const QString shows[] = {tr("All devices"), tr("Online"), tr("Offline"), tr("Leased")};
    for (int i = 0; i < m_showFilter->count(); ++i)
        m_showFilter->setItemText(i, shows[i]);
    m_faultsOnly->setText(tr("Faults only"));
    m_search->setPlaceholderText(tr("Find a model, unique ID, bus or ID"));
    m_detail->setTabText(0, tr("Charts"));
    m_detail->setTabText(1, tr("Device"));
    m_info->setHorizontalHeaderLabels({tr("Item"), tr("Value")});
    m_parameters->setHorizontalHeaderLabels({tr("Address"), tr("Parameter"), tr("Value")});
    m_diagnose->setText(tr("Diagnose"));
    m_monitor.table()->retranslate();
    m_monitor.buses()->retranslate();
    m_charts->retranslate();
    m_shownIdentity.clear();
    updateLink();
    updateDetail();
}

void LineWindow::updateLink()
{
    LineFeed *feed = m_monitor.feed();
    m_connect->setText(feed->isOpen() ? tr("Disconnect") : tr("Connect"));
    QString text;
    switch (feed->link()) {
    case LineFeed::Link::Off: text = m_connectError.isEmpty() ? tr("Not connected") : m_connectError; break;
    case LineFeed::Link::Connecting: text = tr("Connecting to %1...").arg(feed->address()); break;
    case LineFeed::Link::Connected: text = tr("Connected to %1").arg(feed->address()); break;
    case LineFeed::Link::Refused:
        text = tr("%1 refused the connection: %2").arg(feed->address(), feed->linkReason());
        break;
    case LineFeed::Link::Unreachable:
        text = tr("%1 cannot be reached: %2").arg(feed->address(), feed->linkReason());
        break;
    case LineFeed::Link::Lost: text = tr("The connection to %1 was lost: %2").arg(feed->address(), feed->linkReason()); break;
    }
    m_link->setText(text);
    m_link->setToolTip(text);
    updateBanner();
}

QString LineWindow::bannerText() const
{
    return m_banner->isHidden() ? QString() : m_banner->text();
}

void LineWindow::updateBanner()
{
    QStringList lines;
    const LineFeed::Link link = m_monitor.feed()->link();
    if (m_monitor.feed()->isOpen() && link != LineFeed::Link::Connected && link != LineFeed::Link::Connecting
        && m_monitor.table()->rowCount() > 0)
        lines << tr("The broker is out of reach: the table shows what was known before, and the view "
                    "connects again by itself.");
    const LineState &state = m_monitor.state();
    if (state.leftOut() > 0)
        lines << tr("The table holds at most %1 devices (%2 gateways, %3 buses): %4 messages of further ones "
                    "were left out.")
                     .arg(LineState::MaxDevices)
                     .arg(LineState::MaxGateways)
                     .arg(LineState::MaxBuses)
                     .arg(state.leftOut());
    if (m_monitor.feed()->dropped() > 0)
        lines << tr("%1 messages came faster than the view could take them and were dropped.")
                     .arg(m_monitor.feed()->dropped());
    if (state.notUnderstood() > 0) {
        QString why;
        switch (state.lastProblem()) {
        case LineProblem::TooLarge: why = tr("larger than %1 kB").arg(LineTopic::MaxPayloadBytes / 1024); break;
        case LineProblem::NotJson: why = tr("not JSON"); break;
        case LineProblem::NotAnObject: why = tr("not a JSON object"); break;
        case LineProblem::UnknownWord: why = tr("neither online nor offline"); break;
        case LineProblem::BadId: why = tr("not a slave ID from 1 to 247"); break;
        default: why = tr("not a topic of the gateways"); break;
        }
        lines << tr("%1 messages under grivant/ were not understood and left out; the last: %2 (%3).")
                     .arg(QString::number(state.notUnderstood()), state.lastProblemTopic(), why);
    }
    m_banner->setText(lines.join(QLatin1Char('\n')));
    m_banner->setVisible(!lines.isEmpty());
}

void LineWindow::updateFilters()
{
    const LineState &state = m_monitor.state();
    QStringList gateways;
    for (const LineState::Gateway &g : state.gateways())
        gateways << g.name;
    gateways.sort(Qt::CaseInsensitive);
    const QString chosenGateway = m_gatewayFilter->currentData().toString();
    QStringList buses;
    for (const LineState::Bus &b : state.buses())
        if ((chosenGateway.isEmpty() || b.gateway == chosenGateway) && !buses.contains(b.name))
            buses << b.name;
    buses.sort(Qt::CaseInsensitive);
    const auto fill = [](QComboBox *combo, const QStringList &names) {
        QStringList now;
        for (int i = 1; i < combo->count(); ++i)
            now << combo->itemData(i).toString();
        if (now == names)
            return;
        const QString current = combo->currentData().toString();
        while (combo->count() > 1)
            combo->removeItem(1);
        for (const QString &name : names)
            combo->addItem(name, name);
        combo->setCurrentIndex(std::max(0, combo->findData(current)));
    };
    fill(m_gatewayFilter, gateways);
    fill(m_busFilter, buses);
}

void LineWindow::refreshed()
{
    // The poll figures take a column once some gateway publishes them.
    m_deviceView->setColumnHidden(LineTableModel::PollColumn, !m_monitor.state().anyHealth());
    updateFilters();
    updateBanner();
    updateDetail();
    updateCharts();
    const LineState &state = m_monitor.state();
    int offline = 0;
    int faults = 0;
    for (const LineState::Device &d : state.devices()) {
        offline += state.presenceOf(d) == Presence::Offline;
        faults += d.hasState && d.reading.fault;
    }
    m_summary->setText(m_monitor.feed()->isOpen() || !state.devices().isEmpty()
                           ? tr("Gateways: %1 · devices: %2 · offline: %3 · with a fault: %4 · shown: %5")
                                 .arg(state.gateways().size())
                                 .arg(state.devices().size())
                                 .arg(offline)
                                 .arg(faults)
                                 .arg(m_filter->rowCount())
                           : QString());
}

int LineWindow::currentRow() const
{
    return m_monitor.state().rowOf(m_current.gateway, m_current.bus, m_current.id);
}

QVector<int> LineWindow::chosenRows() const
{
    QVector<int> rows;
    for (const Key &k : m_chosen) {
        const int row = m_monitor.state().rowOf(k.gateway, k.bus, k.id);
        if (row >= 0)
            rows << row;
    }
    return rows;
}

void LineWindow::chosenDevicesChanged()
{
    m_chosen.clear();
    const QModelIndexList selected = m_deviceView->selectionModel()->selectedRows();
    for (const QModelIndex &index : selected) {
        const LineState::Device *d = m_monitor.table()->device(m_filter->mapToSource(index).row());
        if (d)
            m_chosen.append({d->gateway, d->bus, d->id});
    }
    // The first chosen row leads the curves' colours in the order the table shows them.
    std::sort(m_chosen.begin(), m_chosen.end(), [this](const Key &a, const Key &b) {
        const int ra = m_filter->mapFromSource(m_monitor.table()->index(
                                                   m_monitor.state().rowOf(a.gateway, a.bus, a.id), 0)).row();
        const int rb = m_filter->mapFromSource(m_monitor.table()->index(
                                                   m_monitor.state().rowOf(b.gateway, b.bus, b.id), 0)).row();
        return ra < rb;
    });
    const QModelIndex current = m_deviceView->selectionModel()->currentIndex();
    const LineState::Device *d = current.isValid() ? m_monitor.table()->device(m_filter->mapToSource(current).row())
                                                   : nullptr;
    m_current = d ? Key{d->gateway, d->bus, d->id} : Key{QString(), QString(), 0};
    // Rows chosen without a current one (by the program): the detail shows the first.
    if (!d && !m_chosen.isEmpty())
        m_current = m_chosen.first();
    updateDetail();
    updateCharts();
}

void LineWindow::updateCharts()
{
    if (m_detail->currentWidget() != m_charts || !isVisible())
        return;
    m_charts->show(m_monitor.state(), chosenRows(), m_monitor.now());
}

void LineWindow::updateDiagnose()
{
    const int row = currentRow();
    using LineDiagnosis::Verdict;
    const Verdict verdict = LineDiagnosis::judge(m_monitor.state(), row);
    m_diagnose->setEnabled(verdict == Verdict::Possible);
    QString why;
    switch (verdict) {
    case Verdict::Possible:
        why = tr("Opens this device in the main window through its gateway: the gateway lends it to the window "
                 "alone, and polls it again when the window disconnects.");
        break;
    case Verdict::NoDevice: why = tr("Choose a device above."); break;
    case Verdict::NotIdentified: why = tr("Its gateway has not told yet what this device is."); break;
    case Verdict::NotLent:
        why = tr("Its gateway lends no device for diagnosis (allow_diagnosis = yes in the gateway's "
                 "configuration turns it on).");
        break;
    case Verdict::GatewayOffline: why = tr("Its gateway is offline."); break;
    case Verdict::DeviceOffline: why = tr("The device is offline: its gateway does not reach it."); break;
    case Verdict::Leased: {
        const QString holder = m_monitor.state().devices().at(row).holder;
        why = holder.isEmpty() ? tr("Another client holds its lease.") : tr("%1 holds its lease.").arg(holder);
        break;
    }
    }
    m_diagnose->setToolTip(why);
}

void LineWindow::updateDetail()
{
    updateDiagnose();
    if (m_detail->currentWidget() != m_devicePage)
        return;
    const int row = currentRow();
    const LineState::Device *d = row >= 0 ? &m_monitor.state().devices().at(row) : nullptr;
    if (!d) {
        m_info->setRowCount(0);
        m_parameters->setRowCount(0);
        m_shownIdentity.clear();
        return;
    }
    const DeviceIdentity &i = d->identity;
    QVector<QPair<QString, QString>> rows = {
        {tr("Gateway"), d->gateway},
        {tr("Bus"), d->bus},
        {tr("ID"), QString::number(d->id)},
        {tr("Availability"), LineTableModel::presenceText(m_monitor.state().presenceOf(*d))},
        {tr("Lease holder"), m_monitor.state().presenceOf(*d) == Presence::Leased ? d->holder : QString()},
        {tr("Model"), i.modelName},
        {tr("Model code"), i.modelKey.isEmpty() ? i.modelCode : tr("%1 (key %2)").arg(i.modelCode, i.modelKey)},
        {tr("Family"), LineTableModel::familyText(d->family())},
        {tr("Hardware version"), i.hardware},
        {tr("Software version"), i.software},
        {tr("Unique ID"), i.uniqueId},
        {tr("Port"), i.port},
        {tr("Line"), i.line},
        {tr("Identified at"), timeText(i.timeMs)},
        {tr("Last state at"), timeText(d->stateAtMs)},
        {tr("Initialisation"), LineTableModel::initialisationText(*d)},
        {tr("State"), LineTableModel::stateText(*d)},
        {tr("Fault"), LineTableModel::faultText(*d)},
    };
    // How well the gateway polls it, over its last stats period.
    const DeviceHealth &h = d->health;
    if (h.known) {
        const auto n = [](double v) { return v < 0 ? QStringLiteral("-") : QString::number(v, 'f', 0); };
        rows.append({tr("Poll period"), h.periodMs == 0 ? tr("as fast as the line goes") : tr("%1 ms").arg(n(h.periodMs))});
        QString interval = LineTableModel::pollText(*d);
        if (h.late)
            interval += QLatin1String(" - ") + tr("late");
        rows.append({tr("Poll interval, median / 95 %"), interval});
        rows.append({tr("Polls and failures"),
                     tr("%1 polls, %2 failures (%3 without an answer, %4 garbled, %5 refused)")
                         .arg(n(h.polls), n(h.failures), n(h.timeouts), n(h.crcErrors), n(h.exceptions))});
    }
    // Every value of the state as the gateway named it, the rotary axis's included.
    for (const LineValue &v : d->reading.values) {
        QString value = v.hasValue ? numberText(v.value) : QString();
        if (!v.unit.isEmpty())
            value += QLatin1Char(' ') + v.unit;
        if (!v.text.isEmpty())
            value += QLatin1String(" (") + v.text + QLatin1Char(')');
        if (v.fault)
            value += QLatin1String(" - ") + tr("fault");
        rows.append({v.key, value});
    }
    m_info->setRowCount(rows.size());
    for (int r = 0; r < rows.size(); ++r)
        setRow(m_info, r, rows.at(r).first, rows.at(r).second);
    m_info->resizeColumnToContents(0);

    const QString identity = d->gateway + QLatin1Char('/') + d->bus + QLatin1Char('/') + QString::number(d->id)
                             + QLatin1Char('@') + QString::number(i.timeMs) + QLatin1Char('#')
                             + QString::number(i.parameters.size());
    if (identity == m_shownIdentity)
        return;
    m_shownIdentity = identity;
    m_parameters->setRowCount(i.parameters.size() + (i.parametersLeftOut > 0 ? 1 : 0));
    for (int r = 0; r < i.parameters.size(); ++r) {
        const DeviceIdentity::Parameter &p = i.parameters.at(r);
        const QString texts[] = {p.address, p.name, p.hasValue ? numberText(p.value) : QString()};
        for (int c = 0; c < 3; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            m_parameters->setItem(r, c, item);
        }
    }
    if (i.parametersLeftOut > 0)
        m_parameters->setItem(i.parameters.size(), 1,
                              new QTableWidgetItem(tr("%1 more left out").arg(i.parametersLeftOut)));
    m_parameters->resizeColumnToContents(0);
    m_parameters->resizeColumnToContents(1);
}
