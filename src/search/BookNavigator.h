#pragma once

#include <QRect>
#include <QString>

#include <functional>

namespace orvelan {

// What the search window asks of the main window.
class BookNavigator {
public:
    virtual ~BookNavigator() = default;

    // Makes `tab` current, redraws the tab strip and the tab, shows page `page`, and brings the
    // main window to the front in its normal state.
    virtual void showPage(int tab, qint64 page) = 0;
    // Esc in the search window: the main window to the front (the search window stays open).
    virtual void bringBookToFront() = 0;
    // The main window's frame on the screen, in pixels: the search window is placed beside it.
    virtual QRect bookFrame() const = 0;
    // The search window has been activated: the main window's FindLa turns blue.
    virtual void searchWindowActivated() = 0;
    // F1: opens a help page by its file name ("orvelanfind.htm").
    virtual void openHelpPage(const QString& fileName) = 0;
};

// A navigator made of callbacks, for a main window that would rather connect functions than
// implement the interface. Unset callbacks do nothing (the frame is then empty).
class CallbackNavigator final : public BookNavigator {
public:
    std::function<void(int, qint64)> onShowPage;
    std::function<void()> onBringBookToFront;
    std::function<QRect()> frame;
    std::function<void()> onSearchWindowActivated;
    std::function<void(const QString&)> onOpenHelpPage;

    void showPage(int tab, qint64 page) override {
        if (onShowPage)
            onShowPage(tab, page);
    }
    void bringBookToFront() override {
        if (onBringBookToFront)
            onBringBookToFront();
    }
    QRect bookFrame() const override { return frame ? frame() : QRect(); }
    void searchWindowActivated() override {
        if (onSearchWindowActivated)
            onSearchWindowActivated();
    }
    void openHelpPage(const QString& fileName) override {
        if (onOpenHelpPage)
            onOpenHelpPage(fileName);
    }
};

} // namespace orvelan
