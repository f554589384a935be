// The waveform display: the plot frame and the traces as they reach the surface, the
// drawing reduced to the pixel grid against the drawing of every segment, pointer
// positions and pixels converted into each other over the whole plot, and the cursor
// readout.
#include "app/model.h"
#include "fakes.h"
#include "plot/plot.h"
#include "plot/plotgeometry.h"
#include "plot/rangeextremes.h"
#include "plot/readout.h"
#include "sim/extremes.h"
#include "ui/plotimage.h"
#include "ui/uistyle.h"

#include <QTest>

#include <cmath>
#include <functional>
#include <limits>

namespace {
// In band order: iL, iC, Vo, vL, id.
std::vector<double> Model::* const kWaves[] = {&Model::WaveIL, &Model::WaveIC, &Model::WaveVo, &Model::WaveVL,
                                               &Model::WaveID};

// Draws into a real image but hides its size, so every segment is drawn.
struct EverySegmentImage : PlotSurface {
    PlotImage& image;
    explicit EverySegmentImage(PlotImage& to) : image(to) {}
    void clear() override { image.clear(); }
    QSize pixelSize() const override { return {}; }
    void drawLines(Rgb colour, std::span<const PlotLine> lines) override { image.drawLines(colour, lines); }
};

// One steady period of a boost converter at duty cycle 0.4, N samples (indexes 0..N+1):
// iL a triangle between 2 and 3 A, iC, vL and id square waves, Vo a small triangle
// near 25 V.  `wiggle` adds a ripple of a few samples' period to the currents.
Model boostModel(std::int32_t np, std::int32_t n, double wiggle = 0)
{
    Model m;
    m.NP = np;
    m.N = n;
    for (auto wave : kWaves)
        (m.*wave).assign(std::size_t(n) + 2, 0.0);
    const double on = 0.4 * n;
    for (std::size_t k = 1; k <= std::size_t(n); ++k) {
        const bool closed = k <= on;
        const double s = closed ? k / on : (k - on) / (n - on);
        const double iL = (closed ? 2.0 + s : 3.0 - s) + wiggle * std::sin(2.3 * k);
        m.WaveIL[k] = iL;
        m.WaveIC[k] = closed ? -1.5 : iL - 1.5;
        m.WaveVL[k] = closed ? 15.0 : -10.0;
        m.WaveVo[k] = closed ? 25.03 - 0.06 * s : 24.97 + 0.06 * s;
        m.WaveID[k] = closed ? 0.0 : iL;
    }
    for (auto find : {FindMaxIL, FindMaxIC, FindMaxVo, FindMaxVL})
        find(m);
    return m;
}

// x1 y1 x2 y2 of every line, or only x1 x2.
QList<float> ends(const std::vector<PlotLine>& lines, bool withHeights = true)
{
    QList<float> all;
    for (const PlotLine& l : lines)
        all << (withHeights ? QList<float>{l.x1, l.y1, l.x2, l.y2} : QList<float>{l.x1, l.x2});
    return all;
}
} // namespace

// np periods of four samples; samples 1 and 2 of one band set to `sample` against
// `fullScale`; y of that band's first line.
struct Trace { int np, band; double sample, fullScale; float y; };
// ratio 0: too many segments to draw each, only their count is checked.
struct Reduced { int np, n; double wiggle = 0, ratio = 0; QSize size{997, 605}; };
// The pointer at (x, y) with option `before` selected; then option `after` and the hover
// text (empty: it stays as it was).  mend: a change of the model after the plot was drawn.
struct Move { float x, y; int before, after; const char* text; std::function<void(Model&)> mend = [](Model&) {}; };
Q_DECLARE_METATYPE(Trace)
Q_DECLARE_METATYPE(Reduced)
Q_DECLARE_METATYPE(Move)

class TestPlot : public QObject {
    Q_OBJECT
private slots:
    // The texts are compared as the C locale writes them, whatever the machine's.
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // The frame first: black ticks, twenty down the left edge from the top corner (none at
    // y = 0) and five along the bottom including both corners; then the zero lines, top
    // first.  Then the traces, iL first, id last, each whole: each displayed period shows
    // samples 1..N, with a gap of one sample before it.  A sample lies at y = zero line +
    // span × sample / full scale; a zero full scale keeps the trace on its zero line.
    void frameAndTraces_data()
    {
        QTest::addColumn<Trace>("trace");
        QTest::newRow("one period: iL at its maximum, top of band") << Trace{1, 0, 2.5, 2.5, 98};
        QTest::newRow("two periods, a gap before each") << Trace{2, 0, 2.5, 2.5, 98};
        QTest::newRow("iC at minus its maximum") << Trace{1, 1, -0.75, 0.75, 64};
        QTest::newRow("id scaled by the inductor maximum") << Trace{1, 4, 2.5, 2.5, 9.1f};
        QTest::newRow("switch never opens: Vo maximum zero") << Trace{1, 2, 0, 0, 40};
        QTest::newRow("no inductor current: id on its zero line") << Trace{1, 4, 0, 0, 0.1f};
    }
    void frameAndTraces()
    {
        QFETCH(Trace, trace);
        const auto [np, band, sample, fullScale, y] = trace;
        Model m = boostModel(np, 4);
        double* const scales[] = {&m.MaxIL, &m.MaxIC, &m.MaxVo, &m.MaxVL, &m.MaxIL};
        *scales[band] = fullScale;
        (m.*kWaves[band])[1] = (m.*kWaves[band])[2] = sample;
        FakeForm2 s;
        DrawPlotFrame(s);
        DrawTraces(m, s);
        QCOMPARE(s.draws.size(), std::size_t{11});
        const QList<float> ticks = ends(s.draws[0].lines);
        QVERIFY(s.draws[0].colour == Colours::kBlack && ticks.size() == 25 * 4);
        QCOMPARE(ticks.mid(0, 4), QList<float>({0, 100, 0.2f, 100}));
        QCOMPARE(ticks.mid(19 * 4), QList<float>({0, 5, 0.2f, 5, 0, 0, 0, 0.5f, 25, 0, 25, 0.5f, 50, 0, 50, 0.5f,
                                                  75, 0, 75, 0.5f, 100, 0, 100, 0.5f}));
        const float zeroLines[] = {80, 70, 40, 20, 0.1f};
        const QList<float> xs = np == 1 ? QList<float>{25, 50, 50, 75, 75, 100}
                                        : QList<float>{12.5, 25, 25, 37.5, 37.5, 50, 62.5, 75, 75, 87.5, 87.5, 100};
        for (std::size_t i = 0; i < 5; ++i) {
            QVERIFY(s.draws[i + 1].colour == kPlotBands[i].colour && s.draws[i + 6].colour == kPlotBands[i].colour);
            QCOMPARE(ends(s.draws[i + 1].lines), QList<float>({0, zeroLines[i], 100, zeroLines[i]}));
            QCOMPARE(ends(s.draws[i + 6].lines, false), xs);
        }
        const PlotLine l = s.draws[6 + std::size_t(band)].lines.at(0);
        QVERIFY2(std::fabs(l.y1 - y) <= 1e-5f && l.y2 == l.y1, qPrintable(QString::number(l.y1)));
    }

    // However many samples, the drawing reduced to the pixel grid hands the surface a few
    // lines per column and lights exactly the pixels of every segment drawn, up to the
    // plot's right edge.  Ratio 0: too many segments to draw each, only their count is
    // checked.
    void reduced_data()
    {
        QTest::addColumn<Reduced>("r");
        const auto row = [](const char* theme, const Reduced& r) { QTest::newRow(theme) << r; };
        row("the window's plot, default counts", {10, 1000, 0, 1.0});
        row("fractional screen, sample-to-sample wiggle", {10, 1000, 0.05, 1.25, {1001, 609}});
        row("double-density screen, fewer samples than columns", {2, 120, 0, 2.0});
        row("more periods than columns", {700, 40, 0, 1.0, {400, 300}});
        row("a hundred thousand wiggling samples, hundreds a column", {1, 100000, 0.05, 1.0, {400, 300}});
        row("million periods of three", {1000000, 3});
        row("largest count of periods", {std::numeric_limits<std::int32_t>::max(), 3});
    }
    void reduced()
    {
        QFETCH(Reduced, r);
        const auto [np, n, wiggle, ratio, size] = r;
        const Model m = boostModel(np, n, wiggle);
        FakeForm2 counted;
        counted.pixels = size * std::max(ratio, 1.0);
        DrawTraces(m, counted);
        QCOMPARE(counted.draws.size(), std::size_t{5});
        for (const FakeForm2::Draw& d : counted.draws)
            QVERIFY2(d.lines.size() <= 4u * unsigned(counted.pixels.width()), qPrintable(QString::number(d.lines.size())));
        if (ratio == 0)
            return;
        PlotImage full(size, ratio), reduced(size, ratio);
        EverySegmentImage everySegment(full);
        for (PlotSurface* surface : {static_cast<PlotSurface*>(&everySegment), static_cast<PlotSurface*>(&reduced)}) {
            DrawPlotFrame(*surface);
            DrawTraces(m, *surface);
        }
        const QImage &a = full.image(), &b = reduced.image();
        const QRgb background = UiStyle::kLightYellow.rgb();
        qint64 lit = 0, differing = 0;
        for (int row = 0; row < a.height(); ++row) {
            for (int col = 0; col < a.width(); ++col) {
                lit += a.pixel(col, row) != background;
                differing += a.pixel(col, row) != b.pixel(col, row);
            }
        }
        // The plot's bottom corners fall on the image's corner pixels (the end ticks).
        QVERIFY(a.pixel(0, a.height() - 1) != background && a.pixel(a.width() - 1, a.height() - 1) != background);
        QVERIFY2(differing == 0, qPrintable(QString("%1 of %2 pixels differ").arg(differing).arg(lit)));
    }

    // Lowest and highest finite value over every run of consecutive samples, as a plain
    // scan finds them; a run where the trace holds one level has that level for both.
    void rangeExtremes_data()
    {
        QTest::addColumn<QList<float>>("values");
        const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
        QList<float> level(150, 25.0f), triangle, gaps;
        for (int i = 0; i < 300; ++i) {
            triangle << float(i % 100 < 50 ? i % 100 : 100 - i % 100) + 0.25f * float(i % 7);
            gaps << (i % 13 == 5 ? (i % 2 ? nan : -inf) : float(i % 41));
        }
        QTest::newRow("a level held over several blocks") << level;
        QTest::newRow("triangles with a ripple") << triangle;
        QTest::newRow("values not finite left out") << gaps;
        QTest::newRow("nothing finite") << QList<float>{nan, inf, -inf};
    }
    void rangeExtremes()
    {
        QFETCH(QList<float>, values);
        const RangeExtremes extremes(std::span<const float>(values.data(), std::size_t(values.size())));
        for (qsizetype first = 0; first < values.size(); ++first) {
            float lowest = qInf(), highest = -qInf();
            for (qsizetype last = first; last < values.size(); ++last) {
                if (std::isfinite(values[last])) {
                    lowest = std::min(lowest, values[last]);
                    highest = std::max(highest, values[last]);
                }
                const auto e = extremes.over(std::size_t(first), std::size_t(last));
                QVERIFY2(lowest > highest ? !e : e && e->lowest == lowest && e->highest == highest,
                         qPrintable(QString("%1..%2").arg(first).arg(last)));
            }
        }
    }

    // The pointer over the centre of any pixel reads the plot position that is drawn in
    // that pixel; the image's corners are the plot's.
    void pointerAndPixels()
    {
        for (const qreal ratio : {1.0, 1.25}) {
            const PlotImage image(QSize(997, 605), ratio);
            const int w = image.pixelSize().width(), h = image.pixelSize().height();
            QCOMPARE(image.toPlot({0, 0}), QPointF(0, 100));
            QCOMPARE(image.toPlot(QPointF(w - 1, h - 1) / ratio), QPointF(100, 0));
            for (int col = 0; col < w; ++col)
                QCOMPARE(int(std::floor(deviceX(image.toPlot(QPointF(col + 0.5, 0) / ratio).x(), w))), col);
            for (int row = 0; row < h; ++row)
                QCOMPARE(int(std::floor(deviceY(image.toPlot(QPointF(0, row + 0.5) / ratio).y(), h))), row);
        }
    }

    // One period of four samples (indexes 0..N+1), drawn as ten periods at 10 kHz: x = 25
    // is 250 µs.  Largest absolute samples: iL 2 A, iC 0.5 A, Vo 25 V, vL 12 V, id 3 A.
    // Band limits at y = 80, 60, 40, 10 and 0.1 (a float, as the pointer height is).
    void readout_data()
    {
        QTest::addColumn<Move>("move");
        const auto row = [](const char* theme, const Move& move) { QTest::newRow(theme) << move; };
        row("80 exactly is iL, on its zero line", {25, 80, 0, 1, "t= 250.00usec ; iL(t) = 0.00E+00A"});
        row("79.99 is iC", {25, 79.99f, 1, 2, "t= 250.00usec ; iC(t) = 8.32E-01A"});
        row("60 is the bottom of iC", {25, 60, 0, 2, "t= 250.00usec ; iC(t) = -8.33E-01A"});
        row("40 is Vo, on its zero line", {25, 40, 0, 3, "t= 250.00usec ; Vo(t) = 0.00E+00V"});
        row("10 is the bottom of vL", {25, 10, 0, 4, "t = 250.00usec ; vL(t) = -1.33E+01V"});
        row("0.1 as a float is id, off its double zero line", {25, 0.1f, 0, 5, "t = 250.00usec ; id(t) = 4.97E-10A"});
        row("entering across the bottom keeps iC", {25, 0.05f, 2, 2, "t= 250.00usec ; iC(t) = -5.83E+00A"});
        row("below 0.1 with none selected", {25, 0.05f, 0, 0, ""});
        row("a click on Vo yields to the top band", {25, 98, 3, 1, "t= 250.00usec ; iL(t) = 2.00E+00A"});
        row("left edge", {0, 89, 0, 1, "t= 0.00usec ; iL(t) = 1.00E+00A"});
        row("right edge is NP periods, no grouping", {100, 89, 0, 1, "t= 1000.00usec ; iL(t) = 1.00E+00A"});
        // The plot on screen is what is read; without a readable one the hover text stays
        // while the selection still follows the pointer.
        const char* example = "t= 250.00usec ; iL(t) = 1.00E+00A";
        row("design calculation changed Freq", {25, 89, 0, 1, example, [](Model& m) { m.Freq = 1000; m.NP = 3; }});
        row("refused run read another N", {25, 89, 0, 1, example, [](Model& m) { m.N = 1; }});
        row("every sample zero",
            {25, 89, 0, 1, "t= 250.00usec ; iL(t) = 0.00E+00A", [](Model& m) { m.WaveIL.assign(6, 0.0); }});
        row("no plot drawn", {25, 89, 0, 1, "", [](Model& m) { m.Drawn.valid = false; }});
        row("arrays shorter than the plot's N", {25, 89, 0, 1, "", [](Model& m) { m.Drawn.N = 6; }});
        row("plot drawn at zero frequency", {25, 89, 0, 1, "", [](Model& m) { m.Drawn.Freq = 0; }});
        row("full scale not finite", {25, 89, 0, 1, "", [](Model& m) { m.WaveIL[2] = qInf(); }});
    }
    void readout()
    {
        QFETCH(Move, move);
        Model m;
        m.Freq = 10000;
        m.NP = 10;
        m.N = 4;
        m.WaveIL = {0, 1.5, 2.0, 1.0, 1.5, 0};
        m.WaveIC = {0, -0.5, 0.25, 0.5, -0.5, 0};
        m.WaveVo = {0, 24.0, 25.0, 24.5, 24.0, 0};
        m.WaveVL = {0, 12.0, -8.0, 12.0, -8.0, 0};
        m.WaveID = {0, 0, 3.0, -1.0, 0, 0};
        m.Drawn = {true, m.Freq, m.NP, m.N};
        move.mend(m);
        FakeForm2 form2;
        form2.selected = move.before;
        Picture1_MouseMove(m, form2, move.x, move.y);
        QCOMPARE(form2.selected, move.after);
        QCOMPARE(form2.hover, QString(move.text));
    }
};

QTEST_GUILESS_MAIN(TestPlot)
#include "test_plot.moc"
