#pragma once

#include "platform/Clock.h"
#include "store/BookFolder.h"
#include "store/PageTexts.h"
#include "store/TabFile.h"

#include <QByteArray>
#include <QString>

namespace orvelan {

// A failed read or write of a page: what was being done, the runtime error number and the tab
// file's name. StoreMessages turns it into the message boxes the user sees.
struct StoreFailure {
    enum class Operation { GetPage, PutPage, WriteBlankPage, SaveNewPage };
    Operation operation = Operation::GetPage;
    int error = 0;
    QString fileName; // the tab file's name, "Orvel01.raf"
    int tab = 0;      // where a read failed: a damaged page is reported by its place
    qint64 page = 0;
};

// The outcome of an operation: ok, or the failure to report.
struct StoreResult {
    bool ok = true;
    StoreFailure failure;
    explicit operator bool() const { return ok; }
    static StoreResult failed(StoreFailure::Operation operation, int error, const QString& path);
};

// The page store: the program-wide position (tab, page, page count, file, label), the loaded
// copy of the page view and the flags the editor and the tab strip share. Every operation opens
// its tab file, does its one read or write, and closes it again.
class PageStore {
public:
    PageStore(BookFolder folder, const Clock& clock);

    const BookFolder& folder() const { return m_folder; }

    // Position.
    int currentTab() const { return m_currentTab; }
    void setCurrentTab(int tab) { m_currentTab = tab; }
    qint64 currentPage() const { return m_currentPage; }
    void setCurrentPage(qint64 page) { m_currentPage = page; }
    qint64 pageCount() const { return m_pageCount; }
    const QString& currentTabFilePath() const { return m_tabFilePath; }
    const QByteArray& currentTabLabel() const { return m_tabLabel; }
    const QString& dateModified() const { return m_dateModified; }
    const QString& timeModified() const { return m_timeModified; }

    // Flags shared by the editor, the tab strip and the search window.
    bool pageChanged() const { return m_pageChanged; }
    void setPageChanged(bool changed) { m_pageChanged = changed; }
    bool leaveCancelled = false;
    bool keepPageOnTabChange = false;
    bool keepCurrentTab = false;

    // Sets the file path from the current tab and counts its pages. A missing file counts 0.
    void selectTabFile();
    void tabFilePath();
    // The file of the tab selected last, plain or sealed as the book is.
    TabFile currentTabFile() const;
    QString tempFilePath() const;
    void tabLabel();
    void tabForName(QStringView name);

    // The caption of RecnLa for page n of the current tab: label, one space, n.
    QString recordCaption(qint64 page) const;

    // Loads page n of the current tab into `view` (a page beyond the end shows empty texts),
    // refreshes the loaded copy and clears page changed.
    StoreResult getPage(qint64 page, PageTexts& view);
    // Writes `view` as the current page, stamped with the date and time now. The page keeps
    // the identity its record had (see PageIdentity).
    StoreResult putPage(const PageTexts& view);
    // Writes a blank page as record n of the current tab.
    StoreResult writeBlankPage(qint64 page);
    // Delete: puts page n of the current tab into the book's trash, then blanks it. Nothing is
    // blanked unless the trash was written.
    StoreResult deletePage(qint64 page);

    struct NewPage {
        StoreResult result;
        qint64 page = 0;
        bool reusedBlank = false; // "Entered." into a blank page, else "Created." at the end
        QString title;            // the message box that tells the user
        QString text;
    };
    // Files the name in `view` as a new page: its tab (unless keep-current-tab is set), the
    // first blank page there, else one past the end; writes it and loads it back into `view`.
    NewPage saveNewPage(PageTexts& view);

    void refreshLoadedCopy(const PageTexts& view) { m_loadedCopy = view; }
    const PageTexts& loadedCopy() const { return m_loadedCopy; }
    // Compares the view with the loaded copy, text against text, and sets page changed.
    bool testPageChanged(const PageTexts& view);

private:
    BookFolder m_folder;
    const Clock& m_clock;
    int m_currentTab = 1;
    qint64 m_currentPage = 1;
    qint64 m_pageCount = 0;
    QString m_tabFilePath;
    int m_fileTab = 1;
    QByteArray m_tabLabel;
    QString m_dateModified;
    QString m_timeModified;
    bool m_pageChanged = false;
    PageTexts m_loadedCopy;
};

} // namespace orvelan
