#include "writes/register_list_lines.h"

#include <array>
#include <cstring>
#include <ostream>

#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zentiq {
namespace {

using RL = RegisterListLines;

// A 256-byte value buffer with explicit little-endian stores.
struct Buffer {
    std::array<std::uint8_t, 256> bytes{};
    void word(int index, std::uint16_t w) {
        bytes[static_cast<size_t>(2 * index)] = static_cast<std::uint8_t>(w & 0xFF);
        bytes[static_cast<size_t>(2 * index + 1)] = static_cast<std::uint8_t>(w >> 8);
    }
    void dword(int index, std::uint32_t v) {  // at word index (even)
        word(index, static_cast<std::uint16_t>(v & 0xFFFF));
        word(index + 1, static_cast<std::uint16_t>(v >> 16));
    }
    void qword(int index, std::uint64_t v) {
        dword(index, static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
        dword(index + 2, static_cast<std::uint32_t>(v >> 32));
    }
    QStringList lines(int format, int address, int quantity) const {
        return RL::Build(format, address, quantity, bytes.data(), bytes.size());
    }
};

TEST(RegisterListLinesTest, SixteenBitFormatsListEveryRegister) {
    Buffer b;
    b.word(0, 0xFFFF);
    b.word(1, 0x00A5);
    b.word(2, 0x7FFF);
    EXPECT_EQ(b.lines(0, 1, 3), (QStringList{"001 = -1", "002 = 165", "003 = 32767"}));
    EXPECT_EQ(b.lines(1, 1, 3), (QStringList{"001 = 65535", "002 = 165", "003 = 32767"}));
    EXPECT_EQ(b.lines(2, 1, 3), (QStringList{"001 = 0xFFFF", "002 = 0x00A5", "003 = 0x7FFF"}));
    EXPECT_EQ(b.lines(0, 1000, 1), QStringList{"1000 = -1"});
    EXPECT_EQ(b.lines(1, 0, 1), QStringList{"000 = 65535"});
}

TEST(RegisterListLinesTest, BinaryGroupsFourBitsAndEndsWithABlank) {
    Buffer b;
    b.word(0, 0x00F0);
    b.word(1, 0x8001);
    EXPECT_EQ(b.lines(3, 3, 2),
              (QStringList{"003 = 0000 0000 1111 0000 ", "004 = 1000 0000 0000 0001 "}));
}

TEST(RegisterListLinesTest, FloatsOnePerPairWithTheWideFormBeyond23Characters) {
    Buffer b;
    b.dword(0, 0x3FC00000u);  // 1.5
    b.dword(2, 0x51E5F4C9u);  // 123456790528: a line of exactly 23 characters
    b.dword(4, 0x538FB8FEu);  // 1234567954432: 24 characters, so %15.8G
    b.dword(6, 0x60AD78ECu);  // 1e20
    b.word(8, 0x1234);        // a ninth register that fills no pair
    const QStringList lines = b.lines(4, 1, 9);
    EXPECT_EQ(lines, (QStringList{"001 = 1.5000", "003 = 123456790528.0000", "005 =    1.234568E+12",
                                  "007 =           1E+20"}));
    EXPECT_EQ(b.lines(5, 1, 9), lines) << "inverse lists the buffer the same way";
    // With quantity 5 there are two lines in both float formats.
    EXPECT_EQ(b.lines(4, 1, 5).size(), 2);
    EXPECT_EQ(b.lines(5, 1, 5).size(), 2);
    EXPECT_TRUE(b.lines(4, 1, 1).isEmpty());
    // A five-digit label makes the same value too long for the fixed form.
    EXPECT_EQ(b.lines(4, 65000, 4).at(1), QStringLiteral("65002 =   1.2345679E+11"));
}

TEST(RegisterListLinesTest, DoublesOnePerGroupOfFour) {
    Buffer b;
    double d = 2.25;
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    b.qword(0, bits);
    d = 12345678901.5;  // "%1.6f" gives a 24-character line
    std::memcpy(&bits, &d, 8);
    b.qword(4, bits);
    EXPECT_EQ(b.lines(6, 1, 8), (QStringList{"001 = 2.250000", "005 =    1.23456789E+10"}));
    EXPECT_EQ(b.lines(7, 1, 11), b.lines(6, 1, 8));
    EXPECT_EQ(b.lines(6, 1, 7).size(), 1);
}

TEST(RegisterListLinesTest, LongsOnePerPair) {
    Buffer b;
    b.dword(0, 0xFFFFFFFFu);
    b.dword(2, 0x80000000u);
    b.dword(4, 100000u);
    EXPECT_EQ(b.lines(8, 10, 6), (QStringList{"010 = -1", "012 = -2147483648", "014 = 100000"}));
    EXPECT_EQ(b.lines(9, 10, 7), b.lines(8, 10, 6));
}

TEST(RegisterListLinesTest, NothingOutsideTheBufferOrFormats) {
    Buffer b;
    EXPECT_TRUE(b.lines(10, 1, 10).isEmpty());
    EXPECT_TRUE(b.lines(-1, 1, 10).isEmpty());
    EXPECT_TRUE(b.lines(0, 1, -3).isEmpty());
    EXPECT_EQ(b.lines(0, 1, 500).size(), 128) << "stops at the end of the buffer";
    EXPECT_EQ(b.lines(6, 1, 500).size(), 32);
    EXPECT_EQ(RL::Build(8, 1, 4, b.bytes.data(), 6).size(), 1);
}

}  // namespace
}  // namespace zentiq
