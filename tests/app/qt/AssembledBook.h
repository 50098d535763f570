#pragma once

#include "app/FakeWindows.h"

#include "app/qt/OpenBook.h"
#include "app/qt/Program.h"
#include "book/qt/MainWindow.h"
#include "support/FakeClock.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompter.h"
#include "support/TempBook.h"
#include "ui/WidgetBookWindow.h"

#include <QTest>

#include <memory>

namespace orvelan::test {

// The program as main() assembles it: the closed book, the real open book with its options
// panel, telephony area, search window and printing, on a temporary book.
struct AssembledBook {
    explicit AssembledBook(const TempBook& book,
                           const QString& commandLine = QStringLiteral("orvelan -TAPI"))
        : session(book.folder(), Services{prompter, clock, launcher},
                  CommandLine::parse(commandLine)),
          mainWindow(session), password(session), adapter(mainWindow, [this] {
              program->mainWindowLoaded();
              openBook->firstLoad();
              openBook->syncWhenOpen();
          }) {
        session.loadSettings();
        mainWindow.setEnder([this] { ended = true; });
        program = std::make_unique<Program>(session, HelpPages(QStringLiteral("/help")), adapter,
                                            password);
        openBook = std::make_unique<OpenBook>(session, *program, mainWindow);
        program->start();
    }
    template <class T = QWidget> T* find(QWidget& in, const char* name) {
        const QList<T*> all = in.findChildren<T*>(QLatin1StringView(name));
        if (all.size() != 1)
            qFatal("expected one control %s, found %d", name, int(all.size()));
        return all.first();
    }
    template <class T = QWidget> T* find(const char* name) { return find<T>(mainWindow, name); }
    void click(QWidget& in, const char* name) { QTest::mouseClick(find(in, name), Qt::LeftButton); }
    void click(const char* name) { click(mainWindow, name); }
    // A key pressed while the focus is in the page view.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target && mainWindow.isAncestorOf(target) ? target : &mainWindow, key,
                        modifiers);
    }

    ScriptedPrompter prompter;
    FakeClock clock;
    RecordingLauncher launcher;
    Session session;
    OrVel mainWindow;
    FakePassword password;
    WidgetBookWindow<OrVel> adapter;
    std::unique_ptr<Program> program;
    std::unique_ptr<OpenBook> openBook;
    bool ended = false;
};

} // namespace orvelan::test
