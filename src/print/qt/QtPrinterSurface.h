#pragma once

#include "print/PrintSurface.h"

#include <QFont>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

#include <memory>

namespace orvelan {

// The surface on a Qt paged paint device: a printer, or a PDF writer. Windows and the
// command-line tool print through it, so a page looks the same whichever prints it. The painter
// works in twips (its transform scales twips to device dots); fonts are sized in twips too, so
// measuring and drawing agree at any resolution. Fonts fall back to the system's fonts for
// scripts the asked-for face lacks; a missing glyph is measured like any other.
class QtPrinterSurface final : public PrintSurface {
public:
    // Takes the device as it is set up (printer name or output file, page layout).
    explicit QtPrinterSurface(std::unique_ptr<QPagedPaintDevice> device);
    ~QtPrinterSurface() override;

    int setFont(const PrintFont& font) override;
    double x() const override { return m_x; }
    double y() const override { return m_y; }
    void setX(double x) override { m_x = x; }
    void setY(double y) override { m_y = y; }
    double width() const override { return m_width; }
    double height() const override { return m_height; }
    double textWidth(QStringView text) const override;
    int print(QStringView text) override;
    int endLine() override;
    int newPage() override;
    int endDocument() override;

    QPagedPaintDevice& device() { return *m_device; }
    // Sheets begun so far.
    int pagesStarted() const { return m_pages; }
    // "Courier New" is Liberation Mono where Courier New is not installed: the same metrics.
    static QFont qtFont(const PrintFont& font);

    // A PDF surface checks its file at the end of the document; written under a temporary
    // name, it is then renamed to `finalPath` (and removed if the document never ends).
    void setPdfPath(QString path, QString finalPath = {}) {
        m_pdfPath = std::move(path);
        m_finalPath = std::move(finalPath);
    }
    // 0 when the PDF file at `path` was written whole; otherwise the file is removed and the
    // runtime error number tells why (61 for a full disk).
    static int checkPdfFile(const QString& path);

private:
    int open();

    std::unique_ptr<QPagedPaintDevice> m_device;
    QPainter m_painter;
    QFont m_font;
    double m_ascent = 0;
    double m_lineHeight = 0;
    double m_width = 0;
    double m_height = 0;
    double m_x = 0;
    double m_y = 0;
    int m_pages = 0;
    bool m_failed = false;
    QString m_pdfPath;
    QString m_finalPath;
};

// The sheet every PDF printout is laid out on: A4 upright, with the margins of a typical
// printer's unprintable edge.
QPageLayout pdfPageLayout();
// Dots per inch of PDF printouts.
inline constexpr int PdfResolution = 1200;

// A job that writes a PDF file through the same surface as the printer (Qt Gui only, so the
// command-line tool can use it without windows).
PrintJob pdfPrintJob(const QString& path, const QString& documentName);

} // namespace orvelan
