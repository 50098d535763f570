#include "BenchBook.h"

#include "store/BookMaintenance.h"
#include "store/PageRecord.h"
#include "store/TabTable.h"

#include <QFile>
#include <QTemporaryFile>

#include <fcntl.h>
#include <spawn.h>
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

} // namespace

BenchBook::BenchBook(int perTab) : m_folder(m_dir.path()), m_perTab(perTab) {
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
            contents += namedPage(tab, i);
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
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return measured ? report.readAll().trimmed().toLong() : 0;
}

} // namespace orvelan::bench
