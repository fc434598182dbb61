#include "app/flatui.h"

#include <QImage>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {
const QString kGradient = "qradialgradient(spread:pad,cx:0.5,cy:0.5,radius:0.5,fx:0.5,fy:0.5,";

QColor centrePixel(QWidget *widget)
{
    const QImage image = widget->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}
}

class TestFlatUI : public QObject
{
    Q_OBJECT

private slots:
    // Runs first, so that the racing threads are the ones that create the instance.
    void instanceIsOnePerProcessEvenUnderRace()
    {
        std::vector<FlatUI *> seen(8, nullptr);
        std::vector<std::thread> threads;
        std::atomic<bool> go(false);
        for (size_t i = 0; i < seen.size(); ++i)
            threads.emplace_back([&, i] {
                while (!go.load()) {
                }
                seen[i] = FlatUI::instance();
            });
        go = true;
        for (std::thread &t : threads)
            t.join();
        QVERIFY(seen[0] != nullptr);
        for (FlatUI *p : seen)
            QCOMPARE(p, seen[0]);
        QCOMPARE(FlatUI::instance(), seen[0]);
        QCOMPARE(FlatUI::instance(), FlatUI::instance());
        QVERIFY(FlatUI::instance()->parent() == nullptr);
    }

    void pushButtonRulesAreJoinedWithoutSeparator()
    {
        QPushButton button;
        button.setStyleSheet("QPushButton{color:red;}");
        const QString qss = FlatUI::instance()->setPushButtonQss(
            &button, 5, 8, "#3db9ec", "#FFFFFF", "#4E6D8C", "#F0F0F0", "#2D3E50", "#B8C6D1");
        QCOMPARE(qss,
                 QString("QPushButton{border-style:none;padding:8px;border-radius:5px;color:#FFFFFF;background:#3db9ec;}"
                         "QPushButton:hover{color:#F0F0F0;background:#4E6D8C;}"
                         "QPushButton:pressed{color:#B8C6D1;background:#2D3E50;}"
                         "QPushButton:disabled{color:#B8C6D1;background:#2D3E50;}"
                         "QPushButton:checked{color:#B8C6D1;background:#2D3E50;}"
                         "QPushButton:disabled{color:#9AA8B5;background:#E8EDF2;}"));
        QCOMPARE(button.styleSheet(), qss);  // replaced, not appended
    }

    // The sheet must actually paint: a checked button takes the pressed colours, a disabled
    // one (checked or not) the pale grey of a control that cannot be used.
    void checkedLooksPressedDisabledLooksGrey()
    {
        QPushButton button;
        button.setCheckable(true);
        button.resize(80, 40);
        FlatUI::instance()->setPushButtonQss(&button, 5, 8, "#3db9ec", "#FFFFFF", "#4E6D8C",
                                             "#F0F0F0", "#2D3E50", "#B8C6D1");
        QCOMPARE(centrePixel(&button), QColor("#3db9ec"));
        button.setChecked(true);
        QCOMPARE(centrePixel(&button), QColor("#2D3E50"));
        button.setEnabled(false);
        QCOMPARE(centrePixel(&button), QColor("#E8EDF2"));
        button.setChecked(false);
        QCOMPARE(centrePixel(&button), QColor("#E8EDF2"));
    }

    // Disabled sliders, edits and radio buttons lose their colour too; enabled ones keep it.
    void otherDisabledControlsLookGrey_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QColor>("enabled");
        QTest::addColumn<QColor>("disabled");
        QTest::newRow("slider's filled part") << "slider" << QColor("#3db9ec") << QColor("#B8C6D1");
        QTest::newRow("edit") << "edit" << QColor("#FFFFFF") << QColor("#F4F6F8");
        QTest::newRow("radio button's dot") << "radio" << QColor("#34495E") << QColor("#B8C6D1");
    }
    void otherDisabledControlsLookGrey()
    {
        QFETCH(QString, kind);
        QFETCH(QColor, enabled);
        QFETCH(QColor, disabled);
        std::unique_ptr<QWidget> widget;
        QPoint at;
        if (kind == "slider") {
            auto *slider = new QSlider(Qt::Horizontal);
            slider->resize(200, 30);
            slider->setRange(0, 100);
            slider->setValue(100);
            FlatUI::instance()->setSliderQss(slider, 10, "#E8EDF2", "#3db9ec", "#3db9ec", "#FFFFFF");
            widget.reset(slider);
            at = QPoint(40, 15);
        } else if (kind == "edit") {
            auto *edit = new QLineEdit;
            edit->resize(120, 30);
            FlatUI::instance()->setLineEditQss(edit, 3, 2, "#DCE4EC", "#34495E");
            widget.reset(edit);
            at = QPoint(60, 15);
        } else {
            auto *radio = new QRadioButton;
            radio->setChecked(true);
            radio->resize(30, 30);
            FlatUI::instance()->setRadioButtonQss(radio, 10, "#D7DBDE", "#34495E");
            widget.reset(radio);
            QStyleOptionButton option;
            option.initFrom(radio);
            at = radio->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio).center();
        }
        QCOMPARE(widget->grab().toImage().pixelColor(at), enabled);
        widget->setEnabled(false);
        QCOMPARE(widget->grab().toImage().pixelColor(at), disabled);
    }

    void lineEdit()
    {
        QLineEdit edit;
        const QString qss = FlatUI::instance()->setLineEditQss(&edit, 3, 2, "#DCE4EC", "#34495E");
        QCOMPARE(qss, QString("QLineEdit{border-style:none;padding:3px;border-radius:3px;border:2px solid #DCE4EC;}"
                              "QLineEdit:focus{border:2px solid #34495E;}"
                              "QLineEdit:disabled{color:#9AA8B5;background:#F4F6F8;}"));
        QCOMPARE(edit.styleSheet(), qss);
    }

    void progressBarUsesNormalColourTwiceAndRadiusInChunk()
    {
        QProgressBar bar;
        const QString qss = FlatUI::instance()->setProgressBarQss(&bar, 13, 5, 9, "#E8EDF2", "#3db9ec");
        QCOMPARE(qss, QString("QProgressBar{font:9pt;background:#E8EDF2;max-height:13px;border-radius:5px;"
                              "text-align:center;border:1px solid #E8EDF2;}"
                              "QProgressBar:chunk{border-radius:5px;background-color:#3db9ec;}"));
        QCOMPARE(bar.styleSheet(), qss);
    }

    void sliderHeightTen()
    {
        QSlider slider(Qt::Horizontal);
        const QString qss = FlatUI::instance()->setSliderQss(&slider, 10, "#E8EDF2", "#3db9ec",
                                                             "#3db9ec", "#FFFFFF");
        const QString expected =
            "QSlider::horizontal{min-height:20px;}"
            "QSlider::groove:horizontal{background:#E8EDF2;height:10px;border-radius:5px;}"
            "QSlider::add-page:horizontal{background:#E8EDF2;height:10px;border-radius:5px;}"
            "QSlider::sub-page:horizontal{background:#3db9ec;height:10px;border-radius:5px;}"
            "QSlider::handle:horizontal{width:17px;margin-top:-4px;margin-bottom:-4px;border-radius:8px;background:"
            + kGradient + "stop:0.6 #FFFFFF,stop:0.8 #3db9ec);}"
            "QSlider::vertical{min-width:20px;}"
            "QSlider::groove:vertical{background:#E8EDF2;width:10px;border-radius:5px;}"
            "QSlider::add-page:vertical{background:#3db9ec;width:10px;border-radius:5px;}"
            "QSlider::sub-page:vertical{background:#E8EDF2;width:10px;border-radius:5px;}"
            "QSlider::handle:vertical{height:18px;margin-left:-4px;margin-right:-4px;border-radius:8px;background:"
            + kGradient + "stop:0.6 #FFFFFF,stop:0.8 #3db9ec);}"
            "QSlider::sub-page:horizontal:disabled{background:#B8C6D1;}"
            "QSlider::add-page:vertical:disabled{background:#B8C6D1;}"
            "QSlider::handle:disabled{background:" + kGradient + "stop:0.6 #F4F6F8,stop:0.8 #B8C6D1);}";
        QCOMPARE(qss, expected);
        QCOMPARE(slider.styleSheet(), qss);
    }

    // Integer arithmetic of the handle: w = h*3/2 + h/5, margin w/4, radius w/2.
    void sliderDerivedSizes_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("handle");
        QTest::newRow("7") << 7 << "{width:11px;margin-top:-2px;margin-bottom:-2px;border-radius:5px;";
        QTest::newRow("15") << 15 << "{width:25px;margin-top:-6px;margin-bottom:-6px;border-radius:12px;";
        QTest::newRow("1") << 1 << "{width:1px;margin-top:-0px;margin-bottom:-0px;border-radius:0px;";
    }
    void sliderDerivedSizes()
    {
        QFETCH(int, height);
        QFETCH(QString, handle);
        QSlider slider;
        const QString qss = FlatUI::instance()->setSliderQss(&slider, height, "#000000", "#111111",
                                                             "#222222", "#333333");
        QVERIFY2(qss.contains("QSlider::handle:horizontal" + handle), qPrintable(qss));
        QVERIFY(qss.contains(QString("min-height:%1px;").arg(2 * height)));
        QVERIFY(qss.contains(QString("border-radius:%1px;}").arg(height / 2)));
    }

    void radioButton()
    {
        QRadioButton radio;
        const QString qss = FlatUI::instance()->setRadioButtonQss(&radio, 10, "#D7DBDE", "#1ABC9C");
        QCOMPARE(qss, "QRadioButton::indicator{border-radius:10px;width:20px;height:20px;}"
                      "QRadioButton::indicator::unchecked{background:" + kGradient
                          + "stop:0.6 #FFFFFF,stop:0.7 #D7DBDE);}"
                      "QRadioButton::indicator::checked{background:" + kGradient
                          + "stop:0 #1ABC9C,stop:0.3 #1ABC9C,stop:0.4 #FFFFFF,stop:0.6 #FFFFFF,stop:0.7 #1ABC9C);}"
                      "QRadioButton::indicator::checked:disabled{background:" + kGradient
                          + "stop:0 #B8C6D1,stop:0.3 #B8C6D1,stop:0.4 #FFFFFF,stop:0.6 #FFFFFF,stop:0.7 #B8C6D1);}");
        QCOMPARE(radio.styleSheet(), qss);
    }
};

QTEST_MAIN(TestFlatUI)
#include "tst_flatui.moc"
