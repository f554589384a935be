// What the dynamics window shows of a DynamicsView, in its words: the Bode chart of the
// function the student chose, with the poles, zeros and f/2 marked and the measured
// points on Gvd; the table of figures; the lines on the operating point and on the
// measured points.
#pragma once

#include "plot/bodeplot.h"
#include "sim/dynamics.h"

#include <QString>

#include <optional>
#include <vector>

namespace DynamicsPlot {

// The averaged model's three transfer functions, in the order the window offers them.
enum class Function { Gvd, Gvg, Zout };

inline constexpr Rgb kGvdColour = Colours::kBlue;
inline constexpr Rgb kGvgColour{0, 140, 0};
inline constexpr Rgb kZoutColour{150, 75, 0};
inline constexpr Rgb kMeasuredColour{220, 0, 0};
inline constexpr Rgb kResonanceColour{150, 0, 170};
inline constexpr Rgb kRhpZeroColour{240, 120, 0};
inline constexpr Rgb kEsrZeroColour{0, 140, 140};
inline constexpr Rgb kHalfSwitchingColour{90, 90, 90};

// The chart of `function` over f/1000 … f/2: its curve, the marks f0 (with Q), fz_RHP,
// fz_ESR where it exists and f/2, and the measured points when the function is Gvd.
BodePlot::Chart chart(const DynamicsView& view, Function function);

// The function's name, what it relates and its unit, for the choice and the legend.
QString functionText(Function function);

// A figure of the table: its Italian name with the unit, its text in the program's
// number format, and its full value to copy (none where there is no figure).
struct Figure {
    QString name;
    QString text;
    std::optional<double> value;
};
// Vo and IL of the operating point, Gvd(0), Gvg(0), Zout(0), f0, Q, fz_RHP, fz_ESR.
std::vector<Figure> figures(const DynamicsView& view);

// The line on what the operating point includes: with rC > 0, that it includes the
// ESR; empty otherwise, where it is the real converter's averaged point.
QString operatingPointText(const DynamicsView& view);
// What the dots are, and where the simulation gave none.
QString pointsText(const DynamicsView& view);
// Below N = 500 samples per period, that the duty's resolution 1/N makes the points
// coarse; empty otherwise.
QString coarseText(const DynamicsView& view);

// One measured point on a line: "f/100 = 8,00E+02 Hz: medio 31,52 dB, -12,34°;
// simulato 31,48 dB, -12,80°".
QString pointText(const MeasuredPoint& point);

// What a screen reader says of the plot of `function`.
QString description(const DynamicsView& view, Function function);

} // namespace DynamicsPlot
