#pragma once

#include <QAtomicPointer>
#include <QMutex>
#include <QObject>
#include <QString>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

// Flat looks as style sheets: each operation builds the sheet from a few sizes (pixels;
// the progress bar font in points) and colours such as "#3db9ec", sets it on the widget
// (replacing whatever sheet the widget had) and returns it.
class FlatUI : public QObject
{
    Q_OBJECT

public:
    // The one instance, created on first use from any thread and deleted at exit.
    static FlatUI *instance();

    QString setPushButtonQss(QPushButton *btn, int radius = 5, int padding = 8,
                             const QString &normalColor = "#3db9ec",
                             const QString &normalTextColor = "#FFFFFF",
                             const QString &hoverColor = "#4E6D8C",
                             const QString &hoverTextColor = "#F0F0F0",
                             const QString &pressedColor = "#2D3E50",
                             const QString &pressedTextColor = "#B8C6D1");
    QString setLineEditQss(QLineEdit *txt, int radius = 3, int borderWidth = 2,
                           const QString &normalColor = "#DCE4EC",
                           const QString &focusColor = "#34495E");
    QString setProgressBarQss(QProgressBar *bar, int barHeight = 13, int barRadius = 5,
                              int fontSize = 9, const QString &normalColor = "#E8EDF2",
                              const QString &chunkColor = "#3db9ec");
    QString setSliderQss(QSlider *slider, int sliderHeight = 10,
                         const QString &normalColor = "#E8EDF2",
                         const QString &grooveColor = "#3db9ec",
                         const QString &handleBorderColor = "#3db9ec",
                         const QString &handleColor = "#FFFFFF");
    QString setRadioButtonQss(QRadioButton *rbtn, int indicatorRadius = 8,
                              const QString &normalColor = "#D7DBDE",
                              const QString &checkColor = "#34495E");

private:
    explicit FlatUI(QObject *parent = nullptr);
    static void destroyInstance();

    // Read without the lock on every call, so the pointer is published with release and
    // read with acquire ordering.
    static QAtomicPointer<FlatUI> self;
    static QMutex mutex;
};
