// When a long run is worth a progress display: the rule shared by the progress dialog
// of the windows and the progress line of the command line.
#pragma once

#include <cstdint>

// Whether a run that has taken elapsedMs for `done` of `total` periods still has half a
// second or more to go, at the pace so far.  The first 50 ms say too little about the
// pace to decide.
bool progressWorthShowing(std::int64_t elapsedMs, std::int32_t done, std::int32_t total);
