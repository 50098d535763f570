// Draws the program's windows on a sample book into PNG files, as the desktop would show them:
// scripts/screenshots.sh runs it at 100% and 200% scale and under a dark desktop palette.
//
//   orvelan_screenshots OUTDIR SUFFIX [--dark]
#include "app/qt/ClosedBookWindow.h"
#include "book/qt/MainWindow.h"
#include "store/BookMaintenance.h"
#include "store/PageStore.h"
#include "store/Session.h"

#include <QApplication>
#include <QDir>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdio>

using namespace orvelan;

namespace {

class NoPrompts final : public Prompter {
public:
    PromptAnswer ask(const PromptRequest&) override { return PromptAnswer::Ok; }
};
class NoLauncher final : public DesktopLauncher {
public:
    bool openUrl(const QUrl&) override { return true; }
};

QPalette darkDesktop() {
    QPalette dark(QColor(230, 230, 230), QColor(45, 45, 48));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    return dark;
}

// Two pages under B, one of them with every part of a page filled.
void fillSampleBook(Session& session) {
    PageTexts baker;
    baker[0] = QStringLiteral("Baker, Alice");
    baker[1] = QStringLiteral("12 Mill Lane");
    baker[2] = QStringLiteral("Hebden Bridge");
    baker[3] = QStringLiteral("HX7 8AB");
    baker[7] = QStringLiteral("01422 555 0142");
    baker[9] = QStringLiteral("07700 900 123");
    baker[12] = QStringLiteral("alice@example.org");
    baker[13] = QStringLiteral("Friends");
    baker[14] = QStringLiteral("Baker & Daughters");
    baker[15] = QStringLiteral("Master baker");
    baker[23] = QStringLiteral("orders@baker.example");
    baker[24] = QStringLiteral("www.baker.example");
    baker[25] = QStringLiteral("Sourdough on Fridays.\nCall before nine.");
    session.store().saveNewPage(baker);
    PageTexts bell;
    bell[0] = QStringLiteral("Bell, Graham");
    session.store().saveNewPage(bell);
}

bool save(QWidget& window, const QString& path) {
    if (!window.isVisible())
        window.show();
    QCoreApplication::processEvents();
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: orvelan_screenshots OUTDIR SUFFIX [--dark]\n");
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (args.contains(QStringLiteral("--dark")))
        QApplication::setPalette(darkDesktop());
    const QString out = args[1];
    const QString suffix = args[2];
    QDir().mkpath(out);

    QTemporaryDir folder;
    NoPrompts prompter;
    SystemClock clock;
    NoLauncher launcher;
    const BookFolder book(folder.path());
    MaintenanceReport created;
    createBookIfMissing(book, created);
    Session session(book, Services{prompter, clock, launcher});
    fillSampleBook(session);

    OrVel open(session);
    open.showFirstPage();
    open.showPage(2, 1);
    ClosedBookWindow closed;
    closed.setCaption(QStringLiteral("ORVELAN [UN-LOCKED]"));
    closed.showWindow(); // as the program shows it: the window holds the focus
    const bool ok =
        save(open, out + QStringLiteral("/main-window") + suffix + QStringLiteral(".png")) &&
        save(closed, out + QStringLiteral("/closed-book") + suffix + QStringLiteral(".png"));
    return ok ? 0 : 1;
}
