#include "book/MailWebLaunch.h"
#include "book/QtPrinters.h"

#include <gtest/gtest.h>

namespace orvelan {
namespace {

const QString invalidMail = QStringLiteral(
    " This E-Mail Address is Invalid:  Can't launch E-Mail Client from this field     ");
const QString invalidWeb =
    QStringLiteral(" This Network Address is Invalid:  Can't launch Browser from this field     ");
const QString unknownDomain = QStringLiteral(
    " This Network Address is Invalid:  Can't launch Browser [ Unrecognised Domain ]     ");

QString refusalOf(const LaunchDecision& d) {
    return d.refusal ? d.refusal->text : QString();
}

TEST(MailLaunchTest, ValidAddressBecomesMailtoWithoutSurroundingSpaces) {
    const LaunchDecision d = mailLaunch(u"  jo.smith@example.co.uk  ");
    ASSERT_FALSE(d.refusal);
    EXPECT_EQ(d.url.toString(QUrl::FullyEncoded), QStringLiteral("mailto:jo.smith@example.co.uk"));
}

TEST(MailLaunchTest, AddressCannotAddHeaders) {
    const LaunchDecision d = mailLaunch(u"a@b.com?attach=/etc/passwd&bcc=x%40y");
    ASSERT_FALSE(d.refusal);
    const QString url = d.url.toString(QUrl::FullyEncoded);
    EXPECT_FALSE(url.contains(u'?'));
    EXPECT_FALSE(url.contains(u'&'));
    EXPECT_TRUE(d.url.query().isEmpty());
    EXPECT_EQ(url, QStringLiteral("mailto:a@b.com%3Fattach%3D%2Fetc%2Fpasswd%26bcc%3Dx%2540y"));
}

TEST(MailLaunchTest, RefusesEmptyAndInvalidAddresses) {
    const PromptRequest empty = *mailLaunch(u"   ").refusal;
    EXPECT_EQ(empty.title, QStringLiteral("ORVELAN Secure Address Book"));
    EXPECT_EQ(empty.text,
              QStringLiteral(" Nothing to Send: Can't launch E-Mail Client from Empty Field     "));
    EXPECT_EQ(empty.icon, PromptIcon::Exclamation);
    for (const char16_t* bad : {u"a@@b.com", u"a@b@c.com", u"jo smith@b.com", u"nobody.example"})
        EXPECT_EQ(refusalOf(mailLaunch(QStringView(bad))), invalidMail) << QStringView(bad);
}

TEST(WebLaunchTest, DomainRuleOnTheLastCharacters) {
    EXPECT_FALSE(webLaunch(u"www.example.uk").refusal);
    EXPECT_FALSE(webLaunch(u"www.example.com").refusal);
    EXPECT_EQ(refusalOf(webLaunch(u"www.example.info")), unknownDomain);
    EXPECT_EQ(refusalOf(webLaunch(u"localhost")), unknownDomain);
    EXPECT_EQ(refusalOf(webLaunch(u".uk")), unknownDomain);
    EXPECT_EQ(refusalOf(webLaunch(u"www.example.com/")), unknownDomain);
    EXPECT_EQ(refusalOf(webLaunch(u"www.exa mple.com")), invalidWeb);
    EXPECT_EQ(refusalOf(webLaunch(u"")),
              QStringLiteral(" Nothing to Send: Can't launch Browser from Empty Field     "));
}

TEST(WebLaunchTest, OnlyWebAddressesAreHandedOn) {
    EXPECT_EQ(webLaunch(u" www.example.com ").url, QUrl(QStringLiteral("http://www.example.com")));
    EXPECT_EQ(webLaunch(u"https://shop.example.de").url,
              QUrl(QStringLiteral("https://shop.example.de")));
    EXPECT_EQ(webLaunch(u"HTTP://example.org").url.scheme(), QStringLiteral("http"));
    EXPECT_EQ(webLaunch(u"host.example.com:8080/a.htm").url.port(), 8080);
    for (const char16_t* bad : {u"file:///etc/passwd.com", u"javascript:alert(1).com",
                                u"ftp://files.example.com", u"setup.exe:run.com"})
        EXPECT_EQ(refusalOf(webLaunch(QStringView(bad))), invalidWeb) << QStringView(bad);
}

} // namespace
} // namespace orvelan
