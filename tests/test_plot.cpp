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
class EverySegmentImage : public PlotSurface {
public:
    explicit EverySegmentImage(PlotImage& image) : image_(image) {}
    void clear() override { image_.clear(); }
    QSize pixelSize() const override { return {}; }
    void drawLines(Rgb colour, std::span<const PlotLine> lines) override { image_.drawLines(colour, lines); }

private:
    PlotImage& image_;
};

// One steady period of a boost converter at duty cycle 0.4, N samples (indexes 0..N+1):
// iL a triangle between 2 and 3 A, iC, vL and id square waves, Vo a small triangle
// near 25 V.  `wiggle` adds a ripple of a few samples' period to the currents.
Model boostModel(std::int32_t np, std::int32_t n, double wiggle = 0)
{
    Model m;
    m.NP = np, m.N = n;
    for (auto wave : Waves)
        (m.*wave).assign(std::size_t(n) + 2, 0.0);
    const double on = 0.4 * n;
    for (std::int32_t k = 1; k <= n; ++k) {
        const bool closed = k <= on;
        const double s = closed ? k / on : (k - on) / (n - on);
        const double iL = (closed ? 2.0 + s : 3.0 - s) + wiggle * std::sin(2.3 * k);
        m.WaveIL[k] = iL;
        m.WaveVo[k] = closed ? 25.03 - 0.06 * s : 24.97 + 0.06 * s;
        m.WaveIC[k] = closed ? -1.5 : iL - 1.5;
        m.WaveVL[k] = closed ? 15.0 : -10.0;
        m.WaveID[k] = closed ? 0.0 : iL;
    }
    FindMaxIL(m), FindMaxIC(m), FindMaxVo(m), FindMaxVL(m);
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

class TestPlot : public QObject {
    Q_OBJECT
private slots:
    // Black ticks first: twenty down the left edge from the top corner, none at y = 0,
    // then five along the bottom including both corners.  Then the zero lines, top first.
    void frame()
    {
        FakeForm2 s;
        DrawPlotFrame(s);
        QCOMPARE(s.draws.size(), std::size_t{6});
        const QList<float> ticks = ends(s.draws[0].lines);
        QVERIFY(s.draws[0].colour == Colours::Black && ticks.size() == 25 * 4);
        QCOMPARE(ticks.mid(0, 4), QList<float>({0, 100, 0.2f, 100}));
        QCOMPARE(ticks.mid(19 * 4), QList<float>({0, 5, 0.2f, 5, 0, 0, 0, 0.5f, 25, 0, 25, 0.5f, 50, 0, 50, 0.5f,
                                                  75, 0, 75, 0.5f, 100, 0, 100, 0.5f}));
        const float heights[] = {80, 70, 40, 20, 0.1f};
        for (std::size_t i = 0; i < 5; ++i) {
            QVERIFY(s.draws[i + 1].colour == PlotBands[i].colour);
            QCOMPARE(ends(s.draws[i + 1].lines), QList<float>({0, heights[i], 100, heights[i]}));
        }
    }

    // Each displayed period shows samples 1..N, with a gap of one sample before it.
    void periodLayout_data()
    {
        QTest::addColumn<int>("np");
        QTest::addColumn<QList<float>>("xs"); // x1, x2 of each segment in order
        QTest::newRow("one period, four samples") << 1 << QList<float>{25, 50, 50, 75, 75, 100};
        QTest::newRow("two periods, gap before each")
            << 2 << QList<float>{12.5, 25, 25, 37.5, 37.5, 50, 62.5, 75, 75, 87.5, 87.5, 100};
    }
    void periodLayout()
    {
        QFETCH(int, np);
        QFETCH(QList<float>, xs);
        FakeForm2 s;
        DrawTraces(boostModel(np, 4), s);
        QCOMPARE(s.draws.size(), std::size_t{5}); // iL first, id last, each whole
        for (std::size_t band = 0; band < 5; ++band) {
            QVERIFY(s.draws[band].colour == PlotBands[band].colour);
            QCOMPARE(ends(s.draws[band].lines, false), xs);
        }
    }

    // y = zero line + span × sample / full scale; a zero full scale keeps the trace on
    // its zero line instead of dividing by zero.
    void bandHeight_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<double>("sample");
        QTest::addColumn<double>("fullScale");
        QTest::addColumn<float>("expected");
        QTest::newRow("iL at its maximum, top of band") << 0 << 2.5 << 2.5 << 98.0f;
        QTest::newRow("iC at minus its maximum") << 1 << -0.75 << 0.75 << 64.0f;
        QTest::newRow("id of zero on its zero line") << 4 << 0.0 << 2.5 << 0.1f;
        QTest::newRow("id scaled by the inductor maximum") << 4 << 2.5 << 2.5 << 9.1f;
        QTest::newRow("switch never opens: Vo maximum zero") << 2 << 0.0 << 0.0 << 40.0f;
        QTest::newRow("no inductor current: id on its zero line") << 4 << 0.0 << 0.0 << 0.1f;
    }
    void bandHeight()
    {
        QFETCH(int, band);
        QFETCH(double, sample);
        QFETCH(double, fullScale);
        QFETCH(float, expected);
        Model m = boostModel(1, 2);
        double* const scales[] = {&m.MaxIL, &m.MaxIC, &m.MaxVo, &m.MaxVL, &m.MaxIL};
        *scales[band] = fullScale;
        (m.*Waves[band])[1] = (m.*Waves[band])[2] = sample;
        FakeForm2 s;
        DrawTraces(m, s);
        QCOMPARE(s.draws.size(), std::size_t{5}); // no trace left out
        const PlotLine l = s.draws[std::size_t(band)].lines.at(0);
        QVERIFY2(std::fabs(l.y1 - expected) <= 1e-5f && l.y2 == l.y1, qPrintable(QString::number(l.y1)));
    }

    // The reduced drawing must look like every segment drawn.  With the ends of every
    // line snapped to their pixels the two pictures agree; at most 0.1 % of the pixels
    // that frame and traces light may differ, for a sample whose position lies within
    // rounding distance of a column edge.
    void reducedLooksLikeEverySegment_data()
    {
        QTest::addColumn<int>("np");
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("wiggle");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("ratio");
        const QSize plot(1001, 609);
        QTest::newRow("fractional screen") << 10 << 1000 << 0.0 << plot << 1.25;
        QTest::newRow("double-density screen") << 7 << 3000 << 0.0 << plot << 2.0;
        QTest::newRow("sample-to-sample wiggle") << 10 << 1000 << 0.05 << plot << 1.0;
        QTest::newRow("fewer samples than columns") << 2 << 120 << 0.0 << plot << 1.0;
        QTest::newRow("more periods than columns") << 700 << 40 << 0.0 << QSize(400, 300) << 1.0;
    }
    void reducedLooksLikeEverySegment()
    {
        QFETCH(int, np);
        QFETCH(int, n);
        QFETCH(double, wiggle);
        QFETCH(QSize, size);
        QFETCH(double, ratio);
        const Model m = boostModel(np, n, wiggle);
        PlotImage full(size, ratio), reduced(size, ratio);
        EverySegmentImage everySegment(full);
        for (PlotSurface* surface : {static_cast<PlotSurface*>(&everySegment), static_cast<PlotSurface*>(&reduced)})
            DrawPlotFrame(*surface), DrawTraces(m, *surface);
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

    // However many samples, the reduced drawing hands the surface a few lines per column.
    void reducedCountBounded_data()
    {
        QTest::addColumn<int>("np");
        QTest::addColumn<int>("n");
        QTest::newRow("one period of a million") << 1 << 1000000;
        QTest::newRow("million periods of three") << 1000000 << 3;
        QTest::newRow("largest count of periods") << std::numeric_limits<std::int32_t>::max() << 3;
    }
    void reducedCountBounded()
    {
        QFETCH(int, np);
        QFETCH(int, n);
        FakeForm2 s;
        s.pixels = QSize(1001, 609);
        DrawTraces(boostModel(np, n), s);
        QCOMPARE(s.draws.size(), std::size_t{5});
        for (const FakeForm2::Draw& d : s.draws)
            QVERIFY2(d.lines.size() <= 4 * 1001u, qPrintable(QString::number(d.lines.size())));
    }
};

QTEST_GUILESS_MAIN(TestPlot)
#include "test_plot.moc"
