#include "print/qt/QtPrinterSurface.h"
#include "cli/CliCommand.h"
#include "cli/Commands.h"
#include "cli/desktop/QtDesktopServices.h"
#include "platform/Clock.h"
#include "print/PagePrintout.h"
#include "print/PdfText.h"
#include "print/qt/DefaultPrinterTarget.h"
#include "store/PageStore.h"
#include "store/PageTexts.h"
#include "store/RuntimeError.h"
#include "support/FaultInjection.h"
#include "support/QtTestMain.h"
#include "support/ScriptedPrompter.h"
#include "support/TempBook.h"

#include <QFileInfo>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

const QDateTime Now(QDate(2026, 12, 6), QTime(9, 7));
const QLocale English(QLocale::English, QLocale::UnitedKingdom);

class IdleMark final : public BusyMark {
public:
    bool busy() const override { return m_busy; }
    void setBusy(bool busy) override { m_busy = busy; }

private:
    bool m_busy = false;
};

} // namespace

class QtPrinterSurfaceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void measuresInTwipsWithAFixedPitchFace() {
        QTemporaryDir dir;
        PrintJob job = pdfPrintJob(dir.filePath(u"m.pdf"_s), u"m"_s);
        PrintSurface& surface = *job.surface;
        surface.setFont(PrintFont{});
        // 10 points of a Courier-metric face: 0.6 em = 6 points = 120 twips a character.
        QCOMPARE(qRound(surface.textWidth(u"0123456789")), 1200);
        QCOMPARE(qRound(surface.textWidth(u"iiiii")), qRound(surface.textWidth(u"WWWWW")));
        PrintFont bold;
        bold.bold = true;
        surface.setFont(bold);
        QCOMPARE(qRound(surface.textWidth(u"0123456789")), 1200);
        // An A4 sheet is about 8.27 x 11.69 inches; the printable area lies within it.
        QVERIFY(surface.width() > 10000 && surface.width() <= 11906);
        QVERIFY(surface.height() > 15000 && surface.height() <= 16838);
        const double y = surface.y();
        QCOMPARE(surface.endLine(), 0);
        QVERIFY(surface.y() - y > 200 && surface.y() - y < 260);
        QCOMPARE(surface.x(), 0.0);
        QCOMPARE(surface.endDocument(), 0);
    }

    void withoutAPrinterTheJobGoesToAPdfInTheBookFolder() {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("a printer is installed here");
        QTemporaryDir dir;
        DefaultPrinterTarget target = DefaultPrinterTarget::forBook(BookFolder(dir.path()));
        PrintJob first = target.open(u"ORVELAN Page"_s);
        QVERIFY(first.pdfPath.startsWith(dir.filePath(u"Prints/ORVELAN-Page-"_s)));
        QVERIFY(first.pdfPath.endsWith(u".pdf"));
        QCOMPARE(printLineAt(*first.surface, 600, u"text"), 0);
        QCOMPARE(first.surface->endDocument(), 0);
        QVERIFY(QFileInfo(first.pdfPath).size() > 0);
        // A second job in the same second does not overwrite the first.
        PrintJob second = target.open(u"ORVELAN Page"_s);
        QVERIFY(second.pdfPath != first.pdfPath);
    }

    void aPdfThatCannotBeWrittenWholeIsNeverReportedAsSaved() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"page.pdf"_s);
        PrintJob job = pdfPrintJob(path, u"page"_s);
        PageTexts texts;
        texts[0] = u"Ann Example"_s;
        int result = 0;
        {
            const FileSizeLimit full(300); // the disk fills after 300 bytes
            result = printPage(*job.surface, texts, Now, English);
        }
        QCOMPARE(result, RuntimeError::DeviceIoError);
        QVERIFY(printErrorMessage(result).contains(u"Can't write the printout file"_s));
        QVERIFY(!QFileInfo::exists(path));
        // Written whole, the PDF is private to the user.
        PrintJob whole = pdfPrintJob(path, u"page"_s);
        QCOMPARE(printPage(*whole.surface, texts, Now, English), 0);
        QCOMPARE(modeOf(path), 0600);
    }

    void aQueueThatRefusesJobsIsNamedWithItsState() {
        QCOMPARE(DefaultPrinterTarget::queueRefusal(u"office"_s, false,
                                                    u"office accepting requests since Sun"_s),
                 QString());
        QCOMPARE(DefaultPrinterTarget::queueRefusal(u"office"_s, false, {}), QString());
        QCOMPARE(
            DefaultPrinterTarget::queueRefusal(
                u"office"_s, false, u"office not accepting requests since Sun -\n\tRejecting"_s),
            u"The printer queue \u201coffice\u201d is not accepting jobs (ready)."_s);
        QCOMPARE(DefaultPrinterTarget::queueRefusal(u"office"_s, true, {}),
                 u"The printer queue \u201coffice\u201d is accepting jobs (stopped)."_s);
        // The message box gives the printer's reason after the print error.
        QCOMPARE(printErrorPrompt(PrintError::PrinterError, u"why"_s).text,
                 printErrorMessage(PrintError::PrinterError) + u"\r\nwhy"_s);
    }

    // The same page printed by the tool and through the window's print action: the same text
    // at the same places, whatever the script.
    void theToolAndTheWindowPrintTheSamePage() {
        if (!havePdfToText())
            QSKIP("pdftotext is not installed");
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("a printer is installed here: the window would print on it");
        TempBook book;
        PageTexts texts;
        texts[0] = u"\u0141ukasz \u0418\u0432\u0430\u043d\u043e\u0432"_s;
        texts[1] = u"\u03a0\u03bb\u03b1\u03c4\u03b5\u03af\u03b1 5"_s;
        texts[14] = u"\u738b\u82b3 Trading"_s;
        texts[NotesViewIndex] =
            QStringList(40, u"word\u00e9\u0436"_s).join(u' ') + u"\nsecond line\ttabbed"_s;
        SystemClock clock;
        PageStore store(book.folder(), clock);
        QVERIFY(store.saveNewPage(texts).result.ok);
        QCOMPARE(store.currentTab(), 11);

        const QString toolPdf = book.root() + u"/tool.pdf"_s;
        QString output;
        QString errors;
        QTextStream out(&output);
        QTextStream err(&errors);
        cli::CliContext context{book.folder(), false, out, err};
        cli::QtDesktopServices desktop;
        context.desktop = &desktop;
        QCOMPARE(cli::runPrint(context, {u"page"_s, u"L"_s, u"1"_s, u"--pdf"_s, toolPdf}), 0);

        ScriptedPrompter prompter;
        IdleMark mark;
        DefaultPrinterTarget target = DefaultPrinterTarget::forBook(book.folder());
        PagePrintAction action(target, mark, prompter, clock);
        PageTexts shown;
        QVERIFY(store.getPage(1, shown).ok);
        QCOMPARE(action.run(shown), PagePrintAction::Outcome::SavedToPdf);

        QList<QStringList> fromTool = pdfPages(toolPdf);
        QList<QStringList> fromWindow = pdfPages(action.lastPdfPath());
        QCOMPARE(fromTool.size(), 1);
        // The first line holds the time of printing, to the minute; the rest is the same.
        QVERIFY(fromTool[0].size() > 20);
        fromTool[0].removeIf([](const QString& line) { return line.contains(u"Time:"); });
        fromWindow[0].removeIf([](const QString& line) { return line.contains(u"Time:"); });
        QCOMPARE(fromWindow, fromTool);
        QVERIFY(!lineWith(fromTool[0], texts[0]).isEmpty());
        QVERIFY(!lineWith(fromTool[0], u"Trading"_s).isEmpty());
        QVERIFY(!lineWith(fromTool[0], u"tabbed"_s).isEmpty());
    }
};

ORVELAN_QT_TEST(QtPrinterSurfaceTest)
#include "QtPrinterSurfaceTest.moc"
