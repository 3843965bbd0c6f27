#include "writes/value_list_file.h"

#include <csignal>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cstring>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace zentiq {
namespace {

using VL = ValueListFile;

class ValueListFileTest : public ::testing::Test {
protected:
    QByteArray read(const QString& name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString write(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return f.fileName();
    }
    QTemporaryDir dir;
};

TEST_F(ValueListFileTest, SavedListsHaveTheirFixedLayout) {
    std::array<std::uint8_t, 2000> coils{};
    coils[0] = coils[1999] = 1;
    ASSERT_EQ(VL::Save(dir.filePath("c.mod"), VL::kCoilTag, coils.data()), VL::Status::Ok);
    QByteArray want = QByteArray(2004, '\0');
    want[4] = want[2003] = 1;
    EXPECT_EQ(read("c.mod"), want);

    // Register values as they lie in memory: a word, then a float, no word swap.
    std::array<std::uint8_t, 256> registers{};
    registers[0] = 0x34;
    registers[1] = 0x12;
    const float f = 1.5f;
    std::memcpy(registers.data() + 4, &f, 4);
    ASSERT_EQ(VL::Save(dir.filePath("f.mod"), VL::TagForFormat(4), registers.data()), VL::Status::Ok);
    want = QByteArray("\x02\x00\x00\x00\x34\x12\x00\x00\x00\x00\xC0\x3F", 12) + QByteArray(248, '\0');
    EXPECT_EQ(read("f.mod"), want);

    EXPECT_EQ(VL::Save(dir.filePath("x.mod"), 7, registers.data()), VL::Status::WrongTag);
    EXPECT_FALSE(QFile::exists(dir.filePath("x.mod")));
}

TEST_F(ValueListFileTest, OpensOnlyListsOfTheSameKind) {
    std::array<std::uint8_t, 256> saved{};
    for (size_t i = 0; i < saved.size(); ++i) saved[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_EQ(VL::Save(dir.filePath("f.mod"), VL::TagForFormat(4), saved.data()), VL::Status::Ok);
    std::array<std::uint8_t, 256> buffer{};
    std::size_t got = 0;
    ASSERT_EQ(VL::Load(dir.filePath("f.mod"), VL::TagForFormat(5), buffer.data(), &got), VL::Status::Ok);
    EXPECT_EQ(buffer, saved);
    EXPECT_EQ(got, 256u);

    // "Signed", a long list or the coil dialog: refused, nothing changes.
    for (int format : {0, 8, -1}) {
        std::array<std::uint8_t, 2000> untouched;
        untouched.fill(0x5A);
        const std::int32_t tag = format < 0 ? VL::kCoilTag : VL::TagForFormat(format);
        EXPECT_EQ(VL::Load(dir.filePath("f.mod"), tag, untouched.data(), &got), VL::Status::WrongTag);
        EXPECT_EQ(std::count(untouched.begin(), untouched.end(), 0x5A), 2000);
        EXPECT_EQ(got, 0u);
    }
    EXPECT_EQ(VL::StatusText(VL::Status::WrongTag), QStringLiteral("不正确的数据格式"));
}

TEST_F(ValueListFileTest, ShortAndLongFiles) {
    std::array<std::uint8_t, 300> buffer;
    buffer.fill(0x77);
    std::size_t got = 99;
    ASSERT_EQ(VL::Load(write("s.mod", QByteArray("\x03\x00\x00\x00\x01\x02\x03", 7)), VL::kDoubleTag,
                       buffer.data(), &got), VL::Status::Ok);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_EQ(buffer[3], 0x77) << "the rest keeps its values";

    for (int n = 0; n < 4; ++n)  // too short for a tag
        EXPECT_EQ(VL::Load(write("s.mod", QByteArray(n, '\0')), VL::kCoilTag, buffer.data()), VL::Status::WrongTag) << n;
    EXPECT_EQ(buffer[0], 1);

    ASSERT_EQ(VL::Load(write("l.mod", QByteArray("\x01\x00\x00\x00", 4) + QByteArray(5000, '\x42')),
                       VL::kRegisterTag, buffer.data(), &got), VL::Status::Ok);
    EXPECT_EQ(got, 256u);
    EXPECT_EQ(buffer[255], 0x42);
    EXPECT_EQ(buffer[256], 0x77) << "nothing beyond the block";
}

TEST_F(ValueListFileTest, FileErrors) {
    std::array<std::uint8_t, 2000> buffer{};
    EXPECT_EQ(VL::Load(dir.filePath("missing.mod"), 0, buffer.data()), VL::Status::OpenFailed);
    EXPECT_EQ(VL::Save(dir.filePath("no/dir/x.mod"), 0, buffer.data()), VL::Status::OpenFailed);
    EXPECT_EQ(VL::StatusText(VL::Status::OpenFailed), QStringLiteral("文件打开错误"));

    // The disk takes only 1000 of the 2004 bytes: reported, the earlier file stays.
    const QString path = write("keep.mod", "old");
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    const VL::Status status = VL::Save(path, VL::kCoilTag, buffer.data());
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(status, VL::Status::WriteFailed);
    EXPECT_EQ(VL::StatusText(status), QStringLiteral("磁盘已满或磁盘错误"));
    EXPECT_EQ(read("keep.mod"), QByteArray("old"));
}

}  // namespace
}  // namespace zentiq
