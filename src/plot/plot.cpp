#include "plot.h"

#include "app/model.h"
#include "app/vectorstate.h"
#include "plotgeometry.h"
#include "tracereducer.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

namespace {

// Full scale of each band's trace.  The diode current is drawn against the inductor
// current's maximum: in the off-phase the diode carries the inductor current, so
// both traces come out to the same height.
constexpr std::array<double Model::*, 5> TraceFullScale{
    &Model::MaxIL, &Model::MaxIC, &Model::MaxVo, &Model::MaxVL, &Model::MaxIL};

// Lines handed to the surface in one call; bounds the memory of a drawing with every
// segment of a long plot.
constexpr std::size_t BatchSize = std::size_t{1} << 16;

// Plot heights of samples 1..N of one band at indexes 0..N − 1, as the surface gets
// them.  A waveform whose largest absolute sample is 0 lies on its zero line; a height
// that cannot be drawn (overflow, not a number) becomes NaN and is left out.
std::vector<float> traceHeights(const Model& m, std::size_t band)
{
    ClearUpperVectorState(); // the previous trace was just painted
    const PlotBand& b = PlotBands[band];
    const std::vector<double>& wave = m.*b.wave;
    const double fullScale = m.*TraceFullScale[band];
    std::vector<float> heights(static_cast<std::size_t>(m.N));
    for (std::int32_t k = 1; k <= m.N; ++k) {
        const double y = fullScale == 0 ? b.zeroLine : wave[k] * b.span / fullScale + b.zeroLine;
        const float h = static_cast<float>(y);
        heights[k - 1] = std::isfinite(h) ? h : std::numeric_limits<float>::quiet_NaN();
    }
    return heights;
}

// Every segment of every displayed period, sample k to sample k + 1.
void drawEverySegment(const Model& m, std::span<const float> heights, Rgb colour, PlotSurface& surface)
{
    std::vector<PlotLine> batch;
    batch.reserve(BatchSize);
    // The period is counted in 64 bits, since NP may be the largest 32-bit count.
    for (std::int64_t iter = 1; iter <= m.NP; ++iter) {
        const auto period = static_cast<std::int32_t>(iter);
        for (std::int32_t k = 1; k <= m.N - 1; ++k) {
            const float y1 = heights[k - 1];
            const float y2 = heights[k];
            if (!std::isfinite(y1) || !std::isfinite(y2))
                continue;
            batch.push_back({static_cast<float>(SegmentStartX(m.NP, m.N, period, k)), y1,
                             static_cast<float>(SegmentEndX(m.NP, m.N, period, k)), y2});
            if (batch.size() == BatchSize) {
                surface.drawLines(colour, batch);
                batch.clear();
            }
        }
    }
    if (!batch.empty())
        surface.drawLines(colour, batch);
}

} // namespace

void DrawPlotFrame(PlotSurface& surface)
{
    // Twenty ticks every 5 units down the left edge (none at 0, where the bottom ticks
    // are) and five along the bottom, quarters of the width.
    std::vector<PlotLine> ticks;
    for (int y = 100; y >= 1; y -= 5)
        ticks.push_back({0, static_cast<float>(y), 0.2f, static_cast<float>(y)});
    for (int x = 0; x <= 100; x += 25)
        ticks.push_back({static_cast<float>(x), 0, static_cast<float>(x), 0.5f});
    surface.drawLines(Colours::Black, ticks);

    for (const PlotBand& band : PlotBands) {
        const float y = static_cast<float>(band.zeroLine);
        const PlotLine zeroLine{0, y, 100, y};
        surface.drawLines(band.colour, {&zeroLine, 1});
    }
}

void DrawTraces(const Model& m, PlotSurface& surface)
{
    if (m.NP <= 0 || m.N <= 1)
        return;
    for (const PlotBand& band : PlotBands) {
        if ((m.*band.wave).size() < static_cast<std::size_t>(m.N) + 1)
            return; // arrays of another run: nothing that belongs together to draw
    }

    // Each trace is drawn whole before the next, in the band order; where two traces
    // cross, the later band's colour is on top.
    const QSize pixels = surface.pixelSize();
    if (pixels.isEmpty()) {
        for (std::size_t band = 0; band < PlotBands.size(); ++band)
            drawEverySegment(m, traceHeights(m, band), PlotBands[band].colour, surface);
        return;
    }
    const TraceReducer reducer(m.NP, m.N, pixels.width());
    for (std::size_t band = 0; band < PlotBands.size(); ++band) {
        const std::vector<PlotLine> lines = reducer.reduce(traceHeights(m, band));
        if (!lines.empty())
            surface.drawLines(PlotBands[band].colour, lines);
    }
}
