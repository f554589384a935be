#include "realconverter.h"

#include "app/numbers.h"
#include "sim/periodstepper.h"
#include "sim/runprogress.h"
#include "sim/startup.h"

#include <QStringView>

#include <array>
#include <cmath>

namespace {

constexpr QStringView kNoPeriods = u"Per il convertitore reale serve almeno un periodo simulato (NI).";
constexpr QStringView kNegativeParasitic =
    u"Le resistenze parassite e la caduta del diodo non possono essere negative.";
constexpr QStringView kDropEatsInput =
    u"Con questo Duty Cycle la caduta del diodo VF supera la tensione in ingresso riportata all'uscita: "
    u"Vi = %1 V non è maggiore di (1 − D)·VF = %2 V, e il diodo non conduce mai. Riduci VF o aumenta D.";

// The duty cycles of the simulated points of the gain curve, in %.
constexpr int kFirstPointPercent = 5, kPointStepPercent = 5, kLastPointPercent = 95;
// What a point is counted as in the progress: about what Newton's method steps.
constexpr std::int64_t kPeriodsPerPoint = 16;

State bitsState(RealState x) { return {x.iL, x.vC}; }
bool isFinite(RealState x) { return std::isfinite(x.iL) && std::isfinite(x.vC); }

[[gnu::noinline]] RealState stepQuietly(const RealCircuit& c, const Phases& p, RealState start)
{
    KeepNothing nothing;
    return stepPeriod<KeepNothing, DiodeBlocks>(c, p, start, nothing);
}

// Sums over the samples of one period, each sample with the phase of the step out of it.
struct Sums {
    double iL = 0, iL2 = 0, iL2On = 0, vo = 0, vo2 = 0, diode = 0, iC2 = 0;
    std::int32_t count = 0;
};

// The observer of the period whose figures are wanted.  It keeps the five waveform
// arrays as the verification keeps them, with the real output voltage and the
// capacitor current C·ΔvC/Dt, so the summary is the verification's own, and sums the
// circuit's quantities at each sample for the powers.
class RealPeriod {
public:
    static constexpr bool kRecords = true;

    RealPeriod(Model& m, const RealCircuit& c, const Parasitics& p)
        : c_(c), p_(p), n_(m.N), il_(m.WaveIL.data()), vo_(m.WaveVo.data()), ic_(m.WaveIC.data()),
          vl_(m.WaveVL.data()), id_(m.WaveID.data())
    {
    }

    void begin(RealState start)
    {
        il_[1] = start.iL;
        vo_[1] = outputOn(c_, start);
    }
    void onSample(std::int32_t k, RealState x, RealState next)
    {
        record(k, x, next);
        vo_[k + 1] = outputOn(c_, next);
        id_[k] = 0;
        const double vo = outputOn(c_, x);
        add(x.iL, vo, 0, 0 - vo / c_.RL);
        sums.iL2On += x.iL * x.iL;
    }
    void switchAt(std::int32_t k, RealState x)
    {
        il_[k] = x.iL;
        vo_[k] = outputOff(c_, x);
    }
    void offSample(std::int32_t k, RealState x, RealState next)
    {
        record(k, x, next);
        vo_[k + 1] = outputOff(c_, next);
        id_[k] = vo_[k] / c_.RL + ic_[k];
        const double vo = outputOff(c_, x);
        add(x.iL, vo, x.iL, x.iL - vo / c_.RL);
    }
    void blocked(std::int32_t k) { discontinuous = discontinuous || k + 1 <= n_; }
    void wrap()
    {
        for (double* wave : {il_, vo_, ic_, vl_, id_})
            wave[1] = wave[n_];
    }

    Sums sums;
    bool discontinuous = false;

private:
    void record(std::int32_t k, RealState x, RealState next)
    {
        il_[k + 1] = next.iL;
        ic_[k] = ((next.vC - x.vC) * c_.C) / c_.Dt;
        vl_[k] = ((next.iL - x.iL) * c_.L) / c_.Dt;
    }
    void add(double iL, double vo, double id, double iC)
    {
        sums.iL += iL;
        sums.iL2 += iL * iL;
        sums.vo += vo;
        sums.vo2 += vo * vo;
        sums.diode += p_.VF * id + p_.RD * (id * id);
        sums.iC2 += iC * iC;
        ++sums.count;
    }

    const RealCircuit& c_;
    const Parasitics& p_;
    std::int32_t n_;
    double *il_, *vo_, *ic_, *vl_, *id_;
};

// The period from `start` with its figures, or nothing when a value leaves the doubles.
std::optional<RealFigures> figuresOf(const Setup& setup, const Parasitics& p, RealState start)
{
    const RealCircuit c = realCircuitOf(setup.circuit, p);
    Model m;
    m.N = setup.phases.n;
    m.Dt = c.Dt;
    m.Freq = 1 / (c.Dt * m.N);
    for (std::vector<double>* wave : {&m.WaveIL, &m.WaveVo, &m.WaveIC, &m.WaveVL, &m.WaveID})
        wave->assign(std::size_t(m.N) + 2, 0.0);
    RealPeriod period(m, c, p);
    stepPeriod<RealPeriod, DiodeBlocks>(c, setup.phases, start, period);
    if (!samplesFinite(m) || !summarise(m))
        return std::nullopt;
    const Sums& s = period.sums;
    const double n = s.count;
    RealFigures f;
    f.Iim = s.iL / n;
    f.Vo = s.vo / n;
    f.Pin = c.Vi * f.Iim;
    f.Pout = (s.vo2 / n) / c.RL;
    f.lossDCR = p.rL * (s.iL2 / n);
    f.lossSwitch = p.Ron * (s.iL2On / n);
    f.lossDiode = s.diode / n;
    f.lossESR = p.rC * (s.iC2 / n);
    f.efficiency = f.Pout / f.Pin;
    f.discontinuous = period.discontinuous;
    f.DeltaiL = m.SimDeltaiL, f.DeltaVo = m.SimDeltaVo, f.IDP = m.SimIDP, f.IDm = m.SimIDm, f.summaryIim = m.SimIim;
    for (const double value : {f.Vo, f.Iim, f.Pin, f.Pout, f.efficiency})
        if (!std::isfinite(value))
            return std::nullopt;
    return f;
}

// ---- Newton's method on the period map ----

// The 2×2 system (J − I)·Δ = −F, or nothing when it is singular.
std::optional<RealState> newtonStep(const std::array<double, 4>& J, RealState F)
{
    const double a = J[0] - 1, b = J[1], c = J[2], d = J[3] - 1;
    const double det = a * d - b * c;
    if (!(std::fabs(det) > 0) || !std::isfinite(det))
        return std::nullopt;
    return RealState{(-F.iL * d + F.vC * b) / det, (-F.vC * a + F.iL * c) / det};
}

} // namespace

RealCircuit realCircuitOf(const Circuit& ideal, const Parasitics& p)
{
    return {ideal.Vi, ideal.Dt, ideal.L, ideal.C, ideal.RL, ideal.CRL, p.rL + p.Ron, p.rL + p.RD, p.VF,
            p.rC / (ideal.RL + p.rC)};
}

// As the verification steps its periods: from rest, until NI or until the start state
// of a period repeats an earlier one's, after which period NI is the period of the
// cycle in its place.
std::variant<RealRun, Stop> runRealFromRest(const Setup& setup, const Parasitics& p, std::int64_t periods,
                                            ProgressCounter* progress)
{
    const RealCircuit c = realCircuitOf(setup.circuit, p);
    RealRun run;
    run.period = periods;
    std::int64_t total = periods;
    RealState start;
    RepeatFinder repeats(bitsState(start));
    for (std::int64_t done = 1; done < total; ++done) {
        const RealState next = stepQuietly(c, setup.phases, start);
        if (!isFinite(next))
            return diverged();
        if (run.cycleLength == 0) {
            if (const std::int64_t cycle = repeats.cycleAt(done + 1, bitsState(start), bitsState(next))) {
                run.cycleLength = cycle;
                total = done + 1 + (periods - (done + 1)) % cycle;
                if (progress)
                    progress->endsAt(total, true);
            }
        }
        start = next;
        if (progress && !progress->step())
            return cancelled();
    }
    run.stepped = total;
    const std::optional<RealFigures> figures = figuresOf(setup, p, start);
    if (!figures)
        return diverged();
    run.figures = *figures;
    return run;
}

// In continuous conduction the period map x → P(x) is affine, so one Newton step from
// any guess lands on its fixed point, and the next confirms it; where the diode blocks
// the map is affine piece by piece, and a few steps more find the piece.  The Jacobian
// comes from two more periods stepped from points a step apart.
std::optional<RealFigures> realSteadyState(const Setup& setup, const Parasitics& p, RealState guess)
{
    const RealCircuit c = realCircuitOf(setup.circuit, p);
    const double currentScale = std::fabs(c.Vi / c.RL), voltageScale = std::fabs(c.Vi);
    constexpr int kIterations = 40;
    RealState x = guess;
    for (int i = 0; i < kIterations; ++i) {
        const RealState Px = stepQuietly(c, setup.phases, x);
        const RealState F{Px.iL - x.iL, Px.vC - x.vC};
        if (!isFinite(F))
            return std::nullopt;
        const double hI = 1e-3 * currentScale, hV = 1e-3 * voltageScale;
        const RealState PI = stepQuietly(c, setup.phases, {x.iL + hI, x.vC});
        const RealState PV = stepQuietly(c, setup.phases, {x.iL, x.vC + hV});
        const std::array<double, 4> J{(PI.iL - Px.iL) / hI, (PV.iL - Px.iL) / hV, (PI.vC - Px.vC) / hI,
                                      (PV.vC - Px.vC) / hV};
        const std::optional<RealState> delta = newtonStep(J, F);
        if (!delta)
            return std::nullopt;
        // A period starts where the last one's off-phase ended: never below zero current.
        x = {std::max(x.iL + delta->iL, 0.0), x.vC + delta->vC};
        // Each period stepped carries a rounding noise of about 1e-13 of the scales, so
        // the iteration ends on a step well above that, and well below what shows.
        if (std::fabs(delta->iL) <= 1e-9 * currentScale && std::fabs(delta->vC) <= 1e-9 * voltageScale)
            return figuresOf(setup, p, x);
    }
    return std::nullopt;
}

namespace {

std::optional<Stop> refusedParasitics(const Parasitics& p)
{
    for (const double value : {p.rL, p.Ron, p.VF, p.RD, p.rC}) {
        if (!(value >= 0) || !std::isfinite(value))
            return fault(kNegativeParasitic);
    }
    return std::nullopt;
}

std::vector<CurvePoint> simulatedPoints(const Model::SimulatedRun& c, const Parasitics& p, ProgressCounter& progress,
                                        bool& cancelledRun)
{
    std::vector<CurvePoint> points;
    for (int percent = kFirstPointPercent; percent <= kLastPointPercent; percent += kPointStepPercent) {
        Model m = modelOf(c);
        m.D = double(percent) / 100;
        CurvePoint point{percent, std::nullopt};
        const std::variant<Setup, Stop> prepared = prepareRun(m);
        if (const Setup* setup = std::get_if<Setup>(&prepared)) {
            const std::optional<AveragedPoint> a = averagedAt(c, p, m.D);
            point.figures = realSteadyState(*setup, p, a ? RealState{a->Iim, a->Vo} : RealState{});
        }
        points.push_back(point);
        for (std::int64_t i = 0; i < kPeriodsPerPoint; ++i) {
            if (!progress.step()) {
                cancelledRun = true;
                return points;
            }
        }
    }
    return points;
}

std::variant<RealView, Stop> analyse(const Model::SimulatedRun& c, const Parasitics& p, ProgressCounter& progress)
{
    const Model m = modelOf(c);
    const std::variant<Setup, Stop> prepared = prepareRun(m);
    if (const Stop* refused = std::get_if<Stop>(&prepared))
        return *refused;
    if (m.NI < 1)
        return fault(kNoPeriods);
    if (const std::optional<Stop> refused = refusedParasitics(p))
        return *refused;
    const std::optional<AveragedPoint> averaged = averagedAt(c, p, c.D);
    if (!averaged)
        return fault(kDropEatsInput.arg(FormatNumber(c.Vi, NumberPattern::Sci2),
                                        FormatNumber((1 - c.D) * p.VF, NumberPattern::Sci2)));
    RealView view;
    view.inputs = c;
    view.parasitics = p;
    view.averaged = *averaged;
    view.gainMax = gainMaximum(c, p);
    view.Lcrit = criticalInductance(c);
    view.VoIdeal = idealOutput(c, c.D);
    view.ideal = idealFigures(c);
    view.curve = gainCurve(c, p);
    std::variant<RealRun, Stop> run = runRealFromRest(std::get<Setup>(prepared), p, m.NI, &progress);
    if (const Stop* stop = std::get_if<Stop>(&run))
        return *stop;
    view.run = std::get<RealRun>(run);
    const std::int64_t pointsCount = (kLastPointPercent - kFirstPointPercent) / kPointStepPercent + 1;
    progress.endsAt(progress.done() + pointsCount * kPeriodsPerPoint, view.run.cycleLength > 0);
    bool cancelledRun = false;
    view.points = simulatedPoints(c, p, progress, cancelledRun);
    if (cancelledRun)
        return cancelled();
    return view;
}

} // namespace

std::variant<RealView, Stop> analyseReal(const Model::SimulatedRun& c, const Parasitics& p, ProgressPort* progress)
{
    ProgressCounter counter(progress, c.NI);
    std::variant<RealView, Stop> result = analyse(c, p, counter);
    counter.finish();
    return result;
}
