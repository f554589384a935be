// The converter simulation: bit for bit against a literal every-period reference, the
// ideal steady state, what refusals, faults and cancellation leave, the extremes.
#include "app/model.h"
#include "app/numbers.h"
#include "sim/extremes.h"
#include "sim/simulation.h"
#include "simfakes.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {
// The worked example: 15 V, D = 0.4, 80 kHz, 75 µH, 125 µF, 16.67 Ω.
struct Inputs {
    double Vi = 15, D = 0.4, Freq = 80000, L = 75e-6, C = 125e-6, RL = 16.67;
    std::int32_t N = 1000, NI = 5000;
    Model model() const
    {
        Model m;
        m.Vi = Vi;
        m.D = D;
        m.Freq = Freq;
        m.L = L;
        m.C = C;
        m.RL = RL;
        m.N = N;
        m.NP = 2;
        m.NI = NI;
        return m;
    }
};

// How a run that does not complete must end; arraysKept: the arrays of the previous
// run, and the plot drawn from them.
struct Stop { Inputs in; SimOutcome outcome; const char* says; bool arraysKept; std::int32_t cancelAt = 0; };

// The update formulas written out over five arrays for every period; the simulation
// must store exactly the same doubles.
Model reference(const Inputs& in, bool& positive)
{
    Model r = in.model();
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
    positive = std::all_of(IL.begin() + 1, IL.begin() + r.N + 1, [](double i) { return i > 0; });
    if (positive) {
        FindMaxIL(r);
        FindMinIL(r);
        FindMaxIC(r);
        FindMaxVo(r);
        FindMinVo(r);
        FindMaxVL(r);
        r.SimDeltaiL = r.MaxIL - r.MinIL;
        r.SimDeltaVo = (r.MaxVo - r.MinVo) * 1000;
        r.SimIDP = r.MaxIL;
        double sID = 0, sIL = 0;
        for (int K = 1; K <= r.N; ++K) {
            sID = r.Dt * ID[K] + sID;
            sIL = r.Dt * IL[K] + sIL;
        }
        r.SimIDm = r.Freq * sID;
        r.SimIim = r.Freq * sIL;
    }
    return r;
}

bool sameBits(const void* a, const void* b, std::size_t bytes) { return std::memcmp(a, b, bytes) == 0; }

constexpr std::size_t FrameDrawCalls = 6; // the ticks, then the five zero lines

// The results a run computes besides its arrays.
constexpr double Model::* Results[] = {&Model::MaxIL, &Model::MinIL, &Model::MaxIC, &Model::MaxVo, &Model::MinVo,
    &Model::MaxVL, &Model::SimDeltaiL, &Model::SimDeltaVo, &Model::SimIDP, &Model::SimIDm, &Model::SimIim};
} // namespace

Q_DECLARE_METATYPE(Inputs)
Q_DECLARE_METATYPE(Stop)

class TestSimulation : public QObject {
    Q_OBJECT
private slots:
    void matchesReference_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::newRow("worked example") << Inputs{};
        QTest::newRow("N·D = 2.5: off-phase starts two samples on") << Inputs{.D = 0.25, .N = 10, .NI = 300};
        QTest::newRow("N·D = 3.5: both phases compute sample 4") << Inputs{.D = 0.35, .N = 10, .NI = 300};
        QTest::newRow("N·D = 0.4: no on-phase") << Inputs{.D = 0.0004, .NI = 50};
        QTest::newRow("N·D = 999.6: on-phase of all N samples") << Inputs{.D = 0.9996, .NI = 20};
        QTest::newRow("N·D = 4.5 of 5: empty off-phase after N - 1") << Inputs{.D = 0.9, .N = 5, .NI = 30};
        QTest::newRow("no period") << Inputs{.NI = 0};
        QTest::newRow("one sample, N·D = 0.5") << Inputs{.D = 0.5, .N = 1, .NI = 40};
    }
    void matchesReference()
    {
        QFETCH(Inputs, in);
        bool positive = false;
        const Model r = reference(in, positive);
        Model m = in.model();
        FakeForm2 form2;
        FakeMessages ui;
        FakeProgress progress;
        QCOMPARE(SimulateConverter(m, form2, ui, &progress), positive ? SimOutcome::Completed : SimOutcome::Refused);
        QCOMPARE(progress.calls.size(), in.NI);
        QCOMPARE(form2.draws.size() > FrameDrawCalls, positive);
        QVERIFY(sameBits(&m.Dt, &r.Dt, sizeof(double)));
        for (auto wave : {&Model::WaveIL, &Model::WaveVo, &Model::WaveIC, &Model::WaveVL, &Model::WaveID})
            QVERIFY((m.*wave).size() == (r.*wave).size()
                    && sameBits((m.*wave).data(), (r.*wave).data(), (r.*wave).size() * sizeof(double)));
        for (auto value : Results)
            QVERIFY(sameBits(&(m.*value), &(r.*value), sizeof(double)));
        if (QByteArray(QTest::currentDataTag()) != "worked example")
            return;
        // An ideal boost converter in continuous conduction settles at Vo = Vi/(1 − D) with
        // an inductor ripple of Vi·D/(f·L).  The switching instant and the wrap each hold
        // the state for one step, and forward Euler adds its own error: both within 1 %.
        const double sum = std::accumulate(m.WaveVo.begin() + 1, m.WaveVo.begin() + m.N + 1, 0.0);
        const double idealVo = 15 / (1 - 0.4), idealRipple = 15 * 0.4 / (80000 * 75e-6);
        QVERIFY(std::fabs(sum / m.N - idealVo) < 0.01 * idealVo);
        QVERIFY(std::fabs(m.SimDeltaiL - idealRipple) < 0.01 * idealRipple);
    }

    // Refusal, faults and cancellation: one message, the frame without traces, and the
    // extremes and summary values of the previous run.
    void notCompleted_data()
    {
        QTest::addColumn<Stop>("stop");
        const auto fault = SimOutcome::Fault, cancelled = SimOutcome::Cancelled;
        QTest::newRow("discontinuous conduction") << Stop{{.L = 5e-6, .N = 100, .NI = 500}, SimOutcome::Refused,
                                                          "corrente nell'induttore non può annullarsi", false};
        QTest::newRow("cancelled after the first period") << Stop{{.N = 100, .NI = 20}, cancelled, "interrotta", false, 1};
        QTest::newRow("cancelled after the last period") << Stop{{.N = 100, .NI = 20}, cancelled, "interrotta", false, 20};
        QTest::newRow("zero frequency") << Stop{{.Freq = 0}, fault, "frequenza di commutazione f non può essere zero", true};
        QTest::newRow("subnormal frequency, infinite step") << Stop{{.Freq = 1e-310}, fault, "passo di simulazione", true};
        QTest::newRow("no samples") << Stop{{.N = 0}, fault, "almeno 1", true};
        QTest::newRow("samples beyond the memory budget") << Stop{{.N = MaxSamplesPerPeriod + 1}, fault,
            "N = 6710885 la simulazione richiederebbe più di 256 MiB di memoria. Il valore massimo è 6710884.", true};
        QTest::newRow("zero inductance") << Stop{{.L = 0}, fault, "induttanza L", true};
        QTest::newRow("zero capacitance") << Stop{{.C = 0}, fault, "capacità C", true};
        QTest::newRow("zero load") << Stop{{.RL = 0}, fault, "resistenza di carico RL", true};
        QTest::newRow("duty cycle not a number") << Stop{{.D = std::nan("")}, fault, "Duty Cycle", true};
        QTest::newRow("duty cycle above one") << Stop{{.D = 1.5}, fault, "Duty Cycle", true};
        QTest::newRow("unstable step diverging over many periods")
            << Stop{{.C = 1e-12, .RL = 1e-3, .N = 100, .NI = 20}, fault, "divergente", false};
        QTest::newRow("unstable step diverging in the only period")
            << Stop{{.C = 1e-12, .RL = 1e-3, .N = 2000, .NI = 1}, fault, "divergente", false};
    }
    void notCompleted()
    {
        QFETCH(Stop, stop);
        Model m = stop.in.model();
        for (std::size_t i = 0; i < std::size(Results); ++i)
            m.*Results[i] = i + 1.0;
        m.WaveIL = {1, 2, 3};
        m.Drawn.valid = true;
        FakeForm2 form2;
        FakeMessages ui;
        FakeProgress progress;
        progress.cancelAt = stop.cancelAt;
        QCOMPARE(SimulateConverter(m, form2, ui, stop.cancelAt ? &progress : nullptr), stop.outcome);
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY2(m.MsgText == ui.messages.first() && m.MsgText.contains(stop.says), qPrintable(m.MsgText));
        for (std::size_t i = 0; i < std::size(Results); ++i)
            QCOMPARE(m.*Results[i], i + 1.0);
        QCOMPARE(form2.draws.size(), FrameDrawCalls);
        QCOMPARE(m.WaveIL == std::vector<double>({1, 2, 3}), stop.arraysKept);
        QCOMPARE(m.Drawn.valid, stop.arraysKept);
        QCOMPARE(progress.calls.size(), stop.cancelAt);
    }

    // Largest and smallest absolute sample over 1..N.  The minimum starts from sample 1
    // with its sign, so a negative first sample is never replaced.  Each wave is scaled
    // differently, so a routine that reads another routine's array is caught.
    void extremes_data()
    {
        QTest::addColumn<QList<double>>("samples"); // indexes 0..N+1; the ends are never read
        QTest::addColumn<double>("largest");
        QTest::addColumn<double>("smallest");
        QTest::newRow("inductor triangle") << QList<double>{99, 2.0, 3.5, 1.5, 2.5, 99} << 3.5 << 1.5;
        QTest::newRow("negative first sample stays the minimum") << QList<double>{99, -1, 4, -6, 99} << 6.0 << -1.0;
        QTest::newRow("current of both signs") << QList<double>{-99, 0.5, -0.9, 0.2, -99} << 0.9 << 0.2;
    }
    void extremes()
    {
        QFETCH(QList<double>, samples);
        QFETCH(double, largest);
        QFETCH(double, smallest);
        Model m;
        m.N = std::int32_t(samples.size()) - 2;
        for (auto [wave, factor] : {std::pair{&Model::WaveIL, 1}, {&Model::WaveVo, 2}, {&Model::WaveIC, 3},
                                    {&Model::WaveVL, 4}, {&Model::WaveID, 5}})
            for (double sample : samples)
                (m.*wave).push_back(sample * factor);
        FindMaxIL(m);
        FindMinIL(m);
        FindMaxVo(m);
        FindMinVo(m);
        FindMaxIC(m);
        FindMaxVL(m);
        FindMaxID(m);
        QCOMPARE(QList<double>({m.MaxIL, m.MinIL, m.MaxVo, m.MinVo, m.MaxIC, m.MaxVL, m.MaxID}),
                 QList<double>({largest, smallest, 2 * largest, 2 * smallest, 3 * largest, 4 * largest, 5 * largest}));
    }
};

QTEST_GUILESS_MAIN(TestSimulation)
#include "test_simulation.moc"
