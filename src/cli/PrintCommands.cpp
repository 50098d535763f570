// print: the page printout and the search list printout, into PDF files.
#include "cli/Commands.h"
#include "cli/DesktopServices.h"
#include "cli/SearchCommands.h"
#include "cli/ToolFaults.h"

#include "print/PagePrintout.h"
#include "print/SearchListPrintout.h"
#include "store/PageTexts.h"
#include "store/StoreMessages.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QDateTime>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace orvelan::cli {

namespace {

QString takePdfPath(QStringList& args) {
    const qsizetype at = args.indexOf(u"--pdf"_s);
    if (at < 0 || at + 1 >= args.size())
        throw CliError{u"print needs --pdf FILE: the PDF file to write."_s};
    const QString path = args[at + 1];
    args.remove(at, 2);
    return path;
}

PrintJob pdfJob(CliContext& context, const QString& path, const QString& documentName) {
    PrintJob job = desktopOf(context).pdfPrintJob(path, documentName);
    if (!job.surface)
        throw CliError{job.refusal};
    return job;
}

void checkPrinted(int error, const QString& path) {
    if (error)
        throw fileFault(FileAccess::Write, path, error);
}

int printPageCommand(CliContext& context, QStringList args, const QString& pdf) {
    if (args.size() != 2)
        throw CliError{u"print page takes a tab and a page."_s};
    const int tab = tabArgument(args[0]);
    const qint64 page = pageArgument(args[1]);
    const TabFile file = context.folder.tabFile(tab);
    const TabFile::Read read = file.readPage(page);
    if (read.damaged())
        throw toolError(Fault::BookDamaged, damagedPageText(tab, page));
    if (read.error)
        throw fileFault(FileAccess::Read, file.path(), read.error);
    if (read.record.isEmpty())
        throw CliError{u"Tab %1 has %2 pages; there is no page %3."_s.arg(tab)
                           .arg(file.pageCount().value_or(0))
                           .arg(page)};
    const PageTexts texts = textsOf(PageRecord::fromStored(read.record));
    if (texts[0].trimmed().isEmpty())
        throw CliError{
            u"Page %1 of tab %2 is blank; there is nothing to print."_s.arg(page).arg(tab)};
    PrintJob job = pdfJob(context, pdf, u"ORVELAN Page"_s);
    checkPrinted(printPage(*job.surface, texts, QDateTime::currentDateTime()), pdf);
    context.out << "Printed page " << page << " of tab " << tab << " to " << pdf << '\n';
    if (context.folder.sealing().encrypted())
        context.out << plainCopyNotice() << '\n';
    return 0;
}

int printSearchCommand(CliContext& context, QStringList args, const QString& pdf) {
    const SearchOutcome outcome = searchBook(context, searchRequest(context, args));
    if (outcome.found() < 1)
        throw CliError{SearchListPrint::noListPrompt().text.trimmed()};
    SearchResults results;
    storeResults(results, outcome);
    PrintJob job = pdfJob(context, pdf, u"ORVELAN List"_s);
    checkPrinted(
        printSearchList(*job.surface, results, outcome.found(), QDateTime::currentDateTime()), pdf);
    context.out << "Printed " << outcome.found() << " result lines in "
                << desktopOf(context).pagesStarted(*job.surface) << " pages to " << pdf << '\n';
    if (context.folder.sealing().encrypted())
        context.out << plainCopyNotice() << '\n';
    return searchStatus(outcome);
}

} // namespace

int runPrint(CliContext& context, const QStringList& arguments) {
    QStringList args = arguments;
    if (args.isEmpty())
        throw CliError{u"print takes 'page TAB PAGE --pdf FILE' or 'search [--in FIELDS] TEXT "_s
                       u"--pdf FILE'."_s};
    const QString what = args.takeFirst();
    const QString pdf = takePdfPath(args);
    if (what == u"page"_s)
        return printPageCommand(context, args, pdf);
    if (what == u"search"_s)
        return printSearchCommand(context, args, pdf);
    throw CliError{u"print takes 'page' or 'search', not '"_s + what + u"'."_s};
}

} // namespace orvelan::cli
