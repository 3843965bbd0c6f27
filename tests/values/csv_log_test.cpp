// Rows of a data log written as CSV: the columns a poll's values make, the
// header's names, the rows of good and failed polls, the time with offset.
#include "values/csv_log.h"

#include <QDateTime>
#include <QRegularExpression>

#include <array>
#include <cstring>

#include <gtest/gtest.h>

namespace zentiq {
namespace {

TEST(CsvLogTest, EachValueGetsAColumnNamedByItsAliasOrAddress) {
    struct Case {
        int function;
        int oneBased;
        int length;
        int format;
        std::vector<int> items;
        QString header;  // aliases: item 2 is "Temp, °C", item 4 "=x"
    };
    const Case cases[] = {
        {3, 0, 3, 0, {0, 1, 2}, "Time,99,100,\"Temp, °C\",Status"},
        {3, 1, 3, 0, {0, 1, 2}, "Time,40100,40101,\"Temp, °C\",Status"},
        // The second register of a float has no column; a cut-off pair neither.
        {4, 1, 5, 4, {0, 2}, "Time,30100,\"Temp, °C\",Status"},
        {3, 0, 8, 6, {0, 4}, "Time,99,'=x,Status"},
        {3, 0, 7, 7, {0}, "Time,99,Status"},
        // Coils ignore the display format.
        {1, 1, 3, 4, {0, 1, 2}, "Time,00100,00101,\"Temp, °C\",Status"},
        {3, 0, 0, 0, {}, "Time,Status"},
    };
    std::array<std::uint8_t, 2000> values{};
    const auto alias = [](int item) {
        return item == 2 ? QStringLiteral("Temp, °C") : item == 4 ? QStringLiteral("=x") : QString();
    };
    for (const Case& c : cases) {
        const LogLine::Poll poll{99, c.oneBased, c.function, c.length, c.format, values};
        EXPECT_EQ(CsvLog::ValueItems(poll), c.items) << c.header.toStdString();
        EXPECT_EQ(CsvLog::Header(poll, alias), c.header);
    }
}

TEST(CsvLogTest, ColumnNamesAreUniqueWhateverTheAliases) {
    struct Case {
        std::vector<QString> aliases;  // of items 0..2 of a 16-bit poll from 40100
        QString header;
    };
    const Case cases[] = {
        {{"T", "T", ""}, "Time,T (40100),T (40101),40102,Status"},
        {{"Status", "Time", "x"}, "Time,Status (40100),Time (40101),x,Status"},
        // An alias that reads like another column's address keeps its name.
        {{"40101", "", "40101"}, "Time,40101 (40100),40101,40101 (40102),Status"},
        // A name the qualifier would give is already taken: numbered on.
        {{"T", "T (40101)", "T"}, "Time,T (40100),T (40101),T (40102),Status"},
        {{"A", "A", "A (40100)"}, "Time,A (40100) #2,A (40101),A (40100),Status"},
    };
    std::array<std::uint8_t, 2000> values{};
    for (const Case& c : cases) {
        const LogLine::Poll poll{99, 1, 3, 3, 0, values};
        const auto alias = [&](int item) { return c.aliases[std::size_t(item)]; };
        EXPECT_EQ(CsvLog::Header(poll, alias), c.header);
    }
}

TEST(CsvLogTest, GoodPollsGiveTheValuesAndFailedOnesTheirStatus) {
    std::array<std::uint8_t, 2000> values{};
    const std::uint16_t words[] = {1, 0xFFFE, 3};
    std::memcpy(values.data(), words, sizeof words);
    const qint64 t = 1'700'000'000'250;
    const QString time = CsvLog::Time(t);
    struct Case {
        int format;
        bool failed;
        QString row;
    };
    const Case cases[] = {
        {0, false, time + ",1,-2,3,"},
        {1, false, time + ",1,65534,3,"},
        {2, false, time + ",0x0001,0xFFFE,0x0003,"},
        {3, false, time + ",0000 0000 0000 0001,1111 1111 1111 1110,0000 0000 0000 0011,"},
        {0, true, time + ",,,,不合法数据地址"},
    };
    for (const Case& c : cases) {
        const LogLine::Poll poll{0, 0, 3, 3, c.format, values};
        EXPECT_EQ(CsvLog::Row(t, poll, c.failed, "不合法数据地址"), c.row);
    }
}

TEST(CsvLogTest, TimesAreIso8601ToTheMillisecondWithTheirUtcOffset) {
    const QRegularExpression iso(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$)");
    for (const qint64 t : {qint64(0), qint64(1'700'000'000'007), qint64(1'719'000'000'999)}) {
        const QString text = CsvLog::Time(t);
        EXPECT_TRUE(iso.match(text).hasMatch()) << text.toStdString();
        // The text alone names the instant, wherever it is read.
        EXPECT_EQ(QDateTime::fromString(text, Qt::ISODateWithMs).toMSecsSinceEpoch(), t) << text.toStdString();
    }
    // Five polls 200 ms apart, across a second's end: five times, in order.
    QStringList times;
    for (int i = 0; i < 5; ++i)
        times << CsvLog::Time(1'700'000'000'700 + 200 * i);
    for (int i = 1; i < times.size(); ++i)
        EXPECT_LT(times[i - 1], times[i]) << "distinct and increasing as text";
}

}  // namespace
}  // namespace zentiq
