// The view of the start-up on a plot surface, and its words.
//
// Plot coordinates run 0..100 both ways, as in the waveform plot.  The inductor
// current's band lies above the output voltage's; each is drawn as its envelope, a
// vertical line per pixel column from the lowest to the highest sample there, so that
// the ripple shows as the band's thickness and the cost is bounded by the pixels.
// Column c of W lies at x = 100·(c + 1/4)/(W − 1) (the last at 100): within the
// surface's pixel column c when the view was made for the surface's width.  The
// columns hold the part of the span shown (all of it, or what the student zoomed
// into), and the scales fit what they hold.  Behind the bands: a light grid, the
// discontinuous periods shaded, and markers where the converter has settled within
// 1 % and where its state first repeats, when they lie in the part shown.
#pragma once

#include "plot/plotsurface.h"
#include "sim/startup.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <vector>

namespace StartupPlot {

// Where each band stands: a value v is drawn at y = zero + height · (v − bottom) /
// (top − bottom) of its scale.
struct Band {
    double zero = 0, height = 0;
};
inline constexpr Band kCurrentBand{55, 40};
inline constexpr Band kVoltageBand{6, 40};

// The waveform window's colours for the same quantities.
inline constexpr Rgb kCurrentColour = Colours::kRed;
inline constexpr Rgb kVoltageColour = Colours::kBlue;
inline constexpr Rgb kGridColour{200, 200, 200};
inline constexpr Rgb kDiscontinuousColour{228, 228, 228};
inline constexpr Rgb kSettledColour{0, 150, 0};
inline constexpr Rgb kRepeatColour{150, 0, 170};

// A band's scale: the values at its bottom and top line.
struct Range {
    double bottom = 0, top = 1;
    friend bool operator==(const Range&, const Range&) = default;
};

// Behind bands of values over time: each band's quarters as light lines and its zero
// as an axis, a light line at each tick's plot x from 2 to 98, and the time axis at x = 0.
void drawBandGrid(std::initializer_list<Band> bands, const std::vector<double>& tickXs, PlotSurface& surface);

// Plot height of value v in `band` on `scale`, kept near the band: an odd value may not
// run far into the band beside it.
float heightOf(const Band& band, const Range& scale, double v);

// Plot x of pixel column c of `columns`: a quarter of a column in from its left edge,
// so that rounding to a float cannot move a line into the column before; the last
// column is the plot's right edge.
float xOfColumn(std::size_t c, std::size_t columns);

// The scales of a view: for each band from zero to a round value at or above what it
// reaches when its values come down near zero (the whole start-up), otherwise four
// round steps around them (the ripple, zoomed in); time ticks at a round step, in
// milliseconds.
struct Scales {
    Range current, voltage;      // A and V
    double fromMs = 0, toMs = 0; // time shown
    double tickMs = 1;           // between time ticks
};
Scales scalesOf(const StartupView& view);
Range rangeOf(double lowest, double highest);

// The bottom, middle and top of a scale as their labels: "0", or with as many decimals
// (two at least) as tell the three apart, in the student's locale.
QStringList scaleTexts(const Range& scale);

// The times of the ticks in the time shown: whole multiples of the step.
std::vector<double> tickTimes(const Scales& s);

// A round number at or above `value` (> 0): 1, 2, 2.5 or 5 times a power of ten.
double roundUp(double value);

// A time tick's label in ms, with as many decimals as the step needs.
QString tickText(double ms, double tickMs);

// Plot x of time t (ms), and the time at plot x.
double xOfTime(const StartupView& view, double ms);
double timeAt(const StartupView& view, double x);

// The part of the span in the view's columns (the whole span for a view that says none).
SampleSpan shownOf(const StartupView& view);
SampleSpan wholeSpan(const StartupView& view);
// After a wheel step at plot x: `factor` times as long (below 1 zooms in), the time
// under the pointer staying under it, within the span, at least 10 samples.
SampleSpan zoomedAbout(const StartupView& view, double x, double factor);
// Between plot x1 and x2, as a drag selects it (at least 10 samples).
SampleSpan between(const StartupView& view, double x1, double x2);

// Marker times in ms, when the marker lies in the part shown.
std::optional<double> settledMs(const StartupView& view);
std::optional<double> repeatMs(const StartupView& view);

// Everything, onto an empty surface.
void draw(const StartupView& view, PlotSurface& surface);

// What the pointer at plot x reads: the time and both envelopes at its column, e.g.
// "t = 12,34 ms ; iL: 1,23E+00 ÷ 3,45E+00 A ; Vo: 2,34E+01 ÷ 2,36E+01 V".  Empty
// outside the plot.
QString readout(const StartupView& view, double x);

// The figures as the window shows them, one text a line, in the student's locale.
QStringList figureTexts(const StartupView& view);

// Which span is drawn, and why, or which part of it is shown.
QString spanText(const StartupView& view);

// What the data export holds.
QString csvText(const StartupView& view);

// The legend's five lines; a marker's says where it stands when it lies outside the
// part shown, so that no entry points to nothing.
QStringList legendTexts(const StartupView& view);

// The values simulated, in the units of the main window's fields.
QString inputsText(const StartupView& view);
QString inputsText(const Model::SimulatedRun& r);

// What a screen reader says of the plot.
QString description(const StartupView& view);

} // namespace StartupPlot
