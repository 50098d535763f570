// Sync passwords in a real desktop keyring (GNOME keyring on a private session bus, started by
// with-keyring.sh): what QtKeychain keeps, and what the tool does with it.
#include "RadicaleServer.h"

#include "cli/Commands.h"
#include "cli/ToolCommandLine.h"
#include "security/BookEncryption.h"
#include "security/BookKeyring.h"
#include "support/TempBook.h"
#include "support/ToolHarness.h"
#include "sync/PasswordStore.h"
#include "sync/net/KeyringPasswordStore.h"

#include <gtest/gtest.h>

#include <QDirIterator>

using namespace orvelan;
using namespace Qt::StringLiterals;

namespace {

bool keyringMissing() {
    return qEnvironmentVariableIsSet("ORVELAN_NO_KEYRING") ||
           qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
}

// Whether any file under `folder` holds `text`.
bool anyFileHolds(const QString& folder, const QByteArray& text) {
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        if (test::readBytes(files.next()).contains(text))
            return true;
    }
    return false;
}

} // namespace

TEST(Keyring, KeepsEachAccountsPasswordAndReplacesIt) {
    if (keyringMissing())
        GTEST_SKIP() << "no keyring to test against";
    KeyringPasswordStore keyring;
    const QString first = passwordKey(u"ann"_s, u"https://a.test/"_s);
    const QString second = passwordKey(u"ann"_s, u"https://b.test/"_s);
    ASSERT_TRUE(keyring.write(first, u"first secret"_s));
    ASSERT_TRUE(keyring.write(second, u"zweites Geheimnis \u00e4"_s));
    ASSERT_TRUE(keyring.write(first, u"first secret, changed"_s));
    QString password;
    ASSERT_TRUE(keyring.read(first, password));
    EXPECT_EQ(password, u"first secret, changed"_s);
    ASSERT_TRUE(keyring.read(second, password));
    EXPECT_EQ(password, u"zweites Geheimnis \u00e4"_s);
    EXPECT_FALSE(keyring.read(passwordKey(u"bob"_s, u"https://a.test/"_s), password));
}

TEST(Keyring, TheToolKeepsThePasswordGivenOnceAndNeverInTheBookFolder) {
    if (keyringMissing())
        GTEST_SKIP() << "no keyring to test against";
    test::RadicaleServer server;
    if (!server.start())
        GTEST_SKIP() << server.error().toStdString();
    const QString password = u"kept in the keyring 7"_s;
    server.addUser(u"keyring"_s, password);
    qunsetenv("ORVELAN_SYNC_PASSWORD");

    test::ToolHarness tool;
    ASSERT_EQ(tool.outcome(cli::runAdd, {u"Name=Keyring Person"_s}), u"0"_s);
    const QString passwordFile = tool.write(u"password"_s, password.toUtf8() + '\n');
    EXPECT_EQ(tool.outcome(cli::runSync, {u"--url"_s, server.baseUrl().toString(), u"--user"_s,
                                          u"keyring"_s, u"--password-file"_s, passwordFile}),
              u"0"_s)
        << tool.err.toStdString();
    EXPECT_TRUE(tool.out.contains(u"Sent 1,"_s)) << tool.out.toStdString();

    // The file is gone and no password is in the environment: the keyring has it.
    QFile::remove(passwordFile);
    tool.out.clear();
    EXPECT_EQ(tool.outcome(cli::runSync, {}), u"0"_s) << tool.err.toStdString();
    EXPECT_TRUE(tool.out.contains(u"Sent 0, received 0"_s)) << tool.out.toStdString();
    EXPECT_FALSE(anyFileHolds(tool.book.root(), password.toUtf8()));
}

// "Remember on this computer" for an encrypted book: the tool opens it from the keyring without
// asking; once forgotten, it asks again (and, with no terminal, says how to give the password).
TEST(Keyring, TheBookKeyIsRememberedAndForgotten) {
    if (keyringMissing())
        GTEST_SKIP() << "no keyring to test against";
    test::TempBook book;
    book.writeTab(25, {test::TempBook::record({{Field::Name, "Zebediah Quill"}})});
    ASSERT_TRUE(encryptBook(book.folder(), u"S3cret!pw"_s, false, {}, {1, 8192}).ok);
    KeyringPasswordStore keyring;
    ASSERT_TRUE(rememberBookKey(book.folder(), keyring));
    EXPECT_FALSE(anyFileHolds(book.root(), "S3cret!pw"));
    const test::ToolRun opened = test::runToolLine(book, {u"list"_s});
    EXPECT_EQ(opened.status, 0);
    EXPECT_TRUE(opened.out.contains(u"Zebediah Quill"_s)) << opened.out.toStdString();
    ASSERT_TRUE(forgetBookKey(book.folder(), keyring));
    const test::ToolRun asked = test::runToolLine(book, {u"list"_s});
    EXPECT_EQ(asked.status, 6);
    EXPECT_FALSE(asked.out.contains(u"Zebediah"_s));
}
