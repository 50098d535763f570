#include "security/PasswordDialogue.h"

#include "security/BookEncryption.h"

#include "store/Windows1252.h"

namespace orvelan {

namespace {
const QString CrLf = QStringLiteral("\r\n");
} // namespace

QString trimPasswordSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

PasswordDialogue::PasswordDialogue(Session& session, PasswordView& view)
    : m_session(session), m_view(view) {}

void PasswordDialogue::start(int mode) {
    m_mode = mode == Enter ? Enter : (mode == Confirm ? Confirm : Set);
    m_changePending = false;
    m_closed = false;
    prepare();
}

void PasswordDialogue::prepare() {
    switch (m_mode) {
    case Set:
        m_view.setOkCaption(QStringLiteral("SET"));
        m_view.setChangeEnabled(false);
        m_view.setInstructionColour(InstructionColour::DarkBlue);
        m_view.setInstruction(QStringLiteral("Set a Password or Phrase"));
        break;
    case Confirm:
        m_view.setOkCaption(QStringLiteral("SET"));
        m_view.setChangeEnabled(false);
        m_view.setInstructionColour(InstructionColour::DarkBlue);
        m_view.setInstruction(QStringLiteral("Enter a New Password"));
        m_mode = Set;
        break;
    case Enter:
        m_view.setOkCaption(QStringLiteral("Enter"));
        m_view.setChangeEnabled(true);
        m_view.setInstructionColour(InstructionColour::DarkBlue);
        m_view.setInstruction(QStringLiteral("Enter Password"));
        break;
    }
    m_view.setRecoveryKeyOffered(m_mode == Enter && recoveryKeyOffered());
    if (m_mode == Enter && m_useRecoveryKey)
        m_view.setInstruction(QStringLiteral("Enter the Recovery Key"));
    m_view.clearEntry();
}

bool PasswordDialogue::recoveryKeyOffered() const {
    return m_session.folder().sealing().state() == BookSealing::State::Locked;
}

void PasswordDialogue::useRecoveryKey(bool use) {
    if (m_closed || m_mode != Enter || m_changePending)
        return;
    m_useRecoveryKey = use && recoveryKeyOffered();
    prepare();
}

void PasswordDialogue::enterRecoveryKey(const QString& typed) {
    const Unlocking unlocked = unlockBookWithRecoveryKey(m_session.folder(), typed);
    if (!unlocked.ok) {
        m_view.setInstructionColour(InstructionColour::Red);
        blink(unlocked.wrongPassword ? QStringLiteral("Incorrect Recovery Key")
                                     : QStringLiteral("The Book Key cannot be Read"));
        if (!unlocked.wrongPassword)
            m_session.services().prompter.ask({QStringLiteral("ORVELAN Error"), unlocked.error,
                                               PromptIcon::Critical, PromptButtons::Ok});
        prepare();
        return;
    }
    // The password is lost: a new one is set, and the book key rewrapped under it.
    m_givenRecoveryKey = typed;
    m_useRecoveryKey = false;
    m_view.setInstructionColour(InstructionColour::Green);
    blink(QStringLiteral("Recovery Key Accepted"));
    m_mode = Confirm;
    prepare();
}

bool PasswordDialogue::matchesStored(const QString& typed) {
    const BookFolder& folder = m_session.folder();
    if (folder.sealing().encrypted()) {
        // An encrypted book: the password must open book.key (which unlocks a locked book).
        bool opens = false;
        if (folder.sealing().state() == BookSealing::State::Locked) {
            opens = unlockBook(folder, typed).ok;
        } else {
            QString why;
            const auto keyFile = readBookKey(folder, why);
            opens = keyFile && keyFile->unlockWithPassword(typed);
        }
        if (opens)
            m_givenPassword = typed;
        return opens;
    }
    const QString stored = fromWindows1252(m_session.settings().masterPassword());
    return trimPasswordSpaces(stored) == trimPasswordSpaces(typed);
}

void PasswordDialogue::blink(const QString& text, bool acceptAfterBlinks) {
    Clock& clock = m_session.services().clock;
    for (int i = 0; i < 4; ++i) {
        m_view.setInstruction(text);
        clock.pause(0.05);
        m_view.setInstruction(QString());
        clock.pause(0.05);
    }
    m_view.setInstruction(text);
    if (acceptAfterBlinks)
        m_session.passwordAccepted = true;
    clock.pause(0.9);
}

void PasswordDialogue::close() {
    m_view.hideWindow();
    m_session.services().clock.pause(0.1);
    m_closed = true;
    m_view.unloadWindow();
}

void PasswordDialogue::ok(const QString& typed) {
    if (m_closed)
        return;
    Prompter& prompter = m_session.services().prompter;
    if (m_changePending) {
        if (matchesStored(typed)) {
            m_session.services().clock.pause(0.1);
            m_changePending = false;
            m_mode = Confirm;
            prepare();
        } else {
            m_view.setInstructionColour(InstructionColour::Red);
            blink(QStringLiteral("Incorrect Password"));
            m_view.setInstructionColour(InstructionColour::DarkBlue);
            m_view.setInstruction(QStringLiteral("Enter Existing Password"));
            m_view.setOkCaption(QStringLiteral("Enter"));
            m_view.clearEntry();
        }
        return;
    }
    switch (m_mode) {
    case Set:
        m_firstEntry = trimPasswordSpaces(typed);
        if (m_firstEntry.size() >= 3) {
            m_mode = Confirm;
            m_view.setInstruction(QStringLiteral("Confirm Password"));
            m_view.setOkCaption(QStringLiteral("Confirm"));
            m_view.clearEntry();
        } else {
            prompter.ask(
                {QStringLiteral("Ostrowvale Ostrowvale Solutions"),
                 QStringLiteral("Passwords of less than 3 characters are not Permitted   "),
                 PromptIcon::Exclamation, PromptButtons::Ok});
            m_mode = Set;
            prepare();
        }
        break;
    case Confirm:
        m_confirmation = trimPasswordSpaces(typed);
        if (m_confirmation != m_firstEntry) {
            prompter.ask(
                {QStringLiteral("Ostrowvale Cypher Module"),
                 QStringLiteral("Your Password Confirmation doesn't Match - Enter Again  "),
                 PromptIcon::Exclamation, PromptButtons::Ok});
            m_view.setInstruction(QStringLiteral("Set a Password or Phrase"));
            m_view.setOkCaption(QStringLiteral("SET"));
            m_view.clearEntry();
            m_mode = Set;
        } else {
            m_mode = Enter;
            m_view.setInstructionColour(InstructionColour::Green);
            blink(QStringLiteral("New Password Set Ok"));
            if (m_session.folder().sealing().encrypted()) {
                // The book key is rewrapped under the new password; no page is rewritten.
                const ConversionOutcome changed =
                    m_givenRecoveryKey.isEmpty()
                        ? changeBookPassword(m_session.folder(), m_givenPassword, m_confirmation)
                        : changeBookPasswordWithRecoveryKey(m_session.folder(), m_givenRecoveryKey,
                                                            m_confirmation);
                if (!changed.ok)
                    prompter.ask({QStringLiteral("ORVELAN Error"), changed.error,
                                  PromptIcon::Critical, PromptButtons::Ok});
            } else {
                m_session.settings().setRaw(Settings::MasterPassword,
                                            toWindows1252(m_confirmation.left(MaxLength)));
            }
            m_session.passwordAccepted = true;
            m_session.saveSettings();
            close();
        }
        break;
    case Enter:
        if (m_useRecoveryKey) {
            enterRecoveryKey(typed);
        } else if (matchesStored(typed)) {
            m_view.setInstructionColour(InstructionColour::Green);
            blink(QStringLiteral("Password Accepted"), true);
            close();
        } else {
            m_view.setInstructionColour(InstructionColour::Red);
            blink(QStringLiteral("Incorrect Password"));
            m_view.setOkCaption(QStringLiteral("Enter"));
            m_view.clearEntry();
            m_mode = Enter;
            prepare();
        }
        break;
    }
}

void PasswordDialogue::change() {
    if (m_closed || m_mode != Enter || m_useRecoveryKey)
        return;
    m_view.setInstruction(QStringLiteral("Enter Existing Password"));
    m_view.setOkCaption(QStringLiteral("Enter"));
    m_changePending = true;
    m_view.setChangeEnabled(false);
    m_view.clearEntry();
}

void PasswordDialogue::cancel() {
    if (m_closed)
        return;
    m_closed = true;
    m_view.unloadWindow();
    m_session.passwordCancelled = true;
}

void PasswordDialogue::refuse(const QString& text) {
    m_session.services().prompter.ask(
        {QStringLiteral("Ostrowvale Solutions"), text, PromptIcon::Exclamation, PromptButtons::Ok});
    m_view.clearEntry();
}

PasswordDialogue::Typed PasswordDialogue::type(char32_t ch) {
    if (ch == 13)
        return Typed::Ok;
    if (ch == 8)
        return Typed::Accepted;
    if (ch == 27) {
        refuse(
            QStringLiteral("The [Esc] key is PROHIBITED for Password Entry or Dialogue EXIT    "));
        return Typed::Refused;
    }
    if (ch >= 1 && ch <= 31) {
        refuse(QStringLiteral(
            "CONTROL Characters are not permitted in Passwords on this version    "));
        return Typed::Refused;
    }
    if (ch >= 128 && !m_session.settings().flag(Settings::AllowExtCharsInPasswords)) {
        refuse(
            QStringLiteral("Options Currently set Prohibit EXTENDED Characters in Passwords    "));
        return Typed::Refused;
    }
    if (!fitsWindows1252(ch)) {
        // The settings file holds single-byte text: such a character would come back as '?'.
        refuse(QStringLiteral("This character cannot be kept in a Password    "));
        return Typed::Refused;
    }
    return Typed::Accepted;
}

bool PasswordDialogue::takeText(QStringView text) {
    for (const char32_t ch : text.toUcs4()) {
        // Enter and Backspace act as keys only; inside a text they are control characters.
        if (ch == 13 || ch == 8) {
            refuse(QStringLiteral(
                "CONTROL Characters are not permitted in Passwords on this version    "));
            return false;
        }
        if (type(ch) == Typed::Refused)
            return false;
    }
    return true;
}

bool clearStoredPassword(Settings& settings, Prompter& prompter) {
    if (!settings.masterPassword().trimmed().isEmpty()) {
        const PromptAnswer answer = prompter.ask(
            {QStringLiteral("ORVELAN Secure Address Book"),
             QStringLiteral("This will CLear your Exitsing Password, and you will need to Enter "
                            "a New Password    ") +
                 CrLf + QStringLiteral("the next time you start ORVELAN"),
             PromptIcon::Exclamation, PromptButtons::OkCancel});
        if (answer == PromptAnswer::Ok) {
            settings.setRaw(Settings::MasterPassword, QByteArrayView());
            prompter.ask({QStringLiteral("ORVELAM Secure Address Book"),
                          QStringLiteral("Your Current Password has now been Cleared - Ok     "),
                          PromptIcon::Information, PromptButtons::Ok});
        }
        return false;
    }
    prompter.ask({QStringLiteral("ORVELAN Secure Address Book"),
                  QStringLiteral("No Password is currently Set. You will need to Enter a New "
                                 "Password the     ") +
                      CrLf + QStringLiteral("next time you start ORVELAN"),
                  PromptIcon::Exclamation, PromptButtons::Ok});
    return true;
}

} // namespace orvelan
