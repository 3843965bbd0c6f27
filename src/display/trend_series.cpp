#include "display/trend_series.h"

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

void TrendSeries::Add(qint64 ms, double value) {
    if (!std::isfinite(value))
        return;
    ms = std::max({ms, m_lastMs, qint64(0)});
    m_lastMs = ms;
    ++m_count;
    const TrendPoint point{ms, value};
    for (Level& level : m_levels) {
        const qint64 slot = ms / level.bucketMs;
        Bucket& b = level.ring[static_cast<std::size_t>(slot) % kRingSize];
        if (b.slot != slot) {
            b = Bucket{slot, point, point};
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

std::vector<TrendPoint> TrendSeries::Points(qint64 fromMs, qint64 toMs, int columns) const {
    std::vector<TrendPoint> out;
    if (toMs < fromMs || m_count == 0)
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
    const qint64 firstSlot = std::max(fromMs / level->bucketMs, toMs / level->bucketMs - qint64(kRingSize) + 1);
    const qint64 lastSlot = toMs / level->bucketMs;
    // Buckets merge in groups when the chart has fewer columns than the
    // span has buckets; groups start at multiples of their size, so a
    // scrolling chart keeps its points in place.
    const qint64 group = std::max<qint64>(1, (lastSlot - firstSlot + columns) / std::max(columns, 1));
    out.reserve(static_cast<std::size_t>(2 * ((lastSlot - firstSlot) / group + 2)));
    const auto keep = [&](const TrendPoint& p) {
        if (p.ms >= fromMs && p.ms <= toMs)
            out.push_back(p);
    };
    const auto emit = [&](const TrendPoint& low, const TrendPoint& high) {
        if (low == high) {
            keep(low);
        } else if (low.ms <= high.ms) {
            keep(low);
            keep(high);
        } else {
            keep(high);
            keep(low);
        }
    };
    bool open = false;
    qint64 openGroup = 0;
    TrendPoint low, high;
    for (qint64 slot = firstSlot; slot <= lastSlot; ++slot) {
        const Bucket& b = level->ring[static_cast<std::size_t>(slot) % kRingSize];
        if (b.slot != slot)
            continue;
        if (open && slot / group != openGroup) {
            emit(low, high);
            open = false;
        }
        if (!open) {
            open = true;
            openGroup = slot / group;
            low = b.low;
            high = b.high;
            continue;
        }
        if (b.low.value < low.value)
            low = b.low;
        if (b.high.value > high.value)
            high = b.high;
    }
    if (open)
        emit(low, high);
    return out;
}

}  // namespace zentiq
