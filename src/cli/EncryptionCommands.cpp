// encrypt, decrypt and the master password of an encrypted book.
#include "cli/BookPassword.h"
#include "cli/Commands.h"
#include "cli/ToolFaults.h"
#include "security/BookEncryption.h"
#include "security/BookKeyring.h"
#include "store/RuntimeError.h"
#include "store/StoreMessages.h"
#include "store/TabTable.h"
#include "sync/PasswordStore.h"

#include <QJsonArray>

namespace orvelan::cli {

namespace {

const QString& noRecoveryWarning() {
    static const QString text = QStringLiteral(
        "A forgotten master password cannot be recovered: without it (or the recovery key) "
        "nobody, not even this program, can read the book again.");
    return text;
}

// A new password typed twice on the terminal; a password file is read once.
QString newPassword(CliContext& context) {
    const QString password = masterPassword(context, QStringLiteral("New master password: "));
    if (context.passwordFile.isEmpty() &&
        masterPassword(context, QStringLiteral("The same password again: ")) != password)
        throw CliError{QStringLiteral("The two passwords differ; nothing was changed.")};
    return password;
}

ConversionProgress progressOf(ProgressLine& line) {
    return [&line](double fraction) { line.show(fraction); };
}

} // namespace

int runEncrypt(CliContext& context, const QStringList& args) {
    bool recovery = false;
    for (const QString& argument : args) {
        if (argument == QStringLiteral("--recovery-key"))
            recovery = true;
        else
            throw CliError{QStringLiteral("unexpected argument %1").arg(argument), 2};
    }
    const auto lock = lockBook(context.folder);
    if (context.folder.sealing().encrypted())
        throw CliError{QStringLiteral("The book is already encrypted.")};
    const QString password = newPassword(context);
    ConversionOutcome outcome;
    {
        ProgressLine line(context, QStringLiteral("Encrypting"));
        outcome = encryptBook(context.folder, password, recovery, progressOf(line));
    }
    if (!outcome.ok)
        throw CliError{outcome.error};
    if (context.json) {
        QJsonObject object{{QStringLiteral("pages"), outcome.pages}};
        if (recovery)
            object.insert(QStringLiteral("recoveryKey"), outcome.recoveryKey);
        printJson(context, object);
    } else {
        context.out << QStringLiteral("Encrypted the book: %1 pages.\n").arg(outcome.pages);
        if (recovery)
            context.out << QStringLiteral("Recovery key (write it down and keep it apart from "
                                          "the computer; it is shown only now):\n  %1\n")
                               .arg(outcome.recoveryKey);
        context.out << noRecoveryWarning() << '\n';
    }
    return 0;
}

int runDecrypt(CliContext& context, const QStringList& args) {
    if (!args.isEmpty())
        throw CliError{QStringLiteral("unexpected argument %1").arg(args.first()), 2};
    const auto lock = lockBook(context.folder);
    if (!context.folder.sealing().encrypted())
        throw CliError{QStringLiteral("The book is not encrypted.")};
    ConversionOutcome outcome;
    {
        ProgressLine line(context, QStringLiteral("Decrypting"));
        outcome = decryptBook(context.folder, context.password, progressOf(line));
    }
    if (!outcome.ok)
        throw CliError{outcome.error};
    if (context.json)
        printJson(context, QJsonObject{{QStringLiteral("pages"), outcome.pages}});
    else
        context.out << QStringLiteral("Decrypted the book: %1 pages. Its files are readable "
                                      "again by anyone who has a copy of them.\n")
                           .arg(outcome.pages);
    return 0;
}

void changeEncryptedPassword(CliContext& context, const QString& newPassword) {
    QString error;
    if (context.recoveryKey.isEmpty() && !context.recoveryKeyFile.isEmpty() &&
        !readPasswordFile(context.recoveryKeyFile, context.recoveryKey, error))
        throw toolError(Fault::Password, error);
    if (!context.recoveryKey.isEmpty()) {
        const ConversionOutcome outcome =
            changeBookPasswordWithRecoveryKey(context.folder, context.recoveryKey, newPassword);
        if (!outcome.ok)
            throw outcome.wrongPassword ? toolError(Fault::Password, outcome.error)
                                        : CliError{outcome.error};
        return;
    }
    if (context.password.isEmpty())
        context.password = masterPassword(context, QStringLiteral("Present master password: "));
    const ConversionOutcome outcome =
        changeBookPassword(context.folder, context.password, newPassword);
    if (!outcome.ok)
        throw outcome.wrongPassword ? toolError(Fault::Password, outcome.error)
                                    : CliError{outcome.error};
}

} // namespace orvelan::cli
