// Registration limits, write data and the typed accessors in both word orders.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "engine/engine_state.h"

namespace zentiq {
namespace {

class SlotTable : public ::testing::Test {
protected:
    // The line under test: its own, shared with no other test.
    ModbusLine line;
    void SetUp() override { line.InitEngine(); }
    int Read(std::uint16_t fc, std::uint16_t quantity, std::uint16_t slave = 1) {
        return line.RegisterPollSlot(1, WM_POLL_RESULT, 100, slave, fc, 0, quantity, 0, 0);
    }
    int Write(std::uint16_t fc, std::uint16_t quantity, std::uint16_t slave = 1) {
        return line.RegisterPollSlot(1, WM_POLL_RESULT, 100, slave, fc, 0, 0, 0, quantity);
    }
};

TEST_F(SlotTable, RegistrationLimits) {
    EXPECT_EQ(Read(3, 127), 1);
    EXPECT_EQ(Read(3, 128), -1);
    EXPECT_EQ(Read(4, 128), -1);
    EXPECT_NE(Read(1, 2000), -1);
    EXPECT_EQ(Read(1, 2001), -1);
    EXPECT_EQ(Read(2, 2001), -1);
    EXPECT_EQ(Read(3, 10, 0), -1);    // reads refuse broadcast
    EXPECT_NE(Write(16, 10, 0), -1);  // broadcast write
    EXPECT_EQ(Write(16, 128), -1);
    EXPECT_NE(Write(15, 2000), -1);
    EXPECT_EQ(Write(15, 2001), -1);
    EXPECT_EQ(Read(3, 10, 256), -1);
    EXPECT_EQ(line.RegisterPollSlot(1, WM_POLL_RESULT, 1, 1, 5, 0, 2, 0, 0),
              -1);  // 5: read quantity <= 1
    EXPECT_EQ(line.RegisterPollSlot(1, WM_POLL_RESULT, 1, 0, 23, 0, 1, 0, 1), -1);
    EXPECT_EQ(line.RegisterPollSlot(1, WM_POLL_RESULT, 1, 1, 23, 0, 128, 0, 1), -1);
    EXPECT_EQ(line.RegisterPollSlot(1, WM_POLL_RESULT, 1, 1, 0, 0, 0, 0, 4),
              -1);  // raw: one-shot only
    EXPECT_EQ(Read(7, 1), -1);
    EXPECT_NE(Read(3, 0), -1);  // zero quantities are not refused here
}

TEST_F(SlotTable, ThirtyThirdRegistrationIsRefusedAndReleaseFreesASlot) {
    // The one-shot slot is no poll slot: a pending one-off leaves the count alone.
    ASSERT_EQ(line.SubmitOneShot(5, WM_POLL_RESULT, 1, 6, 0, 0, 10, 1), 1);
    EXPECT_EQ(line.FreePollSlots(), 32);
    for (int i = 1; i <= 32; ++i) {
        ASSERT_EQ(Read(3, 1), i);
        EXPECT_EQ(line.FreePollSlots(), 32 - i);
    }
    EXPECT_EQ(Read(3, 1), -1);
    EXPECT_EQ(line.FreePollSlots(), 0) << "a refused registration claims nothing";
    EXPECT_EQ(line.ReleasePollSlot(7), 1);
    EXPECT_EQ(line.FreePollSlots(), 1);
    EXPECT_EQ(Read(3, 1), 7);
    EXPECT_EQ(line.ReleasePollSlot(33), 0);
    EXPECT_EQ(line.FreePollSlots(), 0);
}

TEST_F(SlotTable, OneShotSlot) {
    EXPECT_EQ(line.SubmitOneShot(5, WM_POLL_RESULT, 1, 6, 0, 0, 10, 1), 1);
    EXPECT_EQ(line.SubmitOneShot(5, WM_POLL_RESULT, 1, 6, 0, 0, 10, 1), 0);  // still pending
    EXPECT_EQ(line.ReleasePollSlot(0), 1);
    EXPECT_EQ(line.SubmitOneShot(5, WM_POLL_RESULT, 1, 3, 0, 128, 0, 0),
              0);                                                           // refused by the limits
    EXPECT_EQ(line.SubmitOneShot(5, WM_POLL_RESULT, 0, 0, 0, 0, 0, 0), 1);  // raw frame
}

TEST_F(SlotTable, NewSlotReadsZerosWithStatusTen) {
    const int s = Read(3, 10);
    std::uint16_t regs[10];
    std::memset(regs, 0xAB, sizeof regs);
    EXPECT_EQ(line.ReadRegisters(s, regs), status::NoTransactionYet);
    for (std::uint16_t r : regs)
        EXPECT_EQ(r, 0);
    EXPECT_EQ(line.GetSlotStatus(s), status::NoTransactionYet);
}

TEST_F(SlotTable, OutOfRangeIndexes) {
    std::uint16_t regs[4];
    std::uint8_t bytes[4];
    std::int32_t longs[2];
    float floats[2];
    double doubles[1];
    for (int bad : {33, -1, 1000}) {
        EXPECT_EQ(line.ReadRegisters(bad, regs), status::BadSlot);
        EXPECT_EQ(line.ReadBytes(bad, bytes), status::BadSlot);
        EXPECT_EQ(line.ReadLongs(bad, longs, 0), status::BadSlot);
        EXPECT_EQ(line.ReadFloats(bad, floats, 1), status::BadSlot);
        EXPECT_EQ(line.ReadDoubles(bad, doubles, 0), status::BadSlot);
        EXPECT_EQ(line.GetSlotStatus(bad), status::BadSlot);
        EXPECT_EQ(line.GetRequestCapture(bad, bytes), status::BadSlot);
        EXPECT_EQ(line.GetResponseCapture(bad, bytes), status::BadSlot);
        EXPECT_EQ(line.SetPollMode(bad, Continuous), 0);
        EXPECT_EQ(line.SetWriteRegisters(bad, 1, regs), 0);
        EXPECT_EQ(line.ResetSlotCounters(bad), 0);
        EXPECT_EQ(line.GetSlotCounters(bad, nullptr, nullptr), 0);
    }
}

// Every register form stops at 127 registers, the most functions 16 and 23
// carry: one more value would be dropped on the wire while the slave answers
// OK. A refused call leaves the slot as it was.
TEST_F(SlotTable, WriteDataCountRanges) {
    struct Case {
        const char* name;
        int largest;  // values accepted; one more is refused
        int stored;   // writeQuantity then: bytes or registers
        int (*store)(ModbusLine& line, int slot, int count);
    };
    static const std::uint16_t regs[130] = {};
    static const std::uint8_t bytes[2001] = {};
    static const std::int32_t longs[65] = {};
    static const float floats[65] = {};
    static const double doubles[33] = {};
    const Case cases[] = {
        {"bytes", 2000, 2000,
         [](ModbusLine& line, int s, int n) { return line.SetWriteBytes(s, n, bytes); }},
        {"registers", 127, 127,
         [](ModbusLine& line, int s, int n) { return line.SetWriteRegisters(s, n, regs); }},
        {"longs", 63, 126,
         [](ModbusLine& line, int s, int n) { return line.SetWriteLongs(s, n, longs, 0); }},
        {"floats", 63, 126,
         [](ModbusLine& line, int s, int n) { return line.SetWriteFloats(s, n, floats, 1); }},
        {"doubles", 31, 124,
         [](ModbusLine& line, int s, int n) { return line.SetWriteDoubles(s, n, doubles, 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int s = Write(16, 10);
        ASSERT_GE(s, 1);
        EXPECT_EQ(c.store(line, s, 0), 0);
        EXPECT_EQ(c.store(line, s, c.largest + 1), 0);
        EXPECT_EQ(c.store(line, s, std::numeric_limits<int>::max()), 0);
        {
            std::lock_guard guard(line.State().lock);
            EXPECT_EQ(line.State().slots[s].ready, 0u);  // nothing to send yet
            EXPECT_EQ(line.State().slots[s].writeQuantity, 10);
        }
        EXPECT_EQ(c.store(line, s, c.largest), 1);
        std::lock_guard guard(line.State().lock);
        EXPECT_EQ(line.State().slots[s].ready, 1u);
        EXPECT_EQ(line.State().slots[s].writeQuantity, c.stored);
    }
}

TEST_F(SlotTable, TooFewRegistersForWideTypes) {
    const int three = Read(3, 3);
    double d[1];
    std::int32_t l[1];
    EXPECT_EQ(line.ReadDoubles(three, d, 0), status::TooFewRegisters);
    EXPECT_EQ(line.ReadLongs(three, l, 0), status::NoTransactionYet);
    const int one = Read(3, 1);
    EXPECT_EQ(line.ReadLongs(one, l, 0), status::TooFewRegisters);
    float f[1];
    EXPECT_EQ(line.ReadFloats(one, f, 1), status::TooFewRegisters);
}

}  // namespace
}  // namespace zentiq
