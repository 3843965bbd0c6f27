// The one CSV writer (formula guard, quoting) and the bounded reader that
// register maps come through.
#include "values/csv_text.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zentiq {
namespace {

TEST(CsvTextTest, FieldsAreGuardedAgainstFormulasAndQuotedWhereNeeded) {
    struct Case {
        QString text;
        QString field;
    };
    const Case cases[] = {
        {"Voltage", "Voltage"},
        {"", ""},
        {"=1+2", "'=1+2"},
        {"+CALL()", "'+CALL()"},
        {"-x", "'-x"},
        {"@SUM(A1)", "'@SUM(A1)"},
        // Numbers are data, also with a sign.
        {"-2", "-2"},
        {"+3.5", "+3.5"},
        {"-1.500000e+20", "-1.500000e+20"},
        // An apostrophe the text already had stays readable after a round trip.
        {"'=x", "''=x"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"=a,b", "\"'=a,b\""},
        {"two\nlines", "\"two\nlines\""},
        {"电压", "电压"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CsvText::Field(c.text), c.field) << c.text.toStdString();
        // Whatever is written reads back as it was.
        const CsvText::Table t = CsvText::Parse((CsvText::Field(c.text) + ",end\r\n").toUtf8());
        ASSERT_EQ(t.error, CsvText::Error::None) << c.text.toStdString();
        ASSERT_EQ(t.rows.size(), 1u);
        EXPECT_EQ(t.rows[0], (QStringList{c.text, "end"})) << c.text.toStdString();
    }
    EXPECT_EQ(CsvText::Field("a;b", u';'), "\"a;b\"");
    EXPECT_EQ(CsvText::Row({"Time", "=x", "1,5"}), "Time,'=x,\"1,5\"");
}

TEST(CsvTextTest, ReadsCommaOrSemicolonWithOrWithoutBomAndQuotedLineBreaks) {
    struct Case {
        QByteArray bytes;
        QChar separator;
        std::vector<QStringList> rows;
        std::vector<int> lines;
    };
    const Case cases[] = {
        {"a,b\r\n1,2\r\n", u',', {{"a", "b"}, {"1", "2"}}, {1, 2}},
        {"\xEF\xBB\xBF" "a;b\n1;\"x;y\"\n", u';', {{"a", "b"}, {"1", "x;y"}}, {1, 2}},
        // A semicolon file whose names hold commas.
        {"Address;Name\n1;Volt, L1\n", u';', {{"Address", "Name"}, {"1", "Volt, L1"}}, {1, 2}},
        {"1,\"two\nlines\"\n\n3,c", u',', {{"1", "two\nlines"}, {"3", "c"}}, {1, 4}},
        {"1,\"say \"\"hi\"\"\"\r2,\xE7\x94\xB5\xE5\x8E\x8B", u',', {{"1", "say \"hi\""}, {"2", "电压"}}, {1, 2}},
        {"", u',', {}, {}},
    };
    for (const Case& c : cases) {
        const CsvText::Table t = CsvText::Parse(c.bytes);
        ASSERT_EQ(t.error, CsvText::Error::None) << c.bytes.toStdString();
        EXPECT_EQ(t.separator, c.separator) << c.bytes.toStdString();
        EXPECT_EQ(t.rows, c.rows) << c.bytes.toStdString();
        EXPECT_EQ(t.lines, c.lines) << c.bytes.toStdString();
    }
}

TEST(CsvTextTest, BinaryDataLongRecordsAndOpenQuotesAreRefusedWithTheirLine) {
    struct Case {
        QByteArray bytes;
        CsvText::Error error;
        int line;
    };
    const QByteArray longRecord = "1,a\n2," + QByteArray(CsvText::kMaxRecordChars, 'x') + "\n";
    const Case cases[] = {
        {QByteArray("1,a\n2,b\0c\n", 10), CsvText::Error::NotText, 0},
        {"1,\x01\x02\n", CsvText::Error::NotText, 0},
        {"1,\xC3\x28\n", CsvText::Error::NotText, 0},       // invalid UTF-8
        {"\x89PNG\r\n\x1A\n", CsvText::Error::NotText, 0},
        {longRecord, CsvText::Error::RecordTooLong, 2},
        {"1,a\n2,\"open\n3,c\n", CsvText::Error::OpenQuote, 2},
    };
    for (const Case& c : cases) {
        const CsvText::Table t = CsvText::Parse(c.bytes);
        EXPECT_EQ(t.error, c.error) << c.bytes.left(20).toStdString();
        EXPECT_EQ(t.errorLine, c.line);
        EXPECT_TRUE(t.rows.empty());
    }
    // Just within the limit is fine.
    const QByteArray fits = "2," + QByteArray(CsvText::kMaxRecordChars - 2, 'x');
    EXPECT_EQ(CsvText::Parse(fits).error, CsvText::Error::None);
}

TEST(CsvTextTest, TheReaderHandsOutRecordsUntilTheEndOrAFault) {
    struct Case {
        QByteArray bytes;
        std::vector<QStringList> rows;  // handed out before Next() is false
        CsvText::Error error;
        int line;
    };
    const Case cases[] = {
        {"1,a\n\n2,b", {{"1", "a"}, {"2", "b"}}, CsvText::Error::None, 0},
        {"1,a\n2,\"open\n3,c\n", {{"1", "a"}}, CsvText::Error::OpenQuote, 2},
        {"1,a\n2," + QByteArray(CsvText::kMaxRecordChars, 'x'), {{"1", "a"}}, CsvText::Error::RecordTooLong, 2},
        // Binary data anywhere: no record at all.
        {QByteArray("1,a\n2,\0\n", 8), {}, CsvText::Error::NotText, 0},
    };
    for (const Case& c : cases) {
        CsvText::Reader reader(c.bytes);
        std::vector<QStringList> rows;
        QStringList fields;
        int line = 0;
        for (int i = 0; i < 10 && reader.Next(fields, line); ++i)
            rows.push_back(fields);
        EXPECT_EQ(rows, c.rows) << c.bytes.left(20).toStdString();
        EXPECT_EQ(reader.error(), c.error) << c.bytes.left(20).toStdString();
        EXPECT_EQ(reader.errorLine(), c.line);
        EXPECT_FALSE(reader.Next(fields, line)) << "stays at the end";
    }
}

TEST(CsvTextTest, FilesAreReadWithinTheSizeLimit) {
    QTemporaryDir dir;
    // One 10 MB line: refused without reading it whole.
    const QString huge = dir.filePath("huge.csv");
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray chunk(1024 * 1024, 'x');
        ASSERT_EQ(f.write("1,"), 2);
        for (int i = 0; i < 10; ++i)
            ASSERT_EQ(f.write(chunk), chunk.size());
    }
    EXPECT_EQ(CsvText::ReadFile(huge).error, CsvText::Error::TooLarge);
    EXPECT_EQ(CsvText::ReadFile(dir.filePath("missing.csv")).error, CsvText::Error::CannotOpen);
    // A FIFO without a writer would block the window on opening.
    const QString fifo = dir.filePath("fifo.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(CsvText::ReadFile(fifo).error, CsvText::Error::CannotOpen);
    EXPECT_EQ(CsvText::ReadFile(dir.path()).error, CsvText::Error::CannotOpen);
    const QString small = dir.filePath("small.csv");
    {
        QFile f(small);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("40001;Spannung\n");
    }
    const CsvText::Table t = CsvText::ReadFile(small);
    EXPECT_EQ(t.error, CsvText::Error::None);
    EXPECT_EQ(t.rows, (std::vector<QStringList>{{"40001", "Spannung"}}));
}

}  // namespace
}  // namespace zentiq
