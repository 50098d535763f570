#include "security/EncryptionChoice.h"

#include "security/PasswordDialogue.h"
#include "store/Windows1252.h"

namespace orvelan {

namespace {

const QString ChoiceTitle = QStringLiteral("ORVELAN Secure Address Book");

} // namespace

const QString& EncryptionChoice::caption() {
    static const QString text = QStringLiteral("Encrypt the book with the master password");
    return text;
}

void EncryptionChoice::tell(const QString& text, PromptIcon icon) {
    m_session.services().prompter.ask({ChoiceTitle, text, icon, PromptButtons::Ok});
}

std::optional<QString> EncryptionChoice::newPassword() {
    const auto first = m_ask(ChoiceTitle, QStringLiteral("Set a master password for the book (at "
                                                   "least 3 characters):"));
    if (!first)
        return std::nullopt;
    if (trimPasswordSpaces(*first).size() < 3) {
        tell(QStringLiteral("Passwords of less than 3 characters are not Permitted   "),
             PromptIcon::Exclamation);
        return std::nullopt;
    }
    const auto again = m_ask(ChoiceTitle, QStringLiteral("Confirm the master password:"));
    if (!again)
        return std::nullopt;
    if (trimPasswordSpaces(*again) != trimPasswordSpaces(*first)) {
        tell(QStringLiteral("Your Password Confirmation doesn't Match - Enter Again  "),
             PromptIcon::Exclamation);
        return std::nullopt;
    }
    return trimPasswordSpaces(*first);
}

bool EncryptionChoice::encrypt() {
    const BookFolder& folder = m_session.folder();
    if (folder.sealing().encrypted())
        return true;
    Settings& settings = m_session.settings();
    QString password = trimPasswordSpaces(fromWindows1252(settings.masterPassword()));
    if (password.isEmpty()) {
        const auto chosen = newPassword();
        if (!chosen)
            return false;
        password = *chosen;
    }
    Prompter& prompter = m_session.services().prompter;
    if (prompter.ask({ChoiceTitle,
                      QStringLiteral("Encrypting seals every page with your master password. A "
                                     "forgotten master password cannot be recovered: nobody, "
                                     "not even ORVELAN, can open the book without it.\r\n\r\n"
                                     "Encrypt the book now?"),
                      PromptIcon::Exclamation, PromptButtons::OkCancel}) != PromptAnswer::Ok)
        return false;
    const bool recovery =
        prompter.ask({ChoiceTitle,
                      QStringLiteral("Make a recovery key as well? It opens the book if the "
                                     "password is forgotten; it is shown only once, so write it "
                                     "down and keep it apart from the computer."),
                      PromptIcon::Question, PromptButtons::YesNo}) == PromptAnswer::Yes;
    const ConversionOutcome outcome = encryptBook(folder, password, recovery, m_progress);
    if (!outcome.ok) {
        tell(QStringLiteral("The book could not be encrypted; it is as it was.\r\n") +
                 outcome.error,
             PromptIcon::Critical);
        return false;
    }
    // The password lives in book.key now; the settings keep none, and always ask for it.
    settings.setRaw(Settings::MasterPassword, QByteArray());
    settings.setFlag(Settings::UsePasswordOnStartUp, true);
    m_session.passwordAccepted = true;
    m_session.saveSettings();
    QString text = QStringLiteral("The book is encrypted: %1 pages.").arg(outcome.pages);
    if (recovery)
        text += QStringLiteral("\r\n\r\nRecovery key (shown only now):\r\n") + outcome.recoveryKey;
    tell(text, PromptIcon::Information);
    return true;
}

bool EncryptionChoice::decrypt() {
    const BookFolder& folder = m_session.folder();
    if (!folder.sealing().encrypted())
        return false;
    const auto password = m_ask(ChoiceTitle, QStringLiteral("Enter the master password to decrypt the "
                                                      "book:"));
    if (!password)
        return true;
    QString why;
    const auto keyFile = readBookKey(folder, why);
    if (!keyFile || !keyFile->unlockWithPassword(*password)) {
        tell(keyFile ? QStringLiteral("Incorrect Password") : why, PromptIcon::Exclamation);
        return true;
    }
    const ConversionOutcome outcome = decryptBook(folder, *password, m_progress);
    if (!outcome.ok) {
        tell(QStringLiteral("The book could not be decrypted; it is as it was.\r\n") +
                 outcome.error,
             PromptIcon::Critical);
        return true;
    }
    qsizetype unmappable = 0;
    const QByteArray stored = toWindows1252(trimPasswordSpaces(*password), &unmappable);
    m_session.settings().setRaw(Settings::MasterPassword,
                                unmappable || stored.size() > 64 ? QByteArray() : stored);
    m_session.saveSettings();
    tell(QStringLiteral("The book is decrypted: its files are readable again by anyone who has a "
                        "copy of them."),
         PromptIcon::Information);
    return false;
}

} // namespace orvelan
