#include "smallsignal.h"

#include "app/numbers.h"

#include <QStringView>

#include <cmath>
#include <numbers>
#include <utility>

namespace {

using Matrix2 = std::array<std::array<double, 2>, 2>;
using Vector2 = std::array<double, 2>;

constexpr double kPi = std::numbers::pi;

constexpr QStringView kBadConverter =
    u"Il modello a piccoli segnali richiede una tensione di ingresso Vi, una frequenza di "
    u"commutazione f, un'induttanza L, una capacità C e una resistenza di carico RL positive, e un "
    u"Duty Cycle D compreso tra 0 e 1 (esclusi): controlla i valori del convertitore.";
constexpr QStringView kBadParasitics =
    u"Le resistenze parassite rL, Ron, RD e rC e la caduta di tensione del diodo VF devono essere "
    u"numeri positivi o nulli.";
constexpr QStringView kNotContinuous =
    u"Il punto di lavoro non è in conduzione continua: la corrente media nell'induttore, IL = %1 A, "
    u"non supera metà della sua ondulazione, ΔiL/2 = %2 A, quindi la corrente si annulla in ogni "
    u"periodo e il modello mediato non vale. Aumenta L o la frequenza di commutazione f, oppure "
    u"riduci la resistenza di carico RL.";
constexpr QStringView kNoOperatingPoint =
    u"Con questi valori il punto di lavoro del modello mediato non si può rappresentare: controlla "
    u"i valori del convertitore e le resistenze parassite.";
constexpr QStringView kOperatingPointNote =
    u"Il punto di lavoro comprende la resistenza serie del condensatore (ESR): per questo differisce "
    u"di poco dal Vo medio della finestra del convertitore reale, che ne trascura la parte.";

bool positive(double x) { return std::isfinite(x) && x > 0; }
bool nonNegative(double x) { return std::isfinite(x) && x >= 0; }

std::optional<QString> badInputs(const Model::SimulatedRun& r, const Parasitics& p)
{
    const bool dutyInside = std::isfinite(r.D) && r.D > 0 && r.D < 1;
    if (!(positive(r.Vi) && positive(r.Freq) && positive(r.L) && positive(r.C) && positive(r.RL) && dutyInside))
        return kBadConverter.toString();
    if (!(nonNegative(p.rL) && nonNegative(p.Ron) && nonNegative(p.VF) && nonNegative(p.RD) && nonNegative(p.rC)))
        return kBadParasitics.toString();
    return std::nullopt;
}

// One phase of the period: dx/dt = A·x + b, vo = c·x.
struct Phase {
    Matrix2 A{};
    Vector2 b{};
    Vector2 c{};
};

// The rows of the table in the header, the inductor's divided by L and the capacitor's
// by C.
Phase switchClosed(const Model::SimulatedRun& r, const Parasitics& p, double Rp)
{
    Phase on;
    on.A = {{{-(p.rL + p.Ron) / r.L, 0.0}, {0.0, -1 / ((r.RL + p.rC) * r.C)}}};
    on.b = {r.Vi / r.L, 0.0};
    on.c = {0.0, Rp};
    return on;
}

Phase diodeConducting(const Model::SimulatedRun& r, const Parasitics& p, double Rp)
{
    Phase off;
    off.A = {{{-(p.rL + p.RD + Rp * p.rC) / r.L, -Rp / r.L}, {Rp / r.C, -1 / ((r.RL + p.rC) * r.C)}}};
    off.b = {(r.Vi - p.VF) / r.L, 0.0};
    off.c = {Rp * p.rC, Rp};
    return off;
}

Vector2 weighed(double d, const Vector2& on, double dPrime, const Vector2& off)
{
    return {d * on[0] + dPrime * off[0], d * on[1] + dPrime * off[1]};
}

Vector2 times(const Matrix2& a, const Vector2& x)
{
    return {a[0][0] * x[0] + a[0][1] * x[1], a[1][0] * x[0] + a[1][1] * x[1]};
}

double dot(const Vector2& a, const Vector2& b) { return a[0] * b[0] + a[1] * b[1]; }

// The roots of a0 + a1·s + a2·s², as many as the degree: the larger real root from the
// sum that does not cancel, the smaller from the product of the two.
std::vector<std::complex<double>> quadraticRoots(double a0, double a1, double a2)
{
    if (a2 == 0) {
        if (a1 == 0)
            return {};
        return {{-a0 / a1, 0.0}};
    }
    const double disc = a1 * a1 - 4 * a2 * a0;
    if (disc < 0) {
        const double re = -a1 / (2 * a2), im = std::sqrt(-disc) / (2 * std::fabs(a2));
        return {{re, -im}, {re, im}};
    }
    const double q = -(a1 + std::copysign(std::sqrt(disc), a1)) / 2;
    if (q == 0)
        return {{0.0, 0.0}, {0.0, 0.0}};
    return {{q / a2, 0.0}, {a0 / q, 0.0}};
}

// The phase of (jω − z), rad, on the branch that is continuous in ω: a root in the
// left half-plane (or on the axis) leaves (jω − z) in the right half-plane, where atan2
// does not jump; a root in the right half-plane leaves it in the left, measured from π.
double factorPhase(double omega, std::complex<double> z)
{
    if (z.real() > 0)
        return kPi - std::atan2(omega - z.imag(), z.real());
    return std::atan2(omega - z.imag(), -z.real());
}

// The phase of N(jω)/Dn(jω) as the sum of its factors' phases, continuous in ω, up to a
// multiple of 2π; the sign of N's leading coefficient adds π.
double continuousPhase(const TransferFunction& g, double omega)
{
    double lead = 0;
    for (const double a : g.num)
        lead = a != 0 ? a : lead;
    double phase = lead < 0 ? kPi : 0.0;
    for (const auto& z : g.zeros)
        phase += factorPhase(omega, z);
    for (const auto& p : g.poles)
        phase -= factorPhase(omega, p);
    return phase;
}

// G(s) = c·adj(sI − A)·B/det(sI − A) + E, with adj(sI − A) = [[s − a22, a12], [a21,
// s − a11]] and det(sI − A) = s² − tr(A)·s + det(A); `freq` sets the lowest frequency
// drawn, where the phase is the principal one.
TransferFunction transferFunction(const Matrix2& a, const Vector2& c, const PlantInput& in, double freq)
{
    const double tr = a[0][0] + a[1][1];
    const double det = a[0][0] * a[1][1] - a[0][1] * a[1][0];
    const Vector2& B = in.B;
    TransferFunction g;
    g.den = {det, -tr, 1.0};
    const double adjConstant = c[0] * (-a[1][1] * B[0] + a[0][1] * B[1]) + c[1] * (a[1][0] * B[0] - a[0][0] * B[1]);
    g.num = {adjConstant + in.E * det, dot(c, B) - in.E * tr, in.E};
    g.zeros = quadraticRoots(g.num[0], g.num[1], g.num[2]);
    g.poles = quadraticRoots(g.den[0], g.den[1], g.den[2]);
    const double omegaLow = 2 * kPi * (freq / 1000);
    const double principal = std::arg(g.at({0.0, omegaLow}));
    g.phaseOffset = 2 * kPi * std::round((principal - continuousPhase(g, omegaLow)) / (2 * kPi));
    return g;
}

// Gvd's real zeros: the lowest in the right half-plane, and with rC > 0 the farthest
// in the left, the ESR's, near 1/(rC·C).
void zerosOfGvd(SmallSignal& m)
{
    for (const auto& z : m.Gvd.zeros) {
        if (z.imag() != 0)
            continue;
        const double fz = std::fabs(z.real()) / (2 * kPi);
        if (z.real() > 0 && (!m.fzRhp || fz < *m.fzRhp))
            m.fzRhp = fz;
        if (z.real() < 0 && m.parts.rC > 0 && (!m.fzEsr || fz > *m.fzEsr))
            m.fzEsr = fz;
    }
}

// The averaged equations, the closed-form operating point and the three inputs.
SmallSignal averaged(const Model::SimulatedRun& r, const Parasitics& p)
{
    const double Rp = r.RL / (r.RL + p.rC);
    const double d = r.D, dPrime = 1 - r.D;
    const Phase on = switchClosed(r, p, Rp), off = diodeConducting(r, p, Rp);
    SmallSignal m;
    m.run = r;
    m.parts = p;
    for (std::size_t i = 0; i < 2; ++i)
        m.A[i] = weighed(d, on.A[i], dPrime, off.A[i]);
    m.b = weighed(d, on.b, dPrime, off.b);
    m.c = weighed(d, on.c, dPrime, off.c);
    const double xR = p.rL + d * p.Ron + dPrime * p.RD;
    m.Vo = ((r.Vi - dPrime * p.VF) * dPrime * r.RL) / (xR + dPrime * Rp * (dPrime * r.RL + p.rC));
    m.IL = m.Vo / (dPrime * r.RL);
    m.DeltaiL = ((r.Vi - (p.rL + p.Ron) * m.IL) * d) / (r.Freq * r.L);
    const Vector2 x = {m.IL, m.Vo};
    Matrix2 dA{};
    for (std::size_t i = 0; i < 2; ++i)
        for (std::size_t j = 0; j < 2; ++j)
            dA[i][j] = on.A[i][j] - off.A[i][j];
    const Vector2 dAx = times(dA, x);
    m.duty.B = {dAx[0] + (on.b[0] - off.b[0]), dAx[1] + (on.b[1] - off.b[1])};
    m.duty.E = dot({on.c[0] - off.c[0], on.c[1] - off.c[1]}, x);
    m.line = {{1 / r.L, 0.0}, 0.0};
    m.load = {{-(dPrime * Rp * p.rC) / r.L, Rp / r.C}, Rp * p.rC};
    return m;
}

} // namespace

std::complex<double> TransferFunction::at(std::complex<double> s) const
{
    return (num[0] + s * (num[1] + s * num[2])) / (den[0] + s * (den[1] + s * den[2]));
}

std::complex<double> TransferFunction::atHz(double fHz) const
{
    return at({0.0, 2 * kPi * fHz});
}

double TransferFunction::magnitudeDb(double fHz) const
{
    return 20 * std::log10(std::abs(atHz(fHz)));
}

double TransferFunction::phaseDeg(double fHz) const
{
    return (continuousPhase(*this, 2 * kPi * fHz) + phaseOffset) * (180 / kPi);
}

std::variant<SmallSignal, QString> smallSignal(const Model::SimulatedRun& run, const Parasitics& parts)
{
    if (auto why = badInputs(run, parts))
        return *why;
    SmallSignal m = averaged(run, parts);
    if (!std::isfinite(m.IL) || !std::isfinite(m.DeltaiL))
        return kNoOperatingPoint.toString();
    if (m.IL <= m.DeltaiL / 2)
        return kNotContinuous.arg(FormatNumber(m.IL, NumberPattern::Sci3), FormatNumber(m.DeltaiL / 2, NumberPattern::Sci3));
    m.Gvd = transferFunction(m.A, m.c, m.duty, run.Freq);
    m.Gvg = transferFunction(m.A, m.c, m.line, run.Freq);
    m.Zout = transferFunction(m.A, m.c, m.load, run.Freq);
    m.Gvd0 = m.Gvd.at(0).real();
    m.Gvg0 = m.Gvg.at(0).real();
    m.Zout0 = m.Zout.at(0).real();
    const double det = m.Gvd.den[0], tr = -m.Gvd.den[1];
    m.f0 = std::sqrt(det) / (2 * kPi);
    m.Q = std::sqrt(det) / std::fabs(tr);
    zerosOfGvd(m);
    return m;
}

QString operatingPointNote()
{
    return kOperatingPointNote.toString();
}

double bodeFrequency(double freq, int i)
{
    return freq * std::pow(10.0, -3 + i / 50.0);
}

BodeCurves bodeCurves(const SmallSignal& model)
{
    BodeCurves curves;
    for (int i = 0; i < kBodePoints; ++i) {
        const double f = bodeFrequency(model.run.Freq, i);
        curves.frequencies.push_back(f);
        const std::array<std::pair<const TransferFunction*, std::vector<BodeValue>*>, 3> curvesOf = {
            {{&model.Gvd, &curves.gvd}, {&model.Gvg, &curves.gvg}, {&model.Zout, &curves.zout}}};
        for (const auto& [g, out] : curvesOf)
            out->push_back({g->magnitudeDb(f), g->phaseDeg(f)});
    }
    return curves;
}

std::vector<BodeMark> bodeMarks(const SmallSignal& model)
{
    std::vector<BodeMark> marks{{BodeMarkKind::Resonance, model.f0, model.Q}};
    if (model.fzRhp)
        marks.push_back({BodeMarkKind::RhpZero, *model.fzRhp, 0});
    if (model.fzEsr)
        marks.push_back({BodeMarkKind::EsrZero, *model.fzEsr, 0});
    marks.push_back({BodeMarkKind::HalfSwitching, model.run.Freq / 2, 0});
    return marks;
}
