// Messages about what a student typed into a field, worded alike for the design and
// the verification fields.  `quantity` names the field's content as the sentence
// needs it, e.g. "la tensione di ingresso Vi".
#pragma once

#include <QString>
#include <QStringView>

// A character that is not part of a number, a decimal comma among them.
QString BadFormatMessage(QStringView quantity);

// A number beyond the range of a double, or one that its unit conversion takes there.
QString TooLargeMessage(QStringView quantity);
