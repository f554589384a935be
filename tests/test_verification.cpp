// The verification run through fake windows: the order of its phases, what each
// failed check leaves behind, and the summary boxes.
#include "app/model.h"
#include "sim/verification.h"
#include "fakeform1.h"
#include "simfakes.h"

#include <QLocale>
#include <QTest>

namespace {

// Records the order in which fields are read and painted, among the window's events.
class LoggingForm1 : public FakeForm1 {
public:
    explicit LoggingForm1(QStringList& events) : events_(events) {}
    QString text(Form1Field field) const override
    {
        events_ << QString("read %1").arg(int(field));
        return FakeForm1::text(field);
    }
    void setTextColour(Form1Field field, Rgb colour) override
    {
        if (colour == Colours::Black)
            events_ << QString("black %1").arg(int(field));
        FakeForm1::setTextColour(field, colour);
    }

private:
    QStringList& events_;
};

// The fields as the design calculation of the example leaves them.
void fillExample(FakeForm1& f)
{
    const QPair<int, QString> texts[] = {{7, "1.500E+01"}, {8, "4.000E+01"}, {12, "8.000E+01"},
                                         {9, "7.500E+01"}, {10, "1.250E+02"}, {11, "1.667E+01"},
                                         {13, "1000"},     {14, "10"},        {15, "5000"}};
    for (const auto& [field, text] : texts)
        f.texts[Form1Field(field)] = text;
}

// Applies edits of the form "12=80 kHz".
void edit(FakeForm1& f, const QStringList& edits)
{
    for (const QString& e : edits)
        f.texts[Form1Field(e.section('=', 0, 0).toInt())] = e.section('=', 1);
}

struct Run {
    Model m;
    FakeForm2 form2;
    LoggingForm1 form1{form2.events};

    Run(const QStringList& edits)
    {
        fillExample(form1);
        edit(form1, edits);
        m.Vi = m.D = m.Freq = m.L = m.C = m.RL = -1;
        m.N = m.NP = m.NI = -1;
        Command2_Click(m, form1, form2, nullptr);
    }

    QStringList changed() const
    {
        QStringList names;
        const QPair<const char*, double> values[] = {{"Vi", m.Vi}, {"D", m.D}, {"Freq", m.Freq},
                                                     {"L", m.L},   {"C", m.C}, {"RL", m.RL},
                                                     {"N", m.N},   {"NP", m.NP}, {"NI", m.NI}};
        for (const auto& [name, value] : values)
            if (value != -1)
                names << name;
        return names;
    }
    QStringList black() const
    {
        QStringList fields;
        for (auto it = form1.colours.begin(); it != form1.colours.end(); ++it)
            if (it.value() == Colours::Black)
                fields << QString::number(int(it.key()));
        return fields;
    }
};

QString badFormat(const char* quantity)
{
    return QString::fromUtf8("Errore di inserimento dati per %1. Puoi scrivere soltanto numeri razionali "
                             "con il punto come separatore decimale, anche in forma esponenziale. "
                             "Ad es: 1.23 , 1E-5 , 5E3")
        .arg(QString::fromUtf8(quantity));
}

const QStringList kAll = {"Vi", "D", "Freq", "L", "C", "RL", "N", "NP", "NI"};
const QStringList kConverterFields = {"7", "8", "9", "10", "11", "12"};

} // namespace

class TestVerification : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void stopsAtFirstFailure_data()
    {
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QString>("message"); // empty: the run completes without one
        QTest::addColumn<int>("inputError");
        QTest::addColumn<QStringList>("changed");
        QTest::addColumn<QStringList>("black");
        QTest::addColumn<bool>("obtained");
        QTest::newRow("converter fields all empty")
            << QStringList{"7=", "8=", "12=", "9=", "10=", "11="}
            << "Hai dimenticato di scrivere la tensione di ingresso Vi" << 1 << QStringList{}
            << QStringList{} << false;
        QTest::newRow("frequency with its unit")
            << QStringList{"12=80 kHz"} << badFormat("il valore della frequenza di commutazione f in kHz")
            << 1 << QStringList{} << QStringList{} << false;
        QTest::newRow("iterations with a stray letter")
            << QStringList{"15=5000x"} << badFormat("il numero di iterazioni NI") << 1
            << QStringList{} << QStringList{} << false;
        QTest::newRow("input voltage a lone point")
            << QStringList{"7=."} << "La tensione in ingresso non può essere zero o negativa!" << 0
            << QStringList{"Vi"} << QStringList{"7"} << false;
        QTest::newRow("input voltage beyond the double range")
            << QStringList{"7=1e400"}
            << "Il numero scritto per la tensione di ingresso Vi è troppo grande per essere rappresentato."
            << 0 << QStringList{} << QStringList{"7"} << false;
        QTest::newRow("duty cycle of one hundred per cent")
            << QStringList{"8=100"}
            << "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!" << 0
            << QStringList{"Vi", "D"} << QStringList{"7", "8"} << false;
        QTest::newRow("frequency overflowing in hertz")
            << QStringList{"12=1e306"}
            << "Il numero scritto per il valore della frequenza di commutazione f in kHz è troppo "
               "grande per essere rappresentato."
            << 0 << QStringList{"Vi", "D"} << QStringList{"7", "8", "12"} << false;
        QTest::newRow("samples beyond 32 bits")
            << QStringList{"13=3e9"}
            << "Il numero dei campioni N deve essere un intero compreso tra -2147483648 e 2147483647."
            << 0 << kAll.mid(0, 6) << kConverterFields << false;
        QTest::newRow("iterations beyond the double range")
            << QStringList{"15=1e999"}
            << "Il numero di iterazioni NI deve essere un intero compreso tra -2147483648 e 2147483647."
            << 0 << kAll.mid(0, 8) << kConverterFields << false;
        QTest::newRow("zero frequency reaches the simulation")
            << QStringList{"12=0"}
            << "La frequenza di commutazione f non può essere zero: il passo di simulazione non "
               "avrebbe un valore finito."
            << 0 << kAll << kConverterFields << true;
        QTest::newRow("example design completes")
            << QStringList{} << QString() << 0 << kAll << kConverterFields << true;
    }
    void stopsAtFirstFailure()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, message);
        QFETCH(int, inputError);
        QFETCH(QStringList, changed);
        QFETCH(QStringList, black);
        QFETCH(bool, obtained);
        Run run(edits);
        QCOMPARE(run.form1.messages, message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(run.m.InputError, std::int16_t(inputError));
        QCOMPARE(run.changed(), changed);
        QCOMPARE(run.black(), black);
        QCOMPARE(run.form2.obtained, obtained ? 1 : 0);
        QCOMPARE(run.form2.captions.size(), obtained ? 5 : 0);
        if (!message.isEmpty() && inputError == 0)
            QCOMPARE(run.m.MsgText, message);
    }

    // Every field's two messages, word for word, each reached with all fields before
    // it valid.
    void fieldMessages()
    {
        const QPair<int, const char*> quantities[] = {
            {7, "la tensione di ingresso Vi"},
            {8, "il valore del Duty Cycle in %"},
            {12, "il valore della frequenza di commutazione f in kHz"},
            {9, "il valore dell'induttanza in uH"},
            {10, "il valore della capacità in uF"},
            {11, "il valore della resistenza di carico RL in ohm"},
            {13, "il numero dei campioni N"},
            {14, "il numero dei periodi visualizzati NP"},
            {15, "il numero di iterazioni NI"}};
        for (const auto& [field, quantity] : quantities) {
            const QString forgotten = QString::fromUtf8("Hai dimenticato di scrivere ") + QString::fromUtf8(quantity);
            QCOMPARE(Run({QString("%1=").arg(field)}).form1.messages, QStringList{forgotten});
            QCOMPARE(Run({QString("%1=1,5").arg(field)}).form1.messages, QStringList{badFormat(quantity)});
        }
    }

    void phaseOrder()
    {
        Run run({});
        QStringList expected;
        for (int field : {7, 8, 12, 9, 10, 11, 13, 14, 15})
            expected << QString("read %1").arg(field);
        for (int field : {7, 8, 12, 9, 10, 11})
            expected << QString("read %1").arg(field) << QString("black %1").arg(field);
        expected << "read 13" << "read 14" << "read 15" << "obtain" << "clear" << "show" << "draw";
        for (Form2Summary box : {Form2Summary::Label2, Form2Summary::Label5, Form2Summary::Label8,
                                 Form2Summary::Label9, Form2Summary::Label16})
            expected << QString("caption %1").arg(int(box));
        QCOMPARE(run.form2.events, expected);
        QCOMPARE(run.form1.messages, QStringList{});
        QVERIFY(run.m.Drawn.valid);
    }

    void summaryBoxes_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C locale") << QLocale::c();
        QTest::newRow("Italian locale") << QLocale(QLocale::Italian, QLocale::Italy);
    }
    void summaryBoxes()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const QString separator = locale.decimalPoint();
        Run run({});
        const QStringList expected = {"9.98E-01", "5.98E+01", "3.00E+00", "1.50E+00", "2.50E+00"};
        QCOMPARE(run.form2.captions.values(), QStringList(expected).replaceInStrings(".", separator));
        QCOMPARE(run.m.Vi, 15.0);
        QCOMPARE(run.m.D, 40 * 0.01);
        QCOMPARE(run.m.Freq, 80000.0);
        QCOMPARE(run.m.L, 75 * 0.000001);
        QCOMPARE(run.m.C, 125 * 0.000001);
        QCOMPARE(run.m.RL, 16.67);

        // A refused run after it reuses the window and empties the boxes, whose figures
        // belonged to a plot that is gone.
        run.form1.texts[Form1Field::Text9] = "5";
        run.form1.texts[Form1Field::Text13] = "100";
        run.form1.texts[Form1Field::Text15] = "500";
        Command2_Click(run.m, run.form1, run.form2, nullptr);
        QCOMPARE(run.form2.obtained, 2);
        QCOMPARE(run.form2.clears, 2);
        QCOMPARE(run.form2.captions.values(), QStringList(5, QString()));
        QVERIFY(run.form1.messages.last().startsWith(QString::fromUtf8("Il Duty Cycle non può essere così basso")));
        QVERIFY(!run.m.Drawn.valid);
    }
};

QTEST_GUILESS_MAIN(TestVerification)
#include "test_verification.moc"
