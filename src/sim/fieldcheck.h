// Character check of a verification field, before its text is read as a number.
#pragma once

#include "app/platform.h"

#include <QString>
#include <QStringView>

#include <optional>

struct Model;

// Accepts a text made only of the digits 0-9 and the characters e, E, ".", "-", "+"
// (compared by UTF-16 code, case sensitive; blanks, commas, d/D, digits of other
// scripts and superscripts are rejected).  Only the set of characters is checked,
// never the shape of the number: "1.2.3" and "5E3E" pass, and ParseNumber later reads
// whatever number stands at their start.
//
// The caller leaves the field's two messages in m.MsgText (empty text) and
// m.MsgBadFormat (rejected character).  At most one of them is shown, exactly as it
// stands; m.InputError is 1 after a message (set once the box has been closed) and 0
// otherwise, whatever an earlier call left.  Texts of any length are scanned.
void CheckNumericField(Model& m, const QString& text, MessagePort& ui);

// A field's number: the check above, with the messages "Hai dimenticato di scrivere
// <quantity>" for an empty text and the one for a character that is not part of a
// number, then the number its text starts with, which may not lie beyond the doubles.
// Nothing once the one message has been shown.
std::optional<double> ReadFieldNumber(const QString& text, QStringView quantity, MessagePort& ui);
