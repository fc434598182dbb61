#include "app/flatui.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStringList>
#include <cstdlib>

namespace {
// A control that cannot be used is told apart at a glance: grey on pale grey, with its
// coloured marks (a slider's filled part and handle, a radio button's dot) in grey. Each
// look adds these rules after its own, so that they win over every other state.
const char *const DisabledBackground = "#E8EDF2";
const char *const DisabledText = "#9AA8B5";
const char *const DisabledMark = "#B8C6D1";
const char *const DisabledField = "#F4F6F8";
} // namespace

QAtomicPointer<FlatUI> FlatUI::self;
QMutex FlatUI::mutex;

FlatUI::FlatUI(QObject *parent) : QObject(parent) {}

FlatUI *FlatUI::instance()
{
    FlatUI *current = self.loadAcquire();
    if (!current) {
        QMutexLocker locker(&mutex);
        current = self.loadRelaxed();
        if (!current) {
            current = new FlatUI;
            self.storeRelease(current);
            std::atexit(&FlatUI::destroyInstance);
        }
    }
    return current;
}

void FlatUI::destroyInstance()
{
    delete self.fetchAndStoreOrdered(nullptr);
}

QString FlatUI::setPushButtonQss(QPushButton *btn, int radius, int padding,
                                 const QString &normalColor, const QString &normalTextColor,
                                 const QString &hoverColor, const QString &hoverTextColor,
                                 const QString &pressedColor, const QString &pressedTextColor)
{
    QStringList list;
    list.append(QString("QPushButton{border-style:none;padding:%1px;border-radius:%2px;color:%3;background:%4;}")
                    .arg(padding).arg(radius).arg(normalTextColor).arg(normalColor));
    list.append(QString("QPushButton:hover{color:%1;background:%2;}").arg(hoverTextColor).arg(hoverColor));
    list.append(QString("QPushButton:pressed{color:%1;background:%2;}").arg(pressedTextColor).arg(pressedColor));
    // A checked button looks like a pressed one; a disabled one takes the last rule below.
    list.append(QString("QPushButton:disabled{color:%1;background:%2;}").arg(pressedTextColor).arg(pressedColor));
    list.append(QString("QPushButton:checked{color:%1;background:%2;}").arg(pressedTextColor).arg(pressedColor));
    list.append(QString("QPushButton:disabled{color:%1;background:%2;}").arg(DisabledText, DisabledBackground));

    const QString qss = list.join("");
    btn->setStyleSheet(qss);
    return qss;
}

QString FlatUI::setLineEditQss(QLineEdit *txt, int radius, int borderWidth,
                               const QString &normalColor, const QString &focusColor)
{
    QStringList list;
    list.append(QString("QLineEdit{border-style:none;padding:3px;border-radius:%1px;border:%2px solid %3;}")
                    .arg(radius).arg(borderWidth).arg(normalColor));
    list.append(QString("QLineEdit:focus{border:%1px solid %2;}").arg(borderWidth).arg(focusColor));
    list.append(QString("QLineEdit:disabled{color:%1;background:%2;}").arg(DisabledText, DisabledField));

    const QString qss = list.join("");
    txt->setStyleSheet(qss);
    return qss;
}

QString FlatUI::setProgressBarQss(QProgressBar *bar, int barHeight, int barRadius, int fontSize,
                                  const QString &normalColor, const QString &chunkColor)
{
    QStringList list;
    list.append(QString("QProgressBar{font:%1pt;background:%2;max-height:%3px;border-radius:%4px;"
                        "text-align:center;border:1px solid %2;}")
                    .arg(fontSize).arg(normalColor).arg(barHeight).arg(barRadius));
    list.append(QString("QProgressBar:chunk{border-radius:%2px;background-color:%1;}")
                    .arg(chunkColor).arg(barRadius));

    const QString qss = list.join("");
    bar->setStyleSheet(qss);
    return qss;
}

QString FlatUI::setSliderQss(QSlider *slider, int sliderHeight, const QString &normalColor,
                             const QString &grooveColor, const QString &handleBorderColor,
                             const QString &handleColor)
{
    const int sliderRadius = sliderHeight / 2;
    const int handleWidth = (sliderHeight * 3) / 2 + (sliderHeight / 5);
    const int handleRadius = handleWidth / 2;
    const int handleOffset = handleWidth / 4;

    QStringList list;
    list.append(QString("QSlider::horizontal{min-height:%1px;}").arg(sliderHeight * 2));
    list.append(QString("QSlider::groove:horizontal{background:%1;height:%2px;border-radius:%3px;}")
                    .arg(normalColor).arg(sliderHeight).arg(sliderRadius));
    list.append(QString("QSlider::add-page:horizontal{background:%1;height:%2px;border-radius:%3px;}")
                    .arg(normalColor).arg(sliderHeight).arg(sliderRadius));
    list.append(QString("QSlider::sub-page:horizontal{background:%1;height:%2px;border-radius:%3px;}")
                    .arg(grooveColor).arg(sliderHeight).arg(sliderRadius));
    list.append(QString("QSlider::handle:horizontal{width:%3px;margin-top:-%4px;margin-bottom:-%4px;"
                        "border-radius:%5px;background:qradialgradient(spread:pad,cx:0.5,cy:0.5,"
                        "radius:0.5,fx:0.5,fy:0.5,stop:0.6 %1,stop:0.8 %2);}")
                    .arg(handleColor).arg(handleBorderColor).arg(handleWidth).arg(handleOffset)
                    .arg(handleRadius));

    // Vertical sliders: the coloured part lies below the handle, which is one pixel longer.
    list.append(QString("QSlider::vertical{min-width:%1px;}").arg(sliderHeight * 2));
    list.append(QString("QSlider::groove:vertical{background:%1;width:%2px;border-radius:%3px;}")
                    .arg(normalColor).arg(sliderHeight).arg(sliderRadius));
    list.append(QString("QSlider::add-page:vertical{background:%1;width:%2px;border-radius:%3px;}")
                    .arg(grooveColor).arg(sliderHeight).arg(sliderRadius));
    list.append(QString("QSlider::sub-page:vertical{background:%1;width:%2px;border-radius:%3px;}")
                    .arg(normalColor).arg(sliderHeight).arg(sliderRadius));
    list.append(QString("QSlider::handle:vertical{height:%3px;margin-left:-%4px;margin-right:-%4px;"
                        "border-radius:%5px;background:qradialgradient(spread:pad,cx:0.5,cy:0.5,"
                        "radius:0.5,fx:0.5,fy:0.5,stop:0.6 %1,stop:0.8 %2);}")
                    .arg(handleColor).arg(handleBorderColor).arg(handleWidth + 1).arg(handleOffset)
                    .arg(handleRadius));
    list.append(QString("QSlider::sub-page:horizontal:disabled{background:%1;}"
                        "QSlider::add-page:vertical:disabled{background:%1;}"
                        "QSlider::handle:disabled{background:qradialgradient(spread:pad,cx:0.5,cy:0.5,"
                        "radius:0.5,fx:0.5,fy:0.5,stop:0.6 %2,stop:0.8 %1);}")
                    .arg(DisabledMark, DisabledField));

    const QString qss = list.join("");
    slider->setStyleSheet(qss);
    return qss;
}

QString FlatUI::setRadioButtonQss(QRadioButton *rbtn, int indicatorRadius,
                                  const QString &normalColor, const QString &checkColor)
{
    const int indicatorWidth = indicatorRadius * 2;

    QStringList list;
    list.append(QString("QRadioButton::indicator{border-radius:%1px;width:%2px;height:%2px;}")
                    .arg(indicatorRadius).arg(indicatorWidth));
    list.append(QString("QRadioButton::indicator::unchecked{background:qradialgradient(spread:pad,"
                        "cx:0.5,cy:0.5,radius:0.5,fx:0.5,fy:0.5,stop:0.6 #FFFFFF,stop:0.7 %1);}")
                    .arg(normalColor));
    list.append(QString("QRadioButton::indicator::checked{background:qradialgradient(spread:pad,"
                        "cx:0.5,cy:0.5,radius:0.5,fx:0.5,fy:0.5,stop:0 %1,stop:0.3 %1,stop:0.4 #FFFFFF,"
                        "stop:0.6 #FFFFFF,stop:0.7 %1);}")
                    .arg(checkColor));
    list.append(QString("QRadioButton::indicator::checked:disabled{background:qradialgradient(spread:pad,"
                        "cx:0.5,cy:0.5,radius:0.5,fx:0.5,fy:0.5,stop:0 %1,stop:0.3 %1,stop:0.4 #FFFFFF,"
                        "stop:0.6 #FFFFFF,stop:0.7 %1);}")
                    .arg(DisabledMark));

    const QString qss = list.join("");
    rbtn->setStyleSheet(qss);
    return qss;
}
