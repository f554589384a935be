// The design calculation in every locale Qt knows, carried on through the verification
// and the readout: only the decimal separator follows the locale.  Digits, "E" and
// signs stay ASCII, so the texts the design writes into the verification fields read
// back, and the figures shown are the ones a student can read and type again.  Then
// the design's refusals.
#include "app/model.h"
#include "design/design.h"
#include "fakes.h"
#include "plot/readout.h"
#include "sim/fieldcheck.h"
#include "sim/verification.h"

#include <QTest>

// The six design fields (none: the example data button); the exact doubles D, Iim, L,
// C, RL, each formula in its own grouping; the five result boxes and the six
// verification fields as the C locale writes them; whether the converter can run.
struct Design {
    QStringList texts;
    QList<double> values;
    QStringList captions, fields;
    bool runs = true;
};
Q_DECLARE_METATYPE(Design)

class TestDesign : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void everyLocale_data()
    {
        QTest::addColumn<Design>("d");
        QTest::newRow("example data")
            << Design{{}, {0.4, 2.5, 75, 125, 16.666666666666668},
                      {"7.50E+01", "1.25E+02", "3.00E+00", "1.50E+00", "2.50E+00"},
                      {"1.500E+01", "4.000E+01", "8.000E+01", "7.500E+01", "1.250E+02", "1.667E+01"}};
        QTest::newRow("capacitance below one microfarad")
            << Design{{"15", "25", "80", "40", "60000", "1.5"}, {0.4, 2.5, 75, 0.125, 16.666666666666668},
                      {"7.50E+01", "1.25E-01", "3.00E+00", "1.50E+00", "2.50E+00"},
                      {"1.500E+01", "4.000E+01", "8.000E+01", "7.500E+01", "1.250E-01", "1.667E+01"}};
        // (Vo − Vi)/Vo would give D one bit lower, and every later value differs too; 9 mV
        // divided by 1000 would give C one bit higher than 9 × 0.001.
        QTest::newRow("one third: the formulas' own grouping")
            << Design{{"1", "3", "80", "40", "9", "1.5"}, {0.6666666666666667, 4.500000000000001, 4.629629629629629,
                                                           1388.8888888888887, 2},
                      {"4.63E+00", "1.39E+03", "5.40E+00", "1.50E+00", "4.50E+00"},
                      {"1.000E+00", "6.667E+01", "8.000E+01", "4.630E+00", "1.389E+03", "2.000E+00"}, false};
        QTest::newRow("equal voltages give zero components")
            << Design{{"12", "12", "80", "40", "60", "1.5"}, {0, 1.5, 0, 0, 8},
                      {"0.00E+00", "0.00E+00", "1.80E+00", "1.50E+00", "1.50E+00"},
                      {"1.200E+01", "0.000E+00", "8.000E+01", "0.000E+00", "0.000E+00", "8.000E+00"}, false};
    }
    void everyLocale()
    {
        QFETCH(Design, d);
        QString summaryC, hoverC; // as the C locale writes them
        QList<QLocale> locales{QLocale::c()};
        locales << QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        for (const QLocale& locale : std::as_const(locales)) {
            QLocale::setDefault(locale);
            const auto withPoint = [&](QString text) { return text.replace(locale.decimalPoint(), "."); };
            const QByteArray name = locale.name().toUtf8();
            Model m;
            FakeForm1 form1;
            if (d.texts.isEmpty())
                Command3_Click(form1);
            else
                form1.fill(kDesignFields, d.texts);
            Command1_Click(m, form1);
            QStringList shown;
            for (const QString& caption : std::as_const(form1.captions))
                shown << withPoint(caption);
            QVERIFY2(form1.messages.isEmpty() && shown == d.captions, name + ": " + shown.join(' ').toUtf8());
            QCOMPARE(QList<double>({m.D, m.Iim, m.L, m.C, m.RL}), d.values);
            for (qsizetype i = 0; i < d.fields.size(); ++i) {
                const QString text = form1.texts.value(kVerificationFields[i]);
                FakeMessages checked;
                CheckNumericField(m, text, checked);
                QVERIFY2(text == d.fields[i] && checked.messages.isEmpty(), name + ": " + text.toUtf8());
                QCOMPARE(form1.colours.value(kVerificationFields[i]), Colours::kBrightBlue);
            }
            QCOMPARE(m.NumText, d.fields.last());
            if (!d.runs)
                continue;

            form1.fill(std::span(kVerificationFields).last(3), {"100", "10", "200"});
            FakeForm2 form2;
            Command2_Click(m, form1, form2, nullptr);
            QString summary;
            for (const QString& caption : std::as_const(form2.captions))
                summary += withPoint(caption) + ' ';
            Picture1_MouseMove(m, form2, 25, 89);
            const QString hover = withPoint(form2.hover);
            if (summaryC.isEmpty()) {
                summaryC = summary;
                hoverC = hover;
            }
            QVERIFY2(form1.messages.isEmpty() && summary == summaryC && hover == hoverC,
                     name + ": " + (form1.messages.join(' ') + summary + hover).toUtf8());
        }
        QVERIFY2(!d.runs || hoverC.startsWith("t= 31.25usec ; iL(t) = "), qPrintable(summaryC + hoverC));
    }

    // Every refusal shows exactly one message and changes nothing on screen; the values
    // read before it stay stored.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<double>>("stored"); // Vi and Freq
        const auto range = [](const char* quantity) {
            return QString("Impossibile calcolare %1 con questi dati: il risultato è troppo grande o troppo piccolo "
                           "per essere rappresentato!").arg(quantity);
        };
        const auto row = [](const char* theme, const QStringList& texts, const QString& message, double vi,
                            double freq) { QTest::newRow(theme) << texts << message << QList<double>{vi, freq}; };
        row("Vi empty", {"", "25", "80", "40", "60", "1.5"}, "La tensione in ingresso non può essere zero o negativa!",
            0, 0);
        row("Vo below Vi", {"25", "15", "80", "40", "60", "1.5"},
            "La tensione in uscita non può essere zero o negativa o minore di Vi!", 25, 0);
        row("frequency zero", {"15", "25", "0", "40", "60", "1.5"}, "La frequenza non può essere zero o negativa!",
            15, 0);
        row("output ripple negative", {"15", "25", "80", "40", "-60", "1.5"}, "DeltaVo non può essere zero o negativo!",
            15, 80000);
        row("output current negative", {"15", "25", "80", "40", "60", "-1"}, "Io non può essere negativa!", 15, 80000);
        row("output current zero reaches the ripple check", {"15", "25", "80", "40", "60", "0"},
            "DeltaiL non può essere zero o negativo!", 15, 80000);
        row("decimal comma in the frequency", {"15", "25", "80,5", "40", "60", "1.5"},
            "Errore di inserimento dati per il valore della frequenza di commutazione f in kHz. Puoi scrivere soltanto "
            "numeri razionali con il punto come separatore decimale, anche in forma esponenziale. Ad es: 1.23 , 1E-5 , "
            "5E3", 15, 0);
        row("Vi beyond the doubles", {"1E400", "25", "80", "40", "60", "1.5"},
            "Il numero scritto per la tensione di ingresso Vi è troppo grande per essere rappresentato.", 0, 0);
        row("kHz times 1000 overflows", {"15", "25", "1e306", "40", "60", "1.5"}, range("la frequenza f in Hz"), 15, 0);
        row("Vo/Vi makes the duty cycle 1", {"1", "1e17", "80", "40", "60", "1.5"},
            "Vo è troppo grande rispetto a Vi: il Duty Cycle risulterebbe del 100% e la corrente media in ingresso "
            "Iim non avrebbe un valore finito!", 1, 80000);
        row("input current overflows", {"1", "10", "80", "40", "60", "1e308"},
            range("la corrente media in ingresso Iim"), 1, 80000);
        row("inductance overflows", {"1e200", "3e200", "80", "40", "60", "1.5"}, range("l'induttanza L"), 1e200, 80000);
        row("capacitance overflows", {"10", "20", "80", "1e-300", "60", "1e305"}, range("la capacità C"), 10, 80000);
        row("inductance numerator underflows", {"1e-300", "2e-300", "1e300", "40", "60", "1.5"},
            range("l'induttanza L"), 1e-300, 1e303);
        row("inductance denominator underflows", {"1e-300", "2e-300", "1e-300", "40", "60", "1e-300"},
            range("l'induttanza L"), 1e-300, 1e-297);
        // Numerator and denominator representable, the quotient below the smallest double:
        // shown, it would be an inductance (and a load) of zero.
        row("inductance quotient underflows", {"3e-162", "6e-162", "80", "40", "60", "1e170"},
            range("l'induttanza L"), 3e-162, 80000);
    }
    void refusals()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, message);
        QFETCH(QList<double>, stored);
        Model m;
        FakeForm1 f;
        f.fill(kDesignFields, texts);
        Command1_Click(m, f);
        QCOMPARE(f.messages, QStringList{message});
        QCOMPARE(m.MsgText, message);
        QCOMPARE(f.screenWrites, 0);
        QCOMPARE(QList<double>({m.Vi, m.Freq}), stored);
    }
};

QTEST_GUILESS_MAIN(TestDesign)
#include "test_design.moc"
