#pragma once

#include "cli/DesktopServices.h"

namespace orvelan::cli {

// The tool's desktop services on Qt Gui, Qt Network and QtKeychain: the code of the module the
// program loads, linked straight into tests.
class QtDesktopServices final : public DesktopServices {
public:
    std::unique_ptr<QCoreApplication> printingApplication(int& argc, char** argv) override;
    PrintJob pdfPrintJob(const QString& path, const QString& documentName) override;
    int pagesStarted(const PrintSurface& surface) override;
    std::unique_ptr<HttpTransport> httpTransport(const SyncRequest& request,
                                                 QString& error) override;
    std::unique_ptr<PasswordStore> keyring() override;
};

} // namespace orvelan::cli
