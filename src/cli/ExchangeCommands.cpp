// Commands that bring pages in from files and write them out: import, export.
#include "cli/CliCommand.h"
#include "cli/Commands.h"

#include "exchange/CsvImport.h"
#include "exchange/EabContainer.h"
#include "exchange/Export.h"
#include "exchange/FieldMapping.h"
#include "exchange/ImportStaging.h"
#include "exchange/ImportSummary.h"
#include "store/PageRecord.h"
#include "store/RuntimeError.h"
#include "store/TabTable.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>

namespace orvelan::cli {

namespace {

struct ImportArguments {
    QString file;
    bool autoMap = false;
    QStringList maps; // COLUMN=FIELD
    QString find;
};

ImportArguments importArguments(const QStringList& args) {
    ImportArguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QStringLiteral("--map") || arg == QStringLiteral("--find")) {
            if (i + 1 >= args.size())
                throw CliError{arg + QStringLiteral(" needs a value.")};
            const QString value = args[++i];
            if (arg == QStringLiteral("--find"))
                parsed.find = value;
            else if (value == QStringLiteral("auto"))
                parsed.autoMap = true;
            else
                parsed.maps.append(value);
        } else if (parsed.file.isEmpty() && !arg.startsWith(QStringLiteral("--"))) {
            parsed.file = arg;
        } else {
            throw CliError{QStringLiteral("import: unexpected argument '%1'.").arg(arg)};
        }
    }
    if (parsed.file.isEmpty())
        throw CliError{QStringLiteral("import needs a file (.csv or .eab).")};
    if (parsed.maps.isEmpty())
        parsed.autoMap = true;
    return parsed;
}

QByteArray readOrThrow(const QString& path) {
    int error = 0;
    QByteArray bytes = readImportFile(path, error);
    if (error)
        throw CliError{QStringLiteral("Cannot read %1 (error %2).").arg(path).arg(error)};
    return bytes;
}

// Applies COLUMN=FIELD: the column by its name (spaces around it ignored), the field by its
// record name (Name, Addr1 ... Notes). "FIRST+LAST=FIELD" joins two columns as "Last, First".
void applyMap(FieldMapping& mapping, const QString& assignment) {
    const qsizetype equals = assignment.lastIndexOf(u'=');
    if (equals <= 0)
        throw CliError{QStringLiteral("'%1' is not COLUMN=FIELD.").arg(assignment)};
    const QString column = assignment.left(equals);
    const int field = fieldByName(QStringView(assignment).mid(equals + 1).trimmed());
    if (field < static_cast<int>(Field::Name) || field > static_cast<int>(Field::Notes))
        throw CliError{QStringLiteral("'%1' is not a page field (Name, Addr1 ... Notes).")
                           .arg(assignment.mid(equals + 1))};
    int first = mapping.columnNamed(column);
    int last = -1;
    if (first < 0) {
        for (qsizetype plus = column.indexOf(u'+'); plus > 0 && last < 0;
             plus = column.indexOf(u'+', plus + 1)) {
            first = mapping.columnNamed(QStringView(column).left(plus));
            last = first < 0 ? -1 : mapping.columnNamed(QStringView(column).mid(plus + 1));
        }
        if (last < 0)
            throw CliError{
                QStringLiteral("The file has no column '%1'; its columns are: %2.")
                    .arg(column.trimmed(), mapping.columnNames().join(QStringLiteral(", ")))};
    }
    mapping.remove(field - 1);
    const FieldMapping::Outcome outcome =
        last < 0 ? mapping.add(first, field - 1) : mapping.addJoined(first, last, field - 1);
    if (outcome != FieldMapping::Outcome::Done)
        throw CliError{FieldMapping::messageFor(outcome).trimmed()};
}

} // namespace

int runImport(CliContext& context, const QStringList& args) {
    const ImportArguments parsed = importArguments(args);
    const bool eab = parsed.file.endsWith(QStringLiteral(".eab"), Qt::CaseInsensitive);
    if (!eab && !parsed.file.endsWith(QStringLiteral("csv"), Qt::CaseInsensitive))
        throw CliError{
            QStringLiteral("Can't Read Import File - the file must end in .csv or .eab.")};
    if (eab && (!parsed.maps.isEmpty()))
        throw CliError{QStringLiteral("--map applies to comma-separated files only.")};
    const QByteArray bytes = readOrThrow(parsed.file);
    const auto lock = lockBook(context.folder);
    ImportStaging staging(context.folder);
    ImportSummary summary;
    if (eab) {
        const EabRead read = readEab(bytes);
        if (read.status == EabRead::Status::Refused)
            throw CliError{QStringLiteral("%1 is not an ORVELAN exchange file; nothing imported.")
                               .arg(parsed.file)};
        summary.fileDamaged = read.status == EabRead::Status::Damaged;
        summary.stagingWriteFailures = staging.replaceLetterTabs(read.segments);
        summary.read = summary.staged = staging.list().size();
    } else {
        FieldMapping mapping;
        mapping.setColumns(csvColumns(bytes));
        if (parsed.autoMap)
            mapping.autoMap();
        for (const QString& map : parsed.maps)
            applyMap(mapping, map);
        if (mapping.sourceColumns()[0] < 0)
            throw CliError{QStringLiteral("No column is mapped to Name, so every record would be "
                                          "refused; nothing imported. Map one with --map "
                                          "COLUMN=Name. The file's columns are: %1.")
                               .arg(mapping.columnNames().join(QStringLiteral(", ")))};
        summary = stageCsv(bytes, mapping, staging, QDateTime::currentDateTime());
        if (summary.stagingWriteFailures)
            throw CliError{QStringLiteral("Cannot write the staging files in %1.")
                               .arg(context.folder.dataBookDir())};
    }
    summary.fileName = QFileInfo(parsed.file).fileName();
    ProgressLine progress(context, QStringLiteral("Importing"));
    int tabsListed = 0;
    const QList<ListedRecord> listed =
        staging.list(parsed.find, [&](qsizetype) { progress.show(++tabsListed / 25.0); });
    const ImportOutcome outcome = importListed(context.folder, listed);
    summary.recordImport(outcome.perTab, outcome.written, outcome.failures);

    if (context.json) {
        printJson(context, summary.toJson());
    } else {
        for (const QString& line : summary.lines())
            context.out << line << "\n";
    }
    if (outcome.failures)
        throw CliError{QStringLiteral("%1 record(s) could not be imported.").arg(outcome.failures)};
    if (summary.refusedTotal())
        throw CliError{
            QStringLiteral("%1 record(s) refused; see the summary.").arg(summary.refusedTotal())};
    if (summary.imported == 0)
        throw CliError{QStringLiteral("Nothing imported.")};
    return 0;
}

int runExport(CliContext& context, const QStringList& args) {
    QStringList rest = args;
    const auto takeOption = [&](const QString& name) -> QString {
        const qsizetype at = rest.indexOf(name);
        if (at < 0)
            return {};
        if (at + 1 >= rest.size())
            throw CliError{name + QStringLiteral(" needs a value.")};
        QString value = rest[at + 1];
        rest.remove(at, 2);
        return value;
    };
    const QString find = takeOption(QStringLiteral("--find"));
    const QString encodingName = takeOption(QStringLiteral("--encoding")).toLower();
    if (rest.size() != 2 || (rest[0] != QStringLiteral("csv") && rest[0] != QStringLiteral("eab")))
        throw CliError{QStringLiteral(
            "export takes csv or eab, a file, optionally --find TEXT and --encoding.")};
    const bool eab = rest[0] == QStringLiteral("eab");
    CsvEncoding encoding = CsvEncoding::Windows1252;
    if (encodingName == QStringLiteral("utf-8") || encodingName == QStringLiteral("utf8"))
        encoding = CsvEncoding::Utf8;
    else if (!encodingName.isEmpty() && encodingName != QStringLiteral("windows-1252"))
        throw CliError{QStringLiteral("--encoding takes utf-8 or windows-1252.")};
    if (eab && !encodingName.isEmpty())
        throw CliError{QStringLiteral("--encoding applies to csv exports only.")};
    const QString path = rest[1];
    ProgressLine progress(context, QStringLiteral("Reading pages"));
    int tabsRead = 0;
    const QList<ListedRecord> pages =
        findPages(context.folder, find, [&](qsizetype) { progress.show(++tabsRead / 25.0); });
    if (pages.isEmpty())
        throw CliError{QStringLiteral("No page to export: nothing written.")};
    if (eab)
        removeExportWorkFiles(context.folder);
    ExportCounts counts;
    const QString problem = exportToFile(path, eab ? ExportFormat::Eab : ExportFormat::Csv,
                                         context.folder, pages, {}, encoding, &counts);
    if (eab)
        removeExportWorkFiles(context.folder);
    if (!problem.isEmpty())
        throw CliError{QStringLiteral("Cannot write %1: %2").arg(path, problem)};
    if (context.json)
        printJson(context, QJsonObject{{QStringLiteral("exported"), pages.size()},
                                       {QStringLiteral("file"), path},
                                       {QStringLiteral("bytes"), QFileInfo(path).size()},
                                       {QStringLiteral("unmappable"), counts.unmappable}});
    else
        context.out << QStringLiteral("Exported %1 page(s) to %2.\n").arg(pages.size()).arg(path);
    if (!context.json && counts.unmappable)
        context.out << unmappableNotice(counts) << u'\n';
    return 0;
}

} // namespace orvelan::cli
