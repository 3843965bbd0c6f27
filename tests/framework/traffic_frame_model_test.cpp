// The monitor's frames without a window: whom a frame is for, the ring of
// the newest frames with their times and gaps, the filter over them, and
// what Copy and Save take from a row.
#include "framework/traffic_frame_model.h"

#include <QDateTime>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "framework/frame_address.h"
#include "framework/traffic_filter_model.h"

namespace zentiq {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Dir = TrafficLines::Direction;
constexpr int kAll = TrafficFilterModel::kAll;

TEST(FrameAddressTest, SlaveAndFunctionAsEachFramingPlacesThem) {
    struct Case {
        const char* name;
        TransmissionMode mode;
        Bytes bytes;
        FrameAddress expected;
    };
    const Case cases[] = {
        {"rtu request", RTU, {0x11, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}, {0x11, 3}},
        {"rtu exception answer", RTU, {0x11, 0x83, 0x02, 0xC1, 0x34}, {0x11, 3}},
        {"rtu broadcast", RTU, {0x00, 0x06, 0x00, 0x0A, 0x12, 0x34}, {0, 6}},
        {"rtu over tcp", RTU_OVER_TCP, {0xF7, 0x10}, {0xF7, 16}},
        {"tcp: unit id after the MBAP header", TCP, {0x00, 0x07, 0x00, 0x00, 0x00, 0x06, 0x05, 0x01, 0x00}, {5, 1}},
        {"ascii", ASCII, {':', '0', 'A', '9', '0', '0', '2', 0x0D, 0x0A}, {10, 0x10}},
        {"ascii lower case", ASCII, {':', 'f', 'f', '0', '3'}, {255, 3}},
        {"ascii not hex", ASCII, {':', '0', 'G', '0', '3'}, {}},
        {"ascii without colon", ASCII, {'0', '1', '0', '3', '0'}, {}},
        {"tcp header only", TCP, {0x00, 0x07, 0x00, 0x00, 0x00, 0x06, 0x05}, {}},
        {"rtu one byte", RTU, {0x01}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameAddressOf(c.mode, c.bytes.data(), c.bytes.size()), c.expected) << c.name;
    EXPECT_EQ(FrameAddressOf(RTU, nullptr, 4), FrameAddress{});
}

// Frame n: slave n % 3 + 1, function 3, taken at 1000 + 7 n ms.
void addFrames(TrafficFrameModel& model, int from, int count, bool publishEach) {
    for (int n = from; n < from + count; ++n) {
        const std::uint8_t bytes[] = {static_cast<std::uint8_t>(n % 3 + 1), 0x03,
                                      static_cast<std::uint8_t>(n & 0xFF)};
        ASSERT_TRUE(model.Add(n % 2 ? Dir::Rx : Dir::Tx, RTU, bytes, sizeof bytes, 1000 + 7 * qint64(n)));
        if (publishEach)
            model.Publish();
    }
}

unsigned numberOf(const TrafficFrameModel& model, int row) { return model.LineText(row).left(6).toUInt(); }

TEST(TrafficFrameModelTest, KeepsTheNewestFramesAndDropsTheOldest) {
    struct Case {
        const char* name;
        int maxFrames;
        int added;
        bool publishEach;
    };
    const Case cases[] = {
        {"monitor ring, a row at a time", TrafficFrameModel::kMaxFrames, TrafficFrameModel::kMaxFrames + 50, true},
        {"monitor ring, one batch far beyond it", TrafficFrameModel::kMaxFrames, 3 * TrafficFrameModel::kMaxFrames + 7, false},
        {"not full", TrafficFrameModel::kMaxFrames, 40, false},
        {"small ring", 5, 12, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned counter = 0;
        TrafficFrameModel model(6, &counter, c.maxFrames);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        addFrames(model, 0, c.added, c.publishEach);
        model.Publish();
        const int kept = std::min(c.added, c.maxFrames);
        ASSERT_EQ(model.rowCount(), kept);
        EXPECT_EQ(model.Pending(), 0);
        EXPECT_EQ(counter, unsigned(c.added));
        EXPECT_EQ(numberOf(model, 0), unsigned(c.added - kept));
        EXPECT_EQ(numberOf(model, kept - 1), unsigned(c.added - 1));
        // Every row still shows its own frame, time and direction.
        for (int row : {0, kept / 2, kept - 1}) {
            const unsigned n = numberOf(model, row);
            EXPECT_EQ(model.TimeMs(row), 1000 + 7 * qint64(n)) << row;
            EXPECT_EQ(model.LineText(row).mid(6, 4), n % 2 ? "-Rx:" : "-Tx:") << row;
        }
        EXPECT_EQ(!removed.isEmpty(), c.added > c.maxFrames) << "dropped rows are removed, not reset";
    }
}

TEST(TrafficFrameModelTest, TimesAscendAndEachGapIsTheDifferenceToTheFrameBefore) {
    TrafficFrameModel model(6, nullptr, 4);
    const qint64 base = QDateTime(QDate(2024, 5, 6), QTime(13, 4, 5, 67)).toMSecsSinceEpoch();
    const qint64 offsets[] = {0, 3, 3, 1250, 1251, 61000};
    const std::uint8_t bytes[] = {0x01, 0x03};
    for (qint64 offset : offsets)
        model.Add(Dir::Tx, RTU, bytes, sizeof bytes, base + offset);
    EXPECT_FALSE(model.Add(Dir::Tx, RTU, bytes, 0, base)) << "an empty capture is no frame";
    model.Publish();
    ASSERT_EQ(model.rowCount(), 4);
    // The oldest row kept still has its gap to the frame that was dropped.
    for (int row = 0; row < model.rowCount(); ++row) {
        const qint64 before = base + offsets[row + 1];
        EXPECT_EQ(model.TimeMs(row), base + offsets[row + 2]);
        ASSERT_TRUE(model.GapMs(row).has_value());
        EXPECT_EQ(*model.GapMs(row), model.TimeMs(row) - before);
        EXPECT_EQ(model.GapText(row), QString::number(model.TimeMs(row) - before));
    }
    EXPECT_EQ(model.TimeText(0), "13:04:05.070");
    EXPECT_EQ(model.TimeText(3), "13:05:06.067");
    EXPECT_EQ(model.data(model.index(1, TrafficFrameModel::GapColumn), Qt::DisplayRole).toString(), "1247");
    EXPECT_EQ(model.RowText(3), "13:05:06.067\t59749\t000005-Tx:01 03 ");

    TrafficFrameModel fresh(3, nullptr);
    fresh.Add(Dir::Rx, RTU, bytes, sizeof bytes, base);
    fresh.Publish();
    EXPECT_FALSE(fresh.GapMs(0).has_value()) << "the first frame has none before it";
    EXPECT_EQ(fresh.RowText(0), "13:04:05.067\t\t000-Rx:01 03 ");
}

TEST(TrafficFrameModelTest, FilterShowsTheFramesOfOneSlaveOrFunction) {
    TrafficFrameModel model(6, nullptr);
    const Bytes frames[] = {
        {0x01, 0x03, 0x00, 0x00, 0x00, 0x01},  // 0
        {0x02, 0x03, 0x02, 0x00, 0x2A},        // 1
        {0x01, 0x10, 0x00, 0x00},              // 2
        {0x02, 0x83, 0x02},                    // 3: exception answer to 03
        {0x05},                                // 4: too short to say
    };
    for (const Bytes& f : frames)
        model.Add(Dir::Tx, RTU, f.data(), f.size(), 0);
    model.Publish();
    EXPECT_EQ(model.Slaves(), (QList<int>{1, 2}));
    EXPECT_EQ(model.Functions(), (QList<int>{3, 16}));

    TrafficFilterModel filter;
    filter.setSourceModel(&model);
    struct Case {
        int slave, function;
        QList<int> rows;
    };
    const Case cases[] = {
        {kAll, kAll, {0, 1, 2, 3, 4}}, {1, kAll, {0, 2}}, {kAll, 3, {0, 1, 3}},
        {2, 3, {1, 3}},                {1, 16, {2}},      {9, kAll, {}},
        {kAll, kAll, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        filter.SetFilter(c.slave, c.function);
        QList<int> rows;
        for (int row = 0; row < filter.rowCount(); ++row)
            rows.append(filter.mapToSource(filter.index(row, 0)).row());
        EXPECT_EQ(rows, c.rows) << c.slave << "/" << c.function;
        EXPECT_EQ(filter.IsFiltering(), c.slave != kAll || c.function != kAll);
    }
}

}  // namespace
}  // namespace zentiq
