// query: e-mail addresses for mail programs, in the form they read from a query command.
#include "cli/Commands.h"
#include "cli/SearchCommands.h"

#include "store/PageTexts.h"
#include "store/TabTable.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace orvelan::cli {

namespace {

struct Address {
    QString address;
    QString name;
    QString note;
    PagePosition position;
};

QString fieldText(const PageRecord& record, Field field) {
    return viewFormOf(static_cast<int>(field) - 1, record[field], record.encoding()).trimmed();
}

// One entry per address of a page: its own e-mail, then its organisation's.
QList<Address> addressesOf(const SearchHit& hit, const PageRecord& record) {
    QList<Address> addresses;
    const QString name = fieldText(record, Field::Name);
    const QString organisation = fieldText(record, Field::Organisation);
    const QString email = fieldText(record, Field::Email);
    const QString orgEmail = fieldText(record, Field::OrgEmail);
    if (!email.isEmpty())
        addresses.append({email, name, organisation, hit.position});
    if (!orgEmail.isEmpty() && orgEmail.compare(email, Qt::CaseInsensitive) != 0)
        addresses.append({orgEmail, name,
                          organisation.isEmpty() ? u"work"_s : organisation + u" (work)"_s,
                          hit.position});
    return addresses;
}

// Tabs and line breaks would break the columns a mail program reads.
QString oneLine(QString text) {
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    }
    return text;
}

} // namespace

int runQuery(CliContext& context, const QStringList& args) {
    const QString text = args.join(u' ').trimmed();
    if (text.isEmpty())
        throw CliError{u"query needs a text to look for."_s};
    SearchRequest request;
    request.flags = selectorFlagsFromKeys({u"name"_s, u"internet"_s, u"organisation"_s}, nullptr);
    request.query = text;
    const SearchOutcome outcome = searchBook(context, request);
    const QList<PageRecord> pages = pagesOf(context, outcome);
    QList<Address> addresses;
    for (qsizetype i = 0; i < outcome.hits.size(); ++i)
        addresses += addressesOf(outcome.hits[i], pages[i]);

    if (context.json) {
        QJsonArray rows;
        for (const Address& a : addresses)
            rows.append(QJsonObject{{u"address"_s, a.address},
                                    {u"name"_s, a.name},
                                    {u"note"_s, a.note},
                                    {u"tab"_s, a.position.tab},
                                    {u"label"_s, tabCaption(a.position.tab)},
                                    {u"page"_s, a.position.page}});
        printJson(context, rows);
    } else if (addresses.isEmpty()) {
        context.out << u"No e-mail address found for \u201c%1\u201d.\n"_s.arg(text);
    } else {
        context.out << u"%1 e-mail address(es) found for \u201c%2\u201d.\n"_s.arg(addresses.size())
                           .arg(text);
        for (const Address& a : addresses)
            context.out << oneLine(a.address) << '\t' << oneLine(a.name) << '\t' << oneLine(a.note)
                        << '\n';
    }
    return addresses.isEmpty() ? 1 : 0;
}

} // namespace orvelan::cli
