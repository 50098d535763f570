// Which server addresses the sync uses as they are, which with a warning, and which it refuses.
#include "sync/SyncAccount.h"
#include "store/RuntimeError.h"
#include "support/TempBook.h"
#include "sync/SyncState.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;

namespace {

struct PlainHttpCase {
    const char* url;
    bool allowed; // the user gave leave to send in the clear
    bool refused;
    bool warned;
};

class PlainHttp : public ::testing::TestWithParam<PlainHttpCase> {};

TEST_P(PlainHttp, IsRefusedToOtherMachinesUnlessAllowedAndWarnedAboutForThisOne) {
    const PlainHttpCase& c = GetParam();
    SyncAccount account;
    account.url = QString::fromUtf8(c.url);
    account.allowPlainHttp = c.allowed;
    QString warning;
    const QString refusal = plainHttpRefusal(account, warning);
    EXPECT_EQ(!refusal.isEmpty(), c.refused) << refusal.toStdString();
    EXPECT_EQ(!warning.isEmpty(), c.warned) << warning.toStdString();
    if (c.refused) {
        EXPECT_TRUE(refusal.contains(u"--allow-plain-http"_s));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, PlainHttp,
    ::testing::Values(PlainHttpCase{"https://dav.example.org/", false, false, false},
                      PlainHttpCase{"dav.example.org", false, true, false}, // taken as http://
                      PlainHttpCase{"http://dav.example.org/", false, true, false},
                      PlainHttpCase{"HTTP://dav.example.org/", false, true, false},
                      PlainHttpCase{"http://dav.example.org/", true, false, false},
                      PlainHttpCase{"http://192.168.1.20:5232/", false, true, false},
                      PlainHttpCase{"http://127.0.0.1:5232/", false, false, true},
                      PlainHttpCase{"http://127.8.9.10/", false, false, true},
                      PlainHttpCase{"http://localhost:5232/", false, false, true},
                      PlainHttpCase{"http://[::1]:5232/", false, false, true},
                      PlainHttpCase{"http://127.0.0.1.example.org/", false, true, false},
                      PlainHttpCase{"http://localhost.example.org/", false, true, false}));

TEST(PlainHttp, TheAddressBookFoundCountsAsMuchAsTheAddressGiven) {
    SyncAccount account;
    account.url = u"https://dav.example.org/"_s;
    account.addressBookUrl = u"http://dav.example.org/ann/contacts/"_s;
    QString warning;
    EXPECT_FALSE(plainHttpRefusal(account, warning).isEmpty());
}

} // namespace

// A sync folder that is a link is refused, as tab-file links are: nothing is read or written
// through it, and nothing outside the book folder changes.
TEST(SyncFolder, ALinkInItsPlaceIsRefused) {
    orvelan::test::TempBook book;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), book.folder().syncDir()));
    SyncState state;
    QString error;
    EXPECT_FALSE(SyncState::load(syncStatePath(book.folder()), state, error));
    EXPECT_TRUE(error.contains(u"is a link"_s)) << error.toStdString();
    SyncAccount account;
    account.url = u"https://dav.example.org/"_s;
    EXPECT_EQ(account.save(book.folder()), RuntimeError::PathFileAccessError);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty()) << "nothing written outside the book";
}
