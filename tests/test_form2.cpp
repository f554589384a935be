// The waveform window through its real widgets: layout, retained plot, cursor readout
// by pointer movement, the window's lifetime, and the progress dialog of long runs.
#include "app/model.h"
#include "plot/plot.h"
#include "ui/form2.h"
#include "ui/plotimage.h"
#include "ui/plotwidget.h"
#include "ui/simulationprogress.h"
#include "ui/uistyle.h"
#include "ui/waveformhost.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <memory>

namespace {

// One period of four samples, sized as the simulation sizes its arrays (0..N+1).
// The largest absolute capacitor current is 6 A, so the iC band reads 1 A per unit
// of height above its zero line at y = 70.
Model plottedModel()
{
    Model m;
    m.Freq = 50000;
    m.NP = 10;
    m.N = 4;
    m.WaveIL = {0, 1.0, 2.0, 1.5, 1.0, 0};
    m.WaveIC = {0, 3.0, -6.0, 2.0, 1.0, 0};
    m.WaveVo = {0, 24.0, 25.0, 24.5, 24.0, 0};
    m.WaveVL = {0, 12.0, -8.0, 12.0, -8.0, 0};
    m.WaveID = {0, 0, 2.0, 1.5, 0, 0};
    m.MaxIL = 2.0;
    m.MaxIC = 6.0;
    m.MaxVo = 25.0;
    m.MaxVL = 12.0;
    m.Drawn = {true, m.Freq, m.NP, m.N};
    return m;
}

template <class W = QWidget>
W* child(const QWidget& parent, const char* name)
{
    return parent.findChild<W*>(QString::fromLatin1(name));
}

// A waveform window on the stack, owned by the test rather than freed on closing.
struct Window {
    explicit Window(Model model = {}) : m(std::move(model)), form(m)
    {
        form.setAttribute(Qt::WA_DeleteOnClose, false);
    }
    [[nodiscard]] bool show()
    {
        form.show();
        return QTest::qWaitForWindowExposed(&form);
    }
    PlotWidget* picture() const { return child<PlotWidget>(form, "Picture1"); }

    Model m;
    Form2 form;
};

} // namespace

class TestForm2 : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void window()
    {
        Window w;
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Forme d'onda reali"));
        QCOMPARE(w.form.size(), QSize(1233, 685));
        QCOMPARE(w.form.selectedOption(), 0);
        QVERIFY(w.picture()->toolTip().isEmpty());
        QVERIFY(w.show());
        QCOMPARE(w.form.focusWidget(), w.picture());
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QColor>("textColour"); // invalid: the default colour
        QTest::addColumn<double>("pointSize");

        const QColor plain;
        auto row = [](const char* tag, const char* name, QRect twips, const char* caption,
                      QColor colour = {}, double points = 8.25) {
            QTest::newRow(tag) << QString::fromLatin1(name) << twips << QString::fromUtf8(caption)
                               << colour << points;
        };
        row("legend iL red", "Option1", {15360, 720, 975, 375}, "iL(t)", QColor(255, 0, 0));
        row("legend iC green", "Option2", {15360, 2640, 735, 495}, "iC(t)", QColor(0, 255, 0));
        row("legend Vo blue", "Option3", {15360, 4440, 735, 615}, "Vo(t)", QColor(0, 0, 255));
        row("legend vL magenta", "Option4", {15360, 6120, 975, 375}, "vL(t)", QColor(255, 0, 255));
        row("legend id cyan", "Option5", {15360, 8280, 735, 255}, "id(t)", QColor(0, 255, 255));
        row("ripple iL caption", "Label3", {15240, 1320, 735, 255}, "Delta iL");
        row("ripple iL box", "Label2", {16080, 1200, 1575, 375}, "");
        row("ripple iL unit", "Label4", {17760, 1320, 255, 255}, "[A]");
        row("ripple Vo caption", "Label6", {15240, 5040, 855, 255}, "Delta Vo");
        row("ripple Vo box", "Label5", {16200, 4920, 1575, 375}, "");
        row("ripple Vo unit", "Label7", {17880, 5040, 495, 255}, "[mV]");
        row("diode peak caption", "Label10", {15480, 8760, 735, 255}, "Id picco");
        row("diode peak box", "Label8", {16440, 8760, 1575, 375}, "");
        row("diode peak unit", "Label11", {18120, 8760, 255, 255}, "[A]");
        row("diode mean caption", "Label12", {15480, 9360, 735, 255}, "Id media");
        row("diode mean box", "Label9", {16440, 9240, 1575, 375}, "");
        row("diode mean unit", "Label13", {18120, 9240, 255, 255}, "[A]");
        row("input mean caption", "Label14", {13680, 9840, 2655, 255}, "Ii media o continua in ingresso");
        row("input mean box", "Label16", {16440, 9720, 1575, 375}, "");
        row("input mean unit", "Label15", {18120, 9720, 255, 255}, "[A]");
        row("instruction line", "Label1", {120, 9480, 8655, 375},
            "Sposta il cursore del mouse sulla forma d'onda , comparirà il valore in quel punto",
            plain, 9.75);
        row("plot area", "Picture1", {120, 120, 15015, 9135}, "");
        row("blank picture holder", "Picture2", {16800, 6480, 495, 375}, "");
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        QFETCH(QColor, textColour);
        QFETCH(double, pointSize);

        Window window;
        QVERIFY(window.show());
        auto* w = window.form.findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), UiStyle::twips(twips.x(), twips.y(), twips.width(), twips.height()));
        QCOMPARE(w->isVisible(), name != QLatin1String("Picture2"));
        if (textColour.isValid())
            QCOMPARE(w->palette().color(w->foregroundRole()), textColour);
        if (name == QLatin1String("Picture1") || name == QLatin1String("Picture2"))
            return;
        QCOMPARE(w->font().pointSizeF(), pointSize);
        QVERIFY(w->font().bold());

        QString text;
        int room = 0;
        if (auto* option = qobject_cast<QRadioButton*>(w)) {
            text = option->text();
            QVERIFY(!option->isChecked());
            QStyleOptionButton style;
            style.initFrom(option);
            style.text = text;
            const QRect textArea = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &style, option);
            room = textArea.width() - option->fontMetrics().boundingRect(text).width();
        } else {
            auto* label = qobject_cast<QLabel*>(w);
            QVERIFY(label);
            text = label->text();
            room = label->contentsRect().width() - label->fontMetrics().horizontalAdvance(text);
            QVERIFY(label->fontMetrics().height() <= label->contentsRect().height());
        }
        QCOMPARE(text, caption);
        QVERIFY2(room >= 0, qPrintable(QStringLiteral("clipped by %1 px").arg(-room)));
    }

    void summaryBoxes()
    {
        Window w;
        Form2& form = w.form;
        const std::pair<Form2Summary, const char*> boxes[] = {
            {Form2Summary::Label2, "Label2"}, {Form2Summary::Label5, "Label5"},
            {Form2Summary::Label8, "Label8"}, {Form2Summary::Label9, "Label9"},
            {Form2Summary::Label16, "Label16"}};
        for (const auto& [box, name] : boxes) {
            auto* label = child<QLabel>(form, name);
            QCOMPARE(label->palette().color(QPalette::Window), QColor(Qt::white));
            QVERIFY(label->alignment() & Qt::AlignRight);
            form.setCaption(box, QString::fromLatin1(name));
        }
        for (const auto& [box, name] : boxes)
            QCOMPARE(child<QLabel>(form, name)->text(), QString::fromLatin1(name));
    }

    void selection()
    {
        Window w;
        Form2& form = w.form;
        form.selectOption(4);
        QCOMPARE(form.selectedOption(), 4);
        QVERIFY(child<QRadioButton>(form, "Option4")->isChecked());
        child<QRadioButton>(form, "Option2")->click();
        QCOMPARE(form.selectedOption(), 2);
        QVERIFY(!child<QRadioButton>(form, "Option4")->isChecked());
        form.selectOption(0);
        QCOMPARE(form.selectedOption(), 0);
    }

    void plotSurvivesRepaint()
    {
        Window w(plottedModel());
        Form2& form = w.form;
        QVERIFY(w.show());
        form.plot().clear();
        DrawPlotFrame(form.plot());
        DrawTraces(w.m, form.plot());
        PlotWidget* picture = w.picture();
        const QImage before = picture->grab().toImage();

        form.hide();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        picture->repaint();
        QCOMPARE(picture->grab().toImage(), before);

        form.plot().clear();
        QVERIFY(picture->grab().toImage() != before);
    }

    // The inner area is 997 x 605 pixels: columns 0..996 span x = 0..100 and rows
    // 0..604 span y = 100..0, so these points fall exactly on pixels.
    void readoutByPointer_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("italian");

        QTest::newRow("capacitor current at 5 A") << 25.0 << 75.0 << 2
                                                   << "t= 50,00usec ; iC(t) = 5,00E+00A";
        QTest::newRow("inductor current at the top edge") << 50.0 << 100.0 << 1
                                                          << "t= 100,00usec ; iL(t) = 2,22E+00A";
        QTest::newRow("inductor voltage at the left edge") << 0.0 << 25.0 << 4
                                                           << "t = 0,00usec ; vL(t) = 6,67E+00V";
        QTest::newRow("output voltage at the right edge") << 100.0 << 50.0 << 3
                                                          << "t= 200,00usec ; Vo(t) = 1,39E+01V";
    }
    void readoutByPointer()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(int, option);
        QFETCH(QString, italian);

        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        Window w(plottedModel());
        QVERIFY(w.show());
        PlotWidget* picture = w.picture();
        const QPoint at = pixelAt(*picture, x, y);
        QCOMPARE(picture->image().toPlot(QPointF(at - picture->contentsRect().topLeft())), QPointF(x, y));

        QTest::mouseMove(picture, at);
        QCOMPARE(w.form.selectedOption(), option);
        QCOMPARE(picture->toolTip(), italian);
    }

    void pointerOverBorderIsIgnored()
    {
        Window w(plottedModel());
        QVERIFY(w.show());
        PlotWidget* picture = w.picture();
        QTest::mouseMove(picture, QPoint(picture->width() / 2, 0));
        QCOMPARE(w.form.selectedOption(), 0);
        QVERIFY(picture->toolTip().isEmpty());
    }

    void hostRecreatesClosedWindow()
    {
        Model m;
        WaveformHost host(m);
        QVERIFY(!host.current());
        Form2Port& first = host.obtainForm2();
        QCOMPARE(&host.obtainForm2(), &first);
        QVERIFY(!host.current()->isVisible());

        first.show();
        first.selectOption(3);
        first.setHoverText(QStringLiteral("t= 1.00usec ; Vo(t) = 1.00E+00V"));
        first.setCaption(Form2Summary::Label5, QStringLiteral("5.98E+01"));
        QVERIFY(host.current()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!host.current());

        Form2Port& second = host.obtainForm2();
        Form2* form = host.current();
        QVERIFY(form);
        QCOMPARE(second.selectedOption(), 0);
        QVERIFY(child(*form, "Picture1")->toolTip().isEmpty());
        QVERIFY(child<QLabel>(*form, "Label5")->text().isEmpty());
    }

    void progressCancel_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("user presses Annulla") << true;
        QTest::newRow("dialog cancelled directly") << false;
    }
    void progressCancel()
    {
        QFETCH(bool, byButton);
        QWidget owner;
        SimulationProgress progress(&owner);
        QVERIFY(progress.periodsDone(1, 100));
        QVERIFY(progress.periodsDone(2, 100));
        if (byButton)
            progress.dialog()->findChild<QPushButton*>()->click();
        else
            progress.dialog()->cancel();
        QVERIFY(!progress.periodsDone(3, 100));
        QVERIFY(!progress.periodsDone(4, 100));

        // The next run starts afresh.
        QVERIFY(progress.periodsDone(1, 100));
    }

    void progressWorthShowing_data()
    {
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<bool>("show");
        // The default run: 5000 periods of 1000 samples in a few tens of ms.
        QTest::newRow("default run, a fifth done") << qint64(10) << 1000 << 5000 << false;
        QTest::newRow("default run, nearly done") << qint64(45) << 4900 << 5000 << false;
        QTest::newRow("slow start, too early to judge") << qint64(49) << 1 << 5000 << false;
        QTest::newRow("long run, pace known") << qint64(60) << 100 << 5000 << true;
        QTest::newRow("exactly half a second left") << qint64(100) << 1000 << 6000 << true;
        QTest::newRow("just under half a second left") << qint64(100) << 1000 << 5999 << false;
        QTest::newRow("slow but about to finish") << qint64(900) << 4900 << 5000 << false;
        QTest::newRow("last period") << qint64(5000) << 5000 << 5000 << false;
        QTest::newRow("billions of samples, no overflow") << qint64(3600000) << 1 << 2147483647 << true;
    }
    void progressWorthShowing()
    {
        QFETCH(qint64, elapsedMs);
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(bool, show);
        QCOMPARE(SimulationProgress::worthShowing(elapsedMs, done, total), show);
    }

    void progressFinishesHidden()
    {
        QWidget owner;
        SimulationProgress progress(&owner);
        for (int run = 0; run < 2; ++run) {
            for (std::int32_t done = 1; done <= 5000; ++done)
                QVERIFY(progress.periodsDone(done, 5000));
            QVERIFY(!progress.dialog()->isVisible());
            QVERIFY(!progress.dialog()->wasCanceled());
        }
        QCOMPARE(progress.dialog()->labelText(), QStringLiteral("Simulazione in corso..."));
        QCOMPARE(progress.dialog()->windowModality(), Qt::ApplicationModal);
    }

private:
    static QPoint pixelAt(const PlotWidget& picture, double x, double y)
    {
        const QRect inner = picture.contentsRect();
        const double right = inner.width() - 1, bottom = inner.height() - 1;
        return inner.topLeft() + QPoint(qRound(x / 100 * right), qRound((100 - y) / 100 * bottom));
    }
};

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
