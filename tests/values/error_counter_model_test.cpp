#include "values/error_counter_model.h"

#include <gtest/gtest.h>

#include <ostream>

#include <limits>

#include "engine/engine_types.h"
#include "resources/strings.h"

// Readable failure messages for QString comparisons.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zentiq {
namespace {

using Model = ErrorCounterModel;

// The text of the counter a result lands in, without its count.
QString CountedAs(EngineStatus s, std::uint32_t writeFlags = 0, std::uint32_t readFlags = 0) {
    const int index = Model::CounterIndex(s, writeFlags, readFlags);
    if (index < 0) return "(none)";
    return Model::LineText(index, 0).mid(2);  // drop "0\t"
}

TEST(ErrorCounter, EngineFailuresHaveCountersOfTheirOwn) {
    EXPECT_EQ(Model::CounterIndex(0, port_error::Break, port_error::Frame), -1);
    EXPECT_EQ(CountedAs(1), "超时错误");
    EXPECT_EQ(CountedAs(2), "CRC 错误");
    EXPECT_EQ(CountedAs(3), "应答错误");
    EXPECT_EQ(CountedAs(17), "字节数目错误");
    EXPECT_EQ(CountedAs(6), "没有连接");
    EXPECT_EQ(CountedAs(7), "线程错误");
    EXPECT_EQ(CountedAs(11), "字节丢失");
    EXPECT_EQ(CountedAs(20), "传输 ID 错误");
    for (EngineStatus other : {8, 9, 10, 12, 19, 21, 127}) {
        EXPECT_EQ(CountedAs(other), "未知错误") << "status " << other;
    }
}

TEST(ErrorCounter, PortErrorsCountUnderTheFirstFlagInOrder) {
    using namespace port_error;
    EXPECT_EQ(CountedAs(4, Break | IoError), "写入错误: 线路中断");
    EXPECT_EQ(CountedAs(4, TxFull | IoError), "写入错误: I/O 错误");
    EXPECT_EQ(CountedAs(4, TxFull | Mode), "写入错误: 串口连接错误");
    EXPECT_EQ(CountedAs(4, TxFull), "写入错误: 输出缓冲区溢出");
    EXPECT_EQ(CountedAs(4, Frame, Frame), "写入错误");
    EXPECT_EQ(CountedAs(5, 0, Break | Frame), "读取错误: 帧错误");
    EXPECT_EQ(CountedAs(5, 0, Break | Overrun), "读取错误: 字符缓冲区溢出");
    EXPECT_EQ(CountedAs(5, 0, RxOver | RxParity), "读取错误: 校验错误");
    EXPECT_EQ(CountedAs(5, 0, IoError | RxOver), "读取错误: 输入缓冲区溢出");
    EXPECT_EQ(CountedAs(5, 0, Break | IoError), "读取错误: I/O 错误");
    EXPECT_EQ(CountedAs(5, 0, Break), "读取错误: 线路中断");
    EXPECT_EQ(CountedAs(5, Break, Mode | TxFull), "读取错误");
}

TEST(ErrorCounter, ExceptionsCountByTheirCode) {
    EXPECT_EQ(CountedAs(129), "不合法功能");
    EXPECT_EQ(CountedAs(130), "不合法数据地址");
    EXPECT_EQ(CountedAs(131), "不合法数据值");
    EXPECT_EQ(CountedAs(132), "从站设备故障");
    EXPECT_EQ(CountedAs(133), "确认");
    EXPECT_EQ(CountedAs(134), "从站设备忙");
    EXPECT_EQ(CountedAs(135), "NAK-否定确认");
    EXPECT_EQ(CountedAs(138), "网关路径不可用");
    EXPECT_EQ(CountedAs(139), "网关目标设备无应答");
    for (EngineStatus other : {128, 136, 137, 140, 255, 65535}) {
        EXPECT_EQ(CountedAs(other), "未知异常错误") << "status " << other;
    }
}

TEST(ErrorCounter, EveryLineFormatTakesExactlyOneCount) {
    // The formats go to snprintf: anything but one %d would misread the stack.
    for (int i = 0; i < Model::kCounterCount; ++i) {
        const QString format = LoadString(ids::ErrorCounterLineFirst + i);
        ASSERT_TRUE(format.startsWith("%d\t")) << "counter " << i;
        EXPECT_EQ(format.count('%'), 1) << "counter " << i;
        EXPECT_EQ(Model::LineText(i, -7), "-7" + format.mid(2));
    }
    EXPECT_EQ(Model::LineText(-1, 1), "");
    EXPECT_EQ(Model::LineText(Model::kCounterCount, 1), "");
}

TEST(ErrorCounter, NoErrorsWhenNothingButMissingConnectionsWasCounted) {
    Model::Counters counters{};
    EXPECT_EQ(Model::SortedLines(counters), QStringList{"没有错误！"});
    for (int i = 0; i < 5; ++i) Model::Count(counters, status::NoConnection, 0, 0);
    Model::Count(counters, status::Ok, 0, 0);
    EXPECT_EQ(counters[Model::kNoConnectionCounter], 5);
    EXPECT_EQ(Model::SortedLines(counters), QStringList{"没有错误！"});
}

TEST(ErrorCounter, SortedLinesOrderByTextNotByCounter) {
    Model::Counters counters{};
    Model::Count(counters, status::Timeout, 0, 0);
    Model::Count(counters, status::Timeout, 0, 0);
    Model::Count(counters, status::ChecksumError, 0, 0);
    EXPECT_EQ(Model::Lines(counters), (QStringList{"2\t超时错误", "1\tCRC 错误"}));
    EXPECT_EQ(Model::SortedLines(counters), (QStringList{"1\tCRC 错误", "2\t超时错误"}));

    // Count digits come first: "12" before "3", and "1\t" before "12".
    counters = {};
    counters[0] = 3;
    counters[1] = 12;
    counters[2] = 1;
    counters[Model::kNoConnectionCounter] = 9;
    EXPECT_EQ(Model::SortedLines(counters),
              (QStringList{"1\t应答错误", "12\tCRC 错误", "3\t超时错误"}));
}

TEST(ErrorCounter, ListOrderIgnoresCase) {
    // A case-sensitive order would put "B..." before "a...".
    EXPECT_TRUE(Model::ListLess("1\tabc", "1\tBcd"));
    EXPECT_FALSE(Model::ListLess("1\tBcd", "1\tabc"));
    EXPECT_FALSE(Model::ListLess("1\t写入错误", "1\twrite ERROR"));
    EXPECT_TRUE(Model::ListLess("1\t写入错误", "1\t写入错误: I/O 错误"));
}

TEST(ErrorCounter, CountersStopAtTheirMaximum) {
    Model::Counters counters{};
    counters[0] = std::numeric_limits<std::int32_t>::max() - 1;
    Model::Count(counters, status::Timeout, 0, 0);
    Model::Count(counters, status::Timeout, 0, 0);
    EXPECT_EQ(counters[0], std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Model::Lines(counters), QStringList{"2147483647\t超时错误"});
}

TEST(ErrorCounter, CountingTimeReadsHoursMinutesSeconds) {
    const struct {
        qint64 ms;
        const char* text;
    } cases[] = {
        {0, "0:00:00"},         {999, "0:00:00"},         {61000, "0:01:01"},
        {3723004, "1:02:03"},   {97389000, "27:03:09"},   {-5, "0:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Model::CountingText(c.ms), c.text) << c.ms;
}

}  // namespace
}  // namespace zentiq
