#pragma once

#include "print/PrintSurface.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QSaveFile;

namespace orvelan {

// A surface that writes a PDF file with the standard Courier faces, needing nothing beyond Qt
// Core. Courier advances 0.6 em for every character, so text measures exactly as a fixed-pitch
// printer font does and columns land on their character positions. Any font name prints in
// Courier. The file is opened by the first output (a file that cannot be made fails there, as a
// printer that cannot start a job would) and written when the document ends.
class PdfSurface final : public PrintSurface {
public:
    // A4 by default, the whole sheet being the printable area.
    explicit PdfSurface(QString path, double pageWidth = 11906, double pageHeight = 16838);
    ~PdfSurface() override;

    int setFont(const PrintFont& font) override;
    double x() const override { return m_x; }
    double y() const override { return m_y; }
    void setX(double x) override { m_x = x; }
    void setY(double y) override { m_y = y; }
    double width() const override { return m_pageWidth; }
    double height() const override { return m_pageHeight; }
    double textWidth(QStringView text) const override;
    int print(QStringView text) override;
    int endLine() override;
    int newPage() override;
    int endDocument() override;

    double lineHeight() const;
    // Pages of the last document written.
    int pagesWritten() const { return m_pagesWritten; }

private:
    int open();
    int writeFile();

    QString m_path;
    double m_pageWidth;
    double m_pageHeight;
    PrintFont m_font;
    double m_x = 0;
    double m_y = 0;
    bool m_open = false;
    int m_openError = 0;
    std::unique_ptr<QSaveFile> m_file;
    QByteArray m_content;
    QList<QByteArray> m_pages;
    int m_pagesWritten = 0;
};

// Every job goes to one PDF file.
class PdfFileTarget final : public PrintTarget {
public:
    explicit PdfFileTarget(QString path) : m_path(std::move(path)) {}
    PrintJob open(const QString& documentName) override;

private:
    QString m_path;
};

} // namespace orvelan
