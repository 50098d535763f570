#include "book/BlankPageRemoval.h"

#include "store/BookMaintenance.h"

namespace orvelan {

void removeBlankPagesWithStatus(Session& session, BookWindow& book) {
    Clock& clock = session.services().clock;
    const MaintenanceReport report =
        removeBlankPages(session.folder(), [&](const QString& status, double seconds) {
            book.setStatusText(status);
            clock.pause(seconds);
        });
    if (!report.ok()) {
        session.services().prompter.ask(
            {QStringLiteral("ORVELAN Error"),
             QStringLiteral(" Some tabs could not be rebuilt; they keep their pages:  ") +
                 QStringLiteral("\r\n") + report.failures.join(QStringLiteral("\r\n")),
             PromptIcon::Exclamation, PromptButtons::Ok});
    }
    book.setStatusText(QStringLiteral("Done"));
    PageStore& store = session.store();
    store.setCurrentTab(1);
    store.selectTabFile();
    store.setCurrentPage(1);
    book.showFirstPage();
    clock.pause(0.4);
    book.setStatusText(QStringLiteral("ORVELAN Ready..."));
    clock.pause(0.4);
    book.setStatusText(QString());
}

} // namespace orvelan
