// A Bode plot on a plot surface: the magnitude and the phase of one or more frequency
// responses over a logarithmic frequency axis, with marked frequencies, reference
// levels and measured points, and what the pointer reads over it.
//
// Plot x runs 0..100 across the axis: x = 100·log(f/from)/log(to/from), so each decade
// takes the same width.  Plot y holds two bands, the magnitude (dB) above and the
// phase (°) below, each with its own scale of round steps that covers every curve and
// point within the axis.  Drawn on it, from the back: the decade grid lines (and
// lighter ones at 2…9 times each decade), each band's grid at its steps and its frame,
// the levels as horizontal lines across one band (0 dB, −180°), the marks as dashed
// vertical lines through both bands, the curves through their samples, and the points
// as filled dots in both bands.  The labels (the scales, the decades, the marks) are
// the window's, placed where the functions below say.
//
// Nothing here knows which converter or which function it shows: the dynamics window
// gives the averaged model's Gvd, Gvg or Zout with its poles, zeros and measured points;
// a control loop gives its loop gain beside the compensator and the converter, with
// the crossovers and margins as marks and 0 dB and −180° as levels.
#pragma once

#include "plot/plotsurface.h"
#include "sim/smallsignal.h"

#include <QString>

#include <functional>
#include <vector>

namespace BodePlot {

// ---- The frequency axis ----

struct Axis {
    double fromHz = 1, toHz = 10; // 0 < from < to
};

// The axis of the averaged model's curves for the switching frequency `freqHz`: from
// f/1000 up to f/2, where averaging stops holding.
Axis switchingAxis(double freqHz);

// Plot x of a frequency (outside 0..100 for one outside the axis), and the frequency at
// plot x.
double xOfFrequency(const Axis& axis, double fHz);
double frequencyAt(const Axis& axis, double x);
bool withinAxis(const Axis& axis, double fHz);

// A grid line of the frequency axis: every decade 10^n within the axis is labelled;
// 2…9 × 10^n are not.
struct FrequencyTick {
    double fHz = 0;
    double x = 0;
    bool decade = false;
};
std::vector<FrequencyTick> frequencyTicks(const Axis& axis);

// A decade's label in Hz below 1 kHz, in kHz below 1 MHz, in MHz above: "100 Hz",
// "1 kHz", "10 kHz", "0,1 Hz" (the student's decimal separator).
QString decadeText(double fHz);

// ---- The two bands and their scales ----

// Where a band stands in plot y: from `bottom` up to `bottom + height`.
struct Band {
    double bottom = 0, height = 0;
};
inline constexpr Band kMagnitudeBand{54, 45};
inline constexpr Band kPhaseBand{1, 45};

// A band's scale: from `bottom` to `top` in steps of `step`, each a whole multiple of
// the step.
struct Range {
    double bottom = 0, top = 1, step = 1;
    friend bool operator==(const Range&, const Range&) = default;
};
struct Scales {
    Range magnitude; // dB (or dBΩ)
    Range phase;     // °
};

// The smallest range around `lowest`…`highest` whose ends are whole steps, with at
// most six steps: of 1, 2, 5, 10, 20, 40, 50, 100 … dB for a magnitude, of 15, 30, 45,
// 90, 180 … ° for a phase.
Range magnitudeRange(double lowest, double highest);
Range phaseRange(double lowest, double highest);

// The values of a range's lines, bottom to top.
std::vector<double> rangeSteps(const Range& range);

// Plot y of a magnitude (dB) and of a phase (°) on the scales.
double yOfMagnitude(const Scales& scales, double dB);
double yOfPhase(const Scales& scales, double deg);

// A scale line's label with its unit: "20 dB", "-90°" (decimals only for a step that
// is not whole).
QString magnitudeText(double dB, const Range& range, const QString& unit);
QString phaseText(double deg, const Range& range);

// ---- What the plot shows ----

// One frequency response, drawn through its samples.
struct Curve {
    QString name;        // "Gvd", "T": in the readout and the description
    QString unit;        // of the magnitude: "dB" or "dBΩ"
    QString colourWord;  // the colour as the description says it: "blu"
    Rgb colour;
    std::vector<double> frequencies; // Hz, ascending
    std::vector<BodeValue> values;   // at those frequencies
    // The exact value at any frequency, for the readout (the samples are for drawing).
    std::function<BodeValue(double fHz)> at;
};

// A frequency marked on the axis: a dashed vertical line through both bands, its short
// label above the plot and its value in the legend.
struct Mark {
    double fHz = 0;
    Rgb colour;
    QString label;  // on the axis: "f0"
    QString legend; // with its value: "f0 = 9,86E+02 Hz, Q = 3,21"
};

// A reference level across one band: 0 dB, −180°.  The scales reach it.
struct Level {
    bool phase = false; // in the phase band (°), or in the magnitude band (dB)
    double value = 0;
    Rgb colour;
};

// A measured point, as a dot in both bands.
struct Dot {
    double fHz = 0;
    BodeValue value;
    Rgb colour;
    QString label; // in the readout when the pointer is near: "misurato a f/100"
};

struct Chart {
    Axis axis;
    std::vector<Curve> curves;
    std::vector<Mark> marks;
    std::vector<Level> levels;
    std::vector<Dot> dots;
    QString dotsWords; // what the dots are, for the description
};

// The scales that hold every finite value of the curves and dots within the axis, and
// every level.
Scales scalesOf(const Chart& chart);

// Everything, onto an empty surface.
void draw(const Chart& chart, PlotSurface& surface);

// The rows of the marks' labels above the plot, in the order of the marks: each label
// of `widths` plot units, centred on its mark but kept within the plot's width, goes
// into the first row where it runs into no label already there, the marks taken from
// left to right.  Marks outside the axis get −1.
std::vector<int> labelRows(const Chart& chart, const std::vector<double>& widths);

// What the pointer at plot x reads: the frequency there and each curve's exact
// magnitude and phase at it, then the dot within one plot unit of it, e.g.
// "f = 1,00E+03 Hz ; Gvd: 35,21 dB, -92,31° ; misurato a f/100: 35,02 dB, -93,02°".
// Empty outside the plot.
QString readout(const Chart& chart, double x);

// What a screen reader says of the plot: the axis and the scales, each curve with its
// colour, the marks, the dots.
QString description(const Chart& chart);

} // namespace BodePlot
