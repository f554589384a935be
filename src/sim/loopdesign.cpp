#include "loopdesign.h"

#include "app/numbers.h"

#include <QStringView>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = kPi / 180;

constexpr QStringView kBadCrossover =
    u"La frequenza di incrocio fc deve essere maggiore di zero e minore di metà della frequenza di "
    u"commutazione, f/2 = %1 Hz, oltre la quale il modello mediato non vale: scegli fc in questo "
    u"intervallo, per esempio il valore predefinito %2 Hz.";
constexpr QStringView kBadMargin =
    u"Il margine di fase PM deve essere compreso tra 0° e 90° (esclusi): scegli un valore in questo "
    u"intervallo, per esempio 60°.";
constexpr QStringView kBoostTypeII =
    u"Con fc = %1 Hz e PM = %2° il compensatore deve anticipare la fase di %3°, ma una rete di "
    u"tipo II ne dà meno di 90°: scegli il tipo III, una frequenza di incrocio fc più bassa o un "
    u"margine di fase PM più piccolo.";
constexpr QStringView kBoostTypeIII =
    u"Con fc = %1 Hz e PM = %2° il compensatore deve anticipare la fase di %3°, ma una rete di "
    u"tipo III ne dà meno di 180°: scegli una frequenza di incrocio fc più bassa o un margine di "
    u"fase PM più piccolo.";
constexpr QStringView kIntegratorAlone =
    u"Il solo integratore basta: il compensatore non deve anticipare la fase (k = 1), quindi il "
    u"margine di fase all'incrocio è più grande di quello richiesto.";

QString number(double x) { return FormatNumber(x, NumberPattern::Sci3); }

// x rounded to `digits` significant digits, the nearest double to the decimal.
double roundSignificant(double x, int digits)
{
    const int shift = digits - 1 - static_cast<int>(std::floor(std::log10(x)));
    if (shift >= 0) {
        const double scale = std::pow(10.0, shift);
        return std::round(x * scale) / scale;
    }
    const double scale = std::pow(10.0, -shift);
    return std::round(x / scale) * scale;
}

std::optional<QString> badRequest(const SmallSignal& model, const LoopRequest& r)
{
    const double half = model.run.Freq / 2;
    if (!(std::isfinite(r.fcHz) && r.fcHz > 0 && r.fcHz < half))
        return kBadCrossover.arg(number(half), number(defaultCrossover(model)));
    if (!(std::isfinite(r.pmDeg) && r.pmDeg > 0 && r.pmDeg < 90))
        return kBadMargin.toString();
    return std::nullopt;
}

// The k factor and the leads' corners for the boost, or the refusal of a boost the
// type cannot give.
std::optional<QString> placeLeads(Compensator& gc)
{
    if (gc.boostDeg <= 0) {
        gc.integratorAlone = true;
        gc.k = 1;
        gc.fzHz = gc.fpHz = gc.fcHz;
        return std::nullopt;
    }
    const bool typeII = gc.type == CompensatorType::TypeII;
    if (gc.boostDeg >= (typeII ? 90 : 180)) {
        return (typeII ? kBoostTypeII : kBoostTypeIII).arg(number(gc.fcHz), number(gc.pmDeg), number(gc.boostDeg));
    }
    const double spread = typeII ? std::tan((gc.boostDeg / 2 + 45) * kDeg) : std::tan((gc.boostDeg / 4 + 45) * kDeg);
    gc.k = typeII ? spread : spread * spread;
    gc.fzHz = gc.fcHz / spread;
    gc.fpHz = gc.fcHz * spread;
    return std::nullopt;
}

// ---- Small dense matrices, by rows ----

struct Dense {
    std::size_t n = 0;
    std::vector<double> v;
    explicit Dense(std::size_t size) : n(size), v(size * size, 0.0) {}
    double& at(std::size_t i, std::size_t j) { return v[i * n + j]; }
    double at(std::size_t i, std::size_t j) const { return v[i * n + j]; }
};

Dense product(const Dense& a, const Dense& b)
{
    Dense r(a.n);
    for (std::size_t i = 0; i < a.n; ++i)
        for (std::size_t k = 0; k < a.n; ++k)
            for (std::size_t j = 0; j < a.n; ++j)
                r.at(i, j) += a.at(i, k) * b.at(k, j);
    return r;
}

double rowSumNorm(const Dense& a)
{
    double norm = 0;
    for (std::size_t i = 0; i < a.n; ++i) {
        double row = 0;
        for (std::size_t j = 0; j < a.n; ++j)
            row += std::fabs(a.at(i, j));
        norm = std::max(norm, row);
    }
    return norm;
}

// e^M by scaling and squaring: M/2^s has norm at most 1/4, where 20 terms of the Taylor
// series leave a remainder below 4^−20/20!, far below a double's rounding, and s
// squarings undo the scaling.
Dense exponential(Dense m)
{
    const double norm = rowSumNorm(m);
    const int squarings = norm > 0.25 ? static_cast<int>(std::ceil(std::log2(norm / 0.25))) : 0;
    const double scale = std::ldexp(1.0, -squarings);
    for (double& x : m.v)
        x *= scale;
    Dense sum(m.n), term(m.n);
    for (std::size_t i = 0; i < m.n; ++i)
        sum.at(i, i) = term.at(i, i) = 1;
    for (int k = 1; k <= 20; ++k) {
        term = product(term, m);
        for (std::size_t i = 0; i < term.v.size(); ++i) {
            term.v[i] /= k;
            sum.v[i] += term.v[i];
        }
    }
    for (int s = 0; s < squarings; ++s)
        sum = product(sum, sum);
    return sum;
}

// The augmented exponential e^([[A, b], [0, 0]]·t) holds e^(A·t) and, in its last
// column, ∫0..t e^(A·τ)·b dτ: the state after a time t of the constant input from rest.
Dense augmentedExponential(std::size_t n, const std::vector<double>& a, const std::vector<double>& b, double t)
{
    Dense m(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j)
            m.at(i, j) = a[i * n + j] * t;
        m.at(i, n) = b[i] * t;
    }
    return exponential(m);
}

// Bisection in log f between fa and fb, where `above` differs, to 1e-10 relative.
double bisect(const std::function<bool(double)>& above, double fa, double fb)
{
    const bool aboveA = above(fa);
    double la = std::log(fa), lb = std::log(fb);
    while (lb - la > 1e-10) {
        const double mid = (la + lb) / 2;
        if (above(std::exp(mid)) == aboveA)
            la = mid;
        else
            lb = mid;
    }
    return std::exp((la + lb) / 2);
}

double wrapMargin(double pm)
{
    return pm - 360 * std::ceil((pm - 180) / 360);
}

// The scan's lower end: a thousandth of the lowest corner of T, where |T| falls as the
// integrator's 1/f alone, taken lower still until |T| > 1 there.
double scanStart(const SmallSignal& model, const Compensator& gc)
{
    double low = std::min({model.f0, gc.fzHz, gc.fcHz, 1 / (2 * kPi * gc.delay),
        gc.wI * std::fabs(model.Gvd0) / (2 * kPi)});
    for (const auto& z : model.Gvd.zeros)
        low = std::abs(z) > 0 ? std::min(low, std::abs(z) / (2 * kPi)) : low;
    low /= 1000;
    for (int i = 0; i < 12 && std::abs(loopGain(model, gc, low)) <= 1; ++i)
        low /= 10;
    return low;
}

// The scan: points per decade enough for the resonance, whose magnitude and phase
// change over a relative width near 1/Q.
std::vector<double> scanFrequencies(const SmallSignal& model, const Compensator& gc)
{
    const double low = scanStart(model, gc), high = model.run.Freq / 2;
    const double perDecade = std::clamp(std::ceil(50 * model.Q), 500.0, 100000.0);
    const auto steps = static_cast<std::size_t>(std::ceil(perDecade * std::log10(high / low)));
    std::vector<double> f(steps + 1);
    for (std::size_t i = 0; i <= steps; ++i)
        f[i] = low * std::pow(high / low, static_cast<double>(i) / static_cast<double>(steps));
    f[steps] = high;
    return f;
}

void findCrossovers(const SmallSignal& model, const Compensator& gc, const std::vector<double>& f, LoopAnalysis& out)
{
    const auto above = [&](double x) { return std::abs(loopGain(model, gc, x)) > 1; };
    bool previous = above(f[0]);
    for (std::size_t i = 1; i < f.size(); ++i) {
        const bool now = above(f[i]);
        if (now == previous)
            continue;
        previous = now;
        const double fx = bisect(above, f[i - 1], f[i]);
        if (fx < f.back())
            out.crossovers.push_back({fx, wrapMargin(180 + loopGainPhaseDeg(model, gc, fx))});
    }
}

void findPhaseCrossings(const SmallSignal& model, const Compensator& gc, const std::vector<double>& f, LoopAnalysis& out)
{
    if (out.crossovers.empty())
        return;
    const double from = out.crossovers.front().fHz;
    // Which turn of 360° the phase + 180° lies in.
    const auto turn = [&](double x) { return std::floor((loopGainPhaseDeg(model, gc, x) + 180) / 360); };
    double previous = turn(f[0]);
    for (std::size_t i = 1; i < f.size(); ++i) {
        const double now = turn(f[i]);
        for (double level = std::min(now, previous) + 1; level <= std::max(now, previous); ++level) {
            const auto above = [&](double x) { return loopGainPhaseDeg(model, gc, x) + 180 >= 360 * level; };
            const double fx = bisect(above, f[i - 1], f[i]);
            if (fx > from && fx < f.back())
                out.margins.push_back({fx, -20 * std::log10(std::abs(loopGain(model, gc, fx)))});
        }
        previous = now;
    }
}

// One signal of the closed loop as a row: coefficients of the n states, then of the
// step's constant input.
using Row = std::vector<double>;

Row scaled(const Row& r, double k)
{
    Row out(r);
    for (double& x : out)
        x *= k;
    return out;
}

Row sum(const Row& a, const Row& b)
{
    Row out(a);
    for (std::size_t i = 0; i < a.size(); ++i)
        out[i] += b[i];
    return out;
}

} // namespace

double defaultCrossover(const SmallSignal& model)
{
    const double twentieth = model.run.Freq / 20;
    return roundSignificant(model.fzRhp ? std::min(*model.fzRhp / 5, twentieth) : twentieth, 3);
}

double loopDelay(const SmallSignal& model)
{
    return (0.5 + model.run.D) / model.run.Freq;
}

std::complex<double> Compensator::atHz(double fHz) const
{
    const std::complex<double> s(0.0, 2 * kPi * fHz);
    const std::complex<double> lead = (1.0 + s / (2 * kPi * fzHz)) / (1.0 + s / (2 * kPi * fpHz));
    return wI / s * (leads == 1 ? lead : lead * lead);
}

double Compensator::phaseDeg(double fHz) const
{
    return -90 + leads * (std::atan(fHz / fzHz) - std::atan(fHz / fpHz)) / kDeg;
}

std::variant<Compensator, QString> designCompensator(const SmallSignal& model, const LoopRequest& request)
{
    if (auto why = badRequest(model, request))
        return *why;
    Compensator gc;
    gc.type = request.type;
    gc.leads = request.type == CompensatorType::TypeII ? 1 : 2;
    gc.fcHz = request.fcHz;
    gc.pmDeg = request.pmDeg;
    gc.delay = loopDelay(model);
    gc.delayDeg = 360 * gc.fcHz * gc.delay;
    gc.gvdPhaseDeg = model.Gvd.phaseDeg(gc.fcHz);
    gc.boostDeg = gc.pmDeg - (gc.gvdPhaseDeg - gc.delayDeg) - 90;
    if (auto why = placeLeads(gc))
        return *why;
    gc.wI = (2 * kPi * gc.fcHz) / (gc.k * std::abs(model.Gvd.atHz(gc.fcHz)));
    return gc;
}

QString integratorAloneNote()
{
    return kIntegratorAlone.toString();
}

std::complex<double> loopGain(const SmallSignal& model, const Compensator& gc, double fHz)
{
    const double delayPhase = -2 * kPi * fHz * gc.delay;
    return gc.atHz(fHz) * model.Gvd.atHz(fHz) * std::polar(1.0, delayPhase);
}

double loopGainPhaseDeg(const SmallSignal& model, const Compensator& gc, double fHz)
{
    return gc.phaseDeg(fHz) + model.Gvd.phaseDeg(fHz) - 360 * fHz * gc.delay;
}

std::optional<GainMargin> smallestMargin(const LoopAnalysis& loop)
{
    const auto least = std::min_element(loop.margins.begin(), loop.margins.end(),
                                        [](const GainMargin& a, const GainMargin& b) { return a.gmDb < b.gmDb; });
    if (least == loop.margins.end())
        return std::nullopt;
    return *least;
}

LoopAnalysis analyseLoop(const SmallSignal& model, const Compensator& gc)
{
    const std::vector<double> f = scanFrequencies(model, gc);
    LoopAnalysis out;
    findCrossovers(model, gc, f, out);
    findPhaseCrossings(model, gc, f, out);
    return out;
}

LoopBode loopBode(const SmallSignal& model, const Compensator& gc)
{
    LoopBode bode;
    for (int i = 0; i < kBodePoints; ++i) {
        const double f = bodeFrequency(model.run.Freq, i);
        bode.frequencies.push_back(f);
        bode.loop.push_back({20 * std::log10(std::abs(loopGain(model, gc, f))), loopGainPhaseDeg(model, gc, f)});
        bode.compensator.push_back({20 * std::log10(std::abs(gc.atHz(f))), gc.phaseDeg(f)});
        bode.converter.push_back({model.Gvd.magnitudeDb(f), model.Gvd.phaseDeg(f)});
    }
    return bode;
}

DigitalCompensator digitalCompensator(const Compensator& gc, double freq)
{
    const double c = 2 * freq;
    const double wz = 2 * kPi * gc.fzHz, wp = 2 * kPi * gc.fpHz;
    DigitalCompensator d;
    d.leads = gc.leads;
    d.lead.b0 = (1 + c / wz) / (1 + c / wp);
    d.lead.b1 = (1 - c / wz) / (1 + c / wp);
    d.lead.a1 = (1 - c / wp) / (1 + c / wp);
    d.integratorGain = gc.wI / (2 * freq);
    return d;
}

// The chain around the loop: vo = c·x + E_d·d + E_z·Δiz; its negative through the Padé
// term P = −1 + 2/(1 + s·τ), τ = td/2 (state p' = (u − p)/τ, out 2·p − u); each lead
// g + (1 − g)/(1 + s/ωp) with g = ωp/ωz (state q' = ωp·(in − q), out g·in + (1 − g)·q);
// the integrator w' = in; and the duty d = ωI·w back into the converter.
LinearPrediction::LinearPrediction(const SmallSignal& model, const Compensator& gc, const StepChange& step)
    : n_(4 + static_cast<std::size_t>(gc.leads))
{
    diz_ = -model.Vo * (1 / step.RL2 - 1 / model.run.RL);
    dvi_ = step.Vi2 - model.run.Vi;
    const std::size_t input = n_, integrator = n_ - 1;
    const auto unit = [&](std::size_t i) { Row r(n_ + 1, 0.0); r[i] = 1; return r; };
    std::vector<Row> derivative(n_, Row(n_ + 1, 0.0));
    Row vo = sum(sum(scaled(unit(0), model.c[0]), scaled(unit(1), model.c[1])),
        sum(scaled(unit(integrator), model.duty.E * gc.wI), scaled(unit(input), model.load.E * diz_)));
    const Row u = scaled(vo, -1);
    const double tau = gc.delay / 2;
    derivative[2] = scaled(sum(u, scaled(unit(2), -1)), 1 / tau);
    Row signal = sum(scaled(unit(2), 2), scaled(u, -1));
    const double wp = 2 * kPi * gc.fpHz, g = gc.fpHz / gc.fzHz;
    for (std::size_t j = 0; j < static_cast<std::size_t>(gc.leads); ++j) {
        derivative[3 + j] = scaled(sum(signal, scaled(unit(3 + j), -1)), wp);
        signal = sum(scaled(signal, g), scaled(unit(3 + j), 1 - g));
    }
    derivative[integrator] = signal;
    for (std::size_t i = 0; i < 2; ++i) {
        derivative[i] = sum(sum(scaled(unit(0), model.A[i][0]), scaled(unit(1), model.A[i][1])),
            sum(scaled(unit(integrator), model.duty.B[i] * gc.wI),
                scaled(unit(input), model.load.B[i] * diz_ + model.line.B[i] * dvi_)));
    }
    for (std::size_t i = 0; i < n_; ++i) {
        a_.insert(a_.end(), derivative[i].begin(), derivative[i].begin() + static_cast<std::ptrdiff_t>(n_));
        b_.push_back(derivative[i][n_]);
    }
    c_.assign(vo.begin(), vo.begin() + static_cast<std::ptrdiff_t>(n_));
    e_ = vo[n_];
}

double LinearPrediction::at(double t) const
{
    const Dense e = augmentedExponential(n_, a_, b_, t);
    double y = e_;
    for (std::size_t i = 0; i < n_; ++i)
        y += c_[i] * e.at(i, n_);
    return y;
}

std::vector<double> LinearPrediction::sampled(double dt, std::size_t count) const
{
    const Dense step = augmentedExponential(n_, a_, b_, dt);
    std::vector<double> x(n_, 0.0), next(n_), out;
    out.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        double y = e_;
        for (std::size_t i = 0; i < n_; ++i)
            y += c_[i] * x[i];
        out.push_back(y);
        for (std::size_t i = 0; i < n_; ++i) {
            double s = step.at(i, n_);
            for (std::size_t j = 0; j < n_; ++j)
                s += step.at(i, j) * x[j];
            next[i] = s;
        }
        x.swap(next);
    }
    return out;
}

Departure largestDeparture(const LinearPrediction& prediction, double horizon, double freq)
{
    const double dt = 1 / (32 * freq);
    const auto count = static_cast<std::size_t>(std::floor(horizon / dt)) + 1;
    const std::vector<double> y = prediction.sampled(dt, count);
    std::size_t best = 0;
    for (std::size_t k = 1; k < y.size(); ++k)
        best = std::fabs(y[k]) > std::fabs(y[best]) ? k : best;
    if (best == 0)
        return {y[0], 0};
    // Golden section for the largest |Δvo| between the neighbours of the best sample.
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double lo = static_cast<double>(best - 1) * dt, hi = std::min(static_cast<double>(best + 1) * dt, horizon);
    while (hi - lo > 1e-9 / freq) {
        const double a = hi - ratio * (hi - lo), b = lo + ratio * (hi - lo);
        if (std::fabs(prediction.at(a)) >= std::fabs(prediction.at(b)))
            hi = b;
        else
            lo = a;
    }
    const double t = (lo + hi) / 2;
    return {prediction.at(t), t};
}
