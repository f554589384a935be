// Number reading, writing and rounding, under a C and an Italian locale.
#include "app/numbers.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain integer") << "15" << 15.0;
        QTest::newRow("leading blank, trailing unit") << " 12.5V" << 12.5;
        QTest::newRow("exponent") << "1E3" << 1000.0;
        QTest::newRow("lower-case exponent, negative") << "1e-5" << 1e-5;
        QTest::newRow("decimal comma stops the number") << "1,5" << 1.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("negative") << "-3" << -3.0;
        QTest::newRow("explicit plus") << "+7" << 7.0;
        QTest::newRow("blanks inside are skipped") << "1 2\t3\n4" << 1234.0;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("lone point") << "." << 0.0;
        QTest::newRow("lone e") << "e" << 0.0;
        QTest::newRow("two minus signs") << "--1" << 0.0;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("trailing point") << "7." << 7.0;
        QTest::newRow("dangling exponent") << "2e" << 2.0;
        QTest::newRow("dangling exponent sign") << "2e+" << 2.0;
        QTest::newRow("exponent then garbage") << "5E3E" << 5000.0;
        QTest::newRow("d is not an exponent") << "1d3" << 1.0;
        QTest::newRow("tiny underflows to zero") << "1e-400" << 0.0;
        QTest::newRow("denormal kept") << "4.9e-324" << 4.9e-324;
        QTest::newRow("zero with huge exponent") << "0e99999" << 0.0;
        QTest::newRow("largest double") << "1.7976931348623157e308" << 1.7976931348623157e308;
        QTest::newRow("arabic-indic digit is no digit") << QString::fromUtf8("\u0663") << 0.0;
        QTest::newRow("long digit string") << QString(400, u'0') + "1" << 1.0;
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        for (const auto& locale : {QLocale::c(), QLocale(QLocale::Italian, QLocale::Italy)}) {
            QLocale::setDefault(locale);
            const auto value = ParseNumber(text);
            QVERIFY(value.has_value());
            QCOMPARE(*value, expected); // exact: the conversion must be correctly rounded
        }
    }

    void parseOutOfRange_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("1E400") << "1E400";
        QTest::newRow("negative 1E400") << "-1e400";
        QTest::newRow("just above the largest double") << "1.8e308";
        QTest::newRow("40000 digits") << QString(40000, u'9');
        QTest::newRow("enormous exponent") << "1e999999999999999999999";
    }
    void parseOutOfRange()
    {
        QFETCH(QString, text);
        QVERIFY(!ParseNumber(text).has_value());
    }

    void format_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("pattern");
        QTest::addColumn<QString>("c");
        QTest::addColumn<QString>("italian");
        const int sci2 = int(NumberPattern::Sci2), sci3 = int(NumberPattern::Sci3),
                  fixed = int(NumberPattern::Fixed2);
        QTest::newRow("small") << 0.0005 << sci2 << "5.00E-04" << "5,00E-04";
        QTest::newRow("hundreds") << 123.4 << sci2 << "1.23E+02" << "1,23E+02";
        QTest::newRow("zero") << 0.0 << sci2 << "0.00E+00" << "0,00E+00";
        QTest::newRow("three decimals") << 0.001234 << sci3 << "1.234E-03" << "1,234E-03";
        QTest::newRow("rounded field value") << 16.666666666666668 << sci3 << "1.667E+01"
                                             << "1,667E+01";
        QTest::newRow("negative") << -6.666666666666667 << sci2 << "-6.67E+00" << "-6,67E+00";
        QTest::newRow("three exponent digits") << 1e100 << sci2 << "1.00E+100" << "1,00E+100";
        QTest::newRow("fixed") << 50.0 << fixed << "50.00" << "50,00";
        QTest::newRow("fixed, no grouping") << 1234.5 << fixed << "1234.50" << "1234,50";
    }
    void format()
    {
        QFETCH(double, value);
        QFETCH(int, pattern);
        QFETCH(QString, c);
        QFETCH(QString, italian);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(FormatNumber(value, NumberPattern(pattern)), c);
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        QCOMPARE(FormatNumber(value, NumberPattern(pattern)), italian);
    }

    void round_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<int>("expected");
        QTest::newRow("half to even, down") << 2.5 << true << 2;
        QTest::newRow("half to even, up") << 3.5 << true << 4;
        QTest::newRow("negative half") << -2.5 << true << -2;
        QTest::newRow("largest") << 2147483647.0 << true << 2147483647;
        QTest::newRow("smallest") << -2147483648.0 << true << int(-2147483647 - 1);
        QTest::newRow("smallest minus half rounds to even") << -2147483648.5 << true
                                                           << int(-2147483647 - 1);
        QTest::newRow("largest plus half overflows") << 2147483647.5 << false << 0;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << false << 0;
    }
    void round()
    {
        QFETCH(double, value);
        QFETCH(bool, fits);
        QFETCH(int, expected);
        const auto rounded = RoundToInt32(value);
        QCOMPARE(rounded.has_value(), fits);
        if (fits)
            QCOMPARE(*rounded, expected);
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "test_numbers.moc"
