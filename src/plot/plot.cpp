#include "plot.h"

#include "app/model.h"
#include "plotgeometry.h"
#include "sim/extremes.h"
#include "sim/vectorstate.h"
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
constexpr std::array<double Model::*, 5> kTraceFullScale{
    &Model::MaxIL, &Model::MaxIC, &Model::MaxVo, &Model::MaxVL, &Model::MaxIL};

// Lines handed to the surface in one call; bounds the memory of a drawing with every
// segment of a long plot.
constexpr std::size_t kBatchSize = std::size_t{1} << 16;

// Plot heights of samples 1..N of one band at indexes 0..N − 1, as the surface gets
// them.  A waveform whose largest absolute sample is 0 lies on its zero line; a height
// that cannot be drawn (overflow, not a number) becomes NaN and is left out.
std::vector<float> traceHeights(const Model& m, std::int32_t n, std::size_t band)
{
    const PlotBand& b = kPlotBands[band];
    const double fullScale = m.*kTraceFullScale[band];
    std::vector<float> heights;
    heights.reserve(static_cast<std::size_t>(n));
    for (const double sample : periodSamples(m.*b.wave, n)) {
        const double y = fullScale == 0 ? b.zeroLine : sample * b.span / fullScale + b.zeroLine;
        const float h = static_cast<float>(y);
        heights.push_back(std::isfinite(h) ? h : std::numeric_limits<float>::quiet_NaN());
    }
    return heights;
}

// Every segment of every one of np displayed periods of n samples, sample k to k + 1.
void drawEverySegment(std::int32_t np, std::int32_t n, std::span<const float> heights, Rgb colour,
                      PlotSurface& surface)
{
    std::vector<PlotLine> batch;
    batch.reserve(kBatchSize);
    // The period is counted in 64 bits, since NP may be the largest 32-bit count.
    for (std::int64_t iter = 1; iter <= np; ++iter) {
        const auto period = static_cast<std::int32_t>(iter);
        for (std::int32_t k = 1; k <= n - 1; ++k) {
            const float y1 = heightOf(heights, k);
            const float y2 = heightOf(heights, k + 1);
            if (!std::isfinite(y1) || !std::isfinite(y2))
                continue;
            batch.push_back({static_cast<float>(segmentStartX(np, n, period, k)), y1,
                             static_cast<float>(segmentEndX(np, n, period, k)), y2});
            if (batch.size() == kBatchSize) {
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
    surface.drawLines(Colours::kBlack, ticks);

    for (const PlotBand& band : kPlotBands) {
        const float y = static_cast<float>(band.zeroLine);
        const PlotLine zeroLine{0, y, 100, y};
        surface.drawLines(band.colour, {&zeroLine, 1});
    }
}

void DrawTraces(const Model& m, PlotSurface& surface)
{
    redrawTraces(m, m.NP, m.N, surface);
}

void redrawTraces(const Model& m, std::int32_t np, std::int32_t n, PlotSurface& surface)
{
    if (np <= 0 || n <= 1)
        return;
    for (const PlotBand& band : kPlotBands) {
        if ((m.*band.wave).size() < static_cast<std::size_t>(n) + 1)
            return; // arrays of another run: nothing that belongs together to draw
    }

    // Each trace is drawn whole before the next, in the band order; where two traces
    // cross, the later band's colour is on top.
    const QSize pixels = surface.pixelSize();
    if (pixels.isEmpty()) {
        for (std::size_t band = 0; band < kPlotBands.size(); ++band)
            drawEverySegment(np, n, traceHeights(m, n, band), kPlotBands[band].colour, surface);
        return;
    }
    const TraceReducer reducer(np, n, pixels.width());
    for (std::size_t band = 0; band < kPlotBands.size(); ++band) {
        clearUpperVectorState(); // the previous trace was just painted
        const std::vector<PlotLine> lines = reducer.reduce(traceHeights(m, n, band));
        if (!lines.empty())
            surface.drawLines(kPlotBands[band].colour, lines);
    }
}
