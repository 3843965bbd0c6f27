// The device identity reader against a scripted Modbus/TCP slave: it follows
// "more follows" page by page, and a device that keeps announcing more (or
// does not move on) ends the reading within its bound.
#include "framework/device_identity_reader.h"

#include <QCoreApplication>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "support/scripted_tcp_slave.h"

namespace zentiq {
namespace {

using test::ScriptedTcpSlave;
using Bytes = std::vector<std::uint8_t>;
using Objects = std::vector<DeviceIdObject>;

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "device_identity_reader_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

ScriptedTcpSlave::Step PageStep(std::uint8_t more, std::uint8_t next, const Objects& objects,
                                std::uint8_t readCode = 2) {
    Bytes pdu = {9, 43, 14, readCode, 0x82, more, next, static_cast<std::uint8_t>(objects.size())};
    for (const DeviceIdObject& o : objects) {
        pdu.push_back(o.id);
        pdu.push_back(static_cast<std::uint8_t>(o.value.size()));
        pdu.insert(pdu.end(), o.value.begin(), o.value.end());
    }
    return ScriptedTcpSlave::Reply(ScriptedTcpSlave::Answer(pdu));
}

// A device that answers every page with one object and "more follows",
// always pointing at the next object.
std::vector<ScriptedTcpSlave::Step> EndlessPages(int pages) {
    std::vector<ScriptedTcpSlave::Step> script;
    for (int i = 0; i < pages; ++i)
        script.push_back(PageStep(0xFF, static_cast<std::uint8_t>(i + 1),
                                  {{static_cast<std::uint8_t>(i), "x"}}));
    return script;
}

TEST(DeviceIdentityReader, FollowsPagesWithinItsBound) {
    App();
    InitEngine();
    constexpr int kBound = DeviceIdentityReader::kMaxRequests;
    struct Case {
        const char* what;
        std::vector<ScriptedTcpSlave::Step> script;
        int status;
        Bytes asked;  // the object ID each request asked for
        Objects objects;
    };
    Bytes upToBound;
    Objects endless;
    for (int i = 0; i < kBound; ++i) {
        upToBound.push_back(static_cast<std::uint8_t>(i));
        endless.push_back({static_cast<std::uint8_t>(i), "x"});
    }
    Bytes cutList = {9, 43, 14, 2, 0x82, 0, 0, 2, 0, 1, 'A'};
    const Case cases[] = {
        {"pages to the end",
         {PageStep(0xFF, 3, {{0, "Zentiq"}, {1, "ZQ"}, {2, "2.1"}}),
          PageStep(0, 0, {{3, "u"}, {5, "m"}})},
         status::Ok,
         {0, 3},
         {{0, "Zentiq"}, {1, "ZQ"}, {2, "2.1"}, {3, "u"}, {5, "m"}}},
        {"one page", {PageStep(0, 0, {{0, "V"}})}, status::Ok, {0}, {{0, "V"}}},
        {"more follows forever", EndlessPages(kBound + 4), DeviceIdentityReader::kRequestLimit,
         upToBound, endless},
        {"next object does not advance",
         {PageStep(0xFF, 0, {{0, "V"}}), PageStep(0xFF, 0, {{0, "V"}})},
         status::MalformedAnswer,
         {0},
         {{0, "V"}}},
        {"object list cut short",
         {ScriptedTcpSlave::Reply(ScriptedTcpSlave::Answer(cutList))},
         status::MalformedAnswer,
         {0},
         {}},
        {"exception on the second page",
         {PageStep(0xFF, 1, {{0, "V"}}),
          ScriptedTcpSlave::Reply(ScriptedTcpSlave::Answer({9, 0xAB, 2}))},
         status::ExceptionBase + 2,
         {0, 1},
         {{0, "V"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedTcpSlave slave(c.script);
        ASSERT_EQ(OpenTcpConnection("127.0.0.1", slave.Port(), 1000, 2000), 0);
        SetPollDelay(1);
        SetTransmissionMode(TCP);
        ASSERT_EQ(StartPolling(), 1);

        DeviceIdentityReader reader(DefaultLine());
        int finished = -100;
        int finishes = 0;
        QObject::connect(&reader, &DeviceIdentityReader::Finished, [&](int s) {
            finished = s;
            ++finishes;
        });
        ASSERT_TRUE(reader.Start(9, DeviceIdCode::Regular));
        EXPECT_TRUE(QTest::qWaitFor([&] { return finishes > 0; }, 20000));
        StopPolling();
        CloseTcpConnection();

        EXPECT_EQ(finished, c.status);
        EXPECT_EQ(finishes, 1);
        EXPECT_FALSE(reader.IsRunning());
        EXPECT_EQ(reader.Requests(), static_cast<int>(c.asked.size()));
        EXPECT_EQ(reader.Objects(), c.objects);
        const auto requests = slave.Requests();
        ASSERT_EQ(requests.size(), c.asked.size());
        // After the transaction ID: MBAP, then 43 / 14, read code 2 and the object.
        for (std::size_t i = 0; i < requests.size(); ++i)
            EXPECT_EQ(Bytes(requests[i].begin() + 2, requests[i].end()),
                      (Bytes{0, 0, 0, 5, 9, 43, 14, 2, c.asked[i]}))
                << "request " << i;
    }
}

// Standard objects by name, the others by number.
TEST(DeviceIdentityReader, ObjectNames) {
    EXPECT_EQ(DeviceIdentityReader::ObjectName(6), QStringLiteral("UserApplicationName"));
    EXPECT_EQ(DeviceIdentityReader::ObjectName(0x07), QStringLiteral("0x07"));
    EXPECT_EQ(DeviceIdentityReader::ObjectName(0xA3), QStringLiteral("0xA3"));
}

}  // namespace
}  // namespace zentiq
