// The least work that yields the simulated period: only the inductor-current and
// output-voltage recurrences, in the same formulas and grouping as the simulation,
// state kept in registers, samples stored in the last period only.  Every benchmark
// figure is given as a ratio to this loop, so the figures hold on a noisy machine.
#pragma once

#include <cstdint>
#include <vector>

struct FloorInputs {
    double Vi, D, Freq, L, C, RL;
    std::int32_t N, NI;
};

// Fills il and vo (indexes 0..N+1) with the last simulated period.  Handles the usual
// switching instant (N·D not halfway between integers) with at least one on-sample.
void FloorSimulate(const FloorInputs& in, std::vector<double>& il, std::vector<double>& vo);
