// The design calculation and the example data, through a fake main window.
#include "app/model.h"
#include "design/design.h"
#include "fakeform1.h"

#include <QLocale>
#include <QTest>

#include <cmath>

namespace {

void fillDesign(FakeForm1& f, const QStringList& texts)
{
    const Form1Field fields[] = {Form1Field::Text1, Form1Field::Text2, Form1Field::Text3,
                                 Form1Field::Text4, Form1Field::Text5, Form1Field::Text6};
    for (int i = 0; i < 6; ++i)
        f.texts[fields[i]] = texts.value(i);
}

const QLocale kItalian(QLocale::Italian, QLocale::Italy);

} // namespace

class TestDesign : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void exampleDesign_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("separator");
        QTest::newRow("C locale") << QLocale::c() << ".";
        QTest::newRow("Italian locale") << kItalian << ",";
    }
    void exampleDesign()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, separator);
        QLocale::setDefault(locale);
        Model m;
        FakeForm1 f;
        Command3_Click(f);
        Command1_Click(m, f);

        QVERIFY(f.messages.isEmpty());
        QCOMPARE(m.D, 1 - 15.0 / 25.0);
        QCOMPARE(m.Iim, 1.5 / (1 - m.D));
        QVERIFY(std::fabs(m.L - 75) < 1e-9);
        QVERIFY(std::fabs(m.C - 125) < 1e-9);
        QVERIFY(std::fabs(m.RL - 25 / 1.5) < 1e-12);
        const QString expectedCaptions[] = {"7.50E+01", "1.25E+02", "3.00E+00", "1.50E+00", "2.50E+00"};
        const Form1Result boxes[] = {Form1Result::Label24, Form1Result::Label25, Form1Result::Label26,
                                     Form1Result::Label27, Form1Result::Label32};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(f.captions.value(boxes[i]), QString(expectedCaptions[i]).replace(".", separator));

        // Field texts always carry a point: the verification run reads them back.
        const QPair<Form1Field, QString> fields[] = {
            {Form1Field::Text7, "1.500E+01"},  {Form1Field::Text12, "8.000E+01"},
            {Form1Field::Text8, "4.000E+01"},  {Form1Field::Text9, "7.500E+01"},
            {Form1Field::Text10, "1.250E+02"}, {Form1Field::Text11, "1.667E+01"}};
        for (const auto& [field, text] : fields) {
            QCOMPARE(f.texts.value(field), text);
            QCOMPARE(f.colours.value(field), Colours::BrightBlue);
        }
        QCOMPARE(m.NumText, QString("1.667E+01"));
    }

    void equalVoltagesGiveZeroComponents()
    {
        Model m;
        FakeForm1 f;
        fillDesign(f, {"12", "12", "80", "40", "60", "1.5"});
        Command1_Click(m, f);
        QVERIFY(f.messages.isEmpty());
        QCOMPARE(m.D, 0.0);
        QCOMPARE(m.Iim, 1.5);
        QCOMPARE(f.captions.value(Form1Result::Label24), QString("0.00E+00"));
        QCOMPARE(f.texts.value(Form1Field::Text8), QString("0.000E+00"));
        QCOMPARE(f.texts.value(Form1Field::Text9), QString("0.000E+00"));
        QCOMPARE(m.IDP, m.DeltaiL / 2 + m.Io);
    }

    // Every refusal shows exactly one message and changes nothing on screen; the values
    // read before it stay stored.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("message");
        QTest::addColumn<double>("vi");
        QTest::addColumn<double>("freq");
        const QString comma = "Errore di inserimento dati per %1. Puoi scrivere soltanto numeri "
                              "razionali con il punto come separatore decimale, anche in forma "
                              "esponenziale. Ad es: 1.23 , 1E-5 , 5E3";
        const QStringList ok = {"15", "25", "80", "40", "60", "1.5"};
        auto with = [&](int i, const QString& t) { QStringList s = ok; s[i] = t; return s; };

        QTest::newRow("Vi empty") << with(0, "") << "La tensione in ingresso non può essere zero o negativa!" << 0.0 << 0.0;
        QTest::newRow("Vo below Vi") << QStringList{"25", "15", "80", "40", "60", "1.5"}
                                     << "La tensione in uscita non può essere zero o negativa o minore di Vi!" << 25.0 << 0.0;
        QTest::newRow("frequency zero") << with(2, "0") << "La frequenza non può essere zero o negativa!" << 15.0 << 0.0;
        QTest::newRow("output ripple negative") << with(4, "-60") << "DeltaVo non può essere zero o negativo!" << 15.0 << 80000.0;
        QTest::newRow("output current negative") << with(5, "-1") << "Io non può essere negativa!" << 15.0 << 80000.0;
        QTest::newRow("output current zero reaches the ripple check") << with(5, "0") << "DeltaiL non può essere zero o negativo!" << 15.0 << 80000.0;
        QTest::newRow("decimal comma in the frequency") << with(2, "80,5") << comma.arg("il valore della frequenza di commutazione f in kHz") << 15.0 << 0.0;
        QTest::newRow("Vi beyond the doubles") << with(0, "1E400") << "Il numero scritto per la tensione di ingresso Vi è troppo grande per essere rappresentato!" << 0.0 << 0.0;
        QTest::newRow("kHz times 1000 overflows") << with(2, "1e306") << "Impossibile calcolare la frequenza f in Hz con questi dati: il risultato è troppo grande o troppo piccolo per essere rappresentato!" << 15.0 << 0.0;
        QTest::newRow("Vo/Vi makes the duty cycle 1") << QStringList{"1", "1e17", "80", "40", "60", "1.5"}
            << "Vo è troppo grande rispetto a Vi: il Duty Cycle risulterebbe del 100% e la corrente media in ingresso Iim non avrebbe un valore finito!" << 1.0 << 80000.0;
        QTest::newRow("input current overflows") << QStringList{"1", "10", "80", "40", "60", "1e308"}
            << "Impossibile calcolare la corrente media in ingresso Iim con questi dati: il risultato è troppo grande o troppo piccolo per essere rappresentato!" << 1.0 << 80000.0;
        QTest::newRow("inductance overflows") << QStringList{"1e200", "3e200", "80", "40", "60", "1.5"}
            << "Impossibile calcolare l'induttanza L con questi dati: il risultato è troppo grande o troppo piccolo per essere rappresentato!" << 1e200 << 80000.0;
        QTest::newRow("capacitance overflows") << QStringList{"10", "20", "80", "1e-300", "60", "1e305"}
            << "Impossibile calcolare la capacità C con questi dati: il risultato è troppo grande o troppo piccolo per essere rappresentato!" << 10.0 << 80000.0;
        QTest::newRow("inductance denominator underflows") << QStringList{"1e-300", "2e-300", "1e-300", "40", "60", "1e-300"}
            << "Impossibile calcolare l'induttanza L con questi dati: il risultato è troppo grande o troppo piccolo per essere rappresentato!" << 1e-300 << 1e-297;
    }
    void refusals()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, message);
        QFETCH(double, vi);
        QFETCH(double, freq);
        for (const auto& locale : {QLocale::c(), kItalian}) {
            QLocale::setDefault(locale);
            Model m;
            FakeForm1 f;
            fillDesign(f, texts);
            Command1_Click(m, f);
            QCOMPARE(f.messages, QStringList{message});
            QCOMPARE(m.MsgText, message);
            QCOMPARE(f.screenWrites, 0);
            QCOMPARE(m.Vi, vi);
            QCOMPARE(m.Freq, freq);
        }
    }

    void fieldTextReadsBackAsShown_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("small") << 0.000075 << "7.500E-05";
        QTest::newRow("huge exponent") << 1.5e200 << "1.500E+200";
    }
    void fieldTextReadsBackAsShown()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        for (const auto& locale : {QLocale::c(), kItalian}) {
            QLocale::setDefault(locale);
            QCOMPARE(FormatForField(value), text);
        }
    }
};

QTEST_GUILESS_MAIN(TestDesign)
#include "test_design.moc"
