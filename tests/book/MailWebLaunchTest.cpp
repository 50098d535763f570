#include "book/MailWebLaunch.h"
#include "book/QtPrinters.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace orvelan {
namespace {

// What a field hands on (its address, fully encoded) or the refusal it shows instead.
TEST(MailWebLaunchTest, AddressesHandedOnOrRefused) {
    const QString invalidMail = QStringLiteral(
        " This E-Mail Address is Invalid:  Can't launch E-Mail Client from this field     ");
    const QString invalidWeb = QStringLiteral(
        " This Network Address is Invalid:  Can't launch Browser from this field     ");
    const QString unknownDomain = QStringLiteral(
        " This Network Address is Invalid:  Can't launch Browser [ Unrecognised Domain ]     ");
    const struct {
        bool mail;
        const char16_t* field;
        QString url;
        QString refusal;
    } rows[] = {
        {true, u"  jo.smith@example.co.uk  ", QStringLiteral("mailto:jo.smith@example.co.uk"), {}},
        // The address cannot add headers.
        {true,
         u"a@b.com?attach=/etc/passwd&bcc=x%40y",
         QStringLiteral("mailto:a@b.com%3Fattach%3D%2Fetc%2Fpasswd%26bcc%3Dx%2540y"),
         {}},
        {true,
         u"   ",
         {},
         QStringLiteral(" Nothing to Send: Can't launch E-Mail Client from Empty Field     ")},
        {true, u"a@@b.com", {}, invalidMail},
        {true, u"a@b@c.com", {}, invalidMail},
        {true, u"jo smith@b.com", {}, invalidMail},
        {true, u"nobody.example", {}, invalidMail},
        {false, u" www.example.com ", QStringLiteral("http://www.example.com"), {}},
        {false, u"www.example.uk", QStringLiteral("http://www.example.uk"), {}},
        {false, u"https://shop.example.de", QStringLiteral("https://shop.example.de"), {}},
        {false, u"HTTP://example.org", QStringLiteral("http://example.org"), {}},
        {false,
         u"host.example.com:8080/a.htm",
         QStringLiteral("http://host.example.com:8080/a.htm"),
         {}},
        {false, u"www.example.info", {}, unknownDomain},
        {false, u"localhost", {}, unknownDomain},
        {false, u".uk", {}, unknownDomain},
        {false, u"www.example.com/", {}, unknownDomain},
        {false, u"www.exa mple.com", {}, invalidWeb},
        {false,
         u"",
         {},
         QStringLiteral(" Nothing to Send: Can't launch Browser from Empty Field     ")},
        {false, u"file:///etc/passwd.com", {}, invalidWeb},
        {false, u"javascript:alert(1).com", {}, invalidWeb},
        {false, u"ftp://files.example.com", {}, invalidWeb},
        {false, u"setup.exe:run.com", {}, invalidWeb},
    };
    for (const auto& row : rows) {
        const QStringView field(row.field);
        const LaunchDecision d = row.mail ? mailLaunch(field) : webLaunch(field);
        EXPECT_EQ(d.refusal ? d.refusal->text : QString(), row.refusal) << field;
        EXPECT_EQ(d.refusal ? QString() : d.url.toString(QUrl::FullyEncoded), row.url) << field;
        if (d.refusal) {
            EXPECT_EQ(d.refusal->title, QStringLiteral("ORVELAN Secure Address Book"));
            EXPECT_EQ(d.refusal->icon, PromptIcon::Exclamation);
        }
    }
}

TEST(LaunchTest, RefusalIsShownAndNothingOpens) {
    test::ScriptedPrompter prompter;
    test::RecordingLauncher launcher;
    launch(webLaunch(u"abc"), prompter, launcher);
    EXPECT_TRUE(launcher.opened().isEmpty());
    ASSERT_EQ(prompter.shown().size(), 1);
    launch(mailLaunch(u"x@y.com"), prompter, launcher);
    ASSERT_EQ(launcher.opened().size(), 1);
    EXPECT_EQ(prompter.shown().size(), 1);
}

} // namespace
} // namespace orvelan
