// The worked example through both real windows, driven by their objectNames: example
// data, design, verification, the summary boxes, a readout by the pointer, a refused
// run and a closed waveform window coming back fresh.  Messages go to a recorder
// instead of modal boxes; pointer events go through the window system to the window
// aimed at, since the main window lies over the waveform window on the offscreen screen.
#define QTEST_QPA_MOUSE_HANDLING
#include "app/model.h"
#include "simfakes.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/waveformhost.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

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

    QStringList summary() const
    {
        QStringList texts;
        for (const char* name : {"Label2", "Label5", "Label8", "Label9", "Label16"})
            texts << in2<QLabel>(name)->text();
        return texts;
    }

    // Example data, design, then verification: the example's converter, simulated.
    bool runExample()
    {
        click("Command3"), click("Command1"), click("Command2");
        return messages_.messages.isEmpty() && host_->current() && QTest::qWaitForWindowExposed(host_->current());
    }

private slots:
    void init()
    {
        model_ = Model{};
        messages_.messages.clear();
        host_ = std::make_unique<WaveformHost>(model_);
        form1_ = std::make_unique<Form1>(model_, messages_, *host_);
        form1_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form1_.get()));
    }
    void cleanup()
    {
        form1_.reset();
        host_.reset();
        QLocale::setDefault(QLocale::c());
    }

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
        QVERIFY(host_->current() && host_->current()->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(host_->current()));
        QCOMPARE(summary(), QStringList({"9.98E-01", "5.98E+01", "3.00E+00", "1.50E+00", "2.50E+00"})
                                .replaceInStrings(".", locale.decimalPoint()));
        for (const char* field : {"Text7", "Text8", "Text9", "Text10", "Text11", "Text12"})
            QCOMPARE(textColour(field), QColor(Qt::black));

        // A point in the iL band, a quarter across: x = 25, y = 89 of the 0..100 plot.
        auto* picture = in2("Picture1");
        const QRect inner = picture->contentsRect();
        const QPoint at = inner.topLeft() + QPoint(qRound(0.25 * (inner.width() - 1)),
                                                   qRound(0.11 * (inner.height() - 1)));
        QTest::mouseMove(picture, at);
        const QString tip = picture->toolTip();
        QVERIFY2(tip.startsWith("t= ") && tip.contains("iL(t) = "), qPrintable(tip));
        QVERIFY2(!tip.contains(locale.decimalPoint() == "." ? "," : "."), qPrintable(tip));
        QVERIFY(in2<QRadioButton>("Option1")->isChecked());
    }

    // The inductor current of a far too small inductance reaches zero: one message, and
    // the boxes no longer show figures of a plot that is gone.
    void lowCurrentRefused()
    {
        QVERIFY(runExample());
        in1<QLineEdit>("Text9")->setText("5");
        in1<QLineEdit>("Text13")->setText("100");
        in1<QLineEdit>("Text15")->setText("500");
        click("Command2");
        QCOMPARE(messages_.messages,
                 QStringList(QString::fromUtf8("Il Duty Cycle non può essere così basso, la corrente nell'induttore "
                                               "non può annullarsi, prova ad aumentare L ( anche di molto )!")));
        QCOMPARE(summary(), QStringList(5, QString()));
    }

    // A window the user closed is gone; the next "Grafici" makes a new one in its start state.
    void closedWindowComesBackFresh()
    {
        QVERIFY(runExample());
        QTest::mouseMove(in2("Picture1"), in2("Picture1")->contentsRect().center());
        QVERIFY(host_->current()->selectedOption() != 0);
        QVERIFY(host_->current()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!host_->current());

        click("Command2");
        QVERIFY(host_->current() && host_->current()->isVisible());
        for (const QRadioButton* option : host_->current()->findChildren<QRadioButton*>())
            QVERIFY(!option->isChecked());
        QVERIFY(in2("Picture1")->toolTip().isEmpty());
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
