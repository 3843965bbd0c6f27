// What reaches a slot-results receiver through the window registry: results
// of the slots the engine has, and connection changes, each as its signal;
// anything else, and posts to other receivers, as nothing.
#include "framework/slot_results.h"

#include <QCoreApplication>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/modbus_line.h"
#include "framework/window_registry.h"
#include "support/qt_test_app.h"

namespace zentiq {
namespace {

struct Heard {
    std::vector<std::pair<EngineStatus, int>> results;
    int connectionChanges = 0;
};

void listen(SlotResults& receiver, Heard& heard) {
    QObject::connect(&receiver, &SlotResults::result,
                     [&heard](EngineStatus s, int slot) { heard.results.emplace_back(s, slot); });
    QObject::connect(&receiver, &SlotResults::connectionChanged,
                     [&heard] { ++heard.connectionChanges; });
}

TEST(SlotResultsTest, PostsBecomeSignalsOfTheirOwnReceiverOnly) {
    testing::EnsureQApplication();
    InstallEnginePoster();
    struct Case {
        const char* what;
        std::uint32_t message;
        std::uintptr_t status;
        std::intptr_t slot;
        bool result;
        bool connection;
    };
    const Case cases[] = {
        {"a poll slot's result", WM_POLL_RESULT, status::Timeout, 3, true, false},
        {"the one-off slot's result", WM_POLL_RESULT, status::Ok, 0, true, false},
        {"the last slot", WM_POLL_RESULT, status::ExceptionBase + 2, kLastSlot, true, false},
        {"a slot past the last", WM_POLL_RESULT, status::Ok, kLastSlot + 1, false, false},
        {"a negative slot", WM_POLL_RESULT, status::Ok, -5, false, false},
        {"a connection change", WM_CONNECTION_CHANGED, 0, 0, false, true},
        {"another message", WM_POLL_RESULT + 7, status::Ok, 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SlotResults receiver, other;
        Heard heard, otherHeard;
        listen(receiver, heard);
        listen(other, otherHeard);
        ASSERT_NE(receiver.Handle(), 0u);
        ASSERT_NE(receiver.Handle(), other.Handle());
        EXPECT_EQ(receiver.HandleOn(DefaultLine()), receiver.Handle());
        PostToWindow(receiver.Handle(), c.message, c.status, c.slot);
        // A marker that the receiver takes, so that the case's post has
        // surely been delivered when it arrives.
        PostToWindow(receiver.Handle(), WM_POLL_RESULT, 99, 1);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !heard.results.empty() && heard.results.back().first == 99; }, 10000));
        heard.results.pop_back();
        ASSERT_EQ(heard.results.size(), c.result ? 1u : 0u);
        if (c.result) {
            EXPECT_EQ(heard.results[0].first, EngineStatus(c.status));
            EXPECT_EQ(heard.results[0].second, int(c.slot));
        }
        EXPECT_EQ(heard.connectionChanges, c.connection ? 1 : 0);
        EXPECT_TRUE(otherHeard.results.empty());
        EXPECT_EQ(otherHeard.connectionChanges, 0);
    }
}

}  // namespace
}  // namespace zentiq
