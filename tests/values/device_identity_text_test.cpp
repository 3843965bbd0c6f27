// The window-free side of the device identity dialog: how echoes are
// counted, the loopback pattern typed, and the texts shown and copied.
#include "values/device_identity_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/engine_types.h"
#include "engine/modbus_function.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zentiq {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Outcome = LoopbackTally::Outcome;

TEST(LoopbackTally, EachStatusCountsWhereItBelongs) {
    const std::pair<int, Outcome> cases[] = {
        {status::Ok, Outcome::Echoed},
        {status::Timeout, Outcome::Lost},
        {status::BytesMissing, Outcome::Lost},
        {status::TransactionIdError, Outcome::Lost},
        {status::ResponseError, Outcome::Corrupted},
        {status::ChecksumError, Outcome::Corrupted},
        {status::MalformedAnswer, Outcome::Corrupted},
        {status::ExceptionBase + 1, Outcome::Refused},
        {status::ExceptionBase + 0xFF, Outcome::Refused},
        {status::NoConnection, Outcome::Failed},
        {status::WriteError, Outcome::Failed},
        {status::ReadError, Outcome::Failed},
        {status::UnhandledFunction, Outcome::Failed},
    };
    for (const auto& [code, outcome] : cases)
        EXPECT_EQ(LoopbackTally::Classify(code), outcome) << code;
}

TEST(LoopbackTally, RoundTripsOfGoodEchoesOnly) {
    LoopbackTally t;
    EXPECT_EQ(DeviceIdentityText::RoundTrips(t), "-");
    t.Add(status::Timeout, 1'000'000);  // a lost echo's wait is no round trip
    t.Add(status::Ok, 4000);
    t.Add(status::ResponseError, 10);
    t.Add(status::Ok, 2500);
    t.Add(status::Ok, 9500);
    t.Add(status::ExceptionBase + 1, 1);
    EXPECT_EQ(t.Sent(), 6);
    EXPECT_EQ(t.Count(Outcome::Echoed), 3);
    EXPECT_EQ(t.Count(Outcome::Lost), 1);
    EXPECT_EQ(t.Count(Outcome::Corrupted), 1);
    EXPECT_EQ(t.Count(Outcome::Refused), 1);
    EXPECT_EQ(t.MinUs(), 2500);
    EXPECT_EQ(t.AverageUs(), 5333);
    EXPECT_EQ(t.MaxUs(), 9500);
    EXPECT_EQ(DeviceIdentityText::RoundTrips(t), "2.50 ms / 5.33 ms / 9.50 ms");
    EXPECT_EQ(DeviceIdentityText::Counts(t),
              QString::fromUtf8("发送 6，正确 3，丢失 1，损坏 1，异常 1，失败 0"));
    t.Clear();
    EXPECT_EQ(t.Sent(), 0);
    EXPECT_EQ(t.MinUs(), 0);
}

TEST(DeviceIdentityText, LoopbackPatterns) {
    const std::pair<const char*, std::optional<Bytes>> cases[] = {
        {"A5 37", Bytes{0xA5, 0x37}},
        {"a5 3", Bytes{0xA5, 0x03}},
        {"  A537 00 ", Bytes{0xA5, 0x37, 0x00}},
        {"FF", Bytes{0xFF}},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"A53", std::nullopt},
        {"G1", std::nullopt},
        {"+1", std::nullopt},
        {"-1", std::nullopt},
        {"0x12", std::nullopt},
        {"A5,37", std::nullopt},
    };
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(DeviceIdentityText::ParsePattern(QString::fromLatin1(text)), bytes) << text;

    const QString longest = QString(QStringLiteral("AB ")).repeated(kMaxEchoBytes);
    EXPECT_EQ(DeviceIdentityText::ParsePattern(longest)->size(), kMaxEchoBytes);
    EXPECT_FALSE(DeviceIdentityText::ParsePattern(longest + QStringLiteral("CD")));
}

TEST(DeviceIdentityText, BytesAndObjectValues) {
    EXPECT_EQ(DeviceIdentityText::Hex({0x07, 0xFF, 'Z', 0x00}), "07 FF 5A 00");
    EXPECT_EQ(DeviceIdentityText::Hex({}), "");
    EXPECT_EQ(DeviceIdentityText::Printable({0x07, 0xFF, 'Z', 'q', ' ', 0x7F}), "..Zq .");

    const std::pair<std::string, QString> values[] = {
        {"Zentiq Test", QStringLiteral("Zentiq Test")},
        {"", QString()},
        {"\xE6\xB5\x8B\xE8\xAF\x95", QString::fromUtf8("测试")},
        {std::string("\x01\x02", 2), QStringLiteral("01 02")},
        {std::string("ab\0", 3), QStringLiteral("61 62 00")},
        {"\xFF\xFE", QStringLiteral("FF FE")},
    };
    for (const auto& [raw, shown] : values)
        EXPECT_EQ(DeviceIdentityText::ObjectValue(raw), shown) << raw;
}

TEST(DeviceIdentityText, ReportCopiesWhatWasFound) {
    DeviceIdentityFindings f;
    f.slaveId = 7;
    EXPECT_EQ(DeviceIdentityText::Report(f), QString::fromUtf8("从站 ID\t7\n"));

    f.report = Bytes{0x07, 0xFF, 'Z', 'Q'};
    f.readCode = 3;
    f.objects = {{0, "Zentiq"}, {1, "ZQ-7"}, {0x80, std::string("\x01", 1)}};
    f.identityFailure = QString::fromUtf8("超时错误");
    LoopbackTally t;
    t.Add(status::Ok, 1500);
    t.Add(status::Timeout, 0);
    f.loopback = t;
    f.pattern = {0xA5, 0x37};
    const QString want = QString::fromUtf8(
        "从站 ID\t7\n"
        "报告从站 ID (十六进制)\t07 FF 5A 51\n"
        "报告从站 ID (文本)\t..ZQ\n"
        "设备识别 (读取代码 3)\n"
        "VendorName\tZentiq\n"
        "ProductCode\tZQ-7\n"
        "0x80\t01\n"
        "错误\t超时错误\n"
        "回环测试 (08/00，数据 A5 37)\n"
        "发送 2，正确 1，丢失 1，损坏 0，异常 0，失败 0\n"
        "往返时间 最小 / 平均 / 最大\t1.50 ms / 1.50 ms / 1.50 ms\n");
    EXPECT_EQ(DeviceIdentityText::Report(f), want);

    f.report.reset();
    f.reportFailure = QString::fromUtf8("不合法功能");
    EXPECT_TRUE(DeviceIdentityText::Report(f).startsWith(
        QString::fromUtf8("从站 ID\t7\n报告从站 ID\t不合法功能\n设备识别")));
}

}  // namespace
}  // namespace zentiq
