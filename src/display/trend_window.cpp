#include "display/trend_window.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QCategoryAxis>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPixmap>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <utility>

#include "values/csv_text.h"
#include "values/nice_scale.h"
#include "values/time_scale.h"
#include "values/trend_csv.h"
#include "values/typed_items.h"
#include "display/trend_plot_item.h"
#include "values/value_format.h"
#include "documents/poll_document_model.h"
#include "documents/register_map_commands.h"
#include "documents/zentiq_doc.h"
#include "framework/atomic_save.h"
#include "framework/contrast.h"
#include "framework/dialog_data_exchange.h"
#include "framework/file_dialog.h"
#include "resources/strings.h"

namespace zentiq {

namespace {

constexpr std::array<const char*, kTrendSpansMs.size()> kSpanTexts = {
    QT_TRANSLATE_NOOP("zentiq::TrendWindow", "1 分钟"),
    QT_TRANSLATE_NOOP("zentiq::TrendWindow", "2 分钟"),
    QT_TRANSLATE_NOOP("zentiq::TrendWindow", "5 分钟"),
    QT_TRANSLATE_NOOP("zentiq::TrendWindow", "10 分钟"),
    QT_TRANSLATE_NOOP("zentiq::TrendWindow", "30 分钟"),
    QT_TRANSLATE_NOOP("zentiq::TrendWindow", "1 小时")};
const char* const kPauseText = QT_TRANSLATE_NOOP("zentiq::TrendWindow", "暂停");
// Before the chart is first laid out its plot area is empty.
constexpr int kMinColumns = 300;
// Room for one time label ("MM-dd hh:mm:ss") and the gap to the next.
constexpr int kTimeTickPx = 100;
const char* const kResumeText = QT_TRANSLATE_NOOP("zentiq::TrendWindow", "继续");

TrendWindow::Clock steadyClock() {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer] { return timer->elapsed(); };
}

}  // namespace

TrendWindow::TrendWindow(CZentiqDoc* doc, std::vector<TrendItem> items, QWidget* owner)
    : QWidget(owner, Qt::Window), m_doc(doc), m_items(std::move(items)) {
    if (m_doc) {
        m_def = m_doc->Model().def;
        m_types = m_doc->Model().rowTypes;
    }
    setAttribute(Qt::WA_DeleteOnClose);
    for (const TrendItem& item : m_items)
        m_names << item.name;

    m_chart = new QChart;
    applyChartTheme();
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_axisX = new QCategoryAxis;
    m_axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_axisY = new QValueAxis;
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    for (const QString& name : m_names) {
        auto* line = new QLineSeries;
        line->setName(name);
        m_chart->addSeries(line);
        line->attachAxis(m_axisX);
        line->attachAxis(m_axisY);
        m_lines.push_back(line);
    }
    m_plot = new TrendPlotItem(m_chart, m_axisX, m_axisY);
    connect(m_chart, &QChart::plotAreaChanged, this, [this](const QRectF& area) {
        m_plot->SetPlotArea(area);
        // A wider plot has room for more time labels.
        scaleX(qint64(m_axisX->min()), qint64(m_axisX->max()));
    });
    connect(m_axisX, &QValueAxis::rangeChanged, this, [this] { m_plot->update(); });
    connect(m_axisY, &QValueAxis::rangeChanged, this, [this] { m_plot->update(); });
    m_chartView = new QChartView(m_chart);
    m_chartView->setRenderHint(QPainter::Antialiasing, false);
    buildControls();
    retranslate();

    m_redrawTimer.setInterval(kRedrawMs);
    connect(&m_redrawTimer, &QTimer::timeout, this, &TrendWindow::Redraw);
    SetClock(steadyClock());
    m_redrawTimer.start();
    resize(800, 450);
}

TrendWindow::~TrendWindow() = default;

void TrendWindow::buildControls() {
    m_pause = new QPushButton;
    m_pause->setObjectName(QStringLiteral("pauseButton"));
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, this, &TrendWindow::SetPaused);
    m_span = new QComboBox;
    m_span->setObjectName(QStringLiteral("spanBox"));
    m_span->addItems(QStringList(kSpanTexts.size(), QString()));
    connect(m_span, &QComboBox::currentIndexChanged, this, [this] {
        m_dirty = true;
        Redraw();
    });
    m_autoscale = new QCheckBox;
    m_autoscale->setObjectName(QStringLiteral("autoscaleBox"));
    m_autoscale->setChecked(true);
    connect(m_autoscale, &QCheckBox::toggled, this, &TrendWindow::SetAutoscale);
    m_csv = new QPushButton;
    m_csv->setObjectName(QStringLiteral("csvButton"));
    connect(m_csv, &QPushButton::clicked, this, &TrendWindow::ExportCsv);
    m_png = new QPushButton;
    m_png->setObjectName(QStringLiteral("pngButton"));
    connect(m_png, &QPushButton::clicked, this, &TrendWindow::ExportPng);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_pause);
    bar->addWidget(m_span);
    bar->addWidget(m_autoscale);
    bar->addStretch(1);
    bar->addWidget(m_csv);
    bar->addWidget(m_png);
    m_notice = new QLabel;
    m_notice->setObjectName(QStringLiteral("noticeLabel"));
    m_notice->setWordWrap(true);
    m_notice->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_notice);
    layout->addWidget(m_chartView, 1);
}

void TrendWindow::SetClock(Clock clock) {
    m_clock = std::move(clock);
    restart();
}

void TrendWindow::restart() {
    m_clockZero = m_clock();
    m_start = QDateTime::currentDateTime();
    m_series.assign(m_items.size(), TrendSeries());
    m_samples.Reset(m_items.size());
    m_plotted.assign(m_items.size(), {});
    m_dirty = true;
    Redraw();
}

void TrendWindow::Sample() {
    if (!m_doc)
        return;
    followDefinition();
    if (m_samples.Full())
        fileSamples();  // the redraw timer fell behind: file now, lose nothing
    const PollDocumentModel& m = m_doc->Model();
    const LogLine::Poll poll = RegisterMapCommands::PollOf(m);
    const std::vector<ItemPlan> plan =
        PlanItems(m.def.Address, m.def.Length, m.def.FunctionValue, m.rowTypes);
    const std::span<double> row = m_samples.PushRow(m_clock() - m_clockZero);
    for (std::size_t i = 0; i < row.size(); ++i) {
        // A value the poll does not give is NaN: not charted.
        row[i] = PlannedNumber(poll, plan, m_items[i].item)
                     .value_or(std::numeric_limits<double>::quiet_NaN());
    }
}

void TrendWindow::SampleMissed() {
    followDefinition();
    if (m_samples.Full())
        fileSamples();
    m_samples.PushGap(m_clock() - m_clockZero);
}

bool TrendWindow::fileSamples() {
    if (!m_samples.DrainInto(m_series))
        return false;
    m_dirty = true;
    return true;
}

void TrendWindow::followDefinition() {
    if (!m_doc || (m_doc->Model().def == m_def && m_doc->Model().rowTypes == m_types))
        return;
    // The buffered rows were taken under the old definition, in the old order.
    fileSamples();
    const PollDefinition def = m_doc->Model().def;
    const RowTypes types = m_doc->Model().rowTypes;
    QStringList restarted, closed;
    for (std::size_t i = m_items.size(); i-- > 0;) {
        TrendItem& item = m_items[i];
        const TrendFollow follow = FollowTrendItem(m_def, m_types, def, types, item.item);
        if (follow.fate == TrendFollow::Fate::Closed) {
            closed.prepend(item.name);
            closeSeries(i);
            continue;
        }
        item.item = follow.item;
        if (follow.fate == TrendFollow::Fate::Restarted) {
            restarted.prepend(item.name);
            m_series[i] = TrendSeries();
        }
        // An address name follows the labels of the grid (one- or zero-based).
        if (!item.alias) {
            item.name = TrendAddressName(def, item.item);
            m_names[static_cast<qsizetype>(i)] = item.name;
            m_lines[i]->setName(item.name);
        }
    }
    m_def = def;
    m_types = types;
    m_samples.Reset(m_items.size());
    if (!restarted.isEmpty() || !closed.isEmpty()) {
        m_restarted = restarted;
        m_closed = closed;
        retranslate();
    }
    m_dirty = true;
}

void TrendWindow::closeSeries(std::size_t index) {
    m_chart->removeSeries(m_lines[index]);
    delete m_lines[index];
    const auto at = static_cast<std::ptrdiff_t>(index);
    m_lines.erase(m_lines.begin() + at);
    m_items.erase(m_items.begin() + at);
    m_series.erase(m_series.begin() + at);
    m_plotted.erase(m_plotted.begin() + at);
    m_names.removeAt(static_cast<qsizetype>(index));
    // Gone from the picture at once, even while it is paused.
    std::vector<TrendPlotItem::Line> shown = m_plot->Lines();
    if (index < shown.size()) {
        shown.erase(shown.begin() + at);
        m_plot->SetLines(std::move(shown));
    }
}

QString TrendWindow::Notice() const { return m_notice->text(); }

void TrendWindow::Redraw() {
    followDefinition();
    // Paused, the stores still take the samples; only the picture stays.
    fileSamples();
    if (Paused())
        return;
    const qint64 now = m_clock() - m_clockZero;
    const qint64 from = now - kTrendSpansMs[static_cast<std::size_t>(SpanIndex())];
    const qint64 startMs = m_start.toMSecsSinceEpoch();
    m_axisX->setRange(double(startMs + from), double(startMs + now));
    scaleX(startMs + from, startMs + now);
    if (!m_dirty)
        return;
    m_dirty = false;
    // What a pixel column cannot show is not drawn.
    const int columns =
        std::clamp(int(m_chart->plotArea().width()), kMinColumns, kTrendBucketsPerSpan);
    std::vector<TrendPlotItem::Line> lines(m_series.size());
    for (std::size_t i = 0; i < m_series.size(); ++i) {
        m_plotted[i] = m_series[i].Points(from, now, columns);
        lines[i].pen = m_lines[i]->pen();
        // A failed poll ends a run; the next value starts another.
        QPolygonF run;
        for (const TrendPoint& p : m_plotted[i]) {
            if (!p.gap) {
                run.append(QPointF(double(startMs + p.ms), p.value));
            } else if (!run.isEmpty()) {
                lines[i].runs.push_back(std::exchange(run, QPolygonF()));
            }
        }
        if (!run.isEmpty())
            lines[i].runs.push_back(std::move(run));
    }
    m_plot->SetLines(std::move(lines));
    if (m_autoscale->isChecked())
        scaleY();
}

void TrendWindow::scaleX(qint64 fromMs, qint64 toMs) {
    // Ticks on whole seconds or minutes of the wall clock, as many as their
    // labels leave room for.
    const int maxTicks = std::max(1, int(m_chart->plotArea().width()) / kTimeTickPx);
    const TimeScale scale = TimeScaleFor(
        fromMs, toMs, QDateTime::fromMSecsSinceEpoch(fromMs).offsetFromUtc(), maxTicks);
    if (scale.ticks == m_timeTicks)
        return;
    m_timeTicks = scale.ticks;
    for (const QString& label : m_axisX->categoriesLabels())
        m_axisX->remove(label);
    if (scale.ticks.empty())
        return;
    // Each tick ends a category; the first starts one step before it, off the axis.
    m_axisX->setStartValue(double(scale.ticks.front() - scale.stepMs));
    for (std::size_t i = 0; i < scale.ticks.size(); ++i)
        m_axisX->append(scale.labels[qsizetype(i)], double(scale.ticks[i]));
}

void TrendWindow::scaleY() {
    double low = INFINITY, high = -INFINITY;
    for (const std::vector<TrendPoint>& points : m_plotted)
        for (const TrendPoint& p : points) {
            if (p.gap)
                continue;
            low = std::min(low, p.value);
            high = std::max(high, p.value);
        }
    if (low > high)
        return;  // nothing plotted: keep the range
    // Ticks on 1, 2 or 5 x 10^n read at a glance; a flat line gets a range around it.
    const NiceScale scale = NiceScaleFor(low, high);
    m_axisY->setRange(scale.min, scale.max);
    m_axisY->setTickCount(scale.ticks);
    m_axisY->setLabelFormat(scale.labelFormat);
}

void TrendWindow::SetPaused(bool paused) {
    if (m_pause->isChecked() != paused)
        m_pause->setChecked(paused);  // comes back here through toggled
    m_pause->setText(tr(paused ? kResumeText : kPauseText));
    if (!paused) {
        m_dirty = true;
        Redraw();
    }
}

void TrendWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    if (event->type() == QEvent::PaletteChange && m_chart != nullptr && applyChartTheme()) {
        m_dirty = true;
        Redraw();
    }
}

bool TrendWindow::applyChartTheme() {
    // The chart paints its own background and labels: light or dark as the
    // window around it, so that it is neither a white block on a dark
    // desktop nor unreadable.
    const QChart::ChartTheme theme = IsLightColour(palette().color(QPalette::Window))
                                         ? QChart::ChartThemeLight
                                         : QChart::ChartThemeDark;
    if (m_chart->theme() == theme)
        return false;
    m_chart->setTheme(theme);
    return true;
}

void TrendWindow::retranslate() {
    setWindowTitle(tr("趋势图") + (m_doc ? QStringLiteral(" - ") + m_doc->GetTitle() : QString()));
    m_pause->setText(tr(Paused() ? kResumeText : kPauseText));
    for (std::size_t i = 0; i < kSpanTexts.size(); ++i)
        m_span->setItemText(static_cast<int>(i), tr(kSpanTexts[i]));
    m_autoscale->setText(tr("自动缩放"));
    m_csv->setText(tr("导出 CSV.."));
    m_png->setText(tr("导出 PNG.."));
    QStringList notice;
    if (!m_restarted.isEmpty())
        notice << tr("从站或数值的读法已改变，这些曲线重新开始：%1")
                      .arg(m_restarted.join(QStringLiteral(", ")));
    if (!m_closed.isEmpty())
        notice
            << tr("这些数值不再单独显示，曲线已关闭：%1").arg(m_closed.join(QStringLiteral(", ")));
    m_notice->setText(notice.join(QLatin1Char('\n')));
    m_notice->setVisible(!notice.isEmpty());
}

bool TrendWindow::Paused() const { return m_pause->isChecked(); }

void TrendWindow::SetSpanIndex(int index) {
    m_span->setCurrentIndex(std::clamp(index, 0, int(kTrendSpansMs.size()) - 1));
}

int TrendWindow::SpanIndex() const { return std::max(0, m_span->currentIndex()); }

void TrendWindow::SetAutoscale(bool on) {
    if (m_autoscale->isChecked() != on)
        m_autoscale->setChecked(on);
    // Without autoscaling the user picks the value range with the mouse.
    m_chartView->setRubberBand(on ? QChartView::NoRubberBand : QChartView::VerticalRubberBand);
    if (on)
        scaleY();
}

namespace {

bool saveOrTell(QWidget* parent, const QString& path, const QByteArray& bytes) {
    QString error;
    if (SaveAtomically(path, bytes, &error) == SaveResult::Ok)
        return true;
    DialogDataExchange::ShowWarning(parent, error.isEmpty() ? DiskErrorText() : error);
    return false;
}

}  // namespace

bool TrendWindow::ExportCsv() {
    const QString path = FileDialog::Ask(
        this,
        {true, QStringLiteral("trend"), QStringLiteral("CSV (*.csv)"), QStringLiteral("csv")});
    if (path.isEmpty())
        return false;
    // Two series of one alias get their addresses, so the columns differ.
    QStringList addresses;
    for (const TrendItem& item : m_items)
        addresses << TrendAddressName(m_def, item.item);
    const QStringList names = CsvText::UniqueNames(m_names, addresses, {QStringLiteral("Time")});
    return saveOrTell(this, path, TrendCsv(names, m_plotted, m_start));
}

bool TrendWindow::ExportPng() {
    const QString path = FileDialog::Ask(
        this,
        {true, QStringLiteral("trend"), QStringLiteral("PNG (*.png)"), QStringLiteral("png")});
    if (path.isEmpty())
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!m_chartView->grab().save(&buffer, "PNG")) {
        DialogDataExchange::ShowWarning(this, DiskErrorText());
        return false;
    }
    return saveOrTell(this, path, bytes);
}

}  // namespace zentiq
