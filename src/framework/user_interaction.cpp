#include "framework/user_interaction.h"

#include <utility>

#include "framework/desktop_interaction.h"

namespace zentiq {
namespace {

UserInteraction*& installed() {
    static UserInteraction* current = nullptr;
    return current;
}

}  // namespace

UserInteraction& userInteraction() {
    static DesktopInteraction desktop;
    UserInteraction* current = installed();
    return current != nullptr ? *current : desktop;
}

UserInteraction* installUserInteraction(UserInteraction* replacement) {
    return std::exchange(installed(), replacement);
}

}  // namespace zentiq
