// The real converter as a netlist for the circuit simulator ngspice, so that a student
// can simulate the same circuit with a tool of their own and compare.
#pragma once

#include "app/model.h"

#include <QByteArray>

// An ngspice netlist of the converter `c` (Vi, D, Freq in Hz, L in H, C in F, RL, N,
// NI) with the parasitics `p`: a header comment naming the values; the input; rL in
// series with the inductor; a switch closed for D·T of each period with RON = Ron; a
// near-ideal diode in series with a source of VF volts and RD; rC in series with the
// capacitor, the load across both; a zero-volt source in each branch whose current a
// measurement needs.  `.tran` runs from rest over NI periods with the program's step
// T/N, and `.meas` lines give, over the last period, the mean output voltage, the mean
// input current, Pin, Pout, the efficiency and the four losses.
QByteArray spiceNetlist(const Model::SimulatedRun& c, const Parasitics& p);
