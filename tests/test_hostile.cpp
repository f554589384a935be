// Thousands of random and hostile field texts through the design calculation, the
// verification run and the cursor readout, with the model carried from one action to
// the next as a student would.  Whatever is typed: no exception escapes, an action
// shows at most one message and exactly one when it does not complete, and nothing
// shown reads "inf" or "nan".
#include "app/model.h"
#include "design/design.h"
#include "fakeform1.h"
#include "plot/readout.h"
#include "sim/verification.h"
#include "simfakes.h"

#include <QTest>

#include <exception>
#include <limits>
#include <random>

namespace {

// Cancels any run once it has simulated more samples than a test can afford, so a
// huge N × NI ends through the same path as a student pressing "Annulla".
class BoundedProgress : public ProgressPort {
public:
    explicit BoundedProgress(const Model& m) : m_(m) {}
    bool periodsDone(std::int32_t done, std::int32_t) override
    {
        return std::int64_t(done) * m_.N <= 3'000'000;
    }

private:
    const Model& m_;
};

class Hostile {
public:
    explicit Hostile(std::uint32_t seed) : rng_(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    QString text()
    {
        static const QStringList fixed = {
            "", " ", "   ", "\t", "\n", "-0", "+0", "0", "1E400", "-1E400", "1e-400", "1e-320",
            "1.7976931348623157e308", "4.9e-324", "-", "+", ".", "e", "E", "+-.eE", "-.e+",
            "1,5", "1.2.3", "5E3E", "--5", "++5", "1e", "1e+", ".e5", "1d3", "1D3", "12 ",
            " 12", QString::fromUtf8("é"), QString::fromUtf8("e\u0301"),
            QString::fromUtf8("\u0661\u0662"), QString::fromUtf8("\u00b2"),
            QString::fromUtf8("\uff11"), QString::fromUtf8("\U0001F600"), QString(40000, u'9'),
            "0." + QString(40000, u'0') + "1", "2147483647", "2147483648", "-2147483649",
            "2147483647.5", "-2147483648.5", "1e10", "1e-10", "1e300", "1e-300", "99.99",
            "100", "0.0001", "50", "1000.5", "1001.5", "2.5"};
        switch (below(4)) {
        case 0:
            return fixed[below(int(fixed.size()))];
        case 1: { // a random jumble of the characters that matter
            static const QString alphabet = QString::fromUtf8("0123456789eE.-+ ,xé\u0301");
            QString s;
            for (int i = below(12); i > 0; --i)
                s += alphabet[below(int(alphabet.size()))];
            return s;
        }
        case 2: { // a number of any magnitude and sign
            const double mantissa = std::uniform_real_distribution<double>(-10, 10)(rng_);
            return QString::number(mantissa, 'g', 1 + below(17)) + "e" + QString::number(below(641) - 320);
        }
        default: // a plausible value, so the later steps are reached too
            return QString::number(std::uniform_real_distribution<double>(0, 200)(rng_), 'g', 6);
        }
    }

    // Mostly sound converters, with one or two hostile fields among them.
    QStringList designTexts()
    {
        QStringList t = {"15", "25", "80", "40", "60", "1.5"};
        for (int i = below(3); i > 0; --i)
            t[below(6)] = text();
        return t;
    }
    QStringList verificationTexts()
    {
        QStringList t = {"15", "40", "80", "75", "125", "16.67", "100", "3", "500"};
        for (int i = below(3); i > 0; --i)
            t[below(9)] = text();
        return t;
    }
    float coordinate()
    {
        static const float edges[] = {0.f, 0.05f, 0.1f, 10.f, 40.f, 60.f, 80.f, 100.f,
                                      -1e30f, 1e30f, std::numeric_limits<float>::max()};
        return below(4) == 0 ? edges[below(11)]
                             : std::uniform_real_distribution<float>(-20, 120)(rng_);
    }

private:
    std::mt19937 rng_;
};

const Form1Field kDesignFields[] = {Form1Field::Text1, Form1Field::Text2, Form1Field::Text3,
                                    Form1Field::Text4, Form1Field::Text5, Form1Field::Text6};
// In the order the verification run reads them.
const Form1Field kVerificationFields[] = {
    Form1Field::Text7,  Form1Field::Text8,  Form1Field::Text12, Form1Field::Text9,  Form1Field::Text10,
    Form1Field::Text11, Form1Field::Text13, Form1Field::Text14, Form1Field::Text15};

bool readsAsNonNumber(const QString& shown)
{
    return shown.contains("inf", Qt::CaseInsensitive) || shown.contains("nan", Qt::CaseInsensitive);
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT
private slots:
    void randomActions_data()
    {
        QTest::addColumn<std::uint32_t>("seed");
        QTest::newRow("seed 1") << 1u;
        QTest::newRow("seed 2") << 2u;
        QTest::newRow("seed 3") << 3u;
    }
    void randomActions()
    {
        QFETCH(std::uint32_t, seed);
        Hostile gen(seed);
        Model m;
        FakeForm2 form2;
        form2.pixels = {997, 605}; // the plot's size bounds the drawing of huge NP × N
        FakeForm1 form1;
        for (int trial = 0; trial < 1500; ++trial) {
            const int action = gen.below(3);
            QStringList texts;
            form1.messages.clear();
            form1.screenWrites = 0;
            form2.captions.clear();
            form2.hover.clear();
            try {
                if (action == 0) {
                    texts = gen.designTexts();
                    for (int i = 0; i < 6; ++i)
                        form1.texts[kDesignFields[i]] = texts[i];
                    Command1_Click(m, form1);
                    const bool completed = form1.messages.isEmpty();
                    // A refused design writes nothing; a completed one writes its results.
                    QVERIFY2(completed ? form1.screenWrites > 0
                                       : form1.messages.size() == 1 && form1.screenWrites == 0,
                             qPrintable(texts.join(" | ")));
                } else if (action == 1) {
                    texts = gen.verificationTexts();
                    for (int i = 0; i < 9; ++i)
                        form1.texts[kVerificationFields[i]] = texts[i];
                    BoundedProgress progress(m);
                    Command2_Click(m, form1, form2, &progress);
                    // The summary shows numbers only beside a plot that was drawn.
                    const bool completed = m.Drawn.valid && form2.captions.size() == 5;
                    for (const QString& caption : std::as_const(form2.captions))
                        QVERIFY2(caption.isEmpty() != completed, qPrintable(texts.join(" | ")));
                    QVERIFY2(form1.messages.size() == (completed ? 0 : 1),
                             qPrintable(texts.join(" | ")));
                } else {
                    const float x = gen.coordinate(), y = gen.coordinate();
                    Picture1_MouseMove(m, form2, x, y);
                    QVERIFY(form1.messages.isEmpty());
                }
            } catch (const std::exception& e) {
                QFAIL(qPrintable(QString("exception: %1 after %2").arg(e.what(), texts.join(" | "))));
            }
            QStringList shown = form1.messages;
            shown += form1.texts.values();
            shown += form1.captions.values();
            shown += form2.captions.values();
            shown << form2.hover;
            // None of the typed texts reads "inf" or "nan" either.
            for (const QString& s : std::as_const(shown))
                QVERIFY2(!readsAsNonNumber(s), qPrintable(s + " after " + texts.join(" | ")));
        }
    }
};

QTEST_GUILESS_MAIN(TestHostile)
#include "test_hostile.moc"
