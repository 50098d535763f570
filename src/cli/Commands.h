#pragma once

#include "cli/CliCommand.h"
#include "store/PageRecord.h"

namespace orvelan::cli {

// A page in JSON: tab, label, page, the fields Name ... Notes, DateModified (YYYY-MM-DD),
// TimeModified (hh:mm) and modified (YYYY-MM-DDThh:mm); unset or unreadable stamps are null.
QJsonObject pageJson(int tab, qint64 page, const PageRecord& record);
// The text fields Name ... Notes of a page, as the page view shows them.
QJsonObject pageFieldsJson(const PageRecord& record);
// A page's "dd/mm/yy" (any separator) as "YYYY-MM-DD", "hh:mm" as "hh:mm"; null when unset.
QJsonValue isoDate(const QString& stored);
QJsonValue isoTime(const QString& stored);

int runTabs(CliContext& context, const QStringList& args);
int runList(CliContext& context, const QStringList& args);
int runShow(CliContext& context, const QStringList& args);
int runAdd(CliContext& context, const QStringList& args);
int runSet(CliContext& context, const QStringList& args);
int runDelete(CliContext& context, const QStringList& args);
int runReset(CliContext& context, const QStringList& args);
int runCompact(CliContext& context, const QStringList& args);
int runSettings(CliContext& context, const QStringList& args);
int runSearch(CliContext& context, const QStringList& args);
int runPrint(CliContext& context, const QStringList& args);
int runImport(CliContext& context, const QStringList& args);
int runExport(CliContext& context, const QStringList& args);
int runQuery(CliContext& context, const QStringList& args);
int runSync(CliContext& context, const QStringList& args);
int runCheck(CliContext& context, const QStringList& args);
int runTrash(CliContext& context, const QStringList& args);
int runEncrypt(CliContext& context, const QStringList& args);
int runDecrypt(CliContext& context, const QStringList& args);
int runDuplicates(CliContext& context, const QStringList& args);
int runMerge(CliContext& context, const QStringList& args);
// settings MasterPassword=NEW in an encrypted book: asks for the present password, rewraps.
void changeEncryptedPassword(CliContext& context, const QString& newPassword);

} // namespace orvelan::cli
