#include "display/trend_plot_item.h"

#include <QChart>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <span>

#include "values/trend_envelope.h"

namespace zentiq {

namespace {
// Above the chart's series (which stay empty), below its legend.
constexpr qreal kZValue = 4.5;
}  // namespace

TrendPlotItem::TrendPlotItem(QChart* chart, QValueAxis* axisX, QValueAxis* axisY)
    : QGraphicsItem(chart), m_axisX(axisX), m_axisY(axisY) {
    setZValue(kZValue);
    setFlag(QGraphicsItem::ItemClipsToShape, false);
}

void TrendPlotItem::SetLines(std::vector<Line> lines) {
    m_lines = std::move(lines);
    update();
}

void TrendPlotItem::SetPlotArea(const QRectF& area) {
    if (area == m_area)
        return;
    prepareGeometryChange();
    m_area = area;
}

QRectF TrendPlotItem::boundingRect() const { return m_area; }

void TrendPlotItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const TrendMapping mapping{m_axisX->min(), m_axisX->max(), m_axisY->min(), m_axisY->max(),
                               m_area};
    if (!mapping.valid())
        return;
    // Each run of a line is the band of pixels its points cover at the
    // pen's width; what shows of the bands is filled as rectangles. The
    // same pixels as stroking the polylines, at a small part of the cost
    // when many dense lines lie on top of each other.
    std::vector<std::vector<TrendEnvelopeRun>> bands(m_lines.size());
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const int width = std::max(1, int(std::lround(m_lines[i].pen.widthF())));
        for (const QPolygonF& run : m_lines[i].runs) {
            if (run.size() > 1)
                bands[i].push_back(TrendEnvelopeOf(
                    std::span<const QPointF>(run.constData(), std::size_t(run.size())), mapping,
                    width));
        }
    }
    // Only what the area shows and the paint asked for.
    QRect shown = m_area.toAlignedRect();
    if (painter->hasClipping())
        shown &= painter->clipBoundingRect().toAlignedRect();
    const std::vector<std::vector<QRect>> rects = TrendVisibleRects(bands, shown);
    painter->save();
    painter->setClipRect(m_area);
    painter->setPen(Qt::NoPen);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        painter->setBrush(m_lines[i].pen.brush());
        painter->drawRects(rects[i].data(), int(rects[i].size()));
    }
    // Values to plot-area pixels for the dots; y grows downwards.
    QTransform toArea;
    toArea.translate(m_area.left(), m_area.bottom());
    toArea.scale(m_area.width() / (mapping.toMs - mapping.fromMs),
                 -m_area.height() / (mapping.high - mapping.low));
    toArea.translate(-mapping.fromMs, -mapping.low);
    for (const Line& line : m_lines) {
        QPen dot = line.pen;
        dot.setWidthF(std::max(3.0, 2 * line.pen.widthF()));
        dot.setCapStyle(Qt::RoundCap);
        painter->setPen(dot);
        for (const QPolygonF& run : line.runs) {
            // A value between two failures: a dot where a line cannot be.
            if (run.size() == 1)
                painter->drawPoint(toArea.map(run.front()));
        }
    }
    painter->restore();
}

}  // namespace zentiq
