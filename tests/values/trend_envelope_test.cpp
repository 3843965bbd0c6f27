// The trend's lines as bands of pixel rows per column, and what of them
// shows when lines lie on top of each other.
#include "values/trend_envelope.h"

#include <gtest/gtest.h>

#include <QPointF>
#include <QRect>

#include <array>
#include <cmath>
#include <vector>

namespace zentiq {
namespace {

// 1 pixel per ms and per unit over a 10 x 10 area at the origin: a value v
// lies at y = 10 - v.
const TrendMapping kMapping{0, 10, 0, 10, QRectF(0, 0, 10, 10)};

TEST(TrendEnvelopeTest, EachColumnCoversTheLowAndHighOfTheLineThereWidenedByThePen) {
    struct Case {
        const char* name;
        std::vector<QPointF> points;
        int penWidth;
        TrendEnvelopeRun expected;
    };
    const Case cases[] = {
        {"flat, thin pen", {{0.5, 5}, {3.5, 5}}, 1, {0, {5, 5, 5, 5}, {6, 6, 6, 6}}},
        // Two pixels wide: one column and one row more, before the line.
        {"flat, 2-pixel pen", {{0.5, 5}, {3.5, 5}}, 2, {-1, {4, 4, 4, 4, 4}, {6, 6, 6, 6, 6}}},
        {"three pixels: one more on each side", {{0.5, 5}, {1.5, 5}}, 3, {-1, {4, 4, 4, 4}, {7, 7, 7, 7}}},
        // Many points in one column: its low and high, whatever their order.
        {"envelope of a dense column", {{2.1, 1}, {2.3, 9}, {2.6, 4}}, 1, {2, {1}, {10}}},
        // A slope: each column from where the line enters to where it leaves.
        {"diagonal", {{0.5, 9.5}, {2.5, 7.5}}, 1, {0, {0, 1, 2}, {2, 3, 3}}},
        {"a clock that stood still", {{4.2, 8}, {4.2, 2}}, 1, {4, {2}, {9}}},
        {"one point is no band", {{3, 3}}, 1, {}},
        {"nothing", {}, 1, {}},
        {"wholly before the area", {{-100, 5}, {-50, 5}}, 1, {}},
        {"wholly after the area", {{50, 5}, {60, 5}}, 1, {}},
        // From far before the area: the columns start a pen's width plus
        // two outside it, still at the line's height.
        {"entering from the left", {{-100, 5}, {2.5, 5}}, 1, {-3, {5, 5, 5, 5, 5, 5}, {6, 6, 6, 6, 6, 6}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TrendEnvelopeOf(c.points, kMapping, c.penWidth), c.expected);
    }
}

TEST(TrendEnvelopeTest, FarOffValuesAndEmptyRangesStayBounded) {
    // Values far beyond the axis range end a pen's width and two outside the area.
    const std::vector<QPointF> wild = {{0.5, 1e300}, {1.5, -1e300}, {2.5, 5}, {3.5, -1e300}};
    const TrendEnvelopeRun run = TrendEnvelopeOf(wild, kMapping, 2);
    ASSERT_FALSE(run.top.empty());
    ASSERT_EQ(run.top.size(), run.bottom.size());
    for (std::size_t i = 0; i < run.top.size(); ++i) {
        EXPECT_GE(run.top[i], -5) << i;
        EXPECT_LE(run.bottom[i], 15) << i;
        EXPECT_LT(run.top[i], run.bottom[i]) << i;
    }
    // Mappings that cannot place a point give nothing.
    const std::vector<QPointF> line = {{1, 1}, {2, 2}};
    for (const TrendMapping& m : {TrendMapping{0, 10, 5, 5, QRectF(0, 0, 10, 10)},
                                  TrendMapping{10, 0, 0, 10, QRectF(0, 0, 10, 10)},
                                  TrendMapping{0, 10, 0, 10, QRectF()},
                                  TrendMapping{0, 10, 0, 1e-320, QRectF(0, 0, 10, 10)}})
        EXPECT_TRUE(TrendEnvelopeOf(line, m, 1).top.empty());
}

// Paints the bands line after line into a grid of line numbers, as
// filling them in order would.
using Grid = std::array<std::array<int, 40>, 30>;
Grid paintBands(const std::vector<std::vector<TrendEnvelopeRun>>& lines, const QRect& clip) {
    Grid grid{};
    for (auto& row : grid)
        row.fill(-1);
    for (std::size_t l = 0; l < lines.size(); ++l)
        for (const TrendEnvelopeRun& run : lines[l])
            for (std::size_t i = 0; i < run.top.size(); ++i)
                for (int y = run.top[i]; y < run.bottom[i]; ++y) {
                    const QPoint p(run.firstColumn + int(i), y);
                    if (clip.contains(p))
                        grid[std::size_t(p.y())][std::size_t(p.x())] = int(l);
                }
    return grid;
}

TEST(TrendEnvelopeTest, VisibleRectsFillEachPixelOnceWithTheTopmostLine) {
    const auto band = [](int first, std::vector<int> top, std::vector<int> bottom) {
        return TrendEnvelopeRun{first, std::move(top), std::move(bottom)};
    };
    // A wave per line, offset and of its own height; line 2 has a gap.
    const auto wave = [](int line) {
        TrendEnvelopeRun run{-2, {}, {}};
        for (int x = -2; x < 44; ++x) {
            const int centre = 15 + int(std::lround(10 * std::sin(0.3 * x + line)));
            run.top.push_back(centre - 1 - line % 3);
            run.bottom.push_back(centre + 1 + (x % 7 == 0 ? 8 : 0));
        }
        return run;
    };
    struct Case {
        const char* name;
        std::vector<std::vector<TrendEnvelopeRun>> lines;
        QRect clip;
    };
    const Case cases[] = {
        {"two overlapping blocks", {{band(0, {2, 2, 2, 2}, {6, 6, 6, 6})}, {band(2, {4, 4, 4, 4}, {8, 8, 8, 8})}},
         QRect(0, 0, 40, 30)},
        {"a line splits the one below in two", {{band(0, {0, 0}, {10, 10})}, {band(0, {3, 3}, {5, 5})}},
         QRect(0, 0, 40, 30)},
        {"waves on top of each other", {{wave(0)}, {wave(1)}, {wave(2), band(30, {0}, {30})}, {wave(3)}, {wave(4)}},
         QRect(0, 0, 40, 30)},
        {"clipped on every side", {{wave(0)}, {wave(1)}, {wave(5)}}, QRect(3, 4, 30, 20)},
        {"a line over itself", {{band(0, {1, 1, 1}, {9, 9, 9}), band(1, {5, 5}, {12, 12})}}, QRect(0, 0, 40, 30)},
        {"nothing to show", {{}, {band(50, {0}, {3})}}, QRect(0, 0, 40, 30)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::vector<QRect>> rects = TrendVisibleRects(c.lines, c.clip);
        ASSERT_EQ(rects.size(), c.lines.size());
        Grid painted{};
        for (auto& row : painted)
            row.fill(-1);
        int fills = 0;
        for (std::size_t l = 0; l < rects.size(); ++l)
            for (const QRect& r : rects[l]) {
                ASSERT_TRUE(c.clip.contains(r)) << "line " << l;
                for (int y = r.top(); y <= r.bottom(); ++y)
                    for (int x = r.left(); x <= r.right(); ++x) {
                        EXPECT_EQ(painted[std::size_t(y)][std::size_t(x)], -1) << "filled twice at " << x << "," << y;
                        painted[std::size_t(y)][std::size_t(x)] = int(l);
                        ++fills;
                    }
            }
        EXPECT_EQ(painted, paintBands(c.lines, c.clip));
        EXPECT_LE(fills, c.clip.width() * c.clip.height());
    }
    // Columns with the same rows share one rectangle.
    const std::vector<std::vector<TrendEnvelopeRun>> flat = {{band(0, {4, 4, 4, 4, 4}, {6, 6, 6, 6, 6})}};
    EXPECT_EQ(TrendVisibleRects(flat, QRect(0, 0, 40, 30)),
              (std::vector<std::vector<QRect>>{{QRect(0, 4, 5, 2)}}));
    EXPECT_EQ(TrendVisibleRects(flat, QRect()), (std::vector<std::vector<QRect>>(1)));
}

}  // namespace
}  // namespace zentiq
