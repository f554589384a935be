#include "dynamics.h"

#include "app/numbers.h"
#include "sim/frequencyresponse.h"
#include "sim/realconverter.h"
#include "sim/startup.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kSameFrequency = 1e-9; // relative

double degrees(double radians)
{
    return radians * 180 / std::numbers::pi;
}

// The measured phase on the branch of the averaged one: within 180° of it.
double unwrappedNear(double measuredDeg, double averagedDeg)
{
    return averagedDeg + std::remainder(measuredDeg - averagedDeg, 360.0);
}

std::vector<MeasuredPoint> measure(const SmallSignal& model, const Setup& setup, ProgressPort* progress, bool& stopped)
{
    const RealCircuit c = realCircuitOf(setup.circuit, model.parts);
    std::vector<ResponsePoint> asked;
    for (const std::int64_t k : kMeasuredDivisors)
        asked.push_back({k, settlePeriods(model, k)});
    const auto measured = measureDutyResponses(c, model.run.N, model.run.D, {model.IL, model.Vo}, asked, progress);
    stopped = measured.empty();
    std::vector<MeasuredPoint> points;
    for (std::size_t i = 0; i < measured.size(); ++i) {
        MeasuredPoint p;
        p.k = asked[i].k;
        p.fHz = model.run.Freq / double(p.k);
        p.averagedDb = model.Gvd.magnitudeDb(p.fHz);
        p.averagedDeg = model.Gvd.phaseDeg(p.fHz);
        p.simulated = measured[i];
        if (p.simulated) {
            p.simulatedDb = 20 * std::log10(std::abs(*p.simulated));
            p.simulatedDeg = unwrappedNear(degrees(std::arg(*p.simulated)), p.averagedDeg);
        }
        points.push_back(p);
    }
    return points;
}

void addCells(QByteArray& row, const TransferFunction& g, double fHz)
{
    row += ',' + shortestText(g.magnitudeDb(fHz)) + ',' + shortestText(g.phaseDeg(fHz));
}

} // namespace

std::int64_t settlePeriods(const SmallSignal& model, std::int64_t k)
{
    double slowest = std::numeric_limits<double>::infinity();
    for (const std::complex<double>& pole : model.Gvd.poles)
        slowest = std::min(slowest, std::fabs(pole.real()));
    const double periods = std::ceil(8 / slowest * model.run.Freq);
    return std::max(std::int64_t(std::min(periods, 1e15)), 6 * k);
}

std::variant<DynamicsView, Stop> analyseDynamics(const Model::SimulatedRun& c, const Parasitics& p,
                                                 ProgressPort* progress)
{
    const std::variant<Setup, Stop> prepared = prepareRun(modelOf(c));
    if (const Stop* refused = std::get_if<Stop>(&prepared)) {
        if (progress)
            progress->finished();
        return *refused;
    }
    std::variant<SmallSignal, QString> averaged = smallSignal(c, p);
    if (const QString* refused = std::get_if<QString>(&averaged)) {
        if (progress)
            progress->finished();
        return fault(*refused);
    }
    DynamicsView view;
    view.model = std::move(std::get<SmallSignal>(averaged));
    view.curves = bodeCurves(view.model);
    view.marks = bodeMarks(view.model);
    view.coarse = c.N < kFineSamples;
    bool stopped = false;
    view.points = measure(view.model, std::get<Setup>(prepared), progress, stopped);
    if (progress)
        progress->finished();
    if (stopped)
        return cancelled();
    return view;
}

QByteArray dynamicsCsv(const DynamicsView& view)
{
    std::vector<std::pair<double, const MeasuredPoint*>> rows;
    for (const double f : view.curves.frequencies)
        rows.emplace_back(f, nullptr);
    for (const MeasuredPoint& point : view.points) {
        const auto same = std::find_if(rows.begin(), rows.end(), [&](const auto& row) {
            return std::fabs(row.first - point.fHz) <= kSameFrequency * point.fHz;
        });
        if (same != rows.end())
            same->second = &point;
        else
            rows.emplace_back(point.fHz, &point);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QByteArray csv("f [Hz],|Gvd| [dB],fase Gvd [\xC2\xB0],|Gvg| [dB],fase Gvg [\xC2\xB0],|Zout| [dB\xCE\xA9],fase Zout [\xC2\xB0],"
                   "|Gvd| simulato [dB],fase Gvd simulata [\xC2\xB0]\n");
    for (const auto& [f, point] : rows) {
        QByteArray row = shortestText(f);
        addCells(row, view.model.Gvd, f);
        addCells(row, view.model.Gvg, f);
        addCells(row, view.model.Zout, f);
        if (point && point->simulated)
            row += ',' + shortestText(point->simulatedDb) + ',' + shortestText(point->simulatedDeg);
        else
            row += ",,";
        csv += row + '\n';
    }
    return csv;
}
