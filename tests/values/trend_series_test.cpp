// The window-free parts of the trend: the numbers a poll's values chart as,
// the bounded per-series store and its decimation, and the CSV text.
#include "values/trend_csv.h"
#include "values/trend_series.h"
#include "values/value_format.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

namespace zentiq {
namespace {

// ---- numbers in the display format -------------------------------------------------------

struct NumberCase {
    int function;
    int format;
    int length;
    int index;
    std::optional<double> expected;
};

class NumericValueTest : public ::testing::Test {
protected:
    std::array<std::uint8_t, 2000> values{};
    template <class T>
    void put(int firstRegister, T value) {
        std::memcpy(values.data() + 2 * firstRegister, &value, sizeof value);
    }
};

TEST_F(NumericValueTest, EachFormatGivesTheNumberItsCellShows) {
    put<std::uint16_t>(0, 0xFFFF);
    put<float>(2, -2.5f);
    put<double>(4, 1234.5678);
    put<std::int32_t>(8, -70000);
    values[1000] = 1;  // coil 1000 (byte per coil)
    const NumberCase cases[] = {
        {3, 0, 10, 0, -1.0},         // signed word
        {3, 1, 10, 0, 65535.0},      // unsigned
        {4, 2, 10, 0, 65535.0},      // hex charts the unsigned word
        {3, 3, 10, 0, 65535.0},      // binary likewise
        {3, 4, 10, 2, -2.5},         // float pair at 2
        {3, 5, 10, 2, -2.5},         // inverse: words already in host order
        {3, 4, 10, 3, std::nullopt},  // second register of the pair shows nothing
        {3, 4, 3, 2, std::nullopt},   // pair cut off by the end of the poll
        {16, 6, 8, 4, 1234.5678},    // double group at 4
        {16, 7, 7, 4, std::nullopt},  // group cut off
        {6, 8, 10, 8, -70000.0},     // long
        {3, 9, 10, 9, std::nullopt},
        {1, 4, 2000, 1000, 1.0},     // coils ignore the display format
        {2, 0, 2000, 999, 0.0},
        {3, 0, 10, 10, std::nullopt},  // outside the poll
        {3, 0, 10, -1, std::nullopt},
        {7, 0, 10, 0, std::nullopt},   // no such function
        {3, 12, 10, 0, std::nullopt},  // no such format
        {3, 6, 2000, 1000, std::nullopt},  // index in range, value beyond the buffer
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "function " << c.function << " format " << c.format << " index "
                                        << c.index);
        EXPECT_EQ(NumericValue(values, c.length, c.function, c.format, c.index), c.expected);
    }
}

// ---- the bounded store ------------------------------------------------------------------------

std::vector<double> valuesOf(const std::vector<TrendPoint>& points) {
    std::vector<double> out;
    for (const TrendPoint& p : points)
        out.push_back(p.value);
    return out;
}

TEST(TrendSeriesTest, SlowSamplesComeBackExactlyAndInOrder) {
    TrendSeries s;
    // One sample per 3 s: at most one per bucket at every span.
    std::vector<TrendPoint> samples;
    for (int i = 0; i < 1300; ++i)
        samples.push_back({3000 * i, double(i % 2 ? -i : i)});
    for (const TrendPoint& p : samples)
        s.Add(p.ms, p.value);
    const qint64 end = samples.back().ms;
    for (const qint64 span : kTrendSpansMs) {
        SCOPED_TRACE(span);
        std::vector<TrendPoint> expected;
        for (const TrendPoint& p : samples)
            if (p.ms >= end - span)
                expected.push_back(p);
        EXPECT_EQ(s.Points(end - span, end), expected);
    }
    // Only what lies inside the asked interval.
    EXPECT_EQ(valuesOf(s.Points(end - 6000, end)), (std::vector<double>{-1297, 1298, -1299}));
    // Over an hour back nothing is kept.
    EXPECT_TRUE(s.Points(0, 36'000).empty());
    EXPECT_TRUE(s.Points(60'000, 50'000).empty());
    EXPECT_TRUE(TrendSeries().Points(0, 60'000).empty());
}

TEST(TrendSeriesTest, FastSamplesKeepEachBucketsLowAndHighInTheirOrder) {
    TrendSeries s;
    // 1 kHz for 10 s: a slow ramp with one spike up and one dip down.
    for (qint64 ms = 0; ms < 10'000; ++ms) {
        double v = double(ms) / 1000.0;
        if (ms == 4321)
            v = 500;
        if (ms == 7777)
            v = -500;
        s.Add(ms, v);
    }
    const std::vector<TrendPoint> points = s.Points(0, 9'999);  // the 1 min span: 50 ms buckets
    EXPECT_LE(points.size(), 2u * 200u);
    for (std::size_t i = 1; i < points.size(); ++i)
        EXPECT_LT(points[i - 1].ms, points[i].ms) << i;
    // The extremes a pixel column would show are all there.
    const auto has = [&](qint64 ms, double v) {
        return std::find(points.begin(), points.end(), TrendPoint{ms, v}) != points.end();
    };
    EXPECT_TRUE(has(4321, 500));
    EXPECT_TRUE(has(7777, -500));
    EXPECT_TRUE(has(0, 0.0));
    EXPECT_TRUE(has(9'999, 9.999));
    // Within the spike's bucket the low (4300) comes before the spike.
    const auto spike = std::find(points.begin(), points.end(), TrendPoint{4321, 500});
    ASSERT_NE(spike, points.begin());
    EXPECT_EQ(*(spike - 1), (TrendPoint{4300, 4.3}));

    // A chart 20 columns wide gets one low/high pair per column (the
    // columns' edges fall on whole buckets), still with both extremes.
    const std::vector<TrendPoint> narrow = s.Points(0, 9'999, 20);
    EXPECT_LE(narrow.size(), 2u * 21u);
    EXPECT_GE(narrow.size(), 2u * 19u);
    EXPECT_NE(std::find(narrow.begin(), narrow.end(), TrendPoint{4321, 500}), narrow.end());
    EXPECT_NE(std::find(narrow.begin(), narrow.end(), TrendPoint{7777, -500}), narrow.end());
    for (std::size_t i = 1; i < narrow.size(); ++i)
        EXPECT_LT(narrow[i - 1].ms, narrow[i].ms) << i;
}

TEST(TrendSeriesTest, AnHourAtFullRateStaysBoundedAndForgetsWhatNoSpanShows) {
    TrendSeries s;
    // 2 hours at 500 samples per second.
    const qint64 end = 2 * 3'600'000;
    for (qint64 ms = 0; ms < end; ms += 2)
        s.Add(ms, std::sin(double(ms) / 1000.0));
    EXPECT_EQ(s.SampleCount(), end / 2);
    for (const qint64 span : kTrendSpansMs) {
        SCOPED_TRACE(span);
        const std::vector<TrendPoint> points = s.Points(end - span, end);
        EXPECT_LE(points.size(), 2u * (kTrendBucketsPerSpan + 1));
        EXPECT_GE(points.size(), std::size_t(kTrendBucketsPerSpan));  // every bucket holds samples
        EXPECT_GE(points.front().ms, end - span);
    }
    // The first hour is gone from every level.
    EXPECT_TRUE(s.Points(0, 3'000'000).empty());
}

TEST(TrendSeriesTest, NonFiniteValuesAndBackwardTimesDoNotBreakTheOrder) {
    TrendSeries s;
    s.Add(100, 1);
    s.Add(200, std::numeric_limits<double>::quiet_NaN());
    s.Add(300, std::numeric_limits<double>::infinity());
    s.Add(50, 2);  // a clock that went back counts as now
    s.Add(-5, 3);
    EXPECT_EQ(s.SampleCount(), 3);
    const std::vector<TrendPoint> points = s.Points(0, 1000);
    ASSERT_EQ(points.size(), 2u);  // all at 100 ms, one bucket: its low and its high
    EXPECT_EQ(points[0], (TrendPoint{100, 1}));
    EXPECT_EQ(points[1], (TrendPoint{100, 3}));
}

// Samples go to the newest bucket of each level without looking it up;
// a sample in another slot, one a whole ring later in the same place, and
// a copy of the store must each still find their own bucket.
TEST(TrendSeriesTest, TheNewestBucketIsFoundAgainAfterSilencesWrapAroundsAndCopies) {
    const qint64 ring = 60'050;  // the 1 minute level: 1201 buckets of 50 ms
    struct Case {
        const char* name;
        std::vector<TrendPoint> samples;
        qint64 from, to;
        std::vector<TrendPoint> expected;
    };
    const Case cases[] = {
        {"same bucket", {{10, 1}, {20, 5}, {30, 3}}, 0, 1000, {{10, 1}, {20, 5}}},
        {"next bucket", {{10, 1}, {49, 2}, {50, 7}}, 0, 1000, {{10, 1}, {49, 2}, {50, 7}}},
        {"a whole ring later, 1 minute", {{0, 1}, {ring, 2}}, ring - 60'000, ring, {{ring, 2}}},
        {"a whole ring later, 2 minutes", {{0, 1}, {ring, 2}}, 0, ring, {{0, 1}, {ring, 2}}},
        {"back into the ring after a silence", {{0, 9}, {25, 1}, {ring + 25, 4}, {ring + 26, 3}},
         ring - 50, ring + 50, {{ring + 25, 4}, {ring + 26, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrendSeries s;
        for (const TrendPoint& p : c.samples)
            s.Add(p.ms, p.value);
        EXPECT_EQ(s.Points(c.from, c.to), c.expected);
    }
    TrendSeries original;
    original.Add(100, 1);
    TrendSeries copy = original;
    original.Add(110, 5);
    copy.Add(110, -5);
    EXPECT_EQ(original.Points(0, 1000), (std::vector<TrendPoint>{{100, 1}, {110, 5}}));
    EXPECT_EQ(copy.Points(0, 1000), (std::vector<TrendPoint>{{100, 1}, {110, -5}}));
}

// A failed poll breaks the line where it lies; a run of failures is one
// break, and a column that merges buckets keeps its failures in time order
// with its low and high.
TEST(TrendSeriesTest, FailedPollsBreakTheLineWhereTheyLie) {
    struct Event {
        qint64 ms;
        double value;
        bool gap;
    };
    const auto gap = [](qint64 ms) { return TrendPoint{ms, 0, true}; };
    struct Case {
        const char* name;
        std::vector<Event> events;
        qint64 from, to;
        int columns;
        std::vector<TrendPoint> expected;
    };
    const Case cases[] = {
        {"between two samples", {{1000, 1, false}, {2000, 0, true}, {3000, 2, false}}, 0, 60'000, 1200,
         {{1000, 1}, gap(2000), {3000, 2}}},
        {"failures in a row", {{1000, 1, false}, {2000, 0, true}, {2500, 0, true}, {2600, 0, true}, {3000, 2, false}},
         0, 60'000, 1200, {{1000, 1}, gap(2000), {3000, 2}}},
        {"inside one bucket", {{1000, 5, false}, {1010, 0, true}, {1020, 7, false}}, 0, 60'000, 1200,
         {{1000, 5}, gap(1010), {1020, 7}}},
        {"first and last of a merged column", {{0, 5, false}, {100, 0, true}, {900, 9, false}, {950, 0, true}},
         0, 60'000, 60, {{0, 5}, gap(100), {900, 9}, gap(950)}},
        {"only failures", {{1000, 0, true}, {2000, 0, true}}, 0, 60'000, 1200, {gap(1000)}},
        {"before the span", {{100, 0, true}, {20'000, 3, false}}, 10'000, 70'000, 1200, {{20'000, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrendSeries s;
        for (const Event& e : c.events) {
            if (e.gap)
                s.AddGap(e.ms);
            else
                s.Add(e.ms, e.value);
        }
        EXPECT_EQ(s.Points(c.from, c.to, c.columns), c.expected);
    }
}

// ---- CSV ---------------------------------------------------------------------------------------

TEST(TrendCsvTest, RowsMergeTheSeriesByTimeWithQuotedNamesAndExactNumbers) {
    const QDateTime start(QDate(2026, 3, 4), QTime(5, 6, 7, 8), QTimeZone(3600));
    const std::vector<std::vector<TrendPoint>> points = {
        {{0, 1}, {1500, 0.1}, {1500, -2}, {2000, 0, true}},
        {{1500, 1e20}, {3000, 65535}},
        {},
    };
    const QByteArray csv = TrendCsv({"Pump, A", "say \"hi\"", "40003"}, points, start);
    const QStringList lines = QString::fromUtf8(csv).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines, QStringList({
                         "Time,\"Pump, A\",\"say \"\"hi\"\"\",40003",
                         "2026-03-04 05:06:07.008+01:00,1,,",
                         "2026-03-04 05:06:08.508+01:00,0.1,1e+20,",
                         "2026-03-04 05:06:08.508+01:00,-2,,",
                         "2026-03-04 05:06:09.008+01:00,,,",  // the failed poll: no value
                         "2026-03-04 05:06:10.008+01:00,,65535,",
                         "",
                     }));
    // Every number reads back to the value it was made from.
    for (const double v : {0.1, double(0.1f), 1.0 / 3.0, -1e-300, 123456789.0})
        EXPECT_EQ(TrendCsvNumber(v).toDouble(), v);
    // Names beyond the series (or series beyond the names) add no columns.
    EXPECT_EQ(TrendCsv({"a"}, {}, start), QByteArray("Time,a\r\n"));
}

// A spreadsheet runs a cell that starts with =, +, - or @ as a formula;
// such names are written as text. Numbers stay numbers. Times carry their
// offset from UTC, so that the hour a clock goes back reads unambiguously.
TEST(TrendCsvTest, FormulaLikeNamesAreTextAndTimesCarryTheirOffset) {
    const std::pair<QString, QString> names[] = {
        {"=SUM(A1:A9)", "'=SUM(A1:A9)"}, {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
        {"-flow", "'-flow"},             {"@inlet", "'@inlet"},
        {"-5", "-5"},                    {"+2.5e3", "+2.5e3"},
        {"=A1,B1", "\"'=A1,B1\""},      {"Pump = on", "Pump = on"},
        {"", ""},
    };
    for (const auto& [name, written] : names)
        EXPECT_EQ(TrendCsvName(name), written) << name.toStdString();
    EXPECT_TRUE(TrendCsv({"=1+1"}, {}, QDateTime::currentDateTime()).startsWith("Time,'=1+1\r\n"));

    const std::pair<QDateTime, QString> times[] = {
        {QDateTime(QDate(2026, 10, 25), QTime(2, 30), QTimeZone(7200)), "2026-10-25 02:30:00.000+02:00"},
        {QDateTime(QDate(2026, 10, 25), QTime(2, 30), QTimeZone(3600)), "2026-10-25 02:30:00.000+01:00"},
        {QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6), QTimeZone(-(5 * 3600 + 30 * 60))),
         "2026-01-02 03:04:05.006-05:30"},
        {QDateTime(QDate(2026, 1, 2), QTime(0, 0), QTimeZone::utc()), "2026-01-02 00:00:00.000+00:00"},
    };
    for (const auto& [time, written] : times)
        EXPECT_EQ(TrendCsvTime(time), written);
}

}  // namespace
}  // namespace zentiq
