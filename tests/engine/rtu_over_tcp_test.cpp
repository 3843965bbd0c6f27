// RTU frames over a TCP connection (the RTU framer on TcpLine) against a
// scripted slave on 127.0.0.1: the faults that differ from Modbus/TCP, where
// no MBAP length or transaction ID tells where an answer ends or whose it is.
#include <chrono>
#include <cstring>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/serial_transport.h"
#include "engine/tcp_line.h"
#include "support/read_exchange.h"
#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using test::Head;
using test::kReadExpected;
using test::kReadRequest;
using test::ReadAnswer;
using test::ScriptedTcpSlave;
using Bytes = std::vector<std::uint8_t>;
using Slave = ScriptedTcpSlave;
using namespace std::chrono_literals;

constexpr std::uint32_t kShortTimeoutMs = 300;
constexpr std::uint32_t kConnectTimeoutMs = 2000;

Slave::Frame Split(Slave::Frame frame, std::vector<std::size_t> segments) {
    frame.segments = std::move(segments);
    frame.pause = 30ms;
    return frame;
}

Slave::Frame CorruptCrc(Slave::Frame frame) {
    frame.bytes.back() ^= 0x01;
    return frame;
}

class RtuOverTcpTest : public ::testing::Test {
protected:
    void Connect(const Slave& slave) {
        ASSERT_TRUE(slave.Listening());
        ASSERT_EQ(line.Open("127.0.0.1", slave.Port(), kShortTimeoutMs, kConnectTimeoutMs), 0)
            << "errno " << line.LastError();
    }

    EngineStatus Read(const Bytes& request = kReadRequest, std::size_t expected = kReadExpected) {
        std::uint8_t buffer[kRequestBufferSize] = {};
        std::memcpy(buffer, request.data(), request.size());
        std::memset(response, 0xEE, sizeof response);
        return rtu.Transact(buffer, request.size(), response, expected, captures);
    }

    TcpLine line;
    RtuTransport rtu{line};
    Captures captures;
    std::uint8_t response[kResponseBufferSize];
};

// One answer each, with the status and the slave's bytes it must give.
struct AnswerCase {
    const char* name;
    Slave::Step step;
    EngineStatus status;
    Bytes data;  // the first bytes of the response buffer; empty: not checked
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class RtuOverTcpAnswerTest : public RtuOverTcpTest,
                             public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(RtuOverTcpAnswerTest, GivesTheStatusOfTheAnswer) {
    const AnswerCase& c = GetParam();
    Slave slave({c.step}, 5000ms, Slave::Framing::Rtu);
    Connect(slave);
    EXPECT_EQ(Read(), c.status);
    if (!c.data.empty()) {
        EXPECT_EQ(Head(response, c.data.size()), c.data);
    }
    EXPECT_EQ(response[kReadExpected + 2], 0xEE) << "wrote past the answer";
    // The request goes out with its CRC and nothing else around it; both
    // frames are captured as on the wire.
    const Bytes onWire = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
    ASSERT_EQ(slave.Requests().size(), 1u);
    EXPECT_EQ(slave.Requests()[0], onWire);
    EXPECT_EQ(Head(captures.request, captures.requestLength), onWire);
    if (c.status == status::Ok) {
        EXPECT_EQ(Head(captures.response, captures.responseLength),
                  Slave::RtuAnswer(ReadAnswer()).bytes);
    }
}

const Bytes kShort = {0x01, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02};

INSTANTIATE_TEST_SUITE_P(
    Answers, RtuOverTcpAnswerTest,
    ::testing::Values(
        AnswerCase{"whole", Slave::Reply(Slave::RtuAnswer(ReadAnswer())), status::Ok, ReadAnswer()},
        AnswerCase{"split_slave_id_alone", Slave::Reply(Split(Slave::RtuAnswer(ReadAnswer()), {1})),
                   status::Ok, ReadAnswer()},
        AnswerCase{"split_in_four", Slave::Reply(Split(Slave::RtuAnswer(ReadAnswer()), {2, 1, 21})),
                   status::Ok, ReadAnswer()},
        AnswerCase{"trickled_in_25_pieces", Slave::Reply([] {
                       auto f =
                           Split(Slave::RtuAnswer(ReadAnswer()), std::vector<std::size_t>(24, 1));
                       f.pause = 5ms;
                       return f;
                   }()),
                   status::Ok, ReadAnswer()},
        // Every piece within the response timeout, but the whole answer
        // slower than twice that: the line gives up on it.
        AnswerCase{"trickled_slower_than_twice_the_timeout",
                   Slave::Reply([] {
                       auto f =
                           Split(Slave::RtuAnswer(ReadAnswer()), std::vector<std::size_t>(7, 1));
                       f.pause = std::chrono::milliseconds(kShortTimeoutMs / 2);
                       return f;
                   }()),
                   status::BytesMissing,
                   {}},
        AnswerCase{"corrupt_crc",
                   Slave::Reply(CorruptCrc(Slave::RtuAnswer(ReadAnswer()))),
                   status::ChecksumError,
                   {}},
        AnswerCase{"silence", Slave::Silent(), status::Timeout, {}},
        AnswerCase{"exception",
                   Slave::Reply(Slave::RtuAnswer({0x01, 0x83, 0x02})),
                   status::ExceptionBase + 2,
                   {0x01, 0x83, 0x02, 0xC0, 0xF1}},
        AnswerCase{"exception_corrupt_crc",
                   Slave::Reply(CorruptCrc(Slave::RtuAnswer({0x01, 0x83, 0x02}))),
                   status::ChecksumError,
                   {}},
        AnswerCase{"short_with_good_crc", Slave::Reply(Slave::RtuAnswer(kShort)),
                   status::BytesMissing, kShort},
        AnswerCase{"too_long_is_cut_at_the_expected_length",
                   Slave::Reply(
                       [] {
                           Bytes longer = ReadAnswer();
                           longer[2] = 24;
                           longer.insert(longer.end(), {9, 9, 9, 9});
                           return Slave::RtuAnswer(longer);
                       }()),
                   status::ChecksumError,
                   {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RtuOverTcpTest, ALateAnswerIsNotTakenForTheNextOne) {
    // Without transaction IDs only the purge before sending keeps the answer
    // of a timed-out request from passing for the next one's.
    Slave::Frame late = Slave::RtuAnswer(ReadAnswer(0x77));
    late.delay = std::chrono::milliseconds(kShortTimeoutMs + 300);
    Slave slave({Slave::Reply(late), Slave::Reply(Slave::RtuAnswer(ReadAnswer()))}, 5000ms,
                Slave::Framing::Rtu);
    Connect(slave);

    EXPECT_EQ(Read(), status::Timeout);
    ASSERT_TRUE(slave.WaitForSteps(1, 5s));
    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(Head(response, kReadExpected), ReadAnswer()) << "the late answer was taken";
}

TEST_F(RtuOverTcpTest, ReconnectsAfterThePeerWentAway) {
    const Slave::Frame answer = Slave::RtuAnswer(ReadAnswer());
    Slave slave({Slave::Close(), Slave::Reply(answer), Slave::Reset(), Slave::Reply(answer)},
                5000ms, Slave::Framing::Rtu);
    Connect(slave);

    EXPECT_EQ(Read(), status::Timeout) << "closed before answering";
    EXPECT_EQ(Read(), status::Ok) << "reconnects before sending";
    EXPECT_EQ(Read(), status::ReadError) << "reset before answering";
    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(slave.Connections(), 3);
}

TEST_F(RtuOverTcpTest, BroadcastIsNotAnswered) {
    // Write register 1 = 0x1234 to everyone; a late stray byte is purged.
    Slave::Frame stray{{0x00}, Slave::Id::AsIs, {}, 0ms, 50ms};
    Slave slave({Slave::Reply(stray), Slave::Reply(Slave::RtuAnswer(ReadAnswer()))}, 5000ms,
                Slave::Framing::Rtu);
    Connect(slave);
    EXPECT_EQ(Read({0x00, 0x06, 0x00, 0x01, 0x12, 0x34}, 6), status::Ok);
    EXPECT_EQ(captures.responseLength, 0);
    ASSERT_TRUE(slave.WaitForSteps(1, 5s));
    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());
}

TEST_F(RtuOverTcpTest, RawFramesPassUnchanged) {
    // Written as typed (CRC included); the answer is captured whole, also
    // when it comes in pieces; silence is an empty answer.
    const Bytes raw = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
    Slave slave({Slave::Reply(Split(Slave::RtuAnswer(ReadAnswer()), {4, 10})), Slave::Silent()},
                5000ms, Slave::Framing::Rtu);
    Connect(slave);
    ASSERT_EQ(rtu.TransactRaw(raw.data(), raw.size(), captures), status::Ok);
    EXPECT_EQ(Head(captures.request, captures.requestLength), raw);
    EXPECT_EQ(Head(captures.response, captures.responseLength),
              Slave::RtuAnswer(ReadAnswer()).bytes);
    ASSERT_EQ(rtu.TransactRaw(raw.data(), raw.size(), captures), status::Ok);
    EXPECT_EQ(captures.responseLength, 0);
    ASSERT_EQ(slave.Requests().size(), 2u);
    EXPECT_EQ(slave.Requests()[0], raw);
}

}  // namespace
}  // namespace zentiq
