#include "closedloop.h"

#include "app/numbers.h"
#include "sim/averagedmodel.h"
#include "sim/periodstepper.h"
#include "sim/realconverter.h"
#include "sim/runprogress.h"
#include "sim/startup.h"

#include <QStringView>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace {

constexpr QStringView kBadLimits =
    u"I limiti del duty cycle devono essere 0 ≤ Dmin < Dmax < 1: correggi Dmin o Dmax.";
constexpr QStringView kNoPeriodsAfter = u"Servono almeno un periodo prima del gradino e uno dopo.";

// The periods before the step whose means make its level, and those at the end that
// tell whether the duty dithers.
constexpr std::int64_t kLevelPeriods = 10;
constexpr std::int64_t kDitherPeriods = 20;
// Points per period at which the linear prediction is taken, to average it over each.
constexpr std::size_t kPredictionPointsPerPeriod = 16;

// The mean output of a period's samples, each with the phase of the step out of it,
// and its samples gathered into the drawing's pixel columns.
class LoopObserver {
public:
    static constexpr bool kRecords = true;

    LoopObserver(std::vector<LoopColumn>* columns, std::int64_t totalSamples, std::int32_t n)
        : columns_(columns), total_(totalSamples), n_(n)
    {
    }

    void setCircuit(const RealCircuit& c) { c_ = &c; }
    void begin(RealState) { sum_ = 0, count_ = 0; }
    void onSample(std::int32_t k, RealState x, RealState) { add(k, outputOn(*c_, x)); }
    void switchAt(std::int32_t, RealState) {}
    void offSample(std::int32_t k, RealState x, RealState) { add(k, outputOff(*c_, x)); }
    void blocked(std::int32_t) {}
    void wrap() { ++period_; }
    double mean() const { return sum_ / double(count_); }

private:
    void add(std::int32_t k, double vo)
    {
        sum_ += vo;
        ++count_;
        if (!columns_)
            return;
        __extension__ using Wide = unsigned __int128;
        const std::uint64_t g = std::uint64_t(period_ * n_ + (k - 1));
        const auto c = std::size_t(Wide(g) * Wide(columns_->size()) / Wide(std::uint64_t(total_)));
        LoopColumn& col = (*columns_)[std::min(c, columns_->size() - 1)];
        col.low = std::min(col.low, vo);
        col.high = std::max(col.high, vo);
    }

    const RealCircuit* c_ = nullptr;
    std::vector<LoopColumn>* columns_;
    std::int64_t total_;
    std::int64_t n_;
    std::int64_t period_ = 0;
    double sum_ = 0;
    std::int64_t count_ = 0;
};

// The digital controller: lead sections in cascade, then the integrator that holds the
// duty within its limits.
class Controller {
public:
    Controller(const DigitalCompensator& dc, const LoopRunRequest& r, double D)
        : dc_(dc), r_(r), x_(std::size_t(dc.leads), 0.0), y_(std::size_t(dc.leads), 0.0), integral_(D)
    {
    }

    // The duty of the next period from the mean output of the last.
    double next(double measured)
    {
        double x = r_.Vref - measured;
        for (std::size_t s = 0; s < x_.size(); ++s) {
            const double y = dc_.lead.b0 * x + dc_.lead.b1 * x_[s] - dc_.lead.a1 * y_[s];
            x_[s] = x, y_[s] = y;
            x = y;
        }
        integral_ = integral_ + dc_.integratorGain * (x + lastIn_);
        lastIn_ = x;
        limited_ = integral_ <= r_.Dmin || integral_ >= r_.Dmax;
        integral_ = std::clamp(integral_, r_.Dmin, r_.Dmax);
        return integral_;
    }
    bool limited() const { return limited_; }

private:
    const DigitalCompensator& dc_;
    const LoopRunRequest& r_;
    std::vector<double> x_, y_; // each section's last input and output
    double integral_;
    double lastIn_ = 0;
    bool limited_ = false;
};

// The on-samples of a duty, rounded as N·D is, within one period.
Phases phasesOf(std::int32_t n, double duty)
{
    const std::int32_t on = std::clamp(RoundToInt32(n * duty).value_or(0), 0, n);
    const std::int32_t offStart = std::clamp(RoundToInt32(n * duty + 1).value_or(n + 1), 1, n + 1);
    return {n, on, std::max(offStart, on)};
}

// The real circuits before and after the step.
struct Circuits {
    RealCircuit before, after;
};

std::optional<Circuits> circuitsOf(const SmallSignal& model, const LoopRunRequest& r)
{
    Model m = modelOf(model.run);
    const std::variant<Setup, Stop> first = prepareRun(m);
    m.RL = r.RL2, m.Vi = r.Vi2;
    const std::variant<Setup, Stop> second = prepareRun(m);
    if (!std::holds_alternative<Setup>(first) || !std::holds_alternative<Setup>(second))
        return std::nullopt;
    return Circuits{realCircuitOf(std::get<Setup>(first).circuit, model.parts),
                    realCircuitOf(std::get<Setup>(second).circuit, model.parts)};
}

double levelBefore(const std::vector<double>& means, std::int64_t before)
{
    const std::int64_t from = std::max<std::int64_t>(0, before - kLevelPeriods);
    double sum = 0;
    for (std::int64_t p = from; p < before; ++p)
        sum += means[std::size_t(p)];
    return sum / double(before - from);
}

// The largest departure from `level` after the step, signed, and its period from 1.
std::pair<double, std::int64_t> largestAfter(const std::vector<double>& means, std::int64_t before, double level)
{
    std::pair<double, std::int64_t> largest{0, 0};
    for (std::size_t p = std::size_t(before); p < means.size(); ++p) {
        if (std::fabs(means[p] - level) > std::fabs(largest.first))
            largest = {means[p] - level, std::int64_t(p) - before + 1};
    }
    return largest;
}

struct Stepped {
    std::vector<double> means, duties;
    bool saturated = false;
    std::set<std::int32_t> lastOnSamples;
};

// One run through the step: in closed loop with `controller`, or with the duty held at
// D without one.
std::optional<Stop> runThrough(const Circuits& circuits, const SmallSignal& model, const LoopRunRequest& r,
                               Controller* controller, LoopObserver& observer, Stepped& out,
                               ProgressCounter& progress)
{
    const std::int32_t n = model.run.N;
    const std::int64_t total = r.before + r.after;
    RealState x{model.IL, model.Vo};
    double measured = model.Vo;
    for (std::int64_t p = 0; p < total; ++p) {
        const RealCircuit& c = p < r.before ? circuits.before : circuits.after;
        const double duty = controller ? controller->next(measured) : model.run.D;
        const Phases phases = phasesOf(n, duty);
        observer.setCircuit(c);
        x = stepPeriod<LoopObserver, DiodeBlocks>(c, phases, x, observer);
        if (!std::isfinite(x.iL) || !std::isfinite(x.vC))
            return diverged();
        measured = observer.mean();
        out.means.push_back(measured);
        out.duties.push_back(duty);
        out.saturated = out.saturated || (controller && p >= r.before && controller->limited());
        if (p >= total - kDitherPeriods)
            out.lastOnSamples.insert(phases.onSamples);
        if (!progress.step())
            return cancelled();
    }
    return std::nullopt;
}

// The linear prediction over each period after the step: the mean of Δvo over it.
std::vector<double> predictedPerPeriod(const LinearPrediction& prediction, std::int64_t after, double freq)
{
    const std::size_t m = kPredictionPointsPerPeriod;
    const std::vector<double> v = prediction.sampled(1 / freq / double(m), std::size_t(after) * m + 1);
    std::vector<double> means;
    for (std::size_t q = 0; q < std::size_t(after); ++q) {
        double sum = (v[q * m] + v[(q + 1) * m]) / 2; // the trapezoid rule over the period
        for (std::size_t i = 1; i < m; ++i)
            sum += v[q * m + i];
        means.push_back(sum / double(m));
    }
    return means;
}

std::optional<std::int64_t> settledFrom(const std::vector<double>& means, std::int64_t before, double Vref)
{
    std::optional<std::int64_t> settled;
    for (std::size_t p = means.size(); p-- > std::size_t(before);) {
        if (std::fabs(means[p] - Vref) > 0.01 * std::fabs(Vref))
            break;
        settled = std::int64_t(p) - before + 1;
    }
    return settled;
}

void fillFigures(LoopRun& run, const Stepped& closed, const Stepped& open, const LoopRunRequest& r)
{
    LoopFigures& f = run.figures;
    f.level = levelBefore(closed.means, r.before);
    std::tie(f.deviation, f.deviationPeriod) = largestAfter(closed.means, r.before, f.level);
    f.settledPeriod = settledFrom(closed.means, r.before, r.Vref);
    f.finalMean = closed.means.back();
    f.finalDuty = closed.duties.back();
    f.saturated = closed.saturated;
    f.dithers = closed.lastOnSamples.size() == 2 && *closed.lastOnSamples.rbegin() == *closed.lastOnSamples.begin() + 1;
    f.openFinal = open.means.back();
    f.openDeviation = largestAfter(open.means, r.before, levelBefore(open.means, r.before)).first;
}

std::optional<Stop> refused(const SmallSignal& model, const LoopRunRequest& r)
{
    if (const std::optional<QString> why = dutyLimitsRefusal(r.Dmin, r.Dmax))
        return fault(*why);
    if (r.before < 1 || r.after < 1)
        return fault(kNoPeriodsAfter);
    if (const std::variant<Setup, Stop> setup = prepareRun(modelOf(model.run)); const Stop* stop = std::get_if<Stop>(&setup))
        return *stop;
    return std::nullopt;
}

std::variant<LoopRun, Stop> run(const SmallSignal& model, const Compensator& gc, const LoopRunRequest& r, int columns,
                                ProgressCounter& progress)
{
    if (std::optional<Stop> stop = refused(model, r))
        return *stop;
    const std::optional<Circuits> circuits = circuitsOf(model, r);
    if (!circuits)
        return fault(kBadLimits);
    const std::int64_t total = r.before + r.after;
    LoopRun out;
    out.columns.assign(std::size_t(std::max(columns, 1)), {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()});
    const DigitalCompensator dc = digitalCompensator(gc, model.run.Freq);
    Controller controller(dc, r, model.run.D);
    Stepped closed, open;
    LoopObserver drawn(&out.columns, total * model.run.N, model.run.N), plain(nullptr, 1, model.run.N);
    if (std::optional<Stop> stop = runThrough(*circuits, model, r, &controller, drawn, closed, progress))
        return *stop;
    if (std::optional<Stop> stop = runThrough(*circuits, model, r, nullptr, plain, open, progress))
        return *stop;
    fillFigures(out, closed, open, r);
    out.figures.reachable = referenceReachable(model, r);
    const LinearPrediction prediction(model, gc, {r.RL2, r.Vi2});
    const Departure departure = largestDeparture(prediction, double(r.after) / model.run.Freq, model.run.Freq);
    out.figures.linearDeviation = departure.dvo;
    out.figures.linearDeviationAt = departure.t * model.run.Freq;
    const std::vector<double> predicted = predictedPerPeriod(prediction, r.after, model.run.Freq);
    for (std::size_t p = 0; p < std::size_t(total); ++p) {
        const double delta = p < std::size_t(r.before) ? 0 : predicted[p - std::size_t(r.before)];
        out.periods.push_back({closed.means[p], closed.duties[p], open.means[p], out.figures.level + delta});
    }
    return out;
}

} // namespace

std::optional<QString> dutyLimitsRefusal(double Dmin, double Dmax)
{
    if (Dmin >= 0 && Dmin < Dmax && Dmax < 1)
        return std::nullopt;
    return kBadLimits.toString();
}

bool referenceReachable(const SmallSignal& model, const LoopRunRequest& request)
{
    Model::SimulatedRun after = model.run;
    after.RL = request.RL2, after.Vi = request.Vi2;
    const std::optional<GainMaximum> highest = gainMaximum(after, model.parts);
    return !highest || highest->gain * request.Vi2 >= request.Vref;
}

std::variant<LoopRun, Stop> runLoop(const SmallSignal& model, const Compensator& gc, const LoopRunRequest& request,
                                    int columns, ProgressPort* progress)
{
    ProgressCounter counter(progress, 2 * (request.before + request.after));
    counter.endsAt(2 * (request.before + request.after), false);
    std::variant<LoopRun, Stop> result = run(model, gc, request, columns, counter);
    counter.finish();
    return result;
}

LoopRunRequest defaultRunRequest(const SmallSignal& model)
{
    LoopRunRequest r;
    r.Vref = model.Vo;
    r.RL2 = model.run.RL / 2;
    r.Vi2 = model.run.Vi;
    return r;
}

std::variant<ControlView, Stop> analyseControl(const Model::SimulatedRun& c, const Parasitics& p,
                                               const LoopRequest& design, const LoopRunRequest& request, int columns,
                                               ProgressPort* progress)
{
    const auto refuse = [progress](const QString& why) -> std::variant<ControlView, Stop> {
        if (progress)
            progress->finished();
        return fault(why);
    };
    std::variant<SmallSignal, QString> averaged = smallSignal(c, p);
    if (const QString* why = std::get_if<QString>(&averaged))
        return refuse(*why);
    ControlView view;
    view.model = std::move(std::get<SmallSignal>(averaged));
    std::variant<Compensator, QString> designed = designCompensator(view.model, design);
    if (const QString* why = std::get_if<QString>(&designed))
        return refuse(*why);
    view.gc = std::get<Compensator>(designed);
    view.digital = digitalCompensator(view.gc, c.Freq);
    view.loop = analyseLoop(view.model, view.gc);
    view.bode = loopBode(view.model, view.gc);
    view.request = request;
    std::variant<LoopRun, Stop> run = runLoop(view.model, view.gc, request, columns, progress);
    if (const Stop* stop = std::get_if<Stop>(&run))
        return *stop;
    view.run = std::move(std::get<LoopRun>(run));
    return view;
}

QByteArray loopCsv(const ControlView& view)
{
    QByteArray csv("periodo,vo medio anello chiuso [V],duty,vo medio anello aperto [V],vo previsione lineare [V]\n");
    std::int64_t period = 0;
    for (const LoopPeriod& p : view.run.periods) {
        csv += QByteArray::number(++period);
        for (const double value : {p.closedMean, p.duty, p.openMean, p.predicted})
            csv += ',' + shortestText(value);
        csv += '\n';
    }
    return csv;
}
