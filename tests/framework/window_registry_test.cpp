// Engine posts reach the registered object as queued events, and
// never reach an object that is gone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <thread>
#include <vector>

#include "framework/window_registry.h"
#include "engine/engine.h"

namespace zentiq {
namespace {

class Receiver : public QObject {
public:
    std::vector<std::uintptr_t> received;
    bool event(QEvent* e) override {
        if (e->type() == EngineMessageEvent::Type()) {
            received.push_back(static_cast<EngineMessageEvent*>(e)->wParam);
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

}  // namespace
}  // namespace zentiq
