#pragma once

#include "platform/DesktopLauncher.h"

#include <QList>

namespace orvelan::test {

// Remembers every address it was asked to open and opens nothing.
class RecordingLauncher final : public DesktopLauncher {
public:
    bool openUrl(const QUrl& url) override {
        m_opened.append(url);
        return true;
    }
    const QList<QUrl>& opened() const { return m_opened; }

private:
    QList<QUrl> m_opened;
};

} // namespace orvelan::test
