#include "app/BookRun.h"

#include "platform/Twips.h"
#include "store/BookMaintenance.h"

namespace orvelan {

namespace {
const QString CrLf = QStringLiteral("\r\n");
} // namespace

QString closedBookCaption(const Settings& settings, bool passwordAccepted, bool forMinimise) {
    if (settings.flag(Settings::UsePasswordOnStartUp) && !passwordAccepted)
        return QStringLiteral("ORVELAN [LOCKED]");
    return forMinimise ? QStringLiteral("ORVELAN [UN LOCKED]")
                       : QStringLiteral("ORVELAN [UN-LOCKED]");
}

bool mayMinimiseBook(const Settings& settings, Prompter& prompter) {
    if (settings.flag(Settings::EnableMinimise))
        return true;
    prompter.ask({QStringLiteral("Secure Address Book"),
                  QStringLiteral("Minimisation is currently Disabled, to Restore it: Click "
                                 "[ Options ]     "),
                  PromptIcon::Information, PromptButtons::Ok});
    return false;
}

bool mayMinimiseClosedBook(const Settings& settings, Prompter& prompter) {
    if (settings.flag(Settings::EnableMinimise))
        return true;
    prompter.ask({QStringLiteral("Secure Address Book"),
                  QStringLiteral("Minimisation has been Disabled, to Restore: Open and click "
                                 "[ Options ]   "),
                  PromptIcon::Information, PromptButtons::Ok});
    return false;
}

PromptRequest dataResetQuestion() {
    const QString text =
        QStringLiteral("ORVELAN is now running with the Command-Line switch [ /DRST ] active. ") +
        CrLf + CrLf +
        QStringLiteral("This action will overwrite all current address data with one new blank "
                       "page for each      ") +
        CrLf +
        QStringLiteral("tab.  Note that all addresses and other information will be lost - "
                       "Permanently.  You ") +
        CrLf + QStringLiteral("can't recover these files. ") + CrLf + CrLf +
        QStringLiteral("Do you wish to proceed?");
    return {QStringLiteral("Ostrowvale Solutions Data Reset"), text, PromptIcon::Exclamation,
            PromptButtons::YesNoCancel};
}

PromptRequest dataResetDone() {
    return {QStringLiteral("Ostrowvale Solutions Limited"),
            QStringLiteral(" 1 NEW BLANK Page for Each Tab; [ A through Z ] Created OK    "),
            PromptIcon::None, PromptButtons::Ok};
}

PromptRequest finishQuestion() {
    return {QStringLiteral("Ostrowvale Solutions"),
            QStringLiteral("This will FINISH the Current ORVELAN Program Session.   "),
            PromptIcon::Exclamation, PromptButtons::OkCancel};
}

BookRun::BookRun(Session& session, BookWindow& book, ClosedBook& closedBook,
                 PasswordPrompt& password, QObject* parent)
    : QObject(parent), m_session(session), m_book(book), m_closedBook(closedBook),
      m_password(password) {}

QString BookRun::caption() const {
    return closedBookCaption(m_session.settings(), m_session.passwordAccepted);
}

void BookRun::showClosedBookAtStart() {
    const Settings& settings = m_session.settings();
    m_closedBook.placeAt(settings.cuvaLeft().value_or(DefaultLeftTwips),
                         settings.cuvaTop().value_or(DefaultTopTwips));
    m_closedBook.setCaption(caption());
    m_closedBook.showWindow();
}

BookRun::Outcome BookRun::openBook() {
    if (m_ended)
        return Outcome::Ended;
    m_book.placeAt(m_closedBook.leftTwips() - OpenBookOffsetTwips, m_closedBook.topTwips());

    // An encrypted book opens only with its password, whatever the option says.
    const bool locked =
        m_session.folder().sealing().state() == BookSealing::State::Locked;
    if (!m_session.settings().flag(Settings::UsePasswordOnStartUp) && !locked) {
        if (!m_session.firstOpeningDone) {
            m_session.firstOpeningDone = true;
            if (!runDataResetOnce())
                return Outcome::Ended;
        }
    } else if (!m_session.passwordAccepted) {
        const bool noPasswordStored =
            m_session.settings().masterPassword().trimmed().isEmpty() &&
            !m_session.folder().sealing().encrypted();
        m_session.passwordCancelled = false;
        m_password.run(noPasswordStored ? 1 : 2);
        if (m_session.passwordCancelled || !m_session.passwordAccepted) {
            m_book.unload();
            m_closedBook.unload();
            end(0);
            return Outcome::Ended;
        }
        // The reset is asked for once in a run, whichever way the book was first opened.
        m_session.firstOpeningDone = true;
        if (!runDataResetOnce())
            return Outcome::Ended;
    }
    showBookAndUnloadClosedBook();
    return Outcome::Opened;
}

bool BookRun::runDataResetOnce() {
    if (!m_session.commandLine().dataResetRequested || m_dataResetDone)
        return true;
    m_dataResetDone = true;
    Prompter& prompter = m_session.services().prompter;
    switch (prompter.ask(dataResetQuestion())) {
    case PromptAnswer::Yes:
        break;
    case PromptAnswer::Cancel:
        m_book.unload();
        m_closedBook.unload();
        end(0);
        return false;
    default:
        return true;
    }
    const MaintenanceReport report = resetData(m_session.folder());
    if (report.ok()) {
        prompter.ask(dataResetDone());
    } else {
        prompter.ask({QStringLiteral("ORVELAN Error"),
                      QStringLiteral(" The data reset did not complete:  ") + CrLf +
                          report.failures.join(CrLf),
                      PromptIcon::Critical, PromptButtons::Ok});
    }
    PageStore& store = m_session.store();
    store.setCurrentTab(1);
    store.selectTabFile();
    store.setCurrentPage(1);
    m_book.showFirstPage();
    return true;
}

void BookRun::showBookAndUnloadClosedBook() {
    m_book.showNormal();
    m_closedBook.unload();
}

void BookRun::closeBook() {
    if (m_ended)
        return;
    const int left = m_book.leftTwips();
    const int top = m_book.topTwips();
    m_closedBook.placeAt(left + OpenBookOffsetTwips, top);
    m_closedBook.setCaption(caption());
    m_closedBook.showWindow();
    m_book.unload();
}

bool BookRun::finish() {
    if (m_ended)
        return true;
    if (!m_session.settings().flag(Settings::FinishWithoutPrompting) &&
        m_session.services().prompter.ask(finishQuestion()) == PromptAnswer::Cancel)
        return false;
    m_session.settings().setCuvaPosition(m_closedBook.leftTwips(), m_closedBook.topTwips());
    m_session.saveSettings();
    Q_EMIT searchWindowUnloadRequested();
    m_closedBook.unload();
    end(0);
    return true;
}

void BookRun::minimiseClosedBook() {
    m_closedBook.setCaption(
        closedBookCaption(m_session.settings(), m_session.passwordAccepted, true));
    if (mayMinimiseClosedBook(m_session.settings(), m_session.services().prompter))
        m_closedBook.minimise();
}

void BookRun::end(int exitCode) {
    m_ended = true;
    m_exitCode = exitCode;
    Q_EMIT endRequested(exitCode);
}

} // namespace orvelan
