// The verification run, started by the "Grafici" button of the main window.
#pragma once

#include "app/platform.h"

#include <optional>

struct Model;

// Phase 1: the character check of the nine verification fields, in the order Text7,
// Text8, Text12, Text9, Text10, Text11, Text13, Text14, Text15.  Phase 2: the same
// fields read again in the same order into Vi (V), D (fraction), Freq (Hz), L (H),
// C (F), RL (Ω), N, NP, NI; each converter field turns black as it is read, and Vi
// and D are range-checked right after they are stored.  Phase 3: the plot of the
// waveform window is emptied with its five summary boxes, the converter is simulated,
// and the boxes show the new values, or stay empty when the run did not complete;
// when the current reached zero the plot says where the start-up shows it.  The first failed
// check shows one message and ends the run; what was stored before it stays.
//
// Returns how the run ended, so that whoever started it need not infer it from what the
// run left behind.
enum class RunEnd {
    Drawn,              // traces and summary of the last period shown
    FieldRefused,       // a field failed its check or its range: nothing was simulated
    CurrentReachedZero, // simulated, but the inductor current reaches zero in the last period
    SimulationFault,    // the simulation refused its inputs or could not represent the run
    Cancelled,          // the student stopped the run
};
struct RunOutcome {
    RunEnd end = RunEnd::Drawn;
    Form1Field field = Form1Field::Text7; // with FieldRefused: the field to correct
    friend bool operator==(const RunOutcome&, const RunOutcome&) = default;
};
RunOutcome Command2_Click(Model& m, Form1Port& form1, Form2Host& host, ProgressPort* progress);

// Phases 1 and 2 alone: the nine fields checked and read into the model, with their
// messages and colours.  The field refused, or nothing when all nine passed.
std::optional<Form1Field> readVerificationFields(Model& m, Form1Port& form1);
