#pragma once

#include "platform/DesktopLauncher.h"

#include <QString>
#include <QUrl>

namespace orvelan {

// The help pages that ship with the program, opened in the user's browser.
class HelpPages {
public:
    enum Page { Index, Usage, Options, Overview, Find, Password, Import, Export };

    // Looks for the pages beside an installed program (../share/orvelan/help), then in the
    // source tree the program was built from.
    static HelpPages forProgram(const QString& programDir);
    explicit HelpPages(QString folder) : m_folder(std::move(folder)) {}

    static QString fileName(Page page);
    const QString& folder() const { return m_folder; }
    QUrl url(Page page) const;
    bool open(Page page, DesktopLauncher& launcher) const;
    // Opens a page by its file name ("useage_imp.htm"); the index for a name it does not know.
    bool openFile(const QString& fileName, DesktopLauncher& launcher) const;

private:
    QString m_folder;
};

// The maker's web pages behind the main window's OShomeLa and AverLa labels.
struct MakerLinks {
    static QUrl homePage();
    static QUrl versionPage(int revision);
};

} // namespace orvelan
