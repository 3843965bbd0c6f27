// The bus statistics figures without a window: achieved rates and the slow
// mark from made-up slot figures, response times in milliseconds, the line's
// busy share, and the copy and CSV texts read back.
#include <QStringList>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "values/bus_statistics.h"
#include "values/csv_text.h"

namespace zentiq {
namespace {

SlotTiming Polls(std::uint32_t transactions, std::uint64_t spanUs, std::uint64_t sinceLastUs) {
    SlotTiming t;
    t.transactions = transactions;
    t.spanUs = spanUs;
    t.sinceLastUs = sinceLastUs;
    return t;
}

PollWindowRequest Asking(int scanRate, bool polling = true) {
    PollWindowRequest r;
    r.name = QStringLiteral("Zentiq1");
    r.slot = 1;
    r.scanRate = scanRate;
    r.polling = polling;
    return r;
}

struct RateCase {
    const char* name;
    int scanRate;
    bool polling;
    std::uint32_t transactions;
    std::uint64_t spanUs, sinceLastUs;
    std::optional<double> achieved;
    bool slow;
};

void PrintTo(const RateCase& c, std::ostream* os) { *os << c.name; }

class AchievedRateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(AchievedRateTest, ComesFromTheSpanAndMarksWindowsBelowNinetyPercent) {
    const RateCase& c = GetParam();
    const BusStatisticsRow row =
        BusStatistics::Row(Asking(c.scanRate, c.polling), Polls(c.transactions, c.spanUs, c.sinceLastUs));
    ASSERT_EQ(row.achievedPerSecond.has_value(), c.achieved.has_value());
    if (c.achieved) {
        EXPECT_NEAR(*row.achievedPerSecond, *c.achieved, 1e-9);
    }
    EXPECT_EQ(row.slow, c.slow);
    const QStringList cells = BusStatistics::Cells(row);
    EXPECT_EQ(cells[BusStatistics::kAchievedColumn].isEmpty(), !c.achieved);
    EXPECT_EQ(cells[BusStatistics::kAchievedColumn + 1].isEmpty(), !c.slow);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, AchievedRateTest,
    ::testing::Values(
        RateCase{"no_poll_yet", 100, true, 0, 0, 0, std::nullopt, false},
        RateCase{"one_poll_has_no_period", 100, true, 1, 0, 50000, std::nullopt, false},
        RateCase{"on_time", 100, true, 11, 1000000, 50000, 10.0, false},
        RateCase{"exactly_ninety_percent_is_enough", 100, true, 10, 1000000, 0, 9.0, false},
        RateCase{"below_ninety_percent", 100, true, 11, 1200000, 0, 10 / 1.2, true},
        // Asked 10/s and got it, then no turn for two seconds: the wait counts.
        RateCase{"no_longer_served", 100, true, 5, 400000, 2000000, 5 / 2.4, true},
        RateCase{"stopped_windows_keep_their_rate_unjudged", 100, false, 5, 400000, 2000000, 10.0,
                 false},
        RateCase{"as_fast_as_possible_is_never_slow", 0, true, 11, 1000000, 0, 10.0, false},
        RateCase{"two_polls_are_not_judged", 100, true, 2, 500000, 0, 2.0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BusStatisticsRow, ResponseTimesAreInMillisecondsAndEmptyBeforeTheFirstAnswer) {
    SlotTiming t = Polls(4, 300000, 0);
    QStringList cells = BusStatistics::Cells(BusStatistics::Row(Asking(100), t));
    for (int column = 8; column <= 12; ++column) EXPECT_TRUE(cells[column].isEmpty()) << column;

    // Three answers of 2, 3 and 10 ms, a timeout, a CRC error and an exception.
    t.answered = 3;
    t.lastUs = 10000;
    t.minUs = 2000;
    t.maxUs = 10000;
    t.sumUs = 15000;
    t.histogram[ResponseTimeBucket(2000)] = 1;
    t.histogram[ResponseTimeBucket(3000)] = 1;
    t.histogram[ResponseTimeBucket(10000)] = 1;
    t.timeouts = 1;
    t.checksumErrors = 2;
    t.exceptions = 3;
    const BusStatisticsRow row = BusStatistics::Row(Asking(100), t);
    EXPECT_DOUBLE_EQ(row.avgMs.value_or(0), 5.0);
    EXPECT_DOUBLE_EQ(row.p95Ms.value_or(0), 10.0);
    cells = BusStatistics::Cells(row);
    EXPECT_EQ(cells.mid(8), QStringList({"10.00", "2.00", "5.00", "10.00", "10.00", "4", "1", "2", "3"}));
}

struct WindowCase {
    const char* name;
    int function, address, quantity, oneBased, scanRate;
    QStringList cells;  // function, address, scan rate, requested rate
};

void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }

class WindowCellsTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(WindowCellsTest, ShowTheRequestAsTheWindowShowsIt) {
    const WindowCase& c = GetParam();
    PollWindowRequest r = Asking(c.scanRate);
    r.slaveId = 17;
    r.function = c.function;
    r.address = c.address;
    r.quantity = c.quantity;
    r.oneBased = c.oneBased;
    const QStringList cells = BusStatistics::Cells(BusStatistics::Row(r, SlotTiming{}));
    ASSERT_EQ(cells.size(), BusStatistics::Headers().size());
    EXPECT_EQ(cells[0], "Zentiq1");
    EXPECT_EQ(cells[1], "17");
    EXPECT_EQ(cells.mid(2, 4), c.cells);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, WindowCellsTest,
    ::testing::Values(WindowCase{"holding_protocol", 3, 0, 10, 0, 1000, {"03", "0-9", "1000", "1.00"}},
                      WindowCase{"coils_plc", 1, 99, 16, 1, 250, {"01", "100-115", "250", "4.00"}},
                      WindowCase{"single_write", 6, 7, 1, 0, 0, {"06", "7", "0", "尽快"}},
                      WindowCase{"top_of_the_table", 4, 65535, 1, 1, 3, {"04", "65536", "3", "333.33"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BusLineFigures, BusyShareAndRateNeedWallTime) {
    const BusLineFigures none = BusStatistics::Line(LineTiming{});
    EXPECT_FALSE(none.busyShare);
    EXPECT_FALSE(none.transactionsPerSecond);
    EXPECT_EQ(BusStatistics::LineText(none), "总线：尚无通讯");

    const BusLineFigures line = BusStatistics::Line({500, 1500000, 6000000});
    EXPECT_DOUBLE_EQ(line.busyShare.value_or(0), 0.25);
    EXPECT_DOUBLE_EQ(line.transactionsPerSecond.value_or(0), 500 / 6.0);
    EXPECT_EQ(BusStatistics::LineText(line), "总线占用 25.0 %，每秒 83.3 个事务（500 个事务，6.0 秒）");
}

std::vector<BusStatisticsRow> TwoRows() {
    PollWindowRequest formula = Asking(100);
    formula.name = QStringLiteral("=cmd|' /C calc'!A0, \"x\"");
    SlotTiming slow = Polls(11, 1200000, 0);
    slow.answered = 1;
    slow.minUs = slow.maxUs = slow.lastUs = 1500;
    slow.sumUs = 1500;
    slow.histogram[ResponseTimeBucket(1500)] = 1;
    return {BusStatistics::Row(Asking(1000), Polls(3, 2000000, 0)), BusStatistics::Row(formula, slow)};
}

TEST(BusStatisticsExport, CsvReadsBackAsTheTableWithTheLineBelow) {
    const std::vector<BusStatisticsRow> rows = TwoRows();
    const BusLineFigures line = BusStatistics::Line({14, 2000000, 4000000});
    const CsvText::Table table = CsvText::Parse(BusStatistics::Csv(rows, line));
    ASSERT_EQ(table.error, CsvText::Error::None);
    ASSERT_EQ(table.rows.size(), 7u);
    EXPECT_EQ(table.rows[0], BusStatistics::Headers());
    EXPECT_EQ(table.rows[1], BusStatistics::Cells(rows[0]));
    EXPECT_EQ(table.rows[2], BusStatistics::Cells(rows[1])) << "a name a spreadsheet would run comes back";
    EXPECT_EQ(table.rows[2][BusStatistics::kAchievedColumn + 1], "是");
    EXPECT_EQ(table.rows[3], QStringList({"总线占用 (%)", "50.0"}));
    EXPECT_EQ(table.rows[4], QStringList({"每秒事务", "3.5"}));
    EXPECT_EQ(table.rows[5], QStringList({"事务", "14"}));
    EXPECT_EQ(table.lines[3], 5) << "a blank line parts the windows from the line";
}

TEST(BusStatisticsExport, CsvHeaderSaysWhereAndWhenAboveTheUnchangedTable) {
    const std::vector<BusStatisticsRow> rows = TwoRows();
    const BusLineFigures line = BusStatistics::Line({14, 2000000, 4000000});
    struct Case {
        const char* name;
        BusStatisticsSource source;
        QStringList expected[4];
    };
    const QDateTime start(QDate(2024, 3, 9), QTime(23, 58, 1));
    const Case cases[] = {
        {"TCP across midnight",
         {"TCP 127.0.0.1:502", start, start.addSecs(125), "1.4.2"},
         {{"连接", "TCP 127.0.0.1:502"}, {"开始时间", "2024-03-09 23:58:01"},
          {"结束时间", "2024-03-10 00:00:06"}, {"程序版本", "1.4.2"}}},
        {"serial, a comma in the name, no start known",
         {"/dev/ttyUSB0 19200 8E1 RTU, bus A", QDateTime(), start, ""},
         {{"连接", "/dev/ttyUSB0 19200 8E1 RTU, bus A"}, {"开始时间", ""},
          {"结束时间", "2024-03-09 23:58:01"}, {"程序版本", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray csv = BusStatistics::Csv(c.source, rows, line);
        const CsvText::Table table = CsvText::Parse(csv);
        ASSERT_EQ(table.error, CsvText::Error::None);
        ASSERT_EQ(table.rows.size(), 4u + 7u);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(table.rows[static_cast<std::size_t>(i)], c.expected[i]);
        EXPECT_EQ(table.lines[4], 6) << "a blank line parts the header from the table";
        // Below the header, byte for byte the table it always wrote.
        EXPECT_TRUE(csv.endsWith(BusStatistics::Csv(rows, line)));
    }
}

TEST(BusStatisticsExport, CopyTextHasTheLineThenOneTabbedRowPerWindow) {
    const std::vector<BusStatisticsRow> rows = TwoRows();
    const BusLineFigures line = BusStatistics::Line({14, 2000000, 4000000});
    const QStringList lines = BusStatistics::CopyText(rows, line).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], BusStatistics::LineText(line));
    EXPECT_EQ(lines[1].split(u'\t'), BusStatistics::Headers());
    EXPECT_EQ(lines[3].split(u'\t'), BusStatistics::Cells(rows[1]));
}

}  // namespace
}  // namespace zentiq
