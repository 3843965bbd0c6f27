// A second start of the program while one runs: the running one owns the
// bus name, so the second asks it over the session bus to show its main
// window and open the files of the second's command line, and ends.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace zentiq::instance_hand_over {

// The Zentiq.Application method that takes a start over:
// Activate(as files, a{sv} options).
inline constexpr const char* kMethod = "Activate";
// The option: the settings file of the start; a running program on other
// settings declines (a demonstration or a test run is not the user's).
inline constexpr const char* kSettingsOption = "settings-file";

// The errors with which a running program declines.
inline constexpr const char* kNoDisplayError = "Zentiq.Error.NoDisplay";
inline constexpr const char* kOtherSettingsError = "Zentiq.Error.OtherSettings";

enum class Outcome {
    NobodyRuns,  // no bus or nobody owns the name: start as usual
    HandedOver,  // the running program took it: end with 0
    Declined,    // it is there but did not take it (why in *reason): start as usual
};

// The options of a start on the settings in `settingsFile`.
QVariantMap OptionsOf(const QString& settingsFile);

// Offers `files` (made absolute here: the other program has another
// working folder) to the program that owns the bus name. The call never
// starts a program through the bus.
Outcome Offer(const QStringList& files, const QVariantMap& options, QString* reason);

}  // namespace zentiq::instance_hand_over
