#include "exchange/CsvReader.h"
#include "exchange/CsvImport.h"

#include <gtest/gtest.h>

using namespace orvelan;

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

TEST(SplitLine, EmptyFieldsCarryTheMarker) {
    EXPECT_EQ(splitLine("a,,c").fields, bytes({"a", "NoData", "c"}));
    EXPECT_EQ(splitLine(",,,").fields, bytes({"NoData", "NoData", "NoData"}));
    EXPECT_EQ(splitLine(",b").fields, bytes({"NoData", "b"}));
    EXPECT_EQ(splitLine("a,,,,,f").fields,
              bytes({"a", "NoData", "NoData", "NoData", "NoData", "f"}));
    // A trailing comma closes the last field; it adds none.
    EXPECT_EQ(splitLine("a,b,").fields, bytes({"a", "b"}));
    EXPECT_EQ(splitLine("a,b").fields, bytes({"a", "b"}));
}

TEST(SplitLine, UnquotedFieldsKeepSpacesAndStrayQuotes) {
    EXPECT_EQ(splitLine(" a , b").fields, bytes({" a ", " b"}));
    EXPECT_EQ(splitLine("O\"Neil,x").fields, bytes({"O\"Neil", "x"}));
    // A quote that does not open the field is text: the comma still separates.
    EXPECT_EQ(splitLine(" \"Smith, J\",x").fields, bytes({" \"Smith", " J\"", "x"}));
}

TEST(SplitLine, QuotedFieldsHoldCommasQuotesAndLineBreaks) {
    EXPECT_EQ(splitLine("\"Smith, John\",Acme").fields, bytes({"Smith, John", "Acme"}));
    EXPECT_EQ(splitLine("\"say \"\"hi\"\"\",b").fields, bytes({"say \"hi\"", "b"}));
    EXPECT_EQ(splitLine("\"two\r\nlines\",b").fields, bytes({"two\r\nlines", "b"}));
    // A quoted empty field is empty, not missing.
    EXPECT_EQ(splitLine("\"\",b").fields, bytes({"", "b"}));
    // An unterminated quote runs to the end of the line.
    EXPECT_EQ(splitLine("\"open,b").fields, bytes({"open,b"}));
}

TEST(SplitLine, FieldLimit) {
    const auto line = [](int fields) {
        QByteArray text;
        for (int i = 0; i < fields; ++i)
            text += (i ? "," : "") + QByteArray::number(i);
        return text;
    };
    SplitLine s = splitLine(line(199));
    EXPECT_EQ(s.fields.size(), 199);
    EXPECT_FALSE(s.lineError);
    s = splitLine(line(200));
    EXPECT_EQ(s.fields.size(), 200);
    EXPECT_TRUE(s.lineError);
    s = splitLine(line(250));
    EXPECT_EQ(s.fields.size(), 200);
    EXPECT_TRUE(s.lineError);
    EXPECT_EQ(s.fields.last(), "199");
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
    // Byte-order mark: UTF-8, the mark is dropped.
    CsvText bom(QByteArray("\xEF\xBB\xBFName\r\nJos\xC3\xA9\r\n"));
    QByteArray line;
    EXPECT_TRUE(bom.isUtf8());
    ASSERT_TRUE(bom.nextLine(line));
    EXPECT_EQ(line, "Name");
    ASSERT_TRUE(bom.nextLine(line));
    EXPECT_EQ(line, "Jos\xC3\xA9");
    // Valid UTF-8 without a mark is UTF-8 too, and every character of it is kept.
    CsvText utf8(QByteArray("N\n\xE2\x82\xAC 5\n\xE4\xB8\xAD\xE6\x96\x87,x\n"));
    EXPECT_TRUE(utf8.isUtf8());
    utf8.nextLine(line);
    utf8.nextLine(line);
    EXPECT_EQ(line, "\xE2\x82\xAC 5");
    utf8.nextLine(line);
    EXPECT_EQ(line, "\xE4\xB8\xAD\xE6\x96\x87,x");
    EXPECT_EQ(utf8.linesWithReplacements(), 0);
    // Bytes that are not UTF-8 are Windows-1252, handed on as UTF-8.
    CsvText latin(QByteArray("N\nJos\xE9 M\xFCller \x80\n"));
    EXPECT_FALSE(latin.isUtf8());
    latin.nextLine(line);
    latin.nextLine(line);
    EXPECT_EQ(line, "Jos\xC3\xA9 M\xC3\xBCller \xE2\x82\xAC");
    // Plain ASCII, overlong forms and surrogates are not taken for UTF-8.
    EXPECT_FALSE(CsvText("a,b\n").isUtf8());
    EXPECT_FALSE(CsvText("\xC0\xAF\n").isUtf8());
    EXPECT_FALSE(CsvText("\xED\xA0\x80\n").isUtf8());
    EXPECT_FALSE(CsvText("x\xE2\x82").isUtf8());
}
