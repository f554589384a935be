// What the control window shows, without the window: its fields read and refused with
// the field's message, the defaults that follow the converter, the time plot's columns
// against the periods the pointer reads, the values a period reduced to the columns,
// the scales and ticks, and the words beside the plots.
#include "fakes.h"
#include "plot/loopplot.h"
#include "sim/loopfields.h"

#include "app/numbers.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <map>

namespace {

// A run drawn over `columns` columns, every period alike unless changed: the closed
// loop's samples between 23.9 and 24.1 V, every mean 24 V, the duty 0.4.
ControlView flatView(int columns, std::int64_t before, std::int64_t after)
{
    ControlView v;
    v.model.run = {true, 15, 0.4, 80000, 75e-6, 125e-6, 16.67, 1000, 5000};
    v.request.Vref = 24, v.request.before = before, v.request.after = after;
    v.run.columns.assign(std::size_t(columns), {23.9, 24.1});
    v.run.periods.assign(std::size_t(before + after), {24, 0.4, 24, 24});
    return v;
}

// Every line drawn, by colour.
struct Recorder : PlotSurface {
    std::map<std::tuple<int, int, int>, std::vector<PlotLine>> lines;
    void clear() override { lines.clear(); }
    QSize pixelSize() const override { return {}; }
    void drawLines(Rgb c, std::span<const PlotLine> drawn) override
    {
        auto& of = lines[{c.r, c.g, c.b}];
        of.insert(of.end(), drawn.begin(), drawn.end());
    }
    const std::vector<PlotLine>& of(Rgb c) { return lines[{c.r, c.g, c.b}]; }
};

const LoopTexts kDefaults{"2530", "60", "24", "8.335", "15", "100", "400", "0", "0.9"};

} // namespace

Q_DECLARE_METATYPE(LoopTexts)

class TestLoopPlot : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // The nine fields in order: the first that fails gives one message naming it, and
    // nothing after it is read.
    void fields_data()
    {
        QTest::addColumn<LoopTexts>("texts");
        QTest::addColumn<int>("refused"); // -1: all read
        QTest::addColumn<QString>("message");
        const auto with = [](std::initializer_list<std::pair<LoopField, const char*>> changes) {
            LoopTexts t = kDefaults;
            for (const auto& [f, text] : changes)
                t[std::size_t(f)] = text;
            return t;
        };
        QTest::newRow("the defaults") << kDefaults << -1 << QString();
        QTest::newRow("fc with a decimal comma")
            << with({{LoopField::Fc, "2,5"}}) << 0 << "Errore di inserimento dati per il valore della frequenza di incrocio fc in Hz.";
        QTest::newRow("PM forgotten, and a later field bad too") << with({{LoopField::PM, ""}, {LoopField::Dmax, "x"}}) << 1
                                                                  << "Hai dimenticato di scrivere il valore del margine di fase PM in gradi";
        QTest::newRow("Vref zero") << with({{LoopField::Vref, "0"}}) << 2
                                   << "Il valore della tensione di riferimento Vref in V deve essere maggiore di zero.";
        QTest::newRow("load after the step negative") << with({{LoopField::RL2, "-8"}}) << 3 << "Il valore della resistenza di carico";
        QTest::newRow("input after the step beyond the doubles") << with({{LoopField::Vi2, "1e999"}}) << 4
                                                                 << "Il numero scritto per il valore della tensione in ingresso";
        QTest::newRow("no period before") << with({{LoopField::Before, "0.4"}}) << 5
                                          << "Il numero dei periodi prima del gradino deve essere un intero compreso tra 1 e 1000000.";
        QTest::newRow("too many periods after") << with({{LoopField::After, "1000000.6"}}) << 6 << "Il numero dei periodi dopo";
        QTest::newRow("Dmin negative") << with({{LoopField::Dmin, "-0.1"}}) << 7 << "I limiti del duty cycle";
        QTest::newRow("Dmin equal to Dmax") << with({{LoopField::Dmin, "0.9"}}) << 8 << "I limiti del duty cycle";
        QTest::newRow("Dmax of one") << with({{LoopField::Dmax, "1"}}) << 8 << "I limiti del duty cycle";
        QTest::newRow("fc and PM the design refuses, read as they are")
            << with({{LoopField::Fc, "-5"}, {LoopField::PM, "95"}}) << -1 << QString();
    }
    void fields()
    {
        QFETCH(LoopTexts, texts);
        QFETCH(int, refused);
        QFETCH(QString, message);
        FakeMessages messages;
        const auto read = readLoopFields(texts, CompensatorType::TypeII, messages);
        if (refused < 0) {
            QVERIFY(std::holds_alternative<LoopInputs>(read));
            QCOMPARE(messages.messages, QStringList());
            return;
        }
        QVERIFY(std::holds_alternative<LoopField>(read));
        QCOMPARE(int(std::get<LoopField>(read)), refused);
        QCOMPARE(messages.messages.size(), 1);
        QVERIFY2(messages.messages.first().startsWith(message), qPrintable(messages.messages.first()));
    }

    // Read as N is: half to even; the type goes to the design as chosen.
    void fieldsRead()
    {
        FakeMessages messages;
        LoopTexts texts = kDefaults;
        texts[std::size_t(LoopField::Before)] = "100.5";
        texts[std::size_t(LoopField::After)] = "401.5";
        const LoopInputs in = std::get<LoopInputs>(readLoopFields(texts, CompensatorType::TypeII, messages));
        QCOMPARE(in.run.before, std::int64_t(100));
        QCOMPARE(in.run.after, std::int64_t(402));
        QCOMPARE(in.design.type, CompensatorType::TypeII);
        QCOMPARE(in.run.RL2, 8.335);
    }

    // A field takes its new default only when its default changed: what was typed in a
    // field whose default stays, stays.
    void defaultsFollowTheConverter()
    {
        const Model::SimulatedRun example{true, 15, 0.4, 80000, 75e-6, 125e-6, 16.67, 1000, 5000};
        const LoopTexts first = std::get<LoopTexts>(loopDefaults(example, {}));
        // Lossless: Vo = Vi/(1 − D), and fz_RHP = D'²·RL/(2π·L) = 12.7 kHz, a fifth of it below f/20.
        // Vo as the operating point's solution gives it, within its rounding.
        QVERIFY(std::fabs(first[std::size_t(LoopField::Vref)].toDouble() - 25) < 1e-12 * 25);
        LoopTexts expected{"2550", "60", first[std::size_t(LoopField::Vref)], "8.335", "15", "100", "400", "0", "0.9"};
        QCOMPARE(first, expected);
        LoopTexts typed = first;
        typed[std::size_t(LoopField::Fc)] = "2000";
        typed[std::size_t(LoopField::Before)] = "50";
        Model::SimulatedRun twelve = example;
        twelve.Vi = 12;
        const LoopTexts now = std::get<LoopTexts>(loopDefaults(twelve, {}));
        const LoopTexts shown = refilled(typed, first, now);
        QCOMPARE(shown, LoopTexts({"2000", "60", "20", "8.335", "12", "50", "400", "0", "0.9"}));
        QCOMPARE(refilled(shown, LoopTexts{}, now), now); // nothing filled yet: every default
        Model::SimulatedRun discontinuous = example;
        discontinuous.RL = 1000;
        QVERIFY(std::get<QString>(loopDefaults(discontinuous, {})).startsWith("Il punto di lavoro non è in conduzione continua"));
    }

    // The period the pointer reads in each column is one the column holds (or, where a
    // column holds less than a period, the one under its middle), and the step's line
    // stands between the last period before it and the first after.
    void pointerReadsTheColumnsPeriods_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("fewer periods than columns") << 570 << 100 << 400;
        QTest::newRow("a period a column") << 500 << 100 << 400;
        QTest::newRow("many periods a column") << 570 << 1000 << 5000;
        QTest::newRow("a step near the start") << 300 << 1 << 999;
        QTest::newRow("three columns") << 3 << 1 << 1;
    }
    void pointerReadsTheColumnsPeriods()
    {
        QFETCH(int, columns);
        QFETCH(int, before);
        QFETCH(int, after);
        const ControlView v = flatView(columns, before, after);
        const double total = before + after;
        for (int c = 0; c < columns; ++c) {
            const double x = 100.0 * c / (columns - 1);
            const double p = double(LoopPlot::periodAt(v, x)) - 1; // 0-based
            const double from = c * total / columns, to = (c + 1) * total / columns;
            const bool held = p >= std::floor(from) && p < std::max(to, std::floor(from) + 1);
            QVERIFY2(held, qPrintable(QString("column %1: period %2 outside [%3, %4)").arg(c).arg(p).arg(from).arg(to)));
        }
        // The pixel columns on either side of the one the step's line is drawn in.
        const auto stepPixel = int(std::floor(LoopPlot::xOfPeriods(v, before) / 100 * (columns - 1)));
        const auto xOfPixel = [columns](int c) { return 100.0 * c / (columns - 1); };
        QVERIFY(stepPixel < 1 || LoopPlot::periodAt(v, xOfPixel(stepPixel - 1)) <= before);
        QVERIFY(stepPixel + 1 > columns - 1 || LoopPlot::periodAt(v, xOfPixel(stepPixel + 1)) > before);
        QCOMPARE(LoopPlot::periodAt(v, -0.01), std::int64_t(0));
        QCOMPARE(LoopPlot::periodAt(v, 100.01), std::int64_t(0));
    }

    // A value a period: one segment from period to period where each has its column;
    // where a column holds many, a vertical line from their lowest to their highest
    // value.  Duties 0.4 and 0.5 make the scale 0.4 to 0.5 (four steps of 0.025), so
    // they lie on the duty band's bottom (5) and top (5 + 22).
    void valuesReducedToColumns_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("periods");
        QTest::addColumn<int>("verticals");
        QTest::addColumn<int>("segments");
        QTest::newRow("five periods over ten columns") << 10 << 5 << 0 << 4;
        QTest::newRow("a thousand periods over ten columns") << 10 << 1000 << 10 << 9;
    }
    void valuesReducedToColumns()
    {
        QFETCH(int, columns);
        QFETCH(int, periods);
        QFETCH(int, verticals);
        QFETCH(int, segments);
        ControlView v = flatView(columns, 1, periods - 1);
        for (std::size_t p = 0; p < v.run.periods.size(); ++p)
            v.run.periods[p].duty = p % 2 ? 0.5 : 0.4;
        Recorder r;
        LoopPlot::draw(v, r);
        int vertical = 0, segment = 0;
        for (const PlotLine& l : r.of(LoopPlot::kDutyColour)) {
            const bool up = l.x1 == l.x2;
            vertical += up;
            segment += !up;
            for (const float y : {l.y1, l.y2}) // plot heights as floats
                QVERIFY2(std::fabs(y - 5) < 1e-4 || std::fabs(y - 27) < 1e-4, qPrintable(QString::number(y)));
            if (up)
                QVERIFY(std::fabs(std::fabs(l.y2 - l.y1) - 22) < 1e-4);
        }
        QCOMPARE(vertical, verticals);
        QCOMPARE(segment, segments);
    }

    // The output's scale holds Vref's ±1 % band, however flat the run; the ticks stand
    // at a round number of periods from the step, within the run.
    void scalesAndTicks_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<QList<double>>("ticks");
        QTest::newRow("the defaults") << 100 << 400 << QList<double>{-100, 0, 100, 200, 300, 400};
        QTest::newRow("a short run, the first tick after its start")
            << 37 << 163 << QList<double>{-25, 0, 25, 50, 75, 100, 125, 150};
    }
    void scalesAndTicks()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(QList<double>, ticks);
        const ControlView v = flatView(400, before, after);
        const LoopPlot::Scales s = LoopPlot::scalesOf(v);
        // 23.76 … 24.24 V in four steps of 0.2 V from a multiple of it.
        QVERIFY(std::fabs(s.voltage.bottom - 23.6) < 1e-9 && std::fabs(s.voltage.top - 24.4) < 1e-9);
        const std::vector<double> found = LoopPlot::tickOffsets(v, s);
        QCOMPARE(QList<double>(found.begin(), found.end()), ticks);
    }

    void readout_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("after the step") << 107 << "Periodo 108 (8° dopo il gradino) ; vo medio = 2,39E+01 V ; D = 41,20 %";
        QTest::newRow("the last before it") << 99 << "Periodo 100 (prima del gradino) ; vo medio = 2,39E+01 V ; D = 41,20 %";
        QTest::newRow("the first after it") << 100 << "Periodo 101 (1° dopo il gradino) ; vo medio = 2,39E+01 V ; D = 41,20 %";
        QTest::newRow("left of the plot") << -1 << QString();
    }
    void readout()
    {
        QFETCH(int, column);
        QFETCH(QString, text);
        ControlView v = flatView(500, 100, 400);
        for (LoopPeriod& p : v.run.periods)
            p.closedMean = 23.94, p.duty = 0.412;
        QCOMPARE(LoopPlot::readout(v, 100.0 * column / 499), text);
    }

    // The lines beside the plots, each only where it applies.
    void notes()
    {
        ControlView v = flatView(100, 10, 10);
        v.loop.crossovers = {{2530, 60}};
        v.gc.fcHz = 2530;
        QCOMPARE(LoopPlot::crossingsNote(v), QString());
        v.loop.crossovers = {{820, 119}, {2530, 124}, {4410, 60}};
        QVERIFY(LoopPlot::crossingsNote(v).startsWith("|T| attraversa 1 (0 dB) 3 volte: il margine di fase all'incrocio"));
        QCOMPARE(LoopPlot::ditherNote(v), QString());
        v.run.figures.dithers = true;
        QVERIFY(LoopPlot::ditherNote(v).contains("1/N = 0,1\u00a0%, quella di un PWM digitale"));
        v.model.run.N = 10000;
        QVERIFY(LoopPlot::ditherNote(v).contains("1/N = 0,01\u00a0%"));
        // With rL = 1 Ω and a third of the load the averaged gain peaks at 1.14: 17.1 V from 15 V.
        QCOMPARE(LoopPlot::reachNote(v), QString());
        v.model.parts = {1, 0.05, 0.5, 0.02, 0.05};
        v.request.RL2 = 16.67 / 3, v.request.Vi2 = 15, v.request.Vref = 20.9;
        v.run.figures.reachable = false;
        QVERIFY2(LoopPlot::reachNote(v).contains("non raggiunge Vref = 2,09E+01 V: il modello medio dà al più 1,71E+01 V"),
                 qPrintable(LoopPlot::reachNote(v)));
    }

    // The table gives the smallest gain margin, wherever it lies among them; none below
    // f/2 is said in words.
    void gainMarginRow()
    {
        ControlView v = flatView(100, 10, 10);
        const auto marginText = [&v] {
            for (const LoopPlot::FigureRow& row : LoopPlot::figureRows(v)) {
                if (QByteArray(row.key) == "MargineGuadagno")
                    return row.text;
            }
            return QString("(no row)");
        };
        QCOMPARE(marginText(), QString("nessuno sotto f/2"));
        v.loop.margins = {{12000, 12}, {23000, 6.5}, {31000, 9}};
        QCOMPARE(marginText(), QString("6,50 dB a 2,30E+04 Hz"));
    }

    // The loop gain's chart for the 9 V converter whose T crosses 1 three times: a mark
    // at each crossover with its margin and at each gain margin, and at each crossover
    // the pointer reads T itself, of magnitude 1 and phase PM − 180°; 0 dB and −180°
    // drawn as levels.
    void loopGainChart()
    {
        const Model::SimulatedRun nineVolt{true, 9, 0.5, 200e3, 10e-6, 47e-6, 6, 1000, 5000};
        const Parasitics typical{0.1, 0.05, 0.5, 0.02, 0.05};
        const std::variant<LoopTexts, QString> defaults = loopDefaults(nineVolt, typical);
        FakeMessages messages;
        const LoopInputs in = std::get<LoopInputs>(readLoopFields(std::get<LoopTexts>(defaults), CompensatorType::TypeIII, messages));
        const ControlView view = std::get<ControlView>(analyseControl(nineVolt, typical, in.design, in.run, 200, nullptr));
        const BodePlot::Chart chart = LoopPlot::loopChart(view);
        QStringList labels;
        for (const BodePlot::Mark& m : chart.marks)
            labels << m.label;
        QCOMPARE(labels.mid(0, 3), QStringList({"PM 119°", "PM 124°", "PM 60°"}));
        QCOMPARE(labels.size(), int(3 + view.loop.margins.size()));
        QVERIFY(labels.last().startsWith("GM "));
        for (const Crossover& c : view.loop.crossovers) {
            const QString read = BodePlot::readout(chart, BodePlot::xOfFrequency(chart.axis, c.fHz));
            const QString phase = FormatNumber(c.pmDeg - 180, NumberPattern::Fixed2);
            QVERIFY2(read.contains(QRegularExpression(" ; T: -?0,00 dB, " + QRegularExpression::escape(phase) + "° ; Gc: ")),
                     qPrintable(read));
        }
        QList<double> levels; // the magnitude's shifted to tell it from the phase's
        for (const BodePlot::Level& l : chart.levels)
            levels << (l.phase ? l.value : 1000 + l.value);
        QVERIFY(levels.contains(1000) && levels.contains(-180));
    }
};

QTEST_GUILESS_MAIN(TestLoopPlot)
#include "test_loopplot.moc"
