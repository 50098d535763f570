#pragma once

#include "print/PrintSurface.h"
#include "store/BookFolder.h"

#include <QFont>
#include <QPainter>
#include <QPrinter>

#include <memory>

namespace orvelan {

// The surface on a QPrinter: the default printer, or a PDF file through the same code. The
// painter works in twips (its transform scales twips to printer dots); fonts are sized in twips
// too, so measuring and drawing agree at any printer resolution.
class QtPrinterSurface final : public PrintSurface {
public:
    // Takes the printer as it is set up (printer name or PDF output file).
    explicit QtPrinterSurface(std::unique_ptr<QPrinter> printer);
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

    QPrinter& printer() { return *m_printer; }
    static QFont qtFont(const PrintFont& font);

    // 0 when the PDF file at `path` was written whole; otherwise the file is removed and the
    // runtime error number tells why (61 for a full disk).
    static int checkPdfFile(const QString& path);

private:
    int open();

    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    QFont m_font;
    double m_ascent = 0;
    double m_lineHeight = 0;
    double m_width = 0;
    double m_height = 0;
    double m_x = 0;
    double m_y = 0;
    bool m_failed = false;
};

// The system's default printer, without a dialog; with no printer installed, a PDF file in the
// book folder's Prints/ folder, whose path the job reports.
class DefaultPrinterTarget final : public PrintTarget {
public:
    explicit DefaultPrinterTarget(QString printsFolder) : m_printsFolder(std::move(printsFolder)) {}
    // PDF files go to the book folder's Prints/.
    static DefaultPrinterTarget forBook(const BookFolder& folder);
    PrintJob open(const QString& documentName) override;

    static PrintJob pdfJob(const QString& path, const QString& documentName);

    // Why a printer queue will not take a job ("The printer queue "office" is not accepting
    // jobs (idle)."), empty when it will. `stopped` is the queue's stopped state; `accepting`
    // what `lpstat -a` says of it (empty when unknown).
    static QString queueRefusal(const QString& name, bool stopped, const QString& accepting);

private:
    QString m_printsFolder;
};

} // namespace orvelan
