#include "security/PasswordDialogue.h"
#include "RecordingPasswordView.h"
#include "store/Windows1252.h"
#include "support/BookSession.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

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
    EXPECT_EQ(view.instruction, u"Set a Password or Phrase"_s);
    EXPECT_EQ(view.okCaption, u"SET"_s);
    EXPECT_FALSE(view.changeEnabled);

    dialogue.ok(u" ab "_s);
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.last().title, u"Ostrowvale Ostrowvale Solutions"_s);
    EXPECT_EQ(prompter.last().text, u"Passwords of less than 3 characters are not Permitted   "_s);
    EXPECT_EQ(dialogue.mode(), 1);

    dialogue.ok(u"abc"_s);
    EXPECT_EQ(view.instruction, u"Confirm Password"_s);
    EXPECT_EQ(view.okCaption, u"Confirm"_s);
    dialogue.ok(u"abd"_s);
    EXPECT_EQ(prompter.last().title, u"Ostrowvale Cypher Module"_s);
    EXPECT_EQ(prompter.last().text, u"Your Password Confirmation doesn't Match - Enter Again  "_s);
    EXPECT_EQ(view.instruction, u"Set a Password or Phrase"_s);
    EXPECT_EQ(view.okCaption, u"SET"_s);
    EXPECT_EQ(dialogue.mode(), 1);
    EXPECT_FALSE(session.passwordAccepted);

    dialogue.ok(u"Rosé 9"_s);
    dialogue.ok(u"Rosé 9 "_s);
    EXPECT_TRUE(session.passwordAccepted);
    EXPECT_TRUE(view.hidden);
    EXPECT_TRUE(view.unloaded);
    EXPECT_EQ(view.colour, InstructionColour::Green);
    EXPECT_EQ(view.instruction, u"New Password Set Ok"_s);
    EXPECT_EQ(storedPassword(), toWindows1252(u"Rosé 9"));
    EXPECT_EQ(prompter.shown().size(), 2);
}

TEST_F(PasswordDialogueTest, WrongPasswordsBlinkAndMayBeRetriedTrimmedOnBothSides) {
    session.settings().setRaw(Settings::MasterPassword, " Secret");
    dialogue.start(2);
    EXPECT_EQ(view.instruction, u"Enter Password"_s);
    EXPECT_EQ(view.okCaption, u"Enter"_s);
    EXPECT_TRUE(view.changeEnabled);

    for (int attempt = 0; attempt < 5; ++attempt) {
        view.instructions.clear();
        const double before = clock.pausedSeconds();
        dialogue.ok(u"secret"_s); // case counts
        const QStringList blink = {
            u"Incorrect Password"_s, QString(),          u"Incorrect Password"_s, QString(),
            u"Incorrect Password"_s, QString(),          u"Incorrect Password"_s, QString(),
            u"Incorrect Password"_s, u"Enter Password"_s};
        EXPECT_EQ(view.instructions, blink);
        EXPECT_NEAR(clock.pausedSeconds() - before, 1.3, 1e-9);
        EXPECT_FALSE(session.passwordAccepted);
        EXPECT_FALSE(view.unloaded);
        EXPECT_EQ(dialogue.mode(), 2);
    }
    dialogue.ok(u"Secret  "_s);
    EXPECT_TRUE(session.passwordAccepted);
    EXPECT_EQ(view.instruction, u"Password Accepted"_s);
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
    EXPECT_EQ(view.instruction, u"Enter Existing Password"_s);

    dialogue.ok(u"wrong"_s);
    EXPECT_TRUE(dialogue.changePending());
    EXPECT_EQ(view.instruction, u"Enter Existing Password"_s);
    EXPECT_EQ(view.colour, InstructionColour::DarkBlue);
    EXPECT_EQ(view.okCaption, u"Enter"_s);

    dialogue.ok(u"old-one"_s);
    EXPECT_FALSE(dialogue.changePending());
    EXPECT_EQ(dialogue.mode(), 1);
    EXPECT_EQ(view.instruction, u"Enter a New Password"_s);
    EXPECT_EQ(view.okCaption, u"SET"_s);
    EXPECT_FALSE(session.passwordAccepted);

    dialogue.ok(u"new-one"_s);
    dialogue.ok(u"new-one"_s);
    EXPECT_TRUE(session.passwordAccepted);
    EXPECT_EQ(storedPassword(), QByteArray("new-one"));
}

TEST_F(PasswordDialogueTest, TypingRulesRefuseAndEmptyTheEntry) {
    dialogue.start(2);
    const QString prefix = u"Ostrowvale Solutions"_s;
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
    EXPECT_EQ(prompter.last().title, u"ORVELAM Secure Address Book"_s);
    EXPECT_EQ(prompter.last().text, u"Your Current Password has now been Cleared - Ok     "_s);

    prompter.clear();
    EXPECT_TRUE(clearStoredPassword(settings, prompter));
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.last().text,
              QStringLiteral("No Password is currently Set. You will need to Enter a New "
                             "Password the     \r\nnext time you start ORVELAN"));
}

} // namespace
