// Cursor readout: which band the pointer is in, and the time and value it stands for.
#pragma once

#include "app/platform.h"

#include <QString>

struct Model;

// Handles one pointer movement over the plot at plot coordinates (x, y): selects the
// option of the band under the pointer and sets the hover text to its time and value.
void Picture1_MouseMove(Model& m, Form2Port& form2, float x, float y);

// Option (1..5: iL, iC, Vo, vL, id) of the band containing the pointer height y, or 0
// below the diode-current band, where the selection is left as it is.
int bandAt(float y);

// Hover text for time t (µs) and value v (A or V) read in the band of `option` (1..5).
QString readoutText(int option, double t, double v);
