#pragma once

#include <QString>
#include <QStringView>

#include <memory>

namespace orvelan {

// Failure codes a surface reports (0 when the operation went well). The runtime numbering is
// kept so that the print messages stay keyed on it.
namespace PrintError {
inline constexpr int None = 0;
inline constexpr int PrinterError = 482;
inline constexpr int PropertyNotSupported = 483;
} // namespace PrintError

// A font as a printout asks for it: face name, size in points, bold on or off.
struct PrintFont {
    QString name = QStringLiteral("Courier New");
    double points = 10;
    bool bold = false;

    bool operator==(const PrintFont&) const = default;
};

// The drawing surface every printout goes through: positions, widths and heights in twips
// (1440 to the inch) from the top-left corner of the printable area, a current position, a
// current font. The first output opens the job; only endDocument closes it.
class PrintSurface {
public:
    virtual ~PrintSurface() = default;

    virtual int setFont(const PrintFont& font) = 0;

    virtual double x() const = 0;
    virtual double y() const = 0;
    virtual void setX(double x) = 0;
    virtual void setY(double y) = 0;

    // The printable area.
    virtual double width() const = 0;
    virtual double height() const = 0;

    // The advance that printing `text` in the current font would cause.
    virtual double textWidth(QStringView text) const = 0;

    // Prints at the current position; x advances by the text's width, y stays.
    virtual int print(QStringView text) = 0;
    // x back to the left edge, y down by one line height of the current font.
    virtual int endLine() = 0;
    virtual int newPage() = 0;
    // Closes the job and sends it on.
    virtual int endDocument() = 0;
};

// Where a printout goes: a surface for one job, and where its output ends up when it is a file
// rather than a printer.
struct PrintJob {
    std::unique_ptr<PrintSurface> surface;
    QString pdfPath; // set when the job is written to a PDF file instead of a printer
    int error = 0;   // set when no surface could be had
    QString refusal; // why the printer refused the job (its queue's name and state), if it did
};

class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    virtual PrintJob open(const QString& documentName) = 0;
};

// Prints `text` at x = `left` and ends the line.
int printLineAt(PrintSurface& surface, double left, QStringView text);

} // namespace orvelan
