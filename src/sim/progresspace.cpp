#include "progresspace.h"

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
    return elapsedMs * (std::int64_t{total} - done) / done >= kShowWhenLeftMs;
}
