#pragma once

#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "print/PrintSurface.h"
#include "store/PageTexts.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <functional>

namespace orvelan {

// One line of the field block of a page printout.
struct PrintoutLine {
    QString text;
    bool bold = false;
    bool atLeftEdge = false; // printed from x = 0 rather than from the 600-twip margin

    bool operator==(const PrintoutLine&) const = default;
};

inline constexpr double PrintoutLeft = 600;
inline constexpr double PrintoutTop = 600;

// The text trimmed of spaces, then padded with spaces or cut to exactly 35 characters.
QString column35(QStringView text);

// "Date: <long date>    Time: hh:mm" as the printouts head their first page.
QString printoutDateTime(const QDateTime& now, const QLocale& locale);

// The lines that follow the title "ORVELAN Secure Address Book", in order.
QList<PrintoutLine> pageFieldLines(const PageTexts& texts, const QDateTime& now,
                                   const QLocale& locale);

// Prints a whole page as one job: the title, the field block, then the notes word-wrapped; the
// notes printer ends the document. Returns the first failure code of the field block (failures
// inside the notes are passed over) or of ending the document, 0 when it went well. `busyPointer`
// (when given) is told when the notes printing starts and ends, for the busy mouse pointer.
int printPage(PrintSurface& surface, const PageTexts& texts, const QDateTime& now,
              const QLocale& locale = QLocale::system(),
              const std::function<void(bool)>& busyPointer = {});

// The message box text for a printer failure code.
QString printErrorMessage(int code);
// `detail` (the printer's own reason, when it gave one) follows the message on a line of its own.
PromptRequest printErrorPrompt(int code, const QString& detail = {});
// Tells the user that a printout was written to a PDF file because no printer is installed.
PromptRequest savedToPdfPrompt(const QString& path);

// The busy mark of a print command: the Print label, blue while a printout runs.
class BusyMark {
public:
    virtual ~BusyMark() = default;
    virtual bool busy() const = 0;
    virtual void setBusy(bool busy) = 0;
};

// The print command of the main window: prints the page view's texts as they stand.
class PagePrintAction {
public:
    PagePrintAction(PrintTarget& target, BusyMark& mark, Prompter& prompter, Clock& clock,
                    QLocale locale = QLocale::system())
        : m_target(target), m_mark(mark), m_prompter(prompter), m_clock(clock),
          m_locale(std::move(locale)) {}

    enum class Outcome { NotStarted, Printed, SavedToPdf, Failed };
    // Does nothing while a printout runs or when the page has no name.
    Outcome run(const PageTexts& texts);

    const QString& lastPdfPath() const { return m_pdfPath; }
    // Shows and hides the busy mouse pointer while the notes print.
    void setBusyPointer(std::function<void(bool)> busy) { m_busyPointer = std::move(busy); }

private:
    PrintTarget& m_target;
    BusyMark& m_mark;
    Prompter& m_prompter;
    Clock& m_clock;
    QLocale m_locale;
    QString m_pdfPath;
    std::function<void(bool)> m_busyPointer;
};

} // namespace orvelan
