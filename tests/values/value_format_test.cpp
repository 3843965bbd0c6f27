#include "values/value_format.h"

#include "values/address_labels.h"

#include <gtest/gtest.h>

#include <ostream>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// Readable failure messages for QString comparisons.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zentiq {
namespace {

constexpr int kHolding = 3;
constexpr int kCoils = 1;

constexpr int F(DisplayFormat format) { return static_cast<int>(format); }

// A document's value buffers, with helpers that store host values the way
// the data view does.
struct Buffers {
    std::array<std::uint8_t, 2000> values{};
    std::array<std::uint8_t, 2000> previous{};

    template <typename T>
    void Put(int firstRegister, T value) {
        std::memcpy(values.data() + 2 * firstRegister, &value, sizeof value);
    }

    QString Text(int function, DisplayFormat format, int index, ValueForm form, int length = 8) {
        return FormatValue(values, previous, length, function, F(format), index, form, false).text;
    }
    FormattedValue Report(int function, DisplayFormat format, int index, int length = 8) {
        return FormatValue(values, previous, length, function, F(format), index, ValueForm::Padded,
                           true);
    }
};

TEST(ValueFormat, SixteenBitFormsOfExtremeWords) {
    Buffers b;
    b.Put<std::uint16_t>(0, 0xFFFF);
    b.Put<std::uint16_t>(1, 0x8000);
    b.Put<std::uint16_t>(2, 0x00A5);
    b.Put<std::uint16_t>(3, 0);

    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Signed, 0, ValueForm::Plain), "-1");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Signed, 0, ValueForm::Padded), "    -1");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Signed, 0, ValueForm::ZeroPadded), "-00001");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Signed, 1, ValueForm::Padded), "-32768");

    for (ValueForm form : {ValueForm::Plain, ValueForm::Padded, ValueForm::ZeroPadded}) {
        EXPECT_EQ(b.Text(kHolding, DisplayFormat::Unsigned, 0, form), "65535");
        // Hex keeps its four digits and upper case in every form.
        EXPECT_EQ(b.Text(kHolding, DisplayFormat::Hex, 0, form), "0xFFFF");
        EXPECT_EQ(b.Text(kHolding, DisplayFormat::Hex, 2, form), "0x00A5");
        EXPECT_EQ(b.Text(kHolding, DisplayFormat::Hex, 3, form), "0x0000");
    }
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Unsigned, 3, ValueForm::Padded), "    0");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Unsigned, 3, ValueForm::ZeroPadded), "00000");
}

TEST(ValueFormat, BinaryTextGroupsFourDigitsEachFollowedByABlank) {
    EXPECT_EQ(BinaryText(0x0000), "0000 0000 0000 0000 ");
    EXPECT_EQ(BinaryText(0xFFFF), "1111 1111 1111 1111 ");
    EXPECT_EQ(BinaryText(0x00A5), "0000 0000 1010 0101 ");
    EXPECT_EQ(BinaryText(0x8001), "1000 0000 0000 0001 ");

    Buffers b;
    b.Put<std::uint16_t>(1, 0x00A5);
    for (ValueForm form : {ValueForm::Plain, ValueForm::Padded, ValueForm::ZeroPadded}) {
        EXPECT_EQ(b.Text(kHolding, DisplayFormat::Binary, 1, form), "0000 0000 1010 0101 ");
    }
}

TEST(ValueFormat, PairsAndGroupsShowOnlyOnTheirFirstCompleteRegister) {
    Buffers b;
    b.Put<float>(0, 1.5f);
    b.Put<float>(2, 2.5f);
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 0, ValueForm::Plain, 3), "1.500000");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 1, ValueForm::Plain, 3), "");
    // Register 2 starts a pair that the poll cuts off.
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 2, ValueForm::Plain, 3), "");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 2, ValueForm::Plain, 4), "2.500000");

    b.Put<double>(0, 0.25);
    b.Put<double>(4, -4.0);
    for (int i = 0; i < 8; ++i) {
        const QString text = b.Text(kHolding, DisplayFormat::Double, i, ValueForm::Plain, 8);
        if (i == 0) EXPECT_EQ(text, "0.2500000000");
        else if (i == 4) EXPECT_EQ(text, "-4.0000000000");
        else EXPECT_EQ(text, "") << "register " << i;
    }
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Double, 0, ValueForm::Plain, 7), "0.2500000000");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Double, 4, ValueForm::Plain, 7), "");
}

TEST(ValueFormat, InverseFormatsReadTheSameHostValueAsTheirPlainTwins) {
    // The engine already put the words in host order; formatting must not
    // swap them again.
    Buffers b;
    b.Put<float>(0, 3.25f);
    b.Put<std::int32_t>(2, 0x12345678);
    b.Put<double>(4, 1.0e-3);
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::FloatInverse, 0, ValueForm::Plain), "3.250000");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::LongInverse, 2, ValueForm::Plain), "305419896");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::DoubleInverse, 4, ValueForm::Plain), "0.0010000000");
}

TEST(ValueFormat, PaddedFloatFallsBackToExponentBeyondItsWidth) {
    Buffers b;
    b.Put<float>(0, 99999992.0f);   // 15 characters fixed: stays fixed
    b.Put<float>(2, 100000000.0f);  // 16 characters fixed
    b.Put<float>(4, -9999999.0f);   // 15 with the sign
    b.Put<float>(6, -10000000.0f);  // 16 with the sign
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 0, ValueForm::Padded), "99999992.000000");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 2, ValueForm::Padded), "1.0000000e+08");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 4, ValueForm::Padded), "-9999999.000000");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 6, ValueForm::ZeroPadded), "-1.0000000e+07");
    // Plain text never falls back.
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 2, ValueForm::Plain), "100000000.000000");

    b.Put<float>(0, 1.0e20f);
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 0, ValueForm::Padded), "1.0000000e+20");
    b.Put<float>(0, 1.5f);
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 0, ValueForm::Padded), "       1.500000");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 0, ValueForm::ZeroPadded), "00000001.500000");
}

TEST(ValueFormat, PaddedDoubleFallsBackToExponentBeyondItsWidth) {
    Buffers b;
    b.Put<double>(0, 999999.0);   // 17 characters fixed
    b.Put<double>(4, 1000000.0);  // 18
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Double, 0, ValueForm::Padded), "999999.0000000000");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Double, 4, ValueForm::Padded), "1.000000000e+06");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Double, 4, ValueForm::ZeroPadded), "1.000000000e+06");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Double, 4, ValueForm::Plain), "1000000.0000000000");

    // The largest double in plain form is long but whole.
    b.Put<double>(0, std::numeric_limits<double>::max());
    const QString text = b.Text(kHolding, DisplayFormat::Double, 0, ValueForm::Plain);
    EXPECT_EQ(text.size(), 309 + 11);
    EXPECT_TRUE(text.endsWith(".0000000000"));
}

TEST(ValueFormat, NonFiniteAndNegativeZeroFloats) {
    Buffers b;
    b.Put<float>(0, std::numeric_limits<float>::infinity());
    b.Put<float>(2, -std::numeric_limits<float>::infinity());
    b.Put<float>(4, std::numeric_limits<float>::quiet_NaN());
    b.Put<float>(6, -0.0f);
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 0, ValueForm::Plain), "inf");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 2, ValueForm::Padded), "           -inf");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 4, ValueForm::Padded).trimmed(), "nan");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 4, ValueForm::Padded).size(), 15);
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Float, 6, ValueForm::Plain), "-0.000000");
}

TEST(ValueFormat, LongForms) {
    Buffers b;
    b.Put<std::int32_t>(0, -1);
    b.Put<std::int32_t>(2, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Long, 0, ValueForm::Plain), "-1");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Long, 0, ValueForm::Padded), "        -1");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Long, 0, ValueForm::ZeroPadded), "-000000001");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Long, 2, ValueForm::Padded), "-2147483648");
    EXPECT_EQ(b.Text(kHolding, DisplayFormat::Long, 1, ValueForm::Padded), "");
}

TEST(ValueFormat, CoilsIgnoreTheDisplayFormat) {
    Buffers b;
    b.values[0] = 1;
    b.values[1] = 0;
    for (int function : {1, 2, 5, 15}) {
        for (ValueForm form : {ValueForm::Plain, ValueForm::Padded, ValueForm::ZeroPadded}) {
            // Item 1 would be the empty half of a float pair for a register poll.
            EXPECT_EQ(b.Text(function, DisplayFormat::Float, 0, form), "1");
            EXPECT_EQ(b.Text(function, DisplayFormat::Float, 1, form), "0");
        }
    }
}

TEST(ValueFormat, ChangeReportingUpdatesThePreviousCopyOnce) {
    Buffers b;
    b.Put<std::uint16_t>(0, 7);
    const auto before = b.previous;
    EXPECT_TRUE(FormatValue(b.values, b.previous, 8, kHolding, 0, 0, ValueForm::Plain, false).changed);
    EXPECT_EQ(b.previous, before) << "no report, no update";

    EXPECT_TRUE(b.Report(kHolding, DisplayFormat::Signed, 0).changed);
    EXPECT_FALSE(b.Report(kHolding, DisplayFormat::Signed, 0).changed);
    EXPECT_FALSE(b.Report(kHolding, DisplayFormat::Signed, 1).changed) << "zero against zero";

    b.values[2] = 1;  // coil 2
    EXPECT_TRUE(b.Report(kCoils, DisplayFormat::Signed, 2).changed);
    EXPECT_FALSE(b.Report(kCoils, DisplayFormat::Signed, 2).changed);
}

TEST(ValueFormat, EmptyHalfOfAPairComparesThePairThatBeginsBeforeIt) {
    Buffers b;
    b.Put<std::int32_t>(2, 0x00010000);  // only the pair's second word differs from 0
    const FormattedValue second = b.Report(kHolding, DisplayFormat::Long, 3);
    EXPECT_EQ(second.text, "");
    EXPECT_TRUE(second.changed);
    // The pair's copy is now current, so its first register reports no change.
    EXPECT_FALSE(b.Report(kHolding, DisplayFormat::Long, 2).changed);

    b.Put<double>(4, 2.0);
    EXPECT_TRUE(b.Report(kHolding, DisplayFormat::Double, 7).changed);
    EXPECT_FALSE(b.Report(kHolding, DisplayFormat::Double, 4).changed);
}

TEST(ValueFormat, FloatingChangesFollowTheShownText) {
    Buffers b;
    b.Put<float>(0, std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(b.Report(kHolding, DisplayFormat::Float, 0).changed);
    EXPECT_TRUE(b.Report(kHolding, DisplayFormat::Float, 0).changed) << "NaN always counts as changed";

    // A zero whose sign flips changes its text, so the cell must be redrawn.
    b.Put<float>(2, -0.0f);
    EXPECT_TRUE(b.Report(kHolding, DisplayFormat::Float, 2).changed);
    EXPECT_FALSE(b.Report(kHolding, DisplayFormat::Float, 2).changed);
    b.Put<double>(4, -0.0);
    EXPECT_TRUE(b.Report(kHolding, DisplayFormat::Double, 4).changed);
}

TEST(ValueFormat, OutOfRangeRequestsGiveEmptyTextAndTouchNothing) {
    Buffers b;
    b.values.fill(0x11);
    const auto before = b.previous;
    auto check = [&](int length, int function, int format, int index) {
        const FormattedValue r =
            FormatValue(b.values, b.previous, length, function, format, index, ValueForm::Padded, true);
        EXPECT_EQ(r.text, "");
        EXPECT_FALSE(r.changed);
        EXPECT_EQ(b.previous, before);
    };
    check(8, kHolding, 0, 8);     // index past the poll
    check(8, kHolding, 0, -1);    // negative index
    check(8, kHolding, 10, 0);    // unknown display format
    check(8, kHolding, -1, 0);
    check(8, 23, 0, 0);           // not a poll function
    check(5000, kHolding, 0, 1000);  // beyond the 2000-byte buffer
    check(5000, kCoils, 0, 2000);

    // A buffer shorter than the pair is refused rather than overread.
    std::array<std::uint8_t, 6> small{};
    std::array<std::uint8_t, 6> smallPrevious{};
    const FormattedValue r = FormatValue(small, smallPrevious, 4, kHolding, F(DisplayFormat::Double),
                                         0, ValueForm::Plain, true);
    EXPECT_EQ(r.text, "");
}

// ---- address labels ---------------------------------------------------------

TEST(AddressLabels, ProtocolStyleCountsFromZero) {
    const auto formats = AddressLabelFormats::For(1, 0, 0, 20);
    EXPECT_EQ(formats.HeaderLabel(0, 10, 0), "00000");
    EXPECT_EQ(formats.HeaderLabel(0, 10, 1), "00010");
    EXPECT_EQ(AddressLabelFormats::RowLabel(0, 1), "0");
    EXPECT_EQ(AddressLabelFormats::RowLabel(0, 10), "9");
    EXPECT_EQ(formats.CellPrefix(0, 0, 0), "0 = ");
    EXPECT_EQ(formats.CellPrefix(0, 0, 5), "5 = ");
    // Protocol style never grows a table digit, however far the poll reaches.
    EXPECT_EQ(AddressLabelFormats::For(3, 0, 65530, 6).HeaderLabel(65530, 10, 0), "65530");
}

TEST(AddressLabels, PlcStyleLeadsWithTheTableDigitOfTheFunction) {
    struct Case {
        int function;
        const char* header;
        const char* prefix;
    };
    for (const Case& c : {Case{1, "0x0000", "00001 = "}, Case{5, "0x0000", "00001 = "},
                          Case{15, "0x0000", "00001 = "}, Case{2, "1x0000", "10001 = "},
                          Case{4, "3x0000", "30001 = "}, Case{3, "4x0000", "40001 = "},
                          Case{6, "4x0000", "40001 = "}, Case{16, "4x0000", "40001 = "}}) {
        const auto formats = AddressLabelFormats::For(c.function, 1, 0, 10);
        EXPECT_EQ(formats.HeaderLabel(0, 10, 0), c.header) << "function " << c.function;
        EXPECT_EQ(formats.CellPrefix(1, 0, 0), c.prefix) << "function " << c.function;
    }
    EXPECT_EQ(AddressLabelFormats::RowLabel(1, 1), "1");
    EXPECT_EQ(AddressLabelFormats::RowLabel(1, 100), "100");
    // The header number is the block's first protocol address, not one-based.
    EXPECT_EQ(AddressLabelFormats::For(3, 1, 25, 30).HeaderLabel(25, 20, 1), "4x0040");
}

TEST(AddressLabels, FiveDigitFormsOncePastAddress9999) {
    // 9990 + 9 ends exactly at 9999: four digits still.
    EXPECT_EQ(AddressLabelFormats::For(4, 1, 9990, 9).HeaderLabel(9990, 10, 0), "3x9990");
    const auto formats = AddressLabelFormats::For(4, 1, 9995, 10);
    EXPECT_EQ(formats.HeaderLabel(9995, 10, 0), "3x09990");
    EXPECT_EQ(formats.CellPrefix(1, 9995, 0), "309996 = ");

    const auto top = AddressLabelFormats::For(3, 1, 65530, 6);
    EXPECT_EQ(top.HeaderLabel(65530, 10, 0), "4x65530");
    // The last register, shown one-based, needs six digits after the table digit.
    EXPECT_EQ(top.CellPrefix(1, 65530, 5), "465536 = ");
    EXPECT_EQ(AddressLabelFormats::For(1, 1, 65535, 1).CellPrefix(1, 65535, 0), "065536 = ");
}

TEST(AddressLabels, DegenerateGridSizesDoNotDivideByZero) {
    EXPECT_EQ(AddressLabelFormats::BlockStart(55, 0, 3), 0);
    EXPECT_EQ(AddressLabelFormats::BlockStart(55, -10, 3), 0);
    EXPECT_EQ(AddressLabelFormats::BlockStart(55, 50, 2), 150);
}

}  // namespace
}  // namespace zentiq
