#include "values/log_line.h"

#include <array>
#include <cstring>
#include <ostream>

#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zentiq {
namespace {

std::time_t LocalTime(int h, int m, int s) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    tm.tm_hour = h;
    tm.tm_min = m;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

class LogLineTest : public ::testing::Test {
protected:
    void word(int i, std::uint16_t w) {
        bytes[static_cast<size_t>(2 * i)] = static_cast<std::uint8_t>(w & 0xFF);
        bytes[static_cast<size_t>(2 * i + 1)] = static_cast<std::uint8_t>(w >> 8);
    }
    LogLine::Poll poll(int address, int oneBased, int function, int length, int format) const {
        return {address, oneBased, function, length, format, bytes};
    }
    QString line(int separator, const LogLine::Poll& p) const { return LogLine::Build(t, separator, p, false, {}); }

    const std::time_t t = LocalTime(13, 5, 9);
    std::array<std::uint8_t, 2000> bytes{};
};

TEST_F(LogLineTest, TimeIsLocalTwentyFourHourClock) {
    EXPECT_EQ(LogLine::TimeText(t), QStringLiteral("13:05:09"));
    EXPECT_EQ(LogLine::TimeText(LocalTime(23, 59, 59)), QStringLiteral("23:59:59"));
    // Dated (zentiq-headless --log-date): the same line with the date before the time.
    std::tm local{};
    localtime_r(&t, &local);
    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    EXPECT_EQ(LogLine::TimeText(t, true), QString::fromLatin1(date) + QStringLiteral(" 13:05:09"));
    const LogLine::Poll p = poll(99, 0, 3, 1, 0);
    EXPECT_EQ(LogLine::Build(t, LogLine::Comma, p, false, {}, true),
              QString::fromLatin1(date) + QStringLiteral(" ") + line(LogLine::Comma, p));
}

TEST_F(LogLineTest, SeparatedValuesAreLeftPlainWithoutTrailingSeparator) {
    word(0, 1);
    word(1, 0xFFFE);
    word(2, 3);
    EXPECT_EQ(line(LogLine::Comma, poll(99, 0, 3, 3, 0)), QStringLiteral("13:05:09,<00099>,1,-2,3"));
    EXPECT_EQ(line(LogLine::Tab, poll(99, 0, 3, 3, 0)), QStringLiteral("13:05:09\t<00099>\t1\t-2\t3"));
    // Fixed width: every padded item and single blanks; an unknown separator is fixed width.
    EXPECT_EQ(line(LogLine::FixedWidth, poll(0, 0, 4, 3, 0)), QStringLiteral("13:05:09 <00000>      1     -2      3"));
    EXPECT_EQ(line(7, poll(0, 0, 4, 3, 0)), line(LogLine::FixedWidth, poll(0, 0, 4, 3, 0)));
}

TEST_F(LogLineTest, EmptyItemsOfWideValuesAreLeftOutOnlyWhenSeparated) {
    const float f = 1.5f;
    std::memcpy(bytes.data(), &f, 4);
    // Register 2 starts a pair that the poll cuts off: empty as well.
    EXPECT_EQ(line(LogLine::Comma, poll(0, 0, 3, 3, 4)), QStringLiteral("13:05:09,<00000>,1.500000"));
    EXPECT_EQ(line(LogLine::FixedWidth, poll(0, 0, 3, 3, 4)), QStringLiteral("13:05:09 <00000>        1.500000  "));
    // Nothing to list: the separator after the label is the character that goes.
    EXPECT_EQ(line(LogLine::Comma, poll(0, 0, 3, 1, 4)), QStringLiteral("13:05:09,<00000>"));
    // Coils show 0 and 1 whatever the display format.
    bytes[2] = 1;
    EXPECT_EQ(line(LogLine::Comma, poll(10, 1, 1, 3, 4)), QStringLiteral("13:05:09,<0x0011>,0,0,1"));
}

TEST_F(LogLineTest, FailedResultCarriesTheStatusText) {
    EXPECT_EQ(LogLine::Build(t, LogLine::FixedWidth, poll(99, 0, 3, 10, 0), true, QStringLiteral("超时错误")),
              QStringLiteral("13:05:09 <00099> 超时错误"));
    EXPECT_EQ(LogLine::Build(t, LogLine::Tab, poll(99, 0, 3, 10, 0), true, QStringLiteral("CRC 错误")),
              QStringLiteral("13:05:09\t<00099>\tCRC 错误"));
}

TEST_F(LogLineTest, LabelsKeepTheWholePlcAddress) {
    EXPECT_EQ(LogLine::Label(poll(99, 0, 3, 10, 0)), QStringLiteral("00099"));
    EXPECT_EQ(LogLine::Label(poll(99, 1, 3, 10, 0)), QStringLiteral("4x0100"));
    EXPECT_EQ(LogLine::Label(poll(9995, 1, 4, 10, 0)), QStringLiteral("3x09996"));
}

TEST_F(LogLineTest, LengthBeyondTheBufferStaysInside) {
    LogLine::Poll p = poll(0, 0, 3, 2000, 0);
    p.values = std::span<const std::uint8_t>(bytes.data(), 4);
    EXPECT_EQ(line(LogLine::Comma, p), QStringLiteral("13:05:09,<00000>,0,0"));
    p.length = -5;
    EXPECT_EQ(line(LogLine::Comma, p), QStringLiteral("13:05:09,<00000>"));
}

}  // namespace
}  // namespace zentiq
