#pragma once

#include "exchange/ExchangeHost.h"
#include "platform/qt/QtFileDialogs.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace orvelan {

class ExportWindow;
class ImportWindow;
class Session;

// Opens the import and export windows for the main window: each opening gets a fresh window,
// deleted when it closes; file dialogs are placed beside the main window.
class ExchangeWindows final : public QObject, public ExchangeHost {
    Q_OBJECT
public:
    // `openHelp` opens a help page by file name; `showStorePosition` makes the main window show
    // the store's current tab and page again (after an export window closes).
    ExchangeWindows(Session& session, QWidget* mainWindow,
                    std::function<void(const QString&)> openHelp,
                    std::function<void()> showStorePosition, QObject* parent = nullptr);
    ~ExchangeWindows() override;

    void openImport();
    void openExport();
    ImportWindow* importWindow() const;
    ExportWindow* exportWindow() const;

    QRect bookFrame() const override;
    void openHelpPage(const QString& fileName) override;
    void restorePosition() override;
    // The folder of the last file imported or exported, kept in orvelan.conf from one run to the
    // next ("ExchangeFolder="); the home folder at first, or when that folder is gone.
    QString exchangeFolder() const override;
    void setExchangeFolder(const QString& folder) override;

private:
    Session& m_session;
    QPointer<QWidget> m_mainWindow;
    std::function<void(const QString&)> m_openHelp;
    std::function<void()> m_showStorePosition;
    QtFileDialogs m_dialogs;
    QPointer<ImportWindow> m_import;
    QPointer<ExportWindow> m_export;
};

} // namespace orvelan
