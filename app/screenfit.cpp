#include "app/screenfit.h"

#include "app/windowplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// Once the window manager has framed a new window, it has said how thick the frame is.
constexpr int FrameSettleMs = 300;

bool isOnScreen(const QWidget *window)
{
    return window && window->isVisible() && window->windowHandle()
           && window->windowHandle()->isExposed();
}

// A title bar and thin borders, a little more than most window managers draw: a window
// placed with it may sit a few pixels lower than needed, but never under a panel.
QMargins estimatedFrame(const QWidget *window)
{
    const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return QMargins(4, qMax(title, 32) + 4, 4, 4);
}

QRect availableOn(QScreen *screen)
{
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

QScreen *ScreenFit::screenOf(const QWidget *window)
{
    if (isOnScreen(window) && window->windowHandle()->screen())
        return window->windowHandle()->screen();
    if (QScreen *screen = QGuiApplication::screenAt(window->geometry().center()))
        return screen;
    if (QScreen *screen = window->screen())
        return screen;
    return QGuiApplication::primaryScreen();
}

QMargins ScreenFit::frameMargins(const QWidget *window, const QWidget *reference)
{
    if (isOnScreen(window))
        return window->windowHandle()->frameMargins();
    if (isOnScreen(reference))
        return reference->windowHandle()->frameMargins();
    return estimatedFrame(window);
}

void ScreenFit::setGeometryInside(QWidget *window, const QRect &wanted, const QWidget *reference)
{
    QScreen *screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = screenOf(window);
    const QRect wantedBounded(wanted.topLeft(), wanted.size().boundedTo(window->maximumSize()));
    window->setGeometry(WindowPlacement::keptInside(wantedBounded, window->minimumSize(), availableOn(screen),
                                                    frameMargins(window, reference)));
}

void ScreenFit::resizeInside(QWidget *window, const QSize &natural, const QWidget *reference, int scrollBar)
{
    window->setGeometry(WindowPlacement::resized(window->geometry(), natural, window->minimumSize(),
                                                 availableOn(screenOf(window)), frameMargins(window, reference),
                                                 scrollBar));
}

void ScreenFit::placeCentred(QWidget *window, const QSize &wanted, QScreen *screen, const QWidget *reference,
                             int scrollBar)
{
    if (!screen)
        screen = screenOf(window);
    const QRect placed = WindowPlacement::centred(wanted, window->minimumSize(), availableOn(screen),
                                                  frameMargins(window, reference), scrollBar);
    window->setGeometry(QRect(placed.topLeft(), placed.size().boundedTo(window->maximumSize())));
}

int ScreenFit::scrollBarExtent(const QWidget *window)
{
    return window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window);
}

QScrollArea *ScreenFit::scrollCentralWidget(QMainWindow *window, const QSize &content)
{
    QWidget *central = window->takeCentralWidget();
    auto *area = new QScrollArea(window);
    area->setObjectName(QStringLiteral("scrollArea_") + central->objectName());
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    central->setMinimumSize(content);
    area->setWidget(central);
    // The window's own background shows through, as it did around the bare content.
    central->setAutoFillBackground(false);
    area->viewport()->setAutoFillBackground(false);
    window->setCentralWidget(area);
    return area;
}

QSize ScreenFit::naturalSize(const QMainWindow *window, const QSize &content)
{
    int bars = 0;
    if (const QWidget *menu = window->menuWidget())
        bars += menu->sizeHint().height();
    if (const auto *status = window->findChild<QStatusBar *>(QString(), Qt::FindDirectChildrenOnly))
        bars += status->sizeHint().height();
    // A tool bar above or below the content (a replay's timeline) adds its height.
    for (const QToolBar *bar : window->findChildren<QToolBar *>(QString(), Qt::FindDirectChildrenOnly))
        if (!bar->isHidden() && (window->toolBarArea(const_cast<QToolBar *>(bar)) & (Qt::TopToolBarArea | Qt::BottomToolBarArea)))
            bars += bar->sizeHint().height();
    return QSize(content.width(), content.height() + bars);
}

ScreenFit::Keeper::Keeper(QWidget *window, Reference reference, std::function<QSize()> natural)
    : QObject(window), m_window(window), m_reference(std::move(reference)), m_natural(std::move(natural))
{
    window->installEventFilter(this);
}

bool ScreenFit::Keeper::eventFilter(QObject *watched, QEvent *event)
{
    // A window's show event comes before the window system shows it: placed now, it
    // appears where it belongs.
    if (watched == m_window && event->type() == QEvent::Show && !event->spontaneous()) {
        place();
        QTimer::singleShot(FrameSettleMs, this, &Keeper::checkFrame);
    }
    return QObject::eventFilter(watched, event);
}

void ScreenFit::Keeper::place()
{
    if (m_placed) {
        setGeometryInside(m_window, m_window->geometry());
        return;
    }
    m_placed = true;
    const QWidget *reference = m_reference ? m_reference() : nullptr;
    if (reference == m_window || !isOnScreen(reference))
        reference = nullptr;
    QScreen *screen = reference ? screenOf(reference) : screenOf(m_window);
    if (m_natural)
        placeCentred(m_window, m_natural(), screen, reference, scrollBarExtent(m_window));
    else
        placeCentred(m_window, m_window->size(), screen, reference);
}

void ScreenFit::Keeper::checkFrame()
{
    if (!isOnScreen(m_window))
        return;
    const QRect inside = WindowPlacement::keptInside(m_window->geometry(), m_window->minimumSize(),
                                                     availableOn(screenOf(m_window)),
                                                     m_window->windowHandle()->frameMargins());
    // Only moved: the frame estimated before was a few pixels off at most, and the content
    // scrolls where a window is a little larger than the screen.
    if (inside.topLeft() != m_window->geometry().topLeft())
        m_window->setGeometry(QRect(inside.topLeft(), m_window->size()));
}
