#include "parasiticvalues.h"

#include <QLineEdit>

const std::array<ParasiticRow, kParasiticFieldCount> kParasiticRows{{
    {"TextRL", "rL", "Ω", "resistenza dell'avvolgimento dell'induttore"},
    {"TextRon", "Ron", "Ω", "resistenza dell'interruttore chiuso"},
    {"TextVF", "VF", "V", "caduta di tensione del diodo in conduzione"},
    {"TextRD", "RD", "Ω", "resistenza del diodo in conduzione"},
    {"TextRC", "rC", "Ω", "resistenza serie del condensatore (ESR)"},
}};

QString parasiticAccessibleName(const ParasiticRow& row)
{
    const QString unit = QString::fromUtf8(row.unit);
    return QStringLiteral("%1, %2, in %3")
        .arg(QString::fromUtf8(row.symbol), QString::fromUtf8(row.meaning),
             unit == QStringLiteral("V") ? QStringLiteral("volt") : QStringLiteral("ohm"));
}

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

void ParasiticValues::bind(QLineEdit* field, ParasiticField which)
{
    field->setText(text(which));
    connect(field, &QLineEdit::textEdited, field, [this, which](const QString& typed) { setText(which, typed); });
    connect(this, &ParasiticValues::changed, field, [field, which](ParasiticField changed, const QString& now) {
        if (changed == which && field->text() != now)
            field->setText(now);
    });
}
