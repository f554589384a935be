#include "bodeplot.h"

#include "app/numbers.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace BodePlot {

namespace {

constexpr Rgb kMinorGridColour{236, 236, 236};
constexpr Rgb kGridColour{205, 205, 205};
constexpr Rgb kFrameColour{110, 110, 110};
// Dashes of the marks and the dots' radius, in device pixels.
constexpr double kDash = 5, kGap = 4, kDotRadius = 3.5;
// A surface that does not tell its size is taken to be as large as the window's plot.
constexpr int kAssumedWidth = 590, kAssumedHeight = 450;
// Candidate steps of the scales, and how many steps a scale may take at most.
constexpr double kMagnitudeSteps[] = {1, 2, 5, 10, 20, 40, 50, 100, 200, 500, 1000};
constexpr double kPhaseSteps[] = {15, 30, 45, 90, 180, 360, 720};
constexpr int kMostSteps = 6;
// A frequency on a grid line or at an end of the axis, within rounding (relative).
constexpr double kOnLine = 1e-9;
// The readout names a dot within this many plot units of the pointer.
constexpr double kDotReach = 1;

QString fixed(double value)
{
    return FormatNumber(value, NumberPattern::Fixed2);
}

QString sci(double value)
{
    return FormatNumber(value, NumberPattern::Sci2);
}

// Plot units per device pixel, across and up.
struct PlotPixel {
    double across = 0, up = 0;
};
PlotPixel plotPixelOf(const PlotSurface& surface)
{
    const QSize size = surface.pixelSize();
    const double w = size.width() > 1 ? size.width() : kAssumedWidth;
    const double h = size.height() > 1 ? size.height() : kAssumedHeight;
    return {100 / (w - 1), 100 / (h - 1)};
}

Range rangeOf(double lowest, double highest, std::span<const double> steps, Range none)
{
    if (!std::isfinite(lowest) || !std::isfinite(highest) || lowest > highest)
        return none;
    for (const double step : steps) {
        const double bottom = std::floor(lowest / step) * step;
        double top = std::ceil(highest / step) * step;
        if (top <= bottom)
            top = bottom + step;
        if (std::lround((top - bottom) / step) <= kMostSteps || step == steps.back())
            return {bottom, top, step};
    }
    return none;
}

// A scale line's value with as many decimals as the step has (none for whole steps).
QString stepText(double value, const Range& range)
{
    const int decimals = range.step == std::floor(range.step) ? 0 : 1;
    if (std::fabs(value) < range.step * 1e-9)
        value = 0; // no "-0"
    return withLocalePoint(QString::number(value, 'f', decimals));
}

struct Extremes {
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    void add(double v)
    {
        if (std::isfinite(v)) {
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    }
};

void drawGrid(const Chart& chart, const Scales& s, PlotSurface& surface)
{
    std::vector<PlotLine> minor, grid;
    for (const Band band : {kMagnitudeBand, kPhaseBand}) {
        const auto bottom = float(band.bottom), top = float(band.bottom + band.height);
        for (const FrequencyTick& tick : frequencyTicks(chart.axis))
            (tick.decade ? grid : minor).push_back({float(tick.x), bottom, float(tick.x), top});
    }
    for (const double dB : rangeSteps(s.magnitude)) {
        const auto y = float(yOfMagnitude(s, dB));
        grid.push_back({0, y, 100, y});
    }
    for (const double deg : rangeSteps(s.phase)) {
        const auto y = float(yOfPhase(s, deg));
        grid.push_back({0, y, 100, y});
    }
    surface.drawLines(kMinorGridColour, minor);
    surface.drawLines(kGridColour, grid);
    std::vector<PlotLine> frames;
    for (const Band band : {kMagnitudeBand, kPhaseBand}) {
        const auto bottom = float(band.bottom), top = float(band.bottom + band.height);
        frames.insert(frames.end(), {{0, bottom, 100, bottom}, {100, bottom, 100, top}, {100, top, 0, top}, {0, top, 0, bottom}});
    }
    surface.drawLines(kFrameColour, frames);
}

void drawLevels(const Chart& chart, const Scales& s, PlotSurface& surface)
{
    for (const Level& level : chart.levels) {
        const auto y = float(level.phase ? yOfPhase(s, level.value) : yOfMagnitude(s, level.value));
        const PlotLine line{0, y, 100, y};
        surface.drawLines(level.colour, {&line, 1});
    }
}

void drawMarks(const Chart& chart, const PlotPixel& px, PlotSurface& surface)
{
    const double dash = kDash * px.up, period = (kDash + kGap) * px.up;
    for (const Mark& mark : chart.marks) {
        if (!withinAxis(chart.axis, mark.fHz))
            continue;
        const auto x = float(xOfFrequency(chart.axis, mark.fHz));
        std::vector<PlotLine> dashes;
        for (const Band band : {kMagnitudeBand, kPhaseBand}) {
            const double top = band.bottom + band.height;
            for (double y = top; y > band.bottom; y -= period)
                dashes.push_back({x, float(y), x, float(std::max(y - dash, band.bottom))});
        }
        surface.drawLines(mark.colour, dashes);
    }
}

void drawCurve(const Chart& chart, const Curve& curve, const Scales& s, PlotSurface& surface)
{
    std::vector<PlotLine> magnitude, phase;
    const std::size_t n = std::min(curve.frequencies.size(), curve.values.size());
    for (std::size_t i = 1; i < n; ++i) {
        const double f1 = curve.frequencies[i - 1], f2 = curve.frequencies[i];
        if (!withinAxis(chart.axis, f1) || !withinAxis(chart.axis, f2))
            continue;
        const auto x1 = float(xOfFrequency(chart.axis, f1)), x2 = float(xOfFrequency(chart.axis, f2));
        const BodeValue& a = curve.values[i - 1];
        const BodeValue& b = curve.values[i];
        if (std::isfinite(a.magnitudeDb) && std::isfinite(b.magnitudeDb))
            magnitude.push_back({x1, float(yOfMagnitude(s, a.magnitudeDb)), x2, float(yOfMagnitude(s, b.magnitudeDb))});
        if (std::isfinite(a.phaseDeg) && std::isfinite(b.phaseDeg))
            phase.push_back({x1, float(yOfPhase(s, a.phaseDeg)), x2, float(yOfPhase(s, b.phaseDeg))});
    }
    surface.drawLines(curve.colour, magnitude);
    surface.drawLines(curve.colour, phase);
}

// A filled dot: one horizontal chord per pixel row of the disc.
void addDot(std::vector<PlotLine>& lines, double x, double y, const PlotPixel& px)
{
    if (!std::isfinite(y))
        return;
    for (double row = -kDotRadius; row <= kDotRadius; row += 1) {
        const double half = std::sqrt(kDotRadius * kDotRadius - row * row) * px.across;
        const auto fy = float(y + row * px.up);
        lines.push_back({float(x - half), fy, float(x + half), fy});
    }
}

void drawDots(const Chart& chart, const Scales& s, const PlotPixel& px, PlotSurface& surface)
{
    for (const Dot& dot : chart.dots) {
        if (!withinAxis(chart.axis, dot.fHz))
            continue;
        const double x = xOfFrequency(chart.axis, dot.fHz);
        std::vector<PlotLine> disc;
        addDot(disc, x, yOfMagnitude(s, dot.value.magnitudeDb), px);
        addDot(disc, x, yOfPhase(s, dot.value.phaseDeg), px);
        surface.drawLines(dot.colour, disc);
    }
}

QString magnitudeUnit(const Chart& chart)
{
    return chart.curves.empty() ? QStringLiteral("dB") : chart.curves.front().unit;
}

// The dot nearest plot x within reach, if any.
const Dot* dotNear(const Chart& chart, double x)
{
    const Dot* nearest = nullptr;
    double distance = kDotReach;
    for (const Dot& dot : chart.dots) {
        const double d = std::fabs(xOfFrequency(chart.axis, dot.fHz) - x);
        if (d <= distance) {
            distance = d;
            nearest = &dot;
        }
    }
    return nearest;
}

} // namespace

Axis switchingAxis(double freqHz)
{
    return {freqHz / 1000, freqHz / 2};
}

double xOfFrequency(const Axis& axis, double fHz)
{
    return 100 * std::log(fHz / axis.fromHz) / std::log(axis.toHz / axis.fromHz);
}

double frequencyAt(const Axis& axis, double x)
{
    return axis.fromHz * std::pow(axis.toHz / axis.fromHz, x / 100);
}

bool withinAxis(const Axis& axis, double fHz)
{
    return fHz >= axis.fromHz * (1 - kOnLine) && fHz <= axis.toHz * (1 + kOnLine);
}

std::vector<FrequencyTick> frequencyTicks(const Axis& axis)
{
    std::vector<FrequencyTick> ticks;
    if (!(axis.fromHz > 0) || !(axis.toHz > axis.fromHz) || !std::isfinite(axis.toHz))
        return ticks;
    const int first = int(std::floor(std::log10(axis.fromHz))), last = int(std::ceil(std::log10(axis.toHz)));
    for (int n = first; n <= last; ++n) {
        const double decade = std::pow(10.0, n);
        for (int m = 1; m <= 9; ++m) {
            const double f = m * decade;
            if (withinAxis(axis, f))
                ticks.push_back({f, xOfFrequency(axis, f), m == 1});
        }
    }
    return ticks;
}

QString decadeText(double fHz)
{
    const auto text = [](double value, const char* unit) {
        return withLocalePoint(QString::fromLatin1(shortestText(value))) + u' ' + QLatin1String(unit);
    };
    if (fHz >= 1e6 * (1 - kOnLine))
        return text(fHz / 1e6, "MHz");
    if (fHz >= 1e3 * (1 - kOnLine))
        return text(fHz / 1e3, "kHz");
    return text(fHz, "Hz");
}

Range magnitudeRange(double lowest, double highest)
{
    return rangeOf(lowest, highest, kMagnitudeSteps, {-20, 20, 10});
}

Range phaseRange(double lowest, double highest)
{
    return rangeOf(lowest, highest, kPhaseSteps, {-180, 0, 45});
}

std::vector<double> rangeSteps(const Range& range)
{
    std::vector<double> values;
    const long n = std::lround((range.top - range.bottom) / range.step);
    for (long i = 0; i <= n; ++i)
        values.push_back(range.bottom + double(i) * range.step);
    return values;
}

double yOfMagnitude(const Scales& scales, double dB)
{
    const Range& r = scales.magnitude;
    return kMagnitudeBand.bottom + kMagnitudeBand.height * (dB - r.bottom) / (r.top - r.bottom);
}

double yOfPhase(const Scales& scales, double deg)
{
    const Range& r = scales.phase;
    return kPhaseBand.bottom + kPhaseBand.height * (deg - r.bottom) / (r.top - r.bottom);
}

QString magnitudeText(double dB, const Range& range, const QString& unit)
{
    return stepText(dB, range) + u' ' + unit;
}

QString phaseText(double deg, const Range& range)
{
    return stepText(deg, range) + QStringLiteral("°");
}

Scales scalesOf(const Chart& chart)
{
    Extremes magnitude, phase;
    for (const Curve& curve : chart.curves) {
        const std::size_t n = std::min(curve.frequencies.size(), curve.values.size());
        for (std::size_t i = 0; i < n; ++i) {
            if (withinAxis(chart.axis, curve.frequencies[i])) {
                magnitude.add(curve.values[i].magnitudeDb);
                phase.add(curve.values[i].phaseDeg);
            }
        }
    }
    for (const Dot& dot : chart.dots) {
        if (withinAxis(chart.axis, dot.fHz)) {
            magnitude.add(dot.value.magnitudeDb);
            phase.add(dot.value.phaseDeg);
        }
    }
    for (const Level& level : chart.levels)
        (level.phase ? phase : magnitude).add(level.value);
    return {magnitudeRange(magnitude.lowest, magnitude.highest), phaseRange(phase.lowest, phase.highest)};
}

void draw(const Chart& chart, PlotSurface& surface)
{
    const Scales s = scalesOf(chart);
    const PlotPixel px = plotPixelOf(surface);
    drawGrid(chart, s, surface);
    drawLevels(chart, s, surface);
    drawMarks(chart, px, surface);
    for (const Curve& curve : chart.curves)
        drawCurve(chart, curve, s, surface);
    drawDots(chart, s, px, surface);
}

std::vector<int> labelRows(const Chart& chart, const std::vector<double>& widths)
{
    std::vector<int> rows(chart.marks.size(), -1);
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < chart.marks.size() && i < widths.size(); ++i) {
        if (withinAxis(chart.axis, chart.marks[i].fHz))
            order.push_back(i);
    }
    const auto xOf = [&chart](std::size_t i) { return xOfFrequency(chart.axis, chart.marks[i].fHz); };
    std::stable_sort(order.begin(), order.end(), [&xOf](std::size_t a, std::size_t b) { return xOf(a) < xOf(b); });
    std::vector<double> rowEnds; // the right edge of the last label in each row
    for (const std::size_t i : order) {
        const double left = std::clamp(xOf(i) - widths[i] / 2, 0.0, std::max(0.0, 100 - widths[i]));
        std::size_t row = 0;
        while (row < rowEnds.size() && rowEnds[row] > left)
            ++row;
        if (row == rowEnds.size())
            rowEnds.push_back(0);
        rowEnds[row] = left + widths[i];
        rows[i] = int(row);
    }
    return rows;
}

QString readout(const Chart& chart, double x)
{
    if (!(x >= 0 && x <= 100))
        return {};
    const double f = frequencyAt(chart.axis, x);
    QString text = QStringLiteral("f = %1 Hz").arg(sci(f));
    for (const Curve& curve : chart.curves) {
        if (!curve.at)
            continue;
        const BodeValue v = curve.at(f);
        text += QStringLiteral(" ; %1: %2 %3, %4°").arg(curve.name, fixed(v.magnitudeDb), curve.unit, fixed(v.phaseDeg));
    }
    if (const Dot* dot = dotNear(chart, x))
        text += QStringLiteral(" ; %1: %2 %3, %4°")
                    .arg(dot->label, fixed(dot->value.magnitudeDb), magnitudeUnit(chart), fixed(dot->value.phaseDeg));
    return text;
}

QString description(const Chart& chart)
{
    const Scales s = scalesOf(chart);
    const QString unit = magnitudeUnit(chart);
    QString text = QStringLiteral("Diagramma di Bode su una scala logaritmica delle frequenze da %1 Hz a %2 Hz: in alto il "
                                  "modulo, da %3 a %4, in basso la fase, da %5 a %6.")
                       .arg(sci(chart.axis.fromHz), sci(chart.axis.toHz), magnitudeText(s.magnitude.bottom, s.magnitude, unit),
                            magnitudeText(s.magnitude.top, s.magnitude, unit), phaseText(s.phase.bottom, s.phase),
                            phaseText(s.phase.top, s.phase));
    for (const Curve& curve : chart.curves)
        text += QStringLiteral(" Curva %1: %2.").arg(curve.colourWord, curve.name);
    QStringList marks;
    for (const Mark& mark : chart.marks)
        marks << mark.legend;
    if (!marks.isEmpty())
        text += QStringLiteral(" Linee tratteggiate: ") + marks.join(QStringLiteral("; ")) + u'.';
    if (!chart.dots.empty() && !chart.dotsWords.isEmpty())
        text += u' ' + chart.dotsWords;
    return text;
}

} // namespace BodePlot
