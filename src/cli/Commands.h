#pragma once

#include "cli/CliCommand.h"
#include "store/PageRecord.h"

namespace orvelan::cli {

QJsonObject pageJson(int tab, qint64 page, const PageRecord& record);

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
int runSync(CliContext& context, const QStringList& args);

} // namespace orvelan::cli
