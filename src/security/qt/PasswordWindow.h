#pragma once

#include "platform/BookWindow.h"
#include "platform/HelpPages.h"
#include "security/PasswordDialogue.h"
#include "ui/ButtonPictures.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace orvelan {

class LabelButton;
class PasswordStore;

// The password window `frmMPass`: shows the dialogue's state and passes the user's actions on.
class PasswordWindow : public QDialog, public PasswordView {
    Q_OBJECT
public:
    PasswordWindow(Session& session, HelpPages help, QWidget* parent = nullptr);

    PasswordDialogue& dialogue() { return m_dialogue; }
    ButtonState pictureState(int index) const { return m_states.at(index); }
    // "Remember on this computer" is ticked (shown for an encrypted book only).
    bool rememberChosen() const;

    // PasswordView
    void setInstruction(const QString& text) override;
    void setInstructionColour(InstructionColour colour) override;
    void setOkCaption(const QString& caption) override;
    void setChangeEnabled(bool enabled) override;
    void clearEntry() override;
    void hideWindow() override;
    void unloadWindow() override;
    void setRecoveryKeyOffered(bool offered) override;

    void reject() override; // Esc never leaves this window

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool filterEntryKey(QKeyEvent* event);
    void act(int index);
    void showPictures(int index, ButtonState state);

    Session& m_session;
    HelpPages m_help;
    PasswordDialogue m_dialogue;
    QLabel* m_instruction;
    QLineEdit* m_entry;
    QCheckBox* m_remember = nullptr;
    QCheckBox* m_recovery = nullptr;
    std::array<LabelButton*, 3> m_commands{};
    std::array<QLabel*, 3> m_pictures{};
    std::array<ButtonState, 3> m_states{ButtonState::Normal, ButtonState::Normal,
                                        ButtonState::Normal};
    bool m_unloading = false;
};

// Runs the password window modally for the password gate. A locked encrypted book opens with
// the key remembered in `keyring` without showing the window; "Remember on this computer" keeps
// it there.
class PasswordWindowPrompt final : public PasswordPrompt {
public:
    PasswordWindowPrompt(Session& session, HelpPages help, PasswordStore& keyring)
        : m_session(session), m_help(help), m_keyring(keyring) {}
    void run(int mode) override;

private:
    Session& m_session;
    HelpPages m_help;
    PasswordStore& m_keyring;
};

} // namespace orvelan
