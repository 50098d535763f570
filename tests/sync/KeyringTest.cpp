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
#include <QTemporaryDir>

using namespace orvelan;

namespace {

bool keyringMissing() {
    return qEnvironmentVariableIsSet("ORVELAN_NO_KEYRING") ||
           qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
}

// Whether any file under `folder` holds `text`.
bool anyFileHolds(const QString& folder, const QByteArray& text) {
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text))
            return true;
    }
    return false;
}

} // namespace

TEST(Keyring, KeepsEachAccountsPasswordAndReplacesIt) {
    if (keyringMissing())
        GTEST_SKIP() << "no keyring to test against";
    KeyringPasswordStore keyring;
    const QString first = passwordKey(QStringLiteral("ann"), QStringLiteral("https://a.test/"));
    const QString second = passwordKey(QStringLiteral("ann"), QStringLiteral("https://b.test/"));
    ASSERT_TRUE(keyring.write(first, QStringLiteral("first secret")));
    ASSERT_TRUE(keyring.write(second, QStringLiteral("zweites Geheimnis \u00e4")));
    ASSERT_TRUE(keyring.write(first, QStringLiteral("first secret, changed")));
    QString password;
    ASSERT_TRUE(keyring.read(first, password));
    EXPECT_EQ(password, QStringLiteral("first secret, changed"));
    ASSERT_TRUE(keyring.read(second, password));
    EXPECT_EQ(password, QStringLiteral("zweites Geheimnis \u00e4"));
    EXPECT_FALSE(keyring.read(passwordKey(QStringLiteral("bob"), QStringLiteral("https://a.test/")),
                              password));
}

TEST(Keyring, TheToolKeepsThePasswordGivenOnceAndNeverInTheBookFolder) {
    if (keyringMissing())
        GTEST_SKIP() << "no keyring to test against";
    test::RadicaleServer server;
    if (!server.start())
        GTEST_SKIP() << server.error().toStdString();
    const QString password = QStringLiteral("kept in the keyring 7");
    server.addUser(QStringLiteral("keyring"), password);
    qunsetenv("ORVELAN_SYNC_PASSWORD");

    test::ToolHarness tool;
    ASSERT_EQ(tool.outcome(cli::runAdd, {QStringLiteral("Name=Keyring Person")}),
              QStringLiteral("0"));
    QTemporaryDir scratch;
    const QString passwordFile = scratch.filePath(QStringLiteral("password"));
    {
        QFile file(passwordFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(password.toUtf8() + '\n');
    }
    EXPECT_EQ(tool.outcome(cli::runSync, {QStringLiteral("--url"), server.baseUrl().toString(),
                                          QStringLiteral("--user"), QStringLiteral("keyring"),
                                          QStringLiteral("--password-file"), passwordFile}),
              QStringLiteral("0"))
        << tool.err.toStdString();
    EXPECT_TRUE(tool.out.contains(QStringLiteral("Sent 1,"))) << tool.out.toStdString();

    // The file is gone and no password is in the environment: the keyring has it.
    QFile::remove(passwordFile);
    tool.out.clear();
    EXPECT_EQ(tool.outcome(cli::runSync, {}), QStringLiteral("0")) << tool.err.toStdString();
    EXPECT_TRUE(tool.out.contains(QStringLiteral("Sent 0, received 0"))) << tool.out.toStdString();
    EXPECT_FALSE(anyFileHolds(tool.book.root(), password.toUtf8()));
}

// "Remember on this computer" for an encrypted book: the tool opens it from the keyring without
// asking; once forgotten, it asks again (and, with no terminal, says how to give the password).
TEST(Keyring, TheBookKeyIsRememberedAndForgotten) {
    if (keyringMissing())
        GTEST_SKIP() << "no keyring to test against";
    test::TempBook book;
    book.writeTab(25, {test::TempBook::record({{Field::Name, "Zebediah Quill"}})});
    ASSERT_TRUE(encryptBook(book.folder(), QStringLiteral("S3cret!pw"), false, {}, {1, 8192}).ok);
    KeyringPasswordStore keyring;
    ASSERT_TRUE(rememberBookKey(book.folder(), keyring));
    EXPECT_FALSE(anyFileHolds(book.root(), "S3cret!pw"));
    const auto list = [&](QString& out) {
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        return cli::runTool({QStringLiteral("--home"), book.root(), QStringLiteral("list")},
                            outStream, errStream);
    };
    QString out;
    EXPECT_EQ(list(out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("Zebediah Quill"))) << out.toStdString();
    ASSERT_TRUE(forgetBookKey(book.folder(), keyring));
    out.clear();
    EXPECT_EQ(list(out), 6);
    EXPECT_FALSE(out.contains(QStringLiteral("Zebediah")));
}
