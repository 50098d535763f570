#pragma once

#include <QString>

namespace orvelan {

// What the run of the program needs from the main window (the open book). Positions are twips.
class BookWindow {
public:
    virtual ~BookWindow() = default;
    // Moves the window, loading it first when it is not loaded yet.
    virtual void placeAt(int leftTwips, int topTwips) = 0;
    virtual int leftTwips() const = 0;
    virtual int topTwips() const = 0;
    virtual void showNormal() = 0;
    virtual void unload() = 0;
    // Page 1 of tab 1 with the tab strip in its start state.
    virtual void showFirstPage() = 0;
    virtual void setStatusText(const QString& text) = 0;
    // Offers to save a changed page before a whole-book operation; false when the user kept
    // the page (Cancel, or a save the name checks refused).
    virtual bool mayLeavePage() { return true; }
};

// What the run of the program needs from the floating closed-book window.
class ClosedBook {
public:
    virtual ~ClosedBook() = default;
    virtual void placeAt(int leftTwips, int topTwips) = 0;
    virtual int leftTwips() const = 0;
    virtual int topTwips() const = 0;
    virtual void showWindow() = 0;
    virtual void unload() = 0;
    virtual void setCaption(const QString& caption) = 0;
    virtual void minimise() = 0;
};

// Runs the modal password window in the given mode (1 set, 2 enter); the window sets the
// session's password-accepted or cancelled flag before it returns.
class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    virtual void run(int mode) = 0;
};

} // namespace orvelan
