// The window-free side of the device identity dialog: how echoes are
// counted, the loopback pattern typed, and the texts shown and copied.
#include "values/device_identity_text.h"
#include "values/function_support_text.h"

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

// Each part names the slave it came from: the slave ID may change between
// reads, and a report under one ID would say what another device said.
TEST(DeviceIdentityText, ReportNamesTheSlaveOfEachPart) {
    DeviceIdentityFindings f;
    EXPECT_EQ(DeviceIdentityText::Report(f), QString());

    f.reportSlave = 1;
    f.report = Bytes{0x07, 0xFF, 'Z', 'Q'};
    f.identitySlave = 16;
    f.readCode = 3;
    f.objects = {{0, "Zentiq"}, {1, "ZQ-7"}, {0x80, std::string("\x01", 1)}};
    f.identityFailure = QString::fromUtf8("超时错误");
    LoopbackTally t;
    t.Add(status::Ok, 1500);
    t.Add(status::Timeout, 0);
    t.Add(status::Ok, 0);  // echoed, but without a time
    f.loopbackSlave = 13;
    f.loopback = t;
    f.pattern = {0xA5, 0x37};
    f.supportSlave = 7;
    f.support = {{3, -1, ProbeKind::Read, status::Ok, 7},
                 {5, -1, ProbeKind::NotSent, -1, 7},
                 {8, 0, ProbeKind::Echo, status::ExceptionBase + 1, 7}};
    const QString want = QString::fromUtf8(
        "报告从站 ID (17)，从站 1\n"
        "十六进制\t07 FF 5A 51\n"
        "文本\t..ZQ\n"
        "\n"
        "设备识别 (43/14，读取代码 3)，从站 16\n"
        "VendorName\tZentiq\n"
        "ProductCode\tZQ-7\n"
        "0x80\t01\n"
        "错误\t超时错误\n"
        "\n"
        "回环测试 (08/00，数据 A5 37)，从站 13\n"
        "发送 3，正确 2，丢失 1，损坏 0，异常 0，失败 0\n"
        "往返时间 最小 / 平均 / 最大\t1.50 ms / 1.50 ms / 1.50 ms\n"
        "\n"
        "功能支持，从站 7\n"
        "03 读保持寄存器\t读 1 个，地址 0\t应答正确\t支持\n"
        "05 写单个线圈\t未发送：读取失败，无法写回原值\t-\t未探测\n"
        "08/00 回环诊断\t回环 2 字节\t不合法功能\t不支持\n");
    EXPECT_EQ(DeviceIdentityText::Report(f), want);

    // A failed report and an identity list cut at the request limit.
    DeviceIdentityFindings g;
    g.reportSlave = 2;
    g.reportFailure = QString::fromUtf8("不合法功能");
    g.identitySlave = 2;
    g.readCode = 1;
    g.objects = {{0, "V"}};
    g.identityCut = true;
    EXPECT_EQ(DeviceIdentityText::Report(g),
              QString::fromUtf8("报告从站 ID (17)，从站 2\n错误\t不合法功能\n\n"
                                "设备识别 (43/14，读取代码 1)，从站 2\nVendorName\tV\n"
                                "列表不完整：已达 32 次请求上限\n"));
}

TEST(FunctionSupport, WhatEachAnswerSays) {
    using S = FunctionSupport;
    const std::pair<int, S> cases[] = {
        {status::Ok, S::Supported},
        {status::ExceptionBase + 1, S::NotSupported},
        {status::ExceptionBase + 2, S::Supported},
        {status::ExceptionBase + 3, S::Supported},
        {status::ExceptionBase + 4, S::Supported},
        {status::ExceptionBase + 6, S::Supported},
        {status::ExceptionBase + 0x0A, S::NoAnswer},
        {status::ExceptionBase + 0x0B, S::NoAnswer},
        {status::Timeout, S::NoAnswer},
        {status::ChecksumError, S::Unclear},
        {status::ResponseError, S::Unclear},
        {status::BytesMissing, S::Unclear},
        {status::NoConnection, S::Unclear},
        {status::UnhandledFunction, S::Unclear},
        {-1, S::NotProbed},
    };
    for (const auto& [code, support] : cases) {
        EXPECT_EQ(FunctionProbe::SupportOf(code), support) << code;
        EXPECT_FALSE(FunctionSupportText::SupportText(support).isEmpty());
    }
    // A probe not sent is not probed, whatever its status says.
    EXPECT_EQ((FunctionProbe{6, -1, ProbeKind::NotSent, 0, 1}).Support(), S::NotProbed);

    // Every function and way of asking has its name.
    for (const auto& [function, sub] : FunctionSupportScan::Functions())
        EXPECT_FALSE(FunctionSupportText::FunctionName(function, sub).section(u' ', 1).isEmpty())
            << int(function);
    EXPECT_EQ(FunctionSupportText::FunctionName(43, 14), QString::fromUtf8("43/14 读设备标识"));
    for (ProbeKind k : {ProbeKind::Read, ProbeKind::WriteBack, ProbeKind::UnchangingMask,
                        ProbeKind::ZeroQuantity, ProbeKind::Echo, ProbeKind::Report,
                        ProbeKind::Identity, ProbeKind::NotSent})
        EXPECT_FALSE(FunctionSupportText::KindText(k).isEmpty()) << int(k);
    EXPECT_EQ(FunctionSupportText::Row({16, -1, ProbeKind::ZeroQuantity,
                                        status::ExceptionBase + 3, 1}),
              QStringList({QString::fromUtf8("16 写多个寄存器"),
                           QString::fromUtf8("读取失败，改写 0 个（从站应答异常 03）"),
                           QString::fromUtf8("不合法数据值"), QString::fromUtf8("支持")}));
}

}  // namespace
}  // namespace zentiq
