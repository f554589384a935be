#include "fieldcheck.h"

#include "app/model.h"

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
