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
        form1.fill(kVerificationFields, {"1.500E+01", "4.000E+01", "8.000E+01", "7.500E+01", "1.250E+02", "1.667E+01",
                                         "1000", "10", "5000"});
        for (const QString& e : edits)
            form1.texts[Form1Field(e.section('=', 0, 0).toInt())] = e.section('=', 1);
        m.Vi = m.D = m.Freq = m.L = m.C = m.RL = -1;
        m.N = m.NP = m.NI = -1;
        Command2_Click(m, form1, form2, nullptr);
    }

    // "Vi D : 7 8": the values stored, then the fields painted black.
    QString left() const
    {
        const double values[] = {m.Vi, m.D, m.Freq, m.L, m.C, m.RL, double(m.N), double(m.NP), double(m.NI)};
        QString out;
        for (int i = 0; i < 9; ++i)
            out += values[i] != -1 ? QString("Vi D Freq L C RL N NP NI").section(' ', i, i) + ' ' : QString();
        out += ':';
        for (auto [field, colour] : form1.colours.asKeyValueRange())
            out += colour == Colours::Black ? ' ' + QString::number(int(field)) : QString();
        return out;
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
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("shown"); // the message shown, or none
        QTest::newRow("empty text") << QStringList{""} << "vuoto";
        QTest::newRow("digits, points, exponents and signs in any order")
            << QStringList{"1.23", "1E-5", "5e3", "-0.5", "+7", "1.2.3", "+-E", QString(40000, u'9')} << "";
        QTest::newRow("blanks are characters too") << QStringList{" ", " 12", "12 "} << "formato";
        QTest::newRow("letters, comma, neighbours of the digit codes, other digits")
            << QStringList{"1,5", "1d3", "abc", "/", ":", "\u0661\u0662", "10\u00B2", QString(39999, u'9') + "x"}
            << "formato";
    }
    void fieldCheck()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, shown);
        for (const QString& text : texts) {
            Model m;
            m.MsgText = "vuoto";
            m.MsgBadFormat = "formato";
            m.InputError = 1; // left by an earlier failed check: must not block this one
            FakeMessages ui;
            CheckNumericField(m, text, ui);
            QVERIFY2(ui.messages == (shown.isEmpty() ? QStringList{} : QStringList{shown})
                         && m.InputError == (shown.isEmpty() ? 0 : 1), qPrintable(text.left(40)));
        }
    }

    // "left": the values stored and the fields painted black before the run stopped; a
    // failed character check stores nothing and leaves InputError set.
    void stopsAtFirstFailure_data()
    {
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("left");
        const auto row = [](const char* theme, const QStringList& edits, const char* message, const char* left) {
            QTest::newRow(theme) << edits << QString(message) << QString(left);
        };
        row("converter fields all empty", {"7=", "8=", "12=", "9=", "10=", "11="},
            "Hai dimenticato di scrivere la tensione di ingresso Vi", ":");
        row("iterations with a stray letter", {"15=5000x"},
            "Errore di inserimento dati per il numero di iterazioni NI. Puoi scrivere soltanto numeri razionali con "
            "il punto come separatore decimale, anche in forma esponenziale. Ad es: 1.23 , 1E-5 , 5E3", ":");
        row("input voltage a lone point", {"7=."}, "La tensione in ingresso non può essere zero o negativa!", "Vi : 7");
        row("duty cycle of one hundred per cent", {"8=100"},
            "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!", "Vi D : 7 8");
        row("frequency overflowing in hertz", {"12=1e306"},
            "Il numero scritto per il valore della frequenza di commutazione f in kHz è troppo grande per essere "
            "rappresentato.", "Vi D : 7 8 12");
        row("samples beyond 32 bits", {"13=3e9"},
            "Il numero dei campioni N deve essere un intero compreso tra -2147483648 e 2147483647.",
            "Vi D Freq L C RL : 7 8 9 10 11 12");
        row("zero frequency reaches the simulation", {"12=0"},
            "La frequenza di commutazione f non può essere zero: il passo di simulazione non avrebbe un valore finito.",
            "Vi D Freq L C RL N NP NI : 7 8 9 10 11 12");
    }
    void stopsAtFirstFailure()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, message);
        QFETCH(QString, left);
        Run run(edits);
        QCOMPARE(run.form1.messages, QStringList{message});
        QCOMPARE(run.m.InputError, std::int16_t(left == ":"));
        QCOMPARE(run.left(), left);
        const bool simulated = left.contains("NI"); // the window comes only after every field is read
        QCOMPARE(run.form2.events.count("obtain"), simulated ? 1 : 0);
        QCOMPARE(run.form2.captions.size(), simulated ? 5 : 0);
        if (left != ":")
            QCOMPARE(run.m.MsgText, message);
    }

    // All nine character checks, then each field read and painted black as its value
    // is stored, then the window: emptied, shown, drawn, and its five boxes in order.
    void phaseOrder()
    {
        Run run({});
        QCOMPARE(run.form2.events.join(", "),
                 QString("read 7, read 8, read 12, read 9, read 10, read 11, read 13, read 14, read 15, "
                         "read 7, black 7, read 8, black 8, read 12, black 12, read 9, black 9, read 10, black 10, "
                         "read 11, black 11, read 13, read 14, read 15, obtain, clear, show, draw, "
                         "caption 0, caption 1, caption 2, caption 3, caption 4"));
        QCOMPARE(run.form1.messages, QStringList());
        // Each unit by one multiplication, as the values are held: D = % × 0.01, L = µH × 0.000001.
        QCOMPARE(QList<double>({run.m.Vi, run.m.D, run.m.Freq, run.m.L, run.m.C, run.m.RL}),
                 QList<double>({15, 40 * 0.01, 80 * 1000.0, 75 * 0.000001, 125 * 0.000001, 16.67}));
    }
};

QTEST_GUILESS_MAIN(TestVerification)
#include "test_verification.moc"
