// search: the search window's search, one result line per page found.
#include "cli/SearchCommands.h"

#include "cli/Commands.h"
#include "store/Settings.h"

#include <QJsonArray>

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
        request.flags = selectorFlagsOf(SettingsFile(context.folder.settingsPath()).read());
        if (!anySelected(request.flags))
            request.flags[0] = true; // the name, when no field is stored
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
                         const std::function<void(const SearchHit&)>& onHit) {
    SearchOutcome outcome = BookSearch(context.folder).run(request.flags, request.query, {}, onHit);
    for (const int tab : outcome.unreadTabs)
        context.err << "orvelan-book: cannot read " << context.folder.tabFilePath(tab)
                    << "; its pages were not searched\n";
    return outcome;
}

int runSearch(CliContext& context, const QStringList& arguments) {
    QStringList args = arguments;
    const SearchRequest request = searchRequest(context, args);
    // Each line is written as it is found: memory does not grow with the book.
    JsonArrayWriter rows(context);
    searchBook(context, request, [&](const SearchHit& hit) {
        if (context.json)
            rows.append(QJsonObject{{u"tab"_s, hit.position.tab},
                                    {u"page"_s, hit.position.page},
                                    {u"line"_s, hit.line}});
        else
            context.out << hit.line << '\n';
    });
    return 0;
}

} // namespace orvelan::cli
