// The duplicates command: the groups of pages that hold the same person or organisation.
#include "cli/CliCommand.h"
#include "cli/Commands.h"
#include "cli/ToolFaults.h"

#include "book/PageMerge.h"
#include "platform/Clock.h"
#include "search/DuplicateFinder.h"
#include "store/PageRecord.h"
#include "store/StoreMessages.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "store/Trash.h"

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
    for (const int tab : outcome.unreadTabs)
        context.err << "orvelan-book: cannot read " << context.folder.tabFilePath(tab)
                    << "; its pages were left out\n";
    for (const PagePosition& damaged : outcome.damaged)
        context.err << "orvelan-book: " << damagedPageText(damaged.tab, damaged.page)
                    << "; it was left out\n";
    // Groups found among the pages that could be read are still shown; the status says that
    // some could not.
    const int status = outcome.unreadTabs.isEmpty() && outcome.damaged.isEmpty()
                           ? 0
                           : exitStatus(Fault::BookDamaged);
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
        return status;
    }
    if (outcome.groups.isEmpty())
        context.out << QStringLiteral("No duplicates among %1 pages.\n").arg(outcome.pagesRead);
    else
        context.out << QStringLiteral("%1 group(s) (%2 possible), %3 pages of %4; merge a group "
                                      "with 'merge TAB PAGE TAB PAGE ...'.\n")
                           .arg(outcome.groups.size())
                           .arg(possible)
                           .arg(pages)
                           .arg(outcome.pagesRead);
    return status;
}

int runMerge(CliContext& context, const QStringList& args) {
    QList<PagePosition> pages;
    int into = 1;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--into")) {
            bool ok = false;
            into = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
            if (!ok || into < 1)
                throw CliError{QStringLiteral("--into takes the number of a page given (1 for the "
                                              "first)."),
                               2};
            ++i;
            continue;
        }
        if (i + 1 >= args.size())
            throw CliError{QStringLiteral("merge takes pages as TAB PAGE pairs."), 2};
        pages.append({tabArgument(args[i]), pageArgument(args[i + 1])});
        ++i;
    }
    if (pages.size() < 2)
        throw CliError{QStringLiteral("merge needs two pages or more: TAB PAGE TAB PAGE ..."), 2};
    if (into > pages.size())
        throw CliError{
            QStringLiteral("--into %1: only %2 pages are given.").arg(into).arg(pages.size()), 2};
    const auto lock = lockBook(context.folder);
    const PhoneNumbers phones(phoneRegionSetting(context.folder.configPath()));
    SystemClock clock;
    MergeOutcome outcome;
    QString error;
    if (!mergePages(context.folder, clock, phones, pages, into - 1, outcome, error))
        throw CliError{error};
    const auto place = [](const PagePosition& position) {
        return QJsonObject{{QStringLiteral("tab"), position.tab},
                           {QStringLiteral("label"), tabCaption(position.tab)},
                           {QStringLiteral("page"), position.page}};
    };
    if (context.json) {
        QJsonArray trashed;
        for (const PagePosition& position : std::as_const(outcome.trashed))
            trashed.append(place(position));
        QJsonArray entries;
        for (const int number : std::as_const(outcome.trashEntries))
            entries.append(number);
        QJsonObject object = place(outcome.kept);
        object.insert(QStringLiteral("merged"), trashed);
        object.insert(QStringLiteral("noted"), QJsonArray::fromStringList(outcome.noted));
        object.insert(QStringLiteral("trash"), entries);
        printJson(context, object);
        return 0;
    }
    QStringList numbers;
    for (const int number : std::as_const(outcome.trashEntries))
        numbers << QString::number(number);
    context.out << QStringLiteral("Merged %1 pages into %2. The page as it was and the pages "
                                  "merged away are in the trash (entries %3).\n")
                       .arg(pages.size())
                       .arg(trashPlace(outcome.kept.tab, outcome.kept.page), numbers.join(u", "));
    for (const QString& line : std::as_const(outcome.noted))
        context.out << QStringLiteral("Added to Notes: %1\n").arg(line);
    return 0;
}

} // namespace orvelan::cli
