// One switching period of the boost converter, stepped sample by sample with forward
// Euler.  The stepping is written once, with three policies:
//  - what is kept of the samples, as an observer that the stepper tells of every
//    sample: nothing at all for the periods nobody looks at, the five waveform arrays
//    for the last one, the extremes of each period for a view of the start-up;
//  - the diode: the verification's updates let it conduct both ways, so the inductor
//    current can go negative while the switch is open; a real diode blocks, and the
//    current stays at zero until the input again exceeds the output voltage;
//  - the circuit: the ideal converter of the verification, or the real one with the
//    resistances of its parts and the diode's drop, whose state is the inductor
//    current and the capacitor's own voltage.
#pragma once

#include "sim/vectorstate.h"

#include <cmath>
#include <cstdint>

// Inductor current (A) and output voltage (V) at one sample.
struct State {
    double iL = 0, vo = 0;
};

// What stays the same over the whole run.  Only whole sub-expressions of the update
// formulas are kept here, so every update gives the same double as written out.
struct Circuit {
    using StateType = State;
    // With no on-phase the off-phase starts from sample 0, which the verification never
    // writes: from rest.
    static constexpr bool kNoOnPhaseFromRest = true;
    double Vi = 0, Dt = 0, L = 0, C = 0, RL = 0;
    double onRise = 0; // (Vi·Dt)/L: on-phase current step, inductor across the input
    double CRL = 0;    // C·RL: output time constant, s
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
    template <class S> void begin(S) {}
    template <class S> void onSample(std::int32_t, S, S) {}
    template <class S> void switchAt(std::int32_t, S) {}
    template <class S> void offSample(std::int32_t, S, S) {}
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

// The real converter.  Its state is the inductor current and the voltage of the
// capacitor itself: with a series resistance rC (the ESR) the output voltage is not
// the capacitor's but
//     vo = (RL·vC + RL·rC·id)/(RL + rC) = vC + rC/(RL + rC)·(RL·id − vC),
// where id, the diode current, is iL while the switch is open and 0 while it is closed.
//     switch closed:  L·diL/dt = Vi − (rL + Ron)·iL
//     switch open:    L·diL/dt = Vi − (rL + RD)·iL − VF − vo
//     both:           C·dvC/dt = id − vo/RL
// The updates are grouped as the ideal converter's, with each parasitic term added to
// or taken from them: with every parasitic zero those terms are exact zeros
// (x − 0·y is x, x + 0 is x), and every update gives the ideal one's bits.
struct RealState {
    double iL = 0, vC = 0;
};

struct RealCircuit {
    using StateType = RealState;
    // A period whose switch never closes (a controller's duty at 0) goes on from where
    // the last one ended.
    static constexpr bool kNoOnPhaseFromRest = false;
    double Vi = 0, Dt = 0, L = 0, C = 0, RL = 0;
    double CRL = 0;      // C·RL, s
    double onR = 0;      // rL + Ron: series resistance of the loop with the switch closed, Ω
    double offR = 0;     // rL + RD: the same with the diode conducting, Ω
    double VF = 0;       // the diode's forward drop, V
    double esrShare = 0; // rC/(RL + rC): the share of the ESR in the output's divider
};

// Output voltage with the switch closed (no diode current) and with it open (the
// diode carries the inductor current, or blocks at iL = 0).
inline double outputOn(const RealCircuit& c, RealState x) { return x.vC - c.esrShare * x.vC; }
inline double outputOff(const RealCircuit& c, RealState x) { return x.vC + c.esrShare * (c.RL * x.iL - x.vC); }

inline RealState onStep(const RealCircuit& c, RealState x)
{
    const double vo = outputOn(c, x);
    return {((c.Vi - x.iL * c.onR) * c.Dt) / c.L + x.iL, x.vC - (c.Dt * vo) / c.CRL};
}

inline RealState offStep(const RealCircuit& c, RealState x)
{
    const double vo = outputOff(c, x);
    return {((((c.Vi - x.iL * c.offR) - c.VF) - vo) * c.Dt) / c.L + x.iL,
            (x.vC - (c.Dt * vo) / c.CRL) + (c.Dt * x.iL) / c.C};
}

// The off-phase step under `Diode`; tells the observer of sample k when the diode
// blocked the step out of it.
template <class Diode, class Circ, class Observer>
inline typename Circ::StateType offStepThrough(const Circ& c, typename Circ::StateType x, std::int32_t k,
                                               Observer& observer)
{
    typename Circ::StateType next = offStep(c, x);
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
// offStart..N.  With onSamples = 0 the ideal circuit's copy comes from sample 0, which
// is never written: every period's off-phase then starts from zero current and zero
// voltage; the real circuit's goes on from the period's start.
// The steps out of sample onSamples and out of sample N reach samples that no later
// step reads, so they are taken only when the observer records.
template <class Observer, class Diode = DiodeBothWays, class Circ = Circuit>
typename Circ::StateType stepPeriod(const Circ& c, const Phases& p, typename Circ::StateType start,
                                    Observer& observer)
{
    using S = typename Circ::StateType;
    clearUpperVectorState(); // a progress display may have painted since the last period
    observer.begin(start);
    S resume = Circ::kNoOnPhaseFromRest ? S{} : start; // sample onSamples, where the off-phase resumes
    if (p.onSamples >= 1) {
        S x = start;
        for (std::int32_t k = 1; k < p.onSamples; ++k) {
            const S next = onStep(c, x);
            observer.onSample(k, x, next);
            x = next;
        }
        resume = x;
        if constexpr (Observer::kRecords)
            observer.onSample(p.onSamples, x, onStep(c, x));
    }
    observer.switchAt(p.offStart, resume);

    S x = resume;
    for (std::int32_t k = p.offStart; k < p.n; ++k) {
        const S next = offStepThrough<Diode>(c, x, k, observer);
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
