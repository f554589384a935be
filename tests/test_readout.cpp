// The cursor readout: band choice by height, the time and value texts in both locales,
// and the plot it reads being the one on screen.
#include "app/model.h"
#include "plot/readout.h"
#include "simfakes.h"

#include <QLocale>
#include <QTest>

#include <functional>

namespace {

using Mend = std::function<void(Model&)>;

// One period of four samples (indexes 0..N+1), drawn as ten periods at `freq`.  Largest
// absolute samples: iL 2 A, iC 0.5 A, Vo 25 V, vL 12 V, id 3 A.
Model plotted(double freq = 50000)
{
    Model m;
    m.Freq = freq;
    m.NP = 10;
    m.N = 4;
    m.WaveIL = {0, 1.5, 2.0, 1.0, 1.5, 0};
    m.WaveIC = {0, -0.5, 0.25, 0.5, -0.5, 0};
    m.WaveVo = {0, 24.0, 25.0, 24.5, 24.0, 0};
    m.WaveVL = {0, 12.0, -8.0, 12.0, -8.0, 0};
    m.WaveID = {0, 0, 3.0, -1.0, 0, 0};
    m.Drawn = {true, m.Freq, m.NP, m.N};
    return m;
}

} // namespace

Q_DECLARE_METATYPE(Mend)

class TestReadout : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void readout_data()
    {
        QTest::addColumn<double>("freq");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("before"); // option selected before the movement
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("text"); // in the C locale; empty: the hover text stays as it was
        auto row = [](const char* name, float x, float y, int before, int after, const char* text,
                      double freq = 50000) { QTest::newRow(name) << freq << x << y << before << after << text; };
        row("worked example, inductor current", 25, 89, 0, 1, "t= 50.00usec ; iL(t) = 1.00E+00A");
        row("worked example, inductor voltage", 25, 15, 0, 4, "t = 50.00usec ; vL(t) = -6.67E+00V");
        row("80 exactly is iL, on its zero line", 25, 80, 0, 1, "t= 50.00usec ; iL(t) = 0.00E+00A");
        row("79.99 is iC", 25, 79.99f, 1, 2, "t= 50.00usec ; iC(t) = 8.32E-01A");
        row("iC zero line", 25, 70, 0, 2, "t= 50.00usec ; iC(t) = 0.00E+00A");
        row("Vo zero line", 25, 40, 0, 3, "t= 50.00usec ; Vo(t) = 0.00E+00V");
        row("vL zero line", 25, 20, 0, 4, "t = 50.00usec ; vL(t) = 0.00E+00V");
        row("10 is the bottom of vL", 25, 10, 0, 4, "t = 50.00usec ; vL(t) = -1.33E+01V");
        row("0.1 as a float is id, off its double zero line", 25, 0.1f, 0, 5, "t = 50.00usec ; id(t) = 4.97E-10A");
        row("entering across the bottom keeps iC", 25, 0.05f, 2, 2, "t= 50.00usec ; iC(t) = -5.83E+00A");
        row("below 0.1 with none selected", 25, 0.05f, 0, 0, "");
        row("a click on Vo yields to the top band", 25, 98, 3, 1, "t= 50.00usec ; iL(t) = 2.00E+00A");
        row("left edge", 0, 89, 0, 1, "t= 0.00usec ; iL(t) = 1.00E+00A", 10000);
        row("right edge is NP periods, no grouping", 100, 89, 0, 1, "t= 1000.00usec ; iL(t) = 1.00E+00A", 10000);
    }
    void readout()
    {
        QFETCH(double, freq);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(QString, text);
        for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Italian, QLocale::Italy)}) {
            QLocale::setDefault(locale);
            Model m = plotted(freq);
            FakeForm2 form2;
            form2.selected = before;
            Picture1_MouseMove(m, form2, x, y);
            QCOMPARE(form2.selected, after);
            QCOMPARE(form2.hover, QString(text).replace('.', locale.decimalPoint()));
        }
    }

    // The plot on screen is what is read: later changes of the model do not move its
    // times, and without a readable plot the hover text stays while the selection
    // still follows the pointer.
    void plotOnScreen_data()
    {
        QTest::addColumn<Mend>("mend");
        QTest::addColumn<QString>("text");
        const QString example = "t= 50.00usec ; iL(t) = 1.00E+00A";
        QTest::newRow("design calculation changed Freq") << Mend([](Model& m) { m.Freq = 1000, m.NP = 3; }) << example;
        QTest::newRow("refused run read a larger N") << Mend([](Model& m) { m.N = 1000; }) << example;
        QTest::newRow("every sample zero") << Mend([](Model& m) { m.WaveIL.assign(6, 0.0); })
                                           << "t= 50.00usec ; iL(t) = 0.00E+00A";
        QTest::newRow("no plot drawn") << Mend([](Model& m) { m.Drawn.valid = false; }) << "";
        QTest::newRow("arrays shorter than the plot's N") << Mend([](Model& m) { m.Drawn.N = 6; }) << "";
        QTest::newRow("plot drawn at zero frequency") << Mend([](Model& m) { m.Drawn.Freq = 0; }) << "";
        QTest::newRow("full scale not finite") << Mend([](Model& m) { m.WaveIL[2] = qInf(); }) << "";
    }
    void plotOnScreen()
    {
        QFETCH(Mend, mend);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale::c());
        Model m = plotted();
        mend(m);
        const int n = m.N;
        FakeForm2 form2;
        Picture1_MouseMove(m, form2, 25, 89);
        QCOMPARE(form2.selected, 1);
        QCOMPARE(form2.hover, text);
        QCOMPARE(m.N, n);
    }
};

QTEST_GUILESS_MAIN(TestReadout)
#include "test_readout.moc"
