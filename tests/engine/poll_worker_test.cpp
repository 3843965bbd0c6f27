// The worker's schedule, counters, notifications and the typed accessors,
// over a transport that answers at once.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "engine/engine_state.h"
#include "support/loopback_transport.h"
#include "support/post_recorder.h"

namespace zentiq {
namespace {

using namespace std::chrono_literals;

constexpr WindowHandle kWindow = 0x100;

class PollWorker : public ::testing::Test {
protected:
    // The line under test: its own, shared with no other test.
    ModbusLine line;
    void SetUp() override {
        line.InitEngine();
        line.UseTransportForTesting(&transport);
        line.SetPollDelay(0);
    }
    void TearDown() override {
        line.StopPolling();
        line.UseTransportForTesting(nullptr);
    }
    int ReadSlot(std::uint16_t address, std::uint16_t quantity, std::uint16_t scanRate = 0,
                 WindowHandle window = kWindow) {
        return line.RegisterPollSlot(window, WM_POLL_RESULT, scanRate, 1, 3, address, quantity, 0,
                                     0);
    }
    // Waits until the transport has seen n requests (bounded).
    bool WaitRequests(std::size_t n) {
        for (int i = 0; i < 500 && transport.RequestCount() < n; ++i)
            std::this_thread::sleep_for(2ms);
        return transport.RequestCount() >= n;
    }
    testing::LoopbackTransport transport;
    testing::PostRecorder posts{line};
};

TEST_F(PollWorker, RoundRobinInSlotOrderAndLateJoiner) {
    const int a = ReadSlot(10, 1), b = ReadSlot(20, 1), c = ReadSlot(30, 1);
    for (int s : {a, b, c})
        line.SetPollMode(s, Continuous);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(WaitRequests(9));
    const int d = ReadSlot(40, 1);
    line.SetPollMode(d, Continuous);
    const std::size_t before = transport.RequestCount();
    ASSERT_TRUE(WaitRequests(before + 12));
    line.StopPolling();
    const auto requests = transport.Requests();
    for (std::size_t i = 0; i + 1 < 9; ++i) {
        const int cur = requests[i].address / 10, next = requests[i + 1].address / 10;
        EXPECT_EQ(next, cur % 3 + 1) << "request " << i;
    }
    // Once slot 4 is in, the rotation is 1, 2, 3, 4.
    std::size_t firstFour = before;
    while (firstFour < requests.size() && requests[firstFour].address != 40)
        ++firstFour;
    ASSERT_LT(firstFour + 5, requests.size());
    for (std::size_t i = firstFour; i + 1 < firstFour + 5; ++i) {
        const int cur = requests[i].address / 10, next = requests[i + 1].address / 10;
        EXPECT_EQ(next, cur % 4 + 1);
    }
}

TEST_F(PollWorker, OneShotGoesFirst) {
    for (std::uint16_t addr : {10, 20, 30})
        line.SetPollMode(ReadSlot(addr, 1, 60000), Continuous);
    // All three are due at once; the one-shot waiting beside them wins.
    ASSERT_EQ(line.SubmitOneShot(kWindow + 1, WM_POLL_RESULT, 1, 6, 0, 0, 500, 1), 1);
    const std::uint16_t value = 0xBEEF;
    ASSERT_EQ(line.SetWriteRegisters(0, 1, &value), 1);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(WaitRequests(4));
    line.StopPolling();
    const auto requests = transport.Requests();
    EXPECT_EQ(requests[0].function, 6);
    EXPECT_EQ(requests[0].address, 500);
    EXPECT_EQ(transport.table[500], 0xBEEF);
    // Slot 0 is free again after it was served.
    EXPECT_EQ(line.SubmitOneShot(kWindow + 1, WM_POLL_RESULT, 1, 6, 0, 0, 501, 1), 1);
    EXPECT_EQ(posts.Count(kWindow + 1, WM_POLL_RESULT), 1u);
}

TEST_F(PollWorker, OnceModeServesExactlyOnce) {
    transport.table[5] = 1234;
    const int s = ReadSlot(5, 1);
    line.SetPollMode(s, Once);
    const int other = ReadSlot(100, 1);  // keeps the worker busy meanwhile
    line.SetPollMode(other, Continuous);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 20));
    line.StopPolling();
    std::size_t served = 0;
    for (const auto& p : posts.Posts())
        if (p.message == WM_POLL_RESULT && p.lParam == s)
            ++served;
    EXPECT_EQ(served, 1u);
    std::uint16_t value = 0;
    EXPECT_EQ(line.ReadRegisters(s, &value), status::Ok);
    EXPECT_EQ(value, 1234);
}

TEST_F(PollWorker, SlotsThatMustNotBeServed) {
    const int noData =
        line.RegisterPollSlot(kWindow, WM_POLL_RESULT, 0, 1, 16, 0, 0, 7, 2);  // ready 0
    line.SetPollMode(noData, Continuous);
    const int stopped = ReadSlot(50, 1);  // pollMode Stopped
    const int released = ReadSlot(60, 1);
    line.SetPollMode(released, Continuous);
    line.ReleasePollSlot(released);
    const int live = ReadSlot(70, 1);
    line.SetPollMode(live, Continuous);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(WaitRequests(10));
    line.StopPolling();
    for (const auto& r : transport.Requests())
        EXPECT_EQ(r.address, 70) << "slot " << noData << "/" << stopped;
}

TEST_F(PollWorker, CountersStatusAndReset) {
    const int s = ReadSlot(0, 2);
    line.SetPollMode(s, Continuous);
    transport.forcedStatus = status::Timeout;
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 3));
    line.StopPolling();
    transport.forcedStatus = 0;
    posts.Clear();
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 3));
    line.StopPolling();
    std::uint32_t tx = 0, ok = 0;
    ASSERT_EQ(line.GetSlotCounters(s, &tx, &ok), 1);
    EXPECT_GE(tx, 6u);
    EXPECT_GE(tx - ok, 3u);
    EXPECT_LT(ok, tx);
    EXPECT_EQ(line.GetSlotStatus(s), status::Ok);

    line.ResetSlotCounters(s);
    line.GetSlotCounters(s, &tx, &ok);
    EXPECT_GT(tx, 0u);  // only the next service zeroes them
    posts.Clear();
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 1));
    line.StopPolling();
    line.GetSlotCounters(s, &tx, &ok);
    EXPECT_EQ(tx, ok);
    EXPECT_LE(tx, 1u + posts.Count(kWindow, WM_POLL_RESULT));
}

TEST_F(PollWorker, FailedTransactionKeepsLastGoodData) {
    transport.table[0] = 77;
    const int s = ReadSlot(0, 1);
    line.SetPollMode(s, Continuous);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 1));
    line.StopPolling();
    transport.table[0] = 88;
    transport.forcedStatus = 130;
    posts.Clear();
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 2));
    line.StopPolling();
    std::uint16_t value = 0;
    EXPECT_EQ(line.ReadRegisters(s, &value), 130);
    EXPECT_EQ(value, 77);
    for (const auto& p : posts.Posts()) {
        if (p.message == WM_POLL_RESULT) {
            EXPECT_EQ(p.wParam, 130u);
        }
    }
}

TEST_F(PollWorker, UnhandledFunctionIs65535) {
    // Only reachable by a slot whose function changed under it; simulate it.
    const int s = ReadSlot(0, 1);
    {
        std::lock_guard guard(line.State().lock);
        line.State().slots[s].function = 9;
    }
    line.SetPollMode(s, Once);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 1));
    line.StopPolling();
    EXPECT_EQ(posts.Posts().back().wParam, status::UnhandledFunction);
    EXPECT_EQ(transport.RequestCount(), 0u);
}

TEST_F(PollWorker, NotificationsAndMonitor) {
    const int s = ReadSlot(0, 1);
    ReadSlot(1, 1, 0, 0);  // a slot without a window gets nothing
    line.SetMonitorWindow(0x999);
    line.SetPollMode(s, Continuous);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 2));
    line.StopPolling();
    EXPECT_EQ(posts.Count(kWindow, WM_CONNECTION_CHANGED), 1u);  // from StartPolling
    EXPECT_GE(posts.Count(0x999, WM_POLL_RESULT), 2u);
    for (const auto& p : posts.Posts())
        EXPECT_NE(p.window, 0u);
    posts.Clear();
    line.NotifyAllSlotWindows();
    EXPECT_EQ(posts.Count(kWindow, WM_CONNECTION_CHANGED), 1u);
    EXPECT_EQ(posts.Posts().size(), 1u);
}

TEST_F(PollWorker, StopWaitsForTheRunningTransaction) {
    transport.transactionDelayMs = 150;
    const int s = ReadSlot(0, 1);
    line.SetPollMode(s, Continuous);
    ASSERT_EQ(line.StartPolling(), 1);
    for (int i = 0; i < 200 && !transport.inTransaction; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(transport.inTransaction);
    line.StopPolling();
    EXPECT_FALSE(transport.inTransaction);
    // The result of that transaction was stored and announced before the stop returned.
    EXPECT_EQ(line.GetSlotStatus(s), status::Ok);
    EXPECT_EQ(posts.Count(kWindow, WM_POLL_RESULT), transport.RequestCount());
}

TEST_F(PollWorker, ModeIsFixedWhilePolling) {
    ASSERT_EQ(line.StartPolling(), 1);
    EXPECT_EQ(line.SetTransmissionMode(ASCII), 0);
    line.StopPolling();
    EXPECT_EQ(line.SetTransmissionMode(ASCII), 1);
    EXPECT_EQ(line.GetTransmissionMode(), ASCII);
    line.SetTransmissionMode(RTU);
}

TEST_F(PollWorker, WideValuesInBothWordOrders) {
    // A double written inverse puts its highest word first on the wire.
    ASSERT_EQ(line.SubmitOneShot(kWindow, WM_POLL_RESULT, 1, 16, 0, 0, 0, 4), 1);
    const double value = -1234.5678;
    ASSERT_EQ(line.SetWriteDoubles(0, 1, &value, 1), 1);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 1));
    line.StopPolling();
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    EXPECT_EQ(transport.table[0], static_cast<std::uint16_t>(bits >> 48));
    EXPECT_EQ(transport.table[3], static_cast<std::uint16_t>(bits & 0xFFFF));

    // Reading them back inverse gives the value; the normal order does not.
    const int s = ReadSlot(0, 10);
    line.SetPollMode(s, Once);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 2));
    line.StopPolling();
    double doubles[3] = {0, 0, 42};
    EXPECT_EQ(line.ReadDoubles(s, doubles, 1), status::Ok);
    EXPECT_EQ(doubles[0], value);
    EXPECT_EQ(doubles[2], 42);  // ten registers hold two doubles only
    EXPECT_EQ(line.ReadDoubles(s, doubles, 0), status::Ok);
    EXPECT_NE(doubles[0], value);

    // 32-bit values: normal order is reg[2i+1] * 65536 + reg[2i].
    transport.table[0] = 0x5678;
    transport.table[1] = 0x1234;
    transport.table[2] = 0x0000;
    transport.table[3] = 0x3FC0;  // 1.5f high word
    line.SetPollMode(s, Once);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 3));
    line.StopPolling();
    std::int32_t longs[5];
    EXPECT_EQ(line.ReadLongs(s, longs, 0), status::Ok);
    EXPECT_EQ(longs[0], 0x12345678);
    EXPECT_EQ(line.ReadLongs(s, longs, 1), status::Ok);
    EXPECT_EQ(longs[0], 0x56781234);
    float floats[5];
    EXPECT_EQ(line.ReadFloats(s, floats, 0), status::Ok);
    EXPECT_EQ(floats[1], 1.5f);
}

TEST_F(PollWorker, PortErrorsSlowTheCycle) {
    transport.forcedStatus = status::ReadError;
    const int s = ReadSlot(0, 1);
    line.SetPollMode(s, Continuous);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 3));
    line.StopPolling();
    // Three failing cycles cannot complete in less than two pauses.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 500ms);
}

// ---- requests that meet a running transaction or an idle worker -----------

// A request made while the worker is in the middle of a transaction of the
// same slot (it does not hold the lock then) must be neither lost nor sent
// twice by the clean-up after that transaction.
TEST_F(PollWorker, RequestsMadeDuringTheSlotsTransactionAreKept) {
    constexpr WindowHandle kOld = kWindow, kNew = kWindow + 1;
    constexpr std::uint16_t kOldAddress = 10, kNewAddress = 20;
    struct Case {
        const char* name;
        bool oneShot;  // the slot in flight is the one-shot slot
        // Acts while the slot's transaction runs.
        void (*act)(ModbusLine& line, int slot);
        std::uint16_t secondAddress;  // of the request that must follow
        std::size_t oldResults, newResults;
    };
    const Case cases[] = {
        {"Once set again", false, [](ModbusLine& line, int s) { line.SetPollMode(s, Once); },
         kOldAddress, 2, 0},
        {"released and registered anew", false,
         [](ModbusLine& line, int s) {
             line.ReleasePollSlot(s);
             const int again =
                 line.RegisterPollSlot(kNew, WM_POLL_RESULT, 0, 1, 3, kNewAddress, 1, 0, 0);
             EXPECT_EQ(again, s);
             line.SetPollMode(again, Once);
         },
         kNewAddress, 0, 1},
        {"one-shot released and submitted anew", true,
         [](ModbusLine& line, int) {
             line.ReleasePollSlot(0);
             EXPECT_EQ(line.SubmitOneShot(kNew, WM_POLL_RESULT, 1, 3, kNewAddress, 1, 0, 0), 1);
         },
         kNewAddress, 0, 1},
    };
    transport.transactionDelayMs = 100;
    transport.table[kNewAddress] = 4321;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        line.InitEngine();
        line.SetPollDelay(0);
        posts.Clear();
        const std::size_t before = transport.RequestCount();
        int slot = 0;
        if (c.oneShot) {
            ASSERT_EQ(line.SubmitOneShot(kOld, WM_POLL_RESULT, 1, 3, kOldAddress, 1, 0, 0), 1);
        } else {
            slot = ReadSlot(kOldAddress, 1, 0, kOld);
            line.SetPollMode(slot, Once);
        }
        ASSERT_EQ(line.StartPolling(), 1);
        for (int i = 0; i < 1000 && !transport.inTransaction; ++i)
            std::this_thread::sleep_for(1ms);
        c.act(line, slot);
        EXPECT_TRUE(posts.WaitFor(kOld, WM_POLL_RESULT, c.oldResults));
        EXPECT_TRUE(posts.WaitFor(kNew, WM_POLL_RESULT, c.newResults));
        ASSERT_TRUE(WaitRequests(before + 2));
        line.StopPolling();
        const auto requests = transport.Requests();
        ASSERT_EQ(requests.size(), before + 2) << "sent once each, nothing more";
        EXPECT_EQ(requests[before].address, kOldAddress);
        EXPECT_EQ(requests[before + 1].address, c.secondAddress);
        EXPECT_EQ(posts.Count(kOld, WM_POLL_RESULT), c.oldResults);
        EXPECT_EQ(posts.Count(kNew, WM_POLL_RESULT), c.newResults);
        if (c.newResults > 0) {
            // The new owner reads its own answer, not the one of the old request.
            std::uint16_t value = 0;
            EXPECT_EQ(line.ReadRegisters(slot, &value), status::Ok);
            EXPECT_EQ(value, 4321);
        }
    }
}

TEST_F(PollWorker, OneShotsInQuickSuccessionAreEachSentOnce) {
    transport.transactionDelayMs = 1;
    line.SetPollMode(ReadSlot(900, 1), Continuous);  // competes for every cycle
    ASSERT_EQ(line.StartPolling(), 1);
    constexpr std::uint16_t kSends = 60;
    for (std::uint16_t i = 0; i < kSends; ++i) {
        // A dialog retries a refused send after a moment.
        int accepted = 0;
        for (int tries = 0; tries < 5000 && !accepted; ++tries) {
            accepted = line.SubmitOneShot(kWindow + 1 + i, WM_POLL_RESULT, 1, 6, 0, 0, i, 1);
            if (!accepted)
                std::this_thread::sleep_for(100us);
        }
        ASSERT_EQ(accepted, 1) << "send " << i;
        const std::uint16_t value = static_cast<std::uint16_t>(0x7000 + i);
        ASSERT_EQ(line.SetWriteRegisters(0, 1, &value), 1);
    }
    ASSERT_TRUE(posts.WaitFor(kWindow + kSends, WM_POLL_RESULT, 1));
    line.StopPolling();
    std::vector<std::uint16_t> written;
    for (const auto& r : transport.Requests())
        if (r.function == 6)
            written.push_back(r.address);
    ASSERT_EQ(written.size(), kSends);
    for (std::uint16_t i = 0; i < kSends; ++i) {
        EXPECT_EQ(written[i], i);
        EXPECT_EQ(transport.table[i], 0x7000 + i);
        EXPECT_EQ(posts.Count(kWindow + 1 + i, WM_POLL_RESULT), 1u) << "send " << i;
    }
}

// With no delay between polls and nothing due, the worker sleeps; whatever
// makes a request ready must wake it, whether a slot falls due later or none
// ever does.
TEST_F(PollWorker, IdleWorkerWakesForEveryKindOfRequest) {
    constexpr WindowHandle kAsker = kWindow + 7;
    struct Case {
        const char* name;
        void (*ask)(ModbusLine& line);
    };
    const Case cases[] = {
        {"one-shot read",
         [](ModbusLine& line) { line.SubmitOneShot(kAsker, WM_POLL_RESULT, 1, 3, 5, 1, 0, 0); }},
        {"one-shot write whose data comes later",
         [](ModbusLine& line) {
             line.SubmitOneShot(kAsker, WM_POLL_RESULT, 1, 16, 0, 0, 5, 2);
             std::this_thread::sleep_for(20ms);  // the worker goes back to sleep
             const std::uint16_t values[2] = {1, 2};
             line.SetWriteRegisters(0, 2, values);
         }},
        {"slot switched on",
         [](ModbusLine& line) {
             const int s = line.RegisterPollSlot(kAsker, WM_POLL_RESULT, 0, 1, 4, 5, 1, 0, 0);
             std::this_thread::sleep_for(20ms);
             line.SetPollMode(s, Once);
         }},
    };
    for (const bool farSlot : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) +
                         (farSlot ? ", a slot due in a minute" : ", no slot"));
            line.InitEngine();
            line.SetPollDelay(0);
            posts.Clear();
            if (farSlot) {
                line.SetPollMode(ReadSlot(100, 1, 60000), Continuous);
                ASSERT_EQ(line.StartPolling(), 1);
                ASSERT_TRUE(posts.WaitFor(kWindow, WM_POLL_RESULT, 1));
            } else {
                ASSERT_EQ(line.StartPolling(), 1);
            }
            std::this_thread::sleep_for(20ms);  // asleep by now
            c.ask(line);
            EXPECT_TRUE(posts.WaitFor(kAsker, WM_POLL_RESULT, 1));
            line.StopPolling();  // returns although the worker sleeps again
            EXPECT_EQ(posts.Count(kWindow, WM_POLL_RESULT), farSlot ? 1u : 0u);
        }
    }
}

// Slot 0 is free again the moment its request is served, so the next
// one-shot request may already be there (and served) when the owner of the
// first reads its answer: each answer is kept under its own ticket.
TEST_F(PollWorker, EachOneShotAnswerIsKeptUnderItsTicket) {
    for (std::uint16_t i = 0; i < 8; ++i)
        transport.table[100 + i] = static_cast<std::uint16_t>(0xA100 + i);
    ASSERT_EQ(line.StartPolling(), 1);
    struct Sent {
        std::uint32_t ticket;
        std::uint16_t function, readQuantity;
        EngineStatus forced;
    };
    std::vector<Sent> sent;
    const auto submit = [&](std::uint16_t function, std::uint16_t readQuantity,
                            EngineStatus forced) {
        transport.forcedStatus = forced;
        const WindowHandle window = kWindow + 1 + sent.size();
        ASSERT_EQ(
            line.SubmitOneShot(window, WM_POLL_RESULT, 1, function, 100, readQuantity, 500, 1), 1);
        const std::uint32_t ticket = line.OneShotTicket();
        if (function == 6) {
            const std::uint16_t value = 0x0606;
            ASSERT_EQ(line.SetWriteRegisters(0, 1, &value), 1);
        }
        ASSERT_TRUE(posts.WaitFor(window, WM_POLL_RESULT, 1));
        sent.push_back({ticket, function, readQuantity, forced});
    };
    submit(3, 3, 0);                      // the read whose answer is wanted
    submit(6, 0, 0);                      // then a write from elsewhere
    submit(3, 8, status::ChecksumError);  // and a failed read
    // Slot 0 itself now shows the last request; each ticket its own answer.
    std::uint16_t inSlot[8] = {};
    EXPECT_EQ(line.ReadRegisters(0, inSlot), status::ChecksumError);
    for (const Sent& s : sent) {
        SCOPED_TRACE(::testing::Message() << "function " << s.function << " status " << s.forced);
        OneShotAnswer answer{};
        ASSERT_EQ(line.GetOneShotAnswer(s.ticket, &answer), 1);
        EXPECT_EQ(answer.status, s.forced);
        EXPECT_EQ(answer.function, s.function);
        EXPECT_EQ(answer.readQuantity, s.readQuantity);
        if (s.forced == 0) {
            EXPECT_GT(answer.responseLength, 0);
        }
        std::uint16_t words[3];
        std::memcpy(words, answer.data, sizeof words);
        const bool readOk = s.function == 3 && s.forced == 0;
        EXPECT_EQ(words[0], readOk ? 0xA100 : s.function == 6 ? 0x0606 : 0);
        EXPECT_EQ(words[2], readOk ? 0xA102 : 0);
    }
    // A request not served yet has no answer; nor has one long overtaken.
    ASSERT_EQ(line.SubmitOneShot(kWindow + 50, WM_POLL_RESULT, 1, 16, 0, 0, 500, 2),
              1);  // waits for its data
    OneShotAnswer none{};
    EXPECT_EQ(line.GetOneShotAnswer(line.OneShotTicket(), &none), 0);
    ASSERT_EQ(line.ReleasePollSlot(0), 1);
    submit(3, 1, 0);
    submit(3, 1, 0);
    submit(3, 1, 0);
    submit(3, 1, 0);
    EXPECT_EQ(line.GetOneShotAnswer(sent[0].ticket, &none), 0);
    EXPECT_EQ(line.GetOneShotAnswer(sent.back().ticket, nullptr), 0);
}

// The delay between polls is the gap after every transaction, whatever made
// the next one due: a poll slot, a one-shot request that woke the worker, or
// a slot that fell due while the worker slept with nothing to do.
TEST_F(PollWorker, TheDelayIsTheGapAfterEveryTransaction) {
    constexpr auto kDelay = 30ms;
    line.SetPollDelay(static_cast<std::uint32_t>(kDelay.count()));
    const int slot = ReadSlot(10, 1, 100);  // due every 100 ms: the worker idles between
    line.SetPollMode(slot, Continuous);
    ASSERT_EQ(line.StartPolling(), 1);
    for (std::size_t n = 1; n <= 3; ++n) {
        ASSERT_TRUE(WaitRequests(2 * n - 1));
        // A one-shot right after the poll: it waits out the delay.
        ASSERT_EQ(line.SubmitOneShot(kWindow + 1, WM_POLL_RESULT, 1, 3, 50, 1, 0, 0), 1);
        ASSERT_TRUE(WaitRequests(2 * n));
    }
    line.StopPolling();
    const auto requests = transport.Requests();
    ASSERT_GE(requests.size(), 6u);
    for (std::size_t i = 1; i < requests.size(); ++i)
        EXPECT_GE(requests[i].at - requests[i - 1].at, kDelay - 1ms) << "request " << i;
}

}  // namespace
}  // namespace zentiq
