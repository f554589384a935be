// The real converter: the resistances of its parts, the diode's drop and the
// capacitor's ESR, simulated from rest to steady state with a diode that blocks, its
// losses element by element, and its gain and efficiency over the duty cycle beside
// the averaged model's.
//
// The run steps the real circuit of the period stepper with the verification's
// samples, switching instants, hold, wrap and indexing, and the start-up's diode.  With
// every parasitic zero it is the start-up's run to the last bit.  Like the other runs
// it stops stepping once the periods' start states repeat: period NI then repeats a
// period already stepped.
//
// Over the last period's samples (each sample with the phase of the step taken out of
// it) the figures are means: Pin = Vi·mean(iL), Pout = mean(vo²)/RL, the losses
// rL·mean(iL²), Ron·mean(iL²·[switch closed]), mean(VF·id + RD·id²), rC·mean(iC²).
// At steady state Pin = Pout + the four losses, to the small error of forward Euler.
//
// The gain curve's simulated points (D = 5, 10, … 95 %) each start from the averaged
// operating point and find the periodic steady state by Newton's method on the
// period map, which continuous conduction makes affine: a handful of periods each
// instead of the thousands a start from rest takes to settle.
#pragma once

#include "app/model.h"
#include "app/platform.h"
#include "sim/averagedmodel.h"
#include "sim/runparts.h"
#include "sim/runprogress.h"

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

// What one simulated period gives.
struct RealFigures {
    double Vo = 0;         // mean output voltage, V
    double Iim = 0;        // mean input (inductor) current, A
    double efficiency = 0; // Pout/Pin
    double Pin = 0, Pout = 0;                                   // W
    double lossDCR = 0, lossSwitch = 0, lossDiode = 0, lossESR = 0; // W
    bool discontinuous = false; // the diode blocked in the period
    // The period summarised as the verification summarises its last period.
    double DeltaiL = 0; // A
    double DeltaVo = 0; // mV
    double IDP = 0, IDm = 0, summaryIim = 0; // A
};

// The last period of the run from rest: period NI.
struct RealRun {
    RealFigures figures;
    std::int64_t period = 0;      // the period shown, NI
    std::int64_t stepped = 0;     // periods actually stepped
    std::int64_t cycleLength = 0; // the start states repeat with this period; 0: not within NI
};

// A simulated point of the gain curve, or nothing where the samples cannot show that
// duty cycle or the run diverges.
struct CurvePoint {
    int percent = 0;
    std::optional<RealFigures> figures;
};

struct RealView {
    Model::SimulatedRun inputs;
    Parasitics parasitics;
    AveragedPoint averaged;
    std::optional<GainMaximum> gainMax;
    double Lcrit = 0;   // H
    double VoIdeal = 0; // V
    IdealFigures ideal;
    RealRun run;
    std::vector<CurveRow> curve;     // D = 0 … 99 %
    std::vector<CurvePoint> points;  // D = 5, 10, … 95 %
};

// The circuit of the real converter for the ideal run's circuit and these parasitics.
RealCircuit realCircuitOf(const Circuit& ideal, const Parasitics& p);

// The real converter from rest to steady state, bounded by NI periods, and its last
// period's figures.  `setup` as prepareRun gives it for the same converter.
std::variant<RealRun, Stop> runRealFromRest(const Setup& setup, const Parasitics& p, std::int64_t periods,
                                            ProgressCounter* progress);

// The periodic steady state found from `guess` by Newton's method on the period map,
// with its period's figures; nothing when it does not converge.
std::optional<RealFigures> realSteadyState(const Setup& setup, const Parasitics& p, RealState guess);

// Everything the real converter's window shows, for the converter `c` (Vi, D, Freq in
// Hz, L in H, C in F, RL, N, NI) with the parasitics `p`.  Refused, with the message to
// show, as the verification refuses what it cannot simulate, and when the averaged
// model cannot serve the converter (the diode's drop eats the input).
std::variant<RealView, Stop> analyseReal(const Model::SimulatedRun& c, const Parasitics& p, ProgressPort* progress);
