// The check command: reads every record of every tab and names what is damaged; with --repair
// sets damaged records aside in Reserve/damaged/.
#include "cli/CliCommand.h"
#include "cli/Commands.h"

#include "store/BookCheck.h"
#include "store/TabTable.h"
#include "sync/SyncAccount.h"
#include "sync/SyncState.h"

#include <QFileInfo>

#include <QJsonArray>

namespace orvelan::cli {

namespace {

QString kindName(BookProblem::Kind kind) {
    switch (kind) {
    case BookProblem::Kind::MissingFile:
        return QStringLiteral("missing");
    case BookProblem::Kind::Link:
        return QStringLiteral("link");
    case BookProblem::Kind::NotAFile:
        return QStringLiteral("notAFile");
    case BookProblem::Kind::Unreadable:
        return QStringLiteral("unreadable");
    case BookProblem::Kind::PartialRecord:
        return QStringLiteral("partialRecord");
    case BookProblem::Kind::UndecodablePage:
        return QStringLiteral("undecodable");
    case BookProblem::Kind::DamagedPage:
        return QStringLiteral("damaged");
    case BookProblem::Kind::DuplicateIdentity:
        return QStringLiteral("duplicateIdentity");
    }
    return {};
}

// A repair that could not keep some pages of a synced book makes the sync state forget them, so
// the next sync brings them back from the server instead of deleting their cards there.
void forgetLostPages(const BookFolder& folder, RepairReport& repaired) {
    const QString path = syncStatePath(folder);
    if (repaired.lost.isEmpty() || !QFileInfo::exists(path))
        return;
    SyncState state;
    QString error;
    if (!SyncState::load(path, state, error, &folder.sealing())) {
        repaired.left << QStringLiteral("The sync state could not be read (%1): put the lost "
                                        "pages back from a backup before the next sync.")
                             .arg(error);
        return;
    }
    int forgotten = 0;
    for (const RepairReport::LostPages& lost : std::as_const(repaired.lost))
        forgotten += state.forgetPagesAfter(lost.tab, lost.keptPages);
    if (forgotten == 0)
        return;
    if (state.save(path, &folder.sealing()) != 0)
        repaired.left << QStringLiteral("The sync state could not be written: put the lost "
                                        "pages back from a backup before the next sync.");
    else
        repaired.done << QStringLiteral("The next sync brings %1 lost page(s) back from the "
                                        "server instead of deleting their cards there.")
                             .arg(forgotten);
}

} // namespace

int runCheck(CliContext& context, const QStringList& args) {
    const bool repair = args == QStringList{QStringLiteral("--repair")};
    if (!args.isEmpty() && !repair)
        throw CliError{QStringLiteral("check takes only --repair.")};
    const auto lock = repair ? lockBook(context.folder) : nullptr;
    const BookCheckResult found = checkBook(context.folder);
    RepairReport repaired;
    if (repair) {
        repaired = repairBook(context.folder, found);
        forgetLostPages(context.folder, repaired);
    }
    if (context.json) {
        QJsonArray problems;
        for (const BookProblem& problem : found.problems)
            problems.append(QJsonObject{{QStringLiteral("kind"), kindName(problem.kind)},
                                        {QStringLiteral("tab"), problem.tab},
                                        {QStringLiteral("label"), tabCaption(problem.tab)},
                                        {QStringLiteral("page"), problem.page},
                                        {QStringLiteral("file"), problem.path},
                                        {QStringLiteral("message"), problem.describe()}});
        QJsonObject object{{QStringLiteral("pages"), found.pages},
                           {QStringLiteral("problems"), problems}};
        if (repair) {
            object.insert(QStringLiteral("repaired"), QJsonArray::fromStringList(repaired.done));
            object.insert(QStringLiteral("left"), QJsonArray::fromStringList(repaired.left));
        }
        printJson(context, object);
        return found.ok() ? 0 : 1;
    }
    for (const BookProblem& problem : found.problems)
        context.out << problem.describe() << '\n';
    if (found.ok()) {
        context.out << QStringLiteral("Checked %1 pages in %2 tab files: no problems.\n")
                           .arg(found.pages)
                           .arg(TabCount);
        return 0;
    }
    context.out << QStringLiteral("Checked %1 pages: %2 %3.\n")
                       .arg(found.pages)
                       .arg(found.problems.size())
                       .arg(found.problems.size() == 1 ? QStringLiteral("problem")
                                                       : QStringLiteral("problems"));
    if (!repair) {
        context.out << "'orvelan-book check --repair' sets damaged records aside in "
                       "Reserve/damaged/; it deletes nothing.\n";
        return 1;
    }
    for (const QString& line : std::as_const(repaired.done))
        context.out << QStringLiteral("Repaired: ") << line << '\n';
    for (const QString& line : std::as_const(repaired.left))
        context.out << QStringLiteral("Left as it is: ") << line << '\n';
    return 1;
}

} // namespace orvelan::cli
