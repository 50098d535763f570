#pragma once

#include "platform/BookWindow.h"
#include "store/Session.h"

#include <QObject>

namespace orvelan {

// The run of the program between start-up and its end: the closed book, opening the book
// through the password gate and the data reset, closing it back, and finishing.
class BookRun : public QObject {
    Q_OBJECT
public:
    BookRun(Session& session, BookWindow& book, ClosedBook& closedBook, PasswordPrompt& password,
            QObject* parent = nullptr);

    // The closed book at its stored position (a first run uses a default place).
    void showClosedBookAtStart();

    enum class Outcome { Opened, Ended };
    Outcome openBook();
    // After the main window's own save prompts: the closed book comes back beside it.
    void closeBook();
    // The finish action of the closed book. Returns true when the program ends.
    bool finish();
    // The closed book's minimise action.
    void minimiseClosedBook();

    QString caption() const;
    bool hasEnded() const { return m_ended; }
    int exitCode() const { return m_exitCode; }

    static constexpr int DefaultLeftTwips = 9000;
    static constexpr int DefaultTopTwips = 3000;

Q_SIGNALS:
    // The program ends with this exit code; the windows are already unloaded.
    void endRequested(int exitCode);
    // The search window goes away with the closed book at the end of a run.
    void searchWindowUnloadRequested();

private:
    bool runDataResetOnce(); // false when the user chose Cancel
    void showBookAndUnloadClosedBook();
    void end(int exitCode);

    Session& m_session;
    BookWindow& m_book;
    ClosedBook& m_closedBook;
    PasswordPrompt& m_password;
    bool m_dataResetDone = false;
    bool m_ended = false;
    int m_exitCode = 0;
};

// The caption of the closed book; the minimise action writes "UN LOCKED" with a space.
QString closedBookCaption(const Settings& settings, bool passwordAccepted,
                          bool forMinimise = false);

// Asks nothing and returns true when minimising is allowed; otherwise tells the user why not.
bool mayMinimiseBook(const Settings& settings, Prompter& prompter);
bool mayMinimiseClosedBook(const Settings& settings, Prompter& prompter);

PromptRequest dataResetQuestion();
PromptRequest dataResetDone();
PromptRequest finishQuestion();

} // namespace orvelan
