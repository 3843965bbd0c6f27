#include "values/hex_word.h"

#include <gtest/gtest.h>

namespace zentiq {
namespace {

TEST(HexWordTest, TakesHexDigitsUpToOneWordAndNothingElse) {
    struct Case {
        const char* text;
        std::optional<std::uint16_t> value;
    };
    const Case cases[] = {
        {"0", 0},          {"ffff", 0xFFFF},   {"FFFF", 0xFFFF}, {"BeEf", 0xBEEF},  {"1a", 0x1A},
        {"0000ffff", 0xFFFF},  // leading zeros keep the value inside a word
        {"", std::nullopt},      {"10000", std::nullopt}, {"12G", std::nullopt},
        {"0x1A", std::nullopt},  {"-1", std::nullopt},    {"+1", std::nullopt},
        {" 1", std::nullopt},    {"1 ", std::nullopt},    {"ffffffffff", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseHexWord(QString::fromLatin1(c.text)), c.value);
    }
    // Digits of other scripts and full-width letters are no hex digits.
    EXPECT_EQ(ParseHexWord(QString::fromUtf8("\xD9\xA3")), std::nullopt);
    EXPECT_EQ(ParseHexWord(QString::fromUtf8("\xEF\xBC\xA1")), std::nullopt);
    EXPECT_EQ(HexNumberMessage(), QStringLiteral("Please enter a hex number"));
}

}  // namespace
}  // namespace zentiq
