#pragma once

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <array>

namespace orvelan {

// What one import did, from reading the file (a .csv, an .eab, a vCard file or a folder of
// them) to writing the pages, so that every record read is accounted for: imported, refused (and
// why), or left in the list. The command-line tool prints it and the import window shows it, in
// the same words; its JSON form is the one schema of every import. Every value it shows is cut
// to ShownLength characters.
class ImportSummary {
public:
    enum class Refusal {
        NoName,      // the record's name is empty
        NotFileable, // no tab takes a name that begins so
        Damaged,     // the record could not be read whole (an unclosed quotation mark)
    };
    static constexpr int RefusalKinds = 3;
    // How many records of each kind, and how many cut values, are named.
    static constexpr int NamedLimit = 20;
    static constexpr int ShownLength = 80;

    struct RefusedRecord {
        Refusal reason = Refusal::NoName;
        QString name;    // as read from the file; may be empty
        qint64 line = 0; // physical line of the file (1 = the header); 0 when unknown
        QString detail;  // for a record without a name: its first value, to find it by
        QString file;    // the file of a card read from a folder; empty otherwise
        qint64 card = 0; // the card's number in its file; 0 for other records
    };
    // A count of records with the first NamedLimit of them named: "Name (PHOTO)".
    struct Named {
        qint64 count = 0;
        QStringList names;
        void add(const QString& name);
    };
    struct CutValue {
        QString name;  // the record's name
        QString field; // "Email", "Notes" ...
    };

    // Reading.
    QString fileName;              // without its folder
    qint64 files = 0;              // vCard files read (a folder gives several)
    qint64 groups = 0;             // group cards: no page, their names in the members' Group
    QString encoding;              // "UTF-8", "UTF-16 LE" ...
    QString separator;             // "comma", "semicolon", "tab"; empty for an exchange file
    qint64 read = 0;               // records found in the file
    qint64 staged = 0;             // records waiting in the list to be imported
    qint64 charactersReplaced = 0; // bytes of the file that were not text, replaced
    qint64 recordsWithReplacements = 0;
    qint64 hiddenRemoved = 0;    // control and direction characters removed from the values
    qint64 valuesNoted = 0;      // values of columns mapped to no field, added to Notes
    qint64 windows1252Lines = 0; // lines of a UTF-8 file that were not UTF-8
    qint64 overlongLines = 0;    // lines of 200 fields or more: later fields lost
    bool fileDamaged = false;    // an exchange file of which only the whole records were read
    int stagingWriteFailures = 0;
    Named leftOut; // "Name (PHOTO)": data and program layout left out of staged cards
    Named damaged; // "Name (no END)": cards read from damaged text, as far as they go
    // Records already in the book (a card whose UID a page has, or a record that adds nothing
    // to a page that looks like it): not imported again.
    Named alreadyInBook;
    Named looksLikeBook;  // imported, but looking like a page of the book (run duplicates)
    Named mergedIntoBook; // merged into the page of the book they look like
    // Staged records that were not filed because they were in the book or merged into a page.
    qint64 handledWithoutFiling = 0;
    QStringList unreadable; // "file: why" for files that could not be read or hold no card

    // Writing (filled by the import).
    bool importRan = false;
    std::array<qint64, 26> importedPerTab{};
    qint64 imported = 0;
    qint64 importFailures = 0;
    QString writeProblem; // why records could not be written, when some could not

    void refuse(Refusal reason, const QString& name, qint64 line, const QString& detail = {});
    void refuseCard(Refusal reason, const QString& name, const QString& file, qint64 card,
                    const QString& detail = {});
    void cut(const QString& name, const QString& field);
    void recordImport(const std::array<qint64, 26>& perTab, qint64 written, qint64 failures);

    qint64 refusedCount(Refusal reason) const { return m_refused[static_cast<int>(reason)]; }
    qint64 refusedTotal() const;
    const QList<RefusedRecord>& refusedRecords() const { return m_refusedRecords; }
    qint64 valuesCut() const { return m_valuesCut; }
    const QMap<QString, qint64>& cutByField() const { return m_cutByField; }
    // Staged records this import did not write: filtered out, not selected, or failed.
    qint64 notImported() const;

    // Nothing refused, something imported, nothing failed.
    bool complete() const;

    // The summary as lines of text.
    QStringList lines() const;
    QString text() const { return lines().join(u'\n'); }
    QJsonObject toJson() const;

    static QString reasonText(Refusal reason);
    // A value as the summary shows it: on one line, cut to ShownLength characters.
    static QString shown(const QString& value);

private:
    std::array<qint64, RefusalKinds> m_refused{};
    QList<RefusedRecord> m_refusedRecords;
    qint64 m_valuesCut = 0;
    QMap<QString, qint64> m_cutByField;
    QList<CutValue> m_cutValues;
};

} // namespace orvelan
