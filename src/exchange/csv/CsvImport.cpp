#include "exchange/csv/CsvImport.h"

#include "exchange/csv/CsvColumns.h"
#include "exchange/csv/CsvReader.h"
#include "store/PageRecord.h"
#include "store/RuntimeError.h"
#include "store/TabTable.h"

#include <QFile>

#include <cerrno>

namespace orvelan {

QByteArray readImportFile(const QString& path, int& error) {
    error = 0;
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        error = runtimeErrorFromErrno(errno ? errno : ENOENT, path);
        return {};
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        error = RuntimeError::DeviceIoError;
    return bytes;
}

int importFileError(const QString& path) {
    if (const int error = notARegularFileError(path))
        return error;
    QFile file(path);
    errno = 0;
    return file.open(QIODevice::ReadOnly) ? 0 : runtimeErrorFromErrno(errno ? errno : ENOENT, path);
}

namespace {

constexpr qint64 FlushEvery = 2000;

// A value that tells the user which record it was when it has no name: its e-mail address,
// organisation or telephone number, else its first value.
QString firstValue(const ImportRecord& record) {
    const auto text = [&](int k) { return QString::fromUtf8(record[k]).simplified().left(40); };
    for (const int k : {12, 23, 14, 7, 9, 8}) {
        if (const QString value = text(k); !value.isEmpty())
            return value;
    }
    for (int k = 0; k < MappedFieldCount; ++k) {
        if (const QString value = text(k); !value.isEmpty())
            return value;
    }
    return {};
}

} // namespace

QList<QByteArray> csvColumns(const QByteArray& fileBytes, const QString& charset) {
    CsvText text(fileBytes, charset);
    return csvColumns(text);
}

QList<QByteArray> csvColumns(CsvText& text) {
    QByteArray header;
    const bool any = text.nextLine(header);
    text.restart();
    return any ? readHeaderLine(header, text.separator()) : QList<QByteArray>();
}

ImportSummary stageCsv(const QByteArray& fileBytes, const FieldMapping& mapping,
                       ImportStaging& staging, const QDateTime& now, const Yield& yield,
                       const QString& charset) {
    CsvText text(fileBytes, charset);
    return stageCsv(text, mapping, staging, now, yield);
}

ImportSummary stageCsv(CsvText& text, const FieldMapping& mapping, ImportStaging& staging,
                       const QDateTime& now, const Yield& yield) {
    ImportSummary summary;
    summary.stagingWriteFailures = staging.reset();
    FieldSources sources = mapping.fieldSources();
    const CsvColumns columns(mapping.columnNames(), sources);
    summary.encoding = text.encodingText();
    summary.separator = separatorName(text.separator());
    QByteArray line;
    text.nextLine(line); // the header
    ImportRecord record;
    qint64 lines = 0;
    while (text.nextLine(line)) {
        if (yield && (++lines % 256) == 0)
            yield();
        if (trimSpaces(line).isEmpty())
            continue;
        ++summary.read;
        const SplitLine split = splitLine(line, text.separator());
        FieldMapping::pick(sources, split.fields, record);
        const int noted = columns.apply(split.fields, record);
        if (text.lastLineDamaged()) {
            summary.refuse(ImportSummary::Refusal::Damaged,
                           trimSpaces(QStringView(QString::fromUtf8(record[0]))).toString(),
                           text.lastLineNumber());
            continue;
        }
        if (split.lineError)
            ++summary.overlongLines;
        const ImportStaging::Staged staged = staging.stage(record, now);
        switch (staged.outcome) {
        case ImportStaging::Staged::Outcome::NoName:
            summary.refuse(ImportSummary::Refusal::NoName, {}, text.lastLineNumber(),
                           firstValue(record));
            continue;
        case ImportStaging::Staged::Outcome::NotFileable:
            summary.refuse(ImportSummary::Refusal::NotFileable, staged.name, text.lastLineNumber());
            continue;
        case ImportStaging::Staged::Outcome::Staged:
            break;
        }
        ++summary.staged;
        summary.hiddenRemoved += staged.hiddenRemoved;
        summary.valuesNoted += noted;
        if (staged.replacedCharacters) {
            summary.charactersReplaced += staged.replacedCharacters;
            ++summary.recordsWithReplacements;
        }
        for (const int k : staged.cutFields)
            summary.cut(staged.name, QString::fromLatin1(specOf(viewField(k)).name));
        if (summary.staged % FlushEvery == 0) // staged pages are written in batches
            summary.stagingWriteFailures += staging.flush();
    }
    summary.windows1252Lines = text.windows1252Lines();
    summary.stagingWriteFailures += staging.flush();
    return summary;
}

} // namespace orvelan
