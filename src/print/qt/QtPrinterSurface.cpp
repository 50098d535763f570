#include "print/qt/QtPrinterSurface.h"

#include "store/PrivateFiles.h"

#include "store/RuntimeError.h"

#include <QDateTime>
#include <QDir>
#include <QFontMetricsF>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {

constexpr double TwipsPerInch = 1440;
constexpr double TwipsPerPoint = 20;

} // namespace

QtPrinterSurface::QtPrinterSurface(std::unique_ptr<QPrinter> printer)
    : m_printer(std::move(printer)) {
    const QRectF area = m_printer->pageLayout().paintRect(QPageLayout::Point);
    m_width = area.width() * TwipsPerPoint;
    m_height = area.height() * TwipsPerPoint;
    setFont(PrintFont{});
}

QtPrinterSurface::~QtPrinterSurface() {
    if (m_painter.isActive())
        m_painter.end(); // what was printed stays in the job
}

QFont QtPrinterSurface::qtFont(const PrintFont& font) {
    QFont qfont(font.name);
    qfont.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
    qfont.setHintingPreference(QFont::PreferNoHinting);
    qfont.setKerning(false);
    qfont.setPixelSize(qRound(font.points * TwipsPerPoint)); // one pixel is one twip
    qfont.setBold(font.bold);
    return qfont;
}

int QtPrinterSurface::setFont(const PrintFont& font) {
    m_font = qtFont(font);
    const QFontMetricsF metrics(m_font);
    m_ascent = metrics.ascent();
    m_lineHeight = metrics.height();
    if (m_painter.isActive())
        m_painter.setFont(m_font);
    return 0;
}

double QtPrinterSurface::textWidth(QStringView text) const {
    return QFontMetricsF(m_font).horizontalAdvance(text.toString());
}

int QtPrinterSurface::open() {
    if (m_painter.isActive())
        return 0;
    if (m_failed || !m_painter.begin(m_printer.get())) {
        m_failed = true;
        return PrintError::PrinterError;
    }
    const double dotsPerTwip = m_printer->resolution() / TwipsPerInch;
    m_painter.scale(dotsPerTwip, dotsPerTwip);
    m_painter.setFont(m_font);
    m_painter.setPen(Qt::black);
    return 0;
}

int QtPrinterSurface::print(QStringView text) {
    if (const int error = open())
        return error;
    const QString s = text.toString();
    m_painter.drawText(QPointF(m_x, m_y + m_ascent), s);
    m_x += QFontMetricsF(m_font).horizontalAdvance(s);
    return 0;
}

int QtPrinterSurface::endLine() {
    if (const int error = open())
        return error;
    m_x = 0;
    m_y += m_lineHeight;
    return 0;
}

int QtPrinterSurface::newPage() {
    if (const int error = open())
        return error;
    if (!m_printer->newPage())
        return PrintError::PrinterError;
    m_x = 0;
    m_y = 0;
    return 0;
}

int QtPrinterSurface::endDocument() {
    if (!m_painter.isActive())
        return m_failed ? PrintError::PrinterError : 0;
    if (!m_painter.end())
        return PrintError::PrinterError;
    if (m_printer->outputFormat() == QPrinter::PdfFormat)
        return checkPdfFile(m_printer->outputFileName());
    return 0;
}

int QtPrinterSurface::checkPdfFile(const QString& path) {
    // The PDF writer does not report a short write: the file must end as a whole PDF does.
    QFile file(path);
    bool whole = false;
    if (file.open(QIODevice::ReadOnly) && file.size() > 16 && file.seek(file.size() - 16))
        whole = file.read(16).contains("%%EOF");
    file.close();
    if (whole) {
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return 0;
    }
    file.remove(); // a part of a printout is no printout
    const QStorageInfo storage(QFileInfo(path).absolutePath());
    return storage.isValid() && storage.bytesAvailable() < 64 * 1024 ? RuntimeError::DiskFull
                                                                     : RuntimeError::DeviceIoError;
}

DefaultPrinterTarget DefaultPrinterTarget::forBook(const BookFolder& folder) {
    return DefaultPrinterTarget(QDir(folder.root()).filePath(u"Prints"_s));
}

PrintJob DefaultPrinterTarget::pdfJob(const QString& path, const QString& documentName) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setDocName(documentName);
    printer->setPageSize(QPageSize(QPageSize::A4));
    PrintJob job;
    job.surface = std::make_unique<QtPrinterSurface>(std::move(printer));
    job.pdfPath = path;
    return job;
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
    return pdfJob(path, documentName);
}

} // namespace orvelan
