// The view of the real converter on a plot surface, its table, its loss bars and its
// words.
//
// The gain-curve plot: plot x is the duty cycle D in % (0 at the left edge, 100 at the
// right), plot y the gain M = Vo/Vi on the left scale (0 at the bottom, the full scale
// at the top) and the efficiency η on the right one (0 to 100 %).  Drawn on it: a light
// grid at the scales' ticks, the ideal gain, the averaged model's gain and efficiency as
// curves through their rows at 0, 1, … 99 %, the simulated gain and efficiency as
// marks at 5, 10, … 95 %, the design's D as a vertical line and the averaged gain's
// maximum as a diamond.  A curve that leaves the top of the plot (the ideal gain
// grows without bound as D nears 100 %) is cut there.
//
// The loss bars: the power drawn from the input, Pin, splits into the power delivered,
// Pout, and the four losses.  Each gets a bar whose length is its share of Pin; a
// first, stacked bar puts the five side by side, so that it ends where Pin's full
// length would (to the small energy error of the simulation).
#pragma once

#include "plot/plotsurface.h"
#include "sim/realconverter.h"

#include <QString>

#include <array>
#include <vector>

namespace RealPlot {

inline constexpr Rgb kIdealColour{110, 110, 110};
inline constexpr Rgb kAveragedColour = Colours::kBlue;
inline constexpr Rgb kSimulatedColour = Colours::kRed;
inline constexpr Rgb kEfficiencyColour{0, 150, 0};
inline constexpr Rgb kSimulatedEfficiencyColour{0, 90, 60};
inline constexpr Rgb kDesignColour{255, 140, 0};
inline constexpr Rgb kMaximumColour{150, 0, 170};

// The left scale: its full scale and the step between its ticks, a whole number of
// steps of 1, 2, 2.5 or 5 times a power of ten, at or above the highest averaged or
// simulated gain and the ideal gain at the design's D.  The right scale always runs
// from 0 to 100 % in steps of kEfficiencyTick.
struct Scales {
    double gain = 1, gainTick = 0.5;
};
Scales scalesOf(const RealView& view);
inline constexpr double kEfficiencyTick = 20; // %

// Plot y of a gain, and of an efficiency (a fraction).
double yOfGain(const Scales& s, double gain);
double yOfEfficiency(double efficiency);

// Everything, onto an empty surface.
void draw(const RealView& view, PlotSurface& surface);

// What the pointer at plot x reads: the duty cycle there (to 0.1 %), the ideal gain,
// the averaged model's gain and efficiency at that D, and the simulated point's when
// the pointer is within 1 % of one, e.g. "D = 40,00 % ; M ideale = 1,67 ; M medio =
// 1,60 ; η medio = 95,93 % ; simulato a D = 40 %: M = 1,59, η = 95,12 %".  Empty
// outside the plot.
QString readout(const RealView& view, double x);

// The table's rows Vo [V], Iim [A], η [%], ΔiL [A] and ΔVo [mV], each with its cells
// for the ideal converter, the averaged model and the simulation; an empty cell where
// that model gives no figure (the averaged model no ripple, the ideal converter no
// output ripple in discontinuous conduction).
enum Column { kIdeal, kAveraged, kSimulated };
struct TableRow {
    QString name;
    std::array<QString, 3> cells;
};
std::vector<TableRow> table(const RealView& view);

// "Confine della conduzione continua: L critica = … µH", and where L lies.
QString criticalText(const RealView& view);
// The averaged gain's maximum and its D, or that it has none.
QString maximumText(const RealView& view);
// Which period the simulation shows, whether the state had repeated by then, and
// whether the diode blocked in it.
QString periodText(const RealView& view);

// A bar: what it stands for, its power and its share of Pin.
struct Bar {
    QString name;
    double watts = 0;
    double share = 0;
    Rgb colour;
};
// Pout, then the losses in rL, Ron, the diode and rC.
std::vector<Bar> bars(const RealView& view);
// The pixel length of a bar of `share` on a scale of `fullLength` pixels for Pin: at
// least one pixel for a power above zero, so that no loss vanishes.
int barLength(double share, int fullLength);
// The stacked bar: each bar's pixels [start, end), one after the other without gap or
// overlap, each edge at its running sum of the shares.
struct Span {
    int start = 0, end = 0;
};
std::vector<Span> stacked(const std::vector<Bar>& bars, int fullLength);
// "3,50E+01 W (94,59 %)".
QString barText(const Bar& bar);
// The stacked bar's value: Pin and what share of it the bars add up to.
QString inputText(const RealView& view);

// What a screen reader says of the plot, and of the bars.
QString description(const RealView& view);
QString barsDescription(const RealView& view);

} // namespace RealPlot
