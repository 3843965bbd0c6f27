// The options that main() reads before the application starts: a settings
// store of its own, a screenshot of the main window, the dark palette. The
// windowed program and the headless logger read them alike.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace zentiq {

struct StartOptions {
    Q_DECLARE_TR_FUNCTIONS(StartOptions)

public:
    QString settingsDir;  // --settings-dir DIR, else ZENTIQ_SETTINGS_DIR
    QString screenshot;
    int screenshotDelayMs = 3000;
    bool dark = false;
    bool valid = true;     // false: a value was missing or wrong
    QStringList problems;  // what was wrong, in the order of the line

    // Arguments without the program name.
    static StartOptions Parse(const QStringList& args);
    // Points the user scope of the settings store at settingsDir, if one was
    // given, so that the user's own settings are not touched.
    void ApplySettingsDir() const;
};

}  // namespace zentiq
