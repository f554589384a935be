#include "averagedmodel.h"

#include <cmath>

namespace {

// Vo/Vi of the averaged model, negative where the diode's drop exceeds the input.
double averagedGain(const Model::SimulatedRun& c, const Parasitics& p, double D)
{
    const double Dp = 1 - D;
    const double X = (p.rL + D * p.Ron) + Dp * p.RD;
    return ((c.Vi - Dp * p.VF) * c.RL * Dp) / (Dp * Dp * c.RL + X) / c.Vi;
}

// Golden-section search for the maximum of the gain within [low, high].
GainMaximum refineMaximum(const Model::SimulatedRun& c, const Parasitics& p, double low, double high)
{
    const double invPhi = (std::sqrt(5.0) - 1) / 2;
    double a = low, b = high;
    double x1 = b - invPhi * (b - a), x2 = a + invPhi * (b - a);
    double f1 = averagedGain(c, p, x1), f2 = averagedGain(c, p, x2);
    while (b - a > 1e-8) {
        if (f1 < f2) {
            a = x1;
            x1 = x2, f1 = f2;
            x2 = a + invPhi * (b - a);
            f2 = averagedGain(c, p, x2);
        } else {
            b = x2;
            x2 = x1, f2 = f1;
            x1 = b - invPhi * (b - a);
            f1 = averagedGain(c, p, x1);
        }
    }
    const double D = (a + b) / 2;
    return {averagedGain(c, p, D), D};
}

} // namespace

std::optional<AveragedPoint> averagedAt(const Model::SimulatedRun& c, const Parasitics& p, double D)
{
    const double Dp = 1 - D;
    if (!(c.Vi > Dp * p.VF))
        return std::nullopt;
    const double X = (p.rL + D * p.Ron) + Dp * p.RD;
    const double Vo = ((c.Vi - Dp * p.VF) * c.RL * Dp) / (Dp * Dp * c.RL + X);
    return AveragedPoint{Vo, Vo / (c.RL * Dp), (Vo * Dp) / c.Vi};
}

// The gain is a concave numerator D'·(Vi − D'·VF) over a convex, positive denominator,
// so it has no maximum but the highest: a scan finds the cell it lies in, whatever its
// width (a small rL puts it within 1e-4 of D = 1), and a golden-section search pins it.
std::optional<GainMaximum> gainMaximum(const Model::SimulatedRun& c, const Parasitics& p)
{
    if (p.rL + p.Ron == 0)
        return std::nullopt;
    constexpr int kCells = 1000;
    int best = 0;
    double bestGain = averagedGain(c, p, 0);
    for (int i = 1; i <= kCells; ++i) {
        const double gain = averagedGain(c, p, double(i) / kCells);
        if (gain > bestGain)
            best = i, bestGain = gain;
    }
    const double low = double(std::max(best - 1, 0)) / kCells;
    const double high = double(std::min(best + 1, kCells)) / kCells;
    return refineMaximum(c, p, low, high);
}

double criticalInductance(const Model::SimulatedRun& c)
{
    const double Dp = 1 - c.D;
    return c.D * (Dp * Dp) * c.RL / (2 * c.Freq);
}

double idealOutput(const Model::SimulatedRun& c, double D)
{
    Model::SimulatedRun at = c;
    at.D = D;
    if (c.L >= criticalInductance(at))
        return c.Vi / (1 - D);
    const double K = 2 * c.L * c.Freq / c.RL;
    return c.Vi * (1 + std::sqrt(1 + 4 * (D * D) / K)) / 2;
}

IdealFigures idealFigures(const Model::SimulatedRun& c)
{
    IdealFigures f;
    f.continuous = c.L >= criticalInductance(c);
    f.Vo = idealOutput(c, c.D);
    const double Io = f.Vo / c.RL;
    // Losslessly the input power is the output power.
    f.Iim = f.continuous ? Io / (1 - c.D) : f.Vo * Io / c.Vi;
    f.DeltaiL = (c.Vi * c.D) / (c.Freq * c.L);
    if (f.continuous)
        f.DeltaVo = (c.D * Io) / (c.Freq * c.C);
    return f;
}

std::vector<CurveRow> gainCurve(const Model::SimulatedRun& c, const Parasitics& p)
{
    std::vector<CurveRow> rows;
    rows.reserve(100);
    for (int percent = 0; percent < 100; ++percent) {
        const double D = double(percent) / 100;
        CurveRow row{percent, idealOutput(c, D) / c.Vi, std::nullopt, std::nullopt};
        if (const std::optional<AveragedPoint> a = averagedAt(c, p, D))
            row.averagedGain = a->Vo / c.Vi, row.averagedEfficiency = a->efficiency;
        rows.push_back(row);
    }
    return rows;
}
