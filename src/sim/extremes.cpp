#include "extremes.h"

#include "app/model.h"

#include <cmath>
#include <vector>

namespace {

// The running extreme starts from sample 1 with its sign.  For a maximum the first
// comparison always replaces it by its absolute value.  For a minimum a negative first
// sample is never replaced, since no absolute value is smaller: that start value is
// what callers have always received, so it is kept.
double largestAbsolute(const std::vector<double>& wave, int n)
{
    double extreme = wave[1];
    for (int k = 1; k <= n; ++k) {
        const double x = std::fabs(wave[k]);
        if (x >= extreme)
            extreme = x;
    }
    return extreme;
}

double smallestAbsolute(const std::vector<double>& wave, int n)
{
    double extreme = wave[1];
    for (int k = 1; k <= n; ++k) {
        const double x = std::fabs(wave[k]);
        if (x <= extreme)
            extreme = x;
    }
    return extreme;
}

} // namespace

void FindMaxIL(Model& m) { m.MaxIL = largestAbsolute(m.WaveIL, m.N); }
void FindMinIL(Model& m) { m.MinIL = smallestAbsolute(m.WaveIL, m.N); }
void FindMaxIC(Model& m) { m.MaxIC = largestAbsolute(m.WaveIC, m.N); }
void FindMaxVo(Model& m) { m.MaxVo = largestAbsolute(m.WaveVo, m.N); }
void FindMinVo(Model& m) { m.MinVo = smallestAbsolute(m.WaveVo, m.N); }
void FindMaxVL(Model& m) { m.MaxVL = largestAbsolute(m.WaveVL, m.N); }
void FindMaxID(Model& m) { m.MaxID = largestAbsolute(m.WaveID, m.N); }
