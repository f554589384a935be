#include "parasiticvalues.h"

ParasiticValues::ParasiticValues()
    : texts_{QStringLiteral("0.1"), QStringLiteral("0.05"), QStringLiteral("0.5"), QStringLiteral("0.02"),
             QStringLiteral("0.05")}
{
}

void ParasiticValues::setText(ParasiticField field, const QString& text)
{
    QString& kept = texts_[std::size_t(field)];
    if (kept == text)
        return;
    kept = text;
    emit changed(field, text);
}
