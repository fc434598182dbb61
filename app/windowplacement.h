#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

// Where a top-level window goes on a screen, without any window: sizes and rectangles only.
//
// `client` rectangles are what QWidget::setGeometry takes (the inside of the window);
// `frame` is what the window manager draws around it (title bar, borders), and `available`
// is the screen's area less its panels and task bars. A window placed by these functions
// has its whole frame inside `available` whenever it fits, and never reaches past its left
// or top edge, where the title bar would be out of the operator's reach.
namespace WindowPlacement {

// The client size nearest to `wanted` whose frame fits in `available`, but never below
// `minimum` (which the window would enforce anyway). A window whose content scrolls shows a
// vertical scroll bar beside its content once it is lower than `wanted`: it is then made
// `scrollBar` pixels wider, as far as the screen allows, so that no horizontal one is needed;
// and the other way round when it is narrower.
QSize fittedSize(const QSize &wanted, const QSize &minimum, const QRect &available,
                 const QMargins &frame, int scrollBar = 0);

// A window of (at most) `wanted` size, centred in `available`.
QRect centred(const QSize &wanted, const QSize &minimum, const QRect &available,
              const QMargins &frame, int scrollBar = 0);

// `client` moved left and up just as far as needed to keep its frame inside `available`,
// and made smaller where it still does not fit. A window that fits stays where it is.
QRect keptInside(const QRect &client, const QSize &minimum, const QRect &available,
                 const QMargins &frame);

// A window of `before` whose content changes width to that of `natural` (the Registers view):
// the top-left corner and the height stay, unless the window would leave the screen (then it
// moves, and shrinks where the screen is smaller); room for the scroll bar that a window
// smaller than its content shows is added as far as the screen allows.
QRect resized(const QRect &before, const QSize &natural, const QSize &minimum, const QRect &available,
              const QMargins &frame, int scrollBar);

} // namespace WindowPlacement
