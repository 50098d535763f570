#include "print/PdfSurface.h"

#include "store/AtomicFile.h"

#include "store/RuntimeError.h"
#include "store/Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>

namespace orvelan {

namespace {

constexpr double TwipsPerPoint = 20;
constexpr double AdvanceEm = 0.6;                  // every Courier glyph
constexpr double AscentEm = 1705.0 / 2048.0;       // Courier New's ascent
constexpr double LineEm = (1705.0 + 615.0) / 2048; // ascent + descent

QByteArray number(double value) {
    QByteArray text = QByteArray::number(value, 'f', 2);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

QByteArray pdfString(QByteArrayView bytes) {
    QByteArray out;
    out.reserve(bytes.size() + 2);
    out += '(';
    for (const char c : bytes) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    out += ')';
    return out;
}

} // namespace

PdfSurface::PdfSurface(QString path, double pageWidth, double pageHeight)
    : m_path(std::move(path)), m_pageWidth(pageWidth), m_pageHeight(pageHeight) {}

PdfSurface::~PdfSurface() {
    if (m_open)
        endDocument(); // what was printed stays in the job
}

int PdfSurface::setFont(const PrintFont& font) {
    m_font = font;
    return 0;
}

double PdfSurface::lineHeight() const {
    return m_font.points * TwipsPerPoint * LineEm;
}

double PdfSurface::textWidth(QStringView text) const {
    return static_cast<double>(text.size()) * m_font.points * TwipsPerPoint * AdvanceEm;
}

int PdfSurface::open() {
    if (m_open)
        return 0;
    if (m_openError)
        return m_openError;
    if (!QFileInfo(m_path).absoluteDir().exists()) {
        m_openError = RuntimeError::PathNotFound;
        return m_openError;
    }
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_file.reset();
        m_openError = RuntimeError::PathFileAccessError;
        return m_openError;
    }
    m_open = true;
    m_content.clear();
    return 0;
}

int PdfSurface::print(QStringView text) {
    if (const int error = open())
        return error;
    if (!text.isEmpty()) {
        const double baseline = m_y + m_font.points * TwipsPerPoint * AscentEm;
        m_content += "BT /" + QByteArray(m_font.bold ? "F2 " : "F1 ") + number(m_font.points) +
                     " Tf 1 0 0 1 " + number(m_x / TwipsPerPoint) + ' ' +
                     number((m_pageHeight - baseline) / TwipsPerPoint) + " Tm " +
                     pdfString(toWindows1252(text)) + " Tj ET\n";
    }
    m_x += textWidth(text);
    return 0;
}

int PdfSurface::endLine() {
    if (const int error = open())
        return error;
    m_x = 0;
    m_y += lineHeight();
    return 0;
}

int PdfSurface::newPage() {
    if (const int error = open())
        return error;
    m_pages.append(std::exchange(m_content, {}));
    m_x = 0;
    m_y = 0;
    return 0;
}

int PdfSurface::endDocument() {
    if (!m_open)
        return m_openError;
    m_pages.append(std::exchange(m_content, {}));
    m_open = false;
    const int error = writeFile();
    m_pagesWritten = static_cast<int>(m_pages.size());
    m_pages.clear();
    return error;
}

int PdfSurface::writeFile() {
    QList<qint64> offsets;
    QByteArray pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    auto object = [&](const QByteArray& body) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    const qsizetype pageCount = m_pages.size();
    QByteArray kids;
    for (qsizetype i = 0; i < pageCount; ++i)
        kids += QByteArray::number(5 + 2 * i) + " 0 R ";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Count " + QByteArray::number(pageCount) + " /Kids [" + kids + "] >>");
    object("<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>");
    object("<< /Type /Font /Subtype /Type1 /BaseFont /Courier-Bold /Encoding /WinAnsiEncoding >>");
    const QByteArray mediaBox = "[0 0 " + number(m_pageWidth / TwipsPerPoint) + ' ' +
                                number(m_pageHeight / TwipsPerPoint) + ']';
    for (qsizetype i = 0; i < pageCount; ++i) {
        object("<< /Type /Page /Parent 2 0 R /MediaBox " + mediaBox +
               " /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents " +
               QByteArray::number(6 + 2 * i) + " 0 R >>");
        object("<< /Length " + QByteArray::number(m_pages[i].size()) + " >>\nstream\n" +
               m_pages[i] + "endstream");
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (const qint64 offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";

    // The file opened at the first output only proved it can be written; the document replaces
    // it as a whole, checked to the last byte.
    m_file->cancelWriting();
    m_file.reset();
    return replaceFileAtomically(m_path, pdf);
}

PrintJob PdfFileTarget::open(const QString&) {
    PrintJob job;
    job.surface = std::make_unique<PdfSurface>(m_path);
    job.pdfPath = m_path;
    return job;
}

} // namespace orvelan
