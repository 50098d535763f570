// The sync command: two-way sync with the user's CardDAV server.
#include "cli/CliCommand.h"
#include "cli/Commands.h"
#include "cli/DesktopServices.h"

#include "platform/Clock.h"
#include "sync/PasswordStore.h"
#include "sync/SyncRun.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace orvelan::cli {

namespace {

struct SyncArguments {
    QString url;
    QString user;
    QString passwordFile;
    QString addressBook;
    QString caFile;
    bool dryRun = false;
    bool allowPlainHttp = false;
    bool allowDeletions = false;
    bool hasUser = false;
    bool hasAddressBook = false;
};

SyncArguments syncArguments(const QStringList& args) {
    SyncArguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QStringLiteral("--dry-run")) {
            parsed.dryRun = true;
            continue;
        }
        if (arg == QStringLiteral("--allow-plain-http")) {
            parsed.allowPlainHttp = true;
            continue;
        }
        if (arg == QStringLiteral("--allow-deletions")) {
            parsed.allowDeletions = true;
            continue;
        }
        const QStringList valued = {QStringLiteral("--url"), QStringLiteral("--user"),
                                    QStringLiteral("--password-file"),
                                    QStringLiteral("--addressbook"), QStringLiteral("--ca-file")};
        if (!valued.contains(arg))
            throw CliError{QStringLiteral("sync: unexpected argument '%1'.").arg(arg)};
        if (i + 1 >= args.size())
            throw CliError{arg + QStringLiteral(" needs a value.")};
        const QString value = args[++i];
        if (arg == QStringLiteral("--url")) {
            parsed.url = value;
        } else if (arg == QStringLiteral("--user")) {
            parsed.user = value;
            parsed.hasUser = true;
        } else if (arg == QStringLiteral("--password-file")) {
            parsed.passwordFile = value;
        } else if (arg == QStringLiteral("--addressbook")) {
            parsed.addressBook = value;
            parsed.hasAddressBook = true;
        } else {
            parsed.caFile = QFileInfo(value).absoluteFilePath();
        }
    }
    return parsed;
}

// The stored account with what this run gives; a new server, user or address book is found
// again.
SyncAccount accountFor(const BookFolder& folder, const SyncArguments& args) {
    SyncAccount account;
    QString error;
    if (!SyncAccount::load(folder, account, error) && args.url.isEmpty())
        throw CliError{error};
    const SyncAccount stored = account;
    if (!args.url.isEmpty())
        account.url = args.url;
    if (args.hasUser)
        account.user = args.user;
    if (args.hasAddressBook)
        account.addressBook = args.addressBook;
    if (!args.caFile.isEmpty())
        account.caFile = args.caFile;
    if (account.url != stored.url || account.user != stored.user ||
        account.addressBook != stored.addressBook)
        account.addressBookUrl.clear();
    // Leave to send in the clear holds for the server it was given for.
    if (account.url != stored.url)
        account.allowPlainHttp = false;
    if (args.allowPlainHttp)
        account.allowPlainHttp = true;
    if (!account.isSet())
        throw CliError{QStringLiteral("No server to sync with yet: give --url URL (and --user "
                                      "NAME, --password-file FILE).")};
    return account;
}

} // namespace

int runSync(CliContext& context, const QStringList& args) {
    const SyncArguments parsed = syncArguments(args);
    SyncRequest request;
    request.account = accountFor(context.folder, parsed);
    request.dryRun = parsed.dryRun;
    request.allowDeletions = parsed.allowDeletions;
    // Asked first, so that without the desktop module nothing is read or written.
    DesktopServices& desktop = desktopOf(context);
    const std::unique_ptr<PasswordStore> keyring = desktop.keyring();
    QString error;
    // A server without logins (no user given) needs no password.
    if ((!request.account.user.isEmpty() || !parsed.passwordFile.isEmpty()) &&
        !findSyncPassword(keyring.get(), passwordKey(request.account.user, request.account.url),
                          parsed.passwordFile, request.password, error))
        throw CliError{error};
    // A dry run only reads; a sync changes the book and holds its lock.
    std::unique_ptr<BookLock> lock;
    if (!request.dryRun)
        lock = lockBook(context.folder);
    SystemClock clock;
    const SyncOutcome outcome =
        runSync(context.folder, clock, request, [&desktop](const SyncRequest& made, QString& why) {
            return desktop.httpTransport(made, why);
        });
    if (!request.dryRun && !outcome.account.addressBookUrl.isEmpty()) {
        if (const int failed = outcome.account.save(context.folder))
            context.err << QStringLiteral(
                               "orvelan-book: cannot keep the account in %1 (error %2)\n")
                               .arg(syncAccountPath(context.folder))
                               .arg(failed);
    }
    if (!outcome.warning.isEmpty())
        context.err << QStringLiteral("orvelan-book: warning: %1\n").arg(outcome.warning);
    if (!outcome.ok)
        throw CliError{outcome.report.deletionsHeld()
                           ? outcome.error +
                                 QStringLiteral(" Run 'orvelan-book sync --allow-deletions' to "
                                                "go on (deleted cards are kept in the trash).")
                           : outcome.error};
    const SyncReport& report = outcome.report;
    if (context.json) {
        printJson(
            context,
            QJsonObject{{QStringLiteral("addressBook"), outcome.account.addressBookUrl},
                        {QStringLiteral("dryRun"), request.dryRun},
                        {QStringLiteral("sent"), report.sent},
                        {QStringLiteral("received"), report.received},
                        {QStringLiteral("deletedHere"), report.deletedHere},
                        {QStringLiteral("deletedOnServer"), report.deletedThere},
                        {QStringLiteral("conflicts"), report.conflicts},
                        {QStringLiteral("conflictCopies"),
                         QJsonArray::fromStringList(report.conflictNames)},
                        {QStringLiteral("cut"), QJsonArray::fromStringList(report.cut)},
                        {QStringLiteral("changes"), QJsonArray::fromStringList(report.changes)},
                        {QStringLiteral("requests"), report.requests},
                        {QStringLiteral("heldDeletionsHere"), report.heldDeletionsHere},
                        {QStringLiteral("heldDeletionsOnServer"), report.heldDeletionsThere}});
        return 0;
    }
    if (outcome.createdAddressBook)
        context.out
            << QStringLiteral("Created the address book %1\n").arg(outcome.account.addressBookUrl);
    if (request.dryRun) {
        for (const QString& line : report.changes)
            context.out << line << '\n';
    }
    context.out << (request.dryRun ? QStringLiteral("Would sync: ") : QStringLiteral("Synced: "))
                << syncSummary(report) << '\n';
    if (request.dryRun && report.deletionsHeld())
        context.out << heldDeletionsText(report)
                    << " A sync will stop before deleting unless given --allow-deletions.\n";
    if (request.dryRun)
        context.out << "Dry run: nothing was changed.\n";
    return 0;
}

} // namespace orvelan::cli
