// The start-up of the converter from rest, with a diode that blocks.
//
// The verification's updates let the diode conduct both ways, which is right in steady
// continuous conduction but not while the converter starts: there the inductor current
// of the real circuit falls to zero and stays there (discontinuous conduction) while
// the capacitor feeds the load alone.  This run takes exactly the verification's
// updates, switching instants, wrap and indexing, with one change: an off-phase update
// that would take the inductor current below zero leaves it at zero.  Where that never
// happens every sample is the verification's to the last bit.
//
// From NI periods it finds what a student must rate the parts for and what tells when
// the converter has settled: the peaks of inductor current and output voltage, the
// discontinuous periods, the period from which the output stays within 1 % of its
// final value, and the first exact repeat of a period's start state.  As the
// verification does, it steps only the periods up to that repeat: every later period
// repeats an earlier one, so the figures over all NI periods follow from the cycle.
// The data export has one row per period of the whole run, or per group of periods:
// the rows up to the repeat are those of the periods stepped, the later ones follow
// from the periods of the cycle they repeat.  The start of the run is then stepped
// again for the drawing, reduced to pixel columns; a part of it can be drawn again at
// any zoom from start states kept on the way.
#pragma once

#include "app/model.h"
#include "app/platform.h"
#include "sim/runparts.h"

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

// Periods are numbered from 1; a period number of 0 means "none".
struct StartupFigures {
    double peakIL = 0;            // A, the largest inductor current sample of any period
    std::int64_t peakILPeriod = 0; // the first period where it occurs
    double peakVo = 0;            // V, the same for the output voltage
    std::int64_t peakVoPeriod = 0;
    std::int64_t dcmPeriods = 0; // periods in which the diode blocks at one of samples 2..N
    std::int64_t dcmFirst = 0, dcmLast = 0;
    // The first period p such that the output voltage at the start of every period from p
    // to NI lies within 1 % of its value at the start of period NI.
    std::int64_t settledPeriod = 0;
    // The first period whose start state (current and voltage, bit for bit) is the start
    // state of a later period within NI, and the shortest such distance.
    std::int64_t repeatPeriod = 0, cycleLength = 0;
    // Period NI, summarised as the verification summarises its last period.
    double DeltaiL = 0; // A
    double DeltaVo = 0; // mV
    double IDP = 0, IDm = 0, Iim = 0; // A
    double VoMean = 0;                // V, the mean of period NI's output voltage samples
};

// What one pixel column of the drawing covers: the lowest and highest sample of each
// quantity among the samples there (and the first of the next column, so that the
// band is continuous), and whether a discontinuous period reaches into it.
struct StartupColumn {
    double iLLow = 0, iLHigh = 0, voLow = 0, voHigh = 0;
    bool discontinuous = false;
};

// Samples of the span drawn, counted from 0 at the start of period 1 (sample k of
// period p is (p − 1)·N + k − 1): those from `first` up to, not including, `end`.
struct SampleSpan {
    std::int64_t first = 0, end = 0;
    std::int64_t count() const { return end - first; }
    friend bool operator==(const SampleSpan&, const SampleSpan&) = default;
};

// One row of the data export: from `period` on, `StartupView::rowPeriods` periods.  The
// extremes are over samples 2..N of those periods; voStart is the output voltage at the
// start of the first of them.
struct StartupRow {
    std::int64_t period = 0;
    double iLMin = 0, iLMax = 0, voMin = 0, voMax = 0, voStart = 0;
    bool discontinuous = false;
};

struct StartupView {
    StartupFigures figures;
    Model::SimulatedRun inputs; // what was simulated
    double freq = 0;            // Hz
    std::int32_t n = 0;         // samples per period
    std::int64_t requested = 0; // NI
    std::int64_t span = 0;      // periods drawn, from the first
    std::int64_t rowPeriods = 1; // periods in a row of the export
    std::vector<StartupColumn> columns; // of `shown`, one a pixel column
    SampleSpan shown;                   // the part of the span in `columns`: all of it, unless zoomed
    std::vector<StartupRow> rows;       // periods 1..NI
    // Start states of periods 1, 1 + startsEvery, 1 + 2·startsEvery ... of the span,
    // from which any part of it is stepped again.
    std::vector<State> starts;
    std::int64_t startsEvery = 1;
    std::int64_t spanSamples() const { return span * n; }
};

// Bounds on what a run keeps, whatever NI: the start states of the last `recentStates`
// periods, which find a repeat the moment it happens (a longer cycle is found later
// and its first period by stepping again), a log of at most `logBlocks` blocks of
// periods for the settling period, at most `maxRows` export rows, and at most
// `keptStarts` start states of the span's periods for drawing a part of it again.
struct StartupLimits {
    std::int64_t recentStates = 65536;
    std::int64_t logBlocks = 2048;
    std::int64_t maxRows = 100000;
    std::int64_t keptStarts = 4096;
};

// The span drawn: the whole run, but no more than four times the settling period (at
// least 20 periods), so that a run far longer than its start-up does not squash it.
std::int64_t startupSpan(std::int64_t requested, std::int64_t settledPeriod);

// The start-up of the converter in `m` (Vi, D, Freq in Hz, L in H, C in F, RL, N, NI),
// drawn over `columns` pixel columns.  Refused as the verification refuses what it
// cannot simulate, and when N < 2 or NI < 1; stops when the run diverges or the
// student cancels through `progress`.
std::variant<StartupView, Stop> analyseStartup(const Model& m, int columns, ProgressPort* progress,
                                               const StartupLimits& limits = {});

// The drawing of `view` made again for `shown` (within the span) over `columns` pixel
// columns, whatever the zoom: the periods it covers are stepped again from the kept
// start state nearest before them.  Stops only when the student cancels through
// `progress`, and then leaves the view as it was.
std::optional<Stop> redrawStartup(StartupView& view, SampleSpan shown, int columns, ProgressPort* progress);

// The values of a verification run as the model that analyseStartup takes.
Model modelOf(const Model::SimulatedRun& run);
