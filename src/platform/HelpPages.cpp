#include "platform/HelpPages.h"

#include <QDir>
#include <QFileInfo>

namespace orvelan {

QString HelpPages::fileName(Page page) {
    switch (page) {
    case Index:
        return QStringLiteral("index.htm");
    case Usage:
        return QStringLiteral("useage1.htm");
    case Options:
        return QStringLiteral("useage_opt.htm");
    case Overview:
        return QStringLiteral("overview.htm");
    case Find:
        return QStringLiteral("orvelanfind.htm");
    case Password:
        return QStringLiteral("orvelanpwe.htm");
    case Import:
        return QStringLiteral("useage_imp.htm");
    case Export:
        return QStringLiteral("useage_exp.htm");
    }
    return QStringLiteral("index.htm");
}

HelpPages HelpPages::forProgram(const QString& programDir) {
    const QStringList candidates = {
        programDir + QStringLiteral("/../share/orvelan/help"),
        programDir + QStringLiteral("/help"),
        QStringLiteral(ORVELAN_SOURCE_HELP_DIR),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate + QStringLiteral("/index.htm")))
            return HelpPages(QDir::cleanPath(candidate));
    }
    return HelpPages(QDir::cleanPath(candidates.first()));
}

QUrl HelpPages::url(Page page) const {
    return QUrl::fromLocalFile(m_folder + u'/' + fileName(page));
}

bool HelpPages::open(Page page, DesktopLauncher& launcher) const {
    return launcher.openUrl(url(page));
}

bool HelpPages::openFile(const QString& name, DesktopLauncher& launcher) const {
    for (Page page : {Index, Usage, Options, Overview, Find, Password, Import, Export}) {
        if (fileName(page) == name)
            return open(page, launcher);
    }
    return open(Index, launcher);
}

QUrl MakerLinks::homePage() {
    return QUrl(QStringLiteral("https://example.org/orvelan/"));
}

QUrl MakerLinks::versionPage(int revision) {
    return QUrl(QStringLiteral("https://example.org/orvelan/version%1.htm").arg(revision));
}

} // namespace orvelan
