// Both windows through their real widgets: the fixed layouts, the start states, the
// keyboard, the message box, where the waveform window appears, its retained plot and
// a cancelled progress.
#include "app/model.h"
#include "fakes.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/messagebox.h"
#include "ui/plotwidget.h"
#include "ui/simulationprogress.h"
#include "ui/uistyle.h"
#include "ui/waveformhost.h"
#include "ui/windowplacement.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

// A control of the main window or of the waveform window: its text, its place in
// pixels, its font size and, where the control paints one, its background colour
// (invalid: none checked).
struct Control { bool form2; const char* name; const char* text; QRect pixels; double points; QColor face = {}; };
Q_DECLARE_METATYPE(Control)

// A screen's available area, the main window's frame and its verification area on that
// screen; where the waveform window must go, if one place is right.
struct Placement { QRect screen, mainWindow, area; QPoint expected{-1, -1}; };
Q_DECLARE_METATYPE(Placement)

namespace {
// Two controls by name: side by side on purpose, or a caption and its field.
using Pair = std::pair<QString, QString>;

// The controls laid out in the window (not their inner parts), by name.
QList<QWidget*> laidOut(QWidget* window)
{
    QList<QWidget*> all;
    for (QWidget* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->objectName().isEmpty() && w->isVisibleTo(window))
            all << w;
    }
    return all;
}
} // namespace

class TestWindows : public QObject {
    Q_OBJECT

    Model model_;
    FakeMessages messages_;
    std::unique_ptr<WaveformHost> host_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;

private slots:
    // The texts are compared as the C locale writes them, whatever the machine's.
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        host_ = std::make_unique<WaveformHost>(model_, messages_);
        form1_ = std::make_unique<Form1>(model_, messages_, *host_);
        form2_ = std::make_unique<Form2>(model_, messages_);
        form2_->setAttribute(Qt::WA_DeleteOnClose, false); // owned by the test
    }
    void cleanup()
    {
        form2_.reset();
        form1_.reset();
        host_.reset();
    }

    // No two controls of a window cover each other, but for the few that the layout runs
    // into each other on purpose: a Δ and the text it precedes, and captions a pixel
    // apart.  Every caption fits its fixed width.
    void layoutInvariants()
    {
        const QList<Pair> touching{{"Label11", "Text4"},   {"Label12", "Label13"}, {"Label15", "Label16"},
                                   {"Label16", "Label19"}, {"Option3", "Label6"}};
        for (QWidget* window : {static_cast<QWidget*>(form1_.get()), static_cast<QWidget*>(form2_.get())}) {
            const QList<QWidget*> all = laidOut(window);
            for (QWidget* a : all) {
                for (QWidget* b : all) {
                    const Pair pair{a->objectName(), b->objectName()};
                    QVERIFY2(a >= b || !a->geometry().intersects(b->geometry()) || touching.contains(pair)
                                 || touching.contains({pair.second, pair.first}),
                             qPrintable(pair.first + " " + pair.second));
                }
                if (const auto* label = qobject_cast<QLabel*>(a)) {
                    const QFontMetrics fm(label->font());
                    QVERIFY2(fm.horizontalAdvance(label->text()) <= label->contentsRect().width()
                                 && fm.height() <= label->height(), qPrintable(label->text()));
                }
            }
        }
    }

    // Each caption stands level with its field or box: its middle within the field's height.
    void labelsLevelWithFields()
    {
        const QList<Pair> form1{
            {"Label3", "Text1"}, {"Label4", "Text1"}, {"Label5", "Text2"}, {"Label6", "Text2"}, {"Label7", "Text3"},
            {"Label8", "Text3"}, {"Label9", "Text4"}, {"Label11", "Text4"}, {"Label10", "Text4"}, {"Label12", "Text5"},
            {"Label13", "Text5"}, {"Label14", "Text5"}, {"Label17", "Text6"}, {"Label18", "Text6"}, {"Label20", "Label24"},
            {"Label21", "Label24"}, {"Label22", "Label25"}, {"Label23", "Label25"}, {"Label28", "Label26"},
            {"Label29", "Label26"}, {"Label31", "Label27"}, {"Label30", "Label27"}, {"Label33", "Label32"},
            {"Label34", "Label32"}, {"Label36", "Text7"}, {"Label37", "Text7"}, {"Label46", "Text12"},
            {"Label47", "Text12"}, {"Label38", "Text8"}, {"Label39", "Text8"}, {"Label40", "Text9"}, {"Label43", "Text9"},
            {"Label41", "Text10"}, {"Label44", "Text10"}, {"Label42", "Text11"}, {"Label45", "Text11"},
            {"Label48", "Text13"}, {"Label56", "Text13"}, {"Label49", "Text14"}, {"Label57", "Text14"},
            {"Label65", "Text15"}, {"Label66", "Text15"}, {"Label64", "Command2"}};
        const QList<Pair> form2{{"Label3", "Label2"}, {"Label4", "Label2"}, {"Label6", "Label5"}, {"Label7", "Label5"},
                                {"Label10", "Label8"}, {"Label11", "Label8"}, {"Label12", "Label9"},
                                {"Label13", "Label9"}, {"Label14", "Label16"}, {"Label15", "Label16"}};
        for (const auto& [window, pairs] : {std::pair<QWidget*, QList<Pair>>{form1_.get(), form1}, {form2_.get(), form2}}) {
            for (const auto& [label, field] : pairs) {
                const QRect f = window->findChild<QWidget*>(field)->geometry();
                const int middle = window->findChild<QWidget*>(label)->geometry().center().y();
                QVERIFY2(f.top() <= middle && middle <= f.bottom(), qPrintable(label + " " + field));
            }
        }
    }

    void controls_data()
    {
        QTest::addColumn<Control>("c");
        const auto row = [](const char* theme, const Control& c) { QTest::newRow(theme) << c; };
        row("title heading", {false, "Label2", "Convertitore Boost", {8, 8, 281, 33}, 18});
        row("delta before iL/Iim", {false, "Label9", "Δ", {704, 144, 9, 17}, 9.75});
        row("ohm at 12 pt", {false, "Label45", "[Ω]", {256, 560, 25, 17}, 12});
        row("legend with a doubled and a trailing blank",
            {false, "Label63", "Iim = corrente media, o continua,  in ingresso ", {688, 608, 297, 17}, 8.25});
        row("contact line, not bold", {false, "Label67", "Lab. Elettronica", {912, 648, 105, 19}, 8.25, UiStyle::kLightCyan});
        row("inductance result", {false, "Label24", "", {752, 296, 137, 25}, 8.25, UiStyle::kLightBlue});
        row("periods shown", {false, "Text14", "10", {360, 416, 129, 25}, 8.25, UiStyle::kLightPink});
        row("design button", {false, "Command1", "Calcola L , C , IDP, IDm , Iim", {728, 456, 193, 33}, 8.25,
                              UiStyle::kLightBlue});
        row("Vo option beside its band", {true, "Option3", "Vo(t)", {1024, 296, 49, 41}, 8.25});
        row("output ripple box", {true, "Label5", "", {1080, 328, 105, 25}, 8.25, Qt::white});
        row("instruction line", {true, "Label1", "Sposta il cursore del mouse sulla forma d'onda , comparirà il valore "
                                                 "in quel punto", {8, 632, 577, 25}, 9.75});
    }
    void controls()
    {
        QFETCH(Control, c);
        QWidget* window = c.form2 ? static_cast<QWidget*>(form2_.get()) : form1_.get();
        QWidget* w = window->findChild<QWidget*>(c.name);
        QVERIFY(w);
        QCOMPARE(w->property("text").toString(), QString(c.text));
        QCOMPARE(w->geometry(), c.pixels);
        QCOMPARE(w->font().pointSizeF(), c.points); // exact: a size given in the layout
        QCOMPARE(w->font().bold(), QByteArray(c.name) != "Label67");
        if (c.face.isValid())
            QCOMPARE(w->grab().toImage().pixelColor(4, w->height() / 2), c.face);
    }

    // Only the counts have texts at start, the tab key follows the original order, not
    // the screen's, and the focus rests on the picture; a new waveform window has
    // nothing selected, no hover text and the option captions in the trace colours.
    void startStates()
    {
        QStringList texts, chain;
        for (int n = 1; n <= 15; ++n)
            texts << form1_->findChild<QLineEdit*>(QString("Text%1").arg(n))->text();
        QCOMPARE(texts.join('|'), QString("||||||||||||1000|10|5000"));
        for (QWidget* w = form1_->nextInFocusChain(); w != form1_.get(); w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus)
                chain << w->objectName();
        }
        QCOMPARE(chain.join(' '), QString("Picture1 Text1 Text2 Text3 Text4 Text5 Text6 Command1 Text7 Text8 Text9 "
                                          "Text10 Text11 Text12 Command2 Text13 Text14 Command3 Picture2 Text15"));
        form1_->show();
        QVERIFY(QTest::qWaitForWindowActive(form1_.get()));
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("Picture1"));
        QCOMPARE(form1_->size(), QSize(1058, 683));

        QCOMPARE(form2_->windowTitle(), QString("Forme d'onda reali"));
        QCOMPARE(form2_->size(), QSize(1233, 685));
        QCOMPARE(form2_->selectedOption(), 0);
        QVERIFY(form2_->findChild<QWidget*>("Picture1")->toolTip().isEmpty());
        QCOMPARE(form2_->focusWidget()->objectName(), QString("Picture1"));
        QStringList colours;
        for (const QRadioButton* option : form2_->findChildren<QRadioButton*>())
            colours << option->palette().color(QPalette::ButtonText).name();
        QCOMPARE(colours, QStringList({"#ff0000", "#00ff00", "#0000ff", "#ff00ff", "#00ffff"}));
    }

    // Return and keypad Enter press the focused button, as Space does.
    void enterPressesButtons()
    {
        for (const auto& [button, key] : {std::pair{"Command3", Qt::Key_Return}, {"Command1", Qt::Key_Enter}}) {
            auto* target = form1_->findChild<QPushButton*>(button);
            target->setFocus();
            QTest::keyClick(target, key);
        }
        QCOMPARE(form1_->findChild<QLabel*>("Label24")->text(), QString("7.50E+01"));
        auto* option = form2_->findChild<QRadioButton*>("Option4");
        QTest::keyClick(option, Qt::Key_Return);
        QCOMPARE(form2_->selectedOption(), 4);
    }

    // Message boxes and the progress dialog are wide enough for a window manager to show
    // the whole title.  Annulla makes the run stop at the next period; the next run
    // starts afresh.
    void dialogs()
    {
        int width = 0;
        QTimer::singleShot(0, [&width] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            width = box->width();
            QCOMPARE(box->windowTitle(), QString("Convertitore Boost"));
            box->accept();
        });
        MessageBoxPort(form1_.get()).ShowMessage("Io non può essere negativa!");
        QVERIFY2(width >= UiStyle::titleBarWidth(), qPrintable(QString::number(width)));

        SimulationProgress progress(form1_.get());
        QVERIFY(progress.periodsDone(1, 100));
        QVERIFY(progress.dialog()->minimumWidth() >= UiStyle::titleBarWidth());
        progress.dialog()->findChild<QPushButton*>()->click();
        QVERIFY(!progress.periodsDone(2, 100));
        QVERIFY(progress.periodsDone(1, 100));
    }

    // Hiding, showing and repainting keep the drawing; only clearing empties it.
    void plotSurvivesRepaint()
    {
        form2_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form2_.get()));
        model_.NP = 2;
        model_.N = 4;
        model_.WaveIL = model_.WaveIC = model_.WaveVo = model_.WaveVL = model_.WaveID = {0, 1, 2, 1.5, 1, 0};
        model_.MaxIL = model_.MaxIC = model_.MaxVo = model_.MaxVL = 2;
        form2_->drawPlotFrame();
        form2_->drawTraces(model_);
        auto* picture = form2_->findChild<PlotWidget*>("Picture1");
        const QImage before = picture->grab().toImage();
        form2_->hide();
        form2_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form2_.get()));
        picture->repaint();
        QCOMPARE(picture->grab().toImage(), before);
        form2_->clearPlot();
        QVERIFY(picture->grab().toImage() != before);
        // Clearing the hover text takes a tip shown for it away.
        QToolTip::showText(picture->mapToGlobal(QPoint(5, 5)), "t= 1", picture);
        form2_->setHoverText({});
        QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 1000);
    }

    // While traces are drawn, the plot's actions save the window's picture as PNG or SVG
    // and the period as CSV, where the file dialog says; a file that cannot be written
    // gives one message naming it and leaves an existing one as it was.
    void exportActions()
    {
        const auto action = [this](const char* name) { return form2_->findChild<QAction*>(name); };
        QCOMPARE(action("SalvaImmagine")->shortcut(), QKeySequence("Ctrl+S"));
        QVERIFY(!action("SalvaImmagine")->isEnabled() && !action("EsportaDati")->isEnabled());
        model_.NP = model_.Drawn.NP = 2;
        model_.N = model_.Drawn.N = 4;
        model_.Drawn.valid = true;
        model_.Dt = 0.5;
        model_.WaveIL = model_.WaveIC = model_.WaveVo = model_.WaveVL = model_.WaveID = {0, 1, 2, 1.5, 1, 0};
        model_.MaxIL = model_.MaxIC = model_.MaxVo = model_.MaxVL = 2;
        form2_->drawTraces(model_);
        QVERIFY(action("CopiaImmagine")->isEnabled());
        QTemporaryDir dir;
        QString answer;
        form2_->setFileChooser([&answer](const QString&, const QString&, QString*) { return answer; });
        for (const char* name : {"f.png", "f.svg", "f.csv", "f"}) {
            answer = dir.filePath(name);
            action(QByteArray(name).endsWith("csv") ? "EsportaDati" : "SalvaImmagine")->trigger();
        }
        QCOMPARE(QImage(dir.filePath("f.png")).size(), form2_->size());
        QVERIFY(QFile(dir.filePath("f.svg")).size() > 1000 && QImage(dir.filePath("f.png")) == QImage(dir.filePath("f")));
        QFile csv(dir.filePath("f.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().split('\n').at(4), QByteArray("1.5,1,1,1,1,1"));
        QVERIFY(messages_.messages.isEmpty());
        answer = dir.filePath("gone/f.csv");
        action("EsportaDati")->trigger();
        QCOMPARE(messages_.messages, QStringList(QString("Impossibile salvare il file «%1»: la cartella %2 non esiste.")
                                                     .arg(answer, dir.filePath("gone"))));
        form2_->clearPlot();
        QVERIFY(!action("EsportaDati")->isEnabled());
    }

    // The waveform window goes on the screen, covering as little of the verification
    // area as any place on the screen would (found by trying every pixel), then as little
    // of the main window.  Its frame makes it 1235 × 712.
    void placement_data()
    {
        QTest::addColumn<Placement>("p");
        const QRect main(0, 0, 1060, 710), area(121, 410, 369, 250);
        const auto row = [](const char* theme, const Placement& p) { QTest::newRow(theme) << p; };
        row("full HD: beside the fields, in the free corner", {{0, 0, 1920, 1050}, main, area, {685, 338}});
        row("laptop: the fields cannot stay clear, the least is covered", {{0, 0, 1366, 740}, main, area, {131, 28}});
        row("main window on the right of a wide screen",
            {{0, 0, 3000, 1200}, main.translated(1900, 300), area.translated(1900, 300)});
        row("second screen right of the first", {{1920, 0, 1600, 1200}, main.translated(1920, 0), area.translated(1920, 0)});
        row("screen smaller than the window: its top-left corner", {{0, 0, 800, 600}, main, area, {0, 0}});
        row("the area clear at the cost of more of the main window",
            {{0, 0, 3000, 1050}, main.translated(1000, 0), {1000, 100, 260, 500}, {1765, 338}});
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
        for (int x = p.screen.left(); x + size.width() <= p.screen.right() + 1; ++x) {
            for (int y = p.screen.top(); y + size.height() <= p.screen.bottom() + 1; ++y)
                least = std::min(least, covered({x, y}));
        }
        QCOMPARE(covered(at), least);
        QVERIFY(p.screen.width() < size.width() || p.screen.contains(QRect(at, size)));
        if (p.expected.x() >= 0)
            QCOMPARE(at, p.expected);
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
