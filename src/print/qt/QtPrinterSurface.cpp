#include "print/qt/QtPrinterSurface.h"

#include "store/AtomicFile.h"
#include "store/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPdfWriter>
#include <QStorageInfo>

#include <cerrno>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {

constexpr double TwipsPerInch = 1440;
constexpr double TwipsPerPoint = 20;

} // namespace

QtPrinterSurface::QtPrinterSurface(std::unique_ptr<QPagedPaintDevice> device)
    : m_device(std::move(device)) {
    const QRectF area = m_device->pageLayout().paintRect(QPageLayout::Point);
    m_width = area.width() * TwipsPerPoint;
    m_height = area.height() * TwipsPerPoint;
    setFont(PrintFont{});
}

QtPrinterSurface::~QtPrinterSurface() {
    if (m_painter.isActive())
        m_painter.end(); // what was printed stays in the job
    // A PDF that was never ended whole never takes the place of the file it was to become.
    if (!m_finalPath.isEmpty() && !m_pdfPath.isEmpty())
        QFile::remove(m_pdfPath);
}

QFont QtPrinterSurface::qtFont(const PrintFont& font) {
    QFont qfont;
    qfont.setFamilies({font.name, u"Liberation Mono"_s});
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
    if (m_failed || !m_painter.begin(m_device.get())) {
        m_failed = true;
        return PrintError::PrinterError;
    }
    m_pages = 1;
    const double dotsPerTwip = m_device->logicalDpiX() / TwipsPerInch;
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
    if (!m_device->newPage())
        return PrintError::PrinterError;
    ++m_pages;
    m_x = 0;
    m_y = 0;
    return 0;
}

int QtPrinterSurface::endDocument() {
    if (!m_painter.isActive())
        return m_failed ? PrintError::PrinterError : 0;
    if (!m_painter.end())
        return PrintError::PrinterError;
    if (m_pdfPath.isEmpty())
        return 0;
    if (const int error = checkPdfFile(m_pdfPath))
        return error;
    if (m_finalPath.isEmpty())
        return 0;
    // Written whole beside its place, the PDF replaces the file there in one step.
    const QByteArray from = QFile::encodeName(m_pdfPath);
    const QByteArray to = QFile::encodeName(m_finalPath);
    if (::rename(from.constData(), to.constData()) != 0) {
        const int error = errno;
        QFile::remove(m_pdfPath);
        return runtimeErrorFromErrno(error, m_finalPath);
    }
    m_finalPath.clear();
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

QPageLayout pdfPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch);
}

PrintJob pdfPrintJob(const QString& path, const QString& documentName) {
    // The PDF is written under a temporary name beside its place and renamed there once whole,
    // so a printout cut short never leaves part of a file over a good one.
    const QString temporary = QFile::decodeName(temporaryNameFor(QFile::encodeName(path)));
    auto writer = std::make_unique<QPdfWriter>(temporary);
    writer->setResolution(PdfResolution);
    writer->setTitle(documentName);
    writer->setCreator(u"ORVELAN Secure Address Book"_s);
    writer->setPageLayout(pdfPageLayout());
    PrintJob job;
    auto surface = std::make_unique<QtPrinterSurface>(std::move(writer));
    surface->setPdfPath(temporary, path);
    job.surface = std::move(surface);
    job.pdfPath = path;
    return job;
}

} // namespace orvelan
