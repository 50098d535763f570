// Read-only commands: tabs, list, show.
#include "cli/CliCommand.h"
#include "cli/Commands.h"
#include "cli/ToolFaults.h"

#include "store/BookCheck.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/RuntimeError.h"
#include "store/StoreMessages.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QDate>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTime>

#include <optional>

namespace orvelan::cli {

namespace {

// Returns the bytes of a part record at the end of the file (0 for a whole file), and says on
// the error stream that they are there: a cut tab must never pass for a shorter one. A damaged
// page of an encrypted book is passed over and named there too. Either sets `damaged`.
qint64 scanOrThrow(CliContext& context, int tab,
                   const std::function<bool(qint64, QByteArrayView)>& visit, bool& damaged) {
    const TabFile file = context.folder.tabFile(tab);
    const int error = file.scan(visit, [&](qint64 page) {
        context.err << "orvelan-book: " << damagedPageText(tab, page) << '\n';
        damaged = true;
    });
    // A missing folder holds no pages: a book not yet created reads as empty (a missing tab file
    // of a created book was refused before the command started).
    if (error && error != RuntimeError::PathNotFound)
        throw fileFault(FileAccess::Read, file.path(), error);
    const qint64 part = error ? 0 : QFileInfo(file.path()).size() % file.storedRecordSize();
    damaged = damaged || part;
    if (part)
        context.err << QStringLiteral("orvelan-book: %1 ends in %2 bytes of a damaged page after "
                                      "its last whole page; run 'orvelan-book check'.\n")
                           .arg(file.path())
                           .arg(part);
    return part;
}

QString text(const PlainRecord& record, Field field) {
    return viewFormOf(static_cast<int>(field) - 1, record.field(field), record.encoding());
}

} // namespace

QJsonValue isoDate(const QString& stored) {
    // Pages keep "dd/mm/yy"; the separators are the user's, so any non-digit separates.
    static const QRegularExpression date(
        QStringLiteral("^\\s*(\\d{1,2})\\D(\\d{1,2})\\D(\\d{2}|\\d{4})\\s*$"));
    const QRegularExpressionMatch match = date.match(stored);
    if (!match.hasMatch())
        return QJsonValue::Null;
    int year = match.captured(3).toInt();
    if (match.captured(3).size() == 2) {
        // Two-digit years: the latest century that does not put the date in the future.
        const int thisYear = QDate::currentDate().year();
        year += thisYear / 100 * 100;
        if (year > thisYear)
            year -= 100;
    }
    const QDate parsed(year, match.captured(2).toInt(), match.captured(1).toInt());
    return parsed.isValid() ? QJsonValue(parsed.toString(Qt::ISODate)) : QJsonValue::Null;
}

QJsonValue isoTime(const QString& stored) {
    static const QRegularExpression time(QStringLiteral("^\\s*(\\d{1,2})\\D(\\d{2})\\s*$"));
    const QRegularExpressionMatch match = time.match(stored);
    const QTime parsed =
        match.hasMatch() ? QTime(match.captured(1).toInt(), match.captured(2).toInt()) : QTime();
    return parsed.isValid() ? QJsonValue(parsed.toString(QStringLiteral("HH:mm")))
                            : QJsonValue::Null;
}

QJsonObject pageFieldsJson(const PageRecord& record) {
    QJsonObject object;
    for (int f = static_cast<int>(Field::Name); f <= static_cast<int>(Field::Notes); ++f)
        object.insert(QLatin1StringView(RecordLayout[f].name),
                      viewFormOf(f - 1, record[static_cast<Field>(f)], record.encoding()));
    return object;
}

QJsonObject pageJson(int tab, qint64 page, const PageRecord& record) {
    QJsonObject object = pageFieldsJson(record);
    object.insert(QStringLiteral("tab"), tab);
    object.insert(QStringLiteral("label"), tabCaption(tab));
    object.insert(QStringLiteral("page"), page);
    const QJsonValue date = isoDate(record.text(Field::DateModified));
    const QJsonValue time = isoTime(record.text(Field::TimeModified));
    object.insert(QStringLiteral("DateModified"), date);
    object.insert(QStringLiteral("TimeModified"), time);
    object.insert(QStringLiteral("modified"),
                  date.isString() && time.isString()
                      ? QJsonValue(date.toString() + u'T' + time.toString())
                      : date);
    return object;
}

int runTabs(CliContext& context, const QStringList& args) {
    if (!args.isEmpty())
        throw CliError{QStringLiteral("tabs takes no arguments.")};
    QJsonArray rows;
    bool anyDamaged = false;
    for (int tab = 0; tab < TabCount; ++tab) {
        qint64 pages = 0;
        qint64 blank = 0;
        const qint64 damaged = scanOrThrow(
            context, tab,
            [&](qint64, QByteArrayView record) {
                ++pages;
                blank += isBlankStored(record) ? 1 : 0;
                return true;
            },
            anyDamaged);
        if (context.json) {
            rows.append(QJsonObject{{QStringLiteral("tab"), tab},
                                    {QStringLiteral("label"), tabCaption(tab)},
                                    {QStringLiteral("pages"), pages},
                                    {QStringLiteral("blankPages"), blank},
                                    {QStringLiteral("damagedBytes"), damaged}});
        } else {
            context.out
                << QStringLiteral("%1  %2  %3 pages, %4 blank%5\n")
                       .arg(tab, 2)
                       .arg(tabCaption(tab), -3)
                       .arg(pages, 6)
                       .arg(blank)
                       .arg(damaged
                                ? QStringLiteral(", and %1 bytes of a damaged page").arg(damaged)
                                : QString());
        }
    }
    if (context.json)
        printJson(context, rows);
    return anyDamaged ? exitStatus(Fault::BookDamaged) : 0;
}

int runList(CliContext& context, const QStringList& args) {
    if (args.size() > 1)
        throw CliError{QStringLiteral("list takes at most one tab.")};
    const int first = args.isEmpty() ? 0 : tabArgument(args[0]);
    const int last = args.isEmpty() ? TabCount - 1 : first;
    std::optional<JsonArrayWriter> rows(std::in_place, context); // each page as it is read
    bool anyDamaged = false;
    for (int tab = first; tab <= last; ++tab) {
        scanOrThrow(
            context, tab,
            [&](qint64 page, QByteArrayView stored) {
                const PlainRecord record(stored);
                // A page that does not decode is shown as it reads, and said to be damaged.
                const bool damaged = !record.isBlank() && !undecodableReason(stored).isEmpty();
                anyDamaged = anyDamaged || damaged;
                if (context.json) {
                    rows->append(QJsonObject{
                        {QStringLiteral("tab"), tab},
                        {QStringLiteral("label"), tabCaption(tab)},
                        {QStringLiteral("page"), page},
                        {QStringLiteral("blank"), record.isBlank()},
                        {QStringLiteral("Name"), text(record, Field::Name)},
                        {QStringLiteral("Organisation"), text(record, Field::Organisation)},
                        {QStringLiteral("Phone1"), text(record, Field::Phone1)},
                        {QStringLiteral("damaged"), damaged}});
                } else if (record.isBlank()) {
                    context.out
                        << QStringLiteral("%1 %2  (blank)\n").arg(tabCaption(tab), -3).arg(page, 6);
                } else {
                    context.out << QStringLiteral("%1 %2  %3  %4  %5%6\n")
                                       .arg(tabCaption(tab), -3)
                                       .arg(page, 6)
                                       .arg(text(record, Field::Name), -32)
                                       .arg(text(record, Field::Organisation), -32)
                                       .arg(text(record, Field::Phone1),
                                            damaged
                                                ? QStringLiteral("  (damaged: see 'orvelan-book "
                                                                 "check')")
                                                : QString());
                }
                return true;
            },
            anyDamaged);
    }
    rows.reset();
    return anyDamaged ? exitStatus(Fault::BookDamaged) : 0;
}

int runShow(CliContext& context, const QStringList& args) {
    if (args.size() != 2)
        throw CliError{QStringLiteral("show takes a tab and a page.")};
    const int tab = tabArgument(args[0]);
    const qint64 page = pageArgument(args[1]);
    const TabFile file = context.folder.tabFile(tab);
    const TabFile::Read read = file.readPage(page);
    if (read.damaged())
        throw toolError(Fault::BookDamaged, damagedPageText(tab, page));
    if (read.error)
        throw fileFault(FileAccess::Read, file.path(), read.error);
    if (read.record.isEmpty())
        throw CliError{QStringLiteral("Tab %1 has %2 pages; there is no page %3.")
                           .arg(tabCaption(tab))
                           .arg(file.pageCount().value_or(0))
                           .arg(page)};
    const PageRecord record = PageRecord::fromStored(read.record);
    const QJsonObject object = pageJson(tab, page, record);
    if (context.json) {
        printJson(context, object);
        return 0;
    }
    context.out << QStringLiteral("Tab %1, page %2\n").arg(tabCaption(tab)).arg(page);
    for (int f = static_cast<int>(Field::Name); f <= static_cast<int>(Field::TimeModified); ++f) {
        const QString name = QLatin1StringView(RecordLayout[f].name);
        const int viewIndex = f <= static_cast<int>(Field::Notes) ? f - 1 : -1;
        QString value = viewFormOf(viewIndex, record[static_cast<Field>(f)], record.encoding());
        value.replace(u'\n', QStringLiteral("\n              "));
        context.out << QStringLiteral("%1 %2\n").arg(name + u':', -13).arg(value);
    }
    return 0;
}

} // namespace orvelan::cli
