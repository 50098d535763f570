// Commands that bring pages in from files and write them out: import, export.
#include "cli/CliCommand.h"
#include "cli/Commands.h"
#include "cli/ToolFaults.h"

#include "exchange/Charsets.h"
#include "exchange/Export.h"
#include "exchange/FieldMapping.h"
#include "exchange/ImportAgainstBook.h"
#include "exchange/ImportStaging.h"
#include "exchange/ImportSummary.h"
#include "exchange/csv/CsvImport.h"
#include "exchange/eab/EabContainer.h"
#include "exchange/vcard/VCard.h"
#include "exchange/vcard/VCardImport.h"
#include "platform/Clock.h"
#include "store/PageRecord.h"
#include "store/RuntimeError.h"
#include "store/StoreMessages.h"
#include "store/TabTable.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QScopeGuard>

namespace orvelan::cli {

namespace {

struct ImportArguments {
    QString file;
    bool autoMap = false;
    QStringList maps; // COLUMN=FIELD
    QString find;
    QString charset; // --encoding: the character set of a comma-separated file
    ImportDuplicates duplicates = ImportDuplicates::Skip;
};

ImportArguments importArguments(const QStringList& args) {
    ImportArguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QStringLiteral("--map") || arg == QStringLiteral("--find") ||
            arg == QStringLiteral("--encoding") || arg == QStringLiteral("--duplicates")) {
            if (i + 1 >= args.size())
                throw CliError{arg + QStringLiteral(" needs a value.")};
            const QString value = args[++i];
            if (arg == QStringLiteral("--duplicates")) {
                const auto choice = importDuplicatesNamed(value);
                if (!choice)
                    throw CliError{QStringLiteral("--duplicates takes skip, merge or keep."), 2};
                parsed.duplicates = *choice;
            } else if (arg == QStringLiteral("--find"))
                parsed.find = value;
            else if (arg == QStringLiteral("--encoding"))
                parsed.charset = value;
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

// The named records staged, as a listing of them counts them.
qint64 namedStaged(const ImportStaging& staging) {
    qint64 named = 0;
    for (int tab = 0; tab <= LastTab; ++tab) {
        staging.folder().tabTempFile(tab).scan([&](qint64, QByteArrayView stored) {
            named += !isBlankStored(stored) && !StoredRecordView(stored).isBlank();
            return true;
        });
    }
    return named;
}

// The column names of a file for a message: each cut to the summary's length, the first 20.
QString shownColumns(const FieldMapping& mapping) {
    const QStringList& names = mapping.columnNames();
    QStringList shown;
    for (qsizetype i = 0; i < names.size() && i < ImportSummary::NamedLimit; ++i)
        shown.append(ImportSummary::shown(names[i]));
    QString text = shown.join(QStringLiteral(", "));
    if (names.size() > shown.size())
        text += QStringLiteral(" and %1 more").arg(names.size() - shown.size());
    return text;
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
            throw CliError{QStringLiteral("The file has no column '%1'; its columns are: %2.")
                               .arg(ImportSummary::shown(column.trimmed()), shownColumns(mapping))};
    }
    mapping.remove(field - 1);
    const FieldMapping::Outcome outcome =
        last < 0 ? mapping.add(first, field - 1) : mapping.addJoined(first, last, field - 1);
    if (outcome != FieldMapping::Outcome::Done)
        throw CliError{FieldMapping::messageFor(outcome).trimmed()};
}

// Files the listed staged records. The work files go however that ends: they do not stay at
// the size of the file read, nor behind a failure.
ImportOutcome fileListed(ImportStaging& staging, const QList<ListedRecord>& listed,
                         ImportDuplicates duplicates, ImportSummary& summary, StagedKeys& keys) {
    const auto removeWorkFiles = qScopeGuard([&staging] { staging.removeLetterTabs(); });
    SystemClock clock;
    return importAgainstBook(staging.folder(), clock, listed, duplicates, summary, {}, &keys);
}

// Prints the summary of an import (text or JSON, the same for every kind of file) and fails
// when a record could not be written, was refused, or nothing was imported.
int reportImport(CliContext& context, ImportSummary& summary, const ImportOutcome& outcome) {
    summary.recordImport(outcome.perTab, outcome.written, outcome.failures);
    if (outcome.error)
        summary.writeProblem = writeErrorMessage(outcome.error);
    if (context.json) {
        printJson(context, summary.toJson());
    } else {
        for (const QString& line : summary.lines())
            context.out << line << "\n";
    }
    if (outcome.failures)
        throw CliError{importFailureText(outcome)};
    if (summary.refusedTotal())
        throw CliError{
            QStringLiteral("%1 record(s) refused; see the summary.").arg(summary.refusedTotal())};
    // A file whose records are all in the book already is not a failure: the summary says so.
    if (summary.imported == 0 && summary.alreadyInBook.count == 0 &&
        summary.mergedIntoBook.count == 0)
        throw CliError{QStringLiteral("Nothing imported.")};
    return 0;
}

// Imports the cards of a vCard file or of a folder's .vcf files.
int importVCards(CliContext& context, const ImportArguments& parsed) {
    if (!parsed.maps.isEmpty() || !parsed.charset.isEmpty())
        throw CliError{QStringLiteral("%1 applies to comma-separated files only.")
                           .arg(parsed.maps.isEmpty() ? QStringLiteral("--encoding")
                                                      : QStringLiteral("--map"))};
    const QStringList files = vcardFiles(parsed.file);
    if (files.isEmpty())
        throw CliError{QStringLiteral("%1 holds no .vcf file; nothing imported.").arg(parsed.file)};
    if (files.size() == 1 && !QFileInfo(files[0]).isReadable())
        throw CliError{QStringLiteral("Cannot read %1.").arg(files[0])};
    const auto lock = lockBook(context.folder);
    ImportStaging staging(context.folder);
    staging.keepMatchKeys();
    ImportSummary summary = stageVCardFiles(files, staging, QDateTime::currentDateTime());
    if (files.size() > 1 || QFileInfo(parsed.file).isDir())
        summary.fileName = QFileInfo(parsed.file).fileName();
    if (summary.stagingWriteFailures)
        throw CliError{stagingFailureText()};
    StagedKeys keys = staging.takeMatchKeys();
    returnStagingMemory();
    const QList<ListedRecord> listed = staging.list(parsed.find, {}, false);
    const ImportOutcome outcome = fileListed(staging, listed, parsed.duplicates, summary, keys);
    return reportImport(context, summary, outcome);
}

} // namespace

int runImport(CliContext& context, const QStringList& args) {
    const ImportArguments parsed = importArguments(args);
    if (!parsed.file.endsWith(QStringLiteral(".eab"), Qt::CaseInsensitive) &&
        !parsed.file.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) &&
        isVCardSource(parsed.file))
        return importVCards(context, parsed);
    if (!QFileInfo::exists(parsed.file) &&
        !parsed.file.endsWith(QStringLiteral("csv"), Qt::CaseInsensitive) &&
        !parsed.file.endsWith(QStringLiteral(".eab"), Qt::CaseInsensitive))
        throw CliError{QStringLiteral("Cannot read %1: no such file or folder.").arg(parsed.file)};
    const bool eab = parsed.file.endsWith(QStringLiteral(".eab"), Qt::CaseInsensitive);
    if (!eab && !parsed.file.endsWith(QStringLiteral("csv"), Qt::CaseInsensitive))
        throw CliError{
            QStringLiteral("Can't Read Import File - the file must end in .csv or .eab.")};
    if (eab && (!parsed.maps.isEmpty()))
        throw CliError{QStringLiteral("--map applies to comma-separated files only.")};
    if (eab && !parsed.charset.isEmpty())
        throw CliError{QStringLiteral("--encoding applies to comma-separated files only.")};
    if (!parsed.charset.isEmpty() && !isKnownCharset(parsed.charset))
        throw CliError{QStringLiteral("No character set is named '%1'; nothing imported.")
                           .arg(parsed.charset)};
    if (const QFileInfo info(parsed.file); info.exists() && !info.isFile())
        throw CliError{QStringLiteral("%1 is not a file (a folder, a named pipe or a device); "
                                      "nothing imported.")
                           .arg(parsed.file)};
    if (const int error = importFileError(parsed.file))
        throw CliError{QStringLiteral("Cannot read %1 (error %2).").arg(parsed.file).arg(error)};
    const auto lock = lockBook(context.folder);
    ImportStaging staging(context.folder);
    ImportSummary summary;
    // A file that cannot be read to its end leaves nothing staged and nothing imported.
    const auto readFailed = [&](int error) {
        staging.removeLetterTabs();
        return CliError{QStringLiteral("%1 could not be read to its end (error %2); nothing "
                                       "imported.")
                            .arg(parsed.file)
                            .arg(error)};
    };
    if (eab) {
        int error = 0;
        const EabLayout layout = eabLayout(parsed.file, error);
        if (error)
            throw CliError{
                QStringLiteral("Cannot read %1 (error %2).").arg(parsed.file).arg(error)};
        if (layout.status == EabRead::Status::Refused)
            throw CliError{QStringLiteral("%1 is not an ORVELAN exchange file; nothing imported.")
                               .arg(parsed.file)};
        summary.fileDamaged = layout.status == EabRead::Status::Damaged;
        summary.stagingWriteFailures = staging.startLetterTabs();
        error = scanEab(parsed.file, layout, [&](int tab, QByteArrayView records) {
            summary.stagingWriteFailures +=
                staging.appendLetterRecords(tab, records, &summary.hiddenRemoved);
            return true;
        });
        if (error)
            throw readFailed(error);
        summary.read = summary.staged = namedStaged(staging);
    } else {
        CsvText text = CsvText::fromFile(parsed.file, parsed.charset);
        if (text.readError())
            throw readFailed(text.readError());
        FieldMapping mapping;
        mapping.setColumns(csvColumns(text));
        if (parsed.autoMap)
            mapping.autoMap();
        for (const QString& map : parsed.maps)
            applyMap(mapping, map);
        if (mapping.sourceColumns()[0] < 0)
            throw CliError{QStringLiteral("No column is mapped to Name, so every record would be "
                                          "refused; nothing imported. Map one with --map "
                                          "COLUMN=Name. The file's columns are: %1.")
                               .arg(shownColumns(mapping))};
        staging.keepMatchKeys();
        summary = stageCsv(text, mapping, staging, QDateTime::currentDateTime());
        if (text.readError())
            throw readFailed(text.readError());
        if (summary.stagingWriteFailures)
            throw CliError{stagingFailureText()};
    }
    summary.fileName = QFileInfo(parsed.file).fileName();
    ProgressLine progress(context, QStringLiteral("Importing"));
    int tabsListed = 0;
    StagedKeys keys = staging.takeMatchKeys();
    returnStagingMemory();
    const QList<ListedRecord> listed = staging.list(
        parsed.find, [&](qsizetype) { progress.show(++tabsListed / 25.0); }, false);
    const ImportOutcome outcome = fileListed(staging, listed, parsed.duplicates, summary, keys);
    return reportImport(context, summary, outcome);
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
    const QString version = takeOption(QStringLiteral("--version"));
    const QStringList formats{QStringLiteral("csv"), QStringLiteral("eab"), QStringLiteral("vcf")};
    if (rest.size() != 2 || !formats.contains(rest[0]))
        throw CliError{
            QStringLiteral("export takes csv, eab or vcf, a file, optionally --find TEXT, "
                           "--encoding for csv and --version 3.0|4.0 for vcf.")};
    ExportFormat format = rest[0] == QStringLiteral("eab")   ? ExportFormat::Eab
                          : rest[0] == QStringLiteral("vcf") ? ExportFormat::VCard30
                                                             : ExportFormat::Csv;
    if (!version.isEmpty()) {
        VCardVersion chosen;
        if (format != ExportFormat::VCard30)
            throw CliError{QStringLiteral("--version applies to vcf exports only.")};
        if (!parseVersion(version, chosen) || chosen == VCardVersion::V21)
            throw CliError{QStringLiteral("--version takes 3.0 or 4.0.")};
        if (chosen == VCardVersion::V40)
            format = ExportFormat::VCard40;
    }
    const bool eab = format == ExportFormat::Eab;
    CsvEncoding encoding = CsvEncoding::Windows1252;
    if (encodingName == QStringLiteral("utf-8") || encodingName == QStringLiteral("utf8"))
        encoding = CsvEncoding::Utf8;
    else if (!encodingName.isEmpty() && encodingName != QStringLiteral("windows-1252"))
        throw CliError{QStringLiteral("--encoding takes utf-8 or windows-1252.")};
    if (format != ExportFormat::Csv && !encodingName.isEmpty())
        throw CliError{QStringLiteral("--encoding applies to csv exports only.")};
    const QString path = rest[1];
    if (eab)
        removeExportWorkFiles(context.folder);
    // The pages stream from the tabs to the file: memory does not grow with the book.
    ProgressLine progress(context, QStringLiteral("Reading pages"));
    ExportCounts counts;
    const ExportResult result = exportBookToFile(
        path, format, context.folder, find, [&](int tab) { progress.show(double(tab) / LastTab); },
        encoding, &counts);
    if (result.writeError)
        throw fileFault(FileAccess::Write, path, result.writeError);
    if (!result.ok())
        throw CliError{QStringLiteral("Cannot export to %1: %2").arg(path, result.problem)};
    for (const QString& place : result.damaged)
        context.err << "orvelan-book: " << place << '\n';
    if (result.pages == 0)
        throw CliError{QStringLiteral("No page to export: nothing written.")};
    if (context.json)
        printJson(context, QJsonObject{{QStringLiteral("exported"), result.pages},
                                       {QStringLiteral("file"), path},
                                       {QStringLiteral("bytes"), QFileInfo(path).size()},
                                       {QStringLiteral("unmappable"), counts.unmappable},
                                       {QStringLiteral("damaged"), result.damaged.size()}});
    else
        context.out << QStringLiteral("Exported %1 page(s) to %2.\n").arg(result.pages).arg(path);
    if (!context.json && !result.damaged.isEmpty())
        context.out << damagedLeftOutNotice(result.damaged.size()) << u'\n';
    if (!context.json && counts.unmappable)
        context.out << unmappableNotice(counts) << u'\n';
    if (!context.json && context.folder.sealing().encrypted())
        context.out << plainCopyNotice() << u'\n';
    // Like a listing, an export that passed over damaged pages does not end as a clean one.
    return result.damaged.isEmpty() ? 0 : exitStatus(Fault::BookDamaged);
}

} // namespace orvelan::cli
