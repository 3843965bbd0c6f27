// A connection and the tools that work on it, on a line of their own beside
// the default line: the controller opens that line only, a scan probes and
// borrows that line only, the monitor lists that line's frames only, and a
// pause holds that line's poll windows only.
#include <QObject>
#include <QtTest/QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/app_test_support.h"
#include "app/connection_controller.h"
#include "display/communication.h"
#include "engine/modbus_line.h"
#include "framework/bus_id_scan.h"
#include "framework/poll_pause.h"
#include "framework/scan_line_lease.h"
#include "framework/settings_store.h"
#include "framework/traffic_frame_model.h"
#include "framework/traffic_table_view.h"
#include "framework/window_registry.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

using test::AppTestBase;
using test::PeerProcess;
using test::TcpTo;

constexpr int kOwnSlave = 7;
constexpr int kDefaultSlave = 3;
constexpr int kWaitMs = 20000;

class OwnLineTest : public AppTestBase {
protected:
    OwnLineTest() { DefaultLine().InitEngine(); }
    ~OwnLineTest() override {
        for (auto* c : {ownConnection.get(), defaultConnection.get()})
            if (c != nullptr)
                c->Shutdown();
    }

    // Connects `controller` to a pymodbus slave that answers as `slaveId` only.
    std::unique_ptr<PeerProcess> ConnectTo(ConnectionController& controller, int slaveId) {
        std::string error;
        auto slave = PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error, slaveId);
        EXPECT_TRUE(slave) << error;
        if (!slave)
            return nullptr;
        controller.SetSettings(TcpTo(slave->Port()));
        controller.Connect(false);
        EXPECT_TRUE(test::WaitForConnectEnd(controller));
        EXPECT_TRUE(controller.IsConnected());
        return slave;
    }

    SettingsStore store{dirPath() + "/own-line.ini"};
    ModbusLine own;
    std::unique_ptr<ConnectionController> ownConnection =
        std::make_unique<ConnectionController>(store, own);
    std::unique_ptr<ConnectionController> defaultConnection;
};

TEST_F(OwnLineTest, ScanAndLeaseWorkOnTheirLineOnly) {
    auto slave = ConnectTo(*ownConnection, kOwnSlave);
    ASSERT_TRUE(slave);
    EXPECT_EQ(own.IsConnected(), 1);
    EXPECT_EQ(DefaultLine().IsConnected(), 0) << "the controller opened the default line";

    BusIdScan onDefault(DefaultLine());
    BusIdScan::Options o;
    o.first = 1;
    o.last = 10;
    o.timeoutMs = 100;
    EXPECT_FALSE(onDefault.Start(o)) << "a scan of an unconnected line started";

    BusIdScan scan(own);
    std::vector<int> found;
    bool done = false;
    QObject::connect(&scan, &BusIdScan::found,
                     [&](const ScanHit& h) { found.push_back(h.slaveId); });
    QObject::connect(&scan, &BusIdScan::finished, [&](bool) { done = true; });
    ASSERT_TRUE(scan.Start(o));
    EXPECT_EQ(own.PollSlotsPaused(), 1) << "the scan did not borrow its line";
    EXPECT_EQ(DefaultLine().PollSlotsPaused(), 0) << "the scan paused another line";
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, kWaitMs));
    EXPECT_EQ(found, std::vector<int>{kOwnSlave});
    EXPECT_EQ(own.PollSlotsPaused(), 0);

    // A lease re-times its own line and gives back exactly what it took.
    DefaultLine().SetTcpResponseTimeout(900);
    const std::uint32_t ownTimeout = own.GetTcpResponseTimeout();
    {
        ScanLineLease lease(own);
        lease.Take(40);
        EXPECT_EQ(own.GetTcpResponseTimeout(), 40u);
        EXPECT_EQ(DefaultLine().GetTcpResponseTimeout(), 900u);
        EXPECT_TRUE(PollPause::Of(own).IsPaused());
        EXPECT_FALSE(PollPause::Of(DefaultLine()).IsPaused());
    }
    EXPECT_EQ(own.GetTcpResponseTimeout(), ownTimeout);
    EXPECT_FALSE(PollPause::Of(own).IsPaused());
}

TEST_F(OwnLineTest, MonitorListsOnlyItsLinesFrames) {
    defaultConnection = std::make_unique<ConnectionController>(store, DefaultLine());
    auto ownSlave = ConnectTo(*ownConnection, kOwnSlave);
    auto defaultSlave = ConnectTo(*defaultConnection, kDefaultSlave);
    ASSERT_TRUE(ownSlave && defaultSlave);

    QObject owner;
    InstallEnginePoster(own);
    InstallEnginePoster(DefaultLine());
    const WindowHandle window = RegisterWindow(&owner);
    const int ownSlot = own.RegisterPollSlot(window, WM_POLL_RESULT, 0, kOwnSlave, 3, 0, 4, 0, 0);
    const int defaultSlot =
        DefaultLine().RegisterPollSlot(window, WM_POLL_RESULT, 0, kDefaultSlave, 3, 0, 4, 0, 0);
    ASSERT_EQ(ownSlot, 1);
    ASSERT_EQ(defaultSlot, 1) << "slots are numbered per line";

    auto* monitor = new CCommunication(own);
    monitor->show();
    own.SetPollMode(ownSlot, Continuous);
    DefaultLine().SetPollMode(defaultSlot, Continuous);
    const auto okOn = [](const ModbusLine& line, int slot) {
        std::uint32_t tx = 0, ok = 0;
        line.GetSlotCounters(slot, &tx, &ok);
        return ok;
    };
    // Both lines poll while the monitor listens to one of them.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            monitor->List()->Flush();
            return monitor->List()->Frames()->rowCount() >= 20 &&
                   okOn(DefaultLine(), defaultSlot) >= 10;
        },
        kWaitMs));
    monitor->ToggleStop();
    const TrafficFrameModel& frames = *monitor->List()->Frames();
    for (int row = 0; row < frames.rowCount(); ++row)
        ASSERT_EQ(frames.data(frames.index(row, 0), TrafficFrameModel::SlaveRole).toInt(),
                  kOwnSlave)
            << "row " << row << " came from another line";

    // A pause of the monitored line leaves the other polling.
    PollPause::Of(own).SetPaused(true);
    EXPECT_FALSE(PollPause::Of(DefaultLine()).IsPaused());
    const std::uint32_t before = okOn(DefaultLine(), defaultSlot);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return okOn(DefaultLine(), defaultSlot) >= before + 10; }, kWaitMs));
    PollPause::Of(own).SetPaused(false);
    delete monitor;
    own.ReleasePollSlot(ownSlot);
    DefaultLine().ReleasePollSlot(defaultSlot);
}

}  // namespace
}  // namespace zentiq
