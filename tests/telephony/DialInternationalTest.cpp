#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompter.h"
#include "telephony/CvbTAPILine.h"
#include "telephony/DesktopDialer.h"
#include "telephony/PhoneNumbers.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvelan {
namespace {

// The desktop dialer hands a number that reads in the home region on in its international form;
// what does not read (a short code, a service code) goes as it is written.
TEST(DesktopDialerHomeRegion, HandsOnTheInternationalForm) {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "telephony_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
    const struct {
        const char* region;
        const char* written;
        const char* handedOn;
    } rows[] = {
        {"GB", "01234 567890", "tel:+441234567890"},
        {"GB", "+7 495 123-45-67", "tel:+74951234567"},
        {"RU", "8 (495) 123-45-67", "tel:+74951234567"},
        {"US", "(201) 555-0123 ext 5", "tel:+12015550123"},
        {"DE", "0049 30 1234567", "tel:+49301234567"},
        {"GB", "999", "tel:999"},
        {"GB", "*31#0123", "tel:*31%230123"},
    };
    QTemporaryDir book;
    const QString config = book.filePath(QStringLiteral("orvelan.conf"));
    test::RecordingLauncher launcher;
    test::ScriptedPrompter prompter;
    DesktopDialer dialer(launcher, prompter, config);
    CvbTAPILine line(dialer);
    ASSERT_TRUE(line.Create());
    for (const auto& row : rows) {
        ASSERT_EQ(setPhoneRegionSetting(config, QString::fromLatin1(row.region)), 0);
        ASSERT_TRUE(line.OpenLine(1, 4));
        ASSERT_TRUE(line.MakeCallAsynch(QString::fromLatin1(row.written)));
        const QDeadlineTimer limit(5000);
        while (line.lineIsOpen() && !limit.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_FALSE(line.lineIsOpen());
        EXPECT_EQ(launcher.opened().last().toString(QUrl::FullyEncoded).toStdString(), row.handedOn)
            << row.written;
    }
    EXPECT_TRUE(prompter.shown().isEmpty());
}

} // namespace
} // namespace orvelan
