// The engine in RTU-over-TCP mode against a real slave: pymodbus's TCP server
// with its RTU framer on 127.0.0.1, every function, through the public engine
// operations the way the connection command drives them.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "support/engine_driver.h"
#include "support/peer_data.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

using test::PeerProcess;
using testing::HoldingPattern;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kSlave = testing::kPeerSlave;

Bytes WithCrc(Bytes frame) {
    const std::uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

class RtuOverTcpIntegrationTest : public testing::EngineDriver, public ::testing::Test {
protected:
    RtuOverTcpIntegrationTest() : EngineDriver(0x3000) {}

    void SetUp() override {
        InitEngine();
        StartRecording();
        std::string error;
        m_peer = PeerProcess::PyModbus(PeerProcess::Mode::RtuOverTcp, "", error, kSlave);
        ASSERT_TRUE(m_peer) << error;
        ASSERT_NE(m_peer->Port(), 0);
        SetPollDelay(1);
        ASSERT_EQ(OpenTcpConnection("127.0.0.1", m_peer->Port(), 1000, 3000), 0)
            << "socket error " << LastSocketError();
        ASSERT_EQ(SetTransmissionMode(RTU_OVER_TCP), 1);
        ASSERT_EQ(GetTransmissionMode(), RTU_OVER_TCP);
        ASSERT_NE(IsConnected(), 0);
        ASSERT_EQ(StartPolling(), 1);
    }

    void TearDown() override {
        StopPolling();
        CloseTcpConnection();
        StopRecording();
        m_peer.reset();
    }

    Bytes Capture(int slot, bool request) {
        std::uint8_t bytes[kRequestCaptureSize] = {};
        const int n = request ? GetRequestCapture(slot, bytes) : GetResponseCapture(slot, bytes);
        return n > 0 ? Bytes(bytes, bytes + n) : Bytes{};
    }

    std::unique_ptr<PeerProcess> m_peer;
};

TEST_F(RtuOverTcpIntegrationTest, ReadsEveryTableAsTheSlaveHoldsIt) { CheckReadsEveryTable(); }

TEST_F(RtuOverTcpIntegrationTest, ExceptionsFromTheSlaveBecomeStatuses) { CheckExceptionsBecomeStatuses(); }

TEST_F(RtuOverTcpIntegrationTest, MaskWriteAndReadWriteRegisters) { CheckMaskWriteAndReadWrite(); }

TEST_F(RtuOverTcpIntegrationTest, CapturesTheFramesAsOnTheWire) {
    int slot = -1;
    ASSERT_EQ(PollOnce(kSlave, 3, 0, 10, slot), status::Ok);
    // No MBAP header, no transaction ID: the RTU frame with its CRC.
    EXPECT_EQ(Capture(slot, true), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
    const Bytes answer = Capture(slot, false);
    ASSERT_EQ(answer.size(), 25u);
    EXPECT_EQ(Crc16(answer.data(), answer.size()), 0);
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 3), (Bytes{0x01, 0x03, 20}));
    ReleasePollSlot(slot);
}

TEST_F(RtuOverTcpIntegrationTest, WritesOfEveryKindAreReadBack) {
    const std::uint8_t on = 1, off = 0;
    EXPECT_EQ(OneShot(kSlave, 5, 0, 0, 1, 0, [&] { SetWriteBytes(0, 1, &on); }), status::Ok);
    EXPECT_EQ(OneShot(kSlave, 5, 0, 0, 3, 0, [&] { SetWriteBytes(0, 1, &off); }), status::Ok);
    const std::uint16_t value = 0xBEEF;
    EXPECT_EQ(OneShot(kSlave, 6, 0, 0, 100, 0, [&] { SetWriteRegisters(0, 1, &value); }), status::Ok);
    EXPECT_EQ(ReadBits(1, 0, 6), (std::vector<std::uint8_t>{1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(ReadRegs(3, 99, 3),
              (std::vector<std::uint16_t>{zq_peer_holding(99), 0xBEEF, zq_peer_holding(101)}));

    std::uint8_t coils[17];
    for (int i = 0; i < 17; ++i) coils[i] = static_cast<std::uint8_t>(i % 2 == 0 ? 0 : 7);
    EXPECT_EQ(OneShot(kSlave, 15, 0, 0, 20, 17, [&] { SetWriteBytes(0, 17, coils); }), status::Ok);
    const auto bits = ReadBits(1, 20, 17);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(bits[i], coils[i] != 0 ? 1 : 0) << "coil " << 20 + i;

    // 123 registers, the most one write may carry.
    std::vector<std::uint16_t> regs(123);
    for (unsigned i = 0; i < regs.size(); ++i) regs[i] = static_cast<std::uint16_t>(0xA000 + i * 3);
    EXPECT_EQ(OneShot(kSlave, 16, 0, 0, 300, 123, [&] { SetWriteRegisters(0, 123, regs.data()); }),
              status::Ok);
    EXPECT_EQ(ReadRegs(3, 300, 123), regs);
}

TEST_F(RtuOverTcpIntegrationTest, BroadcastReturnsWithoutWaiting) {
    const std::uint16_t value = 0x0B0C;
    EXPECT_EQ(OneShot(0, 6, 0, 0, 77, 0, [&] { SetWriteRegisters(0, 1, &value); }), status::Ok);
    EXPECT_TRUE(Capture(0, false).empty());
    EXPECT_EQ(ReadRegs(3, 77, 1), std::vector<std::uint16_t>{value});
}

TEST_F(RtuOverTcpIntegrationTest, RawFrameGetsTheSlavesAnswerAsSent) {
    const Bytes frame = WithCrc({kSlave, 4, 0, 5, 0, 2});
    EXPECT_EQ(OneShot(kSlave, 0, 0, 0, 0, static_cast<std::uint16_t>(frame.size()),
                      [&] { SetWriteBytes(0, static_cast<int>(frame.size()), frame.data()); }),
              status::Ok);
    EXPECT_EQ(Capture(0, true), frame);
    const std::uint16_t r5 = zq_peer_input(5), r6 = zq_peer_input(6);
    EXPECT_EQ(Capture(0, false),
              WithCrc({kSlave, 4, 4, static_cast<std::uint8_t>(r5 >> 8), static_cast<std::uint8_t>(r5),
                       static_cast<std::uint8_t>(r6 >> 8), static_cast<std::uint8_t>(r6)}));
}

TEST_F(RtuOverTcpIntegrationTest, ReconnectingKeepsTheMode) {
    EXPECT_EQ(ReadRegs(4, 0, 2), (std::vector<std::uint16_t>{zq_peer_input(0), zq_peer_input(1)}));
    ASSERT_EQ(CloseTcpConnection(), 1);
    EXPECT_EQ(IsConnected(), 0);
    ASSERT_EQ(OpenTcpConnection("127.0.0.1", m_peer->Port(), 1000, 3000), 0);
    EXPECT_EQ(GetTransmissionMode(), RTU_OVER_TCP);
    ASSERT_EQ(StartPolling(), 1);
    EXPECT_EQ(ReadRegs(3, 5, 4), HoldingPattern(5, 4));
}

}  // namespace
}  // namespace zentiq
