// The slave-ID scan against slaves whose every answer the test sets: devices
// apart from gateways without a device, malformed answers and slaves that
// close the connection; retries, a stop at the first device, unit 0 on
// Modbus/TCP, the broadcast on a serial line, and a connection lost halfway
// that ends the scan early with the IDs it never probed.
#include <QCoreApplication>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "framework/bus_id_scan.h"
#include "support/pty_pair.h"
#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using namespace std::chrono_literals;
using test::ScriptedTcpSlave;
using Slave = ScriptedTcpSlave;

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "bus_id_scan_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

Slave::Step Registers(std::uint8_t unit) { return Slave::Reply(Slave::Answer({unit, 3, 2, 0, 5})); }
Slave::Step Exception(std::uint8_t unit, std::uint8_t function, std::uint8_t code) {
    return Slave::Reply(Slave::Answer({unit, static_cast<std::uint8_t>(function | 0x80), code}));
}
// The identification read after a 03 probe found a device: not supported.
Slave::Step NoIdentity(std::uint8_t unit) { return Exception(unit, 43, 1); }

struct Outcome {
    std::vector<ScanHit> found, noted;
    bool done = false, cancelled = false;
};

class BusIdScanTest : public ::testing::Test {
protected:
    // The line under test: its own, shared with no other test.
    ModbusLine line;
    void SetUp() override {
        App();
        line.InitEngine();
    }
    void TearDown() override {
        line.StopPolling();
        line.CloseTcpConnection();
        line.CloseSerialPort();
        line.SetTransmissionMode(RTU);
        line.InitEngine();
    }
    void ConnectTcp(const Slave& slave) {
        ASSERT_EQ(line.OpenTcpConnection("127.0.0.1", slave.Port(), 1000, 3000), 0);
        ASSERT_EQ(line.SetTransmissionMode(TCP), 1);
        ASSERT_EQ(line.StartPolling(), 1);
    }
    Outcome Run(BusIdScan& scan, const BusIdScan::Options& o) {
        Outcome out;
        QObject::connect(&scan, &BusIdScan::found,
                         [&](const ScanHit& h) { out.found.push_back(h); });
        QObject::connect(&scan, &BusIdScan::noted,
                         [&](const ScanHit& h) { out.noted.push_back(h); });
        QObject::connect(&scan, &BusIdScan::finished, [&](bool c) {
            out.done = true;
            out.cancelled = c;
        });
        EXPECT_TRUE(scan.Start(o));
        EXPECT_TRUE(QTest::qWaitFor([&] { return out.done; }, 60000));
        return out;
    }
    static std::vector<int> Ids(const std::vector<ScanHit>& hits) {
        std::vector<int> ids;
        for (const ScanHit& h : hits)
            ids.push_back(h.slaveId);
        return ids;
    }
};

TEST_F(BusIdScanTest, EveryKindOfAnswerIsListedForWhatItIsAndALostLineEndsTheScanEarly) {
    Slave slave({Registers(1), NoIdentity(1), Exception(2, 3, 0x0B),  // a gateway: nobody at 2
                 Slave::Reply(Slave::Answer({9, 3, 2, 0, 1})),        // unit 9 answers for 3
                 Slave::Close(), Slave::Close(),                      // 4 hangs up, twice
                 Slave::Silent(), Slave::Silent(),                    // 5: silent, retried once
                 Slave::Silent(), Registers(6), NoIdentity(6),        // 6 answers the retry
                 Slave::Relisten(10000ms)},                           // 7: the slave goes away
                5000ms);
    ConnectTcp(slave);
    BusIdScan scan(line);
    BusIdScan::Options o;
    o.first = 1;
    o.last = 9;
    o.timeoutMs = 100;
    o.retries = 1;
    const Outcome out = Run(scan, o);
    EXPECT_FALSE(out.cancelled);
    EXPECT_EQ(Ids(out.found), (std::vector<int>{1, 6}));
    ASSERT_EQ(Ids(out.noted), (std::vector<int>{2, 3, 4}));
    const ProbeOutcome kinds[] = {ProbeOutcome::GatewayNoDevice, ProbeOutcome::Malformed,
                                  ProbeOutcome::ConnectionClosed};
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(out.noted[i].outcome, kinds[i]) << i;
    EXPECT_EQ(out.noted[2].status, status::ConnectionClosed) << "never a time-out";
    EXPECT_GT(out.found[0].responseUs, 0);

    const IdScanReport& r = scan.Report();
    EXPECT_EQ(r.devices, 2);
    EXPECT_EQ(r.gatewayNoDevice, 1);
    EXPECT_EQ(r.malformed, 1);
    EXPECT_EQ(r.connectionClosed, 1);
    ASSERT_TRUE(r.lostLine.has_value());
    EXPECT_EQ(*r.lostLine, status::WriteError) << "the reconnect was refused";
    ASSERT_TRUE(r.notProbed.has_value());
    EXPECT_EQ(*r.notProbed, std::make_pair(7, 9));
    EXPECT_EQ(slave.Requests().size(), 12u);
    EXPECT_EQ(line.PollSlotsPaused(), 0) << "the line is given back";
}

TEST_F(BusIdScanTest, UnitZeroIsProbedOnModbusTcpAndTheScanCanStopAtTheFirstDevice) {
    Slave slave({Registers(0), NoIdentity(0), Slave::Silent()}, 5000ms);
    ConnectTcp(slave);
    BusIdScan scan(line);
    BusIdScan::Options o;
    o.first = 0;
    o.last = 5;
    o.timeoutMs = 100;
    o.stopAtFirst = true;
    const Outcome out = Run(scan, o);
    EXPECT_EQ(Ids(out.found), (std::vector<int>{0}));
    EXPECT_TRUE(scan.Report().stoppedAtFirst);
    EXPECT_FALSE(scan.Report().broadcastSkipped);
    EXPECT_EQ(scan.Report().notProbed, std::make_optional(std::make_pair(1, 5)));
    EXPECT_EQ(slave.Requests().size(), 2u);
}

TEST_F(BusIdScanTest, OnASerialLineIdZeroIsTheBroadcastAndIsSaidToBeSkipped) {
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok()) << pty.error();
    ASSERT_EQ(line.SetSerialDevice(1, pty.slavePath().c_str()), 1);
    ASSERT_EQ(line.OpenSerialPort(1, 19200, 8, 0, 0), 0);
    ASSERT_EQ(line.SetSerialTimeouts(32, 1, 1000, 1, 200), 1);
    ASSERT_EQ(line.StartPolling(), 1);
    BusIdScan scan(line);
    BusIdScan::Options o;
    o.first = 0;
    o.last = 0;
    const Outcome out = Run(scan, o);
    EXPECT_FALSE(out.cancelled);
    EXPECT_TRUE(out.found.empty());
    EXPECT_TRUE(scan.Report().broadcastSkipped);
    EXPECT_FALSE(scan.Report().notProbed.has_value());
}

}  // namespace
}  // namespace zentiq
