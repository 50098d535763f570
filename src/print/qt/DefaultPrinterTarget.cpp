#include "print/qt/DefaultPrinterTarget.h"

#include "print/qt/QtPrinterSurface.h"
#include "store/PrivateFiles.h"
#include "store/RuntimeError.h"

#include <QDateTime>
#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace orvelan {

DefaultPrinterTarget DefaultPrinterTarget::forBook(const BookFolder& folder) {
    return DefaultPrinterTarget(QDir(folder.root()).filePath(u"Prints"_s));
}

QString DefaultPrinterTarget::queueRefusal(const QString& name, bool stopped,
                                           const QString& accepting) {
    const bool refusing = accepting.contains(u"not accepting"_s);
    if (!stopped && !refusing)
        return {};
    return u"The printer queue \u201c"_s + name + u"\u201d is "_s +
           (refusing ? u"not accepting jobs"_s : u"accepting jobs"_s) +
           (stopped ? u" (stopped)."_s : u" (ready)."_s);
}

namespace {

// What the print system says of the queue's accepting jobs; empty when it cannot be asked.
QString acceptingState(const QString& name) {
    const QString lpstat = QStandardPaths::findExecutable(u"lpstat"_s);
    if (lpstat.isEmpty())
        return {};
    QProcess process;
    process.start(lpstat, {u"-a"_s, name});
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace

PrintJob DefaultPrinterTarget::open(const QString& documentName) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        // A queue that refuses jobs would swallow the printout without a word: ask it first.
        const QString refusal = queueRefusal(info.printerName(), info.state() == QPrinter::Error,
                                             acceptingState(info.printerName()));
        if (!refusal.isEmpty()) {
            PrintJob job;
            job.error = PrintError::PrinterError;
            job.refusal = refusal;
            return job;
        }
        auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        printer->setDocName(documentName);
        PrintJob job;
        job.surface = std::make_unique<QtPrinterSurface>(std::move(printer));
        return job;
    }
    PrintJob job;
    if (!makePrivateFolder(m_printsFolder)) {
        job.error = RuntimeError::PathNotFound;
        return job;
    }
    QString stem = documentName;
    stem.replace(u' ', u'-');
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    QString path = QDir(m_printsFolder).filePath(stem + u'-' + stamp + u".pdf"_s);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(m_printsFolder)
                   .filePath(stem + u'-' + stamp + u'-' + QString::number(n) + u".pdf"_s);
    return pdfPrintJob(path, documentName);
}

} // namespace orvelan
