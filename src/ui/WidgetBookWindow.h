#pragma once

#include "platform/BookWindow.h"
#include "platform/Twips.h"

#include <QString>

#include <functional>

namespace orvelan {

// Lets the run of the program drive a main-window widget. The widget stays alive between
// openings; "loading" it again runs `onLoad` (page 1 of tab 1, the options panel refilled).
// MainWindow needs: move(), x(), y(), showNormal(), hide(), showFirstPage(),
// setStatusText(QString).
template <class MainWindow> class WidgetBookWindow final : public BookWindow {
public:
    WidgetBookWindow(MainWindow& window, std::function<void()> onLoad)
        : m_window(window), m_onLoad(std::move(onLoad)) {}

    void placeAt(int leftTwips, int topTwips) override {
        const auto [x, y] = m_place.place(leftTwips, topTwips);
        m_window.move(x, y);
        if (!m_loaded) {
            m_loaded = true;
            if (m_onLoad)
                m_onLoad();
        }
    }
    int leftTwips() const override { return m_place.left(m_window.x()); }
    int topTwips() const override { return m_place.top(m_window.y()); }
    void showNormal() override {
        m_window.showNormal();
        m_window.raise();
        m_window.activateWindow();
    }
    void unload() override {
        m_window.hide();
        m_loaded = false;
    }
    void showFirstPage() override { m_window.showFirstPage(); }
    void setStatusText(const QString& text) override { m_window.setStatusText(text); }
    bool mayLeavePage() override {
        if constexpr (requires { m_window.editor().confirmLeavePage(); }) {
            m_window.editor().confirmLeavePage();
            return !m_window.book().store().leaveCancelled;
        }
        return true;
    }

    bool isLoaded() const { return m_loaded; }

private:
    MainWindow& m_window;
    std::function<void()> m_onLoad;
    TwipsPlace m_place;
    bool m_loaded = false;
};

} // namespace orvelan
