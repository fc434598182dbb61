// The main window on the operator's screen: its size, where it opens, and the Registers view
// that widens it.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/screenfit.h"
#include "link/connectionform.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>

namespace {
const int kNarrowWidth = 931;
const int kWideWidth = 1565;
// Below the content's own margin at the top: the lowest widget has as much room under it.
const int kContentBottomMargin = 10;
// Smaller than any screen the tool is used on; the content scrolls inside.
const QSize kLeastSize(480, 360);
} // namespace

QSize MainWindow::contentSize(bool wide) const
{
    return QSize(wide ? kWideWidth : kNarrowWidth, m_contentHeight);
}

// The form's widgets sit at fixed places in a content area as tall as its lowest widget.
// That area scrolls inside the window, so that on a screen lower or narrower than the form
// the window fits the screen and every control can still be reached.
void MainWindow::initScreenFit()
{
    m_contentHeight = ui->centralWidget->childrenRect().bottom() + 1 + kContentBottomMargin;
    m_contentScroll = ScreenFit::scrollCentralWidget(this, contentSize(false));
    setMinimumSize(kLeastSize);
    const QSize natural = ScreenFit::naturalSize(this, contentSize(false));
    const int scrollBar = ScreenFit::scrollBarExtent(this);
    // Room for scroll bars, for a screen smaller than the whole content.
    setMaximumSize(natural + QSize(scrollBar, scrollBar));
    resize(natural);

    QScreen *screen = QGuiApplication::screenAt(QPoint(0, 0));
    ScreenFit::placeCentred(this, natural, screen ? screen : QGuiApplication::primaryScreen(), nullptr, scrollBar);
    // Shown when a device is connected: then on the screen of the connection window.
    new ScreenFit::Keeper(this, [this]() -> const QWidget * { return m_connectionForm; },
                          [this] { return ScreenFit::naturalSize(this, contentSize(m_wideContent)); });
}

void MainWindow::slot_advanced_ui(bool on)
{
    m_wideContent = on;
    const QSize content = contentSize(on);
    ui->centralWidget->setMinimumSize(content);
    const QSize natural = ScreenFit::naturalSize(this, content);
    const int scrollBar = ScreenFit::scrollBarExtent(this);
    setMaximumSize(natural + QSize(scrollBar, scrollBar));
    // Widening keeps the top-left corner and the height unless the window would leave the
    // screen; then it moves left, and where the screen is narrower still, the content
    // scrolls.
    ScreenFit::resizeInside(this, natural, m_connectionForm, scrollBar);
}
