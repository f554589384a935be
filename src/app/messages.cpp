#include "messages.h"

#include "app/model.h"

void reportMessage(Model& m, MessagePort& ui, const QString& text)
{
    m.MsgText = text;
    ui.ShowMessage(m.MsgText);
}

QString badFormatMessage(QStringView quantity)
{
    return QStringLiteral("Errore di inserimento dati per %1. Puoi scrivere soltanto numeri razionali "
                          "con il punto come separatore decimale, anche in forma esponenziale. "
                          "Ad es: 1.23 , 1E-5 , 5E3")
        .arg(quantity);
}

QString tooLargeMessage(QStringView quantity)
{
    return QStringLiteral("Il numero scritto per %1 è troppo grande per essere rappresentato.").arg(quantity);
}
