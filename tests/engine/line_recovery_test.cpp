// The line without the user: a stop never waits for a silent slave, and a
// serial device that goes away and comes back under its name is used again.
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "engine/posix_serial_port.h"
#include "support/post_recorder.h"
#include "support/pty_pair.h"
#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using test::PtyPair;
using test::ScriptedTcpSlave;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr WindowHandle kWindow = 0x11E0;
// Far longer than any stop may take.
constexpr std::uint32_t kLongTimeoutMs = 10000;

// Disconnect while a request waits for a slave that never answers: the stop
// cuts the wait short instead of sitting out the response timeout, the port
// is free at once, and the cut transaction is no error of the slave.
TEST(LineRecovery, StopDoesNotWaitForASilentSlave) {
    ModbusLine line;
    PtyPair pty;
    ASSERT_TRUE(pty.ok()) << pty.error();
    ScriptedTcpSlave slave({ScriptedTcpSlave::Silent()});
    ASSERT_TRUE(slave.Listening());

    struct Peer {
        const char* name;
        std::function<int()> open;  // the open result
        int mode;
        std::function<bool()> requestArrived;
    };
    const Peer peers[] = {
        {"serial line", [&] { return line.OpenSerialPort(1, 9600, 8, 2, 0); }, RTU,
         [&] { return pty.readFromPort(8, 5000).size() == 8; }},
        {"Modbus/TCP",
         [&] { return line.OpenTcpConnection("127.0.0.1", slave.Port(), kLongTimeoutMs, 2000); },
         TCP,
         [&] {
             for (int i = 0; i < 500 && slave.Requests().empty(); ++i)
                 std::this_thread::sleep_for(10ms);
             return !slave.Requests().empty();
         }},
    };
    for (const Peer& peer : peers) {
        SCOPED_TRACE(peer.name);
        line.InitEngine();
        testing::PostRecorder posts{line};
        line.SetPollDelay(1);
        ASSERT_EQ(line.SetSerialDevice(1, pty.slavePath().c_str()), 1);
        ASSERT_EQ(peer.open(), 0);
        line.SetSerialTimeouts(240, 2, kLongTimeoutMs, 2,
                               200);  // as Connect does; only kept for TCP
        ASSERT_EQ(line.SetTransmissionMode(peer.mode), 1);
        const int slot = line.RegisterPollSlot(kWindow, WM_POLL_RESULT, 0, 1, 3, 0, 10, 0, 0);
        ASSERT_GE(slot, 1);
        line.SetPollMode(slot, Continuous);
        ASSERT_EQ(line.StartPolling(), 1);
        ASSERT_TRUE(peer.requestArrived());

        const auto start = Clock::now();
        line.StopPolling();
        line.CloseSerialPort();
        line.CloseTcpConnection();
        EXPECT_LT(Clock::now() - start, 5s) << "the stop sat out the response timeout";

        EXPECT_EQ(posts.Count(kWindow, WM_POLL_RESULT), 0u) << "a cut transaction has no result";
        EXPECT_EQ(line.GetSlotStatus(slot), status::NoTransactionYet);
        std::uint32_t tx = 99, ok = 99;
        line.GetSlotCounters(slot, &tx, &ok);
        EXPECT_EQ(tx, 0u) << "nor does it count as sent";
        PosixSerialPort other;
        EXPECT_EQ(other.Open(pty.slavePath(), 9600, 8, 0, 0, 0), 0) << "the port is free";
        line.ReleasePollSlot(slot);
    }
    line.SetTransmissionMode(RTU);
    line.InitEngine();
}

// An adapter unplugged and plugged back: its name (a link, as under
// /dev/serial/by-id) goes away and comes back pointing at a new device.
TEST(LineRecovery, SerialDeviceThatComesBackIsOpenedAgain) {
    char dirTemplate[] = "/tmp/zq-reopen-XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
    const std::string dir = dirTemplate;
    const std::string link = dir + "/ttyUSB-adapter";
    const Bytes frame = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};

    auto first = std::make_unique<PtyPair>();
    ASSERT_TRUE(first->ok()) << first->error();
    ASSERT_EQ(::symlink(first->slavePath().c_str(), link.c_str()), 0);
    PosixSerialPort port;
    ASSERT_EQ(port.Open(link, 19200, 8, 0, 0, 0), 0);
    ASSERT_TRUE(port.SetTimeouts({32, 1, 200, 1, 200}));
    ASSERT_EQ(port.Write(frame.data(), frame.size()), 1);
    EXPECT_EQ(first->readFromPort(frame.size(), 2000), frame);

    // Unplugged: the device and its name are gone; writes fail as before.
    first.reset();
    ASSERT_EQ(::unlink(link.c_str()), 0);
    EXPECT_EQ(port.Write(frame.data(), frame.size()), 0);
    EXPECT_EQ(port.WriteFlags(), port_error::IoError);
    EXPECT_TRUE(port.IsOpen()) << "the session goes on";
    EXPECT_TRUE(port.DeviceLost());

    // Plugged back: a new device under the same name, found within seconds.
    PtyPair second;
    ASSERT_TRUE(second.ok()) << second.error();
    ASSERT_EQ(::symlink(second.slavePath().c_str(), link.c_str()), 0);
    bool written = false;
    for (int i = 0; i < 50 && !written; ++i) {
        written = port.Write(frame.data(), frame.size()) == 1;
        if (!written) {
            EXPECT_EQ(port.WriteFlags(), port_error::IoError)
                << "the same failure until it is back";
            std::this_thread::sleep_for(100ms);
        }
    }
    ASSERT_TRUE(written);
    EXPECT_EQ(second.readFromPort(frame.size(), 2000), frame);
    second.writeToPort({0x01, 0x83, 0x02, 0xC0, 0xF1});
    std::uint8_t answer[5] = {};
    EXPECT_EQ(port.Read(answer, sizeof answer), 5);
    EXPECT_EQ(answer[1], 0x83);

    // With the settings of the session, and as exclusively as the first open.
    termios tio{};
    ASSERT_EQ(::tcgetattr(second.slaveFd(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B19200));
    PosixSerialPort intruder;
    EXPECT_EQ(intruder.Open(link, 9600, 8, 0, 0, 0), 1);

    port.Close();
    ::unlink(link.c_str());
    ::rmdir(dir.c_str());
}

}  // namespace
}  // namespace zentiq
