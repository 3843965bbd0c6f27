// Response-time figures: the histogram arithmetic and the table's
// bookkeeping on made-up moments, then the figures the worker keeps against
// scripted slaves that answer after known delays or fail on purpose, and
// against the libmodbus slave.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <numeric>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "engine/transaction_timing.h"
#include "support/busy_loops.h"
#include "support/peer_process.h"
#include "support/post_recorder.h"
#include "support/pty_pair.h"
#include "support/scripted_serial_slave.h"
#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using namespace std::chrono_literals;
using test::PtyPair;
using test::ScriptedSerialSlave;
using test::ScriptedTcpSlave;
using Bytes = std::vector<std::uint8_t>;
using Ms = std::chrono::milliseconds;

// ---- histogram -------------------------------------------------------------

TEST(ResponseTimeHistogram, BucketsFollowEachOtherWithoutGapsOrOverlaps) {
    EXPECT_EQ(ResponseTimeBucket(0), 0);
    for (int b = 1; b < kResponseTimeBuckets; ++b) {
        const std::uint32_t firstOfBucket = ResponseTimeBucketTop(b - 1) + 1;
        ASSERT_EQ(ResponseTimeBucket(firstOfBucket), b) << "first time of bucket " << b;
        ASSERT_EQ(ResponseTimeBucket(ResponseTimeBucketTop(b)), b) << "last time of bucket " << b;
    }
    EXPECT_EQ(ResponseTimeBucketTop(kResponseTimeBuckets - 1),
              std::numeric_limits<std::uint32_t>::max());
}

TEST(ResponseTimeHistogram, NoBucketIsWiderThanASixteenthOfItsTimes) {
    for (const std::uint32_t us :
         {0u, 1u, 15u, 16u, 17u, 31u, 32u, 999u, 1000u, 2000u, 2047u, 2048u, 40000u, 1u << 20,
          (1u << 31) + 5, std::numeric_limits<std::uint32_t>::max()}) {
        const int b = ResponseTimeBucket(us);
        ASSERT_GE(b, 0);
        ASSERT_LT(b, kResponseTimeBuckets);
        EXPECT_LE(us, ResponseTimeBucketTop(b)) << us;
        EXPECT_LE(ResponseTimeBucketTop(b) - us, us / 16) << us;
    }
}

// ---- the table on made-up moments -----------------------------------------

constexpr int kSlot = 5;

// A transaction that starts at `start`, sends 100 us later, is answered
// after `responseUs` and ends 50 us after that.
TransactionMoments Moments(std::uint64_t start, std::uint64_t responseUs) {
    return {start, start + 100, start + 100 + responseUs, start + 150 + responseUs};
}

struct Samples {
    std::uint32_t us;
    int count;
};

struct QuantileCase {
    const char* name;
    std::vector<Samples> samples;
    double fraction;
    std::uint32_t low, high;  // where the answer must lie
};

void PrintTo(const QuantileCase& c, std::ostream* os) { *os << c.name; }

class QuantileTest : public ::testing::TestWithParam<QuantileCase> {};

TEST_P(QuantileTest, LiesWhereTheNearestRankSaysToTheHistogramsResolution) {
    const QuantileCase& c = GetParam();
    TimingTable table;
    std::uint64_t t = 1000000;
    for (const Samples& s : c.samples)
        for (int i = 0; i < s.count; ++i, t += 100000)
            table.Record(kSlot, true, Moments(t, s.us), status::Ok);
    SlotTiming timing;
    table.Slot(kSlot, t, &timing);
    const std::uint32_t q = ResponseTimeQuantileUs(timing, c.fraction);
    EXPECT_GE(q, c.low);
    EXPECT_LE(q, c.high);
}

INSTANTIATE_TEST_SUITE_P(
    Distributions, QuantileTest,
    ::testing::Values(
        // p95 of 20 is the 19th: the one slow answer does not count.
        QuantileCase{"p95_19_fast_1_slow", {{2000, 19}, {40000, 1}}, 0.95, 2000, 2125},
        QuantileCase{"p95_18_fast_2_slow", {{2000, 18}, {40000, 2}}, 0.95, 40000, 40000},
        QuantileCase{"p95_slow_first", {{40000, 1}, {2000, 19}}, 0.95, 2000, 2125},
        QuantileCase{"one_answer_is_every_quantile", {{700, 1}}, 0.95, 700, 700},
        QuantileCase{"exact_below_16us", {{3, 1}, {5, 1}, {9, 1}, {12, 1}}, 0.75, 9, 9},
        QuantileCase{"median_of_a_spread",
                     {{10000, 10}, {20000, 10}, {30000, 10}, {40000, 10}, {50000, 10}},
                     0.5,
                     30000,
                     30000 + 30000 / 16},
        QuantileCase{"zero_is_the_minimum", {{2000, 5}, {2500, 5}}, 0.0, 2000, 2000},
        QuantileCase{"one_is_the_maximum", {{2000, 5}, {2500, 5}}, 1.0, 2500, 2500}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResponseTimeQuantile, IsZeroWithoutAnswers) {
    SlotTiming none;
    EXPECT_EQ(ResponseTimeQuantileUs(none, 0.95), 0u);
}

struct OutcomeCase {
    const char* name;
    EngineStatus status;
    bool sent, answered;  // moments the transports noted
    std::uint32_t timed, timeouts, checksumErrors, exceptions;
};

void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

class OutcomeTest : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(OutcomeTest, CountsTheFailureAndTimesOnlyWholeAnswers) {
    const OutcomeCase& c = GetParam();
    TimingTable table;
    TransactionMoments m = Moments(5000, 3000);
    if (!c.sent)
        m.sentUs = 0;
    if (!c.answered)
        m.answeredUs = 0;
    table.Record(kSlot, true, m, c.status);
    SlotTiming t;
    table.Slot(kSlot, m.endUs, &t);
    EXPECT_EQ(t.transactions, 1u);
    EXPECT_EQ(t.answered, c.timed);
    EXPECT_EQ(t.timeouts, c.timeouts);
    EXPECT_EQ(t.checksumErrors, c.checksumErrors);
    EXPECT_EQ(t.exceptions, c.exceptions);
    EXPECT_EQ(t.lastUs, c.timed ? 3000u : 0u);
    EXPECT_EQ(std::accumulate(std::begin(t.histogram), std::end(t.histogram), 0u), c.timed);
    LineTiming line;
    table.Line(m.endUs, &line);
    EXPECT_EQ(line.transactions, 1u);
    EXPECT_EQ(line.busyUs, 3150u) << "the whole transaction keeps the line busy";
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, OutcomeTest,
    ::testing::Values(OutcomeCase{"ok", status::Ok, true, true, 1, 0, 0, 0},
                      OutcomeCase{"timeout", status::Timeout, true, true, 0, 1, 0, 0},
                      OutcomeCase{"crc", status::ChecksumError, true, true, 1, 0, 1, 0},
                      OutcomeCase{"exception_2", status::ExceptionBase + 2, true, true, 1, 0, 0, 1},
                      OutcomeCase{"wrong_answer", status::ResponseError, true, true, 1, 0, 0, 0},
                      OutcomeCase{"bytes_missing", status::BytesMissing, true, true, 0, 0, 0, 0},
                      OutcomeCase{"unhandled_function", status::UnhandledFunction, false, false, 0,
                                  0, 0, 0},
                      OutcomeCase{"write_error", status::WriteError, false, false, 0, 0, 0, 0},
                      // A raw frame or a broadcast: sent, nothing to wait for.
                      OutcomeCase{"ok_without_answer", status::Ok, true, false, 0, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimingTable, SpanRunsFromTheFirstStartToTheLastAndSinceLastToNow) {
    TimingTable table;
    for (std::uint64_t start : {1000000u, 1250000u, 1400000u})
        table.Record(kSlot, true, Moments(start, 1000), status::Ok);
    SlotTiming t;
    table.Slot(kSlot, 1500000, &t);
    EXPECT_EQ(t.spanUs, 400000u);
    EXPECT_EQ(t.sinceLastUs, 100000u);
    EXPECT_EQ(t.sumUs, 3000u);
}

// A scan that had the line to itself is no time of the poll windows': while
// paused their clock stands, and afterwards their span and the time since
// their last poll hold only the time they could poll.
TEST(TimingTable, APauseOfThePollSlotsIsLeftOutOfTheirSpan) {
    TimingTable table;
    for (std::uint64_t start : {1000000u, 1100000u, 1200000u})
        table.Record(kSlot, true, Moments(start, 1000), status::Ok);
    table.PollSlotsPaused(true, 1250000);
    SlotTiming t;
    table.Slot(kSlot, 9000000, &t);
    EXPECT_EQ(t.sinceLastUs, 50000u) << "standing while paused";
    table.PollSlotsPaused(false, 9250000);  // eight seconds of scanning
    table.Slot(kSlot, 9260000, &t);
    EXPECT_EQ(t.sinceLastUs, 60000u);
    table.Record(kSlot, true, Moments(9300000, 1000), status::Ok);
    table.Slot(kSlot, 9300000, &t);
    EXPECT_EQ(t.spanUs, 300000u) << "three periods of 100 ms, none of the pause";
    SlotTiming oneShot;
    table.Record(0, true, Moments(5000000, 1000), status::Timeout);
    table.Slot(0, 5000000, &oneShot);
    EXPECT_EQ(oneShot.timeouts, 1u) << "the scan's own slot keeps its figures";
}

TEST(TimingTable, AnotherRequestInTheSlotCountsForTheLineOnly) {
    TimingTable table;
    table.Record(kSlot, false, Moments(1000, 1000), status::Ok);
    SlotTiming t;
    table.Slot(kSlot, 5000, &t);
    EXPECT_EQ(t.transactions, 0u);
    LineTiming line;
    table.Line(5000, &line);
    EXPECT_EQ(line.transactions, 1u);
}

TEST(TimingTable, WallTimeCountsOnlyWhileTheWorkerRuns) {
    TimingTable table;
    LineTiming line;
    table.LineRunning(true, 1000);
    table.Line(4000, &line);
    EXPECT_EQ(line.wallUs, 3000u);
    table.LineRunning(false, 6000);
    table.Line(90000, &line);
    EXPECT_EQ(line.wallUs, 5000u);
    table.LineRunning(true, 100000);
    table.ResetLine(101000);
    table.Line(103000, &line);
    EXPECT_EQ(line.wallUs, 2000u) << "a reset while running counts from the reset";
}

// ---- the worker against slaves -------------------------------------------

constexpr WindowHandle kWindow = 0x7170;
constexpr std::uint32_t kTcpTimeoutMs = 300;

// Ten holding registers of slave 1 (read from 0): 1..10.
Bytes TenRegisters() {
    Bytes pdu{1, 0x03, 20};
    for (std::uint8_t v = 1; v <= 10; ++v) {
        pdu.push_back(0);
        pdu.push_back(v);
    }
    return pdu;
}

const Bytes kException2{1, 0x83, 0x02};

class WorkerTimingTest : public ::testing::Test {
protected:
    // The line under test: its own, shared with no other test.
    ModbusLine line;
    void SetUp() override {
        line.InitEngine();
        line.SetPollDelay(0);
        posts = std::make_unique<testing::PostRecorder>(line);
    }
    void TearDown() override {
        line.StopPolling();
        line.CloseTcpConnection();
        line.CloseSerialPort();
        line.SetTransmissionMode(RTU);
        posts.reset();
        line.InitEngine();
    }

    void ConnectTcp(std::uint16_t port, int mode, std::uint32_t timeoutMs = kTcpTimeoutMs) {
        ASSERT_EQ(line.OpenTcpConnection("127.0.0.1", port, timeoutMs, 3000), 0);
        ASSERT_EQ(line.SetTransmissionMode(mode), 1);
    }

    // Polls ten holding registers continuously until `count` results came,
    // then stops the worker. The slot, or -1.
    int Poll(int count, std::uint16_t scanRate = 0) {
        const int slot =
            line.RegisterPollSlot(kWindow, WM_POLL_RESULT, scanRate, 1, 3, 0, 10, 0, 0);
        EXPECT_GE(slot, 1);
        if (slot < 1)
            return -1;
        line.SetPollMode(slot, Continuous);
        EXPECT_EQ(line.StartPolling(), 1);
        EXPECT_TRUE(posts->WaitFor(kWindow, WM_POLL_RESULT, static_cast<std::size_t>(count), 20s))
            << "results in time: " << posts->Count(kWindow, WM_POLL_RESULT);
        line.StopPolling();
        return slot;
    }

    SlotTiming Timing(int slot) {
        SlotTiming t;
        EXPECT_EQ(line.GetSlotTiming(slot, &t), 1);
        return t;
    }

    // Scripted answers of ten registers, after the given delays, then silence
    // so that nothing more is counted before the worker stops.
    static std::vector<ScriptedTcpSlave::Step> DelayedAnswers(const std::vector<Ms>& delays) {
        std::vector<ScriptedTcpSlave::Step> script;
        for (const Ms d : delays) {
            ScriptedTcpSlave::Frame f = ScriptedTcpSlave::Answer(TenRegisters());
            f.delay = d;
            script.push_back(ScriptedTcpSlave::Reply(f));
        }
        script.push_back(ScriptedTcpSlave::Silent());
        return script;
    }

    std::unique_ptr<testing::PostRecorder> posts;
};

struct DelayCase {
    const char* name;
    int fast, slow;  // answers after 2 ms and after 150 ms, the slow ones last
    bool p95IsSlow;
};

void PrintTo(const DelayCase& c, std::ostream* os) { *os << c.name; }

class DelayDistributionTest : public WorkerTimingTest,
                              public ::testing::WithParamInterface<DelayCase> {};

// The two kinds lie far apart, so that neither a busy machine's delays nor
// a worker preempted between its write and its clock read moves an answer
// from one kind to the other.
TEST_P(DelayDistributionTest, TimesEveryAnswerAndFindsTheP95) {
    const DelayCase& c = GetParam();
    std::vector<Ms> delays(static_cast<std::size_t>(c.fast), 2ms);
    delays.insert(delays.end(), static_cast<std::size_t>(c.slow), 150ms);
    ScriptedTcpSlave slave(DelayedAnswers(delays));
    ConnectTcp(slave.Port(), TCP, 2000);
    const int n = c.fast + c.slow;
    const int slot = Poll(n);
    ASSERT_GE(slot, 1);

    const SlotTiming t = Timing(slot);
    EXPECT_EQ(t.transactions, static_cast<std::uint32_t>(n));
    EXPECT_EQ(t.answered, static_cast<std::uint32_t>(n));
    EXPECT_EQ(t.timeouts + t.checksumErrors + t.exceptions, 0u);
    EXPECT_GE(t.maxUs, 100000u);
    EXPECT_GE(t.lastUs, 100000u) << "the slow answers came last";
    EXPECT_LE(t.minUs * std::uint64_t(n), t.sumUs);
    EXPECT_GE(t.sumUs, t.maxUs);
    const std::uint32_t p95 = ResponseTimeQuantileUs(t, 0.95);
    EXPECT_LE(t.minUs, p95);
    EXPECT_LE(p95, t.maxUs);
    if (c.p95IsSlow) {
        EXPECT_GE(p95, 100000u);
    } else {
        EXPECT_LT(p95, 100000u);
    }
    std::uint32_t tx = 0, ok = 0;
    line.GetSlotCounters(slot, &tx, &ok);
    EXPECT_EQ(t.transactions, tx);
}

INSTANTIATE_TEST_SUITE_P(Scripted, DelayDistributionTest,
                         ::testing::Values(DelayCase{"19_at_2ms_1_at_150ms", 19, 1, false},
                                           DelayCase{"18_at_2ms_2_at_150ms", 18, 2, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A slave that holds every answer a known time after its request arrived,
// timed while two busy loops keep both processors of a small machine busy:
// the request's moment is taken before it is handed to the kernel and the
// answer's when the kernel received it, so no response time can come out
// below the hold, and none is stretched by a worker that lost the processor
// before it read the answer. The slave's own figures (kernel stamps too) are
// the truth the engine's are held to.
class BusyMachineTimingTest : public WorkerTimingTest, public ::testing::WithParamInterface<Ms> {};

TEST_P(BusyMachineTimingTest, NoResponseTimeBelowTheHoldAndTheAverageIsTheSlaves) {
    const Ms hold = GetParam();
    constexpr int kAnswers = 12;
    ScriptedTcpSlave slave(DelayedAnswers(std::vector<Ms>(kAnswers, hold)));
    ConnectTcp(slave.Port(), TCP, 2000);
    int slot = -1;
    {
        const test::BusyLoops busy(2);
        slot = Poll(kAnswers);
    }
    ASSERT_GE(slot, 1);
    const SlotTiming t = Timing(slot);
    ASSERT_EQ(t.answered, static_cast<std::uint32_t>(kAnswers));
    const std::vector<std::int64_t> holds = slave.HoldsUs();
    ASSERT_EQ(holds.size(), static_cast<std::size_t>(kAnswers));
    const std::int64_t slaveMin = *std::min_element(holds.begin(), holds.end());
    const double slaveAvg = std::accumulate(holds.begin(), holds.end(), 0.0) / kAnswers;
    const double avg = static_cast<double>(t.sumUs) / t.answered;

    EXPECT_GE(t.minUs, static_cast<std::uint32_t>(hold.count() * 1000)) << "below the hold";
    EXPECT_GE(static_cast<std::int64_t>(t.minUs), slaveMin);
    EXPECT_GE(avg, slaveAvg);
    EXPECT_LE(avg, slaveAvg + 1000) << "more than a millisecond above what the slave took";

    // The monitor's moments of the last capture are as far apart.
    std::int64_t sentMs = 0, answeredMs = 0;
    ASSERT_EQ(line.GetCaptureMoments(slot, &sentMs, &answeredMs), 1);
    EXPECT_GT(sentMs, 0);
    EXPECT_GE(answeredMs - sentMs, hold.count() - 1) << "each moment is cut to the millisecond";
    EXPECT_EQ(line.GetCaptureMoments(kSlotCount, &sentMs, &answeredMs), 0);
}

INSTANTIATE_TEST_SUITE_P(Scripted, BusyMachineTimingTest, ::testing::Values(5ms, 40ms),
                         [](const auto& info) {
                             return std::to_string(info.param.count()) + "ms";
                         });

struct RateCase {
    const char* name;
    std::uint16_t scanRate;  // ms
    Ms delay;                // of every answer
};

void PrintTo(const RateCase& c, std::ostream* os) { *os << c.name; }

class AchievedRateTest : public WorkerTimingTest, public ::testing::WithParamInterface<RateCase> {};

// Neither the scan rate nor a slow slave can be beaten: the span of n polls
// holds n - 1 periods of at least the longer of the two.
TEST_P(AchievedRateTest, SpanHoldsAtLeastThePeriodsTheSlowerSideAllows) {
    const RateCase& c = GetParam();
    constexpr int kPolls = 8;
    ScriptedTcpSlave slave(DelayedAnswers(std::vector<Ms>(kPolls, c.delay)));
    ConnectTcp(slave.Port(), TCP);
    const int slot = Poll(kPolls, c.scanRate);
    ASSERT_GE(slot, 1);
    const SlotTiming t = Timing(slot);
    EXPECT_EQ(t.transactions, static_cast<std::uint32_t>(kPolls));
    // A fifth off: the schedule judges the scan rate from the start of the
    // worker's cycle, the transaction starts a little later, and a busy
    // machine may preempt the worker before its first clock read.
    const std::uint64_t period =
        std::max<std::uint64_t>(std::uint64_t{c.scanRate} * 1000, c.delay.count() * 1000);
    EXPECT_GE(t.spanUs, (kPolls - 1) * period * 4 / 5);
    EXPECT_GT(t.sinceLastUs, 0u);
    LineTiming figures;
    ASSERT_EQ(line.GetLineTiming(&figures), 1);
    EXPECT_EQ(figures.transactions, static_cast<std::uint64_t>(kPolls));
    EXPECT_GE(figures.busyUs, kPolls * std::uint64_t(c.delay.count()) * 1000);
    EXPECT_LE(figures.busyUs, figures.wallUs);
}

INSTANTIATE_TEST_SUITE_P(Scripted, AchievedRateTest,
                         ::testing::Values(RateCase{"slave_slower_than_scan_rate", 0, 30ms},
                                           RateCase{"scan_rate_slower_than_slave", 60, 5ms}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkerTimingTest, ResetAndANewClaimStartTheFiguresAfresh) {
    ScriptedTcpSlave slave(DelayedAnswers(std::vector<Ms>(20, 1ms)));
    ConnectTcp(slave.Port(), TCP);
    const int slot = Poll(3);
    ASSERT_GE(slot, 1);
    // The worker may have served one more before it stopped: every result
    // posted is one transaction counted.
    ASSERT_EQ(Timing(slot).transactions, posts->Count(kWindow, WM_POLL_RESULT));

    ASSERT_EQ(line.ResetSlotTiming(slot), 1);
    SlotTiming t = Timing(slot);
    EXPECT_EQ(t.transactions, 0u);
    EXPECT_EQ(t.answered, 0u);
    EXPECT_EQ(t.sumUs, 0u);
    EXPECT_EQ(t.spanUs, 0u);
    EXPECT_EQ(ResponseTimeQuantileUs(t, 0.95), 0u);

    // Two more polls count from zero, the tx counter goes on.
    posts->Clear();
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts->WaitFor(kWindow, WM_POLL_RESULT, 2, 20s));
    line.StopPolling();
    t = Timing(slot);
    EXPECT_EQ(t.transactions, posts->Count(kWindow, WM_POLL_RESULT));
    EXPECT_EQ(t.answered, t.transactions);

    // The window re-registers (its definition changed): a clean slate.
    line.ReleasePollSlot(slot);
    const int again = line.RegisterPollSlot(kWindow, WM_POLL_RESULT, 0, 1, 3, 0, 10, 0, 0);
    ASSERT_EQ(again, slot);
    EXPECT_EQ(Timing(again).transactions, 0u);

    LineTiming figures;
    ASSERT_EQ(line.ResetLineTiming(), 1);
    ASSERT_EQ(line.GetLineTiming(&figures), 1);
    EXPECT_EQ(figures.transactions, 0u);
    EXPECT_EQ(figures.busyUs, 0u);
}

TEST_F(WorkerTimingTest, RefusesSlotsOutsideTheTable) {
    SlotTiming t;
    EXPECT_EQ(line.GetSlotTiming(-1, &t), 0);
    EXPECT_EQ(line.GetSlotTiming(33, &t), 0);
    EXPECT_EQ(line.GetSlotTiming(1, nullptr), 0);
    EXPECT_EQ(line.ResetSlotTiming(33), 0);
    EXPECT_EQ(line.GetLineTiming(nullptr), 0);
}

// One failure of each kind between good answers, over each framing.
enum class Wire { Tcp, RtuOverTcp, SerialRtu, SerialAscii };

struct FailureCase {
    const char* name;
    Wire wire;
    bool withChecksum;  // a framing with CRC or LRC gets a corrupt one too
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class FailureCountTest : public WorkerTimingTest,
                         public ::testing::WithParamInterface<FailureCase> {
protected:
    static Bytes Corrupt(Bytes frame) {
        frame[frame.size() - 3] ^= 0x01;  // a data byte, the check no longer holds
        return frame;
    }
};

TEST_P(FailureCountTest, CountsTimeoutsChecksumErrorsAndExceptions) {
    const FailureCase& c = GetParam();
    const Bytes good = TenRegisters();
    std::unique_ptr<ScriptedTcpSlave> tcp;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<ScriptedSerialSlave> serial;
    int expected = 0;
    if (c.wire == Wire::Tcp || c.wire == Wire::RtuOverTcp) {
        using S = ScriptedTcpSlave;
        const bool rtu = c.wire == Wire::RtuOverTcp;
        auto frame = [&](const Bytes& pdu) { return rtu ? S::RtuAnswer(pdu) : S::Answer(pdu); };
        std::vector<S::Step> script = {S::Reply(frame(good)), S::Silent(),
                                       S::Reply(frame(kException2))};
        if (rtu)
            script.push_back(S::Reply(
                S::Frame{Corrupt(S::RtuAnswer(good).bytes), S::Id::AsIs, {}, Ms{40}, Ms{0}}));
        script.push_back(S::Reply(frame(good)));
        expected = static_cast<int>(script.size());
        script.push_back(S::Silent());
        tcp = std::make_unique<S>(std::move(script), 10000ms,
                                  rtu ? S::Framing::Rtu : S::Framing::Mbap);
        ConnectTcp(tcp->Port(), rtu ? RTU_OVER_TCP : TCP);
    } else {
        using S = ScriptedSerialSlave;
        const bool ascii = c.wire == Wire::SerialAscii;
        auto frame = [&](const Bytes& pdu) { return ascii ? S::Ascii(pdu) : S::Rtu(pdu); };
        Bytes corrupt = frame(good);
        if (ascii)
            corrupt[corrupt.size() - 3] =
                corrupt[corrupt.size() - 3] == '0' ? '1' : '0';  // the LRC
        else
            corrupt = Corrupt(corrupt);
        const std::size_t request = ascii ? 17 : 8;
        std::vector<S::Step> script = {S::Reply(frame(good), request), S::Silent(request),
                                       S::Reply(frame(kException2), request),
                                       S::Reply(corrupt, request), S::Reply(frame(good), request)};
        expected = static_cast<int>(script.size());
        script.push_back(S::Silent(request));
        pty = std::make_unique<PtyPair>();
        ASSERT_TRUE(pty->ok()) << pty->error();
        serial = std::make_unique<S>(*pty, std::move(script));
        ASSERT_EQ(line.SetSerialDevice(1, pty->slavePath().c_str()), 1);
        ASSERT_EQ(line.OpenSerialPort(1, 9600, 8, 2, 0), 0);
        ASSERT_EQ(line.SetSerialTimeouts(ascii ? 1000 : 240, 2, 300, 2, 200), 1);
        ASSERT_EQ(line.SetTransmissionMode(ascii ? ASCII : RTU), 1);
    }

    const int slot = Poll(expected);
    ASSERT_GE(slot, 1);
    const SlotTiming t = Timing(slot);
    EXPECT_EQ(t.transactions, static_cast<std::uint32_t>(expected));
    EXPECT_EQ(t.timeouts, 1u);
    EXPECT_EQ(t.exceptions, 1u);
    EXPECT_EQ(t.checksumErrors, c.withChecksum ? 1u : 0u);
    // Everything but the time-out brought a whole answer.
    EXPECT_EQ(t.answered, static_cast<std::uint32_t>(expected - 1));
    // An ASCII read waits for the characters of a normal answer, so a short
    // exception answer is only taken at the time-out.
    if (c.wire != Wire::SerialAscii) {
        EXPECT_LT(t.maxUs, kTcpTimeoutMs * 1000) << "a time-out is no response time";
    }
}

INSTANTIATE_TEST_SUITE_P(Framings, FailureCountTest,
                         ::testing::Values(FailureCase{"tcp", Wire::Tcp, false},
                                           FailureCase{"rtu_over_tcp", Wire::RtuOverTcp, true},
                                           FailureCase{"serial_rtu", Wire::SerialRtu, true},
                                           FailureCase{"serial_ascii", Wire::SerialAscii, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkerTimingTest, AgainstLibmodbusEveryCountedTransactionIsTimed) {
    std::string error;
    auto peer = test::PeerProcess::LibModbus(test::PeerProcess::Mode::Tcp, "", error, 1);
    ASSERT_TRUE(peer) << error;
    ConnectTcp(peer->Port(), TCP);
    const int slot = Poll(200);
    ASSERT_GE(slot, 1);
    const SlotTiming t = Timing(slot);
    std::uint32_t tx = 0, ok = 0;
    ASSERT_EQ(line.GetSlotCounters(slot, &tx, &ok), 1);
    EXPECT_EQ(t.transactions, tx);
    EXPECT_EQ(t.answered, ok);
    EXPECT_GE(t.transactions, 200u);
    EXPECT_GT(t.minUs, 0u);
    EXPECT_LE(t.minUs, ResponseTimeQuantileUs(t, 0.95));
    EXPECT_LE(ResponseTimeQuantileUs(t, 0.95), t.maxUs);

    // The line's wall time stands still while the worker does.
    LineTiming before, after;
    ASSERT_EQ(line.GetLineTiming(&before), 1);
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(line.GetLineTiming(&after), 1);
    EXPECT_EQ(before.wallUs, after.wallUs);
    EXPECT_EQ(after.transactions, t.transactions);
    EXPECT_GT(after.busyUs, t.sumUs) << "a transaction lasts longer than its wait for the answer";
    EXPECT_LE(after.busyUs, after.wallUs);
}

}  // namespace
}  // namespace zentiq
