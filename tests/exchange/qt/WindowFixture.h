#pragma once

#include "exchange/ExchangeHost.h"
#include "store/Session.h"
#include "support/FakeClock.h"
#include "support/QtTestMain.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedPrompter.h"
#include "support/TempBook.h"
#include "ui/LabelButton.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include <memory>

namespace orvelan::test {

class NoLauncher final : public DesktopLauncher {
public:
    bool openUrl(const QUrl&) override { return true; }
};

class RecordingHost final : public ExchangeHost {
public:
    QRect bookFrame() const override { return QRect(100, 100, 600, 400); }
    void openHelpPage(const QString& fileName) override { helpPages.append(fileName); }
    void restorePosition() override { ++restored; }
    QString exchangeFolder() const override { return folder; }
    void setExchangeFolder(const QString& chosen) override { folder = chosen; }
    QStringList helpPages;
    QString folder = QStringLiteral("/home/someone");
    int restored = 0;
};

// A book in a temporary folder with the session, the scripted platform and a host.
struct WindowFixture {
    TempBook book;
    ScriptedPrompter prompter;
    FakeClock clock;
    NoLauncher launcher;
    ScriptedFileDialogs dialogs;
    RecordingHost host;
    Session session{book.folder(), Services{prompter, clock, launcher}};

    QString writeFile(const QString& name, const QByteArray& bytes) const {
        return writeBytes(book.root() + u'/' + name, bytes);
    }
};

// The fixture with a window of type W open on it, made once `before` has prepared the book.
template <typename W> struct WindowOn : WindowFixture {
    explicit WindowOn(void (*before)(WindowFixture&) = nullptr)
        : prepared(before ? (before(*this), true) : false) {
        w.open();
    }
    bool prepared;
    W w{session, dialogs, host};
};

template <typename T> T* control(QWidget* window, const char* name) {
    return findControl<T>(*window, name);
}

inline LabelButton* label(QWidget* window, const char* name) {
    return control<LabelButton>(window, name);
}

inline void click(QWidget* window, const char* name) {
    QTest::mouseClick(control<QWidget>(window, name), Qt::LeftButton);
}

inline QString info(QWidget* window, const char* name) {
    return control<QLabel>(window, name)->text();
}

inline QStringList items(QWidget* window, const char* name) {
    QStringList lines;
    const auto* list = control<QListWidget>(window, name);
    for (int i = 0; i < list->count(); ++i)
        lines.append(list->item(i)->text());
    return lines;
}

inline void selectRow(QWidget* window, const char* name, int row) {
    auto* list = control<QListWidget>(window, name);
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

} // namespace orvelan::test
