#include "realplot.h"

#include "app/numbers.h"
#include "plot/startupplot.h"
#include "sim/averagedmodel.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace RealPlot {

namespace {

constexpr Rgb kGridColour{215, 215, 215};
constexpr Rgb kAxisColour{110, 110, 110};
// The plot's sides, and the step of the duty cycle's grid, in %.
constexpr double kBottom = 0, kTop = 100, kDTick = 10;
// Half the size of a mark, in pixels.
constexpr double kMarkPixels = 3.5;
// A surface that does not tell its size is taken to be as large as the window's plot.
constexpr int kDefaultWidth = 576, kDefaultHeight = 336;

QString sci(double value)
{
    return FormatNumber(value, NumberPattern::Sci2);
}

QString fixed(double value)
{
    return FormatNumber(value, NumberPattern::Fixed2);
}

// Plot units per device pixel across and up.
struct Pixel {
    double x = 0, y = 0;
};
Pixel pixelOf(const PlotSurface& surface)
{
    const QSize size = surface.pixelSize();
    const int w = size.width() > 1 ? size.width() : kDefaultWidth;
    const int h = size.height() > 1 ? size.height() : kDefaultHeight;
    return {100.0 / (w - 1), 100.0 / (h - 1)};
}

// The segment from (x1, y1) to (x2, y2), cut where it rises above the top of the plot;
// nothing when it lies wholly above it or a value is not a number.
void addCut(std::vector<PlotLine>& lines, double x1, double y1, double x2, double y2)
{
    if (!std::isfinite(y1) || !std::isfinite(y2) || (y1 > kTop && y2 > kTop))
        return;
    if (y1 > kTop) {
        x1 = x2 + (x1 - x2) * (kTop - y2) / (y1 - y2);
        y1 = kTop;
    } else if (y2 > kTop) {
        x2 = x1 + (x2 - x1) * (kTop - y1) / (y2 - y1);
        y2 = kTop;
    }
    lines.push_back({float(x1), float(y1), float(x2), float(y2)});
}

// A curve through the rows that have a value: a gap where one has none.
template <typename Height>
void drawCurve(const RealView& view, Height heightOf, Rgb colour, PlotSurface& surface)
{
    std::vector<PlotLine> lines;
    for (std::size_t i = 1; i < view.curve.size(); ++i) {
        const std::optional<double> a = heightOf(view.curve[i - 1]), b = heightOf(view.curve[i]);
        if (a && b)
            addCut(lines, view.curve[i - 1].percent, *a, view.curve[i].percent, *b);
    }
    surface.drawLines(colour, lines);
}

enum class Mark { Square, Cross, Diamond };

void addMark(std::vector<PlotLine>& lines, Mark mark, double x, double y, const Pixel& px)
{
    if (!std::isfinite(y) || y > kTop)
        return;
    const auto dx = float(kMarkPixels * px.x), dy = float(kMarkPixels * px.y);
    const auto fx = float(x), fy = float(y);
    switch (mark) {
    case Mark::Square:
        lines.insert(lines.end(), {{fx - dx, fy - dy, fx + dx, fy - dy}, {fx + dx, fy - dy, fx + dx, fy + dy},
                                   {fx + dx, fy + dy, fx - dx, fy + dy}, {fx - dx, fy + dy, fx - dx, fy - dy}});
        break;
    case Mark::Cross:
        lines.insert(lines.end(), {{fx - dx, fy - dy, fx + dx, fy + dy}, {fx - dx, fy + dy, fx + dx, fy - dy}});
        break;
    case Mark::Diamond:
        lines.insert(lines.end(), {{fx - 1.5f * dx, fy, fx, fy + 1.5f * dy}, {fx, fy + 1.5f * dy, fx + 1.5f * dx, fy},
                                   {fx + 1.5f * dx, fy, fx, fy - 1.5f * dy}, {fx, fy - 1.5f * dy, fx - 1.5f * dx, fy}});
        break;
    }
}

void drawGrid(const Scales& s, PlotSurface& surface)
{
    std::vector<PlotLine> grid;
    for (double m = s.gainTick; m < s.gain * (1 - 1e-9); m += s.gainTick) {
        const auto y = float(yOfGain(s, m));
        grid.push_back({0, y, 100, y});
    }
    for (double d = kDTick; d < 100; d += kDTick)
        grid.push_back({float(d), float(kBottom), float(d), float(kTop)});
    surface.drawLines(kGridColour, grid);
    const PlotLine axes[] = {{0, 0, 100, 0}, {0, 0, 0, 100}, {100, 0, 100, 100}};
    surface.drawLines(kAxisColour, axes);
}

void drawPoints(const RealView& view, const Scales& s, const Pixel& px, PlotSurface& surface)
{
    std::vector<PlotLine> gains, efficiencies;
    for (const CurvePoint& point : view.points) {
        if (!point.figures)
            continue;
        addMark(gains, Mark::Square, point.percent, yOfGain(s, point.figures->Vo / view.inputs.Vi), px);
        addMark(efficiencies, Mark::Cross, point.percent, yOfEfficiency(point.figures->efficiency), px);
    }
    surface.drawLines(kSimulatedColour, gains);
    surface.drawLines(kSimulatedEfficiencyColour, efficiencies);
}

// The simulated point within 1 % of D of the pointer, if any.
const CurvePoint* pointNear(const RealView& view, double percent)
{
    for (const CurvePoint& point : view.points) {
        if (point.figures && std::fabs(point.percent - percent) <= 1)
            return &point;
    }
    return nullptr;
}

QString idealDeltaVo(const IdealFigures& ideal)
{
    return ideal.DeltaVo ? sci(*ideal.DeltaVo * 1000) : QString();
}

} // namespace

Scales scalesOf(const RealView& view)
{
    double top = view.inputs.Vi > 0 ? view.VoIdeal / view.inputs.Vi : 1;
    for (const CurveRow& row : view.curve) {
        if (row.averagedGain && std::isfinite(*row.averagedGain))
            top = std::max(top, *row.averagedGain);
    }
    for (const CurvePoint& point : view.points) {
        if (point.figures && std::isfinite(point.figures->Vo))
            top = std::max(top, point.figures->Vo / view.inputs.Vi);
    }
    // A little room above the highest value, in about five steps.
    Scales s;
    s.gainTick = StartupPlot::roundUp(top * 1.05 / 5);
    s.gain = s.gainTick * std::ceil(top * 1.05 / s.gainTick - 1e-9);
    return s;
}

double yOfGain(const Scales& s, double gain)
{
    return 100 * gain / s.gain;
}

double yOfEfficiency(double efficiency)
{
    return 100 * efficiency;
}

void draw(const RealView& view, PlotSurface& surface)
{
    const Scales s = scalesOf(view);
    const Pixel px = pixelOf(surface);
    drawGrid(s, surface);
    const double D = view.inputs.D * 100;
    const PlotLine design{float(D), float(kBottom), float(D), float(kTop)};
    surface.drawLines(kDesignColour, {&design, 1});
    drawCurve(view, [&s](const CurveRow& r) { return std::optional(yOfGain(s, r.idealGain)); }, kIdealColour, surface);
    drawCurve(view, [](const CurveRow& r) { return r.averagedEfficiency ? std::optional(yOfEfficiency(*r.averagedEfficiency)) : std::nullopt; },
              kEfficiencyColour, surface);
    drawCurve(view, [&s](const CurveRow& r) { return r.averagedGain ? std::optional(yOfGain(s, *r.averagedGain)) : std::nullopt; },
              kAveragedColour, surface);
    drawPoints(view, s, px, surface);
    if (view.gainMax) {
        std::vector<PlotLine> diamond;
        addMark(diamond, Mark::Diamond, view.gainMax->D * 100, yOfGain(s, view.gainMax->gain), px);
        surface.drawLines(kMaximumColour, diamond);
    }
}

QString readout(const RealView& view, double x)
{
    if (!(x >= 0 && x < 100) || !(view.inputs.Vi > 0))
        return {};
    const double percent = std::min(std::round(x * 10) / 10, 99.9);
    const double D = percent / 100;
    QString text = QStringLiteral("D = %1 % ; M ideale = %2").arg(fixed(percent), fixed(idealOutput(view.inputs, D) / view.inputs.Vi));
    if (const std::optional<AveragedPoint> a = averagedAt(view.inputs, view.parasitics, D))
        text += QStringLiteral(" ; M medio = %1 ; η medio = %2 %").arg(fixed(a->Vo / view.inputs.Vi), fixed(a->efficiency * 100));
    else
        text += QStringLiteral(" ; modello medio: il diodo non conduce");
    if (const CurvePoint* point = pointNear(view, percent))
        text += QStringLiteral(" ; simulato a D = %1 %: M = %2, η = %3 %")
                    .arg(point->percent)
                    .arg(fixed(point->figures->Vo / view.inputs.Vi), fixed(point->figures->efficiency * 100));
    return text;
}

std::vector<TableRow> table(const RealView& view)
{
    const IdealFigures& i = view.ideal;
    const AveragedPoint& a = view.averaged;
    const RealFigures& s = view.run.figures;
    return {
        {QStringLiteral("Vo [V]"), {sci(i.Vo), sci(a.Vo), sci(s.Vo)}},
        {QStringLiteral("Iim [A]"), {sci(i.Iim), sci(a.Iim), sci(s.Iim)}},
        {QStringLiteral("η [%]"), {fixed(i.efficiency * 100), fixed(a.efficiency * 100), fixed(s.efficiency * 100)}},
        {QStringLiteral("ΔiL [A]"), {sci(i.DeltaiL), QString(), sci(s.DeltaiL)}},
        {QStringLiteral("ΔVo [mV]"), {idealDeltaVo(i), QString(), sci(s.DeltaVo)}},
    };
}

QString criticalText(const RealView& view)
{
    const bool above = view.inputs.L >= view.Lcrit;
    return QStringLiteral("Confine della conduzione continua: L critica = %1 µH. L = %2 µH è %3")
        .arg(sci(view.Lcrit * 1e6), sci(view.inputs.L * 1e6),
             above ? QStringLiteral("sopra il confine: il convertitore ideale è in conduzione continua.")
                   : QStringLiteral("sotto il confine: il convertitore ideale è in conduzione discontinua."));
}

QString maximumText(const RealView& view)
{
    if (!view.gainMax)
        return QStringLiteral("Il guadagno del modello medio non ha un massimo: senza rL e Ron cresce fino a D = 100 %.");
    return QStringLiteral("Massimo del guadagno del modello medio: M = %1 a D = %2 %; oltre, il guadagno crolla.")
        .arg(fixed(view.gainMax->gain), fixed(view.gainMax->D * 100));
}

QString periodText(const RealView& view)
{
    const RealRun& run = view.run;
    QString text = QStringLiteral("La simulazione da fermo mostra il periodo NI = %1. ").arg(run.period);
    if (run.cycleLength == 0)
        text += QStringLiteral("Lo stato non si è ancora ripetuto esattamente entro NI: il periodo potrebbe non essere a regime.");
    else if (run.cycleLength == 1)
        text += QStringLiteral("Lo stato si è ripetuto esattamente dopo %1 periodi simulati: è il regime esatto.").arg(run.stepped);
    else
        text += QStringLiteral("Lo stato si ripete esattamente in un ciclo di %1 periodi (%2 simulati): è il regime esatto.")
                    .arg(run.cycleLength)
                    .arg(run.stepped);
    text += run.figures.discontinuous ? QStringLiteral(" Nel periodo il diodo blocca la corrente: conduzione discontinua.")
                                      : QStringLiteral(" Nel periodo la conduzione è continua.");
    return text;
}

std::vector<Bar> bars(const RealView& view)
{
    const RealFigures& f = view.run.figures;
    const auto bar = [&f](const char* name, double watts, Rgb colour) {
        return Bar{QString::fromUtf8(name), watts, f.Pin > 0 ? watts / f.Pin : 0, colour};
    };
    return {
        bar("Pout, al carico", f.Pout, {70, 110, 220}),
        bar("rL, nell'induttore", f.lossDCR, {220, 50, 50}),
        bar("Ron, nell'interruttore", f.lossSwitch, {240, 150, 0}),
        bar("diodo, VF e RD", f.lossDiode, {150, 0, 170}),
        bar("rC, nel condensatore", f.lossESR, {0, 150, 150}),
    };
}

int barLength(double share, int fullLength)
{
    if (!(share > 0))
        return 0;
    return std::max(1, int(std::lround(std::min(share, 1.0) * fullLength)));
}

std::vector<Span> stacked(const std::vector<Bar>& bars, int fullLength)
{
    std::vector<Span> spans;
    double sum = 0;
    int start = 0;
    for (const Bar& bar : bars) {
        sum += std::max(bar.share, 0.0);
        const int end = int(std::lround(sum * fullLength));
        spans.push_back({start, end});
        start = end;
    }
    return spans;
}

QString barText(const Bar& bar)
{
    return QStringLiteral("%1 W (%2 %)").arg(sci(bar.watts), fixed(bar.share * 100));
}

QString inputText(const RealView& view)
{
    double sum = 0;
    for (const Bar& bar : bars(view))
        sum += bar.share;
    return QStringLiteral("%1 W (somma %2 %)").arg(sci(view.run.figures.Pin), fixed(sum * 100));
}

QString description(const RealView& view)
{
    const Scales s = scalesOf(view);
    QString text = QStringLiteral(
                       "Guadagno M = Vo/Vi e rendimento al variare del duty cycle D da 0 a 99 %. Scala a sinistra: "
                       "guadagno da 0 a %1; scala a destra: rendimento da 0 a 100 %. Curva grigia: guadagno ideale; "
                       "curva blu: guadagno del modello medio; curva verde: rendimento del modello medio; quadrati "
                       "rossi e croci verde scuro: guadagno e rendimento simulati a D = 5, 10, … 95 %. Linea "
                       "arancione: D del progetto, %2 %. ")
                       .arg(fixed(s.gain), fixed(view.inputs.D * 100));
    if (view.gainMax)
        text += QStringLiteral("Rombo viola: ");
    text += maximumText(view);
    return text;
}

QString barsDescription(const RealView& view)
{
    QString text = QStringLiteral("Potenza in ingresso Pin = %1 W nel periodo simulato, divisa in:").arg(sci(view.run.figures.Pin));
    for (const Bar& bar : bars(view))
        text += QStringLiteral(" %1, %2;").arg(bar.name, barText(bar));
    text.chop(1);
    return text + QStringLiteral(". Le barre sommate danno %1.").arg(inputText(view));
}

} // namespace RealPlot
