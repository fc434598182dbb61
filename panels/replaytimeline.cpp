#include "panels/replaytimeline.h"

#include "app/flatui.h"
#include "engine/sessionfile.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace {
constexpr int Speeds[] = {1, 2, 4, 8, 16};
}

ReplayTimeline::ReplayTimeline(QWidget *parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("tB_Replay"));
    setMovable(false);
    setFloatable(false);
    auto button = [this](const char *name) {
        auto *b = new QPushButton(this);
        b->setObjectName(QLatin1String(name));
        FlatUI::instance()->setPushButtonQss(b, 5, 6, "#3db9ec", "#FFFFFF", "#4E6D8C", "#F0F0F0", "#2D3E50", "#B8C6D1");
        return b;
    };
    m_play = button("pB_ReplayPlay");
    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("comB_ReplaySpeed"));
    for (int s : Speeds)
        m_speed->addItem(QStringLiteral("%1\u00D7").arg(s), s);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("hS_ReplayPosition"));
    // The slider takes whatever room is left; the time beside it is never cut, since the
    // window is often no wider than the timeline's row.
    m_slider->setMinimumWidth(120);
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("lb_ReplayTime"));
    m_time->setMinimumWidth(m_time->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.0 / 00:00:00.0")) + 4);
    m_nextError = button("pB_ReplayNextError");
    m_nextWrite = button("pB_ReplayNextWrite");
    m_nextNotice = button("pB_ReplayNextNotice");
    m_close = button("pB_ReplayClose");
    // Shown in the window's status bar: the timeline keeps to one row.
    m_file = new QLabel;
    m_file->setObjectName(QStringLiteral("lb_ReplayFile"));

    auto *box = new QWidget(this);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(m_play);
    layout->addWidget(m_speed);
    layout->addWidget(m_slider, 1);
    layout->addWidget(m_time);
    layout->addWidget(m_nextError);
    layout->addWidget(m_nextWrite);
    layout->addWidget(m_nextNotice);
    layout->addWidget(m_close);
    addWidget(box);

    connect(m_play, &QPushButton::clicked, this, [this] { emit playToggled(!m_playing); });
    connect(m_speed, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { emit speedChosen(m_speed->itemData(index).toInt()); });
    // Dragging and clicking on the groove both go to that moment; the slider counts
    // milliseconds.
    connect(m_slider, &QSlider::valueChanged, this, [this](int ms) {
        if (m_slider->signalsBlocked())
            return;
        emit seekRequested(qint64(ms) * 1000);
    });
    connect(m_nextError, &QPushButton::clicked, this, [this] { emit jumpRequested(Jump::Error); });
    connect(m_nextWrite, &QPushButton::clicked, this, [this] { emit jumpRequested(Jump::Write); });
    connect(m_nextNotice, &QPushButton::clicked, this, [this] { emit jumpRequested(Jump::Notice); });
    connect(m_close, &QPushButton::clicked, this, &ReplayTimeline::closeRequested);
    retranslate();
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
    const QSignalBlocker block(m_slider);
    m_slider->setRange(0, int(us / 1000));
    m_slider->setPageStep(qMax(1, int(us / 1000 / 20)));
    setPosition(m_position);
}

void ReplayTimeline::setPosition(qint64 us)
{
    m_position = us;
    if (!m_slider->isSliderDown()) {
        const QSignalBlocker block(m_slider);
        m_slider->setValue(int(us / 1000));
    }
    m_time->setText(positionText());
}

QString ReplayTimeline::positionText() const
{
    return QStringLiteral("%1 / %2").arg(SessionFormat::timeText(m_position).left(10),
                                         SessionFormat::timeText(m_duration).left(10));
}

void ReplayTimeline::setPlaying(bool playing)
{
    m_playing = playing;
    m_play->setText(m_playing ? tr("Pause") : tr("Play"));
}

void ReplayTimeline::setFileName(const QString &name)
{
    m_file->setText(tr("Replay of %1: nothing is written to a device").arg(name));
}
