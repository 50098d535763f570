#pragma once

#include "print/PrintSurface.h"
#include "sync/PasswordStore.h"
#include "sync/SyncRun.h"

#include <QCoreApplication>

#include <memory>

namespace orvelan::cli {

// What the tool needs of Qt Gui, Qt Network and the desktop keyring: printouts, the HTTP side
// of a sync, and the keyring that remembers keys and sync passwords. The program reaches them
// through a module it loads the first time a command asks (DesktopModule), so every other
// command starts with Qt Core alone; tests hand the same code linked in (QtDesktopServices).
// Through the module, each call throws a CliError when the module cannot be loaded.
class DesktopServices {
public:
    // Changed whenever this interface changes, so a module of another build is refused.
    static constexpr int Version = 1;

    virtual ~DesktopServices() = default;
    // The application of a run that prints: Qt Gui on the offscreen platform, no display.
    virtual std::unique_ptr<QCoreApplication> printingApplication(int& argc, char** argv) = 0;
    // A printout into the PDF file at `path`; without a surface, `refusal` says why.
    virtual PrintJob pdfPrintJob(const QString& path, const QString& documentName) = 0;
    // Sheets begun so far on a surface of pdfPrintJob.
    virtual int pagesStarted(const PrintSurface& surface) = 0;
    // The transport of a sync (null with a message when it cannot be had).
    virtual std::unique_ptr<HttpTransport> httpTransport(const SyncRequest& request,
                                                         QString& error) = 0;
    virtual std::unique_ptr<PasswordStore> keyring() = 0;
};

} // namespace orvelan::cli
