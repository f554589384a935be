// Steady-state design of a boost converter from the student's requirements, and the
// example requirements.  Both act on the main window through Form1Port.
#pragma once

#include "app/platform.h"

#include <QString>

struct Model;

// Handler of "Calcola L , C , IDP, IDm , Iim": reads Text1..Text6, checks them in a fixed
// order, computes the ideal design, shows L, C, IDP, IDm, Iim and fills the six converter
// fields of the verification in bright blue.  The first failed check shows its message
// and ends the action with nothing on screen changed.
void Command1_Click(Model& m, Form1Port& form1);

// Handler of "Dati Esempio": writes a worked example into the six design fields.
void Command3_Click(Form1Port& form1);

// The text of a number written into a field that is read again: "0.000E+00" with "."
// as the decimal separator whatever the locale, so ParseNumber reads back what is shown.
QString FormatForField(double value);
