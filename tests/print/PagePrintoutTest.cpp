#include "print/PagePrintout.h"
#include "print/RecordingSurface.h"

#include "support/FakeClock.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;
using Op = RecordingSurface::Op;

namespace {

QString& field(PageTexts& texts, Field f) {
    return texts[static_cast<int>(f) - 1];
}

PageTexts samplePage() {
    PageTexts t;
    field(t, Field::Name) = u"Jo Smith"_s;
    field(t, Field::Addr1) = u"   12 Long Road With A Name Of Forty Chars"_s; // cut to 35
    field(t, Field::Addr2) = u"Leeds"_s;
    field(t, Field::Organisation) = u"Acme Ltd"_s;
    field(t, Field::OrgAddr1) = u"Acme House"_s;
    field(t, Field::OrgAddr6) = u"UK"_s;
    field(t, Field::Phone1) = u"0113 496 0000 extension 1234567890123"_s; // over 35
    field(t, Field::Phone2) = u"0113 496 0001"_s;
    field(t, Field::JobTitle) = u"Buyer"_s;
    field(t, Field::Fax) = u"  0113 496 0002"_s; // printed as it stands
    field(t, Field::Email) = u"jo@example.com"_s;
    field(t, Field::OrgEmail) = u"sales@example.com"_s;
    field(t, Field::OrgWeb) = u"www.example.com"_s;
    field(t, Field::Group) = u"Suppliers"_s;
    field(t, Field::Department) = u"Not printed"_s;
    field(t, Field::Notes) = u"First note\nSecond"_s;
    return t;
}

const QDateTime Now(QDate(2026, 12, 6), QTime(14, 5, 33));
const QLocale English(QLocale::English, QLocale::UnitedKingdom);

class FakeMark final : public BusyMark {
public:
    bool busy() const override { return blue; }
    void setBusy(bool b) override {
        blue = b;
        changes.append(b);
    }
    bool blue = false;
    QList<bool> changes;
};

} // namespace

TEST(PagePrintout, FieldBlockLinesColumnsAndBoldness) {
    const QList<PrintoutLine> lines = pageFieldLines(samplePage(), Now, English);
    ASSERT_EQ(lines.size(), 22);
    EXPECT_EQ(lines[0].text, u"Date: "_s + English.toString(Now.date(), QLocale::LongFormat) +
                                 u"    Time: 14:05    Group: Suppliers"_s);
    EXPECT_EQ(lines[1].text, u"\r\n");
    EXPECT_EQ(lines[2], (PrintoutLine{u"      Name: Jo Smith"_s, true}));
    EXPECT_EQ(lines[3].text, QString(47, u' ') + u"Organisation:"_s);
    EXPECT_TRUE(lines[3].bold);
    // Address cut to 35 without its leading spaces; the organisation begins at character 48.
    EXPECT_EQ(lines[4].text, u"   Address: 12 Long Road With A Name Of Forty CAcme Ltd"_s);
    EXPECT_EQ(lines[4].text.indexOf(u"Acme Ltd"), 47);
    EXPECT_EQ(lines[5].text, QString(12, u' ') + u"Leeds"_s.leftJustified(35));
    EXPECT_EQ(lines[6].text.indexOf(u"Acme House"), 47);
    EXPECT_EQ(lines[11].text, QString(47, u' ') + u"UK"_s);
    EXPECT_EQ(lines[12], (PrintoutLine{u" "_s, true, true}));
    // The misspelt label stands; the phone is cut and "Job Title:" keeps its column.
    EXPECT_EQ(lines[13].text, u" Telepnone: 0113 496 0000 extension 12345678901Job Title:"_s);
    EXPECT_TRUE(lines[13].bold);
    EXPECT_EQ(lines[14].text.indexOf(u"Buyer"), 47);
    EXPECT_TRUE(lines[14].text.startsWith(u" Telephone: 0113 496 0001"));
    EXPECT_FALSE(lines[14].bold);
    EXPECT_EQ(lines[15].text, u"       Fax:   0113 496 0002"_s);
    EXPECT_EQ(lines[18].text.indexOf(u"sales@example.com"), 47);
    EXPECT_EQ(lines[19], (PrintoutLine{u" "_s, false, true}));
    EXPECT_EQ(lines[20].text, u"       Web: www.example.com"_s);
    EXPECT_EQ(lines[21], (PrintoutLine{QString(), false, true}));
    for (const PrintoutLine& line : lines)
        EXPECT_FALSE(line.text.contains(u"Not printed"));
}

TEST(PagePrintout, OneJobFromTheEmptyFirstLineToTheWrappedNotes) {
    RecordingSurface surface;
    ASSERT_EQ(printPage(surface, samplePage(), Now, English), 0);
    const auto& calls = surface.calls();
    EXPECT_EQ(calls.front().op, Op::EndLine); // opens the job
    EXPECT_EQ(surface.count(Op::EndDocument), 1);
    EXPECT_EQ(calls.back().op, Op::EndDocument);

    const auto prints = surface.prints();
    EXPECT_EQ(prints[0].text, u"ORVELAN Secure Address Book");
    EXPECT_EQ(prints[0].x, 600);
    EXPECT_EQ(prints[0].y, 600);
    EXPECT_EQ(prints[0].font, PrintFont{});
    // The CR LF line moves two lines: Name is printed three lines below the date line.
    const auto at = [&](const QString& start) {
        for (const auto& call : prints) {
            if (call.text.startsWith(start))
                return call;
        }
        ADD_FAILURE() << start.toStdString();
        return RecordingSurface::Call{};
    };
    EXPECT_EQ(at(u"      Name:"_s).y - at(u"Date:"_s).y, 3 * RecordingSurface::LineHeight);
    EXPECT_TRUE(at(u"      Name:"_s).font.bold);
    EXPECT_FALSE(at(u"   Address:"_s).font.bold);
    EXPECT_EQ(at(u" Telepnone:"_s).x, 600);
    EXPECT_TRUE(at(u" Telepnone:"_s).font.bold);
    const auto notes = at(u"First"_s);
    EXPECT_EQ(notes.x, 1440);
    EXPECT_EQ(notes.y, 5800);
    EXPECT_EQ(at(u"Second"_s).y, 5800 + RecordingSurface::LineHeight);

    // Empty notes still end the job after the field block.
    PageTexts noNotes = samplePage();
    field(noNotes, Field::Notes).clear();
    RecordingSurface plain;
    ASSERT_EQ(printPage(plain, noNotes, Now, English), 0);
    EXPECT_EQ(plain.calls().back().op, Op::EndDocument);
    EXPECT_EQ(plain.prints().back().text, u"       Web: www.example.com");
}

TEST(PagePrintout, ErrorMessagesByFailureCode) {
    const QList<std::pair<int, QString>> rows = {
        {9, u"ERROR in PRINT: Can't Resolve Array Index     "_s},
        {52, u"ERROR in PRINT: Can't Resolve Target Pointer      "_s},
        {54, u"ERROR in PRINT: Can't Resolve Target Pointer      "_s},
        {59, u"ERROR in PRINT: Unexpected Page Size in File     "_s},
        {63, u"ERROR in PRINT: Can't Resolve Page Number     "_s},
        {75, u"ERROR in Data or Config Path or File Not Found     "_s},
        {76, u"ERROR in Data or Config Path or File Not Found     "_s},
        {482, u"Printer ERROR:  Windows is reproting Printer or Property Error    "_s},
        {483, u"Printer ERROR:  Windows is reproting Printer or Property Error    "_s},
        {13, u"ERROR: Can't Resolve PRINT Code in List :4013"_s},
    };
    for (const auto& [code, text] : rows)
        EXPECT_EQ(printErrorMessage(code), text) << code;
}

TEST(PagePrintAction, RunsOnlyForANamedPageWhenIdle) {
    RecordingTarget target;
    FakeMark mark;
    ScriptedPrompter prompter;
    FakeClock clock;
    PagePrintAction action(target, mark, prompter, clock, English);

    PageTexts blank = samplePage();
    field(blank, Field::Name) = u"   "_s;
    EXPECT_EQ(action.run(blank), PagePrintAction::Outcome::NotStarted);
    mark.blue = true; // a printout runs
    EXPECT_EQ(action.run(samplePage()), PagePrintAction::Outcome::NotStarted);
    EXPECT_TRUE(target.documents.isEmpty());
    EXPECT_TRUE(mark.changes.isEmpty());

    mark.blue = false;
    EXPECT_EQ(action.run(samplePage()), PagePrintAction::Outcome::Printed);
    EXPECT_EQ(mark.changes, (QList<bool>{true, false}));
    EXPECT_DOUBLE_EQ(clock.pausedSeconds(), 0.05);
    EXPECT_TRUE(prompter.shown().isEmpty());
    ASSERT_NE(target.last, nullptr);
    EXPECT_EQ(target.last->count(Op::EndDocument), 1);
}

TEST(PagePrintAction, PrinterFailuresAndPdfFallbackAreReported) {
    FakeMark mark;
    ScriptedPrompter prompter;
    FakeClock clock;

    RecordingTarget failing;
    failing.failFrom = 5;
    failing.failCode = PrintError::PrinterError;
    PagePrintAction stopped(failing, mark, prompter, clock, English);
    EXPECT_EQ(stopped.run(samplePage()), PagePrintAction::Outcome::Failed);
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(
        prompter.last(),
        (PromptRequest{u"ORVELAN Print Error"_s,
                       u"Printer ERROR:  Windows is reproting Printer or Property Error    "_s,
                       PromptIcon::Critical, PromptButtons::Ok}));
    EXPECT_FALSE(mark.blue);                            // grey again, so the next print can run
    EXPECT_EQ(failing.last->count(Op::EndDocument), 0); // stopped at the failure

    RecordingTarget noPrinter;
    noPrinter.openError = 13;
    prompter.clear();
    PagePrintAction unopened(noPrinter, mark, prompter, clock, English);
    EXPECT_EQ(unopened.run(samplePage()), PagePrintAction::Outcome::Failed);
    EXPECT_EQ(prompter.last().text, u"ERROR: Can't Resolve PRINT Code in List :4013");

    RecordingTarget pdf;
    pdf.pdfPath = u"/book/Prints/page.pdf"_s;
    prompter.clear();
    PagePrintAction toFile(pdf, mark, prompter, clock, English);
    EXPECT_EQ(toFile.run(samplePage()), PagePrintAction::Outcome::SavedToPdf);
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_TRUE(prompter.last().text.contains(u"/book/Prints/page.pdf"));
    EXPECT_EQ(prompter.last().icon, PromptIcon::Information);
}
