// Serial faults through the public engine API: the engine opens "Port 1" on
// a pty, a scripted slave on the other end answers (or not), and the results
// come back as the GUI would see them: posted statuses, slot status,
// captures, values, error flags.
//
// The serial settings are the ones the connection command makes for 9600 baud
// (read interval 240 ms, or 1000 ms in ASCII; multiplier 2; write constant
// 200) with a response timeout of 500 ms, and the default line: 8 data bits,
// even parity, one stop bit.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "support/post_recorder.h"
#include "support/pty_pair.h"
#include "support/scripted_serial_slave.h"
#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using test::PtyPair;
using test::ScriptedSerialSlave;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr WindowHandle kWindow = 0x5E71;
constexpr std::uint32_t kResponseTimeout = 500;
constexpr auto kScriptTime = milliseconds(10000);

// The 25-byte answer of slave 1 to "read 10 holding registers from 0" with
// the values 1..10.
Bytes TenRegisters(std::uint8_t slave = 1) {
    Bytes frame{slave, 0x03, 20};
    for (std::uint8_t v = 1; v <= 10; ++v) {
        frame.push_back(0);
        frame.push_back(v);
    }
    return frame;
}

const Bytes kRtuRequest{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
const std::string kAsciiRequest = ":01030000000AF2\r\n";

class SerialFaultsTest : public ::testing::Test {
protected:
    // The line under test: its own, shared with no other test.
    ModbusLine line;
    void SetUp() override {
        ASSERT_TRUE(pty.ok()) << pty.error();
        line.InitEngine();
        line.SetPollDelay(1);
        line.SetHandshakeFlags(0);
        line.SetEchoRemoval(0);
        ASSERT_EQ(line.SetSerialDevice(1, pty.slavePath().c_str()), 1);
    }
    void TearDown() override {
        line.StopPolling();
        line.CloseSerialPort();
        line.SetEchoRemoval(0);
        line.SetTransmissionMode(RTU);
        line.InitEngine();
    }

    // What the connection command does after a successful open.
    void Connect(int mode) {
        ASSERT_EQ(line.OpenSerialPort(1, 9600, 8, 2, 0), 0)
            << "errno " << line.LastSerialOpenErrno();
        const std::uint32_t interval = mode == ASCII ? 1000 : 240;
        ASSERT_EQ(line.SetSerialTimeouts(interval, 2, kResponseTimeout, 2, 200), 1);
        ASSERT_EQ(line.SetTransmissionMode(mode), 1);
    }

    // One request through slot 0, as a write dialog sends it; the status that
    // was posted to the window (-1 when nothing was posted in time).
    int OneShot(std::uint16_t slave, std::uint16_t function, std::uint16_t readAddress,
                std::uint16_t readQuantity, std::uint16_t writeAddress = 0,
                std::uint16_t writeQuantity = 0, const std::vector<std::uint16_t>& values = {}) {
        recorder.Clear();
        if (!line.SubmitOneShot(kWindow, WM_POLL_RESULT, slave, function, readAddress, readQuantity,
                                writeAddress, writeQuantity)) {
            ADD_FAILURE() << "SubmitOneShot refused";
            return -1;
        }
        if (!values.empty() &&
            !line.SetWriteRegisters(0, static_cast<int>(values.size()), values.data())) {
            ADD_FAILURE() << "SetWriteRegisters refused";
            return -1;
        }
        return RunUntilPosted(0);
    }

    // Starts the worker, waits for the slot's result, stops the worker.
    int RunUntilPosted(int slot) {
        const auto start = Clock::now();
        EXPECT_EQ(line.StartPolling(), 1);
        const bool posted = recorder.WaitFor(kWindow, WM_POLL_RESULT, 1, milliseconds(10000));
        elapsedMs = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
        line.StopPolling();
        if (!posted) {
            ADD_FAILURE() << "no result was posted";
            return -1;
        }
        for (const auto& post : recorder.Posts()) {
            if (post.window == kWindow && post.message == WM_POLL_RESULT) {
                EXPECT_EQ(post.lParam, slot);
                EXPECT_EQ(line.GetSlotStatus(slot), static_cast<int>(post.wParam));
                return static_cast<int>(post.wParam);
            }
        }
        return -1;
    }

    // Read 10 holding registers from address 0 of slave 1.
    int ReadTen() { return OneShot(1, 3, 0, 10); }

    Bytes RequestCapture(int slot = 0) {
        std::uint8_t buffer[kRequestCaptureSize] = {};
        const int n = line.GetRequestCapture(slot, buffer);
        return Bytes(buffer, buffer + std::max(n, 0));
    }
    Bytes ResponseCapture(int slot = 0) {
        std::uint8_t buffer[kResponseCaptureSize] = {};
        const int n = line.GetResponseCapture(slot, buffer);
        return Bytes(buffer, buffer + std::max(n, 0));
    }

    PtyPair pty;  // outlives the slaves, which run on its master
    testing::PostRecorder recorder{line};
    long long elapsedMs = 0;
};

// ---- RTU ---------------------------------------------------------------------

TEST_F(SerialFaultsTest, RtuPollGoesOutWithItsCrcAndBringsTheValues) {
    ScriptedSerialSlave slave(
        pty, {ScriptedSerialSlave::Reply(ScriptedSerialSlave::Rtu(TenRegisters()), 8)},
        kScriptTime);
    Connect(RTU);
    const int slot = line.RegisterPollSlot(kWindow, WM_POLL_RESULT, 1000, 1, 3, 0, 10, 0, 0);
    ASSERT_GE(slot, 1);
    ASSERT_EQ(line.SetPollMode(slot, Once), 1);
    ASSERT_EQ(RunUntilPosted(slot), status::Ok);

    EXPECT_EQ(RequestCapture(slot), kRtuRequest);
    ASSERT_EQ(slave.Requests().size(), 1u);
    EXPECT_EQ(slave.Requests()[0], kRtuRequest);  // what really went over the line
    EXPECT_EQ(ResponseCapture(slot), ScriptedSerialSlave::Rtu(TenRegisters()));
    std::uint16_t values[kDataSize / 2] = {};
    EXPECT_EQ(line.ReadRegisters(slot, values), status::Ok);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(values[i], i + 1) << "register " << i;
    std::uint32_t tx = 0, ok = 0;
    ASSERT_EQ(line.GetSlotCounters(slot, &tx, &ok), 1);
    EXPECT_EQ(tx, 1u);
    EXPECT_EQ(ok, 1u);
    line.ReleasePollSlot(slot);
}

TEST_F(SerialFaultsTest, AnswerInPiecesWithinTheIntervalIsWhole) {
    auto step = ScriptedSerialSlave::Reply(ScriptedSerialSlave::Rtu(TenRegisters()), 8);
    step.pieces = {3, 10};
    step.piecePause = milliseconds(60);  // well inside the 240 ms interval
    ScriptedSerialSlave slave(pty, {step}, kScriptTime);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::Ok);
    EXPECT_EQ(ResponseCapture().size(), 25u);
}

// Answers that do not come as one clean frame of the expected length. Each
// case polls twice; the second answer is always clean, so bytes of the
// first one left on the line would spoil it.
TEST_F(SerialFaultsTest, AnswersInOddShapesAndTheNextPoll) {
    const Bytes whole = ScriptedSerialSlave::Rtu(TenRegisters());
    const Bytes exception{0x01, 0x83, 0x02, 0xC0, 0xF1};
    Bytes withGarbage = whole;
    withGarbage.insert(withGarbage.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    struct Case {
        const char* what;
        Bytes answer;
        std::vector<std::size_t> pieces;
        int status;
        std::size_t captured;
    } cases[] = {
        {"byte by byte at first", whole, {1, 1, 1, 1}, status::Ok, 25},
        {"exception in two pieces", exception, {2}, status::ExceptionBase + 2, 5},
        {"exception cut after its code",
         Bytes(exception.begin(), exception.begin() + 3),
         {1},
         status::BytesMissing,
         3},
        {"longer than expected", withGarbage, {}, status::Ok, 25},
        {"noise, short", Bytes(7, 0x55), {3}, status::BytesMissing, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto first = ScriptedSerialSlave::Reply(c.answer, 8);
        first.pieces = c.pieces;
        first.piecePause = milliseconds(40);  // well inside the 240 ms interval
        ScriptedSerialSlave slave(pty, {first, ScriptedSerialSlave::Reply(whole, 8)}, kScriptTime);
        Connect(RTU);
        EXPECT_EQ(ReadTen(), c.status);
        EXPECT_EQ(ResponseCapture().size(), c.captured);
        ASSERT_TRUE(slave.WaitForSteps(1, kScriptTime));
        EXPECT_EQ(ReadTen(), status::Ok);
        EXPECT_EQ(ResponseCapture(), whole);
        line.CloseSerialPort();
    }
}

TEST_F(SerialFaultsTest, SilenceIsATimeout) {
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Silent(8)}, kScriptTime);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::Timeout);
    // Not before multiplier x 27 + 500 ms.
    EXPECT_GE(elapsedMs, kResponseTimeout);
    EXPECT_EQ(RequestCapture(), kRtuRequest);
    EXPECT_TRUE(ResponseCapture().empty());
    EXPECT_EQ(line.GetReadErrorFlags(), 0u);
}

TEST_F(SerialFaultsTest, AnswerAfterTheTimeoutIsATimeout) {
    auto step = ScriptedSerialSlave::Reply(ScriptedSerialSlave::Rtu(TenRegisters()), 8);
    step.delay = milliseconds(1500);  // total limit: 2 x 27 + 500 = 554 ms
    ScriptedSerialSlave slave(pty, {step}, kScriptTime);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::Timeout);
}

TEST_F(SerialFaultsTest, CorruptCrcIsAChecksumError) {
    Bytes answer = ScriptedSerialSlave::Rtu(TenRegisters());
    answer.back() ^= 0x01;
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Reply(answer, 8)}, kScriptTime);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::ChecksumError);
    EXPECT_EQ(ResponseCapture(), answer);
}

TEST_F(SerialFaultsTest, CorruptDataByteIsAChecksumError) {
    Bytes answer = ScriptedSerialSlave::Rtu(TenRegisters());
    answer[10] ^= 0x40;
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Reply(answer, 8)}, kScriptTime);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::ChecksumError);
}

TEST_F(SerialFaultsTest, WrongSlaveIdIsAResponseError) {
    ScriptedSerialSlave slave(
        pty, {ScriptedSerialSlave::Reply(ScriptedSerialSlave::Rtu(TenRegisters(2)), 8)},
        kScriptTime);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::ResponseError);
}

TEST_F(SerialFaultsTest, ShortFrameWithValidCrcIsBytesMissing) {
    const Bytes answer = ScriptedSerialSlave::Rtu({0x01, 0x03, 0x02, 0x00, 0x01});  // 7 bytes
    ASSERT_EQ(answer.size(), 7u);
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Reply(answer, 8)}, kScriptTime);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::BytesMissing);
    EXPECT_EQ(ResponseCapture(), answer);
}

TEST_F(SerialFaultsTest, ExceptionResponseGivesItsCode) {
    const Bytes answer{0x01, 0x83, 0x02, 0xC0, 0xF1};
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Reply(answer, 8)}, kScriptTime);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::ExceptionBase + 2);  // 130
    EXPECT_EQ(ResponseCapture(), answer);
}

TEST_F(SerialFaultsTest, ExceptionResponseWithBadCrcIsAChecksumError) {
    const Bytes answer{0x01, 0x83, 0x02, 0xC0, 0xF2};
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Reply(answer, 8)}, kScriptTime);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::ChecksumError);
}

TEST_F(SerialFaultsTest, FunctionByteExactly0x80IsNoException) {
    // Only a function byte above 0x80 marks an exception: this short frame
    // with a valid CRC is just too short.
    const Bytes answer = ScriptedSerialSlave::Rtu({0x01, 0x80, 0x02});
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Reply(answer, 8)}, kScriptTime);
    Connect(RTU);
    const int result = ReadTen();
    EXPECT_NE(result, status::ExceptionBase + 2);
    EXPECT_EQ(result, status::BytesMissing);
}

TEST_F(SerialFaultsTest, EchoRemovalOnAnEchoingLine) {
    ScriptedSerialSlave slave(
        pty, {ScriptedSerialSlave::EchoThenReply(ScriptedSerialSlave::Rtu(TenRegisters()), 8)},
        kScriptTime);
    line.SetEchoRemoval(1);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::Ok);
    EXPECT_EQ(RequestCapture(), kRtuRequest);
    EXPECT_EQ(ResponseCapture(), ScriptedSerialSlave::Rtu(TenRegisters()));
}

TEST_F(SerialFaultsTest, EchoingLineWithoutEchoRemovalFails) {
    // The echo is taken for the start of the answer: 8 echo bytes and 17 of
    // the answer make the 25 bytes read, whose CRC is wrong.
    ScriptedSerialSlave slave(
        pty, {ScriptedSerialSlave::EchoThenReply(ScriptedSerialSlave::Rtu(TenRegisters()), 8)},
        kScriptTime);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::ChecksumError);
    const Bytes got = ResponseCapture();
    ASSERT_GE(got.size(), 8u);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 8), kRtuRequest);
}

TEST_F(SerialFaultsTest, EchoRemovalOnANonEchoingLineEatsTheAnswer) {
    // The echo read consumes the first 8 bytes of the 25-byte answer; the 17
    // left are too few.
    ScriptedSerialSlave slave(
        pty, {ScriptedSerialSlave::Reply(ScriptedSerialSlave::Rtu(TenRegisters()), 8)},
        kScriptTime);
    line.SetEchoRemoval(1);
    Connect(RTU);
    EXPECT_EQ(ReadTen(), status::BytesMissing);
    EXPECT_EQ(ResponseCapture().size(), 17u);
}

TEST_F(SerialFaultsTest, EchoRemovalOnANonEchoingLineTimesOutOnAnEightByteAnswer) {
    // Write single register: the answer is as long as the request, so the
    // echo read takes all of it and nothing is left to read.
    const Bytes request = ScriptedSerialSlave::Rtu({0x01, 0x06, 0x00, 0x05, 0x12, 0x34});
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Reply(request, 8)}, kScriptTime);
    line.SetEchoRemoval(1);
    Connect(RTU);
    EXPECT_EQ(OneShot(1, 6, 0, 0, 5, 1, {0x1234}), status::Timeout);
    ASSERT_EQ(slave.Requests().size(), 1u);
    EXPECT_EQ(slave.Requests()[0], request);
}

TEST_F(SerialFaultsTest, BroadcastWriteReturnsAtOnceWithoutAnswer) {
    const Bytes request = ScriptedSerialSlave::Rtu({0x00, 0x06, 0x00, 0x01, 0x00, 0x07});
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Silent(8)}, kScriptTime);
    Connect(RTU);
    ASSERT_EQ(line.SetSerialTimeouts(240, 2, 5000, 2, 200), 1);  // a wait would be obvious
    EXPECT_EQ(OneShot(0, 6, 0, 0, 1, 1, {7}), status::Ok);
    EXPECT_LT(elapsedMs, 4000);  // no read: far from the 5 s timeout
    EXPECT_EQ(RequestCapture(), request);
    EXPECT_TRUE(ResponseCapture().empty());
    ASSERT_TRUE(slave.WaitForSteps(1, kScriptTime));
    EXPECT_EQ(slave.Requests()[0], request);
}

// Answers whose length only they announce (17, 43) end when they are whole:
// with no read interval and a 5 s time-out, waiting for silence after them
// would take the whole time-out. An exception to them too.
TEST_F(SerialFaultsTest, AnswersThatAnnounceTheirLengthEndWhenWhole) {
    struct Case {
        const char* name;
        std::uint16_t function, readAddress, readQuantity;
        std::size_t requestBytes;
        Bytes answer;
        EngineStatus status;
    };
    const Case cases[] = {
        {"17 report", 17, 0, 0, 4, {1, 0x11, 3, 0x2A, 0xFF, 0x07}, status::Ok},
        {"43 identity",
         43,
         1,
         0,
         7,
         {1, 0x2B, 0x0E, 1, 1, 0, 0, 2, 0, 3, 'A', 'c', 'm', 1, 2, 'Z', '1'},
         status::Ok},
        {"17 exception",
         17,
         0,
         0,
         4,
         {1, 0x91, 0x01},
         static_cast<EngineStatus>(status::ExceptionBase + 1)},
    };
    Connect(RTU);
    ASSERT_EQ(line.SetSerialTimeouts(0, 2, 5000, 2, 200), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSerialSlave slave(
            pty, {ScriptedSerialSlave::Reply(ScriptedSerialSlave::Rtu(c.answer), c.requestBytes)},
            kScriptTime);
        ASSERT_TRUE(line.SubmitOneShot(kWindow, WM_POLL_RESULT, 1, c.function, c.readAddress,
                                       c.readQuantity, 0, 0));
        const std::uint32_t ticket = line.OneShotTicket();
        recorder.Clear();
        EXPECT_EQ(RunUntilPosted(0), static_cast<int>(c.status));
        EXPECT_LT(elapsedMs, 4000) << "waited for the time-out";
        OneShotAnswer answer{};
        ASSERT_EQ(line.GetOneShotAnswer(ticket, &answer), 1);
        EXPECT_GT(answer.responseUs, 0u) << "a whole answer has its time";
        EXPECT_LT(answer.responseUs, 4000000u);
        EXPECT_EQ(ResponseCapture(), ScriptedSerialSlave::Rtu(c.answer));
    }
}

TEST_F(SerialFaultsTest, AdapterPulledDuringTheAnswerIsAReadError) {
    // The line goes away after the request: the read must fail (status 5,
    // I/O error) instead of waiting, and the next request cannot be written.
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::HangUp(8)}, kScriptTime);
    Connect(RTU);
    // A long response timeout: a hang-up taken for silence would show as 1.
    ASSERT_EQ(line.SetSerialTimeouts(240, 2, 5000, 2, 200), 1);
    EXPECT_EQ(ReadTen(), status::ReadError);
    EXPECT_LT(elapsedMs, 4000);
    EXPECT_NE(line.GetReadErrorFlags() & port_error::IoError, 0u);

    EXPECT_EQ(ReadTen(), status::WriteError);
    EXPECT_NE(line.GetWriteErrorFlags() & port_error::IoError, 0u);
}

// ---- frames nobody reads at once --------------------------------------------
//
// Nothing reads the other end until all requests are out, so a purge that
// threw away sent bytes (on a pty, the output purge empties what the other
// end has not read) would show as missing frames.

Bytes LineContents(PtyPair& pty, std::size_t expected) {
    Bytes all;
    for (int i = 0; i < 100 && all.size() < expected; ++i) {
        const Bytes chunk = pty.readFromPort(expected - all.size(), 100);
        all.insert(all.end(), chunk.begin(), chunk.end());
    }
    return all;
}

TEST_F(SerialFaultsTest, EveryRawFrameOfABurstLeavesWhole) {
    Connect(RTU);
    // Reads return at once: nobody answers the frames.
    ASSERT_EQ(line.SetSerialTimeouts(0xFFFFFFFFu, 0, 0, 2, 200), 1);
    ASSERT_EQ(line.StartPolling(), 1);
    Bytes sent;
    constexpr int kFrames = 120;
    for (int i = 0; i < kFrames; ++i) {
        // Lengths 1 to 40, and one frame longer than any Modbus request.
        Bytes frame(i == 60 ? 600 : 1 + i % 40);
        for (std::size_t k = 0; k < frame.size(); ++k)
            frame[k] = static_cast<std::uint8_t>(i * 7 + k);
        ASSERT_EQ(line.SubmitOneShot(kWindow, WM_POLL_RESULT, 0, 0, 0, 0, 0,
                                     static_cast<std::uint16_t>(frame.size())),
                  1)
            << "frame " << i;
        ASSERT_EQ(line.SetWriteBytes(0, static_cast<int>(frame.size()), frame.data()), 1);
        ASSERT_TRUE(recorder.WaitFor(kWindow, WM_POLL_RESULT, static_cast<std::size_t>(i + 1),
                                     milliseconds(10000)))
            << "frame " << i;
        sent.insert(sent.end(), frame.begin(), frame.end());
    }
    line.StopPolling();
    for (const auto& post : recorder.Posts())
        EXPECT_EQ(post.wParam, status::Ok);
    EXPECT_EQ(LineContents(pty, sent.size()), sent);
}

TEST_F(SerialFaultsTest, BroadcastFollowedAtOnceByAPollLeavesWhole) {
    Connect(RTU);
    ASSERT_EQ(line.SetSerialTimeouts(0xFFFFFFFFu, 0, 0, 2, 200), 1);
    // The poll is due as soon as the broadcast has gone: the worker serves it
    // in the very next cycle.
    const int poll = line.RegisterPollSlot(kWindow + 1, WM_POLL_RESULT, 0, 1, 3, 0, 10, 0, 0);
    ASSERT_GE(poll, 1);
    ASSERT_EQ(line.SetPollMode(poll, Once), 1);
    std::vector<std::uint16_t> values(100);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint16_t>(0x0101 * i);
    ASSERT_EQ(line.SubmitOneShot(kWindow, WM_POLL_RESULT, 0, 16, 0, 0, 200, 100), 1);
    ASSERT_EQ(line.SetWriteRegisters(0, 100, values.data()), 1);
    ASSERT_EQ(line.StartPolling(), 1);
    ASSERT_TRUE(recorder.WaitFor(kWindow + 1, WM_POLL_RESULT, 1, milliseconds(10000)));
    line.StopPolling();

    Bytes broadcast{0x00, 0x10, 0x00, 200, 0x00, 100, 200};
    for (std::uint16_t v : values) {
        broadcast.push_back(static_cast<std::uint8_t>(v >> 8));
        broadcast.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    Bytes expected = ScriptedSerialSlave::Rtu(broadcast);
    expected.insert(expected.end(), kRtuRequest.begin(), kRtuRequest.end());
    EXPECT_EQ(LineContents(pty, expected.size()), expected);
}

// ---- error flags across sessions --------------------------------------------

// The flags of a failed serial session must not turn a later Modbus/TCP
// read error into "读取错误: I/O 错误": over TCP there are no flags,
// whether or not the serial port was closed before.
TEST_F(SerialFaultsTest, SerialErrorFlagsDoNotReachATcpSession) {
    for (const bool closeSerialFirst : {true, false}) {
        SCOPED_TRACE(closeSerialFirst ? "port closed first" : "port left open");
        PtyPair pty;
        ASSERT_TRUE(pty.ok()) << pty.error();
        ASSERT_EQ(line.SetSerialDevice(1, pty.slavePath().c_str()), 1);
        Connect(RTU);
        pty.closeMaster();
        EXPECT_EQ(ReadTen(), status::WriteError);
        ASSERT_NE(line.GetWriteErrorFlags() & port_error::IoError, 0u);
        if (closeSerialFirst) {
            line.CloseSerialPort();
            EXPECT_EQ(line.GetWriteErrorFlags(), 0u);
            EXPECT_EQ(line.GetReadErrorFlags(), 0u);
        }

        // The slave drops the connection (RST) before answering.
        test::ScriptedTcpSlave slave({test::ScriptedTcpSlave::Reset()});
        ASSERT_TRUE(slave.Listening());
        ASSERT_EQ(line.SetTransmissionMode(TCP), 1);
        ASSERT_EQ(line.OpenTcpConnection("127.0.0.1", slave.Port(), 2000, 2000), 0);
        EXPECT_EQ(ReadTen(), status::ReadError);
        EXPECT_EQ(line.GetReadErrorFlags(), 0u);
        EXPECT_EQ(line.GetWriteErrorFlags(), 0u);
        line.CloseTcpConnection();
        line.CloseSerialPort();
        line.SetTransmissionMode(RTU);
    }
}

// ---- ASCII -------------------------------------------------------------------

TEST_F(SerialFaultsTest, AsciiRequestIsTheTextFrameAndValuesComeBack) {
    ScriptedSerialSlave slave(
        pty, {ScriptedSerialSlave::Reply(ScriptedSerialSlave::Ascii(TenRegisters()), 17)},
        kScriptTime);
    Connect(ASCII);
    EXPECT_EQ(ReadTen(), status::Ok);
    EXPECT_EQ(RequestCapture(), ScriptedSerialSlave::Text(kAsciiRequest));
    ASSERT_EQ(slave.Requests().size(), 1u);
    EXPECT_EQ(slave.Requests()[0], ScriptedSerialSlave::Text(kAsciiRequest));
    EXPECT_EQ(ResponseCapture(), ScriptedSerialSlave::Ascii(TenRegisters()));
    std::uint16_t values[kDataSize / 2] = {};
    EXPECT_EQ(line.ReadRegisters(0, values), status::Ok);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[9], 10);
}

TEST_F(SerialFaultsTest, AsciiCorruptLrcIsAChecksumError) {
    Bytes answer = ScriptedSerialSlave::Ascii(TenRegisters());
    // The LRC is the two characters before CR LF; change its low digit.
    std::uint8_t& digit = answer[answer.size() - 3];
    digit = digit == '0' ? '1' : '0';
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Reply(answer, 17)}, kScriptTime);
    Connect(ASCII);
    EXPECT_EQ(ReadTen(), status::ChecksumError);
}

TEST_F(SerialFaultsTest, AsciiLowerCaseAnswerFailsTheLrcCheck) {
    // Values with hex letters in them: lower-case digits decode as 0.
    Bytes frame{0x01, 0x03, 20};
    for (int i = 0; i < 10; ++i) {
        frame.push_back(0xAB);
        frame.push_back(static_cast<std::uint8_t>(0xC0 + i));
    }
    Bytes answer = ScriptedSerialSlave::Ascii(frame);
    for (auto& c : answer)
        if (c >= 'A' && c <= 'F')
            c = static_cast<std::uint8_t>(c - 'A' + 'a');
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Reply(answer, 17)}, kScriptTime);
    Connect(ASCII);
    EXPECT_EQ(ReadTen(), status::ChecksumError);
}

TEST_F(SerialFaultsTest, AsciiSilenceIsATimeout) {
    ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Silent(17)}, kScriptTime);
    Connect(ASCII);
    EXPECT_EQ(ReadTen(), status::Timeout);
    EXPECT_EQ(RequestCapture(), ScriptedSerialSlave::Text(kAsciiRequest));
}

TEST_F(SerialFaultsTest, AsciiExceptionGivesItsCode) {
    ScriptedSerialSlave slave(
        pty, {ScriptedSerialSlave::Reply(ScriptedSerialSlave::Ascii({0x01, 0x83, 0x02}), 17)},
        kScriptTime);
    Connect(ASCII);
    EXPECT_EQ(ReadTen(), status::ExceptionBase + 2);
}

TEST_F(SerialFaultsTest, AsciiEchoRemovalOnAnEchoingLine) {
    ScriptedSerialSlave slave(
        pty, {ScriptedSerialSlave::EchoThenReply(ScriptedSerialSlave::Ascii(TenRegisters()), 17)},
        kScriptTime);
    line.SetEchoRemoval(1);
    Connect(ASCII);
    EXPECT_EQ(ReadTen(), status::Ok);
}

// ---- no port -----------------------------------------------------------------

TEST_F(SerialFaultsTest, MissingDeviceIsNotAvailable) {
    ASSERT_EQ(line.SetSerialDevice(2, "/dev/zentiq-no-such-port"), 1);
    EXPECT_EQ(line.OpenSerialPort(2, 9600, 8, 2, 0), 1);
    EXPECT_EQ(line.LastSerialOpenErrno(), ENOENT);
    EXPECT_EQ(line.IsConnected(), 0);
}

TEST_F(SerialFaultsTest, ClosedPortGivesNoConnection) {
    // Not connected: the worker counts no transmission, so only the traffic
    // monitor hears of the transaction, with status 6.
    constexpr WindowHandle kMonitor = 0x3014;
    Connect(RTU);
    line.CloseSerialPort();
    EXPECT_EQ(line.IsConnected(), 0);
    ASSERT_EQ(line.SetMonitorWindow(kMonitor), 1);
    ASSERT_EQ(line.SubmitOneShot(kWindow, WM_POLL_RESULT, 1, 3, 0, 10, 0, 0), 1);
    EXPECT_EQ(line.StartPolling(), 1);
    const bool posted = recorder.WaitFor(kMonitor, WM_POLL_RESULT, 1, milliseconds(10000));
    line.StopPolling();
    line.SetMonitorWindow(0);
    ASSERT_TRUE(posted);
    for (const auto& post : recorder.Posts()) {
        if (post.window == kMonitor && post.message == WM_POLL_RESULT) {
            EXPECT_EQ(post.wParam, status::NoConnection);
        }
    }
    EXPECT_TRUE(RequestCapture().empty());
}

}  // namespace
}  // namespace zentiq
