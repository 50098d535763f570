#include "exchange/qt/ExchangeWindows.h"

#include "exchange/qt/ExportWindow.h"
#include "exchange/qt/ImportWindow.h"

#include "store/LocalConfig.h"

#include <QDir>
#include <QFileInfo>

namespace orvelan {

ExchangeWindows::ExchangeWindows(Session& session, QWidget* mainWindow,
                                 std::function<void(const QString&)> openHelp,
                                 std::function<void()> showStorePosition, QObject* parent)
    : QObject(parent), m_session(session), m_mainWindow(mainWindow),
      m_openHelp(std::move(openHelp)), m_showStorePosition(std::move(showStorePosition)),
      m_dialogs(mainWindow) {}

QString ExchangeWindows::exchangeFolder() const {
    const QString kept = LocalConfig(m_session.folder().configPath()).value(u"ExchangeFolder");
    return !kept.isEmpty() && QFileInfo(kept).isDir() ? kept : QDir::homePath();
}

void ExchangeWindows::setExchangeFolder(const QString& folder) {
    // Not kept (a read-only book folder): the dialogs open at home next time, nothing worse.
    LocalConfig(m_session.folder().configPath()).setValue(u"ExchangeFolder", folder);
}

ExchangeWindows::~ExchangeWindows() {
    delete m_import.data();
    delete m_export.data();
}

void ExchangeWindows::openImport() {
    if (!m_import) {
        m_import = new ImportWindow(m_session, m_dialogs, *this, m_mainWindow);
        connect(m_import, &ImportWindow::closed, m_import, &QObject::deleteLater);
    }
    m_import->open();
}

void ExchangeWindows::openExport() {
    if (!m_export) {
        m_export = new ExportWindow(m_session, m_dialogs, *this, m_mainWindow);
        connect(m_export, &ExportWindow::closed, m_export, &QObject::deleteLater);
    }
    m_export->open();
}

QRect ExchangeWindows::bookFrame() const {
    return m_mainWindow ? m_mainWindow->frameGeometry() : QRect();
}

void ExchangeWindows::openHelpPage(const QString& fileName) {
    if (m_openHelp)
        m_openHelp(fileName);
}

void ExchangeWindows::restorePosition() {
    if (m_showStorePosition)
        m_showStorePosition();
}

ImportWindow* ExchangeWindows::importWindow() const {
    return m_import;
}

ExportWindow* ExchangeWindows::exportWindow() const {
    return m_export;
}

} // namespace orvelan
