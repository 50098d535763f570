#include "exchange/csv/CsvReader.h"
#include "ExchangeTestData.h"
#include "exchange/csv/CsvImport.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;

namespace {

QList<QByteArray> bytes(std::initializer_list<const char*> items) {
    QList<QByteArray> list;
    for (const char* item : items)
        list.append(QByteArray(item));
    return list;
}

QList<QByteArray> lines(const QByteArray& file) {
    CsvText text(file);
    QList<QByteArray> result;
    QByteArray line;
    while (text.nextLine(line))
        result.append(line);
    return result;
}

} // namespace

TEST(SplitLine, FieldsMarkersQuotesAndLineBreaks) {
    const std::pair<QByteArray, QList<QByteArray>> rows[] = {
        // Empty fields carry the marker; a trailing comma closes the last field and adds none.
        {"a,,c", bytes({"a", "NoData", "c"})},
        {",,,", bytes({"NoData", "NoData", "NoData"})},
        {",b", bytes({"NoData", "b"})},
        {"a,,,,,f", bytes({"a", "NoData", "NoData", "NoData", "NoData", "f"})},
        {"a,b,", bytes({"a", "b"})},
        {"a,b", bytes({"a", "b"})},
        // Unquoted fields keep their spaces and stray quotes; a quote that does not open the
        // field is text, and the comma still separates.
        {" a , b", bytes({" a ", " b"})},
        {"O\"Neil,x", bytes({"O\"Neil", "x"})},
        {" \"Smith, J\",x", bytes({" \"Smith", " J\"", "x"})},
        // Quoted fields hold commas, quotes and line breaks; a quoted empty field is empty, not
        // missing; an unterminated quote runs to the end of the line.
        {"\"Smith, John\",Acme", bytes({"Smith, John", "Acme"})},
        {"\"say \"\"hi\"\"\",b", bytes({"say \"hi\"", "b"})},
        {"\"two\r\nlines\",b", bytes({"two\r\nlines", "b"})},
        {"\"\",b", bytes({"", "b"})},
        {"\"open,b", bytes({"open,b"})},
    };
    for (const auto& [line, fields] : rows)
        EXPECT_EQ(splitLine(line).fields, fields) << line.toStdString();
}

TEST(SplitLine, FieldLimit) {
    const auto line = [](int fields) {
        QByteArray text;
        for (int i = 0; i < fields; ++i)
            text += (i ? "," : "") + QByteArray::number(i);
        return text;
    };
    // Fields in the line, fields kept, and whether the line is reported.
    for (const auto& [count, kept, error] :
         {std::tuple{199, 199, false}, {200, 200, true}, std::tuple{250, 200, true}}) {
        const SplitLine s = splitLine(line(count));
        EXPECT_EQ(s.fields.size(), kept) << count;
        EXPECT_EQ(s.lineError, error) << count;
        EXPECT_EQ(s.fields.last(), QByteArray::number(kept - 1)) << count;
    }
}

TEST(Header, NamesOnePerCommaUntrimmed) {
    EXPECT_EQ(readHeaderLine("Name,Phone,Email"), readHeaderLine("Name,Phone,Email,"));
    EXPECT_EQ(readHeaderLine("Name, Phone,Email"), bytes({"Name", " Phone", "Email"}));
    // An empty name keeps its column, so later columns keep their places.
    EXPECT_EQ(readHeaderLine("Name,,Email"), bytes({"Name", "", "Email"}));
    EXPECT_EQ(readHeaderLine(",Name"), bytes({"", "Name"}));
    EXPECT_EQ(readHeaderLine("\"First Name\",\"Last, Name\""), bytes({"First Name", "Last, Name"}));
    EXPECT_TRUE(csvColumns({}).isEmpty());
}

TEST(CsvText, LineEndsAndQuotedLineBreaks) {
    EXPECT_EQ(lines("h\r\na\rb\nc\r\n"), bytes({"h", "a", "b", "c"}));
    EXPECT_EQ(lines("h\r\n\"x\r\ny\",z\r\nnext"), bytes({"h", "\"x\r\ny\",z", "next"}));
    EXPECT_EQ(lines("h\r\n\r\n   \r\n"), bytes({"h", "", "   "}));
}

TEST(CsvText, EncodingDetection) {
    // Byte-order mark: UTF-8, the mark is dropped; lines come out as UTF-8.
    CsvText bom(QByteArray("\xEF\xBB\xBFName\r\nJos\xC3\xA9\r\n"));
    QByteArray line;
    EXPECT_EQ(bom.encoding(), FileEncoding::Utf8);
    ASSERT_TRUE(bom.nextLine(line));
    EXPECT_EQ(line, "Name");
    ASSERT_TRUE(bom.nextLine(line));
    EXPECT_EQ(line, "Jos\xC3\xA9");
    // Valid UTF-8 without a mark is UTF-8 too, whatever script it holds.
    CsvText utf8(QByteArray("N\n\xE2\x82\xAC 5\n\xE4\xB8\xAD\xE6\x96\x87,x\n"));
    EXPECT_EQ(utf8.encoding(), FileEncoding::Utf8);
    utf8.nextLine(line);
    utf8.nextLine(line);
    utf8.nextLine(line);
    EXPECT_EQ(line, "\xE4\xB8\xAD\xE6\x96\x87,x");
    // Bytes that are never UTF-8 make a Windows-1252 file.
    CsvText latin(QByteArray("N\nJos\xE9 M\xFCller \x80\n"));
    EXPECT_EQ(latin.encoding(), FileEncoding::Windows1252);
    latin.nextLine(line);
    latin.nextLine(line);
    EXPECT_EQ(QString::fromUtf8(line), u"José Müller €"_s);
    // Plain ASCII, overlong forms and surrogates are not taken for UTF-8.
    EXPECT_EQ(CsvText("a,b\n").encoding(), FileEncoding::Ascii);
    EXPECT_EQ(CsvText("\xC0\xAF\n").encoding(), FileEncoding::Windows1252);
    EXPECT_EQ(CsvText("\xED\xA0\x80\n").encoding(), FileEncoding::Windows1252);
    EXPECT_EQ(CsvText("x\xE2\x82").encoding(), FileEncoding::Windows1252);
}

TEST(CsvText, Utf16WithAndWithoutMark) {
    const QString text = u"Name,Notes\r\nZoë,\"Иванов, 王\"\r\n"_s;
    for (const bool bigEndian : {false, true}) {
        for (const bool mark : {true, false}) {
            CsvText csv(utf16(text, bigEndian, mark));
            EXPECT_EQ(csv.encoding(), bigEndian ? FileEncoding::Utf16BE : FileEncoding::Utf16LE);
            QByteArray line;
            ASSERT_TRUE(csv.nextLine(line));
            EXPECT_EQ(line, "Name,Notes");
            ASSERT_TRUE(csv.nextLine(line));
            EXPECT_EQ(splitLine(line).fields,
                      bytes({"Zo\xC3\xAB", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2, "
                                           "\xE7\x8E\x8B"}));
            EXPECT_FALSE(csv.nextLine(line));
        }
    }
}

TEST(CsvText, StrayWindows1252LineInUtf8File) {
    // One line written by another program in Windows-1252: only that line is read so.
    CsvText csv(QByteArray("Name\n\xC3\x89mile\nZo\xEB\nAng\xC3\xA9lique\n"));
    EXPECT_EQ(csv.encoding(), FileEncoding::Utf8);
    QByteArray line;
    QStringList names;
    csv.nextLine(line);
    while (csv.nextLine(line))
        names.append(QString::fromUtf8(line));
    EXPECT_EQ(names, (QStringList{u"Émile"_s, u"Zoë"_s, u"Angélique"_s}));
    EXPECT_EQ(csv.windows1252Lines(), 1);
}

TEST(CsvText, SeparatorFromTheHeader) {
    EXPECT_EQ(CsvText("Name;Phone;Notes\r\n").separator(), ';');
    EXPECT_EQ(CsvText("Name\tPhone\r\n").separator(), '\t');
    EXPECT_EQ(CsvText("Name,Phone;Fax\r\n").separator(), ','); // any comma keeps the comma
    EXPECT_EQ(CsvText("Name\r\na;b\r\n").separator(), ',');
    EXPECT_EQ(CsvText("\xEF\xBB\xBFName;Phone\r\n").separator(), ';');
    // The separator splits fields and opens quoted ones; commas are then plain text.
    CsvText csv("Name;Company;Notes\r\n\"Smith; J\";Acme, Inc.;\"two\r\nlines\"\r\n");
    QByteArray line;
    csv.nextLine(line);
    ASSERT_TRUE(csv.nextLine(line));
    EXPECT_EQ(splitLine(line, csv.separator()).fields,
              bytes({"Smith; J", "Acme, Inc.", "two\r\nlines"}));
    EXPECT_EQ(csvColumns("Name\tE-mail Address\r\n"), bytes({"Name", "E-mail Address"}));
}

TEST(CsvText, UnclosedQuoteSpoilsOnlyItsOwnRecord) {
    // Ben's note opens a quotation mark that is never closed; the quote that opens Dora's
    // company would close it, but text follows it where a separator must.
    const QByteArray file = "Name,Company,Notes\r\n"
                            "Anna,Acme,fine\r\n"
                            "Ben,Bakery,\"call about the lease\r\n"
                            "Carl,Clark & Co,\r\n"
                            "Dora,\"Davis, Ltd\",x\r\n"
                            "Emil,Evans,\"two\r\nlines\"\r\n";
    CsvText csv(file);
    QByteArray line;
    QList<QByteArray> lines;
    QList<bool> damaged;
    QList<qint64> numbers;
    while (csv.nextLine(line)) {
        lines.append(line);
        damaged.append(csv.lastLineDamaged());
        numbers.append(csv.lastLineNumber());
    }
    EXPECT_EQ(lines,
              bytes({"Name,Company,Notes", "Anna,Acme,fine", "Ben,Bakery,\"call about the lease",
                     "Carl,Clark & Co,", "Dora,\"Davis, Ltd\",x", "Emil,Evans,\"two\r\nlines\""}));
    EXPECT_EQ(damaged, (QList<bool>{false, false, true, false, false, false}));
    EXPECT_EQ(numbers, (QList<qint64>{1, 2, 3, 4, 5, 6}));

    // Without any later quote, the look-ahead ends at the end of the file or after 50 lines.
    QByteArray longTail = "Name,Notes\nBen,\"open\n";
    for (int i = 0; i < 60; ++i)
        longTail += "P" + QByteArray::number(i) + ",x\n";
    longTail += "Zed,\"closes here\"\n";
    CsvText tail(longTail);
    int records = 0;
    int spoiled = 0;
    tail.nextLine(line);
    while (tail.nextLine(line)) {
        ++records;
        spoiled += tail.lastLineDamaged() ? 1 : 0;
    }
    EXPECT_EQ(records, 62);
    EXPECT_EQ(spoiled, 1);
    CsvText atEnd("Name,Notes\nBen,\"open\nCarl,x\n");
    atEnd.nextLine(line);
    ASSERT_TRUE(atEnd.nextLine(line));
    EXPECT_TRUE(atEnd.lastLineDamaged());
    ASSERT_TRUE(atEnd.nextLine(line));
    EXPECT_EQ(line, "Carl,x");
    EXPECT_FALSE(atEnd.lastLineDamaged());
}

// Every file reads the same whatever size of window it is read in: a record, a quoted field, a
// CR LF, a multi-byte character or a surrogate pair split between two windows, and a
// Windows-1252 line that only a later window holds.
TEST(CsvText, ReadsTheSameWhateverItsWindow) {
    QByteArray longField = "Name,Notes\r\nAnn,\"" + QByteArray(300, 'x') + "\r\nend\"\r\nBen,y\r\n";
    QByteArray lateLatin = "Name\r\n\xC3\x89mile\r\n";
    for (int i = 0; i < 40; ++i)
        lateLatin += "P" + QByteArray::number(i) + ",\"two\r\nlines\"\r\n";
    lateLatin += "Zo\xEB\r\nlast";
    const std::pair<QByteArray, QString> files[] = {
        {dataFile("webmail-current.csv"), {}},
        {dataFile("office-suite-semicolon.csv"), {}},
        {dataFile("phone-suite-shift-jis.csv"), u"shift_jis"_s},
        {utf16(u"Name,Notes\r\nZo\u00eb,\"\U0001F600 \u738b\r\nx\"\r\n"_s, false), {}},
        {utf16(u"Name;Notes\r\n\u738b;\U0001F600\r\n"_s, true, false), {}},
        {"\xEF\xBB\xBFName,Notes\r\nA,\"x\"\"y\r\nz\"\r\nB,\"open\r\nC,x\r\n", {}},
        {"N\nJos\xE9 M\xFCller \x80\r\n\"a\r\nb\"", {}},
        {longField, {}},
        {lateLatin, {}},
    };
    struct Read {
        QList<QByteArray> lines;
        QList<qint64> numbers;
        QList<bool> damaged;
        FileEncoding encoding;
        char separator;
        qsizetype windows1252Lines;
        bool operator==(const Read&) const = default;
    };
    const auto read = [](const QByteArray& file, const QString& charset, qsizetype window) {
        CsvText text(file, charset, window);
        Read result{{}, {}, {}, text.encoding(), text.separator(), 0};
        QByteArray line;
        while (text.nextLine(line)) {
            result.lines.append(line);
            result.numbers.append(text.lastLineNumber());
            result.damaged.append(text.lastLineDamaged());
        }
        result.windows1252Lines = text.windows1252Lines();
        return result;
    };
    for (const auto& [file, charset] : files) {
        const Read whole = read(file, charset, file.size() + 1);
        EXPECT_GT(whole.lines.size(), 1);
        for (const qsizetype window : {1, 2, 3, 7, 64})
            EXPECT_TRUE(read(file, charset, window) == whole)
                << file.left(40).toStdString() << " window " << window;
    }
    EXPECT_EQ(read(lateLatin, {}, 5).windows1252Lines, 1);
}
