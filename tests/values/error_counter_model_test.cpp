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
    EXPECT_EQ(CountedAs(1), "Timeout error");
    EXPECT_EQ(CountedAs(2), "CRC error");
    EXPECT_EQ(CountedAs(3), "Response error");
    EXPECT_EQ(CountedAs(17), "Byte count error");
    EXPECT_EQ(CountedAs(6), "No connection");
    EXPECT_EQ(CountedAs(7), "Thread error");
    EXPECT_EQ(CountedAs(11), "Bytes missing error");
    EXPECT_EQ(CountedAs(20), "Transaction ID error");
    for (EngineStatus other : {8, 9, 10, 12, 19, 21, 127}) {
        EXPECT_EQ(CountedAs(other), "Unknown error") << "status " << other;
    }
}

TEST(ErrorCounter, PortErrorsCountUnderTheFirstFlagInOrder) {
    using namespace port_error;
    EXPECT_EQ(CountedAs(4, Break | IoError), "Write error: Break condition");
    EXPECT_EQ(CountedAs(4, TxFull | IoError), "Write error: I/O error");
    EXPECT_EQ(CountedAs(4, TxFull | Mode), "Write error: Serial connection error");
    EXPECT_EQ(CountedAs(4, TxFull), "Write error: Output buffer overflow");
    EXPECT_EQ(CountedAs(4, Frame, Frame), "Write error");
    EXPECT_EQ(CountedAs(5, 0, Break | Frame), "Read error: Framing error");
    EXPECT_EQ(CountedAs(5, 0, Break | Overrun), "Read error: Character buffer overrun");
    EXPECT_EQ(CountedAs(5, 0, RxOver | RxParity), "Read error: Parity error");
    EXPECT_EQ(CountedAs(5, 0, IoError | RxOver), "Read error: Input buffer overflow");
    EXPECT_EQ(CountedAs(5, 0, Break | IoError), "Read error: I/O error");
    EXPECT_EQ(CountedAs(5, 0, Break), "Read error: Break condition");
    EXPECT_EQ(CountedAs(5, Break, Mode | TxFull), "Read error");
}

TEST(ErrorCounter, ExceptionsCountByTheirCode) {
    EXPECT_EQ(CountedAs(129), "Illegal function");
    EXPECT_EQ(CountedAs(130), "Illegal data address");
    EXPECT_EQ(CountedAs(131), "Illegal data value");
    EXPECT_EQ(CountedAs(132), "Slave device failure");
    EXPECT_EQ(CountedAs(133), "Acknowledge");
    EXPECT_EQ(CountedAs(134), "Slave device busy");
    EXPECT_EQ(CountedAs(135), "NAK-negative acknowledgment");
    EXPECT_EQ(CountedAs(138), "Gateway path unavailable");
    EXPECT_EQ(CountedAs(139), "Gateway target device failed to respond");
    for (EngineStatus other : {128, 136, 137, 140, 255, 65535}) {
        EXPECT_EQ(CountedAs(other), "Unknown exception error") << "status " << other;
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
    EXPECT_EQ(Model::SortedLines(counters), QStringList{"NO ERRORS!"});
    for (int i = 0; i < 5; ++i) Model::Count(counters, status::NoConnection, 0, 0);
    Model::Count(counters, status::Ok, 0, 0);
    EXPECT_EQ(counters[Model::kNoConnectionCounter], 5);
    EXPECT_EQ(Model::SortedLines(counters), QStringList{"NO ERRORS!"});
}

TEST(ErrorCounter, SortedLinesOrderByTextNotByCounter) {
    Model::Counters counters{};
    Model::Count(counters, status::Timeout, 0, 0);
    Model::Count(counters, status::Timeout, 0, 0);
    Model::Count(counters, status::ChecksumError, 0, 0);
    EXPECT_EQ(Model::Lines(counters), (QStringList{"2\tTimeout error", "1\tCRC error"}));
    EXPECT_EQ(Model::SortedLines(counters), (QStringList{"1\tCRC error", "2\tTimeout error"}));

    // Count digits come first: "12" before "3", and "1\t" before "12".
    counters = {};
    counters[0] = 3;
    counters[1] = 12;
    counters[2] = 1;
    counters[Model::kNoConnectionCounter] = 9;
    EXPECT_EQ(Model::SortedLines(counters),
              (QStringList{"1\tResponse error", "12\tCRC error", "3\tTimeout error"}));
}

TEST(ErrorCounter, ListOrderIgnoresCase) {
    // A case-sensitive order would put "B..." before "a...".
    EXPECT_TRUE(Model::ListLess("1\tabc", "1\tBcd"));
    EXPECT_FALSE(Model::ListLess("1\tBcd", "1\tabc"));
    EXPECT_FALSE(Model::ListLess("1\tWrite error", "1\twrite ERROR"));
    EXPECT_TRUE(Model::ListLess("1\tWrite error", "1\tWrite error: I/O error"));
}

TEST(ErrorCounter, CountersStopAtTheirMaximum) {
    Model::Counters counters{};
    counters[0] = std::numeric_limits<std::int32_t>::max() - 1;
    Model::Count(counters, status::Timeout, 0, 0);
    Model::Count(counters, status::Timeout, 0, 0);
    EXPECT_EQ(counters[0], std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Model::Lines(counters), QStringList{"2147483647\tTimeout error"});
}

}  // namespace
}  // namespace zentiq
