#include "cli/DesktopModule.h"

#include "cli/ToolFaults.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace orvelan::cli {

namespace {

using ServicesEntry = DesktopServices* (*)(int version);

} // namespace

QStringList modulePlaces(const QString& programPath, const QString& fileName) {
    const QFileInfo program(programPath);
    const QString programDir =
        QFileInfo(program.isSymLink() ? program.symLinkTarget() : programPath).absolutePath();
    return {programDir + u'/' + fileName,
            QDir::cleanPath(programDir + u'/' + QStringLiteral(ORVELAN_DESKTOP_MODULE_DIR) + u'/' +
                            fileName)};
}

namespace {

// Why `library` did not load, without the "Cannot load library PATH: (...)" around it.
QString loaderError(const QLibrary& library) {
    QString why = library.errorString();
    const QString around = u"Cannot load library "_s + library.fileName() + u": "_s;
    if (why.startsWith(around))
        why.remove(0, around.size());
    if (why.startsWith(u'(') && why.endsWith(u')'))
        why = why.mid(1, why.size() - 2);
    return why;
}

} // namespace

QFunctionPointer loadModuleEntry(QLibrary& library, const QStringList& places, const char* entry,
                                 QString& why) {
    const auto found = std::find_if(places.cbegin(), places.cend(),
                                    [](const QString& place) { return QFileInfo::exists(place); });
    if (found == places.cend()) {
        library.setFileName(places.last());
        why = u"there is no such file, nor one beside the program"_s;
        return nullptr;
    }
    library.setFileName(*found);
    const QFunctionPointer function = library.resolve(entry);
    if (!function)
        why = loaderError(library);
    return function;
}

QString moduleFailure(const QLibrary& library, const QString& why, const QString& neededBy) {
    return u"Cannot load %1: %2. %3: reinstall orvelan-book."_s.arg(library.fileName(), why,
                                                                    neededBy);
}

QString otherVersionReason() {
    return u"it belongs to another version of orvelan-book"_s;
}

QStringList DesktopModule::places() const {
    return modulePlaces(m_program, fileName());
}

// The services are the module's objects: they go before the module could ever be unloaded
// (QLibrary leaves it loaded).
DesktopModule::~DesktopModule() = default;

QString DesktopModule::fileName() {
    return u"orvelan-book-desktop.so"_s;
}

DesktopServices& DesktopModule::services() {
    if (m_services)
        return *m_services;
    if (m_failure.isEmpty()) {
        QString why;
        if (const auto entry = reinterpret_cast<ServicesEntry>(
                loadModuleEntry(m_library, places(), "orvelan_book_desktop_services", why))) {
            m_services.reset(entry(Version));
            if (m_services)
                return *m_services;
            why = otherVersionReason();
        }
        m_failure = moduleFailure(m_library, why, u"Printing, syncing and the keyring need it"_s);
    }
    throw toolError(Fault::Failed, m_failure);
}

std::unique_ptr<QCoreApplication> DesktopModule::printingApplication(int& argc, char** argv) {
    return services().printingApplication(argc, argv);
}

PrintJob DesktopModule::pdfPrintJob(const QString& path, const QString& documentName) {
    return services().pdfPrintJob(path, documentName);
}

int DesktopModule::pagesStarted(const PrintSurface& surface) {
    return services().pagesStarted(surface);
}

std::unique_ptr<HttpTransport> DesktopModule::httpTransport(const SyncRequest& request,
                                                            QString& error) {
    return services().httpTransport(request, error);
}

std::unique_ptr<PasswordStore> DesktopModule::keyring() {
    return services().keyring();
}

} // namespace orvelan::cli
