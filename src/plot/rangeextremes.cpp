#include "rangeextremes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr RangeExtremes::Extremes kNothing{kInfinity, -kInfinity};

void merge(RangeExtremes::Extremes& into, const RangeExtremes::Extremes& e)
{
    into.lowest = std::min(into.lowest, e.lowest);
    into.highest = std::max(into.highest, e.highest);
}

} // namespace

RangeExtremes::RangeExtremes(std::span<const float> values)
    : values_(values), blocks_(values.size() / kBlockSize), tree_(2 * blocks_, kNothing)
{
    for (std::size_t b = 0; b < blocks_; ++b)
        scan(b * kBlockSize, (b + 1) * kBlockSize, tree_[blocks_ + b]);
    for (std::size_t i = blocks_; i-- > 1;) {
        tree_[i] = tree_[2 * i];
        merge(tree_[i], tree_[2 * i + 1]);
    }
}

void RangeExtremes::scan(std::size_t first, std::size_t end, Extremes& e) const
{
    for (std::size_t i = first; i < end; ++i) {
        const float v = values_[i];
        if (std::isfinite(v))
            merge(e, {v, v});
    }
}

std::optional<RangeExtremes::Extremes> RangeExtremes::over(std::size_t first, std::size_t last) const
{
    Extremes e = kNothing;
    const std::size_t end = last + 1;
    // Whole blocks strictly inside [first, end) come from the tree, the rest is scanned.
    std::size_t lo = (first + kBlockSize - 1) / kBlockSize;
    std::size_t hi = end / kBlockSize;
    if (lo >= hi) {
        scan(first, end, e);
    } else {
        scan(first, lo * kBlockSize, e);
        scan(hi * kBlockSize, end, e);
        for (lo += blocks_, hi += blocks_; lo < hi; lo /= 2, hi /= 2) {
            if (lo % 2 == 1)
                merge(e, tree_[lo++]);
            if (hi % 2 == 1)
                merge(e, tree_[--hi]);
        }
    }
    if (e.lowest > e.highest)
        return std::nullopt;
    return e;
}
