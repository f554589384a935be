#include "startupplot.h"

#include "app/numbers.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace StartupPlot {

namespace {

constexpr Rgb kAxisColour{110, 110, 110};
// Shading, grid lines and markers run over both bands, from here to there.
constexpr double kBottom = 2, kTop = 98;
// Time ticks: about this many over the span.
constexpr double kTicks = 8;

// The fewest samples a zoom shows.
constexpr std::int64_t kLeastShown = 10;

// The lowest and the highest sample the columns reach, of one quantity.
Range reached(const StartupView& view, double StartupColumn::*low, double StartupColumn::*high)
{
    Range r{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (const StartupColumn& c : view.columns) {
        if (std::isfinite(c.*low) && std::isfinite(c.*high))
            r = {std::min(r.bottom, c.*low), std::max(r.top, c.*high)};
    }
    return r;
}

void drawBand(const StartupView& view, const Band& band, const Range& scale, double StartupColumn::*low,
              double StartupColumn::*high, Rgb colour, PlotSurface& surface)
{
    std::vector<PlotLine> lines;
    lines.reserve(view.columns.size());
    for (std::size_t c = 0; c < view.columns.size(); ++c) {
        const StartupColumn& col = view.columns[c];
        if (!std::isfinite(col.*low) || !std::isfinite(col.*high))
            continue;
        const float x = xOfColumn(c, view.columns.size());
        lines.push_back({x, heightOf(band, scale, col.*low), x, heightOf(band, scale, col.*high)});
    }
    surface.drawLines(colour, lines);
}

void drawGrid(const StartupView& view, const Scales& s, PlotSurface& surface)
{
    std::vector<double> xs;
    for (const double t : tickTimes(s))
        xs.push_back(xOfTime(view, t));
    drawBandGrid({kCurrentBand, kVoltageBand}, xs, surface);
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

// Time in ms of sample g of the span.
double msOfSample(const StartupView& view, double g)
{
    return g / (view.freq * view.n) * 1000;
}

// Where period p starts against the part shown: before it (< 0), in it (0), after it.
int placeOf(const StartupView& view, std::int64_t period)
{
    const SampleSpan shown = shownOf(view);
    const std::int64_t g = (period - 1) * view.n;
    return g < shown.first ? -1 : g >= shown.end ? 1 : 0;
}

std::optional<double> markerAt(const StartupView& view, std::int64_t period)
{
    if (period < 1 || placeOf(view, period) != 0)
        return std::nullopt;
    return startOfPeriodMs(view, period);
}

// Plot x to the sample of the span under it, as a fraction of the columns.
double sampleAt(const StartupView& view, double x)
{
    const SampleSpan shown = shownOf(view);
    const auto columns = double(std::max<std::size_t>(view.columns.size(), 2));
    const double fraction = std::clamp(x / 100 * (columns - 1) / columns, 0.0, 1.0);
    return double(shown.first) + fraction * double(shown.count());
}

// A span of `count` samples from `first` moved and shortened as little as needed to
// lie within the whole span, with at least the fewest samples.
SampleSpan within(const StartupView& view, double first, double count)
{
    const auto total = double(view.spanSamples());
    count = std::clamp(count, std::min(total, double(kLeastShown)), total);
    first = std::clamp(first, 0.0, total - count);
    const auto from = std::int64_t(std::llround(first));
    return {from, std::min(view.spanSamples(), from + std::int64_t(std::llround(count)))};
}

// A marker's legend line: where it stands when it is not in the part shown.
QString markerLegend(const StartupView& view, const char* what, std::int64_t period, const QString& none)
{
    const QString text = QString::fromUtf8(what);
    if (period < 1)
        return text + QStringLiteral(": ") + none;
    const int place = placeOf(view, period);
    if (place == 0)
        return text;
    return text + (place < 0 ? QStringLiteral(": prima del tratto mostrato, al periodo %1")
                             : QStringLiteral(": oltre il tratto mostrato, al periodo %1"))
                      .arg(period);
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

void drawBandGrid(std::initializer_list<Band> bands, const std::vector<double>& tickXs, PlotSurface& surface)
{
    std::vector<PlotLine> grid, axes;
    for (const Band& band : bands) {
        for (int q = 1; q <= 4; ++q) {
            const auto y = float(band.zero + band.height * q / 4);
            grid.push_back({0, y, 100, y});
        }
        axes.push_back({0, float(band.zero), 100, float(band.zero)});
    }
    for (const double tick : tickXs) {
        const auto x = float(tick);
        if (x > 0)
            grid.push_back({x, float(kBottom), x, float(kTop)});
    }
    axes.push_back({0, float(kBottom), 0, float(kTop)});
    surface.drawLines(kGridColour, grid);
    surface.drawLines(kAxisColour, axes);
}

float heightOf(const Band& band, const Range& scale, double v)
{
    const double y = band.zero + band.height * (v - scale.bottom) / (scale.top - scale.bottom);
    return float(std::clamp(y, band.zero - 3, band.zero + band.height + 3));
}

float xOfColumn(std::size_t c, std::size_t columns)
{
    if (columns < 2)
        return 0.0f;
    return float(std::min(100.0, 100.0 * (double(c) + 0.25) / double(columns - 1)));
}

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

Range rangeOf(double lowest, double highest)
{
    if (!std::isfinite(lowest) || !std::isfinite(highest))
        return {};
    if (lowest >= 0 && lowest <= highest / 2)
        return {0, roundUp(highest)};
    // The smallest round step whose four steps from a multiple of it hold both.
    for (double step = roundUp((highest - lowest) / 4);; step = roundUp(step * (1 + 1e-9))) {
        const double bottom = std::floor(lowest / step) * step;
        if (bottom + 4 * step >= highest)
            return {bottom, bottom + 4 * step};
    }
}

Scales scalesOf(const StartupView& view)
{
    Scales s;
    const Range iL = reached(view, &StartupColumn::iLLow, &StartupColumn::iLHigh);
    const Range vo = reached(view, &StartupColumn::voLow, &StartupColumn::voHigh);
    s.current = rangeOf(iL.bottom, iL.top);
    s.voltage = rangeOf(vo.bottom, vo.top);
    const SampleSpan shown = shownOf(view);
    s.fromMs = msOfSample(view, double(shown.first));
    s.toMs = msOfSample(view, double(shown.end));
    s.tickMs = roundUp((s.toMs - s.fromMs) / kTicks);
    return s;
}

QStringList scaleTexts(const Range& scale)
{
    const double values[] = {scale.bottom, (scale.bottom + scale.top) / 2, scale.top};
    QStringList texts;
    for (int decimals = 2; decimals <= 9; ++decimals) {
        texts.clear();
        for (const double v : values) {
            texts << (v == 0 ? QStringLiteral("0") : withLocalePoint(QLocale::c().toString(v, 'E', decimals)));
        }
        if (texts[0] != texts[1] && texts[1] != texts[2])
            break;
    }
    return texts;
}

std::vector<double> tickTimes(const Scales& s)
{
    std::vector<double> ticks;
    for (auto k = std::int64_t(std::ceil(s.fromMs / s.tickMs * (1 - 1e-9))); double(k) * s.tickMs <= s.toMs * (1 + 1e-9); ++k)
        ticks.push_back(double(k) * s.tickMs);
    return ticks;
}

SampleSpan shownOf(const StartupView& view)
{
    return view.shown.count() > 0 ? view.shown : wholeSpan(view);
}

SampleSpan wholeSpan(const StartupView& view)
{
    return {0, view.spanSamples()};
}

SampleSpan zoomedAbout(const StartupView& view, double x, double factor)
{
    const SampleSpan shown = shownOf(view);
    const double under = sampleAt(view, x);
    const double share = (under - double(shown.first)) / double(shown.count());
    const auto total = double(view.spanSamples());
    const double count = std::clamp(double(shown.count()) * factor, std::min(total, double(kLeastShown)), total);
    return within(view, under - share * count, count);
}

SampleSpan between(const StartupView& view, double x1, double x2)
{
    const double a = sampleAt(view, std::min(x1, x2)), b = sampleAt(view, std::max(x1, x2));
    const double count = std::max(b - a, double(kLeastShown));
    return within(view, (a + b) / 2 - count / 2, count);
}

QString tickText(double ms, double tickMs)
{
    // The ticks are 1, 2, 2.5 or 5 times a power of ten: the fewest decimals that write
    // the step whole write every tick whole.
    int decimals = 0;
    for (double scaled = tickMs; decimals < 6 && std::fabs(scaled - std::round(scaled)) > 1e-6 * scaled; scaled *= 10)
        ++decimals;
    return withLocalePoint(QString::number(ms, 'f', decimals)); // ASCII digits
}

double xOfTime(const StartupView& view, double ms)
{
    const auto columns = double(view.columns.size());
    const SampleSpan shown = shownOf(view);
    if (columns < 2 || shown.count() < 1)
        return 0;
    const double g = ms / 1000 * view.freq * view.n;
    return (g - double(shown.first)) / double(shown.count()) * columns * 100 / (columns - 1);
}

double timeAt(const StartupView& view, double x)
{
    const auto columns = double(view.columns.size());
    if (columns < 2)
        return 0;
    const SampleSpan shown = shownOf(view);
    const double column = std::round(x / 100 * (columns - 1));
    return msOfSample(view, double(shown.first) + column * double(shown.count()) / columns);
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
        QStringLiteral("Tensione media in uscita nell'ultimo periodo: %1 V").arg(sci(f.VoMean)),
    };
}

QStringList legendTexts(const StartupView& view)
{
    return {QStringLiteral("iL(t): corrente nell'induttore"), QStringLiteral("Vo(t): tensione in uscita"),
            QStringLiteral("periodi in conduzione discontinua"),
            markerLegend(view, "a regime entro \u00b11 %", view.figures.settledPeriod, {}),
            markerLegend(view, "prima ripetizione esatta dello stato", view.figures.repeatPeriod,
                         QStringLiteral("nessuna entro NI"))};
}

QString csvText(const StartupView& view)
{
    const std::int64_t per = view.rowPeriods, rows = (view.requested + per - 1) / per;
    if (per == 1)
        return QStringLiteral("Nel file CSV (Esporta dati): una riga per ciascuno dei %1 periodi simulati.").arg(view.requested);
    const std::int64_t last = view.requested - (rows - 1) * per;
    return QStringLiteral("Nel file CSV (Esporta dati): tutti i %1 periodi simulati, in %2 righe di %3 periodi%4.")
        .arg(view.requested)
        .arg(rows)
        .arg(per)
        .arg(last == per ? QString() : QStringLiteral(" (l'ultima di %1)").arg(last));
}

QString spanText(const StartupView& view)
{
    const SampleSpan shown = shownOf(view);
    if (shown != wholeSpan(view)) {
        const Scales s = scalesOf(view);
        return QStringLiteral("Nel grafico: da %1 ms a %2 ms, periodi dal %3 al %4 (doppio clic o «Mostra tutto» per "
                              "tornare a tutto il tratto).")
            .arg(ms(s.fromMs), ms(s.toMs))
            .arg(shown.first / view.n + 1)
            .arg((shown.end - 1) / view.n + 1);
    }
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
                                  "scala da %1 a %2 A; in basso la tensione in uscita, traccia blu, scala da %3 a %4 V. ")
                       .arg(sci(s.current.bottom), sci(s.current.top), sci(s.voltage.bottom), sci(s.voltage.top));
    text += spanText(view);
    text += QStringLiteral(" In grigio i periodi in conduzione discontinua; linea verde: regime entro ±1 %; "
                           "linea viola: prima ripetizione esatta dello stato. ");
    text += figureTexts(view).join(QStringLiteral(". ")) + u'.';
    return text;
}

} // namespace StartupPlot
