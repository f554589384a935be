// Simulated waveforms as data for a spreadsheet or a script.
#pragma once

#include <QByteArray>

struct Model;
struct RealView;
struct StartupView;

// CSV (RFC 4180, UTF-8, LF line ends) of the period the plot was drawn from: a header,
// then samples 1..N, each with its time t = (K − 1) × Dt from the first sample.  Every
// number is the shortest text that reads back to the same double, with "." as the
// decimal separator whatever the locale.  Needs m.Drawn.valid.
QByteArray waveformCsv(const Model& m);

// CSV, in the same form, of the start-up drawn: a row per period, or per group of
// periods when the span has more than the rows allowed, with the time of the row's
// first period t = (p − 1)/f, the extremes of samples 2..N of inductor current and
// output voltage over its periods, the output voltage at the start of its first
// period, and 1 when the diode blocked in any of them (0 otherwise).
QByteArray startupCsv(const StartupView& view);

// CSV, in the same form, of the real converter's gain curves: a row per duty cycle
// from 0 to 99 %, with the ideal gain, the averaged model's gain and efficiency (empty
// where the diode's drop takes all the input), and the simulated gain and efficiency,
// which only the points at 5, 10, … 95 % have.  Efficiencies are fractions.
QByteArray realCsv(const RealView& view);
