// The fields of the control window: the compensator's crossover and phase margin, and
// the step's reference, load, input, periods and duty limits, checked and read as the
// parasitic elements' fields are, with their defaults for a converter.
//
// The defaults follow the converter.  Each field is filled with its default the first
// time, and again whenever its default changes, that is whenever the converter does
// (another "Grafici" run, or other parasitic elements, move the operating point, the
// crossover's bound or the load): fc, Vref, RL and Vi after the step.  A value the
// student typed stays for as long as its field's default stays the same; PM, the
// periods and the duty limits have defaults that never change, so what is typed in
// them stays.
#pragma once

#include "app/model.h"
#include "app/platform.h"
#include "sim/closedloop.h"
#include "sim/loopdesign.h"
#include "sim/smallsignal.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <variant>

// In the order they are shown, checked and read.
enum class LoopField { Fc, PM, Vref, RL2, Vi2, Before, After, Dmin, Dmax };
inline constexpr std::size_t kLoopFieldCount = 9;
using LoopTexts = std::array<QString, kLoopFieldCount>;

// The most periods before or after the step: a run keeps two means and a duty a
// period for each loop, and a million periods take about half a minute at N = 1000.
inline constexpr std::int32_t kMaxStepPeriods = 1000000;

struct LoopInputs {
    LoopRequest design;
    LoopRunRequest run;
};

// Each text in turn: the field check with its messages and the number it starts with
// (ReadFieldNumber), then Vref, RL and Vi after the step above zero, the periods whole
// (rounded half to even, as N is) from 1 to kMaxStepPeriods, Dmin from 0 to below 1,
// Dmax above Dmin and below 1.  The first field that fails shows one message and is
// returned; nothing after it is read.  fc and PM go to the design as they are, which
// refuses what it cannot design with its own message.
std::variant<LoopInputs, LoopField> readLoopFields(const LoopTexts& texts, CompensatorType type, MessagePort& messages);

// The defaults for the converter `run` with the parasitics `p`, as texts that read back
// to the same doubles: fc the default crossover, PM 60°, Vref the operating point's Vo,
// RL/2 and Vi after the step, 100 periods before and 400 after, the duty within
// [0, 0.9]; or, in Italian, why the averaged model cannot serve that converter.
std::variant<LoopTexts, QString> loopDefaults(const Model::SimulatedRun& run, const Parasitics& p);

// The fields' texts `shown` after a calculation whose defaults are `now`, where
// `before` were the defaults filled in last (empty texts: none yet): each field whose
// default changed takes its new default, the others keep their text.
LoopTexts refilled(const LoopTexts& shown, const LoopTexts& before, const LoopTexts& now);

// Where a refusal of the design asks for a change: PM when it lies outside (0°, 90°),
// fc otherwise; nothing when the design of `design` for that converter is not refused.
std::optional<LoopField> refusedDesignField(const Model::SimulatedRun& run, const Parasitics& p,
                                            const LoopRequest& design);
