// The check command: reads every record of every tab and names what is damaged; with --repair
// sets damaged records aside in Reserve/damaged/.
#include "cli/CliCommand.h"
#include "cli/Commands.h"

#include "store/BookCheck.h"
#include "store/TabTable.h"

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

} // namespace

int runCheck(CliContext& context, const QStringList& args) {
    const bool repair = args == QStringList{QStringLiteral("--repair")};
    if (!args.isEmpty() && !repair)
        throw CliError{QStringLiteral("check takes only --repair.")};
    const auto lock = repair ? lockBook(context.folder) : nullptr;
    const BookCheckResult found = checkBook(context.folder);
    RepairReport repaired;
    if (repair)
        repaired = repairBook(context.folder, found);
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
