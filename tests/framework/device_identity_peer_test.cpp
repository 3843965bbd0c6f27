// Functions 08, 17 and 43 against real slaves: pymodbus over Modbus/TCP, RTU
// on a pty and ASCII, configured with an identity of our choosing, and the
// libmodbus slave for report slave ID. What comes back must be what the
// peer was told to say.
#include <QCoreApplication>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/device_identity.h"
#include "engine/engine.h"
#include "framework/device_identity_reader.h"
#include "framework/one_shot_request.h"
#include "support/peer_link.h"

namespace zentiq {
namespace {

using testing::PeerLink;
using Bytes = std::vector<std::uint8_t>;
using Objects = std::vector<DeviceIdObject>;

constexpr int kWaitMs = 20000;

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "device_identity_peer_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

const std::string kLongA(120, 'A');
const std::string kLongB(120, 'B');

// Two long extended objects do not fit one answer: the extended stream
// takes two pages.
const std::vector<std::string> kIdentityArgs = {"--vendor",           "Zentiq Test",
                                                "--product-code",     "ZQ-9",
                                                "--revision",         "2.5",
                                                "--vendor-url",       "http://zq.example",
                                                "--product-name",     "Bus Probe",
                                                "--model-name",       "BP-1",
                                                "--user-application", "commissioning",
                                                "--object",           "0x80=" + kLongA,
                                                "--object",           "0x81=" + kLongB,
                                                "--object",           "0x82=short"};

const Objects kBasic = {{0, "Zentiq Test"}, {1, "ZQ-9"}, {2, "2.5"}};
Objects Regular() {
    Objects o = kBasic;
    o.insert(o.end(),
             {{3, "http://zq.example"}, {4, "Bus Probe"}, {5, "BP-1"}, {6, "commissioning"}});
    return o;
}
Objects Extended() {
    Objects o = Regular();
    o.insert(o.end(), {{0x80, kLongA}, {0x81, kLongB}, {0x82, "short"}});
    return o;
}

// One request through slot 0; the status, and the answer kept whole.
int OneShot(const OneShotArgs& args, const Bytes& data, Bytes& kept) {
    OneShotRequest request;
    int status = -1;
    QObject::connect(&request, &OneShotRequest::Finished, [&](int s) { status = s; });
    const auto load = [&](ModbusLine& line) {
        return data.empty() ? 1 : line.SetWriteBytes(0, static_cast<int>(data.size()), data.data());
    };
    if (!QTest::qWaitFor([&] { return request.Submit(DefaultLine(), args, load); }, kWaitMs))
        return -2;
    if (!QTest::qWaitFor([&] { return status >= 0; }, kWaitMs))
        return -3;
    const OneShotAnswer* answer = request.Answer();
    kept = answer ? Bytes(answer->data, answer->data + answer->answerLength) : Bytes{};
    return status;
}

struct Reading {
    int status = -100;
    Objects objects;
    int requests = 0;
};

Reading ReadIdentity(DeviceIdCode code, std::uint8_t object = 0) {
    DeviceIdentityReader reader(DefaultLine());
    Reading r;
    QObject::connect(&reader, &DeviceIdentityReader::Finished, [&](int s) { r.status = s; });
    if (!QTest::qWaitFor([&] { return reader.Start(1, code, object); }, kWaitMs))
        return r;
    if (!QTest::qWaitFor([&] { return r.status != -100; }, kWaitMs))
        r.status = -101;
    r.objects = reader.Objects();
    r.requests = reader.Requests();
    return r;
}

TEST(DeviceIdentityPeers, PyModbusAnswersEchoSlaveIdAndIdentity) {
    App();
    InitEngine();
    for (TransmissionMode mode : {TCP, RTU, ASCII}) {
        SCOPED_TRACE(mode == TCP ? "Modbus/TCP" : mode == RTU ? "RTU" : "ASCII");
        std::string error;
        auto link = PeerLink::Start(PeerLink::Peer::PyModbus, mode, error, 1, kIdentityArgs);
        ASSERT_TRUE(link) << error;

        Bytes kept;
        const Bytes pattern = {0xA5, 0x37};
        EXPECT_EQ(OneShot({1, Code(FunctionCode::Diagnostics), 0, 0, 0, 2}, pattern, kept),
                  status::Ok);
        EXPECT_EQ(kept, (Bytes{1, 8, 0, 0, 0xA5, 0x37}));

        ASSERT_EQ(OneShot({1, Code(FunctionCode::ReportSlaveId), 0, 0, 0, 0}, {}, kept),
                  status::Ok);
        const auto report = ParseSlaveIdReport(kept.data(), kept.size());
        ASSERT_TRUE(report);
        const std::string joined = "Zentiq Test-ZQ-9-2.5";
        Bytes want(joined.begin(), joined.end());
        want.push_back(0xFF);  // run indicator, last with pymodbus
        EXPECT_EQ(*report, want);

        const struct {
            DeviceIdCode code;
            std::uint8_t object;
            Objects objects;
            int requests;
        } readings[] = {
            {DeviceIdCode::Basic, 0, kBasic, 1},
            {DeviceIdCode::Regular, 0, Regular(), 1},
            {DeviceIdCode::Extended, 0, Extended(), 2},
            {DeviceIdCode::OneObject, 0x81, {{0x81, kLongB}}, 1},
        };
        for (const auto& r : readings) {
            SCOPED_TRACE(static_cast<int>(r.code));
            const Reading got = ReadIdentity(r.code, r.object);
            EXPECT_EQ(got.status, status::Ok);
            EXPECT_EQ(got.objects, r.objects);
            EXPECT_EQ(got.requests, r.requests);
        }
    }
}

TEST(DeviceIdentityPeers, LibModbusReportsItsSlaveId) {
    App();
    InitEngine();
    for (TransmissionMode mode : {TCP, RTU}) {
        SCOPED_TRACE(mode == TCP ? "Modbus/TCP" : "RTU");
        std::string error;
        auto link = PeerLink::Start(PeerLink::Peer::LibModbus, mode, error);
        ASSERT_TRUE(link) << error;
        Bytes kept;
        ASSERT_EQ(OneShot({1, Code(FunctionCode::ReportSlaveId), 0, 0, 0, 0}, {}, kept),
                  status::Ok);
        const auto report = ParseSlaveIdReport(kept.data(), kept.size());
        ASSERT_TRUE(report);
        // Its own ID byte, the run indicator "on", then "LMB" and its version.
        ASSERT_GE(report->size(), 5u);
        EXPECT_EQ((*report)[1], 0xFF);
        EXPECT_EQ(std::string(report->begin() + 2, report->begin() + 5), "LMB");
    }
}

}  // namespace
}  // namespace zentiq
