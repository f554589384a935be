// Thousands of random and hostile texts through design, verification and readout, the
// model carried from one action to the next.  No exception escapes, an action shows one
// message exactly when it does not complete, and nothing shown reads "inf" or "nan".
#include "app/model.h"
#include "design/design.h"
#include "fakeform1.h"
#include "plot/readout.h"
#include "sim/verification.h"
#include "simfakes.h"

#include <QTest>

#include <cfloat>
#include <exception>
#include <random>

namespace {
// Cancels any run once it has simulated more samples than a test can afford, so a
// huge N × NI ends through the same path as a student pressing "Annulla".
struct BoundedProgress : ProgressPort {
    const Model& m;
    explicit BoundedProgress(const Model& model) : m(model) {}
    bool periodsDone(std::int32_t done, std::int32_t) override { return std::int64_t(done) * m.N <= 3'000'000; }
};

std::mt19937 rng;

int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
double uniform(double from, double to) { return std::uniform_real_distribution<double>(from, to)(rng); }

QString hostileText()
{
    static const QStringList fixed = QStringList{
        "", " ", "   ", "\t", "\n", "-0", "+0", "0", "1E400", "-1E400", "1e-400", "1e-320", "1.7976931348623157e308",
        "4.9e-324", "-", "+", ".", "e", "E", "+-.eE", "-.e+", "1,5", "1.2.3", "5E3E", "--5", "++5", "1e", "1e+",
        ".e5", "1d3", "1D3", "12 ", " 12", "é", "e\u0301", "\u0661\u0662", "\u00b2", "\uff11", "\U0001F600",
        QString(40000, u'9'), "0." + QString(40000, u'0') + "1", "2147483647", "2147483648", "-2147483649",
        "2147483647.5", "-2147483648.5", "1e10", "1e-10", "1e300", "1e-300", "99.99", "100", "0.0001", "50",
        "1000.5", "1001.5", "2.5"};
    static const QString jumble = "0123456789eE.-+ ,xé\u0301"; // the characters that matter
    QString s;
    switch (below(4)) {
    case 0:
        return fixed[below(int(fixed.size()))];
    case 1:
        for (int i = below(12); i > 0; --i)
            s += jumble[below(int(jumble.size()))];
        return s;
    case 2: { // a number of any magnitude and sign
        const double mantissa = uniform(-10, 10);
        return QString::number(mantissa, 'g', 1 + below(17)) + "e" + QString::number(below(641) - 320);
    }
    default: // a plausible value, so the later steps are reached too
        return QString::number(uniform(0, 200), 'g', 6);
    }
}

// Mostly sound converters, with one or two hostile fields among them.
QStringList withHostile(QStringList sound)
{
    for (int i = below(3); i > 0; --i)
        sound[below(int(sound.size()))] = hostileText();
    return sound;
}

float coordinate()
{
    static const float edges[] = {0.f, 0.05f, 0.1f, 10.f, 40.f, 60.f, 80.f, 100.f, -1e30f, 1e30f, FLT_MAX};
    return below(4) == 0 ? edges[below(11)] : float(uniform(-20, 120));
}
} // namespace

class TestHostile : public QObject {
    Q_OBJECT
private slots:
    void randomActions_data()
    {
        QTest::addColumn<std::uint32_t>("seed");
        for (std::uint32_t seed : {1u, 2u, 3u})
            QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed;
    }
    void randomActions()
    {
        QFETCH(std::uint32_t, seed);
        rng.seed(seed);
        Model m;
        FakeForm2 form2;
        form2.pixels = {997, 605}; // the plot's size bounds the drawing of huge NP × N
        FakeForm1 form1;
        for (int trial = 0; trial < 1500; ++trial) {
            const int action = below(3);
            QStringList texts;
            form1.messages.clear();
            form1.screenWrites = 0;
            form2.captions.clear();
            form2.hover.clear();
            try {
                if (action == 0) {
                    texts = withHostile({"15", "25", "80", "40", "60", "1.5"});
                    form1.fill(kDesignFields, texts);
                    Command1_Click(m, form1);
                    // A refused design writes nothing; a completed one writes its results.
                    QVERIFY2(form1.messages.isEmpty() ? form1.screenWrites > 0
                                                      : form1.messages.size() == 1 && form1.screenWrites == 0,
                             qPrintable(texts.join(" | ")));
                } else if (action == 1) {
                    texts = withHostile({"15", "40", "80", "75", "125", "16.67", "100", "3", "500"});
                    form1.fill(kVerificationFields, texts);
                    BoundedProgress progress(m);
                    Command2_Click(m, form1, form2, &progress);
                    // The summary shows numbers only beside a plot that was drawn.
                    const bool completed = m.Drawn.valid && form2.captions.size() == 5;
                    for (const QString& caption : std::as_const(form2.captions))
                        QVERIFY2(caption.isEmpty() != completed, qPrintable(texts.join(" | ")));
                    QVERIFY2(form1.messages.size() == (completed ? 0 : 1), qPrintable(texts.join(" | ")));
                } else {
                    const float x = coordinate(), y = coordinate();
                    Picture1_MouseMove(m, form2, x, y);
                    QVERIFY(form1.messages.isEmpty());
                }
            } catch (const std::exception& e) {
                QFAIL(qPrintable(QString("exception: %1 after %2").arg(e.what(), texts.join(" | "))));
            }
            const QStringList shown = form1.messages + form1.texts.values() + form1.captions.values()
                                      + form2.captions.values() + QStringList{form2.hover};
            // None of the typed texts reads "inf" or "nan" either.
            for (const QString& s : std::as_const(shown))
                QVERIFY2(!s.contains("inf", Qt::CaseInsensitive) && !s.contains("nan", Qt::CaseInsensitive),
                         qPrintable(s + " after " + texts.join(" | ")));
        }
    }
};

QTEST_GUILESS_MAIN(TestHostile)
#include "test_hostile.moc"
