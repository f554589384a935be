// Messages to the student, each worded once, and the one way they are shown.
#pragma once

#include "app/platform.h"

#include <QString>
#include <QStringView>

struct Model;

// Every message of an action goes into m.MsgText first, then into the message box.
void reportMessage(Model& m, MessagePort& ui, const QString& text);

// Both the design and the verification refuse an input voltage that is not positive.
inline constexpr QStringView kInputVoltageMessage = u"La tensione in ingresso non può essere zero o negativa!";

// A field of the main window and its content as the messages about it name it, e.g.
// "la tensione di ingresso Vi".
struct NamedField {
    Form1Field field = Form1Field::Text1;
    QStringView quantity;
};

// A field holding a character that is not part of a number, a decimal comma among
// them.  `quantity` names the field's content as the sentence needs it, e.g. "la
// tensione di ingresso Vi".
QString badFormatMessage(QStringView quantity);

// A number beyond the range of a double, or one that its unit conversion takes there.
QString tooLargeMessage(QStringView quantity);
