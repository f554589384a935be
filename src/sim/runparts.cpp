#include "runparts.h"

#include "app/numbers.h"
#include "sim/extremes.h"

#include <optional>
#include <tuple>

namespace {

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
constexpr QStringView kSwitchNeverMoves =
    u"Con N = %1 campioni per periodo il duty cycle %2 % lascia l'interruttore sempre %3: aumenta N o "
    u"cambia D.";
constexpr QStringView kDiverged =
    u"La simulazione è divergente: la corrente nell'induttore o la tensione in uscita sono "
    u"diventate troppo grandi per essere rappresentate. Controlla i valori di L, C, RL, della "
    u"frequenza di commutazione f e del numero dei campioni N.";


// D in % as the student typed it, to six digits, with the decimal separator of the
// current locale (QLocale()), as the other numbers of the messages.
QString percentText(double fraction)
{
    return withLocalePoint(QString::number(fraction * 100, 'g', 6));
}

} // namespace

double periodMean(const Model& m, const std::vector<double>& wave)
{
    double s = 0;
    for (const double sample : periodSamples(wave, m.N))
        s = m.Dt * sample + s;
    return m.Freq * s;
}

Stop fault(QStringView message)
{
    return {SimOutcome::Fault, message.toString()};
}

Stop diverged()
{
    return fault(kDiverged);
}

// Integers in messages are written without group separators: "1.000" would read back
// as 1 if the student typed it into a field.
Stop tooManySamples(std::int32_t n)
{
    return {SimOutcome::Fault, kTooManySamples.arg(QString::number(n), QString::number(kMaxSamplesPerPeriod))};
}

Stop cancelled()
{
    return {SimOutcome::Cancelled, kCancelled.toString()};
}

std::variant<Setup, Stop> prepareRun(const Model& m)
{
    if (m.Freq == 0)
        return fault(kZeroFrequency);
    if (m.N < 1)
        return fault(kTooFewSamples);
    const double dt = (1 / m.Freq) / m.N;
    if (!std::isfinite(dt) || dt == 0)
        return fault(kStepNotRepresentable);
    if (m.N > kMaxSamplesPerPeriod)
        return tooManySamples(m.N);
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
    // With no sample of the period on, or all N, the switch never changes: the converter
    // simulated would not be the one with this duty cycle, and its figures (a diode peak
    // for a diode that never conducts) would be plainly wrong.
    if (*onSamples == 0 || *onSamples == m.N)
        return Stop{SimOutcome::Fault,
                    kSwitchNeverMoves.arg(QString::number(m.N), percentText(m.D),
                                          *onSamples == 0 ? QStringLiteral("aperto") : QStringLiteral("chiuso"))};
    const Circuit circuit{m.Vi, dt, m.L, m.C, m.RL, (m.Vi * dt) / m.L, m.C * m.RL};
    return Setup{circuit, {m.N, *onSamples, *offStart}};
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

