#pragma once

#include "print/PrintSurface.h"

#include <QString>

#include <functional>

namespace orvelan {

// Prints a block of free text on a surface, breaking lines at word boundaries, starting new
// pages at the bottom margin, honouring line feeds and tabs, and ending the document. It draws
// in whatever font the surface has. Printer failures are passed over: each step runs anyway.
class CWordWrap {
public:
    explicit CWordWrap(PrintSurface& surface) : m_surface(surface) {}

    QString HeaderText; // kept for the caller; PrintText does not print it
    float MarginLeft = 1440;
    float MarginTop = 5800;
    float MarginRight = 1440;
    float MarginBottom = 1440;

    // Prints the text and ends the print job.
    void PrintText(QStringView sText);
    // What ending the document reported (0 when the job was closed and sent on): a job that
    // could not be finished is never reported as printed.
    int documentResult() const { return m_documentResult; }

    // Busy pointer hooks: shown for the whole of PrintText.
    void setBusyPointer(std::function<void(bool)> busy) { m_busy = std::move(busy); }

private:
    void newPageSetup(bool startNewPage);
    void lineBreak();
    void tabTo();

    PrintSurface& m_surface;
    std::function<void(bool)> m_busy;
    int m_documentResult = 0;
};

} // namespace orvelan
