// The waveform window through its real widgets: a representative part of the layout,
// the start state, the retained plot and a cancelled progress.
#include "app/model.h"
#include "plot/plot.h"
#include "ui/form2.h"
#include "ui/plotwidget.h"
#include "ui/simulationprogress.h"
#include "ui/uistyle.h"
#include "ui/windowplacement.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

// textColour invalid: the default colour.
struct Control { const char* name; QRect twips; const char* caption; QColor textColour = {}; };
Q_DECLARE_METATYPE(Control)

// A screen's available area, the main window's frame and its verification area on that
// screen; where the waveform window (1235 × 712 with its frame) must go, if one place
// is right.
struct Placement { QRect screen, mainWindow, area; QPoint expected{-1, -1}; };
Q_DECLARE_METATYPE(Placement)

class TestForm2 : public QObject {
    Q_OBJECT

    Model model_;
    std::unique_ptr<Form2> form_;

private slots:
    void init()
    {
        form_ = std::make_unique<Form2>(model_);
        form_->setAttribute(Qt::WA_DeleteOnClose, false); // owned by the test
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanup() { form_.reset(); }

    void controls_data()
    {
        QTest::addColumn<Control>("c");
        const auto row = [](const char* theme, const Control& c) { QTest::newRow(theme) << c; };
        row("legend iL red", {"Option1", {15360, 720, 975, 375}, "iL(t)", QColor(255, 0, 0)});
        row("legend id cyan", {"Option5", {15360, 8280, 735, 255}, "id(t)", QColor(0, 255, 255)});
        row("ripple Vo box", {"Label5", {16200, 4920, 1575, 375}, ""});
        row("input mean caption", {"Label14", {13680, 9840, 2655, 255}, "Ii media o continua in ingresso"});
        row("instruction line", {"Label1", {120, 9480, 8655, 375},
                                 "Sposta il cursore del mouse sulla forma d'onda , comparirà il valore in quel punto"});
        row("plot area", {"Picture1", {120, 120, 15015, 9135}, ""});
    }
    void controls()
    {
        QFETCH(Control, c);
        auto* w = form_->findChild<QWidget*>(c.name);
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->geometry(), UiStyle::twips(c.twips.x(), c.twips.y(), c.twips.width(), c.twips.height()));
        QCOMPARE(w->property("text").toString(), QString(c.caption));
        QVERIFY(!c.textColour.isValid() || w->palette().color(w->foregroundRole()) == c.textColour);
    }

    // A new window: nothing selected, no hover text, the blank picture holder hidden
    // and the focus on the plot.
    void startState()
    {
        QCOMPARE(form_->windowTitle(), QString("Forme d'onda reali"));
        QCOMPARE(form_->size(), QSize(1233, 685));
        for (const QRadioButton* option : form_->findChildren<QRadioButton*>())
            QVERIFY(!option->isChecked());
        QVERIFY(form_->findChild<QWidget*>("Picture1")->toolTip().isEmpty());
        QVERIFY(!form_->findChild<QWidget*>("Picture2")->isVisible());
        QCOMPARE(form_->focusWidget(), form_->findChild<QWidget*>("Picture1"));
    }

    // Hiding, showing and repainting keep the drawing; only clear() empties it.
    void plotSurvivesRepaint()
    {
        model_.NP = 2;
        model_.N = 4;
        model_.WaveIL = model_.WaveIC = model_.WaveVo = model_.WaveVL = model_.WaveID = {0, 1, 2, 1.5, 1, 0};
        model_.MaxIL = model_.MaxIC = model_.MaxVo = model_.MaxVL = 2;
        DrawPlotFrame(form_->plot());
        DrawTraces(model_, form_->plot());
        auto* picture = form_->findChild<PlotWidget*>("Picture1");
        const QImage before = picture->grab().toImage();
        form_->hide(), form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        picture->repaint();
        QCOMPARE(picture->grab().toImage(), before);
        form_->plot().clear();
        QVERIFY(picture->grab().toImage() != before);
    }

    // On the screen, and covering as little of the verification area as any place on
    // the screen would (found by trying every pixel), then as little of the main window.
    void placement_data()
    {
        QTest::addColumn<Placement>("p");
        const QRect mainAtCorner(0, 0, 1060, 710), areaAtCorner(121, 410, 369, 250);
        QTest::newRow("full HD: beside the fields, in the free corner")
            << Placement{{0, 0, 1920, 1050}, mainAtCorner, areaAtCorner, {685, 338}};
        QTest::newRow("laptop: the fields cannot stay clear, the least is covered")
            << Placement{{0, 0, 1366, 740}, mainAtCorner, areaAtCorner, {131, 28}};
        QTest::newRow("main window on the right of a wide screen")
            << Placement{{0, 0, 3000, 1200}, mainAtCorner.translated(1900, 300), areaAtCorner.translated(1900, 300)};
        QTest::newRow("second screen to the right of the first")
            << Placement{{1920, 0, 1600, 1200}, mainAtCorner.translated(1920, 0), areaAtCorner.translated(1920, 0)};
        QTest::newRow("screen smaller than the window: its top-left corner")
            << Placement{{0, 0, 800, 600}, mainAtCorner, areaAtCorner, {0, 0}};
    }
    void placement()
    {
        QFETCH(Placement, p);
        const QSize size(1235, 712);
        const QPoint at = placeClearOf(p.screen, size, p.area, p.mainWindow);
        const auto covered = [&](QPoint topLeft) {
            const QRect both = QRect(topLeft, size).intersected(p.area);
            return both.isEmpty() ? 0 : both.width() * both.height();
        };
        int least = covered(p.screen.topLeft());
        for (int x = p.screen.left(); x + size.width() <= p.screen.right() + 1; ++x)
            for (int y = p.screen.top(); y + size.height() <= p.screen.bottom() + 1; ++y)
                least = std::min(least, covered({x, y}));
        QCOMPARE(covered(at), least);
        if (p.screen.width() >= size.width())
            QVERIFY(p.screen.contains(QRect(at, size)));
        if (p.expected.x() >= 0)
            QCOMPARE(at, p.expected);
    }

    // Return selects the focused waveform option, as Space does.
    void enterSelectsOption()
    {
        auto* option = form_->findChild<QRadioButton*>("Option4");
        option->setFocus();
        QTest::keyClick(option, Qt::Key_Return);
        QCOMPARE(form_->selectedOption(), 4);
    }

    // Annulla makes the run stop at the next period; the next run starts afresh.
    void progressCancel()
    {
        SimulationProgress progress(form_.get());
        QVERIFY(progress.periodsDone(1, 100));
        QVERIFY(progress.dialog()->minimumWidth() >= UiStyle::titleBarWidth());
        progress.dialog()->findChild<QPushButton*>()->click();
        QVERIFY(!progress.periodsDone(2, 100));
        QVERIFY(progress.periodsDone(1, 100));
    }
};

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
