// The converter simulation: bit for bit against the update formulas written out for
// every period, the ideal steady state, what refusals, faults and cancellation leave,
// and the extremes.
#include "app/model.h"
#include "app/numbers.h"
#include "fakes.h"
#include "sim/extremes.h"
#include "sim/runprogress.h"
#include "sim/simulation.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <random>

namespace {
using Waves = std::vector<double> Model::*;
constexpr Waves kWaves[] = {&Model::WaveIL, &Model::WaveVo, &Model::WaveIC, &Model::WaveVL, &Model::WaveID};
// The results a run computes besides its arrays.
constexpr double Model::* kResults[] = {&Model::Dt, &Model::MaxIL, &Model::MinIL, &Model::MaxIC, &Model::MaxVo,
    &Model::MinVo, &Model::MaxVL, &Model::SimDeltaiL, &Model::SimDeltaVo, &Model::SimIDP, &Model::SimIDm,
    &Model::SimIim};

// The update formulas written out over five arrays for every period; the simulation
// must store exactly the same doubles.
Model reference(const Inputs& in, bool& positive)
{
    Model r = in.model();
    r.Dt = (1 / r.Freq) / r.N;
    for (Waves w : kWaves)
        (r.*w).assign(r.N + 2, 0.0);
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
        for (Waves w : kWaves)
            (r.*w)[1] = (r.*w)[r.N];
    }
    positive = std::all_of(IL.begin() + 1, IL.begin() + r.N + 1, [](double i) { return i > 0; });
    if (!positive)
        return r;
    for (auto find : {FindMaxIL, FindMinIL, FindMaxIC, FindMaxVo, FindMinVo, FindMaxVL})
        find(r);
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
    return r;
}

bool sameBits(const Model& a, const Model& b)
{
    for (Waves w : kWaves) {
        if ((a.*w).size() != (b.*w).size() || std::memcmp((a.*w).data(), (b.*w).data(), (a.*w).size() * 8) != 0)
            return false;
    }
    return std::all_of(std::begin(kResults), std::end(kResults),
                       [&](auto value) { return std::memcmp(&(a.*value), &(b.*value), 8) == 0; });
}

constexpr std::size_t kFrameDrawCalls = 6; // the ticks, then the five zero lines
} // namespace

// How a run that does not complete must end, and what its message says.
struct Stop { Inputs in; SimOutcome outcome; QString says; bool arraysKept; int cancelAt = 0; };

Q_DECLARE_METATYPE(Inputs)
Q_DECLARE_METATYPE(Stop)

Q_DECLARE_METATYPE(RunProgress)

class TestSimulation : public QObject {
    Q_OBJECT
private slots:
    // Bit for bit, also once the start states of the periods repeat and the run steps
    // only the periods up to the last one's place in the cycle.  fromRepeat: NI counts
    // from the period where the repeat is found.
    void matchesReference_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::addColumn<bool>("fromRepeat");
        const auto row = [](const char* theme, const Inputs& in, bool fromRepeat = false) {
            QTest::newRow(theme) << in << fromRepeat;
        };
        row("worked example", {});
        row("worked example past its fixed point", {.NI = 20000});
        row("N·D = 2.5: off-phase starts two samples on", {.D = 0.25, .N = 10, .NI = 20000});
        row("N·D = 3.5: both phases compute sample 4", {.D = 0.35, .N = 10, .NI = 20000});
        row("N·D = 1 of 5: a one-sample on-phase", {.D = 0.2, .N = 5, .NI = 30});
        row("N·D = 4 of 5: a one-sample off-phase", {.D = 0.8, .N = 5, .NI = 30});
        row("N·D = 4.5 of 5: empty off-phase after N - 1", {.D = 0.9, .N = 5, .NI = 30});
        row("no period", {.NI = 0});
        // With N = 100 the worked example ends in a cycle of 256 periods.
        row("cycle of 256: at the repeat", {.N = 100, .NI = 0}, true);
        row("cycle of 256: one before the repeat", {.N = 100, .NI = -1}, true);
        row("cycle of 256: one after the repeat", {.N = 100, .NI = 1}, true);
        row("cycle of 256: half a cycle after", {.N = 100, .NI = 128}, true);
        row("cycle of 256: a whole cycle after", {.N = 100, .NI = 256}, true);
        row("cycle of 256: far past the repeat", {.N = 100, .NI = 100001}, true);
        // Designs as the design calculation makes them, with few samples, so that the
        // plain loop is cheap: most settle, each into a cycle of its own.
        std::mt19937 rng(7);
        const auto uniform = [&](double from, double to) { return std::uniform_real_distribution(from, to)(rng); };
        for (int i = 0; i < 24; ++i) {
            const double vi = uniform(5, 50), vo = vi * uniform(1.3, 4), f = uniform(2e4, 2e5), io = uniform(0.5, 5);
            const double d = 1 - vi / vo, iim = io / (1 - d);
            const Inputs in{vi, d, f, (vo - vi) * vi / (f * vo * uniform(0.2, 0.6) * iim),
                            (vo - vi) * io / (f * vo * vo * uniform(0.005, 0.03)), vo / io,
                            std::uniform_int_distribution(10, 40)(rng), std::uniform_int_distribution(1, 20000)(rng)};
            QTest::newRow(qPrintable(QString("random design %1").arg(i))) << in << false;
        }
    }
    void matchesReference()
    {
        QFETCH(Inputs, in);
        QFETCH(bool, fromRepeat);
        FakeForm2 form2;
        FakeMessages ui;
        std::int32_t repeat = std::numeric_limits<std::int32_t>::max(); // the period whose start state repeats
        if (fromRepeat) {
            Model probe = Inputs{in.Vi, in.D, in.Freq, in.L, in.C, in.RL, in.N, repeat}.model();
            FakeForm2 probeWindow;
            FakeProgress progress;
            SimulateConverter(probe, probeWindow, ui, &progress);
            const auto known = std::find_if(progress.reports.begin(), progress.reports.end(),
                                            [](const RunProgress& p) { return p.endKnown(); });
            repeat = std::int32_t(known->done) + 1;
            in.NI += repeat;
        }
        bool positive = false;
        const Model r = reference(in, positive);
        Model m = in.model();
        FakeProgress progress;
        QCOMPARE(SimulateConverter(m, form2, ui, &progress), positive ? SimOutcome::Completed : SimOutcome::Refused);
        QVERIFY(sameBits(m, r));
        QCOMPARE(form2.draws.size() > kFrameDrawCalls, positive);
        // Told of every period stepped, of all NI until the states repeat, then of fewer.
        const qsizetype stepped = progress.reports.size();
        QVERIFY(stepped == std::max(in.NI, 0) || stepped < in.NI);
        for (qsizetype i = 0; i < stepped; ++i) {
            const RunProgress& p = progress.reports[i];
            QVERIFY(p.done == i + 1 && p.requested == in.NI && (!p.endKnown() || (p.end == stepped && p.repeated)));
        }
        // A cycle of 256 lets the run skip its whole turns; a fixed point is seen at once.
        if (fromRepeat)
            QCOMPARE(stepped, in.NI < repeat ? in.NI : repeat + (in.NI - repeat) % 256);
        if (QByteArray(QTest::currentDataTag()) == "worked example past its fixed point")
            QCOMPARE(stepped, 10613);
        if (QByteArray(QTest::currentDataTag()) != "worked example")
            return;
        // An ideal boost converter in continuous conduction settles at Vo = Vi/(1 − D) with
        // an inductor ripple of Vi·D/(f·L).  The switching instant and the wrap each hold
        // the state for one step, and forward Euler adds its own error: both within 1 %.
        const double meanVo = std::accumulate(m.WaveVo.begin() + 1, m.WaveVo.begin() + m.N + 1, 0.0) / m.N;
        QVERIFY(std::fabs(meanVo - 25) < 0.25);
        QVERIFY(std::fabs(m.SimDeltaiL - 1) < 0.01);
    }

    // Refusal, faults and cancellation: one message, the frame without traces, and the
    // extremes and summary values of the previous run.  arraysKept: the arrays of the
    // previous run stay, and the plot drawn from them.
    void notCompleted_data()
    {
        QTest::addColumn<Stop>("stop");
        const auto fault = SimOutcome::Fault, cancelled = SimOutcome::Cancelled, refused = SimOutcome::Refused;
        const auto row = [](const char* theme, const Stop& stop) { QTest::newRow(theme) << stop; };
        row("discontinuous conduction", {{.L = 5e-6, .N = 100, .NI = 500}, refused, "non può annullarsi", false});
        row("the largest N, no period", {{.N = kMaxSamplesPerPeriod, .NI = 0}, refused, "annullarsi", false});
        row("cancelled after the first period", {{.N = 100, .NI = 20}, cancelled, "interrotta", false, 1});
        row("cancelled after the last period", {{.N = 100, .NI = 20}, cancelled, "interrotta", false, 20});
        row("zero frequency", {{.Freq = 0}, fault, "frequenza di commutazione f non può essere zero", true});
        row("subnormal frequency, infinite step", {{.Freq = 1e-310}, fault, "passo di simulazione", true});
        row("no samples", {{.N = 0}, fault, "almeno 1", true});
        row("one sample beyond the memory budget",
            {{.N = kMaxSamplesPerPeriod + 1}, fault,
             "N = 6710885 la simulazione richiederebbe più di 256 MiB di memoria. Il valore massimo è 6710884.", true});
        row("zero inductance", {{.L = 0}, fault, "induttanza L", true});
        row("negative inductance simulated as it is", {{.L = -75e-6, .N = 100, .NI = 50}, refused, "annullarsi", false});
        row("zero capacitance", {{.C = 0}, fault, "capacità C", true});
        row("zero load", {{.RL = 0}, fault, "resistenza di carico RL", true});
        row("duty cycle not a number", {{.D = std::nan("")}, fault, "Duty Cycle", true});
        row("duty cycle above one", {{.D = 1.5}, fault, "Duty Cycle", true});
        // A duty cycle whose on-samples round to all N or none leaves the switch as it is:
        // named in the student's decimal comma, with what mends it.
        row("N·D = 999.5 rounds to all N samples on",
            {{.D = 0.9995, .NI = 20}, fault,
             "Con N = 1000 campioni per periodo il duty cycle 99,95 % lascia l'interruttore sempre chiuso: aumenta N o "
             "cambia D.", true});
        row("N·D = 0.4 rounds to none", {{.D = 0.0004, .NI = 50}, fault, "il duty cycle 0,04 % lascia l'interruttore sempre aperto", true});
        row("one sample, N·D = 0.5 rounds to none", {{.D = 0.5, .N = 1}, fault, "N = 1 campioni per periodo il duty cycle 50 %", true});
        row("unstable step diverging over many periods",
            {{.C = 1e-12, .RL = 1e-3, .N = 100, .NI = 20}, fault, "divergente", false});
        row("unstable step diverging in the only period",
            {{.C = 1e-12, .RL = 1e-3, .N = 2000, .NI = 1}, fault, "divergente", false});
    }
    void notCompleted()
    {
        QFETCH(Stop, stop);
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        Model m = stop.in.model();
        for (std::size_t i = 1; i < std::size(kResults); ++i)
            m.*kResults[i] = double(i);
        m.WaveIL = {1, 2, 3};
        m.Drawn.valid = true;
        FakeForm2 form2;
        FakeProgress progress;
        progress.cancelAt = stop.cancelAt;
        // The message of a run must not stand over a progress dialog still on screen.
        struct AfterProgress : FakeMessages {
            const FakeProgress* progress = nullptr;
            bool progressGone = true;
            void ShowMessage(const QString& text) override
            {
                progressGone = progressGone && progress->finishes == 1;
                FakeMessages::ShowMessage(text);
            }
        } ui;
        ui.progress = &progress;
        QCOMPARE(SimulateConverter(m, form2, ui, &progress), stop.outcome);
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(ui.progressGone);
        QVERIFY2(m.MsgText == ui.messages.first() && m.MsgText.contains(stop.says), qPrintable(m.MsgText));
        for (std::size_t i = 1; i < std::size(kResults); ++i)
            QCOMPARE(m.*kResults[i], double(i));
        QCOMPARE(form2.draws.size(), kFrameDrawCalls);
        QCOMPARE(m.WaveIL == std::vector<double>({1, 2, 3}), stop.arraysKept);
        QCOMPARE(m.Drawn.valid, stop.arraysKept);
        if (stop.cancelAt)
            QCOMPARE(progress.reports.size(), stop.cancelAt);
    }

    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // A progress display only for a run with half a second or more still to go, judged
    // after 50 ms; until its end is known a run is taken to go on at most as long again,
    // with a busy bar and the periods simulated so far; once the states repeat, a bar over
    // the periods left.  Digits are grouped by no-break spaces.
    void progressReading_data()
    {
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<RunProgress>("progress");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("text"); // status, then the note after " | "
        QTest::addColumn<int>("permille");
        const QString searching = "La simulazione finisce prima se lo stato del convertitore si ripete.";
        const QString repeating = "Lo stato del convertitore si ripete: i periodi che restano sono già noti.";
        const auto row = [](const char* theme, qint64 ms, RunProgress p, bool shown, const QString& text, int permille) {
            QTest::newRow(theme) << ms << p << shown << QString(text).replace(u'_', QChar(0xA0)) << permille;
        };
        row("too early to judge", 49, {1, 2147483647}, false, "Periodi simulati: 1 su 2_147_483_647.|" + searching, -1);
        row("settling run, 60 ms so far", 60, {7500, 10000000}, false,
            "Periodi simulati: 7_500 su 10_000_000.|" + searching, -1);
        row("not settled after 500 ms", 500, {75000, 10000000}, true,
            "Periodi simulati: 75_000 su 10_000_000.|" + searching, -1);
        row("late settler, past half of NI", 900, {60, 100}, true, "Periodi simulati: 60 su 100.|" + searching, -1);
        row("near the end", 2000, {99, 100}, false, "Periodi simulati: 99 su 100.|" + searching, -1);
        row("the last period", 5000, {100, 100}, false, "Periodi simulati: 100 su 100.|" + searching, -1);
        row("repeat found, a long cycle to go", 3000, {1234567, 100000000, 1534567, 1034567, true}, true,
            "Periodi simulati: 1_234_567 su 1_534_567.|" + repeating, 400);
        row("repeat found, the end in sight", 3000, {1234567, 100000000, 1234570, 1234560, true}, false,
            "Periodi simulati: 1_234_567 su 1_234_570.|" + repeating, 700);
        row("a known stretch after a search", 2000, {6000, 5000, 8000, 5000, false}, true,
            "Periodi simulati: 6_000 su 8_000.", 333);
        row("a known stretch, done", 800, {8000, 5000, 8000, 5000, false}, false, "Periodi simulati: 8_000 su 8_000.",
            1000);
    }
    void progressReading()
    {
        QFETCH(qint64, elapsedMs);
        QFETCH(RunProgress, progress);
        QFETCH(bool, shown);
        QFETCH(QString, text);
        QFETCH(int, permille);
        QCOMPARE(progressWorthShowing(elapsedMs, progress), shown);
        const QString note = progressNote(progress);
        QCOMPARE(progressStatus(progress) + (note.isEmpty() ? QString() : "|" + note), text);
        QCOMPARE(progressPermille(progress), permille);
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
        for (int i = 0; i < 5; ++i)
            for (double sample : samples)
                (m.*kWaves[i]).push_back(sample * (i + 1));
        for (auto find : {FindMaxIL, FindMinIL, FindMaxVo, FindMinVo, FindMaxIC, FindMaxVL, FindMaxID})
            find(m);
        QCOMPARE(QList<double>({m.MaxIL, m.MinIL, m.MaxVo, m.MinVo, m.MaxIC, m.MaxVL, m.MaxID}),
                 QList<double>({largest, smallest, 2 * largest, 2 * smallest, 3 * largest, 4 * largest, 5 * largest}));
    }
};

QTEST_GUILESS_MAIN(TestSimulation)
#include "test_simulation.moc"
