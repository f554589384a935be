// The design calculation and the example data, through a fake main window.
#include "app/model.h"
#include "design/design.h"
#include "fakeform1.h"
#include "simfakes.h"

#include <QTest>

#include <cmath>

// The six design fields separated by blanks, the one message, and Vi and Freq as stored.
struct Refusal { const char* texts; QString message; double vi, freq; };
Q_DECLARE_METATYPE(Refusal)

class TestDesign : public QObject {
    Q_OBJECT
private slots:
    // The result boxes follow the locale; the verification fields always carry a point,
    // since the verification run reads them back.
    void completes_data()
    {
        QTest::addColumn<QString>("texts");     // the six design fields, by blanks; none: the example data button
        QTest::addColumn<QList<double>>("lcr"); // L (µH), C (µF), RL (Ω)
        QTest::addColumn<QString>("captions");  // L, C, IDP, IDm, Iim as in the C locale
        QTest::addColumn<QString>("fields");    // the first six verification fields in reading order
        QTest::newRow("example data") << QString() << QList<double>{75, 125, 25 / 1.5}
                                      << "7.50E+01 1.25E+02 3.00E+00 1.50E+00 2.50E+00"
                                      << "1.500E+01 4.000E+01 8.000E+01 7.500E+01 1.250E+02 1.667E+01";
        QTest::newRow("equal voltages give zero components")
            << QString("12 12 80 40 60 1.5") << QList<double>{0, 0, 8}
            << "0.00E+00 0.00E+00 1.80E+00 1.50E+00 1.50E+00"
            << "1.200E+01 0.000E+00 8.000E+01 0.000E+00 0.000E+00 8.000E+00";
    }
    void completes()
    {
        QFETCH(QString, texts);
        QFETCH(QList<double>, lcr);
        QFETCH(QString, captions);
        QFETCH(QString, fields);
        inBothLocales([&](const QLocale& locale) {
            Model m;
            FakeForm1 f;
            texts.isEmpty() ? Command3_Click(f) : f.fill(kDesignFields, texts.split(' '));
            Command1_Click(m, f);
            QVERIFY(f.messages.isEmpty());
            QCOMPARE(m.D, 1 - m.Vi / m.Vo); // exact: the grouping the formulas give
            QCOMPARE(m.Iim, m.Io / (1 - m.D));
            const double lcrFound[] = {m.L, m.C, m.RL};
            for (int i = 0; i < 3; ++i)
                QVERIFY2(std::fabs(lcrFound[i] - lcr[i]) < 1e-9, qPrintable(QString::number(lcrFound[i])));
            QCOMPARE(f.captions.values().join(' '), QString(captions).replace('.', locale.decimalPoint()));
            QStringList shown;
            for (Form1Field field : std::span(kVerificationFields).first(6)) {
                shown << f.texts.value(field);
                QCOMPARE(f.colours.value(field), Colours::BrightBlue);
            }
            QCOMPARE(shown.join(' '), fields);
            QCOMPARE(m.NumText, fields.section(' ', -1));
            QCOMPARE(FormatForField(0.000075), QString("7.500E-05"));
            QCOMPARE(FormatForField(1.5e200), QString("1.500E+200"));
        });
    }

    // Every refusal shows exactly one message and changes nothing on screen; the values
    // read before it stay stored.
    void refusals_data()
    {
        QTest::addColumn<Refusal>("r");
        const auto row = [](const char* theme, const char* texts, const QString& message, double vi, double freq) {
            QTest::newRow(theme) << Refusal{texts, message, vi, freq};
        };
        const auto range = [](const char* quantity) {
            return QString("Impossibile calcolare %1 con questi dati: il risultato è troppo grande o troppo piccolo "
                           "per essere rappresentato!").arg(quantity);
        };
        row("Vi empty", " 25 80 40 60 1.5", "La tensione in ingresso non può essere zero o negativa!", 0, 0);
        row("Vo below Vi", "25 15 80 40 60 1.5", "La tensione in uscita non può essere zero o negativa o minore di Vi!",
            25, 0);
        row("frequency zero", "15 25 0 40 60 1.5", "La frequenza non può essere zero o negativa!", 15, 0);
        row("output ripple negative", "15 25 80 40 -60 1.5", "DeltaVo non può essere zero o negativo!", 15, 80000);
        row("output current negative", "15 25 80 40 60 -1", "Io non può essere negativa!", 15, 80000);
        row("output current zero reaches the ripple check", "15 25 80 40 60 0",
            "DeltaiL non può essere zero o negativo!", 15, 80000);
        row("decimal comma in the frequency", "15 25 80,5 40 60 1.5",
            "Errore di inserimento dati per il valore della frequenza di commutazione f in kHz. Puoi scrivere soltanto "
            "numeri razionali con il punto come separatore decimale, anche in forma esponenziale. Ad es: 1.23 , 1E-5 , "
            "5E3", 15, 0);
        row("Vi beyond the doubles", "1E400 25 80 40 60 1.5",
            "Il numero scritto per la tensione di ingresso Vi è troppo grande per essere rappresentato.", 0, 0);
        row("kHz times 1000 overflows", "15 25 1e306 40 60 1.5", range("la frequenza f in Hz"), 15, 0);
        row("Vo/Vi makes the duty cycle 1", "1 1e17 80 40 60 1.5",
            "Vo è troppo grande rispetto a Vi: il Duty Cycle risulterebbe del 100% e la corrente media in ingresso "
            "Iim non avrebbe un valore finito!", 1, 80000);
        row("input current overflows", "1 10 80 40 60 1e308", range("la corrente media in ingresso Iim"), 1, 80000);
        row("inductance overflows", "1e200 3e200 80 40 60 1.5", range("l'induttanza L"), 1e200, 80000);
        row("capacitance overflows", "10 20 80 1e-300 60 1e305", range("la capacità C"), 10, 80000);
        row("inductance denominator underflows", "1e-300 2e-300 1e-300 40 60 1e-300", range("l'induttanza L"), 1e-300,
            1e-297);
    }
    void refusals()
    {
        QFETCH(Refusal, r);
        inBothLocales([&](const QLocale&) {
            Model m;
            FakeForm1 f;
            f.fill(kDesignFields, QString(r.texts).split(' '));
            Command1_Click(m, f);
            QCOMPARE(f.messages, QStringList{r.message});
            QCOMPARE(m.MsgText, r.message);
            QCOMPARE(f.screenWrites, 0);
            QCOMPARE(m.Vi, r.vi);
            QCOMPARE(m.Freq, r.freq);
        });
    }
};

QTEST_GUILESS_MAIN(TestDesign)
#include "test_design.moc"
