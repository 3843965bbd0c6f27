// Functions 08, 17 and 43: their requests, where their answers end on every
// framing, how a broken answer is judged, and the parsers that take the
// kept answers apart.
#include "engine/device_identity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/modbus_function.h"
#include "engine/serial_transport.h"
#include "engine/tcp_transport.h"
#include "support/fake_serial_line.h"
#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ScriptedTcpSlave;

Bytes WithCrc(Bytes frame) {
    const std::uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

Bytes AsciiOf(const Bytes& pdu) {
    char frame[2 * 300 + 5];
    const std::size_t n = EncodeAsciiFrame(pdu.data(), pdu.size(), frame);
    return Bytes(frame, frame + n);
}

// A 43/14 answer of slave 1: header, then the objects as given.
Bytes Page(std::uint8_t readCode, std::uint8_t more, std::uint8_t next,
           const std::vector<std::pair<std::uint8_t, std::string>>& objects) {
    Bytes pdu = {1, 43, 14, readCode, 0x83, more, next, static_cast<std::uint8_t>(objects.size())};
    for (const auto& [id, text] : objects) {
        pdu.push_back(id);
        pdu.push_back(static_cast<std::uint8_t>(text.size()));
        pdu.insert(pdu.end(), text.begin(), text.end());
    }
    return pdu;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

WorkArea Work(std::uint16_t fc, std::uint16_t readAddress = 0, std::uint16_t writeAddress = 0,
              const Bytes& data = {}) {
    WorkArea w;
    w.slaveId = 1;
    w.function = fc;
    w.readAddress = readAddress;
    w.writeAddress = writeAddress;
    w.writeQuantity = static_cast<std::uint16_t>(data.size());
    std::copy(data.begin(), data.end(), w.data);
    return w;
}

const Bytes kBasic = Page(1, 0, 0, {{0, "Zentiq"}, {1, "ZQ-7"}, {2, "1.4"}});

TEST(DiagnosticFunctions, RequestBytes) {
    struct Case {
        WorkArea work;
        Bytes pdu;
    };
    const Case cases[] = {
        {Work(8, 0, 0, {0xA5, 0x37}), {1, 8, 0, 0, 0xA5, 0x37}},
        {Work(8, 0, 0, {}), {1, 8, 0, 0}},
        {Work(17), {1, 17}},
        {Work(43, 1, 0), {1, 43, 14, 1, 0}},
        {Work(43, 4, 0x81), {1, 43, 14, 4, 0x81}},
    };
    for (const Case& c : cases) {
        testing::FakeSerialLine line;
        RtuTransport rtu{line};
        Captures captures;
        WorkArea w = c.work;
        RunFunction(rtu, w, captures);
        ASSERT_EQ(line.written.size(), 1u);
        EXPECT_EQ(line.written.back(), WithCrc(c.pdu)) << "function " << c.work.function;
    }
}

TEST(DiagnosticFunctions, OneShotOnlyAndWithinTheirFields) {
    struct Case {
        const char* what;
        bool oneShot;
        std::uint16_t slave, function, readQuantity, writeQuantity, readAddress, writeAddress;
        bool accepted;
    };
    const Case cases[] = {
        {"echo", true, 1, 8, 0, 2, 0, 0, true},
        {"largest echo", true, 1, 8, 0, kMaxEchoBytes, 0, 0, true},
        {"echo too long", true, 1, 8, 0, kMaxEchoBytes + 1, 0, 0, false},
        {"other sub-function", true, 1, 8, 0, 2, 1, 0, false},
        {"echo polled", false, 1, 8, 0, 2, 0, 0, false},
        {"echo broadcast", true, 0, 8, 0, 2, 0, 0, false},
        {"slave ID", true, 1, 17, 0, 0, 0, 0, true},
        {"slave ID polled", false, 1, 17, 0, 0, 0, 0, false},
        {"identity basic", true, 1, 43, 0, 0, 1, 0, true},
        {"identity one object", true, 247, 43, 0, 0, 4, 0xFF, true},
        {"identity code 0", true, 1, 43, 0, 0, 0, 0, false},
        {"identity code 5", true, 1, 43, 0, 0, 5, 0, false},
        {"identity object 256", true, 1, 43, 0, 0, 4, 256, false},
        {"identity polled", false, 1, 43, 0, 0, 1, 0, false},
        {"identity broadcast", true, 0, 43, 0, 0, 1, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RequestWithinLimits(c.oneShot, c.slave, c.function, c.readQuantity,
                                      c.writeQuantity, c.readAddress, c.writeAddress),
                  c.accepted)
            << c.what;
}

TEST(DiagnosticFunctions, WhereAnAnswerEndsFromItsOwnBytes) {
    struct Case {
        const char* what;
        Bytes head;
        std::size_t pdu;  // 0: not told yet
    };
    Bytes runsPast = {1, 43, 14, 3, 0x83, 0, 0, 3, 0x80, 200};
    runsPast.resize(210, 'x');
    runsPast.push_back(0x81);
    runsPast.push_back(100);
    const Case cases[] = {
        {"slave ID, count not there yet", {1, 17}, 0},
        {"slave ID", {1, 17, 5}, 8},
        {"slave ID past any answer", {1, 17, 255}, kMaxAnswerPdu + 1},
        {"identity header not whole", {1, 43, 14, 1, 0x83, 0, 0}, 0},
        {"identity without objects", {1, 43, 14, 1, 0x83, 0, 0, 0}, 8},
        {"identity, object length not there yet", {1, 43, 14, 1, 0x83, 0, 0, 1, 0}, 0},
        {"identity, first object", {1, 43, 14, 1, 0x83, 0, 0, 1, 0, 6}, 16},
        {"identity whole", kBasic, kBasic.size()},
        {"identity, list runs past any answer", runsPast, kMaxAnswerPdu + 1},
        {"other MEI type", {1, 43, 13, 1, 0x83, 0, 0, 0}, 0},
        {"echo: only the request tells", {1, 8, 0, 0, 0xA5}, 0},
        {"exception", {1, 0xAB, 1}, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnswerPduLength(c.head.data(), c.head.size()), c.pdu) << c.what;
        // A prefix never announces more than the whole.
        for (std::size_t n = 0; n < c.head.size(); ++n) {
            const std::size_t told = AnswerPduLength(c.head.data(), n);
            EXPECT_TRUE(told == 0 || told == c.pdu) << c.what << " after " << n;
        }
    }
}

// One answer through RTU, ASCII and Modbus/TCP: judged alike where the
// framings allow it, and the kept answer is the PDU as sent.
TEST(DiagnosticFunctions, EveryFramingJudgesTheAnswers) {
    struct Case {
        const char* what;
        WorkArea work;
        Bytes pdu;
        EngineStatus rtu, ascii, tcp;
    };
    const EngineStatus malformed = status::MalformedAnswer;
    Bytes shortList = kBasic;
    shortList[7] = 4;  // announces a fourth object that is not there
    const Bytes longList = Cat(kBasic, {0x55, 0x55});
    Bytes runsPast = Page(3, 0, 0, {{0x80, std::string(200, 'x')}});
    runsPast[7] = 2;
    runsPast = Cat(runsPast, Bytes{0x81, 100});
    runsPast.resize(runsPast.size() + 40, 'y');
    const Case cases[] = {
        {"echo", Work(8, 0, 0, {0xA5, 0x37}), {1, 8, 0, 0, 0xA5, 0x37}, 0, 0, 0},
        {"echo of ten bytes", Work(8, 0, 0, Bytes(10, 0x5A)), Cat({1, 8, 0, 0}, Bytes(10, 0x5A)), 0,
         0, 0},
        {"echo corrupted",
         Work(8, 0, 0, {0xA5, 0x37}),
         {1, 8, 0, 0, 0xA5, 0x36},
         status::ResponseError,
         status::ResponseError,
         status::ResponseError},
        {"echo refused", Work(8, 0, 0, {0xA5, 0x37}), {1, 0x88, 1}, 129, 129, 129},
        {"slave ID", Work(17), {1, 17, 4, 7, 0xFF, 'Z', 'Q'}, 0, 0, 0},
        {"slave ID, empty", Work(17), {1, 17, 0}, 0, 0, 0},
        {"slave ID count past the frame",
         Work(17),
         {1, 17, 9, 7, 0xFF},
         malformed,
         malformed,
         malformed},
        {"slave ID from another slave",
         [] {
             WorkArea w = Work(17);
             w.slaveId = 2;
             return w;
         }(),
         {1, 17, 1, 7},
         status::ResponseError,
         status::ResponseError,
         status::ResponseError},
        {"identity", Work(43, 1), kBasic, 0, 0, 0},
        {"identity of another read code", Work(43, 2), kBasic, status::ResponseError,
         status::ResponseError, status::ResponseError},
        {"identity, list cut short", Work(43, 1), shortList, malformed, malformed, malformed},
        // ASCII reads no further than the list: what follows stands where its LRC should.
        {"identity, bytes after the list", Work(43, 1), longList, malformed, status::ChecksumError,
         malformed},
        {"identity, list past any answer", Work(43, 3), runsPast, malformed, malformed, malformed},
        {"identity answered by another function",
         Work(43, 1),
         {1, 17, 1, 7},
         status::ResponseError,
         status::ResponseError,
         status::ResponseError},
        {"identity exception", Work(43, 4, 0x90), {1, 0xAB, 2}, 130, 130, 130},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto expectKept = [&](EngineStatus got, const WorkArea& w) {
            if (got != status::Ok) {
                EXPECT_EQ(w.answerLength, 0);
                return;
            }
            EXPECT_EQ(Bytes(w.data, w.data + w.answerLength), c.pdu);
        };
        {
            testing::FakeSerialLine line;
            RtuTransport rtu{line};
            Captures captures;
            line.reads.push_back(WithCrc(c.pdu));
            WorkArea w = c.work;
            const EngineStatus got = RunFunction(rtu, w, captures);
            EXPECT_EQ(got, c.rtu) << "RTU";
            expectKept(got, w);
        }
        {
            testing::FakeSerialLine line;
            line.stream = true;
            AsciiTransport ascii{line};
            Captures captures;
            line.reads.push_back(AsciiOf(c.pdu));
            WorkArea w = c.work;
            const EngineStatus got = RunFunction(ascii, w, captures);
            EXPECT_EQ(got, c.ascii) << "ASCII";
            expectKept(got, w);
        }
        {
            ScriptedTcpSlave slave({ScriptedTcpSlave::Reply(ScriptedTcpSlave::Answer(c.pdu))});
            TcpTransport tcp;
            ASSERT_EQ(tcp.Open("127.0.0.1", slave.Port(), 2000, 2000), 0);
            Captures captures;
            WorkArea w = c.work;
            const EngineStatus got = RunFunction(tcp, w, captures);
            EXPECT_EQ(got, c.tcp) << "TCP";
            expectKept(got, w);
        }
    }
}

// RTU over TCP has no silence to end a frame: the object list must be
// walked to know where it ends, whatever segments it comes in.
TEST(DiagnosticFunctions, RtuOverTcpFindsTheEndOfAnObjectList) {
    ScriptedTcpSlave::Frame frame = ScriptedTcpSlave::RtuAnswer(kBasic);
    frame.segments = {3, 6, 9};
    ScriptedTcpSlave slave({ScriptedTcpSlave::Reply(frame)}, ScriptedTcpSlave::Ms{10000},
                           ScriptedTcpSlave::Framing::Rtu);
    TcpTransport tcp;
    ASSERT_EQ(tcp.Open("127.0.0.1", slave.Port(), 2000, 2000), 0);
    RtuTransport rtu{tcp.Line()};
    Captures captures;
    WorkArea w = Work(43, 1);
    ASSERT_EQ(RunFunction(rtu, w, captures), status::Ok);
    EXPECT_EQ(Bytes(w.data, w.data + w.answerLength), kBasic);
    EXPECT_EQ(captures.responseLength, kBasic.size() + 2);
}

TEST(DeviceIdentityParsers, Pages) {
    struct Case {
        const char* what;
        Bytes pdu;
        std::optional<std::vector<DeviceIdObject>> objects;
        bool moreFollows;
        std::uint8_t next;
    };
    Bytes badMore = kBasic;
    badMore[5] = 0x01;
    Bytes shortList = kBasic;
    shortList[7] = 4;
    const Case cases[] = {
        {"basic", kBasic, {{{0, "Zentiq"}, {1, "ZQ-7"}, {2, "1.4"}}}, false, 0},
        {"more follows", Page(2, 0xFF, 5, {{3, "u"}, {4, ""}}), {{{3, "u"}, {4, ""}}}, true, 5},
        {"no objects", Page(4, 0, 0, {}), std::vector<DeviceIdObject>{}, false, 0},
        {"binary value",
         Page(3, 0, 0, {{0x80, std::string("\0\xFF", 2)}}),
         {{{0x80, std::string("\0\xFF", 2)}}},
         false,
         0},
        {"more follows neither 00 nor FF", badMore, std::nullopt, false, 0},
        {"list cut short", shortList, std::nullopt, false, 0},
        {"bytes after the list", Cat(kBasic, {0}), std::nullopt, false, 0},
        {"header cut", Bytes(kBasic.begin(), kBasic.begin() + 7), std::nullopt, false, 0},
        {"other MEI type",
         [] {
             Bytes b = kBasic;
             b[2] = 13;
             return b;
         }(),
         std::nullopt, false, 0},
        {"other function",
         [] {
             Bytes b = kBasic;
             b[1] = 17;
             return b;
         }(),
         std::nullopt, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto page = ParseDeviceIdPage(c.pdu.data(), c.pdu.size());
        ASSERT_EQ(page.has_value(), c.objects.has_value());
        if (!page)
            continue;
        EXPECT_EQ(page->objects, *c.objects);
        EXPECT_EQ(page->moreFollows, c.moreFollows);
        EXPECT_EQ(page->nextObjectId, c.next);
        EXPECT_EQ(page->readCode, c.pdu[3]);
        EXPECT_EQ(page->conformity, 0x83);
    }
    EXPECT_FALSE(ParseDeviceIdPage(nullptr, 0));
}

TEST(DeviceIdentityParsers, SlaveIdReports) {
    struct Case {
        Bytes pdu;
        std::optional<Bytes> bytes;
    };
    const Case cases[] = {
        {{1, 17, 3, 7, 0xFF, 'A'}, Bytes{7, 0xFF, 'A'}},
        {{1, 17, 0}, Bytes{}},
        {{1, 17, 4, 7, 0xFF, 'A'}, std::nullopt},
        {{1, 17, 2, 7, 0xFF, 'A'}, std::nullopt},
        {{1, 17}, std::nullopt},
        {{1, 3, 1, 7}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseSlaveIdReport(c.pdu.data(), c.pdu.size()), c.bytes) << c.pdu.size();
}

}  // namespace
}  // namespace zentiq
