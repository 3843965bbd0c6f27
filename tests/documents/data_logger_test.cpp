#include "documents/data_logger.h"

#include <ostream>

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QDateTime>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "support/peer_process.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zentiq {
namespace {

using Outcome = DataLogger::Outcome;

class DataLoggerTest : public ::testing::Test {
protected:
    void SetUp() override { path = dir.filePath("logfile.txt"); }

    DataLogger::Options options(int mode, int interval, bool errors) {
        DataLogger::Options o;
        o.mode = mode;
        o.interval = interval;
        o.errors = errors;
        return o;
    }
    // Offers one result; the line names its time so the file shows which got in.
    Outcome offer(bool ok, std::time_t now) {
        return logger.OnResult(ok, qint64(now) * 1000, [&] {
            ++built;
            return QStringLiteral("%1 %2").arg(ok ? "ok" : "fail").arg(static_cast<long long>(now));
        });
    }
    QString contents() {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<missing>");
    }

    QTemporaryDir dir;
    QString path;
    DataLogger logger;
    int built = 0;
};

TEST_F(DataLoggerTest, EveryPollWritesGoodResultsAndErrorsOnlyWhenAsked) {
    logger.setOptions(options(DataLogger::EveryPoll, 1, false));
    ASSERT_TRUE(logger.Start(path));
    EXPECT_EQ(offer(true, 100), Outcome::Written);
    EXPECT_EQ(offer(false, 100), Outcome::NotQualified);
    EXPECT_EQ(offer(true, 100), Outcome::Written);
    EXPECT_EQ(contents(), QStringLiteral("ok 100\nok 100\n")) << "each line is in the file at once";
    EXPECT_EQ(built, 2);

    logger.setOptions(options(DataLogger::EveryPoll, 1, true));
    EXPECT_EQ(offer(false, 101), Outcome::Written);
    EXPECT_EQ(contents(), QStringLiteral("ok 100\nok 100\nfail 101\n"));
}

TEST_F(DataLoggerTest, IntervalModeWritesTheFirstAtOnceThenEveryTenSeconds) {
    logger.setOptions(options(DataLogger::AtInterval, 10, false));
    ASSERT_TRUE(logger.Start(path));
    int written = 0;
    for (std::time_t now = 1000; now <= 1030; ++now) written += offer(true, now) == Outcome::Written;
    EXPECT_EQ(written, 4);
    EXPECT_EQ(contents(), QStringLiteral("ok 1000\nok 1010\nok 1020\nok 1030\n"));
    EXPECT_EQ(built, 4) << "skipped results build no line";
}

TEST_F(DataLoggerTest, AResultWhileStoppedMakesTheNextLineImmediate) {
    logger.setOptions(options(DataLogger::AtInterval, 10, false));
    ASSERT_TRUE(logger.Start(path));
    EXPECT_EQ(offer(true, 100), Outcome::Written);
    EXPECT_EQ(offer(true, 105), Outcome::Skipped);
    logger.Stop();
    EXPECT_FALSE(logger.active());
    EXPECT_EQ(offer(true, 106), Outcome::Deferred);
    ASSERT_TRUE(logger.Start(path));
    EXPECT_EQ(contents(), QString()) << "starting empties the file";
    // A failed result while errors are not logged leaves the restart pending.
    EXPECT_EQ(offer(false, 107), Outcome::NotQualified);
    EXPECT_EQ(offer(true, 107), Outcome::Written);
    EXPECT_EQ(offer(true, 108), Outcome::Skipped);
    EXPECT_EQ(offer(true, 116), Outcome::Skipped);
    EXPECT_EQ(offer(true, 117), Outcome::Written);
    EXPECT_EQ(contents(), QStringLiteral("ok 107\nok 117\n"));
}

TEST_F(DataLoggerTest, FailedPollsDoNotTouchTheIntervalUnlessLogged) {
    logger.setOptions(options(DataLogger::AtInterval, 10, false));
    ASSERT_TRUE(logger.Start(path));
    EXPECT_EQ(offer(true, 100), Outcome::Written);
    EXPECT_EQ(offer(false, 110), Outcome::NotQualified);
    EXPECT_EQ(offer(true, 111), Outcome::Written);

    logger.setOptions(options(DataLogger::AtInterval, 10, true));
    EXPECT_EQ(offer(false, 121), Outcome::Written);
    EXPECT_EQ(offer(true, 125), Outcome::Skipped);
    EXPECT_EQ(contents(), QStringLiteral("ok 100\nok 111\nfail 121\n"));
}

TEST_F(DataLoggerTest, AClockSetBackDoesNotHoldTheLog) {
    logger.setOptions(options(DataLogger::AtInterval, 10, false));
    ASSERT_TRUE(logger.Start(path));
    EXPECT_EQ(offer(true, 5000), Outcome::Written);
    EXPECT_EQ(offer(true, 1000), Outcome::Written);
    EXPECT_EQ(offer(true, 1005), Outcome::Skipped);
    EXPECT_EQ(offer(true, 1010), Outcome::Written);
    logger.setOptions(options(DataLogger::AtInterval, 0, false));
    EXPECT_EQ(logger.options().interval, 1) << "the interval is kept within 1..3600";
}

// The file name picks the format; a CSV log repeats its header only when
// the window's columns change, and a text log never has one.
TEST_F(DataLoggerTest, ACsvLogWritesItsHeaderBeforeTheFirstRowAndWhenItChanges) {
    struct Case {
        const char* name;
        DataLogger::Format format;
        QString file;
    };
    const Case cases[] = {
        {"values.csv", DataLogger::Format::Csv, "Time,0\r\nr1\r\nr2\r\nTime,a\r\nr3\r\n"},
        {"VALUES.CSV", DataLogger::Format::Csv, "Time,0\r\nr1\r\nr2\r\nTime,a\r\nr3\r\n"},
        {"values.csv.txt", DataLogger::Format::Text, "r1\nr2\nr3\n"},
        {"csv", DataLogger::Format::Text, "r1\nr2\nr3\n"},
    };
    for (const Case& c : cases) {
        path = dir.filePath(c.name);
        ASSERT_TRUE(logger.Start(path)) << c.name;
        EXPECT_EQ(logger.format(), c.format) << c.name;
        QString header = "Time,0";
        for (const char* row : {"r1", "r2", "r3"}) {
            if (QLatin1String(row) == QLatin1String("r3"))
                header = "Time,a";
            EXPECT_EQ(logger.OnResult(true, 1, [&] { return QString(row); }, [&] { return header; }),
                      Outcome::Written);
        }
        logger.Stop();
        EXPECT_EQ(logger.format(), DataLogger::Format::Text);
        EXPECT_EQ(contents(), c.file) << c.name;
    }
}

TEST_F(DataLoggerTest, AFileThatCannotBeCreatedLeavesLoggingOff) {
    EXPECT_FALSE(logger.Start(dir.filePath("no/such/dir/log.txt")));
    EXPECT_FALSE(logger.active());
    EXPECT_EQ(logger.refusal(), DataLogger::Refusal::CannotOpen);
    EXPECT_EQ(DataLogger::RefusalText(logger.refusal()), QString()) << "nothing to add to the message";
    EXPECT_EQ(offer(true, 1), Outcome::Deferred);
    EXPECT_EQ(DataLogger::FileOpenErrorText(), QStringLiteral("文件打开错误"));
}

TEST_F(DataLoggerTest, AFailedWriteClosesTheLogAndSaysSo) {
    ASSERT_TRUE(QFile::exists("/dev/full")) << "the test needs /dev/full";
    logger.setOptions(options(DataLogger::EveryPoll, 1, false));
    ASSERT_TRUE(logger.Start("/dev/full"));
    EXPECT_EQ(offer(true, 1), Outcome::WriteFailed);
    EXPECT_FALSE(logger.active());
    EXPECT_EQ(offer(true, 2), Outcome::Deferred);
    EXPECT_EQ(DataLogger::WriteErrorText(), QStringLiteral("磁盘已满或磁盘错误"));
}

// While it lives, writes past `bytes` into any file of this process fail
// with EFBIG as on a full disk (SIGXFSZ ignored, as zentiq-headless has
// it); only the soft limit is lowered, so it can be lifted again.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        m_set = ::getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_set = m_set && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        if (m_set)
            ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool set() const { return m_set; }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = SIG_DFL;
    bool m_set = false;
};

// A retrying log (the headless run's) on a disk that fills and empties: the
// line the disk cut short leaves nothing behind, the lines meanwhile are
// counted and tried at most once a second, and the first line that goes in
// again comes after a line that records the gap.
TEST_F(DataLoggerTest, AFullDiskPausesARetryingLogUntilALineGoesInAfterTheGap) {
    const qint64 t0 = 1'700'000'000'000;
    const auto offerAt = [&](qint64 ms) {
        return logger.OnResult(true, ms, [&] {
            ++built;
            return QStringLiteral("ok %1").arg(ms - t0);
        });
    };
    logger.setWriteFailure(DataLogger::WriteFailure::Retry);
    ASSERT_TRUE(logger.Start(path));
    ASSERT_EQ(offerAt(t0), Outcome::Written);
    {
        // Three bytes of the next line fit, then the disk is "full".
        FileSizeLimit full(static_cast<rlim_t>(QFileInfo(path).size() + 3));
        ASSERT_TRUE(full.set());
        EXPECT_EQ(offerAt(t0 + 1000), Outcome::Stalled);
        EXPECT_EQ(contents(), "ok 0\n") << "no piece of the cut line stays";
        EXPECT_EQ(logger.TakeNotice(), DataLogger::Notice::WriteStalled);
        EXPECT_EQ(logger.StalledText("F"), QStringLiteral("记录停止: F: 文件已达到允许的最大长度"));
        for (const qint64 ms : {1200, 1400, 1999, 2000})
            EXPECT_EQ(offerAt(t0 + ms), Outcome::Stalled);
        EXPECT_EQ(built, 3) << "tried again only a second after the last try";
    }
    EXPECT_EQ(offerAt(t0 + 2500), Outcome::Stalled) << "room again, but within the second";
    EXPECT_EQ(offerAt(t0 + 3000), Outcome::Written);
    EXPECT_EQ(logger.TakeNotice(), DataLogger::Notice::WriteResumed);
    EXPECT_FALSE(logger.stalled());
    const auto clock = [](qint64 ms) { return QDateTime::fromMSecsSinceEpoch(ms).toString("HH:mm:ss.zzz"); };
    EXPECT_EQ(contents(), "ok 0\n记录中断 " + clock(t0 + 1000) + " – " + clock(t0 + 2500) + "，6 行未能写入\nok 3000\n");
}

// One writer per log file: a second logger, in this process or another,
// is refused and leaves the first one's lines alone.
TEST_F(DataLoggerTest, ASecondLoggerOfTheSameFileIsRefusedAndEmptiesNothing) {
    ASSERT_TRUE(logger.Start(path));
    EXPECT_EQ(offer(true, 1), Outcome::Written);
    const QString aliases[] = {path, dir.filePath("./logfile.txt"), dir.filePath("link.txt")};
    ASSERT_TRUE(QFile::link(path, aliases[2]));
    for (const QString& name : aliases) {
        DataLogger second;
        EXPECT_FALSE(second.Start(name)) << name.toStdString();
        EXPECT_FALSE(second.active());
        EXPECT_EQ(DataLogger::RefusalText(second.refusal()), QStringLiteral("已被本程序的另一个窗口记录"));
    }
    EXPECT_EQ(offer(true, 2), Outcome::Written);
    EXPECT_EQ(contents(), QStringLiteral("ok 1\nok 2\n")) << "no truncation, no NUL gap";

    logger.Stop();
    DataLogger second;
    EXPECT_TRUE(second.Start(path)) << "the file is free once the first log stops";
}

TEST_F(DataLoggerTest, AFifoWithoutReaderIsRefusedWithoutBlocking) {
    const QString fifo = dir.filePath("fifo.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(logger.Start(fifo));
    EXPECT_FALSE(logger.active());
}

TEST_F(DataLoggerTest, AnotherProcessLoggingToTheFileLocksItOut) {
    const QString holder =
        QString::fromStdString(test::PeerProcess::BinaryDir()) + QStringLiteral("/tests/zentiq_log_holder");
    ASSERT_TRUE(QFile::exists(holder)) << "build the target zentiq_log_holder";

    // The other process holds the log: this one is refused, its line stays.
    QProcess other;
    other.start(holder, {path});
    ASSERT_TRUE(other.waitForStarted(10000));
    ASSERT_TRUE(other.waitForReadyRead(10000));
    ASSERT_EQ(other.readAllStandardOutput(), QByteArray("logging\n"));
    EXPECT_FALSE(logger.Start(path));
    EXPECT_EQ(DataLogger::RefusalText(logger.refusal()), QStringLiteral("已被另一个进程记录"));
    EXPECT_EQ(contents(), QStringLiteral("holder\n"));
    other.closeWriteChannel();
    ASSERT_TRUE(other.waitForFinished(10000));
    EXPECT_EQ(other.exitCode(), 0);

    // This process holds it: the other is refused.
    ASSERT_TRUE(logger.Start(path));
    EXPECT_EQ(offer(true, 5), Outcome::Written);
    QProcess refused;
    refused.start(holder, {path});
    ASSERT_TRUE(refused.waitForFinished(10000));
    EXPECT_EQ(refused.exitCode(), 1);
    EXPECT_EQ(refused.readAllStandardOutput(), QByteArray("refused\n"));
    EXPECT_EQ(contents(), QStringLiteral("ok 5\n"));
}

// A log whose file goes (deleted, moved away, its folder removed and made
// again) notices it at its next line: the file is made again under its
// path with a note line first, and the user hears of it once. (The lines
// lost while its folder is missing: the headless run's tests.)
TEST_F(DataLoggerTest, AFileThatGoesUnderTheLogIsMadeAgainWithANoteOfTheGap) {
    using Notice = DataLogger::Notice;
    const QString folder = dir.filePath("logs");
    path = folder + "/log.txt";
    const QString moved = dir.filePath("moved.txt");
    const QString recreated = QStringLiteral("记录文件被删除或移走，已重新创建");
    const struct {
        const char* what;
        std::function<bool()> remove;
    } ways[] = {
        {"deleted", [&] { return QFile::remove(path); }},
        {"moved", [&] { return QFile::rename(path, moved); }},
        {"deleted beside a hard link",
         [&] {
             return ::link(QFile::encodeName(path).constData(), QFile::encodeName(moved).constData()) == 0 &&
                    QFile::remove(path);
         }},
        {"rm -rf logs; mkdir logs", [&] { return QDir(folder).removeRecursively() && QDir().mkpath(folder); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        QFile::remove(moved);
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(logger.Start(path));
        EXPECT_EQ(offer(true, 1), Outcome::Written);
        ASSERT_TRUE(way.remove());
        EXPECT_EQ(offer(true, 2), Outcome::Written);
        EXPECT_EQ(logger.TakeNotice(), Notice::FileRecreated);
        EXPECT_EQ(logger.TakeNotice(), Notice::None) << "said once";
        EXPECT_EQ(offer(true, 3), Outcome::Written);
        EXPECT_EQ(contents(), recreated + "\nok 2\nok 3\n");
        if (QFile::exists(moved)) {
            QFile old(moved);
            ASSERT_TRUE(old.open(QIODevice::ReadOnly));
            EXPECT_EQ(old.readAll(), "ok 1\n") << "the file that went keeps its lines";
        }
        logger.Stop();
    }
}

}  // namespace
}  // namespace zentiq
