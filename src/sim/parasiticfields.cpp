#include "parasiticfields.h"

#include "sim/fieldcheck.h"

#include <QStringView>

#include <optional>

namespace {

// Each field's content as its messages name it, and where its value goes.
struct ParasiticQuantity {
    QStringView quantity;
    double Parasitics::*target;
};

constexpr ParasiticQuantity kQuantities[kParasiticFieldCount] = {
    {u"il valore della resistenza dell'avvolgimento dell'induttore rL in ohm", &Parasitics::rL},
    {u"il valore della resistenza dell'interruttore chiuso Ron in ohm", &Parasitics::Ron},
    {u"il valore della caduta di tensione del diodo VF in V", &Parasitics::VF},
    {u"il valore della resistenza del diodo in conduzione RD in ohm", &Parasitics::RD},
    {u"il valore della resistenza serie del condensatore rC (ESR) in ohm", &Parasitics::rC},
};

// "Il valore ... non può essere negativo."
QString negativeMessage(QStringView quantity)
{
    return quantity.first(1).toString().toUpper() + quantity.sliced(1).toString() + QStringLiteral(" non può essere negativo.");
}

// The field's value, or nothing once its one message has been shown.
std::optional<double> readOne(const QString& text, QStringView quantity, MessagePort& messages)
{
    const std::optional<double> value = ReadFieldNumber(text, quantity, messages);
    if (value && !(*value >= 0)) {
        messages.ShowMessage(negativeMessage(quantity));
        return std::nullopt;
    }
    return value;
}

} // namespace

std::variant<Parasitics, ParasiticField> readParasitics(const ParasiticTexts& texts, MessagePort& messages)
{
    Parasitics p;
    for (std::size_t i = 0; i < kParasiticFieldCount; ++i) {
        const std::optional<double> value = readOne(texts[i], kQuantities[i].quantity, messages);
        if (!value)
            return ParasiticField(i);
        p.*kQuantities[i].target = *value;
    }
    return p;
}
