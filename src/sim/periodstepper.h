// One switching period of the boost converter, stepped sample by sample with forward
// Euler.  The stepping is written once, with two policies:
//  - what is kept of the samples, as an observer that the stepper tells of every
//    sample: nothing at all for the periods nobody looks at, the five waveform arrays
//    for the last one, the extremes of each period for a view of the start-up;
//  - the diode: the verification's updates let it conduct both ways, so the inductor
//    current can go negative while the switch is open; a real diode blocks, and the
//    current stays at zero until the input again exceeds the output voltage.
#pragma once

#include "sim/vectorstate.h"

#include <cmath>
#include <cstdint>

// What stays the same over the whole run.  Only whole sub-expressions of the update
// formulas are kept here, so every update gives the same double as written out.
struct Circuit {
    double Vi = 0, Dt = 0, L = 0, C = 0, RL = 0;
    double onRise = 0; // (Vi·Dt)/L: on-phase current step, inductor across the input
    double CRL = 0;    // C·RL: output time constant, s
};

// Inductor current (A) and output voltage (V) at one sample.
struct State {
    double iL = 0, vo = 0;
};

// How one period of N samples divides between the phases.  offStart is rounded on its
// own, so where N·D lies halfway between integers it is onSamples + 2 (even integer
// below) or onSamples itself (odd integer below) instead of onSamples + 1.
struct Phases {
    std::int32_t n = 0, onSamples = 0, offStart = 0;
};

// Switch closed: the inductor charges from the input, the capacitor alone feeds the
// load.  Forward Euler of L·diL/dt = Vi and C·dVo/dt = −Vo/RL.
inline State onStep(const Circuit& c, State x)
{
    return {c.onRise + x.iL, x.vo - (c.Dt * x.vo) / c.CRL};
}

// Switch open: the inductor discharges through the diode into capacitor and load.
// Forward Euler of L·diL/dt = Vi − Vo and C·dVo/dt = iL − Vo/RL.
inline State offStep(const Circuit& c, State x)
{
    return {((c.Vi - x.vo) * c.Dt) / c.L + x.iL, (x.vo - (c.Dt * x.vo) / c.CRL) + (c.Dt * x.iL) / c.C};
}

// The observer of a period nobody looks at: the state stays in registers.
struct KeepNothing {
    static constexpr bool kRecords = false;
    void begin(State) {}
    void onSample(std::int32_t, State, State) {}
    void switchAt(std::int32_t, State) {}
    void offSample(std::int32_t, State, State) {}
    void blocked(std::int32_t) {}
    void wrap() {}
};

// The diode of the verification's updates: whatever the off-phase update gives, the
// inductor current takes.
struct DiodeBothWays {
    static constexpr bool kBlocks = false;
};

// A diode that blocks: an off-phase update that would take the inductor current below
// zero leaves it at zero instead (discontinuous conduction).  The load then draws on
// the capacitor alone, which the voltage update already does with a zero current.
// A result of −0 counts as below zero, so that the current held is always +0; a value
// that is not a number passes, so that a diverging run is still seen to diverge.
struct DiodeBlocks {
    static constexpr bool kBlocks = true;
};

// The off-phase step under `Diode`; tells the observer of sample k when the diode
// blocked the step out of it.
template <class Diode, class Observer>
inline State offStepThrough(const Circuit& c, State x, std::int32_t k, Observer& observer)
{
    State next = offStep(c, x);
    if constexpr (Diode::kBlocks) {
        if (next.iL < 0 || (next.iL == 0 && std::signbit(next.iL))) {
            next.iL = 0.0;
            observer.blocked(k);
        }
    }
    return next;
}

// Steps one period from its first sample `start` and returns its sample N, which the
// next period starts from (the wrap copies sample N, not N + 1, into sample 1).
//
// Samples are numbered as in the arrays: the on-phase steps samples 1..onSamples, each
// step giving the next sample; the switching instant copies sample onSamples to
// sample offStart, so current and voltage hold over it and the last on-phase step is
// lost unless offStart = onSamples + 2 keeps it; the off-phase steps samples
// offStart..N.  With onSamples = 0 the copy comes from sample 0, which is never
// written: every period's off-phase then starts from zero current and zero voltage.
// The steps out of sample onSamples and out of sample N reach samples that no later
// step reads, so they are taken only when the observer records.
template <class Observer, class Diode = DiodeBothWays>
State stepPeriod(const Circuit& c, const Phases& p, State start, Observer& observer)
{
    clearUpperVectorState(); // a progress display may have painted since the last period
    observer.begin(start);
    State resume; // sample onSamples, where the off-phase resumes
    if (p.onSamples >= 1) {
        State x = start;
        for (std::int32_t k = 1; k < p.onSamples; ++k) {
            const State next = onStep(c, x);
            observer.onSample(k, x, next);
            x = next;
        }
        resume = x;
        if constexpr (Observer::kRecords)
            observer.onSample(p.onSamples, x, onStep(c, x));
    }
    observer.switchAt(p.offStart, resume);

    State x = resume;
    for (std::int32_t k = p.offStart; k < p.n; ++k) {
        const State next = offStepThrough<Diode>(c, x, k, observer);
        observer.offSample(k, x, next);
        x = next;
    }
    if constexpr (Observer::kRecords) {
        if (p.offStart <= p.n)
            observer.offSample(p.n, x, offStepThrough<Diode>(c, x, p.n, observer));
    }
    observer.wrap();
    if (p.offStart <= p.n)
        return x;
    // No off-phase (offStart = N + 1): sample N is the on-phase's last sample, reached
    // from sample N − 1 when onSamples = N − 1; with N = 1 and no on-phase it is the start.
    if (p.onSamples == p.n)
        return resume;
    return p.onSamples == 0 ? start : onStep(c, resume);
}
