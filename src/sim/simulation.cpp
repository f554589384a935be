#include "simulation.h"

#include "app/messages.h"
#include "app/model.h"
#include "sim/extremes.h"
#include "sim/periodstepper.h"
#include "sim/runparts.h"
#include "sim/runprogress.h"

#include <QStringView>

#include <cstdint>
#include <new>
#include <optional>
#include <variant>
#include <vector>

namespace {

constexpr QStringView kLowCurrent =
    u"Il Duty Cycle non può essere così basso, la corrente nell'induttore non può annullarsi, "
    u"prova ad aumentare L ( anche di molto )!";

// New zeroed arrays (indexes 0..N + 1) are built aside, so that a failed allocation
// leaves the previous ones, and the plot drawn from them, intact.
bool replaceArrays(Model& m, double dt)
{
    std::vector<double> fresh[5];
    try {
        for (std::vector<double>& wave : fresh)
            wave.assign(static_cast<std::size_t>(m.N) + 2, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m.Dt = dt;
    m.Drawn.valid = false; // the plot on screen no longer matches the arrays
    m.WaveIL.swap(fresh[0]);
    m.WaveVo.swap(fresh[1]);
    m.WaveIC.swap(fresh[2]);
    m.WaveVL.swap(fresh[3]);
    m.WaveID.swap(fresh[4]);
    return true;
}

// Kept out of line: inlined into the run, whose loop calls the progress port, the
// state would live in memory across those calls and every step would wait on a store.
[[gnu::noinline]] State advancePeriod(const Circuit& c, const Phases& p, State start)
{
    KeepNothing nothing;
    return stepPeriod(c, p, start, nothing);
}

// NI periods from rest, the last into the arrays.  Only the last period is ever read,
// so the earlier ones carry just current and voltage from one period to the next; a
// non-finite value never returns to a finite one, so checking it once per period is
// enough.  Once the start states repeat, the last period starts as the period whose
// place in the cycle it has: only the periods up to it are stepped, and the result is
// the same to the last bit.
std::optional<Stop> runPeriods(Model& m, const Setup& setup, ProgressCounter& progress)
{
    const std::int32_t periods = m.NI;
    if (periods < 1)
        return std::nullopt;
    std::int64_t total = periods; // periods to step, fewer once the states repeat
    bool settled = false;
    State start; // of period `done` + 1, from rest
    RepeatFinder repeats(start);
    for (std::int64_t done = 1; done < total; ++done) {
        const State next = advancePeriod(setup.circuit, setup.phases, start);
        if (!isFinite(next))
            return diverged();
        if (!settled) {
            if (const std::int64_t cycle = repeats.cycleAt(done + 1, start, next)) {
                settled = true;
                total = done + 1 + (periods - (done + 1)) % cycle;
                progress.endsAt(total, true);
            }
        }
        start = next;
        if (!progress.step())
            return cancelled();
    }
    RecordArrays arrays(m, setup.circuit);
    stepPeriod(setup.circuit, setup.phases, start, arrays);
    if (!progress.step())
        return cancelled();
    return std::nullopt;
}

// Discontinuous conduction (the current falls to zero within the period) is outside
// what these continuous-conduction updates describe.  NaN fails the test too.
bool currentStaysPositive(const Model& m)
{
    for (const double iL : periodSamples(m.WaveIL, m.N)) {
        if (!(iL > 0))
            return false;
    }
    return true;
}

// Everything after the frame: the refusals, the arrays, the periods and the checks of
// the last one.  Nothing when the traces can be drawn.
std::optional<Stop> simulate(Model& m, ProgressCounter& progress)
{
    const std::variant<Setup, Stop> prepared = prepareRun(m);
    if (const Stop* refused = std::get_if<Stop>(&prepared))
        return *refused;
    const Setup& setup = std::get<Setup>(prepared);
    if (!replaceArrays(m, setup.circuit.Dt))
        return tooManySamples(m.N);
    if (std::optional<Stop> stop = runPeriods(m, setup, progress))
        return stop;
    if (!samplesFinite(m))
        return diverged();
    if (!currentStaysPositive(m))
        return Stop{SimOutcome::Refused, kLowCurrent.toString()};
    if (!summarise(m))
        return diverged();
    return std::nullopt;
}

} // namespace

SimOutcome SimulateConverter(Model& m, Form2Port& form2, MessagePort& ui, ProgressPort* progress)
{
    form2.show();
    // The frame goes up before any computation, so it is on screen whatever follows.
    form2.drawPlotFrame();
    ProgressCounter counter(progress, m.NI);
    const std::optional<Stop> stop = simulate(m, counter);
    // The progress display goes first, so that no message stands over a live dialog.
    counter.finish();
    if (stop) {
        reportMessage(m, ui, stop->message);
        return stop->outcome;
    }
    form2.plotTraces(m);
    m.Drawn = {true, m.Freq, m.NP, m.N};
    return SimOutcome::Completed;
}
