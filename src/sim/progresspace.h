// When a long run is worth a progress display: the rule shared by the progress dialog
// of the windows and the progress line of the command line.
#pragma once

#include <cstdint>

// Whether a run that has taken elapsedMs for `done` of at most `total` periods still
// has half a second or more to go, at the pace so far.  `total` shrinks once the
// simulated states repeat; until then the run is taken to go on at most as long again
// as it has.  The first 50 ms say too little about the pace to decide.
bool progressWorthShowing(std::int64_t elapsedMs, std::int32_t done, std::int32_t total);
