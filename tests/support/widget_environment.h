// For widget tests that run dialogs: the program's settings go to a scratch
// file for the whole test process, and the data-exchange warnings are
// recorded instead of waiting for a user in a message box.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include "framework/dialog_data_exchange.h"
#include "framework/settings_store.h"
#include "support/qt_test_app.h"

namespace zentiq::testing {

class WidgetEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        EnsureQApplication();
        SettingsStore::setFilePathOverride(m_dir.filePath(QStringLiteral("Zentiq.ini")));
        DialogDataExchange::SetWarningHook([](QWidget*, const QString& t) { Warnings() << t; });
    }
    void TearDown() override {
        DialogDataExchange::SetWarningHook({});
        SettingsStore::setFilePathOverride(QString());
    }
    // The warnings shown so far.
    static QStringList& Warnings() {
        static QStringList texts;
        return texts;
    }

private:
    QTemporaryDir m_dir;
};

inline ::testing::Environment* const kWidgetEnvironment =
    ::testing::AddGlobalTestEnvironment(new WidgetEnvironment);

}  // namespace zentiq::testing
