#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace orvelan {

// Tab 0 holds names that do not begin with a letter A to Z; tabs 1..25 are the letter tabs
// (I and J share tab 9).
inline constexpr int TabCount = 26;
inline constexpr int FirstLetterTab = 1;
inline constexpr int LastTab = 25;

QString tabFileName(int tab);     // "OrvelC0.rfx", "Orvel01.raf" ... "Orvel19.raf"
QString tabTempFileName(int tab); // the ".ra_" twin
QByteArray tabLabel(int tab);     // "*0 ", "A " ... "I J " ... "Z "

// The tab a name is filed under: its first character after trimming spaces, upper-cased.
int tabForName(QByteArrayView name);
int tabForName(QStringView name);

// A tab named by index "0".."25" or by letter ("A".."Z", case-insensitive; I and J both give 9).
// Returns -1 for anything else.
int parseTab(QStringView text);

// Trim leading and trailing spaces only, as the stored fields are trimmed.
QByteArrayView trimSpaces(QByteArrayView text);
QStringView trimSpaces(QStringView text);

} // namespace orvelan
