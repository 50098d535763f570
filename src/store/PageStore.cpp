#include "store/PageStore.h"

#include "store/PageIdentity.h"
#include "store/RuntimeError.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "store/Trash.h"
#include "store/Windows1252.h"

#include <QFileInfo>

namespace orvelan {

StoreResult StoreResult::failed(StoreFailure::Operation operation, int error, const QString& path) {
    StoreResult result;
    result.ok = false;
    result.failure = {operation, error, QFileInfo(path).fileName()};
    return result;
}

PageStore::PageStore(BookFolder folder, const Clock& clock)
    : m_folder(std::move(folder)), m_clock(clock) {
    tabFilePath();
    tabLabel();
}

void PageStore::selectTabFile() {
    tabFilePath();
    m_pageCount = currentTabFile().pageCount().value_or(0);
}

void PageStore::tabFilePath() {
    m_fileTab = m_currentTab;
    m_tabFilePath = m_folder.tabFilePath(m_currentTab);
}

TabFile PageStore::currentTabFile() const {
    return m_folder.tabFile(m_fileTab);
}

QString PageStore::tempFilePath() const {
    return m_folder.tabTempFilePath(m_currentTab);
}

void PageStore::tabLabel() {
    m_tabLabel = orvelan::tabLabel(m_currentTab);
}

void PageStore::tabForName(QStringView name) {
    m_currentTab = orvelan::tabForName(name);
}

QString PageStore::recordCaption(qint64 page) const {
    return QString::fromLatin1(orvelan::tabLabel(m_currentTab)) + u' ' + QString::number(page);
}

StoreResult PageStore::getPage(qint64 page, PageTexts& view) {
    tabLabel();
    const TabFile::Read read = currentTabFile().readPage(page);
    if (read.error) {
        StoreResult failed =
            StoreResult::failed(StoreFailure::Operation::GetPage, read.error, m_tabFilePath);
        failed.failure.tab = m_fileTab;
        failed.failure.page = page;
        return failed;
    }
    PageRecord record;
    if (!read.record.isEmpty())
        record = PageRecord::fromStored(read.record);
    view = textsOf(record);
    m_dateModified = fromWindows1252(record[Field::DateModified]);
    m_timeModified = fromWindows1252(record[Field::TimeModified]);
    refreshLoadedCopy(view);
    m_pageChanged = false;
    return {};
}

StoreResult PageStore::putPage(const PageTexts& view) {
    const QDateTime now = m_clock.now();
    m_dateModified = now.toString(QStringLiteral("dd/MM/yy"));
    m_timeModified = now.toString(QStringLiteral("HH:mm"));
    PageRecord record;
    record[Field::PageNo] = QByteArray::number(m_currentPage);
    fillRecord(record, view);
    record[Field::DateModified] = m_dateModified.toLatin1();
    record[Field::TimeModified] = m_timeModified.toLatin1();
    const TabFile file = currentTabFile();
    QByteArray stored = record.toStored();
    // The page keeps the identity it has with a contacts server across edits.
    setPageId(stored, pageIdOf(file.readPage(m_currentPage).record));
    const int error = file.writePage(m_currentPage, stored);
    if (error)
        return StoreResult::failed(StoreFailure::Operation::PutPage, error, m_tabFilePath);
    refreshLoadedCopy(view);
    m_pageChanged = false;
    return {};
}

StoreResult PageStore::writeBlankPage(qint64 page) {
    const int error = currentTabFile().writePage(page, blankRecord());
    if (error)
        return StoreResult::failed(StoreFailure::Operation::WriteBlankPage, error, m_tabFilePath);
    return {};
}

StoreResult PageStore::deletePage(qint64 page) {
    QString why;
    const int error =
        deletePageToTrash(m_folder, m_clock, m_currentTab, page, TrashReason::Deleted, why);
    if (error)
        return StoreResult::failed(StoreFailure::Operation::WriteBlankPage, error, m_tabFilePath);
    return {};
}

PageStore::NewPage PageStore::saveNewPage(PageTexts& view) {
    NewPage outcome;
    if (!keepCurrentTab) {
        tabForName(view[0]);
        selectTabFile();
    }
    qint64 slot = 0;
    qint64 count = 0;
    const TabFile file = currentTabFile();
    if (const int error = file.findFirstBlank(slot, count);
        error && error != RuntimeError::FileNotFound) {
        outcome.result =
            StoreResult::failed(StoreFailure::Operation::SaveNewPage, error, m_tabFilePath);
        return outcome;
    }
    outcome.reusedBlank = slot > 0;
    outcome.page = slot > 0 ? slot : count + 1;
    m_currentPage = outcome.page;
    outcome.result = putPage(view);
    if (!outcome.result)
        return outcome;
    m_pageCount = file.pageCount().value_or(0);
    outcome.result = getPage(m_currentPage, view);
    if (!outcome.result)
        return outcome;
    const QString name = view[0];
    if (outcome.reusedBlank) {
        outcome.title = QStringLiteral("ORVELAN Address Book");
        outcome.text =
            QStringLiteral(" New page for the Name: [ ") + name + QStringLiteral(" ] Entered.    ");
    } else {
        outcome.title = QStringLiteral("ORVELAN New Page");
        outcome.text = QStringLiteral(" New page for the Name: [ ") + name +
                       QStringLiteral(" ] Created.     ");
    }
    return outcome;
}

bool PageStore::testPageChanged(const PageTexts& view) {
    m_pageChanged = view != m_loadedCopy;
    return m_pageChanged;
}

} // namespace orvelan
