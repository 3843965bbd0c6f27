#include "display/trend_plot_item.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>

namespace zentiq {

namespace {
// Above the chart's series (which stay empty), below its legend.
constexpr qreal kZValue = 4.5;
}  // namespace

TrendPlotItem::TrendPlotItem(QChart* chart, QDateTimeAxis* axisX, QValueAxis* axisY)
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
    const double x0 = double(m_axisX->min().toMSecsSinceEpoch());
    const double x1 = double(m_axisX->max().toMSecsSinceEpoch());
    const double y0 = m_axisY->min();
    const double y1 = m_axisY->max();
    if (m_area.isEmpty() || x1 <= x0 || y1 <= y0)
        return;
    // Values to plot-area pixels; y grows downwards.
    QTransform toArea;
    toArea.translate(m_area.left(), m_area.bottom());
    toArea.scale(m_area.width() / (x1 - x0), -m_area.height() / (y1 - y0));
    toArea.translate(-x0, -y0);
    painter->save();
    painter->setClipRect(m_area);
    for (const Line& line : m_lines) {
        painter->setPen(line.pen);
        for (const QPolygonF& run : line.runs) {
            if (run.size() > 1) {
                painter->drawPolyline(toArea.map(run));
            } else if (run.size() == 1) {
                // A value between two failures: a dot where a line cannot be.
                QPen dot = line.pen;
                dot.setWidthF(std::max(3.0, 2 * line.pen.widthF()));
                dot.setCapStyle(Qt::RoundCap);
                painter->setPen(dot);
                painter->drawPoint(toArea.map(run.front()));
                painter->setPen(line.pen);
            }
        }
    }
    painter->restore();
}

}  // namespace zentiq
