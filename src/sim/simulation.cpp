#include "simulation.h"

#include "app/messages.h"
#include "app/model.h"
#include "app/numbers.h"
#include "sim/extremes.h"
#include "sim/periodstepper.h"
#include "sim/runprogress.h"

#include <QStringView>

#include <bit>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <tuple>
#include <variant>
#include <vector>

namespace {

constexpr QStringView kLowCurrent =
    u"Il Duty Cycle non può essere così basso, la corrente nell'induttore non può annullarsi, "
    u"prova ad aumentare L ( anche di molto )!";
constexpr QStringView kCancelled = u"Simulazione interrotta dall'utente.";
constexpr QStringView kZeroFrequency =
    u"La frequenza di commutazione f non può essere zero: il passo di simulazione non avrebbe "
    u"un valore finito.";
constexpr QStringView kStepNotRepresentable =
    u"Con questa frequenza di commutazione f e questo numero dei campioni N il passo di "
    u"simulazione è troppo piccolo o troppo grande per essere rappresentato: cambia f o N.";
constexpr QStringView kTooFewSamples = u"Il numero dei campioni N deve essere almeno 1.";
constexpr QStringView kTooManySamples =
    u"Il numero dei campioni N è troppo grande: con N = %1 la simulazione richiederebbe più di "
    u"256 MiB di memoria. Il valore massimo è %2.";
constexpr QStringView kZeroInductance = u"L'induttanza L non può essere zero.";
constexpr QStringView kZeroCapacitance = u"La capacità C non può essere zero.";
constexpr QStringView kZeroLoad = u"La resistenza di carico RL non può essere zero.";
constexpr QStringView kDutyNotSplittable =
    u"Con questo Duty Cycle il periodo di N = %1 campioni non si può dividere in una fase con "
    u"l'interruttore chiuso e una con l'interruttore aperto: controlla il Duty Cycle.";
constexpr QStringView kDiverged =
    u"La simulazione è divergente: la corrente nell'induttore o la tensione in uscita sono "
    u"diventate troppo grandi per essere rappresentate. Controlla i valori di L, C, RL, della "
    u"frequenza di commutazione f e del numero dei campioni N.";

// Integers in messages are written without group separators: "1.000" would read back
// as 1 if the student typed it into a field.
QString tooManySamples(std::int32_t n)
{
    return kTooManySamples.arg(QString::number(n), QString::number(kMaxSamplesPerPeriod));
}

// How a run stopped before its traces: the outcome and the message to show.
struct Stop {
    SimOutcome outcome = SimOutcome::Fault;
    QString message;
};

Stop fault(QStringView message) { return {SimOutcome::Fault, message.toString()}; }

// The observer of the last period: every sample into the five arrays, which hold
// zeros.  The capacitor current and the inductor voltage are the finite differences
// C·ΔVo/Dt and L·ΔiL/Dt of the step just taken; the diode carries the load current
// plus the capacitor current while the switch is open, nothing while it is closed.
class RecordArrays {
public:
    static constexpr bool kRecords = true;

    RecordArrays(Model& m, const Circuit& c)
        : c_(c), n_(m.N), il_(m.WaveIL.data()), vo_(m.WaveVo.data()), ic_(m.WaveIC.data()),
          vl_(m.WaveVL.data()), id_(m.WaveID.data())
    {
    }

    void begin(State start)
    {
        il_[1] = start.iL;
        vo_[1] = start.vo;
    }
    void onSample(std::int32_t k, State x, State next)
    {
        record(k, x, next);
        id_[k] = 0;
    }
    void switchAt(std::int32_t k, State x)
    {
        il_[k] = x.iL;
        vo_[k] = x.vo;
    }
    void offSample(std::int32_t k, State x, State next)
    {
        record(k, x, next);
        id_[k] = x.vo / c_.RL + ic_[k];
    }
    void wrap()
    {
        for (double* wave : {il_, vo_, ic_, vl_, id_})
            wave[1] = wave[n_];
    }

private:
    void record(std::int32_t k, State x, State next)
    {
        il_[k + 1] = next.iL;
        vo_[k + 1] = next.vo;
        ic_[k] = ((next.vo - x.vo) * c_.C) / c_.Dt;
        vl_[k] = ((next.iL - x.iL) * c_.L) / c_.Dt;
    }

    const Circuit& c_;
    std::int32_t n_;
    double *il_, *vo_, *ic_, *vl_, *id_;
};

// The circuit and the phases of a run, or why it cannot be run.
struct Setup {
    Circuit circuit;
    Phases phases;
};

std::variant<Setup, Stop> prepare(const Model& m)
{
    if (m.Freq == 0)
        return fault(kZeroFrequency);
    if (m.N < 1)
        return fault(kTooFewSamples);
    const double dt = (1 / m.Freq) / m.N;
    if (!std::isfinite(dt) || dt == 0)
        return fault(kStepNotRepresentable);
    if (m.N > kMaxSamplesPerPeriod)
        return Stop{SimOutcome::Fault, tooManySamples(m.N)};
    if (m.L == 0)
        return fault(kZeroInductance);
    if (m.C == 0)
        return fault(kZeroCapacitance);
    if (m.RL == 0)
        return fault(kZeroLoad);

    // The arrays reach sample N + 1: the on-phase writes up to onSamples + 1 and the
    // switching instant writes offStart.  A duty cycle within 0 < D < 1 always fits.
    const std::optional<std::int32_t> onSamples = RoundToInt32(m.N * m.D);
    const std::optional<std::int32_t> offStart = RoundToInt32(m.N * m.D + 1);
    if (!onSamples || !offStart || *onSamples < 0 || *onSamples > m.N || *offStart < 1
        || *offStart > m.N + 1 || *offStart < *onSamples || *offStart > *onSamples + 2)
        return Stop{SimOutcome::Fault, kDutyNotSplittable.arg(QString::number(m.N))};
    const Circuit circuit{m.Vi, dt, m.L, m.C, m.RL, (m.Vi * dt) / m.L, m.C * m.RL};
    return Setup{circuit, {m.N, *onSamples, *offStart}};
}

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

bool isFinite(State x) { return std::isfinite(x.iL) && std::isfinite(x.vo); }

// Kept out of line: inlined into the run, whose loop calls the progress port, the
// state would live in memory across those calls and every step would wait on a store.
[[gnu::noinline]] State advancePeriod(const Circuit& c, const Phases& p, State start)
{
    KeepNothing nothing;
    return stepPeriod(c, p, start, nothing);
}

// The start state of a period as the bits of its two doubles: a repeat is a repeat of
// every bit, so +0 and −0 never pass for one another.
struct StateBits {
    std::uint64_t iL = 0, vo = 0;
    friend bool operator==(StateBits, StateBits) = default;
};

StateBits bitsOf(State x) { return {std::bit_cast<std::uint64_t>(x.iL), std::bit_cast<std::uint64_t>(x.vo)}; }

// Finds where the start states of the periods begin to repeat.  A period is fixed by
// its start state, so once the start state of period j is that of an earlier period i,
// every later period repeats too, with a period of j − i.  In floating point the
// states are finitely many, so a run that does not diverge always settles into such
// a cycle.  Brent's method keeps one earlier state, moved on at powers of two, and
// finds any cycle in a few times its length after it begins; the state of the
// period before also catches a fixed point, the usual end of a settling converter, at
// once.  Constant memory, two comparisons a period.
class RepeatFinder {
public:
    explicit RepeatFinder(State first) : saved_(bitsOf(first)) {}

    // The start state of period `period` (2, 3, ...), given the one before it; the
    // length of the cycle that closes here, or 0.
    std::int64_t cycleAt(std::int64_t period, State previous, State state)
    {
        const StateBits bits = bitsOf(state);
        if (bits == bitsOf(previous))
            return 1;
        if (bits == saved_)
            return period - savedAt_;
        if (period - savedAt_ == distance_) {
            saved_ = bits;
            savedAt_ = period;
            distance_ *= 2;
        }
        return 0;
    }

private:
    StateBits saved_;
    std::int64_t savedAt_ = 1;
    std::int64_t distance_ = 1;
};

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
            return fault(kDiverged);
        if (!settled) {
            if (const std::int64_t cycle = repeats.cycleAt(done + 1, start, next)) {
                settled = true;
                total = done + 1 + (periods - (done + 1)) % cycle;
                progress.endsAt(total, true);
            }
        }
        start = next;
        if (!progress.step())
            return Stop{SimOutcome::Cancelled, kCancelled.toString()};
    }
    RecordArrays arrays(m, setup.circuit);
    stepPeriod(setup.circuit, setup.phases, start, arrays);
    if (!progress.step())
        return Stop{SimOutcome::Cancelled, kCancelled.toString()};
    return std::nullopt;
}

bool samplesFinite(const Model& m)
{
    for (const std::vector<double>* wave : {&m.WaveIL, &m.WaveVo, &m.WaveIC, &m.WaveVL, &m.WaveID}) {
        for (const double sample : periodSamples(*wave, m.N)) {
            if (!std::isfinite(sample))
                return false;
        }
    }
    return true;
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

// Mean over the period as Freq times the rectangle-rule integral Σ Dt·sample.
double periodMean(const Model& m, const std::vector<double>& wave)
{
    double s = 0;
    for (const double sample : periodSamples(wave, m.N))
        s = m.Dt * sample + s;
    return m.Freq * s;
}

// The extremes, then the five summary values.  The diode peak is taken to be the
// inductor peak; the input current of a boost converter is the inductor current.  When
// a value leaves the doubles, nothing changes and the run has diverged.
bool summarise(Model& m)
{
    const auto previous = std::tuple(m.MaxIL, m.MinIL, m.MaxIC, m.MaxVo, m.MinVo, m.MaxVL);
    FindMaxIL(m);
    FindMinIL(m);
    FindMaxIC(m);
    FindMaxVo(m);
    FindMinVo(m);
    FindMaxVL(m);
    const double summary[] = {m.MaxIL - m.MinIL, (m.MaxVo - m.MinVo) * 1000, m.MaxIL, periodMean(m, m.WaveID),
                              periodMean(m, m.WaveIL)};
    for (const double value : summary) {
        if (!std::isfinite(value)) {
            std::tie(m.MaxIL, m.MinIL, m.MaxIC, m.MaxVo, m.MinVo, m.MaxVL) = previous;
            return false;
        }
    }
    std::tie(m.SimDeltaiL, m.SimDeltaVo, m.SimIDP, m.SimIDm, m.SimIim) =
        std::tuple(summary[0], summary[1], summary[2], summary[3], summary[4]);
    return true;
}

// Everything after the frame: the refusals, the arrays, the periods and the checks of
// the last one.  Nothing when the traces can be drawn.
std::optional<Stop> simulate(Model& m, ProgressCounter& progress)
{
    const std::variant<Setup, Stop> prepared = prepare(m);
    if (const Stop* refused = std::get_if<Stop>(&prepared))
        return *refused;
    const Setup& setup = std::get<Setup>(prepared);
    if (!replaceArrays(m, setup.circuit.Dt))
        return Stop{SimOutcome::Fault, tooManySamples(m.N)};
    if (std::optional<Stop> stop = runPeriods(m, setup, progress))
        return stop;
    if (!samplesFinite(m))
        return fault(kDiverged);
    if (!currentStaysPositive(m))
        return Stop{SimOutcome::Refused, kLowCurrent.toString()};
    if (!summarise(m))
        return fault(kDiverged);
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
