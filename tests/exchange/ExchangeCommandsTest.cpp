#include "cli/Commands.h"
#include "exchange/Export.h"
#include "store/PageRecord.h"
#include "support/TempBook.h"

#include <QFile>

#include <cstring>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::cli;
using orvelan::test::TempBook;

namespace {

struct Cli {
    TempBook book;
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
    CliContext context{book.folder(), false, outStream, errStream};

    QString write(const QString& name, const QByteArray& bytes) const {
        const QString path = book.root() + u'/' + name;
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    }
    int run(int (*command)(CliContext&, const QStringList&), const QStringList& args) {
        const int status = command(context, args);
        outStream.flush();
        return status;
    }
};

} // namespace

TEST(ImportCommand, AutoMapFilterAndCounts) {
    Cli cli;
    const QString path = cli.write(
        QStringLiteral("in.csv"), "Name,Company\r\nbob,Acme\r\nBill,Other\r\nann,Acme\r\n_x,y\r\n");
    cli.run(runImport, {path, QStringLiteral("--find"), QStringLiteral("acme")});
    EXPECT_EQ(cli.out, QStringLiteral("1 record(s) refused: empty name or a name beginning with "
                                      "[ \\ ] ^ _ or `.\nA: 1\nB: 1\nImported 2 page(s).\n"));
    EXPECT_EQ(cli.book.page(2, 1)[Field::Organisation], "Acme");
    EXPECT_EQ(cli.book.pageCount(2), 1);
}

TEST(ImportCommand, ExplicitMapsAndRefusals) {
    Cli cli;
    const QString path = cli.write(QStringLiteral("in.csv"), "Who,Where\r\nCarl,Leeds\r\n");
    cli.run(runImport, {path, QStringLiteral("--map"), QStringLiteral("Who=Name"),
                        QStringLiteral("--map"), QStringLiteral("Where=OrgAddr2")});
    EXPECT_EQ(cli.book.page(3, 1)[Field::OrgAddr2], "Leeds");
    const auto fails = [&](const QStringList& args) {
        try {
            cli.run(runImport, args);
        } catch (const CliError& error) {
            return error.message;
        }
        return QString();
    };
    EXPECT_TRUE(fails({path, QStringLiteral("--map"), QStringLiteral("Nope=Name")})
                    .contains(QStringLiteral("no column 'Nope'")));
    EXPECT_TRUE(fails({path, QStringLiteral("--map"), QStringLiteral("Who=Salary")})
                    .contains(QStringLiteral("not a page field")));
    EXPECT_FALSE(fails({cli.write(QStringLiteral("x.txt"), "Name\r\n")}).isEmpty());
    // A foreign exchange file changes no page.
    const QByteArray before = cli.book.tabBytes(3);
    EXPECT_TRUE(fails({cli.write(QStringLiteral("bad.eab"), QByteArray(3000, 'z'))})
                    .contains(QStringLiteral("not an ORVELAN exchange file")));
    EXPECT_EQ(cli.book.tabBytes(3), before);
}

TEST(ExportCommand, BothFormatsRoundTrip) {
    Cli cli;
    cli.book.writeTab(4, {TempBook::named("Dan"), TempBook::named("Dot")});
    const QString eab = cli.book.root() + QStringLiteral("/out.eab");
    cli.run(runExport,
            {QStringLiteral("eab"), eab, QStringLiteral("--find"), QStringLiteral("dot")});
    EXPECT_EQ(QFile(eab).size(), 42500);
    const QString csv = cli.book.root() + QStringLiteral("/out.csv");
    cli.run(runExport, {QStringLiteral("csv"), csv});
    EXPECT_EQ(QFile(csv).size(), qint64(std::strlen(CsvExportHeader)) + 2 + 2 * (3 + 21 + 2));

    Cli other;
    other.run(runImport, {eab});
    EXPECT_EQ(other.book.page(4, 1)[Field::Name], "Dot");
    EXPECT_THROW(cli.run(runExport, {QStringLiteral("pdf"), csv}), CliError);
}
