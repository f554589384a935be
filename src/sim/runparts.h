// The pieces of a simulated run shared by the verification and the view of the
// start-up: the refusals of inputs that cannot be simulated, the recording of a period
// into the five waveform arrays, its summary values, and the exact repeat of the
// periods' start states.
#pragma once

#include "app/model.h"
#include "sim/periodstepper.h"
#include "sim/simulation.h"

#include <QString>
#include <QStringView>

#include <bit>
#include <cmath>
#include <cstdint>
#include <variant>
#include <vector>

// How a run stopped before its traces: the outcome and the message to show.
struct Stop {
    SimOutcome outcome = SimOutcome::Fault;
    QString message;
};

Stop fault(QStringView message);
// The run became too large for the doubles.
Stop diverged();
// The student stopped the run.
Stop cancelled();
// Five arrays of n + 2 samples do not fit in memory.
Stop tooManySamples(std::int32_t n);

// The circuit and the phases of a run, or why it cannot be run.
struct Setup {
    Circuit circuit;
    Phases phases;
};

// The circuit and the phases for the run the model describes: Vi, D, Freq (Hz), L (H),
// C (F), RL (Ω) and N.  Refused with a message: a zero frequency, a time step that is
// zero or not finite, N < 1, N above kMaxSamplesPerPeriod, L, C or RL zero, a duty
// cycle that does not split N samples into an on- and an off-phase, and one whose
// rounded on-samples are 0 or N, which leaves the switch always open or always closed.
std::variant<Setup, Stop> prepareRun(const Model& m);

// The observer of the last period: every sample into the five arrays, which hold
// zeros.  The capacitor current and the inductor voltage are the finite differences
// C·ΔVo/Dt and L·ΔiL/Dt of the step just taken; the diode carries the load current
// plus the capacitor current while the switch is open, nothing while it is closed.
class RecordArrays {
public:
    static constexpr bool kRecords = true;

    RecordArrays(Model& m, const Circuit& c)
        : c_(c), n_(m.N), il_(m.WaveIL.data()), vo_(m.WaveVo.data()), ic_(m.WaveIC.data()),
          vl_(m.WaveVL.data()), id_(m.WaveID.data())
    {
    }

    void begin(State start)
    {
        il_[1] = start.iL;
        vo_[1] = start.vo;
    }
    void onSample(std::int32_t k, State x, State next)
    {
        record(k, x, next);
        id_[k] = 0;
    }
    void switchAt(std::int32_t k, State x)
    {
        il_[k] = x.iL;
        vo_[k] = x.vo;
    }
    void offSample(std::int32_t k, State x, State next)
    {
        record(k, x, next);
        id_[k] = x.vo / c_.RL + ic_[k];
    }
    void blocked(std::int32_t) {}
    void wrap()
    {
        for (double* wave : {il_, vo_, ic_, vl_, id_})
            wave[1] = wave[n_];
    }

private:
    void record(std::int32_t k, State x, State next)
    {
        il_[k + 1] = next.iL;
        vo_[k + 1] = next.vo;
        ic_[k] = ((next.vo - x.vo) * c_.C) / c_.Dt;
        vl_[k] = ((next.iL - x.iL) * c_.L) / c_.Dt;
    }

    const Circuit& c_;
    std::int32_t n_;
    double *il_, *vo_, *ic_, *vl_, *id_;
};

inline bool isFinite(State x) { return std::isfinite(x.iL) && std::isfinite(x.vo); }


// The start state of a period as the bits of its two doubles: a repeat is a repeat of
// every bit, so +0 and −0 never pass for one another.
struct StateBits {
    std::uint64_t iL = 0, vo = 0;
    friend bool operator==(StateBits, StateBits) = default;
};

inline StateBits bitsOf(State x) { return {std::bit_cast<std::uint64_t>(x.iL), std::bit_cast<std::uint64_t>(x.vo)}; }

// Finds where the start states of the periods begin to repeat.  A period is fixed by
// its start state, so once the start state of period j is that of an earlier period i,
// every later period repeats too, with a period of j − i.  In floating point the
// states are finitely many, so a run that does not diverge always settles into such
// a cycle.  Brent's method keeps one earlier state, moved on at powers of two, and
// finds any cycle in a few times its length after it begins; the state of the
// period before also catches a fixed point, the usual end of a settling converter, at
// once.  Constant memory, two comparisons a period.
class RepeatFinder {
public:
    explicit RepeatFinder(State first) : saved_(bitsOf(first)) {}

    // The start state of period `period` (2, 3, ...), given the one before it; the
    // length of the cycle that closes here, or 0.
    std::int64_t cycleAt(std::int64_t period, State previous, State state)
    {
        const StateBits bits = bitsOf(state);
        if (bits == bitsOf(previous))
            return 1;
        if (bits == saved_)
            return period - savedAt_;
        if (period - savedAt_ == distance_) {
            saved_ = bits;
            savedAt_ = period;
            distance_ *= 2;
        }
        return 0;
    }

private:
    StateBits saved_;
    std::int64_t savedAt_ = 1;
    std::int64_t distance_ = 1;
};

// The mean of samples 1..N of a waveform array over the period, as Freq times the
// rectangle-rule integral Σ Dt·sample, which is the mean of the samples.
double periodMean(const Model& m, const std::vector<double>& wave);

// Whether samples 1..N of the five arrays are all finite.
bool samplesFinite(const Model& m);

// The extremes of the last period in the arrays, then its five summary values: ripples,
// diode peak (taken to be the inductor peak), and means over the period (the input
// current of a boost converter is the inductor current).  When a value leaves the
// doubles nothing changes and the result is false: the run has diverged.
bool summarise(Model& m);
