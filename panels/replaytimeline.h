#pragma once

#include <QPointer>
#include <QWidget>

class ElidingLabel;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

// The controls of a recorded session's replay: play and pause, speed, a slider to any
// moment (this widget, which the window puts into its status bar), and jumps to the next
// error, write or notice with the button that ends the replay (jumpButtons(), which the
// window puts at the right of its menu bar). They take no row of their own, so that the
// window shows all it shows of a live device on a screen 768 pixels high. They only show
// and ask; the window plays.
class ReplayTimeline : public QWidget
{
    Q_OBJECT

public:
    enum class Jump { Error, Write, Notice };

    explicit ReplayTimeline(QWidget *parent = nullptr);
    ~ReplayTimeline() override;

    void setDuration(qint64 us);
    void setPosition(qint64 us);
    void setPlaying(bool playing);
    void setFileName(const QString &name);
    QSlider *slider() const { return m_slider; }
    QPushButton *playButton() const { return m_play; }
    QComboBox *speedBox() const { return m_speed; }
    QLabel *fileLabel() const;
    QWidget *jumpButtons() const { return m_jumps; }
    QString positionText() const;
    void retranslate();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void playToggled(bool play);
    void speedChosen(int speed);
    void seekRequested(qint64 us);
    void jumpRequested(ReplayTimeline::Jump jump);
    void closeRequested();

private:
    QPushButton *m_play;
    QComboBox *m_speed;
    QSlider *m_slider;
    QLabel *m_time;
    QPointer<QWidget> m_jumps;
    QPushButton *m_nextError;
    QPushButton *m_nextWrite;
    QPushButton *m_nextNotice;
    QPushButton *m_close;
    QPointer<ElidingLabel> m_file;
    qint64 m_duration = 0;
    qint64 m_stepUs = 1000; // what a step of the slider stands for
    qint64 m_position = 0;
    bool m_playing = false;
};
