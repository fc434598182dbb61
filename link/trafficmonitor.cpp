#include "link/trafficmonitor.h"

#include "app/elidinglabel.h"
#include "app/flatui.h"
#include "app/screenfit.h"
#include "link/traffic.h"
#include "link/trafficmodel.h"

#include <QAction>
#include <QCache>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QHelpEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QSize PreferredSize(1180, 600);
const char *const InvalidFieldQss = "QLineEdit{border:1px solid #C0392B;}";

// Function filter entries: the function code, or one of the filter's special values.
constexpr int FunctionChoices[] = {TrafficFilter::AnyFunction, 0x03, 0x06, 0x10, TrafficFilter::ErrorsOnly};

void styleButton(QPushButton *button)
{
    FlatUI::instance()->setPushButtonQss(button, 5, 6, "#3db9ec", "#FFFFFF", "#4E6D8C", "#F0F0F0",
                                         "#2D3E50", "#B8C6D1");
}

} // namespace

// Cells drawn plainly, a text too long for its cell cut with an ellipsis, their texts laid
// out once. The log
// repaints several times a second while frames come in, mostly rows it has drawn before;
// the style's item painting (eliding, focus frames, the style sheets of the windows
// around) and laying out every text anew cost several milliseconds per repaint.
class PlainRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Texts change with the language and the column widths.
    void forget() { m_cells.clear(); }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QRect box = textBox(option);
        const Cell *cell = cellFor(option, index, box);

        // The view has the style draw an alternate row's background, not a selected one's.
        const bool selected = option.state & QStyle::State_Selected;
        if (selected)
            painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
        painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                                 : cell->colour.isValid() ? cell->colour : option.palette.color(QPalette::Text));
        painter->save();
        painter->setClipRect(box.adjusted(-3, 0, 0, 0));
        painter->setFont(option.font);
        painter->drawStaticText(box.left(), box.top() + (box.height() - option.fontMetrics.height()) / 2, cell->text);
        painter->restore();
    }

    // A cell too narrow for its text shows the whole of it as a tooltip.
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const Cell *cell = cellFor(option, index, textBox(option));
        if (cell->elided)
            QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view,
                               option.rect);
        else
            QToolTip::hideText();
        return true;
    }

private:
    struct Cell {
        QStaticText text;
        QColor colour;
        bool elided = false;
    };

    static QRect textBox(const QStyleOptionViewItem &option) { return option.rect.adjusted(3, 0, -3, 0); }

    const Cell *cellFor(const QStyleOptionViewItem &option, const QModelIndex &index, const QRect &box) const
    {
        const quint64 key = index.data(TrafficModel::SeqRole).toULongLong() * TrafficModel::ColumnCount
                            + quint64(index.column());
        if (const Cell *cell = m_cells.object(key))
            return cell;
        auto *cell = new Cell;
        // In a fixed-pitch font no more characters fit than the width holds digits: the
        // rest would be laid out only to be elided away.
        QString text = index.data(Qt::DisplayRole).toString();
        const int fit = box.width() / qMax(1, option.fontMetrics.horizontalAdvance(QLatin1Char('0'))) + 1;
        const bool cut = text.size() > fit;
        if (cut)
            text.truncate(fit);
        const QString shown = option.fontMetrics.elidedText(text + (cut ? QStringLiteral("\u2026") : QString()),
                                                            Qt::ElideRight, box.width());
        cell->elided = cut || shown != text;
        cell->text.setText(shown);
        cell->text.setTextFormat(Qt::PlainText);
        cell->text.prepare(QTransform(), option.font);
        cell->colour = index.data(Qt::ForegroundRole).value<QColor>();
        m_cells.insert(key, cell);
        return cell;
    }

    // A few screens of rows: a repaint redraws what is in view.
    mutable QCache<quint64, Cell> m_cells{1500};
};

TrafficMonitor::TrafficMonitor(TrafficTap *tap, QWidget *parent)
    : QWidget(parent, Qt::Window), m_tap(tap)
{
    setObjectName(QStringLiteral("TrafficMonitor"));
    // Closing it alone never ends the program, nor keeps it running.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(PreferredSize);
    // Opens on the screen of the window it was opened from, as much of it as fits there.
    new ScreenFit::Keeper(this, [] { return static_cast<const QWidget *>(QApplication::activeWindow()); });

    m_model = new TrafficModel(TrafficModel::DefaultCapacity, this);

    auto makeButton = [this](const char *name, bool checkable) {
        auto *button = new QPushButton(this);
        button->setObjectName(QLatin1String(name));
        button->setCheckable(checkable);
        styleButton(button);
        return button;
    };
    m_pause = makeButton("pB_Pause", true);
    m_clear = makeButton("pB_Clear", false);
    m_copy = makeButton("pB_Copy", false);
    m_save = makeButton("pB_Save", false);

    m_idLabel = new QLabel(this);
    m_idLabel->setObjectName(QStringLiteral("lb_FilterId"));
    m_id = new QLineEdit(this);
    m_id->setObjectName(QStringLiteral("lE_FilterId"));
    m_id->setMaximumWidth(70);
    m_functionLabel = new QLabel(this);
    m_functionLabel->setObjectName(QStringLiteral("lb_FilterFunction"));
    m_function = new QComboBox(this);
    m_function->setObjectName(QStringLiteral("comB_FilterFunction"));
    for (int code : FunctionChoices)
        m_function->addItem(QString(), code);
    m_addressLabel = new QLabel(this);
    m_addressLabel->setObjectName(QStringLiteral("lb_FilterAddress"));
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("lE_FilterAddress"));
    m_address->setMaximumWidth(130);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("tV_Traffic"));
    m_view->setModel(m_model);
    m_delegate = new PlainRowDelegate(m_view);
    m_view->setItemDelegate(m_delegate);
    QFont mono(QStringLiteral("monospace"), 10);
    mono.setStyleHint(QFont::TypeWriter);
    m_view->setFont(mono);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setAlternatingRowColors(true);
    m_view->setShowGrid(false);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A hundred thousand rows: fixed heights and widths, never sized to their contents.
    QHeaderView *rows = m_view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(QFontMetrics(mono).height() + 4);
    rows->hide();
    // The bytes take what the window gives beyond the other columns' widths.
    QHeaderView *columns = m_view->horizontalHeader();
    columns->setStretchLastSection(false);
    const int digit = QFontMetrics(mono).horizontalAdvance(QLatin1Char('0'));
    columns->resizeSection(TrafficModel::TimeColumn, 14 * digit);
    columns->resizeSection(TrafficModel::DirectionColumn, 12 * digit);
    columns->resizeSection(TrafficModel::PortColumn, 24 * digit);
    columns->resizeSection(TrafficModel::DecodedColumn, 44 * digit);
    columns->setMinimumSectionSize(6 * digit);
    columns->setSectionResizeMode(TrafficModel::BytesColumn, QHeaderView::Stretch);
    connect(columns, &QHeaderView::sectionResized, this, [this] { m_delegate->forget(); });

    auto *copy = new QAction(this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_view->addAction(copy);
    connect(copy, &QAction::triggered, this, &TrafficMonitor::copySelection);

    // A long message is cut to the window's width rather than widen it; its tooltip has it all.
    // Cut in the middle, so that both the start and the end of a long message (a file name,
    // then why it failed) stay in view.
    m_status = new ElidingLabel(Qt::ElideMiddle, this);
    m_status->setObjectName(QStringLiteral("lb_Status"));

    // The buttons and the filters side by side, or the filters below the buttons where the
    // window is too narrow for both in one row.
    m_buttons = new QWidget(this);
    auto *buttonRow = new QHBoxLayout(m_buttons);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w : {static_cast<QWidget *>(m_pause), static_cast<QWidget *>(m_clear),
                       static_cast<QWidget *>(m_copy), static_cast<QWidget *>(m_save)})
        buttonRow->addWidget(w);
    m_filters = new QWidget(this);
    auto *filterRow = new QHBoxLayout(m_filters);
    filterRow->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w : {static_cast<QWidget *>(m_idLabel), static_cast<QWidget *>(m_id),
                       static_cast<QWidget *>(m_functionLabel), static_cast<QWidget *>(m_function),
                       static_cast<QWidget *>(m_addressLabel), static_cast<QWidget *>(m_address)})
        filterRow->addWidget(w);
    m_bar = new QGridLayout;
    m_bar->setContentsMargins(0, 0, 0, 0);
    m_bar->addWidget(m_buttons, 0, 0, Qt::AlignLeft);
    m_bar->setColumnStretch(0, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_bar);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);

    m_refresh = new QTimer(this);
    m_refresh->setInterval(RefreshMs);
    connect(m_refresh, &QTimer::timeout, this, &TrafficMonitor::refresh);

    connect(m_pause, &QPushButton::toggled, this, &TrafficMonitor::setPaused);
    connect(m_clear, &QPushButton::clicked, this, &TrafficMonitor::clear);
    connect(m_copy, &QPushButton::clicked, this, &TrafficMonitor::copySelection);
    connect(m_save, &QPushButton::clicked, this, &TrafficMonitor::saveAs);
    connect(m_id, &QLineEdit::textChanged, this, &TrafficMonitor::applyFilter);
    connect(m_address, &QLineEdit::textChanged, this, &TrafficMonitor::applyFilter);
    connect(m_function, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &TrafficMonitor::applyFilter);

    retranslate();
}

void TrafficMonitor::retranslate()
{
    setWindowTitle(tr("Grivant -- Traffic monitor"));
    m_pause->setText(m_paused ? tr("Resume") : tr("Pause"));
    m_clear->setText(tr("Clear"));
    m_copy->setText(tr("Copy"));
    m_save->setText(tr("Save..."));
    m_idLabel->setText(tr("ID:"));
    m_id->setPlaceholderText(tr("any"));
    m_functionLabel->setText(tr("Function:"));
    const QString functionTexts[] = {tr("All"), tr("0x03 read"), tr("0x06 write one"),
                                     tr("0x10 write several"), tr("Errors only")};
    for (int i = 0; i < m_function->count(); ++i)
        m_function->setItemText(i, functionTexts[i]);
    m_addressLabel->setText(tr("Register:"));
    m_address->setPlaceholderText(tr("e.g. 0x0202"));
    m_delegate->forget();
    m_model->retranslate();
    updateStatus();
    arrangeBar();
}

void TrafficMonitor::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void TrafficMonitor::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrangeBar();
}

void TrafficMonitor::arrangeBar()
{
    const QMargins margins = layout()->contentsMargins();
    const int room = width() - margins.left() - margins.right();
    const bool oneRow = room >= m_buttons->sizeHint().width() + m_bar->horizontalSpacing()
                                    + m_filters->sizeHint().width();
    const int row = oneRow ? 0 : 1;
    const int column = oneRow ? 1 : 0;
    int at = m_bar->indexOf(m_filters);
    int r = -1, c = -1, rows = 0, columns = 0;
    if (at >= 0)
        m_bar->getItemPosition(at, &r, &c, &rows, &columns);
    if (r == row && c == column)
        return;
    if (at >= 0)
        m_bar->removeWidget(m_filters);
    m_bar->addWidget(m_filters, row, column, oneRow ? Qt::AlignRight : Qt::AlignLeft);
    // As narrow as the wider of the two rows; the table and the status line follow.
    setMinimumWidth(qMax(m_buttons->minimumSizeHint().width(), m_filters->minimumSizeHint().width())
                    + margins.left() + margins.right());
}

// Minimising the window (a spontaneous hide) goes on recording; closing it stops.
void TrafficMonitor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        m_shown = true;
        updateListening();
    }
}

void TrafficMonitor::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous()) {
        m_shown = false;
        updateListening();
    }
}

void TrafficMonitor::updateListening()
{
    const bool on = m_shown && !m_paused;
    m_tap->setListening(on);
    if (on) {
        m_refresh->start();
    } else {
        m_refresh->stop();
        refresh();
    }
    updateStatus();
}

void TrafficMonitor::setPaused(bool paused)
{
    if (m_pause->isChecked() != paused)
        m_pause->setChecked(paused);
    if (m_paused == paused)
        return;
    m_paused = paused;
    m_pause->setText(m_paused ? tr("Resume") : tr("Pause"));
    updateListening();
}

void TrafficMonitor::refresh()
{
    const QVector<TrafficFrame> frames = m_tap->take();
    if (frames.isEmpty())
        return;
    const QScrollBar *bar = m_view->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    m_model->append(frames);
    if (following)
        m_view->scrollToBottom();
    updateStatus();
}

void TrafficMonitor::clear()
{
    m_tap->take();
    m_model->clear();
    m_notice.clear();
    updateStatus();
}

void TrafficMonitor::applyFilter()
{
    TrafficFilter filter;
    bool idOk = TrafficFilter::parseNumber(m_id->text(), 255, &filter.server);
    bool addressOk = TrafficFilter::parseNumber(m_address->text(), 0xFFFF, &filter.address);
    // A field that does not read as a number is marked and left out of the filter.
    if (!idOk)
        filter.server = -1;
    if (!addressOk)
        filter.address = -1;
    m_id->setStyleSheet(idOk ? QString() : QLatin1String(InvalidFieldQss));
    m_address->setStyleSheet(addressOk ? QString() : QLatin1String(InvalidFieldQss));
    filter.function = m_function->currentData().toInt();

    const TrafficFilter old = m_model->filter();
    if (old.server == filter.server && old.function == filter.function && old.address == filter.address)
        return;
    m_model->setFilter(filter);
    m_view->scrollToBottom();
    updateStatus();
}

void TrafficMonitor::copySelection()
{
    QVector<int> rows;
    for (const QModelIndex &index : m_view->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    QApplication::clipboard()->setText(m_model->exportText(TrafficModel::Format::Text, rows, false));
}

void TrafficMonitor::saveAs()
{
    const QString csvFilter = tr("CSV files (*.csv)");
    const QString textFilter = tr("Text files (*.txt)");
    QString chosen;
    const QString suggested = QDir::current().filePath(
        QStringLiteral("traffic-%1.csv").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    QString path = QFileDialog::getSaveFileName(this, tr("Save traffic"), suggested,
                                                csvFilter + QStringLiteral(";;") + textFilter, &chosen);
    if (path.isEmpty())
        return;
    const bool text = path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive)
                      || (chosen == textFilter && !path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive));
    if (QFileInfo(path).suffix().isEmpty())
        path += text ? QStringLiteral(".txt") : QStringLiteral(".csv");
    saveTo(path, text);
}

void TrafficMonitor::saveTo(const QString &path, bool text)
{
    QString error;
    if (m_model->save(path, text ? TrafficModel::Format::Text : TrafficModel::Format::Csv, &error))
        m_notice = tr("Saved to %1 (frames: %2).")
                       .arg(QDir::toNativeSeparators(path), QString::number(m_model->rowCount()));
    else
        m_notice = tr("Could not save %1: %2").arg(QDir::toNativeSeparators(path), error);
    updateStatus();
}

void TrafficMonitor::updateStatus()
{
    QString text = tr("%1 of %2 frames shown; the newest %3 are kept.")
                       .arg(QLocale().toString(m_model->rowCount()), QLocale().toString(m_model->ring().size()),
                            QLocale().toString(m_model->ring().capacity()));
    if (m_paused)
        text += QLatin1Char(' ') + tr("Paused: nothing is recorded.");
    if (!m_notice.isEmpty())
        text += QLatin1Char(' ') + m_notice;
    m_statusText = text;
    m_status->setWholeText(text);
}
