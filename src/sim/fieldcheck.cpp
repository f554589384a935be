#include "fieldcheck.h"

#include "app/messages.h"
#include "app/model.h"
#include "app/numbers.h"

#include <cmath>

namespace {

bool isAccepted(char16_t code)
{
    if (code >= u'0' && code <= u'9')
        return true;
    return code == u'e' || code == u'.' || code == u'E' || code == u'-' || code == u'+';
}

} // namespace

void CheckNumericField(Model& m, const QString& text, MessagePort& ui)
{
    m.InputError = 0;
    if (text.isEmpty()) {
        ui.ShowMessage(m.MsgText);
        m.InputError = 1;
        return;
    }

    // The whole text is scanned, however long (a qsizetype count has no 16-bit limit);
    // one message covers any number of rejected characters.
    qsizetype rejected = 0;
    for (const QChar character : text) {
        if (!isAccepted(character.unicode()))
            ++rejected;
    }
    if (rejected == 0)
        return;
    ui.ShowMessage(m.MsgBadFormat);
    m.InputError = 1;
}

std::optional<double> ReadFieldNumber(const QString& text, QStringView quantity, MessagePort& ui)
{
    Model m;
    m.MsgText = QStringLiteral("Hai dimenticato di scrivere ") + quantity.toString();
    m.MsgBadFormat = badFormatMessage(quantity);
    CheckNumericField(m, text, ui);
    if (m.InputError == 1)
        return std::nullopt;
    const std::optional<double> value = ParseNumber(text);
    if (!value || !std::isfinite(*value)) {
        ui.ShowMessage(tooLargeMessage(quantity));
        return std::nullopt;
    }
    return value;
}
