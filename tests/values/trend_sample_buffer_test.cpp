// The buffer between a trend's poll results and its lines' stores: what it
// files must be exactly what the stores would have taken sample by sample.
#include "values/trend_sample_buffer.h"
#include "values/trend_series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace zentiq {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One poll result: a gap, or a value per line (NaN: that line has none).
struct Result {
    qint64 ms;
    bool gap;
    std::vector<double> values;
};

// Results of `lines` lines every `stepMs` for `count` results, every
// `gapEvery`-th a failed poll, line 1 without a value every 7th result.
std::vector<Result> results(int lines, qint64 stepMs, int count, int gapEvery) {
    std::vector<Result> out;
    for (int i = 0; i < count; ++i) {
        Result r{stepMs * i, gapEvery > 0 && i % gapEvery == gapEvery - 1, {}};
        for (int l = 0; l < lines; ++l)
            r.values.push_back(l == 1 && i % 7 == 0 ? kNaN : std::sin(0.01 * i * (l + 1)) * (l + 1));
        out.push_back(std::move(r));
    }
    return out;
}

TEST(TrendSampleBufferTest, FiledRowsGiveTheStoresWhatDirectSamplingGives) {
    struct Case {
        const char* name;
        std::size_t rows;  // capacity: smaller ones drain more often
        int lines;
        qint64 stepMs;
        int count;
        int gapEvery;
    };
    const Case cases[] = {
        {"one line, one drain", 4096, 1, 10, 3000, 0},
        {"three lines with gaps and missing values", 4096, 3, 25, 4000, 13},
        {"drained every 5 rows", 5, 3, 25, 4000, 13},
        {"a single-row buffer", 1, 2, 100, 500, 3},
        // Longer than the hour the stores keep: their bucket rings wrap.
        {"rings wrap around", 1000, 2, 1000, 2 * 3600 + 17, 50},
        {"no lines: gaps only", 64, 0, 10, 100, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Result> input = results(c.lines, c.stepMs, c.count, c.gapEvery);
        std::vector<TrendSeries> direct(std::size_t(c.lines)), buffered(std::size_t(c.lines));
        TrendSampleBuffer buffer(std::size_t(c.lines), c.rows);
        ASSERT_EQ(buffer.Capacity(), c.rows);
        for (const Result& r : input) {
            for (std::size_t l = 0; l < direct.size(); ++l) {
                if (r.gap)
                    direct[l].AddGap(r.ms);
                else
                    direct[l].Add(r.ms, r.values[l]);
            }
            if (buffer.Full()) {
                EXPECT_TRUE(buffer.DrainInto(buffered));
            }
            if (r.gap) {
                buffer.PushGap(r.ms);
            } else {
                const std::span<double> row = buffer.PushRow(r.ms);
                ASSERT_EQ(row.size(), r.values.size());
                std::copy(r.values.begin(), r.values.end(), row.begin());
            }
        }
        EXPECT_TRUE(buffer.DrainInto(buffered));
        EXPECT_TRUE(buffer.Empty());
        EXPECT_FALSE(buffer.DrainInto(buffered));
        const qint64 end = input.back().ms;
        for (std::size_t l = 0; l < direct.size(); ++l) {
            EXPECT_EQ(buffered[l].SampleCount(), direct[l].SampleCount()) << "line " << l;
            for (const qint64 span : kTrendSpansMs)
                for (const int columns : {kTrendBucketsPerSpan, 300, 7})
                    EXPECT_EQ(buffered[l].Points(end - span, end, columns),
                              direct[l].Points(end - span, end, columns))
                        << "line " << l << " span " << span << " columns " << columns;
        }
    }
}

TEST(TrendSampleBufferTest, AFullBufferTakesNothingAndResetChangesTheRowWidth) {
    TrendSampleBuffer buffer(2, 3);
    for (qint64 i = 0; i < 3; ++i) {
        const std::span<double> row = buffer.PushRow(100 * i);
        ASSERT_EQ(row.size(), 2u);
        row[0] = double(i);
        row[1] = -double(i);
    }
    EXPECT_TRUE(buffer.Full());
    EXPECT_TRUE(buffer.PushRow(300).empty());
    buffer.PushGap(400);
    EXPECT_EQ(buffer.Size(), 3u);

    // Fewer stores than lines: the extra column is not filed anywhere.
    std::vector<TrendSeries> one(1);
    EXPECT_TRUE(buffer.DrainInto(one));
    EXPECT_EQ(one[0].SampleCount(), 3);
    EXPECT_EQ(one[0].Points(0, 1000), (std::vector<TrendPoint>{{0, 0}, {100, 1}, {200, 2}}));

    // More stores than lines: the others are left alone, gaps too.
    buffer.Reset(1);
    EXPECT_EQ(buffer.Series(), 1u);
    EXPECT_TRUE(buffer.Empty());
    buffer.PushRow(10)[0] = 5;
    buffer.PushGap(11);
    std::vector<TrendSeries> three(3);
    EXPECT_TRUE(buffer.DrainInto(three));
    EXPECT_EQ(three[0].Points(0, 100), (std::vector<TrendPoint>{{10, 5}, {11, 0, true}}));
    EXPECT_TRUE(three[1].Points(0, 100).empty());

    // A buffer of no rows still holds one, so that a result is never refused outright.
    TrendSampleBuffer tiny(1, 0);
    EXPECT_EQ(tiny.Capacity(), 1u);
    EXPECT_EQ(tiny.PushRow(0).size(), 1u);
}

}  // namespace
}  // namespace zentiq
