#pragma once

#include <QStringView>

namespace orvelan {

// The numeric value of a text as the runtime's Val reads it: its longest leading part that reads
// as a number. Leading blanks, tabs and line feeds are skipped, blanks between digits are
// skipped, an optional sign, digits, one decimal point and an exponent are taken; &H and &O
// introduce hexadecimal and octal digits. A text with no such part is 0.
double numericValue(QStringView text);

// The two tests a selected number must pass before it can be dialed: at least 3 characters once
// trimmed, and a numeric value other than 0 unless it starts with "*" or "#".
bool isDialableNumber(QStringView number);

// The number a telephone handler is given for a page's field: its first number, from the first
// digit (or a leading "+", "*", "#") up to a letter or anything that starts another number, with
// the spaces, dashes, dots and brackets that only group digits left out. "0123 456 ext 12"
// gives "0123456"; "+44 (20) 7946-0958 / 0800 1" gives "+442079460958".
QString firstTelephoneNumber(QStringView field);

} // namespace orvelan
