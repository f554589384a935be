// The waveform plot: five stacked bands over a 0..100 × 0..100 coordinate system
// (x to the right, y up), each waveform scaled by its largest absolute sample.
#pragma once

#include "plot/plotsurface.h"

#include <cstdint>

struct Model;

// Tick marks on the left and bottom edges and the five coloured zero lines.
void DrawPlotFrame(PlotSurface& surface);

// The five traces of samples 1..N, repeated for NP periods side by side.  Needs the
// arrays and the maxima MaxIL, MaxIC, MaxVo, MaxVL of a completed simulation.
void DrawTraces(const Model& m, PlotSurface& surface);

// The same for `np` periods of `n` samples of the arrays in `m`: the plot on screen,
// redrawn after the counts in the model have moved on.
void redrawTraces(const Model& m, std::int32_t np, std::int32_t n, PlotSurface& surface);
