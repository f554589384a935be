// Time-domain simulation of the boost converter from rest, with a fixed time step.
#pragma once

#include "app/platform.h"

#include <cstdint>

struct Model;

enum class SimOutcome {
    Completed, // traces drawn; extremes, summary values and m.Drawn are new
    Refused,   // the inductor current reached zero (discontinuous conduction)
    Fault,     // inputs the simulation cannot represent; nothing of this run is shown
    Cancelled  // the student stopped the run through the progress port
};

// Five arrays of N + 2 doubles each must fit in 256 MiB.
inline constexpr std::int64_t kSimulationMemoryBudget = std::int64_t(256) * 1024 * 1024;
inline constexpr std::int32_t kMaxSamplesPerPeriod =
    std::int32_t(kSimulationMemoryBudget / (5 * std::int64_t(sizeof(double))) - 2);

// Shows the waveform window, draws the plot frame, then simulates NI switching periods
// of N samples each from Vi, D, Freq (Hz), L (H), C (F) and RL (Ω), and keeps the last
// period in WaveIL, WaveVo, WaveIC, WaveVL, WaveID (samples 1..N).  When the inductor
// current stays positive over that period it finds the extremes, computes SimDeltaiL,
// SimDeltaVo (mV), SimIDP, SimIDm, SimIim, draws the traces and records in m.Drawn what
// the plot was drawn from.  Every other outcome shows one message (copied into
// m.MsgText first) and leaves the extremes and summary values as they were.
//
// Inputs refused before any array is replaced: Freq = 0, a time step that is zero or
// not finite, N < 1, N above kMaxSamplesPerPeriod, L = 0, C = 0, RL = 0, a duty cycle
// that does not split N samples into an on- and an off-phase, and one whose on-samples
// round to 0 or N.  Negative L, C and
// RL are simulated as they are.  A run whose currents or voltages leave the double
// range stops with a Fault.  progress, when given, hears of every finished period.
SimOutcome SimulateConverter(Model& m, Form2Port& form2, MessagePort& ui, ProgressPort* progress);
