// The engine over Modbus/TCP on 127.0.0.1 against real slaves: the pymodbus
// TCP server and the libmodbus TCP slave; and in RTU-over-TCP mode against
// pymodbus's TCP server with its RTU framer. Everything goes through the
// public engine operations, the way the application drives them.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "support/peer_data.h"
#include "support/peer_process.h"
#include "support/engine_driver.h"

namespace zentiq {
namespace {

using namespace std::chrono_literals;
using test::PeerProcess;
using testing::HoldingPattern;
using testing::kNoResult;

enum class Peer { PyModbus, LibModbus };

struct PeerCase {
    const char* name;
    Peer peer;
    int mode;  // TCP or RTU_OVER_TCP
};

using Bytes = std::vector<std::uint8_t>;

Bytes WithCrc(Bytes frame) {
    const std::uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

void PrintTo(const PeerCase& c, std::ostream* os) { *os << c.name; }

constexpr std::uint16_t kSlave = testing::kPeerSlave;
constexpr std::uint32_t kResponseTimeoutMs = 1000;
constexpr std::uint32_t kConnectTimeoutMs = 3000;

class TcpIntegrationTest : public testing::EngineDriver, public ::testing::TestWithParam<PeerCase> {
protected:
    TcpIntegrationTest() : EngineDriver(0x2000) {}

    void SetUp() override {
        Line().InitEngine();
        StartRecording();
        std::string error;
        const auto mode = IsRtu() ? PeerProcess::Mode::RtuOverTcp : PeerProcess::Mode::Tcp;
        m_peer = GetParam().peer == Peer::PyModbus
                     ? PeerProcess::PyModbus(mode, "", error, kSlave)
                     : PeerProcess::LibModbus(mode, "", error, kSlave);
        ASSERT_TRUE(m_peer) << error;
        ASSERT_NE(m_peer->Port(), 0);
        Connect();
    }

    void TearDown() override {
        Line().StopPolling();
        Line().CloseTcpConnection();
        StopRecording();
        m_peer.reset();
    }

    // The connection command's order for TCP: delay, open, mode, worker.
    void Connect() {
        Line().SetPollDelay(1);
        ASSERT_EQ(Line().OpenTcpConnection("127.0.0.1", m_peer->Port(), kResponseTimeoutMs,
                                           kConnectTimeoutMs),
                  0)
            << "socket error " << Line().LastSocketError();
        ASSERT_EQ(Line().SetTransmissionMode(GetParam().mode), 1);
        ASSERT_EQ(Line().GetTransmissionMode(), GetParam().mode);
        ASSERT_NE(Line().IsConnected(), 0);
        ASSERT_EQ(Line().StartPolling(), 1);
    }

    bool IsPyModbus() const { return GetParam().peer == Peer::PyModbus; }
    bool IsRtu() const { return GetParam().mode == RTU_OVER_TCP; }

    std::unique_ptr<PeerProcess> m_peer;
};

TEST_P(TcpIntegrationTest, ReadsEveryTableAsTheSlaveHoldsIt) { CheckReadsEveryTable(); }

TEST_P(TcpIntegrationTest, CapturesTheFramesAsOnTheWire) {
    int first = -1, second = -1;
    ASSERT_EQ(PollOnce(kSlave, 3, 0, 10, first), status::Ok);
    ASSERT_EQ(PollOnce(kSlave, 3, 0, 10, second), status::Ok);
    // Two polls put exactly two requests on the wire (the libmodbus slave
    // counts what it answered; the benches rely on that count too).
    if (!IsPyModbus()) {
        EXPECT_EQ(m_peer->Served(), 2);
    }
    std::uint8_t request[kRequestCaptureSize] = {};
    std::uint8_t response[kResponseCaptureSize] = {};
    if (IsRtu()) {
        // No header, no transaction ID: the RTU frames with their CRCs.
        ASSERT_EQ(Line().GetRequestCapture(second, request), 8);
        EXPECT_EQ(Bytes(request, request + 8), (Bytes{1, 3, 0, 0, 0, 10, 0xC5, 0xCD}));
        ASSERT_EQ(Line().GetResponseCapture(second, response), 25);
        EXPECT_EQ(Crc16(response, 25), 0);
        EXPECT_EQ(Bytes(response, response + 3), (Bytes{1, 3, 20}));
        return;
    }

    // The first transaction after InitEngine carries ID 0, the next ID 1.
    ASSERT_EQ(Line().GetRequestCapture(first, request), 12);
    EXPECT_EQ(std::vector<std::uint8_t>(request, request + 12),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 6, 1, 3, 0, 0, 0, 10}));
    ASSERT_EQ(Line().GetRequestCapture(second, request), 12);
    EXPECT_EQ(request[1], 1);

    // The slave echoes the ID; its length covers unit, function, count and 20 bytes.
    ASSERT_EQ(Line().GetResponseCapture(second, response), 6 + 23);
    EXPECT_EQ(std::vector<std::uint8_t>(response, response + 9),
              (std::vector<std::uint8_t>{0, 1, 0, 0, 0, 23, 1, 3, 20}));
    std::uint32_t tx = 0, ok = 0;
    EXPECT_EQ(Line().GetSlotCounters(second, &tx, &ok), 1);
    EXPECT_EQ(tx, 1u);
    EXPECT_EQ(ok, 1u);
}

TEST_P(TcpIntegrationTest, ExceptionsFromTheSlaveBecomeStatuses) {
    CheckExceptionsBecomeStatuses();
}

TEST_P(TcpIntegrationTest, SingleAndMultipleWritesAreReadBack) {
    const std::uint8_t on = 1, off = 0;
    EXPECT_EQ(OneShot(kSlave, 5, 0, 0, 1, 0, [&] { Line().SetWriteBytes(0, 1, &on); }), status::Ok);
    EXPECT_EQ(OneShot(kSlave, 5, 0, 0, 3, 0, [&] { Line().SetWriteBytes(0, 1, &off); }),
              status::Ok);
    const std::uint16_t value = 0xBEEF;
    EXPECT_EQ(OneShot(kSlave, 6, 0, 0, 100, 0, [&] { Line().SetWriteRegisters(0, 1, &value); }),
              status::Ok);
    EXPECT_EQ(ReadBits(1, 0, 6), (std::vector<std::uint8_t>{1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(ReadRegs(3, 99, 3),
              (std::vector<std::uint16_t>{zq_peer_holding(99), 0xBEEF, zq_peer_holding(101)}));

    std::uint8_t coils[17];
    for (int i = 0; i < 17; ++i)
        coils[i] = static_cast<std::uint8_t>(i % 2 == 0 ? 0 : 7);
    coils[16] = 1;
    EXPECT_EQ(OneShot(kSlave, 15, 0, 0, 20, 17, [&] { Line().SetWriteBytes(0, 17, coils); }),
              status::Ok);
    const auto bits = ReadBits(1, 19, 19);
    EXPECT_EQ(bits[0], zq_peer_coil(19));
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(bits[1 + i], coils[i] != 0 ? 1 : 0) << "coil " << 20 + i;
    EXPECT_EQ(bits[18], zq_peer_coil(37));

    // 123 registers, the most a single write may carry on both slaves.
    std::vector<std::uint16_t> regs(123);
    for (unsigned i = 0; i < regs.size(); ++i)
        regs[i] = static_cast<std::uint16_t>(0xA000 + i * 3);
    EXPECT_EQ(
        OneShot(kSlave, 16, 0, 0, 300, 123, [&] { Line().SetWriteRegisters(0, 123, regs.data()); }),
        status::Ok);
    const auto back = ReadRegs(3, 299, 125);
    EXPECT_EQ(back.front(), zq_peer_holding(299));
    EXPECT_EQ(std::vector<std::uint16_t>(back.begin() + 1, back.begin() + 124), regs);
    EXPECT_EQ(back.back(), zq_peer_holding(423));

    const double doubles[1] = {-1.0e-3};
    EXPECT_EQ(OneShot(kSlave, 16, 0, 0, 600, 4, [&] { Line().SetWriteDoubles(0, 1, doubles, 1); }),
              status::Ok);
    int slot = -1;
    ASSERT_EQ(PollOnce(kSlave, 3, 600, 4, slot), status::Ok);
    double read[1] = {};
    EXPECT_EQ(Line().ReadDoubles(slot, read, 1), status::Ok);
    EXPECT_EQ(read[0], doubles[0]);
    Line().ReleasePollSlot(slot);
}

TEST_P(TcpIntegrationTest, MaskWriteAndReadWriteRegisters) { CheckMaskWriteAndReadWrite(); }

TEST_P(TcpIntegrationTest, RawFrameGetsTheSlavesAnswer) {
    // Read 2 input registers at 5, with its own MBAP header (ID 0x4242) or CRC.
    const Bytes mbap = {0x42, 0x42, 0, 0, 0, 6};
    const Bytes pdu = {kSlave, 4, 0, 5, 0, 2};
    Bytes frame = IsRtu() ? WithCrc(pdu) : mbap;
    if (!IsRtu())
        frame.insert(frame.end(), pdu.begin(), pdu.end());
    const auto n = static_cast<std::uint16_t>(frame.size());
    EXPECT_EQ(OneShot(kSlave, 0, 0, 0, 0, n, [&] { Line().SetWriteBytes(0, n, frame.data()); }),
              status::Ok);
    std::uint8_t request[kRequestCaptureSize] = {};
    ASSERT_EQ(Line().GetRequestCapture(0, request), n);
    EXPECT_EQ(Bytes(request, request + n), frame) << "sent unchanged";
    const std::uint16_t r5 = zq_peer_input(5), r6 = zq_peer_input(6);
    const Bytes answer = {kSlave,
                          4,
                          4,
                          static_cast<std::uint8_t>(r5 >> 8),
                          static_cast<std::uint8_t>(r5),
                          static_cast<std::uint8_t>(r6 >> 8),
                          static_cast<std::uint8_t>(r6)};
    Bytes expected = IsRtu() ? WithCrc(answer) : Bytes{0x42, 0x42, 0, 0, 0, 7};
    if (!IsRtu())
        expected.insert(expected.end(), answer.begin(), answer.end());
    std::uint8_t response[kResponseCaptureSize] = {};
    const int got = Line().GetResponseCapture(0, response);
    EXPECT_EQ(Bytes(response, response + std::max(got, 0)), expected);
}

// Several slots polled continuously by the worker while a one-shot write
// goes in between; every slot keeps seeing its own data.
TEST_P(TcpIntegrationTest, WorkerPollsSeveralSlotsAndServesAOneShotWrite) {
    struct Poll {
        WindowHandle window;
        int slot;
    };
    const std::uint16_t functions[3] = {3, 4, 1};
    const std::uint16_t addresses[3] = {0, 100, 30};
    std::vector<Poll> polls;
    for (int i = 0; i < 3; ++i) {
        const WindowHandle window = NextWindow();
        const int slot = Line().RegisterPollSlot(window, WM_POLL_RESULT, 0, kSlave, functions[i],
                                                 addresses[i], 8, 0, 0);
        ASSERT_GE(slot, 1);
        ASSERT_EQ(Line().SetPollMode(slot, Continuous), 1);
        polls.push_back({window, slot});
    }
    for (const Poll& p : polls)
        ASSERT_EQ(WaitResult(p.window, p.slot, 3), status::Ok);

    const std::uint16_t value = 4242;
    ASSERT_EQ(OneShot(kSlave, 6, 0, 0, 5, 0, [&] { Line().SetWriteRegisters(0, 1, &value); }),
              status::Ok);
    const std::size_t before = m_posts->Count(polls[0].window, WM_POLL_RESULT);
    for (const Poll& p : polls) {
        const std::size_t n = m_posts->Count(p.window, WM_POLL_RESULT);
        ASSERT_EQ(WaitResult(p.window, p.slot, n + 2), status::Ok);
    }
    ASSERT_EQ(Line().StopPolling(), 1);

    std::vector<std::uint16_t> regs(8);
    EXPECT_EQ(Line().ReadRegisters(polls[0].slot, regs.data()), status::Ok);
    auto expected = HoldingPattern(0, 8);
    expected[5] = value;
    EXPECT_EQ(regs, expected);
    EXPECT_EQ(Line().ReadRegisters(polls[1].slot, regs.data()), status::Ok);
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_EQ(regs[i], zq_peer_input(100 + i));
    std::uint8_t bits[8] = {};
    EXPECT_EQ(Line().ReadBytes(polls[2].slot, bits), status::Ok);
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_EQ(bits[i], zq_peer_coil(30 + i));

    for (const Poll& p : polls) {
        std::uint32_t tx = 0, ok = 0;
        ASSERT_EQ(Line().GetSlotCounters(p.slot, &tx, &ok), 1);
        EXPECT_EQ(ok, tx) << "slot " << p.slot;
        EXPECT_EQ(m_posts->Count(p.window, WM_POLL_RESULT), tx);
    }
    EXPECT_GE(m_posts->Count(polls[0].window, WM_POLL_RESULT), before + 2);
}

TEST_P(TcpIntegrationTest, BroadcastWriteIsCarriedOut) {
    const std::uint16_t value = 0x0B0C;
    const EngineStatus st =
        OneShot(0, 6, 0, 0, 77, 0, [&] { Line().SetWriteRegisters(0, 1, &value); });
    // pymodbus carries out a broadcast silently; libmodbus answers it over
    // TCP. RTU framing waits for no answer, as on a serial line.
    EXPECT_EQ(st, IsPyModbus() && !IsRtu() ? status::Timeout : status::Ok);
    EXPECT_EQ(ReadRegs(3, 77, 1), std::vector<std::uint16_t>{value});
}

TEST_P(TcpIntegrationTest, ReconnectingKeepsSlotsAndNotifiesTheirWindows) {
    const WindowHandle window = NextWindow();
    const int slot = Line().RegisterPollSlot(window, WM_POLL_RESULT, 0, kSlave, 4, 0, 2, 0, 0);
    ASSERT_GE(slot, 1);
    ASSERT_EQ(Line().SetPollMode(slot, Once), 1);
    ASSERT_EQ(WaitResult(window, slot), status::Ok);

    ASSERT_EQ(Line().StopPolling(), 1);
    ASSERT_EQ(Line().CloseTcpConnection(), 1);
    EXPECT_EQ(Line().IsConnected(), 0);
    const std::size_t changesBefore = m_posts->Count(window, WM_CONNECTION_CHANGED);
    EXPECT_GE(changesBefore, 1u);
    Connect();
    EXPECT_GT(m_posts->Count(window, WM_CONNECTION_CHANGED), changesBefore);

    ASSERT_EQ(Line().SetPollMode(slot, Once), 1);
    ASSERT_EQ(WaitResult(window, slot, 2), status::Ok);
    std::uint16_t regs[2] = {};
    EXPECT_EQ(Line().ReadRegisters(slot, regs), status::Ok);
    EXPECT_EQ(regs[0], zq_peer_input(0));
    EXPECT_EQ(regs[1], zq_peer_input(1));
}

INSTANTIATE_TEST_SUITE_P(
    Peers, TcpIntegrationTest,
    ::testing::Values(PeerCase{"PyModbus", Peer::PyModbus, TCP},
                      PeerCase{"LibModbus", Peer::LibModbus, TCP},
                      PeerCase{"PyModbusRtuOverTcp", Peer::PyModbus, RTU_OVER_TCP}),
    [](const ::testing::TestParamInfo<PeerCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentiq
