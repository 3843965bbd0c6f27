#include "values/trend_envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zentiq {

namespace {

// Clamps, and takes NaN to the low end: far-off values end at the edge.
double bound(double v, double low, double high) {
    if (!(v > low))
        return low;
    return v < high ? v : high;
}

struct Device {
    double x;
    double y;
};

class RunBuilder {
public:
    RunBuilder(int firstColumn, int lastColumn)
        : m_first(firstColumn),
          m_last(lastColumn),
          m_low(std::size_t(lastColumn - firstColumn + 1), std::numeric_limits<double>::infinity()),
          m_high(m_low.size(), -std::numeric_limits<double>::infinity()) {}

    // The next point of the line, x not below the one before: the column
    // it lies in, and every column edge the line crossed to get there,
    // take its height there.
    void To(Device p) {
        const int column = int(std::floor(bound(p.x, m_first - 1.0, m_last + 1.0)));
        if (m_started && column > m_column) {
            const double slope = (p.y - m_y) / (p.x - m_x);
            for (int edge = std::max(m_column + 1, m_first); edge <= std::min(column, m_last + 1); ++edge) {
                const double y = m_y + (double(edge) - m_x) * slope;
                include(edge - 1, y);
                include(edge, y);
            }
        }
        include(column, p.y);
        m_started = true;
        m_column = column;
        m_x = p.x;
        m_y = p.y;
    }

    TrendEnvelopeRun Finish(int penWidth, double rowMin, double rowMax) const {
        // A pen w wide covers (w - 1) / 2 pixels after the line and w / 2
        // before it, across and along.
        const int after = (penWidth - 1) / 2;
        const int before = penWidth / 2;
        const int n = int(m_low.size());
        std::vector<int> top(m_low.size()), bottom(m_low.size());
        for (std::size_t c = 0; c < m_low.size(); ++c) {
            top[c] = int(std::floor(bound(m_low[c], rowMin, rowMax)));
            bottom[c] = int(std::floor(bound(m_high[c], rowMin, rowMax))) + 1;
        }
        TrendEnvelopeRun run;
        run.firstColumn = m_first - before;
        const std::size_t width = std::size_t(n + before + after);
        run.top.resize(width);
        run.bottom.resize(width);
        for (std::size_t x = 0; x < width; ++x) {
            // Pixel column firstColumn + x takes the columns c with
            // c - before <= it <= c + after.
            const int lo = std::max(0, int(x) - before - after);
            const int hi = std::min(n - 1, int(x));
            int t = top[std::size_t(lo)], b = bottom[std::size_t(lo)];
            for (int c = lo + 1; c <= hi; ++c) {
                t = std::min(t, top[std::size_t(c)]);
                b = std::max(b, bottom[std::size_t(c)]);
            }
            run.top[x] = t - before;
            run.bottom[x] = b + after;
        }
        return run;
    }

private:
    void include(int column, double y) {
        if (column < m_first || column > m_last)
            return;
        const std::size_t i = std::size_t(column - m_first);
        m_low[i] = std::min(m_low[i], y);
        m_high[i] = std::max(m_high[i], y);
    }
    int m_first;
    int m_last;
    std::vector<double> m_low;
    std::vector<double> m_high;
    bool m_started = false;
    int m_column = 0;
    double m_x = 0;
    double m_y = 0;
};

}  // namespace

TrendEnvelopeRun TrendEnvelopeOf(std::span<const QPointF> run, const TrendMapping& mapping,
                                 int penWidth) {
    if (run.size() < 2 || !mapping.valid())
        return {};
    const QRectF& area = mapping.area;
    const double sx = area.width() / (mapping.toMs - mapping.fromMs);
    const double sy = area.height() / (mapping.high - mapping.low);
    if (!std::isfinite(sx) || !std::isfinite(sy))
        return {};
    penWidth = std::max(1, penWidth);
    // Far enough out that a clipped line still reaches the area's edge.
    const double margin = penWidth + 2;
    const double xMin = area.left() - margin, xMax = area.right() + margin;
    const auto device = [&](const QPointF& p) {
        return Device{area.left() + (p.x() - mapping.fromMs) * sx,
                      area.top() + (mapping.high - p.y()) * sy};
    };
    const Device first = device(run.front());
    const Device last = device(run.back());
    if (!(last.x >= xMin) || !(first.x <= xMax) || !(last.x >= first.x))
        return {};  // beside the area, or not in time order
    const int firstColumn = int(std::floor(bound(first.x, xMin, xMax)));
    const int lastColumn = int(std::floor(bound(last.x, xMin, xMax)));
    RunBuilder builder(firstColumn, lastColumn);
    for (const QPointF& p : run) {
        // In time order; a clock that stood still gives the same x twice.
        builder.To(device(p));
    }
    return builder.Finish(penWidth, area.top() - margin, area.bottom() + margin);
}

namespace {

using Rows = std::pair<int, int>;  // [first, end)

// Adds `rows` to the sorted, disjoint `covered` and puts the parts of
// `rows` that were not covered yet into `shown`.
void cover(std::vector<Rows>& covered, Rows rows, std::vector<Rows>& shown) {
    shown.clear();
    int from = rows.first;
    for (const Rows& c : covered) {
        if (c.second <= from)
            continue;
        if (c.first >= rows.second)
            break;
        if (c.first > from)
            shown.emplace_back(from, c.first);
        from = std::max(from, c.second);
    }
    if (from < rows.second)
        shown.emplace_back(from, rows.second);
    if (shown.empty())
        return;
    // Merge: everything between the first and the last overlapping or
    // touching interval becomes one.
    auto first = std::lower_bound(covered.begin(), covered.end(), rows,
                                  [](const Rows& c, const Rows& r) { return c.second < r.first; });
    auto last = first;
    Rows merged = rows;
    while (last != covered.end() && last->first <= rows.second) {
        merged.first = std::min(merged.first, last->first);
        merged.second = std::max(merged.second, last->second);
        ++last;
    }
    first = covered.erase(first, last);
    covered.insert(first, merged);
}

}  // namespace

std::vector<std::vector<QRect>> TrendVisibleRects(
    std::span<const std::vector<TrendEnvelopeRun>> lines, const QRect& clip) {
    std::vector<std::vector<QRect>> out(lines.size());
    if (clip.isEmpty())
        return out;
    std::vector<std::vector<Rows>> covered(std::size_t(clip.width()));
    std::vector<Rows> shown;
    // The rectangles of the column before, by rows, to widen.
    std::vector<std::pair<Rows, std::size_t>> before, now;
    for (std::size_t l = lines.size(); l-- > 0;) {
        std::vector<QRect>& rects = out[l];
        for (const TrendEnvelopeRun& run : lines[l]) {
            before.clear();
            const int n = int(std::min(run.top.size(), run.bottom.size()));
            const int from = std::max(0, clip.left() - run.firstColumn);
            const int to = std::min(n, clip.right() + 1 - run.firstColumn);
            for (int i = from; i < to; ++i) {
                const int x = run.firstColumn + i;
                const Rows rows{std::max(run.top[std::size_t(i)], clip.top()),
                                std::min(run.bottom[std::size_t(i)], clip.bottom() + 1)};
                now.clear();
                if (rows.first < rows.second) {
                    cover(covered[std::size_t(x - clip.left())], rows, shown);
                    for (const Rows& r : shown) {
                        const auto same = std::find_if(before.begin(), before.end(),
                                                       [&](const auto& b) { return b.first == r; });
                        if (same != before.end()) {
                            rects[same->second].setRight(x);
                            now.push_back(*same);
                        } else {
                            rects.emplace_back(x, r.first, 1, r.second - r.first);
                            now.emplace_back(r, rects.size() - 1);
                        }
                    }
                }
                std::swap(before, now);
            }
        }
    }
    return out;
}

}  // namespace zentiq
