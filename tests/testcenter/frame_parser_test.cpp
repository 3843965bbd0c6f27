#include "testcenter/frame_parser.h"

#include <ostream>

#include <gtest/gtest.h>

#include "framework/traffic_lines.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zentiq {
namespace {

using FP = FrameParser;

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

TEST(FrameParserTest, ReadsBytesWithAnyOfTheThreeSeparators) {
    const QByteArray six = Hex("01030000000A");
    for (const char* text : {"01 03 00 00 00 0A", "01,03.00 00,00,0A", "01 03 00 00 00 0A ",
                             "01.03.00.00.00.0A,"}) {
        const FP::Result r = FP::Parse(QString::fromLatin1(text));
        EXPECT_EQ(r.status, FP::Status::Ok) << text;
        EXPECT_EQ(r.bytes, six) << text;
    }
    const FP::Result all = FP::Parse("FF AB 9C");
    EXPECT_EQ(all.bytes, Hex("FFAB9C"));
}

TEST(FrameParserTest, ErrorsPointAtTheFirstCharacterThatDoesNotFit) {
    struct Case {
        const char* text;
        int position;
    };
    const Case cases[] = {
        {"01  03", 3},      // two blanks: the second one
        {"01 3 04", 4},     // a single digit followed by a blank: the blank
        {" 01", 0},         // leading separator
        {",01", 0},
        {"01 0G", 4},       // a letter beyond F
        {"0a 03", 1},       // lower case is not folded here
        {"01 03 ,", 6},     // a second separator after the last byte
        {"010 03", 2},      // three digits
        {"01;03", 2},       // not a separator
        {"01\t03", 2},
        {"01 03x", 5},
        {"01 \xC3\xA4", 3},  // a non-ASCII character
    };
    for (const Case& c : cases) {
        const FP::Result r = FP::Parse(QString::fromUtf8(c.text));
        EXPECT_EQ(r.status, FP::Status::Invalid) << c.text;
        EXPECT_EQ(r.errorPosition, c.position) << c.text;
    }
    // Ending inside a byte, or yielding no byte at all: no character to point at.
    for (const char* text : {"01 0", "0", ""}) {
        const FP::Result r = FP::Parse(QString::fromLatin1(text));
        EXPECT_EQ(r.status, FP::Status::Invalid) << text;
        EXPECT_EQ(r.errorPosition, -1) << text;
    }
}

TEST(FrameParserTest, NineHundredCharactersAtMost) {
    QString text;
    for (int i = 0; i < 300; ++i) text += QStringLiteral("AB ");
    ASSERT_EQ(text.size(), 900);
    const FP::Result r = FP::Parse(text);
    EXPECT_EQ(r.status, FP::Status::Ok);
    EXPECT_EQ(r.bytes.size(), 300);
    EXPECT_EQ(FP::Parse(text + "A").status, FP::Status::TooLong);
    EXPECT_EQ(FP::Parse(QString(5000, QLatin1Char('x'))).status, FP::Status::TooLong);
}

TEST(FrameParserTest, AppendsCrcLowByteFirst) {
    QByteArray frame = FP::Parse("01 03 00 00 00 0A").bytes;
    FP::AppendCrc(frame);
    EXPECT_EQ(frame, Hex("01030000000AC5CD"));
    QByteArray other = Hex("110300000002");
    FP::AppendCrc(other);
    EXPECT_EQ(other, Hex("110300000002C69B"));
}

TEST(FrameParserTest, AppendsLrcOfTheAsciiCharacters) {
    // ":01030000000A" typed as character codes gets "F2" CR LF.
    QByteArray frame = FP::Parse("3A 30 31 30 33 30 30 30 30 30 30 30 41").bytes;
    ASSERT_EQ(frame, QByteArray(":01030000000A"));
    FP::AppendLrc(frame);
    EXPECT_EQ(frame, QByteArray(":01030000000AF2\r\n"));

    // An even count leaves the last character out of the pairs.
    QByteArray uneven(":0103X");
    FP::AppendLrc(uneven);
    EXPECT_EQ(uneven, QByteArray(":0103XFC\r\n"));
    // Characters that are not upper-case digits count as 0.
    QByteArray lower(":ff");
    FP::AppendLrc(lower);
    EXPECT_EQ(lower, QByteArray(":ff00\r\n"));
    QByteArray one(":");
    FP::AppendLrc(one);
    EXPECT_EQ(one, QByteArray(":00\r\n"));
    QByteArray none;
    FP::AppendLrc(none);
    EXPECT_EQ(none, QByteArray("00\r\n"));
}

TEST(FrameParserTest, TestCenterLinesAreNumberedFromZeroWithThreeDigits) {
    QByteArray frame = FP::Parse("01 03 00 00 00 0A").bytes;
    FP::AppendCrc(frame);
    TrafficLines lines(TrafficLines::kTestCenterDigits);
    lines.Add(TrafficLines::Direction::Tx, reinterpret_cast<const std::uint8_t*>(frame.constData()),
              static_cast<std::size_t>(frame.size()));
    const std::uint8_t answer[] = {0x01, 0x83, 0x02};
    lines.Add(TrafficLines::Direction::Rx, answer, sizeof answer);
    EXPECT_EQ(lines.lines(), (QStringList{"000-Tx:01 03 00 00 00 0A C5 CD ", "001-Rx:01 83 02 "}));
}

}  // namespace
}  // namespace zentiq
