// The switching model's measured response from duty to output against the lossless
// textbook form that no one here wrote, and the measurement's own rules: the points do
// not depend on how they are shared among the cores, and a cancel stops them all.
#include "app/model.h"
#include "averaged.h"
#include "sim/dynamics.h"
#include "sim/frequencyresponse.h"
#include "sim/realconverter.h"
#include "sim/startup.h"

#include <QTest>

#include <cmath>
#include <complex>
#include <numbers>

namespace {

using Complex = std::complex<double>;

// The worked example with its default counts.
constexpr double kVi = 15, kD = 0.4, kF = 80000, kL = 75e-6, kC = 125e-6, kRL = 16.67;
constexpr std::int32_t kN = 1000;

// The lossless boost's control-to-output function in the textbook's form:
//   Gvd(s) = (Vi/D'²)·(1 − s·L/(D'²·RL)) / (1 + s·L/(D'²·RL) + s²·L·C/D'²).
Complex textbookGvd(double fHz)
{
    const double Dp = 1 - kD;
    const Complex s(0, 2 * std::numbers::pi * fHz);
    const double wz = Dp * Dp * kRL / kL;
    return (kVi / (Dp * Dp)) * (1.0 - s / wz) / (1.0 + s * (kL / (Dp * Dp * kRL)) + s * s * (kL * kC / (Dp * Dp)));
}

RealCircuit losslessCircuit()
{
    Model m;
    std::tie(m.Vi, m.D, m.Freq, m.L, m.C, m.RL, m.N, m.NI) = std::tuple(kVi, kD, kF, kL, kC, kRL, kN, 1);
    return realCircuitOf(std::get<Setup>(prepareRun(m)).circuit, {});
}

// Eight time constants of the slowest pole: with no losses only the load damps, with
// the time constant 2·RL·C.
ResponsePoint pointAt(std::int64_t k)
{
    const auto settle = std::int64_t(std::ceil(8 * 2 * kRL * kC * kF));
    return {k, std::max(settle, 6 * k)};
}

struct CountingProgress : ProgressPort {
    std::int64_t calls = 0, last = 0;
    std::int64_t cancelAt = -1;
    bool advanced(const RunProgress& p) override
    {
        ++calls;
        last = p.done;
        return cancelAt < 0 || p.done < cancelAt;
    }
    void finished() override {}
};

} // namespace

class TestFrequencyResponse : public QObject {
    Q_OBJECT
private slots:
    void againstTheLosslessTextbook_data();
    void againstTheLosslessTextbook();
    void sharedAmongCoresOrNot();
    void cancelStopsEveryPoint();
    void dynamicsWithTypicalParts();
};

// The samples hold over the two switching instants and the duty moves in steps of 1/N,
// so the switching model is not quite the averaged one: at N = 1000 the points were
// measured within 0.12 dB and 1.0° of the textbook (0.13 dB and 0.42° at N = 4000, where
// the sampling's share has shrunk and f/5 shows the averaging's own limit), hence 0.2 dB
// and 1.5°.
void TestFrequencyResponse::againstTheLosslessTextbook_data()
{
    QTest::addColumn<int>("k");
    for (const int k : {1000, 200, 100, 50, 20, 10, 5})
        QTest::addRow("f/%d", k) << k;
}

void TestFrequencyResponse::againstTheLosslessTextbook()
{
    QFETCH(int, k);
    const double Dp = 1 - kD;
    const std::optional<Complex> measured =
        measureDutyResponse(losslessCircuit(), kN, kD, {kVi / Dp / Dp / kRL, kVi / Dp}, pointAt(k));
    QVERIFY(measured);
    const Complex expected = textbookGvd(kF / k);
    const double dB = 20 * std::log10(std::abs(*measured) / std::abs(expected));
    const double degrees = std::arg(*measured / expected) * 180 / std::numbers::pi;
    QVERIFY2(std::fabs(dB) < 0.2 && std::fabs(degrees) < 1.5, qPrintable(QStringLiteral("%1 dB, %2°").arg(dB).arg(degrees)));
}

// The points are independent: measured together on every core, or one by one here,
// they are the same to the bit, in the order asked for.
void TestFrequencyResponse::sharedAmongCoresOrNot()
{
    const std::vector<ResponsePoint> points = {pointAt(5), pointAt(50), pointAt(10)};
    const RealState start{2.5, 25};
    CountingProgress progress;
    const auto together = measureDutyResponses(losslessCircuit(), kN, kD, start, points, &progress);
    QCOMPARE(together.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        QCOMPARE(together[i], measureDutyResponse(losslessCircuit(), kN, kD, start, points[i]));
    QVERIFY(progress.calls > 0);
    QVERIFY(progress.last <= periodsOf(points[0]) + periodsOf(points[1]) + periodsOf(points[2]));
}

void TestFrequencyResponse::cancelStopsEveryPoint()
{
    CountingProgress progress;
    progress.cancelAt = 500;
    const std::vector<ResponsePoint> points(4, pointAt(1000));
    QVERIFY(measureDutyResponses(losslessCircuit(), kN, kD, {2.5, 25}, points, &progress).empty());
    QVERIFY(progress.last < 4 * periodsOf(points[0]));
}

// The worked example with a student's typical parts, as the dynamics window shows it:
// the measured points within 0.2 dB and 1.5° of the averaged model (measured 0.12 dB and
// 0.9°), and its CSV: the 135 frequencies drawn and the five measured ones not among
// them, ascending, the measured cells filled only at the eight points.
void TestFrequencyResponse::dynamicsWithTypicalParts()
{
    const Model::SimulatedRun run{true, kVi, kD, kF, kL, kC, kRL, kN, 5000};
    const std::variant<DynamicsView, Stop> result = analyseDynamics(run, {0.1, 0.05, 0.5, 0.02, 0.05}, nullptr);
    QVERIFY(std::holds_alternative<DynamicsView>(result));
    const DynamicsView& view = std::get<DynamicsView>(result);
    QCOMPARE(view.points.size(), std::size_t(8));
    for (const MeasuredPoint& p : view.points) {
        QVERIFY(p.simulated);
        QVERIFY2(std::fabs(p.simulatedDb - p.averagedDb) < 0.2 && std::fabs(p.simulatedDeg - p.averagedDeg) < 1.5,
                 qPrintable(QStringLiteral("f/%1").arg(p.k)));
    }
    const QList<QByteArray> lines = dynamicsCsv(view).trimmed().split('\n');
    QCOMPARE(lines.size(), 1 + 140);
    // Each function's magnitude under its own heading, from the 2×2 solve written out.
    const averaged::Plant plant = averaged::fromTable(run, {0.1, 0.05, 0.5, 0.02, 0.05});
    double last = 0;
    int measured = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> cells = lines[i].split(',');
        QCOMPARE(cells.size(), 9);
        QVERIFY(cells[0].toDouble() > last);
        last = cells[0].toDouble();
        const averaged::Input* inputs[] = {&plant.duty, &plant.line, &plant.load};
        for (int j = 0; j < 3; ++j) {
            const double dB = 20 * std::log10(std::abs(averaged::atHz(plant, last, *inputs[j])));
            QVERIFY2(std::fabs(cells[1 + 2 * j].toDouble() - dB) < 1e-9, lines[i].constData());
        }
        if (!cells[7].isEmpty()) {
            ++measured;
            const double k = kF / last;
            QVERIFY(std::fabs(k - std::round(k)) < 1e-6);
        }
    }
    QCOMPARE(measured, 8);
}

QTEST_GUILESS_MAIN(TestFrequencyResponse)
#include "test_frequencyresponse.moc"
