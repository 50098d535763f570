// The module orvelan-book loads for printing, syncing and the keyring: one exported function.
#include "cli/desktop/QtDesktopServices.h"

// The module's services, or null when the program was built with another interface.
extern "C" Q_DECL_EXPORT orvelan::cli::DesktopServices* orvelan_book_desktop_services(int version) {
    if (version != orvelan::cli::DesktopServices::Version)
        return nullptr;
    return new orvelan::cli::QtDesktopServices;
}
