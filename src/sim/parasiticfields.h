// The fields of the real converter's five parasitic elements, checked and read as the
// verification checks and reads its fields.
#pragma once

#include "app/model.h"
#include "app/platform.h"

#include <QString>

#include <array>
#include <cstddef>
#include <variant>

// In the order they are shown, checked and read: rL, Ron, VF, RD, rC.
enum class ParasiticField { RL, Ron, VF, RD, RC };
inline constexpr std::size_t kParasiticFieldCount = 5;
using ParasiticTexts = std::array<QString, kParasiticFieldCount>;

// Each text in turn: the verification's character check (with its messages for an
// empty field and for a character that is not part of a number, a decimal comma among
// them), then the number it starts with, which may be neither too large for a double
// nor negative.  The first field that fails shows one message naming it and is
// returned; nothing after it is read.  rL, Ron, RD and rC are in Ω, VF in V.
std::variant<Parasitics, ParasiticField> readParasitics(const ParasiticTexts& texts, MessagePort& messages);
