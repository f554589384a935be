// Shared state of the boost-converter teaching tool.
//
// How the program fits together:
//   Form1 (main window) --- three buttons ---> Command1_Click  design/   steady-state design
//                                              Command3_Click  design/   example design data
//                                              Command2_Click  sim/      field check, read, simulate
//   Form2 (waveform window) -- pointer moves -> Picture1_MouseMove  plot/  cursor readout
//                           -- context menu --> analyseStartup       sim/   start-up, diode that blocks
//   FormAvvio (start-up window) shows what analyseStartup found, drawn by plot/startupplot
//
// Every action is a free function over this one Model plus a small port interface
// (platform.h) through which it reads fields, writes captions, shows messages and
// draws.  The Qt windows in ui/ implement the ports; tests implement them with fakes.
// Values pass between actions only through the Model and through the field texts of
// Form1: the design calculation writes its results into the verification fields as
// text, and the verification run reads them back, so the student can edit them.
//
// Units follow the variable: L and C are in µH/µF after a design calculation and in
// H/F after a verification run has read them; Freq is always in Hz.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The real converter's parasitic elements, each >= 0.  With all five zero the real
// converter is the ideal one.
struct Parasitics {
    double rL = 0;  // inductor winding resistance, Ω
    double Ron = 0; // switch resistance while closed, Ω
    double VF = 0;  // diode forward drop, V
    double RD = 0;  // diode resistance while conducting, Ω
    double rC = 0;  // capacitor series resistance (ESR), Ω
    friend bool operator==(const Parasitics&, const Parasitics&) = default;
};

struct Model {
    // Design and verification values (SI units unless noted).
    double Vi = 0;       // input DC voltage, V
    double Vo = 0;       // desired output DC voltage, V
    double Freq = 0;     // switching frequency, Hz
    double DeltaiL = 0;  // design peak-to-peak inductor ripple, A
    double DeltaVo = 0;  // design peak-to-peak output ripple, V
    double Io = 0;       // output DC current, A
    double D = 0;        // duty cycle, 0..1
    double Iim = 0;      // mean input current, A
    double IDP = 0;      // diode peak current, A
    double IDm = 0;      // diode mean current, A
    double L = 0;        // inductance: µH after the design, H after a verification read
    double C = 0;        // capacitance: µF after the design, F after a verification read
    double RL = 0;       // load resistance, Ω
    std::int32_t N = 0;  // samples per switching period
    std::int32_t NP = 0; // periods shown in the plot
    std::int32_t NI = 0; // periods simulated
    double Dt = 0;       // simulation time step, s

    // Last simulated period, indexes 0..N+1; samples 1..N are the ones shown.
    std::vector<double> WaveIL; // inductor current, A
    std::vector<double> WaveVo; // output voltage, V
    std::vector<double> WaveIC; // capacitor current, A
    std::vector<double> WaveVL; // inductor voltage, V
    std::vector<double> WaveID; // diode current, A

    // Extremes of absolute sample values over samples 1..N.
    double MaxIL = 0, MinIL = 0, MaxVo = 0, MinVo = 0, MaxIC = 0, MaxVL = 0, MaxID = 0;

    // Summary of the last accepted simulation.
    double SimDeltaiL = 0; // A
    double SimDeltaVo = 0; // mV
    double SimIDP = 0;     // A
    double SimIDm = 0;     // A
    double SimIim = 0;     // A

    // Working texts of the input checks and messages.
    QString FieldText;
    QString MsgText;
    QString MsgBadFormat;
    std::int16_t InputError = 0;
    QString NumText;

    // What the plot on screen was drawn from.  The cursor readout converts pointer
    // positions with these, not with Freq/NP/N as they are now: a later design
    // calculation rewrites Freq, and a refused run leaves arrays of another size.
    struct DrawnPlot {
        bool valid = false;
        double Freq = 0;
        std::int32_t NP = 0;
        std::int32_t N = 0;
    } Drawn;

    // The values of the last verification run that reached the simulation and drew its
    // traces, or found the inductor current reaching zero: the view of the start-up
    // simulates these, whatever the fields or a later design hold (SI units).
    struct SimulatedRun {
        bool valid = false;
        double Vi = 0, D = 0, Freq = 0, L = 0, C = 0, RL = 0;
        std::int32_t N = 0, NI = 0;
    } Simulated;
};
