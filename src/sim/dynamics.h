// What the dynamics window shows: the averaged model's three transfer functions with
// their poles and zeros, and the switching model's own response from duty to output
// measured at eight frequencies f/k on top of them, where a student sees how far the
// averaged model holds.
#pragma once

#include "app/platform.h"
#include "sim/runparts.h"
#include "sim/smallsignal.h"

#include <QByteArray>

#include <complex>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

// The divisors k of the measured frequencies f/k, from the lowest frequency up.
inline constexpr std::int64_t kMeasuredDivisors[] = {1000, 500, 200, 100, 50, 20, 10, 5};

// Below this many samples per period the duty's resolution, 1/N, is coarse beside the
// modulation's 1 %.
inline constexpr std::int32_t kFineSamples = 500;

struct MeasuredPoint {
    double fHz = 0; // f/k
    std::int64_t k = 0;
    double averagedDb = 0, averagedDeg = 0; // the averaged Gvd there
    std::optional<std::complex<double>> simulated; // V per unit of duty; none where the run diverged
    double simulatedDb = 0;
    double simulatedDeg = 0; // unwrapped to lie within 180° of the averaged phase
};

struct DynamicsView {
    SmallSignal model;
    BodeCurves curves;
    std::vector<BodeMark> marks;
    std::vector<MeasuredPoint> points; // ascending frequency
    bool coarse = false;               // N below kFineSamples
};

// How long a measurement waits from the averaged operating point: at least 8 time
// constants of the averaged model's slowest pole, and at least 6 modulation periods.
std::int64_t settlePeriods(const SmallSignal& model, std::int64_t k);

// The averaged model of the converter `c` with the parasitics `p` and the measured
// points, or why there are none (the model's refusals, the verification's).  The
// points run on all cores; `progress` hears of them and may cancel.
std::variant<DynamicsView, Stop> analyseDynamics(const Model::SimulatedRun& c, const Parasitics& p,
                                                 ProgressPort* progress);

// CSV of the curves: the 135 frequencies of the drawing, then the measured ones not
// among them (within 1e-9 relative), in ascending order, each with the three functions'
// magnitudes (dB, dBΩ) and phases (°), and the measured Gvd where there is one.
QByteArray dynamicsCsv(const DynamicsView& view);
