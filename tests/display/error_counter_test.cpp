// The error counter of a poll window: results handled by the view are
// counted, the dialog opened by the document's command lists a snapshot
// of them sorted as text, and the reset command clears them.
#include "display/error_counter.h"

#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QtTest/QTest>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

#include "support/recording_interaction.h"
#include "engine/engine.h"
#include "framework/settings_store.h"
#include "framework/window_registry.h"
#include "support/dialog_test_helpers.h"
#include "support/poll_window.h"

namespace zentiq {
namespace {

using testing::PollWindow;

class ErrorCounterTest : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsStore::setFilePathOverride(m_dir.filePath("Zentiq.ini"));
        InitEngine();
        InstallEnginePoster();
        m_ui.onModal<CErrorCounter>([this](CErrorCounter& dialog) {
            ++opened;
            shown = dialog.Lines();
            if (whileOpen)
                whileOpen();
            shownAfter = dialog.Lines();
            title = dialog.windowTitle();
            auto* list = testing::child<QListWidget>(&dialog, "counterList");
            selectable = list->selectionMode() != QAbstractItemView::NoSelection;
            button = testing::child<QPushButton>(&dialog, "okButton")->text();
            header = testing::child<QLabel>(&dialog, "headerLabel")->text();
            counting = dialog.CountingText();
            return int(QDialog::Accepted);
        });
    }
    void TearDown() override {
        SettingsStore::setFilePathOverride(QString());
    }

    // The document's handler, as the engine's results reach it.
    static void results(PollWindow& w, const std::vector<EngineStatus>& statuses) {
        for (EngineStatus s : statuses)
            w.doc->TakePollResult(s, w.model().slotIndex);
    }
    QStringList open(PollWindow& w) {
        EXPECT_TRUE(w.query(cmd::ErrorCounter).enabled);
        EXPECT_TRUE(w.view->OnCommand(cmd::ErrorCounter));
        return shown;
    }

    int opened = 0;
    QStringList shown, shownAfter;
    QString title, button, header, counting;
    bool selectable = true;
    std::function<void()> whileOpen;

private:
    QTemporaryDir m_dir;
    testing::RecordingInteraction m_ui;
};

TEST_F(ErrorCounterTest, ListsTheCountedKindsSortedAsText) {
    const EngineStatus timeout = status::Timeout, crc = status::ChecksumError,
                       noConnection = status::NoConnection;
    struct Case {
        std::vector<EngineStatus> statuses;
        QStringList lines;
    };
    const Case cases[] = {
        {{timeout, crc, timeout}, {"1\tCRC 错误", "2\t超时错误"}},
        {{noConnection, noConnection}, {"没有错误！"}},
        {{status::Ok, status::Ok}, {"没有错误！"}},
    };
    for (const Case& c : cases) {
        PollWindow w(testing::ReadDefinition(3, 0, 4));
        ASSERT_GE(w.model().slotIndex, 1);
        results(w, c.statuses);
        EXPECT_EQ(open(w), c.lines) << c.lines.join('|').toStdString();
    }
    EXPECT_EQ(title, "错误计数");
    EXPECT_EQ(button, "确定");
    EXPECT_FALSE(selectable);
    EXPECT_EQ(header, "本窗口自计数开始以来失败的通讯次数，按错误类型:");
    EXPECT_TRUE(QRegularExpression("^计数时长: \\d+:\\d\\d:\\d\\d$").match(counting).hasMatch())
        << counting.toStdString();
}

// The counting time starts again with the counts: the document's clock is
// restarted by the reset command, and the dialog asks its clock again while
// it is shown.
TEST_F(ErrorCounterTest, CountingTimeStartsAgainWithTheCountsAndRunsWhileShown) {
    PollWindow w(testing::ReadDefinition(3, 0, 4));
    PollDocumentModel& m = w.model();
    const QElapsedTimer before = m.countingClock;
    ASSERT_TRUE(QTest::qWaitFor([&] { return before.elapsed() >= 2; }, 5000));
    ASSERT_TRUE(w.doc->OnCommand(cmd::ClearCounters));
    EXPECT_GT(m.countingClock.msecsSinceReference(), before.msecsSinceReference());
    EXPECT_LE(m.CountingMs(), before.elapsed());

    qint64 clockMs = 3723004;
    CErrorCounter dialog(ErrorCounterModel::Counters{}, [&] { return clockMs; });
    EXPECT_EQ(dialog.CountingText(), "计数时长: 1:02:03");
    dialog.show();
    clockMs = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.CountingText() == "计数时长: 0:00:00"; }, 10000))
        << dialog.CountingText().toStdString();
}

TEST_F(ErrorCounterTest, ShowsASnapshotAndTheResetCommandClearsIt) {
    PollWindow w(testing::ReadDefinition(3, 0, 4));
    results(w, {status::Timeout, status::Timeout});
    whileOpen = [&] { results(w, {status::Timeout}); };
    EXPECT_EQ(open(w), QStringList{"2\t超时错误"});
    EXPECT_EQ(shownAfter, QStringList{"2\t超时错误"}) << "counts while open are not shown";
    whileOpen = nullptr;
    EXPECT_EQ(open(w), QStringList{"3\t超时错误"});

    ASSERT_TRUE(w.doc->OnCommand(cmd::ClearCounters));  // F12
    EXPECT_EQ(open(w), QStringList{"没有错误！"});
    EXPECT_EQ(opened, 3);
}

}  // namespace
}  // namespace zentiq
