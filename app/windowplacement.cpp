#include "app/windowplacement.h"

#include <algorithm>

namespace {

// Room for the client area once the frame is inside the available area.
QSize room(const QRect &available, const QMargins &frame)
{
    return QSize(std::max(0, available.width() - frame.left() - frame.right()),
                 std::max(0, available.height() - frame.top() - frame.bottom()));
}

// Left (or top) edge of a client span of `length` inside [low, high): as near to `wanted`
// as the far edge allows, but the near edge wins where both cannot hold.
int clampEdge(int wanted, int length, int low, int high)
{
    return std::max(low, std::min(wanted, high - length));
}

} // namespace

QSize WindowPlacement::fittedSize(const QSize &wanted, const QSize &minimum, const QRect &available,
                                  const QMargins &frame, int scrollBar)
{
    const QSize space = room(available, frame);
    QSize size = wanted.boundedTo(space);
    if (size.height() < wanted.height())
        size.setWidth(std::min(wanted.width() + scrollBar, space.width()));
    if (size.width() < wanted.width())
        size.setHeight(std::min(wanted.height() + scrollBar, space.height()));
    return size.expandedTo(minimum).expandedTo(QSize(0, 0));
}

QRect WindowPlacement::centred(const QSize &wanted, const QSize &minimum, const QRect &available,
                               const QMargins &frame, int scrollBar)
{
    const QSize size = fittedSize(wanted, minimum, available, frame, scrollBar);
    const QSize space = room(available, frame);
    const int left = available.left() + frame.left();
    const int top = available.top() + frame.top();
    return QRect(QPoint(std::max(left, left + (space.width() - size.width()) / 2),
                        std::max(top, top + (space.height() - size.height()) / 2)),
                 size);
}

QRect WindowPlacement::keptInside(const QRect &client, const QSize &minimum, const QRect &available,
                                  const QMargins &frame)
{
    const QSize size = fittedSize(client.size(), minimum, available, frame);
    const int x = clampEdge(client.x(), size.width(), available.left() + frame.left(),
                            available.left() + available.width() - frame.right());
    const int y = clampEdge(client.y(), size.height(), available.top() + frame.top(),
                            available.top() + available.height() - frame.bottom());
    return QRect(QPoint(x, y), size);
}

QRect WindowPlacement::resized(const QRect &before, const QSize &natural, const QSize &minimum,
                               const QRect &available, const QMargins &frame, int scrollBar)
{
    const int width = natural.width() + (before.height() < natural.height() ? scrollBar : 0);
    QRect after = keptInside(QRect(before.topLeft(), QSize(width, before.height())), minimum, available, frame);
    if (after.width() < natural.width() && after.height() >= natural.height()) {
        const int height = std::min(after.height() + scrollBar, room(available, frame).height());
        after = keptInside(QRect(after.topLeft(), QSize(after.width(), height)), minimum, available, frame);
    }
    return after;
}
