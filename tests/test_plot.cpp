// The plot frame and the traces: what reaches the surface, and that the drawing reduced
// to the pixel grid looks like the drawing of every segment.
#include "app/model.h"
#include "plot/plot.h"
#include "plot/plotgeometry.h"
#include "sim/extremes.h"
#include "ui/plotimage.h"
#include "ui/uistyle.h"

#include <QTest>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

const std::array<std::vector<double> Model::*, 5> Waves{
    &Model::WaveIL, &Model::WaveIC, &Model::WaveVo, &Model::WaveVL, &Model::WaveID};

struct DrawCall {
    Rgb colour;
    std::vector<PlotLine> lines;
};

// Records every call; an empty `size` asks for every segment.
class RecordingSurface : public PlotSurface {
public:
    explicit RecordingSurface(QSize size = {}) : size_(size) {}
    std::vector<DrawCall> calls;
    void clear() override { calls.clear(); }
    QSize pixelSize() const override { return size_; }
    void drawLines(Rgb colour, std::span<const PlotLine> lines) override { calls.push_back({colour, {lines.begin(), lines.end()}}); }

private:
    QSize size_;
};

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
    m.NP = np;
    m.N = n;
    for (auto wave : Waves)
        (m.*wave).assign(static_cast<std::size_t>(n) + 2, 0.0);
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
    FindMaxIL(m);
    FindMaxIC(m);
    FindMaxVo(m);
    FindMaxVL(m);
    return m;
}

bool same(const PlotLine& a, const PlotLine& b) { return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2; }

} // namespace

class TestPlot : public QObject {
    Q_OBJECT
private slots:
    void frame()
    {
        RecordingSurface s;
        DrawPlotFrame(s);
        QCOMPARE(s.calls.size(), std::size_t{6});
        // Black ticks: twenty down the left edge from the top corner, none at y = 0, then
        // five along the bottom including both corners.  Then the zero lines, top first.
        const std::vector<PlotLine>& ticks = s.calls[0].lines;
        QVERIFY(s.calls[0].colour == Colours::Black && ticks.size() == 25);
        QVERIFY(same(ticks[0], {0, 100, 0.2f, 100}) && same(ticks[19], {0, 5, 0.2f, 5}));
        QVERIFY(same(ticks[20], {0, 0, 0, 0.5f}) && same(ticks[24], {100, 0, 100, 0.5f}));
        const float heights[] = {80, 70, 40, 20, 0.1f};
        for (std::size_t i = 0; i < 5; ++i) {
            QVERIFY(s.calls[i + 1].colour == PlotBands[i].colour && s.calls[i + 1].lines.size() == 1);
            QVERIFY(same(s.calls[i + 1].lines[0], {0, heights[i], 100, heights[i]}));
        }
    }

    void periodLayout_data()
    {
        QTest::addColumn<int>("np");
        QTest::addColumn<int>("n");
        QTest::addColumn<QList<double>>("ends"); // x1, x2 of each segment in order
        QTest::newRow("one period, four samples") << 1 << 4 << QList<double>{25, 50, 50, 75, 75, 100};
        QTest::newRow("two periods, gap before each")
            << 2 << 4 << QList<double>{12.5, 25, 25, 37.5, 37.5, 50, 62.5, 75, 75, 87.5, 87.5, 100};
    }
    void periodLayout()
    {
        QFETCH(int, np);
        QFETCH(int, n);
        QFETCH(QList<double>, ends);
        RecordingSurface s;
        DrawTraces(boostModel(np, n), s);
        // Every trace shares the layout and is drawn whole, iL first, id last.
        QCOMPARE(s.calls.size(), std::size_t{5});
        for (std::size_t band = 0; band < 5; ++band) {
            const DrawCall& c = s.calls[band];
            QVERIFY(c.colour == PlotBands[band].colour);
            QCOMPARE(c.lines.size() * 2, static_cast<std::size_t>(ends.size()));
            for (std::size_t i = 0; i < c.lines.size(); ++i) {
                QCOMPARE(c.lines[i].x1, static_cast<float>(ends[qsizetype(2 * i)]));
                QCOMPARE(c.lines[i].x2, static_cast<float>(ends[qsizetype(2 * i + 1)]));
            }
        }
    }

    void bandHeight_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<double>("sample");
        QTest::addColumn<float>("expected");
        QTest::newRow("iL at its maximum, top of band") << 0 << 2.5 << 98.0f;
        QTest::newRow("iC at minus its maximum") << 1 << -0.75 << 64.0f;
        QTest::newRow("Vo at its maximum") << 2 << 25.0 << 58.0f;
        QTest::newRow("vL at minus its maximum") << 3 << -10.0 << 11.0f;
        QTest::newRow("id of zero on its zero line") << 4 << 0.0 << 0.1f;
        QTest::newRow("id scaled by the inductor maximum") << 4 << 2.5 << 9.1f;
    }
    void bandHeight()
    {
        QFETCH(int, band);
        QFETCH(double, sample);
        QFETCH(float, expected);
        Model m = boostModel(1, 2);
        m.MaxIL = 2.5;
        m.MaxIC = 0.75;
        m.MaxVo = 25;
        m.MaxVL = 10;
        const auto wave = Waves[static_cast<std::size_t>(band)];
        (m.*wave)[1] = (m.*wave)[2] = sample;
        RecordingSurface s;
        DrawTraces(m, s);
        const PlotLine l = s.calls[static_cast<std::size_t>(band)].lines.at(0);
        QVERIFY2(std::fabs(l.y1 - expected) <= 1e-5f && l.y2 == l.y1, qPrintable(QString::number(l.y1)));
    }

    // Zero maxima and samples beyond any float: no division by zero shows, and the
    // surface never gets a coordinate that is infinite or not a number.
    void degenerateScales_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QSize>("pixels");
        for (const QSize size : {QSize(), QSize(640, 400)}) {
            const char* how = size.isEmpty() ? "every segment" : "reduced";
            QTest::addRow("switch never opens, %s", how) << 0 << size;
            QTest::addRow("no inductor current, %s", how) << 1 << size;
            QTest::addRow("sample beyond a float, %s", how) << 2 << size;
            QTest::addRow("sample not a number, %s", how) << 3 << size;
        }
    }
    void degenerateScales()
    {
        QFETCH(int, fault);
        QFETCH(QSize, pixels);
        Model m = boostModel(3, 50);
        if (fault == 0) {
            std::fill(m.WaveVo.begin(), m.WaveVo.end(), 0.0);
            std::fill(m.WaveIC.begin(), m.WaveIC.end(), 0.0);
            m.MaxVo = m.MaxIC = m.MaxVL = 0;
        }
        if (fault == 1)
            m.MaxIL = 0;
        m.WaveVL[7] = fault == 2 ? 1e300 : fault == 3 ? std::numeric_limits<double>::quiet_NaN() : m.WaveVL[7];
        RecordingSurface s(pixels);
        DrawTraces(m, s);
        QCOMPARE(s.calls.size(), std::size_t{5});
        for (std::size_t band = 0; band < 5; ++band) {
            const float zero = static_cast<float>(PlotBands[band].zeroLine);
            const bool flat = (fault == 0 && band >= 1 && band <= 3) || (fault == 1 && (band == 0 || band == 4));
            for (const PlotLine& l : s.calls[band].lines) {
                QVERIFY(std::isfinite(l.x1) && std::isfinite(l.y1) && std::isfinite(l.x2) && std::isfinite(l.y2));
                QVERIFY(!flat || (l.y1 == zero && l.y2 == zero));
            }
        }
        if (fault >= 2 && pixels.isEmpty()) // the two segments at the bad sample, each period
            QCOMPARE(s.calls[3].lines.size(), std::size_t{3 * 49 - 2 * 3});
    }

    void nothingToDraw_data()
    {
        QTest::addColumn<int>("np");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("arraySize");
        QTest::newRow("no periods") << 0 << 100 << 102;
        QTest::newRow("negative periods") << -3 << 100 << 102;
        QTest::newRow("a single sample") << 10 << 1 << 3;
        QTest::newRow("arrays of a smaller run") << 10 << 100 << 50;
    }
    void nothingToDraw()
    {
        QFETCH(int, np);
        QFETCH(int, n);
        QFETCH(int, arraySize);
        Model m = boostModel(1, 2);
        m.NP = np;
        m.N = n;
        for (auto wave : Waves)
            (m.*wave).assign(static_cast<std::size_t>(arraySize), 1.0);
        for (const QSize size : {QSize(), QSize(800, 600)}) {
            RecordingSurface s(size);
            DrawTraces(m, s);
            QVERIFY(s.calls.empty());
        }
    }

    // The plot's corners land on the image's corner pixels at every pixel ratio, and
    // pointer positions turn back into the same plot coordinates.
    void imageCorners_data()
    {
        QTest::addColumn<double>("ratio");
        QTest::newRow("plain screen") << 1.0;
        QTest::newRow("fractional screen") << 1.25;
        QTest::newRow("double-density screen") << 2.0;
    }
    void imageCorners()
    {
        QFETCH(double, ratio);
        PlotImage image(QSize(401, 301), ratio);
        const QImage& im = image.image();
        QCOMPARE(im.size(), QSize(401, 301) * ratio);
        QCOMPARE(image.pixelSize(), im.size());
        const PlotLine corners[] = {{0, 100, 0, 100}, {100, 0, 100, 0}, {100, 100, 100, 100}, {0, 0, 0, 0}};
        image.drawLines(Colours::Red, corners);
        const int w = im.width(), h = im.height();
        for (const QPoint p : {QPoint(0, 0), QPoint(w - 1, h - 1), QPoint(w - 1, 0), QPoint(0, h - 1)})
            QCOMPARE(im.pixelColor(p), QColor(255, 0, 0));
        QCOMPARE(im.pixelColor(1, 1), UiStyle::lightYellow);

        const QPointF bottomRight = image.toPlot(QPointF(w - 1, h - 1) / ratio);
        const QPointF middle = image.toPlot(QPointF((w - 1) / 2.0, (h - 1) / 4.0) / ratio);
        QVERIFY(std::fabs(bottomRight.x() - 100) < 1e-9 && std::fabs(bottomRight.y()) < 1e-9);
        QVERIFY(std::fabs(middle.x() - 50) < 1e-9 && std::fabs(middle.y() - 75) < 1e-9);
        image.clear();
        QCOMPARE(im.pixelColor(0, 0), UiStyle::lightYellow);
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
        QTest::newRow("default ten periods of 1000") << 10 << 1000 << 0.0 << plot << 1.0;
        QTest::newRow("three periods of 5000") << 3 << 5000 << 0.0 << plot << 1.0;
        QTest::newRow("fifty periods of 2000") << 50 << 2000 << 0.0 << plot << 1.0;
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
        DrawPlotFrame(everySegment);
        DrawTraces(m, everySegment);
        DrawPlotFrame(reduced);
        DrawTraces(m, reduced);

        const QImage& a = full.image();
        const QImage& b = reduced.image();
        const QRgb background = UiStyle::lightYellow.rgb();
        qint64 lit = 0, differing = 0;
        for (int row = 0; row < a.height(); ++row) {
            for (int col = 0; col < a.width(); ++col) {
                lit += a.pixel(col, row) != background;
                differing += a.pixel(col, row) != b.pixel(col, row);
            }
        }
        QVERIFY(lit > 0);
        QVERIFY2(differing * 1000 <= lit, qPrintable(QString("%1 of %2 pixels differ").arg(differing).arg(lit)));
    }

    void reducedCountBounded_data()
    {
        QTest::addColumn<int>("np");
        QTest::addColumn<int>("n");
        QTest::newRow("thousand periods of ten thousand") << 1000 << 10000;
        QTest::newRow("one period of a million") << 1 << 1000000;
        QTest::newRow("million periods of three") << 1000000 << 3;
        QTest::newRow("largest count of periods") << std::numeric_limits<std::int32_t>::max() << 3;
    }
    void reducedCountBounded()
    {
        QFETCH(int, np);
        QFETCH(int, n);
        const int width = 1001;
        RecordingSurface s(QSize(width, 609));
        DrawTraces(boostModel(np, n), s);
        QCOMPARE(s.calls.size(), std::size_t{5});
        for (const DrawCall& c : s.calls)
            QVERIFY2(c.lines.size() <= std::size_t{4} * width, qPrintable(QString::number(c.lines.size())));
    }
};

QTEST_GUILESS_MAIN(TestPlot)
#include "test_plot.moc"
