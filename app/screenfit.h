#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <functional>

class QMainWindow;
class QScrollArea;
class QScreen;
class QWidget;

// Top-level windows on the operator's screen: placed inside the screen's available area
// (its panels and task bars left free, the window frame counted), and where the screen is
// smaller than a window, the window smaller with scroll bars that reach the rest.
namespace ScreenFit {

// The screen a window is on, or would be on at its current geometry.
QScreen *screenOf(const QWidget *window);

// What the window manager draws around `window`: measured once it is on screen, otherwise
// taken from `reference` (a window already shown), otherwise estimated from the style.
QMargins frameMargins(const QWidget *window, const QWidget *reference = nullptr);

// Sets the client geometry `wanted`, moved left and up and made smaller just as far as needed
// to keep the window with its frame on its screen.
void setGeometryInside(QWidget *window, const QRect &wanted, const QWidget *reference = nullptr);

// Gives a window whose content scrolls the size for content of `natural` size, as
// WindowPlacement::resized has it.
void resizeInside(QWidget *window, const QSize &natural, const QWidget *reference, int scrollBar);

// Centres `window` at `wanted` size (or as much of it as fits) on `screen`; for a window
// whose content scrolls, see WindowPlacement::fittedSize for `scrollBar`.
void placeCentred(QWidget *window, const QSize &wanted, QScreen *screen,
                  const QWidget *reference = nullptr, int scrollBar = 0);

// The width of a vertical scroll bar beside the content of `window`.
int scrollBarExtent(const QWidget *window);

// Moves the central widget of `window` into a frameless scroll area. The content keeps
// `content` as its least size, so a window smaller than that shows scroll bars; the
// content's own objects, names and geometries stay as they are.
QScrollArea *scrollCentralWidget(QMainWindow *window, const QSize &content);

// The client size of `window` that shows `content` in its scroll area without scroll bars:
// the content with the menu bar above and the status bar below.
QSize naturalSize(const QMainWindow *window, const QSize &content);

// Keeps one window on screen each time it is shown: the first time centred on the screen of
// `reference` (a window the operator is looking at; none: the screen at the window's
// position), at the size it has or, for a window whose content scrolls, at the size that
// shows `natural` content whole; afterwards where the operator left it, as far as it still
// fits. Once the window manager has framed it, the frame it really drew is checked as well.
class Keeper : public QObject
{
    Q_OBJECT

public:
    using Reference = std::function<const QWidget *()>;
    Keeper(QWidget *window, Reference reference = {}, std::function<QSize()> natural = {});

    bool placed() const { return m_placed; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();
    void checkFrame();

    QWidget *m_window;
    Reference m_reference;
    std::function<QSize()> m_natural;
    bool m_placed = false;
};

} // namespace ScreenFit
