#include "security/PasswordDialogue.h"
#include "store/Windows1252.h"
#include "support/BookSession.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;

namespace {

// Records the password window's state as the dialogue sets it.
struct RecordingView final : PasswordView {
    void setInstruction(const QString& text) override {
        instruction = text;
        instructions.append(text);
    }
    void setInstructionColour(InstructionColour c) override { colour = c; }
    void setOkCaption(const QString& caption) override { okCaption = caption; }
    void setChangeEnabled(bool enabled) override { changeEnabled = enabled; }
    void clearEntry() override { ++cleared; }
    void hideWindow() override { hidden = true; }
    void unloadWindow() override { unloaded = true; }

    QString instruction;
    QStringList instructions;
    InstructionColour colour = InstructionColour::DarkBlue;
    QString okCaption;
    bool changeEnabled = false;
    int cleared = 0;
    bool hidden = false;
    bool unloaded = false;
};

class PasswordDialogueTest : public ::testing::Test, protected BookSession {
protected:
    QByteArray storedPassword() const {
        return SettingsFile(book.folder().settingsPath()).read().masterPassword().trimmed();
    }

    RecordingView view;
    PasswordDialogue dialogue{session, view};
};

TEST_F(PasswordDialogueTest, SettingANewPasswordNeedsThreeCharactersAndAMatchingConfirmation) {
    dialogue.start(1);
    EXPECT_EQ(view.instruction, QStringLiteral("Set a Password or Phrase"));
    EXPECT_EQ(view.okCaption, QStringLiteral("SET"));
    EXPECT_FALSE(view.changeEnabled);

    dialogue.ok(QStringLiteral(" ab "));
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.last().title, QStringLiteral("Ostrowvale Ostrowvale Solutions"));
    EXPECT_EQ(prompter.last().text,
              QStringLiteral("Passwords of less than 3 characters are not Permitted   "));
    EXPECT_EQ(dialogue.mode(), 1);

    dialogue.ok(QStringLiteral("abc"));
    EXPECT_EQ(view.instruction, QStringLiteral("Confirm Password"));
    EXPECT_EQ(view.okCaption, QStringLiteral("Confirm"));
    dialogue.ok(QStringLiteral("abd"));
    EXPECT_EQ(prompter.last().title, QStringLiteral("Ostrowvale Cypher Module"));
    EXPECT_EQ(prompter.last().text,
              QStringLiteral("Your Password Confirmation doesn't Match - Enter Again  "));
    EXPECT_EQ(view.instruction, QStringLiteral("Set a Password or Phrase"));
    EXPECT_EQ(view.okCaption, QStringLiteral("SET"));
    EXPECT_EQ(dialogue.mode(), 1);
    EXPECT_FALSE(session.passwordAccepted);

    dialogue.ok(QStringLiteral("Rosé 9"));
    dialogue.ok(QStringLiteral("Rosé 9 "));
    EXPECT_TRUE(session.passwordAccepted);
    EXPECT_TRUE(view.hidden);
    EXPECT_TRUE(view.unloaded);
    EXPECT_EQ(view.colour, InstructionColour::Green);
    EXPECT_EQ(view.instruction, QStringLiteral("New Password Set Ok"));
    EXPECT_EQ(storedPassword(), toWindows1252(u"Rosé 9"));
    EXPECT_EQ(prompter.shown().size(), 2);
}

TEST_F(PasswordDialogueTest, WrongPasswordsBlinkAndMayBeRetriedTrimmedOnBothSides) {
    session.settings().setRaw(Settings::MasterPassword, " Secret");
    dialogue.start(2);
    EXPECT_EQ(view.instruction, QStringLiteral("Enter Password"));
    EXPECT_EQ(view.okCaption, QStringLiteral("Enter"));
    EXPECT_TRUE(view.changeEnabled);

    for (int attempt = 0; attempt < 5; ++attempt) {
        view.instructions.clear();
        const double before = clock.pausedSeconds();
        dialogue.ok(QStringLiteral("secret")); // case counts
        const QStringList blink = {
            QStringLiteral("Incorrect Password"), QString(),
            QStringLiteral("Incorrect Password"), QString(),
            QStringLiteral("Incorrect Password"), QString(),
            QStringLiteral("Incorrect Password"), QString(),
            QStringLiteral("Incorrect Password"), QStringLiteral("Enter Password")};
        EXPECT_EQ(view.instructions, blink);
        EXPECT_NEAR(clock.pausedSeconds() - before, 1.3, 1e-9);
        EXPECT_FALSE(session.passwordAccepted);
        EXPECT_FALSE(view.unloaded);
        EXPECT_EQ(dialogue.mode(), 2);
    }
    dialogue.ok(QStringLiteral("Secret  "));
    EXPECT_TRUE(session.passwordAccepted);
    EXPECT_EQ(view.instruction, QStringLiteral("Password Accepted"));
    EXPECT_TRUE(view.unloaded);
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_FALSE(QFile::exists(book.folder().settingsPath())); // entering writes nothing
}

TEST_F(PasswordDialogueTest, ChangeAsksForTheExistingPasswordThenANewOne) {
    session.settings().setRaw(Settings::MasterPassword, "old-one");
    dialogue.start(2);
    dialogue.change();
    EXPECT_TRUE(dialogue.changePending());
    EXPECT_FALSE(view.changeEnabled);
    EXPECT_EQ(view.instruction, QStringLiteral("Enter Existing Password"));

    dialogue.ok(QStringLiteral("wrong"));
    EXPECT_TRUE(dialogue.changePending());
    EXPECT_EQ(view.instruction, QStringLiteral("Enter Existing Password"));
    EXPECT_EQ(view.colour, InstructionColour::DarkBlue);
    EXPECT_EQ(view.okCaption, QStringLiteral("Enter"));

    dialogue.ok(QStringLiteral("old-one"));
    EXPECT_FALSE(dialogue.changePending());
    EXPECT_EQ(dialogue.mode(), 1);
    EXPECT_EQ(view.instruction, QStringLiteral("Enter a New Password"));
    EXPECT_EQ(view.okCaption, QStringLiteral("SET"));
    EXPECT_FALSE(session.passwordAccepted);

    dialogue.ok(QStringLiteral("new-one"));
    dialogue.ok(QStringLiteral("new-one"));
    EXPECT_TRUE(session.passwordAccepted);
    EXPECT_EQ(storedPassword(), QByteArray("new-one"));
}

TEST_F(PasswordDialogueTest, TypingRulesRefuseAndEmptyTheEntry) {
    dialogue.start(2);
    const QString prefix = QStringLiteral("Ostrowvale Solutions");
    const struct {
        char32_t ch;
        bool allowExt;
        PasswordDialogue::Typed result;
        const char* message;
    } rows[] = {
        {U'a', false, PasswordDialogue::Typed::Accepted, nullptr},
        {U' ', false, PasswordDialogue::Typed::Accepted, nullptr},
        {U'~', false, PasswordDialogue::Typed::Accepted, nullptr},
        {8, false, PasswordDialogue::Typed::Accepted, nullptr},
        {13, false, PasswordDialogue::Typed::Ok, nullptr},
        {27, false, PasswordDialogue::Typed::Refused,
         "The [Esc] key is PROHIBITED for Password Entry or Dialogue EXIT    "},
        {1, false, PasswordDialogue::Typed::Refused,
         "CONTROL Characters are not permitted in Passwords on this version    "},
        {22, true, PasswordDialogue::Typed::Refused,
         "CONTROL Characters are not permitted in Passwords on this version    "},
        {U'é', false, PasswordDialogue::Typed::Refused,
         "Options Currently set Prohibit EXTENDED Characters in Passwords    "},
        {U'€', false, PasswordDialogue::Typed::Refused,
         "Options Currently set Prohibit EXTENDED Characters in Passwords    "},
        {U'é', true, PasswordDialogue::Typed::Accepted, nullptr},
        {U'€', true, PasswordDialogue::Typed::Accepted, nullptr},
        {U'\u4e2d', true, PasswordDialogue::Typed::Refused,
         "This character cannot be kept in a Password    "},
    };
    for (const auto& row : rows) {
        session.settings().setFlag(Settings::AllowExtCharsInPasswords, row.allowExt);
        prompter.clear();
        const int clearedBefore = view.cleared;
        EXPECT_EQ(dialogue.type(row.ch), row.result) << int(row.ch);
        if (row.message) {
            ASSERT_EQ(prompter.shown().size(), 1) << int(row.ch);
            EXPECT_EQ(prompter.last().title, prefix);
            EXPECT_EQ(prompter.last().text, QLatin1StringView(row.message));
            EXPECT_EQ(prompter.last().icon, PromptIcon::Exclamation);
            EXPECT_EQ(view.cleared, clearedBefore + 1);
        } else {
            EXPECT_TRUE(prompter.shown().isEmpty()) << int(row.ch);
        }
    }
    EXPECT_EQ(dialogue.mode(), 2);
}

TEST(ClearStoredPassword, AsksWhenOneIsStoredAndTellsWhenNone) {
    ScriptedPrompter prompter;
    Settings settings;
    settings.setRaw(Settings::MasterPassword, "secret");

    prompter.answerNext(PromptAnswer::Cancel);
    EXPECT_FALSE(clearStoredPassword(settings, prompter));
    EXPECT_EQ(settings.masterPassword().trimmed(), QByteArray("secret"));
    EXPECT_EQ(prompter.last().text,
              QStringLiteral("This will CLear your Exitsing Password, and you will need to Enter "
                             "a New Password    \r\nthe next time you start ORVELAN"));
    EXPECT_EQ(prompter.last().buttons, PromptButtons::OkCancel);

    EXPECT_FALSE(clearStoredPassword(settings, prompter));
    EXPECT_TRUE(settings.masterPassword().trimmed().isEmpty());
    EXPECT_EQ(prompter.last().title, QStringLiteral("ORVELAM Secure Address Book"));
    EXPECT_EQ(prompter.last().text,
              QStringLiteral("Your Current Password has now been Cleared - Ok     "));

    prompter.clear();
    EXPECT_TRUE(clearStoredPassword(settings, prompter));
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.last().text,
              QStringLiteral("No Password is currently Set. You will need to Enter a New "
                             "Password the     \r\nnext time you start ORVELAN"));
}

} // namespace
