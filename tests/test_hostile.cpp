// Thousands of random actions, the model carried from one to the next: sound inputs
// with one or two fields replaced by extreme values, and pointer moves anywhere.  No
// exception escapes, an action shows one message exactly when it does not complete, and
// nothing shown reads "inf" or "nan".  The text readers themselves are fuzzed apart.
#include "app/model.h"
#include "design/design.h"
#include "fakes.h"
#include "plot/readout.h"
#include "sim/verification.h"

#include <QTest>

#include <cfloat>
#include <random>

namespace {
std::mt19937 rng;
int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

// Numbers of every magnitude and sign, the edges of the counts among them.
QString extremeText()
{
    static const QStringList edges{"", "0", "-0", "1E400", "1e-400", "4.9e-324", "1.7976931348623157e308", "2147483647",
                                   "2147483648", "-2147483649", "99.99", "100", "1001.5", "1,5", "."};
    if (below(3) == 0)
        return edges[below(int(edges.size()))];
    return QString::number(std::uniform_real_distribution<double>(-10, 10)(rng), 'g', 1 + below(17)) + "e"
           + QString::number(below(641) - 320);
}

QStringList withExtremes(QStringList sound)
{
    for (int i = 1 + below(2); i > 0; --i)
        sound[below(int(sound.size()))] = extremeText();
    return sound;
}

// Cancels a run once it has simulated more samples than a test can afford, so a huge
// N × NI ends through the same path as a student pressing "Annulla".
struct BoundedProgress : ProgressPort {
    const Model& m;
    explicit BoundedProgress(const Model& model) : m(model) {}
    bool periodsDone(std::int32_t done, std::int32_t) override { return std::int64_t(done) * m.N <= 3'000'000; }
};
} // namespace

class TestHostile : public QObject {
    Q_OBJECT
private slots:
    void randomActions()
    {
        for (const std::uint32_t seed : {1u, 2u, 3u}) {
            rng.seed(seed);
            Model m;
            FakeForm1 form1;
            FakeForm2 form2;
            form2.pixels = {997, 605}; // the plot's size bounds the drawing of huge NP × N
            for (int trial = 0; trial < 1500; ++trial) {
                form1.messages.clear();
                form1.screenWrites = 0;
                form2.captions.clear();
                QStringList texts;
                const int action = below(3);
                if (action == 0) {
                    texts = withExtremes({"15", "25", "80", "40", "60", "1.5"});
                    form1.fill(kDesignFields, texts);
                    Command1_Click(m, form1);
                    // A refused design writes nothing; a completed one writes its results.
                    QVERIFY2(form1.messages.size() == (form1.screenWrites > 0 ? 0 : 1), qPrintable(texts.join(" | ")));
                } else if (action == 1) {
                    texts = withExtremes({"15", "40", "80", "75", "125", "16.67", "100", "3", "500"});
                    form1.fill(kVerificationFields, texts);
                    BoundedProgress progress(m);
                    Command2_Click(m, form1, form2, &progress);
                    // The summary shows numbers only beside a plot that was drawn.
                    const bool completed = m.Drawn.valid && form2.captions.size() == 5;
                    for (const QString& caption : std::as_const(form2.captions))
                        QVERIFY2(caption.isEmpty() != completed, qPrintable(texts.join(" | ")));
                    QVERIFY2(form1.messages.size() == (completed ? 0 : 1), qPrintable(texts.join(" | ")));
                } else {
                    const float edges[] = {0.f, 0.05f, 0.1f, 10.f, 80.f, 100.f, -1e30f, FLT_MAX};
                    Picture1_MouseMove(m, form2, edges[below(8)], below(2) ? edges[below(8)] : float(below(121) - 10));
                    QVERIFY(form1.messages.isEmpty());
                }
                const QStringList shown = form1.messages + form1.texts.values() + form1.captions.values()
                                          + form2.captions.values() + QStringList{form2.hover};
                for (const QString& s : shown)
                    QVERIFY2(!s.contains("inf", Qt::CaseInsensitive) && !s.contains("nan", Qt::CaseInsensitive),
                             qPrintable(s + " after " + texts.join(" | ")));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestHostile)
#include "test_hostile.moc"
