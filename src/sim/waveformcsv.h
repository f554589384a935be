// The simulated period as data for a spreadsheet or a script.
#pragma once

#include <QByteArray>

struct Model;

// CSV (RFC 4180, UTF-8, LF line ends) of the period the plot was drawn from: a header,
// then samples 1..N, each with its time t = (K − 1) × Dt from the first sample.  Every
// number is the shortest text that reads back to the same double, with "." as the
// decimal separator whatever the locale.  Needs m.Drawn.valid.
QByteArray waveformCsv(const Model& m);
