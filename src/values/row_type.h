// The type of one register row of a poll window: which reading of the
// registers from that row on it shows (any of the decode assistant's: 16-,
// 32- and 64-bit integers, floats in the four byte orders, BCD, text), and the
// engineering scale (value = raw × scale + offset, with unit and decimals).
// Rows without a type show the window's display format. No window needed.
#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "values/register_decode.h"
#include "values/value_format.h"

namespace zentiq {

struct RowType {
    static constexpr int kMaxTextRegisters = 64;
    static constexpr int kMaxDecimals = 15;

    DecodeReading reading;
    int textRegisters = 1;  // text only: 1..kMaxTextRegisters
    double scale = 1.0;
    double offset = 0.0;
    QString unit;
    int decimals = -1;  // -1: the type's own digits

    friend bool operator==(const RowType&, const RowType&) = default;

    // Registers the value spans (text: textRegisters).
    int Registers() const;
    // A scale or offset other than 1 and 0.
    bool Scaled() const;
    // Scale, offset and decimals apply: integer, BCD and float readings
    // (not hex, binary or text, whose bits are what they show).
    bool Numeric() const;
    // Within its limits: text length, decimals, a finite non-zero scale, a
    // finite offset, a unit without line breaks or separators a file would
    // split at.
    bool Valid() const;
};

// Row types by protocol address.
using RowTypes = std::map<int, RowType>;

// The type that shows what display format `displayFormat` (0..9) shows.
RowType RowTypeOfFormat(int displayFormat);
// The display format a row type shows exactly like, or -1 (another reading,
// or any scale, offset, unit or decimals).
int FormatOfRowType(const RowType& type);

// "Float (CDAB)", "Unsigned Long Inverse (ABCD)", "Text (BA, 8 registers)" …
// as users read them, translated; with scale/offset/unit when set.
QString RowTypeLabel(const RowType& type);
// The reading alone, without scale or text length.
QString ReadingLabel(const DecodeReading& reading);

// ---- files ---------------------------------------------------------------
// The type word and the order word files write ("float32", "CDAB"), and how
// they are read back with the spellings of device manuals ("REAL", "DWORD",
// "uint32", "STRING[8]", "Float inverse", "浮点" …; order "ABCD", "big
// endian", "word swap" …). A type word may imply an order (the display
// format names) or a text length ("STRING[8]"); an empty order word leaves
// the type's own.
QString TypeWord(const RowType& type);
QString OrderWord(ByteOrder order);
struct TypeWordReading {
    DecodeKind kind = DecodeKind::Unsigned16;
    std::optional<ByteOrder> order;
    std::optional<int> textRegisters;
};
std::optional<TypeWordReading> ParseTypeWord(const QString& word);
std::optional<ByteOrder> ParseOrderWord(const QString& word);
// The order word then the type's implied order then ABCD; text keeps ABCD
// or BADC (any order that swaps bytes reads as BADC).
ByteOrder ResolvedOrder(const TypeWordReading& type, std::optional<ByteOrder> orderWord);

// ---- values ----------------------------------------------------------------
// The text of the value whose first register is words[start], as the grid
// shows it (`form` pads like the display formats; a type equal to a display
// format gives exactly that format's text). Empty when the registers are
// not all there.
QString TypedText(std::span<const std::uint16_t> words, int start, const RowType& type,
                  ValueForm form);
// The engineering value for charts and automation: nothing for text, for
// a value not all there, or for NaN.
std::optional<double> TypedNumber(std::span<const std::uint16_t> words, int start,
                                  const RowType& type);

// The registers a user's text writes: an engineering value (scaled back,
// rounded for integers, refused when the raw value does not fit the type),
// hex digits for hex, 0/1 digits for binary, the characters of a text (NUL
// padded; refused when longer or not ASCII). `error` says why nothing.
std::optional<std::vector<std::uint16_t>> EncodeTyped(const RowType& type, const QString& text,
                                                      QString* error);

}  // namespace zentiq
