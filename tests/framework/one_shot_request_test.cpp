// A one-shot request against the libmodbus slave: Submit takes the result of
// loading the data (refused data gives slot 0 back and says so, a busy slot
// loads nothing).
#include "framework/one_shot_request.h"

#include <QCoreApplication>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "support/one_shot_overtake.h"
#include "support/peer_link.h"

namespace zentiq {
namespace {

using testing::PeerLink;

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "one_shot_request_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

class OneShotRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        InitEngine();
        std::string error;
        link = PeerLink::Start(PeerLink::Peer::LibModbus, TCP, error);
        ASSERT_TRUE(link) << error;
    }
    void TearDown() override { link.reset(); }
    std::unique_ptr<PeerLink> link;
};

TEST_F(OneShotRequestTest, SubmitTakesTheLoadsResultAndGivesSlotZeroBackOnFailure) {
    struct Case {
        const char* name;
        bool slotBusy;
        std::function<int()> load;
        bool submitted;
        QString failure;
    };
    const Case cases[] = {
        {"data loaded",
         false,
         [] {
             const std::uint16_t v = 0x5A5A;
             return SetWriteRegisters(0, 1, &v);
         },
         true,
         {}},
        {"data refused", false, [] { return SetWriteRegisters(0, 0, nullptr); }, false,
         OneShotRequest::DataRefusedText()},
        {"slot busy", true, [] { return 1; }, false, OneShotRequest::RefusedText()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.slotBusy) {
            ASSERT_EQ(SubmitOneShot(0, WM_POLL_RESULT, 1, 16, 0, 0, 310, 1),
                      1);  // waits for its data
        }
        OneShotRequest request;
        int finished = -1;
        QObject::connect(&request, &OneShotRequest::Finished, [&](int s) { finished = s; });
        bool loaded = false;
        const bool submitted =
            request.Submit(DefaultLine(), OneShotArgs{1, 6, 0, 0, 300, 1}, [&](ModbusLine&) {
                loaded = true;
                return c.load();
            });
        EXPECT_EQ(submitted, c.submitted);
        EXPECT_EQ(request.IsPending(), c.submitted);
        EXPECT_EQ(loaded, !c.slotBusy);
        if (!submitted) {
            EXPECT_EQ(request.FailureText(), c.failure);
        }
        if (c.slotBusy) {
            ASSERT_EQ(ReleasePollSlot(0), 1);
        }
        if (submitted) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return finished >= 0; }, 10000));
            EXPECT_EQ(finished, 0);
        } else {
            // Slot 0 is free for the next request at once.
            ASSERT_EQ(SubmitOneShot(0, WM_POLL_RESULT, 1, 3, 300, 1, 0, 0), 1);
            ASSERT_TRUE(testing::WaitSlotZeroServed());
        }
    }
    std::uint16_t written = 0;
    ASSERT_EQ(ReadRegisters(0, &written), 0);
    EXPECT_EQ(written, 0x5A5A);
}

}  // namespace
}  // namespace zentiq
