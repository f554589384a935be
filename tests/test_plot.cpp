// The plot frame and the traces: what reaches the surface, and that the drawing reduced
// to the pixel grid looks like the drawing of every segment.
#include "app/model.h"
#include "plot/plot.h"
#include "plot/plotgeometry.h"
#include "sim/extremes.h"
#include "simfakes.h"
#include "ui/plotimage.h"
#include "ui/uistyle.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {
// In band order: iL, iC, Vo, vL, id.
std::vector<double> Model::* const Waves[] = {&Model::WaveIL, &Model::WaveIC, &Model::WaveVo, &Model::WaveVL,
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
    for (auto wave : Waves)
        (m.*wave).assign(std::size_t(n) + 2, 0.0);
    const double on = 0.4 * n;
    for (std::int32_t k = 1; k <= n; ++k) {
        const bool closed = k <= on;
        const double s = closed ? k / on : (k - on) / (n - on);
        const double iL = (closed ? 2.0 + s : 3.0 - s) + wiggle * std::sin(2.3 * k);
        m.WaveIL[k] = iL;
        m.WaveIC[k] = closed ? -1.5 : iL - 1.5;
        m.WaveVL[k] = closed ? 15.0 : -10.0;
        m.WaveVo[k] = closed ? 25.03 - 0.06 * s : 24.97 + 0.06 * s;
        m.WaveID[k] = closed ? 0.0 : iL;
    }
    FindMaxIL(m);
    FindMaxIC(m);
    FindMaxVo(m);
    FindMaxVL(m);
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

// np periods of four samples; samples 1 and 2 of one band set to `sample` against
// `fullScale`; y of that band's first line.
struct Trace { int np, band; double sample, fullScale; float y; };

// ratio 0: too many segments to draw each, only their count is checked.
struct Reduced { int np, n; double wiggle = 0, ratio = 0; QSize size{1001, 609}; };
} // namespace

Q_DECLARE_METATYPE(Trace)
Q_DECLARE_METATYPE(Reduced)

class TestPlot : public QObject {
    Q_OBJECT
private slots:
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
        Model m = boostModel(trace.np, 4);
        double* const scales[] = {&m.MaxIL, &m.MaxIC, &m.MaxVo, &m.MaxVL, &m.MaxIL};
        *scales[trace.band] = trace.fullScale;
        (m.*Waves[trace.band])[1] = (m.*Waves[trace.band])[2] = trace.sample;
        FakeForm2 s;
        DrawPlotFrame(s);
        DrawTraces(m, s);
        QCOMPARE(s.draws.size(), std::size_t{11});
        const QList<float> ticks = ends(s.draws[0].lines);
        QVERIFY(s.draws[0].colour == Colours::Black && ticks.size() == 25 * 4);
        QCOMPARE(ticks.mid(0, 4), QList<float>({0, 100, 0.2f, 100}));
        QCOMPARE(ticks.mid(19 * 4), QList<float>({0, 5, 0.2f, 5, 0, 0, 0, 0.5f, 25, 0, 25, 0.5f, 50, 0, 50, 0.5f,
                                                  75, 0, 75, 0.5f, 100, 0, 100, 0.5f}));
        const float heights[] = {80, 70, 40, 20, 0.1f};
        const QList<float> xs = trace.np == 1
                                    ? QList<float>{25, 50, 50, 75, 75, 100}
                                    : QList<float>{12.5, 25, 25, 37.5, 37.5, 50, 62.5, 75, 75, 87.5, 87.5, 100};
        for (std::size_t i = 0; i < 5; ++i) {
            QVERIFY(s.draws[i + 1].colour == PlotBands[i].colour && s.draws[i + 6].colour == PlotBands[i].colour);
            QCOMPARE(ends(s.draws[i + 1].lines), QList<float>({0, heights[i], 100, heights[i]}));
            QCOMPARE(ends(s.draws[i + 6].lines, false), xs);
        }
        const PlotLine l = s.draws[6 + std::size_t(trace.band)].lines.at(0);
        QVERIFY2(std::fabs(l.y1 - trace.y) <= 1e-5f && l.y2 == l.y1, qPrintable(QString::number(l.y1)));
    }

    // However many samples, the drawing reduced to the pixel grid hands the surface a few
    // lines per column, and looks like every segment drawn: at most 0.1 % of the lit
    // pixels may differ, for samples within rounding distance of a column edge.
    void reduced_data()
    {
        QTest::addColumn<Reduced>("r");
        QTest::newRow("fractional screen, sample-to-sample wiggle") << Reduced{10, 1000, 0.05, 1.25};
        QTest::newRow("double-density screen, fewer samples than columns") << Reduced{2, 120, 0, 2.0};
        QTest::newRow("more periods than columns") << Reduced{700, 40, 0, 1.0, {400, 300}};
        QTest::newRow("one period of a million") << Reduced{1, 1000000};
        QTest::newRow("million periods of three") << Reduced{1000000, 3};
        QTest::newRow("largest count of periods") << Reduced{std::numeric_limits<std::int32_t>::max(), 3};
    }
    void reduced()
    {
        QFETCH(Reduced, r);
        const Model m = boostModel(r.np, r.n, r.wiggle);
        FakeForm2 counted;
        counted.pixels = r.size * std::max(r.ratio, 1.0);
        DrawTraces(m, counted);
        QCOMPARE(counted.draws.size(), std::size_t{5});
        for (const FakeForm2::Draw& d : counted.draws)
            QVERIFY2(d.lines.size() <= 4u * counted.pixels.width(), qPrintable(QString::number(d.lines.size())));
        if (r.ratio == 0)
            return;
        PlotImage full(r.size, r.ratio), reduced(r.size, r.ratio);
        EverySegmentImage everySegment(full);
        for (PlotSurface* surface : {static_cast<PlotSurface*>(&everySegment), static_cast<PlotSurface*>(&reduced)}) {
            DrawPlotFrame(*surface);
            DrawTraces(m, *surface);
        }
        const QImage &a = full.image(), &b = reduced.image();
        const QRgb background = UiStyle::lightYellow.rgb();
        qint64 lit = 0, differing = 0;
        for (int row = 0; row < a.height(); ++row)
            for (int col = 0; col < a.width(); ++col)
                lit += a.pixel(col, row) != background, differing += a.pixel(col, row) != b.pixel(col, row);
        // The plot's bottom corners fall on the image's corner pixels (the end ticks).
        QVERIFY(a.pixel(0, a.height() - 1) != background && a.pixel(a.width() - 1, a.height() - 1) != background);
        QVERIFY2(differing * 1000 <= lit, qPrintable(QString("%1 of %2 pixels differ").arg(differing).arg(lit)));
    }
};

QTEST_GUILESS_MAIN(TestPlot)
#include "test_plot.moc"
