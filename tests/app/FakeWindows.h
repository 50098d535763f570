#pragma once

#include "platform/BookWindow.h"
#include "store/Session.h"

#include <QStringList>

#include <functional>

namespace orvelan::test {

// Window stand-ins that record what the run of the program asks of them.
struct FakeBook final : BookWindow {
    void placeAt(int l, int t) override {
        if (!loaded)
            ++loads;
        loaded = true;
        left = l;
        top = t;
    }
    int leftTwips() const override { return left; }
    int topTwips() const override { return top; }
    void showNormal() override { shown = true; }
    void unload() override {
        shown = false;
        loaded = false;
    }
    void showFirstPage() override { ++firstPageShown; }
    void setStatusText(const QString& text) override { statuses.append(text); }

    int left = 0, top = 0, loads = 0, firstPageShown = 0;
    bool loaded = false, shown = false;
    QStringList statuses;
};

struct FakeClosedBook final : ClosedBook {
    void placeAt(int l, int t) override {
        left = l;
        top = t;
    }
    int leftTwips() const override { return left; }
    int topTwips() const override { return top; }
    void showWindow() override { shown = true; }
    void unload() override { shown = false; }
    void setCaption(const QString& text) override { caption = text; }
    void minimise() override { minimised = true; }

    int left = 0, top = 0;
    bool shown = false, minimised = false;
    QString caption;
};

// Answers the password window with a chosen outcome and remembers the modes it was run in.
struct FakePassword final : PasswordPrompt {
    explicit FakePassword(Session& s) : session(s) {}
    void run(int mode) override {
        modes.append(mode);
        if (accept)
            session.passwordAccepted = true;
        else
            session.passwordCancelled = true;
    }
    Session& session;
    bool accept = true;
    QList<int> modes;
};

} // namespace orvelan::test
