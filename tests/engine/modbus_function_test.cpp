// Requests, answer checks and decoding of every function, driven through the
// RTU and ASCII framing over a scripted line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/modbus_function.h"
#include "engine/serial_transport.h"
#include "support/fake_serial_line.h"

namespace zentiq {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WithCrc(Bytes frame) {
    const std::uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

Bytes AsciiOf(const Bytes& pdu, bool lowerCase = false) {
    std::string text = ":";
    char buf[3];
    std::uint8_t sum = 0;
    for (std::uint8_t b : pdu) {
        std::snprintf(buf, sizeof buf, lowerCase ? "%02x" : "%02X", b);
        text += buf;
        sum = static_cast<std::uint8_t>(sum + b);
    }
    std::snprintf(buf, sizeof buf, lowerCase ? "%02x" : "%02X", static_cast<std::uint8_t>(-sum));
    text += buf;
    text += "\r\n";
    return Bytes(text.begin(), text.end());
}

WorkArea Work(std::uint16_t slave, std::uint16_t fc, std::uint16_t ra, std::uint16_t rq,
              std::uint16_t wa = 0, std::uint16_t wq = 0) {
    WorkArea w;
    w.slaveId = slave;
    w.function = fc;
    w.readAddress = ra;
    w.readQuantity = rq;
    w.writeAddress = wa;
    w.writeQuantity = wq;
    return w;
}

void SetRegister(WorkArea& w, int i, std::uint16_t v) { std::memcpy(w.data + 2 * i, &v, 2); }
std::uint16_t Register(const WorkArea& w, int i) {
    std::uint16_t v;
    std::memcpy(&v, w.data + 2 * i, 2);
    return v;
}

struct Rtu {
    testing::FakeSerialLine line;
    RtuTransport transport{line};
    Captures captures;
    EngineStatus Run(WorkArea& w) { return RunFunction(transport, w, captures); }
    Bytes Sent() const { return line.written.empty() ? Bytes{} : line.written.back(); }
};

TEST(Checksums, KnownValues) {
    const Bytes frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
    EXPECT_EQ(Crc16(frame.data(), frame.size()), 0xCDC5);
    const Bytes full = WithCrc(frame);
    EXPECT_EQ(full[6], 0xC5);
    EXPECT_EQ(full[7], 0xCD);
    EXPECT_EQ(Crc16(full.data(), full.size()), 0);
    EXPECT_EQ(Lrc8(frame.data(), frame.size()), 0xF2);
}

TEST(RequestFrames, GoldenBytesOfEveryFunction) {
    struct Case {
        WorkArea work;
        Bytes pdu;
    };
    WorkArea coilOn = Work(1, 5, 0, 0, 0x0013, 1);
    coilOn.data[0] = 7;
    WorkArea coilOff = Work(1, 5, 0, 0, 0x0013, 1);
    WorkArea reg = Work(0x11, 6, 0, 0, 0x0001, 1);
    SetRegister(reg, 0, 0x0003);
    WorkArea coils17 = Work(1, 15, 0, 0, 0x0013, 17);
    for (int i : {0, 2, 3, 9, 16})
        coils17.data[i] = 0x80;  // any non-zero byte sets the bit
    WorkArea coils16 = Work(1, 15, 0, 0, 0, 16);
    coils16.data[15] = 1;
    WorkArea regs = Work(1, 16, 0, 0, 0x0001, 2);
    SetRegister(regs, 0, 0x000A);
    SetRegister(regs, 1, 0x0102);
    WorkArea mask = Work(1, 22, 0x00F2, 0x0025, 0x0004, 0);
    WorkArea rw = Work(1, 23, 0x0003, 6, 0x000E, 3);
    SetRegister(rw, 0, 0x00FF);
    SetRegister(rw, 1, 0x00FF);
    SetRegister(rw, 2, 0x00FF);

    const Case cases[] = {
        {Work(1, 1, 0x0013, 10), {1, 1, 0x00, 0x13, 0x00, 0x0A}},
        {Work(1, 2, 0x00C4, 22), {1, 2, 0x00, 0xC4, 0x00, 0x16}},
        {Work(1, 3, 0, 10), {1, 3, 0, 0, 0, 0x0A}},
        {Work(1, 4, 0x0008, 1), {1, 4, 0, 8, 0, 1}},
        {coilOn, {1, 5, 0x00, 0x13, 0xFF, 0x00}},
        {coilOff, {1, 5, 0x00, 0x13, 0x00, 0x00}},
        {reg, {0x11, 6, 0x00, 0x01, 0x00, 0x03}},
        {coils17, {1, 15, 0x00, 0x13, 0x00, 0x11, 3, 0x0D, 0x02, 0x01}},
        {coils16, {1, 15, 0, 0, 0, 16, 2, 0x00, 0x80}},
        {regs, {1, 16, 0, 1, 0, 2, 4, 0x00, 0x0A, 0x01, 0x02}},
        {mask, {1, 22, 0, 4, 0x00, 0xF2, 0x00, 0x25}},
        {rw, {1, 23, 0, 3, 0, 6, 0, 0x0E, 0, 3, 6, 0, 0xFF, 0, 0xFF, 0, 0xFF}},
    };
    for (const Case& c : cases) {
        Rtu rtu;
        WorkArea w = c.work;
        rtu.Run(w);
        EXPECT_EQ(rtu.Sent(), WithCrc(c.pdu)) << "function " << c.work.function;
    }
}

TEST(RequestFrames, ExpectedLengths) {
    EXPECT_EQ(ExpectedAnswerLength(*FindFunction(1), Work(1, 1, 0, 10)), 5u);
    EXPECT_EQ(ExpectedAnswerLength(*FindFunction(2), Work(1, 2, 0, 2000)), 253u);
    EXPECT_EQ(ExpectedAnswerLength(*FindFunction(3), Work(1, 3, 0, 127)), 257u);
    EXPECT_EQ(ExpectedAnswerLength(*FindFunction(23), Work(1, 23, 0, 4, 0, 100)), 11u);
    EXPECT_EQ(ExpectedAnswerLength(*FindFunction(22), Work(1, 22, 0, 0)), 8u);
    EXPECT_EQ(FindFunction(7), nullptr);
}

TEST(AnswerRules, LengthOfAnAnswerFromItsFirstBytes) {
    struct Case {
        Bytes head;
        std::size_t pdu;  // 0: not told yet, or no entry
    };
    const Case cases[] = {
        {{1}, 0},          {{1, 3}, 0},    {{1, 3, 20}, 23}, {{1, 1, 2}, 5}, {{1, 23, 0}, 3},
        {{1, 5}, 6},       {{1, 16}, 6},   {{1, 22}, 8},     {{1, 0x83}, 3}, {{1, 0x90, 4}, 3},
        {{1, 0x80, 2}, 0}, {{1, 7, 2}, 0}, {{1, 0, 2}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnswerPduLength(c.head.data(), c.head.size()), c.pdu) << int(c.head.back());
        // The RTU framer listens for the PDU and its CRC, never past its buffer.
        EXPECT_EQ(RtuAnswerLength(c.head.data(), c.head.size(), 256), c.pdu == 0 ? 256 : c.pdu + 2);
        EXPECT_EQ(RtuAnswerLength(c.head.data(), c.head.size(), 4), 4u);
    }
}

// One answer, framed as RTU and as ASCII, must be judged alike.
TEST(AnswerRules, EveryFramingJudgesAnAnswerAlike) {
    struct Case {
        const char* what;
        WorkArea work;
        Bytes pdu;
        bool corrupt;  // the frame's CRC or LRC does not hold
        EngineStatus want;
    };
    const Case cases[] = {
        {"registers", Work(1, 3, 0, 1), {1, 3, 2, 0x12, 0xAB}, false, status::Ok},
        {"registers, bad check",
         Work(1, 3, 0, 1),
         {1, 3, 2, 0x12, 0xAB},
         true,
         status::ChecksumError},
        {"exception", Work(1, 3, 0, 10), {1, 0x83, 2}, false, 130},
        {"exception, bad check", Work(1, 3, 0, 10), {1, 0x83, 2}, true, status::ChecksumError},
        {"short answer", Work(1, 3, 0, 2), {1, 3, 4, 0, 1}, false, status::BytesMissing},
        {"short answer, bad check", Work(1, 3, 0, 2), {1, 3, 4, 0, 1}, true, status::BytesMissing},
        {"mask write echo", Work(1, 22, 2, 3, 1), {1, 22, 0, 1, 0, 2, 0, 3}, false, status::Ok},
        {"0x80 is no exception",
         Work(1, 3, 0, 1),
         {1, 0x80, 2, 0, 0},
         false,
         status::ResponseError},
    };
    for (const Case& c : cases) {
        Rtu rtu;
        Bytes rtuFrame = WithCrc(c.pdu);
        if (c.corrupt)
            rtuFrame.back() ^= 0x01;
        rtu.line.reads.push_back(rtuFrame);
        WorkArea w = c.work;
        EXPECT_EQ(rtu.Run(w), c.want) << "RTU " << c.what;

        testing::FakeSerialLine line;
        AsciiTransport ascii{line};
        Captures captures;
        Bytes asciiFrame = AsciiOf(c.pdu);
        char& lrcDigit = reinterpret_cast<char&>(asciiFrame[asciiFrame.size() - 3]);
        if (c.corrupt)
            lrcDigit = lrcDigit == '0' ? '1' : '0';
        line.reads.push_back(asciiFrame);
        w = c.work;
        EXPECT_EQ(RunFunction(ascii, w, captures), c.want) << "ASCII " << c.what;
    }
}

TEST(RtuAnswers, ReadsDecodeValues) {
    Rtu rtu;
    rtu.line.reads.push_back(WithCrc({1, 1, 2, 0b10100101, 0b00000011}));
    WorkArea coils = Work(1, 1, 0, 10);
    ASSERT_EQ(rtu.Run(coils), status::Ok);
    const std::uint8_t want[10] = {1, 0, 1, 0, 0, 1, 0, 1, 1, 1};
    EXPECT_EQ(0, std::memcmp(coils.data, want, 10));

    rtu.line.reads.push_back(WithCrc({1, 3, 4, 0x12, 0x34, 0xFF, 0xFE}));
    WorkArea regs = Work(1, 3, 0, 2);
    ASSERT_EQ(rtu.Run(regs), status::Ok);
    EXPECT_EQ(Register(regs, 0), 0x1234);
    EXPECT_EQ(Register(regs, 1), 0xFFFE);

    // Function 23 puts the read values where the written ones were.
    rtu.line.reads.push_back(WithCrc({1, 23, 2, 0xAB, 0xCD}));
    WorkArea rw = Work(1, 23, 0, 1, 5, 1);
    SetRegister(rw, 0, 0x1111);
    ASSERT_EQ(rtu.Run(rw), status::Ok);
    EXPECT_EQ(Register(rw, 0), 0xABCD);
}

TEST(RtuAnswers, StatusOfEveryFailure) {
    struct Case {
        const char* what;
        WorkArea work;
        std::vector<Bytes> reads;
        EngineStatus want;
    };
    WorkArea reg5 = Work(5, 6, 0, 0, 1, 1);
    SetRegister(reg5, 0, 7);
    const Case cases[] = {
        {"silence", Work(1, 3, 0, 10), {}, status::Timeout},
        {"bad crc",
         Work(1, 3, 0, 1),
         {[] {
             Bytes b = WithCrc({1, 3, 2, 0, 1});
             b[3] ^= 1;
             return b;
         }()},
         status::ChecksumError},
        {"other slave", Work(1, 3, 0, 1), {WithCrc({2, 3, 2, 0, 1})}, status::ResponseError},
        {"other function", Work(1, 3, 0, 1), {WithCrc({1, 4, 2, 0, 1})}, status::ResponseError},
        {"byte count", Work(1, 1, 0, 10), {WithCrc({1, 1, 1, 0xFF, 0xFF})}, status::ByteCountError},
        {"short frame, valid crc",
         Work(1, 3, 0, 10),
         {WithCrc({1, 3, 20, 0, 1})},
         status::BytesMissing},
        {"exception", Work(1, 3, 0, 10), {{0x01, 0x83, 0x02, 0xC0, 0xF1}}, 130},
        {"exception bad crc",
         Work(1, 3, 0, 10),
         {{0x01, 0x83, 0x02, 0xC0, 0xF2}},
         status::ChecksumError},
        {"0x80 is no exception",
         Work(1, 3, 0, 1),
         {WithCrc({1, 0x80, 2, 0, 0})},
         status::ResponseError},
        {"write echo differs", reg5, {WithCrc({5, 6, 0, 1, 0, 8})}, status::ResponseError},
        {"write echo matches", reg5, {WithCrc({5, 6, 0, 1, 0, 7})}, status::Ok},
        {"fc23 byte count not checked",
         Work(1, 23, 0, 1, 0, 0),
         {WithCrc({1, 23, 9, 0, 1})},
         status::Ok},
    };
    for (const Case& c : cases) {
        Rtu rtu;
        for (const Bytes& r : c.reads)
            rtu.line.reads.push_back(r);
        WorkArea w = c.work;
        EXPECT_EQ(rtu.Run(w), c.want) << c.what;
    }
}

TEST(RtuAnswers, LineFailuresAndBroadcast) {
    Rtu closed;
    closed.line.open = false;
    WorkArea w = Work(1, 3, 0, 1);
    EXPECT_EQ(closed.Run(w), status::NoConnection);
    EXPECT_EQ(closed.captures.requestLength, 0);

    Rtu writeFails;
    writeFails.line.failWrites = true;
    EXPECT_EQ(writeFails.Run(w), status::WriteError);

    Rtu readFails;
    readFails.line.failReads = true;
    EXPECT_EQ(readFails.Run(w), status::ReadError);

    Rtu broadcast;
    WorkArea b = Work(0, 6, 0, 0, 1, 1);
    broadcast.line.reads.push_back(WithCrc({0, 6, 0, 1, 0, 0}));  // never read
    EXPECT_EQ(broadcast.Run(b), status::Ok);
    EXPECT_EQ(broadcast.captures.requestLength, 8);
    EXPECT_EQ(broadcast.captures.responseLength, 0);
    EXPECT_EQ(broadcast.line.reads.size(), 1u);
}

TEST(RtuAnswers, EchoRemoval) {
    const Bytes answer = WithCrc({1, 3, 2, 0x00, 0x2A});
    // A two-wire line hands back the request first; removal reads it away.
    Rtu echoing;
    echoing.transport.SetEchoRemoval(true);
    echoing.line.reads.push_back(WithCrc({1, 3, 0, 0, 0, 1}));
    echoing.line.reads.push_back(answer);
    WorkArea w = Work(1, 3, 0, 1);
    EXPECT_EQ(echoing.Run(w), status::Ok);
    EXPECT_EQ(Register(w, 0), 42);
    // Without removal the echo is taken for the answer.
    Rtu noRemoval;
    noRemoval.line.reads.push_back(WithCrc({1, 3, 0, 0, 0, 1}));
    WorkArea w2 = Work(1, 3, 0, 1);
    EXPECT_NE(noRemoval.Run(w2), status::Ok);
    // Removal on a line that does not echo eats the answer.
    Rtu quiet;
    quiet.transport.SetEchoRemoval(true);
    quiet.line.reads.push_back(answer);
    WorkArea w3 = Work(1, 3, 0, 1);
    EXPECT_EQ(quiet.Run(w3), status::Timeout);
}

TEST(RtuAnswers, CapturesAsOnTheWire) {
    Rtu rtu;
    const Bytes answer = WithCrc({1, 3, 2, 0x00, 0x2A});
    rtu.line.reads.push_back(answer);
    WorkArea w = Work(1, 3, 0, 1);
    ASSERT_EQ(rtu.Run(w), status::Ok);
    EXPECT_EQ(Bytes(rtu.captures.request, rtu.captures.request + rtu.captures.requestLength),
              WithCrc({1, 3, 0, 0, 0, 1}));
    EXPECT_EQ(Bytes(rtu.captures.response, rtu.captures.response + rtu.captures.responseLength),
              answer);
}

TEST(AsciiFrames, RequestAndAnswers) {
    testing::FakeSerialLine line;
    AsciiTransport ascii{line};
    Captures captures;
    WorkArea w = Work(1, 3, 0, 10);
    EXPECT_EQ(RunFunction(ascii, w, captures), status::Timeout);
    const std::string sent(line.written.back().begin(), line.written.back().end());
    EXPECT_EQ(sent, ":01030000000AF2\r\n");

    line.reads.push_back(AsciiOf({1, 3, 2, 0x12, 0xAB}));
    WorkArea one = Work(1, 3, 0, 1);
    ASSERT_EQ(RunFunction(ascii, one, captures), status::Ok);
    EXPECT_EQ(Register(one, 0), 0x12AB);

    Bytes badLrc = AsciiOf({1, 3, 2, 0x12, 0xAB});
    badLrc[badLrc.size() - 3] = badLrc[badLrc.size() - 3] == '0' ? '1' : '0';
    line.reads.push_back(badLrc);
    EXPECT_EQ(RunFunction(ascii, one, captures), status::ChecksumError);

    // Lower-case digits decode as 0: the sum no longer matches.
    line.reads.push_back(AsciiOf({1, 3, 2, 0x12, 0xAB}, true));
    EXPECT_EQ(RunFunction(ascii, one, captures), status::ChecksumError);

    line.reads.push_back(AsciiOf({1, 0x83, 2}));
    EXPECT_EQ(RunFunction(ascii, one, captures), 130);

    line.reads.push_back(AsciiOf({1, 3, 4, 0, 1}));  // shorter than asked
    WorkArea two = Work(1, 3, 0, 2);
    EXPECT_EQ(RunFunction(ascii, two, captures), status::BytesMissing);
}

TEST(AsciiFrames, LargestReadWriteIsSentWholeAndCapturedCut) {
    testing::FakeSerialLine line;
    AsciiTransport ascii{line};
    Captures captures;
    WorkArea w = Work(1, 23, 0, 1, 0, 127);
    RunFunction(ascii, w, captures);
    ASSERT_EQ(line.written.size(), 1u);
    EXPECT_EQ(line.written[0].size(), 535u);
    EXPECT_EQ(line.written[0].back(), '\n');
    EXPECT_EQ(captures.requestLength, kRequestCaptureSize);
}

TEST(RawFrames, SentUnchangedAnswerCaptured) {
    Rtu rtu;
    WorkArea w = Work(0, 0, 0, 0, 0, 4);
    const std::uint8_t frame[] = {0xDE, 0xAD, 0xBE, 0xEF};
    std::memcpy(w.data, frame, 4);
    rtu.line.reads.push_back({9, 8, 7});
    EXPECT_EQ(rtu.Run(w), status::Ok);
    EXPECT_EQ(rtu.Sent(), Bytes(frame, frame + 4));
    EXPECT_EQ(rtu.captures.responseLength, 3);
    rtu.line.reads.clear();
    EXPECT_EQ(rtu.Run(w), status::Ok);  // silence is still a completed raw exchange
    EXPECT_EQ(rtu.captures.responseLength, 0);
}

// A quick slave answers before the write has returned: what is discarded
// must be only what came before the frame (and, on a two-wire line, its echo).
TEST(RawFrames, AnAnswerThatCameDuringTheWriteIsKept) {
    const Bytes frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A};
    const Bytes answer{0x01, 0x03, 0x02, 0x12, 0x34, 0xB5, 0x33};
    for (const bool echo : {false, true}) {
        SCOPED_TRACE(echo ? "with echo" : "without echo");
        Rtu rtu;
        rtu.transport.SetEchoRemoval(echo);
        rtu.line.purgeDiscards = true;
        rtu.line.stream = true;
        rtu.line.reads.push_back({0xEE, 0xEE});  // stale bytes from before
        rtu.line.arriveOnWrite = answer;
        if (echo)
            rtu.line.arriveOnWrite.insert(rtu.line.arriveOnWrite.begin(), frame.begin(),
                                          frame.end());
        WorkArea w = Work(0, 0, 0, 0, 0, static_cast<std::uint16_t>(frame.size()));
        std::memcpy(w.data, frame.data(), frame.size());
        EXPECT_EQ(rtu.Run(w), status::Ok);
        EXPECT_EQ(Bytes(rtu.captures.response, rtu.captures.response + rtu.captures.responseLength),
                  answer);
        EXPECT_LE(rtu.captures.sentUs, rtu.captures.answeredUs);
    }
}

TEST(Functions, UnknownCodeIsNotSent) {
    Rtu rtu;
    WorkArea w = Work(1, 7, 0, 0);
    EXPECT_EQ(rtu.Run(w), status::UnhandledFunction);
    EXPECT_TRUE(rtu.line.written.empty());
}

}  // namespace
}  // namespace zentiq
