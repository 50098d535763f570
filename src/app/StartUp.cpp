#include "app/StartUp.h"

#include "store/BookMaintenance.h"
#include "store/PrivateFiles.h"
#include "store/Trash.h"

#include <QDir>

namespace orvelan {

StartUp::StartUp(BookFolder folder, Services services, const QStringList& arguments,
                 std::chrono::milliseconds commandWait)
    : m_folder(std::move(folder)), m_services(services),
      m_commandLine(CommandLine::parse(wholeCommandLine(arguments))), m_lock(m_folder),
      m_commandWait(commandWait) {}

QString StartUp::wholeCommandLine(const QStringList& arguments) {
    return arguments.mid(1).join(u' ');
}

PromptRequest StartUp::commandWorking() {
    return {QStringLiteral("Ostrowvale Solutions"),
            QStringLiteral(" A command of orvelan-book is working on this address book.\r\n"
                           " Retry waits for it to finish; Cancel ends the program.    "),
            PromptIcon::Information, PromptButtons::RetryCancel};
}

PromptRequest StartUp::alreadyRunning() {
    return {QStringLiteral("Ostrowvale Solutions"),
            QStringLiteral(" Your Secure Address Book Program is ALREADY RUNNING    "),
            PromptIcon::Information, PromptButtons::Ok};
}

bool StartUp::begin() {
    makePrivateFolder(m_folder.root());
    QDir::setCurrent(m_folder.root());
    // Only a lock held by a running copy refuses the start; a command of the tool is waited for
    // a few seconds, then the user chooses to wait longer or to end. A folder where no lock can
    // be made (read-only media) still opens, unguarded.
    BookLock::Result taken = m_lock.take(m_commandWait);
    while (taken == BookLock::Result::HeldByCommand) {
        if (m_services.prompter.ask(commandWorking()) != PromptAnswer::Retry)
            return false;
        taken = m_lock.take(m_commandWait);
    }
    switch (taken) {
    case BookLock::Result::HeldByWindow:
        m_otherWindow = true;
        m_services.prompter.ask(alreadyRunning());
        return false;
    case BookLock::Result::HeldByCommand:
        return false;
    case BookLock::Result::Taken:
        removeLeftoverTemporaries(m_folder);
        removeExpiredTrash(m_folder, m_services.clock.now());
        break;
    case BookLock::Result::Unavailable:
        break;
    }
    MaintenanceReport report;
    if (completeBook(m_folder, report) >= 0 && !report.ok()) {
        // The windows still open (reading what there is); the user learns why pages are missing.
        m_services.prompter.ask({QStringLiteral("ORVELAN Error"),
                                 QStringLiteral(" A new address book could not be created in ") +
                                     m_folder.root() + QStringLiteral(":\r\n") +
                                     report.failures.join(QStringLiteral("\r\n")),
                                 PromptIcon::Exclamation, PromptButtons::Ok});
    }
    m_session = std::make_unique<Session>(m_folder, m_services, m_commandLine);
    m_session->passwordAccepted = false;
    m_session->store().setCurrentTab(1);
    m_session->loadSettings();
    return true;
}

} // namespace orvelan
