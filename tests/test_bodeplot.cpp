// The Bode plot without a window: the logarithmic axis and its decade labels, the
// round scales, where the marks' labels go, the curves kept within their bands, the
// pointer's reading against the averaged model written out from the phases' table, and
// the marks and dots of the dynamics' chart.
#include "averaged.h"
#include "plot/bodeplot.h"
#include "plot/dynamicsplot.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <numbers>

namespace {

using namespace averaged;

struct Recorder : PlotSurface {
    std::vector<std::pair<Rgb, PlotLine>> lines;
    void clear() override { lines.clear(); }
    QSize pixelSize() const override { return {590, 450}; }
    void drawLines(Rgb colour, std::span<const PlotLine> drawn) override
    {
        for (const PlotLine& l : drawn)
            lines.emplace_back(colour, l);
    }
};

// The numbers of a readout, in the order written ("," as the decimal separator).
std::vector<double> numbersIn(const QString& text)
{
    std::vector<double> numbers;
    const QRegularExpression number(QStringLiteral("-?\\d+,\\d+(E[+-]\\d+)?"));
    for (auto it = number.globalMatch(text); it.hasNext();)
        numbers.push_back(it.next().captured().replace(u',', u'.').toDouble());
    return numbers;
}

// The worked example's averaged Gvd as a curve, from the model's own functions.
BodePlot::Curve gvdCurve(const TransferFunction& g, double freq)
{
    BodePlot::Curve curve{QStringLiteral("Gvd"), QStringLiteral("dB"), QStringLiteral("blu"), Colours::kBlue, {}, {}, {}};
    for (int i = 0; i < kBodePoints; ++i) {
        const double f = bodeFrequency(freq, i);
        curve.frequencies.push_back(f);
        curve.values.push_back({g.magnitudeDb(f), g.phaseDeg(f)});
    }
    curve.at = [g](double f) { return BodeValue{g.magnitudeDb(f), g.phaseDeg(f)}; };
    return curve;
}

} // namespace

Q_DECLARE_METATYPE(BodePlot::Range)
Q_DECLARE_METATYPE(Parasitics)

class TestBodePlot : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Plot x is the share of the axis's decades below f; the ends fall on 0 and 100.
    void axis_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<double>("f");
        QTest::addColumn<double>("x");
        const double worked = 100 / std::log10(500.0); // 80 Hz … 40 kHz: 2.699 decades
        QTest::newRow("left end, f/1000") << 80.0 << 40e3 << 80.0 << 0.0;
        QTest::newRow("right end, f/2") << 80.0 << 40e3 << 40e3 << 100.0;
        QTest::newRow("a decade up from the left") << 80.0 << 40e3 << 800.0 << worked;
        QTest::newRow("geometric middle") << 80.0 << 40e3 << std::sqrt(80 * 40e3) << 50.0;
        QTest::newRow("1 kHz") << 80.0 << 40e3 << 1e3 << worked * std::log10(12.5);
        QTest::newRow("below the axis, negative") << 80.0 << 40e3 << 8.0 << -worked;
        QTest::newRow("three decades exactly") << 1.0 << 1e3 << 10.0 << 100.0 / 3;
    }
    void axis()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(double, f);
        QFETCH(double, x);
        const BodePlot::Axis axis{from, to};
        // A few ulps of the logarithms' rounding.
        QVERIFY2(std::fabs(BodePlot::xOfFrequency(axis, f) - x) <= 1e-12 * 100, qPrintable(QString::number(BodePlot::xOfFrequency(axis, f), 'g', 17)));
        QVERIFY(std::fabs(BodePlot::frequencyAt(axis, x) - f) <= 1e-12 * f);
    }

    // The grid of f/1000 … f/2: every m·10^n within the axis, the decades labelled in Hz,
    // kHz or MHz with the student's decimal separator.
    void decades_data()
    {
        QTest::addColumn<double>("freq");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QStringList>("labels");
        // 80, 90; 100 … 900; 1 k … 9 k; 10 k … 40 k.
        QTest::newRow("worked example, 80 kHz") << 80e3 << 24 << QStringList{"100 Hz", "1 kHz", "10 kHz"};
        // 200 … 900; 1 k … 9 k; 10 k … 90 k; 100 k.
        QTest::newRow("nine volts at 200 kHz") << 200e3 << 27 << QStringList{"1 kHz", "10 kHz", "100 kHz"};
        QTest::newRow("a megahertz converter") << 4e6 << 26 << QStringList{"10 kHz", "100 kHz", "1 MHz"};
        QTest::newRow("slow, decimals below 1 Hz") << 50.0 << 25 << QStringList{"0,1 Hz", "1 Hz", "10 Hz"};
        QTest::newRow("exactly on decades") << 2e3 << 27 << QStringList{"10 Hz", "100 Hz", "1 kHz"};
    }
    void decades()
    {
        QFETCH(double, freq);
        QFETCH(int, lines);
        QFETCH(QStringList, labels);
        const BodePlot::Axis axis = BodePlot::switchingAxis(freq);
        const auto ticks = BodePlot::frequencyTicks(axis);
        QCOMPARE(int(ticks.size()), lines);
        QStringList decades;
        double previous = -1;
        for (const BodePlot::FrequencyTick& t : ticks) {
            QVERIFY(t.x > previous && t.x >= -1e-9 && t.x <= 100 + 1e-9);
            previous = t.x;
            if (t.decade)
                decades << BodePlot::decadeText(t.fHz);
        }
        QCOMPARE(decades, labels);
    }

    // Round steps, whole multiples of the step at both ends, at most six of them.
    void ranges_data()
    {
        QTest::addColumn<bool>("phase");
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");
        QTest::addColumn<BodePlot::Range>("range");
        QTest::newRow("Gvd of the worked example") << false << -7.3 << 32.1 << BodePlot::Range{-10, 40, 10};
        QTest::newRow("a high resonance peak") << false << -60.0 << 45.0 << BodePlot::Range{-60, 60, 20};
        QTest::newRow("a flat response") << false << 3.2 << 3.4 << BodePlot::Range{3, 4, 1};
        QTest::newRow("a value on a line") << false << 0.0 << 0.0 << BodePlot::Range{0, 1, 1};
        QTest::newRow("no finite value") << false << double(INFINITY) << -double(INFINITY) << BodePlot::Range{-20, 20, 10};
        QTest::newRow("Gvd's phase, RHP zero and pole pair") << true << -265.0 << -0.5 << BodePlot::Range{-270, 0, 45};
        QTest::newRow("a small phase") << true << -10.0 << 5.0 << BodePlot::Range{-15, 15, 15};
        QTest::newRow("Zout's phase, both signs") << true << -88.0 << 89.0 << BodePlot::Range{-90, 90, 30};
        QTest::newRow("a loop gain over many turns") << true << -900.0 << -90.0 << BodePlot::Range{-900, 0, 180};
    }
    void ranges()
    {
        QFETCH(bool, phase);
        QFETCH(double, lowest);
        QFETCH(double, highest);
        QFETCH(BodePlot::Range, range);
        const BodePlot::Range got = phase ? BodePlot::phaseRange(lowest, highest) : BodePlot::magnitudeRange(lowest, highest);
        QVERIFY2(got == range, qPrintable(QString("%1 %2 %3").arg(got.bottom).arg(got.top).arg(got.step)));
    }

    // Labels centred on their marks go up a row only where they would run into one.
    void labelRows_data()
    {
        QTest::addColumn<std::vector<double>>("frequencies");
        QTest::addColumn<std::vector<int>>("rows");
        // On 1 Hz … 1 kHz, 10 plot units wide each: x = 100·log10(f)/3.
        QTest::newRow("far apart, one row") << std::vector{2.0, 20.0, 200.0} << std::vector{0, 0, 0};
        QTest::newRow("two close, the second above") << std::vector{10.0, 12.0, 500.0} << std::vector{0, 1, 0};
        QTest::newRow("three close, three rows") << std::vector{100.0, 110.0, 120.0} << std::vector{0, 1, 2};
        QTest::newRow("unsorted, the left one first") << std::vector{12.0, 10.0} << std::vector{1, 0};
        QTest::newRow("outside the axis, no row") << std::vector{5e3, 100.0} << std::vector{-1, 0};
        QTest::newRow("at the right end, kept inside") << std::vector{1e3, 900.0} << std::vector{1, 0};
    }
    void labelRows()
    {
        QFETCH(std::vector<double>, frequencies);
        QFETCH(std::vector<int>, rows);
        BodePlot::Chart chart;
        chart.axis = {1, 1e3};
        for (const double f : frequencies)
            chart.marks.push_back({f, Colours::kRed, QStringLiteral("m"), {}});
        QCOMPARE(BodePlot::labelRows(chart, std::vector<double>(frequencies.size(), 10.0)), rows);
    }

    // The pointer reads the averaged Gvd at its own frequency, between the curves'
    // samples: at the lossless resonance ω0 = D'/√(LC) the denominator is j·ω0·τ with
    // τ = L/(D'²·RL), so |Gvd| = (Vi/D'²)·√(1 + (ω0·τ)²)/(ω0·τ) and its phase is
    // −atan(ω0·τ) − 90°; and elsewhere against the 2×2 system of the phases' table with
    // the typical parts.  A measured dot within a plot unit is read beside it.
    void readout_data()
    {
        QTest::addColumn<bool>("lossless");
        QTest::addColumn<double>("x");
        QTest::newRow("at the lossless resonance") << true << -1.0;
        QTest::newRow("typical parts, a third across") << false << 100.0 / 3;
        QTest::newRow("typical parts, near f/2") << false << 99.5;
    }
    void readout()
    {
        QFETCH(bool, lossless);
        QFETCH(double, x);
        const Model::SimulatedRun& r = kWorked;
        const Parasitics p = lossless ? Parasitics{} : kTypical;
        const SmallSignal model = std::get<SmallSignal>(smallSignal(r, p));
        BodePlot::Chart chart;
        chart.axis = BodePlot::switchingAxis(r.Freq);
        chart.curves.push_back(gvdCurve(model.Gvd, r.Freq));
        const double Dp = 1 - r.D, w0 = Dp / std::sqrt(r.L * r.C), tau = r.L / (Dp * Dp * r.RL);
        if (x < 0)
            x = BodePlot::xOfFrequency(chart.axis, w0 / (2 * std::numbers::pi));
        const double f = BodePlot::frequencyAt(chart.axis, x);
        double dB = 0, deg = 0;
        if (lossless) {
            dB = 20 * std::log10(r.Vi / (Dp * Dp) * std::sqrt(1 + w0 * tau * w0 * tau) / (w0 * tau));
            deg = -std::atan(w0 * tau) * 180 / std::numbers::pi - 90;
        } else {
            const cplx g = atHz(fromTable(r, p), f, fromTable(r, p).duty);
            dB = 20 * std::log10(std::abs(g));
            deg = std::arg(g) * 180 / std::numbers::pi; // the principal value: compared modulo 360° below
        }
        chart.dots.push_back({f * 1.001, {dB + 1, deg - 1}, Colours::kRed, QStringLiteral("misurato a f/k")});
        const QString text = BodePlot::readout(chart, x);
        const std::vector<double> n = numbersIn(text);
        QVERIFY2(n.size() == 5 && text.contains(" ; Gvd: ") && text.contains(" ; misurato a f/k: "), qPrintable(text));
        // The readout's own rounding: three digits of f, two decimals of dB and degrees.
        QVERIFY2(std::fabs(n[0] - f) <= 0.005 * f, qPrintable(text));
        QVERIFY2(std::fabs(n[1] - dB) <= 0.005 + 1e-9 && std::fabs(wrapped(n[2] - deg)) <= 0.005 + 1e-9, qPrintable(text));
        QVERIFY(std::fabs(n[3] - (dB + 1)) <= 0.005 + 1e-9);
        QVERIFY(BodePlot::readout(chart, x - 2).count(" ; ") == 1); // the dot is two units away
        QVERIFY(BodePlot::readout(chart, 100.5).isEmpty());
    }

    // The dynamics' marks in the legend: f0, fz_RHP, fz_ESR only with an ESR, f/2; a zero
    // beyond f/2 is said to lie outside the plot.  A light load at 20 kHz puts fz_RHP =
    // D'²·RL/(2π·L) = 0.64·100/(2π·500 µH) = 20.4 kHz beyond f/2 = 10 kHz, still in
    // continuous conduction (IL = 0.19 A above ΔiL/2 = 0.12 A).  Only Gvd carries the
    // measured dots.
    void dynamicsMarks_data()
    {
        QTest::addColumn<Model::SimulatedRun>("run");
        QTest::addColumn<Parasitics>("parts");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("outside"); // the label of the mark said to be outside, or none
        QTest::newRow("worked example, the bench's parts") << kWorked << kTypical
            << QStringList{"f0", "fz,RHP", "fz,ESR", "f/2"} << QString();
        Parasitics noEsr = kTypical;
        noEsr.rC = 0;
        QTest::newRow("no ESR, no ESR zero") << kWorked << noEsr << QStringList{"f0", "fz,RHP", "f/2"} << QString();
        QTest::newRow("a light load, the RHP zero beyond f/2") << converter(12, 0.2, 20e3, 500e-6, 100e-6, 100)
            << Parasitics{} << QStringList{"f0", "fz,RHP", "f/2"} << "fz,RHP";
    }
    void dynamicsMarks()
    {
        QFETCH(Model::SimulatedRun, run);
        QFETCH(Parasitics, parts);
        QFETCH(QStringList, labels);
        QFETCH(QString, outside);
        DynamicsView view;
        view.model = std::get<SmallSignal>(smallSignal(run, parts));
        view.curves = bodeCurves(view.model);
        view.marks = bodeMarks(view.model);
        view.points.push_back({run.Freq / 100, 100, 30, -10, std::complex<double>(1, 0), 31.5, -12});
        const BodePlot::Chart gvd = DynamicsPlot::chart(view, DynamicsPlot::Function::Gvd);
        QStringList got;
        for (const BodePlot::Mark& mark : gvd.marks) {
            got << mark.label;
            QCOMPARE(mark.legend.endsWith("(fuori dal grafico)"), mark.label == outside);
        }
        QCOMPARE(got, labels);
        QCOMPARE(int(gvd.dots.size()), 1);
        // The dot is what the switching model measured, beside the averaged curve.
        QVERIFY(gvd.dots[0].value.magnitudeDb == 31.5 && gvd.dots[0].value.phaseDeg == -12);
        QVERIFY(DynamicsPlot::chart(view, DynamicsPlot::Function::Zout).dots.empty());
        QCOMPARE(DynamicsPlot::chart(view, DynamicsPlot::Function::Zout).curves.front().unit, QString("dBΩ"));
    }

    // Every line of a curve stays within its band (the scales hold the curve), every dot
    // is drawn at both of its heights, and a mark beyond the axis draws nothing.
    void drawing()
    {
        const SmallSignal model = std::get<SmallSignal>(smallSignal(kHighQ, kTypical));
        BodePlot::Chart chart;
        chart.axis = BodePlot::switchingAxis(kHighQ.Freq);
        chart.curves.push_back(gvdCurve(model.Gvd, kHighQ.Freq));
        chart.marks.push_back({kHighQ.Freq, Colours::kMagenta, QStringLiteral("f"), {}});
        chart.marks.push_back({model.f0, Colours::kGreen, QStringLiteral("f0"), {}});
        chart.dots.push_back({kHighQ.Freq / 100, {0, -90}, Colours::kRed, {}});
        Recorder surface;
        BodePlot::draw(chart, surface);
        int curve = 0, inPhase = 0, dot = 0, mark = 0, beyond = 0;
        const auto within = [](const PlotLine& l, const BodePlot::Band& b) {
            return std::min(l.y1, l.y2) >= b.bottom - 1e-4 && std::max(l.y1, l.y2) <= b.bottom + b.height + 1e-4;
        };
        for (const auto& [colour, l] : surface.lines) {
            if (colour == Colours::kBlue) {
                ++curve;
                QVERIFY(l.x1 >= 0 && l.x2 <= 100 && (within(l, BodePlot::kMagnitudeBand) || within(l, BodePlot::kPhaseBand)));
                inPhase += within(l, BodePlot::kPhaseBand);
            }
            dot += colour == Colours::kRed;
            mark += colour == Colours::kGreen;
            beyond += colour == Colours::kMagenta;
        }
        QCOMPARE(curve, 2 * (kBodePoints - 1));
        QCOMPARE(inPhase, kBodePoints - 1); // the magnitude in its band, the phase in its own
        QCOMPARE(dot, 2 * 8); // a chord per pixel row of a 3.5-pixel radius, twice
        QVERIFY(mark > 10 && beyond == 0);
    }
};

QTEST_MAIN(TestBodePlot)
#include "test_bodeplot.moc"
