#include "uistyle.h"

#include "appicon.h"

#include "app/numbers.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QTranslator>
#include <QWidget>

namespace UiStyle {

namespace {

class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        // A held key presses once, not once per repeat.
        if (!key->isAutoRepeat())
            static_cast<QAbstractButton*>(watched)->click();
        return true;
    }
};

} // namespace

QString programTitle()
{
    return QStringLiteral("Convertitore Boost");
}

void setUpApplication()
{
    // Qt's own dialogs (the file dialog above all) speak the program's language too.
    auto* qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setFont(font());
    QApplication::setWindowIcon(AppIcon::icon());
    QCoreApplication::setOrganizationName(QStringLiteral("convertitore-boost"));
    QCoreApplication::setApplicationName(QStringLiteral("convertitore-boost"));
    QGuiApplication::setDesktopFileName(QStringLiteral("convertitore-boost"));
}

int titleBarWidth()
{
    // Window managers draw titles in a bold face somewhat larger than the dialog text;
    // icon, minimise, maximise and close buttons take about 30 px each.
    const int text = QFontMetrics(font(10)).horizontalAdvance(programTitle());
    constexpr int kDecorations = 4 * 30;
    return text + kDecorations;
}

void setUpResultWindow(QWidget* window, const char* name, const QString& title)
{
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(title);
    window->setWindowIcon(AppIcon::icon());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setFont(font());
}

void bringToFront(QWidget* window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void pressOnEnter(QAbstractButton* button)
{
    button->installEventFilter(new EnterPresses(button));
}

QRect twips(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

QFont font(double pointSize, bool bold)
{
    QFont f;
    // Fontconfig maps "MS Sans Serif" to DejaVu Sans, which is too wide for the fixed
    // label widths; Liberation Sans has the metrics the layout was made for.
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("MS Sans Serif"),
                   QStringLiteral("Arial")});
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

void makeCopyable(QLabel* label)
{
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::ClickFocus);
    // A label offers a context menu only for links: this one is the label's own.  The
    // keys are those the label already answers to while it has the focus.
    label->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copy = new QAction(QStringLiteral("Copia\tCtrl+C"), label);
    copy->setObjectName(QStringLiteral("Copia"));
    QObject::connect(copy, &QAction::triggered, label, [label] {
        QGuiApplication::clipboard()->setText(label->hasSelectedText() ? label->selectedText() : label->text());
    });
    auto* all = new QAction(QStringLiteral("Seleziona tutto\tCtrl+A"), label);
    all->setObjectName(QStringLiteral("SelezionaTutto"));
    QObject::connect(all, &QAction::triggered, label, [label] { label->setSelection(0, int(label->text().size())); });
    label->addActions({copy, all});
}

namespace {
// The dynamic property that keeps a box's full value, as the fields read it.
constexpr char kExactValue[] = "valoreEsatto";
} // namespace

void offerExactValue(QLabel* label)
{
    auto* exact = new QAction(QStringLiteral("Copia il valore esatto"), label);
    exact->setObjectName(QStringLiteral("CopiaValoreEsatto"));
    exact->setEnabled(false);
    QObject::connect(exact, &QAction::triggered, label,
                     [label] { QGuiApplication::clipboard()->setText(label->property(kExactValue).toString()); });
    label->addAction(exact);
}

void setExactValue(QLabel* label, std::optional<double> value)
{
    label->setProperty(kExactValue, value ? QVariant(QString::fromLatin1(shortestText(*value))) : QVariant());
    if (auto* exact = label->findChild<QAction*>(QStringLiteral("CopiaValoreEsatto")))
        exact->setEnabled(value.has_value());
}

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Base, colour);
    p.setColor(QPalette::Button, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    p.setColor(QPalette::ButtonText, colour);
    widget->setPalette(p);
}

void setButtonFace(QWidget* button, const QColor& face)
{
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 1px solid %2; border-radius: 3px; }"
                       "QPushButton:focus { border: 2px solid %2; }"
                       "QPushButton:pressed { background-color: %3; }")
            .arg(face.name(), face.darker(220).name(), face.darker(115).name()));
}

QLabel* staleLine(QWidget* plot)
{
    auto* line = new QLabel(QStringLiteral("Valori precedenti: «Grafici» non ha simulato i campi attuali."), plot);
    line->setObjectName(QStringLiteral("ValoriPrecedenti"));
    line->setFont(font());
    line->setTextFormat(Qt::PlainText);
    setTextColour(line, Qt::red);
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
    line->hide();
    return line;
}

} // namespace UiStyle
