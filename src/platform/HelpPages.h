#pragma once

#include "platform/DesktopLauncher.h"
#include "platform/Prompt.h"

#include <QString>
#include <QUrl>

namespace orvelan {

// The help pages that ship with the program, opened in the user's browser.
class HelpPages {
public:
    enum Page { Index, Usage, Options, Overview, Find, Password, Import, Export };

    // Looks for the pages in the program's install prefix (../share/orvelan/help beside its
    // bin folder), then in help/ beside the program (where the build puts a copy).
    static HelpPages forProgram(const QString& programDir);
    explicit HelpPages(QString folder) : m_folder(std::move(folder)) {}

    static QString fileName(Page page);
    const QString& folder() const { return m_folder; }
    QUrl url(Page page) const;
    bool open(Page page, DesktopLauncher& launcher) const;
    // Opens a page by its file name ("useage_imp.htm"); the index for a name it does not know.
    bool openFile(const QString& fileName, DesktopLauncher& launcher) const;
    // The same; when no browser takes the page, the user is told where the page is.
    bool open(Page page, DesktopLauncher& launcher, Prompter& prompter) const;
    bool openFile(const QString& fileName, DesktopLauncher& launcher, Prompter& prompter) const;
    PromptRequest noBrowserPrompt(Page page) const;
    static Page pageOfFile(const QString& fileName);

private:
    QString m_folder;
};

// The maker's web pages behind the main window's OShomeLa and AverLa labels.
struct MakerLinks {
    static QUrl homePage();
    static QUrl versionPage(int revision);
};

} // namespace orvelan
