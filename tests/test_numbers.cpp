// Number reading, rounding and the shortest text of data that leaves the program.  How
// numbers are written for the windows is checked in every locale by test_design.
#include "app/numbers.h"

#include <QTest>

#include <cmath>

using OptionalInt = std::optional<std::int32_t>;
Q_DECLARE_METATYPE(OptionalInt)

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    // Every text of a row reads as `expected`, exactly (the conversion must be correctly
    // rounded); NaN: beyond the doubles, nothing is read.  The suite also runs under an
    // Italian C locale, where the C library would read "1.5" as 1.
    void parse_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<double>("expected");
        const QString zeros(400, u'0');
        QTest::newRow("digits, a plus, blanks anywhere, a unit after")
            << QStringList{"1234", "+1234", " 1 2\t3\n4V", zeros + "1234"} << 1234.0;
        QTest::newRow("minus sign") << QStringList{"-3", " - 3"} << -3.0;
        QTest::newRow("stops where the number cannot go on")
            << QStringList{"1,5", "1d3", "1.", "1.0.5", "1e", "1E+", "1x"} << 1.0;
        QTest::newRow("exponent of either case and sign") << QStringList{"1E3", "1e+3", "1E3E", ".1e4"} << 1000.0;
        QTest::newRow("negative exponent, point first") << QStringList{"1e-5", ".00001"} << 1e-5;
        QTest::newRow("no number at the start") << QStringList{"", "abc", ".", "e", "--1", "+-1", "\u0663"} << 0.0;
        QTest::newRow("below the smallest double")
            << QStringList{"1e-400", "0e99999", "0." + zeros + "1", QString(500, u'0') + "1e-450"} << 0.0;
        QTest::newRow("smallest denormal kept") << QStringList{"4.9e-324"} << 4.9e-324;
        QTest::newRow("largest double") << QStringList{"1.7976931348623157e308"} << 1.7976931348623157e308;
        QTest::newRow("beyond the largest double")
            << QStringList{"1E400", "-1e400", "1.8e308", QString(40000, u'9'), "1e999999999999999999999"} << qQNaN();
    }
    void parse()
    {
        QFETCH(QStringList, texts);
        QFETCH(double, expected);
        for (const QString& text : texts) {
            const auto value = ParseNumber(text);
            QVERIFY2(std::isnan(expected) ? !value : value && *value == expected, qPrintable(text.left(40)));
        }
    }

    // Data leaves the program as the shortest text that reads back to the same double:
    // the exponent only where it is shorter.
    void shortest()
    {
        QCOMPARE(QList<QByteArray>({shortestText(1234567), shortestText(100000), shortestText(0.0001), shortestText(1e21),
                                    shortestText(16.666666666666668), shortestText(-0.5)}),
                 QList<QByteArray>({"1234567", "1e+05", "1e-04", "1e+21", "16.666666666666668", "-0.5"}));
    }

    void round_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<OptionalInt>("expected"); // none: outside the 32-bit range
        QTest::newRow("half to even, down") << 2.5 << OptionalInt(2);
        QTest::newRow("half to even, up") << 3.5 << OptionalInt(4);
        QTest::newRow("negative half") << -2.5 << OptionalInt(-2);
        QTest::newRow("largest") << 2147483647.0 << OptionalInt(2147483647);
        QTest::newRow("smallest minus half rounds to even") << -2147483648.5 << OptionalInt(-2147483647 - 1);
        QTest::newRow("largest plus half overflows") << 2147483647.5 << OptionalInt();
        QTest::newRow("not a number") << qQNaN() << OptionalInt();
    }
    void round()
    {
        QFETCH(double, value);
        QFETCH(OptionalInt, expected);
        QVERIFY(RoundToInt32(value) == expected);
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "test_numbers.moc"
