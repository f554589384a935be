#include "uistyle.h"

#include <QPalette>
#include <QWidget>

namespace UiStyle {

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

} // namespace UiStyle
