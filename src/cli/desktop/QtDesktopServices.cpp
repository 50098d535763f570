#include "cli/desktop/QtDesktopServices.h"

#include "print/qt/QtPrinterSurface.h"
#include "sync/net/KeyringPasswordStore.h"
#include "sync/net/QtHttpTransport.h"

#include <QGuiApplication>

namespace orvelan::cli {

std::unique_ptr<QCoreApplication> QtDesktopServices::printingApplication(int& argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

PrintJob QtDesktopServices::pdfPrintJob(const QString& path, const QString& documentName) {
    // Printouts are drawn with the windows' painter code, which needs the fonts of a GUI
    // application.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        PrintJob refused;
        refused.refusal =
            QStringLiteral("print needs the program's fonts; run it as orvelan-book.");
        return refused;
    }
    return orvelan::pdfPrintJob(path, documentName);
}

int QtDesktopServices::pagesStarted(const PrintSurface& surface) {
    return static_cast<const QtPrinterSurface&>(surface).pagesStarted();
}

std::unique_ptr<HttpTransport> QtDesktopServices::httpTransport(const SyncRequest& request,
                                                                QString& error) {
    return qtHttpTransport(request, error);
}

std::unique_ptr<PasswordStore> QtDesktopServices::keyring() {
    return std::make_unique<KeyringPasswordStore>();
}

} // namespace orvelan::cli
