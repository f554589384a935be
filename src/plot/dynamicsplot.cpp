#include "dynamicsplot.h"

#include "app/numbers.h"

#include <QStringList>

namespace DynamicsPlot {

namespace {

QString sci(double value)
{
    return FormatNumber(value, NumberPattern::Sci2);
}

QString fixed(double value)
{
    return FormatNumber(value, NumberPattern::Fixed2);
}

const TransferFunction& functionOf(const DynamicsView& view, Function function)
{
    switch (function) {
    case Function::Gvg:
        return view.model.Gvg;
    case Function::Zout:
        return view.model.Zout;
    case Function::Gvd:
        break;
    }
    return view.model.Gvd;
}

BodePlot::Curve curveOf(const DynamicsView& view, Function function)
{
    static const struct {
        const char* name;
        const char* unit;
        const char* colourWord;
        Rgb colour;
        std::vector<BodeValue> BodeCurves::* values;
    } kCurves[] = {{"Gvd", "dB", "blu", kGvdColour, &BodeCurves::gvd},
                   {"Gvg", "dB", "verde", kGvgColour, &BodeCurves::gvg},
                   {"Zout", "dBΩ", "marrone", kZoutColour, &BodeCurves::zout}};
    const auto& c = kCurves[int(function)];
    const TransferFunction g = functionOf(view, function);
    return {QString::fromLatin1(c.name), QString::fromUtf8(c.unit), QString::fromLatin1(c.colourWord), c.colour,
            view.curves.frequencies, view.curves.*c.values,
            [g](double fHz) { return BodeValue{g.magnitudeDb(fHz), g.phaseDeg(fHz)}; }};
}

BodePlot::Mark markOf(const BodeMark& mark, const BodePlot::Axis& axis)
{
    BodePlot::Mark m{mark.fHz, {}, {}, {}};
    const QString at = sci(mark.fHz);
    switch (mark.kind) {
    case BodeMarkKind::Resonance:
        m.colour = kResonanceColour;
        m.label = QStringLiteral("f0");
        m.legend = QStringLiteral("f0 = %1 Hz, risonanza con Q = %2").arg(at, fixed(mark.Q));
        break;
    case BodeMarkKind::RhpZero:
        m.colour = kRhpZeroColour;
        m.label = QStringLiteral("fz,RHP");
        m.legend = QStringLiteral("fz,RHP = %1 Hz, zero nel semipiano destro").arg(at);
        break;
    case BodeMarkKind::EsrZero:
        m.colour = kEsrZeroColour;
        m.label = QStringLiteral("fz,ESR");
        m.legend = QStringLiteral("fz,ESR = %1 Hz, zero della ESR").arg(at);
        break;
    case BodeMarkKind::HalfSwitching:
        m.colour = kHalfSwitchingColour;
        m.label = QStringLiteral("f/2");
        m.legend = QStringLiteral("f/2 = %1 Hz, fin dove vale il modello medio").arg(at);
        break;
    }
    if (!BodePlot::withinAxis(axis, mark.fHz))
        m.legend += QStringLiteral(" (fuori dal grafico)");
    return m;
}

QString divisors()
{
    QStringList ks;
    for (const std::int64_t k : kMeasuredDivisors)
        ks << QString::number(k);
    const QString last = ks.takeLast();
    return ks.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last;
}

} // namespace

BodePlot::Chart chart(const DynamicsView& view, Function function)
{
    BodePlot::Chart c;
    c.axis = BodePlot::switchingAxis(view.model.run.Freq);
    c.curves.push_back(curveOf(view, function));
    for (const BodeMark& mark : view.marks)
        c.marks.push_back(markOf(mark, c.axis));
    if (function != Function::Gvd)
        return c;
    for (const MeasuredPoint& point : view.points) {
        if (point.simulated)
            c.dots.push_back({point.fHz, {point.simulatedDb, point.simulatedDeg}, kMeasuredColour,
                              QStringLiteral("misurato a f/%1").arg(point.k)});
    }
    c.dotsWords = QStringLiteral("Punti rossi: Gvd misurato sulla simulazione del convertitore reale a f/k, k = %1.")
                      .arg(divisors());
    return c;
}

QString functionText(Function function)
{
    switch (function) {
    case Function::Gvg:
        return QStringLiteral("Gvg: dalla tensione di ingresso all'uscita, V/V");
    case Function::Zout:
        return QStringLiteral("Zout: impedenza di uscita, Ω (in dBΩ)");
    case Function::Gvd:
        break;
    }
    return QStringLiteral("Gvd: dal duty cycle all'uscita, V per unità di duty");
}

std::vector<Figure> figures(const DynamicsView& view)
{
    const SmallSignal& m = view.model;
    const auto hertz = [](const std::optional<double>& f) {
        return f ? Figure{{}, sci(*f), *f} : Figure{{}, QStringLiteral("nessuno"), std::nullopt};
    };
    std::vector<Figure> rows = {
        {QStringLiteral("Vo, punto di lavoro [V]"), sci(m.Vo), m.Vo},
        {QStringLiteral("IL, punto di lavoro [A]"), sci(m.IL), m.IL},
        {QStringLiteral("Gvd(0), dal duty [V]"), sci(m.Gvd0), m.Gvd0},
        {QStringLiteral("Gvg(0), dall'ingresso"), sci(m.Gvg0), m.Gvg0},
        {QStringLiteral("Zout(0), di uscita [Ω]"), sci(m.Zout0), m.Zout0},
        {QStringLiteral("f0, risonanza [Hz]"), sci(m.f0), m.f0},
        {QStringLiteral("Q, fattore di qualità"), fixed(m.Q), m.Q},
        hertz(m.fzRhp),
        hertz(m.fzEsr),
    };
    rows[7].name = QStringLiteral("fz,RHP, zero a destra [Hz]");
    rows[8].name = QStringLiteral("fz,ESR, zero della ESR [Hz]");
    return rows;
}

QString operatingPointText(const DynamicsView& view)
{
    return view.model.parts.rC > 0 ? operatingPointNote() : QString();
}

QString pointsText(const DynamicsView& view)
{
    QString text = QStringLiteral("Punti rossi su Gvd: misurati sulla simulazione del convertitore reale, con il diodo che "
                                  "blocca, modulando il duty dell'1 % a f/k, k = %1. Le curve sono del modello medio.")
                       .arg(divisors());
    QStringList missing;
    for (const MeasuredPoint& point : view.points) {
        if (!point.simulated)
            missing << QStringLiteral("f/%1").arg(point.k);
    }
    if (!missing.isEmpty())
        text += QStringLiteral(" A %1 la simulazione diverge: nessun punto.").arg(missing.join(QStringLiteral(", ")));
    return text;
}

QString coarseText(const DynamicsView& view)
{
    if (!view.coarse)
        return {};
    const double step = 100.0 / view.model.run.N;
    return QStringLiteral("Con N = %1 campioni per periodo il duty cambia a passi di 1/N = %2 %: la modulazione dell'1 % "
                          "ne prende pochi, e i punti misurati sono grossolani.")
        .arg(view.model.run.N)
        .arg(fixed(step));
}

QString pointText(const MeasuredPoint& point)
{
    QString text = QStringLiteral("f/%1 = %2 Hz: medio %3 dB, %4°; ")
                       .arg(point.k)
                       .arg(sci(point.fHz), fixed(point.averagedDb), fixed(point.averagedDeg));
    if (!point.simulated)
        return text + QStringLiteral("simulato: la simulazione diverge");
    return text + QStringLiteral("simulato %1 dB, %2°").arg(fixed(point.simulatedDb), fixed(point.simulatedDeg));
}

QString description(const DynamicsView& view, Function function)
{
    return QStringLiteral("Funzione mostrata: %1. ").arg(functionText(function))
           + BodePlot::description(chart(view, function));
}

} // namespace DynamicsPlot
