// Shared look of both windows: fixed positions in twips, the bold sans-serif font,
// background colours.
#pragma once

#include "app/platform.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <optional>

class QAbstractButton;
class QLabel;
class QWidget;

namespace UiStyle {

// The program's name: the main window's title and heading, and the title of every
// message box and dialog.
QString programTitle();

// What the windows expect of the application, set once at start: Qt's own texts in
// Italian; one style on every desktop, so the coloured fields and button faces look
// alike; the font; the icon;
// the names under which settings are kept and desktops match the windows to the menu
// entry.  No display name, which window managers would append to every title.
void setUpApplication();

// Width in pixels that a dialog needs for a window manager to show the whole program
// title in its title bar, beside the icon and the title-bar buttons.
int titleBarWidth();

// A result window's start: its name (the one tests and tools find it by), its title,
// the program's icon and font, and discarded when closed.
void setUpResultWindow(QWidget* window, const char* name, const QString& title);

// Shows a top-level window restored if it was minimised, raised and active.
void bringToFront(QWidget* window);

// Return and keypad Enter press the button while it has the focus, as Space does.
void pressOnEnter(QAbstractButton* button);

// Window layouts are given in twips: 15 twips make one pixel at 96 dpi.
constexpr int twipsToPixels(int twips) { return (twips + 7) / 15; }
QRect twips(int left, int top, int width, int height);

// A control's name (the one tests and tools find it by) and its fixed place: left,
// top, width, height in twips of the client area.
struct Place {
    const char* name = "";
    int left = 0, top = 0, width = 0, height = 0;
};

// Bold 8.25 pt unless told otherwise, in a face metric-compatible with MS Sans Serif.
QFont font(double pointSize = 8.25, bool bold = true);

// Common set-up of every control: its name, its fixed place and its font.
template <typename W>
W* place(W* widget, const Place& at, const QFont& font = UiStyle::font())
{
    widget->setObjectName(QString::fromLatin1(at.name));
    widget->setGeometry(twips(at.left, at.top, at.width, at.height));
    widget->setFont(font);
    return widget;
}

// Paints a widget's background (label, field or button face) with a solid colour.
void setBackground(QWidget* widget, const QColor& colour);
void setTextColour(QWidget* widget, const QColor& colour);
// Fills a push button's whole face with one colour (the style would shade it into a
// gradient), with a thin darker edge that thickens while it has the focus.
void setButtonFace(QWidget* button, const QColor& face);

// A result box whose text the student can select with the mouse or the keyboard and
// copy with Ctrl+C or its context menu ("Copia" takes the whole value when nothing is
// selected); it takes the focus only when clicked, so the Tab key still goes from field
// to field as before.
void makeCopyable(QLabel* label);
// Adds "Copia il valore esatto" to such a box's menu: the full value it was last given
// by setExactValue, in the form the fields read back ("." and the shortest digits that
// read back to the same double); unavailable while it has none.
void offerExactValue(QLabel* label);
void setExactValue(QLabel* label, std::optional<double> value);

inline QColor qColour(Rgb c) { return {c.r, c.g, c.b}; }

inline const QColor kLightBlue{192, 192, 255};
inline const QColor kLightPink{255, 192, 192};
inline const QColor kLightCyan{192, 255, 255};
inline const QColor kLightYellow{255, 255, 192};

// The red line along a result window's plot that says its figures are those of an
// earlier run than the fields hold (objectName ValoriPrecedenti), hidden until asked
// for; the pointer passes through it to the plot.
QLabel* staleLine(QWidget* plot);

} // namespace UiStyle
