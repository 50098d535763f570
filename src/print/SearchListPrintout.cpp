#include "print/SearchListPrintout.h"

#include "print/PagePrintout.h"

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {

constexpr double ListMargin = 600;

const QString& headings() {
    static const QString text =
        u" Name                   Organisation                Phone               Tab    Page"_s;
    return text;
}

QString separator() {
    return u" "_s + QString(82, u'-');
}

// Runs print steps until one fails; the first failure code is kept.
struct Steps {
    PrintSurface& surface;
    int error = 0;
    void line(QStringView text) {
        if (!error)
            error = printLineAt(surface, ListMargin, text);
    }
};

} // namespace

int printSearchList(PrintSurface& surface, const SearchResults& results, int foundCount,
                    const QDateTime& now, const QLocale& locale) {
    if (const int error = surface.endLine()) // the empty first line starts the document
        return error;
    if (const int error = surface.setFont(PrintFont{}))
        return error;
    surface.setY(ListMargin);
    Steps steps{surface};
    steps.line(u"ORVELAN Search Results List");
    steps.line(printoutDateTime(now, locale) + u"    "_s + QString::number(foundCount) +
               u" Pages Found"_s);
    steps.line(u"");
    steps.line(headings());
    steps.line(separator());
    steps.line(u"");
    const int last = std::min<qsizetype>(foundCount, results.lines.size());
    int page = 1;
    int counter = 0;
    for (int i = 0; i < last && !steps.error; ++i) {
        steps.line(results.lines[i]);
        if (++counter > SearchListLinesPerPage) {
            ++page;
            if (!steps.error)
                steps.error = surface.newPage();
            surface.setY(ListMargin);
            steps.line(u"ORVELAN Search Results List  page: "_s + QString::number(page));
            steps.line(u"");
            steps.line(headings());
            steps.line(separator());
            steps.line(u"");
            counter = 0;
        }
    }
    steps.line(u"");
    steps.line(u"End");
    if (!steps.error)
        steps.error = surface.endDocument();
    return steps.error;
}

SearchListPrint::Result SearchListPrint::run(PrintTarget& target, SearchResults& results,
                                             int& foundCount, const QDateTime& now,
                                             const QLocale& locale) {
    Result result;
    if (foundCount < 1)
        return result;
    PrintJob job = target.open(u"ORVELAN Search Results List"_s);
    result.error = job.surface ? 0 : (job.error ? job.error : PrintError::PrinterError);
    result.detail = job.refusal;
    if (!result.error)
        result.error = printSearchList(*job.surface, results, foundCount, now, locale);
    job.surface.reset();
    if (result.error) {
        result.outcome = Outcome::Failed;
        return result;
    }
    result.outcome = job.pdfPath.isEmpty() ? Outcome::Printed : Outcome::SavedToPdf;
    result.pdfPath = job.pdfPath;
    results.present = false;
    foundCount = 0;
    return result;
}

PromptRequest SearchListPrint::noListPrompt() {
    return {u"ORVELAN Print List"_s,
            u"No LIST to PRINT: You must have at least 1 item to PRINT    "_s,
            PromptIcon::Information, PromptButtons::Ok};
}

} // namespace orvelan
