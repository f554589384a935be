// What the real converter's window shows, without the window: the parasitic fields
// read and refused with the field's message, the loss bars against the balance of
// energy, the gain scale, the plot's curves cut at its top and its marks where the
// closed forms put them, and the pointer's readout.
#include "app/model.h"
#include "fakes.h"
#include "plot/realplot.h"
#include "sim/parasiticfields.h"
#include "sim/realconverter.h"

#include <QLocale>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

// The worked example: 15 V, D = 40 %, 80 kHz, 75 µH, 125 µF, 16.67 Ω.
const Model::SimulatedRun kExample{true, 15, 0.4, 80000, 75e-6, 125e-6, 16.67, 1000, 5000};
constexpr Parasitics kTypical{0.1, 0.05, 0.5, 0.02, 0.05};

RealView analysed(const Parasitics& p)
{
    std::variant<RealView, Stop> result = analyseReal(kExample, p, nullptr);
    if (const Stop* stop = std::get_if<Stop>(&result))
        qFatal("refused: %s", qPrintable(stop->message));
    return std::get<RealView>(std::move(result));
}

// The averaged gain written out from the state-space average, for a scan of its maximum.
double averagedGain(const Parasitics& p, double D)
{
    const double Dp = 1 - D, RL = kExample.RL;
    return (1 - Dp * p.VF / kExample.Vi) * RL * Dp / (Dp * Dp * RL + p.rL + D * p.Ron + Dp * p.RD);
}

} // namespace

Q_DECLARE_METATYPE(ParasiticTexts)

class TestRealPlot : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // The five fields in order: the first that fails gives one message naming it, as the
    // verification's fields do, and nothing after it is read.
    void fields_data()
    {
        QTest::addColumn<ParasiticTexts>("texts");
        QTest::addColumn<int>("refused"); // -1: all read
        QTest::addColumn<QString>("message");
        const ParasiticTexts bench{"0.1", "0.05", "0.5", "0.02", "0.05"};
        const auto with = [&bench](ParasiticField f, const char* text) {
            ParasiticTexts t = bench;
            t[std::size_t(f)] = text;
            return t;
        };
        QTest::newRow("bench parts") << bench << -1 << QString();
        QTest::newRow("exponent and zero") << ParasiticTexts{"1E-1", "0", "5e-1", "0", "-0"} << -1 << QString();
        QTest::newRow("decimal comma in VF") << with(ParasiticField::VF, "0,5") << 2
            << "Errore di inserimento dati per il valore della caduta di tensione del diodo VF in V. Puoi scrivere "
               "soltanto numeri razionali con il punto come separatore decimale, anche in forma esponenziale. Ad es: "
               "1.23 , 1E-5 , 5E3";
        QTest::newRow("letters in rL") << with(ParasiticField::RL, "0.1ohm") << 0
            << "Errore di inserimento dati per il valore della resistenza dell'avvolgimento dell'induttore rL in ohm. "
               "Puoi scrivere soltanto numeri razionali con il punto come separatore decimale, anche in forma "
               "esponenziale. Ad es: 1.23 , 1E-5 , 5E3";
        QTest::newRow("negative ESR") << with(ParasiticField::RC, "-0.05") << 4
            << "Il valore della resistenza serie del condensatore rC (ESR) in ohm non può essere negativo.";
        QTest::newRow("Ron left empty") << with(ParasiticField::Ron, "") << 1
            << "Hai dimenticato di scrivere il valore della resistenza dell'interruttore chiuso Ron in ohm";
        QTest::newRow("RD beyond the doubles") << with(ParasiticField::RD, "1e400") << 3
            << "Il numero scritto per il valore della resistenza del diodo in conduzione RD in ohm è troppo grande per "
               "essere rappresentato.";
        QTest::newRow("two bad fields, the first named") << ParasiticTexts{"0.1", "x", "0.5", "-1", "0.05"} << 1
            << "Errore di inserimento dati per il valore della resistenza dell'interruttore chiuso Ron in ohm. Puoi "
               "scrivere soltanto numeri razionali con il punto come separatore decimale, anche in forma "
               "esponenziale. Ad es: 1.23 , 1E-5 , 5E3";
    }
    void fields()
    {
        QFETCH(ParasiticTexts, texts);
        QFETCH(int, refused);
        QFETCH(QString, message);
        FakeMessages messages;
        const std::variant<Parasitics, ParasiticField> read = readParasitics(texts, messages);
        if (refused < 0) {
            QCOMPARE(messages.messages, QStringList());
            const Parasitics& p = std::get<Parasitics>(read);
            // Read as the verification reads: each text gives the double nearest its number.
            QCOMPARE(QList<double>({p.rL, p.Ron, p.VF, p.RD, p.rC}),
                     QList<double>({texts[0].toDouble(), texts[1].toDouble(), texts[2].toDouble(), texts[3].toDouble(),
                                    texts[4].toDouble()}));
            return;
        }
        QCOMPARE(messages.messages, QStringList(message));
        QCOMPARE(int(std::get<ParasiticField>(read)), refused);
    }

    // Each bar is its power's share of Pin; the stacked bar's segments follow each other
    // without gap, and with the simulated figures they end at Pin's full length, because
    // the power drawn from the input is the power delivered plus the four losses.
    // Which period the window shows, and how many were simulated to reach it.  The
    // worked example with the bench's parts settles into a cycle of two periods, found
    // after 2050; past it more periods cost nothing and change nothing: NI = 5000 and the
    // longest even NI simulate the same periods and show the same bits.
    void periodShown()
    {
        const auto at = [](std::int64_t NI) {
            Model::SimulatedRun c = kExample;
            c.NI = NI;
            std::variant<RealView, Stop> result = analyseReal(c, kTypical, nullptr);
            return std::get<RealView>(std::move(result));
        };
        const RealView early = at(1000), settled = at(5000), longest = at(2147483646);
        QCOMPARE(early.run.cycleLength, 0);
        QVERIFY(RealPlot::periodText(early).contains("periodo NI = 1000. Lo stato non si è ancora ripetuto"));
        QCOMPARE(settled.run.cycleLength, 2);
        QCOMPARE(settled.run.stepped, 2050);
        QCOMPARE(longest.run.stepped, 2050);
        QCOMPARE(longest.run.figures.Vo, settled.run.figures.Vo);
        const QString text = RealPlot::periodText(longest);
        QVERIFY2(text.contains("NI = 2147483646. Lo stato si ripete esattamente in un ciclo di 2 periodi (2050 simulati)"),
                 qPrintable(text));
    }

    void barsAddUp()
    {
        RealView made;
        made.run.figures.Pin = 10, made.run.figures.Pout = 9, made.run.figures.lossDCR = 0.6;
        made.run.figures.lossSwitch = 0.3, made.run.figures.lossDiode = 0.0999, made.run.figures.lossESR = 0.0001;
        const std::vector<RealPlot::Bar> bars = RealPlot::bars(made);
        QList<int> lengths;
        for (const RealPlot::Bar& bar : bars)
            lengths << RealPlot::barLength(bar.share, 300);
        // 0.0001 W of 10 W is 0.003 px: one pixel, so that no loss vanishes.
        QCOMPARE(lengths, QList<int>({270, 18, 9, 3, 1}));
        QCOMPARE(RealPlot::barText(bars[1]), QString("6,00E-01 W (6,00 %)"));
        QCOMPARE(RealPlot::inputText(made), QString("1,00E+01 W (somma 100,00 %)"));

        const RealView simulated = analysed(kTypical);
        const std::vector<RealPlot::Span> spans = RealPlot::stacked(RealPlot::bars(simulated), 300);
        for (std::size_t i = 1; i < spans.size(); ++i)
            QCOMPARE(spans[i].start, spans[i - 1].end);
        QCOMPARE(spans.front().start, 0);
        // Forward Euler keeps the balance to well under 1 %: within 3 px of 300.
        QVERIFY2(std::abs(spans.back().end - 300) <= 3, qPrintable(QString::number(spans.back().end)));
    }

    // The gain's full scale: a whole number of round steps, about five, above the highest
    // gain shown (5 % of room), worked out by hand.
    void gainScale_data()
    {
        QTest::addColumn<double>("highest");
        QTest::addColumn<double>("full");
        QTest::addColumn<double>("tick");
        QTest::newRow("the bench's maximum near 5.3") << 5.3 << 6.0 << 2.0;
        QTest::newRow("the ideal gain at 40 %") << 1 / 0.6 << 2.0 << 0.5;
        QTest::newRow("a gain below one") << 0.99 << 1.25 << 0.25;
        QTest::newRow("a lossless gain near 19") << 19.0 << 20.0 << 5.0;
    }
    void gainScale()
    {
        QFETCH(double, highest);
        QFETCH(double, full);
        QFETCH(double, tick);
        RealView view;
        view.inputs = kExample;
        view.VoIdeal = 0;
        view.curve = {{40, 1, highest, 0.9}};
        const RealPlot::Scales s = RealPlot::scalesOf(view);
        QCOMPARE(s.gain, full);
        QCOMPARE(s.gainTick, tick);
    }

    // On the bench's converter: no curve leaves the top, the ideal gain 1/(1 − D) is cut
    // where it reaches the full scale of 6, at D = 5/6; the design's D is a vertical line;
    // the diamond stands at the averaged gain's maximum, found here by a plain scan; a
    // square for each simulated point.
    void plotMarks()
    {
        const RealView view = analysed(kTypical);
        FakeForm2 surface;
        surface.pixels = QSize(577, 337);
        RealPlot::draw(view, surface);
        const auto linesOf = [&surface](Rgb colour) {
            std::vector<PlotLine> all;
            for (const FakeForm2::Draw& d : surface.draws)
                if (d.colour == colour)
                    all.insert(all.end(), d.lines.begin(), d.lines.end());
            return all;
        };
        QCOMPARE(RealPlot::scalesOf(view).gain, 6.0);
        const std::vector<PlotLine> ideal = linesOf(RealPlot::kIdealColour);
        for (const PlotLine& l : ideal)
            QVERIFY(l.y1 <= 100 && l.y2 <= 100);
        QCOMPARE(ideal.back().y2, 100.0f);
        // Cut by a straight line between the rows at 83 and 84 %: 0.02 % off the curve.
        QVERIFY2(std::fabs(ideal.back().x2 - 500.0 / 6) < 0.05, qPrintable(QString::number(ideal.back().x2)));
        const std::vector<PlotLine> design = linesOf(RealPlot::kDesignColour);
        QVERIFY(design.size() == 1 && design[0].x1 == 40.0f && design[0].x2 == 40.0f);
        double bestD = 0, best = 0;
        for (int i = 0; i < 100000; ++i) {
            if (const double gain = averagedGain(kTypical, i / 1e5); gain > best)
                best = gain, bestD = i / 1e5;
        }
        const std::vector<PlotLine> diamond = linesOf(RealPlot::kMaximumColour);
        QCOMPARE(diamond.size(), std::size_t(4));
        const double centreX = (diamond[0].x1 + diamond[2].x1) / 2, centreY = (diamond[1].y1 + diamond[3].y1) / 2;
        // The scan's step, and the float ends of the lines.
        QVERIFY2(std::fabs(centreX - bestD * 100) < 2e-3, qPrintable(QString::number(centreX)));
        QVERIFY2(std::fabs(centreY - best / 6 * 100) < 1e-4, qPrintable(QString::number(centreY)));
        QCOMPARE(linesOf(RealPlot::kSimulatedColour).size(), std::size_t(4 * 19));
        // The efficiency on its own scale, 0 to 100 % over the plot's height: at the
        // design's D the averaged η = Vo·D'/Vi.
        const Model::SimulatedRun& c = view.inputs;
        const double Dp = 1 - c.D, X = kTypical.rL + c.D * kTypical.Ron + Dp * kTypical.RD;
        const double eta = (c.Vi - Dp * kTypical.VF) * c.RL * Dp / (Dp * Dp * c.RL + X) * Dp / c.Vi;
        const std::vector<PlotLine> efficiency = linesOf(RealPlot::kEfficiencyColour);
        const auto atDesign = std::find_if(efficiency.begin(), efficiency.end(), [](const PlotLine& l) { return l.x1 == 40.0f; });
        QVERIFY(atDesign != efficiency.end());
        QVERIFY2(std::fabs(atDesign->y1 - 100 * eta) < 1e-4, qPrintable(QString::number(atDesign->y1)));
    }

    // The pointer's readout at x = D in %.  Without parasitics the averaged gain is
    // 1/(1 − D) and its efficiency 1; a simulated point within 1 % is read too.
    void readout_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("VF");
        QTest::addColumn<QString>("text");
        QTest::newRow("on the design's D and its point") << 40.0 << 0.0
            << "D = 40,00 % ; M ideale = 1,67 ; M medio = 1,67 ; η medio = 100,00 % ; simulato a D = 40 %: M = 1,63, "
               "η = 95,00 %";
        QTest::newRow("within 1 % of the point") << 41.04 << 0.0
            << "D = 41,00 % ; M ideale = 1,69 ; M medio = 1,69 ; η medio = 100,00 % ; simulato a D = 40 %: M = 1,63, "
               "η = 95,00 %";
        QTest::newRow("between points") << 43.0 << 0.0 << "D = 43,00 % ; M ideale = 1,75 ; M medio = 1,75 ; η medio = 100,00 %";
        QTest::newRow("at the left edge") << 0.0 << 0.0 << "D = 0,00 % ; M ideale = 1,00 ; M medio = 1,00 ; η medio = 100,00 %";
        QTest::newRow("a drop that eats the input") << 43.0 << 100.0
            << "D = 43,00 % ; M ideale = 1,75 ; modello medio: il diodo non conduce";
        QTest::newRow("at the right edge") << 100.0 << 0.0 << "";
        QTest::newRow("left of the plot") << -0.5 << 0.0 << "";
    }
    void readout()
    {
        QFETCH(double, x);
        QFETCH(double, VF);
        QFETCH(QString, text);
        RealView view;
        view.inputs = kExample;
        view.parasitics.VF = VF;
        RealFigures at40;
        at40.Vo = 24.45, at40.efficiency = 0.95;
        view.points = {{35, std::nullopt}, {40, at40}};
        QCOMPARE(RealPlot::readout(view, x), text);
    }
};

QTEST_GUILESS_MAIN(TestRealPlot)
#include "test_realplot.moc"
