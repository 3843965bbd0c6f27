// The TCP line's send and receive against a scripted slave on 127.0.0.1:
// bytes already queued are read without a wait, an answer is taken in as few
// reads as it arrives in, and every wait still ends on a stop or a close.
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/line_cancel.h"
#include "engine/serial_transport.h"
#include "engine/tcp_transport.h"
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
// Far longer than any test may take: only a stop ends such a wait.
constexpr std::uint32_t kLongTimeoutMs = 60000;
constexpr std::uint32_t kConnectTimeoutMs = 2000;

Slave::Frame Pieces(Slave::Frame frame, std::vector<std::size_t> segments, Slave::Ms pause) {
    frame.segments = std::move(segments);
    frame.pause = pause;
    return frame;
}

// Waits (bounded) until the slave has received `count` requests.
bool RequestsArrived(const Slave& slave, std::size_t count) {
    for (int i = 0; i < 1000 && slave.Requests().size() < count; ++i)
        std::this_thread::sleep_for(10ms);
    return slave.Requests().size() >= count;
}

// One transaction of a case: what it must give, and how many script steps
// the slave must have carried out before it starts (0: no wait).
struct Poll {
    EngineStatus status;
    int stepsBefore = 0;
};

struct PiecesCase {
    const char* name;
    std::vector<Slave::Step> script;
    std::vector<Poll> polls;
    int connections;  // at the end
};

// Modbus/TCP: every poll after the listed ones reads the right values.
TEST(TcpLineReading, AnswersThatComeInPiecesOrWithStrayBytes) {
    const Slave::Frame answer = Slave::Answer(ReadAnswer());
    Slave::Frame late = Slave::Answer(ReadAnswer(0x77));
    late.delay = Slave::Ms{kShortTimeoutMs + 200};
    Slave::Frame cut = answer;
    cut.bytes.resize(8);
    Slave::Frame stale = Slave::Answer(ReadAnswer(0x55), Slave::Id::Stale);
    Slave::Frame afterStale = answer;
    afterStale.delay = 60ms;

    const PiecesCase cases[] = {
        // Queued before the next request goes out: read at once, skipped by its ID.
        {"late answer queued before the send",
         {Slave::Reply(late), Slave::Reply(answer)},
         {{status::Timeout}, {status::Ok, 1}},
         1},
        {"stale answer, the right one in a later segment",
         {Slave::Reply({stale, afterStale})},
         {{status::Ok}},
         1},
        // The most pieces a Modbus/TCP answer may come in.
        {"four pieces, the header split",
         {Slave::Reply(Pieces(answer, {1, 4, 3}, 30ms))},
         {{status::Ok}},
         1},
        {"peer closes in the middle of the answer",
         {{Slave::Action::Reply, {cut}, Slave::Ms{0}, true}, Slave::Reply(answer)},
         {{status::BytesMissing}, {status::Ok}},
         2},
        {"answer and the slave's close in one go, then a new connection",
         {Slave::ReplyThenClose(answer), Slave::Reply(answer)},
         {{status::Ok}, {status::Ok, 1}},
         2},
    };
    for (const PiecesCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Slave::Step> script = c.script;
        script.push_back(Slave::Reply(answer));
        Slave slave(script, 5000ms);
        ASSERT_TRUE(slave.Listening());
        TcpTransport transport;
        ASSERT_EQ(transport.Open("127.0.0.1", slave.Port(), kShortTimeoutMs, kConnectTimeoutMs), 0);
        Captures captures;
        std::uint8_t response[kResponseBufferSize];
        const auto read = [&] {
            std::uint8_t request[kRequestBufferSize] = {};
            std::memcpy(request, kReadRequest.data(), kReadRequest.size());
            std::memset(response, 0xEE, sizeof response);
            return transport.Transact(request, kReadRequest.size(), response, kReadExpected,
                                      captures);
        };
        for (const Poll& poll : c.polls) {
            if (poll.stepsBefore > 0) {
                ASSERT_TRUE(slave.WaitForSteps(poll.stepsBefore, 5s));
            }
            EXPECT_EQ(read(), poll.status);
            if (poll.status == status::Ok) {
                EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());
            }
        }
        EXPECT_EQ(read(), status::Ok) << "the poll after the case";
        EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());
        EXPECT_EQ(slave.Connections(), c.connections);
    }
}

// RTU over TCP: the purge before each request also notices a connection the
// gateway closed while idle, so that the request goes out on a new one.
TEST(TcpLineReading, RtuPurgeNoticesAConnectionClosedWhileIdle) {
    const Slave::Frame answer = Slave::RtuAnswer(ReadAnswer());
    Slave slave({Slave::ReplyThenClose(answer), Slave::Reply(answer), Slave::Reply(answer)}, 5000ms,
                Slave::Framing::Rtu);
    ASSERT_TRUE(slave.Listening());
    TcpLine line;
    ASSERT_EQ(line.Open("127.0.0.1", slave.Port(), kShortTimeoutMs, kConnectTimeoutMs), 0);
    RtuTransport rtu{line};
    Captures captures;
    std::uint8_t response[kResponseBufferSize];
    for (int poll = 0; poll < 3; ++poll) {
        SCOPED_TRACE(poll);
        if (poll == 1) {
            ASSERT_TRUE(slave.WaitForSteps(1, 5s));
        }
        std::uint8_t request[kRequestBufferSize] = {};
        std::memcpy(request, kReadRequest.data(), kReadRequest.size());
        ASSERT_EQ(rtu.Transact(request, kReadRequest.size(), response, kReadExpected, captures),
                  status::Ok);
        EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());
    }
    EXPECT_EQ(slave.Connections(), 2);
}

struct CancelCase {
    const char* name;
    Slave::Step step;
    EngineStatus status;  // what the cut transaction gives
    bool rtu;
};

// A stop raised while the line waits ends the wait at once, whatever it
// waits for and however long the response timeout is.
TEST(TcpLineCancel, StopEndsEveryWait) {
    // The first segment comes at once; the rest would come long after the test.
    const Slave::Frame halfMbap = Pieces(Slave::Answer(ReadAnswer()), {7}, 60s);
    const Slave::Frame halfRtu = Pieces(Slave::RtuAnswer(ReadAnswer()), {7}, 60s);
    const CancelCase cases[] = {
        {"Modbus/TCP, no answer yet", Slave::Silent(), status::Timeout, false},
        {"Modbus/TCP, the rest of the answer", Slave::Reply(halfMbap), status::BytesMissing, false},
        {"RTU over TCP, no answer yet", Slave::Silent(), status::Timeout, true},
        {"RTU over TCP, the rest of the answer", Slave::Reply(halfRtu), status::BytesMissing, true},
    };
    for (const CancelCase& c : cases) {
        SCOPED_TRACE(c.name);
        Slave slave({c.step}, 5000ms, c.rtu ? Slave::Framing::Rtu : Slave::Framing::Mbap);
        ASSERT_TRUE(slave.Listening());
        LineCancel cancel;
        TcpTransport mbap;
        TcpLine& line = mbap.Line();
        RtuTransport rtu{line};
        line.SetCancel(&cancel);
        ASSERT_EQ(line.Open("127.0.0.1", slave.Port(), kLongTimeoutMs, kConnectTimeoutMs), 0);
        std::thread stopper([&] {
            // Once the request is there, give the first segment time to be read.
            if (RequestsArrived(slave, 1))
                std::this_thread::sleep_for(300ms);
            cancel.Raise();
        });
        std::uint8_t request[kRequestBufferSize] = {};
        std::memcpy(request, kReadRequest.data(), kReadRequest.size());
        std::uint8_t response[kResponseBufferSize];
        Captures captures;
        Transport& transport = c.rtu ? static_cast<Transport&>(rtu) : mbap;
        const EngineStatus status =
            transport.Transact(request, kReadRequest.size(), response, kReadExpected, captures);
        stopper.join();
        EXPECT_TRUE(cancel.CutShort());
        EXPECT_EQ(status, c.status);
    }
}

// A request is not even sent once the stop is raised; after the stop the
// line works again, and the slave never saw the cut request.
TEST(TcpLineCancel, NothingGoesOutAfterTheStop) {
    Slave slave({Slave::Reply(Slave::Answer(ReadAnswer()))}, 5000ms);
    ASSERT_TRUE(slave.Listening());
    LineCancel cancel;
    TcpTransport transport;
    transport.Line().SetCancel(&cancel);
    ASSERT_EQ(transport.Open("127.0.0.1", slave.Port(), kShortTimeoutMs, kConnectTimeoutMs), 0);
    std::uint8_t response[kResponseBufferSize];
    Captures captures;
    const auto read = [&] {
        std::uint8_t request[kRequestBufferSize] = {};
        std::memcpy(request, kReadRequest.data(), kReadRequest.size());
        return transport.Transact(request, kReadRequest.size(), response, kReadExpected, captures);
    };

    cancel.Raise();
    EXPECT_EQ(read(), status::WriteError);
    EXPECT_TRUE(cancel.CutShort());
    cancel.Clear();
    EXPECT_EQ(read(), status::Ok);
    EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());
    const auto requests = slave.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(Head(requests[0].data(), 2), Bytes({0x00, 0x01})) << "the second request's ID";
}

}  // namespace
}  // namespace zentiq
