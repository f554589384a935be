#include "frequencyresponse.h"

#include "app/numbers.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

namespace {

constexpr std::int64_t kProjectedModulationPeriods = 4;

// Projects the output voltage of every sample, each with the phase of the step taken
// out of it, on e^(−jωt): t = (p·T + (k − 1)·Dt) for sample k of period p (from 0).
class Projection {
public:
    static constexpr bool kRecords = true; // the last sample of each phase counts too

    Projection(const RealCircuit& c, std::int32_t n, double omega) : c_(c)
    {
        // e^(−jω(k − 1)·Dt) for k = 1..N: the phasor's turn within a period.
        within_.resize(std::size_t(n) + 1);
        for (std::int32_t k = 1; k <= n; ++k)
            within_[std::size_t(k)] = std::polar(1.0, -omega * (double(k - 1) * c.Dt));
    }

    // The phasor of the period's start, e^(−jω·p·T).
    void startPeriod(std::complex<double> atStart) { atStart_ = atStart; }

    void begin(RealState) {}
    void onSample(std::int32_t k, RealState x, RealState) { add(k, outputOn(c_, x)); }
    void switchAt(std::int32_t, RealState) {}
    void offSample(std::int32_t k, RealState x, RealState) { add(k, outputOff(c_, x)); }
    void blocked(std::int32_t) {}
    void wrap() { sum_ += atStart_ * period_, period_ = 0; }

    // The complex amplitude of the output at ω: twice the mean of vo·e^(−jωt).
    std::complex<double> amplitude() const { return 2.0 * sum_ / double(count_); }

private:
    void add(std::int32_t k, double vo)
    {
        period_ += vo * within_[std::size_t(k)];
        ++count_;
    }

    const RealCircuit& c_;
    std::vector<std::complex<double>> within_;
    std::complex<double> atStart_, period_, sum_;
    std::int64_t count_ = 0;
};

// The phases of period p (from 0) under the modulated duty, rounded as N·D is.
std::optional<Phases> modulatedPhases(std::int32_t n, double D, std::int64_t k, std::int64_t p)
{
    // The phase at the switching instant (p + D)·T, reduced to one modulation period so
    // that it stays exact however long the run.
    const double phase = 2 * std::numbers::pi * (double(p % k) + D) / double(k);
    const double duty = D + kModulation * std::sin(phase);
    const std::optional<std::int32_t> on = RoundToInt32(n * duty), offStart = RoundToInt32(n * duty + 1);
    if (!on || !offStart || *on < 1 || *on >= n)
        return std::nullopt;
    return Phases{n, *on, *offStart};
}

[[gnu::noinline]] RealState stepQuietly(const RealCircuit& c, const Phases& p, RealState start)
{
    KeepNothing nothing;
    return stepPeriod<KeepNothing, DiodeBlocks>(c, p, start, nothing);
}

bool finite(RealState x)
{
    return std::isfinite(x.iL) && std::isfinite(x.vC);
}

} // namespace

std::int64_t periodsOf(const ResponsePoint& point)
{
    return point.settlePeriods + kProjectedModulationPeriods * point.k;
}

std::optional<std::complex<double>> measureDutyResponse(const RealCircuit& c, std::int32_t n, double D,
                                                        RealState start, const ResponsePoint& point,
                                                        std::atomic<std::int64_t>* stepped,
                                                        const std::atomic<bool>* stop)
{
    const double T = c.Dt * n;
    const double omega = 2 * std::numbers::pi / (double(point.k) * T);
    Projection projection(c, n, omega);
    RealState x = start;
    const std::int64_t last = periodsOf(point);
    for (std::int64_t p = 0; p < last; ++p) {
        const std::optional<Phases> phases = modulatedPhases(n, D, point.k, p);
        if (!phases || (stop && stop->load(std::memory_order_relaxed)))
            return std::nullopt;
        if (p < point.settlePeriods) {
            x = stepQuietly(c, *phases, x);
        } else {
            const double turn = -2 * std::numbers::pi * double(p % point.k) / double(point.k);
            projection.startPeriod(std::polar(1.0, turn));
            x = stepPeriod<Projection, DiodeBlocks>(c, *phases, x, projection);
        }
        if (!finite(x))
            return std::nullopt;
        if (stepped)
            stepped->fetch_add(1, std::memory_order_relaxed);
    }
    // The modulation d(t) = a·sin(ωt) has the complex amplitude a·e^(−jπ/2) = −j·a.
    return projection.amplitude() / std::complex<double>(0, -kModulation);
}

std::vector<std::optional<std::complex<double>>> measureDutyResponses(const RealCircuit& c, std::int32_t n,
                                                                      double D, RealState start,
                                                                      const std::vector<ResponsePoint>& points,
                                                                      ProgressPort* progress)
{
    std::vector<std::optional<std::complex<double>>> results(points.size());
    // The longest first, so that the cores finish together.
    std::vector<std::size_t> order(points.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return periodsOf(points[a]) > periodsOf(points[b]); });
    std::int64_t total = 0;
    for (const ResponsePoint& point : points)
        total += periodsOf(point);

    std::atomic<std::size_t> next{0};
    std::atomic<std::int64_t> stepped{0};
    std::atomic<bool> stop{false};
    std::atomic<std::size_t> finished{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < order.size(); i = next++) {
            results[order[i]] = measureDutyResponse(c, n, D, start, points[order[i]], &stepped, &stop);
            ++finished;
        }
    };
    const std::size_t cores = std::max<std::size_t>(1, std::thread::hardware_concurrency());
    {
        // Without progress to report, this thread is one of the workers.
        std::vector<std::jthread> workers;
        const std::size_t threads = std::min(cores, points.size()) - (progress ? 0 : 1);
        for (std::size_t i = 0; i < threads; ++i)
            workers.emplace_back(work);
        if (!progress) {
            work();
        } else {
            // This thread reports how far the others have got, and stops them on a cancel.
            std::int64_t told = 0;
            while (finished < points.size()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                const std::int64_t done = stepped.load();
                if (done > told && !stop) {
                    told = done;
                    if (!progress->advanced({done, total, total, 0, false}))
                        stop = true;
                }
            }
        }
    }
    if (stop)
        results.clear();
    return results;
}
