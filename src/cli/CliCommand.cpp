#include "cli/CliCommand.h"
#include "cli/ToolFaults.h"

#include "store/PageRecord.h"
#include "store/TabTable.h"

#include "store/BookMaintenance.h"
#include "store/PrivateFiles.h"
#include "store/Trash.h"
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace orvelan::cli {

int tabArgument(const QString& text) {
    const int tab = parseTab(text);
    if (tab < 0)
        throw CliError{
            QStringLiteral("'%1' is not a tab: give 0 to 25 or a letter A to Z.").arg(text)};
    return tab;
}

qint64 pageArgument(const QString& text) {
    bool ok = false;
    const qint64 page = text.toLongLong(&ok);
    if (!ok || page < 1)
        throw CliError{QStringLiteral("'%1' is not a page number (1 or more).").arg(text)};
    return page;
}

std::pair<int, QString> fieldAssignment(const QString& text) {
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0)
        throw CliError{QStringLiteral("'%1' is not FIELD=VALUE.").arg(text)};
    const int field = fieldByName(QStringView(text).first(equals));
    if (field < static_cast<int>(Field::Name) || field > static_cast<int>(Field::Notes))
        throw CliError{QStringLiteral("'%1' is not a page field (Name, Addr1 ... Addr6, Phone1, "
                                      "Phone2, Mobile, Fax, Pager, Email, Group, Organisation, "
                                      "JobTitle, Department, OrgAddr1 ... OrgAddr6, OrgEmail, "
                                      "OrgWeb, Notes).")
                           .arg(text.first(equals))};
    return {field - 1, text.mid(equals + 1)};
}

DesktopServices& desktopOf(const CliContext& context) {
    if (!context.desktop)
        throw CliError{QStringLiteral("This run cannot print, sync or reach the keyring.")};
    return *context.desktop;
}

void printJson(CliContext& context, const QJsonValue& value) {
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    context.out << QString::fromUtf8(document.toJson(QJsonDocument::Indented));
}

void JsonArrayWriter::append(const QJsonObject& element) {
    if (!m_context.json)
        return;
    m_context.out << (m_started ? ",\n" : "[\n")
                  << QString::fromUtf8(QJsonDocument(element).toJson(QJsonDocument::Compact));
    m_started = true;
}

JsonArrayWriter::~JsonArrayWriter() {
    if (m_context.json)
        m_context.out << (m_started ? "\n]\n" : "[\n]\n");
}

std::unique_ptr<BookLock> lockBook(const BookFolder& folder) {
    makePrivateFolder(folder.root());
    auto lock = std::make_unique<BookLock>(folder);
    switch (lock->take(std::chrono::seconds(5))) {
    case BookLock::Result::Taken:
        break;
    case BookLock::Result::HeldByWindow:
        throw toolError(Fault::BookBusy, QStringLiteral("The address book window has this book "
                                                        "open; finish it first."));
    case BookLock::Result::HeldByCommand:
        throw toolError(Fault::BookBusy, QStringLiteral("Another orvelan-book command kept this "
                                                        "book locked for 5 seconds; try again."));
    case BookLock::Result::Unavailable:
        lock.reset(); // the folder cannot hold a lock file (read-only): the write will tell
        break;
    }
    if (lock) {
        removeLeftoverTemporaries(folder);
        removeExpiredTrash(folder, QDateTime::currentDateTimeUtc());
    }
    MaintenanceReport report;
    completeBook(folder, report);
    if (!report.ok())
        throw CliError{report.failures.join(u' ')};
    return lock;
}

ProgressLine::ProgressLine(CliContext& context, QString what)
    : m_context(context), m_what(std::move(what)) {}

ProgressLine::~ProgressLine() {
    if (m_shown >= 0) {
        m_context.err << '\r' << QString(m_what.size() + 6, u' ') << '\r';
        m_context.err.flush();
    }
}

void ProgressLine::show(double fraction) {
    if (!m_context.progress)
        return;
    const int percent = std::clamp(static_cast<int>(fraction * 100), 0, 100);
    if (percent == m_shown)
        return;
    m_shown = percent;
    m_context.err << '\r' << m_what << QStringLiteral(": %1%").arg(percent, 3);
    m_context.err.flush();
}

} // namespace orvelan::cli
