#include "app/qt/AssembledBook.h"

#include "search/qt/FindWindow.h"
#include "ui/LabelButton.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

constexpr int SkipExitCode = 77;

// A virtual X display with the openbox window manager on it, started before the application
// connects and ended after it has gone.
class WindowManagerSession {
public:
    ~WindowManagerSession() { stop(); }

    // Empty on success, else why the session could not start.
    QString start() {
        for (const char* tool : {"Xvfb", "openbox", "xdotool"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                return u"%1 is not installed"_s.arg(QLatin1StringView(tool));
        }
        int displayPipe[2];
        if (pipe(displayPipe) != 0)
            return u"no pipe"_s;
        const std::string fd = std::to_string(displayPipe[1]);
        m_xvfb = spawn(
            {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1000x24", "-nolisten", "tcp"});
        close(displayPipe[1]);
        char number[16] = {};
        const ssize_t read = ::read(displayPipe[0], number, sizeof number - 1);
        close(displayPipe[0]);
        if (m_xvfb <= 0 || read <= 0)
            return u"Xvfb did not start"_s;
        m_display = QByteArray(":") + QByteArray(number).trimmed();
        qputenv("DISPLAY", m_display);
        // openbox runs its start-up command once it manages the display.
        const QByteArray ready = QFile::encodeName(m_folder.filePath(u"window-manager-ready"_s));
        const QByteArray startup = "touch " + ready;
        m_openbox = spawn({"openbox", "--sm-disable", "--startup", startup.constData()});
        if (m_openbox <= 0)
            return u"openbox did not start"_s;
        for (int i = 0; i < 100; ++i) {
            if (QFile::exists(QFile::decodeName(ready)))
                return {};
            usleep(50 * 1000);
        }
        return u"openbox did not take the display"_s;
    }

    void stop() {
        for (pid_t* pid : {&m_openbox, &m_xvfb}) {
            if (*pid > 0) {
                kill(*pid, SIGTERM);
                waitpid(*pid, nullptr, 0);
                *pid = 0;
            }
        }
    }

private:
    // Starts a program that ends with this test, even when the test itself is killed.
    static pid_t spawn(std::initializer_list<const char*> arguments) {
        std::vector<char*> argv;
        for (const char* argument : arguments)
            argv.push_back(const_cast<char*>(argument));
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid != 0)
            return pid;
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }

    QTemporaryDir m_folder;
    pid_t m_xvfb = 0;
    pid_t m_openbox = 0;
    QByteArray m_display;
};

// The pointer and buttons of the X server, as a person moves them.
void xdotool(const QStringList& arguments) {
    QProcess::execute(u"xdotool"_s, arguments);
}
void pointerTo(const QWidget* widget, QPoint at) {
    const QPoint global = widget->mapToGlobal(at);
    xdotool({u"mousemove"_s, QString::number(global.x()), QString::number(global.y())});
}
void clickOn(const QWidget* widget) {
    pointerTo(widget, widget->rect().center());
    xdotool({u"click"_s, u"1"_s});
    QTest::qWait(300);
}
// The X window id of the program's first window whose name matches `pattern`, once it shows.
QString windowNamed(const QString& pattern) {
    QProcess search;
    search.start(u"xdotool"_s,
                 {u"search"_s, u"--sync"_s, u"--onlyvisible"_s, u"--name"_s, pattern});
    if (!search.waitForFinished(15000))
        return {};
    return QString::fromLatin1(search.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
}
// Where the window manager has put an X window, as xdotool reads it.
QRect windowGeometry(const QString& window) {
    QProcess get;
    get.start(u"xdotool"_s, {u"getwindowgeometry"_s, u"--shell"_s, window});
    get.waitForFinished();
    QMap<QString, int> values;
    for (const QString& line : QString::fromLatin1(get.readAllStandardOutput()).split(u'\n'))
        values.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
    return {values[u"X"_s], values[u"Y"_s], values[u"WIDTH"_s], values[u"HEIGHT"_s]};
}
void pointerBy(int dx, int dy) {
    xdotool({u"mousemove_relative"_s, u"--"_s, QString::number(dx), QString::number(dy)});
    QTest::qWait(300);
}

} // namespace

// The windows under a real window manager: what a press starts, how minimised windows come
// back, and where windows are placed on the screen.
class WindowManagerTest : public QObject {
    Q_OBJECT

    static void openAt(AssembledBook& run, int cuvaLeftTwips) {
        run.session.settings().setCuvaPosition(cuvaLeftTwips, 3000);
        run.program->run().showClosedBookAtStart();
        run.program->run().openBook();
        QVERIFY(QTest::qWaitForWindowExposed(&run.mainWindow));
        QTest::qWait(300);
    }

private Q_SLOTS:
    // A label button takes its own press and click; only the background moves the window,
    // and a move ends with the button.
    void onlyTheBackgroundMovesAWindow() {
        TempBook book;
        book.writeTab(1, {TempBook::named("Adams")});
        AssembledBook run(book);
        openAt(run, 9000);
        const QPoint before = run.mainWindow.frameGeometry().topLeft();

        clickOn(run.find("EditLa"));
        QTRY_VERIFY(run.find("StatTABLa")->isVisible());
        pointerBy(60, 40);
        QCOMPARE(run.mainWindow.frameGeometry().topLeft(), before);

        pointerTo(&run.mainWindow, QPoint(4, 300)); // the desk left of the thumb tabs
        xdotool({u"mousedown"_s, u"1"_s});
        QTest::qWait(300);
        pointerBy(60, 40);
        xdotool({u"mouseup"_s, u"1"_s});
        QTest::qWait(300);
        QTRY_COMPARE(run.mainWindow.frameGeometry().topLeft(), before + QPoint(60, 40));
        pointerBy(30, 30);
        QCOMPARE(run.mainWindow.frameGeometry().topLeft(), before + QPoint(60, 40));
    }

    // The program itself: a click on the options panel's background the moment the pointer
    // gets there (as after the import window was closed with Esc) starts no move that outlives
    // the click, so the book stays put as the pointer goes on.
    void aQuickClickOnTheBackgroundMovesNothing() {
        QTemporaryDir home;
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"ORVELAN_HOME"_s, home.path());
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(ORVELAN_PROGRAM), {});
        QVERIFY(program.waitForStarted());
        const QString closedBook = windowNamed(u"ORVELAN \\["_s);
        QVERIFY(!closedBook.isEmpty());
        const QRect closed = windowGeometry(closedBook);
        xdotool({u"mousemove"_s, QString::number(closed.center().x()),
                 QString::number(closed.center().y()), u"click"_s, u"1"_s});
        const QString book = windowNamed(u"Secure Address Book"_s);
        QVERIFY(!book.isEmpty());
        QTest::qWait(500);
        xdotool({u"key"_s, u"ctrl+o"_s});
        QTest::qWait(500);
        const QRect before = windowGeometry(book);
        const QPoint panel = before.topLeft() + QPoint(316, 433); // below the group boxes
        for (int round = 0; round < 3; ++round) {
            xdotool({u"mousemove"_s, QString::number(before.right() + 100),
                     QString::number(before.bottom() + 100)});
            QTest::qWait(300);
            xdotool({u"mousemove"_s, QString::number(panel.x()), QString::number(panel.y()),
                     u"click"_s, u"1"_s});
            QTest::qWait(300);
            pointerBy(80, 50);
            pointerBy(40, 20);
            const QRect after = windowGeometry(book);
            xdotool({u"click"_s, u"1"_s}); // ends a move gone astray
            QCOMPARE(after.topLeft(), before.topLeft());
        }
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
    }

    // The find box as a person uses it under a window manager: Ctrl+F from the book, then keys
    // typed one at a time on the X keyboard; each narrows the list, and the line names the
    // field that matched.
    void theFindBoxNarrowsItsListWithEachKeyTyped() {
        TempBook book;
        book.writeTab(1, {TempBook::named("Adams"), TempBook::named("Avery")});
        book.writeTab(9, {TempBook::record({{Field::Name, "Ivanov"},
                                            {Field::Phone1, "020 7946 0456"},
                                            {Field::Mobile, "+7 495 123-45-67"}})});
        AssembledBook run(book);
        openAt(run, 9000);
        clickOn(run.find("SNameTB")); // the book has the keyboard
        run.key(Qt::Key_F, Qt::ControlModifier);
        FindWindow* find = run.openBook->findWindow();
        QTRY_VERIFY(find && find->isVisible());
        QTRY_VERIFY(QApplication::focusWidget() == run.find<QLineEdit>(*find, "FindBox"));
        const QAbstractItemModel* list = run.find<QListView>(*find, "FindList")->model();
        QCOMPARE(list->rowCount(), 3);
        QList<int> rows;
        for (const char* key : {"4", "5", "6", "7"}) {
            xdotool({u"type"_s, QLatin1StringView(key)});
            QTest::qWait(200);
            rows << list->rowCount();
        }
        QCOMPARE(rows, (QList<int>{1, 1, 1, 1}));
        QVERIFY2(list->index(0, 0).data().toString().contains(u"Mobile: +7 495 123-45-67"),
                 qPrintable(list->index(0, 0).data().toString()));
    }

    // Minimised with the book, the search window is a window again when it is next opened;
    // and it closes with the Find label turning grey.
    void aMinimisedSearchWindowComesBackAsAWindow() {
        TempBook book;
        book.writeTab(1, {TempBook::named("Adams")});
        storeSettings(book, [](Settings& s) { s.setFlag(Settings::EnableMinimise, true); });
        AssembledBook run(book);
        openAt(run, 9000);
        clickOn(run.find("FindLa"));
        QTRY_VERIFY(run.openBook->findWindow());
        FindWindow* find = run.openBook->findWindow();
        QVERIFY(QTest::qWaitForWindowExposed(find));

        clickOn(run.find("AminoImage"));
        QTRY_VERIFY(run.mainWindow.isMinimized());
        QTRY_VERIFY(find->isMinimized());
        run.adapter.showNormal(); // as the desktop's task list brings the book back
        QTRY_VERIFY(!run.mainWindow.isMinimized());
        QTest::qWait(300);

        clickOn(run.find("FindLa"));
        QTRY_VERIFY(find->isVisible() && !find->isMinimized());
        QVERIFY(QTest::qWaitForWindowExposed(find));
        QCOMPARE(run.find<LabelButton>("FindLa")->colour(), LabelColour::Blue);

        clickOn(run.find(*find, "CancelLa"));
        QTRY_VERIFY(!find->isVisible());
        QTest::qWait(300);
        QCOMPARE(run.find<LabelButton>("FindLa")->colour(), LabelColour::Grey);

        // Closed at once after opening, before the desktop has reported it active.
        run.click("FindLa");
        run.click(*find, "CancelLa");
        QTest::qWait(500);
        QVERIFY(!find->isVisible());
        QCOMPARE(run.find<LabelButton>("FindLa")->colour(), LabelColour::Grey);
    }

    // The book opens inside the screen even from a closed book at its left edge; where no
    // correction was needed, the places in twips come back exactly.
    void windowsStayInsideTheScreen() {
        TempBook book;
        AssembledBook run(book);
        openAt(run, 9000);
        QCOMPARE(run.adapter.leftTwips(), 9000 - OpenBookOffsetTwips);
        run.click("CloseLa");
        QTRY_VERIFY(run.program->closedBook().isVisible());
        QCOMPARE(run.program->closedBook().leftTwips(), 9000);

        run.program->run().openBook(); // from the closed book now
        QVERIFY(QTest::qWaitForWindowExposed(&run.mainWindow));
        run.click("CloseLa");
        QTRY_VERIFY(run.program->closedBook().isVisible());

        openAt(run, 300);
        const QRect area = run.mainWindow.screen()->availableGeometry();
        QVERIFY(area.contains(run.mainWindow.frameGeometry()));
        run.click("CloseLa");
        QTRY_VERIFY(run.program->closedBook().isVisible());
        QVERIFY(area.contains(run.program->closedBook().frameGeometry()));

        run.session.settings().setCuvaPosition(40000, 30000);
        run.program->run().showClosedBookAtStart();
        QTest::qWait(300);
        QVERIFY(area.contains(run.program->closedBook().frameGeometry()));
    }
};

int main(int argc, char** argv) {
    WindowManagerSession session;
    if (const QString why = session.start(); !why.isEmpty()) {
        std::printf("SKIP: the window manager test needs a virtual X display: %s\n",
                    qPrintable(why));
        return SkipExitCode;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result = 0;
    {
        QApplication app(argc, argv);
        WindowManagerTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    session.stop();
    return result;
}

#include "WindowManagerTest.moc"
