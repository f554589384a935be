// The averaged model written out for the tests, straight from the table of the two
// phases: each phase's equations entered as L·diL/dt, C·dvC/dt and vo read, averaged
// by their durations, and every 2×2 system solved by Cramer's rule.  Nothing here
// calls the program's model.
#pragma once

#include "app/model.h"

#include <cmath>
#include <complex>
#include <tuple>

namespace averaged {

using cplx = std::complex<double>;

inline Model::SimulatedRun converter(double vi, double d, double f, double l, double c, double rl)
{
    Model::SimulatedRun r;
    std::tie(r.valid, r.Vi, r.D, r.Freq, r.L, r.C, r.RL) = std::tuple(true, vi, d, f, l, c, rl);
    return r;
}

// The worked example, a 9 V converter at 200 kHz whose loop crosses 0 dB three times, a
// narrow resonance, and the typical parts.
inline const Model::SimulatedRun kWorked = converter(15, 0.4, 80e3, 75e-6, 125e-6, 16.67);
inline const Model::SimulatedRun kNineVolt = converter(9, 0.5, 200e3, 10e-6, 47e-6, 6);
inline const Model::SimulatedRun kHighQ = converter(5, 0.3, 50e3, 470e-6, 470e-6, 50);
inline const Parasitics kTypical{0.1, 0.05, 0.5, 0.02, 0.05};

// A phase difference brought into (−180°, 180°].
inline double wrapped(double deg)
{
    return deg - 360 * std::ceil((deg - 180) / 360);
}

// An input of the averaged equations: dx/dt gets B·u, vo gets E·u.
struct Input {
    double B[2] = {0, 0};
    double E = 0;
};

struct Plant {
    double A[2][2] = {{0, 0}, {0, 0}};
    double b[2] = {0, 0};
    double c[2] = {0, 0};
    double X[2] = {0, 0}; // operating point (iL, vC), from A·X = −b
    Input duty, line, load;
};

inline Plant fromTable(const Model::SimulatedRun& r, const Parasitics& p)
{
    const double Rp = r.RL / (r.RL + p.rC), D = r.D, Dp = 1 - r.D, L = r.L, C = r.C;
    // Switch closed: L·diL/dt = Vi − (rL + Ron)·iL, C·dvC/dt = −vC/(RL + rC), vo = Rp·vC.
    const double onA[2][2] = {{-(p.rL + p.Ron) / L, 0}, {0, -1 / (C * (r.RL + p.rC))}};
    const double onB[2] = {r.Vi / L, 0}, onC[2] = {0, Rp};
    // Diode conducting: L·diL/dt = Vi − VF − (rL + RD + Rp·rC)·iL − Rp·vC,
    // C·dvC/dt = Rp·iL − vC/(RL + rC), vo = Rp·(vC + rC·iL).
    const double offA[2][2] = {{-(p.rL + p.RD + Rp * p.rC) / L, -Rp / L}, {Rp / C, -1 / (C * (r.RL + p.rC))}};
    const double offB[2] = {(r.Vi - p.VF) / L, 0}, offC[2] = {Rp * p.rC, Rp};
    Plant m;
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j)
            m.A[i][j] = D * onA[i][j] + Dp * offA[i][j];
        m.b[i] = D * onB[i] + Dp * offB[i];
        m.c[i] = D * onC[i] + Dp * offC[i];
    }
    // A·X = −b by Cramer's rule.
    const double det = m.A[0][0] * m.A[1][1] - m.A[0][1] * m.A[1][0];
    m.X[0] = (-m.b[0] * m.A[1][1] + m.b[1] * m.A[0][1]) / det;
    m.X[1] = (-m.A[0][0] * m.b[1] + m.A[1][0] * m.b[0]) / det;
    for (int i = 0; i < 2; ++i) {
        m.duty.B[i] = (onA[i][0] - offA[i][0]) * m.X[0] + (onA[i][1] - offA[i][1]) * m.X[1] + (onB[i] - offB[i]);
    }
    m.duty.E = (onC[0] - offC[0]) * m.X[0] + (onC[1] - offC[1]) * m.X[1];
    m.line.B[0] = 1 / L;
    m.load = {{-Dp * Rp * p.rC / L, Rp / C}, Rp * p.rC};
    return m;
}

// c·x + E with (sI − A)·x = B, s in rad/s.
inline cplx response(const Plant& m, cplx s, const Input& in)
{
    const cplx a = s - m.A[0][0], b = -m.A[0][1], c = -m.A[1][0], d = s - m.A[1][1];
    const cplx det = a * d - b * c;
    const cplx x0 = (in.B[0] * d - b * in.B[1]) / det, x1 = (a * in.B[1] - c * in.B[0]) / det;
    return m.c[0] * x0 + m.c[1] * x1 + in.E;
}

inline cplx atHz(const Plant& m, double f, const Input& in)
{
    return response(m, cplx(0, 2 * 3.14159265358979323846 * f), in);
}

} // namespace averaged
