// The averaged small-signal model of the real converter in continuous conduction.
//
// The state is x = (iL, vC): the inductor current and the voltage on the capacitor
// proper, behind its series resistance rC.  With Rp = RL/(RL + rC) and D' = 1 − D, each
// phase of a period is linear, dx/dt = A·x + b and vo = c·x:
//
//                 switch closed              switch open, diode conducting
//   L·diL/dt      Vi − (rL + Ron)·iL         Vi − VF − (rL + RD + Rp·rC)·iL − Rp·vC
//   C·dvC/dt      −vC/(RL + rC)              Rp·iL − vC/(RL + rC)
//   vo            Rp·vC                      Rp·(vC + rC·iL)
//
// State-space averaging weighs the two phases by the time they last: A = D·A_on +
// D'·A_off, and b and c likewise.  The operating point X = −A⁻¹·b has a closed form,
// with X_R = rL + D·Ron + D'·RD the resistance the inductor current meets on average:
//   Vo = (Vi − D'·VF)·D'·RL / (X_R + D'·Rp·(D'·RL + rC)),   IL = Vo/(D'·RL),
// and vC = Vo, since the capacitor carries no mean current.  With rC = 0 this is the
// mean output of the real converter as the losses alone give it; with rC > 0 the ESR
// takes its small share.
//
// A small change of one input moves the state through the same A: for each input
// G(s) = c·(sI − A)⁻¹·B + E, with
//   Gvd, output over duty:     B = (A_on − A_off)·X + (b_on − b_off), E = (c_on − c_off)·X;
//   Gvg, output over input:    B = (1/L, 0), E = 0;
//   Zout, a current injected into the output node: B = (−D'·Rp·rC/L, Rp/C), E = Rp·rC.
// For the 2×2 system, (sI − A)⁻¹ = adj(sI − A)/det(sI − A), so each G is a ratio of
// polynomials of degree two with the common denominator s² − tr(A)·s + det(A): the
// resonance f0 = √det(A)/2π with quality factor Q = √det(A)/|tr(A)|.  The numerator
// c·adj(sI − A)·B + E·det(sI − A) of Gvd has the boost's right-half-plane zero, which
// adds phase lag while the magnitude rises, and with rC > 0 the ESR's left-half-plane
// zero.
//
// Averaging holds only while the inductor current flows all period long, and only
// well below the switching frequency: the model is refused when IL ≤ ΔiL/2, and its
// curves end at f/2.
#pragma once

#include "app/model.h"

#include <QString>

#include <array>
#include <complex>
#include <optional>
#include <variant>
#include <vector>

// One transfer function of the averaged model, G(s) = N(s)/Dn(s).
struct TransferFunction {
    std::array<double, 3> num{}; // coefficients of s⁰, s¹, s² of N(s)
    std::array<double, 3> den{}; // of Dn(s): det(A) in (rad/s)², −tr(A) in rad/s, 1
    std::vector<std::complex<double>> zeros, poles; // roots of N and Dn, rad/s
    // The multiple of 2π (rad) that makes the continuous phase the principal one at the
    // lowest frequency drawn, f/1000.
    double phaseOffset = 0;

    std::complex<double> at(std::complex<double> s) const; // G(s), s in rad/s
    std::complex<double> atHz(double fHz) const;           // G(j·2π·f)
    double magnitudeDb(double fHz) const;                  // 20·log10|G(j·2π·f)|
    // The phase of G(j·2π·f) in degrees, continuous in f from f/1000 up, where it is the
    // principal value: the sum of the phases of the factors (jω − root), each taken on
    // the branch that does not jump as ω grows.
    double phaseDeg(double fHz) const;
};

// One input of the averaged state equations: dx/dt gets B·u, vo gets E·u.
struct PlantInput {
    std::array<double, 2> B{}; // per unit of the input, per second
    double E = 0;              // V per unit of the input
};

struct SmallSignal {
    Model::SimulatedRun run; // Vi (V), D (fraction), Freq (Hz), L (H), C (F), RL (Ω)
    Parasitics parts;
    // The averaged state equations.
    std::array<std::array<double, 2>, 2> A{}; // 1/s, over (iL, vC)
    std::array<double, 2> b{};                // A/s and V/s
    std::array<double, 2> c{};                // Ω and –
    PlantInput duty, line, load;               // the inputs of Gvd, Gvg and Zout
    // The operating point.
    double IL = 0;      // A, mean inductor current
    double Vo = 0;      // V, mean output (= mean vC)
    double DeltaiL = 0; // A, inductor ripple, (Vi − (rL + Ron)·IL)·D/(f·L)
    // The figures.
    TransferFunction Gvd, Gvg, Zout; // V per unit of duty, V/V, Ω
    double Gvd0 = 0, Gvg0 = 0, Zout0 = 0; // their values at s = 0
    double f0 = 0;                  // Hz, resonance √det(A)/2π
    double Q = 0;                   // its quality factor √det(A)/|tr(A)|
    std::optional<double> fzRhp;    // Hz, Gvd's right-half-plane real zero
    std::optional<double> fzEsr;    // Hz, with rC > 0: Gvd's left-half-plane real zero
};

// The averaged model of the converter `run` with the parasitics `parts`, or why there
// is none, in Italian: values that are not positive and finite (D strictly between 0
// and 1, parasitics ≥ 0), or an operating point outside continuous conduction.
std::variant<SmallSignal, QString> smallSignal(const Model::SimulatedRun& run, const Parasitics& parts);

// The one line that says what the operating point above includes.
QString operatingPointNote();

// ---- The Bode sampling ----

inline constexpr int kBodePoints = 135; // f·10^(−3 + i/50), i = 0…134: f/1000 up to just below f/2

// The i-th frequency of the curves, Hz, for the switching frequency `freq` (Hz).
double bodeFrequency(double freq, int i);

struct BodeValue {
    double magnitudeDb = 0; // dB (dBΩ for Zout)
    double phaseDeg = 0;    // °, unwrapped continuously from f/1000
};

struct BodeCurves {
    std::vector<double> frequencies; // Hz, kBodePoints in ascending order
    std::vector<BodeValue> gvd, gvg, zout;
};

BodeCurves bodeCurves(const SmallSignal& model);

enum class BodeMarkKind {
    Resonance,    // f0, with its Q
    RhpZero,      // fz_RHP
    EsrZero,      // fz_ESR, only when rC > 0
    HalfSwitching // f/2, where the averaged model stops holding
};

struct BodeMark {
    BodeMarkKind kind = BodeMarkKind::Resonance;
    double fHz = 0; // Hz
    double Q = 0;   // the resonance's quality factor; 0 for the other marks
};

// The marks in the order of the kinds above, each one only where it exists.
std::vector<BodeMark> bodeMarks(const SmallSignal& model);
