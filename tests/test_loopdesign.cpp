// The compensator designed on the averaged model: |T| = 1 and the asked margin at fc
// on a loop gain computed here from the phases' table, every crossover and gain margin
// against a plain scan, the bilinear coefficients against Gc on the unit circle, the
// linear prediction against its Laplace transform, the figures measured for two
// converters, and the refusals.
#include "averaged.h"
#include "sim/loopdesign.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

using namespace averaged;
constexpr double kPi = std::numbers::pi;

const Parasitics kLight{0.01, 0.02, 0.3, 0.01, 0.002};

struct Design {
    SmallSignal model;
    Compensator gc;
};

// fc = 0 asks for the default crossover.
Design design(const Model::SimulatedRun& r, CompensatorType type, double fc, double pm, const Parasitics& parts = kTypical)
{
    auto m = smallSignal(r, parts);
    if (auto* why = std::get_if<QString>(&m))
        qFatal("model refused: %s", qPrintable(*why));
    const SmallSignal& model = std::get<SmallSignal>(m);
    auto g = designCompensator(model, {type, fc > 0 ? fc : defaultCrossover(model), pm});
    if (auto* why = std::get_if<QString>(&g))
        qFatal("design refused: %s", qPrintable(*why));
    return {model, std::get<Compensator>(g)};
}

// Gc(s) = (ωI/s)·((1 + s/ωz)/(1 + s/ωp))^leads from the design's corners and gain.
cplx compensator(const Compensator& gc, cplx s)
{
    const cplx lead = (1.0 + s / (2 * kPi * gc.fzHz)) / (1.0 + s / (2 * kPi * gc.fpHz));
    return gc.wI / s * std::pow(lead, gc.leads);
}

// T(j2πf) = Gc·Gvd·e^(−j2πf·td) with Gvd from the table and td = (0.5 + D)/f.
cplx loop(const Design& d, double f)
{
    const Model::SimulatedRun& r = d.model.run;
    const cplx s(0, 2 * kPi * f);
    const averaged::Plant plant = averaged::fromTable(r, d.model.parts);
    const cplx gvd = averaged::response(plant, s, plant.duty);
    return compensator(d.gc, s) * gvd * std::exp(-s * ((0.5 + r.D) / r.Freq));
}

} // namespace

class TestLoopDesign : public QObject {
    Q_OBJECT

private slots:
    void designAndLoop_data();
    void designAndLoop();
    void measuredFigures();
    void bilinear_data();
    void bilinear();
    void prediction_data();
    void prediction();
    void refusals_data();
    void refusals();

private:
    static void designColumns();
    static void designRows();
    static Design fetchedDesign();
};

void TestLoopDesign::designColumns()
{
    QTest::addColumn<Model::SimulatedRun>("run");
    QTest::addColumn<CompensatorType>("type");
    QTest::addColumn<double>("fc");
    QTest::addColumn<double>("pm");
    QTest::addColumn<Parasitics>("parts");
}

// The design of the current row.
Design TestLoopDesign::fetchedDesign()
{
    QFETCH(Model::SimulatedRun, run);
    QFETCH(CompensatorType, type);
    QFETCH(double, fc);
    QFETCH(double, pm);
    QFETCH(Parasitics, parts);
    return design(run, type, fc, pm, parts);
}

void TestLoopDesign::designRows()
{
    designColumns();
    QTest::newRow("esempio, tipo III predefinito") << kWorked << CompensatorType::TypeIII << 0.0 << 60.0 << kTypical;
    QTest::newRow("esempio, tipo II a 1 kHz") << kWorked << CompensatorType::TypeII << 1000.0 << 45.0 << kTypical;
    QTest::newRow("nove volt, tipo III predefinito") << kNineVolt << CompensatorType::TypeIII << 0.0 << 60.0 << kTypical;
    QTest::newRow("nove volt, tipo II a 3 kHz") << kNineVolt << CompensatorType::TypeII << 3000.0 << 45.0 << kTypical;
    QTest::newRow("solo integratore") << kWorked << CompensatorType::TypeIII << 300.0 << 45.0 << kTypical;
    // Q near 30: the phase passes −180° twice below the lowest crossover, where it
    // gives no gain margin.
    QTest::newRow("stabile a condizione") << kHighQ << CompensatorType::TypeIII << 1200.0 << 20.0 << kLight;
}

void TestLoopDesign::designAndLoop_data()
{
    designRows();
}

// |T(j2πfc)| = 1 and the asked margin (more with the integrator alone); every
// crossover and every −180° crossing against a plain scan of 40 000 points a decade.
void TestLoopDesign::designAndLoop()
{
    const Design d = fetchedDesign();
    const Model::SimulatedRun& run = d.model.run;
    const cplx t = loop(d, d.gc.fcHz);
    // Measured within 1e-15 and 3e-14°: the table's solve and the model's polynomials
    // round differently, a few ulp.
    QVERIFY(std::fabs(std::abs(t) - 1) <= 1e-12);
    const double margin = wrapped(180 + std::arg(t) * 180 / kPi);
    QCOMPARE(d.gc.integratorAlone, d.gc.k == 1.0);
    QVERIFY(d.gc.integratorAlone ? margin > d.gc.pmDeg : std::fabs(margin - d.gc.pmDeg) <= 1e-10);
    const LoopAnalysis a = analyseLoop(d.model, d.gc);
    std::vector<double> crossings, phaseCrossings;
    const double low = run.Freq * 1e-6, high = run.Freq / 2;
    const int points = 40000 * 6;
    cplx before = loop(d, low);
    for (int i = 1; i <= points; ++i) {
        const double f = low * std::pow(high / low, double(i) / points);
        const cplx now = loop(d, f);
        if ((std::abs(now) > 1) != (std::abs(before) > 1))
            crossings.push_back(f);
        if ((now.imag() > 0) != (before.imag() > 0) && now.real() < 0 && !crossings.empty())
            phaseCrossings.push_back(f);
        before = now;
    }
    const double step = std::pow(high / low, 1.0 / points);
    QCOMPARE(a.crossovers.size(), crossings.size());
    for (std::size_t i = 0; i < crossings.size(); ++i) {
        const Crossover& c = a.crossovers[i];
        QVERIFY(c.fHz <= crossings[i] && c.fHz >= crossings[i] / step);
        QVERIFY(std::fabs(std::abs(loop(d, c.fHz)) - 1) <= 1e-8); // bisection to 1e-10 in log f
        QVERIFY(std::fabs(c.pmDeg - wrapped(180 + std::arg(loop(d, c.fHz)) * 180 / kPi)) <= 1e-6);
    }
    QVERIFY(std::any_of(a.crossovers.begin(), a.crossovers.end(),
        [&](const Crossover& c) { return std::fabs(c.fHz / d.gc.fcHz - 1) <= 1e-9; }));
    QCOMPARE(a.margins.size(), phaseCrossings.size());
    for (std::size_t i = 0; i < phaseCrossings.size(); ++i) {
        const cplx tg = loop(d, a.margins[i].fHz);
        QVERIFY(std::fabs(tg.imag()) <= 1e-8 * std::abs(tg) && tg.real() < 0);
        QVERIFY(std::fabs(a.margins[i].gmDb + 20 * std::log10(std::abs(tg))) <= 1e-9);
    }
}

// The figures measured for the two converters of the lessons.
void TestLoopDesign::measuredFigures()
{
    const Design nine = design(kNineVolt, CompensatorType::TypeIII, 0, 60);
    QVERIFY(std::fabs(nine.model.f0 - 3830) <= 5); // 3.83 kHz, to its three digits
    QCOMPARE(nine.gc.fcHz, 4410.0);                // fz_RHP/5 = 4407.5 Hz, rounded
    const LoopAnalysis a = analyseLoop(nine.model, nine.gc);
    QCOMPARE(a.crossovers.size(), std::size_t(3));
    // The lowest is measured at 814.7 Hz, 0.65 % below the 0.82 kHz quoted to two
    // digits: with fc unrounded (4407.5 Hz) it is 815.2 Hz, which two digits write 0.82.
    QVERIFY(std::fabs(a.crossovers[0].fHz / 820 - 1) <= 0.01);
    QVERIFY(std::fabs(a.crossovers[1].fHz - 2530) <= 5); // 2527.9 Hz, to three digits
    QVERIFY(std::fabs(a.crossovers[0].pmDeg - 119) <= 0.5); // 119.3°
    QVERIFY(std::fabs(a.crossovers[1].pmDeg - 124) <= 0.5); // 123.9°
    QVERIFY(std::fabs(a.crossovers[2].pmDeg - 60) <= 1e-6);
    QCOMPARE(design(kWorked, CompensatorType::TypeIII, 0, 60).gc.fcHz, 2530.0); // fz_RHP/5 = 2528.9 Hz
}

void TestLoopDesign::bilinear_data()
{
    designRows();
}

// Each lead (b0 + b1·z⁻¹)/(1 + a1·z⁻¹) and the integrator g·(1 + z⁻¹)/(1 − z⁻¹) on the
// unit circle are the continuous ones at the prewarped frequency 2f·tan(ωT/2), exactly;
// Gc(z) meets Gc(jω) as ω → 0, within (ωT)²/2: each of its five corners moves by the
// prewarp's relative (ωT)²/12 (measured (ωT)²/6, falling 100-fold per decade).
void TestLoopDesign::bilinear()
{
    const Design d = fetchedDesign();
    const Model::SimulatedRun& run = d.model.run;
    const DigitalCompensator dc = digitalCompensator(d.gc, run.Freq);
    QCOMPARE(dc.leads, d.gc.type == CompensatorType::TypeII ? 1 : 2);
    const auto digital = [&](double f) {
        const cplx zi = std::exp(cplx(0, -2 * kPi * f / run.Freq));
        const cplx lead = (dc.lead.b0 + dc.lead.b1 * zi) / (1.0 + dc.lead.a1 * zi);
        return std::pair(lead, dc.integratorGain * (1.0 + zi) / (1.0 - zi));
    };
    for (const double share : {1e-3, 0.05, 0.2, 0.45}) {
        const double f = share * run.Freq;
        const cplx warped(0, 2 * run.Freq * std::tan(kPi * f / run.Freq));
        const auto [lead, integrator] = digital(f);
        const cplx leadC = (1.0 + warped / (2 * kPi * d.gc.fzHz)) / (1.0 + warped / (2 * kPi * d.gc.fpHz));
        QVERIFY(std::abs(lead - leadC) <= 1e-12 * std::abs(leadC)); // a few roundings
        QVERIFY(std::abs(integrator - d.gc.wI / warped) <= 1e-12 * std::abs(integrator));
    }
    for (const double f : {run.Freq / 1000, run.Freq / 10000}) {
        const auto [lead, integrator] = digital(f);
        const cplx gz = integrator * std::pow(lead, dc.leads), gs = compensator(d.gc, cplx(0, 2 * kPi * f));
        const double wt = 2 * kPi * f / run.Freq;
        QVERIFY(std::abs(gz - gs) <= wt * wt / 2 * std::abs(gs));
    }
}

void TestLoopDesign::prediction_data()
{
    QTest::addColumn<double>("rl2");
    QTest::addColumn<double>("vi2");
    QTest::addColumn<double>("dip");      // V, as measured
    QTest::addColumn<double>("dipTol");   // V, half the figure's last digit
    QTest::addColumn<double>("periods");  // after the step, 0 when not given
    QTest::newRow("carico +10 %") << 0.9 * 16.67 << 15.0 << -0.0783 << 0.05e-3 << 7.6;
    QTest::newRow("ingresso -10 %") << 16.67 << 13.5 << -1.013 << 0.5e-3 << 34.2;
    QTest::newRow("carico doppio") << 16.67 / 2 << 15.0 << -0.704 << 0.5e-3 << 0.0;
}

// The worked example under its default type III: the largest departure as measured
// (78.256 mV at 7.561 periods, 1.01262 V at 34.221, 0.70431 V), Δvo(0) = Rp·rC·Δiz, the
// exact map against the matrix exponential, and the Laplace transform ∫Δvo·e^(−σt)dt
// against H(σ)/σ, H = (Zout·Δiz + Gvg·ΔVi)/(1 + Gc·Gvd·(1 − σ·td/2)/(1 + σ·td/2)) from
// the table, integrated by Simpson's rule.
void TestLoopDesign::prediction()
{
    QFETCH(double, rl2);
    QFETCH(double, vi2);
    QFETCH(double, dip);
    QFETCH(double, dipTol);
    QFETCH(double, periods);
    const Design d = design(kWorked, CompensatorType::TypeIII, 0, 60);
    const double f = kWorked.Freq, td = (0.5 + kWorked.D) / f;
    const LinearPrediction p(d.model, d.gc, {rl2, vi2});
    const Departure dep = largestDeparture(p, 400 / f, f);
    QVERIFY2(std::fabs(dep.dvo - dip) <= dipTol, qPrintable(QString::number(dep.dvo, 'g', 9)));
    if (periods > 0)
        QVERIFY2(std::fabs(dep.t * f - periods) <= 0.05, qPrintable(QString::number(dep.t * f, 'g', 9)));
    const averaged::Plant t = averaged::fromTable(kWorked, kTypical);
    const double diz = -t.X[1] * (1 / rl2 - 1 / kWorked.RL), dvi = vi2 - kWorked.Vi;
    const double rp = kWorked.RL / (kWorked.RL + kTypical.rC);
    QVERIFY(std::fabs(p.at(0) - rp * kTypical.rC * diz) <= 1e-12 * std::fabs(diz));
    const double h = 1 / (64 * f);
    for (const double sigma : {0.2 * 2 * kPi * d.gc.fcHz, 2 * kPi * d.gc.fcHz}) {
        const auto n = std::size_t(2 * std::ceil(20 / (sigma * h)));
        const std::vector<double> y = p.sampled(h, n + 1);
        double integral = 0;
        for (std::size_t k = 0; k <= n; ++k)
            integral += (k == 0 || k == n ? 1 : k % 2 ? 4 : 2) * y[k] * std::exp(-sigma * h * double(k));
        integral *= h / 3;
        const cplx H = (averaged::response(t, sigma, t.load) * diz + averaged::response(t, sigma, t.line) * dvi)
            / (1.0 + compensator(d.gc, sigma) * averaged::response(t, sigma, t.duty) * ((1 - sigma * td / 2) / (1 + sigma * td / 2)));
        // 1e-9: Simpson's h⁴ error with h·2/td = 0.035 at the fastest pole, and the tail
        // beyond e^(−40) (measured within 6e-11).
        QVERIFY2(std::fabs(integral - H.real() / sigma) <= 1e-9 * std::fabs(H.real() / sigma),
            qPrintable(QString::number(integral / (H.real() / sigma) - 1)));
        for (const std::size_t k : {std::size_t(1), n / 7, n / 2})
            QVERIFY(std::fabs(y[k] - p.at(h * double(k))) <= 1e-9 * std::fabs(dip));
    }
}

void TestLoopDesign::refusals_data()
{
    designColumns();
    QTest::addColumn<QString>("why");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("fc zero") << kWorked << CompensatorType::TypeIII << 0.0 << 60.0 << kTypical << "fc";
    QTest::newRow("fc negativa") << kWorked << CompensatorType::TypeIII << -100.0 << 60.0 << kTypical << "fc";
    QTest::newRow("fc a f/2") << kWorked << CompensatorType::TypeIII << 40e3 << 60.0 << kTypical << "fc";
    QTest::newRow("fc oltre f/2") << kWorked << CompensatorType::TypeIII << 50e3 << 60.0 << kTypical << "fc";
    QTest::newRow("fc non numero") << kWorked << CompensatorType::TypeIII << nan << 60.0 << kTypical << "fc";
    QTest::newRow("PM zero") << kWorked << CompensatorType::TypeIII << 2530.0 << 0.0 << kTypical << "PM";
    QTest::newRow("PM 90") << kWorked << CompensatorType::TypeIII << 2530.0 << 90.0 << kTypical << "PM";
    QTest::newRow("PM negativo") << kWorked << CompensatorType::TypeIII << 2530.0 << -5.0 << kTypical << "PM";
    QTest::newRow("tipo II oltre 90°") << kNineVolt << CompensatorType::TypeII << 4410.0 << 60.0 << kTypical << "tipo III";
    QTest::newRow("tipo III oltre 180°") << kWorked << CompensatorType::TypeIII << 30e3 << 60.0 << kTypical << "180°";
}

void TestLoopDesign::refusals()
{
    QFETCH(Model::SimulatedRun, run);
    QFETCH(CompensatorType, type);
    QFETCH(double, fc);
    QFETCH(double, pm);
    QFETCH(Parasitics, parts);
    QFETCH(QString, why);
    const SmallSignal m = std::get<SmallSignal>(smallSignal(run, parts));
    const auto g = designCompensator(m, {type, fc, pm});
    QVERIFY(std::holds_alternative<QString>(g));
    QVERIFY2(std::get<QString>(g).contains(why), qPrintable(std::get<QString>(g)));
}

QTEST_GUILESS_MAIN(TestLoopDesign)
#include "test_loopdesign.moc"
