// The start-up from rest against ngspice, a circuit simulator that shares nothing with
// the program: the same converter with a near-ideal switch and diode, integrated with
// adaptive steps under its own error control.
//
// Where they differ, and why.  Each period the program's updates hold current and
// voltage over the two switching instants, so they act over N − 2 of its N steps: the
// switch is closed for (N·D − 1)·Δt and open for (N − N·D − 1)·Δt.  The program so runs
// behind the circuit by 2/N of a period every period, which shows wherever current or
// voltage swing fast, and its current ramps are 1/(N·D) short of the circuit's.  Each
// design is therefore compared twice: with the circuit as built, which is what a
// student reads the start-up for, and with the circuit those steps describe (period
// (N − 2)·Δt, switch closed for (N·D − 1)·Δt), where what is left is forward Euler's
// own error and the drop across the near-ideal parts.  The second is the tighter check
// on the swings.
//
// The real converter is compared at steady state on the netlist the program exports
// for a student's own simulator, run as the student would run it, `ngspice -b FILE`,
// and read from the `.meas` lines it prints: the same two circuits, as built and as
// stepped, and the averaged model against both.
//
// The dynamics are compared on the switching circuit under a small sine on the duty
// cycle (through a comparator and a sawtooth), on the input or into the output, from
// the averaged operating point: the response at the sine's frequency against the
// averaged model's three transfer functions and against the program's own measured
// points of Gvd.
#include "averaged.h"
#include "app/model.h"
#include "sim/dynamics.h"
#include "sim/netlist.h"
#include "sim/realconverter.h"
#include "sim/startup.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Design {
    double Vi = 15, D = 0.4, Freq = 80000, L = 75e-6, C = 125e-6, RL = 16.67;
    std::int32_t N = 1000;
    std::int32_t periods = 300; // compared, from rest: about 1.5 s of ngspice
    Model model() const
    {
        Model m;
        std::tie(m.Vi, m.D, m.Freq, m.L, m.C, m.RL, m.N, m.NP, m.NI) = std::tuple(Vi, D, Freq, L, C, RL, N, 10, periods);
        return m;
    }
};

// What ngspice simulates: a switching period and the time the switch is closed in it.
struct Switching {
    double T = 0, on = 0; // s
};

// The circuit as built: period 1/f, closed for D/f.
Switching asBuilt(const Design& d)
{
    return {1 / d.Freq, d.D / d.Freq};
}

// The circuit the program's updates describe: N − 2 steps of Δt = 1/(N·f) a period, of
// which N·D − 1 with the switch closed (N·D is a whole number in every design here).
Switching asStepped(const Design& d)
{
    const double dt = 1 / (d.N * d.Freq);
    return {(d.N - 2) * dt, (d.N * d.D - 1) * dt};
}

QString num(double x)
{
    return QString::number(x, 'g', 17);
}

// The converter from rest (both initial conditions zero), switched by a pulse that is
// high for `on` of each period from t = 0, as the program's periods start with the
// switch closed.  The switch is 10 µΩ closed (1 mΩ would drop 0.13 V at the 133 A the
// small inductor reaches, almost 1 % of the input) and 1 GΩ open; the diode has an
// emission coefficient of 0.01, so it drops about 9 mV at 3 A, and a zero-volt source
// in series measures its current.  Gear integration, because the trapezoidal rule
// rings where the diode stops conducting; steps of at most T/1000.  The run goes a
// hundredth of a period past the last period compared, so that period ends inside the
// data.
QString netlist(const Design& d, Switching s)
{
    const double rise = s.T / 1e5;
    return QString("* boost converter from rest\n"
                   "Vi in 0 DC %1\n"
                   "L1 in sw %2 IC=0\n"
                   "S1 sw 0 ctl 0 SWMOD\n"
                   "Vctl ctl 0 PULSE(0 1 0 %3 %3 %4 %5)\n"
                   "Vd sw dp DC 0\n"
                   "D1 dp out DMOD\n"
                   "C1 out 0 %6 IC=0\n"
                   "R1 out 0 %7\n"
                   ".model SWMOD SW(VT=0.5 VH=0 RON=10u ROFF=1G)\n"
                   ".model DMOD D(IS=1e-14 N=0.01 RS=1u)\n"
                   ".options method=gear\n"
                   ".tran %8 %9 0 %8 UIC\n"
                   ".control\n"
                   "set wr_singlescale\n"
                   "set wr_vecnames\n"
                   "option numdgt=12\n"
                   "run\n"
                   "wrdata out.dat i(L1) v(out) i(Vd)\n"
                   ".endc\n"
                   ".end\n")
        .arg(num(d.Vi), num(d.L), num(rise), num(s.on - rise), num(s.T), num(d.C), num(d.RL), num(s.T / 1000),
             num((d.periods + 0.01) * s.T));
}

// One time point of ngspice's output.
struct Point {
    double t = 0, iL = 0, vo = 0;
};

// Writes `circuit` into `dir` and runs `ngspice -b` on it there.  Empty, with the
// reason in `why`, when ngspice cannot be started; otherwise what it printed.
struct Batch {
    int status = -1;
    QByteArray out, err;
};
std::optional<Batch> ngspiceBatch(const QTemporaryDir& dir, const QByteArray& circuit, QString& why)
{
    QFile cir(dir.filePath("boost.cir"));
    if (!cir.open(QIODevice::WriteOnly) || cir.write(circuit) < 0 || !cir.flush()) {
        why = "cannot write the netlist into " + dir.path();
        return std::nullopt;
    }
    cir.close();
    QProcess spice;
    spice.setWorkingDirectory(dir.path());
    spice.start("ngspice", {"-b", cir.fileName()});
    if (!spice.waitForStarted(-1)) {
        why = "ngspice did not start: " + spice.errorString();
        return std::nullopt;
    }
    spice.waitForFinished(-1);
    const bool exited = spice.exitStatus() == QProcess::NormalExit;
    return Batch{exited ? spice.exitCode() : -1, spice.readAllStandardOutput(), spice.readAllStandardError()};
}

// Runs ngspice in a scratch folder and reads the table `wrdata` wrote into out.dat:
// with `wr_singlescale`, the time and then one column for each vector asked for, every
// row's numbers one after the other.  ngspice ends with status 1 after a `.control`
// block even when the run completed, so the run is judged by its output file, which
// must reach `until`.  Empty, with the reason in `why`, when it does not.
std::vector<double> runNgspiceTable(const QString& circuit, qsizetype columns, double until, QString& why)
{
    const auto failed = [&why](const QString& reason) {
        why = reason;
        return std::vector<double>{};
    };
    QTemporaryDir dir;
    const std::optional<Batch> batch = ngspiceBatch(dir, circuit.toUtf8(), why);
    if (!batch)
        return {};
    const QString said = "; ngspice said:\n" + QString::fromUtf8(batch->out + batch->err);
    QFile data(dir.filePath("out.dat"));
    if (!data.open(QIODevice::ReadOnly))
        return failed("no output" + said);
    std::vector<double> table;
    data.readLine(); // the names of the columns
    while (!data.atEnd()) {
        const QList<QByteArray> f = data.readLine().simplified().split(' ');
        if (f.size() != columns)
            return failed(QString("a line of ngspice's output without %1 numbers").arg(columns));
        for (const QByteArray& x : f) {
            bool ok = false;
            table.push_back(x.toDouble(&ok));
            if (!ok)
                return failed("a number in ngspice's output that does not read");
        }
    }
    if (table.empty() || table[table.size() - std::size_t(columns)] < until)
        return failed("the output stops before the last period ends" + said);
    return table;
}

// The start-up's time points: time, inductor current, output voltage and the diode's
// current, which is not compared.
std::vector<Point> runNgspice(const QString& circuit, double until, QString& why)
{
    const std::vector<double> table = runNgspiceTable(circuit, 4, until, why);
    std::vector<Point> points;
    for (std::size_t i = 0; i + 3 < table.size(); i += 4)
        points.push_back({table[i], table[i + 1], table[i + 2]});
    return points;
}

// What ngspice gives for one period.
struct SpicePeriod {
    double voStart = 0;                                // V, at the period's start
    double iLMin = kInf, iLMax = -kInf, voMax = -kInf; // over the period
    double iLOffMin = kInf;                            // A, the lowest while the switch is open
    double voMean = 0;                                 // V, by the trapezoid rule
};

// Cuts the time points into periods.  A segment across a period's end is split there
// by linear interpolation; with about a thousand points a period, that error is far
// below the differences compared.  As the program's samples 2..N do, a period's
// extremes take in its end but not its start, which is the end of the period before.
// ngspice's output starts after its first step, so the data are taken to start from
// rest at t = 0, as the circuit does.
std::vector<SpicePeriod> periodsOf(const std::vector<Point>& points, Switching s, std::int32_t periods)
{
    std::vector<SpicePeriod> out;
    SpicePeriod cur;
    double begin = 0; // of the current period
    const auto include = [&](const Point& x) {
        cur.iLMin = std::min(cur.iLMin, x.iL);
        cur.iLMax = std::max(cur.iLMax, x.iL);
        cur.voMax = std::max(cur.voMax, x.vo);
        if (x.t - begin >= s.on)
            cur.iLOffMin = std::min(cur.iLOffMin, x.iL);
    };
    const auto segment = [&](const Point& a, const Point& b) {
        cur.voMean += (b.t - a.t) * (a.vo + b.vo) / 2 / s.T;
        include(b);
    };
    Point a; // rest
    for (const Point& b : points) {
        while (std::int32_t(out.size()) < periods && b.t > begin + s.T) {
            const double end = begin + s.T, w = (end - a.t) / (b.t - a.t);
            const Point m{end, a.iL + w * (b.iL - a.iL), a.vo + w * (b.vo - a.vo)};
            segment(a, m);
            out.push_back(cur);
            cur = {};
            cur.voStart = m.vo;
            begin = end;
            a = m;
        }
        if (std::int32_t(out.size()) == periods)
            break;
        segment(a, b);
        a = b;
    }
    return out;
}

// The figures of a start-up as ngspice shows it.  A period is discontinuous when the
// inductor current falls below 1 mA while the switch is open: blocked, the inductor
// carries only the open switch's leakage (about 15 nA) and the dips of ngspice's steps
// where the diode turns off (down to about −27 mA); conducting, it carries amperes.
struct SpiceFigures {
    double peakIL = -kInf, peakVo = -kInf;
    std::int64_t peakILPeriod = 0, peakVoPeriod = 0;
    std::int64_t dcmPeriods = 0, dcmFirst = 0, dcmLast = 0;
};

SpiceFigures figuresOf(const std::vector<SpicePeriod>& periods)
{
    constexpr double kBlocked = 1e-3; // A
    SpiceFigures f;
    for (std::size_t i = 0; i < periods.size(); ++i) {
        const SpicePeriod& s = periods[i];
        const auto p = std::int64_t(i + 1);
        if (s.iLMax > f.peakIL)
            f.peakIL = s.iLMax, f.peakILPeriod = p;
        if (s.voMax > f.peakVo)
            f.peakVo = s.voMax, f.peakVoPeriod = p;
        if (s.iLOffMin < kBlocked) {
            ++f.dcmPeriods;
            f.dcmFirst = f.dcmFirst ? f.dcmFirst : p;
            f.dcmLast = p;
        }
    }
    return f;
}

// The largest difference of one quantity over the periods, and the first period where
// it occurs.
struct Largest {
    double by = 0;
    std::int64_t at = 0;
    void add(double program, double spice, std::int64_t period)
    {
        if (std::fabs(program - spice) > by)
            by = std::fabs(program - spice), at = period;
    }
    QString text() const { return QString("%1 (period %2)").arg(by, 0, 'g', 3).arg(at); }
};

// How far the program may lie from ngspice.
struct Tolerances {
    double voStart = 0; // V, the output at the start of every period
    double iLMax = 0;   // A, every period's highest inductor current
    double iLMin = 0;   // A, and its lowest
    double peakIL = 0;  // A, the highest of all
    double peakVo = 0;  // V, the highest output of all
    double finalVo = 0; // V, the output's level in the last period
};

const Design kWorked{};
const Design kHeavyLoad{.RL = 2};
const Design kSmallInductor{.L = 5e-6};

// ---- The real converter at steady state ----

// A converter with its five parasitic elements, run from rest over `periods` periods
// at N = 1000, by the program and by ngspice on the netlist the program exports.
struct RealDesign {
    double Vi = 15, D = 0.4, Freq = 80000, L = 75e-6, C = 125e-6, RL = 16.67;
    Parasitics parts{0.1, 0.05, 0.5, 0.02, 0.05}; // rL, Ron in Ω, VF in V, RD, rC in Ω
    std::int32_t periods = 0;
    Model::SimulatedRun run() const { return {true, Vi, D, Freq, L, C, RL, 1000, periods}; }
};

// The circuit the program's updates describe, as the same netlist writer gives it: a
// converter of N − 2 samples of the same step Δt a period, closed for N·D − 1 of them.
Model::SimulatedRun steppedRun(Model::SimulatedRun c)
{
    const double dt = 1 / (c.N * c.Freq);
    c.D = (c.N * c.D - 1) / (c.N - 2);
    c.N -= 2;
    c.Freq = 1 / (c.N * dt);
    return c;
}

// The figures compared, or their tolerances in %: how far 100·|a/b − 1| may be from
// zero, for a result a against a result b.
struct Figures {
    double Vo = 0, efficiency = 0, lossDCR = 0, lossSwitch = 0, lossDiode = 0, lossESR = 0;
};
// Each figure, its name here and the name of its `.meas` line in the exported netlist.
struct Compared {
    double Figures::*member;
    const char* name;
    const char* measure;
};
constexpr std::array<Compared, 6> kFigures{{
    {&Figures::Vo, "mean Vo", "vo_media"},
    {&Figures::efficiency, "efficiency", "rendimento"},
    {&Figures::lossDCR, "loss in rL", "perdita_rl"},
    {&Figures::lossSwitch, "loss in Ron", "perdita_ron"},
    {&Figures::lossDiode, "loss in the diode", "perdita_diodo"},
    {&Figures::lossESR, "loss in rC", "perdita_esr"},
}};

Figures comparedOf(const RealFigures& f)
{
    return {f.Vo, f.efficiency, f.lossDCR, f.lossSwitch, f.lossDiode, f.lossESR};
}

// The figures ngspice prints for the exported netlist, from its `.meas` lines
// "name = value".  The netlist has no `.control` block, so ngspice must end with
// status 0, as it does for a student who runs it.  Empty, with the reason in `why`,
// when it does not, or when a figure is missing.
std::optional<Figures> spiceSteadyState(const Model::SimulatedRun& c, const Parasitics& p, QString& why)
{
    QTemporaryDir dir;
    const std::optional<Batch> batch = ngspiceBatch(dir, spiceNetlist(c, p), why);
    if (!batch)
        return std::nullopt;
    const QString said = "; ngspice said:\n" + QString::fromUtf8(batch->out + batch->err);
    if (batch->status != 0) {
        why = QString("ngspice ended with status %1").arg(batch->status) + said;
        return std::nullopt;
    }
    Figures f;
    for (const Compared& x : kFigures) {
        const QRegularExpression line(QString("^%1\\s*=\\s*(\\S+)").arg(x.measure),
                                      QRegularExpression::MultilineOption);
        const QRegularExpressionMatch m = line.match(QString::fromUtf8(batch->out));
        bool ok = false;
        f.*x.member = m.hasMatch() ? m.captured(1).toDouble(&ok) : 0;
        if (!ok) {
            why = QString("no figure %1 in ngspice's output").arg(x.measure) + said;
            return std::nullopt;
        }
    }
    return f;
}

// How far, in %, the program may lie from ngspice on the circuit as built and as
// stepped, and the averaged model from the program and from ngspice as built (mean Vo
// and efficiency, the figures it gives).
struct RealTolerances {
    Figures asBuilt, asStepped;
    double averagedVo = 0, averagedEfficiency = 0;
};

const RealDesign kGainMaximum{.D = 0.75, .C = 22e-6, .parts = {1, 0.05, 0.5, 0.02, 0.05}, .periods = 400};
const RealDesign kLowDuty{.D = 0.1, .C = 10e-6, .RL = 8, .periods = 480};
const RealDesign kLargeESR{.parts = {0.1, 0.05, 0.5, 0.02, 1}, .periods = 660};


// ---- The dynamics: small-signal transfer functions ----

// The small sine each measurement adds to one input of the converter, as a student's
// network analyser would.
enum class Drive {
    Duty,  // the duty cycle, D + 0.01·sin(2π·fm·t): Gvd, V per unit of duty
    Input, // the input voltage, Vi + 0.1 V·sin(2π·fm·t): Gvg, V/V
    Load,  // a current of 0.05 A·sin(2π·fm·t) into the output node: Zout, Ω
};

const char* nameOf(Drive drive)
{
    return drive == Drive::Duty ? "Gvd" : drive == Drive::Input ? "Gvg" : "Zout";
}

// The sine's amplitude, in the input's unit.
double amplitudeOf(Drive drive)
{
    return drive == Drive::Duty ? 0.01 : drive == Drive::Input ? 0.1 : 0.05;
}

struct DynamicDesign {
    Model::SimulatedRun run; // N = 1000
    Parasitics parts;
};

DynamicDesign dynamicDesign(const Model::SimulatedRun& converter, const Parasitics& parts)
{
    Model::SimulatedRun run = converter;
    run.N = 1000;
    run.NI = 5000;
    return {run, parts};
}

// How far the program may lie from ngspice at one frequency, in dB of magnitude and
// degrees of phase: its averaged curve, and for Gvd its simulated point.
struct DynamicTolerances {
    double averagedDb = 0, averagedDeg = 0;
    double simulatedDb = 0, simulatedDeg = 0;
};

// Periods of twelve time constants of the averaged model's slowest pole, with the
// matrix written out from the phases' table: the poles (tr ± √(tr² − 4·det))/2, the
// slowest the one nearer the imaginary axis.  What the start leaves, e^−12 = 6·10⁻⁶ of
// it, is below what is compared.
std::int64_t settleOf(const averaged::Plant& m, double freq)
{
    const double tr = m.A[0][0] + m.A[1][1], det = m.A[0][0] * m.A[1][1] - m.A[0][1] * m.A[1][0];
    const double disc = tr * tr - 4 * det;
    const double slowest = disc < 0 ? -tr / 2 : (-tr - std::sqrt(disc)) / 2; // 1/s
    return std::int64_t(std::ceil(12 / slowest * freq));
}

constexpr std::int32_t kSpiceSteps = 100;  // ngspice's largest step, T/100
constexpr double kNearCrossing = 1e-5;     // of a period: the sawtooth's fall, and the points beside a crossing

// The sawtooth against which the comparator sets the duty: from 0 at each period's
// start up to 1 at T − tf, back to 0 at T, with tf = 10⁻⁵·T.  ngspice decides the
// switch at its time points only, and its steps do not stop where the duty crosses the
// sawtooth: with steps of T/1000 the switching instants fall on the next step, a
// resolution of 1/1000 of the period like the program's, which moved Gvd at f/20 by
// 0.2 dB from T/1000 to T/2000.  So the sawtooth is written point by point, with two
// more points on its ramp 10⁻⁵·T either side of each crossing: ngspice's steps land on
// them and the comparator switches between the two, 10⁻⁵·T late.  Then Gvd agreed
// within 10⁻⁴ dB and 10⁻³° from steps of T/50 to T/1000.  The crossing, where
// (t − p·T)/(T − tf) = D + a·sin(ω·t), by Newton's method from the unmodulated one.
QString sawtooth(double T, double D, double a, double omega, std::int64_t periods)
{
    const double ramp = T * (1 - kNearCrossing), near = T * kNearCrossing;
    QString points;
    for (std::int64_t p = 0; p < periods; ++p) {
        const double start = double(p) * T;
        double t = start + D * ramp;
        for (int i = 0; i < 8; ++i)
            t -= ((t - start) / ramp - (D + a * std::sin(omega * t))) / (1 / ramp - a * omega * std::cos(omega * t));
        points += QString("+ %1 0 %2 %3 %4 %5 %6 1\n")
                      .arg(num(start), num(t - near), num((t - near - start) / ramp), num(t + near),
                           num((t + near - start) / ramp), num(start + ramp));
    }
    return "Vr rr 0 PWL(\n" + points + "+ " + num(double(periods) * T) + " 0)\n";
}

// The converter with its five parasitics as the real converter's netlist has them,
// switched by a comparator: a switch closed while the duty `dd` stands above the
// sawtooth `rr`, from each period's start until the sawtooth passes the duty (natural
// sampling).  One input carries the sine `drive` at fm = f/k, whole modulation periods
// being whole switching periods.  It starts from the averaged operating point (`ic=`
// with `uic`), so that the transient dies out in `settle` periods, and writes the
// output voltage over the last 4·k periods, which it must reach, plus a hundredth.
// Gear integration, as for the start-up.
QString dynamicsNetlist(const DynamicDesign& d, Drive drive, std::int64_t k, std::int64_t settle)
{
    const Model::SimulatedRun& r = d.run;
    const Parasitics& p = d.parts;
    const averaged::Plant plant = averaged::fromTable(r, p);
    const double T = 1 / r.Freq, fm = r.Freq / double(k), step = T / kSpiceSteps;
    const double a = amplitudeOf(drive);
    const std::int64_t periods = settle + 4 * k + 1;
    const auto sine = [&](double offset, Drive driven) {
        return drive == driven ? QString("SIN(%1 %2 %3)").arg(num(offset), num(a), num(fm)) : "DC " + num(offset);
    };
    QString text = QString("* boost converter with its parasitics under a small sine, %1 at f/%2\n").arg(nameOf(drive)).arg(k);
    text += "Vin in 0 " + sine(r.Vi, Drive::Input) + "\n";
    text += QString("RrL in a %1\nL1 a sw %2 ic=%3\n").arg(num(p.rL), num(r.L), num(plant.X[0]));
    text += "S1 sw 0 ctrl 0 interruttore\n";
    text += QString(".model interruttore SW(VT=0 VH=0 RON=%1 ROFF=1G)\n").arg(num(p.Ron));
    text += sawtooth(T, r.D, drive == Drive::Duty ? a : 0, 2 * std::numbers::pi * fm, periods);
    text += "Vd dd 0 " + sine(r.D, Drive::Duty) + "\nEc ctrl 0 dd rr 1\n";
    text += "D1 sw d2 diodo\n.model diodo D(IS=1e-14 N=0.01 RS=1u)\n";
    text += QString("VF d2 d3 DC %1\nRD d3 out %2\n").arg(num(p.VF), num(p.RD));
    text += QString("RC out c %1\nC1 c 0 %2 ic=%3\nRL out 0 %4\n").arg(num(p.rC), num(r.C), num(plant.X[1]), num(r.RL));
    if (drive == Drive::Load)
        text += QString("Iz 0 out SIN(0 %1 %2)\n").arg(num(a), num(fm));
    text += QString(".options method=gear\n.tran %1 %2 %3 %1 uic\n")
                .arg(num(step), num((double(settle + 4 * k) + 0.01) * T), num(double(settle - 1) * T));
    return text + ".control\nset wr_singlescale\nset wr_vecnames\noption numdgt=12\nrun\n"
                  "wrdata out.dat v(out)\n.endc\n.end\n";
}

// The complex amplitude at ω of the output over [from, to], whole periods of ω: twice
// the mean of vo·e^(−jωt), integrated by trapezoids between ngspice's own time points
// (the output taken as linear between them, and cut by linear interpolation at the
// window's ends).  Over whole modulation periods, which are whole switching periods,
// the switching ripple and its sidebands drop out.
std::complex<double> projected(const std::vector<double>& table, double from, double to, double omega)
{
    using namespace std::complex_literals;
    std::complex<double> sum;
    for (std::size_t i = 2; i + 1 < table.size(); i += 2) {
        const double ta = table[i - 2], va = table[i - 1], tb = table[i], vb = table[i + 1];
        const double t0 = std::max(ta, from), t1 = std::min(tb, to);
        if (t1 <= t0)
            continue;
        const auto at = [&](double t) { return va + (t - ta) / (tb - ta) * (vb - va); };
        sum += (t1 - t0) / 2 * (at(t0) * std::exp(-1i * omega * t0) + at(t1) * std::exp(-1i * omega * t1));
    }
    return 2.0 * sum / (to - from);
}

// What rounding each period's on-samples to whole samples does alone to the duty's sine
// at f/k, the duty set at each period's unperturbed switching instant (p + D)·T: the
// fundamental of the rounded duties over the sine's.
std::complex<double> roundingShare(std::int32_t n, double D, std::int64_t k)
{
    std::complex<double> rounded, exact;
    for (std::int64_t p = 0; p < k; ++p) {
        const double phase = 2 * std::numbers::pi * (double(p) + D) / double(k);
        const double sine = amplitudeOf(Drive::Duty) * std::sin(phase);
        const std::complex<double> turn = std::polar(1.0, -phase);
        rounded += (std::round(n * (D + sine)) - std::round(n * D)) * turn;
        exact += n * sine * turn;
    }
    return rounded / exact;
}

const DynamicDesign kNineVoltTypical = dynamicDesign(averaged::kNineVolt, averaged::kTypical);
const DynamicDesign kSmallCapacitor = dynamicDesign(averaged::converter(15, 0.4, 80e3, 75e-6, 22e-6, 16.67), averaged::kTypical);

} // namespace

Q_DECLARE_METATYPE(Design)
Q_DECLARE_METATYPE(Switching)
Q_DECLARE_METATYPE(Tolerances)
Q_DECLARE_METATYPE(RealDesign)
Q_DECLARE_METATYPE(RealTolerances)
Q_DECLARE_METATYPE(DynamicDesign)
Q_DECLARE_METATYPE(Drive)
Q_DECLARE_METATYPE(DynamicTolerances)

class TestNgspice : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("ngspice").isEmpty())
            QSKIP("ngspice is not installed (Debian package ngspice): the comparison with it did not run");
    }

    // Three designs, N = 1000, over their first 300 periods:
    //  - the worked example (15 V, 40 %, 80 kHz, 75 µH, 125 µF, 16.67 Ω): the current
    //    overshoots to 33 A, the output to 47 V; the current then reaches zero in period
    //    43 and stays discontinuous until period 158 while the output sinks towards 25 V;
    //  - the same with a 2 Ω load, which draws enough that the current never reaches zero;
    //  - the same with 5 µH, discontinuous at steady state: the current peaks at 133 A in
    //    period 6 and is discontinuous from period 11 on.
    // Each tolerance is just above the largest difference measured, noted under its row.
    // Against the circuit as built the differences come from the program running behind
    // by 2/N of a period each period: the output at a period's start is off most where
    // it swings by volts a period (periods 7 to 62 here), the current's extremes where
    // the current falls fastest after its overshoot (periods 10 to 46); in discontinuous
    // conduction and at the peaks the current ramps are 1/(N·D) = 0.25 % short.  Against
    // the circuit as stepped what is left is Euler's own error and the diode's drop:
    // forward Euler charges the capacitor with the current at the start of each step,
    // which over the 5 µH design's fall from 15 A to zero in some 290 steps adds 1/290
    // = 0.35 % to the charge each period, and about 0.13 % (47 mV) to the output.  The
    // program reports no mean output voltage; the middle of its last period's band
    // stands for it, against ngspice's mean, so the final level also differs by the
    // ripple's asymmetry.
    void matchesNgspice_data()
    {
        QTest::addColumn<Design>("design");
        QTest::addColumn<Switching>("switching");
        QTest::addColumn<Tolerances>("within");
        const auto row = [](const char* theme, const Design& d, Switching (*circuit)(const Design&), Tolerances t) {
            QTest::newRow(theme) << d << circuit(d) << t;
        };
        row("worked example, as built", kWorked, asBuilt, {0.075, 0.165, 0.17, 0.0055, 0.004, 0.0025});
        //    measured: 0.0672 V (period 26), 0.150 A (43), 0.152 A (42), 4.8 mA, 3.5 mV, 2.1 mV
        row("worked example, as stepped", kWorked, asStepped, {0.025, 0.0165, 0.019, 0.0165, 0.025, 0.008});
        //    measured: 0.0223 V (42), 0.0148 A (23), 0.0170 A (21), 14.7 mA, 22.2 mV, 7.1 mV
        row("heavy load, never discontinuous, as built", kHeavyLoad, asBuilt, {0.051, 0.06, 0.063, 0.0015, 0.0087, 0.0023});
        //    measured: 0.0458 V (62), 0.0547 A (46), 0.0571 A (45), 1.3 mA, 7.8 mV, 2.0 mV
        row("heavy load, never discontinuous, as stepped", kHeavyLoad, asStepped, {0.017, 0.018, 0.021, 0.018, 0.017, 0.007});
        //    measured: 0.0153 V (43), 0.0162 A (27), 0.0187 A (26), 16.2 mA, 15.3 mV, 6.3 mV
        row("small inductor, discontinuous at steady state, as built", kSmallInductor, asBuilt,
            {0.073, 0.65, 0.69, 0.022, 0.03, 0.009});
        //    measured: 0.0661 V (7), 0.587 A (11), 0.624 A (10), 19.3 mA, 27.0 mV, 8.0 mV
        row("small inductor, discontinuous at steady state, as stepped", kSmallInductor, asStepped,
            {0.065, 0.1, 0.123, 0.096, 0.044, 0.051});
        //    measured: 0.0584 V (132), 0.0898 A (7), 0.111 A (5), 86.6 mA, 39.1 mV, 45.8 mV
    }
    void matchesNgspice()
    {
        QFETCH(Design, design);
        QFETCH(Switching, switching);
        QFETCH(Tolerances, within);
        QString why;
        const std::vector<Point> points = runNgspice(netlist(design, switching), design.periods * switching.T, why);
        QVERIFY2(!points.empty(), qPrintable(why));
        const std::vector<SpicePeriod> spice = periodsOf(points, switching, design.periods);
        QCOMPARE(std::int64_t(spice.size()), std::int64_t(design.periods));

        const std::variant<StartupView, Stop> result = analyseStartup(design.model(), 400, nullptr);
        QVERIFY(std::holds_alternative<StartupView>(result));
        const StartupView& view = std::get<StartupView>(result);
        // One row a period, over every period compared.
        QCOMPARE(view.rowPeriods, std::int64_t(1));
        QCOMPARE(std::int64_t(view.rows.size()), std::int64_t(design.periods));

        Largest voStart, iLMax, iLMin;
        for (const StartupRow& r : view.rows) {
            const SpicePeriod& s = spice[std::size_t(r.period - 1)];
            voStart.add(r.voStart, s.voStart, r.period);
            iLMax.add(r.iLMax, s.iLMax, r.period);
            iLMin.add(r.iLMin, s.iLMin, r.period);
        }
        const StartupFigures& f = view.figures;
        const SpiceFigures g = figuresOf(spice);
        const double finalVo = (view.rows.back().voMin + view.rows.back().voMax) / 2;
        qInfo().noquote() << "largest differences: Vo at a period's start" << voStart.text() << "; highest iL"
                          << iLMax.text() << "; lowest iL" << iLMin.text();
        qInfo().noquote() << QString("peak iL %1 A in period %2, ngspice %3 A in %4; peak Vo %5 V in %6, ngspice %7 V in %8")
                                 .arg(f.peakIL, 0, 'f', 4).arg(f.peakILPeriod).arg(g.peakIL, 0, 'f', 4).arg(g.peakILPeriod)
                                 .arg(f.peakVo, 0, 'f', 4).arg(f.peakVoPeriod).arg(g.peakVo, 0, 'f', 4).arg(g.peakVoPeriod);
        qInfo().noquote() << QString("discontinuous in %1 periods, %2 to %3, ngspice %4, %5 to %6; final Vo %7 V, "
                                     "ngspice's mean %8 V")
                                 .arg(f.dcmPeriods).arg(f.dcmFirst).arg(f.dcmLast).arg(g.dcmPeriods).arg(g.dcmFirst)
                                 .arg(g.dcmLast).arg(finalVo, 0, 'f', 4).arg(spice.back().voMean, 0, 'f', 4);
        QVERIFY2(voStart.by <= within.voStart, qPrintable(voStart.text()));
        QVERIFY2(iLMax.by <= within.iLMax, qPrintable(iLMax.text()));
        QVERIFY2(iLMin.by <= within.iLMin, qPrintable(iLMin.text()));
        QVERIFY(std::fabs(f.peakIL - g.peakIL) <= within.peakIL);
        QVERIFY(std::fabs(f.peakVo - g.peakVo) <= within.peakVo);
        QVERIFY(std::fabs(finalVo - spice.back().voMean) <= within.finalVo);
        // The current's peak is sharp: in ngspice the periods either side fall 17 mA or
        // more short of it, more than the program differs there (at most 16 mA).
        QCOMPARE(f.peakILPeriod, g.peakILPeriod);
        // The output's peak is flat: in ngspice the periods either side of it come within
        // microvolts of each other, so it may fall one period either way.
        QVERIFY(std::abs(f.peakVoPeriod - g.peakVoPeriod) <= 1);
        // Discontinuous conduction starts and ends in the same periods.  The current falls
        // into it by amperes a period (0.65 A left in the worked example's period 42) and
        // climbs out by 13 to 25 mA a period: ngspice's lowest current in period 159, the
        // first continuous one, is 10 mA (as stepped 7 mA), where the program's lag of
        // 0.3 period by then moves it by about 4 mA.
        QCOMPARE(std::tuple(f.dcmPeriods, f.dcmFirst, f.dcmLast), std::tuple(g.dcmPeriods, g.dcmFirst, g.dcmLast));
    }

    // Three converters with all five parasitic elements (rL, Ron, VF, RD, rC = 0.1 Ω,
    // 0.05 Ω, 0.5 V, 0.02 Ω, 0.05 Ω unless noted), 15 V at 80 kHz with 75 µH, N = 1000:
    //  - near the gain maximum: rL = 1 Ω, D = 75 %, 22 µF, 16.67 Ω.  The averaged gain
    //    peaks at D = 75.1 %, where the inductor takes about as much power as the load
    //    (η 49 %).  rL overdamps the start-up: with 125 µF its slow pole would need over
    //    a thousand periods, with 22 µF the states repeat from period 346;
    //  - low duty cycle: D = 10 %, 10 µF, 8 Ω, where the diode's drop is the largest
    //    loss (1.08 W of 33 W); the states repeat from period 425;
    //  - large ESR: the worked example (40 %, 125 µF, 16.67 Ω) with rC = 1 Ω, whose
    //    loss is the largest (1.18 W of 34.7 W); the states repeat from period 590.
    // Each runs from rest over NI periods, some 15 % past the period where the program's
    // start states repeat exactly.  ngspice's figures of the last period then no longer
    // settle but scatter with where its time steps fall: by up to 1.3e-5 over NI − 20 to
    // NI + 50 periods, 4e-5 in the large ESR's circuit as stepped.  Each tolerance, in %,
    // is just above the largest difference measured over those NI, noted under its row.
    //
    // Where they differ, and why:
    //  - the lag: the program's states evolve as the circuit as stepped, whose switch is
    //    closed (N·D − 1)/(N − 2) of the period: 75.05 % instead of 75 %.  Near the gain
    //    maximum Vo hardly moves with D, but the input current Vo/(RL·D') does: 0.2 % more
    //    current, 0.4 % more loss in rL, Ron and rC, against the circuit as built; as
    //    stepped rL's loss agrees within 0.008 %;
    //  - the weights: the program's means count each phase by its samples, N·D and N − N·D
    //    of N, where the circuit as stepped spends N·D − 1 and N − N·D − 1 of N − 2 steps.
    //    A short phase so weighs about 1/(N·D) − 2/N more: +0.8 % for the switch at
    //    D = 10 %, and for rC, whose current there is mostly the load's, drawn while the
    //    switch is closed; +0.2 % for the diode near the gain maximum, 1/(N·D') − 2/N.
    //    Against the circuit as built the two causes partly cancel;
    //  - the diode: ngspice's near-ideal diode drops about 9 mV beside VF (emission
    //    coefficient 0.01), which lowers its Vo by about as much (8 mV, 0.05 %, at D = 10 %)
    //    and its efficiency by about 0.05 %; as 0.9 mV (coefficient 0.001), measured once
    //    by hand, the low duty cycle's Vo and η agree within 0.006 % and 0.011 %;
    //  - forward Euler charges the capacitor with the current at the start of each step,
    //    so with the current falling by ΔiL in the off-phase it puts about ΔiL/(2·N·D'·Iim)
    //    more charge in a period: near the gain maximum 0.94 A gives 2.6e-4, and Vo is
    //    0.02 % high there with the 0.9 mV diode.
    // The averaged model neglects the ripple and the ESR: while the diode conducts the
    // output is rC·(iL − Io) above the capacitor, which the inductor sees.  Averaged, the
    // ESR adds D·D'·rC·RL/(RL + rC) to the loop's resistance: 0.009 Ω near the gain
    // maximum beside 1.04 Ω, 0.23 Ω in the large ESR's design beside 0.13 Ω.  With it the
    // averaged Vo would be 29.608, 15.855 and 23.119 V, within 0.06, 0.10 and 0.04 % of
    // the program's.  One tolerance covers the averaged model against both.
    void realMatchesNgspice_data()
    {
        QTest::addColumn<RealDesign>("design");
        QTest::addColumn<RealTolerances>("within");
        const auto row = [](const char* theme, const RealDesign& d, RealTolerances t) { QTest::newRow(theme) << d << t; };
        //                                       Vo     η      rL     Ron    diode  rC
        row("near the gain maximum, a lossy inductor", kGainMaximum,
            {{0.035, 0.15, 0.42, 0.42, 0.26, 0.42}, {0.034, 0.062, 0.009, 0.062, 0.215, 0.15}, 0.55, 0.8});
        //    measured as built:   0.0321 0.1403 0.4090 0.4082 0.2517 0.4118
        //    measured as stepped: 0.0312 0.0588 0.0082 0.0588 0.2068 0.1442
        //    averaged Vo 0.507 (program), 0.540 (ngspice); η 0.792, 0.651
        row("low duty cycle, the diode's drop", kLowDuty,
            {{0.037, 0.063, 0.27, 0.27, 0.145, 0.285}, {0.056, 0.062, 0.1, 0.95, 0.04, 0.85}, 0.18, 0.13});
        //    measured as built:   0.0343 0.0600 0.2584 0.2556 0.1394 0.2738
        //    measured as stepped: 0.0531 0.0586 0.0956 0.9073 0.0373 0.8080
        //    averaged Vo 0.171, 0.136; η 0.063, 0.123
        row("large ESR", kLargeESR,
            {{0.003, 0.07, 0.13, 0.13, 0.07, 0.13}, {0.034, 0.066, 0.012, 0.065, 0.034, 0.035}, 3.75, 3.7});
        //    measured as built:   0.0025 0.0673 0.1247 0.1262 0.0671 0.1246 (the lag's −0.03 % on Vo
        //                         and the diode's +0.03 % cancel)
        //    measured as stepped: 0.0322 0.0630 0.0111 0.0617 0.0317 0.0327
        //    averaged Vo 3.737, 3.739; η 3.603, 3.672
    }
    void realMatchesNgspice()
    {
        QFETCH(RealDesign, design);
        QFETCH(RealTolerances, within);
        const Model::SimulatedRun c = design.run();
        const std::variant<RealView, Stop> result = analyseReal(c, design.parts, nullptr);
        QVERIFY(std::holds_alternative<RealView>(result));
        const RealView& view = std::get<RealView>(result);
        // At steady state: the program's period NI repeats one already stepped.
        QVERIFY2(view.run.cycleLength > 0, "the program's run has not settled within NI");
        qInfo("the program's start states repeat from period %lld", static_cast<long long>(view.run.stepped));
        // The averaged model holds in continuous conduction only.
        QVERIFY(!view.run.figures.discontinuous);
        QString why;
        const std::optional<Figures> built = spiceSteadyState(c, design.parts, why);
        QVERIFY2(built, qPrintable(why));
        const std::optional<Figures> stepped = spiceSteadyState(steppedRun(c), design.parts, why);
        QVERIFY2(stepped, qPrintable(why));

        const Figures program = comparedOf(view.run.figures);
        const auto off = [](double a, double b) { return 100 * (a / b - 1); }; // %
        for (const Compared& x : kFigures) {
            const double ofBuilt = off(program.*x.member, (*built).*x.member);
            const double ofStepped = off(program.*x.member, (*stepped).*x.member);
            qInfo("%s: program %.7g, ngspice %.7g as built (%+.4f %%), %.7g as stepped (%+.4f %%)", x.name,
                  program.*x.member, (*built).*x.member, ofBuilt, (*stepped).*x.member, ofStepped);
            QVERIFY2(std::fabs(ofBuilt) <= within.asBuilt.*x.member, x.name);
            QVERIFY2(std::fabs(ofStepped) <= within.asStepped.*x.member, x.name);
        }
        // The averaged model gives the first two figures, Vo and the efficiency.
        const Figures averaged{view.averaged.Vo, view.averaged.efficiency};
        const Figures averagedWithin{within.averagedVo, within.averagedEfficiency};
        for (const Compared& x : {kFigures[0], kFigures[1]}) {
            const double ofProgram = off(averaged.*x.member, program.*x.member);
            const double ofSpice = off(averaged.*x.member, (*built).*x.member);
            qInfo("%s: averaged model %.7g, against the program %+.3f %%, against ngspice %+.3f %%", x.name,
                  averaged.*x.member, ofProgram, ofSpice);
            QVERIFY2(std::fabs(ofProgram) <= averagedWithin.*x.member, x.name);
            QVERIFY2(std::fabs(ofSpice) <= averagedWithin.*x.member, x.name);
        }
    }
    // Two converters with all five parasitics (rL, Ron, VF, RD, rC = 0.1 Ω, 0.05 Ω, 0.5 V,
    // 0.02 Ω, 0.05 Ω), N = 1000:
    //  - nine volt: 9 V, 50 %, 200 kHz, 10 µH, 47 µF, 6 Ω, resonance at 3.83 kHz (f/52)
    //    with Q 1.24, its slowest pole 8 time constants in 165 periods;
    //  - small capacitor: the worked example (15 V, 40 %, 80 kHz, 75 µH, 16.67 Ω) with
    //    22 µF, resonance at 2.38 kHz (f/34) with Q 3.06, 8 time constants in 263 periods.
    // ngspice runs 12 of them and then four modulation periods, 2 × 3 × 3 runs of 0.3 to
    // 1.9 s of CPU, about 14 s in all.  Its own error is below 10⁻³ dB and 0.006°: steps
    // of T/200 instead of T/100 moved its results by 7·10⁻⁴ dB and 0.003°, a wait of 20
    // time constants instead of 12 by 2·10⁻⁴ dB and 0.006°.  After 8 only, what the start
    // leaves moved the smallest response, Gvg at f/5 (−34 dB), by 0.05 dB and 0.19°.
    // Each tolerance is the difference measured, noted under its row, plus that 10⁻³ dB
    // and 0.01°.
    //
    // The averaged curves, where they differ, and why:
    //  - below f/10 all three agree within 0.006 dB and 0.015°.  The averaged operating
    //    point neglects the ripple, and ngspice's near-ideal diode drops 9 mV beside VF:
    //    ngspice's mean output is 0.08 % lower (15.921 V against 15.934 V, 23.907 against
    //    23.926 V), and its gains follow it.  The diode's share, measured once with an
    //    emission coefficient of 0.001 (0.9 mV), is below 0.003 dB and 0.015°;
    //  - towards f/2 Gvd departs, as averaging must: the switching, a circuit that
    //    changes periodically, turns the duty's sine at fm into sidebands at f − fm and
    //    turns them back into fm, and the LC filter lets more of f − fm through as fm
    //    nears f/2: 0.1° at f/10, 0.04 dB and 0.2° at f/5.
    //    Gvg and Zout, whose inputs do not touch the switching instants, stay within
    //    0.005 dB and 0.015° up to f/5.
    // The simulated points, where they differ, and why:
    //  - the duty's resolution, 1/N.  Each period's on-samples are rounded, so the
    //    modulation's 1 % (10 samples) is a staircase whose fundamental is not the sine's:
    //    at f/5 and D = 50 % the five duties 5.88, 9.51, 0, −9.51, −5.88 thousandths round
    //    to 6, 10, 0, −10, −6, 4.3 % (0.37 dB) more.  The rounding alone gives −0.07,
    //    +0.15 and +0.37 dB for nine volt, and +0.05 dB, +0.05 dB −0.34°, −0.04 dB −0.79°
    //    for the small capacitor;
    //  - the rest, within 0.03 dB and 0.3°, is the sampling and the stepping.  The program
    //    sets each duty at the period's unperturbed switching instant and holds it, where
    //    ngspice's comparator switches where the sawtooth meets the moving duty (natural
    //    sampling).  And its states evolve over N − 2 of the N steps of a period, as for
    //    the start-up: its time runs 2/N = 0.2 % slow, and it answers at fm as the
    //    circuit at fm·N/(N − 2).  The averaged curve read there turns by −0.29° at f/50
    //    for nine volt, near the resonance where the phase turns fastest, and by −0.02 to
    //    −0.10° elsewhere: the rest of the phase within 0.06°.
    void dynamicsMatchesNgspice_data()
    {
        QTest::addColumn<DynamicDesign>("design");
        QTest::addColumn<Drive>("drive");
        QTest::addColumn<qint64>("k");
        QTest::addColumn<DynamicTolerances>("within");
        const auto row = [](const char* theme, const DynamicDesign& d, Drive drive, qint64 k, DynamicTolerances t) {
            QTest::addRow("%s, %s at f/%lld", theme, nameOf(drive), static_cast<long long>(k)) << d << drive << k << t;
        };
        //                                                averaged: dB, °   simulated: dB, °
        row("nine volt", kNineVoltTypical, Drive::Duty, 50, {0.0066, 0.016, 0.0705, 0.305});
        //    measured: +0.00559 dB +0.0059°, the simulated point −0.06947 dB −0.2949°
        row("nine volt", kNineVoltTypical, Drive::Duty, 20, {0.0024, 0.013, 0.133, 0.109});
        //    measured: +0.00132 dB +0.0026°, the simulated point +0.13114 dB −0.0983°
        row("nine volt", kNineVoltTypical, Drive::Duty, 5, {0.039, 0.213, 0.379, 0.059});
        //    measured: +0.03786 dB −0.2024°, the simulated point +0.37717 dB +0.0485°
        row("nine volt", kNineVoltTypical, Drive::Input, 50, {0.0046, 0.015});
        //    measured: +0.00354 dB −0.0046°
        row("nine volt", kNineVoltTypical, Drive::Input, 20, {0.0036, 0.011});
        //    measured: +0.00252 dB −0.0010°
        row("nine volt", kNineVoltTypical, Drive::Input, 5, {0.003, 0.016});
        //    measured: +0.00193 dB +0.0054°
        row("nine volt", kNineVoltTypical, Drive::Load, 50, {0.0046, 0.016});
        //    measured: +0.00359 dB −0.0054°
        row("nine volt", kNineVoltTypical, Drive::Load, 20, {0.0035, 0.011});
        //    measured: +0.00249 dB −0.0005°
        row("nine volt", kNineVoltTypical, Drive::Load, 5, {0.0039, 0.021});
        //    measured: +0.00283 dB +0.0106°
        row("small capacitor", kSmallCapacitor, Drive::Duty, 100, {0.0068, 0.024, 0.0695, 0.013});
        //    measured: +0.00577 dB +0.0136°, the simulated point +0.06849 dB −0.0022°
        row("small capacitor", kSmallCapacitor, Drive::Duty, 20, {0.0037, 0.021, 0.0231, 0.454});
        //    measured: +0.00263 dB −0.0109°, the simulated point +0.02209 dB −0.4439°
        row("small capacitor", kSmallCapacitor, Drive::Duty, 10, {0.0077, 0.11, 0.0618, 0.86});
        //    measured: −0.00668 dB −0.0996°, the simulated point −0.06073 dB −0.8498°
        row("small capacitor", kSmallCapacitor, Drive::Input, 100, {0.0052, 0.012});
        //    measured: +0.00418 dB +0.0011°
        row("small capacitor", kSmallCapacitor, Drive::Input, 20, {0.0053, 0.013});
        //    measured: +0.00423 dB −0.0026°
        row("small capacitor", kSmallCapacitor, Drive::Input, 10, {0.0052, 0.011});
        //    measured: +0.00417 dB −0.0006°
        row("small capacitor", kSmallCapacitor, Drive::Load, 100, {0.0039, 0.025});
        //    measured: +0.00283 dB +0.0144°
        row("small capacitor", kSmallCapacitor, Drive::Load, 20, {0.005, 0.011});
        //    measured: +0.00396 dB +0.0005°
        row("small capacitor", kSmallCapacitor, Drive::Load, 10, {0.0052, 0.012});
        //    measured: +0.00415 dB +0.0018°
    }
    void dynamicsMatchesNgspice()
    {
        QFETCH(DynamicDesign, design);
        QFETCH(Drive, drive);
        QFETCH(qint64, k);
        QFETCH(DynamicTolerances, within);
        const std::variant<SmallSignal, QString> model = smallSignal(design.run, design.parts);
        QVERIFY(std::holds_alternative<SmallSignal>(model));
        const SmallSignal& m = std::get<SmallSignal>(model);
        const double T = 1 / design.run.Freq, fm = design.run.Freq / double(k), omega = 2 * std::numbers::pi * fm;
        const std::int64_t settle = settleOf(averaged::fromTable(design.run, design.parts), design.run.Freq);
        const double from = double(settle) * T, to = double(settle + 4 * k) * T;
        QString why;
        QElapsedTimer clock;
        clock.start();
        const std::vector<double> table = runNgspiceTable(dynamicsNetlist(design, drive, k, settle), 2, to, why);
        QVERIFY2(!table.empty(), qPrintable(why));
        const double seconds = double(clock.elapsed()) / 1000;
        // The sine a·sin(ωt) is the phasor −j·a.
        const std::complex<double> spice = projected(table, from, to, omega) / std::complex<double>(0, -amplitudeOf(drive));
        const double spiceDb = 20 * std::log10(std::abs(spice)), spiceDeg = std::arg(spice) * 180 / std::numbers::pi;
        // The phase is known to ngspice only up to whole turns.
        const auto turned = [spiceDeg](double deg) { return std::remainder(deg - spiceDeg, 360.0); };
        const TransferFunction& g = drive == Drive::Duty ? m.Gvd : drive == Drive::Input ? m.Gvg : m.Zout;
        const double offDb = g.magnitudeDb(fm) - spiceDb, offDeg = turned(g.phaseDeg(fm));
        qInfo("ngspice, %lld + %lld periods in %.2f s: %.5f dB %.4f°, mean output %.5f V (averaged %.5f V); the averaged "
              "curve %+.5f dB %+.4f°", static_cast<long long>(settle), static_cast<long long>(4 * k), seconds, spiceDb,
              spiceDeg, projected(table, from, to, 0).real() / 2, m.Vo, offDb, offDeg);
        QVERIFY(std::fabs(offDb) <= within.averagedDb);
        QVERIFY(std::fabs(offDeg) <= within.averagedDeg);
        if (drive != Drive::Duty)
            return;
        const std::variant<DynamicsView, Stop> view = analyseDynamics(design.run, design.parts, nullptr);
        QVERIFY(std::holds_alternative<DynamicsView>(view));
        const std::vector<MeasuredPoint>& points = std::get<DynamicsView>(view).points;
        const auto point = std::find_if(points.begin(), points.end(), [&](const MeasuredPoint& p) { return p.k == k; });
        QVERIFY(point != points.end() && point->simulated);
        const double simDb = point->simulatedDb - spiceDb, simDeg = turned(point->simulatedDeg);
        const std::complex<double> rounding = roundingShare(design.run.N, design.run.D, k);
        const double roundingDb = 20 * std::log10(std::abs(rounding)), roundingDeg = std::arg(rounding) * 180 / std::numbers::pi;
        qInfo("the simulated point %+.5f dB %+.4f°, against the averaged curve %+.5f dB %+.4f°; the duty's rounding "
              "alone %+.4f dB %+.3f°, the rest %+.4f dB %+.3f°", simDb, simDeg, point->simulatedDb - point->averagedDb,
              point->simulatedDeg - point->averagedDeg, roundingDb, roundingDeg, simDb - roundingDb,
              std::remainder(simDeg - roundingDeg, 360.0));
        QVERIFY(std::fabs(simDb) <= within.simulatedDb);
        QVERIFY(std::fabs(simDeg) <= within.simulatedDeg);
    }
};

QTEST_GUILESS_MAIN(TestNgspice)
#include "test_ngspice.moc"
