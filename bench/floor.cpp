#include "floor.h"

#include <cmath>

void FloorSimulate(const FloorInputs& in, std::vector<double>& il, std::vector<double>& vo)
{
    const std::int32_t n = in.N;
    const double dt = (1 / in.Freq) / n;
    const auto onSamples = static_cast<std::int32_t>(std::nearbyint(n * in.D));
    const double rise = (in.Vi * dt) / in.L; // on-phase current step, the same every sample
    const double cr = in.C * in.RL;

    il.assign(n + 2, 0.0);
    vo.assign(n + 2, 0.0);
    double i1 = 0, v1 = 0; // sample 1 of the period
    for (std::int32_t iter = 1; iter <= in.NI; ++iter) {
        const bool last = iter == in.NI;
        // On-phase: samples 2..onSamples; the step out of sample onSamples is overwritten
        // by the switching instant, which repeats sample onSamples.
        double i = i1, v = v1;
        for (std::int32_t k = 1; k < onSamples; ++k) {
            i = rise + i;
            v = v - (dt * v) / cr;
            if (last) { il[k + 1] = i; vo[k + 1] = v; }
        }
        if (last) { il[onSamples + 1] = i; vo[onSamples + 1] = v; }
        // Off-phase: samples onSamples+2..n; sample n starts the next period.
        for (std::int32_t k = onSamples + 1; k < n; ++k) {
            const double ni = ((in.Vi - v) * dt) / in.L + i;
            const double nv = (v - (dt * v) / cr) + (dt * i) / in.C;
            i = ni;
            v = nv;
            if (last) { il[k + 1] = i; vo[k + 1] = v; }
        }
        i1 = i; // the wrap: sample n becomes sample 1
        v1 = v;
    }
    il[1] = i1;
    vo[1] = v1;
}
