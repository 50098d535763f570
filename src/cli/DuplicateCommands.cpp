// The duplicates command: the groups of pages that hold the same person or organisation.
#include "cli/CliCommand.h"
#include "cli/Commands.h"

#include "search/DuplicateFinder.h"
#include "store/PageRecord.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QJsonArray>

namespace orvelan::cli {

namespace {

QJsonObject groupPageJson(const BookFolder& folder, const PagePosition& position) {
    QJsonObject object{{QStringLiteral("tab"), position.tab},
                       {QStringLiteral("label"), tabCaption(position.tab)},
                       {QStringLiteral("page"), position.page}};
    const TabFile::Read read = folder.tabFile(position.tab).readPage(position.page);
    if (read.error || read.record.isEmpty())
        return object;
    const PlainRecord record(read.record);
    object.insert(QStringLiteral("line"), resultLine(position.tab, position.page, record));
    for (const Field field :
         {Field::Name, Field::Organisation, Field::Phone1, Field::Mobile, Field::Email})
        object.insert(QLatin1StringView(specOf(field).name), record.text(field));
    return object;
}

} // namespace

int runDuplicates(CliContext& context, const QStringList& args) {
    if (!args.isEmpty())
        throw CliError{QStringLiteral("duplicates takes no arguments.")};
    const PhoneNumbers phones(phoneRegionSetting(context.folder.configPath()));
    const DuplicateOutcome outcome = DuplicateFinder(context.folder, phones).run();
    for (const PagePosition& damaged : outcome.damaged)
        context.err << QStringLiteral("Page %1 of tab %2 is damaged and was left out ('check' "
                                      "says more).\n")
                           .arg(damaged.page)
                           .arg(tabCaption(damaged.tab));
    for (const int tab : outcome.unreadTabs)
        context.err
            << QStringLiteral("Tab %1 could not be read and was left out.\n").arg(tabCaption(tab));
    qsizetype pages = 0;
    int possible = 0;
    QJsonArray groups;
    int number = 0;
    for (const DuplicateGroup& group : outcome.groups) {
        ++number;
        pages += group.pages.size();
        possible += group.possible ? 1 : 0;
        QJsonArray members;
        for (const PagePosition& position : group.pages)
            members.append(groupPageJson(context.folder, position));
        if (context.json) {
            groups.append(QJsonObject{
                {QStringLiteral("group"), number},
                {QStringLiteral("reasons"), QJsonArray::fromStringList(reasonNames(group.reasons))},
                {QStringLiteral("possible"), group.possible},
                {QStringLiteral("agreeing"), group.agreeingField},
                {QStringLiteral("pages"), members}});
            continue;
        }
        context.out << QStringLiteral("Group %1%2: %3%4\n")
                           .arg(number)
                           .arg(group.possible ? QStringLiteral(" (possible)") : QString())
                           .arg(reasonsText(group.reasons))
                           .arg(group.agreeingField.isEmpty()
                                    ? QString()
                                    : QStringLiteral(" and %1").arg(group.agreeingField));
        for (const QJsonValue& member : std::as_const(members)) {
            const QJsonObject page = member.toObject();
            context.out << page.value(QStringLiteral("line")).toString() << '\n';
        }
    }
    if (context.json) {
        printJson(context, QJsonObject{{QStringLiteral("pagesRead"), outcome.pagesRead},
                                       {QStringLiteral("groups"), groups},
                                       {QStringLiteral("damaged"), int(outcome.damaged.size())}});
        return 0;
    }
    if (outcome.groups.isEmpty())
        context.out << QStringLiteral("No duplicates among %1 pages.\n").arg(outcome.pagesRead);
    else
        context.out << QStringLiteral("%1 groups (%2 possible), %3 pages of %4; merge a group "
                                      "with 'merge TAB PAGE TAB PAGE ...'.\n")
                           .arg(outcome.groups.size())
                           .arg(possible)
                           .arg(pages)
                           .arg(outcome.pagesRead);
    return 0;
}

} // namespace orvelan::cli
