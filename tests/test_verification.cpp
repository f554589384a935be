// The verification run through fake windows: the character check of a field, the order
// of the run's phases and what each failed check leaves behind.
#include "app/model.h"
#include "sim/fieldcheck.h"
#include "sim/verification.h"
#include "fakeform1.h"
#include "simfakes.h"

#include <QTest>

namespace {

// The fields as the design calculation of the example leaves them, then edits of the
// form "12=80 kHz"; the model starts with -1 everywhere, so what was read shows.
struct Run {
    Model m;
    FakeForm2 form2;
    FakeForm1 form1;

    explicit Run(const QStringList& edits)
    {
        form1.log = &form2.events;
        const QStringList example = {"7=1.500E+01", "8=4.000E+01", "12=8.000E+01", "9=7.500E+01", "10=1.250E+02",
                                     "11=1.667E+01", "13=1000", "14=10", "15=5000"};
        for (const QString& e : example + edits)
            form1.texts[Form1Field(e.section('=', 0, 0).toInt())] = e.section('=', 1);
        m.Vi = m.D = m.Freq = m.L = m.C = m.RL = -1;
        m.N = m.NP = m.NI = -1;
        Command2_Click(m, form1, form2, nullptr);
    }

    // "Vi D : 7 8": the values stored, then the fields painted black.
    QString left() const
    {
        QStringList out;
        const QPair<const char*, double> values[] = {{"Vi", m.Vi}, {"D", m.D},   {"Freq", m.Freq},
                                                     {"L", m.L},   {"C", m.C},   {"RL", m.RL},
                                                     {"N", m.N},   {"NP", m.NP}, {"NI", m.NI}};
        for (const auto& [name, value] : values)
            if (value != -1)
                out << name;
        out << ":";
        for (auto it = form1.colours.begin(); it != form1.colours.end(); ++it)
            if (it.value() == Colours::Black)
                out << QString::number(int(it.key()));
        return out.join(' ');
    }
};

} // namespace

class TestVerification : public QObject {
    Q_OBJECT
private slots:
    // The character check that opens the run, for each field: which texts pass, which
    // message a rejected one shows, and the flag it leaves.
    void fieldCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown"); // the message shown, or none
        QTest::newRow("empty text") << "" << "vuoto";
        QTest::newRow("one blank is not empty") << " " << "formato";
        QTest::newRow("decimal point") << "1.23" << "";
        QTest::newRow("negative exponent") << "1E-5" << "";
        QTest::newRow("lower-case exponent") << "5e3" << "";
        QTest::newRow("leading minus") << "-0.5" << "";
        QTest::newRow("leading plus") << "+7" << "";
        QTest::newRow("decimal comma") << "1,5" << "formato";
        QTest::newRow("leading blank") << " 12" << "formato";
        QTest::newRow("trailing blank") << "12 " << "formato";
        QTest::newRow("d as exponent") << "1d3" << "formato";
        QTest::newRow("two points") << "1.2.3" << "";
        QTest::newRow("signs and exponent only") << "+-E" << "";
        QTest::newRow("letters") << "abc" << "formato";
        QTest::newRow("arabic-indic digits") << QString::fromUtf8("\u0661\u0662") << "formato";
        QTest::newRow("superscript two") << QString::fromUtf8("10\u00B2") << "formato";
        QTest::newRow("digit just below zero code") << "/" << "formato";
        QTest::newRow("digit just above nine code") << ":" << "formato";
        QTest::newRow("40000 digits") << QString(40000, u'9') << "";
        QTest::newRow("40000 digits, last one a letter") << QString(39999, u'9') + "x" << "formato";
    }
    void fieldCheck()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        Model m;
        m.MsgText = "vuoto";
        m.MsgBadFormat = "formato";
        m.InputError = 1; // left by an earlier failed check: must not block this one
        FakeMessages ui;
        CheckNumericField(m, text, ui);
        QCOMPARE(ui.messages, shown.isEmpty() ? QStringList{} : QStringList{shown});
        QCOMPARE(m.InputError, std::int16_t(shown.isEmpty() ? 0 : 1));
    }

    void stopsAtFirstFailure_data()
    {
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QString>("message"); // empty: the run completes without one
        QTest::addColumn<int>("inputError");
        QTest::addColumn<QString>("left");
        QTest::newRow("converter fields all empty")
            << QStringList{"7=", "8=", "12=", "9=", "10=", "11="}
            << "Hai dimenticato di scrivere la tensione di ingresso Vi" << 1 << ":";
        QTest::newRow("iterations with a stray letter")
            << QStringList{"15=5000x"}
            << "Errore di inserimento dati per il numero di iterazioni NI. Puoi scrivere soltanto numeri razionali "
               "con il punto come separatore decimale, anche in forma esponenziale. Ad es: 1.23 , 1E-5 , 5E3"
            << 1 << ":";
        QTest::newRow("input voltage a lone point")
            << QStringList{"7=."} << "La tensione in ingresso non può essere zero o negativa!" << 0 << "Vi : 7";
        QTest::newRow("duty cycle of one hundred per cent")
            << QStringList{"8=100"} << "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!"
            << 0 << "Vi D : 7 8";
        QTest::newRow("frequency overflowing in hertz")
            << QStringList{"12=1e306"}
            << "Il numero scritto per il valore della frequenza di commutazione f in kHz è troppo grande per essere "
               "rappresentato."
            << 0 << "Vi D : 7 8 12";
        QTest::newRow("samples beyond 32 bits")
            << QStringList{"13=3e9"}
            << "Il numero dei campioni N deve essere un intero compreso tra -2147483648 e 2147483647." << 0
            << "Vi D Freq L C RL : 7 8 9 10 11 12";
        QTest::newRow("zero frequency reaches the simulation")
            << QStringList{"12=0"}
            << "La frequenza di commutazione f non può essere zero: il passo di simulazione non avrebbe un valore "
               "finito."
            << 0 << "Vi D Freq L C RL N NP NI : 7 8 9 10 11 12";
    }
    void stopsAtFirstFailure()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, message);
        QFETCH(int, inputError);
        QFETCH(QString, left);
        Run run(edits);
        QCOMPARE(run.form1.messages, message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(run.m.InputError, std::int16_t(inputError));
        QCOMPARE(run.left(), left);
        const bool simulated = left.contains("NI"); // the window comes only after every field is read
        QCOMPARE(run.form2.events.count("obtain"), simulated ? 1 : 0);
        QCOMPARE(run.form2.captions.size(), simulated ? 5 : 0);
        if (!message.isEmpty() && inputError == 0)
            QCOMPARE(run.m.MsgText, message);
    }

    // All nine character checks, then each field read and painted black as its value
    // is stored, then the window: emptied, shown, drawn, and its five boxes in order.
    void phaseOrder()
    {
        Run run({});
        QStringList expected;
        for (int field : {7, 8, 12, 9, 10, 11, 13, 14, 15})
            expected << QString("read %1").arg(field);
        for (int field : {7, 8, 12, 9, 10, 11})
            expected << QString("read %1").arg(field) << QString("black %1").arg(field);
        expected << "read 13" << "read 14" << "read 15" << "obtain" << "clear" << "show" << "draw";
        for (int box = 0; box < 5; ++box)
            expected << QString("caption %1").arg(box);
        QCOMPARE(run.form2.events, expected);
        QCOMPARE(run.form1.messages, QStringList());
        // Each unit by one multiplication, as the values are held: D = % × 0.01, L = µH × 0.000001.
        QCOMPARE(QList<double>({run.m.Vi, run.m.D, run.m.Freq, run.m.L, run.m.C, run.m.RL}),
                 QList<double>({15, 40 * 0.01, 80 * 1000.0, 75 * 0.000001, 125 * 0.000001, 16.67}));
    }
};

QTEST_GUILESS_MAIN(TestVerification)
#include "test_verification.moc"
