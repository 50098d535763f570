#include "BenchBook.h"

#include "store/BookMaintenance.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/TabTable.h"

#include <QFile>
#include <QTemporaryFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace orvelan::bench {

namespace {

QByteArray namedPage(int tab, int index) {
    PageRecord page;
    const char letter = tabLabel(tab)[0];
    page[Field::Name] = QByteArray(1, letter) + "person " + QByteArray::number(index);
    page[Field::Addr1] = QByteArray::number(index % 300) + " High Street";
    page[Field::Addr2] = "Springfield";
    page[Field::Phone1] = "0123 " + QByteArray::number(100000 + index);
    page[Field::Email] = "person" + QByteArray::number(index) + "@example.com";
    page[Field::Organisation] = index % 100 == 0 ? "Needle Works" : "Acme Ltd";
    page[Field::Notes] = "Met at the conference.\r\nCall back in spring.";
    page[Field::DateModified] = "06/12/26";
    page[Field::TimeModified] = "12:00";
    return page.toStored();
}

QByteArray scriptsPage(int tab, int index) {
    PageTexts texts;
    const QChar letter = QLatin1Char(tabLabel(tab)[0]);
    texts[0] = letter + QStringLiteral("\u0142ukasz \u0418\u0432\u0430\u043d\u043e\u0432 ") +
               QString::number(index);
    texts[1] = QString::number(index % 300) + QStringLiteral(" ul. \u017bwirki");
    texts[2] = QStringLiteral("\u0141\u00f3d\u017a");
    texts[7] = QStringLiteral("0123 ") + QString::number(100000 + index);
    texts[12] = QStringLiteral("person") + QString::number(index) + QStringLiteral("@example.com");
    texts[14] = index % 100 == 5 ? QStringLiteral("Needle \u738b\u82b3")
                                 : QStringLiteral("\u0391\u03b8\u03ae\u03bd\u03b1 Ltd");
    texts[NotesViewIndex] =
        QStringLiteral("\u0412\u0441\u0442\u0440\u0435\u0447\u0430 \u043d\u0430 "
                       "\u043a\u043e\u043d\u0444\u0435\u0440\u0435\u043d\u0446\u0438\u0438.\n"
                       "\u738b\u82b3 \u5317\u4eac");
    PageRecord page;
    fillRecord(page, texts);
    page[Field::DateModified] = "06/12/26";
    page[Field::TimeModified] = "12:00";
    return page.toStored();
}

} // namespace

BenchBook::BenchBook(int perTab, int utf8Every)
    : m_folder(m_dir.path()), m_perTab(perTab), m_utf8Every(utf8Every) {
    MaintenanceReport report;
    createBookIfMissing(m_folder, report);
    regenerate();
}

void BenchBook::regenerate() {
    for (int tab = 1; tab <= LastTab; ++tab) {
        QByteArray contents;
        contents.reserve(static_cast<qsizetype>(m_perTab) * 21 / 20 * RecordSize);
        for (int i = 0; i < m_perTab; ++i) {
            if (i % 20 == 10)
                contents += blankRecord();
            const bool utf8 = m_utf8Every > 0 && i % m_utf8Every == m_utf8Every / 2;
            contents += utf8 ? scriptsPage(tab, i) : namedPage(tab, i);
        }
        QFile file(m_folder.tabFilePath(tab));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(contents);
    }
}

void BenchBook::writeLongTab(int tab, int pages) const {
    QByteArray contents;
    contents.reserve(static_cast<qsizetype>(pages) * RecordSize);
    for (int i = 0; i < pages; ++i)
        contents += namedPage(tab, i);
    QFile file(m_folder.tabFilePath(tab));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
}

long runMeasured(const char* tool, const QStringList& arguments) {
    return runCosted(tool, arguments).peakKb;
}

ToolCost runCosted(const char* tool, const QStringList& arguments) {
    // The peak is GNU time's: a process started from this one would count this one's memory as
    // its own. The processor time is the system's count for time and the tool, to the microsecond.
    QTemporaryFile report;
    report.open();
    const bool measured = QFile::exists(QStringLiteral("/usr/bin/time"));
    QList<QByteArray> words;
    if (measured)
        words << "/usr/bin/time"
              << "-f"
              << "%M"
              << "-o" << QFile::encodeName(report.fileName());
    words << tool;
    for (const QString& argument : arguments)
        words << argument.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed)
        return {};
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return {};
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    // GNU time puts a note before the figure when the tool failed.
    const long peak = measured ? report.readAll().trimmed().split('\n').last().toLong() : 0;
    return {peak, seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

} // namespace orvelan::bench
