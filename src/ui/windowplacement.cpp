#include "windowplacement.h"

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

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
    const QRect inOrder[] = {keepClear, rather};
    return placeClearOf(screen, size, inOrder);
}

QPoint placeClearOf(const QRect& screen, QSize size, std::span<const QRect> inOrder)
{
    // The least overlap is reached with an edge of the window on an edge of the screen
    // or of an area, so those edges are the only places to try.  The order says which
    // of two equally good places wins: beside the last area before the screen's
    // corners, and the areas kept clear first before the others.
    const int w = size.width();
    const int h = size.height();
    std::vector<int> xs, ys;
    for (auto r = inOrder.rbegin(); r != inOrder.rend(); ++r)
        xs.push_back(r->right() + 1);
    xs.insert(xs.end(), {screen.right() + 1 - w, screen.left()});
    for (const QRect& r : inOrder)
        xs.push_back(r.left() - w);
    for (auto r = inOrder.rbegin(); r + 1 < inOrder.rend(); ++r)
        ys.push_back(r->top());
    ys.insert(ys.end(), {screen.top(), screen.bottom() + 1 - h});
    for (const QRect& r : inOrder)
        ys.insert(ys.end(), {r.bottom() + 1, r.top() - h});
    QPoint best;
    std::vector<std::int64_t> bestCost;
    for (const int x : xs) {
        for (const int y : ys) {
            const QPoint at = keepOnScreen(screen, size, {x, y});
            std::vector<std::int64_t> cost;
            for (const QRect& r : inOrder)
                cost.push_back(overlap(QRect(at, size), r));
            if (bestCost.empty() || cost < bestCost)
                std::tie(best, bestCost) = std::pair(at, cost);
        }
    }
    return best;
}

QSize sizeClearOf(const QRect& screen, QSize preferred, QSize least, const QRect& keepClear)
{
    // The parts of the screen right of, left of, below and above the area.
    const QSize sides[] = {{screen.right() - keepClear.right(), screen.height()},
                           {keepClear.left() - screen.left(), screen.height()},
                           {screen.width(), screen.bottom() - keepClear.bottom()},
                           {screen.width(), keepClear.top() - screen.top()}};
    QSize best;
    for (const QSize& side : sides) {
        const QSize fits = preferred.boundedTo(side);
        if (fits == preferred)
            return preferred;
        if (fits.width() >= least.width() && fits.height() >= least.height()
            && std::int64_t{fits.width()} * fits.height() > std::int64_t{best.width()} * best.height())
            best = fits;
    }
    return best.isEmpty() ? preferred : best;
}
