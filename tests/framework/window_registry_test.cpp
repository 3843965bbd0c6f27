// Engine posts reach the registered object as queued events, and
// never reach an object that is gone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <functional>
#include <memory>
#include <utility>
#include <thread>
#include <vector>

#include "framework/window_registry.h"
#include "engine/engine.h"

namespace zentiq {
namespace {

class Receiver : public QObject {
public:
    std::vector<std::uintptr_t> received;
    // Shared by several receivers: the order in which all their posts came.
    std::vector<std::uintptr_t>* log = nullptr;
    // Called on the first post, before it is noted (a handler that opens a
    // message box, say).
    std::function<void()> onFirst;
    bool event(QEvent* e) override {
        if (e->type() == EngineMessageEvent::Type()) {
            if (onFirst) std::exchange(onFirst, nullptr)();
            const auto w = static_cast<EngineMessageEvent*>(e)->wParam;
            received.push_back(w);
            if (log) log->push_back(w);
            return true;
        }
        return QObject::event(e);
    }
};

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "window_registry_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// The worker posts through the engine's poster; here a thread stands in for it.
void PostFromAnotherThread(WindowHandle h, int count) {
    InitEngine();
    const int slot = RegisterPollSlot(h, WM_POLL_RESULT, 0, 1, 3, 0, 1, 0, 0);
    ASSERT_GE(slot, 1);
    std::thread([&] {
        for (int i = 0; i < count; ++i) NotifyAllSlotWindows();
    }).join();
    ReleasePollSlot(slot);
}

TEST(WindowRegistry, HandlesAreUniqueAndNeverReused) {
    App();
    auto a = std::make_unique<QObject>();
    const WindowHandle ha = RegisterWindow(a.get());
    EXPECT_NE(ha, 0u);
    EXPECT_EQ(RegisterWindow(a.get()), ha);
    EXPECT_EQ(HandleOf(a.get()), ha);
    a.reset();
    auto b = std::make_unique<QObject>();
    EXPECT_NE(RegisterWindow(b.get()), ha);
    EXPECT_EQ(RegisterWindow(nullptr), 0u);
}

TEST(WindowRegistry, PostsArriveAndNotAfterDestruction) {
    App();
    InstallEnginePoster();
    Receiver receiver;
    const WindowHandle h = RegisterWindow(&receiver);
    PostFromAnotherThread(h, 5);
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.received.size(), 5u);

    auto gone = std::make_unique<Receiver>();
    const WindowHandle hg = RegisterWindow(gone.get());
    gone.reset();
    PostFromAnotherThread(hg, 3);  // dropped: nothing to deliver to, nothing crashes
    QCoreApplication::processEvents();
    SetMessagePoster(nullptr);
}

// Posts wait in one queue that the GUI thread drains: the order across
// windows holds, a window closed before its turn gets nothing, and a handler
// that runs an event loop of its own (a message box) neither reorders nor
// loses the posts that arrive meanwhile.
TEST(WindowRegistry, QueuedPostsKeepTheirOrderAcrossWindowsAndNestedLoops) {
    App();
    InstallEnginePoster();
    std::vector<std::uintptr_t> log;
    Receiver a, b;
    a.log = b.log = &log;
    auto closed = std::make_unique<Receiver>();
    closed->log = &log;
    const WindowHandle ha = RegisterWindow(&a), hb = RegisterWindow(&b),
                       hc = RegisterWindow(closed.get());
    constexpr std::uintptr_t kFirst = 100, kCount = 200;
    // While a's first post is handled, another thread posts more and the
    // handler runs the event loop until they are through.
    a.onFirst = [&] {
        std::thread([&] {
            for (std::uintptr_t i = kFirst; i < kFirst + kCount; ++i)
                PostToWindow(i % 2 ? ha : hb, WM_POLL_RESULT, i, 0);
        }).join();
        QEventLoop loop;
        for (int i = 0; i < 100 && log.size() < kCount + 3; ++i) loop.processEvents();
    };
    std::thread([&] {
        PostToWindow(hc, WM_POLL_RESULT, 99, 0);  // its window closes before delivery
        for (std::uintptr_t i = 0; i < 4; ++i) PostToWindow(i % 2 ? ha : hb, WM_POLL_RESULT, i, 0);
    }).join();
    closed.reset();
    for (int i = 0; i < 100 && log.size() < kCount + 4; ++i) QCoreApplication::processEvents();

    // b's 0 came first; a's 1 opened the nested loop, which delivered the
    // later thread's posts (b's 2 and a's 3 still come before them).
    std::vector<std::uintptr_t> expected = {0, 2, 3};
    for (std::uintptr_t i = kFirst; i < kFirst + kCount; ++i) expected.push_back(i);
    expected.push_back(1);
    EXPECT_EQ(log, expected);
    EXPECT_EQ(a.received.size() + b.received.size(), kCount + 4);
    SetMessagePoster(nullptr);
}

}  // namespace
}  // namespace zentiq
