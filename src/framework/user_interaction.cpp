#include "framework/user_interaction.h"

#include <utility>

#include "framework/desktop_interaction.h"
#include "framework/settings_store.h"
#include "resources/strings.h"

namespace zentiq {
namespace {

UserInteraction*& installed() {
    static UserInteraction* current = nullptr;
    return current;
}

void showWriteFailure(const QString& text) {
    userInteraction().error(nullptr, LoadString(ids::AppTitle), text);
}

// Wherever the program can show boxes, a settings store that cannot be
// written says so in one (as every warning of the program: the
// exclamation box titled with the program's name).
[[maybe_unused]] const SettingsStore::WriteFailureReporter g_boxReporterReplaced =
    SettingsStore::SetWriteFailureReporter(&showWriteFailure);

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
