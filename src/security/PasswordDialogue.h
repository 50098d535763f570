#pragma once

#include "store/Session.h"

#include <QString>

namespace orvelan {

enum class InstructionColour { DarkBlue, Red, Green }; // 0,0,192 / 255,0,0 / 0,128,0

// What the password dialogue shows; the password window implements it.
class PasswordView {
public:
    virtual ~PasswordView() = default;
    virtual void setInstruction(const QString& text) = 0;
    virtual void setInstructionColour(InstructionColour colour) = 0;
    virtual void setOkCaption(const QString& caption) = 0;
    virtual void setChangeEnabled(bool enabled) = 0;
    // Empties the entry box and gives it the focus.
    virtual void clearEntry() = 0;
    virtual void hideWindow() = 0;
    virtual void unloadWindow() = 0;
    // The choice of unlocking with the recovery key instead (a locked encrypted book only).
    virtual void setRecoveryKeyOffered(bool /*offered*/) {}
};

// The master password dialogue: setting, confirming, entering and changing the password. It
// sets the session's password-accepted or cancelled flag; the stored password lives in the
// settings and reaches the file when a new one is set.
class PasswordDialogue {
public:
    enum Mode { Set = 1, Enter = 2, Confirm = 3 };
    enum class Typed { Accepted, Ok, Refused };

    PasswordDialogue(Session& session, PasswordView& view);

    void start(int mode);
    void prepare(); // shows the window's state for the current mode
    void ok(const QString& typed);
    void change();
    void cancel();
    // The typing rules for one character; a refusal tells the user and empties the entry.
    Typed type(char32_t ch);
    // Text that reached the entry box without key presses (a paste, a middle-click, an input
    // method): every character meets the typing rules. False when one was refused (the entry
    // is emptied and the user told, once).
    bool takeText(QStringView text);
    // A locked encrypted book may be opened with its recovery key instead of the password; a
    // password is then set anew. `use` switches what Enter takes.
    bool recoveryKeyOffered() const;
    void useRecoveryKey(bool use);
    bool usingRecoveryKey() const { return m_useRecoveryKey; }

    int mode() const { return m_mode; }
    bool changePending() const { return m_changePending; }
    bool closed() const { return m_closed; }

    static constexpr int MaxLength = 64;

private:
    // In an encrypted book the password must open book.key; a locked book is unlocked by it.
    bool matchesStored(const QString& typed);
    void enterRecoveryKey(const QString& typed);
    void blink(const QString& text, bool acceptAfterBlinks = false);
    void refuse(const QString& text);
    void close();

    Session& m_session;
    PasswordView& m_view;
    int m_mode = Set;
    bool m_changePending = false;
    bool m_closed = false;
    QString m_firstEntry;
    QString m_confirmation;
    QString m_givenPassword;    // the password that opened an encrypted book's key, for a change
    QString m_givenRecoveryKey; // the recovery key that opened it, when the password was lost
    bool m_useRecoveryKey = false;
};

// Leading and trailing spaces removed (only spaces, as the stored field pads with them).
QString trimPasswordSpaces(const QString& text);

// Ticking "Clear Existing Password" in the options panel. Returns whether the box stays ticked.
bool clearStoredPassword(Settings& settings, Prompter& prompter);

} // namespace orvelan
