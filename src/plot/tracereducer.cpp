#include "tracereducer.h"

#include "plotgeometry.h"
#include "rangeextremes.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Largest i in [lo, hi] for which `holds` is true, given that it holds at lo and, once
// false, stays false for every larger i.
template <typename Predicate>
std::int32_t lastHolding(std::int32_t lo, std::int32_t hi, Predicate holds)
{
    while (lo < hi) {
        const std::int32_t mid = lo + (hi - lo + 1) / 2;
        if (holds(mid))
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

} // namespace

TraceReducer::TraceReducer(std::int32_t np, std::int32_t n, int width)
    : np_(np), n_(n), width_(width)
{
    // The column of sample k grows with k within a period and with the period for a
    // fixed k, so every boundary is found by bisection: the cost follows the columns.
    // Counted in 64 bits: the last period or sample may be the largest 32-bit count.
    std::int64_t period = 1;
    while (period <= np_) {
        const auto p = static_cast<std::int32_t>(period);
        const int column = columnOf(p, 1);
        if (columnOf(p, n_) == column) {
            runs_.push_back({column, p, 1, n_});
            period = std::int64_t{lastHolding(p, np_, [&](std::int32_t q) { return columnOf(q, n_) == column; })} + 1;
            continue;
        }
        for (std::int64_t first = 1; first <= n_;) {
            const auto f = static_cast<std::int32_t>(first);
            const int here = columnOf(p, f);
            const std::int32_t last = lastHolding(f, n_, [&](std::int32_t k) { return columnOf(p, k) == here; });
            runs_.push_back({here, p, f, last});
            first = std::int64_t{last} + 1;
        }
        ++period;
    }
}

float TraceReducer::sampleX(std::int32_t period, std::int32_t k) const
{
    // Where the full drawing puts the sample: the start of the segment leaving it, or
    // for the last sample the end of the segment reaching it.
    const double x = k < n_ ? segmentStartX(np_, n_, period, k) : segmentEndX(np_, n_, period, k - 1);
    return static_cast<float>(x);
}

int TraceReducer::columnOf(std::int32_t period, std::int32_t k) const
{
    return static_cast<int>(std::floor(deviceX(sampleX(period, k), width_)));
}

float TraceReducer::columnCentreX(int column) const
{
    // Half a pixel from either edge, so no rounding can move the line to a neighbour.
    if (width_ <= 1)
        return 0;
    return static_cast<float>((column + 0.5) / (width_ - 1) * 100);
}

std::vector<PlotLine> TraceReducer::reduce(std::span<const float> heights) const
{
    const RangeExtremes extremes(heights);
    std::vector<PlotLine> lines;
    lines.reserve(2 * runs_.size());
    // A column's vertical line waits for the runs after it: where many periods crowd
    // into one column, runs there whose ranges overlap light the same rows as one line
    // over their union, and drawing each would paint the column again and again.
    int pendingColumn = 0;
    std::optional<RangeExtremes::Extremes> pending;
    auto flush = [&] {
        if (pending) {
            const float x = columnCentreX(pendingColumn);
            lines.push_back({x, pending->lowest, x, pending->highest});
            pending.reset();
        }
    };
    for (const ColumnRun& run : runs_) {
        if (run.last > run.first) {
            if (const auto e = extremes.over(static_cast<std::size_t>(run.first - 1), static_cast<std::size_t>(run.last - 1))) {
                if (pending && pendingColumn == run.column && e->lowest <= pending->highest
                    && e->highest >= pending->lowest) {
                    pending->lowest = std::min(pending->lowest, e->lowest);
                    pending->highest = std::max(pending->highest, e->highest);
                } else {
                    flush();
                    pendingColumn = run.column;
                    pending = e;
                }
            }
        }
        if (run.last < n_) {
            // The segment into the next column, exactly as the full drawing has it.
            const float y1 = heightOf(heights, run.last);
            const float y2 = heightOf(heights, run.last + 1);
            if (std::isfinite(y1) && std::isfinite(y2))
                lines.push_back({static_cast<float>(segmentStartX(np_, n_, run.period, run.last)), y1,
                                 static_cast<float>(segmentEndX(np_, n_, run.period, run.last)), y2});
        }
    }
    flush();
    return lines;
}
