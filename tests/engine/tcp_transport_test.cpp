// The Modbus/TCP transport against a scripted slave on 127.0.0.1.
#include "engine/tcp_transport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using test::ScriptedTcpSlave;
using Bytes = std::vector<std::uint8_t>;
using Slave = ScriptedTcpSlave;
using namespace std::chrono_literals;

constexpr std::uint32_t kResponseTimeoutMs = 2000;
constexpr std::uint32_t kShortTimeoutMs = 300;
constexpr std::uint32_t kConnectTimeoutMs = 2000;

// Read 10 holding registers from unit 17 at address 0.
const Bytes kReadRequest = {0x11, 0x03, 0x00, 0x00, 0x00, 0x0A};
constexpr std::size_t kReadExpected = 3 + 2 * 10;

// Unit 17's answer to kReadRequest: registers 0x0100, 0x0101, ...
Bytes ReadAnswer(std::size_t registers = 10) {
    Bytes pdu = {0x11, 0x03, static_cast<std::uint8_t>(2 * registers)};
    for (std::size_t i = 0; i < registers; ++i) {
        pdu.push_back(static_cast<std::uint8_t>(1 + i / 256));
        pdu.push_back(static_cast<std::uint8_t>(i));
    }
    return pdu;
}

Bytes Head(const std::uint8_t* bytes, std::size_t n) { return Bytes(bytes, bytes + n); }

class TcpTransportTest : public ::testing::Test {
protected:
    // Connects to the slave (a fatal failure when that is impossible).
    void Connect(const Slave& slave, std::uint32_t responseTimeoutMs = kResponseTimeoutMs) {
        ASSERT_TRUE(slave.Listening());
        ASSERT_EQ(transport.Open("127.0.0.1", slave.Port(), responseTimeoutMs, kConnectTimeoutMs),
                  0)
            << "errno " << transport.LastError();
    }

    EngineStatus Read(const Bytes& request = kReadRequest, std::size_t expected = kReadExpected) {
        std::uint8_t buffer[kRequestBufferSize] = {};
        std::memcpy(buffer, request.data(), request.size());
        std::memset(response, 0xEE, sizeof response);
        return transport.Transact(buffer, request.size(), response, expected, captures);
    }

    TcpTransport transport;
    Captures captures;
    std::uint8_t response[kResponseBufferSize];
};

TEST_F(TcpTransportTest, FramesRequestsWithMbapHeaderAndCountsTransactions) {
    const Bytes answer = ReadAnswer();
    Slave slave({Slave::Reply(Slave::Answer(answer)), Slave::Reply(Slave::Answer(answer)),
                 Slave::Reply(Slave::Answer(answer)), Slave::Reply(Slave::Answer(answer))});
    Connect(slave);
    EXPECT_EQ(transport.TransactionCounter(), 0xFFFF);

    ASSERT_EQ(Read(), status::Ok);
    const Bytes golden = {0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x11, 0x03, 0x00, 0x00, 0x00, 0x0A};
    EXPECT_EQ(Head(captures.request, captures.requestLength), golden);
    EXPECT_EQ(Head(response, kReadExpected), answer);
    EXPECT_EQ(response[kReadExpected], 0xEE) << "wrote past the expected length";
    Bytes answerFrame = Slave::Answer(answer).bytes;  // ID 0 as well
    EXPECT_EQ(Head(captures.response, captures.responseLength), answerFrame);

    ASSERT_EQ(Read(), status::Ok);
    EXPECT_EQ(captures.request[0], 0x00);
    EXPECT_EQ(captures.request[1], 0x01);

    transport.SetTransactionCounter(0xFFFE);
    ASSERT_EQ(Read(), status::Ok);
    ASSERT_EQ(Read(), status::Ok);
    const auto requests = slave.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0], golden);
    EXPECT_EQ(requests[2][0], 0xFF);
    EXPECT_EQ(requests[2][1], 0xFF);
    EXPECT_EQ(requests[3][0], 0x00) << "the counter wraps from 0xFFFF to 0";
    EXPECT_EQ(requests[3][1], 0x00);
}

TEST_F(TcpTransportTest, ReassemblesAnswersSplitIntoSegments) {
    Slave::Frame headerPlusOne = Slave::Answer(ReadAnswer());
    headerPlusOne.segments = {7};
    Slave::Frame threeParts = Slave::Answer(ReadAnswer());
    threeParts.segments = {3, 9};
    // 127 registers: the MBAP length (257) no longer fits in its low byte.
    Slave::Frame large = Slave::Answer(ReadAnswer(127));
    large.segments = {7, 100};
    Slave slave({Slave::Reply(headerPlusOne), Slave::Reply(threeParts), Slave::Reply(large)});
    Connect(slave);

    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());
    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());

    const Bytes read127 = {0x11, 0x03, 0x00, 0x00, 0x00, 0x7F};
    EXPECT_EQ(Read(read127, 3 + 2 * 127), status::Ok);
    EXPECT_EQ(Head(response, 3 + 2 * 127), ReadAnswer(127));
    EXPECT_EQ(captures.responseLength, 6 + 3 + 2 * 127);
}

TEST_F(TcpTransportTest, SkipsAnswersWithAnOlderTransactionId) {
    Slave::Frame stale = Slave::Answer(ReadAnswer(), Slave::Id::Stale);
    stale.bytes[9] = 0x77;  // tell the two apart
    // Stale and current frame in one write: both arrive in one read.
    Bytes both = stale.bytes;
    const Bytes current = Slave::Answer(ReadAnswer()).bytes;
    both.insert(both.end(), current.begin(), current.end());
    both[0] = 0x12, both[1] = 0x33;
    both[stale.bytes.size()] = 0x12, both[stale.bytes.size() + 1] = 0x34;
    Slave::Frame burst{both, Slave::Id::AsIs, {}, 0ms};

    Slave::Frame fifth = Slave::Answer(ReadAnswer(), Slave::Id::Stale);
    fifth.bytes[9] = 0x55;
    Slave slave({Slave::Reply({stale, Slave::Answer(ReadAnswer())}), Slave::Reply(burst),
                 Slave::Reply(stale), Slave::Reply({stale, stale, stale, stale, fifth})});
    Connect(slave, kShortTimeoutMs);

    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());

    transport.SetTransactionCounter(0x1233);
    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());
    EXPECT_EQ(Head(captures.response, captures.responseLength),
              Bytes(both.begin() + static_cast<long>(stale.bytes.size()), both.end()));

    EXPECT_EQ(Read(), status::TransactionIdError) << "a stale answer and then silence";
    EXPECT_EQ(Head(captures.response, 2), Bytes({0x12, 0x34}));  // the stale one, as received

    // Five stale answers: the transport stops asking and takes the fifth.
    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(response[3], 0x55);
}

TEST_F(TcpTransportTest, EvaluatesTheAnswer) {
    Slave::Frame shortAnswer = Slave::Answer({0x11, 0x03, 0x14, 0x00, 0x01, 0x00, 0x02});
    Slave::Frame headerOnly = Slave::Answer(ReadAnswer());
    headerOnly.bytes.resize(5);
    Slave::Frame exactly0x80 = Slave::Answer({0x11, 0x80, 0x02});
    Slave slave({Slave::Reply(Slave::Answer({0x11, 0x83, 0x02})), Slave::Reply(shortAnswer),
                 Slave::Reply(headerOnly), Slave::Silent(), Slave::Reply(exactly0x80)},
                2000ms);
    Connect(slave, kShortTimeoutMs);

    EXPECT_EQ(Read(), status::ExceptionBase + 2);
    EXPECT_EQ(Read(), status::BytesMissing);
    EXPECT_EQ(Head(response, 7), Bytes({0x11, 0x03, 0x14, 0x00, 0x01, 0x00, 0x02}));
    EXPECT_EQ(response[7], 0x00) << "the missing part is cleared";
    EXPECT_EQ(Read(), status::BytesMissing);
    EXPECT_EQ(Read(), status::Timeout);
    EXPECT_EQ(captures.responseLength, 0);
    EXPECT_EQ(captures.requestLength, 12);
    EXPECT_EQ(Read(), status::BytesMissing) << "0x80 is no exception";
}

TEST_F(TcpTransportTest, HostileLengthStaysInsideTheBuffers) {
    // Announces 65535 bytes and sends 600: more than any buffer holds.
    Bytes flood = {0, 0, 0, 0, 0xFF, 0xFF};
    for (int i = 0; i < 600; ++i)
        flood.push_back(static_cast<std::uint8_t>(0x11 + i));
    Slave::Frame hostile{flood, Slave::Id::Request, {}, 0ms};
    Slave::Frame hostileRaw{flood, Slave::Id::AsIs, {}, 0ms};
    Slave slave({Slave::Reply(hostile), Slave::Reply(hostileRaw)});
    Connect(slave, kShortTimeoutMs);

    // No answer announces that much: the stream is out of step.
    EXPECT_EQ(Read(), status::ResponseError);
    EXPECT_EQ(response[kReadExpected], 0xEE);
    EXPECT_LE(captures.responseLength, kResponseCaptureSize);
    EXPECT_EQ(Head(response, 3), Bytes({0, 0, 0})) << "nothing of the flood is taken as values";

    // A fresh connection, so that the rest of the flood is not read as the answer.
    transport.Close();
    Connect(slave, kShortTimeoutMs);
    const Bytes raw = {0x00, 0x05, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x00, 0x00, 0x01};
    ASSERT_EQ(transport.TransactRaw(raw.data(), raw.size(), captures), status::Ok);
    EXPECT_EQ(captures.responseLength, kResponseCaptureSize);
    EXPECT_EQ(Head(captures.response, 8), Head(flood.data(), 8));
}

// A stream out of step (junk, an impossible length, a frame that never comes
// whole) fails one poll; the transport then connects afresh and the next poll
// is clean, where the junk used to be read as answers for many polls.
TEST_F(TcpTransportTest, OutOfStepStreamFailsOnePollAndTheNextIsClean) {
    const Slave::Frame answer = Slave::Answer(ReadAnswer());
    Bytes junk(64 * 1024);
    // Any two of its bytes make an impossible length, wherever a read cuts it.
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<std::uint8_t>((i * 37 + 11) | 0x10);
    Slave::Frame impossible = Slave::Answer(ReadAnswer());
    impossible.bytes[4] = 0x04, impossible.bytes[5] = 0x00;  // 1024 bytes follow, it says
    Slave::Frame tooShortLength = Slave::Answer(ReadAnswer());
    tooShortLength.bytes[4] = 0, tooShortLength.bytes[5] = 1;  // not even a function code
    // The rest of the frame comes only after the response timeout, when the
    // next poll would take it for the start of its answer.
    constexpr std::uint32_t kTimeoutMs = 1000;
    Slave::Frame late = answer;
    late.segments = {10};
    late.pause = 1500ms;  // after the first poll's timeout, well before the second one's

    struct Case {
        const char* name;
        std::vector<Slave::Frame> fault;  // the answer to the first poll
        std::vector<EngineStatus> statuses;
    };
    const Case cases[] = {
        {"junk after an answer",
         {answer, {junk, Slave::Id::AsIs, {}, 0ms}},
         {status::Ok, status::ResponseError}},
        {"impossible length", {impossible}, {status::ResponseError}},
        {"length below a PDU", {tooShortLength}, {status::ResponseError}},
        {"frame cut short", {late}, {status::BytesMissing}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Slave::Step> script = {Slave::Reply(c.fault)};
        for (std::size_t i = 0; i < c.statuses.size() + 1; ++i)
            script.push_back(Slave::Reply(answer));
        Slave slave(script, 5000ms);
        Connect(slave, kTimeoutMs);
        for (const EngineStatus expected : c.statuses)
            EXPECT_EQ(Read(), expected);
        EXPECT_EQ(Read(), status::Ok) << "the poll after the fault";
        EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());
        EXPECT_EQ(slave.Connections(), 2) << "one new connection, at the next poll";
        transport.Close();
    }
}

TEST_F(TcpTransportTest, RawFrameIsSentUnchangedAndTheAnswerCaptured) {
    const Bytes raw = {0xAB, 0xCD, 0x00, 0x00, 0x00, 0x06, 0x01, 0x06, 0x00, 0x10, 0x12, 0x34};
    Slave::Frame echo{raw, Slave::Id::AsIs, {8}, 20ms};
    Slave slave({Slave::Reply(echo), Slave::Silent()}, 2000ms);
    Connect(slave, kShortTimeoutMs);

    ASSERT_EQ(transport.TransactRaw(raw.data(), raw.size(), captures), status::Ok);
    EXPECT_EQ(Head(captures.request, captures.requestLength), raw);
    EXPECT_EQ(Head(captures.response, captures.responseLength), raw);
    EXPECT_EQ(transport.TransactionCounter(), 0xFFFF) << "a raw frame carries its own ID";

    EXPECT_EQ(transport.TransactRaw(raw.data(), raw.size(), captures), status::Ok);
    EXPECT_EQ(captures.responseLength, 0) << "silence is an empty answer";
    const auto requests = slave.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], raw);
}

TEST_F(TcpTransportTest, RecoversWhenThePeerClosesOrResets) {
    const Slave::Frame answer = Slave::Answer(ReadAnswer());
    Slave slave({Slave::Close(), Slave::Reply(answer), Slave::Reset(), Slave::Reply(answer),
                 Slave::ReplyThenClose(answer), Slave::Reply(answer)});
    Connect(slave, kShortTimeoutMs);

    EXPECT_EQ(Read(), status::ConnectionClosed) << "closed before answering";
    EXPECT_EQ(Read(), status::Ok) << "reconnects before sending";
    EXPECT_EQ(Read(), status::ReadError) << "reset before answering";
    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(Read(), status::Ok);
    ASSERT_TRUE(slave.WaitForSteps(5, 5s));
    EXPECT_EQ(Read(), status::Ok) << "closed while idle";
    EXPECT_TRUE(transport.IsConnected());
    EXPECT_EQ(slave.Connections(), 4);
}

TEST_F(TcpTransportTest, KeepsPollingUntilTheSlaveListensAgain) {
    const Slave::Frame answer = Slave::Answer(ReadAnswer());
    Slave slave({Slave::Reply(answer), Slave::Relisten(300ms), Slave::Reply(answer)});
    Connect(slave, kShortTimeoutMs);

    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(Read(), status::ConnectionClosed) << "the slave went away while answering";
    EXPECT_EQ(Read(), status::WriteError) << "nobody listens: the reconnect fails";
    EXPECT_TRUE(transport.IsConnected()) << "the connected flag stays set";
    ASSERT_TRUE(slave.WaitForListens(2, 5s));
    EXPECT_EQ(Read(), status::Ok);
    EXPECT_EQ(Head(response, kReadExpected), ReadAnswer());
}

TEST_F(TcpTransportTest, NothingGoesOutWithoutAConnection) {
    std::uint8_t request[kRequestBufferSize] = {0x11, 0x03, 0, 0, 0, 1};
    captures.requestLength = captures.responseLength = 9;
    EXPECT_EQ(transport.Transact(request, 6, response, 5, captures), status::NoConnection);
    EXPECT_EQ(captures.requestLength, 0);
    EXPECT_EQ(captures.responseLength, 0);
    EXPECT_EQ(transport.TransactRaw(request, 6, captures), status::NoConnection);
    EXPECT_EQ(transport.TransactionCounter(), 0x0000) << "counted even without a connection";

    Slave slave({Slave::Reply(Slave::Answer(ReadAnswer()))});
    Connect(slave);
    transport.Close();
    EXPECT_FALSE(transport.IsConnected());
    EXPECT_EQ(Read(), status::NoConnection);
}

TEST(TcpConnect, RejectsAddressesThatAreNotDottedIpv4) {
    TcpTransport transport;
    for (const char* text : {"1.2.3", "256.1.1.1", "abc", "", "127.0.0.1 ", "::1"}) {
        EXPECT_EQ(transport.Open(text, 502, 1000, 5000), status::InvalidIpAddress) << text;
        EXPECT_FALSE(transport.IsConnected());
    }
    EXPECT_EQ(transport.Open(nullptr, 502, 1000, 5000), status::InvalidIpAddress);
}

// A port on 127.0.0.1 with nothing listening.
std::uint16_t ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);  // bound but never listening: connects are refused
    return ntohs(address.sin_port);
}

TEST(TcpConnect, RefusedConnectionReportsTheError) {
    TcpTransport transport;
    EXPECT_EQ(transport.Open("127.0.0.1", ClosedPort(), 1000, 2000), status::ConnectError);
    EXPECT_EQ(transport.LastError(), ECONNREFUSED);
    EXPECT_FALSE(transport.IsConnected());
}

// A listener whose accept queue is full and never drained: the kernel drops
// further SYNs, so a connect stays pending as if the host did not answer.
class FullListener {
public:
    FullListener() {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(m_listener, 0) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        // Fill the queue until a connect no longer completes.
        for (int i = 0; i < 8; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            m_fillers.push_back(fd);
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 200) == 0) {
                m_port = ntohs(address.sin_port);
                return;
            }
        }
    }
    ~FullListener() {
        for (int fd : m_fillers)
            ::close(fd);
        ::close(m_listener);
    }
    std::uint16_t Port() const { return m_port; }  // 0: the queue could not be filled

private:
    int m_listener = -1;
    std::vector<int> m_fillers;
    std::uint16_t m_port = 0;
};

TEST(TcpConnect, ConnectThatNeverCompletesTimesOut) {
    FullListener listener;
    ASSERT_NE(listener.Port(), 0) << "the kernel completed every loopback connect";
    TcpTransport transport;
    EXPECT_EQ(transport.Open("127.0.0.1", listener.Port(), 1000, 300), status::ConnectTimeout);
    EXPECT_EQ(transport.LastError(), ETIMEDOUT);
    EXPECT_FALSE(transport.IsConnected());
}

TEST(TcpAdopted, PeerGoneOverSocketPairFailsWithoutSignal) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    TcpTransport transport;
    transport.AdoptConnectedSocket(fds[0], 200);
    ASSERT_TRUE(transport.IsConnected());
    Captures captures;
    std::uint8_t request[kRequestBufferSize] = {0x01, 0x06, 0x00, 0x01, 0x00, 0x02};
    std::uint8_t response[kResponseBufferSize];

    const Bytes answer = {0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x01, 0x06, 0x00, 0x01, 0x00, 0x02};
    ASSERT_EQ(::write(fds[1], answer.data(), answer.size()), 12);
    EXPECT_EQ(transport.Transact(request, 6, response, 6, captures), status::Ok);

    ::close(fds[1]);
    // No address to reconnect to: the send fails, the process lives on.
    EXPECT_EQ(transport.Transact(request, 6, response, 6, captures), status::WriteError);
    EXPECT_EQ(transport.Transact(request, 6, response, 6, captures), status::WriteError);
    EXPECT_TRUE(transport.IsConnected());
}

}  // namespace
}  // namespace zentiq
