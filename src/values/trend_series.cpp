#include "values/trend_series.h"

#include <algorithm>
#include <cmath>

namespace zentiq {

namespace {
// One bucket more than a span needs: a span rarely starts on a bucket edge.
constexpr std::size_t kRingSize = kTrendBucketsPerSpan + 1;
}  // namespace

TrendSeries::TrendSeries() {
    for (std::size_t i = 0; i < m_levels.size(); ++i) {
        m_levels[i].bucketMs = std::max<qint64>(1, kTrendSpansMs[i] / kTrendBucketsPerSpan);
        m_levels[i].ring.resize(kRingSize);
    }
}

qint64 TrendSeries::clampTime(qint64 ms) {
    m_lastMs = std::max({ms, m_lastMs, qint64(0)});
    return m_lastMs;
}

TrendSeries::Bucket& TrendSeries::bucketAt(Level& level, qint64 ms) {
    if (ms >= level.currentStartMs && ms < level.currentEndMs)
        return level.ring[level.currentIndex];
    const qint64 slot = ms / level.bucketMs;
    level.currentIndex = static_cast<std::size_t>(slot) % kRingSize;
    level.currentStartMs = slot * level.bucketMs;
    level.currentEndMs = level.currentStartMs + level.bucketMs;
    Bucket& b = level.ring[level.currentIndex];
    if (b.slot != slot) {
        b = Bucket();
        b.slot = slot;
    }
    return b;
}

void TrendSeries::Add(qint64 ms, double value) {
    if (!std::isfinite(value))
        return;
    ms = clampTime(ms);
    ++m_count;
    const TrendPoint point{ms, value};
    for (Level& level : m_levels) {
        Bucket& b = bucketAt(level, ms);
        if (!b.hasSample) {
            b.hasSample = true;
            b.low = b.high = point;
            continue;
        }
        // Strict comparisons keep the first of equal samples, so a flat
        // stretch stays one point per bucket.
        if (value < b.low.value)
            b.low = point;
        if (value > b.high.value)
            b.high = point;
    }
}

void TrendSeries::AddGap(qint64 ms) {
    ms = clampTime(ms);
    for (Level& level : m_levels) {
        Bucket& b = bucketAt(level, ms);
        if (b.firstGapMs < 0)
            b.firstGapMs = ms;
        b.lastGapMs = ms;
    }
}

std::vector<TrendPoint> TrendSeries::Points(qint64 fromMs, qint64 toMs, int columns) const {
    std::vector<TrendPoint> out;
    if (toMs < fromMs)
        return out;
    fromMs = std::max<qint64>(fromMs, 0);
    toMs = std::max<qint64>(toMs, 0);
    const qint64 span = toMs - fromMs;
    // The finest level whose ring reaches back over the whole span.
    const Level* level = &m_levels.back();
    for (const Level& l : m_levels) {
        if (l.bucketMs * qint64(kTrendBucketsPerSpan) >= span) {
            level = &l;
            break;
        }
    }
    const qint64 firstSlot =
        std::max(fromMs / level->bucketMs, toMs / level->bucketMs - qint64(kRingSize) + 1);
    const qint64 lastSlot = toMs / level->bucketMs;
    // Buckets merge in groups when the chart has fewer columns than the
    // span has buckets; groups start at multiples of their size, so a
    // scrolling chart keeps its points in place.
    const qint64 group =
        std::max<qint64>(1, (lastSlot - firstSlot + columns) / std::max(columns, 1));
    out.reserve(static_cast<std::size_t>(2 * ((lastSlot - firstSlot) / group + 2)));
    const auto keep = [&](const TrendPoint& p) {
        if (p.ms < fromMs || p.ms > toMs)
            return;
        if (p.gap && !out.empty() && out.back().gap)
            return;
        out.push_back(p);
    };
    // A group's low and high sample and its first and last failure, in
    // time order; at equal times the sample first.
    const auto emitGroup = [&](const Bucket& g) {
        std::array<TrendPoint, 4> events;
        int n = 0;
        if (g.hasSample) {
            events[n++] = g.low;
            if (!(g.high == g.low))
                events[n++] = g.high;
        }
        if (g.firstGapMs >= 0) {
            events[n++] = TrendPoint{g.firstGapMs, 0, true};
            if (g.lastGapMs != g.firstGapMs)
                events[n++] = TrendPoint{g.lastGapMs, 0, true};
        }
        std::stable_sort(events.begin(), events.begin() + n,
                         [](const TrendPoint& a, const TrendPoint& b) { return a.ms < b.ms; });
        for (int i = 0; i < n; ++i)
            keep(events[static_cast<std::size_t>(i)]);
    };
    bool open = false;
    qint64 openGroup = 0;
    Bucket merged;
    for (qint64 slot = firstSlot; slot <= lastSlot; ++slot) {
        const Bucket& b = level->ring[static_cast<std::size_t>(slot) % kRingSize];
        if (b.slot != slot)
            continue;
        if (open && slot / group != openGroup) {
            emitGroup(merged);
            open = false;
        }
        if (!open) {
            open = true;
            openGroup = slot / group;
            merged = b;
            continue;
        }
        if (b.hasSample && !merged.hasSample) {
            merged.hasSample = true;
            merged.low = b.low;
            merged.high = b.high;
        } else if (b.hasSample) {
            if (b.low.value < merged.low.value)
                merged.low = b.low;
            if (b.high.value > merged.high.value)
                merged.high = b.high;
        }
        if (b.firstGapMs >= 0) {
            if (merged.firstGapMs < 0)
                merged.firstGapMs = b.firstGapMs;
            merged.lastGapMs = b.lastGapMs;
        }
    }
    if (open)
        emitGroup(merged);
    return out;
}

}  // namespace zentiq
