#pragma once

#include "exchange/FieldMapping.h"
#include "exchange/ImportStaging.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace orvelan {

// Reads the whole import file; `error` receives a runtime error number (0 when it went well).
QByteArray readImportFile(const QString& path, int& error);

// The column names of a comma-separated file's first line.
QList<QByteArray> csvColumns(const QByteArray& fileBytes);

// What reading the data lines of a comma-separated file did.
struct CsvReadOutcome {
    qint64 staged = 0;
    qint64 refused = 0;       // names that are empty or do not begin with a letter
    qint64 overlongLines = 0; // lines that reached the field limit
    qint64 replacedLines = 0; // lines in which characters became '?'
    int writeFailures = 0;    // staging files that could not be written
};

// Stages every non-empty data line (the header is skipped) with the mapping's values, after
// resetting the staging files.
CsvReadOutcome stageCsv(const QByteArray& fileBytes, const FieldMapping& mapping,
                        ImportStaging& staging, const QDateTime& now, const Yield& yield = {});

} // namespace orvelan
