// The lines of a trend chart, drawn over the chart's plot area. A chart
// series joins every point it holds, but a trend must break its line where
// polls failed: this item draws each run of points between two gaps as its
// own line (the pixel rows it covers, filled), and a lone point as a dot.
// The axes give the scale; the time axis counts ms since the epoch.
#pragma once

#include <QGraphicsItem>
#include <QPen>
#include <QPolygonF>

#include <vector>

class QChart;
class QValueAxis;

namespace zentiq {

class TrendPlotItem final : public QGraphicsItem {
public:
    // Runs of points in chart values: x in ms since the epoch, y the value.
    struct Line {
        QPen pen;
        std::vector<QPolygonF> runs;
    };

    // A child of `chart`, above its series and below its legend.
    TrendPlotItem(QChart* chart, QValueAxis* axisX, QValueAxis* axisY);

    void SetLines(std::vector<Line> lines);
    const std::vector<Line>& Lines() const { return m_lines; }
    // The chart's plot area moved or changed its size.
    void SetPlotArea(const QRectF& area);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QValueAxis* m_axisX;  // ms since the epoch
    QValueAxis* m_axisY;
    QRectF m_area;
    std::vector<Line> m_lines;
};

}  // namespace zentiq
