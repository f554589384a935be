// The real converter under a digital voltage-mode controller, through a step of its
// load or its input: the switching simulation in closed loop, the same step with the
// duty held (the open loop), and the averaged model's linear prediction beside them.
//
// Once per period, at its start, the controller reads the mean of the previous
// period's output samples (an averaging measurement; the first period reads the
// operating point's Vo), forms e = Vref − that mean, passes it through the lead
// sections and then the integrator, each the bilinear transform of its continuous
// section at the switching frequency.  The integrator's value is the period's duty,
// held within [Dmin, Dmax]: the held value is the integrator's own state, so it does
// not wind up.  Its on-samples are rounded as the program rounds N·D, so the duty moves
// in steps of 1/N, a digital PWM's.
//
// Both runs start from the averaged operating point with the converter's RL and Vi,
// and step the real converter (its parasitics and the diode that blocks).  After
// `before` periods the load becomes RL2 and the input Vi2, at the period boundary; the
// state carries over.
#pragma once

#include "app/platform.h"
#include "sim/loopdesign.h"
#include "sim/runparts.h"
#include "sim/smallsignal.h"

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

struct LoopRunRequest {
    double Vref = 0;          // V, the reference
    std::int64_t before = 100, after = 400; // periods before and after the step
    double RL2 = 0;           // Ω, the load after the step
    double Vi2 = 0;           // V, the input after the step
    double Dmin = 0, Dmax = 0.9; // the duty's limits, fractions
};

// One period of the run, numbered from 1 at the start; the step is at the end of
// period `before`.
struct LoopPeriod {
    double closedMean = 0; // V, the mean output of the closed loop's samples
    double duty = 0;       // the closed loop's duty, as the integrator held it
    double openMean = 0;   // V, the open loop's
    double predicted = 0;  // V, the linear prediction: the level before the step + Δvo, over the period
};

// What one pixel column of the closed loop's drawing covers: its lowest and highest
// output sample.
struct LoopColumn {
    double low = 0, high = 0;
};

struct LoopFigures {
    double level = 0;            // V, the mean of the last 10 periods' means before the step
    double deviation = 0;        // V, the largest departure from it after the step, signed
    std::int64_t deviationPeriod = 0; // its period, counted from the step (the first after it is 1)
    std::optional<std::int64_t> settledPeriod; // from which every mean lies within 1 % of Vref; none: never
    double finalMean = 0, finalDuty = 0;        // of the last period
    bool saturated = false;      // the duty reached Dmin or Dmax after the step
    bool reachable = true;       // Vref within the averaged gain's maximum after the step
    bool dithers = false;        // the steady duty moves between two neighbouring steps of 1/N
    double openFinal = 0;        // V, the open loop's last mean
    double openDeviation = 0;    // V, its largest departure from its own level, signed
    double linearDeviation = 0;  // V, the prediction's largest departure, signed
    double linearDeviationAt = 0; // periods after the step where it lies
};

struct LoopRun {
    std::vector<LoopPeriod> periods; // before + after
    std::vector<LoopColumn> columns;
    LoopFigures figures;
};

// Why the duty's limits are refused, with what to change: they must be 0 ≤ Dmin < Dmax < 1.
std::optional<QString> dutyLimitsRefusal(double Dmin, double Dmax);

// Whether the averaged real converter, with the load and input after the step, can
// reach Vref at all: its highest gain times Vi2 at least Vref.
bool referenceReachable(const SmallSignal& model, const LoopRunRequest& request);

// The run and its figures, the closed loop drawn over `columns` pixel columns.
// Refused when Dmin ≥ Dmax or the limits leave [0, 1), with no periods after the
// step, or when N cannot hold the duty; stops when the run diverges or the student
// cancels through `progress`.
std::variant<LoopRun, Stop> runLoop(const SmallSignal& model, const Compensator& gc, const LoopRunRequest& request,
                                    int columns, ProgressPort* progress);

// ---- Everything the control window shows ----

// The run's defaults for a converter: Vref the operating point's Vo, the load halved,
// the input kept, 100 periods before the step and 400 after, the duty within [0, 0.9].
LoopRunRequest defaultRunRequest(const SmallSignal& model);

struct ControlView {
    SmallSignal model;
    Compensator gc;
    DigitalCompensator digital;
    LoopAnalysis loop; // every crossover and gain margin
    LoopBode bode;     // T, Gc and Gvd over the dynamics curves' frequencies
    LoopRunRequest request;
    LoopRun run;
};

// The design for `design` on the averaged model of the converter `c` with the
// parasitics `p`, the loop gain as it is, and the run through the step `request`,
// drawn over `columns` pixel columns; or why there is none (the averaged model's, the
// design's and the run's refusals).
std::variant<ControlView, Stop> analyseControl(const Model::SimulatedRun& c, const Parasitics& p,
                                               const LoopRequest& design, const LoopRunRequest& request, int columns,
                                               ProgressPort* progress);

// CSV of the run: a row per period, with the closed loop's mean output and duty, the
// open loop's mean output and the linear prediction.
QByteArray loopCsv(const ControlView& view);
