#include "loopplot.h"

#include "app/numbers.h"
#include "sim/averagedmodel.h"

#include <algorithm>
#include <complex>
#include <cmath>
#include <limits>

namespace LoopPlot {

namespace {

// The step's line runs over both bands, from here to there, as the grid's.
constexpr double kBottom = 2, kTop = 98;
// Time ticks: about this many over the run.
constexpr double kTicks = 8;
// Vref's band: the output within 1 % of it counts as settled.
constexpr double kTolerance = 0.01;

QString sci(double value)
{
    return FormatNumber(value, NumberPattern::Sci2);
}

QString fixed(double value)
{
    return FormatNumber(value, NumberPattern::Fixed2);
}

QString degrees(double value)
{
    return fixed(value) + QStringLiteral("°");
}

std::int64_t totalOf(const ControlView& view)
{
    return view.request.before + view.request.after;
}

std::size_t columnsOf(const ControlView& view)
{
    return view.run.columns.size();
}

using StartupPlot::heightOf;
using StartupPlot::xOfColumn;

// The column that holds the middle of period p (0-based).
std::size_t columnOfPeriod(const ControlView& view, std::size_t p)
{
    const std::size_t w = columnsOf(view);
    const auto c = std::size_t((double(p) + 0.5) * double(w) / double(totalOf(view)));
    return std::min(c, w - 1);
}

// A value a period, reduced to the columns: over the periods of one column a vertical
// line from their lowest to their highest value, and a segment from the last value of
// a column to the first of the next.
class SeriesLines {
public:
    SeriesLines(const ControlView& view, const Band& band, const Range& scale) : view_(view), band_(band), scale_(scale) {}

    std::vector<PlotLine> of(double LoopPeriod::*value)
    {
        lines_.clear();
        column_ = std::numeric_limits<std::size_t>::max();
        const std::vector<LoopPeriod>& periods = view_.run.periods;
        for (std::size_t p = 0; p < periods.size(); ++p)
            add(columnOfPeriod(view_, p), heightOf(band_, scale_, periods[p].*value));
        flush();
        return lines_;
    }

private:
    void add(std::size_t column, float y)
    {
        if (column == column_) {
            low_ = std::min(low_, y), high_ = std::max(high_, y), last_ = y;
            return;
        }
        const bool first = column_ == std::numeric_limits<std::size_t>::max();
        flush();
        if (!first)
            lines_.push_back({x(column_), last_, x(column), y});
        column_ = column, low_ = high_ = last_ = y;
    }
    void flush()
    {
        if (column_ != std::numeric_limits<std::size_t>::max() && high_ > low_)
            lines_.push_back({x(column_), low_, x(column_), high_});
    }
    float x(std::size_t column) const { return xOfColumn(column, columnsOf(view_)); }

    const ControlView& view_;
    Band band_;
    Range scale_;
    std::vector<PlotLine> lines_;
    std::size_t column_ = 0;
    float low_ = 0, high_ = 0, last_ = 0;
};

// Lowest and highest of the closed loop's samples, both means and Vref's band.
Range voltageReached(const ControlView& view)
{
    double low = view.request.Vref * (1 - kTolerance), high = view.request.Vref * (1 + kTolerance);
    for (const LoopColumn& c : view.run.columns) {
        if (std::isfinite(c.low) && std::isfinite(c.high))
            low = std::min(low, c.low), high = std::max(high, c.high);
    }
    for (const LoopPeriod& p : view.run.periods) {
        low = std::min({low, p.openMean, p.predicted});
        high = std::max({high, p.openMean, p.predicted});
    }
    return {low, high};
}

Range dutyReached(const ControlView& view)
{
    double low = 1, high = 0;
    for (const LoopPeriod& p : view.run.periods)
        low = std::min(low, p.duty), high = std::max(high, p.duty);
    // A duty that never moves gets a scale a little around it.
    constexpr double kLeast = 0.005;
    if (high - low < kLeast)
        low = std::max(0.0, (low + high) / 2 - kLeast), high = low + 2 * kLeast;
    return {low, high};
}

void drawGrid(const ControlView& view, const Scales& s, PlotSurface& surface)
{
    std::vector<double> xs;
    for (const double offset : tickOffsets(view, s))
        xs.push_back(xOfPeriods(view, double(view.request.before) + offset));
    StartupPlot::drawBandGrid({kVoltageBand, kDutyBand}, xs, surface);
}

// Vref's ±1 % band shaded column by column, behind the grid.
void drawBackground(const ControlView& view, const Scales& s, PlotSurface& surface)
{
    const double vref = view.request.Vref;
    const float low = heightOf(kVoltageBand, s.voltage, vref * (1 - kTolerance));
    const float high = heightOf(kVoltageBand, s.voltage, vref * (1 + kTolerance));
    std::vector<PlotLine> shaded;
    for (std::size_t c = 0; c < columnsOf(view); ++c) {
        const float x = xOfColumn(c, columnsOf(view));
        shaded.push_back({x, low, x, high});
    }
    surface.drawLines(kToleranceColour, shaded);
    drawGrid(view, s, surface);
}

// Vref over the closed loop's samples, where their mean should rest, and the step's
// instant across both bands.
void drawMarks(const ControlView& view, const Scales& s, PlotSurface& surface)
{
    const float y = heightOf(kVoltageBand, s.voltage, view.request.Vref);
    const PlotLine reference{0, y, 100, y};
    surface.drawLines(kReferenceColour, {&reference, 1});
    const auto x = float(xOfPeriods(view, double(view.request.before)));
    const PlotLine step{x, float(kBottom), x, float(kTop)};
    surface.drawLines(kStepColour, {&step, 1});
}

void drawEnvelope(const ControlView& view, const Scales& s, PlotSurface& surface)
{
    std::vector<PlotLine> lines;
    lines.reserve(columnsOf(view));
    for (std::size_t c = 0; c < columnsOf(view); ++c) {
        const LoopColumn& col = view.run.columns[c];
        if (!std::isfinite(col.low) || !std::isfinite(col.high))
            continue;
        const float x = xOfColumn(c, columnsOf(view));
        lines.push_back({x, heightOf(kVoltageBand, s.voltage, col.low), x, heightOf(kVoltageBand, s.voltage, col.high)});
    }
    surface.drawLines(kClosedColour, lines);
}

// "Periodo 108 (8° dopo il gradino)", "Periodo 95 (prima del gradino)".
QString periodText(const ControlView& view, std::int64_t period)
{
    const std::int64_t fromStep = period - view.request.before;
    if (fromStep < 1)
        return QStringLiteral("Periodo %1 (prima del gradino)").arg(period);
    return QStringLiteral("Periodo %1 (%2° dopo il gradino)").arg(period).arg(fromStep);
}

std::vector<FigureRow> designRows(const ControlView& view)
{
    const Compensator& gc = view.gc;
    return {
        {"AnticipoFase", QStringLiteral("Anticipo di fase (boost)"), degrees(gc.boostDeg), gc.boostDeg},
        {"K", QStringLiteral("Fattore k"), sci(gc.k), gc.k},
        {"fz", QStringLiteral("fz, zero di ogni rete"), sci(gc.fzHz) + QStringLiteral(" Hz"), gc.fzHz},
        {"fp", QStringLiteral("fp, polo di ogni rete"), sci(gc.fpHz) + QStringLiteral(" Hz"), gc.fpHz},
        {"wI", QStringLiteral("ωI, dell'integratore"), sci(gc.wI) + QStringLiteral(" rad/s"), gc.wI},
        {"Ritardo", QStringLiteral("Ritardo td = (0,5 + D)/f"),
         QStringLiteral("%1 s (%2 a fc)").arg(sci(gc.delay), degrees(gc.delayDeg)), gc.delay},
    };
}

std::vector<FigureRow> loopRows(const ControlView& view)
{
    std::vector<FigureRow> rows;
    int i = 0;
    for (const Crossover& c : view.loop.crossovers) {
        rows.push_back({"Incrocio", QStringLiteral("%1° incrocio di |T| con 1").arg(++i),
                        QStringLiteral("%1 Hz, PM = %2").arg(sci(c.fHz), degrees(c.pmDeg)), c.fHz});
    }
    const std::optional<GainMargin> least = smallestMargin(view.loop);
    if (!least)
        rows.push_back({"MargineGuadagno", QStringLiteral("Margine di guadagno"), QStringLiteral("nessuno sotto f/2"), {}});
    else
        rows.push_back({"MargineGuadagno", QStringLiteral("Margine di guadagno"),
                        QStringLiteral("%1 dB a %2 Hz").arg(fixed(least->gmDb), sci(least->fHz)), least->gmDb});
    return rows;
}

std::vector<FigureRow> stepRows(const ControlView& view)
{
    const LoopFigures& f = view.run.figures;
    const QString settled = f.settledPeriod ? QStringLiteral("dal periodo %1").arg(*f.settledPeriod) : QStringLiteral("mai");
    const QString saturated = f.saturated ? QStringLiteral("sì, a Dmin o Dmax") : QStringLiteral("no");
    return {
        {"Livello", QStringLiteral("vo medio prima del gradino"), sci(f.level) + QStringLiteral(" V"), f.level},
        {"Scostamento", QStringLiteral("Scostamento massimo"),
         QStringLiteral("%1 V al periodo %2").arg(sci(f.deviation)).arg(f.deviationPeriod), f.deviation},
        {"Regime1%", QStringLiteral("Entro ±1 % di Vref"), settled, {}},
        {"VoFinale", QStringLiteral("vo medio finale"), sci(f.finalMean) + QStringLiteral(" V"), f.finalMean},
        {"DutyFinale", QStringLiteral("Duty finale"), fixed(f.finalDuty * 100) + QStringLiteral(" %"), f.finalDuty},
        {"Saturato", QStringLiteral("Duty al limite dopo il gradino"), saturated, {}},
        {"VoFinaleAnelloAperto", QStringLiteral("Anello aperto: vo finale"), sci(f.openFinal) + QStringLiteral(" V"),
         f.openFinal},
        {"ScostamentoAnelloAperto", QStringLiteral("Anello aperto: scostamento"), sci(f.openDeviation) + QStringLiteral(" V"),
         f.openDeviation},
        {"ScostamentoPrevisione", QStringLiteral("Previsione lineare: scostamento"),
         QStringLiteral("%1 V a %2 periodi").arg(sci(f.linearDeviation), fixed(f.linearDeviationAt)), f.linearDeviation},
    };
}

} // namespace

Scales scalesOf(const ControlView& view)
{
    Scales s;
    const Range v = voltageReached(view);
    s.voltage = StartupPlot::rangeOf(v.bottom, v.top);
    const Range d = dutyReached(view);
    s.duty = StartupPlot::rangeOf(d.bottom, d.top);
    s.tickPeriods = StartupPlot::roundUp(double(totalOf(view)) / kTicks);
    return s;
}

double xOfPeriods(const ControlView& view, double t)
{
    const auto columns = double(columnsOf(view));
    if (columns < 2 || totalOf(view) < 1)
        return 0;
    return t / double(totalOf(view)) * columns * 100 / (columns - 1);
}

std::int64_t periodAt(const ControlView& view, double x)
{
    const std::size_t w = columnsOf(view);
    if (!(x >= 0 && x <= 100) || w < 2)
        return 0;
    const double column = std::round(x / 100 * double(w - 1));
    const auto p = std::int64_t((column + 0.5) * double(totalOf(view)) / double(w));
    return std::clamp<std::int64_t>(p, 0, totalOf(view) - 1) + 1;
}

std::vector<double> tickOffsets(const ControlView& view, const Scales& s)
{
    std::vector<double> ticks;
    const auto first = std::int64_t(std::ceil(-double(view.request.before) / s.tickPeriods - 1e-9));
    for (std::int64_t k = first; double(k) * s.tickPeriods <= double(view.request.after) * (1 + 1e-9); ++k)
        ticks.push_back(double(k) * s.tickPeriods);
    return ticks;
}

void draw(const ControlView& view, PlotSurface& surface)
{
    if (columnsOf(view) < 2 || view.run.periods.empty())
        return;
    const Scales s = scalesOf(view);
    drawBackground(view, s, surface);
    drawEnvelope(view, s, surface);
    drawMarks(view, s, surface);
    SeriesLines voltage(view, kVoltageBand, s.voltage);
    surface.drawLines(kOpenColour, voltage.of(&LoopPeriod::openMean));
    surface.drawLines(kPredictedColour, voltage.of(&LoopPeriod::predicted));
    SeriesLines duty(view, kDutyBand, s.duty);
    surface.drawLines(kDutyColour, duty.of(&LoopPeriod::duty));
}

QString readout(const ControlView& view, double x)
{
    const std::int64_t period = periodAt(view, x);
    if (period < 1 || std::size_t(period) > view.run.periods.size())
        return {};
    const LoopPeriod& p = view.run.periods[std::size_t(period - 1)];
    return QStringLiteral("%1 ; vo medio = %2 V ; D = %3 %")
        .arg(periodText(view, period), sci(p.closedMean), fixed(p.duty * 100));
}

std::vector<FigureRow> figureRows(const ControlView& view)
{
    std::vector<FigureRow> rows = designRows(view);
    for (std::vector<FigureRow> more : {loopRows(view), stepRows(view)})
        rows.insert(rows.end(), more.begin(), more.end());
    return rows;
}

BodePlot::Chart loopChart(const ControlView& view)
{
    BodePlot::Chart c;
    c.axis = BodePlot::switchingAxis(view.model.run.Freq);
    const LoopBode& b = view.bode;
    const SmallSignal model = view.model;
    const Compensator gc = view.gc;
    const auto db = [](std::complex<double> g) { return 20 * std::log10(std::abs(g)); };
    c.curves = {
        {QStringLiteral("T"), QStringLiteral("dB"), QStringLiteral("nero"), kLoopColour, b.frequencies, b.loop,
         [model, gc, db](double f) { return BodeValue{db(loopGain(model, gc, f)), loopGainPhaseDeg(model, gc, f)}; }},
        {QStringLiteral("Gc"), QStringLiteral("dB"), QStringLiteral("verde"), kCompensatorColour, b.frequencies,
         b.compensator, [gc, db](double f) { return BodeValue{db(gc.atHz(f)), gc.phaseDeg(f)}; }},
        {QStringLiteral("Gvd"), QStringLiteral("dB"), QStringLiteral("blu"), kConverterColour, b.frequencies, b.converter,
         [model](double f) { return BodeValue{model.Gvd.magnitudeDb(f), model.Gvd.phaseDeg(f)}; }},
    };
    for (const Crossover& x : view.loop.crossovers) {
        c.marks.push_back({x.fHz, kCrossoverColour,
                           QStringLiteral("PM %1°").arg(withLocalePoint(QString::number(x.pmDeg, 'f', 0))),
                           QStringLiteral("incrocio di |T| con 1: %1 Hz, PM = %2").arg(sci(x.fHz), degrees(x.pmDeg))});
    }
    for (const GainMargin& m : view.loop.margins) {
        c.marks.push_back({m.fHz, kMarginColour,
                           QStringLiteral("GM %1 dB").arg(withLocalePoint(QString::number(m.gmDb, 'f', 1))),
                           QStringLiteral("margine di guadagno: %1 dB a %2 Hz").arg(fixed(m.gmDb), sci(m.fHz))});
    }
    c.levels.push_back({false, 0, kLoopColour});
    double lowest = -180;
    for (const BodeValue& v : b.loop)
        lowest = std::min(lowest, v.phaseDeg);
    for (double level = -180; level >= lowest; level -= 360)
        c.levels.push_back({true, level, kLoopColour});
    return c;
}

QStringList bodeLegendTexts()
{
    return {QStringLiteral("T = Gc·Gvd·e^(−s·td), guadagno d'anello"), QStringLiteral("Gc, compensatore"),
            QStringLiteral("Gvd, convertitore")};
}

QString crossingsNote(const ControlView& view)
{
    const std::size_t n = view.loop.crossovers.size();
    if (n < 2)
        return {};
    return QStringLiteral("|T| attraversa 1 (0 dB) %1 volte: il margine di fase all'incrocio di progetto fc = %2 Hz "
                          "non dice tutto, conta anche quello degli altri incroci.")
        .arg(n)
        .arg(sci(view.gc.fcHz));
}

QString reachNote(const ControlView& view)
{
    if (view.run.figures.reachable)
        return {};
    Model::SimulatedRun after = view.model.run;
    after.RL = view.request.RL2, after.Vi = view.request.Vi2;
    const std::optional<GainMaximum> highest = gainMaximum(after, view.model.parts);
    const double most = highest ? highest->gain * view.request.Vi2 : 0;
    return QStringLiteral("Con il carico e l'ingresso dopo il gradino il convertitore non raggiunge Vref = %1 V: il "
                          "modello medio dà al più %2 V. L'anello si blocca a Dmax, oltre il massimo del guadagno, dove "
                          "più duty dà meno tensione.")
        .arg(sci(view.request.Vref), sci(most));
}

QString ditherNote(const ControlView& view)
{
    if (!view.run.figures.dithers)
        return {};
    return QStringLiteral("A regime il duty oscilla tra due passi vicini: la sua risoluzione è 1/N = %1\u00a0%, quella di "
                          "un PWM digitale.")
        .arg(withLocalePoint(QString::number(100.0 / view.model.run.N, 'g', 3)));
}

QString designNote(const ControlView& view)
{
    return view.gc.integratorAlone ? integratorAloneNote() : QString();
}

QString stepText(const ControlView& view)
{
    const LoopRunRequest& r = view.request;
    // "RL da 1,67E+01 a 8,34E+00 Ω", or "RL invariata, 1,67E+01 Ω".
    const auto change = [](const char* what, double from, double to, const char* unit) {
        const QString name = QString::fromLatin1(what), u = QString::fromUtf8(unit);
        if (from == to)
            return QStringLiteral("%1 invariata, %2 %3").arg(name, sci(from), u);
        return QStringLiteral("%1 da %2 a %3 %4").arg(name, sci(from), sci(to), u);
    };
    return QStringLiteral("Gradino dopo il periodo %1 (poi %2 periodi): %3, %4; Vref = %5 V.")
        .arg(r.before)
        .arg(r.after)
        .arg(change("RL", view.model.run.RL, r.RL2, "Ω"), change("Vi", view.model.run.Vi, r.Vi2, "V"), sci(r.Vref));
}

QStringList legendTexts()
{
    return {QStringLiteral("vo ad anello chiuso (campioni)"), QStringLiteral("vo medio ad anello aperto"),
            QStringLiteral("previsione lineare (modello medio)"), QStringLiteral("Vref e la fascia ±1 %"),
            QStringLiteral("istante del gradino"), QStringLiteral("duty a ogni periodo")};
}

QString description(const ControlView& view)
{
    const Scales s = scalesOf(view);
    QString text = QStringLiteral("Risposta al gradino nel tempo, in periodi dal gradino, da %1 a %2. In alto la tensione "
                                  "in uscita, scala da %3 a %4 V: in blu ad anello chiuso, in arancio ad anello aperto, "
                                  "in verde la previsione lineare, in rosso scuro Vref con la fascia ±1 %. In basso il "
                                  "duty, in rosso, scala da %5 a %6 %. ")
                       .arg(-view.request.before)
                       .arg(view.request.after)
                       .arg(sci(s.voltage.bottom), sci(s.voltage.top), fixed(s.duty.bottom * 100), fixed(s.duty.top * 100));
    text += stepText(view);
    for (const FigureRow& row : figureRows(view))
        text += QStringLiteral(" %1: %2.").arg(row.name, row.text);
    return text;
}

} // namespace LoopPlot
