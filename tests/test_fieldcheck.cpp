// The character check of the verification fields: which texts pass, which message a
// rejected one shows, and the flag it leaves.
#include "app/model.h"
#include "sim/fieldcheck.h"
#include "simfakes.h"

#include <QTest>

class TestFieldCheck : public QObject {
    Q_OBJECT
private slots:
    void check_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown"); // "", "empty" or "format"
        QTest::newRow("empty text") << "" << "empty";
        QTest::newRow("one blank is not empty") << " " << "format";
        QTest::newRow("decimal point") << "1.23" << "";
        QTest::newRow("negative exponent") << "1E-5" << "";
        QTest::newRow("lower-case exponent") << "5e3" << "";
        QTest::newRow("leading minus") << "-0.5" << "";
        QTest::newRow("leading plus") << "+7" << "";
        QTest::newRow("decimal comma") << "1,5" << "format";
        QTest::newRow("leading blank") << " 12" << "format";
        QTest::newRow("trailing blank") << "12 " << "format";
        QTest::newRow("d as exponent") << "1d3" << "format";
        QTest::newRow("D as exponent") << "1D3" << "format";
        QTest::newRow("two points") << "1.2.3" << "";
        QTest::newRow("two minus signs") << "--" << "";
        QTest::newRow("lone e") << "e" << "";
        QTest::newRow("lone point") << "." << "";
        QTest::newRow("signs and exponent only") << "+-E" << "";
        QTest::newRow("second exponent") << "5E3E" << "";
        QTest::newRow("letters") << "abc" << "format";
        QTest::newRow("arabic-indic digits") << QString::fromUtf8("\u0661\u0662") << "format";
        QTest::newRow("fullwidth digit") << QString::fromUtf8("\uFF15") << "format";
        QTest::newRow("superscript two") << QString::fromUtf8("10\u00B2") << "format";
        QTest::newRow("digit just below zero code") << "/" << "format";
        QTest::newRow("digit just above nine code") << ":" << "format";
        QTest::newRow("40000 digits") << QString(40000, u'9') << "";
        QTest::newRow("40000 digits, last one a letter") << QString(39999, u'9') + "x" << "format";
    }
    void check()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        Model m;
        m.MsgText = "vuoto";
        m.MsgBadFormat = "formato";
        m.InputError = 1; // left by an earlier failed check: must not block this one
        FakeMessages ui;
        CheckNumericField(m, text, ui);

        const QStringList expected = shown == "empty"    ? QStringList{"vuoto"}
                                     : shown == "format" ? QStringList{"formato"}
                                                         : QStringList{};
        QCOMPARE(ui.messages, expected);
        QCOMPARE(m.InputError, std::int16_t(shown.isEmpty() ? 0 : 1));
    }
};

QTEST_GUILESS_MAIN(TestFieldCheck)
#include "test_fieldcheck.moc"
