// The trash command: lists the pages and cards that left the book, puts them back, empties it.
#include "cli/CliCommand.h"
#include "cli/Commands.h"

#include "platform/Clock.h"
#include "store/Trash.h"
#include "sync/VCardSyncMapping.h"

#include <QJsonArray>

namespace orvelan::cli {

namespace {

Trash loadTrash(const BookFolder& folder) {
    Trash trash(folder);
    QString error;
    if (!trash.load(error))
        throw CliError{error};
    return trash;
}

int listTrash(CliContext& context) {
    const Trash trash = loadTrash(context.folder);
    const QList<TrashEntry> entries = trash.newestFirst();
    if (context.json) {
        QJsonArray rows;
        for (const TrashEntry& entry : entries)
            rows.append(QJsonObject{
                {QStringLiteral("number"), entry.number},
                {QStringLiteral("name"), entry.name},
                {QStringLiteral("deleted"), entry.deletedAt.toUTC().toString(Qt::ISODate)},
                {QStringLiteral("why"), entry.why},
                {QStringLiteral("from"), entry.from},
                {QStringLiteral("page"), !entry.record.isEmpty()},
                {QStringLiteral("card"), !entry.card.isEmpty()}});
        printJson(context, rows);
        return 0;
    }
    if (entries.isEmpty()) {
        context.out << "The trash is empty.\n";
        return 0;
    }
    for (const TrashEntry& entry : entries)
        context.out << trashLine(entry) << '\n';
    return 0;
}

int restore(CliContext& context, const QStringList& numbers) {
    if (numbers.isEmpty())
        throw CliError{QStringLiteral("trash restore needs the number of an entry ('trash' "
                                      "lists them).")};
    QList<int> chosen;
    for (const QString& text : numbers) {
        bool ok = false;
        const int number = text.toInt(&ok);
        if (!ok || number < 1)
            throw CliError{QStringLiteral("'%1' is not the number of an entry.").arg(text)};
        chosen.append(number);
    }
    const auto lock = lockBook(context.folder);
    const Trash trash = loadTrash(context.folder);
    for (const int number : std::as_const(chosen)) {
        if (!trash.find(number))
            throw CliError{
                QStringLiteral("The trash holds no entry %1; nothing was restored.").arg(number)};
    }
    SystemClock clock;
    const VCardSyncMapping mapping;
    const CardToPage cardToPage = [&mapping](const QByteArray& card) {
        return mapping.pageOf(card);
    };
    QJsonArray rows;
    for (const int number : std::as_const(chosen)) {
        RestoredPage placed;
        QString error;
        if (!restoreFromTrash(context.folder, clock, number, cardToPage, placed, error))
            throw CliError{error};
        rows.append(QJsonObject{{QStringLiteral("number"), number},
                                {QStringLiteral("name"), placed.name},
                                {QStringLiteral("tab"), placed.tab},
                                {QStringLiteral("page"), placed.page}});
        if (!context.json)
            context.out << QStringLiteral("Restored %1: %2 to %3\n")
                               .arg(number)
                               .arg(placed.name, trashPlace(placed.tab, placed.page));
    }
    if (context.json)
        printJson(context, rows);
    return 0;
}

int empty(CliContext& context, const QStringList& args) {
    int days = -1;
    if (args.size() == 2 && args[0] == QStringLiteral("--older-than")) {
        bool ok = false;
        days = args[1].toInt(&ok);
        if (!ok || days < 0)
            throw CliError{QStringLiteral("--older-than takes a number of days.")};
    } else if (!args.isEmpty()) {
        throw CliError{QStringLiteral("trash empty takes only --older-than DAYS.")};
    }
    const auto lock = lockBook(context.folder);
    Trash trash = loadTrash(context.folder);
    const int before = int(trash.entries().size());
    const int removed =
        days < 0 ? before : trash.removeOlderThan(QDateTime::currentDateTimeUtc().addDays(-days));
    if (days < 0) {
        for (const TrashEntry& entry : trash.newestFirst())
            trash.remove(entry.number);
    }
    if (removed > 0) {
        if (const int failed = trash.save())
            throw CliError{QStringLiteral("Cannot write the trash %1 (error %2).")
                               .arg(trash.path())
                               .arg(failed)};
    }
    if (context.json)
        printJson(context, QJsonObject{{QStringLiteral("removed"), removed},
                                       {QStringLiteral("left"), before - removed}});
    else
        context.out << QStringLiteral("Removed %1 %2 from the trash; %3 left.\n")
                           .arg(removed)
                           .arg(removed == 1 ? QStringLiteral("entry") : QStringLiteral("entries"))
                           .arg(before - removed);
    return 0;
}

} // namespace

int runTrash(CliContext& context, const QStringList& args) {
    if (args.isEmpty())
        return listTrash(context);
    if (args[0] == QStringLiteral("restore"))
        return restore(context, args.mid(1));
    if (args[0] == QStringLiteral("empty"))
        return empty(context, args.mid(1));
    throw CliError{QStringLiteral("trash takes no argument, 'restore N ...' or 'empty "
                                  "[--older-than DAYS]'."),
                   2};
}

} // namespace orvelan::cli
