#pragma once

#include "cli/DesktopServices.h"

#include <QLibrary>

namespace orvelan::cli {

// Where the tool's module `fileName` is looked for, in order: beside the program (a build tree),
// else in the program's library folder (../lib/<arch>/orvelan from its bin folder).
QStringList modulePlaces(const QString& programPath, const QString& fileName);
// Loads into `library` the first of `places` that is there and gives its function `entry`;
// null with the reason in `why` when none is there, it does not load or it lacks the entry.
QFunctionPointer loadModuleEntry(QLibrary& library, const QStringList& places, const char* entry,
                                 QString& why);
// The line a command ends with when a module did not load: what needs it ("Printing needs
// it"), and what to do.
QString moduleFailure(const QLibrary& library, const QString& why, const QString& neededBy);
// Why a module's entry gave nothing.
QString otherVersionReason();

// The desktop services of the installed program, in the module orvelan-book-desktop.so, loaded
// the first time a command asks for one: beside the program (a build tree), else in the
// program's library folder (../lib/<arch>/orvelan from its bin folder). When the module cannot
// be loaded, every call throws a CliError naming the file and what to do.
class DesktopModule final : public DesktopServices {
public:
    // `programPath`: the running program's file, or a link to it (/proc/self/exe).
    explicit DesktopModule(QString programPath) : m_program(std::move(programPath)) {}
    ~DesktopModule() override;

    // The file name of the module.
    static QString fileName();
    // Where the module is looked for, in order.
    QStringList places() const;

    std::unique_ptr<QCoreApplication> printingApplication(int& argc, char** argv) override;
    PrintJob pdfPrintJob(const QString& path, const QString& documentName) override;
    int pagesStarted(const PrintSurface& surface) override;
    std::unique_ptr<HttpTransport> httpTransport(const SyncRequest& request,
                                                 QString& error) override;
    std::unique_ptr<PasswordStore> keyring() override;

private:
    DesktopServices& services();

    QString m_program;
    QLibrary m_library;
    std::unique_ptr<DesktopServices> m_services;
    QString m_failure;
};

} // namespace orvelan::cli
