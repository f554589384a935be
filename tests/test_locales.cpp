// Every locale Qt knows, through design, verification and readout: only the decimal
// separator follows the locale.  Digits, "E" and signs stay ASCII, so the texts the
// design writes into the verification fields read back, and the figures shown are the
// ones a student can read and type again.
#include "app/model.h"
#include "app/numbers.h"
#include "design/design.h"
#include "fakeform1.h"
#include "plot/readout.h"
#include "sim/fieldcheck.h"
#include "sim/verification.h"
#include "simfakes.h"

#include <QTest>

class TestLocales : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void everyLocale_data()
    {
        QTest::addColumn<QStringList>("design");   // Text1..Text6
        QTest::addColumn<QStringList>("fields");   // Text7, Text8, Text12, Text9, Text10, Text11
        QTest::addColumn<QStringList>("captions"); // L, C, IDP, IDm, Iim with a point
        QTest::newRow("worked example") << QStringList{"15", "25", "80", "40", "60", "1.5"}
                                        << QStringList{"1.500E+01", "4.000E+01", "8.000E+01", "7.500E+01",
                                                       "1.250E+02", "1.667E+01"}
                                        << QStringList{"7.50E+01", "1.25E+02", "3.00E+00", "1.50E+00", "2.50E+00"};
        QTest::newRow("capacitance below one microfarad")
            << QStringList{"15", "25", "80", "40", "60000", "1.5"}
            << QStringList{"1.500E+01", "4.000E+01", "8.000E+01", "7.500E+01", "1.250E-01", "1.667E+01"}
            << QStringList{"7.50E+01", "1.25E-01", "3.00E+00", "1.50E+00", "2.50E+00"};
    }
    void everyLocale()
    {
        QFETCH(QStringList, design);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, captions);
        QString summaryC, hoverC; // as the C locale writes them
        QList<QLocale> locales{QLocale::c()};
        locales << QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        for (const QLocale& locale : std::as_const(locales)) {
            QLocale::setDefault(locale);
            const QString point = locale.decimalPoint();
            const auto withPoint = [&](QString text) { return text.replace(point, "."); };
            const QByteArray name = locale.name().toUtf8();

            Model m;
            FakeForm1 form1;
            form1.fill(kDesignFields, design);
            Command1_Click(m, form1);
            QStringList shown;
            for (const QString& caption : form1.captions)
                shown << withPoint(caption);
            QVERIFY2(form1.messages.isEmpty() && shown == captions, name + ": " + shown.join(' ').toUtf8());
            for (qsizetype i = 0; i < fields.size(); ++i) {
                const QString text = form1.texts.value(kVerificationFields[i]);
                FakeMessages checked;
                CheckNumericField(m, text, checked);
                QVERIFY2(text == fields[i] && checked.messages.isEmpty(), name + ": " + text.toUtf8());
            }

            form1.fill(std::span(kVerificationFields).last(3), {"100", "10", "200"});
            FakeForm2 form2;
            Command2_Click(m, form1, form2, nullptr);
            QString summary;
            for (const QString& caption : std::as_const(form2.captions))
                summary += withPoint(caption) + ' ';
            Picture1_MouseMove(m, form2, 25, 89);
            const QString hover = withPoint(form2.hover);
            if (summaryC.isEmpty())
                summaryC = summary, hoverC = hover;
            QVERIFY2(form1.messages.isEmpty() && summary == summaryC && hover == hoverC,
                     name + ": " + (form1.messages.join(' ') + summary + hover).toUtf8());
        }
        QVERIFY2(hoverC.startsWith("t= 31.25usec ; iL(t) = "), qPrintable(summaryC + hoverC));
    }
};

QTEST_GUILESS_MAIN(TestLocales)
#include "test_locales.moc"
