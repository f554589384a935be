// The converter simulation: bit for bit against a literal every-period reference, the
// steady state of an ideal boost converter, and what refusals, faults and cancellation
// leave behind.
#include "app/model.h"
#include "app/numbers.h"
#include "plot/plot.h"
#include "sim/extremes.h"
#include "sim/simulation.h"
#include "simfakes.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct Inputs {
    double Vi = 15, D = 0.4, Freq = 80000, L = 75e-6, C = 125e-6, RL = 16.67;
    std::int32_t N = 1000, NI = 5000;
};

Model modelFor(const Inputs& in)
{
    Model m;
    m.Vi = in.Vi, m.D = in.D, m.Freq = in.Freq, m.L = in.L, m.C = in.C, m.RL = in.RL;
    m.N = in.N, m.NP = 2, m.NI = in.NI;
    return m;
}

// The update formulas written out over five arrays for every period; the simulation
// must store exactly the same doubles.
Model reference(const Inputs& in, bool& positive)
{
    Model r = modelFor(in);
    r.Dt = (1 / r.Freq) / r.N;
    std::vector<double>* const waves[] = {&r.WaveIL, &r.WaveVo, &r.WaveIC, &r.WaveVL, &r.WaveID};
    for (auto* w : waves)
        w->assign(r.N + 2, 0.0);
    auto &IL = r.WaveIL, &VO = r.WaveVo, &IC = r.WaveIC, &VL = r.WaveVL, &ID = r.WaveID;
    const int on = *RoundToInt32(r.N * r.D), off = *RoundToInt32(r.N * r.D + 1);
    for (int iter = 1; iter <= r.NI; ++iter) {
        for (int K = 1; K <= on; ++K) {
            IL[K + 1] = (r.Vi * r.Dt) / r.L + IL[K];
            VO[K + 1] = VO[K] - (r.Dt * VO[K]) / (r.C * r.RL);
            IC[K] = ((VO[K + 1] - VO[K]) * r.C) / r.Dt;
            ID[K] = 0;
            VL[K] = ((IL[K + 1] - IL[K]) * r.L) / r.Dt;
        }
        IL[off] = IL[on];
        VO[off] = VO[on];
        for (int K = off; K <= r.N; ++K) {
            IL[K + 1] = ((r.Vi - VO[K]) * r.Dt) / r.L + IL[K];
            VO[K + 1] = (VO[K] - (r.Dt * VO[K]) / (r.C * r.RL)) + (r.Dt * IL[K]) / r.C;
            IC[K] = ((VO[K + 1] - VO[K]) * r.C) / r.Dt;
            ID[K] = VO[K] / r.RL + IC[K];
            VL[K] = ((IL[K + 1] - IL[K]) * r.L) / r.Dt;
        }
        for (auto* w : waves)
            (*w)[1] = (*w)[r.N];
    }
    positive = true;
    for (int K = 1; K <= r.N; ++K)
        positive = positive && IL[K] > 0;
    if (positive) {
        FindMaxIL(r), FindMinIL(r), FindMaxIC(r), FindMaxVo(r), FindMinVo(r), FindMaxVL(r);
        r.SimDeltaiL = r.MaxIL - r.MinIL;
        r.SimDeltaVo = (r.MaxVo - r.MinVo) * 1000;
        r.SimIDP = r.MaxIL;
        double s = 0;
        for (int K = 1; K <= r.N; ++K)
            s = r.Dt * ID[K] + s;
        r.SimIDm = r.Freq * s;
        s = 0;
        for (int K = 1; K <= r.N; ++K)
            s = r.Dt * IL[K] + s;
        r.SimIim = r.Freq * s;
    }
    return r;
}

template <typename T>
bool sameBits(const T& a, const T& b)
{
    if constexpr (std::is_same_v<T, double>)
        return std::memcmp(&a, &b, sizeof a) == 0;
    else
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

void requireReference(const Inputs& in)
{
    bool positive = false;
    const Model r = reference(in, positive);
    Model m = modelFor(in);
    FakeForm2 form2;
    FakeMessages ui;
    QCOMPARE(SimulateConverter(m, form2, ui, nullptr), positive ? SimOutcome::Completed : SimOutcome::Refused);
    QVERIFY(sameBits(m.Dt, r.Dt));
    for (auto wave : {&Model::WaveIL, &Model::WaveVo, &Model::WaveIC, &Model::WaveVL, &Model::WaveID})
        QVERIFY(sameBits(m.*wave, r.*wave));
    for (auto value : {&Model::MaxIL, &Model::MinIL, &Model::MaxIC, &Model::MaxVo, &Model::MinVo,
                       &Model::MaxVL, &Model::SimDeltaiL, &Model::SimDeltaVo, &Model::SimIDP,
                       &Model::SimIDm, &Model::SimIim})
        QVERIFY(sameBits(m.*value, r.*value));
}

int frameDrawCalls()
{
    FakeForm2 plot;
    DrawPlotFrame(plot);
    return plot.drawCalls;
}

Inputs with(Inputs in, auto change)
{
    change(in);
    return in;
}

} // namespace

Q_DECLARE_METATYPE(Inputs)
Q_DECLARE_METATYPE(SimOutcome)

class TestSimulation : public QObject {
    Q_OBJECT
private slots:
    void matchesReference_data()
    {
        QTest::addColumn<Inputs>("in");
        const Inputs shortRun = with({}, [](Inputs& i) { i.N = 100, i.NI = 50; });
        QTest::newRow("worked example") << Inputs{};
        QTest::newRow("N·D = 2.5: off-phase starts two samples on")
            << with({}, [](Inputs& i) { i.N = 10, i.D = 0.25, i.NI = 300; });
        QTest::newRow("N·D = 3.5: both phases compute sample 4")
            << with({}, [](Inputs& i) { i.N = 10, i.D = 0.35, i.NI = 300; });
        QTest::newRow("no on-phase") << with({}, [](Inputs& i) { i.D = 0.0004, i.NI = 50; });
        QTest::newRow("empty off-phase") << with({}, [](Inputs& i) { i.D = 0.9996, i.NI = 20; });
        QTest::newRow("N·D = 4.5 of 5: on-phase reaches sample N")
            << with({}, [](Inputs& i) { i.N = 5, i.D = 0.9, i.NI = 30; });
        QTest::newRow("no period") << with({}, [](Inputs& i) { i.NI = 0; });
        QTest::newRow("one period") << with({}, [](Inputs& i) { i.NI = 1; });
        QTest::newRow("one sample, N·D = 0.5") << with({}, [](Inputs& i) { i.N = 1, i.D = 0.5, i.NI = 40; });
        QTest::newRow("two samples") << with({}, [](Inputs& i) { i.N = 2, i.NI = 40; });
        QTest::newRow("discontinuous conduction")
            << with({}, [](Inputs& i) { i.L = 5e-6, i.N = 100, i.NI = 500; });
        QTest::newRow("negative inductance") << with(shortRun, [](Inputs& i) { i.L = -75e-6; });
        QTest::newRow("negative capacitance") << with(shortRun, [](Inputs& i) { i.C = -125e-6; });
        QTest::newRow("negative load") << with(shortRun, [](Inputs& i) { i.RL = -16.67; });
        QTest::newRow("negative frequency") << with(shortRun, [](Inputs& i) { i.Freq = -80000; });
    }
    void matchesReference()
    {
        QFETCH(Inputs, in);
        requireReference(in);
    }

    // Every way N·D can round for short periods, over the first few periods.
    void matchesReferenceForEveryShortPeriod()
    {
        for (std::int32_t n = 1; n <= 12; ++n)
            for (int quarter = 1; quarter < 4 * n; ++quarter)
                for (std::int32_t periods = 1; periods <= 3; ++periods)
                    requireReference(with({}, [&](Inputs& i) { i.N = n, i.D = quarter / (4.0 * n), i.NI = periods; }));
    }

    // An ideal boost converter in continuous conduction settles at Vo = Vi/(1 − D),
    // with an inductor ripple of Vi·D/(f·L) and, lossless, Vi·Iim = Vo²/RL.  The
    // switching instant and the wrap each hold the state for one step, and forward
    // Euler adds its own error, so all three are met within 1 %.
    void steadyState_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::newRow("worked example") << Inputs{};
        QTest::newRow("12 V to 24 V") << Inputs{12, 0.5, 100000, 100e-6, 100e-6, 10, 500, 3000};
    }
    void steadyState()
    {
        QFETCH(Inputs, in);
        Model m = modelFor(in);
        FakeForm2 form2;
        FakeMessages ui;
        QCOMPARE(SimulateConverter(m, form2, ui, nullptr), SimOutcome::Completed);
        double sum = 0;
        for (int k = 1; k <= m.N; ++k)
            sum += m.WaveVo[k];
        const double idealVo = in.Vi / (1 - in.D), idealRipple = in.Vi * in.D / (in.Freq * in.L);
        QVERIFY(std::fabs(sum / m.N - idealVo) < 0.01 * idealVo);
        QVERIFY(std::fabs(m.SimDeltaiL - idealRipple) < 0.01 * idealRipple);
        QVERIFY(std::fabs(m.SimIim - idealVo * idealVo / in.RL / in.Vi) < 0.01 * m.SimIim);
    }

    void workedExample()
    {
        Model m = modelFor(Inputs{});
        FakeForm2 form2;
        FakeMessages ui;
        FakeProgress progress(0);
        QCOMPARE(SimulateConverter(m, form2, ui, &progress), SimOutcome::Completed);
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(progress.calls.size(), 5000);
        QCOMPARE(progress.calls.last(), qMakePair(5000, 5000));
        QVERIFY(std::fabs(m.Dt - 12.5e-9) < 1e-22);
        QVERIFY(std::fabs(m.SimDeltaiL - 0.998) < 0.0005);
        QVERIFY(std::fabs(m.SimDeltaVo - 59.8) < 0.05);
        QVERIFY(std::fabs(m.SimIDP - 3.00) < 0.005);
        QVERIFY(std::fabs(m.SimIDm - 1.50) < 0.005);
        QVERIFY(std::fabs(m.SimIim - 2.50) < 0.005);
        QVERIFY(std::fabs(m.MaxVo - 25.0) < 0.05);
        QVERIFY(std::fabs(m.MaxVL - 15.0) < 1e-9); // the on-phase inductor voltage is Vi
        QCOMPARE(form2.shows, 1);
        QVERIFY(form2.drawCalls > frameDrawCalls());
        QVERIFY(m.Drawn.valid && m.Drawn.Freq == 80000 && m.Drawn.NP == 2 && m.Drawn.N == 1000);
    }

    // Refusal, faults and cancellation: one message, the frame without traces, and the
    // extremes and summary values of the previous run.
    void notCompleted_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::addColumn<int>("cancelAt");
        QTest::addColumn<SimOutcome>("outcome");
        QTest::addColumn<QString>("says");
        QTest::addColumn<bool>("arraysKept");
        const auto fault = [](const char* name, auto change, const char* says, bool kept = true) {
            const Inputs in = with(with({}, [](Inputs& i) { i.N = 100, i.NI = 20; }), change);
            QTest::newRow(name) << in << 0 << SimOutcome::Fault << QString::fromUtf8(says) << kept;
        };
        QTest::newRow("discontinuous conduction")
            << with({}, [](Inputs& i) { i.L = 5e-6, i.N = 100, i.NI = 500; }) << 0 << SimOutcome::Refused
            << QString::fromUtf8("Il Duty Cycle non può essere così basso, la corrente nell'induttore non "
                                 "può annullarsi, prova ad aumentare L ( anche di molto )!")
            << false;
        QTest::newRow("no period at all") << with({}, [](Inputs& i) { i.NI = 0; }) << 0 << SimOutcome::Refused
                                          << "corrente nell'induttore" << false;
        QTest::newRow("cancelled after the first period") << Inputs{} << 1 << SimOutcome::Cancelled
                                                          << "Simulazione interrotta dall'utente." << false;
        QTest::newRow("cancelled after the last period")
            << with({}, [](Inputs& i) { i.NI = 6; }) << 6 << SimOutcome::Cancelled << "interrotta" << false;
        fault("zero frequency", [](Inputs& i) { i.Freq = 0; }, "frequenza di commutazione f non può essere zero");
        fault("infinite frequency, zero step", [](Inputs& i) { i.Freq = std::numeric_limits<double>::infinity(); },
              "passo di simulazione");
        fault("subnormal frequency, infinite step", [](Inputs& i) { i.Freq = 1e-310; }, "passo di simulazione");
        fault("no samples", [](Inputs& i) { i.N = 0; }, "almeno 1");
        fault("negative samples", [](Inputs& i) { i.N = -5; }, "almeno 1");
        fault("samples beyond the memory budget", [](Inputs& i) { i.N = MaxSamplesPerPeriod + 1; },
              "con N = 6710885 la simulazione richiederebbe più di 256 MiB di memoria. Il valore massimo è 6710884.");
        fault("zero inductance", [](Inputs& i) { i.L = 0; }, "induttanza L");
        fault("zero capacitance", [](Inputs& i) { i.C = 0; }, "capacità C");
        fault("zero load", [](Inputs& i) { i.RL = 0; }, "resistenza di carico RL");
        fault("duty cycle not a number", [](Inputs& i) { i.D = std::nan(""); }, "Duty Cycle");
        fault("duty cycle overflowing the rounding", [](Inputs& i) { i.D = 1e10; }, "Duty Cycle");
        fault("duty cycle above one", [](Inputs& i) { i.D = 1.5; }, "Duty Cycle");
        fault("unstable step diverging over many periods", [](Inputs& i) { i.C = 1e-12, i.RL = 1e-3; },
              "divergente", false);
        fault("unstable step diverging in the only period",
              [](Inputs& i) { i.C = 1e-12, i.RL = 1e-3, i.N = 2000, i.NI = 1; }, "divergente", false);
    }
    void notCompleted()
    {
        QFETCH(Inputs, in);
        QFETCH(int, cancelAt);
        QFETCH(SimOutcome, outcome);
        QFETCH(QString, says);
        QFETCH(bool, arraysKept);
        Model m = modelFor(in);
        const double earlier[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        double* const results[] = {&m.MaxIL,      &m.MinIL,      &m.MaxIC,  &m.MaxVo,  &m.MinVo, &m.MaxVL,
                                   &m.SimDeltaiL, &m.SimDeltaVo, &m.SimIDP, &m.SimIDm, &m.SimIim};
        for (int i = 0; i < 11; ++i)
            *results[i] = earlier[i];
        m.WaveIL = {1, 2, 3};
        m.Drawn.valid = true;
        FakeForm2 form2;
        FakeMessages ui;
        FakeProgress progress(cancelAt);
        QCOMPARE(SimulateConverter(m, form2, ui, cancelAt ? &progress : nullptr), outcome);

        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(m.MsgText, ui.messages.first());
        QVERIFY2(m.MsgText.contains(says), qPrintable(m.MsgText));
        for (int i = 0; i < 11; ++i)
            QCOMPARE(*results[i], earlier[i]);
        QCOMPARE(form2.shows, 1);
        QCOMPARE(form2.drawCalls, frameDrawCalls());
        QCOMPARE(m.WaveIL == std::vector<double>({1, 2, 3}), arraysKept);
        QCOMPARE(m.Drawn.valid, arraysKept);
        QCOMPARE(progress.calls.size(), cancelAt);
        if (cancelAt)
            QCOMPARE(progress.calls.last(), qMakePair(cancelAt, in.NI));
    }
};

QTEST_GUILESS_MAIN(TestSimulation)
#include "test_simulation.moc"
