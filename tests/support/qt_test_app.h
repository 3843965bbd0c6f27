// One QApplication per widget test process, off any display. The tests link
// gtest's own main, so the first test that needs widgets makes it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

namespace zentiq::testing {

inline QApplication& EnsureQApplication() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zentiq_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: widgets that outlive main must still find it.
    return *new QApplication(argc, argv);
}

// Test files that include this get the application before their first test.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { EnsureQApplication(); }
};

inline ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace zentiq::testing
