// The verification run through fake windows: the order of the run's phases and what
// each failed check leaves behind.  The character check itself is fuzzed apart.
#include "app/model.h"
#include "fakes.h"
#include "plot/readout.h"
#include "sim/verification.h"

#include <QTest>

using Edits = QMap<Form1Field, QString>;
using Fields = QList<Form1Field>;
Q_DECLARE_METATYPE(RunOutcome)

namespace {
// The fields as the design calculation of the example leaves them, with some edited;
// the model starts with -1 everywhere, so what was read shows.
struct Run {
    Model m;
    FakeForm2 form2;
    FakeForm1 form1;

    explicit Run(const Edits& edits)
    {
        form1.log = &form2.events;
        form1.fill(kVerificationFields, {"1.500E+01", "4.000E+01", "8.000E+01", "7.500E+01", "1.250E+02", "1.667E+01",
                                         "1000", "10", "5000"});
        form1.texts.insert(edits);
        m.Vi = m.D = m.Freq = m.L = m.C = m.RL = -1;
        m.N = m.NP = m.NI = -1;
        Command2_Click(m, form1, form2, nullptr);
    }

    // The model variables the run stored, in reading order.
    QStringList stored() const
    {
        const double values[] = {m.Vi, m.D, m.Freq, m.L, m.C, m.RL, double(m.N), double(m.NP), double(m.NI)};
        const char* const names[] = {"Vi", "D", "Freq", "L", "C", "RL", "N", "NP", "NI"};
        QStringList out;
        for (int i = 0; i < 9; ++i) {
            if (values[i] != -1)
                out << names[i];
        }
        return out;
    }
    Fields black() const { return form1.colours.keys(Colours::kBlack); }
};
} // namespace

class TestVerification : public QObject {
    Q_OBJECT
private slots:
    // A failed character check stores nothing, paints nothing and leaves InputError set;
    // a failed value check leaves the values read and the fields painted before it.
    void stopsAtFirstFailure_data()
    {
        QTest::addColumn<Edits>("edits");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<Fields>("black");
        using F = Form1Field;
        const Fields converter{F::Text7, F::Text8, F::Text9, F::Text10, F::Text11, F::Text12};
        QTest::newRow("converter fields all empty")
            << Edits{{F::Text7, ""}, {F::Text8, ""}, {F::Text12, ""}, {F::Text9, ""}, {F::Text10, ""}, {F::Text11, ""}}
            << "Hai dimenticato di scrivere la tensione di ingresso Vi" << QStringList() << Fields();
        QTest::newRow("iterations with a stray letter")
            << Edits{{F::Text15, "5000x"}}
            << "Errore di inserimento dati per il numero di iterazioni NI. Puoi scrivere soltanto numeri razionali con "
               "il punto come separatore decimale, anche in forma esponenziale. Ad es: 1.23 , 1E-5 , 5E3"
            << QStringList() << Fields();
        QTest::newRow("input voltage a lone point") << Edits{{F::Text7, "."}}
            << "La tensione in ingresso non può essere zero o negativa!" << QStringList{"Vi"} << Fields{F::Text7};
        for (const char* duty : {"100", "0"}) {
            QTest::newRow(qPrintable(QString("duty cycle of %1 per cent").arg(duty))) << Edits{{F::Text8, duty}}
                << "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!" << QStringList{"Vi", "D"}
                << Fields{F::Text7, F::Text8};
        }
        QTest::newRow("frequency overflowing in hertz") << Edits{{F::Text12, "1e306"}}
            << "Il numero scritto per il valore della frequenza di commutazione f in kHz è troppo grande per essere "
               "rappresentato." << QStringList{"Vi", "D"} << Fields{F::Text7, F::Text8, F::Text12};
        QTest::newRow("samples beyond 32 bits") << Edits{{F::Text13, "3e9"}}
            << "Il numero dei campioni N deve essere un intero compreso tra -2147483648 e 2147483647."
            << QStringList{"Vi", "D", "Freq", "L", "C", "RL"} << converter;
        QTest::newRow("zero frequency reaches the simulation") << Edits{{F::Text12, "0"}}
            << "La frequenza di commutazione f non può essere zero: il passo di simulazione non avrebbe un valore finito."
            << QStringList{"Vi", "D", "Freq", "L", "C", "RL", "N", "NP", "NI"} << converter;
    }
    void stopsAtFirstFailure()
    {
        QFETCH(Edits, edits);
        QFETCH(QString, message);
        QFETCH(QStringList, stored);
        QFETCH(Fields, black);
        Run run(edits);
        QCOMPARE(run.form1.messages, QStringList{message});
        QCOMPARE(run.m.InputError, std::int16_t(stored.isEmpty()));
        QCOMPARE(run.stored(), stored);
        QCOMPARE(run.black(), black);
        const bool simulated = stored.contains("NI"); // the window comes only after every field is read
        QCOMPARE(run.form2.events.count("obtain"), simulated ? 1 : 0);
        QCOMPARE(run.form2.captions.size(), simulated ? 5 : 0);
        if (!stored.isEmpty())
            QCOMPARE(run.m.MsgText, message);
    }

    // All nine character checks, then each field read and painted black as its value
    // is stored, then the window: emptied with its hover text, shown, drawn, and its
    // five boxes in order.
    void phaseOrder()
    {
        Run run({});
        QCOMPARE(run.form2.events.join(", "),
                 QString("read 7, read 8, read 12, read 9, read 10, read 11, read 13, read 14, read 15, "
                         "read 7, black 7, read 8, black 8, read 12, black 12, read 9, black 9, read 10, black 10, "
                         "read 11, black 11, read 13, read 14, read 15, obtain, clear, hover, "
                         "empty 0, empty 1, empty 2, empty 3, empty 4, hint, show, draw, "
                         "caption 0, caption 1, caption 2, caption 3, caption 4"));
        QCOMPARE(run.form1.messages, QStringList());
        // Each unit by one multiplication, as the values are held: D = % × 0.01, L = µH × 0.000001.
        QCOMPARE(QList<double>({run.m.Vi, run.m.D, run.m.Freq, run.m.L, run.m.C, run.m.RL}),
                 QList<double>({15, 40 * 0.01, 80 * 1000.0, 75 * 0.000001, 125 * 0.000001, 16.67}));
    }

    // The inductor current of a far too small inductance reaches zero: the boxes are
    // empty from the moment the plot is emptied, under the message too, and then the
    // emptied plot says where the converter that does this can be seen.
    void currentReachedZero()
    {
        Run run({{Form1Field::Text9, "5"}, {Form1Field::Text13, "100"}, {Form1Field::Text15, "500"}});
        QCOMPARE(run.form2.events.mid(run.form2.events.indexOf("obtain")).join(", "),
                 QString("obtain, clear, hover, empty 0, empty 1, empty 2, empty 3, empty 4, hint, show, draw, message, "
                         "empty 0, empty 1, empty 2, empty 3, empty 4, hint"));
        QVERIFY2(run.form2.hint.contains("conduzione discontinua") && run.form2.hint.contains("«Avvio del convertitore» (Ctrl+T"),
                 qPrintable(run.form2.hint));
    }

    // "Grafici" pressed again after the student changed a field: a corrected character
    // is accepted, and the pointer over the plot reads figures only while the plot that
    // holds them is on screen (a refused field leaves it; a run that starts empties it).
    void secondRun_data()
    {
        QTest::addColumn<Edits>("first");
        QTest::addColumn<Edits>("second");
        QTest::addColumn<RunOutcome>("outcome");
        QTest::addColumn<bool>("readable");
        using F = Form1Field;
        QTest::newRow("a stray letter corrected")
            << Edits{{F::Text15, "5000x"}} << Edits{{F::Text15, "5000"}} << RunOutcome{RunEnd::Drawn} << true;
        QTest::newRow("a refused duty cycle keeps the plot")
            << Edits() << Edits{{F::Text8, "100"}} << RunOutcome{RunEnd::FieldRefused, F::Text8} << true;
        QTest::newRow("a zero frequency empties it")
            << Edits() << Edits{{F::Text12, "0"}} << RunOutcome{RunEnd::SimulationFault} << false;
    }
    void secondRun()
    {
        QFETCH(Edits, first);
        QFETCH(Edits, second);
        QFETCH(RunOutcome, outcome);
        QFETCH(bool, readable);
        Run run(first);
        run.form1.messages.clear();
        run.form1.texts.insert(second);
        QVERIFY(Command2_Click(run.m, run.form1, run.form2, nullptr) == outcome);
        QCOMPARE(run.form1.messages.size(), outcome.end == RunEnd::Drawn ? 0 : 1);
        Picture1_MouseMove(run.m, run.form2, 25, 89); // a quarter across the iL band
        QCOMPARE(!run.form2.hover.isEmpty(), readable);
    }
};

QTEST_GUILESS_MAIN(TestVerification)
#include "test_verification.moc"
