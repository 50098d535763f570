#include "print/qt/DefaultPrinterTarget.h"

#include "print/qt/QtPrinterSurface.h"
#include "store/RuntimeError.h"

#include <QDateTime>
#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>

using namespace Qt::StringLiterals;

namespace orvelan {

DefaultPrinterTarget DefaultPrinterTarget::forBook(const BookFolder& folder) {
    return DefaultPrinterTarget(QDir(folder.root()).filePath(u"Prints"_s));
}

PrintJob DefaultPrinterTarget::open(const QString& documentName) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        printer->setDocName(documentName);
        PrintJob job;
        job.surface = std::make_unique<QtPrinterSurface>(std::move(printer));
        return job;
    }
    PrintJob job;
    if (!QDir().mkpath(m_printsFolder)) {
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
