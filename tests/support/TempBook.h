#pragma once

#include "store/BookFolder.h"
#include "store/PageRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QTemporaryDir>

#include <functional>
#include <initializer_list>
#include <utility>

namespace orvelan {
class Settings;
}

namespace orvelan::test {

// A book folder in a temporary directory, removed afterwards.
class TempBook {
public:
    // With `create`, DataBook/ holds one blank page per tab, as after a first run.
    explicit TempBook(bool create = true);

    const BookFolder& folder() const { return m_folder; }
    QString root() const { return m_dir.path(); }

    // Replaces a tab file with these records.
    void writeTab(int tab, const QList<QByteArray>& records) const;
    QByteArray tabBytes(int tab) const;
    qint64 pageCount(int tab) const;
    PageRecord page(int tab, qint64 page) const;

    // A stored page with the given fields (others empty, Reserved zero bytes).
    static QByteArray record(std::initializer_list<std::pair<Field, QByteArray>> fields);
    static QByteArray named(const QByteArray& name) { return record({{Field::Name, name}}); }
    // A stored page of Unicode texts, in the encoding the store chooses for them.
    static QByteArray textPage(const QString& name, const QString& notes = {});
    // A trash holding one entry a given number of days before `now`, named "N days".
    void writeTrash(const QDateTime& now, std::initializer_list<int> daysAgo) const;

private:
    QTemporaryDir m_dir;
    BookFolder m_folder;
};

// A whole file's bytes (empty when it cannot be read); a file written whole, its folders made as
// needed (throws when it cannot be written). writeBytes returns the path.
QByteArray readBytes(const QString& path);
QString writeBytes(const QString& path, const QByteArray& bytes);
// Changes the book's settings file as `change` says (throws when it cannot be written).
void storeSettings(const TempBook& book, const std::function<void(Settings&)>& change);

} // namespace orvelan::test
