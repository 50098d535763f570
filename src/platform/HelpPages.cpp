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
    // Relative to the program only: an installed program never looks into a build folder.
    const QStringList candidates = {
        programDir + QStringLiteral("/" ORVELAN_HELP_FROM_BINDIR),
        programDir + QStringLiteral("/help"),
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

HelpPages::Page HelpPages::pageOfFile(const QString& name) {
    for (Page page : {Index, Usage, Options, Overview, Find, Password, Import, Export}) {
        if (fileName(page) == name)
            return page;
    }
    return Index;
}

bool HelpPages::openFile(const QString& name, DesktopLauncher& launcher) const {
    return open(pageOfFile(name), launcher);
}

bool HelpPages::open(Page page, DesktopLauncher& launcher, Prompter& prompter) const {
    if (open(page, launcher))
        return true;
    prompter.ask(noBrowserPrompt(page));
    return false;
}

bool HelpPages::openFile(const QString& name, DesktopLauncher& launcher, Prompter& prompter) const {
    return open(pageOfFile(name), launcher, prompter);
}

PromptRequest HelpPages::noBrowserPrompt(Page page) const {
    return {QStringLiteral("ORVELAN Help"),
            QStringLiteral(" No web browser could open the help page. Open it in any browser: "
                           "\r\n\r\n") +
                QDir::toNativeSeparators(m_folder + u'/' + fileName(page)) + u' ',
            PromptIcon::Information, PromptButtons::Ok};
}

QUrl MakerLinks::homePage() {
    return QUrl(QStringLiteral("https://example.org/orvelan/"));
}

QUrl MakerLinks::versionPage(int revision) {
    return QUrl(QStringLiteral("https://example.org/orvelan/version%1.htm").arg(revision));
}

} // namespace orvelan
