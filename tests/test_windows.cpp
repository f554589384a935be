// Both windows through their real widgets, driven by their objectNames: the fixed
// layouts, the start states, the keyboard, the dialogs, the retained plot and its
// export actions, where the waveform window appears, and the worked example from the
// buttons to the pointer.  Messages go to a recorder instead of modal boxes; pointer
// events go through the window system to the window aimed at.
#define QTEST_QPA_MOUSE_HANDLING
#include "app/model.h"
#include "fakes.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/formanello.h"
#include "ui/formavvio.h"
#include "ui/formdinamica.h"
#include "ui/formreale.h"
#include "ui/messagebox.h"
#include "ui/plotwidget.h"
#include "ui/simulationprogress.h"
#include "ui/uistyle.h"
#include "ui/waveformhost.h"
#include "ui/windowplacement.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>

#include <numbers>

// A control of the main window or of the waveform window: its text, its place in
// pixels, its font size and, where the control paints one, its background colour.
struct Control { bool form2; const char* name; const char* text; QRect pixels; double points; QColor face = {}; };
// A screen's available area, the main window's frame and its verification area on that
// screen; where the waveform window must go.
struct Placement { QRect screen, mainWindow, area; QPoint expected; };
Q_DECLARE_METATYPE(Control)
Q_DECLARE_METATYPE(Placement)

namespace {
using Pair = std::pair<QString, QString>; // two controls by name

// Of the pixels of a trace colour in `area` of `a` (at least a hundred of them), the
// share that have a pixel of that colour within one pixel in `b`.  A pixel is of the
// colour when its full channels stand above its empty ones: well above in `a`, so that
// the faint fringe of a line a renderer smooths is not asked for, and a little in `b`,
// so that such a fringe still answers.
double nearlyCovered(const QImage& a, const QImage& b, const QRect& area, QColor colour)
{
    const auto of = [colour](QRgb pixel, int margin) {
        int on = 255, off = 0;
        for (const auto& [channel, full] : {std::pair{qRed(pixel), colour.red()}, {qGreen(pixel), colour.green()},
                                            {qBlue(pixel), colour.blue()}})
            full ? on = std::min(on, channel) : off = std::max(off, channel);
        return on - off > margin;
    };
    int found = 0, all = 0;
    for (int y = area.top() + 1; y < area.bottom(); ++y) {
        for (int x = area.left() + 1; x < area.right(); ++x) {
            if (!of(a.pixel(x, y), 120))
                continue;
            ++all;
            bool hit = false;
            for (int dy = -1; dy <= 1 && !hit; ++dy)
                for (int dx = -1; dx <= 1 && !hit; ++dx)
                    hit = of(b.pixel(x + dx, y + dy), 40);
            found += hit;
        }
    }
    return all < 100 ? 0 : double(found) / all;
}

// The first label of `window` whose text does not fit it, wrapped or on one line; empty
// when every one fits.
// The Bode plot's scale labels beside their own bands: every phase label ("-90°")
// below every magnitude label ("40 dB"), the magnitude drawn above the phase.
bool scalesBesideTheirBands(const QWidget* window)
{
    const QRegularExpression phase("^-?\\d+°$"), magnitude("^-?\\d+ dB");
    int lowestMagnitude = -1, highestPhase = 1 << 30, phases = 0, magnitudes = 0;
    for (const QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->isVisible())
            continue;
        const int y = l->geometry().center().y();
        if (phase.match(l->text()).hasMatch())
            highestPhase = std::min(highestPhase, y), ++phases;
        if (magnitude.match(l->text()).hasMatch())
            lowestMagnitude = std::max(lowestMagnitude, y), ++magnitudes;
    }
    return phases >= 3 && magnitudes >= 3 && highestPhase > lowestMagnitude;
}

QString clippedLabel(const QWidget* window)
{
    for (const QLabel* l : window->findChildren<QLabel*>()) {
        const bool fits = l->wordWrap() ? l->heightForWidth(l->width()) <= l->height()
                                        : l->fontMetrics().horizontalAdvance(l->text()) <= l->contentsRect().width();
        if (!fits)
            return l->text();
    }
    return {};
}

// Presses "Annulla" in the progress dialog as soon as it is shown.
void cancelWhenShown()
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll] {
        if (auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
            dialog->cancel();
            poll->deleteLater();
        }
    });
    poll->start(10);
}

// A converter that settles only after about a million periods.
const Model::SimulatedRun kSlow{true, 15, 0.4, 80000, 750e-6, 12500e-6, 16.67, 1000, 100000000};

// Runs that each show a modal dialog over the main window, as a long run's dialog once
// stood: closing it hands the activation back to the main window.
struct ShownProgress : ProgressPort {
    QProgressDialog dialog;
    explicit ShownProgress(QWidget* over) : dialog(over) { dialog.setWindowModality(Qt::ApplicationModal); }
    bool advanced(const RunProgress&) override
    {
        dialog.show();
        return true;
    }
    void finished() override { dialog.hide(); }
};
} // namespace

class TestWindows : public QObject {
    Q_OBJECT

    Model model_;
    FakeMessages messages_;
    std::unique_ptr<WaveformHost> host_;
    std::unique_ptr<Form1> form1_;

    Form2* form2() const { return host_->current(); }
    template <class W = QWidget>
    W* in1(const char* name) const { return form1_->findChild<W*>(name); }
    template <class W = QWidget>
    W* in2(const char* name) const { return form2()->findChild<W*>(name); }
    void click(const char* button) { QTest::mouseClick(in1<QPushButton>(button), Qt::LeftButton); }
    QString summary() const
    {
        QString texts;
        for (const char* name : {"Label2", "Label5", "Label8", "Label9", "Label16"})
            texts += in2<QLabel>(name)->text() + ' ';
        return texts;
    }
    // The control window of the run just made, opened with Ctrl+L in the waveform window.
    FormAnello* openLoop()
    {
        QTest::keyClick(form2(), Qt::Key_L, Qt::ControlModifier);
        return host_->loop();
    }
    // A field of the control window typed as a student would, then "Calcola".
    void typeAndCalculate(FormAnello* window, const char* name, const char* typed)
    {
        auto* f = window->findChild<QLineEdit*>(name);
        f->selectAll();
        QTest::keyClicks(f, typed);
        QTest::mouseClick(window->findChild<QPushButton*>("Calcola"), Qt::LeftButton);
    }
    // The worked example's averaged operating point with the bench's parts but rL:
    // Vo = (Vi − D'·VF)·D'·RL / (rL + D·Ron + D'·RD + D'·Rp·(D'·RL + rC)), Rp = RL/(RL + rC).
    static double averagedVo(double rL)
    {
        const double Rp = 16.67 / (16.67 + 0.05);
        return (15 - 0.6 * 0.5) * 0.6 * 16.67 / (rL + 0.4 * 0.05 + 0.6 * 0.02 + 0.6 * Rp * (0.6 * 16.67 + 0.05));
    }
    // The texts of the control window's table of figures, in order.
    static QStringList figures(const FormAnello* window)
    {
        QStringList texts;
        for (int i = 1; const auto* l = window->findChild<QLabel*>(QString("Figura%1").arg(i)); ++i)
            texts << l->text();
        return texts;
    }
    // The worked example designed, then verified: the waveform window with its plot.
    void workedExample()
    {
        click("Command3");
        click("Command1");
        click("Command2");
        QVERIFY(form2() && QTest::qWaitForWindowActive(form2()));
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); // the students' own
        model_ = Model{};
        messages_.messages.clear();
        host_ = std::make_unique<WaveformHost>(model_, messages_);
        form1_ = std::make_unique<Form1>(model_, messages_, *host_,
                                         [this] { return std::make_unique<ShownProgress>(form1_.get()); });
        form1_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form1_.get()));
        host_->obtainForm2();
    }
    void cleanup()
    {
        form1_.reset();
        host_.reset();
    }

    // No two controls of a window cover each other, but for those the layout runs into
    // each other on purpose (a Δ and its text, captions a pixel apart); every caption
    // fits its width; each caption stands level with its field or box.
    void layout()
    {
        const QList<Pair> touching{{"Label11", "Text4"},   {"Label12", "Label13"}, {"Label15", "Label16"},
                                   {"Label16", "Label19"}, {"Option3", "Label6"}};
        for (QWidget* window : {static_cast<QWidget*>(form1_.get()), static_cast<QWidget*>(form2())}) {
            const QList<QWidget*> all = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (QWidget* a : all) {
                for (QWidget* b : all) {
                    const Pair pair{a->objectName(), b->objectName()};
                    QVERIFY2(a >= b || !a->isVisibleTo(window) || !b->isVisibleTo(window)
                                 || !a->geometry().intersects(b->geometry()) || touching.contains(pair)
                                 || touching.contains({pair.second, pair.first}),
                             qPrintable(pair.first + " " + pair.second));
                }
                if (const auto* label = qobject_cast<QLabel*>(a))
                    QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
                             qPrintable(label->text()));
            }
        }
        const QList<Pair> level{
            {"Label3", "Text1"},    {"Label4", "Text1"},    {"Label5", "Text2"},    {"Label6", "Text2"},
            {"Label7", "Text3"},    {"Label8", "Text3"},    {"Label9", "Text4"},    {"Label11", "Text4"},
            {"Label10", "Text4"},   {"Label12", "Text5"},   {"Label13", "Text5"},   {"Label14", "Text5"},
            {"Label17", "Text6"},   {"Label18", "Text6"},   {"Label20", "Label24"}, {"Label21", "Label24"},
            {"Label22", "Label25"}, {"Label23", "Label25"}, {"Label28", "Label26"}, {"Label29", "Label26"},
            {"Label31", "Label27"}, {"Label30", "Label27"}, {"Label33", "Label32"}, {"Label34", "Label32"},
            {"Label36", "Text7"},   {"Label37", "Text7"},   {"Label46", "Text12"},  {"Label47", "Text12"},
            {"Label38", "Text8"},   {"Label39", "Text8"},   {"Label40", "Text9"},   {"Label43", "Text9"},
            {"Label41", "Text10"},  {"Label44", "Text10"},  {"Label42", "Text11"},  {"Label45", "Text11"},
            {"Label48", "Text13"},  {"Label56", "Text13"},  {"Label49", "Text14"},  {"Label57", "Text14"},
            {"Label65", "Text15"},  {"Label66", "Text15"},  {"Label64", "Command2"}};
        const QList<Pair> level2{{"Label3", "Label2"},  {"Label4", "Label2"},  {"Label6", "Label5"},
                                 {"Label7", "Label5"},  {"Label10", "Label8"}, {"Label11", "Label8"},
                                 {"Label12", "Label9"}, {"Label13", "Label9"}, {"Label14", "Label16"},
                                 {"Label15", "Label16"}};
        for (const auto& [window, pairs] : {std::pair<QWidget*, QList<Pair>>{form1_.get(), level}, {form2(), level2}}) {
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
        row("ohm at 12 pt", {false, "Label45", "[Ω]", {256, 560, 25, 17}, 12});
        row("legend with a doubled and a trailing blank",
            {false, "Label63", "Iim = corrente media, o continua,  in ingresso ", {688, 608, 297, 17}, 8.25});
        row("contact line, not bold", {false, "Label67", "Lab. Elettronica", {912, 648, 105, 19}, 8.25, UiStyle::kLightCyan});
        row("periods shown", {false, "Text14", "10", {360, 416, 129, 25}, 8.25, UiStyle::kLightPink});
        row("design button", {false, "Command1", "Calcola L , C , IDP, IDm , Iim", {728, 456, 193, 33}, 8.25,
                              UiStyle::kLightBlue});
        row("Vo option beside its band", {true, "Option3", "Vo(t)", {1024, 296, 49, 41}, 8.25});
        row("instruction line", {true, "Label1", "Sposta il cursore del mouse sulla forma d'onda , comparirà il valore "
                                                 "in quel punto", {8, 632, 577, 25}, 9.75});
    }
    void controls()
    {
        QFETCH(Control, c);
        QWidget* w = c.form2 ? in2(c.name) : in1(c.name);
        QCOMPARE(w->property("text").toString(), QString(c.text));
        QCOMPARE(w->geometry(), c.pixels);
        QCOMPARE(w->font().pointSizeF(), c.points); // exact: a size given in the layout
        QCOMPARE(w->font().bold(), QByteArray(c.name) != "Label67");
        if (c.face.isValid())
            QCOMPARE(w->grab().toImage().pixelColor(4, w->height() / 2), c.face);
    }

    // Only the counts have texts at start, the tab key follows the original order, not
    // the screen's, and the focus rests on the picture; a new waveform window has
    // nothing selected and the option captions in the trace colours.
    void startStates()
    {
        QStringList texts, chain, colours;
        for (int n = 1; n <= 15; ++n)
            texts << in1<QLineEdit>(qPrintable(QString("Text%1").arg(n)))->text();
        QCOMPARE(texts.join('|'), QString("||||||||||||1000|10|5000"));
        for (QWidget* w = form1_->nextInFocusChain(); w != form1_.get(); w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus)
                chain << w->objectName();
        }
        QCOMPARE(chain.join(' '), QString("Picture1 Text1 Text2 Text3 Text4 Text5 Text6 Command1 Text7 Text8 Text9 "
                                          "Text10 Text11 Text12 Command2 Text13 Text14 Command3 Picture2 Text15"));
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("Picture1"));
        QVERIFY(form1_->size() == QSize(1058, 683) && form2()->size() == QSize(1233, 685));
        QCOMPARE(form2()->windowTitle(), QString("Forme d'onda reali"));
        QCOMPARE(form2()->windowIcon().availableSizes(), QList<QSize>({{16, 16}, {32, 32}, {48, 48}, {64, 64}}));
        QCOMPARE(form2()->selectedOption(), 0);
        for (const QRadioButton* option : form2()->findChildren<QRadioButton*>())
            colours << option->palette().color(QPalette::ButtonText).name();
        QCOMPARE(colours, QStringList({"#ff0000", "#00ff00", "#0000ff", "#ff00ff", "#00ffff"}));
    }

    // Return and keypad Enter press the focused button, as Space does.
    void enterPressesButtons()
    {
        for (const auto& [button, key] : {std::pair{"Command3", Qt::Key_Return}, {"Command1", Qt::Key_Enter}}) {
            in1(button)->setFocus();
            QTest::keyClick(in1(button), key);
        }
        QCOMPARE(in1<QLabel>("Label24")->text(), QString("7,50E+01"));
        QTest::keyClick(in2("Option4"), Qt::Key_Return);
        QCOMPARE(form2()->selectedOption(), 4);
        // Held down, the key presses once: the refusal of an emptied field comes once.
        in1<QLineEdit>("Text1")->clear();
        for (const bool repeated : {false, true, true}) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), repeated);
            QApplication::sendEvent(in1("Command1"), &press);
        }
        QCOMPARE(messages_.messages, QStringList("La tensione in ingresso non può essere zero o negativa!"));
    }

    // Message boxes and the progress dialog are wide enough for a window manager to show
    // the whole title.  Annulla makes the run stop at the next period; the next run
    // starts afresh.
    void dialogs()
    {
        int width = 0;
        QTimer::singleShot(0, [&width] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            width = box->windowTitle() == "Convertitore Boost" ? box->width() : 0;
            box->accept();
        });
        MessageBoxPort(form1_.get()).ShowMessage("Io non può essere negativa!");
        QVERIFY2(width >= UiStyle::titleBarWidth(), qPrintable(QString::number(width)));
    }

    // A long run's dialog stands over the waveform window the student waits on, with
    // the program's title.  Until the states repeat its bar is busy and it counts the
    // periods; then the bar runs over what is left.  Annulla stops the run at the next
    // period; the next run starts afresh; the end of a run takes the dialog away.
    void progressDialog()
    {
        SimulationProgress progress([this] { return form2(); });
        const auto after = [&progress](qint64 ms, const RunProgress& p) {
            QTest::qWait(int(ms));
            return progress.advanced(p);
        };
        QVERIFY(progress.advanced({1, 100000}) && !progress.dialog()); // too early to tell
        QVERIFY(after(60, {20, 100000, 1000000, 10}) && progress.dialog());
        QProgressDialog* dialog = progress.dialog();
        QVERIFY(dialog->isVisible() && dialog->parentWidget() == form2());
        QCOMPARE(dialog->windowTitle(), QString("Convertitore Boost"));
        QVERIFY(dialog->minimumWidth() >= UiStyle::titleBarWidth());
        QVERIFY(after(40, {30, 100000}));
        QCOMPARE(dialog->maximum(), 0); // busy: nobody knows the end
        QVERIFY(dialog->findChild<QLabel*>()->text().startsWith(QString("Periodi simulati: 30 su 100\u00A0000.\n")));
        QVERIFY(after(40, {750, 100000, 1000, 500, true}));
        QVERIFY(dialog->maximum() == 1000 && dialog->value() == 500);
        QVERIFY(dialog->findChild<QLabel*>()->text().contains("si ripete"));
        dialog->findChild<QPushButton*>()->click();
        QVERIFY(!after(40, {751, 100000, 1000, 500, true}));
        QVERIFY(progress.advanced({1, 100000})); // a new run
        progress.finished();
        QVERIFY(!progress.dialog());
    }

    // The result boxes of both windows can be selected and copied; in the waveform
    // window Ctrl+C copies the selected value, or the picture when none is.  A screen
    // reader hears each box by its label, and the plot as the waveform selected, the
    // bands and the five values.
    void valuesToCopyAndHear()
    {
        const auto spoken = [](QWidget* w, QAccessible::Text kind) {
            return QAccessible::queryAccessibleInterface(w)->text(kind);
        };
        auto* picture = in2<PlotWidget>("Picture1");
        QVERIFY(spoken(picture, QAccessible::Description).contains("Il grafico è vuoto"));
        workedExample();
        QClipboard* clipboard = QGuiApplication::clipboard();
        for (const auto& [window, box, text, name] :
             {std::tuple<QWidget*, const char*, const char*, const char*>{form1_.get(), "Label24", "7,50E+01", "Induttanza L, in µH"},
              {form1_.get(), "Label32", "2,50E+00", "Corrente media in ingresso Iim, in A"},
              {form2(), "Label2", "9,98E-01", "Delta iL, in A"},
              {form2(), "Label16", "2,50E+00", "Ii media o continua in ingresso, in A"}}) {
            auto* label = window->findChild<QLabel*>(QString(box));
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::mouseClick(label, Qt::LeftButton);
            QVERIFY2(label->hasFocus(), box);
            QTest::keyClick(label, Qt::Key_End, Qt::ShiftModifier);
            QTest::keyClick(label, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(clipboard->text(), QString(text));
            QCOMPARE(spoken(label, QAccessible::Name), QString(name));
        }
        in2<QLabel>("Label2")->setSelection(0, 0);
        QTest::keyClick(in2("Label2"), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->image().size(), form2()->size());
        // The box's own menu copies the whole value when nothing is selected.
        QCOMPARE(in1("Label25")->contextMenuPolicy(), Qt::ActionsContextMenu);
        in1("Label25")->findChild<QAction*>("Copia")->trigger();
        QCOMPARE(clipboard->text(), QString("1,25E+02"));
        in1<QLabel>("Label25")->setSelection(0, 4);
        in1("Label25")->findChild<QAction*>("Copia")->trigger();
        QCOMPARE(clipboard->text(), QString("1,25"));

        const QRect in = picture->contentsRect();
        QTest::mouseMove(picture, in.topLeft() + QPoint(in.width() / 2, in.height() / 2)); // the Vo band
        const QString heard = spoken(picture, QAccessible::Description);
        QCOMPARE(spoken(picture, QAccessible::Name), QString("Grafico delle forme d'onda reali"));
        for (const char* part : {"Forma d'onda selezionata: tensione in uscita Vo, traccia blu.", "ripetuto 10 volte",
                                 "corrente nell'induttore iL, traccia rossa;", "corrente nel diodo id, traccia ciano.",
                                 "Delta iL = 9,98E-01 A. Delta Vo = 5,98E+01 mV. Id picco = 3,00E+00 A. "
                                 "Id media = 1,50E+00 A. Ii media o continua in ingresso = 2,50E+00 A."})
            QVERIFY2(heard.contains(part), qPrintable(heard));
    }

    // "Copia il valore esatto" copies a result in full, as the fields read it back: L
    // pasted into its verification field, "Grafici" takes it.  The summary boxes give
    // theirs too, while they show a value.
    void exactValueGoesBack()
    {
        click("Command3");
        click("Command1");
        QClipboard* clipboard = QGuiApplication::clipboard();
        const auto exact = [this](QWidget* window, const char* box) {
            return window->findChild<QLabel*>(box)->findChild<QAction*>("CopiaValoreEsatto");
        };
        exact(form1_.get(), "Label24")->trigger();
        const double designed = model_.L; // µH, as the design leaves it
        QCOMPARE(clipboard->text().toDouble(), designed); // every bit: the shortest text that reads back to it
        auto* field = in1<QLineEdit>("Text9");
        field->selectAll();
        field->paste();
        QCOMPARE(field->text(), clipboard->text());
        click("Command2");
        QCOMPARE(messages_.messages, QStringList());
        QCOMPARE(model_.L, designed * 0.000001);
        exact(form2(), "Label2")->trigger();
        QCOMPARE(clipboard->text().toDouble(), model_.SimDeltaiL);
        in1<QLineEdit>("Text12")->setText("0");
        click("Command2");
        QVERIFY(!exact(form2(), "Label2")->isEnabled() && exact(form1_.get(), "Label24")->isEnabled());
    }

    // Example data, design, verification and a readout by the pointer; the plot kept
    // through hiding and repainting; a refused run clears the figures and the hover
    // text; a closed waveform window comes back fresh.
    void fromButtonsToPointer()
    {
        workedExample();
        QCOMPARE(in1<QLineEdit>("Text9")->text(), QString("7.500E+01")); // fields always carry a point
        QCOMPARE(messages_.messages, QStringList());
        QCOMPARE(summary(), QString("9,98E-01 5,98E+01 3,00E+00 1,50E+00 2,50E+00 "));
        for (const char* field : {"Text9", "Text12"})
            QCOMPARE(in1(field)->palette().color(QPalette::Text), QColor(Qt::black));
        // A point in the iL band, a quarter across: x = 25, y = 89 of the 0..100 plot.
        auto* picture = in2<PlotWidget>("Picture1");
        const QRect in = picture->contentsRect();
        QTest::mouseMove(picture, in.topLeft() + QPoint(qRound(0.25 * (in.width() - 1)), qRound(0.11 * (in.height() - 1))));
        QVERIFY2(picture->toolTip().startsWith("t= 31,25usec ; iL(t) = ") && QToolTip::isVisible(),
                 qPrintable(picture->toolTip()));
        QVERIFY(in2<QRadioButton>("Option1")->isChecked());
        // With a button held the pointer is followed past the plot's edge, to times
        // before the first period.
        const QPointF beyond(in.left() - 20, in.top() + 0.11 * (in.height() - 1));
        QMouseEvent drag(QEvent::MouseMove, beyond, picture->mapToGlobal(beyond), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(picture, &drag);
        QVERIFY2(picture->toolTip().startsWith("t= -"), qPrintable(picture->toolTip()));
        const QImage drawn = picture->grab().toImage();
        form2()->hide();
        form2()->show();
        QVERIFY(QTest::qWaitForWindowExposed(form2()));
        QCOMPARE(picture->grab().toImage(), drawn);

        // The inductor current of a far too small inductance reaches zero: one message, and
        // neither the boxes nor the pointer show figures of a plot that is gone.
        for (const auto& [field, text] : {std::pair{"Text9", "5"}, {"Text13", "100"}, {"Text15", "500"}})
            in1<QLineEdit>(field)->setText(text);
        click("Command2");
        const QString refused = "Il Duty Cycle non può essere così basso, la corrente nell'induttore non può "
                                "annullarsi, prova ad aumentare L ( anche di molto )!";
        QCOMPARE(messages_.messages, QStringList(refused));
        QCOMPARE(summary(), QString(5, u' '));
        // Then the emptied plot says where that converter can be seen.
        const auto* hint = in2<QLabel>("SuggerimentoAvvio");
        QVERIFY(hint->isVisibleTo(form2()) && hint->text().contains("«Avvio del convertitore» (Ctrl+T"));
        QVERIFY(picture->grab().toImage() != drawn && picture->toolTip().isEmpty());
        QToolTip::showText(picture->mapToGlobal(QPoint(5, 5)), "t= 1", picture);
        form2()->setHoverText({}); // as the run does when it clears the plot
        QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 1000);

        QVERIFY(form2()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form2());
        click("Command2");
        QVERIFY(form2() && form2()->isVisible() && form2()->selectedOption() == 0);
    }

    // While traces are drawn, the plot's actions copy the window's picture, save it as PNG
    // or SVG and the period as CSV where the file dialog says, adding the type's suffix
    // unless the name ends with it in any case; a file that cannot be written gives one
    // message naming it.
    void exportActions()
    {
        const auto action = [this](const char* name) { return form2()->findChild<QAction*>(name); };
        QVERIFY(!action("SalvaImmagine")->isEnabled() && !action("EsportaDati")->isEnabled());
        workedExample();
        in2("Option3")->setFocus();
        QTest::keyClick(form2(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->image().size(), form2()->size());
        QCOMPARE(QApplication::focusWidget(), in2("Option3")); // the picture leaves the focus where it was
        // The file type chosen in the dialog, unless the name says another.
        QTemporaryDir dir;
        QString answer, type;
        QStringList proposed;
        form2()->setFileChooser([&](const QString& name, const QString&, QString* chosen) {
            proposed << name;
            *chosen = type;
            return answer;
        });
        const QString png = "Immagine PNG (*.png)", svg = "Immagine SVG (*.svg)", csv = "Dati CSV (*.csv)";
        for (const auto& [name, chosen] :
             {std::pair{"a", png}, {"b", svg}, {"c.SVG", png}, {"d.Png", svg}, {"e", csv}, {"g.CSV", csv}}) {
            std::tie(answer, type) = std::pair(dir.filePath(name), chosen);
            action(chosen == csv ? "EsportaDati" : "SalvaImmagine")->trigger();
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
                 QStringList({"a.png", "b.svg", "c.SVG", "d.Png", "e.csv", "g.CSV"}));
        QCOMPARE(proposed.mid(3, 2), QStringList({"forme-d-onda.png", "forme-d-onda.csv"}));
        QVERIFY(QImage(dir.filePath("a.png")).size() == form2()->size() && QImage(dir.filePath("d.Png")).size() == form2()->size());
        // The SVG draws each trace where the picture shows it: nearly every pixel of a
        // trace's colour in one has a pixel of that colour within one pixel in the other.
        QImage fromSvg(form2()->size(), QImage::Format_RGB32);
        fromSvg.fill(Qt::white);
        QPainter painter(&fromSvg);
        QSvgRenderer(dir.filePath("b.svg")).render(&painter);
        painter.end();
        const QImage shown = QImage(dir.filePath("a.png")).convertToFormat(QImage::Format_RGB32);
        const auto* plot = in2<PlotWidget>("Picture1");
        const QRect area(plot->mapTo(form2(), plot->contentsRect().topLeft()), plot->contentsRect().size());
        for (const QColor colour : {Qt::red, Qt::green, Qt::blue, Qt::magenta, Qt::cyan}) {
            const double both = nearlyCovered(shown, fromSvg, area, colour);
            const double back = nearlyCovered(fromSvg, shown, area, colour);
            QVERIFY2(both > 0.97 && back > 0.97, qPrintable(QString("%1: %2 %3").arg(colour.name()).arg(both).arg(back)));
        }
        QFile data(dir.filePath("e.csv"));
        QVERIFY(data.open(QIODevice::ReadOnly) && data.readAll().count('\n') == 1001);
        answer = dir.filePath("gone/f.csv");
        action("EsportaDati")->trigger();
        QCOMPARE(messages_.messages, QStringList(QString("Impossibile salvare il file «%1»: la cartella %2 non esiste.")
                                                     .arg(answer, dir.filePath("gone"))));
        in1<QLineEdit>("Text12")->setText("0");
        click("Command2");
        QVERIFY(!action("CopiaImmagine")->isEnabled());
    }

    // A refused field keeps the main window in front, with that field ready to be
    // typed again; the waveform window and its plot stay behind as they were.
    void refusedFieldStaysInFront()
    {
        workedExample();
        const QImage drawn = in2<PlotWidget>("Picture1")->grab().toImage();
        form1_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form1_.get()));
        for (const auto& [field, text] : {std::pair{"Text9", "7a5"}, {"Text8", "0"}}) {
            in1<QLineEdit>(field)->setText(text);
            in1("Command2")->setFocus();
            click("Command2");
            QCOMPARE(messages_.messages.size(), 1);
            messages_.messages.clear();
            QVERIFY2(QApplication::activeWindow() == form1_.get(), field);
            QCOMPARE(QApplication::focusWidget(), in1(field));
            QCOMPARE(in1<QLineEdit>(field)->selectedText(), QString(text));
            in1<QLineEdit>(field)->setText(field == QString("Text9") ? "7.500E+01" : "4.000E+01");
        }
        QCOMPARE(in2<PlotWidget>("Picture1")->grab().toImage(), drawn);
    }

    // A plot drawn again after its window has moved to a screen of twice the pixel
    // density is drawn at that density, not scaled up from the old one.
    void plotFollowsItsScreen()
    {
        workedExample();
        auto* picture = in2<PlotWidget>("Picture1");
        QCOMPARE(picture->pixelSize(), picture->contentsRect().size());
        QScreen* dense = QGuiApplication::screens().at(1);
        form2()->windowHandle()->setScreen(dense);
        form2()->move(dense->geometry().topLeft());
        QTRY_COMPARE(form2()->devicePixelRatioF(), 2.0);
        click("Command2");
        QCOMPARE(picture->pixelSize(), picture->contentsRect().size() * 2);
    }

    // The save dialog opens in the folder where the student last saved that kind of
    // file, pictures and data each their own, also in a window made anew.
    void saveDialogRemembersFolders()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().remove("cartelle");
        // The first time, pictures go to the Pictures folder and data to Documents.
        const QString picturesHome = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        const QString documentsHome = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(QDir().mkpath(picturesHome) && QDir().mkpath(documentsHome));
        QTemporaryDir pictures, data;
        workedExample();
        QStringList opened;
        const auto answer = [&opened](const QString& path) {
            QTimer::singleShot(0, [&opened, path] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                opened << (dialog ? dialog->directory().absolutePath() : QString());
                if (dialog) {
                    dialog->selectFile(path);
                    QMetaObject::invokeMethod(dialog, "accept");
                }
            });
        };
        const auto action = [this](const char* name) { form2()->findChild<QAction*>(name)->trigger(); };
        answer(pictures.filePath("a.png"));
        action("SalvaImmagine");
        answer(data.filePath("b.csv"));
        action("EsportaDati");
        QVERIFY(form2()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        click("Command2");
        answer(pictures.filePath("c.svg"));
        action("SalvaImmagine");
        answer(data.filePath("d.csv"));
        action("EsportaDati");
        QCOMPARE(opened, QStringList({QDir(picturesHome).absolutePath(), QDir(documentsHome).absolutePath(), pictures.path(),
                                      data.path()}));
        QVERIFY(QFile::exists(pictures.filePath("c.svg")) && QFile::exists(data.filePath("d.csv")));
        QSettings().remove("cartelle");
    }

    // The start-up window: "Avvio del convertitore…" (Ctrl+T) in the waveform window
    // opens it after a run that drew its traces, and after one refused because the
    // current reached zero, which it then shows; one window, however often it is asked
    // for.  A run the simulation refuses takes the action away.
    void startupWindow()
    {
        const auto startup = [this] { return form2()->findChild<QAction*>("AvvioConvertitore"); };
        QVERIFY(!startup()->isEnabled());
        workedExample();
        QVERIFY(startup()->isEnabled());
        QTest::keyClick(form2(), Qt::Key_T, Qt::ControlModifier);
        FormAvvio* window = host_->startup();
        QVERIFY(window && window->isVisible() && window->objectName() == "FormAvvio");
        QCOMPARE(window->windowTitle(), QString("Avvio del convertitore"));
        const auto text = [&window](const char* name) { return window->findChild<QLabel*>(name)->text(); };
        QCOMPARE(text("Figura1"), QString("Picco della corrente nell'induttore: 3,33E+01 A al periodo 22"));
        QCOMPARE(text("Figura3"), QString("Conduzione discontinua: 116 periodi, dal 43 al 158"));
        QCOMPARE(text("Figura4"), QString("A regime entro ±1 %: dal periodo 753 (t = 9,40 ms)"));
        QVERIFY(text("Figura5").contains("troppo breve"));
        QVERIFY(text("Label3").startsWith("Nel grafico: i primi 3012 periodi di 5000 (37,65 ms)"));
        QVERIFY(QGuiApplication::screens().first()->availableGeometry().contains(window->frameGeometry()));
        auto* plot = window->findChild<PlotWidget*>("GraficoAvvio");
        QTest::mouseMove(plot, plot->contentsRect().center());
        QVERIFY2(plot->toolTip().startsWith("t = 18,") && plot->toolTip().contains(" A ; Vo: "), qPrintable(plot->toolTip()));
        // The time is the pointer's across, whatever its height: a quarter of 37,65 ms.
        const QRect inner = plot->contentsRect();
        QTest::mouseMove(plot, inner.topLeft() + QPoint(inner.width() / 4, inner.height() / 8));
        QVERIFY2(plot->toolTip().startsWith("t = 9,4"), qPrintable(plot->toolTip()));
        // Each band's scale: zero, half and full (50 A and 50 V for the worked example).
        QStringList scale;
        for (const QLabel* l : window->findChildren<QLabel*>()) {
            if (l->geometry().right() < plot->geometry().left() && !l->text().contains('['))
                scale << l->text();
        }
        scale.sort();
        QCOMPARE(scale, QStringList({"0", "0", "2,50E+01", "2,50E+01", "5,00E+01", "5,00E+01"}));
        QVERIFY(QAccessible::queryAccessibleInterface(plot)->text(QAccessible::Description).contains("al periodo 22"));

        QTemporaryDir dir;
        window->setFileChooser([&dir](const QString&, const QString&, QString*) { return dir.filePath("avvio"); });
        window->findChild<QAction*>("EsportaDati")->trigger();
        QFile csv(dir.filePath("avvio.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readLine(), QByteArray("periodo,t [s],iL min [A],iL max [A],Vo min [V],Vo max [V],Vo inizio [V],discontinuo\n"));
        QCOMPARE(csv.readAll().count('\n'), 5000); // the whole run, though 3012 periods are drawn

        for (const auto& [field, value] : {std::pair{"Text9", "5"}, {"Text13", "100"}, {"Text15", "500"}})
            in1<QLineEdit>(field)->setText(value);
        click("Command2");
        QCOMPARE(messages_.messages.size(), 1); // the current reaches zero
        // The open window follows the run at once, without Ctrl+T.
        QVERIFY(text("Figura3").startsWith("Conduzione discontinua: ") && text("Figura3").endsWith(" al 500"));
        QVERIFY(startup()->isEnabled());
        startup()->trigger();
        QCOMPARE(host_->startup(), window);
        // Refused before the simulation, or by it: the picture stays, marked as showing
        // the values before; a run that reaches the simulation takes the mark away.
        const auto* stale = window->findChild<QLabel*>("ValoriPrecedenti");
        const QString inputs = text("Label2");
        for (const auto& [field, value, marked] : {std::tuple{"Text9", "7a5", true}, {"Text9", "5", false}, {"Text12", "0", true}}) {
            in1<QLineEdit>(field)->setText(value);
            click("Command2");
            QVERIFY2(stale->isVisibleTo(window) == marked && text("Label2") == inputs, value);
        }
        QVERIFY(stale->text().startsWith("Valori precedenti") && !startup()->isEnabled());
    }

    // The start-up window grows with the plot; the wheel zooms the time about the
    // pointer, a drag selects a span, a double click and "Mostra tutto" return to the
    // whole; each time the part shown is reduced to the plot's pixel columns again, and
    // the scales and the pointer's reading follow it.
    void startupZoom()
    {
        workedExample();
        QTest::keyClick(form2(), Qt::Key_T, Qt::ControlModifier);
        FormAvvio* window = host_->startup();
        auto* plot = window->findChild<PlotWidget*>("GraficoAvvio");
        const SampleSpan whole = window->view()->shown;
        const QSize before = plot->size();
        window->resize(window->size() + QSize(200, 100));
        QCOMPARE(plot->size(), before + QSize(200, 100));
        QCOMPARE(int(window->view()->columns.size()), plot->pixelSize().width());
        QCOMPARE(window->view()->shown, whole);
        const QRect inner = plot->contentsRect();
        const QPoint middle = inner.center();
        QTest::mouseMove(plot, middle);
        const QString atMiddle = plot->toolTip().section(" ;", 0, 0);
        QVERIFY(atMiddle.startsWith("t = "));
        QWheelEvent wheel(middle, plot->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(plot, &wheel);
        QCOMPARE(window->view()->shown.count(), std::llround(whole.count() * 0.8));
        QTest::mouseMove(plot, middle + QPoint(0, 1));
        QCOMPARE(plot->toolTip().section(" ;", 0, 0), atMiddle); // the time under the pointer stays there
        // A drag over the last tenth: the steady ripple, Vo's scale no longer from zero.
        const auto x = [&](double share) { return QPoint(inner.left() + int(share * inner.width()), middle.y()); };
        QTest::mousePress(plot, Qt::LeftButton, {}, x(0.9));
        QTest::mouseRelease(plot, Qt::LeftButton, {}, x(0.99));
        const SampleSpan dragged = window->view()->shown;
        QVERIFY2(std::abs(dragged.count() - window->view()->spanSamples() * 0.8 * 0.09) < 0.01 * dragged.count(),
                 qPrintable(QString::number(dragged.count())));
        QVERIFY(window->findChild<QLabel*>("Label3")->text().startsWith("Nel grafico: da 3"));
        QStringList scale;
        for (const QLabel* l : window->findChildren<QLabel*>()) {
            if (l->geometry().right() < plot->geometry().left() && l->text().startsWith("2,"))
                scale << l->text();
        }
        QVERIFY2(scale.size() >= 3, qPrintable(scale.join(' '))); // Vo's scale around 25 V
        QTest::mouseDClick(plot, Qt::LeftButton, {}, middle);
        QCOMPARE(window->view()->shown, whole);
        QApplication::sendEvent(plot, &wheel);
        window->findChild<QAction*>("MostraTutto")->trigger();
        QCOMPARE(window->view()->shown, whole);
    }

    // A long analysis shows its progress over the start-up window; cancelled, it leaves
    // the window as it was: with its earlier view, or not there at all.
    void startupCancelled()
    {
        const Model::SimulatedRun slow = kSlow;
        model_.Simulated = slow;
        cancelWhenShown();
        host_->showStartup();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!host_->startup());

        workedExample();
        host_->showStartup();
        const QString peak = host_->startup()->findChild<QLabel*>("Figura1")->text();
        model_.Simulated = slow;
        cancelWhenShown();
        host_->showStartup();
        QVERIFY(host_->startup() && host_->startup()->isVisible());
        QCOMPARE(host_->startup()->findChild<QLabel*>("Figura1")->text(), peak);
        QCOMPARE(messages_.messages, QStringList());
    }

    // "Convertitore reale…" (Ctrl+R) in the waveform window, enabled with the start-up's
    // entry, opens one window for the last run, computed with the bench's parts.  A field
    // refused computes nothing and waits with its text selected; what is typed is the
    // program's one value; the CSV and the netlist go where the chooser says; the
    // start-up window's menu opens the same window.
    void realWindow()
    {
        const auto real = [this] { return form2()->findChild<QAction*>("ConvertitoreReale"); };
        QVERIFY(!real()->isEnabled());
        workedExample();
        QVERIFY(real()->isEnabled());
        QTest::keyClick(form2(), Qt::Key_R, Qt::ControlModifier);
        FormReale* window = host_->real();
        QVERIFY(window && window->isVisible() && window->objectName() == "FormReale");
        QCOMPARE(window->windowTitle(), QString("Convertitore reale: perdite e rendimento"));
        QVERIFY(QGuiApplication::screens().first()->availableGeometry().contains(window->frameGeometry()));
        const auto text = [window](const char* name) { return window->findChild<QLabel*>(name)->text(); };
        // 15/(1 − 0.4) V and 15·0.4/(80 kHz·75 µH) A ideally; the averaged model's
        // (15 − 0.6·0.5)·16.67·0.6/(0.36·16.67 + 0.1 + 0.4·0.05 + 0.6·0.02) = 23.97 V.
        QCOMPARE(QStringList({text("VoIdeale"), text("DeltaiLIdeale"), text("VoMedio"), text("DeltaiLMedio")}),
                 QStringList({"2,50E+01", "1,00E+00", "2,40E+01", ""}));
        QVERIFY(text("LCritica").startsWith("Confine della conduzione continua: L critica = 1,50E+01 µH. L = 7,50E+01 µH è sopra"));
        QVERIFY(text("PeriodoMostrato").startsWith("La simulazione da fermo mostra il periodo NI = 5000."));
        QVERIFY2(clippedLabel(window).isEmpty(), qPrintable(clippedLabel(window)));
        auto* plot = window->findChild<PlotWidget*>("GraficoGuadagno");
        const QRect inner = plot->contentsRect();
        QTest::mouseMove(plot, inner.topLeft() + QPoint(qRound(0.4 * (inner.width() - 1)), inner.height() / 2));
        QVERIFY2(plot->toolTip().startsWith("D = 40,00 % ; M ideale = 1,67 ; M medio = 1,60 ;"), qPrintable(plot->toolTip()));
        QVERIFY(QAccessible::queryAccessibleInterface(plot)->text(QAccessible::Description).contains("D del progetto, 40,00 %"));
        QVERIFY(QAccessible::queryAccessibleInterface(window->findChild<QWidget*>("BarrePerdite"))
                    ->text(QAccessible::Description).startsWith("Potenza in ingresso Pin = 3,59E+01 W"));

        auto* rL = window->findChild<QLineEdit*>("TextRL");
        for (const char* typed : {"0,1", "-1"}) {
            rL->selectAll();
            QTest::keyClicks(rL, typed);
            window->findChild<QPushButton*>("Calcola")->setFocus();
            QTest::mouseClick(window->findChild<QPushButton*>("Calcola"), Qt::LeftButton);
            QCOMPARE(messages_.messages.size(), 1);
            QVERIFY2(messages_.messages.takeFirst().contains("rL in ohm"), typed);
            QCOMPARE(QApplication::focusWidget(), rL);
            QCOMPARE(rL->selectedText(), QString(typed));
            QCOMPARE(text("VoMedio"), QString("2,40E+01"));
        }
        QCOMPARE(host_->parasitics().text(ParasiticField::RL), QString("-1"));
        QTest::keyClicks(rL, "0.2");
        QTest::keyClick(rL, Qt::Key_Return);
        QCOMPARE(messages_.messages, QStringList());
        QCOMPARE(text("VoMedio"), QString("2,36E+01")); // 147.03/(6.0012 + 0.2 + 0.032) V

        QTemporaryDir dir;
        QStringList offered;
        window->setFileChooser([&](const QString& proposed, const QString& types, QString*) {
            offered << proposed + ' ' + types;
            return dir.filePath("reale");
        });
        window->findChild<QAction*>("EsportaDati")->trigger();
        window->findChild<QAction*>("EsportaNetlist")->trigger();
        QCOMPARE(offered, QStringList({"convertitore-reale.csv Dati CSV (*.csv)",
                                       "convertitore-reale.cir Netlist SPICE (*.cir)"}));
        QFile csv(dir.filePath("reale.csv")), netlist(dir.filePath("reale.cir"));
        QVERIFY(csv.open(QIODevice::ReadOnly) && netlist.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 101);
        const QByteArray cir = netlist.readAll();
        QVERIFY(cir.startsWith("* Convertitore boost reale") && cir.contains("rL = 0.2 Ohm") && cir.endsWith(".end\n"));

        QTest::keyClick(form2(), Qt::Key_T, Qt::ControlModifier);
        QTest::keyClick(host_->startup(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(host_->real(), window);
        QVERIFY(window->isActiveWindow());

        // The open window follows every "Grafici" that reaches the simulation, 12 V
        // giving 12/0.6 ideally, and keeps its figures, marked, after a refused field.
        const auto* stale = window->findChild<QLabel*>("ValoriPrecedenti");
        for (const auto& [field, value, ideal, marked] :
             {std::tuple{"Text7", "12", "2,00E+01", false}, {"Text9", "7a5", "2,00E+01", true}, {"Text9", "75", "2,00E+01", false}}) {
            in1<QLineEdit>(field)->setText(value);
            click("Command2");
            QVERIFY2(text("VoIdeale") == ideal && stale->isVisibleTo(window) == marked, value);
        }
        messages_.messages.clear();
    }

    // A converter the averaged model cannot serve, where the diode's drop eats the input:
    // its message and no figures at all.  The fields show the program's one value.
    void realRefused()
    {
        workedExample();
        host_->parasitics().setText(ParasiticField::VF, "100");
        form2()->findChild<QAction*>("ConvertitoreReale")->trigger();
        FormReale* window = host_->real();
        QCOMPARE(window->findChild<QLineEdit*>("TextVF")->text(), QString("100"));
        QCOMPARE(messages_.messages.size(), 1);
        QVERIFY(messages_.messages.first().startsWith("Con questo Duty Cycle la caduta del diodo VF supera"));
        for (const QLabel* l : window->findChildren<QLabel*>(QRegularExpression("(Ideale|Medio|Simulato)$|^Valore")))
            QVERIFY2(l->text().isEmpty(), qPrintable(l->objectName()));
        QVERIFY(!window->findChild<QAction*>("EsportaNetlist")->isEnabled() && !window->view());
    }

    // A long run shows its progress over the real converter's window; cancelled, it
    // leaves the window as it was: with its earlier figures, or not there at all.
    // (Without parasitics nothing damps the slow converter's settling.)
    void realCancelled()
    {
        for (std::size_t i = 0; i < kParasiticFieldCount; ++i)
            host_->parasitics().setText(ParasiticField(i), "0");
        cancelWhenShown();
        host_->showReal(kSlow);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!host_->real());

        workedExample();
        host_->showReal(model_.Simulated);
        const QString shown = host_->real()->findChild<QLabel*>("VoSimulato")->text();
        cancelWhenShown();
        host_->showReal(kSlow);
        QVERIFY(host_->real() && host_->real()->isVisible());
        QCOMPARE(host_->real()->findChild<QLabel*>("VoSimulato")->text(), shown);
        QCOMPARE(host_->real()->view()->inputs.L, 75e-6);
        QCOMPARE(messages_.messages, QStringList());
    }

    // "Dinamica (piccoli segnali)…" (Ctrl+B), enabled with the real converter's entry,
    // opens one window for the last run with the bench's parts; the real converter's
    // menu opens the same one.  With the five fields at zero its figures are the lossless
    // textbook's.  A value typed in either window is the value in both; a field refused
    // computes nothing and waits with its text selected.  The choice of function draws
    // and reads another curve; the CSV goes where the chooser says; the window follows
    // the runs.
    void dynamicsWindow()
    {
        const auto action = [this] { return form2()->findChild<QAction*>("PiccoliSegnali"); };
        QVERIFY(!action()->isEnabled());
        workedExample();
        QVERIFY(action()->isEnabled() && form2()->findChild<QAction*>("ConvertitoreReale")->isEnabled());
        QTest::keyClick(form2(), Qt::Key_B, Qt::ControlModifier);
        FormDinamica* window = host_->dynamics();
        QVERIFY(window && window->isVisible() && window->objectName() == "FormDinamica");
        QCOMPARE(window->windowTitle(), QString("Dinamica del convertitore: piccoli segnali"));
        QVERIFY(QGuiApplication::screens().first()->availableGeometry().contains(window->frameGeometry()));
        QVERIFY2(clippedLabel(window).isEmpty(), qPrintable(clippedLabel(window)));
        QVERIFY(scalesBesideTheirBands(window));
        const auto text = [window](const char* name) { return window->findChild<QLabel*>(name)->text(); };
        const auto exact = [window](const char* box) {
            window->findChild<QLabel*>(box)->findChild<QAction*>("CopiaValoreEsatto")->trigger();
            return QGuiApplication::clipboard()->text().toDouble();
        };
        const Model::SimulatedRun r = model_.Simulated;
        const double Dp = 1 - r.D, Rp = r.RL / (r.RL + 0.05);
        // The operating point with the ESR's share: (Vi − D'·VF)·D'·RL / (X_R + D'·Rp·(D'·RL + rC)).
        const double Vo = (r.Vi - Dp * 0.5) * Dp * r.RL / (0.1 + r.D * 0.05 + Dp * 0.02 + Dp * Rp * (Dp * r.RL + 0.05));
        QVERIFY(std::fabs(exact("Vo") - Vo) <= 1e-12 * Vo); // the same closed form, grouped otherwise
        QCOMPARE(text("Vo"), QString("2,39E+01"));
        QVERIFY(text("PuntoDiLavoro").contains("ESR") && text("PuntiMisurati").contains("f/k") && text("DutyGrossolano").isEmpty());

        for (const char* name : {"TextRL", "TextRon", "TextVF", "TextRD", "TextRC"}) {
            auto* field = window->findChild<QLineEdit*>(name);
            field->selectAll();
            QTest::keyClicks(field, "0");
        }
        QTest::keyClick(window->findChild<QLineEdit*>("TextRC"), Qt::Key_Return);
        QCOMPARE(messages_.messages, QStringList());
        // f0 = D'/(2π·√(LC)), Q = D'·RL·√(C/L), fz_RHP = D'²·RL/(2π·L), Gvd(0) = Vi/D'², Gvg(0) = 1/D';
        // to the rounding of √ and of the 2×2 system's determinant.
        const std::pair<const char*, double> lossless[] = {
            {"F0", Dp / (2 * std::numbers::pi * std::sqrt(r.L * r.C))}, {"Q", Dp * r.RL * std::sqrt(r.C / r.L)},
            {"FzRHP", Dp * Dp * r.RL / (2 * std::numbers::pi * r.L)}, {"Gvd0", r.Vi / (Dp * Dp)}, {"Gvg0", 1 / Dp}, {"Vo", r.Vi / Dp}};
        for (const auto& [box, expected] : lossless)
            QVERIFY2(std::fabs(exact(box) - expected) <= 1e-9 * expected, box);
        QCOMPARE(QStringList({text("Zout0"), text("FzESR"), text("PuntoDiLavoro")}), QStringList({"0,00E+00", "nessuno", ""}));

        form2()->findChild<QAction*>("ConvertitoreReale")->trigger();
        FormReale* real = host_->real();
        QVERIFY(real);
        QCOMPARE(real->findChild<QLineEdit*>("TextVF")->text(), QString("0"));
        QTest::keyClicks(real->findChild<QLineEdit*>("TextVF"), ".5");
        QCOMPARE(window->findChild<QLineEdit*>("TextVF")->text(), QString("0.5"));
        auto* rC = window->findChild<QLineEdit*>("TextRC");
        rC->selectAll();
        QTest::keyClicks(rC, "-1");
        QTest::mouseClick(window->findChild<QPushButton*>("Calcola"), Qt::LeftButton);
        QCOMPARE(messages_.messages.size(), 1);
        QVERIFY(messages_.messages.takeFirst().contains("rC (ESR) in ohm non può essere negativo"));
        QVERIFY(QApplication::focusWidget() == rC && rC->selectedText() == "-1");
        QCOMPARE(real->findChild<QLineEdit*>("TextRC")->text(), QString("-1"));
        QCOMPARE(text("FzESR"), QString("nessuno")); // the figures of before
        QTest::keyClicks(rC, "0.05");
        QTest::keyClick(rC, Qt::Key_Return);
        QVERIFY(text("FzESR") != "nessuno" && messages_.messages.isEmpty());
        real->findChild<QAction*>("PiccoliSegnali")->trigger();
        QCOMPARE(host_->dynamics(), window);

        // Gvd with its measured dots, then Zout in dBΩ without them: another curve, read
        // at the pointer.
        auto* plot = window->findChild<PlotWidget*>("GraficoBode");
        const QPoint middle = plot->contentsRect().center();
        QTest::mouseMove(plot, middle);
        QVERIFY2(plot->toolTip().startsWith("f = ") && plot->toolTip().contains(" ; Gvd: ") && plot->toolTip().endsWith("°"),
                 qPrintable(plot->toolTip()));
        const QImage gvd = plot->grab().toImage();
        QVERIFY(QAccessible::queryAccessibleInterface(plot)->text(QAccessible::Description).contains("Punti rossi"));
        QTest::mouseClick(window->findChild<QRadioButton*>("FunzioneZout"), Qt::LeftButton);
        QTest::mouseMove(plot, middle + QPoint(1, 0));
        QVERIFY2(plot->toolTip().contains(" ; Zout: ") && plot->toolTip().contains(" dBΩ, "), qPrintable(plot->toolTip()));
        QVERIFY(plot->grab().toImage() != gvd && text("LegendaCurva").startsWith("Zout"));
        QVERIFY(!QAccessible::queryAccessibleInterface(plot)->text(QAccessible::Description).contains("Punti rossi"));

        QTemporaryDir dir;
        window->setFileChooser([&dir](const QString& proposed, const QString&, QString*) { return dir.filePath(proposed); });
        window->findChild<QAction*>("EsportaDati")->trigger();
        QFile csv(dir.filePath("dinamica.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readLine().startsWith("f [Hz],|Gvd| [dB],fase Gvd [°],"));
        QCOMPARE(csv.readAll().count('\n'), 140); // 135 frequencies of the curves and 5 measured between them

        // Every "Grafici" that reaches the simulation computes the window again; one refused
        // leaves its figures, marked.
        const auto* stale = window->findChild<QLabel*>("ValoriPrecedenti");
        // (12 − 0.6·0.5)·0.6·16.67/(0.6·Rp·(0.6·16.67 + 0.05)) V with only VF and rC left.
        for (const auto& [field, value, output, marked] :
             {std::tuple{"Text7", "12", "1,95E+01", false}, {"Text9", "7a5", "1,95E+01", true}, {"Text9", "75", "1,95E+01", false}}) {
            in1<QLineEdit>(field)->setText(value);
            click("Command2");
            QVERIFY2(text("Vo") == output && stale->isVisibleTo(window) == marked, value);
        }
        messages_.messages.clear();
    }

    // Outside continuous conduction the dynamics are refused with the model's message and
    // no figures; below N = 500 the window says the points are coarse; a long measurement cancelled leaves the window as it was, or not there.
    // (Without parasitics nothing damps the slow converter's resonance, and the points
    // wait for it for seconds.)
    void dynamicsRefusedAndCancelled()
    {
        workedExample();
        Model::SimulatedRun light = model_.Simulated;
        light.RL = 1000;
        host_->showDynamics(light);
        FormDinamica* window = host_->dynamics();
        QCOMPARE(messages_.messages.size(), 1);
        QVERIFY(messages_.messages.takeFirst().startsWith("Il punto di lavoro non è in conduzione continua"));
        QVERIFY(!window->view() && window->findChild<QLabel*>("F0")->text().isEmpty());
        QVERIFY(!window->findChild<QAction*>("EsportaDati")->isEnabled());
        QVERIFY(window->findChild<QLabel*>("Valori")->text().contains("1,00E+03"));
        // Below 500 samples a period the 1 % modulation spans a few of the duty's steps.
        Model::SimulatedRun coarse = model_.Simulated;
        coarse.N = 400;
        host_->showDynamics(coarse);
        QVERIFY(window->findChild<QLabel*>("DutyGrossolano")->text().contains("1/N = 0,25 %"));
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        for (std::size_t i = 0; i < kParasiticFieldCount; ++i)
            host_->parasitics().setText(ParasiticField(i), "0");
        cancelWhenShown();
        host_->showDynamics(kSlow);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!host_->dynamics());
        host_->showDynamics(model_.Simulated);
        const QString f0 = host_->dynamics()->findChild<QLabel*>("F0")->text();
        cancelWhenShown();
        host_->showDynamics(kSlow);
        QVERIFY(host_->dynamics() && host_->dynamics()->isVisible());
        QCOMPARE(host_->dynamics()->findChild<QLabel*>("F0")->text(), f0);
        QCOMPARE(messages_.messages, QStringList());
    }

    // "Anello di controllo…" (Ctrl+L), enabled with "Convertitore reale…", opens one
    // window for the last run with the bench's parts and every default: fc the lower
    // of fz_RHP/5 and f/20, Vref the averaged operating point's Vo, half the load.  The
    // loop settles within 1 % from period 37 after the step; the CSV holds a row a
    // period; every word fits its place.
    void loopWindow()
    {
        const auto loop = [this] { return form2()->findChild<QAction*>("AnelloControllo"); };
        QVERIFY(!loop()->isEnabled());
        workedExample();
        QVERIFY(loop()->isEnabled() && form2()->findChild<QAction*>("ConvertitoreReale")->isEnabled());
        FormAnello* window = openLoop();
        QVERIFY(window && window->isVisible() && window->objectName() == "FormAnello");
        QCOMPARE(window->windowTitle(), QString("Anello di controllo"));
        QVERIFY(QGuiApplication::screens().first()->availableGeometry().contains(window->frameGeometry()));
        // On a 1366 × 768 laptop with room for the frame (8 pixels across, 28 down) and a
        // 40-pixel panel.
        QVERIFY(window->width() <= 1366 - 8 && window->height() <= 768 - 28 - 40);
        const auto text = [window](const char* name) { return window->findChild<QLineEdit*>(name)->text(); };
        QCOMPARE(QStringList({text("TextFc"), text("TextPM"), text("TextRL2"), text("TextVi2"), text("TextPrima"),
                              text("TextDopo"), text("TextDmin"), text("TextDmax"), text("TextRL")}),
                 QStringList({"2530", "60", "8.335", "15", "100", "400", "0", "0.9", "0.1"}));
        QVERIFY(window->findChild<QRadioButton*>("TipoIII")->isChecked());
        // Within the rounding of the operating point's solution.
        QVERIFY2(std::fabs(text("TextVref").toDouble() / averagedVo(0.1) - 1) < 1e-12, qPrintable(text("TextVref")));
        const QStringList rows = figures(window);
        QVERIFY2(rows.contains("2,53E+03 Hz, PM = 60,00°") && rows.contains("dal periodo 37"), qPrintable(rows.join(" | ")));
        for (const char* none : {"Riga3", "Riga4"}) // one crossover; the reference within reach
            QCOMPARE(window->findChild<QLabel*>(none)->text(), QString());
        QVERIFY2(clippedLabel(window).isEmpty(), qPrintable(clippedLabel(window)));
        QVERIFY(scalesBesideTheirBands(window));
        auto* plot = window->findChild<PlotWidget*>("GraficoGradino");
        QTest::mouseMove(plot, plot->contentsRect().center());
        QVERIFY2(plot->toolTip().contains("° dopo il gradino) ; vo medio = 2,3"), qPrintable(plot->toolTip()));
        QVERIFY(QAccessible::queryAccessibleInterface(plot)->text(QAccessible::Description).startsWith("Risposta al gradino"));

        QTemporaryDir dir;
        QStringList offered;
        window->setFileChooser([&](const QString& proposed, const QString& types, QString*) {
            offered << proposed + ' ' + types;
            return dir.filePath("anello");
        });
        window->findChild<QAction*>("EsportaDati")->trigger();
        QCOMPARE(offered, QStringList({"anello-di-controllo.csv Dati CSV (*.csv)"}));
        QFile csv(dir.filePath("anello.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readLine(), QByteArray("periodo,vo medio anello chiuso [V],duty,vo medio anello aperto [V],vo previsione lineare [V]\n"));
        QCOMPARE(csv.readAll().count('\n'), 500);
        QTest::keyClick(form2(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(host_->loop(), window);
        // The dynamics window's menu opens it too, for the converter that window shows.
        QVERIFY(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!host_->loop());
        form2()->findChild<QAction*>("PiccoliSegnali")->trigger();
        QVERIFY(host_->dynamics());
        host_->dynamics()->findChild<QAction*>("AnelloControllo")->trigger();
        QVERIFY(host_->loop() && host_->loop()->isVisible() && host_->loop()->view());
        QCOMPARE(host_->loop()->view()->model.run.L, 75e-6);
        // Result windows opened one after another: none hides another exactly, whatever
        // their sizes happen to be.
        form2()->findChild<QAction*>("ConvertitoreReale")->trigger();
        QVERIFY(host_->real() && host_->real()->isVisible());
        const QPoint atReal = host_->real()->pos(), atDynamics = host_->dynamics()->pos(), atLoop = host_->loop()->pos();
        QVERIFY(atReal != atDynamics && atReal != atLoop && atDynamics != atLoop);
        QCOMPARE(messages_.messages, QStringList());
    }

    // A field refused computes nothing and waits with its text selected, the figures
    // kept; a design refused says why, shows no figures and waits in the field to change.
    void loopRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed"); // empty: type II chosen instead
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<bool>("figuresKept");
        QTest::newRow("fc with a decimal comma") << "TextFc" << "2,5"
            << "Errore di inserimento dati per il valore della frequenza di incrocio fc in Hz." << "TextFc" << true;
        QTest::newRow("no load after the step") << "TextRL2" << "0"
            << "Il valore della resistenza di carico dopo il gradino in ohm deve essere maggiore di zero." << "TextRL2" << true;
        QTest::newRow("Dmin above Dmax") << "TextDmin" << "0.95" << "I limiti del duty cycle" << "TextDmax" << true;
        QTest::newRow("a negative switch resistance") << "TextRon" << "-1"
            << "Il valore della resistenza dell'interruttore chiuso Ron in ohm non può essere negativo." << "TextRon" << true;
        QTest::newRow("fc at f/2") << "TextFc" << "40000" << "La frequenza di incrocio fc deve essere maggiore di zero"
                                   << "TextFc" << false;
        QTest::newRow("a margin of 90°") << "TextPM" << "90" << "Il margine di fase PM deve essere compreso" << "TextPM" << false;
        QTest::newRow("more boost than type II gives") << "TipoII" << ""
            << "Con fc = 2,530E+03 Hz e PM = 6,000E+01° il compensatore deve anticipare" << "TextFc" << false;
    }
    void loopRefused()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        QFETCH(bool, figuresKept);
        workedExample();
        FormAnello* window = openLoop();
        const QStringList before = figures(window);
        if (typed.isEmpty()) {
            window->findChild<QRadioButton*>(field)->setChecked(true);
            QTest::mouseClick(window->findChild<QPushButton*>("Calcola"), Qt::LeftButton);
        } else {
            typeAndCalculate(window, qPrintable(field), qPrintable(typed));
        }
        QCOMPARE(messages_.messages.size(), 1);
        QVERIFY2(messages_.messages.first().startsWith(message), qPrintable(messages_.messages.first()));
        auto* cursor = window->findChild<QLineEdit*>(focused);
        QCOMPARE(QApplication::focusWidget(), cursor);
        QCOMPARE(cursor->selectedText(), cursor->text());
        QCOMPARE(figures(window), figuresKept ? before : QStringList());
        QCOMPARE(window->findChild<QAction*>("EsportaDati")->isEnabled(), figuresKept);
        messages_.messages.clear();
    }

    // The hard cases a student meets.  A 9 V, 50 %, 200 kHz converter whose loop gain
    // crosses 1 three times near its resonance, at 0.82, 2.53 and 4.41 kHz with margins
    // of 119°, 124° and 60°, and settles only from period 142; then the worked example
    // with rL = 1 Ω, whose averaged gain, with a third of the load, peaks below Vref:
    // the loop latches at Dmax and never settles.
    void loopHardCases()
    {
        for (const auto& [field, value] : {std::pair{"Text7", "9"}, {"Text8", "50"}, {"Text12", "200"}, {"Text9", "10"},
                                           {"Text10", "47"}, {"Text11", "6"}, {"Text13", "1000"}, {"Text14", "10"},
                                           {"Text15", "5000"}})
            in1<QLineEdit>(field)->setText(value);
        click("Command2");
        FormAnello* window = openLoop();
        const auto line = [window](const char* name) { return window->findChild<QLabel*>(name); };
        QVERIFY2(line("Riga3")->text().startsWith("|T| attraversa 1 (0 dB) 3 volte") && line("Riga3")->isVisible(),
                 qPrintable(line("Riga3")->text()));
        QStringList crossings = figures(window).filter(", PM = ");
        QCOMPARE(crossings.size(), 3);
        for (const char* start : {"8,1", "2,53E+03", "4,41E+03"})
            QVERIFY2(crossings.takeFirst().startsWith(start), start);
        QVERIFY(figures(window).contains("dal periodo 142"));
        // Each crossover marked above the loop gain's plot with its margin; the pointer
        // reads the frequency and T there.
        QStringList marks;
        for (const QLabel* l : window->findChildren<QLabel*>())
            if (l->text().startsWith("PM "))
                marks << l->text();
        marks.sort();
        QCOMPARE(marks, QStringList({"PM 119°", "PM 124°", "PM 60°"}));
        auto* bode = window->findChild<PlotWidget*>("GraficoGuadagnoAnello");
        QTest::mouseMove(bode, bode->contentsRect().center());
        QVERIFY2(bode->toolTip().startsWith("f = ") && bode->toolTip().contains(" ; T: "), qPrintable(bode->toolTip()));

        workedExample();
        auto* rL = window->findChild<QLineEdit*>("TextRL");
        rL->selectAll();
        QTest::keyClicks(rL, "1");
        typeAndCalculate(window, "TextRL2", "5.5567");
        QVERIFY(line("Riga4")->text().startsWith("Con il carico e l'ingresso dopo il gradino il convertitore non raggiunge"));
        QVERIFY(line("Riga4")->isVisible());
        QVERIFY(figures(window).contains("sì, a Dmin o Dmax") && figures(window).contains("mai"));
        // The operating point moved with rL, and Vref with it.
        QVERIFY(std::fabs(window->findChild<QLineEdit*>("TextVref")->text().toDouble() / averagedVo(1) - 1) < 1e-12);
        QCOMPARE(messages_.messages, QStringList());
    }

    // The open window follows every "Grafici" that reaches the simulation.  A field
    // takes its default again only when the converter changes it: NI does not, the load
    // changes fc, Vref and RL after the step; the periods typed stay.  A run refused
    // before the simulation leaves the window marked; "Predefiniti" puts every default
    // back.  A long run cancelled leaves the figures as they were.
    void loopFollowsRuns()
    {
        workedExample();
        FormAnello* window = openLoop();
        const auto text = [window](const char* name) { return window->findChild<QLineEdit*>(name)->text(); };
        typeAndCalculate(window, "TextPrima", "50");
        typeAndCalculate(window, "TextFc", "2000");
        in1<QLineEdit>("Text15")->setText("6000");
        click("Command2");
        QCOMPARE(QStringList({text("TextFc"), text("TextPrima"), text("TextRL2")}), QStringList({"2000", "50", "8.335"}));
        in1<QLineEdit>("Text11")->setText("20");
        click("Command2");
        QCOMPARE(QStringList({text("TextPrima"), text("TextRL2")}), QStringList({"50", "10"}));
        QVERIFY(text("TextFc") != "2000");
        QVERIFY(window->findChild<QLabel*>("Riga1")->text().contains("RL = 2,00E+01 Ω"));
        const auto* stale = window->findChild<QLabel*>("ValoriPrecedenti");
        for (const auto& [value, marked] : {std::pair{"7a5", true}, {"75", false}}) {
            in1<QLineEdit>("Text9")->setText(value);
            click("Command2");
            QVERIFY2(stale->isVisibleTo(window) == marked, value);
        }
        messages_.messages.clear();
        QTest::mouseClick(window->findChild<QPushButton*>("Predefiniti"), Qt::LeftButton);
        QCOMPARE(text("TextPrima"), QString("100"));

        const QStringList shown = figures(window);
        cancelWhenShown();
        typeAndCalculate(window, "TextDopo", "1000000");
        QCOMPARE(figures(window), shown);
        QCOMPARE(messages_.messages, QStringList());
    }

    // After every "Grafici" the results are in front, also after a modal progress dialog
    // over the main window: restored if minimised, raised and active.  A window the user
    // moved and closed comes back where it was.
    void waveformWindowInFront()
    {
        workedExample();
        form2()->showMinimized();
        form1_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form1_.get()));
        click("Command2");
        QVERIFY(!form2()->isMinimized() && QTest::qWaitForWindowActive(form2()));
        form2()->move(form2()->pos() - QPoint(37, 23));
        const QPoint moved = form2()->pos();
        QVERIFY(form2()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        click("Command2");
        QCOMPARE(form2()->pos(), moved);
    }

    // Wherever the student has put the main window, the waveform window that a run opens
    // leaves "Grafici" in view, so the next run is a click away.
    void graficiInView_data()
    {
        QTest::addColumn<QPoint>("mainWindow");
        QTest::newRow("main window in the screen's corner") << QPoint(0, 0);
        QTest::newRow("main window moved right and down") << QPoint(500, 100);
    }
    void graficiInView()
    {
        QFETCH(QPoint, mainWindow);
        delete form2(); // made in the start place: the next run makes it anew
        form1_->move(mainWindow);
        workedExample();
        const QWidget* grafici = in1("Command2");
        const QRect button(grafici->mapToGlobal(QPoint()), grafici->size());
        QVERIFY2(!form2()->frameGeometry().intersects(button),
                 qPrintable(QString("%1,%2").arg(form2()->x()).arg(form2()->y())));
    }

    // On a 1366 × 768 laptop the start-up window, narrowed for it, leaves the main
    // window's verification fields and "Grafici" uncovered, on the same screen.
    void laptopKeepsGraficiInView()
    {
        QScreen* laptop = QGuiApplication::screens().at(2);
        QCOMPARE(laptop->geometry().size(), QSize(1366, 768));
        delete form2();
        form1_->windowHandle()->setScreen(laptop);
        form1_->move(laptop->geometry().topLeft());
        workedExample();
        QTest::keyClick(form2(), Qt::Key_T, Qt::ControlModifier);
        const QWidget* window = host_->startup();
        QRect kept;
        for (const char* name : {"Command2", "Text7", "Text8", "Text9", "Text10", "Text11", "Text12", "Text13", "Text14", "Text15"})
            kept |= QRect(in1(name)->mapToGlobal(QPoint()), in1(name)->size());
        const QRect frame = window->frameGeometry();
        QVERIFY2(laptop->availableGeometry().contains(frame) && !frame.intersects(kept),
                 qPrintable(QString("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
        QVERIFY(window->width() < 1120 && window->width() >= window->minimumWidth());
    }

    // On the screen, covering as little of the verification area as any place on the
    // screen would (found by trying every pixel), then as little of the main window.
    void placement_data()
    {
        QTest::addColumn<Placement>("p");
        const QRect main(0, 0, 1060, 710), area(121, 410, 369, 250);
        const auto row = [](const char* theme, const Placement& p) { QTest::newRow(theme) << p; };
        row("full HD: beside the fields, in the free corner", {{0, 0, 1920, 1050}, main, area, {685, 338}});
        row("laptop: the fields cannot stay clear, the least is covered", {{0, 0, 1366, 740}, main, area, {131, 28}});
        row("second screen right of the first",
            {{1920, 0, 1600, 1200}, main.translated(1920, 0), area.translated(1920, 0), {2285, 488}});
        row("screen smaller than the window: its top-left corner", {{0, 0, 800, 600}, main, area, {0, 0}});
        row("2560 px wide: beside the main window, level with it", {{0, 0, 2560, 1400}, main, area, {1060, 0}});
        row("the area clear at the cost of more of the main window",
            {{0, 0, 3000, 1050}, main.translated(1000, 0), {1000, 100, 260, 500}, {1765, 338}});
    }
    void placement()
    {
        QFETCH(Placement, p);
        const QSize size(1235, 712); // the waveform window with its frame
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
        QCOMPARE(at, p.expected);
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
