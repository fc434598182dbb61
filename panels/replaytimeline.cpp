#include "panels/replaytimeline.h"

#include "app/elidinglabel.h"
#include "app/flatui.h"
#include "engine/sessionfile.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <limits>

namespace {
constexpr int Speeds[] = {1, 2, 4, 8, 16};
} // namespace

ReplayTimeline::ReplayTimeline(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("wg_Replay"));
    // Buttons no taller than a menu bar's row.
    auto button = [](QWidget *parent, const char *name) {
        auto *b = new QPushButton(parent);
        b->setObjectName(QLatin1String(name));
        FlatUI::instance()->setPushButtonQss(b, 4, 3, "#3db9ec", "#FFFFFF", "#4E6D8C", "#F0F0F0", "#2D3E50", "#B8C6D1");
        return b;
    };
    m_play = button(this, "pB_ReplayPlay");
    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("comB_ReplaySpeed"));
    for (int s : Speeds)
        m_speed->addItem(QStringLiteral("%1\u00D7").arg(s), s);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("hS_ReplayPosition"));
    // The slider takes whatever room is left; the time beside it is never cut.
    m_slider->setMinimumWidth(120);
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("lb_ReplayTime"));
    m_time->setMinimumWidth(m_time->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.0 / 00:00:00.0")) + 4);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_play);
    layout->addWidget(m_speed);
    layout->addWidget(m_slider, 1);
    layout->addWidget(m_time);

    m_jumps = new QWidget;
    m_jumps->setObjectName(QStringLiteral("wg_ReplayJumps"));
    m_nextError = button(m_jumps, "pB_ReplayNextError");
    m_nextWrite = button(m_jumps, "pB_ReplayNextWrite");
    m_nextNotice = button(m_jumps, "pB_ReplayNextNotice");
    m_close = button(m_jumps, "pB_ReplayClose");
    auto *jumps = new QHBoxLayout(m_jumps);
    jumps->setContentsMargins(0, 1, 4, 1);
    for (QPushButton *b : {m_nextError, m_nextWrite, m_nextNotice, m_close})
        jumps->addWidget(b);

    // Shown at the left of the window's status bar.
    // The file's name in the room the timeline leaves, so that a narrow window still shows
    // the timeline.
    m_file = new ElidingLabel(Qt::ElideRight);
    m_file->setObjectName(QStringLiteral("lb_ReplayFile"));

    connect(m_play, &QPushButton::clicked, this, [this] { emit playToggled(!m_playing); });
    connect(m_speed, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { emit speedChosen(m_speed->itemData(index).toInt()); });
    // Dragging and clicking on the groove both go to that moment; the slider counts
    // milliseconds, or longer steps in a session too long for that (see setDuration).
    connect(m_slider, &QSlider::valueChanged, this, [this](int step) {
        if (m_slider->signalsBlocked())
            return;
        emit seekRequested(qint64(step) * m_stepUs);
    });
    connect(m_nextError, &QPushButton::clicked, this, [this] { emit jumpRequested(Jump::Error); });
    connect(m_nextWrite, &QPushButton::clicked, this, [this] { emit jumpRequested(Jump::Write); });
    connect(m_nextNotice, &QPushButton::clicked, this, [this] { emit jumpRequested(Jump::Notice); });
    connect(m_close, &QPushButton::clicked, this, &ReplayTimeline::closeRequested);
    retranslate();
}

// The strips the window took into its status bar and menu bar go with the timeline.
ReplayTimeline::~ReplayTimeline()
{
    delete m_jumps;
    delete m_file;
}

// In the status bar it takes half the width, the other half is left to the file's name and
// the notices: as wide as the window allows, yet never over the notices' room.
bool ReplayTimeline::event(QEvent *event)
{
    if (event->type() == QEvent::ParentAboutToChange && parentWidget())
        parentWidget()->removeEventFilter(this);
    else if (event->type() == QEvent::ParentChange && parentWidget())
        parentWidget()->installEventFilter(this);
    return QWidget::event(event);
}

bool ReplayTimeline::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setFixedWidth(qMax(minimumSizeHint().width(), parentWidget()->width() / 2));
    return QWidget::eventFilter(watched, event);
}

QLabel *ReplayTimeline::fileLabel() const
{
    return m_file;
}

void ReplayTimeline::retranslate()
{
    m_play->setText(m_playing ? tr("Pause") : tr("Play"));
    m_nextError->setText(tr("Next error"));
    m_nextWrite->setText(tr("Next write"));
    m_nextNotice->setText(tr("Next notice"));
    m_close->setText(tr("Close replay"));
    m_speed->setToolTip(tr("Replay speed"));
    m_slider->setToolTip(tr("Drag to any moment of the session"));
    m_nextError->setToolTip(tr("The next failure on the line: no answer, an exception or a bad CRC"));
    m_nextWrite->setToolTip(tr("The next write that was queued or sent"));
    m_nextNotice->setToolTip(tr("The next notice or process-log line"));
}

void ReplayTimeline::setDuration(qint64 us)
{
    m_duration = us;
    // A slider holds an int: a session of more than 24 days (a file may claim up to a
    // hundred years) is stepped through in longer steps than a millisecond.
    m_stepUs = qMax<qint64>(1000, us / std::numeric_limits<int>::max() + 1);
    const QSignalBlocker block(m_slider);
    m_slider->setRange(0, int(us / m_stepUs));
    m_slider->setPageStep(qMax(1, m_slider->maximum() / 20));
    const QString longest = SessionFormat::timeText(us).chopped(2);
    m_time->setMinimumWidth(m_time->fontMetrics().horizontalAdvance(longest + QStringLiteral(" / ") + longest) + 4);
    setPosition(m_position);
}

void ReplayTimeline::setPosition(qint64 us)
{
    m_position = us;
    if (!m_slider->isSliderDown()) {
        const QSignalBlocker block(m_slider);
        m_slider->setValue(int(qBound<qint64>(0, us, m_duration) / m_stepUs));
    }
    m_time->setText(positionText());
}

QString ReplayTimeline::positionText() const
{
    // To a tenth of a second, however many hours there are.
    return QStringLiteral("%1 / %2").arg(SessionFormat::timeText(m_position).chopped(2),
                                         SessionFormat::timeText(m_duration).chopped(2));
}

void ReplayTimeline::setPlaying(bool playing)
{
    m_playing = playing;
    m_play->setText(m_playing ? tr("Pause") : tr("Play"));
}

void ReplayTimeline::setFileName(const QString &name)
{
    m_file->setWholeText(tr("Replay of %1: nothing is written to a device").arg(name));
}
