#include "cli/BookPassword.h"
#include "cli/DesktopServices.h"
#include "cli/ToolFaults.h"

#include "security/BookEncryption.h"
#include "security/BookKeyring.h"
#include "sync/PasswordStore.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace orvelan::cli {

QString masterPassword(CliContext& context, const QString& prompt) {
    if (!context.passwordFile.isEmpty()) {
        QString password;
        QString error;
        if (!readPasswordFile(context.passwordFile, password, error))
            throw toolError(Fault::Password, error);
        if (passwordBytes(password).isEmpty())
            throw toolError(Fault::Password,
                            QStringLiteral("The password file %1 is empty: its first line must "
                                           "hold the master password.")
                                .arg(context.passwordFile));
        return password;
    }
    if (context.askPassword) {
        if (const std::optional<QString> typed = context.askPassword(prompt))
            return *typed;
    }
    throw toolError(Fault::Password,
                    QStringLiteral("This book is encrypted and there is no terminal to ask for "
                                   "its master password: give it with --password-file FILE (the "
                                   "file's first line)."));
}

void unlockForCommand(CliContext& context) {
    if (context.folder.sealing().state() != BookSealing::State::Locked)
        return;
    if (!context.recoveryKeyFile.isEmpty()) {
        QString error;
        if (!readPasswordFile(context.recoveryKeyFile, context.recoveryKey, error))
            throw toolError(Fault::Password, error);
        const Unlocking unlocked = unlockBookWithRecoveryKey(context.folder, context.recoveryKey);
        if (!unlocked.ok)
            throw toolError(unlocked.wrongPassword ? Fault::Password : Fault::BookDamaged,
                            unlocked.error);
        return;
    }
    if (context.passwordFile.isEmpty()) {
        // Without the keyring, the password is asked as when the keyring keeps no key.
        try {
            if (unlockFromKeyring(context.folder, *desktopOf(context).keyring()))
                return;
        } catch (const CliError& error) {
            context.err << "orvelan-book: the book's key was not read from the keyring: "
                        << error.message << '\n';
        }
    }
    context.password = masterPassword(context, QStringLiteral("Master password: "));
    const Unlocking unlocked = unlockBook(context.folder, context.password);
    if (!unlocked.ok)
        throw toolError(unlocked.wrongPassword ? Fault::Password : Fault::BookDamaged,
                        unlocked.error);
}

std::optional<QString> askOnTerminal(const QString& prompt) {
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool quiet = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (quiet)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
    if (!read)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

} // namespace orvelan::cli
