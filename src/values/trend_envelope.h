// What a trend line covers on the screen, pixel column by pixel column.
// Stroking a long polyline with a wide pen costs the painter far more than
// the pixels it sets; the decimated points of a line go instead into the
// band of rows each pixel column covers (the line's low and high there,
// widened by the pen), and what shows of the bands is filled as
// rectangles. No window needed.
#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>

#include <span>
#include <vector>

namespace zentiq {

// From trend time and value to device pixels: `fromMs`..`toMs` spans the
// area's width, `low`..`high` its height (y grows downwards).
struct TrendMapping {
    double fromMs = 0;
    double toMs = 1;
    double low = 0;
    double high = 1;
    QRectF area;
    bool valid() const { return !area.isEmpty() && toMs > fromMs && high > low; }
};

struct TrendEnvelopeRun {
    int firstColumn = 0;      // device x of top[0] and bottom[0]
    std::vector<int> top;  // per column: first row covered
    std::vector<int> bottom;  // per column: one past the last row covered
    bool operator==(const TrendEnvelopeRun&) const = default;
};

// The band a run of points covers, drawn with a pen `penWidth` pixels
// wide: x in the mapping's time unit, not decreasing; y the value. Columns
// and rows stop a pen's width outside the area, so a line far off the
// range still reaches its edge. No columns for fewer than two points, an
// empty mapping or a run wholly beside the area.
TrendEnvelopeRun TrendEnvelopeOf(std::span<const QPointF> run, const TrendMapping& mapping,
                                 int penWidth);

// What to fill of each line's bands (lines in the order they are painted,
// later ones on top) so that the picture inside `clip` is the same as
// filling every band in turn, with each pixel filled once: by the last
// line that covers it. Neighbouring columns with the same rows share a
// rectangle. Stacked dense lines would otherwise fill the area many times.
std::vector<std::vector<QRect>> TrendVisibleRects(
    std::span<const std::vector<TrendEnvelopeRun>> lines, const QRect& clip);

}  // namespace zentiq
