#pragma once

#include <QRect>
#include <QString>

namespace orvelan {

// What the import and export windows ask of the main window.
class ExchangeHost {
public:
    virtual ~ExchangeHost() = default;
    // The main window's frame on the screen, in pixels: the windows open beside it.
    virtual QRect bookFrame() const = 0;
    // F1: opens a help page by its file name ("useage_imp.htm").
    virtual void openHelpPage(const QString& fileName) = 0;
    // The export window has put the store's position back (tab, page, file, count) on closing;
    // the main window shows that page again.
    virtual void restorePosition() = 0;
    // The folder the import and export file dialogs open in: the one the user chose last, the
    // home folder at first.
    virtual QString exchangeFolder() const = 0;
    virtual void setExchangeFolder(const QString& folder) = 0;
};

} // namespace orvelan
