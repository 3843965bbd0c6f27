// Text of one polled value, as the data view shows it and the logger writes
// it, with change detection against the last shown copy. No window needed.
#pragma once

#include <QString>

#include <concepts>
#include <cstdint>
#include <optional>
#include <span>

namespace zentiq {

// How register values are shown (stored per document as a 32-bit integer).
enum class DisplayFormat : std::int32_t {
    Signed = 0,
    Unsigned = 1,
    Hex = 2,
    Binary = 3,
    Float = 4,
    FloatInverse = 5,
    Double = 6,
    DoubleInverse = 7,
    Long = 8,
    LongInverse = 9,
};
inline constexpr int kDisplayFormatCount = 10;

constexpr int Code(DisplayFormat format) { return static_cast<int>(format); }

// Formats are stored as plain integers; they compare with the names directly.
template <std::integral T>
constexpr bool operator==(T value, DisplayFormat format) {
    return static_cast<long long>(value) == static_cast<long long>(format);
}

inline constexpr bool IsDisplayFormat(int displayFormat) {
    return displayFormat >= 0 && displayFormat < kDisplayFormatCount;
}

// Width of the text: no padding, blank-padded to the column width, or
// zero-padded to the same width.
enum class ValueForm { Plain, Padded, ZeroPadded };

struct FormattedValue {
    QString text;
    bool changed = true;
};

// Label of a display format as users see it, with the word order of the
// multi-register formats ("Signed", "Float (CDAB)" ...); empty for a value
// outside 0..9.
QString DisplayFormatLabel(int displayFormat);

// The format's plain name as files write it ("Float inverse" ...).
QString DisplayFormatName(int displayFormat);

// Registers that one value of the format spans: 1, 2 or 4 (1 for an unknown
// format).
int RegistersPerValue(int displayFormat);

// Functions 1, 2, 5 and 15 carry coils; they ignore the display format.
bool IsCoilFunction(int function);
// Functions 3, 4, 6 and 16 carry registers.
bool IsRegisterFunction(int function);

// "0000 0000 1010 0101 " for 0x00A5: 16 digits, a blank after each group of four.
QString BinaryText(std::uint16_t word);

// Text of item `index` of a poll of `length` items.
//
// `values` is the document's value buffer in host layout: one byte per coil;
// a 16-bit word per register; a 32-bit value whose first register is i at
// byte 2·i; a double whose first register is i at byte 2·i.
// With `reportChange` false, `changed` is always true and `previousValues` is
// left alone. With it true, `changed` says whether the value the text was made
// from differs from its copy in `previousValues`, and a differing copy is
// replaced. The second register of a pair (second to fourth of a group) has
// an empty text but compares the value that begins at the pair's first
// register.
//
// An index outside the poll, a function outside 1..6/15/16, an unknown
// display format or a buffer too small for the item gives an empty text,
// `changed` false when reporting, and touches nothing.
FormattedValue FormatValue(std::span<const std::uint8_t> values,
                           std::span<std::uint8_t> previousValues, int length, int function,
                           int displayFormat, int index, ValueForm form, bool reportChange);

// The text of item `index` as the grid shows it (FormatValue's Padded form:
// a float too wide for its cell in exponent notation, "2.3021767e+23")
// without the blanks that align it. What a CSV log writes, so that a file
// and the grid cannot tell a value differently.
QString ShownValueText(std::span<const std::uint8_t> values, int length, int function,
                       int displayFormat, int index);

// The number item `index` shows, for charts: the signed or unsigned word
// (hex and binary as unsigned), the float, double or 32-bit integer, or the
// coil's 0/1. Nothing for an item that shows no text (the second register of
// a pair, a pair cut off by the end of the poll) or that FormatValue rejects.
std::optional<double> NumericValue(std::span<const std::uint8_t> values, int length, int function,
                                   int displayFormat, int index);

}  // namespace zentiq
