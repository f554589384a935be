// The control loop's run on a plot surface, and the words of the control window.
//
// The time plot.  Plot coordinates run 0..100 both ways.  The output voltage's band
// lies above the duty's.  The closed loop's output is drawn as its envelope, a vertical
// line per pixel column from the lowest to the highest sample there, so the ripple
// shows as the band's thickness; the open loop's and the linear prediction's mean
// output and the duty are a value a period, reduced to the same columns (a vertical
// line over the values of the periods in a column, and a segment to the next column).
// Column c of W holds the samples of periods [c·P/W, (c + 1)·P/W) of the P periods of
// the run, and lies at x = 100·(c + 1/4)/(W − 1), within the surface's pixel column c
// when the run was made for the surface's width.  Behind them: Vref with its ±1 % band
// shaded, a light grid, and the step's instant across both bands.  Time is counted in
// periods from the step: the step is at 0, the first period after it ends at 1.
#pragma once

#include "plot/bodeplot.h"
#include "plot/plotsurface.h"
#include "plot/startupplot.h"
#include "sim/closedloop.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace LoopPlot {

using StartupPlot::Band;
using StartupPlot::Range;

inline constexpr Band kVoltageBand{42, 54};
inline constexpr Band kDutyBand{5, 22};

inline constexpr Rgb kClosedColour = Colours::kBlue;
inline constexpr Rgb kOpenColour{230, 120, 0};
inline constexpr Rgb kPredictedColour{0, 150, 0};
inline constexpr Rgb kReferenceColour{150, 0, 0};
inline constexpr Rgb kToleranceColour{222, 240, 222};
inline constexpr Rgb kStepColour{150, 0, 170};
inline constexpr Rgb kDutyColour = Colours::kRed;
// The loop gain's Bode plot: T, and the compensator and the converter whose product
// it is with the delay; the crossovers and the gain margins marked.
inline constexpr Rgb kLoopColour = Colours::kBlack;
inline constexpr Rgb kCompensatorColour{0, 140, 0};
inline constexpr Rgb kConverterColour = Colours::kBlue; // as the dynamics window's Gvd
inline constexpr Rgb kCrossoverColour{210, 0, 0};
inline constexpr Rgb kMarginColour{150, 0, 170};
// The window's warnings: a reference out of reach, a loop gain that crosses 1 again.
inline constexpr Rgb kWarningColour{170, 0, 0};

// The scales: the output's fits the closed loop's samples, both means and Vref's band;
// the duty's fits the duties; time ticks at a round number of periods from the step.
struct Scales {
    Range voltage, duty;
    double tickPeriods = 1;
};
Scales scalesOf(const ControlView& view);

// Plot x of the time `t`, in periods from the start of the run (the step is at
// `before`), and the period (1 … P, from the start) under plot x, 0 outside the plot.
double xOfPeriods(const ControlView& view, double t);
std::int64_t periodAt(const ControlView& view, double x);

// The ticks' times in periods from the step, from −before to after.
std::vector<double> tickOffsets(const ControlView& view, const Scales& s);

// Everything, onto an empty surface.
void draw(const ControlView& view, PlotSurface& surface);

// The loop gain's Bode plot over the dynamics window's axis, f/1000 to f/2: T, Gc and
// Gvd, each read exactly at the pointer's frequency; a mark at every crossover labelled
// with its phase margin ("PM 60°") and at every gain margin ("GM 10,8 dB"); 0 dB, and
// −180° with every further 360° that T's phase reaches.
BodePlot::Chart loopChart(const ControlView& view);
// The Bode plot's legend, a line a curve.
QStringList bodeLegendTexts();

// What the pointer at plot x reads: the period under it, counted from the start and
// from the step, the closed loop's mean output and its duty, e.g. "Periodo 108 (8° dopo
// il gradino) ; vo medio = 2,39E+01 V ; D = 41,20 %".  Empty outside the plot.
QString readout(const ControlView& view, double x);

// One row of the table of figures: the window's name for it, its text, and the one
// value behind it that "Copia il valore esatto" copies, if any.  `key` is the command
// line's name for the same figure.
struct FigureRow {
    const char* key = "";
    QString name;
    QString text;
    std::optional<double> exact;
};
// The design, the loop's crossovers and smallest gain margin, then the step's figures.
std::vector<FigureRow> figureRows(const ControlView& view);

// The lines the window shows beside its plots, each empty when it does not apply:
// |T| crossing 1 more than once; Vref out of reach after the step; the steady duty
// dithering between two steps of 1/N; the integrator alone.
QString crossingsNote(const ControlView& view);
QString reachNote(const ControlView& view);
QString ditherNote(const ControlView& view);
QString designNote(const ControlView& view);

// The step and the reference, in the student's units.
QString stepText(const ControlView& view);

// The time plot's legend, a line a mark: closed loop, open loop, prediction, Vref and
// its band, the step, the duty.
QStringList legendTexts();

// What a screen reader says of the time plot.
QString description(const ControlView& view);

} // namespace LoopPlot
