#pragma once

#include "platform/Clock.h"
#include "platform/DesktopLauncher.h"
#include "platform/Prompt.h"
#include "store/BookFolder.h"
#include "store/PageStore.h"
#include "store/SearchResults.h"
#include "store/Settings.h"

#include <QString>

namespace orvelan {

// The platform services a window or an action needs, passed explicitly.
struct Services {
    Prompter& prompter;
    Clock& clock;
    DesktopLauncher& launcher;
};

// The switches of the command line: each counts when its text occurs anywhere in the whole
// command line, without regard to case.
struct CommandLine {
    bool tapiEnabled = true;         // off with "-TAPI"
    bool dataResetRequested = false; // on with "/DRST"
    static CommandLine parse(const QString& wholeCommandLine);
};

// The program-wide state of one run: the book folder, the settings, the page store with its
// position, the shared search results and the session flags.
class Session {
public:
    Session(BookFolder folder, Services services, CommandLine commandLine = {});

    const BookFolder& folder() const { return m_folder; }
    Services& services() { return m_services; }
    PageStore& store() { return m_store; }
    Settings& settings() { return m_settings; }
    SearchResults& searchResults() { return m_searchResults; }
    const CommandLine& commandLine() const { return m_commandLine; }

    // Loads the settings from ossabusr.dat (never fails) / writes them (0 or an error number).
    void loadSettings();
    int writeSettings();
    // Writes the settings; when that fails the user is told, in a box with `title`, that the
    // choices were not saved. True when they were.
    bool saveSettings(const QString& title = QStringLiteral("ORVELAN Error"));

    QString versionText() const; // "Build: 1. 00. 0"

    bool passwordAccepted = false;
    bool firstOpeningDone = false;
    bool passwordCancelled = false;
    // Set by import: the main window shows page 1 of tab 1 when it is next activated.
    bool showFirstPageOnActivate = false;

private:
    BookFolder m_folder;
    Services m_services;
    CommandLine m_commandLine;
    Settings m_settings;
    PageStore m_store;
    SearchResults m_searchResults;
};

} // namespace orvelan
