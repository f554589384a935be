#include "startupplot.h"

#include "app/numbers.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace StartupPlot {

namespace {

constexpr Rgb kAxisColour{110, 110, 110};
// Shading, grid lines and markers run over both bands, from here to there.
constexpr double kBottom = 2, kTop = 98;
// Time ticks: about this many over the span.
constexpr double kTicks = 8;

// Plot height of value v in `band`, kept near the band: an odd value may not run far
// into the other band.
float heightOf(const Band& band, double fullScale, double v)
{
    const double y = band.zero + band.height * v / fullScale;
    return float(std::clamp(y, band.zero - 3, band.zero + band.height + 3));
}

// A quarter of a column in from its left edge, so that rounding to a float cannot move
// a line into the column before; the last column is the plot's right edge.
float xOfColumn(std::size_t c, std::size_t columns)
{
    if (columns < 2)
        return 0.0f;
    return float(std::min(100.0, 100.0 * (double(c) + 0.25) / double(columns - 1)));
}

// The highest sample any column reaches, of one quantity.
double highest(const StartupView& view, double StartupColumn::*high)
{
    double top = 0;
    for (const StartupColumn& c : view.columns) {
        if (std::isfinite(c.*high))
            top = std::max(top, c.*high);
    }
    return top;
}

void drawBand(const StartupView& view, const Band& band, double fullScale, double StartupColumn::*low,
              double StartupColumn::*high, Rgb colour, PlotSurface& surface)
{
    std::vector<PlotLine> lines;
    lines.reserve(view.columns.size());
    for (std::size_t c = 0; c < view.columns.size(); ++c) {
        const StartupColumn& col = view.columns[c];
        if (!std::isfinite(col.*low) || !std::isfinite(col.*high))
            continue;
        const float x = xOfColumn(c, view.columns.size());
        lines.push_back({x, heightOf(band, fullScale, col.*low), x, heightOf(band, fullScale, col.*high)});
    }
    surface.drawLines(colour, lines);
}

void drawGrid(const StartupView& view, const Scales& s, PlotSurface& surface)
{
    std::vector<PlotLine> grid, axes;
    for (const Band& band : {kCurrentBand, kVoltageBand}) {
        for (int q = 1; q <= 4; ++q) {
            const auto y = float(band.zero + band.height * q / 4);
            grid.push_back({0, y, 100, y});
        }
        axes.push_back({0, float(band.zero), 100, float(band.zero)});
    }
    for (double t = s.tickMs; t < s.spanMs * (1 + 1e-9); t += s.tickMs) {
        const auto x = float(xOfTime(view, t));
        grid.push_back({x, float(kBottom), x, float(kTop)});
    }
    axes.push_back({0, float(kBottom), 0, float(kTop)});
    surface.drawLines(kGridColour, grid);
    surface.drawLines(kAxisColour, axes);
}

void drawMarker(std::optional<double> ms, const StartupView& view, Rgb colour, PlotSurface& surface)
{
    if (!ms)
        return;
    const auto x = float(xOfTime(view, *ms));
    const PlotLine line{x, float(kBottom), x, float(kTop)};
    surface.drawLines(colour, {&line, 1});
}

// Time in ms at the start of period p.
double startOfPeriodMs(const StartupView& view, std::int64_t p)
{
    return double(p - 1) / view.freq * 1000;
}

std::optional<double> markerAt(const StartupView& view, std::int64_t period)
{
    if (period < 1 || period > view.span)
        return std::nullopt;
    return startOfPeriodMs(view, period);
}

QString ms(double value)
{
    return FormatNumber(value, NumberPattern::Fixed2);
}

QString sci(double value)
{
    return FormatNumber(value, NumberPattern::Sci2);
}

QString range(double low, double high)
{
    return low == high ? sci(low) : sci(low) + QStringLiteral(" ÷ ") + sci(high);
}

QString discontinuousText(const StartupFigures& f)
{
    if (f.dcmPeriods == 0)
        return QStringLiteral("Conduzione discontinua: in nessun periodo");
    if (f.dcmPeriods == 1)
        return QStringLiteral("Conduzione discontinua: 1 periodo, il %1").arg(f.dcmFirst);
    return QStringLiteral("Conduzione discontinua: %1 periodi, dal %2 al %3").arg(f.dcmPeriods).arg(f.dcmFirst).arg(f.dcmLast);
}

QString repeatText(const StartupView& view)
{
    const StartupFigures& f = view.figures;
    if (f.cycleLength == 0)
        return QStringLiteral("Lo stato del convertitore non si ripete esattamente entro NI = %1 periodi: la "
                              "simulazione potrebbe essere troppo breve per arrivare a regime.")
            .arg(view.requested);
    const QString every = f.cycleLength == 1 ? QStringLiteral("identico a ogni periodo")
                                             : QStringLiteral("ciclo di %1 periodi").arg(f.cycleLength);
    return QStringLiteral("Stato ripetuto esattamente: dal periodo %1, %2").arg(f.repeatPeriod).arg(every);
}

} // namespace

double roundUp(double value)
{
    if (!(value > 0) || !std::isfinite(value))
        return 1;
    double decade = std::pow(10.0, std::floor(std::log10(value)));
    for (;;) {
        for (const double step : {1.0, 2.0, 2.5, 5.0}) {
            if (step * decade >= value)
                return step * decade;
        }
        decade *= 10;
    }
}

Scales scalesOf(const StartupView& view)
{
    Scales s;
    s.current = roundUp(highest(view, &StartupColumn::iLHigh));
    s.voltage = roundUp(highest(view, &StartupColumn::voHigh));
    s.spanMs = double(view.span) / view.freq * 1000;
    s.tickMs = roundUp(s.spanMs / kTicks);
    return s;
}

QString tickText(double ms, double tickMs)
{
    // The ticks are 1, 2, 2.5 or 5 times a power of ten: the fewest decimals that write
    // the step whole write every tick whole.
    int decimals = 0;
    for (double scaled = tickMs; decimals < 6 && std::fabs(scaled - std::round(scaled)) > 1e-6 * scaled; scaled *= 10)
        ++decimals;
    QString text = QString::number(ms, 'f', decimals); // ASCII digits and a point
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1)
        text.replace(u'.', point.front());
    return text;
}

double xOfTime(const StartupView& view, double ms)
{
    const auto columns = double(view.columns.size());
    if (columns < 2 || view.span < 1)
        return 0;
    return ms / 1000 * view.freq / double(view.span) * columns * 100 / (columns - 1);
}

double timeAt(const StartupView& view, double x)
{
    const auto columns = double(view.columns.size());
    if (columns < 2)
        return 0;
    const double column = std::round(x / 100 * (columns - 1));
    return column * double(view.span) / (view.freq * columns) * 1000;
}

std::optional<double> settledMs(const StartupView& view)
{
    return markerAt(view, view.figures.settledPeriod);
}

std::optional<double> repeatMs(const StartupView& view)
{
    return markerAt(view, view.figures.repeatPeriod);
}

void draw(const StartupView& view, PlotSurface& surface)
{
    std::vector<PlotLine> shaded;
    for (std::size_t c = 0; c < view.columns.size(); ++c) {
        if (view.columns[c].discontinuous) {
            const float x = xOfColumn(c, view.columns.size());
            shaded.push_back({x, float(kBottom), x, float(kTop)});
        }
    }
    surface.drawLines(kDiscontinuousColour, shaded);
    const Scales s = scalesOf(view);
    drawGrid(view, s, surface);
    drawMarker(settledMs(view), view, kSettledColour, surface);
    drawMarker(repeatMs(view), view, kRepeatColour, surface);
    drawBand(view, kCurrentBand, s.current, &StartupColumn::iLLow, &StartupColumn::iLHigh, kCurrentColour, surface);
    drawBand(view, kVoltageBand, s.voltage, &StartupColumn::voLow, &StartupColumn::voHigh, kVoltageColour, surface);
}

QString readout(const StartupView& view, double x)
{
    if (!(x >= 0 && x <= 100) || view.columns.size() < 2)
        return {};
    const auto c = std::size_t(std::lround(x / 100 * double(view.columns.size() - 1)));
    const StartupColumn& col = view.columns[c];
    if (!std::isfinite(col.iLLow) || !std::isfinite(col.voLow))
        return {};
    return QStringLiteral("t = %1 ms ; iL: %2 A ; Vo: %3 V")
        .arg(ms(timeAt(view, x)), range(col.iLLow, col.iLHigh), range(col.voLow, col.voHigh));
}

QStringList figureTexts(const StartupView& view)
{
    const StartupFigures& f = view.figures;
    return {
        QStringLiteral("Picco della corrente nell'induttore: %1 A al periodo %2").arg(sci(f.peakIL)).arg(f.peakILPeriod),
        QStringLiteral("Picco della tensione in uscita: %1 V al periodo %2").arg(sci(f.peakVo)).arg(f.peakVoPeriod),
        discontinuousText(f),
        QStringLiteral("A regime entro ±1 %: dal periodo %1 (t = %2 ms)")
            .arg(f.settledPeriod)
            .arg(ms(startOfPeriodMs(view, f.settledPeriod))),
        repeatText(view),
        QStringLiteral("Ultimo periodo (NI = %1): ΔiL = %2 A, ΔVo = %3 mV, IDP = %4 A, IDm = %5 A, Iim = %6 A")
            .arg(view.requested)
            .arg(sci(f.DeltaiL), sci(f.DeltaVo), sci(f.IDP), sci(f.IDm), sci(f.Iim)),
    };
}

QString spanText(const StartupView& view)
{
    const QString time = ms(double(view.span) / view.freq * 1000);
    if (view.span >= view.requested)
        return QStringLiteral("Nel grafico: tutti i %1 periodi simulati (%2 ms).").arg(view.span).arg(time);
    return QStringLiteral("Nel grafico: i primi %1 periodi di %2 (%3 ms), quattro volte il periodo in cui "
                          "il convertitore arriva a regime.")
        .arg(view.span)
        .arg(view.requested)
        .arg(time);
}

QString inputsText(const StartupView& view)
{
    return inputsText(view.inputs);
}

QString inputsText(const Model::SimulatedRun& r)
{
    return QStringLiteral("Vi = %1 V, D = %2 %, f = %3 kHz, L = %4 µH, C = %5 µF, RL = %6 Ω, N = %7, NI = %8")
        .arg(sci(r.Vi), sci(r.D * 100), sci(r.Freq / 1000), sci(r.L * 1e6), sci(r.C * 1e6), sci(r.RL))
        .arg(r.N)
        .arg(r.NI);
}

QString description(const StartupView& view)
{
    const Scales s = scalesOf(view);
    QString text = QStringLiteral("Avvio del convertitore da fermo. In alto la corrente nell'induttore, traccia rossa, "
                                  "fondo scala %1 A; in basso la tensione in uscita, traccia blu, fondo scala %2 V. ")
                       .arg(sci(s.current), sci(s.voltage));
    text += spanText(view);
    text += QStringLiteral(" In grigio i periodi in conduzione discontinua; linea verde: regime entro ±1 %; "
                           "linea viola: prima ripetizione esatta dello stato. ");
    text += figureTexts(view).join(QStringLiteral(". ")) + u'.';
    return text;
}

} // namespace StartupPlot
