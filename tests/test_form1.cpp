// The main window through its controls: fixed layout, fonts, colours, focus order,
// start state, and the example → design path through real button clicks.
#include "app/model.h"
#include "ui/circuitpicture.h"
#include "ui/form1.h"
#include "ui/uistyle.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <set>

namespace {

class RecordingMessages : public MessagePort {
public:
    QStringList shown;
    void ShowMessage(const QString& text) override { shown << text; }
};

// The runs tested here end before they would ask for the waveform window.
class UnusedWaveforms : public Form2Host {
public:
    Form2Port& obtainForm2() override { qFatal("the waveform window was requested"); }
};

// Text, and the colour that fills the control (a label's only when it paints its own).
std::pair<QString, QColor> look(const QWidget* w)
{
    if (auto* edit = qobject_cast<const QLineEdit*>(w))
        return {edit->text(), w->palette().color(QPalette::Base)};
    if (auto* button = qobject_cast<const QPushButton*>(w))
        return {button->text(), const_cast<QPushButton*>(button)->grab().toImage().pixelColor(4, button->height() / 2)};
    const auto* label = qobject_cast<const QLabel*>(w);
    return {label ? label->text() : QString(),
            w->autoFillBackground() ? w->palette().color(QPalette::Window) : QColor()};
}

QStringList names(const char* prefix, int from, int to)
{
    QStringList all;
    for (int n = from; n <= to; ++n)
        all << QString::fromLatin1(prefix) + QString::number(n);
    return all;
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

    Model model_;
    RecordingMessages messages_;
    UnusedWaveforms waveforms_;
    std::unique_ptr<Form1> form_;

    template <typename W = QWidget>
    W* control(const QString& name) const { return form_->findChild<W*>(name); }
    void click(const char* button) { QTest::mouseClick(control(button), Qt::LeftButton); }

    // Everything an action may write: captions, verification texts and their colours.
    QStringList outputs() const
    {
        QStringList all;
        for (const QLabel* label : form_->findChildren<QLabel*>())
            all << label->text();
        for (const QString& name : names("Text", 7, 15))
            all << control<QLineEdit>(name)->text()
                << control(name)->palette().color(QPalette::Text).name();
        return all;
    }

private slots:
    void init()
    {
        model_ = Model{};
        messages_.shown.clear();
        form_ = std::make_unique<Form1>(model_, messages_, waveforms_);
    }
    void cleanup()
    {
        form_.reset();
        QLocale::setDefault(QLocale::c());
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<double>("points");
        QTest::addColumn<QColor>("background");
        const QColor none, blue = UiStyle::lightBlue, pink = UiStyle::lightPink;
        auto row = [](const char* theme, const char* name, const char* kind, const QString& text,
                      QRect twips, double points, QColor background) {
            QTest::newRow(theme) << name << kind << text << twips << points << background;
        };
        row("title heading", "Label2", "QLabel", Form1::title(), {120, 120, 4215, 495}, 18, none);
        row("delta before iL/Iim", "Label9", "QLabel", "Δ", {10560, 2160, 135, 255}, 9.75, none);
        row("ohm at 12 pt", "Label45", "QLabel", "[Ω]", {3840, 8400, 375, 255}, 12, none);
        row("latin D of duty cycle", "Label38", "QLabel", "D", {1440, 6840, 255, 255}, 8.25, none);
        row("legend doubled blank", "Label59", "QLabel",
            "ton =  intervallo di tempo in cui l'interruttore è chiuso", {10320, 7680, 5055, 255}, 8.25, none);
        row("legend trailing blank", "Label63", "QLabel",
            "Iim = corrente media, o continua,  in ingresso ", {10320, 9120, 4455, 255}, 8.25, none);
        row("contact line", "Label67", "QLabel", "Lab. Elettronica", {13680, 9720, 1575, 285}, 8.25,
            UiStyle::lightCyan);
        row("inductance result", "Label24", "QLabel", "", {11280, 4440, 2055, 375}, 8.25, blue);
        row("design input voltage", "Text1", "QLineEdit", "", {11280, 720, 2055, 375}, 8.25, blue);
        row("verify frequency second row", "Text12", "QLineEdit", "", {1800, 6240, 1935, 375}, 8.25, pink);
        row("samples default", "Text13", "QLineEdit", "1000", {5400, 5760, 1935, 375}, 8.25, pink);
        row("design button", "Command1", "QPushButton", "Calcola L , C , IDP, IDm , Iim",
            {10920, 6840, 2895, 495}, 8.25, blue);
        row("example button", "Command3", "QPushButton", "Dati Esempio", {13920, 3720, 1455, 495}, 8.25, blue);
        row("verify button", "Command2", "QPushButton", "Grafici", {1800, 9000, 1935, 495}, 8.25, pink);
        row("picture frame", "Picture1", "QFrame", "", {240, 720, 9735, 4455}, 8.25, none);
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QRect, twips);
        QFETCH(double, points);
        QFETCH(QColor, background);
        const QWidget* w = control(name);
        QVERIFY(w);
        QCOMPARE(w->metaObject()->className(), kind);
        QCOMPARE(look(w), std::make_pair(text, background));
        QCOMPARE(w->geometry(), UiStyle::twips(twips.x(), twips.y(), twips.width(), twips.height()));
        QCOMPARE(w->font().pointSizeF(), points); // exact: a size given in the table
        QCOMPARE(w->font().bold(), name != "Label67");
    }

    // Fixed widths were made for another font: every caption must still fit whole.
    void everyLabelExistsAndFits()
    {
        QCOMPARE(form_->size(), QSize(1058, 683));
        for (const QString& name : names("Label", 1, 67)) {
            const QLabel* label = control<QLabel>(name);
            QVERIFY2(label, qPrintable(name));
            const QFontMetrics fm(label->font());
            QVERIFY2(fm.horizontalAdvance(label->text()) <= label->contentsRect().width(), qPrintable(name));
            QVERIFY2(fm.height() <= label->height(), qPrintable(name));
        }
        for (const QPushButton* button : form_->findChildren<QPushButton*>())
            QVERIFY(QFontMetrics(button->font()).horizontalAdvance(button->text()) + 8 <= button->width());
        for (const char* name : {"Label24", "Label25", "Label26", "Label27", "Label32"})
            QCOMPARE(control<QLabel>(name)->frameShape(), QFrame::Box);
        QCOMPARE(control("Picture2")->geometry(), control<QFrame>("Picture1")->contentsRect());
    }

    void fieldsAndButtonsAreNamedForScreenReaders()
    {
        std::set<QString> spoken;
        for (const QString& name : names("Text", 1, 15) + names("Command", 1, 3)) {
            const QString accessible = control(name)->accessibleName();
            QVERIFY2(!accessible.isEmpty() && spoken.insert(accessible).second, qPrintable(name));
        }
    }

    void startState()
    {
        QStringList chain;
        for (QWidget* w = form_->nextInFocusChain(); w != form_.get(); w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                chain << w->objectName();
        QCOMPARE(chain, QStringList({"Picture1", "Text1", "Text2", "Text3", "Text4", "Text5", "Text6",
                                     "Command1", "Text7", "Text8", "Text9", "Text10", "Text11", "Text12",
                                     "Command2", "Text13", "Text14", "Command3", "Picture2", "Text15"}));
        QStringList texts;
        for (const QString& name : names("Text", 1, 15))
            texts << control<QLineEdit>(name)->text();
        QCOMPARE(texts.join('|'), QString("||||||||||||1000|10|5000"));
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QCOMPARE(QApplication::focusWidget(), control("Picture1"));
    }

    void resizingMovesNothing()
    {
        const auto children = form_->findChildren<QWidget*>();
        QList<QRect> before;
        for (const QWidget* w : children)
            before << w->geometry();
        for (QSize size : {QSize(400, 300), QSize(1600, 1000)}) {
            form_->resize(size);
            for (qsizetype i = 0; i < children.size(); ++i)
                QCOMPARE(children[i]->geometry(), before[i]);
        }
    }

    void schematicLandmarks_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("border corner") << QPoint(0, 0) << QColor(Qt::black);
        QTest::newRow("empty paper") << QPoint(300, 285) << QColor(Qt::white);
        QTest::newRow("top rail before coil") << QPoint(100, 78) << QColor(0, 150, 0);
        QTest::newRow("bottom rail") << QPoint(400, 250) << QColor(0, 150, 0);
        QTest::newRow("input voltage arrow") << QPoint(36, 164) << QColor(0, 0, 255);
    }
    void schematicLandmarks()
    {
        QFETCH(QPoint, at);
        QFETCH(QColor, colour);
        QImage image(CircuitPicture::drawingSize(), QImage::Format_RGB32);
        QPainter painter(&image);
        CircuitPicture::paint(painter);
        painter.end();
        QCOMPARE(image.pixelColor(at), colour);
    }

    void exampleThenDesign_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("separator");
        QTest::newRow("C locale") << QLocale::c() << ".";
        QTest::newRow("Italian locale") << QLocale(QLocale::Italian, QLocale::Italy) << ",";
    }
    void exampleThenDesign()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, separator);
        QLocale::setDefault(locale);
        click("Command3");
        click("Command1");
        QCOMPARE(messages_.shown, QStringList());
        const std::pair<const char*, const char*> results[] = {
            {"Label24", "7.50E+01"}, {"Label25", "1.25E+02"}, {"Label26", "3.00E+00"},
            {"Label27", "1.50E+00"}, {"Label32", "2.50E+00"}};
        for (auto [name, text] : results)
            QCOMPARE(control<QLabel>(name)->text(), QString(text).replace(".", separator));
        const std::pair<const char*, const char*> fields[] = {
            {"Text7", "1.500E+01"}, {"Text12", "8.000E+01"}, {"Text8", "4.000E+01"},
            {"Text9", "7.500E+01"}, {"Text10", "1.250E+02"}, {"Text11", "1.667E+01"}};
        for (auto [name, text] : fields) {
            QCOMPARE(control<QLineEdit>(name)->text(), QString(text));
            QCOMPARE(control(name)->palette().color(QPalette::Text), QColor(0, 0, 255));
        }
        QCOMPARE(control("Text13")->palette().color(QPalette::Text), QColor(Qt::black));
    }

    void refusedDesignChangesNothing()
    {
        click("Command3");
        click("Command1");
        const QStringList before = outputs();
        control<QLineEdit>("Text2")->setText("10");
        click("Command1");
        QCOMPARE(messages_.shown,
                 QStringList("La tensione in uscita non può essere zero o negativa o minore di Vi!"));
        QCOMPARE(outputs(), before);
    }

    // At start the first verification field is empty: reported before any waveform
    // window is asked for.
    void verificationStopsAtEmptyField()
    {
        click("Command2");
        QCOMPARE(messages_.shown, QStringList("Hai dimenticato di scrivere la tensione di ingresso Vi"));
    }
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
