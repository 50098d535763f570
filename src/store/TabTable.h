#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace orvelan {

// Tab 0 holds names that begin with anything but a letter (a digit, a sign: "3M", "7-Eleven");
// tabs 1..25 are the letter tabs (I and J share tab 9).
inline constexpr int TabCount = 26;
inline constexpr int FirstLetterTab = 1;
inline constexpr int LastTab = 25;

QString tabFileName(int tab);     // "OrvelC0.rfx", "Orvel01.raf" ... "Orvel19.raf"
QString tabTempFileName(int tab); // the ".ra_" twin
QByteArray tabLabel(int tab);     // "*0 ", "A " ... "I J " ... "Z "
QString tabCaption(int tab);      // the label without its trailing space: "*0", "A" ... "I J"

// The Latin letter a name is filed under, 'A'..'Z', or 0 when its first character (after
// leading spaces) is not a letter. A..Z and a..z stand for themselves; any other letter is
// transliterated to Latin and then to ASCII (É gives E, Ł L, И I, Π P, 王 W) and the first
// ASCII letter of the result decides; when the first character alone gives none (Hebrew alef),
// the first word does.
char filingLetter(QStringView name);

// The tab a name is filed under: the tab of its filing letter (I and J share tab 9), or 0 for
// a name that begins with anything else. Every place that files a name (the editor, saving,
// copying, import, sync, the tool) decides through this one function.
int tabForName(QStringView name);
// The same for a name stored in Windows-1252.
int tabForName(QByteArrayView name);

// Whether a name may begin as `name` does: anything but a space (of any kind), a control or
// format character or a combining mark, taken as the first whole character (a letter beyond
// the Basic Multilingual Plane is one character). An empty name is allowed here; the callers
// decide what an empty name means.
bool nameStartAllowed(QStringView name);

// A tab named by index "0".."25", by letter ("A".."Z", case-insensitive; I and J both give 9),
// or as listings print it ("*0", "I J", "IJ"). Returns -1 for anything else.
int parseTab(QStringView text);

// Trim leading and trailing spaces only, as the stored fields are trimmed.
QByteArrayView trimSpaces(QByteArrayView text);
QStringView trimSpaces(QStringView text);

} // namespace orvelan
