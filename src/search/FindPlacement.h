#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace orvelan {

// The search window opens 1200 twips left of the main window's left edge and 800 twips below
// its top, kept on the screen: never left of it or below it, and moved left when it would
// stick out on the right. Positions in pixels (15 twips to the pixel).
QPoint findWindowPosition(const QRect& bookFrame, const QSize& findSize, const QRect& screen);

// The status texts of the search window.
namespace FindStatus {
inline const QString Ready = QStringLiteral("ORVELAN  Ready");
inline const QString SelectionError = QStringLiteral("Selection   Error");
inline const QString NothingFound = QStringLiteral("Nothing  Found");
inline const QString Searching = QStringLiteral("Searching...");
inline const QString Ok = QStringLiteral("OK");
inline const QString ClearList = QStringLiteral("CLEAR  Search List");
inline const QString PrintingList = QStringLiteral("Printing Search List..");
inline const QString NoListToPrint = QStringLiteral("No List to Print");
// After a search that found pages: "1  Page Found", "Found:  12  Pages", "40  Pages Listed".
QString found(int count, bool emptyQuery);
// The find box's first pages when more may follow: "Found:  200+  Pages".
QString foundAtLeast(int count);
} // namespace FindStatus

// More pages than this found so far shows "Searching..." after each tab.
inline constexpr int SearchingNoticeAfter = 500;

} // namespace orvelan
