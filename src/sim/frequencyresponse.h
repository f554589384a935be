// The switching converter's own frequency response from the duty cycle to the output
// voltage, measured on the real converter's simulation (with the diode that blocks) as
// a network analyser would measure it on the bench.
//
// For a modulation frequency fm = f/k, each period's duty is set once, from
// D + a·sin(2π·fm·t) taken at that period's unperturbed switching instant t = t_p + D·T
// (taken at the period's start it would add a delay of D·T, a phase lag that belongs
// to the sampling, not to the converter), and rounded to samples as the program rounds
// N·D.  From the averaged operating point the run first waits for the transient to die
// out, then projects the output voltage, sample by sample, on e^(−j·2π·fm·t) over four
// whole modulation periods.  Those are whole switching periods, so the switching ripple
// drops out exactly, and nothing of the samples is kept.  The point is the output's
// complex amplitude at fm over the modulation's, a·e^(−jπ/2).
#pragma once

#include "app/platform.h"
#include "sim/periodstepper.h"
#include "sim/runparts.h"

#include <atomic>
#include <complex>
#include <cstdint>
#include <optional>
#include <vector>

// One measurement: fm = f/k, after `settlePeriods` switching periods from `start`.
struct ResponsePoint {
    std::int64_t k = 0;
    std::int64_t settlePeriods = 0;
};

// The periods one point steps in all: the wait, then four modulation periods.
std::int64_t periodsOf(const ResponsePoint& point);

// The relative amplitude of the duty's modulation: 1 %.
inline constexpr double kModulation = 0.01;

// The response of the output voltage (V per unit of duty) at fm = f/k of the circuit
// `c` with `n` samples per period around the duty `D`.  `stepped`, when given, counts
// the periods as they are stepped; a `stop` that becomes true ends the run early.
// Nothing when the run diverges or is stopped.
std::optional<std::complex<double>> measureDutyResponse(const RealCircuit& c, std::int32_t n, double D,
                                                        RealState start, const ResponsePoint& point,
                                                        std::atomic<std::int64_t>* stepped = nullptr,
                                                        const std::atomic<bool>* stop = nullptr);

// All the points at once, each on a core of its own where there are enough, the caller's
// thread meanwhile telling `progress` how far they have got (and stopping them all when
// the student cancels).  The results in the order of `points`; empty when cancelled.
std::vector<std::optional<std::complex<double>>> measureDutyResponses(const RealCircuit& c, std::int32_t n,
                                                                      double D, RealState start,
                                                                      const std::vector<ResponsePoint>& points,
                                                                      ProgressPort* progress);
