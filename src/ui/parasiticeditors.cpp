#include "parasiticeditors.h"

#include "parasiticvalues.h"
#include "uistyle.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kTitleHeight = 24, kRowStep = 28;

struct FieldRow {
    const char* name;
    const char* symbol;
    const char* unit;
    const char* meaning;
};
// In the order of ParasiticField.
const FieldRow kFieldRows[] = {
    {"TextRL", "rL", "Ω", "resistenza dell'avvolgimento dell'induttore"},
    {"TextRon", "Ron", "Ω", "resistenza dell'interruttore chiuso"},
    {"TextVF", "VF", "V", "caduta di tensione del diodo in conduzione"},
    {"TextRD", "RD", "Ω", "resistenza del diodo in conduzione"},
    {"TextRC", "rC", "Ω", "resistenza serie del condensatore (ESR)"},
};

QLabel* caption(QWidget* parent, const QRect& at, const QString& text, bool bold = true)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(at);
    l->setFont(UiStyle::font(8.25, bold));
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

ParasiticEditors::ParasiticEditors(QWidget* window, ParasiticValues& values, QPoint topLeft, std::function<void()> calculate)
    : QObject(window), window_(window), values_(values)
{
    const int left = topLeft.x();
    caption(window, QRect(topLeft, QSize(420, 18)), QStringLiteral("Elementi parassiti (valori tipici di un banco):"))
        ->setObjectName(QStringLiteral("Label3"));
    for (std::size_t i = 0; i < std::size(kFieldRows); ++i) {
        const FieldRow& row = kFieldRows[i];
        const int top = topLeft.y() + kTitleHeight + kRowStep * int(i);
        caption(window, QRect(left, top + 2, 36, 18), QString::fromUtf8(row.symbol));
        makeField(i, QRect(left + 40, top, 80, 22), calculate);
        caption(window, QRect(left + 124, top + 2, 20, 18), QString::fromUtf8(row.unit));
        caption(window, QRect(left + 148, top + 2, 272, 18), QString::fromUtf8(row.meaning), false);
    }
    auto* button = new QPushButton(QStringLiteral("Calcola"), window);
    button->setObjectName(QStringLiteral("Calcola"));
    button->setGeometry(left, topLeft.y() + kTitleHeight + kRowStep * int(std::size(kFieldRows)) + 4, 110, 28);
    button->setFont(UiStyle::font());
    UiStyle::setButtonFace(button, UiStyle::kLightCyan);
    UiStyle::pressOnEnter(button);
    connect(button, &QPushButton::clicked, this, calculate);
    followValues();
}

ParasiticEditors::ParasiticEditors(QWidget* window, ParasiticValues& values, QPoint topLeft,
                                   std::function<void()> calculate, InOneLine)
    : QObject(window), window_(window), values_(values)
{
    constexpr int kTitleWidth = 134, kStep = 124;
    caption(window, QRect(topLeft + QPoint(0, 2), QSize(kTitleWidth - 4, 18)), QStringLiteral("Elementi parassiti:"))
        ->setObjectName(QStringLiteral("Label3"));
    for (std::size_t i = 0; i < std::size(kFieldRows); ++i) {
        const FieldRow& row = kFieldRows[i];
        const int left = topLeft.x() + kTitleWidth + kStep * int(i);
        caption(window, QRect(left, topLeft.y() + 2, 30, 18), QString::fromUtf8(row.symbol));
        makeField(i, QRect(left + 32, topLeft.y(), 64, 22), calculate)->setToolTip(QString::fromUtf8(row.meaning));
        caption(window, QRect(left + 100, topLeft.y() + 2, 20, 18), QString::fromUtf8(row.unit));
    }
    followValues();
}

// Element i's field at `at`: its value, the student's typing into it, Return to calculate.
QLineEdit* ParasiticEditors::makeField(std::size_t i, const QRect& at, const std::function<void()>& calculate)
{
    const FieldRow& row = kFieldRows[i];
    const QString unit = QString::fromUtf8(row.unit);
    auto* field = new QLineEdit(values_.texts()[i], window_);
    field->setObjectName(QString::fromLatin1(row.name));
    field->setGeometry(at);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setAccessibleName(QStringLiteral("%1, %2, in %3")
                                 .arg(QString::fromUtf8(row.symbol), QString::fromUtf8(row.meaning),
                                      unit == QStringLiteral("V") ? QStringLiteral("volt") : QStringLiteral("ohm")));
    const auto which = ParasiticField(i);
    connect(field, &QLineEdit::textEdited, this, [this, which](const QString& text) { values_.setText(which, text); });
    connect(field, &QLineEdit::returnPressed, this, calculate);
    fields_[i] = field;
    return field;
}

// A value changed in another window shows here at once.
void ParasiticEditors::followValues()
{
    connect(&values_, &ParasiticValues::changed, this, [this](ParasiticField which, const QString& text) {
        QLineEdit* field = fields_[std::size_t(which)];
        if (field->text() != text)
            field->setText(text);
    });
}

std::optional<Parasitics> ParasiticEditors::read(MessagePort& messages)
{
    const std::variant<Parasitics, ParasiticField> read = readParasitics(values_.texts(), messages);
    if (const ParasiticField* refused = std::get_if<ParasiticField>(&read)) {
        QLineEdit* field = fields_[std::size_t(*refused)];
        UiStyle::bringToFront(window_);
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
        return std::nullopt;
    }
    return std::get<Parasitics>(read);
}
