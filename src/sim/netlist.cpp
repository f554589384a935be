#include "netlist.h"

#include "app/numbers.h"

#include <QList>

namespace {

QByteArray num(double value)
{
    return shortestText(value);
}

// A series resistance between two nodes.  ngspice reads a resistance of 0 as 1 mΩ, so a
// zero one is written as a zero-volt source, which joins its nodes exactly.
QByteArray seriesResistance(const char* name, const char* from, const char* to, double ohms)
{
    if (ohms == 0)
        return QByteArray("V") + name + ' ' + from + ' ' + to + " DC 0\n";
    return QByteArray("R") + name + ' ' + from + ' ' + to + ' ' + num(ohms) + '\n';
}

QByteArray header(const Model::SimulatedRun& c, const Parasitics& p)
{
    const double T = 1 / c.Freq;
    return "* Convertitore boost reale, scritto da convertitore-boost per ngspice (ngspice -b FILE)\n"
           "* Vi = " + num(c.Vi) + " V, D = " + num(c.D * 100) + " %, f = " + num(c.Freq / 1000) + " kHz, L = "
           + num(c.L * 1e6) + " uH, C = " + num(c.C * 1e6) + " uF, RL = " + num(c.RL) + " Ohm\n"
           "* rL = " + num(p.rL) + " Ohm (induttore), Ron = " + num(p.Ron) + " Ohm (interruttore), VF = " + num(p.VF)
           + " V e RD = " + num(p.RD) + " Ohm (diodo), rC = " + num(p.rC) + " Ohm (ESR del condensatore)\n"
           "* N = " + QByteArray::number(c.N) + " campioni per periodo (passo " + num(T / c.N) + " s), NI = "
           + QByteArray::number(c.NI) + " periodi simulati da fermo\n"
           "* Le misure .meas sono medie sull'ultimo periodo.\n";
}

QByteArray elements(const Model::SimulatedRun& c, const Parasitics& p)
{
    const double T = 1 / c.Freq;
    const double rise = T / 1e5; // switching edges short beside a sample
    // A switch with no resistance at all has no finite conductance: 1 µΩ stands for it.
    const double ron = p.Ron > 0 ? p.Ron : 1e-6;
    return "Vi in 0 DC " + num(c.Vi) + '\n'
           + "* Vii misura la corrente in ingresso, che e' quella dell'induttore\n"
             "Vii in x DC 0\n"
           + seriesResistance("rL", "x", "a", p.rL)
           + "L1 a sw " + num(c.L) + " ic=0\n"
           "* interruttore, chiuso per D*T di ogni periodo; Vsw ne misura la corrente\n"
           "Vsw sw s DC 0\n"
           "S1 s 0 ctrl 0 interruttore\n"
           "Vctrl ctrl 0 PULSE(0 1 0 " + num(rise) + ' ' + num(rise) + ' ' + num(c.D * T - rise) + ' ' + num(T) + ")\n"
           ".model interruttore SW(VT=0.5 VH=0 RON=" + num(ron) + " ROFF=1G)\n"
           "* diodo quasi ideale in serie con VF e RD; Vdd ne misura la corrente\n"
           "Vdd sw d1 DC 0\n"
           "D1 d1 d2 diodo\n"
           ".model diodo D(IS=1e-14 N=0.01 RS=1u)\n"
           "VF d2 d3 DC " + num(p.VF) + '\n'
           + seriesResistance("D", "d3", "out", p.RD)
           + "* condensatore con la sua ESR rC; Vcs ne misura la corrente\n"
           + seriesResistance("C", "out", "c", p.rC)
           + "Vcs c cc DC 0\n"
           "C1 cc 0 " + num(c.C) + " ic=0\n"
           "RL out 0 " + num(c.RL) + '\n';
}

// The measurements over the last period.  Each power is a mean or a root mean square
// of a current or voltage ngspice already has, combined by `param`: an expression
// inside AVG, par('…'), would make ngspice add a behavioural source to the circuit and
// solve it at every time point, which here doubles the cost of the run.
QByteArray analysis(const Model::SimulatedRun& c, const Parasitics& p)
{
    const double T = 1 / c.Freq, dt = T / c.N;
    const QByteArray last = " from=" + num((c.NI - 1) * T) + " to=" + num(c.NI * T) + '\n';
    const QList<QByteArray> means = {
        "vo_media AVG v(out)",      "ii_media AVG i(Vii)",          "vo_efficace RMS v(out)",
        "il_efficace RMS i(Vii)",   "isw_efficace RMS i(Vsw)",      "id_media AVG i(Vdd)",
        "id_efficace RMS i(Vdd)",   "ic_efficace RMS i(Vcs)",
    };
    const QList<QByteArray> powers = {
        "pin param='" + num(c.Vi) + "*ii_media'",
        "pout param='vo_efficace*vo_efficace/" + num(c.RL) + "'",
        "perdita_rl param='" + num(p.rL) + "*il_efficace*il_efficace'",
        "perdita_ron param='" + num(p.Ron) + "*isw_efficace*isw_efficace'",
        "perdita_diodo param='" + num(p.VF) + "*id_media+" + num(p.RD) + "*id_efficace*id_efficace'",
        "perdita_esr param='" + num(p.rC) + "*ic_efficace*ic_efficace'",
        "rendimento param='pout/pin'",
    };
    QByteArray text = "* integrazione di Gear: con il metodo trapezoidale la conduzione discontinua oscilla\n"
                      ".options method=gear\n"
                      ".tran " + num(dt) + ' ' + num(c.NI * T) + " 0 " + num(dt) + " uic\n"
                      "* medie (AVG) e valori efficaci (RMS) sull'ultimo periodo, e le potenze che ne seguono\n";
    for (const QByteArray& m : means)
        text += ".meas tran " + m + last;
    for (const QByteArray& m : powers)
        text += ".meas tran " + m + '\n';
    return text + ".end\n";
}

} // namespace

QByteArray spiceNetlist(const Model::SimulatedRun& c, const Parasitics& p)
{
    return header(c, p) + elements(c, p) + analysis(c, p);
}
