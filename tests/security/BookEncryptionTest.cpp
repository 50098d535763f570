#include "security/BookEncryption.h"
#include "cli/ToolCommandLine.h"
#include "security/BookKeyring.h"
#include "store/BookMaintenance.h"
#include "store/ConversionJournal.h"
#include "store/PageRecord.h"
#include "store/RuntimeError.h"
#include "store/Settings.h"
#include "store/TabTable.h"
#include "support/MemoryKeyring.h"
#include "support/TempBook.h"
#include "support/ToolHarness.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <gtest/gtest.h>

using namespace orvelan;
using orvelan::test::readBytes;
using orvelan::test::TempBook;
using orvelan::test::writeBytes;
using namespace Qt::StringLiterals;

namespace {

// Argon2id at its least, so the tests unlock in a blink; the real cost is the benchmark's.
const KdfLimits Quick{1, 8192};
const QString Password = u"S3cret!pw"_s;

using orvelan::test::ToolRun;
// A command of the tool on the book; with `pw`, the password is read from that file.
ToolRun tool(const TempBook& book, const QStringList& arguments, const QString& pw = {}) {
    return orvelan::test::runToolLine(
        book, pw.isEmpty() ? arguments : QStringList{u"--password-file"_s, pw} + arguments);
}

// Every file of the folder by its relative path, with its bytes.
QMap<QString, QByteArray> snapshot(const QString& root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(u"orvelan.lock"_s))
            files.insert(QDir(root).relativeFilePath(path), readBytes(path));
    }
    return files;
}

QString passwordFile(const TempBook& book, const QByteArray& line) {
    static int made = 0;
    const QString path = book.root() + u"/../"_s + QFileInfo(book.root()).fileName() +
                         QString::number(++made) + u".pw"_s;
    writeBytes(path, line + '\n');
    return path;
}

// A book of a few pages on several tabs, with texts to look for afterwards.
void fill(const TempBook& book) {
    book.writeTab(26 - 1, {TempBook::record({{Field::Name, "Zebediah Quill"},
                                             {Field::Phone1, "555-0199"},
                                             {Field::Notes, "met at the harbour in May"}}),
                           blankRecord(),
                           TempBook::record(
                               {{Field::Name, "Zora Vance"}, {Field::Email, "zora@example.org"}})});
    book.writeTab(
        1, {TempBook::record({{Field::Name, "Alma Wirth"}, {Field::Organisation, "Quillon Ltd"}})});
    book.writeTab(12, {blankRecord(), TempBook::record({{Field::Name, "Mirela Stan"}})});
    Settings settings;
    settings.setRaw(Settings::MasterPassword, Password.toLatin1());
    settings.setFlag(Settings::UsePasswordOnStartUp, true);
    ASSERT_EQ(SettingsFile(book.folder().settingsPath()).write(settings), 0);
}

void encrypt(const TempBook& book, bool recovery = false, QString* recoveryKey = nullptr) {
    const ConversionOutcome outcome = encryptBook(book.folder(), Password, recovery, {}, Quick);
    ASSERT_TRUE(outcome.ok) << outcome.error.toStdString();
    if (recoveryKey)
        *recoveryKey = outcome.recoveryKey;
}

// A book filled as above, encrypted with the password.
struct SealedBook : TempBook {
    SealedBook() {
        fill(*this);
        encrypt(*this);
    }
};

QByteArray page(const BookFolder& folder, int tab, qint64 number) {
    return folder.tabFile(tab).readPage(number).record;
}

// A second handle on the same folder, as the next run of the program has.
BookFolder reopened(const TempBook& book) {
    return BookFolder(book.root());
}

} // namespace

TEST(BookEncryption, RoundTripKeepsEveryRecordByteForByte) {
    TempBook book;
    fill(book);
    QList<QByteArray> before;
    for (int tab = 0; tab < TabCount; ++tab)
        before << book.tabBytes(tab);

    encrypt(book);
    EXPECT_TRUE(QFileInfo::exists(book.folder().bookKeyPath()));
    for (int tab = 0; tab < TabCount; ++tab)
        EXPECT_EQ(book.tabBytes(tab).size(), before[tab].size() / RecordSize * 1730) << tab;

    // Another run opens it with the password and reads the same records.
    const BookFolder next = reopened(book);
    EXPECT_EQ(next.sealing().state(), BookSealing::State::Locked);
    EXPECT_EQ(next.tabFile(25).readPage(1).error, RuntimeError::BookLocked);
    ASSERT_TRUE(unlockBook(next, Password).ok);
    EXPECT_EQ(page(next, 25, 1), before[25].left(RecordSize));

    // Used meanwhile: a page edited through the tool.
    const QString pw = passwordFile(book, Password.toUtf8());
    const ToolRun set = tool(book, {u"set"_s, u"M"_s, u"2"_s, u"Notes=called back"_s}, pw);
    ASSERT_EQ(set.status, 0) << set.err.toStdString();

    const ToolRun decrypted = tool(book, {u"decrypt"_s, u"--password-file"_s, pw});
    ASSERT_EQ(decrypted.status, 0) << decrypted.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(book.folder().bookKeyPath()));
    for (int tab = 0; tab < TabCount; ++tab) {
        if (tab != 12) {
            EXPECT_EQ(book.tabBytes(tab), before[tab]) << tab;
        }
    }
    EXPECT_EQ(book.tabBytes(12).left(RecordSize), before[12].left(RecordSize));
    EXPECT_EQ(book.page(12, 2).text(Field::Notes), u"called back"_s);
    // The plain book asks for the same password again.
    EXPECT_EQ(SettingsFile(book.folder().settingsPath()).read().masterPassword().trimmed(),
              Password.toLatin1());
}

TEST(BookEncryption, NoKnownTextIsLeftInAnyFile) {
    TempBook book;
    fill(book);
    // What the script that reads plain books finds: the enciphered fields as stored.
    const QByteArray stored = book.tabBytes(25);
    const QList<QByteArray> known = {
        "Zebediah",          "Quill",           "555-0199", "harbour", "zora@example.org",
        Password.toLatin1(), stored.mid(6, 32), // Name as the field cipher stores it
        stored.mid(230, 24),                    // Phone1
        stored.mid(842, 64)};                   // the start of Notes
    // Pages in the backup and the sync state too.
    ASSERT_TRUE(removeBlankPages(book.folder(), [](const QString&, double) {}).ok());
    writeBytes(book.folder().syncDir() + u"/state.json"_s,
               R"({"version":1,"cards":[{"href":"/c/Zebediah Quill.vcf"}]})");
    encrypt(book);
    ASSERT_TRUE(QFileInfo::exists(book.folder().reserveDir() + u"/Orvel19.raf"_s));

    const auto files = snapshot(book.root());
    for (auto it = files.begin(); it != files.end(); ++it) {
        for (const QByteArray& text : known)
            EXPECT_FALSE(it.value().contains(text))
                << it.key().toStdString() << " holds " << text.toHex().toStdString();
    }
    // The settings block holds no password (spaces), and the option stays on.
    const Settings settings = SettingsFile(book.folder().settingsPath()).read();
    EXPECT_EQ(settings.masterPassword(), QByteArray(64, ' '));
    EXPECT_TRUE(settings.flag(Settings::UsePasswordOnStartUp));
}

// Damage of every kind, in a record or by moving records, is found and reported by its place.
struct Tampering {
    const char* name;
    std::function<void(const TempBook&)> change;
    int tab;
    qint64 page;
    int damaged = 1; // pages damaged in all
};

class DamagedRecords : public testing::TestWithParam<Tampering> {};

TEST_P(DamagedRecords, AreReportedByPlaceAndNeverShown) {
    SealedBook book;
    GetParam().change(book);

    const QString pw = passwordFile(book, Password.toUtf8());
    const ToolRun check = tool(book, {u"check"_s}, pw);
    EXPECT_EQ(check.status, 1);
    const QString where = u"page %1 of tab %2 is damaged and cannot be read"_s.arg(GetParam().page)
                              .arg(QString::fromLatin1(tabLabel(GetParam().tab)).trimmed());
    EXPECT_TRUE(check.out.contains(where)) << check.out.toStdString();

    const ToolRun show = tool(
        book, {u"show"_s, QString::number(GetParam().tab), QString::number(GetParam().page)}, pw);
    EXPECT_EQ(show.status, 4);
    EXPECT_TRUE(show.err.contains(where)) << show.err.toStdString();
    EXPECT_FALSE(show.out.contains(u"Z"_s)) << show.out.toStdString();

    // An export leaves damaged pages out, names them and counts them exactly.
    const ToolRun exported = tool(book, {u"export"_s, u"csv"_s, book.root() + u"/out.csv"_s}, pw);
    EXPECT_EQ(exported.status, 4);
    EXPECT_TRUE(exported.err.contains(where)) << exported.err.toStdString();
    EXPECT_TRUE(exported.out.contains(
        GetParam().damaged == 1
            ? u"1 damaged page could not be read and was left out."_s
            : u"%1 damaged pages could not be read and were left out."_s.arg(GetParam().damaged)))
        << exported.out.toStdString();

    // Compaction leaves a tab with a damaged page as it is.
    const QByteArray tab = book.tabBytes(GetParam().tab);
    const BookFolder next = reopened(book);
    ASSERT_TRUE(unlockBook(next, Password).ok);
    const MaintenanceReport report = removeBlankPages(next, [](const QString&, double) {});
    EXPECT_EQ(book.tabBytes(GetParam().tab), tab);
    EXPECT_FALSE(report.ok());
}

namespace {

void flipBit(const QString& path, qint64 offset) {
    QByteArray bytes = readBytes(path);
    bytes[offset] = char(bytes[offset] ^ 0x10);
    writeBytes(path, bytes);
}

QByteArray sealedRecord(const TempBook& book, int tab, qint64 page) {
    return book.tabBytes(tab).mid((page - 1) * 1730, 1730);
}

void putSealed(const TempBook& book, int tab, qint64 page, const QByteArray& record) {
    QByteArray bytes = book.tabBytes(tab);
    bytes.replace((page - 1) * 1730, 1730, record);
    writeBytes(book.folder().tabFilePath(tab), bytes);
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Tampering, DamagedRecords,
    testing::Values(
        Tampering{"NonceBit", [](const TempBook& b) { flipBit(b.folder().tabFilePath(25), 3); }, 25,
                  1},
        Tampering{"CipherTextBit",
                  [](const TempBook& b) { flipBit(b.folder().tabFilePath(25), 1730 + 900); }, 25,
                  2},
        Tampering{"TagBit",
                  [](const TempBook& b) { flipBit(b.folder().tabFilePath(25), 3 * 1730 - 1); }, 25,
                  3},
        Tampering{"RecordsSwapped",
                  [](const TempBook& b) {
                      const QByteArray first = sealedRecord(b, 25, 1);
                      putSealed(b, 25, 1, sealedRecord(b, 25, 3));
                      putSealed(b, 25, 3, first);
                  },
                  25, 1, 2},
        // Deep in a tab long enough to be opened by two threads.
        Tampering{"DeepInALongTab",
                  [](const TempBook& b) {
                      const BookFolder open = reopened(b);
                      ASSERT_TRUE(unlockBook(open, Password).ok);
                      QByteArray pages;
                      for (int i = 0; i < 700; ++i)
                          pages += TempBook::record({{Field::Name, "Dora Long"}});
                      ASSERT_EQ(open.tabFile(4).appendPages(pages), 0);
                      flipBit(b.folder().tabFilePath(4), 599 * 1730 + 100);
                  },
                  4, 600},
        Tampering{"RecordMovedToAnotherTab",
                  [](const TempBook& b) { putSealed(b, 12, 1, sealedRecord(b, 25, 1)); }, 12, 1},
        Tampering{"RecordFromAnotherBook",
                  [](const TempBook& b) {
                      SealedBook other;
                      putSealed(b, 1, 1, sealedRecord(other, 1, 1));
                  },
                  1, 1}),
    [](const testing::TestParamInfo<Tampering>& info) { return info.param.name; });

// What cannot open the book is refused with a clear message, and nothing on disk changes.
struct Refusal {
    const char* name;
    std::function<void(const TempBook&)> change;
    QByteArray password; // the password file's line
    const char* message;
};

class RefusedUnlocking : public testing::TestWithParam<Refusal> {};

TEST_P(RefusedUnlocking, TellsWhyAndWritesNothing) {
    SealedBook book;
    GetParam().change(book);
    const QString pw = passwordFile(book, GetParam().password);
    const auto before = snapshot(book.root());

    for (const QStringList& command :
         {QStringList{u"add"_s, u"Name=Nina Roe"_s}, QStringList{u"list"_s},
          QStringList{u"decrypt"_s}, QStringList{u"compact"_s}}) {
        const ToolRun run = tool(book, command, pw);
        // A book.key that is missing or damaged is a damaged book (4); else the password (6).
        EXPECT_EQ(run.status, QByteArrayView(GetParam().message).startsWith("book.key") ? 4 : 6)
            << command.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1StringView(GetParam().message)))
            << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    EXPECT_EQ(snapshot(book.root()), before);
}

namespace {

void editKeyFile(const TempBook& b, const std::function<void(QJsonObject&)>& edit) {
    QJsonObject root = QJsonDocument::fromJson(readBytes(b.folder().bookKeyPath())).object();
    edit(root);
    writeBytes(b.folder().bookKeyPath(), QJsonDocument(root).toJson());
}

void editSlot(const TempBook& b, const QString& field, const QJsonValue& value) {
    editKeyFile(b, [&](QJsonObject& root) {
        QJsonArray slots = root.value(u"slots"_s).toArray();
        QJsonObject slot = slots[0].toObject();
        slot.insert(field, value);
        slots[0] = slot;
        root.insert(u"slots"_s, slots);
    });
}

QString flippedB64(const TempBook& b, const QString& field) {
    const QJsonObject slot = QJsonDocument::fromJson(readBytes(b.folder().bookKeyPath()))
                                 .object()
                                 .value(u"slots"_s)
                                 .toArray()[0]
                                 .toObject();
    QByteArray bytes = QByteArray::fromBase64(slot.value(field).toString().toLatin1());
    bytes[5] = char(bytes[5] ^ 1);
    return QString::fromLatin1(bytes.toBase64());
}

const char WrongPassword[] = "The password does not open this book";

} // namespace

INSTANTIATE_TEST_SUITE_P(
    BadPasswordOrKey, RefusedUnlocking,
    testing::Values(
        Refusal{"WrongPassword", [](const TempBook&) {}, "S3cret!pW", WrongPassword},
        Refusal{"EmptyPasswordFile", [](const TempBook&) {}, "", "is empty"},
        Refusal{"MissingBookKey",
                [](const TempBook& b) { QFile::remove(b.folder().bookKeyPath()); }, "S3cret!pw",
                "book.key is missing"},
        Refusal{"BookKeyNotJson",
                [](const TempBook& b) { writeBytes(b.folder().bookKeyPath(), "{\"format\": "); },
                "S3cret!pw", "book.key is damaged"},
        Refusal{
            "WrappedKeyBitFlipped",
            [](const TempBook& b) { editSlot(b, u"wrappedKey"_s, flippedB64(b, u"wrappedKey"_s)); },
            "S3cret!pw", WrongPassword},
        Refusal{"SaltBitFlipped",
                [](const TempBook& b) { editSlot(b, u"salt"_s, flippedB64(b, u"salt"_s)); },
                "S3cret!pw", WrongPassword},
        Refusal{"OpslimitChanged", [](const TempBook& b) { editSlot(b, u"opslimit"_s, 2); },
                "S3cret!pw", WrongPassword},
        Refusal{"BookIdChanged",
                [](const TempBook& b) {
                    editKeyFile(b, [](QJsonObject& root) {
                        root.insert(u"bookId"_s,
                                    QString::fromLatin1(QByteArray(16, 'x').toBase64()));
                    });
                },
                "S3cret!pw", WrongPassword}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST(BookEncryption, NoTerminalAndNoPasswordSaysHowToGiveOne) {
    SealedBook book;
    const ToolRun run = tool(book, {u"list"_s});
    EXPECT_EQ(run.status, 6);
    EXPECT_TRUE(run.err.contains(u"--password-file FILE"_s)) << run.err.toStdString();
}

TEST(BookEncryption, PasswordChangeRewrapsWithoutRewritingPages) {
    SealedBook book;
    const QByteArray pages = book.tabBytes(25);
    const QByteArray plain = page(book.folder(), 25, 1);
    ASSERT_FALSE(plain.isEmpty());
    const QString old = passwordFile(book, Password.toUtf8());

    const ToolRun wrong =
        tool(book, {u"settings"_s, u"MasterPassword=n3w-phrase"_s}, passwordFile(book, "nope"));
    EXPECT_EQ(wrong.status, 6);
    const ToolRun changed = tool(book, {u"settings"_s, u"MasterPassword=n3w-phrase"_s}, old);
    ASSERT_EQ(changed.status, 0) << changed.err.toStdString();
    EXPECT_EQ(book.tabBytes(25), pages);
    EXPECT_EQ(SettingsFile(book.folder().settingsPath()).read().masterPassword(),
              QByteArray(64, ' '));
    EXPECT_FALSE(unlockBook(reopened(book), Password).ok);
    const BookFolder next = reopened(book);
    ASSERT_TRUE(unlockBook(next, u"  n3w-phrase "_s).ok); // spaces around it do not count
    EXPECT_EQ(page(next, 25, 1), plain);
}

TEST(BookEncryption, RecoveryKeyAndKeyringOpenTheBook) {
    TempBook book;
    fill(book);
    QString recovery;
    encrypt(book, true, &recovery);
    ASSERT_EQ(recovery.size(), 79); // 64 hexadecimal digits in groups of four
    QString wrong = recovery;
    wrong[0] = wrong[0] == u'A' ? u'B' : u'A';
    EXPECT_FALSE(unlockBookWithRecoveryKey(reopened(book), wrong).ok);
    const BookFolder viaRecovery = reopened(book);
    ASSERT_TRUE(unlockBookWithRecoveryKey(viaRecovery, recovery.toLower()).ok);
    EXPECT_FALSE(page(viaRecovery, 25, 1).isEmpty());

    // The tool: --recovery-key-file opens the book, and a forgotten password is set anew.
    const ToolRun refused =
        tool(book, {u"--recovery-key-file"_s, passwordFile(book, wrong.toUtf8()), u"list"_s});
    EXPECT_EQ(refused.status, 6);
    EXPECT_TRUE(refused.err.contains(u"recovery key does not open"_s)) << refused.err.toStdString();
    const QString key = passwordFile(book, recovery.replace(u' ', u'-').toUtf8());
    const ToolRun listed = tool(book, {u"list"_s, u"--recovery-key-file"_s, key});
    EXPECT_TRUE(listed.out.contains(u"Zebediah Quill"_s)) << listed.err.toStdString();
    const ToolRun reset =
        tool(book, {u"--recovery-key-file"_s, key, u"settings"_s, u"MasterPassword=n3w-phrase"_s});
    ASSERT_EQ(reset.status, 0) << reset.err.toStdString();
    EXPECT_FALSE(unlockBook(reopened(book), Password).ok);
    EXPECT_TRUE(unlockBook(reopened(book), u"n3w-phrase"_s).ok);
    EXPECT_TRUE(unlockBookWithRecoveryKey(reopened(book), recovery).ok); // it stays

    test::MemoryKeyring keyring;
    ASSERT_TRUE(rememberBookKey(book.folder(), keyring));
    ASSERT_EQ(keyring.entries.size(), 1);
    EXPECT_FALSE(keyring.entries.begin().value().contains(Password));
    const BookFolder remembered = reopened(book);
    ASSERT_TRUE(unlockFromKeyring(remembered, keyring));
    EXPECT_EQ(page(remembered, 25, 1), page(viaRecovery, 25, 1));

    // A key of another book is not taken for this one.
    SealedBook other;
    EXPECT_FALSE(unlockFromKeyring(reopened(other), keyring));
    ASSERT_TRUE(forgetBookKey(book.folder(), keyring));
    EXPECT_FALSE(unlockFromKeyring(reopened(book), keyring));
}

// A conversion cut short at any stage leaves a whole book in one form, which the next start
// opens or completes.
struct CutShort {
    const char* name;
    bool marker;      // the moment of change was written
    int twinsRenamed; // of the record files
    bool toSealed;    // the form it was going to
};

class InterruptedConversion : public testing::TestWithParam<CutShort> {};

TEST_P(InterruptedConversion, EndsInOneWholeForm) {
    const CutShort cut = GetParam();
    // The two forms of the same book: `from` as before, `to` as a finished conversion left it.
    TempBook from;
    fill(from);
    if (!cut.toSealed)
        encrypt(from);
    TempBook to;
    for (const auto& [name, bytes] : snapshot(from.root()).asKeyValueRange())
        writeBytes(to.root() + u'/' + name, bytes);
    const BookFolder target = reopened(to);
    if (cut.toSealed) {
        ASSERT_TRUE(encryptBook(target, Password, false, {}, Quick).ok);
    } else {
        ASSERT_TRUE(unlockBook(target, Password).ok);
        ASSERT_TRUE(decryptBook(target, Password).ok);
    }
    const auto before = snapshot(from.root());
    const auto after = snapshot(to.root());

    // Lay out the interrupted state: twins of every changed file, some already renamed.
    int renamed = 0;
    for (const auto& [name, bytes] : after.asKeyValueRange()) {
        const QString path = from.root() + u'/' + name;
        if (before.value(name) == bytes)
            continue;
        if (name == u"book.key"_s) {
            if (cut.marker && cut.twinsRenamed > 0)
                writeBytes(path, bytes);
            else
                writeBytes(Conversion::newKeyPath(from.folder()), bytes);
            continue;
        }
        if (cut.marker && renamed < cut.twinsRenamed && name.startsWith(u"DataBook"_s)) {
            ++renamed;
            writeBytes(path, bytes);
        } else {
            writeBytes(Conversion::twinPath(path), bytes);
        }
    }
    if (cut.marker)
        writeBytes(Conversion::markerPath(from.folder()), cut.toSealed ? "sealed\n" : "plain\n");

    // The next command finds it so and puts it right before it reads anything.
    const QString pw = passwordFile(from, Password.toUtf8());
    const ToolRun list = tool(from, {u"list"_s, u"Z"_s}, pw);
    ASSERT_EQ(list.status, 0) << list.err.toStdString();
    EXPECT_TRUE(list.out.contains(u"Zebediah Quill"_s)) << list.out.toStdString();
    auto now = snapshot(from.root());
    now.remove(QFileInfo(pw).fileName());
    EXPECT_EQ(now, cut.marker ? after : before);
}

INSTANTIATE_TEST_SUITE_P(Stages, InterruptedConversion,
                         testing::Values(CutShort{"EncryptTwinsWritten", false, 0, true},
                                         CutShort{"EncryptMarked", true, 0, true},
                                         CutShort{"EncryptHalfRenamed", true, 3, true},
                                         CutShort{"DecryptTwinsWritten", false, 0, false},
                                         CutShort{"DecryptMarked", true, 0, false},
                                         CutShort{"DecryptHalfRenamed", true, 3, false}),
                         [](const testing::TestParamInfo<CutShort>& info) {
                             return info.param.name;
                         });

TEST(BookEncryption, EveryWritingCommandKeepsTheBookSealed) {
    SealedBook book;
    const QString pw = passwordFile(book, Password.toUtf8());
    const QString csv = book.root() + u"/../"_s + QFileInfo(book.root()).fileName() + u".csv"_s;
    writeBytes(csv, "Name,Phone1,Notes\r\nIlse Kovac,555-0177,keeps bees\r\n");
    for (const QStringList& command :
         {QStringList{u"import"_s, csv},
          QStringList{u"add"_s, u"Name=Nadia Quill"_s, u"Notes=owes a visit"_s},
          QStringList{u"set"_s, u"Z"_s, u"3"_s, u"Phone1=555-0142"_s},
          QStringList{u"delete"_s, u"A"_s, u"1"_s}, QStringList{u"compact"_s}}) {
        const ToolRun run = tool(book, command, pw);
        ASSERT_EQ(run.status, 0) << command.join(u' ').toStdString() << run.err.toStdString();
    }
    for (const auto& [name, bytes] : snapshot(book.root()).asKeyValueRange()) {
        // The page deleted went to the trash, which is sealed too.
        for (const char* text :
             {"Nadia", "owes a visit", "555-0142", "Zebediah", "Alma Wirth", "Kovac", "keeps bees"})
            EXPECT_FALSE(bytes.contains(text)) << name.toStdString() << " " << text;
    }
    const ToolRun check = tool(book, {u"check"_s}, pw);
    EXPECT_EQ(check.status, 0) << check.out.toStdString();
    EXPECT_TRUE(QFile::exists(book.root() + u"/trash.json"_s));
    const ToolRun trash = tool(book, {u"trash"_s}, pw);
    EXPECT_TRUE(trash.out.contains(u"Alma Wirth"_s)) << trash.out.toStdString();
    const ToolRun list = tool(book, {u"list"_s}, pw);
    EXPECT_TRUE(list.out.contains(u"Nadia Quill"_s)) << list.out.toStdString();
    EXPECT_TRUE(list.out.contains(u"Ilse Kovac"_s)) << list.out.toStdString();
    EXPECT_TRUE(list.out.contains(u"555-0142"_s)) << list.out.toStdString();
    EXPECT_FALSE(list.out.contains(u"Alma Wirth"_s));
}
