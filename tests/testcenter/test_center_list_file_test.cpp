#include "testcenter/test_center_list_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace zentiq {
namespace {

using LF = TestCenterListFile;

class TestCenterListFileTest : public ::testing::Test {
protected:
    LF::Status load(const QByteArray& bytes) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        loaded = {"stale"};
        return LF::Load(path, &loaded);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    QStringList loaded;
};

TEST_F(TestCenterListFileTest, SavedListReadsBackAsTyped) {
    struct Case {
        QStringList entries;
        QByteArray bytes;
    };
    const Case cases[] = {
        {{"01 03 00 00 00 0A", "01,06.00 01 00 FF", "", "  odd text  "},
         "TestCenter\n01 03 00 00 00 0A\n01,06.00 01 00 FF\n\n  odd text  \n"},
        {{}, "TestCenter\n"},
        {{QString::fromUtf8("\xE5\xB8\xA7 01")}, "TestCenter\n\xE5\xB8\xA7 01\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.constData());
        ASSERT_EQ(LF::Save(path, c.entries), LF::Status::Ok);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), c.bytes);
        ASSERT_EQ(LF::Load(path, &loaded), LF::Status::Ok);
        EXPECT_EQ(loaded, c.entries);
    }
    // CR LF line ends and a last line without one.
    ASSERT_EQ(load("TestCenter\r\n01 02\r\n03 04"), LF::Status::Ok);
    EXPECT_EQ(loaded, (QStringList{"01 02", "03 04"}));
}

TEST_F(TestCenterListFileTest, HeaderMustMatchExactly) {
    for (const char* bytes : {"testcenter\n01 02\n", "TESTCENTER\n", "TestCenter2\n01\n", " TestCenter\n", "", "\n01\n"}) {
        EXPECT_EQ(load(bytes), LF::Status::NotListFile) << bytes;
        EXPECT_TRUE(loaded.isEmpty()) << bytes;
    }
    EXPECT_EQ(LF::StatusText(LF::Status::NotListFile), QStringLiteral("This file is not a test center file"));
}

TEST_F(TestCenterListFileTest, AtMostOneHundredFramesAndBoundedLines) {
    QByteArray bytes("TestCenter\n");
    for (int i = 0; i < 150; ++i) bytes += QByteArray::number(i) + "\n";
    ASSERT_EQ(load(bytes), LF::Status::Ok);
    ASSERT_EQ(loaded.size(), 100);
    EXPECT_EQ(loaded.last(), QStringLiteral("99"));

    // An overlong line is cut (still far beyond what Send accepts) and the
    // next line stays a line of its own.
    ASSERT_EQ(load("TestCenter\n" + QByteArray(100000, 'A') + "\n01 02\n"), LF::Status::Ok);
    ASSERT_EQ(loaded.size(), 2);
    EXPECT_EQ(loaded[0].size(), LF::kMaxLineBytes);
    EXPECT_EQ(loaded[1], QStringLiteral("01 02"));
}

TEST_F(TestCenterListFileTest, FileErrors) {
    loaded = {"stale"};
    EXPECT_EQ(LF::Load(dir.filePath("missing.txt"), &loaded), LF::Status::OpenFailed);
    EXPECT_TRUE(loaded.isEmpty());
    EXPECT_EQ(LF::Save(dir.filePath("no/dir/x.txt"), {}), LF::Status::OpenFailed);
    EXPECT_EQ(LF::StatusText(LF::Status::OpenFailed), QStringLiteral("文件打开错误"));
}

}  // namespace
}  // namespace zentiq
