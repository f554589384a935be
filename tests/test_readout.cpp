// The cursor readout: band choice by height, the time and value texts, and the plot it
// reads being the one on screen.
#include "app/model.h"
#include "plot/readout.h"

#include <QLocale>
#include <QTest>

#include <limits>

namespace {

class NoSurface : public PlotSurface {
public:
    void clear() override {}
    QSize pixelSize() const override { return {}; }
    void drawLines(Rgb, std::span<const PlotLine>) override {}
};

class FakeForm2 : public Form2Port {
public:
    int selected = 0;
    QString hover;
    void show() override {}
    PlotSurface& plot() override { return surface_; }
    void setCaption(Form2Summary, const QString&) override {}
    int selectedOption() const override { return selected; }
    void selectOption(int option) override { selected = option; }
    void setHoverText(const QString& text) override { hover = text; }

private:
    NoSurface surface_;
};

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

class TestReadout : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void band_data()
    {
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("option");
        QTest::newRow("80 exactly is iL") << 80.0f << 1;
        QTest::newRow("79.99 is iC") << 79.99f << 2;
        QTest::newRow("40 is Vo") << 40.0f << 3;
        QTest::newRow("10 is vL") << 10.0f << 4;
        QTest::newRow("0.1 as a float is id") << 0.1f << 5;
        QTest::newRow("just under 0.1 is none") << 0.099999994f << 0;
        QTest::newRow("below the plot is none") << -3.0f << 0;
        QTest::newRow("above the plot is iL") << 104.0f << 1;
    }
    void band()
    {
        QFETCH(float, y);
        QFETCH(int, option);
        QCOMPARE(BandAt(y), option);
    }

    void readout_data()
    {
        QTest::addColumn<double>("freq");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("before"); // option selected before the movement
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("text"); // empty: the hover text stays as it was
        QTest::newRow("worked example, inductor current")
            << 50000.0 << 25.0f << 89.0f << 0 << 1 << "t= 50.00usec ; iL(t) = 1.00E+00A";
        QTest::newRow("worked example, inductor voltage")
            << 50000.0 << 25.0f << 15.0f << 0 << 4 << "t = 50.00usec ; vL(t) = -6.67E+00V";
        QTest::newRow("just under the iL band") << 50000.0 << 25.0f << 79.99f << 1 << 2
                                                << "t= 50.00usec ; iC(t) = 8.32E-01A";
        QTest::newRow("bottom of the vL band") << 50000.0 << 25.0f << 10.0f << 0 << 4
                                               << "t = 50.00usec ; vL(t) = -1.33E+01V";
        QTest::newRow("id zero line, float against double") << 50000.0 << 25.0f << 0.1f << 0 << 5
                                                            << "t = 50.00usec ; id(t) = 4.97E-10A";
        QTest::newRow("entering across the bottom keeps iC") << 50000.0 << 25.0f << 0.05f << 2 << 2
                                                             << "t= 50.00usec ; iC(t) = -5.83E+00A";
        QTest::newRow("below 0.1 with none selected") << 50000.0 << 25.0f << 0.05f << 0 << 0 << "";
        QTest::newRow("a click on Vo yields to the top band") << 50000.0 << 25.0f << 98.0f << 3 << 1
                                                              << "t= 50.00usec ; iL(t) = 2.00E+00A";
        QTest::newRow("left edge") << 10000.0 << 0.0f << 89.0f << 0 << 1 << "t= 0.00usec ; iL(t) = 1.00E+00A";
        QTest::newRow("right edge is NP periods") << 10000.0 << 100.0f << 89.0f << 0 << 1
                                                  << "t= 1000.00usec ; iL(t) = 1.00E+00A";
        QTest::newRow("iL zero line") << 50000.0 << 25.0f << 80.0f << 0 << 1 << "t= 50.00usec ; iL(t) = 0.00E+00A";
        QTest::newRow("iC zero line") << 50000.0 << 25.0f << 70.0f << 0 << 2 << "t= 50.00usec ; iC(t) = 0.00E+00A";
        QTest::newRow("Vo zero line") << 50000.0 << 25.0f << 40.0f << 0 << 3 << "t= 50.00usec ; Vo(t) = 0.00E+00V";
        QTest::newRow("vL zero line") << 50000.0 << 25.0f << 20.0f << 0 << 4 << "t = 50.00usec ; vL(t) = 0.00E+00V";
    }
    void readout()
    {
        QFETCH(double, freq);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(QString, text);
        Model m = plotted(freq);
        FakeForm2 form2;
        form2.selected = before;
        Picture1_MouseMove(m, form2, x, y);
        QCOMPARE(form2.selected, after);
        QCOMPARE(form2.hover, text);
    }

    void italianSeparators()
    {
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        Model m = plotted();
        FakeForm2 form2;
        Picture1_MouseMove(m, form2, 25, 89);
        QCOMPARE(form2.hover, QString("t= 50,00usec ; iL(t) = 1,00E+00A"));
        QCOMPARE(ReadoutText(5, 1234.5, -0.00125), QString("t = 1234,50usec ; id(t) = -1,25E-03A"));
    }

    void zeroWaveform()
    {
        Model m = plotted();
        std::fill(m.WaveVo.begin(), m.WaveVo.end(), 0.0);
        FakeForm2 form2;
        Picture1_MouseMove(m, form2, 25, 55);
        QCOMPARE(form2.hover, QString("t= 50.00usec ; Vo(t) = 0.00E+00V"));
    }

    // The plot on screen is what is read: later changes of the model do not move its
    // times, and without a readable plot the hover text stays while the selection
    // still follows the pointer.
    void plotOnScreen_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("text");
        const QString example = "t= 50.00usec ; iL(t) = 1.00E+00A";
        QTest::newRow("design calculation changed Freq") << 0 << example;
        QTest::newRow("refused run read a larger N") << 1 << example;
        QTest::newRow("no plot drawn") << 2 << "";
        QTest::newRow("arrays shorter than the plot's N") << 3 << "";
        QTest::newRow("plot drawn with no samples") << 4 << "";
        QTest::newRow("plot drawn at zero frequency") << 5 << "";
        QTest::newRow("full scale not finite") << 6 << "";
    }
    void plotOnScreen()
    {
        QFETCH(int, change);
        QFETCH(QString, text);
        Model m = plotted();
        switch (change) {
        case 0: m.Freq = 1000; m.NP = 3; break;
        case 1: m.N = 1000; break;
        case 2: m.Drawn.valid = false; break;
        case 3: m.Drawn.N = 6; break; // reads index 6 of a 6-element array
        case 4: m.Drawn.N = 0; break;
        case 5: m.Drawn.Freq = 0; break;
        case 6: m.WaveIL[2] = std::numeric_limits<double>::infinity(); break;
        }
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
