// The recent history of one charted value, kept in a bounded amount of
// memory however fast the values come: for each time span the trend window
// offers, a ring of time buckets that keeps only the lowest and the highest
// sample of its slot. What a chart of that span can show of a bucket (one
// pixel column) is exactly its low and its high. No window needed.
#pragma once

#include <QtGlobal>

#include <array>
#include <vector>

namespace zentiq {

struct TrendPoint {
    qint64 ms = 0;  // on the trend's clock
    double value = 0;
    // Not a value: a poll failed at ms, and the line breaks here.
    bool gap = false;
    bool operator==(const TrendPoint&) const = default;
};

// The spans a trend can show, shortest first, and how many buckets each is
// cut into (about one per pixel column of a large chart).
inline constexpr std::array<qint64, 6> kTrendSpansMs = {60'000,  120'000,   300'000,
                                                        600'000, 1'800'000, 3'600'000};
inline constexpr int kTrendBucketsPerSpan = 1200;

class TrendSeries {
public:
    TrendSeries();

    // A sample at `ms`. Times before the newest sample count as the newest
    // one (the clock is monotonic; this only guards the buckets' order).
    // Non-finite values are not charted and are dropped.
    void Add(qint64 ms, double value);
    // A poll that gave no value at `ms`: the line must not join the samples
    // on either side of it.
    void AddGap(qint64 ms);

    // The points to draw for the samples in [fromMs, toMs], in time order,
    // from the finest buckets that cover the span: per bucket its low and
    // high sample in the order they came (one point when they are the same
    // sample). With fewer `columns` (pixel columns of the chart) than
    // buckets in the span, neighbouring buckets merge into one low/high
    // pair per column. So at most about 2 * min(columns, kTrendBucketsPerSpan)
    // points for a span the window offers. Failed polls come as gap points
    // where they lie between the samples (the first and the last failure of
    // a column), never two gap points in a row.
    std::vector<TrendPoint> Points(qint64 fromMs, qint64 toMs,
                                   int columns = kTrendBucketsPerSpan) const;

    qint64 SampleCount() const { return m_count; }

private:
    struct Bucket {
        qint64 slot = -1;  // which bucketMs-wide slot of time it holds; -1 empty
        bool hasSample = false;
        TrendPoint low;
        TrendPoint high;
        // The first and the last failed poll in the slot; -1 none.
        qint64 firstGapMs = -1;
        qint64 lastGapMs = -1;
    };
    struct Level {
        qint64 bucketMs = 1;
        std::vector<Bucket> ring;  // kTrendBucketsPerSpan + 1, indexed by slot
        // The bucket the newest sample went to and the times it covers:
        // most samples land there, found without a division.
        std::size_t currentIndex = 0;
        qint64 currentStartMs = 0;
        qint64 currentEndMs = 0;  // exclusive; start == end: none yet
    };
    // The bucket of `ms` in a level, emptied first when it held an older slot.
    static Bucket& bucketAt(Level& level, qint64 ms);
    qint64 clampTime(qint64 ms);
    std::array<Level, kTrendSpansMs.size()> m_levels;
    qint64 m_lastMs = 0;
    qint64 m_count = 0;
};

}  // namespace zentiq
