#include "simulation.h"

#include "app/model.h"
#include "app/numbers.h"
#include "app/vectorstate.h"
#include "plot/plot.h"
#include "sim/extremes.h"

#include <QStringView>

#include <cmath>
#include <new>
#include <optional>
#include <tuple>
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
QString integerText(std::int64_t value) { return QString::number(value); }

// What stays the same over the whole run.  Only whole sub-expressions of the update
// formulas are kept here, so every update gives the same double as written out.
struct Circuit {
    double Vi, Dt, L, C, RL;
    double onRise; // (Vi·Dt)/L: on-phase current step, inductor across the input
    double CRL;    // C·RL: output time constant, s
};

// Inductor current (A) and output voltage (V) at one sample.
struct State {
    double iL = 0, vo = 0;
};

bool isFinite(State x) { return std::isfinite(x.iL) && std::isfinite(x.vo); }

// Switch closed: the inductor charges from the input, the capacitor alone feeds the
// load.  Forward Euler of L·diL/dt = Vi and C·dVo/dt = −Vo/RL.
State onStep(const Circuit& c, State x)
{
    return {c.onRise + x.iL, x.vo - (c.Dt * x.vo) / c.CRL};
}

// Switch open: the inductor discharges through the diode into capacitor and load.
// Forward Euler of L·diL/dt = Vi − Vo and C·dVo/dt = iL − Vo/RL.
State offStep(const Circuit& c, State x)
{
    return {((c.Vi - x.vo) * c.Dt) / c.L + x.iL,
            (x.vo - (c.Dt * x.vo) / c.CRL) + (c.Dt * x.iL) / c.C};
}

// How one period of N samples divides between the phases.  offStart is rounded on its
// own, so where N·D lies halfway between integers it is onSamples + 2 (even integer
// below) or onSamples itself (odd integer below) instead of onSamples + 1.
struct Phases {
    std::int32_t n, onSamples, offStart;
};

// One period that nobody will look at: only the state carried into the next period,
// sample N (the wrap copies sample N, not N + 1, into sample 1).
//
// Whatever the rounding, the off-phase resumes from sample onSamples: the switching
// instant copies it to offStart, so current and voltage hold over the instant and the
// last on-phase step is lost (the on-update acts over onSamples − 1 steps).  With
// onSamples = 0 it resumes from sample 0, which is never written: every period's
// off-phase then starts from zero current and zero voltage.  The step out of sample N
// only fills sample N + 1, which nothing reads, so it is skipped.
//
// Kept out of line: inlined into the run, whose loop calls the progress port, the
// state would live in memory across those calls and every step would wait on a store.
[[gnu::noinline]] State advancePeriod(const Circuit& c, const Phases& p, State start)
{
    ClearUpperVectorState(); // the progress display may have painted since the last period
    State x; // sample 0
    if (p.onSamples >= 1) {
        x = start;
        for (std::int32_t k = 1; k < p.onSamples; ++k)
            x = onStep(c, x);
    }
    if (p.offStart <= p.n) {
        for (std::int32_t k = p.offStart; k < p.n; ++k)
            x = offStep(c, x);
        return x;
    }
    // Empty off-phase (offStart = N + 1): sample N was last written by the on-phase,
    // which reaches it from sample N − 1.
    if (p.onSamples == p.n)
        return x;
    return p.onSamples == 0 ? start : onStep(c, x); // onSamples = N − 1
}

// The last period, sample by sample into the five arrays, which hold zeros and the
// start state in sample 1.  The capacitor current and the inductor voltage are the
// finite differences C·ΔVo/Dt and L·ΔiL/Dt of the step just taken; the diode carries
// the load current plus the capacitor current while the switch is open, nothing while
// it is closed.
void recordPeriod(Model& m, const Circuit& c, const Phases& p)
{
    ClearUpperVectorState(); // the frame was just painted
    double* const il = m.WaveIL.data();
    double* const vo = m.WaveVo.data();
    double* const ic = m.WaveIC.data();
    double* const vl = m.WaveVL.data();
    double* const id = m.WaveID.data();

    State x{il[1], vo[1]};
    for (std::int32_t k = 1; k <= p.onSamples; ++k) {
        const State next = onStep(c, x);
        il[k + 1] = next.iL;
        vo[k + 1] = next.vo;
        ic[k] = ((next.vo - x.vo) * c.C) / c.Dt;
        id[k] = 0;
        vl[k] = ((next.iL - x.iL) * c.L) / c.Dt;
        x = next;
    }

    il[p.offStart] = il[p.onSamples];
    vo[p.offStart] = vo[p.onSamples];

    x = {il[p.offStart], vo[p.offStart]};
    for (std::int32_t k = p.offStart; k <= p.n; ++k) {
        const State next = offStep(c, x);
        il[k + 1] = next.iL;
        vo[k + 1] = next.vo;
        ic[k] = ((next.vo - x.vo) * c.C) / c.Dt;
        id[k] = x.vo / c.RL + ic[k];
        vl[k] = ((next.iL - x.iL) * c.L) / c.Dt;
        x = next;
    }

    for (double* wave : {il, vo, ic, vl, id})
        wave[1] = wave[p.n];
}

bool samplesFinite(const Model& m)
{
    for (const std::vector<double>* wave : {&m.WaveIL, &m.WaveVo, &m.WaveIC, &m.WaveVL, &m.WaveID}) {
        for (std::int32_t k = 1; k <= m.N; ++k) {
            if (!std::isfinite((*wave)[k]))
                return false;
        }
    }
    return true;
}

// Mean over the period as Freq times the rectangle-rule integral Σ Dt·sample.
double periodMean(const Model& m, const std::vector<double>& wave)
{
    double s = 0;
    for (std::int32_t k = 1; k <= m.N; ++k)
        s = m.Dt * wave[k] + s;
    return m.Freq * s;
}

struct Summary {
    double deltaiL, deltaVo, idp, idm, iim;

    bool finite() const
    {
        return std::isfinite(deltaiL) && std::isfinite(deltaVo) && std::isfinite(idp)
               && std::isfinite(idm) && std::isfinite(iim);
    }
};

struct Arrays {
    std::vector<double> il, vo, ic, vl, id;
};

// Whatever refuses the inputs, as the message to show; nothing when they can be run.
// Fills dt and phases on success.
std::optional<QString> refusal(const Model& m, double& dt, Phases& phases)
{
    if (m.Freq == 0)
        return kZeroFrequency.toString();
    if (m.N < 1)
        return kTooFewSamples.toString();
    dt = (1 / m.Freq) / m.N;
    if (!std::isfinite(dt) || dt == 0)
        return kStepNotRepresentable.toString();
    if (m.N > MaxSamplesPerPeriod)
        return kTooManySamples.arg(integerText(m.N), integerText(MaxSamplesPerPeriod));
    if (m.L == 0)
        return kZeroInductance.toString();
    if (m.C == 0)
        return kZeroCapacitance.toString();
    if (m.RL == 0)
        return kZeroLoad.toString();

    // The arrays reach sample N + 1: the on-phase writes up to onSamples + 1 and the
    // switching instant writes offStart.  A duty cycle within 0 < D < 1 always fits.
    const std::optional<std::int32_t> onSamples = RoundToInt32(m.N * m.D);
    const std::optional<std::int32_t> offStart = RoundToInt32(m.N * m.D + 1);
    if (!onSamples || !offStart || *onSamples < 0 || *onSamples > m.N || *offStart < 1
        || *offStart > m.N + 1 || *offStart < *onSamples || *offStart > *onSamples + 2)
        return kDutyNotSplittable.arg(integerText(m.N));
    phases = {m.N, *onSamples, *offStart};
    return std::nullopt;
}

SimOutcome fail(Model& m, MessagePort& ui, const QString& text, SimOutcome outcome)
{
    ReportMessage(m, ui, text);
    return outcome;
}

} // namespace

void ReportMessage(Model& m, MessagePort& ui, const QString& text)
{
    m.MsgText = text;
    ui.ShowMessage(m.MsgText);
}

SimOutcome SimulateConverter(Model& m, Form2Port& form2, MessagePort& ui, ProgressPort* progress)
{
    form2.show();
    // The frame goes up before any computation, so it is on screen whatever follows.
    DrawPlotFrame(form2.plot());

    double dt = 0;
    Phases phases{};
    if (const std::optional<QString> reason = refusal(m, dt, phases))
        return fail(m, ui, *reason, SimOutcome::Fault);

    // New zeroed arrays (indexes 0..N + 1) are built aside, so that a failed allocation
    // leaves the previous ones, and the plot drawn from them, intact.
    Arrays fresh;
    try {
        const std::size_t size = std::size_t(m.N) + 2;
        fresh = {std::vector<double>(size), std::vector<double>(size), std::vector<double>(size),
                 std::vector<double>(size), std::vector<double>(size)};
    } catch (const std::bad_alloc&) {
        return fail(m, ui, kTooManySamples.arg(integerText(m.N), integerText(MaxSamplesPerPeriod)),
                    SimOutcome::Fault);
    }
    m.Dt = dt;
    m.Drawn.valid = false; // the plot on screen no longer matches the arrays
    m.WaveIL.swap(fresh.il);
    m.WaveVo.swap(fresh.vo);
    m.WaveIC.swap(fresh.ic);
    m.WaveVL.swap(fresh.vl);
    m.WaveID.swap(fresh.id);

    const Circuit circuit{m.Vi, m.Dt, m.L, m.C, m.RL, (m.Vi * m.Dt) / m.L, m.C * m.RL};
    const std::int32_t periods = m.NI;

    // From rest.  Only the last period is ever read, so the earlier ones carry just
    // current and voltage from one period to the next; a non-finite value never
    // returns to a finite one, so checking it once per period is enough.
    State start;
    for (std::int64_t iter = 1; iter <= periods; ++iter) {
        if (iter < periods) {
            start = advancePeriod(circuit, phases, start);
            if (!isFinite(start))
                return fail(m, ui, kDiverged.toString(), SimOutcome::Fault);
        } else {
            m.WaveIL[1] = start.iL;
            m.WaveVo[1] = start.vo;
            recordPeriod(m, circuit, phases);
        }
        if (progress && !progress->periodsDone(std::int32_t(iter), periods))
            return fail(m, ui, kCancelled.toString(), SimOutcome::Cancelled);
    }
    if (!samplesFinite(m))
        return fail(m, ui, kDiverged.toString(), SimOutcome::Fault);

    // Discontinuous conduction (the current falls to zero within the period) is outside
    // what these continuous-conduction updates describe.  NaN fails the test too.
    for (std::int32_t k = 1; k <= m.N; ++k) {
        if (!(m.WaveIL[k] > 0))
            return fail(m, ui, kLowCurrent.toString(), SimOutcome::Refused);
    }

    const auto previousExtremes = std::tuple(m.MaxIL, m.MinIL, m.MaxIC, m.MaxVo, m.MinVo, m.MaxVL);
    FindMaxIL(m);
    FindMinIL(m);
    FindMaxIC(m);
    FindMaxVo(m);
    FindMinVo(m);
    FindMaxVL(m);

    // The diode peak is taken to be the inductor peak; the input current of a boost
    // converter is the inductor current.
    Summary summary{};
    summary.deltaiL = m.MaxIL - m.MinIL;
    summary.deltaVo = (m.MaxVo - m.MinVo) * 1000;
    summary.idp = m.MaxIL;
    summary.idm = periodMean(m, m.WaveID);
    summary.iim = periodMean(m, m.WaveIL);
    if (!summary.finite()) {
        std::tie(m.MaxIL, m.MinIL, m.MaxIC, m.MaxVo, m.MinVo, m.MaxVL) = previousExtremes;
        return fail(m, ui, kDiverged.toString(), SimOutcome::Fault);
    }
    m.SimDeltaiL = summary.deltaiL;
    m.SimDeltaVo = summary.deltaVo;
    m.SimIDP = summary.idp;
    m.SimIDm = summary.idm;
    m.SimIim = summary.iim;

    DrawTraces(m, form2.plot());
    m.Drawn = {true, m.Freq, m.NP, m.N};
    return SimOutcome::Completed;
}
