#pragma once

#include <QUrl>

namespace orvelan {

// Hands an address (mailto:, http:, tel:, a help page's file: URL) to the desktop's default
// application. Never a shell command line.
class DesktopLauncher {
public:
    virtual ~DesktopLauncher() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};

} // namespace orvelan
