#pragma once

#include "platform/DesktopLauncher.h"

namespace orvelan {

class QtDesktopLauncher final : public DesktopLauncher {
public:
    bool openUrl(const QUrl& url) override;
};

} // namespace orvelan
