// The real converter against what no one here wrote: the start-up's run to the last bit
// when every parasitic is zero, the balance of energy over a period at steady state,
// each loss alone against its textbook formula for a triangular ripple, the averaged
// model's textbook limits, and the steady state found from the averaged operating
// point against the one reached from rest.
#include "app/model.h"
#include "fakes.h"
#include "sim/averagedmodel.h"
#include "sim/netlist.h"
#include "sim/realconverter.h"
#include "sim/simulation.h"
#include "sim/startup.h"
#include "sim/waveformcsv.h"

#include <QTest>

#include <cmath>
#include <cstring>

namespace {

constexpr Parasitics kTypical{0.1, 0.05, 0.5, 0.02, 0.05};

Model::SimulatedRun run(const Inputs& in)
{
    return {true, in.Vi, in.D, in.Freq, in.L, in.C, in.RL, in.N, in.NI};
}

RealView viewOf(const std::variant<RealView, Stop>& result)
{
    if (const Stop* stop = std::get_if<Stop>(&result))
        qFatal("refused: %s", qPrintable(stop->message));
    return std::get<RealView>(result);
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

double relative(double value, double expected)
{
    return std::fabs(value - expected) / std::fabs(expected);
}

double lossSum(const RealFigures& f)
{
    return f.lossDCR + f.lossSwitch + f.lossDiode + f.lossESR;
}

} // namespace

Q_DECLARE_METATYPE(Inputs)
Q_DECLARE_METATYPE(Parasitics)

class TestReal : public QObject {
    Q_OBJECT
private slots:
    void zeroParasiticsIsTheStartup_data();
    void zeroParasiticsIsTheStartup();
    void energyBalances_data();
    void energyBalances();
    void eachLossAlone_data();
    void eachLossAlone();
    void averagedTextbookLimits_data();
    void averagedTextbookLimits();
    void gainMaximumOfOneResistance_data();
    void gainMaximumOfOneResistance();
    void idealDiscontinuousGain();
    void steadyStateFromTheOperatingPointIsTheOneFromRest_data();
    void steadyStateFromTheOperatingPointIsTheOneFromRest();
    void refusals_data();
    void refusals();
    void curveCsv();
    void netlistWithIdealParts();
};

// With every parasitic zero the real run is the start-up's run: the same five summary
// values of period NI to the bit, and so the verification's wherever the diode never
// blocks.
void TestReal::zeroParasiticsIsTheStartup_data()
{
    QTest::addColumn<Inputs>("in");
    QTest::addColumn<bool>("blocks");
    // The worked example's diode blocks while it starts (periods 43 to 158).
    QTest::newRow("worked example, not yet repeating") << Inputs{} << true;
    QTest::newRow("worked example, repeating") << Inputs{.NI = 20000} << true;
    QTest::newRow("worked example, the longest run") << Inputs{.NI = 2147483647} << true;
    QTest::newRow("heavy load, never blocks") << Inputs{.RL = 2, .NI = 3000} << false;
    QTest::newRow("small inductance, discontinuous") << Inputs{.L = 5e-6, .NI = 4000} << true;
    QTest::newRow("half-sample duty") << Inputs{.D = 0.4005, .N = 1000, .NI = 700} << true;
}

void TestReal::zeroParasiticsIsTheStartup()
{
    QFETCH(Inputs, in);
    QFETCH(bool, blocks);
    const RealView real = viewOf(analyseReal(run(in), {}, nullptr));
    const auto startup = analyseStartup(in.model(), 400, nullptr);
    const StartupFigures& s = std::get<StartupView>(startup).figures;
    const RealFigures& f = real.run.figures;
    QVERIFY(sameBits(f.DeltaiL, s.DeltaiL));
    QVERIFY(sameBits(f.DeltaVo, s.DeltaVo));
    QVERIFY(sameBits(f.IDP, s.IDP));
    QVERIFY(sameBits(f.IDm, s.IDm));
    QVERIFY(sameBits(f.summaryIim, s.Iim));
    QCOMPARE(f.lossDCR + f.lossSwitch + f.lossDiode + f.lossESR, 0.0);
    if (blocks)
        return;
    Model m = in.model();
    FakeForm2 form2;
    FakeMessages messages;
    QCOMPARE(SimulateConverter(m, form2, messages, nullptr), SimOutcome::Completed);
    QVERIFY(sameBits(f.DeltaiL, m.SimDeltaiL));
    QVERIFY(sameBits(f.DeltaVo, m.SimDeltaVo));
    QVERIFY(sameBits(f.IDm, m.SimIDm));
    QVERIFY(sameBits(f.summaryIim, m.SimIim));
}

// Pin = Pout + the four losses at steady state.  What the simulation leaves over is
// the energy that each forward-Euler step puts into L and C at the step's start values
// (ΔiL per step over the current), and the two samples a period over which the state
// holds at the switching instants, each worth vL·iL/N of Pin.  Measured: 3.2e-4 of Pin
// for the worked example, hence 1e-3; 2.6e-3 in discontinuous conduction, where the
// current's steps are large beside its mean, and 3.6e-3 for the curve's point at 95 %
// with a 1 Ω ESR, hence 5e-3 there: still "well under 1 %".  It falls as 1/N.
void TestReal::energyBalances_data()
{
    QTest::addColumn<Inputs>("in");
    QTest::addColumn<Parasitics>("p");
    QTest::addColumn<double>("tolerance");
    QTest::newRow("worked example, typical parts") << Inputs{.NI = 100000} << kTypical << 1e-3;
    QTest::newRow("near the gain maximum") << Inputs{.D = 0.85, .NI = 100000} << Parasitics{0.5, 0.05, 0.5, 0.02, 0.05} << 1e-3;
    QTest::newRow("low duty, large ESR") << Inputs{.D = 0.1, .NI = 100000} << Parasitics{0.1, 0.05, 0.5, 0.02, 1.0} << 1e-3;
    QTest::newRow("discontinuous") << Inputs{.L = 5e-6, .NI = 100000} << kTypical << 5e-3;
}

void TestReal::energyBalances()
{
    QFETCH(Inputs, in);
    QFETCH(Parasitics, p);
    QFETCH(double, tolerance);
    const RealView v = viewOf(analyseReal(run(in), p, nullptr));
    const RealFigures& f = v.run.figures;
    QVERIFY2(relative(f.Pout + lossSum(f), f.Pin) < tolerance, qPrintable(QString::number(relative(f.Pout + lossSum(f), f.Pin))));
    QVERIFY(relative(f.efficiency, f.Pout / f.Pin) < 1e-15);
    for (const CurvePoint& point : v.points) {
        QVERIFY(point.figures);
        QVERIFY(relative(point.figures->Pout + lossSum(*point.figures), point.figures->Pin) < 5e-3);
    }
}

// One parasitic at a time, its loss against the textbook's for a triangular ripple of
// ΔiL about the mean input current Iim, with Io = Iim·D' through the load:
//   rL: rL·(Iim² + ΔiL²/12); Ron: Ron·D·(Iim² + ΔiL²/12);
//   diode: VF·Io + RD·D'·(Iim² + ΔiL²/12);
//   ESR: rC·(D·Io² + D'·((Iim − Io)² + ΔiL²/12)), which takes the load current to be
//   the same in both phases: the ESR's own step of rC·iL in the output moves it by
//   rC/RL, so the ESR stays small here.
// The simulation's own Iim and ΔiL go in.  Its samples hold over the two switching
// instants, so each phase is about 1/N off, and the ramps are not quite straight:
// measured at most 3.4e-4 apart, hence 1e-3; the ESR's 2.2e-3 is its rC/RL effect on
// the load current, hence 4e-3 for it.
void TestReal::eachLossAlone_data()
{
    QTest::addColumn<Parasitics>("p");
    QTest::addColumn<int>("which");
    QTest::addColumn<double>("tolerance");
    QTest::newRow("winding") << Parasitics{.rL = 0.2} << 0 << 1e-3;
    QTest::newRow("switch") << Parasitics{.Ron = 0.2} << 1 << 1e-3;
    QTest::newRow("diode drop") << Parasitics{.VF = 0.7} << 2 << 1e-3;
    QTest::newRow("diode resistance") << Parasitics{.RD = 0.2} << 2 << 1e-3;
    QTest::newRow("capacitor ESR") << Parasitics{.rC = 0.02} << 3 << 4e-3;
}

void TestReal::eachLossAlone()
{
    QFETCH(Parasitics, p);
    QFETCH(int, which);
    QFETCH(double, tolerance);
    const Inputs in{.NI = 100000};
    const RealFigures f = viewOf(analyseReal(run(in), p, nullptr)).run.figures;
    const double D = in.D, Dp = 1 - D, Iim = f.Iim, Io = Iim * Dp;
    const double square = Iim * Iim + f.DeltaiL * f.DeltaiL / 12;
    const double textbook[] = {p.rL * square, p.Ron * D * square, p.VF * Io + p.RD * Dp * square,
                               p.rC * (D * Io * Io + Dp * ((Iim - Io) * (Iim - Io) + f.DeltaiL * f.DeltaiL / 12))};
    const double simulated[] = {f.lossDCR, f.lossSwitch, f.lossDiode, f.lossESR};
    for (int i = 0; i < 4; ++i) {
        if (i == which)
            QVERIFY2(relative(simulated[i], textbook[i]) < tolerance, qPrintable(QString::number(relative(simulated[i], textbook[i]))));
        else
            QCOMPARE(simulated[i], 0.0);
    }
}

// The averaged model's textbook limits: the lossless Vi/D'; the winding alone,
// Vi/D'/(1 + rL/(D'²·RL)); the diode's drop alone, (Vi − D'·VF)/D'.
void TestReal::averagedTextbookLimits_data()
{
    QTest::addColumn<Parasitics>("p");
    QTest::addColumn<double>("D");
    QTest::addColumn<double>("Vo");
    const double Vi = 15, RL = 16.67;
    for (const double D : {0.0, 0.4, 0.9}) {
        const double Dp = 1 - D;
        QTest::addRow("lossless at %g", D) << Parasitics{} << D << Vi / Dp;
        QTest::addRow("winding at %g", D) << Parasitics{.rL = 0.3} << D << Vi / Dp / (1 + 0.3 / (Dp * Dp * RL));
        QTest::addRow("diode drop at %g", D) << Parasitics{.VF = 0.6} << D << (Vi - Dp * 0.6) / Dp;
    }
}

void TestReal::averagedTextbookLimits()
{
    QFETCH(Parasitics, p);
    QFETCH(double, D);
    QFETCH(double, Vo);
    const std::optional<AveragedPoint> a = averagedAt(run({}), p, D);
    QVERIFY(a);
    QVERIFY(relative(a->Vo, Vo) < 1e-14);
    QVERIFY(relative(a->Iim * 15 * a->efficiency, Vo * Vo / 16.67) < 1e-14); // Pin·η = Pout
}

// With the winding alone M = RL·D'/(D'²·RL + rL), highest at D' = √(rL/RL) with
// M = √(RL/rL)/2.  With the switch alone M = RL·D'/(D'²·RL + D·Ron), whose derivative
// RL·(Ron − D'²·RL)/(…)² vanishes at D' = a = √(Ron/RL) too, with M = √(RL/Ron)/(2 − a).
void TestReal::gainMaximumOfOneResistance_data()
{
    QTest::addColumn<Parasitics>("p");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("M");
    const auto winding = [](double r) { return std::sqrt(16.67 / r) / 2; };
    const auto sw = [](double r) { return std::sqrt(16.67 / r) / (2 - std::sqrt(r / 16.67)); };
    QTest::newRow("winding 0.1 ohm") << Parasitics{.rL = 0.1} << 0.1 << winding(0.1);
    QTest::newRow("winding 1 ohm") << Parasitics{.rL = 1} << 1.0 << winding(1);
    QTest::newRow("winding 1 micro-ohm, a hair from D = 1") << Parasitics{.rL = 1e-6} << 1e-6 << winding(1e-6);
    QTest::newRow("switch 0.05 ohm, an ideal winding") << Parasitics{.Ron = 0.05} << 0.05 << sw(0.05);
    QTest::newRow("switch 2 ohm") << Parasitics{.Ron = 2} << 2.0 << sw(2);
}

void TestReal::gainMaximumOfOneResistance()
{
    QFETCH(Parasitics, p);
    QFETCH(double, r);
    QFETCH(double, M);
    const std::optional<GainMaximum> max = gainMaximum(run({}), p);
    QVERIFY(max);
    QVERIFY(std::fabs(max->D - (1 - std::sqrt(r / 16.67))) < 1e-6);
    QVERIFY(relative(max->gain, M) < 1e-9);
    QVERIFY(!gainMaximum(run({}), {.VF = 0.5, .RD = 0.1})); // nothing stops the current near D = 1
}

// Below Lcrit the ideal converter's simulated output follows the discontinuous gain;
// the 2/N that the samples lag the circuit each period moves it by about 1/N of the
// current's fall: measured 0.3 % at N = 1000, hence 0.6 %.
void TestReal::idealDiscontinuousGain()
{
    const Inputs in{.L = 5e-6, .NI = 100000};
    QVERIFY(in.L < criticalInductance(run(in)));
    QVERIFY(relative(criticalInductance(run(in)), 0.4 * 0.36 * 16.67 / (2 * 80000)) < 1e-15);
    const RealView v = viewOf(analyseReal(run(in), {}, nullptr));
    QVERIFY(v.run.figures.discontinuous);
    QVERIFY2(relative(v.run.figures.Vo, v.VoIdeal) < 6e-3, qPrintable(QString::number(relative(v.run.figures.Vo, v.VoIdeal))));
    QVERIFY(!v.ideal.continuous && !v.ideal.DeltaVo);
}

// The curve's points start from the averaged operating point; what they reach is the
// steady state a run from rest reaches, to the rounding noise of stepping a period.
void TestReal::steadyStateFromTheOperatingPointIsTheOneFromRest_data()
{
    QTest::addColumn<Inputs>("in");
    QTest::newRow("worked example at 40 %") << Inputs{.NI = 2147483647};
    QTest::newRow("at 10 %") << Inputs{.D = 0.1, .NI = 2147483647};
    QTest::newRow("at 85 %") << Inputs{.D = 0.85, .NI = 2147483647};
    QTest::newRow("discontinuous at 40 %") << Inputs{.L = 5e-6, .NI = 2147483647};
}

void TestReal::steadyStateFromTheOperatingPointIsTheOneFromRest()
{
    QFETCH(Inputs, in);
    const RealView v = viewOf(analyseReal(run(in), kTypical, nullptr));
    QVERIFY(v.run.cycleLength > 0);
    const std::variant<Setup, Stop> setup = prepareRun(in.model());
    const std::optional<RealFigures> steady = realSteadyState(std::get<Setup>(setup), kTypical, {v.averaged.Iim, v.averaged.Vo});
    QVERIFY(steady);
    const RealFigures& rest = v.run.figures;
    for (const auto& [a, b] : {std::pair(steady->Vo, rest.Vo), std::pair(steady->Pin, rest.Pin),
                               std::pair(steady->lossDiode, rest.lossDiode), std::pair(steady->DeltaiL, rest.DeltaiL)})
        QVERIFY2(relative(a, b) < 1e-9, qPrintable(QString::number(relative(a, b))));
    QCOMPARE(steady->discontinuous, rest.discontinuous);
}

void TestReal::refusals_data()
{
    QTest::addColumn<Inputs>("in");
    QTest::addColumn<Parasitics>("p");
    QTest::addColumn<QString>("words");
    QTest::newRow("the drop eats the input") << Inputs{.Vi = 0.2} << kTypical << "il diodo non conduce mai";
    QTest::newRow("negative resistance") << Inputs{} << Parasitics{.RD = -0.01} << "non possono essere negative";
    QTest::newRow("no period") << Inputs{.NI = 0} << kTypical << "almeno un periodo";
    QTest::newRow("no load") << Inputs{.RL = 0} << kTypical << "RL non può essere zero";
}

void TestReal::refusals()
{
    QFETCH(Inputs, in);
    QFETCH(Parasitics, p);
    QFETCH(QString, words);
    const std::variant<RealView, Stop> result = analyseReal(run(in), p, nullptr);
    QVERIFY(std::holds_alternative<Stop>(result));
    QVERIFY2(std::get<Stop>(result).message.contains(words), qPrintable(std::get<Stop>(result).message));
}

// One row per duty cycle 0..99 %; the simulated cells only at the points, 5..95 %; the
// averaged cells empty where the drop eats the input (here below 3 %, Vi = 0.5 V).
void TestReal::curveCsv()
{
    const RealView v = viewOf(analyseReal(run({.Vi = 0.5, .D = 0.5, .NI = 300}), kTypical, nullptr));
    const QList<QByteArray> lines = realCsv(v).split('\n');
    QCOMPARE(lines.size(), 102); // the header, 100 rows and the empty text after the last line end
    QCOMPARE(lines[0], QByteArray("D [%],M ideale,M medio,rendimento medio,M simulato,rendimento simulato"));
    for (int percent = 0; percent < 100; ++percent) {
        const QList<QByteArray> cells = lines[percent + 1].split(',');
        QCOMPARE(cells.size(), 6);
        QCOMPARE(cells[0].toInt(), percent);
        QVERIFY(relative(cells[1].toDouble(), 1 / (1 - percent / 100.0)) < 1e-15); // continuous at every D
        QCOMPARE(cells[2].isEmpty(), 0.5 <= (1 - percent / 100.0) * kTypical.VF);
        if (!cells[2].isEmpty()) { // the averaged columns, each under its own heading
            const double D = percent / 100.0, Dp = 1 - D, RL = v.inputs.RL;
            const double X = kTypical.rL + D * kTypical.Ron + Dp * kTypical.RD;
            const double Vo = (0.5 - Dp * kTypical.VF) * RL * Dp / (Dp * Dp * RL + X);
            QVERIFY2(relative(cells[2].toDouble(), Vo / 0.5) < 1e-12, lines[percent + 1].constData());
            QVERIFY2(relative(cells[3].toDouble(), Vo * Dp / 0.5) < 1e-12, lines[percent + 1].constData());
        }
        const bool point = percent >= 5 && percent % 5 == 0;
        QCOMPARE(!cells[4].isEmpty() && !cells[5].isEmpty(), point);
    }
    QCOMPARE(lines[41].split(',')[4].toDouble(), v.points[7].figures->Vo / 0.5);
    QVERIFY(relative(lines[41].split(',')[5].toDouble(), v.points[7].figures->Pout / v.points[7].figures->Pin) < 1e-15);
}

// ngspice reads a resistance of 0 as 1 mΩ and needs a switch's RON above 0: a part the
// student leaves ideal must not become a small resistance in the exported circuit.  With
// all five at zero the only resistor is the load, the three series elements are joined
// by zero-volt sources and the switch gets a negligible 1 µΩ.
void TestReal::netlistWithIdealParts()
{
    const QList<QByteArray> lines = spiceNetlist(run({}), {}).split('\n');
    QStringList resistors, joins;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> words = line.split(' ');
        if (line.startsWith('R'))
            resistors << QString::fromLatin1(line);
        if (line.startsWith('V') && words.size() == 5 && words[3] == "DC" && words[4] == "0")
            joins << QString::fromLatin1(words[0]);
    }
    QCOMPARE(resistors, QStringList({"RL out 0 16.67"}));
    for (const char* join : {"VrL", "VD", "VC"})
        QVERIFY2(joins.contains(join), qPrintable(joins.join(' ')));
    QVERIFY(spiceNetlist(run({}), {}).contains("RON=1e-06 "));
}

QTEST_GUILESS_MAIN(TestReal)
#include "test_real.moc"
