#include "ExchangeTestData.h"
#include "cli/Commands.h"
#include "exchange/Export.h"
#include "exchange/ImportSummary.h"
#include "exchange/csv/CsvReader.h"
#include "exchange/eab/EabContainer.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/RuntimeError.h"
#include "support/TempBook.h"
#include "support/ToolHarness.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstring>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace orvelan;
using namespace orvelan::cli;
using namespace Qt::StringLiterals;
using orvelan::test::TempBook;

namespace {

using Cli = orvelan::test::ToolHarness;

QString fails(Cli& cli, const QStringList& args) {
    try {
        cli.run(runImport, args);
    } catch (const CliError& error) {
        cli.outStream.flush();
        return error.message;
    }
    return QString();
}

} // namespace

TEST(ImportCommand, AutoMapFilterAndCounts) {
    Cli cli;
    const QString path = cli.write(
        u"in.csv"_s, "Name,Company\r\nbob,Acme\r\nBill,Other\r\nann,Acme\r\n\xCC\x81x,y\r\n");
    // A refused record makes the tool fail after it has said what it did.
    EXPECT_EQ(fails(cli, {path, u"--find"_s, u"acme"_s}),
              u"1 record(s) refused; see the summary."_s);
    EXPECT_EQ(cli.out, u"File: in.csv (UTF-8, separated by commas)\n"
                       "Records read: 4\n"
                       "Imported 2 page(s). By tab: A 1, B 1\n"
                       "Refused 1 record(s):\n"
                       "  name begins with a control character or a "
                       "combining mark: 1 - \"\u0301x\" (line 5)\n"
                       "Not imported (left in the list): 1\n"_s);
    EXPECT_EQ(cli.book.page(2, 1)[Field::Organisation], "Acme");
    EXPECT_EQ(cli.book.pageCount(2), 1);
}

TEST(ImportCommand, SummaryOfAWholeExportInTextAndJson) {
    Cli cli;
    const QString path = QStringLiteral(ORVELAN_EXCHANGE_DATA "/webmail-current.csv");
    EXPECT_EQ(fails(cli, {path}), u"1 record(s) refused; see the summary."_s);
    EXPECT_TRUE(cli.out.startsWith(
        u"File: webmail-current.csv (UTF-8, separated by commas)\nRecords read: 32\n"
        "Imported 31 page(s). By tab: *0 1, A 2, B 1, C 1,"_s))
        << cli.out.toStdString();
    EXPECT_FALSE(cli.out.contains(u"\"3M Company\" (line "_s));
    EXPECT_TRUE(cli.out.contains(u"Values cut to fit their field: 1 (Email 1)"_s));

    Cli json;
    json.context.json = true;
    EXPECT_FALSE(fails(json, {path}).isEmpty());
    const QJsonObject summary = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(summary.value(u"read"_s).toInteger(), 32);
    EXPECT_EQ(summary.value(u"imported"_s).toInteger(), 31);
    EXPECT_EQ(summary.value(u"refused"_s).toInteger(), 1);
    EXPECT_EQ(summary.value(u"refusedByReason"_s).toObject().value(u"noName"_s).toInteger(), 1);
    EXPECT_EQ(summary.value(u"cutByField"_s).toObject().value(u"Email"_s).toInteger(), 1);
    // The same words as the text summary.
    QStringList lines;
    for (const QJsonValue line : summary.value(u"summary"_s).toArray())
        lines.append(line.toString());
    EXPECT_EQ(lines.join(u'\n') + u'\n', cli.out);
}

TEST(ImportCommand, NothingImportedFails) {
    Cli cli;
    const QString path = cli.write(u"in.csv"_s, "Who,Where\r\nCarl,Leeds\r\n");
    // No column for Name: refused before anything is staged, with the columns named.
    EXPECT_EQ(fails(cli, {path}), u"No column is mapped to Name, so every record would be refused; "
                                  "nothing imported. Map one with --map COLUMN=Name. The file's "
                                  "columns are: Who, Where."_s);
    EXPECT_EQ(fails(cli, {path, u"--map"_s, u"Who=Name"_s, u"--find"_s, u"nobody"_s}),
              u"Nothing imported."_s);
}

TEST(ImportCommand, MapsColumnsWithSpacesAndJoinsNames) {
    Cli cli;
    const QString path =
        cli.write(u"in.csv"_s, "First Name, Last Name , Phone \r\nAnn,Lee,0113\r\n,Solo,1\r\n");
    cli.run(runImport,
            {path, u"--map"_s, u" Phone=Phone1"_s, u"--map"_s, u"First Name+Last Name=Name"_s});
    EXPECT_EQ(cli.book.page(11, 1)[Field::Name], "Lee, Ann");
    EXPECT_EQ(cli.book.page(11, 1)[Field::Phone1], "0113");
    EXPECT_EQ(cli.book.page(18, 1)[Field::Name], "Solo"); // one part alone needs no comma
}

TEST(ImportCommand, ExplicitMapsAndRefusals) {
    Cli cli;
    const QString path = cli.write(u"in.csv"_s, "Who,Where\r\nCarl,Leeds\r\n");
    cli.run(runImport, {path, u"--map"_s, u"Who=Name"_s, u"--map"_s, u"Where=OrgAddr2"_s});
    EXPECT_EQ(cli.book.page(3, 1)[Field::OrgAddr2], "Leeds");
    EXPECT_TRUE(fails(cli, {path, u"--map"_s, u"Nope=Name"_s}).contains(u"no column 'Nope'"_s));
    EXPECT_TRUE(fails(cli, {path, u"--map"_s, u"Who=Salary"_s}).contains(u"not a page field"_s));
    EXPECT_FALSE(fails(cli, {cli.write(u"x.txt"_s, "Name\r\n")}).isEmpty());
    // A foreign exchange file changes no page.
    const QByteArray before = cli.book.tabBytes(3);
    EXPECT_TRUE(fails(cli, {cli.write(u"bad.eab"_s, QByteArray(3000, 'z'))})
                    .contains(u"not an ORVELAN exchange file"_s));
    EXPECT_EQ(cli.book.tabBytes(3), before);
}

TEST(ExportCommand, BothFormatsRoundTrip) {
    Cli cli;
    cli.book.writeTab(4, {TempBook::named("Dan"), TempBook::named("Dot")});
    const QString eab = cli.book.root() + u"/out.eab"_s;
    cli.run(runExport, {u"eab"_s, eab, u"--find"_s, u"dot"_s});
    EXPECT_EQ(QFile(eab).size(), 42500);
    const QString csv = cli.book.root() + u"/out.csv"_s;
    cli.run(runExport, {u"csv"_s, csv});
    EXPECT_EQ(QFile(csv).size(), qint64(std::strlen(CsvExportHeader)) + 2 + 2 * (3 + 21 + 2));

    Cli other;
    other.run(runImport, {eab});
    EXPECT_EQ(other.book.page(4, 1)[Field::Name], "Dot");
    EXPECT_THROW(cli.run(runExport, {u"pdf"_s, csv}), CliError);
}

TEST(ExportCommand, Utf8OnRequest) {
    Cli cli;
    cli.book.writeTab(10, {TempBook::named("K\xF6nig, Jos\xE9")});
    const QString ansi = cli.book.root() + u"/ansi.csv"_s;
    const QString utf8 = cli.book.root() + u"/utf8.csv"_s;
    cli.run(runExport, {u"csv"_s, ansi});
    cli.run(runExport, {u"csv"_s, utf8, u"--encoding"_s, u"utf-8"_s});
    // The default stays the program's own Windows-1252 text, byte for byte.
    EXPECT_TRUE(fileBytes(ansi).contains("\r\nK\xF6nig. Jos\xE9,"));
    EXPECT_TRUE(fileBytes(utf8).startsWith(QByteArray("\xEF\xBB\xBF") + CsvExportHeader + "\r\n"));
    EXPECT_TRUE(fileBytes(utf8).contains("\r\nK\xC3\xB6nig. Jos\xC3\xA9,"));
    EXPECT_THROW(cli.run(runExport, {u"csv"_s, utf8, u"--encoding"_s, u"ebcdic"_s}), CliError);
}

TEST(ImportCommand, ACharacterSetNamedByTheUser) {
    Cli cli;
    const QString path = QStringLiteral(ORVELAN_EXCHANGE_DATA "/phone-suite-shift-jis.csv");
    const QStringList maps{u"--map"_s,           u"名前=Name"_s, u"--map"_s,
                           u"電話番号=Phone1"_s, u"--map"_s,     u"メールアドレス=Email"_s};
    EXPECT_EQ(fails(cli, QStringList{path, u"--encoding"_s, u"shift_jis"_s} + maps), QString())
        << cli.out.toStdString();
    EXPECT_TRUE(
        cli.out.startsWith(u"File: phone-suite-shift-jis.csv (shift_jis, separated by commas)\n"_s))
        << cli.out.toStdString();
    EXPECT_EQ(textsOf(cli.book.page(1, 1))[0], u"安藤ロイド"_s);
    EXPECT_EQ(cli.book.page(1, 1)[Field::Email], "ando@example.jp");
    // The work files shrink back when the import ends.
    EXPECT_FALSE(QFile::exists(cli.book.folder().tabTempFilePath(1)));

    // A character set no converter knows is named, and nothing is imported.
    Cli other;
    EXPECT_EQ(fails(other, {path, u"--encoding"_s, u"x-made-up"_s}),
              u"No character set is named 'x-made-up'; nothing imported."_s);
    EXPECT_EQ(other.book.pageCount(1), 1);
    // A named pipe is read by nobody: opening it would wait for a writer for ever.
    const QString pipe = other.book.root() + u"/cards.csv"_s;
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(fails(other, {pipe}),
              pipe + u" is not a file (a folder, a named pipe or a device); nothing imported."_s);
    // So do the readers the import window opens it with.
    int error = 0;
    EXPECT_EQ(eabLayout(pipe, error).status, EabRead::Status::Refused);
    EXPECT_EQ(error, RuntimeError::PathFileAccessError);
    EXPECT_EQ(CsvText::fromFile(pipe).readError(), RuntimeError::PathFileAccessError);
}

TEST(ImportCommand, WebmailTypedColumnsAndEveryOtherColumnArrive) {
    Cli cli;
    const QString path = QStringLiteral(ORVELAN_EXCHANGE_DATA "/webmail-typed-columns.csv");
    EXPECT_EQ(fails(cli, {path}), QString()) << cli.out.toStdString();
    const PageRecord pia = cli.book.page(15, 1);
    EXPECT_EQ(pia[Field::Name], "Pia Weber");
    // The type columns choose the field, and " ::: " separates several values.
    EXPECT_EQ(pia[Field::Mobile], "+49 151 1234567");
    EXPECT_EQ(pia[Field::Phone1], "+49 30 1234567");
    EXPECT_EQ(pia[Field::Phone2], "+49 30 7654321");
    EXPECT_EQ(pia[Field::Email], "pia@example.org");
    EXPECT_EQ(pia[Field::Group], "Family");
    EXPECT_EQ(pia[Field::OrgWeb], "https://pia.example");
    // Every other value is in Notes, labelled by its column.
    const QList<QByteArray> notes = pia[Field::Notes].split('\n');
    for (const QByteArray line :
         {"E-mail (Home): pia.weber@home.example\r", "Given Name: Pia\r", "Family Name: Weber\r",
          "Nickname: Pip\r", "Birthday: 1985-04-12\r", "Website 1 - Type: Blog"})
        EXPECT_TRUE(notes.contains(line)) << line.constData() << "\n"
                                          << pia[Field::Notes].constData();
    EXPECT_TRUE(cli.out.contains(u"Values of columns mapped to no field, added to Notes: 6\n"_s))
        << cli.out.toStdString();
}

TEST(ImportSummaryText, CountsAreExactAndValuesAreCut) {
    ImportSummary summary;
    summary.fileName = QString(200, u'f') + u".csv"_s;
    summary.read = 30;
    for (int i = 0; i < 25; ++i)
        summary.refuse(ImportSummary::Refusal::NotFileable, u"_"_s + QString(500, u'x'), i + 2);
    for (int i = 0; i < 5; ++i)
        summary.refuseCard(ImportSummary::Refusal::NoName, {}, u"b.vcf"_s, i + 1,
                           u"someone@example.org"_s);
    const QStringList lines = summary.lines();
    EXPECT_TRUE(lines.contains(u"Refused 30 record(s):"_s));
    const QString notFileable =
        lines.filter(u"  name begins with a control character or a combining mark: 25 - "_s)
            .value(0);
    EXPECT_TRUE(notFileable.endsWith(u" and 5 more"_s)) << notFileable.toStdString();
    EXPECT_EQ(notFileable.count(u'"'), 2 * ImportSummary::NamedLimit);
    EXPECT_TRUE(
        notFileable.contains(u'"' + u"_"_s + QString(78, u'x') + QChar(0x2026) + u"\" (line 2)"_s));
    EXPECT_TRUE(lines.contains(
        u"  no name: 5 - (no name; \"someone@example.org\") (b.vcf, card 1), (no name; "
        "\"someone@example.org\") (b.vcf, card 2), (no name; \"someone@example.org\") (b.vcf, "
        "card 3), (no name; \"someone@example.org\") (b.vcf, card 4), (no name; "
        "\"someone@example.org\") (b.vcf, card 5)"_s));
    EXPECT_EQ(lines.value(0).size(), u"File: "_s.size() + ImportSummary::ShownLength);
    const QJsonObject json = summary.toJson();
    EXPECT_EQ(json[u"refused"_s].toInt(), 30);
    EXPECT_EQ(json[u"refusedRecords"_s].toArray().size(), 25);
    EXPECT_EQ(json[u"refusedRecords"_s][24][u"card"_s].toInt(), 5);
}
