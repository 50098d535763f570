#pragma once

#include <QRect>
#include <QString>

namespace orvelan {

// What the search window asks of the main window.
class BookNavigator {
public:
    virtual ~BookNavigator() = default;

    // Makes `tab` current, redraws the tab strip and the tab, shows page `page`, and brings the
    // main window to the front in its normal state.
    virtual void showPage(int tab, qint64 page) = 0;
    // Esc in the search window: the main window to the front (the search window stays open).
    virtual void bringBookToFront() = 0;
    // The main window's frame on the screen, in pixels: the search window is placed beside it.
    virtual QRect bookFrame() const = 0;
    // The search window has been activated: the main window's FindLa turns blue.
    virtual void searchWindowActivated() = 0;
    // F1: opens a help page by its file name ("orvelanfind.htm").
    virtual void openHelpPage(const QString& fileName) = 0;
};

} // namespace orvelan
