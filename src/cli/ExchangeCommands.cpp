// Commands that bring pages in from files and write them out: import, export.
#include "cli/CliCommand.h"
#include "cli/Commands.h"

#include "exchange/CsvImport.h"
#include "exchange/EabContainer.h"
#include "exchange/Export.h"
#include "exchange/FieldMapping.h"
#include "exchange/ImportStaging.h"
#include "exchange/VCard.h"
#include "exchange/VCardImport.h"
#include "store/PageRecord.h"
#include "store/RuntimeError.h"
#include "store/StoreMessages.h"
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
// record name (Name, Addr1 ... Notes).
void applyMap(FieldMapping& mapping, const QString& assignment) {
    const qsizetype equals = assignment.lastIndexOf(u'=');
    if (equals <= 0)
        throw CliError{QStringLiteral("'%1' is not COLUMN=FIELD.").arg(assignment)};
    const QString column = assignment.left(equals).trimmed();
    const int field = fieldByName(QStringView(assignment).mid(equals + 1).trimmed());
    if (field < static_cast<int>(Field::Name) || field > static_cast<int>(Field::Notes))
        throw CliError{QStringLiteral("'%1' is not a page field (Name, Addr1 ... Notes).")
                           .arg(assignment.mid(equals + 1))};
    const int columnIndex = static_cast<int>(mapping.columnNames().indexOf(column));
    if (columnIndex < 0)
        throw CliError{QStringLiteral("The file has no column '%1'; its columns are: %2.")
                           .arg(column, mapping.columnNames().join(QStringLiteral(", ")))};
    mapping.remove(field - 1);
    const FieldMapping::Outcome outcome = mapping.add(columnIndex, field - 1);
    if (outcome != FieldMapping::Outcome::Done)
        throw CliError{FieldMapping::messageFor(outcome).trimmed()};
}

QString tabName(int tab) {
    return QString::fromLatin1(tabLabel(tab)).trimmed();
}

QJsonArray tabsJson(const ImportOutcome& outcome) {
    QJsonArray tabs;
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        if (outcome.perTab[tab])
            tabs.append(QJsonObject{{QStringLiteral("tab"), tab},
                                    {QStringLiteral("label"), tabName(tab)},
                                    {QStringLiteral("pages"), outcome.perTab[tab]}});
    }
    return tabs;
}

void printTabs(CliContext& context, const ImportOutcome& outcome) {
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        if (outcome.perTab[tab])
            context.out << QStringLiteral("%1: %2\n").arg(tabName(tab)).arg(outcome.perTab[tab]);
    }
    context.out << QStringLiteral("Imported %1 page(s).\n").arg(outcome.written);
}

// Imports the cards of a vCard file or of a folder's .vcf files.
int importVCards(CliContext& context, const ImportArguments& parsed) {
    if (!parsed.maps.isEmpty())
        throw CliError{QStringLiteral("--map applies to comma-separated files only.")};
    const QStringList files = vcardFiles(parsed.file);
    if (files.isEmpty())
        throw CliError{QStringLiteral("%1 holds no .vcf file; nothing imported.").arg(parsed.file)};
    if (files.size() == 1 && !QFileInfo(files[0]).isReadable())
        throw CliError{QStringLiteral("Cannot read %1.").arg(files[0])};
    const auto lock = lockBook(context.folder);
    ImportStaging staging(context.folder);
    const VCardImportSummary summary =
        stageVCardFiles(files, staging, QDateTime::currentDateTime());
    if (summary.writeFailures)
        throw CliError{stagingFailureText()};
    const QList<ListedRecord> listed = staging.list(parsed.find);
    const ImportOutcome outcome = importListed(context.folder, listed);

    if (context.json) {
        const auto named = [](const NamedCount& n) {
            return QJsonObject{{QStringLiteral("count"), n.count},
                               {QStringLiteral("names"), QJsonArray::fromStringList(n.names)}};
        };
        printJson(context, QJsonObject{{QStringLiteral("files"), summary.files},
                                       {QStringLiteral("cards"), summary.cards},
                                       {QStringLiteral("staged"), summary.staged},
                                       {QStringLiteral("imported"), outcome.written},
                                       {QStringLiteral("failed"), outcome.failures},
                                       {QStringLiteral("tabs"), tabsJson(outcome)},
                                       {QStringLiteral("refused"), named(summary.refused)},
                                       {QStringLiteral("cut"), named(summary.cut)},
                                       {QStringLiteral("leftOut"), named(summary.leftOut)},
                                       {QStringLiteral("damaged"), named(summary.damaged)},
                                       {QStringLiteral("unreadable"),
                                        QJsonArray::fromStringList(summary.unreadable)}});
    } else {
        for (const QString& line : summary.lines())
            context.out << line << "\n";
        printTabs(context, outcome);
    }
    if (outcome.failures)
        throw CliError{importFailureText(outcome)};
    if (summary.refused.count)
        throw CliError{QStringLiteral("%1 card(s) refused.").arg(summary.refused.count)};
    if (outcome.written == 0)
        throw CliError{QStringLiteral("Nothing imported.")};
    return 0;
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
    const QByteArray bytes = readOrThrow(parsed.file);
    const auto lock = lockBook(context.folder);
    ImportStaging staging(context.folder);
    QStringList notes;
    if (eab) {
        const EabRead read = readEab(bytes);
        if (read.status == EabRead::Status::Refused)
            throw CliError{QStringLiteral("%1 is not an ORVELAN exchange file; nothing imported.")
                               .arg(parsed.file)};
        if (read.status == EabRead::Status::Damaged)
            notes.append(QStringLiteral("The file is damaged; only its whole records were read."));
        if (staging.replaceLetterTabs(read.segments))
            throw CliError{stagingFailureText()};
    } else {
        FieldMapping mapping;
        mapping.setColumns(csvColumns(bytes));
        if (parsed.autoMap)
            mapping.autoMap();
        for (const QString& map : parsed.maps)
            applyMap(mapping, map);
        if (mapping.sourceColumns()[0] < 0)
            notes.append(QStringLiteral("No column is mapped to Name: every record is refused."));
        const CsvReadOutcome outcome =
            stageCsv(bytes, mapping, staging, QDateTime::currentDateTime());
        if (outcome.refused)
            notes.append(QStringLiteral("%1 record(s) refused: empty name or a name beginning "
                                        "with [ \\ ] ^ _ or `.")
                             .arg(outcome.refused));
        if (outcome.overlongLines)
            notes.append(QStringLiteral("%1 line(s) had 200 or more fields; later fields lost.")
                             .arg(outcome.overlongLines));
        if (outcome.replacedLines)
            notes.append(QStringLiteral("%1 record(s) had characters that cannot be stored; they "
                                        "became '?'.")
                             .arg(outcome.replacedLines));
        if (outcome.writeFailures)
            throw CliError{stagingFailureText()};
    }
    const QList<ListedRecord> listed = staging.list(parsed.find);
    const ImportOutcome outcome = importListed(context.folder, listed);

    if (context.json) {
        printJson(context,
                  QJsonObject{{QStringLiteral("imported"), outcome.written},
                              {QStringLiteral("failed"), outcome.failures},
                              {QStringLiteral("tabs"), tabsJson(outcome)},
                              {QStringLiteral("notes"), QJsonArray::fromStringList(notes)}});
    } else {
        for (const QString& note : notes)
            context.out << note << "\n";
        printTabs(context, outcome);
    }
    if (outcome.failures)
        throw CliError{importFailureText(outcome)};
    return 0;
}

int runExport(CliContext& context, const QStringList& args) {
    QStringList rest = args;
    const auto option = [&](const QString& name) {
        const qsizetype at = rest.indexOf(name);
        if (at < 0)
            return QString();
        if (at + 1 >= rest.size())
            throw CliError{name + QStringLiteral(" needs a value.")};
        const QString value = rest[at + 1];
        rest.remove(at, 2);
        return value;
    };
    const QString find = option(QStringLiteral("--find"));
    const QString version = option(QStringLiteral("--version"));
    const QStringList formats{QStringLiteral("csv"), QStringLiteral("eab"), QStringLiteral("vcf")};
    if (rest.size() != 2 || !formats.contains(rest[0]))
        throw CliError{QStringLiteral("export takes csv, eab or vcf, a file and optionally "
                                      "--find TEXT (and for vcf --version 3.0|4.0).")};
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
    const QString path = rest[1];
    if (eab)
        removeExportWorkFiles(context.folder);
    // The pages stream from the tabs to the file: memory does not grow with the book.
    const ExportResult result = exportBookToFile(path, format, context.folder, find);
    if (!result.ok())
        throw CliError{QStringLiteral("Cannot export to %1: %2").arg(path, result.problem)};
    if (result.pages == 0)
        throw CliError{QStringLiteral("No page to export: nothing written.")};
    if (context.json)
        printJson(context, QJsonObject{{QStringLiteral("exported"), result.pages},
                                       {QStringLiteral("file"), path},
                                       {QStringLiteral("bytes"), QFileInfo(path).size()}});
    else
        context.out << QStringLiteral("Exported %1 page(s) to %2.\n").arg(result.pages).arg(path);
    return 0;
}

} // namespace orvelan::cli
