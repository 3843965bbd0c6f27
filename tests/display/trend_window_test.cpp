// The trend window of a poll window: which cells it charts and under which
// names, the chart against a controlled clock (span, pause, autoscale), its
// exports, its life with the poll window, and values from a real pymodbus
// slave reaching the chart in the order the slave held them.
#include "display/trend_window.h"

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "values/row_type.h"
#include "values/trend_csv.h"
#include "display/trend_plot_item.h"
#include "display/zentiq_view.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_setup.h"
#include "engine/engine.h"
#include "framework/dialog_data_exchange.h"
#include "framework/settings_store.h"
#include "framework/window_registry.h"
#include "grid/grid_ctrl.h"
#include "resources/menus.h"
#include "support/peer_process.h"
#include "support/poll_window.h"
#include "support/widget_environment.h"

namespace zentiq {
namespace {

using testing::PollWindow;
using testing::ReadDefinition;

using testing::WidgetEnvironment;

template <class T>
void store(PollDocumentModel& m, int firstRegister, T value) {
    std::memcpy(m.values.data() + 2 * firstRegister, &value, sizeof value);
}

std::vector<double> valuesOf(const std::vector<TrendPoint>& points) {
    std::vector<double> out;
    for (const TrendPoint& p : points)
        out.push_back(p.value);
    return out;
}

class OfflineTrendTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngine();
        InstallEnginePoster();
    }
    // A trend of the cells the grid has selected, on a clock the test sets.
    TrendWindow* open(PollWindow& w) {
        TrendWindow* t = w.view->OpenTrendWindow();
        if (t)
            t->SetClock([this] { return now; });
        return t;
    }
    qint64 now = 1'000'000;
};

// ---- which values, which names ------------------------------------------------------------

TEST_F(OfflineTrendTest, SelectedValueCellsGiveOneSeriesPerValueNamedByAliasOrAddress) {
    struct Case {
        int function, format, length, oneBased;
        bool selectAll;  // else rows 1..3 of the first value column
        QString alias;   // typed into the alias cell of row 2
        QStringList names;
    };
    QStringList thirtyTwo;
    for (int i = 0; i < kMaxTrendSeries; ++i)
        thirtyTwo << QString::number(i);
    const Case cases[] = {
        {3, 0, 10, 1, false, "  Pump  ", {"40001", "Pump", "40003"}},
        {4, 2, 10, 0, false, "", {"0", "1", "2"}},
        // Float pairs: the registers of a pair give one series, the pair
        // cut off by the end of the poll none; a pair's alias is the one
        // beside its first register.
        {3, 4, 5, 1, true, "Second register", {"40001", "40003"}},
        {16, 6, 8, 0, true, "", {"0", "4"}},
        // More values than a trend takes: the first 32 of the poll.
        {1, 0, 40, 0, true, "", thirtyTwo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "function " << c.function << " format " << c.format);
        PollDefinition def = ReadDefinition(c.function, 0, c.length, c.format);
        def.OneBased = c.oneBased;
        def.bEnable = 0;
        PollWindow w(def);
        CGridModel& g = w.doc->Grid()->model();
        if (!c.alias.isEmpty())
            g.setItemText(2, 1, c.alias);
        if (c.selectAll)
            g.selectAll();
        else
            g.setSelectedRange(1, 2, 3, 2);
        QStringList names;
        for (const TrendItem& item : w.view->SelectedTrendItems())
            names << item.name;
        EXPECT_EQ(names, c.names);
        EXPECT_TRUE(w.query(cmd::Trend).enabled);
    }

    // Alias cells and headers alone chart nothing: the command is off.
    PollDefinition def = ReadDefinition(3, 0, 10);
    def.bEnable = 0;
    PollWindow w(def);
    w.doc->Grid()->model().setSelectedRange(1, 1, 5, 1);
    EXPECT_TRUE(w.view->SelectedTrendItems().empty());
    CommandState state;
    EXPECT_TRUE(w.view->OnUpdateCommand(cmd::Trend, state));
    EXPECT_FALSE(state.enabled);
    EXPECT_EQ(w.view->OpenTrendWindow(), nullptr);
}

// ---- the chart over time -------------------------------------------------------------------------

TEST_F(OfflineTrendTest, ChartFollowsSpanPauseAndAutoscaleInTheDisplayFormat) {
    PollDefinition def = ReadDefinition(3, 0, 4, 4);  // two floats
    def.bEnable = 0;
    PollWindow w(def);
    w.doc->Grid()->model().selectAll();
    TrendWindow* t = open(w);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->Items().size(), 2u);
    PollDocumentModel& m = w.model();

    // One sample every 10 s for 100 s: a ramp and its negative.
    for (int i = 0; i <= 10; ++i) {
        store(m, 0, float(i) + 0.5f);
        store(m, 2, -float(i));
        t->Sample();
        now += 10'000;
    }
    now -= 10'000;
    t->Redraw();
    // The 1 minute span shows the samples of the last 60 s.
    EXPECT_EQ(valuesOf(t->Plotted()[0]), (std::vector<double>{4.5, 5.5, 6.5, 7.5, 8.5, 9.5, 10.5}));
    EXPECT_EQ(valuesOf(t->Plotted()[1]), (std::vector<double>{-4, -5, -6, -7, -8, -9, -10}));
    // The lines hold exactly that, at the wall time of each sample; the
    // chart's series name them in the legend.
    ASSERT_EQ(t->Plot()->Lines().size(), 2u);
    const std::vector<QPolygonF>& runs = t->Plot()->Lines()[0].runs;
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].size(), 7);
    const double start = double(t->Start().toMSecsSinceEpoch());
    EXPECT_EQ(runs[0].at(0), QPointF(start + 40'000, 4.5));
    const auto* line = static_cast<QLineSeries*>(t->Chart()->series().at(0));
    EXPECT_EQ(line->name(), QStringLiteral("0"));
    EXPECT_EQ(t->Plot()->Lines()[0].pen.color(), line->color());
    // Autoscale spans both lines on round ticks (-10, -5, ... 15).
    EXPECT_EQ(t->AxisY()->min(), -10);
    EXPECT_EQ(t->AxisY()->max(), 15);
    EXPECT_EQ(t->AxisY()->tickCount(), 6);

    t->SetSpanIndex(1);  // 2 minutes: everything
    EXPECT_EQ(t->Plotted()[0].size(), 11u);

    // Paused, the chart keeps what it shows; the samples are still taken.
    t->SetPaused(true);
    now += 10'000;
    store(m, 0, 100.0f);
    t->Sample();
    t->Redraw();
    EXPECT_EQ(t->Plotted()[0].size(), 11u);
    t->SetPaused(false);
    EXPECT_EQ(t->Plotted()[0].back(), (TrendPoint{110'000, 100.0}));
    EXPECT_GE(t->AxisY()->max(), 100);

    // Without autoscale the value range stays where it is.
    t->SetAutoscale(false);
    const double top = t->AxisY()->max();
    now += 10'000;
    store(m, 0, 1000.0f);
    t->Sample();
    t->Redraw();
    EXPECT_EQ(t->Plotted()[0].back().value, 1000.0);
    EXPECT_EQ(t->AxisY()->max(), top);
}

// The time axis has its ticks on whole steps of the wall clock, labelled
// with the clock time, for the shortest span as for the longest.
TEST_F(OfflineTrendTest, TimeTicksFallOnWholeStepsOfTheClock) {
    PollDefinition def = ReadDefinition(3, 0, 2);
    def.bEnable = 0;
    PollWindow w(def);
    w.doc->Grid()->model().selectAll();
    TrendWindow* t = open(w);
    ASSERT_NE(t, nullptr);
    t->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(t));
    struct Case {
        int spanIndex;
        std::vector<qint64> steps;  // the steps that suit the span
        const char* format;
    };
    const Case cases[] = {
        {0, {5'000, 10'000, 15'000, 30'000}, "hh:mm:ss"},
        {5, {300'000, 600'000, 900'000}, "hh:mm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spanIndex);
        t->SetSpanIndex(c.spanIndex);
        now += 1'234;
        t->Redraw();
        QCategoryAxis* axis = t->AxisX();
        const QStringList labels = axis->categoriesLabels();
        ASSERT_GE(labels.size(), 3);
        std::vector<qint64> ticks;
        for (const QString& label : labels)
            ticks.push_back(qint64(axis->endValue(label)));
        const qint64 step = ticks[1] - ticks[0];
        EXPECT_NE(std::find(c.steps.begin(), c.steps.end(), step), c.steps.end()) << step;
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            const QDateTime at = QDateTime::fromMSecsSinceEpoch(ticks[i]);
            EXPECT_GE(double(ticks[i]), axis->min());
            EXPECT_LE(double(ticks[i]), axis->max());
            EXPECT_EQ((ticks[i] + at.offsetFromUtc() * 1000LL) % step, 0) << i;
            if (i > 0) {
                EXPECT_EQ(ticks[i] - ticks[i - 1], step);
            }
            // With the date in front only when the span crosses midnight.
            EXPECT_TRUE(labels[qsizetype(i)].endsWith(at.toString(QString::fromLatin1(c.format))))
                << labels[qsizetype(i)].toStdString();
        }
    }
}

// A failed poll, and a connection that opened or closed, break every line;
// a value alone between two breaks is a dot.
TEST_F(OfflineTrendTest, FailedPollsAreGapsInTheLines) {
    PollDefinition def = ReadDefinition(3, 0, 2);
    def.bEnable = 0;
    PollWindow w(def);
    w.doc->Grid()->model().selectAll();
    TrendWindow* t = open(w);
    ASSERT_NE(t, nullptr);
    const int slot = w.model().slotIndex;
    const auto sample = [&](std::int16_t v) {
        store<std::int16_t>(w.model(), 0, v);
        store<std::int16_t>(w.model(), 1, std::int16_t(-v));
        t->Sample();  // as a good result does (without a slave its data would be zeros)
        now += 1000;
    };
    sample(1);
    sample(2);
    w.doc->TakePollResult(status::Timeout, slot);
    now += 1000;
    w.doc->TakePollResult(status::ExceptionBase + 2, slot);
    now += 1000;
    sample(3);
    w.doc->TakeConnectionChange();
    now += 1000;
    sample(4);
    sample(5);
    t->Redraw();
    const auto gap = [](qint64 ms) { return TrendPoint{ms, 0, true}; };
    EXPECT_EQ(t->Plotted()[0], (std::vector<TrendPoint>{{0, 1}, {1000, 2}, gap(2000), {4000, 3}, gap(5000),
                                                         {6000, 4}, {7000, 5}}));
    EXPECT_EQ(t->Plotted()[1][4], gap(5000));
    const std::vector<QPolygonF>& runs = t->Plot()->Lines()[0].runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].size(), 2);
    EXPECT_EQ(runs[1].size(), 1);
    EXPECT_EQ(runs[2].size(), 2);
    // The value axis scales to the values (lowest -5), not to the gaps.
    EXPECT_EQ(t->AxisY()->min(), -5);
}

// Results come faster than the redraw timer: every one of them reaches
// the lines, however many come between two redraws.
TEST_F(OfflineTrendTest, ManyResultsBetweenTwoRedrawsAreAllCharted) {
    PollDefinition def = ReadDefinition(3, 0, 2);
    def.bEnable = 0;
    PollWindow w(def);
    w.doc->Grid()->model().selectAll();
    TrendWindow* t = open(w);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->Items().size(), 2u);
    // More results than the buffer between results and lines holds, 10 ms
    // apart: each 50 ms bucket of the 1 minute span keeps its low and high.
    const int results = int(TrendSampleBuffer::kDefaultRows) + 500;
    for (int i = 0; i < results; ++i) {
        // A ramp with a spike every fifth result, and its negative.
        store<std::int16_t>(w.model(), 0, std::int16_t(i % 5 == 2 ? 10'000 + i : i));
        store<std::int16_t>(w.model(), 1, std::int16_t(-i));
        t->Sample();
        if (i == 2000)
            w.doc->TakePollResult(status::Timeout, w.model().slotIndex);
        now += 10;
    }
    now -= 10;
    t->Redraw();
    const std::vector<TrendPoint>& ramp = t->Plotted()[0];
    ASSERT_FALSE(ramp.empty());
    EXPECT_EQ(ramp.front(), (TrendPoint{0, 0}));
    // The spike of the last column, from after the buffer was full once.
    EXPECT_NE(std::find(ramp.begin(), ramp.end(), TrendPoint{45'920, 14'592}), ramp.end());
    EXPECT_GE(ramp.back().ms, 45'900);
    EXPECT_NE(std::find(ramp.begin(), ramp.end(), TrendPoint{20'000, 0, true}), ramp.end());
    // The last result of all.
    EXPECT_EQ(t->Plotted()[1].back(), (TrendPoint{10 * qint64(results - 1), -double(results - 1)}));
}

// After F8 or a format change each line goes on with the value its name
// stands for, starts again when that value now reads differently, or
// closes when it is no longer polled as a value of its own; the window
// says which, and names made of addresses follow the grid's labels.
TEST_F(OfflineTrendTest, AfterF8OrAFormatChangeLinesFollowTheirValues) {
    PollDefinition def = ReadDefinition(3, 10, 6);  // signed words at 10..15
    def.bEnable = 0;
    PollWindow w(def);
    CGridModel& g = w.doc->Grid()->model();
    g.setItemText(2, 1, QStringLiteral("Pump"));
    g.setSelectedRange(1, 2, 4, 2);  // 10, Pump (11), 12, 13
    TrendWindow* t = open(w);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->SeriesNames(), QStringList({"10", "Pump", "12", "13"}));
    for (int i = 0; i < 3; ++i) {
        t->Sample();
        now += 1000;
    }
    EXPECT_TRUE(t->Notice().isEmpty());
    EXPECT_FALSE(t->findChild<QLabel*>("noticeLabel")->isVisibleTo(t));

    // Float: 10 and 12 start pairs and start again; 11 and 13 are second halves.
    ASSERT_TRUE(w.doc->OnCommand(cmd::FormatFloat));
    t->Redraw();
    EXPECT_EQ(t->SeriesNames(), QStringList({"10", "12"}));
    EXPECT_EQ(t->Chart()->series().size(), 2);
    EXPECT_TRUE(t->Plotted()[0].empty());
    EXPECT_TRUE(t->Notice().contains("10, 12")) << t->Notice().toStdString();
    EXPECT_TRUE(t->Notice().contains("Pump, 13")) << t->Notice().toStdString();
    EXPECT_TRUE(t->findChild<QLabel*>("noticeLabel")->isVisibleTo(t));

    // F8: the poll starts two registers earlier; the lines keep their
    // registers and their samples, and sample them at their new place.
    store(w.model(), 0, 2.5f);
    store(w.model(), 2, -1.0f);
    t->Sample();
    now += 1000;
    DefinitionDialogValues values = CZentiqSetup::FromModel(w.model());
    values.shownAddress = 8;
    values.length = 8;
    w.doc->ApplyDefinition(values);
    ASSERT_EQ(w.model().def.Address, 8);
    store(w.model(), 2, 7.5f);  // register 10
    store(w.model(), 4, 8.5f);  // register 12
    t->Sample();
    t->Redraw();
    ASSERT_EQ(t->Items().size(), 2u);
    EXPECT_EQ(t->Items()[0].item, 2);
    EXPECT_EQ(t->Items()[1].item, 4);
    EXPECT_EQ(valuesOf(t->Plotted()[0]).back(), 7.5);
    EXPECT_EQ(valuesOf(t->Plotted()[1]).back(), 8.5);
    EXPECT_EQ(t->Plotted()[0].size(), 2u);

    // PLC addresses: the names follow the labels of the grid.
    values = CZentiqSetup::FromModel(w.model());
    values.oneBased = 1;
    values.shownAddress = 9;
    w.doc->ApplyDefinition(values);
    t->Redraw();
    EXPECT_EQ(t->SeriesNames(), QStringList({"40011", "40013"}));
    EXPECT_EQ(t->Chart()->series().at(1)->name(), "40013");
    EXPECT_EQ(t->Plotted()[1].size(), 2u);

    // Another function polls another table: every line closes.
    values = CZentiqSetup::FromModel(w.model());
    values.functionIndex = 3;  // 04
    w.doc->ApplyDefinition(values);
    t->Redraw();
    EXPECT_TRUE(t->Items().empty());
    EXPECT_TRUE(t->Chart()->series().isEmpty());
    EXPECT_TRUE(t->Notice().contains("40011, 40013")) << t->Notice().toStdString();
    t->Sample();
    t->Redraw();
}

TEST(TrendFollowTest, EachItemKeepsRestartsOrClosesByWhatItsCellNowMeans) {
    using Fate = TrendFollow::Fate;
    struct Case {
        const char* name;
        int beforeFormat;
        int item;
        void (*change)(PollDefinition&);
        Fate fate;
        int newItem;
    };
    const Case cases[] = {
        {"nothing changed", 0, 3, [](PollDefinition&) {}, Fate::Kept, 3},
        {"poll starts earlier", 0, 3, [](PollDefinition& d) { d.Address = 90; d.Length = 20; }, Fate::Kept, 13},
        {"one-based, rows, scan rate", 0, 3,
         [](PollDefinition& d) { d.OneBased = 1; d.RowsDialog = 2; d.ScanRate = 50; }, Fate::Kept, 3},
        {"hex to binary reads the same number", 2, 3, [](PollDefinition& d) { d.DisplayFormat = 3; }, Fate::Kept, 3},
        {"another slave", 0, 3, [](PollDefinition& d) { d.SlaveID = 2; }, Fate::Restarted, 3},
        {"signed to hex", 0, 3, [](PollDefinition& d) { d.DisplayFormat = 2; }, Fate::Restarted, 3},
        {"float to float inverse", 4, 2, [](PollDefinition& d) { d.DisplayFormat = 5; }, Fate::Restarted, 2},
        {"signed to float, first of a pair", 0, 2, [](PollDefinition& d) { d.DisplayFormat = 4; }, Fate::Restarted, 2},
        {"signed to float, second of a pair", 0, 3, [](PollDefinition& d) { d.DisplayFormat = 4; }, Fate::Closed, -1},
        {"double cut off by a shorter poll", 6, 4, [](PollDefinition& d) { d.Length = 7; }, Fate::Closed, -1},
        {"poll moved past it", 0, 3, [](PollDefinition& d) { d.Address = 104; }, Fate::Closed, -1},
        {"poll shortened", 0, 3, [](PollDefinition& d) { d.Length = 3; }, Fate::Closed, -1},
        {"input registers instead", 0, 3, [](PollDefinition& d) { d.FunctionValue = 4; }, Fate::Closed, -1},
        {"write poll of the same registers", 0, 3, [](PollDefinition& d) { d.FunctionValue = 16; }, Fate::Closed, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PollDefinition before = ReadDefinition(3, 100, 10, c.beforeFormat);
        PollDefinition after = before;
        c.change(after);
        const TrendFollow follow = FollowTrendItem(before, after, c.item);
        EXPECT_EQ(follow.fate, c.fate);
        EXPECT_EQ(follow.item, c.newItem);
    }
    // Coils ignore the display format.
    PollDefinition coils = ReadDefinition(1, 0, 100);
    PollDefinition formatted = coils;
    formatted.DisplayFormat = 4;
    EXPECT_EQ(FollowTrendItem(coils, formatted, 7).fate, Fate::Kept);
}

TEST_F(OfflineTrendTest, ExportsWriteWhatIsPlottedAndTellWhenTheyCannot) {
    PollDefinition def = ReadDefinition(3, 0, 3);  // signed words
    def.bEnable = 0;
    PollWindow w(def);
    CGridModel& g = w.doc->Grid()->model();
    g.setItemText(1, 1, QStringLiteral("Temp, inlet"));
    g.setSelectedRange(1, 2, 2, 2);
    TrendWindow* t = open(w);
    ASSERT_NE(t, nullptr);
    for (int i = 0; i < 5; ++i) {
        store<std::int16_t>(w.model(), 0, std::int16_t(-100 * i));
        store<std::int16_t>(w.model(), 1, std::int16_t(i));
        t->Sample();
        now += 250;
    }
    t->Redraw();
    ASSERT_EQ(t->Plotted()[0].size(), 5u);

    QTemporaryDir dir;
    testing::RecordingInteraction answers;
    answers.filePath = dir.filePath(QStringLiteral("trend.csv"));
    ASSERT_TRUE(t->ExportCsv());
    ASSERT_EQ(answers.fileRequests.size(), 1u);
    EXPECT_EQ(answers.fileRequests[0].defaultSuffix, QStringLiteral("csv"));
    QFile csv(answers.filePath);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    EXPECT_EQ(bytes, TrendCsv(t->SeriesNames(), t->Plotted(), t->Start()));
    const QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("Time,\"Temp, inlet\",1"));
    EXPECT_TRUE(lines[5].endsWith(QStringLiteral(",-400,4"))) << lines[5].toStdString();

    answers.filePath = dir.filePath(QStringLiteral("trend.png"));
    ASSERT_TRUE(t->ExportPng());
    QImage image(answers.filePath);
    EXPECT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 100);

    // Cancelled: nothing written. A folder that is not there: told, false.
    answers.filePath.clear();
    EXPECT_FALSE(t->ExportCsv());
    answers.messages.clear();
    answers.filePath = dir.filePath(QStringLiteral("missing/trend.csv"));
    EXPECT_FALSE(t->ExportCsv());
    EXPECT_EQ(answers.texts().size(), 1);
    EXPECT_FALSE(QFile::exists(answers.filePath));
}

TEST_F(OfflineTrendTest, OpensFromTheContextMenuAndClosesWithItsPollWindow) {
    PollDefinition def = ReadDefinition(3, 0, 10);
    def.bEnable = 0;
    auto w = std::make_unique<PollWindow>(def);
    w->doc->Grid()->model().setSelectedRange(1, 2, 4, 2);
    const std::unique_ptr<QMenu> menu = w->view->CreateContextMenu();
    QAction* last = menu->actions().back();
    ASSERT_EQ(last->data().toInt(), cmd::Trend);
    EXPECT_TRUE(last->isEnabled());
    last->trigger();
    QPointer<TrendWindow> t = w->view->findChild<TrendWindow*>();
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->isVisible());
    EXPECT_TRUE(t->isWindow());
    EXPECT_EQ(t->Items().size(), 4u);

    // A second trend closed by the user goes away on its own.
    QPointer<TrendWindow> second = w->view->OpenTrendWindow();
    ASSERT_TRUE(second);
    second->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.isNull(); }, 2000));

    // Results still reach the first one; closing the poll window takes it along.
    w->doc->TakePollResult(status::Ok, w->model().slotIndex);
    w.reset();
    EXPECT_TRUE(t.isNull());
}

// ---- against pymodbus ----------------------------------------------------------------------

// Typed rows chart their engineering value under one series per value;
// text rows chart nothing; a changed type starts the line again, a row
// turned to text closes it.
TEST_F(OfflineTrendTest, TypedRowsChartTheirEngineeringValueAndFollowTypeChanges) {
    PollDefinition def = ReadDefinition(3, 0, 6);
    def.OneBased = 0;
    def.bEnable = 0;
    PollWindow w(def);
    RowType energy, text, little;
    energy.reading = {DecodeKind::Unsigned32, ByteOrder::ABCD};
    energy.scale = 0.5;
    text.reading = {DecodeKind::Text, ByteOrder::ABCD};
    text.textRegisters = 2;
    little.reading = {DecodeKind::Float32, ByteOrder::DCBA};
    ASSERT_TRUE(w.doc->ReplaceRowTypes({{0, energy}, {2, text}, {4, little}}));
    const std::array<std::uint16_t, 6> words = {0x0001, 0x0002, 0x4F4B, 0x2121, 0x0000, 0xC03F};
    std::copy(words.begin(), words.end(), w.model().words.begin());
    w.model().valuesUnknown = false;
    w.doc->Grid()->model().selectAll();
    TrendWindow* t = open(w);
    ASSERT_NE(t, nullptr);
    // Every register of a typed value gives its one series; the text none.
    ASSERT_EQ(t->SeriesNames(), QStringList({"0", "4"}));
    t->Sample();
    now += 1000;
    t->Redraw();
    EXPECT_EQ(valuesOf(t->Plotted()[0]), std::vector<double>({double(0x00010002) * 0.5}));
    EXPECT_EQ(valuesOf(t->Plotted()[1]), std::vector<double>({1.5}));

    RowType signedLong = energy;
    signedLong.reading = {DecodeKind::Signed32, ByteOrder::CDAB};
    ASSERT_TRUE(w.doc->SetRowTypes({0}, signedLong));
    ASSERT_TRUE(w.doc->SetRowTypes({4}, text));
    t->Sample();
    t->Redraw();
    EXPECT_EQ(t->SeriesNames(), QStringList({"0"}));
    EXPECT_EQ(valuesOf(t->Plotted()[0]), std::vector<double>({double(0x00020001) * 0.5})) << "started again";
    EXPECT_TRUE(t->Notice().contains("4")) << t->Notice().toStdString();
}

TEST(TrendFollowTest, TypedItemsKeepRestartOrCloseByTheirRowsType) {
    using Fate = TrendFollow::Fate;
    RowType u32, scaled, text;
    u32.reading = scaled.reading = {DecodeKind::Unsigned32, ByteOrder::CDAB};
    scaled.scale = 0.1;
    text.reading = {DecodeKind::Text, ByteOrder::ABCD};
    const auto same = [](PollDefinition&) {};
    const struct {
        const char* name;
        RowTypes before, after;
        int item;
        void (*change)(PollDefinition&);
        Fate fate;
        int newItem;
    } cases[] = {
        {"type kept, poll moved", {{103, u32}}, {{103, u32}}, 3, [](PollDefinition& d) { d.Address = 101; }, Fate::Kept, 2},
        // A typed value needs no pair of the display format.
        {"odd register of floats", {{103, u32}}, {{103, u32}}, 3, [](PollDefinition& d) { d.DisplayFormat = 4; }, Fate::Kept, 3},
        {"another scale", {{103, u32}}, {{103, scaled}}, 3, same, Fate::Restarted, 3},
        {"back to the display format", {{103, u32}}, {}, 3, same, Fate::Restarted, 3},
        {"back to a format whose pair it ends", {{103, u32}}, {}, 3, [](PollDefinition& d) { d.DisplayFormat = 4; }, Fate::Closed, -1},
        {"now text", {{103, u32}}, {{103, text}}, 3, same, Fate::Closed, -1},
        {"now spanned by a value before it", {}, {{102, u32}}, 3, same, Fate::Closed, -1},
        {"cut off by a shorter poll", {{108, u32}}, {{108, u32}}, 8, [](PollDefinition& d) { d.Length = 9; }, Fate::Closed, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PollDefinition before = ReadDefinition(3, 100, 10, 0);
        PollDefinition after = before;
        c.change(after);
        const TrendFollow follow = FollowTrendItem(before, c.before, after, c.after, c.item);
        EXPECT_EQ(follow.fate, c.fate);
        EXPECT_EQ(follow.item, c.newItem);
    }
}

class PyModbusTrendTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_peer = test::PeerProcess::PyModbus(test::PeerProcess::Mode::Tcp, "", s_error, 1); }
    static void TearDownTestSuite() { s_peer.reset(); }
    void SetUp() override {
        ASSERT_TRUE(s_peer) << s_error;
        InitEngine();
        InstallEnginePoster();
        SetPollDelay(1);
        ASSERT_EQ(OpenTcpConnection("127.0.0.1", s_peer->Port(), 1000, 3000), 0);
        ASSERT_EQ(SetTransmissionMode(TCP), 1);
        ASSERT_EQ(StartPolling(), 1);
    }
    void TearDown() override {
        StopPolling();
        CloseTcpConnection();
    }
    static std::unique_ptr<test::PeerProcess> s_peer;
    static std::string s_error;
};
std::unique_ptr<test::PeerProcess> PyModbusTrendTest::s_peer;
std::string PyModbusTrendTest::s_error;

// A write poll puts one value after another into the slave; the trend of a
// read poll of the same registers shows them in that order, in its format.
TEST_F(PyModbusTrendTest, ValuesFromTheSlaveAppearInTheSeriesInOrder) {
    struct Case {
        int format;
        std::vector<double> sequence;
    };
    const Case cases[] = {
        {0, {-5, 300, -7000}},
        {1, {65535, 2, 40000}},
        {4, {1.5, -2.25, 1.0e6}},
        {9, {-70000, 123456789, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const int address = 600 + 10 * c.format;
        PollWindow reader(ReadDefinition(3, address, 2, c.format, 10));
        reader.doc->Grid()->model().setSelectedRange(1, 2, 1, 2);
        QPointer<TrendWindow> t = reader.view->OpenTrendWindow();
        ASSERT_TRUE(t);
        for (const double v : c.sequence) {
            // Stopped until it holds its value: a write poll that started
            // with its initial zeros could put them on the slave first.
            PollDefinition def = ReadDefinition(16, address, 2, c.format, 10);
            def.bEnable = 0;
            auto writer = std::make_unique<PollWindow>(def);
            if (c.format == 4)
                store(writer->model(), 0, float(v));
            else if (c.format == 9)
                store(writer->model(), 0, std::int32_t(v));
            else
                store(writer->model(), 0, std::uint16_t(std::int32_t(v)));
            writer->model().def.bEnable = 1;
            writer->doc->RegisterWithEngine();  // hands the values over and starts writing
            // Held long enough to fill buckets of its own: a value that
            // shares its only bucket with a lower and a higher one is
            // decimated away, as a chart could not show it either.
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    t->Redraw();
                    const std::vector<TrendPoint>& p = t->Plotted()[0];
                    auto run = p.rbegin();
                    while (run != p.rend() && run->value == v)
                        ++run;
                    return run != p.rbegin() && p.back().ms - (run - 1)->ms >= 200;
                },
                10000))
                << v;
        }
        // From the first written value on, the changes come in the order written.
        std::vector<double> seen;
        const std::vector<TrendPoint>& points = t->Plotted()[0];
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i > 0) {
                EXPECT_LE(points[i - 1].ms, points[i].ms);
            }
            if ((seen.empty() && points[i].value == c.sequence[0]) || (!seen.empty() && seen.back() != points[i].value))
                seen.push_back(points[i].value);
        }
        EXPECT_EQ(seen, c.sequence);
    }
}

}  // namespace
}  // namespace zentiq
