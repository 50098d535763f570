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

} // namespace orvelan
