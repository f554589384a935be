// Number reading and writing shared by every action.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// Reads the number at the start of a text: blanks, tabs and line feeds anywhere are
// ignored; then an optional sign, digits, an optional "." and digits, and an optional
// exponent ("E"/"e", optional sign, digits).  Reading stops at the first character that
// cannot continue the number; a text with no number at its start reads as 0.  Only "."
// is a decimal separator, whatever the locale.  Returns nothing when the number lies
// beyond the range of a double (a number too small to represent reads as 0).
std::optional<double> ParseNumber(QStringView text);

enum class NumberPattern {
    Sci2,  // "0.00E+00"
    Sci3,  // "0.000E+00"
    Fixed2 // "0.00"
};

// Writes a finite number in ASCII digits, with "E", an exponent with its sign ("+" or
// "-") and at least two digits, no group separators, and the decimal separator of the
// current locale (QLocale()): everything but the separator is the same in every locale.
QString FormatNumber(double value, NumberPattern pattern);

// `text`, written with "." as the decimal separator, with the current locale's
// (QLocale()) instead.
QString withLocalePoint(QString text);

// The same text with "." as the decimal separator, whatever the locale.
QString formatNumberWithPoint(double value, NumberPattern pattern);

// The shortest text that reads back to the same double, with "." as the decimal
// separator whatever the locale: for data that leaves the program.
QByteArray shortestText(double value);

// Rounds to the nearest 32-bit integer, halves to the even neighbour.  Returns nothing
// when the result lies outside the 32-bit signed range (or the value is not a number).
std::optional<std::int32_t> RoundToInt32(double value);
