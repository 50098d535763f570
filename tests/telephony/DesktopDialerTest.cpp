#include "telephony/DesktopDialer.h"
#include "ScriptedTapi.h"
#include "platform/DesktopLauncher.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompter.h"
#include "telephony/CvbTAPILine.h"
#include "telephony/PhoneNumbers.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvelan {
namespace {

using test::RecordingLauncher;

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "telephony_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Lets the posted messages arrive until `done` holds (or a generous limit passes).
template <typename Done> bool deliverUntil(Done done) {
    const QDeadlineTimer limit(5000);
    while (!done() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

class DesktopDialerTest : public ::testing::Test {
protected:
    DesktopDialerTest() { application(); }
    // A line of `dialer` opened and calling `number`.
    void call(CvbTAPILine& line, const QString& number) {
        ASSERT_TRUE(line.OpenLine(1, 4));
        ASSERT_TRUE(line.MakeCallAsynch(number));
    }
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("orvelan.conf"));
    RecordingLauncher launcher;
    test::ScriptedPrompter prompter;
    DesktopDialer dialer{launcher, prompter, config};
};

TEST_F(DesktopDialerTest, OneVoiceLine) {
    CvbTAPILine line(dialer);
    ASSERT_TRUE(line.Create());
    EXPECT_EQ(line.numLines(), 1);
    EXPECT_NE(line.NegotiatedAPIVersion(), 0u);
    EXPECT_TRUE(line.LineSupportsVoiceCalls());
    EXPECT_EQ(line.LineName(), QStringLiteral("Desktop dialer (tel:)"));
    EXPECT_FALSE(line.ConfigDialog());
    EXPECT_EQ(line.LastError(), Tapi::LineErrOperationUnavail);
    EXPECT_FALSE(line.DialingPropertiesDialog(0, QStringLiteral("0123")));
    EXPECT_EQ(line.LastError(), Tapi::LineErrOperationUnavail);
}

// The desktop's handler owns a call once it took the number: the line goes idle at once and
// is free for the next call.
TEST_F(DesktopDialerTest, CallHandsTheFirstNumberToTheDesktopAndFreesTheLine) {
    CvbTAPILine line(dialer);
    test::EventLog log(line);
    ASSERT_TRUE(line.Create());
    call(line, QStringLiteral("+44 (20) 7946-0000 ext 12"));
    EXPECT_TRUE(log.events.isEmpty()) << "replies arrive later, on the event loop";
    ASSERT_TRUE(deliverUntil([&] { return log.events.size() == 2; }));
    EXPECT_EQ(log.events, QStringList({QStringLiteral("MakeCallResult 0 open=1"),
                                       QStringLiteral("Idle open=0 call=0")}));
    ASSERT_EQ(launcher.opened().size(), 1);
    EXPECT_EQ(launcher.opened()[0].toString(), QStringLiteral("tel:+442079460000"));
    EXPECT_FALSE(line.lineIsOpen());
    EXPECT_FALSE(line.hasCall());
    EXPECT_TRUE(prompter.shown().isEmpty());

    call(line, QStringLiteral("0123"));
    ASSERT_TRUE(deliverUntil([&] { return log.events.size() == 4; }));
    EXPECT_EQ(launcher.opened().size(), 2);
}

// No handler took the number: the user is told, the reply fails and no call is left behind.
TEST_F(DesktopDialerTest, NoHandlerFailsTheCall) {
    launcher.handled = false;
    CvbTAPILine line(dialer);
    test::EventLog log(line);
    ASSERT_TRUE(line.Create());
    call(line, QStringLiteral("0123"));
    ASSERT_TRUE(deliverUntil([&] { return !log.events.isEmpty(); }));
    EXPECT_EQ(
        log.events,
        QStringList(QStringLiteral("MakeCallResult %1 open=0").arg(Tapi::LineErrOperationFailed)));
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_TRUE(prompter.last().text.contains(QStringLiteral("no handler for telephone")));
    EXPECT_FALSE(line.lineIsOpen());
    EXPECT_FALSE(line.hasCall());
    // A number with nothing to dial is refused at once.
    ASSERT_TRUE(line.OpenLine(1, 4));
    EXPECT_FALSE(line.MakeCallAsynch(QStringLiteral("abc")));
    EXPECT_EQ(line.LastError(), Tapi::LineErrInvalAddress);
}

// The replies of a session that ended before they arrived never reach the next session.
TEST_F(DesktopDialerTest, MessagesOfAnEndedSessionAreDropped) {
    {
        CvbTAPILine line(dialer);
        ASSERT_TRUE(line.Create());
        call(line, QStringLiteral("0123"));
    }
    CvbTAPILine next(dialer);
    test::EventLog log(next);
    ASSERT_TRUE(next.Create());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.events.isEmpty());
}

// A number that reads in the home region is handed on in its international form; what does not
// read (a short code, a service code) goes as it is written.
TEST_F(DesktopDialerTest, HandsOnTheInternationalFormOfTheHomeRegion) {
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
    CvbTAPILine line(dialer);
    ASSERT_TRUE(line.Create());
    for (const auto& row : rows) {
        ASSERT_EQ(setPhoneRegionSetting(config, QString::fromLatin1(row.region)), 0);
        call(line, QString::fromLatin1(row.written));
        ASSERT_TRUE(deliverUntil([&] { return !line.lineIsOpen(); }));
        EXPECT_EQ(launcher.opened().last().toString(QUrl::FullyEncoded).toStdString(), row.handedOn)
            << row.written;
    }
    EXPECT_TRUE(prompter.shown().isEmpty());
}

} // namespace
} // namespace orvelan
