// A voltage-mode compensator designed on the averaged model, the loop gain it makes,
// the digital form the controller runs, and the averaged closed loop's answer to a
// load or input step.
//
// The loop's delay.  The controller reads the mean output of the period before, which
// is centred half a period back, and its duty acts at the switching instant, D·T into
// the period: td = (0.5 + D)/f, a phase lag of 360°·f·td that grows with frequency.
//
// The k-factor method.  At the crossover fc the loop gain T(s) = Gc(s)·Gvd(s)·e^(−s·td)
// must have magnitude 1 and phase PM − 180°.  An integrator gives −90°, so the lead
// sections of Gc must add boost = PM − φ − 90°, where φ is Gvd's phase at fc minus the
// delay's.  A lead (1 + s/ωz)/(1 + s/ωp) with its zero at fc/√r and its pole at fc·√r
// adds its largest phase, atan(√r) − atan(1/√r), right at fc, and multiplies the
// magnitude there by √r:
//   type II,  Gc = (ωI/s)·(1 + s/ωz)/(1 + s/ωp):     k = tan(boost/2 + 45°), fz = fc/k, fp = fc·k;
//   type III, Gc = (ωI/s)·((1 + s/ωz)/(1 + s/ωp))²:  √k = tan(boost/4 + 45°), fz = fc/√k, fp = fc·√k.
// One lead gives less than 90°, two less than 180°.  In both |Gc(j2πfc)| = k·ωI/(2π·fc),
// so ωI = 2π·fc/(k·|Gvd(j2πfc)|).  With boost ≤ 0 the integrator alone is enough: k = 1.
//
// The digital controller runs once a period (fs = f): each lead by the bilinear
// transform s = c·(1 − z⁻¹)/(1 + z⁻¹) with c = 2·f,
//   y_p = b0·x_p + b1·x_(p−1) − a1·y_(p−1),
//   b0 = (1 + c/ωz)/(1 + c/ωp), b1 = (1 − c/ωz)/(1 + c/ωp), a1 = (1 − c/ωp)/(1 + c/ωp),
// and the integrator likewise, I_p = I_(p−1) + (ωI/(2·f))·(y_p + y_(p−1)).
//
// The linear prediction of a step.  A load step from RL to RL2 draws Δiz = −Vo·(1/RL2 −
// 1/RL) from the output node, an input step adds ΔVi = Vi2 − Vi, and the loop answers
//   Δvo(s) = (Zout(s)·Δiz + Gvg(s)·ΔVi) / (s·(1 + T(s))),
// with the delay as the first-order Padé term (1 − s·td/2)/(1 + s·td/2).  Its
// state-space realisation (the converter's two states, the Padé term's, one per lead
// and the integrator's) is solved exactly by the matrix exponential.
#pragma once

#include "sim/smallsignal.h"

#include <QString>

#include <complex>
#include <cstddef>
#include <optional>
#include <variant>
#include <vector>

enum class CompensatorType { TypeII = 2, TypeIII = 3 };

struct LoopRequest {
    CompensatorType type = CompensatorType::TypeIII;
    double fcHz = 0;  // crossover, Hz: 0 < fc < f/2
    double pmDeg = 60; // phase margin, °: 0 < PM < 90
};

// The default crossover, Hz: the lower of fz_RHP/5 (the usual bound the right-half-plane
// zero sets) and f/20, rounded to three significant digits.
double defaultCrossover(const SmallSignal& model);

// The loop's delay td = (0.5 + D)/f, s.
double loopDelay(const SmallSignal& model);

struct Compensator {
    CompensatorType type = CompensatorType::TypeIII;
    int leads = 2;           // lead sections: 1 for type II, 2 for type III
    double fcHz = 0;         // Hz, the crossover designed for
    double pmDeg = 0;        // °, the phase margin asked
    double delay = 0;        // s, td
    double delayDeg = 0;     // °, the delay's phase lag at fc, 360·fc·td
    double gvdPhaseDeg = 0;  // °, Gvd's unwrapped phase at fc
    double boostDeg = 0;     // °, PM − (gvdPhaseDeg − delayDeg) − 90
    double k = 1;            // the k factor (1 when no boost is needed)
    double fzHz = 0, fpHz = 0; // Hz, each lead's zero and pole
    double wI = 0;           // rad/s, the integrator's gain
    bool integratorAlone = false; // boost ≤ 0: k = 1, and the margin exceeds PM

    // Gc(j·2π·f), the continuous compensator.
    std::complex<double> atHz(double fHz) const;
    // Its phase, °: −90 plus each lead's atan(f/fz) − atan(f/fp), continuous in f.
    double phaseDeg(double fHz) const;
};

// The design, or why there is none, in Italian with what to change: fc ≤ 0 or
// fc ≥ f/2, PM outside (0°, 90°), or a boost beyond what the type can give.
std::variant<Compensator, QString> designCompensator(const SmallSignal& model, const LoopRequest& request);

// The line that says that, with the integrator alone, the margin is larger than asked.
QString integratorAloneNote();

// ---- The loop gain with the delay as it is ----

// T(j·2π·f) = Gc·Gvd·e^(−j·2π·f·td).
std::complex<double> loopGain(const SmallSignal& model, const Compensator& gc, double fHz);
// Its phase, °, continuous in f, near −90° at low frequency.
double loopGainPhaseDeg(const SmallSignal& model, const Compensator& gc, double fHz);

struct Crossover {
    double fHz = 0;  // Hz, where |T| = 1
    double pmDeg = 0; // °, 180 + T's phase there, within (−180, 180]
};

struct GainMargin {
    double fHz = 0;  // Hz, where T's phase is −180° modulo 360°
    double gmDb = 0; // dB, −20·log10|T| there
};

struct LoopAnalysis {
    std::vector<Crossover> crossovers; // every one below f/2, ascending
    std::vector<GainMargin> margins;   // above the lowest crossover and below f/2, ascending
};

// The loop's gain margin: the smallest of them, the one a gain error would use up
// first; none when T's phase never reaches −180° there.
std::optional<GainMargin> smallestMargin(const LoopAnalysis& loop);

// Every crossover and gain margin, each found on a logarithmic scan fine enough for
// the resonance's Q and refined by bisection to 1e-9 relative.
LoopAnalysis analyseLoop(const SmallSignal& model, const Compensator& gc);

// T, Gc and Gvd on the frequencies of the dynamics curves (bodeFrequency), for drawing.
struct LoopBode {
    std::vector<double> frequencies; // Hz
    std::vector<BodeValue> loop, compensator, converter;
};
LoopBode loopBode(const SmallSignal& model, const Compensator& gc);

// ---- The digital controller's coefficients ----

struct LeadCoefficients {
    double b0 = 1, b1 = 0, a1 = 0; // y_p = b0·x_p + b1·x_(p−1) − a1·y_(p−1)
};

struct DigitalCompensator {
    int leads = 2;             // identical lead sections in cascade
    LeadCoefficients lead;
    double integratorGain = 0; // ωI/(2·f): I_p = I_(p−1) + gain·(y_p + y_(p−1))
};

// The bilinear transform of Gc at the switching frequency `freq`, Hz.
DigitalCompensator digitalCompensator(const Compensator& gc, double freq);

// ---- The linear prediction of a step ----

struct StepChange {
    double RL2 = 0; // Ω, the load after the step
    double Vi2 = 0; // V, the input after the step
};

// The averaged closed loop after a step at t = 0, from rest: dz/dt = Acl·z + bcl and
// Δvo = ccl·z + ecl, z = (iL, vC, the Padé state, the leads' states, the integrator's).
class LinearPrediction {
public:
    LinearPrediction(const SmallSignal& model, const Compensator& gc, const StepChange& step);

    std::size_t order() const { return n_; }
    double loadStep() const { return diz_; } // A, Δiz
    double lineStep() const { return dvi_; } // V, ΔVi
    // Δvo(t), V, t ≥ 0 s after the step, by the matrix exponential of the realisation.
    double at(double t) const;
    // Δvo at 0, dt, 2·dt, … (count values), stepped by the exact one-step map e^(Acl·dt).
    std::vector<double> sampled(double dt, std::size_t count) const;

private:
    std::size_t n_ = 0;
    std::vector<double> a_; // Acl, n×n, by rows
    std::vector<double> b_, c_;
    double e_ = 0;
    double diz_ = 0, dvi_ = 0;
};

struct Departure {
    double dvo = 0; // V, the largest |Δvo|, with its sign
    double t = 0;   // s after the step
};

// The largest departure of Δvo within [0, horizon] s, found on a scan of 32 points per
// switching period and refined by golden section to 1e-9 of a period.
Departure largestDeparture(const LinearPrediction& prediction, double horizon, double freq);
