// The drawing surface the plot procedures draw on: the plot area of the waveform
// window, a retained drawing in the 0..100 × 0..100 plot coordinates.
#pragma once

#include "app/platform.h"

#include <QSize>

#include <span>

// A straight segment in plot coordinates: x 0..100 left to right, y 0..100 bottom to top.
struct PlotLine {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

class PlotSurface {
public:
    virtual ~PlotSurface() = default;
    // Empties the drawing.
    virtual void clear() = 0;
    // Device pixels of the drawing; lets the trace drawing skip detail no pixel can show.
    // An empty size means "unknown": every segment is drawn.
    virtual QSize pixelSize() const = 0;
    virtual void drawLines(Rgb colour, std::span<const PlotLine> lines) = 0;
};
