#include "loopfields.h"

#include "app/numbers.h"
#include "sim/fieldcheck.h"

#include <QStringView>

#include <cmath>

namespace {

// Each field's content as its messages name it.
constexpr QStringView kQuantities[kLoopFieldCount] = {
    u"il valore della frequenza di incrocio fc in Hz",
    u"il valore del margine di fase PM in gradi",
    u"il valore della tensione di riferimento Vref in V",
    u"il valore della resistenza di carico dopo il gradino in ohm",
    u"il valore della tensione in ingresso dopo il gradino in V",
    u"il numero dei periodi prima del gradino",
    u"il numero dei periodi dopo il gradino",
    u"il limite inferiore del duty cycle Dmin",
    u"il limite superiore del duty cycle Dmax",
};

QString capitalised(QStringView text)
{
    return text.first(1).toString().toUpper() + text.sliced(1).toString();
}

// The number of each field in order, or the first field that refused its text.
std::variant<std::array<double, kLoopFieldCount>, LoopField> numbersOf(const LoopTexts& texts, MessagePort& messages)
{
    std::array<double, kLoopFieldCount> values{};
    for (std::size_t i = 0; i < kLoopFieldCount; ++i) {
        const std::optional<double> value = ReadFieldNumber(texts[i], kQuantities[i], messages);
        if (!value)
            return LoopField(i);
        values[i] = *value;
    }
    return values;
}

// A count of periods, rounded as N is, or nothing once its message has been shown.
std::optional<std::int32_t> periodsOf(double value, LoopField field, MessagePort& messages)
{
    const std::optional<std::int32_t> count = RoundToInt32(value);
    if (count && *count >= 1 && *count <= kMaxStepPeriods)
        return count;
    messages.ShowMessage(QStringLiteral("%1 deve essere un intero compreso tra 1 e %2.")
                             .arg(capitalised(kQuantities[std::size_t(field)]))
                             .arg(kMaxStepPeriods));
    return std::nullopt;
}

} // namespace

std::variant<LoopInputs, LoopField> readLoopFields(const LoopTexts& texts, CompensatorType type, MessagePort& messages)
{
    // Every text passes its field check before any value is judged, as the
    // verification's fields do.
    const auto read = numbersOf(texts, messages);
    if (const LoopField* refused = std::get_if<LoopField>(&read))
        return *refused;
    const auto& v = std::get<std::array<double, kLoopFieldCount>>(read);
    const auto at = [&v](LoopField f) { return v[std::size_t(f)]; };
    LoopInputs in;
    in.design = {type, at(LoopField::Fc), at(LoopField::PM)};
    for (const LoopField f : {LoopField::Vref, LoopField::RL2, LoopField::Vi2}) {
        if (!(at(f) > 0)) {
            messages.ShowMessage(capitalised(kQuantities[std::size_t(f)]) + QStringLiteral(" deve essere maggiore di zero."));
            return f;
        }
    }
    in.run.Vref = at(LoopField::Vref);
    in.run.RL2 = at(LoopField::RL2);
    in.run.Vi2 = at(LoopField::Vi2);
    for (const auto& [f, target] : {std::pair{LoopField::Before, &LoopRunRequest::before}, {LoopField::After, &LoopRunRequest::after}}) {
        const std::optional<std::int32_t> count = periodsOf(at(f), f, messages);
        if (!count)
            return f;
        in.run.*target = *count;
    }
    in.run.Dmin = at(LoopField::Dmin);
    in.run.Dmax = at(LoopField::Dmax);
    if (const std::optional<QString> why = dutyLimitsRefusal(in.run.Dmin, in.run.Dmax)) {
        messages.ShowMessage(*why);
        return in.run.Dmin >= 0 && in.run.Dmin < 1 ? LoopField::Dmax : LoopField::Dmin;
    }
    return in;
}

std::variant<LoopTexts, QString> loopDefaults(const Model::SimulatedRun& run, const Parasitics& p)
{
    const std::variant<SmallSignal, QString> averaged = smallSignal(run, p);
    if (const QString* why = std::get_if<QString>(&averaged))
        return *why;
    const SmallSignal& model = std::get<SmallSignal>(averaged);
    const LoopRunRequest r = defaultRunRequest(model);
    const LoopRequest design;
    const auto text = [](double value) { return QString::fromLatin1(shortestText(value)); };
    return LoopTexts{text(defaultCrossover(model)), text(design.pmDeg), text(r.Vref),       text(r.RL2), text(r.Vi2),
                     text(double(r.before)),        text(double(r.after)), text(r.Dmin), text(r.Dmax)};
}

LoopTexts refilled(const LoopTexts& shown, const LoopTexts& before, const LoopTexts& now)
{
    LoopTexts texts = shown;
    for (std::size_t i = 0; i < kLoopFieldCount; ++i) {
        if (now[i] != before[i])
            texts[i] = now[i];
    }
    return texts;
}

std::optional<LoopField> refusedDesignField(const Model::SimulatedRun& run, const Parasitics& p, const LoopRequest& design)
{
    const std::variant<SmallSignal, QString> averaged = smallSignal(run, p);
    if (!std::holds_alternative<SmallSignal>(averaged))
        return std::nullopt;
    if (std::holds_alternative<Compensator>(designCompensator(std::get<SmallSignal>(averaged), design)))
        return std::nullopt;
    return design.pmDeg > 0 && design.pmDeg < 90 ? LoopField::Fc : LoopField::PM;
}
