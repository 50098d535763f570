// vCard import and export through the tool: whole books out and back, folders of files, and
// the summary of what could not come in whole.
#include "ExchangeTestData.h"
#include "cli/Commands.h"
#include "exchange/Export.h"
#include "exchange/vcard/VCardReader.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "support/FaultInjection.h"
#include "support/TempBook.h"
#include "support/ToolHarness.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>

using namespace orvelan;
using namespace orvelan::cli;
using namespace Qt::StringLiterals;
using orvelan::test::TempBook;

namespace {

using Cli = orvelan::test::ToolHarness;

// The full page under `name`, with a Windows-1252 text and the time it was saved.
QByteArray fullPage(const QByteArray& name) {
    PageTexts texts = ::fullPage();
    texts[at(Field::Name)] = QString::fromLatin1(name);
    texts[at(Field::OrgAddr5)] = u"Caf\u00e9 Quarter"_s;
    PageRecord page;
    fillRecord(page, texts);
    page[Field::DateModified] = "04/03/26";
    page[Field::TimeModified] = "09:07";
    return page.toStored();
}

} // namespace

TEST(VCardExchange, NamesInEveryScriptComeInAndGoOutWhole) {
    Cli cli;
    const QString samples = QStringLiteral(VCARD_SAMPLES);
    ASSERT_EQ(cli.outcome(runImport, {samples}), u"0"_s) << cli.out.toStdString();
    EXPECT_TRUE(cli.out.startsWith(u"File: vcards (vCard)\nFiles read: 3\n"
                                   "Records read: 4\nImported 4 page(s). By tab: "
                                   "A 1, B 1, E 1, L 1\n"_s))
        << cli.out.toStdString();
    const PageTexts zola = textsOf(cli.book.page(5, 1));
    EXPECT_EQ(zola[0], u"Émile Zola"_s);
    EXPECT_EQ(zola[16], u"Rédaction, Culture"_s);
    const PageTexts nowak = textsOf(cli.book.page(11, 1));
    EXPECT_EQ(nowak[0], u"Łukasz Nowak"_s);
    EXPECT_EQ(nowak[1], u"ul. Długa 5 m. 7"_s);
    EXPECT_EQ(textsOf(cli.book.page(1, 1))[0], u"Antonín Dvořák"_s);

    // Out again and into a second book: every text as it was.
    const QString path = cli.book.root() + u"/all.vcf"_s;
    ASSERT_EQ(cli.outcome(runExport, {u"vcf"_s, path}), u"0"_s);
    Cli second;
    ASSERT_EQ(second.outcome(runImport, {path}), u"0"_s) << second.out.toStdString();
    for (const auto& [tab, page] : {std::pair{1, 1}, {2, 1}, {5, 1}, {11, 1}}) {
        const PageTexts before = textsOf(cli.book.page(tab, page));
        const PageTexts after = textsOf(second.book.page(tab, page));
        for (int i = 0; i < ViewFieldCount; ++i)
            EXPECT_EQ(after[i], before[i]) << "tab " << tab << " field " << i;
    }
}

TEST(VCardExchange, ExportedCardsCarryStableUidsAndRevisions) {
    Cli cli;
    cli.book.writeTab(1, {fullPage("Anna"), TempBook::named("Bert"), fullPage("Anna")});
    const QString first = cli.book.root() + u"/1.vcf"_s;
    const QString second = cli.book.root() + u"/2.vcf"_s;
    ASSERT_EQ(cli.outcome(runExport, {u"vcf"_s, first}), u"0"_s);
    ASSERT_EQ(cli.outcome(runExport, {u"vcf"_s, second}), u"0"_s);
    const QByteArray bytes = fileBytes(first);
    EXPECT_EQ(bytes, fileBytes(second));
    const QList<VCard> cards = readCards(bytes);
    ASSERT_EQ(cards.size(), 3);
    QStringList uids;
    for (const VCard& card : cards)
        uids.append(card.firstText(u"UID"));
    uids.removeDuplicates();
    EXPECT_EQ(uids.size(), 3); // two pages of one name still get two UIDs
    EXPECT_EQ(
        cards[0].firstText(u"REV"),
        QDateTime(QDate(2026, 3, 4), QTime(9, 7)).toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'"_s));
    EXPECT_EQ(cards[1].first(u"REV"), nullptr); // a page never saved has no date
    EXPECT_TRUE(bytes.startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
    ASSERT_EQ(cli.outcome(runExport, {u"vcf"_s, second, u"--version"_s, u"4.0"_s}), u"0"_s);
    EXPECT_TRUE(cli.out.endsWith(u"Exported 3 page(s) to %1.\n"_s.arg(second)));
    EXPECT_TRUE(fileBytes(second).startsWith("BEGIN:VCARD\r\nVERSION:4.0\r\n"));

    // --find narrows the export; the version must be one that is written.
    ASSERT_EQ(cli.outcome(runExport, {u"vcf"_s, first, u"--find"_s, u"bert"_s}), u"0"_s);
    EXPECT_EQ(readCards(fileBytes(first)).size(), 1);
    EXPECT_EQ(cli.outcome(runExport, {u"vcf"_s, first, u"--version"_s, u"2.1"_s}),
              u"--version takes 3.0 or 4.0."_s);
    EXPECT_EQ(cli.outcome(runExport, {u"csv"_s, first, u"--version"_s, u"4.0"_s}),
              u"--version applies to vcf exports only."_s);
}

// A pipe (or a device, or /dev/stdout) is written into as it is; it never becomes a file.
TEST(VCardExchange, AnExportOntoAPipeWritesIntoIt) {
    TempBook book;
    book.writeTab(2, {fullPage("Baker")});
    const QString path = book.root() + u"/pipe"_s;
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    QByteArray received;
    std::thread reader([&] {
        QFile pipe(path);
        if (pipe.open(QIODevice::ReadOnly))
            received = pipe.readAll();
    });
    const ExportResult result =
        exportBookToFile(path, ExportFormat::VCard30, book.folder(), QString());
    reader.join();
    EXPECT_TRUE(result.ok()) << result.problem.toStdString();
    EXPECT_EQ(readCards(received).size(), 1);
    struct stat after {};
    ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &after), 0);
    EXPECT_TRUE(S_ISFIFO(after.st_mode)) << "the pipe is still a pipe";
    EXPECT_TRUE(orvelan::test::temporariesIn(book.root()).isEmpty());
}

TEST(VCardExchange, FolderImportAccountsForEveryCard) {
    Cli cli;
    cli.write(u"in/a.vcf"_s,
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Alice Long\r\nEMAIL:" + QByteArray(70, 'a') +
                  "@example.org\r\nPHOTO;VALUE=uri:https://example.org/a.jpg\r\nEND:VCARD\r\n"
                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xCC\x81"
                  "Accent\r\nEND:VCARD\r\n");
    cli.write(u"in/b.VCF"_s, "BEGIN:VCARD\nVERSION:4.0\nFN:Bea\nNOTE:cut off");
    cli.write(u"in/c.vcf"_s, QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
    cli.write(u"in/notes.txt"_s, "BEGIN:VCARD\nFN:Not read\nEND:VCARD\n");
    const QString status = cli.outcome(runImport, {cli.book.root() + u"/in"_s});
    EXPECT_EQ(status, u"1 record(s) refused; see the summary."_s);
    // One summary for every import: each refused card named by its file and its number there.
    for (const QString& line :
         {u"File: in (vCard)"_s, u"Files read: 2"_s, u"Records read: 3"_s,
          u"Imported 2 page(s). By tab: A 1, B 1"_s, u"Refused 1 record(s):"_s,
          u"  name begins with a control character or a combining mark: 1 - "
          "\"\u0301"
          "Accent\" (a.vcf, card 2)"_s,
          u"Values cut to fit their field: 1 (Email 1) - \"Alice Long\" Email"_s,
          u"Photos, sounds, keys or program data left out: 1 - Alice Long (PHOTO)"_s,
          u"Cards damaged in the file, read as far as they go: 1 - Bea (no END)"_s,
          u"Not read: "_s + cli.book.root() + u"/in/c.vcf: holds no vCard"_s})
        EXPECT_TRUE(cli.out.split(u'\n').contains(line)) << line.toStdString() << "\n"
                                                         << cli.out.toStdString();
    EXPECT_FALSE(cli.out.contains(u"notes.txt"_s));
    EXPECT_EQ(cli.book.page(1, 1)[Field::Email], QByteArray(60, 'a'));
    EXPECT_EQ(cli.book.page(2, 1)[Field::Notes], "cut off");
}

TEST(VCardExchange, ImportByContentAndAsJson) {
    Cli cli;
    const QString path =
        cli.write(u"contacts.txt"_s, "\xEF\xBB\xBF\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nN:Ng;Kim\r\n"
                                     "TEL;HOME;VOICE:555\r\nEND:VCARD\r\n");
    cli.context.json = true;
    ASSERT_EQ(cli.outcome(runImport, {path}), u"0"_s);
    const QJsonObject json = QJsonDocument::fromJson(cli.out.toUtf8()).object();
    // The one schema of every import.
    EXPECT_EQ(json[u"read"_s].toInt(), 1);
    EXPECT_EQ(json[u"imported"_s].toInt(), 1);
    EXPECT_EQ(json[u"refused"_s].toInt(), 0);
    EXPECT_EQ(json[u"encoding"_s].toString(), u"vCard"_s);
    EXPECT_TRUE(json[u"refusedByReason"_s].isObject());
    EXPECT_TRUE(json[u"summary"_s].isArray());
    EXPECT_EQ(cli.book.page(13, 1)[Field::Name], "Ng, Kim");
    EXPECT_EQ(cli.book.page(13, 1)[Field::Phone1], "555");

    EXPECT_EQ(cli.outcome(runImport, {cli.book.root() + u"/missing.vcf"_s}),
              u"Cannot read %1/missing.vcf."_s.arg(cli.book.root()));
    QDir().mkpath(cli.book.root() + u"/empty"_s);
    EXPECT_EQ(cli.outcome(runImport, {cli.book.root() + u"/empty"_s}),
              u"%1/empty holds no .vcf file; nothing imported."_s.arg(cli.book.root()));
}

TEST(VCardExchange, GroupCardsBecomeTheirMembersGroupValues) {
    // A server's 3.0 group card in one file, a 4.0 group card in another, members in a third.
    Cli cli;
    cli.outcome(runImport, {QStringLiteral(VCARD_SAMPLES "/groups")});
    EXPECT_TRUE(cli.out.contains(u"Records read: 4\nGroup cards read: 2 (no pages;"_s));
    EXPECT_TRUE(cli.out.contains(u"Imported 2 page(s). By tab: I J 2\n"_s))
        << cli.out.toStdString();
    EXPECT_EQ(cli.book.page(9, 1)[Field::Group], "Family");
    EXPECT_EQ(cli.book.page(9, 2)[Field::Group], "Friends, Chess, Family");

    // Several groups go out as several categories.
    const QString out = cli.book.root() + u"/out.vcf"_s;
    cli.outcome(runExport, {u"vcf"_s, out});
    const QList<VCard> cards = readCards(fileBytes(out));
    ASSERT_EQ(cards.size(), 2);
    EXPECT_EQ(cards[1].first(u"CATEGORIES")->listValues(),
              (QStringList{u"Friends"_s, u"Chess"_s, u"Family"_s}));
}
