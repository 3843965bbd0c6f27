// A live chart of some values of a poll window: one line per value, as the
// window shows it (its row's type or the display format), over the last minute to hour. A separate window
// that belongs to the data view and closes with it. It samples the
// document's values on every good result, marks every failed poll as a gap
// in the lines, keeps both in bounded per-series stores and redraws at most
// every kRedrawMs with what the span can show. When the poll's definition
// display format or row types change, each line follows its value, starts again when
// the value now reads differently, or closes when it is no longer polled;
// the window says which.
#pragma once

#include <QDateTime>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

#include "display/trend_items.h"
#include "values/trend_sample_buffer.h"
#include "values/trend_series.h"
#include "documents/poll_definition.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QChart;
class QChartView;
class QCategoryAxis;
class QLineSeries;
class QValueAxis;

namespace zentiq {

class CZentiqDoc;
class TrendPlotItem;

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
    // Called on every result: it only copies the values into a buffer that
    // the redraw files into the lines' stores.
    void Sample();
    // A poll gave no values at this instant: every line breaks here.
    void SampleMissed();
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
    TrendPlotItem* Plot() const { return m_plot; }
    // What the window says about lines that started again or closed after
    // the poll changed; empty when none did.
    QString Notice() const;
    QValueAxis* AxisY() const { return m_axisY; }
    QCategoryAxis* AxisX() const { return m_axisX; }
    // When the trend's clock read zero.
    QDateTime Start() const { return m_start; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    // Every text of the window in the language now installed.
    void retranslate();
    // The chart's theme after the palette's lightness; true when it changed.
    bool applyChartTheme();
    void restart();
    void scaleY();
    void scaleX(qint64 fromMs, qint64 toMs);
    // Follows a change of the document's definition or display format.
    void followDefinition();
    void closeSeries(std::size_t index);
    // Files the buffered samples into the lines' stores; true when there were any.
    bool fileSamples();

    QPointer<CZentiqDoc> m_doc;
    std::vector<TrendItem> m_items;
    QStringList m_names;
    std::vector<TrendSeries> m_series;
    TrendSampleBuffer m_samples;
    std::vector<std::vector<TrendPoint>> m_plotted;
    // Empty series: the legend and the colours. m_plot draws the lines.
    std::vector<QLineSeries*> m_lines;
    TrendPlotItem* m_plot = nullptr;
    PollDefinition m_def;
    RowTypes m_types;
    QStringList m_restarted;
    QStringList m_closed;
    QLabel* m_notice = nullptr;
    QChart* m_chart = nullptr;
    QChartView* m_chartView = nullptr;
    // Ms since the epoch, a category per time tick so that the ticks fall on
    // whole steps of the clock.
    QCategoryAxis* m_axisX = nullptr;
    std::vector<qint64> m_timeTicks;
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
