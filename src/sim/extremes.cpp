#include "extremes.h"

#include "app/model.h"

#include <cmath>

double largestAbsolute(std::span<const double> samples)
{
    double extreme = samples.front();
    for (const double sample : samples) {
        const double x = std::fabs(sample);
        if (x >= extreme)
            extreme = x;
    }
    return extreme;
}

double smallestAbsolute(std::span<const double> samples)
{
    double extreme = samples.front();
    for (const double sample : samples) {
        const double x = std::fabs(sample);
        if (x <= extreme)
            extreme = x;
    }
    return extreme;
}

void FindMaxIL(Model& m) { m.MaxIL = largestAbsolute(periodSamples(m.WaveIL, m.N)); }
void FindMinIL(Model& m) { m.MinIL = smallestAbsolute(periodSamples(m.WaveIL, m.N)); }
void FindMaxIC(Model& m) { m.MaxIC = largestAbsolute(periodSamples(m.WaveIC, m.N)); }
void FindMaxVo(Model& m) { m.MaxVo = largestAbsolute(periodSamples(m.WaveVo, m.N)); }
void FindMinVo(Model& m) { m.MinVo = smallestAbsolute(periodSamples(m.WaveVo, m.N)); }
void FindMaxVL(Model& m) { m.MaxVL = largestAbsolute(periodSamples(m.WaveVL, m.N)); }
void FindMaxID(Model& m) { m.MaxID = largestAbsolute(periodSamples(m.WaveID, m.N)); }
