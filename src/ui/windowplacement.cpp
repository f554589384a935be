#include "windowplacement.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace {

std::int64_t overlap(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : std::int64_t{both.width()} * both.height();
}

} // namespace

QPoint keepOnScreen(const QRect& screen, QSize size, QPoint topLeft)
{
    const int x = std::max(screen.left(), std::min(topLeft.x(), screen.right() + 1 - size.width()));
    const int y = std::max(screen.top(), std::min(topLeft.y(), screen.bottom() + 1 - size.height()));
    return {x, y};
}

QPoint placeClearOf(const QRect& screen, QSize size, const QRect& keepClear, const QRect& rather)
{
    // The least overlap is reached with an edge of the window on an edge of the screen,
    // of the area or of the other window, so those edges are the only places to try.
    // The order says which of two equally good places wins: beside the other window
    // before the screen's corners.
    const int w = size.width();
    const int h = size.height();
    const std::array xs{rather.right() + 1, keepClear.right() + 1, screen.right() + 1 - w,
                        screen.left(),      keepClear.left() - w,  rather.left() - w};
    const std::array ys{rather.top(),          screen.top(),      screen.bottom() + 1 - h,
                        keepClear.bottom() + 1, keepClear.top() - h, rather.bottom() + 1,
                        rather.top() - h};
    QPoint best;
    std::pair<std::int64_t, std::int64_t> bestCost{-1, -1};
    for (const int x : xs) {
        for (const int y : ys) {
            const QPoint at = keepOnScreen(screen, size, {x, y});
            const QRect window(at, size);
            const std::pair cost{overlap(window, keepClear), overlap(window, rather)};
            if (bestCost.first < 0 || cost < bestCost) {
                best = at;
                bestCost = cost;
            }
        }
    }
    return best;
}
