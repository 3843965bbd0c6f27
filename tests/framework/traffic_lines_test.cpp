#include "framework/traffic_lines.h"

#include <csignal>
#include <sys/resource.h>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace zentiq {
namespace {

using TL = TrafficLines;
const std::uint8_t kRequest[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};

TEST(TrafficLinesTest, NumberedHexLines) {
    EXPECT_EQ(TL::FormatLine(6, 17, TL::Direction::Tx, kRequest, sizeof kRequest),
              QStringLiteral("000017-Tx:01 03 00 00 00 0A C5 CD "));
    const std::uint8_t ascii[] = {0x3A, 0x30, 0x0D, 0x0A, 0xFF};
    EXPECT_EQ(TL::FormatLine(6, 1234567, TL::Direction::Rx, ascii, sizeof ascii),
              QStringLiteral("1234567-Rx:3A 30 0D 0A FF "));
}

TEST(TrafficLinesTest, KeepsTheLast101LinesAndTheSharedCounterRunsOn) {
    unsigned counter = 0;
    {
        TL first(TL::kMonitorDigits, &counter);
        for (int i = 0; i < 150; ++i) {
            ASSERT_TRUE(first.Add(TL::Direction::Tx, kRequest, sizeof kRequest));
            EXPECT_EQ(first.droppedByLastAdd(), i >= 51 ? 1 : 0) << i;
            ASSERT_TRUE(first.Add(TL::Direction::Rx, kRequest, 3));
        }
        ASSERT_EQ(first.count(), 101);
        EXPECT_TRUE(first.lines().first().startsWith("000199-Rx:"));
        EXPECT_TRUE(first.lines().last().startsWith("000299-Rx:"));
        EXPECT_EQ(first.topIndexAfterAdd(), 99);
        // An empty capture adds no line and takes no number.
        EXPECT_FALSE(first.Add(TL::Direction::Rx, kRequest, 0));
    }
    TL reopened(TL::kMonitorDigits, &counter);
    reopened.Add(TL::Direction::Tx, kRequest, 2);
    EXPECT_EQ(reopened.lines(), QStringList{"000300-Tx:01 03 "});
}

TEST(TrafficLinesTest, CopyTakesSelectedLinesTrimmedWithCrLf) {
    const QStringList lines{"000001-Tx:01 ", "000002-Rx:02 \t ", "000003-Tx:03 ", "000004-Rx:04 "};
    EXPECT_EQ(TL::CopyText(lines, {3, 0, 1, 1, -1, 4}), QStringLiteral("000001-Tx:01\r\n000002-Rx:02\r\n000004-Rx:04\r\n"));
    QStringList many;
    QList<int> all;
    for (int i = 0; i < 101; ++i) {
        many << QStringLiteral("%1 ").arg(i);
        all << i;
    }
    const QString text = TL::CopyText(many, all);
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 100);
    EXPECT_TRUE(text.endsWith(QStringLiteral("\n99\r\n")));
}

TEST(TrafficLinesTest, SaveWritesEveryLineAndReportsFailures) {
    QTemporaryDir dir;
    const QString path = dir.filePath("comm.txt");
    const QByteArray saved("000001-Tx:01 \n000002-Rx:02 \n");
    ASSERT_EQ(TL::SaveLines(path, {"000001-Tx:01 ", "000002-Rx:02 "}), TL::SaveStatus::Ok);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), saved);
    f.close();
    ASSERT_EQ(TL::SaveLines(dir.filePath("empty.txt"), {}), TL::SaveStatus::Ok);
    EXPECT_EQ(QFile(dir.filePath("empty.txt")).size(), 0);
    EXPECT_EQ(TL::SaveLines(dir.filePath("no/dir/x.txt"), {"a"}), TL::SaveStatus::OpenFailed);

    // The disk takes only 100 bytes: the save fails and the earlier file stays.
    QStringList lines;
    for (unsigned i = 0; i < 101; ++i) lines << TL::FormatLine(6, i, TL::Direction::Tx, kRequest, 8);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    const TL::SaveStatus status = TL::SaveLines(path, lines);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(status, TL::SaveStatus::WriteFailed);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), saved);
}

}  // namespace
}  // namespace zentiq
