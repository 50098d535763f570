#include "platform/qt/QtDesktopLauncher.h"

#include <QDesktopServices>

namespace orvelan {

bool QtDesktopLauncher::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace orvelan
