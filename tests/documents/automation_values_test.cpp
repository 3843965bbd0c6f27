// The value buffers as the automation members read and write them: word
// order of every wide kind, the index limits, and every access inside the
// 2000 bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <cmath>
#include <limits>

#include "documents/automation_values.h"

namespace zentiq {
namespace {

namespace av = automation_values;

// Register r holds 0x1000 + r, so a value shows which registers it came from.
av::Buffer numbered() {
    av::Buffer b{};
    for (int r = 0; r < 1000; ++r) {
        const quint16 w = static_cast<quint16>(0x1000 + r);
        std::memcpy(b.data() + 2 * r, &w, 2);
    }
    return b;
}

quint64 words(std::initializer_list<int> registers) {
    quint64 bits = 0;
    int shift = 0;
    for (int r : registers) {
        bits |= quint64(0x1000 + r) << shift;
        shift += 16;
    }
    return bits;
}

TEST(AutomationValuesTest, WideValuesTakeTheirRegistersInTheirWordOrderWithinTheirLimits) {
    const av::Buffer b = numbered();
    struct Case {
        const char* name;
        av::WideKind kind;
        int index;
        quint64 bits;  // 0: outside the member's range
    };
    const Case cases[] = {
        {"Long", av::kLong, 0, words({0, 1})},
        {"Long", av::kLong, 62, words({124, 125})},
        {"Long", av::kLong, 63, 0},
        {"Long", av::kLong, -1, 0},
        {"LongInv", av::kLongInv, 1, words({3, 2})},
        {"LongInv", av::kLongInv, 63, 0},
        {"Double", av::kDouble, 30, words({120, 121, 122, 123})},
        {"Double", av::kDouble, 31, 0},
        {"DoubleInv", av::kDoubleInv, 0, words({3, 2, 1, 0})},
        {"DoubleInv", av::kDoubleInv, 31, words({127, 126, 125, 124})},
        {"DoubleInv", av::kDoubleInv, 62, words({251, 250, 249, 248})},
        {"DoubleInv", av::kDoubleInv, 63, 0},
        {"DoubleInv", av::kDoubleInv, -32768, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(av::WideBits(b, c.kind, c.index), c.bits) << c.name << "(" << c.index << ")";
        av::Buffer w{};
        av::SetWideBits(w, c.kind, c.index, words({10, 11, 12, 13}));
        if (c.bits == 0) {
            EXPECT_EQ(w, av::Buffer{}) << c.name << "(" << c.index << ") must change nothing";
        } else {
            const quint64 mask = c.kind.words == 2 ? 0xFFFFFFFFull : ~0ull;
            EXPECT_EQ(av::WideBits(w, c.kind, c.index), words({10, 11, 12, 13}) & mask) << c.name;
        }
    }
    EXPECT_EQ(av::Long(b, av::kLongInv, 0), qint32(0x10001001));
    EXPECT_EQ(av::Double(b, av::kDoubleInv, 31), std::bit_cast<double>(words({127, 126, 125, 124})));
}

TEST(AutomationValuesTest, RegistersCoilsAndFloatsKeepToTheirLimits) {
    av::Buffer b{};
    for (int i : {-1, 0, 126, 127, 32767})
        av::SetRegister(b, i, -2);
    EXPECT_EQ(av::Register(b, 0), -2);
    EXPECT_EQ(av::Register(b, 126), -2);
    EXPECT_EQ(av::Register(b, 127), 0);
    EXPECT_EQ(av::Register(b, -1), 0);
    EXPECT_EQ(std::count(b.begin(), b.end(), 0xFE), 2) << "only registers 0 and 126 were written";

    av::Buffer c{};
    for (int i : {-1, 0, 5, 1999, 2000})
        av::SetCoil(c, i, static_cast<qint16>(i == 5 ? 0 : -7));
    EXPECT_EQ(av::Coil(c, 0), 1) << "any non-zero value sets the coil";
    EXPECT_EQ(av::Coil(c, 1999), 1);
    EXPECT_EQ(av::Coil(c, 2000), 0);
    EXPECT_EQ(av::Coil(c, -1), 0);
    EXPECT_EQ(std::count(c.begin(), c.end(), 1), 2);

    av::Buffer f{};
    av::SetFloat(f, av::kLong, 0, 1.5);
    av::SetFloat(f, av::kLongInv, 1, -2.25);
    av::SetFloat(f, av::kLong, 2, 1e300);
    av::SetFloat(f, av::kLong, 3, -1e300);
    av::SetFloat(f, av::kLong, 4, 0.1);
    EXPECT_EQ(av::Float(f, av::kLong, 0), 1.5);
    EXPECT_EQ(av::Float(f, av::kLongInv, 1), -2.25);
    EXPECT_EQ(av::Register(f, 2), qint16(std::bit_cast<quint32>(-2.25f) >> 16)) << "high word first";
    EXPECT_EQ(av::Float(f, av::kLong, 2), std::numeric_limits<double>::infinity());
    EXPECT_EQ(av::Float(f, av::kLong, 3), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(av::Float(f, av::kLong, 4), double(0.1f)) << "held as a 32-bit float";
    av::SetDouble(f, av::kDoubleInv, 10, -0.5);
    EXPECT_EQ(av::Double(f, av::kDoubleInv, 10), -0.5);
    const quint64 x = std::bit_cast<quint64>(-0.5);
    const quint64 reversed = (x >> 48) | ((x >> 32) & 0xFFFF) << 16 | ((x >> 16) & 0xFFFF) << 32 | (x & 0xFFFF) << 48;
    EXPECT_EQ(av::WideBits(f, av::kDouble, 10), reversed) << "the same registers read lowest word first";
}

}  // namespace
}  // namespace zentiq
