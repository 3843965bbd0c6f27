// The bus scanner's scans against pymodbus serving several slave IDs and
// sparse address blocks, on Modbus/TCP and on RTU over a pty pair: exactly
// the served IDs are found, the map equals the blocks, and the poll windows
// pause while a scan owns the line and poll again with nothing lost.
#include <QCoreApplication>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "framework/address_map_scan.h"
#include "framework/bus_id_scan.h"
#include "support/scan_peer.h"

namespace zentiq {
namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "bus_scan_peer_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

template <class Pred>
bool WaitUntil(Pred&& done, int limitMs) {
    for (int waited = 0; waited < limitMs; waited += 10) {
        if (done())
            return true;
        QTest::qWait(10);
    }
    return done();
}

using test::ScanPeer;
constexpr std::uint32_t kUserTimeoutMs = ScanPeer::kUserTimeoutMs;
constexpr std::uint32_t kUserPollDelayMs = ScanPeer::kUserPollDelayMs;

class BusScanPeerTest : public ::testing::Test {
protected:
    // The line under test: its own, shared with no other test.
    ModbusLine line;
    void SetUp() override {
        App();
        line.InitEngine();
    }
};

TEST_F(BusScanPeerTest, IdScanFindsExactlyTheServedIdsWithWhatTheySayTheyAre) {
    const std::vector<DeviceIdObject> basic{{0, "Zentiq Test"}, {1, "ZT-7"}, {2, "1.2"}};
    struct Case {
        const char* name;
        TransmissionMode mode;
        ScanProbe probe;
        std::uint32_t timeoutMs;
        bool objects;  // the basic objects come with every hit
        bool report;   // the report slave ID comes with every hit
    };
    const Case cases[] = {
        {"03 on Modbus/TCP", TCP, ScanProbe::ReadHolding, 50, true, false},
        {"17 on Modbus/TCP", TCP, ScanProbe::ReportSlaveId, 50, false, true},
        {"43/14 on Modbus/TCP", TCP, ScanProbe::DeviceIdentification, 50, true, false},
        {"03 on RTU over a pty", RTU, ScanProbe::ReadHolding, 100, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto peer = ScanPeer::Start(c.mode,
                                    {"--slave", "1,7,200", "--vendor", "Zentiq Test",
                                     "--product-code", "ZT-7", "--revision", "1.2"},
                                    error, line);
        ASSERT_TRUE(peer) << error;
        BusIdScan scan(line);
        std::vector<ScanHit> hits;
        bool done = false, cancelled = true;
        int lastDone = 0, lastTotal = 0;
        QObject::connect(&scan, &BusIdScan::found, [&](const ScanHit& h) { hits.push_back(h); });
        QObject::connect(&scan, &BusIdScan::progress, [&](int d, int t) {
            lastDone = d;
            lastTotal = t;
        });
        QObject::connect(&scan, &BusIdScan::finished, [&](bool c) {
            done = true;
            cancelled = c;
        });
        BusIdScan::Options o;
        o.first = 1;
        o.last = 247;
        o.probe.probe = c.probe;
        o.timeoutMs = c.timeoutMs;
        ASSERT_TRUE(scan.Start(o));
        ASSERT_TRUE(WaitUntil([&] { return done; }, 120000));
        EXPECT_FALSE(cancelled);
        std::vector<int> ids;
        for (const ScanHit& h : hits) {
            ids.push_back(h.slaveId);
            EXPECT_EQ(h.status, status::Ok);
            EXPECT_FALSE(h.answer.isEmpty());
            EXPECT_EQ(h.objects, c.objects ? basic : std::vector<DeviceIdObject>{});
            EXPECT_EQ(h.report.has_value(), c.report);
            if (h.report) {
                const std::string text(h.report->begin(), h.report->end());
                EXPECT_NE(text.find("Zentiq Test"), std::string::npos) << text;
            }
        }
        EXPECT_EQ(ids, (std::vector<int>{1, 7, 200}));
        EXPECT_EQ(lastDone, 247);
        EXPECT_EQ(lastTotal, 247);
        // The line is the user's again.
        EXPECT_EQ(line.PollSlotsPaused(), 0);
        EXPECT_EQ(line.GetPollDelay(), kUserPollDelayMs);
        std::uint32_t readConstant = 0;
        line.GetSerialTimeouts(nullptr, nullptr, &readConstant, nullptr, nullptr);
        if (c.mode == TCP)
            EXPECT_EQ(line.GetTcpResponseTimeout(), kUserTimeoutMs);
        else
            EXPECT_EQ(readConstant, kUserTimeoutMs);
    }
}

TEST_F(BusScanPeerTest, AnExceptionAnswerIsADevice) {
    // Address 5000 is outside pymodbus's tables: exception 02, yet slave 7 is there.
    std::string error;
    auto peer = ScanPeer::Start(TCP, {"--slave", "7"}, error, line);
    ASSERT_TRUE(peer) << error;
    BusIdScan scan(line);
    std::vector<ScanHit> hits;
    bool done = false;
    QObject::connect(&scan, &BusIdScan::found, [&](const ScanHit& h) { hits.push_back(h); });
    QObject::connect(&scan, &BusIdScan::finished, [&](bool) { done = true; });
    BusIdScan::Options o;
    o.first = 5;
    o.last = 9;
    o.probe.address = 5000;
    o.timeoutMs = 50;
    ASSERT_TRUE(scan.Start(o));
    ASSERT_TRUE(WaitUntil([&] { return done; }, 20000));
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].slaveId, 7);
    EXPECT_EQ(hits[0].status, status::ExceptionBase + 2);
}

TEST_F(BusScanPeerTest, PollWindowsPauseDuringAScanAndPollAgainAfterACancel) {
    std::string error;
    auto peer = ScanPeer::Start(TCP, {"--slave", "1"}, error, line);
    ASSERT_TRUE(peer) << error;
    const int slot = line.RegisterPollSlot(0, WM_POLL_RESULT, 20, 1, 3, 10, 4, 0, 0);
    ASSERT_GT(slot, 0);
    ASSERT_EQ(line.SetPollMode(slot, Continuous), 1);
    auto tx = [this, slot] {
        std::uint32_t t = 0;
        line.GetSlotCounters(slot, &t, nullptr);
        return t;
    };
    ASSERT_TRUE(WaitUntil([&] { return tx() >= 3; }, 5000)) << "the window polls before the scan";

    BusIdScan scan(line);
    bool done = false, cancelled = false;
    QObject::connect(&scan, &BusIdScan::finished, [&](bool c) {
        done = true;
        cancelled = c;
    });
    BusIdScan::Options o;
    o.first = 2;  // nobody there: every probe waits its timeout
    o.last = 247;
    o.timeoutMs = 50;
    ASSERT_TRUE(scan.Start(o));
    EXPECT_EQ(line.PollSlotsPaused(), 1);
    QTest::qWait(100);
    const std::uint32_t paused = tx();
    QTest::qWait(400);
    EXPECT_EQ(tx(), paused) << "a poll slot was served while the scan owned the line";
    scan.Cancel();
    ASSERT_TRUE(WaitUntil([&] { return done; }, 5000));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(line.PollSlotsPaused(), 0);
    EXPECT_EQ(line.GetTcpResponseTimeout(), kUserTimeoutMs);
    EXPECT_EQ(line.GetPollDelay(), kUserPollDelayMs);
    ASSERT_TRUE(WaitUntil([&] { return tx() >= paused + 3; }, 5000)) << "polling did not resume";
    std::uint32_t ok = 0;
    line.GetSlotCounters(slot, nullptr, &ok);
    EXPECT_GT(ok, 0u);
    line.ReleasePollSlot(slot);
}

TEST_F(BusScanPeerTest, AddressMapFindsTheSparseBlocksWithinTheBudget) {
    struct Case {
        const char* name;
        const char* sparse;
        int last, budget;
        std::array<bool, 4> tables;
        std::vector<AddressRange> blocks;
    };
    const Case cases[] = {
        {"three blocks in every table",
         "100-179,1030-1129,1500-1599",
         1999,
         300,
         {true, true, true, true},
         {{100, 179}, {1030, 1129}, {1500, 1599}}},
        // Ten registers at two usual bases, with the window's defaults.
        {"ten holding registers at 0 and at 1000",
         "0-9,1000-1009",
         9999,
         500,
         {false, false, true, false},
         {{0, 9}, {1000, 1009}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto peer = ScanPeer::Start(TCP, {"--slave", "7", "--sparse", c.sparse}, error, line);
        ASSERT_TRUE(peer) << error;
        AddressMapScan scan(line);
        bool done = false, cancelled = true;
        QObject::connect(&scan, &AddressMapScan::finished, [&](bool x) {
            done = true;
            cancelled = x;
        });
        AddressMapScan::Options o;
        o.slaveId = 7;
        o.first = 0;
        o.last = c.last;
        o.budgetPerTable = c.budget;
        o.timeoutMs = 200;
        o.tables = c.tables;
        ASSERT_TRUE(scan.Start(o));
        ASSERT_TRUE(WaitUntil([&] { return done; }, 300000));
        EXPECT_FALSE(cancelled);
        const auto tables =
            static_cast<std::size_t>(std::count(c.tables.begin(), c.tables.end(), true));
        ASSERT_EQ(scan.Results().size(), tables);
        for (const auto& r : scan.Results()) {
            SCOPED_TRACE(r.function);
            EXPECT_TRUE(c.tables[static_cast<std::size_t>(r.function - 1)]);
            EXPECT_EQ(r.readable, c.blocks);
            // The empty space outlasts the budget: all of it is spent and
            // the rest is reported, never a found address.
            EXPECT_EQ(r.requests, o.budgetPerTable);
            EXPECT_TRUE(r.budgetSpent);
            ASSERT_FALSE(r.uncovered.empty());
            for (const auto& u : r.uncovered)
                for (const AddressRange& b : c.blocks)
                    EXPECT_TRUE(u.range.last < b.first || u.range.first > b.last);
        }
        EXPECT_EQ(line.PollSlotsPaused(), 0);
    }
}

}  // namespace
}  // namespace zentiq
