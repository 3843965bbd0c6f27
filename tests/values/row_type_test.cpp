// Row types: a type equal to a display format shows exactly that format's
// text, every reading written from its shown text reads back bit for bit,
// scaled rows refuse what their raw type cannot hold, file words of device
// manuals are understood, and a poll's items follow the nearest typed row.
#include "values/row_type.h"
#include "values/typed_items.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "engine/engine_types.h"

namespace zentiq {
namespace {

// The host layout the window's display format keeps (what the intake makes
// of the registers), for `registers` in the wire order.
std::vector<std::uint8_t> hostLayout(const std::vector<std::uint16_t>& registers, int format) {
    std::vector<std::uint8_t> host(2 * registers.size());
    const int n = RegistersPerValue(format);
    const RowType type = RowTypeOfFormat(format);
    for (std::size_t i = 0; i + std::size_t(n) <= registers.size(); i += std::size_t(n)) {
        const std::span<const std::uint16_t> span(registers.data() + i, std::size_t(n));
        const std::uint64_t bits = n == 1 ? span[0] : AssembleBits(span, type.reading.order);
        if (n == 1) {
            const auto w = std::uint16_t(bits);
            std::memcpy(host.data() + 2 * i, &w, 2);
        } else if (n == 2) {
            const auto v = std::uint32_t(bits);
            std::memcpy(host.data() + 2 * i, &v, 4);
        } else {
            std::memcpy(host.data() + 2 * i, &bits, 8);
        }
    }
    return host;
}

TEST(RowType, ATypeEqualToADisplayFormatShowsThatFormatsText) {
    // Pi, 1e30 (exponent notation when padded), -0 and NaN in either word
    // order, as floats and as doubles.
    const std::vector<std::uint16_t> registers = {0x4049, 0x0FDB, 0x7149, 0xF2CA,
                                                  0x0000, 0x8000, 0x7FFF, 0xFFFF};
    for (int format = 0; format < kDisplayFormatCount; ++format) {
        SCOPED_TRACE(format);
        const RowType type = RowTypeOfFormat(format);
        EXPECT_EQ(FormatOfRowType(type), format);
        const auto host = hostLayout(registers, format);
        for (int start = 0; start < 8; start += RegistersPerValue(format)) {
            for (const ValueForm form :
                 {ValueForm::Plain, ValueForm::Padded, ValueForm::ZeroPadded}) {
                const QString expected =
                    FormatValue(host, {}, 8, int(FunctionCode::ReadHoldingRegisters), format,
                                start, form, false)
                        .text;
                EXPECT_FALSE(expected.isEmpty());
                EXPECT_EQ(TypedText(registers, start, type, form), expected)
                    << "start " << start << " form " << int(form);
            }
        }
    }
}

TEST(RowType, EveryReadingWrittenFromItsTextReadsBackBitForBit) {
    const std::vector<std::uint16_t> wire = {0x1234, 0x5678, 0x9ABC, 0x0DEF, 0x4142, 0x4300};
    for (const DecodeReading& reading : AllReadings()) {
        RowType type;
        type.reading = reading;
        type.textRegisters = 3;
        SCOPED_TRACE(ReadingLabel(reading).toStdString());
        const QString shown = TypedText(wire, 0, type, ValueForm::Plain);
        ASSERT_FALSE(shown.isEmpty());
        QString error;
        std::vector<std::uint16_t> source = wire;
        if (reading.kind == DecodeKind::Text) {
            // Printable text: "ABC" in the named byte order.
            source = reading.order == ByteOrder::BADC ? std::vector<std::uint16_t>{0x4241, 0x0043, 0}
                                                      : std::vector<std::uint16_t>{0x4142, 0x4300, 0};
        } else if (reading.kind == DecodeKind::Bcd16) {
            source = {0x1234};
        } else if (reading.kind == DecodeKind::Float32) {
            source = EncodeBits(std::bit_cast<std::uint32_t>(123.456f), 2, reading.order);
        } else if (reading.kind == DecodeKind::Float64) {
            source = EncodeBits(std::bit_cast<std::uint64_t>(-98765.4321), 4, reading.order);
        }
        const QString text = TypedText(source, 0, type, ValueForm::Padded);
        const auto encoded = EncodeTyped(type, text, &error);
        ASSERT_TRUE(encoded) << error.toStdString() << " for " << text.toStdString();
        const std::vector<std::uint16_t> expected(source.begin(),
                                                  source.begin() + type.Registers());
        // Floats shown with fewer digits than they hold need not round-trip.
        if (!IsFloatKind(reading.kind)) {
            EXPECT_EQ(*encoded, expected);
        }
        if (IsFloatKind(reading.kind)) {
            const double was = *TypedNumber(source, 0, type);
            EXPECT_NEAR(*TypedNumber(*encoded, 0, type), was, std::fabs(was) * 1e-6);
        } else {
            EXPECT_EQ(TypedText(*encoded, 0, type, ValueForm::Plain),
                      TypedText(source, 0, type, ValueForm::Plain));
        }
    }
}

TEST(RowType, ScaledRowsShowEngineeringValuesAndRefuseWhatDoesNotFit) {
    struct Case {
        DecodeKind kind;
        double scale, offset;
        int decimals;
        std::vector<std::uint16_t> wire;
        const char* shown;
        const char* input;  // written back
        std::vector<std::uint16_t> sent;  // empty: refused
    };
    const Case cases[] = {
        {DecodeKind::Signed16, 0.1, 0, -1, {0xFF9C}, "-10.0 °C", "-10.0", {0xFF9C}},
        {DecodeKind::Signed16, 0.1, 0, -1, {0x00EB}, "23.5 °C", "3276.8", {}},
        {DecodeKind::Unsigned16, 0.01, -40, 1, {10000}, "60.0 °C", "-41", {}},
        {DecodeKind::Unsigned16, 0.01, -40, -1, {10000}, "60.00 °C", "25.55 °C", {6555}},
        {DecodeKind::Unsigned32, 1, 0, -1, {0x8000, 0x0001}, "2147483649 °C", "4294967295",
         {0xFFFF, 0xFFFF}},
        {DecodeKind::Unsigned32, 1, 0, -1, {0, 1}, "1 °C", "4294967296", {}},
        {DecodeKind::Unsigned32, 1, 0, -1, {0, 1}, "1 °C", "-1", {}},
        {DecodeKind::Bcd16, 0.1, 0, -1, {0x1234}, "123.4 °C", "999.9", {0x9999}},
        {DecodeKind::Float32, 2, 1, 2, {0x3FC0, 0x0000}, "4.00 °C", "4", {0x3FC0, 0x0000}},
        {DecodeKind::Signed64, 1, 0, -1, {0x8000, 0, 0, 0}, "-9223372036854775808 °C",
         "9223372036854775807", {0x7FFF, 0xFFFF, 0xFFFF, 0xFFFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        RowType type;
        type.reading = {c.kind, ByteOrder::ABCD};
        type.scale = c.scale;
        type.offset = c.offset;
        type.decimals = c.decimals;
        type.unit = QStringLiteral("°C");
        ASSERT_TRUE(type.Valid());
        EXPECT_EQ(TypedText(c.wire, 0, type, ValueForm::Plain), QString::fromUtf8(c.shown));
        QString error;
        const auto sent = EncodeTyped(type, QString::fromUtf8(c.input), &error);
        if (c.sent.empty()) {
            EXPECT_FALSE(sent);
            EXPECT_FALSE(error.isEmpty());
            // The limits read as a user would type them, without binary noise.
            if (c.kind == DecodeKind::Signed16) {
                EXPECT_TRUE(error.endsWith(QStringLiteral("-3276.8..3276.7"))) << error.toStdString();
            }
        } else {
            ASSERT_TRUE(sent) << error.toStdString();
            EXPECT_EQ(*sent, c.sent);
        }
    }
    RowType text;
    text.reading = {DecodeKind::Text, ByteOrder::ABCD};
    text.textRegisters = 2;
    QString error;
    EXPECT_FALSE(EncodeTyped(text, QStringLiteral("ABCDE"), &error));
    EXPECT_FALSE(EncodeTyped(text, QStringLiteral("温度"), &error));
    EXPECT_FALSE(EncodeTyped(RowType{}, QStringLiteral("x"), &error));
}

TEST(RowType, FileWordsOfDeviceManualsAreUnderstood) {
    struct Case {
        const char* type;
        const char* order;
        DecodeKind kind;
        ByteOrder resolved;
        int textRegisters;  // 0: none given
    };
    const Case cases[] = {
        {"UINT16", "", DecodeKind::Unsigned16, ByteOrder::ABCD, 0},
        {"word", "DCBA", DecodeKind::Unsigned16, ByteOrder::ABCD, 0},
        {"Float inverse", "", DecodeKind::Float32, ByteOrder::ABCD, 0},
        {"Float", "", DecodeKind::Float32, ByteOrder::CDAB, 0},
        {"REAL", "", DecodeKind::Float32, ByteOrder::ABCD, 0},
        {"REAL", "word swap", DecodeKind::Float32, ByteOrder::CDAB, 0},
        {"Long Inverse", "", DecodeKind::Signed32, ByteOrder::ABCD, 0},
        {"dword", "little-endian", DecodeKind::Unsigned32, ByteOrder::DCBA, 0},
        {"uint32", "2143", DecodeKind::Unsigned32, ByteOrder::BADC, 0},
        {"LINT", "GHEFCDAB", DecodeKind::Signed64, ByteOrder::CDAB, 0},
        {"无符号64位", "大端", DecodeKind::Unsigned64, ByteOrder::ABCD, 0},
        {"双精度浮点数", "", DecodeKind::Float64, ByteOrder::ABCD, 0},
        {"bcd", "", DecodeKind::Bcd16, ByteOrder::ABCD, 0},
        {"STRING[16]", "", DecodeKind::Text, ByteOrder::ABCD, 8},
        {"text(5)", "byte swap", DecodeKind::Text, ByteOrder::BADC, 3},
        {"字符串", "低字节在前", DecodeKind::Text, ByteOrder::BADC, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const auto type = ParseTypeWord(QString::fromUtf8(c.type));
        ASSERT_TRUE(type);
        EXPECT_EQ(type->kind, c.kind);
        const QString orderText = QString::fromUtf8(c.order);
        const auto order = orderText.isEmpty() ? std::nullopt : ParseOrderWord(orderText);
        EXPECT_EQ(orderText.isEmpty(), !order.has_value());
        EXPECT_EQ(ResolvedOrder(*type, order), c.resolved);
        EXPECT_EQ(type->textRegisters.value_or(0), c.textRegisters);
    }
    for (const char* bad : {"", "floaty", "STRING[999]", "R/W", "int 16 bit"})
        EXPECT_FALSE(ParseTypeWord(QString::fromUtf8(bad))) << bad;
    EXPECT_FALSE(ParseOrderWord(QStringLiteral("ACBD")));
    // What a file writes reads back as the same type.
    for (const DecodeReading& reading : AllReadings()) {
        RowType type;
        type.reading = reading;
        type.textRegisters = 5;
        const auto back = ParseTypeWord(TypeWord(type));
        ASSERT_TRUE(back) << TypeWord(type).toStdString();
        EXPECT_EQ(back->kind, reading.kind);
        EXPECT_EQ(ResolvedOrder(*back, ParseOrderWord(OrderWord(reading.order))), reading.order);
        if (reading.kind == DecodeKind::Text) {
            EXPECT_EQ(back->textRegisters, 5);
        }
    }
}

TEST(TypedItems, TheNearestTypedRowDecidesWhatAnItemShows) {
    RowTypes types;
    types[98].reading = {DecodeKind::Unsigned32, ByteOrder::ABCD};  // reaches into the poll
    types[102].reading = {DecodeKind::Signed64, ByteOrder::ABCD};
    types[104].reading = {DecodeKind::Signed16, ByteOrder::ABCD};   // inside the 64-bit value
    types[108].reading = {DecodeKind::Unsigned32, ByteOrder::ABCD};  // cut by the poll's end
    const auto plan = PlanItems(99, 10, int(FunctionCode::ReadHoldingRegisters), types);
    ASSERT_EQ(plan.size(), 10u);
    // Items 99..108: 99 covered, 100-101 format, 102 typed, 103 covered,
    // 104 its own type, 105-107 format, 108 typed (half in the poll).
    const std::array<char, 10> expected = {'c', 'f', 'f', 't', 'c', 't', 'f', 'f', 'f', 't'};
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const char got = plan[i].covered ? 'c' : plan[i].type ? 't' : 'f';
        EXPECT_EQ(got, expected[i]) << "item " << i;
    }
    EXPECT_TRUE(AnyTyped(plan));
    EXPECT_FALSE(AnyTyped(PlanItems(99, 10, int(FunctionCode::ReadCoils), types)));
    EXPECT_FALSE(AnyTyped(PlanItems(99, 10, int(FunctionCode::WriteMultipleRegisters), types)));

    std::array<std::uint16_t, 10> words{};
    words[9] = 0x1234;
    std::array<std::uint8_t, 20> values{};
    LogLine::Poll poll;
    poll.address = 99;
    poll.length = 10;
    poll.function = int(FunctionCode::ReadHoldingRegisters);
    poll.displayFormat = int(DisplayFormat::Hex);
    poll.values = values;
    poll.words = words;
    poll.rowTypes = &types;
    EXPECT_EQ(ItemText(poll, 0, ValueForm::Plain), QString());
    EXPECT_EQ(ItemText(poll, 1, ValueForm::Plain), QStringLiteral("0x0000"));
    EXPECT_EQ(ItemText(poll, 3, ValueForm::Plain), QStringLiteral("0"));
    EXPECT_EQ(ItemText(poll, 9, ValueForm::Plain), QString());  // its second register is missing
    EXPECT_FALSE(ItemNumber(poll, 4));
    EXPECT_EQ(ItemNumber(poll, 5), 0.0);
}

TEST(TypedItems, ASelectionTypedAtOnceStepsByTheValuesItSpans) {
    RowType float32, int16, text3;
    float32.reading = {DecodeKind::Float32, ByteOrder::ABCD};
    text3.reading = {DecodeKind::Text, ByteOrder::ABCD};
    text3.textRegisters = 3;
    RowTypes before;
    before[101] = int16;  // a row of its own inside the selection
    before[120] = int16;  // outside it
    struct Case {
        const char* what;
        std::vector<int> items;
        std::optional<RowType> type;
        std::vector<int> typedAfter;  // protocol addresses
    };
    const Case cases[] = {
        {"float over four rows", {0, 1, 2, 3}, float32, {100, 102, 120}},
        {"float over a gap", {0, 3, 4}, float32, {100, 101, 103, 120}},
        {"text of three", {0, 1, 2, 3, 4}, text3, {100, 103, 120}},
        {"16-bit on every row", {1, 2}, int16, {101, 102, 120}},
        {"display format back", {0, 1, 2}, std::nullopt, {120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RowTypes after = TypesOverSelection(before, 100, c.items, c.type);
        std::vector<int> typed;
        for (const auto& [address, type] : after) {
            typed.push_back(address);
            const bool selected = std::ranges::count(c.items, address - 100) > 0;
            EXPECT_EQ(type, selected ? *c.type : before.at(address)) << address;
        }
        EXPECT_EQ(typed, c.typedAfter);
    }
    // Rows past the last protocol address are left alone.
    EXPECT_EQ(TypesOverSelection({}, 0xFFFF, std::vector<int>{0, 1}, int16).size(), 1u);
}

}  // namespace
}  // namespace zentiq
