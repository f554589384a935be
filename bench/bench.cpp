// Speed of "Grafici" and its parts, each as a ratio to the floor: the bare
// current/voltage recurrence loop over the default case; the view of the start-up and
// the real converter as ratios to "Grafici" with the same values, and the memory they
// keep.  Run with no
// arguments; Google Benchmark options (--benchmark_filter=...) pass through.
#include "floor.h"

#include "app/model.h"
#include "plot/plot.h"
#include "sim/closedloop.h"
#include "sim/dynamics.h"
#include "sim/extremes.h"
#include "sim/realconverter.h"
#include "sim/simulation.h"
#include "sim/startup.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/plotimage.h"
#include "ui/uistyle.h"
#include "ui/waveformhost.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <cstdio>
#include <cstring>
#include <map>
#include <numbers>
#include <string>

// Heap in use, and its peak since the last reset: every allocation through operator
// new (the containers of the computation) carries its size in front of it.
namespace heap {
std::atomic<std::int64_t> inUse{0}, peak{0};
constexpr std::size_t kHeader = alignof(std::max_align_t);
void* take(std::size_t bytes)
{
    auto* block = static_cast<char*>(std::malloc(bytes + kHeader));
    if (!block)
        throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = bytes;
    const std::int64_t now = inUse += std::int64_t(bytes);
    std::int64_t high = peak;
    while (now > high && !peak.compare_exchange_weak(high, now)) {
    }
    return block + kHeader;
}
void give(void* p)
{
    if (!p)
        return;
    char* block = static_cast<char*>(p) - kHeader;
    inUse -= std::int64_t(*reinterpret_cast<std::size_t*>(block));
    std::free(block);
}
} // namespace heap

void* operator new(std::size_t bytes) { return heap::take(bytes); }
void* operator new[](std::size_t bytes) { return heap::take(bytes); }
void operator delete(void* p) noexcept { heap::give(p); }
void operator delete[](void* p) noexcept { heap::give(p); }
void operator delete(void* p, std::size_t) noexcept { heap::give(p); }
void operator delete[](void* p, std::size_t) noexcept { heap::give(p); }

namespace {

// The worked example with the default counts.
constexpr FloorInputs kDefault{15, 0.4, 80000, 75e-6, 125e-6, 16.67, 1000, 5000};

Model defaultModel(std::int32_t periods = kDefault.NI)
{
    Model m;
    m.Vi = kDefault.Vi;
    m.D = kDefault.D;
    m.Freq = kDefault.Freq;
    m.L = kDefault.L;
    m.C = kDefault.C;
    m.RL = kDefault.RL;
    m.N = kDefault.N;
    m.NP = 10;
    m.NI = periods;
    return m;
}

// The plot's drawing area: Picture1 less its two-pixel sunken border.
const QSize kPlotSize = UiStyle::twips(120, 120, 15015, 9135).size() - QSize(4, 4);

class NullPlot : public PlotSurface {
public:
    void clear() override {}
    QSize pixelSize() const override { return kPlotSize; }
    void drawLines(Rgb, std::span<const PlotLine> lines) override
    {
        benchmark::DoNotOptimize(lines.data());
    }
};

class NullForm2 : public Form2Port {
public:
    void show() override {}
    void clearPlot() override {}
    void drawPlotFrame() override { DrawPlotFrame(plot_); }
    void plotTraces(const Model& m) override { DrawTraces(m, plot_); }
    void setCaption(Form2Summary, const QString&) override {}
    void setExactValue(Form2Summary, std::optional<double>) override {}
    void setPlotHint(const QString&) override {}
    int selectedOption() const override { return 0; }
    void selectOption(int) override {}
    void setHoverText(const QString&) override {}
    void setStartupAvailable(bool) override {}

private:
    NullPlot plot_;
};

class QuietMessages : public MessagePort {
public:
    void ShowMessage(const QString& text) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
    }
};

void BM_Floor(benchmark::State& state)
{
    std::vector<double> il, vo;
    for (auto _ : state) {
        FloorSimulate(kDefault, il, vo);
        benchmark::DoNotOptimize(il.data());
    }
}

void simulateEachIteration(benchmark::State& state, Model m)
{
    NullForm2 form2;
    QuietMessages messages;
    for (auto _ : state) {
        if (SimulateConverter(m, form2, messages, nullptr) != SimOutcome::Completed)
            state.SkipWithError("simulation did not complete");
    }
}

// The worked example at NI periods: past its fixed point (period 10 613) only the
// periods up to it are stepped, whatever NI.
void BM_SimulateConverter(benchmark::State& state)
{
    simulateEachIteration(state, defaultModel(std::int32_t(state.range(0))));
}

// The worst case: a converter with ten times the inductance and a hundred times the
// capacitance settles so slowly that its states do not repeat within NI = 5000 × the
// argument (they do after 1.08 million periods at N = 100): every one of the N × NI
// steps is taken.
void BM_SimulateUnsettled(benchmark::State& state)
{
    Model m = defaultModel(kDefault.NI * std::int32_t(state.range(0)));
    m.L = 10 * kDefault.L;
    m.C = 100 * kDefault.C;
    simulateEachIteration(state, std::move(m));
}

// The plot of the start-up window: its pixel columns.
constexpr int kStartupColumns = 756;

void startupEachIteration(benchmark::State& state, const Model& m)
{
    heap::peak = heap::inUse.load();
    const std::int64_t before = heap::inUse;
    for (auto _ : state) {
        const std::variant<StartupView, Stop> view = analyseStartup(m, kStartupColumns, nullptr);
        if (!std::holds_alternative<StartupView>(view))
            state.SkipWithError("start-up refused");
        benchmark::DoNotOptimize(&view);
    }
    state.counters["peak_MiB"] = double(heap::peak - before) / (1024 * 1024);
}

// The view of the start-up of the worked example: compare with BM_SimulateConverter at
// the same NI.
void BM_Startup(benchmark::State& state)
{
    startupEachIteration(state, defaultModel(std::int32_t(state.range(0))));
}

// The memory of the start-up does not grow with NI: the slow settler of
// BM_SimulateUnsettled at N = 100, whose states repeat only after about a million
// periods, at ever more periods.
void BM_StartupMemory(benchmark::State& state)
{
    Model m = defaultModel(std::int32_t(state.range(0)));
    m.N = 100;
    m.L = 10 * kDefault.L;
    m.C = 100 * kDefault.C;
    startupEachIteration(state, m);
}

// A student's typical parts: rL, Ron, VF, RD, rC.
constexpr Parasitics kTypicalParts{0.1, 0.05, 0.5, 0.02, 0.05};

// The real converter of the worked example with a student's typical parts: the run
// from rest, the averaged model and the gain curve with its 19 simulated points.
// Compare with BM_SimulateConverter at the same NI.
void BM_Real(benchmark::State& state)
{
    const Model m = defaultModel(std::int32_t(state.range(0)));
    const Model::SimulatedRun run{true, m.Vi, m.D, m.Freq, m.L, m.C, m.RL, m.N, m.NI};
    const Parasitics typical = kTypicalParts;
    heap::peak = heap::inUse.load();
    const std::int64_t before = heap::inUse;
    for (auto _ : state) {
        const std::variant<RealView, Stop> view = analyseReal(run, typical, nullptr);
        if (!std::holds_alternative<RealView>(view))
            state.SkipWithError("real converter refused");
        benchmark::DoNotOptimize(&view);
    }
    state.counters["peak_MiB"] = double(heap::peak - before) / (1024 * 1024);
}

// The dynamics of the same converter: the averaged model and its eight measured points,
// which run on all cores.  Compare with BM_SimulateConverter/5000.
void BM_Dynamics(benchmark::State& state)
{
    const Model m = defaultModel();
    const Model::SimulatedRun run{true, m.Vi, m.D, m.Freq, m.L, m.C, m.RL, m.N, m.NI};
    heap::peak = heap::inUse.load();
    const std::int64_t before = heap::inUse;
    for (auto _ : state) {
        const std::variant<DynamicsView, Stop> view = analyseDynamics(run, kTypicalParts, nullptr);
        if (!std::holds_alternative<DynamicsView>(view))
            state.SkipWithError("dynamics refused");
        benchmark::DoNotOptimize(&view);
    }
    state.counters["peak_MiB"] = double(heap::peak - before) / (1024 * 1024);
}

// The control loop with its defaults: a type III for 60° at the default crossover, the
// load halved after 100 periods, 400 periods after, the closed and the open loop.
void BM_Loop(benchmark::State& state)
{
    const Model m = defaultModel();
    const Model::SimulatedRun run{true, m.Vi, m.D, m.Freq, m.L, m.C, m.RL, m.N, m.NI};
    const SmallSignal model = std::get<SmallSignal>(smallSignal(run, kTypicalParts));
    LoopRequest design;
    design.fcHz = defaultCrossover(model);
    heap::peak = heap::inUse.load();
    const std::int64_t before = heap::inUse;
    for (auto _ : state) {
        const auto view = analyseControl(run, kTypicalParts, design, defaultRunRequest(model), kStartupColumns, nullptr);
        if (!std::holds_alternative<ControlView>(view))
            state.SkipWithError("control refused");
        benchmark::DoNotOptimize(&view);
    }
    state.counters["peak_MiB"] = double(heap::peak - before) / (1024 * 1024);
}

void BM_DrawTraces(benchmark::State& state)
{
    Model m = defaultModel();
    NullForm2 form2;
    QuietMessages messages;
    SimulateConverter(m, form2, messages, nullptr);
    PlotImage image(kPlotSize, 1.0);
    for (auto _ : state)
        DrawTraces(m, image);
}

// NP × N = 10^8 samples shown: the drawing must cost what the pixels cost, plus one
// pass over the N samples of the period to find each column's extremes.
void BM_DrawTracesHuge(benchmark::State& state)
{
    Model m;
    m.N = std::int32_t(state.range(0));
    m.NP = std::int32_t(100000000 / state.range(0));
    for (auto* wave : {&m.WaveIL, &m.WaveVo, &m.WaveIC, &m.WaveVL, &m.WaveID})
        wave->assign(std::size_t(m.N) + 2, 0.0);
    for (std::int32_t k = 1; k <= m.N; ++k) {
        const double phase = double(k) / m.N;
        const bool on = phase < 0.4;
        m.WaveIL[k] = 2.5 + (on ? phase : 0.4 - (phase - 0.4) * 2 / 3) * 2.5;
        m.WaveVo[k] = 25 + 0.03 * std::sin(2 * std::numbers::pi * phase);
        m.WaveIC[k] = on ? -1.5 : m.WaveIL[k] - 1.5;
        m.WaveVL[k] = on ? 15 : -10;
        m.WaveID[k] = on ? 0 : m.WaveIL[k];
    }
    FindMaxIL(m);
    FindMaxIC(m);
    FindMaxVo(m);
    FindMaxVL(m);
    PlotImage image(kPlotSize, 1.0);
    for (auto _ : state)
        DrawTraces(m, image);
}

// The whole program, offscreen: the worked example designed, then "Grafici" pressed.
struct Program {
    Model model;
    QuietMessages messages;
    WaveformHost host{model, messages};
    Form1 form1{model, messages, host};

    Program()
    {
        form1.show();
        form1.findChild<QPushButton*>("Command3")->click();
        form1.findChild<QPushButton*>("Command1")->click();
        grafici();
    }
    void grafici() { form1.findChild<QPushButton*>("Command2")->click(); }
};

void BM_Grafici(benchmark::State& state)
{
    Program program;
    for (auto _ : state) {
        program.grafici();
        QApplication::processEvents();
    }
    if (program.model.SimDeltaiL == 0)
        state.SkipWithError("no summary written");
}

void BM_Readout(benchmark::State& state)
{
    Program program;
    QWidget* plot = program.host.current()->findChild<QWidget*>("Picture1");
    int step = 0;
    for (auto _ : state) {
        // Alternate between two points of the inductor-current band.
        const QPointF pos(200 + (step++ & 1), 40);
        QMouseEvent move(QEvent::MouseMove, pos, plot->mapToGlobal(pos), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(plot, &move);
    }
}

BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimulateConverter)->Arg(kDefault.NI)->Arg(1000000)->Arg(10000000)->Arg(2147483647)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimulateUnsettled)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimulateUnsettled)->Arg(100)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawTraces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawTracesHuge)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Readout)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Grafici)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Startup)->Arg(kDefault.NI)->Arg(2147483647)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Real)->Arg(kDefault.NI)->Arg(2147483647)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dynamics)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Loop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupMemory)->Arg(10000)->Arg(100000)->Arg(2000000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Prints the usual table, remembering each result's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    std::vector<std::string> order;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            const std::string name = run.benchmark_name();
            if (!seconds.count(name))
                order.push_back(name);
            seconds[name] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform says at every show that it cannot raise windows.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        if (!text.contains(QLatin1String("does not support")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    // The floor only counts if it computes what the simulation stores.
    {
        std::vector<double> il, vo;
        FloorSimulate(kDefault, il, vo);
        Model m = defaultModel();
        NullForm2 form2;
        QuietMessages messages;
        SimulateConverter(m, form2, messages, nullptr);
        const auto bytes = sizeof(double) * std::size_t(kDefault.N);
        const bool same = std::memcmp(&il[1], &m.WaveIL[1], bytes) == 0
                          && std::memcmp(&vo[1], &m.WaveVo[1], bytes) == 0;
        std::printf("Floor and simulation store bit-identical periods: %s\n", same ? "yes" : "NO");
        if (!same)
            return 1;
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto floor = reporter.seconds.find("BM_Floor");
    if (floor == reporter.seconds.end() || floor->second <= 0)
        return 0;
    std::printf("\nEach figure as a ratio to the floor (%.2f ms):\n", floor->second * 1e3);
    for (const std::string& name : reporter.order)
        std::printf("  %-32s %10.4f x floor\n", name.c_str(), reporter.seconds[name] / floor->second);
    for (const auto& [what, name] : {std::pair("The dynamics", "BM_Dynamics/real_time"), std::pair("The control loop", "BM_Loop")}) {
        const auto run = reporter.seconds.find(name);
        const auto grafici = reporter.seconds.find("BM_SimulateConverter/5000");
        if (run != reporter.seconds.end() && grafici != reporter.seconds.end())
            std::printf("\n%s as a ratio to \"Grafici\" with the same values at NI = 5000: %.4f\n", what,
                        run->second / grafici->second);
    }
    for (const auto& [what, prefix] : {std::pair("The start-up", "BM_Startup/"), std::pair("The real converter", "BM_Real/")}) {
        std::printf("\n%s as a ratio to \"Grafici\" with the same values:\n", what);
        for (const char* ni : {"5000", "2147483647"}) {
            const auto run = reporter.seconds.find(std::string(prefix) + ni);
            const auto grafici = reporter.seconds.find(std::string("BM_SimulateConverter/") + ni);
            if (run != reporter.seconds.end() && grafici != reporter.seconds.end())
                std::printf("  NI = %-12s %10.4f x Grafici\n", ni, run->second / grafici->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
