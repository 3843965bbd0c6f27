// Reading registers every way: known values encoded in every byte order read
// back, doubtful readings are marked, the display formats map to the orders
// the grid really shows, typed hex words parse, and a ranking of readings
// against an expected value puts the right one first.
#include "values/decode_ranking.h"
#include "values/register_decode.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "values/value_format.h"

namespace zentiq {
namespace {

constexpr ByteOrder kOrders[] = {ByteOrder::ABCD, ByteOrder::CDAB, ByteOrder::BADC, ByteOrder::DCBA};

std::vector<std::uint16_t> words(std::initializer_list<std::uint16_t> w) { return w; }

TEST(RegisterDecode, ByteOrdersPlaceTheBytesAsNamed) {
    // 0x11223344: A=11 B=22 C=33 D=44.
    struct Case {
        ByteOrder order;
        std::vector<std::uint16_t> wire32;
        std::vector<std::uint16_t> wire64;  // of 0x1122334455667788
    };
    const Case cases[] = {
        {ByteOrder::ABCD, {0x1122, 0x3344}, {0x1122, 0x3344, 0x5566, 0x7788}},
        {ByteOrder::CDAB, {0x3344, 0x1122}, {0x7788, 0x5566, 0x3344, 0x1122}},
        {ByteOrder::BADC, {0x2211, 0x4433}, {0x2211, 0x4433, 0x6655, 0x8877}},
        {ByteOrder::DCBA, {0x4433, 0x2211}, {0x8877, 0x6655, 0x4433, 0x2211}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.order));
        EXPECT_EQ(EncodeBits(0x11223344u, 2, c.order), c.wire32);
        EXPECT_EQ(AssembleBits(c.wire32, c.order), 0x11223344u);
        EXPECT_EQ(EncodeBits(0x1122334455667788ull, 4, c.order), c.wire64);
        EXPECT_EQ(AssembleBits(c.wire64, c.order), 0x1122334455667788ull);
    }
}

TEST(RegisterDecode, KnownValuesInEveryOrderDecodeBack) {
    struct Case {
        DecodeKind kind;
        std::uint64_t bits;
        const char* text;
        double number;
    };
    const Case cases[] = {
        {DecodeKind::Float32, std::bit_cast<std::uint32_t>(123456.79f), "123456.79", double(123456.79f)},
        {DecodeKind::Float32, std::bit_cast<std::uint32_t>(-0.15625f), "-0.15625", -0.15625},
        {DecodeKind::Signed32, std::uint32_t(-70000), "-70000", -70000},
        {DecodeKind::Unsigned32, 4000000000u, "4000000000", 4e9},
        {DecodeKind::Signed64, std::uint64_t(-2), "-2", -2},
        {DecodeKind::Unsigned64, 18446744073709551614ull, "18446744073709551614", 18446744073709551614.0},
        {DecodeKind::Float64, std::bit_cast<std::uint64_t>(230.5), "230.5", 230.5},
        {DecodeKind::Float64, std::bit_cast<std::uint64_t>(-1e-3), "-0.001", -1e-3},
    };
    for (const Case& c : cases) {
        for (const ByteOrder order : kOrders) {
            SCOPED_TRACE(std::string(c.text) + " order " + std::to_string(int(order)));
            // One register of other data in front: the start counts.
            std::vector<std::uint16_t> w = {0xDEAD};
            const std::vector<std::uint16_t> encoded = EncodeBits(c.bits, RegistersOf(c.kind), order);
            w.insert(w.end(), encoded.begin(), encoded.end());
            const DecodedValue v = DecodeAt(w, 1, {c.kind, order});
            ASSERT_TRUE(v.available);
            EXPECT_EQ(v.text, QString::fromLatin1(c.text));
            EXPECT_EQ(v.number, c.number);
            EXPECT_EQ(v.doubt, Doubt::None);
            // Cut short by the end of the words: nothing to read.
            w.pop_back();
            EXPECT_FALSE(DecodeAt(w, 1, {c.kind, order}).available);
        }
    }
}

TEST(RegisterDecode, SixteenBitReadings) {
    struct Case {
        std::uint16_t word;
        DecodeKind kind;
        const char* text;
        Doubt doubt;
    };
    const Case cases[] = {
        {0xFFF4, DecodeKind::Unsigned16, "65524", Doubt::None},
        {0xFFF4, DecodeKind::Signed16, "-12", Doubt::None},
        {0x00A5, DecodeKind::Hex16, "0x00A5", Doubt::None},
        {0x00A5, DecodeKind::Binary16, "0000 0000 1010 0101", Doubt::None},
        {0x1234, DecodeKind::Bcd16, "1234", Doubt::None},
        {0x12A4, DecodeKind::Bcd16, "12A4", Doubt::NotBcd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const DecodedValue v = DecodeAt(words({c.word}), 0, {c.kind, ByteOrder::ABCD});
        EXPECT_EQ(v.text, QString::fromLatin1(c.text));
        EXPECT_EQ(v.doubt, c.doubt);
    }
    EXPECT_EQ(DecodeAt(words({0x1234}), 0, {DecodeKind::Bcd16, ByteOrder::ABCD}).number, 1234);
}

TEST(RegisterDecode, TextInBothByteOrdersWithNonPrintableBytesEscaped) {
    struct Case {
        std::vector<std::uint16_t> w;
        ByteOrder order;
        const char* text;
        Doubt doubt;
    };
    const Case cases[] = {
        {{0x4142, 0x4344}, ByteOrder::ABCD, "ABCD", Doubt::None},
        {{0x4241, 0x4443}, ByteOrder::BADC, "ABCD", Doubt::None},
        {{0x4142, 0x4344}, ByteOrder::BADC, "BADC", Doubt::None},
        // Padding at the end is no part of the text.
        {{0x4142, 0x4300, 0x0000}, ByteOrder::ABCD, "ABC", Doubt::None},
        {{0x4100, 0x0742}, ByteOrder::ABCD, "A\\0\\x07B", Doubt::NonPrintable},
        {{0x5C41}, ByteOrder::ABCD, "\\\\A", Doubt::None},
        {{0xC341}, ByteOrder::ABCD, "\\xc3A", Doubt::NonPrintable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const DecodedValue v = DecodeAt(c.w, 0, {DecodeKind::Text, c.order}, int(c.w.size()));
        EXPECT_EQ(v.text, QString::fromLatin1(c.text));
        EXPECT_EQ(v.doubt, c.doubt);
    }
    // Only as many registers as asked for.
    EXPECT_EQ(DecodeAt(words({0x4142, 0x4344}), 0, {DecodeKind::Text, ByteOrder::ABCD}, 1).text, "AB");
}

TEST(RegisterDecode, ImplausibleFloatsAreMarked) {
    struct Case {
        std::uint64_t bits;
        DecodeKind kind;
        Doubt doubt;
    };
    const Case cases[] = {
        {0x7FC00000, DecodeKind::Float32, Doubt::NotANumber},
        {0xFF800000, DecodeKind::Float32, Doubt::Infinite},
        {0x00000001, DecodeKind::Float32, Doubt::Denormal},
        {std::bit_cast<std::uint32_t>(3.4e27f), DecodeKind::Float32, Doubt::AbsurdMagnitude},
        {std::bit_cast<std::uint32_t>(1.2e-20f), DecodeKind::Float32, Doubt::AbsurdMagnitude},
        {0, DecodeKind::Float32, Doubt::None},
        {std::bit_cast<std::uint32_t>(9.0e9f), DecodeKind::Float32, Doubt::None},
        {0x7FF8000000000000ull, DecodeKind::Float64, Doubt::NotANumber},
        {0x7FF0000000000000ull, DecodeKind::Float64, Doubt::Infinite},
        {0x0000000000000001ull, DecodeKind::Float64, Doubt::Denormal},
        {std::bit_cast<std::uint64_t>(1e200), DecodeKind::Float64, Doubt::AbsurdMagnitude},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        const DecodedValue v =
            DecodeAt(EncodeBits(c.bits, RegistersOf(c.kind), ByteOrder::ABCD), 0, {c.kind, ByteOrder::ABCD});
        EXPECT_EQ(v.doubt, c.doubt);
        EXPECT_EQ(DoubtText(c.doubt).isEmpty(), c.doubt == Doubt::None);
    }
}

// Which display format shows which reading where. That "Float" really reads
// CDAB and "Float inverse" ABCD is pinned against a slave's registers in the
// decode window's test.
TEST(RegisterDecode, DisplayFormatsAndWhereTheyStartAValue) {
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Float32, ByteOrder::CDAB}, 0), int(DisplayFormat::Float));
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Float32, ByteOrder::ABCD}, 2), int(DisplayFormat::FloatInverse));
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Signed32, ByteOrder::CDAB}, 0), int(DisplayFormat::Long));
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Float64, ByteOrder::ABCD}, 0), int(DisplayFormat::DoubleInverse));
    // Sixteen-bit readings and what no format shows.
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Signed16, ByteOrder::ABCD}, 3), int(DisplayFormat::Signed));
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Unsigned16, ByteOrder::ABCD}, 3, true), int(DisplayFormat::Hex));
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Float32, ByteOrder::BADC}, 0), -1);
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Unsigned32, ByteOrder::CDAB}, 0), -1);
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Signed64, ByteOrder::ABCD}, 0), -1);
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Float32, ByteOrder::CDAB}, 1), -1);
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Float64, ByteOrder::CDAB}, 2), -1);
    EXPECT_EQ(DisplayFormatFor({DecodeKind::Float64, ByteOrder::CDAB}, 4), int(DisplayFormat::Double));
    EXPECT_FALSE(NoDisplayFormatReason({DecodeKind::Text, ByteOrder::ABCD}, 0, "40001").isEmpty());
    EXPECT_TRUE(NoDisplayFormatReason({DecodeKind::Float32, ByteOrder::CDAB}, 1, "40002").contains("40002"));
    EXPECT_TRUE(NoDisplayFormatReason({DecodeKind::Float32, ByteOrder::CDAB}, 2, "40003").isEmpty());
}

TEST(RegisterDecode, TypedHexWords) {
    struct Case {
        const char* typed;
        std::vector<std::uint16_t> words;  // empty: refused
    };
    const Case cases[] = {
        {"4366 8000", {0x4366, 0x8000}},
        {"0x4366,0X8000; 1", {0x4366, 0x8000, 0x0001}},
        {"43668000", {0x4366, 0x8000}},
        {"  a5  ", {0x00A5}},
        {"43668", {}},
        {"12G4", {}},
        {"", {}},
        {"-1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        QString error;
        const auto parsed = ParseHexWords(QString::fromLatin1(c.typed), &error);
        if (c.words.empty()) {
            EXPECT_FALSE(parsed.has_value());
            EXPECT_FALSE(error.isEmpty());
        } else {
            ASSERT_TRUE(parsed) << error.toStdString();
            EXPECT_EQ(*parsed, c.words);
        }
    }
    QString many;
    for (int i = 0; i <= kMaxTypedWords; ++i)
        many += QStringLiteral("1 ");
    EXPECT_FALSE(ParseHexWords(many, nullptr));
}

TEST(DecodeRanking, ParsesWhatTheUserExpects) {
    struct Case {
        const char* typed;
        Expectation::Kind kind;
        double number;
        bool integral;
        const char* text;
    };
    const Case cases[] = {
        {"230.5", Expectation::Kind::Number, 230.5, false, ""},
        {"230,5", Expectation::Kind::Number, 230.5, false, ""},
        {" -12 ", Expectation::Kind::Number, -12, true, ""},
        {"0x1F", Expectation::Kind::Number, 31, true, ""},
        {"0b101", Expectation::Kind::Number, 5, true, ""},
        {"1e3", Expectation::Kind::Number, 1000, false, ""},
        {"\"ABC\"", Expectation::Kind::Text, 0, false, "ABC"},
        {"\"123\"", Expectation::Kind::Text, 0, false, "123"},
        {"ABC", Expectation::Kind::Text, 0, false, "ABC"},
        {"   ", Expectation::Kind::None, 0, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const Expectation e = ParseExpectation(QString::fromUtf8(c.typed));
        EXPECT_EQ(e.kind, c.kind);
        if (c.kind == Expectation::Kind::Number) {
            EXPECT_EQ(e.number, c.number);
            EXPECT_EQ(e.integral, c.integral);
        }
        if (c.kind == Expectation::Kind::Text) {
            EXPECT_EQ(e.text, QByteArray(c.text));
        }
    }
}

TEST(DecodeRanking, TheRightReadingComesFirst) {
    struct Case {
        const char* name;
        std::vector<std::uint16_t> words;
        std::vector<int> chosen;
        const char* expected;
        DecodeReading best;
        int start;
        int offset;
    };
    const std::vector<std::uint16_t> floatCdab = EncodeBits(std::bit_cast<std::uint32_t>(230.5f), 2, ByteOrder::CDAB);
    const std::vector<std::uint16_t> floatBadc =
        EncodeBits(std::bit_cast<std::uint32_t>(123456.79f), 2, ByteOrder::BADC);
    const std::vector<std::uint16_t> doubleDcba = EncodeBits(std::bit_cast<std::uint64_t>(-7.25), 4, ByteOrder::DCBA);
    const std::vector<std::uint16_t> minusTwo = EncodeBits(std::uint64_t(-2), 4, ByteOrder::ABCD);
    const Case cases[] = {
        {"float CDAB", {0x0000, floatCdab[0], floatCdab[1], 0x0000}, {1}, "230.5",
         {DecodeKind::Float32, ByteOrder::CDAB}, 1, 0},
        {"float BADC, typed with fewer digits", {floatBadc[0], floatBadc[1]}, {0}, "123456.8",
         {DecodeKind::Float32, ByteOrder::BADC}, 0, 0},
        // The user picked the register after the value's first: off by one.
        {"float one register earlier", {0x1111, floatCdab[0], floatCdab[1], 0x2222}, {2}, "230.5",
         {DecodeKind::Float32, ByteOrder::CDAB}, 1, -1},
        {"16-bit one register later", {0x0001, 0x0002, 0xFFF4}, {1}, "-12", {DecodeKind::Signed16, ByteOrder::ABCD}, 2,
         1},
        {"double DCBA", {doubleDcba[0], doubleDcba[1], doubleDcba[2], doubleDcba[3]}, {0}, "-7.25",
         {DecodeKind::Float64, ByteOrder::DCBA}, 0, 0},
        {"64-bit -2", {minusTwo[0], minusTwo[1], minusTwo[2], minusTwo[3]}, {0}, "-2",
         {DecodeKind::Signed64, ByteOrder::ABCD}, 0, 0},
        {"16-bit before its 32-bit twin", {0x00E6, 0x0000}, {0}, "230", {DecodeKind::Unsigned16, ByteOrder::ABCD}, 0,
         0},
        {"text low byte first", {0x4241, 0x0043}, {0}, "\"ABC\"", {DecodeKind::Text, ByteOrder::BADC}, 0, 0},
        {"text high byte first", {0x4142, 0x4344}, {0, 1}, "ABCD", {DecodeKind::Text, ByteOrder::ABCD}, 0, 0},
        {"BCD", {0x1234}, {0}, "1234", {DecodeKind::Bcd16, ByteOrder::ABCD}, 0, 0},
        {"hex typed", {0x00A5}, {0}, "0xA5", {DecodeKind::Unsigned16, ByteOrder::ABCD}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<DecodeCandidate> ranked =
            RankCandidates(c.words, c.chosen, ParseExpectation(QString::fromLatin1(c.expected)), 10);
        ASSERT_FALSE(ranked.empty());
        EXPECT_EQ(ranked[0].reading, c.best) << ReadingName(ranked[0].reading).toStdString();
        EXPECT_EQ(ranked[0].start, c.start);
        EXPECT_EQ(ranked[0].offset, c.offset);
        EXPECT_EQ(ranked[0].score, 0);
        for (std::size_t i = 1; i < ranked.size(); ++i)
            EXPECT_LE(ranked[i - 1].score, ranked[i].score);
    }
}

TEST(DecodeRanking, CloseBeatsFarAndNothingFarIsOffered) {
    const std::vector<std::uint16_t> w = {0x00E6, 0x00E7, 0x0BB8};  // 230, 231, 3000
    const std::vector<int> chosen = {0, 1, 2};
    const std::vector<DecodeCandidate> ranked = RankCandidates(w, chosen, ParseExpectation("230.4"), 20);
    ASSERT_GE(ranked.size(), 2u);
    EXPECT_EQ(ranked[0].start, 0);
    EXPECT_GT(ranked[0].score, 0);
    for (const DecodeCandidate& c : ranked)
        EXPECT_NE(c.value.number, 3000);
    // Implausible readings are never offered, however close.
    const std::vector<std::uint16_t> nan = {0x7FC0, 0x0000};
    const std::vector<int> first = {0};
    for (const DecodeCandidate& c : RankCandidates(nan, first, ParseExpectation("0"), 10))
        EXPECT_NE(c.reading.kind, DecodeKind::Float32);
    EXPECT_TRUE(RankCandidates(w, chosen, ParseExpectation(""), 10).empty());
    EXPECT_EQ(RankCandidates(w, chosen, ParseExpectation("230"), 1).size(), 1u);
    // 230 read signed is the unsigned 230 again: offered once.
    int at0 = 0;
    for (const DecodeCandidate& c : RankCandidates(w, chosen, ParseExpectation("230"), 20))
        at0 += c.start == 0 && RegistersOf(c.reading.kind) == 1 ? 1 : 0;
    EXPECT_EQ(at0, 1);
}

TEST(DecodeRanking, OnlyWhatAUserAcceptsIsCalledTheValue) {
    struct Case {
        const char* name;
        std::vector<std::uint16_t> words;
        std::vector<int> chosen;
        const char* typed;
        bool match;  // of the first candidate
        int start;
        int offset;
        int scale;
    };
    const auto f = [](float v) { return EncodeBits(std::bit_cast<std::uint32_t>(v), 2, ByteOrder::ABCD); };
    const std::vector<std::uint16_t> near = f(230.47f), far = f(230.3f), close = f(230.49f);
    const std::vector<std::uint16_t> pair = f(230.5f);
    const Case cases[] = {
        // The neighbour's 57 is the nearest (43 % off): listed, never "the value".
        {"a guess is no match", {2305, 57}, {0}, "100", false, 1, 1, 0},
        {"integers match exactly only", {101}, {0}, "100", false, 0, 0, 0},
        {"float within the typed digits", near, {0}, "230.5", true, 0, 0, 0},
        {"float beyond the typed digits", far, {0}, "230.5", false, 0, 0, 0},
        {"more digits, the relative tolerance", near, {0}, "230.5000", false, 0, 0, 0},
        {"more digits, within 1e-4", close, {0}, "230.5000", true, 0, 0, 0},
        {"integer times ten", {235}, {0}, "23.5", true, 0, 0, 1},
        {"integer a hundredth", {23}, {0}, "2300", true, 0, 0, -2},
        {"scaled but not exact", {2347, 24}, {0}, "23.5", false, 1, 1, 0},
        {"unscaled beats scaled", {2350, 235}, {0, 1}, "235", true, 1, 0, 0},
        // Two adjacent registers chosen: a pair from the second runs past them.
        {"pair from the second of two", {0x0000, pair[0], pair[1]}, {0, 1}, "230.5", true, 1, 1, 0},
        {"one register at the second of two", {0x0000, 0x00E6}, {0, 1}, "230", true, 1, 0, 0},
        {"text that differs", {0x4142, 0x4344}, {0, 1}, "ABCE", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<DecodeCandidate> ranked =
            RankCandidates(c.words, c.chosen, ParseExpectation(QString::fromLatin1(c.typed)), 10);
        ASSERT_FALSE(ranked.empty());
        const DecodeCandidate& best = ranked[0];
        EXPECT_EQ(best.match, c.match) << ReadingName(best.reading).toStdString() << " " << best.score;
        EXPECT_EQ(best.start, c.start);
        EXPECT_EQ(best.offset, c.offset);
        EXPECT_EQ(best.scale, c.scale);
        EXPECT_EQ(best.score == 0, c.match);
        // Matches always come before the nearest readings that are not.
        for (std::size_t i = 1; i < ranked.size(); ++i)
            EXPECT_TRUE(ranked[i - 1].match || !ranked[i].match);
    }
}

}  // namespace
}  // namespace zentiq
