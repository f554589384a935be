// The real converter's averaged model and the ideal converter's closed forms, for the
// figures the simulation is set beside.
//
// State-space averaging in continuous conduction, with the ripple neglected: over a
// period the inductor sees Vi − iL·(rL + D·Ron + D'·RD) − D'·(VF + vo) on average, and
// the capacitor takes D'·iL − vo/RL, with D' = 1 − D.  Both averages zero give
//     Vo = (Vi − D'·VF)·RL·D' / (D'²·RL + X),   X = rL + D·Ron + D'·RD,
//     Iim = Vo/(RL·D'),   η = Pout/Pin = Vo·D'/Vi.
// The capacitor's ESR carries no mean current, so it costs nothing in this model.
//
// The ideal converter (no parasitics) leaves continuous conduction when L falls below
//     Lcrit = D·D'²·RL/(2·f),
// and then its output rises above Vi/D' to Vi·(1 + √(1 + 4·D²/K))/2, K = 2·L·f/RL.
#pragma once

#include "app/model.h"

#include <optional>
#include <vector>

// The averaged model at one duty cycle.
struct AveragedPoint {
    double Vo = 0;         // V
    double Iim = 0;        // mean input (inductor) current, A
    double efficiency = 0; // Pout/Pin, a fraction
};

// The averaged model of the converter in `c` (Vi, Freq, RL; D is the argument) with the
// parasitics `p`, or nothing where the diode's drop takes all the input: Vi ≤ D'·VF.
std::optional<AveragedPoint> averagedAt(const Model::SimulatedRun& c, const Parasitics& p, double D);

// The highest averaged gain Vo/Vi over 0 ≤ D < 1 and its duty cycle, found to 1e-6 in
// D.  Nothing when the gain grows all the way to D = 1 without a maximum: with rL and
// Ron both zero, nothing limits the current drawn as D' goes to 0.
struct GainMaximum {
    double gain = 0;
    double D = 0; // fraction
};
std::optional<GainMaximum> gainMaximum(const Model::SimulatedRun& c, const Parasitics& p);

// Lcrit = D·D'²·RL/(2·f), H.
double criticalInductance(const Model::SimulatedRun& c);

// The ideal converter's output voltage: Vi/D' in continuous conduction (L ≥ Lcrit),
// the discontinuous-conduction gain below the boundary.  `D` replaces c.D.
double idealOutput(const Model::SimulatedRun& c, double D);

// The ideal converter's figures from the design formulas for these D, L, C and RL:
// the output and input from the ideal gain, an efficiency of 1, the current ripple
// Vi·D/(f·L) (in discontinuous conduction too, where it is the peak), and the output
// ripple D·Io/(f·C), which holds only in continuous conduction.
struct IdealFigures {
    double Vo = 0, Iim = 0, efficiency = 1;
    double DeltaiL = 0;                // A
    std::optional<double> DeltaVo;     // V; none in discontinuous conduction
    bool continuous = true;            // L ≥ Lcrit
};
IdealFigures idealFigures(const Model::SimulatedRun& c);

// The gain curves over D = 0, 1, … 99 %: the ideal gain and the averaged model's gain
// and efficiency, where it gives them.
struct CurveRow {
    int percent = 0;
    double idealGain = 0;
    std::optional<double> averagedGain, averagedEfficiency;
};
std::vector<CurveRow> gainCurve(const Model::SimulatedRun& c, const Parasitics& p);
