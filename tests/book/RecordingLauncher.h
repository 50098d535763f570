#pragma once

#include "platform/DesktopLauncher.h"

#include <QList>

namespace orvelan::test {

// Remembers every address handed to the desktop instead of opening it.
class RecordingLauncher final : public DesktopLauncher {
public:
    bool openUrl(const QUrl& url) override {
        opened.append(url);
        return true;
    }
    QList<QUrl> opened;
};

} // namespace orvelan::test
