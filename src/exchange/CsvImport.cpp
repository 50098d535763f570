#include "exchange/CsvImport.h"

#include "exchange/CsvReader.h"
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

QList<QByteArray> csvColumns(const QByteArray& fileBytes) {
    CsvText text(fileBytes);
    QByteArray header;
    if (!text.nextLine(header))
        return {};
    return readHeaderLine(header);
}

CsvReadOutcome stageCsv(const QByteArray& fileBytes, const FieldMapping& mapping,
                        ImportStaging& staging, const QDateTime& now, const Yield& yield) {
    CsvReadOutcome outcome;
    outcome.writeFailures = staging.reset();
    const auto sources = mapping.sourceColumns();
    CsvText text(fileBytes);
    QByteArray line;
    text.nextLine(line); // the header
    ImportRecord record;
    qint64 lines = 0;
    while (text.nextLine(line)) {
        if (yield && (++lines % 256) == 0)
            yield();
        if (trimSpaces(line).isEmpty())
            continue;
        const SplitLine split = splitLine(line);
        if (split.lineError)
            ++outcome.overlongLines;
        if (text.lastLineReplaced())
            ++outcome.replacedLines;
        FieldMapping::pick(sources, split.fields, record);
        if (staging.stage(record, now) == ImportStaging::Outcome::Staged)
            ++outcome.staged;
        else
            ++outcome.refused;
    }
    outcome.writeFailures += staging.flush();
    return outcome;
}

} // namespace orvelan
