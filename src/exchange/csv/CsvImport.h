#pragma once

#include "exchange/FieldMapping.h"
#include "exchange/ImportStaging.h"
#include "exchange/ImportSummary.h"
#include "exchange/csv/CsvReader.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace orvelan {

// Reads the whole import file; `error` receives a runtime error number (0 when it went well).
QByteArray readImportFile(const QString& path, int& error);

// Whether the import file can be opened for reading: a runtime error number, or 0.
int importFileError(const QString& path);

// The column names of a comma-separated file's first line (UTF-8).
// `charset` names the file's character set when it is not found by looking (Shift_JIS ...).
QList<QByteArray> csvColumns(const QByteArray& fileBytes, const QString& charset = {});
// The same for a file being read; it is then back at its first line.
QList<QByteArray> csvColumns(CsvText& text);

// Stages every non-empty data line (the header is skipped) with the mapping's values, after
// resetting the staging files. The summary accounts for every record read: staged, or refused
// with its reason and name; it also counts replaced characters, cut values and damaged lines.
ImportSummary stageCsv(const QByteArray& fileBytes, const FieldMapping& mapping,
                       ImportStaging& staging, const QDateTime& now, const Yield& yield = {},
                       const QString& charset = {});
// The same for a file being read from its first line. When it cannot be read to its end
// (text.readError()), what was staged is not to be imported.
ImportSummary stageCsv(CsvText& text, const FieldMapping& mapping, ImportStaging& staging,
                       const QDateTime& now, const Yield& yield = {});

} // namespace orvelan
