// Several lines at once, each a ModbusLine of its own polling its own real
// slave (libmodbus and pymodbus over loopback TCP, RTU over ptys): every line
// reads what its slave holds and nothing of another's, slot numbers are per
// line, and a line whose slave falls silent or goes away neither delays nor
// stops the others.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/modbus_line.h"
#include "support/peer_data.h"
#include "support/peer_process.h"
#include "support/scripted_tcp_slave.h"
#include "support/socat_pty_pair.h"

namespace zentiq {
namespace {

using namespace std::chrono_literals;
using test::PeerProcess;
using test::ScriptedTcpSlave;
using test::SocatPtyPair;

constexpr std::uint16_t kSlave = 1;
constexpr int kMaxLines = 4;
constexpr std::uint32_t kPollMessage = WM_POLL_RESULT;
constexpr std::uint32_t kWriteMessage = WM_POLL_RESULT + 100;

// Results by window: line i polls for window i + 1 and writes for window
// i + 1 + kMaxLines. One poster serves every line: the window tells them apart.
class Tally {
public:
    static Tally& Get() {
        static Tally tally;
        return tally;
    }
    static void Post(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t) {
        if (window == 0 || window > 2 * kMaxLines ||
            (message != kPollMessage && message != kWriteMessage))
            return;
        Tally& t = Get();
        std::lock_guard guard(t.m_lock);
        Counts& c = t.m_counts[window - 1];
        (wParam == status::Ok ? c.ok : c.failed)++;
        t.m_changed.notify_all();
    }
    void Clear() {
        std::lock_guard guard(m_lock);
        m_counts = {};
    }
    struct Counts {
        std::uint64_t ok = 0, failed = 0;
    };
    Counts Of(WindowHandle window) {
        std::lock_guard guard(m_lock);
        return m_counts[window - 1];
    }
    // Waits (bounded) until pred(counts of window) holds.
    template <typename Pred>
    bool WaitFor(WindowHandle window, Pred pred, std::chrono::milliseconds limit = 20s) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, limit, [&] { return pred(m_counts[window - 1]); });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::array<Counts, 2 * kMaxLines> m_counts{};
};

WindowHandle PollWindow(int line) { return static_cast<WindowHandle>(line + 1); }
WindowHandle WriteWindow(int line) { return static_cast<WindowHandle>(line + 1 + kMaxLines); }

enum class Peer { LibModbusTcp, PyModbusTcp, LibModbusOwnPty, PyModbusSocatPty };

// A slave and the line connected to it.
struct Connection {
    std::unique_ptr<SocatPtyPair> pty;
    std::unique_ptr<PeerProcess> slave;
    std::unique_ptr<ModbusLine> line = std::make_unique<ModbusLine>();
};

void Connect(Connection& c, Peer peer) {
    std::string error;
    ModbusLine& line = *c.line;
    line.SetMessagePoster(&Tally::Post);
    line.SetPollDelay(0);
    switch (peer) {
    case Peer::LibModbusTcp:
    case Peer::PyModbusTcp:
        c.slave = peer == Peer::LibModbusTcp
                      ? PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error, kSlave)
                      : PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error, kSlave);
        ASSERT_TRUE(c.slave) << error;
        ASSERT_EQ(line.OpenTcpConnection("127.0.0.1", c.slave->Port(), 2000, 3000), 0);
        ASSERT_EQ(line.SetTransmissionMode(TCP), 1);
        break;
    case Peer::LibModbusOwnPty:
    case Peer::PyModbusSocatPty: {
        std::string device;
        if (peer == Peer::LibModbusOwnPty) {
            c.slave = PeerProcess::LibModbus(PeerProcess::Mode::Rtu, "", error, kSlave, {115200});
            ASSERT_TRUE(c.slave) << error;
            device = c.slave->Endpoint();
        } else {
            c.pty = SocatPtyPair::Create(error);
            ASSERT_TRUE(c.pty) << error;
            c.slave = PeerProcess::PyModbus(PeerProcess::Mode::Rtu, c.pty->PathB(), error, kSlave,
                                            {115200});
            ASSERT_TRUE(c.slave) << error;
            device = c.pty->PathA();
        }
        ASSERT_EQ(line.SetSerialDevice(1, device.c_str()), 1);
        ASSERT_EQ(line.OpenSerialPort(1, 115200, 8, 0, 0), 0);
        ASSERT_EQ(line.SetSerialTimeouts(32, 1, 1000, 1, 200), 1);
        ASSERT_EQ(line.SetTransmissionMode(RTU), 1);
        break;
    }
    }
    ASSERT_EQ(line.StartPolling(), 1);
}

// Writes a mark of its own into holding register 0 of each line's slave,
// then polls registers 0..9 on every line at once, flat out.
class ParallelLinesTest : public ::testing::TestWithParam<std::vector<Peer>> {
protected:
    void SetUp() override {
        Tally::Get().Clear();
        m_lines.resize(GetParam().size());
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            Connect(m_lines[i], GetParam()[i]);
            if (HasFatalFailure())
                return;
        }
    }
    void TearDown() override {
        for (Connection& c : m_lines)
            c.line.reset();  // stops the worker while the slave still serves
    }

    static std::uint16_t Mark(int i) { return static_cast<std::uint16_t>(0x5A00 + i); }

    void WriteMark(int i) {
        ModbusLine& line = *m_lines[static_cast<std::size_t>(i)].line;
        const std::uint16_t mark = Mark(i);
        ASSERT_EQ(line.SubmitOneShot(WriteWindow(i), kWriteMessage, kSlave, 6, 0, 0, 0, 1), 1);
        ASSERT_EQ(line.SetWriteRegisters(0, 1, &mark), 1);
        ASSERT_TRUE(
            Tally::Get().WaitFor(WriteWindow(i), [](auto c) { return c.ok + c.failed > 0; }));
        ASSERT_EQ(Tally::Get().Of(WriteWindow(i)).ok, 1u) << "line " << i;
    }

    int StartPoll(int i) {
        ModbusLine& line = *m_lines[static_cast<std::size_t>(i)].line;
        const int slot =
            line.RegisterPollSlot(PollWindow(i), kPollMessage, 0, kSlave, 3, 0, 10, 0, 0);
        EXPECT_EQ(line.SetPollMode(slot, Continuous), 1);
        return slot;
    }

    // Waits until line i has `more` successful polls beyond `from`.
    bool PollsGoOn(int i, std::uint64_t from, std::uint64_t more) {
        return Tally::Get().WaitFor(PollWindow(i), [&](auto c) { return c.ok >= from + more; });
    }

    std::vector<Connection> m_lines;
};

TEST_P(ParallelLinesTest, EachLineReadsOnlyItsOwnSlaveAndStopsAlone) {
    const int n = static_cast<int>(m_lines.size());
    for (int i = 0; i < n; ++i)
        WriteMark(i);
    if (HasFatalFailure())
        return;

    // Slots are numbered per line: every line's first poll slot is 1.
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(StartPoll(i), 1) << "line " << i;
    for (int i = 0; i < n; ++i)
        ASSERT_TRUE(PollsGoOn(i, 0, 50)) << "line " << i << " does not poll";

    for (int i = 0; i < n; ++i) {
        std::uint16_t regs[10] = {};
        ASSERT_EQ(m_lines[static_cast<std::size_t>(i)].line->ReadRegisters(1, regs), status::Ok);
        EXPECT_EQ(regs[0], Mark(i)) << "line " << i << " read another slave's register";
        for (unsigned r = 1; r < 10; ++r)
            EXPECT_EQ(regs[r], zq_peer_holding(r)) << "line " << i;
        EXPECT_EQ(Tally::Get().Of(PollWindow(i)).failed, 0u) << "line " << i;
    }

    // Stopping the first line leaves the others polling.
    ModbusLine& first = *m_lines[0].line;
    ASSERT_EQ(first.StopPolling(), 1);
    const std::uint64_t firstAtStop = Tally::Get().Of(PollWindow(0)).ok;
    for (int i = 1; i < n; ++i) {
        const std::uint64_t now = Tally::Get().Of(PollWindow(i)).ok;
        EXPECT_TRUE(PollsGoOn(i, now, 50)) << "line " << i << " stopped with the first";
    }
    EXPECT_EQ(Tally::Get().Of(PollWindow(0)).ok, firstAtStop) << "a stopped line polled";
    std::uint32_t tx = 0, ok = 0;
    ASSERT_EQ(first.GetSlotCounters(1, &tx, &ok), 1);
    EXPECT_EQ(ok, firstAtStop);
}

INSTANTIATE_TEST_SUITE_P(Peers, ParallelLinesTest,
                         ::testing::Values(std::vector<Peer>{Peer::LibModbusTcp, Peer::PyModbusTcp},
                                           std::vector<Peer>{Peer::LibModbusTcp, Peer::PyModbusTcp,
                                                             Peer::LibModbusOwnPty,
                                                             Peer::PyModbusSocatPty}),
                         [](const auto& info) {
                             return info.param.size() == 2 ? std::string("TwoTcp")
                                                           : std::string("FourMixed");
                         });

// One line's slave fails while another line polls: the other line's polls go
// on while the failing line waits out its time-out or finds its slave gone.
enum class Fault { Silent, SlaveGone };

class FailingNeighbourTest : public ::testing::TestWithParam<Fault> {};

TEST_P(FailingNeighbourTest, OtherLinePollsOnWhileOneFails) {
    Tally::Get().Clear();
    Connection healthy;
    Connect(healthy, Peer::LibModbusTcp);
    if (HasFatalFailure())
        return;

    // The failing line: a slave that takes requests and never answers (with
    // a time-out far longer than the test waits), or a libmodbus slave that
    // is killed while polled.
    auto failing = std::make_unique<ModbusLine>();
    failing->SetMessagePoster(&Tally::Post);
    failing->SetPollDelay(0);
    std::unique_ptr<ScriptedTcpSlave> silent;
    std::unique_ptr<PeerProcess> doomed;
    std::uint16_t port = 0;
    if (GetParam() == Fault::Silent) {
        silent = std::make_unique<ScriptedTcpSlave>(
            std::vector<ScriptedTcpSlave::Step>(4, ScriptedTcpSlave::Silent()), 60000ms);
        ASSERT_TRUE(silent->Listening());
        port = silent->Port();
    } else {
        std::string error;
        doomed = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error, kSlave);
        ASSERT_TRUE(doomed) << error;
        port = doomed->Port();
    }
    ASSERT_EQ(failing->OpenTcpConnection("127.0.0.1", port, 60000, 3000), 0);
    ASSERT_EQ(failing->SetTransmissionMode(TCP), 1);
    ASSERT_EQ(failing->StartPolling(), 1);
    ASSERT_EQ(failing->RegisterPollSlot(PollWindow(1), kPollMessage, 0, kSlave, 3, 0, 10, 0, 0), 1);
    ASSERT_EQ(failing->SetPollMode(1, Continuous), 1);

    ASSERT_EQ(
        healthy.line->RegisterPollSlot(PollWindow(0), kPollMessage, 0, kSlave, 3, 0, 10, 0, 0), 1);
    ASSERT_EQ(healthy.line->SetPollMode(1, Continuous), 1);

    if (GetParam() == Fault::Silent) {
        // The failing line's first request is out and unanswered.
        for (int i = 0; i < 400 && silent->Requests().empty(); ++i)
            std::this_thread::sleep_for(25ms);
        ASSERT_FALSE(silent->Requests().empty());
    } else {
        ASSERT_TRUE(Tally::Get().WaitFor(PollWindow(1), [](auto c) { return c.ok > 0; }));
        doomed.reset();
        ASSERT_TRUE(Tally::Get().WaitFor(PollWindow(1), [](auto c) { return c.failed > 0; }))
            << "the line whose slave went away never failed";
    }
    const std::uint64_t from = Tally::Get().Of(PollWindow(0)).ok;
    ASSERT_TRUE(Tally::Get().WaitFor(PollWindow(0), [&](auto c) { return c.ok >= from + 200; }))
        << "the healthy line stalled beside the failing one";
    EXPECT_EQ(Tally::Get().Of(PollWindow(0)).failed, 0u);
    if (GetParam() == Fault::Silent) {
        EXPECT_EQ(Tally::Get().Of(PollWindow(1)).ok + Tally::Get().Of(PollWindow(1)).failed, 0u)
            << "the silent slave's time-out ended while the healthy line polled";
    }

    // A stop of the failing line cuts its wait short and leaves the other.
    ASSERT_EQ(failing->StopPolling(), 1);
    failing.reset();
    const std::uint64_t after = Tally::Get().Of(PollWindow(0)).ok;
    EXPECT_TRUE(Tally::Get().WaitFor(PollWindow(0), [&](auto c) { return c.ok >= after + 50; }));
    healthy.line.reset();
}

INSTANTIATE_TEST_SUITE_P(Faults, FailingNeighbourTest,
                         ::testing::Values(Fault::Silent, Fault::SlaveGone), [](const auto& info) {
                             return info.param == Fault::Silent ? std::string("Silent")
                                                                : std::string("SlaveGone");
                         });

// Lines are cheap values: made and dropped by the hundred, connected or not,
// polling or not, they leave nothing behind (the sanitizer runs check).
TEST(ModbusLineLifetime, ManyLinesComeAndGo) {
    std::string error;
    auto slave = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error, kSlave);
    ASSERT_TRUE(slave) << error;
    for (int i = 0; i < 100; ++i) {
        ModbusLine line;
        if (i % 10 != 0)
            continue;
        ASSERT_EQ(line.OpenTcpConnection("127.0.0.1", slave->Port(), 1000, 3000), 0);
        ASSERT_EQ(line.SetTransmissionMode(TCP), 1);
        ASSERT_EQ(line.RegisterPollSlot(1, kPollMessage, 0, kSlave, 3, 0, 10, 0, 0), 1);
        ASSERT_EQ(line.SetPollMode(1, Continuous), 1);
        ASSERT_EQ(line.StartPolling(), 1);
        // Dropped while polling: the destructor stops the worker.
    }
}

}  // namespace
}  // namespace zentiq
