#include "framework/user_interaction.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include "framework/desktop_interaction.h"
#include "framework/dialog_data_exchange.h"
#include "support/recording_interaction.h"

namespace zentiq {
namespace {

bool isDesktop(UserInteraction& ui) { return dynamic_cast<DesktopInteraction*>(&ui) != nullptr; }

// Replacements stack: each gives back the one it replaced, and the desktop
// is back once the last has gone.
TEST(UserInteraction, ReplacementsNestAndTheDesktopComesBack) {
    ASSERT_TRUE(isDesktop(userInteraction()));
    {
        testing::RecordingInteraction outer;
        EXPECT_EQ(&userInteraction(), &outer);
        {
            testing::RecordingInteraction inner;
            EXPECT_EQ(&userInteraction(), &inner);
            DialogDataExchange::ShowWarning(nullptr, QStringLiteral("inner"));
        }
        EXPECT_EQ(&userInteraction(), &outer);
        DialogDataExchange::ShowWarning(nullptr, QStringLiteral("outer"));
        EXPECT_EQ(outer.texts(), QStringList{QStringLiteral("outer")})
            << "only what came while it was in use";

        // nullptr puts the desktop in; the one it replaced comes back.
        UserInteraction* previous = installUserInteraction(nullptr);
        EXPECT_EQ(previous, &outer);
        EXPECT_TRUE(isDesktop(userInteraction()));
        EXPECT_EQ(installUserInteraction(previous), nullptr);
        EXPECT_EQ(&userInteraction(), &outer);
    }
    EXPECT_TRUE(isDesktop(userInteraction()));
}

// Without a widget application the desktop can show no box: the text goes
// to the log, nothing crashes.
TEST(UserInteraction, TheDesktopWithoutWidgetsLogsInstead) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    static QStringList logged;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { logged << text; });
    userInteraction().error(nullptr, QStringLiteral("Zentiq"), QStringLiteral("文件打开错误"));
    userInteraction().notify(nullptr, QStringLiteral("Zentiq"), QStringLiteral("done"));
    qInstallMessageHandler(previous);
    EXPECT_EQ(logged, (QStringList{QStringLiteral("Zentiq: 文件打开错误"),
                                   QStringLiteral("Zentiq: done")}));
}

}  // namespace
}  // namespace zentiq
