#pragma once

#include "platform/DesktopLauncher.h"

#include <QList>

namespace orvelan::test {

// Remembers every address it was asked to open and opens nothing. `handled` is what it
// answers: false stands for a desktop with no program for the address.
class RecordingLauncher final : public DesktopLauncher {
public:
    bool openUrl(const QUrl& url) override {
        m_opened.append(url);
        return handled;
    }
    bool handled = true;
    const QList<QUrl>& opened() const { return m_opened; }

private:
    QList<QUrl> m_opened;
};

} // namespace orvelan::test
