// The cursor readout: band choice by height, the time and value texts in both locales,
// and the plot it reads being the one on screen.
#include "app/model.h"
#include "plot/readout.h"
#include "simfakes.h"

#include <QTest>

#include <functional>

// The pointer at (x, y) with option `before` selected; then option `after` and the hover
// text as in the C locale (empty: it stays as it was).  mend: a change of the model
// after the plot was drawn.
struct Move { float x, y; int before, after; const char* text; std::function<void(Model&)> mend = [](Model&) {}; };
Q_DECLARE_METATYPE(Move)

class TestReadout : public QObject {
    Q_OBJECT
private slots:
    // One period of four samples (indexes 0..N+1), drawn as ten periods at 10 kHz: x = 25
    // is 250 µs.  Largest absolute samples: iL 2 A, iC 0.5 A, Vo 25 V, vL 12 V, id 3 A.
    // Band limits at y = 80, 60, 40, 10 and 0.1 (a float, as the pointer height is).
    void readout_data()
    {
        QTest::addColumn<Move>("move");
        const auto row = [](const char* theme, const Move& move) { QTest::newRow(theme) << move; };
        row("80 exactly is iL, on its zero line", {25, 80, 0, 1, "t= 250.00usec ; iL(t) = 0.00E+00A"});
        row("79.99 is iC", {25, 79.99f, 1, 2, "t= 250.00usec ; iC(t) = 8.32E-01A"});
        row("60 is the bottom of iC", {25, 60, 0, 2, "t= 250.00usec ; iC(t) = -8.33E-01A"});
        row("40 is Vo, on its zero line", {25, 40, 0, 3, "t= 250.00usec ; Vo(t) = 0.00E+00V"});
        row("10 is the bottom of vL", {25, 10, 0, 4, "t = 250.00usec ; vL(t) = -1.33E+01V"});
        row("0.1 as a float is id, off its double zero line", {25, 0.1f, 0, 5, "t = 250.00usec ; id(t) = 4.97E-10A"});
        row("entering across the bottom keeps iC", {25, 0.05f, 2, 2, "t= 250.00usec ; iC(t) = -5.83E+00A"});
        row("below 0.1 with none selected", {25, 0.05f, 0, 0, ""});
        row("a click on Vo yields to the top band", {25, 98, 3, 1, "t= 250.00usec ; iL(t) = 2.00E+00A"});
        row("left edge", {0, 89, 0, 1, "t= 0.00usec ; iL(t) = 1.00E+00A"});
        row("right edge is NP periods, no grouping", {100, 89, 0, 1, "t= 1000.00usec ; iL(t) = 1.00E+00A"});
        // The plot on screen is what is read; without a readable one the hover text stays
        // while the selection still follows the pointer.
        const char* example = "t= 250.00usec ; iL(t) = 1.00E+00A";
        row("design calculation changed Freq", {25, 89, 0, 1, example, [](Model& m) { m.Freq = 1000; m.NP = 3; }});
        row("refused run read a larger N", {25, 89, 0, 1, example, [](Model& m) { m.N = 1000; }});
        row("every sample zero",
            {25, 89, 0, 1, "t= 250.00usec ; iL(t) = 0.00E+00A", [](Model& m) { m.WaveIL.assign(6, 0.0); }});
        row("no plot drawn", {25, 89, 0, 1, "", [](Model& m) { m.Drawn.valid = false; }});
        row("arrays shorter than the plot's N", {25, 89, 0, 1, "", [](Model& m) { m.Drawn.N = 6; }});
        row("plot drawn at zero frequency", {25, 89, 0, 1, "", [](Model& m) { m.Drawn.Freq = 0; }});
        row("full scale not finite", {25, 89, 0, 1, "", [](Model& m) { m.WaveIL[2] = qInf(); }});
    }
    void readout()
    {
        QFETCH(Move, move);
        inBothLocales([&](const QLocale& locale) {
            Model m;
            m.Freq = 10000;
            m.NP = 10;
            m.N = 4;
            m.WaveIL = {0, 1.5, 2.0, 1.0, 1.5, 0};
            m.WaveIC = {0, -0.5, 0.25, 0.5, -0.5, 0};
            m.WaveVo = {0, 24.0, 25.0, 24.5, 24.0, 0};
            m.WaveVL = {0, 12.0, -8.0, 12.0, -8.0, 0};
            m.WaveID = {0, 0, 3.0, -1.0, 0, 0};
            m.Drawn = {true, m.Freq, m.NP, m.N};
            move.mend(m);
            const int n = m.N;
            FakeForm2 form2;
            form2.selected = move.before;
            Picture1_MouseMove(m, form2, move.x, move.y);
            QCOMPARE(form2.selected, move.after);
            QCOMPARE(form2.hover, QString(move.text).replace('.', locale.decimalPoint()));
            QCOMPARE(m.N, n);
        });
    }
};

QTEST_GUILESS_MAIN(TestReadout)
#include "test_readout.moc"
