// A live chart of some values of a poll window: one line per value, in the
// window's display format, over the last minute to hour. A separate window
// that belongs to the data view and closes with it. It samples the
// document's values on every good result, keeps them in bounded per-series
// stores and redraws at most every kRedrawMs with what the span can show.
#pragma once

#include <QDateTime>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

#include "display/trend_items.h"
#include "display/trend_series.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace zentiq {

class CZentiqDoc;

class TrendWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRedrawMs = 200;
    // Monotonic milliseconds.
    using Clock = std::function<qint64()>;

    // A top-level window that `owner` deletes (and so closes) with itself.
    TrendWindow(CZentiqDoc* doc, std::vector<TrendItem> items, QWidget* owner);
    ~TrendWindow() override;

    // Replaces the clock (tests, benchmarks); the trend starts again from
    // empty at the clock's present time.
    void SetClock(Clock clock);

    // Takes the document's current values as the samples of this instant.
    void Sample();
    // Brings the chart up to date now (unless paused); the timer calls it.
    void Redraw();

    // The controls, as the user would set them.
    void SetPaused(bool paused);
    bool Paused() const;
    // Index into kTrendSpansMs.
    void SetSpanIndex(int index);
    int SpanIndex() const;
    void SetAutoscale(bool on);

    // Asks for a file and writes the plotted points as CSV / the chart as
    // PNG; false when cancelled or the file could not be written (told).
    bool ExportCsv();
    bool ExportPng();

    // What the lines hold now, on the trend's clock, and their names.
    const std::vector<std::vector<TrendPoint>>& Plotted() const { return m_plotted; }
    QStringList SeriesNames() const { return m_names; }
    const std::vector<TrendItem>& Items() const { return m_items; }
    QChart* Chart() const { return m_chart; }
    QValueAxis* AxisY() const { return m_axisY; }
    // When the trend's clock read zero.
    QDateTime Start() const { return m_start; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    // Every text of the window in the language now installed.
    void retranslate();
    void restart();
    void scaleY();

    QPointer<CZentiqDoc> m_doc;
    std::vector<TrendItem> m_items;
    QStringList m_names;
    std::vector<TrendSeries> m_series;
    std::vector<std::vector<TrendPoint>> m_plotted;
    std::vector<QLineSeries*> m_lines;
    QChart* m_chart = nullptr;
    QChartView* m_chartView = nullptr;
    QDateTimeAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    QPushButton* m_pause = nullptr;
    QComboBox* m_span = nullptr;
    QCheckBox* m_autoscale = nullptr;
    QPushButton* m_csv = nullptr;
    QPushButton* m_png = nullptr;
    Clock m_clock;
    qint64 m_clockZero = 0;
    QDateTime m_start;
    bool m_dirty = false;
    QTimer m_redrawTimer;
};

}  // namespace zentiq
