// The worked example through both real windows, driven by their objectNames.  Messages
// go to a recorder instead of modal boxes; pointer events go through the window system
// to the window aimed at, since the main window lies over the waveform window.
#define QTEST_QPA_MOUSE_HANDLING
#include "app/model.h"
#include "fakes.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/waveformhost.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolTip>

class TestEndToEnd : public QObject {
    Q_OBJECT

    Model model_;
    FakeMessages messages_;
    std::unique_ptr<WaveformHost> host_;
    std::unique_ptr<Form1> form1_;

    template <class W = QWidget>
    W* in1(const char* name) const { return form1_->findChild<W*>(name); }
    template <class W = QWidget>
    W* in2(const char* name) const { return host_->current()->findChild<W*>(name); }
    void click(const char* button) { QTest::mouseClick(in1<QPushButton>(button), Qt::LeftButton); }
    QColor textColour(const char* field) const { return in1(field)->palette().color(QPalette::Text); }

    QString summary() const
    {
        QString texts;
        for (const char* name : {"Label2", "Label5", "Label8", "Label9", "Label16"})
            texts += in2<QLabel>(name)->text() + ' ';
        return texts;
    }

    // A main window whose runs each show a modal progress dialog over it, as a long run
    // does: closing the dialog hands the activation back to the main window.
    void startWithProgressDialogs()
    {
        struct Shown : ProgressPort {
            QProgressDialog dialog;
            explicit Shown(QWidget* over) : dialog(over) { dialog.setWindowModality(Qt::ApplicationModal); }
            bool periodsDone(std::int32_t, std::int32_t) override
            {
                dialog.show();
                return true;
            }
        };
        form1_ = std::make_unique<Form1>(model_, messages_, *host_, [this] { return std::make_unique<Shown>(form1_.get()); });
        form1_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form1_.get()));
    }

private slots:
    void init()
    {
        model_ = Model{};
        messages_.messages.clear();
        host_ = std::make_unique<WaveformHost>(model_, messages_);
        startWithProgressDialogs();
    }
    void cleanup()
    {
        form1_.reset();
        host_.reset();
        QLocale::setDefault(QLocale::c());
    }

    // Example data, design, verification and a readout by the pointer; then a refused run
    // clears the figures and the hover text; a closed waveform window comes back fresh.
    void workedExample_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C locale") << QLocale::c();
        QTest::newRow("Italian locale") << QLocale(QLocale::Italian, QLocale::Italy);
    }
    void workedExample()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        click("Command3");
        click("Command1");
        QCOMPARE(in1<QLineEdit>("Text9")->text(), QString("7.500E+01")); // fields always carry a point
        QCOMPARE(textColour("Text9"), QColor(0, 0, 255));
        click("Command2");
        QCOMPARE(messages_.messages, QStringList());
        QVERIFY(host_->current() && QTest::qWaitForWindowActive(host_->current()));
        QCOMPARE(summary(),
                 QString("9.98E-01 5.98E+01 3.00E+00 1.50E+00 2.50E+00 ").replace('.', locale.decimalPoint()));
        for (const char* field : {"Text7", "Text8", "Text9", "Text10", "Text11", "Text12"})
            QCOMPARE(textColour(field), QColor(Qt::black));

        // A point in the iL band, a quarter across: x = 25, y = 89 of the 0..100 plot.
        auto* picture = in2("Picture1");
        const QRect in = picture->contentsRect();
        QTest::mouseMove(picture,
                         in.topLeft() + QPoint(qRound(0.25 * (in.width() - 1)), qRound(0.11 * (in.height() - 1))));
        const QString tip = picture->toolTip();
        QCOMPARE(tip.left(11), QString("t= 31.25usec").replace('.', locale.decimalPoint()).left(11));
        QVERIFY2(tip.contains("iL(t) = ") && QToolTip::isVisible(), qPrintable(tip));
        QVERIFY(in2<QRadioButton>("Option1")->isChecked());
        QTest::keyClick(host_->current(), Qt::Key_C, Qt::ControlModifier); // "Copia immagine"
        QCOMPARE(QGuiApplication::clipboard()->image().size(), host_->current()->size());

        // The inductor current of a far too small inductance reaches zero: one message, and
        // neither the boxes nor the pointer show figures of a plot that is gone.
        for (const auto& [field, text] : {std::pair{"Text9", "5"}, {"Text13", "100"}, {"Text15", "500"}})
            in1<QLineEdit>(field)->setText(text);
        click("Command2");
        const QString refused = "Il Duty Cycle non può essere così basso, la corrente nell'induttore non può "
                                "annullarsi, prova ad aumentare L ( anche di molto )!";
        QCOMPARE(messages_.messages, QStringList(refused));
        QCOMPARE(summary(), QString(5, u' '));
        QVERIFY(picture->toolTip().isEmpty() && !QToolTip::isVisible());

        // A window the user closed is gone; the next "Grafici" makes a new one in its start state.
        QVERIFY(host_->current()->selectedOption() != 0);
        QVERIFY(host_->current()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!host_->current());
        click("Command2");
        QVERIFY(host_->current() && host_->current()->isVisible());
        QCOMPARE(host_->current()->selectedOption(), 0);
        QCOMPARE(messages_.messages, QStringList({refused, refused}));
    }

    // After every "Grafici" the results are in front: restored if minimised, raised and
    // active.  A window the user moved and closed comes back where it was.
    void waveformWindowInFront()
    {
        click("Command3");
        click("Command1");
        click("Command2");
        Form2* form2 = host_->current();
        QVERIFY(QTest::qWaitForWindowActive(form2));
        form2->showMinimized();
        form1_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form1_.get()));
        click("Command2");
        QVERIFY(!form2->isMinimized());
        QVERIFY(QTest::qWaitForWindowActive(form2));

        form2->move(form2->pos() - QPoint(37, 23));
        const QPoint moved = form2->pos();
        QVERIFY(form2->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        click("Command2");
        QCOMPARE(host_->current()->pos(), moved);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
