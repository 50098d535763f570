// search: the search window's search, one result line per page found.
#include "cli/SearchCommands.h"

#include "cli/Commands.h"
#include "cli/ToolFaults.h"
#include "search/FindIndex.h"
#include "store/PageViewIndex.h"
#include "store/Settings.h"
#include "store/StoreMessages.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QJsonArray>

#include <optional>

using namespace Qt::StringLiterals;

namespace orvelan::cli {

SearchRequest searchRequest(const CliContext& context, QStringList& args) {
    SearchRequest request;
    const qsizetype in = args.indexOf(u"--in"_s);
    if (in >= 0) {
        if (in + 1 >= args.size())
            throw CliError{u"--in needs a comma list of fields: "_s + selectorKeys().join(u',')};
        QStringList unknown;
        request.flags = selectorFlagsFromKeys(args[in + 1].split(u','), &unknown);
        if (!unknown.isEmpty() || !anySelected(request.flags))
            throw CliError{u"'"_s + args[in + 1] + u"' is not a list of search fields: "_s +
                           selectorKeys().join(u',')};
        args.remove(in, 2);
    } else {
        // The search window's choices; a new book's settings choose the name.
        request.flags = selectorFlagsOf(SettingsFile(context.folder.settingsPath()).read());
        if (!anySelected(request.flags))
            throw CliError{u"Can't FIND: There is no FIELD selected to look in; choose fields "_s
                           u"in the search window or give --in FIELDS."_s};
    }
    for (const QString& arg : args) {
        if (arg.startsWith(u"--"_s))
            throw CliError{u"unknown option "_s + arg};
    }
    request.query = args.join(u' ');
    args.clear();
    return request;
}

SearchOutcome searchBook(CliContext& context, const SearchRequest& request,
                         const std::function<void(const SearchHit&, QByteArrayView)>& onHit) {
    ProgressLine progress(context, u"Searching"_s);
    SearchOutcome outcome =
        BookSearch(context.folder)
            .run(
                request.flags, request.query,
                [&progress](int tab, int) { progress.show(double(tab) / LastTab); }, onHit);
    for (const int tab : outcome.unreadTabs)
        context.err << "orvelan-book: cannot read " << context.folder.tabFilePath(tab)
                    << "; its pages were not searched\n";
    for (const PagePosition& damaged : outcome.damaged)
        context.err << "orvelan-book: " << damagedPageText(damaged.tab, damaged.page)
                    << "; it was not searched\n";
    return outcome;
}

int searchStatus(const SearchOutcome& outcome) {
    return outcome.unreadTabs.isEmpty() && outcome.damaged.isEmpty()
               ? 0
               : exitStatus(Fault::BookDamaged);
}

QList<PageRecord> pagesOf(CliContext& context, const SearchOutcome& outcome) {
    QList<PageRecord> pages(outcome.hits.size());
    // Hits come tab by tab in page order: one scan of each tab file reads them all.
    qsizetype next = 0;
    while (next < outcome.hits.size()) {
        const int tab = outcome.hits[next].position.tab;
        const TabFile file = context.folder.tabFile(tab);
        ProgressLine progress(context, u"Reading tab "_s + resultTabText(tab).trimmed());
        file.scan([&](qint64 page, QByteArrayView record) {
            while (next < outcome.hits.size() && outcome.hits[next].position.tab == tab &&
                   outcome.hits[next].position.page == page)
                pages[next++] = PageRecord::fromStored(record);
            return next < outcome.hits.size() && outcome.hits[next].position.tab == tab;
        });
        // A page that could not be read again keeps empty fields.
        while (next < outcome.hits.size() && outcome.hits[next].position.tab == tab)
            ++next;
    }
    return pages;
}

namespace {

// search --all-fields: the find box's search, every field of every page, numbers by their digits.
int runFindEverywhere(CliContext& context, QStringList args) {
    for (const QString& arg : args) {
        if (arg.startsWith(u"--"_s))
            throw CliError{arg == u"--in"_s ? u"--all-fields and --in exclude each other"_s
                                            : u"unknown option "_s + arg};
    }
    FindIndex index(context.folder);
    {
        ProgressLine progress(context, u"Reading the book"_s);
        index.refresh();
    }
    // The number module is loaded only for a query that reads as a number.
    const FindQuery query(args.join(u' '), phoneNumbersSetting(context.folder.configPath()));
    JsonArrayWriter rows(context);
    for (int from = 0; from < index.size();) {
        const FindIndex::Batch batch = index.find(query, from, 1000);
        for (const FindHit& hit : batch.hits) {
            const QString line = index.line(hit);
            if (!context.json) {
                context.out << line << '\n';
                continue;
            }
            const PagePosition where = index.position(hit.row);
            QJsonObject row{{u"tab"_s, where.tab},
                            {u"label"_s, tabCaption(where.tab)},
                            {u"page"_s, where.page},
                            {u"line"_s, line}};
            if (hit.field >= 0) {
                row.insert(u"field"_s, QLatin1StringView(specOf(viewField(hit.field)).name));
                row.insert(u"text"_s, index.text(hit.row, hit.field));
            }
            rows.append(row);
        }
        from = batch.next;
    }
    // Pages that were not searched may hold the text: the result is not the whole answer.
    const QList<PagePosition> damaged = index.damaged();
    for (const PagePosition& page : damaged)
        context.err << "orvelan-book: " << damagedPageText(page.tab, page.page)
                    << "; it was not searched\n";
    return damaged.isEmpty() ? 0 : exitStatus(Fault::BookDamaged);
}

} // namespace

int runSearch(CliContext& context, const QStringList& arguments) {
    QStringList args = arguments;
    if (args.removeAll(u"--all-fields"_s) > 0)
        return runFindEverywhere(context, args);
    const SearchRequest request = searchRequest(context, args);
    // Each page found is written as it is found: memory does not grow with the book.
    std::optional<JsonArrayWriter> rows(std::in_place, context);
    const SearchOutcome outcome =
        searchBook(context, request, [&](const SearchHit& hit, QByteArrayView stored) {
            if (!context.json) {
                context.out << hit.line << '\n';
                return;
            }
            rows->append(
                QJsonObject{{u"tab"_s, hit.position.tab},
                            {u"label"_s, tabCaption(hit.position.tab)},
                            {u"page"_s, hit.position.page},
                            {u"line"_s, hit.line},
                            {u"fields"_s, pageFieldsJson(PageRecord::fromStored(stored))}});
        });
    rows.reset();
    // Pages that were not searched may hold the text: the result is not the whole answer.
    return searchStatus(outcome);
}

} // namespace orvelan::cli
