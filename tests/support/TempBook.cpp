#include "support/TempBook.h"

#include "store/BookMaintenance.h"
#include "store/PageTexts.h"
#include "store/Settings.h"
#include "store/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace orvelan::test {

TempBook::TempBook(bool create) : m_folder(m_dir.path()) {
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary book folder");
    if (create) {
        MaintenanceReport report;
        createBookIfMissing(m_folder, report);
    }
}

void TempBook::writeTab(int tab, const QList<QByteArray>& records) const {
    QFile file(m_folder.tabFilePath(tab));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write a tab file");
    for (const QByteArray& record : records)
        file.write(record);
}

QByteArray TempBook::tabBytes(int tab) const {
    return readBytes(m_folder.tabFilePath(tab));
}

qint64 TempBook::pageCount(int tab) const {
    return tabBytes(tab).size() / RecordSize;
}

PageRecord TempBook::page(int tab, qint64 page) const {
    return PageRecord::fromStored(tabBytes(tab).mid((page - 1) * RecordSize, RecordSize));
}

QByteArray TempBook::textPage(const QString& name, const QString& notes) {
    PageTexts texts;
    texts[0] = name;
    texts[NotesViewIndex] = notes;
    PageRecord record;
    fillRecord(record, texts);
    return record.toStored();
}

void TempBook::writeTrash(const QDateTime& now, std::initializer_list<int> daysAgo) const {
    Trash trash(m_folder);
    for (const int days : daysAgo) {
        TrashEntry entry;
        entry.name = QStringLiteral("%1 days").arg(days);
        entry.deletedAt = now.addDays(-days);
        entry.record = named("x");
        trash.add(entry);
    }
    if (trash.save() != 0)
        throw std::runtime_error("cannot write the trash");
}

QByteArray TempBook::record(std::initializer_list<std::pair<Field, QByteArray>> fields) {
    PageRecord page;
    for (const auto& [field, value] : fields)
        page[field] = value;
    return page.toStored();
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write a file");
    return path;
}

void storeSettings(const TempBook& book, const std::function<void(Settings&)>& change) {
    const SettingsFile file(book.folder().settingsPath());
    Settings settings = file.read();
    change(settings);
    if (file.write(settings) != 0)
        throw std::runtime_error("cannot write the settings");
}

} // namespace orvelan::test
