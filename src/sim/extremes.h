// Extremes of the absolute sample values of one simulated period.  They give the
// ripples and peaks of the summary, the full scale of each plot band and the scale
// with which the cursor readout turns a height back into a value.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

struct Model;

// Samples 1..n of a waveform array (indexes 0..n + 1), which must hold them.
inline std::span<const double> periodSamples(const std::vector<double>& wave, std::int32_t n)
{
    return std::span(wave).subspan(1, static_cast<std::size_t>(n));
}

// The running extreme starts from the first sample with its sign.  For the largest
// absolute value the first comparison always replaces it by its absolute value.  For
// the smallest, a negative first sample is never replaced, since no absolute value is
// smaller: that start value is what callers have always received, so it is kept.
// Both need at least one sample.
double largestAbsolute(std::span<const double> samples);
double smallestAbsolute(std::span<const double> samples);

// Each over samples 1..N of its array into its result variable; N >= 1.
void FindMaxIL(Model& m);
void FindMinIL(Model& m);
void FindMaxIC(Model& m);
void FindMaxVo(Model& m);
void FindMinVo(Model& m);
void FindMaxVL(Model& m);
void FindMaxID(Model& m);
