// Logging of a poll window: the setup dialog, the start and stop commands
// with their file dialog, and the lines the view writes for the results of
// a real slave (libmodbus on 127.0.0.1), with a clock the test sets.
#include "documents/mb_log_setup.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/file_dialog.h"
#include "documents/data_logger.h"
#include "documents/stored_log.h"
#include "engine/engine.h"
#include "framework/settings_store.h"
#include "framework/window_registry.h"
#include "support/dialog_test_helpers.h"
#include "support/peer_link.h"
#include "support/poll_window.h"

namespace zentiq {
namespace {

using testing::child;
using testing::PollWindow;
using testing::press;

// ---- the setup dialog ----------------------------------------------------------------------

TEST(LogSetupDialogTest, OptionsRoundTripAndTheIntervalIsCheckedAndEnabledByMode) {
    testing::RecordingInteraction warnings;
    DataLogger::Options in;
    in.mode = DataLogger::AtInterval;
    in.interval = 25;
    in.separator = 2;
    in.errors = true;
    CMBLogSetup dialog(in);
    EXPECT_EQ(dialog.windowTitle(), "记录设置");
    auto* interval = child<QLineEdit>(&dialog, "intervalEdit");
    EXPECT_EQ(interval->property("controlId").toInt(), 1089);
    EXPECT_EQ(interval->text(), "25");
    EXPECT_TRUE(interval->isEnabled());
    EXPECT_TRUE(child<QRadioButton>(&dialog, "tabRadio")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(&dialog, "errorsCheck")->isChecked());
    dialog.show();

    press(child<QRadioButton>(&dialog, "everyPollRadio"));
    EXPECT_FALSE(interval->isEnabled());
    press(child<QRadioButton>(&dialog, "intervalRadio"));
    EXPECT_TRUE(interval->isEnabled());

    // Out of range: the standard message, the dialog stays open.
    testing::type(interval, "3601");
    QTest::mouseClick(child<QPushButton>(&dialog, "okButton"), Qt::LeftButton);
    EXPECT_EQ(warnings.texts(), QStringList{"请输入一个整数,1和3600之间。"});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    testing::type(interval, "3600");
    press(child<QRadioButton>(&dialog, "commaRadio"));
    press(child<QCheckBox>(&dialog, "errorsCheck"));
    QTest::mouseClick(child<QPushButton>(&dialog, "okButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.options().mode, DataLogger::AtInterval);
    EXPECT_EQ(dialog.options().interval, 3600);
    EXPECT_EQ(dialog.options().separator, 1);
    EXPECT_FALSE(dialog.options().errors);

    CMBLogSetup everyPoll(DataLogger::Options{});
    EXPECT_FALSE(child<QLineEdit>(&everyPoll, "intervalEdit")->isEnabled());
    EXPECT_TRUE(child<QRadioButton>(&everyPoll, "fixedWidthRadio")->isChecked());
}

// ---- commands and lines --------------------------------------------------------------------

class LoggingTest : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsStore::setFilePathOverride(dir.filePath("Zentiq.ini"));
        m_previousClock = DataLogger::SetClockMs([this] { return qint64(now) * 1000; });
        warnings.answerFile = [this](const FileRequest& r) {
            requests.push_back(r);
            return path;
        };
        warnings.onModal<CMBLogSetup>([this](CMBLogSetup& dialog) {
            if (!accept)
                return int(QDialog::Rejected);
            // As a user would: the radios and the edit, then OK.
            press(child<QRadioButton>(&dialog, options.mode == 1 ? "intervalRadio" : "everyPollRadio"));
            testing::type(child<QLineEdit>(&dialog, "intervalEdit"), QString::number(options.interval));
            const char* radios[] = {"fixedWidthRadio", "commaRadio", "tabRadio"};
            press(child<QRadioButton>(&dialog, radios[options.separator]));
            auto* errors = child<QCheckBox>(&dialog, "errorsCheck");
            if (errors->isChecked() != options.errors)
                press(errors);
            dialog.accept();
            return dialog.result();
        });
        InitEngine();
        InstallEnginePoster();
    }
    void TearDown() override {
        m_link.reset();
        DataLogger::SetClockMs(m_previousClock);
        SettingsStore::setFilePathOverride(QString());
    }
    void connect() {
        std::string error;
        m_link = testing::PeerLink::Start(testing::PeerLink::Peer::LibModbus, TCP, error);
        ASSERT_TRUE(m_link) << error;
    }
    void start(PollWindow& w) {
        ASSERT_TRUE(w.query(cmd::StartLogging).enabled);
        ASSERT_TRUE(w.doc->OnCommand(cmd::StartLogging));
    }
    QStringList logLines() const {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    QString timeText() const { return QDateTime::fromSecsSinceEpoch(now).toString("HH:mm:ss"); }

    QTemporaryDir dir;
    QString path = dir.filePath("log.txt");
    std::time_t now = 1'700'000'000;
    DataLogger::Options options;
    bool accept = true;
    std::vector<FileDialog::Request> requests;
    testing::RecordingInteraction warnings;

private:
    std::unique_ptr<testing::PeerLink> m_link;
    DataLogger::Clock m_previousClock;
};

TEST_F(LoggingTest, StartAsksForTheFileThenTheOptionsAndStopCloses) {
    PollWindow w(testing::ReadDefinition(3, 0, 2));
    EXPECT_FALSE(w.query(cmd::StopLogging).enabled);

    path.clear();  // cancelled at the file dialog
    start(w);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].proposedName, "logfile.txt");
    EXPECT_EQ(requests[0].filter, QString::fromUtf8("Modbus 记录数据 (*.txt);;CSV (*.csv)"));
    EXPECT_FALSE(w.doc->Logger().active());

    path = dir.filePath("log.txt");
    options.mode = 1;
    options.interval = 7;
    accept = false;  // cancelled at the options: nothing changes
    start(w);
    EXPECT_FALSE(w.doc->Logger().active());
    EXPECT_EQ(w.doc->Logger().options().mode, 0);
    EXPECT_FALSE(QFile::exists(path));

    accept = true;
    start(w);
    EXPECT_TRUE(w.doc->Logger().active());
    EXPECT_EQ(w.doc->Logger().options().mode, 1);
    EXPECT_EQ(w.doc->Logger().options().interval, 7);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(w.query(cmd::StartLogging).enabled);
    EXPECT_TRUE(w.query(cmd::StopLogging).enabled);
    ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));
    EXPECT_FALSE(w.doc->Logger().active());
    EXPECT_TRUE(w.query(cmd::StartLogging).enabled);

    path = dir.filePath("no/such/folder/log.txt");
    start(w);
    EXPECT_EQ(warnings.texts(), QStringList{"文件打开错误"});
    EXPECT_FALSE(w.doc->Logger().active());
}

TEST_F(LoggingTest, ASavedDocumentRemembersItsLogForRunsWithoutWindows) {
    PollWindow w(testing::ReadDefinition(3, 0, 2));
    // Never saved: nothing to remember it by.
    options.mode = 1;
    options.interval = 9;
    options.separator = 1;
    start(w);
    ASSERT_TRUE(w.doc->Logger().active());
    // Saved while it logs: remembered under its new name.
    const QString document = dir.filePath("pump.zqd");
    ASSERT_TRUE(w.doc->DoSave(document, true));
    std::optional<StoredLog::Record> stored = StoredLog::Find(SettingsStore(), document);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->file, path);
    EXPECT_EQ(stored->options.interval, 9);
    EXPECT_EQ(stored->options.separator, 1);

    // Started again on another file with other options: that one counts.
    ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));
    path = dir.filePath("pump.csv");
    options.mode = 0;
    options.errors = true;
    start(w);
    stored = StoredLog::Find(SettingsStore(), document);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->file, path);
    EXPECT_EQ(stored->options.mode, 0);
    EXPECT_TRUE(stored->options.errors);
    // A log that could not be started is not remembered.
    ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));
    path = dir.filePath("no/such/folder/log.txt");
    start(w);
    EXPECT_EQ(StoredLog::Find(SettingsStore(), document)->file, dir.filePath("pump.csv"));
}

TEST_F(LoggingTest, TwoWindowsCannotLogToOneFile) {
    connect();
    PollWindow a(testing::ReadDefinition(3, 0, 2));
    PollWindow b(testing::ReadDefinition(3, 5, 2));
    start(a);
    ASSERT_TRUE(a.doc->Logger().active());
    ASSERT_TRUE(QTest::qWaitFor([&] { return logLines().size() >= 2; }, 10000));

    start(b);
    EXPECT_EQ(warnings.texts(), QStringList{"文件打开错误: " + path + " 已被本程序的另一个窗口记录"});
    EXPECT_FALSE(b.doc->Logger().active());
    EXPECT_TRUE(b.query(cmd::StartLogging).enabled);

    // The first window's log goes on whole: its own label on every line, no NUL.
    const int before = int(logLines().size());
    ASSERT_TRUE(QTest::qWaitFor([&] { return logLines().size() >= before + 2; }, 10000));
    for (const QString& line : logLines()) {
        EXPECT_TRUE(line.contains("<00000>")) << line.toStdString();
        EXPECT_FALSE(line.contains(QChar(0))) << line.toStdString();
    }

    // Stopped in the first window, the file is the second's to take.
    ASSERT_TRUE(a.doc->OnCommand(cmd::StopLogging));
    start(b);
    EXPECT_TRUE(b.doc->Logger().active());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !logLines().isEmpty() && logLines().last().contains("<00005>"); }, 10000));
}

TEST_F(LoggingTest, SeparatorsKeepEveryFixedWidthItemAndDropEmptyOnes) {
    connect();
    // Holding registers 0..3 hold 3, 10, 17, 24: two longs, low word first.
    struct Case {
        int separator;
        int format;
        int length;
        QString values;
    };
    const Case cases[] = {
        {1, 8, 4, "655363,1572881"},
        {2, 8, 4, "655363\t1572881"},
        {0, 8, 4, "    655363     1572881 "},
        {0, 0, 3, "     3     10     17"},
        {1, 0, 3, "3,10,17"},
    };
    for (const Case& c : cases) {
        PollWindow w(testing::ReadDefinition(3, 0, c.length, c.format));
        options.separator = c.separator;
        start(w);
        ASSERT_TRUE(w.waitForPolls(w.model().txCount + 3));
        ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));
        const QStringList lines = logLines();
        ASSERT_GE(lines.size(), 2);
        const QString s = QStringList{" ", ",", "\t"}[c.separator];
        for (const QString& line : lines)
            EXPECT_EQ(line, timeText() + s + "<00000>" + s + c.values);
    }
}

TEST_F(LoggingTest, IntervalModeFollowsTheClockAndTheFirstLineIsImmediate) {
    connect();
    PollWindow w(testing::ReadDefinition(3, 0, 1));
    options.mode = 1;
    options.interval = 10;
    start(w);
    const auto pollsThenLines = [&](int polls) {
        EXPECT_TRUE(w.waitForPolls(w.model().txCount + polls));
        return logLines().size();
    };
    EXPECT_EQ(pollsThenLines(3), 1);
    now += 9;
    EXPECT_EQ(pollsThenLines(3), 1);
    now += 1;
    EXPECT_EQ(pollsThenLines(3), 2);
    EXPECT_EQ(logLines().last(), timeText() + " <00000>      3");
    EXPECT_EQ(pollsThenLines(3), 2);
}

TEST_F(LoggingTest, FailedPollsAreLoggedOnlyWhenAskedWithTheirStatusText) {
    connect();
    // Past the end of the slave's table: every poll is an exception answer.
    PollWindow w(testing::ReadDefinition(3, 1990, 20));
    start(w);
    ASSERT_TRUE(w.waitForPolls(w.model().txCount + 3));
    ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));
    EXPECT_TRUE(logLines().isEmpty());

    options.errors = true;
    start(w);
    ASSERT_TRUE(w.waitForPolls(w.model().txCount + 3));
    ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));
    const QStringList lines = logLines();
    ASSERT_FALSE(lines.isEmpty());
    // Read back as UTF-8, the Chinese status text is whole.
    EXPECT_EQ(lines.first(), timeText() + " <01990> 不合法数据地址");
}

TEST_F(LoggingTest, AFailingDiskEndsLoggingWithItsMessageWhilePollingGoesOn) {
    connect();
    PollWindow w(testing::ReadDefinition(3, 0, 2));
    // A log file whose every write fails as on a full disk.
    path = dir.filePath("full.txt");
    ASSERT_TRUE(QFile::link("/dev/full", path));
    start(w);
    ASSERT_TRUE(w.doc->Logger().active());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !warnings.texts().isEmpty(); }, 10000));
    EXPECT_EQ(warnings.texts(), QStringList{"磁盘已满或磁盘错误"});
    EXPECT_FALSE(w.doc->Logger().active());
    EXPECT_TRUE(w.query(cmd::StartLogging).enabled);
    ASSERT_TRUE(w.waitForPolls(w.model().txCount + 3)) << "polling goes on";
    EXPECT_EQ(w.model().lastStatus, 0);
    EXPECT_EQ(warnings.texts().size(), 1);
}

// rm -rf logs; mkdir logs while a window logs: the file is made again with
// its header and a note row (no values in it), the status band says so
// instead of a box, and stopping the log takes the notice away.
TEST_F(LoggingTest, ALogFolderRemovedWhileLoggingIsMadeAgainAndTheBandSaysSo) {
    connect();
    PollWindow w(testing::ReadDefinition(3, 0, 2));
    const QString folder = dir.filePath("logs");
    ASSERT_TRUE(QDir().mkpath(folder));
    path = folder + "/log.csv";
    start(w);
    ASSERT_TRUE(QTest::qWaitFor([&] { return logLines().size() >= 3; }, 10000));
    EXPECT_EQ(w.view->StatusLine2(), QString());

    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QTest::qWaitFor([&] { return logLines().size() >= 4; }, 10000));
    const QStringList lines = logLines();
    EXPECT_TRUE(lines[0].startsWith("Time,") && lines[0].endsWith(",Status\r")) << lines[0].toStdString();
    // Polls that met the folder missing are counted in the note.
    EXPECT_TRUE(lines[1].contains(QRegularExpression("^[^,]+,,,记录文件被删除或移走，已重新创建(；\\d+ 行未能记录)?\r$")))
        << lines[1].toStdString();
    for (const QString& row : lines.mid(2))
        EXPECT_TRUE(row.endsWith(",3,10,\r")) << row.toStdString();
    EXPECT_TRUE(warnings.texts().isEmpty()) << warnings.texts().join('\n').toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.view->StatusLine2().isEmpty(); }, 10000));
    EXPECT_EQ(w.view->StatusLine2(), "记录文件 log.csv 被删除或移走，已重新创建。");

    ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));
    EXPECT_EQ(w.view->StatusLine2(), QString());
}

}  // namespace
}  // namespace zentiq
