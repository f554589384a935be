// Geometry of the waveform plot, shared by the drawing, its pixel reduction, the
// retained image and the cursor readout.
//
// Plot coordinates run 0..100 in both directions, x to the right and y up.  Five
// horizontal bands each hold one waveform: a value v is drawn at
//     y = v × span / full scale + zero line,
// so a waveform whose largest absolute sample is the full scale stays within `span`
// of its zero line.  The NP displayed periods share the width equally and each shows
// samples 1..N of the same simulated period.
#pragma once

#include "app/model.h"
#include "app/platform.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

struct PlotBand {
    const std::vector<double> Model::* wave = nullptr;
    double zeroLine = 0; // plot y of the value 0
    double span = 0;     // plot height of the full-scale value above the zero line
    Rgb colour;
};

// Top to bottom, in the order of the waveform options 1..5: iL, iC, Vo, vL, id.
inline constexpr std::array<PlotBand, 5> kPlotBands{{
    {&Model::WaveIL, 80, 18, Colours::kRed},
    {&Model::WaveIC, 70, 6, Colours::kGreen},
    {&Model::WaveVo, 40, 18, Colours::kBlue},
    {&Model::WaveVL, 20, 9, Colours::kMagenta},
    {&Model::WaveID, 0.1, 9, Colours::kCyan},
}};

// Plot height of sample k (1..N) among the heights of samples 1..N.
inline float heightOf(std::span<const float> heights, std::int32_t k)
{
    return heights[static_cast<std::size_t>(k - 1)];
}

// Start of the segment from sample k to sample k + 1 of displayed period `period`
// (1-based): period offset first, then the sample's share of the period.
inline double segmentStartX(std::int32_t np, std::int32_t n, std::int32_t period, std::int32_t k)
{
    return (100.0 / np) * (period - 1) + (100.0 / np) * k / n;
}

// End of that segment.  The same point as the start of the next segment, but summed
// in the other order, so the two can differ in the last bit.
inline double segmentEndX(std::int32_t np, std::int32_t n, std::int32_t period, std::int32_t k)
{
    return (100.0 / np) * (k + 1) / n + (100.0 / np) * (period - 1);
}

// Device pixels of a surface `width` × `height` pixels: x = 0 and x = 100 fall on the
// first and the last pixel column, y = 100 and y = 0 on the first and the last row.  A
// surface that reports its pixel size draws each line, one pixel wide and aliased,
// between the pixels that contain its ends: column floor(x), row floor(y) of these.
inline double deviceX(double x, int width) { return x / 100 * (width - 1); }
inline double deviceY(double y, int height) { return (100 - y) / 100 * (height - 1); }
