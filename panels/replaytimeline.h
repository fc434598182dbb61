#pragma once

#include <QToolBar>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

// The timeline under the window while a recorded session is replayed: play and pause,
// speed, a slider to any moment, and jumps to the next error, write or notice. It only
// shows and asks; the window plays.
class ReplayTimeline : public QToolBar
{
    Q_OBJECT

public:
    enum class Jump { Error, Write, Notice };

    explicit ReplayTimeline(QWidget *parent = nullptr);

    void setDuration(qint64 us);
    void setPosition(qint64 us);
    void setPlaying(bool playing);
    void setFileName(const QString &name);
    QSlider *slider() const { return m_slider; }
    QPushButton *playButton() const { return m_play; }
    QComboBox *speedBox() const { return m_speed; }
    QLabel *fileLabel() const { return m_file; }
    QString positionText() const;
    void retranslate();

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
    QPushButton *m_nextError;
    QPushButton *m_nextWrite;
    QPushButton *m_nextNotice;
    QPushButton *m_close;
    QLabel *m_file;
    qint64 m_duration = 0;
    qint64 m_position = 0;
    bool m_playing = false;
};
