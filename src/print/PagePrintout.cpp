#include "print/PagePrintout.h"

#include "print/WordWrap.h"
#include "store/RuntimeError.h"
#include "store/TabTable.h"

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {

constexpr int ColumnWidth = 35;

const QString& text(const PageTexts& texts, Field field) {
    return texts[static_cast<int>(field) - 1];
}

QString col(const PageTexts& texts, Field field) {
    return column35(text(texts, field));
}

// A carriage return + line feed inside printed text moves to a new line, as on a printer.
int printBroken(PrintSurface& surface, QStringView line) {
    qsizetype start = 0;
    while (true) {
        const qsizetype crlf = line.indexOf(u"\r\n", start);
        const QStringView part = line.sliced(start, (crlf < 0 ? line.size() : crlf) - start);
        if (!part.isEmpty()) {
            if (const int error = surface.print(part))
                return error;
        }
        if (crlf < 0)
            return surface.endLine();
        if (const int error = surface.endLine())
            return error;
        start = crlf + 2;
    }
}

} // namespace

QString column35(QStringView value) {
    const QStringView trimmed = trimSpaces(value);
    if (trimmed.size() >= ColumnWidth)
        return trimmed.first(ColumnWidth).toString();
    return trimmed.toString().leftJustified(ColumnWidth, u' ');
}

QString printoutDateTime(const QDateTime& now, const QLocale& locale) {
    return u"Date: "_s + locale.toString(now.date(), QLocale::LongFormat) + u"    Time: "_s +
           now.time().toString(u"HH:mm:ss"_s).left(5);
}

QList<PrintoutLine> pageFieldLines(const PageTexts& t, const QDateTime& now,
                                   const QLocale& locale) {
    const QString pad12(12, u' ');
    const QString pad35(ColumnWidth, u' ');
    return {
        {printoutDateTime(now, locale) + u"    Group: "_s + text(t, Field::Group)},
        {u"\r\n"_s},
        {u"      Name: "_s + text(t, Field::Name), true},
        {QString(47, u' ') + u"Organisation:"_s, true},
        {u"   Address: "_s + col(t, Field::Addr1) + text(t, Field::Organisation)},
        {pad12 + col(t, Field::Addr2)},
        {pad12 + col(t, Field::Addr3) + text(t, Field::OrgAddr1)},
        {pad12 + col(t, Field::Addr4) + text(t, Field::OrgAddr2)},
        {pad12 + col(t, Field::Addr5) + text(t, Field::OrgAddr3)},
        {pad12 + col(t, Field::Addr6) + text(t, Field::OrgAddr4)},
        {pad12 + pad35 + text(t, Field::OrgAddr5)},
        {pad12 + pad35 + text(t, Field::OrgAddr6)},
        {u" "_s, true, true},
        {u" Telepnone: "_s + col(t, Field::Phone1) + u"Job Title:"_s, true},
        {u" Telephone: "_s + col(t, Field::Phone2) + text(t, Field::JobTitle)},
        {u"       Fax: "_s + text(t, Field::Fax)},
        {u"    Mobile: "_s + text(t, Field::Mobile)},
        {u"  Pager No: "_s + text(t, Field::Pager)},
        {u"     Email: "_s + col(t, Field::Email) + text(t, Field::OrgEmail)},
        {u" "_s, false, true},
        {u"       Web: "_s + text(t, Field::OrgWeb)},
        {QString(), false, true},
    };
}

int printPage(PrintSurface& surface, const PageTexts& texts, const QDateTime& now,
              const QLocale& locale, const std::function<void(bool)>& busyPointer) {
    const QList<PrintoutLine> lines = pageFieldLines(texts, now, locale);
    if (const int error = surface.endLine()) // the empty first line opens the job
        return error;
    PrintFont font;
    if (const int error = surface.setFont(font))
        return error;
    surface.setY(PrintoutTop);
    if (const int error = printLineAt(surface, PrintoutLeft, u"ORVELAN Secure Address Book"))
        return error;
    for (const PrintoutLine& line : lines) {
        if (line.bold != font.bold) {
            font.bold = line.bold;
            if (const int error = surface.setFont(font))
                return error;
        }
        surface.setX(line.atLeftEdge ? 0 : PrintoutLeft);
        if (const int error = printBroken(surface, line.text))
            return error;
    }
    CWordWrap notes(surface);
    if (busyPointer)
        notes.setBusyPointer(busyPointer);
    notes.PrintText(text(texts, Field::Notes));
    return notes.documentResult();
}

QString printErrorMessage(int code) {
    switch (code) {
    case RuntimeError::SubscriptOutOfRange:
        return u"ERROR in PRINT: Can't Resolve Array Index     "_s;
    case RuntimeError::BadFileNameOrNumber:
    case RuntimeError::BadFileMode:
        return u"ERROR in PRINT: Can't Resolve Target Pointer      "_s;
    case RuntimeError::BadRecordLength:
        return u"ERROR in PRINT: Unexpected Page Size in File     "_s;
    case RuntimeError::BadRecordNumber:
        return u"ERROR in PRINT: Can't Resolve Page Number     "_s;
    case RuntimeError::PathFileAccessError:
    case RuntimeError::PathNotFound:
        return u"ERROR in Data or Config Path or File Not Found     "_s;
    case PrintError::PrinterError:
    case PrintError::PropertyNotSupported:
        return u"Printer ERROR:  Windows is reproting Printer or Property Error    "_s;
    case RuntimeError::DiskFull:
    case RuntimeError::PermissionDenied:
    case RuntimeError::DeviceIoError:
        // The printout file could not be written whole: say so, and why.
        return u"ERROR in PRINT: Can't write the printout file: "_s + describeRuntimeError(code) +
               u"     "_s;
    default:
        return u"ERROR: Can't Resolve PRINT Code in List "_s + u":40"_s + QString::number(code);
    }
}

PromptRequest printErrorPrompt(int code, const QString& detail) {
    return {u"ORVELAN Print Error"_s,
            detail.isEmpty() ? printErrorMessage(code)
                             : printErrorMessage(code) + u"\r\n"_s + detail,
            PromptIcon::Critical, PromptButtons::Ok};
}

PromptRequest savedToPdfPrompt(const QString& path) {
    return {u"ORVELAN Print"_s,
            u"No printer is installed: the printout has been saved as a PDF file:\n"_s + path,
            PromptIcon::Information, PromptButtons::Ok};
}

PagePrintAction::Outcome PagePrintAction::run(const PageTexts& texts) {
    if (trimSpaces(text(texts, Field::Name)).isEmpty() || m_mark.busy())
        return Outcome::NotStarted;
    m_mark.setBusy(true);
    m_clock.pause(0.05);
    m_pdfPath.clear();
    PrintJob job = m_target.open(u"ORVELAN Page"_s);
    int error = job.surface ? 0 : (job.error ? job.error : PrintError::PrinterError);
    if (!error)
        error = printPage(*job.surface, texts, m_clock.now(), m_locale, m_busyPointer);
    job.surface.reset(); // whatever was sent stays in the job
    Outcome outcome = Outcome::Printed;
    if (error) {
        m_prompter.ask(printErrorPrompt(error, job.refusal));
        outcome = Outcome::Failed;
    } else if (!job.pdfPath.isEmpty()) {
        m_pdfPath = job.pdfPath;
        m_prompter.ask(savedToPdfPrompt(job.pdfPath));
        outcome = Outcome::SavedToPdf;
    }
    m_mark.setBusy(false);
    return outcome;
}

} // namespace orvelan
