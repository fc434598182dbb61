// Windows on the operator's screen: the placement rule over a table of screens, and the
// three windows on the small screen of the offscreen platform (800 x 600).
#include "app/mainwindow.h"
#include "app/windowplacement.h"
#include "link/connectionform.h"
#include "link/traffic.h"
#include "link/trafficmodel.h"
#include "link/trafficmonitor.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QToolTip>
#include <QtTest>

Q_DECLARE_METATYPE(QMargins)

namespace {

const QMargins kFrame(4, 30, 4, 4);
const QSize kLeast(480, 360);

// Every part of `inner`, a descendant of the scroll area's content, can be scrolled into
// view: its top-left corner, and its bottom-right one.
bool reachable(QScrollArea *area, QWidget *inner)
{
    const QRect inContent(inner->mapTo(area->widget(), QPoint(0, 0)), inner->size());
    const auto shows = [area, inner](const QPoint &corner, const QPoint &scroll) {
        area->horizontalScrollBar()->setValue(scroll.x());
        area->verticalScrollBar()->setValue(scroll.y());
        return area->viewport()->rect().contains(inner->mapTo(area->viewport(), corner));
    };
    const QSize view = area->viewport()->size();
    return shows(QPoint(0, 0), inContent.topLeft())
           && shows(QPoint(inner->width() - 1, inner->height() - 1),
                    inContent.bottomRight() - QPoint(view.width() - 1, view.height() - 1));
}

// The window with its frame lies inside the available area of its screen.
bool insideScreen(const QWidget *window)
{
    const QRect available = window->screen()->availableGeometry();
    return available.contains(window->frameGeometry()) && available.contains(window->geometry());
}

} // namespace

class TestScreenFit : public QObject
{
    Q_OBJECT

private slots:
    // A window opened centred: the size that fits, and never past the left or top edge.
    void centred_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QSize>("wanted");
        QTest::addColumn<int>("scrollBar");
        QTest::addColumn<QRect>("expected");

        const QSize narrow(931, 790);
        QTest::newRow("1366x768, panel on top") << QRect(0, 27, 1366, 741) << kFrame << narrow << 0
                                                << QRect(217, 57, 931, 707);
        QTest::newRow("1280x800, task bar below") << QRect(0, 0, 1280, 760) << kFrame << narrow << 0
                                                  << QRect(174, 30, 931, 726);
        QTest::newRow("1024x768, no frame") << QRect(0, 0, 1024, 768) << QMargins() << narrow << 0
                                            << QRect(46, 0, 931, 768);
        QTest::newRow("larger than the window") << QRect(0, 0, 2560, 1440) << kFrame << narrow << 0
                                                << QRect(814, 338, 931, 790);
        QTest::newRow("second monitor to the right") << QRect(1920, 0, 1366, 768) << kFrame << narrow << 0
                                                     << QRect(2137, 30, 931, 734);
        QTest::newRow("monitor left of and below the first") << QRect(-1280, 200, 1280, 1024) << kFrame
                                                             << narrow << 0 << QRect(-1106, 330, 931, 790);
        QTest::newRow("smaller than the least size") << QRect(0, 0, 320, 240) << kFrame << narrow << 0
                                                     << QRect(4, 30, 480, 360);
        QTest::newRow("traffic monitor on 1024x768") << QRect(0, 0, 1024, 768) << kFrame << QSize(1180, 600) << 0
                                                     << QRect(4, 97, 1016, 600);
        // Content that scrolls: a window lower than its content is as wide again as the scroll bar.
        QTest::newRow("1366x768, room for the scroll bar") << QRect(0, 27, 1366, 741) << kFrame << narrow << 16
                                                           << QRect(209, 57, 947, 707);
        QTest::newRow("800x600, no room for it") << QRect(0, 0, 800, 600) << QMargins() << QSize(800, 700) << 16
                                                 << QRect(0, 0, 800, 600);
        QTest::newRow("high enough: no scroll bar") << QRect(0, 0, 2560, 1440) << kFrame << narrow << 16
                                                    << QRect(814, 338, 931, 790);
    }
    void centred()
    {
        QFETCH(QRect, available);
        QFETCH(QMargins, frame);
        QFETCH(QSize, wanted);
        QFETCH(int, scrollBar);
        QFETCH(QRect, expected);
        QCOMPARE(WindowPlacement::centred(wanted, kLeast, available, frame, scrollBar), expected);
    }

    // A window resized or shown again: moved left and up only as far as needed, smaller
    // only where the screen is.
    void keptInside_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("client");
        QTest::addColumn<QRect>("expected");

        QTest::newRow("fits: stays") << QRect(0, 0, 1920, 1080) << QRect(100, 100, 931, 600)
                                     << QRect(100, 100, 931, 600);
        QTest::newRow("widened on 1920: moves left") << QRect(0, 0, 1920, 1080) << QRect(494, 150, 1565, 790)
                                                     << QRect(351, 150, 1565, 790);
        QTest::newRow("widened on 1366: as wide as the screen") << QRect(0, 27, 1366, 741)
                                                                << QRect(217, 57, 1565, 707)
                                                                << QRect(4, 57, 1358, 707);
        QTest::newRow("past the left and top edges") << QRect(0, 0, 1024, 768) << QRect(-50, -20, 500, 400)
                                                     << QRect(4, 30, 500, 400);
        QTest::newRow("past the right and bottom edges") << QRect(0, 0, 1024, 768) << QRect(900, 700, 500, 400)
                                                         << QRect(520, 364, 500, 400);
        QTest::newRow("on a monitor to the right") << QRect(1920, 0, 1366, 768) << QRect(3000, 100, 931, 700)
                                                   << QRect(2351, 64, 931, 700);
        QTest::newRow("screen smaller than the least size") << QRect(0, 0, 320, 240) << QRect(10, 10, 931, 776)
                                                            << QRect(4, 30, 480, 360);
    }
    void keptInside()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, client);
        QFETCH(QRect, expected);
        QCOMPARE(WindowPlacement::keptInside(client, kLeast, available, kFrame), expected);
    }

    // The Registers view widens the content: the corner and the height stay as far as the
    // screen allows, with room for the scroll bars the smaller window shows.
    void resized_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QRect>("before");
        QTest::addColumn<QSize>("natural");
        QTest::addColumn<QRect>("expected");

        QTest::newRow("widened on 1920") << QRect(0, 0, 1920, 1080) << kFrame << QRect(494, 150, 931, 790)
                                         << QSize(1565, 790) << QRect(351, 150, 1565, 790);
        QTest::newRow("widened on 1280x800, window framed") << QRect(0, 0, 1280, 800) << kFrame
                                                            << QRect(174, 30, 947, 766) << QSize(1565, 785)
                                                            << QRect(4, 30, 1272, 766);
        QTest::newRow("widened on 1280x800, no frame: lower for the scroll bar")
            << QRect(0, 0, 1280, 800) << QMargins() << QRect(174, 7, 931, 785) << QSize(1565, 785)
            << QRect(0, 0, 1280, 800);
        QTest::newRow("narrowed: the corner stays") << QRect(0, 0, 1280, 800) << QMargins() << QRect(0, 0, 1280, 800)
                                                    << QSize(931, 785) << QRect(0, 0, 931, 800);
        QTest::newRow("widened on a monitor to the right") << QRect(1920, 0, 1366, 768) << kFrame
                                                           << QRect(3000, 100, 931, 700) << QSize(1565, 700)
                                                           << QRect(1924, 48, 1358, 716);
    }
    void resized()
    {
        QFETCH(QRect, available);
        QFETCH(QMargins, frame);
        QFETCH(QRect, before);
        QFETCH(QSize, natural);
        QFETCH(QRect, expected);
        QCOMPARE(WindowPlacement::resized(before, natural, kLeast, available, frame, 16), expected);
    }

    // The three windows on a screen smaller than each of them: on screen with their frames,
    // size hints that agree, and every part of the content within reach.
    void windowsOnASmallScreen()
    {
        QFont font = QApplication::font();  // as the program sets it
        font.setPointSize(13);
        QApplication::setFont(font);
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(available.width() < 931 && available.height() < 681, "the offscreen screen is 800 x 600");

        MainWindow window;
        ConnectionForm *connection = window.connectionWindow();
        QVERIFY(QTest::qWaitForWindowExposed(connection));
        QVERIFY(insideScreen(connection));
        const int scrollBar = connection->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        QCOMPARE(connection->maximumSize(), QSize(661 + scrollBar, 681 + scrollBar));
        auto *connectionArea = connection->findChild<QScrollArea *>("scrollArea_centralwidget");
        QVERIFY(connectionArea);
        QVERIFY(reachable(connectionArea, connection->findChild<QWidget *>("verticalLayoutWidget")));
        QVERIFY(reachable(connectionArea, connection->findChild<QWidget *>("textEdit")));

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Ui::MainWindow *ui = window.form();
        QScrollArea *area = window.contentScrollArea();
        for (bool wide : {false, true, false}) {
            ui->actionAdvanced->setChecked(wide);
            window.slot_advanced_ui(wide);
            QVERIFY(insideScreen(&window));
            QCOMPARE(area->widget()->minimumWidth(), wide ? 1565 : 931);
            QTRY_COMPARE(area->widget()->width(), wide ? 1565 : 931);
            QVERIFY(window.minimumWidth() <= window.maximumWidth());
            QVERIFY(window.minimumHeight() <= window.maximumHeight());
            QVERIFY(reachable(area, ui->wg_state));
            QVERIFY(reachable(area, ui->tab_User));
            QCOMPARE(reachable(area, ui->tabW_register), wide);
        }
        // Widened again after the operator moved it to the right: back on screen.
        ui->actionAdvanced->trigger();
        window.move(available.right() - 100, available.top() + 10);
        window.slot_advanced_ui(true);
        QVERIFY(insideScreen(&window));

        connection->showTrafficMonitor();
        TrafficMonitor *monitor = connection->trafficMonitor();
        QVERIFY(QTest::qWaitForWindowExposed(monitor));
        QVERIFY(insideScreen(monitor));
    }

    // The monitor: a cell too narrow for its text shows the whole of it as a tooltip, the
    // bytes column takes what the window gives, and a long status message leaves the window
    // as wide as it was.
    void trafficMonitorCells()
    {
        TrafficTap tap;
        TrafficMonitor monitor(&tap);
        monitor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&monitor));
        monitor.resize(1100, 400);
        QHeaderView *header = monitor.view()->horizontalHeader();
        const int decoded = header->sectionSize(TrafficModel::DecodedColumn);
        const int bytes = header->sectionSize(TrafficModel::BytesColumn);
        monitor.resize(monitor.width() + 40, monitor.height());
        QTRY_COMPARE(header->sectionSize(TrafficModel::BytesColumn), bytes + 40);
        QCOMPARE(header->sectionSize(TrafficModel::DecodedColumn), decoded);

        // A write of 60 registers: its bytes do not fit; a read request's do.
        TrafficFrame write;
        write.server = 1;
        write.function = 0x10;
        write.address = 0x0400;
        write.count = 60;
        write.bytes = TrafficAdu::frame(1, 0x10, QByteArray::fromHex("04000078F0") + QByteArray(120, '\x11'));
        TrafficFrame read = write;
        read.function = 0x03;
        read.bytes = TrafficAdu::readRequest(1, 0x0200, 14);
        tap.add(write);
        tap.add(read);
        monitor.refresh();
        QCOMPARE(monitor.model()->rowCount(), 2);
        const auto tipOf = [&monitor](int row) {
            QTableView *view = monitor.view();
            const QRect cell = view->visualRect(monitor.model()->index(row, TrafficModel::BytesColumn));
            QHelpEvent help(QEvent::ToolTip, cell.center(), view->viewport()->mapToGlobal(cell.center()));
            QCoreApplication::sendEvent(view->viewport(), &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tipOf(1), QString());
        QCOMPARE(tipOf(0), monitor.model()->cellText(0, TrafficModel::BytesColumn, false));

        const int width = monitor.width();
        const int least = monitor.minimumSizeHint().width();
        const QString deep = "/nonexistent/" + QString(400, QLatin1Char('x')) + "/traffic.csv";
        monitor.saveTo(deep, false);
        QVERIFY(monitor.statusText().contains(deep));
        QCOMPARE(monitor.minimumSizeHint().width(), least);
        QCOMPARE(monitor.width(), width);
        auto *status = monitor.findChild<QLabel *>("lb_Status");
        QVERIFY(status->text().contains(QChar(0x2026)));
        QCOMPARE(status->toolTip(), monitor.statusText());
    }
};

QTEST_MAIN(TestScreenFit)
#include "tst_screenfit.moc"
