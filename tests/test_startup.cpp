// The start-up with a diode that blocks: its figures against a plain loop over every
// period written out here, the worked example's figures as an independent
// implementation found them, the verification to the last bit wherever the diode
// never blocks, and the drawing's columns and the export's rows against the samples.
#include "app/model.h"
#include "app/numbers.h"
#include "fakes.h"
#include "plot/startupplot.h"
#include "sim/simulation.h"
#include "sim/startup.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace {

// What the plain loop keeps of every period: the start state, the extremes of samples
// 2..N, and whether the diode blocked at one of them.
struct PlainPeriod {
    double iL0 = 0, vo0 = 0, iLMin = 0, iLMax = 0, voMin = 0, voMax = 0;
    bool blocked = false;
};

struct Plain {
    StartupFigures figures;
    std::vector<PlainPeriod> periods; // periods[p - 1]
    std::vector<double> iL, vo;       // every sample of the first `keep` periods, in time order, 1..N each
};

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The update formulas over five arrays for every one of NI periods, with the diode's
// current held at +0 where an off-phase update would take it below zero; every figure
// straight from its definition.
Plain plainLoop(const Inputs& in, std::int64_t keep = 0)
{
    const double dt = (1 / in.Freq) / in.N;
    std::vector<double> IL(in.N + 2), VO(in.N + 2), IC(in.N + 2), VL(in.N + 2), ID(in.N + 2);
    const int on = *RoundToInt32(in.N * in.D), off = *RoundToInt32(in.N * in.D + 1);
    Plain r;
    StartupFigures& f = r.figures;
    std::map<std::pair<std::uint64_t, std::uint64_t>, int> seen;
    for (int iter = 1; iter <= in.NI; ++iter) {
        const auto bits = std::pair(std::bit_cast<std::uint64_t>(IL[1]), std::bit_cast<std::uint64_t>(VO[1]));
        if (const auto it = seen.find(bits); it != seen.end() && f.repeatPeriod == 0)
            std::tie(f.repeatPeriod, f.cycleLength) = std::pair(it->second, iter - it->second);
        seen.emplace(bits, iter);
        PlainPeriod p{IL[1], VO[1]};
        for (int K = 1; K <= on; ++K) {
            IL[K + 1] = (in.Vi * dt) / in.L + IL[K];
            VO[K + 1] = VO[K] - (dt * VO[K]) / (in.C * in.RL);
            IC[K] = ((VO[K + 1] - VO[K]) * in.C) / dt;
            ID[K] = 0;
            VL[K] = ((IL[K + 1] - IL[K]) * in.L) / dt;
        }
        IL[off] = IL[on];
        VO[off] = VO[on];
        for (int K = off; K <= in.N; ++K) {
            IL[K + 1] = ((in.Vi - VO[K]) * dt) / in.L + IL[K];
            if (IL[K + 1] < 0 || (IL[K + 1] == 0 && std::signbit(IL[K + 1]))) {
                IL[K + 1] = 0.0;
                p.blocked = p.blocked || K + 1 <= in.N;
            }
            VO[K + 1] = (VO[K] - (dt * VO[K]) / (in.C * in.RL)) + (dt * IL[K]) / in.C;
            IC[K] = ((VO[K + 1] - VO[K]) * in.C) / dt;
            ID[K] = VO[K] / in.RL + IC[K];
            VL[K] = ((IL[K + 1] - IL[K]) * in.L) / dt;
        }
        p.iLMin = *std::min_element(IL.begin() + 2, IL.begin() + in.N + 1);
        p.iLMax = *std::max_element(IL.begin() + 2, IL.begin() + in.N + 1);
        p.voMin = *std::min_element(VO.begin() + 2, VO.begin() + in.N + 1);
        p.voMax = *std::max_element(VO.begin() + 2, VO.begin() + in.N + 1);
        if (iter <= keep) {
            r.iL.push_back(p.iL0);
            r.vo.push_back(p.vo0);
            r.iL.insert(r.iL.end(), IL.begin() + 2, IL.begin() + in.N + 1);
            r.vo.insert(r.vo.end(), VO.begin() + 2, VO.begin() + in.N + 1);
        }
        r.periods.push_back(p);
        for (auto* wave : {&IL, &VO, &IC, &VL, &ID})
            (*wave)[1] = (*wave)[in.N];
        if (iter < in.NI)
            continue;
        // Period NI as the verification summarises it: extremes of the absolute values,
        // means by the rectangle rule.
        double maxIL = std::fabs(IL[1]), minIL = std::fabs(IL[1]), maxVo = std::fabs(VO[1]), minVo = std::fabs(VO[1]);
        double sID = 0, sIL = 0, sVo = 0;
        for (int K = 1; K <= in.N; ++K) {
            maxIL = std::max(maxIL, std::fabs(IL[K]));
            minIL = std::min(minIL, std::fabs(IL[K]));
            maxVo = std::max(maxVo, std::fabs(VO[K]));
            minVo = std::min(minVo, std::fabs(VO[K]));
            sID = dt * ID[K] + sID;
            sIL = dt * IL[K] + sIL;
            sVo = dt * VO[K] + sVo;
        }
        f.VoMean = in.Freq * sVo;
        std::tie(f.DeltaiL, f.DeltaVo, f.IDP, f.IDm, f.Iim) =
            std::tuple(maxIL - minIL, (maxVo - minVo) * 1000, maxIL, in.Freq * sID, in.Freq * sIL);
    }
    for (std::size_t i = 0; i < r.periods.size(); ++i) {
        const PlainPeriod& p = r.periods[i];
        const auto period = std::int64_t(i + 1);
        if (p.iLMax > f.peakIL || f.peakILPeriod == 0)
            std::tie(f.peakIL, f.peakILPeriod) = std::pair(p.iLMax, period);
        if (p.voMax > f.peakVo || f.peakVoPeriod == 0)
            std::tie(f.peakVo, f.peakVoPeriod) = std::pair(p.voMax, period);
        if (p.blocked) {
            ++f.dcmPeriods;
            f.dcmFirst = f.dcmFirst ? f.dcmFirst : period;
            f.dcmLast = period;
        }
        const double last = r.periods.back().vo0;
        if (!(std::fabs(p.vo0 - last) <= 0.01 * std::fabs(last)))
            f.settledPeriod = period + 1;
    }
    f.settledPeriod = std::max<std::int64_t>(f.settledPeriod, 1);
    return r;
}

StartupView analysed(const Inputs& in, int columns = 400, const StartupLimits& limits = {})
{
    std::variant<StartupView, Stop> result = analyseStartup(in.model(), columns, nullptr, limits);
    if (const Stop* stop = std::get_if<Stop>(&result))
        qFatal("refused: %s", qPrintable(stop->message));
    return std::get<StartupView>(result);
}

QString differences(const StartupFigures& a, const StartupFigures& b)
{
    QString d;
    const auto check = [&d](const char* name, auto x, auto y) {
        if constexpr (std::is_same_v<decltype(x), double>) {
            if (!sameBits(x, y))
                d += QString("%1 %2 != %3; ").arg(name).arg(x, 0, 'g', 17).arg(y, 0, 'g', 17);
        } else if (x != y) {
            d += QString("%1 %2 != %3; ").arg(name).arg(x).arg(y);
        }
    };
    check("peakIL", a.peakIL, b.peakIL);
    check("peakILPeriod", a.peakILPeriod, b.peakILPeriod);
    check("peakVo", a.peakVo, b.peakVo);
    check("peakVoPeriod", a.peakVoPeriod, b.peakVoPeriod);
    check("dcmPeriods", a.dcmPeriods, b.dcmPeriods);
    check("dcmFirst", a.dcmFirst, b.dcmFirst);
    check("dcmLast", a.dcmLast, b.dcmLast);
    check("settledPeriod", a.settledPeriod, b.settledPeriod);
    check("repeatPeriod", a.repeatPeriod, b.repeatPeriod);
    check("cycleLength", a.cycleLength, b.cycleLength);
    for (const auto& [name, x, y] : {std::tuple("DeltaiL", a.DeltaiL, b.DeltaiL), {"DeltaVo", a.DeltaVo, b.DeltaVo},
                                     {"IDP", a.IDP, b.IDP}, {"IDm", a.IDm, b.IDm}, {"Iim", a.Iim, b.Iim}, {"VoMean", a.VoMean, b.VoMean}})
        check(name, x, y);
    return d;
}

// Designs a student might try, with few samples, so that the plain loop is cheap.  Found
// with such a loop: most pass through discontinuous conduction, and in floating point
// most end in a cycle of several periods rather than a fixed point.
const Inputs kCycle490{8.073808169717001, 0.67687158533413605, 54940.811931942437, 1.3923570506467619e-05,
                       0.00021627562253298936, 5.3523807641699044, 10, 7000};
const Inputs kCycle23{26.931722229424711, 0.73977836131820274, 173143.11540143244, 1.5682987593849256e-05,
                      5.7135223150960368e-06, 27.344701261405746, 34, 2500};
const Inputs kNeverBlocks{15, 0.4, 80000, 75e-6, 125e-6, 2, 100, 3000}; // heavy load: no zero current
// Discontinuous in every period from the sixth on, and from period 250 in a cycle of 2.
const Inputs kBlockedInCycle{9.9463274542106319, 0.61444013570354428, 78224.043124879914, 2.0754201169110709e-06,
                             2.5704068336804151e-05, 7.092420358319643, 21, 1250};

} // namespace

Q_DECLARE_METATYPE(Inputs)
Q_DECLARE_METATYPE(StartupLimits)
Q_DECLARE_METATYPE(SampleSpan)
Q_DECLARE_METATYPE(StartupView)

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    // Every figure equals the plain loop's, bit for bit, whether the run ends before its
    // states repeat, at the repeat, or long after it (the figures then follow from the
    // cycle); also when the recent states are too few to hold the cycle, so that it is
    // found by its length and its first period by stepping again, and when the voltage
    // log is small enough to merge its blocks many times.
    void matchesPlainLoop_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::addColumn<StartupLimits>("limits");
        const auto row = [](const char* theme, Inputs in, StartupLimits limits = {}) {
            QTest::newRow(theme) << in << limits;
        };
        row("worked example, coarse, settling and repeating", {.N = 50, .NI = 3000});
        row("worked example, coarse, before the repeat", {.N = 50, .NI = 300});
        row("discontinuous at steady state", {.L = 5e-6, .N = 100, .NI = 500});
        row("discontinuous at steady state, long after its repeat", {.L = 5e-6, .N = 40, .NI = 20000});
        row("cycle of 490 periods, long after it closes", kCycle490);
        row("cycle of 490, NI where it first closes",
            {kCycle490.Vi, kCycle490.D, kCycle490.Freq, kCycle490.L, kCycle490.C, kCycle490.RL, 10, 6322 + 490});
        row("cycle of 490, NI one short of it",
            {kCycle490.Vi, kCycle490.D, kCycle490.Freq, kCycle490.L, kCycle490.C, kCycle490.RL, 10, 6322 + 489});
        row("cycle of 23", kCycle23);
        row("cycle of 23, longer than the recent states", kCycle23, {.recentStates = 5});
        row("cycle of 23 closing within NI, seen only after it", {kCycle23.Vi, kCycle23.D, kCycle23.Freq, kCycle23.L,
            kCycle23.C, kCycle23.RL, 34, 2171 + 23 + 3}, {.recentStates = 16});
        row("cycle of 23 closing one after NI", {kCycle23.Vi, kCycle23.D, kCycle23.Freq, kCycle23.L,
            kCycle23.C, kCycle23.RL, 34, 2171 + 22}, {.recentStates = 16});
        row("cycle of 490, a tiny voltage log", kCycle490, {.recentStates = 7, .logBlocks = 4});
        row("never blocks, cycle of 30", kNeverBlocks);
        row("blocking in a cycle of 2, NI at its first period", kBlockedInCycle);
        row("blocking in a cycle of 2, NI at its second period", {kBlockedInCycle.Vi, kBlockedInCycle.D,
            kBlockedInCycle.Freq, kBlockedInCycle.L, kBlockedInCycle.C, kBlockedInCycle.RL, 21, 1251});
        row("half-sample duty: the on-phase's last sample kept", {.D = 0.25, .N = 10, .NI = 4000});
        row("half-sample duty: one sample in both phases", {.D = 0.35, .N = 10, .NI = 4000});
        row("a single period", {.N = 30, .NI = 1});
    }
    void matchesPlainLoop()
    {
        QFETCH(Inputs, in);
        QFETCH(StartupLimits, limits);
        const Plain plain = plainLoop(in);
        const StartupView view = analysed(in, 400, limits);
        const QString differ = differences(view.figures, plain.figures);
        QVERIFY2(differ.isEmpty(), qPrintable(differ));
    }

    // The worked example (15 V, 40 %, 80 kHz, 75 µH, 125 µF, 16.67 Ω, N = 1000) as an
    // independent implementation of the same definitions found it; the circuit
    // simulator agrees on the discontinuous periods, 43 to 158 (test_ngspice).
    void workedExample_data()
    {
        QTest::addColumn<std::int32_t>("NI");
        QTest::addColumn<std::int64_t>("repeat");
        QTest::newRow("the default NI, no repeat yet") << 5000 << std::int64_t(0);
        QTest::newRow("past the repeat") << 20000 << std::int64_t(9893);
        QTest::newRow("the largest NI") << 2147483647 << std::int64_t(9893);
    }
    void workedExample()
    {
        QFETCH(std::int32_t, NI);
        QFETCH(std::int64_t, repeat);
        const StartupFigures f = analysed({.NI = NI}).figures;
        QVERIFY(sameBits(f.peakIL, 33.297233276492783) && f.peakILPeriod == 22);
        QVERIFY(sameBits(f.peakVo, 47.159971216756198) && f.peakVoPeriod == 40);
        QCOMPARE(std::tuple(f.dcmPeriods, f.dcmFirst, f.dcmLast), std::tuple(116, 43, 158));
        QCOMPARE(f.settledPeriod, 753);
        QCOMPARE(std::pair(f.repeatPeriod, f.cycleLength), std::pair(repeat, repeat ? std::int64_t(1) : 0));
        // At steady state in continuous conduction: the ideal ripples of the design.
        QVERIFY(std::fabs(f.DeltaiL - 1) < 0.01 && std::fabs(f.Iim - 2.5) < 0.01);
    }

    // The mean output of the last period: Vi/(1 − D) = 25 V in continuous conduction;
    // with L = 5 µH the current falls to zero in every period and the output rises to
    // the ideal discontinuous boost's Vi·(1 + √(1 + 4D²/K))/2, K = 2L·f/RL: 35.897 V.
    void meanOutput_data()
    {
        QTest::addColumn<double>("L");
        QTest::addColumn<double>("expected");
        QTest::addColumn<double>("tolerance"); // V: the ideal formulas neglect the ripple, the held samples and Euler's error
        const double K = 2 * 5e-6 * 80000 / 16.67;
        QTest::newRow("continuous conduction") << 75e-6 << 25.0 << 0.25;
        QTest::newRow("discontinuous at steady state") << 5e-6 << 15 * (1 + std::sqrt(1 + 4 * 0.16 / K)) / 2 << 0.1;
    }
    void meanOutput()
    {
        QFETCH(double, L);
        QFETCH(double, expected);
        QFETCH(double, tolerance);
        const double mean = analysed({.L = L, .NI = 20000}).figures.VoMean;
        QVERIFY2(std::fabs(mean - expected) < tolerance, qPrintable(QString::number(mean)));
    }

    // Where the diode never blocks, the start-up is the verification's run: the last
    // period's five summary values agree to the last bit.
    void neverBlockedIsTheVerification_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::newRow("heavy load") << kNeverBlocks;
        QTest::newRow("heavy load, fine, before its repeat") << Inputs{15, 0.4, 80000, 75e-6, 125e-6, 1, 1000, 700};
        QTest::newRow("heavier load, half-sample duty") << Inputs{15, 0.35, 80000, 75e-6, 125e-6, 0.3, 10, 2000};
    }
    void neverBlockedIsTheVerification()
    {
        QFETCH(Inputs, in);
        const StartupFigures f = analysed(in).figures;
        QCOMPARE(f.dcmPeriods, 0);
        Model m = in.model();
        FakeForm2 form2;
        FakeMessages messages;
        QCOMPARE(SimulateConverter(m, form2, messages, nullptr), SimOutcome::Completed);
        QVERIFY(sameBits(f.DeltaiL, m.SimDeltaiL) && sameBits(f.DeltaVo, m.SimDeltaVo) && sameBits(f.IDP, m.SimIDP)
                && sameBits(f.IDm, m.SimIDm) && sameBits(f.Iim, m.SimIim));
    }

    // One export row per period of the whole run, or per group when there would be more
    // rows than allowed: each with its periods' extremes of samples 2..N, the voltage at
    // the start of its first period and whether the diode blocked in any.  Past the
    // repeat the rows follow from the cycle, whether a row covers whole turns of it or
    // a window of it, also when the cycle is longer than the recent states.
    void rows_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::addColumn<StartupLimits>("limits");
        QTest::addColumn<std::int64_t>("group");
        Inputs cycle490 = kCycle490;
        cycle490.NI = 7003;
        QTest::newRow("coarse worked example, one row a period") << Inputs{.N = 50, .NI = 4000} << StartupLimits{} << std::int64_t(1);
        QTest::newRow("rows of 10 periods") << Inputs{.N = 50, .NI = 4000} << StartupLimits{.maxRows = 436} << std::int64_t(10);
        QTest::newRow("cycle of 490, rows of 8: windows of it") << cycle490 << StartupLimits{.maxRows = 876} << std::int64_t(8);
        QTest::newRow("the same, longer than the recent states") << cycle490 << StartupLimits{.recentStates = 64, .maxRows = 876}
                                                                << std::int64_t(8);
        QTest::newRow("cycle of 23, rows of 50: whole turns") << kCycle23 << StartupLimits{.maxRows = 50} << std::int64_t(50);
    }
    void rows()
    {
        QFETCH(Inputs, in);
        QFETCH(StartupLimits, limits);
        QFETCH(std::int64_t, group);
        const StartupView view = analysed(in, 100, limits);
        QVERIFY(view.figures.repeatPeriod == 0 || view.figures.repeatPeriod + view.figures.cycleLength < in.NI);
        QCOMPARE(view.rowPeriods, group);
        const Plain plain = plainLoop(in);
        QCOMPARE(std::int64_t(view.rows.size()), (in.NI + group - 1) / group);
        for (std::size_t r = 0; r < view.rows.size(); ++r) {
            const StartupRow& row = view.rows[r];
            QCOMPARE(row.period, std::int64_t(r) * group + 1);
            PlainPeriod expected = plain.periods[std::size_t(row.period - 1)];
            for (std::int64_t p = row.period; p < std::min<std::int64_t>(row.period + group, in.NI + 1); ++p) {
                const PlainPeriod& q = plain.periods[std::size_t(p - 1)];
                expected = {expected.iL0, expected.vo0, std::min(expected.iLMin, q.iLMin), std::max(expected.iLMax, q.iLMax),
                            std::min(expected.voMin, q.voMin), std::max(expected.voMax, q.voMax), expected.blocked || q.blocked};
            }
            QVERIFY2(sameBits(row.iLMin, expected.iLMin) && sameBits(row.iLMax, expected.iLMax) && sameBits(row.voMin, expected.voMin)
                         && sameBits(row.voMax, expected.voMax) && sameBits(row.voStart, expected.vo0)
                         && row.discontinuous == expected.blocked,
                     qPrintable(QString("row %1").arg(r)));
        }
    }

    // The largest NI: 100 000 rows of 21 475 periods, the first two as the plain loop
    // finds them over their periods, every later one the same turns of the cycle as the
    // second, each from the start voltage of its place in the cycle.
    void rowsOfTheLargestRun()
    {
        Inputs in{.N = 50, .NI = 2147483647};
        const StartupView view = analysed(in);
        const std::int64_t group = 21475, mu = view.figures.repeatPeriod, lambda = view.figures.cycleLength;
        QVERIFY(view.rowPeriods == group && view.rows.size() == 100000 && mu > 0 && mu + lambda < group);
        in.NI = std::int32_t(2 * group);
        const Plain plain = plainLoop(in);
        PlainPeriod groups[2] = {plain.periods[0], plain.periods[group]}; // the extremes of the first two rows
        for (std::size_t p = 0; p < plain.periods.size(); ++p) {
            PlainPeriod& e = groups[p / group];
            const PlainPeriod& q = plain.periods[p];
            e = {e.iL0, e.vo0, std::min(e.iLMin, q.iLMin), std::max(e.iLMax, q.iLMax), std::min(e.voMin, q.voMin),
                 std::max(e.voMax, q.voMax), e.blocked || q.blocked};
        }
        for (std::size_t r = 0; r < view.rows.size(); ++r) {
            const StartupRow& row = view.rows[r];
            const PlainPeriod& e = groups[std::min<std::size_t>(r, 1)];
            const std::int64_t place = mu + (row.period - mu) % lambda; // the period of the run that it repeats
            QVERIFY2(sameBits(row.iLMin, e.iLMin) && sameBits(row.iLMax, e.iLMax) && sameBits(row.voMin, e.voMin)
                         && sameBits(row.voMax, e.voMax) && row.discontinuous == e.blocked
                         && sameBits(row.voStart, plain.periods[std::size_t(r == 0 ? 0 : place - 1)].vo0),
                     qPrintable(QString("row %1").arg(r)));
        }
    }

    // The span is the run, or four times the settling period (at least 20) when the run
    // is longer.  Every sample lies within its pixel column's band, and the bands
    // together reach exactly from the lowest to the highest sample: for the whole span,
    // and for a part of it drawn again (a zoom) from a start state kept on the way.
    void drawing_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::addColumn<int>("columns");
        QTest::addColumn<std::int64_t>("span");
        QTest::addColumn<SampleSpan>("zoom"); // empty: the whole span
        QTest::newRow("coarse worked example") << Inputs{.N = 50, .NI = 4000} << 700 << std::int64_t(4 * 818) << SampleSpan{};
        QTest::newRow("a run shorter than its settling") << Inputs{.N = 50, .NI = 300} << 997 << std::int64_t(300) << SampleSpan{};
        QTest::newRow("more columns than samples") << Inputs{.N = 10, .NI = 30} << 1000 << std::int64_t(30) << SampleSpan{};
        QTest::newRow("one column a sample") << Inputs{.L = 5e-6, .N = 10, .NI = 20} << 200 << std::int64_t(20) << SampleSpan{};
        QTest::newRow("zoomed into the steady ripple, mid-period to mid-period")
            << Inputs{.N = 50, .NI = 4000} << 700 << std::int64_t(4 * 818) << SampleSpan{150025, 151337};
        QTest::newRow("zoomed into the discontinuous periods, more columns than samples")
            << Inputs{.N = 50, .NI = 4000} << 700 << std::int64_t(4 * 818) << SampleSpan{43 * 50 + 7, 43 * 50 + 600};
    }
    void drawing()
    {
        QFETCH(Inputs, in);
        QFETCH(int, columns);
        QFETCH(std::int64_t, span);
        QFETCH(SampleSpan, zoom);
        StartupView view = analysed(in, columns, {.keptStarts = 16});
        QCOMPARE(view.span, span);
        QVERIFY(view.starts.size() <= 16);
        if (zoom.count() > 0)
            QVERIFY(!redrawStartup(view, zoom, columns, nullptr) && view.shown == zoom);
        const Plain plain = plainLoop(in, span);
        const SampleSpan shown = view.shown;
        QCOMPARE(int(view.columns.size()), columns);
        const std::vector<double> iL(plain.iL.begin() + shown.first, plain.iL.begin() + shown.end);
        const std::vector<double> vo(plain.vo.begin() + shown.first, plain.vo.begin() + shown.end);
        const std::size_t samples = iL.size();
        for (std::size_t g = 0; g < samples; ++g) {
            const StartupColumn& c = view.columns[g * std::size_t(columns) / samples];
            QVERIFY2(c.iLLow <= iL[g] && iL[g] <= c.iLHigh && c.voLow <= vo[g] && vo[g] <= c.voHigh,
                     qPrintable(QString("sample %1").arg(g)));
        }
        const auto lowest = [&](double StartupColumn::*x) {
            return (*std::min_element(view.columns.begin(), view.columns.end(), [x](auto& a, auto& b) { return a.*x < b.*x; })).*x;
        };
        const auto highest = [&](double StartupColumn::*x) {
            return (*std::max_element(view.columns.begin(), view.columns.end(), [x](auto& a, auto& b) { return a.*x < b.*x; })).*x;
        };
        QCOMPARE(lowest(&StartupColumn::iLLow), *std::min_element(iL.begin(), iL.end()));
        QCOMPARE(highest(&StartupColumn::iLHigh), *std::max_element(iL.begin(), iL.end()));
        QCOMPARE(lowest(&StartupColumn::voLow), *std::min_element(vo.begin(), vo.end()));
        QCOMPARE(highest(&StartupColumn::voHigh), *std::max_element(vo.begin(), vo.end()));
        // A column is shaded when a sample of a discontinuous period falls in it, and only then.
        std::vector<bool> shaded(std::size_t(columns), false);
        for (std::size_t g = 0; g < samples; ++g)
            shaded[g * std::size_t(columns) / samples] = shaded[g * std::size_t(columns) / samples]
                                                         || plain.periods[(g + std::size_t(shown.first)) / std::size_t(in.N)].blocked;
        for (std::size_t c = 0; c < std::size_t(columns) && samples >= std::size_t(columns); ++c)
            QVERIFY2(view.columns[c].discontinuous == shaded[c], qPrintable(QString("column %1").arg(c)));
    }

    // The figures, the span, the export and the pointer's reading as the window words
    // them, with the student's decimal comma, and the markers' legend lines where the
    // marker lies outside the part shown.  The view is written out here, so that only
    // the wording is under test.
    void words_data()
    {
        QTest::addColumn<StartupView>("view");
        QTest::addColumn<QStringList>("texts"); // 7 figures, span, export, 2 legend lines, the reading at x = 50
        const QStringList figures{"Picco della corrente nell'induttore: 3,33E+01 A al periodo 22",
                                  "Picco della tensione in uscita: 4,72E+01 V al periodo 40",
                                  "Conduzione discontinua: 116 periodi, dal 43 al 158",
                                  "A regime entro ±1 %: dal periodo 753 (t = 9,40 ms)",
                                  "Stato ripetuto esattamente: dal periodo 9893, identico a ogni periodo",
                                  "Ultimo periodo (NI = 20000): ΔiL = 9,98E-01 A, ΔVo = 5,98E+01 mV, IDP = 3,00E+00 A, "
                                  "IDm = 1,50E+00 A, Iim = 2,50E+00 A",
                                  "Tensione media in uscita nell'ultimo periodo: 3,61E+01 V"};
        StartupView settled;
        settled.figures = {33.297, 22, 47.16, 40, 116, 43, 158, 753, 9893, 1, 0.9975, 59.81, 2.995, 1.5, 2.4966, 36.07};
        std::tie(settled.freq, settled.n, settled.requested, settled.span) = std::tuple(80000.0, 1000, 20000, 3012);
        settled.columns = {{0, 0, 0, 0}, {1.5, 3.25, 24.5, 24.75, true}, {2, 2, 25, 25}};
        QTest::newRow("settled, a fixed point") << settled << figures + QStringList{
            "Nel grafico: i primi 3012 periodi di 20000 (37,65 ms), quattro volte il periodo in cui il convertitore "
            "arriva a regime.",
            "Nel file CSV (Esporta dati): una riga per ciascuno dei 20000 periodi simulati.", "a regime entro ±1 %",
            "prima ripetizione esatta dello stato: oltre il tratto mostrato, al periodo 9893",
            "t = 12,55 ms ; iL: 1,50E+00 ÷ 3,25E+00 A ; Vo: 2,45E+01 ÷ 2,48E+01 V"};
        StartupView zoomed = settled;
        zoomed.shown = {753000, 1000000};
        QTest::newRow("zoomed in after the settling") << zoomed << figures + QStringList{
            "Nel grafico: da 9,41 ms a 12,50 ms, periodi dal 754 al 1000 (doppio clic o «Mostra tutto» per tornare a "
            "tutto il tratto).",
            "Nel file CSV (Esporta dati): una riga per ciascuno dei 20000 periodi simulati.",
            "a regime entro ±1 %: prima del tratto mostrato, al periodo 753",
            "prima ripetizione esatta dello stato: oltre il tratto mostrato, al periodo 9893",
            "t = 10,44 ms ; iL: 1,50E+00 ÷ 3,25E+00 A ; Vo: 2,45E+01 ÷ 2,48E+01 V"};
        StartupView cycling = settled;
        cycling.figures.cycleLength = 23;
        std::tie(cycling.figures.dcmPeriods, cycling.figures.dcmLast, cycling.figures.repeatPeriod) = std::tuple(1, 43, 700);
        std::tie(cycling.span, cycling.requested, cycling.rowPeriods) = std::tuple(800, 800, 3);
        QStringList texts = figures;
        texts[2] = "Conduzione discontinua: 1 periodo, il 43";
        texts[4] = "Stato ripetuto esattamente: dal periodo 700, ciclo di 23 periodi";
        texts[5].replace("NI = 20000", "NI = 800");
        QTest::newRow("a cycle, one blocked period, all shown, rows of 3") << cycling << texts + QStringList{
            "Nel grafico: tutti i 800 periodi simulati (10,00 ms).",
            "Nel file CSV (Esporta dati): tutti i 800 periodi simulati, in 267 righe di 3 periodi (l'ultima di 2).",
            "a regime entro ±1 %", "prima ripetizione esatta dello stato",
            "t = 3,33 ms ; iL: 1,50E+00 ÷ 3,25E+00 A ; Vo: 2,45E+01 ÷ 2,48E+01 V"};
        StartupView unsettled = cycling;
        unsettled.figures.cycleLength = unsettled.figures.repeatPeriod = unsettled.figures.dcmPeriods = 0;
        unsettled.columns[1] = {2, 2, 25, 25};
        texts[2] = "Conduzione discontinua: in nessun periodo";
        texts[4] = "Lo stato del convertitore non si ripete esattamente entro NI = 800 periodi: la simulazione potrebbe "
                   "essere troppo breve per arrivare a regime.";
        QTest::newRow("no repeat, no blocking") << unsettled << texts + QStringList{
            "Nel grafico: tutti i 800 periodi simulati (10,00 ms).",
            "Nel file CSV (Esporta dati): tutti i 800 periodi simulati, in 267 righe di 3 periodi (l'ultima di 2).",
            "a regime entro ±1 %", "prima ripetizione esatta dello stato: nessuna entro NI",
            "t = 3,33 ms ; iL: 2,00E+00 A ; Vo: 2,50E+01 V"};
    }
    void words()
    {
        QFETCH(StartupView, view);
        QFETCH(QStringList, texts);
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        const QStringList legend = StartupPlot::legendTexts(view);
        const QStringList shown = StartupPlot::figureTexts(view)
                                  + QStringList{StartupPlot::spanText(view), StartupPlot::csvText(view), legend[3], legend[4],
                                                StartupPlot::readout(view, 50)};
        QCOMPARE(shown, texts);
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Scales round up to 1, 2, 2.5 or 5 times a power of ten; tick labels carry the
    // decimals their step needs.  A band reaching down near zero is scaled from zero;
    // a ripple far from it (zoomed in) gets four round steps around it.
    void scales()
    {
        using StartupPlot::Range;
        QCOMPARE(QList<Range>({StartupPlot::rangeOf(0, 33.3), StartupPlot::rangeOf(1.1, 2.9), StartupPlot::rangeOf(2, 3),
                               StartupPlot::rangeOf(24.5, 25.25), StartupPlot::rangeOf(-0.75, -0.25)}),
                 QList<Range>({{0, 50}, {0, 5}, {2, 3}, {24.5, 25.5}, {-0.8, 0}}));
        QCOMPARE(QList<double>({StartupPlot::roundUp(33.3), StartupPlot::roundUp(2), StartupPlot::roundUp(2.01),
                                StartupPlot::roundUp(0.0031), StartupPlot::roundUp(99)}),
                 QList<double>({50, 2, 2.5, 0.005, 100}));
        QCOMPARE(QStringList({StartupPlot::tickText(12.5, 2.5), StartupPlot::tickText(10, 5), StartupPlot::tickText(0.025, 0.025)}),
                 QStringList({"12.5", "10", "0.025"}));
    }

    // Marks stand where their time is: a mark's x reads back as its time within half a
    // column, across the whole span of 756 columns; a mark in the last period of the
    // span is drawn, one past it is not.  The values line gives each in the unit of its
    // field.
    void marksAndValues()
    {
        StartupView view;
        std::tie(view.freq, view.n, view.requested, view.span) = std::tuple(80000.0, 1000, 5000, 3012);
        view.columns.resize(756);
        const double halfColumn = 3012 / 80000.0 * 1000 / 756 / 2;
        for (const double ms : {0.0, 9.4, 20.0, 37.6})
            QVERIFY2(std::fabs(StartupPlot::timeAt(view, StartupPlot::xOfTime(view, ms)) - ms) <= halfColumn, qPrintable(QString::number(ms)));
        view.figures.settledPeriod = 3012;
        view.figures.repeatPeriod = 3013;
        QCOMPARE(StartupPlot::settledMs(view), std::optional<double>(3011 / 80000.0 * 1000));
        QCOMPARE(StartupPlot::repeatMs(view), std::nullopt);
        view.inputs = {true, 15, 0.4, 80000, 75e-6, 125e-6, 16.67, 1000, 5000};
        QCOMPARE(StartupPlot::inputsText(view), QString("Vi = 1.50E+01 V, D = 4.00E+01 %, f = 8.00E+01 kHz, L = 7.50E+01 µH, "
                                                        "C = 1.25E+02 µF, RL = 1.67E+01 Ω, N = 1000, NI = 5000"));
    }

    // Refused as the verification refuses, and with too few samples or periods to show.
    void refusals_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::addColumn<QString>("says");
        QTest::newRow("zero inductance") << Inputs{.L = 0} << "L'induttanza L non può essere zero.";
        QTest::newRow("one sample a period: the switch never closes") << Inputs{.N = 1} << "sempre aperto";
        QTest::newRow("no off-phase at all") << Inputs{.D = 0.99, .N = 20} << "N = 20 campioni per periodo il duty cycle 99 % lascia l'interruttore sempre chiuso";
        QTest::newRow("no period") << Inputs{.NI = 0} << "almeno un periodo simulato";
        QTest::newRow("diverging") << Inputs{.C = 1e-12, .RL = 1e-3, .N = 100, .NI = 20} << "divergente";
    }
    void refusals()
    {
        QFETCH(Inputs, in);
        QFETCH(QString, says);
        FakeProgress progress;
        const std::variant<StartupView, Stop> result = analyseStartup(in.model(), 100, &progress);
        QVERIFY(std::holds_alternative<Stop>(result));
        QVERIFY2(std::get<Stop>(result).message.contains(says), qPrintable(std::get<Stop>(result).message));
        QCOMPARE(progress.finishes, 1);
    }

    // Progress: the search counts its periods without knowing its end until the states
    // repeat; the drawing's periods are known.  A cancel stops the run.
    void progress()
    {
        FakeProgress progress;
        const std::variant<StartupView, Stop> result = analyseStartup(Inputs{.NI = 20000}.model(), 100, &progress);
        QVERIFY(std::holds_alternative<StartupView>(result));
        const RunProgress& last = progress.reports.last();
        QVERIFY(last.done == last.end && last.repeated && last.knownAt == 9893);
        QVERIFY(!progress.reports[9892].endKnown() && progress.reports[9893].endKnown());
        FakeProgress cancelling;
        cancelling.cancelAt = 100;
        const std::variant<StartupView, Stop> stopped = analyseStartup(Inputs{}.model(), 100, &cancelling);
        QVERIFY(std::holds_alternative<Stop>(stopped) && std::get<Stop>(stopped).outcome == SimOutcome::Cancelled);
        QCOMPARE(cancelling.reports.size(), 100);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
