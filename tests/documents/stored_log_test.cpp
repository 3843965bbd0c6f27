// The data log remembered per document file, and a log that is started
// again on a file that already holds lines.
#include "documents/stored_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "documents/data_logger.h"
#include "framework/settings_store.h"

namespace zentiq {
namespace {

StoredLog::Record record(const QString& file, int mode, int interval, int separator, bool errors) {
    StoredLog::Record r;
    r.file = file;
    r.options.mode = mode;
    r.options.interval = interval;
    r.options.separator = separator;
    r.options.errors = errors;
    return r;
}

class StoredLogTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    SettingsStore store{dir.filePath("Zentiq.ini")};
};

TEST_F(StoredLogTest, EachDocumentFindsItsOwnLastLog) {
    StoredLog::Remember(store, path("pump.zqd"), record(path("pump.csv"), 1, 10, 1, true));
    StoredLog::Remember(store, path("fan.zqd"), record(path("fan.txt"), 0, 1, 2, false));
    // Started again for the pump: the newer log replaces the older one.
    StoredLog::Remember(store, path("pump.zqd"), record(path("pump2.txt"), 0, 5, 0, false));
    struct Case {
        const char* document;
        std::optional<StoredLog::Record> expected;
    };
    const Case cases[] = {
        {"pump.zqd", record(path("pump2.txt"), 0, 5, 0, false)},
        {"fan.zqd", record(path("fan.txt"), 0, 1, 2, false)},
        {"other.zqd", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.document);
        const QString document = *c.document ? path(c.document) : QString();
        EXPECT_EQ(StoredLog::Find(store, document), c.expected);
    }
    // A relative name means the same file as its absolute path.
    QDir::setCurrent(dir.path());
    EXPECT_EQ(StoredLog::Find(store, QStringLiteral("fan.zqd")), record(path("fan.txt"), 0, 1, 2, false));
}

TEST_F(StoredLogTest, TheOldestDocumentsGiveWayBeyondTheLimit) {
    for (int n = 0; n <= StoredLog::kMaxEntries; ++n)
        StoredLog::Remember(store, path("d") + QString::number(n),
                            record(path("l") + QString::number(n), 0, 1, 0, false));
    EXPECT_FALSE(StoredLog::Find(store, path("d0"))) << "the first one remembered went";
    EXPECT_TRUE(StoredLog::Find(store, path("d1")));
    EXPECT_TRUE(StoredLog::Find(store, path("d") + QString::number(StoredLog::kMaxEntries)));
}

TEST_F(StoredLogTest, AHandEditedEntryOutOfRangeIsNotUsed) {
    struct Case {
        const char* key;
        int value;
    };
    const Case cases[] = {{"Mode1", 2}, {"Interval1", 0}, {"Interval1", 3601}, {"Separator1", 3},
                          {"Errors1", 7}, {"Mode1", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        StoredLog::Remember(store, path("pump.zqd"), record(path("pump.txt"), 1, 10, 1, true));
        store.SetInt(QStringLiteral("Data Logs"), QString::fromLatin1(c.key), c.value);
        EXPECT_FALSE(StoredLog::Find(store, path("pump.zqd")));
    }
}

// A last row cut short (a crash, a full disk) is left out, never ended:
// "…,1008,1009" cut to "…,1008,10" must not read as the value 10. A note
// line records it where it was; a row that lost only the "\n" of its
// "\r\n" is whole and kept.
TEST_F(StoredLogTest, AppendingKeepsTheLinesAndLeavesACutOneOut) {
    const QByteArray note = QStringLiteral("上次的记录在一行的中途结束，这一行已删去").toUtf8();
    const QByteArray header = "Time,1000,1008,1009,Status\r\n";
    struct Case {
        const char* file;
        QByteArray before;
        QByteArray after;
        DataLogger::Notice notice;
    };
    using N = DataLogger::Notice;
    const Case cases[] = {
        {"log.txt", "", "new\n", N::None},
        {"log.txt", "old\n", "old\nnew\n", N::None},
        {"log.txt", "old\ncut sho", "old\n" + note + "\nnew\n", N::CutLineDropped},
        {"log.txt", "cut only", note + "\nnew\n", N::CutLineDropped},
        {"log.csv", header + "T1,1000,1008,1009,\r\nT2,1000,1008,10",
         header + "T1,1000,1008,1009,\r\n" + header + "T,,,," + note + "\r\nnew\r\n", N::CutLineDropped},
        {"log.csv", header + "T1,1000,1008,1009,\r", header + "T1,1000,1008,1009,\r\n" + header + "new\r\n",
         N::None},
        {"log.csv", QByteArray("T1,") + QByteArray(10000, '7'), header + "T,,,," + note + "\r\nnew\r\n",
         N::CutLineDropped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before.left(60).toStdString());
        QFile file(path(c.file));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.before);
        file.close();
        DataLogger logger;
        ASSERT_TRUE(logger.Start(file.fileName(), DataLogger::Opening::Append));
        EXPECT_EQ(logger.path(), file.fileName());
        EXPECT_EQ(logger.TakeNotice(), c.notice);
        EXPECT_EQ(logger.OnResult(
                      true, 100, [] { return QStringLiteral("new"); },
                      [&] { return QString::fromLatin1(header).trimmed(); },
                      [&](const QString& text) {
                          return (QByteArray(c.file).endsWith(".csv") ? "T,,,," : "") + text;
                      }),
                  DataLogger::Outcome::Written);
        logger.Stop();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), c.after);
        file.close();
    }
    // Replace, the window's way, still empties the file.
    DataLogger logger;
    ASSERT_TRUE(logger.Start(path("log.txt")));
    EXPECT_EQ(logger.TakeNotice(), DataLogger::Notice::None);
    logger.Stop();
    EXPECT_EQ(QFileInfo(path("log.txt")).size(), 0);
}

}  // namespace
}  // namespace zentiq
