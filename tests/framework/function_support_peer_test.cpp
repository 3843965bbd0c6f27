// The function-support scan against real slaves, each of which answers a
// known set: pymodbus everything, the libmodbus slave everything but 08 and
// 43, and pymodbus without address 0 refuses the reads, so that the writes
// fall back to a quantity of 0 (or are not sent). Whatever a slave answers,
// coil 0 and holding register 0 keep the values they started with.
// (libmodbus over RTU takes an unknown function's request for a short frame
// with a bad CRC and then waits before it empties its input, so 08 and 43
// go unanswered there and may take the next request with them: it is asked
// over TCP only.)
#include "framework/function_support_scan.h"

#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "support/peer_data.h"
#include "support/peer_link.h"
#include "support/qt_test_app.h"

namespace zentiq {
namespace {

using testing::PeerLink;
using K = ProbeKind;

constexpr int kWaitMs = 60000;
constexpr int kNotSent = -1;
constexpr int kIllegalFunction = status::ExceptionBase + 1;
constexpr int kIllegalAddress = status::ExceptionBase + 2;
constexpr int kIllegalValue = status::ExceptionBase + 3;

struct Expected {
    ProbeKind kind;
    int status;
};

// In the scan's order: 01 02 03 04 05 06 08 15 16 17 22 23 43.
const std::vector<Expected> kEverything = {
    {K::Read, 0},      {K::Read, 0},      {K::Read, 0},           {K::Read, 0},
    {K::WriteBack, 0}, {K::WriteBack, 0}, {K::Echo, 0},           {K::WriteBack, 0},
    {K::WriteBack, 0}, {K::Report, 0},    {K::UnchangingMask, 0}, {K::WriteBack, 0},
    {K::Identity, 0}};

std::vector<Expected> WithoutDiagnosticsAndIdentity() {
    auto e = kEverything;
    e[6].status = kIllegalFunction;
    e[12].status = kIllegalFunction;
    return e;
}

const std::vector<Expected> kNoAddressZero = {{K::Read, kIllegalAddress},
                                              {K::Read, kIllegalAddress},
                                              {K::Read, kIllegalAddress},
                                              {K::Read, kIllegalAddress},
                                              {K::NotSent, kNotSent},
                                              {K::NotSent, kNotSent},
                                              {K::Echo, 0},
                                              {K::ZeroQuantity, kIllegalValue},
                                              {K::ZeroQuantity, kIllegalValue},
                                              {K::Report, 0},
                                              {K::UnchangingMask, kIllegalAddress},
                                              {K::ZeroQuantity, kIllegalValue},
                                              {K::Identity, 0}};

// One read through slot 0: the first value, or -1.
int ReadFirst(FunctionCode function) {
    OneShotRequest request;
    int status = -1;
    QObject::connect(&request, &OneShotRequest::Finished, [&](int s) { status = s; });
    OneShotArgs args;
    args.slaveId = 1;
    args.function = Code(function);
    args.readQuantity = 1;
    if (!QTest::qWaitFor([&] { return request.Submit(DefaultLine(), args, {}); }, kWaitMs))
        return -1;
    if (!QTest::qWaitFor([&] { return status >= 0; }, kWaitMs) || status != 0)
        return -1;
    if (function == FunctionCode::ReadCoils)
        return request.Answer()->data[0];
    std::uint16_t value = 0;
    std::memcpy(&value, request.Answer()->data, sizeof value);
    return value;
}

TEST(FunctionSupportPeers, EachPeerAnswersItsOwnSetAndKeepsItsValues) {
    InitEngine();
    const struct {
        const char* what;
        PeerLink::Peer peer;
        TransmissionMode mode;
        std::vector<std::string> args;
        std::vector<Expected> expected;
        bool readable;  // address 0 exists
    } cases[] = {
        {"pymodbus TCP", PeerLink::Peer::PyModbus, TCP, {}, kEverything, true},
        {"pymodbus RTU", PeerLink::Peer::PyModbus, RTU, {}, kEverything, true},
        {"pymodbus without address 0",
         PeerLink::Peer::PyModbus,
         TCP,
         {"--sparse", "10-20"},
         kNoAddressZero,
         false},
        {"libmodbus TCP",
         PeerLink::Peer::LibModbus,
         TCP,
         {},
         WithoutDiagnosticsAndIdentity(),
         true},
    };
    const auto& functions = FunctionSupportScan::Functions();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        auto link = PeerLink::Start(c.peer, c.mode, error, 1, c.args);
        ASSERT_TRUE(link) << error;

        FunctionSupportScan scan(DefaultLine());
        std::vector<FunctionProbe> heard;
        int finishes = 0;
        bool cancelled = true;
        QObject::connect(&scan, &FunctionSupportScan::probed,
                         [&](const FunctionProbe& p) { heard.push_back(p); });
        QObject::connect(&scan, &FunctionSupportScan::finished, [&](bool c) {
            cancelled = c;
            ++finishes;
        });
        ASSERT_TRUE(scan.Start(1));
        EXPECT_FALSE(scan.Start(1));  // one at a time
        ASSERT_TRUE(QTest::qWaitFor([&] { return finishes > 0; }, kWaitMs));
        EXPECT_EQ(finishes, 1);
        EXPECT_FALSE(cancelled);
        EXPECT_TRUE(scan.Failure().isEmpty()) << scan.Failure().toStdString();

        const auto& results = scan.Results();
        ASSERT_EQ(results.size(), c.expected.size());
        ASSERT_EQ(heard.size(), results.size());
        for (std::size_t i = 0; i < results.size(); ++i) {
            SCOPED_TRACE("function " + std::to_string(functions[i].first));
            EXPECT_EQ(results[i].function, functions[i].first);
            EXPECT_EQ(results[i].subFunction, functions[i].second);
            EXPECT_EQ(results[i].slaveId, 1);
            EXPECT_EQ(results[i].kind, c.expected[i].kind);
            EXPECT_EQ(results[i].status, c.expected[i].status);
            EXPECT_EQ(heard[i].status, results[i].status);
        }
        if (c.readable) {
            EXPECT_EQ(ReadFirst(FunctionCode::ReadCoils), zq_peer_coil(0));
            EXPECT_EQ(ReadFirst(FunctionCode::ReadHoldingRegisters), zq_peer_holding(0));
        }
    }
}

// Two windows probing at once share slot 0: each waits its turn instead of
// giving up, and both learn everything.
TEST(FunctionSupportPeers, TwoScansAtOnceBothFinish) {
    InitEngine();
    std::string error;
    auto link = PeerLink::Start(PeerLink::Peer::PyModbus, TCP, error, 1, {"--slave", "1,2"});
    ASSERT_TRUE(link) << error;
    FunctionSupportScan first(DefaultLine());
    FunctionSupportScan second(DefaultLine());
    int finishes = 0;
    for (auto* scan : {&first, &second})
        QObject::connect(scan, &FunctionSupportScan::finished, [&](bool) { ++finishes; });
    ASSERT_TRUE(first.Start(1));
    ASSERT_TRUE(second.Start(2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return finishes == 2; }, kWaitMs));
    for (auto* scan : {&first, &second}) {
        SCOPED_TRACE(scan->SlaveId());
        EXPECT_TRUE(scan->Failure().isEmpty());
        ASSERT_EQ(scan->Results().size(), FunctionSupportScan::Functions().size());
        for (const FunctionProbe& p : scan->Results()) {
            EXPECT_EQ(p.slaveId, scan->SlaveId());
            EXPECT_EQ(p.Support(), FunctionSupport::Supported) << int(p.function);
        }
    }
}

TEST(FunctionSupportScan, RefusesWithoutAConnectionOrAValidId) {
    InitEngine();
    FunctionSupportScan scan(DefaultLine());
    EXPECT_FALSE(scan.Start(1));  // not connected
    EXPECT_FALSE(scan.IsRunning());
}

}  // namespace
}  // namespace zentiq
