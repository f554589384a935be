// The main window through its controls: a representative part of the fixed layout,
// captions that fit their fixed widths, the start state and the focus order.
#include "app/model.h"
#include "simfakes.h"
#include "ui/form1.h"
#include "ui/messagebox.h"
#include "ui/uistyle.h"
#include "ui/waveformhost.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

struct Control { const char* name; const char* text; QRect twips; double points; QColor face = {}; };
Q_DECLARE_METATYPE(Control)

class TestForm1 : public QObject {
    Q_OBJECT

    Model model_;
    FakeMessages messages_;
    WaveformHost waveforms_{model_};
    std::unique_ptr<Form1> form_;

private slots:
    void init() { form_ = std::make_unique<Form1>(model_, messages_, waveforms_); }
    void cleanup() { form_.reset(); }

    // face: left of any text, inside any border; invalid: not painted by the control.
    void controls_data()
    {
        QTest::addColumn<Control>("c");
        const auto row = [](const char* theme, const Control& c) { QTest::newRow(theme) << c; };
        row("title heading", {"Label2", "Convertitore Boost", {120, 120, 4215, 495}, 18});
        row("delta before iL/Iim", {"Label9", "Δ", {10560, 2160, 135, 255}, 9.75});
        row("ohm at 12 pt", {"Label45", "[Ω]", {3840, 8400, 375, 255}, 12});
        row("legend doubled blank", {"Label59", "ton =  intervallo di tempo in cui l'interruttore è chiuso",
                                     {10320, 7680, 5055, 255}, 8.25});
        row("legend trailing blank",
            {"Label63", "Iim = corrente media, o continua,  in ingresso ", {10320, 9120, 4455, 255}, 8.25});
        row("contact line, not bold",
            {"Label67", "Lab. Elettronica", {13680, 9720, 1575, 285}, 8.25, UiStyle::lightCyan});
        row("inductance result", {"Label24", "", {11280, 4440, 2055, 375}, 8.25, UiStyle::lightBlue});
        row("verify frequency second row", {"Text12", "", {1800, 6240, 1935, 375}, 8.25, UiStyle::lightPink});
        row("design button",
            {"Command1", "Calcola L , C , IDP, IDm , Iim", {10920, 6840, 2895, 495}, 8.25, UiStyle::lightBlue});
        row("verify button", {"Command2", "Grafici", {1800, 9000, 1935, 495}, 8.25, UiStyle::lightPink});
    }
    void controls()
    {
        QFETCH(Control, c);
        QWidget* w = form_->findChild<QWidget*>(c.name);
        QVERIFY(w);
        QCOMPARE(w->property("text").toString(), QString(c.text));
        QCOMPARE(w->geometry(), UiStyle::twips(c.twips.x(), c.twips.y(), c.twips.width(), c.twips.height()));
        QCOMPARE(w->font().pointSizeF(), c.points); // exact: a size given in the table
        QCOMPARE(w->font().bold(), QByteArray(c.name) != "Label67");
        if (c.face.isValid())
            QCOMPARE(w->grab().toImage().pixelColor(4, w->height() / 2), c.face);
    }

    // Only the counts have texts at start; the focus rests on the picture, and the tab
    // key follows the original order, not the screen's.  The fixed widths were made for
    // another font: every caption must still fit whole.
    void startState()
    {
        QStringList texts, chain;
        for (int n = 1; n <= 15; ++n)
            texts << form_->findChild<QLineEdit*>(QString("Text%1").arg(n))->text();
        QCOMPARE(texts.join('|'), QString("||||||||||||1000|10|5000"));
        for (QWidget* w = form_->nextInFocusChain(); w != form_.get(); w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                chain << w->objectName();
        QCOMPARE(chain.join(' '), QString("Picture1 Text1 Text2 Text3 Text4 Text5 Text6 Command1 Text7 Text8 Text9 "
                                          "Text10 Text11 Text12 Command2 Text13 Text14 Command3 Picture2 Text15"));
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QCOMPARE(QApplication::focusWidget(), form_->findChild<QWidget*>("Picture1"));
        QCOMPARE(form_->size(), QSize(1058, 683));
        for (int n = 1; n <= 67; ++n) {
            const auto* label = form_->findChild<QLabel*>(QString("Label%1").arg(n));
            QVERIFY2(label, qPrintable(QString::number(n)));
            const QFontMetrics fm(label->font());
            QVERIFY2(fm.horizontalAdvance(label->text()) <= label->contentsRect().width(), qPrintable(label->text()));
            QVERIFY2(fm.height() <= label->height(), qPrintable(label->text()));
        }
        for (const QPushButton* button : form_->findChildren<QPushButton*>())
            QVERIFY(QFontMetrics(button->font()).horizontalAdvance(button->text()) + 8 <= button->width());
    }

    // Return and keypad Enter press the focused button, as Space does.
    void enterPressesButtons()
    {
        for (const auto& [button, key] : {std::pair{"Command3", Qt::Key_Return}, {"Command1", Qt::Key_Enter}}) {
            auto* target = form_->findChild<QPushButton*>(button);
            target->setFocus();
            QTest::keyClick(target, key);
        }
        QCOMPARE(form_->findChild<QLabel*>("Label24")->text(), QString("7.50E+01"));
    }

    // A message box is wide enough for the window manager to show the whole title.
    void messageBoxShowsTitle()
    {
        int width = 0;
        QTimer::singleShot(0, [&width] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            width = box->width();
            QCOMPARE(box->windowTitle(), QString("Convertitore Boost"));
            box->accept();
        });
        MessageBoxPort(form_.get()).ShowMessage("Io non può essere negativa!");
        QVERIFY2(width >= UiStyle::titleBarWidth(), qPrintable(QString::number(width)));
    }
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
