#include "progresspace.h"

#include <algorithm>

namespace {
// A run with at least this much still to go gets a progress display.
constexpr std::int64_t kShowWhenLeftMs = 500;
// Before this, a few periods say little about the pace of the rest.
constexpr std::int64_t kJudgeAfterMs = 50;
} // namespace

bool progressWorthShowing(std::int64_t elapsedMs, std::int32_t done, std::int32_t total)
{
    if (elapsedMs < kJudgeAfterMs || done <= 0 || done >= total)
        return false;
    // A run whose states have not repeated yet may settle at any period, so no more
    // is counted on than as many periods again as it has taken so far.
    const std::int64_t left = std::min(std::int64_t{total} - done, std::int64_t{done});
    return elapsedMs * left / done >= kShowWhenLeftMs;
}
