// Drawing cost bounded by the picture, not by the samples.
//
// With NP periods of N samples each trace has NP × (N − 1) segments, far more than a
// plot has pixel columns once N or NP is large.  The surface draws every line between
// the pixels that contain its ends (plotgeometry.h), so a chain of segments that stays
// inside one pixel column lights exactly the rows from its lowest to its highest
// sample there.  The reducer replaces every such chain by one vertical line in that
// column and keeps the segments that cross from one column to the next as they are:
// the picture stays that of every segment drawn, while the number of lines is a few
// times the pixel width.  Periods lying wholly inside one column show the same
// samples, so a run of them is one vertical line.
#pragma once

#include "plot/plotsurface.h"

#include <cstdint>
#include <span>
#include <vector>

class TraceReducer {
public:
    // A layout of `np` periods of `n` samples (np >= 1, n >= 2) on a surface `width`
    // device pixels wide.  The column runs it finds serve every trace.
    TraceReducer(std::int32_t np, std::int32_t n, int width);

    // Lines for one trace, given the plot heights of its samples 1..N at indexes
    // 0..N − 1 exactly as the full drawing would hand them to the surface.  A height
    // that is not finite is left out, with the segments that touch it (a column's
    // vertical line still spans the finite heights on both sides of it).
    std::vector<PlotLine> reduce(std::span<const float> heights) const;

private:
    // Samples first..last of displayed period `period` (both 1-based), all in pixel
    // column `column`.  A run of a whole period (first 1, last N) also stands for the
    // periods after it up to the next run: they lie in the same column.
    struct ColumnRun {
        int column = 0;
        std::int32_t period = 0;
        std::int32_t first = 0;
        std::int32_t last = 0;
    };

    float sampleX(std::int32_t period, std::int32_t k) const;
    int columnOf(std::int32_t period, std::int32_t k) const;
    float columnCentreX(int column) const;

    std::int32_t np_ = 0;
    std::int32_t n_ = 0;
    int width_ = 0;
    std::vector<ColumnRun> runs_;
};
