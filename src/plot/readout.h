// Cursor readout: which band the pointer is in, and the time and value it stands for.
#pragma once

#include "app/platform.h"

struct Model;

// Handles one pointer movement over the plot at plot coordinates (x, y): selects the
// option of the band under the pointer and sets the hover text to its time and value.
void Picture1_MouseMove(Model& m, Form2Port& form2, float x, float y);
