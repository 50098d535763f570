// Commands that change pages: add, set, delete.
#include "cli/Commands.h"
#include "cli/ToolFaults.h"

#include "store/HiddenCharacters.h"
#include "store/PageStore.h"
#include "store/PageTexts.h"
#include "store/RuntimeError.h"
#include "store/StoreMessages.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "store/Trash.h"

namespace orvelan::cli {

namespace {

void throwIfFailed(const StoreResult& result) {
    if (result)
        return;
    const StoreFailure& failure = result.failure;
    if (failure.error == RuntimeError::PageDamaged)
        throw toolError(Fault::BookDamaged, damagedPageText(failure.tab, failure.page));
    throw fileFault(failure.operation == StoreFailure::Operation::GetPage ? FileAccess::Read
                                                                          : FileAccess::Write,
                    failure.fileName, failure.error);
}

// Applies FIELD=VALUE arguments to the view texts, refusing what a page cannot store. Control
// and direction characters are removed, as typing and import remove them.
void applyAssignments(PageTexts& texts, const QStringList& assignments) {
    for (const QString& argument : assignments) {
        auto [viewIndex, value] = fieldAssignment(argument);
        removeHiddenCharacters(value, viewIndex == NotesViewIndex);
        const QString problem = inputProblem(texts, viewIndex, value);
        if (!problem.isEmpty())
            throw CliError{problem};
        texts[viewIndex] = value;
    }
}

void checkPageExists(const PageStore& store, qint64 page) {
    if (page > store.pageCount())
        throw CliError{QStringLiteral("Tab %1 has %2 pages; there is no page %3.")
                           .arg(tabCaption(store.currentTab()))
                           .arg(store.pageCount())
                           .arg(page)};
}

PageStore openAt(CliContext& context, int tab, SystemClock& clock) {
    PageStore store(context.folder, clock);
    store.setCurrentTab(tab);
    store.selectTabFile();
    return store;
}

void report(CliContext& context, const PageStore& store, const QString& what) {
    const QString label = tabCaption(store.currentTab());
    if (context.json) {
        printJson(context, QJsonObject{{QStringLiteral("tab"), store.currentTab()},
                                       {QStringLiteral("label"), label},
                                       {QStringLiteral("page"), store.currentPage()},
                                       {QStringLiteral("result"), what}});
    } else {
        context.out
            << QStringLiteral("%1: tab %2, page %3\n").arg(what, label).arg(store.currentPage());
    }
}

} // namespace

int runAdd(CliContext& context, const QStringList& args) {
    if (args.isEmpty())
        throw CliError{QStringLiteral("add needs at least Name=VALUE.")};
    PageTexts texts;
    applyAssignments(texts, args);
    const QStringView name = trimSpaces(QStringView(texts[0]));
    if (name.isEmpty())
        throw CliError{QStringLiteral("add needs a Name that is not empty.")};
    if (!nameStartAllowed(name))
        throw CliError{QStringLiteral("A name in this Address Book cannot begin with a space, a "
                                      "control character or a combining mark.")};
    const auto lock = lockBook(context.folder);
    SystemClock clock;
    PageStore store(context.folder, clock);
    const PageStore::NewPage outcome = store.saveNewPage(texts);
    throwIfFailed(outcome.result);
    report(context, store,
           outcome.reusedBlank ? QStringLiteral("Entered") : QStringLiteral("Created"));
    return 0;
}

int runSet(CliContext& context, const QStringList& args) {
    if (args.size() < 3)
        throw CliError{QStringLiteral("set takes a tab, a page and FIELD=VALUE ...")};
    const int tab = tabArgument(args[0]);
    const qint64 page = pageArgument(args[1]);
    const auto lock = lockBook(context.folder);
    SystemClock clock;
    PageStore store = openAt(context, tab, clock);
    checkPageExists(store, page);
    PageTexts texts;
    store.setCurrentPage(page);
    throwIfFailed(store.getPage(page, texts));
    applyAssignments(texts, args.mid(2));
    const QStringView name = trimSpaces(QStringView(texts[0]));
    if (!name.isEmpty() && tabForName(name) != tab)
        throw CliError{
            QStringLiteral("The name \u201c%1\u201d belongs under tab %2, not %3; add it "
                           "as a new page instead.")
                .arg(name.toString(), tabCaption(tabForName(name)), tabCaption(tab))};
    throwIfFailed(store.putPage(texts));
    report(context, store, QStringLiteral("Saved"));
    return 0;
}

int runDelete(CliContext& context, const QStringList& args) {
    if (args.size() != 2)
        throw CliError{QStringLiteral("delete takes a tab and a page.")};
    const int tab = tabArgument(args[0]);
    const qint64 page = pageArgument(args[1]);
    const auto lock = lockBook(context.folder);
    SystemClock clock;
    PageStore store = openAt(context, tab, clock);
    checkPageExists(store, page);
    store.setCurrentPage(page);
    QString why;
    if (const int error =
            deletePageToTrash(context.folder, clock, tab, page, TrashReason::Deleted, why)) {
        if (!why.isEmpty())
            throw CliError{why + QStringLiteral(" The page was not deleted.")};
        throwIfFailed(StoreResult::failed(StoreFailure::Operation::WriteBlankPage, error,
                                          store.currentTabFilePath()));
    }
    report(context, store, QStringLiteral("Deleted"));
    return 0;
}

} // namespace orvelan::cli
