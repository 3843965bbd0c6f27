// For widget tests that run dialogs: the program's settings go to a scratch
// file for the whole test process, and every box is recorded (and every
// question answered) instead of waiting for a user.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include "framework/settings_store.h"
#include "support/qt_test_app.h"
#include "support/recording_interaction.h"

namespace zentiq::testing {

class WidgetEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        EnsureQApplication();
        SettingsStore::setFilePathOverride(m_dir.filePath(QStringLiteral("Zentiq.ini")));
        Slot() = std::make_unique<RecordingInteraction>();
    }
    void TearDown() override {
        Slot().reset();
        SettingsStore::setFilePathOverride(QString());
    }
    // The process's stand-in for the user.
    static RecordingInteraction& Ui() { return *Slot(); }

private:
    static std::unique_ptr<RecordingInteraction>& Slot() {
        static std::unique_ptr<RecordingInteraction> ui;
        return ui;
    }
    QTemporaryDir m_dir;
};

inline ::testing::Environment* const kWidgetEnvironment =
    ::testing::AddGlobalTestEnvironment(new WidgetEnvironment);

}  // namespace zentiq::testing
