// Extremes of the absolute sample values of one simulated period (samples 1..N).
// They give the ripples and peaks of the summary, the full scale of each plot band
// and the scale with which the cursor readout turns a height back into a value.
// Each requires N >= 1 and arrays of at least N + 1 elements.
#pragma once

struct Model;

void FindMaxIL(Model& m);
void FindMinIL(Model& m);
void FindMaxIC(Model& m);
void FindMaxVo(Model& m);
void FindMinVo(Model& m);
void FindMaxVL(Model& m);
void FindMaxID(Model& m);
