#include "app/automation_platform.h"

#include <gtest/gtest.h>

namespace zentiq {
namespace {

TEST(AutomationPlatformTest, APlatformStartsOnlyWithTheDisplayItNeeds) {
    struct Case {
        const char* platforms;
        const char* x11;
        const char* wayland;
        bool reachable;
    };
    const Case cases[] = {
        {"", "", "", false},  // over ssh: the default platform has nothing to open
        {"", ":0", "", true},
        {"", "", "wayland-0", true},
        {"xcb", "", "wayland-0", false},  // a session's setting, carried into ssh
        {"xcb", ":1", "", true},
        {"wayland", ":0", "", false},
        {"wayland-egl", "", "wayland-1", true},
        {"wayland;xcb", ":0", "", true},  // Qt tries the next one
        {"wayland;xcb", "", "", false},
        {"offscreen", "", "", true},
        {"vnc:size=800x600", "", "", true},
        {"xcb;offscreen", "", "", true},
        {" XCB ", "", "", false},
        {"eglfs", "", "", true},
        {"someplugin", "", "", true},  // not ours to judge
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.platforms) + " / " + c.x11 + " / " + c.wayland);
        EXPECT_EQ(automation_platform::DisplayReachable(QString::fromLatin1(c.platforms), QString::fromLatin1(c.x11),
                                                        QString::fromLatin1(c.wayland)),
                  c.reachable);
    }
}

}  // namespace
}  // namespace zentiq
