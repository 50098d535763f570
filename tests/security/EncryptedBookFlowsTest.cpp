// The master password window and the options panel's tick box on an encrypted book, driven
// through their logic as a person moves: encrypt from the panel, reopen, unlock, change the
// password, decrypt again. The tick box's choices are tested through the window
// (EncryptBookOptionTest).
#include "RecordingPasswordView.h"
#include "security/EncryptionChoice.h"
#include "security/PasswordDialogue.h"
#include "store/Settings.h"
#include "support/FakeClock.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompter.h"
#include "support/TempBook.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

class EncryptedBookFlows : public testing::Test {
protected:
    EncryptedBookFlows() {
        book.writeTab(25, {TempBook::record({{Field::Name, "Zebediah Quill"}})});
        Settings settings;
        settings.setRaw(Settings::MasterPassword, "S3cret!pw");
        settings.setFlag(Settings::UsePasswordOnStartUp, true);
        SettingsFile(book.folder().settingsPath()).write(settings);
    }
    std::unique_ptr<Session> run() {
        auto session =
            std::make_unique<Session>(BookFolder(book.root()), Services{prompter, clock, launcher});
        session->loadSettings();
        return session;
    }
    // Answers the password boxes in order; nothing left means Cancel.
    PasswordQuestion answers(QStringList typed) {
        return [typed](const QString&, const QString&) mutable -> std::optional<QString> {
            if (typed.isEmpty())
                return std::nullopt;
            return typed.takeFirst();
        };
    }
    QByteArray storedPassword() const {
        return SettingsFile(book.folder().settingsPath()).read().masterPassword();
    }

    TempBook book;
    ScriptedPrompter prompter;
    FakeClock clock;
    RecordingLauncher launcher;
};

} // namespace

TEST_F(EncryptedBookFlows, EncryptFromThePanelThenUnlockChangeAndDecrypt) {
    auto first = run();
    prompter.answerNext(PromptAnswer::Ok);  // the warning
    prompter.answerNext(PromptAnswer::Yes); // a recovery key
    prompter.answerNext(PromptAnswer::Ok);  // what was done
    QList<double> progress;
    ASSERT_TRUE(EncryptionChoice(*first, answers({}), [&](double f) { progress << f; }).encrypt());
    EXPECT_TRUE(prompter.last().text.contains(u"Recovery key"_s));
    EXPECT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), 1.0);
    EXPECT_EQ(storedPassword(), QByteArray(64, ' '));
    // Settings written later in the run keep the field empty.
    first->settings().setRaw(Settings::MasterPassword, "S3cret!pw");
    first->saveSettings();
    EXPECT_EQ(storedPassword(), QByteArray(64, ' '));

    // The next run: the window unlocks the book; a wrong password changes nothing.
    auto second = run();
    ASSERT_EQ(second->folder().sealing().state(), BookSealing::State::Locked);
    RecordingView view;
    PasswordDialogue dialogue(*second, view);
    dialogue.start(PasswordDialogue::Enter);
    dialogue.ok(u"S3cret!pW"_s);
    EXPECT_TRUE(view.instructions.contains(u"Incorrect Password"_s));
    EXPECT_EQ(second->folder().sealing().state(), BookSealing::State::Locked);
    dialogue.change();
    dialogue.ok(u"S3cret!pw"_s); // the present password
    EXPECT_EQ(second->folder().sealing().state(), BookSealing::State::Open);
    dialogue.ok(u"n3w-phrase"_s);
    dialogue.ok(u"n3w-phrase"_s);
    EXPECT_TRUE(second->passwordAccepted);
    EXPECT_EQ(storedPassword(), QByteArray(64, ' '));
    EXPECT_EQ(
        PageRecord::fromStored(second->folder().tabFile(25).readPage(1).record).text(Field::Name),
        u"Zebediah Quill"_s);

    // The third run opens with the new password only, and decrypts from the panel.
    auto third = run();
    RecordingView again;
    PasswordDialogue unlock(*third, again);
    unlock.start(PasswordDialogue::Enter);
    unlock.ok(u"S3cret!pw"_s);
    EXPECT_FALSE(third->passwordAccepted);
    unlock.ok(u"n3w-phrase"_s);
    ASSERT_TRUE(third->passwordAccepted);
    prompter.answerNext(PromptAnswer::Ok);
    EXPECT_FALSE(EncryptionChoice(*third, answers({u"n3w-phrase"_s}), {}).decrypt());
    EXPECT_FALSE(QFile::exists(book.folder().bookKeyPath()));
    EXPECT_EQ(storedPassword().trimmed(), "n3w-phrase");
    EXPECT_EQ(book.page(25, 1).text(Field::Name), u"Zebediah Quill"_s);
}
