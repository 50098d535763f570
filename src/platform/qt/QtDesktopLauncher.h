#pragma once

#include "platform/DesktopLauncher.h"

namespace orvelan {

class QtDesktopLauncher final : public DesktopLauncher {
public:
    bool openUrl(const QUrl& url) override;
    // On X11 and Wayland desktops the address goes through xdg-open, whose exit status tells
    // whether a handler took it; a handler still running after a short while has taken it.
    void handOff(const QUrl& url, std::function<void(bool taken)> done) override;
};

} // namespace orvelan
