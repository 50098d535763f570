#pragma once

#include <QUrl>

#include <functional>

namespace orvelan {

// Hands an address (mailto:, http:, tel:, a help page's file: URL) to the desktop's default
// application. Never a shell command line.
class DesktopLauncher {
public:
    virtual ~DesktopLauncher() = default;
    virtual bool openUrl(const QUrl& url) = 0;
    // Hands an address on and tells `done`, later or at once, whether a program of the desktop
    // took it: false when the desktop has no handler for it or the handler failed.
    virtual void handOff(const QUrl& url, std::function<void(bool taken)> done) {
        done(openUrl(url));
    }
};

} // namespace orvelan
